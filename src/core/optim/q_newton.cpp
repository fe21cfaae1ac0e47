// The Newton step of the reactive optimisation: a matrix of second differences, factorised once and
// kept while the step is not refined.
#include <algorithm>
#include <cmath>

#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_steps.h"

namespace ld {

using namespace qsteps;

namespace {

// Eliminates in row order without exchanges. A pivot that is not clearly positive (a source that does
// not move the functional, or a saddle) gives its row no step instead of dividing by it.
void FactoriseHessian(Matrix& h, std::vector<char>& skip) {
  const int n = static_cast<int>(h.size());
  double largest = 0;
  for (int k = 0; k < n; ++k) {
    if (!skip[k] && std::isfinite(h[k][k])) largest = std::max(largest, std::abs(h[k][k]));
  }
  const double floor = largest * 1e-9;
  for (int k = 0; k < n; ++k) {
    if (skip[k]) continue;
    const double pivot = h[k][k];
    if (!std::isfinite(pivot) || !(pivot > floor) || pivot <= 0) {
      skip[k] = 1;
      continue;
    }
    for (int col = k + 1; col < n; ++col) {
      if (!skip[col]) h[k][col] /= pivot;
    }
    for (int r = k + 1; r < n; ++r) {
      if (skip[r]) continue;
      const double m = h[r][k];
      if (m == 0) continue;
      for (int col = k + 1; col < n; ++col) {
        if (!skip[col]) h[r][col] -= m * h[k][col];
      }
    }
  }
}

std::vector<double> SolveHessian(const Matrix& h, const std::vector<char>& skip, std::vector<double> b) {
  const int n = static_cast<int>(h.size());
  for (int k = 0; k < n; ++k) {
    if (skip[k]) {
      b[k] = 0;
      continue;
    }
    double v = b[k];
    for (int j = 0; j < k; ++j) {
      if (!skip[j]) v -= h[k][j] * b[j];
    }
    b[k] = v / h[k][k];
  }
  for (int k = n - 1; k >= 0; --k) {
    if (skip[k]) continue;
    double v = b[k];
    for (int j = k + 1; j < n; ++j) {
      if (!skip[j]) v -= h[k][j] * b[j];
    }
    b[k] = std::isfinite(v) ? v : 0;
  }
  return b;
}

}  // namespace

void NewtonStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient, bool PrecSnap,
                double Ku, double Kdp, double /*EpsOpt*/) {
  Gradient = 0;
  if (!regime.Converged) return;
  TQCols c;
  FillQCols(table, c);
  SavePrevious(c, state);
  const int n = Rows(c, state);
  if (!state.HessianReady || PrecSnap || static_cast<int>(state.Hessian.size()) != n) {
    Matrix& h = state.Hessian;
    NewMatrix(n, n, h);
    std::vector<char>& skip = state.HessianSkip;
    skip.assign(static_cast<std::size_t>(n), 0);
    const double F0 = ReactiveFunctional(table, regime, state, -1, Ku, Kdp);
    std::vector<double> step(static_cast<std::size_t>(n) + 1, 0);
    for (int r = 1; r <= n; ++r) {
      if (!Active(state, r)) {
        skip[r - 1] = 1;
        (*c.Snap)[r] = 0;
        continue;
      }
      step[r] = StepH(state, r);
      const double fm = EvaluateShifted(table, regime, state, r, -step[r], -1, Ku, Kdp);
      const double fp = EvaluateShifted(table, regime, state, r, step[r], -1, Ku, Kdp);
      (*c.Grad)[r] = (fm - fp) / (2 * step[r]);
      h[r - 1][r - 1] = (fm + fp - 2 * F0) / (step[r] * step[r]);
      (*c.Snap)[r] = c.Grad->Get(r);
    }
    for (int i = 1; i <= n; ++i) {
      bool partner = false;
      for (int j = i + 1; j <= n && !partner; ++j) partner = !skip[j - 1];
      if (skip[i - 1] || !partner) continue;
      TRegimeElement& ei = *state.Source[i];
      const Complex li = ei.Load, li2 = ei.Load2;
      SetSourceTotal(ei, li.imag() - step[i]);
      const double fi = ReactiveFunctional(table, regime, state, -1, Ku, Kdp);
      for (int j = i + 1; j <= n; ++j) {
        if (skip[j - 1]) continue;
        const double hj = step[j];
        const double fij = EvaluateShifted(table, regime, state, j, -hj, -1, Ku, Kdp);
        const double v = ((fij - fi - c.Grad->Get(j) * hj) - hj * hj * h[j - 1][j - 1] / 2) / (step[i] * hj);
        h[i - 1][j - 1] = h[j - 1][i - 1] = v;
      }
      ei.Load = li;
      ei.Load2 = li2;
    }
    FactoriseHessian(h, skip);
    state.HessianReady = true;
  } else {
    for (int r = 1; r <= n; ++r) {
      if (!Active(state, r) || state.HessianSkip[r - 1]) {
        (*c.Snap)[r] = 0;
        continue;
      }
      const double hr = StepH(state, r);
      const double fm = EvaluateShifted(table, regime, state, r, -hr / 2, -1, Ku, Kdp);
      const double fp = EvaluateShifted(table, regime, state, r, hr / 2, -1, Ku, Kdp);
      (*c.Grad)[r] = (fm - fp) / hr;
      (*c.Snap)[r] = c.Grad->Get(r);
    }
  }
  std::vector<double> b(static_cast<std::size_t>(n), 0);
  for (int r = 1; r <= n; ++r) b[r - 1] = state.HessianSkip[r - 1] ? 0 : c.Snap->Get(r);
  const std::vector<double> s = SolveHessian(state.Hessian, state.HessianSkip, b);
  for (int r = 1; r <= n; ++r) (*c.Snap)[r] = s[r - 1] * 1000;
  Gradient = CommonUpdate(c, state);
}

}  // namespace ld
