// The "Импорт" menu of the graph catalogue window.
#include <QApplication>
#include <QFileDialog>
#include <QToolButton>
#include <algorithm>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/base/import_text.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/catalogs/graph_tables.h"
#include "core/catalogs/import_grc.h"
#include "core/district/outside_readers.h"
#include "core/catalogs/import_sheets.h"
#include "core/catalogs/import_rows.h"
#include "core/tables/file_import.h"
#include "core/tables/layout.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/sel_gr_form.h"
#include "gui/common/import_commands.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"

namespace ld::gui {

std::string TCatGrForm::ChooseFile(const char* filter, const char* title) {
  std::string folder = std::filesystem::path(basePath_).parent_path().string();
  if (basePath_.empty() || folder.empty()) folder = std::filesystem::current_path().string();
  QFileDialog dialog(this, title, QString::fromStdString(folder), filter);
  dialog.setObjectName("OpenDialog");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

void TCatGrForm::ImportGraphs(const std::string& file, const std::function<TGraphsRead()>& read) {
  // The whole file is read before the catalogue changes: one that gives no new graph is refused by name,
  // and the new graphs' rows and values are saved in one run.
  TGraphsRead graphs;
  try {
    RunFileImport({file,
                   [&] {
                     graphs = read();
                     return graphs.Taken;
                   },
                   {},
                   {},
                   {},
                   [&] {
                     const auto values = OpenGraphValues(basePath_);
                     AddImportedGraphs(graphs.Graphs, *CatGrid->GetTable(), *values);
                     ShowImported({{basePath_ + GetMaketExtention(GraphValuesMaket), values.get()}});
                   }});
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TCatGrForm::ImportLB() {
  if (UserAccess == 0) return;
  const std::string file = ChooseFile("Каталог графиков (*.LB *.lb)", "Загрузка каталога графиков");
  if (file.empty()) return;
  ImportGraphs(file, [&] {
    TOutsideRun run;
    run.Catalog = CatGrid->GetTable();
    TGraphsRead read;
    read.Taken = FindOutsideReader(ImportReader("Каталог графиков", "ImpLBItem")).ReadInto(file, run);
    read.Graphs = std::move(run.Graphs);
    return read;
  });
}

void TCatGrForm::ImportGRC() {
  if (UserAccess == 0) return;
  if (ValBtn->isChecked() || GrafBtn->isChecked()) {
    ShowMsgForm("Необходимо отжать кнопку \"Показать таблицу\" значений графика и кнопку \"Показать график\"", mkWarning,
                mbOk);
    return;
  }
  // The files of a catalogue carry its layout's extension (".GRC" in a standard layout file).
  const std::string ext = GetMaketExtention(GraphCatalogMaket);
  const std::string pattern = "*" + ext;
  std::string lower = pattern;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string filter = "Каталог графиков (" + pattern + " " + lower + ")";
  const std::string file = ChooseFile(filter.c_str(), "Выбор каталога графиков нагрузок");
  if (file.size() < 5) return;
  TOutsideRun run;
  try {
    // The other catalogue and its values are read whole before anything is offered; the choice and the
    // questions of graphs already here come after, and what they take is saved in one run.
    RunFileImport({file,
                   [&] { return FindOutsideReader(ImportReader("Каталог графиков", "ImpGRItem")).ReadInto(file, run); },
                   {},
                   {},
                   {},
                   [&] {
                     TDataFile& other = run.Tables[0];
                     const TDataFile& otherValues = run.Tables[1];
                     TGraphCatalogCols theirs;
                     FillGraphCatalogCols(other, theirs);
                     if (!SelectGraphs(theirs)) return;
                     CatGrid->SortAndSave();
                     const auto values = OpenGraphValues(basePath_);
                     std::vector<std::string> notTaken;
                     const int taken = ImportGraphCatalog(*CatGrid->GetTable(), *values, other, otherValues, &notTaken);
                     if (taken == 0)
                       throw Error(NothingImportedText(file, notTaken.empty() ? "не взят ни один график" : notTaken[0]));
                     ShowImported({{basePath_ + GetMaketExtention(GraphValuesMaket), values.get()}});
                     // a chosen graph that came without its values is named, never taken as a graph of nothing
                     if (!notTaken.empty()) {
                       std::string summary = "графиков " + std::to_string(taken) + "; не взяты:";
                       for (const std::string& why : notTaken) summary += "\n" + why;
                       ShowMsgForm(ImportSummaryText(file, summary), mkInfo, mbOk);
                     }
                   }});
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  CatGrid->Refresh();
}

void TCatGrForm::ImportSVE() {
  ImportMetering("Загрузка каталога графиков (АСКУЭ СВЭ)", false);
}

void TCatGrForm::ImportKOE() {
  ImportMetering("Загрузка каталога графиков (АСКУЭ Кирмаоблэнерго)", true);
}

void TCatGrForm::ImportMetering(const char* title, bool typical) {
  if (UserAccess == 0) return;
  const std::string file = ChooseFile("Каталог графиков (*.xls *.xlsx)", title);
  if (file.empty()) return;
  ImportGraphs(file, [&] { return ReadMeteringWorkbook(file, *CatGrid->GetTable(), typical); });
}

void TCatGrForm::SaveImport() {
  if (UserAccess == 0) return;
  ShowImported();
}

void TCatGrForm::ShowImported(const std::vector<std::pair<std::string, TDataFile*>>& together) {
  CatGrid->Refresh();
  CatGrid->Last();
  SaveCatalog(together);
}

}  // namespace ld::gui
