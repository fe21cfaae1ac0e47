#include "reference_flow.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace ld::test {

namespace {

using C = std::complex<double>;

// Gaussian elimination with partial pivoting; a is n x n, b has n entries.
bool Solve(std::vector<std::vector<double>> a, std::vector<double>& b) {
  const std::size_t n = b.size();
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t p = k;
    for (std::size_t i = k + 1; i < n; ++i) {
      if (std::abs(a[i][k]) > std::abs(a[p][k])) p = i;
    }
    if (a[p][k] == 0) return false;
    std::swap(a[p], a[k]);
    std::swap(b[p], b[k]);
    for (std::size_t i = k + 1; i < n; ++i) {
      const double f = a[i][k] / a[k][k];
      for (std::size_t j = k; j < n; ++j) a[i][j] -= f * a[k][j];
      b[i] -= f * b[k];
    }
  }
  for (std::size_t i = n; i-- > 0;) {
    double s = b[i];
    for (std::size_t j = i + 1; j < n; ++j) s -= a[i][j] * b[j];
    b[i] = s / a[i][i];
  }
  return true;
}

}  // namespace

RefResult SolveReference(const std::vector<RefBus>& buses, const std::vector<RefBranch>& branches) {
  const std::size_t n = buses.size();
  std::vector<std::vector<C>> Y(n, std::vector<C>(n));
  for (std::size_t i = 0; i < n; ++i) Y[i][i] += C(buses[i].G, -buses[i].B) * 1e-6;
  for (const RefBranch& br : branches) {
    const C y = 1.0 / C(br.R, br.X);
    Y[br.a][br.a] += std::norm(br.t) * y;
    Y[br.a][br.b] -= std::conj(br.t) * y;
    Y[br.b][br.a] -= br.t * y;
    Y[br.b][br.b] += y;
  }

  std::vector<double> vm(n), va(n);
  for (std::size_t i = 0; i < n; ++i) {
    vm[i] = buses[i].kind == RefBus::Load ? 0 : buses[i].V;
    va[i] = buses[i].kind == RefBus::Slack ? buses[i].AngleDeg * std::numbers::pi / 180 : 0;
  }
  // Load buses start from the highest set voltage: good enough for the networks of the tests.
  double vstart = 0;
  for (const RefBus& b : buses) vstart = std::max(vstart, b.V);
  for (std::size_t i = 0; i < n; ++i) {
    if (buses[i].kind == RefBus::Load) vm[i] = buses[i].V > 0 ? buses[i].V : vstart;
  }

  // Unknowns: angles of every non-slack bus, magnitudes of load buses.
  std::vector<std::pair<std::size_t, bool>> unknowns;  // bus, is magnitude
  for (std::size_t i = 0; i < n; ++i) {
    if (buses[i].kind != RefBus::Slack) unknowns.push_back({i, false});
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (buses[i].kind == RefBus::Load) unknowns.push_back({i, true});
  }
  auto voltages = [&] {
    std::vector<C> u(n);
    for (std::size_t i = 0; i < n; ++i) u[i] = std::polar(vm[i], va[i]);
    return u;
  };
  auto injections = [&](const std::vector<C>& u) {
    std::vector<C> s(n);
    for (std::size_t i = 0; i < n; ++i) {
      C current = 0;
      for (std::size_t j = 0; j < n; ++j) current += Y[i][j] * u[j];
      s[i] = u[i] * std::conj(current);
    }
    return s;
  };
  // Mismatches in the order of the unknowns: P of the angle unknowns, Q of the magnitude unknowns.
  auto mismatch = [&] {
    const std::vector<C> s = injections(voltages());
    std::vector<double> f;
    for (const auto& [bus, magnitude] : unknowns) {
      const C wanted(-buses[bus].P, -buses[bus].Q);
      f.push_back(magnitude ? s[bus].imag() - wanted.imag() : s[bus].real() - wanted.real());
    }
    return f;
  };

  RefResult result;
  for (int iteration = 0; iteration < 50; ++iteration) {
    std::vector<double> f = mismatch();
    double worst = 0;
    for (const double x : f) worst = std::max(worst, std::abs(x));
    if (worst < 1e-12) {
      result.Converged = true;
      break;
    }
    const std::size_t m = unknowns.size();
    std::vector<std::vector<double>> J(m, std::vector<double>(m));
    for (std::size_t c = 0; c < m; ++c) {
      double& x = unknowns[c].second ? vm[unknowns[c].first] : va[unknowns[c].first];
      const double h = 1e-7 * std::max(1.0, std::abs(x));
      const double kept = x;
      x = kept + h;
      const std::vector<double> fp = mismatch();
      x = kept - h;
      const std::vector<double> fm = mismatch();
      x = kept;
      for (std::size_t r = 0; r < m; ++r) J[r][c] = (fp[r] - fm[r]) / (2 * h);
    }
    for (double& x : f) x = -x;
    if (!Solve(J, f)) break;
    for (std::size_t c = 0; c < m; ++c) {
      (unknowns[c].second ? vm[unknowns[c].first] : va[unknowns[c].first]) += f[c];
    }
  }
  result.U = voltages();
  result.S = injections(result.U);
  for (std::size_t i = 0; i < n; ++i) result.Losses += result.S[i].real();
  return result;
}

std::complex<double> BranchCurrent(const RefResult& r, const RefBranch& br) {
  return (br.t * r.U[br.a] - r.U[br.b]) / std::complex<double>(br.R, br.X);
}

}  // namespace ld::test
