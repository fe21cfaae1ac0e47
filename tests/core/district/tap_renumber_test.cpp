// Tap-off numbers made unique names block by block, names that are no numbers left alone, a second run
// that changes nothing, and the sectioning switch names cut to their second part.
#include "core/district/tap_renumber.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class TapOffNames : public ::testing::Test {
protected:
  TapOffNames() { MaketFileName = (DataDir() / "maket.zr").string(); }
  // Sign, Name1 and Name2 of every row, "|"-joined.
  static std::vector<std::string> Lines(const TDataFile& t) {
    std::vector<std::string> out;
    for (int r = 1; r <= t.RowCount; ++r) {
      std::string row = GetCellText(t, r, FindColumnIndex("Sign", t), true);
      for (const char* field : {"Name1", "Name2"}) row += "|" + GetCellText(t, r, FindColumnIndex(field, t), true);
      out.push_back(row);
    }
    return out;
  }
  TDataFile lines;
};

TEST_F(TapOffNames, NumbersOfEachBlockGetNamesAfterTheLargestInUse) {
  // Nr, Sign, Name1, Name2
  FillRows(lines, LayoutLines10,
           {{"", "", "_7", "ПС-1"},
            {"", "", "10", "1"},
            {"", "+", "1", "2"},
            {"", "+", "2", "3"},
            {"", "", "12a", "_x"},
            {"", "", "ПС-2", "1"},
            {"", "+", "1", ""},
            {"", "+", "1", "5"},
            {"", "", "_3", "20"}});
  std::vector<int> progress;
  RenumberTapOffs(lines, [&](int p) { progress.push_back(p); });
  const std::vector<std::string> expected{"|_7|ПС-1",   "|_8|_9",   "|_9|_10", "|_10|_11", "|12a|_x",
                                          "|ПС-2|_12", "|_12|",    "|_12|_13", "|_3|20"};
  EXPECT_EQ(Lines(lines), expected);
  ASSERT_FALSE(progress.empty());
  EXPECT_LE(progress.back(), 100);

  // the marks are gone, so a second run has no block to work on
  RenumberTapOffs(lines);
  EXPECT_EQ(Lines(lines), expected);
}

TEST_F(TapOffNames, ARunFromTheFirstRowAndANumberTwiceInOneRow) {
  FillRows(lines, LayoutLines10, {{"", "+", "1", "2"}, {"", "+", "2", "3"}, {"", "", "4", "4"}, {"", "+", "4", "5"}});
  RenumberTapOffs(lines);
  // one call renames one name of a row, Name1 first; Name2 takes the next name on its own turn
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"|_1|_2", "|_2|_3", "|_4|_5", "|_4|_6"}));
}

TEST_F(TapOffNames, SectioningSwitchesKeepTheirSecondPart) {
  TDataFile stations;
  // Nr, Name1, Ntr, Name2, NameC
  FillRows(stations, LayoutTransTP,
           {{"", "ТП-1", "Т1", "", "A"}, {"", "ТП-1", "Т2", "", "A.B"}, {"", "ТП-2", "Т1", "", "РП-3.ШСВ-1.10"},
            {"", "ТП-2", "Т2", "", ""}, {"", "ТП-3", "Т1", "", ".С"}});
  RenameSectionSwitches(stations);
  std::vector<std::string> names;
  for (int r = 1; r <= stations.RowCount; ++r) names.push_back(GetCellText(stations, r, FindColumnIndex("NameC", stations), true));
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "ШСВ-1", "", "С"}));
}

}  // namespace
}  // namespace ld::test
