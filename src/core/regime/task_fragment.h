#pragma once
// A fragment of a scheme saved as a scheme of its own, the cut branches replaced by the powers they
// carried at the fragment's nodes; and another scheme joined to the open one at its balancing nodes.
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/regime/task_regime.h"

namespace ld {

class TDataFile;

// The fragment's node rows (nodeSet, rows of boxNodes, put into the new table in reverse order) and
// branch rows (branchSet, in order) under the title. A node fed by a branch outside the fragment has the
// power arriving through it added to its generation, one feeding such a branch the power sent into it
// taken off; the powers are those of the model's calculated regime, whose tables boxNodes and
// boxBranches are.
void BuildFragmentTables(TRegime& r, const TDataFile& boxNodes, const TDataFile& boxBranches,
                         const std::vector<std::int32_t>& nodeSet, const std::vector<std::int32_t>& branchSet,
                         const std::string& title, TDataFile& nodes, TDataFile& branches);

// Joins the added scheme (its tables added*, its calculated model in r) to the open scheme's tables
// (open*, changed in place): each named balancing node of the added scheme is matched by name (any
// letter case) to a node of the open scheme, which takes its number and gives up what the added network
// draws beyond the balancing node itself (with keepSign, a load that would change its sign becomes 0).
// Every other supplied node and branch of the added scheme is appended in tree order, numbers that the
// open scheme uses replaced by new ones above the largest of both. Returns the names of the balancing
// nodes without a match.
std::vector<std::string> JoinSchemeTables(TRegime& r, const TDataFile& addedNodes, const TDataFile& addedBranches,
                                          TDataFile& openNodes, TDataFile& openBranches, bool keepSign);


// "Выделение фрагмента графики схемы": the regime of the scheme at path calculated (with the regime
// settings and the reactive limits of the settings) and the fragment of its shown tables (BuildFragmentTables)
// written as the scheme target, both tables in one run; the tables of both schemes locked throughout.
// The verdict (an error's message into errors); nothing is written unless Calculated.
TTaskVerdict SaveSchemeFragment(TRegime& r, const std::string& path, const TDataFile& shownNodes,
                                const TDataFile& shownBranches, const std::vector<std::int32_t>& nodeSet,
                                const std::vector<std::int32_t>& branchSet, const std::string& target,
                                std::vector<std::string>& errors);

// "Стыковка схем по балансирующим узлам": the scheme added calculated and joined to the scheme at path
// (JoinSchemeTables, with the settings' JoinZnak), whose node and branch tables are written in one run;
// the tables of both schemes, each read before the calculation, locked throughout. The verdict of the
// added scheme's calculation (an error's message into errors), and in missing the balancing nodes without
// a match; nothing is written unless Calculated. The engine holds the added scheme's model after.
TTaskVerdict JoinScheme(TRegime& r, const std::string& path, const std::string& added,
                        std::vector<std::string>& missing, std::vector<std::string>& errors);

}  // namespace ld
