// Finding the two-transformer stations of a scheme and switching their branches in the model.
#include "core/optim/t2_stations.h"

#include <algorithm>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/numfmt.h"

namespace ld {

namespace {

constexpr unsigned char kLetterO = 206;       // "О"
constexpr unsigned char kLetterLowerO = 238;  // "о"

bool IsOff(const TBranchCols& b, int row) {
  const auto c = static_cast<unsigned char>(b.Commut->Get(row));
  return c == kLetterO || c == kLetterLowerO;
}

bool IsTransformer(const TBranchCols& b, int row) { return b.Kta->Get(row) != 0; }

bool IsSection(const TBranchCols& b, int row) {
  return b.R->Get(row) == 0 && b.X->Get(row) == 0 && b.Kta->Get(row) == 0;
}

// Rows by node, sorted, to find the branches at a node.
using NodeRows = std::vector<std::pair<std::int32_t, std::int32_t>>;

NodeRows SortedBy(const DALongint& nodes, int rowCount) {
  NodeRows v;
  v.reserve(static_cast<std::size_t>(rowCount));
  for (int r = 1; r <= rowCount; ++r) v.emplace_back(nodes.Get(r), r);
  std::sort(v.begin(), v.end());
  return v;
}

template <typename F>
void ForRowsAt(const NodeRows& v, std::int32_t node, F f) {
  auto it = std::lower_bound(v.begin(), v.end(), std::make_pair(node, std::int32_t{0}));
  for (; it != v.end() && it->first == node; ++it) f(it->second);
}

}  // namespace

void FillT2Cols(const TDataFile& t, TT2Cols& c) {
  c.RowCount = t.RowCount;
  c.I1 = GetColumnAs<DALongint>("I1", t);
  c.I2 = GetColumnAs<DALongint>("I2", t);
  c.Iv = GetColumnAs<DALongint>("Iv", t);
  c.ST = GetColumnAs<DALongint>("ST", t);
  c.STo = GetColumnAs<DALongint>("STo", t);
  c.Un = GetColumnAs<DAsingle>("Un", t);
  c.Subst = GetColumnAs<DAString>("Subst", t);
  c.Mark1 = GetColumnAs<DAString>("Mark1", t);
  c.Mark2 = GetColumnAs<DAString>("Mark2", t);
  c.NT1 = GetColumnAs<DAString>("NT1", t);
  c.NT2 = GetColumnAs<DAString>("NT2", t);
  c.Sp1 = GetColumnAs<DAsingle>("Sp1", t);
  c.Sp2 = GetColumnAs<DAsingle>("Sp2", t);
  c.HH1 = GetColumnAs<DAsingle>("HH1", t);
  c.HH2 = GetColumnAs<DAsingle>("HH2", t);
  c.KZ1 = GetColumnAs<DAsingle>("KZ1", t);
  c.KZ2 = GetColumnAs<DAsingle>("KZ2", t);
  c.dPr = GetColumnAs<DAsingle>("dPr", t);
}

std::vector<TT2Station> FindT2Stations(const TDataFile& branches, TDataFile& modelBranches) {
  TBranchCols b;
  FillBranchCols(branches, b);
  TBranchCols m;
  FillBranchCols(modelBranches, m);
  const int n = b.RowCount;
  const NodeRows byN1 = SortedBy(*b.N1, n);
  const NodeRows byN2 = SortedBy(*b.N2, n);
  std::vector<char> marked(static_cast<std::size_t>(n) + 1, 0);

  // Transformers in parallel on one bus are no station's pair.
  for (int k = 1; k <= n; ++k) {
    if (!IsTransformer(b, k) || marked[k]) continue;
    ForRowsAt(byN2, b.N2->Get(k), [&](int t) {
      if (t != k && IsTransformer(b, t) && !marked[t]) marked[k] = marked[t] = 1;
    });
  }

  std::vector<TT2Station> found;
  for (int k = 1; k <= n; ++k) {
    if (!IsTransformer(b, k) || marked[k]) continue;
    const std::int32_t bus = b.N2->Get(k);
    std::vector<std::pair<int, std::int32_t>> candidates;  // section row, far node
    ForRowsAt(byN2, bus, [&](int r) {
      if (r != k && IsSection(b, r)) candidates.emplace_back(r, b.N1->Get(r));
    });
    ForRowsAt(byN1, bus, [&](int r) {
      if (r != k && IsSection(b, r)) candidates.emplace_back(r, b.N2->Get(r));
    });
    for (const auto& [sv, far] : candidates) {
      if (marked[k]) break;
      ForRowsAt(byN2, far, [&](int t) {
        if (marked[k] || t == k || !IsTransformer(b, t) || marked[t]) return;
        const bool o1 = IsOff(b, k), o2 = IsOff(b, t), ov = IsOff(b, sv);
        int state = 0, letterRow = 0;
        if (o1 && !o2 && !ov) state = 1, letterRow = k;
        if (!o1 && o2 && !ov) state = 2, letterRow = t;
        if (!o1 && !o2 && ov) state = 3, letterRow = sv;
        if (state == 0) return;
        (*m.Commut)[letterRow] = 0;
        marked[k] = marked[t] = 1;
        found.push_back({k, t, sv, state});
      });
    }
  }
  return found;
}

void SwitchElementOff(TRegimeElement& e, const TBranchCols& b) {
  if (e.Flags & efStationOff) return;
  const int row = e.BranchIndex;
  TRegimeElement* holder = (e.Flags & efReversed) && e.Parent != nullptr ? e.Parent : &e;
  holder->Gs -= b.G->Get(row);
  holder->Bs -= b.B->Get(row);
  e.R = e.X = 1e10;
  e.Flags |= efStationOff;
}

void SwitchElementOn(TRegimeElement& e, const TBranchCols& b) {
  if ((e.Flags & efStationOff) == 0) return;
  const int row = e.BranchIndex;
  double r = b.R->Get(row), x = b.X->Get(row);
  if (e.Flags & efReversed) {
    const double k2 = double(b.Kta->Get(row)) * b.Kta->Get(row) + double(b.Ktr->Get(row)) * b.Ktr->Get(row);
    if (k2 != 0) r /= k2, x /= k2;
  }
  e.R = r;
  e.X = x;
  TRegimeElement* holder = (e.Flags & efReversed) && e.Parent != nullptr ? e.Parent : &e;
  holder->Gs += b.G->Get(row);
  holder->Bs += b.B->Get(row);
  e.Flags &= ~efStationOff;
}

void LossRounding(double accuracy, int& digits, double& factor) {
  digits = 3;
  if (accuracy > 0 && std::isfinite(accuracy)) {
    digits = 0;
    double a = accuracy;
    while (Round(a) == 0 && digits < 15) {
      a *= 10;
      ++digits;
    }
  }
  factor = std::pow(10.0, digits);
}

}  // namespace ld
