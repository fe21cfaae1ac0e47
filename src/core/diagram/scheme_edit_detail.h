#pragma once
// Helpers shared by the editing commands of the diagram.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/msgbox.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/tables/layout.h"
#include "core/tables/switch_rec.h"

namespace ld::diagram::edit {

inline bool Confirm(const std::string& text) { return ShowMsgForm(text, mkWarning, mbYesNo) == 1; }

inline void Rebuild(TSchemBoxState& box) { box.RebuildScheme(box.OriginX, box.OriginY); }
inline void Relayout(TSchemBoxState& box) { box.RelayoutScheme(box.OriginX, box.OriginY); }

// Hands the change of branch row `row` to the host. A change the host does not keep is undone: the row
// gets its state before back (with a backup, every table comes back as it was), the drawing is rebuilt,
// and a first change after a load or a save (wasModified false) is given up with its locks, so that no
// later save writes it without what it needed. False then.
bool ChangeLine(TSchemBoxState& box, int row, const TRecSwt& before, bool wasModified,
                TTablesBackup* backup = nullptr);

// A per-row list (item i for row i + 1) follows a row opened at row; a list that does not reach the
// row stays as it is (a missing item reads as 0).
inline void InsertRowMark(std::vector<std::uint8_t>& marks, int row) {
  if (row >= 1 && marks.size() >= static_cast<std::size_t>(row - 1))
    marks.insert(marks.begin() + (row - 1), std::uint8_t{0});
}
inline void EraseRowMark(std::vector<std::uint8_t>& marks, int row) {
  if (row >= 1 && marks.size() >= static_cast<std::size_t>(row)) marks.erase(marks.begin() + (row - 1));
}

// A row set after the row was deleted: its entries go, the later rows move up.
void RemoveFromSet(std::vector<std::int32_t>& set, int row);

// Node and branch rows counted in or out, the column maps and the per-row lists following.
void AppendNodeRows(TSchemBoxState& box, int count);
void AppendBranchRows(TSchemBoxState& box, int count);
void DeleteNodeRow(TSchemBoxState& box, int row);
void DeleteBranchRow(TSchemBoxState& box, int row);
// Zeroes the row just beyond the row count, which a dialog for a new row may have filled.
void ClearRowBeyond(TDataFile& table);

// Whether the load, the generation and their two energies of a node row are not zero: one of them
// appearing or vanishing changes what the diagram draws at the node.
std::array<bool, 4> NodeSumsPresent(const TNodeCols& n, int row);

// The first node row of a node number; 0 when none.
int NodeRowOf(const TSchemBoxState& box, std::int32_t nodeNr);

}  // namespace ld::diagram::edit
