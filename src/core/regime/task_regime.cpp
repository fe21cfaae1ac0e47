#include "core/regime/task_regime.h"

#include <exception>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/iteration_settings.h"
#include "core/regime/node_equiv.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"

namespace ld {

void PrepareTaskEngine(TRegime& r, bool qLimits) {
  CopyRegimeSettings(r);
  r.QLimits = qLimits;
  r.SchemeRead = r.ModelError = r.ZeroContours = false;
}

TTaskVerdict RunTaskCalculation(TRegime& r, const std::string& path, std::vector<std::string>& errors) {
  const TIniRec& ini = IniRec;
  bool raised = false;
  try {
    r.Calculate(path, ini.TypCalcPQ, ini.Date1, ini.Date2, ini.CalcDate, ini.Tgr);
  } catch (const std::exception& e) {
    errors.push_back(e.what());
    raised = true;
  }
  if (raised || r.ModelError || r.ZeroContours) return TTaskVerdict::Failed;
  return r.Converged ? TTaskVerdict::Calculated : TTaskVerdict::NotConverged;
}

void WriteRegimeResults(TRegime& r) {
  const TIniRec& ini = IniRec;
  r.WriteResults(FindFileNoCase(ini.Path + NominalVoltageFileName), ini.TypCalcPQ, false, ini.SumSbal, 0, ini.Un,
                 ini.Uv, ini.Dimension, true, nullptr, nullptr);
}

TTaskVerdict CalculateSchemeRegime(TRegime& r, const std::string& path, std::vector<std::string>& errors,
                                   const std::function<void(TTaskVerdict)>& judged) {
  LoadNominalVoltages();
  TTaskLocks locks(&r);
  locks.Lock(path);
  struct Once {  // a repeated calculation is asked for this one alone
    TRegime& r;
    ~Once() { r.RepeatCalc = false; }
  } once{r};
  const TIniRec& ini = IniRec;
  TakeIterationSettings(r, ini);
  r.Digits = ini.Digit;
  r.QLimits = ini.FlagRQ;
  r.QLimitCount = ini.CountRQ;
  r.PhaseCurrents = ini.FlagIF;
  r.LoadType = ini.TypLoad;
  r.RepeatCalc = ini.RepeatIter;
  r.SchemeRead = r.ModelError = r.ZeroContours = false;
  const TTaskVerdict verdict = RunTaskCalculation(r, path, errors);
  if (judged) judged(verdict);
  if (verdict != TTaskVerdict::Failed) WriteRegimeResults(r);
  return verdict;
}

TTaskVerdict JudgeModelRead(const TRegime& r, bool raised) {
  return raised || r.ModelError || r.ZeroContours ? TTaskVerdict::Failed : TTaskVerdict::Calculated;
}

std::string SchemeLockExtensions() { return LayoutExtensions({LayoutNodes, LayoutBranches}); }

void TTaskLocks::Lock(const std::string& basePath) {
  LockTableFiles(basePath, SchemeLockExtensions());
  taken_.push_back(basePath);
  if (engine_ != nullptr) engine_->LockFiles = true;
}

void TTaskLocks::Release(const std::string& basePath) {
  const std::string path = basePath;  // may be an item of the list itself
  for (auto it = taken_.begin(); it != taken_.end(); ++it) {
    if (*it != path) continue;
    taken_.erase(it);
    UnlockTableFiles(path, SchemeLockExtensions());
    break;
  }
  if (taken_.empty() && engine_ != nullptr) engine_->LockFiles = false;
}

void TTaskLocks::ReleaseAll() {
  while (!taken_.empty()) Release(taken_.back());
  if (engine_ != nullptr) engine_->LockFiles = false;
}

TTaskLocks::~TTaskLocks() {
  try {
    ReleaseAll();
  } catch (...) {
    // A lock that cannot be removed stays for the user to clear.
  }
}

void RewriteLockedTable(const std::string& basePath, TDataFile& table) {
  const std::string ext = table.Extention.empty() ? GetMaketExtention(table.Name) : table.Extention;
  UnlockTableFiles(basePath, ext);
  WriteTableFile(basePath + ext, table);
  LockTableFiles(basePath, ext);
}

void RewriteLockedScheme(const std::string& basePath, TDataFile& nodes, TDataFile& branches) {
  // The tables stay locked by the calling run meanwhile: nobody else writes them until both are in place.
  auto file = [&basePath](const TDataFile& t) {
    return basePath + (t.Extention.empty() ? GetMaketExtention(t.Name) : t.Extention);
  };
  WriteTablesTogether({{file(nodes), &nodes}, {file(branches), &branches}});
}

void FreeKeptSensitivities(TRegime& r) {
  r.StorePVJacobian = r.ReusePVJacobian = false;
  r.PVJacobian = Matrix();
  r.PVSensitivities.clear();
}

}  // namespace ld
