// A family's files under the names they have: a family copied from another system or spelled by another
// workstation (".uzl", ".Uzl", "образец.UZL") is found by one rule, and every command that writes a set
// of tables writes each of them under the name the family has, never a second file beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/district/set_writers.h"
#include "core/optim/tkz_data.h"
#include "core/regime/scheme_files.h"
#include "core/tables/file_kinds.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/raw_table.h"
#include "support/sample_folder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// The one rule, as every command meets it: the file of a kind that FamilyFile gives, and the family's
// files that a copy and a removal work from (TableFamilyFiles), agree on every name.
TEST(FamilyFiles, AFamilysFileIsFoundWhateverTheLetterCaseOfItsStemAndExtension) {
  const TempDir dir;
  const std::string folder = dir.Path().string() + "/";
  for (const char* name : {"ЁЛки.ПАЛки.dwt", "ёлки.палки.Uzl", "ЁЛКИ.ПАЛКИ.pl", "Ёлки.Палки.R04", "Елки.Палки.VET",
                           "Ёлки.Палки.2.RSL", "Ёлки.Палки.RTP~", "Ёлки.Пaлки.FRB", "Ёлки.Палки.NET"})
    WriteBytes(folder + name, name);
  fs::create_directory(folder + "Ёлки.Палки.TKD");  // a folder is no file of the family
  struct Case {
    const char* stem;
    const char* ext;
    const char* found;  // the file's name, or nullptr: none, the name as given
  };
  const Case cases[] = {
      {"Ёлки.Палки", ".DWT", "ЁЛки.ПАЛки.dwt"},   // stem and extension in other letter cases, Ё kept
      {"ЁЛКИ.ПАЛКИ", ".dwt", "ЁЛки.ПАЛки.dwt"},
      {"ёлки.палки", ".Dwt", "ЁЛки.ПАЛки.dwt"},   // ё is Ё
      {"Ёлки.Палки", ".UZL", "ёлки.палки.Uzl"},   // a mixed-case extension
      {"Ёлки.Палки", ".PL", "ЁЛКИ.ПАЛКИ.pl"},
      {"Ёлки.Палки", ".R04", "Ёлки.Палки.R04"},   // as spelled
      {"Ёлки.Палки", ".r04", "Ёлки.Палки.R04"},
      {"Ёлки.Палки", ".VET", nullptr},             // Е is not Ё
      {"Елки.Палки", ".vet", "Елки.Палки.VET"},
      {"Ёлки.Палки", ".FRB", nullptr},             // a Latin "a" is not the Cyrillic one
      {"Ёлки.Палки", ".NEt", "Ёлки.Палки.NET"},    // a Latin extension, case aside
      {"Ёлки.Палки", ".RSL", nullptr},             // a further point makes another stem
      {"Ёлки.Палки.2", ".rsl", "Ёлки.Палки.2.RSL"},
      {"Ёлки.Палки", ".RTP", nullptr},             // a lock is no table
      {"Ёлки.Палки", ".TKD", nullptr},             // nor is a folder
      {"Ёлки", ".Палки", nullptr},                 // "Ёлки.Палки" has no extension of its own here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stem) + " " + c.ext);
    const std::string stem = folder + c.stem;
    const std::string want = c.found != nullptr ? folder + c.found : stem + c.ext;
    EXPECT_EQ(FamilyFile(stem, c.ext), want);
    EXPECT_EQ(FamilyFile(stem + c.ext), want);
    const std::vector<std::string> family = TableFamilyFiles(stem);
    EXPECT_EQ(std::count(family.begin(), family.end(), want), c.found != nullptr ? 1 : 0);
  }
  // the whole family, each file under its own name
  std::vector<std::string> family = TableFamilyFiles(folder + "ЁЛКИ.палки");
  std::sort(family.begin(), family.end());
  std::vector<std::string> want;
  for (const char* name : {"ЁЛКИ.ПАЛКИ.pl", "ЁЛки.ПАЛки.dwt", "Ёлки.Палки.NET", "Ёлки.Палки.R04", "ёлки.палки.Uzl"})
    want.push_back(folder + name);
  std::sort(want.begin(), want.end());
  EXPECT_EQ(family, want);
}

// What a command's question names over a family whose files are spelled otherwise than the program
// spells them: a file the command writes again is replaced under its own name, never named as removed
// beside a new one.
TEST(FamilyFiles, AQuestionNamesAFileWrittenAgainAsReplacedWhateverItsLetterCase) {
  MaketFileName = (DataDir() / "maket.zr").string();
  const TempDir dir;
  const std::string folder = dir.Path().string() + "/";
  const std::string journal = GetMaketExtention(LayoutSwitchLog);
  for (const std::string& name : std::vector<std::string>{"Схема.UZL", "Схема.VET", "копия.uzl", "Копия.Vet", "Копия" + LowerCase(journal),
                                 "данные.tkd", "Данные.Tkr", "Пример.uzl", "ПРИМЕР.vet", "Пример.RGM"})
    WriteBytes(folder + name, name);
  struct Case {
    const char* command;
    TCopyReplaced replaced;
    std::vector<std::string> written, removed;
  };
  const Case cases[] = {
      {"a scheme copied onto a family of lower-case extensions", SchemeCopyReplaced(folder + "Схема", folder + "Копия"),
       {"Копия.Vet", "копия.uzl"}, {"Копия" + LowerCase(journal)}},
      {"short-circuit data made anew", TkzCreateReplaced(folder + "Данные"), {"Данные.Tkr", "данные.tkd"}, {}},
      {"a scheme made anew", EmptySchemeReplaced(folder + "Пример"), {"ПРИМЕР.vet", "Пример.uzl"}, {"Пример.RGM"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    std::vector<std::string> written, removed;
    for (const std::string& file : c.replaced.Written) written.push_back(fs::path(file).filename().string());
    for (const std::string& file : c.replaced.Removed) removed.push_back(fs::path(file).filename().string());
    std::sort(written.begin(), written.end());
    std::sort(removed.begin(), removed.end());
    std::vector<std::string> wantWritten = c.written, wantRemoved = c.removed;
    std::sort(wantWritten.begin(), wantWritten.end());
    std::sort(wantRemoved.begin(), wantRemoved.end());
    EXPECT_EQ(written, wantWritten);
    EXPECT_EQ(removed, wantRemoved);
  }
}

// The ways a family's names differ from the program's spelling.
enum class TSpelling { Plain, LowerExtension, MixedExtension, OtherStem };

// A name within the folder ("Образец.UZL", "другая/sprav_KA.cat") as the spelling has it.
std::string Respelled(const std::string& name, TSpelling spelling) {
  const std::size_t slash = name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot < slash) return name;
  const std::string stem = name.substr(slash, dot - slash), ext = name.substr(dot + 1);
  std::string respelled;
  switch (spelling) {
    case TSpelling::Plain: return name;
    case TSpelling::LowerExtension: respelled = stem + "." + LowerCase(ext); break;
    case TSpelling::MixedExtension: respelled = stem + "." + ext.substr(0, 1) + LowerCase(ext.substr(1)); break;
    case TSpelling::OtherStem:
      respelled = (LowerCase(stem) != stem ? LowerCase(stem) : UpperCase(stem)) + "." + ext;
      break;
  }
  return name.substr(0, slash) + respelled;
}

// The name as compared whatever its letter case, by this test's own folding.
std::string Folded(const std::string& name) { return UpperCase(name); }

using TFiles = std::map<std::string, std::string>;  // name within the folder: bytes

// The writers in parts, each a test of its own, so that the test command's shards share them out.
constexpr int kParts = 12;

class FamilyCase : public ::testing::TestWithParam<int> {
protected:
  void SetUp() override {
    ReadySampleFolder(folder_);
  }

  TFiles Files() const { return FilesUnder(folder_); }

  // The writer run over the sample and its inputs, the files of the stems of its sets first renamed as
  // the spelling has them. Gives the folder as the run left it and the names it renamed (program's
  // spelling: the name it got).
  TFiles RunSpelled(const TSetWriter& writer, TSpelling spelling, std::map<std::string, std::string>& renamed) {
    fs::remove_all(folder_);
    CopyDataFiles(folder_);
    if (writer.Prepare) writer.Prepare(folder_);
    // the stems of the sets (folded, with the folder within) and the kinds of the program's files: an input
    // of the command of another kind ("Карты.cdu") is named by the user as it is
    std::set<std::string> stems, kinds;
    for (const TFileKind& kind : StemFileKinds()) kinds.insert(Folded(kind.Ext));
    for (const auto& set : writer.Sets())
      for (const std::string& name : set) {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos) continue;
        stems.insert(Folded(name.substr(0, dot)));
        kinds.insert(Folded(name.substr(dot)));
      }
    for (const auto& [name, bytes] : Files()) {
      const std::size_t dot = name.rfind('.');
      if (dot == std::string::npos || name.ends_with('~') || stems.count(Folded(name.substr(0, dot))) == 0 ||
          kinds.count(Folded(name.substr(dot))) == 0)
        continue;
      const std::string to = Respelled(name, spelling);
      if (to == name) continue;
      fs::rename(folder_ + "/" + name, folder_ + "/" + to);
      renamed[name] = to;
    }
    const std::string error = ErrorOf([&] { writer.Run(folder_); });
    EXPECT_EQ(error, "<no error>");
    return Files();
  }

  // Every writer of the part `part` of kParts over a family of each spelling: exactly one file of each
  // kind after it, under the name the family had (a kind it lacked as the program spells it), holding
  // what the writer wrote over the plainly spelled family.
  void EveryWriterKeepsTheNames(int part);

  TempDir dir_{TempDir::Where::Memory};
  const std::string folder_ = (dir_.Path() / "папка").string();
  ScriptedMsgBox box_;
};

// Whether a file of the sets is a text that tells the moment it was written (a protocol, a report, the
// scheme's settings): only its being there is compared.
bool TellsItsMoment(const std::string& name) {
  for (const char* ending : {".RGM", ".WMS", ".WRG", ".INI", ".txt"})
    if (Folded(name).ends_with(Folded(ending))) return true;
  return false;
}

// What differs between two tables as their bytes hold them ("" for nothing).
std::string TableDifference(const std::string& written, const std::string& plain) {
  const TRawTable a = RawTable(written), b = RawTable(plain);
  if (!a.whole || !b.whole) return "not a whole table";
  if (a.layout != b.layout) return "layout " + a.layout + " for " + b.layout;
  if (a.title != b.title) return "title " + a.title + " for " + b.title;
  if (a.rows != b.rows) return "rows " + std::to_string(a.rows) + " for " + std::to_string(b.rows);
  if (a.marks != b.marks) return "row marks";
  if (a.fields != b.fields) return "fields";
  for (std::size_t k = 0; k < a.data.size(); ++k)
    if (a.data[k] != b.data[k]) return "column " + a.fields[k];
  return {};
}

void FamilyCase::EveryWriterKeepsTheNames(int part) {
  ASSERT_FALSE(ld::SetWriters().empty());
  int index = 0;
  for (const TSetWriter& writer : ld::SetWriters()) {
    if (index++ % kParts != part) continue;
    SCOPED_TRACE(writer.Command);
    std::set<std::string> inSets;
    for (const auto& set : writer.Sets()) inSets.insert(set.begin(), set.end());
    std::map<std::string, std::string> none;
    TFiles plain;
    try {
      plain = RunSpelled(writer, TSpelling::Plain, none);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    for (const TSpelling spelling : {TSpelling::LowerExtension, TSpelling::MixedExtension, TSpelling::OtherStem}) {
      SCOPED_TRACE(spelling == TSpelling::LowerExtension   ? "extensions in lower case"
                   : spelling == TSpelling::MixedExtension ? "extensions in mixed case"
                                                           : "the stem in another letter case");
      std::map<std::string, std::string> renamed;
      TFiles now;
      try {
        now = RunSpelled(writer, spelling, renamed);
      } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        continue;
      }
      // no kind twice, in any file of the folder
      std::map<std::string, std::string> byFolded;
      for (const auto& [name, bytes] : now) {
        const auto [at, first] = byFolded.emplace(Folded(name), name);
        EXPECT_TRUE(first) << name << " beside " << at->second;
      }
      // each file of the sets as the plain family's run left it, found by its folded name (a set may name
      // one file twice, as two workstations spelled its stem)
      std::map<std::string, std::string> plainByFolded, renamedByFolded;
      for (const auto& [name, bytes] : plain) plainByFolded.emplace(Folded(name), name);
      for (const auto& [from, to] : renamed) renamedByFolded.emplace(Folded(from), to);
      std::set<std::string> kinds;
      for (const std::string& name : inSets) kinds.insert(Folded(name));
      for (const std::string& kind : kinds) {
        const auto there = byFolded.find(kind);
        const auto was = plainByFolded.find(kind);
        if (was == plainByFolded.end()) {
          EXPECT_TRUE(there == byFolded.end()) << there->second << ": written where the plain family gets none";
          continue;
        }
        if (there == byFolded.end()) {
          ADD_FAILURE() << was->second << ": not written";
          continue;
        }
        const auto had = renamedByFolded.find(kind);
        EXPECT_EQ(there->second, had != renamedByFolded.end() ? had->second : was->second)
            << "the family's name for " << was->second;
        if (TellsItsMoment(kind)) continue;
        const std::string& bytes = now.at(there->second);
        const std::string& plainBytes = plain.at(was->second);
        if (bytes.starts_with("\x06ZREGIM")) {
          const std::string a = dir_ / "записанная", b = dir_ / "как в простой";
          WriteBytes(a, bytes);
          WriteBytes(b, plainBytes);
          EXPECT_EQ(TableDifference(a, b), "") << there->second;
        } else {
          EXPECT_TRUE(bytes == plainBytes) << there->second << ": other bytes";
        }
      }
    }
  }
}

TEST_P(FamilyCase, EveryWriterOfASetWritesItsTablesUnderTheNamesTheFamilyHas) { EveryWriterKeepsTheNames(GetParam()); }

INSTANTIATE_TEST_SUITE_P(EveryWriter, FamilyCase, ::testing::Range(0, kParts));

}  // namespace
}  // namespace ld::test
