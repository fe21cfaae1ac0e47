// The regime window's menu "Оптимизация": the four optimisation windows opened over the open scheme
// while the window holds the scheme's locks.
#include <QAction>
#include <filesystem>

#include "core/tables/file_guard.h"
#include "core/engine/regime.h"
#include "core/tables/layout.h"
#include "gui/optim/optim_cut_form.h"
#include "gui/optim/q_form.h"
#include "gui/optim/r_form.h"
#include "gui/optim/t2_form.h"
#include "gui/optim/tt_form.h"
#include "gui/regime/set_regim_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

void TZregimForm::RunOptimisationCommand(const std::function<bool()>& entry, bool nodeTable) {
  // The guard comes before the locks: saving the grid's or the diagram's edits writes the very files
  // that the locks close, and the grid's own lock would refuse them to this user.
  if (!CommonGuard(true, false)) return;
  const std::string path = SchemePath;
  const std::string extensions = LockExtensions();
  LockTableFiles(path, extensions);
  regime_->LockFiles = true;
  struct Unlock {
    const std::string& path;
    const std::string& extensions;
    TRegime& r;
    ~Unlock() {
      UnlockTableFiles(path, extensions);
      r.LockFiles = false;
    }
  } unlock{path, extensions, *regime_};
  if (!entry()) return;
  const std::string shown = ShownMaket();
  if (nodeTable && shown == LayoutNodes) NodesItemClick();
  if (!nodeTable && shown == LayoutBranches) LinesItemClick(LinesItem);
  ReloadDiagram();
}

void TZregimForm::RazrezItemClick() {
  RegimSettingsDialog() = [](bool withPeriod) { return ExecuteRegimSettingsDialog(withPeriod); };
  RunOptimisationCommand([this] { return RunCutOptimisation(SchemePath); }, false);
}

void TZregimForm::TransformItemClick() {
  const std::string folder = std::filesystem::path(SchemePath).parent_path().string();
  RunOptimisationCommand([this, folder] { return RunKtrOptimisation(SchemePath, folder); }, false);
}

void TZregimForm::ReactivItemClick() {
  const std::string folder = std::filesystem::path(SchemePath).parent_path().string();
  RunOptimisationCommand([this, folder] { return RunQOptimisation(SchemePath, folder); }, true);
}

void TZregimForm::OptimT2ItemClick() {
  RunOptimisationCommand([this] { return RunT2Optimisation(SchemePath); }, false);
}

}  // namespace ld::gui
