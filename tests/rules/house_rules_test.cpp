// Rules of the codebase that the compiler does not check.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

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

namespace {

// The files of src/core, each header with its source as one unit ("core/office/workbook" for workbook.h
// and workbook.cpp), and the units whose headers each includes, with the file that includes each.
using TIncludes = std::map<std::string, std::map<std::string, std::string>>;

TIncludes CoreIncludes(const fs::path& src) {
  TIncludes units;
  const std::regex include(R"(^\s*#\s*include\s*"(core/[^"]+)\.h")");
  for (const auto& entry : fs::recursive_directory_iterator(src / "core")) {
    const auto ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    const std::string file = fs::relative(entry.path(), src).generic_string();
    const std::string unit = file.substr(0, file.size() - ext.size());
    auto& includes = units[unit];
    std::ifstream in(entry.path());
    std::smatch match;
    for (std::string line; std::getline(in, line);)
      if (std::regex_search(line, match, include) && match[1] != unit && fs::exists(src / (match[1].str() + ".h")))
        includes.emplace(match[1], file);
  }
  return units;
}

// The circles of units: the sets of two or more that each reach every other through includes (the
// strongly connected parts of the graph), each as its units in order.
std::vector<std::vector<std::string>> IncludeCircles(const TIncludes& units) {
  std::map<std::string, int> index, low;
  std::vector<std::string> stack;
  std::set<std::string> onStack;
  std::vector<std::vector<std::string>> circles;
  int next = 0;
  std::function<void(const std::string&)> visit = [&](const std::string& unit) {
    index[unit] = low[unit] = next++;
    stack.push_back(unit);
    onStack.insert(unit);
    const auto found = units.find(unit);
    if (found != units.end())
      for (const auto& [to, file] : found->second) {
        if (!index.count(to)) {
          visit(to);
          low[unit] = std::min(low[unit], low[to]);
        } else if (onStack.count(to)) {
          low[unit] = std::min(low[unit], index[to]);
        }
      }
    if (low[unit] != index[unit]) return;
    std::vector<std::string> circle;
    for (std::string member; member != unit;) {
      member = stack.back();
      stack.pop_back();
      onStack.erase(member);
      circle.push_back(member);
    }
    std::sort(circle.begin(), circle.end());
    if (circle.size() > 1) circles.push_back(circle);
  };
  for (const auto& [unit, includes] : units)
    if (!index.count(unit)) visit(unit);
  return circles;
}

}  // namespace

// No two units of the core need each other through their includes, however far round: a header with its
// source is one unit, so a source that includes a header that reaches back to its own header closes a
// circle (workbook.cpp -> sheet_raw_cells.h -> sheet_reader.h -> workbook.h). What both sides need goes
// down into a header of its own. The circles made before this rule are listed until they are broken; a
// circle broken is taken off the list, so that it cannot come back.
TEST(HouseRules, NoUnitsOfTheCoreIncludeEachOtherInACircle) {
  const fs::path src = ld::test::SourceDir() / "src";
  const TIncludes units = CoreIncludes(src);
  ASSERT_GT(units.size(), 100u);
  const std::set<std::vector<std::string>> stillToBreak = {
      {"core/base/dates", "core/base/inifile", "core/base/settings"},
      {"core/diagram/draw", "core/diagram/draw_pass"},
      {"core/district/form_context", "core/district/form_scheme"},
      {"core/engine/fixflow", "core/engine/fixflow_state"},
      {"core/engine/protocol", "core/engine/results"},
  };
  std::set<std::vector<std::string>> found;
  for (const std::vector<std::string>& circle : IncludeCircles(units)) {
    found.insert(circle);
    if (stillToBreak.count(circle)) continue;
    std::string how;
    for (const std::string& unit : circle)
      for (const auto& [to, file] : units.at(unit))
        if (std::binary_search(circle.begin(), circle.end(), to)) how += "\n  " + file + " includes " + to + ".h";
    ADD_FAILURE() << "units that include each other in a circle:" << how;
  }
  for (const std::vector<std::string>& circle : stillToBreak)
    EXPECT_TRUE(found.count(circle)) << "the circle of " << circle.front() << " is broken: take it off the list";
}
