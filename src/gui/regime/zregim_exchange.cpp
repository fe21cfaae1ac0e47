// The regime window's hot keys of the grid: the PNT/LIN exchange files of the node table and the tap
// optimisation of the branch table.
#include <QAction>
#include <QFileDialog>
#include <QKeySequence>
#include <filesystem>
#include <utility>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/district/outside_readers.h"
#include "core/district/pnt_lin_import.h"
#include "core/regime/pnt_lin.h"
#include "core/tables/file_guard.h"
#include "core/tables/file_import.h"
#include "core/tables/table_file.h"
#include "gui/grid/grid_exchange.h"
#include "gui/regime/zregim_form.h"
#include "gui/common/import_commands.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Unlocks, at the end, what a command locked.
struct TUnlockAtEnd {
  std::string base, extensions;
  ~TUnlockAtEnd() {
    try {
      UnlockTableFiles(base, extensions);
    } catch (...) {
    }
  }
};

}  // namespace

void TZregimForm::DataGridExtKeyDown(QObject*, int& key, Qt::KeyboardModifiers shift) {
  const std::string layout = ShownMaket();
  const bool ctrl = shift & Qt::ControlModifier, alt = shift & Qt::AltModifier, sh = shift & Qt::ShiftModifier;
  // The reading of PNT,LIN files is the import command of the list, under the key the list gives it.
  QAction* read = findChild<QAction*>("ReadPntLin", Qt::FindDirectChildrenOnly);
  const Qt::KeyboardModifiers pressed =
      shift & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
  if (layout == LayoutNodes && read != nullptr &&
      read->shortcut() == QKeySequence(QKeyCombination(pressed, static_cast<Qt::Key>(key)))) {
    key = 0;
    read->trigger();
    return;
  }
  if (layout == LayoutNodes && ctrl && !alt && (key == Qt::Key_W || key == Qt::Key_E)) {
    const int code = key;
    key = 0;
    if (code == Qt::Key_W) Run([this] { WritePntLinFiles(false); });
    if (code == Qt::Key_E) Run([this] { WritePntLinFiles(true); });
    return;
  }
  if (layout == LayoutBranches && key == Qt::Key_T && ctrl && alt && sh) {
    key = 0;
    TransformHotKey();
    return;
  }
  // Space opens a cell's picker also when no cell is being edited.
  if (key == Qt::Key_Space && !(shift & (Qt::ControlModifier | Qt::AltModifier)) && DataGrid_->Mode() != gmEdit &&
      DataGridKeyPress(DataGrid_, " "))
    key = 0;
}

void TZregimForm::TransformHotKey() { TransformItem->trigger(); }

void TZregimForm::ReadPntLinFiles() {
  // The node table is taken from the grid, so its edits are settled first.
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  QFileDialog dialog(this, ImportCaption("Режим", "ReadPntLin"), Q(std::filesystem::path(SchemePath).parent_path().string()));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter("Файлы (*.PNT)");
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) return;

  LockTableFiles(SchemePath, LockExtensions());
  const TUnlockAtEnd unlock{SchemePath, LockExtensions()};
  ImportPntLinPair(file, SchemePath, DataGrid_->table());
  regime_->SchemeRead = false;
  const TGridPos pos{DataGrid_->Row(), DataGrid_->Col(), DataGrid_->FirstRow()};
  DataGrid_->OpenFile(NodeFile(), pos.TopRow, pos.Col, pos.Row, DataGrid_->EditTable(), true, true);
}

void TZregimForm::WritePntLinFiles(bool shortLayout) {
  const std::filesystem::path scheme(SchemePath);
  QFileDialog dialog(this, "Запись файлов PNT,LIN", Q(scheme.parent_path().string()));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter("Файлы (*.PNT)");
  // the scheme's name alone would give a PNT file without its extension beside the scheme's tables
  dialog.setDefaultSuffix("PNT");
  dialog.selectFile(Q(scheme.filename().string()));
  const std::string file = ExecFileDialog(dialog);
  if (file.empty()) return;
  ExportPntLinPair(file, SchemePath, DataGrid_->table(), {shortLayout, IniRec.SumSbal});
}

}  // namespace ld::gui
