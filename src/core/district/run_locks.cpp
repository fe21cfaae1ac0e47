#include "core/district/run_locks.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"

namespace ld {

TRunTableLocks::TRunTableLocks(std::string stem, std::string extensions) { Lock(std::move(stem), std::move(extensions)); }

TRunTableLocks::~TRunTableLocks() {
  try {
    Release();
  } catch (...) {
    // a lock that cannot be removed stays for the user to clear; the run's own outcome counts more
  }
}

void TRunTableLocks::Lock(std::string stem, std::string extensions) {
  if (held_) throw std::logic_error("TRunTableLocks: locks already held");
  LockTableFiles(stem, extensions);
  stem_ = std::move(stem);
  extensions_ = std::move(extensions);
  held_ = true;
}

void TRunTableLocks::Write(TDataFile& table) {
  if (held_) UnlockTableFiles(stem_, table.Extention);
  WriteTableFile(stem_ + table.Extention, table);
  if (held_) LockTableFiles(stem_, table.Extention);
}

void TRunTableLocks::WriteTogether(std::initializer_list<TDataFile*> tables) {
  std::vector<std::pair<std::string, TDataFile*>> files;
  for (TDataFile* table : tables) files.emplace_back(stem_ + table->Extention, table);
  WriteTablesTogether(files);
}

void TRunTableLocks::Release() {
  if (!held_) return;
  held_ = false;
  UnlockTableFiles(stem_, extensions_);
}

void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& files) {
  // The temporary names end in "~" behind a second extension, as the table store's own helper files
  // do, so no walk over a base's files takes them for tables.
  std::vector<std::string> temps;
  for (const auto& file : files) temps.push_back(file.first + ".new~");
  const auto removeTemps = [&temps](std::size_t from) {
    for (std::size_t k = from; k < temps.size(); ++k) DeleteFileIfExists(temps[k]);
  };
  try {
    removeTemps(0);
    for (std::size_t k = 0; k < files.size(); ++k) {
      files[k].second->FileDate = 0;
      WriteTableFile(temps[k], *files[k].second);
    }
  } catch (...) {
    removeTemps(0);
    throw;
  }
  // Every file is held against other reads and writes while the new versions take their places, as a
  // single write holds its file.
  std::vector<TInUseMark> marks(files.size());
  for (std::size_t k = 0; k < files.size(); ++k)
    if (!WaitFileAccess(files[k].first, marks[k])) {
      removeTemps(0);
      throw FileWriteError(files[k].first, "файл занят другой программой");
    }
  for (std::size_t k = 0; k < files.size(); ++k) {
    std::error_code ec;
    std::filesystem::rename(temps[k], files[k].first, ec);
    if (ec) {
      removeTemps(k);
      throw Error("Ошибка записи файла \"" + files[k].first + "\"");
    }
  }
}

std::string LayoutExtensions(std::initializer_list<const char*> layouts) {
  std::string list;
  for (const char* layout : layouts) {
    if (!list.empty()) list += ",";
    list += GetMaketExtention(layout);
  }
  return list;
}

}  // namespace ld
