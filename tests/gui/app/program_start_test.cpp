// The program's start in this process: who the user is when the windows come up, and the windows made.
#include <gtest/gtest.h>

#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <string>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "gui/app/main_form.h"
#include "gui/app/program.h"
#include "gui/app/user_file.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/diagram/sch_view_form.h"
#include "gui/district/base_res_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/regime/zregim_form.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

namespace fs = std::filesystem;

class ProgramStart : public ::testing::Test {
protected:
  void SetUp() override {
    savedMaket = MaketFileName;
    fs::copy_file(test::DataDir() / "maket.zr", dir / "maket.zr");
    SetStartPaths(dir / "ldtoril");
    CurrentUserName.clear();
    UserAccess = 1;
  }
  void TearDown() override {
    MaketFileName = savedMaket;
    ProgramDir.clear();
    CurrentUserName.clear();
    UserAccess = 1;
    MultiUserFlag = false;
  }

  // Runs the program; once the main window shows, the windows are looked at and the main one closed.
  int RunAndCloseMain() {
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!MainForm || !MainForm->isVisible()) return;
      poll.stop();
      shownMain = true;
      allMade = BaseResForm && ZregimForm && FormTKZ && CatalogForm && SchViewForm;
      userAtStart = CurrentUserName;
      MainForm->close();
    });
    poll.start();
    return RunStartedProgram(QStringList{"ldtoril"});
  }

  test::TempDir dir;
  test::ScriptedMsgBox box;
  std::string savedMaket;
  bool shownMain = false;
  bool allMade = false;
  std::string userAtStart = "?";
};

TEST_F(ProgramStart, WithoutLoginTheUserStaysUnnamedWithFullRights) {
  EXPECT_EQ(UserFileStem, dir / "ldtoril");
  EXPECT_EQ(ConfigFileName, dir / "ldtoril.ini");
  EXPECT_EQ(MaketFileName, dir / "maket.zr");
  EXPECT_EQ(RunAndCloseMain(), 0);
  EXPECT_TRUE(shownMain);
  EXPECT_TRUE(allMade);
  EXPECT_EQ(userAtStart, "");
  EXPECT_EQ(UserAccess, 1);
  EXPECT_EQ(MainForm, nullptr);
  EXPECT_TRUE(fs::exists(dir / "ldtoril.ini"));
  // The nominal voltages are read at start; a folder without them gets the default list.
  EXPECT_TRUE(fs::exists(dir / "sprav_UN.cat"));
  EXPECT_EQ(IniRec.UnomList->Count, 15);
  EXPECT_TRUE(box.Calls().empty());
}

}  // namespace
}  // namespace ld::gui
