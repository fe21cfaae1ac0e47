// The descent steps of the reactive optimisation: their common update, the line search along a
// direction and the refinement of its step.
#include <algorithm>
#include <cmath>

#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_steps.h"
#include "core/tables/layout.h"

namespace ld::qsteps {

bool Active(const TQOptimState& s, int row) {
  const TRegimeElement* e = s.Source[row];
  return e != nullptr && (e->Flags & efUnsupplied) == 0 && e->Unom > 0;
}

double StepH(const TQOptimState& s, int row) { return 0.001 * s.Source[row]->Unom; }

int Rows(const TQCols& c, const TQOptimState& s) {
  return std::min(c.RowCount, static_cast<int>(s.Source.size()) - 1);
}

void SavePrevious(const TQCols& c, TQOptimState& s) {
  for (int r = 1; r <= Rows(c, s); ++r) {
    s.PrevQopt[r] = c.Qopt->Get(r);
    s.PrevdQ[r] = c.dQ->Get(r);
    s.PrevGrad[r] = c.Grad->Get(r);
    s.PrevSnap[r] = c.Snap->Get(r);
  }
}

bool PlaceSource(const TQCols& c, TQOptimState& s, int r) {
  bool clamped = false;
  double& q = (*c.Qopt)[r];
  const double qmin = c.Qmin->Get(r), qmax = c.Qmax->Get(r);
  if (!(qmin == 0 && qmax == 0)) {
    if (q > qmax) {
      q = qmax;
      clamped = true;
    } else if (q < qmin) {
      q = qmin;
      clamped = true;
    }
  }
  (*c.dQ)[r] = q - c.Qish->Get(r);
  if (s.Source[r] != nullptr) SetSourceGenerated(*s.Source[r], q * 0.001);
  return clamped;
}

double CommonUpdate(const TQCols& c, TQOptimState& s) {
  double largest = 0;
  for (int r = 1; r <= Rows(c, s); ++r) {
    if (s.Source[r] == nullptr) continue;
    (*c.Qopt)[r] = c.Qopt->Get(r) + c.Snap->Get(r);
    if (!PlaceSource(c, s, r)) largest = std::max(largest, std::abs(c.Grad->Get(r)));
  }
  return largest;
}

std::vector<double> Totals(const TQCols& c, const TQOptimState& s) {
  std::vector<double> x(s.Source.size(), 0);
  for (int r = 1; r <= Rows(c, s); ++r) {
    if (s.Source[r] != nullptr) x[r] = SourceTotal(*s.Source[r]);
  }
  return x;
}

void PlaceAlong(const TQCols& c, TQOptimState& s, const std::vector<double>& x0, const std::vector<double>& dir,
                double t) {
  for (int r = 1; r <= Rows(c, s); ++r) {
    if (s.Source[r] != nullptr && dir[r] != 0) SetSourceTotal(*s.Source[r], x0[r] + t * dir[r]);
  }
}

double Evaluate(const TDataFile& table, TRegime& regime, const TQCols& c, TQOptimState& s, const Line& line,
                double t) {
  PlaceAlong(c, s, line.x0, line.dir, t);
  return ReactiveFunctional(table, regime, s, -1, line.Ku, line.Kdp);
}

// Halvings of a step that never finds a converging regime: past them the step is given up.
constexpr int kMaxHalvings = 60;

double LineSearch(const TDataFile& table, TRegime& regime, const TQCols& c, TQOptimState& s, const Line& line,
                  double t, double& F0) {
  double fm = -1, fp = -1;
  int halvings = 0;
  for (;;) {
    fm = Evaluate(table, regime, c, s, line, -t);
    if (fm >= 0) {
      fp = Evaluate(table, regime, c, s, line, t);
      if (fp >= 0) break;
    }
    if (++halvings > kMaxHalvings) {
      Evaluate(table, regime, c, s, line, 0);
      return 0;
    }
    t /= 2;
  }
  const double curvature = (fm - 2 * F0 + fp) * 2;
  if (curvature != 0) t = (fm - fp) * t / curvature;
  for (halvings = 0;; ++halvings) {
    const double f = Evaluate(table, regime, c, s, line, t);
    if (f >= 0) {
      F0 = f;
      return t;
    }
    if (halvings > kMaxHalvings) {
      Evaluate(table, regime, c, s, line, 0);
      return 0;
    }
    t /= 2;
  }
}

double RefineStep(const TDataFile& table, TRegime& regime, const TQCols& c, TQOptimState& s, const Line& line,
                  double t, double& F0, double EpsOpt) {
  double d = 0.3 * t;
  // The refinement halves d on every turn, so it ends; the bound only guards against an EpsOpt of 0.
  for (int guard = 0; std::abs(d) >= EpsOpt && d != 0 && guard < 1000; ++guard) {
    t += d;
    const double f1 = Evaluate(table, regime, c, s, line, t);
    if (f1 != F0 && f1 < F0 && f1 >= 0) {
      F0 = f1;
    } else if (f1 != F0) {
      t -= d;
      d = -d / 2;
    } else {
      t -= d;
      d = d / 2;
    }
  }
  PlaceAlong(c, s, line.x0, line.dir, t);
  return t;
}

// F at x_r + dx with the other sources where they are; x_r is put back.
double EvaluateShifted(const TDataFile& table, TRegime& regime, TQOptimState& s, int r, double dx, int row,
                       double Ku, double Kdp) {
  TRegimeElement& e = *s.Source[r];
  const Complex load = e.Load, load2 = e.Load2;
  SetSourceTotal(e, load.imag() + dx);
  const double f = ReactiveFunctional(table, regime, s, row, Ku, Kdp);
  e.Load = load;
  e.Load2 = load2;
  return f;
}

void OneSidedGradient(const TDataFile& table, TRegime& regime, const TQCols& c, TQOptimState& s, double F0,
                      double Ku, double Kdp) {
  for (int r = 1; r <= Rows(c, s); ++r) {
    if (!Active(s, r)) continue;
    const double h = StepH(s, r);
    const double f1 = EvaluateShifted(table, regime, s, r, -h, -1, Ku, Kdp);
    (*c.Grad)[r] = (f1 - F0) / h;
  }
}

}  // namespace ld::qsteps

namespace ld {

using namespace qsteps;

void DiscreteDescentStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                         double dQt, double Ku, double Kdp, double /*EpsOpt*/) {
  Gradient = 0;
  if (!regime.Converged) return;
  TQCols c;
  FillQCols(table, c);
  SavePrevious(c, state);
  const double F0 = ReactiveFunctional(table, regime, state, -1, Ku, Kdp);
  OneSidedGradient(table, regime, c, state, F0, Ku, Kdp);
  double largest = 0;
  for (int r = 1; r <= Rows(c, state); ++r) {
    const double g = Active(state, r) ? c.Grad->Get(r) : 0;
    if (Active(state, r)) largest = std::max(largest, std::abs(g));
    (*c.Snap)[r] = g > 0 ? dQt : g < 0 ? -dQt : 0;
  }
  CommonUpdate(c, state);
  Gradient = largest;
}

void SteepestDescentStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                         bool PrecSnap, double Ku, double Kdp, double EpsOpt) {
  Gradient = 0;
  if (!regime.Converged) return;
  TQCols c;
  FillQCols(table, c);
  SavePrevious(c, state);
  double F0 = ReactiveFunctional(table, regime, state, -1, Ku, Kdp);
  OneSidedGradient(table, regime, c, state, F0, Ku, Kdp);
  Line line{Totals(c, state), std::vector<double>(state.Source.size(), 0), Ku, Kdp};
  for (int r = 1; r <= Rows(c, state); ++r) {
    if (Active(state, r)) line.dir[r] = c.Grad->Get(r);
  }
  double t = LineSearch(table, regime, c, state, line, 1.0, F0);
  if (PrecSnap) t = RefineStep(table, regime, c, state, line, t, F0, EpsOpt);
  for (int r = 1; r <= Rows(c, state); ++r) (*c.Snap)[r] = line.dir[r] * t * 1000;
  Gradient = CommonUpdate(c, state);
}

void CoordinateDescentStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                           bool PrecSnap, double Tok, double Ku, double Kdp, double /*EpsOpt*/) {
  Gradient = 0;
  if (!regime.Converged) return;
  TQCols c;
  FillQCols(table, c);
  SavePrevious(c, state);
  double F0 = ReactiveFunctional(table, regime, state, -1, Ku, Kdp);
  const int n = Rows(c, state);
  std::vector<TQuadraticFit> fits(state.Source.size());
  double S = 0;
  for (int r = 1; r <= n; ++r) {
    if (!Active(state, r)) {
      (*c.Snap)[r] = 0;
      continue;
    }
    const double h = StepH(state, r);
    const double x = SourceTotal(*state.Source[r]);
    const double fm = EvaluateShifted(table, regime, state, r, -h / 2, -1, Ku, Kdp);
    const double fp = EvaluateShifted(table, regime, state, r, h / 2, -1, Ku, Kdp);
    (*c.Grad)[r] = (fm - fp) / h;
    S += c.Grad->Get(r) * c.Grad->Get(r);
    const double curvature = (fp - 2 * F0 + fm) * 2;
    (*c.Snap)[r] = curvature != 0 ? (fm - fp) * (h / 2) / curvature : 0;
    if (Tok != 0) {
      state.EconomicLimit[r] = EconomicReactiveLimit(fm, F0, fp, h / 2, -x, state.StartValue[r], Tok,
                                                     state.InitialLoss, state, &fits[r]);
    }
  }
  double t = 1.0;
  if (PrecSnap) {
    Line line{Totals(c, state), std::vector<double>(state.Source.size(), 0), Ku, Kdp};
    for (int r = 1; r <= n; ++r) line.dir[r] = c.Snap->Get(r);
    t = LineSearch(table, regime, c, state, line, 1.0, F0);
  } else if (S > 0) {
    for (int r = 1; r <= n; ++r) (*c.Snap)[r] = c.Snap->Get(r) * std::abs(c.Grad->Get(r)) / std::sqrt(S);
  }
  for (int r = 1; r <= n; ++r) (*c.Snap)[r] = c.Snap->Get(r) * t * 1000;
  Gradient = CommonUpdate(c, state);
  if (Tok == 0) return;
  for (int r = 1; r <= n; ++r) {
    if (!Active(state, r)) continue;
    TRegimeElement& e = *state.Source[r];
    double x = SourceTotal(e);
    const double L = state.EconomicLimit[r];
    if (L != 0 && L > -x) {
      x = -L;
      SetSourceGenerated(e, x - e.Load1.imag());
      (*c.Qopt)[r] = e.Load2.imag() * 1000;
      (*c.dQ)[r] = c.Qopt->Get(r) - c.Qish->Get(r);
    }
    (*c.Umod)[r] = PaybackTime(fits[r], state.StartValue[r], -x, state.InitialLoss, state);
    (*c.U2min)[r] = fits[r].a;
    (*c.U2max)[r] = fits[r].b;
    (*c.U2mod)[r] = fits[r].c;
  }
}

void ConjugateGradientStep(const TDataFile& table, TRegime& regime, TQOptimState& state, double& Gradient,
                           bool PrecSnap, double Ku, double Kdp, double EpsOpt) {
  Gradient = 0;
  if (!regime.Converged) return;
  TQCols c;
  FillQCols(table, c);
  SavePrevious(c, state);
  const int n = Rows(c, state);
  for (int r = 1; r <= n; ++r) {
    if (!Active(state, r)) continue;
    const double h = StepH(state, r);
    const double fm = EvaluateShifted(table, regime, state, r, -h / 2, r, Ku, Kdp);
    const double fp = EvaluateShifted(table, regime, state, r, h / 2, r, Ku, Kdp);
    (*c.Grad)[r] = (fm - fp) / h;
  }
  bool zeroPatternKept = true;
  for (int r = 1; r <= n; ++r) {
    const bool zero = c.Grad->Get(r) == 0;
    if (zero != (state.PrevGrad[r] == 0) || (zero && c.Qopt->Get(r) != state.PrevQopt[r])) zeroPatternKept = false;
  }
  const int count = std::max(n, 1);
  const bool restart = (state.IterationCount - 1) % count == 0;
  for (int pass = 1; pass <= 2; ++pass) {
    const bool conjugate = (pass == 1 ? !state.Bound1 : (!state.Bound2 && zeroPatternKept)) && !restart;
    double S1 = 0, S2 = 0;
    if (conjugate) {
      for (int r = 1; r <= n; ++r) {
        S1 += c.Grad->Get(r) * c.Grad->Get(r);
        S2 += state.PrevGrad[r] * state.PrevGrad[r];
      }
    }
    if (S2 == 0) S2 = 1;
    Line line{Totals(c, state), std::vector<double>(state.Source.size(), 0), Ku, Kdp};
    double largest = 0;
    for (int r = 1; r <= n; ++r) {
      const double d = Active(state, r) ? state.PrevSnap[r] * 0.001 * S1 / S2 + c.Grad->Get(r) : 0;
      (*c.Snap)[r] = d;
      line.dir[r] = d;
      largest = std::max(largest, std::abs(d));
    }
    if (largest == 0) return;
    double F0 = ReactiveFunctional(table, regime, state, -1, Ku, Kdp);
    if (F0 < 0) return;
    double t = LineSearch(table, regime, c, state, line, 0.1 / largest, F0);
    if (PrecSnap) t = RefineStep(table, regime, c, state, line, t, F0, EpsOpt);
    bool bound = false;
    double sum = 0;
    Gradient = 0;
    for (int r = 1; r <= n; ++r) {
      (*c.Snap)[r] = c.Snap->Get(r) * 1000;
      if (state.Source[r] == nullptr) continue;
      (*c.Qopt)[r] = c.Qopt->Get(r) + c.Snap->Get(r) * t;
      if (PlaceSource(c, state, r)) {
        (*c.Grad)[r] = 0;
        bound = true;
      }
      sum += std::abs(c.Grad->Get(r));
      Gradient = std::max(Gradient, std::abs(c.Grad->Get(r)));
    }
    (pass == 1 ? state.Bound1 : state.Bound2) = bound;
    if (pass == 2 || !bound || sum == 0) break;
    // The clamped sources stay at their bounds; the others start again along a direction without them.
    for (int r = 1; r <= n; ++r) {
      if (c.Grad->Get(r) == 0 || state.Source[r] == nullptr) continue;
      (*c.Qopt)[r] = state.PrevQopt[r];
      PlaceSource(c, state, r);
    }
  }
}

void QMethodStep(int method, const TDataFile& table, TRegime& regime, TQOptimState& state,
                 const TQMethodParams& p) {
  double g = 0;
  switch (method) {
    case 0: DiscreteDescentStep(table, regime, state, g, p.dQt, p.Ku, p.Kdp, p.EpsOpt); break;
    case 1: SteepestDescentStep(table, regime, state, g, p.PrecSnap, p.Ku, p.Kdp, p.EpsOpt); break;
    case 2: CoordinateDescentStep(table, regime, state, g, p.PrecSnap, p.Tok, p.Ku, p.Kdp, p.EpsOpt); break;
    case 3: ConjugateGradientStep(table, regime, state, g, p.PrecSnap, p.Ku, p.Kdp, p.EpsOpt); break;
    case 4: NewtonStep(table, regime, state, g, p.PrecSnap, p.Ku, p.Kdp, p.EpsOpt); break;
    default: return;
  }
  state.Gradient = g;
}

}  // namespace ld
