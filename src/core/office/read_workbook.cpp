#include <fstream>

#include "core/base/error.h"
#include "core/office/workbook.h"
#include "core/office/xls_file.h"
#include "core/office/xlsx_file.h"

namespace ld {

Workbook ReadWorkbook(const std::string& path) {
  // The contents decide, not the name: workbooks saved as ".xls" by newer programs are often .xlsx inside.
  std::ifstream in(path, std::ios::binary);
  char head[4] = {};
  if (!in.read(head, sizeof head)) throw Error("Ошибка чтения файла \"" + path + "\"");
  if (head[0] == 'P' && head[1] == 'K') return ReadXlsx(path);
  return ReadXls(path);
}

}  // namespace ld
