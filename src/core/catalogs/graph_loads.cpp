#include "core/catalogs/graph_loads.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/base/error.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_series.h"

namespace ld {

namespace {

// A load series under construction.
struct TLoadSeries : TGraphSeries {
  int Number = 0;     // the graph named in a resampling failure
  double Sign = 0;    // sign given to the least and greatest magnitude; 0: the value keeps its own
  bool Built = false;
};

void CopyValues(const DAdouble& from, DAdouble& to) {
  to.Clear();
  to.EnsureIndex(from.Count);
  for (int k = 1; k <= from.Count; ++k) to[k] = from.Get(k);
  to.Count = from.Count;
}

double SignOf(double value) { return value < 0 ? -1.0 : 1.0; }

double Sum(const DAdouble& v) {
  double sum = 0;
  for (int k = 1; k <= v.Count; ++k) sum += v.Get(k);
  return sum;
}

double Mean(const DAdouble& v) { return v.Count > 0 ? Sum(v) / v.Count : 0; }

// Scales a relative series so that its greatest magnitude is `given`; a series of zeros stays.
void ScaleToLargest(DAdouble& v, double given) {
  double largest = 0;
  for (int k = 1; k <= v.Count; ++k) largest = std::max(largest, std::fabs(v.Get(k)));
  if (largest != 0)
    for (int k = 1; k <= v.Count; ++k) v[k] = v.Get(k) * given / largest;
}

// `value` on as many points as `like` has.
void FillConstant(const DAdouble& like, double value, DAdouble& to) {
  to.Clear();
  to.EnsureIndex(like.Count);
  for (int k = 1; k <= like.Count; ++k) to[k] = value;
  to.Count = like.Count;
}

std::string Num(int number) { return std::to_string(number); }

// What one call works with: the catalogue, the period, the moment and the element's switching.
class TLoadGraphBuilder {
public:
  TLoadGraphBuilder(const TDataFile* catalog, const TDataFile* values, std::uint8_t mode, TDateTime startDate,
                    TDateTime endDate, TDateTime moment, int targetPeriod, const DAdouble& targetDates,
                    std::span<const double> switching, std::string& msg)
      : values_(values),
        mode_(mode),
        start_(startDate),
        end_(endDate),
        moment_(DateTimeToPacked(moment)),
        // The last point of the period ends at 00:00 after its last day.
        periodEnd_(DateTimeToPacked(std::trunc(endDate) + 1)),
        targetPeriod_(targetPeriod),
        targetDates_(targetDates),
        switching_(switching),
        msg_(msg) {
    if (catalog) FillGraphCatalogCols(*catalog, catalog_);
  }

  const TGraphCatalogCols& Catalog() const { return catalog_; }

  // Hours of the period in which the element is on.
  double SupplyHours() const {
    double hours = static_cast<double>(std::llround(std::trunc(end_) - std::trunc(start_) + 1)) * 24;
    for (std::size_t k = 1; k < switching_.size(); ++k)
      if (switching_[k - 1] < 0)
        hours -= HoursBetween(std::fabs(switching_[k - 1]), std::fabs(switching_[k]));
    return hours;
  }

  bool Lookup(int number, const std::string& kindText, int owner, TGraphSeries& series) {
    return LookupGraph(catalog_, values_, number, kindText, owner, start_, end_, series, msg_);
  }

  std::string Unit(int row) const {
    return TrimTrailSpaces(TrimLeadSpaces(catalog_.Unt ? catalog_.Unt->GetItem(row) : std::string()));
  }

  // A load is 0 while the element is switched off.
  void ZeroOffPoints(TGraphSeries& series) const {
    const std::vector<bool> off = OffPoints(series.Dates);
    for (int k = 1; k <= series.Values.Count; ++k)
      if (off[static_cast<std::size_t>(k)]) series.Values[k] = 0;
  }

  // The given value on every point of the calculation's grid (Mode 3).
  void ConstantSeries(double value, TLoadSeries& series) const {
    CopyValues(targetDates_, series.Dates);
    FillConstant(targetDates_, value, series.Values);
    series.Period = targetPeriod_;
    ZeroOffPoints(series);
    series.Built = true;
  }

  // Power graph values in the model's units: energies are shaped to the given energy, relative
  // values scaled to the given power, kW (kvar) divided by 1000.
  void ScalePowerGraph(TLoadSeries& series, bool energyGiven, double given, const std::string& unit,
                       const char* kiloUnit) const {
    DAdouble& v = series.Values;
    if (energyGiven) {
      if (const double sum = Sum(v); sum != 0)
        for (int k = 1; k <= v.Count; ++k) v[k] = v.Get(k) * 3.6 * given / (series.Period * sum);
    } else if (unit == "%") {
      ScaleToLargest(v, given);
    } else {
      if (unit == kiloUnit)
        for (int k = 1; k <= v.Count; ++k) v[k] = v.Get(k) * 0.001;
      series.Sign = 0;
    }
    series.Built = true;
  }

  // Resamples a dependent series onto the grid of the series it belongs to.
  bool Align(TGraphSeries& dependent, const TGraphSeries& main, const std::string& prefix) {
    if (dependent.Period == main.Period) return true;
    std::string failure;
    if (!ResampleGraph(dependent.Period, main.Period, true, failure, dependent.Values, main.Dates,
                       dependent.Dates)) {
      msg_ = prefix + failure;
      return false;
    }
    dependent.Period = main.Period;
    return true;
  }

  // The value chosen from a series by the mode; `hours` are the hours of supply (Mode 0). A series
  // not built leaves the value as it is.
  bool Choose(TLoadSeries& series, double hours, double& result) {
    const DAdouble& v = series.Values;
    if (!series.Built) return true;
    switch (mode_) {
      case kLoadMean: {
        // Off points are 0, so the sum is the energy of the hours of supply. No supply: no load.
        result = hours > 0 && series.Period > 0 ? Sum(v) / (hours * 3600 / series.Period) : 0;
        return true;
      }
      case kLoadMinimum:
      case kLoadMaximum: {
        const std::vector<bool> off = mode_ == kLoadMinimum ? OffPoints(series.Dates) : std::vector<bool>();
        int chosen = 0;
        for (int k = 1; k <= v.Count; ++k) {
          if (!off.empty() && off[static_cast<std::size_t>(k)]) continue;
          const double magnitude = std::fabs(v.Get(k));
          if (chosen == 0 || (mode_ == kLoadMinimum ? magnitude < std::fabs(v.Get(chosen))
                                                    : magnitude > std::fabs(v.Get(chosen))))
            chosen = k;
        }
        const double value = chosen == 0 ? 0 : v.Get(chosen);
        result = series.Sign == 0 ? value : series.Sign * std::fabs(value);
        return true;
      }
      default: {
        if (series.Period != targetPeriod_) {
          std::string failure;
          // Every series is dated by now: a typical day was spread over the period when it was read.
          if (!ResampleGraph(series.Period, targetPeriod_, true, failure, series.Values, targetDates_,
                             series.Dates)) {
            msg_ = "График № " + Num(series.Number) + " : " + failure;
            return false;
          }
          series.Period = targetPeriod_;
        }
        if (const int point = FindGraphPoint(series.Dates, moment_)) result = series.Values.Get(point);
        return true;
      }
    }
  }

private:
  // For each point (1-based) whether the element is off at it: the state of the last switching
  // moment at or before the point. Moments from the period's end on only close the list.
  std::vector<bool> OffPoints(const DAdouble& dates) const {
    std::vector<bool> off(static_cast<std::size_t>(dates.Count) + 1, false);
    if (switching_.empty()) return off;
    std::size_t current = 0;
    for (int k = 1; k <= dates.Count; ++k) {
      while (current + 1 < switching_.size()) {
        const double next = std::fabs(switching_[current + 1]);
        if (ComparePackedMoments(next, periodEnd_) >= 0 || ComparePackedMoments(dates.Get(k), next) < 0) break;
        ++current;
      }
      off[static_cast<std::size_t>(k)] = switching_[current] < 0;
    }
    return off;
  }

  const TDataFile* values_;
  TGraphCatalogCols catalog_;
  std::uint8_t mode_;
  TDateTime start_, end_;
  double moment_, periodEnd_;
  int targetPeriod_;
  const DAdouble& targetDates_;
  std::span<const double> switching_;
  std::string& msg_;
};

// P and Q of a current graph: the voltage and tg(f) come from their own graphs or the catalogue's
// averages.
bool BuildFromCurrent(TLoadGraphBuilder& b, int graph, TLoadSeries& ps, TLoadSeries& qs) {
  const TGraphCatalogCols& cat = b.Catalog();
  const int row = ps.Row;
  const int nu = cat.Nu->Get(row), ntg = cat.Ntg->Get(row);
  TGraphSeries us, tgs;
  if (nu != 0) {
    if (!b.Lookup(nu, "напряжений ", graph, us) ||
        !b.Align(us, ps, "График токов № " + Num(graph) + " и график напряжений № " + Num(nu) + " : "))
      return false;
  }
  if (ntg != 0) {
    if (!b.Lookup(ntg, "тангенсов ", graph, tgs) ||
        !b.Align(tgs, ps, "График токов № " + Num(graph) + " и график тангенсов № " + Num(ntg) + " : "))
      return false;
  }
  const double averageU = SingleToDouble(cat.Us->Get(row)), averageTg = SingleToDouble(cat.Tgf->Get(row));
  CopyValues(ps.Dates, qs.Dates);
  qs.Values.Clear();
  for (int k = 1; k <= ps.Values.Count; ++k) {
    const double u = nu != 0 ? us.Values.Get(k) : averageU;
    const double tg = ntg != 0 ? tgs.Values.Get(k) : averageTg;
    const double p = 0.001 * u * ps.Values.Get(k) * std::sqrt(3 / (tg * tg + 1));
    ps.Values[k] = p;
    qs.Values[k] = p * tg;
  }
  qs.Values.Count = ps.Values.Count;
  qs.Period = ps.Period;
  qs.Number = graph;
  ps.Sign = qs.Sign = 0;
  ps.Built = qs.Built = true;
  return true;
}

}  // namespace

bool LookupGraph(const TGraphCatalogCols& Catalog, const TDataFile* Values, int Number,
                 const std::string& KindText, int Owner, TDateTime StartDate, TDateTime EndDate,
                 TGraphSeries& Series, std::string& Msg) {
  int row = 0;
  for (int r = 1; r <= Catalog.RowCount && Catalog.Ngr; ++r)
    if (Catalog.Ngr->Get(r) == Number) {
      row = r;
      break;
    }
  if (row == 0) {
    Msg = "График " + KindText + "№ " + Num(Number) + " не найден";
    if (Owner > 0) Msg += ", основной график № " + Num(Owner);
    return false;
  }
  const std::uint8_t kind = Catalog.Typ->Get(row);
  // A typical day is hourly whatever period its row claims.
  const int period = kind == kGraphTypical ? 3600 : Catalog.Per->Get(row);
  if (!CountGraphPoints(kind != kGraphTypical, period, Series.Dates, Msg, EndDate, StartDate)) return false;
  int newPeriod = 0;
  ReadGraphValues(Values, Number, period, newPeriod, Series.Values, Series.Dates, false, Catalog.Zam->Get(row),
                  kind, Catalog.Nt->Get(row));
  Series.Period = newPeriod != 0 ? newPeriod : period;
  Series.Row = row;
  if (kind == kGraphTypical) {
    DAdouble grid;
    if (!CountGraphPoints(true, 3600, grid, Msg, EndDate, StartDate) ||
        !ResampleGraph(3600, 3600, false, Msg, Series.Values, grid, Series.Dates))
      return false;
  }
  return true;
}

void BuildLoadGraphPQ(const TDataFile* Catalog, const TDataFile* Values, std::uint8_t Mode, TDateTime StartDate,
                      TDateTime EndDate, TDateTime Moment, int TargetPeriod, const DAdouble& TargetDates,
                      std::span<const double> Switching, bool EnergyGiven, double PGiven, double QGiven,
                      int PGraph, int QGraph, double& P, double& Q, DAdouble& PSeries, DAdouble& QSeries,
                      std::string& Msg) {
  P = Q = 0;
  PSeries.Clear();
  QSeries.Clear();
  PSeries.Count = QSeries.Count = 0;
  Msg.clear();
  try {
    TLoadGraphBuilder b(Catalog, Values, Mode, StartDate, EndDate, Moment, TargetPeriod, TargetDates, Switching,
                        Msg);
    const TGraphCatalogCols& cat = b.Catalog();
    const double hours = b.SupplyHours();
    TLoadSeries ps, qs;
    ps.Sign = SignOf(PGiven);
    qs.Sign = SignOf(QGiven);

    if (PGraph < 1) {
      P = !EnergyGiven ? PGiven : hours > 0 ? 0.001 * PGiven / hours : 0;
      if (Mode == kLoadMoment) b.ConstantSeries(P, ps);
    } else {
      if (!b.Lookup(PGraph, "", 0, ps)) return;
      ps.Number = PGraph;
      b.ZeroOffPoints(ps);
      const char quantity = cat.Zam->Get(ps.Row);
      const std::string unit = b.Unit(ps.Row);
      if (quantity == 'P') {
        b.ScalePowerGraph(ps, EnergyGiven, PGiven, unit, "кВт");
      } else if (quantity == 'I' && unit != "%") {
        if (!BuildFromCurrent(b, PGraph, ps, qs)) return;
      } else {
        Msg = "Некорректное задание графика № " + Num(PGraph);
        return;
      }
    }

    if (!qs.Built) {
      if (QGraph < 1) {
        Q = !EnergyGiven ? QGiven : hours > 0 ? 0.001 * QGiven / hours : 0;
        if (Mode == kLoadMoment) b.ConstantSeries(Q, qs);
      } else {
        if (!b.Lookup(QGraph, "", 0, qs)) return;
        qs.Number = QGraph;
        const char quantity = cat.Zam->Get(qs.Row);
        if (quantity == 't') {
          // Q from tg(f): point by point from the P series, or from P itself when there is none.
          if (ps.Built) {
            if (!b.Align(qs, ps, "График активной мощности № " + Num(PGraph) + " и график тангенсов № " +
                                     Num(QGraph) + " : "))
              return;
            for (int k = 1; k <= qs.Values.Count; ++k) qs.Values[k] = ps.Values.Get(k) * qs.Values.Get(k);
          } else {
            for (int k = 1; k <= qs.Values.Count; ++k) qs.Values[k] = P * qs.Values.Get(k);
            b.ZeroOffPoints(qs);
          }
          qs.Sign = ps.Sign;
          qs.Built = true;
        } else if (quantity == 'Q') {
          b.ZeroOffPoints(qs);
          b.ScalePowerGraph(qs, EnergyGiven, QGiven, b.Unit(qs.Row), "кВАр");
        } else {
          Msg = "Некорректное задание графика № " + Num(QGraph);
          return;
        }
      }
    }

    if (!b.Choose(ps, hours, P) || !b.Choose(qs, hours, Q)) return;
    if (ps.Built) CopyValues(ps.Values, PSeries);
    if (qs.Built) CopyValues(qs.Values, QSeries);
  } catch (const Error& e) {
    Msg = e.what();
  }
}

void BuildLoadGraphIT(const TDataFile* Catalog, const TDataFile* Values, std::uint8_t Mode, TDateTime StartDate,
                      TDateTime EndDate, TDateTime Moment, int TargetPeriod, const DAdouble& TargetDates,
                      double TgGiven, double IGiven, int IGraph, double& I, double& Tg, DAdouble& ISeries,
                      DAdouble& TgSeries, std::string& Msg) {
  I = Tg = 0;
  ISeries.Clear();
  TgSeries.Clear();
  ISeries.Count = TgSeries.Count = 0;
  Msg.clear();
  if (IGraph < 1) {
    I = IGiven;
    Tg = TgGiven;
    return;
  }
  try {
    TLoadGraphBuilder b(Catalog, Values, Mode, StartDate, EndDate, Moment, TargetPeriod, TargetDates, {}, Msg);
    const TGraphCatalogCols& cat = b.Catalog();
    TLoadSeries is, ts;
    if (!b.Lookup(IGraph, "", 0, is)) return;
    is.Number = IGraph;
    if (cat.Zam->Get(is.Row) != 'I') {
      Msg = "Некорректное задание графика № " + Num(IGraph);
      return;
    }
    is.Built = true;
    // tg(f) as one number: TgGiven beside a relative current (its series only in Mode 3), else the
    // catalogue's average, unless the graph has a tg(f) graph of its own.
    bool tgSeries = false;
    double constantTg = 0;
    if (b.Unit(is.Row) == "%") {
      is.Sign = SignOf(IGiven);
      ScaleToLargest(is.Values, IGiven);
      Tg = constantTg = TgGiven;
      tgSeries = Mode == kLoadMoment;
    } else if (const int ntg = cat.Ntg->Get(is.Row); ntg != 0) {
      if (!b.Lookup(ntg, "тангенсов ", IGraph, ts) ||
          !b.Align(ts, is, "График токов № " + Num(IGraph) + " и график тангенсов № " + Num(ntg) + " : "))
        return;
      ts.Number = ntg;
      ts.Built = true;
      Tg = Mean(ts.Values);
    } else {
      Tg = constantTg = SingleToDouble(cat.Tgf->Get(is.Row));
      tgSeries = true;
    }

    if (Mode == kLoadMean) {
      I = Mean(is.Values);
    } else {
      if (!b.Choose(is, 0, I)) return;
      double atMoment = 0;  // tg(f) stays the mean; its series only follows the current onto the grid
      if (ts.Built && Mode == kLoadMoment && !b.Choose(ts, 0, atMoment)) return;
    }
    if (tgSeries) FillConstant(is.Values, constantTg, ts.Values);
    CopyValues(is.Values, ISeries);
    CopyValues(ts.Values, TgSeries);
  } catch (const Error& e) {
    Msg = e.what();
  }
}

}  // namespace ld
