#include "core/engine/iteration_settings.h"
#include "core/regime/balance_flows.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <exception>
#include <memory>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/catalogs/graph_loads.h"
#include "core/catalogs/graph_series.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/fixflow.h"
#include "core/engine/regime.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

constexpr char kPrefix[] = "Перетоки в линиях: ";

// A column the table's layout lacks reads as zeros.
template <class Column>
double Cell(const Column* column, int row) {
  return column != nullptr ? static_cast<double>(column->Get(row)) : 0.0;
}

int Cell16(const TInt16Column& column, int row) { return column ? column.Get(row) : 0; }

std::string BranchText(const TLineFlowCols& cols, int row) {
  return IntToStr(static_cast<std::int64_t>(Cell(cols.N1, row))) + " - " + IntToStr(static_cast<std::int64_t>(Cell(cols.N2, row)));
}

// One end's pair from its graphs; an energy whose graph fails is spread evenly over the period.
void GraphPair(const TFlowPeriod& period, int kind, int pGraph, int qGraph, double pGiven, double qGiven, double& p,
               double& q, std::vector<std::string>& info) {
  const bool energy = kind == 4 || kind == 5;
  DAdouble pSeries, qSeries;
  std::string msg;
  p = q = 0;
  BuildLoadGraphPQ(period.Catalog, period.Values, period.Mode, period.Date1, period.Date2, period.Moment, period.Step,
                   period.Dates, {}, energy, pGiven, qGiven, pGraph, qGraph, p, q, pSeries, qSeries, msg);
  if (msg.empty()) return;
  info.push_back(kPrefix + msg);
  if (energy) {
    p = 0.001 * pGiven / period.Hours;
    q = 0.001 * qGiven / period.Hours;
  }
}

// The current (A) and tg(f) at the measured end of a given flow's branch, as a current row gives them.
std::pair<double, double> CurrentAndTangent(const TFixFlowGiven& g) {
  Complex u, i;
  double p = 0, q = 0;
  FixFlowBranchFlows(g.Element, u, p, q, i);
  const double volts = std::abs(u);
  return {volts != 0 ? std::hypot(p, q) * 1000 / (std::sqrt(3.0) * volts) : 0.0, p != 0 ? q / p : 0.0};
}

}  // namespace

double PeriodHours(TDateTime date1, TDateTime date2) {
  return static_cast<double>(Round(std::floor(date2) - std::floor(date1) + 1) * 24);
}

bool ConvertFlowRow(const TLineFlowCols& cols, int row, const TFlowPeriod& period, double& P, double& Q,
                    std::vector<std::string>& info, std::string& error) {
  const int kind = Cell16(cols.Typ, row);
  if (kind < 1 || kind > 6) {
    error = std::string(kPrefix) + "Не задан тип нагрузки ветви: " + BranchText(cols, row);
    return false;
  }
  double pr = Cell(cols.Pr, row), qr = Cell(cols.Qr, row), pl = Cell(cols.Pl, row), ql = Cell(cols.Ql, row);
  auto tangent = [&](double tg) { return tg == 0 ? static_cast<double>(period.DefaultTg) : tg; };
  switch (kind) {
    case 1: pr *= 0.001, qr *= 0.001, pl *= 0.001, ql *= 0.001; break;
    case 2:
      pr *= 0.001, pl *= 0.001;
      qr = pr * tangent(qr), ql = pl * tangent(ql);
      break;
    case 3: qr = tangent(qr), ql = tangent(ql); break;
    case 5: qr = pr * tangent(qr), ql = pl * tangent(ql); break;
    default: break;
  }
  const int ngr = static_cast<int>(Cell(cols.Ngr, row)), nqr = static_cast<int>(Cell(cols.Nqr, row));
  const int ngl = static_cast<int>(Cell(cols.Ngl, row)), nql = static_cast<int>(Cell(cols.Nql, row));
  if (kind == 3 && (ngr != 0 || ngl != 0)) {
    const bool begin = ngr != 0;
    DAdouble iSeries, tgSeries;
    std::string msg;
    BuildLoadGraphIT(period.Catalog, period.Values, period.Mode, period.Date1, period.Date2, period.Moment, period.Step,
                     period.Dates, begin ? qr : ql, begin ? pr : pl, begin ? ngr : ngl, P, Q, iSeries, tgSeries, msg);
    if (!msg.empty()) info.push_back(kPrefix + msg);
  } else if (ngr == 0 && nqr == 0 && ngl == 0 && nql == 0 && kind != 4 && kind != 5) {
    P = pr - pl;
    Q = kind == 3 ? qr : qr - ql;
  } else {
    double pb = 0, qb = 0, pe = 0, qe = 0;
    GraphPair(period, kind, ngr, nqr, pr, qr, pb, qb, info);
    GraphPair(period, kind, ngl, nql, pl, ql, pe, qe, info);
    P = pb - pe;
    Q = qb - qe;
  }
  return true;
}

void ClearFlowResults(TLineFlowCols& cols) {
  for (DAdouble* c : {cols.Prn, cols.Qrn, cols.Pln, cols.Qln, cols.Prb, cols.Qrb, cols.Plb, cols.Qlb}) {
    if (c == nullptr) continue;
    for (int row = 1; row <= cols.RowCount; ++row) (*c)[row] = 0;
  }
}

TBalanceRun RunLoadBalancing(TRegime& r, const std::string& schemePath, const std::string& unomFile,
                             const std::function<void(const std::string&)>& stage) {
  TBalanceRun run;
  const std::string flowExt = GetMaketExtention(LayoutLineFlows);
  const std::string extensions = LayoutExtensions({LayoutNodes, LayoutBranches, LayoutLineFlows});
  LockTableFiles(schemePath, extensions);
  std::vector<std::string> errors;
  // Whatever happens from here on, the locks and the balancer's state go.
  struct Finish {
    TRegime& r;
    const std::string& path;
    const std::string& extensions;
    ~Finish() {
      UnlockTableFiles(path, extensions);
      r.LockFiles = false;
      r.Errors = nullptr;
      FixFlowDone();
    }
  } finish{r, schemePath, extensions};
  r.LockFiles = true;
  FixFlowInit();

  const std::string flowFile = FamilyFile(schemePath, flowExt);
  const bool flowFileExists = fileio::FileExists(flowFile);
  TDataFile flows;
  if (flowFileExists) {
    ReadTableFile(flowFile, flows);
  } else {
    ReadMaket(LayoutLineFlows, flows);
    CreateColumns(flows, 0);
  }
  TLineFlowCols cols;
  FillLineFlowCols(flows, cols);
  const TIniRec& ini = IniRec;
  if (ini.FlagBalans) ClearFlowResults(cols);

  TakeIterationSettings(r, ini);
  r.QLimits = ini.FlagRQ;
  r.LoadType = ini.TypLoad;
  r.SchemeRead = r.ModelError = r.ZeroContours = false;
  r.OnStage = nullptr;
  r.OnProgress = nullptr;
  r.Errors = &errors;
  r.Unsupplied = r.Contours = nullptr;

  TFlowPeriod period;
  period.Mode = ini.TypCalcPQ;
  period.Date1 = ini.Date1;
  period.Date2 = ini.Date2;
  period.Moment = ini.CalcDate;
  period.Step = ini.Tgr;
  period.DefaultTg = ini.Btgf;
  period.Hours = PeriodHours(ini.Date1, ini.Date2);
  try {
    r.ReadScheme(schemePath);
    if (ini.TypCalcPQ == 3) {
      std::string msg;
      if (!CountGraphPoints(true, ini.Tgr, period.Dates, msg, ini.Date2, ini.Date1)) errors.push_back(msg);
    }
    if (r.SchemeRead) {
      r.ApplyTimeData(ini.TypCalcPQ, ini.Tgr, ini.Date1, ini.Date2, ini.CalcDate, false);
      r.FormMatrices();
    }
  } catch (const std::exception& e) {
    errors.push_back(e.what());
    r.ModelError = true;
  }
  if (r.ModelError || r.ZeroContours || !r.SchemeRead) {
    run.Info = errors;
    return run;
  }

  const std::unique_ptr<TDataFile> catalog = OpenGraphCatalog(schemePath);
  const std::unique_ptr<TDataFile> values = OpenGraphValues(schemePath);
  period.Catalog = catalog.get();
  period.Values = values.get();
  for (int row = 1; row <= cols.RowCount; ++row) {
    if (Cell16(cols.B, row) != 0) continue;
    double p = 0, q = 0;
    std::string error;
    if (!ConvertFlowRow(cols, row, period, p, q, run.Info, error)) {
      run.Info.push_back(error);
      return run;
    }
    if (FixFlowAddGivenFlow(r.FirstElement, row, static_cast<std::int32_t>(Cell(cols.N1, row)),
                            static_cast<std::int32_t>(Cell(cols.N2, row)), static_cast<float>(Cell(cols.Kv, row)), p, q,
                            static_cast<std::uint16_t>(Cell16(cols.Typ, row)),
                            static_cast<std::uint16_t>(Cell16(cols.NK, row))) == 0) {
      run.Info.push_back(std::string(kPrefix) + "Ветвь не найдена: " + BranchText(cols, row));
      return run;
    }
  }

  if (stage) stage("Расчет матриц для балансировки нагрузок");
  FixFlowPrepare(r);
  FixFlowSetWeights();
  if (stage) stage("Балансировка нагрузок ...");
  // Current rows keep their flows as currents: the one before balancing is read off a regime of the
  // given loads.
  // A copy: the list is a snapshot that the balancer's next look-up replaces.
  std::vector<TFixFlowGiven> given = FixFlowGivenFlows();
  std::vector<std::pair<double, double>> currentsBefore(given.size());
  if (std::any_of(given.begin(), given.end(), [](const TFixFlowGiven& g) { return g.Kind == 3; })) {
    r.RunIterations();
    for (std::size_t k = 0; k < given.size(); ++k)
      if (given[k].Kind == 3) currentsBefore[k] = CurrentAndTangent(given[k]);
  }
  std::string error;
  if (!FixFlowSolve(r, run.Balanced, error)) {
    run.Info.insert(run.Info.end(), errors.begin(), errors.end());
    run.Info.push_back(error);
    return run;
  }
  if (!run.Balanced) ShowMsgForm("Небаланс нагрузок", mkWarning, mbOk);
  auto put = [](DAdouble* column, int row, double v) {
    if (column != nullptr) (*column)[row] = v;
  };
  given = FixFlowGivenFlows();
  for (std::size_t k = 0; k < given.size(); ++k) {
    const TFixFlowGiven& g = given[k];
    const bool current = g.Kind == 3;
    const auto after = current ? CurrentAndTangent(g) : std::pair{g.Result.real(), g.Result.imag()};
    const auto before = current ? currentsBefore[k] : std::pair{g.Initial.real(), g.Initial.imag()};
    put(cols.Prn, g.Row, before.first);
    put(cols.Qrn, g.Row, before.second);
    put(cols.Prb, g.Row, after.first);
    put(cols.Qrb, g.Row, after.second);
  }
  // The flows before and after go with the balanced regime in one run: a program that ends halfway
  // leaves the flows of the regime beside them.
  if (flowFileExists) r.WrittenWithResults.emplace_back(flowFile, &flows);
  r.WriteResults(unomFile, ini.TypCalcPQ, ini.SavePQ, ini.SumSbal, 0, ini.Un, ini.Uv, ini.Dimension, true, nullptr,
                 nullptr);
  run.Written = true;
  return run;
}

}  // namespace ld
