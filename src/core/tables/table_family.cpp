// The files of one base path taken together: creating, copying and deleting table files.
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/base/error.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {

namespace {

namespace fs = std::filesystem;

// The files "<base>.<ext>" of a base path, as paths built from it. A name that ends in "~" is a lock,
// a write in progress or an in-use marker; a name with a further point belongs to another base
// ("scheme.a.UZL" is a table of "scheme.a", not of "scheme").
std::vector<std::string> FamilyFiles(const std::string& basePath) {
  std::vector<std::string> files;
  const fs::path base(basePath);
  const std::string stem = base.filename().string();
  const fs::path folder = base.has_parent_path() ? base.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.back() == '~') continue;
    if (it->is_directory(ec)) continue;
    const std::string ext = ExtractExtension(name);
    if (ext.empty() || RemoveExtension(name) != stem) continue;
    files.push_back(basePath + ext);
  }
  return files;
}

}  // namespace

void CreateEmptyTableFile(const std::string& fileName, const std::string& layoutName, const std::string& title) {
  TDataFile table;
  ReadMaket(layoutName, table);
  CreateColumns(table, 0);
  table.Title = title;
  WriteTableFile(fileName, table);
}

void CopyTableFile(const std::string& source, const std::string& destination) {
  const std::string fullDestination = fileio::FullFileName(destination);
  if (fileio::FullFileName(source) == fullDestination) return;
  const std::string base = RemoveExtension(source);
  const std::string ext = ExtractExtension(source);
  LockTableFiles(base, ext);
  try {
    if (!fileio::FileExists(source)) {
      throw Error("Ошибка чтения файла \"" + fileio::FullFileName(source) + "\"");
    }
    if (IsTableFile(source)) {
      TDataFile table;
      ReadTableFile(source, table);
      table.Title = RemoveExtension(fullDestination);
      table.FileDate = 0;
      WriteTableFile(destination, table);
    } else {
      CopyFileBytes(source, destination);
    }
  } catch (...) {
    UnlockTableFiles(base, ext);
    throw;
  }
  UnlockTableFiles(base, ext);
}

void CopyTableFiles(const std::string& sourceBase, const std::string& destinationBase) {
  if (fileio::FullFileName(sourceBase) == fileio::FullFileName(destinationBase)) return;
  for (const std::string& file : FamilyFiles(sourceBase)) {
    const std::string ext = ExtractExtension(file);
    CopyTableFile(sourceBase + ext, destinationBase + ext);
  }
}

void DeleteTableFiles(const std::string& basePath) {
  // A run stopped halfway is put back first: its records and second names would otherwise outlive the
  // tables and bring the old set back over new tables of the same names.
  for (const std::string& file : FamilyFiles(basePath)) RecoverTableSet(file);
  const std::vector<std::string> files = FamilyFiles(basePath);
  // Every file is checked before the first goes, so a locked table keeps its whole family.
  for (const std::string& file : files) CheckFileFree(file, 0);
  for (const std::string& file : files) {
    TInUseMark mark;
    if (!WaitFileAccess(file, mark) || (::unlink(file.c_str()) != 0 && errno != ENOENT)) {
      throw Error("Ошибка удаления файла \"" + file + "\"");
    }
  }
}

}  // namespace ld
