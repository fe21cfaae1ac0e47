// Rules of the codebase that the compiler does not check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "support/test_env.h"

namespace fs = std::filesystem;

TEST(HouseRules, CoreNeverIncludesQt) {
  const fs::path core = ld::test::SourceDir() / "src" / "core";
  ASSERT_TRUE(fs::exists(core));
  const std::regex qtInclude(R"(^\s*#\s*include\s*[<"]Q[A-Za-z]*(/|[>"]))");
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(core)) {
    if (!entry.is_regular_file()) continue;
    const auto ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      EXPECT_FALSE(std::regex_search(line, qtInclude)) << entry.path() << ":" << number << ": " << line;
    }
  }
  EXPECT_GT(files, 0);
}

// A reader of a user's workbook takes a cell only as a value, through the rules of names, numbers and
// dates: the raw texts of the sheet reader are the office layer's own.
TEST(HouseRules, OnlyTheOfficeLayerTakesTheRawTextsOfAWorkbook) {
  const fs::path src = ld::test::SourceDir() / "src";
  const fs::path office = src / "core" / "office";
  const std::regex raw(R"(#\s*include\s*"core/office/sheet_raw_cells\.h"|\bTRawCells\b)");
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const auto ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    if (entry.path().parent_path() == office) continue;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      EXPECT_FALSE(std::regex_search(line, raw)) << entry.path() << ":" << number << ": " << line;
    }
  }
  EXPECT_GT(files, 0);
}
