// The technological consumption by meters: the totals of an area opened by a "+" meter and unmatched
// meters.
#include "core/regime/period_meters.h"

#include "core/engine/regime.h"
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

  // The feed meters as forming writes them, from the external source into a station: station 5 has no
  // branch to any supply, so its meter measures no flow of the model and counts as a meter the scheme
  // does not hold, while the supplied station's opens the area of 3 and 4. Station 5's own 3,000 kW·h
  // are consumed in no area.
  s.Node(5, "").WPn = 3000;
  Meters({{"+", kRootNumber, 1, 24000, 0}, {"+", kRootNumber, 5, 1000, 0}});
  messages.clear();
  const TMeterTotals feeds = Match();
  EXPECT_DOUBLE_EQ(feeds.Received, 24000 + 1000);
  EXPECT_DOUBLE_EQ(feeds.Delivered, 0);
  EXPECT_DOUBLE_EQ(feeds.Consumption, 23000);
  EXPECT_EQ(messages,
            (std::vector<std::string>{"Перетоки в линиях: линия " + std::to_string(kRootNumber) + " - 5 в схеме не найдена"}));
}

}  // namespace
}  // namespace ld::test
