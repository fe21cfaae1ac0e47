#pragma once
// The energy-loss calculation over a period without a window: the settings of IniRec, the scheme's
// files, and callbacks for what the window shows. The run takes the scheme's locks and releases them on
// every exit; a stopped or failed run writes nothing.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/engine/time_period.h"
#include "core/optim/ktr_regulate.h"
#include "core/optim/q_regulate.h"

namespace ld {

class TDataFile;

struct TPeriodRunCallbacks {
  std::function<void(const std::string&)> Status;   // the window's status text
  std::function<void(int)> Progress;                // 0..100
  std::function<void(const std::string&)> Message;  // one line of the message panel
  std::function<void(const std::string&)> ErrorBox; // an error message box
  std::function<bool()> StopQuery;                  // asked after every slice: true stops the run
};

struct TPeriodRunResult {
  bool Written = false;  // the result tables and the reports were written
  bool Stopped = false;
  int TimePoints = 0;  // the period's time points once the model was built (0 before)
  std::vector<std::string> Report;   // the lines of ".WRG"
  std::vector<std::string> Control;  // the lines of ".WMS"
  std::vector<double> SliceEnds;     // packed moments
  std::vector<double> SliceLosses;   // kW·h of each slice
};

// The two forms of the run: the loss calculation ("Расчет потерь") and the technological consumption
// by meters ("Расчет ТРЭ"), which writes only the result report.
enum class TPeriodRunForm { Losses, Technological };

// The run on the scheme schemeBase (path without extension) on the window's engine with the settings of
// IniRec ("Losses", "Regim", "Balans"). The engine's Errors, Unsupplied and Contours lists are the
// caller's. wordStatement asks for the statement "Потери NAME.docx" beside the scheme (the loss
// settings dialog's option).
TPeriodRunResult RunPeriodLosses(TRegime& regime, const std::string& schemeBase, const TPeriodRunCallbacks& cb,
                                 TPeriodRunForm form = TPeriodRunForm::Losses, bool wordStatement = false);

// Checks of the rows of a switching journal: one line per finding ("Таблица переключений, строка ...").
// currentYear is the plausible year.
std::vector<std::string> CheckJournalRows(const TDataFile& journal, int currentYear);
// Moves every row's time up to the slice grid of step seconds; 24:00 becomes 0:00 of the next day.
void RoundJournalToSlices(TDataFile& journal, int step);

// The supply names of the end nodes N1 and N2 of journal rows rows[i] + shift through the present model
// (JoinSubstationNames) into their Fider1 and Fider2 where they differ; true on any change. A switching
// refreshes its before-rows (shift -1) with the model it leaves and its after-rows (shift 0) with the
// model it makes.
bool UpdateRowSupplyNames(const TRegime& regime, TDataFile& journal, const TDataFile& branches,
                          const std::vector<int>& rows, int shift);

// The slice's voltage-graph values in the forms the regulations take.
TKtrSliceVoltages KtrSliceVoltages(const TPeriodData& period, int slice);
TSliceVoltages QSliceVoltages(const TPeriodData& period, int slice);

}  // namespace ld
