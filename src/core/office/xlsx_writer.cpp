#include <xlsxwriter.h>

#include <cmath>
#include <memory>
#include <string_view>

#include "core/base/classic_numbers.h"
#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/xlsx_file.h"

namespace ld {

namespace {

struct WorkbookCloser {
  void operator()(lxw_workbook* book) const { workbook_close(book); }
};

// Formats are owned by the workbook; this keeps the few combinations a sheet needs.
class Formats {
public:
  explicit Formats(lxw_workbook* book) : book_(book) {}

  lxw_format* For(const SheetCell& cell) {
    const bool date = cell.kind == CellKind::Date;
    const bool time = date && cell.number != std::floor(cell.number);
    const int key = (cell.bold ? 1 : 0) + (date ? (time ? 4 : 2) : 0);
    if (key == 0) return nullptr;
    if (!formats_[key]) {
      lxw_format* format = workbook_add_format(book_);
      if (cell.bold) format_set_bold(format);
      if (date) format_set_num_format(format, time ? "dd.mm.yyyy hh:mm:ss" : "dd.mm.yyyy");
      formats_[key] = format;
    }
    return formats_[key];
  }

private:
  lxw_workbook* book_;
  lxw_format* formats_[6] = {};
};

lxw_error WriteCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const SheetCell& cell,
                    lxw_format* format) {
  switch (cell.kind) {
    case CellKind::Text: return worksheet_write_string(sheet, row, col, office::ProtectXlsxEscapes(cell.text).c_str(), format);
    case CellKind::Number:
    case CellKind::Date:
      if (std::isfinite(cell.number)) return worksheet_write_number(sheet, row, col, cell.number, format);
      break;
    case CellKind::Empty: break;
  }
  return format ? worksheet_write_blank(sheet, row, col, format) : LXW_NO_ERROR;
}

// Sheet names may not hold []:*?/\ and have at most 31 characters; layout names such as
// "Формат РЭС (вводы п/ст)" are made fit instead of failing the whole workbook.
std::string SheetName(const std::string& name, int number) {
  std::string fit;
  for (const char c : name) fit += std::string_view("[]:*?/\\").find(c) == std::string_view::npos ? c : '_';
  fit = Utf8Left(fit, 31);
  return fit.empty() ? "Лист" + std::to_string(number) : fit;
}

}  // namespace

void WriteXlsx(const std::string& path, const Workbook& book) {
  WriteFileReplacing(path, [&book](const std::string& temp) {
    // the library prints cell values, page margins and widths with the C library
    const TClassicNumbers classic;
    std::unique_ptr<lxw_workbook, WorkbookCloser> handle(workbook_new(temp.c_str()));
    if (!handle) return false;
    Formats formats(handle.get());
    bool ok = true;
    int number = 0;
    for (const Worksheet& source : book.sheets) {
      ++number;
      const std::string name = SheetName(source.Name(), number);
      lxw_worksheet* sheet = workbook_add_worksheet(handle.get(), name.c_str());
      if (!sheet) {
        ok = false;
        break;
      }
      for (const auto& [pos, cell] : office::TRawSheet::CellsOf(source)) {
        if (pos.first < 1 || pos.second < 1 ||
            WriteCell(sheet, static_cast<lxw_row_t>(pos.first - 1), static_cast<lxw_col_t>(pos.second - 1),
                      cell, formats.For(cell)) != LXW_NO_ERROR) {
          ok = false;
          break;
        }
      }
      if (!ok) break;
    }
    if (book.sheets.empty()) ok = workbook_add_worksheet(handle.get(), nullptr) != nullptr;
    const lxw_error closed = workbook_close(handle.release());
    return ok && closed == LXW_NO_ERROR;
  });
}

}  // namespace ld
