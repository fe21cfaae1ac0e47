// Load balancing: registration of the measured flows, the branch flows at a measured end, and the
// sensitivities of the measured quantities to the adjustable loads.
#include <cmath>
#include <unordered_map>

#include "core/base/settings.h"
#include "core/engine/fixflow_state.h"

namespace ld {

std::function<bool()> FixFlowStopQuery;
std::function<void(const std::string&)> FixFlowLog;
std::function<void(int)> FixFlowProgress;
int FixFlowGivenCount = 0;

namespace fixflow {

State& Unit() {
  static State state;
  return state;
}

Complex MeasuredPower(const TRegimeElement* e) {
  Complex u, i;
  double p = 0, q = 0;
  FixFlowBranchFlows(e, u, p, q, i);
  return {p, q};
}

Complex FlowTarget(const Flow& f) {
  const TRegimeElement* e = f.given.Element;
  if ((e->Flags & efFlowComponents) != 0) {
    Complex u, i;
    double p = 0, q = 0;
    FixFlowBranchFlows(e, u, p, q, i);
    return {f.p * u.real() + f.q * u.imag(), f.p * u.imag() - f.q * u.real()};
  }
  if ((e->Flags & efFlowCurrent) != 0) {
    Complex u, i;
    double p = 0, q = 0;
    FixFlowBranchFlows(e, u, p, q, i);
    const double s = std::sqrt(3.0) * std::abs(u) * f.p * 0.001;
    const double angle = std::atan(std::fabs(f.q));
    return {s * std::cos(angle), s * std::sin(angle)};
  }
  return {f.p, f.q};
}

}  // namespace fixflow

using namespace fixflow;

namespace {

void Progress(int position) {
  if (FixFlowProgress) FixFlowProgress(position);
}

// The branch shunt at each end: a line's half and half, a transformer's wholly at its table start.
void ShuntEnds(const TRegimeElement* e, double& gOwn, double& bOwn, double& gParent, double& bParent) {
  gOwn = bOwn = gParent = bParent = 0;
  if ((e->Flags & efHasRatio) == 0) {
    gOwn = gParent = e->G / 2;
    bOwn = bParent = e->B / 2;
  } else if ((e->Flags & efReversed) != 0) {
    gParent = e->G;
    bParent = e->B;
  } else {
    gOwn = e->G;
    bOwn = e->B;
  }
}

constexpr std::uint32_t kOpenBoth = efOpenNumber | efOpenNumber2;
constexpr std::uint32_t kFlowBits = 0xF0000000;

// The model's state that the sensitivity sweeps disturb.
struct Saved {
  Complex U, I, IDelta, UNode, ILoad, K;
  double Angle = 0;
};

std::vector<Saved> SaveState(const TRegime& r) {
  std::vector<Saved> s;
  s.reserve(r.Elements().Count());
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    s.push_back({e->U, e->I, e->IDelta, e->UNode, e->ILoad, e->K, e->Angle});
  }
  return s;
}

void RestoreState(TRegime& r, const std::vector<Saved>& s) {
  std::size_t k = 0;
  for (TRegimeElement* e = r.FirstElement; e != nullptr && k < s.size(); e = e->Next, ++k) {
    e->U = s[k].U;
    e->I = s[k].I;
    e->IDelta = s[k].IDelta;
    e->UNode = s[k].UNode;
    e->ILoad = s[k].ILoad;
    e->K = s[k].K;
    e->Angle = s[k].Angle;
  }
}

// Repeats the contour correction until the loops agree with the currents of the tree.
void SettleContours(TRegime& r) {
  if (r.TotalContourCount == 0 || !r.MatricesFormed) return;
  double residual = 1000;
  const int limit = std::max(r.MaxIter, 1);
  for (int k = 0; k < limit && residual > 1e-12; ++k) r.CorrectContours(residual);
}

}  // namespace

const std::vector<TFixFlowGiven>& FixFlowGivenFlows() {
  State& s = Unit();
  s.given.clear();
  for (const Flow& f : s.flows) s.given.push_back(f.given);
  return s.given;
}

void FixFlowInit() {
  Unit() = State{};
  FixFlowGivenCount = 0;
}

std::uint32_t FixFlowAddGivenFlow(TRegimeElement* First, std::int32_t Row, std::int32_t N1, std::int32_t N2,
                                  float Weight, double P, double Q, std::uint16_t Kind, std::uint16_t EndFlag) {
  TRegimeElement* e = First;
  for (; e != nullptr; e = e->Next) {
    if ((e->Number == N1 && e->Number2 == N2) || (e->Number == N2 && e->Number2 == N1)) break;
  }
  if (e == nullptr) return 0;
  Flow f;
  f.given.Element = e;
  f.given.Row = Row;
  f.given.P = P;
  f.given.Q = Q;
  f.given.Weight = Weight;
  f.given.Kind = Kind;
  // Marks of an earlier registration of the same element would contradict the new ones.
  e->Flags &= ~kFlowBits;
  if (e->Number == N2 && e->Number2 == N1) {
    e->Flags |= EndFlag != 0 ? efFlowParentEnd : efFlowOwnEnd;
    f.given.Direction = 1;
    f.p = P;
    f.q = Q;
  } else {
    e->Flags |= EndFlag != 0 ? efFlowOwnEnd : efFlowParentEnd;
    f.given.Direction = -1;
    f.p = -P;
    f.q = -Q;
  }
  std::uint32_t kind = 0;
  if (Kind == 3) kind = efFlowCurrent;
  if (Kind == 6) kind = efFlowComponents;
  e->Flags |= kind;
  Unit().flows.push_back(std::move(f));
  FixFlowGivenCount = static_cast<int>(Unit().flows.size());
  return kind | 1;
}

void FixFlowBranchFlows(const TRegimeElement* Element, Complex& U, double& P, double& Q, Complex& I) {
  U = I = Complex();
  P = Q = 0;
  const TRegimeElement* e = Element;
  if (e == nullptr || (e->Flags & kOpenBoth) == kOpenBoth) return;
  double gOwn, bOwn, gParent, bParent;
  ShuntEnds(e, gOwn, bOwn, gParent, bParent);
  const bool ownEnd = (e->Flags & (efFlowOwnEnd | efFlowParentEnd)) == efFlowOwnEnd;
  if (ownEnd || e->Parent == nullptr) {
    U = e->U;
    I = e->I - U * Complex(gOwn, -bOwn) * 1e-6;
  } else {
    U = e->Parent->U;
    I = std::conj(e->K) * e->I + U * Complex(gParent, -bParent) * 1e-6;
  }
  const Complex s = U * std::conj(I);
  P = s.real();
  Q = s.imag();
}

void FixFlowBranchLosses(const TRegimeElement* Element, double& dP, double& dQ, double& dPsh, double& dQsh) {
  dP = dQ = dPsh = dQsh = 0;
  const TRegimeElement* e = Element;
  if (e == nullptr || (e->Flags & kOpenBoth) == kOpenBoth || (e->Flags & efUnsupplied) != 0) return;
  const double i2 = std::norm(e->I);
  dP = i2 * e->R;
  dQ = i2 * e->X;
  double gOwn, bOwn, gParent, bParent;
  ShuntEnds(e, gOwn, bOwn, gParent, bParent);
  const double uOwn = std::norm(e->U);
  const double uParent = e->Parent != nullptr ? std::norm(e->Parent->U) : 0;
  dPsh = (uOwn * gOwn + uParent * gParent) * 1e-6;
  dQsh = (uOwn * bOwn + uParent * bParent) * 1e-6;
}

void FixFlowPrepare(TRegime& Regime) {
  State& s = Unit();
  s.nodes.clear();
  s.sites.clear();
  Progress(10);
  if (Regime.Root == nullptr || Regime.ModelError) {
    Progress(30);
    return;
  }

  // Adjustable nodes along the supply tree: loads first, then generations.
  std::unordered_map<const TRegimeElement*, int> siteOf;
  for (int group = 0; group < 2; ++group) {
    for (TRegimeElement* e = Regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      if ((e->Flags & (efLoopClosing | efSource | efFixedVoltage | efUnsupplied)) != 0) continue;
      const Complex l = group == 0 ? e->Load1 : -e->Load2;
      const double p = l.real(), q = -l.imag();
      if (p == 0 && q == 0) continue;
      if (IniRec.WLoad && e->Kvi == 0) continue;
      Node n;
      n.element = e;
      n.group = group;
      n.initP = p;
      n.initQ = q;
      const auto [it, added] = siteOf.emplace(e, static_cast<int>(s.sites.size()));
      if (added) {
        Site site;
        site.element = e;
        s.sites.push_back(site);
      }
      n.site = it->second;
      s.nodes.push_back(n);
    }
  }

  // Sensitivities: a small current drawn at each site, real and then imaginary, carried through the
  // tree and the contours of the no-load state; the measured quantities change linearly with it.
  const std::vector<Saved> original = SaveState(Regime);
  const bool modelError = Regime.ModelError;
  if (Regime.TotalContourCount > 0 && !Regime.MatricesFormed) Regime.FormMatrices();
  Regime.Root->U = Complex(110.0, 0);
  Regime.ClearSweepSums();
  Regime.SweepVoltages();
  SettleContours(Regime);
  const std::vector<Saved> base = SaveState(Regime);

  const std::size_t n = s.sites.size();
  const bool voltages = IniRec.CVolt;
  std::vector<Complex> baseFlow;
  for (Flow& f : s.flows) {
    baseFlow.push_back(MeasuredPower(f.given.Element));
    f.s1.assign(n, Complex());
    f.sj.assign(n, Complex());
  }
  std::vector<double> baseVoltage;
  for (Site& site : s.sites) {
    site.u0 = site.element->U;
    baseVoltage.push_back(std::abs(site.element->U));
    site.v1.assign(voltages ? n : 0, 0.0);
    site.vj.assign(voltages ? n : 0, 0.0);
  }
  constexpr double kProbe = 0.01;  // kA: small beside any load, far above rounding
  for (std::size_t a = 0; a < n; ++a) {
    for (int imaginary = 0; imaginary < 2; ++imaginary) {
      RestoreState(Regime, base);
      s.sites[a].element->IDelta = imaginary != 0 ? Complex(0, kProbe) : Complex(kProbe, 0);
      Regime.SweepCurrents();
      Regime.SweepVoltages();
      SettleContours(Regime);
      for (std::size_t k = 0; k < s.flows.size(); ++k) {
        Flow& f = s.flows[k];
        const Complex change = (MeasuredPower(f.given.Element) - baseFlow[k]) / kProbe;
        (imaginary != 0 ? f.sj : f.s1)[a] = change;
      }
      if (!voltages) continue;
      for (std::size_t v = 0; v < n; ++v) {
        const double change = (std::abs(s.sites[v].element->U) - baseVoltage[v]) / kProbe;
        (imaginary != 0 ? s.sites[v].vj : s.sites[v].v1)[a] = change;
      }
    }
  }
  RestoreState(Regime, original);
  Regime.ModelError = modelError;
  Progress(30);
}

void FixFlowSetWeights() {
  State& s = Unit();
  const TIniRec& ini = IniRec;
  for (Node& n : s.nodes) {
    n.loadWeight = (ini.WLoad ? n.element->Kvi : 1.0) * (ini.CLoad ? ini.MulKvi : 1e-7);
  }
  for (Site& site : s.sites) {
    site.voltWeight = (ini.WVolt ? site.element->Kvu : 1.0) * ini.MulKvu;
    site.target = site.element->Unom;
  }
  Progress(60);
  for (Flow& f : s.flows) f.weight = (ini.WFlow ? f.given.Weight : 1.0) * ini.MulKvf;
  Progress(100);
}

void FixFlowSetGiven(std::size_t index, double P, double Q) {
  std::vector<Flow>& flows = Unit().flows;
  if (index >= flows.size()) return;
  Flow& flow = flows[index];
  flow.given.P = P;
  flow.given.Q = Q;
  flow.p = flow.given.Direction * P;
  flow.q = flow.given.Direction * Q;
}

void FixFlowSaveLoads() {
  for (Node& n : Unit().nodes) {
    const Complex l = n.group == 0 ? n.element->Load1 : -n.element->Load2;
    n.initP = l.real();
    n.initQ = -l.imag();
    n.dP = n.dQ = 0;
  }
}

void FixFlowDone() {
  Unit() = State{};
  FixFlowGivenCount = 0;
}

}  // namespace ld
