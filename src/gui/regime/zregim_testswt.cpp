// "Тест переключений": the scheme's switching journal replayed over a period, the protocol in the
// information panel and the reports beside the scheme.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolButton>

#include "core/base/dates.h"
#include "core/base/settings.h"
#include "core/regime/switch_test.h"
#include "core/tables/journal.h"
#include "gui/regime/testswt_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::TestSwtItemClick() {
  if (!CommonGuard()) return;
  bool outageReport = true, snrReport = true;
  if (!ExecuteTestSwitchDialog(outageReport, snrReport)) return;
  TSwitchTestTables tables;
  ReadSwitchTestTables(SchemePath, tables);

  // Whatever happens from here on, the stop label and the progress bar go with the test.
  struct Finish {
    TZregimForm& form;
    ~Finish() {
      form.HelpText->clear();
      form.ProcBar->hide();
      form.StopBar->hide();
      form.ArrangeBottomPanels();
    }
  } finish{*this};
  Info->clear();
  ShowInfo(true);
  ProcBar->setValue(0);
  ProcBar->show();
  StopBar->show();
  ArrangeBottomPanels();
  StopRequested = 0;
  QApplication::processEvents();

  const TIniRec& ini = IniRec;
  TSwitchTestSettings settings;
  settings.Date1 = ini.Date1;
  settings.Date2 = ini.Date2;
  settings.NoSupNorm = ini.NoSupNorm;
  settings.ContNorm = ini.ContNorm;
  settings.OutageReport = outageReport;
  settings.SnrReport = snrReport;
  TSwitchTestCallbacks cb;
  cb.Status = [this](const std::string& text) { OnCalcStatus(text); };
  cb.Progress = [this](int position) { OnCalcProgress(position); };
  cb.Message = [this](const std::string& line) { OnCalcMessage(line); };
  cb.StopQuery = [this] { return IsStopRequested(); };
  RunSwitchTest(SchemePath, tables, ReadSchemeSwitchDate(SchemePath), settings, cb);
}

}  // namespace ld::gui
