#pragma once
// Seeded damage for the readers' fuzz tests: the same seed gives the same damaged files on every run,
// so a failure found by CI is found again at the desk.
#include <cstdint>
#include <iterator>
#include <random>
#include <string>

namespace ld::test {

// One damaged copy of a valid file: some bytes flipped, the file cut, or a 16- or 32-bit field set to
// an extreme (0, the largest value, or the sign bit), as damaged length and offset fields look.
inline std::string Mutate(const std::string& valid, std::mt19937& random) {
  std::string bytes = valid;
  if (bytes.empty()) return bytes;
  const auto position = [&] { return std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random); };
  switch (random() % 4) {
    case 0: {
      const unsigned flips = 1 + random() % 8;
      for (unsigned i = 0; i < flips; ++i) bytes[position()] ^= static_cast<char>(1u << (random() % 8));
      break;
    }
    case 1: bytes.resize(position()); break;
    case 2:
    case 3: {
      static const std::uint32_t kExtremes[] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFu, 0x8000u, 1};
      const std::uint32_t value = kExtremes[random() % std::size(kExtremes)];
      const std::size_t width = random() % 2 ? 2 : 4;
      // Fields of these formats sit on even offsets.
      const std::size_t at = position() & ~std::size_t{1};
      for (std::size_t i = 0; i < width && at + i < bytes.size(); ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
      break;
    }
  }
  return bytes;
}

}  // namespace ld::test
