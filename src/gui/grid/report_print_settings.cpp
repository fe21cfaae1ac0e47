#include "gui/grid/report_print_settings.h"

#include <exception>

#include "core/base/inifile.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"

namespace ld {

TPrnSettings PrnSettings;

namespace {
const std::string kSection = "PrnSetup";
}  // namespace

std::string PrnSetupFileName() { return FindFileNoCase(ProgramDir + "prnsetup.cfg"); }

bool ReadPrnSettings(const std::string& fileName, TPrnSettings& s) {
  try {
    const TMemIniFile ini(fileName);
    s.FontName = ini.ReadString(kSection, "Name", s.FontName);
    s.FontSize = ini.ReadInteger(kSection, "Size", s.FontSize);
    s.FontStyle = static_cast<std::uint8_t>(ini.ReadInteger(kSection, "Style", s.FontStyle));
    s.Charset = ini.ReadInteger(kSection, "Charset", s.Charset);
    s.Top = IniReadFloat(ini, kSection, "Top", s.Top);
    s.Left = IniReadFloat(ini, kSection, "Left", s.Left);
    s.Bottom = IniReadFloat(ini, kSection, "Bottom", s.Bottom);
    s.Right = IniReadFloat(ini, kSection, "Right", s.Right);
    s.Orient = ini.ReadInteger(kSection, "Orient", s.Orient);
    s.FlagPageNum = ini.ReadBool(kSection, "FlagPageNum", s.FlagPageNum);
    s.FlagOutText = ini.ReadBool(kSection, "FlagOutText", s.FlagOutText);
    s.TextFile = ini.ReadString(kSection, "TextFile", s.TextFile);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool WritePrnSettings(const std::string& fileName, const TPrnSettings& s) {
  try {
    TMemIniFile ini(fileName);
    ini.WriteString(kSection, "Name", s.FontName);
    ini.WriteInteger(kSection, "Size", s.FontSize);
    ini.WriteInteger(kSection, "Style", s.FontStyle);
    ini.WriteInteger(kSection, "Charset", s.Charset);
    ini.WriteString(kSection, "Top", FloatToStrGeneral(s.Top, 7));
    ini.WriteString(kSection, "Left", FloatToStrGeneral(s.Left, 7));
    ini.WriteString(kSection, "Bottom", FloatToStrGeneral(s.Bottom, 7));
    ini.WriteString(kSection, "Right", FloatToStrGeneral(s.Right, 7));
    ini.WriteInteger(kSection, "Orient", s.Orient);
    ini.WriteBool(kSection, "FlagPageNum", s.FlagPageNum);
    ini.WriteBool(kSection, "FlagOutText", s.FlagOutText);
    ini.WriteString(kSection, "TextFile", s.TextFile);
    ini.UpdateFile();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace ld
