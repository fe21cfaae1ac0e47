// The district window's imports of outside network data into a new base (menu "Сеть РЭС"): district
// network files "*.RS", a folder of feeder files ".psh" and network workbooks. The core reads the
// sources whole, builds the base's line and station tables in memory and replaces the base's files in
// one run; the window asks for the sources and the base's name, shows the progress and opens the new
// base.
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QStringList>
#include <QTextEdit>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/district/import_psh.h"
#include "core/district/outside_readers.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"
#include "gui/common/import_commands.h"
#include "gui/common/modal.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Files chosen in an open dialog: several, or one name typed for a new base. Empty when cancelled;
// {""} when accepted without a file name.
std::vector<std::string> ChooseFiles(QWidget* parent, const std::string& title, const std::string& filter,
                                     const std::string& folder, bool several) {
  QFileDialog dialog(parent, Q(title), Q(folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
  dialog.setNameFilter(Q(filter));
  if (ExecModal(dialog) != QDialog::Accepted) return {};
  std::vector<std::string> files;
  for (const QString& f : dialog.selectedFiles()) {
    std::error_code ec;
    // a folder alone names no file
    if (!f.isEmpty() && !std::filesystem::is_directory(f.toStdString(), ec)) files.push_back(f.toStdString());
  }
  if (files.empty()) files.emplace_back();
  return files;
}

// The reader of the window's import command, as the program's list of them names it, run on the chosen
// file (and the others chosen with it) into the new base of the stem.
TImportTaken RunOutsideReader(const char* command, const std::string& file, const std::vector<std::string>& files,
                              const std::string& stem, TBaseImport& base, const TImportProgress& progress) {
  TOutsideRun run;
  run.Files = files;
  run.BaseStem = stem;
  run.Progress = progress;
  run.Base = &base;
  return FindOutsideReader(ImportReader("База РЭС", command)).ReadInto(file, run);
}

std::string StartFolder(const std::string& baseFileName) {
  return baseFileName.empty() ? ProgramDir : std::filesystem::path(baseFileName).parent_path().string();
}

}  // namespace

// The common road of the three imports once the sources and the new base's stem are known: the core
// reads the sources whole and refuses one that gives nothing, asks before the base's files are
// replaced and writes both tables in one run. The stem becomes the window's base only when the new base
// stands on disk; a refusal, "Нет" or a failure leave the window with the base it showed.
void TBaseResForm::RunBaseImport(const std::string& source, const std::string& stem, bool writeEmptyStations,
                                 const std::function<TImportTaken(TBaseImport&, const TImportProgress&)>& build) {
  TBaseImport base;
  const auto showMessages = [&] {
    if (base.Messages.empty()) return;
    Info->setPlainText(JoinedLines(base.Messages));
    ShowInfo(true);
  };
  ProcBar->setValue(0);
  ProcBar->show();
  ArrangeBottomPanels();
  ShowInfo(false);
  HelpPanel->clear();
  HelpPanel->setToolTip(QString());
  TImportEnd end = TImportEnd::Declined;
  try {
    end = ImportBase(source, stem, writeEmptyStations, base,
                     [&] { return build(base, [this](int position) { ProgressCallback(position); }); });
  } catch (...) {
    ProcBar->hide();
    // the rows read before the refusal are still worth a look
    showMessages();
    throw;
  }
  ProcBar->hide();
  if (end != TImportEnd::Written) return;
  ResetForm();
  BaseFileName = stem;
  DisableSchemeTables();
  OpenLineTable();
  showMessages();
}

void TBaseResForm::ImportItemClick() {
  if (!CommitGrid()) return;
  const std::string ext = GetMaketExtention(LayoutDistrict10);
  const std::vector<std::string> files =
      ChooseFiles(this, "Импорт в базу РЭС", std::string(LayoutDistrict10) + " (*" + ext + ")",
                  StartFolder(BaseFileName), true);
  if (files.empty() || files.front().empty()) return;
  const std::string stem = RemoveExtension(files.front());
  RunBaseImport(files.front(), stem, false, [&](TBaseImport& base, const TImportProgress& progress) {
    return RunOutsideReader("ImportItem", files.front(), files, stem, base, progress);
  });
}

void TBaseResForm::ImpPshItemClick() {
  if (!CommitGrid()) return;
  const std::vector<std::string> files =
      ChooseFiles(this, "Импорт файлов МОРВЕ", "Формат МОРВЕ (*.psh)", StartFolder(BaseFileName), false);
  if (files.empty()) return;
  // the name given is the new base's stem as it stands
  const std::string stem = files.front();
  if (stem.empty()) {
    ShowMsgForm("Не задано имя результирующего файла", mkError, mbOk);
    return;
  }
  RunBaseImport(PshFolderSource(stem), stem, false, [&](TBaseImport& base, const TImportProgress& progress) {
    return RunOutsideReader("ImpPshItem", stem, {}, stem, base, progress);
  });
}

void TBaseResForm::ImpXlsNetItemClick() {
  if (!CommitGrid()) return;
  const std::vector<std::string> files =
      ChooseFiles(this, "Импорт файлов ЗУРАН", "Формат ЗУРАН (*.xls *.xlsx)", StartFolder(BaseFileName), true);
  if (files.empty() || files.front().empty()) return;
  const std::string stem = RemoveExtension(files.front());
  if (stem.empty()) return;
  RunBaseImport(files.front(), stem, true, [&](TBaseImport& base, const TImportProgress& progress) {
    return RunOutsideReader("ImpXlsNetItem", files.front(), files, stem, base, progress);
  });
}

}  // namespace ld::gui
