// The regime window's menu "Режим": the regime calculation, its result views and protocols.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <filesystem>

#include "core/engine/iteration_settings.h"
#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/regime/period_report.h"
#include "core/regime/task_regime.h"
#include "core/regime/result_views.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/regime/set_regim_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void TZregimForm::CalcItemClick() {
  if (!CommonGuard(true, false)) return;
  if (!ExecuteRegimSettingsDialog(true)) return;
  TRegime& r = *regime_;
  std::vector<std::string> errors, unsupplied, contours;
  // Whatever happens from here on, the status line shows what the engine read.
  struct Finish {
    TZregimForm& form;
    TRegime& r;
    std::vector<std::string>& unsupplied;
    std::vector<std::string>& contours;
    ~Finish() {
      form.ShowSideLists(unsupplied, contours);
      r.Errors = r.Unsupplied = r.Contours = nullptr;
    }
  } finish{*this, r, unsupplied, contours};

  StoreShownGridPos();
  NoSupBox->clear();
  ConturBox->clear();
  const TLongRun status(*this, false);

  r.OnProgress = [this](int position) { OnCalcProgress(position); };
  r.OnStage = [this](const std::string& text) { OnCalcStatus(text); };
  r.Errors = &errors;
  r.Unsupplied = &unsupplied;
  r.Contours = &contours;

  const TTaskVerdict verdict = CalculateSchemeRegime(r, SchemePath, errors, [](TTaskVerdict judged) {
    if (judged == TTaskVerdict::NotConverged) ShowMsgForm("Режим не сходится", mkWarning, mbOk);
  });
  if (verdict == TTaskVerdict::Failed) {
    ShowMsgForm("Ошибка расчета режима", mkError, mbOk);
    SetInfoLines(errors);
    return;
  }
  ShowResults(r);
  ReloadDiagram();
}

int TZregimForm::DistrictFilter() const {
  if (!LossPanel->isVisibleTo(this)) return 0;
  bool ok = false;
  const int district = RayonBox->currentText().trimmed().toInt(&ok);
  return ok ? district : 0;
}

void TZregimForm::ShowResults(TRegime& r) {
  const TIniRec& ini = IniRec;
  const std::string unomFile = FindFileNoCase(ini.Path + NominalVoltageFileName);
  if (DataGrid_->GridVisible()) DataGrid_->CloseTable();
  ResultItemClick(ResultItem);
  bool under = false, over = false, overCurrent = false, overFlow = false;
  r.CheckVoltageDeviations(unomFile, under, ini.Un, ini.Uv, over);
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  ShowLimitFlags(under, over, overCurrent, overFlow);
}

void TZregimForm::ShowResultTable(const TDataFile& table, const std::string& label) {
  const TGridPos pos = GetGridPos(label);
  DataGrid_->AssignTable(table, pos.TopRow, pos.Col, pos.Row);
  DataGrid_->ShowAll();  // with its scroll bar, as a table read from a file is shown
  DataGrid_->SetEditTable(false);
  DataGrid_->SetModified(false);
  DataLabel->setText(Q(label));
  ProcBar->hide();
  ArrangeBottomPanels();
}

bool TZregimForm::BeginResultView(TResultViewOptions& options) {
  if (!CommonGuard(false)) return false;
  HideSideLists();
  ProcBar->setValue(0);
  ProcBar->show();
  ArrangeBottomPanels();
  options.District = DistrictFilter();
  options.Dimension = IniRec.Dimension;
  options.Progress = [this](float p) { OnCalcProgress(static_cast<int>(p)); };
  return true;
}

void TZregimForm::VoltItemClick() {
  TResultViewOptions options;
  if (!BeginResultView(options)) return;
  TDataFile nodes, view;
  ReadTableFileOrEmpty(NodeFile(), LayoutNodes, nodes);
  BuildVoltageView(nodes, options, view);
  ShowResultTable(view, LayoutNodeVoltages);
}

void TZregimForm::TokLnItemClick(bool lines) {
  TResultViewOptions options;
  if (!BeginResultView(options)) return;
  TDataFile branches, view;
  ReadTableFileOrEmpty(BranchFile(), LayoutBranches, branches);
  BuildLoadView(branches, lines, options, view);
  ShowResultTable(view, lines ? LayoutLineLoads : LayoutTransLoads);
}

void TZregimForm::LossLnItemClick(bool lines) {
  TResultViewOptions options;
  if (!BeginResultView(options)) return;
  TDataFile branches, view;
  ReadTableFileOrEmpty(BranchFile(), LayoutBranches, branches);
  BuildLossView(branches, lines, options, view);
  ShowResultTable(view, lines ? LayoutLineLosses : LayoutTransLosses);
}

void TZregimForm::ResultItemClick(QAction* sender) {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  StoreShownGridPos();
  DataGrid_->CloseTable();
  for (QWidget* w : std::initializer_list<QWidget*>{NoSupBox, ConturBox, SubstList, Memo1}) w->hide();
  HelpText->clear();
  std::string extension = ".RGM", title = "Общие характеристики режима";
  if (sender == WResultItem) extension = ".WRG";
  if (sender == WMsgItem) extension = ".WMS", title = "Контрольные сообщения";
  std::string text;
  if (!ReadReportText(FamilyFile(SchemePath, extension), text)) return;
  DataLabel->setText(Q(title));
  Memo1->setPlainText(Q(text));
  Memo1->show();
}

}  // namespace ld::gui
