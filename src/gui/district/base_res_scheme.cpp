// The district window's menu "Схема": forming a scheme from the base and matching the base's substation
// names with those of a 110(150)/35 kV scheme. The work is done in core; the window gathers, calls and
// shows.
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/district/scheme_forming.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"
#include "gui/district/cmp_subst_form.h"
#include "gui/district/set_export_form.h"

namespace ld::gui {

void TBaseResForm::ExportBtnClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  DisableSchemeTables();
  bool feederMode = false;
  std::vector<std::string> feeders;
  if (!ExecuteSchemeFormingDialog(BaseFileName, feederMode, feeders, this)) return;

  ProcBar->setValue(0);
  ProcBar->show();
  ProcLabel->clear();
  ProcLabel->show();
  ArrangeBottomPanels();
  // The forming says its first stage once it holds the base tables. A base table that another user
  // holds ends the command before that, and Info keeps what it showed.
  bool begun = false;
  TSchemeFormingCallbacks callbacks;
  callbacks.Progress = [this](float percent) { ProgressCallback(static_cast<int>(percent)); };
  callbacks.Stage = [this, &begun](const std::string& text) {
    if (!begun) Info->clear();
    begun = true;
    ProcLabel->setText(QString::fromStdString(text));
    QCoreApplication::processEvents();
  };
  // The files of the scheme replaced that forming removes are named first; "Нет" writes nothing.
  callbacks.Replace = [](const TCopyReplaced& replaced) {
    return ShowMsgForm(CopyReplaceQuestion("Схема с таким именем уже существует.", replaced, TReplacedBy::Create,
                                           TFileFamily::Scheme),
                       mkWarning, mbYesNoCancel) == 1;
  };
  std::vector<std::string> messages;
  // In every case: the messages into Info, the progress away, and the base tables it may have rewritten
  // shown again as they now are.
  auto finish = [&] {
    if (begun) {
      Info->setPlainText(JoinedLines(messages));
      if (Info->isHidden()) ShowInfo(true);
    }
    ProcLabel->hide();
    ProcBar->hide();
    const std::string shown = DataGrid_->table().Name;
    if (shown == LayoutLines10 || shown == LayoutLines04 || shown == LayoutTransTP || shown == LayoutSwitchLog)
      ShowTable(shown, FamilyFile(BaseFileName, GetMaketExtention(shown)), shown,
                std::filesystem::path(BaseFileName).filename().string(), shown == LayoutLines10);
  };
  TSchemeFormingResult result;
  try {
    result = FormSchemeFromBase(BaseFileName, feederMode, feeders, *baseRegime_, DefaultSchemeConverter(), callbacks,
                                messages);
  } catch (...) {
    finish();
    throw;
  }
  if (result.Written) EnableSchemeTables();
  finish();
}

void TBaseResForm::CmpItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  if (!MatchSubstationNames(BaseFileName, MatchSchemeFileName, this)) return;
  ShowInfo(false);
  HelpPanel->clear();
  HelpPanel->setToolTip(QString());
  DisableSchemeTables();
  OpenLineTable();
}

}  // namespace ld::gui
