// Several programs on one folder, played by processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/base/session.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

namespace fs = std::filesystem;
using test::LayoutScope;
using test::TempDir;

constexpr char kCounterLayout[] =
    "Name=Счет\nExtention=.CNT\nCount=2\nOrder=\nl,50,9,0,1,1,0,0,Cnt,Счет\ns,90,40,0,1,1,0,0,Who,Кто\n";

void WriteCounter(const std::string& file, int value, int rows = 1) {
  TDataFile t;
  ReadMaket("Счет", t);
  CreateColumns(t, rows);
  for (int row = 1; row <= rows; ++row) {
    (*GetColumnAs<DALongint>("Cnt", t))[row] = value;
    GetColumnAs<DAString>("Who", t)->SetItem(row, "строка " + std::to_string(row));
  }
  WriteTableFile(file, t);
}

// One workstation's turn: lock, read, add one, unlock, save. A refused lock or save starts over, as a
// person would after the message.
void Increment(const std::string& base, const std::string& file) {
  while (true) {
    try {
      LockTableFiles(base, ".CNT");
    } catch (const Error&) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    TDataFile t;
    ReadTableFile(file, t);
    ++(*GetColumnAs<DALongint>("Cnt", t))[1];
    UnlockTableFiles(base, ".CNT");
    try {
      WriteTableFile(file, t);
      return;
    } catch (const Error&) {
    }
  }
}

TEST(Concurrency, TwoWorkstationsNeverLoseAnUpdate) {
  TempDir dir;
  LayoutScope scope(dir, kCounterLayout);
  const std::string base = dir / "shared";
  const std::string file = base + ".CNT";
  WriteCounter(file, 0);
  constexpr int kProcesses = 3;
  constexpr int kRounds = 100;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int code = 0;
      try {
        CurrentUserName = "Станция " + std::to_string(p);
        for (int i = 0; i < kRounds; ++i) Increment(base, file);
      } catch (...) {
        code = 1;
      }
      _exit(code);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  TDataFile t;
  ReadTableFile(file, t);
  EXPECT_EQ(GetColumnAs<DALongint>("Cnt", t)->Get(1), kProcesses * kRounds);
  EXPECT_FALSE(fs::exists(file + "~"));
  EXPECT_FALSE(HasInUseMark(file));
}

TEST(Concurrency, AWriteKilledHalfwayLeavesTheOldFileWhole) {
  TempDir dir;
  LayoutScope scope(dir, kCounterLayout);
  const std::string file = dir / "k.CNT";
  WriteCounter(file, 41, 5000);
  const std::string before = test::ReadBytes(file);

  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    TDataFile t;
    ReadTableFile(file, t);
    (*GetColumnAs<DALongint>("Cnt", t))[1] = 42;
    try {
      WriteTableFile(file, t, [](float percent) {
        if (percent >= 50) raise(SIGKILL);
      });
    } catch (...) {
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);

  EXPECT_EQ(test::ReadBytes(file), before);
  TDataFile t;
  ReadTableFile(file, t);
  EXPECT_EQ(t.RowCount, 5000);
  EXPECT_EQ(GetColumnAs<DALongint>("Cnt", t)->Get(1), 41);
  // The unfinished new table stays in "~" and keeps writers out until someone looks at it.
  const std::string temp = test::ReadBytes(file + "~");
  EXPECT_EQ(temp.substr(0, 7), "\x06ZREGIM");
  EXPECT_EQ(test::ErrorOf([&] { WriteTableFile(file, t); }), "Файл \"" + file + "\" редактируется");
}

}  // namespace
}  // namespace ld
