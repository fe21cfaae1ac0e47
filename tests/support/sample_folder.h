#pragma once
// The program's sample base and schemes in a test's own folder, set up as the program finds them at start.
#include <filesystem>
#include <string>

#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/unom.h"
#include "support/test_env.h"

namespace ld::test {

// Puts a fresh copy of the program folder's files in `folder` (whatever stood there goes first) and
// reads it as the program does at start: the program's layout file, the settings of a first start with
// the folder as the base path, and the nominal voltages of its catalogue.
inline void ReadySampleFolder(const std::string& folder) {
  std::filesystem::remove_all(folder);
  MaketFileName = (DataDir() / "maket.zr").string();
  IniRec = TIniRec();
  IniRec.Path = folder + "/";
  CopyDataFiles(folder);
  ReadNominalVoltageList();
}

}  // namespace ld::test
