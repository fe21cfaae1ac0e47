#include "core/regime/period_balance.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/base/settings.h"
#include "core/catalogs/graph_loads.h"
#include "core/catalogs/graph_series.h"
#include "core/engine/fixflow.h"
#include "core/tables/colmaps.h"

namespace ld {

namespace {

constexpr char kPrefix[] = "Перетоки в линиях: ";

// One direction's given flow: its value and, in graph mode, its value at every slice.
struct TDirection {
  double p = 0, q = 0;
  std::vector<double> ps, qs;
  double P(std::size_t k) const { return k < ps.size() ? ps[k] : p; }
  double Q(std::size_t k) const { return k < qs.size() ? qs[k] : q; }
};

std::vector<double> FromSeries(const DAdouble& series, const DAdouble& grid) {
  std::vector<double> values;
  if (series.Count != grid.Count) return values;
  for (int k = 1; k <= series.Count; ++k) values.push_back(series.Get(k));
  return values;
}

// The series of a row from the graphs of the period: mean, minimum or maximum, or slice by slice.
class TFlowGraphs {
public:
  TFlowGraphs(const TFlowGraphSource& source, const std::function<void(const std::string&)>& say)
      : source_(source), say_(say) {
    std::string msg;
    if (source.Mode == 3 && !CountGraphPoints(true, source.Step, grid_, msg, source.Date2, source.Date1)) grid_.Count = 0;
  }

  // P and Q of one direction from its graphs (numbers below 1: none); a graph that cannot be read is
  // reported and the direction keeps its given values (energies spread over the period).
  TDirection Pair(bool energy, int pGraph, int qGraph, double pGiven, double qGiven, double hours) const {
    TDirection d;
    const double spread = energy ? (hours > 0 ? 0.001 / hours : 0) : 1;
    d.p = pGiven * spread, d.q = qGiven * spread;
    if (pGraph < 1 && qGraph < 1) return d;
    DAdouble ps, qs;
    double p = 0, q = 0;
    std::string msg;
    BuildLoadGraphPQ(source_.Catalog, source_.Values, source_.Mode, source_.Date1, source_.Date2, Moment(),
                     source_.Step, grid_, {}, energy, pGiven, qGiven, pGraph, qGraph, p, q, ps, qs, msg);
    if (!msg.empty()) {
      say_(kPrefix + msg);
      return d;
    }
    d.p = p, d.q = q;
    d.ps = FromSeries(ps, grid_);
    d.qs = FromSeries(qs, grid_);
    return d;
  }

  // A current (A) and its tg(f) from a current graph, as a direction of kind 3.
  bool Current(int graph, double current, double tg, TDirection& d) const {
    DAdouble is, ts;
    double i = 0, t = 0;
    std::string msg;
    BuildLoadGraphIT(source_.Catalog, source_.Values, source_.Mode, source_.Date1, source_.Date2, Moment(),
                     source_.Step, grid_, tg, current, graph, i, t, is, ts, msg);
    if (!msg.empty()) {
      say_(kPrefix + msg);
      return false;
    }
    d.p = i, d.q = t;
    d.ps = FromSeries(is, grid_);
    d.qs = FromSeries(ts, grid_);
    return true;
  }

  std::size_t Slices() const { return static_cast<std::size_t>(std::max(grid_.Count, 0)); }

private:
  // The end of the first slice: the value a direction is registered with.
  double Moment() const { return std::trunc(source_.Date1) + source_.Step / 86400.0; }

  const TFlowGraphSource& source_;
  const std::function<void(const std::string&)>& say_;
  DAdouble grid_;
};

}  // namespace

bool PrepareLoadBalancing(TRegime& regime, TDataFile& lineFlows, const TDataFile& nodes, double hours,
                          bool showErrors, const std::function<void(const std::string&)>& message,
                          const TFlowGraphSource* source, TGivenFlowSeries* series) {
  const std::function<void(const std::string&)> say = [&](const std::string& text) {
    if (showErrors && message) message(text);
  };
  FixFlowDone();
  FixFlowInit();
  if (series != nullptr) *series = {};
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  const float tg = IniRec.Btgf;
  const TFlowGraphSource none;
  const TFlowGraphs graphs(source != nullptr ? *source : none, say);
  for (int r = 1; r <= f.RowCount; ++r) {
    if (f.B.Get(r) != 0) continue;
    const int kind = f.Typ.Get(r);
    const std::string ends = std::to_string(f.N1->Get(r)) + " - " + std::to_string(f.N2->Get(r));
    if (kind < 1 || kind > 6) {
      // The remaining rows would go unbalanced: the run ends, as for a failed balancing.
      if (message) message(std::string(kPrefix) + "Не задан тип нагрузки ветви: " + ends);
      return false;
    }
    double pr = f.Pr->Get(r), qr = f.Qr->Get(r), pl = f.Pl->Get(r), ql = f.Ql->Get(r);
    if (kind == 1 || kind == 2) pr *= 0.001, pl *= 0.001;
    if (kind == 1) qr *= 0.001, ql *= 0.001;
    if (kind == 2 || kind == 3 || kind == 5) {
      if (qr == 0) qr = tg;
      if (ql == 0) ql = tg;
    }
    if (kind == 2 || kind == 5) qr *= pr, ql *= pl;
    const int ngr = source != nullptr ? f.Ngr->Get(r) : 0, ngl = source != nullptr ? f.Ngl->Get(r) : 0;
    const int nqr = source != nullptr ? f.Nqr->Get(r) : 0, nql = source != nullptr ? f.Nql->Get(r) : 0;
    // The flow is the difference of the two directions; a current row gives one direction.
    TDirection begin, end;
    if (kind == 3) {
      const bool first = ngr != 0;
      if ((ngr == 0 && ngl == 0) || !graphs.Current(first ? ngr : ngl, first ? pr : pl, first ? qr : ql, begin)) {
        begin.p = pr - pl;
        begin.q = qr;
      }
    } else {
      const bool energy = kind == 4 || kind == 5;
      begin = graphs.Pair(energy, ngr, nqr, pr, qr, hours);
      end = graphs.Pair(energy, ngl, nql, pl, ql, hours);
    }
    const float weight = f.Kv->Get(r) != 0 ? f.Kv->Get(r) : 1.0f;
    if (FixFlowAddGivenFlow(regime.FirstElement, r, f.N1->Get(r), f.N2->Get(r), weight, begin.P(0) - end.P(0),
                            begin.Q(0) - end.Q(0), static_cast<std::uint16_t>(kind), static_cast<std::uint16_t>(f.NK.Get(r))) == 0) {
      say(std::string(kPrefix) + "Ветвь " + ends + " не найдена в таблице ветвей схемы");
      continue;
    }
    if (series == nullptr) continue;
    std::vector<double> ps, qs;
    if (!begin.ps.empty() || !begin.qs.empty() || !end.ps.empty() || !end.qs.empty()) {
      for (std::size_t k = 0; k < graphs.Slices(); ++k) {
        ps.push_back(begin.P(k) - end.P(k));
        qs.push_back(begin.Q(k) - end.Q(k));
      }
    }
    series->P.push_back(std::move(ps));
    series->Q.push_back(std::move(qs));
  }
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->NodeIndex <= 0 || e->NodeIndex > n.RowCount || (e->Flags & efLoopClosing) != 0) continue;
    e->Kvi = n.Kvi->Get(e->NodeIndex);
    e->Kvu = n.Kvu->Get(e->NodeIndex);
  }
  FixFlowPrepare(regime);
  FixFlowSetWeights();
  return true;
}

void LoadSliceGivenFlows(const TGivenFlowSeries& series, int slice) {
  // The balancer keeps its sensitivities across the slices; only the targets follow the graphs.
  const auto k = static_cast<std::size_t>(slice - 1);
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(FixFlowGivenCount, 0)), series.P.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (slice < 1 || k >= series.P[i].size() || k >= series.Q[i].size()) continue;
    FixFlowSetGiven(i, series.P[i][k], series.Q[i][k]);
  }
}

void ClearMeterEnergies(TDataFile& lineFlows) {
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  for (int r = 1; r <= f.RowCount; ++r)
    for (DAdouble* c : {f.Prn, f.Qrn, f.Pln, f.Qln, f.Prb, f.Qrb, f.Plb, f.Qlb}) (*c)[r] = 0;
}

void AddMeterEnergies(TDataFile& lineFlows, double h) {
  TLineFlowCols f;
  FillLineFlowCols(lineFlows, f);
  const double k = h * 1000;
  auto add = [&](double value, DAdouble* r, DAdouble* l, int row) {
    if (value > 0) (*r)[row] = r->Get(row) + value * k;
    else (*l)[row] = l->Get(row) - value * k;
  };
  for (const TFixFlowGiven& g : FixFlowGivenFlows()) {
    if (g.Row < 1 || g.Row > f.RowCount) continue;
    add(g.Initial.real(), f.Prn, f.Pln, g.Row);
    add(g.Initial.imag(), f.Qrn, f.Qln, g.Row);
    add(g.Result.real(), f.Prb, f.Plb, g.Row);
    add(g.Result.imag(), f.Qrb, f.Qlb, g.Row);
  }
}

}  // namespace ld
