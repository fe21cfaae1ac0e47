// A switching made on the diagram goes into the scheme's switching journal.
#include <QListWidget>
#include <filesystem>

#include "core/base/dates.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/diagram/scheme_files.h"
#include "core/district/diagram_switching.h"
#include "core/engine/regime.h"
#include "core/regime/scheme_files.h"
#include "core/regime/switch_journal.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/journal.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "gui/diagram/sch_box.h"
#include "gui/regime/reconfig_form.h"
#include "gui/regime/write_swt_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

bool TZregimForm::SchBoxChangeLine(const std::string& base, TDataFile* branches, int li, const TRecSwt* before) {
  if (!SwitchingKeepsJournal(base, IniRec.FSaveCom) || branches == nullptr || before == nullptr) return true;
  TBranchCols b;
  FillBranchCols(*branches, b);
  if (!BranchChanged(b, li, *before)) return true;

  // A switching exists only with its journal entry and switching date: what ends the entry short of its
  // save (a cancel, a refusal, a failed write) puts the branch table back as the change left it, the
  // journal's replay to the entered moment undone, and the diagram undoes the change itself.
  TSwitchEntry entry;
  TSwitchingEnd end = TSwitchingEnd::Cancelled;
  try {
    end = SaveDiagramSwitching(*SchBox, li, *before, *Regime(), IniRec.FSave10,
                               [&](TDataFile& journal, TSwitchEntry& asked) {
                                 return AskSwitchEntry(journal, *branches, li, *before, asked);
                               },
                               entry);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return false;
  }
  if (end == TSwitchingEnd::NotSaved || end == TSwitchingEnd::Saved) LastSwitchExecutor = entry.Disp;
  if (end != TSwitchingEnd::Saved) return false;
  const std::string file = FamilyFile(base, GetMaketExtention(LayoutSwitchLog));
  const TDateTime time = entry.Moment;
  LoadModel();
  if (SchPanel2->isVisible()) SchBox->RebuildScheme(SchBox->OriginX, SchBox->OriginY);
  const std::string shown = ShownMaket();
  if (shown == LayoutNodes)
    NodesItemClick();
  else if (shown == LayoutBranches)
    LinesItemClick(LinesItem);
  else if (shown == LayoutSwitchLog)
    ShowTableFile(file, LayoutSwitchLog, UserAccess != 0);
  setWindowTitle(QString::fromStdString("Z-режим - " + std::filesystem::path(base).filename().string() + DateTimeCaption(time)));
  return true;
}

}  // namespace ld::gui

namespace ld::gui {

void TZregimForm::ReconfigItemClick() {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  if (SchPanel2->isVisible() && SchBox->EditMode) {
    ShowMsgForm("Для реконфигурации необходимо закончить редактирование графики схемы", mkWarning, mbOk);
    return;
  }
  // The district element tables are written with the branches: they are locked here with the scheme's
  // own files, so that another user's lock refuses the command before the dialog.
  std::string extensions = LayoutExtensions({LayoutNodes, LayoutBranches, LayoutSwitchLog});
  for (const char* ext : {".RSL", ".RTP", ".R04", ".RSV"})
    if (fileio::FileExists(FamilyFile(SchemePath, ext))) extensions += std::string(",") + ext;
  LockTableFiles(SchemePath, extensions);
  struct Unlock {
    TZregimForm& form;
    const std::string& extensions;
    ~Unlock() {
      UnlockTableFiles(form.SchemePath, extensions);
      form.Regime()->LockFiles = false;
    }
  } unlock{*this, extensions};
  Regime()->LockFiles = true;
  if (!ExecuteReconfigDialog(SchemePath)) return;
  LoadModel();
  const std::string shown = ShownMaket();
  if (shown == LayoutNodes)
    NodesItemClick();
  else if (shown == LayoutBranches)
    LinesItemClick(LinesItem);
  if (SchPanel2->isVisible()) {
    Diagram().LoadScheme(SchemePath);
    SchBox->RebuildScheme(SchBox->OriginX, SchBox->OriginY);
  }
  setWindowTitle(QString::fromStdString(SchemeCaption(SchemePath)));
}

}  // namespace ld::gui
