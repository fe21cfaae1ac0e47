// The capacitive currents of the sample district "Образец" of the program folder, formed into a scheme
// as a newcomer forms it: each supply point carries the sum over the 6-35 kV networks it feeds, worked
// out here from the formed scheme's own rows (whatever the sample holds), and every cable section has
// its share.
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "core/base/codepage.h"
#include "core/district/scheme_forming.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/regime/task_emk.h"
#include "core/regime/task_regime.h"
#include "core/tables/file_guard.h"
#include "core/tables/unom.h"
#include "regime_test.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class CapacitiveSample : public RegimeTest {
protected:
  CapacitiveSample() {
    IniRec.Path = dir.Path().string() + "/";
    CopyDataFiles(dir.Path(), [](const std::string& name) { return name.rfind("Образец.", 0) == 0 || name.rfind("sprav_", 0) == 0; });
    ReadNominalVoltageList();
  }
  std::string Stem() const { return dir / "Образец"; }
};

// What the formed rows say, read apart from the engine: for each node its class, for each branch its
// ends and susceptance; the network of a supply point is what its closed branches reach within one
// class, and a branch open at one end belongs to the network of its closed end.
struct FormedScheme {
  struct Branch {
    std::int32_t n1, n2;
    bool open1, open2;
    float b;
  };
  std::map<std::int32_t, double> classOf;
  std::vector<std::int32_t> supplies;
  std::vector<Branch> branches;

  explicit FormedScheme(const std::string& stem) {
    const TDataFile nodes = ReadTable(stem + ".UZL"), lines = ReadTable(stem + ".VET");
    TNodeCols n;
    TBranchCols l;
    FillNodeCols(nodes, n);
    FillBranchCols(lines, l);
    for (int row = 1; row <= n.RowCount; ++row) {
      classOf[n.NS->Get(row)] = NearestNominalVoltage(n.Um->Get(row));
      const char sign = static_cast<char>(n.Sign->Get(row));
      if (sign == 'b' || sign == 'B') supplies.push_back(n.NS->Get(row));
    }
    for (int row = 1; row <= l.RowCount; ++row) {
      const std::string letter = Cp1251ToUtf8(std::string(1, static_cast<char>(l.Commut->Get(row))));
      const bool off = letter == "О" || letter == "П";
      branches.push_back({l.N1->Get(row), l.N2->Get(row), off || letter == "Н", off || letter == "К" || letter == "Ф",
                          l.B->Get(row)});
    }
  }
  bool Capacitive(std::int32_t node) const {
    const double c = classOf.at(node);
    return c == 6 || c == 10 || c == 35;
  }
  // Σ B of the network fed by the supply node, in µS as the rows hold it.
  double NetworkB(std::int32_t supply) const {
    std::set<std::int32_t> reached{supply};
    for (bool grown = true; grown;) {
      grown = false;
      for (const Branch& x : branches) {
        if (x.open1 || x.open2 || classOf.at(x.n1) != classOf.at(x.n2)) continue;
        if (reached.count(x.n1) != reached.count(x.n2)) {
          reached.insert(x.n1);
          reached.insert(x.n2);
          grown = true;
        }
      }
    }
    double sum = 0;
    for (const Branch& x : branches) {
      if ((x.open1 && x.open2) || classOf.at(x.n1) != classOf.at(x.n2) || !Capacitive(x.n1)) continue;
      const bool in1 = !x.open1 && reached.count(x.n1) != 0, in2 = !x.open2 && reached.count(x.n2) != 0;
      if (in1 || in2) sum += x.b;
    }
    return sum;
  }
};

TEST_F(CapacitiveSample, EverySupplyPointCarriesTheNetworksItFeeds) {
  TRegime former;
  former.NameMode = 1;
  former.FormPVLoops = true;
  std::vector<std::string> messages;
  ASSERT_TRUE(FormSchemeFromBase(Stem(), false, {}, former, DefaultSchemeConverter(), {}, messages).Written);

  // The command: the model read (nominal voltages), both tables filled and written back.
  TRegime r;
  PrepareTaskEngine(r, false);
  r.ReadScheme(Stem());
  ASSERT_FALSE(r.ModelError);
  {
    TDataFile nodes = ReadTable(Stem() + ".UZL"), branches = ReadTable(Stem() + ".VET");
    TNodeCols nc;
    TBranchCols bc;
    FillNodeCols(nodes, nc);
    FillBranchCols(branches, bc);
    CalcCapacitiveCurrents(r, nc, bc, false);
    RewriteLockedScheme(Stem(), nodes, branches);
  }
  const FormedScheme formed(Stem());
  ASSERT_GE(formed.supplies.size(), 2u);
  TDataFile nodes = ReadTable(Stem() + ".UZL"), branches = ReadTable(Stem() + ".VET");
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(nodes, nc);
  FillBranchCols(branches, bc);
  std::map<std::int32_t, double> expected;
  for (const std::int32_t supply : formed.supplies) {
    const double sum = formed.NetworkB(supply);
    EXPECT_LT(sum, 0) << supply << ": a formed line's susceptance is negative";
    expected[supply] = -std::sqrt(3.0) * 0.001 * formed.classOf.at(supply) * sum;
    for (int row = 1; row <= nc.RowCount; ++row) {
      if (nc.NS->Get(row) == supply) {
        EXPECT_NEAR(nc.Iemk->Get(row), expected[supply], 1e-4) << supply;
      }
    }
  }

  // Every cable section carries its capacitance and its currents.
  int cables = 0;
  for (int row = 1; row <= bc.RowCount; ++row) {
    if (UpperCase(bc.Mark->GetItem(row)).find("ААБЛ") == std::string::npos) continue;
    ++cables;
    EXPECT_LT(bc.B->Get(row), 0) << row;
    EXPECT_NE(bc.Iemk1->Get(row), 0.0f) << row;
    EXPECT_NE(bc.Iemk2->Get(row), 0.0f) << row;
  }
  EXPECT_GT(cables, 0);

  // "Емкостные токи БП": each point with its sum, the branches leaving it grouped under it.
  TDataFile view;
  BuildCapCurrentView(r, nodes, branches, TCapCurrentPoints::Supply, view);
  TCapCurrentCols v;
  FillCapCurrentCols(view, v);
  std::set<std::int32_t> listed;
  std::int32_t group = 0;
  for (int row = 1; row <= v.RowCount; ++row) {
    if (view.MarkRec->Get(row) == 16) {
      EXPECT_GT(v.Idx->Get(row), group) << "a point heads its group";
      group = v.Idx->Get(row);
      listed.insert(v.N2->Get(row));
      EXPECT_NEAR(v.Iemk2->Get(row), expected[v.N2->Get(row)], 1e-4) << v.N2->Get(row);
    } else {
      EXPECT_EQ(v.Idx->Get(row), group) << "row " << row << " under its point";
      EXPECT_NE(v.Iemk1->Get(row), 0.0f) << row;
    }
  }
  EXPECT_EQ(listed, std::set<std::int32_t>(formed.supplies.begin(), formed.supplies.end()));
  EXPECT_GT(v.RowCount, static_cast<int>(listed.size()));
}

}  // namespace
}  // namespace ld::test
