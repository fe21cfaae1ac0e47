// "Балансировка схемы": the node loads of the open scheme fitted to the flows measured on its lines, the
// balanced regime written as the regime calculation writes it.
#include <QAction>
#include <QTextEdit>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/fixflow.h"
#include "core/engine/regime.h"
#include "core/regime/balance_flows.h"
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

  const TLongRun status(*this, true);
  // Whatever happens from here on, the balancer's hooks go.
  struct Unhook {
    ~Unhook() {
      FixFlowLog = nullptr;
      FixFlowProgress = nullptr;
      FixFlowStopQuery = nullptr;
    }
  } unhook;
  FixFlowLog = [this](const std::string& line) { OnCalcMessage(line); };
  FixFlowProgress = [this](int position) { OnCalcProgress(position); };
  FixFlowStopQuery = [this] { return IsStopRequested(); };

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
  ReloadDiagram();
  ShowSchemeCounters();
}

}  // namespace ld::gui
