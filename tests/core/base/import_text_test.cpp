// What an import takes from an outside file: a name without what other programs leave at its ends; a
// number read whole that a table can hold, found without an exception, or named with its text and why; a
// text measured as its field gets it; and the bounded list of its messages, whose texts past the bound
// are never made.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/import_messages.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/outside_value.h"

namespace ld {
namespace {

TEST(ImportValues, NumbersTextsAndTheBoundOfMessages) {
  EXPECT_EQ(ImportNumber(" 2750,25 "), 2750.25);
  EXPECT_EQ(ImportNumber(""), 0.0);
  for (const char* none : {"x", "1e39", "-1e39", "nan", "1.2.3"}) EXPECT_EQ(ImportNumber(none), std::nullopt) << none;
  EXPECT_EQ(ImportNumber("3.4e38"), 3.4e38);
  EXPECT_TRUE(ImportNumberFits(-kLargestImportNumber));
  EXPECT_FALSE(ImportNumberFits(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(ImportNumberFits(std::numeric_limits<double>::quiet_NaN()));

  // blanks at the ends take no room in a field (the imports cut them); inside they do
  const std::string forty(40, 'A');
  EXPECT_EQ(ImportTrimmedLengthFault("  " + forty + " ", 40), "");
  EXPECT_EQ(ImportTrimmedLengthFault(forty + "\t\xC2\xA0\n", 40), "");
  EXPECT_EQ(ImportTrimmedLengthFault(forty.substr(1) + "\tA", 40),
            "текст \"" + forty.substr(1) + "\t...\" не поместится ни в одно поле таблиц: в поле не больше 40 символов");
  EXPECT_NE(ImportTrimmedLengthFault("A " + forty, 40), "");
  EXPECT_EQ(ImportTrimmedLengthFault(std::string(200, ' ') + "Б" + std::string(200, ' '), 1), "");
  // a kilobyte of spaces around a name is no name's: measured whole
  EXPECT_NE(ImportTrimmedLengthFault(forty + std::string(kMostCellBytes, ' '), 40), "");
  // read for one field, the text is refused by that field's name
  EXPECT_EQ(ImportLengthFault(forty + "Я", 40, "Наименование"),
            "текст \"" + forty + "...\" не поместится в поле \"Наименование\": в поле не больше 40 символов");
  EXPECT_EQ(ImportLengthFault(forty, 40, "Наименование"), "");
  EXPECT_EQ(ImportName("   "), "");
  EXPECT_EQ(ImportName(" а б "), "а б");
  // a name loses the blanks, no-break spaces, line breaks and padding at its ends, whole characters only
  const std::vector<std::pair<std::string, std::string>> names = {
      {"\xE2\x80\xAFТП-42\xE2\x80\x87", "ТП-42"},
      {"\r\nТП 42\x0B\x1A\0", "ТП 42"},
      // inside, a no-break space of any width is the blank a person sees there
      {"ТП\xC2\xA0" "42\xE2\x80\xA8\xC2\x85", "ТП 42"},
      {"\xC2\xA0ТП\xE2\x80\x87\xE2\x80\xAF" "42", "ТП  42"},
      {"Т\xC2", "Т\xC2"},  // a byte that is no whole character stays
      {"\xA0Т", "\xA0Т"},
      {" \t\xE2\x80\xA9\n", ""}};
  for (const auto& [text, name] : names) EXPECT_EQ(ImportName(text), name) << ControlsShown(text);
  EXPECT_EQ(ImportNameFault(" ТП-42\t\r\n"), "");
  EXPECT_EQ(ImportNameFault("ТП\x7F" "42\n"), "текст \"ТП?42\" не принят: в нем управляющий символ U+007F");
  // a number is read whole or named with its text and why
  EXPECT_EQ(ImportNumber("\t2750,25\xC2\xA0"), 2750.25);
  EXPECT_EQ(ImportInteger(" 7\r\n", 0, 9), 7);
  EXPECT_EQ(ImportInteger("12", 0, 9), std::nullopt);
  const std::vector<std::pair<std::string, std::string>> faults = {
      {"1 825 200", "текст \"1 825 200\" не является числом: цифры разделены пробелами (разделители разрядов): "
                    "число пишут без них"},
      {"1\xC2\xA0" "825,5", "цифры разделены пробелами"},
      {"1,825,200", "текст \"1,825,200\" не является числом: символ \",\" на месте 6"},
      {"1O.50", "текст \"1O.50\" не является числом: символ \"O\" на месте 2"},
      {"5.3.2026", "текст \"5.3.2026\" не является числом: это дата"},
      {"05.03.2026 08:00:00", "это дата"},
      {"8:00", "текст \"8:00\" не является числом: это время"},
      {"абв", "текст \"абв\" не является числом"},
      {"1e39", "число 1E39 больше по модулю, чем вмещает столбец таблицы (3.4028235E38)"},
      {"2750,25", ""}};
  for (const auto& [text, fault] : faults) {
    const std::string said = ImportNumberTextFault(text);
    EXPECT_TRUE(fault.empty() ? said.empty() : said.find(fault) != std::string::npos) << text << ": " << said;
    EXPECT_EQ(ImportNumber(text).has_value(), fault.empty()) << text;
  }
  EXPECT_EQ(ImportIntegerTextFault("12.5", 0, 99), "текст \"12.5\" не является целым числом");
  EXPECT_EQ(ImportIntegerTextFault("1O", 0, 99), "текст \"1O\" не является целым числом: символ \"O\" на месте 2");
  EXPECT_EQ(ImportIntegerTextFault("300", 0, 255), "число 300 вне пределов 0..255");

  // past the bound a message is counted, never made
  std::vector<std::string> out{"before"};
  int made = 0;
  {
    TImportMessages messages(out, 2);
    for (int i = 1; i <= 5; ++i) {
      EXPECT_EQ(messages.Keeps(), i <= 2) << i;
      messages.Add([&] {
        ++made;
        return "строка " + std::to_string(i);
      });
    }
    messages.Add("и еще одна");
  }
  EXPECT_EQ(made, 2);
  EXPECT_EQ(out, (std::vector<std::string>{"before", "строка 1", "строка 2", "Еще сообщений не показано: 4"}));
}

}  // namespace
}  // namespace ld

namespace ld {
namespace {

// Every kind of outside value through every rule: what a reader may take and what it is told instead.
TEST(ImportValues, AnOutsideValueGivesAValueOrANamedFaultByEveryRule) {
  struct TCase {
    TOutsideValue value;
    const char* name;    // nullptr: refused as a name
    std::optional<double> number;
    const char* fault;   // a part of the number's fault, when refused
  };
  const TCase cases[] = {
      {TOutsideValue(), "", 0.0, ""},
      {TOutsideValue::Text("ТП-42\xC2\xA0"), "ТП-42", std::nullopt, "не является числом"},
      {TOutsideValue::Text("Т1\t"), "Т1", std::nullopt, "не является числом"},
      {TOutsideValue::Text("ТП-4\r2"), nullptr, std::nullopt, "не является числом"},
      {TOutsideValue::Text(" 12,5\xC2\xA0"), "12,5", 12.5, ""},
      // a narrow no-break space between the thousands: the blank it shows in a name, and the number rule
      // says why it is no number
      {TOutsideValue::Text("727\xE2\x80\xAF" "200,25"), "727 200,25", std::nullopt, "разделены пробелами"},
      {TOutsideValue::Number(11070123456789.0, "011070123456789"), "011070123456789", 11070123456789.0, ""},
      {TOutsideValue::Date(46143, "01.05.2026"), "01.05.2026", std::nullopt, "это дата"},
      {TOutsideValue::Date(1.5208333, "36:30"), "36:30", std::nullopt, "это время"},
      {TOutsideValue::Number(1e39, "1E+39"), "1E+39", std::nullopt, ""},
      {TOutsideValue::Unreadable("значение ошибки \"#N/A\""), nullptr, std::nullopt, "#N/A"},
      {TOutsideValue::Text("ёлка \xE2\x84\x96" "5"), "ёлка \xE2\x84\x96" "5", std::nullopt, "не является числом"},
      {TOutsideValue::Text("\xE2\x9C\x93"), nullptr, std::nullopt, "не является числом"},
      // a cell typed over several lines: each break, LF or CR LF, the blank a person sees; a carriage
      // return alone the control character it is
      {TOutsideValue::Text("ИП\nЩукин").LinesJoined(), "ИП Щукин", std::nullopt, "не является числом"},
      {TOutsideValue::Text("ИП\r\nЩукин").LinesJoined(), "ИП Щукин", std::nullopt, "не является числом"},
      {TOutsideValue::Text("ИП\rЩукин\n").LinesJoined(), nullptr, std::nullopt, "не является числом"},
      {TOutsideValue::Text("\r\nМеркурий \r\n\r\n 230\r\n").LinesJoined(), "Меркурий 230", std::nullopt, "не является числом"},
      {TOutsideValue::Text("ул. Мира,\nдом 5").LinesJoined(), "ул. Мира, дом 5", std::nullopt, "не является числом"},
      {TOutsideValue::Text("Обще-\r\nжитие").LinesJoined(), "Общежитие", std::nullopt, "не является числом"},
      {TOutsideValue::Text("ТП-1 -\nТП-2").LinesJoined(), "ТП-1 - ТП-2", std::nullopt, "не является числом"},
  };
  for (const TCase& c : cases) {
    const std::string label = c.value.Quoted();
    const TValueRead<std::string> name = c.value.Name();
    if (c.name) {
      ASSERT_TRUE(name) << label << ": " << name.Fault;
      EXPECT_EQ(*name, c.name) << label;
    } else {
      EXPECT_FALSE(name) << label;
      EXPECT_FALSE(name.Fault.empty()) << label;
    }
    const TValueRead<double> number = c.value.Number();
    EXPECT_EQ(number.Value, c.number) << label;
    if (!c.number) {
      EXPECT_NE(number.Fault.find(c.fault), std::string::npos) << label << ": " << number.Fault;
    }
  }
  // a name longer than its field is refused, its blanks at the ends not counted
  EXPECT_TRUE(TOutsideValue::Text("ТП-42  ").Name(5));
  EXPECT_FALSE(TOutsideValue::Text("ТП-421").Name(5));
  // integers: a whole number within bounds, never a fraction or a date
  EXPECT_EQ(TOutsideValue::Number(7, "7").Integer(0, 10).Value, 7);
  EXPECT_FALSE(TOutsideValue::Number(7.5, "7,5").Integer(0, 10));
  EXPECT_FALSE(TOutsideValue::Number(11, "11").Integer(0, 10));
  EXPECT_FALSE(TOutsideValue::Date(46143, "01.05.2026").Integer(0, 100000));
  EXPECT_EQ(TOutsideValue::Text(" 8 ").Integer(0, 10).Value, 8);
  EXPECT_EQ(TOutsideValue::Date(46143, "01.05.2026").Date().Value, 46143.0);
  EXPECT_FALSE(TOutsideValue::Text("01.05.2026").Date());
  // an integer is what the file shows: a sum stored a few units off its integer shows the integer, two
  // days under [h] the count 48; what shows no integer is refused saying why, by every rule
  struct TInteger {
    TOutsideValue value;
    std::optional<int> integer;
    const char* fault;  // a part of the integer's fault, when refused
  };
  const TInteger integers[] = {
      {TOutsideValue::Number(2.0000000000000004, "2"), 2, ""},
      {TOutsideValue::Number(2.9999999999999996, "3"), 3, ""},
      {TOutsideValue::Number(2.5, "2.5"), std::nullopt, "не является целым числом"},
      {TOutsideValue::Number(10.000000000000002, "10"), std::nullopt, "вне пределов 0..9"},
      {TOutsideValue::Number(77, "Д-0077"), 77, ""},
      {TOutsideValue::Number(77.25, "Д-0077"), std::nullopt, "\"Д-0077\" не является целым числом"},
      // a format that rounds shows no integer the file holds: 2.5 under 0 is "3", 7.4 under 000 "007"
      {TOutsideValue::Number(2.5, "3"), std::nullopt, "\"2.5\" не является целым числом"},
      {TOutsideValue::Number(7.4, "007"), std::nullopt, "\"7.4\" не является целым числом"},
      {TOutsideValue::Number(6.9999999999999991, "007"), 7, ""},
      {TOutsideValue::Date(2, "48"), 48, ""},
      {TOutsideValue::Date(1.5208333, "36:30"), std::nullopt, "это время"},
      {TOutsideValue::Date(1.5208333, "12:30"), std::nullopt, "это время"},
      {TOutsideValue::Unreadable("значение ошибки \"#REF!\""), std::nullopt, "#REF!"},
  };
  for (const TInteger& c : integers) {
    const std::string label = c.value.Quoted();
    const TValueRead<int> integer = c.value.Integer(0, 9 + (c.integer ? *c.integer : 0));
    EXPECT_EQ(integer.Value, c.integer) << label;
    EXPECT_NE(integer.Fault.find(c.fault), std::string::npos) << label << ": " << integer.Fault;
    EXPECT_EQ(integer.Fault.empty(), bool(integer)) << label << ": a refusal without its reason";
    const auto said = [](const auto& read) { return read.Fault.empty() == read.Value.has_value(); };
    EXPECT_TRUE(said(c.value.Number()) && said(c.value.Date()) && said(c.value.Name())) << label;
  }
  EXPECT_EQ(TOutsideValue::Date(2, "48").Number().Value, 48.0);
  // the rule as a dBase reader asks it of a double field, whose shown text is the general format's
  EXPECT_EQ(ShownInteger(2.0000000000000004, {}, 0, 9).Value, 2);
  EXPECT_EQ(ShownInteger(1.5, {}, 0, 9).Fault, "текст \"1.5\" не является целым числом");
}

}  // namespace
}  // namespace ld
