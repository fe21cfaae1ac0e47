// Node step, current sweep and voltage sweep over the element tree, and the start voltages.
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "core/base/msgbox.h"
#include "core/engine/regime.h"

namespace ld {

namespace {

constexpr Complex kRootVoltage(110.0, 0.0);

bool Usable(Complex u) { return std::isfinite(u.real()) && std::isfinite(u.imag()) && std::norm(u) > 0; }

Complex ShuntCurrent(const TRegimeElement& e, Complex u) { return Complex(e.Gs, -e.Bs) * u * 1e-6; }

}  // namespace

void TRegime::ClearSweepSums() {
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    e->UNode = e->ILoad = e->IDelta = e->I = Complex(0, 0);
  }
}

void TRegime::AddCurrentToPath(TRegimeElement* element, double dRe, double dIm) {
  Complex d(dRe, dIm);
  for (TRegimeElement* e = element; e != nullptr; e = e->Parent) {
    e->I += d;
    d *= std::conj(e->K);
  }
}

void TRegime::SweepCurrents() {
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if (e->Parent != nullptr) e->Parent->IDelta += e->IDelta * std::conj(e->K);
    e->I += e->IDelta;
    e->IDelta = Complex(0, 0);
  }
}

void TRegime::SweepVoltages() {
  if (Root == nullptr) return;
  for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    e->U = e->K * e->Parent->U - Complex(e->R, e->X) * e->I;
  }
}

void TRegime::InitVoltages() {
  if (Root == nullptr) return;
  std::vector<Complex> saved;
  saved.reserve(pool_.Count());
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) saved.push_back(e->UNode);
  ClearSweepSums();
  Root->U = kRootVoltage;
  SweepVoltages();

  if (InitVoltageMode == 2) {
    // A node without a nominal voltage keeps its no-load voltage rather than starting from zero.
    for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
      if ((e->Flags & (efSource | efUnsupplied)) == 0 && e->Unom > 0) e->U = Complex(e->Unom, 0);
    }
  }
  if (InitVoltageMode != 1) return;

  // Previous results. A node never calculated (or calculated to nothing usable) starts from its no-load
  // voltage, which the sweep above has just given it; the branch currents of the tables hold nothing of
  // its load, so its load current is left for the first node step to carry up the tree.
  std::size_t i = 0;
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree, ++i) {
    const bool usable = Usable(saved[i]);
    e->UNode = usable ? saved[i] : e->U;
    e->Work = usable ? 0 : 1;
  }
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efLoopClosing) != 0 && e->Partner != nullptr) {
      e->UNode = e->Partner->UNode;
      e->Work = e->Partner->Work;
    }
    e->U = e->UNode;
    const double u2 = std::norm(e->U);
    if (e->Work != 0 || u2 == 0) {
      e->ILoad = Complex(0, 0);
    } else {
      e->ILoad = e->Load * e->U / u2 + ShuntCurrent(*e, e->U);
    }
    e->IDelta = Complex(0, 0);
    e->I = e->IPrev;
    auto fixedNode = [](const TRegimeElement* x) {
      return x != nullptr && (x->Flags & (efSource | efFixedVoltage | efLoopClosing)) == efFixedVoltage;
    };
    if (fixedNode(e)) e->IPrev = e->ILoad - e->IPrev;
    if (fixedNode(e->Parent)) e->Parent->IPrev += e->IPrev * std::conj(e->K);
    if (fixedNode(e->Partner)) e->Partner->IPrev -= e->IPrev;
    if ((e->Flags & (efFixedVoltage | efLoopClosing)) == (efFixedVoltage | efLoopClosing)) {
      e->Angle = e->U.real() != 0 ? std::atan(e->U.imag() / e->U.real())
                                  : std::copysign(std::numbers::pi / 2, e->U.imag());
      e->K = e->Um * e->U / (std::abs(e->U) * 110.0);
      if (e->Partner != nullptr) e->I = e->Partner->IPrev;
    }
    if ((e->Flags & efSource) != 0) {
      e->I = e->ILoad;
      if (e->Parent != nullptr && e->Parent != Root && (e->Parent->Flags & efSource) != 0) {
        e->Parent->I += e->I * std::conj(e->K);
      }
      if (e->Partner != nullptr && (e->Partner->Flags & efSource) != 0) e->Partner->I -= e->I;
    }
  }
  for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (e->Parent == Root) Root->I += e->I * std::conj(e->K);
  }
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) e->Work = 0;
}

void TRegime::NodeStep(double& MaxResidual) {
  MaxResidual = 0;
  MaxResidualNode = nullptr;
  // A damping of zero (or below) would hold every voltage where it started; it means no damping.
  const double damp = DampU > 0 ? DampU : 1.0;
  const bool holdFixed = FixModule && PVAlgorithm == 0;
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if ((e->Flags & efUnsupplied) != 0) continue;
    const Complex dU = e->U - e->UNode;
    double r = std::abs(dU.real()) + std::abs(dU.imag());
    e->UNode += damp * dU;
    if (holdFixed && (e->Flags & efFixedVoltage) != 0) {
      e->UNode = e->U;
      r = 0;
    }
    const double u2 = std::norm(e->UNode);
    if (StaticChars && e->NodeIndex > 0 && static_cast<std::size_t>(e->NodeIndex) < Nsh.size() &&
        Nsh[e->NodeIndex] != 0) {
      const int n = Nsh[e->NodeIndex];
      if (n < 0 || n > StaticCharCount) {
        ReportError(SchemeQuoted() + ". Узел " + std::to_string(e->Number) + ". Номер стат.характеристики (N с\\х = " +
                        std::to_string(n) + ") в текущем списке не найден",
                    mkWarning);
        return;
      }
      const double uc = Ush[e->NodeIndex];
      const double ratio2 = u2 / (uc * uc);
      const double ratio = std::sqrt(u2) / uc;
      e->Load = Complex((A2[n] * ratio2 + A1[n] * ratio + A0[n]) * e->Load1.real() + e->Load2.real(),
                        (B2[n] * ratio2 + B1[n] * ratio + B0[n]) * e->Load1.imag() + e->Load2.imag());
    }
    Complex j(0, 0);
    if ((e->Flags & efLoopClosing) == 0) {
      if (LoadType != 0) {
        j = e->Load;
      } else if (u2 > 0) {
        // A node at zero voltage draws no load current (rather than 0/0).
        j = e->Load * e->UNode / u2;
      }
    }
    j += ShuntCurrent(*e, e->UNode);
    e->IDelta = j - e->ILoad;
    e->ILoad = j;
    if (std::isnan(r)) r = std::numeric_limits<double>::infinity();
    if (r > MaxResidual) {
      MaxResidual = r;
      MaxResidualNode = e;
    }
  }
}

}  // namespace ld
