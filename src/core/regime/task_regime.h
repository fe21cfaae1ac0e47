#pragma once
// What the calculating tasks of the regime window share: the regime settings copied into the window's
// engine, the base calculation with its verdict, the locks a task run takes (and gives back alone), the
// rewrite of a locked table and the side arrays of per-element work values.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

class TDataFile;

// The regime settings of the settings record, with the reactive limits as given; the model is read anew.
void PrepareTaskEngine(TRegime& r, bool qLimits);

enum class TTaskVerdict { Calculated, Failed, NotConverged };

// Calculate on the scheme; an exception's message goes to errors. Failed after an exception, a model
// error or zero contours; NotConverged when the iteration did not converge.
TTaskVerdict RunTaskCalculation(TRegime& r, const std::string& path, std::vector<std::string>& errors);
// The same verdict of a model read without iterating (the nominal-voltage tasks): only the read is judged.
TTaskVerdict JudgeModelRead(const TRegime& r, bool raised);

// The results of a calculated regime written: the node and branch tables and the protocol, in one run.
void WriteRegimeResults(TRegime& r);

// "Расчет режима" of the scheme at path: the regime settings of the settings record, the calculation with
// the scheme's tables locked throughout, and its results written (WriteRegimeResults) unless it failed.
// judged hears the verdict before anything is written.
TTaskVerdict CalculateSchemeRegime(TRegime& r, const std::string& path, std::vector<std::string>& errors,
                                   const std::function<void(TTaskVerdict)>& judged = {});

// The locks a task run takes: each lock set (a base path and its node and branch files) is recorded when
// taken, and only those are released, in the reverse order, when the run ends. Another user's lock, or
// one that this run failed to take, stays as it is. The engine's LockFiles is set while any is held.
class TTaskLocks {
public:
  explicit TTaskLocks(TRegime* engine) : engine_(engine) {}
  ~TTaskLocks();
  TTaskLocks(const TTaskLocks&) = delete;
  TTaskLocks& operator=(const TTaskLocks&) = delete;
  // Locks the node and branch files of the base path; throws the table store's error when refused.
  void Lock(const std::string& basePath);
  // Releases the locks of one base path taken by this run.
  void Release(const std::string& basePath);
  void ReleaseAll();

private:
  TRegime* engine_;
  std::vector<std::string> taken_;
};

// The node and branch extensions joined for the lock routines (".UZL,.VET").
std::string SchemeLockExtensions();

// Writes a table of a locked scheme: its own lock is released, the table written and the file locked
// again.
void RewriteLockedTable(const std::string& basePath, TDataFile& table);
// Both tables of a scheme locked by the calling run, both or neither (WriteTablesTogether): each goes to
// a temporary file first, and only when both are written do they take the old files' places, so no
// scheme is left with new nodes beside old branches, or with nodes alone. A failed write names the
// table's file; the locks stay.
void RewriteLockedScheme(const std::string& basePath, TDataFile& nodes, TDataFile& branches);

// The sensitivities of the fixed-voltage nodes kept by a calculation are given up.
void FreeKeptSensitivities(TRegime& r);

// A value per model element, found by the element's creation number.
template <typename T>
class TElementValues {
public:
  explicit TElementValues(const TRegime& r) : r_(r), values_(r.Elements().Count()) {}
  T& operator[](const TRegimeElement* e) { return values_[r_.Elements().IndexOf(e)]; }

private:
  const TRegime& r_;
  std::vector<T> values_;
};

}  // namespace ld
