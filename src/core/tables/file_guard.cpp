#include "core/tables/file_guard.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/settings.h"
#include "core/tables/file_io.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"

namespace ld {

namespace {

std::vector<std::string> SplitExtensions(const std::string& list) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    std::string ext = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    while (!ext.empty() && ext.front() == ' ') ext.erase(ext.begin());
    while (!ext.empty() && ext.back() == ' ') ext.pop_back();
    result.push_back(std::move(ext));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return result;
}

std::size_t LastDot(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  const std::size_t slash = fileName.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

}  // namespace

void CheckFileFree(const std::string& named, const TFileStamp& read) {
  if (named.empty()) return;
  const std::string fileName = FamilyFile(named);
  const TGuardUse use;
  EndStoppedTableSet(fileName);
  CheckLock(fileName);
  RefuseChangedSinceRead(fileName, read);
}

void LockTableFiles(const std::string& basePath, const std::string& extensions) {
  if (basePath.empty()) return;
  const TGuardUse use;
  // a table is locked by the name its file has (FamilyFile), as every reader and writer of it finds it
  std::vector<std::string> files;
  for (const auto& ext : SplitExtensions(extensions)) files.push_back(FamilyFile(basePath, ext));
  for (const auto& file : files) CheckFileFree(file, 0);
  std::vector<std::string> taken;
  for (const auto& file : files) {
    if (TakeUserLock(file)) {
      taken.push_back(file);
      continue;
    }
    const int error = errno;
    for (const std::string& done : taken) DropUserLock(done);
    if (error == EEXIST) {
      CheckFileFree(file, 0);  // names the user who got there first
      ThrowEdited(file, "");
    }
    throw Error("Ошибка записи файла \"" + fileio::FullFileName(LockName(file)) + "\": " + SystemErrorText(error));
  }
}

void UnlockTableFiles(const std::string& basePath, const std::string& extensions) {
  if (basePath.empty()) return;
  for (const auto& ext : SplitExtensions(extensions)) DropUserLock(FamilyFile(basePath, ext));
}

std::string RemoveExtension(const std::string& fileName) {
  const std::size_t dot = LastDot(fileName);
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string ExtractExtension(const std::string& fileName) {
  const std::size_t dot = LastDot(fileName);
  return dot == std::string::npos ? std::string() : fileName.substr(dot);
}

void DeleteFileIfExists(const std::string& fileName) { ::unlink(fileName.c_str()); }

}  // namespace ld
