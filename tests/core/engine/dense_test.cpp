// Dense factorisation: the stored factor form, solutions against hand-solved systems and refusal of
// matrices it cannot factorise.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "core/engine/dense.h"

namespace ld {
namespace {

TEST(DenseMatrix, FactorFormAndSolveOfSmallSystems) {
  Matrix m;
  NewMatrix(2, 2, m);
  m[0][0] = 4;
  m[0][1] = 2;
  m[1][0] = 2;
  m[1][1] = 3;
  ASSERT_TRUE(FactoriseMatrix(m));
  // Inverted pivots on the diagonal, negated multipliers below, negated scaled row above.
  EXPECT_DOUBLE_EQ(m[0][0], 0.25);
  EXPECT_DOUBLE_EQ(m[0][1], -0.5);
  EXPECT_DOUBLE_EQ(m[1][0], -0.5);
  EXPECT_DOUBLE_EQ(m[1][1], 0.5);
  Vector v{2, 1};
  SolveMatrix(m, v);
  EXPECT_DOUBLE_EQ(v[0], 0.5);
  EXPECT_DOUBLE_EQ(v[1], 0.0);

  //  4x + 1y + 2z = 12, 1x + 5y + 1z = 14, 2x + 1y + 6z = 22  ->  (1, 2, 3)
  Matrix p;
  NewMatrix(3, 3, p);
  p = {{4, 1, 2}, {1, 5, 1}, {2, 1, 6}};
  ASSERT_TRUE(FactoriseMatrix(p));
  Vector b{12, 14, 22};
  SolveMatrix(p, b);
  EXPECT_NEAR(b[0], 1.0, 1e-12);
  EXPECT_NEAR(b[1], 2.0, 1e-12);
  EXPECT_NEAR(b[2], 3.0, 1e-12);

  // The factor solves any number of right-hand sides.
  Vector c{2, 1, 6};  // the last column of A: solution (0, 0, 1)
  SolveMatrix(p, c);
  EXPECT_NEAR(c[0], 0.0, 1e-12);
  EXPECT_NEAR(c[1], 0.0, 1e-12);
  EXPECT_NEAR(c[2], 1.0, 1e-12);

  FreeMatrix(p);
  EXPECT_TRUE(p.empty());
}

TEST(DenseMatrix, SingularOrBrokenMatricesAreRefused) {
  Matrix zero;
  NewMatrix(2, 2, zero);
  EXPECT_FALSE(FactoriseMatrix(zero));

  Matrix dependent = {{1, 2, 3}, {2, 4, 6}, {1, 0, 1}};  // second row twice the first
  EXPECT_FALSE(FactoriseMatrix(dependent));

  Matrix zeroPivot = {{0, 1}, {1, 0}};  // rows are eliminated in their own order
  EXPECT_FALSE(FactoriseMatrix(zeroPivot));

  Matrix rounding;  // singular only up to rounding: 0.1 + 0.2 != 0.3 in binary
  NewMatrix(2, 2, rounding);
  rounding[0][0] = 0.1 + 0.2;
  rounding[0][1] = 1.0;
  rounding[1][0] = 0.3;
  rounding[1][1] = 1.0;
  EXPECT_FALSE(FactoriseMatrix(rounding));

  Matrix nan;
  NewMatrix(1, 1, nan);
  nan[0][0] = std::nan("");
  EXPECT_FALSE(FactoriseMatrix(nan));

  Matrix notSquare;
  NewMatrix(2, 3, notSquare);
  notSquare[0][0] = notSquare[1][1] = 1;
  EXPECT_FALSE(FactoriseMatrix(notSquare));
  EXPECT_EQ(notSquare[0][0], 1.0);

  Matrix empty;
  EXPECT_TRUE(FactoriseMatrix(empty));
  Vector none;
  SolveMatrix(empty, none);
  EXPECT_TRUE(none.empty());
}

TEST(DenseMatrix, ComplexSystemsMatchTheirKnownSolution) {
  // Two loops of a ring network share a branch of 1 + 2j Ohm; own impedances 3 + 4j and 2 + 5j.
  using C = std::complex<double>;
  ComplexMatrix z = {{C(3, 4), C(-1, -2)}, {C(-1, -2), C(2, 5)}};
  const C x0(0.7, -0.2), x1(-0.3, 0.9);
  ComplexVector rhs{z[0][0] * x0 + z[0][1] * x1, z[1][0] * x0 + z[1][1] * x1};
  ASSERT_TRUE(FactoriseMatrix(z));
  SolveMatrix(z, rhs);
  EXPECT_NEAR(std::abs(rhs[0] - x0), 0.0, 1e-12);
  EXPECT_NEAR(std::abs(rhs[1] - x1), 0.0, 1e-12);

  // A manufactured solution of a larger complex system: loop impedances dominate their couplings.
  const int n = 60;
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  ComplexMatrix a(n, ComplexVector(n));
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) a[i][j] = a[j][i] = (i == j) ? C(n, 2.0 * n) : C(d(gen), d(gen));
  const ComplexMatrix original = a;
  ComplexVector x(n), b(n);
  for (int i = 0; i < n; ++i) x[i] = C(d(gen), d(gen));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) b[i] += original[i][j] * x[j];
  ASSERT_TRUE(FactoriseMatrix(a));
  SolveMatrix(a, b);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(std::abs(b[i] - x[i]), 0.0, 1e-9) << i;
}

}  // namespace
}  // namespace ld
