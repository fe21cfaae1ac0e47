#pragma once
// A switching made on the diagram stands only with its journal entry and the scheme's switching date:
// the entry is made in the journal and the scheme saved with both, in one run of its tables.
#include <functional>

#include "core/regime/switch_journal.h"

namespace ld {

class TDataFile;
class TRegime;

namespace diagram {
class TSchemBoxState;
}

// What the user gives for the entry: its moment, executor and note, asked with the journal as read (the
// moment proposed after its last entry, a repeated one refused). False: the entry is cancelled.
using TSwitchEntryAsk = std::function<bool(TDataFile& journal, TSwitchEntry& entry)>;

enum class TSwitchingEnd { Cancelled, Refused, NotSaved, Saved };

// The switching of the diagram's branch row `row` (before: the row as it was) entered into the scheme's
// journal and saved with the scheme and its switching date in one run (with the district base when
// withBase). An entry the journal does not take (SwitchEntryRefusal) is refused in the message box; the
// branches are brought by the journal from the scheme's switching moment to the entry's first. The supply
// names before the switching come from model (the scheme as it still stands), those after it from the
// tables saved.
// Anything short of Saved puts the branch table back as the change left it; a table-store error passes
// to the caller after that.
TSwitchingEnd SaveDiagramSwitching(diagram::TSchemBoxState& box, int row, const TRecSwt& before,
                                   const TRegime& model, bool withBase, const TSwitchEntryAsk& ask,
                                   TSwitchEntry& entry);

}  // namespace ld
