#pragma once
// Legacy binary workbooks (.xls, BIFF5/BIFF8), read only.
#include <string>

#include "core/office/workbook.h"

namespace ld {

// ReadXls (sheet_raw_cells.h, the office layer's) reads every worksheet of an .xls file: numbers, texts,
// dates and times (as serial days), booleans (as 0 and 1) and formula results. Error values, and formulas whose result is the empty text in a sheet
// where no formula holds another result (a sheet never calculated), are kept as unreadable cells.
// Every length and offset of the file is checked: a damaged file fails with ld::Error
// 'Ошибка чтения файла "<path>": <reason>', never reads outside its bytes.

}  // namespace ld
