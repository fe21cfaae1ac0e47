// The grid's input of a small workbook (under 2 KB) whose two ranges are merged down two columns to the
// sheet's last row: it gives the one row the sheet holds, within 1 GB and 5 s (the run fails otherwise),
// where a row for every row a range covers would be a million rows grown one at a time. Counters: the
// file's size, the rows taken, and the peak memory and time of one input in a child process.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_peak.h"
#include "core/base/codepage.h"
#include "core/office/sheet_reader.h"
#include "core/tables/layout.h"
#include "gui/grid/sheet_exchange.h"
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
};

const TCase& Case() {
  static const TCase c = [] {
    TCase made{(WorkDir() / "maket.zr").string(), (WorkDir() / "слитые.xlsx").string()};
    std::ofstream(made.maket, std::ios::binary)
        << ld::Utf8ToCp1251("Name=Ввод\r\nExtention=.BSI\r\nCount=2\r\nOrder=\r\n"
                            "s,100,20,0,1,1,0,0,Tp,ТП\r\ns,100,20,0,1,1,0,0,Meter,Счетчик\r\n");
    const auto text = [](const std::string& ref, const std::string& t) {
      return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
    };
    const std::string sheet = "<worksheet><sheetData><row r=\"1\">" + text("A1", "ТП") + text("B1", "Счетчик") +
                              "</row><row r=\"2\">" + text("A2", "ТП-42") + text("B2", "011070123456789") +
                              "</row></sheetData><mergeCells count=\"2\"><mergeCell ref=\"A2:A1048576\"/>"
                              "<mergeCell ref=\"B2:B1048576\"/></mergeCells></worksheet>";
    std::ofstream(made.workbook, std::ios::binary)
        << ld::test::BuildZip(ld::test::OneSheetWorkbookParts({"Лист1", sheet, "", ""}));
    return made;
  }();
  return c;
}

// The rows the input gives the table, or -1 when it refused the book.
int InputRows() {
  ld::MaketFileName = Case().maket;
  ld::TDataFile table;
  ld::ReadMaket("Ввод", table);
  ld::CreateColumns(table, 0);
  ld::TSheetReader sheet;
  sheet.Open(Case().workbook);
  ld::gui::TSheetColumns columns;
  if (ld::gui::ReadSheetColumns(sheet, table, 1 << 21, Case().workbook, columns).Items == 0) return -1;
  ld::gui::SheetToTable(sheet, columns, table);
  return table.RowCount;
}

void BM_MergedColumnsGiveTheRowsHeld(benchmark::State& state) {
  Case();
  // the bound first, in a child that is stopped past it: a cost far past it fails the run in seconds
  const ld::bench::TChildPeak child = ld::bench::RunInChildWithin([] { return InputRows() == 1; });
  if (!ld::bench::CheckBound(state, child)) return;
  int rows = 0;
  for (auto _ : state) rows = InputRows();
  if (rows != 1) {
    state.SkipWithError(("the input gave " + std::to_string(rows) + " rows, not the one the sheet holds").c_str());
    return;
  }
  state.counters["file_KB"] = static_cast<double>(fs::file_size(Case().workbook)) / 1024.0;
  state.counters["rows"] = rows;
}
BENCHMARK(BM_MergedColumnsGiveTheRowsHeld)->Unit(benchmark::kMillisecond);

}  // namespace
