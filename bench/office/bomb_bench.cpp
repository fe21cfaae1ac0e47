// Small packages that stand for gigabytes once unpacked, each read until its refusal: sheet entries that
// all name one part, entries that share one compressed stream, a sheet of millions of cells, a document
// whose parts overlap, headers that declare 1.4 MB for a part of 860 MB (whole workbook, first sheet
// alone, document), a document of millions of empty table cells. Each must be refused (the run fails
// otherwise) within 1 GB and 5 s. Files just under 2 MB that pass every declared limit, a sheet of 190 MB
// of cells and a million cells naming one text of 1 MB, are read or refused (counter `refused`) within
// the same 1 GB and 5 s, by the whole-workbook reader and by the first-sheet reader, as is a sheet of 4.9
// million boolean and error cells, and a table of 5.3 million texts; so are files of 1.9 MB whose sheet, table of texts, book part,
// document text or document relationships nest millions of elements. Counters: the file's size, what it would unpack to, and the peak memory of one read in a
// child process. A sheet of hundreds of thousands of merged ranges is read or refused within the same bounds,
// every cell it covers looked up. The quick pass makes these files at a share of each of their sizes
// (Sized, PassSize).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "../table_rows.h"
#include "child_peak.h"
#include "core/base/error.h"
#include "core/district/import_rs.h"
#include "core/district/subscriber_books.h"
#include "core/office/docx.h"
#include "core/office/sheet_reader.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/workbook.h"
#include "quick.h"
#include "support/xls_builder.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;
using ld::test::BuildZip;
using ld::test::XlsLittle;
using ld::test::XlsRecord;
using ld::test::ZipEntry;
using ld::test::ZipStream;

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

// A size of the files below: the full one in the full run, a share in the quick pass. A file scales each
// of its sizes, its picture too, so that it meets the limits per byte of the file as in the full run.
std::uint64_t Sized(std::uint64_t full) {
  return static_cast<std::uint64_t>(ld::bench::PassSize(static_cast<std::int64_t>(full)));
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
    const std::string sheet = Cells(Sized(62000));
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
    const std::string sheet = "<worksheet>" + std::string(Sized(110u << 20), ' ') + "</worksheet>";
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
    const std::string sheet = Cells(Sized(600000));
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
    const std::string part = std::string(Sized(370u << 20), ' ');
    std::vector<ZipEntry> entries = {{"word/document.xml", 0}};
    for (int i = 1; i < 20; ++i) entries.push_back({"word/media/part" + std::to_string(i) + ".xml", 0});
    return Write("overlap.docx", BuildZip({{part}}, entries), 20.0 * static_cast<double>(part.size()) / 1e6);
  }();
  return bomb;
}

const std::vector<ZipEntry> kBookEntries = {
    {"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2}, {"xl/worksheets/sheet1.xml", 3}};

// Random bytes, as a picture packs: beside a bomb they bring the file to just under 2 MB, which may
// unpack to the most that a file under 2 MB may (16 MB and 100 bytes a byte: about 206 MB). `bytes` is
// the full run's size (Sized).
std::string Picture(std::size_t bytes) {
  std::string picture(Sized(bytes), '\0');
  std::mt19937 random(1904);
  for (char& c : picture) c = static_cast<char>(random());
  return picture;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// A row of `cells` one-digit cells.
std::string Row(int cells) { return "<row>" + Repeat("<c><v>1</v></c>", cells) + "</row>"; }

// About 1.6 MB: headers that declare 1.4 MB for a sheet of 860 MB, 250 MB of rows of ten cells and then
// blank space.
const TBomb& LyingSheet() {
  static const TBomb bomb = [] {
    const std::string row = Row(10);
    const ZipStream sheet{"<worksheet><sheetData>",
                          static_cast<std::uint32_t>(Sized(1400u << 10)),
                          {{row, Sized(250u << 20) / row.size()},
                           {std::string(1024, ' '), Sized(610u << 10)},
                           {"</sheetData></worksheet>", 1}}};
    return Write("lying.xlsx", BuildZip({{kRootRels}, {Workbook(1, 1)}, {Rels(1)}, sheet}, kBookEntries),
                 static_cast<double>(Sized(860u << 20)) / 1e6);
  }();
  return bomb;
}

// About 1.9 MB: headers that declare 1.4 MB for a document of 860 MB.
const TBomb& LyingDocument() {
  static const TBomb bomb = [] {
    const ZipStream part{"<w:document><w:body>",
                         static_cast<std::uint32_t>(Sized(1400u << 10)),
                         {{std::string(1024, ' '), Sized(860u << 10)}, {"</w:body></w:document>", 1}}};
    return Write("lying.docx",
                 BuildZip({part, {Picture(1000u << 10)}}, {{"word/document.xml", 0}, {"word/media/image1.png", 1}}),
                 static_cast<double>(Sized(860u << 20)) / 1e6);
  }();
  return bomb;
}

// About 1.9 MB with honest headers: a sheet of 190 MB of cells, rows of a hundred, beside a picture.
const TBomb& DenseSheet() {
  static const TBomb bomb = [] {
    const std::string row = Row(100);
    const std::uint64_t rows = Sized(190u << 20) / row.size();
    const ZipStream sheet{"<worksheet><sheetData>", ld::test::kTrueSize, {{row, rows}, {"</sheetData></worksheet>", 1}}};
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/media/image1.png", 4});
    return Write("dense.xlsx", BuildZip({{kRootRels}, {Workbook(1, 1)}, {Rels(1)}, sheet, {Picture(1400u << 10)}}, entries),
                 static_cast<double>(rows * row.size()) / 1e6);
  }();
  return bomb;
}

// About 1.5 MB: a table of texts holding one text of 1 MB, named by a million cells (a terabyte once
// every cell holds its copy).
const TBomb& CopiedText() {
  static const TBomb bomb = [] {
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    const std::uint64_t rows = Sized(100000), text = Sized(1u << 20);
    const ZipStream sheet{"<worksheet><sheetData>",
                          ld::test::kTrueSize,
                          {{"<row>" + Repeat("<c t=\"s\"><v>0</v></c>", 10) + "</row>", rows}, {"</sheetData></worksheet>", 1}}};
    const ZipStream strings{"<sst><si><t>", ld::test::kTrueSize, {{"a", text}, {"</t></si></sst>", 1}}};
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/strings.xml", 4});
    entries.push_back({"xl/media/image1.png", 5});
    return Write("copied.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {rels}, sheet, strings, {Picture(1400u << 10)}}, entries),
                 static_cast<double>(rows) * 10 * static_cast<double>(text) / 1e6);
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

// The strings and sheet of a one-sheet book, its sheet part given.
std::string BookWith(const std::string& sheet, const std::string& strings) {
  const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                           "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
  return BuildZip({{"_rels/.rels", kRootRels},
                   {"xl/workbook.xml", Workbook(1, 1)},
                   {"xl/_rels/workbook.xml.rels", rels},
                   {"xl/worksheets/sheet1.xml", sheet},
                   {"xl/strings.xml", strings}});
}

// Entities of `levels` levels, each ten of the one below; the lowest is `text`.
std::string Entities(const std::string& root, const std::string& text, int levels) {
  std::string doctype = "<!DOCTYPE " + root + " [<!ENTITY e0 \"" + text + "\">";
  for (int level = 1; level < levels; ++level)
    doctype += "<!ENTITY e" + std::to_string(level) + " \"" + Repeat("&e" + std::to_string(level - 1) + ";", 10) + "\">";
  return doctype + "]>";
}

// The parser's own guard lets entities expand a hundred times the bytes it has read directly, so these
// books first give it blank space that packs a thousandfold.

// About 18 KB: 1,200 shared texts of entities, each 1.2 MB once expanded (1.4 GB all told), after 17 MB
// of blank space.
const TBomb& EntityTexts() {
  static const TBomb bomb = [] {
    const std::string strings = "<?xml version=\"1.0\"?>" + Entities("sst", "TP-1 10/0.4 ", 6) + "<sst>" +
                                std::string(17000000, ' ') + Repeat("<si><t>&e5;</t></si>", 1200) + "</sst>";
    const std::string sheet = "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData></worksheet>";
    return Write("entity-texts.xlsx", BookWith(sheet, strings), 1200.0 * 12e5 / 1e6);
  }();
  return bomb;
}

// About 9 KB: a sheet whose 8,000 rows are entities of 10,000 empty cells each (80 million cells),
// after 8 MB of blank space.
const TBomb& EntityCells() {
  static const TBomb bomb = [] {
    const std::string sheet = "<?xml version=\"1.0\"?>" + Entities("worksheet", "<c/>", 5) + "<worksheet><sheetData>" +
                              std::string(8000000, ' ') + Repeat("<row>&e4;</row>", 8000) + "</sheetData></worksheet>";
    return Write("entity-cells.xlsx", BookWith(sheet, "<sst/>"), 8000 * 4e4 / 1e6);
  }();
  return bomb;
}

void OpenFirstSheet(const std::string& path);

void BM_RefuseEntityTexts(benchmark::State& state) { Refuse(state, EntityTexts(), ReadBook); }
BENCHMARK(BM_RefuseEntityTexts)->Unit(benchmark::kMillisecond);

void BM_RefuseEntityTextsFirstSheetOnly(benchmark::State& state) { Refuse(state, EntityTexts(), OpenFirstSheet); }
BENCHMARK(BM_RefuseEntityTextsFirstSheetOnly)->Unit(benchmark::kMillisecond);

void BM_RefuseEntityCells(benchmark::State& state) { Refuse(state, EntityCells(), ReadBook); }
BENCHMARK(BM_RefuseEntityCells)->Unit(benchmark::kMillisecond);

// About 1.9 MB: a sheet of 190 MB of empty cells "<c/>", rows of a hundred, beside a picture: 48
// million cells that every reader would walk though nothing is kept of them.
const TBomb& EmptyCells() {
  static const TBomb bomb = [] {
    const std::string row = "<row>" + Repeat("<c/>", 100) + "</row>";
    const std::uint64_t rows = Sized(190u << 20) / row.size();
    const ZipStream sheet{"<worksheet><sheetData>", ld::test::kTrueSize, {{row, rows}, {"</sheetData></worksheet>", 1}}};
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/media/image1.png", 4});
    return Write("empty-cells.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {Rels(1)}, sheet, {Picture(1250u << 10)}}, entries),
                 static_cast<double>(rows * row.size()) / 1e6);
  }();
  return bomb;
}

void BM_RefuseEmptyCells(benchmark::State& state) { Refuse(state, EmptyCells(), ReadBook); }
BENCHMARK(BM_RefuseEmptyCells)->Unit(benchmark::kMillisecond);

void BM_RefuseEmptyCellsFirstSheetOnly(benchmark::State& state) { Refuse(state, EmptyCells(), OpenFirstSheet); }
BENCHMARK(BM_RefuseEmptyCellsFirstSheetOnly)->Unit(benchmark::kMillisecond);

// About 1.7 MB: 20,000 sheets, each its own part of one shared compressed stream: every sheet is
// found among 20,000 package entries. It is read, as any sound book of that many sheets is.
const TBomb& ManySheets() {
  static const TBomb bomb = [] {
    const int sheets = static_cast<int>(Sized(20000));
    std::vector<ZipEntry> entries = {{"_rels/.rels", 0}, {"xl/workbook.xml", 1}, {"xl/_rels/workbook.xml.rels", 2}};
    for (int i = 1; i <= sheets; ++i) entries.push_back({"xl/worksheets/sheet" + std::to_string(i) + ".xml", 3});
    const std::string sheet = "<worksheet><sheetData><row><c><v>1</v></c></row></sheetData></worksheet>";
    return Write("many-sheets.xlsx", BuildZip({{kRootRels}, {Workbook(sheets, sheets)}, {Rels(sheets)}, {sheet}}, entries),
                 sheets * static_cast<double>(sheet.size()) / 1e6);
  }();
  return bomb;
}

void ReadOrRefuse(benchmark::State& state, const TBomb& bomb, const std::function<void(const std::string&)>& read);

void BM_ManySheets(benchmark::State& state) { ReadOrRefuse(state, ManySheets(), ReadBook); }
BENCHMARK(BM_ManySheets)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

void OpenFirstSheet(const std::string& path) {
  ld::TSheetReader reader;
  reader.Open(path);
}

// The rows that the merged ranges below cover.
int MergedRows() { return 2 * static_cast<int>(Sized(19000)); }

// About 1.9 MB: a sheet of one cell and 380,000 merged ranges, two cells each, in twenty columns.
const TBomb& ManyMergedRanges() {
  static const TBomb bomb = [] {
    std::string merges = "<mergeCells>";
    const std::string columns = "ABCDEFGHIJKLMNOPQRST";
    for (int row = 1; row <= MergedRows(); row += 2)
      for (const char col : columns)
        merges += std::string("<mergeCell ref=\"") + col + std::to_string(row) + ":" + col + std::to_string(row + 1) + "\"/>";
    merges += "</mergeCells>";
    const std::string sheet = "<worksheet><sheetData><row><c><v>1</v></c></row></sheetData>" + merges + "</worksheet>";
    return Write("merged.xlsx", BuildZip({{kRootRels}, {Workbook(1, 1)}, {Rels(1)}, {sheet}}, kBookEntries),
                 static_cast<double>(sheet.size()) / 1e6);
  }();
  return bomb;
}

void BM_ManyMergedRangesFirstSheetOnly(benchmark::State& state) {
  ReadOrRefuse(state, ManyMergedRanges(), [](const std::string& path) {
    ld::TSheetReader reader;
    reader.Open(path);
    // every cell a range covers looked up once
    for (int row = 1; row <= MergedRows(); ++row)
      for (int col = 1; col <= 20; ++col) benchmark::DoNotOptimize(reader.Value(row, col));
  });
}
BENCHMARK(BM_ManyMergedRangesFirstSheetOnly)->Unit(benchmark::kMillisecond);

void BM_RefuseLyingSheet(benchmark::State& state) { Refuse(state, LyingSheet(), ReadBook); }
BENCHMARK(BM_RefuseLyingSheet)->Unit(benchmark::kMillisecond);

void BM_RefuseLyingSheetFirstSheetOnly(benchmark::State& state) { Refuse(state, LyingSheet(), OpenFirstSheet); }
BENCHMARK(BM_RefuseLyingSheetFirstSheetOnly)->Unit(benchmark::kMillisecond);

void BM_RefuseLyingDocument(benchmark::State& state) {
  Refuse(state, LyingDocument(), [](const std::string& path) { ld::DocxDocument::Open(path); });
}
BENCHMARK(BM_RefuseLyingDocument)->Unit(benchmark::kMillisecond);

// About 1.6 MB with honest headers: a document whose one table row holds 120 MB of empty cells (17
// million, a few gigabytes once each is kept), beside a picture.
const TBomb& EmptyDocumentCells() {
  static const TBomb bomb = [] {
    const std::uint64_t cells = Sized(120u << 20) / 7;
    const ZipStream part{"<w:document xmlns:w=\"w\"><w:body><w:tbl><w:tr>",
                         ld::test::kTrueSize,
                         {{"<w:tc/>", cells}, {"</w:tr></w:tbl></w:body></w:document>", 1}}};
    return Write("cells.docx",
                 BuildZip({part, {Picture(1400u << 10)}}, {{"word/document.xml", 0}, {"word/media/image1.png", 1}}),
                 static_cast<double>(cells) * 7 / 1e6);
  }();
  return bomb;
}

void BM_RefuseEmptyDocumentCells(benchmark::State& state) {
  Refuse(state, EmptyDocumentCells(), [](const std::string& path) { ld::DocxDocument::Open(path); });
}
BENCHMARK(BM_RefuseEmptyDocumentCells)->Unit(benchmark::kMillisecond);

// About 1.9 MB each: one part nesting 16 million elements (8 million paragraphs in a document's text),
// beside a picture that lets the file unpack that far: every element still open costs the parser
// memory, gigabytes before any other bound is reached. `unpacked_MB` is the nesting part's size.
enum class TDeepPart { Sheet, Strings, Book, DocumentText, DocumentRels };

const TBomb& DeepNesting(TDeepPart which) {
  const auto make = [which] {
    const std::uint64_t levels = Sized(which == TDeepPart::DocumentText ? 8000000 : 16000000);
    const std::string open = which == TDeepPart::DocumentText ? "<w:p>" : "<a>";
    const std::string close = which == TDeepPart::DocumentText ? "</w:p>" : "</a>";
    const auto nested = [&](const std::string& head, const std::string& tail) {
      return ZipStream{head, ld::test::kTrueSize, {{open, levels}, {close, levels}, {tail, 1}}};
    };
    const double partMB = static_cast<double>(levels * (open.size() + close.size())) / 1e6;
    const std::string picture = Picture(1750u << 10);
    if (which == TDeepPart::DocumentText || which == TDeepPart::DocumentRels) {
      const std::string rels =
          R"(<Relationships><Relationship Id="rId1" Type="x/officeDocument" Target="word/document.xml"/>)";
      const std::string text = "<w:document xmlns:w=\"w\"><w:body>";
      const bool inText = which == TDeepPart::DocumentText;
      const ZipStream relsPart = inText ? ZipStream{rels + "</Relationships>"} : nested(rels, "</Relationships>");
      const ZipStream textPart = inText ? nested(text, "</w:body></w:document>") : ZipStream{text + "</w:body></w:document>"};
      return Write(inText ? "deep-text.docx" : "deep-rels.docx",
                   BuildZip({relsPart, textPart, {picture}},
                            {{"_rels/.rels", 0}, {"word/document.xml", 1}, {"word/media/image1.png", 2}}),
                   partMB);
    }
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    const std::string book = Workbook(1, 1);
    const std::string sheet = "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c></row></sheetData></worksheet>";
    const std::string strings = "<sst><si><t>TP-1</t></si></sst>";
    const auto part = [&](TDeepPart kind, const std::string& whole, std::size_t tailAt) {
      return which == kind ? nested(whole.substr(0, tailAt), whole.substr(tailAt)) : ZipStream{whole};
    };
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/strings.xml", 4});
    entries.push_back({"xl/media/image1.png", 5});
    const char* name = which == TDeepPart::Sheet ? "deep-sheet.xlsx" : which == TDeepPart::Strings ? "deep-strings.xlsx" : "deep-book.xlsx";
    return Write(name,
                 BuildZip({{kRootRels},
                           part(TDeepPart::Book, book, book.size() - std::string("</workbook>").size()),
                           {rels},
                           part(TDeepPart::Sheet, sheet, sheet.size() - std::string("</worksheet>").size()),
                           part(TDeepPart::Strings, strings, strings.size() - std::string("</sst>").size()),
                           {picture}},
                          entries),
                 partMB);
  };
  static std::vector<std::optional<TBomb>> bombs(5);
  auto& bomb = bombs[static_cast<std::size_t>(which)];
  if (!bomb) bomb = make();
  return *bomb;
}

void OpenDocument(const std::string& path) { ld::DocxDocument::Open(path); }

void BM_RefuseDeepSheet(benchmark::State& state) { Refuse(state, DeepNesting(TDeepPart::Sheet), ReadBook); }
BENCHMARK(BM_RefuseDeepSheet)->Unit(benchmark::kMillisecond);

void BM_RefuseDeepSheetFirstSheetOnly(benchmark::State& state) {
  Refuse(state, DeepNesting(TDeepPart::Sheet), OpenFirstSheet);
}
BENCHMARK(BM_RefuseDeepSheetFirstSheetOnly)->Unit(benchmark::kMillisecond);

void BM_RefuseDeepTexts(benchmark::State& state) { Refuse(state, DeepNesting(TDeepPart::Strings), ReadBook); }
BENCHMARK(BM_RefuseDeepTexts)->Unit(benchmark::kMillisecond);

void BM_RefuseDeepBook(benchmark::State& state) { Refuse(state, DeepNesting(TDeepPart::Book), ReadBook); }
BENCHMARK(BM_RefuseDeepBook)->Unit(benchmark::kMillisecond);

void BM_RefuseDeepDocumentText(benchmark::State& state) {
  Refuse(state, DeepNesting(TDeepPart::DocumentText), OpenDocument);
}
BENCHMARK(BM_RefuseDeepDocumentText)->Unit(benchmark::kMillisecond);

void BM_RefuseDeepDocumentRels(benchmark::State& state) {
  Refuse(state, DeepNesting(TDeepPart::DocumentRels), OpenDocument);
}
BENCHMARK(BM_RefuseDeepDocumentRels)->Unit(benchmark::kMillisecond);

// A file under 2 MB read or refused, whichever its reader does, timed and then once more in a child for
// its peak memory; counter `refused` is 1 when it was refused.
void ReadOrRefuse(benchmark::State& state, const TBomb& bomb, const std::function<void(const std::string&)>& read) {
  const auto refused = [&] {
    try {
      read(bomb.path);
    } catch (const ld::Error&) {
      return true;
    }
    return false;
  };
  bool wasRefused = false;
  for (auto _ : state) wasRefused = refused();
  const ld::bench::TChildPeak child = ld::bench::RunInChild([&] { return refused() == wasRefused; });
  if (!ld::bench::CheckBound(state, child)) return;
  state.counters["file_KB"] = static_cast<double>(fs::file_size(bomb.path)) / 1024.0;
  state.counters["unpacked_MB"] = bomb.unpackedMB;
  state.counters["refused"] = wasRefused ? 1 : 0;
}

// About 1.9 MB with honest headers: a sheet whose one cell's start tag holds an attribute of 80 MB, and a
// table of texts whose one text sits in a comment of 80 MB. The parser scans a token that its piece
// leaves unfinished again from the token's start, so the reading must not cost the square of the token
// over the piece. Read or refused alike, the child first (stopped past the bound) and then timed.
const TBomb& LongTokens() {
  static const TBomb bomb = [] {
    const std::uint64_t length = Sized(80u << 20);
    const ZipStream sheet{"<worksheet><sheetData><row><c r=\"A1\" t=\"s\" x=\"", ld::test::kTrueSize,
                          {{"1", length}, {"\"><v>0</v></c></row></sheetData></worksheet>", 1}}};
    const ZipStream strings{"<sst><si><t>ТП-1</t></si><!--", ld::test::kTrueSize, {{" ", length}, {"--></sst>", 1}}};
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/strings.xml", 4});
    entries.push_back({"xl/media/image1.png", 5});
    return Write("long-tokens.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {rels}, sheet, strings, {Picture(1700u << 10)}}, entries),
                 2.0 * static_cast<double>(length) / 1e6);
  }();
  return bomb;
}

// About 1.9 MB with honest headers: a table of 5.3 million short texts (95 MB), a sheet naming the last,
// beside a picture: each text costs the parser a few steps and the table its bytes and one offset.
const TBomb& ManyTexts() {
  static const TBomb bomb = [] {
    const std::uint64_t texts = Sized(5300000);
    const std::string item = "<si><t>ТП-1</t></si>";
    const std::string sheet = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>" + std::to_string(texts - 1) +
                              "</v></c></row></sheetData></worksheet>";
    const ZipStream strings{"<sst>", ld::test::kTrueSize, {{item, texts}, {"</sst>", 1}}};
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/strings.xml", 4});
    entries.push_back({"xl/media/image1.png", 5});
    return Write("many-texts.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {rels}, {sheet}, strings, {Picture(1600u << 10)}}, entries),
                 static_cast<double>(texts * item.size()) / 1e6);
  }();
  return bomb;
}

void BM_ManyTexts(benchmark::State& state) { ReadOrRefuse(state, ManyTexts(), ReadBook); }
BENCHMARK(BM_ManyTexts)->Unit(benchmark::kMillisecond);

void BM_ManyTextsFirstSheetOnly(benchmark::State& state) { ReadOrRefuse(state, ManyTexts(), OpenFirstSheet); }
BENCHMARK(BM_ManyTextsFirstSheetOnly)->Unit(benchmark::kMillisecond);

void BM_LongTokens(benchmark::State& state) {
  const auto read = [] {
    try {
      ReadBook(LongTokens().path);
    } catch (const ld::Error&) {
    }
    return true;
  };
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin(read);
  if (!ld::bench::CheckBound(state, child)) return;
  for (auto _ : state) read();
  state.counters["file_KB"] = static_cast<double>(fs::file_size(LongTokens().path)) / 1024.0;
  state.counters["unpacked_MB"] = LongTokens().unpackedMB;
}
BENCHMARK(BM_LongTokens)->Unit(benchmark::kMillisecond);

void BM_DenseSheet(benchmark::State& state) { ReadOrRefuse(state, DenseSheet(), ReadBook); }
BENCHMARK(BM_DenseSheet)->Unit(benchmark::kMillisecond);

void BM_DenseSheetFirstSheetOnly(benchmark::State& state) { ReadOrRefuse(state, DenseSheet(), OpenFirstSheet); }
BENCHMARK(BM_DenseSheetFirstSheetOnly)->Unit(benchmark::kMillisecond);

// About 1.9 MB with honest headers: a sheet of 4.9 million boolean and error cells, rows of a hundred
// (TRUE and "#N/A" by turns), beside a picture. None is a value a reader can take: each is kept with its
// reason's text until a reader asks for it, and the book is refused past its budget or read.
const TBomb& UnreadableCells() {
  static const TBomb bomb = [] {
    const std::string row = "<row>" + Repeat("<c t=\"b\"><v>1</v></c><c t=\"e\"><v>#N/A</v></c>", 50) + "</row>";
    const std::uint64_t rows = Sized(49000);
    const ZipStream sheet{"<worksheet><sheetData>", ld::test::kTrueSize, {{row, rows}, {"</sheetData></worksheet>", 1}}};
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/media/image1.png", 4});
    return Write("unreadable-cells.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {Rels(1)}, sheet, {Picture(1400u << 10)}}, entries),
                 static_cast<double>(rows * row.size()) / 1e6);
  }();
  return bomb;
}

void BM_UnreadableCells(benchmark::State& state) { ReadOrRefuse(state, UnreadableCells(), ReadBook); }
BENCHMARK(BM_UnreadableCells)->Unit(benchmark::kMillisecond);

void BM_UnreadableCellsFirstSheetOnly(benchmark::State& state) { ReadOrRefuse(state, UnreadableCells(), OpenFirstSheet); }
BENCHMARK(BM_UnreadableCellsFirstSheetOnly)->Unit(benchmark::kMillisecond);

void BM_RefuseCopiedText(benchmark::State& state) { Refuse(state, CopiedText(), ReadBook); }
BENCHMARK(BM_RefuseCopiedText)->Unit(benchmark::kMillisecond);

void BM_CopiedTextFirstSheetOnly(benchmark::State& state) { ReadOrRefuse(state, CopiedText(), OpenFirstSheet); }
BENCHMARK(BM_CopiedTextFirstSheetOnly)->Unit(benchmark::kMillisecond);

// About 1.9 MB with honest headers: one number format whose code is 64 MB of zeros, named by 60,000 cell
// formats and a million cells beside a picture. Kept per cell format, compared per cell and rendered
// per value, the code costs gigabytes and minutes; a code past 255 characters is no program's, and the
// book is refused by both readers as the styles are read, and each value then read through the rules.
const TBomb& LongFormatCode() {
  static const TBomb bomb = [] {
    const std::uint64_t length = Sized(64u << 20), rows = Sized(10000);
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"x/styles\" Target=\"styles.xml\"/></Relationships>";
    const ZipStream sheet{"<worksheet><sheetData>",
                          ld::test::kTrueSize,
                          {{"<row>" + Repeat("<c s=\"1\"><v>7</v></c>", 100) + "</row>", rows},
                           {"</sheetData></worksheet>", 1}}};
    const ZipStream styles{"<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"",
                           ld::test::kTrueSize,
                           {{"0", length}, {"\"/></numFmts><cellXfs><xf/>", 1}, {"<xf numFmtId=\"164\"/>", Sized(60000)},
                            {"</cellXfs></styleSheet>", 1}}};
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/styles.xml", 4});
    entries.push_back({"xl/media/image1.png", 5});
    return Write("long-format.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {rels}, sheet, styles, {Picture(1700u << 10)}}, entries),
                 static_cast<double>(length + rows * 100 * 22) / 1e6);
  }();
  return bomb;
}

// The first sheet alone, each cell then taken through the rules as an import takes it.
void ReadFirstSheetValues(const std::string& path) {
  ld::TSheetReader reader;
  reader.Open(path);
  for (int row = 1; row <= reader.LastRow(); ++row)
    for (int col = 1; col <= 100; ++col) benchmark::DoNotOptimize(reader.Value(row, col).Name());
}

void BM_LongFormatCode(benchmark::State& state) { ReadOrRefuse(state, LongFormatCode(), ReadBook); }
BENCHMARK(BM_LongFormatCode)->Unit(benchmark::kMillisecond);

void BM_LongFormatCodeFirstSheetOnly(benchmark::State& state) {
  ReadOrRefuse(state, LongFormatCode(), ReadFirstSheetValues);
}
BENCHMARK(BM_LongFormatCodeFirstSheetOnly)->Unit(benchmark::kMillisecond);

}  // namespace

// The district imports over small files that once cost minutes or gigabytes, each refused (the run fails
// otherwise) within 1 GB and 5 s: the industrial subscriber import of a 1.99 MB workbook whose one text
// of 150 MB is named by 1,000 rows' stations, the same import of a legacy workbook whose one text of
// 65,535 characters is named by 65,000 cells, and a district network file of 5,000 rows that each list
// 999 transformers (233 KB). Counters as above; `unpacked_MB` is what the cells naming the text would
// copy, or for the network file the station rows it would make (millions).
namespace {

void SetLayouts() { ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr"; }

void ImportIndustrial(const std::string& path) {
  SetLayouts();
  ld::TSubscriberXlsRequest request;
  request.BaseStem = (WorkDir() / "Абоненты").string();
  request.Prom = true;
  request.PathProm = path;
  std::vector<std::string> info;
  ld::ImportSubscriberBasesXls(request, info);
}

// About 1.99 MB: rows 3 .. 1002 name, as their station, one shared text of 150 MB.
const TBomb& LongStationText() {
  static const TBomb bomb = [] {
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                             "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"strings.xml\"/></Relationships>";
    std::string sheet = R"(<worksheet><sheetData><row r="1"><c r="A1"><v>1</v></c></row><row r="2"><c r="A2"><v>2</v></c></row>)";
    for (int r = 3; r <= 1002; ++r) {
      const std::string row = std::to_string(r);
      sheet += "<row r=\"" + row + "\"><c r=\"A" + row + "\"><v>" + row + "</v></c><c r=\"F" + row + "\" t=\"s\"><v>0</v></c></row>";
    }
    sheet += "</sheetData></worksheet>";
    const std::uint64_t text = Sized(150u << 20);
    const ZipStream strings{"<sst><si><t>", ld::test::kTrueSize, {{"a", text}, {"</t></si></sst>", 1}}};
    std::vector<ZipEntry> entries = kBookEntries;
    entries.push_back({"xl/strings.xml", 4});
    entries.push_back({"xl/media/image1.png", 5});
    return Write("station.xlsx",
                 BuildZip({{kRootRels}, {Workbook(1, 1)}, {rels}, {sheet}, strings, {Picture(1790u << 10)}}, entries),
                 1000 * static_cast<double>(text) / 1e6);
  }();
  return bomb;
}

// About 1.2 MB: rows 3 .. 65002 name, in column 1, one shared text of 65,535 one-byte characters.
const TBomb& LegacyLongText() {
  static const TBomb bomb = [] {
    const std::string bof = XlsRecord(0x0809, XlsLittle(0x0600, 2) + XlsLittle(5, 2) + std::string(8, '\0'));
    // the text's characters go on in continuations, each opened by its option byte (one byte a character)
    std::string globals = bof + XlsRecord(0x0042, XlsLittle(1200, 2));
    const std::size_t chunk = 8000;
    std::string sst = XlsLittle(65000, 4) + XlsLittle(1, 4) + XlsLittle(65535, 2) + '\0' + std::string(chunk, 'a');
    globals += XlsRecord(0x00FC, sst);
    for (std::size_t done = chunk; done < 65535; done += chunk)
      globals += XlsRecord(0x003C, '\0' + std::string(std::min<std::size_t>(chunk, 65535 - done), 'a'));
    const std::size_t sheetAt = globals.size() + 4 + 9 + 4;  // the sheet entry, then the end
    globals += XlsRecord(0x0085, XlsLittle(sheetAt, 4) + XlsLittle(0, 2) + XlsLittle(1, 1) + '\0' + "S");
    globals += XlsRecord(0x000A, {});
    std::string sheet = XlsRecord(0x0809, XlsLittle(0x0600, 2) + XlsLittle(0x10, 2) + std::string(8, '\0'));
    for (unsigned r = 0; r < 2; ++r) {
      double one = 1;
      std::uint64_t bits = 0;
      std::memcpy(&bits, &one, 8);
      sheet += XlsRecord(0x0203, XlsLittle(r, 2) + XlsLittle(0, 2) + XlsLittle(0, 2) + XlsLittle(bits, 8));
    }
    for (unsigned r = 2; r < 65002; ++r)
      sheet += XlsRecord(0x00FD, XlsLittle(r, 2) + XlsLittle(0, 2) + XlsLittle(0, 2) + XlsLittle(0, 4));
    sheet += XlsRecord(0x000A, {});
    return Write("legacy.xls", ld::test::XlsContainer(globals + sheet), 65000.0 * 65535 / 1e6);
  }();
  return bomb;
}

// 233 KB: 5,000 rows, each to a station of its own with the list "999ТМ-1".
const TBomb& CrowdedNetworkFile() {
  static const TBomb bomb = [] {
    SetLayouts();
    const std::string path = (WorkDir() / "сеть.RS").string();
    ld::bench::Rows rows;
    for (int r = 1; r <= 5000; ++r)
      rows.push_back({"", "ТП-" + std::to_string(r - 1), "ТП-" + std::to_string(r), "", "", "", "", "999ТМ-1"});
    ld::bench::WriteRows(path, ld::LayoutDistrict10, rows);
    return TBomb{path, 5000.0 * 999 / 1e6};
  }();
  return bomb;
}

void BM_RefuseLongStationText(benchmark::State& state) { Refuse(state, LongStationText(), ImportIndustrial); }
BENCHMARK(BM_RefuseLongStationText)->Unit(benchmark::kMillisecond);

void BM_RefuseLegacyLongText(benchmark::State& state) { Refuse(state, LegacyLongText(), ImportIndustrial); }
BENCHMARK(BM_RefuseLegacyLongText)->Unit(benchmark::kMillisecond);

void BM_RefuseCrowdedNetworkFile(benchmark::State& state) {
  Refuse(state, CrowdedNetworkFile(), [](const std::string& path) {
    SetLayouts();
    ld::TBaseImport base;
    ld::ImportDistrictFiles({path}, (WorkDir() / "Сеть").string(), base);
  });
}
BENCHMARK(BM_RefuseCrowdedNetworkFile)->Unit(benchmark::kMillisecond);

}  // namespace
