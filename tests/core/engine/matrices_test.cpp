// The dense factorisation, and the contour matrix against unit-current sweeps over the whole tree and
// against hand-derived current splits. Loads given as currents keep the network linear, so one
// correction must close every contour exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "core/engine/dense.h"
#include "core/engine/regime.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// Start voltages, a node step, both sweeps and one correction; then the largest voltage difference
// left across a contour.
double OneCorrectedIteration(TRegime& r) {
  r.InitVoltages();
  double dU = 0, dL = 0;
  r.NodeStep(dU);
  r.SweepCurrents();
  r.SweepVoltages();
  r.CorrectContours(dL);
  double worst = 0;
  for (int i = 0; i < r.TotalContourCount; ++i) {
    worst = std::max(worst, std::abs(r.ContourEntry2[i]->U - r.ContourEntry1[i]->U));
  }
  return worst;
}

void ReadWithCurrentLoads(const SchemeBuilder& s, TRegime& r, const TempDir& dir) {
  r.LoadType = 1;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  r.FormMatrices();
  ASSERT_TRUE(r.MatricesFormed);
}

TEST(DenseMatrix, FactorFormSolutionsAndRefusals) {
  Matrix m;
  NewMatrix(2, 2, m);
  m = {{4, 2}, {2, 3}};
  ASSERT_TRUE(FactoriseMatrix(m));
  // Inverted pivots on the diagonal, negated multipliers below, negated scaled row above.
  EXPECT_EQ(m, (Matrix{{0.25, -0.5}, {-0.5, 0.5}}));
  Vector v{2, 1};
  SolveMatrix(m, v);
  EXPECT_EQ(v, (Vector{0.5, 0}));
  Matrix p = {{4, 1, 2}, {1, 5, 1}, {2, 1, 6}};
  ASSERT_TRUE(FactoriseMatrix(p));
  Vector b{12, 14, 22};
  SolveMatrix(p, b);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(b[i], i + 1, 1e-12);

  Matrix zero;
  NewMatrix(2, 2, zero);
  Matrix dependent = {{1, 2, 3}, {2, 4, 6}, {1, 0, 1}};
  Matrix zeroPivot = {{0, 1}, {1, 0}};               // rows are eliminated in their own order
  Matrix rounding = {{0.1 + 0.2, 1.0}, {0.3, 1.0}};  // singular but for rounding
  Matrix nan = {{std::nan("")}};
  Matrix notSquare = {{1, 0, 0}, {0, 1, 0}};
  for (Matrix* x : {&zero, &dependent, &zeroPivot, &rounding, &nan, &notSquare}) EXPECT_FALSE(FactoriseMatrix(*x));
  EXPECT_EQ(notSquare[0][0], 1.0);
}

TEST(ContourMatrix, MeshWithFillInsClosesInOneStep) {
  // A 4 x 4 grid fed at a corner: nine contours whose elimination creates fill-ins.
  SchemeBuilder s;
  auto ns = [](int row, int col) { return row * 4 + col + 1; };
  for (int k = 0; k < 16; ++k) {
    NodeSpec& n = s.Node(k + 1, k == 0 ? "B" : "");
    n.Um = 10;
    n.Ina = 0.01f * static_cast<float>(1 + k % 5);
    n.Inr = -0.004f * static_cast<float>(1 + k % 4);
  }
  for (int row = 0, k = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col, ++k) {
      if (col < 3) s.Branch(ns(row, col + 1), ns(row, col), 0.3 + 0.05 * (k % 4), 0.5 + 0.07 * (k % 3));
      if (row < 3) s.Branch(ns(row + 1, col), ns(row, col), 0.4 + 0.03 * (k % 5), 0.2 + 0.11 * (k % 2));
    }
  }
  TempDir dir;
  TRegime r;
  ReadWithCurrentLoads(s, r, dir);
  ASSERT_EQ(r.TotalContourCount, 9);
  EXPECT_LT(OneCorrectedIteration(r), 1e-9);
  // Kirchhoff's current law at every node: what flows in is what the node draws.
  for (int n = 2; n <= 16; ++n) {
    C in;
    for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
      if (e->BranchIndex == 0) continue;
      if (e->Number == n) in += e->I;
      if (e->Number2 == n) in -= e->I;
    }
    EXPECT_NEAR(std::abs(in - FindNode(r, n)->ILoad), 0, 1e-9) << "node " << n;
  }
}

TEST(ContourMatrix, FormedAlongThePathsAsByWholeTreeSweeps) {
  // A meshed scheme with two balancing nodes, transformers on both sides of a loop, a phase-shifting
  // ratio on one side of another (its loop current leaks on up the tree), a loop back into its own
  // subtree, a shared branch of pure resistance and two fixed-voltage nodes. The matrix formed along the
  // contour paths must be the one that unit-current sweeps over the whole tree measure.
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(20, "B").Um = 10.4f;
  for (int ns = 2; ns <= 12; ++ns) s.Node(ns, "", 0.1 * ns, 0.05 * ns).Um = ns >= 6 && ns <= 9 ? 0.4f : 10;
  s.Nodes.back().Sign = "U";
  s.Nodes[4].Sign = "U";
  s.Branch(2, 1, 1.0, 2.0);
  s.Branch(3, 2, 0.8, 0.0);  // pure resistance shared by two loops
  s.Branch(4, 3, 0.5, 1.1);
  s.Branch(5, 4, 0.7, 0.9);
  s.Branch(2, 6, 5.5, 17.0).Kta = 25;
  s.Branch(7, 6, 0.01, 0.004);
  s.Branch(8, 7, 0.02, 0.006);
  s.Branch(5, 8, 6.0, 18.0).Kta = 25;  // closes 2-6-7-8-5-4-3-2 through two transformers
  BranchSpec& shifter = s.Branch(4, 9, 5.0, 16.0);
  shifter.Kta = 25, shifter.Ktr = 0.6f;
  s.Branch(9, 7, 0.03, 0.01);  // closes 4-9-7-6-2-3-4 with a complex ratio on one side only
  s.Branch(10, 5, 0.6, 0.8);
  s.Branch(11, 10, 0.4, 0.7);
  s.Branch(11, 3, 0.9, 0.0);   // back to node 3 along a second resistive branch
  s.Branch(12, 11, 0.3, 0.5);
  s.Branch(12, 20, 1.2, 2.2);  // between the two balancing nodes
  s.Branch(4, 2, 1.5, 2.5);
  TempDir dir;
  TRegime r;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  ASSERT_GE(r.TotalContourCount, 7);
  ASSERT_EQ(r.TotalContourCount - r.NetworkContourCount, 2);
  r.CreateMatrices();
  r.FormContourMatrix();

  const int n = r.TotalContourCount;
  struct Entry {
    int row, column;
    C value;
  };
  std::vector<C> diagonal(n + 1);
  std::vector<Entry> entries;
  r.Root->U = C();
  for (int i = 1; i <= n; ++i) {
    r.ClearSweepSums();
    r.AddCurrentToPath(r.ContourEntry1[i - 1], 1, 0);
    r.AddCurrentToPath(r.ContourEntry2[i - 1], -1, 0);
    r.SweepVoltages();
    diagonal[i] = r.ContourEntry2[i - 1]->U - r.ContourEntry1[i - 1]->U;
    for (int j = i + 1; j <= n; ++j) {
      const C x = r.ContourEntry2[j - 1]->U - r.ContourEntry1[j - 1]->U;
      if (std::abs(x.real()) >= 1e-7 || std::abs(x.imag()) >= 1e-7) entries.push_back({i, j, x});
    }
  }
  auto near = [](C a, C b) { return std::abs(a - b) <= 1e-12 * std::max(1.0, std::abs(b)); };
  for (int i = 1; i <= n; ++i) EXPECT_PRED2(near, r.MatrixDiagonal[i], diagonal[i]) << "contour " << i;
  ASSERT_EQ(r.MatrixEntryCount, static_cast<int>(entries.size()));
  EXPECT_GT(r.MatrixEntryCount, n);
  for (int e = 1; e <= r.MatrixEntryCount; ++e) {
    const Entry& ref = entries[e - 1];
    EXPECT_EQ(r.EntryRow[e], ref.row);
    EXPECT_EQ(r.EntryColumn[e], ref.column);
    EXPECT_PRED2(near, r.EntryValue[e], ref.value) << ref.row << ", " << ref.column;
  }
}

TEST(ContourMatrix, ZeroContoursAndSchemesWithoutContours) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2, "", 1, 0.5).Um = 10;
  s.Branch(2, 1, 0, 0).Nl = 1;
  s.Branch(2, 1, 0, 0).Nl = 2;  // in parallel without impedance: a contour of zero impedance
  TempDir dir;
  TRegime r;
  std::vector<std::string> errors;
  r.Errors = &errors;
  r.ShowMessages = true;
  ScriptedMsgBox box;
  s.Read(r, dir.Path());
  r.FormMatrices();
  EXPECT_TRUE(r.ZeroContours);
  EXPECT_FALSE(r.MatricesFormed);
  EXPECT_FALSE(r.ModelError);
  EXPECT_EQ(errors, (std::vector<std::string>{"В схеме \"Тестовая схема\" имеются нулевые контура", "Контур 1",
                                              "   Вход 1: 2 - 1", "   Вход 2: 2 - 1"}));
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);

  s.Branches.pop_back();
  TRegime radial;
  s.Read(radial, dir.Path());
  radial.FormMatrices();
  EXPECT_TRUE(radial.MatricesFormed);
}

TEST(ContourMatrix, FormingAgainKeepsTheRegimeReached) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.8, 0.4).Um = 10;
  s.Node(3, "", 0.6, 0.2).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  s.Branch(3, 2, 0.7, 1.2);
  s.Branch(3, 1, 1.5, 2.5);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  const C u3 = FindNode(r, 3)->U;
  // The unit-current sweeps of the matrices must not leave the model without its voltages.
  r.FormMatrices();
  EXPECT_EQ(FindNode(r, 3)->U, u3);
  r.RunIterations();
  EXPECT_TRUE(r.Converged);
  EXPECT_LE(r.ResidualsU.size(), 3u);
}

TEST(ContourMatrix, FixedVoltageNodeOfACableRingSettlesQuickly) {
  // Cables, R three times X: the angle of the node's fictitious branch and its current are corrected
  // together, linearised about the present state, so the node holds its voltage within a few iterations.
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.2, 0.6).Um = 10;
  NodeSpec& pv = s.Node(3, "U", 0.4, 0.1);
  pv.Um = 10.4f;
  s.Node(4, "", 0.9, 0.5).Um = 10;
  s.Branch(2, 1, 3.3, 1.1);
  s.Branch(3, 2, 3.9, 1.3);
  s.Branch(4, 3, 2.7, 0.9);
  s.Branch(4, 1, 4.2, 1.4);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-6;
  s.Read(r, dir.Path());
  ASSERT_EQ(r.TotalContourCount, 2);
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  EXPECT_NEAR(std::abs(FindNode(r, 3)->U), 10.4, 1e-6);
  const TRegimeElement* source = r.ContourEntry1[1];
  EXPECT_NEAR((source->U * std::conj(source->I)).real(), 0, 1e-6);  // it gives reactive power only
  EXPECT_LE(r.ResidualsU.size(), 12u);  // corrected about the wrong sign it takes some 55
}

}  // namespace
}  // namespace ld::test
