// What an import takes from an outside file: a number a table can hold, found without an exception; a
// text measured as its field gets it; and the bounded list of its messages, whose texts past the bound
// are never made.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/base/import_messages.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"

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
