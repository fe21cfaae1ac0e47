// Measured loads of station transformers in both sheet layouts: station keys, rated powers of marks,
// designations, loads and switched-off transformers, duplicates, rated power mismatches, the shares of
// a station's load, the transformer pairs, the resets and the list of stations not in the base.
#include "core/district/tp_measure.h"

#include <gtest/gtest.h>

#include "core/office/sheet_reader.h"

#include <string>
#include <vector>

#include "core/base/strings.h"
#include "fake_sheet.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class TPMeasurements : public ::testing::Test {
protected:
  TPMeasurements() { MaketFileName = (DataDir() / "maket.zr").string(); }
  // Nr, Name1, Ntr, Name2, NameC, Transform, TypEqu, Notv, Commut, CommutC, MarkCom1, MarkCom2, U, T, Pn,
  // Qn, Pg, Qg
  void Stations(const Rows& rows) { FillRows(stations, LayoutTransTP, rows); }
  std::string Text(const std::string& field, int row) const {
    return CellText(stations, field, row);
  }
  double Num(const std::string& field, int row) const { return StrToFloatZ(Text(field, row)); }
  // Commut, T, Pn and Qn of a row: "О|1|120|60".
  std::string Loads(int row) const {
    return Text("Commut", row) + "|" + Text("T", row) + "|" + Text("Pn", row) + "|" + Text("Qn", row);
  }
  TDataFile stations;
  std::vector<std::string> messages;
};

TEST(StationKeys, PrefixesAndTheCharacterAfterThem) {
  using enum TStationKeyKind;
  for (const char* name : {"КТП-5", "ЗТП 5", "ТП-5.Т2", "мтп-5", "ТП5"})
    EXPECT_EQ(TableStationKey(name, Transformers), "5") << name;
  EXPECT_EQ(StationKey("ТП 5", Transformers), "5");
  EXPECT_EQ(StationKey("РП-5", Transformers), "РП-5");
  // only a "-" goes after the prefix for the station layouts
  EXPECT_EQ(TableStationKey("ТП 5", Stations), " 5");
  EXPECT_EQ(TableStationKey("ТП-5", Stations), "5");
  EXPECT_EQ(StationKey("ТП5", Stations), "5");

  EXPECT_FLOAT_EQ(RatedPowerOfMark("ТМ-400/10"), 400);
  EXPECT_FLOAT_EQ(RatedPowerOfMark("ТМГ-2,5/10/0.4"), 2.5f);
  EXPECT_FLOAT_EQ(RatedPowerOfMark("ТМ-400"), 400);
  EXPECT_FLOAT_EQ(RatedPowerOfMark("ТМ-четыреста/10"), 0);
  EXPECT_FLOAT_EQ(RatedPowerOfMark(""), 0);

  EXPECT_EQ(MeasurementType(4), 2);
  EXPECT_EQ(MeasurementType(3.4f), 3);
  EXPECT_EQ(MeasurementType(5), 5);
  EXPECT_EQ(MeasurementType(2.5f), 2) << "halves round to even";
  EXPECT_EQ(MeasurementType(-1), 2);
  EXPECT_EQ(MeasurementType(1e30f), 2);
}

TEST_F(TPMeasurements, OneRowPerTransformer) {
  Stations({{"", "КТП-5", "Т1", "", "", "ТМ-400/10"},
            {"", "ЗТП 5", "Т2", "", "", "ТМ-400/10", "", "", "О", "", "", "", "1", "3", "9", "9", "9", "9"},
            {"", "ТП-5.Т3", "т3", "", "", "ТМ-160/10"},
            {"", "ТП-7", "Т1", "", "", "ТМ-100/10", "", "", "", "", "", "", "", "2", "5", "1"},
            {"", "ТП-8", "", "", "", "ТМ-63/10"},
            {"", "ТП-12", "Т1", "", "", "ТМ-160,004/10"}});
  FakeSheet sheet;
  sheet.Row(1, {{3, "Наименование ТП"}, {4, "Тр-р"}, {5, "Sн, кВА"}, {8, "P, кВт"}});
  sheet.Row(2, {{3, "ТП 5"}, {4, "т-1"}, {5, "250 кВА"}, {8, "120"}});
  // an empty name is the one above; "2,5" is read whole, never as its digits 25; a load without digits
  // switches off
  sheet.Row(3, {{4, "Т3"}, {5, "2,5"}, {8, "абв"}});
  sheet.Row(4, {{3, "тп 5"}, {4, "Т2"}, {5, "400"}, {8, "80,5"}});
  sheet.Row(5, {{3, "ТП 5"}, {4, "Т"}, {5, "400"}, {8, "10"}});
  sheet.Row(6, {{3, "ТП 9"}, {4, "Т1"}, {5, "100"}, {8, "5"}});
  sheet.Row(7, {{3, "ТП-8"}, {5, "63"}, {8, "1.5.2"}});
  sheet.Row(8, {{3, "ТП-7"}, {4, "Т2"}, {5, "100"}, {8, "3"}});
  sheet.Row(9, {{3, "ТП-12"}, {4, "Т1"}, {5, "160"}, {8, "1"}});  // rated powers equal to a hundredth
  const TImportTaken taken = ImportTPMeasurements(stations, sheet.Cells(), 0.5, messages);
  EXPECT_EQ(taken.Items, 4) << "the rows that measured a transformer, their numbers read";
  EXPECT_EQ(taken.FirstReason, "строка 5: ТП 5 Т1 - дублирование данных");

  EXPECT_EQ(Loads(1), "|1|120|60");
  EXPECT_EQ(Loads(2), "|1|80.5|40.25") << "the old switching, kind and loads are reset first";
  EXPECT_EQ(Text("U", 2), "");
  EXPECT_EQ(Num("Pg", 2), 0);
  EXPECT_EQ(Loads(3), "О|1||");
  EXPECT_EQ(Loads(4), "|||") << "a transformer the sheet does not name ends without a measurement";
  EXPECT_EQ(Loads(5), "|1||") << "a load that does not read counts 0";
  EXPECT_EQ(Loads(6), "|1|1|0.5");
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "ТП 5 Т1 - несовпадение Sном: 250 <> 400 кВА",
                          "ТП 5 Т3 - несовпадение Sном: 2.5 <> 160 кВА",
                          "ТП 5 Т1 - дублирование данных",
                          "ТП 9 - не найден в базе РЭС",
                          "Ошибка чтения. Строка 7, столбец 8 (текст \"1.5.2\" не является числом: символ \".\" на "
                          "месте 4)",
                          "ТП-7 Т2 - не найден в базе РЭС",
                      }));

  // a sheet that names no transformer of the base measures none, whatever it resets
  FakeSheet other;
  other.Row(1, {{3, "Наименование ТП"}, {4, "Тр-р"}, {5, "Sн, кВА"}, {8, "P, кВт"}});
  other.Row(2, {{3, "ТП 9"}, {4, "Т1"}, {5, "100"}, {8, "5"}});
  EXPECT_EQ(ImportTPMeasurements(stations, other.Cells(), 0.5, messages).Items, 0);

  // a rated power with its unit merged down over two transformers (tests/data/sheets, openpyxl): the
  // second row is named by the range and measures nothing, its load not given, no power of 0 compared
  Stations({{"", "ТП-42", "Т1", "", "", "ТМ-400/10"}, {"", "ТП-42", "Т2", "", "", "ТМ-400/10"}});
  TSheetReader book;
  book.Open((TestDataDir() / "sheets" / "transformers_merged_openpyxl.xlsx").string());
  messages.clear();
  const TImportTaken merged = ImportTPMeasurements(stations, SheetCells(book), 0.5, messages);
  EXPECT_EQ(merged.Items, 1);
  EXPECT_EQ(merged.FirstReason.rfind("строка 2: столбец 5: значение не является числом (ячейка входит в объединенную ячейку E1:E2", 0), 0u)
      << merged.FirstReason;
  EXPECT_EQ(Loads(1), "|1|120|60");
  EXPECT_EQ(Loads(2), "|||");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Ошибка чтения. Строка 2, столбец 5 (ячейка входит в объединенную ячейку E1:E2", 0), 0u) << messages[0];
}

TEST_F(TPMeasurements, OneRowPerStationSharesTheLoadBySwitchedOnRatedPower) {
  Stations({{"", "ТП-5", "Т1", "", "", "ТМ-400/10"},
            {"", "ТП-5", "Т2", "", "", "ТМ-250/10", "", "", "", "", "", "", "1"},
            {"", "ТП-5", "Т3", "", "", "ТМ-160/10", "", "", "О"},
            {"", "ТП 6", "Т1", "", "", "ТМ-100/10"},
            {"", "ТП-7", "Т1", "", "", "ТМ-100/10", "", "", "О"},
            {"", "ТП-8", "Т1", "", "", "ТМ-63/10", "", "", "", "", "", "", "", "4", "9", "9"},
            {"", "ТП-10", "Т1", "", "", "ТМ-250/10"},
            {"", "ТП-13", "Т1", "", "", "ТМ-250/10"}});
  FakeSheet sheet;
  sheet.Row(1, {{1, "ТП"}, {2, "Sн"}, {3, "P"}});
  sheet.Row(2, {{1, "ТП 5"}, {2, "810"}, {3, "130"}});
  sheet.Row(3, {{1, "ТП-5"}, {2, "800"}, {3, "10"}});
  sheet.Row(4, {{1, "ТП 6"}, {2, "100"}, {3, "5"}});
  sheet.Row(5, {{1, "ТП-7"}, {2, "100"}, {3, "20"}});
  sheet.Row(6, {{1, "ТП-10"}, {2, "400"}, {3, "30"}});
  // a cell that is no number counts 0, not the value of the row above
  sheet.Row(7, {{1, "ТП-12"}, {3, "x"}});
  sheet.Row(8, {{1, "ТП-11"}, {2, "0"}});
  sheet.Row(9, {{1, "ТП-13"}, {2, "250.004"}, {3, "10"}});  // rated powers equal to a hundredth
  const TImportTaken taken = ImportTPStationMeasurements(stations, sheet.Cells(), 3, messages);
  EXPECT_EQ(taken.Items, 3) << "the stations measured";
  EXPECT_EQ(taken.FirstReason, "строка 3: ТП-5 - дублирование данных");

  EXPECT_EQ(Loads(1), "|3|80|");
  EXPECT_EQ(Loads(2), "|3|50|");
  EXPECT_EQ(Text("U", 2), "1") << "the second command keeps the switching and the load side";
  EXPECT_EQ(Loads(3), "О|3||");
  EXPECT_EQ(Loads(4), "|||") << "ТП 6 keys \" 6\" in the table, ТП6 in the sheet";
  EXPECT_EQ(Loads(5), "О|||") << "all switched off: nothing";
  EXPECT_EQ(Loads(6), "|||");
  EXPECT_EQ(Loads(7), "|3|30|");
  EXPECT_EQ(Loads(8), "|3|10|");
  EXPECT_EQ(messages, (std::vector<std::string>{"ТП-5 - дублирование данных",
                                                "ТП-10 - несовпадение Sном: 400 <> 250 кВА",
                                                "Ошибка чтения. Строка 7, столбец 3 (текст \"x\" не является числом)", "",
                                                "[Не найдены ТП в базе РЭС]", "ТП6"}));
}

TEST_F(TPMeasurements, OneRowPerStationWithTheTransformerPairs) {
  Stations({{"", "ТП-1", "Т1", "", "", "ТМ-400/10"},
            {"", "ТП-1", "Т2", "", "", "ТМ-400/10", "", "", "О"},
            {"", "ТП-2", "Т1", "", "", "ТМ-250/10"},
            {"", "ТП-2", "Т2", "", "", "ТМ-250/10"},
            {"", "ТП-3", "Т1", "", "", "ТМ-100/10", "", "", "", "", "", "", "", "5", "1"},
            {"", "ТП-6", "Т1", "", "", "ТМ-100/10"}});
  FakeSheet sheet;
  sheet.Row(1, {{1, "ТП"}, {2, "Sн Т1"}, {3, "P Т1"}, {4, "Sн Т2"}});
  sheet.Row(2, {{1, "ТП-1"}, {2, "400"}, {3, "100"}, {4, "400"}, {5, "50"}});
  sheet.Row(3, {{1, "ТП-2"}, {2, "250"}, {3, "-1"}, {4, "400"}, {5, "0"}, {6, "160"}, {7, "7"}});
  sheet.Row(4, {{1, "ТП-3"}, {2, "100"}, {3, "-1"}, {5, "1"}});  // loads summing to 0: ignored
  sheet.Row(5, {{1, "ТП-4"}, {7, "2"}});
  sheet.Row(6, {{1, "ТП-6"}, {2, "100.004"}, {3, "5"}});  // rated powers equal to a hundredth
  EXPECT_EQ(ImportTPStationMeasurements(stations, sheet.Cells(), 5, messages).Items, 3)
      << "a station whose loads sum to 0 is not measured";

  EXPECT_EQ(Loads(1), "|5|100|");
  EXPECT_EQ(Loads(2), "|5|50|") << "a load switches on";
  EXPECT_EQ(Loads(3), "О|5||");
  EXPECT_EQ(Loads(4), "|||") << "no measurement of a transformer in the scheme";
  EXPECT_EQ(Loads(5), "|||");
  EXPECT_EQ(Loads(6), "|5|5|");
  EXPECT_EQ(messages, (std::vector<std::string>{"ТП-2 Т2 - есть в схеме, нет в замерах",
                                                "ТП-2 Т2 - несовпадение Sном: 400 <> 250 кВА",
                                                "ТП-2 Т3 - есть в замерах, нет в схеме", "",
                                                "[Не найдены ТП в базе РЭС]", "ТП-4"}));
}

TEST_F(TPMeasurements, AStationIsFoundBesideNamesThatShareItsStem) {
  // keys 5-1, 5, 5-2, 5, 5-3: the rows of the station ТП-5 are not neighbours in the table
  Stations({{"", "ТП-5-1", "Т2", "", "", "ТМ-400/10"},
            {"", "ТП-5.1", "Т1", "", "", "ТМ-400/10"},
            {"", "ТП-5-2", "Т1", "", "", "ТМ-400/10"},
            {"", "ТП-5.2", "Т2", "", "", "ТМ-400/10"},
            {"", "ТП-5-3", "Т1", "", "", "ТМ-400/10"}});
  FakeSheet sheet;
  sheet.Row(1, {{3, "ТП-5"}, {4, "Т2"}, {5, "400"}, {8, "100"}});
  sheet.Row(2, {{3, "ТП-5-2"}, {4, "Т1"}, {5, "400"}, {8, "7"}});
  ImportTPMeasurements(stations, sheet.Cells(), 0.5, messages);
  EXPECT_EQ(messages, std::vector<std::string>{});
  EXPECT_EQ(Loads(4), "|1|100|50");
  EXPECT_EQ(Loads(3), "|1|7|3.5");
  EXPECT_EQ(Loads(1), "|||");

  FakeSheet perStation;
  perStation.Row(1, {{1, "ТП"}, {2, "Sн"}, {3, "P"}});
  perStation.Row(2, {{1, "ТП-5"}, {2, "800"}, {3, "100"}});
  ImportTPStationMeasurements(stations, perStation.Cells(), 2, messages);
  EXPECT_EQ(messages, std::vector<std::string>{});
  EXPECT_EQ((std::vector<std::string>{Loads(1), Loads(2), Loads(3), Loads(4), Loads(5)}),
            (std::vector<std::string>{"|||", "|2|50|", "|||", "|2|50|", "|||"}));
}

}  // namespace
}  // namespace ld::test
