// The balancing iterations: a regime calculation, then a least-squares (Gauss–Newton) correction of the
// adjustable loads, until the calculated flows stop changing.
//
// The correction minimises the weighted sum of the squared deviations of the measured flows and node
// voltages from their targets plus the weighted squared changes of the loads, linearised with the
// sensitivities measured once at no load. The loads' weights are tiny unless their deviations are a
// criterion of their own, so the flows are met and the loads change as little as they can: in
// proportion to themselves when the weights are proportional to the loads. Having few measurements
// and many loads, the step is solved in the space of the measurements, a small dense system. A step
// that worsens the fit (or loses the regime) is halved.
#include <cmath>
#include <string>
#include <vector>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/dense.h"
#include "core/engine/fixflow_state.h"

namespace ld {

using namespace fixflow;

namespace {

constexpr int kHalvings = 4;

void Log(const std::string& line) {
  if (FixFlowLog) FixFlowLog(line);
}

bool StopRequested() { return FixFlowStopQuery && FixFlowStopQuery(); }

constexpr char kModelErrorText[] = "Ошибка в модели схемы";

class Problem {
public:
  Problem(State& s, const TIniRec& ini) : s_(s), cflow_(ini.CFlow), cvolt_(ini.CVolt) {
    for (std::size_t k = 0; k < s.nodes.size(); ++k) {
      const Node& n = s.nodes[k];
      for (int comp = 0; comp < 2; ++comp) {
        Var v;
        v.node = static_cast<int>(k);
        v.comp = comp;
        const double init = comp == 0 ? n.initP : n.initQ;
        const double other = comp == 0 ? n.initQ : n.initP;
        v.fixed = ini.RNull && init == 0;
        if (ini.RZnak) v.sign = init < 0 ? -1 : 1;
        double scale = 1;
        if (ini.PropPQ) scale = init != 0 ? std::fabs(init) : (other != 0 ? std::fabs(other) : 1.0);
        v.penalty = std::max(n.loadWeight, 1e-12) / scale;
        vars_.push_back(v);
      }
    }
    if (cflow_) {
      for (std::size_t f = 0; f < s.flows.size(); ++f) {
        if (s.flows[f].weight <= 0) continue;
        for (int comp = 0; comp < 2; ++comp) rows_.push_back({static_cast<int>(f), comp, -1, s.flows[f].weight});
      }
    }
    if (cvolt_) {
      for (std::size_t a = 0; a < s.sites.size(); ++a) {
        const Site& site = s.sites[a];
        if (site.target > 0 && site.voltWeight > 0 && !site.v1.empty()) {
          rows_.push_back({-1, 0, static_cast<int>(a), site.voltWeight});
        }
      }
    }
    // Change of each measured quantity per unit change of each variable: the power change drawn at the
    // site taken as the current conj(dS)/conj(U) there.
    jacobian_.assign(rows_.size(), std::vector<double>(vars_.size(), 0.0));
    for (std::size_t j = 0; j < vars_.size(); ++j) {
      const Node& n = s.nodes[static_cast<std::size_t>(vars_[j].node)];
      const Site& at = s.sites[static_cast<std::size_t>(n.site)];
      const double sign = n.group == 0 ? 1.0 : -1.0;
      const Complex dS = vars_[j].comp == 0 ? Complex(sign, 0) : Complex(0, sign);
      const Complex dJ = at.u0 != Complex() ? std::conj(dS) / std::conj(at.u0) : Complex();
      for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        const std::size_t a = static_cast<std::size_t>(n.site);
        if (row.flow >= 0) {
          const Flow& f = s.flows[static_cast<std::size_t>(row.flow)];
          const Complex change = dJ.real() * f.s1[a] + dJ.imag() * f.sj[a];
          jacobian_[i][j] = row.comp == 0 ? change.real() : change.imag();
        } else {
          const Site& v = s.sites[static_cast<std::size_t>(row.site)];
          jacobian_[i][j] = dJ.real() * v.v1[a] + dJ.imag() * v.vj[a];
        }
      }
    }
  }

  void Measure() {
    for (Flow& f : s_.flows) {
      f.calc = MeasuredPower(f.given.Element);
      f.target = FlowTarget(f);
    }
  }

  // The three parts of the objective; a part that is no criterion counts nothing.
  double FlowPart() const {
    if (!cflow_) return 0;
    double sum = 0;
    for (const Flow& f : s_.flows) sum += f.weight * std::norm(f.target - f.calc);
    return sum;
  }
  double LoadPart() const {
    double sum = 0;
    for (std::size_t j = 0; j < vars_.size(); ++j) sum += vars_[j].penalty * Change(j) * Change(j);
    return sum;
  }
  double VoltagePart() const {
    if (!cvolt_) return 0;
    double sum = 0;
    for (const Site& site : s_.sites) {
      if (site.target > 0) sum += site.voltWeight * std::pow(site.target - std::abs(site.element->U), 2);
    }
    return sum;
  }
  double Objective() const { return FlowPart() + LoadPart() + VoltagePart(); }

  std::vector<double> Values() const {
    std::vector<double> v(vars_.size());
    for (std::size_t j = 0; j < vars_.size(); ++j) v[j] = Init(j) + Change(j);
    return v;
  }

  // The Gauss–Newton change of every variable, and the norm of the objective's gradient.
  std::vector<double> Step(double& gradient) const {
    const std::size_t n = vars_.size(), m = rows_.size();
    std::vector<double> r(m), d(n), value(n);
    for (std::size_t i = 0; i < m; ++i) r[i] = Residual(rows_[i]);
    for (std::size_t j = 0; j < n; ++j) {
      d[j] = Change(j);
      value[j] = Init(j) + d[j];
    }
    gradient = 0;
    for (std::size_t j = 0; j < n; ++j) {
      if (vars_[j].fixed) continue;
      double g = vars_[j].penalty * d[j];
      for (std::size_t i = 0; i < m; ++i) g -= jacobian_[i][j] * rows_[i].weight * r[i];
      gradient += std::fabs(2 * g);
    }

    std::vector<char> free(n);
    for (std::size_t j = 0; j < n; ++j) free[j] = vars_[j].fixed ? 0 : 1;
    std::vector<double> step(n, 0.0);
    for (std::size_t pass = 0; pass <= n; ++pass) {
      std::fill(step.begin(), step.end(), 0.0);
      // min |W^½(r + J·d − J·y)|² + yᵀ·A·y over the new changes y of the free variables:
      // y = A⁻¹·Jᵀ·z with (J·A⁻¹·Jᵀ + W⁻¹)·z = r + J·d.
      if (m > 0) {
        Matrix s;
        NewMatrix(static_cast<int>(m), static_cast<int>(m), s);
        Vector z(m);
        for (std::size_t a = 0; a < m; ++a) {
          z[a] = r[a];
          for (std::size_t j = 0; j < n; ++j) {
            if (free[j] == 0) continue;
            z[a] += jacobian_[a][j] * d[j];
            const double scaled = jacobian_[a][j] / vars_[j].penalty;
            for (std::size_t b = a; b < m; ++b) s[a][b] += scaled * jacobian_[b][j];
          }
          s[a][a] += 1.0 / rows_[a].weight;
          for (std::size_t b = 0; b < a; ++b) s[a][b] = s[b][a];
        }
        if (!FactoriseMatrix(s)) return std::vector<double>(n, 0.0);
        SolveMatrix(s, z);
        for (std::size_t j = 0; j < n; ++j) {
          if (free[j] == 0) continue;
          double y = 0;
          for (std::size_t a = 0; a < m; ++a) y += jacobian_[a][j] * z[a];
          step[j] = y / vars_[j].penalty - d[j];
        }
      } else {
        for (std::size_t j = 0; j < n; ++j) step[j] = free[j] != 0 ? -d[j] : 0.0;
      }
      // A value held at zero by its sign that the step would push across stays there; solve again.
      bool held = false;
      for (std::size_t j = 0; j < n; ++j) {
        if (free[j] != 0 && vars_[j].sign != 0 && value[j] == 0 && vars_[j].sign * step[j] < 0) {
          free[j] = 0;
          held = true;
        }
      }
      if (!held) break;
    }
    return step;
  }

  // Values from + t·step, each kept on its side of zero, into the nodes and the model's loads.
  void Apply(const std::vector<double>& from, const std::vector<double>& step, double t) {
    for (std::size_t j = 0; j < vars_.size(); ++j) {
      double v = from[j] + t * step[j];
      if (vars_[j].sign != 0 && vars_[j].sign * v < 0) v = 0;
      Node& n = s_.nodes[static_cast<std::size_t>(vars_[j].node)];
      (vars_[j].comp == 0 ? n.dP : n.dQ) = v - Init(j);
    }
    for (const Node& n : s_.nodes) {
      const double p = n.initP + n.dP, q = n.initQ + n.dQ;
      if (n.group == 0) {
        n.element->Load1 = Complex(p, -q);
      } else {
        n.element->Load2 = Complex(-p, q);
      }
    }
    for (const Node& n : s_.nodes) n.element->Load = n.element->Load1 + n.element->Load2;
  }

private:
  struct Var {
    int node = 0;
    int comp = 0;  // 0 P, 1 Q
    bool fixed = false;
    int sign = 0;  // +1 or -1: the value keeps that sign (or zero); 0: free
    double penalty = 1;
  };
  struct Row {
    int flow = -1;  // a flow's P (comp 0) or Q (comp 1) ...
    int comp = 0;
    int site = -1;  // ... or a site's voltage magnitude
    double weight = 1;
  };

  double Init(std::size_t j) const {
    const Node& n = s_.nodes[static_cast<std::size_t>(vars_[j].node)];
    return vars_[j].comp == 0 ? n.initP : n.initQ;
  }
  double Change(std::size_t j) const {
    const Node& n = s_.nodes[static_cast<std::size_t>(vars_[j].node)];
    return vars_[j].comp == 0 ? n.dP : n.dQ;
  }
  double Residual(const Row& row) const {
    if (row.flow >= 0) {
      const Flow& f = s_.flows[static_cast<std::size_t>(row.flow)];
      const Complex r = f.target - f.calc;
      return row.comp == 0 ? r.real() : r.imag();
    }
    const Site& site = s_.sites[static_cast<std::size_t>(row.site)];
    return site.target - std::abs(site.element->U);
  }

  State& s_;
  bool cflow_, cvolt_;
  std::vector<Var> vars_;
  std::vector<Row> rows_;
  std::vector<std::vector<double>> jacobian_;
};

// Sum of the changes of the calculated flows since the last call.
double Criterion(State& s) {
  double c = 0;
  for (Flow& f : s.flows) {
    c += std::fabs(f.calc.real() - f.prevP) + std::fabs(f.calc.imag() - f.prevQ);
    f.prevP = f.calc.real();
    f.prevQ = f.calc.imag();
  }
  return c;
}

double Unbalance(const State& s) {
  double sum = 0;
  for (const Flow& f : s.flows) sum += std::fabs(f.target.real() - f.calc.real()) + std::fabs(f.target.imag() - f.calc.imag());
  return sum;
}

std::string EndName(std::int32_t number, const std::string& name) {
  if (number == kRootNumber) return "Ввод ";
  return name.empty() ? IntToStr(number) : name;
}

// A flow as the report shows it, in its given direction and units: kW and kvar, the current's active
// and reactive parts in A (kind 3), or the current's components in kA (kind 6).
struct Shown {
  Complex value;
  const char* unit;
};
Shown Show(const Flow& f, Complex s, Complex u) {
  s *= f.given.Direction;
  if (f.given.Kind == 3) {
    const double um = std::abs(u);
    return {um != 0 ? s * 1000.0 / (std::sqrt(3.0) * um) : Complex(), " А"};
  }
  if (f.given.Kind == 6) return {u != Complex() ? std::conj(s / u) : Complex(), " кА"};
  return {s * 1000.0, " кВА"};
}

std::string ComplexText(Complex v) {
  return FloatToStrFixed(v.real(), 3) + " + j " + FloatToStrFixed(v.imag(), 3) + ", модуль = " +
         FloatToStrFixed(std::abs(v), 3);
}

Complex EndVoltage(const TRegimeElement* e) {
  Complex u, i;
  double p = 0, q = 0;
  FixFlowBranchFlows(e, u, p, q, i);
  return u;
}

}  // namespace

bool FixFlowSolve(TRegime& Regime, bool& Balanced, std::string& Error) {
  Balanced = true;
  Error.clear();
  State& s = Unit();
  const TIniRec& ini = IniRec;
  Regime.RunIterations();
  if (Regime.ModelError || Regime.ZeroContours) {
    Balanced = false;
    Error = kModelErrorText;
    return false;
  }
  if (!Regime.Converged) {
    Log("Режим не сходится");
    Balanced = false;
    Error = "Режим не сходится";
    return false;
  }

  Problem problem(s, ini);
  problem.Measure();
  std::vector<Complex> initialU;
  for (Flow& f : s.flows) {
    f.given.Initial = f.calc * static_cast<double>(f.given.Direction);
    initialU.push_back(EndVoltage(f.given.Element));
    f.prevP = f.prevQ = 0;
  }
  double criterion = Criterion(s);

  int iterations = 0, tenths = 0;
  bool heading = false;
  while (criterion > 0.001 * ini.BPrec && iterations < ini.BIter) {
    double gradient = 0;
    const std::vector<double> step = problem.Step(gradient);
    const std::vector<double> from = problem.Values();
    const double before = problem.Objective();
    double t = 1;
    for (int halving = 0;; ++halving) {
      problem.Apply(from, step, t);
      Regime.RunIterations();
      if (StopRequested()) {
        Log("<<<< Расчет прерван >>>>");
        Balanced = false;
        Error = "Расчет прерван";
        return false;
      }
      if (Regime.ModelError) {
        Balanced = false;
        Error = kModelErrorText;
        return false;
      }
      problem.Measure();
      if (Regime.Converged && problem.Objective() <= before * (1 + 1e-9) + 1e-18) break;
      if (halving == kHalvings) break;
      if (!Regime.Converged) Regime.VoltagesSet = false;  // start the next try afresh
      t /= 2;
    }
    if (!Regime.Converged) {
      Log("Режим не сходится");
      Regime.InitVoltages();
      Regime.RunIterations();
      Balanced = false;
      Error = "Режим не сходится";
      return false;
    }
    ++iterations;
    criterion = Criterion(s);
    if (ini.OutIter) {
      if (!heading) Log("Итерация  Небаланс       Градиент       Критерий");
      heading = true;
      Log(PadLeft(IntToStr(iterations), 8) + PadLeft(FloatToStrFixed(Unbalance(s), 6), 15) +
          PadLeft(FloatToStrFixed(gradient, 6), 15) + PadLeft(FloatToStrFixed(criterion, 6), 15));
    }
    if (FixFlowProgress && ini.BIter > 0 && iterations * 10 / ini.BIter > tenths) {
      tenths = iterations * 10 / ini.BIter;
      FixFlowProgress(static_cast<int>(Round(iterations * 100.0 / ini.BIter)));
    }
  }

  Log("Итераций: " + IntToStr(iterations));
  Log("Критерий (dS лин) = " + FloatToStrFixed(problem.FlowPart(), 6));
  Log("Критерий (dS наг) = " + FloatToStrFixed(problem.LoadPart(), 6));
  Log("Критерий (dU узл) = " + FloatToStrFixed(problem.VoltagePart(), 6));
  for (std::size_t k = 0; k < s.flows.size(); ++k) {
    Flow& f = s.flows[k];
    const TRegimeElement* e = f.given.Element;
    const std::string parent = EndName(e->Number2, e->Parent != nullptr ? e->Parent->Name : std::string());
    const std::string own = EndName(e->Number, e->Name);
    Log(f.given.Direction > 0 ? parent + " - " + own : own + " - " + parent);
    const Complex u = EndVoltage(e);
    const Shown initial = Show(f, f.given.Initial * static_cast<double>(f.given.Direction), initialU[k]);
    const Shown target = Show(f, f.target, u);
    const Shown result = Show(f, f.calc, u);
    const Complex miss = result.value - target.value;
    const double deviation = 0.001 * (std::fabs(miss.real()) + std::fabs(miss.imag())) * (f.given.Kind == 6 ? 1000 : 1);
    f.given.Result = f.calc * static_cast<double>(f.given.Direction);
    f.given.Unbalanced = deviation > ini.BPrec;
    if (f.given.Unbalanced) Balanced = false;
    Log("Нач. переток = " + ComplexText(initial.value) + initial.unit);
    Log("Зад. переток = " + ComplexText(target.value) + target.unit);
    Log("Рез. переток = " + ComplexText(result.value) + result.unit + (f.given.Unbalanced ? " - небаланс" : ""));
  }
  Log("<<<< Расчет закончен >>>>");
  return true;
}

void FixFlowSolve(TRegime& Regime, bool& Balanced) {
  std::string error;
  FixFlowSolve(Regime, Balanced, error);
}

}  // namespace ld
