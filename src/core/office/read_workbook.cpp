#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/base/error.h"
#include "core/office/workbook.h"
#include "core/office/xls_file.h"
#include "core/office/xlsx_file.h"

namespace ld {

Workbook ReadWorkbook(const std::string& path) {
  const std::string prefix = "Ошибка чтения файла \"" + path + "\"";
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw Error(prefix + ": это папка, а не файл");
  // The contents decide, not the name: workbooks saved as ".xls" by newer programs are often .xlsx inside.
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(prefix + ": файл не открывается");
  char head[4] = {};
  if (!in.read(head, sizeof head)) throw Error(prefix + ": файл не является книгой электронной таблицы");
  if (head[0] == 'P' && head[1] == 'K') return ReadXlsx(path);
  return ReadXls(path);
}

}  // namespace ld
