// The measurement import of a small workbook whose node list of 32,000 characters ("А, А, ...") is
// merged from row 1 down to the sheet's last row, where a total stands beside the columns read: the one
// row of data is imported within 1 GB and 5 s (the run fails otherwise), where a row for every row the
// range covers would read and split the list a million times. Counters: the file's size, the list's
// length, and the peak memory and time of one import in a child process.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_peak.h"
#include "core/base/error.h"
#include "core/regime/measurements.h"
#include "measured_scheme.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kItems = 10667;  // "А" and ", А" 10,666 times: 32,000 characters

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-merged-measurement");
  return dir.path;
}

struct TCase {
  std::string scheme, workbook;
};

// A scheme of 800 nodes of one substation (a list of each named once is longer than the merged one), and
// the workbook.
const TCase& Case() {
  static const TCase c = [] {
    TCase made{(WorkDir() / "s").string(), (WorkDir() / "замеры.xlsx").string()};
    ld::bench::WriteMeasuredScheme(made.scheme, 800,
                                   [](int r) { return r == 1 ? std::string("ПС1.А") : "ПС1." + std::to_string(r); });

    std::string list = "А";
    for (int k = 1; k < kItems; ++k) list += ", А";
    const auto text = [](const std::string& ref, const std::string& t) {
      return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
    };
    const std::string sheet = "<worksheet><sheetData><row r=\"1\"><c r=\"I1\"><v>4</v></c>" + text("N1", "ПС1") +
                              text("P1", list) + text("Q1", "1") + "</row><row r=\"1048576\">" +
                              text("A1048576", "итого") + "</row></sheetData><mergeCells count=\"1\">"
                              "<mergeCell ref=\"P1:P1048576\"/></mergeCells></worksheet>";
    std::ofstream(made.workbook, std::ios::binary)
        << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Замеры", sheet, "", ""}));
    return made;
  }();
  return c;
}

// The import took row 1 alone: every item of its list, with no row below named.
bool Imported() {
  try {
    return ld::ImportMeasurementFile(Case().scheme, Case().workbook, {"", 0.4}).empty();
  } catch (const ld::Error&) {
    return false;
  }
}

void BM_ListMergedDownToTheLastRow(benchmark::State& state) {
  Case();
  // the bound first, in a child that is stopped past it: a cost far past it fails the run in seconds
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin(Imported);
  if (!ld::bench::CheckBound(state, child)) return;
  for (auto _ : state) {
    if (!Imported()) {
      state.SkipWithError("the one row of data was not imported alone");
      return;
    }
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(Case().workbook)) / 1024.0;
  state.counters["list_chars"] = 3.0 * kItems - 2;
}
BENCHMARK(BM_ListMergedDownToTheLastRow)->Unit(benchmark::kMillisecond);

}  // namespace
