// The dense factorisation, and the contour matrix against unit-current sweeps over the whole tree and
// against hand-derived current splits. Loads given as currents keep the network linear, so one
// correction must close every contour exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <complex>
#include <random>
#include <set>
#include <utility>
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
    n.Ina = 5.8f * static_cast<float>(1 + k % 5);  // amperes
    n.Inr = -2.3f * static_cast<float>(1 + k % 4);
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

// Two branches in parallel without impedance form a contour of zero impedance: the matrices are not
// formed, the contour's entries are listed and one warning shown; without it the scheme is formed.
TEST(ContourMatrix, ZeroContoursAndSchemesWithoutContours) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2, "", 1, 0.5).Um = 10;
  s.Branch(2, 1, 0, 0).Nl = 1;
  s.Branch(2, 1, 0, 0).Nl = 2;
  TempDir dir;
  TRegime r;
  std::vector<std::string> errors;
  r.Errors = &errors;
  r.ShowMessages = true;
  ScriptedMsgBox box;
  s.Read(r, dir.Path());
  r.FormMatrices();
  EXPECT_TRUE(r.ZeroContours);
  EXPECT_FALSE(r.MatricesFormed || r.ModelError);
  EXPECT_EQ(errors, (std::vector<std::string>{"В схеме \"Тестовая схема\" имеются нулевые контура", "Контур 1",
                                              "   Вход 1: 2 - 1", "   Вход 2: 2 - 1"}));
  ASSERT_EQ(box.Calls().size(), 1u);
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);

  s.Branches.pop_back();
  TRegime radial;
  s.Read(radial, dir.Path());
  radial.FormMatrices();
  EXPECT_TRUE(radial.MatricesFormed && !radial.ZeroContours);

  // A loop of pure reactance (reactors, bus couplers given by X alone) or of pure resistance has an
  // impedance all the same: it is formed and carries current.
  for (const bool reactance : {true, false}) {
    SchemeBuilder pure;
    pure.Node(1, "B").Um = 10;
    pure.Node(2, "", 1, 0.5).Um = 10;
    pure.Branch(2, 1, reactance ? 0 : 0.4, reactance ? 0.4 : 0);
    pure.Branch(2, 1, reactance ? 0 : 0.2, reactance ? 0.2 : 0);
    TRegime p;
    pure.Read(p, dir.Path());
    p.FormMatrices();
    EXPECT_TRUE(p.MatricesFormed && !p.ZeroContours) << reactance;
  }
}

// The ordering against a plain elimination on a dense adjacency of the same contours: at every step the
// contour whose elimination adds the fewest couplings (the lowest number among equals), network contours
// before those of the fixed-voltage nodes, and every coupling it adds an entry of the matrix.
TEST(ContourMatrix, OrderingEliminatesTheLeastFillFirst) {
  int withFill = 0, withFixed = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    const int nodes = 30 + static_cast<int>(rng() % 30);
    for (int n = 2; n <= nodes; ++n) {
      NodeSpec& node = s.Node(n, n % 9 == 0 ? "U" : "", 0.1 * (n % 5 + 1), 0.05 * (n % 3 + 1));
      node.Um = n % 9 == 0 ? 10.3f : 10.0f;
      s.Branch(n, 1 + static_cast<int>(rng() % (n - 1)), 0.2 + 0.01 * (rng() % 50), 0.3 + 0.01 * (rng() % 50));
    }
    const int extra = 10 + static_cast<int>(rng() % 30);
    for (int k = 0; k < extra; ++k) {
      const int a = 1 + static_cast<int>(rng() % nodes), b = 1 + static_cast<int>(rng() % nodes);
      if (a != b) s.Branch(a, b, 0.2 + 0.01 * (rng() % 50), 0.3 + 0.01 * (rng() % 50));
    }
    TempDir dir;
    TRegime r;
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead) << seed;
    r.CreateMatrices();
    r.FormContourMatrix();
    ASSERT_FALSE(r.ZeroContours) << seed;
    const int n = r.TotalContourCount, t = r.NetworkContourCount;
    withFixed += n > t;
    std::vector<std::vector<char>> adjacent(n + 1, std::vector<char>(n + 1, 0));
    std::set<std::pair<int, int>> couplings;
    for (int e = 1; e <= r.MatrixEntryCount; ++e) {
      const int i = r.EntryRow[e], j = r.EntryColumn[e];
      if (i == j) continue;
      adjacent[i][j] = adjacent[j][i] = 1;
      couplings.emplace(std::min(i, j), std::max(i, j));
    }
    const std::size_t original = couplings.size();
    r.OrderContours();

    std::vector<int> position(n + 1, 0);
    auto missing = [&](int v) {  // couplings among v's remaining neighbours that its elimination adds
      std::vector<std::pair<int, int>> pairs;
      for (int a = 1; a <= n; ++a) {
        if (!adjacent[v][a]) continue;
        for (int b = a + 1; b <= n; ++b) {
          if (adjacent[v][b] && !adjacent[a][b]) pairs.emplace_back(a, b);
        }
      }
      return pairs;
    };
    for (int k = 1; k <= n; ++k) {
      int p = 0;
      std::size_t least = 0;
      for (int v = k <= t ? 1 : t + 1; v <= (k <= t ? t : n); ++v) {
        if (position[v] != 0) continue;
        const std::size_t fill = missing(v).size();
        if (p == 0 || fill < least) p = v, least = fill;
      }
      position[p] = k;
      for (const auto& [a, b] : missing(p)) {
        adjacent[a][b] = adjacent[b][a] = 1;
        couplings.emplace(a, b);
      }
      for (int v = 1; v <= n; ++v) adjacent[p][v] = adjacent[v][p] = 0;
    }
    ASSERT_EQ(std::vector<int>(r.PositionOfContour.begin(), r.PositionOfContour.end()), position) << "seed " << seed;
    std::set<std::pair<int, int>> expected, entries;
    for (const auto& [a, b] : couplings) expected.emplace(std::min(position[a], position[b]), std::max(position[a], position[b]));
    for (int e = 1; e <= r.MatrixEntryCount; ++e) entries.emplace(r.EntryRow[e], r.EntryColumn[e]);
    EXPECT_EQ(entries, expected) << "seed " << seed;
    EXPECT_EQ(static_cast<std::size_t>(r.MatrixEntryCount), expected.size()) << "seed " << seed;
    withFill += couplings.size() > original;
  }
  EXPECT_GT(withFill, 8);
  EXPECT_GT(withFixed, 8);
}

}  // namespace
}  // namespace ld::test
