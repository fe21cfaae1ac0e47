// The district window's commands of the menu "Данные" that write measurements and names into the open
// base: measured loads of substation inputs, feeders and station transformers from workbooks, the
// renumbering of tap-off nodes and the renaming of sectioning switches. The core matches and rewrites;
// here the window asks, locks, shows progress and lists the messages in Info.
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/district/feeder_measure.h"
#include "core/district/run_locks.h"
#include "core/district/tap_renumber.h"
#include "core/district/tp_measure.h"
#include "core/office/sheet_reader.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"
#include "gui/district/sel_xls_form.h"

namespace ld::gui {

namespace {

// A table of the base as it stands on disk; an empty one of its layout when the base has no such file
// yet (writing it creates the file).
TDataFile ReadBaseTable(const std::string& file, const std::string& layout) {
  TDataFile table;
  ReadTableFileOrEmpty(file, layout, table);
  return table;
}

}  // namespace

// ---- measurements of substation inputs and feeders ---------------------------------------------------

void TBaseResForm::ImpFeederMeasItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  std::string file = IniRec.PathXlsVF, note;
  float fileOnly = -1;
  if (!ShowSelXlsForm(file, note, fileOnly)) return;
  IniRec.PathXlsVF = file;

  // the locks go however the command ends, from the moment they are taken
  TRunTableLocks locks(BaseFileName, LayoutExtensions({LayoutSubstInputs, LayoutSubstFeeders}));
  TCommandPanels panels(*this);
  TDataFile inputs = ReadBaseTable(BaseFileName + GetMaketExtention(LayoutSubstInputs), LayoutSubstInputs);
  TDataFile feeders = ReadBaseTable(BaseFileName + GetMaketExtention(LayoutSubstFeeders), LayoutSubstFeeders);
  TSheetReader sheet;
  sheet.Open(file);
  const int measured = ImportFeederMeasurements(
      inputs, feeders, SheetCells(sheet), panels.Lines, [&](const std::string& text) { panels.Stage(text); },
      panels.Progress());
  sheet.Close();
  if (measured == 0) throw Error(NothingReadText(file));
  locks.Write(inputs);
  locks.Write(feeders);
  locks.Release();
  DataItemClick(DataGrid_->table().Name == LayoutSubstFeeders ? ZamerItem : SubstItem);
}

// ---- measurements of station transformers ------------------------------------------------------------

void TBaseResForm::ImportTransformerMeasurements(const std::string& file, const TTransformerImport& import) {
  TRunTableLocks locks(BaseFileName, LayoutExtensions({LayoutTransTP}));
  TCommandPanels panels(*this);
  TDataFile stations = ReadBaseTable(BaseFileName + GetMaketExtention(LayoutTransTP), LayoutTransTP);
  TSheetReader sheet;
  sheet.Open(file);
  panels.Stage("   Чтение замеров по ТП ... ");
  const int measured = import(stations, SheetCells(sheet), panels.Lines, panels.Progress());
  sheet.Close();
  // the import resets every load first: a workbook that measures nothing would clear them all
  if (measured == 0) throw Error(NothingReadText(file));
  locks.Write(stations);
  locks.Release();
  DataItemClick(TPItem);
}

void TBaseResForm::ImportTPItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  std::string file = IniRec.PathXlsTP, note;
  float tangent = IniRec.ZamerTg;
  if (!ShowSelXlsForm(file, note, tangent)) return;
  IniRec.PathXlsTP = file;
  IniRec.ZamerTg = tangent;
  ImportTransformerMeasurements(file, [&](TDataFile& stations, const TSheetCells& cells,
                                          std::vector<std::string>& messages, const TMeasureProgress& progress) {
    return ImportTPMeasurements(stations, cells, SingleToDouble(tangent), messages, progress);
  });
}

void TBaseResForm::ImpTPMeasItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  // a setting that is no measurement type offers the active power
  if (!(std::fabs(IniRec.TypZamer) < 1e9f) || MeasurementType(IniRec.TypZamer) != Round(IniRec.TypZamer))
    IniRec.TypZamer = 2;
  std::string file = IniRec.PathXlsTP, note;
  float type = IniRec.TypZamer;
  if (!ShowSelXlsForm(file, note, type)) return;
  IniRec.PathXlsTP = file;
  IniRec.TypZamer = type;
  ImportTransformerMeasurements(file, [&](TDataFile& stations, const TSheetCells& cells,
                                          std::vector<std::string>& messages, const TMeasureProgress& progress) {
    return ImportTPStationMeasurements(stations, cells, MeasurementType(type), messages, progress);
  });
}

// ---- names of tap-offs and sectioning switches ---------------------------------------------------------

void TBaseResForm::RewriteBaseTable(const std::string& layout,
                                   const std::function<void(TDataFile&, const TMeasureProgress&)>& rewrite) {
  if (BaseFileName.empty() || !CommitGrid()) return;
  const std::string file = BaseFileName + GetMaketExtention(layout);
  TRunTableLocks locks(BaseFileName, GetMaketExtention(layout));
  struct TBar {
    QProgressBar* bar;
    ~TBar() { bar->hide(); }
  } bar{ProcBar};
  ProcBar->setValue(0);
  ProcBar->show();
  ArrangeBottomPanels();
  TDataFile table;
  ReadTableFile(file, table);
  rewrite(table, [this](int position) { ProgressCallback(position); });
  locks.Write(table);
  locks.Release();
  if (DataGrid_->table().Name != layout) return;
  if (layout == LayoutLines10)
    LineItemClick();
  else
    DataItemClick(TPItem);
}

void TBaseResForm::RenumItemClick() {
  RewriteBaseTable(LayoutLines10,
                   [](TDataFile& lines, const TMeasureProgress& progress) { RenumberTapOffs(lines, progress); });
}

void TBaseResForm::RenameItemClick() {
  RewriteBaseTable(LayoutTransTP, [](TDataFile& stations, const TMeasureProgress& progress) {
    RenameSectionSwitches(stations, progress);
  });
}

}  // namespace ld::gui
