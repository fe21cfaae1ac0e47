#pragma once
// What the subscriber imports share: storing a value into a column whatever type its layout gives it,
// the numbers of the sources with their checks, the texts of dBase and workbook sources that the tables
// must hold, the progress of a walk over records or rows, and the key a name is compared by.
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/dynarray.h"
#include "core/district/base_import.h"
#include "core/district/measure_sheet.h"
#include "core/office/dbf_table.h"
#include "core/office/sheet_reader.h"
#include "core/office/zip_part.h"
#include "core/tables/layout.h"

namespace ld {

// Columns that a layout may declare as a string ("s"), an inline string ("t") or a number of any width.
void PutText(TDynamicArray* column, int row, std::string_view text);
void PutNumber(TDynamicArray* column, int row, double value);
// The Windows-1251 code of a character ("?" when it has none; 0 stays 0).
char CharCode(char32_t c);
// The first character of a text, 0 for the empty text.
char32_t FirstChar(std::string_view text);

// A text of a source that the tables cannot hold: the import stops, its message names the file.
class TSourceTextError : public Error {
public:
  using Error::Error;
};

// The text of a field of a dBase source's current record, as every import takes a name (the field's value
// through TOutsideValue::Name: the blanks, tabs and line breaks at its ends are cut). A text that the tables cannot hold as it reads
// (a base kept in another code page than its header tells comes in as characters without a Windows-1251
// code) would be written with "?" in their place, and different names would become one; a control
// character left inside (a damaged record's, a length byte read as a letter, a tab of a billing export's
// address) would be stored unseen. Either
// refuses the import (TSourceTextError naming the file, the row and the field): `row` is the number the
// import's other messages give the record.
std::string DbfText(const TDbfTable& dbf, int field, int row);

// Whether a dBase source is of an import's kind: the fields that the import cannot do without (a station,
// a contract), looked up by name before any record is read. "поле <NAME> не найдено" for the first that
// the base lacks, the reason a base of other fields gives nothing; empty when it has them all.
std::string MissingDbfField(const TDbfTable& dbf, std::initializer_list<const char*> needed);

// The check a workbook import puts on the reader's texts (TSheetReader::SetTextCheck): a text longer
// than `longest` characters, not counting what ImportName cuts from its ends nor what joining its lines
// takes out (JoinCellLines), fits no field of the tables and refuses the workbook, naming the file, the
// sheet and the cell. Whether its characters have Windows-1251 codes is the name rule's to say, for the
// name it leaves (a number's text is read by the number rule).
TSheetTextCheck ImportTextCheck(int longest);

// A text field of a layout's table as an import fills it: its width in characters (CtrlSize) and its
// title, for the message.
struct TTextField {
  int Width = 0;
  std::string Title;
};
TTextField TextField(const TDataFile& layout, const char* field);

// Why the text does not go whole into the field ('текст "..." не поместится в поле "<title>": в поле не
// больше <n> символов, а в тексте <m>'); empty when it goes.
std::string FieldLengthFault(std::string_view text, const TTextField& field);
// Throws TCellTextError for cell (row, col) when the text has more characters than the field holds.
void CheckFieldFit(std::string_view text, const TTextField& field, int row, int col);
// Throws TCellTextError for cell (row, col) when the name (ImportName of the cell's text) holds a
// control character (ImportNameFault): a tab or a line break inside a stored name would make a station
// that no other table matches.
void CheckCellName(std::string_view name, int row, int col);
// The refusal of the reader's workbook for the cell: 'Ошибка чтения файла "<path>": лист "<sheet>",
// ячейка <B5>: <reason>'; for a sheet of another kind (TSheetKindError) 'Ошибка чтения файла "<path>":
// лист "<sheet>": <reason>'.
Error CellRefusal(const TSheetReader& sheet, const TCellTextError& e);

// What an import builds in memory from one file (rows of its own and of the tables it fills) is held to
// the bound that the reader puts on the file's cells: 32 MB and 200 bytes for each byte of the file, never
// more than the machine's memory. A file of two megabytes can name millions of cells, and each row taken
// from them costs far more than its cells; past the bound the file is refused: 'Ошибка чтения файла
// "<path>": строки таблиц из этого файла занимают в памяти больше <N> МБ (предел: ...)'.
office::TFileScaledBudget ImportBudget(const std::string& path);
// The bytes that one row of the layout's table takes in memory: each fixed element and each text's
// slot, the texts' characters aside.
std::size_t TableRowBytes(const TDataFile& layout);
// The bytes a string holds outside itself (none for a short one kept inside).
std::size_t HeapBytes(const std::string& text);

// A name as the imports take it (ImportName), upper-cased, Latin look-alikes made Cyrillic.
std::string StationKey(std::string_view text);

// Grows every column of the table (and its row marks) to hold rows rows at once, so that a walk that
// fills them row by row does not grow the arrays step by step.
void ReserveRows(TDataFile& table, int rows);

// The progress of a walk: step = total div 10 (total when that is 0); each time the counter has
// advanced by a step since the last report, the position moves on by step * 100 / total, rounded, and
// is reported (never beyond 100).
class TWalkProgress {
public:
  TWalkProgress(int total, TImportProgress report);
  void Advance(int counter);
  void Restart(int total);

private:
  TImportProgress report_;
  int total_ = 0, step_ = 0, last_ = 0, position_ = 0;
};

// The file name of a base's stem: the title of the tables the imports write.
std::string BaseTitle(const std::string& baseStem);

}  // namespace ld
