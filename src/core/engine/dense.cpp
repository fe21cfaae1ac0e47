#include "core/engine/dense.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace ld {

namespace {

double Magnitude(double x) { return std::fabs(x); }

template <typename T>
bool Factorise(std::vector<std::vector<T>>& m) {
  const std::size_t n = m.size();
  double largest = 0.0;
  for (const auto& row : m) {
    if (row.size() != n) return false;
    for (const T& x : row) {
      const double a = Magnitude(x);
      if (!std::isfinite(a)) return false;
      largest = std::max(largest, a);
    }
  }
  // A pivot this small against the largest entry is what elimination leaves of a singular matrix;
  // dividing by it would hand the caller huge meaningless numbers instead of a refusal.
  const double tiny = largest * static_cast<double>(n) * std::numeric_limits<double>::epsilon();

  for (std::size_t k = 0; k < n; ++k) {
    auto& rowK = m[k];
    if (!(Magnitude(rowK[k]) > tiny)) return false;
    const T inverse = T(1.0) / rowK[k];
    rowK[k] = inverse;
    for (std::size_t i = k + 1; i < n; ++i) {
      auto& rowI = m[i];
      const T multiplier = -rowI[k] * inverse;
      rowI[k] = multiplier;
      if (multiplier == T{}) continue;
      for (std::size_t j = k + 1; j < n; ++j) rowI[j] += multiplier * rowK[j];
    }
    for (std::size_t j = k + 1; j < n; ++j) rowK[j] = -rowK[j] * inverse;
  }
  return true;
}

template <typename T>
void Solve(const std::vector<std::vector<T>>& m, std::vector<T>& v) {
  const std::size_t n = std::min(m.size(), v.size());
  for (std::size_t k = 0; k < n; ++k) {
    const T vk = v[k];
    if (vk != T{}) {
      for (std::size_t i = k + 1; i < n; ++i) v[i] += m[i][k] * vk;
    }
    v[k] = vk * m[k][k];
  }
  for (std::size_t row = n; row-- > 1;) {
    const std::size_t k = row - 1;
    const auto& r = m[k];
    T sum = v[k];
    for (std::size_t j = k + 1; j < n; ++j) sum += r[j] * v[j];
    v[k] = sum;
  }
}

}  // namespace

void NewMatrix(int rows, int cols, Matrix& m) {
  m.assign(static_cast<std::size_t>(std::max(rows, 0)), Vector(static_cast<std::size_t>(std::max(cols, 0))));
}

void FreeMatrix(Matrix& m) {
  m.clear();
  m.shrink_to_fit();
}

bool FactoriseMatrix(Matrix& m) { return Factorise(m); }

void SolveMatrix(const Matrix& m, Vector& v) { Solve(m, v); }

}  // namespace ld
