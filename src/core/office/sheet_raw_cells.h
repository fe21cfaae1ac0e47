#pragma once
// The texts of an open workbook's cells as the sheet reader keeps them, for the office layer and its
// tests only. No import reads through this: an import takes a cell as a value (TSheetReader::Value),
// through the rules of names, numbers and dates.
#include <string>

#include "core/office/sheet_reader.h"

namespace ld::office {

class TRawCells {
public:
  explicit TRawCells(const TSheetReader& sheet) : sheet_(sheet) {}
  std::string Cell(int row, int col) const { return sheet_.Cell(row, col); }
  bool CellNumber(int row, int col, double& value) const { return sheet_.CellNumber(row, col, value); }
  std::string UnreadableReason(int row, int col) const { return sheet_.UnreadableReason(row, col); }

private:
  const TSheetReader& sheet_;
};

}  // namespace ld::office
