// The table reader's decoding of Windows-1251 texts against the base library's conversion: every byte
// alone, and long texts where Latin runs of every length meet Cyrillic and the other letters.
#include <gtest/gtest.h>

#include <string>

#include "core/base/codepage.h"
#include "core/tables/text_buffer.h"

namespace ld {
namespace {

std::string Decoded(const std::string& bytes) {
  std::string out(3 * bytes.size() + 1, '\0');
  out.resize(DecodeCp1251To(bytes, out.data()));
  return out;
}

TEST(TextBuffer, DecodesAsTheBaseConversion) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Decoded(one), Cp1251ToUtf8(one)) << b;
  }
  std::string mixed;
  for (int run = 0; run < 20; ++run) {
    mixed.append(static_cast<std::size_t>(run), static_cast<char>('a' + run));
    mixed.push_back(static_cast<char>(0xC0 + run));  // А...
    mixed.push_back(static_cast<char>(0xEF + run % 17));  // п, р ... я
    mixed.push_back(static_cast<char>(0x80 + run * 3));  // Ђ, ‚ and the other letters and signs
  }
  EXPECT_EQ(Decoded(mixed), Cp1251ToUtf8(mixed));
  std::string out;
  DecodeCp1251Into(mixed, out);
  EXPECT_EQ(out, Cp1251ToUtf8(mixed));
  // A text of nothing but the widest characters fills the room exactly.
  const std::string widest(255, static_cast<char>(0x88));  // "€", three bytes
  EXPECT_EQ(Decoded(widest), Cp1251ToUtf8(widest));
  EXPECT_EQ(Decoded(widest).size(), 3u * 255);
  EXPECT_EQ(Decoded(std::string(255, 'z')), std::string(255, 'z'));
}

}  // namespace
}  // namespace ld
