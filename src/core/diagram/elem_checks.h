#pragma once
// Checks of an element dialog's confirmation: free node numbers, unique node and substation names
// (compared without regard to letter case), and the branch ends that follow a renumbered node.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/colmaps_scheme.h"

namespace ld {

// The number proposed for a node: the first position p of the ascending positive numbers whose number
// is not p, or their count + 1 (with unique numbers the smallest positive number not in use).
std::int32_t AutoNodeNumber(const TNodeCols& nodes);

// The message that refuses a node's number and name, or empty. The name is checked against every row
// only when it differs from the name at opening other than in letter case; the number only when it
// changed.
std::string CheckNodeIdentity(const TNodeCols& nodes, std::int32_t oldNumber, std::int32_t newNumber,
                              std::string_view oldName, std::string_view newName);

// Every branch begin at the old number, else its end, takes the new number. The count of changed rows.
// Nothing changes for an old number of 0 (a new node).
int RenumberBranchEnds(TBranchCols& branches, std::int32_t oldNumber, std::int32_t newNumber);

// True when the new substation name differs from the old one other than in letter case and is one of
// the existing names in any letter case.
bool SubstationNameTaken(const std::vector<std::string>& existing, std::string_view oldName,
                         std::string_view newName);

}  // namespace ld
