#pragma once
// Bringing the substation names of a district base into line with those of a 110(150)/35 kV scheme:
// the two name lists, the pairs made between them, and the renaming of the base's substations in the
// seven columns of its four tables that carry them.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/district/run_locks.h"
#include "core/tables/layout.h"

namespace ld {

// The substation of a node name: the text before its first ".", the whole name without one.
std::string SubstationPart(std::string_view name);

// The distinct substations of the line rows that are supply points (Sign "П" in any letter case),
// from their Name1, in the order of their upper-case Windows-1251 texts.
std::vector<std::string> BaseSubstationNames(const TDataFile& lines);
// The distinct substations of a scheme's node names in the order of the sorted name column, without
// names beginning with "_" and tap-off names ("ОТП", "ВІДП").
std::vector<std::string> SchemeSubstationNames(const TDataFile& nodes);

// An item of the base list: the name alone, "name = scheme name" (equal names, paired at once) or
// "name < scheme name" (paired by hand: the name is to become the scheme name).
inline constexpr char kEqualPair[] = " = ";
inline constexpr char kRenamePair[] = " < ";
// The item without its pairing.
std::string UnpairedItem(const std::string& item);
// The base list with every item paired " = " to the scheme name that equals it in any letter case.
std::vector<std::string> PairEqualNames(const std::vector<std::string>& baseItems,
                                        const std::vector<std::string>& schemeNames);
// The renamings the items ask for: (old, new) of every "old < new".
using TRenamings = std::vector<std::pair<std::string, std::string>>;
TRenamings RequestedRenamings(const std::vector<std::string>& items);

// The scheme name that shares the longest prefix with the item's name, compared in upper case: for
// prefixes of growing length the search runs on from the previous match and stops at the first
// length without one. The index of the last match; -1 when not even the first letter matches.
int LongestPrefixMatch(const std::vector<std::string>& schemeNames, const std::string& item);

// In each cell of the column whose substation part equals an old name exactly (letter case included),
// that part becomes the pair's new name; a cell where the old name only stands inside a longer name, or
// is written in another letter case, stays. All pairs in one pass: a cell takes at most one renaming,
// that of the name it had (the first pair of that old name). The number of cells changed.
int RenameSubstationColumn(DAString& column, int rowCount, const TRenamings& renamings);

// One run of the matching on a base: its line, input, feeder and journal tables locked and read (a
// missing input, feeder or journal file gives an empty table that is never written). Apply renames and
// writes; the locks go with the object.
class TSubstMatchRun {
public:
  // Locks the four tables, then reads them; a missing line table raises the read error.
  explicit TSubstMatchRun(const std::string& baseStem);

  const TDataFile& Lines() const { return lines_; }
  std::vector<std::string> BaseNames() const { return BaseSubstationNames(lines_); }
  // Renames each old name to its new one in the seven columns of the tables held.
  void Rename(const TRenamings& renamings);
  // Every requested renaming of the items, then the line table and the tables that have files written.
  void Apply(const std::vector<std::string>& items);

private:
  std::string stem_;
  TRunTableLocks locks_;
  TDataFile lines_, inputs_, feeders_, journal_;
  bool inputsFile_ = false, feedersFile_ = false, journalFile_ = false;
};

// The extensions that the matching locks: lines, inputs, feeders and journal.
std::string SubstMatchExtensions();

}  // namespace ld
