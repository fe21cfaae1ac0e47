#pragma once
// Replay of the switching journal onto the branch table of a scheme.
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/tables/layout.h"
#include "core/tables/table_run.h"

namespace ld {

// Brings the branch table from the switching state of fromTime to that of toTime: forward through the
// operations in between, or backward, undoing them newest first. The journal is checked first; every
// misfit is reported (message box when showMsg, and into messages when given) and then the branch
// table stays unchanged and the result is false.
bool ApplySwitchJournal(TDataFile& branches, TDataFile& journal, bool showMsg, TDateTime fromTime,
                        TDateTime toTime, std::vector<std::string>* messages);

// The scheme's switching date, the moment from which every replay of its journal starts, as a file of
// the run that brings the branches to that moment (WriteTablesTogether): a program that ends between
// the two would start the next period from another switching state.
TRunBytes CurDateSwtRunBytes(const std::string& schemeBase, TDateTime value);
// The date as ReadCurDateSwt reads it, once a stopped run that holds it was ended (RecoverTableSetForRead):
// every command reads it so, or it could take the date of a run that its tables no longer show.
TDateTime ReadSchemeSwitchDate(const std::string& schemeBase);

}  // namespace ld
