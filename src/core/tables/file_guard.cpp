#include "core/tables/file_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
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

// What a lock file says of its holder: the user's name, then (since locks record it) the workstation.
struct TLockRecord {
  std::string user;  // UTF-8
  std::string host;  // empty in locks of older programs and in a write in progress
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
  if (next(record.user)) next(record.host);
  return record;
}

// A lock is left over when its holder provably no longer runs: it names this user and this
// workstation, this program does not hold it, and no process holds the advisory lock that every
// living holder keeps on its lock file. A lock without the workstation (older programs, a write in
// progress) or on a file system without advisory locks proves nothing.
bool IsLeftOver(int fd, const std::string& lock, const TLockRecord& record) {
  if (record.host.empty() || record.host != HostName() || record.user != CurrentUserName) return false;
  if (record.user == "ZREGIM") return false;  // a table being written, not a user's lock
  if (OwnLocks().count(FullFileName(lock)) != 0) return false;
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) return false;
  ::flock(fd, LOCK_UN);
  return true;
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

// ---- in-use mark ----

std::string InUseMarkName(const std::string& fileName) { return fileName + ".inuse~"; }

bool HasInUseMark(const std::string& fileName) { return fileio::FileExists(InUseMarkName(fileName)); }

void TInUseMark::Release() {
  if (marker_.empty()) return;
  ::unlink(marker_.c_str());
  marker_.clear();
}

bool WaitFileAccess(const std::string& fileName, TInUseMark& mark) {
  mark.Release();
  const std::string marker = InUseMarkName(fileName);
  const double start = WaitClock()();
  while (true) {
    if (!fileio::FileExists(fileName)) return true;
    // Taking the mark is one atomic creation, so two programs never both think they hold it.
    const int fd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      mark.marker_ = marker;
      return true;
    }
    // A folder where no marker can be made (read-only share) is read without one.
    if (errno != EEXIST) return true;
    if (Round(WaitClock()() - start) >= 11) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const int answer = ShowMsgForm("Файл " + fileName +
                                     " находится длительное время в режиме чтения/записи. Разрешить доступ к файлу ?",
                                 mkWarning, mbYesNo);
  if (answer != 1) return false;
  mark.marker_ = marker;  // the stale mark is ours now and goes when this access ends
  return true;
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
        // Only the lock that was looked at goes: one that replaced it meanwhile is somebody's new lock.
        struct stat seen {}, now {};
        if (answer == 1 && ::fstat(fd.Get(), &seen) == 0 && ::stat(lock.c_str(), &now) == 0 && SameFile(seen, now))
          removed = ::unlink(lock.c_str()) == 0;
      }
    }
    if (!removed) {
      if (record.user == "ZREGIM") record.user.clear();  // a write in progress, not a user's lock
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
  // The user's name, then the workstation's; readers that know only the name stop after it.
  std::string name = Utf8ToCp1251(CurrentUserName).substr(0, 255);
  name.insert(name.begin(), static_cast<char>(name.size()));
  const std::string host = HostName().substr(0, 255);
  const std::string named = name + static_cast<char>(host.size()) + host;
  for (const auto& ext : exts) {
    const std::string file = basePath + ext;
    const std::string lock = file + "~";
    auto fd = std::make_unique<fileio::TFd>(::open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd->IsOpen()) {
      const int error = errno;
      undo();
      if (error == EEXIST) {
        CheckFileFree(file, 0);  // names the user who got there first
        ThrowEdited(file, "");
      }
      throw Error("Ошибка записи файла \"" + FullFileName(lock) + "\"");
    }
    created.push_back(lock);
    // Held while the lock lives, and dropped by the system when this program ends however it ends:
    // that is how the next program knows a lock whose holder is gone. Taken before the workstation is
    // written, so that a lock naming it is never seen without its holder's hold; where the file system
    // refuses it, the lock names no workstation and is never taken for a left-over one.
    const bool held = ::flock(fd->Get(), LOCK_EX | LOCK_NB) == 0;
    const std::string& record = held ? named : name;
    const bool ok = fileio::WriteAll(fd->Get(), record.data(), record.size());
    OwnLocks()[FullFileName(lock)] = std::move(fd);
    if (!ok) {
      undo();
      throw Error("Ошибка записи файла \"" + FullFileName(lock) + "\"");
    }
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
