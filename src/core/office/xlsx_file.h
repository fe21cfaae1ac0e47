#pragma once
// Workbooks as .xlsx files (Office Open XML spreadsheets).
#include <string>

#include "core/office/workbook.h"

namespace ld {

// Writes every sheet of the workbook; a sheet without a name gets "Лист<n>", characters that sheet
// names may not hold ([]:*?/\) become "_" and a name is cut to 31 characters. Dates carry the format
// "dd.mm.yyyy" ("dd.mm.yyyy hh:mm:ss" with a time), bold cells a bold font. Replaces an existing file.
// Fails with ld::Error 'Ошибка записи файла "<path>"'.
void WriteXlsx(const std::string& path, const Workbook& book);

// Reads every worksheet of an .xlsx file in the workbook's order: shared and inline strings, numbers,
// booleans (as 0 and 1), formula results, and dates (numbers whose cell format is a date format).
// Fails with ld::Error 'Ошибка чтения файла "<path>"'.
Workbook ReadXlsx(const std::string& path);

}  // namespace ld
