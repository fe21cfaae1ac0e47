// The calculated steady state against solutions found independently: by hand and by the nodal
// Newton–Raphson of reference_flow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "reference_flow.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

RefBus Slack(double v, double angle = 0) { return {.kind = RefBus::Slack, .V = v, .AngleDeg = angle}; }
RefBus Load(double p, double q) { return {.P = p, .Q = q}; }
RefBus Fixed(double v, double p) { return {.kind = RefBus::PV, .P = p, .V = v}; }

void ExpectVoltages(const TRegime& r, const RefResult& ref, const std::string& what) {
  ASSERT_TRUE(ref.Converged) << what;
  for (std::size_t i = 0; i < ref.U.size(); ++i) {
    const TRegimeElement* e = FindNode(r, static_cast<int>(i) + 1);
    ASSERT_NE(e, nullptr) << what << ": node " << i + 1;
    EXPECT_NEAR(std::abs(e->U - ref.U[i]), 0, 1e-6) << what << ": node " << i + 1;
  }
}

// Reads the scheme and runs the stages a calculating window runs.
void Solve(TRegime& r, const SchemeBuilder& s, const TempDir& dir) {
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  RunRegime(r);
}

TEST(Regime, RingWithTransformerAndShuntsMatchesNodalSolution) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.8, 0.4).Um = 10;
  s.Node(3, "", 0.5, 0.2).Um = 10;
  NodeSpec& bank = s.Node(4, "", 0.6, 0.3);  // with a capacitor bank
  bank.Um = 10, bank.Gs = 20, bank.Bs = -300;
  s.Node(5, "", 0.3, 0.15).Um = 0.4f;
  s.Branch(2, 1, 1.2, 2.0);
  s.Branch(3, 2, 0.9, 1.6);
  s.Branch(4, 3, 1.5, 2.4);
  s.Branch(1, 4, 1.0, 1.8).B = -10;  // line charging, half at each end
  // 10/0.4 kV: impedance and magnetising at the 10 kV side.
  BranchSpec& t = s.Branch(3, 5, 0.8, 4.0);
  t.G = 5, t.B = 40, t.Kta = 25;
  TempDir dir;
  TRegime r;
  Solve(r, s, dir);
  ASSERT_TRUE(r.Converged);
  EXPECT_EQ(r.NetworkContourCount, 1);

  std::vector<RefBus> buses = {Slack(10.5), Load(0.8, 0.4), Load(0.5, 0.2), Load(0.6, 0.3), Load(0.3, 0.15)};
  buses[0].B = -5;
  buses[2].G = 5, buses[2].B = 40;
  buses[3].G = 20, buses[3].B = -300 - 5;
  buses[4].V = 0.42;  // start of the 0.4 kV node
  const RefResult ref = SolveReference(
      buses, {{0, 1, 1.2, 2.0}, {1, 2, 0.9, 1.6}, {2, 3, 1.5, 2.4}, {3, 0, 1.0, 1.8}, {4, 2, 0.8, 4.0, C(25, 0)}});
  ExpectVoltages(r, ref, "ring");
  EXPECT_NEAR(r.TotalLosses(), ref.Losses, 1e-7);
  EXPECT_NEAR(FindNode(r, 5)->K.real(), 0.04, 1e-12);  // the 0.4 kV node hangs under the inverse ratio

  // Started from nominal voltages, a node given none (node 3) starts from its no-load voltage, not from
  // zero, and the regime is the same.
  s.Nodes[2].Um = 0;
  for (const int mode : {0, 2}) {
    TRegime nominal;
    nominal.InitVoltageMode = mode;
    Solve(nominal, s, dir);
    ASSERT_TRUE(nominal.Converged) << mode;
    ExpectVoltages(nominal, ref, "start " + std::to_string(mode));
    // From zero it would take an iteration more to get where it starts from its no-load voltage.
    EXPECT_EQ(nominal.ResidualsU.size(), r.ResidualsU.size()) << mode;
  }
}

RefResult FixedVoltageReference(const RefBus& node3) {
  return SolveReference({Slack(10.5), Load(1.2, 0.6), node3, Load(0.9, 0.5), Load(0.3, 0.2)},
                        {{0, 1, 1.1, 2.1}, {1, 2, 1.3, 2.2}, {2, 3, 0.9, 1.7}, {0, 3, 1.4, 2.5}, {3, 4, 0.7, 1.1}});
}

TEST(Regime, FixedVoltageNodeHeldByEveryAlgorithm) {
  const RefResult ref = FixedVoltageReference(Fixed(10.4, 0.4));
  for (int algorithm = 0; algorithm <= 3; ++algorithm) {
    const std::string what = "algorithm " + std::to_string(algorithm);
    TempDir dir;
    TRegime r;
    r.PVAlgorithm = algorithm;
    Solve(r, FixedVoltageRing(), dir);
    ASSERT_TRUE(r.Converged) << what;
    EXPECT_EQ(r.FixedCount, 1) << what;
    EXPECT_EQ(r.BalancingCount, 1) << what;
    // Algorithm 0 closes the ring and adds one contour for the node; as a source the node closes two.
    EXPECT_EQ(r.TotalContourCount, 2) << what;
    EXPECT_EQ(r.NetworkContourCount, algorithm == 0 ? 1 : 2) << what;
    ExpectVoltages(r, ref, what);
  }
}

// A fixed-voltage node that no path joins to a balancing node cannot hold its angle, whatever it carries:
// alone with a load, or on an island of its own with another fixed-voltage node.
TEST(Regime, FixedVoltageNodeWithoutPathToTheSchemeIsNamed) {
  for (const bool island : {false, true}) {
    SchemeBuilder s = FixedVoltageRing();
    s.Node(6, "U", 0.3, 0.1).Um = 10.2f;
    if (island) {
      s.Node(7, "U", 0.2, 0.1).Um = 10.3f;
      s.Branch(7, 6, 0.5, 0.8);
    }
    for (int algorithm = 1; algorithm <= 3; ++algorithm) {
      const std::string what = "algorithm " + std::to_string(algorithm) + (island ? ", island" : "");
      TempDir dir;
      TRegime r;
      r.PVAlgorithm = algorithm;
      r.QLimits = algorithm == 2;
      s.Read(r, dir.Path());
      try {
        RunRegime(r);
        ADD_FAILURE() << what << ": no message";
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Узел ФМ 6 не связан со схемой. Нужно снять с него признак \"U\" в колонке \"П\" таблицы \"Узлы схемы\"")
            << what;
      }
      EXPECT_EQ(r.Accuracy, 1e-4) << what;  // the solver gives the caller's accuracy back
    }
  }
}

TEST(Regime, TwoBalancingNodesAtDifferentVoltagesAndAngles) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.7, 0.3).Um = 10;
  s.Node(3, "", 0.5, 0.4).Um = 10;
  s.Node(4, "", 0.6, 0.2).Um = 10;
  NodeSpec& second = s.Node(5, "b");  // signs are read upper-cased
  second.Angle = -1.5, second.Um = 10.3f;
  s.Branch(2, 1, 0.8, 1.5);
  s.Branch(3, 2, 1.0, 1.9);
  s.Branch(3, 4, 0.6, 1.2);
  s.Branch(5, 4, 0.9, 1.4);
  TempDir dir;
  TRegime r;
  Solve(r, s, dir);
  ASSERT_TRUE(r.Converged);
  EXPECT_EQ(r.BalancingCount, 2);
  const RefResult ref =
      SolveReference({Slack(10.5), Load(0.7, 0.3), Load(0.5, 0.4), Load(0.6, 0.2), Slack(10.3, -1.5)},
                     {{0, 1, 0.8, 1.5}, {1, 2, 1.0, 1.9}, {3, 2, 0.6, 1.2}, {3, 4, 0.9, 1.4}});
  ExpectVoltages(r, ref, "two sources");
  EXPECT_NEAR(r.TotalLosses(), ref.Losses, 1e-7);
}

// Two fixed-voltage nodes pulling against each other: node 3 is held at its Qmax first, node 4 at its
// Qmin next, and then node 3 no longer needs its limit and is released. One node per pass.
TEST(Regime, ReactiveLimitPassesKeepTheUsersGeneration) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  NodeSpec& a = s.Node(3, "U", 0.2, 0.1);
  a.Um = 10.6f, a.Qmin = -2, a.Qmax = 2;
  NodeSpec& b = s.Node(4, "U", 0.2, 0.1);
  b.Qg = 0.05, b.Um = 10, b.Qmin = -0.1f, b.Qmax = 0.1f;
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 2, 1, 2);
  s.Branch(4, 3, 0.2, 0.4);
  // Node 4's generation held at Qmin = -0.1.
  const RefResult ref = SolveReference({Slack(10.5), Load(1.0, 0.5), Fixed(10.6, 0.2), Load(0.2, 0.1 + 0.1)},
                                       {{0, 1, 1, 2}, {1, 2, 1, 2}, {2, 3, 0.2, 0.4}});
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
    ExpectVoltages(r, ref, what);
    // The limits were the calculation's business: the table keeps the generation the user entered.
    TDataFile nodes;
    ReadTableFile(path + ".UZL", nodes);
    TNodeCols n;
    FillNodeCols(nodes, n);
    EXPECT_EQ(n.Qg->Get(3), 0.0) << what;
    EXPECT_EQ(n.Qg->Get(4), 0.05) << what;
    // The protocol still tells the generation the node was held at.
    r.WriteResults(dir / "sprav_UN.cat", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
    const std::string protocol = Cp1251ToUtf8(ReadBytes(path + ".RGM"));
    EXPECT_NE(protocol.find("\r\n  4 Qmin = -0.100 Qmax = 0.100 Qген = -0.100\r\n"), std::string::npos) << protocol;
    // Calculated again by the same engine after the protocol: the held node's model is built anew from the
    // tables, not reused with the node still held.
    r.Calculate(path, 0, 0, 0, 0, 0);
    ASSERT_TRUE(r.Converged) << what;
    EXPECT_EQ(r.ExcludedPV, (std::vector<std::int32_t>{4})) << what;
    ExpectVoltages(r, ref, what + ", again");
  }
}

// A random 10 kV network: a tree from balancing node 1 with two loops, and fixed-voltage nodes in pairs
// joined by a short line, one held high and one low, with limits narrow enough that some reach them and
// holding one at its limit may free the other; beside it the same network for the nodal reference.
struct RandomLimitScheme {
  SchemeBuilder s;
  std::vector<RefBus> buses;
  std::vector<RefBranch> branches;
};

RandomLimitScheme MakeRandomLimitScheme(unsigned seed) {
  std::mt19937 rng(seed);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto hundredths = [](double v) { return std::round(v * 100) / 100; };
  RandomLimitScheme r;
  r.s.Node(1, "B").Um = 10.5f;
  r.buses.push_back(Slack(10.5));
  const int loads = 6 + static_cast<int>(rng() % 4);
  auto branch = [&](int a, int b, double len) {
    const double R = hundredths(0.4 * len), X = hundredths(0.8 * len);
    r.s.Branch(b, a, R, X);
    r.branches.push_back({a - 1, b - 1, R, X});
  };
  for (int n = 2; n <= 1 + loads; ++n) {
    const double p = hundredths(uniform(0.2, 1.0)), q = hundredths(uniform(0.1, 0.5));
    r.s.Node(n, "", p, q).Um = 10;
    r.buses.push_back(Load(p, q));
    branch(1 + static_cast<int>(rng() % (n - 1)), n, uniform(1, 3));
  }
  for (int k = 0; k < 2; ++k) {
    const int high = 2 + loads + 2 * k, low = high + 1;
    const double uh = hundredths(uniform(10.45, 10.7)), ul = hundredths(uniform(10.0, 10.25));
    NodeSpec& a = r.s.Node(high, "U", 0.1, 0.05);
    a.Um = static_cast<float>(uh), a.Qmin = -1.0f, a.Qmax = static_cast<float>(hundredths(uniform(0.2, 0.8)));
    NodeSpec& b = r.s.Node(low, "U", 0.1, 0.05);
    b.Um = static_cast<float>(ul), b.Qmin = static_cast<float>(-hundredths(uniform(0.1, 0.5))), b.Qmax = 1.0f;
    r.buses.push_back(Fixed(uh, 0.1));
    r.buses.push_back(Fixed(ul, 0.1));
    branch(2 + static_cast<int>(rng() % loads), high, uniform(1, 3));
    branch(high, low, uniform(0.3, 0.8));
  }
  branch(2 + static_cast<int>(rng() % loads), 2 + static_cast<int>(rng() % loads), uniform(2, 4));
  branch(1, 2 + static_cast<int>(rng() % loads), uniform(3, 5));
  // A branch joining a node to itself would be no loop.
  std::erase_if(r.s.Branches, [](const BranchSpec& b) { return b.N1 == b.N2; });
  std::erase_if(r.branches, [](const RefBranch& b) { return b.a == b.b; });
  return r;
}

// Whatever algorithm holds the fixed-voltage nodes, the nodes beyond a reactive limit end as load nodes
// held at that limit (some held first and released later), and every algorithm reaches the same state,
// also at the settings' loose accuracy, where a node released late must not stay held.
TEST(Regime, ReactiveLimitsGiveOneSteadyStateUnderEveryAlgorithm) {
  int heldSchemes = 0, releasedSchemes = 0;
  for (const unsigned seed : {3u, 37u}) {
    const RandomLimitScheme scheme = MakeRandomLimitScheme(seed);
    for (const double accuracy : {1e-9, 1e-4}) {
      std::vector<C> first;
      std::vector<std::int32_t> firstHeld;
      for (int algorithm = 0; algorithm <= 3; ++algorithm) {
        const std::string what = "seed " + std::to_string(seed) + ", accuracy " + std::to_string(accuracy) +
                                 ", algorithm " + std::to_string(algorithm);
        TempDir dir;
        TRegime r;
        r.Accuracy = accuracy;
        r.PVAlgorithm = algorithm;
        r.QLimits = true;
        r.Calculate(scheme.s.Write(dir.Path()), 0, 0, 0, 0, 0);
        ASSERT_TRUE(r.Converged) << what;
        std::vector<std::int32_t> held;
        for (const std::int32_t row : r.ExcludedPV)
          if (row > 0) held.push_back(row);
        std::sort(held.begin(), held.end());
        std::vector<C> u;
        for (int ns = 1; ns <= static_cast<int>(scheme.buses.size()); ++ns) u.push_back(FindNode(r, ns)->U);
        if (algorithm > 0) {
          EXPECT_EQ(held, firstHeld) << what;
          // Within what the accuracy asks of a converged voltage.
          for (std::size_t i = 0; i < u.size(); ++i)
            EXPECT_NEAR(std::abs(u[i] - first[i]), 0, std::max(1e-6, accuracy)) << what << ", node " << i + 1;
          continue;
        }
        first = u, firstHeld = held;
        if (accuracy > 1e-6) continue;
        heldSchemes += !held.empty();
        releasedSchemes += std::any_of(r.PVProtocol.begin(), r.PVProtocol.end(),
                                       [](const std::string& line) { return line.find('+') != std::string::npos; });
        // The steady state itself: held nodes as loads at the limit that their voltage shows.
        std::vector<RefBus> buses = scheme.buses;
        for (const std::int32_t row : held) {
          const NodeSpec& n = scheme.s.Nodes[static_cast<std::size_t>(row - 1)];
          const double limit = std::abs(u[static_cast<std::size_t>(row - 1)]) < n.Um ? n.Qmax : n.Qmin;
          buses[static_cast<std::size_t>(row - 1)] = Load(n.Pn, n.Qn - SingleToDouble(static_cast<float>(limit)));
        }
        ExpectVoltages(r, SolveReference(buses, scheme.branches), what);
      }
    }
  }
  // The seeds reach both paths.
  EXPECT_EQ(heldSchemes, 2);
  EXPECT_EQ(releasedSchemes, 2);
}

// Loads that follow the voltage: one characteristic mixes constant power, current and impedance in each of
// P and Q, against a base voltage of 9.5 kV, so that every term weighs differently at the node's voltage.
TEST(Regime, StaticLoadCharacteristicsWeighEveryTerm) {
  TempDir dir;
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile chars;
  ReadMaket(LayoutLoadChars, chars);
  CreateColumns(chars, 1);
  TLoadCharCols c;
  FillLoadCharCols(chars, c);
  (*c.Nsh)[1] = 1;
  (*c.A0)[1] = 0.25f, (*c.A1)[1] = 0.375f, (*c.A2)[1] = 0.5f;
  (*c.B0)[1] = 0.625f, (*c.B1)[1] = 0.75f, (*c.B2)[1] = -0.375f;
  WriteTableFile((dir.Path() / "sthar_pq.cat").string(), chars);
  StaticCharFile = (dir.Path() / "sthar_pq.cat").string();
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  NodeSpec& n = s.Node(2, "", 1.0, 0.5);
  n.Um = 10, n.Nsh = 1, n.Ush = 9.5f;
  s.Branch(2, 1, 1.0, 2.0);
  TRegime r;
  r.StaticChars = true;
  Solve(r, s, dir);
  StaticCharFile.clear();
  ASSERT_TRUE(r.Converged);
  const double u = std::abs(FindNode(r, 2)->U) / 9.5;
  EXPECT_GT(u, 1.05);
  ExpectVoltages(r,
                 SolveReference({Slack(10.5), Load(1.0 * (0.5 * u * u + 0.375 * u + 0.25),
                                                   0.5 * (-0.375 * u * u + 0.75 * u + 0.625))},
                                {{0, 1, 1.0, 2.0}}),
                 "static characteristics");
}

// Damping of the node step and of the fixed-voltage correction, each alone, slows the way, not where it
// leads.
TEST(Regime, DampingChangesTheIterationsNotTheState) {
  TempDir dir;
  TRegime plain;
  Solve(plain, FixedVoltageRing(), dir);
  ASSERT_TRUE(plain.Converged);
  for (const bool node : {true, false}) {
    TRegime damped;
    (node ? damped.DampU : damped.DampI) = 0.5f;
    Solve(damped, FixedVoltageRing(), dir);
    ASSERT_TRUE(damped.Converged) << node;
    // Halved, each damping more than triples the 8 iterations; the correction's is taken both in the power it
    // drives to zero and in the angle step (once only: 15 or 26).
    EXPECT_EQ(plain.ResidualsU.size(), 8u);
    EXPECT_EQ(damped.ResidualsU.size(), node ? 38u : 28u) << node;
    ExpectVoltages(damped, FixedVoltageReference(Fixed(10.4, 0.4)), node ? "DampU" : "DampI");
  }
  // A damping of zero is no damping at all, not voltages held where they started.
  TRegime zero;
  zero.DampU = 0;
  Solve(zero, FixedVoltageRing(), dir);
  ASSERT_TRUE(zero.Converged);
  EXPECT_EQ(zero.ResidualsU.size(), 8u);
  ExpectVoltages(zero, FixedVoltageReference(Fixed(10.4, 0.4)), "DampU 0");
}

}  // namespace
}  // namespace ld::test
