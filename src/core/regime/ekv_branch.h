#pragma once
// Branch-end equivalents and district numbering on the scheme's tables. A branch cut or removed
// "equivalently" leaves the power that it carried at its ends booked there as generation, so that the
// next calculation gives the same flows in the rest of the network. All of it works from the results of
// the last regime calculation kept in the branch rows.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/tables/layout.h"

namespace ld {

// A fictitious supply node of a cut replaces node n under the number kCutNodeBase + n.
constexpr std::int32_t kCutNodeBase = 100000;

// Powers at the start (P1 + jQ1, into the branch) and the end (P2 + jQ2, out of it) of a branch row,
// from its stored results, with R and X scaled by the row's load distribution (Tz).
void BranchEndPowers(const TDataFile& branches, int row, double& P1, double& Q1, double& P2, double& Q2);

// Cuts the branch row at its start (tag 1) or its end (tag 2) in the tables held in memory: the cut
// node gets the branch's power as generation, the fictitious supply node (appended once per cut node,
// balancing, at the cut node's calculated voltage and angle, row mark 16) takes it back, and the row's
// end is moved to that node. False, with nothing changed, when the cut node has no row.
bool EkvCutBranch(int tag, TDataFile& nodes, TDataFile& branches, int row);

// Books the powers of the branch row at its end nodes for its removal (the row itself stays; its
// removal is the caller's).
void EkvDeleteBranch(TDataFile& nodes, const TDataFile& branches, int row);

// Rows whose mark byte equals mark, the last first (a removal then never shifts a row still to come).
std::vector<int> MarkedRowsLastFirst(const TDataFile& table, std::uint8_t mark);

// The equivalent cut (tag 1, 2) or removal (tag 0) of the given branch rows, in the order given, on the
// node table of the scheme read from its file and written back after each row. locked: the caller holds
// the node file's lock, which is released for each write and taken again. deleteRow removes a branch
// row (by default from the table itself). Returns the number of rows handled.
int EkvBranchEnds(const std::string& schemePath, TDataFile& branches, int tag, const std::vector<int>& rows,
                  bool locked, const std::function<void(int row)>& deleteRow = {});

// The warning of the branch commands when the grid shows another table or may not be edited.
std::string BranchTableNeededText();

// The whole branch-end command on the grid's branch table after the grid has been saved (so that the
// grid holds no lock of its own): locks the scheme's node and branch files, handles the rows marked
// with mark from the last to the first, and unlocks. A removal is asked once for all rows
// ("Удалить запись ?") before anything is booked: "Нет" changes nothing. Returns the rows handled; the
// caller then saves the branch table.
int EkvBranchCommand(const std::string& schemePath, TDataFile& branches, int tag, std::uint8_t mark);

// The district numbering on the grid's branch table under the scheme's locks. Returns the rows changed.
int SetRayonCommand(const std::string& schemePath, TDataFile& branches);

// District numbers of the branches from their end nodes: where both end nodes exist and share a
// district, the branch takes it; every other branch keeps its own. Returns the number of rows changed.
int SetBranchDistricts(const TDataFile& nodes, TDataFile& branches);

}  // namespace ld
