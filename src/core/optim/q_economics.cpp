// Payback of a reactive source: how far compensation may go before the saved energy no longer pays the
// installed power back within the given years.
#include <cmath>

#include "core/optim/q_optim.h"

namespace ld {

TQuadraticFit FitReactiveParabola(double Fminus, double F0, double Fplus, double h2, double q) {
  TQuadraticFit f;
  f.a = (Fplus + Fminus - 2 * F0) / (2 * h2 * h2);
  // Fminus was taken at x - h2, which is q + h2: the slope in q runs from Fplus to Fminus.
  f.b = (Fminus - Fplus - 4 * f.a * q * h2) / (2 * h2);
  f.c = F0 - f.a * q * q - f.b * q;
  return f;
}

double PaybackTime(const TQuadraticFit& fit, double q0, double r, double dP0, const TQOptimState& state) {
  const double saved = (dP0 - fit.a * r * r - fit.b * r - fit.c) * state.Tmax * state.Tarif;
  if (saved == 0) return 0;
  return std::abs(q0 - r) * state.C_BSK / saved;
}

double EconomicReactiveLimit(double Fminus, double F0, double Fplus, double h2, double q, double q0, double Tok,
                             double dP0, const TQOptimState& state, TQuadraticFit* fitOut) {
  const TQuadraticFit fit = FitReactiveParabola(Fminus, F0, Fplus, h2, q);
  if (fitOut != nullptr) *fitOut = fit;
  if (fit.a == 0) return 0;
  const double qv = -fit.b / (2 * fit.a);
  if (!(q0 > qv)) return 0;
  const double K = Tok * state.Tmax * state.Tarif;
  const double A = fit.a * K;
  const double B = fit.b * K - state.C_BSK;
  const double C = (fit.c - dP0) * K + state.C_BSK * q0;
  const double D = B * B - 4 * A * C;
  if (!(D > 0)) return 0;
  const double r1 = (-B + std::sqrt(D)) / (2 * A);
  const double r2 = (-B - std::sqrt(D)) / (2 * A);
  constexpr double tol = 1e-5;
  double r = 0;
  if (std::abs(r1 - q0) < tol) {
    r = r2;
  } else if (std::abs(r2 - q0) < tol || std::abs(Tok - PaybackTime(fit, q0, r1, dP0, state)) < tol) {
    r = r1;
  } else if (std::abs(Tok - PaybackTime(fit, q0, r2, dP0, state)) < tol) {
    r = r2;
  } else {
    return 0;
  }
  if (r == 0) return 0;
  if (qv < r && r < q0) return r;
  if (r > q0) return q0;
  return 0;
}

}  // namespace ld
