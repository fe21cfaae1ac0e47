// The regime window's equivalent commands of the menu "Задачи": the node equivalent window, the
// equivalent cut and removal of the marked branches and the district numbering of branches.
#include <QAction>

#include "core/base/msgbox.h"
#include "core/regime/ekv_branch.h"
#include "core/tables/layout.h"
#include "gui/grid/grid_state.h"
#include "gui/regime/ekv_nod_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::EkvZItemClick() {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  ShowNodeEquivalentForm(SchemePath);
}

bool TZregimForm::BranchTableForTask() {
  if (ShownMaket() != LayoutBranches || !DataGrid_->EditTable()) {
    ShowMsgForm(BranchTableNeededText(), mkWarning, mbOk);
    return false;
  }
  // The commands lock the scheme's files themselves: the grid must hold no lock of its own.
  DataGrid_->SaveWithoutAsking();
  return !DataGrid_->Modified();
}

void TZregimForm::EkvLinItemClick(int tag) {
  if (!BranchTableForTask()) return;
  int handled = 0;
  DataGrid_->Guarded([&] { handled = EkvBranchCommand(SchemePath, *DataGrid_->GetTable(), tag, RowMarkValue); });
  if (handled <= 0) return;
  DataGrid_->SetModified(true);
  DataGrid_->Refresh();
  DataGrid_->SaveWithoutAsking();
  LinesItemClick(LinesItem);
}

void TZregimForm::SetRayonItemClick() {
  if (!BranchTableForTask()) return;
  int changed = 0;
  DataGrid_->Guarded([&] { changed = SetRayonCommand(SchemePath, *DataGrid_->GetTable()); });
  if (changed <= 0) return;
  DataGrid_->SetModified(true);
  DataGrid_->SaveWithoutAsking();
  DataGrid_->Refresh();
}

}  // namespace ld::gui
