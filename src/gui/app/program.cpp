#include "gui/app/program.h"

#include <QApplication>
#include <QLocale>
#include <QStringList>
#include <exception>
#include <filesystem>
#include <memory>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/unom.h"
#include "gui/app/login.h"
#include "gui/app/main_form.h"
#include "gui/app/user_file.h"
#include "gui/app/user_form.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/common/choice_wheel.h"
#include "gui/common/full_build.h"
#include "gui/common/locale_format.h"
#include "gui/common/msgform.h"
#include "gui/common/screen_fit.h"
#include "gui/diagram/sch_view_form.h"
#include "gui/district/base_res_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/regime/cdu_link.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

// The settings go back to the INI file however the program ends.
struct ConfigWriter {
  ConfigWriter() = default;
  ConfigWriter(const ConfigWriter&) = delete;
  ConfigWriter& operator=(const ConfigWriter&) = delete;
  ~ConfigWriter() { WriteConfig(); }
};

// The windows of a running program, created in their order and owned here until the process ends.
class ProgramWindows {
public:
  ProgramWindows()
      : main_(std::make_unique<TMainForm>()),
        baseRes_(std::make_unique<TBaseResForm>()),
        zregim_(std::make_unique<TZregimForm>()),
        tkz_(std::make_unique<TFormTKZ>()),
        catalog_(std::make_unique<TCatalogForm>()),
        schView_(std::make_unique<TSchViewForm>()) {
    MainForm = main_.get();
    BaseResForm = baseRes_.get();
    ZregimForm = zregim_.get();
    FormTKZ = tkz_.get();
    CatalogForm = catalog_.get();
    SchViewForm = schView_.get();
    SetTkzSchemeViewer(ShowTkzScheme);
    // The regime window and the district window start their file dialogs in each other's folder.
    SetBaseFileNameSource([] { return BaseResForm ? BaseResForm->BaseFileName : std::string(); });
    SetSchemePathSource([] {
      std::string path;
      GetSchemePath(path);
      return path;
    });
    main_->SetWorkWindows(BaseResForm, ZregimForm, FormTKZ);
  }
  ~ProgramWindows() {
    SetBaseFileNameSource(nullptr);
    SetSchemePathSource(nullptr);
    MainForm = nullptr;
    BaseResForm = nullptr;
    ZregimForm = nullptr;
    FormTKZ = nullptr;
    CatalogForm = nullptr;
    SchViewForm = nullptr;
  }
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  TMainForm& Main() { return *main_; }

private:
  std::unique_ptr<TMainForm> main_;
  std::unique_ptr<TBaseResForm> baseRes_;
  std::unique_ptr<TZregimForm> zregim_;
  std::unique_ptr<TFormTKZ> tkz_;
  std::unique_ptr<TCatalogForm> catalog_;
  std::unique_ptr<TSchViewForm> schView_;
};

}  // namespace

void SetStartPaths(const std::string& exePath) {
  SetProgramPaths(exePath);
  MaketFileName = FindFileNoCase(ProgramDir + "maket.zr");
  std::filesystem::path stem = std::filesystem::absolute(exePath);
  stem.replace_extension();
  UserFileStem = stem.string();
}

int RunStartedProgram(const QStringList& args) {
  const ScreenFitScope fitWindows;
  const ChoiceWheelScope chosenOnly;
  ReadConfig();
  const ConfigWriter writeAtEnd;
  try {
    // The nominal-voltage list is part of the settings: "sprav_UN.cat" is created with its defaults
    // when the program folder has none.
    ReadNominalVoltageList();
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  try {
    if (args.size() > 1 && args[1] == "/UserPassword") {
      EditUserList();
      return 0;
    }
    if (MultiUserFlag && !UserLogin()) return 0;
    SetShowAllCommands(HasShowAllSwitch(args));
    QCoreApplication::setApplicationName("ЛД ТОРИЛ");
    const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    ProgramWindows windows;
    QObject::connect(&windows.Main(), &TMainForm::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    windows.Main().show();
    const int code = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    return code;
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return 1;
  }
}

int RunProgram(int& argc, char** argv) {
  QApplication app(argc, argv);
  InstallQtMsgBox();
  SetFormatSettingsFromLocale(QLocale());
  SetStartPaths(QCoreApplication::applicationFilePath().toStdString());
  return RunStartedProgram(QCoreApplication::arguments());
}

}  // namespace ld::gui
