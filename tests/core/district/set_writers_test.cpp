// Every command that writes a set of tables, run over the sample data by a program killed with SIGKILL
// between any two tables it puts in place: the next use reads each set whole, as it was or as written.
#include "core/district/set_writers.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "core/tables/unom.h"
#include "support/child_process.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using TFiles = std::map<std::string, std::string>;  // name within the folder: bytes
using TSets = std::vector<std::vector<std::string>>;
constexpr char kAbsent[] = "<absent>";

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

class SetWriters : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
    IniRec.Path = folder_ + "/";
    fs::create_directories(folder_);
    fs::copy(DataDir(), folder_, fs::copy_options::recursive);
    ReadNominalVoltageList();
  }
  void TearDown() override { SetTableRunStepHook(nullptr); }

  // Every file under the folder, by its name within it.
  TFiles Files() const {
    TFiles files;
    for (const auto& entry : fs::recursive_directory_iterator(folder_))
      if (entry.is_regular_file()) files[fs::relative(entry.path(), folder_).string()] = ReadBytes(entry.path());
    return files;
  }
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
      fs::create_directories(folder_);
      fs::copy(DataDir(), folder_, fs::copy_options::recursive);
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
      // a text tells the moment it was written: any one that is not the old one is new
      const bool asWritten = IsText(name) && Of(written, name) != kAbsent
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
    for (const char* ending : {".RGM", ".WMS", ".WRG"})
      if (name.ends_with(ending)) return true;
    return false;
  }
  // What a run leaves while it lasts: its records, its commit mark and the old versions it keeps.
  static bool RunLeftOver(const std::string& name) {
    for (const char* ending : {".set~", ".done~", ".old~"})
      if (name.find(ending) != std::string::npos) return true;
    return false;
  }

  // The folder as the first round's run left it, kept for the second round.
  void KeepWritten() const {
    fs::remove_all(written_);
    fs::copy(folder_, written_, fs::copy_options::recursive);
  }

  TempDir dir_;
  const std::string folder_ = dir_ / "папка", template_ = dir_ / "образец", written_ = dir_ / "записанная";
  ScriptedMsgBox box_;
};

TEST_F(SetWriters, AKillBetweenAnyTwoTablesLeavesEverySetWhole) {
  ASSERT_FALSE(ld::SetWriters().empty());
  for (const TSetWriter& writer : ld::SetWriters()) {
    const TSets sets = writer.Sets();
    for (const bool earlier : {false, true}) {
      SCOPED_TRACE(writer.Command + (earlier ? ", over its earlier sets" : ""));
      try {
        Ready(writer, sets, earlier);
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        continue;
      }
      const TFiles old = Files();
      ReadAll(sets);
      std::set<std::string> inSets;
      for (const auto& set : sets) inSets.insert(set.begin(), set.end());

      // Not killed: it writes without a fault and leaves nothing of its runs, and every table of its sets
      // that it changes is put in place by a run.
      int renamed = 0;
      SetTableRunStepHook([&](TRunStep step) { renamed += step == TRunStep::Renamed; });
      EXPECT_EQ(ErrorOf([&] { writer.Run(folder_); }), "<no error>");
      SetTableRunStepHook(nullptr);
      const TFiles written = Files();
      ReadAll(sets);
      if (!earlier) KeepWritten();
      int changed = 0;
      for (const auto& [name, bytes] : written) {
        EXPECT_FALSE(RunLeftOver(name)) << name;
        changed += inSets.count(name) && bytes != Of(old, name);
      }
      if (!earlier) {
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
        EXPECT_GE(changed, 2) << "nothing for a kill to fall between";
        EXPECT_GE(renamed, changed) << "a table of a set written outside a run of the tables";
      }

      for (int k = 1; k <= renamed; ++k) {
        SCOPED_TRACE("killed at the rename " + std::to_string(k) + " of " + std::to_string(renamed));
        Restore();
        const pid_t pid = Forked([&] {
          SetTableRunStepHook([k, seen = 0](TRunStep step) mutable {
            if (step == TRunStep::Renamed && ++seen == k) raise(SIGSTOP);
          });
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
      }
    }
  }
}

}  // namespace
}  // namespace ld::test
