#pragma once
// Balancing of the slices of a period to the metered flows of "Перетоки в линиях", and the energies of
// those flows added up over the slices.
#include <functional>
#include <string>

#include "core/base/dates.h"
#include "core/engine/regime.h"

namespace ld {

class TDataFile;

// Registers the rows of lineFlows (rows with B set are left out) with a fresh balancer over the model
// and prepares it. False when the run must end: a row without a valid load kind, or a row that gives
// its flow by graphs, which the balancing of slices does not follow. Missing branches are reported
// (with showErrors) and skipped. hours: the hours of the period, for the energies of kinds 4 and 5.
bool PrepareLoadBalancing(TRegime& regime, TDataFile& lineFlows, const TDataFile& nodes, double hours,
                          bool showErrors, const std::function<void(const std::string&)>& message);

// Clears the eight energy columns of the metered flows.
void ClearMeterEnergies(TDataFile& lineFlows);
// Adds the slice's flows before and after balancing (MW, Mvar) times h hours, in kW·h and kvar·h, to
// the rows of the registered flows: a positive value into the "r" column, a negative one into "l".
void AddMeterEnergies(TDataFile& lineFlows, double h);

}  // namespace ld
