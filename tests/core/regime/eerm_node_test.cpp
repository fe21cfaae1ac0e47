// Node equivalents against values worked by hand and against a nodal solution of the same network.
#include "core/regime/node_equiv.h"

#include <cmath>
#include <complex>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "regime_test.h"

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

TEST_F(NodeEquivalent, TwoNodeSchemeByHandAndItsEquivalentFiles) {
  const std::string path = TwoNodes().Write(dir.Path());
  const std::vector<std::string> report = calc.Calculate(path, 2, 0.1, false);

  // Losses R·(P² + Q²)/U² with U from U·(10 - U)... solved: the central difference of the engine's
  // losses over Qn gives 0.022235 (dL/dQ = 2Q·R/U² plus the fall of U with Q).
  EXPECT_NEAR(calc.LastEERM(), 0.022235, 5e-7);
  EXPECT_EQ(report.front(), "Эквивалентные параметры узла 2:");
  EXPECT_EQ(After(report, "ЭЭРМ : "), "0.0222");
  const TNodeEquivalent& q = calc.Last();
  ExpectComplex(q.Ze, C(1, 2), 1e-9, "Zэ");
  ExpectComplex(q.Ue, C(10, 0), 1e-9, "Uэ");
  ExpectComplex(q.Ie, C(0, 0), 1e-12, "Iэ without other loads");
  ExpectComplex(q.So, C(1, 1), 1e-12, "So");
  // U = 10 - (1 + j2)·conj(S/U): the voltage solves the branch equation.
  ExpectComplex(q.Uo, C(10, 0) - C(1, 2) * std::conj(C(1, 1) / q.Uo), 1e-7, "Uo");
  ExpectComplex(q.dS, std::norm(C(1, 1) / q.Uo) * C(1, 2), 1e-8, "dS");
  ExpectComplex(q.dS - q.dSstar, C(0, 0), 1e-8, "imbalance");

  // Every label of the report, with its numbers in six decimals.
  const char* labels[] = {"Расчетное напряжение    Uo: ", "Нагрузочная мощность    So: ",
                          "Мощность проводимости   Sy: ", "Суммарные потери        dS: ",
                          "Экв.напряжение питания  Uэ: ", "Экв.напряжение влияния dU1: ",
                          "Экв.напряжение влияния dU2: ", "Эквивалентная мощность  Sэ: ",
                          "Эквив. сопротивление    Zэ: ", "Эквивалентные потери   dSэ: ",
                          "Контроль расч. напряжения Uo = Uэ - (Io+Iy+Iэ)*Zэ : ",
                          "Составляющие dSo = Zэ*(Io+Iy)^2   : ", "             dS1 = (Io+Iy)c*dU1   : ",
                          "             dS2 = (Io+Iy) *dU2   : ", "Расч. потери dS* = dSэ+dSo+dS1+dS2: ",
                          "Небаланс dS - dS*                 : "};
  for (const char* label : labels) {
    const std::string numbers = After(report, label);
    EXPECT_TRUE(numbers != "<none>" && !numbers.empty()) << label;
  }
  EXPECT_EQ(After(report, "Эквив. сопротивление    Zэ: "), "1.000000 + j2.000000");
  EXPECT_EQ(After(report, "Экв.напряжение питания  Uэ: "), "10.000000 + j0.000000, 10.000000 <0.000000>");
  EXPECT_NE(After(report, "Нагрузочная мощность    So: ").find("  Нагрузочный ток   Io: "), std::string::npos);
  EXPECT_EQ(report.back(), "");
  EXPECT_EQ(report.size(), 26u);  // block 1 alone: heading, 23 lines, "ЭЭРМ", the empty line

  // The equivalent scheme: source 20 ("b"), So, Sy, Se; source -> 1 with Zэ.
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

  // Calculating the equivalent gives the node's voltage at its node 1.
  TRegime eq;
  eq.Accuracy = 1e-9;
  eq.Calculate(calc.EquivalentPath(), 0, 0, 0, 0, 0);
  ASSERT_TRUE(eq.Converged);
  EXPECT_LT(std::abs(FindNodeElement(eq, 1)->U - q.Uo), 1e-6);
  EXPECT_FALSE(Locked(path));

  // A node numbered 1, 2 or 3 has its source numbered ten times; others keep their number.
  EXPECT_EQ((std::vector<int>{EquivalentSourceNumber(1), EquivalentSourceNumber(3), EquivalentSourceNumber(4)}),
            (std::vector<int>{10, 30, 4}));
  EXPECT_EQ(FixedPrecText(-0.5, 9, 6) + " " + FixedPrecText(1234.56789123, 9, 6) + " " + FixedPrecText(0, 9, 6),
            "-0.500000 1234.567890 0.000000");

  // The load variants: the variant of the node's own load repeats the regime on both schemes, which
  // without other loads are one.
  const std::vector<std::string> variants = calc.CalculateVariants(path, 2, 0.1, {{1, 1}, {0.5, 0.2}});
  ASSERT_EQ(variants.size(), 3u);
  EXPECT_EQ(variants[0].rfind("Pнаг   + j Qнаг        Uрасч     <угол>", 0), 0u);
  const std::string& row = variants[1];
  // 10 + 1 + 10 + 2 characters before |Uрасч|, which has 9.
  const std::string v = FitRight(FixedPrecText(std::abs(q.Uo), 15, 6), 9);
  EXPECT_EQ(row.substr(0, 32), "1.00000    1.00000     " + v) << row;
  // Uэкв equals Uрасч, dPэкв + j dQэкв equals dPсум + j dQсум, ЭЭРМэкв equals ЭЭРМ.
  EXPECT_NE(row.find(v, 33), std::string::npos) << row;
  EXPECT_EQ(row.substr(row.size() - 13), "0.0222 0.0222") << row;
  EXPECT_FALSE(Locked(path));
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
  EXPECT_LT(std::abs(q.dS - q.dSstar), 1e-7);
  EXPECT_GT(std::abs(q.dU1), 0.01);
  // The report's load is net of the generation; the variants start from the node's own load.
  ExpectComplex(q.So, C(0.6, 0.4), 1e-12, "So");
  ExpectComplex(calc.NodeLoad(), C(0.9, 0.5), 1e-12, "Pn + jQn");
  EXPECT_GT(std::abs(q.Ie), 0.01);
  ExpectComplex(q.Iy, 1e-6 * C(15, 200) * q.Uo, 1e-9, "Iy");
  ExpectComplex(q.Se, q.Uo * std::conj(q.Ie), 1e-9, "Sэ");

  // The same node with the spur's transformer beyond it: the driving point of the low-voltage node 6 is
  // the spur referred through the ratio plus the transformer.
  calc.Calculate(path, 6, 0.1, false);
  const C z5 = InverseColumn(y, at(5))[at(5)];
  ExpectComplex(calc.Last().Ze, (z5 + C(0.01, 0.04)) * 0.04 * 0.04, 1e-9, "Zэ behind the transformer");
  EXPECT_LT(std::abs(calc.Last().Ucontrol - calc.Last().Uo), 1e-7);
  EXPECT_LT(std::abs(calc.Last().dS - calc.Last().dSstar), 1e-7);

  // Fixed-voltage nodes held as sources by the other algorithms: the voltage control holds all the
  // same (the loss balance then shows the current that circulates between the sources).
  for (int algorithm = 1; algorithm <= 3; ++algorithm) {
    engine.PVAlgorithm = algorithm;
    calc.Calculate(path, 4, 0.1, false);
    EXPECT_LT(std::abs(calc.Last().Ucontrol - calc.Last().Uo), 1e-6) << algorithm;
  }
}

TEST_F(NodeEquivalent, BlocksSupplyNodeAndFailures) {
  const std::string path = TwoNodes().Write(dir.Path());

  // The supply node itself: Zэ = 0, so neither Iэ nor Sэ.
  calc.Calculate(path, 1, 0.1, false);
  EXPECT_EQ(calc.Last().Ze, C());
  EXPECT_EQ(calc.Last().Ie, C());
  EXPECT_EQ(calc.Last().Se, C());
  EXPECT_EQ(EquivalentSchemePath(path, 1), (dir.Path() / "1").string());

  // With the variants all three blocks; the search of the loss minimum moves the reactive load down by
  // 2 % a step, which takes hundreds of steps: the iteration limit ends it.
  IniRec.Iter1 = 25;
  CopyRegimeSettings(engine);
  const std::vector<std::string> report = calc.Calculate(path, 2, 0.1, true);
  EXPECT_EQ(calc.OptimumSteps(), 25);
  int headings = 0;
  for (const std::string& l : report) {
    if (l.find("Приращение dQ") != std::string::npos || l.find("Оптимум dQ") != std::string::npos) ++headings;
  }
  EXPECT_EQ(headings, 2);
  EXPECT_EQ(report.size(), 26u + 25u + 25u);
  // Block 2 loads the node by dQ more: its So is 1 + j1.1.
  EXPECT_NE(report[26 + 4].find("1.000000 + j1.100000"), std::string::npos) << report[26 + 4];
  // A stop request ends the search after its first step.
  calc.StopQuery = [] { return true; };
  calc.Calculate(path, 2, 0.1, true);
  EXPECT_EQ(calc.OptimumSteps(), 1);
  calc.StopQuery = nullptr;

  // No balancing node: the model fails; the locks taken are gone.
  SchemeBuilder broken = TwoNodes();
  broken.Nodes[0].Sign = "";
  const std::string bad = broken.Write(dir.Path(), "bad");
  try {
    calc.Calculate(bad, 2, 0.1, false);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Ошибка расчета режима");
  }
  EXPECT_FALSE(Locked(bad));

  // A regime that cannot converge within one iteration.
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

}  // namespace
}  // namespace ld::test
