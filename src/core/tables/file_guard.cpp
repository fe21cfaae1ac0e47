#include "core/tables/file_guard.h"

#include <fcntl.h>
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

// What a lock file says of its holder: the user's name, then (since locks record it) the workstation;
// a write in progress puts the table signature before them.
struct TLockRecord {
  std::string user;  // UTF-8
  std::string host;  // empty in locks of older programs
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
  next(record.host);
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

// Held only when the system says that somebody holds the file; any other refusal says nothing of a
// holder (errno kept).
TLockAnswer LockOf(int fd, short type) {
  for (;;) {
    if (SystemLock(fd, type) == 0) return TLockAnswer::Taken;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EACCES ? TLockAnswer::Held : TLockAnswer::Failed;
  }
}

std::string LockFailureText(int error) {
  switch (error) {
    case EBADF: return "файл открыт только для чтения";
    case ENOLCK: return "блокировки файлов недоступны";
    case EINVAL:
    case EOPNOTSUPP: return "файловая система не поддерживает блокировки файлов";
    default: return SystemErrorText(error);
  }
}

// A lock or mark of the program's own whose holder is gone: its record names the workstation (only a
// holder that held it writes that), or it has no bytes yet (its maker was killed before it gave them),
// and nobody holds it now, which taking the hold proves.
bool HolderGone(const std::string& path, int fd, off_t size, const TLockRecord& record) {
  return (size == 0 || !record.host.empty()) && TakeHold(path, fd);
}
bool HolderGone(const std::string& path, int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  return HolderGone(path, fd, st.st_size, st.st_size == 0 ? TLockRecord{} : ReadLockRecord(fd));
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
  return TakeHold(lock, fd);
}

// The record of a lock or mark held by this program: the user's name, then the workstation's;
// readers that know only the name stop after it. Without the holder's lock the workstation is left
// out, so that the file is never taken for a left-over one.
std::string HolderRecord(bool held) {
  std::string name = Utf8ToCp1251(CurrentUserName).substr(0, 255);
  name.insert(name.begin(), static_cast<char>(name.size()));
  if (!held) return name;
  const std::string host = HostName().substr(0, 255);
  return name + static_cast<char>(host.size()) + host;
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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The private files of that name whose makers were killed before they took the name: nobody holds them.
void RemoveDeadPrivates(const std::string& path) {
  namespace fs = std::filesystem;
  const std::string own = fs::path(path).filename().string();
  std::error_code ec;
  for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!IsPrivateNameOf(name, own)) continue;
    const std::string found = it->path().string();
    const fileio::TFd fd(OpenToHold(found));
    if (fd.IsOpen() && LockOf(fd.Get(), F_WRLCK) == TLockAnswer::Taken) UnlinkIfSame(found, fd.Get());
  }
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Where no file can be made without a name: the bytes go into a file of a private name, held before
// they are written, which then takes the name. The name is claimed first by an empty file made only if
// the name is free and held at once, so that the rename replaces nobody's file; a claim whose maker was
// killed has no bytes and no holder (RemoveIfHalfMade), and a private file whose maker was killed has
// no holder (RemoveDeadPrivates). Either way no kill leaves the name with a part of its bytes.
int CreateRenamed(const std::string& path, const std::function<std::string(bool held)>& content, bool flush) {
  RemoveDeadPrivates(path);
  std::string own;
  int fd = -1;
  bool held = false;
  for (int attempt = 0; fd < 0; ++attempt) {
    own = path + ".XXXXXX~";
    fd = ::mkstemps(own.data(), 1);
    if (fd < 0) return -1;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    const TLockAnswer hold = LockOf(fd, F_WRLCK);
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
  ::fchmod(fd, NewFileMode());
  if (!WriteRecord(fd, content(held)) || (flush && ::fdatasync(fd) != 0)) return fail(errno);
  for (int attempt = 0;; ++attempt) {
    const int claim = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (claim < 0) return fail(errno);
    // A claim held by another program is being removed as a dead one: the name is claimed again.
    if (LockOf(claim, F_WRLCK) != TLockAnswer::Held && IsStillNamed(path, claim)) {
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
int CreateHeld(const std::string& path, const std::function<std::string(bool held)>& content, bool flush) {
  if (Calls().unnamedFiles && Calls().hardLinks) {
    const int unnamed = ::open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (unnamed >= 0) {
      const bool held = LockOf(unnamed, F_WRLCK) == TLockAnswer::Taken;
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
  return CreateRenamed(path, content, flush);
}

int CreateHeldLock(const std::string& path, const std::string& prefix) {
  return CreateHeld(path, [&prefix](bool held) { return prefix + HolderRecord(held); }, false);
}

// An in-use mark whose holder held it (only then does its record name the workstation) and holds it no
// longer: the read or write that took it was killed, and the mark guards nothing. So is a mark without
// bytes that nobody holds: its maker was killed before it gave it its bytes. It goes, so that the mark
// is taken at once instead of after the wait and a question. True when the caller should try to take
// the mark again at once (the stale mark is gone, or it is not the one looked at any more).
bool RemoveIfStale(const std::string& marker) {
  const fileio::TFd fd(OpenToHold(marker));
  if (!fd.IsOpen()) return errno == ENOENT;
  if (!HolderGone(marker, fd.Get())) return false;
  if (!IsStillNamed(marker, fd.Get())) return true;
  return ::unlink(marker.c_str()) == 0;
}

// Removes the lock looked at (open as fd) if it still is the one there: one that replaced it meanwhile
// is somebody's new lock. The unfinished table and in-use mark of its holder go first, while the lock
// still keeps every other writer out of them. True when the lock went.
bool RemoveLookedAtLock(const std::string& fileName, const std::string& lock, int fd) {
  if (!IsStillNamed(lock, fd)) return false;
  ::unlink(WriteTempName(fileName).c_str());
  RemoveIfStale(InUseMarkName(fileName));
  return ::unlink(lock.c_str()) == 0;
}

// What stands in the way of a write of the file, the lock looked at and cleared if its writer is gone.
enum class TLockKind { None, Own, Writer, User };
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
    if (writable && HolderGone(lock, fd.Get(), st.st_size, record) && RemoveLookedAtLock(fileName, lock, fd.Get()))
      return TLockKind::None;
    return TLockKind::Writer;
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

int OpenToHold(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW); }

bool IsPrivateNameOf(const std::string& name, const std::string& own) {
  if (name.size() != own.size() + 8 || name.compare(0, own.size(), own) != 0 || name[own.size()] != '.' ||
      name.back() != '~')
    return false;
  for (std::size_t k = own.size() + 1; k < own.size() + 7; ++k)
    if (std::isalnum(static_cast<unsigned char>(name[k])) == 0) return false;
  return true;
}

int CreateHeldFile(const std::string& path, const std::string& bytes) {
  return CreateHeld(path, [&bytes](bool) { return bytes; }, true);
}

bool TakeHold(const std::string& path, int fd) {
  switch (LockOf(fd, F_WRLCK)) {
    case TLockAnswer::Taken: return true;
    case TLockAnswer::Held: return false;
    case TLockAnswer::Failed: break;
  }
  const int error = errno;
  throw Error("Ошибка блокировки файла \"" + FullFileName(path) + "\": " + LockFailureText(error));
}

bool RemoveIfHalfMade(const std::string& path) {
  RemoveDeadPrivates(path);
  const fileio::TFd fd(OpenToHold(path));
  struct stat st {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || st.st_size != 0 || !TakeHold(path, fd.Get())) return false;
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

void TInUseMark::Release() {
  if (!marker_.empty()) ::unlink(marker_.c_str());
  marker_.clear();
  if (fd_ >= 0) ::close(fd_);
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
        mark.marker_ = marker;  // the mark is ours now and goes when this access ends
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
  if (fileio::FileExists(fileName + "~")) {
    TLockRecord record;
    switch (LookAtLock(fileName, &record)) {
      case TLockKind::None: break;
      case TLockKind::Own: {
        const fileio::TFd fd(::open((fileName + "~").c_str(), O_RDONLY | O_CLOEXEC));
        ThrowEdited(fileName, fd.IsOpen() ? ReadLockRecord(fd.Get()).user : std::string());
      }
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
    return ::unlink(temp.c_str()) == 0;
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
