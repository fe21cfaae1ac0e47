// Small packages that stand for gigabytes once unpacked, each read until its refusal: sheet entries that
// all name one part, entries that share one compressed stream, a sheet of millions of cells, a document
// whose parts overlap. Each must be refused (the run fails otherwise) within 1 GB and 5 s. Counters: the
// file's size, what it would unpack to, and the peak memory of one refusal in a child process.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "child_peak.h"
#include "core/base/error.h"
#include "core/office/docx.h"
#include "core/office/workbook.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
using ld::test::BuildZip;
using ld::test::ZipEntry;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-office-bombs");
  return dir.path;
}

const std::string kRootRels =
    R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)";

std::string Workbook(int sheets, int parts) {
  std::string book = R"(<workbook xmlns:r="r"><sheets>)";
  for (int i = 1; i <= sheets; ++i)
    book += "<sheet name=\"S" + std::to_string(i) + "\" r:id=\"rId" + std::to_string((i - 1) % parts + 1) + "\"/>";
  return book + "</sheets></workbook>";
}

std::string Rels(int parts) {
  std::string rels = "<Relationships>";
  for (int i = 1; i <= parts; ++i)
    rels += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"x/worksheet\" Target=\"worksheets/sheet" +
            std::to_string(i) + ".xml\"/>";
  return rels + "</Relationships>";
}

// `rows` rows of ten one-digit cells.
std::string Cells(std::size_t rows) {
  std::string row = "<row>";
  for (int c = 0; c < 10; ++c) row += "<c><v>1</v></c>";
  row += "</row>";
  std::string xml = "<worksheet><sheetData>";
  xml.reserve(row.size() * rows + 64);
  for (std::size_t r = 0; r < rows; ++r) xml += row;
  return xml + "</sheetData></worksheet>";
}

struct TBomb {
  std::string path;
  double unpackedMB = 0;  // what the entries read would unpack to, all told
};

TBomb Write(const std::string& name, const std::string& bytes, double unpackedMB) {
  const std::string path = (WorkDir() / name).string();
  std::ofstream(path, std::ios::binary) << bytes;
  return {path, unpackedMB};
}

// About 185 KB: 2,000 sheets that all name one part of 9.5 MB of cells.
const TBomb& SheetsOfOnePart() {
  static const TBomb bomb = [] {
    const std::string sheet = Cells(62000);
    return Write("sheets.xlsx",
                 BuildZip({{"_rels/.rels", kRootRels},
                           {"xl/workbook.xml", Workbook(2000, 1)},
                           {"xl/_rels/workbook.xml.rels", Rels(1)},
                           {"xl/worksheets/sheet1.xml", sheet}}),
                 2000.0 * static_cast<double>(sheet.size()) / 1e6);
  }();
  return bomb;
}

// About 110 KB: 30 sheet parts that are one compressed stream of 110 MB (3.3 GB all told).
const TBomb& SharedStream() {
  static const TBomb bomb = [] {
    const std::string sheet = "<worksheet>" + std::string(110u << 20, ' ') + "</worksheet>";
    std::vector<ZipEntry> entries = {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2}};
    for (int i = 1; i <= 30; ++i) entries.push_back({"xl/worksheets/sheet" + std::to_string(i) + ".xml", 3});
    return Write("shared.xlsx", BuildZip({{kRootRels}, {Workbook(30, 30)}, {Rels(30)}, {sheet}}, entries),
                 30.0 * static_cast<double>(sheet.size()) / 1e6);
  }();
  return bomb;
}

// About 380 KB: one sheet of 6 million cells.
const TBomb& CellBomb() {
  static const TBomb bomb = [] {
    const std::string sheet = Cells(600000);
    return Write("cells.xlsx",
                 BuildZip({{"_rels/.rels", kRootRels},
                           {"xl/workbook.xml", Workbook(1, 1)},
                           {"xl/_rels/workbook.xml.rels", Rels(1)},
                           {"xl/worksheets/sheet1.xml", sheet}}),
                 static_cast<double>(sheet.size()) / 1e6);
  }();
  return bomb;
}

// About 360 KB: a document whose 20 parts are one compressed stream of 370 MB (7.4 GB all told).
const TBomb& OverlappingDocument() {
  static const TBomb bomb = [] {
    const std::string part = std::string(370u << 20, ' ');
    std::vector<ZipEntry> entries = {{"word/document.xml", 0}};
    for (int i = 1; i < 20; ++i) entries.push_back({"word/media/part" + std::to_string(i) + ".xml", 0});
    return Write("overlap.docx", BuildZip({{part}}, entries), 20.0 * static_cast<double>(part.size()) / 1e6);
  }();
  return bomb;
}

void Refuse(benchmark::State& state, const TBomb& bomb, const std::function<void(const std::string&)>& read) {
  const std::optional<double> peakMB = ld::bench::TimeRefusal(state, [&] { read(bomb.path); });
  if (!peakMB) return;
  state.counters["file_KB"] = static_cast<double>(fs::file_size(bomb.path)) / 1024.0;
  state.counters["unpacked_MB"] = bomb.unpackedMB;
  state.counters["peak_MB"] = *peakMB;
}

void ReadBook(const std::string& path) { benchmark::DoNotOptimize(ld::ReadWorkbook(path)); }

void BM_RefuseSheetsOfOnePart(benchmark::State& state) { Refuse(state, SheetsOfOnePart(), ReadBook); }
BENCHMARK(BM_RefuseSheetsOfOnePart)->Unit(benchmark::kMillisecond);

void BM_RefuseSharedStream(benchmark::State& state) { Refuse(state, SharedStream(), ReadBook); }
BENCHMARK(BM_RefuseSharedStream)->Unit(benchmark::kMillisecond);

void BM_RefuseCellBomb(benchmark::State& state) { Refuse(state, CellBomb(), ReadBook); }
BENCHMARK(BM_RefuseCellBomb)->Unit(benchmark::kMillisecond);

void BM_RefuseOverlappingDocument(benchmark::State& state) {
  Refuse(state, OverlappingDocument(), [](const std::string& path) { ld::DocxDocument::Open(path); });
}
BENCHMARK(BM_RefuseOverlappingDocument)->Unit(benchmark::kMillisecond);

}  // namespace
