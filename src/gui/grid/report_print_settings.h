#pragma once
// The settings of the report print dialog, kept in the section "PrnSetup" of "prnsetup.cfg" in the
// program folder (other print dialogs keep their own sections in the same file).
#include <cstdint>
#include <string>

namespace ld {

struct TPrnSettings {
  std::string FontName = "Courier New";
  int FontSize = 10;           // points
  std::uint8_t FontStyle = 0;  // bold 1, italic 2, underline 4, strike-out 8
  int Charset = 0;             // kept for the workstations that share the file
  double Top = 1, Left = 2, Bottom = 1, Right = 1;  // margins, cm
  int Orient = 0;                                   // 0 portrait, 1 landscape
  bool FlagPageNum = true;
  bool FlagOutText = false;
  std::string TextFile;
};

// One record per process: the dialog reads it when it opens and writes it when it closes.
extern TPrnSettings PrnSettings;

// "prnsetup.cfg" in the program folder, found without regard to letter case.
std::string PrnSetupFileName();

// Reads the keys in their order; a key that cannot be read stops the reading, keeping the values read
// before it (the rest keep their defaults). False when the file could not be read.
bool ReadPrnSettings(const std::string& fileName, TPrnSettings& settings);
// False when the file could not be written.
bool WritePrnSettings(const std::string& fileName, const TPrnSettings& settings);

}  // namespace ld
