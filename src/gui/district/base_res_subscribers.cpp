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

#include "core/base/settings.h"
#include "core/district/consumer_links.h"
#include "core/district/line04_dbf.h"
#include "core/district/subscriber_dbf.h"
#include "core/district/subscriber_books.h"
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
    if (form.DataGrid().FileName() == FamilyFile(form.BaseFileName, GetMaketExtention(layout))) {
      form.DataItemClick(EntryOf(form, layout));
      return;
    }
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
  std::string shown;
  {
    TCommandPanels panels(*this, true);
    shown = ImportSubscriberBasesXls(request, panels.Lines, panels.Progress(), panels.StageProc());
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
  {
    TCommandPanels panels(*this, true);
    ImportLines04Dbf(request, panels.Lines, panels.Progress(), panels.StageProc());
  }
  ShowResult(*this, LayoutLines04, {});
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
