#include "core/tables/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "core/tables/file_io.h"
#include "core/tables/share_calls.h"

namespace ld {

bool StampOfOpenFile(int fd, TFileStamp& stamp) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  stamp.Date = fileio::StatDate(st);
  stamp.Size = st.st_size;
  constexpr std::size_t kBlock = 1 << 20;
  std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::int64_t>(st.st_size, kBlock)));
  TBytesHash hash;
  std::int64_t at = 0;
  while (at < st.st_size) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(st.st_size - at, kBlock));
    const ssize_t got = ReadAt(fd, block.data(), want, static_cast<off_t>(at));
    if (got <= 0) return false;  // an error, or a file cut meanwhile
    hash.Add(at, block.data(), static_cast<std::size_t>(got));
    at += got;
  }
  stamp.Hash = hash.Of(st.st_size);
  return true;
}

TFileStamp FileStampOf(const std::string& path) {
  const fileio::TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  TFileStamp stamp;
  if (!fd.IsOpen() || !StampOfOpenFile(fd.Get(), stamp)) return {};
  return stamp;
}

namespace {

// Whether the file at the path is the one `seen` stamps; nothing when it cannot be looked at or its bytes
// cannot be read now. A file that is not there is the one seen only where none was seen: one that was
// read went with whatever replaced its family (a new base, a copy), and a table written there now would
// stand beside that family without its other tables. Another date or size tells at once; the same ones
// are looked at byte by byte.
std::optional<bool> SameFile(const std::string& path, const TFileStamp& seen) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return seen.Absent;
    return std::nullopt;
  }
  if (seen.Absent) return false;
  if (fileio::StatDate(st) != seen.Date || st.st_size != seen.Size) return false;
  const fileio::TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  TFileStamp now;
  if (!fd.IsOpen() || !StampOfOpenFile(fd.Get(), now)) return std::nullopt;
  return now == seen;
}

}  // namespace

bool FileChanged(const std::string& path, const TFileStamp& seen) {
  if (!seen.Known()) return false;
  const std::optional<bool> same = SameFile(path, seen);
  return same.has_value() && !*same;
}

bool FileIsAsStamped(const std::string& path, const TFileStamp& seen) {
  if (!seen.Known() || seen.Absent) return false;
  const std::optional<bool> same = SameFile(path, seen);
  return same.has_value() && *same;
}

}  // namespace ld
