// The contour matrix: loop impedances measured by unit-current sweeps, ordered for little fill-in, linked
// by rows and factorised; network rows once per model, fixed-voltage rows at every correction.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <set>
#include <tuple>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

namespace {

constexpr double kZeroImpedance = 1e-7;

bool IsZero(const Complex& z) { return std::fabs(z.real()) < kZeroImpedance && std::fabs(z.imag()) < kZeroImpedance; }

// Adjacency of the contours during the ordering: each contour's neighbours in ascending order. A contour
// touches a few others, so a row of bits per contour (the contours squared in memory and in every
// intersection) would cost a district of tens of thousands of loops far more than the ordering itself.
class NeighbourRows {
public:
  explicit NeighbourRows(int n) : rows_(static_cast<std::size_t>(n) + 1) {}
  bool Test(int i, int j) const { return std::binary_search(rows_[i].begin(), rows_[i].end(), j); }
  void Set(int i, int j) {
    std::vector<int>& row = rows_[i];
    const auto at = std::lower_bound(row.begin(), row.end(), j);
    if (at == row.end() || *at != j) row.insert(at, j);
  }
  void Reset(int i, int j) {
    std::vector<int>& row = rows_[i];
    const auto at = std::lower_bound(row.begin(), row.end(), j);
    if (at != row.end() && *at == j) row.erase(at);
  }
  // The neighbours that i and j have in common.
  int Common(int i, int j) const {
    const std::vector<int>& a = rows_[i];
    const std::vector<int>& b = rows_[j];
    int count = 0;
    for (std::size_t x = 0, y = 0; x < a.size() && y < b.size();) {
      if (a[x] < b[y]) {
        ++x;
      } else if (b[y] < a[x]) {
        ++y;
      } else {
        ++count;
        ++x;
        ++y;
      }
    }
    return count;
  }
  template <typename F>
  void ForEach(int i, F f) const {
    for (const int j : rows_[i]) f(j);
  }

private:
  std::vector<std::vector<int>> rows_;
};

}  // namespace

void TRegime::CreateMatrices() {
  FreeMatrices();
  MatrixEntryCount = NetworkEntryCount = 0;
  EntryRow.assign(1, 0);
  EntryColumn.assign(1, 0);
  EntryValue.assign(1, Complex());
}

void TRegime::FreeMatrices() {
  MatrixDiagonal.clear();
  EntryRow.clear();
  EntryColumn.clear();
  EntryValue.clear();
  PositionOfContour.clear();
  ContourOfPosition.clear();
  FirstRowEntry.clear();
  NextRowEntry.clear();
  ContourRhs.clear();
  fvPivot_.clear();
  fvUpper_.clear();
  fvLower_.clear();
  fvSavedDiagonal_.clear();
  fvSavedEntry_.clear();
  fvP_.clear();
  fvS_.clear();
  MatricesFormed = false;
}

void TRegime::FormMatrices() {
  CreateMatrices();
  FormMatricesCore();
}

void TRegime::AppendEntry(std::int32_t row, std::int32_t column, const Complex& value) {
  EntryRow.push_back(row);
  EntryColumn.push_back(column);
  EntryValue.push_back(value);
  ++MatrixEntryCount;
}

void TRegime::FormMatricesCore() {
  if (ModelError) return;
  if (Root == nullptr) return;
  if (TotalContourCount > 0) {
    FormContourMatrix();
    if (!ZeroContours && !ModelError) {
      OrderContours();
      LinkMatrixRows();
      Stage("Блочная факторизация", 80);
      FactoriseRows(1, NetworkContourCount, 0);
      if (!ModelError) SaveFixedVoltageBlocks();
    }
  }
  Stage("", 100);
  MatricesFormed = !ModelError && !ZeroContours;
}

// A unit current driven round contour i (up from its first entry, back down to its second) raises across
// contour j the voltage  sum over the branches y of Z(y)·I_i(y)·conj(I_j(y)),  I_c(y) being the current
// that contour c's unit current carries in y. So the matrix needs only the currents along each contour's
// own path and the contours that share a branch of some impedance; a sweep of the whole tree per contour
// would cost the contours times the nodes.
void TRegime::FormContourMatrix() {
  Stage("Формирование матриц", 30);
  ZeroContours = false;
  MatrixEntryCount = NetworkEntryCount = 0;
  const int n = TotalContourCount;
  MatrixDiagonal.assign(static_cast<std::size_t>(n) + 1, Complex());

  // Depths in the tree, found only for the contours' ends and what lies above them: a walk of the whole
  // tree would visit every element of a large district for a few thousand loops.
  std::vector<std::int32_t> depth(pool_.Count(), -1);
  depth[pool_.IndexOf(Root)] = 0;
  std::vector<std::size_t> climb;
  auto depthOf = [&](const TRegimeElement* e) {
    climb.clear();
    std::int32_t h = -1;  // an element without a parent lies at depth 0, as the root does
    for (; e != nullptr; e = e->Parent) {
      const std::size_t k = pool_.IndexOf(e);
      if (depth[k] >= 0) {
        h = depth[k];
        break;
      }
      climb.push_back(k);
    }
    for (std::size_t c = climb.size(); c-- > 0;) depth[climb[c]] = ++h;
    return h;
  };

  // Each contour's path: the elements of nonzero impedance its unit current flows through, with that
  // current referred to the element's child side, as the ratios carry it up the tree.
  struct PathItem {
    std::size_t element;
    Complex z, current;
  };
  std::vector<PathItem> path;
  std::vector<std::size_t> pathStart(static_cast<std::size_t>(n) + 2, 0);
  auto take = [&](const TRegimeElement* e, Complex current) {
    if (e->R != 0 || e->X != 0) path.push_back({pool_.IndexOf(e), Complex(e->R, e->X), current});
  };
  for (int i = 1; i <= n; ++i) {
    pathStart[i] = path.size();
    const TRegimeElement* x = ContourEntry1[i - 1];
    const TRegimeElement* y = ContourEntry2[i - 1];
    Complex dx(1, 0), dy(-1, 0);
    std::int32_t hx = depthOf(x), hy = depthOf(y);
    auto up = [&](const TRegimeElement*& e, Complex& d, std::int32_t& h) {
      take(e, d);
      d *= std::conj(e->K);
      e = e->Parent;
      --h;
    };
    while (hx > hy) up(x, dx, hx);
    while (hy > hx) up(y, dy, hy);
    while (x != y) {
      up(x, dx, hx);
      up(y, dy, hy);
    }
    // From the meeting element up the two currents cancel, unless the ratios round the loop multiply to
    // different values on its two sides: then their difference flows on to the root.
    for (const TRegimeElement* e = x; e != Root; e = e->Parent) {
      const Complex d = dx + dy;
      if (d == Complex()) break;
      take(e, d);
      dx *= std::conj(e->K);
      dy *= std::conj(e->K);
    }
  }
  pathStart[static_cast<std::size_t>(n) + 1] = path.size();

  // The contours through each element.
  struct Passing {
    std::int32_t contour;
    Complex current;
  };
  std::vector<std::size_t> passingStart(pool_.Count() + 1, 0);
  for (const PathItem& p : path) ++passingStart[p.element + 1];
  for (std::size_t k = 1; k < passingStart.size(); ++k) passingStart[k] += passingStart[k - 1];
  std::vector<Passing> passing(path.size());
  {
    std::vector<std::size_t> fill(passingStart.begin(), passingStart.end() - 1);
    for (int i = 1; i <= n; ++i) {
      for (std::size_t k = pathStart[i]; k < pathStart[i + 1]; ++k) passing[fill[path[k].element]++] = {i, path[k].current};
    }
  }

  std::vector<Complex> coupling(static_cast<std::size_t>(n) + 1);
  std::vector<char> coupled(static_cast<std::size_t>(n) + 1, 0);
  std::vector<std::int32_t> partners;
  for (int i = 1; i <= n; ++i) {
    Complex own;
    partners.clear();
    for (std::size_t k = pathStart[i]; k < pathStart[i + 1]; ++k) {
      const Complex source = path[k].z * path[k].current;
      for (std::size_t m = passingStart[path[k].element]; m < passingStart[path[k].element + 1]; ++m) {
        const std::int32_t j = passing[m].contour;
        if (j == i) {
          own += source * std::conj(passing[m].current);
        } else if (j > i) {
          coupling[j] += source * std::conj(passing[m].current);
          if (!coupled[j]) {
            coupled[j] = 1;
            partners.push_back(j);
          }
        }
      }
    }
    MatrixDiagonal[i] = own;
    if (IsZero(own)) {
      if (!ZeroContours) ReportError("В схеме \"" + SchemeName + "\" имеются нулевые контура", 1, false);
      ZeroContours = true;
      if (Errors != nullptr) ListContour(i, ContourEntry1[i - 1], *Errors, ContourEntry2[i - 1]);
    }
    std::sort(partners.begin(), partners.end());
    for (const std::int32_t j : partners) {
      // A coupling is left out only when it is nil: a shared path of pure resistance or pure
      // reactance couples its contours as much as any other.
      if (!IsZero(coupling[j])) AppendEntry(i, j, coupling[j]);
      coupling[j] = Complex();
      coupled[j] = 0;
    }
    if (i <= NetworkContourCount) NetworkEntryCount = MatrixEntryCount;
  }
}

// Minimum fill-in ordering. Fixed-voltage contours are placed after every network contour, so that
// their rows, refactorised at each correction, are eliminated last and the network part stays as it is.
void TRegime::OrderContours() {
  Stage("Динамическое упорядочение", 60);
  const int n = TotalContourCount;
  const int t = NetworkContourCount;
  NeighbourRows adjacent(n);
  std::vector<std::int64_t> degree(static_cast<std::size_t>(n) + 1, 0), tri(static_cast<std::size_t>(n) + 1, 0);
  for (int e = 1; e <= MatrixEntryCount; ++e) {
    const int i = EntryRow[e], j = EntryColumn[e];
    if (i == j || adjacent.Test(i, j)) continue;
    adjacent.Set(i, j);
    adjacent.Set(j, i);
    ++degree[i];
    ++degree[j];
  }
  for (int v = 1; v <= n; ++v) {
    std::int64_t edges = 0;
    adjacent.ForEach(v, [&](int u) { edges += adjacent.Common(u, v); });
    tri[v] = edges / 2;
  }

  // Network contours first, then the fixed-voltage ones; within a group the least fill, ties to the
  // lowest number. The contours not yet placed wait in that order; those whose fill an elimination
  // changes take their new place after it.
  auto fillOf = [&](int v) { return degree[v] * (degree[v] - 1) / 2 - tri[v]; };
  using TWaiting = std::tuple<bool, std::int64_t, int>;  // fixed-voltage contour, fill, contour
  std::set<TWaiting> waiting;
  std::vector<std::int64_t> waitingFill(static_cast<std::size_t>(n) + 1, 0);
  for (int v = 1; v <= n; ++v) {
    waitingFill[v] = fillOf(v);
    waiting.emplace(v > t, waitingFill[v], v);
  }
  std::vector<int> changed;
  std::vector<char> isChanged(static_cast<std::size_t>(n) + 1, 0);
  auto change = [&](int v) {
    if (!isChanged[v]) {
      isChanged[v] = 1;
      changed.push_back(v);
    }
  };

  PositionOfContour.assign(static_cast<std::size_t>(n) + 1, 0);
  ContourOfPosition.assign(static_cast<std::size_t>(n) + 1, 0);
  std::vector<int> neighbours;
  for (int k = 1; k <= n; ++k) {
    const auto [fixedVoltage, best, p] = *waiting.begin();
    waiting.erase(waiting.begin());
    PositionOfContour[p] = k;
    ContourOfPosition[k] = p;

    neighbours.clear();
    adjacent.ForEach(p, [&](int u) { neighbours.push_back(u); });
    for (const int u : neighbours) tri[u] -= adjacent.Common(u, p);
    for (const int u : neighbours) {
      adjacent.Reset(u, p);
      adjacent.Reset(p, u);
      --degree[u];
      change(u);
    }
    if (best != 0) {
      for (std::size_t x = 0; x < neighbours.size(); ++x) {
        for (std::size_t y = x + 1; y < neighbours.size(); ++y) {
          const int a = neighbours[x], b = neighbours[y];
          if (adjacent.Test(a, b)) continue;
          const int common = adjacent.Common(a, b);
          tri[a] += common;
          tri[b] += common;
          adjacent.ForEach(a, [&](int c) {
            if (adjacent.Test(b, c)) {
              ++tri[c];
              change(c);
            }
          });
          adjacent.Set(a, b);
          adjacent.Set(b, a);
          ++degree[a];
          ++degree[b];
          AppendEntry(a, b, Complex());
        }
      }
    }
    for (const int v : changed) {
      isChanged[v] = 0;
      const std::int64_t fill = fillOf(v);
      if (fill == waitingFill[v]) continue;
      waiting.erase(TWaiting(v > t, waitingFill[v], v));
      waitingFill[v] = fill;
      waiting.emplace(v > t, fill, v);
    }
    changed.clear();
  }

  // Entries by position, row < column; those of network rows first, each group in its own order.
  const int m = MatrixEntryCount;
  std::vector<std::int32_t> row(static_cast<std::size_t>(m) + 1), column(static_cast<std::size_t>(m) + 1);
  for (int e = 1; e <= m; ++e) {
    row[e] = PositionOfContour[EntryRow[e]];
    column[e] = PositionOfContour[EntryColumn[e]];
    if (row[e] > column[e]) std::swap(row[e], column[e]);
  }
  std::vector<int> order(static_cast<std::size_t>(m));
  std::iota(order.begin(), order.end(), 1);
  std::stable_partition(order.begin(), order.end(), [&](int e) { return row[e] <= t; });
  std::vector<Complex> values(static_cast<std::size_t>(m) + 1);
  for (int k = 0; k < m; ++k) {
    const int e = order[k];
    EntryRow[k + 1] = row[e];
    EntryColumn[k + 1] = column[e];
    values[k + 1] = EntryValue[e];
  }
  EntryValue.swap(values);
  NetworkEntryCount = static_cast<int>(std::count_if(EntryRow.begin() + 1, EntryRow.end(), [&](std::int32_t r) { return r <= t; }));

  // The diagonal follows its contours to their positions.
  std::vector<Complex> diagonal(static_cast<std::size_t>(n) + 1);
  for (int c = 1; c <= n; ++c) diagonal[PositionOfContour[c]] = MatrixDiagonal[c];
  MatrixDiagonal.swap(diagonal);
}

void TRegime::LinkMatrixRows() {
  const int n = TotalContourCount;
  const int m = MatrixEntryCount;
  FirstRowEntry.assign(static_cast<std::size_t>(n) + 1, 0);
  NextRowEntry.assign(static_cast<std::size_t>(m) + 1, 0);
  std::vector<int> order(static_cast<std::size_t>(m));
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    return EntryRow[x] != EntryRow[y] ? EntryRow[x] < EntryRow[y] : EntryColumn[x] < EntryColumn[y];
  });
  for (int k = m - 1; k >= 0; --k) {
    const int e = order[k];
    NextRowEntry[e] = FirstRowEntry[EntryRow[e]];
    FirstRowEntry[EntryRow[e]] = e;
  }
}

void TRegime::FactoriseRows(int firstPosition, int lastPosition, int mode) {
  for (int k = firstPosition; k <= lastPosition && !ModelError; ++k) {
    if (mode == 0) {
      const Complex d = MatrixDiagonal[k];
      if (IsZero(d) || !std::isfinite(d.real()) || !std::isfinite(d.imag())) {
        ReportError("В схеме \"" + SchemeName + "\" имеются нулевые контура", 0, true);
        return;
      }
      MatrixDiagonal[k] = 1.0 / d;
      for (std::int32_t e = FirstRowEntry[k]; e != 0; e = NextRowEntry[e]) {
        const Complex v = EntryValue[e];
        const Complex multiplier = -v / d;
        EntryValue[e] = multiplier;
        MatrixDiagonal[EntryColumn[e]] += v * multiplier;
      }
      // a(i, j) -= a(k, i)·a(k, j)/a(k, k): every pair of the row meets an entry, since the ordering
      // added each fill-in.
      for (std::int32_t e1 = FirstRowEntry[k]; e1 != 0; e1 = NextRowEntry[e1]) {
        const std::int32_t i = EntryColumn[e1];
        std::int32_t target = FirstRowEntry[i];
        for (std::int32_t e2 = NextRowEntry[e1]; e2 != 0; e2 = NextRowEntry[e2]) {
          const std::int32_t j = EntryColumn[e2];
          while (target != 0 && EntryColumn[target] < j) target = NextRowEntry[target];
          if (target == 0) break;
          if (EntryColumn[target] == j) EntryValue[target] -= EntryValue[e1] * EntryValue[e2] * d;
        }
      }
    } else {
      const std::size_t f = static_cast<std::size_t>(k);
      const Block2 p = fvPivot_[f];
      const double det = p.a * p.d - p.b * p.c;
      if (det == 0 || !std::isfinite(det)) {
        ReportError("В схеме \"" + SchemeName + "\" имеются нулевые контура", 0, true);
        return;
      }
      const Block2 inv{p.d / det, -p.b / det, -p.c / det, p.a / det};
      fvPivot_[f] = inv;
      auto mul = [](const Block2& x, const Block2& y) {
        return Block2{x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d};
      };
      auto subtract = [](Block2& x, const Block2& y) {
        x.a -= y.a;
        x.b -= y.b;
        x.c -= y.c;
        x.d -= y.d;
      };
      // A(i, j) -= A(i, k)·P⁻¹·A(k, j) over the pattern of row k, lower and upper halves apart.
      for (std::int32_t e1 = FirstRowEntry[k]; e1 != 0; e1 = NextRowEntry[e1]) {
        const std::int32_t i = EntryColumn[e1];
        const Block2 left = mul(fvLower_[e1], inv);  // A(i, k)·P⁻¹
        subtract(fvPivot_[i], mul(left, fvUpper_[e1]));
        std::int32_t target = FirstRowEntry[i];
        for (std::int32_t e2 = NextRowEntry[e1]; e2 != 0; e2 = NextRowEntry[e2]) {
          const std::int32_t j = EntryColumn[e2];
          while (target != 0 && EntryColumn[target] < j) target = NextRowEntry[target];
          if (target == 0) break;
          if (EntryColumn[target] != j) continue;
          subtract(fvUpper_[target], mul(left, fvUpper_[e2]));                 // A(i, j)
          subtract(fvLower_[target], mul(mul(fvLower_[e2], inv), fvUpper_[e1]));  // A(j, i)
        }
      }
      // Multipliers: -A(j, k)·P⁻¹ for the forward pass, -P⁻¹·A(k, j) for the backward pass.
      for (std::int32_t e = FirstRowEntry[k]; e != 0; e = NextRowEntry[e]) {
        Block2 lower = mul(fvLower_[e], inv);
        Block2 upper = mul(inv, fvUpper_[e]);
        fvLower_[e] = Block2{-lower.a, -lower.b, -lower.c, -lower.d};
        fvUpper_[e] = Block2{-upper.a, -upper.b, -upper.c, -upper.d};
      }
    }
  }
}

void TRegime::SaveFixedVoltageBlocks() {
  const int n = TotalContourCount;
  fvPivot_.assign(static_cast<std::size_t>(n) + 1, Block2{});
  fvUpper_.assign(static_cast<std::size_t>(MatrixEntryCount) + 1, Block2{});
  fvLower_.assign(static_cast<std::size_t>(MatrixEntryCount) + 1, Block2{});
  fvSavedDiagonal_ = MatrixDiagonal;
  fvSavedEntry_ = EntryValue;
}

void TRegime::SolveContours() {
  const int n = TotalContourCount;
  const int t = NetworkContourCount;
  std::vector<Complex>& x = ContourRhs;
  if (x.size() < static_cast<std::size_t>(n) + 1) x.resize(static_cast<std::size_t>(n) + 1);
  auto apply = [](const Block2& m, const Complex& v) {
    return Complex(m.a * v.real() + m.b * v.imag(), m.c * v.real() + m.d * v.imag());
  };
  for (int k = 1; k <= n; ++k) {
    const Complex xk = x[k];
    if (k <= t) {
      for (std::int32_t e = FirstRowEntry[k]; e != 0; e = NextRowEntry[e]) x[EntryColumn[e]] += EntryValue[e] * xk;
      x[k] = xk * MatrixDiagonal[k];
    } else {
      for (std::int32_t e = FirstRowEntry[k]; e != 0; e = NextRowEntry[e]) {
        x[EntryColumn[e]] += apply(fvLower_[e], xk);
      }
      x[k] = apply(fvPivot_[k], xk);
    }
  }
  for (int k = n - 1; k >= 1; --k) {
    Complex sum = x[k];
    if (k <= t) {
      for (std::int32_t e = FirstRowEntry[k]; e != 0; e = NextRowEntry[e]) sum += EntryValue[e] * x[EntryColumn[e]];
    } else {
      for (std::int32_t e = FirstRowEntry[k]; e != 0; e = NextRowEntry[e]) sum += apply(fvUpper_[e], x[EntryColumn[e]]);
    }
    x[k] = sum;
  }
}

}  // namespace ld
