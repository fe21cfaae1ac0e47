#include <freexl.h>

#include <cstdio>

#include "core/base/error.h"
#include "core/office/xls_file.h"

namespace ld {

namespace {

class XlsHandle {
public:
  explicit XlsHandle(const std::string& path) {
    if (freexl_open(path.c_str(), &handle_) != FREEXL_OK) handle_ = nullptr;
  }
  ~XlsHandle() {
    if (handle_) freexl_close(handle_);
  }
  XlsHandle(const XlsHandle&) = delete;
  XlsHandle& operator=(const XlsHandle&) = delete;
  const void* Get() const { return handle_; }

private:
  const void* handle_ = nullptr;
};

// The library hands dates and times over as "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
bool ParseDateTime(const char* text, unsigned char type, double& serial) {
  int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
  if (type == FREEXL_CELL_TIME) {
    if (std::sscanf(text, "%d:%d:%d", &hh, &mm, &ss) != 3) return false;
    serial = (hh * 3600 + mm * 60 + ss) / 86400.0;
    return true;
  }
  const int fields = std::sscanf(text, "%d-%d-%d %d:%d:%d", &y, &m, &d, &hh, &mm, &ss);
  if (fields < 3 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  serial = DateSerial(y, m, d, hh, mm, ss);
  return true;
}

void StoreCell(Worksheet& sheet, int row, int col, const FreeXL_CellValue& value) {
  switch (value.type) {
    case FREEXL_CELL_INT: sheet.SetNumber(row, col, value.value.int_value); break;
    case FREEXL_CELL_DOUBLE: sheet.SetNumber(row, col, value.value.double_value); break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      if (value.value.text_value && *value.value.text_value) sheet.SetText(row, col, value.value.text_value);
      break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
      double serial = 0;
      if (!value.value.text_value) break;
      if (ParseDateTime(value.value.text_value, value.type, serial))
        sheet.SetDate(row, col, serial);
      else
        sheet.SetText(row, col, value.value.text_value);
      break;
    }
    default: break;
  }
}

}  // namespace

Workbook ReadXls(const std::string& path) {
  const Error failure("Ошибка чтения файла \"" + path + "\"");
  const XlsHandle xls(path);
  if (!xls.Get()) throw failure;
  unsigned int count = 0;
  if (freexl_get_info(xls.Get(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) throw failure;
  Workbook book;
  for (unsigned int index = 0; index < count && index <= 0xFFFF; ++index) {
    const auto sheetIndex = static_cast<unsigned short>(index);
    const char* name = nullptr;
    if (freexl_get_worksheet_name(xls.Get(), sheetIndex, &name) != FREEXL_OK ||
        freexl_select_active_worksheet(xls.Get(), sheetIndex) != FREEXL_OK)
      throw failure;
    Worksheet sheet(name ? name : "");
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(xls.Get(), &rows, &cols) != FREEXL_OK) throw failure;
    for (unsigned int r = 0; r < rows; ++r)
      for (unsigned short c = 0; c < cols; ++c) {
        FreeXL_CellValue value;
        if (freexl_get_cell_value(xls.Get(), r, c, &value) == FREEXL_OK)
          StoreCell(sheet, static_cast<int>(r) + 1, c + 1, value);
      }
    book.sheets.push_back(std::move(sheet));
  }
  return book;
}

}  // namespace ld
