// A switching on the diagram saved into the district base, and "Реконфигурация" back before it, over the
// sample base: the element's district table, the scheme, its journal and its switching date change
// together, and a disk that fills at any file of the set tells which file and leaves every one as it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <cctype>
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
#include "core/district/diagram_switching.h"
#include "core/district/set_writers.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/regime/scheme_files.h"
#include "core/regime/switch_journal.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/element_names.h"
#include "core/tables/formed_base.h"
#include "core/tables/table_ops.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "core/tables/write_lock.h"
#include "support/child_process.h"
#include "support/full_disk.h"
#include "support/sample_folder.h"
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
  void SetUp() override { ReadySampleFolder(folder_); }

  static const TSetWriter& Writer(const std::string& command) {
    for (const TSetWriter& writer : SetWriters())
      if (writer.Command == command) return writer;
    throw std::logic_error("no writer " + command);
  }
  // The sample with the writer's inputs in the folder.
  void Ready(const TSetWriter& writer, const std::string& folder) {
    ReadySampleFolder(folder);
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

  // The branch rows of the scheme at stem whose element's row in the district base (found whatever the
  // letter case of its extension) stands otherwise: its state read as forming reads it, or a tap the
  // station row holds.
  static std::vector<int> Disagreeing(const std::string& stem) {
    TDataFile branches, lines, stations, lines04;
    ReadTableFile(stem + GetMaketExtention(LayoutBranches), branches);
    ReadTableFile(FamilyFile(stem, GetMaketExtention(LayoutLines10)), lines);
    ReadTableFile(FamilyFile(stem, GetMaketExtention(LayoutTransTP)), stations);
    ReadTableFile(FamilyFile(stem, GetMaketExtention(LayoutLines04)), lines04);
    TBranchCols b;
    TLine10Cols l;
    TTransTPCols t;
    TLine04Cols l4;
    FillBranchCols(branches, b);
    FillLine10Cols(lines, l);
    FillTransTPCols(stations, t);
    FillLine04Cols(lines04, l4);
    const auto rowOf = [](const DALongint* idx, int count, std::int32_t key) {
      for (int j = 1; j <= count; ++j)
        if (idx->Get(j) == key) return j;
      return 0;
    };
    std::vector<int> apart;
    for (int i = 1; i <= b.RowCount; ++i) {
      const std::string ext = b.ExtFile->GetItem(i);
      const std::int32_t idx = b.Idx->Get(i);
      const char32_t scheme = DistrictLetter(b.Commut->Get(i));
      bool differs = false;
      if (ext == GetMaketExtention(LayoutLines10) && idx > 0) {
        const int j = rowOf(l.Idx, l.RowCount, idx);
        differs = j == 0 || DistrictLetter(l.Commut->Get(j)) != scheme;
      } else if (ext == GetMaketExtention(LayoutLines04) && idx > 0) {
        const int j = rowOf(l4.Idx, l4.RowCount, idx);
        differs = j == 0 || DistrictLetter(l4.Commut->Get(j)) != scheme;
      } else if (ext == GetMaketExtention(LayoutTransTP) && idx != 0) {
        const int j = rowOf(t.Idx, t.RowCount, std::abs(idx));
        // a station without a tap of its own is formed at its regulation's neutral
        const std::int16_t tap = j == 0 || t.Notv->Get(j) != 0 ? (j == 0 ? 0 : t.Notv->Get(j))
                                                               : NeutralTapOf(b.Regulation->GetItem(i));
        differs = j == 0 || StationLetter((idx > 0 ? t.Commut : t.CommutC)->Get(j)) != scheme ||
                  (idx > 0 && tap != b.Notv->Get(i));
      }
      if (differs) apart.push_back(i);
    }
    return apart;
  }
  // The first rows of the scheme formed from elements of the table of layout, n of them.
  static std::vector<int> LinkedRows(const diagram::TSchemBoxState& box, const char* layout, std::size_t n) {
    std::vector<int> rows;
    const TBranchCols& b = box.BranchCols;
    for (int i = 1; i <= b.RowCount && rows.size() < n; ++i)
      if (b.ExtFile->GetItem(i) == GetMaketExtention(layout) && b.Idx->Get(i) > 0) rows.push_back(i);
    EXPECT_EQ(rows.size(), n) << layout;
    return rows;
  }
  // A switching of the branch row on the diagram as the regime window makes it: the state changed, the
  // entry asked for at moment (none when moment is 0: cancelled) and saved, with the base where withBase.
  static TSwitchingEnd Switch(diagram::TSchemBoxState& box, int row, bool withBase, TDateTime moment) {
    TRegime model;
    TDataFile nodes, branches;
    CopyTable(*box.NodeTable, nodes);
    CopyTable(*box.BranchTable, branches);
    bool renumbered = false;
    model.BuildModel(nodes, branches, renumbered);
    model.AnalyzeConfiguration();
    diagram::StartChange(box);
    TRecSwt before;
    ReadBranchRec(*box.BranchTable, row, before);
    (*box.BranchCols.Commut)[row] = before.Commut == 0 ? Utf8ToCp1251("О")[0] : 0;
    TSwitchEntry entry;
    const TSwitchingEnd end = SaveDiagramSwitching(
        box, row, before, model, withBase,
        [moment](TDataFile&, TSwitchEntry& asked) {
          asked.Moment = moment;
          return moment != 0;
        },
        entry);
    FillBranchCols(*box.BranchTable, box.BranchCols);
    if (end != TSwitchingEnd::Saved) {
      (*box.BranchCols.Commut)[row] = before.Commut;  // as the diagram undoes it
      diagram::DropFirstChange(box);
    }
    return end;
  }
  // The state letters and taps of every branch row.
  static std::vector<std::pair<char, std::int16_t>> States(const diagram::TSchemBoxState& box) {
    std::vector<std::pair<char, std::int16_t>> states;
    for (int i = 1; i <= box.BranchCols.RowCount; ++i)
      states.emplace_back(box.BranchCols.Commut->Get(i), box.BranchCols.Notv->Get(i));
    return states;
  }

  TempDir dir_{TempDir::Where::Memory};
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

  // A base edited after forming (a station's note written by another command) is no longer the one the
  // scheme was formed from: a reconfiguration writes its switching, but never a record that the scheme is
  // that base's.
  const std::string stem = folder_ + "/Образец", record = FamilyFile(stem, FormedBaseExt);
  ASSERT_TRUE(fs::exists(record));
  const std::string recorded = ReadBytes(record);
  {
    TDataFile stations;
    ReadTableFile(FamilyFile(stem, GetMaketExtention(LayoutTransTP)), stations);
    stations.Title += " (изменена)";
    WriteTableFile(FamilyFile(stem, GetMaketExtention(LayoutTransTP)), stations);
  }
  ASSERT_TRUE(ReconfigureScheme(stem, EncodeDate(2026, 11, 2) + 0.5));
  EXPECT_EQ(FirstLinkedLineCommut(), "О");
  EXPECT_TRUE(ReadBytes(record) == recorded) << "a record written for the edited base";
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

// Two switchings on the diagram, the first with "Сохранение коммутаций, параметров линий и
// трансформаторов в базу РЭС" off and a tap moved with it, the second with it on: the first leaves the
// base as formed, apart from the scheme in that branch and that tap only; the second brings the base to
// the scheme in all three, and its record then names the base as it stands. The diagram holds that record
// and the stamps that save wrote, and takes its next change, as a new read of the scheme does. An entry
// before the branch's last one, and a cancelled one, leave every branch as it was. The same over a base
// whose tables carry lower-case extensions, which stay the only files of the base; and where the program
// is killed right after the run of the second switching, the base, the scheme, its journal, its date and
// the record stand so, whole. A scheme without the record of its base gets one only with a base that
// agrees with it.
TEST_F(BaseSwitching, ASwitchingSavedWithoutTheBaseReachesItWithTheNextSavedWithIt) {
  const std::string stem = folder_ + "/Образец";
  const TDateTime day2 = EncodeDate(2026, 11, 2) + 0.5, day3 = day2 + 1;
  // the district tables as they stand
  const auto stampsNow = [&] {
    TRunBytes::TWritten files;
    for (const char* layout : DistrictTableLayouts)
      if (const std::string file = FamilyFile(stem, GetMaketExtention(layout)); fs::exists(file))
        files.emplace_back(file, FileStampOf(file));
    return DistrictStampsOf(stem, files);
  };
  for (const auto& [lowerCase, killed] : {std::pair(false, false), {true, false}, {false, true}, {true, true}}) {
    SCOPED_TRACE(std::string(lowerCase ? "lower-case extensions" : "the layout's extensions") +
                 (killed ? ", killed right after the switching's run" : ""));
    ReadySampleFolder(folder_);
    std::vector<std::string> lower;
    if (lowerCase)
      for (const char* layout : DistrictTableLayouts) {
        std::string ext = GetMaketExtention(layout);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        fs::rename(stem + GetMaketExtention(layout), stem + ext);
        lower.push_back(stem + ext);
      }
    Writer(kSwitching).Prepare(folder_);
    diagram::TSchemBoxState box;
    diagram::LoadScheme(box, stem);
    EXPECT_EQ(Disagreeing(stem), std::vector<int>{});
    const std::vector<int> lines = LinkedRows(box, LayoutLines10, 2);
    const std::vector<int> stations = LinkedRows(box, LayoutTransTP, 1);
    ASSERT_TRUE(lines.size() == 2 && stations.size() == 1);
    const std::string record = ReadBytes(FamilyFile(stem, FormedBaseExt));

    diagram::StartChange(box);
    (*box.BranchCols.Notv)[stations[0]] = static_cast<std::int16_t>(box.BranchCols.Notv->Get(stations[0]) + 1);
    ASSERT_EQ(Switch(box, lines[0], false, day2), TSwitchingEnd::Saved);
    EXPECT_EQ(Disagreeing(stem), (std::vector<int>{lines[0], stations[0]}));
    EXPECT_EQ(ReadBytes(FamilyFile(stem, FormedBaseExt)), record);

    if (killed) {
      // A program killed right after the run of the switching with the base, as the run's last record goes.
      const pid_t pid = Forked([&] {
        SetTableRunStepHook([done = 0, laid = 0, removed = 0](TRunStep step) mutable {
          if (step == TRunStep::Locked) laid = removed = 0;
          laid += step == TRunStep::RecordLaid;
          done += step == TRunStep::Committed;
          if (step == TRunStep::RecordRemoved && ++removed == laid && done == 1) raise(SIGSTOP);
        });
        return Switch(box, lines[1], true, day3) == TSwitchingEnd::Saved ? 0 : 1;
      });
      ASSERT_TRUE(KillWhenStopped(pid));
      // the next who asks for the locks finds the killed program gone
      for (const auto& entry : fs::directory_iterator(folder_))
        if (const std::string name = entry.path().string(); !name.ends_with('~')) ClearOwnLeftOvers(name);
      for (const auto& entry : fs::directory_iterator(folder_))
        EXPECT_FALSE(entry.path().string().ends_with('~')) << entry.path() << " left";
      diagram::LoadScheme(box, stem);
    } else {
      ASSERT_EQ(Switch(box, lines[1], true, day3), TSwitchingEnd::Saved);
    }
    EXPECT_EQ(Disagreeing(stem), std::vector<int>{});
    TDataFile journal;
    ReadTableFile(stem + GetMaketExtention(LayoutSwitchLog), journal);
    EXPECT_EQ(journal.RowCount, 4) << "two entries of two rows";
    EXPECT_EQ(ReadCurDateSwt(stem), day3);
    const TDistrictStamps now = stampsNow();
    EXPECT_TRUE(FormedFromBase(ReadFormedBase(stem), now, 0));
    EXPECT_EQ(box.FormedBase, ReadFormedBase(stem)) << "the record the save wrote";
    EXPECT_EQ((TDistrictStamps{box.DateRSL, box.DateRTP, box.DateR04, box.DateRSV}), now);

    // Refused and cancelled entries: every branch stays as it was, and the refusal says what to change.
    const auto states = States(box);
    box_.Clear();
    EXPECT_EQ(Switch(box, lines[1], true, day2), TSwitchingEnd::Refused);
    EXPECT_EQ(box_.Texts(), std::vector<std::string>{
                                "Запись переключения на 02.11.2026 12:00 раньше последней записи этой ветви в журнале "
                                "переключений (строка 3, 03.11.2026 12:00). Новая запись должна быть позже "
                                "03.11.2026 12:00: измените время или дату записи"});
    EXPECT_EQ(Switch(box, lines[0], true, 0), TSwitchingEnd::Cancelled);
    EXPECT_EQ(States(box), states);
    box_.Clear();
    EXPECT_EQ(Switch(box, lines[0], true, day2), TSwitchingEnd::Refused);
    EXPECT_EQ(box_.Texts(), std::vector<std::string>{DuplicateEntryText(1, day2)});
    EXPECT_EQ(States(box), states);
    // an entry the journal takes, once it took the scheme back to the entry's moment, whose save is
    // refused (a branch no longer matches its element): the states replayed are put back too
    box_.Clear();
    const int renamed = LinkedRows(box, LayoutLines10, 3).back();
    const std::string name = box.BranchCols.Name1->GetItem(renamed);
    box.BranchCols.Name1->SetItem(renamed, "ЧУЖАЯ");
    EXPECT_EQ(Switch(box, lines[0], true, day2 + 1.0 / 24), TSwitchingEnd::NotSaved);
    box.BranchCols.Name1->SetItem(renamed, name);
    EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Таблица \"Ветви схемы\" (строка " + std::to_string(renamed) +
                                                     ") не соответствует таблице \"Линии 10(6) кВ\". Необходимо "
                                                     "заново загрузить схему"});
    EXPECT_EQ(States(box), states);
    box_.Clear();

    EXPECT_EQ(ErrorOf([&] { diagram::StartChange(box); }), "<no error>");
    diagram::DropFirstChange(box);
    diagram::TSchemBoxState again;
    diagram::LoadScheme(again, stem);
    EXPECT_EQ(ErrorOf([&] { diagram::StartChange(again); }), "<no error>");
    diagram::DropFirstChange(again);
    // A scheme without the record of its base is given one by its write-back only where every branch formed
    // from an element found it, so that the base then agrees with it (a scheme of an earlier version); one
    // with a branch of an element the base lacks (never formed from it) gets none.
    fs::remove(FamilyFile(stem, FormedBaseExt));
    diagram::LoadScheme(box, stem);
    diagram::StartChange(box);
    const int foreign = LinkedRows(box, LayoutLines10, 3).back();
    const std::int32_t idx = box.BranchCols.Idx->Get(foreign);
    (*box.BranchCols.Idx)[foreign] = 99999;
    ASSERT_EQ(Switch(box, lines[0], true, day3 + 1), TSwitchingEnd::Saved);
    EXPECT_EQ(Disagreeing(stem), std::vector<int>{foreign});
    EXPECT_EQ(ReadFormedBase(stem), std::nullopt);
    EXPECT_EQ(box.FormedBase, std::nullopt);
    diagram::StartChange(box);
    (*box.BranchCols.Idx)[foreign] = idx;
    ASSERT_EQ(Switch(box, lines[0], true, day3 + 2), TSwitchingEnd::Saved);
    EXPECT_EQ(Disagreeing(stem), std::vector<int>{});
    EXPECT_TRUE(FormedFromBase(ReadFormedBase(stem), stampsNow(), 0));
    EXPECT_EQ(box.FormedBase, ReadFormedBase(stem));
    // Between the branch's first and last entries (02.11 and 05.11, with 04.11 between): the journal
    // would replay out of order, so the entry is refused naming the moment and the branch's last one, and
    // neither the journal's bytes nor a branch of the diagram moves.
    {
      const std::string journalFile = FamilyFile(stem, GetMaketExtention(LayoutSwitchLog));
      const std::string journalBytes = ReadBytes(journalFile);
      const auto kept = States(box);
      box_.Clear();
      EXPECT_EQ(Switch(box, lines[0], true, day3 + 1.5), TSwitchingEnd::Refused);
      EXPECT_EQ(box_.Texts(), std::vector<std::string>{
                                  "Запись переключения на 05.11.2026 00:00 раньше последней записи этой ветви в "
                                  "журнале переключений (строка 7, 05.11.2026 12:00). Новая запись должна быть "
                                  "позже 05.11.2026 12:00: измените время или дату записи"});
      EXPECT_EQ(States(box), kept);
      EXPECT_TRUE(ReadBytes(journalFile) == journalBytes) << "the journal written";
      // Another branch entered at 04.11 18:00 takes the scheme back through the entry of 05.11; a journal
      // whose 05.11 entry does not fit the branch stops that replay: refused, and the branch the replay
      // would have moved stands as the diagram showed it.
      TDataFile journal;
      ReadTableFile(journalFile, journal);
      TSwitchLogCols j;
      FillSwitchLogCols(journal, j);
      (*j.Commut)[8] = Utf8ToCp1251("Н")[0];
      WriteTableFile(journalFile, journal);
      box_.Clear();
      EXPECT_EQ(Switch(box, lines[1], true, day3 + 1.25), TSwitchingEnd::Refused);
      ASSERT_EQ(box_.Texts().size(), 1u);
      EXPECT_TRUE(box_.Texts()[0].starts_with("Журнал переключений, строка 8: ")) << box_.Texts()[0];
      EXPECT_EQ(States(box), kept);
      WriteBytes(journalFile, journalBytes);
      box_.Clear();
    }
    // Copied over a family of the layout's spelling, and onto a new name: one file of each table, the
    // copy's scheme taken as its base's; removed, nothing of it stays.
    if (lowerCase && !killed) {
      const std::string copy = folder_ + "/Копия";
      for (const char* layout : DistrictTableLayouts)
        fs::copy_file(FamilyFile(stem, GetMaketExtention(layout)), copy + GetMaketExtention(layout));
      for (const std::string& target : {copy, folder_ + "/Копия2"}) {
        SaveBaseAs(stem, target);
        for (const char* layout : DistrictTableLayouts) {
          int files = 0;
          for (const auto& entry : fs::directory_iterator(folder_))
            files += UpperCase(entry.path().filename().string()) ==
                     UpperCase(fs::path(target).filename().string() + GetMaketExtention(layout));
          EXPECT_EQ(files, 1) << target << GetMaketExtention(layout);
        }
        EXPECT_EQ(Disagreeing(target), std::vector<int>{});
        diagram::TSchemBoxState copied;
        diagram::LoadScheme(copied, target);
        EXPECT_EQ(ErrorOf([&] { diagram::StartChange(copied); }), "<no error>") << target;
        diagram::DropFirstChange(copied);
        DeleteTableFiles(target);
        for (const auto& entry : fs::directory_iterator(folder_))
          EXPECT_FALSE(entry.path().filename().string().starts_with(fs::path(target).filename().string() + "."))
              << entry.path();
      }
    }
    // A scheme never formed from a base, saved onto a base's name, is not taken as that base's: its copy
    // holds the record of no base, and its first change asks for the scheme to be formed again.
    if (!lowerCase && !killed) {
      const std::string foreignScheme = folder_ + "/Чужая", onBase = folder_ + "/База";
      for (const char* layout : {LayoutNodes, LayoutBranches})
        fs::copy_file(stem + GetMaketExtention(layout), foreignScheme + GetMaketExtention(layout));
      for (const char* layout : DistrictTableLayouts)
        fs::copy_file(FamilyFile(stem, GetMaketExtention(layout)), onBase + GetMaketExtention(layout));
      EXPECT_TRUE(SchemeCopyReplaced(foreignScheme, onBase).Empty()) << "the base stays, and nothing is written over";
      SaveSchemeAs(foreignScheme, onBase);
      diagram::TSchemBoxState copied;
      diagram::LoadScheme(copied, onBase);
      EXPECT_EQ(ErrorOf([&] { diagram::StartChange(copied); }),
                "Файлы базы РЭС (*.RSL, *.RTP, *.R04, *.RSV) были изменены. Необходимо в задаче \"База РЭС\" "
                "сформировать схему и загрузить ее заново в задаче \"Z-режим\"");
      diagram::DropFirstChange(copied);
      // copied with a base of its own, a scheme without a record keeps the rule it was held to
      const std::string record = ReadBytes(FamilyFile(stem, FormedBaseExt));
      fs::remove(FamilyFile(stem, FormedBaseExt));
      SaveSchemeAs(stem, foreignScheme);
      EXPECT_EQ(ReadFormedBase(foreignScheme), std::nullopt);
      WriteBytes(FamilyFile(stem, FormedBaseExt), record);
      DeleteTableFiles(foreignScheme);
      DeleteTableFiles(onBase);
    }
    // Another workstation writes a district table right after the diagram's save with the base, within the
    // tick of the scheme: the diagram keeps the stamps of what its run wrote, never those of the files read
    // again, and refuses its next change (the scheme, written without a record, is judged by them alone).
    if (!killed) {
      const std::string linesFile = FamilyFile(stem, GetMaketExtention(LayoutLines10));
      const std::string theirs = folder_ + "/другая-станция";
      TDataFile their;
      ReadTableFile(linesFile, their);
      their.Title += " (другая станция)";
      their.FileDate = 0;  // a new file of these rows
      fs::remove(FamilyFile(stem, FormedBaseExt));
      diagram::LoadScheme(box, stem);
      diagram::StartChange(box);
      (*box.BranchCols.Idx)[foreign] = 99999;
      SetTableRunStepHook([&, laid = 0, removed = 0](TRunStep step) mutable {
        if (step == TRunStep::Locked) laid = removed = 0;
        laid += step == TRunStep::RecordLaid;
        if (step != TRunStep::RecordRemoved || ++removed != laid) return;
        WriteTableFile(theirs, their);
        fs::last_write_time(theirs, fs::last_write_time(stem + GetMaketExtention(LayoutBranches)));
        fs::rename(theirs, linesFile);
      });
      const TSwitchingEnd end = Switch(box, lines[1], true, day3 + 3);
      SetTableRunStepHook(nullptr);
      ASSERT_EQ(end, TSwitchingEnd::Saved);
      EXPECT_EQ(ReadFormedBase(stem), std::nullopt);
      EXPECT_EQ(ErrorOf([&] { diagram::StartChange(box); }),
                "Файлы базы РЭС (*.RSL, *.RTP, *.R04, *.RSV) были изменены. Необходимо в задаче \"База РЭС\" "
                "сформировать схему и загрузить ее заново в задаче \"Z-режим\"");
      diagram::DropFirstChange(box);
    }

    for (const std::string& file : lower) EXPECT_TRUE(fs::exists(file)) << file;
    for (const char* layout : DistrictTableLayouts) {
      EXPECT_FALSE(lowerCase && fs::exists(stem + GetMaketExtention(layout))) << "a second file beside " << layout;
    }
    EXPECT_TRUE(box_.Texts().empty()) << box_.Texts().front();
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
