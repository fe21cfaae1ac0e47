#include "core/base/settings.h"

#include <filesystem>
#include <type_traits>
#include <variant>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/strings.h"

namespace ld {

TIniRec IniRec;
std::string ProgramDir;
std::string ConfigFileName;
const std::string NominalVoltageFileName = "sprav_UN.cat";

namespace {

// How a key is kept in the file. Singles and doubles share the tolerant reader; RI and RS have always
// been read by the INI file's own float reader, which gives the default for a non-number.
enum class Kind { Bool, Byte, Int, Single, Double, DateTime, String, IniSingle };

using Member = std::variant<bool TIniRec::*, std::uint8_t TIniRec::*, std::int32_t TIniRec::*, float TIniRec::*,
                            double TIniRec::*, std::string TIniRec::*>;

struct Key {
  const char* section;
  const char* name;
  Member member;
  Kind kind;
};

Key K(const char* section, const char* name, bool TIniRec::*m) { return {section, name, m, Kind::Bool}; }
Key K(const char* section, const char* name, std::uint8_t TIniRec::*m) { return {section, name, m, Kind::Byte}; }
Key K(const char* section, const char* name, std::int32_t TIniRec::*m) { return {section, name, m, Kind::Int}; }
Key K(const char* section, const char* name, float TIniRec::*m) { return {section, name, m, Kind::Single}; }
Key K(const char* section, const char* name, double TIniRec::*m) { return {section, name, m, Kind::Double}; }
Key K(const char* section, const char* name, std::string TIniRec::*m) { return {section, name, m, Kind::String}; }
Key Moment(const char* section, const char* name, double TIniRec::*m) { return {section, name, m, Kind::DateTime}; }
Key IniSingle(const char* section, const char* name, float TIniRec::*m) {
  return {section, name, m, Kind::IniSingle};
}

#define KEY(section, field) K(section, #field, &TIniRec::field)

// Every stored key in the order in which the file is written; within a section by type, as the
// record groups them.
const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = {
      // Import
      KEY("Import", PathProm), KEY("Import", PathByt), KEY("Import", PathDog), KEY("Import", PathTech),
      KEY("Import", PathBase04), KEY("Import", PathXlsVF), KEY("Import", PathXlsTP), KEY("Import", PathXls110),
      KEY("Import", FlagProm), KEY("Import", FlagByt), KEY("Import", FlagDog), KEY("Import", FlagTech),
      KEY("Import", LoadLin04), KEY("Import", OutNullTr), KEY("Import", UnevenWtr), KEY("Import", FlagWFid04),
      KEY("Import", TypLin04), KEY("Import", PromTg), KEY("Import", BytTg), KEY("Import", LoadTr),
      KEY("Import", ZamerTg), KEY("Import", TypZamer),
      // Export
      KEY("Export", PrefTP), KEY("Export", EERM_D2), KEY("Export", SNR), KEY("Export", T04), KEY("Export", L04),
      KEY("Export", CutMark), KEY("Export", ChkTr), KEY("Export", NrToAll), KEY("Export", Koef),
      KEY("Export", tgf),
      // Balans
      KEY("Balans", SavePQ), KEY("Balans", PropPQ), KEY("Balans", CFlow), KEY("Balans", CLoad),
      KEY("Balans", CVolt), KEY("Balans", RNull), KEY("Balans", RZnak), KEY("Balans", RTg), KEY("Balans", WFlow),
      KEY("Balans", WLoad), KEY("Balans", WVolt), KEY("Balans", OutIter), KEY("Balans", BIter),
      KEY("Balans", BPrec), KEY("Balans", Btgf), KEY("Balans", BShift), KEY("Balans", MulKvf),
      KEY("Balans", MulKvi), KEY("Balans", MulKvu), KEY("Balans", Kv_0), KEY("Balans", Kv_1),
      KEY("Balans", Kv_2), KEY("Balans", Kv_3), KEY("Balans", Kv_4), KEY("Balans", Kv_5),
      // Regim
      KEY("Regim", FlagFM), KEY("Regim", FlagPQ), KEY("Regim", FlagRQ), KEY("Regim", FlagIF),
      KEY("Regim", SumSbal), KEY("Regim", AbsEERM), KEY("Regim", JoinZnak), KEY("Regim", Iter1),
      KEY("Regim", Iter2), KEY("Regim", CountRQ), KEY("Regim", AlgmFM), KEY("Regim", FlagU0), KEY("Regim", Tgr),
      KEY("Regim", Tpq), KEY("Regim", Dimension), KEY("Regim", Digit), KEY("Regim", Prec), KEY("Regim", Damp1),
      KEY("Regim", Damp2), KEY("Regim", Uv), KEY("Regim", Un), KEY("Regim", dQ),
      Moment("Regim", "CalcDate", &TIniRec::CalcDate),
      // Losses
      KEY("Losses", PathYear_1), KEY("Losses", PathMonth_2), KEY("Losses", PathMonth_1),
      KEY("Losses", FlagBalans), KEY("Losses", RegKtr), KEY("Losses", RegQ), KEY("Losses", LossUnom),
      KEY("Losses", LossPlus), KEY("Losses", LossAttr), KEY("Losses", TypCalcPQ), KEY("Losses", Kfgn),
      Moment("Losses", "Date1", &TIniRec::Date1), Moment("Losses", "Date2", &TIniRec::Date2),
      // BalansEnergy
      KEY("BalansEnergy", OurLoss), KEY("BalansEnergy", SumALoss), KEY("BalansEnergy", FullBalans),
      KEY("BalansEnergy", DynamicFlow), KEY("BalansEnergy", B1), KEY("BalansEnergy", B2), KEY("BalansEnergy", B3),
      KEY("BalansEnergy", B4), KEY("BalansEnergy", B5), KEY("BalansEnergy", B6), KEY("BalansEnergy", B7),
      KEY("BalansEnergy", B8), KEY("BalansEnergy", B9), KEY("BalansEnergy", B10), KEY("BalansEnergy", B11),
      KEY("BalansEnergy", B12), KEY("BalansEnergy", B13), KEY("BalansEnergy", B14), KEY("BalansEnergy", B15),
      KEY("BalansEnergy", MPp), KEY("BalansEnergy", MPm), KEY("BalansEnergy", MPn), KEY("BalansEnergy", MPg),
      // Optim_R
      KEY("Optim_R", GroupUn), KEY("Optim_R", FlagDP), KEY("Optim_R", FlagUn), KEY("Optim_R", ExceptTr),
      KEY("Optim_R", StopTr), KEY("Optim_R", RIter), KEY("Optim_R", SelectCuts), KEY("Optim_R", Algoritm),
      KEY("Optim_R", dP),
      // OptimBSK
      KEY("OptimBSK", FileMusic), KEY("OptimBSK", IgnoreASKUE), KEY("OptimBSK", FlagQctrl), KEY("OptimBSK", Tbsk),
      KEY("OptimBSK", Tmin), KEY("OptimBSK", KdP), KEY("OptimBSK", Tprt), KEY("OptimBSK", Qctrl),
      KEY("OptimBSK", Tkal), KEY("OptimBSK", GrData), Moment("OptimBSK", "EndDate", &TIniRec::EndDate),
      // EERM_D2
      KEY("EERM_D2", PrimPlants), KEY("EERM_D2", RowsPlants), KEY("EERM_D2", SchES), KEY("EERM_D2", SchEO),
      KEY("EERM_D2", SchRES), KEY("EERM_D2", CatES), KEY("EERM_D2", CatEO), KEY("EERM_D2", CatRES),
      KEY("EERM_D2", LetterTempl), KEY("EERM_D2", DodatokTempl), KEY("EERM_D2", SheetTempl),
      KEY("EERM_D2", LastFile), KEY("EERM_D2", RekvizitFile), KEY("EERM_D2", FlagVolt), KEY("EERM_D2", FlagFlow),
      KEY("EERM_D2", AutoES), KEY("EERM_D2", AutoEO), KEY("EERM_D2", AutoRES), KEY("EERM_D2", LetterToFile),
      KEY("EERM_D2", DodatokToFile), KEY("EERM_D2", AddNpp), KEY("EERM_D2", AddNdog), KEY("EERM_D2", AddNlic),
      KEY("EERM_D2", AddDsr), KEY("EERM_D2", AlignSheet), KEY("EERM_D2", NoTabl), KEY("EERM_D2", AddRES),
      KEY("EERM_D2", IndivEO), KEY("EERM_D2", IndivRES), KEY("EERM_D2", Tg05), KEY("EERM_D2", TypeDoc),
      KEY("EERM_D2", CheckPlants), KEY("EERM_D2", dUp), KEY("EERM_D2", dUm),
      // RealTime
      KEY("RealTime", FileTI), KEY("RealTime", FileTU), KEY("RealTime", VUnom), KEY("RealTime", FVarS),
      KEY("RealTime", FVarU), KEY("RealTime", FVarQ), KEY("RealTime", FVarKtr), KEY("RealTime", FGraf),
      KEY("RealTime", ImpTI), KEY("RealTime", ExpTI), KEY("RealTime", ExpTU), KEY("RealTime", FEstim),
      KEY("RealTime", FUnom), KEY("RealTime", DelayRtm), KEY("RealTime", VarS), KEY("RealTime", VarU),
      KEY("RealTime", VarTI), KEY("RealTime", CountRpt), KEY("RealTime", RCount), KEY("RealTime", RPQ),
      KEY("RealTime", RLT), KEY("RealTime", RDim), KEY("RealTime", RPrec), KEY("RealTime", RDig),
      IniSingle("RealTime", "RI", &TIniRec::RI), IniSingle("RealTime", "RS", &TIniRec::RS),
      // Iemk, TKZ (RadiusTKZ follows it)
      KEY("Iemk", Uemk), KEY("TKZ", RadiusIter),
  };
  return keys;
}

// Written after the list of section RadiusTKZ.
const std::vector<Key>& TailKeys() {
  static const std::vector<Key> keys = {
      KEY("Graphic", FSave10),   KEY("Graphic", FSaveCom),  KEY("Graphic", FullRadius),
      KEY("Graphic", FullTree),  KEY("Switches", NoSupNorm), KEY("Switches", ContNorm),
  };
  return keys;
}

#undef KEY

std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ConfigShortName() { return FileNamePart(ConfigFileName); }

// Reads one key into the record; a value that is not what the key holds raises ConvertError.
void ReadKey(const TMemIniFile& ini, const Key& key, const TIniRec& defaults, TIniRec& rec, TDateTime now) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(rec.*member)>;
        const T& def = defaults.*member;
        if constexpr (std::is_same_v<T, bool>) {
          rec.*member = ini.ReadBool(key.section, key.name, def);
        } else if constexpr (std::is_same_v<T, std::uint8_t>) {
          rec.*member = static_cast<std::uint8_t>(ini.ReadInteger(key.section, key.name, def) & 0xFF);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          rec.*member = ini.ReadInteger(key.section, key.name, def);
        } else if constexpr (std::is_same_v<T, float>) {
          if (key.kind == Kind::IniSingle)
            rec.*member = static_cast<float>(ini.ReadFloat(key.section, key.name, def));
          else
            rec.*member = static_cast<float>(IniReadFloat(ini, key.section, key.name, def));
        } else if constexpr (std::is_same_v<T, double>) {
          if (key.kind == Kind::DateTime)
            rec.*member = IniReadDateTime(ini, key.section, key.name, now);
          else
            rec.*member = IniReadFloat(ini, key.section, key.name, def);
        } else {
          rec.*member = ini.ReadString(key.section, key.name, def);
        }
      },
      key.member);
}

// The default of one key (date-times: the moment of reading).
void DefaultKey(const Key& key, const TIniRec& defaults, TIniRec& rec, TDateTime now) {
  std::visit(
      [&](auto member) {
        rec.*member = defaults.*member;
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(rec.*member)>, double>)
          if (key.kind == Kind::DateTime) rec.*member = now;
      },
      key.member);
}

void WriteKey(TMemIniFile& ini, const Key& key, const TIniRec& rec) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(rec.*member)>;
        const T& value = rec.*member;
        if constexpr (std::is_same_v<T, bool>) {
          ini.WriteBool(key.section, key.name, value);
        } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int32_t>) {
          ini.WriteInteger(key.section, key.name, value);
        } else if constexpr (std::is_same_v<T, float>) {
          ini.WriteSingle(key.section, key.name, value);
        } else if constexpr (std::is_same_v<T, double>) {
          if (key.kind == Kind::DateTime)
            IniWriteDateTime(ini, key.section, key.name, value);
          else
            ini.WriteFloat(key.section, key.name, value);
        } else {
          ini.WriteString(key.section, key.name, value);
        }
      },
      key.member);
}

}  // namespace

std::string FindFileNoCase(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (path.empty() || fs::exists(path, ec)) return path;
  const fs::path p(path);
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  const std::string want = UpperCase(p.filename().string());
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;  // a folder of that name is no program file
    if (UpperCase(it->path().filename().string()) == want)
      return p.has_parent_path() ? it->path().string() : it->path().filename().string();
  }
  return path;
}

void SetProgramPaths(const std::string& exePath) {
  namespace fs = std::filesystem;
  const fs::path exe = fs::absolute(fs::path(exePath));
  ProgramDir = exe.parent_path().string();
  if (ProgramDir.empty() || ProgramDir.back() != fs::path::preferred_separator)
    ProgramDir += static_cast<char>(fs::path::preferred_separator);
  fs::path stem = exe;
  stem.replace_extension();
  ConfigFileName = stem.string() + ".ini";
}

void ShowConfigReadError(const std::string& text) {
  ShowMsgForm("Ошибка чтения файла конфигурации " + ConfigShortName() + ": " + text, mkError, mbOk);
}

void ReadConfig() {
  const TDateTime now = Now();
  const TIniRec defaults;
  // The nominal voltages are loaded apart from the INI file; a re-read keeps them.
  auto unom = std::move(IniRec.UnomList);
  IniRec = TIniRec{};
  if (unom) IniRec.UnomList = std::move(unom);
  IniRec.Path = ProgramDir;
  MultiUserFlag = false;

  std::vector<std::string> errors;
  std::unique_ptr<TMemIniFile> ini;
  try {
    ini = std::make_unique<TMemIniFile>(ConfigFileName);
  } catch (const std::exception& e) {
    errors.push_back(e.what());
    ini = std::make_unique<TMemIniFile>(std::string());  // every key its default
  }

  auto readAll = [&](const std::vector<Key>& keys) {
    for (const Key& key : keys) {
      try {
        ReadKey(*ini, key, defaults, IniRec, now);
      } catch (const std::exception& e) {
        DefaultKey(key, defaults, IniRec, now);
        errors.push_back(std::string("[") + key.section + "] " + key.name + ": " + e.what());
      }
    }
  };
  readAll(Keys());
  for (const std::string& line : ini->ReadSectionValues("RadiusTKZ")) {
    const std::size_t eq = line.find('=');
    IniRec.RadiusTKZ.push_back(eq == std::string::npos ? line : line.substr(eq + 1));
  }
  readAll(TailKeys());
  MultiUserFlag = ini->ReadBool("MultiUser", "Flag", false);
  IniRec.FileMusic = ProgramDir + FileNamePart(IniRec.FileMusic);

  if (!errors.empty()) {
    std::string text = errors.front();
    for (std::size_t i = 1; i < errors.size(); ++i) text += "\n" + errors[i];
    ShowConfigReadError(text);
  }
}

void WriteConfig() {
  try {
    TMemIniFile ini(ConfigFileName);
    ini.EraseSection("Unom");
    ini.WriteString("Catalogs", "Path", IniRec.Path);
    for (const Key& key : Keys()) {
      if (std::string(key.name) == "FileMusic")
        ini.WriteString(key.section, key.name, FileNamePart(IniRec.FileMusic));
      else
        WriteKey(ini, key, IniRec);
    }
    ini.EraseSection("RadiusTKZ");
    for (std::size_t i = 0; i < IniRec.RadiusTKZ.size(); ++i)
      ini.WriteString("RadiusTKZ", std::to_string(i + 1), IniRec.RadiusTKZ[i]);
    for (const Key& key : TailKeys()) WriteKey(ini, key, IniRec);
    ini.WriteBool("MultiUser", "Flag", MultiUserFlag);
    ini.UpdateFile();
  } catch (const std::exception& e) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ConfigShortName() + ": " + e.what(), mkError, mbOk);
  }
}

}  // namespace ld
