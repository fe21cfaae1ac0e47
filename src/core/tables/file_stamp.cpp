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

// The file's bytes as eight-byte words w_j, summed as w_j * r^j modulo the prime 2^61 - 1: the share of
// a piece needs only its own bytes and its place, and a byte changed anywhere moves the sum (a byte's
// weight is a power of two times a power of r, never a multiple of the prime).
constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;
constexpr std::uint64_t kRadix = 0x0A3B1C5D7E9F2461ULL;  // r, below the prime

using TWide = unsigned __int128;

// Any 64-bit value into 0 .. kPrime - 1.
std::uint64_t Reduce(std::uint64_t x) {
  x = (x & kPrime) + (x >> 61);
  return x >= kPrime ? x - kPrime : x;
}

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
  const TWide t = static_cast<TWide>(a) * b;
  return Reduce((static_cast<std::uint64_t>(t) & kPrime) + static_cast<std::uint64_t>(t >> 61));
}

std::uint64_t AddMod(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t s = a + b;
  return s >= kPrime ? s - kPrime : s;
}

std::uint64_t PowMod(std::uint64_t base, std::uint64_t exponent) {
  std::uint64_t result = 1;
  for (; exponent != 0; exponent >>= 1) {
    if (exponent & 1) result = MulMod(result, base);
    base = MulMod(base, base);
  }
  return result;
}

// acc * factor + word, kept below 2^62 without the last reduction: acc below 2^62, factor below the prime.
std::uint64_t Step(std::uint64_t acc, std::uint64_t factor, std::uint64_t word) {
  const TWide t = static_cast<TWide>(acc) * factor;
  std::uint64_t x = (static_cast<std::uint64_t>(t) & kPrime) + static_cast<std::uint64_t>(t >> 61);
  x += (word & kPrime) + (word >> 61);
  return (x & kPrime) + (x >> 61);
}

std::uint64_t WordAt(const unsigned char* p) {
  std::uint64_t w = 0;
  std::memcpy(&w, p, 8);
  return w;
}

// Σ w_k r^k over the m words at p, reduced: four lanes of every fourth word, each by Horner's rule from its
// last word, so that the multiplications of the lanes overlap.
std::uint64_t Words(const unsigned char* p, std::size_t m) {
  static const std::uint64_t r2 = MulMod(kRadix, kRadix), r3 = MulMod(r2, kRadix), r4 = MulMod(r3, kRadix);
  const std::size_t rounds = m / 4;
  std::uint64_t lane[4] = {0, 0, 0, 0};
  for (std::size_t t = rounds; t-- > 0;) {
    const unsigned char* q = p + 32 * t;
    lane[0] = Step(lane[0], r4, WordAt(q));
    lane[1] = Step(lane[1], r4, WordAt(q + 8));
    lane[2] = Step(lane[2], r4, WordAt(q + 16));
    lane[3] = Step(lane[3], r4, WordAt(q + 24));
  }
  std::uint64_t sum = Reduce(lane[0]);
  sum = AddMod(sum, MulMod(Reduce(lane[1]), kRadix));
  sum = AddMod(sum, MulMod(Reduce(lane[2]), r2));
  sum = AddMod(sum, MulMod(Reduce(lane[3]), r3));
  std::uint64_t weight = PowMod(kRadix, 4 * rounds);
  for (std::size_t k = 4 * rounds; k < m; ++k) {
    sum = AddMod(sum, MulMod(Reduce(WordAt(p + 8 * k)), weight));
    weight = MulMod(weight, kRadix);
  }
  return sum;
}

// The share of the n bytes at pos: a word cut by the piece's start or end counts with the bytes it has.
std::uint64_t Share(std::int64_t pos, const unsigned char* p, std::size_t n) {
  std::uint64_t share = 0;
  auto word = static_cast<std::uint64_t>(pos) / 8;
  if (const auto offset = static_cast<std::size_t>(pos % 8); offset != 0 && n != 0) {
    const std::size_t take = std::min(n, 8 - offset);
    std::uint64_t w = 0;
    std::memcpy(reinterpret_cast<unsigned char*>(&w) + offset, p, take);
    share = MulMod(Reduce(w), PowMod(kRadix, word));
    p += take;
    n -= take;
    ++word;
  }
  if (const std::size_t whole = n / 8; whole != 0) {
    share = AddMod(share, MulMod(Words(p, whole), PowMod(kRadix, word)));
    p += 8 * whole;
    n -= 8 * whole;
    word += whole;
  }
  if (n != 0) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, n);
    share = AddMod(share, MulMod(Reduce(w), PowMod(kRadix, word)));
  }
  return share;
}

std::uint64_t Avalanche(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xC2B2AE3D27D4EB4FULL;
  h ^= h >> 29;
  h *= 0x165667B19E3779F9ULL;
  h ^= h >> 32;
  return h;
}

}  // namespace

void TBytesHash::Add(std::int64_t pos, const void* data, std::size_t n) {
  sum_ = AddMod(sum_, Share(pos, static_cast<const unsigned char*>(data), n));
}

void TBytesHash::Replace(std::int64_t pos, const void* was, const void* now, std::size_t n) {
  const std::uint64_t before = Share(pos, static_cast<const unsigned char*>(was), n);
  sum_ = AddMod(AddMod(sum_, kPrime - before), Share(pos, static_cast<const unsigned char*>(now), n));
}

std::uint64_t TBytesHash::Of(std::int64_t size) const {
  return Avalanche(sum_ ^ (static_cast<std::uint64_t>(size) * 0x9E3779B185EBCA87ULL));
}

std::uint64_t HashOfBytes(const void* data, std::size_t n) {
  TBytesHash hash;
  hash.Add(0, data, n);
  return hash.Of(static_cast<std::int64_t>(n));
}

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
