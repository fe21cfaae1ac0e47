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

void TRunTableLocks::WriteTogether(const std::vector<TDataFile*>& tables) {
  std::vector<std::pair<std::string, TDataFile*>> files;
  for (TDataFile* table : tables) files.emplace_back(stem_ + table->Extention, table);
  WriteTablesTogether(files);
}

void TRunTableLocks::Release() {
  if (!held_) return;
  held_ = false;
  UnlockTableFiles(stem_, extensions_);
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
