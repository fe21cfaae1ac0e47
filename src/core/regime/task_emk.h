#pragma once
// Capacitive (earth-fault) currents of the 6, 10 and 35 kV network: per node the current of the network
// it feeds, per branch the currents at its two ends; and their view for the supply points or the
// distribution points.
#include <functional>
#include <string>

#include "core/engine/regime.h"
#include "core/regime/task_regime.h"

namespace ld {

class TDataFile;
struct TNodeCols;
struct TBranchCols;

// Fills Iemk of the node rows and Iemk1, Iemk2 of the branch rows (all cleared first) from the model:
// with calculated voltages when byRegime, else with the nominal voltages of the elements.
void CalcCapacitiveCurrents(TRegime& r, TNodeCols& nodes, TBranchCols& branches, bool byRegime,
                            const std::function<void(int)>& progress = {});

// "Расчет емкостных токов" of the scheme at path, by the regime calculated when the settings ask for it
// (Uemk), else by the nominal voltages of the model read, the currents written into its node and branch
// tables in one run; the scheme's tables locked throughout. The verdict of the calculation or the read
// (an error's message into errors); nothing is written unless Calculated.
TTaskVerdict CalculateSchemeCapCurrents(TRegime& r, const std::string& path, std::vector<std::string>& errors,
                                        const std::function<void(int)>& progress = {});

enum class TCapCurrentPoints { Supply, Distribution };

// The table "Емкостные токи" (created here) of the listed points and the branches leaving them, from the
// stored values of the node and branch tables, sorted by its layout's keys under the branch table's
// title.
void BuildCapCurrentView(const TRegime& r, const TDataFile& nodes, const TDataFile& branches,
                         TCapCurrentPoints points, TDataFile& view, const std::function<void(int)>& progress = {});

}  // namespace ld
