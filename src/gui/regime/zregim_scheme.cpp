// The regime window's menu "Схема": create, open, save, copy, print, import and export a scheme.
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/regime/scheme_files.h"
#include "core/regime/task_regime.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_import.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/grid/grid_exchange.h"
#include "gui/grid/report_print.h"
#include "gui/regime/cdu_link.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

// A filter of the form "Caption (*.EXT)|*.EXT" as the file dialog takes it.
QString DialogFilter(const std::string& filter) { return Q(filter.substr(0, filter.find('|'))); }

// '<operation> "<scheme's file name>" : <text>', the error of a scheme command.
std::string SchemeErrorText(const std::string& operation, const std::string& schemePath, const std::string& text) {
  return operation + " \"" + FileNameOf(schemePath) + "\" : " + text;
}

}  // namespace

std::string TZregimForm::SchemeFile(const std::string& layout) const {
  return FamilyFile(SchemePath, GetMaketExtention(layout));
}
std::string TZregimForm::NodeFile() const { return SchemeFile(LayoutNodes); }
std::string TZregimForm::BranchFile() const { return SchemeFile(LayoutBranches); }
bool TZregimForm::SchemeTablesExist() const {
  return fileio::FileExists(NodeFile()) && fileio::FileExists(BranchFile());
}
std::string TZregimForm::LockExtensions() const {
  return SchemeLockExtensions();
}

std::string TZregimForm::InitialFolder() const {
  if (!SchemePath.empty()) return FolderOf(SchemePath);
  const std::string base = DistrictBaseFileName();
  if (!base.empty()) return FolderOf(base);
  return ProgramDir;
}

std::string TZregimForm::AskSchemeFile(const std::string& title, const std::string& folder) {
  const std::string ext = GetMaketExtention(LayoutNodes);
  QFileDialog dialog(this, Q(title), Q(folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // "Загрузить" needs an existing scheme; a new one or a copy gets its name typed.
  dialog.setFileMode(title == "Загрузка схемы" ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(DialogFilter(std::string(LayoutNodes) + " (*" + ext + ")|*" + ext));
  if (ext.size() > 1) dialog.setDefaultSuffix(Q(ext.substr(1)));
  return ExecFileDialog(dialog);
}

bool TZregimForm::ConfirmOverwrite(const std::string& file) {
  // Asked about every file of the scheme that a new one replaces under that name, as "Создать" asks.
  const TCopyReplaced replaced = EmptySchemeReplaced(RemoveExtension(file));
  return replaced.Empty() ||
         ShowMsgForm(CopyReplaceQuestion("Схема с таким именем уже существует.", replaced, TReplacedBy::Create,
                                         TFileFamily::Scheme),
                     mkWarning, mbYesNoCancel) == 1;
}

void TZregimForm::ShowSchemeError(const std::string& operation, const std::string& text) {
  ShowMsgForm(SchemeErrorText(operation, SchemePath, text), mkError, mbOk);
}

void TZregimForm::OpenNodeTable() {
  HideSideLists();
  ShowTableFile(NodeFile(), LayoutNodes, UserAccess != 0);
  EnableSchemeUI();
  setWindowTitle(Q(SchemeCaption(SchemePath)));
  DataLabel->setText(LayoutNodes);
}

void TZregimForm::NewItemClick() {
  if (!CommonGuard(true, false)) return;
  const std::string file = AskSchemeFile("Создание схемы", InitialFolder());
  if (file.empty()) return;
  // Asked about every file of a scheme that the new one replaces under that name, whichever was typed.
  if (!ConfirmOverwrite(file)) return;
  try {
    ResetForm();
    SchemePath = RemoveExtension(file);
    CreateEmptyScheme(SchemePath, FileNameOf(SchemePath));
    OpenNodeTable();
  } catch (const std::exception& e) {
    ShowSchemeError("Ошибка создания схемы", e.what());
    ResetForm();
  }
}

void TZregimForm::OpenItemClick() {
  if (!CommonGuard(true, false)) return;
  const std::string file = AskSchemeFile("Загрузка схемы", InitialFolder());
  if (file.empty()) return;
  try {
    ResetForm();
    SchemePath = RemoveExtension(file);
    UpgradeOldBranchFile(BranchFile());
    regime_->ClearModel();
    if (SchemeTablesExist()) LoadModel();
    OpenNodeTable();
  } catch (const std::exception& e) {
    ShowSchemeError("Ошибка загрузки схемы", e.what());
    ResetForm();
  }
}

void TZregimForm::SaveItemClick() {
  if (SchBtn->isChecked() && CorrectBtn->isChecked()) {
    SaveDrawingAndReload(false);
    const std::string shown = ShownMaket();
    if (shown == LayoutNodes || shown == LayoutBranches || shown == LayoutLineFlows || shown == LayoutSwitchLog)
      return;
  }
  DataGrid_->SaveWithoutAsking();
}

void TZregimForm::SaveAsItemClick() {
  if (!CommonGuard(true, false)) return;
  const std::string file = AskSchemeFile("Копирование схемы", FolderOf(SchemePath));
  if (file.empty()) return;
  const std::string newPath = RemoveExtension(file);
  try {
    // Asked about every file that the copy replaces in the scheme of that name, whichever was typed. Onto
    // its own name the copy is the save that the guard above made: nothing to copy and nothing to ask, and
    // the scheme opens again as it was saved.
    const TCopyReplaced replaced = SchemeCopyReplaced(SchemePath, newPath);
    if (!replaced.Empty() &&
        ShowMsgForm(CopyReplaceQuestion("Схема с таким именем уже существует.", replaced, TReplacedBy::Copy,
                                        TFileFamily::Scheme),
                    mkWarning, mbYesNoCancel) != 1)
      return;
    SaveSchemeAs(SchemePath, newPath);
    ResetForm();
    SchemePath = newPath;
    OpenNodeTable();
  } catch (const std::exception& e) {
    ShowSchemeError("Ошибка копирования схемы", e.what());
  }
}

void TZregimForm::PrintItemClick() {
  std::vector<std::string> body;
  if (DataGrid_->GridVisible()) {
    DataGrid_->GetPrintLines(body);
  } else {
    QListWidget* shown = nullptr;
    for (QListWidget* list : {NoSupBox, ConturBox, SubstList})
      if (!shown && list->isVisibleTo(this)) shown = list;
    if (shown) {
      for (int i = 0; i < shown->count(); ++i) body.push_back(shown->item(i)->text().toStdString());
    } else {
      for (QTextBlock b = Memo1->document()->begin(); b.isValid(); b = b.next()) body.push_back(b.text().toStdString());
    }
  }
  const std::string header = "Схема: " + FileNameOf(SchemePath) + " - " + DataLabel->text().toStdString();
  PrintTextDocument({header}, {}, body, this);
}

void TZregimForm::ImportCDUClick() {
  if (!CommonGuard(true, false)) return;
  QFileDialog dialog(this, "Выбор файла формата ЦДУ", Q(SchemePath.empty() ? InitialFolder() : FolderOf(SchemePath)));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter("Файл формата ЦДУ (*)");
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) return;
  // The new scheme lies beside the card file and takes its name. The file is read before anything is
  // asked or touched: one that holds no node (a protocol, a document) would make an empty scheme, and
  // a scheme of that name is replaced only after "Да". Until the new scheme is written the open one
  // stays open, whatever was refused.
  const std::string stem = RemoveExtension(file);
  bool replaced = false, locked = false;
  try {
    ImportSchemeFile(file, ImportCardScheme, [&] {
      replaced = true;
      ResetForm();
      SchemePath = stem;
      LockTableFiles(SchemePath, LockExtensions());
      locked = true;
      regime_->LockFiles = true;
      regime_->ClearModel();
      if (SchemeTablesExist()) LoadModel();
      OpenNodeTable();
    });
  } catch (const std::exception& e) {
    ShowMsgForm(SchemeErrorText("Ошибка импорта данных ЦДУ", stem, e.what()), mkError, mbOk);
    // the old scheme is closed once the new one is written: one that did not open is shown as none
    if (replaced) ResetForm();
  }
  if (locked) UnlockTableFiles(stem, LockExtensions());
  regime_->LockFiles = false;
}

void TZregimForm::ExportCDUClick() {
  if (!CommonGuard(true, false)) return;
  QFileDialog dialog(this, "Экспорт в формат ЦДУ", Q(FolderOf(SchemePath)));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(DialogFilter("Формат ЦДУ (*.CDU)|*.CDU"));
  dialog.setDefaultSuffix("CDU");
  dialog.selectFile(Q(FileNameOf(SchemePath)));
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) return;
  LockTableFiles(SchemePath, LockExtensions());
  try {
    ExportCardScheme(SchemePath, file);
  } catch (...) {
    UnlockTableFiles(SchemePath, LockExtensions());
    throw;
  }
  UnlockTableFiles(SchemePath, LockExtensions());
}

}  // namespace ld::gui
