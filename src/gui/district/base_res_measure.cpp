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
#include "core/district/measure_base.h"
#include "core/district/run_locks.h"
#include "core/district/sheet_imports.h"
#include "core/district/subscriber_cells.h"
#include "core/district/tap_renumber.h"
#include "core/district/tp_measure.h"
#include "core/office/sheet_reader.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"
#include "gui/district/sel_xls_form.h"

namespace ld::gui {

// ---- measurements of substation inputs and feeders ---------------------------------------------------

void TBaseResForm::ImpFeederMeasItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  std::string file = IniRec.PathXlsVF, note;
  float fileOnly = -1;
  if (!ShowSelXlsForm(file, note, fileOnly)) return;
  IniRec.PathXlsVF = file;

  {
    TCommandPanels panels(*this);
    const TSheetImport& reader = FindSheetImport(kFeederMeasureSheet);
    MeasureBaseTables(BaseFileName, file, reader.Layouts, [&](std::vector<TDataFile>& tables, const TSheetCells& cells) {
      return reader.Read(tables, cells, {&panels.Lines, 0, panels.Progress(), panels.StageProc(), nullptr});
    });
  }
  DataItemClick(DataGrid_->table().Name == LayoutSubstFeeders ? ZamerItem : SubstItem);
}

// ---- measurements of station transformers ------------------------------------------------------------

void TBaseResForm::ImportTransformerMeasurements(const std::string& file, const char* sheet, double setting) {
  {
    TCommandPanels panels(*this);
    const TSheetImport& reader = FindSheetImport(sheet);
    // the import resets every load first: a workbook that measures nothing would clear them all
    MeasureBaseTables(BaseFileName, file, reader.Layouts, [&](std::vector<TDataFile>& tables, const TSheetCells& cells) {
      panels.Stage("   Чтение замеров по ТП ... ");
      return reader.Read(tables, cells, {&panels.Lines, setting, panels.Progress(), {}, nullptr});
    });
  }
  DataItemClick(TPItem);
}

void TBaseResForm::ImportTPItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  std::string file = IniRec.PathXlsTP, note;
  float tangent = IniRec.ZamerTg;
  if (!ShowSelXlsForm(file, note, tangent)) return;
  IniRec.PathXlsTP = file;
  IniRec.ZamerTg = tangent;
  ImportTransformerMeasurements(file, kTransformerMeasureSheet, SingleToDouble(tangent));
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
  ImportTransformerMeasurements(file, kStationMeasureSheet, type);
}

// ---- names of tap-offs and sectioning switches ---------------------------------------------------------

void TBaseResForm::RewriteBaseTable(const std::string& layout,
                                   const std::function<void(TDataFile&, const TMeasureProgress&)>& rewrite) {
  if (BaseFileName.empty() || !CommitGrid()) return;
  const std::string file = FamilyFile(BaseFileName, GetMaketExtention(layout));
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
