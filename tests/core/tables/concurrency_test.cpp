// Several programs on one folder, played by processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/base/session.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

// One workstation's turn: lock, read, add one, unlock, save. A refused lock or save starts over, as a
// person would after the message.
void Increment(const std::string& base, const std::string& file) {
  for (bool saved = false; !saved;) {
    if (test::ErrorOf([&] { LockTableFiles(base, ".CNT"); }) != "<no error>") continue;
    TDataFile t;
    ReadTableFile(file, t);
    ++(*GetColumnAs<DALongint>("Cnt", t))[1];
    UnlockTableFiles(base, ".CNT");
    saved = test::ErrorOf([&] { WriteTableFile(file, t); }) == "<no error>";
  }
}

int ExitStatusOf(pid_t pid) {
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 1000 + WTERMSIG(status) : -1;
}

TEST(Concurrency, WorkstationsNeverLoseAnUpdate) {
  test::TempDir dir;
  test::LayoutScope scope(dir, test::kCounterLayout);
  const std::string base = dir / "shared";
  test::WriteCounter(base + ".CNT", 0);
  constexpr int kProcesses = 3, kRounds = 100;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(fork());
    ASSERT_GE(children.back(), 0);
    if (children.back() == 0) {
      try {
        CurrentUserName = "Станция " + std::to_string(p);
        for (int i = 0; i < kRounds; ++i) Increment(base, base + ".CNT");
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
  }
  for (const pid_t pid : children) EXPECT_EQ(ExitStatusOf(pid), 0);
  EXPECT_EQ(test::ReadCounter(base + ".CNT"), kProcesses * kRounds);
  EXPECT_FALSE(std::filesystem::exists(base + ".CNT~") || HasInUseMark(base + ".CNT"));
}

TEST(Concurrency, AWriteKilledHalfwayLeavesTheOldFileWhole) {
  test::TempDir dir;
  test::LayoutScope scope(dir, "Name=Счет\nExtention=.CNT\nCount=2\nOrder=\nl,50,9,0,1,1,0,0,Cnt,Счет\n"
                               "l,50,9,0,1,1,0,0,More,Еще\n");
  const std::string file = dir / "k.CNT";
  test::WriteCounter(file, 41, 5000);
  const std::string before = test::ReadBytes(file);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    TDataFile t;
    ReadTableFile(file, t);
    (*GetColumnAs<DALongint>("Cnt", t))[1] = 42;
    test::ErrorOf([&] { WriteTableFile(file, t, [](float percent) { if (percent >= 50) raise(SIGKILL); }); });
    _exit(0);
  }
  EXPECT_EQ(ExitStatusOf(pid), 1000 + SIGKILL);
  EXPECT_EQ(test::ReadBytes(file), before);
  EXPECT_EQ(test::ReadCounter(file), 41);
  // The unfinished new table stays in "~" and keeps writers out until someone looks at it.
  EXPECT_EQ(test::ReadBytes(file + "~").substr(0, 7), "\x06ZREGIM");
  TDataFile t;
  ReadTableFile(file, t);
  EXPECT_EQ(test::ErrorOf([&] { WriteTableFile(file, t); }), "Файл \"" + file + "\" редактируется");
}

}  // namespace
}  // namespace ld
