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
// The number of a text read whole, as every import reads one from an outside file: the text without what
// ImportName cuts from its ends, read by the tolerant parser ("." or "," for the decimal point; "" and
// "-" read 0), when a table may hold it. Nothing for a text that is no number as a whole (never the
// number of its first characters, nor of its digits with the rest left out) or a value that
// ImportNumberFault refuses. A file may hold a million texts that are no numbers: this costs no
// exception and no message for them.
std::optional<double> ImportNumber(std::string_view text);
// An integer within lo..hi read whole the same way ("" and "-" read 0); nothing otherwise.
std::optional<int> ImportInteger(std::string_view text, int lo, int hi);
// Why ImportNumber reads no number from the text (Russian), naming the text and the reason: a date or a
// time where a number is read, digits parted by blanks (thousands separators), the first character where
// the number stops, or a value no column holds; empty when it reads one. Made only for a message kept.
std::string ImportNumberTextFault(std::string_view text);
// The same for ImportInteger: also a number that is no integer, or none within lo..hi.
std::string ImportIntegerTextFault(std::string_view text, int lo, int hi);
// Whether a table may hold the value (ImportNumberFault is empty), without making the reason.
bool ImportNumberFits(double value);

// The spreadsheet name of a cell: row 5, column 2 is "B5".
std::string SheetCellName(int row, int col);

// 'Ошибка чтения файла "<file>": лист "<sheet>", ячейка <B5>: <reason>'.
std::string ImportCellMessage(const std::string& file, const std::string& sheet, int row, int col,
                              const std::string& reason);

}  // namespace ld
