#pragma once
// What the regime window refreshes in a scheme table just before the grid writes it: the columns
// derived from others (switch states, equipment text, node names of branch ends, the journal's date
// text) and the settings that mirror a list (nominal voltages).
#include <string>
#include <vector>

#include "core/base/dynarray.h"
#include "core/tables/layout.h"

namespace ld {

// Branches: Com1/Com2 from the Commut letter, Text from TypEqu, Mark and the tap position, Name1/Name2
// from the node table (empty when no node has that number). `nodes` may be null: no names then.
void RefreshBranchTable(TDataFile& branches, const TDataFile* nodes);
// Given line flows: Name1/Name2 from the node table, only where the node is found.
void RefreshLineFlowTable(TDataFile& flows, const TDataFile* nodes);
// Nominal voltages: the list gets the absolute values (ascending, as its readers expect); a negative
// voltage's row is marked 112 (a class whose voltage is not checked), the others unmarked.
void RefreshNominalVoltages(TDataFile& voltages, DAdouble& list);
// Switching journal: DateS := "DD.MM.YYYY hh:mm" of Date, Hour and Mins where it differs.
void RefreshSwitchLog(TDataFile& log);
// Districts: the numbers and names of the rows in row order.
void DistrictLists(const TDataFile& districts, std::vector<int>& numbers, std::vector<std::string>& names);

}  // namespace ld
