#include "core/regime/period_energy.h"

#include <cmath>
#include <numbers>

#include "core/engine/electric.h"
#include "core/engine/fixflow.h"

namespace ld {
namespace {

constexpr double kNoMinimum = 9999999.0;
constexpr std::uint32_t kEndBits = efFlowOwnEnd | efFlowParentEnd;
constexpr std::uint32_t kTopBits = 0xF0000000;
const double kSqrt3 = std::numbers::sqrt3;

void Follow(double value, double& minimum, double& maximum) {
  if (minimum == 0) minimum = kNoMinimum;
  if (value < minimum) minimum = value;
  if (value > maximum) maximum = value;
}

// Ownership letters whose losses are counted apart: subscribers' and other companies' networks.
bool CountedApart(char32_t a) { return a == U'А' || a == U'С'; }

template <class T>
T At(const std::vector<T>& v, std::int32_t row) {
  return row > 0 && static_cast<std::size_t>(row) < v.size() ? v[static_cast<std::size_t>(row)] : T{};
}

}  // namespace

// The energies of a node that go into the rows of every branch above it, and the losses of its branch:
// a row's dWP1, dWP2 are the load and no-load losses of its branch and of every branch below it, so that
// the row of a meter holds the losses of the network the meter feeds.
struct TPeriodEnergy::Own {
  enum {
    WPm, WQm, WPp, WQp, WPsn, WQsn, WPn, WQn, WPg, WQg, WPpr, WQpr, WPbt, WQbt, dWPa, dWQa,
    dWP1, dWQ1, dWP2, dWQ2, dWP1a, dWQ1a, dWP2a, dWQ2a, Count
  };
  std::array<double, Count> v{};
  Own& operator+=(const Own& o) {
    for (int i = 0; i < Count; ++i) v[i] += o.v[i];
    return *this;
  }
};

void TPeriodEnergy::Init(std::vector<TEnergyGivenNode> nodes, std::vector<TEnergyGivenBranch> branches,
                         std::vector<double> workingHours, bool lossPlus) {
  givenNodes_ = std::move(nodes);
  givenBranches_ = std::move(branches);
  workingHours_ = std::move(workingHours);
  lossPlus_ = lossPlus;
  nodes_.assign(std::max<std::size_t>(givenNodes_.size(), 1), TNodeEnergyRow{});
  branches_.assign(std::max<std::size_t>(givenBranches_.size(), 1), TBranchEnergyRow{});
  schemeBranchRows_ = static_cast<int>(branches_.size()) - 1;
  sums_ = TPeriodSums{};
}

void TPeriodEnergy::AddSupplyRows(const TRegime& regime) {
  if (regime.Root == nullptr) return;
  for (const TRegimeElement* e = regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if (e->Parent != regime.Root || (e->Flags & (efSource | efUnsupplied)) != efSource || e->BranchIndex > 0)
      continue;
    if (BranchRowOf(*e) != 0) continue;
    TBranchEnergyRow& row = branches_.emplace_back();
    row.N1 = e->Number;
    row.N2 = e->Number2;
    row.Name1 = e->Name;
  }
}

int TPeriodEnergy::BranchRowOf(const TRegimeElement& e) const {
  if (e.BranchIndex > 0) return e.BranchIndex <= schemeBranchRows_ ? e.BranchIndex : 0;
  for (std::size_t r = static_cast<std::size_t>(schemeBranchRows_) + 1; r < branches_.size(); ++r)
    if (branches_[r].N1 == e.Number && branches_[r].N2 == e.Number2) return static_cast<int>(r);
  return 0;
}

double TPeriodEnergy::Ul(const TRegimeElement& e) const {
  auto level = [](const TRegimeElement& x) { return x.Unom > 0 ? static_cast<double>(x.Unom) : std::abs(x.U); };
  const double own = NearestNominalVoltage(level(e));
  if (e.Parent == nullptr || e.Parent->Parent == nullptr) return own;
  const double parent = NearestNominalVoltage(level(*e.Parent));
  return own < parent ? parent : own;
}

void TPeriodEnergy::NodePart(TRegimeElement& e, double h, const Complex& u, const Complex& injection, bool source,
                             Own& own) {
  const double k = h * 1000;
  const std::int32_t nodeRow = e.NodeIndex;
  if (static_cast<std::size_t>(nodeRow) >= nodes_.size()) nodes_.resize(static_cast<std::size_t>(nodeRow) + 1);
  TNodeEnergyRow& row = nodes_[static_cast<std::size_t>(nodeRow)];
  const TEnergyGivenNode given = At(givenNodes_, nodeRow);
  row.NS = e.Number;
  if (!e.Name.empty()) row.Name = e.Name;
  row.Unom = e.Unom;

  const double pn = e.Load1.real(), qn = -e.Load1.imag(), pg = -e.Load2.real(), qg = e.Load2.imag();
  row.WPn += pn * k;
  row.WQn += qn * k;
  row.WPg += pg * k;
  row.WQg += qg * k;
  const double um = std::abs(u);
  Follow(um, row.Umin, row.Umax);
  sums_.ConsumptionP += pn * k;
  sums_.ConsumptionQ += qn * k;
  sums_.GenerationP -= pg * k;
  sums_.GenerationQ -= qg * k;

  if (source) {
    const double p = injection.real() * k, q = injection.imag() * k;
    (p <= 0 ? row.WPn : row.WPg) += std::fabs(p);
    (q <= 0 ? row.WQn : row.WQg) += std::fabs(q);
    sums_.SupplyP -= p;
    sums_.SupplyQ1 -= q;
  }
  if (given.Gs != 0 || given.Bs != 0) {
    const double ps = um * um * given.Gs * h * 0.001, qs = um * um * given.Bs * h * 0.001;
    row.WPs += ps;
    row.WQs += qs;
    sums_.NodeNoLoadP += ps;
    sums_.NodeNoLoadQ += qs;
  }

  if (given.Sign == U'+' || given.Sign == U'-') {
    own.v[Own::WPm] += pn * k;
    own.v[Own::WQm] += qn * k;
    own.v[Own::WPp] += pg * k;
    own.v[Own::WQp] += qg * k;
  } else {
    if (given.Sign == U'С') {
      own.v[Own::WPsn] += pn * k;
      own.v[Own::WQsn] += qn * k;
    } else {
      own.v[Own::WPn] += pn * k;
      own.v[Own::WQn] += qn * k;
    }
    own.v[Own::WPg] += pg * k;
    own.v[Own::WQg] += qg * k;
  }
  if ((e.Flags & efEnergyLoads) != 0) {
    if (given.WPn != 0) {
      own.v[Own::WPpr] += given.WPpr * pn * k / given.WPn;
      own.v[Own::WPbt] += given.WPbt * pn * k / given.WPn;
    }
    if (given.WQn != 0) {
      own.v[Own::WQpr] += given.WQpr * qn * k / given.WQn;
      own.v[Own::WQbt] += given.WQbt * qn * k / given.WQn;
    }
  }
  if (const double t = At(workingHours_, nodeRow); t > 0) {
    own.v[Own::dWPa] += given.dWPa * h / t;
    own.v[Own::dWQa] += given.dWQa * h / t;
  }
}

void TPeriodEnergy::BranchFlowColumns(TBranchEnergyRow& row, bool reversed, double pBegin, double qBegin,
                                      double pEnd, double qEnd, double h) {
  const double k = h * 1000;
  // A flow towards the element's own node is "from N1" for a branch drawn from its parent.
  auto put = [&](double value, double& towardsN1, double& fromN1) {
    const bool first = reversed ? value > 0 : value <= 0;
    (first ? towardsN1 : fromN1) += std::fabs(value) * k;
  };
  put(pBegin, row.WPnr, row.WPnl);
  put(qBegin, row.WQnr, row.WQnl);
  put(pEnd, row.WPkr, row.WPkl);
  put(qEnd, row.WQkr, row.WQkl);
}

void TPeriodEnergy::Limits(TBranchEnergyRow& row, double current, double power) {
  Follow(current, row.Imin, row.Imax);
  Follow(power, row.Smin, row.Smax);
}

void TPeriodEnergy::LossColumns(TBranchEnergyRow& row, char32_t /*a*/, double dP, double dQ, double dPsh,
                                double dQsh, double h) {
  const double k = h * 1000;
  row.dWPz += dP * k;
  row.dWQz += dQ * k;
  row.dWPy += dPsh * k;
  row.dWQy += dQsh * k;
  sums_.LoadLossP += dP * k;
  sums_.LoadLossQ += dQ * k;
  sums_.BranchNoLoadP += dPsh * k;
  sums_.BranchNoLoadQ += dQsh * k;
}

void TPeriodEnergy::ActiveReactive(TBranchEnergyRow& row, const TRegimeElement& e, double active, double reactive,
                                   double ul) {
  row.dWPp += active;
  row.dWPq += reactive;
  sums_.ActiveFlowLossP += active;
  sums_.ReactiveFlowLossP += reactive;
  const char32_t a = At(givenBranches_, e.BranchIndex).A;
  const int index = (a == U'А' ? 4 : 0) + ((e.Flags & efHasRatio) != 0 ? 2 : 0) +
                    (std::lround(ul * 10) == 4 ? 1 : 0);
  sums_.ReactiveByClass[static_cast<std::size_t>(index)] += reactive;
}

void TPeriodEnergy::RatingsAndLosses(TBranchEnergyRow& row, const TRegimeElement& e, double dP, double dQ,
                                     double dPsh, double dQsh, double h, Own& own) {
  const double k = h * 1000;
  row.Idop = e.SIdop * 1000 / kSqrt3;
  row.Sdop = e.Sdop;
  LossColumns(row, 0, dP, dQ, dPsh, dQsh, h);
  own.v[Own::dWP1] += dP * k;
  own.v[Own::dWQ1] += dQ * k;
  own.v[Own::dWP2] += dPsh * k;
  own.v[Own::dWQ2] += dQsh * k;
  if (CountedApart(At(givenBranches_, e.BranchIndex).A)) {
    own.v[Own::dWP1a] += dP * k;
    own.v[Own::dWQ1a] += dQ * k;
    own.v[Own::dWP2a] += dPsh * k;
    own.v[Own::dWQ2a] += dQsh * k;
  }
}

void TPeriodEnergy::RollUp(TRegime& regime, std::vector<Own>& sub) {
  // sub holds each element's own energies and, as the list runs children first, its subtree's.
  const TElementPool& pool = regime.Elements();
  for (TRegimeElement* e = regime.FirstElement; e != nullptr && e->Parent != nullptr; e = e->Next) {
    const Own& s = sub[pool.IndexOf(e)];
    if (const int r = BranchRowOf(*e); r > 0) {
      TBranchEnergyRow& row = branches_[static_cast<std::size_t>(r)];
      row.WPm += s.v[Own::WPm], row.WQm += s.v[Own::WQm], row.WPp += s.v[Own::WPp], row.WQp += s.v[Own::WQp];
      row.WPsn += s.v[Own::WPsn], row.WQsn += s.v[Own::WQsn], row.WPn += s.v[Own::WPn], row.WQn += s.v[Own::WQn];
      row.WPg += s.v[Own::WPg], row.WQg += s.v[Own::WQg], row.WPpr += s.v[Own::WPpr], row.WQpr += s.v[Own::WQpr];
      row.WPbt += s.v[Own::WPbt], row.WQbt += s.v[Own::WQbt], row.dWPa += s.v[Own::dWPa], row.dWQa += s.v[Own::dWQa];
      row.dWP1 += s.v[Own::dWP1], row.dWQ1 += s.v[Own::dWQ1], row.dWP2 += s.v[Own::dWP2];
      row.dWQ2 += s.v[Own::dWQ2];
      row.dWP1a += s.v[Own::dWP1a], row.dWQ1a += s.v[Own::dWQ1a], row.dWP2a += s.v[Own::dWP2a];
      row.dWQ2a += s.v[Own::dWQ2a];
    }
    sub[pool.IndexOf(e->Parent)] += s;
  }
}

void TPeriodEnergy::AccumulateSliceEnergy(TRegime& regime, double h) {
  const double k = h * 1000;
  const TElementPool& pool = regime.Elements();
  std::vector<Own> sub(pool.Count());
  for (TRegimeElement* e = regime.FirstElement; e != nullptr && e->Parent != nullptr; e = e->Next) {
    Own& own = sub[pool.IndexOf(e)];
    const bool source = (e->Flags & efSource) != 0 && e->Parent == regime.Root;
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex > 0)
      NodePart(*e, h, e->U, e->U * std::conj(e->I), source, own);

    const int r = BranchRowOf(*e);
    if (r <= 0) continue;
    TBranchEnergyRow& row = branches_[static_cast<std::size_t>(r)];
    const bool reversed = (e->Flags & efReversed) != 0;
    (reversed ? row.Name2 : row.Name1) = e->Name;
    if (e->Parent != regime.Root) (reversed ? row.Name1 : row.Name2) = e->Parent->Name;
    const double ul = Ul(*e);
    row.Ul = ul;

    const std::uint32_t kept = e->Flags & kTopBits;
    Complex uOwn, iOwn, uParent, iParent;
    double pOwn, qOwn, pParent, qParent;
    e->Flags = (e->Flags & ~kTopBits) | efFlowOwnEnd;
    FixFlowBranchFlows(e, uOwn, pOwn, qOwn, iOwn);
    e->Flags = (e->Flags & ~kTopBits) | efFlowParentEnd;
    FixFlowBranchFlows(e, uParent, pParent, qParent, iParent);
    double dP, dQ, dPsh, dQsh;
    FixFlowBranchLosses(e, dP, dQ, dPsh, dQsh);
    e->Flags = (e->Flags & ~kTopBits) | kept;

    // The table's N1 is the element's own node unless the element is drawn from its end.
    if (reversed)
      BranchFlowColumns(row, true, pParent, qParent, pOwn, qOwn, h);
    else
      BranchFlowColumns(row, false, pOwn, qOwn, pParent, qParent, h);
    Limits(row, std::max(std::abs(iOwn), std::abs(iParent)) * 1000 / kSqrt3,
           std::max(std::hypot(pOwn, qOwn), std::hypot(pParent, qParent)) * 1000);
    RatingsAndLosses(row, *e, dP, dQ, dPsh, dQsh, h, own);
    const Complex um = (e->U + e->K * e->Parent->U) / 2.0;
    if (um != Complex(0, 0)) {
      const Complex s = um * std::conj(e->I);
      const double m2 = std::norm(um);
      ActiveReactive(row, *e, s.real() * s.real() * e->R * k / m2, s.imag() * s.imag() * e->R * k / m2, ul);
    }
  }
  RollUp(regime, sub);
  // A fixed-voltage node supplies its reactive power through the fictitious branch that closes its
  // contour; that power belongs to the supply of the scheme.
  for (const TRegimeElement* e : regime.ContourEntry1) {
    if (e == nullptr || (e->Flags & (efFixedVoltage | efLoopClosing)) != (efFixedVoltage | efLoopClosing)) continue;
    sums_.SupplyQ2 -= (e->U * std::conj(e->I)).imag() * k;
  }
}

void TPeriodEnergy::SetBranchImpedance(int row, double r, double x) {
  if (row <= 0 || static_cast<std::size_t>(row) >= givenBranches_.size()) return;
  givenBranches_[static_cast<std::size_t>(row)].R = r;
  givenBranches_[static_cast<std::size_t>(row)].X = x;
}

void TPeriodEnergy::AccumulateSliceEnergyAtUnom(TRegime& regime, double h) {
  const double k = h * 1000;
  const TElementPool& pool = regime.Elements();
  std::vector<Own> sub(pool.Count());
  for (TRegimeElement* e = regime.FirstElement; e != nullptr && e->Parent != nullptr; e = e->Next) {
    Own& own = sub[pool.IndexOf(e)];
    const TEnergyGivenNode given = (e->Flags & efLoopClosing) == 0 ? At(givenNodes_, e->NodeIndex) : TEnergyGivenNode{};
    const double u2 = std::norm(e->U);
    // Own net power (P, Q) of the node and, with LossPlus, its shunt, in MW and Mvar.
    Complex own_power(e->Load.real(), -e->Load.imag());
    if (lossPlus_) own_power += Complex(u2 * given.Gs * 1e-6, u2 * given.Bs * 1e-6);
    const Complex f = e->IDelta + own_power;

    const bool source = (e->Flags & (efSource | efUnsupplied)) == efSource && e->Parent == regime.Root;
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex > 0) NodePart(*e, h, e->U, f, source, own);

    const int r = BranchRowOf(*e);
    Complex fParent = f;
    if (r > 0) {
      TBranchEnergyRow& row = branches_[static_cast<std::size_t>(r)];
      const bool reversed = (e->Flags & efReversed) != 0;
      (reversed ? row.Name2 : row.Name1) = e->Name;
      if (e->Parent != regime.Root) (reversed ? row.Name1 : row.Name2) = e->Parent->Name;
      const double ul = Ul(*e);
      row.Ul = ul;
      const TEnergyGivenBranch given = At(givenBranches_, e->BranchIndex);
      const double kz = DistributionFactor(given.Tz);
      const double p = f.real(), q = f.imag(), s2 = p * p + q * q;
      double dP = 0, dQ = 0, active = 0, reactive = 0;
      if (ul > 0) {
        dP = s2 * given.R * kz / (ul * ul);
        dQ = s2 * given.X * kz / (ul * ul);
        active = p * p * given.R * kz / (ul * ul);
        reactive = q * q * given.R * kz / (ul * ul);
      }
      const double dPsh = ul * ul * e->G * 1e-6, dQsh = ul * ul * e->B * 1e-6;
      if (lossPlus_) fParent += Complex(dP + dPsh, dQ + dQsh);
      if (reversed)
        BranchFlowColumns(row, true, fParent.real(), fParent.imag(), p, q, h);
      else
        BranchFlowColumns(row, false, p, q, fParent.real(), fParent.imag(), h);
      const double sMod = std::sqrt(s2);
      Limits(row, ul > 0 ? sMod * 1000 / (kSqrt3 * ul) : 0, sMod * 1000);
      RatingsAndLosses(row, *e, dP, dQ, dPsh, dQsh, h, own);
      ActiveReactive(row, *e, active * k, reactive * k, ul);
    }
    e->Parent->IDelta += fParent;
  }
  RollUp(regime, sub);
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next)
    if (e != regime.Root) e->IDelta = Complex();
}

}  // namespace ld
