// Several programs on one folder, played by processes.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/base/session.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "support/child_process.h"
#include "support/held_file.h"
#include "support/scripted_msgbox.h"
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
  // The write's lock stays until someone looks at it: it says a table was being written, by whom and on
  // which workstation.
  EXPECT_EQ(test::ReadBytes(file + "~").substr(0, 7), "\x06ZREGIM");
  // Its writer is gone, and nobody holds the lock: the next write clears it with its unfinished table,
  // without a question, also where the lock names another workstation.
  test::WriteBytes(file + "~", "\x06ZREGIM" + test::Short(CurrentUserName) + test::Short("другая-станция"));
  TDataFile t;
  ReadTableFile(file, t);
  test::ScriptedMsgBox box;
  (*GetColumnAs<DALongint>("Cnt", t))[1] = 43;
  EXPECT_EQ(test::ErrorOf([&] { WriteTableFile(file, t); }), "<no error>");
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(test::ReadCounter(file), 43);
  EXPECT_FALSE(std::filesystem::exists(file + "~") || std::filesystem::exists(file + ".new~"));
}

// The same write killed at a hundred moments from its start to well after its end.
TEST(Concurrency, AWriteKilledAtAnyMomentLeavesAWholeTableAndAsksNothing) {
  test::TempDir dir;
  test::LayoutScope scope(dir, "Name=Счет\nExtention=.CNT\nCount=2\nOrder=\nl,50,9,0,1,1,0,0,Cnt,Счет\n"
                               "s,50,9,0,1,1,0,0,Text,Текст\n");
  const std::string file = dir / "k.CNT";
  const auto version = [](int value, int rows) {
    TDataFile t;
    ReadMaket("Счет", t);
    CreateColumns(t, rows);
    for (int row = 1; row <= rows; ++row) {
      (*GetColumnAs<DALongint>("Cnt", t))[row] = value;
      GetColumnAs<DAString>("Text", t)->SetItem(row, "строка " + std::to_string(row * value));
    }
    return t;
  };
  TDataFile before = version(41, 4000), after = version(42, 6000);
  WriteTableFile(dir / "after.CNT", after);
  const std::string afterBytes = test::ReadBytes(dir / "after.CNT");
  std::filesystem::remove(dir / "after.CNT");
  // How long two writes take here: the kills spread over the whole of one and as long after it.
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) {
    before.FileDate = 0;
    WriteTableFile(file, before);
  }
  const auto span =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) * 2 / 3;
  const std::string beforeBytes = test::ReadBytes(file);
  after.FileDate = 0;

  std::mt19937 random(39);
  int killedWhileLocked = 0, whole = 0;
  for (int round = 0; round < 100; ++round) {
    int started[2];
    ASSERT_EQ(pipe(started), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(started[0]);
      const char go = 'S';
      if (write(started[1], &go, 1) != 1) _exit(1);
      // the first round stops itself inside the write, the second tells when the write is over: the
      // kills fall inside a write and after one however fast or loaded the machine is
      bool stopped = false;
      test::ErrorOf([&] {
        WriteTableFile(file, after, [&](float) {
          if (round == 0 && !stopped) {
            stopped = true;
            raise(SIGSTOP);
          }
        });
      });
      const char done = 'D';
      if (round == 1 && write(started[1], &done, 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(started[1]);
    char go = 0;
    ASSERT_EQ(read(started[0], &go, 1), 1);
    if (round == 0) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
      ASSERT_TRUE(WIFSTOPPED(status));
    } else if (round == 1) {
      ASSERT_EQ(read(started[0], &go, 1), 1);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<unsigned>(span.count() + 1)));
    }
    close(started[0]);
    kill(pid, SIGKILL);
    ASSERT_EQ(ExitStatusOf(pid), 1000 + SIGKILL);

    // Never torn: the file is the old table or the new one, byte for byte.
    const std::string bytes = test::ReadBytes(file);
    ASSERT_TRUE(bytes == beforeBytes || bytes == afterBytes) << "round " << round << ": " << bytes.size() << " bytes";
    whole += bytes == afterBytes ? 1 : 0;
    const bool locked = std::filesystem::exists(file + "~");
    killedWhileLocked += locked ? 1 : 0;
    if (round == 0) {
      ASSERT_TRUE(locked && bytes == beforeBytes) << "a write stopped halfway";
    }
    if (round == 1) {
      ASSERT_TRUE(!locked && bytes == afterBytes) << "a write that was over";
    }

    // The next write clears a lock left over without a word, and goes on; nothing is left behind.
    test::ScriptedMsgBox box;
    before.FileDate = 0;
    ASSERT_EQ(test::ErrorOf([&] { WriteTableFile(file, before); }), "<no error>") << "round " << round;
    ASSERT_TRUE(box.Calls().empty()) << "round " << round << ": " << box.Texts().front();
    ASSERT_EQ(test::ReadBytes(file), beforeBytes);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    ASSERT_EQ(left, (std::vector<std::string>{"k.CNT", "maket.zr"})) << "round " << round;
  }
  // The moments fell inside the writes as well as after them.
  EXPECT_GT(killedWhileLocked, 0);
  EXPECT_GT(whole, 0);
}

// A program of that user that takes the locks of base + each extension and lives until it is killed.
pid_t LockingProgram(const std::string& base, const std::string& user, const std::string& extensions = ".CNT",
                     const std::string& station = {}) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    const std::string name = Utf8ToCp1251(station);
    if (!station.empty() && (::unshare(CLONE_NEWUTS) != 0 || ::sethostname(name.data(), name.size()) != 0)) _exit(1);
    CurrentUserName = user;
    if (test::ErrorOf([&] { LockTableFiles(base, extensions); }) != "<no error>") _exit(1);
    const char locked = 'L';
    if (write(ready[1], &locked, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char locked = 0;
  const bool ok = pid > 0 && read(ready[0], &locked, 1) == 1 && locked == 'L';
  close(ready[0]);
  return ok ? pid : -1;
}

TEST(Concurrency, ALockOfAProgramThatDiedMayBeRemovedByItsUser) {
  test::TempDir dir;
  test::LayoutScope scope(dir, test::kCounterLayout);
  const std::string base = dir / "sch";
  const std::string file = base + ".CNT";
  test::WriteCounter(file, 7);
  const std::string saved = CurrentUserName;
  CurrentUserName = "Иванов";
  test::ScriptedMsgBox box;
  const std::string edited = "Файл \"" + file + "\" редактируется. ";
  const std::string question =
      "Файл \"" + file + "\" заблокирован программой, которая больше не работает. Удалить блокировку?";

  // A living program's lock refuses as ever, without a question. The lock of another user whose program
  // died is asked about as the user's own is, naming that user; "Нет" leaves it.
  pid_t pid = LockingProgram(base, "Иванов");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(base, ".CNT"); }), edited + "Иванов");
  kill(pid, SIGKILL);
  EXPECT_EQ(ExitStatusOf(pid), 1000 + SIGKILL);
  const std::string leftOver = test::ReadBytes(file + "~");
  EXPECT_TRUE(box.Calls().empty());

  pid = LockingProgram(dir / "other", "Петров");
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  EXPECT_EQ(ExitStatusOf(pid), 1000 + SIGKILL);
  box.Answer(0);
  EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(dir / "other", ".CNT"); }),
            "Файл \"" + (dir / "other.CNT") + "\" редактируется. Петров");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + (dir / "other.CNT") +
                                                  "\" заблокирован программой пользователя \"Петров\", которая "
                                                  "больше не работает. Удалить блокировку?"});
  box.Clear();

  // "Да" about the first lock of a program that locked two tables and died removes its second with it.
  pid = LockingProgram(dir / "pair", "Петров", ".CNT,.VET");
  ASSERT_GT(pid, 0);
  kill(pid, SIGKILL);
  EXPECT_EQ(ExitStatusOf(pid), 1000 + SIGKILL);
  box.Answer(1);
  EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(dir / "pair", ".CNT,.VET"); }), "<no error>");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + (dir / "pair.CNT") +
                                                  "\" заблокирован программой пользователя \"Петров\", которая "
                                                  "больше не работает. Удалить блокировку?"});
  UnlockTableFiles(dir / "pair", ".CNT,.VET");
  EXPECT_FALSE(std::filesystem::exists(dir / "pair.CNT~") || std::filesystem::exists(dir / "pair.VET~"));
  box.Clear();

  // The user's own lock whose program died: asked; "Нет" leaves it, "Да" removes it and locks anew.
  box.Answer(0).Answer(1);
  EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(base, ".CNT"); }), edited + "Иванов");
  EXPECT_EQ(test::ReadBytes(file + "~"), leftOver);
  EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(base, ".CNT"); }), "<no error>");
  ASSERT_EQ(box.Calls().size(), 2u);
  EXPECT_EQ(box.Calls()[0].text, question);
  EXPECT_EQ(box.Calls()[0].kind, mkWarning);
  EXPECT_EQ(box.Calls()[0].buttons, mbYesNo);
  EXPECT_EQ(box.Calls()[1].text, question);
  // Now this program's lock: refused without a question, and gone when it unlocks.
  EXPECT_EQ(test::ErrorOf([&] { CheckFileFree(file, 0); }), edited + "Иванов");
  EXPECT_EQ(box.Calls().size(), 2u);
  UnlockTableFiles(base, ".CNT");
  EXPECT_FALSE(std::filesystem::exists(file + "~"));

  // Where the folder's locks fail, another workstation's living editing lock cannot be told from a dead
  // one: it is waited for as long as a live write lasts, and only then asked about, the question saying
  // that its program may still work. "Нет" leaves it; "Да" removes it and locks the table here.
  {
    const test::ShareScope share(true, [](int, short) {
      errno = ENOLCK;
      return -1;
    });
    test::ReadCounter(file);  // the folder is named once, here
    box.Clear();
    pid = LockingProgram(dir / "far", "Петров", ".CNT", "станция-2");
    ASSERT_GT(pid, 0);
    double now = 0;
    SetFileWaitClock([&now] { return now += 0.25; });
    const std::string far = dir / "far.CNT";
    const std::string asked = "Файл \"" + far + "\" заблокирован программой рабочей станции \"станция-2\" "
                              "(пользователь \"Петров\"), работу которой отсюда проверить нельзя. " +
                              std::string(kMayStillWork) + " Удалить блокировку, если эта программа больше не работает?";
    box.Answer(0).Answer(1);
    EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(dir / "far", ".CNT"); }), "Файл \"" + far + "\" редактируется. Петров");
    EXPECT_GE(now, kLiveWriteSeconds) << "asked without waiting for the other workstation";
    now = 0;
    EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(dir / "far", ".CNT"); }), "<no error>");
    EXPECT_GE(now, kLiveWriteSeconds);
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{asked, asked}));
    UnlockTableFiles(dir / "far", ".CNT");
    SetFileWaitClock(nullptr);
    kill(pid, SIGKILL);
    EXPECT_EQ(ExitStatusOf(pid), 1000 + SIGKILL);
  }
  CurrentUserName = saved;
}

// Shares the folder with the two accounts by an access ACL alone, as a file server shares one: there is
// no default ACL, so each account's new files let the other read them and not write them. False where
// the file system keeps no ACL.
bool ShareByAcl(const std::string& folder, uid_t first, uid_t second) {
  std::string bytes;
  const auto put = [&bytes](std::uint32_t value, int size) {
    for (int k = 0; k < size; ++k) bytes += static_cast<char>((value >> (8 * k)) & 0xFF);
  };
  put(2, 4);  // the version of the ACL's attribute
  constexpr std::uint32_t kNobody = 0xFFFFFFFF;
  // The owner, the two accounts, the owning group, the mask and the others, in the order the system wants.
  const std::uint32_t entries[][3] = {{0x01, 7, kNobody}, {0x02, 7, first},   {0x02, 7, second},
                                      {0x04, 5, kNobody}, {0x10, 7, kNobody}, {0x20, 5, kNobody}};
  for (const auto& entry : entries) {
    put(entry[0], 2);
    put(entry[1], 2);
    put(entry[2], 4);
  }
  return ::chmod(folder.c_str(), 0755) == 0 &&
         ::setxattr(folder.c_str(), "system.posix_acl_access", bytes.data(), bytes.size(), 0) == 0;
}

// Two accounts on one folder that both may write: what a program of one was killed leaving (a run
// between its renames, a write, a read) is the other's next read, write or run to clear as its own,
// without a question, a warning or a wait, and the data are right. Locally, on a share, and on a share
// whose lock calls all fail; in a folder open to all, and in one shared with the two accounts by an
// access ACL, where each may only read what the other made.
TEST(Concurrency, AnotherAccountClearsWhatAKilledProgramLeftAsItsOwn) {
  if (!test::CanPlayAnotherAccount()) GTEST_SKIP() << "the tests do not run as the superuser: no other account to play";
  constexpr uid_t kFirst = 65533, kSecond = 65534;
  for (const bool acl : {false, true}) {
  SCOPED_TRACE(acl ? "ACL" : "open folder");
  test::TempDir dir;
  test::LayoutScope scope(dir, test::kCounterLayout);
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
  if (acl && !ShareByAcl(dir.Path(), kFirst, kSecond)) {
    std::cerr << "the file system of " << dir.Path() << " keeps no ACL\n";
    continue;
  }
  if (test::ReportAs(kSecond, [&] { return ::access(dir.Path().c_str(), W_OK | X_OK) == 0 ? "" : "no"; }) != "")
    GTEST_SKIP() << "another account cannot reach the folder " << dir.Path() << " (set TMPDIR to a shared one)";
  const std::vector<std::string> files = {dir / "sch.UZL", dir / "sch.CNT", dir / "sch.VET"};
  const std::set<std::string> clean = {"maket.zr", "sch.UZL", "sch.CNT", "sch.VET"};
  const std::string putBack = "Запись файлов \"" + files[0] + "\", \"" + files[1] + "\", \"" + files[2] +
                              "\" была прервана; файлы возвращены в прежнее состояние";
  const auto value = [](const std::string& file) {
    return std::filesystem::exists(file) ? std::to_string(test::ReadCounter(file)) : std::string("-");
  };
  // The first account's program, with the umask most accounts have, stopped where `work` raises SIGSTOP
  // and killed there.
  const auto killedAs = [&](const std::function<void()>& work) {
    const pid_t pid = test::Forked([&] {
      if (!test::BecomeAccount(kFirst)) return 3;
      ::umask(022);
      test::ScriptedMsgBox box;
      work();
      return 0;
    });
    return pid > 0 && test::KillWhenStopped(pid);
  };
  // The second account's next uses: what it found and what it was told. Any wait would be over at once,
  // and ask.
  const auto nextAs = [&](const std::function<std::string()>& work) {
    return test::ReportAs(kSecond, [&] {
      test::ScriptedMsgBox box;
      double now = 0;
      SetFileWaitClock([&now] { return now += 100; });
      std::string found;
      std::string report = test::ErrorOf([&] { found = work(); });
      report += ": " + found;
      for (const std::string& text : box.Texts()) report += "\n" + text;
      return report;
    });
  };
  test::ScriptedMsgBox box;  // the folder without locks is named once, here
  const auto noLocks = [](int, short) {
    errno = ENOLCK;
    return -1;
  };
  for (const int share : {0, 1, 2}) {
    SCOPED_TRACE(share);
    const test::ShareScope shared(share != 0, share == 2 ? std::function<int(int, short)>(noLocks) : test::ShareLock);
    std::filesystem::remove(files[0]);
    test::WriteCounter(files[1], 1);
    test::WriteCounter(files[2], 2);

    ASSERT_TRUE(killedAs([&] {
      SetTableRunStepHook([](TRunStep step) {
        if (step == TRunStep::Renamed) raise(SIGSTOP);
      });
      test::WriteCountersTogether(files, 10);
    }));
    if (acl) {  // what the first account's run left, the second may read and not write
      ASSERT_EQ(test::ReportAs(kSecond, [&] {
                  return std::to_string(::access((files[1] + ".set~").c_str(), R_OK)) +
                         std::to_string(::access((files[1] + ".set~").c_str(), W_OK));
                }),
                "0-1");
    }
    EXPECT_EQ(nextAs([&] {
                std::string found = value(files[1]);
                found += value(files[2]);
                found += value(files[0]) + " ";
                test::WriteCountersTogether(files, 4);
                for (const std::string& file : files) found += value(file);
                return found;
              }),
              "<no error>: 12- 456\n" + putBack);
    EXPECT_EQ(test::FileNames(dir), clean);

    ASSERT_TRUE(killedAs([&] {
      TDataFile t;
      ReadTableFile(files[1], t);
      (*GetColumnAs<DALongint>("Cnt", t))[1] = 8;
      WriteTableFile(files[1], t, [](float) { raise(SIGSTOP); });
    }));
    EXPECT_EQ(nextAs([&] {
                test::WriteCounter(files[1], 7);
                return value(files[1]);
              }),
              "<no error>: 7");
    EXPECT_EQ(test::FileNames(dir), clean);

    ASSERT_TRUE(killedAs([&] {
      TDataFile t;
      ReadTableFile(files[1], t, [](float) { raise(SIGSTOP); });
    }));
    ASSERT_TRUE(HasInUseMark(files[1]));
    EXPECT_EQ(nextAs([&] { return value(files[1]); }), "<no error>: 7");
    EXPECT_EQ(test::FileNames(dir), clean);

    // Killed where a folder without unnamed files has a guard file made: its private file made, or its
    // name claimed before the private file takes it; in a write (its lock), a read (its mark) and a run
    // (its first record, the seventh file it makes after three locks and three marks).
    for (const TGuardStep step : {TGuardStep::PrivateMade, TGuardStep::Claimed}) {
      for (const int use : {0, 1, 2}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(step)) + " " + std::to_string(use));
        if (share == 0) break;  // a local folder makes them without a name
        ASSERT_TRUE(killedAs([&] {
          SetGuardStepHook([step, nth = use == 2 ? 7 : 1, seen = 0](TGuardStep reached) mutable {
            if (reached == step && ++seen == nth) raise(SIGSTOP);
          });
          if (use == 0) test::WriteCounter(files[1], 8);
          if (use == 1) value(files[1]);
          if (use == 2) test::WriteCountersTogether(files, 10);
        }));
        EXPECT_EQ(nextAs([&] {
                    test::WriteCounter(files[1], 7);
                    std::string found = value(files[1]) + " ";
                    test::WriteCountersTogether(files, 4);
                    for (const std::string& file : files) found += value(file);
                    test::WriteCounter(files[1], 7);
                    return found;
                  }),
                  "<no error>: 7 456");
        EXPECT_EQ(test::FileNames(dir), clean);
      }
    }

    // An editing lock of the first account's program killed while it held the table, and one of an
    // earlier version (no start of its process, a mode that lets the second account only read it): the
    // second account is asked as the first would be, naming the user, and "Да" lets it lock the table.
    const std::string locked = "Файл \"" + files[1] + "\" заблокирован программой";
    const std::string byEngineer = locked + " пользователя \"engineerA\", которая больше не работает. Удалить блокировку?";
    const auto lockAs = [&] {
      return nextAs([&] {
        LockTableFiles(dir / "sch", ".CNT");
        UnlockTableFiles(dir / "sch", ".CNT");
        return value(files[1]);
      });
    };
    ASSERT_TRUE(killedAs([&] {
      CurrentUserName = "engineerA";
      LockTableFiles(dir / "sch", ".CNT");
      raise(SIGSTOP);
    }));
    EXPECT_EQ(lockAs(), "<no error>: 7\n" + byEngineer);
    EXPECT_EQ(test::FileNames(dir), clean);
    ASSERT_TRUE(killedAs([&] {
      const test::HeldFile held(files[1] + "~", test::Short("engineerA") + test::Short(HostName()) +
                                                    test::Short(std::to_string(::getpid())));
      if (held.Held()) raise(SIGSTOP);
    }));
    EXPECT_EQ(lockAs(), "<no error>: 7\n" + (share == 2 ? locked + " рабочей станции \"" + HostName() +
                                                               "\" (пользователь \"engineerA\"), работу которой отсюда "
                                                               "проверить нельзя. " + kMayStillWork +
                                                               " Удалить блокировку, если эта программа "
                                                               "больше не работает?"
                                                         : byEngineer));
    EXPECT_EQ(test::FileNames(dir), clean);
  }
  }
}

// A folder with the sticky bit: the second account may remove or replace none of the first's files. What
// the first's killed program left (a run between its renames, a write, a read, an editing lock) is
// named to the second at once with its owner and the folder's rule, without a wait or a question, and
// is never called busy; once an administrator removed it, the tables read as they were.
TEST(Concurrency, AStickyFolderNamesTheOwnerOfWhatAKilledProgramLeft) {
  if (!test::CanPlayAnotherAccount()) GTEST_SKIP() << "the tests do not run as the superuser: no other account to play";
  constexpr uid_t kFirst = 65533, kSecond = 65534;
  test::TempDir dir;
  test::LayoutScope scope(dir, test::kCounterLayout);
  std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(01777));
  if (test::ReportAs(kSecond, [&] { return ::access(dir.Path().c_str(), W_OK | X_OK) == 0 ? "" : "no"; }) != "")
    GTEST_SKIP() << "another account cannot reach the folder " << dir.Path() << " (set TMPDIR to a shared one)";
  const std::vector<std::string> files = {dir / "sch.UZL", dir / "sch.CNT", dir / "sch.VET"};
  const std::set<std::string> clean = {"maket.zr", "sch.CNT", "sch.VET"};
  const passwd* account = ::getpwuid(kFirst);
  const std::string owner = account != nullptr ? account->pw_name : std::to_string(kFirst);
  const auto left = [&](const std::string& file) {
    return "айл \"" + file + "\" оставлен программой пользователя \"" + owner +
           "\", которая больше не работает; эта папка позволяет удалить или заменить его только его владельцу "
           "или администратору";
  };
  // What clears an editing lock or a write's lock: the owner's own next write or editing of the table.
  const auto clears = [&](const std::string& account) {
    return "; его удалит программа пользователя \"" + account + "\", когда снова будет записывать файл \"" +
           files[1] + "\" или откроет его для изменения";
  };
  // The run's files are not named one by one: an administrator who removed some of them would leave a
  // set of two writes that no next use could tell.
  const std::string notBack = "Запись файлов \"" + files[0] + "\", \"" + files[1] + "\", \"" + files[2] +
                              "\" была прервана, и прежнее состояние файлов не восстановлено: эта папка позволяет "
                              "удалить или заменить файлы этой записи только программе пользователя \"" + owner +
                              "\" или администратору; программа пользователя \"" + owner +
                              "\" вернет файлы в прежнее состояние, когда откроет любой из этих файлов";
  const auto value = [&] { return std::to_string(test::ReadCounter(files[1])); };
  const std::string allow = ". Разрешить доступ к файлу " + files[1] + " ?";
  struct TCase {
    std::function<void()> killed;  // the first account's program, stopped and killed where it raises SIGSTOP
    std::function<std::string()> next;  // the second account's next use, once for each answer
    std::vector<int> answers;
    std::string told;  // what each use found, then what the user was shown
    std::string after = "1";  // the value read once an administrator removed what was left
  };
  // A run that ended its tables, killed before it removed its files: the set is whole, a read goes on
  // beside them, and a write is refused, since the owner's program removes them.
  const std::string done = "Запись файлов \"" + files[0] + "\", \"" + files[1] + "\", \"" + files[2] +
                           "\" была прервана: эта папка позволяет удалить или заменить файлы этой записи только "
                           "программе пользователя \"" + owner + "\" или администратору; программа пользователя \"" +
                           owner + "\" удалит их, когда откроет любой из этих файлов";
  const std::vector<TCase> cases = {
      // A read may take the table as it stands once the user knows why the set stays as it is.
      {[&] {
         SetTableRunStepHook([](TRunStep step) {
           if (step == TRunStep::Renamed) raise(SIGSTOP);
         });
         test::WriteCountersTogether(files, 10);
       },
       value, {0, 1}, notBack + ": \n<no error>: 1\n" + notBack + allow + "\n" + notBack + allow},
      {[&] {
         test::WriteCounter(files[1], 8);
         raise(SIGSTOP);
       },
       value, {}, "<no error>: 8", "8"},  // a write that was over: nothing left
      {[&] {
         TDataFile t;
         ReadTableFile(files[1], t);
         WriteTableFile(files[1], t, [](float) { raise(SIGSTOP); });
       },
       [&] {
         test::WriteCounter(files[1], 7);
         return value();
       },
       {}, "Ф" + left(files[1] + "~") + clears(owner) + ": "},
      // A dead read's mark guards nothing: the read goes on beside it.
      {[&] {
         TDataFile t;
         ReadTableFile(files[1], t, [](float) { raise(SIGSTOP); });
       },
       value, {}, "<no error>: 1\nФ" + left(files[1] + ".inuse~")},
      {[&] {
         LockTableFiles(dir / "sch", ".CNT");
         raise(SIGSTOP);
       },
       [&] {
         LockTableFiles(dir / "sch", ".CNT");
         return value();
       },
       {}, "Ф" + left(files[1] + "~") + clears(owner) + ": "},
      {[&] {
         SetTableRunStepHook([](TRunStep step) {
           if (step == TRunStep::Committed) raise(SIGSTOP);
         });
         test::WriteCountersTogether(files, 10);
       },
       [&] { return value() + " " + test::ErrorOf([&] { test::WriteCounter(files[1], 7); }); },
       {}, "<no error>: 11 " + done + "\nФ" + left(files[1] + ".inuse~"), "11"},
  };
  test::ScriptedMsgBox box;
  const auto noLocks = [](int, short) {
    errno = ENOLCK;
    return -1;
  };
  for (const int share : {0, 1, 2}) {
    const test::ShareScope shared(share != 0, share == 2 ? std::function<int(int, short)>(noLocks) : test::ShareLock);
    for (std::size_t k = 0; k < cases.size(); ++k) {
      SCOPED_TRACE(std::to_string(share) + " " + std::to_string(k));
      ASSERT_EQ(test::ReportAs(kFirst, [&] {
                  test::WriteCounter(files[1], 1);
                  test::WriteCounter(files[2], 2);
                  return "";
                }),
                "");
      value();  // where the locks fail, this program is told so, once, here
      const pid_t pid = test::Forked([&] {
        if (!test::BecomeAccount(kFirst)) return 3;
        test::ScriptedMsgBox quiet;
        cases[k].killed();
        return 0;
      });
      ASSERT_TRUE(pid > 0 && test::KillWhenStopped(pid));
      const auto nextAs = [&] {
        return test::ReportAs(kSecond, [&] {
          test::ScriptedMsgBox quiet;
          for (const int answer : cases[k].answers) quiet.Answer(answer);
          double now = 0;
          SetFileWaitClock([&now] { return now += 100; });
          std::string report;
          for (std::size_t use = 0; use < std::max<std::size_t>(1, cases[k].answers.size()); ++use) {
            std::string found;
            report += (use == 0 ? "" : "\n") + test::ErrorOf([&] { found = cases[k].next(); }) + ": " + found;
          }
          for (const std::string& text : quiet.Texts()) report += "\n" + text;
          return report;
        });
      };
      EXPECT_EQ(nextAs(), cases[k].told);
      // What an administrator does by hand: the left-over files go; the tables are as before.
      for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (clean.count(entry.path().filename().string()) == 0) std::filesystem::remove(entry.path());
      EXPECT_EQ(test::ReportAs(kSecond, [&] { return value(); }), cases[k].after);
      EXPECT_EQ(test::FileNames(dir), clean);
    }
  }

  // The other way round: the second account's write, editing lock or run killed over the first's tables.
  // The first may remove none of what it left: its writes and runs are refused, naming the second account
  // and what clears it. The second's next run clears its own first (asking about an editing lock as its
  // user is asked), before it is refused for the first's tables; then the first writes again.
  const passwd* second = ::getpwuid(kSecond);
  const std::string other = second != nullptr ? second->pw_name : std::to_string(kSecond);
  const std::string lock = files[1] + "~";
  const std::string byOther = "Файл \"" + lock + "\" оставлен программой пользователя \"" + other +
                              "\", которая больше не работает; эта папка позволяет удалить или заменить его только его "
                              "владельцу или администратору" + clears(other);
  const std::vector<std::string> pair = {files[1], files[2]};
  const std::string notOwn = "Ошибка записи файла \"" + files[1] + "\": файл принадлежит пользователю \"" + owner +
                             "\"; эта папка позволяет заменить или удалить его только его владельцу или администратору; "
                             "прежний файл не изменен";
  const std::string askOwn = "Файл \"" + files[1] + "\" заблокирован программой, которая больше не работает. "
                             "Удалить блокировку?";
  struct TOtherCase {
    std::function<void()> killed;  // the second account's program, killed where it raises SIGSTOP
    std::string firstTold;         // what each of the first account's write and run is told
    std::string secondTold;        // what the second account's run is told, and asked
    bool onShare = false;          // killed making its lock where no file is made without a name
    bool firstKilledToo = false;   // the first account's write of the set's other table killed before
  };
  const auto killedWriting = [&](const std::string& file) {
    TDataFile t;
    ReadTableFile(file, t);
    WriteTableFile(file, t, [](float) { raise(SIGSTOP); });
  };
  const auto killedMaking = [&](TGuardStep at) {
    return [&, at] {
      TDataFile t;
      ReadTableFile(files[1], t);
      SetGuardStepHook([at](TGuardStep step) {
        if (step == at) raise(SIGSTOP);
      });
      WriteTableFile(files[1], t);
    };
  };
  const std::string nothing = "<no error>";
  const std::vector<TOtherCase> others = {
      {[&] { killedWriting(files[1]); }, byOther, notOwn},
      {[&] {
         LockTableFiles(dir / "sch", ".CNT");
         raise(SIGSTOP);
       },
       byOther, notOwn + "\n" + askOwn},
      // A run of the second account is refused before it makes anything: nothing is left.
      {[&] {
         SetTableRunStepHook([](TRunStep) { raise(SIGSTOP); });
         test::ErrorOf([&] { test::WriteCountersTogether(pair, 10); });
         raise(SIGSTOP);
       },
       nothing, notOwn},
      // Its write killed making its lock: a private file of the lock's name, then the name claimed too.
      {killedMaking(TGuardStep::PrivateMade), nothing, notOwn, true},
      {killedMaking(TGuardStep::Claimed), byOther, notOwn, true},
      // The first account's run refused for the second's lock still clears its own beside its other table.
      {[&] { killedWriting(files[1]); }, byOther, notOwn, false, true},
      // Its read killed: the first's uses go on beside the mark it left, which its next run clears.
      {[&] {
         TDataFile t;
         ReadTableFile(files[1], t, [](float) { raise(SIGSTOP); });
       },
       nothing + "\nФайл \"" + files[1] + ".inuse~\" оставлен программой пользователя \"" + other +
           "\", которая больше не работает; эта папка позволяет удалить или заменить его только его владельцу или "
           "администратору",
       notOwn},
  };
  for (const int share : {0, 1, 2}) {
    const test::ShareScope shared(share != 0, share == 2 ? std::function<int(int, short)>(noLocks) : test::ShareLock);
    for (std::size_t k = 0; k < others.size(); ++k) {
      if (others[k].onShare && share == 0) continue;
      SCOPED_TRACE("other " + std::to_string(share) + " " + std::to_string(k));
      const auto as = [&](uid_t id, const std::function<void()>& work) {
        return test::ReportAs(id, [&] {
          test::ScriptedMsgBox quiet;
          std::string report = test::ErrorOf(work);
          for (const std::string& text : quiet.Texts()) report += "\n" + text;
          return report;
        });
      };
      ASSERT_EQ(as(kFirst, [&] {
                  test::WriteCounter(files[1], 1);
                  test::WriteCounter(files[2], 2);
                }),
                nothing);
      value();
      if (others[k].firstKilledToo) {
        const pid_t first = test::Forked([&] {
          if (!test::BecomeAccount(kFirst)) return 3;
          test::ScriptedMsgBox quiet;
          killedWriting(files[2]);
          return 0;
        });
        ASSERT_TRUE(first > 0 && test::KillWhenStopped(first));
      }
      const pid_t pid = test::Forked([&] {
        if (!test::BecomeAccount(kSecond)) return 3;
        test::ScriptedMsgBox quiet;
        others[k].killed();
        return 0;
      });
      ASSERT_TRUE(pid > 0 && test::KillWhenStopped(pid));
      EXPECT_EQ(as(kFirst, [&] { test::WriteCounter(files[1], 5); }), others[k].firstTold);
      EXPECT_EQ(as(kFirst, [&] { test::WriteCountersTogether(pair, 10); }), others[k].firstTold);
      EXPECT_EQ(as(kSecond, [&] { test::WriteCountersTogether(pair, 10); }), others[k].secondTold);
      EXPECT_EQ(as(kFirst, [&] { test::WriteCounter(files[1], 1); }), nothing);
      EXPECT_EQ(test::ReportAs(kSecond, [&] { return value(); }), "1");
      EXPECT_EQ(test::FileNames(dir), clean);
    }
  }
}

// A run that this account could not finish is refused by name before it makes anything: over another
// account's tables in a folder with the sticky bit, in a folder it may not write, over a read-only table
// on a share that keeps those. It leaves nothing that either account would have to remove (no record, no
// second name of another account's file), and each account's next uses go on without a word.
TEST(Concurrency, ARunThatCouldNotReplaceItsTablesIsRefusedBeforeItMakesAnything) {
  // A read-only table on a local disk is no share's that keeps it so: the run replaces it as any other.
  {
    test::TempDir dir;
    test::LayoutScope scope(dir, test::kCounterLayout);
    const std::vector<std::string> files = {dir / "sch.UZL", dir / "sch.CNT", dir / "sch.VET"};
    test::WriteCounter(files[1], 1);
    std::filesystem::permissions(files[1], std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
    test::ScriptedMsgBox box;
    EXPECT_EQ(test::ErrorOf([&] { test::WriteCountersTogether(files, 10); }), "<no error>");
    EXPECT_EQ(test::ReadCounter(files[1]), 11);
    EXPECT_TRUE(box.Calls().empty());
  }
  if (!test::CanPlayAnotherAccount()) GTEST_SKIP() << "the tests do not run as the superuser: no other account to play";
  constexpr uid_t kFirst = 65533, kSecond = 65534;
  const passwd* account = ::getpwuid(kFirst);
  const std::string owner = account != nullptr ? account->pw_name : std::to_string(kFirst);
  struct TCase {
    std::filesystem::perms folder;
    bool readOnly;  // the tables read-only on a share that keeps those; the run is the first account's own
    std::string why;
  };
  const std::vector<TCase> cases = {
      {static_cast<std::filesystem::perms>(01777), false,
       "файл принадлежит пользователю \"" + owner +
           "\"; эта папка позволяет заменить или удалить его только его владельцу или администратору"},
      {static_cast<std::filesystem::perms>(0755), false, "нет доступа к папке"},
      {static_cast<std::filesystem::perms>(0777), true, "файл только для чтения"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.why);
    test::TempDir dir;
    test::LayoutScope scope(dir, test::kCounterLayout);
    const std::vector<std::string> files = {dir / "sch.UZL", dir / "sch.CNT", dir / "sch.VET"};
    const std::set<std::string> clean = {"maket.zr", "sch.CNT", "sch.VET"};
    ASSERT_EQ(::chown(dir.Path().c_str(), kFirst, kFirst), 0);
    std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(0777));
    const auto as = [&](uid_t id, const std::function<std::string()>& work) {
      return test::ReportAs(id, [&] {
        test::ScriptedMsgBox box;
        const test::ShareScope share(c.readOnly);
        if (c.readOnly) {
          TShareCalls calls = ShareCalls();
          calls.keepsReadOnly = true;
          SetShareCalls(calls);
        }
        std::string found;
        std::string report = test::ErrorOf([&] { found = work(); }) + ": " + found;
        for (const std::string& text : box.Texts()) report += "\n" + text;
        return report;
      });
    };
    const auto values = [&] {
      return std::to_string(test::ReadCounter(files[1])) + std::to_string(test::ReadCounter(files[2]));
    };
    ASSERT_EQ(as(kFirst, [&] {
                test::WriteCounter(files[1], 1);
                test::WriteCounter(files[2], 2);
                return values();
              }),
              "<no error>: 12");
    if (c.readOnly) {
      std::filesystem::permissions(files[1], std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::others_read);
    }
    std::filesystem::permissions(dir.Path(), c.folder);
    const std::string refused =
        as(c.readOnly ? kFirst : kSecond, [&] {
          test::WriteCountersTogether(files, 10);
          return values();
        });
    const std::string named = c.folder == static_cast<std::filesystem::perms>(0755)
                                  ? "Ошибка записи файла \"" + files[0] + "\": " + c.why + " \"" + dir.Path().string() + "\""
                                  : "Ошибка записи файла \"" + files[1] + "\": " + c.why + "; прежний файл не изменен";
    EXPECT_EQ(refused, named + ": ");
    EXPECT_EQ(test::FileNames(dir), clean) << "the refused run made something";
    // Neither account is told of anything, and the owner's own run writes the set.
    EXPECT_EQ(as(kSecond, values), "<no error>: 12");
    if (c.readOnly) std::filesystem::permissions(files[1], static_cast<std::filesystem::perms>(0644));
    EXPECT_EQ(as(kFirst, [&] {
                test::WriteCountersTogether(files, 10);
                return values();
              }),
              "<no error>: 1112");
    EXPECT_EQ(as(kSecond, values), "<no error>: 1112");
    EXPECT_EQ(test::FileNames(dir), (std::set<std::string>{"maket.zr", "sch.UZL", "sch.CNT", "sch.VET"}));
  }
}

}  // namespace
}  // namespace ld
