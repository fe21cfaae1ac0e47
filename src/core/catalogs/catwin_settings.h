#pragma once
// Settings that the graph windows keep between runs: the display settings of the graph catalogue
// window (section "Graphics" of the program INI file) and the graph print settings (section
// "PrnGrfSetup" of "prnsetup.cfg").
#include <string>

#include "core/base/dates.h"
#include "core/catalogs/catwin_plot.h"

namespace ld {

struct TGraphDisplaySettings {
  TDateTime Date1 = 0, Date2 = 0;  // the display interval
  int CurPeriod = 3600;            // common period of joint plots, seconds
  TGraphPlotSettings Plot;
  TGraphDisplaySettings();         // the defaults of a missing section (today's date)
};

// Reads the section; a key that cannot be read shows "Ошибка чтения файла конфигурации <name>" and
// stops the reading, the values read before it staying.
void ReadGraphDisplaySettings(const std::string& iniFile, TGraphDisplaySettings& settings);
// Writes every key in its order; a failure shows "Ошибка записи файла конфигурации <name>".
void WriteGraphDisplaySettings(const std::string& iniFile, const TGraphDisplaySettings& settings);

struct TPrnGrfSettings {
  float Top = 1, Left = 2, Bottom = 1, Right = 1;  // margins, cm
  int Orient = 0;                                  // 0 portrait, 1 landscape
  bool FlagOutBmp = false;                         // a bitmap file instead of the printer
  std::string BmpFile;
};

// The largest margin a settings file may give, in centimetres.
constexpr double kMaxPrintMargin = 1000;
// False when the file could not be read or holds a margin that is no number of 0..kMaxPrintMargin
// (the values read before the failure stay); reason then says why, naming the key.
bool ReadPrnGrfSettings(const std::string& fileName, TPrnGrfSettings& settings, std::string* reason = nullptr);
bool WritePrnGrfSettings(const std::string& fileName, const TPrnGrfSettings& settings);

// Where a picture of width x height screen pixels goes on a page of pageWidth x pageHeight printer
// pixels, printer resolution dpiX x dpiY, screen resolution screenDpiX x screenDpiY, the margins in
// centimetres: scaled to fit the room between the margins with its proportions kept. Empty (false)
// when the margins leave no room.
struct TPrintPlacement {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};
bool PlaceGraphOnPage(const TPrnGrfSettings& margins, int pageWidth, int pageHeight, double dpiX, double dpiY,
                      double screenDpiX, double screenDpiY, int width, int height, TPrintPlacement& placement);

}  // namespace ld
