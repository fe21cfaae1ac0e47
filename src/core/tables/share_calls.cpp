#include "core/tables/share_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <utility>

#include "core/base/file_replace.h"
#include "core/base/msgbox.h"
#include "core/tables/file_io.h"

namespace ld {

namespace {

TShareCalls& Calls() {
  static TShareCalls calls;
  return calls;
}

// An exclusive lock needs a descriptor open for writing, as a share's lock always does.
int SystemLock(int fd, short type) {
  if (Calls().lock) return Calls().lock(fd, type);
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return ::fcntl(fd, F_OFD_SETLK, &lock);
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

// The user hears once of each folder whose locks fail, when it first happens: what programs of other
// workstations left there is removed only when the user says so.
void TellLocksFail(const std::string& path, int error) {
  static std::set<std::string> told;
  const std::string folder = FolderOf(fileio::FullFileName(path));
  if (!told.insert(folder).second) return;
  ShowMsgForm("В папке \"" + folder + "\" не работают блокировки файлов: " + LockFailureText(error) +
                  ". Блокировки и отметки, оставленные программами других рабочих станций, удаляются только с "
                  "вашего согласия",
              mkWarning, mbOk);
}

}  // namespace

TShareCalls SetShareCalls(TShareCalls calls) {
  TShareCalls previous = std::move(Calls());
  Calls() = std::move(calls);
  fileio::SetTimeGrain(Calls().timeGrain);
  return previous;
}

const TShareCalls& ShareCalls() { return Calls(); }

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

ssize_t ReadAt(int fd, void* buffer, std::size_t size, off_t offset) {
  for (;;) {
    const ssize_t got = Calls().read ? Calls().read(fd, buffer, size, offset) : ::pread(fd, buffer, size, offset);
    if (got >= 0 || errno != EINTR) return got;
  }
}

bool IsHeldRefusal(int error) { return error == EACCES || error == EAGAIN; }

int TakeFreeNameAtOnce(const std::string& own, const std::string& path) {
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
  errno = EOPNOTSUPP;
  return -1;
}

int TakeFreeName(const std::string& own, const std::string& path) {
  if (TakeFreeNameAtOnce(own, path) == 0) return 0;
  if (errno != EOPNOTSUPP) return -1;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(own.c_str(), path.c_str());
}

bool KeepsReadOnly(const std::string& folder) {
  if (Calls().keepsReadOnly) return true;
  struct statfs fs {};
  if (::statfs(folder.c_str(), &fs) != 0) return false;
  constexpr unsigned long kCifs = 0xFF534D42UL, kSmb2 = 0xFE534D42UL, kSmb = 0x517BUL;
  const auto type = static_cast<unsigned long>(fs.f_type);
  return type == kCifs || type == kSmb2 || type == kSmb;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace ld
