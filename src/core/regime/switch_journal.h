#pragma once
// One switching made on the diagram as an entry of the scheme's switching journal ("Переключения"):
// the branch's state before and after, stamped with the moment, and the supply names of its ends.
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/switch_rec.h"

namespace ld {

class TRegime;

// True when the branch row differs from the record in any of the fields a journal entry is kept for:
// Commut, R, X, G, B, Kta, Ktr, Ktn, Mark, TypEqu, Regulation, DSName.
bool BranchChanged(const TBranchCols& branches, int row, const TRecSwt& before);

// What kind of switching the new commutation letter makes of the old one.
enum class TSwitchKind { Replacement, SwitchOn, SwitchOff, Damage, Other };
TSwitchKind SwitchKindOf(char newCommut, char oldCommut);

struct TSwitchEntry {
  TDateTime Moment = 0;  // seconds are not kept
  TDateTime Written = 0;  // the clock when the entry is written
  std::string Disp, Prim, User;
};

// Whether a switching made on the diagram goes into the scheme's journal: where this workstation keeps
// journals (its setting), and on every workstation where the scheme has a journal already, since every
// calculation of that scheme replays the journal over its branches and a switching left out of it would
// break them all.
bool SwitchingKeepsJournal(const std::string& schemeBase, bool journalSetting);

// Inserts the pair (before-row with mark 112, then the after-row of the branch row) where the six keys
// Date, Hour, Mins, N1, N2, Nl keep the journal in order. Returns the before-row, or 0 when the journal
// holds an entry of that branch in that minute already (nothing is inserted then).
int InsertSwitchPair(TDataFile& journal, TDataFile& branches, int branchRow, const TRecSwt& before,
                     const TSwitchEntry& entry);
// The first row of the journal's entry of that branch row in the minute of moment; 0 when it holds none.
int FindSwitchEntry(TDataFile& journal, TDataFile& branches, int branchRow, TDateTime moment);
// The refusal of an entry that repeats the one at journal row `row`: the row, the moment and what to change.
std::string DuplicateEntryText(int row, TDateTime moment);
// The refusal of an entry of branch row branchRow at moment where the journal holds a later entry of the
// same branch (the branch's state at that entry is no longer the state the new one starts from): the
// moment entered, that of the branch's last entry and what to change. Empty where it holds none.
std::string EntryBeforeBranchText(TDataFile& journal, TDataFile& branches, int branchRow, TDateTime moment);
// What refuses an entry of branch row branchRow at moment as the journal stands: a repetition of that
// branch's entry in the same minute (DuplicateEntryText) or a moment before its last entry
// (EntryBeforeBranchText); empty for an entry the journal takes. The entry dialog and the save of the
// switching judge an entry by this one rule.
std::string SwitchEntryRefusal(TDataFile& journal, TDataFile& branches, int branchRow, TDateTime moment);
// The moment a new entry is proposed at: now, to the minute, or the minute after the journal's last entry
// when that is later, so that the proposal never repeats an entry and never goes before one.
TDateTime ProposedSwitchMoment(TDataFile& journal, TDateTime now);

// The supply names of a node in the engine's model, from the supply side towards the node, joined by
// ", ": the DSName of each supplying branch up to the source, names shorter than two characters and
// names already listed left out.
std::string JoinSubstationNames(const TRegime& regime, std::int32_t nodeNo, const TBranchCols& branches);

// The supply names (Fider1, Fider2) of the journal's row as the model of the scheme's branches gives them.
void SetSupplyNames(TDataFile& journal, int row, const TRegime& model, const TDataFile& branches);

// The supply names (Fider1, Fider2) of the journal's row from the scheme as it is about to be saved: the
// model that its node and branch tables give, as a reload of the saved scheme builds it. So the entry
// goes into the journal whole, in the run that saves the scheme.
void SetSupplyNamesFromTables(TDataFile& journal, int row, const TDataFile& nodes, const TDataFile& branches);

}  // namespace ld

namespace ld {

// One moment of the journal a scheme can be moved to: the first pair of that minute.
struct TJournalMoment {
  TDateTime Moment = 0;
  std::string Text;  // "05.03.2004 10:30...откл. ПС1.Ф1 - ТП5"
};

// The moments of the journal's after-rows in journal order, one per minute; rows with an hour above 23
// or minutes above 59 are left out.
std::vector<TJournalMoment> JournalMoments(TDataFile& journal);
// The last moment not later than t; -1 when every moment is later.
int CurrentMoment(const std::vector<TJournalMoment>& moments, TDateTime t);

// The moment the scheme's branch table stands at: its switching date, or now when it holds none.
TDateTime SchemeSwitchMoment(const std::string& schemeBase);

// Brings the scheme's branch table from its switching moment to `moment` by its journal, and writes the
// branches, the district element tables beside the scheme brought to them and the new switching date in
// one run (WriteSchemeWithBase). False, with nothing written, when the journal does not fit the branches or a branch
// does not match its element (each told in the message box). Table-store errors pass to the caller.
bool ReconfigureScheme(const std::string& schemeBase, TDateTime moment);

}  // namespace ld
