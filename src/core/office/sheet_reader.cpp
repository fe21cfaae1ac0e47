#include "core/office/sheet_reader.h"

#include <utility>

namespace ld {

void TSheetReader::Open(const std::string& path) {
  Close();
  Workbook book = ReadWorkbook(path);
  // the later sheets are never read: only the first one is kept
  sheet_.emplace(book.sheets.empty() ? Worksheet() : std::move(book.sheets.front()));
  path_ = path;
}

void TSheetReader::Close() {
  sheet_.reset();
  path_.clear();
}

std::string TSheetReader::Cell(int row, int col) const {
  if (!sheet_ || row < 1 || col < 1) return {};
  return sheet_->CellText(row, col);
}

const std::string& TSheetReader::SheetName() const {
  static const std::string none;
  return sheet_ ? sheet_->Name() : none;
}

}  // namespace ld
