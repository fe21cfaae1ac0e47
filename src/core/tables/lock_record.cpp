#include "core/tables/lock_record.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/tables/file_io.h"
#include "core/tables/share_calls.h"

namespace ld {

namespace {

// The moment the process started, as the system counts it (the 22nd field of its status); empty where
// the system does not say.
std::string StartOf(pid_t pid) {
  const fileio::TFd fd(::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC));
  char bytes[1024];
  const ssize_t got = fd.IsOpen() ? ::read(fd.Get(), bytes, sizeof bytes - 1) : -1;
  if (got <= 0) return {};
  const std::string_view stat(bytes, static_cast<std::size_t>(got));
  // The fields after the program's name, which may hold blanks and brackets itself; the start is the
  // 20th after the name.
  std::size_t at = stat.rfind(')');
  for (int field = 0; at != std::string_view::npos && field < 20; ++field) at = stat.find(' ', at + 1);
  if (at == std::string_view::npos) return {};
  const std::size_t end = stat.find(' ', at + 1);
  return std::string(stat.substr(at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1));
}

// This process as a record names it; the id alone where the system does not tell its start.
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

// This start of the system on this machine; empty where the system does not tell it.
std::string BootId() {
  static const std::string id = [] {
    const fileio::TFd fd(::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC));
    char bytes[64];
    const ssize_t got = fd.IsOpen() ? ::read(fd.Get(), bytes, sizeof bytes) : -1;
    std::string text = got > 0 ? std::string(bytes, static_cast<std::size_t>(got)) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  }();
  return id;
}

// The pid namespace of this process: two programs of one machine and one start of the system (a sandboxed
// copy beside a plain one, containers that share a host name) count their processes apart, and an id
// means something only within its namespace. Empty where the system does not tell it.
std::string PidSpace() {
  static pid_t pid = 0;
  static std::string space;
  if (pid != ::getpid()) {  // a forked child may have been started in another namespace
    pid = ::getpid();
    struct stat st {};
    space = ::stat("/proc/self/ns/pid", &st) == 0 ? std::to_string(st.st_ino) : std::string();
  }
  return space;
}

std::string ShortString(const std::string& bytes) {
  const std::string cut = bytes.substr(0, 255);
  return static_cast<char>(cut.size()) + cut;
}

}  // namespace

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

TLockRecord ReadLockRecord(int fd) {
  TLockRecord record;
  unsigned char bytes[1024];
  const ssize_t got = ReadAt(fd, bytes, sizeof bytes, 0);
  if (got < 0 && IsHeldRefusal(errno)) record.readable = false;
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
  if (!next(record.process)) return record;
  if (!next(record.boot)) return record;
  next(record.pidSpace);
  return record;
}

std::string HolderRecord(bool held) {
  const std::string where =
      ShortString(HostName()) + ShortString(ProcessTag()) + ShortString(BootId()) + ShortString(PidSpace());
  return ShortString(Utf8ToCp1251(CurrentUserName)) + (held ? where : ShortString("") + where);
}

bool IsOfThisMachine(const TLockRecord& record) {
  return !record.host.empty() && record.host == HostName() && record.process.find(':') != std::string::npos &&
         !record.boot.empty() && record.boot == BootId() &&
         (record.pidSpace.empty() || record.pidSpace == PidSpace());
}

bool ProcessRuns(const std::string& process) {
  const std::size_t colon = process.find(':');
  const std::string id = process.substr(0, colon);
  if (id.empty() || id.size() > 9 || id.find_first_not_of("0123456789") != std::string::npos) return true;
  const pid_t pid = static_cast<pid_t>(std::stol(id));
  if (pid <= 0) return true;
  if (::kill(pid, 0) != 0 && errno == ESRCH) return false;  // another account's process answers EPERM
  if (colon == std::string::npos) return true;
  const std::string start = StartOf(pid);
  return start.empty() || start == process.substr(colon + 1);
}

std::string HolderText(const TLockRecord& record) {
  std::string text = record.host.empty() ? "прежней версии" : "рабочей станции \"" + record.host + "\"";
  if (!record.user.empty()) text += " (пользователь \"" + record.user + "\")";
  return text;
}

std::string LockName(const std::string& fileName) { return fileName + "~"; }
std::string InUseMarkName(const std::string& fileName) { return fileName + ".inuse~"; }
std::string WriteTempName(const std::string& fileName) { return fileName + ".new~"; }
std::string RunRecordName(const std::string& fileName) { return fileName + ".set~"; }
std::string CommitMarkName(const std::string& fileName) { return fileName + ".done~"; }

}  // namespace ld
