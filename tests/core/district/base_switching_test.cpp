// A switching on the diagram saved into the district base, and "Реконфигурация" back before it, over the
// sample base: the element's district table, the scheme, its journal and its switching date change
// together, and a disk that fills at any file of the set tells which file and leaves every one as it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <exception>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/settings.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/district/set_writers.h"
#include "core/regime/scheme_files.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/full_disk.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using TFiles = std::map<std::string, std::string>;  // name within the folder: bytes

constexpr char kSwitching[] = "Z-режим: переключение на графике с сохранением в базу РЭС";
constexpr char kReconfig[] = "Z-режим: Реконфигурация";

class BaseSwitching : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
    IniRec = TIniRec();
  }

  static const TSetWriter& Writer(const std::string& command) {
    for (const TSetWriter& writer : SetWriters())
      if (writer.Command == command) return writer;
    throw std::logic_error("no writer " + command);
  }
  // The sample with the writer's inputs in the folder.
  void Ready(const TSetWriter& writer, const std::string& folder) {
    fs::remove_all(folder);
    CopyDataFiles(folder);
    IniRec.Path = folder + "/";
    ReadNominalVoltageList();
    if (writer.Prepare) writer.Prepare(folder);
  }
  static TFiles Files(const std::string& folder) {
    TFiles files;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
  }
  // The commutation letter of the first line of the base that the scheme's branches are formed from.
  std::string FirstLinkedLineCommut() const {
    TDataFile branches, lines;
    ReadTableFile(folder_ + "/Образец" + GetMaketExtention(LayoutBranches), branches);
    ReadTableFile(folder_ + "/Образец" + GetMaketExtention(LayoutLines10), lines);
    TBranchCols b;
    TLine10Cols l;
    FillBranchCols(branches, b);
    FillLine10Cols(lines, l);
    for (int i = 1; i <= b.RowCount; ++i) {
      if (b.ExtFile->GetItem(i) != GetMaketExtention(LayoutLines10) || b.Idx->Get(i) == 0) continue;
      for (int j = 1; j <= l.RowCount; ++j)
        if (l.Idx->Get(j) == b.Idx->Get(i)) {
          const char letter = l.Commut->Get(j);
          EXPECT_EQ(letter, b.Commut->Get(i)) << "the scheme's branch and its line differ";
          return letter == 0 ? "" : Cp1251ToUtf8(std::string(1, letter));
        }
    }
    ADD_FAILURE() << "no branch formed from a line";
    return {};
  }

  TempDir dir_;
  const std::string folder_ = dir_ / "папка";
  ScriptedMsgBox box_;
};

TEST_F(BaseSwitching, TheLineItsSchemeAndTheSwitchingDateChangeTogether) {
  Ready(Writer(kSwitching), folder_);
  EXPECT_EQ(FirstLinkedLineCommut(), "");
  Writer(kSwitching).Run(folder_);
  EXPECT_EQ(FirstLinkedLineCommut(), "О");
  EXPECT_EQ(ReadCurDateSwt(folder_ + "/Образец"), EncodeDate(2026, 11, 2) + 0.5);
  Writer(kReconfig).Run(folder_);
  EXPECT_EQ(FirstLinkedLineCommut(), "");
  EXPECT_EQ(ReadCurDateSwt(folder_ + "/Образец"), EncodeDate(2026, 11, 2));
  EXPECT_TRUE(box_.Texts().empty()) << box_.Texts().front();
}

// The disk is filled at each file in turn: the first run has no room at all, and each next one room for
// every file that failed before it, as their new versions take it.
TEST_F(BaseSwitching, ADiskFullAtAnyFileOfTheSetChangesNothingAndNamesTheFile) {
  for (const char* command : {kSwitching, kReconfig}) {
    SCOPED_TRACE(command);
    const TSetWriter& writer = Writer(command);
    const std::vector<std::string> names = writer.Sets().front();
    const std::set<std::string> set(names.begin(), names.end());
    const std::string probe = dir_ / "проба";
    Ready(writer, probe);
    const TFiles before = Files(probe);
    writer.Run(probe);
    std::map<std::string, std::size_t> sizes;
    std::set<std::string> written;
    for (const auto& [name, bytes] : Files(probe)) {
      sizes[name] = bytes.size();
      if (set.count(name) != 0 && (before.count(name) == 0 || before.at(name) != bytes)) written.insert(name);
    }
    ASSERT_GE(written.size(), 3u);

    Ready(writer, folder_);
    const TFiles old = Files(folder_);
    std::set<std::string> failed;
    std::size_t room = 0;
    for (bool full = true; full;) {
      std::string error = "<no error>";
      {
        const FullDisk disk(room);
        try {
          writer.Run(folder_);
        } catch (const std::exception& e) {
          error = e.what();
        }
      }
      full = error != "<no error>";
      if (!full) break;
      std::string named;
      // a file that the run makes has no earlier version to keep
      for (const std::string& name : set) {
        const std::string shown = fileio::FullFileName(folder_ + "/" + name);
        const std::string told = FullDiskMessage(shown);
        if (error == (old.count(name) != 0 ? told : told.substr(0, told.find(';')))) named = name;
      }
      ASSERT_FALSE(named.empty()) << error;
      EXPECT_TRUE(failed.insert(named).second) << named;
      const TFiles now = Files(folder_);
      for (const auto& [name, bytes] : now) EXPECT_TRUE(old.count(name) != 0 && old.at(name) == bytes) << name;
      for (const auto& [name, bytes] : old) EXPECT_TRUE(now.count(name) != 0) << name << " lost";
      room += sizes[named];
    }
    for (const std::string& name : set) {
      if (sizes.count(name) != 0) {
        EXPECT_EQ(failed.count(name), 1u) << name << ": never the file the disk filled at";
      }
    }
  }
}


// "Сохранить как" of the base with the scheme formed from it: the copy's scheme is formed from the copy's
// base, so the first change on its diagram is taken, whatever moments the run's files were given. Each
// new version the run makes is dated one second after the one before it, so that the dates follow the
// order in which the run wrote them.
TEST_F(BaseSwitching, ABaseCopiedWithItsSchemeIsChangedOnItsDiagramAtOnce) {
  Ready(Writer(kSwitching), folder_);
  std::set<std::string> dated;
  std::time_t moment = 1767225600;  // 1 January 2026
  SetTableRunStepHook([&](TRunStep step) {
    if (step != TRunStep::TempWritten) return;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (name.find(".new~") == std::string::npos || !dated.insert(name).second) continue;
      const timespec times[2] = {{0, UTIME_OMIT}, {moment += 1, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, entry.path().c_str(), times, 0), 0) << name;
    }
  });
  SaveBaseAs(folder_ + "/Образец", folder_ + "/Копия");
  SetTableRunStepHook(nullptr);
  EXPECT_GT(dated.size(), 5u);
  diagram::TSchemBoxState box;
  diagram::LoadScheme(box, folder_ + "/Копия");
  EXPECT_NO_THROW(diagram::StartChange(box));
  EXPECT_TRUE(box.Modified);
  UnlockTableFiles(box.LockedBase, box.LockedExtList);
  EXPECT_TRUE(box_.Texts().empty()) << box_.Texts().front();
}

}  // namespace
}  // namespace ld::test
