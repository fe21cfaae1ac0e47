// Fixed-voltage nodes of algorithms 1 to 3: each node is a source whose ratio K carries its set module
// and an angle; Newton steps on the angles (and on the modules of nodes held at a Q limit) bring the
// active power that the source would have to deliver to zero.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/engine/regime.h"

namespace ld {

namespace {

constexpr double kAngleStep = 1.7453292519943296e-6;  // 0.0001 degree
constexpr double kModuleStep = 0.001;
constexpr double kPVDivergence = 1e7;

double ActivePower(const TRegimeElement& e) { return e.U.real() * e.I.real() + e.U.imag() * e.I.imag(); }
double ReactivePower(const TRegimeElement& e) {
  return e.U.imag() * e.I.real() - e.U.real() * e.I.imag() + e.Load2.imag();
}
bool HasLimits(const TRegimeElement& e) { return e.Qmin != 0 || e.Qmax != 0; }

double PrincipalAngle(Complex k) {
  if (k.real() == 0) return std::copysign(std::numbers::pi / 2, k.imag());
  return std::atan(k.imag() / k.real());
}

Complex Polar(double module, double angle) { return Complex(module * std::cos(angle), module * std::sin(angle)); }

// Keeps the caller's accuracy whatever way the solver is left.
class AccuracyGuard {
public:
  explicit AccuracyGuard(double& accuracy) : accuracy_(accuracy), kept_(accuracy) {
    if (accuracy_ > 1e-6) accuracy_ = 1e-6;
  }
  ~AccuracyGuard() { accuracy_ = kept_; }
  AccuracyGuard(const AccuracyGuard&) = delete;
  AccuracyGuard& operator=(const AccuracyGuard&) = delete;
  double Kept() const { return kept_; }
  double Inner() const { return accuracy_; }

private:
  double& accuracy_;
  double kept_;
};

[[noreturn]] void ThrowUnlinked(const TRegimeElement& e) {
  throw Error("Узел ФМ " + std::to_string(e.Number) +
              " не связан со схемой. Нужно снять с него признак \"U\" в колонке \"П\" таблицы \"Узлы схемы\"");
}

}  // namespace

std::vector<TRegimeElement*> TRegime::PVElements() const {
  std::vector<TRegimeElement*> pv;
  if (Root == nullptr) return pv;
  for (TRegimeElement* e = Root->NextInTree; e != nullptr && (e->Flags & efSource) != 0; e = e->NextInTree) {
    if (static_cast<int>(pv.size()) == FixedCount) break;
    if ((e->Flags & efFixedVoltage) != 0 || !pv.empty()) pv.push_back(e);
  }
  return pv;
}

void TRegime::SolvePVAngles(int& iterations) {
  AccuracyGuard guard(Accuracy);
  const double eps = guard.Kept();
  const std::vector<TRegimeElement*> pv = PVElements();
  const int n = static_cast<int>(pv.size());
  CheckPVLinks(pv);

  std::vector<double> m(n), theta(n), P(n);
  for (int i = 0; i < n; ++i) {
    m[i] = std::abs(pv[i]->K);
    theta[i] = PrincipalAngle(pv[i]->K);
  }
  Matrix J;
  bool factorised = true;
  if (ReusePVJacobian) {
    J = PVJacobian;
    factorised = static_cast<int>(J.size()) == n;
  } else {
    NewMatrix(n, n, J);
  }

  double maxP = 0;
  for (int p = 1; p <= MaxIter; ++p) {
    InnerIterations(iterations);
    if (!Converged) break;
    maxP = 0;
    for (int i = 0; i < n; ++i) {
      P[i] = ActivePower(*pv[i]);
      if (std::abs(P[i]) > maxP) {
        maxP = std::abs(P[i]);
        MaxPResidualNode = pv[i];
      }
    }
    Converged = maxP < eps;
    if (Converged && (ReusePVJacobian || p > 1)) break;
    if (maxP >= kPVDivergence) {
      Converged = false;
      break;
    }
    if (p == 1 && !ReusePVJacobian) {
      for (int j = 0; j < n; ++j) {
        TRegimeElement& ej = *pv[j];
        const Complex kept = ej.K;
        ej.K = Polar(m[j], theta[j] + kAngleStep);
        InnerIterations(iterations);
        ej.K = kept;
        for (int i = 0; i < n; ++i) J[i][j] = (ActivePower(*pv[i]) - P[i]) / kAngleStep;
      }
      factorised = FactoriseMatrix(J);
    }
    if (!factorised) {
      Converged = false;
      break;
    }
    Vector delta(P.begin(), P.end());
    SolveMatrix(J, delta);
    for (int i = 0; i < n; ++i) {
      theta[i] -= delta[i];
      pv[i]->K = Polar(m[i], theta[i]);
    }
    Converged = false;
  }
  if (!Converged) {
    InnerIterations(iterations);
    Converged = false;
  }
  if (StorePVJacobian && factorised) {
    PVJacobian = J;
    PVSensitivities.assign(n, 0.0);
  }
  PVResidualP = maxP;
  PVResidualQ = 0;
}

// Algorithm 3, and algorithm 2 under reactive limits: a node beyond a limit is held there as a load node
// would be (its module joins the unknowns, its reactive power at the limit the equations) and is released
// once the converged state shows that it no longer needs the limit, so that every algorithm reaches the
// steady state that algorithms 0 and 1 reach by re-reading the scheme.
void TRegime::SolvePVWithQLimits(int& iterations) {
  AccuracyGuard guard(Accuracy);
  const double eps = guard.Kept();
  const double tolerance = guard.Inner();
  const std::vector<TRegimeElement*> pv = PVElements();
  const int n = static_cast<int>(pv.size());
  const bool algorithm2 = PVAlgorithm == 2;
  CheckPVLinks(pv);

  std::vector<double> m(n), theta(n), P(n), Q(n);
  // 0 free, +1 held at Qmax, -1 held at Qmin.
  std::vector<int> held(n, 0);
  for (int i = 0; i < n; ++i) {
    m[i] = std::abs(pv[i]->K);
    theta[i] = PrincipalAngle(pv[i]->K);
    if (ReusePVJacobian && static_cast<int>(PVSensitivities.size()) == n) {
      held[i] = PVSensitivities[i] > 0 ? 1 : (PVSensitivities[i] < 0 ? -1 : 0);
    }
  }
  auto heldList = [&] {
    std::vector<int> list;
    for (int i = 0; i < n; ++i) {
      if (held[i] != 0) list.push_back(i);
    }
    return list;
  };
  auto limitOf = [&](int i) -> double { return held[i] > 0 ? pv[i]->Qmax : pv[i]->Qmin; };

  Matrix full;  // 2n x 2n: rows P then Q, columns angles then modules
  Matrix system;
  if (ReusePVJacobian) system = PVJacobian;
  bool factorised = true;
  bool keepJacobian = true;
  double maxF = 0, maxQ = 0;
  int cycles = 0;

  for (;;) {
    const std::vector<int> heldNodes = heldList();
    const int size = n + static_cast<int>(heldNodes.size());
    Vector F(size);
    for (int p = 1; p <= MaxIter; ++p) {
      InnerIterations(iterations);
      if (!Converged) break;
      maxF = maxQ = 0;
      for (int i = 0; i < n; ++i) {
        P[i] = ActivePower(*pv[i]);
        Q[i] = ReactivePower(*pv[i]);
        F[i] = P[i];
        maxF = std::max(maxF, std::abs(F[i]));
      }
      for (std::size_t h = 0; h < heldNodes.size(); ++h) {
        const int i = heldNodes[h];
        const double f = QLimits && HasLimits(*pv[i]) ? Q[i] - limitOf(i) : 0.0;
        F[n + h] = f;
        maxF = std::max(maxF, std::abs(f));
        if (std::abs(f) > maxQ) {
          maxQ = std::abs(f);
          (algorithm2 ? MaxQResidualNode : MaxPResidualNode) = pv[i];
        }
      }
      Converged = maxF < eps;
      if (Converged && (ReusePVJacobian || p > 1)) break;
      if (maxF >= kPVDivergence) {
        Converged = false;
        break;
      }
      if (p == 1 && !ReusePVJacobian) {
        if (full.empty()) {
          NewMatrix(2 * n, 2 * n, full);
          for (int j = 0; j < n; ++j) {
            TRegimeElement& ej = *pv[j];
            const Complex kept = ej.K;
            ej.K = Polar(m[j], theta[j] + kAngleStep);
            InnerIterations(iterations);
            ej.K = kept;
            for (int i = 0; i < n; ++i) {
              full[i][j] = (ActivePower(*pv[i]) - P[i]) / kAngleStep;
              full[n + i][j] = (ReactivePower(*pv[i]) - Q[i]) / kAngleStep;
            }
            ej.K = Polar(m[j] + kModuleStep, theta[j]);
            InnerIterations(iterations);
            ej.K = kept;
            for (int i = 0; i < n; ++i) {
              full[i][n + j] = (ActivePower(*pv[i]) - P[i]) / kModuleStep;
              full[n + i][n + j] = (ReactivePower(*pv[i]) - Q[i]) / kModuleStep;
            }
          }
          // Two nodes whose reactive power answers one module alike cannot both be told apart at a limit.
          if (algorithm2) {
            for (int j = 0; j < n; ++j) {
              const double sj = std::abs(full[n + j][n + j]);
              if (sj == 0) continue;
              for (int k = j + 1; k < n; ++k) {
                if (std::abs(std::abs(full[n + k][n + j]) - sj) < 0.01 * sj) {
                  ExcludedPV.push_back(-pv[j]->NodeIndex);
                  ExcludedPV.push_back(-pv[k]->NodeIndex);
                }
              }
            }
          }
        }
        // The system of this cycle: every angle, and the Q rows and module columns of the held nodes.
        std::vector<int> index(size);
        for (int i = 0; i < n; ++i) index[i] = i;
        for (std::size_t h = 0; h < heldNodes.size(); ++h) index[n + h] = n + heldNodes[h];
        NewMatrix(size, size, system);
        for (int a = 0; a < size; ++a) {
          for (int b = 0; b < size; ++b) system[a][b] = full[index[a]][index[b]];
        }
        factorised = FactoriseMatrix(system);
      }
      if (!factorised || static_cast<int>(system.size()) != size) {
        Converged = false;
        break;
      }
      SolveMatrix(system, F);
      for (int i = 0; i < n; ++i) theta[i] -= F[i];
      for (std::size_t h = 0; h < heldNodes.size(); ++h) m[heldNodes[h]] -= F[n + h];
      for (int i = 0; i < n; ++i) pv[i]->K = Polar(m[i], theta[i]);
      Converged = false;
    }
    if (!Converged) {
      InnerIterations(iterations);
      Converged = false;
    }
    if (!(QLimits && Converged && !ReusePVJacobian)) break;

    // Review of the limits on the converged state: hold the nodes beyond a limit, release those whose
    // voltage shows that they no longer need it. A held node converged to its limit within the caller's
    // accuracy, so only its voltage decides (a test of its reactive power against the inner accuracy would
    // keep it held whenever the caller's accuracy is looser).
    bool changed = false;
    std::string* line = nullptr;
    auto token = [&](const std::string& text) {
      if (line == nullptr) {
        PVProtocol.emplace_back();
        line = &PVProtocol.back();
      }
      *line += text;
    };
    for (int i = 0; i < n; ++i) {
      TRegimeElement& e = *pv[i];
      if (!HasLimits(e)) continue;
      if (held[i] == 0) {
        const double q = ReactivePower(e);
        if (q > e.Qmax && std::abs(q - e.Qmax) >= tolerance) {
          held[i] = 1;
        } else if (q < e.Qmin && std::abs(q - e.Qmin) >= tolerance) {
          held[i] = -1;
        } else {
          continue;
        }
        token(std::to_string(e.Number) + "- ");
        changed = true;
      } else {
        const double u = std::abs(e.U);
        if ((held[i] > 0 && u > e.Um) || (held[i] < 0 && u < e.Um)) {
          held[i] = 0;
          m[i] = e.Um / 110.0;
          pv[i]->K = Polar(m[i], theta[i]);
          token(std::to_string(e.Number) + "+ ");
          changed = true;
        }
      }
    }
    if (!changed) break;
    if (++cycles > MaxIter) {
      Converged = false;
      keepJacobian = false;
      break;
    }
  }

  if (StorePVJacobian && keepJacobian && factorised) {
    PVJacobian = system;
    PVSensitivities.assign(held.begin(), held.end());
  }
  if (!ReusePVJacobian) {
    for (int i = 0; i < n; ++i) {
      if (held[i] != 0) ExcludedPV.push_back(pv[i]->NodeIndex);
    }
  }
  PVResidualP = maxF;
  PVResidualQ = algorithm2 ? maxQ : 0;
}

void TRegime::CheckPVLinks(const std::vector<TRegimeElement*>& pv) const {
  // Under algorithms 1-3 every source heads a tree of its own; the network contours join the trees. A
  // fixed-voltage node can hold its angle only when its tree is joined to that of a balancing node.
  if (pv.empty() || Root == nullptr) return;
  const std::size_t count = pool_.Count();
  std::vector<std::size_t> group(count);
  for (std::size_t i = 0; i < count; ++i) group[i] = i;
  auto find = [&](std::size_t i) {
    while (group[i] != i) i = group[i] = group[group[i]];
    return i;
  };
  // The source at the head of an element's tree.
  auto head = [&](const TRegimeElement* e) {
    while (e->Parent != nullptr && e->Parent != Root) e = e->Parent;
    return pool_.IndexOf(e);
  };
  for (int c = 0; c < NetworkContourCount && c < static_cast<int>(ContourEntry1.size()); ++c) {
    const TRegimeElement* closing = ContourEntry1[c];
    const TRegimeElement* partner = ContourEntry2[c];
    if (closing->Parent == nullptr || partner == nullptr) continue;
    group[find(head(closing->Parent))] = find(head(partner));
  }
  std::vector<char> balanced(count, 0);
  for (const TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (e->Parent == Root && (e->Flags & (efSource | efFixedVoltage | efUnsupplied)) == efSource) {
      balanced[find(pool_.IndexOf(e))] = 1;
    }
  }
  for (const TRegimeElement* e : pv) {
    if (balanced[find(pool_.IndexOf(e))] == 0) ThrowUnlinked(*e);
  }
}

}  // namespace ld
