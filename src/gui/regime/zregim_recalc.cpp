// The regime window's command "Перерасчет R,X": the branch table shown in the grid recomputed from the
// catalogues and passport lists, in memory, for the user to look at and save.
#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QTextEdit>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/regime/recalc.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::RecalcItemClick() {
  if (ShownMaket() == LayoutBranches && DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  if (DiagramEditing()) {
    ShowMsgForm("Для перерасчета параметров ветвей необходимо закончить редактирование графики схемы", mkWarning,
                mbOk);
    return;
  }
  if (ShownMaket() != LayoutBranches) {
    ShowMsgForm("Необходимо показать таблицу ветвей схемы: меню \"Данные\" - \"Ветви схемы\"", mkWarning, mbOk);
    return;
  }
  // The lock of any edit, taken before the rows change, so that another workstation's lock refuses here.
  DataGrid_->LockOnce();
  ProcBar->setValue(0);
  ProcBar->show();
  Info->clear();
  ArrangeBottomPanels();
  struct HideBar {
    QProgressBar* bar;
    ~HideBar() { bar->hide(); }
  } hide{ProcBar};
  const std::vector<std::string> lines =
      RecalcBranchParams(*DataGrid_->GetTable(), {IniRec.Path, SchemePath, IniRec.CutMark}, [this](int position) {
        ProcBar->setValue(position);
        QApplication::processEvents();
      });
  DataGrid_->SetModified(true);
  DataGrid_->Refresh();
  DataGrid_->update();
  SetInfoLines(lines);
  if (!lines.empty() && Info->isHidden()) ShowInfo(true);
}

}  // namespace ld::gui
