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

  // Runs the program until the window of this title shows, pictures it and closes it.
  void RunAndClose(const std::vector<std::string>& args, const std::string& title, const std::string& picture,
                   QSize* size = nullptr) {
    const pid_t pid = Start(args);
    const unsigned long window = x.WaitWindow(title, 60);
    EXPECT_NE(window, 0u) << "no window \"" << title << "\"";
    if (window) {
      const QImage image = x.Grab(window);
      if (size) *size = image.size();
      if (!picture.empty()) {
        EXPECT_TRUE(image.save(QString::fromStdString(OutputPath(picture))));
      }
      x.Close(window);
    }
    EXPECT_EQ(WaitExit(pid, 60), 0);
  }

  std::string Ini() const { return Cp1251ToUtf8(ReadBytes(dir / "ldtoril.ini")); }

  XDisplay x;
  TempDir dir;
};

TEST_F(ProgramRun, ShowsTheMainWindowAndWritesTheSettingsWhenClosed) {
  QSize size;
  RunAndClose({}, "ЛД ТОРИЛ", "program_main_window.png", &size);
  EXPECT_EQ(size, QSize(366, 25));
  const std::string ini = Ini();
  EXPECT_NE(ini.find("[Regim]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[MultiUser]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Path=" + dir.Path().string() + "/"), std::string::npos) << ini;
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr"));
}

TEST_F(ProgramRun, UserListSwitchCountsOnlyAsFirstParameterInItsOwnCase) {
  RunAndClose({"/userpassword"}, "ЛД ТОРИЛ", "");
  RunAndClose({"list", "/UserPassword"}, "ЛД ТОРИЛ", "");
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr"));

  // The editor runs alone: it creates the missing user file, and its "Отменить" leaves no lock.
  const pid_t pid = Start({"/UserPassword"});
  const unsigned long editor = x.WaitWindow("Список пользователей", 60);
  ASSERT_NE(editor, 0u);
  EXPECT_TRUE(x.Grab(editor).save(QString::fromStdString(OutputPath("program_user_list.png"))));
  EXPECT_FALSE(x.HasWindow("ЛД ТОРИЛ"));
  x.Close(editor);
  EXPECT_EQ(WaitExit(pid, 60), 0);
  EXPECT_TRUE(fs::exists(dir / "ldtoril.usr"));
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr~"));
  EXPECT_NE(Ini().find("[MultiUser]"), std::string::npos);
}

TEST_F(ProgramRun, RefusedLoginEndsTheProgramAndKeepsTheSettings) {
  WriteBytes(dir / "ldtoril.ini", "[Regim]\r\nIter1=77\r\n[MultiUser]\r\nFlag=1\r\n");
  const pid_t pid = Start({});
  const unsigned long login = x.WaitWindow("Выбор пользователя", 60);
  ASSERT_NE(login, 0u);
  EXPECT_TRUE(x.Grab(login).save(QString::fromStdString(OutputPath("program_login.png"))));
  EXPECT_FALSE(x.HasWindow("ЛД ТОРИЛ"));
  x.Close(login);
  EXPECT_EQ(WaitExit(pid, 60), 0);
  const std::string ini = Ini();
  EXPECT_NE(ini.find("Iter1=77"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Flag=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Losses]"), std::string::npos) << ini;
}

}  // namespace
}  // namespace ld::test
