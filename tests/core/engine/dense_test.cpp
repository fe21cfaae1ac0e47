// Dense factorisation: the stored factor form, solutions against known ones, refusal of what it cannot
// factorise.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "core/engine/dense.h"

namespace ld {
namespace {

TEST(DenseMatrix, FactorFormAndRealSolutions) {
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
  for (const auto& [rhs, x] : {std::pair<Vector, Vector>{{12, 14, 22}, {1, 2, 3}}, {{2, 1, 6}, {0, 0, 1}}}) {
    Vector b = rhs;
    SolveMatrix(p, b);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(b[i], x[i], 1e-12);
  }
}

TEST(DenseMatrix, RefusesWhatItCannotFactorise) {
  Matrix zero;
  NewMatrix(2, 2, zero);
  Matrix dependent = {{1, 2, 3}, {2, 4, 6}, {1, 0, 1}};
  Matrix zeroPivot = {{0, 1}, {1, 0}};                 // rows are eliminated in their own order
  Matrix rounding = {{0.1 + 0.2, 1.0}, {0.3, 1.0}};    // singular but for rounding
  Matrix nan = {{std::nan("")}};
  for (Matrix* m : {&zero, &dependent, &zeroPivot, &rounding, &nan}) EXPECT_FALSE(FactoriseMatrix(*m));
  Matrix notSquare = {{1, 0, 0}, {0, 1, 0}};
  EXPECT_FALSE(FactoriseMatrix(notSquare));
  EXPECT_EQ(notSquare[0][0], 1.0);
  Matrix empty;
  EXPECT_TRUE(FactoriseMatrix(empty));
}

TEST(DenseMatrix, ComplexSystemOfLoopImpedances) {
  // A manufactured solution: loop impedances dominate their couplings.
  using C = std::complex<double>;
  const int n = 60;
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  ComplexMatrix a(n, ComplexVector(n));
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) a[i][j] = a[j][i] = (i == j) ? C(n, 2.0 * n) : C(d(gen), d(gen));
  ComplexVector x(n), b(n);
  for (int i = 0; i < n; ++i) x[i] = C(d(gen), d(gen));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) b[i] += a[i][j] * x[j];
  ASSERT_TRUE(FactoriseMatrix(a));
  SolveMatrix(a, b);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(std::abs(b[i] - x[i]), 0.0, 1e-9) << i;
}

}  // namespace
}  // namespace ld
