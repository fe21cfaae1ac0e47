// One correction of the contours: a loop current per network contour and, for every fixed-voltage node
// of the contour method, a current through its fictitious branch with a new angle of that branch's ratio.
#include <cmath>

#include "core/engine/regime.h"

namespace ld {

// P is the active power the fictitious branch feeds into its node, which the angle must bring to 0; s is
// the reactive power it feeds, the sensitivity of P to the angle at a held current (Im(U·conj(I))).
void TRegime::FixedVoltagePower(const TRegimeElement* a, double& P, double& s) const {
  P = (a->U.real() * a->I.real() + a->U.imag() * a->I.imag()) * DampI;
  s = a->U.imag() * a->I.real() - a->U.real() * a->I.imag();
  if (s == 0) s = 1e-5;
}

void TRegime::UpdateFixedVoltageBlocks() {
  const int n = TotalContourCount;
  fvP_.assign(static_cast<std::size_t>(n) + 1, 0.0);
  fvS_.assign(static_cast<std::size_t>(n) + 1, 1e-5);
  for (int i = NetworkContourCount + 1; i <= n; ++i) {
    const TRegimeElement* a = ContourEntry1[i - 1];
    FixedVoltagePower(a, fvP_[i], fvS_[i]);
    const double s = fvS_[i];
    const double ur = a->U.real(), ui = a->U.imag();
    const int p = PositionOfContour[i];
    const Complex d = fvSavedDiagonal_[p];
    fvPivot_[p] = Block2{d.real() + ur * ui / s, -d.imag() + ui * ui / s, d.imag() - ur * ur / s,
                         d.real() - ur * ui / s};
  }
  for (int e = NetworkEntryCount + 1; e <= MatrixEntryCount; ++e) {
    const Complex x = fvSavedEntry_[e];
    fvUpper_[e] = fvLower_[e] = Block2{x.real(), -x.imag(), x.imag(), x.real()};
  }
}

void TRegime::CorrectContours(double& MaxLoopResidual) {
  MaxIter2 = 1;
  MaxLoopResidual = 0;
  const int n = TotalContourCount;
  const int t = NetworkContourCount;
  if (n == 0 || MatrixDiagonal.size() <= static_cast<std::size_t>(n)) return;

  const bool fixedVoltage = FixModule && PVAlgorithm == 0 && n > t;
  if (fixedVoltage) {
    UpdateFixedVoltageBlocks();
    FactoriseRows(t + 1, n, 1);
    if (ModelError) return;
  }

  ContourRhs.assign(static_cast<std::size_t>(n) + 1, Complex());
  for (int i = 1; i <= n; ++i) {
    const TRegimeElement* a = ContourEntry1[i - 1];
    const TRegimeElement* b = ContourEntry2[i - 1];
    Complex r = b->U - a->U;
    if (fixedVoltage && i > t) {
      const double ps = fvP_[i] / fvS_[i];
      r += Complex(a->U.imag() * ps, -a->U.real() * ps);
    }
    ContourRhs[PositionOfContour[i]] = r;
  }

  SolveContours();

  if (fixedVoltage) {
    for (int i = t + 1; i <= n; ++i) {
      TRegimeElement* a = ContourEntry1[i - 1];
      const Complex x = ContourRhs[PositionOfContour[i]];
      double theta = (fvP_[i] - a->U.real() * x.real() - a->U.imag() * x.imag()) * DampI / fvS_[i];
      theta = std::atan(std::tan(theta));
      a->Angle += theta;
      a->K = std::polar(a->Um / 110.0, a->Angle);
    }
  }

  for (int i = 1; i <= n; ++i) {
    TRegimeElement* a = ContourEntry1[i - 1];
    TRegimeElement* b = ContourEntry2[i - 1];
    const Complex x = ContourRhs[PositionOfContour[i]];
    b->IDelta += x;
    if (i <= t) {
      a->IDelta -= x;
    } else {
      a->I -= x;  // the fictitious branch hangs from the root: nothing to carry further
    }
    const double r = std::fabs(x.real()) + std::fabs(x.imag());
    if (r > MaxLoopResidual) MaxLoopResidual = r;
  }
  SweepCurrents();
  SweepVoltages();
}

}  // namespace ld
