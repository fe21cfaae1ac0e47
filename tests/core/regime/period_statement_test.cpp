// The loss statement filled into the program's template: the metered balance, the structure of the
// losses by kind, ownership and voltage class, and the template and the old statement kept where the
// statement cannot be made.
#include "core/regime/period_statement.h"

#include "core/base/error.h"
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
  // The shipped template as an office suite saves it, its tables written anew.
  const std::string savedByOfficeSuite = (TestDataDir() / "docx" / "loss_template_libreoffice.docx").string();
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
  using Cells = std::vector<std::string>;
  std::vector<std::vector<Cells>> filled;  // per template, the rows of every table of its statement
  for (const std::string& from : {templatePath, savedByOfficeSuite}) {
    SCOPED_TRACE(from);
    ASSERT_TRUE(WriteLossReportDoc(from, output, data, energy, box));
    EXPECT_TRUE(boxes.empty());

    DocxDocument doc = DocxDocument::Open(output);
    ASSERT_EQ(doc.TableCount(), 5);
    // Each figure stands beside the caption of its row, as the template gives it.
    EXPECT_EQ(Row(doc, 1, 1, 1, 2), (Cells{"Схема:", "Юг"}));
    EXPECT_EQ(Row(doc, 2, 1, 1, 2), (Cells{"Период:", "01.03.2024 - 31.03.2024"}));
    EXPECT_EQ(Row(doc, 3, 1, 1, 2), (Cells{"Дата расчета:", "02.04.2024 12:00:00"}));
    std::vector<std::string> balance;
    for (int r = 1; r <= 8; ++r) balance.push_back(doc.CellText(4, r, 3));
    EXPECT_EQ(balance, (std::vector<std::string>{"10 000", "1 000", "500", "300", "9 200", "8 500", "700", "7.6"}));
    EXPECT_EQ(Row(doc, 4, 5, 1, 3), (Cells{"Отпуск электроэнергии в сеть", "кВт·ч", "9 200"}));
    EXPECT_EQ(Row(doc, 4, 8, 1, 3), (Cells{"Фактические потери в % от отпуска в сеть", "%", "7.6"}));

    EXPECT_EQ(Row(doc, 5, 3, 1, 11),
              (Cells{"1", "Потери холостого хода в трансформаторах, кВт·ч", "48", "40", "8", "40", "40", "0", "8", "0", "8"}));
    EXPECT_EQ(Row(doc, 5, 11, 1, 11), (Cells{"6", "всего, кВт·ч", "72", "50", "22", "22", "0", "22", "50", "50", "0"}));
    EXPECT_EQ(Row(doc, 5, 17, 1, 11),
              (Cells{"10", "всего (4 + 6), кВт·ч", "250", "190", "60", "162", "140", "22", "88", "50", "38"}));
    EXPECT_EQ(Row(doc, 5, 18, 1, 11),
              (Cells{"11", "в % от отпуска в сеть", "2.7", "2.1", "0.7", "1.8", "1.5", "0.2", "1.0", "0.5", "0.4"}));
    filled.emplace_back();
    for (int t = 1; t <= doc.TableCount(); ++t)
      for (int r = 1; r <= doc.RowCount(t); ++r) filled.back().push_back(Row(doc, t, r, 1, doc.CellCount(t, r)));
  }
  // Every cell of the two statements alike: no figure went elsewhere in the suite's tables.
  EXPECT_EQ(filled.front(), filled.back());

  // The template saved by the suite before its tables were parted: tables 1 to 3 are one, and the
  // statement names what is missing before a figure goes into a table that is not its own.
  const std::string before = ReadBytes(output);
  const std::string joined = (TestDataDir() / "docx" / "loss_template_joined_libreoffice.docx").string();
  try {
    WriteLossReportDoc(joined, output, data, energy, box);
    ADD_FAILURE() << "a template of three tables filled";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "В шаблоне \"" + joined + "\" нет таблицы 4, которую заполняет ведомость потерь: таблиц в шаблоне 3, а нужно 5. "
              "Таблицы, между которыми нет абзаца, текстовый редактор при сохранении соединяет в одну");
  }
  EXPECT_EQ(ReadBytes(output), before);
  // A stamp "УТВЕРЖДАЮ" added as a table before the first: the statement says its tables are shifted.
  const std::string stamped = (TestDataDir() / "docx" / "loss_template_stamp_libreoffice.docx").string();
  try {
    WriteLossReportDoc(stamped, output, data, energy, box);
    ADD_FAILURE() << "a template of a table more filled";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("В документе \"" + stamped + "\" в таблице 4 нет ячейки (1, 3). Таблиц в "
                                          "шаблоне 6, а ведомость потерь заполняет 5 по их номерам", 0),
              0u)
        << e.what();
  }
  EXPECT_EQ(ReadBytes(output), before);

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
