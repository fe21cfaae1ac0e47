// "Балансировка схемы": the node loads of the open scheme fitted to the flows measured on its lines, the
// balanced regime written as the regime calculation writes it.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/fixflow.h"
#include "core/engine/regime.h"
#include "core/regime/balance_flows.h"
#include "core/regime/scheme_files.h"
#include "gui/regime/fixflow_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::BalansBtnClick() {
  if (!CommonGuard(true, false)) return;
  if (!ExecuteBalansSettingsDialog(true)) return;
  LoadNominalVoltages();
  const std::string path = SchemePath;
  TRegime& r = *regime_;
  StoreShownGridPos();

  // Whatever happens from here on, the hooks go and the window shows what the run left.
  struct Finish {
    TZregimForm& form;
    ~Finish() {
      FixFlowLog = nullptr;
      FixFlowProgress = nullptr;
      FixFlowStopQuery = nullptr;
      if (!form.Info->toPlainText().isEmpty()) form.ShowInfo(true);
      form.HelpText->clear();
      form.ProcBar->hide();
      form.StopBar->hide();
      form.ArrangeBottomPanels();
    }
  } finish{*this};

  ShowInfo(false);
  Info->clear();
  ProcBar->setValue(0);
  ProcBar->show();
  StopBar->show();
  ArrangeBottomPanels();
  QApplication::processEvents();
  FixFlowLog = [this](const std::string& line) { OnCalcMessage(line); };
  FixFlowProgress = [this](int position) { OnCalcProgress(position); };
  FixFlowStopQuery = [this] { return IsStopRequested(); };
  StopRequested = 0;

  const std::string unomFile = FindFileNoCase(IniRec.Path + NominalVoltageFileName);
  const TBalanceRun run = RunLoadBalancing(r, path, unomFile, [this](const std::string& text) { OnCalcStatus(text); });
  for (const std::string& line : run.Info) Info->append(QString::fromStdString(line));
  if (run.Written) {
    if (DataGrid_->GridVisible()) DataGrid_->CloseTable();
    ResultItemClick(ResultItem);
    const TIniRec& ini = IniRec;
    bool under = false, over = false, overCurrent = false, overFlow = false;
    r.CheckVoltageDeviations(unomFile, under, ini.Un, ini.Uv, over);
    r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
    ShowLimitFlags(under, over, overCurrent, overFlow);
  }
  if (SchPanel2->isVisible()) {
    diagram_->LoadScheme(path);
    diagram_->RebuildScheme();
    setWindowTitle(QString::fromStdString(SchemeCaption(path)));
  }
  ShowSchemeCounters();
}

}  // namespace ld::gui
