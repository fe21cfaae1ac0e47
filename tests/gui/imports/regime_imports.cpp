// The regime window's imports in the table of every import command: "Импорт замеров", "Чтение файлов
// PNT,LIN" and "Импорт ЦДУ", each run through the window over the sample scheme of 33 nodes and 37
// branches, its file chosen in the window's own dialogs.
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/regime/pnt_lin.h"
#include "core/tables/table_file.h"
#include "gui/imports/wrong_files.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// The window and the settings it keeps beside the program, outside the folder that is compared.
struct TRegimeImport {
  std::unique_ptr<TempDir> program;
  std::unique_ptr<gui::TZregimForm> form;
  std::string maket, programDir, config;
};

TRegimeImport& State() {
  static TRegimeImport state;
  return state;
}

// A file dialog of that title answered with the file's name typed into its name field.
ModalScript::Step Choose(const std::string& title, const fs::path& file) {
  return [title, file](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), title);
    auto& files = static_cast<QFileDialog&>(d);
    files.setDirectory(QString::fromStdString(file.parent_path().string()));
    Child<QLineEdit>(files, "fileNameEdit").setText(QString::fromStdString(file.filename().string()));
    d.setResult(QDialog::Accepted);
  };
}

// The sample scheme copied into the folder and opened in a new regime window.
void OpenSample(const fs::path& folder) {
  TRegimeImport& s = State();
  s.maket = MaketFileName, s.programDir = ProgramDir, s.config = ConfigFileName;
  s.program = std::make_unique<TempDir>();
  MaketFileName = (DataDir() / "maket.zr").string();
  IniRec = TIniRec();
  ProgramDir = s.program->Path().string() + "/";
  IniRec.Path = ProgramDir;
  ConfigFileName = s.program->Path() / "zr.ini";
  UserAccess = 1;
  CurrentUserName = "Иванов";
  for (const char* ext : {".UZL", ".VET"}) fs::copy_file(DataDir() / ("Пример" + std::string(ext)), folder / ("Пример" + std::string(ext)));
  s.form = std::make_unique<gui::TZregimForm>();
  s.form->Params.clear();
  s.form->show();
  ModalScript script;
  script.Then(Choose("Загрузка схемы", folder / "Пример.UZL"));
  s.form->OpenItem->trigger();
}

void CloseSample() {
  TRegimeImport& s = State();
  s.form.reset();
  s.program.reset();
  MaketFileName = s.maket, ProgramDir = s.programDir, ConfigFileName = s.config;
}

const TImportCommandEntry kMeasurements{{"Режим / Данные / Импорт замеров", ".xlsx", {}, OpenSample,
                                         [](const fs::path&, const fs::path& chosen) {
                                           ModalScript script;
                                           script.Then([&](QDialog& d) {
                                             Child<QLineEdit>(d, "FEdit").setText(QString::fromStdString(chosen.string()));
                                             Press(d, "OKBtn");
                                           });
                                           State().form->ImpZamer->trigger();
                                         },
                                         CloseSample}};

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
                                     script.Then(Choose("Чтение файлов PNT,LIN", chosen));
                                     QTest::keyClick(&State().form->DataGrid(), Qt::Key_P, Qt::ControlModifier);
                                   },
                                   CloseSample}};

const TImportCommandEntry kCards{{"Режим / Схема / Импорт ЦДУ", ".CDU", {"cards"}, OpenSample,
                                  [](const fs::path&, const fs::path& chosen) {
                                    ModalScript script;
                                    script.Then(Choose("Выбор файла формата ЦДУ", chosen));
                                    State().form->ImportCDU->trigger();
                                  },
                                  CloseSample}};

}  // namespace
}  // namespace ld::test
