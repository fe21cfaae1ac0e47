// Rules of the codebase that the compiler does not check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "support/test_env.h"

namespace fs = std::filesystem;

namespace {

// Fails for every line of a source file below `root` (outside `exempt`) that the pattern finds; the
// number of files looked at, so a rule that looks at nothing fails too.
int ExpectNoLineMatches(const fs::path& root, const std::regex& pattern, const fs::path& exempt = {}) {
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const auto ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    if (!exempt.empty() && entry.path().parent_path() == exempt) continue;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      EXPECT_FALSE(std::regex_search(line, pattern)) << entry.path() << ":" << number << ": " << line;
    }
  }
  return files;
}

}  // namespace

TEST(HouseRules, CoreNeverIncludesQt) {
  const fs::path core = ld::test::SourceDir() / "src" / "core";
  ASSERT_TRUE(fs::exists(core));
  EXPECT_GT(ExpectNoLineMatches(core, std::regex(R"(^\s*#\s*include\s*[<"]Q[A-Za-z]*(/|[>"]))")), 0);
}

// A reader of a user's workbook takes a cell only as a value, through the rules of names, numbers and
// dates, shown as the sheet shows it: the raw texts of the sheet reader and of a whole workbook read into
// Worksheets (which know no number format and no merged range) are the office layer's own.
TEST(HouseRules, OnlyTheOfficeLayerTakesTheRawTextsOfAWorkbook) {
  const fs::path src = ld::test::SourceDir() / "src";
  const std::regex raw(R"(#\s*include\s*"core/office/sheet_raw_cells\.h"|\bTRaw(Cells|Sheet|Book)\b)");
  EXPECT_GT(ExpectNoLineMatches(src, raw, src / "core" / "office"), 0);
}

// A window runs a reader of outside files (cards, PNT,LIN, *.RS, *.PSH, *.LB, another catalogue) only as
// the district's list of them holds it, found by the name that the list of import commands gives: the
// tests that take the readers from the list then meet what the windows run.
TEST(HouseRules, TheWindowsRunTheReadersOfOutsideFilesOnlyThroughTheirList) {
  const fs::path gui = ld::test::SourceDir() / "src" / "gui";
  const std::regex direct(
      R"(\b(ReadCardScheme|ReadPntLin|ImportPshFolder|ImportDistrictFiles|ReadLBFile|ReadGraphCatalogFile)\s*\()");
  EXPECT_GT(ExpectNoLineMatches(gui, direct), 0);
}
