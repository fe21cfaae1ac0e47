#pragma once
// What the subscriber imports share: storing a value into a column whatever type its layout gives it,
// the numbers of the sources with their checks, the texts of dBase and workbook sources that the tables
// must hold, the progress of a walk over records or rows, and the key a name is compared by.
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/base/dynarray.h"
#include "core/district/base_import.h"
#include "core/office/dbf_table.h"
#include "core/office/sheet_reader.h"
#include "core/tables/layout.h"

namespace ld {

// The fault of one record of a source: its row keeps what was read before it.
class TRecordError : public Error {
public:
  using Error::Error;
};

// Columns that a layout may declare as a string ("s"), an inline string ("t") or a number of any width.
void PutText(TDynamicArray* column, int row, std::string_view text);
void PutNumber(TDynamicArray* column, int row, double value);
// The Windows-1251 code of a character ("?" when it has none; 0 stays 0).
char CharCode(char32_t c);
// The first character of a text, 0 for the empty text.
char32_t FirstChar(std::string_view text);

// A number or an integer of a source as the tolerant parser reads it; TRecordError when it is none or
// does not fit the column (integers: lo..hi).
double SourceNumber(std::string_view text);
int SourceInteger(std::string_view text, int lo, int hi);

// A text of a source that the tables cannot hold: the import stops, its message names the file.
class TSourceTextError : public Error {
public:
  using Error::Error;
};

// The text of a field of a dBase source's current record. A text that the tables cannot hold as it reads
// (a base kept in another code page than its header tells comes in as characters without a Windows-1251
// code) would be written with "?" in their place, and different names would become one: it refuses the
// import (TSourceTextError naming the file, the record and the field).
std::string DbfText(const TDbfTable& dbf, int field);

// The longest text a field of these layouts' tables holds, in characters: the widest of their text
// columns, as the layouts give it.
int LongestTextField(std::initializer_list<const char*> layouts);
// The check a workbook import puts on the reader's texts (TSheetReader::SetTextCheck): a text longer
// than `longest` characters fits no field of the tables, and one that the tables cannot hold as it reads
// (a character without a Windows-1251 code) would be written with "?" in its place, different names
// becoming one. Either refuses the workbook, naming the file, the sheet and the cell.
TSheetTextCheck ImportTextCheck(int longest);

// Trimmed, upper-cased, Latin look-alikes made Cyrillic.
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
