#pragma once
// A spreadsheet workbook as the system exchanges it: sheets of cells holding numbers, texts and dates.
// Files: .xlsx is written and read, the legacy .xls is read (see xlsx_file.h, xls_file.h).
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/outside_value.h"

namespace ld {

enum class CellKind { Empty, Number, Text, Date };

// Why a cell of a read workbook holds no value the program can take. The program computes no formula:
// a formula whose result its file does not hold (a program that writes workbooks without calculating
// them writes its formulas so) and an error value ("#DIV/0!", "#N/A") would otherwise read as an empty
// cell, that is as 0, without a word; a boolean (TRUE, =TRUE()) as 1. A formula of a book that asks to be
// recalculated when it is opened holds a result that the book itself disowns (libraries write 0 there, or
// what their caller said the formula gives). A number that its format does not show (a duration of 10^11
// days, NaN under a time format) has no text to be taken as.
// A text whose format repeats it past what a cell may show (@@@… of a long text) has no text to be taken
// as either. A cell of the date type whose text names no day of the calendar is no date, and no text
// either: it was meant as a date.
enum class UnreadableCell : std::uint8_t {
  FormulaWithoutResult, ErrorValue, BooleanValue, RecalculatedOnOpening, NotShownByFormat, TextBeyondFormat,
  NotADate
};

// The reason a message gives for such a cell: "формула без вычисленного значения: откройте книгу в
// табличной программе, пересчитайте ее (...) и сохраните", 'значение ошибки "#DIV/0!"' (value: the error as
// written), 'логическое значение "ИСТИНА"' (value: "ИСТИНА" or "ЛОЖЬ"), "книга требует пересчитать формулы
// при открытии (...): откройте книгу в табличной программе, пересчитайте ее (...) и сохраните", 'число "1E11" не показывается форматом ячейки (...)' (value: the number).
// For a text beyond its format the value is the format's number in its book; for a date type's text,
// 'текст "2026-13-01" ячейки типа "дата" не называет дня календаря (...)' (value: the text).
std::string UnreadableCellReason(UnreadableCell why, std::string_view value);
// Why a whole number is no name where its format shows it without some of its digits (value
// 123456789012, shown "1.23E+11"), with the way to show it whole.
std::string CutNumberReason(double value, std::string_view shown);
// 'Ошибка чтения файла "<file>": лист "<sheet>", ячейка <B5>: <reason>', the reason as above.
std::string UnreadableCellMessage(const std::string& file, const std::string& sheet, int row, int col,
                                  UnreadableCell why, std::string_view value);

struct SheetCell {
  CellKind kind = CellKind::Empty;
  // Number: the value. Date: the spreadsheet serial day (days since 30.12.1899, the fraction is the time).
  double number = 0;
  std::string text;  // Text (UTF-8)
  bool bold = false;  // the cell's font, as written
};

namespace office {
class TRawSheet;
}

// One sheet as the program writes it (TableToSheet, then WriteXlsx); rows and columns are numbered from
// 1, as a spreadsheet shows them. What a sheet holds is read back by the office layer alone
// (office::TRawSheet, sheet_raw_cells.h): it knows no number format and no merged range, so a command
// that read a user's workbook through it would take a meter shown "000011070123456" as 11070123456 and
// a duration shown "36:30" as a date. A command reads a user's workbook through TSheetReader, which
// shows each cell as the sheet does.
class Worksheet {
public:
  explicit Worksheet(std::string name = {}) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  void SetNumber(int row, int col, double value);
  void SetText(int row, int col, std::string text);
  void SetDate(int row, int col, double serial);
  void SetBold(int row, int col, bool bold = true);
  void Set(int row, int col, SheetCell cell);
  // A cell whose value cannot be read (value: an error value as the file writes it); a value stored
  // later at its place replaces it, as it replaces any cell.
  void SetUnreadable(int row, int col, UnreadableCell why, std::string value = {});

  // The sheet is hidden in its book: a person who opens the book does not see it.
  bool Hidden() const { return hidden_; }
  void SetHidden(bool hidden) { hidden_ = hidden; }

  // The file the sheet was read from, which the refusal of an unreadable cell names.
  const std::string& FileName() const { return file_; }
  void SetFileName(std::string file) { file_ = std::move(file); }

  // The largest row and column that hold a stored cell (0 for an empty sheet).
  int LastRow() const { return lastRow_; }
  int LastCol() const { return lastCol_; }

  using TUnreadable = std::pair<UnreadableCell, std::string_view>;

protected:

  // The cell at (row, col); an empty cell anywhere nothing was stored. Fails with ld::Error
  // (UnreadableCellMessage, naming FileName()) for a cell stored as unreadable: whatever reads a cell
  // (CellText, IsEmpty) names it so, and none takes it for an empty one.
  const SheetCell& Cell(int row, int col) const;
  // The cell as text: numbers in general format with 15 significant digits ("12.5", "1E-5", with the
  // decimal separator of FormatSettings), dates as DateSerialText gives them, texts as they are, empty
  // when empty.
  std::string CellText(int row, int col) const;
  // The cell as a value read from outside; an unreadable cell is a value every rule refuses with its
  // reason.
  TOutsideValue Value(int row, int col) const;
  bool IsEmpty(int row, int col) const { return Cell(row, col).kind == CellKind::Empty; }
  // Stored cells in row order, then column order; the unreadable ones apart, with why and their value
  // (each value kept once for the sheet and its copies: a million error cells hold a handful of texts).
  const std::map<std::pair<int, int>, SheetCell>& Cells() const { return cells_; }
  const std::map<std::pair<int, int>, TUnreadable>& UnreadableCells() const { return unreadable_; }

private:
  // the office layer's view of what a sheet holds (sheet_raw_cells.h), for its writer and its tests
  friend class office::TRawSheet;

  SheetCell& At(int row, int col);
  void Extend(int row, int col);

  std::string name_;
  std::string file_;
  bool hidden_ = false;
  std::map<std::pair<int, int>, SheetCell> cells_;
  std::map<std::pair<int, int>, TUnreadable> unreadable_;
  std::shared_ptr<std::set<std::string, std::less<>>> unreadableValues_;  // what the views above show
  int lastRow_ = 0;
  int lastCol_ = 0;
};

struct Workbook {
  std::vector<Worksheet> sheets;
};

// 'Ошибка чтения файла "<file>": первый лист книги "<sheet>" скрыт: ...': the refusal of a book whose first
// sheet, the one an import reads, is hidden (last month's data behind this month's visible sheet).
std::string HiddenFirstSheetMessage(const std::string& file, const std::string& sheet);
// 'Ошибка чтения файла "<file>": лист "<sheet>", первый в книге, читается, но таблицы на нем нет; таблица есть
// на листе "<table>": ...': the refusal of a book whose first sheet, the one an import reads, is
// empty or holds notes alone (a title, last month's remarks) while a later sheet holds a table.
std::string FirstSheetWithoutTableMessage(const std::string& file, const std::string& sheet, const std::string& table);

// Serial day of a calendar date and time (the spreadsheet's 1900 date system, 1.3.1900 onwards).
double DateSerial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Text of a serial day: "DD.MM.YYYY" and " HH:MM:SS" when the time is not 00:00:00; a value below one
// day is a time of no date (8:00 typed into a cell), "HH:MM:SS"; a serial outside 1.1.1900 .. 31.12.9999
// as a number in general format.
std::string DateSerialText(double serial);
// The text of a number or date cell as Worksheet::CellText gives it; empty for the other kinds.
// `dropsDigits` tells a whole number the general form shows without its digits (one past 2^53 shown
// "1.23456789012345E19"): no name of the cell's value.
std::string NumberCellText(CellKind kind, double value, bool* dropsDigits = nullptr);

// The names of the worksheets of a workbook file in its order, reading none of their cells (empty for
// a workbook without a worksheet). Fails as ReadWorkbook (sheet_raw_cells.h) does.
std::vector<std::string> ReadSheetNames(const std::string& path);

}  // namespace ld
