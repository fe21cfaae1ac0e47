#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/text_lines.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

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

// The texts' bytes decide their code page where they can: well-formed UTF-8 of names' characters, whether
// the tables hold them or not ("мм²"); bytes that are a name's in one code page and no name's in the other,
// or a letter of no Russian word in one. DOS text that happens to be well-formed UTF-8 (a lower-case "р",
// "с" or "т" and two letters after it) gives characters of no name, and is no UTF-8; ASCII alone is none.
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
      // lower-case Windows-1251 that DOS reads with letters of no Russian word ("Єя-42"), and the other way
      {{Utf8ToCp1251("тп-42"), Utf8ToCp1251("тп-7")}, kCodePageWindows, "тп-42"},
      {{Utf8ToCp866("тп-42")}, kCodePageDos, "тп-42"},  // Windows-1251 "вЇ-42"
      {{Utf8ToCp1251("кп-1"), Utf8ToCp1251("л-2")}, kCodePageWindows, "кп-1"},  // DOS "ъя-1", "ы-2"
      {{"TP-42", ""}, kCodePageDos, "TP-42"},
      // UTF-8 of a sign Windows-1251 lacks, and of nothing else past ASCII
      {{"кабель 95 мм²", "S=95"}, kCodePageUtf8, "кабель 95 мм²"},
      {{"S=95 mm²"}, kCodePageUtf8, "S=95 mm²"},
      // DOS that is well-formed UTF-8 ("тип" U+2A2F, "сад" U+1824) and one mixed with it
      {{Utf8ToCp866("тип"), Utf8ToCp866("сад")}, kCodePageDos, "тип"},
      {{"ф-1", Utf8ToCp866("тип"), Utf8ToCp866("сад"), Utf8ToCp866("раз")}, 0, ""},
      // Windows-1251 capitals with a sign after them are well-formed UTF-8 of letters of other alphabets
      // that no word around them speaks ("Ÿ", "Ȩ", "Ĺ1", "ҹ1")
      {{Utf8ToCp1251("Её"), Utf8ToCp1251("ИЁ"), Utf8ToCp1251("Д№1")}, kCodePageWindows, "Её"},
      {{Utf8ToCp1251("Т№1")}, kCodePageWindows, "Т№1"},
      // those letters in words of their own language: a Latin name, a Ukrainian one, a unit
      {{"Müller", "Київ", "10 μF"}, kCodePageUtf8, "Müller"},
      // a Greek letter inside a Russian word ("ΔРпот" with a Cyrillic "Р"), and the multiplication sign,
      // which is no letter of any word ("кВ×А", a cable's "3×120")
      {{"ΔРпот"}, kCodePageUtf8, "ΔРпот"},
      {{"АС 3×120", "кВ×А"}, kCodePageUtf8, "АС 3×120"}};
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

// A text file's code page: UTF-8 after its byte-order mark or by its bytes, whatever the file names; then
// as its bytes decide, as the file names it (a card file's DOSCODE), or as the user answers a question that
// shows the first line from the word where its two readings differ. A binary file is never asked: its
// reader refuses it by its control characters.
TEST(CodePage, ATextFilesCodePageIsToldByItsBytesItsWordOrTheUser) {
  test::TempDir dir;
  const std::string path = dir / "узлы.pnt";
  const auto question = [&](const std::string& in866, const std::string& in1251) {
    return "Кодировка файла \"" + path + "\" по его текстам не определяется: первое имя читается как \"" + in866 +
           "\" в кодировке DOS (866) или как \"" + in1251 + "\" в кодировке Windows-1251.\nЧитать файл в кодировке "
           "DOS (866)? (\"Да\" - DOS (866), \"Нет\" - Windows-1251, \"Отмена\" - прервать импорт)";
  };
  const std::string figures = "     1   10.50    0.00    0.00    0.00 ";  // a record's figures before its name
  struct TCase {
    std::string bytes;
    int named;                  // the code page the file names for itself, 0 for none
    int answer;                 // -1: no question expected
    std::string in866, in1251;  // the first text as the question shows it
    int page;                   // 0: refused
  };
  const TCase cases[] = {
      {"\xEF\xBB\xBF" + Utf8ToCp1251("ао-1\n"), 0, -1, "", "", kCodePageUtf8},
      // UTF-8 without the mark, holding a sign Windows-1251 lacks, under DOSCODE too
      {figures + "кабель 95 мм²\n" + figures + "ф-2\n", 0, -1, "", "", kCodePageUtf8},
      {figures + "кабель 95 мм²\n", kCodePageDos, -1, "", "", kCodePageUtf8},
      {Utf8ToCp1251(figures + "тп-42\n" + figures + "тп-7\n"), 0, -1, "", "", kCodePageWindows},
      {Utf8ToCp1251("ао-1\n"), kCodePageDos, -1, "", "", kCodePageDos},
      // letters in both: asked, the figures before the name cut off
      {Utf8ToCp1251(figures + "ао-1\n"), 0, 1, "...рю-1", "...ао-1", kCodePageDos},
      {Utf8ToCp1251(figures + "ао-1\n"), 0, 0, "...рю-1", "...ао-1", kCodePageWindows},
      {Utf8ToCp1251("ао-1 " + figures + "\n"), 0, 2, "рю-1 " + figures.substr(0, 35) + "...",
       "ао-1 " + figures.substr(0, 35) + "...", 0},
      // a binary file of the same letters
      {Utf8ToCp1251("ао-1") + std::string("\0\x01\x02", 3) + "\n", 0, -1, "", "", kCodePageWindows},
  };
  for (const TCase& c : cases) {
    test::WriteBytes(path, c.bytes);
    test::ScriptedMsgBox box;
    if (c.answer >= 0) box.Answer(c.answer);
    const TTextLines text = ReadTextLines(path);
    TCodePageTally tally;
    for (const std::string& line : text.Lines) tally.Add(line);
    int page = 0;
    std::string refusal;
    try {
      page = TextCodePage(path, tally, text.Utf8Mark, c.named);
    } catch (const Error& e) {
      refusal = e.what();
    }
    EXPECT_EQ(page, c.page) << c.bytes;
    if (c.page == 0) {
      EXPECT_EQ(refusal, "Ошибка чтения файла \"" + path + "\": кодировка файла не выбрана, импорт прерван");
    }
    if (c.answer < 0) {
      EXPECT_TRUE(box.Calls().empty()) << c.bytes;
    } else {
      ASSERT_EQ(box.Calls().size(), 1u) << c.bytes;
      EXPECT_EQ(box.Calls()[0].text, question(c.in866, c.in1251));
    }
  }
}

}  // namespace
}  // namespace ld
