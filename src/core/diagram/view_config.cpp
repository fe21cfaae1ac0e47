// Drawing settings of a control in the program INI file: the host's two sections and the shared
// voltage-class sections [vUn], [cUn], [wLn].
#include <algorithm>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

std::string ConfigShortName() { return std::filesystem::path(ConfigFileName).filename().string(); }

// The text after the first "=" of each line of a section, in file order; the keys do not matter.
std::vector<std::string> SectionValues(const TMemIniFile& ini, const std::string& section) {
  std::vector<std::string> values;
  for (const std::string& line : ini.ReadSectionValues(section)) {
    const auto eq = line.find('=');
    values.push_back(eq == std::string::npos ? std::string() : line.substr(eq + 1));
  }
  return values;
}

// A whole number as the class colours and widths are written; anything else stops the reading.
std::int32_t WholeNumber(const std::string& text) {
  const std::string t = TrimTrailSpaces(TrimLeadSpaces(text));
  if (t.empty()) throw ConvertError("\"" + text + "\" не целое число");
  return StrToIntZ(t);
}

float ReadSingle(const TMemIniFile& ini, const std::string& section, const std::string& key, double def) {
  return static_cast<float>(IniReadFloat(ini, section, key, def));
}

}  // namespace

void TSchemBoxState::LoadViewConfig(const std::string& section, const std::string& colorSection) {
  try {
    const TMemIniFile ini(ConfigFileName);
    const std::string& s = section;
    Font.Name = ini.ReadString(s, "FntName", "Arial");
    Font.SetSize(ini.ReadInteger(s, "FntSize", 10));
    const int style = ini.ReadInteger(s, "FntStyle", 0);
    if (style & 1) Font.Style |= fsBold;
    if (style & 2) Font.Style |= fsItalic;
    Font.Color = ini.ReadInteger(s, "FntColor", 0);
    KYe = ReadSingle(ini, s, "KYe", 1.3);
    KXe = ReadSingle(ini, s, "KXe", 1.0);
    KXv = ReadSingle(ini, s, "KXv", 0.5);
    KdY = ReadSingle(ini, s, "KdY", 1.0);
    KdYsc = ReadSingle(ini, s, "KdYsc", 0.75);
    KdXsc = ReadSingle(ini, s, "KdXsc", 0.25);
    KYcom = ReadSingle(ini, s, "KYcom", 0.5);
    KXcom = ReadSingle(ini, s, "KXcom", 0.5);
    KXzam = ReadSingle(ini, s, "KXzam", 2.25);
    KYzam = ReadSingle(ini, s, "KYzam", 0.75);
    KYlnk = ReadSingle(ini, s, "KYlnk", 0.65);
    KYmrk = ReadSingle(ini, s, "KYmrk", 0.75);
    FPaintNod = static_cast<std::uint8_t>(ini.ReadInteger(s, "FPaintNod", 1));
    FlagNumES = ini.ReadBool(s, "FlagNumES", false);
    FAddPrim = ini.ReadBool(s, "FAddPrim", false);
    FOrdNames = ini.ReadBool(s, "FOrdNames", true);
    FOrdLayer = ini.ReadBool(s, "FOrdLayer", true);
    FOptimLen = ini.ReadBool(s, "FOptimLen", true);
    FShiftLR = ini.ReadBool(s, "FShiftLR", true);
    FIntegral = ini.ReadBool(s, "FIntegral", true);
    FSection = ini.ReadBool(s, "FSection", true);
    FLinks = ini.ReadBool(s, "FLinks", true);
    FSnomTr2 = ini.ReadBool(s, "FSnomTr2", false);
    FCommut = ini.ReadBool(s, "FCommut", true);
    FSNR = ini.ReadBool(s, "FSNR", true);
    FRealCommut = ini.ReadBool(s, "FRealCommut", false);
    FTap = ini.ReadBool(s, "FTap", true);
    FMarkTr = ini.ReadBool(s, "FMarkTr", false);
    FNumTr = ini.ReadBool(s, "FNumTr", true);
    FSnomTr = ini.ReadBool(s, "FSnomTr", true);
    FLoadTr = ini.ReadBool(s, "FLoadTr", false);
    FMarkLn = ini.ReadBool(s, "FMarkLn", true);
    FNumLn = ini.ReadBool(s, "FNumLn", false);
    FIdopLn = ini.ReadBool(s, "FIdopLn", false);
    FLoadLn = ini.ReadBool(s, "FLoadLn", false);
    FMarkRt = ini.ReadBool(s, "FMarkRt", false);
    FZYKtr = ini.ReadBool(s, "FZYKtr", false);
    FAbon = ini.ReadBool(s, "FAbon", false);
    FRayon = ini.ReadBool(s, "FRayon", false);
    FlagU = ini.ReadBool(s, "FlagU", false);
    FlagI = ini.ReadBool(s, "FlagI", false);
    FlagP = ini.ReadBool(s, "FlagP", false);
    FlagQ = ini.ReadBool(s, "FlagQ", false);
    FresPQ = ini.ReadBool(s, "FresPQ", false);
    FlagEERM = ini.ReadBool(s, "FlagEERM", false);
    FCos = ini.ReadBool(s, "FCos", false);
    FlagDR = ini.ReadBool(s, "FlagDR", false);
    FOneFlow = ini.ReadBool(s, "FOneFlow", false);
    FTypFlow = static_cast<std::uint8_t>(ini.ReadInteger(s, "FTypFlow", 0));
    IPrec = ini.ReadInteger(s, "IPrec", 0);
    SPrec = ini.ReadInteger(s, "SPrec", 0);
    UPrec = ini.ReadInteger(s, "UPrec", 2);
    IMul = IniReadFloat(ini, s, "IMul", 1.0);
    SMul = IniReadFloat(ini, s, "SMul", 1000.0);
    hNumNode = ini.ReadBool(s, "hNumNode", false);
    hNameNode = ini.ReadBool(s, "hNameNode", false);
    hVoltage = ini.ReadBool(s, "hVoltage", false);
    hPower = ini.ReadBool(s, "hPower", false);
    hEnergy = ini.ReadBool(s, "hEnergy", false);
    hNumsLine = ini.ReadBool(s, "hNumsLine", false);
    hNameLine = ini.ReadBool(s, "hNameLine", false);
    hDSNumLine = ini.ReadBool(s, "hDSNumLine", false);
    hMarkLine = ini.ReadBool(s, "hMarkLine", false);
    hBegFlow = ini.ReadBool(s, "hBegFlow", false);
    hEndFlow = ini.ReadBool(s, "hEndFlow", false);
    hRange = ini.ReadBool(s, "hRange", false);
    fMoveFlows = ini.ReadBool(s, "fMoveFlows", false);
    Delay = ini.ReadInteger(s, "Delay", 24);

    const std::string& c = colorSection;
    tColors = ini.ReadInteger(c, "tColors", 0);
    cBk = ini.ReadInteger(c, "cBk", 16777215);
    cNod = ini.ReadInteger(c, "cNod", 8454143);
    cLin = ini.ReadInteger(c, "cLin", 0);
    tLin = ini.ReadInteger(c, "tLin", 1);
    cBP = ini.ReadInteger(c, "cBP", 16776960);
    cFM = ini.ReadInteger(c, "cFM", 65280);
    cNoSup = ini.ReadInteger(c, "cNoSup", 12632256);
    cLoad = ini.ReadInteger(c, "cLoad", 255);
    cNet = ini.ReadInteger(c, "cNet", 0);
    cAbn = ini.ReadInteger(c, "cAbn", 16711680);
    cNoHost = ini.ReadInteger(c, "cNoHost", 255);
    cOther = ini.ReadInteger(c, "cOther", 32768);
    fFlowP = ini.ReadBool(c, "fFlowP", true);
    fFlowQ = ini.ReadBool(c, "fFlowQ", true);
    cFlowP = ini.ReadInteger(c, "cFlowP", 255);
    cFlowQ = ini.ReadInteger(c, "cFlowQ", 16711680);
    wFlowP = ini.ReadInteger(c, "wFlowP", 1);
    wFlowQ = ini.ReadInteger(c, "wFlowQ", 1);
    fBP = ini.ReadBool(c, "fBP", false);
    fFM = ini.ReadBool(c, "fFM", false);
    fNoSup = ini.ReadBool(c, "fNoSup", true);
    fLoad = ini.ReadBool(c, "fLoad", true);

    CutMark = ini.ReadBool("Export", "CutMark", true);

    // Each class list is replaced as a whole once its section has been read.
    std::vector<float> voltages;
    for (const std::string& v : SectionValues(ini, "vUn")) voltages.push_back(static_cast<float>(StrToFloatZ(v)));
    vUn = std::move(voltages);
    std::vector<std::int32_t> colours;
    for (const std::string& v : SectionValues(ini, "cUn")) colours.push_back(WholeNumber(v));
    cUn = std::move(colours);
    std::vector<std::int32_t> widths;
    for (const std::string& v : SectionValues(ini, "wLn")) widths.push_back(WholeNumber(v));
    wLn = std::move(widths);

    std::vector<std::int32_t> classes;
    for (int i = 1; i <= IniRec.UnomList->Count; ++i)
      classes.push_back(static_cast<std::int32_t>(Round(IniRec.UnomList->Get(i) * 100)));
    std::stable_sort(classes.begin(), classes.end());
    ClassVoltages = std::move(classes);
  } catch (const Error&) {
    ShowMsgForm("Ошибка чтения файла конфигурации " + ConfigShortName(), mkError, mbOk);
  }
}

void TSchemBoxState::SaveViewConfig(const std::string& section, const std::string& colorSection) {
  try {
    TMemIniFile ini(ConfigFileName);
    const std::string& s = section;
    ini.WriteString(s, "FntName", Font.Name);
    ini.WriteInteger(s, "FntSize", Font.Size());
    ini.WriteInteger(s, "FntStyle", ((Font.Style & fsBold) ? 1 : 0) + ((Font.Style & fsItalic) ? 2 : 0));
    ini.WriteInteger(s, "FntColor", Font.Color);
    ini.WriteSingle(s, "KYe", KYe);
    ini.WriteSingle(s, "KXe", KXe);
    ini.WriteSingle(s, "KXv", KXv);
    ini.WriteSingle(s, "KdY", KdY);
    ini.WriteSingle(s, "KdYsc", KdYsc);
    ini.WriteSingle(s, "KdXsc", KdXsc);
    ini.WriteSingle(s, "KYcom", KYcom);
    ini.WriteSingle(s, "KXcom", KXcom);
    ini.WriteSingle(s, "KXzam", KXzam);
    ini.WriteSingle(s, "KYzam", KYzam);
    ini.WriteSingle(s, "KYlnk", KYlnk);
    ini.WriteSingle(s, "KYmrk", KYmrk);
    ini.WriteInteger(s, "FPaintNod", FPaintNod);
    ini.WriteBool(s, "FlagNumES", FlagNumES);
    ini.WriteBool(s, "FAddPrim", FAddPrim);
    ini.WriteBool(s, "FOrdNames", FOrdNames);
    ini.WriteBool(s, "FOrdLayer", FOrdLayer);
    ini.WriteBool(s, "FOptimLen", FOptimLen);
    ini.WriteBool(s, "FShiftLR", FShiftLR);
    ini.WriteBool(s, "FIntegral", FIntegral);
    ini.WriteBool(s, "FSection", FSection);
    ini.WriteBool(s, "FLinks", FLinks);
    ini.WriteBool(s, "FSnomTr2", FSnomTr2);
    ini.WriteBool(s, "FCommut", FCommut);
    ini.WriteBool(s, "FSNR", FSNR);
    ini.WriteBool(s, "FRealCommut", FRealCommut);
    ini.WriteBool(s, "FTap", FTap);
    ini.WriteBool(s, "FMarkTr", FMarkTr);
    ini.WriteBool(s, "FNumTr", FNumTr);
    ini.WriteBool(s, "FSnomTr", FSnomTr);
    ini.WriteBool(s, "FLoadTr", FLoadTr);
    ini.WriteBool(s, "FMarkLn", FMarkLn);
    ini.WriteBool(s, "FNumLn", FNumLn);
    ini.WriteBool(s, "FIdopLn", FIdopLn);
    ini.WriteBool(s, "FLoadLn", FLoadLn);
    ini.WriteBool(s, "FMarkRt", FMarkRt);
    ini.WriteBool(s, "FZYKtr", FZYKtr);
    ini.WriteBool(s, "FAbon", FAbon);
    ini.WriteBool(s, "FRayon", FRayon);
    ini.WriteBool(s, "FlagU", FlagU);
    ini.WriteBool(s, "FlagI", FlagI);
    ini.WriteBool(s, "FlagP", FlagP);
    ini.WriteBool(s, "FlagQ", FlagQ);
    ini.WriteBool(s, "FresPQ", FresPQ);
    ini.WriteBool(s, "FlagEERM", FlagEERM);
    ini.WriteBool(s, "FCos", FCos);
    ini.WriteBool(s, "FlagDR", FlagDR);
    ini.WriteBool(s, "FOneFlow", FOneFlow);
    ini.WriteInteger(s, "FTypFlow", FTypFlow);
    ini.WriteInteger(s, "IPrec", IPrec);
    ini.WriteInteger(s, "SPrec", SPrec);
    ini.WriteInteger(s, "UPrec", UPrec);
    ini.WriteFloat(s, "IMul", IMul);
    ini.WriteFloat(s, "SMul", SMul);
    ini.WriteBool(s, "hNumNode", hNumNode);
    ini.WriteBool(s, "hNameNode", hNameNode);
    ini.WriteBool(s, "hVoltage", hVoltage);
    ini.WriteBool(s, "hPower", hPower);
    ini.WriteBool(s, "hEnergy", hEnergy);
    ini.WriteBool(s, "hNumsLine", hNumsLine);
    ini.WriteBool(s, "hNameLine", hNameLine);
    ini.WriteBool(s, "hDSNumLine", hDSNumLine);
    ini.WriteBool(s, "hMarkLine", hMarkLine);
    ini.WriteBool(s, "hBegFlow", hBegFlow);
    ini.WriteBool(s, "hEndFlow", hEndFlow);
    ini.WriteBool(s, "hRange", hRange);
    ini.WriteBool(s, "fMoveFlows", fMoveFlows);
    ini.WriteInteger(s, "Delay", Delay);

    const std::string& c = colorSection;
    ini.WriteInteger(c, "tColors", tColors);
    ini.WriteInteger(c, "cBk", cBk);
    ini.WriteInteger(c, "cNod", cNod);
    ini.WriteInteger(c, "cLin", cLin);
    ini.WriteInteger(c, "tLin", tLin);
    ini.WriteInteger(c, "cBP", cBP);
    ini.WriteInteger(c, "cFM", cFM);
    ini.WriteInteger(c, "cNoSup", cNoSup);
    ini.WriteInteger(c, "cLoad", cLoad);
    ini.WriteInteger(c, "cNet", cNet);
    ini.WriteInteger(c, "cAbn", cAbn);
    ini.WriteInteger(c, "cNoHost", cNoHost);
    ini.WriteInteger(c, "cOther", cOther);
    ini.WriteBool(c, "fFlowP", fFlowP);
    ini.WriteBool(c, "fFlowQ", fFlowQ);
    ini.WriteInteger(c, "cFlowP", cFlowP);
    ini.WriteInteger(c, "cFlowQ", cFlowQ);
    ini.WriteInteger(c, "wFlowP", wFlowP);
    ini.WriteInteger(c, "wFlowQ", wFlowQ);
    ini.WriteBool(c, "fBP", fBP);
    ini.WriteBool(c, "fFM", fFM);
    ini.WriteBool(c, "fNoSup", fNoSup);
    ini.WriteBool(c, "fLoad", fLoad);

    // The control keeps its classes: a host that saves at every close and reads only once would
    // otherwise write empty class sections the second time.
    ini.EraseSection("vUn");
    for (std::size_t k = 0; k < vUn.size(); ++k) ini.WriteSingle("vUn", IntToStr(k + 1), vUn[k]);
    ini.EraseSection("cUn");
    for (std::size_t k = 0; k < cUn.size(); ++k) ini.WriteInteger("cUn", IntToStr(k + 1), cUn[k]);
    ini.EraseSection("wLn");
    for (std::size_t k = 0; k < wLn.size(); ++k) ini.WriteInteger("wLn", IntToStr(k + 1), wLn[k]);
    ini.UpdateFile();
  } catch (const Error&) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ConfigShortName(), mkError, mbOk);
  }
}

}  // namespace ld::diagram
