// Load forming of transformer stations over tables built in memory, and over a base on disk for the
// repeatability of runs.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <span>
#include <utility>

#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/load_forming.h"
#include "core/tables/cell_convert.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"
#include "support/table_rows.h"
#include "support/held_file.h"

namespace ld::test {
namespace {

using Cells = NamedCells;
using Lines = std::vector<std::string>;


double Num(const TDataFile& table, const char* field, int row) {
  std::string text = CellText(table, field, row);
  if (const auto at = text.find(FormatSettings.DecimalSeparator); at != std::string::npos)
    text.replace(at, FormatSettings.DecimalSeparator.size(), ".");
  return StrToFloatZ(text);
}

class LoadForming : public ::testing::Test {
protected:
  LoadForming() {
    MaketFileName = (DataDir() / "maket.zr").string();
    for (auto [table, layout] : {std::pair{&t.Inputs, LayoutSubstInputs}, {&t.Feeders, LayoutSubstFeeders},
                                 {&t.Transformers, LayoutTransTP}, {&t.MeterPoints, LayoutMeterPoints},
                                 {&t.Households, LayoutHouseholds}, {&t.Lines04, LayoutLines04}})
      FillNamedRows(*table, layout, {});
    o.LoadLin04 = false;
  }
  ~LoadForming() override { SetFormatSeparators(".", "\u00A0"); }

  // The report without its headings.
  Lines Run() {
    TLoadForming run(t, o, {});
    run.Form();
    Lines lines;
    for (const std::string& line : run.Messages())
      if (!line.empty() && line.front() != '[') lines.push_back(line);
    return lines;
  }

  TLoadFormingTables t;
  TLoadFormingOptions o;
};

TEST_F(LoadForming, IndustrialEnergyGoesToTheStationsTransformer) {
  FillNamedRows(t.Transformers, LayoutTransTP,
       {{{"Name1", "ТП-7"}, {"Ntr", "Т1"}, {"T", "1"}, {"Pn", "77"}},
        {{"Name1", "ТП-5"}, {"Ntr", "Т2"}},
        {{"Name1", "ТП-5"}, {"Ntr", "Т1"}},
        {{"Name1", "ТП-1.10"}, {"Ntr", "Т1"}, {"Pn", "999"}, {"U", "1"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {{{"NameTP", "ТП-7"}, {"Ntr", "Т1"}, {"Ndog", "5"}, {"TypCounter", "1"}, {"W", "300"}},
        {{"NameTP", "ТП-5"}, {"Ntr", "Т3"}, {"Ndog", "4"}, {"TypCounter", "1"}, {"W", "200"}},
        {{"NameTP", "ТП-1"}, {"Ntr", "Т9"}, {"Ndog", "1"}, {"TypCounter", "1"}, {"Ws", "1000"}, {"Wt", "20"},
         {"Wl", "30"}},
        {{"NameTP", "ТП-1"}, {"Ndog", "2"}, {"TypCounter", "1"}, {"W", "10"}},
        {{"NameTP", "ТП-1"}, {"Ntr", "Т1"}, {"Ndog", "3"}, {"TypCounter", "0"}, {"W", "5"}},
        {{"NameTP", "ТП-7"}, {"Ntr", "Т1"}, {"Ndog", "6"}, {"TypCounter", "1"}, {"W", "10"}, {"Ws", "15"}}});
  EXPECT_EQ(Run(), Lines{"Пром.абон., строка 4 : на ТП-5 неверно указан номер трансформатора, загружен Т1"});

  const TDataFile& mp = t.MeterPoints;
  EXPECT_EQ(Num(mp, "W", 1), 950) << "the total less both losses";
  EXPECT_EQ(Num(mp, "Wt", 1), 20);
  EXPECT_EQ((std::vector<double>{Num(mp, "Wl", 6), Num(mp, "Wt", 6)}), (std::vector<double>{5, 0}))
      << "with an energy the rest of the total is the line's loss before the transformer's";
  // the single transformer of ТП-1 takes every number; its earlier load and side are reset
  const TDataFile& tr = t.Transformers;
  ASSERT_EQ(CellText(tr, "Name1", 1), "ТП-1.10");
  EXPECT_EQ(Num(tr, "Pn", 1), 960);
  EXPECT_DOUBLE_EQ(Num(tr, "Qn", 1), 480);
  EXPECT_EQ(Num(tr, "Pg", 1), 5);
  EXPECT_EQ(Num(tr, "dWPa", 1), 50);
  EXPECT_EQ(Num(tr, "WPpr", 1), 960);
  EXPECT_EQ(CellText(tr, "T", 1), "-4");
  EXPECT_EQ(CellText(tr, "U", 1), "");
  for (int row = 1; row <= 3; ++row) EXPECT_EQ(CellText(mp, "LinkTP", row), "ТП-1.Т1") << row;
  // a wrong number at ТП-5 loads its first transformer in service
  ASSERT_EQ(CellText(tr, "Ntr", 2), "Т1");
  EXPECT_EQ(Num(tr, "Pn", 2), 200);
  EXPECT_EQ(Num(tr, "Qn", 2), 100);
  EXPECT_EQ(CellText(mp, "LinkTP", 4), "ТП-5.Т1");
  EXPECT_EQ(Num(tr, "Pn", 3), 0);
  EXPECT_EQ(CellText(tr, "T", 3), "") << "Т2 received nothing";
  // the user's transformer keeps its load, its subscriber gets no link
  EXPECT_EQ(Num(tr, "Pn", 4), 77);
  EXPECT_EQ(CellText(tr, "T", 4), "1");
  EXPECT_EQ(CellText(mp, "LinkTP", 5), "");
}

TEST_F(LoadForming, MeteringSidesReactiveMetersAndSubtractedPoints) {
  o.PromTg = 0.5;
  FillNamedRows(t.Transformers, LayoutTransTP, {{{"Name1", "тп-5"}, {"Ntr", "Т1"}}, {{"Name1", "тп-5"}, {"Ntr", "Т2"}}});
  const auto meter = [](const char* contract, const char* kind, const char* w, const char* kvolt,
                        const char* device) -> Cells {
    return {{"NameTP", "ТП-5"}, {"Ntr", "Т1"},    {"Ndog", contract}, {"NumPoint", "1"},
            {"TypCounter", kind}, {"W", w},       {"Kvolt", kvolt},   {"Device", device}};
  };
  Cells subtracted = meter("13", "1", "50", "1", "N");
  subtracted.emplace_back("Sub", "1");
  Cells lossy = meter("11", "2", "70", "100", "N");
  lossy.emplace_back("Wt", "3");
  lossy.emplace_back("Wl", "4");
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {meter("10", "1", "100", "100", "Y"), meter("10", "2", "40", "100", "Y"), meter("11", "1", "200", "100", "Y"),
        lossy, meter("12", "3", "9", "100", "y"), subtracted});
  EXPECT_EQ(Run(), Lines{"Пром.абон., строка 6 : ТП-5 учет установлен на ВН и НН трансформатора"});

  const TDataFile& tr = t.Transformers;
  EXPECT_EQ(Num(tr, "Pn", 1), 250) << "100 + 200 - 50";
  EXPECT_EQ(Num(tr, "Qn", 1), 115) << "40 metered, 200 x 0.5 by tg, -50 x 0.5";
  EXPECT_EQ(Num(tr, "Qg", 1), 9);
  EXPECT_EQ(Num(tr, "WPpr", 1), 250);
  EXPECT_EQ(Num(tr, "WQpr", 1), 115);
  EXPECT_EQ(Num(tr, "dWQa", 1), 7) << "the invalid reactive meter adds its losses";
  EXPECT_EQ(CellText(tr, "U", 1), "") << "the mixed transformer counts as metered on the low side";
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", row), "ТП-5") << row;
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 6), "ТП-5.Т1");

  // the valid reactive meter of point 2 is not point 1's; a ratio of 1.5 meters on the high side
  Cells second = meter("14", "2", "3", "1.5", "Y");
  second[3].second = "2";
  FillNamedRows(t.MeterPoints, LayoutMeterPoints, {meter("14", "1", "10", "1.5", "N"), second});
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(Num(tr, "Qn", 1), 10 * 0.5 + 3);
  EXPECT_EQ(CellText(tr, "U", 1), "1");
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 1), "ТП-5");
}

TEST_F(LoadForming, FeedersAndInputsTakeEnergyAddressedToThem) {
  o.BytTg = 0.2;
  FillNamedRows(t.Feeders, LayoutSubstFeeders,
       {{{"Name1", "ПС-1"}, {"Name2", "Ф-2"}, {"T", "1"}, {"P", "5"}, {"WPop", "123"}},
        {{"Name1", "ПС-1"}, {"Name2", "Ф-1"}, {"P", "10"}}});
  // formed by an earlier run, metered otherwise than as a consumer: its old load goes
  FillNamedRows(t.Inputs, LayoutSubstInputs, {{{"NamePS", "В-1"}, {"T", "-4"}, {"B", "+"}, {"P", "99"}, {"Qm", "7"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {{{"NameTP", "Ф-1"}, {"TypCounter", "1"}, {"W", "100"}, {"Wt", "2"}, {"Wl", "3"}},
        {{"NameTP", "Ф-2"}, {"Ndog", "1"}, {"TypCounter", "1"}, {"W", "100"}},
        {{"NameTP", "В-1"}, {"TypCounter", "0"}, {"W", "20"}},
        {{"NameTP", "ТП-99"}, {"TypCounter", "1"}, {"W", "1"}},
        {{"NameTP", ""}, {"TypCounter", "1"}, {"W", "-1"}}});
  FillNamedRows(t.Households, LayoutHouseholds, {{{"NameTP", "Ф-1"}, {"W", "1000"}}, {{"NameTP", "ТП-98"}, {"W", "1"}}});
  EXPECT_EQ(Run(), (Lines{"Пром.абон., строка 1 : значение W < 0", "Пром.абон., строка 1 : не задана привязка к ТП,РП",
                          "Пром.абон., строка 3 : ТП-99 не найден", "Быт.абон., строка 1 : ТП-98 не найден"}));

  const TDataFile& fd = t.Feeders;  // sorted by bus and feeder for writing
  ASSERT_EQ(CellText(fd, "Name2", 1), "Ф-1");
  EXPECT_EQ(Num(fd, "P", 1), 1115) << "its own 10, consumption with both losses, the households";
  EXPECT_DOUBLE_EQ(Num(fd, "Q", 1), 250);
  EXPECT_EQ(Num(fd, "WPop", 1), 1100);
  EXPECT_DOUBLE_EQ(Num(fd, "WQop", 1), 250);
  EXPECT_EQ(Num(fd, "dWPa", 1), 5);
  EXPECT_EQ(CellText(fd, "T", 1), "-4");
  EXPECT_EQ(Num(fd, "P", 2), 5) << "the user's feeder keeps its load";
  EXPECT_EQ(Num(fd, "WPop", 2), 100) << "but its energies are formed anew";
  EXPECT_EQ(Num(fd, "WQop", 2), 50);
  EXPECT_EQ(CellText(fd, "T", 2), "1");
  EXPECT_EQ(Num(t.Inputs, "P", 1), 0);
  EXPECT_EQ(Num(t.Inputs, "Pm", 1), 20);
  EXPECT_EQ(Num(t.Inputs, "Qm", 1), 0);
  EXPECT_EQ(Num(t.Inputs, "WPom", 1), 20);
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 2), "В-1");
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 4), "Ф-1");
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 1), "");
  EXPECT_EQ(CellText(t.Households, "LinkTP", 2), "Ф-1");

  // households alone on a feeder and an input of load type 0 give them a load as well as energy
  FillNamedRows(t.Feeders, LayoutSubstFeeders, {{{"Name1", "ПС-1"}, {"Name2", "Ф-3"}}});
  FillNamedRows(t.Inputs, LayoutSubstInputs, {{{"NamePS", "В-2"}, {"T", "0"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints, {});
  FillNamedRows(t.Households, LayoutHouseholds, {{{"NameTP", "Ф-3"}, {"W", "100"}}, {{"NameTP", "В-2"}, {"W", "50"}}});
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ((std::vector<double>{Num(fd, "P", 1), Num(fd, "Q", 1), Num(fd, "WPop", 1)}),
            (std::vector<double>{100, 20, 100}));
  EXPECT_EQ(CellText(fd, "T", 1), "-4");
  EXPECT_EQ((std::vector<double>{Num(t.Inputs, "P", 1), Num(t.Inputs, "Q", 1)}), (std::vector<double>{50, 10}));
}

TEST_F(LoadForming, HouseholdEnergyWithoutLinesGoesToTransformers) {
  o.BytTg = 0.2;
  FillNamedRows(t.Transformers, LayoutTransTP,
       {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}}, {{"Name1", "ТП-5"}, {"Ntr", "Т2"}, {"U", "1"}},
        {{"Name1", "ТП-6"}, {"Ntr", "Т1"}, {"PM", "С"}}, {{"Name1", "ТП-6"}, {"Ntr", "Т2"}}});
  FillNamedRows(t.Lines04, LayoutLines04,
       {{{"NameTP", "ТП-5"}, {"Ntr", "Т2"}, {"Fider", "Л1"}}, {{"NameTP", "ТП-6"}, {"Ntr", "Т7"}, {"Fider", "Л1"}}});
  // a high-side meter of ТП-5 Т2
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {{{"NameTP", "ТП-5"}, {"Ntr", "Т2"}, {"TypCounter", "0"}, {"W", "1"}, {"Kvolt", "10"}}});
  FillNamedRows(t.Households, LayoutHouseholds,
       {{{"NameTP", "ТП-1"}, {"W", "10"}},
        {{"NameTP", "ТП-5"}, {"W", "-5"}},
        {{"NameTP", "ТП-5"}, {"Fider", "Л1"}, {"W", "100"}},
        {{"NameTP", "ТП-6"}, {"Fider", "Л1"}, {"W", "300"}},
        {{"NameTP", "ТП-6"}, {"W", "50"}}});
  EXPECT_EQ(Run(), (Lines{"Быт.абон., строка 1 : ТП-1 не найден", "Быт.абон., строка 2 : на ТП-5 значение W < 0",
                          "Линии 0.4 кВ, строка 2 : на ТП-6 неверно указан номер трансформатора, загружен Т2"}));
  const TDataFile& tr = t.Transformers;
  EXPECT_EQ(Num(tr, "Pn", 2), 100) << "the feeder's transformer";
  EXPECT_DOUBLE_EQ(Num(tr, "WQbt", 2), 20);
  EXPECT_EQ(Num(tr, "Pn", 4), 350) << "ТП-6 Т1 is own needs and never a substitute";
  EXPECT_EQ(Num(tr, "Pn", 1), 0);
  EXPECT_EQ(CellText(t.Households, "LinkTP", 3), "ТП-5") << "a transformer loaded on its high side";
  EXPECT_EQ(CellText(t.Households, "LinkTP", 4), "ТП-6.Т2");
  EXPECT_EQ(CellText(t.Households, "LinkTP", 2), "");
  EXPECT_EQ(Num(t.Lines04, "Pn", 1), 0) << "lines are not charged when the option is off";
}

TEST_F(LoadForming, HouseholdEnergyIsSpreadOverTheLines) {
  o.LoadLin04 = true;
  o.BytTg = 0.5;
  SetFormatSeparators(",", " ");
  const auto line = [](const char* station, const char* feeder, const char* percent, const char* code) -> Cells {
    return {{"NameTP", station}, {"Ntr", "Т1"}, {"Fider", feeder}, {"P", percent}, {"KodLine", code}};
  };
  Cells users = line("ТП-9", "Л2", "", "");
  users.emplace_back("T", "1");
  users.emplace_back("Pn", "7");
  Cells userB = line("ТП-B", "Л2", "", "");
  userB.emplace_back("T", "1");
  FillNamedRows(t.Lines04, LayoutLines04,
       {line("ТП-5", "Л1", "50", ""), line("ТП-5", "Л2", "30", ""), line("ТП-5", "Л3", "20", ""),
        line("ТП-6", "Л1", "50", ""), line("ТП-6", "Л2", "30", ""),
        line("ТП-7", "Л1", "", "0,3*А-50 + 0,2*А-35"), line("ТП-7", "Л2", "", "0,5*А-70"),
        line("ТП-8", "Л1", "", "0,4*А-50"), line("ТП-8", "Л2", "", "0,2*А-35"), line("ТП-8", "Л3", "", "А-25"),
        line("ТП-9", "Л1", "", ""), users, line("ТП-9", "Л3", "-20", "0.1*А-25"),
        line("ТП-A", "Л1", "", ""),
        line("ТП-B", "Л1", "", "0,4*А-50"), userB, line("ТП-B", "Л3", "", "0,2*А-35")});
  std::vector<Cells> transformers;
  for (const char* s : {"ТП-5", "ТП-6", "ТП-7", "ТП-8", "ТП-9", "ТП-B"})
    transformers.push_back({{"Name1", s}, {"Ntr", "Т1"}});
  FillNamedRows(t.Transformers, LayoutTransTP, transformers);
  std::vector<Cells> households;
  for (const char* s : {"ТП-5", "ТП-6", "ТП-7", "ТП-8", "ТП-9", "ТП-A"}) households.push_back({{"NameTP", s}, {"W", "1000"}});
  households.push_back({{"NameTP", "ТП-7"}, {"Fider", "Л2"}, {"W", "100"}});
  households.push_back({{"NameTP", "ТП-7"}, {"Fider", "Л5"}, {"W", "100"}});
  households.push_back({{"NameTP", "ТП-B"}, {"W", "900"}});
  FillNamedRows(t.Households, LayoutHouseholds, households);

  EXPECT_EQ(Run(), (Lines{"Линии 0.4 кВ, ТП-6 : суммарная процентная загрузка не равна 100 %",
                          "Быт.абон., строка 5 : ТП-7 фидер Л5 в таблице линий 0.4 кВ не найден",
                          "Линии 0.4 кВ, строка 13 : неверно заданы параметры линии",
                          "Линии 0.4 кВ: ТП-A Т1 в таблице трансформаторов ТП, РП не найден"}));
  const TDataFile& ln = t.Lines04;
  const auto pn = [&](int row) { return Num(ln, "Pn", row); };
  EXPECT_EQ(pn(1), 500);
  EXPECT_EQ(pn(2), 300);
  EXPECT_EQ(pn(3), 200);
  EXPECT_EQ(Num(ln, "P", 1), 50) << "given percentages stay";
  EXPECT_EQ(Num(ln, "WQbt", 1), 250);
  EXPECT_EQ(pn(4) + pn(5), 800) << "shares that do not add up are used as they are";
  EXPECT_EQ(pn(6), 500) << "two lines of length 0.5";
  EXPECT_EQ(pn(7), 500 + 100) << "and the household of feeder Л2";
  EXPECT_EQ(CellText(ln, "P", 6), "-50");
  EXPECT_NEAR(pn(8), 1000 * 0.4 / 0.9, 1e-9);
  EXPECT_NEAR(pn(10), 1000 * 0.3 / 0.9, 1e-9) << "a line without lengths counts as the average";
  // ТП-9: the user's line is neither charged nor counted, the faulty code counts nothing: equal parts
  EXPECT_NEAR(pn(11), 1000.0 / 3, 1e-9);
  EXPECT_NEAR(Num(ln, "P", 11), -100.0 / 3, 1e-4);
  EXPECT_EQ(pn(12), 7);
  EXPECT_EQ(CellText(ln, "T", 12), "1");
  EXPECT_NEAR(pn(13), 1000.0 / 3, 1e-9);
  EXPECT_EQ(pn(14), 1000) << "a line whose transformer is missing is charged all the same";
  // the user's line without a size takes the average 0.3 into the sum, though it is not charged
  EXPECT_NEAR(pn(15), 900 * 0.4 / 0.9, 1e-9);
  EXPECT_NEAR(pn(17), 900 * 0.2 / 0.9, 1e-9);
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(CellText(t.Transformers, "T", row), "-4") << "marked as formed";
  EXPECT_EQ(Num(t.Transformers, "Pn", 1), 0);
  EXPECT_EQ(Num(t.Transformers, "Pn", 3), 100) << "a feeder missing from the lines loads the transformer";
  const TDataFile& hh = t.Households;
  EXPECT_EQ(CellText(hh, "LinkTP", 1), "ТП-5");
  EXPECT_EQ(CellText(hh, "LinkTP", 4), "ТП-7.Л2");
  EXPECT_EQ(CellText(hh, "LinkTP", 5), "ТП-7.Т1");

  // main sections: 35 and 70
  o.FlagWFid04 = 1;
  Run();
  EXPECT_NEAR(Num(ln, "Pn", 6), 1000.0 / 3, 1e-9);
  EXPECT_NEAR(Num(ln, "Pn", 7), 2000.0 / 3 + 100, 1e-9);
}

TEST_F(LoadForming, ComputedSharesAreTakenAgainByAnotherHouseholdRow) {
  o.LoadLin04 = true;
  FillNamedRows(t.Transformers, LayoutTransTP, {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}}});
  FillNamedRows(t.Lines04, LayoutLines04, {{{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л1"}, {"P", "-80"}},
                                  {{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л2"}}});
  FillNamedRows(t.Households, LayoutHouseholds, {{{"NameTP", "ТП-5"}, {"W", "100"}}, {{"NameTP", "ТП-5"}, {"W", "300"}}});
  EXPECT_EQ(Run(), Lines{}) << "an earlier run's share is reset; the second row finds the first one's";
  EXPECT_EQ(Num(t.Lines04, "Pn", 1), 200);
  EXPECT_EQ(Num(t.Lines04, "Pn", 2), 200);
  EXPECT_EQ(Num(t.Lines04, "P", 2), -50);
}

TEST_F(LoadForming, IndustrialPointsOfAFeederGoToTheirLine) {
  o.LoadLin04 = true;
  FillNamedRows(t.Transformers, LayoutTransTP, {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}}, {{"Name1", "ТП-5"}, {"Ntr", "Т2"}, {"T", "2"}}});
  FillNamedRows(t.Lines04, LayoutLines04,
       {{{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л1"}}, {{"NameTP", "ТП-5"}, {"Ntr", "Т2"}, {"Fider", "Л2"}},
        {{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л3"}, {"T", "1"}, {"Pn", "9"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {{{"NameTP", "ТП-5"}, {"Fider", "Л1"}, {"Ndog", "1"}, {"TypCounter", "1"}, {"W", "100"}, {"Wt", "2"},
         {"Wl", "3"}},
        {{"NameTP", "ТП-5"}, {"Fider", "Л2"}, {"Ndog", "2"}, {"TypCounter", "2"}, {"W", "10"}, {"Device", "Y"},
         {"Wt", "1"}},
        {{"NameTP", "ТП-5"}, {"Fider", "Л3"}, {"Ndog", "3"}, {"TypCounter", "1"}, {"W", "40"}},
        {{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л9"}, {"Ndog", "4"}, {"TypCounter", "1"}, {"W", "-100"},
         {"Sub", ""}}});
  EXPECT_EQ(Run(), (Lines{"Пром.абон., строка 4 : значение W < 0",
                          "Пром.абон., строка 4 : ТП-5 фидер Л9 в таблице линий 0.4 кВ не найден",
                          "ТП-5 - значение Pнаг < 0. Принято равным 0.",
                          "ТП-5 - значение Qнаг < 0. Принято равным 0."}));
  const TDataFile& ln = t.Lines04;
  EXPECT_EQ(Num(ln, "Pn", 1), 100);
  EXPECT_EQ(Num(ln, "Qn", 1), 50);
  EXPECT_EQ(Num(ln, "dWPa", 1), 3) << "the line's loss stays on the line";
  EXPECT_EQ(Num(t.Transformers, "dWPa", 1), 2) << "the transformer's loss goes to its formed transformer";
  EXPECT_EQ(CellText(t.Transformers, "T", 1), "-4");
  EXPECT_EQ(Num(t.Transformers, "Pn", 1), 0) << "-100 of the misaddressed point, set to 0";
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 1), "ТП-5.Л1");
  ASSERT_EQ(CellText(ln, "Fider", 3), "Л2") << "sorted by transformer before feeder";
  EXPECT_EQ(Num(ln, "Qn", 3), 10);
  EXPECT_EQ(Num(ln, "dWQa", 3), 1) << "the user's transformer Т2 keeps its values; the line takes the loss";
  EXPECT_EQ(Num(t.Transformers, "dWQa", 2), 0);
  EXPECT_EQ(Num(ln, "Pn", 2), 9) << "the user's line takes nothing";
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 3), "");
  EXPECT_EQ(CellText(t.Transformers, "T", 2), "2");
}

TEST_F(LoadForming, LookUpsWalkBackToTheFirstRowOfAStation) {
  FillNamedRows(t.Transformers, LayoutTransTP,
       {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}, {"PM", "C"}},  // Latin C
        {{"Name1", "ТП-5"}, {"Ntr", "Т2"}, {"Commut", "Р"}},
        {{"Name1", "ТП-5"}, {"Ntr", "Т3"}},
        {{"Name1", "ТП-6"}, {"Ntr", "Т1"}, {"Commut", "Р"}, {"PM", "с"}},
        {{"Name1", "ТП-6"}, {"Ntr", "Т2"}, {"Commut", "Р"}},
        {{"Name1", "ТП-7"}, {"Ntr", "Т1"}, {"PM", "С"}},
        {{"Name1", "ТП-7"}, {"Ntr", "Т2"}, {"PM", "С"}}});
  FillNamedRows(t.Lines04, LayoutLines04,
       {{{"NameTP", "ТП-5.1"}, {"Fider", "Л1"}}, {{"NameTP", "ТП-5.1"}, {"Fider", "Л2"}}, {{"NameTP", "ТП-6"}, {"Fider", "Л1"}}});
  TLoadForming run(t, o, {});
  run.Prepare();
  int row = 0;
  EXPECT_TRUE(run.FindTransformerRow("тп-5", "Т2", row));
  EXPECT_EQ(row, 2);
  EXPECT_FALSE(run.FindTransformerRow("ТП-5", "т2", row)) << "numbers compare exactly";
  EXPECT_EQ(row, 3) << "neither own needs nor switched off";
  EXPECT_FALSE(run.FindTransformerRow("ТП-6", "Т9", row));
  EXPECT_EQ(row, 5) << "all switched off: the first that is not own needs";
  EXPECT_FALSE(run.FindTransformerRow("ТП-7", "Т9", row));
  EXPECT_EQ(row, -1);
  EXPECT_FALSE(run.FindTransformerRow("ТП-8", "Т1", row));
  EXPECT_EQ(row, -1);

  std::span<const int> rows;
  const auto found = [&] { return std::vector<int>(rows.begin(), rows.end()); };
  EXPECT_TRUE(run.FindLine04Row("ТП-5", "Л2", row, rows)) << "by the station name before the point";
  EXPECT_EQ(row, 2);
  EXPECT_EQ(found(), (std::vector<int>{1, 2}));
  EXPECT_FALSE(run.FindLine04Row("ТП-6", "Л2", row, rows));
  EXPECT_EQ(row, -1);
  EXPECT_EQ(found(), (std::vector<int>{3}));
  EXPECT_FALSE(run.FindLine04Row("ТП-9", "Л1", row, rows));
  EXPECT_TRUE(rows.empty());

  EXPECT_EQ(TLoadForming::MakeFeederLinkName("  тп-5.1 ", " л2 "), "ТП-5.Л2");
  EXPECT_EQ(TLoadForming::MakeFeederLinkName("TП-5", "Ф1"), "ТП-5.Ф1") << "a Latin T made Cyrillic";
}

TEST_F(LoadForming, AStationIsFoundBesideNamesThatShareItsStem) {
  // Full names sort ТП-5-1, ТП-5-2, ТП-5-3, ТП-5.1, ТП-5.2: the rows of the station ТП-5 come last.
  FillNamedRows(t.Transformers, LayoutTransTP,
                {{{"Name1", "ТП-5.2"}, {"Ntr", "Т2"}}, {{"Name1", "ТП-5-1"}, {"Ntr", "Т1"}},
                 {{"Name1", "ТП-5-2"}, {"Ntr", "Т1"}}, {{"Name1", "ТП-5.1"}, {"Ntr", "Т1"}},
                 {{"Name1", "ТП-5-3"}, {"Ntr", "Т1"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
                {{{"NameTP", "ТП-5"}, {"Ntr", "Т2"}, {"Ndog", "1"}, {"TypCounter", "1"}, {"W", "100"}},
                 {{"NameTP", "тп-5-2"}, {"Ndog", "2"}, {"TypCounter", "1"}, {"W", "30"}}});
  FillNamedRows(t.Households, LayoutHouseholds, {{{"NameTP", "ТП-5"}, {"W", "1000"}}});
  EXPECT_EQ(Run(), Lines{});
  const TDataFile& tr = t.Transformers;
  ASSERT_EQ(CellText(tr, "Name1", 5), "ТП-5.2");
  EXPECT_EQ(Num(tr, "WPpr", 5), 100) << "the number names ТП-5.2's transformer";
  EXPECT_EQ(Num(tr, "WPbt", 4), 1000) << "no number: the first transformer of ТП-5";
  EXPECT_EQ(Num(tr, "WPpr", 2), 30);
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 1), "ТП-5.Т2");
  EXPECT_EQ(CellText(t.Households, "LinkTP", 1), "ТП-5.Т1");

  // the same through the 0.4 kV lines
  o.LoadLin04 = true;
  FillNamedRows(t.Lines04, LayoutLines04,
                {{{"NameTP", "ТП-5.2"}, {"Ntr", "Т2"}, {"Fider", "Л2"}, {"P", "40"}},
                 {{"NameTP", "ТП-5-1"}, {"Ntr", "Т1"}, {"Fider", "Л1"}},
                 {{"NameTP", "ТП-5-2"}, {"Ntr", "Т1"}, {"Fider", "Л1"}},
                 {{"NameTP", "ТП-5.1"}, {"Ntr", "Т1"}, {"Fider", "Л1"}, {"P", "60"}},
                 {{"NameTP", "ТП-5-3"}, {"Ntr", "Т1"}, {"Fider", "Л2"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
                {{{"NameTP", "ТП-5"}, {"Fider", "Л2"}, {"TypCounter", "1"}, {"W", "100"}}});
  FillNamedRows(t.Households, LayoutHouseholds,
                {{{"NameTP", "ТП-5"}, {"W", "1000"}}, {{"NameTP", "ТП-5"}, {"Fider", "Л1"}, {"W", "50"}}});
  EXPECT_EQ(Run(), Lines{});
  const TDataFile& ln = t.Lines04;
  ASSERT_EQ(CellText(ln, "NameTP", 4), "ТП-5.1");
  EXPECT_EQ(Num(ln, "WPbt", 4), 600 + 50);
  EXPECT_EQ(Num(ln, "WPbt", 5), 400);
  EXPECT_EQ(Num(ln, "WPpr", 5), 100);
  for (int row = 1; row <= 3; ++row) EXPECT_EQ(Num(ln, "Pn", row), 0) << row;
  EXPECT_EQ(CellText(t.Households, "LinkTP", 1), "ТП-5");
  EXPECT_EQ(CellText(t.MeterPoints, "LinkTP", 1), "ТП-5.Л2");
}

TEST_F(LoadForming, LineCodeNumbersFollowTheUsersDecimalSeparator) {
  double v = 0;
  SetFormatSeparators(",", " ");
  EXPECT_TRUE(ParseLineCodeNumber("0,25", v));
  EXPECT_EQ(v, 0.25);
  EXPECT_TRUE(ParseLineCodeNumber("-1,5E2", v));
  EXPECT_EQ(v, -150);
  for (const char* bad : {"0.25", "", "А", "1,2,3", "1 000", "1e", ","}) EXPECT_FALSE(ParseLineCodeNumber(bad, v)) << bad;
  SetFormatSeparators(".", " ");
  EXPECT_TRUE(ParseLineCodeNumber("0.25", v));
  EXPECT_FALSE(ParseLineCodeNumber("0,25", v));
}

class SwitchOff : public LoadForming {
protected:
  // A transformer row; a load makes it the user's (type 4) so that forming keeps the load.
  static Cells Tr(const char* station, const char* number, const char* load, Cells more = {}) {
    Cells cells{{"Name1", station}, {"Ntr", number}};
    if (*load != 0) {
      cells.emplace_back("T", "4");
      cells.emplace_back("Pn", load);
    }
    cells.insert(cells.end(), more.begin(), more.end());
    return cells;
  }
  std::string Commut(int row) const { return CellText(t.Transformers, "Commut", row); }
  std::string CommutC(int row) const { return CellText(t.Transformers, "CommutC", row); }
  std::string NameC(int row) const { return CellText(t.Transformers, "NameC", row); }
};

TEST_F(SwitchOff, UnloadedTransformersAreFedThroughCouplersOrHandedOver) {
  o.OutNullTr = true;
  FillNamedRows(t.Transformers, LayoutTransTP,
       {Tr("ТП-5", "Т1", "", {{"NameC", "ТП-5.Т2"}, {"CommutC", "Р"}}), Tr("ТП-5", "Т2", "500"),
        Tr("ТП-6", "Т1", ""), Tr("ТП-6", "Т2", "500", {{"NameC", "Т1"}, {"CommutC", "Р"}}),
        Tr("ТП-7", "Т1", ""), Tr("ТП-7", "Т2", "500"),
        Tr("ТП-8", "Т1", ""), Tr("ТП-8", "Т2", ""),
        Tr("ТП-9", "Т1", "", {{"PM", "C"}}), Tr("ТП-9", "Т2", "500"),
        Tr("ТП-A", "Т1", "", {{"Commut", "Р"}}), Tr("ТП-A", "Т2", "500"),
        Tr("ТП-B", "Т1", "", {{"T", "4"}, {"dWPa", "5"}}), Tr("ТП-B", "Т2", "500"),
        Tr("ТП-C", "Т1", "", {{"T", "4"}, {"dWQa", "5"}}), Tr("ТП-C", "Т2", "500")});
  EXPECT_EQ(Run(), (Lines{"ТП-5 Т1", "ТП-6 Т1", "ТП-7 Т1"}));
  EXPECT_EQ((Lines{Commut(1), CommutC(1), NameC(1), CellText(t.Transformers, "T", 1)}), (Lines{"Р", "", "Т2", "-4"}))
      << "its own coupler closed; the coupler name cut to the partner's number";
  EXPECT_EQ((Lines{Commut(3), Commut(4), CommutC(4)}), (Lines{"Р", "", ""})) << "the partner's coupler closed";
  EXPECT_EQ((Lines{Commut(5), NameC(5)}), (Lines{"Р", "Т2"})) << "handed to the loaded transformer";
  for (int row : {2, 6, 7, 8, 9, 10, 12}) EXPECT_EQ(Commut(row), "") << row;
  EXPECT_EQ(Commut(11), "Р") << "the restore needs both options";
  EXPECT_EQ((Lines{Commut(13), Commut(15)}), (Lines{"", ""})) << "a transformer carrying losses is loaded";

  // Not with the loads spread over the 0.4 kV lines.
  o.LoadLin04 = true;
  FillNamedRows(t.Transformers, LayoutTransTP, {Tr("ТП-7", "Т1", ""), Tr("ТП-7", "Т2", "500")});
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ(Commut(1), "");
}

TEST_F(SwitchOff, UnevenlyLoadedTransformersBelowTheThreshold) {
  o.UnevenWtr = true;
  o.LoadTr = 10;
  FillNamedRows(t.Transformers, LayoutTransTP,
       {Tr("ТП-5", "Т1", "5"), Tr("ТП-5", "Т2", "45"), Tr("ТП-5", "Т3", "50"),
        Tr("ТП-6", "Т1", "1", {{"PM", "с"}}), Tr("ТП-6", "Т2", "99"),
        Tr("ТП-7", "Т1", "1"), Tr("ТП-7", "Т2", "99")});
  EXPECT_EQ(Run(), (Lines{"ТП-5 Т1", "ТП-7 Т1"})) << "the last station of the table as any other";
  EXPECT_EQ((Lines{Commut(1), NameC(1), Commut(2), Commut(3), Commut(4)}), (Lines{"Р", "Т2", "", "", ""}));
  EXPECT_EQ(CellText(t.Transformers, "T", 1), "4") << "the type stays";

  o.LoadTr = 30;
  FillNamedRows(t.Transformers, LayoutTransTP,
       {Tr("ТП-5", "Т1", "25"), Tr("ТП-5", "Т2", "25"), Tr("ТП-5", "Т3", "25"), Tr("ТП-5", "Т4", "25")});
  EXPECT_EQ(Run(), (Lines{"ТП-5 Т1", "ТП-5 Т2", "ТП-5 Т3"}));
  EXPECT_EQ((Lines{NameC(1), NameC(2), NameC(3), Commut(4)}), (Lines{"Т2", "Т3", "Т4", ""}));

  // a transformer switched off earlier still counts in its station's energy: 8 of 100, not of 80
  o.LoadTr = 10;
  FillNamedRows(t.Transformers, LayoutTransTP,
                {Tr("ТП-8", "Т1", "8"), Tr("ТП-8", "Т2", "20", {{"Commut", "Р"}}), Tr("ТП-8", "Т3", "72")});
  EXPECT_EQ(Run(), (Lines{"ТП-8 Т1"}));
  EXPECT_EQ(NameC(1), "Т3");

  // ТП-6 and ТП-6.2 are one station though ТП-6-1 sorts between them
  FillNamedRows(t.Transformers, LayoutTransTP,
                {Tr("ТП-6", "Т1", "5"), Tr("ТП-6-1", "Т1", "100"), Tr("ТП-6.2", "Т2", "95")});
  EXPECT_EQ(Run(), (Lines{"ТП-6 Т1"}));
  EXPECT_EQ((Lines{Commut(1), NameC(1), Commut(2), Commut(3)}), (Lines{"Р", "Т2", "", ""}));
}

TEST_F(SwitchOff, BothOptionsRestoreWhatAnEarlierRunSwitchedOff) {
  o.OutNullTr = o.UnevenWtr = true;
  o.LoadTr = 10;
  // Т1 was switched off through its own coupler; now it carries 60 %
  FillNamedRows(t.Transformers, LayoutTransTP,
       {Tr("ТП-5", "Т1", "60", {{"NameC", "Т2"}, {"Commut", "Р"}}), Tr("ТП-5", "Т2", "40", {{"CommutC", "Р"}}),
        Tr("ТП-6", "Т1", "50", {{"Commut", "Р"}}), Tr("ТП-6", "Т2", "50", {{"NameC", "Т1"}})});
  EXPECT_EQ(Run(), Lines{});
  EXPECT_EQ((Lines{Commut(1), CommutC(1), Commut(3), CommutC(4)}), (Lines{"", "Р", "", "Р"}));
}

TEST_F(LoadForming, NegativeLineLoadsBecomeZero) {
  o.LoadLin04 = true;
  FillNamedRows(t.Transformers, LayoutTransTP, {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}}});
  FillNamedRows(t.Lines04, LayoutLines04, {{{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л1"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {{{"NameTP", "ТП-5"}, {"Fider", "Л1"}, {"TypCounter", "1"}, {"W", "100"}, {"Sub", "1"}}});
  EXPECT_EQ(Run(), (Lines{"ТП-5, Л1 - значение WP < 0. Принято равным 0.", "ТП-5, Л1 - значение WQ < 0. Принято равным 0."}));
  EXPECT_EQ(Num(t.Lines04, "Pn", 1), 0);
  EXPECT_EQ(Num(t.Lines04, "WPpr", 1), -100) << "only the loads are corrected";
}

// ---- a base on disk --------------------------------------------------------------------------------------

class LoadFormingBase : public LoadForming {
protected:
  std::string Stem() const { return dir / "База"; }
  std::string File(const char* layout) const { return Stem() + GetMaketExtention(layout); }
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
      files[f.path().filename().string()] = ReadBytes(f.path());
    return files;
  }
  TempDir dir;
};

TEST_F(LoadFormingBase, TwoRunsOnTheSameDataWriteTheSameFiles) {
  o = TLoadFormingOptions{};
  SetFormatSeparators(".", " ");
  FillNamedRows(t.Transformers, LayoutTransTP,
       {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}}, {{"Name1", "ТП-5"}, {"Ntr", "Т2"}}, {{"Name1", "ТП-6"}, {"Ntr", "Т1"}}});
  FillNamedRows(t.Lines04, LayoutLines04,
       {{{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л1"}, {"KodLine", "0.3*А-50"}},
        {{"NameTP", "ТП-5"}, {"Ntr", "Т2"}, {"Fider", "Л2"}, {"KodLine", "0.1*А-50"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints,
       {{{"NameTP", "ТП-5"}, {"Ntr", "Т2"}, {"Fider", "Л2"}, {"TypCounter", "1"}, {"W", "40"}, {"Wt", "1"}},
        {{"NameTP", "ТП-6"}, {"TypCounter", "1"}, {"Ws", "100"}, {"Wl", "2"}},
        {{"NameTP", "Ф-1"}, {"TypCounter", "1"}, {"W", "30"}},
        {{"NameTP", "В-1"}, {"TypCounter", "0"}, {"W", "20"}}});
  FillNamedRows(t.Households, LayoutHouseholds, {{{"NameTP", "ТП-5"}, {"W", "1000"}}, {{"NameTP", "Ф-1"}, {"W", "10"}}});
  // feeds metered otherwise than as consumers, formed by an earlier run
  FillNamedRows(t.Feeders, LayoutSubstFeeders, {{{"Name1", "ПС"}, {"Name2", "Ф-1"}, {"T", "-4"}, {"B", "+"}, {"P", "9"}}});
  FillNamedRows(t.Inputs, LayoutSubstInputs, {{{"NamePS", "В-1"}, {"T", "-4"}, {"Pm", "9"}}});
  for (TDataFile* table : {&t.Inputs, &t.Feeders, &t.Transformers, &t.MeterPoints, &t.Households, &t.Lines04})
    WriteTableFile(Stem() + table->Extention, *table);

  Lines info, stages;
  std::vector<float> bar;
  const TLoadFormingCallbacks callbacks{[&](const std::string& l) { info.push_back(l); },
                                        [&](const std::string& s) { stages.push_back(s); },
                                        [&](float p) { bar.push_back(p); }};
  FormStationLoads(Stem(), o, callbacks);
  const auto first = Files();
  EXPECT_EQ(first.size(), 6U) << "every table written, no lock left";
  EXPECT_EQ(stages, (Lines{"  Чтение файлов ... ", "  База промышленных абонентов ... ", "  База бытовых абонентов ... ",
                           "  Анализ нагрузки ... "}));
  EXPECT_EQ(info, (Lines{"[База промышленных абонентов]", "", "[База бытовых абонентов]",
                         "Быт.абон., строка 2 : Ф-1 в таблице линий 0.4 кВ не найден", "", "[Анализ нагрузки]"}));
  EXPECT_EQ(bar, (std::vector<float>{100, 0, 100})) << "fewer than ten rows move the bar once, at the last";

  TDataFile fd;
  ReadTableFile(File(LayoutSubstFeeders), fd);
  EXPECT_EQ(Num(fd, "P", 1), 40) << "the earlier load reset whatever the kind of metering";
  TDataFile tr;
  ReadTableFile(File(LayoutTransTP), tr);
  EXPECT_EQ(Num(tr, "Pn", 3), 98);
  EXPECT_EQ(Num(tr, "dWPa", 3), 2);

  FormStationLoads(Stem(), o, {});
  EXPECT_EQ(Files(), first);
  FormStationLoads(Stem(), o, {});
  EXPECT_EQ(Files(), first);
}

TEST_F(LoadFormingBase, AFailedWriteLeavesEveryTableOfTheRunAsItWas) {
  o = TLoadFormingOptions{};
  FillNamedRows(t.Transformers, LayoutTransTP, {{{"Name1", "ТП-5"}, {"Ntr", "Т1"}}});
  FillNamedRows(t.Lines04, LayoutLines04, {{{"NameTP", "ТП-5"}, {"Ntr", "Т1"}, {"Fider", "Л1"}}});
  FillNamedRows(t.MeterPoints, LayoutMeterPoints, {{{"NameTP", "ТП-5"}, {"TypCounter", "1"}, {"W", "40"}}});
  FillNamedRows(t.Households, LayoutHouseholds, {{{"NameTP", "ТП-5"}, {"W", "100"}}});
  FillNamedRows(t.Feeders, LayoutSubstFeeders, {{{"Name1", "ПС"}, {"Name2", "Ф-1"}, {"T", "-4"}, {"P", "9"}}});
  FillNamedRows(t.Inputs, LayoutSubstInputs, {{{"NamePS", "В-1"}, {"T", "-4"}, {"P", "9"}}});
  for (TDataFile* table : {&t.Inputs, &t.Feeders, &t.Transformers, &t.MeterPoints, &t.Households, &t.Lines04})
    WriteTableFile(Stem() + table->Extention, *table);
  const auto before = Files();

  // the household table, written after the first four, cannot take its place
  const std::string refused = File(LayoutHouseholds);
  SetTableRenamer([&refused](const std::string& temp, const std::string& file) {
    if (file == refused) return errno = EACCES, false;
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });
  EXPECT_THROW(FormStationLoads(Stem(), o, {}), Error);
  SetTableRenamer(nullptr);
  EXPECT_EQ(Files(), before) << "every table as it was; no lock, no temporary file";

  FormStationLoads(Stem(), o, {});
  const auto after = Files();
  for (const char* layout : {LayoutSubstInputs, LayoutTransTP, LayoutLines04})
    EXPECT_NE(after.at(std::filesystem::path(File(layout)).filename().string()),
              before.at(std::filesystem::path(File(layout)).filename().string()))
        << layout;
  EXPECT_EQ(after.size(), before.size());
}

TEST_F(LoadFormingBase, ATableLockedByAnotherEndsTheRunBeforeAnythingIsRead) {
  o = TLoadFormingOptions{};
  WriteTableFile(File(LayoutTransTP), t.Transformers);
  test::HoldAsLiving(File(LayoutHouseholds) + "~", "Петров");
  EXPECT_THROW(FormStationLoads(Stem(), o, {}), std::exception);
  const auto files = Files();
  EXPECT_EQ(files.size(), 2U) << "nothing written, only the other user's lock stays";
  EXPECT_EQ(files.count(std::filesystem::path(File(LayoutHouseholds) + "~").filename().string()), 1U);
}

}  // namespace
}  // namespace ld::test
