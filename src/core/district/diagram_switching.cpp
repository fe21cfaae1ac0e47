#include "core/district/diagram_switching.h"

#include "core/base/msgbox.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/journal.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

TSwitchingEnd SaveDiagramSwitching(diagram::TSchemBoxState& box, int row, const TRecSwt& before,
                                   const TRegime& model, bool withBase, const TSwitchEntryAsk& ask,
                                   TSwitchEntry& entry) {
  const std::string& base = box.SchemeBase;
  TDataFile& branches = *box.BranchTable;
  TDataFile changed;
  CopyTable(branches, changed);
  const std::string ext = GetMaketExtention(LayoutSwitchLog);
  const std::string file = base + ext;
  TSwitchingEnd end = TSwitchingEnd::Cancelled;
  try {
    LockTableFiles(base, ext);
    struct Unlock {
      const std::string &base, &ext;
      ~Unlock() { UnlockTableFiles(base, ext); }
    } unlock{base, ext};
    TDataFile journal;
    ReadTableFileOrEmpty(file, LayoutSwitchLog, journal);
    // The journal moves the scheme only for an entry that is written: a cancelled one leaves the branch
    // table at the scheme's current moment, which a later save writes.
    const TDateTime t0 = SchemeSwitchMoment(base);
    if (!ask(journal, entry)) {
      end = TSwitchingEnd::Cancelled;
    } else if (const std::string refusal = SwitchEntryRefusal(journal, branches, row, entry.Moment);
               !refusal.empty()) {
      ShowMsgForm(refusal, mkError, mbOk);
      end = TSwitchingEnd::Refused;
    } else if (entry.Moment != t0 && !ApplySwitchJournal(branches, journal, true, t0, entry.Moment, nullptr)) {
      end = TSwitchingEnd::Refused;
    } else if (const int pair = InsertSwitchPair(journal, branches, row, before, entry); pair == 0) {
      ShowMsgForm(DuplicateEntryText(FindSwitchEntry(journal, branches, row, entry.Moment), entry.Moment), mkError,
                  mbOk);
      end = TSwitchingEnd::Refused;
    } else {
      SetSupplyNames(journal, pair, model, branches);
      SetSupplyNamesFromTables(journal, pair + 1, *box.NodeTable, branches);
      int answer = 0;
      end = diagram::SaveSchemeWith(box, {{file, &journal}}, {CurDateSwtRunBytes(base, entry.Moment)}, withBase, answer)
                ? TSwitchingEnd::Saved
                : TSwitchingEnd::NotSaved;
    }
  } catch (...) {
    CopyTable(changed, branches);
    throw;
  }
  if (end != TSwitchingEnd::Saved) CopyTable(changed, branches);
  return end;
}

}  // namespace ld
