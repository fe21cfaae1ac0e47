#pragma once
// Replay of the switching journal onto the branch table of a scheme.
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/tables/layout.h"

namespace ld {

// Brings the branch table from the switching state of fromTime to that of toTime: forward through the
// operations in between, or backward, undoing them newest first. The journal is checked first; every
// misfit is reported (message box when showMsg, and into messages when given) and then the branch
// table stays unchanged and the result is false.
bool ApplySwitchJournal(TDataFile& branches, TDataFile& journal, bool showMsg, TDateTime fromTime,
                        TDateTime toTime, std::vector<std::string>* messages);

}  // namespace ld
