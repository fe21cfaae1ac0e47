#include "core/tables/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "core/tables/file_io.h"
#include "core/tables/share_calls.h"

namespace ld {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;

std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

std::uint64_t Round(std::uint64_t lane, std::uint64_t word) { return Rotl(lane + word * kPrime2, 31) * kPrime1; }

std::uint64_t Avalanche(std::uint64_t h) {
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return h;
}

// One block of the file: four lanes of eight-byte words, so that a few megabytes cost a few
// milliseconds; the tail byte by byte. Every bit of a block reaches the result.
std::uint64_t HashBlock(const unsigned char* p, std::size_t n, std::uint64_t seed) {
  std::uint64_t lanes[4] = {seed + kPrime1 + kPrime2, seed + kPrime2, seed, seed - kPrime1};
  std::size_t k = 0;
  for (; k + 32 <= n; k += 32) {
    for (int lane = 0; lane < 4; ++lane) {
      std::uint64_t word = 0;
      std::memcpy(&word, p + k + 8 * lane, 8);
      lanes[lane] = Round(lanes[lane], word);
    }
  }
  std::uint64_t h = Rotl(lanes[0], 1) + Rotl(lanes[1], 7) + Rotl(lanes[2], 12) + Rotl(lanes[3], 18);
  for (const std::uint64_t lane : lanes) h = (h ^ Round(0, lane)) * kPrime1 + kPrime3;
  h += n;
  for (; k < n; ++k) h = Rotl(h ^ (p[k] * kPrime3), 11) * kPrime1;
  return Avalanche(h);
}

}  // namespace

bool StampOfOpenFile(int fd, TFileStamp& stamp) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  stamp.Date = fileio::StatDate(st);
  stamp.Size = st.st_size;
  // Blocks of a fixed size, each filled whole before it is hashed: every stamp of the same bytes is the
  // same, however the system hands them out.
  constexpr std::size_t kBlock = 1 << 20;
  std::vector<unsigned char> block(static_cast<std::size_t>(std::min<std::int64_t>(st.st_size, kBlock)));
  std::uint64_t hash = kPrime3;
  std::int64_t at = 0;
  while (at < st.st_size) {
    std::size_t filled = 0;
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(st.st_size - at, kBlock));
    while (filled < want) {
      const ssize_t got = ReadAt(fd, block.data() + filled, want - filled, static_cast<off_t>(at + filled));
      if (got <= 0) return false;  // an error, or a file cut meanwhile
      filled += static_cast<std::size_t>(got);
    }
    hash = HashBlock(block.data(), filled, hash);
    at += static_cast<std::int64_t>(filled);
  }
  stamp.Hash = hash;
  return true;
}

TFileStamp FileStampOf(const std::string& path) {
  const fileio::TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  TFileStamp stamp;
  if (!fd.IsOpen() || !StampOfOpenFile(fd.Get(), stamp)) return {};
  return stamp;
}

namespace {

// Whether the file at the path is the one `seen` stamps; nothing when it is not there or its bytes cannot
// be read now. Another date or size tells at once; the same ones are looked at byte by byte.
std::optional<bool> SameFile(const std::string& path, const TFileStamp& seen) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
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
  if (!seen.Known()) return false;
  const std::optional<bool> same = SameFile(path, seen);
  return same.has_value() && *same;
}

}  // namespace ld
