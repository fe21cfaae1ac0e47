// Report files of a period calculation: the technological consumption, the control messages with their
// legend and the bytes on disk.
#include "core/regime/period_report.h"

#include "core/base/error.h"
#include "core/catalogs/graph_tables.h"
#include "core/regime/period_meters.h"
#include "support/full_disk.h"
#include "regime_test.h"

namespace ld::test {
namespace {

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
}

TEST(PeriodReport, ControlMessagesInOrderWithTheirLegendAndTheFileBytes) {
  TControlMessages m;
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

  TempDir dir;
  const std::string path = (dir / "схема.WMS");
  SaveReportLines(path, {"Переключение 2", ""});
  EXPECT_EQ(ReadBytes(path), Utf8ToCp1251("Переключение 2") + "\r\n\r\n");
  SaveReportLines(path, {"Переключение 3"});
  {
    test::FullDisk disk(4);
    try {
      SaveReportLines(path, {"Переключение 4", "Переключение 5"});
      ADD_FAILURE() << "a report that did not fit was taken for written";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), test::FullDiskMessage(path));
    }
  }
  EXPECT_EQ(ReadBytes(path), Utf8ToCp1251("Переключение 3") + "\r\n");
  SaveReportLines(path, {});
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

using PeriodReportGraphs = RegimeTest;

TEST_F(PeriodReportGraphs, ResultGraphsReplaceTheirValuesAndKeepTheCatalogueInNumberOrder) {
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
  std::vector<std::string> rows;
  for (int r = 1; r <= 3; ++r)
    rows.push_back(std::to_string(c.Ngr->Get(r)) + " " + c.Tit->GetItem(r) + " " + std::to_string(c.Typ->Get(r)) +
                   " " + char(c.Zam->Get(r)) + " " + std::to_string(c.Per->Get(r)));
  EXPECT_EQ(rows, (std::vector<std::string>{"-3 U Узел 3 1 U 3600", "0 scheme (потери) 2 P 86400", "5 P наг 1 P 3600"}));
  TGraphValueCols v;
  FillGraphValueCols(*values, v);
  ASSERT_EQ(v.RowCount, 5);
  std::vector<double> all;
  for (int r = 1; r <= 5; ++r) all.insert(all.end(), {double(v.Ngr->Get(r)), v.Date->Get(r), v.Value->Get(r)});
  EXPECT_EQ(all, (std::vector<double>{-3, 20261101.036, 10.2, 0, 20261101.0, 7, 0, 20261102.0, 8, 5, 20261101.036, 1,
                                      5, 20261101.072, 2}));
}

}  // namespace
}  // namespace ld::test
