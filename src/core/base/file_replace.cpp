#include "core/base/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

namespace ld {

namespace {

TFileBytesWriter& BytesWriter() {
  static TFileBytesWriter writer;
  return writer;
}

bool SystemWrite(int fd, const void* data, std::size_t n) {
  const auto* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return false;
    if (w == 0) {
      errno = ENOSPC;  // a write that takes nothing and says nothing: the disk took no more
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Makes the file only if the name is free, with exactly `mode`. The system takes the umask's bits from
// the mode it is given, and the umask belongs to the whole process: instead of clearing it around the
// creation (a file another thread made meanwhile would get the cleared one), the descriptor gets the
// bits the umask took. Until then the file has fewer of them, never more. A mode marked FromUmask is
// the one the umask gives a new file with the marked bits added: what the system made is its base.
int OpenExclusive(const std::string& path, mode_t mode) {
  const bool fromUmask = (mode & kModeFromUmask) != 0;
  const mode_t asked = fromUmask ? (0666 | (mode & 07777)) : (mode & 07777);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, asked);
  if (fd < 0) return fd;
  struct stat made {};
  if (::fstat(fd, &made) != 0) return fd;
  const mode_t wanted = fromUmask ? (made.st_mode & 07777) | (mode & 07777) : asked;
  if ((made.st_mode & 07777) != wanted) ::fchmod(fd, wanted);
  return fd;
}

// The file a link names is the one replaced: a settings file linked to a shared one stays a link.
std::string ResolvedName(const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(name, ec)) return name;
  const auto target = std::filesystem::canonical(name, ec);
  return ec ? name : target.string();
}

}  // namespace

mode_t FromUmask(mode_t added) { return kModeFromUmask | (added & 07777); }

int CreateFileWithMode(const std::string& path, mode_t mode) { return OpenExclusive(path, mode); }

int CreatePrivateFile(const std::string& path, mode_t mode, std::string& name) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
  for (int attempt = 0; attempt < 1000; ++attempt) {
    name = path + ".";
    for (int k = 0; k < 6; ++k) name += kLetters[random() % (sizeof kLetters - 1)];
    name += '~';
    const int fd = OpenExclusive(name, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void ReleaseCachedPages(const std::string& fileName) {
#ifdef __linux__
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
#else
  (void)fileName;
#endif
}

bool RenameOver(const std::string& from, const std::string& to) {
  const int old = ::open(to.c_str(), O_RDONLY | O_CLOEXEC);
  if (::rename(from.c_str(), to.c_str()) != 0) {
    const int error = errno;
    if (old >= 0) ::close(old);
    errno = error;
    return false;
  }
  CloseInBackground(old);
  return true;
}

std::string SystemErrorText(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "нет доступа";
    case EROFS: return "диск только для чтения";
    case ENOSPC:
    case EDQUOT: return "нет места на диске";
    case EFBIG: return "файл слишком велик";
    case ENOENT: return "папка не найдена";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "в пути вместо папки файл";
    case EIO: return "ошибка ввода-вывода";
    case ENAMETOOLONG: return "слишком длинное имя файла";
    case EEXIST: return "имя занято другим файлом";
    default: return "системная ошибка " + std::to_string(error);
  }
}

namespace {

TFileError WriteErrorOf(const std::string& fileName, const std::string& reason, bool kept) {
  const std::string why = kept ? reason + "; прежний файл не изменен" : reason;
  return TFileError("Ошибка записи файла \"" + fileName + "\": " + why, why);
}

}  // namespace

TFileError FileWriteError(const std::string& fileName, const std::string& reason) {
  struct stat st {};
  return WriteErrorOf(fileName, reason, ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode));
}

TFileBytesWriter SetFileBytesWriter(TFileBytesWriter writer) {
  TFileBytesWriter previous = std::move(BytesWriter());
  BytesWriter() = std::move(writer);
  return previous;
}

bool WriteFileBytes(int fd, const void* data, std::size_t n) {
  if (BytesWriter()) return BytesWriter()(fd, std::string(static_cast<const char*>(data), n));
  return SystemWrite(fd, data, n);
}

TFileReplacement::TFileReplacement(const std::string& fileName)
    : shownName_(fileName), fileName_(ResolvedName(fileName)) {
  std::error_code ec;
  if (std::filesystem::is_directory(fileName_, ec)) Fail("это папка, а не файл");
  struct stat old {};
  existed_ = ::stat(fileName_.c_str(), &old) == 0;
  // Ends in "~" like every temporary file of the program, so that no folder walk takes it for data. It
  // has the old file's permissions from its first instant (a first file those of any new file).
  fd_ = CreatePrivateFile(fileName_, existed_ ? old.st_mode & 07777 : FromUmask(0), tempName_);
  if (fd_ < 0) {
    tempName_.clear();
    Fail(SystemErrorText(errno));
  }
  if (existed_) ReleaseCachedPages(fileName_);
}

TFileReplacement::~TFileReplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (!replaced_ && !tempName_.empty()) ::unlink(tempName_.c_str());
}

bool TFileReplacement::Failed(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
  return false;
}

bool TWriteBehind::Written(int fd, std::int64_t end) {
#ifdef __linux__
  if (unsupported_ || end - started_ < kStep) return true;
  // Starts the writing only; the final flush still waits for all of it and reports its failures.
  if (::sync_file_range(fd, started_, end - started_, SYNC_FILE_RANGE_WRITE) != 0) {
    if (errno == EIO || errno == ENOSPC || errno == EDQUOT) return false;
    unsupported_ = true;  // a pipe, or a file system that writes only on the flush
    return true;
  }
  started_ = end;
#else
  (void)fd;
  (void)end;
#endif
  return true;
}

bool TFileReplacement::Write(const void* data, std::size_t n) {
  if (error_ != 0 || fd_ < 0) return false;
  // In steps, so that the disk writes the first ones while the later ones are still being copied.
  const auto* p = static_cast<const char*>(data);
  if (n == 0) {
    errno = 0;  // an empty write still goes to the writer, which may refuse it as any other
    return WriteFileBytes(fd_, p, 0) || Failed(errno);
  }
  while (n > 0) {
    const std::size_t piece = std::min(n, static_cast<std::size_t>(TWriteBehind::kStep));
    errno = 0;
    if (!WriteFileBytes(fd_, p, piece)) return Failed(errno);
    written_ += static_cast<std::int64_t>(piece);
    errno = 0;
    if (!writeBehind_.Written(fd_, written_)) return Failed(errno);
    p += piece;
    n -= piece;
  }
  return true;
}

bool TFileReplacement::Rewritten() {
  if (error_ != 0) return false;
  // The writer may have put a new file in the temporary's place: the open one would be stale.
  struct stat before {};
  const bool had = fd_ >= 0 && ::fstat(fd_, &before) == 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(tempName_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) return Failed(errno);
  struct stat now {};
  if (had && ::fstat(fd_, &now) == 0 && now.st_ino != before.st_ino) ::fchmod(fd_, before.st_mode & 07777);
  if (!BytesWriter()) return true;
  // A test's writer decides how much of the file reaches the disk, as it does for every other file.
  std::string bytes;
  char buffer[65536];
  for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failed(errno);
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return Failed(errno);
  written_ = 0;
  writeBehind_ = TWriteBehind();
  return Write(bytes);
}

bool TFileReplacement::Finish() {
  if (error_ != 0) return false;
  if (fd_ < 0) return Failed(EBADF);
  // On the disk before the rename: after a power cut the name holds the old file or the whole new one.
  if (::fsync(fd_) != 0) {
    Failed(errno);
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  const int fd = std::exchange(fd_, -1);
  return ::close(fd) == 0 || Failed(errno);
}

bool TFileReplacement::Replace() {
  if (error_ != 0) return false;
  if (!RenameOver(tempName_, fileName_)) return Failed(errno);
  replaced_ = true;
  return true;
}

void TFileReplacement::Commit() {
  if (!Finish() || !Replace()) Fail();
}

void TFileReplacement::Fail() const { Fail(error_ != 0 ? SystemErrorText(error_) : "файл не записан"); }

void TFileReplacement::Fail(const std::string& reason) const { throw WriteErrorOf(shownName_, reason, existed_); }

void CloseInBackground(int fd) {
  if (fd < 0) return;
  try {
    std::thread([fd] { ::close(fd); }).detach();
  } catch (const std::system_error&) {
    ::close(fd);  // no thread to be had: closed here, waiting as any close would
  }
}

void WriteFileReplacing(const std::string& fileName, std::string_view bytes) {
  TFileReplacement file(fileName);
  if (!file.Write(bytes)) file.Fail();
  file.Commit();
}

void WriteFileReplacing(const std::string& fileName, const std::function<bool(const std::string& temp)>& produce) {
  TFileReplacement file(fileName);
  errno = 0;
  if (!produce(file.TempName())) file.Fail(errno != 0 ? SystemErrorText(errno) : "файл не записан");
  if (!file.Rewritten()) file.Fail();
  file.Commit();
}

}  // namespace ld
