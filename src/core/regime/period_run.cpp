#include "core/regime/period_run.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_tables.h"
#include "core/engine/electric.h"
#include "core/engine/protocol.h"
#include "core/optim/q_optim.h"
#include "core/regime/node_equiv.h"
#include "core/regime/period_balance.h"
#include "core/regime/period_energy.h"
#include "core/engine/fixflow.h"
#include "core/regime/period_meters.h"
#include "core/regime/period_report.h"
#include "core/regime/period_statement.h"
#include "core/regime/switch_journal.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/journal.h"
#include "core/tables/layout.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"

namespace ld {
namespace {

constexpr std::uint8_t kGraphMode = 3;

char32_t Letter(char c) { return c == 0 || c == ' ' ? 0 : UpperChar(Cp1251Char(static_cast<unsigned char>(c))); }

void SetNumber(TDynamicArray* column, int row, double value) {
  if (auto* d = dynamic_cast<DAdouble*>(column)) (*d)[row] = value;
  else if (auto* r = dynamic_cast<DAreal*>(column)) (*r)[row] = value;
  else if (auto* f = dynamic_cast<DAsingle*>(column)) (*f)[row] = static_cast<float>(value);
  else if (auto* l = dynamic_cast<DALongint*>(column)) (*l)[row] = static_cast<std::int32_t>(std::lround(value));
}

// The run's locks and the engine's LockFiles, released on every way out.
class TRunLocks {
public:
  TRunLocks(TRegime& regime, std::string base, std::string extensions)
      : regime_(regime), base_(std::move(base)), extensions_(std::move(extensions)) {
    LockTableFiles(base_, extensions_);
    regime_.LockFiles = true;
  }
  ~TRunLocks() {
    try {
      UnlockTableFiles(base_, extensions_);
    } catch (...) {  // a lock that cannot be removed must not hide the run's own outcome
    }
    regime_.LockFiles = false;
  }
  TRunLocks(const TRunLocks&) = delete;
  TRunLocks& operator=(const TRunLocks&) = delete;

  // The tables of the run written in one run of the tables, which the run's locks serve.
  void WriteTogether(const std::vector<TDataFile*>& tables, const std::vector<TRunBytes>& texts) {
    std::vector<std::pair<std::string, TDataFile*>> files;
    for (TDataFile* table : tables) files.emplace_back(base_ + table->Extention, table);
    WriteTablesTogether(files, texts);
  }

private:
  TRegime& regime_;
  std::string base_, extensions_;
};

void Say(const std::function<void(const std::string&)>& f, const std::string& text) {
  if (f) f(text);
}

// Every element's voltage at the nominal voltage nearest to its present level.
void FixAtNominal(TRegime& regime) {
  for (TRegimeElement* e = regime.Root; e != nullptr; e = e->NextInTree) {
    if (e == regime.Root) continue;
    const Complex u(NearestNominalVoltage(e->U.real()), 0);
    e->U = e->UNode = u;
    e->IDelta = Complex();
  }
}

void ClearUnsuppliedLoads(TRegime& regime) {
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next)
    if ((e->Flags & efUnsupplied) != 0) e->Load1 = e->Load2 = e->Load = Complex();
}

struct TModelIndex {
  std::vector<TRegimeElement*> byNode, byBranch;
};
TModelIndex IndexModel(TRegime& regime) {
  TModelIndex index;
  for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->NodeIndex > 0 && (e->Flags & efLoopClosing) == 0) {
      if (index.byNode.size() <= static_cast<std::size_t>(e->NodeIndex)) index.byNode.resize(e->NodeIndex + 1);
      index.byNode[static_cast<std::size_t>(e->NodeIndex)] = e;
    }
    if (e->BranchIndex > 0) {
      if (index.byBranch.size() <= static_cast<std::size_t>(e->BranchIndex)) index.byBranch.resize(e->BranchIndex + 1);
      index.byBranch[static_cast<std::size_t>(e->BranchIndex)] = e;
    }
  }
  return index;
}

template <class T>
T* At(const std::vector<T*>& v, int row) {
  return row > 0 && static_cast<std::size_t>(row) < v.size() ? v[static_cast<std::size_t>(row)] : nullptr;
}

// The slice value of a result graph (positive quantities; MW and Mvar scaled by the energy dimension).
double ResultValue(const TPeriodGraph& g, const TModelIndex& index, double scale) {
  if (g.Quantity == TPeriodQuantity::RatioKta || g.Quantity == TPeriodQuantity::RatioKtr) {
    const TRegimeElement* e = At(index.byBranch, g.BranchRow);
    if (e == nullptr) return 0;
    Complex k = e->K;
    if ((e->Flags & efReversed) != 0 && std::norm(k) != 0) k = std::conj(k) / std::norm(k);
    return g.Quantity == TPeriodQuantity::RatioKta ? k.real() : k.imag();
  }
  const TRegimeElement* e = At(index.byNode, g.NodeRow);
  if (e == nullptr) return 0;
  switch (g.Quantity) {
    case TPeriodQuantity::Voltage: return std::abs(e->U);
    case TPeriodQuantity::LoadP: return std::fabs(e->Load1.real()) * scale;
    case TPeriodQuantity::GenerationP: return std::fabs(e->Load2.real()) * scale;
    case TPeriodQuantity::LoadQ: return std::fabs(e->Load1.imag()) * scale;
    case TPeriodQuantity::GenerationQ: return std::fabs(e->Load2.imag()) * scale;
    default: return 0;
  }
}

std::string GraphTitle(const TPeriodGraph& g, const TDataFile& nodesTable, const TDataFile& branchesTable) {
  TNodeCols n;
  FillNodeCols(nodesTable, n);
  TBranchCols b;
  FillBranchCols(branchesTable, b);
  auto node = [&](const char* prefix) {
    return std::string(prefix) + n.Name->GetItem(g.NodeRow) + " " + std::to_string(n.NS->Get(g.NodeRow));
  };
  auto branch = [&](const char* prefix) {
    const int r = g.BranchRow;
    return std::string(prefix) + b.Name1->GetItem(r) + " - " + b.Name2->GetItem(r) + " " +
           std::to_string(b.N1->Get(r)) + " - " + std::to_string(b.N2->Get(r));
  };
  switch (g.Quantity) {
    case TPeriodQuantity::Voltage: return node("U ");
    case TPeriodQuantity::LoadP: return node("P наг ");
    case TPeriodQuantity::GenerationP: return node("P ген ");
    case TPeriodQuantity::LoadQ: return node("Q наг ");
    case TPeriodQuantity::GenerationQ: return node("Q ген ");
    case TPeriodQuantity::RatioKta: return branch("К тр.РПН ");
    case TPeriodQuantity::RatioKtr: return branch("К тр.ТПР ");
  }
  return {};
}

}  // namespace

std::vector<std::string> CheckJournalRows(const TDataFile& journal, int currentYear) {
  std::vector<std::string> lines;
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  for (int r = 1; r <= j.RowCount; ++r) {
    int day = 0, month = 0, year = 0;
    SplitPackedDate(j.Date->Get(r), day, month, year);
    const std::string row = "Таблица переключений, строка " + std::to_string(r);
    if (std::abs(year - currentYear) > 10) lines.push_back(row + ": уточните год " + std::to_string(year));
    if (month < 1 || month > 12) lines.push_back(row + ": неверно задан месяц " + std::to_string(month));
    else if (day > DaysInMonth(year % 4 == 0 ? 2000 : 2001, month))
      lines.push_back(row + ": неверно задан день " + std::to_string(day));
    if (j.Hour->Get(r) >= 24) lines.push_back(row + ": неверно задан час " + std::to_string(j.Hour->Get(r)));
    if (j.Mins->Get(r) >= 60) lines.push_back(row + ": неверно заданы минуты " + std::to_string(j.Mins->Get(r)));
  }
  return lines;
}

void RoundJournalToSlices(TDataFile& journal, int step) {
  if (step <= 0) return;
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  for (int r = 1; r <= j.RowCount; ++r) {
    std::int64_t s = std::int64_t{j.Hour->Get(r)} * 3600 + std::int64_t{j.Mins->Get(r)} * 60;
    if (s % step != 0) s = (s / step + 1) * step;
    std::int64_t hour = s / 3600;
    (*j.Mins)[r] = static_cast<std::int32_t>((s % 3600) / 60);
    if (hour >= 24) {
      int day = 0, month = 0, year = 0;
      SplitPackedDate(j.Date->Get(r), day, month, year);
      IncDayParts(day, month, year);
      // A row whose date is no date can have no next day that a column holds: its date stays.
      const std::int64_t next = std::int64_t{year} * 10000 + month * 100 + day;
      if (next <= INT32_MAX && next >= INT32_MIN) (*j.Date)[r] = static_cast<std::int32_t>(next);
      hour -= 24;
    }
    (*j.Hour)[r] = static_cast<std::int32_t>(std::min<std::int64_t>(hour, INT32_MAX));
  }
}

bool UpdateRowSupplyNames(const TRegime& regime, TDataFile& journal, const TDataFile& branches,
                          const std::vector<int>& rows, int shift) {
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  TBranchCols b;
  FillBranchCols(branches, b);
  bool changed = false;
  for (const int applied : rows) {
    const int r = applied + shift;
    if (r < 1 || r > j.RowCount) continue;
    for (auto [node, fider] : {std::pair{j.N1->Get(r), j.Fider1}, std::pair{j.N2->Get(r), j.Fider2}}) {
      const std::string names = JoinSubstationNames(regime, node, b);
      if (fider->GetItem(r) == names) continue;
      fider->SetItem(r, names);
      changed = true;
    }
  }
  return changed;
}

TKtrSliceVoltages KtrSliceVoltages(const TPeriodData& period, int slice) {
  return TKtrSliceVoltages{period.VoltagesByNodeRow(slice)};
}

TSliceVoltages QSliceVoltages(const TPeriodData& period, int slice) {
  return TSliceVoltages{period.VoltagesByNodeNumber(slice)};
}

TPeriodRunResult RunPeriodLosses(TRegime& regime, const std::string& base, const TPeriodRunCallbacks& cb,
                                 TPeriodRunForm form, bool wordStatement) {
  const bool technological = form == TPeriodRunForm::Technological;
  const TIniRec& ini = IniRec;
  TPeriodRunResult result;
  const std::uint8_t mode = ini.TypCalcPQ;
  const bool graphMode = mode == kGraphMode;
  const int tgr = ini.Tgr > 0 ? ini.Tgr : 3600;
  const bool unom = ini.LossUnom;

  std::vector<const char*> layouts{LayoutNodes,        LayoutBranches,    LayoutSwitchLog, LayoutNodeEnergy,
                                   LayoutBranchEnergy, GraphCatalogMaket, GraphValuesMaket};
  if (ini.RegQ) layouts.push_back(LayoutReactiveSources);
  if (ini.RegKtr) layouts.push_back("Трансформаторы");
  if (ini.FlagBalans) layouts.push_back(LayoutLineFlows);
  const std::string extensions = LayoutExtensions(layouts);

  std::unique_ptr<TRunLocks> locks;
  try {
    locks = std::make_unique<TRunLocks>(regime, base, extensions);
  } catch (const std::exception& e) {
    Say(cb.Message, e.what());
    return result;
  }
  struct TimeDataGuard {
    TRegime& r;
    ~TimeDataGuard() {
      r.FreeTimeData();
      FixFlowDone();
      FixFlowProgress = {};
      FixFlowStopQuery = {};
    }
  } timeDataGuard{regime};
  FixFlowProgress = cb.Progress;
  FixFlowStopQuery = cb.StopQuery;
  const bool balancing = ini.FlagBalans && !technological && !unom;

  try {
    if (cb.Progress) cb.Progress(0);
    Say(cb.Status, "Подготовка к расчету потерь ...");

    TDataFile lineFlows;
    const std::string flowFile = FamilyFile(base, GetMaketExtention(LayoutLineFlows));
    if (std::filesystem::exists(flowFile)) {
      ReadTableFile(flowFile, lineFlows);
    } else {
      ReadMaket(LayoutLineFlows, lineFlows);
      CreateColumns(lineFlows, 0);
    }
    if (balancing) ClearMeterEnergies(lineFlows);

    TDataFile journal;
    const std::string journalFile = FamilyFile(base, GetMaketExtention(LayoutSwitchLog));
    if (std::filesystem::exists(journalFile)) {
      ReadTableFile(journalFile, journal);
    } else {
      ReadMaket(LayoutSwitchLog, journal);
      CreateColumns(journal, 0);
    }
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    for (const std::string& line : CheckJournalRows(journal, year)) Say(cb.Message, line);

    CopyRegimeSettings(regime);
    regime.SchemeRead = regime.ModelError = regime.ZeroContours = false;
    regime.ShowMessages = false;
    TDataFile nodes, branches;
    ReadTableFile(base + GetMaketExtention(LayoutNodes), nodes);
    ReadTableFile(base + GetMaketExtention(LayoutBranches), branches);

    TDateTime from = ReadSchemeSwitchDate(base);
    if (from == 0) from = Now();
    bool replayed = ApplySwitchJournal(branches, journal, false, from, std::trunc(ini.Date1), regime.Errors);
    TBranchCols b;
    FillBranchCols(branches, b);
    const float kfgn = ini.Kfgn;
    if (replayed && mode == 0) {
      for (int r = 1; r <= b.RowCount; ++r) {
        (*b.R)[r] = b.R->Get(r) * kfgn;
        (*b.X)[r] = b.X->Get(r) * kfgn;
      }
    }

    auto build = [&]() {
      bool changed = false;
      regime.BuildModel(nodes, branches, changed);
      regime.SchemePath = base;
      regime.AnalyzeConfiguration();
    };
    const double firstEnd = std::trunc(ini.Date1) + tgr / 86400.0;
    if (replayed) {
      build();
      if (!technological) regime.ApplyTimeData(mode, tgr, ini.Date1, ini.Date2, firstEnd, true);
      if (!regime.ModelError && !technological) regime.FormMatrices();
    }
    if (!replayed || regime.ModelError || regime.ZeroContours) {
      if (regime.Errors != nullptr)
        for (const std::string& line : *regime.Errors) Say(cb.Message, line);
      return result;
    }
    if (mode >= 1 && mode <= 3) RoundJournalToSlices(journal, tgr);

    if (technological) {
      Say(cb.Status, "Формирование результатов");
      result.Report = TreReport(MatchLineFlowMeters(regime, lineFlows, nodes, ini.SumALoss, cb.Message));
      SaveReportLines(base + ".WRG", result.Report);
      result.Written = true;
      return result;
    }

    TPeriodData period;
    std::string msg;
    if (!period.Capture(regime, mode, tgr, ini.Date1, ini.Date2, msg)) {
      Say(cb.Message, msg);
      return result;
    }

    // Given values of the scheme for the energies.
    TNodeCols n;
    FillNodeCols(nodes, n);
    std::vector<TEnergyGivenNode> givenNodes(static_cast<std::size_t>(n.RowCount) + 1);
    for (int r = 1; r <= n.RowCount; ++r) {
      TEnergyGivenNode& g = givenNodes[static_cast<std::size_t>(r)];
      g.Sign = Letter(n.Sign->Get(r));
      g.Gs = n.Gs->Get(r);
      g.Bs = n.Bs->Get(r);
      g.WPn = n.WPn->Get(r), g.WQn = n.WQn->Get(r), g.WPpr = n.WPpr->Get(r), g.WQpr = n.WQpr->Get(r);
      g.WPbt = n.WPbt->Get(r), g.WQbt = n.WQbt->Get(r), g.dWPa = n.dWPa->Get(r), g.dWQa = n.dWQa->Get(r);
    }
    std::vector<TEnergyGivenBranch> givenBranches(static_cast<std::size_t>(b.RowCount) + 1);
    for (int r = 1; r <= b.RowCount; ++r) {
      givenBranches[static_cast<std::size_t>(r)].A = Letter(b.A->Get(r));
      givenBranches[static_cast<std::size_t>(r)].Tz = b.Tz->Get(r);
      givenBranches[static_cast<std::size_t>(r)].R = SingleToDouble(b.R->Get(r));
      givenBranches[static_cast<std::size_t>(r)].X = SingleToDouble(b.X->Get(r));
    }
    TPeriodEnergy energy;
    energy.Init(std::move(givenNodes), std::move(givenBranches), period.WorkingHours(), ini.LossPlus);
    energy.AddSupplyRows(regime);

    const int slices = period.SliceCount();
    result.TimePoints = slices;
    const double periodHours = (std::trunc(ini.Date2) - std::trunc(ini.Date1) + 1) * 24;
    // The graphs of the metered flows: reduced by the mode, or followed slice by slice in graph mode.
    std::unique_ptr<TDataFile> flowCatalog, flowValues;
    TFlowGraphSource flowGraphs;
    TGivenFlowSeries givenSeries;
    if (balancing) {
      flowCatalog = OpenGraphCatalog(base);
      flowValues = OpenGraphValues(base);
      flowGraphs = {flowCatalog.get(), flowValues.get(), mode, ini.Date1, ini.Date2, tgr};
      if (!PrepareLoadBalancing(regime, lineFlows, nodes, periodHours, true, cb.Message, &flowGraphs, &givenSeries))
        return result;
    }
    if (unom) FixAtNominal(regime);
    ClearUnsuppliedLoads(regime);

    result.Report = LossReportHead(regime.SchemeName, Now(), ini.Date1, ini.Date2,
                                   regime.Errors != nullptr ? *regime.Errors : std::vector<std::string>{}, mode,
                                   unom);
    TControlMessages control;
    const std::string unomFile = FindFileNoCase(ini.Path + NominalVoltageFileName);
    const double scale = ini.Dimension == 0 ? 1.0 : 1000.0;
    TModelIndex index = IndexModel(regime);
    TSwitchLogCols j;
    FillSwitchLogCols(journal, j);
    std::vector<std::string> regulationLog;
    // The regulations' tables as the slices leave them, written with the period's own tables.
    TDataFile regulated[2];
    double lossesBefore = 0;
    bool switched = false;
    bool namesChanged = false;

    for (int i = 1; i <= slices; ++i) {
      const double end = period.SliceEnd(i);
      const std::string text = PackedDateTimeToStr(60, end);
      regime.VoltagesSet = false;
      if (graphMode) {
        const TRegimeElement* zero = nullptr;
        if (!period.ApplySlice(regime, i, ini.RegQ || balancing, &zero)) {
          Say(cb.ErrorBox, text + ", узел " + std::to_string(zero->Number) +
                               ": напряжение балансирующего узла равно нулю");
          return result;
        }
      }
      // A voltage graph changes the ratios that the contour matrices were formed with.
      if (graphMode && !period.VoltagesByNodeRow(i).empty()) {
        regime.FreeMatrices();
        regime.FormMatrices();
      }
      std::uint8_t marks = 0;
      if (balancing) {
        if (switched && ini.PropPQ) FixFlowSaveLoads();
        if (graphMode) LoadSliceGivenFlows(givenSeries, i);
        Say(cb.Status, "Балансировка нагрузок..." + text);
        bool balanced = false;
        std::string failure;
        if (!FixFlowSolve(regime, balanced, failure)) {
          Say(cb.Message, failure + " " + text);
          return result;
        }
        if (!balanced) marks |= smUnbalance;
      }
      switched = false;
      Say(cb.Status, "Расчет режима по срезу.." + text);
      if (!unom) {
        regime.RunIterations();
        regulationLog.clear();
        if (ini.RegQ && ini.RegKtr) {
          bool changed = true;
          while (changed) {
            RegulateQInLossCalc(regime, i, regulationLog, text, false, QSliceVoltages(period, i), {}, &regulated[0]);
            changed = RegulateKtrInLossCalc(regime, KtrSliceVoltages(period, i), regulationLog, false, &regulated[1]);
          }
        } else if (ini.RegQ) {
          RegulateQInLossCalc(regime, i, regulationLog, text, false, QSliceVoltages(period, i), {}, &regulated[0]);
        } else if (ini.RegKtr) {
          RegulateKtrInLossCalc(regime, KtrSliceVoltages(period, i), regulationLog, false, &regulated[1]);
        }
        for (const std::string& line : regulationLog) Say(cb.Message, line);
      } else {
        regime.Converged = true;
      }
      if (!regime.Converged) {
        Say(cb.Message, text + " Режим не сходится");
        return result;
      }

      const double h = period.SliceHours(i);
      if (unom)
        energy.AccumulateSliceEnergyAtUnom(regime, h);
      else
        energy.AccumulateSliceEnergy(regime, h);
      result.SliceEnds.push_back(end);
      result.SliceLosses.push_back(energy.Sums().LossP() - lossesBefore);
      lossesBefore = energy.Sums().LossP();
      if (balancing && FixFlowGivenCount > 0) AddMeterEnergies(lineFlows, h);

      if (!unom) {
        bool under = false, over = false, overCurrent = false, overFlow = false;
        regime.CheckVoltageDeviations(unomFile, under, ini.Un, ini.Uv, over);
        regime.CheckLoadLimits(overCurrent, overFlow, 0, 0);
        control.AddSlice(text, static_cast<std::uint8_t>(marks | (under ? smLowVoltage : 0) | (over ? smHighVoltage : 0) |
                                                         (overCurrent ? smLineCurrent : 0) |
                                                         (overFlow ? smTransformerFlow : 0)));
      }
      if (graphMode)
        for (TPeriodGraph& g : period.Graphs())
          if (g.Number < 0) g.Values[static_cast<std::size_t>(i - 1)] = ResultValue(g, index, scale);

      // Switching at the slice end: the "after" rows of this moment that name a branch of the scheme.
      const int date = static_cast<int>(std::trunc(end));
      const long seconds = std::lround((end - std::trunc(end)) * 100000);
      std::vector<int> appliedRows;
      for (int r = 1; r <= j.RowCount; ++r) {
        if (j.BA->Get(r) != 1 || j.Date->Get(r) != date ||
            long{j.Hour->Get(r)} * 3600 + long{j.Mins->Get(r)} * 60 != seconds)
          continue;
        int branchRow = 0;
        for (int k = 1; k <= b.RowCount && branchRow == 0; ++k) {
          const bool same = (b.N1->Get(k) == j.N1->Get(r) && b.N2->Get(k) == j.N2->Get(r)) ||
                            (b.N1->Get(k) == j.N2->Get(r) && b.N2->Get(k) == j.N1->Get(r));
          if (same && b.Nl->Get(k) == j.Nl->Get(r)) branchRow = k;
        }
        if (branchRow == 0) continue;
        Say(cb.Status, "Подготовка переключения " + text);
        const char before = b.Commut->Get(branchRow);
        SwitchLogToBranch(branches, journal, branchRow, r);
        FillBranchCols(branches, b);
        if (mode == 0) {
          (*b.R)[branchRow] = b.R->Get(branchRow) * kfgn;
          (*b.X)[branchRow] = b.X->Get(branchRow) * kfgn;
        }
        energy.SetBranchImpedance(branchRow, SingleToDouble(b.R->Get(branchRow)), SingleToDouble(b.X->Get(branchRow)));
        const char after = b.Commut->Get(branchRow);
        if (Letter(before) != Letter(after))
          control.AddSwitching(r, j.Name1->GetItem(r), j.Name2->GetItem(r), Letter(after) == 0);
        appliedRows.push_back(r);
      }
      if (!appliedRows.empty()) {
        // Only the average mode keeps the journal's own times, so only it may write the journal back.
        if (mode == 0) namesChanged |= UpdateRowSupplyNames(regime, journal, branches, appliedRows, -1);
        period.SaveLoads(regime);
        build();
        if (mode == 0 && !regime.ModelError)
          namesChanged |= UpdateRowSupplyNames(regime, journal, branches, appliedRows, 0);
        if (!regime.ModelError && !regime.ZeroContours) regime.FormMatrices();
        if (regime.ModelError || regime.ZeroContours) {
          Say(cb.ErrorBox, "Ошибка построения модели схемы");
          Say(cb.Message, "Переключение " + text);
          return result;
        }
        if (balancing && !PrepareLoadBalancing(regime, lineFlows, nodes, periodHours, false, cb.Message, &flowGraphs,
                                               &givenSeries))
          return result;
        if (unom) regime.InitVoltages();
        period.RestoreLoads(regime);
        switched = true;
        if (unom) FixAtNominal(regime);
        index = IndexModel(regime);
      }
      if (cb.Progress) cb.Progress(static_cast<int>(i * 100LL / std::max(slices, 1)));
      if (cb.StopQuery && cb.StopQuery()) {
        result.Stopped = true;
        break;
      }
    }

    Say(cb.Status, "Формирование результатов");
    if (result.Stopped) {
      Say(cb.Message, "<<<< Расчет прерван >>>>");
      return result;
    }
    // The energy tables.
    TDataFile nodeEnergy, branchEnergy;
    ReadMaket(LayoutNodeEnergy, nodeEnergy);
    CreateColumns(nodeEnergy, n.RowCount);
    TNodeEnergyCols ne;
    FillNodeEnergyCols(nodeEnergy, ne);
    for (int r = 1; r <= n.RowCount; ++r) {
      const TNodeEnergyRow& row = energy.Nodes().size() > static_cast<std::size_t>(r)
                                      ? energy.Nodes()[static_cast<std::size_t>(r)]
                                      : TNodeEnergyRow{};
      SetNumber(ne.NS, r, n.NS->Get(r));
      (*ne.Nr)[r] = n.Nr->Get(r);
      ne.Name->SetItem(r, n.Name->GetItem(r));
      (*ne.Sign)[r] = n.Sign->Get(r);
      SetNumber(ne.Unom, r, row.Unom);
      SetNumber(ne.Umin, r, row.Umin);
      SetNumber(ne.Umax, r, row.Umax);
      SetNumber(ne.WPn, r, row.WPn), SetNumber(ne.WQn, r, row.WQn), SetNumber(ne.WPg, r, row.WPg);
      SetNumber(ne.WQg, r, row.WQg), SetNumber(ne.WPs, r, row.WPs), SetNumber(ne.WQs, r, row.WQs);
    }
    const int rows = static_cast<int>(energy.Branches().size()) - 1;
    ReadMaket(LayoutBranchEnergy, branchEnergy);
    CreateColumns(branchEnergy, rows);
    TBranchEnergyCols be;
    FillBranchEnergyCols(branchEnergy, be);
    for (int r = 1; r <= rows; ++r) {
      const TBranchEnergyRow& row = energy.Branches()[static_cast<std::size_t>(r)];
      if (r <= b.RowCount) {
        (*be.Nr)[r] = b.Nr->Get(r), (*be.N1)[r] = b.N1->Get(r), (*be.N2)[r] = b.N2->Get(r);
        (*be.Nl)[r] = b.Nl->Get(r);
        (*be.A)[r] = b.A->Get(r);
        if (b.Kta->Get(r) != 0 || b.Ktr->Get(r) != 0) (*be.T)[r] = Utf8ToCp1251("Т")[0];
        be.DSName->SetItem(r, b.DSName->GetItem(r));
        be.TypEqu->SetItem(r, b.TypEqu->GetItem(r));
        be.Mark->SetItem(r, b.Mark->GetItem(r));
        be.Balans->SetItem(r, b.Balans->GetItem(r));
        (*be.R)[r] = b.R->Get(r), (*be.X)[r] = b.X->Get(r), (*be.G)[r] = b.G->Get(r), (*be.B)[r] = b.B->Get(r);
      } else {
        (*be.N1)[r] = row.N1;
        (*be.N2)[r] = row.N2;
      }
      be.Name1->SetItem(r, row.Name1);
      be.Name2->SetItem(r, row.Name2);
      const auto f = [](double v) { return static_cast<float>(v); };
      (*be.Ul)[r] = f(row.Ul), (*be.Idop)[r] = f(row.Idop), (*be.Imin)[r] = f(row.Imin), (*be.Imax)[r] = f(row.Imax);
      (*be.Sdop)[r] = f(row.Sdop), (*be.Smin)[r] = f(row.Smin), (*be.Smax)[r] = f(row.Smax);
      (*be.WPnr)[r] = row.WPnr, (*be.WQnr)[r] = row.WQnr, (*be.WPnl)[r] = row.WPnl, (*be.WQnl)[r] = row.WQnl;
      (*be.WPkr)[r] = row.WPkr, (*be.WQkr)[r] = row.WQkr, (*be.WPkl)[r] = row.WPkl, (*be.WQkl)[r] = row.WQkl;
      (*be.dWPz)[r] = row.dWPz, (*be.dWQz)[r] = row.dWQz, (*be.dWPy)[r] = row.dWPy, (*be.dWQy)[r] = row.dWQy;
      SetNumber(be.dWPp, r, row.dWPp);
      SetNumber(be.dWPq, r, row.dWPq);
      (*be.WPp)[r] = row.WPp, (*be.WQp)[r] = row.WQp, (*be.WPm)[r] = row.WPm, (*be.WQm)[r] = row.WQm;
      (*be.WPn)[r] = row.WPn, (*be.WQn)[r] = row.WQn, (*be.WPsn)[r] = row.WPsn, (*be.WQsn)[r] = row.WQsn;
      (*be.WPg)[r] = row.WPg, (*be.WQg)[r] = row.WQg, (*be.WPpr)[r] = row.WPpr, (*be.WQpr)[r] = row.WQpr;
      (*be.WPbt)[r] = row.WPbt, (*be.WQbt)[r] = row.WQbt, (*be.dWPa)[r] = row.dWPa, (*be.dWQa)[r] = row.dWQa;
      (*be.dWP1)[r] = row.dWP1, (*be.dWQ1)[r] = row.dWQ1, (*be.dWP2)[r] = row.dWP2, (*be.dWQ2)[r] = row.dWQ2;
      (*be.dWP1a)[r] = row.dWP1a, (*be.dWQ1a)[r] = row.dWQ1a, (*be.dWP2a)[r] = row.dWP2a;
      (*be.dWQ2a)[r] = row.dWQ2a;
    }
    AppendEnergyBalance(result.Report, energy.Sums(), ini.Dimension);
    if (wordStatement) {
      TLossStatementData statement;
      statement.SchemeName = std::filesystem::path(base).filename().string();
      statement.Date1 = ini.Date1, statement.Date2 = ini.Date2, statement.Now = Now();
      statement.Totals = MatchLineFlowMeters(regime, lineFlows, nodes, ini.SumALoss, cb.Message);
      statement.ReactiveByClass = energy.Sums().ReactiveByClass;
      WriteLossReportDoc(LossStatementTemplate(), LossStatementPath(base), statement, branchEnergy, cb.ErrorBox);
    }
    result.Control = control.Lines();
    // Everything the period writes goes in one run: a program that ends halfway leaves the energies,
    // the flows, the graphs, the supply hours and the reports of one period, never of two.
    std::vector<TDataFile*> written = {&nodeEnergy, &branchEnergy};
    if (namesChanged && mode == 0) written.push_back(&journal);
    if (balancing) written.push_back(&lineFlows);
    for (TDataFile& table : regulated)
      if (!table.Name.empty()) written.push_back(&table);

    std::unique_ptr<TDataFile> catalog, values;
    if (graphMode) {
      catalog = OpenGraphCatalog(base);
      values = OpenGraphValues(base);
      const std::string fileName = std::filesystem::path(base).filename().string();
      ResolveGraphNumber(*catalog, *values, 0, fileName + " (потери)", "кВт", result.SliceEnds, result.SliceLosses,
                         'P', tgr);
      for (const TPeriodGraph& g : period.Graphs()) {
        if (g.Number >= 0) continue;
        static const char kinds[] = {'U', 'P', 'P', 'Q', 'Q', 'k', 'k'};
        const auto q = static_cast<std::size_t>(g.Quantity);
        std::string unitText;
        if (g.Quantity == TPeriodQuantity::Voltage) unitText = "кВ";
        else if (g.Quantity == TPeriodQuantity::LoadP || g.Quantity == TPeriodQuantity::GenerationP)
          unitText = ini.Dimension == 0 ? "МВт" : "кВт";
        else if (g.Quantity == TPeriodQuantity::LoadQ || g.Quantity == TPeriodQuantity::GenerationQ)
          unitText = ini.Dimension == 0 ? "МВАр" : "кВАр";
        ResolveGraphNumber(*catalog, *values, g.Number, GraphTitle(g, nodes, branches), unitText, result.SliceEnds,
                           g.Values, kinds[q], tgr);
      }
      written.push_back(catalog.get());
      written.push_back(values.get());
    }
    TDataFile stored;
    if (!regime.SupplyHours.empty()) {
      FillNodeCols(nodes, n);
      for (int r = 1; r <= n.RowCount; ++r)
        if (static_cast<std::size_t>(r) < regime.SupplyHours.size())
          (*n.Trab)[r] = static_cast<float>(regime.SupplyHours[static_cast<std::size_t>(r)]);
      // Into the node table as stored: the run's copy may hold graph loads of the model.
      ReadTableFile(base + GetMaketExtention(LayoutNodes), stored);
      TNodeCols s;
      FillNodeCols(stored, s);
      for (int r = 1; r <= s.RowCount && r <= n.RowCount; ++r) (*s.Trab)[r] = n.Trab->Get(r);
      written.push_back(&stored);
    }
    // The report and the control messages with the tables they speak of.
    locks->WriteTogether(written, {{base + ".WMS", ProtocolBytes(result.Control)},
                                   {base + ".WRG", ProtocolBytes(result.Report)}});
    result.Written = true;
  } catch (const std::exception& e) {
    Say(cb.Message, e.what());
  }
  return result;
}

}  // namespace ld
