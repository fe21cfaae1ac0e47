// The files of one base path taken together: creating, copying and deleting table files.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"

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

void CopyBytes(const std::string& source, const std::string& destination) {
  const fileio::TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.IsOpen()) throw Error("Ошибка чтения файла \"" + fileio::FullFileName(source) + "\"");
  TFileReplacement copy(fileio::FullFileName(destination));
  std::vector<char> buffer(1 << 16);
  for (ssize_t got; (got = ::read(in.Get(), buffer.data(), buffer.size())) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw Error("Ошибка чтения файла \"" + fileio::FullFileName(source) + "\"");
    if (!copy.Write(buffer.data(), static_cast<std::size_t>(got))) copy.Fail();
  }
  copy.Commit();
}

TTableRenamer& Renamer() {
  static TTableRenamer renamer;
  return renamer;
}

// A new table takes its file's place.
bool PutInPlace(const std::string& temp, const std::string& file) {
  if (Renamer()) return Renamer()(temp, file);
  return ::rename(temp.c_str(), file.c_str()) == 0;
}

// A second name of the old file: putting it back is then one rename, whatever room the disk has left.
// A file system without links gets a copy. Empty, or why the old file could not be kept.
std::string KeepOldFile(const std::string& file, const std::string& kept) {
  if (::link(file.c_str(), kept.c_str()) == 0) return {};
  const std::string linkFailure = SystemErrorText(errno);
  try {
    CopyBytes(file, kept);
    return {};
  } catch (const TFileError& e) {
    return e.Reason();
  } catch (const Error&) {
    return linkFailure;
  }
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
      CopyBytes(source, destination);
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

void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& files) {
  const std::size_t count = files.size();
  // The temporary names end in "~" behind a second extension, as the table store's own helper files
  // do, so no walk over a base's files takes them for tables.
  std::vector<std::string> temps, kept;
  for (const auto& file : files) {
    temps.push_back(WriteTempName(file.first));
    kept.push_back(file.first + ".old~");
  }
  const auto removeTemps = [&temps] {
    for (const std::string& temp : temps) DeleteFileIfExists(temp);
  };
  try {
    removeTemps();
    for (std::size_t k = 0; k < count; ++k) {
      files[k].second->FileDate = 0;
      try {
        WriteTableFile(temps[k], *files[k].second);
      } catch (const TFileError& e) {
        throw FileWriteError(files[k].first, e.Reason());
      }
    }
  } catch (...) {
    removeTemps();
    throw;
  }
  // Every file is held against other reads and writes while the new versions take their places, as a
  // single write holds its file.
  std::vector<TInUseMark> marks(count);
  for (std::size_t k = 0; k < count; ++k)
    if (!WaitFileAccess(files[k].first, marks[k])) {
      removeTemps();
      throw FileWriteError(files[k].first, "файл занят другой программой");
    }
  // Each old file keeps a second name until the last new table is in place, so that the tables already
  // replaced can be put back when a later one cannot be.
  std::vector<bool> existed(count, false);
  const auto removeKept = [&kept](std::size_t upTo) {
    for (std::size_t k = 0; k < upTo; ++k) DeleteFileIfExists(kept[k]);
  };
  for (std::size_t k = 0; k < count; ++k) {
    existed[k] = fileio::FileExists(files[k].first);
    DeleteFileIfExists(kept[k]);
    if (!existed[k]) continue;
    const std::string failure = KeepOldFile(files[k].first, kept[k]);
    if (!failure.empty()) {
      removeKept(k + 1);
      removeTemps();
      throw FileWriteError(files[k].first, failure);
    }
  }
  for (std::size_t k = 0; k < count; ++k) {
    errno = 0;
    if (PutInPlace(temps[k], files[k].first)) continue;
    const int error = errno != 0 ? errno : EIO;
    // The tables already replaced get their old files back. One that cannot keeps its old version under
    // the second name, and the message says where.
    std::string notBack;
    for (std::size_t j = k; j-- > 0;) {
      if (!existed[j]) {
        DeleteFileIfExists(files[j].first);
      } else if (::rename(kept[j].c_str(), files[j].first.c_str()) != 0) {
        notBack += "; прежняя версия файла \"" + files[j].first + "\" осталась в \"" + kept[j] + "\"";
      }
    }
    for (std::size_t j = k; j < count; ++j) DeleteFileIfExists(kept[j]);
    removeTemps();
    const TFileError failure = FileWriteError(files[k].first, SystemErrorText(error));
    if (notBack.empty()) throw failure;
    throw TFileError(std::string(failure.what()) + notBack, failure.Reason() + notBack);
  }
  removeKept(count);
}

TTableRenamer SetTableRenamer(TTableRenamer renamer) {
  TTableRenamer previous = std::move(Renamer());
  Renamer() = std::move(renamer);
  return previous;
}

}  // namespace ld
