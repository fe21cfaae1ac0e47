#pragma once
// The settings of diagram printing, kept in the section "PrnSchSetup" of "prnsetup.cfg" in the
// program folder (the other print dialogs keep their own sections in the same file).
#include <cstdint>
#include <string>

namespace ld::diagram {

// What the file keeps of the print font, the paper and the bitmap output.
struct TPrnSchSetup {
  std::string Name;            // print font
  std::int16_t Size = 0;       // points
  std::int16_t Charset = 0;    // Windows charset number
  std::uint8_t Style = 0;      // bold 1, italic 2, underline 4, strike-out 8
  std::uint8_t Orient = 0;     // 0 portrait, 1 landscape
  float Top = 0, Left = 0, Bottom = 0, Right = 0;  // margins, cm
  std::string BmpFile;         // empty: "schem.bmp" in the program folder
};

// The check boxes and the line-width text, which go straight between the file and the dialog's
// controls. The initial values are the controls' own before the file is read.
struct TPrnSchChecks {
  bool FitToPage = false;
  bool FlagPageNum = false;
  bool FlagOutBmp = false;
  bool IsColor = false;
  std::string LinWidth;  // the text of the line-width edit
};

// "prnsetup.cfg" in the program folder, found without regard to letter case.
std::string PrnSchSetupFileName();

// Clears the record, then reads the keys in their order. A key that cannot be read (a margin that is
// no number, a number its field cannot hold) shows "Ошибка чтения файла конфигурации prnsetup.cfg"
// and stops the reading: what was read stays, the rest stays cleared. False after such a failure.
bool ReadPrnSchSetup(const std::string& fileName, TPrnSchSetup& setup, TPrnSchChecks& checks);

// Writes every key in its order, the margins in the general format with 7 digits; a failure shows
// "Ошибка записи файла конфигурации prnsetup.cfg" and gives False.
bool WritePrnSchSetup(const std::string& fileName, const TPrnSchSetup& setup, const TPrnSchChecks& checks);

// The bitmap file the dialog shows: the stored one, or "schem.bmp" in the program folder.
std::string ShownBmpFile(const TPrnSchSetup& setup);

}  // namespace ld::diagram
