#include "core/catalogs/catwin_settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/file_replace.h"
#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"

namespace ld {

namespace {

constexpr char kGraphics[] = "Graphics";
constexpr char kPrnGrf[] = "PrnGrfSetup";

std::string ShortName(const std::string& fileName) { return std::filesystem::path(fileName).filename().string(); }

// Integers and booleans that are no numbers read as their defaults; only dates and decimals can fail.
void ReadKeys(const TMemIniFile& ini, TGraphDisplaySettings& s) {
  s.Date1 = IniReadDateTime(ini, kGraphics, "Date1", s.Date1);
  s.Date2 = IniReadDateTime(ini, kGraphics, "Date2", s.Date2);
  s.CurPeriod = ini.ReadInteger(kGraphics, "CurPeriod", s.CurPeriod);
  TGraphPlotSettings& p = s.Plot;
  p.BackColor = static_cast<TPlotColor>(ini.ReadInteger(kGraphics, "BackColor", static_cast<int>(p.BackColor)));
  p.FrameColor = static_cast<TPlotColor>(ini.ReadInteger(kGraphics, "FrameColor", static_cast<int>(p.FrameColor)));
  p.GraphColor = static_cast<TPlotColor>(ini.ReadInteger(kGraphics, "GraphColor", static_cast<int>(p.GraphColor)));
  p.Wmin = ini.ReadInteger(kGraphics, "Wmin", p.Wmin);
  p.LinWidth = ini.ReadInteger(kGraphics, "LinWidth", p.LinWidth);
  p.Radius = ini.ReadInteger(kGraphics, "Radius", p.Radius);
  p.FLegend = ini.ReadBool(kGraphics, "FLegend", p.FLegend);
  p.FixedX = ini.ReadBool(kGraphics, "FixedX", p.FixedX);
  p.FixedY = ini.ReadBool(kGraphics, "FixedY", p.FixedY);
  p.Yf1 = IniReadFloat(ini, kGraphics, "Yf1", p.Yf1);
  p.Yf2 = IniReadFloat(ini, kGraphics, "Yf2", p.Yf2);
  p.dY = IniReadFloat(ini, kGraphics, "dY", p.dY);
  p.Yx = IniReadFloat(ini, kGraphics, "Yx", p.Yx);
}

}  // namespace

TGraphDisplaySettings::TGraphDisplaySettings() {
  Date1 = Date2 = Date();
  Plot.FrameColor = 0xC0C0C0;
  Plot.FixedX = true;
}

void ReadGraphDisplaySettings(const std::string& iniFile, TGraphDisplaySettings& settings) {
  try {
    const TMemIniFile ini(iniFile);
    ReadKeys(ini, settings);
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка чтения файла конфигурации " + ShortName(iniFile), mkError, mbOk);
  }
}

void WriteGraphDisplaySettings(const std::string& iniFile, const TGraphDisplaySettings& s) {
  try {
    TMemIniFile ini(iniFile);
    IniWriteDateTime(ini, kGraphics, "Date1", s.Date1);
    IniWriteDateTime(ini, kGraphics, "Date2", s.Date2);
    ini.WriteInteger(kGraphics, "CurPeriod", s.CurPeriod);
    const TGraphPlotSettings& p = s.Plot;
    ini.WriteInteger(kGraphics, "BackColor", static_cast<int>(p.BackColor));
    ini.WriteInteger(kGraphics, "FrameColor", static_cast<int>(p.FrameColor));
    ini.WriteInteger(kGraphics, "GraphColor", static_cast<int>(p.GraphColor));
    ini.WriteInteger(kGraphics, "Wmin", p.Wmin);
    ini.WriteInteger(kGraphics, "LinWidth", p.LinWidth);
    ini.WriteInteger(kGraphics, "Radius", p.Radius);
    ini.WriteBool(kGraphics, "FLegend", p.FLegend);
    ini.WriteBool(kGraphics, "FixedX", p.FixedX);
    ini.WriteBool(kGraphics, "FixedY", p.FixedY);
    ini.WriteFloat(kGraphics, "Yf1", p.Yf1);
    ini.WriteFloat(kGraphics, "Yf2", p.Yf2);
    ini.WriteFloat(kGraphics, "dY", p.dY);
    ini.WriteFloat(kGraphics, "Yx", p.Yx);
    ini.UpdateFile();
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ShortName(iniFile), mkError, mbOk);
  }
}

bool ReadPrnGrfSettings(const std::string& fileName, TPrnGrfSettings& s, std::string* reason) {
  const char* key = "";
  try {
    const TMemIniFile ini(fileName);
    // Centimetres on a sheet: a value no page can hold would only make every printing fail later.
    const auto margin = [&](const char* name, float def) {
      key = name;
      const double value = IniReadFloat(ini, kPrnGrf, name, def);
      if (!(value >= 0 && value <= kMaxPrintMargin)) throw Error("недопустимое значение");
      return static_cast<float>(value);
    };
    s.Top = margin("Top", s.Top);
    s.Left = margin("Left", s.Left);
    s.Bottom = margin("Bottom", s.Bottom);
    s.Right = margin("Right", s.Right);
    key = "";
    s.Orient = ini.ReadInteger(kPrnGrf, "Orient", s.Orient);
    s.FlagOutBmp = ini.ReadBool(kPrnGrf, "FlagOutBmp", s.FlagOutBmp);
    s.BmpFile = ini.ReadString(kPrnGrf, "BmpFile", s.BmpFile);
    return true;
  } catch (const TFileError& e) {
    if (reason) *reason = e.Reason();
    return false;
  } catch (const std::exception&) {
    if (reason) {
      *reason = *key != 0 ? std::string("недопустимое значение ключа ") + key + " в разделе [" + kPrnGrf + "]"
                          : std::string("недопустимое значение в разделе [") + kPrnGrf + "]";
    }
    return false;
  }
}

bool WritePrnGrfSettings(const std::string& fileName, const TPrnGrfSettings& s) {
  try {
    TMemIniFile ini(fileName);
    ini.WriteSingle(kPrnGrf, "Top", s.Top);
    ini.WriteSingle(kPrnGrf, "Left", s.Left);
    ini.WriteSingle(kPrnGrf, "Bottom", s.Bottom);
    ini.WriteSingle(kPrnGrf, "Right", s.Right);
    ini.WriteInteger(kPrnGrf, "Orient", s.Orient);
    ini.WriteBool(kPrnGrf, "FlagOutBmp", s.FlagOutBmp);
    ini.WriteString(kPrnGrf, "BmpFile", s.BmpFile);
    ini.UpdateFile();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool PlaceGraphOnPage(const TPrnGrfSettings& m, int pageWidth, int pageHeight, double dpiX, double dpiY,
                      double screenDpiX, double screenDpiY, int width, int height, TPrintPlacement& placement) {
  placement = TPrintPlacement{};
  // Printer pixels; a length no page has (a margin typed as 1E30) leaves no room instead of overflowing.
  bool fits = true;
  const auto pixels = [&fits](double value) {
    if (!(std::fabs(value) <= 1e9)) {
      fits = false;
      return 0;
    }
    return static_cast<int>(Round(value));
  };
  const int left = pixels(dpiX * m.Left / 2.54);
  const int right = pixels(dpiX * m.Right / 2.54);
  const int top = pixels(dpiY * m.Top / 2.54);
  const int bottom = pixels(dpiY * m.Bottom / 2.54);
  if (!fits) return false;
  const std::int64_t roomWidth = std::int64_t{pageWidth} - left - right;
  const std::int64_t roomHeight = std::int64_t{pageHeight} - top - bottom;
  if (roomWidth <= 0 || roomHeight <= 0 || roomWidth > INT32_MAX || roomHeight > INT32_MAX || screenDpiX <= 0 ||
      screenDpiY <= 0)
    return false;
  const double printedWidth = pixels(width * dpiX / screenDpiX);
  const double printedHeight = pixels(height * dpiY / screenDpiY);
  if (!fits) return false;
  if (printedWidth <= 0 || printedHeight <= 0) return false;
  const double scale = std::min(static_cast<double>(roomWidth) / printedWidth, static_cast<double>(roomHeight) / printedHeight);
  placement.Left = left;
  placement.Top = top;
  placement.Width = static_cast<int>(Round(printedWidth * scale));
  placement.Height = static_cast<int>(Round(printedHeight * scale));
  return true;
}

}  // namespace ld
