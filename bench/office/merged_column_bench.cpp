// A scan of a column merged from row 1 down to the sheet's last row, as the imports scan for the rows
// that hold data: whether each cell of the column shows nothing, for every one of the 1,048,576 rows. The
// range's value is a name padded with 32,000 blanks in a book of a few dozen KB, and 20,000 rows hold a
// number beside it; a look that walked the padding again for every row would cost the text's length
// 20,000 times. The open and the scan together run within 1 GB and 5 s (the run fails otherwise); the
// loop times the scan alone. Counters: the file's size, the text's length, the rows found showing the
// name, and the peak memory and time of one open and scan in a child process. A second case names one
// such text from a cell of every row.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_peak.h"
#include "core/base/error.h"
#include "core/office/sheet_reader.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPadding = 32000;
constexpr int kDataRows = 20000;
constexpr int kLastRow = 1048576;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-merged-column");
  return dir.path;
}

const std::string& Workbook() {
  static const std::string path = [] {
    const std::string made = (WorkDir() / "столбец.xlsx").string();
    std::string sheet = "<worksheet><sheetData>";
    for (int r = 1; r <= kDataRows; ++r) {
      const std::string row = std::to_string(r);
      sheet += "<row r=\"" + row + "\">";
      if (r == 1) sheet += "<c r=\"A1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + std::string(kPadding, ' ') + "ПС1</t></is></c>";
      sheet += "<c r=\"B" + row + "\"><v>" + row + "</v></c></row>";
    }
    sheet += "<row r=\"" + std::to_string(kLastRow) + "\"><c r=\"C" + std::to_string(kLastRow) +
             "\" t=\"inlineStr\"><is><t>итого</t></is></c></row></sheetData><mergeCells count=\"1\">"
             "<mergeCell ref=\"A1:A" + std::to_string(kLastRow) + "\"/></mergeCells></worksheet>";
    std::ofstream(made, std::ios::binary) << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, "", ""}));
    return made;
  }();
  return path;
}

// The rows of column 1 that show something: every row of data shows the name, the others nothing.
int ShowingRows(const ld::TSheetReader& reader) {
  int showing = 0;
  for (int row = 1; row <= reader.LastRow(); ++row)
    if (!reader.Blank(row, 1)) ++showing;
  return showing;
}

constexpr int kShowing = kDataRows + 1;  // the rows of numbers and the last row's total

bool OpenedAndScanned() {
  try {
    ld::TSheetReader reader;
    reader.Open(Workbook());
    return ShowingRows(reader) == kShowing;
  } catch (const ld::Error&) {
    return false;
  }
}

void BM_BlankDownAColumnMergedToTheLastRow(benchmark::State& state) {
  Workbook();
  // the bound first, in a child that is stopped past it: a cost far past it fails the run in seconds
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin(OpenedAndScanned);
  if (!ld::bench::CheckBound(state, child)) return;
  ld::TSheetReader reader;
  reader.Open(Workbook());
  for (auto _ : state) {
    if (ShowingRows(reader) != kShowing) {
      state.SkipWithError("the rows showing the merged name are not the rows of data");
      return;
    }
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(Workbook())) / 1024.0;
  state.counters["text_chars"] = kPadding + 3;
  state.counters["rows_scanned"] = kLastRow;
  state.counters["rows_showing"] = kShowing;
}
BENCHMARK(BM_BlankDownAColumnMergedToTheLastRow)->Unit(benchmark::kMillisecond);

// The same padded name as the book's one shared text, named by column 1 of each of the 20,000 rows: the
// open decides which rows hold data by what their cells show, and a walk of the padding for each cell
// would cost its length 20,000 times. Timed: the open and the scan of the 20,000 rows.
const std::string& SharedTextBook() {
  static const std::string path = [] {
    const std::string made = (WorkDir() / "общий текст.xlsx").string();
    std::string sheet = "<worksheet><sheetData>";
    for (int r = 1; r <= kDataRows; ++r) {
      const std::string row = std::to_string(r);
      sheet += "<row r=\"" + row + "\"><c r=\"A" + row + "\" t=\"s\"><v>0</v></c></row>";
    }
    sheet += "</sheetData></worksheet>";
    const std::string texts =
        "<sst count=\"1\" uniqueCount=\"1\"><si><t xml:space=\"preserve\">" + std::string(kPadding, ' ') + "ПС1</t></si></sst>";
    std::ofstream(made, std::ios::binary) << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, texts, ""}));
    return made;
  }();
  return path;
}

bool OpenedWithSharedText() {
  try {
    ld::TSheetReader reader;
    reader.Open(SharedTextBook());
    return ShowingRows(reader) == kDataRows;
  } catch (const ld::Error&) {
    return false;
  }
}

void BM_OpenRowsNamingOnePaddedText(benchmark::State& state) {
  SharedTextBook();
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin(OpenedWithSharedText);
  if (!ld::bench::CheckBound(state, child)) return;
  for (auto _ : state) {
    if (!OpenedWithSharedText()) {
      state.SkipWithError("the rows naming the text are not the rows read");
      return;
    }
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(SharedTextBook())) / 1024.0;
  state.counters["text_chars"] = kPadding + 3;
  state.counters["rows"] = kDataRows;
}
BENCHMARK(BM_OpenRowsNamingOnePaddedText)->Unit(benchmark::kMillisecond);

}  // namespace
