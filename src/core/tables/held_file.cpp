#include "core/tables/held_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <cstdint>
#include <map>
#include <set>
#include <string_view>
#include <tuple>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/tables/file_io.h"
#include "core/tables/file_modes.h"
#include "core/tables/share_calls.h"

namespace ld {

namespace {

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TWaitClock& WaitClock() {
  static TWaitClock clock = SteadySeconds;
  return clock;
}

TGuardStepHook& StepHook() {
  static TGuardStepHook hook;
  return hook;
}

void Step(TGuardStep step) {
  if (StepHook()) StepHook()(step);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool WriteRecord(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A shared lock through a descriptor open for reading, an exclusive one otherwise: either conflicts
// with the exclusive lock that every holder keeps.
short LockTypeFor(int fd) { return (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK; }

THolder Judge(const std::string& path, int fd, const std::string& makerLock, TLockRecord* holder, bool isPrivate);

THolder ByProcess(const TLockRecord& record, TLockRecord* holder) {
  if (holder != nullptr) *holder = record;
  if (!IsOfThisMachine(record)) return THolder::Unknown;
  return ProcessRuns(record.process) ? THolder::Lives : THolder::Gone;
}

// An empty name where the folder's locks fail: claimed by a maker whose private file of the name, whole
// before the claim was made, names it. Lives while one of them may; gone once none is left (a private
// file without bytes is nobody's: its maker makes another when it finds it gone).
THolder ByPrivateFiles(const std::string& path, TLockRecord* holder) {
  THolder verdict = THolder::Gone;
  for (const std::string& found : PrivateNamesOf(path)) {
    const fileio::TFd fd(OpenToJudge(found));
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || st.st_size == 0) continue;
    TLockRecord record;
    switch (Judge(found, fd.Get(), {}, &record, true)) {
      case THolder::Gone: break;
      case THolder::Lives: return THolder::Lives;
      case THolder::Unknown:
        verdict = THolder::Unknown;
        if (holder != nullptr) *holder = record;
        break;
    }
  }
  return verdict;
}

// isPrivate: a private file of a guard file's name, which only this version makes, held by its maker
// from before it has bytes unless its record says that it could not be: taken, it is gone.
THolder Judge(const std::string& path, int fd, const std::string& makerLock, TLockRecord* holder, bool isPrivate) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return THolder::Lives;
  const TLockAnswer answer = LockOf(fd, LockTypeFor(fd), path);
  if (answer == TLockAnswer::Held) return THolder::Lives;
  if (!makerLock.empty()) {
    if (answer == TLockAnswer::Taken) return THolder::Gone;
    const fileio::TFd lock(OpenToJudge(makerLock));
    if (!lock.IsOpen()) return errno == ENOENT ? THolder::Gone : THolder::Lives;
    return Judge(makerLock, lock.Get(), {}, holder, false);
  }
  const TLockRecord record = ReadLockRecord(fd);
  if (holder != nullptr) *holder = record;
  if (!record.readable) return THolder::Lives;
  if (st.st_size == 0) return answer == TLockAnswer::Taken ? THolder::Gone : ByPrivateFiles(path, holder);
  if (answer == TLockAnswer::Taken && (record.held || (isPrivate && !record.unheld))) return THolder::Gone;
  return ByProcess(record, holder);
}

// What one use of a table was told (TGuardUse): the files, by identity and the moment they were made (a
// file made later in its place is another), and the holders they name, that the user said may still
// work. Such a holder is neither waited for nor asked about again within the use, and the use is over.
using TFileKey = std::tuple<dev_t, ino_t, std::int64_t, long>;
struct TUseMemory {
  int depth = 0;
  std::set<TFileKey> files;
  // The files the user said within the use that their program is gone, with the lock that spoke for
  // one: a holder whose record names no process is known by nothing else.
  std::set<TFileKey> gone;
  std::set<std::string> holders;
  bool mayWork = false;
};
TUseMemory& Use() {
  static TUseMemory use;
  return use;
}

// How many such answers were given.
std::uint64_t& RefusalCount() {
  static std::uint64_t count = 0;
  return count;
}

// The holders the user said are gone, by what their records name: every other file of the same
// program (its other locks and marks, a run's records) goes without a second question.
std::set<std::string>& GoneHolders() {
  static std::set<std::string> gone;
  return gone;
}

std::string HolderKey(const TLockRecord& holder) {
  return holder.host + '\n' + holder.process + '\n' + holder.boot + '\n' + holder.pidSpace + '\n' + holder.user;
}

// The name of the table a guard file stands beside: "<table>~", "<table>.inuse~", "<table>.set~",
// "<table>.done~", "<table>.new~" and the private names of each.
std::string TableNameOf(const std::string& guard) {
  std::string name = std::filesystem::path(guard).filename().string();
  name.erase(std::min(name.find('~'), name.size()));
  for (const std::string_view ending : {".inuse", ".set", ".done", ".new"}) {
    if (name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
      name.erase(name.size() - ending.size());
      break;
    }
  }
  return name;
}

// The holder that the lock of a table names; empty where there is none or it names nobody.
std::string LockHolderKey(const std::string& lock) {
  const fileio::TFd fd(::open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.IsOpen()) return {};
  const TLockRecord record = ReadLockRecord(fd.Get());
  return record.process.empty() ? std::string() : HolderKey(record);
}

// The names of the tables that a run's record lists, one a line after a tab.
void AddRecordTables(const std::string& record, std::set<std::string>& tables) {
  const fileio::TFd fd(::open(record.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  char bytes[8192];
  const ssize_t got = fd.IsOpen() ? ReadAt(fd.Get(), bytes, sizeof bytes, 0) : -1;
  if (got <= 0) return;
  const std::string_view text(bytes, static_cast<std::size_t>(got));
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::size_t tab = text.find('\t', start);
    if (tab < end) tables.emplace(text.substr(tab + 1, end - tab - 1));
    start = end + 1;
  }
}

bool IsBesideTable(const std::string& name, const std::string& table) {
  return name.compare(0, table.size(), table) == 0 &&
         (name.size() == table.size() || name[table.size()] == '.' || name[table.size()] == '~');
}

// What a program at work on a table changes: the tables of its whole set, while it writes any of them,
// and every file beside them (their locks, marks, records, new versions and their private names), each by
// name, identity, size and time. The set is what the program's locks and its run's records show: the
// tables whose locks name the same holder as the table's own, and those that its records list.
std::string ActivityBeside(const std::string& guard) {
  namespace fs = std::filesystem;
  std::vector<std::pair<std::string, struct stat>> entries;
  std::error_code ec;
  const std::string folder = FolderOf(guard);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) == 0) entries.emplace_back(it->path().filename().string(), st);
  }
  const std::string own = TableNameOf(guard);
  std::set<std::string> tables{own};
  const std::string holder = LockHolderKey((fs::path(folder) / (own + "~")).string());
  for (const auto& [name, st] : entries) {
    if (!holder.empty() && name.size() > 1 && name.back() == '~' && name.find('~') == name.size() - 1 &&
        LockHolderKey((fs::path(folder) / name).string()) == holder)
      tables.insert(name.substr(0, name.size() - 1));
  }
  for (const std::set<std::string> found = tables; const std::string& table : found)
    AddRecordTables((fs::path(folder) / (table + ".set~")).string(), tables);
  std::vector<std::string> seen;
  for (const auto& [name, st] : entries) {
    if (std::none_of(tables.begin(), tables.end(), [&](const std::string& table) { return IsBesideTable(name, table); }))
      continue;
    seen.push_back(name + '\n' + std::to_string(st.st_ino) + ' ' + std::to_string(st.st_size) + ' ' +
                   std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec) + ' ' +
                   std::to_string(st.st_ctim.tv_sec) + '.' + std::to_string(st.st_ctim.tv_nsec));
  }
  std::sort(seen.begin(), seen.end());
  std::string all;
  for (const std::string& one : seen) all += one + '\n';
  return all;
}

// A holder that cannot be tested may be a program at work: it is watched as long as a live write lasts.
// True when nothing of its table changed meanwhile; false at the first change, or when the guard file
// went: its program lives, or has just ended.
bool StaysAsItWas(const std::string& guard, int fd) {
  const std::string before = ActivityBeside(guard);
  for (const double start = WaitClockNow(); WaitClockNow() - start < kLiveWriteSeconds;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!IsStillNamed(guard, fd) || ActivityBeside(guard) != before) return false;
  }
  return IsStillNamed(guard, fd);
}

TFileKey KeyOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, static_cast<std::int64_t>(st.st_ctim.tv_sec), st.st_ctim.tv_nsec};
}

bool AskGone(const std::string& path, int fd, const TLockRecord& holder, const TAskText& ask,
             const std::string& makerLock) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if (SaidGone(holder)) return true;
  const TGuardUse use;
  std::vector<TFileKey> keys{KeyOf(st)};
  if (struct stat maker {}; !makerLock.empty() && ::stat(makerLock.c_str(), &maker) == 0) keys.push_back(KeyOf(maker));
  const auto met = [&keys](const std::set<TFileKey>& said) {
    return std::any_of(keys.begin(), keys.end(), [&said](const TFileKey& k) { return said.count(k) != 0; });
  };
  if (met(Use().gone)) return true;
  // Told in this use that a program may still work: its wait is spent, and nothing is asked again.
  if (Use().mayWork || met(Use().files) || (!holder.process.empty() && Use().holders.count(HolderKey(holder)) != 0))
    return false;
  if (!StaysAsItWas(path, fd)) return false;
  const std::string named = HolderText(holder);
  const std::string text = ask ? ask(named)
                               : "Файл \"" + fileio::FullFileName(path) + "\" оставлен программой " + named +
                                     ", работу которой отсюда проверить нельзя. " + kMayStillWork +
                                     " Удалить его, если эта программа больше не работает?";
  if (ShowMsgForm(text, mkWarning, mbYesNo) == 1) {
    SayGone(holder);
    Use().gone.insert(keys.begin(), keys.end());
    return true;
  }
  Use().files.insert(keys.begin(), keys.end());
  if (!holder.process.empty()) Use().holders.insert(HolderKey(holder));
  Use().mayWork = true;
  ++RefusalCount();
  return false;
}

}  // namespace

std::uint64_t SaidMayWork() { return RefusalCount(); }

TGuardUse::TGuardUse() {
  if (Use().depth++ == 0) {
    Use().files.clear();
    Use().gone.clear();
    Use().holders.clear();
    Use().mayWork = false;
  }
}

TGuardUse::~TGuardUse() { --Use().depth; }

bool SaidMayWorkInThisUse() { return Use().depth > 0 && Use().mayWork; }

bool SaidGone(const TLockRecord& holder) {
  return !holder.process.empty() && GoneHolders().count(HolderKey(holder)) != 0;
}

void SayGone(const TLockRecord& holder) {
  if (!holder.process.empty()) GoneHolders().insert(HolderKey(holder));
}

namespace {

bool Gone(const std::string& path, int fd, const std::string& makerLock, const TAskText& ask, bool isPrivate) {
  TLockRecord holder;
  switch (Judge(path, fd, makerLock, &holder, isPrivate)) {
    case THolder::Lives: return false;
    case THolder::Gone: return true;
    case THolder::Unknown: return AskGone(path, fd, holder, ask, makerLock);
  }
  return false;
}

// Where no file can be made without a name: the bytes go into a file of a private name, made with its
// final mode and held before they are written, which then takes the name while it is free. Where the
// folder has no step that takes a free name at once, the name is claimed first by an empty file of the
// final mode, made only if the name is free and held at once, so that the rename replaces nobody's file.
// A private file or claim whose maker was killed is known by its hold, or by the private file's record
// (HolderGone); one removed as dead while its maker still lives is made again by the maker.
int CreateRenamed(const std::string& path, const std::function<std::string(bool held)>& content, bool flush,
                  const std::string& makerLock) {
  // The caller holds the lock that speaks for the file: private files of the name are of its earlier
  // holders, all gone.
  if (makerLock.empty()) {
    RemoveDeadPrivates(path);
  } else {
    for (const std::string& found : PrivateNamesOf(path)) {
      struct stat st {};
      if (::lstat(found.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(found.c_str());
    }
  }
  const mode_t mode = FolderFileMode(path);
  for (int round = 0; round < 100; ++round) {
    std::string own;
    const int fd = CreatePrivateFile(path, mode, own);
    if (fd < 0) return -1;
    Step(TGuardStep::PrivateMade);
    GiveFolderMode(fd, path);
    const TLockAnswer hold = LockOf(fd, F_WRLCK, path);
    const auto fail = [&](int error) {
      UnlinkIfSame(own, fd);
      ::close(fd);
      errno = error != 0 ? error : EIO;
      return -1;
    };
    const auto again = [&] {
      UnlinkIfSame(own, fd);
      ::close(fd);
    };
    // Taken for a dead one by another program between its making and its hold: made again.
    if (hold == TLockAnswer::Held || !IsStillNamed(own, fd)) {
      again();
      continue;
    }
    if (!WriteRecord(fd, content(hold == TLockAnswer::Taken)) || (flush && ::fdatasync(fd) != 0)) return fail(errno);
    if (TakeFreeNameAtOnce(own, path) == 0) return fd;
    if (errno == ENOENT) {  // removed meanwhile as a dead one
      again();
      continue;
    }
    if (errno != EOPNOTSUPP) return fail(errno);
    const int claim = CreateFileWithMode(path, mode);
    if (claim < 0) return fail(errno);
    Step(TGuardStep::Claimed);
    GiveFolderMode(claim, path);
    // A claim held by another program is being removed as a dead one: the name is claimed again.
    if (LockOf(claim, F_WRLCK, path) == TLockAnswer::Held || !IsStillNamed(path, claim) || !IsStillNamed(own, fd)) {
      UnlinkIfSame(path, claim);
      ::close(claim);
      again();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    const bool renamed = ::rename(own.c_str(), path.c_str()) == 0;
    const int error = errno;
    if (!renamed) UnlinkIfSame(path, claim);
    ::close(claim);
    if (renamed) return fd;
    if (error == ENOENT) {
      again();
      continue;
    }
    return fail(error);
  }
  errno = EEXIST;
  return -1;
}

// Creates the file only if it does not exist, holding it and the bytes that content gives (told whether
// the hold was taken). Where the system allows, the file is filled, flushed when asked and held before
// it gets its name; elsewhere it gets its bytes under a private name first (CreateRenamed). Returns the
// open descriptor, or -1 with errno set.
int CreateHeld(const std::string& path, const std::function<std::string(bool held)>& content, bool flush,
               const std::string& makerLock) {
  if (ShareCalls().unnamedFiles && ShareCalls().hardLinks) {
    const int unnamed = ::open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (unnamed >= 0) {
      GiveFolderMode(unnamed, path);
      const bool held = LockOf(unnamed, F_WRLCK, path) == TLockAnswer::Taken;
      if (WriteRecord(unnamed, content(held)) && (!flush || ::fdatasync(unnamed) == 0)) {
        const std::string self = "/proc/self/fd/" + std::to_string(unnamed);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return unnamed;
        if (errno == EEXIST) {
          ::close(unnamed);
          errno = EEXIST;
          return -1;
        }
      }
      ::close(unnamed);
    }
  }
  return CreateRenamed(path, content, flush, makerLock);
}

}  // namespace

TWaitClock SetFileWaitClock(TWaitClock clock) {
  TWaitClock previous = std::move(WaitClock());
  WaitClock() = clock ? std::move(clock) : TWaitClock(SteadySeconds);
  return previous;
}

double WaitClockNow() { return WaitClock()(); }

TGuardStepHook SetGuardStepHook(TGuardStepHook hook) {
  TGuardStepHook previous = std::move(StepHook());
  StepHook() = std::move(hook);
  return previous;
}

int CreateHeldFile(const std::string& path, const std::string& bytes, const std::string& makerLock) {
  return CreateHeld(path, [&bytes](bool) { return bytes; }, true, makerLock);
}

int CreateHeldLock(const std::string& path, const std::string& prefix) {
  return CreateHeld(path, [&prefix](bool held) { return prefix + HolderRecord(held); }, false, {});
}

int OpenToHold(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW); }

int OpenToJudge(const std::string& path) {
  const int fd = OpenToHold(path);
  if (fd >= 0 || (errno != EACCES && errno != EPERM && errno != EROFS)) return fd;
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

bool IsPrivateNameOf(const std::string& name, const std::string& own) {
  if (name.size() != own.size() + 8 || name.compare(0, own.size(), own) != 0 || name[own.size()] != '.' ||
      name.back() != '~')
    return false;
  for (std::size_t k = own.size() + 1; k < own.size() + 7; ++k)
    if (std::isalnum(static_cast<unsigned char>(name[k])) == 0) return false;
  return true;
}

std::vector<std::string> PrivateNamesOf(const std::string& path) {
  namespace fs = std::filesystem;
  const std::string own = fs::path(path).filename().string();
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec))
    if (IsPrivateNameOf(it->path().filename().string(), own)) names.push_back(it->path().string());
  return names;
}

THolder JudgeHolder(const std::string& path, int fd, const std::string& makerLock, TLockRecord* holder) {
  return Judge(path, fd, makerLock, holder, false);
}

bool HolderGone(const std::string& path, int fd, const std::string& makerLock, const TAskText& ask) {
  return Gone(path, fd, makerLock, ask, false);
}


void RemoveDeadPrivates(const std::string& path, const std::string& makerLock) {
  for (const std::string& found : PrivateNamesOf(path)) {
    const fileio::TFd fd(OpenToJudge(found));
    if (fd.IsOpen() && Gone(found, fd.Get(), makerLock, {}, true)) UnlinkIfSame(found, fd.Get());
  }
}

bool RemoveIfHalfMade(const std::string& path, const std::string& makerLock) {
  RemoveDeadPrivates(path, makerLock);
  const fileio::TFd fd(OpenToJudge(path));
  struct stat st {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || st.st_size != 0 || !HolderGone(path, fd.Get(), makerLock))
    return false;
  return UnlinkIfSame(path, fd.Get());
}

namespace {

std::string AccountName(uid_t id) {
  passwd entry {};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(id, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) return found->pw_name;
  return std::to_string(id);
}

}  // namespace

bool MayRemove(const std::string& path, std::string* owner) {
  struct stat file {}, folder {};
  if (::lstat(path.c_str(), &file) != 0 || ::stat(FolderOf(path).c_str(), &folder) != 0) return true;
  const uid_t self = ::geteuid();
  if ((folder.st_mode & S_ISVTX) == 0 || self == 0 || file.st_uid == self || folder.st_uid == self) return true;
  if (owner != nullptr) *owner = AccountName(file.st_uid);
  return false;
}

std::string NotRemovable(const std::string& path) {
  std::string owner;
  if (MayRemove(path, &owner)) return {};
  return "файл \"" + fileio::FullFileName(path) + "\" оставлен программой пользователя \"" + owner +
         "\", которая больше не работает; эта папка позволяет удалить или заменить его только его владельцу или "
         "администратору";
}

std::string NotReplaceable(const std::string& file) {
  const std::string folder = FolderOf(file);
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    return SystemErrorText(errno) + " к папке \"" + fileio::FullFileName(folder) + "\"";
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0) return {};
  std::string owner;
  if (!MayRemove(file, &owner))
    return "файл принадлежит пользователю \"" + owner +
           "\"; эта папка позволяет заменить или удалить его только его владельцу или администратору";
  if (S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 && KeepsReadOnly(folder))
    return "файл только для чтения";
  return {};
}

bool IsStillNamed(const std::string& path, int fd) {
  struct stat held {}, now {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &now) == 0 && SameFile(held, now);
}

bool UnlinkIfSame(const std::string& path, int fd) { return IsStillNamed(path, fd) && ::unlink(path.c_str()) == 0; }

}  // namespace ld
