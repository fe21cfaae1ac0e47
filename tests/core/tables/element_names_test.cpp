// The node names of formed district elements, row by row.
#include "core/tables/element_names.h"

#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

TEST(ElementNames, LettersAndTrimming) {
  EXPECT_EQ(TrimName(" \tТП-1 \r"), "ТП-1");
  EXPECT_EQ(DistrictLetter(0), 0u);
  EXPECT_EQ(DistrictLetter(' '), 0u);
  EXPECT_EQ(DistrictLetter('H'), U'Н');
  EXPECT_EQ(DistrictLetter('p'), U'Р');
  EXPECT_EQ(DistrictLetter('+'), U'+');
  EXPECT_EQ(DistrictLetter(Utf8ToCp1251("ф")[0]), U'Ф');
}

TEST(ElementNames, StationsAndLowVoltageLines) {
  test::LayoutScope scope{(test::DataDir() / "maket.zr").string()};
  TDataFile stations;
  test::FillRows(stations, LayoutTransTP,
                 {{"1", " ТП-4 ", "Т1", "", "РП-2.7.1"},
                  {"1", "ТП-4.", "2", "", "8"},
                  {"1", "ТП-4.10", "Т2", " Шины 0.4 "},
                  {"1", "ТП-4.Б", "Т1", "", "РП-2."},
                  {"1", "ТП-5"}});
  TTransTPCols t;
  FillTransTPCols(stations, t);
  ASSERT_TRUE(StationName2Shown(stations));
  struct Expect {
    const char *station, *prefix, *low, *third;
  };
  const Expect expected[] = {{"ТП-4", "ТП-4", "ТП-4.Т1", "ТП-4.7"},
                             {"ТП-4.", "ТП-4", "ТП-4.2", "ТП-4.8"},
                             {"ТП-4.10", "ТП-4", "Шины 0.4", ""},
                             {"ТП-4.Б", "ТП-4", "ТП-4.Б.Т1", "ТП-4."},
                             {"ТП-5", "ТП-5", "", ""}};
  for (int row = 1; row <= 5; ++row) {
    const TStationNames s = ComposeStationNames(t, row, true);
    const Expect& e = expected[row - 1];
    EXPECT_EQ(s.Station, e.station) << row;
    EXPECT_EQ(s.Prefix, e.prefix) << row;
    EXPECT_EQ(s.Low, e.low) << row;
    EXPECT_EQ(s.Third, e.third) << row;
  }
  EXPECT_EQ(ComposeStationNames(t, 3, false).Low, "ТП-4.Т2") << "a hidden Name2 names nothing";

  TDataFile lines04;
  test::FillRows(lines04, LayoutLines04,
                 {{"ТП-4.1", "Т1", "Ф1"}, {"ТП-4.", "", "ср-3"}, {"ТП-4.Б", "Т2", "ЛР7"}, {"ТП-4", "Т1", "Р-1"},
                  {"ТП-4", "Т1", "РП-1"}});
  TLine04Cols q;
  FillLine04Cols(lines04, q);
  const std::pair<const char*, const char*> ends[] = {
      {"ТП-4.Т1", "ТП-4.Ф1"}, {"ТП-4", "ср-3"}, {"ТП-4.Б.Т2", "ЛР7"}, {"ТП-4.Т1", "Р-1"}, {"ТП-4.Т1", "ТП-4.РП-1"}};
  for (int row = 1; row <= 5; ++row) {
    const TLine04Ends e = ComposeLine04Ends(q, row);
    EXPECT_EQ(e.Name1, ends[row - 1].first) << row;
    EXPECT_EQ(e.Name2, ends[row - 1].second) << row;
  }
}

}  // namespace
}  // namespace ld
