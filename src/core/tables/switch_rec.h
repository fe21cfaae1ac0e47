#pragma once
// The switchable state of one branch, moved between the branch table of a scheme ("Ветви схемы"),
// the switching journal ("Переключения") and the record; and the write-back of a saved scheme into
// the district element tables it was formed from.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"

namespace ld {

struct TRecSwt {
  std::int32_t N1 = 0, N2 = 0;
  std::uint8_t Nl = 0;
  std::string Name1, Name2, DSName, TypEqu, Mark, Regulation;
  std::int16_t Notv = 0, Ntpr = 0;
  char Commut = 0;  // Windows-1251 code of the commutation letter; 0 for switched on
  float Ul = 0, R = 0, X = 0, G = 0, B = 0, Kta = 0, Ktr = 0, Ktn = 0, Idop = 0, Sdop = 0;
};
using PRecSwt = TRecSwt*;

// The record from a branch row.
void ReadBranchRec(TDataFile& branches, int row, TRecSwt& rec);
// The record into a journal row (the other journal columns stay).
void ReadSwitchRec(TDataFile& journal, int row, const TRecSwt& rec);
// The record's fields copied directly between a branch row and a journal row.
void BranchToSwitchLog(TDataFile& branches, TDataFile& journal, int branchRow, int journalRow);
void SwitchLogToBranch(TDataFile& branches, TDataFile& journal, int branchRow, int journalRow);

// The same on maps already filled, for loops over many rows.
void ReadBranchRec(const TBranchCols& branches, int row, TRecSwt& rec);
void ReadSwitchRec(const TSwitchLogCols& journal, int row, const TRecSwt& rec);
void ReadSwitchLogRec(const TSwitchLogCols& journal, int row, TRecSwt& rec);
void WriteBranchRec(const TBranchCols& branches, int row, const TRecSwt& rec);

// The district element tables beside a scheme (base path + ".RSL", ".RTP", ".R04", ".RSV", found
// whatever the letter case of their names; a missing file is not among them), read and brought to the
// scheme: every branch formed from one of their elements gives its state letters, marks, dispatcher's
// name and tap wherever the base differs from the scheme's branch (a base text that differs from the
// scheme's only in letter case or blanks at its ends, or that the scheme holds none of, stays as the base
// has it), so that after their write the base agrees with the scheme. Not yet written: they go in the run
// of the tables they belong with (the scheme, its journal, its switching date), so that no program that
// ends halfway leaves the base switched and the scheme not.
class TElementTables {
public:
  TElementTables();
  ~TElementTables();
  TElementTables(const TElementTables&) = delete;
  TElementTables& operator=(const TElementTables&) = delete;

  // Each table with its file, in the order above, for WriteTablesTogether.
  std::vector<std::pair<std::string, TDataFile*>> Files() const;
  // Whether every branch formed from a district element found its element's row among the tables.
  bool AllFound() const { return allFound_; }

private:
  friend bool PrepareElementTables(const std::string& basePath, TDataFile& branches, TElementTables& tables,
                                   const std::function<int(const std::string&)>& neutral);
  struct TTable;
  std::vector<std::unique_ptr<TTable>> tables_;
  bool allFound_ = false;
};

// Fills tables after checking that each branch formed from a district element still matches its
// element: its end names are those that scheme forming gives the element (core/tables/element_names.h).
// The first branch that does not match is shown in the message box and tables stay empty; the result
// is then false. Table-store errors of the reads pass to the caller.
// neutral: the tap forming gives a transformer whose station row holds none (its regulation's neutral), so
// that such a tap stays unwritten; without it every tap the base lacks is written.
using TNeutralTap = std::function<int(const std::string& regulation)>;
bool PrepareElementTables(const std::string& basePath, TDataFile& branches, TElementTables& tables,
                          const TNeutralTap& neutral = {});

}  // namespace ld
