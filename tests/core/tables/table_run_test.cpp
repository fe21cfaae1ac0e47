// Tables written together by one program while others read them, and the end a run gets when its
// program is killed at any step: the processes are real, the kills are SIGKILL.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <thread>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "support/child_process.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

namespace fs = std::filesystem;
using test::ReadCounter;
using test::WriteCounter;

class TableRun : public ::testing::Test {
protected:
  void TearDown() override {
    SetFileWaitClock(nullptr);
    SetTableRenamer(nullptr);
    SetTableRunStepHook(nullptr);
  }
  std::set<std::string> Folder() const { return test::FileNames(dir_); }
  // The counters of the set, 0 for a table that is not there; read in the order given.
  std::vector<int> Counters(const std::vector<std::string>& files) const {
    std::vector<int> values;
    for (const std::string& file : files) values.push_back(fs::exists(file) ? ReadCounter(file) : 0);
    return values;
  }
  // Writes the set with the values 10, 11, … (`rows` rows each) in a child process that runs `during` at
  // every step of its run, and `before` just before it; returns the child.
  // With `protocol`, the run carries the file of bytes protocol_ too, with those bytes, after its tables.
  pid_t WriteInChild(const std::vector<std::string>& files, const std::function<void(TRunStep)>& during,
                     int rows = 1, const std::function<void()>& before = {}, const std::string& protocol = {}) {
    test::AwaitSingleThread();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    SetTableRunStepHook(during);
    if (before) before();
    _exit(test::ErrorOf([&] { Write(files, 10, rows, protocol); }) == "<no error>" ? 0 : 1);
  }
  void Write(const std::vector<std::string>& files, int first, int rows = 1, const std::string& protocol = {}) const {
    if (protocol.empty()) return test::WriteCountersTogether(files, first, rows);
    test::WriteCountersTogether(files, first, rows, {{protocol_, protocol}});
  }
  // The protocol as its reader takes it: a stopped run that holds it ended first.
  std::string ReadProtocol() const {
    RecoverTableSetForRead(protocol_);
    return test::ReadBytes(protocol_);
  }
  // The counter of the table file as it stands, without ending a run that holds it.
  static int ReadCounterUnrecovered(const std::string& file) {
    const std::string bytes = test::ReadBytes(file);
    return bytes.size() < 4 ? -1 : *reinterpret_cast<const std::int32_t*>(bytes.data() + bytes.size() - 4);
  }
  // The set before a run: the first table absent, the others 1 and 2, the protocol kOldProtocol; the names
  // in the folder then.
  std::set<std::string> OldSet() const {
    fs::remove(files_[0]);
    WriteCounter(files_[1], 1);
    WriteCounter(files_[2], 2);
    test::WriteBytes(protocol_, kOldProtocol);
    return Folder();
  }
  // A hook that stops its program the nth time it reaches the step.
  static TRunStepHook StopAt(TRunStep step, int nth) {
    return [step, nth, seen = 0](TRunStep reached) mutable {
      if (reached == step && ++seen == nth) raise(SIGSTOP);
    };
  }
  // The next use of the set after a kill: a read of each table (the one the run makes last), after a lock
  // of them all where the tables are locked first, as every window and import does.
  std::vector<int> NextUse(bool lockFirst) const {
    const std::string base = dir_ / "sch";
    if (lockFirst) {
      EXPECT_EQ(test::ErrorOf([&] { LockTableFiles(base, ".UZL,.CNT,.VET,.RGM"); }), "<no error>");
    }
    const std::vector<int> values = Counters({files_[1], files_[2], files_[0]});
    if (lockFirst) UnlockTableFiles(base, ".UZL,.CNT,.VET,.RGM");
    return values;
  }
  // Checks each kill, locally and on a folder that answers as a network share does, and with the next
  // use reading the tables or locking them first; each from the old set, whose folder it is given.
  template <typename TKill>
  void ForEachKill(const std::vector<TKill>& kills,
                   const std::function<void(const TKill&, bool lockFirst, const std::set<std::string>&)>& check) {
    for (const bool share : {false, true}) {
      const test::ShareScope scope(share);
      for (const bool lockFirst : {false, true}) {
        for (const TKill& kill : kills) {
          SCOPED_TRACE(std::to_string(share) + std::to_string(lockFirst) + " " +
                       std::to_string(static_cast<int>(kill.step) * 10 + kill.nth));
          check(kill, lockFirst, OldSet());
        }
      }
    }
  }
  // The run after: it writes without a word and leaves nothing beside the tables of the folder.
  void NextRunIsClean(test::ScriptedMsgBox& box, std::set<std::string> folder, const std::string& protocol = {}) const {
    box.Clear();
    EXPECT_EQ(test::ErrorOf([&] { Write(files_, 20, 1, protocol); }), "<no error>");
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(Counters(files_), (std::vector<int>{20, 21, 22}));
    if (!protocol.empty()) {
      EXPECT_EQ(ReadProtocol(), protocol);
    }
    folder.insert("sch.UZL");
    EXPECT_EQ(Folder(), folder);
  }
  static std::string PutBack(const std::vector<std::string>& files) {
    std::string list;
    for (const std::string& file : files) list += (list.empty() ? "\"" : ", \"") + file + "\"";
    return "Запись файлов " + list + " была прервана; файлы возвращены в прежнее состояние";
  }

  test::TempDir dir_;
  test::LayoutScope scope_{dir_, test::kCounterLayout};
  // The run makes its first table and replaces the two others.
  std::vector<std::string> files_ = {dir_ / "sch.UZL", dir_ / "sch.CNT", dir_ / "sch.VET"};
  // A file of bytes that a run carries beside its tables.
  std::string protocol_ = dir_ / "sch.RGM";
  static constexpr char kOldProtocol[] = "прежний протокол\r\n";
};

// Killed at any step, a run leaves the old set or the new one whole to the next read, which neither
// waits for the killed program's marks nor asks anything: before its commit mark the old set is put back
// (the user is told, once a table had taken its new place), after it the new set stands and what the
// run left goes silently; a run killed while it laid or removed its records goes silently too. The next
// run of the set clears whatever else the dead one left (its write locks, a temporary table), without a
// word. The same where the next use locks the tables first (as every window and import does), and on a
// folder that answers as a network share does. A file of bytes that the run carries after its tables (a
// protocol) is the old one with the old set and the new one with the new, whole.
TEST_F(TableRun, ARunKilledAtAnyStepEndsWholeAtTheNextReadWithoutAQuestion) {
  struct TKill {
    TRunStep step;
    int nth;  // the step's n-th time
    bool done;
  };
  const std::vector<TKill> kills = {{TRunStep::Locked, 1, false},       {TRunStep::TempWritten, 1, false},
                                    {TRunStep::TempWritten, 3, false},  {TRunStep::RecordLaid, 1, false},
                                    {TRunStep::RecordLaid, 2, false},   {TRunStep::RecordsLaid, 1, false},
                                    {TRunStep::Renamed, 1, false},      {TRunStep::Renamed, 3, false},
                                    {TRunStep::Committed, 1, true},     {TRunStep::RecordRemoved, 1, true},
                                    {TRunStep::RecordRemoved, 2, true}, {TRunStep::RecordRemoved, 3, true},
                                    {TRunStep::TempWritten, 4, false},  {TRunStep::RecordLaid, 4, false},
                                    {TRunStep::Renamed, 4, false},      {TRunStep::RecordRemoved, 4, true}};
  const std::string protocol = "новый протокол\r\nпо строкам\r\n";
  ForEachKill<TKill>(kills, [&](const TKill& kill, bool lockFirst, const std::set<std::string>& folder) {
    const pid_t pid = WriteInChild(files_, StopAt(kill.step, kill.nth), 1, {}, protocol);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(test::KillWhenStopped(pid));

    // Any wait at all is past its end at once, and would be a question.
    double now = 0;
    SetFileWaitClock([&now] { return now += 100; });
    test::ScriptedMsgBox box;
    // Each read ends the run if it is not ended yet; the table the run made is there or not after it.
    EXPECT_EQ(NextUse(lockFirst), kill.done ? (std::vector<int>{11, 12, 10}) : (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(ReadProtocol(), kill.done ? protocol : std::string(kOldProtocol));
    // Told only where a table had taken its new place: a run stopped before that changed nothing.
    const bool replaced = kill.step == TRunStep::Renamed;
    EXPECT_EQ(box.Texts(), replaced ? std::vector<std::string>{PutBack({files_[0], files_[1], files_[2], protocol_})}
                                    : std::vector<std::string>{});
    std::set<std::string> expected = folder;
    if (kill.done) expected.insert("sch.UZL");
    // Before its records and after them, a run leaves only what its next writer clears, its write locks
    // (which a look at the lock clears), and a temporary table; its first record lies beside the table
    // it makes, which no read opens.
    if (lockFirst || (kill.step != TRunStep::Locked && kill.step != TRunStep::TempWritten &&
                      !(kill.step == TRunStep::RecordLaid && kill.nth == 1) &&
                      !(kill.step == TRunStep::RecordRemoved && kill.nth == 4))) {
      EXPECT_EQ(Folder(), expected) << "no record, commit mark, second name, temporary file, lock or mark left";
    } else if (kill.step == TRunStep::RecordRemoved) {
      std::set<std::string> locked = expected;
      // and the mark of the protocol in use, which no read of a table looks at
      locked.insert({"sch.UZL~", "sch.CNT~", "sch.VET~", "sch.RGM~", "sch.RGM.inuse~"});
      EXPECT_EQ(Folder(), locked) << "nothing but the dead program's locks left";
    }
    NextRunIsClean(box, folder, "протокол 20");
    SetFileWaitClock(nullptr);
  });
}

// A program killed while it ends another's stopped run (holding the run's records, with some tables put
// back, or between removing the records) leaves the set to the next use, a read or a lock alike, which
// ends it whole without a question or a warning: it tells of a put back only where it put a table back
// itself. The next run of the set finds nothing in its way and leaves nothing beside it. The same on a
// folder that answers as a network share does.
TEST_F(TableRun, AProgramKilledWhileItEndsAStoppedRunLeavesItToTheNextUse) {
  struct TKill {
    TRunStep step;
    int nth;
    bool told;  // the next use still has a table to put back
  };
  const std::vector<TKill> kills = {{TRunStep::RecordsTaken, 1, true},  {TRunStep::Restored, 1, true},
                                    {TRunStep::Restored, 2, false},     {TRunStep::Restored, 3, false},
                                    {TRunStep::RecordRemoved, 1, false}, {TRunStep::RecordRemoved, 2, false},
                                    {TRunStep::RecordRemoved, 3, false}};
  ForEachKill<TKill>(kills, [&](const TKill& kill, bool lockFirst, const std::set<std::string>& folder) {
    // The run, killed with its first two tables in place; the program that ends it, killed at the step.
    const pid_t run = WriteInChild(files_, StopAt(TRunStep::Renamed, 2));
    ASSERT_GT(run, 0);
    ASSERT_TRUE(test::KillWhenStopped(run));
    const pid_t ender = test::Forked([&] {
      test::ScriptedMsgBox quiet;
      SetTableRunStepHook(StopAt(kill.step, kill.nth));
      ReadCounter(files_[1]);
      return 0;
    });
    ASSERT_GT(ender, 0);
    ASSERT_TRUE(test::KillWhenStopped(ender));

    double now = 0;
    SetFileWaitClock([&now] { return now += 100; });
    test::ScriptedMsgBox box;
    EXPECT_EQ(NextUse(lockFirst), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(box.Texts(), kill.told ? std::vector<std::string>{PutBack(files_)} : std::vector<std::string>{});
    NextRunIsClean(box, folder);
    SetFileWaitClock(nullptr);
  });
}

// Killed at random instants, inside the writing of a temporary table, between its records, between its
// renames or in its clean-up, a run leaves the old set or the new one whole: the next reads ask nothing,
// wait for nothing and tell only of a set put back, and the next run of the set finds nothing in its
// way and leaves nothing beside it, no private file of a lock, mark or record either, nor a temporary
// of the killed one; the protocol it carries is the old one with the old set, the new with the new. The
// same on a folder that answers as a network share does, and on one whose locks fail. The rounds run in
// parts, each round in one of them with the instant it draws where every round runs in turn.
class TableRunKilled : public TableRun, public ::testing::WithParamInterface<int> {};

constexpr int kRandomKillParts = 8;

TEST_P(TableRunKilled, ARunKilledAtRandomInstantsLeavesAWholeSetAndNothingThatAsksOrBlocks) {
  constexpr int kRows = 3000;
  const auto start = std::chrono::steady_clock::now();
  Write(files_, 5, kRows);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const auto noLocks = [](int, short) {
    errno = ENOLCK;
    return -1;
  };
  {
    // The folder whose locks fail is named once, before the kills.
    const test::ShareScope scope(true, noLocks);
    test::ScriptedMsgBox box;
    ReadCounter(files_[1]);
  }
  // The rounds of each folder (0 local, 1 a share, 2 a share whose locks fail) in turn, and this part's.
  std::vector<std::pair<int, int>> rounds;
  for (const int share : {0, 1, 2})
    for (int round = 0; round < (share != 0 ? 40 : 80); ++round) rounds.emplace_back(share, round);
  const std::size_t per = (rounds.size() + kRandomKillParts - 1) / kRandomKillParts;
  const std::size_t first = std::min(rounds.size(), per * static_cast<std::size_t>(GetParam()));
  const std::size_t last = std::min(rounds.size(), first + per);
  // the instants drawn by the rounds before this part's, as in one run of them all
  std::mt19937 random(68);
  for (std::size_t k = 0; k < first; ++k) random.discard(rounds[k].second != 0 ? 1 : 0);
  int interrupted = 0;
  bool anyInside = false;
  std::optional<test::ShareScope> scope;
  for (std::size_t k = first; k < last; ++k) {
    const auto [share, round] = rounds[k];
    if (k == first || share != rounds[k - 1].first) {
      scope.reset();
      scope.emplace(share != 0, share == 2 ? std::function<int(int, short)>(noLocks) : test::ShareLock);
    }
    {
      SCOPED_TRACE(std::to_string(share) + " " + std::to_string(round));
      fs::remove(files_[0]);
      WriteCounter(files_[1], 1, kRows);
      WriteCounter(files_[2], 2, kRows);
      test::WriteBytes(protocol_, kOldProtocol);
      const test::Pipe started;
      // the first round of each folder stops inside the run, so that a kill falls there however fast or
      // loaded the machine is; the others fall where they fall
      const bool inside = round == 0;
      anyInside = anyInside || inside;
      const pid_t pid = WriteInChild(
          files_, inside ? StopAt(TRunStep::Renamed, 1) : TRunStepHook([](TRunStep) {}), kRows,
          [&] { started.Signal(); }, "новый протокол");
      ASSERT_GT(pid, 0);
      ASSERT_TRUE(started.Wait());
      if (inside) {
        ASSERT_TRUE(test::KillWhenStopped(pid));
      } else {
        std::this_thread::sleep_for(
            std::chrono::microseconds(random() % static_cast<unsigned>(span.count() * 3 / 2 + 1)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
      }
      bool left = false;
      for (const std::string& name : Folder()) left = left || name.back() == '~';
      interrupted += left ? 1 : 0;
      ASSERT_TRUE(left || !inside) << "a run stopped after its first rename left nothing";

      double now = 0;
      SetFileWaitClock([&now] { return now += 100; });
      test::ScriptedMsgBox box;
      const std::vector<int> values = Counters({files_[1], files_[2], files_[0]});
      ASSERT_TRUE(values == (std::vector<int>{1, 2, 0}) || values == (std::vector<int>{11, 12, 10}))
          << values[0] << " " << values[1] << " " << values[2];
      ASSERT_EQ(ReadProtocol(), values[0] == 1 ? std::string(kOldProtocol) : "новый протокол");
      ASSERT_TRUE(box.Calls().empty() ||
                  box.Texts() == std::vector<std::string>{PutBack({files_[0], files_[1], files_[2], protocol_})})
          << box.Texts().front();
      box.Clear();
      ASSERT_EQ(test::ErrorOf([&] { Write(files_, 20, 1, "протокол 20"); }), "<no error>");
      ASSERT_TRUE(box.Calls().empty()) << box.Texts().front();
      ASSERT_EQ(Folder(), (std::set<std::string>{"maket.zr", "sch.UZL", "sch.CNT", "sch.VET", "sch.RGM"}));
      SetFileWaitClock(nullptr);
    }
  }
  if (anyInside) {
    EXPECT_GT(interrupted, 0) << "no kill fell inside a run";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryRound, TableRunKilled, ::testing::Range(0, kRandomKillParts));

// A run killed while it writes its temporary tables leaves its write locks and an unfinished temporary
// table: they are the dead program's own, known by the holds that are gone, on any workstation. The next
// read is right, and the next run of the set clears them and asks nothing about files the user never
// named.
TEST_F(TableRun, ARunKilledWritingItsTemporaryTablesLeavesNoQuestionToTheNext) {
  WriteCounter(files_[1], 1);
  WriteCounter(files_[2], 2);
  const std::set<std::string> folder = Folder();
  const pid_t pid = WriteInChild(files_, [](TRunStep step) {
    if (step == TRunStep::TempWritten) raise(SIGSTOP);
  });
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(test::KillWhenStopped(pid));
  for (const std::string& file : files_) ASSERT_TRUE(fs::exists(file + "~")) << file;
  ASSERT_FALSE(test::TempTables(files_[0]).empty());
  // As another workstation's program would have left it.
  test::WriteBytes(files_[1] + "~", "\x06ZREGIM" + test::Short(CurrentUserName) + test::Short("другая-станция"));

  test::ScriptedMsgBox box;
  EXPECT_EQ(Counters({files_[1], files_[2]}), (std::vector<int>{1, 2}));
  std::vector<TDataFile> tables(3);
  for (std::size_t k = 0; k < 3; ++k) {
    ReadMaket("Счет", tables[k]);
    CreateColumns(tables[k], 1);
    (*GetColumnAs<DALongint>("Cnt", tables[k]))[1] = static_cast<int>(20 + k);
  }
  EXPECT_EQ(test::ErrorOf([&] {
              WriteTablesTogether({{files_[0], &tables[0]}, {files_[1], &tables[1]}, {files_[2], &tables[2]}});
            }),
            "<no error>");
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  EXPECT_EQ(Counters(files_), (std::vector<int>{20, 21, 22}));
  std::set<std::string> expected = folder;
  expected.insert("sch.UZL");
  EXPECT_EQ(Folder(), expected);
}

// A program that reads a table while another one's run is between its renames waits for the run: it puts
// nothing back and deletes nothing, even the table that the run has just made, and the run ends whole.
TEST_F(TableRun, AReadDuringALiveRunWaitsForItInsteadOfPuttingItBack) {
  WriteCounter(files_[1], 1);
  WriteCounter(files_[2], 2);
  int stopped[2], goOn[2];
  ASSERT_EQ(pipe(stopped), 0);
  ASSERT_EQ(pipe(goOn), 0);
  const pid_t pid = WriteInChild(files_, [&, renamed = 0](TRunStep step) mutable {
    if (step != TRunStep::Renamed || ++renamed != 1) return;
    char c = 'S';
    if (write(stopped[1], &c, 1) != 1 || read(goOn[0], &c, 1) != 1) _exit(2);
  });
  ASSERT_GT(pid, 0);
  const std::string old = test::ReadBytes(files_[2]);
  char c = 0;
  ASSERT_EQ(read(stopped[0], &c, 1), 1);
  ASSERT_TRUE(fs::exists(files_[0])) << "the new table is in place";

  // The reader's wait lets the writer go on once it has seen the run untouched.
  test::ScriptedMsgBox box;
  double now = 0;
  bool released = false;
  SetFileWaitClock([&] {
    if (!released && now > 0) {
      EXPECT_TRUE(fs::exists(files_[0]));
      EXPECT_EQ(test::ReadBytes(files_[2]), old);
      released = write(goOn[1], "G", 1) == 1;
    }
    return now += 0.01;
  });
  EXPECT_EQ(ReadCounter(files_[0]), 10);
  EXPECT_TRUE(released) << "the read did not wait for the run";
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Counters(files_), (std::vector<int>{10, 11, 12}));
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(Folder(), (std::set<std::string>{"maket.zr", "sch.UZL", "sch.CNT", "sch.VET"}));
  for (int fd : {stopped[0], stopped[1], goOn[0], goOn[1]}) close(fd);
}

// A record that the other tables it names do not carry is no stopped run, whichever way it came there:
// it removes and puts back nothing, and the user is told of it once.
TEST_F(TableRun, ARecordTheOtherTablesDoNotCarryRemovesNothingAndIsReported) {
  const std::string a = dir_ / "a.RS", b = dir_ / "b.RS";
  WriteCounter(a, 1);
  WriteCounter(b, 2);
  test::ScriptedMsgBox box;
  for (const std::string record : {"-\ta.RS\n-\tb.RS\n", "+.old~\ta.RS\n-\tb.RS\n"}) {
    test::WriteBytes(a + ".old~", "прежняя версия");
    test::WriteBytes(a + ".set~", record);
    box.Clear();
    EXPECT_EQ(Counters({a, b}), (std::vector<int>{1, 2}));
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + a +
                                                    ".set~\" не является перечнем прерванной записи таблиц: его "
                                                    "нет рядом с файлом \"" + b +
                                                    "\". Файлы таблиц не изменены, перечень удален"});
    EXPECT_EQ(test::ReadBytes(a + ".old~"), "прежняя версия");
    EXPECT_FALSE(fs::exists(a + ".set~"));
  }

  // A table that carries another run's record: that run is not this one. Followed as this one, its
  // record would go and its tables stay mixed, and a table this one says it made would go.
  const std::string c = dir_ / "c.RS";
  WriteCounter(c, 3);
  std::vector<TDataFile> tables(2);
  ReadTableFile(b, tables[0]);
  ReadTableFile(c, tables[1]);
  (*GetColumnAs<DALongint>("Cnt", tables[0]))[1] = 20;
  (*GetColumnAs<DALongint>("Cnt", tables[1]))[1] = 30;
  SetTableRenamer([renames = 0](const std::string& temp, const std::string& file) mutable {
    if (renames++ == 1) throw std::runtime_error("killed");
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });
  EXPECT_EQ(test::ErrorOf([&] { WriteTablesTogether({{b, &tables[0]}, {c, &tables[1]}}); }), "killed");
  SetTableRenamer(nullptr);
  const std::string other = test::ReadBytes(b + ".set~");
  ASSERT_EQ(other, "+.old~\tb.RS\n+.old~\tc.RS\n");
  test::WriteBytes(a + ".set~", "-\ta.RS\n+.old~\tb.RS\n");
  box.Clear();
  EXPECT_EQ(ReadCounter(a), 1);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + a +
                                                  ".set~\" не является перечнем прерванной записи таблиц: его "
                                                  "нет рядом с файлом \"" + b +
                                                  "\". Файлы таблиц не изменены, перечень удален"});
  EXPECT_EQ(test::ReadBytes(b + ".set~") + test::ReadBytes(c + ".set~"), other + other);
  box.Clear();
  EXPECT_EQ(Counters({c, b, a}), (std::vector<int>{3, 2, 1}));  // the other run is put back whole
  EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack({b, c})});
}

// A program that reads a table while another program ends a stopped run of it (between taking the run's
// records and marking its tables in use) waits for that program: it ends nothing itself, tells nothing,
// and reads the set put back whole.
TEST_F(TableRun, AReadWaitsForAnotherProgramThatEndsAStoppedRun) {
  WriteCounter(files_[1], 1);
  WriteCounter(files_[2], 2);
  const std::set<std::string> folder = Folder();
  std::vector<TDataFile> tables(2);
  for (int k = 0; k < 2; ++k) {
    ReadTableFile(files_[k + 1], tables[k]);
    (*GetColumnAs<DALongint>("Cnt", tables[k]))[1] = 20 + k;
  }
  SetTableRenamer([renames = 0](const std::string& temp, const std::string& file) mutable {
    if (renames++ == 1) throw std::runtime_error("killed");
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });
  EXPECT_EQ(test::ErrorOf([&] { WriteTablesTogether({{files_[1], &tables[0]}, {files_[2], &tables[1]}}); }), "killed");
  SetTableRenamer(nullptr);
  ASSERT_EQ(ReadCounterUnrecovered(files_[1]), 20) << "the run stopped with its first table in place";

  const test::Pipe taken, goOn;
  const pid_t pid = test::Forked([&] {
    test::ScriptedMsgBox box;
    SetTableRunStepHook([&](TRunStep step) {
      if (step == TRunStep::RecordsTaken && (!taken.Signal() || !goOn.Wait())) _exit(2);
    });
    ReadCounter(files_[1]);
    return box.Texts() == std::vector<std::string>{PutBack({files_[1], files_[2]})} ? 0 : 1;
  });
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(taken.Wait());
  test::ScriptedMsgBox box;
  double now = 0;
  bool released = false;
  SetFileWaitClock([&] {
    if (!released && now > 0) released = goOn.Signal();
    return now += 0.01;
  });
  EXPECT_EQ(ReadCounter(files_[2]), 2);
  EXPECT_TRUE(released) << "the read did not wait for the other program";
  EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
  EXPECT_EQ(test::ExitOf(pid), 0);
  EXPECT_EQ(Counters({files_[1], files_[2]}), (std::vector<int>{1, 2}));
  EXPECT_EQ(Folder(), folder);
}

// A reader that meets a run that goes on asks once, however many looks at the run and the table its read
// takes: "Да" reads the table as it stands, "Нет" refuses the read.
TEST_F(TableRun, AReaderAsksOnceAboutARunThatGoesOn) {
  WriteCounter(files_[1], 1);
  WriteCounter(files_[2], 2);
  const test::Pipe stopped;
  const pid_t pid = WriteInChild(files_, [&, renamed = 0](TRunStep step) mutable {
    if (step != TRunStep::Renamed || ++renamed != 1) return;
    stopped.Signal();
    for (;;) pause();
  });
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(stopped.Wait());
  double now = 0;
  SetFileWaitClock([&now] { return now += 100; });
  test::ScriptedMsgBox box;
  box.Answer(1);
  TDataFile t;
  EXPECT_TRUE(ReadTableFileOrEmpty(files_[2], "Счет", t));
  EXPECT_EQ(GetColumnAs<DALongint>("Cnt", t)->Get(1), 2);
  EXPECT_EQ(box.Calls().size(), 1u);
  box.Clear();
  box.Answer(1);
  EXPECT_EQ(ReadCounter(files_[1]), 1);
  EXPECT_EQ(box.Calls().size(), 1u);
  // "Нет" refuses the read, naming the file, and the question says what the file is part of.
  box.Clear();
  box.Answer(0);
  EXPECT_EQ(test::ErrorOf([&] { ReadCounter(files_[2]); }), "Файл \"" + files_[2] + "\" занят другой программой");
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл " + files_[2] +
                                                  " входит в запись нескольких таблиц, которая не закончена или была "
                                                  "прервана: файлы этой записи могут быть в разных состояниях. "
                                                  "Разрешить доступ к файлу ?"});
  ::kill(pid, SIGKILL);
  EXPECT_EQ(test::ExitOf(pid), 1000 + SIGKILL);
}

// Where the folder's locks fail, a run of another workstation killed between its renames cannot be told
// from one that goes on: a read watches it once, as long as a live write lasts, and asks once about all
// of its files (its records, locks and marks). "Нет" refuses the read at once; "Да" puts the set back,
// and the read takes the old set.
TEST_F(TableRun, OnAFolderWhoseLocksFailAReaderWaitsAndAsksOnceForARunsFiles) {
  const test::ShareScope share(true, [](int, short) {
    errno = ENOLCK;
    return -1;
  });
  const std::set<std::string> folder = OldSet();
  {
    test::ScriptedMsgBox notice;  // the folder is named once, before the run
    ReadCounter(files_[1]);
  }
  const pid_t pid = WriteInChild(files_, StopAt(TRunStep::Renamed, 2), 1, [] {
    const std::string name = Utf8ToCp1251("станция-2");
    if (::unshare(CLONE_NEWUTS) != 0 || ::sethostname(name.data(), name.size()) != 0) _exit(3);
  });
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(test::KillWhenStopped(pid));
  double now = 0;
  SetFileWaitClock([&now] { return now += 0.25; });
  test::ScriptedMsgBox box;
  box.Answer(0).Answer(1);
  EXPECT_EQ(test::ErrorOf([&] { ReadCounter(files_[2]); }), "Файл \"" + files_[2] + "\" занят другой программой");
  ASSERT_EQ(box.Texts().size(), 1u);
  EXPECT_NE(box.Texts()[0].find(std::string("рабочей станции \"станция-2\"") + ", могла быть прервана"), std::string::npos)
      << box.Texts()[0];
  EXPECT_NE(box.Texts()[0].find(kMayStillWork), std::string::npos);
  EXPECT_GE(now, kLiveWriteSeconds);
  EXPECT_LT(now, 1.5 * kLiveWriteSeconds) << "waited more than once";
  now += 100;  // the answer "Нет" is long past
  box.Clear();
  EXPECT_EQ(Counters({files_[2], files_[1], files_[0]}), (std::vector<int>{2, 1, 0}));
  ASSERT_EQ(box.Texts().size(), 2u);
  EXPECT_NE(box.Texts()[0].find(kMayStillWork), std::string::npos);
  EXPECT_EQ(box.Texts()[1], PutBack(files_));
  EXPECT_EQ(Folder(), folder);
}

// A run that cannot put back a table it replaced, after a later one failed to take its place, keeps its
// records: the next use of any table of the set puts the whole set back once the way is clear, instead of
// leaving it mixed and never named again; the tables of the failed run are still those read from it.
TEST_F(TableRun, ARunThatCannotPutATableBackKeepsItsRecordsForTheNextUse) {
  WriteCounter(files_[1], 1);
  WriteCounter(files_[2], 2);
  std::vector<TDataFile> tables(3);
  for (std::size_t k = 1; k < 3; ++k) ReadTableFile(files_[k], tables[k]);
  ReadTableFile(files_[1], tables[0]);
  tables[0].FileDate = 0;  // a table new to its file
  const std::set<std::string> folder = Folder();
  SetTableRenamer([&](const std::string& temp, const std::string& file) {
    if (file != files_[2]) return std::rename(temp.c_str(), file.c_str()) == 0;
    fs::remove(files_[1]);  // the replaced table's name is taken by a folder meanwhile
    fs::create_directory(files_[1]);
    errno = EIO;
    return false;
  });
  const std::string error = test::ErrorOf([&] {
    WriteTablesTogether({{files_[0], &tables[0]}, {files_[1], &tables[1]}, {files_[2], &tables[2]}});
  });
  EXPECT_EQ(error.substr(0, error.find(';')), "Ошибка записи файла \"" + files_[2] + "\": ошибка ввода-вывода");
  EXPECT_NE(error.find("прежняя версия файла \"" + files_[1] + "\" осталась в \"" + files_[1] + ".old~\""),
            std::string::npos)
      << error;
  SetTableRenamer(nullptr);
  fs::remove(files_[1]);
  test::ScriptedMsgBox box;
  EXPECT_EQ(Counters({files_[2], files_[1], files_[0]}), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(box.Texts(), std::vector<std::string>{PutBack(files_)});
  EXPECT_EQ(Folder(), folder);
  // The tables were read from the versions put back: the same write tried again is no write over a change.
  EXPECT_EQ(test::ErrorOf([&] {
              WriteTablesTogether({{files_[0], &tables[0]}, {files_[1], &tables[1]}, {files_[2], &tables[2]}});
            }),
            "<no error>");
  EXPECT_EQ(Counters(files_), (std::vector<int>{1, 1, 2}));
}

}  // namespace
}  // namespace ld
