#pragma once
// "Формирование загрузки ТП, РП": the metered energies of the subscriber bases become the loads of the
// district's network rows. Each industrial meter and each household feeder is charged to its transformer,
// 0.4 kV line, substation feeder or input; the formed rows get the load type -4 (loads given by
// energies); each subscriber row learns the name of the row that received it (`LinkTP`). Household
// energy may be spread over a station's 0.4 kV lines, and transformers without load or with a small
// share of their station's energy may be switched off ("Р" in `Commut`).
//
// Everything a run leaves in the tables makes the next run on the same data give the same tables:
// formed rows carry a type <= 0 and are reset first, computed 0.4 kV shares carry a negative
// percentage, transformers switched off here carry "Р". Rows whose type is positive are the user's.
//
// The files: load_forming.cpp (the run: preparation, the two passes, the writes),
// load_forming_lines04.cpp (household energy over 0.4 kV lines), load_forming_switch.cpp (switching
// transformers off and back on).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/district/station_index.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/layout.h"

namespace ld {

struct TLoadFormingOptions {
  double PromTg = 0.5;   // tgφ of industrial points without a valid reactive meter
  double BytTg = 0.2;    // tgφ of household consumers
  bool LoadLin04 = true;  // household energy over the 0.4 kV lines; industrial points to their line
  std::uint8_t FlagWFid04 = 0;  // shares without percentages: 0 by total line lengths, 1 by main sections
  bool OutNullTr = false;       // switch off transformers without load
  bool UnevenWtr = false;       // switch off transformers below LoadTr % of their station's energy
  double LoadTr = 10;

  // The options as the settings record holds them.
  static TLoadFormingOptions FromSettings();
};

struct TLoadFormingCallbacks {
  TLogProc Info;           // one line of the report
  TStageProc Stage;        // the stage caption
  TProgressProc Progress;  // the progress bar's position, 0..100
};

// The six tables of one run.
struct TLoadFormingTables {
  TDataFile Inputs;       // "Формат РЭС (вводы п/ст)"
  TDataFile Feeders;      // "Формат РЭС (фидеры п/ст)"
  TDataFile Transformers; // "Формат РЭС (ТП,РП)"
  TDataFile MeterPoints;  // "База промышленных абонентов"
  TDataFile Households;   // "База бытовых абонентов"
  TDataFile Lines04;      // "Формат РЭС (0.4 кВ)"
};

// The extensions of the six tables joined by ",", in the order inputs, feeders, transformers,
// industrial base, household base, 0.4 kV lines.
std::string LoadFormingExtensions();

// Reads the six tables of a base; a missing file gives an empty table of its layout titled with the
// base's file name.
void ReadLoadFormingTables(const std::string& baseStem, TLoadFormingTables& tables);

// One run over tables held in memory.
class TLoadForming {
public:
  TLoadForming(TLoadFormingTables& tables, const TLoadFormingOptions& options, TLoadFormingCallbacks callbacks);

  // Everything between reading and writing: the resets, the industrial and household passes, the
  // switch-offs and the check of the formed values. The tables are left sorted for writing.
  void Form();

  // Looks up what the passes look up; valid once Form has prepared the tables (or after Prepare).
  void Prepare();
  // The transformer row of a station: the rows whose `Name1` is the name asked for, else those whose
  // station name (before the first ".") is, both compared in upper case. A station of one row gives
  // that row whatever the number. A number that no row of the station has
  // gives false with a substitute in row: the first switched-on row whose `PM` is not "С", else the
  // first whose `PM` is not "С", else -1.
  bool FindTransformerRow(const std::string& station, const std::string& number, int& row) const;
  // The 0.4 kV row of a station's feeder (-1 when none); rows are the station's rows in table order,
  // found as the transformer rows are (empty: the station has none).
  bool FindLine04Row(const std::string& station, const std::string& feeder, int& row,
                     std::span<const int>& rows) const;
  // "<station before its first ".", normalised>.<feeder upper-cased>".
  static std::string MakeFeederLinkName(const std::string& station, const std::string& feeder);

  // Household energy w of one station charged to its 0.4 kV rows: to row alone, or (row 0) spread over
  // the station's rows. Returns the subscriber's link.
  std::string DistributeOverLines04(int row, std::span<const int> rows, double w);

  // The transformer switch-offs; each reports what it switched off.
  void SwitchOffUnloaded();
  void SwitchOffUneven();
  bool FindCouplerPartner(int& row, bool closing) const;
  bool FindLoadedTransformer(int& row) const;

  const std::vector<std::string>& Messages() const { return messages_; }

private:
  // load_forming.cpp
  void PrepareFeeds();
  void PrepareTransformers();
  void PrepareMeterPoints();
  void PrepareHouseholds();
  void PrepareLines04();
  void IndustrialPass();
  void HouseholdPass();
  void CheckNegativeLoads();
  void SortForWriting();

  struct TTarget {
    double *Pn, *Qn, *Pg, *Qg, *WPpr, *WQpr;
    double *TrP, *TrQ, *LnP, *LnQ;
    std::string LinkHigh, LinkLow;
  };
  // Charges the run of meters from row first on that share station, transformer and feeder; first is
  // left on the last row of the run. side (255: none yet) and targetT are the target's metering side and
  // load type.
  void AddMeteringPointGroup(int& first, int& side, int& targetT, const std::string& station,
                             const TTarget& target);
  bool ChargeToLine04(int& i);
  bool ChargeToTransformer(int& i);
  template <typename Cols>
  bool ChargeToFeed(int& i, Cols& cols, const DAString& names);
  template <typename Cols>
  bool ChargeHouseholdToFeed(int i, Cols& cols, const DAString& names);
  void ChargeHousehold(int i, int t);
  // The station name of a transformer row: its `Name1` before the first ".".
  std::string_view TransformerStation(int row) const;

  // load_forming_switch.cpp
  void RestoreSwitchedOff(int row);
  bool SwitchOff(int row);
  // The transformer rows of row's station, row among them.
  std::span<const int> StationRows(int row) const;

  // load_forming_lines04.cpp
  void MarkLineTransformer(int j);
  void ChargeLine(int j, double share, double w);

  void Say(const std::string& line);
  void Stage(const std::string& text);
  void Progress(int position);
  // Progress through one pass: the bar moves by tenths of the row count.
  struct TPassProgress {
    int Step = 0, Last = 0, Count = 0;
  };
  void StartPass(TPassProgress& p, int count);
  void PassRow(TPassProgress& p, int row);

  TLoadFormingTables& t_;
  TLoadFormingOptions options_;
  TLoadFormingCallbacks callbacks_;
  TSubstInputCols in_;
  TSubstFeederCols fd_;
  TTransTPCols tr_;
  TMeterPointCols mp_;
  THouseholdCols hh_;
  TLine04Cols ln_;
  // The rows of the sorted transformer and 0.4 kV tables by whole name and by station name.
  struct TStationLookup {
    TStationIndex ByName, ByStation;
    bool Sections = false;  // some name has a "."
    void Build(const DAString& names, int count);
    std::span<const int> Find(const std::string& station) const;
    // The rows by station name.
    const TStationIndex& Stations() const { return Sections ? ByStation : ByName; }
  };
  TStationLookup trIndex_, lnIndex_;
  // The last look-ups: the passes walk bases sorted by station, so one station is asked for many times
  // running.
  struct TLastStation {
    bool Valid = false;
    std::string Station;
    std::span<const int> Rows;
  };
  mutable TLastStation lastTransformer_, lastLine04_;
  std::vector<std::string> messages_;
  int bar_ = 0;
};

// The whole command once the options are chosen: locks the six tables of the base, reads, forms and
// writes them, all six or none: each goes to a temporary file first and they take the old files' places
// only when all were written. Every lock the run took is released however it ends.
void FormStationLoads(const std::string& baseStem, const TLoadFormingOptions& options,
                      const TLoadFormingCallbacks& callbacks);

// Strict number of a 0.4 kV line code segment: the decimal separator of the format settings, an
// optional sign and exponent, nothing else. False when the text is no such number.
bool ParseLineCodeNumber(const std::string& text, double& value);

}  // namespace ld
