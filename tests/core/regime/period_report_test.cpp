// Report files of a period calculation: the technological consumption, the control messages with their
// legend and the bytes on disk.
#include "core/regime/period_report.h"

#include "core/base/error.h"
#include "core/catalogs/graph_tables.h"
#include "core/regime/period_meters.h"
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
  SaveReportLines(path, {});
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_FALSE(std::filesystem::exists(path + ".new~"));
}

}  // namespace
}  // namespace ld::test
