// The regime window's commands of the month's measured data: clearing them for a new month and the
// import of measured loads and flows from a workbook.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/regime/measurements.h"
#include "core/regime/scheme_files.h"
#include "gui/district/sel_xls_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::NewMonthItemClick() {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  if (DiagramEditing()) {
    ShowMsgForm("Для очистки данных измерений необходимо закончить редактирование графики схемы", mkWarning, mbOk);
    return;
  }
  if (ShowMsgForm("Данные электропотребления в таблицах узлов и перетоков будут обнулены. Продолжить ?", mkWarning,
                  mbYesNo) != 1)
    return;
  StoreShownGridPos();
  const std::string shown = ShownMaket();
  ClearMonthData(SchemePath);
  regime_->SchemeRead = false;
  if (shown == LayoutNodes) NodesItemClick();
  if (shown == LayoutLineFlows) LinesItemClick(FiderItem);
}

void TZregimForm::ImpZamerClick() {
  if (!CommonGuard()) return;
  std::string file = IniRec.PathXls110, note;
  float tangent = IniRec.ZamerTg;
  if (!ShowSelXlsForm(file, note, tangent)) return;
  IniRec.PathXls110 = file;
  IniRec.ZamerTg = tangent;
  TRegime& r = *regime_;
  r.LockFiles = true;
  struct Restore {
    TZregimForm& form;
    TRegime& r;
    ~Restore() {
      r.LockFiles = false;
      form.ProcBar->hide();
      form.HelpText->clear();
    }
  } restore{*this, r};
  HideSideLists();
  Info->clear();
  ProcBar->setValue(0);
  ProcBar->show();
  ArrangeBottomPanels();
  HelpText->setText(" Чтение файла замеров ... ");
  QApplication::processEvents();
  const std::vector<std::string> lines =
      ImportMeasurementFile(SchemePath, file, {note, tangent}, [this](int position) {
        ProcBar->setValue(position);
        QApplication::processEvents();
      });
  r.SchemeRead = false;
  SetInfoLines(lines);
  if (!lines.empty() && Info->isHidden()) ShowInfo(true);
  NodesItemClick();
  if (SchPanel2->isVisible()) {
    diagram_->LoadScheme(SchemePath);
    diagram_->RebuildScheme();
  }
  setWindowTitle(QString::fromStdString(SchemeCaption(SchemePath)));
}

}  // namespace ld::gui
