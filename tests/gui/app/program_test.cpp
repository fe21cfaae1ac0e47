// The real program started from a program folder of its own on a virtual display: what it shows for
// its command line and settings, and that it writes its settings however it ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
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

  // Starts the program copy with these arguments.
  pid_t Start(const std::vector<std::string>& args) {
    const std::string exe = dir / "ldtoril";
    const pid_t pid = fork();
    if (pid == 0) {
      if (chdir(dir.Path().c_str()) != 0) _exit(126);
      setenv("DISPLAY", x.Name().c_str(), 1);
      setenv("QT_QPA_PLATFORM", "xcb", 1);
      setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
      std::vector<char*> argv{const_cast<char*>(exe.c_str())};
      for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    return pid;
  }

  // The exit code, or -1 when the program did not end in time (it is then stopped).
  static int WaitExit(pid_t pid, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
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
    const pid_t pid = Start(args);
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
    run.exitCode = WaitExit(pid, 60);
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
