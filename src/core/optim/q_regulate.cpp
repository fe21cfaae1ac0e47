// The reactive regulation of one time slice of the period loss calculation.
#include "core/optim/q_regulate.h"

#include <filesystem>

#include "core/base/inifile.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

struct TRegulationSettings {
  double EpsOpt = 1e-4, EpsReg = 1e-8, Ku = 10, Kdp = 1, dQt = 10, Tok = 0;
  double C_BSK = 100000, Tarif = 1700, Tmax = 4380;
  int Method = 0;
  bool PrecSnap = false;
};

TRegulationSettings ReadRegulationSettings(std::vector<std::string>& log) {
  TRegulationSettings s;
  try {
    const TMemIniFile ini(ConfigFileName);
    const auto number = [&](const char* key, const char* def) {
      return StrToFloatZ(ini.ReadString("OptimQ", key, def));
    };
    s.EpsOpt = number("EpsOpt", "1e-4");
    s.EpsReg = number("EpsReg", "1e-8");
    s.Ku = number("Ku", "10");
    s.Kdp = number("Kdp", "1");
    s.Method = ini.ReadInteger("OptimQ", "Method", 0);
    s.dQt = number("dQt", "10");
    s.Tok = number("Tok", "0");
    s.C_BSK = ini.ReadFloat("OptimQ", "C_BSK", 100000);
    s.Tarif = ini.ReadFloat("OptimQ", "Tarif", 1700);
    s.Tmax = ini.ReadFloat("OptimQ", "Tmax", 4380);
    s.PrecSnap = ini.ReadBool("OptimQ", "PrecSnap", false);
  } catch (const std::exception&) {
    log.push_back("Ошибка чтения файла конфигурации " + ConfigFileName);
    const TRegulationSettings defaults;
    s.EpsOpt = defaults.EpsOpt;
    s.EpsReg = defaults.EpsReg;
    s.Ku = defaults.Ku;
    s.Kdp = defaults.Kdp;
    s.Method = 0;
    s.dQt = defaults.dQt;
    s.Tok = 0;
    s.PrecSnap = false;
  }
  return s;
}

// Matches the rows to the slice's model; the sources take the model's powers and limits of the slice.
bool MatchSliceRows(TDataFile& table, TRegime& regime, TQOptimState& state, const TSliceVoltages& voltages,
                    std::vector<std::string>& log) {
  TQCols c;
  FillQCols(table, c);
  for (int r = 1; r <= c.RowCount; ++r) {
    (*c.dQ)[r] = (*c.Umod)[r] = (*c.U2mod)[r] = 0;
    state.PrevdQ[r] = 0;
    state.PrevQopt[r] = c.Qopt->Get(r);
    TRegimeElement* e = FindQNode(regime, c.Nq->Get(r));
    if (e == nullptr) {
      log.push_back("Таблица оптимизации Q: узел " + std::to_string(c.Nq->Get(r)) + " не найден");
      return false;
    }
    state.Source[r] = e;
    (*c.Qish)[r] = e->Load2.imag() * 1000;
    (*c.Qopt)[r] = c.Qish->Get(r);
    (*c.Qmin)[r] = SingleToDouble(e->Qmin) * 1000;
    (*c.Qmax)[r] = SingleToDouble(e->Qmax) * 1000;
    state.StartValue[r] = -SourceTotal(*e);
    for (int which = 1; which <= 2; ++which) {
      const std::int32_t nu = which == 1 ? c.Nu->Get(r) : c.N2u->Get(r);
      if (nu == 0) continue;
      const std::int32_t number = nu < 0 ? -nu : nu;
      TRegimeElement* w = FindQNode(regime, number);
      if (w == nullptr) {
        log.push_back("Таблица оптимизации Q: узел " + std::to_string(number) + " не найден");
        return false;
      }
      const auto graph = voltages.NodeVoltage.find(w->Number);
      if (graph != voltages.NodeVoltage.end()) {
        (*(which == 1 ? c.Umin : c.U2min))[r] = graph->second;
        (*(which == 1 ? c.Umax : c.U2max))[r] = graph->second;
      }
      (which == 1 ? state.Watch1 : state.Watch2)[r] = w;
    }
  }
  return true;
}

}  // namespace

void RegulateQInLossCalc(TRegime& Regime, int /*Slice*/, std::vector<std::string>& Log, const std::string& SliceText,
                         bool WriteNodes, const TSliceVoltages& Voltages, const TStopQuery& Stop, TDataFile* Held) {
  const std::string stem = Regime.SchemePath;
  const std::string file = FamilyFile(stem, GetMaketExtention(LayoutReactiveSources));
  std::error_code ec;
  if (stem.empty() || !std::filesystem::exists(file, ec)) return;

  TDataFile own;
  TDataFile& table = Held != nullptr ? *Held : own;
  const TRegulationSettings set = ReadRegulationSettings(Log);
  if (table.Name.empty()) {
    ReadMaket(LayoutReactiveSources, table);
    ReadQTableFile(file, table);
  }
  TQOptimState state;
  state.Resize(table.RowCount);
  state.StopRequested = false;
  state.C_BSK = set.C_BSK;
  state.Tarif = set.Tarif;
  state.Tmax = set.Tmax;
  state.InitialLoss = Regime.TotalLosses();

  const double accuracy = Regime.Accuracy;
  bool written = false;
  if (MatchSliceRows(table, Regime, state, Voltages, Log)) {
    Regime.Accuracy = set.EpsReg;
    state.IterationCount = 0;
    const TQMethodParams params{set.dQt, set.Ku, set.Kdp, set.EpsOpt, set.Tok, set.PrecSnap};
    double F = ReactiveFunctional(table, Regime, state, -1, set.Ku, set.Kdp);
    if (F != -1.0) {
      for (;;) {
        ++state.IterationCount;
        QMethodStep(set.Method, table, Regime, state, params);
        F = ReactiveFunctional(table, Regime, state, -1, set.Ku, set.Kdp);
        if (Stop && Stop()) state.StopRequested = true;
        if (state.StopRequested) break;
        if (state.Gradient < set.EpsOpt) break;
        if (!Regime.Converged) break;
        if (state.IterationCount > Regime.MaxIter) break;
      }
    }
    bool violated = false;
    UpdateWatchedVoltages(table, state, violated);
    if (state.IterationCount <= Regime.MaxIter && !state.StopRequested) {
      if (WriteNodes) {
        WriteQoptWithNodeTable(table, state, stem);
        written = true;
      }
    } else {
      Log.push_back("Оптимизация Q: " + SliceText + " - точность оптимизации не достигнута");
    }
    Regime.Accuracy = accuracy;
  }
  if (!written && Held == nullptr) WriteTableUnderLock(stem, table);
}

}  // namespace ld
