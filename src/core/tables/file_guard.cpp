#include "core/tables/file_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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

// A lock is left over when its holder provably no longer runs: it names this user and this
// workstation, this program does not hold it, and no process holds the advisory lock that every
// living holder keeps on its lock file. A lock without the workstation (older programs) or on a file
// system without advisory locks proves nothing.
bool IsLeftOver(int fd, const std::string& lock, const TLockRecord& record) {
  if (record.host.empty() || record.host != HostName() || record.user != CurrentUserName) return false;
  if (OwnLocks().count(FullFileName(lock)) != 0) return false;
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) return false;
  ::flock(fd, LOCK_UN);
  return true;
}

// The record of a lock or mark held by this program: the user's name, then the workstation's;
// readers that know only the name stop after it. Without the holder's advisory lock the workstation
// is left out, so that the file is never taken for a left-over one.
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

// Creates the file only if it does not exist, holding the advisory lock and the bytes that content
// gives (told whether the hold was taken). Where the system allows, the file is filled, flushed when
// asked and held before it gets its name, so a program killed at any moment never leaves the file
// without its whole content or unheld while it lives; elsewhere it is created empty and filled at once.
// Returns the open descriptor, or -1 with errno set.
int CreateHeld(const std::string& path, const std::function<std::string(bool held)>& content, bool flush) {
  const int unnamed = ::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (unnamed >= 0) {
    const bool held = ::flock(unnamed, LOCK_EX | LOCK_NB) == 0;
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
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  // Taken before the workstation is written, so that a record naming it is never seen without its
  // holder's hold.
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (!WriteRecord(fd, content(held)) || (flush && ::fdatasync(fd) != 0)) {
    const int error = errno != 0 ? errno : EIO;
    ::unlink(path.c_str());
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

int CreateHeldLock(const std::string& path, const std::string& prefix) {
  return CreateHeld(path, [&prefix](bool held) { return prefix + HolderRecord(held); }, false);
}

// An in-use mark whose holder held it (only then does its record name the workstation) and holds it no
// longer: the read or write that took it was killed, and the mark guards nothing. It goes, so that the
// mark is taken at once instead of after the wait and a question. True when the caller should try to
// take the mark again at once (the stale mark is gone, or it is not the one looked at any more).
bool RemoveIfStale(const std::string& marker) {
  const fileio::TFd fd(::open(marker.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.IsOpen()) return errno == ENOENT;
  if (ReadLockRecord(fd.Get()).host.empty() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
  if (!IsStillNamed(marker, fd.Get())) return true;
  return ::unlink(marker.c_str()) == 0;
}

// Removes a file that a program of this user and workstation left behind, if it still is the one
// looked at.
void RemoveIfLeftOver(const std::string& path) {
  const fileio::TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.IsOpen() || !IsLeftOver(fd.Get(), path, ReadLockRecord(fd.Get()))) return;
  struct stat seen {}, now {};
  if (::fstat(fd.Get(), &seen) == 0 && ::stat(path.c_str(), &now) == 0 && SameFile(seen, now)) ::unlink(path.c_str());
}

// Removes the lock looked at (open as fd, its record read) if it still is the one there: one that
// replaced it meanwhile is somebody's new lock. A killed write's unfinished table and in-use mark go
// first, while the lock still keeps every other writer out of them. True when the lock went.
bool RemoveLookedAtLock(const std::string& fileName, const std::string& lock, int fd, const TLockRecord& record) {
  struct stat seen {}, now {};
  if (::fstat(fd, &seen) != 0 || ::stat(lock.c_str(), &now) != 0 || !SameFile(seen, now)) return false;
  if (record.write) {
    ::unlink(WriteTempName(fileName).c_str());
    RemoveIfLeftOver(InUseMarkName(fileName));
  }
  return ::unlink(lock.c_str()) == 0;
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

int CreateHeldFile(const std::string& path, const std::string& bytes) {
  return CreateHeld(path, [&bytes](bool) { return bytes; }, true);
}

bool TakeHold(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

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

bool WaitFileAccess(const std::string& fileName, TInUseMark& mark) {
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

TAccessWait::TStep TAccessWait::Next(const std::string& fileName) {
  if (Round(WaitClock()() - start_) < 11) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return kAgain;
  }
  const int answer = ShowMsgForm("Файл " + fileName +
                                     " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?",
                                 mkWarning, mbYesNo);
  return answer == 1 ? kAllowed : kRefused;
}

// ---- locks ----

void CheckFileFree(const std::string& fileName, double fileDate) {
  if (fileName.empty()) return;
  const std::string lock = fileName + "~";
  if (fileio::FileExists(lock)) {
    TLockRecord record;
    bool removed = false;
    const fileio::TFd fd(::open(lock.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.IsOpen()) {
      record = ReadLockRecord(fd.Get());
      if (IsLeftOver(fd.Get(), lock, record)) {
        const int answer = ShowMsgForm("Файл \"" + FullFileName(fileName) +
                                           "\" заблокирован программой, которая больше не работает. "
                                           "Удалить блокировку?",
                                       mkWarning, mbYesNo);
        removed = answer == 1 && RemoveLookedAtLock(fileName, lock, fd.Get(), record);
      }
    }
    if (!removed) {
      if (record.write) record.user.clear();  // a write in progress, not a user's lock
      ThrowEdited(fileName, record.user);
    }
  }
  if (fileDate != 0) {
    const double current = fileio::FileDateOf(fileName);
    if (current != 0 && current != fileDate) {
      throw Error("Файл \"" + FullFileName(fileName) + "\" был изменен. Необходимо открыть файл заново");
    }
  }
}

void RemoveLeftOverWrite(const std::string& fileName) {
  const std::string lock = fileName + "~";
  const fileio::TFd fd(::open(lock.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.IsOpen()) return;
  const TLockRecord record = ReadLockRecord(fd.Get());
  if (record.write && IsLeftOver(fd.Get(), lock, record)) RemoveLookedAtLock(fileName, lock, fd.Get(), record);
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
    struct stat held {}, now {};
    if (::fstat(it->second->Get(), &held) == 0 && ::stat(lock.c_str(), &now) == 0 && SameFile(held, now)) {
      ::unlink(lock.c_str());
    }
    OwnLocks().erase(it);
  }
}

// ---- the lock of a write ----

std::string WriteTempName(const std::string& fileName) { return fileName + ".new~"; }

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
  struct stat held {}, now {};
  if (::fstat(fd_, &held) == 0 && ::stat(lock_.c_str(), &now) == 0 && SameFile(held, now)) ::unlink(lock_.c_str());
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
