#pragma once
// Single-precision table values as the decimals they show: the double nearest to the value rounded to
// 7 significant digits, as SingleToDouble gives it, computed without a trip through text. Model building
// widens a dozen values of every row, which through text would cost more than reading the tables.
#include <cmath>

#include "core/base/strings.h"

namespace ld {

inline double WidenSingle(float f) {
  // A whole number of up to 7 digits is already the decimal it shows.
  if (f == std::trunc(f) && std::abs(f) < 1e7f) return f;
  const double d = f;
  const double a = std::abs(d);
  // Below 1e-5 a product with a large power of ten can fall next to a rounding tie; those few take the
  // text route, as does anything that is not a finite number.
  if (!(a >= 1e-5 && a < 1e7)) return SingleToDouble(f);
  static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  auto pow10 = [](int e) { return e >= 0 ? kPow10[e] : 1.0 / kPow10[-e]; };
  int e10 = static_cast<int>(std::floor(std::log10(a)));
  if (a < pow10(e10)) {
    --e10;
  } else if (a >= pow10(e10 + 1)) {
    ++e10;
  }
  const int k = 6 - e10;  // 0 .. 11 here, so 10^k is exact
  if (k < 0 || k > 12) return SingleToDouble(f);
  const double scaled = std::nearbyint(d * kPow10[k]);
  return scaled / kPow10[k];
}

}  // namespace ld
