#include "core/base/settings.h"

#include <filesystem>
#include <string_view>
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

// How a key is read: the record's type decides, but for the date-times and for RI and RS, which have
// always been read by the INI file's own float reader (a non-number gives the default).
enum class Kind { Plain, DateTime, IniSingle };

using Member = std::variant<bool TIniRec::*, std::uint8_t TIniRec::*, std::int32_t TIniRec::*, float TIniRec::*,
                            double TIniRec::*, std::string TIniRec::*>;

struct Key {
  const char* name;
  Member member;
  Kind kind = Kind::Plain;
};

struct Section {
  const char* name;
  std::vector<Key> keys;
};

#define KEY(field) Key{#field, &TIniRec::field}
#define MOMENT(field) Key{#field, &TIniRec::field, Kind::DateTime}
#define INI_SINGLE(field) Key{#field, &TIniRec::field, Kind::IniSingle}

// Every stored section in the order in which the file is written, each key by type as the record
// groups them; the list of section RadiusTKZ follows TKZ.
const std::vector<Section>& Sections() {
  static const std::vector<Section> sections = {
      {"Import", {KEY(PathProm), KEY(PathByt), KEY(PathDog), KEY(PathTech), KEY(PathBase04), KEY(PathXlsVF),
                  KEY(PathXlsTP), KEY(PathXls110), KEY(FlagProm), KEY(FlagByt), KEY(FlagDog), KEY(FlagTech),
                  KEY(LoadLin04), KEY(OutNullTr), KEY(UnevenWtr), KEY(FlagWFid04), KEY(TypLin04), KEY(PromTg),
                  KEY(BytTg), KEY(LoadTr), KEY(ZamerTg), KEY(TypZamer)}},
      {"Export", {KEY(PrefTP), KEY(EERM_D2), KEY(SNR), KEY(T04), KEY(L04), KEY(CutMark), KEY(ChkTr), KEY(NrToAll),
                  KEY(Koef), KEY(tgf)}},
      {"Balans", {KEY(SavePQ), KEY(PropPQ), KEY(CFlow), KEY(CLoad), KEY(CVolt), KEY(RNull), KEY(RZnak), KEY(RTg),
                  KEY(WFlow), KEY(WLoad), KEY(WVolt), KEY(OutIter), KEY(BIter), KEY(BPrec), KEY(Btgf), KEY(BShift),
                  KEY(MulKvf), KEY(MulKvi), KEY(MulKvu), KEY(Kv_0), KEY(Kv_1), KEY(Kv_2), KEY(Kv_3), KEY(Kv_4),
                  KEY(Kv_5)}},
      {"Regim", {KEY(FlagFM), KEY(FlagPQ), KEY(FlagRQ), KEY(FlagIF), KEY(SumSbal), KEY(AbsEERM), KEY(JoinZnak),
                  KEY(Iter1), KEY(Iter2), KEY(CountRQ), KEY(AlgmFM), KEY(FlagU0), KEY(Tgr), KEY(Tpq),
                  KEY(Dimension), KEY(Digit), KEY(Prec), KEY(Damp1), KEY(Damp2), KEY(Uv), KEY(Un), KEY(dQ),
                  MOMENT(CalcDate)}},
      {"Losses", {KEY(PathYear_1), KEY(PathMonth_2), KEY(PathMonth_1), KEY(FlagBalans), KEY(RegKtr), KEY(RegQ),
                  KEY(LossUnom), KEY(LossPlus), KEY(LossAttr), KEY(TypCalcPQ), KEY(Kfgn), MOMENT(Date1),
                  MOMENT(Date2)}},
      {"BalansEnergy", {KEY(OurLoss), KEY(SumALoss), KEY(FullBalans), KEY(DynamicFlow), KEY(B1), KEY(B2), KEY(B3),
                  KEY(B4), KEY(B5), KEY(B6), KEY(B7), KEY(B8), KEY(B9), KEY(B10), KEY(B11), KEY(B12), KEY(B13),
                  KEY(B14), KEY(B15), KEY(MPp), KEY(MPm), KEY(MPn), KEY(MPg)}},
      {"Optim_R", {KEY(GroupUn), KEY(FlagDP), KEY(FlagUn), KEY(ExceptTr), KEY(StopTr), KEY(RIter), KEY(SelectCuts),
                  KEY(Algoritm), KEY(dP)}},
      {"OptimBSK", {KEY(FileMusic), KEY(IgnoreASKUE), KEY(FlagQctrl), KEY(Tbsk), KEY(Tmin), KEY(KdP), KEY(Tprt),
                  KEY(Qctrl), KEY(Tkal), KEY(GrData), MOMENT(EndDate)}},
      {"EERM_D2", {KEY(PrimPlants), KEY(RowsPlants), KEY(SchES), KEY(SchEO), KEY(SchRES), KEY(CatES), KEY(CatEO),
                  KEY(CatRES), KEY(LetterTempl), KEY(DodatokTempl), KEY(SheetTempl), KEY(LastFile),
                  KEY(RekvizitFile), KEY(FlagVolt), KEY(FlagFlow), KEY(AutoES), KEY(AutoEO), KEY(AutoRES),
                  KEY(LetterToFile), KEY(DodatokToFile), KEY(AddNpp), KEY(AddNdog), KEY(AddNlic), KEY(AddDsr),
                  KEY(AlignSheet), KEY(NoTabl), KEY(AddRES), KEY(IndivEO), KEY(IndivRES), KEY(Tg05), KEY(TypeDoc),
                  KEY(CheckPlants), KEY(dUp), KEY(dUm)}},
      {"RealTime", {KEY(FileTI), KEY(FileTU), KEY(VUnom), KEY(FVarS), KEY(FVarU), KEY(FVarQ), KEY(FVarKtr),
                  KEY(FGraf), KEY(ImpTI), KEY(ExpTI), KEY(ExpTU), KEY(FEstim), KEY(FUnom), KEY(DelayRtm), KEY(VarS),
                  KEY(VarU), KEY(VarTI), KEY(CountRpt), KEY(RCount), KEY(RPQ), KEY(RLT), KEY(RDim), KEY(RPrec),
                  KEY(RDig), INI_SINGLE(RI), INI_SINGLE(RS)}},
      {"Iemk", {KEY(Uemk)}},
      {"TKZ", {KEY(RadiusIter)}},
  };
  return sections;
}

// Written after the list of section RadiusTKZ.
const std::vector<Section>& TailSections() {
  static const std::vector<Section> sections = {
      {"Graphic", {KEY(FSave10), KEY(FSaveCom), KEY(FullRadius), KEY(FullTree)}},
      {"Switches", {KEY(NoSupNorm), KEY(ContNorm)}},
  };
  return sections;
}

#undef KEY
#undef MOMENT
#undef INI_SINGLE

std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ConfigShortName() { return FileNamePart(ConfigFileName); }

// Reads one key into the record; a value that is not what the key holds raises ConvertError.
void ReadKey(const TMemIniFile& ini, const char* section, const Key& key, const TIniRec& defaults, TIniRec& rec,
             TDateTime now) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(rec.*member)>;
        const T& def = defaults.*member;
        if constexpr (std::is_same_v<T, bool>) {
          rec.*member = ini.ReadBool(section, key.name, def);
        } else if constexpr (std::is_same_v<T, std::uint8_t>) {
          rec.*member = static_cast<std::uint8_t>(ini.ReadInteger(section, key.name, def) & 0xFF);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          rec.*member = ini.ReadInteger(section, key.name, def);
        } else if constexpr (std::is_same_v<T, float>) {
          if (key.kind == Kind::IniSingle)
            rec.*member = static_cast<float>(ini.ReadFloat(section, key.name, def));
          else
            rec.*member = static_cast<float>(IniReadFloat(ini, section, key.name, def));
        } else if constexpr (std::is_same_v<T, double>) {
          if (key.kind == Kind::DateTime)
            rec.*member = IniReadDateTime(ini, section, key.name, now);
          else
            rec.*member = IniReadFloat(ini, section, key.name, def);
        } else {
          rec.*member = ini.ReadString(section, key.name, def);
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

void WriteKey(TMemIniFile& ini, const char* section, const Key& key, const TIniRec& rec) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(rec.*member)>;
        const T& value = rec.*member;
        if constexpr (std::is_same_v<T, bool>) {
          ini.WriteBool(section, key.name, value);
        } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int32_t>) {
          ini.WriteInteger(section, key.name, value);
        } else if constexpr (std::is_same_v<T, float>) {
          ini.WriteSingle(section, key.name, value);
        } else if constexpr (std::is_same_v<T, double>) {
          if (key.kind == Kind::DateTime)
            IniWriteDateTime(ini, section, key.name, value);
          else
            ini.WriteFloat(section, key.name, value);
        } else {
          ini.WriteString(section, key.name, value);
        }
      },
      key.member);
}

// A key as it goes into the file: FileMusic by its file name alone.
void WriteValue(TMemIniFile& ini, const char* section, const Key& key, const TIniRec& rec) {
  if (std::string_view(key.name) == "FileMusic")
    ini.WriteString(section, key.name, FileNamePart(rec.FileMusic));
  else
    WriteKey(ini, section, key, rec);
}

// The texts that tell one copy's changes from another's. A scratch file without a name renders a value
// exactly as the settings file gets it.
class TKeyTexts {
public:
  static std::optional<std::string> Stored(const TMemIniFile& ini, const std::string& section,
                                           const std::string& key) {
    if (!ini.ValueExists(section, key)) return std::nullopt;
    return ini.ReadString(section, key, "");
  }
  // The list of section RadiusTKZ counts as one key: its lines in file order.
  static std::optional<std::string> StoredList(const TMemIniFile& ini) {
    if (!ini.SectionExists(kRadiusTKZ)) return std::nullopt;
    return Joined(ini.ReadSectionValues(kRadiusTKZ));
  }
  std::string Taken(const char* section, const Key& key, const TIniRec& rec) {
    WriteValue(scratch_, section, key, rec);
    return scratch_.ReadString(section, key.name, "");
  }
  std::string TakenFlag(bool value) {
    scratch_.WriteBool(kMultiUser, kFlag, value);
    return scratch_.ReadString(kMultiUser, kFlag, "");
  }
  static std::string TakenList(const TIniRec& rec) { return Joined(rec.RadiusTKZ); }

  static constexpr const char* kRadiusTKZ = "RadiusTKZ";
  static constexpr const char* kMultiUser = "MultiUser";
  static constexpr const char* kFlag = "Flag";

private:
  static std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
  }
  TMemIniFile scratch_{std::string()};
};

// Whether this copy writes a key back: it changed the value since it read it, or the file still holds
// what it read (no other copy changed it). A record not read from a file writes everything.
bool WritesBack(const TIniRec& rec, const std::string& section, const std::string& key, const std::string& taken,
                const std::optional<std::string>& storedNow) {
  const auto read = rec.AsRead.find({section, key});
  return read == rec.AsRead.end() || taken != read->second.taken || storedNow == read->second.stored;
}

}  // namespace

bool SameFileName(std::string_view a, std::string_view b) { return a == b || UpperCase(a) == UpperCase(b); }

namespace {

// The existing file in the folder of path whose name `matches`, as its path is spelled; path itself where
// there is none or where path names its file exactly.
template <class Match>
std::string FindInFolder(const std::string& path, const Match& matches) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (path.empty() || fs::exists(path, ec)) return path;
  const fs::path p(path);
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;  // a folder of that name is no program file
    if (matches(it->path().filename().string()))
      return p.has_parent_path() ? it->path().string() : it->path().filename().string();
  }
  return path;
}

std::string_view NameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FindFileNoCase(const std::string& path) {
  const std::string want(NameOf(path));
  return FindInFolder(path, [&](const std::string& name) { return SameFileName(name, want); });
}

std::string FamilyExtension(std::string_view stemName, std::string_view name) {
  if (name.empty() || name.back() == '~') return {};
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot + 1 == name.size() || !SameFileName(name.substr(0, dot), stemName))
    return {};
  return std::string(name.substr(dot));
}

std::string FamilyFile(const std::string& stem, const std::string& ext) {
  if (ext.empty()) return FindFileNoCase(stem);
  const std::string stemName(NameOf(stem));
  return FindInFolder(stem + ext, [&](const std::string& name) {
    const std::string has = FamilyExtension(stemName, name);
    return !has.empty() && SameFileName(has, ext);
  });
}

std::string FamilyFile(const std::string& file) {
  const std::string_view name = NameOf(file);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return FindFileNoCase(file);
  const std::size_t at = file.size() - name.size() + dot;
  return FamilyFile(file.substr(0, at), file.substr(at));
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
  } catch (const TIniFileError& e) {
    errors.push_back(e.Reason());
    ini = std::make_unique<TMemIniFile>(std::string());  // every key its default
  }

  TKeyTexts texts;
  auto readAll = [&](const std::vector<Section>& sections) {
    for (const Section& section : sections) {
      for (const Key& key : section.keys) {
        try {
          ReadKey(*ini, section.name, key, defaults, IniRec, now);
        } catch (const std::exception& e) {
          DefaultKey(key, defaults, IniRec, now);
          errors.push_back(std::string("[") + section.name + "] " + key.name + ": " + e.what());
        }
      }
    }
  };
  readAll(Sections());
  for (const std::string& line : ini->ReadSectionValues(TKeyTexts::kRadiusTKZ)) {
    const std::size_t eq = line.find('=');
    IniRec.RadiusTKZ.push_back(eq == std::string::npos ? line : line.substr(eq + 1));
  }
  readAll(TailSections());
  MultiUserFlag = ini->ReadBool(TKeyTexts::kMultiUser, TKeyTexts::kFlag, false);
  IniRec.FileMusic = ProgramDir + FileNamePart(IniRec.FileMusic);

  for (const auto* sections : {&Sections(), &TailSections()}) {
    for (const Section& section : *sections) {
      for (const Key& key : section.keys)
        IniRec.AsRead[{section.name, key.name}] = {TKeyTexts::Stored(*ini, section.name, key.name),
                                                   texts.Taken(section.name, key, IniRec)};
    }
  }
  IniRec.AsRead[{TKeyTexts::kRadiusTKZ, ""}] = {TKeyTexts::StoredList(*ini), TKeyTexts::TakenList(IniRec)};
  IniRec.AsRead[{TKeyTexts::kMultiUser, TKeyTexts::kFlag}] = {
      TKeyTexts::Stored(*ini, TKeyTexts::kMultiUser, TKeyTexts::kFlag), texts.TakenFlag(MultiUserFlag)};

  if (!errors.empty()) {
    std::string text = errors.front();
    for (std::size_t i = 1; i < errors.size(); ++i) text += "\n" + errors[i];
    ShowConfigReadError(text);
  }
}

void WriteConfig() {
  if (ConfigFileName.empty()) return;  // a program without a settings file keeps them in memory
  try {
    // The file as it lies now, with what other copies wrote since this one read it.
    TMemIniFile ini(ConfigFileName);
    TIniRec& rec = IniRec;
    TKeyTexts texts;
    // The keys this copy writes, with the text each takes: once the file holds them, they count as read
    // from it, so that a later write (at the end, or the next apply) keeps what another copy changes
    // meanwhile.
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> written;
    ini.EraseSection("Unom");
    ini.WriteString("Catalogs", "Path", rec.Path);
    auto writeAll = [&](const std::vector<Section>& sections) {
      for (const Section& section : sections) {
        for (const Key& key : section.keys) {
          std::string taken = texts.Taken(section.name, key, rec);
          if (WritesBack(rec, section.name, key.name, taken, TKeyTexts::Stored(ini, section.name, key.name))) {
            WriteValue(ini, section.name, key, rec);
            written.push_back({{section.name, key.name}, std::move(taken)});
          }
        }
      }
    };
    writeAll(Sections());
    if (std::string taken = TKeyTexts::TakenList(rec);
        WritesBack(rec, TKeyTexts::kRadiusTKZ, "", taken, TKeyTexts::StoredList(ini))) {
      ini.EraseSection(TKeyTexts::kRadiusTKZ);
      for (std::size_t i = 0; i < rec.RadiusTKZ.size(); ++i)
        ini.WriteString(TKeyTexts::kRadiusTKZ, std::to_string(i + 1), rec.RadiusTKZ[i]);
      written.push_back({{TKeyTexts::kRadiusTKZ, ""}, std::move(taken)});
    }
    writeAll(TailSections());
    if (std::string taken = texts.TakenFlag(MultiUserFlag);
        WritesBack(rec, TKeyTexts::kMultiUser, TKeyTexts::kFlag, taken,
                   TKeyTexts::Stored(ini, TKeyTexts::kMultiUser, TKeyTexts::kFlag))) {
      ini.WriteBool(TKeyTexts::kMultiUser, TKeyTexts::kFlag, MultiUserFlag);
      written.push_back({{TKeyTexts::kMultiUser, TKeyTexts::kFlag}, std::move(taken)});
    }
    ini.UpdateFile();
    // A record not read from a file has no keys as read: it keeps writing every key, as before.
    if (rec.AsRead.empty()) return;
    for (auto& [key, taken] : written) {
      const auto& [section, name] = key;
      rec.AsRead[key] = {section == TKeyTexts::kRadiusTKZ ? TKeyTexts::StoredList(ini)
                                                          : TKeyTexts::Stored(ini, section, name),
                         std::move(taken)};
    }
  } catch (const TIniFileError& e) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ConfigShortName() + ": " + e.Reason(), mkError, mbOk);
  } catch (const std::exception& e) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ConfigShortName() + ": " + e.what(), mkError, mbOk);
  }
}

}  // namespace ld
