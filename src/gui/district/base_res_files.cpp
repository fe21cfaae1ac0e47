// The district window's menu "Сеть РЭС" and its tables in the grid: creating, opening, copying and
// printing a base, switching between its tables, and the equipment catalogues.
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <climits>
#include <filesystem>
#include <utility>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/district/base_import.h"
#include "core/regime/scheme_files.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/cmp_cat_form.h"
#include "gui/district/base_res_form.h"
#include "gui/grid/grid_exchange.h"
#include "gui/grid/report_print.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}  // namespace

// ---- the base file dialog ------------------------------------------------------------------------

std::string TBaseResForm::AskBaseFile(const std::string& title, bool mustExist, bool fromRegimeScheme,
                                      const std::string& startName) {
  std::string folder = ProgramDir;
  if (!BaseFileName.empty()) {
    folder = FolderOf(BaseFileName);
  } else if (fromRegimeScheme) {
    const std::string scheme = RegimeSchemePath();
    if (!scheme.empty()) folder = FolderOf(scheme);
  }
  const std::string filter = BaseDialogFilter();
  const std::string ext = GetMaketExtention(LayoutLines10);
  QFileDialog dialog(this, Q(title), Q(folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // "Загрузить" needs an existing base; a new one or a copy gets its name typed.
  dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(Q(filter.substr(0, filter.find('|'))));
  if (ext.size() > 1) dialog.setDefaultSuffix(Q(ext.substr(1)));
  if (!startName.empty()) dialog.selectFile(Q(startName));
  return ExecFileDialog(dialog);
}

bool TBaseResForm::CommitGrid() { return !DataGrid_->Modified() || DataGrid_->SaveWithQuestion(); }

void TBaseResForm::OpenLineTable() {
  const std::string file = FamilyFile(BaseFileName, GetMaketExtention(LayoutLines10));
  DataGrid_->OpenFile(file, 1, 1, 1, UserAccess != 0, true, true);
  EnableBaseCommands();
  setWindowTitle(Q(BaseCaption(BaseFileName)));
  DataLabel->setText(LayoutLines10);
}

// ---- menu "Сеть РЭС" -------------------------------------------------------------------------------

void TBaseResForm::NewItemClick() {
  if (!CommitGrid()) return;
  const std::string file = AskBaseFile("Создание базы РЭС", false, true, {});
  if (file.empty()) return;
  // Asked about every file that the new base replaces under that name, whichever was typed: the base's
  // and the scheme formed from it; "Нет" changes nothing.
  const TCopyReplaced replaced = EmptyBaseReplaced(RemoveExtension(file));
  if (!replaced.Empty() &&
      ShowMsgForm(CopyReplaceQuestion(kBaseExists, replaced, TReplacedBy::Create, TFileFamily::Base), mkWarning,
                  mbYesNoCancel) != 1)
    return;
  StartBase(file, true);
}

void TBaseResForm::OpenItemClick() {
  if (!CommitGrid()) return;
  const std::string file = AskBaseFile("Загрузка базы РЭС", true, true, {});
  if (file.empty()) return;
  // The chosen base's line table is read whole before the open base is closed: one that cannot be read
  // is refused with the reader's reason, and the base that was open stays open.
  TDataFile lines;
  ReadTableFile(FamilyFile(RemoveExtension(file), GetMaketExtention(LayoutLines10)), lines);
  StartBase(file, false);
}

void TBaseResForm::StartBase(const std::string& file, bool fresh) {
  try {
    ResetForm();
    BaseFileName = RemoveExtension(file);
    DisableSchemeTables();
    ShowInfo(false);
    HelpPanel->clear();
    HelpPanel->setToolTip(QString());
    // the line table under the base's own name, whatever extension was typed
    if (fresh) CreateEmptyBase(BaseFileName);
    OpenLineTable();
  } catch (...) {
    ResetForm();
    throw;
  }
}

void TBaseResForm::SaveItemClick() { DataGrid_->SaveWithoutAsking(); }

void TBaseResForm::SaveAsItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  const std::string file = AskBaseFile("Сохранение базы РЭС", false, false, FileNameOf(BaseFileName));
  if (file.empty()) return;
  const std::string newBase = RemoveExtension(file);
  // Asked about every file that the copy replaces in the base of that name, whichever of them was typed.
  // Onto its own name the copy is the save that committing the grid made: nothing to copy and nothing to
  // ask, and the base opens again as it was saved.
  const TCopyReplaced replaced = BaseCopyReplaced(BaseFileName, newBase);
  if (!replaced.Empty() &&
      ShowMsgForm(CopyReplaceQuestion(kBaseExists, replaced, TReplacedBy::Copy, TFileFamily::Base), mkWarning,
                  mbYesNoCancel) != 1)
    return;
  ShowInfo(false);
  HelpPanel->clear();
  HelpPanel->setToolTip(QString());
  SaveBaseAs(BaseFileName, newBase);
  try {
    ResetForm();
    BaseFileName = newBase;
    OpenLineTable();
  } catch (...) {
    ResetForm();
    throw;
  }
}

void TBaseResForm::PrintItemClick() {
  std::vector<std::string> lines;
  DataGrid_->GetPrintLines(lines);
  PrintTextDocument({BasePrintHeading(BaseFileName, DataLabel->text().toStdString())}, {}, lines, this);
}

void TBaseResForm::CloseItemClick() { ShowInfo(false); }

void TBaseResForm::PrnInfoItemClick() {
  std::vector<std::string> lines;
  for (QTextBlock b = Info->document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text().toStdString());
  PrintTextDocument({windowTitle().toStdString()}, {}, lines, this);
}

// ---- tables in the grid ------------------------------------------------------------------------------

void TBaseResForm::StoreShownGridPos() {
  if (!DataGrid_->GridVisible() || DataGrid_->table().Name.empty()) return;
  SaveBaseGridPos(DataGrid_->table().Name, DataGrid_->FirstRow(), DataGrid_->Col(), DataGrid_->Row());
}

void TBaseResForm::ShowTable(const std::string& layout, const std::string& file, const std::string& label,
                             const std::string& missingTitle, bool mustExist) {
  StoreShownGridPos();
  const bool write = UserAccess != 0;
  if (mustExist || fileio::FileExists(file)) {
    // the grid keeps a column only below its column count; the rows are fitted here
    const TBaseGridPos pos = BoundGridPos(BaseGridPositions.Get(layout), ReadFileRowCount(file), kMaxColumns);
    DataGrid_->OpenFile(file, pos.TopRow, pos.Col, pos.Row, write, true, true);
  } else {
    DataGrid_->OpenMissingFile(file, layout, missingTitle, 1, 1, 1, write);
  }
  DataLabel->setText(Q(label));
}

void TBaseResForm::LineItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  ShowTable(LayoutLines10, FamilyFile(BaseFileName, GetMaketExtention(LayoutLines10)), LayoutLines10,
            FileNameOf(BaseFileName), true);
}

void TBaseResForm::DataItemClick(QObject* sender) { SwitchToTable(sender); }

bool TBaseResForm::SwitchToTable(QObject* sender) {
  const std::pair<QObject*, const char*> targets[] = {
      {TPItem, LayoutTransTP},         {TPBtn, LayoutTransTP},           {SubstItem, LayoutSubstInputs},
      {SubstBtn, LayoutSubstInputs},   {ZamerItem, LayoutSubstFeeders},  {ZamerBtn, LayoutSubstFeeders},
      {Line04Item, LayoutLines04},     {Line04Btn, LayoutLines04},       {RayonItem, LayoutSchemeAreas},
      {SwitchItem, LayoutSwitchLog},   {AbonItem, LayoutConsumers},      {PromItem, LayoutMeterPoints},
      {PromBtn, LayoutMeterPoints},    {BytItem, LayoutHouseholds},      {BytBtn, LayoutHouseholds},
      {NodesItem, LayoutNodes},        {NodesBtn, LayoutNodes},          {LinesItem, LayoutBranches},
      {LinesBtn, LayoutBranches},      {FlowItem, LayoutLineFlows},      {FlowBtn, LayoutLineFlows},
  };
  const char* layout = nullptr;
  for (const auto& [item, target] : targets)
    if (item == sender) layout = target;
  if (!layout || BaseFileName.empty() || !CommitGrid()) return false;
  ShowTable(layout, FamilyFile(BaseFileName, GetMaketExtention(layout)), layout, FileNameOf(BaseFileName), false);
  return true;
}

void TBaseResForm::LNItemClick(QAction* sender) {
  const QAction* items[] = {LNItem, T2Item, T3Item, TRItem, RTItem, KAItem, UnItem};
  const TBaseCatalog* catalog = nullptr;
  for (std::size_t i = 0; i < BaseCatalogs.size(); ++i)
    if (items[i] == sender) catalog = &BaseCatalogs[i];
  if (!catalog || !CommitGrid()) return;
  ShowTable(catalog->Layout, FindFileNoCase(IniRec.Path + catalog->File), catalog->Title, catalog->Title, false);
  // a catalogue is edited and printed with or without a base
  SaveItem->setEnabled(UserAccess != 0);
  SaveBtn->setEnabled(UserAccess != 0);
  PrintItem->setEnabled(true);
  PrintBtn->setEnabled(true);
}

void TBaseResForm::CmpCatItemClick() { ShowCmpCatalogForm(IniRec.Path); }

void TBaseResForm::GraphPQItemClick() {
  int graph = INT_MAX;  // browsing, no choice
  ShowGraphCatalog(BaseFileName, graph);
}

}  // namespace ld::gui
