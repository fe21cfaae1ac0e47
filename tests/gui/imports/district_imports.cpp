// The district window's import commands in the table of every import: each run through the window's
// menu over a base open in it, its file chosen in the command's own file dialog. The base holds every
// table a district import writes, each with a row that a wrong file must leave as it was; the base of
// the imports that make a new base has the name the chosen file gives it.
#include <QAction>
#include <filesystem>
#include <memory>
#include <string>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/unom.h"
#include "gui/district/base_res_form.h"
#include "gui/imports/import_window.h"
#include "gui/imports/wrong_files.h"
#include "support/modal_script.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// The window and the program folder of one run; the program folder lies apart from the folder the run
// compares, as the settings and catalogues are no files of the base.
using TDistrictRun = TOpenWindow<gui::TBaseResForm>;

// A fresh program over its own folder with the district window shown and the base of that stem open in
// it: its lines, stations, inputs, feeders, subscribers and 0.4 kV lines, one row or two each.
void OpenBase(const fs::path& folder, const std::string& stem) {
  TDistrictRun& run = TDistrictRun::Current();
  run.program = std::make_unique<TProgramFolder>("Иванов");
  // the district's own voltage classes: 0.4 kV where the standard list has 0.38
  WriteRows(ProgramDir + "sprav_UN.cat", "Номинальные напряжения", {{"0.4"}, {"6"}, {"10"}, {"35"}, {"110"}});
  ReadNominalVoltageList();

  const std::string base = (folder / stem).string();
  WriteRows(base + ".RSL", LayoutLines10, {{"1", "П", "ПС-1.10", "ТП-1"}, {"2", "", "ТП-1", "ТП-2"}});
  // stations numbered as a district numbers them: a sheet of numbered rows must not be taken for them
  WriteRows(base + ".RTP", LayoutTransTP,
            {{"", "ТП-1", "Т1", "", "", "ТМ-400/10", "", "", "", "", "", "", "", "2", "7"},
             {"", "ТП-2", "Т1", "", "", "ТМ-250/10", "", "", "", "", "", "", "", "2", "5"}});
  WriteRows(base + ".RSV", LayoutSubstInputs, {{"ПС-1", "Ввод 1", "", "", "4", "", "", "7", "7"}});
  WriteRows(base + ".RSF", LayoutSubstFeeders, {{"ПС-1.1", "ЯЧ-1", "Ф-1", "", "", "", "", "9"}});
  WriteRows(base + ".BPA", LayoutMeterPoints, {{"ТП-1", "", "", "1"}});
  WriteRows(base + ".BBA", LayoutHouseholds, {{"ТП-1", "Л1"}});
  WriteRows(base + ".RAB", LayoutConsumers, {{"1", "Завод"}});
  WriteRows(base + ".R04", LayoutLines04, {{"ТП-1", "Т1", "Л1"}});

  run.window = std::make_unique<gui::TBaseResForm>();
  run.window->show();
  ModalScript script;
  script.Then(ChooseInOpenDialog(base + ".RSL", "Загрузка базы РЭС"));
  run.window->OpenItem->trigger();
  EXPECT_EQ(run.window->BaseFileName, base);
}

void CloseBase() {
  TDistrictRun& run = TDistrictRun::Current();
  if (run.window) {
    EXPECT_FALSE(run.window->BaseFileName.empty()) << "a refusal left the window without its base";
  }
  run.Close();
}

gui::TBaseResForm& Form() { return *TDistrictRun::Current().window; }

// A command of "Данные" whose dialog asks for a measurement workbook: chosen through its "..." button.
void Measure(QAction* command, const fs::path& chosen) {
  ModalScript script;
  script.Then([&](QDialog& d) {
    Press(d, "SelectBtn");
    Press(d, "OKBtn");
  });
  script.Then(ChooseInOpenDialog(chosen, "Выбор файла"));
  command->trigger();
}

// "Импорт базы абонентов" of one base only: its box alone checked, its file chosen through its button.
enum class TSubscriberBase { Industrial, Households, Third };

void Subscribers(bool workbooks, TSubscriberBase wanted, const fs::path& chosen) {
  IniRec.FlagProm = wanted == TSubscriberBase::Industrial;
  IniRec.FlagByt = wanted == TSubscriberBase::Households;
  IniRec.FlagDog = IniRec.FlagTech = wanted == TSubscriberBase::Third;
  IniRec.PathProm = IniRec.PathByt = IniRec.PathDog = IniRec.PathTech = (chosen.parent_path() / "прошлый").string();
  const char* button = wanted == TSubscriberBase::Industrial   ? "PromBtn"
                       : wanted == TSubscriberBase::Households ? "BytBtn"
                       : workbooks                             ? "TechBtn"
                                                               : "DogBtn";
  const char* title = wanted == TSubscriberBase::Industrial   ? "Выбор базы промышленных абонентов"
                      : wanted == TSubscriberBase::Households ? "Выбор базы бытовых абонентов"
                      : workbooks                             ? "Выбор базы технических учетов"
                                                              : "Выбор базы договоров РЭС";
  ModalScript script;
  script.Then([&](QDialog& d) {
    Press(d, button);
    Press(d, "OKBtn");
  });
  script.Then(ChooseInOpenDialog(chosen, title));
  (workbooks ? Form().ImpXlsBaseItem : Form().ImpDbfBaseItem)->trigger();
}

void OpenRegion(const fs::path& folder) { OpenBase(folder, "Район"); }

const TImportCommandEntry kNetworkFiles{{"База РЭС / Сеть РЭС / Импорт (*.RS)", ".RS", {},
                                         [](const fs::path& folder) { OpenBase(folder, "выбранный"); },
                                         [](const fs::path&, const fs::path& chosen) {
                                           ModalScript script;
                                           script.Then(ChooseInOpenDialog(chosen, "Импорт в базу РЭС"));
                                           Form().ImportItem->trigger();
                                         },
                                         CloseBase, {"База РЭС", "ImportItem"}}};

// The base is named as typed, the folder's feeder files read: the chosen file is one of them.
const TImportCommandEntry kFeederFiles{{"База РЭС / Сеть РЭС / Импорт (*.PSH)", ".psh", {},
                                        [](const fs::path& folder) { OpenBase(folder, "выбранный.psh"); },
                                        [](const fs::path&, const fs::path& chosen) {
                                          ModalScript script;
                                          script.Then(ChooseInOpenDialog(chosen, "Импорт файлов МОРВЕ"));
                                          Form().ImpPshItem->trigger();
                                        },
                                        CloseBase, {"База РЭС", "ImpPshItem"}}};

const TImportCommandEntry kNetworkWorkbooks{{"База РЭС / Сеть РЭС / Импорт (ЗУРАН)", ".xlsx", {},
                                             [](const fs::path& folder) { OpenBase(folder, "выбранный"); },
                                             [](const fs::path&, const fs::path& chosen) {
                                               ModalScript script;
                                               script.Then(ChooseInOpenDialog(chosen, "Импорт файлов ЗУРАН"));
                                               Form().ImpXlsNetItem->trigger();
                                             },
                                             CloseBase, {"База РЭС", "ImpXlsNetItem"}}};

const TImportCommandEntry kTransformerMeasurements{
    {"База РЭС / Данные / Импорт замеров ТП (Ворсел)", ".xlsx", {}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Measure(Form().ImportTPItem, chosen); }, CloseBase, {"База РЭС", "ImportTPItem"}}};

const TImportCommandEntry kStationMeasurements{
    {"База РЭС / Данные / Импорт замеров ТП", ".xls", {}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Measure(Form().ImpTPMeasItem, chosen); }, CloseBase, {"База РЭС", "ImpTPMeasItem"}}};

const TImportCommandEntry kFeederMeasurements{
    {"База РЭС / Данные / Импорт замеров 10(6) кВ (Тальмиры)", ".xlsx", {}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Measure(Form().ImpFeederMeasItem, chosen); }, CloseBase, {"База РЭС", "ImpFeederMeasItem"}}};

const TImportCommandEntry kLines04{{"База РЭС / Данные / Импорт линий 0.4 кВ (Тальмиры)", ".dbf", {}, OpenRegion,
                                    [](const fs::path&, const fs::path& chosen) {
                                      IniRec.TypLin04 = 0;
                                      IniRec.PathBase04 = (chosen.parent_path() / "прошлый.dbf").string();
                                      ModalScript script;
                                      script.Then([&](QDialog& d) {
                                        Press(d, "SelectBtn");
                                        Press(d, "OKBtn");
                                      });
                                      script.Then(ChooseInOpenDialog(chosen, "Выбор базы линий 0.4 кВ"));
                                      Form().ImpLine04Item->trigger();
                                    },
                                    CloseBase, {"База РЭС", "ImpLine04Item"}}};

const TImportCommandEntry kIndustrialDbf{
    {"База РЭС / Абоненты / Импорт базы абонентов (*.DBF): промышленные", ".dbf", {"meterpoints"}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Subscribers(false, TSubscriberBase::Industrial, chosen); },
     CloseBase, {"База РЭС", "ImpDbfBaseItem"}}};

const TImportCommandEntry kHouseholdsDbf{
    {"База РЭС / Абоненты / Импорт базы абонентов (*.DBF): бытовые", ".dbf", {"households"}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Subscribers(false, TSubscriberBase::Households, chosen); },
     CloseBase, {"База РЭС", "ImpDbfBaseItem"}}};

const TImportCommandEntry kContractsDbf{
    {"База РЭС / Абоненты / Импорт базы абонентов (*.DBF): договоры", ".dbf", {}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Subscribers(false, TSubscriberBase::Third, chosen); }, CloseBase, {"База РЭС", "ImpDbfBaseItem"}}};

const TImportCommandEntry kIndustrialXls{
    {"База РЭС / Абоненты / Импорт базы абонентов (*.XLS): промышленные", ".xlsx", {"industrial"}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Subscribers(true, TSubscriberBase::Industrial, chosen); },
     CloseBase, {"База РЭС", "ImpXlsBaseItem"}}};

const TImportCommandEntry kHouseholdsXls{
    {"База РЭС / Абоненты / Импорт базы абонентов (*.XLS): бытовые", ".xls", {}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Subscribers(true, TSubscriberBase::Households, chosen); },
     CloseBase, {"База РЭС", "ImpXlsBaseItem"}}};

const TImportCommandEntry kTechnicalXls{
    {"База РЭС / Абоненты / Импорт базы абонентов (*.XLS): технический учет", ".xlsx", {}, OpenRegion,
     [](const fs::path&, const fs::path& chosen) { Subscribers(true, TSubscriberBase::Third, chosen); }, CloseBase, {"База РЭС", "ImpXlsBaseItem"}}};

}  // namespace
}  // namespace ld::test
