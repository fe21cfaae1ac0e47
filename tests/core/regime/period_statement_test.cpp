// The loss statement filled into the program's template: the metered balance, the structure of the
// losses by kind, ownership and voltage class, and the template and the old statement kept where the
// statement cannot be made.
#include "core/regime/period_statement.h"

#include "core/base/numfmt.h"
#include "core/office/docx.h"
#include "regime_test.h"

namespace ld::test {
namespace {

struct EnergyRow {
  const char* t;
  const char* a;
  float ul;
  double dWPz, dWPy;
};

TDataFile BranchEnergy(const std::vector<EnergyRow>& rows) {
  TDataFile table;
  ReadMaket(LayoutBranchEnergy, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  TBranchEnergyCols be;
  FillBranchEnergyCols(table, be);
  for (int r = 1; r <= be.RowCount; ++r) {
    const EnergyRow& row = rows[static_cast<std::size_t>(r - 1)];
    (*be.T)[r] = Letter(row.t), (*be.A)[r] = Letter(row.a);
    (*be.Ul)[r] = row.ul, (*be.dWPz)[r] = row.dWPz, (*be.dWPy)[r] = row.dWPy;
  }
  return table;
}

std::vector<std::string> Row(const DocxDocument& doc, int table, int row, int from, int to) {
  std::vector<std::string> cells;
  for (int c = from; c <= to; ++c) cells.push_back(doc.CellText(table, row, c));
  return cells;
}

using LossStatement = RegimeTest;

TEST_F(LossStatement, TablesOfTheTemplateTakeTheBalanceAndTheStructureOfTheLosses) {
  const TFormatSettings saved = FormatSettings;
  SetFormatSeparators(".", " ");
  const std::string templatePath = (DataDir() / "Потери.docx").string();
  const std::string output = LossStatementPath(dir / "Юг");

  // A transformer of the main network, a subscriber's 0.4 kV transformer, a 0.38 kV line (0.4 kV class)
  // and a subscriber's 6 kV line with a lower-case letter.
  const TDataFile energy = BranchEnergy({{"Т", "", 10, 100, 40}, {"т", "А", 0.4f, 30, 8}, {"", "", 0.38f, 50, 0},
                                         {"", "а", 6, 20, 2}});
  TLossStatementData data;
  data.SchemeName = "Юг";
  data.Date1 = EncodeDate(2024, 3, 1);
  data.Date2 = EncodeDate(2024, 3, 31);
  data.Now = EncodeDate(2024, 4, 2) + 0.5;
  data.Totals = {10000, 1000, 500, 300, 8500};  // S = 9200
  data.ReactiveByClass = {3, 5, 7, 0, 1, 0, 0, 2};
  std::vector<std::string> boxes;
  const auto box = [&](const std::string& m) { boxes.push_back(m); };
  ASSERT_TRUE(WriteLossReportDoc(templatePath, output, data, energy, box));
  EXPECT_TRUE(boxes.empty());

  DocxDocument doc = DocxDocument::Open(output);
  EXPECT_EQ(doc.CellText(1, 1, 2) + " " + doc.CellText(2, 1, 2) + " " + doc.CellText(3, 1, 2),
            "Юг 01.03.2024 - 31.03.2024 02.04.2024 12:00:00");
  std::vector<std::string> balance;
  for (int r = 1; r <= 8; ++r) balance.push_back(doc.CellText(4, r, 3));
  EXPECT_EQ(balance, (std::vector<std::string>{"10 000", "1 000", "500", "300", "9 200", "8 500", "700", "7.6"}));

  using Cells = std::vector<std::string>;
  EXPECT_EQ(Row(doc, 5, 3, 3, 11), (Cells{"48", "40", "8", "40", "40", "0", "8", "0", "8"}));
  EXPECT_EQ(Row(doc, 5, 11, 3, 11), (Cells{"72", "50", "22", "22", "0", "22", "50", "50", "0"}));
  EXPECT_EQ(Row(doc, 5, 17, 3, 11), (Cells{"250", "190", "60", "162", "140", "22", "88", "50", "38"}));
  EXPECT_EQ(Row(doc, 5, 18, 3, 11), (Cells{"2.7", "2.1", "0.7", "1.8", "1.5", "0.2", "1.0", "0.5", "0.4"}));

  // Without the template the old statement stays as it was.
  const std::string old = ReadBytes(output);
  const std::string missing = dir / "нет/Потери.docx";
  EXPECT_FALSE(WriteLossReportDoc(missing, output, data, energy, box));
  EXPECT_EQ(boxes, (std::vector<std::string>{"Шаблон документа " + missing + " не найден"}));
  EXPECT_EQ(ReadBytes(output), old);
  FormatSettings = saved;
}

}  // namespace
}  // namespace ld::test
