#include "core/optim/ktr_model.h"

#include <cmath>
#include <filesystem>

#include "core/base/strings.h"
#include "core/engine/electric.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

constexpr double kPercent = 0.01;
constexpr double kNotConverged = 10000000.0;
constexpr std::uint8_t kMarkExcluded = 'p';

bool Energised(const TRegimeElement& e) {
  constexpr std::uint32_t openBoth = efOpenNumber | efOpenNumber2;
  return (e.Flags & efUnsupplied) == 0 && (e.Flags & openBoth) != openBoth;
}

bool ParallelMatches(int rowNl, int branchNl) { return rowNl == 0 || branchNl == 0 || rowNl == branchNl; }

}  // namespace

double LossRoundFactor(double accuracy) {
  if (!(accuracy != 0) || !std::isfinite(accuracy)) return 1000;
  for (int k = 0; k <= 15; ++k) {
    const double f = std::pow(10.0, k);
    // Digits far below the accuracy are noise of its binary form (a 0.0005 read as a 32-bit float
    // times 1000 is 0.50000002): they must not turn a half into a whole.
    const double x = std::nearbyint(accuracy * f * 1e6) / 1e6;
    if (std::nearbyint(x) != 0) return f;
  }
  return 1e15;
}

double RoundLosses(double losses, double factor) { return std::nearbyint(losses * factor) / factor; }

std::vector<int> PairKtrRows(const TKtrCols& c) {
  std::vector<int> partner(static_cast<std::size_t>(c.RowCount) + 1, 0);
  for (int r = 1; r <= c.RowCount; ++r) {
    if (c.RegOf(r) != 1) continue;
    for (int o = 1; o <= c.RowCount; ++o) {
      if (o != r && c.Num1->Get(o) == c.Num1->Get(r) && c.Num2->Get(o) == c.Num2->Get(r) &&
          c.Nl->Get(o) == c.Nl->Get(r)) {
        partner[r] = o;
        partner[o] = r;
        break;
      }
    }
  }
  return partner;
}

bool CalcRowRatio(const TKtrCols& c, int row, int partner, bool correction, double correctionKtn,
                  std::complex<double>& k) {
  const int reg = c.RegOf(row);
  double dN = c.Ntek->Get(row) - c.Nnom.Get(row);
  double delta = c.Delta->Get(row);
  double dN2 = 0, delta2 = 0;
  if (partner > 0) {
    dN2 = c.Ntek->Get(partner) - c.Nnom.Get(partner);
    delta2 = c.Delta->Get(partner);
  }
  if (c.Typ.Get(row) == 1) dN = -dN, dN2 = -dN2;
  double k0 = c.Knom->Get(row);
  int w = c.Wind.Get(row);
  if (correction) {
    if (reg != 0) {
      delta = 0, delta2 = 0;
    } else {
      if (k0 == 1) return false;
      delta = -c.Delta->Get(row) / (k0 - 1);
      delta2 = 0;
      k0 = correctionKtn;
      w = 1;
    }
  }
  const double own = kPercent * dN * delta, other = kPercent * dN2 * delta2;
  const double a = reg == 1 ? other : own;
  const double b = reg == 1 ? own : other;
  if (w == 0) {
    k = {k0 * (1 + a), k0 * b};
  } else {
    const double d = (1 + a) * (1 + a) + b * b;
    if (d == 0) return false;
    k = {k0 * (1 + a) / d, -k0 * b / d};
  }
  return true;
}

void SetElementRatio(TRegimeElement& e, std::complex<double> k, double r0, double x0, bool againstTable) {
  const double k2 = std::norm(k);
  if (!(k2 > 0) || !std::isfinite(k2)) return;
  const bool reversed = (e.Flags & efReversed) != 0;
  // The element holds the ratio from its parent's side: the inverse of the row's when it is fed from
  // the row's first node.
  e.K = reversed != againstTable ? std::conj(k) / k2 : k;
  if (reversed) {
    // R and X of the table are those of the N1 side; the element refers them to its own side.
    const double e2 = std::norm(e.K);
    e.R = r0 * e2;
    e.X = x0 * e2;
  }
}

TKtrModel::TKtrModel(TRegime& regime, TDataFile& table) : regime_(regime), table_(table) {
  FillKtrCols(table_, cols_);
  factor_ = LossRoundFactor(regime_.Accuracy);
}

bool TKtrModel::Excluded(int row) const {
  return row <= 0 || row >= static_cast<int>(excluded_.size()) || excluded_[row] != 0;
}

TRegimeElement* TKtrModel::FindBranch(std::int32_t a, std::int32_t b, int nl) const {
  for (TRegimeElement* e = regime_.FirstElement; e != nullptr; e = e->Next) {
    if (e->BranchIndex == 0) continue;
    if (((e->Number == a && e->Number2 == b) || (e->Number == b && e->Number2 == a)) && ParallelMatches(nl, e->Nl))
      return e;
  }
  return nullptr;
}

TRegimeElement* TKtrModel::FindNode(std::int32_t number) const {
  for (TRegimeElement* e = regime_.FirstElement; e != nullptr; e = e->Next) {
    if (e->Number == number && (e->Flags & efLoopClosing) == 0) return e;
  }
  return nullptr;
}

TKtrBindError TKtrModel::Bind(const TDataFile& branches, bool skipStored, bool markExcluded,
                              const TLimitHook& limits) {
  const std::size_t n = static_cast<std::size_t>(cols_.RowCount) + 1;
  partner_ = PairKtrRows(cols_);
  branch_.assign(n, nullptr), node1_.assign(n, nullptr), node2_.assign(n, nullptr), corr_.assign(n, nullptr);
  r0_.assign(n, 0), x0_.assign(n, 0), rk0_.assign(n, 0), xk0_.assign(n, 0);
  excluded_.assign(n, 1), against_.assign(n, 0);

  TBranchCols bc;
  FillBranchCols(branches, bc);
  auto baseRX = [&](const TRegimeElement& e, double& r, double& x) {
    const double tz = DistributionFactor(bc.Tz->Get(e.BranchIndex));
    r = bc.R->Get(e.BranchIndex) * tz;
    x = bc.X->Get(e.BranchIndex) * tz;
  };

  for (int row = 1; row <= cols_.RowCount; ++row) {
    const int reg = cols_.RegOf(row);
    if (skipStored && reg == -1) continue;
    if (table_.MarkRec) (*table_.MarkRec)[row] = 0;
    const std::int32_t num1 = cols_.Num1->Get(row), num2 = cols_.Num2->Get(row), nkor = cols_.Nkor->Get(row);
    const float knom = cols_.Knom->Get(row);
    if (knom == 0 || cols_.Kotv.Get(row) == 0 || cols_.Nnom.Get(row) == 0 || cols_.Ntek->Get(row) == 0 ||
        cols_.Delta->Get(row) == 0 || (nkor != 0 && reg == 0 && knom == 1)) {
      return {TKtrBindError::Params, row, 0, 0};
    }
    const int nl = cols_.Nl->Get(row);
    TRegimeElement* e = FindBranch(num1, num2, nl);
    if (e == nullptr) return {TKtrBindError::Branch, row, num1, num2};
    branch_[row] = e;
    baseRX(*e, r0_[row], x0_[row]);
    against_[row] = bc.N1->Get(e->BranchIndex) != num1 ? 1 : 0;
    excluded_[row] = reg == -1 || !Energised(*e) ? 1 : 0;
    if (excluded_[row] && markExcluded && table_.MarkRec) (*table_.MarkRec)[row] = kMarkExcluded;

    for (int which = 1; which <= 2; ++which) {
      const std::int32_t number = (which == 1 ? cols_.N1 : cols_.N2)->Get(row);
      if (number == 0) continue;
      TRegimeElement* node = FindNode(number);
      if (node == nullptr) return {TKtrBindError::Node, row, number, 0};
      (which == 1 ? node1_ : node2_)[row] = node;
      if (limits) {
        DAsingle* umin = which == 1 ? cols_.U1min : cols_.U2min;
        DAsingle* umax = which == 1 ? cols_.U1max : cols_.U2max;
        limits(row, *node, which, (*umin)[row], (*umax)[row]);
      }
    }
    if (nkor != 0 && reg == 0) {
      TRegimeElement* k = FindBranch(nkor, num1, nl);
      if (k == nullptr) return {TKtrBindError::Correction, row, nkor, num1};
      corr_[row] = k;
      baseRX(*k, rk0_[row], xk0_[row]);
    }
    ApplyRowRatio(row);
  }
  return {};
}

// The nominal ratio of the element's branch row, as the decimal the table shows.
static double NominalRatio(const TRegime& regime, const TRegimeElement& e) {
  const auto row = static_cast<std::size_t>(e.BranchIndex);
  return row < regime.BranchKtn.size() ? SingleToDouble(regime.BranchKtn[row]) : 0.0;
}

void TKtrModel::ApplyRowRatio(int row) {
  TRegimeElement* e = at(branch_, row);
  if (e == nullptr) return;
  std::complex<double> k;
  if (CalcRowRatio(cols_, row, Partner(row), false, 0, k)) {
    SetElementRatio(*e, k, r0_[row], x0_[row], against_[row] != 0);
    (*cols_.Kta)[row] = static_cast<float>(k.real());
    (*cols_.Ktr)[row] = static_cast<float>(k.imag());
  }
  TRegimeElement* c = at(corr_, row);
  // The correction ratio rides on the nominal ratio of the correction branch's own row, so it is that
  // row's ratio whichever end the row starts from.
  if (c != nullptr && CalcRowRatio(cols_, row, Partner(row), true, NominalRatio(regime_, *c), k)) {
    SetElementRatio(*c, k, rk0_[row], xk0_[row], false);
    (*cols_.Kna)[row] = static_cast<float>(k.real());
    (*cols_.Knr)[row] = static_cast<float>(k.imag());
  }
}

void TKtrModel::RerunRegime() {
  regime_.FreeMatrices();
  regime_.FormMatrices();
  regime_.ModelError = false;
  regime_.Converged = false;
  regime_.VoltagesSet = false;
  regime_.RunIterations();
}

double TKtrModel::TapFunctional(int first, int last, double Ku, double Kdp, double dP) const {
  double pen[2] = {0, 0};
  for (int row = std::max(first, 1); row <= std::min(last, cols_.RowCount); ++row) {
    for (int which = 1; which <= 2; ++which) {
      const TRegimeElement* node = NodeElement(row, which);
      if (node == nullptr) continue;
      const double u = std::abs(node->U);
      const double umin = (which == 1 ? cols_.U1min : cols_.U2min)->Get(row);
      const double umax = (which == 1 ? cols_.U1max : cols_.U2max)->Get(row);
      if (u < umin) pen[which - 1] += umin - u;
      else if (u > umax) pen[which - 1] += u - umax;
    }
  }
  double f = std::abs(pen[0] + pen[1]) * Ku + dP * Kdp;
  if (!regime_.Converged) f *= kNotConverged;
  return f;
}

void TKtrModel::ClearMarks() {
  if (!table_.MarkRec) return;
  for (int row = 1; row <= cols_.RowCount; ++row) {
    if (!Excluded(row)) (*table_.MarkRec)[row] = 0;
  }
}

// ---- Coordinate descent

namespace {

// Moves every movable row of the group by one tap (up or down); returns the rows moved.
std::vector<int> StepGroup(TKtrModel& m, int first, int last, int dir) {
  const TKtrCols& c = m.Cols();
  std::vector<int> moved;
  for (int row = first; row <= last; ++row) {
    if (m.Excluded(row)) continue;
    const float n = c.Ntek->Get(row);
    if (dir > 0 ? n < c.Kotv.Get(row) : n > 1) {
      (*c.Ntek)[row] = n + static_cast<float>(dir);
      m.ApplyRowRatio(row);
      moved.push_back(row);
    }
  }
  return moved;
}

}  // namespace

TSearchResult CoordinateDescent(TKtrModel& m, int limit, double Ku, double Kdp, double dP, const TSearchHooks& hooks) {
  const TKtrCols& c = m.Cols();
  TSearchResult result;
  const auto limit16 = static_cast<std::uint16_t>(limit);
  std::uint16_t passes = 0;
  bool changedPass = false;
  do {
    ++passes;
    changedPass = false;
    if (hooks.OnPass) hooks.OnPass(passes);
    for (int first = 1; first <= c.RowCount && !result.Stopped;) {
      int last = first;
      while (last < c.RowCount && c.Nl->Get(last) != 0 && c.Nl->Get(last + 1) == c.Nl->Get(last) + 1) ++last;
      bool active = false;
      for (int row = first; row <= last; ++row) active = active || !m.Excluded(row);
      if (active) {
        double f0 = m.TapFunctional(first, last, Ku, Kdp, dP);
        bool up = false;
        for (int dir : {1, -1}) {
          if (dir < 0 && up) break;
          for (;;) {
            const std::vector<int> moved = StepGroup(m, first, last, dir);
            if (moved.empty()) break;
            m.RerunRegime();
            dP = m.RoundedLosses();
            const double f1 = m.TapFunctional(first, last, Ku, Kdp, dP);
            if (f1 >= f0) {
              for (int row : moved) {
                (*c.Ntek)[row] = c.Ntek->Get(row) - static_cast<float>(dir);
                m.ApplyRowRatio(row);
              }
              break;
            }
            f0 = f1;
            up = up || dir > 0;
            changedPass = true;
            if (hooks.OnAccepted) hooks.OnAccepted(first, last);
          }
        }
        m.RerunRegime();
        dP = m.RoundedLosses();
        if (hooks.OnGroup) hooks.OnGroup(last, dP);
        if (hooks.StopRequested && hooks.StopRequested()) result.Stopped = true;
      }
      first = last + 1;
    }
    result.Changed = result.Changed || changedPass;
  } while (!result.Stopped && changedPass && passes != limit16);
  result.Passes = passes;
  result.dP = dP;
  return result;
}

// ---- Gradient

namespace {

// The engine's accuracy for the trial runs, put back however the step ends.
class AccuracyScope {
public:
  AccuracyScope(TRegime& regime, double accuracy) : regime_(regime), saved_(regime.Accuracy) {
    regime.Accuracy = accuracy;
  }
  ~AccuracyScope() { regime_.Accuracy = saved_; }
  AccuracyScope(const AccuracyScope&) = delete;
  AccuracyScope& operator=(const AccuracyScope&) = delete;

private:
  TRegime& regime_;
  double saved_;
};

}  // namespace

bool GradientStep(TKtrModel& m, double Dn, double Du, double Ku, double Kdp, double dP, double& G) {
  const TKtrCols& c = m.Cols();
  const int n = c.RowCount;
  const double p0 = m.TapFunctional(1, n, 1, 0, 0);
  m.ClearMarks();
  AccuracyScope accuracy(m.Regime(), 0.000001);

  std::vector<double> g(static_cast<std::size_t>(n) + 1, 0);
  G = 0;
  for (int row = 1; row <= n; ++row) {
    if (m.Excluded(row)) continue;
    const double delta = c.Delta->Get(row);
    const double h = Du / delta;
    const float saved = c.Ntek->Get(row);
    (*c.Ntek)[row] = static_cast<float>(saved + h);
    m.ApplyRowRatio(row);
    m.RerunRegime();
    const double l1 = m.Regime().TotalLosses();
    const double p1 = m.TapFunctional(1, n, 1, 0, 0);
    double gr = (l1 - dP) * Kdp / h + (p1 - p0) * Ku / h;
    (*c.Ntek)[row] = saved;
    m.ApplyRowRatio(row);
    if (!std::isfinite(gr)) gr = 0;
    const double tap = c.Ntek->Get(row);
    if ((tap >= c.Kotv.Get(row) && gr < 0) || (tap <= 1 && gr > 0)) gr = 0;
    g[row] = gr;
    G = std::max(G, std::abs(gr));
  }
  if (G == 0) return false;
  bool moved = false;
  for (int row = 1; row <= n; ++row) {
    if (m.Excluded(row) || g[row] == 0) continue;
    double tap = c.Ntek->Get(row) - Dn * (g[row] > 0 ? 1 : -1);
    tap = std::max(1.0, std::min<double>(tap, c.Kotv.Get(row)));
    (*c.Ntek)[row] = static_cast<float>(tap);
    m.ApplyRowRatio(row);
    moved = true;
  }
  return moved;
}

TSearchResult GradientSearch(TKtrModel& m, int limit, double Ku, double Kdp, double Du, double Dn, double dP,
                             const TSearchHooks& hooks) {
  const TKtrCols& c = m.Cols();
  const int n = c.RowCount;
  TSearchResult result;
  std::vector<double> history(1, 0);  // item k: the largest gradient before iteration k
  double G = 0;
  int count = 0;
  bool stop = false;
  for (;;) {
    ++count;
    history.push_back(G);
    if (hooks.OnPass) hooks.OnPass(count);
    double g = 0;
    const bool moved = GradientStep(m, Dn, Du, Ku, Kdp, dP, g);
    G = std::nearbyint(g * 1e6) / 1e6;
    m.RerunRegime();
    dP = m.Regime().TotalLosses();
    result.Changed = result.Changed || moved;
    if (hooks.OnGroup) hooks.OnGroup(n, dP);
    if (hooks.OnAccepted && n > 0) hooks.OnAccepted(1, n);
    // The same largest gradient as two or more iterations back: the search runs in a circle.
    for (int k = 1; k < count; ++k) stop = stop || history[k] == G;
    if (hooks.StopRequested && hooks.StopRequested()) stop = true;
    if (stop || count == limit || !moved || !m.Regime().Converged) break;
  }
  for (int row = 1; row <= n; ++row) {
    if (m.Excluded(row)) continue;
    const double grid = std::nearbyint((c.Ntek->Get(row) + 0.0001) * 10000) / 10000;
    double tap = std::nearbyint(grid);
    tap = std::max(1.0, std::min<double>(tap, c.Kotv.Get(row)));
    (*c.Ntek)[row] = static_cast<float>(tap);
    m.ApplyRowRatio(row);
  }
  m.RerunRegime();
  dP = m.Regime().TotalLosses();
  if (hooks.OnGroup) hooks.OnGroup(n, dP);
  if (hooks.OnAccepted && n > 0) hooks.OnAccepted(1, n);
  result.Passes = count;
  result.Stopped = stop;
  result.dP = dP;
  return result;
}

// ---- Write-back

namespace {

// The first branch row of a-b in either orientation with a matching parallel number; reversed when it
// is stored as b-a.
int FindBranchRow(const TBranchCols& b, std::int32_t n1, std::int32_t n2, int nl, bool& reversed) {
  for (int r = 1; r <= b.RowCount; ++r) {
    if (!ParallelMatches(nl, b.Nl->Get(r))) continue;
    if (b.N1->Get(r) == n1 && b.N2->Get(r) == n2) return reversed = false, r;
    if (b.N1->Get(r) == n2 && b.N2->Get(r) == n1) return reversed = true, r;
  }
  return 0;
}

void PutRatio(const TBranchCols& b, int r, bool reversed, std::complex<double> k) {
  if (reversed) {
    const double k2 = std::norm(k);
    if (!(k2 > 0)) return;
    k = std::conj(k) / k2;
  }
  (*b.Kta)[r] = static_cast<float>(k.real());
  (*b.Ktr)[r] = static_cast<float>(k.imag());
}

}  // namespace

void WriteKtrWithBranches(TDataFile& table, TDataFile& branches, const std::string& schemeStem,
                          const TKtrModel* model) {
  PutKtrToBranches(table, branches, model);
  WriteTableSet({{schemeStem + GetMaketExtention(LayoutBranches), &branches}, {KtrTableFileName(schemeStem), &table}});
}

void PutKtrToBranches(TDataFile& table, TDataFile& branches, const TKtrModel* model) {
  TKtrCols c;
  FillKtrCols(table, c);
  const std::vector<int> partner = PairKtrRows(c);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int row = 1; row <= c.RowCount; ++row) {
    const int reg = c.RegOf(row);
    if (model != nullptr ? model->Excluded(row) : reg == -1) continue;
    const int nl = c.Nl->Get(row);
    std::complex<double> k;
    bool reversed = false;
    const int r = FindBranchRow(b, c.Num1->Get(row), c.Num2->Get(row), nl, reversed);
    if (r != 0 && CalcRowRatio(c, row, partner[row], false, 0, k)) {
      PutRatio(b, r, reversed, k);
      const int tap = static_cast<int>(std::nearbyint(c.Ntek->Get(row)));
      if (reg == 0) b.Notv[r] = tap;
      if (reg == 1) b.Ntpr[r] = tap;
    }
    const std::int32_t nkor = c.Nkor->Get(row);
    if (nkor == 0 || reg != 0) continue;
    const int rk = FindBranchRow(b, c.Num1->Get(row), nkor, nl, reversed);
    if (rk == 0) continue;
    const double ktn = b.Ktn->Get(rk);
    if (CalcRowRatio(c, row, partner[row], true, ktn, k)) PutRatio(b, rk, false, k);  // in its row's own direction
  }
}

}  // namespace ld
