// Node equivalents against values worked by hand and against a nodal solution of the same network.
#include "core/regime/node_equiv.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "regime_test.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// The settings as a window's engine takes them, tight enough for six decimals.
class NodeEquivalent : public RegimeTest {
protected:
  NodeEquivalent() {
    IniRec.Prec = 1e-9f;
    IniRec.Iter1 = 200;
    CopyRegimeSettings(engine);
  }
  bool Locked(const std::string& path) const {
    return std::filesystem::exists(path + ".UZL~") || std::filesystem::exists(path + ".VET~") || engine.LockFiles;
  }
  TRegime engine;
  TNodeEquivCalc calc{engine};
};

TEST_F(NodeEquivalent, TwoNodeSchemeByHandItsEquivalentAndAFailure) {
  const std::string path = TwoNodes().Write(dir.Path());
  const std::vector<std::string> report = calc.Calculate(path, 2, 0.1, false);

  // Losses R·(P² + Q²)/U² with U from U·(10 - U)... solved: the central difference of the engine's
  // losses over Qn gives 0.022235 (dL/dQ = 2Q·R/U² plus the fall of U with Q).
  EXPECT_NEAR(calc.LastEERM(), 0.022235, 5e-7);
  const TNodeEquivalent& q = calc.Last();
  ExpectComplex(q.Ze, C(1, 2), 1e-9, "Zэ");
  // U = 10 - (1 + j2)·conj(S/U): the voltage solves the branch equation.
  ExpectComplex(q.Uo, C(10, 0) - C(1, 2) * std::conj(C(1, 1) / q.Uo), 1e-7, "Uo");
  ExpectComplex(q.dS, std::norm(C(1, 1) / q.Uo) * C(1, 2), 1e-8, "dS");

  EXPECT_EQ(After(report, "Эквив. сопротивление    Zэ: "), "1.000000 + j2.000000");
  EXPECT_EQ(report.size(), 26u);  // block 1 alone: heading, 23 lines, "ЭЭРМ", the empty line

  // The equivalent scheme: calculated, it gives the node's voltage at its node 1.
  TRegime eq;
  eq.Accuracy = 1e-9;
  eq.Calculate(calc.EquivalentPath(), 0, 0, 0, 0, 0);
  ASSERT_TRUE(eq.Converged);
  EXPECT_LT(std::abs(FindNodeElement(eq, 1)->U - q.Uo), 1e-6);
  EXPECT_FALSE(Locked(path));

  // The load variants: the variant of the node's own load repeats the regime on both schemes, which
  // without other loads are one.
  const std::vector<std::string> variants = calc.CalculateVariants(path, 2, 0.1, {{1, 1}, {0.5, 0.2}});
  ASSERT_EQ(variants.size(), 3u);
  const std::string& row = variants[1];
  const std::string v = FitRight(FixedPrecText(std::abs(q.Uo), 15, 6), 9);
  EXPECT_EQ(row.substr(0, 32), "1.00000    1.00000     " + v) << row;
  EXPECT_NE(row.find(v, 33), std::string::npos) << row;  // Uэкв equals Uрасч
  EXPECT_EQ(row.substr(row.size() - 13), "0.0222 0.0222") << row;  // ЭЭРМэкв equals ЭЭРМ
  EXPECT_FALSE(Locked(path));
  // The same when the user starts calculations from previous results: the equivalent's tables hold none.
  IniRec.FlagU0 = 1;
  CopyRegimeSettings(engine);
  EXPECT_EQ(calc.CalculateVariants(path, 2, 0.1, {{1, 1}, {0.5, 0.2}}), variants);
  IniRec.FlagU0 = 0;
  CopyRegimeSettings(engine);

  // A regime that cannot converge within one iteration fails and leaves no lock.
  IniRec.Iter1 = 1;
  CopyRegimeSettings(engine);
  try {
    calc.Calculate(path, 2, 0.1, false);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Режим не сходится");
  }
  EXPECT_FALSE(Locked(path));
}

// The equivalent scheme's numbers: its source is the node's number, ten times over for nodes 1 to 3,
// feeding node 1 through Zэ, with the node's load So on node 2. At the supply node itself Zэ is zero,
// and so are the equivalent current and power.
TEST_F(NodeEquivalent, EquivalentSchemeNumbersAndTheSupplyNode) {
  EXPECT_EQ((std::vector<int>{EquivalentSourceNumber(1), EquivalentSourceNumber(3), EquivalentSourceNumber(4)}),
            (std::vector<int>{10, 30, 4}));
  const std::string path = TwoNodes().Write(dir.Path());
  calc.Calculate(path, 2, 0.1, false);
  ExpectComplex(calc.Last().Ie, C(0, 0), 1e-12, "Iэ without other loads");
  EXPECT_EQ(calc.EquivalentPath(), (dir.Path() / "2").string());
  TDataFile nodes = ReadTable(calc.EquivalentPath() + ".UZL");
  TNodeCols n;
  FillNodeCols(nodes, n);
  ASSERT_EQ(n.RowCount, 4);
  EXPECT_EQ(nodes.Title + " " + std::to_string(n.NS->Get(1)) + n.Sign->Get(1) + " " + n.Name->GetItem(2) +
                n.Name->GetItem(3) + n.Name->GetItem(4),
            "2 20b SoSySe");
  EXPECT_NEAR(n.Um->Get(1), 10, 1e-6);
  EXPECT_NEAR(n.Pn->Get(2), 1, 1e-12);
  EXPECT_NEAR(n.Qn->Get(2), 1, 1e-12);
  TDataFile branches = ReadTable(calc.EquivalentPath() + ".VET");
  TBranchCols b;
  FillBranchCols(branches, b);
  ASSERT_EQ(b.RowCount, 3);
  EXPECT_EQ((std::vector<double>{double(b.N1->Get(1)), double(b.N2->Get(1)), b.R->Get(1), b.X->Get(1),
                                 double(b.N1->Get(3)), double(b.N2->Get(3))}),
            (std::vector<double>{20, 1, 1, 2, 2, 3}));

  calc.Calculate(path, 1, 0.1, false);
  const TNodeEquivalent& q = calc.Last();
  EXPECT_EQ(std::tuple(q.Ze, q.Ie, q.Se), std::tuple(C(), C(), C()));
  EXPECT_EQ(EquivalentSchemePath(path, 1), (dir.Path() / "1").string());
  EXPECT_FALSE(Locked(path));

  // An earlier equivalent is written over unasked; another scheme of the number's name, with its journal,
  // is asked about naming each file that goes: "Нет" writes nothing, "Да" replaces it whole.
  ScriptedMsgBox box;
  const std::string other = (dir.Path() / "2").string();
  WriteBytes(other + ".SWT", "журнал");
  const std::string nodesBefore = ReadBytes(other + ".UZL");
  box.Answer(0);
  EXPECT_THROW(calc.Calculate(path, 2, 0.1, false), Error);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Схема с таким именем уже существует.\nБудут заменены файлы: 2.UZL "
                                                  "(узлы схемы), 2.VET (ветви схемы).\nБудут удалены файлы, которых в "
                                                  "новой схеме не будет: 2.SWT (журнал переключений).\nПерезаписать ?"});
  EXPECT_EQ(ReadBytes(other + ".SWT"), "журнал");
  EXPECT_EQ(ReadBytes(other + ".UZL"), nodesBefore);
  box.Clear();
  box.Answer(1);
  calc.Calculate(path, 2, 0.1, false);
  EXPECT_FALSE(std::filesystem::exists(other + ".SWT"));
  EXPECT_EQ(box.Texts().size(), 1u);
  EXPECT_FALSE(Locked(path));
}

TEST_F(NodeEquivalent, OptimumSearchEndsAtTheIterationLimitOrOnAStop) {
  const std::string path = TwoNodes().Write(dir.Path());

  // The loss minimum lies hundreds of 2 % steps away: the iteration limit ends the search.
  IniRec.Iter1 = 25;
  CopyRegimeSettings(engine);
  const std::vector<std::string> report = calc.Calculate(path, 2, 0.1, true);
  EXPECT_EQ(calc.OptimumSteps(), 25);
  ASSERT_EQ(report.size(), 26u + 25u + 25u);
  // Block 2 loads the node by dQ more.
  EXPECT_NE(report[26 + 4].find("1.000000 + j1.100000"), std::string::npos) << report[26 + 4];

  // A stop request ends the search after its first step.
  calc.StopQuery = [] { return true; };
  calc.Calculate(path, 2, 0.1, true);
  EXPECT_EQ(calc.OptimumSteps(), 1);
  EXPECT_FALSE(Locked(path));
  calc.StopQuery = {};

  // Where the losses bend sharply (a 90 Ω line near its transfer limit) the first step overshoots onto a
  // load the line cannot carry: the search ends on that regime, long before the iteration limit.
  SchemeBuilder steep;
  steep.Node(1, "B").Um = 10;
  steep.Node(2, "", 0.1, 0.3).Um = 10;
  steep.Branch(2, 1, 90, 1);
  const std::string steepPath = steep.Write(dir.Path(), "steep");
  IniRec.Iter1 = 200;
  CopyRegimeSettings(engine);
  try {
    calc.Calculate(steepPath, 2, 0.01, true);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Режим не сходится");
  }
  EXPECT_EQ(calc.OptimumSteps(), 1);
  EXPECT_FALSE(Locked(steepPath));
}

// Column k of the inverse of a complex matrix, by Gaussian elimination with partial pivoting.
std::vector<C> InverseColumn(std::vector<std::vector<C>> a, int k) {
  const int n = static_cast<int>(a.size());
  std::vector<C> x(n);
  x[k] = 1;
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r) {
      if (std::abs(a[r][c]) > std::abs(a[p][c])) p = r;
    }
    std::swap(a[c], a[p]);
    std::swap(x[c], x[p]);
    for (int r = c + 1; r < n; ++r) {
      const C f = a[r][c] / a[c][c];
      for (int j = c; j < n; ++j) a[r][j] -= f * a[c][j];
      x[r] -= f * x[c];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    for (int j = r + 1; j < n; ++j) x[r] -= a[r][j] * x[j];
    x[r] /= a[r][r];
  }
  return x;
}

// A meshed scheme with a transformer, a shunt and a fixed-voltage node.
SchemeBuilder Meshed() {
  SchemeBuilder s = FixedVoltageRing();
  s.Nodes[3].Bs = -200;  // node 4: a capacitor bank
  s.Nodes[3].Gs = 15;
  s.Nodes[3].Pg = 0.3, s.Nodes[3].Qg = 0.1;  // and a small generator
  s.Node(6, "", 0.2, 0.1).Um = 0.4f;
  BranchSpec& t = s.Branch(5, 6, 0.01, 0.04);
  t.Kta = 25;  // 10/0.4 kV, the impedance at the 10 kV side
  return s;
}

TEST_F(NodeEquivalent, MeshedSchemeMatchesNodalImpedanceAndControls) {
  const SchemeBuilder s = Meshed();
  const std::string path = s.Write(dir.Path());
  calc.Calculate(path, 4, 0.1, false);
  const TNodeEquivalent& q = calc.Last();

  // Driving-point impedance of node 4 from the admittances of the 10 kV ring; the balancing node is the
  // reference, the fixed-voltage node an ordinary one (its generation a given current), the spur 5 and
  // the transformer behind it carry no current of node 4.
  const int nodes[] = {2, 3, 4, 5};
  auto at = [&](int ns) {
    for (int i = 0; i < 4; ++i) {
      if (nodes[i] == ns) return i;
    }
    return -1;
  };
  std::vector<std::vector<C>> y(4, std::vector<C>(4));
  for (int k = 0; k < 5; ++k) {
    const BranchSpec& br = s.Branches[k];
    const C yb = 1.0 / C(br.R, br.X);
    const int a = at(br.N1), b = at(br.N2);
    if (a >= 0) y[a][a] += yb;
    if (b >= 0) y[b][b] += yb;
    if (a >= 0 && b >= 0) {
      y[a][b] -= yb;
      y[b][a] -= yb;
    }
  }
  ExpectComplex(q.Ze, InverseColumn(y, at(4))[at(4)], 1e-7, "Zэ");
  EXPECT_LT(std::abs(q.Ucontrol - q.Uo), 1e-6);
  // The losses split into those of the other loads alone, of the node's own current and the two cross
  // terms add up to the scheme's.
  EXPECT_LT(std::abs(q.dS - q.dSstar), 1e-9) << q.dS << q.dSstar;
}

// Three loops of one 10 kV network: the driving-point impedance of every node equals the one of the
// test's own nodal matrix, which needs the contour correction of all the loops together.
TEST_F(NodeEquivalent, SeveralLoopsMatchTheNodalImpedance) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.4, 0.2).Um = 10;
  s.Node(3, "", 0.6, 0.3).Um = 10;
  s.Node(4, "", 0.5, 0.1).Um = 10;
  s.Node(5, "", 0.3, 0.2).Um = 10;
  const double z[][4] = {{2, 1, 0.3, 0.5}, {3, 2, 0.4, 0.3}, {3, 1, 0.7, 0.9}, {4, 3, 0.2, 0.6},
                         {5, 4, 0.5, 0.4}, {5, 2, 0.6, 0.8}, {4, 2, 0.9, 0.7}};
  for (const auto& b : z) s.Branch(static_cast<int>(b[0]), static_cast<int>(b[1]), b[2], b[3]);
  const std::string path = s.Write(dir.Path());
  std::vector<std::vector<C>> y(4, std::vector<C>(4));
  for (const auto& b : z) {
    const C yb = 1.0 / C(b[2], b[3]);
    const int i = static_cast<int>(b[0]) - 2, j = static_cast<int>(b[1]) - 2;
    y[i][i] += yb;
    if (j >= 0) y[j][j] += yb, y[i][j] -= yb, y[j][i] -= yb;
  }
  for (int node = 2; node <= 5; ++node) {
    calc.Calculate(path, node, 0.1, false);
    ExpectComplex(calc.Last().Ze, InverseColumn(y, node - 2)[static_cast<std::size_t>(node - 2)], 1e-7,
                  "Zэ of node " + std::to_string(node));
    EXPECT_LT(std::abs(calc.Last().Ucontrol - calc.Last().Uo), 1e-6) << node;
    EXPECT_LT(std::abs(calc.Last().dS - calc.Last().dSstar), 1e-9) << node;
    // The node's own load as a variant: the equivalent, with the other loads drawing their current through
    // Zэ, repeats the node's voltage Uo = Uэ - (Io + Iy + Iэ)·Zэ of the whole scheme, modulus and angle.
    const NodeSpec& own = s.Nodes[static_cast<std::size_t>(node - 1)];
    const std::vector<std::string> rows = calc.CalculateVariants(path, node, 0.1, {{own.Pn, own.Qn}});
    ASSERT_EQ(rows.size(), 2u);
    std::string row = rows[1];
    std::replace(row.begin(), row.end(), '<', ' ');
    std::replace(row.begin(), row.end(), '>', ' ');
    std::istringstream fields(row);
    std::vector<double> v;
    for (std::string f; fields >> f;) v.push_back(StrToFloatZ(f));
    ASSERT_GE(v.size(), 6u) << rows[1];
    EXPECT_NEAR(v[4], std::abs(calc.Last().Uo), 2e-6) << rows[1];
    EXPECT_NEAR(v[5], std::arg(calc.Last().Uo) * 180 / std::numbers::pi, 2e-6) << rows[1];
    EXPECT_NEAR(v[4], v[2], 2e-6) << rows[1];
  }
}

// Where the losses bend gently the search for their minimum settles within a few steps and stops there,
// well before the iteration limit, with the node's reactive load at the optimum.
TEST_F(NodeEquivalent, OptimumSearchStopsWhereTheStepVanishes) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2, "", 0.1, 0.3).Um = 10;
  s.Branch(2, 1, 45, 1);  // 2R/U² near 1: each step takes most of the way to the minimum
  const std::string path = s.Write(dir.Path());
  calc.Calculate(path, 2, 0.01, true);
  EXPECT_TRUE(calc.OptimumSteps() > 1 && calc.OptimumSteps() < 20) << calc.OptimumSteps();
  // The losses R·(P² + Q²)/U² are least near Q = 0 (the reactance shifts it by a little).
  EXPECT_NEAR(calc.Last().So.real(), 0.1, 1e-12);
  EXPECT_LT(std::abs(calc.Last().So.imag()), 1e-3) << calc.Last().So;
}

}  // namespace
}  // namespace ld::test
