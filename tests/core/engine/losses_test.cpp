// Losses of a calculated regime against the power balance, voltage checks per class of the voltage-class
// catalogue, and branch current and flow limits against end currents derived by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

struct UnomRow {
  double unom, dUm, dUp;
};

void WriteUnomCatalog(const std::string& file, const std::vector<UnomRow>& rows) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile t;
  ReadMaket("Номинальные напряжения", t);
  CreateColumns(t, static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    (*GetColumnAs<DAdouble>("Unom", t))[r] = rows[i].unom;
    (*GetColumnAs<DAdouble>("dUm", t))[r] = rows[i].dUm;
    (*GetColumnAs<DAdouble>("dUp", t))[r] = rows[i].dUp;
  }
  WriteTableFile(file, t);
}

// The catalogue folder and the nominal-voltage list of the settings, put back afterwards.
class CatalogScope {
public:
  explicit CatalogScope(const std::string& folder) : path_(IniRec.Path), list_(std::move(IniRec.UnomList)) {
    IniRec.Path = folder + "/";
    IniRec.UnomList = std::make_unique<DAdouble>();
  }
  ~CatalogScope() {
    IniRec.Path = path_;
    IniRec.UnomList = std::move(list_);
  }

private:
  std::string path_;
  std::unique_ptr<DAdouble> list_;
};

TRegimeElement* Node(TRegime& r, int ns) { return const_cast<TRegimeElement*>(FindNode(r, ns)); }

TEST(Losses, TotalLossesAreWhatTheSourceGivesBeyondTheLoads) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.8, 0.4).Um = 10;
  NodeSpec& n3 = s.Node(3, "", 0.5, 0.2);
  n3.Um = 10;
  n3.Gs = 150;  // a node shunt loses |U|²·Gs
  s.Branch(2, 1, 1.2, 2.0).G = 40;
  s.Branch(3, 2, 0.9, 1.6);
  s.Branch(3, 1, 1.5, 2.4);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-10;
  s.Read(r, dir.Path());
  r.ApplyTimeData(0, 0, 0, 0, 0, false);
  r.FormMatrices();
  r.RunIterations();
  ASSERT_TRUE(r.Converged);
  const C given = Node(r, 1)->U * std::conj(Node(r, 1)->I);
  EXPECT_NEAR(r.TotalLosses(), given.real() - 1.3, 1e-8);
  EXPECT_GT(r.TotalLosses(), 0.0);

  TRegime empty;
  EXPECT_EQ(empty.TotalLosses(), 0.0);
}

TEST(Losses, VoltageChecksByClass) {
  TempDir dir;
  CatalogScope scope(dir.Path().string());
  // Rows out of order and a name in another letter case: the list is sorted and the file still found.
  WriteUnomCatalog(dir / "SPRAV_UN.CAT", {{35, 0, 0}, {10, 5, 10}, {-6, 5, 5}, {0.4, 0, 0}, {20, 0, 0}});
  LoadNominalVoltages();
  ASSERT_EQ(IniRec.UnomList->Count, 5);
  EXPECT_EQ((*IniRec.UnomList)[1], -6);
  EXPECT_EQ((*IniRec.UnomList)[5], 35);

  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;  // class 10 by its set voltage
  for (int ns = 2; ns <= 7; ++ns) s.Node(ns).Um = 10;
  s.Nodes[3].Um = 6;   // class left out of the checks
  s.Nodes[4].Um = 35;  // row without deviations: the defaults
  s.Nodes[5].Um = 27;  // no row at all: the defaults
  for (int ns = 2; ns <= 6; ++ns) s.Branch(ns, ns - 1, 1, 1);
  s.Branch(3, 1, 1, 1);  // a loop-closing branch, whose own voltage is never set here
  // Node 7 has no branch: unsupplied, never checked.
  TRegime r;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  const double u[] = {0, 11.1, 9.5, 9.49, 3, 36, 24.9};  // +11 %, -5 % (the limit), -5.1 %, -50 %, +2.9 %, -7.8 %
  for (int ns = 1; ns <= 6; ++ns) Node(r, ns)->U = u[ns];

  bool under = false, over = false;
  const std::string file = dir / "sprav_UN.cat";
  r.CheckVoltageDeviations(file, under, 7.5, 2.5, over);
  EXPECT_TRUE(under);
  EXPECT_TRUE(over);
  EXPECT_EQ(r.UnderVoltageCount, 2);  // nodes 3 and 6
  EXPECT_EQ(r.OverVoltageCount, 2);   // nodes 1 and 5

  r.CheckVoltageDeviations(file, under, 0, 0, over);  // defaults off: only the 10 kV row checks
  EXPECT_EQ(r.UnderVoltageCount, 1);
  EXPECT_EQ(r.OverVoltageCount, 1);

  // Without the catalogue every class takes the defaults, the 6 kV node included.
  r.CheckVoltageDeviations(dir / "missing.cat", under, 7.5, 2.5, over);
  EXPECT_EQ(r.UnderVoltageCount, 2);  // nodes 4 and 6
  EXPECT_EQ(r.OverVoltageCount, 2);
}

TEST(Losses, CurrentAndFlowLimitsAtBothEnds) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2).Um = 10;
  s.Node(3).Um = 0.4f;
  s.Branch(2, 1, 1, 1);
  s.Branch(3, 2, 0.01, 0.04).Kta = 0.04f;
  TempDir dir;
  TRegime r;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  TRegimeElement* line = Node(r, 2);
  TRegimeElement* tr = Node(r, 3);
  ASSERT_TRUE(tr->Flags & efHasRatio);
  Node(r, 1)->U = 10.2;
  line->U = 10;
  line->I = 0.1;
  line->B = -20000;  // 10000 µS of charging at each end
  line->SIdop = 0.142f;
  tr->U = 0.4;
  tr->I = 1.0;
  tr->G = 100;
  tr->B = 1000;
  tr->Sdop = 0.41f;
  // Line: I1 = 0.1 - j·0.1 (|I1| = 0.1414), I2 = 0.1 + j·0.102 (|I2| = 0.1428 > 0.142).
  // Transformer magnetised at its own 0.4 kV end: both ends carry 0.4 MVA, within 0.41.
  bool overCurrent = false, overFlow = false;
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  EXPECT_TRUE(overCurrent);
  EXPECT_EQ(r.OverCurrentCount, 1);
  EXPECT_FALSE(overFlow);
  r.CheckLoadLimits(overCurrent, overFlow, 101, 0);  // 101 % of 0.142 = 0.1434
  EXPECT_FALSE(overCurrent);

  // Magnetised at the 10 kV end instead: 10·|0.04 + 0.001 - j·0.01| = 0.422 MVA there.
  tr->Flags |= efReversed;
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  EXPECT_TRUE(overFlow);
  EXPECT_EQ(r.OverFlowCount, 1);
  r.CheckLoadLimits(overCurrent, overFlow, 0, 110);
  EXPECT_FALSE(overFlow);
  // No limits, nothing examined.
  line->SIdop = 0;
  tr->Sdop = 0;
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  EXPECT_EQ(r.OverCurrentCount + r.OverFlowCount, 0);
}

}  // namespace
}  // namespace ld::test
