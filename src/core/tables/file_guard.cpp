#include "core/tables/file_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    std::string user;
    const fileio::TFd fd(::open(lock.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.IsOpen()) {
      unsigned char length = 0;
      if (::read(fd.Get(), &length, 1) == 1 && length > 0) {
        std::string bytes(length, '\0');
        const ssize_t got = ::read(fd.Get(), bytes.data(), length);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        user = Cp1251ToUtf8(bytes);
      }
    }
    if (user == "ZREGIM") user.clear();  // a write in progress, not a user's lock
    ThrowEdited(fileName, user);
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
  const std::string user = Utf8ToCp1251(CurrentUserName).substr(0, 255);
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
    bool ok = true;
    if (!user.empty()) {
      const auto length = static_cast<unsigned char>(user.size());
      ok = fileio::WriteAll(fd->Get(), &length, 1) && fileio::WriteAll(fd->Get(), user.data(), user.size());
    }
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
