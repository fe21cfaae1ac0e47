#pragma once
// The diagram control's own copy of a scheme: the tables read from the scheme's files with the shown
// rows kept, written back with the switch columns settled, and the guard of the first change after a
// load or a save (the district files unchanged, no foreign lock, the lock files written).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/tables/layout.h"
#include "core/tables/table_run.h"

namespace ld::diagram {

class TSchemBoxState;

// Reads the five tables of the scheme at base (an absent file gives an empty table of its layout),
// the district dates, the given flows and the districts, and finds the shown node and branch rows
// again by node number and by end numbers. Table-store errors pass to the caller.
void LoadScheme(TSchemBoxState& box, const std::string& base);

// Asks (when ask) "Сохранить схему ...", writes the node, branch and flow tables when the answer is
// "Да" and the tables were modified, and fires OnSaveProc. answer: 1 write, 0 discard (the scheme is
// read again and rebuilt), 2 cancel. False for a cancel and for a refusal of the district check.
// With checkBase, the district element tables beside the scheme get the switch state of its branches
// (PrepareElementTables) and go in the run of its tables, with what the box holds to be written with them
// (WrittenWith, WrittenBytesWith).
bool SaveScheme(TSchemBoxState& box, bool ask, bool checkBase, int& answer);

// SaveScheme without a question, with a command's own tables and files that belong with the saved scheme
// (a switching's journal and the scheme's switching date) in the run of its tables. They go only with the
// drawing they belong to: a drawing with nothing to save writes none of them.
bool SaveSchemeWith(TSchemBoxState& box, const std::vector<std::pair<std::string, TDataFile*>>& tables,
                    const std::vector<TRunBytes>& files, bool checkBase, int& answer);

// A table of the scheme that another command of this program wrote back after the control read or saved
// it (the scheme's read writing its marks): where the control's table is the very one that command read
// (read), it takes the stamp of what the command wrote. Any other stamp stays as the control's own read or
// save took it, so that a write of another workstation made meanwhile is refused at the first change.
void TakeRewrittenStamp(TSchemBoxState& box, const std::string& file, const TFileStamp& read,
                        const TFileStamp& written);

// GivenFlowRow of every branch row from the flow table.
void FillGivenFlowRows(TSchemBoxState& box);

// Throws the table store's message when a scheme file is locked or changed since it was read, or
// the district error when a district file changed since the scheme was loaded or saved.
void CheckBaseFilesUnchanged(TSchemBoxState& box);

// The first-change protocol: while the scheme is unmodified, the check above and the lock files;
// then Modified. Throws what the check or the locking throws, with nothing changed.
void StartChange(TSchemBoxState& box);

// Gives up a first change that is not kept: the scheme is unmodified again and the locks StartChange
// took are released.
void DropFirstChange(TSchemBoxState& box);

// Copies of the tables that an element dialog writes into, taken while the scheme is unmodified:
// when the first change is then refused, the tables are put back as they were before the dialog.
class TTablesBackup {
public:
  explicit TTablesBackup(TSchemBoxState& box);
  ~TTablesBackup();
  TTablesBackup(const TTablesBackup&) = delete;
  TTablesBackup& operator=(const TTablesBackup&) = delete;

  // StartChange; on a refusal the tables come back before the exception goes on.
  void StartChange();
  // The tables as they were (the column maps refilled).
  void Restore();

private:
  TSchemBoxState& box_;
  std::unique_ptr<TDataFile> nodes_, branches_, flows_;
};

}  // namespace ld::diagram
