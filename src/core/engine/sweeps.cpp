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


// Products written out: the library's complex product guards against infinities with a branch in
// every product, which the sweeps over every element cannot afford and do not need.
inline Complex Mul(Complex a, Complex b) {
  return Complex(a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real());
}
inline Complex MulConj(Complex a, Complex b) {
  return Complex(a.real() * b.real() + a.imag() * b.imag(), a.imag() * b.real() - a.real() * b.imag());
}

Complex ShuntCurrent(const TRegimeElement& e, Complex u) { return Mul(Complex(e.Gs, -e.Bs), u) * 1e-6; }

constexpr std::size_t kPrefetchDistance = 16;

void Prefetch(const void* p) {
  if (p != nullptr) __builtin_prefetch(p);
}

// The first cache lines of an element: what the sweeps and the node step read of it.
void PrefetchLines(const TRegimeElement* e, int lines) {
  const char* p = reinterpret_cast<const char*>(e);
  for (int line = 0; line < lines; ++line) __builtin_prefetch(p + 64 * line);
}

}  // namespace

TRegime::OrderSnapshot::OrderSnapshot(TRegime& regime) : regime_(regime), owner_(!regime.ordersHeld_) {
  if (!owner_) return;
  regime_.listOrder_.clear();
  for (TRegimeElement* e = regime_.FirstElement; e != nullptr; e = e->Next) regime_.listOrder_.push_back(e);
  regime_.treeOrder_.clear();
  if (regime_.Root != nullptr) {
    for (TRegimeElement* e = regime_.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      regime_.treeOrder_.push_back(e);
    }
  }
  regime_.ordersHeld_ = true;
}

TRegime::OrderSnapshot::~OrderSnapshot() {
  if (owner_) regime_.ordersHeld_ = false;
}

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
  auto step = [](TRegimeElement* e) {
    if (e->Parent != nullptr) e->Parent->IDelta += MulConj(e->IDelta, e->K);
    e->I += e->IDelta;
    e->IDelta = Complex(0, 0);
  };
  if (ordersHeld_) {
    const std::size_t n = listOrder_.size();
    for (std::size_t i = 0; i < n; ++i) {
      // The parent of a tree level lies a whole level away; ask for it well before it is needed.
      if (i + 2 * kPrefetchDistance < n) Prefetch(listOrder_[i + 2 * kPrefetchDistance]);
      if (i + kPrefetchDistance < n) Prefetch(listOrder_[i + kPrefetchDistance]->Parent);
      step(listOrder_[i]);
    }
  } else {
    for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) step(e);
  }
}

void TRegime::SweepVoltages() {
  if (Root == nullptr) return;
  auto step = [](TRegimeElement* e) { e->U = Mul(e->K, e->Parent->U) - Mul(Complex(e->R, e->X), e->I); };
  if (ordersHeld_) {
    const std::size_t n = treeOrder_.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (i + 2 * kPrefetchDistance < n) PrefetchLines(treeOrder_[i + 2 * kPrefetchDistance], 2);
      if (i + kPrefetchDistance < n) Prefetch(&treeOrder_[i + kPrefetchDistance]->Parent->U);
      step(treeOrder_[i]);
    }
  } else {
    for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) step(e);
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
  // False when the step has to stop at once.
  auto step = [&](TRegimeElement* e) {
    if ((e->Flags & efUnsupplied) != 0) return true;
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
        ReportError(SchemeQuoted() + ". Узел " + std::to_string(e->Number) +
                        ". Номер стат.характеристики (N с\\х = " + std::to_string(n) +
                        ") в текущем списке не найден",
                    mkWarning);
        return false;
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
        j = Mul(e->Load, e->UNode) / u2;
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
    return true;
  };
  if (ordersHeld_) {
    const std::size_t n = listOrder_.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (i + kPrefetchDistance < n) PrefetchLines(listOrder_[i + kPrefetchDistance], 3);
      if (!step(listOrder_[i])) return;
    }
  } else {
    for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
      if (!step(e)) return;
    }
  }
}

}  // namespace ld
