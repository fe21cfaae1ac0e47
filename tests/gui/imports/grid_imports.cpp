// The grid's "Ввод из Microsoft Excel" in the table of every import command, run on the sample scheme's
// node table of 33 rows shown in a grid, its workbook chosen in the grid's file dialog.
#include <QDialog>
#include <QLineEdit>
#include <memory>

#include "gui/grid/data_grid.h"
#include "gui/imports/import_window.h"
#include "gui/imports/wrong_files.h"
#include "support/modal_script.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

using TGridImport = TOpenWindow<gui::TDataGrid5>;

const TImportCommandEntry kGrid{
    {"Таблица / Ввод из Microsoft Excel", ".xlsx", {},
     [](const fs::path& folder) {
       TGridImport& s = TGridImport::Current();
       s.program = std::make_unique<TProgramFolder>("Иванов");
       fs::copy_file(DataDir() / "Пример.UZL", folder / "Пример.UZL");
       s.window = std::make_unique<gui::TDataGrid5>();
       s.window->resize(500, 200);
       s.window->OpenFile((folder / "Пример.UZL").string(), 1, 1, 1, true, true, true);
     },
     [](const fs::path&, const fs::path& chosen) {
       ModalScript script;
       script.Then([&](QDialog& d) {
         Child<QLineEdit>(d, "fileNameEdit").setText(QString::fromStdString(chosen.string()));
         d.accept();
       });
       gui::TDataGrid5& grid = *TGridImport::Current().window;
       grid.RunCommand(gui::mtSheetImport);
       EXPECT_FALSE(grid.Modified());
       EXPECT_EQ(grid.table().RowCount, 33);
     },
     [] { TGridImport::Current().Close(); }, {"Таблица", "mtSheetImport"}}};

}  // namespace
}  // namespace ld::test
