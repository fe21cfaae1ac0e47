#pragma once
// Supply of the nodes over a calculated period from the scheme's switching table: which branches are
// off when the period begins, the switching moments inside it, and for every node the moments at
// which it gains or loses supply.
//
// The period is made of whole days: from 00:00 of Date1's day to 00:00 after Date2's day, as the
// graph grids run. Switching rows keep their moments as PackedDateTime values, so the period bounds
// are packed too before anything is compared.
#include <cstdint>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/engine/regime.h"

namespace ld {

// A loop-closing element with the element that carries its node: supply passes between the two
// sides of a closed loop-closing branch as it does along a tree branch.
using TSupplyLink = std::pair<TRegimeElement*, TRegimeElement*>;
std::vector<TSupplyLink> SupplyLinks(const TRegime& regime);

// In tree order: a supplied source gets efSupplied, any other element that is not switched off takes
// it from its parent. Marks are only added. Nothing is fed by the root itself: the nodes that model
// building found without supply, and the fictitious branches of fixed-voltage nodes, hang on the
// root without being joined to it.
void PropagateSupply(TRegime& regime);
// Marks the element and its ancestors, up to an element that is switched off or a source.
void MarkPathSupplied(TRegimeElement* element);
// PropagateSupply, then, until nothing changes, supply carried across every link whose two sides
// differ, from the supplied side to the other.
void SpreadSupply(TRegime& regime, const std::vector<TSupplyLink>& links);

// The switching part of the time data. Reads the switching table of the scheme (none: nothing
// switches), brings a copy of the branch table to the period start by replaying the journal from the
// scheme's switching date, and links the rows of the period to their branch elements; with
// TypCalcPQ 1-3 and a step, each row's time of day is rounded up to the step. Fills
// regime.SwitchMoments after its item 0, the SupplyTimes of every node element that lacks supply for a
// part of the period (signed moments from the period start, closed by the period end; a node supplied
// throughout has none, which reads as the same) and regime.SupplyHours. Leaves the elements without
// switching marks. False when the stage must end (a failed replay; ModelError is set).
bool BuildSwitchingTable(TRegime& regime, int Step, std::uint8_t TypCalcPQ, TDateTime Date1, TDateTime Date2);

}  // namespace ld
