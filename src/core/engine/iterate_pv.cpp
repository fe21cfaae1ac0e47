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
  const bool limits = QLimits && PVAlgorithm == 2;

  std::vector<double> m(n), m0(n), theta(n), s(n, 0.0), P(n), Q(n), r(n);
  for (int i = 0; i < n; ++i) {
    m[i] = m0[i] = std::abs(pv[i]->K);
    theta[i] = PrincipalAngle(pv[i]->K);
  }
  Matrix J;
  bool factorised = true;
  if (ReusePVJacobian) {
    J = PVJacobian;
    factorised = static_cast<int>(J.size()) == n;
    if (PVSensitivities.size() == s.size()) s = PVSensitivities;
  } else {
    NewMatrix(n, n, J);
  }

  double maxP = 0, maxR = 0;
  auto measure = [&] {
    maxP = maxR = 0;
    for (int i = 0; i < n; ++i) {
      const TRegimeElement& e = *pv[i];
      P[i] = ActivePower(e);
      Q[i] = ReactivePower(e);
      r[i] = (m[i] - m0[i]) * s[i];
      if (limits && HasLimits(e)) {
        const double t = Q[i] - r[i];
        if (t > e.Qmax) {
          r[i] = Q[i] - e.Qmax;
        } else if (t < e.Qmin) {
          r[i] = Q[i] - e.Qmin;
        }
      }
      if (std::abs(P[i]) > maxP) {
        maxP = std::abs(P[i]);
        MaxPResidualNode = pv[i];
      }
      if (std::abs(r[i]) > maxR) {
        maxR = std::abs(r[i]);
        MaxQResidualNode = pv[i];
      }
    }
  };

  for (int p = 1; p <= MaxIter; ++p) {
    InnerIterations(iterations);
    if (!Converged) break;
    measure();
    Converged = maxP < eps && maxR < eps;
    if (Converged && (ReusePVJacobian || p > 1)) break;
    if (maxP >= kPVDivergence || maxR >= kPVDivergence) {
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
        if (J[j][j] == 0) ThrowUnlinked(ej);
        if (limits) {
          ej.K = Polar(m[j] + kModuleStep, theta[j]);
          InnerIterations(iterations);
          ej.K = kept;
          s[j] = (ReactivePower(ej) - Q[j]) / kModuleStep;
          if (s[j] != 0) {
            for (int k = j + 1; k < n; ++k) {
              const double sk = std::abs((ReactivePower(*pv[k]) - Q[k]) / kModuleStep);
              if (std::abs(sk - std::abs(s[j])) < 0.01 * std::abs(s[j])) {
                ExcludedPV.push_back(-pv[j]->NodeIndex);
                ExcludedPV.push_back(-pv[k]->NodeIndex);
              }
            }
          }
        }
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
      if (limits && s[i] != 0) m[i] -= r[i] / s[i];
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
    PVSensitivities = s;
  }
  if (!ReusePVJacobian && limits) {
    for (int i = 0; i < n; ++i) {
      const TRegimeElement& e = *pv[i];
      if (HasLimits(e) && (std::abs(Q[i] - e.Qmin) < eps || std::abs(Q[i] - e.Qmax) < eps)) {
        ExcludedPV.push_back(e.NodeIndex);
      }
    }
  }
  PVResidualP = maxP;
  PVResidualQ = maxR;
}

void TRegime::SolvePVWithQLimits(int& iterations) {
  AccuracyGuard guard(Accuracy);
  const double eps = guard.Kept();
  const double tolerance = guard.Inner();
  const std::vector<TRegimeElement*> pv = PVElements();
  const int n = static_cast<int>(pv.size());

  std::vector<double> m(n), theta(n), qmin(n), qmax(n), P(n), Q(n);
  std::vector<int> held(n, 0);
  for (int i = 0; i < n; ++i) {
    m[i] = std::abs(pv[i]->K);
    theta[i] = PrincipalAngle(pv[i]->K);
    qmin[i] = pv[i]->Qmin;
    qmax[i] = pv[i]->Qmax;
    if (ReusePVJacobian && static_cast<int>(PVSensitivities.size()) == n) held[i] = PVSensitivities[i] != 0;
  }
  auto heldList = [&] {
    std::vector<int> list;
    for (int i = 0; i < n; ++i) {
      if (held[i] != 0) list.push_back(i);
    }
    return list;
  };

  Matrix full;  // 2n x 2n: rows P then Q, columns angles then modules
  Matrix system;
  if (ReusePVJacobian) system = PVJacobian;
  bool factorised = true;
  bool keepJacobian = true;
  double maxF = 0;
  int cycles = 0;

  for (int cycle = 1;; ++cycle) {
    std::vector<int> heldNodes = heldList();
    const int size = n + static_cast<int>(heldNodes.size());
    Vector F(size);
    for (int p = 1; p <= MaxIter; ++p) {
      InnerIterations(iterations);
      if (!Converged) break;
      maxF = 0;
      double maxQ = -1;
      for (int i = 0; i < n; ++i) {
        P[i] = ActivePower(*pv[i]);
        Q[i] = ReactivePower(*pv[i]);
        F[i] = P[i];
        maxF = std::max(maxF, std::abs(F[i]));
      }
      for (std::size_t h = 0; h < heldNodes.size(); ++h) {
        const int i = heldNodes[h];
        double f = 0;
        if (QLimits && HasLimits(*pv[i])) {
          if (Q[i] > qmax[i]) {
            f = Q[i] - qmax[i];
          } else if (Q[i] < qmin[i]) {
            f = Q[i] - qmin[i];
          }
        }
        F[n + h] = f;
        maxF = std::max(maxF, std::abs(f));
        if (std::abs(f) > maxQ) {
          maxQ = std::abs(f);
          MaxPResidualNode = pv[i];
        }
      }
      Converged = maxF < eps;
      if (Converged && (ReusePVJacobian || p > 1)) break;
      if (maxF >= kPVDivergence) {
        Converged = false;
        break;
      }
      if (p == 1 && !ReusePVJacobian) {
        if (cycle == 1) {
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
            if (full[j][j] == 0) ThrowUnlinked(ej);
            ej.K = Polar(m[j] + kModuleStep, theta[j]);
            InnerIterations(iterations);
            ej.K = kept;
            for (int i = 0; i < n; ++i) {
              full[i][n + j] = (ActivePower(*pv[i]) - P[i]) / kModuleStep;
              full[n + i][n + j] = (ReactivePower(*pv[i]) - Q[i]) / kModuleStep;
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

    // Review of the limits: hold the nodes beyond a limit, release those that no longer need it.
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
      const double q = ReactivePower(e);
      if (held[i] == 0) {
        if (q > e.Qmax && std::abs(q - e.Qmax) >= tolerance) {
          qmin[i] = qmax[i] = e.Qmax;
        } else if (q < e.Qmin && std::abs(q - e.Qmin) >= tolerance) {
          qmin[i] = qmax[i] = e.Qmin;
        } else {
          continue;
        }
        held[i] = 1;
        token(std::to_string(e.Number) + "- ");
        changed = true;
      } else {
        const double u = std::abs(e.U);
        if ((std::abs(q - e.Qmax) < tolerance && u > e.Um) || (std::abs(q - e.Qmin) < tolerance && u < e.Um)) {
          held[i] = 0;
          qmin[i] = e.Qmin;
          qmax[i] = e.Qmax;
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
  PVResidualQ = 0;
}

}  // namespace ld
