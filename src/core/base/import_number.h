#pragma once
// What an import from an outside file (a workbook, a binary graph file) takes as a number for a table:
// a finite value that every column of the tables can hold. The single-precision columns hold the least,
// so a value beyond them would turn into an infinity in the first result written from it.
#include <optional>
#include <string>
#include <string_view>

namespace ld {

// The largest magnitude an imported number may have (the largest single-precision value).
inline constexpr double kLargestImportNumber = 3.4028234663852886e38;

// Empty when the value may go into a table; otherwise why not (Russian).
std::string ImportNumberFault(double value);
// The number of a text by the tolerant parser ("" and "-" read 0) when a table may hold it; nothing for
// a text that is no number or a value that ImportNumberFault refuses. A file may hold a million texts that
// are no numbers: this costs no exception and no message for them.
std::optional<double> ImportNumber(std::string_view text);
// Whether a table may hold the value (ImportNumberFault is empty), without making the reason.
bool ImportNumberFits(double value);

// The spreadsheet name of a cell: row 5, column 2 is "B5".
std::string SheetCellName(int row, int col);

// 'Ошибка чтения файла "<file>": лист "<sheet>", ячейка <B5>: <reason>'.
std::string ImportCellMessage(const std::string& file, const std::string& sheet, int row, int col,
                              const std::string& reason);

}  // namespace ld
