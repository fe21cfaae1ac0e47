#include "core/district/import_net_workbooks.h"

#include <algorithm>
#include <cmath>

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/subscriber_cells.h"
#include "core/office/sheet_reader.h"
#include "core/office/workbook.h"

namespace ld {

namespace {

// A main-line row ends where the next row begins; a row with its own end node is a branch section.
void ReadRow(const TSheetReader& sheet, int r, const std::string& voltage, TImportLine& row,
             std::vector<TImportStation>& stations) {
  row.Un = voltage;
  row.Name1 = sheet.Cell(r, 1);
  if (const std::string end = sheet.Cell(r, 2); !end.empty()) {
    row.Name2 = end;
    row.Sign = U'+';
  } else {
    row.Name2 = sheet.Cell(r + 1, 1);
    row.Sign = U'П';
  }
  const double km = StrToFloatZ(sheet.Cell(r, 3));
  if (const std::string fault = ImportNumberFault(km); !fault.empty()) throw Error(fault);
  if (std::fabs(km) > 1e12) throw Error("длина " + FloatToStrGeneral(km, 15) + " км не является длиной линии");
  const std::int64_t metres = Round(km * 1000);
  if (const std::string mark = sheet.Cell(r, 4); !mark.empty()) row.KodLine = std::to_string(metres) + "*" + mark;
  if (row.Sign != U'+') return;
  const bool subscriber = sheet.Cell(r, 5) == "1";
  for (int i = 1; i <= 4; ++i) {
    const std::string power = sheet.Cell(r, 5 + i);
    if (power == "0") continue;
    TImportStation& station = stations.emplace_back();
    station.Name1 = row.Name2;
    station.Ntr = "Т" + std::to_string(i);
    station.Transform = "ТМ-" + power + "/" + voltage + "/0.4";
    if (subscriber) station.A = U'А';
  }
}

// The texts of a row, read before any of them is taken: one the tables cannot hold (too long, or with
// a character without a Windows-1251 code) refuses the workbook by its cell, instead of one row's
// message, since names written with "?" in place of characters could make two different names one.
void CheckRowTexts(const TSheetReader& sheet, int r) {
  for (int col = 1; col <= 9; ++col) sheet.Cell(r, col);
}

}  // namespace

void CheckNetWorkbooks(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    bool sheetless = false;
    try {
      sheetless = ReadSheetNames(file).empty();
    } catch (const Error&) {
      continue;
    }
    if (sheetless) throw Error("Ошибка чтения файла \"" + file + "\": в книге нет листов");
  }
}

int LastUsedRow(const std::function<std::string(int row)>& column) {
  int last = 0;
  for (int row = 1, empty = 0; empty < 10; ++row) {
    if (column(row).empty()) {
      ++empty;
    } else {
      empty = 0;
      last = row;
    }
  }
  return last;
}

void ImportNetWorkbooks(const std::vector<std::string>& files, const std::string& baseStem, TBaseImport& base,
                        const TImportProgress& progress) {
  base.Messages.clear();
  std::vector<TImportLine> lines;
  std::vector<TImportStation> stations;
  TSheetReader sheet;
  sheet.SetTextCheck(ImportTextCheck(LongestTextField({LayoutLines10, LayoutTransTP})));
  for (const std::string& file : files) {
    sheet.Open(file);
    const int last = LastUsedRow([&sheet](int row) { return sheet.Cell(row, 1); });
    const int step = last / 10 == 0 ? std::max(last, 1) : last / 10;
    int position = 0, reported = 0;
    if (progress) progress(0);
    const std::string voltage = sheet.Cell(1, 1);
    for (int r = 4; r <= last; ++r) {
      if (!sheet.Cell(r, 1).empty()) {
        CheckRowTexts(sheet, r);
        // the row stays as far as it was read; the message tells which one to look at
        TImportLine& row = lines.emplace_back();
        try {
          ReadRow(sheet, r, voltage, row, stations);
        } catch (const std::exception& e) {
          base.Messages.push_back("файл " + file + ", строка " + std::to_string(r) + ": " + e.what());
        }
      }
      if (r - reported >= step) {
        reported = r;
        position += 10;
        if (progress) progress(std::min(position, 100));
      }
    }
    sheet.Close();
  }
  MakeBaseTables(lines, stations, baseStem, base);
}

}  // namespace ld
