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
