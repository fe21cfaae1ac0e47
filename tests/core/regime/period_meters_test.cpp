// The technological consumption by meters: areas opened by "+" meters and settled over contours, the
// totals, unmatched meters, and the report of the run.
#include "core/regime/period_meters.h"

#include "core/engine/regime.h"
#include "core/regime/period_run.h"
#include "regime_test.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

struct Meter {
  const char* pm;
  int n1, n2;
  double pr, pl;
};

class PeriodMeters : public RegimeTest {
protected:
  SchemeBuilder s;
  TRegime r;
  ScriptedMsgBox box;
  std::vector<std::string> messages;
  TDataFile flows, nodes;

  std::string Path() const { return dir / "scheme"; }
  void Meters(const std::vector<Meter>& meters) {
    ReadMaket(LayoutLineFlows, flows);
    CreateColumns(flows, static_cast<int>(meters.size()));
    TLineFlowCols f;
    FillLineFlowCols(flows, f);
    for (int row = 1; row <= f.RowCount; ++row) {
      const Meter& m = meters[static_cast<std::size_t>(row - 1)];
      (*f.PM)[row] = Letter(m.pm);
      (*f.N1)[row] = m.n1, (*f.N2)[row] = m.n2, (*f.Pr)[row] = m.pr, (*f.Pl)[row] = m.pl;
    }
  }
  // Supply 1, bus 2 and consumers 3 (15000 kW·h) and 4 (8000 kW·h).
  void Radial() {
    s.Node(1, "B").Um = 10;
    s.Node(2, "").Um = 10;
    s.Node(3, "", 0.5, 0.1).WPn = 15000;
    s.Node(4, "", 0.3, 0.1).WPn = 8000;
    s.Branch(2, 1, 0.1, 0.2);
    s.Branch(3, 2, 0.1, 0.2);
    s.Branch(4, 2, 0.1, 0.2);
  }
  TMeterTotals Match() {
    s.Read(r, dir.Path());
    EXPECT_TRUE(r.SchemeRead);
    ReadTableFile(Path() + GetMaketExtention(LayoutNodes), nodes);
    return MatchLineFlowMeters(r, flows, nodes, true, [this](const std::string& m) { messages.push_back(m); });
  }
};

TEST_F(PeriodMeters, PlusMeterOnTheSupplyAndAnUnmatchedMinusMeter) {
  Radial();
  Meters({{"+", 1, 2, 24000, 0}, {"-", 7, 8, 500, 20}, {"с", 0, 0, 40, 0}});
  const TMeterTotals t = Match();
  EXPECT_DOUBLE_EQ(t.Received, 24000 + 20);
  EXPECT_DOUBLE_EQ(t.Delivered, 500);
  EXPECT_DOUBLE_EQ(t.Consumption, 23000);
  EXPECT_DOUBLE_EQ(t.OwnNeeds, 40);
  EXPECT_EQ(messages, (std::vector<std::string>{"Перетоки в линиях: линия 7 - 8 в схеме не найдена"}));
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    EXPECT_EQ(e->Work, 0);
    EXPECT_EQ(e->Flags & 0xF0000000u, 0u);
  }
}

TEST_F(PeriodMeters, ContoursSettleToTheSmallerAreaAndAnOpenAreaIsReported) {
  s.Node(1, "B").Um = 10;
  for (int ns = 2; ns <= 4; ++ns) s.Node(ns, "", 0.2, 0.1).WPn = 1000;
  s.Branch(2, 1, 0.1, 0.2);
  s.Branch(3, 2, 0.1, 0.2);
  s.Branch(4, 3, 0.1, 0.2);
  s.Branch(4, 1, 0.1, 0.2);  // closes the ring
  Meters({{"+", 1, 2, 2000, 0}, {"+", 1, 4, 1500, 0}});
  TMeterTotals t = Match();
  EXPECT_DOUBLE_EQ(t.Received, 3500);
  EXPECT_DOUBLE_EQ(t.Consumption, 3000);
  EXPECT_TRUE(messages.empty());

  Meters({{"+", 1, 2, 2000, 0}});
  t = Match();
  EXPECT_DOUBLE_EQ(t.Received, 2000);
  EXPECT_DOUBLE_EQ(t.Consumption, 3000);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("Область не оконтурена учетами от узла ", 0), 0u);
}

TEST_F(PeriodMeters, TheRunWritesOnlyTheReport) {
  Radial();
  s.Write(dir.Path());
  Meters({{"+", 1, 2, 24000, 0}});
  WriteTableFile(Path() + flows.Extention, flows);
  TPeriodRunCallbacks cb;
  cb.Message = [this](const std::string& m) { messages.push_back(m); };
  IniRec.FlagBalans = true;  // balancing has no part in this form
  const TPeriodRunResult res = RunPeriodLosses(r, Path(), cb, TPeriodRunForm::Technological);
  ASSERT_TRUE(res.Written) << (messages.empty() ? "" : messages.back());
  EXPECT_EQ(res.Report.at(2), "Суммарный прием в сеть :  24000 кBт*час");
  EXPECT_EQ(res.Report.back(), "Технологический расход :   1000 кBт*час  (4.2 %)");
  EXPECT_TRUE(std::filesystem::exists(Path() + ".WRG"));
  EXPECT_FALSE(std::filesystem::exists(Path() + ".WMS"));
  EXPECT_FALSE(std::filesystem::exists(Path() + GetMaketExtention(LayoutBranchEnergy)));
}

}  // namespace
}  // namespace ld::test
