// The catalogue's reading of the two metering systems' books of 100,000 graphs each, every number new,
// against a catalogue of 20,000 graphs: blocks of days (a head, a row not read, one day of one hour's
// value) and rows of 24 hours of measured values. Each book, under 2 MB, is read within 1 GB and 5 s (the run fails
// otherwise): a graph is looked up among those read before and the catalogue's in a step, never compared
// with each. Counters: the file's size, the graphs taken, and the peak memory and time of one read in a
// child process. The quick pass reads books and a catalogue of an eighth as many graphs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "child_peak.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_sheets.h"
#include "core/tables/layout.h"
#include "quick.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

// the quick pass reads books and a catalogue of a share of these
int Graphs() { return static_cast<int>(ld::bench::PassSize(100000)); }
int Catalogued() { return static_cast<int>(ld::bench::PassSize(20000)); }  // 1..Catalogued() are the catalogue's

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-metering-books");
  return dir.path;
}

std::string Text(const std::string& t) { return "<c t=\"inlineStr\"><is><t>" + t + "</t></is></c>"; }
std::string Number(const std::string& v) { return "<c><v>" + v + "</v></c>"; }

// Cell format 1 shows a date (built-in format 14).
const std::string kStyles =
    "<styleSheet><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";

std::string Write(const std::string& name, const std::string& rows) {
  const std::string path = (WorkDir() / name).string();
  const std::string sheet = "<worksheet><sheetData>" + rows + "</sheetData></worksheet>";
  std::ofstream(path, std::ios::binary)
      << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, "", kStyles}));
  return path;
}

// Blocks by days: a head (title, unit, number), a row not read, a day under a date format with hour 0.
const std::string& SlicesBook() {
  static const std::string path = [] {
    std::string rows;
    for (int g = 1; g <= Graphs(); ++g) {
      const std::string number = std::to_string(Catalogued() + g);
      rows += "<row>" + Text("Ф" + number) + Text("МВт") + Number(number) + "</row><row/><row><c s=\"1\"><v>45292</v></c>" +
              Number("1.5") + "</row>";
    }
    return Write("свэ.xlsx", rows);
  }();
  return path;
}

// A typical day in a row: title, unit, number and 24 hours.
const std::string& TypicalBook() {
  static const std::string path = [] {
    // measured values: a book of one value repeated would pack to far less than a real one
    std::mt19937 random(1904);
    std::string rows;
    for (int g = 1; g <= Graphs(); ++g) {
      const std::string number = std::to_string(Catalogued() + g);
      rows += "<row>" + Text("Ф" + number) + Text("МВт") + Number(number);
      for (int h = 0; h < 24; ++h) rows += Number(std::to_string(random() % 3));
      rows += "</row>";
    }
    return Write("коэ.xlsx", rows);
  }();
  return path;
}

std::unique_ptr<ld::TDataFile> Catalog() {
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  auto catalog = std::make_unique<ld::TDataFile>();
  ld::ReadMaket(ld::GraphCatalogMaket, *catalog);
  ld::CreateColumns(*catalog, 0);
  for (int n = 1; n <= Catalogued(); ++n) ld::AppendGraphCatalogRow(*catalog, n, "Свой " + std::to_string(n), 1, 3600, 'P', "кВт");
  return catalog;
}

void Read(benchmark::State& state, const std::string& path, bool typical) {
  const auto catalog = Catalog();
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin(
      [&] { return ld::ReadMeteringWorkbook(path, *catalog, typical).Taken.Items == Graphs(); });
  if (!ld::bench::CheckBound(state, child)) return;
  long long taken = 0;
  for (auto _ : state) taken = ld::ReadMeteringWorkbook(path, *catalog, typical).Taken.Items;
  if (taken != Graphs()) {
    state.SkipWithError(("the read took " + std::to_string(taken) + " graphs, not " + std::to_string(Graphs())).c_str());
    return;
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(path)) / 1024.0;
  state.counters["graphs"] = static_cast<double>(taken);
}

void BM_MeteringBlocksBook(benchmark::State& state) { Read(state, SlicesBook(), false); }
BENCHMARK(BM_MeteringBlocksBook)->Unit(benchmark::kMillisecond);

void BM_MeteringRowsBook(benchmark::State& state) { Read(state, TypicalBook(), true); }
BENCHMARK(BM_MeteringRowsBook)->Unit(benchmark::kMillisecond);

}  // namespace
