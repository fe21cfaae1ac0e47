// The regime window's imports in the table of every import command: "Импорт замеров", "Чтение файлов
// PNT,LIN" and "Импорт ЦДУ", each run through the window over the sample scheme of 33 nodes and 37
// branches, its file chosen in the window's own dialogs.
#include <QAction>
#include <QTest>
#include <memory>

#include "core/regime/pnt_lin.h"
#include "core/tables/table_file.h"
#include "gui/imports/import_window.h"
#include "gui/imports/wrong_files.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

using TRegimeImport = TOpenWindow<gui::TZregimForm>;

gui::TZregimForm& Form() { return *TRegimeImport::Current().window; }

// The sample scheme copied into the folder and opened in a new regime window.
void OpenSample(const fs::path& folder) {
  TRegimeImport& s = TRegimeImport::Current();
  s.program = std::make_unique<TProgramFolder>("Иванов");
  for (const std::string ext : {".UZL", ".VET"}) fs::copy_file(DataDir() / ("Пример" + ext), folder / ("Пример" + ext));
  s.window = std::make_unique<gui::TZregimForm>();
  Form().Params.clear();
  Form().show();
  ModalScript script;
  script.Then(ChooseInOpenDialog(folder / "Пример.UZL", "Загрузка схемы"));
  Form().OpenItem->trigger();
}

void CloseSample() { TRegimeImport::Current().Close(); }

const TImportCommandEntry kMeasurements{{"Режим / Данные / Импорт замеров", ".xlsx", {}, OpenSample,
                                         [](const fs::path&, const fs::path& chosen) {
                                           ModalScript script;
                                           script.Then([&](QDialog& d) {
                                             Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(chosen.string()));
                                             Press(d, "OKBtn");
                                           });
                                           Form().ImpZamer->trigger();
                                         },
                                         CloseSample, {"Режим", "ImpZamer"}}};

// The partner of the chosen PNT file is a sound LIN file of the scheme: the PNT file alone is wrong.
const TImportCommandEntry kPntLin{{"Режим / Узлы схемы / Ctrl+P (Чтение файлов PNT,LIN)", ".PNT", {},
                                   [](const fs::path& folder) {
                                     OpenSample(folder);
                                     TDataFile nodes, branches;
                                     ReadTableFile((folder / "Пример.UZL").string(), nodes);
                                     ReadTableFile((folder / "Пример.VET").string(), branches);
                                     WritePntLin((folder / "лин.PNT").string(), nodes, branches, {});
                                     fs::rename(folder / "лин.LIN", folder / "выбранный.LIN");
                                     fs::remove(folder / "лин.PNT");
                                   },
                                   [](const fs::path&, const fs::path& chosen) {
                                     ModalScript script;
                                     script.Then(ChooseInOpenDialog(chosen, "Чтение файлов PNT,LIN"));
                                     QTest::keyClick(&Form().DataGrid(), Qt::Key_P, Qt::ControlModifier);
                                   },
                                   CloseSample, {"Режим", "ReadPntLin"}}};

const TImportCommandEntry kCards{{"Режим / Схема / Импорт ЦДУ", ".CDU", {"cards"}, OpenSample,
                                  [](const fs::path&, const fs::path& chosen) {
                                    ModalScript script;
                                    script.Then(ChooseInOpenDialog(chosen, "Выбор файла формата ЦДУ"));
                                    Form().ImportCDU->trigger();
                                  },
                                  CloseSample, {"Режим", "ImportCDU"}}};

}  // namespace
}  // namespace ld::test
