// The district window's imports of outside network data into a new base (menu "Сеть РЭС"): district
// network files "*.RS", a folder of feeder files ".psh" and network workbooks. The core builds the
// base's line and station tables in memory; the window asks for the sources and the base's name,
// locks the base's files while it works, replaces them when both new tables are written and opens the
// new base.
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
#include "core/district/import_net_workbooks.h"
#include "core/district/import_psh.h"
#include "core/district/import_rs.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"
#include "gui/common/modal.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The two files a new base is made of.
std::string BaseExtensions() { return GetMaketExtention(LayoutLines10) + "," + GetMaketExtention(LayoutTransTP); }

// The locks of the new base's files, taken when made and released, as far as they were taken, when
// the command ends in any way.
class TImportLocks {
public:
  explicit TImportLocks(std::string stem) : stem_(std::move(stem)) { LockTableFiles(stem_, BaseExtensions()); }
  ~TImportLocks() {
    try {
      UnlockTableFiles(stem_, BaseExtensions());
    } catch (...) {
      // a lock that cannot be removed now is shown as left over the next time
    }
  }
  TImportLocks(const TImportLocks&) = delete;
  TImportLocks& operator=(const TImportLocks&) = delete;

private:
  std::string stem_;
};

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

std::string StartFolder(const std::string& baseFileName) {
  return baseFileName.empty() ? ProgramDir : std::filesystem::path(baseFileName).parent_path().string();
}

}  // namespace

// The common road of the three imports once the sources and the new base's stem are known. The stem
// becomes the window's base only when the new base stands on disk; "Нет" to the question or a failure
// leaves the old base's files as they were.
void TBaseResForm::RunBaseImport(const std::string& stem, bool resetFirst, bool writeEmptyStations,
                                 const std::function<void(TBaseImport&, const TImportProgress&)>& build) {
  if (resetFirst) ResetForm();
  // both tables of the base are replaced (the station table removed when the import gives none)
  if (!ConfirmOverwrite({stem + GetMaketExtention(LayoutLines10), stem + GetMaketExtention(LayoutTransTP)})) return;
  TBaseImport base;
  const auto showMessages = [&] {
    if (base.Messages.empty()) return;
    Info->setPlainText(JoinedLines(base.Messages));
    ShowInfo(true);
  };
  try {
    const TImportLocks locks(stem);
    ProcBar->setValue(0);
    ProcBar->show();
    ArrangeBottomPanels();
    DisableSchemeTables();
    ShowInfo(false);
    HelpPanel->clear();
    HelpPanel->setToolTip(QString());
    build(base, [this](int position) { ProgressCallback(position); });
    WriteImportedBase(stem, base, writeEmptyStations);
    ResetForm();
    BaseFileName = stem;
    OpenLineTable();
  } catch (...) {
    ProcBar->hide();
    // the window keeps the base it showed; the rows read so far are still worth a look
    if (resetFirst)
      ResetForm();
    else
      showMessages();
    throw;
  }
  ProcBar->hide();
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
  RunBaseImport(stem, true, false, [&](TBaseImport& base, const TImportProgress& progress) {
    ImportDistrictFiles(files, stem, base, progress);
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
    ResetForm();
    ShowMsgForm("Не задано имя результирующего файла", mkError, mbOk);
    return;
  }
  RunBaseImport(stem, true, false, [&](TBaseImport& base, const TImportProgress& progress) {
    ImportPshFolder(stem, base, progress);
  });
}

void TBaseResForm::ImpXlsNetItemClick() {
  if (!CommitGrid()) return;
  const std::vector<std::string> files =
      ChooseFiles(this, "Импорт файлов ЗУРАН", "Формат ЗУРАН (*.xls *.xlsx)", StartFolder(BaseFileName), true);
  if (files.empty() || files.front().empty()) return;
  const std::string stem = RemoveExtension(files.front());
  if (stem.empty()) return;
  CheckNetWorkbooks(files);
  RunBaseImport(stem, false, true, [&](TBaseImport& base, const TImportProgress& progress) {
    ImportNetWorkbooks(files, stem, base, progress);
  });
}

}  // namespace ld::gui
