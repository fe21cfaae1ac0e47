// The district window's rules without the window: positions, base texts and the values its typing
// helpers propose.
#include "core/district/base_rules.h"

#include <gtest/gtest.h>

#include "core/base/dates.h"
#include "core/base/inifile.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class DistrictRules : public ::testing::Test {
protected:
  DistrictRules() {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    IniRec.Path = dir.Path().string() + "/";
    // a district's own classes: 0.4 kV in place of the standard 0.38
    WriteRows(IniRec.Path + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
    ReadNominalVoltageList();
  }
  TempDir dir;
};

TEST_F(DistrictRules, PositionsAreKeptPerLayoutAndFittedToTheTableOpened) {
  TBaseGridPositions positions;
  positions.Save("Формат РЭС (ТП,РП)", 40, 5, 12);
  positions.Save("Переключения", 2, 3, 4);  // the last slot
  positions.Save("Номинальные напряжения", 9, 9, 9);  // no slot: forgotten
  EXPECT_EQ(positions.Get("Формат РЭС (ТП,РП)"), (TBaseGridPos{40, 5, 12}));
  int top = 0, col = 0, row = 0;
  positions.Get("Переключения", top, col, row);
  EXPECT_EQ(std::tuple(top, col, row), std::tuple(2, 3, 4)) << "TopRow, Col, Row in this order";
  EXPECT_EQ(positions.Get("Номинальные напряжения"), (TBaseGridPos{1, 1, 1}));
  EXPECT_EQ(positions.Get("Формат РЭС (линии)"), (TBaseGridPos{1, 1, 1}));
  positions.Reset();
  EXPECT_EQ(positions.Get("Формат РЭС (ТП,РП)"), (TBaseGridPos{1, 1, 1}));
  EXPECT_EQ(BaseMaketNames.front(), std::string("Формат РЭС (линии)"));
  EXPECT_EQ(BaseMaketNames[8], std::string("Узлы схемы"));

  // 50 rows, 10 columns: a position that fits stays; the cursor never goes below the last row
  EXPECT_EQ(BoundGridPos({40, 5, 11}, 50, 10), (TBaseGridPos{40, 5, 11}));
  EXPECT_EQ(BoundGridPos({40, 5, 12}, 50, 10), (TBaseGridPos{40, 5, 11}));
  EXPECT_EQ(BoundGridPos({1, 3, 15}, 3, 10), (TBaseGridPos{1, 3, 3}));
  EXPECT_EQ(BoundGridPos({20, 11, 2}, 3, 10), (TBaseGridPos{1, 1, 2})) << "first row and column beyond the table";
  EXPECT_EQ(BoundGridPos({5, 4, 7}, 0, 10), (TBaseGridPos{1, 4, 1})) << "an empty table";
}

TEST_F(DistrictRules, CaptionFilterAndHeadingOfABase) {
  const std::string base = dir / "Пример";
  EXPECT_EQ(BaseCaption(base), "База РЭС - Пример");
  WriteCurDateSwt(base, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0));
  EXPECT_EQ(BaseCaption(base), "База РЭС - Пример (05.03.2004 10:30)");
  TIniFile(base + ".INI").WriteString("Switch", "CurDateSwt", "05.марта.2004");
  EXPECT_EQ(BaseCaption(base), "База РЭС - Пример");
  EXPECT_EQ(BaseDialogFilter(), "Формат РЭС (линии) (*.RSL)|*.RSL");
  EXPECT_EQ(BasePrintHeading(base, "Формат РЭС (ТП,РП)"), "Схема: Пример - Формат РЭС (ТП,РП)");
  EXPECT_EQ(BaseCatalogs[4].File, std::string("sprav_RT.cat"));
  EXPECT_EQ(BaseCatalogs[4].Title, std::string("Каталог токоограничивающих реакторов"));
}

TEST_F(DistrictRules, NextTapOffNameTakesTheLargestNumberOfEitherEnd) {
  TDataFile lines;
  FillRows(lines, "Формат РЭС (линии)", {{"1", "", "_3", "А.1"}, {"1", "", "ПС-2.1", "_10"}, {"1", "", "_", "Б"}});
  EXPECT_EQ(NextTapOffName(lines), "_11");
  FillRows(lines, "Формат РЭС (линии)", {{"1", "", "А.1", "Б.2"}});
  EXPECT_EQ(NextTapOffName(lines), "_1");
  FillRows(lines, "Формат РЭС (линии)", {{"1", "", "_-4", "Б.2"}});
  EXPECT_EQ(NextTapOffName(lines), "_-3") << "the largest number, even below zero";
  FillRows(lines, "Формат РЭС (линии)", {{"1", "", "_3", "_x"}});
  EXPECT_THROW(NextTapOffName(lines), ConvertError);
}

TEST_F(DistrictRules, StationOfALineEnd) {
  TDataFile stations;
  FillRows(stations, "Формат РЭС (ТП,РП)", {{"1", "ТП-5", "Т1"}, {"1", "тп-7.2", "Т2"}});
  EXPECT_EQ(FindStationRow(stations, "ТП-7.2"), 2) << "Cyrillic letters compared upper-cased";
  EXPECT_EQ(FindStationRow(stations, "ТП-7"), 0);
  EXPECT_EQ(StationTransformerName("ТП-7.2"), "Т2");
  EXPECT_EQ(StationTransformerName("ТП-7"), "Т1");
  EXPECT_EQ(StationTransformerName("РП-3.12"), "Т12");
  EXPECT_THROW(StationTransformerName("ТП-7.2а"), ConvertError);
}

TEST_F(DistrictRules, EquipmentOfALineRowAndItsVoltagesFromATransformerMark) {
  EXPECT_EQ(LineEquipmentType("", "Р", "10"), "RT||");
  EXPECT_EQ(LineEquipmentType("", "Т", "10"), "T2||");
  EXPECT_EQ(LineEquipmentType("", "P", "10"), "LN|10|") << "a Latin P is no reactor";
  EXPECT_EQ(LineEquipmentType("", "", "6"), "LN|6|");
  EXPECT_EQ(LineEquipmentType("T3|Т-1|2", "Р", "10"), "T3|Т-1|2");

  EXPECT_EQ(TransformerLineVoltages("T2||", "ТМ-400/10/0.4", ""), "10/0.4");
  EXPECT_EQ(TransformerLineVoltages("T2||", "ТМ-400/10.5/0,38", ""), "10/0.4") << "nearest classes";
  EXPECT_EQ(TransformerLineVoltages("T3||0", "ТДТН-25000/115/38.5/11", "x"), "110/110");
  EXPECT_EQ(TransformerLineVoltages("T3||1", "ТДТН-25000/115/38.5/11", "x"), "110/35");
  EXPECT_EQ(TransformerLineVoltages("TR|Т-1|2", "ТРДН-25000/115/10.5/6.3", "x"), "110/6");
  EXPECT_EQ(TransformerLineVoltages("TR||7", "ТРДН-25000/115/10.5/6.3", "x"), "x");
  EXPECT_EQ(TransformerLineVoltages("T3||2", "ТДН-25000/115/11", "x"), "x") << "no third winding";
  EXPECT_EQ(TransformerLineVoltages("RT||", "РБ-10-630-0.56", "10"), "10");
  EXPECT_EQ(TransformerLineVoltages("T2||", "ТМ-", "10"), "10");
  EXPECT_EQ(TransformerLineVoltages("T2||", "ТМ-400/десять/0.4", "10"), "10");
}

}  // namespace
}  // namespace ld::test
