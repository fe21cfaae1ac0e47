// Opening a scheme of the old branch format, damaged branch files and the refresh of a branch table.
#include "core/regime/scheme_files.h"
#include "core/regime/grid_refresh.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/tables/file_kinds.h"
#include "core/tables/table_run.h"
#include "support/scripted_msgbox.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using SchemeFiles = RegimeTest;

// A layout file like the program's, but its branch block lacks "Commut", as the old files do.
std::string OldLayout(const TempDir& dir) {
  std::string maket = Cp1251ToUtf8(ReadBytes(DataDir() / "maket.zr"));
  const std::size_t block = maket.find("Name=Ветви схемы");
  const std::size_t count = maket.find("Count=", block);
  const std::size_t countEnd = maket.find('\r', count);
  const int columns = std::stoi(maket.substr(count + 6, countEnd - count - 6));
  maket.replace(count, countEnd - count, "Count=" + std::to_string(columns - 1));
  const std::size_t column = maket.find(",Commut,", block);
  const std::size_t lineStart = maket.rfind('\n', column) + 1;
  maket.erase(lineStart, maket.find('\n', column) + 1 - lineStart);
  WriteBytes(dir.Path() / "old.zr", Utf8ToCp1251(maket));
  return dir / "old.zr";
}

std::string Text(char c) { return c == 0 ? std::string() : Cp1251ToUtf8(std::string(1, c)); }

// Every file of a folder, by name: its bytes.
std::map<std::string, std::string> FolderBytes(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadBytes(entry.path());
  return files;
}

TEST_F(SchemeFiles, OldBranchFileIsUpgradedOnce) {
  const std::string vet = dir / "old.VET";
  struct Old {
    char com1, com2;
    const char* text;
    std::int16_t notv;
  };
  const Old rows[] = {{'O', 'o', "TR|A|1ТМ-400Pos=3", 0}, {'F', 'O', "ТМ-250", 7}, {0, 'O', "", 0},
                      {'o', 0, "LN|АС-70|", 0}, {0, 0, "T3|ТДТН|2", 0}};
  MaketFileName = OldLayout(dir);
  {
    TDataFile old;
    ReadMaket(LayoutBranches, old);
    CreateColumns(old, 5);
    for (int row = 1; row <= 5; ++row) {
      const Old& o = rows[row - 1];
      *GetColumnAs<DAChar>("Com1", old)->ItemPtr(row) = o.com1;
      *GetColumnAs<DAChar>("Com2", old)->ItemPtr(row) = o.com2;
      GetColumnAs<DAString>("Text", old)->SetItem(row, o.text);
      *GetColumnAs<DAsmallint>("Notv", old)->ItemPtr(row) = o.notv;
    }
    WriteTableFile(vet, old);
  }
  MaketFileName = (DataDir() / "maket.zr").string();

  ASSERT_TRUE(UpgradeOldBranchFile(vet));
  TDataFile table;
  ReadTableFile(vet, table);
  TBranchCols b;
  FillBranchCols(table, b);
  const char* commut[] = {"О", "Ф", "К", "Н", ""};
  const char* typEqu[] = {"TR|A|1", "", "", "LN|АС-70|", "T3|ТДТН|2"};
  const char* mark[] = {"ТМ-400", "ТМ-250", "", "", ""};
  const int notv[] = {3, 7, 0, 0, 0};
  for (int row = 1; row <= 5; ++row) {
    EXPECT_EQ(Text(b.Commut->Get(row)), commut[row - 1]) << row;
    EXPECT_EQ(b.TypEqu->GetItem(row), typEqu[row - 1]) << row;
    EXPECT_EQ(b.Mark->GetItem(row), mark[row - 1]) << row;
    EXPECT_EQ(b.Notv->Get(row), notv[row - 1]) << row;
  }

  // Once it stores Commut the file is never rewritten, whatever its old columns still say.
  const std::string bytes = ReadBytes(vet);
  EXPECT_FALSE(UpgradeOldBranchFile(vet));
  EXPECT_EQ(ReadBytes(vet), bytes);
}

// Damaged branch files of either format: the upgrade and the rounded copy refuse with a message that
// names the file, or leave it alone; nothing crashes.
TEST_F(SchemeFiles, DamagedFilesAreRefusedByName) {
  MaketFileName = OldLayout(dir);
  {
    TDataFile old;
    ReadMaket(LayoutBranches, old);
    CreateColumns(old, 3);
    for (int row = 1; row <= 3; ++row) {
      *GetColumnAs<DAChar>("Com1", old)->ItemPtr(row) = 'O';
      GetColumnAs<DAString>("Text", old)->SetItem(row, "TR|ТДН|1ТМPos=" + std::to_string(row));
    }
    WriteTableFile(dir / "good.VET", old);
  }
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string good = ReadBytes(dir / "good.VET");
  std::mt19937 random(20261207);
  for (int round = 0; round < 80; ++round) {
    std::string bytes = good;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
    if (round % 10 == 0) bytes.resize(random() % bytes.size());
    const std::string file = dir / "Копия1-.VET";
    WriteBytes(file, bytes);
    try {
      UpgradeOldBranchFile(file);
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("Копия1-.VET"), std::string::npos) << e.what();
    }
    WriteBytes(dir / "Копия1-.UZL", bytes);
    RoundSchemeCopy(dir / "Копия1-");  // says nothing whatever it finds
  }
}

// "Сохранить как" writes the copy in one run with the bytes that a copy of each file followed by the
// rounding of the copied scheme writes, for a rounded name and a plain one.
TEST_F(SchemeFiles, SavedCopyHoldsTheBytesOfTheFileByFileCopy) {
  const std::string sample = (DataDir() / "Пример").string();
  // folders of names equally long: the title of a copy is its full path
  const std::string one = Utf8ToCp1251("поодно"), all = Utf8ToCp1251("вместе");
  std::filesystem::create_directories(dir / "поодно");
  std::filesystem::create_directories(dir / "вместе");
  for (const std::string name : {"Копия3-", "Копия"}) {
    SCOPED_TRACE(name);
    const std::string byFile = dir / ("поодно/" + name), together = dir / ("вместе/" + name);
    for (const char* ext : {".UZL", ".VET"}) CopyTableFile(sample + ext, byFile + ext);
    RoundSchemeCopy(byFile);
    SaveSchemeAs(sample, together);
    for (const char* ext : {".UZL", ".VET"}) {
      std::string bytes = ReadBytes(together + ext);
      const std::size_t at = bytes.find(all);
      ASSERT_NE(at, std::string::npos) << ext;
      bytes.replace(at, all.size(), one);
      EXPECT_EQ(bytes, ReadBytes(byFile + ext)) << ext;
    }
  }
}

// "Сохранить как" of a scheme and of a base, "Создать" of a base and "Импорт ЦДУ" onto a stem that holds
// every file kind of a family, or of the program's whole list: the command's files written over, the
// target's files of each family the command replaces that it lacks removed, and nothing else touched (a
// base's file by a scheme's copy that writes no table of a base, the short-circuit data and the load
// variants, a file of no kind, another stem, the source's own files whose stem differs from the target's in
// letter case only). The base's tables are written first.
TEST_F(SchemeFiles, ACopyReplacesTheFamilyItCopiesAndNothingElse) {
  namespace fs = std::filesystem;
  ScriptedMsgBox box;
  std::vector<std::string> baseKinds, schemeKinds;
  for (const TFileKind& kind : BaseFileKinds()) baseKinds.push_back(kind.Ext);
  for (const TFileKind& kind : SchemeFileKinds()) schemeKinds.push_back(kind.Ext);
  const auto among = [](const std::vector<std::string>& list, const std::string& ext) {
    return std::find(list.begin(), list.end(), ext) != list.end();
  };
  for (const char* ext : {".RSL", ".RTP", ".R04", ".RSV", ".RSF", ".RAB", ".BPA", ".BBA", ".GRC", ".GRV", ".RAY"})
    EXPECT_TRUE(among(baseKinds, ext) && !among(schemeKinds, ext)) << ext;
  for (const char* ext : {".UZL", ".VET", ".PL", ".KTR", ".LT2", ".LT3", ".LTR", ".LRT", ".SWT", ".INI", ".FRB", ".RGM",
                          ".WRG", ".WMS", ".QOP", ".NUZ", ".ZLN", ".ZTR", ".T2K", ".ORZ", ".EMK", ".BAL", ".SAB"})
    EXPECT_TRUE(among(schemeKinds, ext) && !among(baseKinds, ext)) << ext;

  // Every kind of the program's list, by family: the kinds that no copy of a base or a scheme replaces
  // (the short-circuit data, the load variants) stay under every command.
  std::vector<std::string> otherKinds;
  for (const TFileKind& kind : StemFileKinds())
    if (kind.Family != TFileFamily::Base && kind.Family != TFileFamily::Scheme) otherKinds.push_back(kind.Ext);
  EXPECT_TRUE(among(otherKinds, ".TKD") && among(otherKinds, ".TKR") && among(otherKinds, ".PQV"));

  enum THeld { kNone, kBase, kScheme, kBoth, kAll };
  enum TCommand { kSchemeCopy, kBaseCopy, kNewBase, kCardImport };
  struct TCase {
    TCommand command;
    const char* source;         // the copy's stem
    const char* sourceExts;     // the kinds of file it holds, or those the command makes
    THeld target;               // the families "Цель" holds, every kind of each
    bool baseGone, schemeGone;  // the target's files of each family that the source lacks
  };
  const TCase cases[] = {
      {kSchemeCopy, "Исход", ".UZL,.VET,.RGM", kScheme, false, true},
      {kSchemeCopy, "Исход", ".UZL,.VET,.RGM", kBase, false, true},
      // a scheme with base tables replaces the base whole: no consumers or load graphs of another district
      {kSchemeCopy, "Исход", ".UZL,.VET,.RSL,.RAY", kAll, true, true},
      {kBaseCopy, "Исход", ".RSL,.RTP", kBoth, true, true},
      {kBaseCopy, "Исход", ".RSL,.RTP,.UZL,.VET,.SWT", kAll, true, true},
      {kBaseCopy, "Исход", ".RSL,.RTP", kScheme, true, true},
      {kBaseCopy, "ЦЕЛЬ", ".RSL,.RTP,.UZL,.VET", kBoth, true, true},
      {kSchemeCopy, "ЦЕЛЬ", ".UZL,.VET", kBoth, false, true},
      // "Создать" of a base: the base and the scheme formed from it go; "Импорт ЦДУ": the scheme goes whole
      {kNewBase, "", ".RSL", kAll, true, true},
      {kNewBase, "", ".RSL", kScheme, true, true},
      {kCardImport, "", ".UZL,.VET", kAll, false, true},
      {kCardImport, "", ".UZL,.VET", kScheme, false, true},
  };
  int number = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE("case " + std::to_string(++number));
    const bool copy = c.command == kSchemeCopy || c.command == kBaseCopy;
    const fs::path folder = dir / std::to_string(number);
    fs::create_directories(folder);
    const std::string source = folder / c.source, target = folder / "Цель";
    std::vector<std::string> sourceExts;
    for (std::string rest = c.sourceExts; !rest.empty();) {
      const std::size_t comma = rest.find(',');
      sourceExts.push_back(rest.substr(0, comma));
      rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    if (copy)
      for (const std::string& ext : sourceExts) WriteBytes(source + ext, "копируемый " + ext);
    // the target's files: name within the folder, what becomes of it ("new", "kept", "gone")
    std::map<std::string, std::string> expected;
    const auto plant = [&](const std::vector<std::string>& kinds, bool gone) {
      for (const std::string& ext : kinds) {
        expected["Цель" + ext] = among(sourceExts, ext) ? "new" : gone ? "gone" : "kept";
        WriteBytes(target + ext, "прежний " + ext);
      }
    };
    if (c.target == kBase || c.target == kBoth || c.target == kAll) plant(baseKinds, c.baseGone);
    if (c.target == kScheme || c.target == kBoth || c.target == kAll) {
      plant(schemeKinds, c.schemeGone);
      WriteBytes(folder / "цель.ktr", "прежний");
      expected["цель.ktr"] = c.schemeGone ? "gone" : "kept";
    }
    if (c.target == kAll) plant(otherKinds, false);
    for (const char* name : {"Цель.TXT", "Цель2.VET", "Цель.a.UZL"}) {
      WriteBytes(folder / name, "прежний");
      expected[name] = "kept";
    }
    for (const std::string& ext : sourceExts)
      if (!expected.count("Цель" + ext)) expected["Цель" + ext] = "new";
    // the target's own stem in other letters is the target's family: a copy of it onto itself changes nothing
    if (copy && UpperCase(c.source) == UpperCase("Цель")) {
      std::erase_if(expected, [&](const auto& file) { return !fs::exists(folder / file.first); });
      for (auto& [name, after] : expected) after = "kept";
    }
    std::vector<std::string> written, removed;
    for (const auto& [name, after] : expected) {
      if (after == "new" && fs::exists(folder / name)) written.push_back(folder / name);
      if (after == "gone") removed.push_back(folder / name);
    }
    std::sort(written.begin(), written.end());
    std::sort(removed.begin(), removed.end());
    const TCopyReplaced replaced = c.command == kBaseCopy     ? BaseCopyReplaced(source, target)
                                   : c.command == kSchemeCopy ? SchemeCopyReplaced(source, target)
                                   : c.command == kNewBase    ? EmptyBaseReplaced(target)
                                                              : EmptySchemeReplaced(target);
    EXPECT_EQ(replaced.Written, written);
    EXPECT_EQ(replaced.Removed, removed);
    // a card file's scheme: one node and one branch, asked about first with every file named; "Нет"
    // changes nothing
    const auto importCards = [&] {
      return ImportSchemeFile(target + ".cdu", [](const std::string&, TDataFile& nodes, TDataFile& branches) {
        CreateColumns(nodes, 1);
        CreateColumns(branches, 1);
        return TImportTaken(2, {});
      });
    };
    if (c.command == kCardImport) {
      const std::map<std::string, std::string> before = FolderBytes(folder);
      box.Answer(2);
      EXPECT_EQ(importCards(), TImportEnd::Declined);
      EXPECT_EQ(FolderBytes(folder), before);
      ASSERT_EQ(box.Calls().size(), 1u);
      EXPECT_EQ(box.Calls()[0].text, CopyReplaceQuestion("Схема \"Цель\" уже существует.", replaced, TReplacedBy::Import,
                                                         TFileFamily::Scheme));
      for (const std::string& file : removed)
        EXPECT_NE(box.Calls()[0].text.find(fs::path(file).filename().string() + " ("), std::string::npos) << file;
      box.Clear();
    }

    std::vector<std::string> order;  // the files of the run in the order their new versions were made
    SetTableRunStepHook([&](TRunStep step) {
      if (step != TRunStep::TempWritten) return;
      for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const std::size_t temp = name.find(".new~");
        if (temp != std::string::npos && !among(order, name.substr(0, temp))) order.push_back(name.substr(0, temp));
      }
    });
    switch (c.command) {
      case kBaseCopy: SaveBaseAs(source, target); break;
      case kSchemeCopy: SaveSchemeAs(source, target); break;
      case kNewBase: CreateEmptyBase(target); break;
      case kCardImport: EXPECT_EQ(importCards(), TImportEnd::Written); break;
    }
    box.Clear();
    SetTableRunStepHook(nullptr);
    for (const auto& [name, after] : expected) {
      const fs::path file = folder / name;
      const std::string ext = ExtractExtension(name);
      const std::string bytes = fs::exists(file) ? ReadBytes(file) : "";
      const bool made = copy ? bytes == "копируемый " + ext : IsTableFile(file.string());
      const std::string state = !fs::exists(file)                 ? "gone"
                                : made                             ? "new"
                                : bytes.rfind("прежний", 0) == 0 ? "kept"
                                                                   : "other";
      EXPECT_EQ(state, after) << name;
    }
    for (const std::string& ext : sourceExts)
      EXPECT_TRUE(!copy || ReadBytes(source + ext) == "копируемый " + ext) << ext;
    for (std::size_t k = 1; k < order.size(); ++k)
      EXPECT_FALSE(among(schemeKinds, ExtractExtension(order[k - 1])) && among(baseKinds, ExtractExtension(order[k])))
          << order[k - 1] << " before " << order[k];
    EXPECT_TRUE(NoLocks());
  }

  // The question says what each command does to what is there: each file named with what it is, the files
  // of the district's base on lines that say so, and the head naming what exists. A scheme's copy that
  // writes a load graph catalogue over a base replaces that base whole, and the record of no base that
  // the scheme copied there before without a base of its own goes with it; onto a base without a scheme
  // it replaces only the base; onto its own stem, however written, nothing.
  WriteBytes(dir / "2/Цель.KTR", "прежний");
  WriteBytes(dir / "2/Исход.GRC", "копируемый");
  struct TQuestion {
    const char* folder;
    std::vector<std::pair<const char*, const char*>> files;  // planted there besides: name, bytes
    std::function<std::string(const std::string& folder)> ask;
    std::string expected;  // empty: nothing is replaced, nothing asked
  };
  const auto schemeCopy = [](const char* from, const char* to) {
    return [from, to](const std::string& folder) {
      const TCopyReplaced replaced = SchemeCopyReplaced(folder + "/" + from, folder + "/" + to);
      return replaced.Empty() ? std::string()
                              : CopyReplaceQuestion("Схема с таким именем уже существует.", replaced, TReplacedBy::Copy,
                                                    TFileFamily::Scheme);
    };
  };
  const TQuestion questions[] = {
      {"2", {}, schemeCopy("Исход", "Цель"),
       "Схема с таким именем уже существует.\nБудут заменены файлы: Цель.RGM (протокол расчета режима), Цель.UZL "
       "(узлы схемы), Цель.VET (ветви схемы).\nБудут удалены файлы, которых в копии не будет: Цель.FRB (сведения о "
       "базе РЭС, из которой сформирована схема), Цель.KTR (таблица отпаек).\nБудут заменены файлы базы РЭС: "
       "Цель.GRC (каталог графиков нагрузки).\nБудут удалены файлы базы РЭС, которых в копии не будет: Цель.BBA "
       "(база бытовых абонентов), Цель.BPA (база промышленных абонентов), Цель.GRV (значения графиков нагрузки), "
       "Цель.R04 (таблица линий 0,4 кВ), Цель.RAB (таблица абонентов), Цель.RAY (районы), Цель.RSF (таблица фидеров "
       "подстанций), Цель.RSL (таблица линий), Цель.RSV (таблица вводов подстанций), Цель.RTP (таблица ТП, РП)."
       "\nПерезаписать ?"},
      {"q1",
       {{"Исход.UZL", "схема"}, {"Исход.VET", "схема"}, {"Исход.RSL", "база"}, {"Другой.RSL", "база"},
        {"Другой.RTP", "база"}, {"другой.grc", "графики"}},
       schemeCopy("Исход", "Другой"),
       "База с таким именем уже существует.\nБудут заменены файлы базы РЭС: Другой.RSL (таблица линий).\nБудут "
       "удалены файлы базы РЭС, которых в копии не будет: Другой.RTP (таблица ТП, РП), другой.grc (каталог графиков "
       "нагрузки).\nПерезаписать ?"},
      {"q2", {{"Исход.UZL", "схема"}, {"Исход.VET", "схема"}, {"Другой.RSL", "база"}}, schemeCopy("Исход", "Другой"), ""},
      {"q3", {{"Исход.UZL", "схема"}, {"Исход.VET", "схема"}, {"Исход.RSL", "база"}}, schemeCopy("Исход", "./Исход"), ""},
      // "Создать" of a base over a scheme without a base, and of short-circuit data over a data set whose
      // radius is in other letters (that data set's own radius, written again under its name)
      {"q4", {{"Цель.UZL", "схема"}, {"Цель.SWT", "журнал"}},
       [](const std::string& folder) {
         return CopyReplaceQuestion("База с таким именем уже существует.", EmptyBaseReplaced(folder + "/Цель"),
                                    TReplacedBy::Create, TFileFamily::Base);
       },
       "Схема с таким именем уже существует.\nБудут удалены файлы схемы, которых в новой базе не будет: Цель.SWT "
       "(журнал переключений), Цель.UZL (узлы схемы).\nПерезаписать ?"},
      {"q5", {{"Цель.TKD", "данные"}, {"ЦЕЛЬ.tkr", "радиус"}, {"Цель.UZL", "схема"}},
       [](const std::string& folder) {
         const std::string stem = folder + "/Цель";
         return CopyReplaceQuestion(
             "Данные с таким именем уже существует.",
             ReplacedByCopy(stem, {stem + ".TKD", stem + ".TKR"}, FamilyFileKinds({TFileFamily::TkzData}), {}),
             TReplacedBy::Create, TFileFamily::TkzData);
       },
       "Данные с таким именем уже существует.\nБудут заменены файлы: ЦЕЛЬ.tkr (радиус т.к.з.), Цель.TKD (данные "
       "т.к.з.).\nПерезаписать ?"},
  };
  for (const TQuestion& q : questions) {
    SCOPED_TRACE(q.folder);
    const std::string folder = dir / q.folder;
    fs::create_directories(folder);
    for (const auto& [name, bytes] : q.files) WriteBytes(folder + "/" + name, bytes);
    const std::map<std::string, std::string> before = FolderBytes(folder);
    EXPECT_EQ(q.ask(folder), q.expected);
    EXPECT_EQ(FolderBytes(folder), before);
  }
  // a copy onto its own stem leaves every byte
  const std::map<std::string, std::string> own = FolderBytes(dir / "q3");
  SaveSchemeAs(dir / "q3/Исход", dir / "q3/./Исход");
  EXPECT_EQ(FolderBytes(dir / "q3"), own);
  EXPECT_TRUE(NoLocks());
}

// The columns a branch table gets refreshed before the grid writes it.
TEST_F(SchemeFiles, BranchEndsFromTheSwitchingLetterAndTheTextFromTheEquipment) {
  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  const char* letters[] = {"Н", "К", "О", "", "Z"};
  CreateColumns(branches, 5);
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= 5; ++r) (*b.Commut)[r] = Letter(letters[r - 1]), (*b.Com1)[r] = (*b.Com2)[r] = 'x';
  b.TypEqu->SetItem(1, "T2|Т1|0");
  b.Mark->SetItem(1, "ТМН-6300/35");
  b.Notv[1] = 3;
  RefreshBranchTable(branches, nullptr);
  std::string ends;  // the ends' letters of each row, "-" for none
  for (int r = 1; r <= 5; ++r)
    for (const char c : {b.Com1->Get(r), b.Com2->Get(r), ' '}) ends += c ? c : '-';
  EXPECT_EQ(ends, "o- -o oo -- xx ");
  EXPECT_EQ(b.Text->GetItem(1), "T2|Т1|0ТМН-6300/35Pos=3");
}

}  // namespace
}  // namespace ld::test
