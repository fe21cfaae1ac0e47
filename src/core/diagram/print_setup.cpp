#include "core/diagram/print_setup.h"

#include <cfloat>
#include <cmath>
#include <exception>
#include <limits>

#include "core/base/error.h"
#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"

namespace ld::diagram {

namespace {

const std::string kSection = "PrnSchSetup";

// A whole number that the field's type holds; a key the reader gives up on otherwise.
template <typename T>
T ReadNumber(const TMemIniFile& ini, const std::string& key, int def) {
  const int v = ini.ReadInteger(kSection, key, def);
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
    throw ConvertError("\"" + key + "\" вне допустимых пределов");
  return static_cast<T>(v);
}

// Margins are decimal texts; the default is a text too, so an empty value reads as 0.
float ReadMargin(const TMemIniFile& ini, const std::string& key, const char* def) {
  const double v = StrToFloatZ(ini.ReadString(kSection, key, def));
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) throw ConvertError("\"" + key + "\" вне допустимых пределов");
  return static_cast<float>(v);
}

std::string MarginText(float v) { return FloatToStrGeneral(SingleToDouble(v), 7); }

}  // namespace

std::string PrnSchSetupFileName() { return FindFileNoCase(ProgramDir + "prnsetup.cfg"); }

bool ReadPrnSchSetup(const std::string& fileName, TPrnSchSetup& s, TPrnSchChecks& c) {
  s = TPrnSchSetup{};
  try {
    const TMemIniFile ini(fileName);
    s.Name = ini.ReadString(kSection, "Name", "Courier New");
    s.Size = ReadNumber<std::int16_t>(ini, "Size", 10);
    s.Style = ReadNumber<std::uint8_t>(ini, "Style", 0);
    s.Charset = ReadNumber<std::int16_t>(ini, "Charset", 0);
    s.Top = ReadMargin(ini, "Top", "1");
    s.Left = ReadMargin(ini, "Left", "2");
    s.Bottom = ReadMargin(ini, "Bottom", "1");
    s.Right = ReadMargin(ini, "Right", "1");
    s.Orient = ReadNumber<std::uint8_t>(ini, "Orient", 0);
    c.FitToPage = ini.ReadBool(kSection, "FitToPage", false);
    c.FlagPageNum = ini.ReadBool(kSection, "FlagPageNum", true);
    c.FlagOutBmp = ini.ReadBool(kSection, "FlagOutBmp", false);
    s.BmpFile = ini.ReadString(kSection, "BmpFile", "");
    c.IsColor = ini.ReadBool(kSection, "IsColor", false);
    c.LinWidth = IntToStr(ini.ReadInteger(kSection, "LinWidth", 2));
    return true;
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка чтения файла конфигурации prnsetup.cfg", mkError, mbOk);
    return false;
  }
}

bool WritePrnSchSetup(const std::string& fileName, const TPrnSchSetup& s, const TPrnSchChecks& c) {
  try {
    TMemIniFile ini(fileName);
    ini.WriteString(kSection, "Name", s.Name);
    ini.WriteInteger(kSection, "Size", s.Size);
    ini.WriteInteger(kSection, "Style", s.Style);
    ini.WriteInteger(kSection, "Charset", s.Charset);
    ini.WriteString(kSection, "Top", MarginText(s.Top));
    ini.WriteString(kSection, "Left", MarginText(s.Left));
    ini.WriteString(kSection, "Bottom", MarginText(s.Bottom));
    ini.WriteString(kSection, "Right", MarginText(s.Right));
    ini.WriteInteger(kSection, "Orient", s.Orient);
    ini.WriteBool(kSection, "FitToPage", c.FitToPage);
    ini.WriteBool(kSection, "FlagPageNum", c.FlagPageNum);
    ini.WriteBool(kSection, "FlagOutBmp", c.FlagOutBmp);
    ini.WriteString(kSection, "BmpFile", s.BmpFile);
    ini.WriteBool(kSection, "IsColor", c.IsColor);
    int width = 1;  // what the edit puts in place of a text that is no whole number
    try {
      width = StrToIntZ(RemoveBlanks(c.LinWidth));
    } catch (const ConvertError&) {
    }
    ini.WriteInteger(kSection, "LinWidth", width);
    ini.UpdateFile();
    return true;
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка записи файла конфигурации prnsetup.cfg", mkError, mbOk);
    return false;
  }
}

std::string ShownBmpFile(const TPrnSchSetup& setup) {
  return setup.BmpFile.empty() ? ProgramDir + "schem.bmp" : setup.BmpFile;
}

}  // namespace ld::diagram
