#pragma once
// Matching the rows of a source table to a model that holds the scheme.
#include <cstdint>
#include <string>

#include "core/optim/q_optim.h"

namespace ld {

// The element that carries node `number` (not a loop-closing one); nullptr when the model has none.
TRegimeElement* FindQNode(TRegime& regime, std::int32_t number);

// Prepares every row as the window's initial regime does: results cleared, Qopt := Qish, the source's
// generated power set from Qish and its start value kept, the watched nodes found. With the node table
// given, a watched node's limits become its Um (both bounds). False with "Узел <n> не найден" when a
// node is not in the model.
bool PrepareQRows(TDataFile& table, TRegime& regime, TQOptimState& state, const TDataFile* nodesForUm,
                  std::string& error);

// Umod and U2mod from the model's voltages; violated when a watched node lies outside a non-zero bound.
void UpdateWatchedVoltages(TDataFile& table, const TQOptimState& state, bool& violated);

}  // namespace ld
