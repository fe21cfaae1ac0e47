#pragma once
// Workbooks as .xlsx files (Office Open XML spreadsheets).
#include <string>

#include "core/office/workbook.h"

namespace ld {

// Writes every sheet of the workbook; a sheet without a name gets "Лист<n>", characters that sheet
// names may not hold ([]:*?/\) become "_" and a name is cut to 31 characters. Dates carry the format
// "dd.mm.yyyy" ("dd.mm.yyyy hh:mm:ss" with a time), bold cells a bold font. Replaces an existing file.
// The file is replaced only by a whole new workbook; fails with ld::TFileError
// 'Ошибка записи файла "<path>": <reason>', the old file left as it was.
void WriteXlsx(const std::string& path, const Workbook& book);

// ReadXls (sheet_raw_cells.h, the office layer's) reads every worksheet of an .xlsx file in the workbook's order: shared and inline strings, numbers,
// booleans (as 0 and 1), formula results, and dates (numbers whose cell format is a date format and
// whose value a calendar can show). Error values, and formulas without their results in a sheet where
// no formula holds one (a sheet never calculated), are kept as unreadable cells; a formula without its
// result in a calculated sheet gave the empty text. A workbook without its formats part is read without dates; parts
// may declare Windows-1251. Sheets and the table of texts are parsed as they are unpacked, so their size
// is bounded only by what the package may unpack to. Fails with ld::Error 'Ошибка чтения файла
// "<path>": <reason>', also for a cell reference that names no cell ("A0"), a number beyond the doubles
// ("1e999999"), a cell naming a text that the table of texts does not hold, a cell of two values, a
// boolean that is neither 0 nor 1, a text nested in another in the table of texts, a sheet entry whose
// part cannot be found or that has no relationship reference, relationships of one Id or of none, two
// package entries of one name in any letter case, a part that declares a document type (no entity is
// ever expanded), a part nesting deeper than 256 levels, a part that unpacks to more than its headers
// declare, and parts whose elements pass the bound that the file's size sets on the work of reading
// them. Each part is read by the structure its format gives it: an element of the part's own namespace
// where the format puts none (a cell after the sheet's data or among its merged cells, a value in a
// formula, a text outside <t>), a second of what comes once (a list of sheets, a cell or a row of one
// place), a cell whose reference names another row than its own, an inline text of a cell not typed
// "inlineStr", two parts related in a role that comes once (two tables of texts, two formats parts, two
// workbooks), a relationship out of the package followed, a part whose root is another element or of
// another namespace, and a part that begins with the byte-order mark of UTF-8 but declares another
// encoding are refused naming the part (or the sheet and the cell). What extension lists and elements of
// other namespaces hold is skipped whole.

namespace office {

// The texts of an .xlsx file write a character that XML cannot hold (a carriage return, a control
// character) as "_xHHHH_", four hex digits of either case, and an underscore that would start such an
// escape as "_x005F_": "Магазин_x005F_x0041_" is the text "Магазин_x0041_", "ИП_x000D_Щукин" holds a
// carriage return. A character past the first plane comes as its two halves; a half alone is no
// character, and its escape stays as written.
std::string DecodeXlsxEscapes(const std::string& text);
// The text as a file keeps it so that a reader takes it as written: each "_xHHHH_" of it escaped
// ("_x0041_" as "_x005F_x0041_"), not read as the "A" it looks like.
std::string ProtectXlsxEscapes(const std::string& text);

}  // namespace office

}  // namespace ld
