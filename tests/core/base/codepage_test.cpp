#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/codepage.h"

namespace ld {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

TEST(CodePage, EveryWindows1251ByteSurvivesTheRoundTrip) {
  const std::string all = AllBytes();
  const std::string text = Cp1251ToUtf8(all);
  EXPECT_EQ(Utf8Length(text), 256u);
  EXPECT_EQ(Utf8ToCp1251(text), all);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(Cp1251Code(Cp1251Char(static_cast<unsigned char>(b))), b) << b;
  }
  // The letters that differ between Russian and Ukrainian texts, and the signs used in tables.
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8\xB2\xB3\xAF\xBF\xAA\xBA\xA5\xB4"), "ЁёІіЇїЄєҐґ");
  EXPECT_EQ(Utf8ToCp1251("Подстанция ТП-1"), "\xCF\xEE\xE4\xF1\xF2\xE0\xED\xF6\xE8\xFF \xD2\xCF-1");
}

TEST(CodePage, EveryDosByteSurvivesTheRoundTrip) {
  const std::string all = AllBytes();
  const std::string text = Cp866ToUtf8(all);
  EXPECT_EQ(Utf8Length(text), 256u);
  EXPECT_EQ(Utf8ToCp866(text), all);
  EXPECT_EQ(Cp866ToUtf8("\x8F\xE0\xA8\xA2\xA5\xE2 \xF0\xF1 \xFC \xB0"), "Привет Ёё № ░");
}

TEST(CodePage, CharactersWithoutACodeBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("A日ü本Б"), "A???\xC1");
  EXPECT_EQ(Utf8ToCp866("€ш"), "?\xE8");  // the euro sign exists in 1251 only
  // A broken sequence never swallows the following characters.
  EXPECT_EQ(Utf8ToCp1251("\xD0" "A\xE2\x82" "Б"), "?A??\xC1");
  EXPECT_EQ(Utf8Length("\xD0" "A"), 2u);
  // Overlong forms just below each length's range, "/" and the last one- and two-byte characters among
  // them, are refused byte by byte and never read as the character they would spell; the shortest forms
  // at the same boundaries are characters.
  EXPECT_EQ(Utf8ToCp1251("\xC0\xAF" "\xC1\xBF" "\xE0\x9F\xBF" "\xF0\x8F\xBF\xBF"), std::string(11, '?'));
  EXPECT_EQ(Utf8Length("\xC1\xBF" "\xE0\x9F\xBF"), 5u);
  EXPECT_EQ(Utf8Length("\xC2\x80" "\xE0\xA0\x80" "\xF0\x90\x80\x80"), 3u);
  EXPECT_EQ(Utf8ToCp1251("\xD0\x90\xC2\xA0"), "\xC0\xA0");  // А and the no-break space

  // The checked conversion names the first character it cannot keep and gives no bytes then.
  std::string bytes = "old";
  char32_t missing = 0;
  EXPECT_TRUE(TryUtf8ToCp1251("ТП-1 ёЁ№€", bytes, missing));
  EXPECT_EQ(bytes, "\xD2\xCF-1 \xB8\xA8\xB9\x88");
  EXPECT_FALSE(TryUtf8ToCp1251("ТП-╥╧ü", bytes, missing));
  EXPECT_EQ(missing, U'╥');
  EXPECT_EQ(bytes, "\xD2\xCF-1 \xB8\xA8\xB9\x88");
  EXPECT_FALSE(TryUtf8ToCp1251("A\xD0", bytes, missing));
  EXPECT_EQ(missing, 0xD0u) << "a broken sequence is a character without a code";
  EXPECT_TRUE(TryUtf8ToCp1251("", bytes, missing));
  EXPECT_EQ(bytes, "");
}

TEST(CodePage, LengthAndLeftCountCharacters) {
  EXPECT_EQ(Utf8Length("a€日𝄞"), 4u);
  EXPECT_EQ(Utf8Left("Пр", 10), "Пр");
  EXPECT_EQ(Utf8Left("𝄞ab", 2), "𝄞a");
}

TEST(CodePage, CaseOfLatinRussianAndUkrainianLetters) {
  EXPECT_EQ(UpperCase("ґанок їжак єдність і ёж ўзор abc xyz"), "ҐАНОК ЇЖАК ЄДНІСТЬ І ЁЖ ЎЗОР ABC XYZ");
  EXPECT_EQ(LowerCase("ҐАНОК ЇЖАК ЄДНІСТЬ І ЁЖ ЎЗОР ABC XYZ"), "ґанок їжак єдність і ёж ўзор abc xyz");
  EXPECT_EQ(UpperCase("№ 10,5 кВ ß é"), "№ 10,5 КВ ß é");  // only Latin and Cyrillic letters change
}

TEST(CodePage, OrderFollowsWindows1251Codes) {
  EXPECT_EQ(CompareCp1251("ТП-1", "ТП-1"), 0);
  EXPECT_LT(CompareCp1251("Z", "А"), 0);     // Latin before Cyrillic
  EXPECT_LT(CompareCp1251("Я", "а"), 0);     // capitals before small letters
  EXPECT_LT(CompareCp1251("ё", "а"), 0);     // ё (0xB8) before the alphabet: UTF-8 bytes would put it after я
  EXPECT_LT(CompareCp1251("Аб", "Абв"), 0);
  EXPECT_GT(CompareCp1251("日", "я"), 0);     // no code: after every coded character
  EXPECT_EQ(Cp1251SortKey(U'ё'), 0xB8u);
}

// The texts' bytes decide their code page where they can: UTF-8 characters the tables hold, bytes that
// are a name's in one code page and no name's in the other. DOS text that happens to be well-formed UTF-8
// (a lower-case "р" and two letters after it) gives characters no table holds, and is no UTF-8.
TEST(CodePage, TheBytesOfTextsDecideTheirCodePageWhereTheyCan) {
  struct TCase {
    std::vector<std::string> texts;
    int page;
    std::string first;  // the first text decoded in that code page
  };
  const TCase cases[] = {
      {{"ТП-2 «Лесная»", "ф-1"}, kCodePageUtf8, "ТП-2 «Лесная»"},
      {{Utf8ToCp866("раб"), Utf8ToCp866("тёс")}, kCodePageDos, "раб"},
      {{Utf8ToCp866("ТП-2"), "ТП-3"}, 0, ""},  // DOS and UTF-8 in one file: neither decides
      {{Utf8ToCp1251("ТП-2 «Лесная»")}, kCodePageWindows, "ТП-2 «Лесная»"},
      {{Utf8ToCp866("ТП-2 Лесная")}, kCodePageDos, "ТП-2 Лесная"},
      // letters in both, however rare in one: DOS "тёс" and "№8", Windows-1251 "всб" and "ь8"
      {{Utf8ToCp866("тёс"), Utf8ToCp866("ёрш"), Utf8ToCp866("№8")}, 0, ""},
      {{Utf8ToCp1251("тп-42"), Utf8ToCp1251("тп-7")}, 0, ""},
      {{"TP-42", ""}, kCodePageDos, "TP-42"}};
  for (const TCase& c : cases) {
    TCodePageTally tally;
    for (const std::string& text : c.texts) tally.Add(text);
    EXPECT_EQ(tally.Decided(true), c.page) << c.texts[0];
    if (c.page != 0) {
      EXPECT_EQ(DecodeText(c.texts[0], c.page), c.first);
    }
  }
  // a malformed byte of a UTF-8 text comes as the character of its value, never as a broken sequence
  EXPECT_EQ(DecodeText("ТП\xD0", kCodePageUtf8), "ТП\u00D0");
}

}  // namespace
}  // namespace ld
