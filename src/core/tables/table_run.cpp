#include "core/tables/table_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <utility>

#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/tables/held_file.h"
#include "core/tables/in_use_mark.h"
#include "core/tables/share_calls.h"
#include "core/tables/table_writer.h"

namespace ld {

namespace {

namespace fs = std::filesystem;

TTableRenamer& Renamer() {
  static TTableRenamer renamer;
  return renamer;
}

TRunStepHook& StepHook() {
  static TRunStepHook hook;
  return hook;
}

void Step(TRunStep step) {
  if (StepHook()) StepHook()(step);
}

// A new table takes its file's place.
bool PutInPlace(const std::string& temp, const std::string& file) {
  if (Renamer()) return Renamer()(temp, file);
  return ::rename(temp.c_str(), file.c_str()) == 0;
}

std::string Quoted(const std::string& file) {
  std::string quoted(1, '"');
  quoted += fileio::FullFileName(file);
  quoted += '"';
  return quoted;
}

// A second name of the old file: putting it back is then one rename, whatever room the disk has left.
// A file system without links (or that gives none to another account's file) gets a copy, of the
// file's mode and date: a copy of that date is the old version untouched (a new table is dated after
// it). The copy is made under a private name of its own and takes the second name only while that is
// free: a name taken since it was found free (by a link another account planted there) is somebody
// else's, never written through. Empty, or why the old file could not be kept.
std::string KeepOldFile(const std::string& file, const std::string& kept) {
  if (ShareCalls().hardLinks) {
    if (::link(file.c_str(), kept.c_str()) == 0) return {};
    if (errno == EEXIST) return SystemErrorText(EEXIST) + ": " + Quoted(kept);
  }
  const std::string linkFailure = SystemErrorText(ShareCalls().hardLinks ? errno : EPERM);
  const fileio::TFd in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  struct stat old {};
  if (!in.IsOpen() || ::fstat(in.Get(), &old) != 0) return linkFailure;
  std::string own;
  fileio::TFd copy(CreatePrivateFile(kept, old.st_mode & 07777, own));
  if (!copy.IsOpen()) return SystemErrorText(errno);
  const auto fail = [&own](int error) {
    ::unlink(own.c_str());
    return SystemErrorText(error != 0 ? error : EIO);
  };
  std::vector<char> buffer(1 << 16);
  for (ssize_t got; (got = ::read(in.Get(), buffer.data(), buffer.size())) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || !WriteFileBytes(copy.Get(), buffer.data(), static_cast<std::size_t>(got))) return fail(errno);
  }
  const timespec times[2] = {{0, UTIME_OMIT}, old.st_mtim};
  if (::futimens(copy.Get(), times) != 0 || ::fsync(copy.Get()) != 0 || !copy.Close()) return fail(errno);
  if (TakeFreeName(own, kept) != 0) {
    const int error = errno;
    ::unlink(own.c_str());
    return SystemErrorText(error) + (error == EEXIST ? ": " + Quoted(kept) : std::string());
  }
  return {};
}

// The lock that a run holds beside each of its tables while its records and commit mark live.
std::string LockOfTable(const std::string& file) { return file + "~"; }

constexpr std::size_t kSetRecordLimit = std::size_t{1} << 16;

std::string ParentOf(const std::string& file) { return fs::path(file).parent_path().string(); }

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

// The bytes of an open record, up to one past the most a record holds. False when it cannot be read.
bool ReadRecord(int fd, std::string& bytes) {
  bytes.clear();
  char buffer[4096];
  for (off_t at = 0; bytes.size() <= kSetRecordLimit;) {
    const ssize_t got = ReadAt(fd, buffer, sizeof buffer, at);
    if (got < 0) return false;
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
    at += got;
  }
  return true;
}

// The bytes of the file of that name; empty when there is none or it cannot be read.
std::string RecordBytes(const std::string& path) {
  const fileio::TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  std::string bytes;
  if (!fd.IsOpen() || !ReadRecord(fd.Get(), bytes)) bytes.clear();
  return bytes;
}

// The bytes of the commit mark's name taken by a program that puts a stopped run's set back: never a
// record's (those hold a tab), so that the run, were it only stalled, can no longer say it is done.
constexpr char kPutBackMark[] = "-\n";

Error Damaged(const std::string& record) {
  return Error("Ошибка чтения файла " + Quoted(record) + ": перечень таблиц прерванной записи поврежден");
}

// Holds a found record of the table whose holder is gone. Busy: its holder lives; Again: the name leads
// elsewhere by now.
enum class THoldResult { Held, Busy, Again };
THoldResult Hold(const std::string& path, int fd, const std::string& table) {
  const auto ask = [&path](const std::string& holder) {
    return "Запись нескольких таблиц, начатая программой " + holder + ", могла быть прервана (перечень " +
           Quoted(path) + "); работу этой программы отсюда проверить нельзя. " + kMayStillWork +
           " Завершить прерванную запись, если эта программа больше не работает?";
  };
  if (!HolderGone(path, fd, LockOfTable(table), ask)) return THoldResult::Busy;
  return IsStillNamed(path, fd) ? THoldResult::Held : THoldResult::Again;
}

// The copies "<kept>.XXXXXX~" of an old version that a run killed while it copied the file left, where
// the disk gives no second names.
void RemoveCopiesOf(const std::string& kept) {
  for (const std::string& path : PrivateNamesOf(kept)) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

// What is written is on the disk before the commit mark says so, whatever a power cut leaves.
void FlushFolder(const std::string& file) {
  const std::string folder = ParentOf(file);
  const fileio::TFd fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.IsOpen()) ::fsync(fd.Get());
}

}  // namespace

struct TTableRun::TTable {
  TWriteLock lock;   // the run's lock of the table's write; none under a lock of the caller's own
  std::string file;  // the folder as the caller named it, and the table's name
  std::string kept;  // where its old version is kept; empty for a table that the run makes
  std::string temp;  // the run's own temporary file of its new version, once written
  TDataFile* data = nullptr;
  const std::string* bytes = nullptr;  // a file that is not a table: its new bytes
  const TRunBytes* made = nullptr;     // or what makes them from the run's tables
  TFileStamp read;                     // and the file they were made from
  TFileStamp written;                  // the new table as written, its table's once the run is done
  // A file given without a table or bytes: the run removes it.
  bool Removed() const { return data == nullptr && bytes == nullptr; }
  TInUseMark mark;
  std::unique_ptr<fileio::TFd> record;  // this run's hold of the record beside the table
  // What the run put in the table's place: its new version's identity, or nothing for a table it removed.
  bool placed = false;
  dev_t placedDevice = 0;
  ino_t placedInode = 0;
  // and the moment its inode last changed: a table put back and written anew meanwhile may be given the
  // same inode number again, never the same change moment as well
  timespec placedChange{};
};

TRunStepHook SetTableRunStepHook(TRunStepHook hook) {
  TRunStepHook previous = std::move(StepHook());
  StepHook() = std::move(hook);
  return previous;
}

TTableRenamer SetTableRenamer(TTableRenamer renamer) {
  TTableRenamer previous = std::move(Renamer());
  Renamer() = std::move(renamer);
  return previous;
}

void CopyFileBytes(const std::string& source, const std::string& destination) {
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

void RecoverTableSet(const std::string& fileName) {
  if (!fileName.empty() && fileio::FileExists(RunRecordName(fileName))) TTableRun::Recover(fileName);
}

bool RecoverTableSetForRead(const std::string& fileName) {
  if (fileName.empty() || !fileio::FileExists(RunRecordName(fileName))) return false;
  return TTableRun::Recover(fileName, true, true);
}

void EndStoppedTableSet(const std::string& fileName) {
  if (!fileName.empty() && fileio::FileExists(RunRecordName(fileName))) TTableRun::Recover(fileName, false);
}

void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& files) {
  TTableRun::Write(files);
}

void WriteTablesTogether(const std::vector<std::pair<std::string, TDataFile*>>& tables,
                         const std::vector<TRunBytes>& files) {
  TTableRun::Write(tables, files);
}

void TakeWriteLockWaiting(TWriteLock& lock, const std::string& fileName, bool underOwn) {
  lock.Release();
  const std::string full = fileio::FullFileName(fileName);
  for (TAccessWait wait;;) {
    if (lock.Take(full)) return;
    if (errno != EEXIST) {
      const int error = errno;
      throw FileWriteError(full, SystemErrorText(error));
    }
    switch (LookAtLock(full)) {
      case TLockKind::None: continue;  // gone meanwhile, or its writer was: cleared
      case TLockKind::Own:
        if (underOwn) return;
        CheckLock(full);  // names this program's user
        continue;
      case TLockKind::User: CheckLock(full); continue;  // refused unless the user removes it
      case TLockKind::Stopped:
        EndStoppedTableSet(full);
        if (!fileio::FileExists(RunRecordName(full))) continue;
        [[fallthrough]];  // a run whose end another program is making
      case TLockKind::Writer:
        if (wait.Pause()) continue;
        throw FileWriteError(full, "файл занят другой программой");
    }
  }
}

// ---- the run ----

TTableRun::TTableRun() = default;

// Whatever way the run ends, its holds go with it: records it leaves are then known as a stopped run's.
// The write locks go last, once no record of the run is held any more.
TTableRun::~TTableRun() {
  for (const auto& table : tables_) table->record.reset();
  done_.reset();
  for (const auto& table : tables_) table->mark.Release();
  for (const auto& table : tables_) table->lock.Release();
}

std::string TTableRun::FileList() const {
  std::string list;
  for (const auto& table : tables_) list += (list.empty() ? "" : ", ") + Quoted(table->file);
  return list;
}

void TTableRun::Write(const std::vector<std::pair<std::string, TDataFile*>>& tables,
                      const std::vector<TRunBytes>& files) {
  if (tables.empty() && files.empty()) return;
  // One use, whichever table's files each step meets.
  const TGuardUse use;
  TTableRun run;
  const auto add = [&run](const std::string& file, TDataFile* data, const std::string* bytes, const TFileStamp& read) {
    if (!run.tables_.empty() &&
        ParentOf(fileio::FullFileName(file)) != ParentOf(fileio::FullFileName(run.tables_.front()->file)))
      throw std::invalid_argument("WriteTablesTogether: the tables of one run lie in one folder");
    auto table = std::make_unique<TTable>();
    // the family's own file of the kind, whatever the letter case of its name: never a second beside it
    table->file = FamilyFile(file);
    table->data = data;
    table->bytes = bytes;
    table->read = read;
    run.tables_.push_back(std::move(table));
  };
  for (const auto& [file, data] : tables) add(file, data, nullptr, {});
  for (const TRunBytes& one : files) {
    add(one.file, nullptr, &one.bytes, one.read);
    if (one.made) run.tables_.back()->made = &one;
  }
  // Before anything is made: a table this account may not replace or remove would stop the run at its
  // rename, with second names of another account's files made that nobody but their owner may remove.
  // Refused for what only another account may clear or replace, the run first clears what this
  // account's own killed programs left beside its set: nothing but this account may remove that.
  const auto clearOwn = [&run] {
    for (const auto& each : run.tables_) ClearOwnLeftOvers(each->file);
  };
  for (const auto& table : run.tables_) {
    if (const std::string why = NotReplaceable(table->file); !why.empty()) {
      clearOwn();
      throw FileWriteError(table->file, why);
    }
  }
  try {
    run.Run();
  } catch (const TNotRemovable&) {
    clearOwn();
    throw;
  }
}

void TTableRun::Run() {
  TakeLocks();
  Step(TRunStep::Locked);
  // Judged now that no other writer can replace a table of the set until this run ends: a write that
  // held a lock of the set while the caller looked at its tables may have replaced one since.
  for (const auto& table : tables_)
    if (table->data != nullptr || table->bytes != nullptr)
      RefuseChangedSinceRead(table->file, table->data != nullptr ? table->data->FileDate : table->read);
  // The temporary tables are the run's own, under private names of its own: what a write that holds none
  // of these locks left there goes (a killed one's, or one whose lock a user removed), and they are
  // written without locks of their own, so nothing about them ever asks the user.
  try {
    for (const auto& table : tables_) {
      const std::string others = WriteTempName(table->file);
      for (const std::string& name : PrivateNamesOf(others)) ::unlink(name.c_str());
      ::unlink(others.c_str());
    }
    TRunBytes::TWritten written;
    for (const auto& table : tables_) {
      if (table->data != nullptr) {
        table->written = WriteTableTemporary(table->file, table->temp, *table->data);
        written.emplace_back(table->file, table->written);
      } else if (table->made != nullptr) {
        WriteBytesTemporary(table->file, table->temp, table->made->made(written));
      } else if (table->bytes != nullptr) {
        WriteBytesTemporary(table->file, table->temp, *table->bytes);
      } else {
        continue;
      }
      Step(TRunStep::TempWritten);
    }
  } catch (...) {
    RemoveTemps();
    throw;
  }
  // Every file is held against other reads and writes while the new versions take their places, as a
  // single write holds its file.
  for (const auto& table : tables_) {
    if (!WaitFileAccess(table->file, table->mark)) {
      RemoveTemps();
      throw FileWriteError(table->file, "файл занят другой программой");
    }
  }
  // Each old file keeps a second name until the run is over, so that the tables already replaced can be
  // put back when a later one cannot be. A second name already taken holds an old version that an
  // earlier write could not put back: it is never overwritten, and the user hears of it.
  for (const auto& table : tables_) {
    if (!fileio::FileExists(table->file)) continue;
    for (int n = 1; n <= kKeptNames && table->kept.empty(); ++n) {
      const std::string name = table->file + KeptEnding(n);
      struct stat st {};
      if (::lstat(name.c_str(), &st) != 0) {
        table->kept = name;
      } else if (S_ISREG(st.st_mode) && st.st_nlink == 1) {
        // An old version kept there has no other name. A link, a folder, or a second name of another file
        // or of the table itself (planted there) holds none: passed over without a word, never written.
        leftOvers_.emplace_back(table->file, name);
      }
    }
    if (table->kept.empty()) {
      RemoveTemps();
      throw FileWriteError(table->file, "все имена для прежней версии файла заняты");
    }
  }
  for (const auto& table : tables_) {
    const std::string name = fs::path(table->file).filename().string();
    if (table->kept.empty()) {
      record_ += '-';
    } else {
      record_ += '+';
      record_ += table->kept.substr(table->file.size());
    }
    record_ += '\t' + name + '\n';
  }
  LayRecords();
  KeepOldFiles();
  Step(TRunStep::RecordsLaid);
  Rename();
  Commit();
  for (const auto& table : tables_)
    if (table->data != nullptr) table->data->FileDate = table->written;
  Step(TRunStep::Committed);
  Finish();
  for (const auto& table : tables_) table->mark.Release();
  if (!leftOvers_.empty()) {
    std::string text;
    for (const auto& [file, name] : leftOvers_) {
      if (!text.empty()) text += '\n';
      text += "Прежняя версия файла " + Quoted(file) + " осталась в " + Quoted(name) + " и не удалена";
    }
    ShowMsgForm(text, mkWarning, mbOk);
  }
}

// Each table's write lock, taken in the order of the names, so that two runs of overlapping sets never
// wait for each other in turn. A run of a table stopped earlier is ended first, so that this one starts
// from a whole set and a killed run's records are read beside its own locks; and looked for again once
// the lock is held, since the run this one waited for may have been killed meanwhile.
void TTableRun::TakeLocks() {
  std::vector<TTable*> order;
  for (const auto& table : tables_) order.push_back(table.get());
  std::sort(order.begin(), order.end(), [](const TTable* a, const TTable* b) {
    return fileio::FullFileName(a->file) < fileio::FullFileName(b->file);
  });
  for (TTable* table : order) {
    RecoverTableSet(table->file);
    TakeWriteLockWaiting(table->lock, table->file, true);
    Step(TRunStep::LockTaken);
    RecoverTableSet(table->file);
  }
}

// The record lies beside every table before the first of them is touched, held until the run ends: a
// program killed from here on leaves what the next use of any of them needs to end the run. A commit
// mark left by an earlier run that ended halfway through its clean-up would say this one is done.
void TTableRun::LayRecords() {
  const std::string& first = tables_.front()->file;
  if (::unlink(CommitMarkName(first).c_str()) != 0 && errno != ENOENT) {
    const std::string why = SystemErrorText(errno);
    RemoveTemps();
    throw FileWriteError(first, why);
  }
  for (const auto& table : tables_) {
    auto fd = std::make_unique<fileio::TFd>(
        CreateHeldFile(RunRecordName(table->file), record_, LockOfTable(table->file)));
    if (!fd->IsOpen()) {
      const std::string why = errno == EEXIST ? "файл занят другой программой" : SystemErrorText(errno);
      RemoveRecords();
      RemoveTemps();
      throw FileWriteError(table->file, why);
    }
    table->record = std::move(fd);
    Step(TRunStep::RecordLaid);
  }
}

void TTableRun::KeepOldFiles() {
  for (std::size_t k = 0; k < tables_.size(); ++k) {
    if (tables_[k]->kept.empty()) continue;
    const std::string failure = KeepOldFile(tables_[k]->file, tables_[k]->kept);
    if (failure.empty()) continue;
    for (std::size_t j = 0; j < k; ++j)  // the failed one's second name is not the run's
      if (!tables_[j]->kept.empty()) ::unlink(tables_[j]->kept.c_str());
    RemoveTemps();
    RemoveRecords();
    throw FileWriteError(tables_[k]->file, failure);
  }
}

// Where the folder's locks fail, a user told that this program may still work may have taken it for a
// dead one: the run's records removed mean that another program ended the run (put back what it had
// done), a lock removed that this run must put back what it did itself. Either way nothing more of it
// takes a place.
bool TTableRun::RecordsStand() const {
  for (const auto& table : tables_)
    if (table->record && !IsStillNamed(RunRecordName(table->file), table->record->Get())) return false;
  return true;
}

bool TTableRun::LocksStand() const {
  for (const auto& table : tables_)
    if (table->lock.Held() && !table->lock.StillHeld()) return false;
  return true;
}

void TTableRun::CheckStillOwn(const std::string& file) {
  if (!RecordsStand()) {
    RemoveTemps();
    throw FileWriteError(file, kWriteTakenOver);
  }
  if (!LocksStand()) Undo(file, kWriteTakenOver);
}

void TTableRun::Rename() {
  for (const auto& table : tables_) {
    CheckStillOwn(table->file);
    errno = 0;
    // A table the run removes keeps its old version under the second name like any other, so putting
    // the set back gives it back.
    const bool removed = table->Removed();
    if (removed ? table->kept.empty() || ::unlink(table->file.c_str()) == 0 : PutInPlace(table->temp, table->file)) {
      struct stat st {};
      table->placed = !removed && ::lstat(table->file.c_str(), &st) == 0;
      table->placedDevice = st.st_dev;
      table->placedInode = st.st_ino;
      table->placedChange = st.st_ctim;
      Step(TRunStep::Renamed);
      continue;
    }
    const int error = errno != 0 ? errno : EIO;
    CheckStillOwn(table->file);
    Undo(table->file, SystemErrorText(error));
  }
}

// Every table in place: the commit mark makes the run done in one step. Up to it the run is put back
// (by this program or, once it is gone, by the next use of a table); after it, only finished.
void TTableRun::Commit() {
  const std::string& first = tables_.front()->file;
  FlushFolder(first);
  CheckStillOwn(first);
  Step(TRunStep::Committing);
  done_ = std::make_unique<fileio::TFd>(CreateHeldFile(CommitMarkName(first), record_, LockOfTable(first)));
  if (!done_->IsOpen()) {
    const int error = errno != 0 ? errno : EIO;
    // The name taken by a program that puts the set back, told that this one may have stopped: the set is
    // its to put back.
    if (error == EEXIST) {
      RemoveTemps();
      throw FileWriteError(first, kWriteTakenOver);
    }
    CheckStillOwn(first);
    Undo(first, SystemErrorText(error));
  }
  // A run stalled while it made its mark (a workstation suspended then) may have been put back meanwhile
  // by a program that then let the name go: what stands says so. A program that found the mark instead
  // ends the run as done and leaves every table as this run put it.
  if (!RecordsStand() || !LocksStand()) {
    for (const auto& table : tables_) {
      struct stat st {};
      const bool there = ::lstat(table->file.c_str(), &st) == 0;
      if (there == table->placed &&
          (!there || (st.st_dev == table->placedDevice && st.st_ino == table->placedInode &&
                      st.st_ctim.tv_sec == table->placedChange.tv_sec &&
                      st.st_ctim.tv_nsec == table->placedChange.tv_nsec)))
        continue;
      UnlinkIfSame(CommitMarkName(first), done_->Get());
      done_.reset();
      RemoveTemps();
      throw FileWriteError(first, kWriteTakenOver);
    }
  }
}

// The tables already replaced get their old files back. A table that cannot keeps its old version under
// its second name, and the message says where; the records stay then, so that the next use of a table
// of the set tries again and names what is left.
void TTableRun::Undo(const std::string& failed, const std::string& reason) {
  const std::vector<std::string> notBack = PutBack();
  RemoveTemps();
  const TFileError failure = FileWriteError(failed, reason);
  if (notBack.empty()) {
    RemoveRecords();
    throw failure;
  }
  std::string text;
  for (const std::string& one : notBack) text += "; " + one;
  throw TFileError(std::string(failure.what()) + text, failure.Reason() + text);
}

std::vector<std::string> TTableRun::PutBack(bool* changed) {
  std::vector<std::string> failures;
  bool putBack = false;
  for (const auto& table : tables_) {
    if (!table->kept.empty()) {
      // A table not yet replaced is its second name: a rename between two names of one file does nothing.
      struct stat keptStat {}, fileStat {};
      const bool keptThere = ::lstat(table->kept.c_str(), &keptStat) == 0;
      // Only a file is an old version: a link or a folder under the second name never takes a table's place.
      if (keptThere && !S_ISREG(keptStat.st_mode)) {
        failures.push_back("прежняя версия файла " + Quoted(table->file) + " не найдена: " + Quoted(table->kept) +
                           (S_ISDIR(keptStat.st_mode) ? " - папка, а не файл" : " - не файл"));
        continue;
      }
      const bool fileThere = ::stat(table->file.c_str(), &fileStat) == 0;
      const bool same = keptThere && fileThere && keptStat.st_dev == fileStat.st_dev && keptStat.st_ino == fileStat.st_ino;
      // A copy of the old version bears its date and size while the table is still the old one.
      const bool untouched = same || (keptThere && fileThere && keptStat.st_size == fileStat.st_size &&
                                      keptStat.st_mtim.tv_sec == fileStat.st_mtim.tv_sec &&
                                      keptStat.st_mtim.tv_nsec == fileStat.st_mtim.tv_nsec);
      if (keptThere &&
          (same ? ::unlink(table->kept.c_str()) : ::rename(table->kept.c_str(), table->file.c_str())) != 0) {
        const std::string why = SystemErrorText(errno);
        failures.push_back("прежняя версия файла " + Quoted(table->file) + " осталась в " + Quoted(table->kept) +
                           " (" + why + ")");
      } else if (keptThere && !untouched) {
        putBack = true;
      }
    } else if (::unlink(table->file.c_str()) == 0) {
      putBack = true;
    } else if (errno != ENOENT) {
      const std::string why = SystemErrorText(errno);
      failures.push_back("файл " + Quoted(table->file) + " не удален (" + why + ")");
    }
    Step(TRunStep::Restored);
  }
  if (changed != nullptr) *changed = putBack;
  return failures;
}

// The end of a run whose tables are all in place: the second names go, then the records, so that
// whatever is left of them at a kill still says the run is done. The commit mark goes before the last
// record: a record left alone is known as one that its run's killed program was removing (the other
// tables do not carry it, and the lock beside it is a dead one), and no mark outlives every record.
void TTableRun::Finish() {
  // Records removed meanwhile: another program, told that this one may still work, found the commit
  // mark and finished the run; the second names are its to remove.
  const bool own = RecordsStand();
  for (const auto& table : tables_)
    if (own && table->record && !table->kept.empty()) ::unlink(table->kept.c_str());
  RemoveRecords();
}

// The commit mark (or the name taken by a program that put the set back) goes before the last record:
// none outlives every record.
void TTableRun::RemoveRecords() {
  std::size_t left = 0;
  for (const auto& table : tables_) left += table->record ? 1 : 0;
  if (left == 0) RemoveCommitMark();
  for (const auto& table : tables_) {
    if (!table->record) continue;
    if (--left == 0) RemoveCommitMark();
    UnlinkIfSame(RunRecordName(table->file), table->record->Get());
    table->record.reset();
    Step(TRunStep::RecordRemoved);
  }
}

void TTableRun::RemoveCommitMark() {
  const std::string mark = CommitMarkName(tables_.front()->file);
  if (done_ && done_->IsOpen()) {
    UnlinkIfSame(mark, done_->Get());
  } else {
    const fileio::TFd fd(::open(mark.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    std::string bytes;
    if (fd.IsOpen() && ReadRecord(fd.Get(), bytes) && (bytes == record_ || bytes == kPutBackMark))
      UnlinkIfSame(mark, fd.Get());
  }
}

void TTableRun::RemoveTemps() {
  for (const auto& table : tables_)
    if (!table->temp.empty()) ::unlink(table->temp.c_str());
}

// ---- a run found by its record ----

bool TTableRun::Recover(const std::string& fileName, bool wait, bool read) {
  const std::uint64_t answered = SaidMayWork();
  for (TAccessWait waiting;;) {
    {
      TTableRun run;
      switch (run.TakeStopped(fileName)) {
        case TFound::Gone: return false;
        case TFound::Again: continue;
        case TFound::Taken:
          try {
            run.EndStopped(fileName, read);
          } catch (const TNotRemovable& refused) {
            // A read may take the table as it stands, once the user knows why the set stays as it is; a
            // write never goes on beside a set that its owner may still put back over it.
            if (!read || ShowMsgForm(std::string(refused.what()) + ". Разрешить доступ к файлу " + fileName + " ?",
                                     mkWarning, mbYesNo) != 1)
              throw;
            return true;
          }
          return false;
        case TFound::Busy:
          if (!wait) return false;
          // The user said that the run's program may still work: the wait for it is spent, and the use is
          // refused without a second question.
          if (SaidMayWork() != answered) throw Error("Файл " + Quoted(fileName) + " занят другой программой");
          break;
      }
    }
    // A run that goes on is waited for as a table in use is; past the wait, "Да" reads the table as it
    // stands and leaves the run alone.
    switch (waiting.Next(fileName, "Файл " + fileName +
                                       " входит в запись нескольких таблиц, которая не закончена или была прервана: "
                                       "файлы этой записи могут быть в разных состояниях. Разрешить доступ к файлу ?")) {
      case TAccessWait::kAgain: continue;
      case TAccessWait::kAllowed: return true;
      case TAccessWait::kRefused: throw Error("Файл " + Quoted(fileName) + " занят другой программой");
    }
  }
}

// Holds the record beside the file and the same record beside each table it names, reading it as its
// run wrote it. A record that is not one (damaged, or not naming the file it lies beside) is refused,
// naming it: what it would put back is unknown. It holds names without folders: a shared folder is
// mounted elsewhere on each workstation, and a record, damaged or not, can name nothing outside its own
// folder.
TTableRun::TFound TTableRun::TakeStopped(const std::string& fileName) {
  const std::string path = RunRecordName(fileName);
  // A record that this account may only read (made by another account where the folder gives new files
  // no write for others, or by an earlier version) is judged and held through a shared lock.
  auto own = std::make_unique<fileio::TFd>(OpenToJudge(path));
  if (!own->IsOpen()) {
    if (errno == ENOENT) return TFound::Gone;
    throw Error("Ошибка чтения файла " + Quoted(path) + ": " + SystemErrorText(errno));
  }
  const std::string folder = ParentOf(fileName);
  const std::string ownName = fs::path(fileName).filename().string();
  TTable* ownTable = nullptr;
  const auto parse = [&] {
    if (!ReadRecord(own->Get(), record_) || record_.empty() || record_.size() > kSetRecordLimit) return false;
    std::set<std::string> names;
    for (std::size_t start = 0; start < record_.size();) {
      const std::size_t end = record_.find('\n', start);
      const std::size_t tab = record_.find('\t', start);
      if (end == std::string::npos || tab == std::string::npos || tab > end) return false;
      const std::string mark = record_.substr(start, tab - start);
      const std::string name = record_.substr(tab + 1, end - tab - 1);
      start = end + 1;
      if (!IsPlainName(name) || !names.insert(name).second ||
          (mark != "-" && (mark.empty() || mark[0] != '+' || !IsKeptEnding(mark.substr(1)))))
        return false;
      auto table = std::make_unique<TTable>();
      table->file = InFolder(folder, name);
      table->kept = mark == "-" ? std::string() : table->file + mark.substr(1);
      if (name == ownName) ownTable = table.get();
      tables_.push_back(std::move(table));
    }
    return ownTable != nullptr;
  };
  if (!parse()) {
    // A name claimed by a run that gives the record its bytes under a private name first (a folder
    // without an exclusive rename) is judged only while the claim bears the name: once the record took
    // it, or the run ended, it is looked for again.
    if (!IsStillNamed(path, own->Get())) return TFound::Again;
    // A record without bytes whose maker is gone: its run was killed while it made the record, before any
    // table was touched.
    if (RemoveIfHalfMade(path, LockOfTable(fileName))) return TFound::Again;
    if (!HolderGone(path, own->Get(), LockOfTable(fileName))) return TFound::Busy;
    if (!IsStillNamed(path, own->Get())) return TFound::Again;
    throw Damaged(path);
  }
  // The holds are taken in the record's order, the same for every program that ends the run, so that two
  // of them never keep each other out in turn.
  for (const auto& table : tables_) {
    const std::string record = RunRecordName(table->file);
    std::unique_ptr<fileio::TFd> fd;
    if (table.get() == ownTable) {
      fd = std::move(own);
    } else {
      fd = std::make_unique<fileio::TFd>(OpenToJudge(record));
      std::string bytes;
      if (!fd->IsOpen() || !ReadRecord(fd->Get(), bytes) || bytes != record_) {
        lacking_.push_back(table->file);
        continue;
      }
    }
    switch (Hold(record, fd->Get(), table->file)) {
      case THoldResult::Busy: return TFound::Busy;
      case THoldResult::Again: return TFound::Again;
      case THoldResult::Held: break;
    }
    table->record = std::move(fd);
  }
  return TFound::Taken;
}

// What ending the run would remove or replace, of what its program left (its records and commit mark,
// the second names of old versions) and, to put them back, its tables.
std::vector<std::string> TTableRun::ToRemove(bool tables) const {
  std::vector<std::string> paths{CommitMarkName(tables_.front()->file)};
  for (const auto& table : tables_) {
    if (table->record) paths.push_back(RunRecordName(table->file));
    if (!table->kept.empty()) paths.push_back(table->kept);
    if (tables) paths.push_back(table->file);
  }
  return paths;
}

void TTableRun::EndStopped(const std::string& fileName, bool read) {
  Step(TRunStep::RecordsTaken);
  if (RecordBytes(CommitMarkName(tables_.front()->file)) == record_) {
    Finish();
    ClearLeftOvers();
    RefuseLeftOvers(true, read);
    return;
  }
  // A stopped run left its record beside every table it names, from before its first rename: one that
  // the others do not carry was laid by a run killed before it laid them all (its lock, which it took
  // before its records, lies beside the table, and no table was touched), or it was copied here with its
  // table, or left by something else. The first goes silently; any other is not followed, and it goes
  // once the user has been told.
  if (!lacking_.empty() && HasDeadLock(fileName)) {
    RemoveRecords();
    ClearLeftOvers();
    RefuseLeftOvers(true, read);
    return;
  }
  if (!lacking_.empty()) {
    std::string list;
    for (const std::string& file : lacking_) list += (list.empty() ? "" : ", ") + Quoted(file);
    RemoveRecords();  // this one and the same beside the tables that do carry it
    RefuseLeftOvers(true, read);
    ShowMsgForm("Файл " + Quoted(RunRecordName(fileName)) +
                    " не является перечнем прерванной записи таблиц: его нет рядом с " +
                    (lacking_.size() == 1 ? "файлом " : "файлами ") + list +
                    ". Файлы таблиц не изменены, перечень удален",
                mkWarning, mbOk);
    return;
  }
  // Nothing of the set that this account may put back: told at once, without a wait for its tables.
  if (!MayPutBackAny()) RefuseLeftOvers(false, read);
  for (const auto& table : tables_) {
    if (!WaitFileAccess(table->file, table->mark))
      ThrowNotRecovered("файл " + Quoted(table->file) + " занят другой программой");
  }
  // Where the folder's locks fail, nothing kept another program from ending the run meanwhile.
  for (const auto& table : tables_)
    if (table->record && !IsStillNamed(RunRecordName(table->file), table->record->Get())) return;
  // The set goes back in one step that the run sees, were it only stalled before its mark (a workstation
  // suspended then, taken for a dead one): the mark's name is taken, so that the run can no longer say it
  // is done; a run that made its mark meanwhile is done, and is ended so.
  const std::string mark = CommitMarkName(tables_.front()->file);
  done_ = std::make_unique<fileio::TFd>(CreateHeldFile(mark, kPutBackMark, LockOfTable(tables_.front()->file)));
  if (!done_->IsOpen()) {
    if (errno != EEXIST) ThrowNotRecovered(SystemErrorText(errno));
    if (RecordBytes(mark) == record_) {
      Finish();
      ClearLeftOvers();
      RefuseLeftOvers(true, read);
      return;
    }
  }
  // What this account may put back goes back first; what it may not (another account's files in a
  // folder with the sticky bit) keeps the records, for that account's program to end the run.
  bool changed = false;
  std::string failures;
  for (const std::string& failure : PutBack(&changed)) failures += (failures.empty() ? "" : "; ") + failure;
  if (!failures.empty()) {
    RefuseLeftOvers(false, read);
    ThrowNotRecovered(failures);
  }
  // The records before the locks: a program killed in between leaves records that the dead locks
  // beside them tell as a killed program's.
  RemoveRecords();
  ClearLeftOvers();
  for (const auto& table : tables_) table->mark.Release();
  // Only where a table was not as before: a run stopped before its first table took its place changed
  // nothing the user saw.
  if (changed)
    ShowMsgForm("Запись файлов " + FileList() + " была прервана; файлы возвращены в прежнее состояние",
                mkWarning, mbOk);
  RefuseLeftOvers(true, read);
}

// Whether this account may do some of what puts the set back: remove a table's second name where the
// table was not replaced yet, put its old version back over it, or remove a table the run made; true
// as well where nothing is left to put back.
bool TTableRun::MayPutBackAny() const {
  bool left = false;
  for (const auto& table : tables_) {
    struct stat kept {}, file {};
    const bool fileThere = ::lstat(table->file.c_str(), &file) == 0;
    if (table->kept.empty()) {
      if (!fileThere) continue;
      if (MayRemove(table->file)) return true;
    } else {
      if (::lstat(table->kept.c_str(), &kept) != 0) continue;
      const bool same = fileThere && kept.st_dev == file.st_dev && kept.st_ino == file.st_ino;
      if (MayRemove(table->kept) && (same || !fileThere || MayRemove(table->file))) return true;
    }
    left = true;
  }
  return !left;
}

// Another account's files of the run that this account may not remove (a folder with the sticky bit)
// keep the run for that account's program, which ends it when it next opens a table of the set. The
// user is told so, and no file of the run is named for removal: removing some of them by hand leaves a
// set of tables of two writes that no next use can tell. With the set whole (every table as before the
// run, or as it made them), a read goes on beside the files left; a write is refused, since the owner's
// program will end the run over it.
void TTableRun::RefuseLeftOvers(bool whole, bool read) const {
  if (whole && read) return;
  std::vector<std::string> paths = ToRemove(!whole);
  for (const auto& table : tables_) paths.push_back(RunRecordName(table->file));
  std::string owner;
  for (const std::string& path : paths) {
    if (MayRemove(path, &owner)) continue;
    const std::string why = "эта папка позволяет удалить или заменить файлы этой записи только программе "
                            "пользователя \"" + owner + "\" или администратору; программа пользователя \"" + owner +
                            (whole ? "\" удалит их" : "\" вернет файлы в прежнее состояние") +
                            ", когда откроет любой из этих файлов";
    throw TNotRemovable(whole ? "Запись файлов " + FileList() + " была прервана: " + why : NotRecovered(why), why);
  }
}

// What the stopped run left besides its records: records and a commit mark it was killed making, the
// write locks of its tables, which its program held and nobody holds now, with their temporary tables,
// and the copies of old versions it was making. A live writer's lock and temporary table stay.
void TTableRun::ClearLeftOvers() {
  for (const auto& table : tables_) {
    RemoveIfHalfMade(RunRecordName(table->file), LockOfTable(table->file));
    RemoveDeadWrite(table->file);
    if (!table->kept.empty()) RemoveCopiesOf(table->kept);
  }
  RemoveIfHalfMade(CommitMarkName(tables_.front()->file), LockOfTable(tables_.front()->file));
}

std::string TTableRun::NotRecovered(const std::string& reason) const {
  return "Запись файлов " + FileList() + " была прервана, и прежнее состояние файлов не восстановлено: " + reason;
}

void TTableRun::ThrowNotRecovered(const std::string& reason) const { throw Error(NotRecovered(reason)); }

}  // namespace ld
