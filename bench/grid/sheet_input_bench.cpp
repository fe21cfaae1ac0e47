// The grid's input of small workbooks whose column A is merged down, each within 1 GB and 5 s (the run
// fails otherwise): one of under 2 KB whose two ranges reach the sheet's last row gives the one row the
// sheet holds, where a row for every row a range covers would be a million rows grown one at a time; one
// of 1.8 MB with 16,384 titles in row 1 and one cell far right in each row gives every row, each row's
// own cells looked at once, never each of its title columns. Counters: the file's size, the rows taken,
// and the peak memory and time of one input in a child process.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_peak.h"
#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/office/table_sheet.h"
#include "core/tables/layout.h"
#include "support/zip_builder.h"
#include "work_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path& WorkDir() {
  static const ld::bench::TWorkDir dir("bench-sheet-input");
  return dir.path;
}

// A layout of two text columns under the workbook's titles, and the workbook.
struct TCase {
  std::string maket, workbook;
  int rows = 0;  // the rows the input must give
};

std::string Text(const std::string& ref, const std::string& t) {
  return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
}

TCase MakeCase(const std::string& name, const std::string& sheet, int rows) {
  TCase made{(WorkDir() / "maket.zr").string(), (WorkDir() / name).string(), rows};
  std::ofstream(made.maket, std::ios::binary)
      << ld::Utf8ToCp1251("Name=Ввод\r\nExtention=.BSI\r\nCount=2\r\nOrder=\r\n"
                          "s,100,20,0,1,1,0,0,Tp,ТП\r\ns,100,20,0,1,1,0,0,Meter,Счетчик\r\n");
  std::ofstream(made.workbook, std::ios::binary)
      << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, "", ""}));
  return made;
}

const TCase& MergedToTheEnd() {
  static const TCase c = MakeCase(
      "слитые.xlsx",
      "<worksheet><sheetData><row r=\"1\">" + Text("A1", "ТП") + Text("B1", "Счетчик") + "</row><row r=\"2\">" +
          Text("A2", "ТП-42") + Text("B2", "011070123456789") +
          "</row></sheetData><mergeCells count=\"2\"><mergeCell ref=\"A2:A1048576\"/>"
          "<mergeCell ref=\"B2:B1048576\"/></mergeCells></worksheet>",
      1);
  return c;
}

// Column A merged from row 2 down over every row, titles in all 16,384 columns of row 1 (the table's two
// first), and in each row below one number in the sheet's last column: every row holds data of its own.
const TCase& WideTitles() {
  static const TCase c = [] {
    constexpr int kRows = 360000;
    std::string sheet = "<worksheet><sheetData><row r=\"1\">" + Text("A1", "ТП") + Text("B1", "Счетчик");
    for (int col = 3; col <= 16384; ++col) sheet += "<c t=\"inlineStr\"><is><t>" + std::to_string(col) + "</t></is></c>";
    sheet += "</row><row r=\"2\">" + Text("A2", "ТП-42") + "<c r=\"XFD2\"><v>1</v></c></row>";
    for (int row = 3; row <= kRows + 1; ++row)
      sheet += "<row r=\"" + std::to_string(row) + "\"><c r=\"XFD" + std::to_string(row) + "\"><v>1</v></c></row>";
    sheet += "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A2:A" + std::to_string(kRows + 1) +
             "\"/></mergeCells></worksheet>";
    return MakeCase("заголовки.xlsx", sheet, kRows);
  }();
  return c;
}

// The rows the input gives the table, or -1 when it refused the book.
int InputRows(const TCase& c) {
  ld::MaketFileName = c.maket;
  ld::TDataFile table;
  ld::ReadMaket("Ввод", table);
  ld::CreateColumns(table, 0);
  try {
    ld::ImportWorkbookIntoTable(c.workbook, table);
  } catch (const ld::Error&) {
    return -1;
  }
  return table.RowCount;
}

void Input(benchmark::State& state, const TCase& c) {
  // the bound first, in a child that is stopped past it: a cost far past it fails the run in seconds
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin([&] { return InputRows(c) == c.rows; });
  if (!ld::bench::CheckBound(state, child)) return;
  int rows = 0;
  for (auto _ : state) rows = InputRows(c);
  if (rows != c.rows) {
    state.SkipWithError(("the input gave " + std::to_string(rows) + " rows, not the " + std::to_string(c.rows) +
                         " the sheet holds").c_str());
    return;
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(c.workbook)) / 1024.0;
  state.counters["rows"] = rows;
}

void BM_MergedColumnsGiveTheRowsHeld(benchmark::State& state) { Input(state, MergedToTheEnd()); }
BENCHMARK(BM_MergedColumnsGiveTheRowsHeld)->Unit(benchmark::kMillisecond);

void BM_WideTitlesOverAColumnMergedDown(benchmark::State& state) { Input(state, WideTitles()); }
BENCHMARK(BM_WideTitlesOverAColumnMergedDown)->Unit(benchmark::kMillisecond);

}  // namespace
