// The graph catalogue window's imports in the table of every import command: "*.LB" files, another
// catalogue and the workbooks of the two metering systems, each run through the window over a catalogue
// that holds a graph with its values, its file chosen in the window's open dialog.
#include <QAction>
#include <climits>
#include <memory>

#include "core/catalogs/graph_tables.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/imports/import_window.h"
#include "gui/imports/wrong_files.h"
#include "support/modal_script.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

using TCatalogImport = TOpenWindow<gui::TCatGrForm>;

// Graph 42 of hourly slices with two values, in the catalogue of the folder's base, shown in a new window.
void OpenCatalog(const fs::path& folder) {
  TCatalogImport& s = TCatalogImport::Current();
  s.program = std::make_unique<TProgramFolder>("Петров");
  const std::string base = (folder / "схема").string();
  WriteRows(base + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket,
            {{"42", "Ввод Т1", "1", "P", "3600", "МВт"}});
  DAdouble dates, values;
  dates[1] = 20240305.036, dates[2] = 20240305.072, values[1] = 1.5, values[2] = 2.5;
  dates.Count = values.Count = 2;
  StoreGraphValues(base, 42, dates, values);
  s.window = std::make_unique<gui::TCatGrForm>(base, INT_MAX);
  s.window->show();
}

void CloseCatalog() {
  TCatalogImport::Current().window->reject();
  TCatalogImport::Current().Close();
}

// The command's item triggered with the file typed into the open dialog's name field.
auto RunItem(QAction* gui::TCatGrForm::*item) {
  return [item](const fs::path&, const fs::path& chosen) {
    ModalScript script;
    script.Then(ChooseInOpenDialog(chosen));
    (TCatalogImport::Current().window.get()->*item)->trigger();
  };
}

const TImportCommandEntry kLB{
    {"Каталог графиков / Импорт / Импорт из файлов *.LB", ".LB", {}, OpenCatalog, RunItem(&gui::TCatGrForm::ImpLBItem), CloseCatalog, {"Каталог графиков", "ImpLBItem"}}};
const TImportCommandEntry kGRC{{"Каталог графиков / Импорт / Импорт из файлов *.GRC, *.GRV", ".GRC", {}, OpenCatalog,
                                RunItem(&gui::TCatGrForm::ImpGRItem), CloseCatalog, {"Каталог графиков", "ImpGRItem"}}};
const TImportCommandEntry kSlices{{"Каталог графиков / Импорт / Импорт из файлов *.xls (АСКУЭ СВЭ)", ".xlsx", {},
                                   OpenCatalog, RunItem(&gui::TCatGrForm::ImpSVEItem), CloseCatalog, {"Каталог графиков", "ImpSVEItem"}}};
const TImportCommandEntry kTypical{{"Каталог графиков / Импорт / Импорт из файлов *.xls (АСКУЭ Кирмаоблэнерго)", ".xls",
                                    {}, OpenCatalog, RunItem(&gui::TCatGrForm::ImpKOEItem), CloseCatalog, {"Каталог графиков", "ImpKOEItem"}}};

}  // namespace
}  // namespace ld::test
