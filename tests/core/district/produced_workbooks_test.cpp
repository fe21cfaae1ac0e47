// The measurements of substation inputs and feeders from workbooks that real programs wrote
// (tests/data/sheets): results of formulas are taken; a formula whose result the file does not hold and
// an error value refuse the import naming their cell, never read as 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/district/feeder_measure.h"
#include "core/office/sheet_reader.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

TEST(ProducedWorkbooks, FeederMeasurementsTakeFormulaResultsAndNameWhatNoFileHolds) {
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string formula = "формула без вычисленного значения: откройте книгу в табличной программе и сохраните ее";
  for (const char* file : {"inputs_openpyxl.xlsx", "inputs_xlwt.xls", "inputs_libreoffice.xls", "inputs_libreoffice.xlsx",
                           "inputs_gnumeric.xls", "inputs_gnumeric.xlsx", "inputs_gnumeric_resaved.xlsx"}) {
    const std::string path = (TestDataDir() / "sheets" / file).string();
    const bool calculated = std::string(file).find("openpyxl") == std::string::npos &&
                            std::string(file).find("xlwt") == std::string::npos;
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
      const std::string named = "Ошибка чтения файла \"" + path + "\": лист \"Замеры\", ячейка ";
      if (!calculated) {
        EXPECT_EQ(refusal, named + "H2: " + formula) << file;
        continue;
      }
      if (withErrors) {
        EXPECT_EQ(refusal, named + "H3: значение ошибки \"#DIV/0!\"") << file;
        continue;
      }
      ASSERT_EQ(refusal, "") << file;
      EXPECT_EQ(messages, std::vector<std::string>{}) << file;
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

}  // namespace
}  // namespace ld::test
