// The measurement import of a small workbook whose one text, "a," 2 million times over (4 MB unpacked),
// is named as the node list of four rows: split at its commas it would give 8 million message lines.
// It must be refused by the list's first characters, naming its cell, within 1 GB and 5 s (the run fails
// otherwise). Counters: the file's size, what its texts unpack to, and the peak memory and time of one
// import in a child process.
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

constexpr std::uint64_t kPairs = 2u << 20;  // "a," pairs: 4 MB

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-measurement-import");
  return dir.path;
}

struct TCase {
  std::string scheme, workbook;
};

// A scheme of four nodes of one substation, and the workbook.
const TCase& Case() {
  static const TCase c = [] {
    TCase made{(WorkDir() / "s").string(), (WorkDir() / "замеры.xlsx").string()};
    ld::bench::WriteMeasuredScheme(made.scheme, 4, [](int r) { return "ПС1." + std::to_string(r); });

    const std::string rootRels =
        R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
    const std::string book = R"(<workbook xmlns:r="r"><sheets><sheet name="Замеры" r:id="rId1"/></sheets></workbook>)";
    const std::string rels =
        "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    std::string sheet = "<worksheet><sheetData>";
    for (int r = 1; r <= 4; ++r) {
      const std::string row = std::to_string(r);
      sheet += "<row r=\"" + row + "\"><c r=\"I" + row + "\"><v>1</v></c><c r=\"N" + row +
               "\" t=\"inlineStr\"><is><t>ПС1</t></is></c><c r=\"P" + row + "\" t=\"s\"><v>0</v></c></row>";
    }
    sheet += "</sheetData></worksheet>";
    const ld::test::ZipStream strings{"<sst><si><t>", ld::test::kTrueSize, {{"a,", kPairs}, {"</t></si></sst>", 1}}};
    const std::vector<ld::test::ZipEntry> entries = {{"_rels/.rels", 0},
                                                     {"xl/workbook.xml", 1},
                                                     {"xl/_rels/workbook.xml.rels", 2},
                                                     {"xl/worksheets/sheet1.xml", 3},
                                                     {"xl/strings.xml", 4}};
    std::ofstream(made.workbook, std::ios::binary)
        << ld::test::BuildZip({{rootRels}, {book}, {rels}, {sheet}, strings}, entries);
    return made;
  }();
  return c;
}

// The import refused, naming the list's cell of the first row.
bool Refused() {
  try {
    ld::ImportMeasurementFile(Case().scheme, Case().workbook, {"", 0.4});
  } catch (const ld::Error& e) {
    return std::string(e.what()).find("ячейка P1: ") != std::string::npos;
  }
  return false;
}

void BM_RefuseLongNodeList(benchmark::State& state) {
  Case();
  for (auto _ : state) {
    if (!Refused()) {
      state.SkipWithError("imported, not refused by the list's cell");
      return;
    }
  }
  const ld::bench::TChildPeak child = ld::bench::RunInChild(Refused);
  if (!ld::bench::CheckBound(state, child)) return;
  state.counters["file_KB"] = static_cast<double>(fs::file_size(Case().workbook)) / 1024.0;
  state.counters["unpacked_MB"] = 2.0 * static_cast<double>(kPairs) / 1e6;
}
BENCHMARK(BM_RefuseLongNodeList)->Unit(benchmark::kMillisecond);

}  // namespace
