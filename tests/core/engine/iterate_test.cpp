// The calculated steady state against solutions found independently: by hand and by the nodal
// Newton–Raphson of reference_flow.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "reference_flow.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

double Degrees(C u) { return std::arg(u) * 180 / std::numbers::pi; }

void ExpectVoltage(const TRegime& r, int ns, C expected, const std::string& what) {
  const TRegimeElement* e = FindNode(r, ns);
  ASSERT_NE(e, nullptr) << what << ": node " << ns;
  EXPECT_NEAR(e->U.real(), expected.real(), 1e-6) << what << ": node " << ns;
  EXPECT_NEAR(e->U.imag(), expected.imag(), 1e-6) << what << ": node " << ns;
}

// Runs the stages a calculating window runs on a scheme it has read.
void Solve(TRegime& r) {
  r.ApplyTimeData(0, 0, 0, 0, 0, false);
  r.FormMatrices();
  r.RunIterations();
}

TEST(Regime, TwoNodesMatchTheHandSolution) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  Solve(r);
  ASSERT_TRUE(r.Converged);

  const TRegimeElement* n2 = FindNode(r, 2);
  ASSERT_NE(n2, nullptr);
  EXPECT_NEAR(std::abs(n2->U), 10.304909, 1e-6);
  EXPECT_NEAR(Degrees(n2->U), -0.79432, 1e-5);
  EXPECT_NEAR(1000 * std::abs(n2->I) / std::sqrt(3.0), 62.640, 1e-3);  // A
  EXPECT_NEAR(r.TotalLosses(), 0.0117712, 1e-7);
  // The balancing node delivers the load and the losses.
  const C s1 = FindNode(r, 1)->U * std::conj(FindNode(r, 1)->I);
  EXPECT_NEAR(s1.real(), 1.0117712, 1e-7);
  EXPECT_NEAR(s1.imag(), 0.5 + 2 * 0.0117712, 1e-7);
}

TEST(Regime, RingWithTransformerAndShuntsMatchesNodalSolution) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.8, 0.4).Um = 10;
  s.Node(3, "", 0.5, 0.2).Um = 10;
  NodeSpec& n4 = s.Node(4, "", 0.6, 0.3);
  n4.Um = 10;
  n4.Gs = 20;
  n4.Bs = -300;  // a capacitor bank
  s.Node(5, "", 0.3, 0.15).Um = 0.4f;
  s.Branch(2, 1, 1.2, 2.0);
  s.Branch(3, 2, 0.9, 1.6);
  s.Branch(4, 3, 1.5, 2.4);
  s.Branch(1, 4, 1.0, 1.8).B = -10;  // line charging, half at each end
  BranchSpec& t = s.Branch(3, 5, 0.8, 4.0);  // 10/0.4 kV, impedance and magnetising at the 10 kV side
  t.Kta = 25;
  t.G = 5;
  t.B = 40;

  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  EXPECT_EQ(r.NetworkContourCount, 1);
  Solve(r);
  ASSERT_TRUE(r.Converged);

  std::vector<RefBus> buses(5);
  buses[0].kind = RefBus::Slack;
  buses[0].V = 10.5;
  buses[0].B = -5;
  buses[1].P = 0.8, buses[1].Q = 0.4;
  buses[2].P = 0.5, buses[2].Q = 0.2, buses[2].G = 5, buses[2].B = 40;
  buses[3].P = 0.6, buses[3].Q = 0.3, buses[3].G = 20, buses[3].B = -300 - 5;
  buses[4].P = 0.3, buses[4].Q = 0.15;
  buses[4].V = 0.42;  // start of the 0.4 kV node
  const std::vector<RefBranch> branches = {
      {0, 1, 1.2, 2.0}, {1, 2, 0.9, 1.6}, {2, 3, 1.5, 2.4}, {3, 0, 1.0, 1.8}, {4, 2, 0.8, 4.0, C(25, 0)}};
  const RefResult ref = SolveReference(buses, branches);
  ASSERT_TRUE(ref.Converged);
  for (int i = 0; i < 5; ++i) ExpectVoltage(r, i + 1, ref.U[i], "ring");
  EXPECT_NEAR(r.TotalLosses(), ref.Losses, 1e-7);
  // The 0.4 kV node hangs under the transformer with the inverse ratio.
  const TRegimeElement* low = FindNode(r, 5);
  EXPECT_NEAR(low->K.real(), 0.04, 1e-12);
  EXPECT_NEAR(std::abs(low->U), std::abs(ref.U[4]), 1e-6);
}

SchemeBuilder FixedVoltageRing() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.2, 0.6).Um = 10;
  NodeSpec& pv = s.Node(3, "U", 0.4, 0.1);
  pv.Um = 10.4f;
  s.Node(4, "", 0.9, 0.5).Um = 10;
  s.Node(5, "", 0.3, 0.2).Um = 10;
  s.Branch(2, 1, 1.1, 2.1);
  s.Branch(3, 2, 1.3, 2.2);
  s.Branch(4, 3, 0.9, 1.7);
  s.Branch(4, 1, 1.4, 2.5);
  s.Branch(5, 4, 0.7, 1.1);
  return s;
}

RefResult FixedVoltageReference() {
  std::vector<RefBus> buses(5);
  buses[0].kind = RefBus::Slack;
  buses[0].V = 10.5;
  buses[1].P = 1.2, buses[1].Q = 0.6;
  buses[2].kind = RefBus::PV;
  buses[2].V = 10.4;
  buses[2].P = 0.4;
  buses[3].P = 0.9, buses[3].Q = 0.5;
  buses[4].P = 0.3, buses[4].Q = 0.2;
  return SolveReference(buses, {{0, 1, 1.1, 2.1}, {1, 2, 1.3, 2.2}, {2, 3, 0.9, 1.7}, {0, 3, 1.4, 2.5}, {3, 4, 0.7, 1.1}});
}

TEST(Regime, FixedVoltageNodeHeldByEveryAlgorithm) {
  const RefResult ref = FixedVoltageReference();
  ASSERT_TRUE(ref.Converged);
  for (int algorithm = 0; algorithm <= 3; ++algorithm) {
    const std::string what = "algorithm " + std::to_string(algorithm);
    TempDir dir;
    TRegime r;
    r.Accuracy = 1e-9;
    r.PVAlgorithm = algorithm;
    FixedVoltageRing().Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead) << what;
    EXPECT_EQ(r.FixedCount, 1) << what;
    EXPECT_EQ(r.BalancingCount, 1) << what;
    // Algorithm 0 closes the ring and adds one contour for the node; as a source the node closes two.
    EXPECT_EQ(r.TotalContourCount, 2) << what;
    EXPECT_EQ(r.NetworkContourCount, algorithm == 0 ? 1 : 2) << what;
    Solve(r);
    ASSERT_TRUE(r.Converged) << what;
    for (int i = 0; i < 5; ++i) ExpectVoltage(r, i + 1, ref.U[i], what);
    EXPECT_NEAR(std::abs(FindNode(r, 3)->U), 10.4, 1e-7) << what;
  }
}

TEST(Regime, TwoBalancingNodesAtDifferentVoltagesAndAngles) {
  SchemeBuilder s;
  NodeSpec& a = s.Node(1, "B");
  a.Um = 10.5f;
  s.Node(2, "", 0.7, 0.3).Um = 10;
  s.Node(3, "", 0.5, 0.4).Um = 10;
  s.Node(4, "", 0.6, 0.2).Um = 10;
  NodeSpec& b = s.Node(5, "b");  // signs are read upper-cased
  b.Um = 10.3f;
  b.Angle = -1.5;
  s.Branch(2, 1, 0.8, 1.5);
  s.Branch(3, 2, 1.0, 1.9);
  s.Branch(3, 4, 0.6, 1.2);
  s.Branch(5, 4, 0.9, 1.4);

  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  EXPECT_EQ(r.BalancingCount, 2);
  EXPECT_EQ(r.NetworkContourCount, 1);
  Solve(r);
  ASSERT_TRUE(r.Converged);

  std::vector<RefBus> buses(5);
  buses[0].kind = RefBus::Slack;
  buses[0].V = 10.5;
  buses[1].P = 0.7, buses[1].Q = 0.3;
  buses[2].P = 0.5, buses[2].Q = 0.4;
  buses[3].P = 0.6, buses[3].Q = 0.2;
  buses[4].kind = RefBus::Slack;
  buses[4].V = 10.3;
  buses[4].AngleDeg = -1.5;
  const RefResult ref =
      SolveReference(buses, {{0, 1, 0.8, 1.5}, {1, 2, 1.0, 1.9}, {3, 2, 0.6, 1.2}, {3, 4, 0.9, 1.4}});
  ASSERT_TRUE(ref.Converged);
  for (int i = 0; i < 5; ++i) ExpectVoltage(r, i + 1, ref.U[i], "two sources");
  EXPECT_NEAR(r.TotalLosses(), ref.Losses, 1e-7);
}

TEST(Regime, ReactiveLimitReachedAndHeld) {
  // The node would need about 0.9 Mvar to hold 10.4 kV; it may give 0.3.
  SchemeBuilder s = FixedVoltageRing();
  s.Nodes[2].Qmin = -0.3f;
  s.Nodes[2].Qmax = 0.3f;
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-9;
  r.PVAlgorithm = 3;
  r.QLimits = true;
  s.Read(r, dir.Path());
  Solve(r);
  ASSERT_TRUE(r.Converged);
  ASSERT_EQ(r.PVProtocol.size(), 1u);
  EXPECT_EQ(r.PVProtocol[0], "3- ");
  ASSERT_EQ(r.ExcludedPV.size(), 1u);
  EXPECT_EQ(r.ExcludedPV[0], 3);  // the node's row

  std::vector<RefBus> buses(5);
  buses[0].kind = RefBus::Slack;
  buses[0].V = 10.5;
  buses[1].P = 1.2, buses[1].Q = 0.6;
  buses[2].P = 0.4, buses[2].Q = 0.1 - 0.3;
  buses[3].P = 0.9, buses[3].Q = 0.5;
  buses[4].P = 0.3, buses[4].Q = 0.2;
  const RefResult ref =
      SolveReference(buses, {{0, 1, 1.1, 2.1}, {1, 2, 1.3, 2.2}, {2, 3, 0.9, 1.7}, {0, 3, 1.4, 2.5}, {3, 4, 0.7, 1.1}});
  ASSERT_TRUE(ref.Converged);
  for (int i = 0; i < 5; ++i) ExpectVoltage(r, i + 1, ref.U[i], "held at Qmax");
  EXPECT_LT(std::abs(FindNode(r, 3)->U), 10.4);
}

// Two fixed-voltage nodes pulling against each other: node 3 is held at its Qmax first, node 4 at its
// Qmin next, and then node 3 no longer needs its limit and is released. One node per pass.
TEST(Regime, ReactiveLimitPassesKeepTheUsersGeneration) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  NodeSpec& a = s.Node(3, "U", 0.2, 0.1);
  a.Um = 10.6f;
  a.Qmin = -2;
  a.Qmax = 2;
  NodeSpec& b = s.Node(4, "U", 0.2, 0.1);
  b.Um = 10.0f;
  b.Qmin = -0.1f;
  b.Qmax = 0.1f;
  b.Qg = 0.05;
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 2, 1, 2);
  s.Branch(4, 3, 0.2, 0.4);

  std::vector<RefBus> buses(4);
  buses[0].kind = RefBus::Slack;
  buses[0].V = 10.5;
  buses[1].P = 1.0, buses[1].Q = 0.5;
  buses[2].kind = RefBus::PV;
  buses[2].V = 10.6;
  buses[2].P = 0.2;
  buses[3].P = 0.2, buses[3].Q = 0.1 + 0.1;  // generation held at Qmin = -0.1
  const RefResult ref = SolveReference(buses, {{0, 1, 1, 2}, {1, 2, 1, 2}, {2, 3, 0.2, 0.4}});
  ASSERT_TRUE(ref.Converged);

  for (int algorithm = 0; algorithm <= 1; ++algorithm) {
    const std::string what = "algorithm " + std::to_string(algorithm);
    TempDir dir;
    const std::string path = s.Write(dir.Path());
    TRegime r;
    r.Accuracy = 1e-9;
    r.PVAlgorithm = algorithm;
    r.QLimits = true;
    r.QLimitCount = 1;
    r.Calculate(path, 0, 0, 0, 0, 0);
    ASSERT_TRUE(r.Converged) << what;
    EXPECT_EQ(r.PVProtocol, (std::vector<std::string>{"3- ", "4- ", "3+ "})) << what;
    EXPECT_EQ(r.ExcludedPV, (std::vector<std::int32_t>{4})) << what;
    for (int i = 0; i < 4; ++i) ExpectVoltage(r, i + 1, ref.U[i], what);
    // The limits were the calculation's business: the table keeps the generation the user entered.
    TDataFile nodes;
    ReadTableFile(path + ".UZL", nodes);
    TNodeCols n;
    FillNodeCols(nodes, n);
    EXPECT_EQ(n.Qg->Get(3), 0.0) << what;
    EXPECT_EQ(n.Qg->Get(4), 0.05) << what;
  }
}

TEST(Regime, IterationLimitsResidualsAndStartVoltages) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Node(3, "", 0.5, 0.1).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  s.Branch(3, 2, 0.5, 0.9);
  TempDir dir;
  const double expected = 10.304909;  // node 2 without node 3 would be this; with it, lower
  {
    // One iteration never counts as converged.
    TRegime r;
    r.MaxIter = 1;
    s.Read(r, dir.Path());
    Solve(r);
    EXPECT_FALSE(r.Converged);
    ASSERT_EQ(r.ResidualsU.size(), 1u);
    EXPECT_EQ(r.ResidualsU[0], "1000.000000");
    EXPECT_TRUE(r.ResidualsLoop.empty());  // a radial scheme has no loop residuals
  }
  std::vector<C> reference;
  {
    TRegime r;
    r.Accuracy = 1e-10;
    s.Read(r, dir.Path());
    Solve(r);
    ASSERT_TRUE(r.Converged);
    EXPECT_LT(std::abs(FindNode(r, 2)->U), expected);
    for (int ns = 1; ns <= 3; ++ns) reference.push_back(FindNode(r, ns)->U);
  }
  // A damping of zero and a start from results never calculated both still reach the same regime.
  for (int variant = 0; variant < 3; ++variant) {
    TRegime r;
    r.Accuracy = 1e-10;
    if (variant == 0) r.DampU = 0;
    if (variant == 1) r.InitVoltageMode = 1;
    if (variant == 2) r.InitVoltageMode = 2;
    s.Read(r, dir.Path());
    Solve(r);
    ASSERT_TRUE(r.Converged) << variant;
    for (int ns = 1; ns <= 3; ++ns) {
      const C u = FindNode(r, ns)->U;
      EXPECT_TRUE(std::isfinite(u.real()) && std::isfinite(u.imag())) << variant;
      EXPECT_NEAR(std::abs(u - reference[ns - 1]), 0, 1e-8) << variant << " node " << ns;
    }
  }
  {
    // A load far beyond what the line can carry diverges and says so.
    SchemeBuilder heavy = s;
    heavy.Nodes[2].Pn = 500;
    TRegime r;
    heavy.Read(r, dir.Path());
    Solve(r);
    EXPECT_FALSE(r.Converged);
    EXPECT_FALSE(r.ModelError);
  }
}

}  // namespace
}  // namespace ld::test
