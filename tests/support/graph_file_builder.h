#pragma once
// Records of the binary files of typical daily graphs ("*.LB"), built byte by byte.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/codepage.h"

namespace ld::test {

// One 428-byte record: number, length-prefixed Windows-1251 name, 24 floats, and the rest `filler`.
inline std::string LBRecord(std::uint16_t number, const std::string& name, const std::vector<float>& values,
                            char filler = '\0') {
  std::string r(428, filler);
  r[0] = static_cast<char>(number & 0xFF);
  r[1] = static_cast<char>(number >> 8);
  const std::string bytes = Utf8ToCp1251(name);
  r[2] = static_cast<char>(bytes.size());
  std::memcpy(&r[3], bytes.data(), bytes.size());
  for (std::size_t h = 0; h < 24 && h < values.size(); ++h) {
    const auto bits = std::bit_cast<std::uint32_t>(values[h]);
    for (int b = 0; b < 4; ++b) r[44 + 4 * h + static_cast<std::size_t>(b)] = static_cast<char>((bits >> (8 * b)) & 0xFF);
  }
  return r;
}

// The header the tests give a file.
inline std::string LBHeader() { return std::string("LB\x01\x00", 4); }

}  // namespace ld::test
