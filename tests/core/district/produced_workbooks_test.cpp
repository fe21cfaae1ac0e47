// The measurements of substation inputs and feeders from workbooks that real programs wrote
// (tests/data/sheets): results of formulas are taken; a formula whose result the file does not hold and
// an error value are named by their cell with the reason among the cells that gave no number, never read
// as 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/district/feeder_measure.h"
#include "core/district/subscriber_xls.h"
#include "core/office/sheet_reader.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

TEST(ProducedWorkbooks, FeederMeasurementsTakeFormulaResultsAndNameWhatNoFileHolds) {
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string formula = "формула без вычисленного значения: откройте книгу в табличной программе, пересчитайте ее (в LibreOffice "
      "\"Данные → Содержимое ячейки → Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
  const std::string notInBase = "ВВОД 2 - не найден в базе РЭС";
  for (const char* file : {"inputs_openpyxl.xlsx", "inputs_xlwt.xls", "inputs_libreoffice.xls", "inputs_libreoffice.xlsx",
                           "inputs_gnumeric.xls", "inputs_gnumeric.xlsx", "inputs_gnumeric_resaved.xlsx",
                           "uncalculated_gnumeric.xls", "uncalculated_gnumeric.xlsx"}) {
    const std::string path = (TestDataDir() / "sheets" / file).string();
    const bool calculated = std::string(file).find("openpyxl") == std::string::npos &&
                            std::string(file).find("xlwt") == std::string::npos &&
                            std::string(file).find("uncalculated") == std::string::npos;
    // the input of row 2 and the feeder of row 4 alone, then the input of row 3 besides
    for (const bool withErrors : {false, true}) {
      TDataFile inputs, feeders;
      Rows inputRows = {{"ПС-1", "Ввод 1"}};
      if (withErrors) inputRows.push_back({"ПС-1", "Ввод 2"});
      FillRows(inputs, LayoutSubstInputs, inputRows);
      FillRows(feeders, LayoutSubstFeeders, {{"ПС-1.1", "Ф-2"}});
      std::vector<std::string> messages;
      TSheetReader sheet;
      sheet.Open(path);
      std::string refusal;
      try {
        ImportFeederMeasurements(inputs, feeders, SheetCells(sheet), messages);
      } catch (const Error& e) {
        refusal = e.what();
      }
      ASSERT_EQ(refusal, "") << file;
      // each cell without a value named among the cells that gave no number, with its reason
      const auto unread = [](int row, int col, const std::string& reason) {
        return "Ошибка чтения. Строка " + std::to_string(row) + ", столбец " + std::to_string(col) + " (" + reason + ")";
      };
      if (!calculated) {
        std::vector<std::string> expected = {unread(2, 8, formula)};
        if (withErrors) expected.insert(expected.end(), {unread(3, 8, formula), unread(3, 18, formula)});
        expected.insert(expected.end(), {unread(4, 8, formula), unread(4, 12, formula)});
        // the row of values that no input of the base took is named, its unreadable cells being values
        if (!withErrors) expected.push_back(notInBase);
        EXPECT_EQ(messages, expected) << file;
        EXPECT_EQ(CellText(inputs, "P", 1), "") << file;
        continue;
      }
      // gnumeric's formula of "" with no value at all, in a sheet it calculated, is the empty text
      if (withErrors) {
        EXPECT_EQ(messages, (std::vector<std::string>{unread(3, 8, "значение ошибки \"#DIV/0!\""),
                                                      unread(3, 18, "значение ошибки \"#N/A\"")}))
            << file;
        continue;
      }
      EXPECT_EQ(messages, std::vector<std::string>{notInBase}) << file;
      EXPECT_EQ((std::vector<std::string>{CellText(inputs, "P", 1), CellText(inputs, "Q", 1), CellText(inputs, "T", 1)}),
                (std::vector<std::string>{"1825200", "600", "4"}))
          << file;
      // "" of the formula in L4 adds nothing to the meter's 5500.5
      EXPECT_EQ((std::vector<std::string>{CellText(feeders, "P", 1), CellText(feeders, "Q", 1)}),
                (std::vector<std::string>{"5500.5", "10"}))
          << file;
    }
  }
}

// Cells merged down over two rows, as each program writes them (tests/data/sheets/make_merged_sheets.py):
// a name the merged cell shows on both rows (a contract, a subscriber, a meter type, a households
// feeder) is each row's, as the sheet shows it; a figure it shows over both (a metering point's energy)
// is the first row's, and the second row is named by its cell and the range, never given it twice; a
// row the merged cell alone fills is passed over, never the end of the data.
TEST(ProducedWorkbooks, AMergedNameIsEveryRowsItCoversAndAMergedFigureIsNamed) {
  MaketFileName = (DataDir() / "maket.zr").string();
  for (const char* producer : {"openpyxl.xlsx", "xlsxwriter.xlsx", "libreoffice.xls", "libreoffice.xlsx", "gnumeric.xls"}) {
    const std::string points = (TestDataDir() / "sheets" / (std::string("points_merged_") + producer)).string();
    TSheetReader sheet;
    sheet.Open(points);
    TDataFile table;
    FillRows(table, LayoutMeterPoints, {});
    std::vector<std::string> info;
    EXPECT_EQ(ReadMeterPointsSheet(SheetCells(sheet), table, info).Items, 1) << producer;
    ASSERT_EQ(table.RowCount, 2) << producer;
    for (int row = 1; row <= 2; ++row)
      EXPECT_EQ((std::vector<std::string>{CellText(table, "Ndog", row), CellText(table, "Abonent", row),
                                          CellText(table, "MarkCounter", row), CellText(table, "NamePoint", row)}),
                (std::vector<std::string>{"Д-17", "Завод ЖБИ", "СЭТ-4ТМ", "Ввод " + std::to_string(row)}))
          << producer << " " << row;
    EXPECT_EQ(CellText(table, "W", 1), "5000") << producer;
    EXPECT_EQ(CellText(table, "W", 2), "") << producer;
    ASSERT_EQ(info.size(), 1u) << producer;
    EXPECT_EQ(info[0].rfind("Промышленные абоненты, строка 4, столбец 13: Ошибка чтения (ячейка входит в объединенную "
                            "ячейку M3:M4 и лишь показывает ее значение \"5000\"", 0),
              0u)
        << producer << ": " << info[0];

    const std::string households = (TestDataDir() / "sheets" / (std::string("households_merged_") + producer)).string();
    sheet.Open(households);
    FillRows(table, LayoutHouseholds, {});
    info.clear();
    EXPECT_EQ(ReadHouseholdsSheet(SheetCells(sheet), table, info).Items, 3) << producer;
    EXPECT_EQ(info, std::vector<std::string>{}) << producer;
    ASSERT_EQ(table.RowCount, 3) << producer;
    std::vector<std::string> rows;
    for (int row = 1; row <= 3; ++row)
      rows.push_back(CellText(table, "NameTP", row) + " " + CellText(table, "Fider", row) + " " +
                     CellText(table, "CountAb", row) + " " + CellText(table, "W", row));
    EXPECT_EQ(rows, (std::vector<std::string>{"ТП-42 Л8 40 9800", "ТП-42 Л8 5 120.5", "ТП-42 Л9 12 300"})) << producer;

    // a station's name merged down over an empty row: the row is the name's, and every feeder below it
    // is the station's
    sheet.Open((TestDataDir() / "sheets" / (std::string("households_station_merged_") + producer)).string());
    FillRows(table, LayoutHouseholds, {});
    info.clear();
    EXPECT_EQ(ReadHouseholdsSheet(SheetCells(sheet), table, info).Items, 8) << producer;
    EXPECT_EQ(info, std::vector<std::string>{}) << producer;
    ASSERT_EQ(table.RowCount, 8) << producer;
    EXPECT_EQ(CellText(table, "NameTP", 1) + " " + CellText(table, "Fider", 1) + " " + CellText(table, "NameTP", 8) + " " +
                  CellText(table, "Fider", 8) + " " + CellText(table, "CountAb", 8) + " " + CellText(table, "W", 8),
              "ТП-42 Л1 ТП-42 Л8 80 804")
        << producer;
  }
}

}  // namespace
}  // namespace ld::test
