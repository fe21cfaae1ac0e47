// Every command that writes a set of tables, run over the sample data by a program killed with SIGKILL
// between any two tables it puts in place: the next use reads each set whole, as it was or as written.
#include "core/district/set_writers.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/base/settings.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/regime/scheme_files.h"
#include "core/tables/file_guard.h"
#include "core/tables/formed_base.h"
#include "core/tables/layout.h"
#include "core/tables/share_calls.h"
#include "core/tables/table_file.h"
#include "core/tables/held_file.h"
#include "core/tables/table_run.h"
#include "core/tables/table_writer.h"
#include "core/tables/write_lock.h"
#include "support/child_process.h"
#include "support/sample_folder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using TFiles = std::map<std::string, std::string>;  // name within the folder: bytes
using TSets = std::vector<std::vector<std::string>>;
constexpr char kAbsent[] = "<absent>";

class SetWriters : public ::testing::Test {
protected:
  void SetUp() override {
    ReadySampleFolder(folder_);
  }
  void TearDown() override {
    SetTableRunStepHook(nullptr);
    SetFileWaitClock(nullptr);
  }

  // Every file under the folder, by its name within it.
  TFiles Files() const { return FilesUnder(folder_); }
  static std::string Of(const TFiles& files, const std::string& name) {
    const auto it = files.find(name);
    return it == files.end() ? kAbsent : it->second;
  }
  // The folder as the writer finds it: the sample, its inputs and, in the second round, the sets as the
  // first round's run left them (made again where that round failed) with other titles, so that every
  // table it writes replaces one.
  void Ready(const TSetWriter& writer, const TSets& sets, bool earlier) {
    fs::remove_all(folder_);
    if (!earlier) fs::remove_all(written_);
    if (earlier && fs::exists(written_)) {
      fs::rename(written_, folder_);
    } else {
      CopyDataFiles(folder_);
      if (writer.Prepare) writer.Prepare(folder_);
      if (earlier) writer.Run(folder_);
    }
    if (earlier) {
      for (const auto& set : sets)
        for (const std::string& name : set) {
          if (!fs::exists(folder_ + "/" + name)) continue;
          if (IsText(name)) {
            std::ofstream(folder_ + "/" + name, std::ios::binary | std::ios::app) << "(прежний)\r\n";
            continue;
          }
          TDataFile table;
          ReadTableFile(folder_ + "/" + name, table);
          table.Title += " (прежняя)";
          WriteTableFile(folder_ + "/" + name, table);
        }
      // The earlier scheme is the earlier base's: its record tells of that base as it now stands.
      for (const auto& set : sets)
        for (const std::string& name : set) {
          if (!name.ends_with(FormedBaseExt) || !fs::exists(folder_ + "/" + name)) continue;
          const std::string stem = folder_ + "/" + name.substr(0, name.size() - std::strlen(FormedBaseExt));
          TDistrictStamps base;
          for (std::size_t k = 0; k < base.size(); ++k)
            base[k] = FileStampOf(stem + GetMaketExtention(DistrictTableLayouts[k]));
          std::ofstream(folder_ + "/" + name, std::ios::binary | std::ios::trunc) << FormedBaseBytes(base);
        }
    }
    fs::remove_all(template_);
    fs::copy(folder_, template_, fs::copy_options::recursive);
  }
  void Restore() const {
    fs::remove_all(folder_);
    fs::copy(template_, folder_, fs::copy_options::recursive);
  }
  // The next use of the sets: the first step of a read of each file there, which ends a run that a
  // program left stopped. The rest of a read is not repeated here: every file must then hold the bytes
  // of its old or its new version, each of them read whole before (ReadAll).
  void NextUse(const TSets& sets) const {
    for (const auto& set : sets)
      for (const std::string& name : set) {
        const std::string file = folder_ + "/" + name;
        if (!fs::exists(file)) continue;
        try {
          RecoverTableSetForRead(file);
        } catch (const std::exception& e) {
          ADD_FAILURE() << name << ": " << e.what();
        }
      }
  }
  // A read of every table of the sets there, as the program reads them.
  void ReadAll(const TSets& sets) const {
    for (const auto& set : sets)
      for (const std::string& name : set) {
        const std::string file = folder_ + "/" + name;
        if (!fs::exists(file) || IsText(name)) continue;
        TDataFile table;
        EXPECT_EQ(ErrorOf([&] { ReadTableFile(file, table); }), "<no error>") << name;
      }
  }
  // "old", "new", or the names of the tables of a set that are neither, or mixed.
  static std::string SetState(const std::vector<std::string>& set, const TFiles& old, const TFiles& now,
                              const TFiles& written) {
    bool isOld = true, isNew = true;
    std::string odd;
    for (const std::string& name : set) {
      const std::string bytes = Of(now, name);
      // a text tells the moment it was written: any one that is not the old one is new; the record of a
      // scheme's base tells only the bytes of that base
      const bool asWritten = IsText(name) && !name.ends_with(FormedBaseExt) && Of(written, name) != kAbsent
                                 ? bytes != Of(old, name) && bytes != kAbsent
                                 : bytes == Of(written, name);
      isOld = isOld && bytes == Of(old, name);
      isNew = isNew && asWritten;
      if (bytes != Of(old, name) && !asWritten) odd += " " + name;
    }
    if (!odd.empty()) return "neither old nor new:" + odd;
    return isOld ? "old" : isNew ? "new" : "mixed";
  }
  // A calculation's text written in the run of its tables (a protocol, a report): no table.
  static bool IsText(const std::string& name) {
    for (const char* ending : {".RGM", ".WMS", ".WRG", ".INI", ".txt", ".PNT", ".LIN", FormedBaseExt})
      if (name.ends_with(ending)) return true;
    return false;
  }
  // What a write leaves while it lasts: a run's records, its commit mark and the old versions it keeps,
  // and the temporary of a file replaced on its own ("<file>.XXXXXX~"). A lock ("<file>~") of a killed
  // program, and the temporaries of a run under it ("<file>.new~.XXXXXX~"), go when the next one who
  // asks for the lock finds its holder gone (ClearOwnLeftOvers).
  static bool RunLeftOver(const std::string& name) {
    for (const char* ending : {".set~", ".done~", ".old~"})
      if (name.find(ending) != std::string::npos) return true;
    if (!name.ends_with('~') || name.find(".new~") != std::string::npos) return false;
    const std::string file = name.substr(0, name.size() - 1);
    const std::size_t dot = file.rfind('.');
    return dot != std::string::npos && file.size() - dot == 7 && file.find('.') < dot;
  }

  // The folder as the first round's run of the command left it, kept for the second round.
  void KeepWritten(const std::string& command) {
    fs::remove_all(written_);
    fs::copy(folder_, written_, fs::copy_options::recursive);
    writtenBy_ = command;
  }

  // Another program writes tables of each set after the writer read them; with sameDate its write leaves
  // each table dated as the writer read it.
  // Of the writers of the list, only those of the part `part` of `parts` (each writer falls in one).
  void NoWriteOverwritten(bool sameDate, int part, int parts);

  TempDir dir_{TempDir::Where::Memory};
  const std::string folder_ = dir_ / "папка", template_ = dir_ / "образец", written_ = dir_ / "записанная";
  std::string writtenBy_;
  ScriptedMsgBox box_;
};

// The kills in parts, each part a test of its own, so that the test command's shards share out the forked
// writers' time: a round of a writer (over the sample, or over its earlier sets) is cut into slices by the
// tables it writes, each slice taking every so many of the round's kills, and each slice falls in one part.
constexpr int kKillParts = 24;
class SetWritersKilled : public SetWriters, public ::testing::WithParamInterface<int> {};

struct TKillSlice {
  std::size_t writer;  // its place in SetWriters()
  bool earlier;
  int slice, slices;
};

// The slices of every part: each part takes the slice that weighs most of those left, weighed by the kills
// it takes and the tables each of them writes, while it weighs least of the parts.
const std::vector<std::vector<TKillSlice>>& KillParts() {
  static const std::vector<std::vector<TKillSlice>> parts = [] {
    std::vector<std::pair<double, TKillSlice>> slices;
    for (std::size_t writer = 0; writer < ld::SetWriters().size(); ++writer) {
      std::set<std::string> tables;
      for (const auto& set : ld::SetWriters()[writer].Sets()) tables.insert(set.begin(), set.end());
      const int size = static_cast<int>(tables.size());
      for (const bool earlier : {false, true}) {
        // the kills of a run of that many tables (KillsOfRound), each weighing as the tables it writes and
        // the files it finds, and slices of up to about five kills of forty tables
        const int kills = std::min(size, earlier ? 5 : 14) + 1, count = (kills * (size + 4) + 249) / 250;
        for (int slice = 0; slice < count; ++slice)
          slices.push_back({(size + 4.0) * (kills / static_cast<double>(count) + 1), {writer, earlier, slice, count}});
      }
    }
    std::stable_sort(slices.begin(), slices.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::vector<TKillSlice>> parts(kKillParts);
    std::vector<double> weights(kKillParts, 0);
    for (const auto& [weight, slice] : slices) {
      const std::size_t lightest = std::min_element(weights.begin(), weights.end()) - weights.begin();
      weights[lightest] += weight;
      parts[lightest].push_back(slice);
    }
    return parts;
  }();
  return parts;
}

// Where a writer is stopped and killed: at the k-th rename of its runs, or right after its k-th run.
struct TKill {
  bool afterRun;
  int k;
};

// The kills of a round, by the renames of each run of the writer in the order of its runs. Every run is
// killed at its first and its last rename and right after it in either round. The renames between leave the
// set as their neighbours do (some of its tables new, the rest old): over the sample each of them is killed
// in a run of up to fourteen tables, and twelve spread evenly over a longer run; over the earlier sets three,
// spread evenly, and in a long run others than over the sample.
std::vector<TKill> KillsOfRound(const std::vector<int>& renamesByRun, int runs, bool earlier) {
  const int killedBetween = earlier ? 3 : 12;
  std::vector<TKill> kills;
  int k = 0;
  for (const int size : renamesByRun) {
    const int between = std::max(size - 2, 0);
    const int step = std::max((between + killedBetween - 1) / killedBetween, 1), first = earlier ? step / 2 : 0;
    for (int at = 1; at <= size; ++at) {
      ++k;
      if (at == 1 || at == size || (at - 2) % step == first) kills.push_back({false, k});
    }
  }
  for (int run = 1; run <= runs; ++run) kills.push_back({true, run});
  return kills;
}

TEST_P(SetWritersKilled, AKillBetweenAnyTwoTablesLeavesEverySetWhole) {
  ASSERT_FALSE(ld::SetWriters().empty());
  for (const auto& [index, earlier, slice, slices] : KillParts()[GetParam()]) {
    const TSetWriter& writer = ld::SetWriters()[index];
    const TSets sets = writer.Sets();
    {
      SCOPED_TRACE(writer.Command + (earlier ? ", over its earlier sets" : "") +
                   (slices > 1 ? ", kills " + std::to_string(slice + 1) + " of every " + std::to_string(slices) : ""));
      // the sets as the writer's own first round left them, or made again
      if (earlier && writtenBy_ != writer.Command) fs::remove_all(written_);
      try {
        Ready(writer, sets, earlier);
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        continue;
      }
      const TFiles old = Files();
      if (slice == 0) ReadAll(sets);
      std::set<std::string> inSets;
      for (const auto& set : sets) inSets.insert(set.begin(), set.end());

      // Not killed: it writes without a fault and leaves nothing of its runs, and every table of its sets
      // that it changes is put in place by a run.
      int renamed = 0, runs = 0;
      std::vector<int> renamesByRun;
      SetTableRunStepHook([&](TRunStep step) {
        if (step == TRunStep::Locked) renamesByRun.push_back(0);
        if (step == TRunStep::Renamed) {
          ++renamed;
          if (renamesByRun.empty()) renamesByRun.push_back(0);
          ++renamesByRun.back();
        }
        runs += step == TRunStep::Committed;
      });
      EXPECT_EQ(ErrorOf([&] { writer.Run(folder_); }), "<no error>");
      SetTableRunStepHook(nullptr);
      const TFiles written = Files();
      if (!earlier) KeepWritten(writer.Command);
      int changed = 0;
      // (held once for the round, by its first slice)
      if (slice == 0) {
        ReadAll(sets);
        for (const auto& [name, bytes] : written) EXPECT_FALSE(RunLeftOver(name)) << name;
      }
      for (const std::string& name : inSets) changed += Of(written, name) != Of(old, name);  // a removal as well
      if (!earlier && slice == 0) {
        // each table as a write of its own would have written it
        for (const std::string& name : inSets) {
          if (Of(written, name) == kAbsent || IsText(name)) continue;
          TDataFile table;
          ReadTableFile(folder_ + "/" + name, table);
          table.FileDate = 0;
          const std::string alone = dir_ / "одна";
          WriteTableFile(alone, table);
          EXPECT_EQ(ReadBytes(alone), Of(written, name)) << name;
        }
        EXPECT_GE(changed, std::min<int>(2, static_cast<int>(inSets.size()))) << "nothing for a kill to fall between";
        EXPECT_GE(renamed, changed) << "a table of a set written outside a run of the tables";
      }

      // Stopped at renames, and right after each run: a file the writer puts in place outside its runs,
      // after or between them, is then left mixed with the set.
      int killed = 0;
      for (const auto& [afterRun, k] : KillsOfRound(renamesByRun, runs, earlier)) {
        if (killed++ % slices != slice) continue;
        SCOPED_TRACE(afterRun ? "killed after the run " + std::to_string(k) + " of " + std::to_string(runs)
                              : "killed at the rename " + std::to_string(k) + " of " + std::to_string(renamed));
        Restore();
        const pid_t pid = Forked([&, afterRun = afterRun, k = k] {
          if (afterRun) {
            // a run's last step is the removal of its last record
            SetTableRunStepHook([k, done = 0, laid = 0, removed = 0](TRunStep step) mutable {
              if (step == TRunStep::Locked) laid = removed = 0;
              laid += step == TRunStep::RecordLaid;
              done += step == TRunStep::Committed;
              if (step == TRunStep::RecordRemoved && ++removed == laid && done == k) raise(SIGSTOP);
            });
          } else {
            SetTableRunStepHook([k, seen = 0](TRunStep step) mutable {
              if (step == TRunStep::Renamed && ++seen == k) raise(SIGSTOP);
            });
          }
          try {
            writer.Run(folder_);
          } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
          }
          return 0;
        });
        ASSERT_TRUE(KillWhenStopped(pid));
        NextUse(sets);
        const TFiles now = Files();
        for (const auto& set : sets) {
          const std::string state = SetState(set, old, now, written);
          EXPECT_TRUE(state == "old" || state == "new") << set.front() << ": " << state;
        }
        for (const auto& [name, bytes] : now) EXPECT_FALSE(RunLeftOver(name)) << name;
        // The next who asks for the tables' locks ("Да": the program that held them is gone) finds
        // nothing of the killed one beside them. A file that a run killed after its commit removed has no
        // next use of its own: the command run again over its family is that use.
        bool removed = false;
        for (const std::string& name : inSets) {
          if (Of(old, name) != kAbsent && !fs::exists(folder_ + "/" + name))
            removed = true;
          else
            ClearOwnLeftOvers(folder_ + "/" + name);
        }
        if (removed && afterRun) {
          EXPECT_EQ(ErrorOf([&] { writer.Run(folder_); }), "<no error>") << "run again";
        }
        for (const auto& [name, bytes] : Files())
          for (const std::string& table : inSets)
            EXPECT_FALSE(name.ends_with('~') && name.starts_with(table)) << name << ": left for good";
      }
    }
  }
}

// Another program writes tables of a set after the writer read them: a single write of one table, or a
// run of the set's tables, let go once the writer has begun its run (holds its first lock), and stopped
// holding its locks until the writer looks for its next one. A writer that read the tables refuses them
// as changed since read and leaves the other program's bytes on the disk; one that holds its tables
// from before its read to its write (an edit's locks) has the other program refused instead.
void SetWriters::NoWriteOverwritten(bool sameDate, int part, int parts) {
  // The sets that their writers make anew, reading nothing of them (a writer's first set unless said):
  // whatever their names held goes, whoever wrote it.
  const std::set<std::pair<std::string, std::size_t>> fromNothing = {
      {"База данных района: Формирование схемы", 0},  // the scheme formed anew from the base
      {"База данных района: Создать", 0},             // an empty base
      {"База данных района: Сохранить как", 0},       // copies of another base's tables
      {"Z-режим: Сохранить как", 0},                  // copies of another scheme's tables
      {"Расчет эквивалентных схем узлов по напряжению и потерям мощности: Расчет", 0},  // a scheme computed
      {"Расчет токов трехфазного короткого замыкания: Показать на графике", 0},       // the radius computed
      {"Z-режим: Создать", 0},                                                         // empty tables
      {"Расчет токов трехфазного короткого замыкания: Создать", 0},                    // empty tables
      {"Расчет токов трехфазного короткого замыкания: Сохранить как", 0},  // copies of other data's tables
      {"Z-режим: Импорт ЦДУ", 0},                                  // the scheme of a card file
      {"Z-режим: Выделение фрагмента графики схемы", 0},           // a scheme of a part of another
      {"База данных района: Импорт", 0},                           // the base of a network file
      {"База данных района: Импорт файлов *.psh", 0},              // the base of feeder files
      {"База данных района: Импорт сети из книг", 0},              // the base of network workbooks
  };
  enum { kWritten = 0, kFailed = 1, kRefused = 3 };  // how the other program ends
  ASSERT_FALSE(ld::SetWriters().empty());
  int index = 0;
  for (const TSetWriter& writer : ld::SetWriters()) {
    if (index++ % parts != part) continue;
    const TSets sets = writer.Sets();
    SCOPED_TRACE(writer.Command);
    // Where every table of its sets is there already: the sample with the writer's inputs, else the
    // folder as an earlier run of it left it.
    try {
      Ready(writer, sets, false);
      bool lacking = false;
      for (const auto& set : sets)
        for (const std::string& name : set) lacking = lacking || (!IsText(name) && !fs::exists(folder_ + "/" + name));
      if (lacking) Ready(writer, sets, true);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    for (std::size_t index = 0; index < sets.size(); ++index) {
      std::vector<std::string> set;
      for (const std::string& name : sets[index])
        if (!IsText(name) && fs::exists(folder_ + "/" + name)) set.push_back(name);
      if (set.empty()) continue;
      SCOPED_TRACE("the set of " + set.front());
      for (const bool single : {true, false}) {
        SCOPED_TRACE(single ? "a single write" : "a run");
        Restore();
        // The tables whose locks the writer does not hold yet as it holds its first; all of them where it
        // held each before it read it.
        const auto unheld = [&] {
          std::vector<std::string> names;
          for (const std::string& name : set)
            if (!fs::exists(folder_ + "/" + name + "~")) names.push_back(name);
          if (names.empty()) {
            // each held: those the writer held from before its read, besides the one whose write lock its run
            // has just taken (its first by name)
            names = set;
            if (names.size() > 1) names.erase(std::min_element(names.begin(), names.end()));
          }
          if (single) names.resize(1);
          return names;
        };
        // Another program (not a fork of the writer, which would take the writer's locks for its own).
        const Pipe go;
        const pid_t other = Forked([&] {
          if (!go.Wait()) return static_cast<int>(kFailed);
          const auto kept = SetTableRunStepHook([](TRunStep at) {
            if (at == TRunStep::Locked) raise(SIGSTOP);
          });
          const std::vector<std::string> names = unheld();
          std::vector<TDataFile> tables(names.size());
          std::vector<std::pair<std::string, TDataFile*>> run;
          const std::string error = ErrorOf([&] {
            for (std::size_t k = 0; k < names.size(); ++k) {
              ReadTableFile(folder_ + "/" + names[k], tables[k]);
              tables[k].Title += " (другая программа)";
              run.emplace_back(folder_ + "/" + names[k], &tables[k]);
            }
            if (!single) return WriteTableSet(run);
            WriteTableFile(run[0].first, tables[0], [once = true](float done) mutable {
              if (done == 100 && std::exchange(once, false)) raise(SIGSTOP);
            });
          });
          if (error == "<no error>") return static_cast<int>(kWritten);
          if (error.find("редактируется") != std::string::npos) return static_cast<int>(kRefused);
          std::fprintf(stderr, "%s\n", error.c_str());
          return static_cast<int>(kFailed);
        });
        ASSERT_GT(other, 0);
        bool started = false;
        int otherExit = -1;
        TFiles others;  // the other program's tables as it left them
        std::map<std::string, struct stat> read;  // each as the writer read it
        const auto end = [&] {
          kill(other, SIGCONT);
          otherExit = ExitOf(other);
          for (auto& [name, bytes] : others) {
            bytes = ReadBytes(folder_ + "/" + name);
            // a share that keeps whole seconds shows a write within the tick of the read with the read's date
            const struct timespec times[2] = {read[name].st_atim, read[name].st_mtim};
            if (sameDate && otherExit == kWritten) {
              EXPECT_EQ(utimensat(AT_FDCWD, (folder_ + "/" + name).c_str(), times, 0), 0) << name;
            }
          }
        };
        SetTableRunStepHook([&](TRunStep step) {
          if (step != TRunStep::LockTaken || std::exchange(started, true)) return;
          for (const std::string& name : unheld()) {
            others[name];
            stat((folder_ + "/" + name).c_str(), &read[name]);
          }
          int status = 0;
          if (!go.Signal() || waitpid(other, &status, WUNTRACED) != other) return;
          if (!WIFSTOPPED(status)) {
            otherExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return;
          }
          // Stopped holding its locks: it goes on as the writer starts to wait for its next lock.
          SetFileWaitClock([&] {
            if (otherExit == -1) end();
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
          });
        });
        const std::string error = ErrorOf([&] { writer.Run(folder_); });
        SetTableRunStepHook(nullptr);
        SetFileWaitClock(nullptr);
        if (!started) kill(other, SIGKILL);
        if (otherExit == -1) end();
        if (!started) {
          ADD_FAILURE() << "the writer wrote no table of its set in a run";
          continue;
        }
        if (otherExit == kRefused) {
          EXPECT_EQ(error, "<no error>");
          continue;
        }
        if (otherExit != kWritten) {
          ADD_FAILURE() << "the other program ended " << otherExit;
          continue;
        }
        const TFiles now = Files();
        if (fromNothing.count({writer.Command, index}) != 0) {
          EXPECT_EQ(error, "<no error>");
          for (const auto& [name, bytes] : others) EXPECT_FALSE(Of(now, name) == bytes) << name << ": not written";
          continue;
        }
        bool named = false;
        for (const auto& [name, bytes] : others) {
          EXPECT_TRUE(Of(now, name) == bytes) << name << ": the other program's write lost";
          named = named || error == ChangedMeanwhileText(fileio::FullFileName(folder_ + "/" + name));
        }
        EXPECT_TRUE(named) << error;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, SetWritersKilled, ::testing::Range(0, kKillParts));

// The writers raced by another program, in parts as the killed ones are.
constexpr int kRaceParts = 12;
class SetWritersRaced : public SetWriters, public ::testing::WithParamInterface<int> {};

TEST_P(SetWritersRaced, AWriteMadeAfterTheWriterReadItsTablesIsNeverOverwritten) {
  NoWriteOverwritten(false, GetParam(), kRaceParts);
}

// The message of a scheme whose district tables changed since it was formed.
const std::string& DistrictChangedText() {
  static const std::string text =
      "Файлы базы РЭС (*.RSL, *.RTP, *.R04, *.RSV) были изменены. Необходимо в задаче \"База РЭС\" сформировать "
      "схему и загрузить ее заново в задаче \"Z-режим\"";
  return text;
}

const TSetWriter* Forming() {
  for (const TSetWriter& writer : ld::SetWriters())
    if (writer.Command == "База данных района: Формирование схемы") return &writer;
  return nullptr;
}

// Every writer of a scheme with the district base it was formed from (the district tables beside its
// branches), each with the stem of its scheme, and the copies of a formed base and of its scheme under
// another name.
std::vector<std::pair<TSetWriter, std::string>> SchemeWithBaseWriters() {
  const std::string branchExt = GetMaketExtention(LayoutBranches), lineExt = GetMaketExtention(LayoutLines10);
  std::vector<std::pair<TSetWriter, std::string>> writers;  // each with the stem of its scheme
  // A base made anew, or copied without a scheme, replaces the scheme of its stem by none.
  const std::set<std::string> noScheme = {"База данных района: Создать", "База данных района: Сохранить как"};
  for (const TSetWriter& writer : ld::SetWriters()) {
    if (noScheme.count(writer.Command) != 0) continue;
    std::set<std::string> names;
    for (const auto& set : writer.Sets()) names.insert(set.begin(), set.end());
    std::string stem;
    for (const std::string& name : names)
      if (name.ends_with(branchExt) && names.count(name.substr(0, name.size() - branchExt.size()) + lineExt) != 0)
        stem = name.substr(0, name.size() - branchExt.size());
    if (!stem.empty()) writers.emplace_back(writer, stem);
  }
  if (const TSetWriter* forming = Forming()) {
    writers.push_back({{"База данных района: Сохранить как, база со схемой", forming->Run,
                        [](const std::string& folder) { SaveBaseAs(folder + "/Образец", folder + "/Копия"); }, {}},
                       "Копия"});
    writers.push_back({{"Z-режим: Сохранить как, схема с базой", forming->Run,
                        [](const std::string& folder) { SaveSchemeAs(folder + "/Образец", folder + "/Копия"); }, {}},
                       "Копия"});
  }
  return writers;
}

// The writers and dates in parts, each a test of its own, so that the test command's shards share them out.
constexpr int kFirstChangeParts = 6;
class SetWritersFirstChange : public SetWriters, public ::testing::WithParamInterface<int> {};

// Every writer of a scheme with the district base it was formed from (the district tables beside its
// branches), and the copies of a formed base and of its scheme under another name, on a share that keeps
// whole seconds: where each file of its runs gets a second of its own in the order the run writes them,
// where all of them get one second, and where the district tables are dated after the scheme (the clock
// of another workstation), the diagram's first change after it is allowed, as it is after the scheme was
// formed. Once a district table's bytes change, whatever its date, the change is refused; a scheme without
// the record of its base (one of an earlier version) is judged by the dates as before.
TEST_P(SetWritersFirstChange, TheDiagramTakesItsFirstChangeAfterEveryWriterOfASchemeWithItsBase) {
  const std::string& districtError = DistrictChangedText();
  const std::vector<std::pair<TSetWriter, std::string>> writers = SchemeWithBaseWriters();
  enum TDates { kASecondAFile, kOneSecond, kBaseLater };
  int part = 0;
  for (const auto& [writer, stem] : writers) {
    for (const TDates dates : {kASecondAFile, kOneSecond, kBaseLater}) {
      if (part++ % kFirstChangeParts != GetParam()) continue;
      SCOPED_TRACE(writer.Command + (dates == kASecondAFile ? ", a second a file"
                                     : dates == kOneSecond  ? ", every file within one second"
                                                            : ", the district tables dated after the scheme"));
      Ready(writer, {}, false);
      struct Share {  // keeps whole seconds
        TShareCalls kept = SetShareCalls([] {
          TShareCalls calls = ShareCalls();
          calls.timeGrain = 1;
          return calls;
        }());
        ~Share() { SetShareCalls(std::move(kept)); }
      } share;
      // Each temporary file of a run gets its time as it is written: the next second, or the same one.
      const auto start = std::chrono::time_point_cast<std::chrono::seconds>(fs::file_time_type::clock::now()) +
                         std::chrono::seconds(10);
      std::set<std::string> dated;
      SetTableRunStepHook([&](TRunStep step) {
        if (step != TRunStep::TempWritten) return;
        for (const auto& entry : fs::directory_iterator(folder_)) {
          const std::string name = entry.path().filename().string();
          if (name.find(".new~.") == std::string::npos || !dated.insert(name).second) continue;
          fs::last_write_time(entry.path(), start + std::chrono::seconds(dates == kASecondAFile ? dated.size() : 0));
        }
      });
      const std::string error = ErrorOf([&] { writer.Run(folder_); });
      SetTableRunStepHook(nullptr);
      ASSERT_EQ(error, "<no error>");
      ASSERT_GE(dated.size(), 2u);
      const std::string scheme = folder_ + "/" + stem;
      std::vector<std::string> district;
      for (const char* layout : DistrictTableLayouts)
        if (fs::exists(scheme + GetMaketExtention(layout))) district.push_back(scheme + GetMaketExtention(layout));
      ASSERT_FALSE(district.empty());
      if (dates == kBaseLater)
        for (const std::string& file : district) fs::last_write_time(file, start + std::chrono::minutes(5));
      const auto firstChange = [&] {
        diagram::TSchemBoxState box;
        diagram::LoadScheme(box, scheme);
        const std::string said = ErrorOf([&] { diagram::StartChange(box); });
        if (!box.LockedExtList.empty()) UnlockTableFiles(box.LockedBase, box.LockedExtList);
        return said;
      };
      EXPECT_EQ(firstChange(), "<no error>");
      // A district table saved by another within the tick of the scheme: its date tells nothing, its bytes do.
      const std::string lines = district.front();
      const std::string before = ReadBytes(lines);
      const auto date = fs::last_write_time(lines);
      TDataFile table;
      ReadTableFile(lines, table);
      table.Title += " (правка)";
      WriteTableFile(lines, table);
      fs::last_write_time(lines, date);
      EXPECT_EQ(firstChange(), districtError);
      // Without its record, as a scheme of an earlier version: the base as the writer left it is the
      // scheme's unless it is dated after the scheme.
      std::ofstream(lines, std::ios::binary | std::ios::trunc) << before;
      fs::last_write_time(lines, date);
      EXPECT_EQ(firstChange(), "<no error>");
      fs::remove(scheme + FormedBaseExt);
      EXPECT_EQ(firstChange(), dates == kBaseLater ? districtError : "<no error>");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, SetWritersFirstChange, ::testing::Range(0, kFirstChangeParts));

// A scheme no longer its base's stays so in its copies, whatever their dates; and a record that cannot
// be read stands for no base.
TEST_F(SetWriters, ASchemeWhoseBaseWasEditedAfterFormingStaysSoInItsCopies) {
  const std::string lineExt = GetMaketExtention(LayoutLines10);
  const std::string& districtError = DistrictChangedText();
  EXPECT_GE(SchemeWithBaseWriters().size(), 5u) << "forming, a switching saved with the base, a reconfiguration, the copies";
  const TSetWriter* forming = Forming();
  ASSERT_NE(forming, nullptr);
  Ready(*forming, {}, false);
  forming->Run(folder_);
  const std::string lines = folder_ + "/Образец" + lineExt;
  TDataFile table;
  ReadTableFile(lines, table);
  table.Title += " (правка)";
  WriteTableFile(lines, table);
  SaveBaseAs(folder_ + "/Образец", folder_ + "/Копия");
  SaveSchemeAs(folder_ + "/Образец", folder_ + "/Копия2");
  for (const char* stem : {"Образец", "Копия", "Копия2"}) {
    diagram::TSchemBoxState box;
    diagram::LoadScheme(box, folder_ + "/" + stem);
    EXPECT_EQ(ErrorOf([&] { diagram::StartChange(box); }), districtError) << stem;
  }
  // The record judges every district table by its bytes and by whether it is there: a value edited in
  // place (the size kept), a table removed, a table added after forming each refuse the change; the base
  // put back as formed is taken again.
  forming->Run(folder_);
  {
    const std::string stations = folder_ + "/Образец" + GetMaketExtention(LayoutTransTP);
    const std::string inputs = folder_ + "/Образец" + GetMaketExtention(LayoutSubstInputs);
    const std::string kept = ReadBytes(stations), input = ReadBytes(inputs);
    const auto date = fs::last_write_time(stations);
    const auto firstChange = [&] {
      diagram::TSchemBoxState box;
      diagram::LoadScheme(box, folder_ + "/Образец");
      const std::string said = ErrorOf([&] { diagram::StartChange(box); });
      if (!box.LockedExtList.empty()) UnlockTableFiles(box.LockedBase, box.LockedExtList);
      return said;
    };
    TDataFile edited;
    ReadTableFile(stations, edited);
    auto* notv = GetColumnAs<DAsmallint>("Notv", edited);
    (*notv)[1] = static_cast<std::int16_t>(notv->Get(1) + 1);
    WriteTableFile(stations, edited);
    fs::last_write_time(stations, date);
    ASSERT_EQ(ReadBytes(stations).size(), kept.size());
    EXPECT_EQ(firstChange(), districtError) << "a value edited in place";
    std::ofstream(stations, std::ios::binary | std::ios::trunc) << kept;
    fs::last_write_time(stations, date);
    EXPECT_EQ(firstChange(), "<no error>");
    fs::remove(inputs);
    EXPECT_EQ(firstChange(), districtError) << "a table removed";
    std::ofstream(inputs, std::ios::binary) << input;
    fs::last_write_time(inputs, date);
    EXPECT_EQ(firstChange(), "<no error>");
    fs::remove(inputs);
    forming->Run(folder_);
    std::ofstream(inputs, std::ios::binary) << input;
    fs::last_write_time(inputs, date);
    EXPECT_EQ(firstChange(), districtError) << "a table added after forming";
  }
  forming->Run(folder_);
  std::string record = ReadBytes(folder_ + "/Образец" + FormedBaseExt);
  record.replace(record.find('\t'), 1, " ");
  std::ofstream(folder_ + "/Образец" + FormedBaseExt, std::ios::binary | std::ios::trunc) << record;
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, folder_ + "/Образец");
  EXPECT_EQ(ErrorOf([&] { diagram::StartChange(box); }), districtError);
}

// The same where the other program's write leaves each table with the date the writer read (a share
// that keeps whole seconds, two writes within one tick): a change is judged by more than the date.
TEST_P(SetWritersRaced, AWriteWithinTheTickOfTheReadIsNeverOverwritten) {
  NoWriteOverwritten(true, GetParam(), kRaceParts);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, SetWritersRaced, ::testing::Range(0, kRaceParts));

}  // namespace
}  // namespace ld::test
