#include "core/base/import_number.h"

#include <cmath>

#include "core/base/numfmt.h"
#include "core/base/strings.h"

namespace ld {

std::string ImportNumberFault(double value) {
  if (ImportNumberFits(value)) return {};
  if (std::isnan(value)) return "значение не является числом";
  if (std::isinf(value)) return value > 0 ? "значение равно плюс бесконечности" : "значение равно минус бесконечности";
  return "число " + FloatToStrGeneral(value, 15) + " больше по модулю, чем вмещает столбец таблицы (" +
         FloatToStrGeneral(kLargestImportNumber, 8) + ")";
}

bool ImportNumberFits(double value) { return std::isfinite(value) && std::fabs(value) <= kLargestImportNumber; }

std::optional<double> ImportNumber(std::string_view text) {
  const std::optional<double> value = TryStrToFloatZ(text);
  if (!value || !ImportNumberFits(*value)) return std::nullopt;
  return value;
}

std::string SheetCellName(int row, int col) {
  std::string letters;
  for (int c = col; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row);
}

std::string ImportCellMessage(const std::string& file, const std::string& sheet, int row, int col,
                              const std::string& reason) {
  return "Ошибка чтения файла \"" + file + "\": лист \"" + sheet + "\", ячейка " + SheetCellName(row, col) + ": " +
         reason;
}

}  // namespace ld
