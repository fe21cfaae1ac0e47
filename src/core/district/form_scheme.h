#pragma once
// Scheme forming: the tables of one district base (6–10 kV lines, transformers of stations, 0.4 kV
// lines, substation feeds, feeders and the switching journal) turned into the node, branch and given
// flow tables of a calculation scheme, with the equipment parameters from the catalogues and the
// base's passport lists. Every problem of a row is one message line; forming goes on after it.
#include <array>
#include <string>
#include <vector>

#include "core/base/callbacks.h"
#include "core/base/settings.h"
#include "core/tables/formed_base.h"
#include "core/tables/layout.h"

namespace ld {

struct TFormSchemeOptions {
  bool EERM = false;             // a scheme for the economic equivalents: loads by capacity only
  float Tgf = 0.5f;              // average tgφ of the stations
  float Koef = 20;               // average load factor of the stations, %
  bool FeederSelection = false;  // only the feeders of the list; no substation feeds
  bool SNR = false;              // the normal regime: line commutation from Normal
  bool T04 = false;              // transformers of stations as branches to 0.4 kV nodes
  bool L04 = false;              // with T04: the 0.4 kV lines
  bool CutMark = true;           // a line mark missing from the catalogue is looked up under its family
  bool ChkTr = false;            // report station nodes that no transformer row names
  std::string PrefTP;            // the name prefixes of that check, joined by ","
  std::array<float, 6> Kv{};     // weight coefficient of a load node by load type 0..5

  // The forming settings of the settings record: [Export] EERM_D2, tgf, Koef, SNR, T04, L04, CutMark,
  // ChkTr, PrefTP and [Balans] Kv_0 … Kv_5. The feeder mode is the dialog's, not a setting.
  static TFormSchemeOptions FromSettings(const TIniRec& ini);
};

// The number in the branch and flow column N1 of a flow that enters the scheme from outside.
inline constexpr int ExternalSourceNode = -999999999;

// The key under which feeder names are compared: trimmed, upper-cased, Latin look-alikes Cyrillic.
std::string FeederKey(const std::string& name);

// Forms the scheme of the base stem (its path without extension) with the catalogues of catalogPath
// (ending with the path separator). nodes, branches and flows arrive created from the layouts "Узлы
// схемы", "Ветви схемы" and "Перетоки в линиях" (rows need not be zero) and titled by the caller; they
// are filled in place, the nodes sorted by name, and " СНР" is appended to their titles when the
// normal-regime scheme was formed. nodeCount and branchCount end as the row counts, supplyCount as the
// number of supply nodes that lines marked "П" created. onProgress gets 10, 40, 80 and 100. feederList:
// the feeders taken in the feeder mode, compared by FeederKey. errors receives the message lines.
//
// The caller holds the locks of the base's line, station, 0.4 kV, feed and journal tables; forming
// releases each lock when it writes that table back (row numbers in Idx, the journal's node numbers,
// the equipment type of transformer rows of the line table). Table-store failures throw ld::Error.
// baseStamps, where given, gets the stamp of each district table as forming left it: as its write-back
// wrote it, or as it was read where it was not written back; unknown for a table the base lacks.
void FormCalcScheme(const std::string& stem, const std::string& catalogPath, const TFormSchemeOptions& options,
                    TDataFile& nodes, TDataFile& branches, TDataFile& flows, int& nodeCount, int& branchCount,
                    int& supplyCount, const TProgressProc& onProgress, const std::vector<std::string>& feederList,
                    std::vector<std::string>& errors, TDistrictStamps* baseStamps = nullptr);

}  // namespace ld
