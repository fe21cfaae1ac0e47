#include "core/engine/time_data_graphs.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "core/base/strings.h"
#include "core/catalogs/graph_loads.h"
#include "core/catalogs/graph_series.h"

namespace ld {

namespace {

constexpr std::uint8_t kMomentMode = 3;
// What a voltage graph gives instead of 0, so that no ratio or load current divides by zero.
constexpr double kLeastVoltage = 1e-7;

Complex Inverse(Complex k) { return std::conj(k) / std::norm(k); }

// The ratio as the branch table gives it: model building inverts the ratio of a branch that it turned
// round (and refers R and X to the other side).
bool RatioInverted(const TRegimeElement& e) {
  return (e.Flags & efReversed) != 0 && (e.Flags & efHasRatio) != 0;
}

Complex TableRatio(const TRegimeElement& e) { return RatioInverted(e) ? Inverse(e.K) : e.K; }

void SetTableRatio(TRegimeElement& e, Complex ratio) {
  double r = e.R, x = e.X;
  if (RatioInverted(e)) {
    const double n = std::norm(TableRatio(e));
    r *= n;
    x *= n;
  }
  Complex k = ratio;
  if ((e.Flags & efReversed) != 0 && ratio != Complex(0, 0)) {
    k = Inverse(ratio);
    r /= std::norm(ratio);
    x /= std::norm(ratio);
  }
  // A branch without an active ratio passes its parent's voltage on, as the analysis set it.
  if (k.real() == 0 && (e.Flags & (efSource | efUnsupplied)) == 0) k.real(1.0);
  e.K = k;
  e.R = r;
  e.X = x;
}

bool IsFixedVoltageBranch(const TRegimeElement& e) {
  return (e.Flags & (efFixedVoltage | efLoopClosing)) == (efFixedVoltage | efLoopClosing);
}

void ScaleToLargest(DAdouble& v, double given) {
  double largest = 0;
  for (int k = 1; k <= v.Count; ++k) largest = std::max(largest, std::fabs(v.Get(k)));
  if (largest == 0) return;
  for (int k = 1; k <= v.Count; ++k) v[k] = v.Get(k) * given / largest;
}

}  // namespace

void CacheGraph(TRegime& regime, std::int32_t& GraphNumber, const DAdouble& Values) {
  std::vector<double> copy(static_cast<std::size_t>(std::max(Values.Count, 0)));
  for (int k = 1; k <= Values.Count; ++k) copy[static_cast<std::size_t>(k - 1)] = Values.Get(k);
  regime.GraphCache.push_back(std::move(copy));
  regime.CachedGraphs.push_back(GraphNumber);
  GraphNumber = static_cast<std::int32_t>(regime.GraphCache.size());
}

TMomentGraphs::TMomentGraphs(TRegime& regime, std::uint8_t TypCalcPQ, int Step, TDateTime Date1, TDateTime Date2,
                             TDateTime CalcDate, bool KeepSeries)
    : regime_(regime),
      mode_(TypCalcPQ),
      step_(Step),
      date1_(Date1),
      date2_(Date2),
      calcDate_(CalcDate),
      moment_(DateTimeToPacked(CalcDate)),
      keepSeries_(KeepSeries) {}

TMomentGraphs::~TMomentGraphs() = default;

void TMomentGraphs::Open() {
  if (opened_) return;
  opened_ = true;
  // A model built from tables in memory has no scheme files and so no graphs.
  if (regime_.SchemePath.empty()) return;
  catalog_ = OpenGraphCatalog(regime_.SchemePath);
  values_ = OpenGraphValues(regime_.SchemePath);
  FillGraphCatalogCols(*catalog_, catalogCols_);
}

bool TMomentGraphs::Grid() {
  if (gridCounted_) return true;
  std::string msg;
  if (!CountGraphPoints(true, step_, grid_, msg, date2_, date1_)) {
    regime_.ReportError(regime_.SchemeQuoted() + ". " + msg);
    return false;
  }
  gridCounted_ = true;
  return true;
}

int TMomentGraphs::CatalogRow(int number) const {
  for (int r = 1; r <= catalogCols_.RowCount && catalogCols_.Ngr != nullptr; ++r) {
    if (catalogCols_.Ngr->Get(r) == number) return r;
  }
  return 0;
}

std::string TMomentGraphs::Unit(int row) const {
  return catalogCols_.Unt != nullptr ? TrimTrailSpaces(TrimLeadSpaces(catalogCols_.Unt->GetItem(row))) : std::string();
}

// The graph over the period on the calculation's grid.
bool TMomentGraphs::ReadOnGrid(int number, TGraphSeries& series, std::string& msg) {
  if (!LookupGraph(catalogCols_, values_.get(), number, "", 0, date1_, date2_, series, msg)) return false;
  // A typical day has been spread over the period by now, so the series is dated.
  return series.Period == step_ ||
         ResampleGraph(series.Period, step_, true, msg, series.Values, grid_, series.Dates);
}

bool TMomentGraphs::LoadPair(TRegimeElement& e, std::int32_t& pGraph, std::int32_t& qGraph, Complex& load,
                             bool generation) {
  const bool energy = (e.Flags & efEnergyLoads) != 0;
  // Loads are held as (P, -Q), generation as (-P, Q).
  const double pGiven = generation ? -load.real() : load.real();
  const double qGiven = generation ? load.imag() : -load.imag();
  std::span<const double> switching;
  if (e.SupplyTimes) switching = *e.SupplyTimes;
  double p = 0, q = 0;
  DAdouble ps, qs;
  std::string msg;
  BuildLoadGraphPQ(catalog_.get(), values_.get(), mode_, date1_, date2_, calcDate_, step_, grid_, switching, energy,
                   pGiven, qGiven, pGraph, qGraph, p, q, ps, qs, msg);
  if (!msg.empty()) {
    regime_.ReportError(regime_.SchemeQuoted() + ". " + msg + ", узел " + std::to_string(e.Number));
    if (energy) {
      const std::size_t row = static_cast<std::size_t>(std::max(e.NodeIndex, 0));
      const double hours = row > 0 && row < regime_.SupplyHours.size() ? regime_.SupplyHours[row] : 0;
      load = hours > 0 ? load * (0.001 / hours) : Complex(0, 0);
    }
    return false;
  }
  load = generation ? Complex(-p, q) : Complex(p, -q);
  if (keepSeries_ && mode_ == kMomentMode) {
    if (pGraph != 0) CacheGraph(regime_, pGraph, ps);
    if (qGraph != 0) CacheGraph(regime_, qGraph, qs);
  }
  return true;
}

bool TMomentGraphs::ApplyLoads(TRegimeElement& e) {
  const bool graphs = e.Ng_n != 0 || e.Nq_n != 0 || e.Ng_g != 0 || e.Nq_g != 0;
  // A node that loses supply within the period draws nothing while it has none, whatever its loads.
  const bool losesSupply =
      e.SupplyTimes && std::any_of(e.SupplyTimes->begin(), e.SupplyTimes->end(), [](double t) { return std::signbit(t); });
  if (!graphs && (e.Flags & efEnergyLoads) == 0 && !losesSupply) return true;
  if (graphs) Open();
  if (mode_ == kMomentMode && !Grid()) return false;
  LoadPair(e, e.Ng_n, e.Nq_n, e.Load1, false);
  LoadPair(e, e.Ng_g, e.Nq_g, e.Load2, true);
  e.Load = e.Load1 + e.Load2;
  return true;
}

bool TMomentGraphs::ApplyVoltage(TRegimeElement& e) {
  const bool source = (e.Flags & efSource) != 0;
  if (mode_ != kMomentMode || e.Ng_u == 0 || !(source || IsFixedVoltageBranch(e))) return true;
  Open();
  if (!Grid()) return false;
  const std::string graph = "График напряжений № " + std::to_string(e.Ng_u);
  const int row = CatalogRow(e.Ng_u);
  if (row == 0) {
    regime_.ReportError(regime_.SchemeQuoted() + ". " + graph + " не найден, узел " + std::to_string(e.Number));
    return true;
  }
  TGraphSeries series;
  std::string msg;
  if (!ReadOnGrid(e.Ng_u, series, msg)) {
    regime_.ReportError(regime_.SchemeQuoted() + ". " + graph + " : " + msg);
    return false;
  }
  // A relative graph shapes the node's own voltage.
  if (Unit(row) == "%") ScaleToLargest(series.Values, source ? std::abs(e.UNode) : e.Um);
  const int point = FindGraphPoint(series.Dates, moment_);
  double u = point != 0 ? series.Values.Get(point) : 0;
  if (u == 0) {
    regime_.ReportError(regime_.SchemeQuoted() + ". " + graph + ": U = 0");
    u = kLeastVoltage;
  }
  if (source) {
    const double magnitude = std::abs(e.UNode);
    e.UNode = magnitude > 0 ? e.UNode * (u / magnitude) : Complex(u, 0);
    e.K = e.UNode / 110.0;
  } else {
    e.Um = u;
    e.Angle = 0;
    e.K = Complex(u / 110.0, 0);
  }
  if (keepSeries_) CacheGraph(regime_, e.Ng_u, series.Values);
  return true;
}

bool TMomentGraphs::ApplyRatios(TRegimeElement& e) {
  if (mode_ != kMomentMode || e.BranchIndex <= 0 || (e.Ng_kta == 0 && e.Ng_ktr == 0)) return true;
  Open();
  if (!Grid()) return false;
  const Complex table = TableRatio(e);
  double parts[2] = {table.real(), table.imag()};
  bool changed = false;
  std::int32_t* numbers[2] = {&e.Ng_kta, &e.Ng_ktr};
  for (int i = 0; i < 2; ++i) {
    std::int32_t& number = *numbers[i];
    if (number == 0) continue;
    const std::string graph = "График Ктр № " + std::to_string(number);
    if (CatalogRow(number) == 0) {
      regime_.ReportError(regime_.SchemeQuoted() + ". " + graph + " не найден, линия " + std::to_string(e.Number) +
                          " - " + std::to_string(e.Number2));
      continue;
    }
    TGraphSeries series;
    std::string msg;
    if (!ReadOnGrid(number, series, msg)) {
      regime_.ReportError(regime_.SchemeQuoted() + ". " + graph + " : " + msg);
      return false;
    }
    if (keepSeries_) {
      CacheGraph(regime_, number, series.Values);
    } else if (const int point = FindGraphPoint(series.Dates, moment_)) {
      parts[i] = series.Values.Get(point);
      changed = true;
    }
  }
  if (changed) SetTableRatio(e, Complex(parts[0], parts[1]));
  return true;
}

}  // namespace ld
