#pragma once
// What the regime tests share: the program's layout file, the settings of a fresh program put back
// afterwards, a folder of their own, the two-node scheme and readers of what a run leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/results.h"
#include "core/engine/scheme_builder.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"

namespace ld::test {

// The settings a fresh program starts with, whatever a test changes in them put back when it ends.
class FreshSettings {
public:
  FreshSettings() : saved_(std::move(IniRec)) { IniRec = TIniRec(); }
  ~FreshSettings() { IniRec = std::move(saved_); }
  FreshSettings(const FreshSettings&) = delete;
  FreshSettings& operator=(const FreshSettings&) = delete;

private:
  TIniRec saved_;
};

class RegimeTest : public ::testing::Test {
protected:
  RegimeTest() { MaketFileName = (DataDir() / "maket.zr").string(); }
  // No lock file in the test's folder: a command leaves none behind, whatever its end.
  bool NoLocks() const {
    for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
      if (f.path().string().back() == '~') return false;
    return true;
  }
  FreshSettings settings;
  TempDir dir;
};

// A letter of a one-character column (Windows-1251); "" is none.
inline char Letter(const char* utf8) { return *utf8 == 0 ? char(0) : Utf8ToCp1251(utf8)[0]; }

// The text after a label of a report, "<none>" when no line starts with it.
inline std::string After(const std::vector<std::string>& lines, const std::string& label) {
  for (const std::string& l : lines)
    if (l.rfind(label, 0) == 0) return l.substr(label.size());
  return "<none>";
}

// A 10 kV balancing node 1 feeding 1 MW + j1 Mvar at node 2 through 1 + j2 Ω.
inline SchemeBuilder TwoNodes() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2, "", 1, 1).Um = 10;
  s.Branch(2, 1, 1, 2);
  return s;
}

// A table file as it is on disk.
inline TDataFile ReadTable(const std::string& file) {
  TDataFile t;
  ReadTableFile(file, t);
  return t;
}

}  // namespace ld::test
