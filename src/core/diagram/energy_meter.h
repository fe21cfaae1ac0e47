#pragma once
// An energy metering point of the scheme: on a line, a row of "Перетоки в линиях" (and of the
// district's feeder table "Формат РЭС (фидеры п/ст)" when it lies beside the scheme); on a node, the
// energies of the node's own row. The energies may be entered as active and reactive energy, or as
// active energy with cos or tg.
#include <cstdint>
#include <string>
#include <vector>

#include "core/tables/colmaps_scheme.h"

namespace ld {

enum TMeterType : int { mtWPWQ, mtWPCos, mtWPTg, kMeterTypeCount };
inline constexpr const char* kMeterTypeNames[kMeterTypeCount] = {"WP,WQ", "WP,cos", "WP,tg"};
// Captions beside the four energy fields in each type.
extern const char* const kMeterTypeLabels[kMeterTypeCount][4];

// The accounting kind: no letter, '+' or '-'.
inline constexpr const char* kAccountingNames[3] = {"Технический", "(+) Прием в сеть", "(-) Выдача из сети"};
// Stored in NK.
inline constexpr const char* kMeterPlaceNames[2] = {"В конце линии", "В начале линии"};

// Remembered for the program's run.
struct TMeterDefaults {
  double Cos = 0.8, Tg = 0.5;
  int Type = mtWPWQ;
};
TMeterDefaults& MeterDefaults();

// The type a stored Typ opens as: 4 "WP,WQ", 5 "WP,tg", anything else the remembered type.
int MeterTypeOfCode(int code, int remembered);
// 1 for '+', 2 for '-', 0 for every other letter.
int AccountingIndex(char letter);
// A node type letter (balancing, fixed voltage, energy load) in either case: the node's Sign must keep it.
bool IsNodeTypeLetter(char sign);

// One metering point as the dialog shows it.
struct TMeterEntry {
  std::int32_t N1 = 0, N2 = 0;
  std::uint8_t Nl = 0;
  std::string Name1{}, Name2{}, Line{};
  double Pr = 0, Qr = 0, Pl = 0, Ql = 0;  // as entered: Qr and Ql may be cos or tg
  std::int32_t Ngr = 0, Nqr = 0, Ngl = 0, Nql = 0, Ngp = 0;
  int Type = mtWPWQ;
  int Accounting = 0;
  int Place = 0;
  bool Balance = false;
  char Letter = 0;  // the letter the row held when read (PM of a line, Sign of a node)
};

// "Неверно задан COS" when "WP,cos" would use a cos outside [0, 1] as entered, or the default cos
// outside (0, 1] in place of an entered 0; empty otherwise.
std::string CheckMeterEntry(const TMeterEntry& entry, double defaultCos);
// Replaces the entered cos or tg of each direction by the reactive energy.
void ConvertMeterEnergies(TMeterEntry& entry, double defaultCos, double defaultTg);

// The letter written for the accounting kind: '+', '-', or for "Технический" the letter read, unless
// that was '+' or '-' (a consumer's or own-needs meter keeps its letter).
char MeterLetter(const TMeterEntry& entry);

// A line's point from its flow row, or (flowRow 0) a new one from the branch row.
void ReadLineMeter(const TLineFlowCols& flows, const TBranchCols& branches, int branchRow, int flowRow,
                   int rememberedType, TMeterEntry& entry);
// Writes the converted point into its flow row, appended when flowRow is 0; the row written.
int WriteLineMeter(TDataFile& flowTable, int flowRow, const TMeterEntry& entry);
// Puts the point into the feeder table file when it exists: the row of the same Name1, Name2 and Nl,
// else a new row; the file is written at once. Throws ld::Error naming the file when it cannot be
// read or written.
void WriteFeederMeter(const std::string& fileName, const TMeterEntry& entry);

// A node's point from its row; the accounting kind is "Технический" on a node of a type letter.
void ReadNodeMeter(const TNodeCols& nodes, int row, int rememberedType, TMeterEntry& entry);
void WriteNodeMeter(TNodeCols& nodes, int row, const TMeterEntry& entry);

// Moves the point of branchRow one line towards the begin (N1) or the end (N2) of the entry: only when
// exactly one further branch meets that node, this branch has a point and that one none, and its far
// node has a row. The map (flow row of each branch row) and the entry's ends follow; false when nothing
// moved.
bool ShiftMeter(const TBranchCols& branches, const TNodeCols& nodes, std::vector<std::int32_t>& flowRowMap,
                int& branchRow, bool towardsBegin, TMeterEntry& entry);

}  // namespace ld
