// The district window's subscriber commands: the subscriber bases from dBase files and from workbooks,
// the 0.4 kV line base from a dBase file, and the stations of each contract. The core reads, sorts and
// writes the tables; the window asks what to read, shows the progress and the messages, and shows the
// result in its grid.
#include <QLabel>
#include <QProgressBar>
#include <QString>
#include <QTextEdit>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/district/consumer_links.h"
#include "core/district/line04_dbf.h"
#include "core/district/subscriber_dbf.h"
#include "core/district/subscriber_xls.h"
#include "core/office/dbf_table.h"
#include "core/office/sheet_reader.h"
#include "core/tables/layout.h"
#include "gui/district/base_res_form.h"
#include "gui/district/command_panels.h"
#include "gui/district/imp04_frm.h"
#include "gui/district/imp_xls_frm.h"
#include "gui/district/import_frm.h"

namespace ld::gui {

namespace {

// The entry of "Данные" or "Абоненты" that shows the table of a layout.
QObject* EntryOf(TBaseResForm& form, const std::string& layout) {
  if (layout == LayoutMeterPoints) return form.PromItem;
  if (layout == LayoutHouseholds) return form.BytItem;
  if (layout == LayoutConsumers) return form.AbonItem;
  if (layout == LayoutLines04) return form.Line04Item;
  if (layout == LayoutSubstInputs) return form.SubstItem;
  if (layout == LayoutSubstFeeders) return form.ZamerItem;
  return nullptr;
}

// Shows the command's result table; without one, the table the grid shows is read again when the
// command may have rewritten its file, so that the grid never holds an old copy of it.
void ShowResult(TBaseResForm& form, const std::string& shown, std::initializer_list<const char*> rewritten) {
  if (!shown.empty()) {
    form.DataItemClick(EntryOf(form, shown));
    return;
  }
  for (const char* layout : rewritten)
    if (form.DataGrid().FileName() == form.BaseFileName + GetMaketExtention(layout)) {
      form.DataItemClick(EntryOf(form, layout));
      return;
    }
}

// The imports replace a table of the base with what they take from a file: a file from which they would
// take nothing is refused (NothingReadText) before anything is locked or written. Whether it is so is
// seen from the first record or row that would be taken; a file that cannot be read is left to the
// import, which says why.

// taken: whether the import takes the current record (any record not marked deleted without it).
void RefuseDbfOfNothing(const std::string& path, const std::function<bool(const TDbfTable&)>& taken = {}) {
  TDbfTable dbf;
  std::string error;
  if (!dbf.Open(path, error)) return;
  try {
    for (bool more = dbf.First(); more; more = dbf.Next())
      if (!taken || taken(dbf)) return;
  } catch (const Error&) {
    return;
  }
  throw Error(NothingReadText(path));
}

// yields: whether the first sheet has a row that the import takes.
void RefuseSheetOfNothing(const std::string& path, const std::function<bool(const TSheetCells&)>& yields) {
  TSheetReader sheet;
  try {
    sheet.Open(path);
    if (yields(TReaderCells{&sheet})) return;
  } catch (const Error&) {
    return;
  }
  throw Error(NothingReadText(path));
}

}  // namespace

void TBaseResForm::ImpDbfBaseItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  TSubscriberDbfRequest request;
  if (!ExecuteImportBasesDialog(request.AddMode, request.DistrictNo, request.FeederPrefix)) return;
  request.BaseStem = BaseFileName;
  request.Prom = IniRec.FlagProm;
  request.PathProm = IniRec.PathProm;
  request.Byt = IniRec.FlagByt;
  request.PathByt = IniRec.PathByt;
  request.Dog = IniRec.FlagDog;
  request.PathDog = IniRec.PathDog;
  // the industrial rows of the district alone are taken; a district number that does not read is no
  // district's
  if (request.Prom)
    RefuseDbfOfNothing(request.PathProm, [&](const TDbfTable& dbf) {
      return request.DistrictNo == 0 || TryStrToIntZ(dbf.Value("RES_ID")) == request.DistrictNo;
    });
  if (request.Byt) RefuseDbfOfNothing(request.PathByt);
  if (request.Dog) RefuseDbfOfNothing(request.PathDog);
  std::string shown;
  {
    TCommandPanels panels(*this, true);
    shown = ImportSubscriberBasesDbf(request, panels.Lines, panels.Progress(), panels.StageProc());
  }
  ShowResult(*this, shown, {LayoutMeterPoints, LayoutHouseholds, LayoutConsumers});
}

void TBaseResForm::ImpXlsBaseItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  if (!ExecuteImportXlsBasesDialog()) return;
  TSubscriberXlsRequest request;
  request.BaseStem = BaseFileName;
  request.Prom = IniRec.FlagProm;
  request.PathProm = IniRec.PathProm;
  request.Byt = IniRec.FlagByt;
  request.PathByt = IniRec.PathByt;
  request.Tech = IniRec.FlagTech;
  request.PathTech = IniRec.PathTech;
  // industrial points from row 3; household feeders are the rows that begin with a digit; the technical
  // names from row 2, below a heading
  if (request.Prom)
    RefuseSheetOfNothing(request.PathProm, [](const TSheetCells& cells) { return LastSheetRow(cells) >= 3; });
  if (request.Byt)
    RefuseSheetOfNothing(request.PathByt, [](const TSheetCells& cells) {
      for (int r = 1, last = LastSheetRow(cells); r <= last; ++r)
        if (const std::string s = TrimLeadSpaces(cells(r, 1)); !s.empty() && s[0] >= '0' && s[0] <= '9') return true;
      return false;
    });
  if (request.Tech)
    RefuseSheetOfNothing(request.PathTech,
                         [](const TSheetCells& cells) { return !cells(1, 1).empty() && !cells(2, 1).empty(); });
  std::string shown;
  try {
    TCommandPanels panels(*this, true);
    shown = ImportSubscriberBasesXls(request, panels.Lines, panels.Progress(), panels.StageProc());
  } catch (...) {
    ShowResult(*this, {}, {LayoutMeterPoints, LayoutHouseholds, LayoutSubstInputs, LayoutSubstFeeders});
    throw;
  }
  ShowResult(*this, shown, {LayoutMeterPoints, LayoutHouseholds, LayoutSubstInputs, LayoutSubstFeeders});
}

void TBaseResForm::ImpLine04ItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  TLine04Request request;
  if (!ExecuteImport04Dialog(request.Prefix)) return;
  request.BaseStem = BaseFileName;
  request.Path = IniRec.PathBase04;
  request.Kind = IniRec.TypLin04;
  // the subscribers' lines are marked "А"; a kind other than the three takes none
  RefuseDbfOfNothing(request.Path, [&](const TDbfTable& dbf) {
    const int abon = dbf.FieldIndex("ABON");
    // a base without the field is refused by the import, which names it
    if (abon < 0) return true;
    const bool subscriber = NormalizeName(DbfText(dbf, abon)) == "А";
    return request.Kind == 0 || (request.Kind == 1 && subscriber) || (request.Kind == 2 && !subscriber);
  });
  bool written = false;
  {
    TCommandPanels panels(*this, true);
    written = ImportLines04Dbf(request, panels.Lines, panels.Progress(), panels.StageProc());
  }
  if (written) ShowResult(*this, LayoutLines04, {});
}

void TBaseResForm::LinkDogItemClick() {
  if (BaseFileName.empty() || !CommitGrid()) return;
  {
    TCommandPanels panels(*this, false);
    LinkConsumersOfBase(BaseFileName, panels.Progress(), panels.StageProc());
  }
  ShowResult(*this, LayoutConsumers, {});
}

}  // namespace ld::gui
