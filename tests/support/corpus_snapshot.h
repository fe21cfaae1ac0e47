#pragma once
// The snapshots and lists of the test-data corpora: a snapshot is blocks that begin "### <case>", a list
// is "<case>\t<what>" lines with "#" remarks.
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace ld::test {

// The blocks of a snapshot by the case they begin with.
inline std::map<std::string, std::string> SnapshotBlocks(const std::string& text) {
  std::map<std::string, std::string> blocks;
  std::string* block = nullptr;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("### ", 0) == 0) block = &blocks[line.substr(4)];
    if (block) *block += line + "\n";
  }
  return blocks;
}

// The lines of one case's outcome that differ, "-" as the snapshot holds them, "+" as the run gives.
inline std::string BlockDiff(const std::string& was, const std::string& now) {
  const auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  };
  const std::vector<std::string> a = lines(was), b = lines(now);
  std::string diff;
  for (const std::string& l : a)
    if (std::find(b.begin(), b.end(), l) == b.end()) diff += "  - " + l + "\n";
  for (const std::string& l : b)
    if (std::find(a.begin(), a.end(), l) == a.end()) diff += "  + " + l + "\n";
  return diff;
}

// A list's entries by their case.
inline std::map<std::string, std::string> CaseList(const std::string& text) {
  std::map<std::string, std::string> entries;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (const std::size_t tab = line.find('\t'); !line.empty() && line[0] != '#' && tab != std::string::npos)
      entries[line.substr(0, tab)] = line.substr(tab + 1);
  return entries;
}

}  // namespace ld::test
