// Report files of a period calculation: the lines of the energy balance of a two-node scheme, the
// technological consumption, the control messages with their legend, the bytes on disk and the
// result graphs in the catalogue.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/regime/period_energy.h"
#include "core/regime/period_report.h"
#include "core/tables/layout.h"
#include "core/tables/table_ops.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(PeriodReport, TwoNodeDayGivesTheBalanceLinesInBothDimensions) {
  MaketFileName = (DataDir() / "maket.zr").string();
  ScriptedMsgBox box;
  NominalVoltages unoms;
  TempDir dir;
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2, "", 1, 1).Um = 10;
  s.Branch(1, 2, 1, 2);
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  TPeriodEnergy energy;
  energy.Init(std::vector<TEnergyGivenNode>(3), std::vector<TEnergyGivenBranch>(2), {}, false);
  for (int i = 0; i < 24; ++i) energy.AccumulateSliceEnergy(r, 1.0);

  std::vector<std::string> lines = LossReportHead("Схема1", EncodeDate(2026, 12, 7) + 0.5, EncodeDate(2026, 11, 1),
                                                  EncodeDate(2026, 11, 1), {}, 3, false);
  AppendEnergyBalance(lines, energy.Sums(), 0);
  const std::vector<std::string> expected{
      "Схема : Схема1  (Дата расчета: 07.12.2026 12:00:00)",
      "Расчетный период : 01.11.2026 - 01.11.2026",
      "",
      "[Расчет по графикам нагрузок]",
      "",
      "Потребление           :          24.000 МВт*час         24.000 МВАр*час",
      "Генерация             :           0.000 МВт*час          0.000 МВАр*час",
      "Балансная мощность    :         -24.511 МВт*час        -25.022 МВАр*час",
      "Потери в схеме        :           0.511 МВт*час          1.022 МВАр*час",
      "  Нагрузочные потери  :           0.511 МВт*час          1.022 МВАр*час",
  };
  ASSERT_GE(lines.size(), expected.size() + 4);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << i;
  EXPECT_EQ(lines.back(), "Небаланс в схеме      :           0.000 МВт*час          0.000 МВАр*час");
  EXPECT_EQ(lines[lines.size() - 2], "  Потери холост.хода  :           0.000 МВт*час          0.000 МВАр*час");
  const std::string reactive = "    от реакт.перетоков: ";
  EXPECT_EQ(lines[lines.size() - 3].substr(0, reactive.size()), reactive);
  EXPECT_EQ(lines[lines.size() - 3].size(), reactive.size() + 15 + std::string(" МВт*час").size());

  std::vector<std::string> kilo;
  AppendEnergyBalance(kilo, energy.Sums(), 1);
  EXPECT_EQ(kilo[1], "Потребление           :       24000.000 кВт*час      24000.000 кВАр*час");

  const std::vector<std::string> head =
      LossReportHead("С", 0, 0, 0, {"узел 7 не подключен"}, 0, true);
  EXPECT_EQ(std::vector<std::string>(head.begin() + 3, head.end()),
            (std::vector<std::string>{"[Анализ расчетной конфигурации]", "узел 7 не подключен", "",
                                      "[Расчет по средней загрузке]", "[Расчет по номинальным напряжениям]"}));
}

TEST(PeriodReport, TechnologicalConsumptionLines) {
  TMeterTotals t;
  t.Received = 24000;
  t.Consumption = 23000;
  const std::vector<std::string> lines = TreReport(t);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Расчет технологического расхода электроэнергии",
                       "",
                       "Суммарный прием в сеть :  24000 кBт*час",
                       "Сумарная выдача из сети:      0 кBт*час",
                       "Суммарная генерация    :      0 кBт*час",
                       "Собственные нужды      :      0 кBт*час",
                       "Сальдированный прием   :  24000 кBт*час",
                       "Суммарное потребление  :  23000 кBт*час",
                       "Технологический расход :   1000 кBт*час  (4.2 %)",
                   }));
  EXPECT_EQ(TreReport(TMeterTotals{}).size(), 8u);  // S = 0: no percentage line
}

TEST(PeriodReport, ControlMessagesInOrderWithTheirLegendAndTheFileBytes) {
  TControlMessages m;
  EXPECT_TRUE(m.Lines().empty());
  m.AddSlice("01.11.2026 01", 0);
  m.AddSlice("01.11.2026 02", smLineCurrent | smUnbalance | smLowVoltage);
  m.AddSwitching(5, "ПС1.Ф1", "ТП5", false);
  m.AddSlice("01.11.2026 03", smTransformerFlow | smHighVoltage);
  EXPECT_EQ(m.Lines(), (std::vector<std::string>{
                           "01.11.2026 02..НЕБАЛАНС..[U-]..[Iл]",
                           "Переключение 5: ПС1.Ф1 - ТП5 (ОТКЛ.)",
                           "01.11.2026 03..[U+]..[Sт]",
                           "",
                           "НЕБАЛАНС - наличие небаланса заданного и результирующего перетоков мощности",
                           "[U-] - наличие заниженных уровней напряжений в схеме",
                           "[U+] - наличие завышенных уровней напряжений в схеме",
                           "[Iл] - превышение допустимых токов линий",
                           "[Sт] - превышение допустимых перетоков трансформаторов",
                       }));
  TControlMessages switchingOnly;
  switchingOnly.AddSwitching(2, "А", "Б", true);
  EXPECT_EQ(switchingOnly.Lines(), (std::vector<std::string>{"Переключение 2: А - Б (ВКЛ.)"}));

  TempDir dir;
  const std::string path = (dir / "схема.WMS");
  SaveReportLines(path, {"Переключение 2", ""});
  EXPECT_EQ(Bytes(path), Utf8ToCp1251("Переключение 2") + "\r\n\r\n");
  SaveReportLines(path, {});
  EXPECT_EQ(Bytes(path), "");
  EXPECT_FALSE(std::filesystem::exists(path + ".new~"));
  EXPECT_THROW(SaveReportLines((dir.Path() / "нет" / "x.WRG").string(), {"a"}), Error);
}

TEST(PeriodReport, ResultGraphsReplaceTheirValuesAndKeepTheCatalogueInNumberOrder) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TempDir dir;
  const std::string base = dir / "scheme";
  auto catalog = OpenGraphCatalog(base);
  auto values = OpenGraphValues(base);
  const std::vector<double> day1{20261101.036, 20261101.072};
  ResolveGraphNumber(*catalog, *values, 5, "P наг", "кВт", day1, {1, 2}, 'P', 3600);
  ResolveGraphNumber(*catalog, *values, -3, "U Узел 3", "кВ", day1, {10, 10.5}, 'U', 3600);
  ResolveGraphNumber(*catalog, *values, 0, "scheme (потери)", "кВт", {20261101.0, 20261102.0}, {7, 8}, 'P', 86400);
  ResolveGraphNumber(*catalog, *values, -3, "U Узел 3", "кВ", {20261101.036}, {10.2}, 'U', 3600);

  TGraphCatalogCols c;
  FillGraphCatalogCols(*catalog, c);
  ASSERT_EQ(c.RowCount, 3);
  EXPECT_EQ((std::vector<int>{c.Ngr->Get(1), c.Ngr->Get(2), c.Ngr->Get(3)}), (std::vector<int>{-3, 0, 5}));
  EXPECT_EQ(c.Tit->GetItem(2), "scheme (потери)");
  EXPECT_EQ(c.Typ->Get(2), 2);
  EXPECT_EQ(c.Typ->Get(1), 1);
  EXPECT_EQ(c.Per->Get(2), 86400);
  EXPECT_EQ(c.Zam->Get(1), 'U');
  TGraphValueCols v;
  FillGraphValueCols(*values, v);
  ASSERT_EQ(v.RowCount, 5);
  EXPECT_EQ(v.Ngr->Get(1), -3);
  EXPECT_DOUBLE_EQ(v.Value->Get(1), 10.2);
  EXPECT_EQ(v.Ngr->Get(2), 0);
  EXPECT_DOUBLE_EQ(v.Date->Get(3), 20261102.0);
  EXPECT_EQ(v.Ngr->Get(5), 5);
  EXPECT_DOUBLE_EQ(v.Value->Get(5), 2);
}

}  // namespace
}  // namespace ld::test
