// The short-circuit window's radius commands: forming, calculating, showing and the row parameters.
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QLabel>
#include <atomic>
#include <filesystem>
#include <unistd.h>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/optim/tkz_calc.h"
#include "core/optim/tkz_radius.h"
#include "core/optim/tkz_view.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/optim/form_tkz.h"

namespace ld::gui {

namespace {

namespace fs = std::filesystem;

TTkzSchemeViewer& Viewer() {
  static TTkzSchemeViewer viewer;
  return viewer;
}

std::string CatalogFolder() { return IniRec.Path.empty() ? ProgramDir : IniRec.Path; }
std::string DataTitle() { return fs::path(TkzFileName).filename().string(); }

}  // namespace

TTkzSchemeViewer SetTkzSchemeViewer(TTkzSchemeViewer viewer) {
  TTkzSchemeViewer before = std::move(Viewer());
  Viewer() = std::move(viewer);
  return before;
}

void TFormTKZ::RadiusBtnClick() {
  if (!tkzRegime_) return;
  radiusPanel_->hide();
  info_->hide();
  info_->clear();
  progressBar_->setValue(0);
  progressBar_->show();
  progressLabel_->clear();
  progressLabel_->show();
  dataGrid_->TrimEmptyTailRows();
  std::vector<std::string> schemes;
  for (int i = 0; i < listSch_->count(); ++i) schemes.push_back(listSch_->itemText(i).toStdString());
  std::vector<std::string> messages;
  try {
    FormTkzRadius(*tkzRegime_, dataGrid_->table(), schemes, listSch_->currentIndex(), IniRec.RadiusIter,
                  *radiusGrid_->GetTable(), CatalogFolder(), messages,
                  [this](const std::string& caption, int position) { Stage(caption, position); });
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  tkzRegime_->ClearModel();
  radiusGrid_->SetModified(true);
  radiusGrid_->Refresh();
  radiusGrid_->GotoRow(1);
  progressBar_->hide();
  progressLabel_->hide();
  radiusPanel_->show();
  ShowMessages(messages);
}

void TFormTKZ::CalcBtnClick() {
  if (!tkzRegime_) return;
  info_->hide();
  info_->clear();
  radiusGrid_->TrimEmptyTailRows();
  std::vector<std::string> errors;
  try {
    CalcTkzRadius(*tkzRegime_, *radiusGrid_->GetTable(), DataTitle(), errors);
  } catch (const std::exception& e) {
    errors.push_back(e.what());
  }
  if (!errors.empty()) {
    ShowMsgForm("Ошибка расчетов Т.К.З.", mkError, mbOk);
    ShowMessages(errors);
  }
  radiusGrid_->Refresh();
  radiusGrid_->SetModified(true);
}

void TFormTKZ::GraphBtnClick() {
  // The drawing's files go to a folder of their own: under the data set's stem they would replace (and
  // then delete) a scheme kept beside it under the same name.
  static std::atomic<int> counter{0};
  const fs::path folder = fs::temp_directory_path() / ("tkz-view-" + std::to_string(getpid()) + "-" +
                                                       std::to_string(++counter));
  try {
    fs::create_directories(folder);
    const std::string stem = (folder / (DataTitle().empty() ? std::string("radius") : DataTitle())).string();
    WriteTkzViewScheme(radiusGrid_->table(), DataTitle(), stem);
    if (Viewer()) Viewer()(stem, "Расчетный радиус К.З. - " + DataTitle());
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
}

void TFormTKZ::RadiusGridParamProc(int row, bool& modify) {
  TDataFile& table = *radiusGrid_->GetTable();
  TTkzBranchCols c;
  FillTkzBranchCols(table, c);
  const std::string title = std::to_string(c.N1->Get(row)) + " " + c.Name1->GetItem(row) + " - " +
                            std::to_string(c.N2->Get(row)) + " " + c.Name2->GetItem(row);
  std::string typEqu = c.TypEqu->GetItem(row), mark = c.Mark->GetItem(row), regulation = c.Regulation->GetItem(row);
  std::int16_t notv = static_cast<std::int16_t>(c.Notv->Get(row)), ntpr = static_cast<std::int16_t>(c.Ntpr->Get(row));
  float r = c.R->Get(row), x = c.X->Get(row), g = 0, b = 0, kta = c.Kta->Get(row), ktr = c.Ktr->Get(row),
        ktn = c.Ktn->Get(row), idop = c.Idop->Get(row), sdop = c.Sdop->Get(row);
  if (!EditBranchParams(0, 0, CatalogFolder(), TkzFileName, title, typEqu, mark, regulation, notv, ntpr, r, x, g, b,
                        kta, ktr, ktn, idop, sdop, IniRec.CutMark))
    return;
  (*c.R)[row] = r;
  (*c.X)[row] = x;
  (*c.Kta)[row] = kta;
  (*c.Ktr)[row] = ktr;
  (*c.Ktn)[row] = ktn;
  c.Notv[row] = notv;
  c.Ntpr[row] = ntpr;
  (*c.Sdop)[row] = sdop;
  c.TypEqu->SetItem(row, typEqu);
  c.Mark->SetItem(row, mark);
  c.Regulation->SetItem(row, regulation);
  modify = true;
  if (row > table.RowCount) table.RowCount = row;
}

}  // namespace ld::gui
