#include "core/tables/bytes_hash.h"

#include <cstring>

namespace ld {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;

std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// The place of word j: j * kPrime1 plus a constant. Each word's share, rotl((w + place) * kPrime2, 31),
// is a different one for each of its values (an odd factor and a rotation lose no bit), so one word
// changed always moves the sum; the place makes a word count for where it stands.
std::uint64_t Place(std::uint64_t index) { return (index + 1) * kPrime1; }

std::uint64_t Share(std::uint64_t word, std::uint64_t place) { return Rotl((word + place) * kPrime2, 31); }

std::uint64_t WordAt(const unsigned char* p) {
  std::uint64_t w = 0;
  std::memcpy(&w, p, 8);
  return w;
}

// The shares of the m words at p, the first of them word `index` of the file: four sums, so that the
// multiplications overlap.
std::uint64_t Words(const unsigned char* p, std::size_t m, std::uint64_t index) {
  std::uint64_t sum[4] = {0, 0, 0, 0};
  std::uint64_t place = Place(index);
  std::size_t k = 0;
  for (; k + 4 <= m; k += 4, place += 4 * kPrime1) {
    sum[0] += Share(WordAt(p + 8 * k), place);
    sum[1] += Share(WordAt(p + 8 * k + 8), place + kPrime1);
    sum[2] += Share(WordAt(p + 8 * k + 16), place + 2 * kPrime1);
    sum[3] += Share(WordAt(p + 8 * k + 24), place + 3 * kPrime1);
  }
  for (; k < m; ++k, place += kPrime1) sum[0] += Share(WordAt(p + 8 * k), place);
  return sum[0] + sum[1] + sum[2] + sum[3];
}

std::uint64_t Avalanche(std::uint64_t h) {
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return h;
}

}  // namespace

void TBytesHash::AddPart(std::uint64_t index, std::size_t offset, const unsigned char* bytes, std::size_t n) {
  TPart& part = parts_[index];
  std::memcpy(reinterpret_cast<unsigned char*>(&part.word) + offset, bytes, n);
  part.mask |= ((1u << n) - 1) << offset;
  if (part.mask != 0xFF) return;
  sum_ += Share(part.word, Place(index));
  parts_.erase(index);
}

void TBytesHash::Add(std::int64_t pos, const void* data, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  auto index = static_cast<std::uint64_t>(pos) / 8;
  if (const auto offset = static_cast<std::size_t>(pos % 8); offset != 0 && n != 0) {
    const std::size_t take = std::min(n, 8 - offset);
    AddPart(index, offset, p, take);
    p += take;
    n -= take;
    ++index;
  }
  sum_ += Words(p, n / 8, index);
  index += n / 8;
  if (n % 8 != 0) AddPart(index, 0, p + n / 8 * 8, n % 8);
}

std::uint64_t TBytesHash::Of(std::int64_t size) const {
  // The file's last word, where its size is not a multiple of eight, counts with zeros after its end.
  std::uint64_t sum = sum_;
  for (const auto& [index, part] : parts_) sum += Share(part.word, Place(index));
  return Avalanche(sum * kPrime1 ^ static_cast<std::uint64_t>(size) * kPrime3);
}

std::uint64_t HashOfBytes(const void* data, std::size_t n) {
  TBytesHash hash;
  hash.Add(0, data, n);
  return hash.Of(static_cast<std::int64_t>(n));
}

}  // namespace ld
