// The real program started from a program folder of its own on a virtual display: what it shows for
// its command line and settings, and that it writes its settings however it ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "support/test_env.h"
#include "x_display.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class ProgramRun : public ::testing::Test {
protected:
  void SetUp() override {
    if (!x.Ok()) {
      GTEST_SKIP() << "no virtual display";
    }
    ASSERT_TRUE(fs::exists(LDTORIL_EXE));
    fs::copy_file(LDTORIL_EXE, dir / "ldtoril");
    fs::copy_file(DataDir() / "maket.zr", dir / "maket.zr");
  }

  // Runs the program until the window of this title shows, pictures it and closes it as its close
  // button does.
  struct Run {
    QSize size;
    bool mainWindowToo = false;  // the main window showed beside it
    int exitCode = -1;
  };
  Run RunUntil(const std::vector<std::string>& args, const std::string& title, const std::string& picture = "") {
    Run run;
    std::vector<std::string> argv{dir / "ldtoril"};
    argv.insert(argv.end(), args.begin(), args.end());
    const int pid = x.Start(argv, dir.Path().string());
    const unsigned long window = x.WaitWindow(title, 60);
    EXPECT_NE(window, 0u) << "no window \"" << title << "\"";
    if (window) {
      const QImage image = x.Grab(window);
      run.size = image.size();
      if (!picture.empty()) {
        EXPECT_TRUE(image.save(QString::fromStdString(OutputPath(picture))));
      }
      run.mainWindowToo = title != kMain && x.HasWindow(kMain);
      x.Close(window);
    }
    run.exitCode = x.WaitExit(pid, 60);
    return run;
  }

  std::string Ini() const { return Cp1251ToUtf8(ReadBytes(dir / "ldtoril.ini")); }

  static constexpr const char* kMain = "ЛД ТОРИЛ";
  XDisplay x;
  TempDir dir;
};

TEST_F(ProgramRun, ShowsTheMainWindowAndWritesTheSettingsWhenClosed) {
  const Run run = RunUntil({}, kMain, "program_main_window.png");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.size, QSize(366, 25));
  const std::string ini = Ini();
  for (const std::string& key : {std::string("[Regim]"), std::string("[MultiUser]"), "Path=" + dir.Path().string() + "/"})
    EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr"));
}

TEST_F(ProgramRun, UserListSwitchCountsOnlyAsFirstParameterInItsOwnCase) {
  EXPECT_EQ(RunUntil({"/userpassword"}, kMain).exitCode, 0);
  EXPECT_EQ(RunUntil({"list", "/UserPassword"}, kMain).exitCode, 0);
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr"));

  // The editor runs alone: it creates the missing user file, and its closing leaves no lock.
  const Run editor = RunUntil({"/UserPassword"}, "Список пользователей", "program_user_list.png");
  EXPECT_EQ(editor.exitCode, 0);
  EXPECT_FALSE(editor.mainWindowToo);
  EXPECT_TRUE(fs::exists(dir / "ldtoril.usr"));
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr~"));
  EXPECT_NE(Ini().find("[MultiUser]"), std::string::npos);
}

TEST_F(ProgramRun, RefusedLoginEndsTheProgramAndKeepsTheSettings) {
  WriteBytes(dir / "ldtoril.ini", "[Regim]\r\nIter1=77\r\n[MultiUser]\r\nFlag=1\r\n");
  const Run login = RunUntil({}, "Выбор пользователя", "program_login.png");
  EXPECT_EQ(login.exitCode, 0);
  EXPECT_FALSE(login.mainWindowToo);
  const std::string ini = Ini();
  for (const char* key : {"Iter1=77", "Flag=1", "[Losses]"}) EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
}

}  // namespace
}  // namespace ld::test
