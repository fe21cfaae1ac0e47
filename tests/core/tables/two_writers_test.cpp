// Two programs that write tables of one folder at once: two runs of one set, runs of overlapping sets,
// and a run beside a single write of one of its tables. Played by processes started at random instants,
// and, for each way two writes meet, stepped through pipes to the instant that matters.
#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "support/child_process.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "tables_fixture.h"

namespace ld {
namespace {

namespace fs = std::filesystem;

// A writer's value that removes its table (a run's nullptr table); what a read of a table not there gives.
constexpr int kRemoved = -1;

// One writer: a run of its tables with its values, or a single write of its one table.
struct TWriter {
  std::vector<int> tables;  // indices into the fixture's files
  std::vector<int> values;
  bool single = false;
  bool read = false;  // its tables read from their files first, its values set over them
};

// How a writer's process ends. kTakenOver: refused because another program, whose user was told that
// this one may still work, took it for a dead one; kNotAsked: that question never came.
// kChanged: refused because a table was changed since it was read.
enum TOutcome { kWritten = 0, kBusy = 1, kOtherFailure = 2, kAsked = 3, kTakenOver = 4, kNotAsked = 5, kChanged = 6 };

TOutcome OutcomeOf(const std::string& error) {
  if (error == "<no error>") return kWritten;
  std::fprintf(stderr, "%s\n", error.c_str());
  if (error.find("занят другой программой") != std::string::npos) return kBusy;
  if (error.find(": блокировка записи удалена другой программой; прежний файл не изменен") != std::string::npos)
    return kTakenOver;
  if (error.find("\" был изменен. Необходимо открыть файл заново") != std::string::npos) return kChanged;
  return kOtherFailure;
}

// Where a workstation's program runs, as its records name it: another workstation where this process
// may give itself a name of its own, else the records it made are given that name (in place, as the
// program keeps them open).
const char kOtherStation[] = "станция-2";
void BecomeOtherStation() {
  const std::string name = Utf8ToCp1251(kOtherStation);
  if (::unshare(CLONE_NEWUTS) == 0) ::sethostname(name.data(), name.size());
}
void NameOtherStation(const std::set<std::string>& names, const test::TempDir& dir) {
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  const std::string here = test::Short(host), there = test::Short(kOtherStation);
  for (const std::string& name : names) {
    std::string bytes = test::ReadBytes(dir / name);
    const std::size_t at = bytes.find(here);
    if (name.back() == '~' && at != std::string::npos)
      test::WriteBytes(dir / name, bytes.replace(at, here.size(), there));
  }
}

class TwoWriters : public ::testing::Test {
protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    SetFileWaitClock(nullptr);
    SetTableRunStepHook(nullptr);
    SetGuardStepHook(nullptr);
  }
  void Reset() {
    for (int k = 0; k < 3; ++k) test::WriteCounter(files_[k], k + 1);
  }
  std::vector<int> Values() const {
    std::vector<int> values;
    for (const std::string& file : files_) values.push_back(fs::exists(file) ? test::ReadCounter(file) : kRemoved);
    return values;
  }
  std::set<std::string> Folder() const { return test::FileNames(dir_); }
  // The writer's write in this process; what a refusal says goes to the error output. A message other than
  // the `told` ones counts as a question.
  int Write(const TWriter& writer, const std::vector<std::string>& told = {}) const {
    test::ScriptedMsgBox box;
    const std::string error = WriteError(writer);
    if (box.Texts() != told) return kAsked;
    return OutcomeOf(error);
  }
  // The same, answering every question `answer`: kNotAsked unless one said that the other program may
  // still work.
  int WriteAnswering(const TWriter& writer, int answer) const {
    test::ScriptedMsgBox box;
    for (int k = 0; k < 10; ++k) box.Answer(answer);
    const TOutcome outcome = OutcomeOf(WriteError(writer));
    for (const std::string& text : box.Texts())
      if (text.find("но эта программа, возможно, еще работает.") != std::string::npos) return outcome;
    return kNotAsked;
  }
  // The writer's tables written (a single write or a run), and what the refusal said; empty when none.
  std::string WriteError(const TWriter& writer) const {
    std::vector<TDataFile> tables(writer.tables.size());
    std::vector<std::pair<std::string, TDataFile*>> run;
    for (std::size_t k = 0; k < tables.size(); ++k) {
      if (writer.read) {
        const std::string error = test::ErrorOf([&] { ReadTableFile(files_[writer.tables[k]], tables[k]); });
        if (error != "<no error>") return error;
      } else {
        ReadMaket("Счет", tables[k]);
        CreateColumns(tables[k], 1);
      }
      (*GetColumnAs<DALongint>("Cnt", tables[k]))[1] = writer.values[k];
      run.emplace_back(files_[writer.tables[k]], writer.values[k] == kRemoved ? nullptr : &tables[k]);
    }
    if (writer.read && ReadDone()) ReadDone()();
    return test::ErrorOf([&] { WriteIn(writer, run); });
  }
  // Called once a writer that reads its tables first has read them.
  static std::function<void()>& ReadDone() {
    static std::function<void()> done;
    return done;
  }
  // Called as a single write goes on, with the share of it done.
  static TProgressProc& SingleProgress() {
    static TProgressProc progress;
    return progress;
  }
  static void WriteIn(const TWriter& writer, const std::vector<std::pair<std::string, TDataFile*>>& run) {
    if (writer.single) {
      WriteTableFile(run[0].first, *run[0].second, SingleProgress());
    } else {
      WriteTablesTogether(run);
    }
  }
  // The values the writers that wrote leave, in that order.
  static std::vector<int> After(std::vector<const TWriter*> order) {
    std::vector<int> values = {1, 2, 3};
    for (const TWriter* writer : order)
      for (std::size_t k = 0; k < writer->tables.size(); ++k) values[writer->tables[k]] = writer->values[k];
    return values;
  }

  test::TempDir dir_;
  test::LayoutScope scope_{dir_, test::kCounterLayout};
  std::vector<std::string> files_ = {dir_ / "t0.CNT", dir_ / "t1.CNT", dir_ / "t2.CNT"};
  const std::set<std::string> clean_ = {"maket.zr", "t0.CNT", "t1.CNT", "t2.CNT"};
  // Two runs of one set; runs of overlapping sets; a run and a single write of one of its tables.
  const std::vector<std::pair<TWriter, TWriter>> meetings_ = {
      {{{0, 1, 2}, {10, 11, 12}}, {{0, 1, 2}, {20, 21, 22}}},
      {{{0, 1}, {10, 11}}, {{1, 2}, {21, 22}}},
      {{{0, 1, 2}, {10, 11, 12}}, {{1}, {31}, true}},
  };
};

// Started at random instants, many times: each writer writes its whole set or is refused as busy, never
// fails otherwise or asks, and the folder holds what the writers that reported success give in some
// order, with nothing of theirs left beside it.
// (each kind of meeting a test of its own, so that the test command's shards share them out)
class TwoWritersAtRandom : public TwoWriters, public ::testing::WithParamInterface<int> {};

TEST_P(TwoWritersAtRandom, WritersStartedAtRandomInstantsLeaveWhatSomeOrderOfTheirWritesGives) {
  // How long one run takes here: the starts spread over it.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Write(meetings_[0].first), kWritten);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  std::mt19937 random(68 + GetParam());
  int overlapped = 0;
  ASSERT_LT(static_cast<std::size_t>(GetParam()), meetings_.size());
  {
    const std::size_t kind = GetParam();
    const TWriter& a = meetings_[kind].first;
    const TWriter& b = meetings_[kind].second;
    for (int round = 0; round < 60; ++round) {
      SCOPED_TRACE(std::to_string(kind) + "/" + std::to_string(round));
      Reset();
      const test::Pipe go;
      int times[2];
      ASSERT_EQ(pipe(times), 0);
      const auto delay = [&] { return std::chrono::microseconds(random() % static_cast<unsigned>(span.count() + 1)); };
      // Each tells when its write began and ended (one clock for every process), so that the test knows
      // the two met.
      const auto writer = [&](const TWriter& w, std::chrono::microseconds wait) {
        return test::Forked([&, wait] {
          if (!go.Wait()) return static_cast<int>(kOtherFailure);
          std::this_thread::sleep_for(wait);
          std::chrono::steady_clock::time_point when[2];
          when[0] = std::chrono::steady_clock::now();
          const int outcome = Write(w);
          when[1] = std::chrono::steady_clock::now();
          return write(times[1], when, sizeof when) == sizeof when ? outcome : static_cast<int>(kOtherFailure);
        });
      };
      const pid_t pa = writer(a, delay());
      const pid_t pb = writer(b, delay());
      ASSERT_TRUE(pa > 0 && pb > 0);
      ASSERT_TRUE(go.Signal() && go.Signal());
      const int ea = test::ExitOf(pa), eb = test::ExitOf(pb);
      std::chrono::steady_clock::time_point when[4];
      const bool told = read(times[0], when, sizeof when) == sizeof when;
      close(times[0]);
      close(times[1]);
      overlapped += told && when[0] < when[3] && when[2] < when[1] ? 1 : 0;
      ASSERT_TRUE((ea == kWritten || ea == kBusy) && (eb == kWritten || eb == kBusy)) << ea << " " << eb;
      ASSERT_EQ(Folder(), clean_) << "a record, lock, mark or temporary table left";
      std::vector<const TWriter*> ab, ba;
      if (ea == kWritten) ab.push_back(&a);
      if (eb == kWritten) ab.push_back(&b), ba.push_back(&b);
      if (ea == kWritten) ba.push_back(&a);
      const std::vector<int> values = Values();
      ASSERT_TRUE(values == After(ab) || values == After(ba)) << values[0] << " " << values[1] << " " << values[2];
    }
  }
  EXPECT_GT(overlapped, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryMeeting, TwoWritersAtRandom, ::testing::Range(0, 3));

// Each meeting at the instant that matters: the first writer holds its locks and has written every
// temporary table; the second, started then, waits without touching anything of the first's, and goes
// on once the first is done. Both report success, and the folder holds the second's writes over the
// first's. Where the first is killed instead once it goes on, with its first table in place, the second
// puts the first's set back (and says so) before it writes, and it reports success for what the folder
// then holds; killed with its first record laid, the first leaves nothing the second is told of.
// Two runs of overlapping sets listed in opposite orders take their locks in one order: the second
// waits for the first holding none of the first's tables, and both write.
// A second writer (a run or a single write) that read its tables while the first held its locks is
// refused, as changed since read, where the first wrote one of them, and writes where the first was
// killed and its set put back; the same where the first is a single write, on a folder that answers
// as a network share does, and on one that keeps whole seconds (or two), where the first's write has
// the date of the version the second read.
TEST_F(TwoWriters, ASecondWriterWaitsForTheFirstWhereverTheirTablesMeet) {
  const std::vector<std::optional<TRunStep>> kills = {std::nullopt, TRunStep::RecordLaid, TRunStep::Renamed};
  std::vector<std::pair<TWriter, TWriter>> meetings = meetings_;
  meetings.push_back({{{0}, {40}, true}, {{0, 1, 2}, {50, 51, 52}}});
  meetings.push_back({{{1}, {41}, true}, {{1}, {61}, true}});
  // 1: the second reads its tables first; 2: so, on a share; 3, 4: so, where file times are kept in whole
  // seconds, one or two
  for (const int variant : {0, 1, 2, 3, 4})
  for (const std::optional<TRunStep>& killedAt : kills)
  for (std::size_t kind = 0; kind < meetings.size(); ++kind) {
    const bool killed = killedAt.has_value();
    const TWriter& a = meetings[kind].first;
    TWriter b = meetings[kind].second;
    b.read = variant != 0;
    if (a.single && killed) continue;
    SCOPED_TRACE(std::to_string(variant) + " " + std::to_string(killed ? static_cast<int>(*killedAt) : -1) + " " +
                 std::to_string(kind));
    const test::ShareScope share(variant == 2);
    const test::TimeGrainScope coarse(variant >= 3 ? variant - 2 : 0);
    Reset();
    const test::Pipe stopped, goOn, waiting;
    const pid_t pa = test::Forked([&] {
      SetTableRunStepHook([&, written = std::size_t{0}, seen = 0](TRunStep step) mutable {
        const bool stop = (step == TRunStep::TempWritten && ++written == a.tables.size()) ||
                          (killed && step == *killedAt && ++seen == 1);
        if (stop && (!stopped.Signal() || !goOn.Wait())) _exit(kOtherFailure);
      });
      SingleProgress() = [&, once = true](float done) mutable {
        if (done == 100 && std::exchange(once, false) && (!stopped.Signal() || !goOn.Wait())) _exit(kOtherFailure);
      };
      return Write(a);
    });
    ASSERT_GT(pa, 0);
    ASSERT_TRUE(stopped.Wait());
    std::vector<std::string> temps, tables;
    for (int k = 0; k < static_cast<int>(files_.size()); ++k) {
      temps.push_back(test::TempTables(files_[k]));
      const bool written = std::count(a.tables.begin(), a.tables.end(), k) != 0;
      ASSERT_EQ(temps.back().empty(), !written) << "the first writer's temporary tables, and only those";
      tables.push_back(test::ReadBytes(files_[k]));
    }
    const std::set<std::string> folder = Folder();

    std::vector<std::string> putBack;
    if (killedAt == TRunStep::Renamed) {
      std::string list;
      for (const int k : a.tables) list += (list.empty() ? "\"" : ", \"") + files_[k] + "\"";
      putBack.push_back("Запись файлов " + list + " была прервана; файлы возвращены в прежнее состояние");
    }
    const pid_t pb = test::Forked([&] {
      // The second look at the clock is the first pause of a wait (of the write, once its tables are read).
      const auto watch = [&] {
        SetFileWaitClock([&, calls = 0]() mutable {
          if (++calls == 2) waiting.Signal();
          return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        });
      };
      if (b.read) {
        ReadDone() = watch;
      } else {
        watch();
      }
      return Write(b, putBack);
    });
    ASSERT_GT(pb, 0);
    ASSERT_TRUE(waiting.Wait());
    for (std::size_t k = 0; k < files_.size(); ++k) {
      EXPECT_EQ(test::TempTables(files_[k]), temps[k]) << "the first writer's temporary table touched";
      EXPECT_EQ(test::ReadBytes(files_[k]), tables[k]);
    }
    // (on a share a lock is tried through a private file of its own, which comes and goes as it waits)
    if (variant != 2) {
      EXPECT_EQ(Folder(), folder) << "the second writer made something beside the first's";
    }
    ASSERT_TRUE(goOn.Signal());
    if (killed) {
      ASSERT_TRUE(stopped.Wait());
      ::kill(pa, SIGKILL);
      EXPECT_EQ(test::ExitOf(pa), 1000 + SIGKILL);
    } else {
      EXPECT_EQ(test::ExitOf(pa), kWritten);
    }
    const bool changed = b.read && !killed;
    EXPECT_EQ(test::ExitOf(pb), changed ? kChanged : kWritten);
    test::ScriptedMsgBox box;
    EXPECT_EQ(Values(), killed ? After({&b}) : changed ? After({&a}) : After({&a, &b}));
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    EXPECT_EQ(Folder(), clean_);
  }

  // The first holds the lock of t0 only, and goes on once the second waits.
  Reset();
  const TWriter a = {{0, 1}, {10, 11}}, b = {{1, 0}, {21, 20}};
  const test::Pipe locked, goOn, waiting;
  const pid_t pa = test::Forked([&] {
    SetTableRunStepHook([&, taken = 0](TRunStep step) mutable {
      if (step == TRunStep::LockTaken && ++taken == 1 && (!locked.Signal() || !goOn.Wait())) _exit(kOtherFailure);
    });
    return Write(a);
  });
  ASSERT_GT(pa, 0);
  ASSERT_TRUE(locked.Wait());
  const pid_t pb = test::Forked([&] {
    SetFileWaitClock([&, calls = 0]() mutable {
      if (++calls == 2) waiting.Signal();
      return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    });
    return Write(b);
  });
  ASSERT_GT(pb, 0);
  ASSERT_TRUE(waiting.Wait());
  const bool holdsT1 = fs::exists(files_[1] + "~");
  EXPECT_FALSE(holdsT1) << "the second run waits for t0 holding t1: the two would wait for each other";
  if (holdsT1) {
    ::kill(pa, SIGKILL);
    ::kill(pb, SIGKILL);
  }
  ASSERT_TRUE(goOn.Signal() || holdsT1);
  EXPECT_EQ(test::ExitOf(pa), holdsT1 ? 1000 + SIGKILL : kWritten);
  EXPECT_EQ(test::ExitOf(pb), holdsT1 ? 1000 + SIGKILL : kWritten);
  if (!holdsT1) {
    EXPECT_EQ(Values(), After({&a, &b}));
  }
  EXPECT_EQ(Folder(), clean_);
}

// On a folder whose locks fail, the first writer runs on another workstation, which cannot be tested
// from here. Going on, it is waited for: the second asks nothing and writes after it. Stopped (holding
// its locks with every temporary table written, with its records laid, or with its first table in place),
// it is asked about once nothing of it changed for as long as a live write lasts, the question saying
// that it may still work. "Нет" leaves it everything: the second is refused as busy, and the first, going
// on, writes its set. "Да" ends it: the second writes its set, and the first, going on, puts nothing of
// its own in place and says so: neither a table nor the removal of one it was to remove, nor its commit
// mark where it was stalled making it. Each report is what the folder holds. A second that read its
// tables while the first held its locks is refused, as changed since read, once the first wrote.
TEST_F(TwoWriters, OnAFolderWhoseLocksFailAnotherWorkstationIsWaitedForAndNoAnswerLosesAWrite) {
  const test::ShareScope share(true, [](int, short) {
    errno = ENOLCK;
    return -1;
  });
  {
    test::ScriptedMsgBox notice;  // the folder is named once, before the writers are started
    Reset();
  }
  // Besides the meetings of runs: a single write first, stopped once its temporary table has every byte.
  std::vector<std::pair<TWriter, TWriter>> meetings = meetings_;
  meetings.push_back({{{1}, {41}, true}, {{0, 1, 2}, {50, 51, 52}}});
  // And a run that removes a table of its set.
  meetings.push_back({{{0, 1, 2}, {60, kRemoved, 62}}, {{0, 1, 2}, {70, 71, 72}}});
  const std::vector<TRunStep> stops = {TRunStep::TempWritten, TRunStep::RecordsLaid, TRunStep::Renamed,
                                       TRunStep::Committing};
  for (const TRunStep stopAt : stops)
  for (std::size_t kind = 0; kind < meetings.size(); ++kind)
  for (const int answer : {-2, -1, 0, 1}) {  // below 0: the first goes on while the second watches it
    const TWriter& a = meetings[kind].first;
    TWriter b = meetings[kind].second;
    b.read = answer == -2;
    if ((answer < 0 || a.single) && stopAt != TRunStep::TempWritten) continue;
    SCOPED_TRACE(std::to_string(static_cast<int>(stopAt)) + " " + std::to_string(kind) + " " + std::to_string(answer));
    Reset();
    const test::Pipe stopped, goOn, watching, resume;
    const pid_t pa = test::Forked([&] {
      BecomeOtherStation();
      const auto temps = static_cast<std::size_t>(a.values.size() - std::count(a.values.begin(), a.values.end(), kRemoved));
      SetTableRunStepHook([&, temps, written = std::size_t{0}, seen = 0](TRunStep step) mutable {
        const bool stop = step == stopAt && (stopAt == TRunStep::TempWritten ? ++written == temps : ++seen == 1);
        if (stop && (!stopped.Signal() || !goOn.Wait())) _exit(kOtherFailure);
      });
      SingleProgress() = [&, once = true](float done) mutable {
        if (done == 100 && std::exchange(once, false) && (!stopped.Signal() || !goOn.Wait())) _exit(kOtherFailure);
      };
      return Write(a);
    });
    ASSERT_GT(pa, 0);
    ASSERT_TRUE(stopped.Wait());
    NameOtherStation(Folder(), dir_);
    const pid_t pb = test::Forked([&] {
      if (answer >= 0) {
        SetFileWaitClock([now = 0.0]() mutable { return now += 100; });  // every wait is over at once
        return WriteAnswering(b, answer);
      }
      // The second look at the clock (of the write, once its tables are read) starts the watch of the first,
      // which then goes on and ends.
      const auto watch = [&] {
        SetFileWaitClock([&, now = 0.0, calls = 0]() mutable {
          if (++calls == 2 && (!watching.Signal() || !resume.Wait())) _exit(kOtherFailure);
          return now += 0.25;
        });
      };
      if (b.read) {
        ReadDone() = watch;
      } else {
        watch();
      }
      return Write(b);
    });
    ASSERT_GT(pb, 0);
    if (answer < 0) {
      ASSERT_TRUE(watching.Wait());
      ASSERT_TRUE(goOn.Signal());
      EXPECT_EQ(test::ExitOf(pa), kWritten);
      ASSERT_TRUE(resume.Signal());
      EXPECT_EQ(test::ExitOf(pb), b.read ? kChanged : kWritten)
          << "the second asked about, or was refused by, a write that went on";
      EXPECT_EQ(Values(), b.read ? After({&a}) : After({&a, &b}));
    } else {
      EXPECT_EQ(test::ExitOf(pb), answer == 1 ? kWritten : kBusy);
      ASSERT_TRUE(goOn.Signal());
      EXPECT_EQ(test::ExitOf(pa), answer == 1 ? kTakenOver : kWritten);
      EXPECT_EQ(Values(), answer == 1 ? After({&b}) : After({&a}));
    }
    std::set<std::string> clean = clean_;
    for (std::size_t k = 0; k < files_.size(); ++k)
      if (!fs::exists(files_[k])) clean.erase(fs::path(files_[k]).filename().string());
    EXPECT_EQ(Folder(), clean);
  }

  // A run that goes on writing the other tables of its set, one after another, while a single write waits
  // for its first table: each change of its set starts the watch again, and the waiting writer is never
  // asked about it; it is refused as busy once its wait is over, and the run writes its set.
  Reset();
  const TWriter a = {{0, 1, 2}, {10, 11, 12}}, b = {{0}, {31}, true};
  const test::Pipe stopped, goOn, resume;
  const pid_t pa = test::Forked([&] {
    BecomeOtherStation();
    SetTableRunStepHook([&](TRunStep step) {
      if (step == TRunStep::TempWritten && (!stopped.Signal() || !goOn.Wait())) _exit(kOtherFailure);
    });
    return Write(a);
  });
  ASSERT_GT(pa, 0);
  ASSERT_TRUE(stopped.Wait());
  NameOtherStation(Folder(), dir_);
  int watched[2];
  ASSERT_EQ(pipe(watched), 0);
  const pid_t pb = test::Forked([&] {
    ::close(watched[0]);
    // The run goes on at the start of the watch (the second look at the clock), and twice more, each time
    // within as long as a live write lasts; together for longer than that.
    SetFileWaitClock([&, now = 0.0, calls = 0]() mutable {
      if (++calls == 2 || calls == 30 || calls == 58) {
        const char c = 'W';
        if (::write(watched[1], &c, 1) != 1 || !resume.Wait()) _exit(kOtherFailure);
      }
      return now += 0.25;
    });
    return Write(b);
  });
  ASSERT_GT(pb, 0);
  ::close(watched[1]);
  int steps = 0;
  for (char c = 0; steps < 3 && ::read(watched[0], &c, 1) == 1; ++steps) {
    ASSERT_TRUE(goOn.Signal());
    if (steps < 2) {
      ASSERT_TRUE(stopped.Wait());
    } else {
      EXPECT_EQ(test::ExitOf(pa), kWritten);
    }
    ASSERT_TRUE(resume.Signal());
  }
  ::close(watched[0]);
  EXPECT_EQ(test::ExitOf(pb), kBusy) << "the second asked about a run that went on";
  if (steps < 3) {  // the second ended early: the run goes on to its end
    while (goOn.Signal() && steps++ < 2 && stopped.Wait()) {
    }
    EXPECT_EQ(test::ExitOf(pa), kWritten);
  }
  EXPECT_EQ(Values(), After({&a}));
  EXPECT_EQ(Folder(), clean_);

  // A read that meets the name of the run's first record claimed, before the record takes it (the
  // folder has no exclusive rename), and watches the run go on to its end: the claim it saw is no record
  // of its own, damaged or not, once it no longer bears the name. The read takes the run's set, told of
  // nothing.
  Reset();
  const test::Pipe claimed, ended;
  const pid_t pc = test::Forked([&] {
    BecomeOtherStation();
    // Three locks and three marks before it: the seventh name a run claims is its first record's.
    SetGuardStepHook([&, seen = 0](TGuardStep step) mutable {
      if (step == TGuardStep::Claimed && ++seen == 7 && (!claimed.Signal() || !ended.Wait())) _exit(kOtherFailure);
    });
    return Write(a);
  });
  ASSERT_GT(pc, 0);
  ASSERT_TRUE(claimed.Wait());
  NameOtherStation(Folder(), dir_);
  ASSERT_TRUE(fs::exists(files_[0] + ".set~") && fs::file_size(files_[0] + ".set~") == 0);
  int exit = -1;
  SetFileWaitClock([&, now = 0.0, calls = 0]() mutable {
    if (++calls == 2 && ended.Signal()) exit = test::ExitOf(pc);  // the run ends while the read watches it
    return now += 0.25;
  });
  {
    test::ScriptedMsgBox box;
    EXPECT_EQ(test::ErrorOf([&] { EXPECT_EQ(test::ReadCounter(files_[0]), 10); }), "<no error>");
    EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  }
  SetFileWaitClock(nullptr);
  EXPECT_EQ(exit, kWritten);
  EXPECT_EQ(Values(), After({&a}));
  EXPECT_EQ(Folder(), clean_);
}

}  // namespace
}  // namespace ld
