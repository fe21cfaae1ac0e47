// Writing an imported base along the import path: the sources read before the question, a source that
// gives nothing refused by name without a question, both tables in place or none, the station table of a
// base without transformers, and the order the station rows are kept in.
#include "core/district/base_import.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <utility>

#include "core/base/error.h"
#include "core/tables/table_file.h"
#include "core/tables/table_run.h"
#include "support/child_process.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class ImportedBase : public ::testing::Test {
protected:
  ImportedBase() {
    MaketFileName = (DataDir() / "maket.zr").string();
    WriteRows(stem + ".RSL", LayoutLines10, {{"1", "", "СТАРАЯ", "ТП-1"}});
    WriteRows(stem + ".RTP", LayoutTransTP, {{"1", "ТП-1", "Т1"}});
  }
  // A base of one section, with or without a transformer.
  TBaseImport NewBase(bool withStation) {
    TBaseImport base;
    TImportLine line;
    line.Sign = U'П';
    line.Name1 = "ПС.35.10";
    line.Name2 = "ТП-9";
    line.Un = "10";
    std::vector<TImportStation> stations;
    if (withStation) stations.push_back({"ТП-9", "Т1", "ТМ-250/10/0.4", 1, 0.2, 0.1, U'А'});
    MakeBaseTables({line}, stations, stem, base);
    return base;
  }
  // The base written as an import writes it, its build taking the base made before.
  TImportEnd Write(TBaseImport& made, bool writeEmptyStations) {
    TBaseImport base;
    return ImportBase(dir / "Сеть.RS", stem, writeEmptyStations, base, [&] {
      base = std::move(made);
      return TImportTaken{1, {}};
    });
  }
  TempDir dir;
  const std::string stem = dir / "Сеть";
  ScriptedMsgBox box;
};

TEST_F(ImportedBase, BothTablesTakeThePlaceOfTheOldOnesOrNeither) {
  const std::string oldLines = ReadBytes(stem + ".RSL"), oldStations = ReadBytes(stem + ".RTP");
  // the station table cannot take its place
  SetTableRenamer([&](const std::string& temp, const std::string& file) {
    if (file == stem + ".RTP") return errno = EACCES, false;
    return std::rename(temp.c_str(), file.c_str()) == 0;
  });
  TBaseImport base = NewBase(true);
  EXPECT_THROW(Write(base, false), Error);
  SetTableRenamer(nullptr);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"База с таким именем уже существует.\nБудут заменены файлы: Сеть.RSL "
                                                  "(таблица линий), Сеть.RTP (таблица ТП, РП).\nПерезаписать ?"});
  EXPECT_EQ(ReadBytes(stem + ".RSL"), oldLines);
  EXPECT_EQ(ReadBytes(stem + ".RTP"), oldStations);
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    EXPECT_NE(entry.path().filename().string().back(), '~') << "a lock, record or temporary table left";

  // "Нет" after the read: nothing is written
  base = NewBase(true);
  box.Answer(0);
  EXPECT_EQ(Write(base, false), TImportEnd::Declined);
  EXPECT_EQ(ReadBytes(stem + ".RSL"), oldLines);

  // the new base replaces the old one and the scheme formed from it whole: its consumers and the scheme's
  // journal go in the run, named first; the short-circuit data stay
  WriteBytes(stem + ".RAB", "абоненты");
  WriteBytes(stem + ".SWT", "журнал");
  WriteBytes(stem + ".TKD", "данные ТКЗ");
  box.Clear();
  base = NewBase(true);
  EXPECT_EQ(Write(base, false), TImportEnd::Written);
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"База с таким именем уже существует.\nБудут заменены файлы: Сеть.RSL "
                                                  "(таблица линий), Сеть.RTP (таблица ТП, РП).\nБудут удалены файлы, "
                                                  "которых в новой базе не будет: Сеть.RAB (таблица абонентов).\nБудут "
                                                  "удалены файлы схемы, которых в новой базе не будет: Сеть.SWT (журнал "
                                                  "переключений).\nПерезаписать ?"});
  EXPECT_FALSE(fs::exists(stem + ".RAB") || fs::exists(stem + ".SWT"));
  EXPECT_EQ(ReadBytes(stem + ".TKD"), "данные ТКЗ");
  TDataFile lines, stations;
  ReadTableFile(stem + ".RSL", lines);
  ReadTableFile(stem + ".RTP", stations);
  EXPECT_EQ(lines.Title, "Сеть");
  ASSERT_EQ(lines.RowCount, 1);
  EXPECT_EQ(GetCellText(lines, 1, FindColumnIndex("Sign", lines), true), "П");
  EXPECT_EQ(GetCellText(lines, 1, FindColumnIndex("Name2", lines), true), "ТП-9");
  ASSERT_EQ(stations.RowCount, 1);
  EXPECT_EQ(GetCellText(stations, 1, FindColumnIndex("A", stations), true), "А");
  EXPECT_EQ(GetCellText(stations, 1, FindColumnIndex("Pn", stations), true), "0.2");
  for (const auto& f : fs::directory_iterator(dir.Path()))
    EXPECT_NE(f.path().filename().string().back(), '~') << f.path();

  // no transformers: the old station table goes, unless an empty one is asked for
  TBaseImport bare = NewBase(false);
  Write(bare, false);
  EXPECT_FALSE(fs::exists(stem + ".RTP"));
  bare = NewBase(false);
  Write(bare, true);
  EXPECT_EQ(ReadFileRowCount(stem + ".RTP"), 0);
  EXPECT_TRUE(IsTableFile(stem + ".RTP"));
}

// A program killed anywhere in the import of a base without transformers leaves the old base whole or
// the new one without a station table to the next read; never the new lines beside the old stations.
TEST_F(ImportedBase, AKilledImportLeavesTheOldBaseOrTheNewOneWithoutStations) {
  const std::string oldLines = ReadBytes(stem + ".RSL"), oldStations = ReadBytes(stem + ".RTP");
  const std::pair<TRunStep, int> kills[] = {
      {TRunStep::Locked, 1},  {TRunStep::TempWritten, 1}, {TRunStep::RecordLaid, 2},    {TRunStep::RecordsLaid, 1},
      {TRunStep::Renamed, 1}, {TRunStep::Renamed, 2},     {TRunStep::Committed, 1},     {TRunStep::RecordRemoved, 1},
      {TRunStep::RecordRemoved, 2}};
  for (const auto& [step, nth] : kills) {
    SCOPED_TRACE(static_cast<int>(step) * 10 + nth);
    WriteBytes(stem + ".RSL", oldLines);
    WriteBytes(stem + ".RTP", oldStations);
    const pid_t child = Forked([&, step = step, nth = nth] {
      int seen = 0;
      SetTableRunStepHook([&](TRunStep reached) {
        if (reached == step && ++seen == nth) ::raise(SIGSTOP);
      });
      TBaseImport bare = NewBase(false);
      Write(bare, false);
      return 0;
    });
    if (!KillWhenStopped(child)) {
      ADD_FAILURE() << "the import ended before the step";
      continue;
    }
    // the stations first: a read of them alone must not find them gone while the lines are the old ones
    TDataFile stations;
    const bool withStations = ReadTableFileOrEmpty(stem + ".RTP", LayoutTransTP, stations);
    TDataFile read;
    ReadTableFile(stem + ".RSL", read);
    const std::string lines = ReadBytes(stem + ".RSL");
    if (lines == oldLines) {
      EXPECT_TRUE(withStations);
      EXPECT_EQ(ReadBytes(stem + ".RTP"), oldStations);
    } else {
      EXPECT_FALSE(withStations);
      EXPECT_FALSE(fs::exists(stem + ".RTP"));
    }
  }
}

// The sources are read whole before anything is asked: one that gives nothing, or that its reader
// refuses, is refused by name with nothing asked, nothing changed and no lock left.
TEST_F(ImportedBase, ASourceThatGivesNothingIsRefusedBeforeTheQuestion) {
  const std::string oldLines = ReadBytes(stem + ".RSL"), oldStations = ReadBytes(stem + ".RTP");
  const auto refusal = [&](const std::function<TImportTaken()>& build) {
    TBaseImport base;
    try {
      ImportBase(dir / "x.xlsx", stem, true, base, build);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("written");
  };
  EXPECT_EQ(refusal([] { return TImportTaken{0, "ячейка A1: напряжение сети \"ФИО\" не является числом"}; }),
            "Ошибка чтения файла \"" + dir / "x.xlsx" +
                "\": ячейка A1: напряжение сети \"ФИО\" не является числом: нет данных для импорта, ничего не изменено");
  EXPECT_EQ(refusal([&]() -> TImportTaken { throw Error("Ошибка чтения файла \"" + dir / "x.xlsx" + "\": не книга"); }),
            "Ошибка чтения файла \"" + dir / "x.xlsx" + "\": не книга, ничего не изменено");
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  EXPECT_EQ(ReadBytes(stem + ".RSL"), oldLines);
  EXPECT_EQ(ReadBytes(stem + ".RTP"), oldStations);
  for (const auto& f : fs::directory_iterator(dir.Path()))
    EXPECT_NE(f.path().filename().string().back(), '~') << f.path();
}

TEST_F(ImportedBase, StationRowsKeepTheTableOrderAndTheFirstSpellingOfAName) {
  TSortedStations stations;
  stations.Insert("ТП-7", "Т2");
  stations.Insert("тп-7", "Т1").Transform = "ТМ-400/10/0.4";  // one station, whatever the case
  stations.Insert("ТП-10", "Т1");
  stations.Insert("ТП-7", "");
  stations.Insert("Яр", "Т1");
  stations.Insert("Ёлка", "Т1");  // Windows-1251 puts "Ё" before "А"
  ASSERT_NE(stations.Find("Тп-7", "т1"), nullptr);
  EXPECT_EQ(stations.Find("ТП-7", "Т1")->Transform, "ТМ-400/10/0.4");
  EXPECT_EQ(stations.Find("ТП-8", "Т1"), nullptr);
  EXPECT_EQ(stations.LastOf("ТП-7")->Ntr, "Т2");
  EXPECT_EQ(stations.LastOf("ТП-8"), nullptr);
  std::vector<std::string> order;
  for (const TImportStation& s : stations.Rows()) order.push_back(s.Name1 + "/" + s.Ntr);
  EXPECT_EQ(order, (std::vector<std::string>{"Ёлка/Т1", "ТП-10/Т1", "ТП-7/", "тп-7/Т1", "ТП-7/Т2", "Яр/Т1"}));
}

}  // namespace
}  // namespace ld::test
