// "Потери энергии": the energy flows and losses of the open scheme over a period ("Расчет потерь") and
// the technological consumption of the network by its meters ("Расчет ТРЭ"). The run itself is the
// core's; the window asks for the settings, reports the run in its status line and message text, and
// shows what the run left.
#include <QAction>
#include <vector>

#include "core/base/msgbox.h"
#include "core/engine/regime.h"
#include "core/regime/period_run.h"
#include "gui/regime/set_loss_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::WCalcItemClick(QAction* sender) {
  const TPeriodRunForm runForm = sender == TreItem ? TPeriodRunForm::Technological : TPeriodRunForm::Losses;
  if (!CommonGuard(true, false)) return;
  bool word = false;
  // The consumption by meters takes the period of the last loss settings as it stands.
  if (runForm == TPeriodRunForm::Losses && !ExecuteLossSettingsDialog(SchemePath, word)) return;
  StoreShownGridPos();
  TRegime& r = *regime_;
  std::vector<std::string> errors, unsupplied, contours;
  struct Detach {
    TRegime& r;
    ~Detach() { r.Errors = r.Unsupplied = r.Contours = nullptr; }
  } detach{r};
  const TLongRun status(*this, true);
  r.Errors = &errors;
  r.Unsupplied = &unsupplied;
  r.Contours = &contours;
  r.OnProgress = [this](int position) { OnCalcProgress(position); };
  r.OnStage = nullptr;  // the slices tell their own stage; the engine's would cover it

  TPeriodRunCallbacks cb;
  cb.Status = [this](const std::string& text) { OnCalcStatus(text); };
  cb.Progress = [this](int position) { OnCalcProgress(position); };
  cb.Message = [this](const std::string& line) { OnCalcMessage(line); };
  cb.ErrorBox = [](const std::string& text) { ShowMsgForm(text, mkError, mbOk); };
  cb.StopQuery = [this] { return IsStopRequested(); };
  const TPeriodRunResult run = RunPeriodLosses(r, SchemePath, cb, runForm, word);

  if (run.Written) {
    if (DataGrid_->GridVisible()) DataGrid_->CloseTable();
    ResultItemClick(WResultItem);
  }
  // A run over several moments leaves the model of its last one (switched, with graph loads), so the
  // window reads the scheme again; the model of a run of one moment stands, with the lists it gave.
  if (run.TimePoints > 1) {
    LoadModel();
  } else {
    ShowSideLists(unsupplied, contours);
  }
  ReloadDiagram();
}

}  // namespace ld::gui
