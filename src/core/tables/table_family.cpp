// The files of one base path taken together: creating, copying and deleting table files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
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

// ---- the record of a run of several tables ----

// Beside each table of a run of several tables lies, while the new versions take their places, the same
// record of the run: a line a table, "+" and the ending of the second name that keeps its old version
// (the table existed) or "-" (the run makes it), a tab and the table's name. A record found later means a
// run stopped between its renames. It holds names without folders: a shared folder is mounted elsewhere
// on each workstation, and a record, damaged or not, can name nothing outside its own folder.
std::string SetRecordName(const std::string& file) { return file + ".set~"; }

constexpr std::size_t kSetRecordLimit = std::size_t{1} << 16;

struct TSetEntry {
  std::string file;  // the folder as the caller named it, and the table's name
  std::string kept;  // where its old version is kept; empty for a table that the run makes
};

struct TSetRecord {
  std::string bytes;  // empty: there is no record
  std::vector<TSetEntry> tables;
};

std::string Quoted(const std::string& file) { return "\"" + fileio::FullFileName(file) + "\""; }

std::string FolderOf(const std::string& file) { return fs::path(file).parent_path().string(); }

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : (fs::path(folder) / name).string();
}

// ".old~", ".old2~" … ".old99~": the endings a run gives the second names of old versions.
std::string KeptEnding(int n) { return n == 1 ? ".old~" : ".old" + std::to_string(n) + "~"; }
constexpr int kKeptNames = 99;

bool IsKeptEnding(const std::string& ending) {
  for (int n = 1; n <= kKeptNames; ++n)
    if (ending == KeptEnding(n)) return true;
  return false;
}

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::string SetRecordText(const std::vector<std::pair<std::string, TDataFile*>>& files,
                          const std::vector<std::string>& kept) {
  std::string text;
  for (std::size_t k = 0; k < files.size(); ++k) {
    const std::string name = fs::path(files[k].first).filename().string();
    text += (kept[k].empty() ? std::string("-") : "+" + kept[k].substr(files[k].first.size())) + "\t" + name + "\n";
  }
  return text;
}

// The bytes of the record beside the file (none: empty), up to one past the most a record holds. False
// when it cannot be read.
bool ReadSetRecordBytes(const std::string& fileName, std::string& bytes) {
  bytes.clear();
  const fileio::TFd fd(::open(SetRecordName(fileName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.IsOpen()) return errno == ENOENT;
  char buffer[4096];
  for (ssize_t got; (got = ::read(fd.Get(), buffer, sizeof buffer)) != 0 && bytes.size() <= kSetRecordLimit;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

// The record beside the file, read as its run wrote it; none when it is gone. A record that is not one
// (damaged, or not naming the file it lies beside) is refused, naming it: what it would put back is unknown.
TSetRecord ReadSetRecord(const std::string& fileName) {
  const std::string path = SetRecordName(fileName);
  const auto damaged = [&path] {
    return Error("Ошибка чтения файла " + Quoted(path) + ": перечень таблиц прерванной записи поврежден");
  };
  TSetRecord record;
  if (!ReadSetRecordBytes(fileName, record.bytes) || record.bytes.size() > kSetRecordLimit) throw damaged();
  if (record.bytes.empty()) {
    if (fileio::FileExists(path)) throw damaged();
    return record;
  }
  const std::string folder = FolderOf(fileName);
  const std::string own = fs::path(fileName).filename().string();
  bool ownFound = false;
  for (std::size_t start = 0; start < record.bytes.size();) {
    const std::size_t end = record.bytes.find('\n', start);
    const std::size_t tab = record.bytes.find('\t', start);
    if (end == std::string::npos || tab == std::string::npos || tab > end) throw damaged();
    const std::string mark = record.bytes.substr(start, tab - start);
    const std::string name = record.bytes.substr(tab + 1, end - tab - 1);
    start = end + 1;
    if (!IsPlainName(name) || (mark != "-" && (mark.empty() || mark[0] != '+' || !IsKeptEnding(mark.substr(1)))))
      throw damaged();
    const std::string file = InFolder(folder, name);
    record.tables.push_back({file, mark == "-" ? std::string() : file + mark.substr(1)});
    ownFound = ownFound || name == own;
  }
  if (!ownFound) throw damaged();
  return record;
}

std::string FileList(const std::vector<TSetEntry>& tables) {
  std::string list;
  for (const TSetEntry& table : tables) list += (list.empty() ? "" : ", ") + Quoted(table.file);
  return list;
}

[[noreturn]] void ThrowNotRecovered(const std::vector<TSetEntry>& tables, const std::string& reason) {
  throw Error("Запись файлов " + FileList(tables) + " была прервана, и прежнее состояние файлов не восстановлено: " +
              reason);
}

// A write lock (as opposed to a user's) begins with the table signature: its write owns "<file>.new~".
bool WriteInProgress(const std::string& file) { return IsTableFile(file + "~"); }

// The free second name for the file's old version; the ones taken are old versions that a failed write
// could not put back (its message named them), and they stay: they join the list of those to name.
std::string FreeKeptName(const std::string& file, std::vector<std::pair<std::string, std::string>>& leftOvers) {
  for (int n = 1; n <= kKeptNames; ++n) {
    const std::string name = file + KeptEnding(n);
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0) return name;
    leftOvers.emplace_back(file, name);
  }
  return {};
}

}  // namespace

void RecoverTableSet(const std::string& fileName) {
  if (fileName.empty() || !fileio::FileExists(SetRecordName(fileName))) return;
  TSetRecord record = ReadSetRecord(fileName);
  // A run holds every table of its record in use until the record is gone, so a record still there once
  // all of them are held belongs to a run that will not finish. Read again then: it may have finished,
  // or another program may have put the tables back meanwhile.
  std::set<std::string> held;
  std::vector<std::unique_ptr<TInUseMark>> marks;
  for (bool more = true; more && !record.tables.empty();) {
    more = false;
    for (const TSetEntry& table : record.tables) {
      if (!held.insert(table.file).second) continue;
      more = true;
      marks.push_back(std::make_unique<TInUseMark>());
      if (!WaitFileAccess(table.file, *marks.back()))
        ThrowNotRecovered(record.tables, "файл " + Quoted(table.file) + " занят другой программой");
    }
    if (more) record = ReadSetRecord(fileName);
  }
  if (record.tables.empty()) return;
  // A table whose second name is gone was never replaced, or has been put back already: a recovery that
  // stops halfway is done again from its record.
  std::string failures;
  for (const TSetEntry& table : record.tables) {
    struct stat keptStat {}, fileStat {};
    std::string failure;
    if (!table.kept.empty()) {
      // A table not yet replaced is its second name: a rename between two names of one file does nothing.
      const bool keptThere = ::lstat(table.kept.c_str(), &keptStat) == 0;
      const bool same = keptThere && ::stat(table.file.c_str(), &fileStat) == 0 && keptStat.st_dev == fileStat.st_dev &&
                        keptStat.st_ino == fileStat.st_ino;
      if (keptThere && (same ? ::unlink(table.kept.c_str()) : ::rename(table.kept.c_str(), table.file.c_str())) != 0) {
        const std::string why = SystemErrorText(errno);
        failure = "прежняя версия файла " + Quoted(table.file) + " осталась в " + Quoted(table.kept) + " (" + why + ")";
      }
    } else if (::unlink(table.file.c_str()) != 0 && errno != ENOENT) {
      const std::string why = SystemErrorText(errno);
      failure = "файл " + Quoted(table.file) + " не удален (" + why + ")";
    }
    if (!failure.empty()) failures += (failures.empty() ? "" : "; ") + failure;
  }
  if (!failures.empty()) ThrowNotRecovered(record.tables, failures);
  for (const TSetEntry& table : record.tables) {
    if (!WriteInProgress(table.file)) DeleteFileIfExists(WriteTempName(table.file));
  }
  // Only the records of this run go; one of another content lies beside a table of another run.
  for (const TSetEntry& table : record.tables) {
    std::string bytes;
    if (ReadSetRecordBytes(table.file, bytes) && bytes == record.bytes) DeleteFileIfExists(SetRecordName(table.file));
  }
  marks.clear();
  ShowMsgForm("Запись файлов " + FileList(record.tables) + " была прервана; файлы возвращены в прежнее состояние",
              mkWarning, mbOk);
}

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

void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& files) {
  const std::size_t count = files.size();
  if (count == 0) return;
  for (const auto& file : files) {
    if (FolderOf(fileio::FullFileName(file.first)) != FolderOf(fileio::FullFileName(files[0].first)))
      throw std::invalid_argument("WriteTablesTogether: the tables of one run lie in one folder");
  }
  // A run of these tables stopped earlier is put back first: this one starts from a whole set.
  for (const auto& file : files) RecoverTableSet(file.first);
  // The temporary names end in "~" behind a second extension, as the table store's own helper files
  // do, so no walk over a base's files takes them for tables.
  std::vector<std::string> temps;
  for (const auto& file : files) temps.push_back(WriteTempName(file.first));
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
  // replaced can be put back when a later one cannot be. A second name already taken holds an old version
  // that an earlier write could not put back: it is never overwritten, and the user hears of it.
  std::vector<std::string> kept(count);
  std::vector<std::pair<std::string, std::string>> leftOvers;
  std::vector<bool> existed(count, false);
  for (std::size_t k = 0; k < count; ++k) {
    existed[k] = fileio::FileExists(files[k].first);
    kept[k] = FreeKeptName(files[k].first, leftOvers);
    if (kept[k].empty() && existed[k]) {
      removeTemps();
      throw FileWriteError(files[k].first, "все имена для прежней версии файла заняты");
    }
    if (!existed[k]) kept[k].clear();
  }
  // The record of the run lies beside every table before the first of them is touched: a program killed
  // from here on leaves what the next use of any of them needs to put the whole set back.
  const std::string record = SetRecordText(files, kept);
  const auto removeRecords = [&files](std::size_t upTo) {
    for (std::size_t k = 0; k < upTo; ++k) DeleteFileIfExists(SetRecordName(files[k].first));
  };
  const auto removeKept = [&kept](std::size_t upTo) {
    for (std::size_t k = 0; k < upTo; ++k)
      if (!kept[k].empty()) DeleteFileIfExists(kept[k]);
  };
  for (std::size_t k = 0; k < count; ++k) {
    try {
      TFileReplacement file(SetRecordName(files[k].first));
      if (!file.Write(record)) file.Fail();
      file.Commit();
    } catch (const TFileError& e) {
      removeRecords(k);
      removeTemps();
      throw FileWriteError(files[k].first, e.Reason());
    }
  }
  for (std::size_t k = 0; k < count; ++k) {
    if (!existed[k]) continue;
    const std::string failure = KeepOldFile(files[k].first, kept[k]);
    if (!failure.empty()) {
      removeKept(k + 1);
      removeTemps();
      removeRecords(count);
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
    for (std::size_t j = k; j < count; ++j)
      if (!kept[j].empty()) DeleteFileIfExists(kept[j]);
    removeTemps();
    removeRecords(count);
    const TFileError failure = FileWriteError(files[k].first, SystemErrorText(error));
    if (notBack.empty()) throw failure;
    throw TFileError(std::string(failure.what()) + notBack, failure.Reason() + notBack);
  }
  // Every new table is in place: the records go first, since a record found beside a second name
  // would put that old version back over a set that is whole. A program killed before the second
  // names are gone leaves them to be named to the user.
  removeRecords(count);
  removeKept(count);
  marks.clear();
  if (!leftOvers.empty()) {
    std::string text;
    for (const auto& [file, name] : leftOvers)
      text += (text.empty() ? "" : "\n") + std::string("Прежняя версия файла ") + Quoted(file) + " осталась в " +
              Quoted(name) + " и не удалена";
    ShowMsgForm(text, mkWarning, mbOk);
  }
}

TTableRenamer SetTableRenamer(TTableRenamer renamer) {
  TTableRenamer previous = std::move(Renamer());
  Renamer() = std::move(renamer);
  return previous;
}

}  // namespace ld
