#pragma once
// Legacy binary workbooks (.xls, BIFF5/BIFF8), read only.
#include <string>

#include "core/office/workbook.h"

namespace ld {

// Reads every worksheet of an .xls file: numbers, texts, dates and times (as serial days).
// Every length and offset of the file is checked: a damaged file fails with ld::Error
// 'Ошибка чтения файла "<path>": <reason>', never reads outside its bytes.
Workbook ReadXls(const std::string& path);

}  // namespace ld
