#include "core/tables/file_guard.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/session.h"
#include "core/tables/file_io.h"
#include "core/tables/table_run.h"

namespace ld {

namespace {

using fileio::FullFileName;

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TWaitClock& WaitClock() {
  static TWaitClock clock = SteadySeconds;
  return clock;
}

// The locks this program created, by full name. Each stays open while it is held: a lock file that
// someone replaced in between is then never taken for ours, since an open file keeps its identity
// from being given to a new one.
std::map<std::string, std::unique_ptr<fileio::TFd>>& OwnLocks() {
  static std::map<std::string, std::unique_ptr<fileio::TFd>> locks;
  return locks;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

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

[[noreturn]] void ThrowEdited(const std::string& fileName, const std::string& user) {
  std::string text = "Файл \"" + FullFileName(fileName) + "\" редактируется";
  if (!user.empty()) text += ". " + user;
  throw Error(text);
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

// This process as a lock records it: its id and the moment it started (so that another process given
// the same id later is not taken for it), "<id>:<start>"; the id alone where the system does not say.
std::string StartOf(pid_t pid) {
  const fileio::TFd fd(::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC));
  char bytes[1024];
  const ssize_t got = fd.IsOpen() ? ::read(fd.Get(), bytes, sizeof bytes - 1) : -1;
  if (got <= 0) return {};
  const std::string_view stat(bytes, static_cast<std::size_t>(got));
  // The fields after the program's name, which may hold blanks and brackets itself; the start is the
  // 22nd field, the 20th after the name.
  std::size_t at = stat.rfind(')');
  for (int field = 0; at != std::string_view::npos && field < 20; ++field) at = stat.find(' ', at + 1);
  if (at == std::string_view::npos) return {};
  const std::size_t end = stat.find(' ', at + 1);
  return std::string(stat.substr(at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1));
}

std::string ProcessTag() {
  static pid_t pid = 0;
  static std::string tag;
  if (pid != ::getpid()) {  // a forked child is another process
    pid = ::getpid();
    const std::string start = StartOf(pid);
    tag = std::to_string(pid) + (start.empty() ? "" : ":" + start);
  }
  return tag;
}

// Whether the process a lock records still runs on this workstation.
bool ProcessRuns(const std::string& tag) {
  const std::size_t colon = tag.find(':');
  const std::string id = tag.substr(0, colon);
  if (id.empty() || id.size() > 9 || id.find_first_not_of("0123456789") != std::string::npos) return true;
  const pid_t pid = static_cast<pid_t>(std::stol(id));
  if (pid <= 0) return true;
  if (::kill(pid, 0) != 0 && errno == ESRCH) return false;  // another account's process answers EPERM
  if (colon == std::string::npos) return true;
  const std::string start = StartOf(pid);
  return start.empty() || start == tag.substr(colon + 1);
}

// What a lock file says of its holder: the user's name, then (since locks record them) the workstation
// and the process; a write in progress puts the table signature before them. A holder that held the
// file writes the workstation right after the name, where readers that know only the workstation look;
// one that could not hold it writes an empty name there and the workstation after it, so that no
// program that goes only by the hold takes the file for a left-over one.
struct TLockRecord {
  std::string user;     // UTF-8
  std::string host;     // empty in locks of older programs
  std::string process;  // ProcessTag of the maker
  bool held = false;    // its maker held it
  bool unheld = false;  // its maker says it could not hold it
  bool write = false;
};

TLockRecord ReadLockRecord(int fd) {
  TLockRecord record;
  unsigned char bytes[512];
  const ssize_t got = ::pread(fd, bytes, sizeof bytes, 0);
  const std::size_t size = got > 0 ? static_cast<std::size_t>(got) : 0;
  std::size_t pos = 0;
  const auto next = [&](std::string& text) {
    if (pos >= size) return false;
    const std::size_t length = bytes[pos++];
    const std::size_t have = std::min(length, size - pos);  // a cut name still says who it was
    text = Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes) + pos, have));
    pos += have;
    return have == length;
  };
  if (!next(record.user)) return record;
  if (record.user == "ZREGIM") {
    record.write = true;
    record.user.clear();
    if (!next(record.user)) return record;
  }
  if (!next(record.host)) return record;
  record.held = !record.host.empty();
  if (!record.held) {
    record.unheld = pos < size;
    if (!next(record.host)) return record;
  }
  next(record.process);
  return record;
}

TShareCalls& Calls() {
  static TShareCalls calls;
  return calls;
}

// The whole-file lock of an open file description: it belongs to the open file rather than to the
// process, so a look at a file this program holds, closed again, never drops the hold, and network
// shares carry it to every workstation. An exclusive one needs a descriptor open for writing, as a
// share's lock always does.
int SystemLock(int fd, short type) {
  if (Calls().lock) return Calls().lock(fd, type);
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return ::fcntl(fd, F_OFD_SETLK, &lock);
}

enum class TLockAnswer { Taken, Held, Failed };

std::string LockFailureText(int error) {
  switch (error) {
    case EBADF: return "файл открыт только для чтения";
    case ENOLCK: return "блокировки файлов недоступны";
    case EINVAL:
    case EOPNOTSUPP: return "файловая система не поддерживает блокировки файлов";
    default: return SystemErrorText(error);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The user hears once of each folder whose locks fail, when it first happens: what other workstations'
// programs left there is not cleared from here.
void TellLocksFail(const std::string& path, int error) {
  static std::set<std::string> told;
  const std::string folder = FolderOf(FullFileName(path));
  if (!told.insert(folder).second) return;
  ShowMsgForm("В папке \"" + folder + "\" не работают блокировки файлов: " + LockFailureText(error) +
                  ". Блокировки и отметки, оставленные программами других рабочих станций, считаются "
                  "действующими, пока программа той станции не снимет их",
              mkWarning, mbOk);
}

// Held only when the system says that somebody holds the file; any other refusal says nothing of a
// holder, and tells the user that the folder of path has no working locks (errno kept).
TLockAnswer LockOf(int fd, short type, const std::string& path) {
  for (;;) {
    if (SystemLock(fd, type) == 0) return TLockAnswer::Taken;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return TLockAnswer::Held;
    const int error = errno;
    TellLocksFail(path, error);
    errno = error;
    return TLockAnswer::Failed;
  }
}

bool IsOwnLock(const std::string& lock) {
  const auto it = OwnLocks().find(FullFileName(lock));
  return it != OwnLocks().end() && IsStillNamed(lock, it->second->Get());
}

// A user's lock is left over when its holder provably no longer runs: it names this user and this
// workstation, this program does not hold it, and nobody holds the lock that every living holder keeps
// on its lock file. A lock without the workstation (older programs) or seen through a descriptor that
// cannot hold it (a folder this user may only read) proves nothing.
bool IsLeftOver(int fd, bool writable, const std::string& lock, const TLockRecord& record) {
  if (record.host.empty() || record.host != HostName() || record.user != CurrentUserName) return false;
  if (!writable || OwnLocks().count(FullFileName(lock)) != 0) return false;
  return HolderGone(lock, fd);
}

std::string ShortString(const std::string& bytes) {
  const std::string cut = bytes.substr(0, 255);
  return static_cast<char>(cut.size()) + cut;
}

// The record of a lock or mark made by this program (TLockRecord): the user's name, then the
// workstation's and the process; readers that know only the name stop after it.
std::string HolderRecord(bool held) {
  const std::string where = ShortString(HostName()) + ShortString(ProcessTag());
  return ShortString(Utf8ToCp1251(CurrentUserName)) + (held ? where : ShortString("") + where);
}

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

// The private files of that name whose makers were killed before they took the name. Only this program
// makes them, holding each from before it has bytes: one that nobody holds is dead unless it says that
// its maker could not hold it.
void RemoveDeadPrivates(const std::string& path, const std::string& makerLock) {
  for (const std::string& found : PrivateNamesOf(path)) {
    const fileio::TFd fd(OpenToHold(found));
    if (!fd.IsOpen()) continue;
    bool gone = false;
    switch (LockOf(fd.Get(), F_WRLCK, found)) {
      case TLockAnswer::Held: break;
      case TLockAnswer::Taken:
        gone = !makerLock.empty() || !ReadLockRecord(fd.Get()).unheld || HolderGone(found, fd.Get());
        break;
      case TLockAnswer::Failed: gone = HolderGone(found, fd.Get(), makerLock); break;
    }
    if (gone) UnlinkIfSame(found, fd.Get());
  }
}

// Where no file can be made without a name: the bytes go into a file of a private name, held before
// they are written, which then takes the name. The name is claimed first by an empty file made only if
// the name is free and held at once, so that the rename replaces nobody's file; a claim whose maker was
// killed has no bytes and no holder (RemoveIfHalfMade), and a private file whose maker was killed has
// no holder (RemoveDeadPrivates). Either way no kill leaves the name with a part of its bytes.
int CreateRenamed(const std::string& path, const std::function<std::string(bool held)>& content, bool flush,
                  const std::string& makerLock) {
  RemoveDeadPrivates(path, makerLock);
  std::string own;
  int fd = -1;
  bool held = false;
  for (int attempt = 0; fd < 0; ++attempt) {
    own = path + ".XXXXXX~";
    fd = ::mkostemps(own.data(), 1, O_CLOEXEC);
    if (fd < 0) return -1;
    const TLockAnswer hold = LockOf(fd, F_WRLCK, path);
    held = hold == TLockAnswer::Taken;
    // Taken for a dead one by another program between its making and its hold: made again.
    if (hold == TLockAnswer::Held || !IsStillNamed(own, fd)) {
      ::close(fd);
      fd = -1;
      if (attempt == 100) {
        errno = EEXIST;
        return -1;
      }
    }
  }
  const auto fail = [&](int error) {
    ::unlink(own.c_str());
    ::close(fd);
    errno = error != 0 ? error : EIO;
    return -1;
  };
  GiveFolderMode(fd, path);
  if (!WriteRecord(fd, content(held)) || (flush && ::fdatasync(fd) != 0)) return fail(errno);
  for (int attempt = 0;; ++attempt) {
    const int claim = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (claim < 0) return fail(errno);
    GiveFolderMode(claim, path);
    // A claim held by another program is being removed as a dead one: the name is claimed again.
    if (LockOf(claim, F_WRLCK, path) != TLockAnswer::Held && IsStillNamed(path, claim)) {
      const bool renamed = ::rename(own.c_str(), path.c_str()) == 0;
      const int error = errno;
      if (!renamed) UnlinkIfSame(path, claim);
      ::close(claim);
      if (renamed) return fd;
      return fail(error);
    }
    ::close(claim);
    if (attempt == 100) return fail(EEXIST);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Creates the file only if it does not exist, holding it and the bytes that content gives (told whether
// the hold was taken). Where the system allows, the file is filled, flushed when asked and held before
// it gets its name; elsewhere it gets its bytes under a private name first (CreateRenamed). Returns the
// open descriptor, or -1 with errno set.
int CreateHeld(const std::string& path, const std::function<std::string(bool held)>& content, bool flush,
               const std::string& makerLock = {}) {
  if (Calls().unnamedFiles && Calls().hardLinks) {
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

int CreateHeldLock(const std::string& path, const std::string& prefix) {
  return CreateHeld(path, [&prefix](bool held) { return prefix + HolderRecord(held); }, false);
}

// An in-use mark whose holder is gone (HolderGone): the read or write that took it was killed, or its
// maker was killed before it gave it its bytes, and the mark guards nothing. It goes, so that the mark
// is taken at once instead of after the wait and a question. True when the caller should try to take
// the mark again at once (the stale mark is gone, or it is not the one looked at any more).
bool RemoveIfStale(const std::string& marker) {
  const fileio::TFd fd(OpenToHold(marker));
  if (!fd.IsOpen()) return errno == ENOENT;
  if (!HolderGone(marker, fd.Get())) return false;
  if (!IsStillNamed(marker, fd.Get())) return true;
  return ::unlink(marker.c_str()) == 0;
}

// The unfinished table of a write of the file, whole or still under a private name: only the holder of
// the write's lock may remove it.
void RemoveWriteTemps(const std::string& fileName) {
  const std::string temp = WriteTempName(fileName);
  for (const std::string& name : PrivateNamesOf(temp)) ::unlink(name.c_str());
  ::unlink(temp.c_str());
}

// Removes the lock looked at (open as fd) if it still is the one there: one that replaced it meanwhile
// is somebody's new lock. The unfinished table and in-use mark of its holder go first, while the lock
// still keeps every other writer out of them. True when the lock went.
bool RemoveLookedAtLock(const std::string& fileName, const std::string& lock, int fd) {
  if (!IsStillNamed(lock, fd)) return false;
  RemoveWriteTemps(fileName);
  RemoveIfStale(InUseMarkName(fileName));
  return ::unlink(lock.c_str()) == 0;
}

// What stands in the way of a write of the file, the lock looked at and cleared if its writer is gone.
// Stopped: the lock of a writer that is gone beside a run's record, left for the end of that run.
enum class TLockKind { None, Own, Writer, User, Stopped };
TLockKind LookAtLock(const std::string& fileName, TLockRecord* userRecord = nullptr) {
  const std::string lock = fileName + "~";
  if (IsOwnLock(lock)) return TLockKind::Own;
  bool writable = true;
  int opened = OpenToHold(lock);
  if (opened < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    writable = false;
    opened = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  }
  const fileio::TFd fd(opened);
  if (!fd.IsOpen()) return errno == ENOENT ? TLockKind::None : TLockKind::Writer;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return TLockKind::Writer;
  const TLockRecord record = ReadLockRecord(fd.Get());
  // A write's lock (or one without its bytes yet) whose holder held it and is gone: its writer was
  // killed. On any workstation: the hold would be seen from every one.
  if (st.st_size == 0 || record.write) {
    // One that cannot be removed (a folder this user may not change) stands in the way as a live one.
    if (!writable || !HolderGone(lock, fd.Get())) return TLockKind::Writer;
    // Beside a run's record the lock says that the run's program was killed: it goes with the end of
    // the run, which tells a run killed while it laid its records by it.
    if (fileio::FileExists(RunRecordName(fileName))) return TLockKind::Stopped;
    return RemoveLookedAtLock(fileName, lock, fd.Get()) ? TLockKind::None : TLockKind::Writer;
  }
  if (userRecord != nullptr) *userRecord = record;
  return TLockKind::User;
}

// A user's lock looked at: left over by this user's program on this workstation, the user is asked
// whether to remove it. True when it went.
bool AskToRemoveLeftOver(const std::string& fileName) {
  const std::string lock = fileName + "~";
  const fileio::TFd fd(OpenToHold(lock));
  if (!fd.IsOpen() || !IsLeftOver(fd.Get(), true, lock, ReadLockRecord(fd.Get()))) return false;
  const int answer = ShowMsgForm("Файл \"" + FullFileName(fileName) +
                                     "\" заблокирован программой, которая больше не работает. Удалить блокировку?",
                                 mkWarning, mbYesNo);
  return answer == 1 && RemoveLookedAtLock(fileName, lock, fd.Get());
}

std::size_t LastDot(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  const std::size_t slash = fileName.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

}  // namespace

TWaitClock SetFileWaitClock(TWaitClock clock) {
  TWaitClock previous = std::move(WaitClock());
  WaitClock() = clock ? std::move(clock) : TWaitClock(SteadySeconds);
  return previous;
}

TShareCalls SetShareCalls(TShareCalls calls) {
  TShareCalls previous = std::move(Calls());
  Calls() = std::move(calls);
  return previous;
}

const TShareCalls& ShareCalls() { return Calls(); }

int TakeFreeName(const std::string& own, const std::string& path) {
  if (Calls().hardLinks) {
    if (::link(own.c_str(), path.c_str()) == 0) {
      ::unlink(own.c_str());
      return 0;
    }
    if (errno == EEXIST) return -1;
  }
  if (Calls().exclusiveRename) {
    if (::renameat2(AT_FDCWD, own.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(own.c_str(), path.c_str());
}

int OpenToHold(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW); }

bool IsPrivateNameOf(const std::string& name, const std::string& own) {
  if (name.size() != own.size() + 8 || name.compare(0, own.size(), own) != 0 || name[own.size()] != '.' ||
      name.back() != '~')
    return false;
  for (std::size_t k = own.size() + 1; k < own.size() + 7; ++k)
    if (std::isalnum(static_cast<unsigned char>(name[k])) == 0) return false;
  return true;
}

int CreateHeldFile(const std::string& path, const std::string& bytes, const std::string& makerLock) {
  return CreateHeld(path, [&bytes](bool) { return bytes; }, true, makerLock);
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

void GiveFolderMode(int fd, const std::string& path, const std::string& replaced) {
  struct stat old {};
  if (!replaced.empty() && ::stat(replaced.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);
    return;
  }
  mode_t mode = NewFileMode();
  struct stat folder {}, own {};
  if (::stat(FolderOf(path).c_str(), &folder) == 0) {
    if ((folder.st_mode & S_IWGRP) != 0) {
      mode |= S_IRGRP | S_IWGRP;
      // The folder's group, where the folder does not give it to new files by itself (a program of an
      // account outside that group keeps its own).
      if (::fstat(fd, &own) == 0 && own.st_gid != folder.st_gid) {
        const int changed = ::fchown(fd, static_cast<uid_t>(-1), folder.st_gid);
        static_cast<void>(changed);
      }
    }
    if ((folder.st_mode & S_IWOTH) != 0) mode |= S_IROTH | S_IWOTH;
  }
  ::fchmod(fd, mode);
}

bool HolderGone(const std::string& path, int fd, const std::string& makerLock) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  const TLockAnswer answer = LockOf(fd, F_WRLCK, path);
  if (answer == TLockAnswer::Held) return false;
  if (!makerLock.empty()) {
    if (answer == TLockAnswer::Taken) return true;
    const fileio::TFd lock(OpenToHold(makerLock));
    if (!lock.IsOpen()) return errno == ENOENT;
    return HolderGone(makerLock, lock.Get());
  }
  // A file without bytes was being made: where it cannot be held, nothing tells whose it is.
  if (st.st_size == 0) return answer == TLockAnswer::Taken;
  // A record that names no workstation is an older program's, which holds nothing: it proves nothing.
  const TLockRecord record = ReadLockRecord(fd);
  if (answer == TLockAnswer::Taken && record.held) return true;
  return !record.host.empty() && record.host == HostName() && !record.process.empty() &&
         !ProcessRuns(record.process);
}

bool RemoveIfHalfMade(const std::string& path, const std::string& makerLock) {
  RemoveDeadPrivates(path, makerLock);
  const fileio::TFd fd(OpenToHold(path));
  struct stat st {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || st.st_size != 0 || !HolderGone(path, fd.Get(), makerLock))
    return false;
  return UnlinkIfSame(path, fd.Get());
}

bool IsStillNamed(const std::string& path, int fd) {
  struct stat held {}, now {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &now) == 0 && SameFile(held, now);
}

bool UnlinkIfSame(const std::string& path, int fd) { return IsStillNamed(path, fd) && ::unlink(path.c_str()) == 0; }

// ---- in-use mark ----

std::string InUseMarkName(const std::string& fileName) { return fileName + ".inuse~"; }

bool HasInUseMark(const std::string& fileName) { return fileio::FileExists(InUseMarkName(fileName)); }

// Only a mark this program made is its own: one it was allowed past is its holder's.
void TInUseMark::Release() {
  if (fd_ >= 0) {
    UnlinkIfSame(marker_, fd_);
    ::close(fd_);
  }
  marker_.clear();
  fd_ = -1;
}

bool WaitFileAccess(const std::string& fileName, TInUseMark& mark, bool allowed) {
  mark.Release();
  const std::string marker = InUseMarkName(fileName);
  for (TAccessWait wait;;) {
    if (!fileio::FileExists(fileName)) return true;
    // Taking the mark is one atomic creation, so two programs never both think they hold it.
    const int fd = CreateHeldLock(marker, "");
    if (fd >= 0) {
      mark.marker_ = marker;
      mark.fd_ = fd;
      return true;
    }
    // A folder where no marker can be made (read-only share) is read without one.
    if (errno != EEXIST) return true;
    if (RemoveIfStale(marker)) continue;
    if (allowed) {
      mark.marker_ = marker;
      return true;
    }
    switch (wait.Next(fileName)) {
      case TAccessWait::kAgain: continue;
      case TAccessWait::kRefused: return false;
      case TAccessWait::kAllowed:
        mark.marker_ = marker;
        return true;
    }
  }
}

TAccessWait::TAccessWait() : start_(WaitClock()()) {}

bool TAccessWait::Pause() {
  if (Round(WaitClock()() - start_) >= 11) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return true;
}

TAccessWait::TStep TAccessWait::Next(const std::string& fileName) {
  if (Pause()) return kAgain;
  const int answer = ShowMsgForm("Файл " + fileName +
                                     " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?",
                                 mkWarning, mbYesNo);
  return answer == 1 ? kAllowed : kRefused;
}

// ---- locks ----

void CheckFileFree(const std::string& fileName, double fileDate) {
  if (fileName.empty()) return;
  EndStoppedTableSet(fileName);
  if (fileio::FileExists(fileName + "~")) {
    TLockRecord record;
    switch (LookAtLock(fileName, &record)) {
      case TLockKind::None: break;
      case TLockKind::Own: {
        const fileio::TFd fd(::open((fileName + "~").c_str(), O_RDONLY | O_CLOEXEC));
        ThrowEdited(fileName, fd.IsOpen() ? ReadLockRecord(fd.Get()).user : std::string());
      }
      case TLockKind::Stopped:  // a run that could not be ended yet
      case TLockKind::Writer: ThrowEdited(fileName, "");  // a write in progress, not a user's lock
      case TLockKind::User:
        if (!AskToRemoveLeftOver(fileName)) ThrowEdited(fileName, record.user);
        break;
    }
  }
  if (fileDate != 0) {
    const double current = fileio::FileDateOf(fileName);
    if (current != 0 && current != fileDate) {
      throw Error("Файл \"" + FullFileName(fileName) + "\" был изменен. Необходимо открыть файл заново");
    }
  }
}

bool RemoveDeadWrite(const std::string& fileName) {
  const std::string temp = WriteTempName(fileName);
  if (!fileio::FileExists(fileName + "~")) {
    // An unfinished table without a lock is nobody's, but only a holder of the lock may remove it: a
    // writer that takes the lock meanwhile owns the name.
    TWriteLock lock;
    if (!fileio::FileExists(temp) || !lock.Take(fileName)) return false;
    RemoveWriteTemps(fileName);
    return true;
  }
  return LookAtLock(fileName) == TLockKind::None;
}

bool HasDeadLock(const std::string& fileName) {
  const std::string lock = fileName + "~";
  if (IsOwnLock(lock)) return false;
  const fileio::TFd fd(OpenToHold(lock));
  return fd.IsOpen() && HolderGone(lock, fd.Get());
}

void LockTableFiles(const std::string& basePath, const std::string& extensions) {
  if (basePath.empty()) return;
  const std::vector<std::string> exts = SplitExtensions(extensions);
  for (const auto& ext : exts) CheckFileFree(basePath + ext, 0);

  std::vector<std::string> created;
  auto undo = [&created] {
    for (const auto& name : created) {
      ::unlink(name.c_str());
      OwnLocks().erase(FullFileName(name));
    }
  };
  for (const auto& ext : exts) {
    const std::string file = basePath + ext;
    const std::string lock = file + "~";
    // Held while the lock lives, and dropped by the system when this program ends however it ends:
    // that is how the next program knows a lock whose holder is gone.
    auto fd = std::make_unique<fileio::TFd>(CreateHeldLock(lock, ""));
    if (!fd->IsOpen()) {
      const int error = errno;
      undo();
      if (error == EEXIST) {
        CheckFileFree(file, 0);  // names the user who got there first
        ThrowEdited(file, "");
      }
      throw Error("Ошибка записи файла \"" + FullFileName(lock) + "\": " + SystemErrorText(error));
    }
    created.push_back(lock);
    OwnLocks()[FullFileName(lock)] = std::move(fd);
  }
}

void UnlockTableFiles(const std::string& basePath, const std::string& extensions) {
  if (basePath.empty()) return;
  for (const auto& ext : SplitExtensions(extensions)) {
    const std::string lock = basePath + ext + "~";
    const auto it = OwnLocks().find(FullFileName(lock));
    if (it == OwnLocks().end()) continue;
    UnlinkIfSame(lock, it->second->Get());
    OwnLocks().erase(it);
  }
}

// ---- the lock of a write ----

std::string WriteTempName(const std::string& fileName) { return fileName + ".new~"; }

void TWriteLock::TakeWaiting(const std::string& fileName, bool underOwn) {
  Release();
  const std::string full = FullFileName(fileName);
  for (TAccessWait wait;;) {
    if (Take(full)) return;
    if (errno != EEXIST) {
      const int error = errno;
      throw FileWriteError(full, SystemErrorText(error));
    }
    switch (LookAtLock(full)) {
      case TLockKind::None: continue;  // gone meanwhile, or its writer was: cleared
      case TLockKind::Own:
        if (underOwn) return;
        CheckFileFree(full, 0);  // names this program's user
        continue;
      case TLockKind::User: CheckFileFree(full, 0); continue;  // refused unless the user removes it
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

bool TWriteLock::Take(const std::string& fileName) {
  Release();
  const std::string lock = fileName + "~";
  // The table signature first: older programs read it as a write in progress and name nobody.
  fd_ = CreateHeldLock(lock, "\x06ZREGIM");
  if (fd_ < 0) return false;
  lock_ = lock;
  return true;
}

void TWriteLock::Release() {
  if (fd_ < 0) return;
  UnlinkIfSame(lock_, fd_);
  ::close(fd_);
  fd_ = -1;
  lock_.clear();
}

// ---- names ----

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
