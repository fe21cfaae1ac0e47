#pragma once
// The program's settings: one record, IniRec, read from the program INI file at start and written back
// whenever a dialog applies settings, and at the end. Every field is named like its key; the comment above each group names the section.
// A fresh record holds the defaults that a missing key gives (date-times excepted: they default to
// the moment of reading).
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/base/dynarray.h"

namespace ld {

// One key as a record read it from the settings file.
struct TKeyAsRead {
  std::optional<std::string> stored;  // the key's text in the file; none when the file had no such key
  std::string taken;                  // the value the record took, as it is written
};

struct TIniRec {
  // [Catalogs]: written only; at every start the catalogue folder is the program folder.
  std::string Path;

  // [Import]
  std::string PathProm, PathByt, PathDog, PathTech, PathBase04, PathXlsVF, PathXlsTP, PathXls110;
  bool FlagProm = true, FlagByt = true, FlagDog = false, FlagTech = true, LoadLin04 = true, OutNullTr = false,
       UnevenWtr = false;
  std::uint8_t FlagWFid04 = 0, TypLin04 = 0;
  float PromTg = 0.5f, BytTg = 0.2f, LoadTr = 10, ZamerTg = 0.426f, TypZamer = 2;

  // [Export]
  std::string PrefTP = "ТП,КТП,ЗТП,МТП,РП";
  bool EERM_D2 = false, SNR = false, T04 = false, L04 = false, CutMark = true, ChkTr = false, NrToAll = false;
  float Koef = 20, tgf = 0.5f;

  // [Balans]
  bool SavePQ = false, PropPQ = true, CFlow = true, CLoad = false, CVolt = false, RNull = true, RZnak = true,
       RTg = true, WFlow = false, WLoad = false, WVolt = false, OutIter = false;
  std::int32_t BIter = 20;
  float BPrec = 0.001f, Btgf = 0.5f, BShift = 1, MulKvf = 1, MulKvi = 1, MulKvu = 1, Kv_0 = 1, Kv_1 = 10,
        Kv_2 = 10, Kv_3 = 10, Kv_4 = 10, Kv_5 = 10;

  // [Regim]
  bool FlagFM = true, FlagPQ = false, FlagRQ = true, FlagIF = false, SumSbal = false, AbsEERM = true,
       JoinZnak = true;
  std::int32_t Iter1 = 100, Iter2 = 1, CountRQ = 0, AlgmFM = 0, FlagU0 = 0, Tgr = 3600, Tpq = 0;
  std::uint8_t Dimension = 0, Digit = 3;
  float Prec = 0.001f, Damp1 = 1, Damp2 = 1, Uv = 10, Un = 5, dQ = 0.1f;
  TDateTime CalcDate = 0;
  // Kept only while the program runs: the load model of the regime calculation and the repetition of
  // the iterations after convergence (set when the iteration limit is typed negative).
  std::uint8_t TypLoad = 0;
  bool RepeatIter = false;

  // [Losses]
  std::string PathYear_1, PathMonth_2, PathMonth_1;
  bool FlagBalans = true, RegKtr = false, RegQ = false, LossUnom = false, LossPlus = false;
  std::int32_t LossAttr = 0;
  std::uint8_t TypCalcPQ = 0;
  float Kfgn = 1;
  TDateTime Date1 = 0, Date2 = 0;

  // [BalansEnergy]
  bool OurLoss = false, SumALoss = true, FullBalans = true, DynamicFlow = false, B1 = true, B2 = true, B3 = true,
       B4 = true, B5 = true, B6 = true, B7 = true, B8 = true, B9 = true, B10 = true, B11 = true, B12 = true,
       B13 = true, B14 = true, B15 = true;
  double MPp = 0.5, MPm = 0.5, MPn = 0.5, MPg = 0.5;

  // [EERM_D2]
  std::string PrimPlants, RowsPlants, SchES, SchEO, SchRES, CatES, CatEO, CatRES, LetterTempl, DodatokTempl,
      SheetTempl, LastFile, RekvizitFile;
  bool FlagVolt = true, FlagFlow = true, AutoES = true, AutoEO = true, AutoRES = true, LetterToFile = false,
       DodatokToFile = false, AddNpp = true, AddNdog = true, AddNlic = true, AddDsr = false, AlignSheet = false,
       NoTabl = false, AddRES = false, IndivEO = false, IndivRES = true, Tg05 = false;
  std::uint8_t TypeDoc = 0, CheckPlants = 0;
  float dUp = 10, dUm = 5;

  // [RealTime]
  std::string FileTI, FileTU, VUnom;
  bool FVarS = false, FVarU = false, FVarQ = false, FVarKtr = false, FGraf = false, ImpTI = false, ExpTI = false,
       ExpTU = false, FEstim = false, FUnom = false;
  std::int32_t DelayRtm = 5000, VarS = 50, VarU = 10, VarTI = 0, CountRpt = 1, RCount = 243, RPQ = 255, RLT = 7,
               RDim = 0, RPrec = 9, RDig = 3;
  float RI = 100, RS = 100;

  // [Optim_R]
  std::string GroupUn;
  bool FlagDP = false, FlagUn = false, ExceptTr = true, StopTr = false;
  std::int32_t RIter = 10;
  std::uint8_t SelectCuts = 0, Algoritm = 0;
  float dP = 10;

  // [OptimBSK]; FileMusic is a full path in memory and a bare file name in the file.
  std::string FileMusic = "ringin.wav";
  bool IgnoreASKUE = false, FlagQctrl = true;
  std::int32_t Tbsk = 1800, Tmin = 5, KdP = 100, Tprt = 3, Qctrl = 200, Tkal = 720, GrData = 0;
  TDateTime EndDate = 0;

  // [Iemk]
  bool Uemk = true;

  // [TKZ]
  std::int32_t RadiusIter = 1;
  // [RadiusTKZ]: the values of the section in file order (scheme base paths).
  std::vector<std::string> RadiusTKZ;

  // [Graphic]
  bool FSave10 = false, FSaveCom = false, FullRadius = true, FullTree = true;

  // [Switches]
  std::int32_t NoSupNorm = 0, ContNorm = 0;

  // Nominal voltages in kV, elements 1..Count ascending (from "sprav_UN.cat"); never null.
  std::unique_ptr<DAdouble> UnomList = std::make_unique<DAdouble>();

  // Every key as ReadConfig found it, by section and key; empty for a record not read from a file.
  std::map<std::pair<std::string, std::string>, TKeyAsRead> AsRead;
};

extern TIniRec IniRec;
extern std::string ProgramDir;        // the executable's folder with a trailing separator
extern std::string ConfigFileName;    // the program INI file
extern const std::string NominalVoltageFileName;  // "sprav_UN.cat"

// ProgramDir and ConfigFileName from the executable's path: the INI file is the executable's path
// without its extension, followed by ".ini".
void SetProgramPaths(const std::string& exePath);

// Fills IniRec and MultiUserFlag from ConfigFileName. A missing file or key gives the default. A value
// that cannot be read is reported once in the message box (with every other such key) and takes its
// default; the other keys are read all the same, so the file written at the end keeps them.
void ReadConfig();
// Writes IniRec and MultiUserFlag back into the file as it lies now, not as it was read. A settings
// dialog applies its settings by it, so that a copy of the program started later reads them; the end
// writes what is left. Two copies may run from one program folder, and neither may put back what it
// read over a setting the other changed. So a key is written where this copy changed its value since it
// was read, or where the file still holds what was read (a key the file lacks is added, and a value is
// written in the program's own form); a key another copy changed meanwhile stays as that copy wrote it.
// A key written counts as read from the file from then on. The file is replaced in one rename. A
// failure is shown in the message box; the file then stays as it was. With no settings file named,
// the settings stay in memory.
void WriteConfig();

// Whether two names within a folder name one file of the program: equal but for letter case, Cyrillic
// letters included ("ё" and "Ё" are one letter; "Е" and "Ё" are two, and so are a Latin letter and its
// Cyrillic look-alike).
bool SameFileName(std::string_view a, std::string_view b);

// Program files (catalogues, a scheme's own INI file ...) are one file whatever the letter case of their
// names: the path of the existing file whose name is the same as that of path (SameFileName), or path
// itself when there is none (a new file gets the name as the program spells it).
std::string FindFileNoCase(const std::string& path);

// The extension (its point included) by which the file named `name` in a folder belongs to the family of
// the stem named `stemName` there, as the name spells it; "" where it belongs to none. Stem and extension
// are each the same but for letter case (SameFileName): a family copied from another system holds
// ".rtp", ".r04", or its stem as another workstation spelled it. A further point makes another stem
// ("Схема.2.UZL" is of "Схема.2", not of "Схема"), and a name ending in "~" is a lock, a mark or a
// write in progress, no file of the family.
std::string FamilyExtension(std::string_view stemName, std::string_view name);

// A file of a stem's family: the existing file of the extension's kind (FamilyExtension), whatever the
// letter case of its name, which is the one read, written and removed, never a second file beside it;
// for a kind the family lacks, the name as given, the layout's spelling, which a new file gets. Every
// command finds a family's files by this one rule, the table files' readers and writers included.
std::string FamilyFile(const std::string& stem, const std::string& ext);
// The same for a file named by its stem and extension together.
std::string FamilyFile(const std::string& file);

// "Ошибка чтения файла конфигурации <name>: <text>" as an error message with the OK button.
void ShowConfigReadError(const std::string& text);

}  // namespace ld
