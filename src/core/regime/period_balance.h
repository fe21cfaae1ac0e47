#pragma once
// Balancing of the slices of a period to the metered flows of "Перетоки в линиях", and the energies of
// those flows added up over the slices.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/dates.h"
#include "core/engine/regime.h"

namespace ld {

class TDataFile;

// Where the rows of the line-flow table take their graphs from: the scheme's graph catalogue and values
// and the period of the run. Mode is the run's TypCalcPQ: 0..2 reduce a graph to its mean, minimum or
// maximum, 3 follows it slice by slice on the slice grid (Step seconds).
struct TFlowGraphSource {
  const TDataFile* Catalog = nullptr;
  const TDataFile* Values = nullptr;
  std::uint8_t Mode = 0;
  TDateTime Date1 = 0, Date2 = 0;
  int Step = 3600;
};

// The given flows of the slices, in the order the balancer holds them (FixFlowGivenFlows): for each, its
// P and Q of every slice; empty for a flow that keeps its registered values.
struct TGivenFlowSeries {
  std::vector<std::vector<double>> P, Q;
};

// Registers the rows of lineFlows (rows with B set are left out) with a fresh balancer over the model
// and prepares it. False when the run must end: a row without a valid load kind. A row that names
// graphs takes its flow from them (source; without it, from its given values); a graph that cannot be
// read is reported and its direction keeps its given value. Missing branches are reported (with
// showErrors) and skipped. hours: the hours of the period, for the energies of kinds 4 and 5. series,
// when given, receives the slices' flows of graph mode.
bool PrepareLoadBalancing(TRegime& regime, TDataFile& lineFlows, const TDataFile& nodes, double hours,
                          bool showErrors, const std::function<void(const std::string&)>& message,
                          const TFlowGraphSource* source = nullptr, TGivenFlowSeries* series = nullptr);

// Gives the balancer the flows of slice (1-based) from their series.
void LoadSliceGivenFlows(const TGivenFlowSeries& series, int slice);

// Clears the eight energy columns of the metered flows.
void ClearMeterEnergies(TDataFile& lineFlows);
// Adds the slice's flows before and after balancing (MW, Mvar) times h hours, in kW·h and kvar·h, to
// the rows of the registered flows: a positive value into the "r" column, a negative one into "l".
void AddMeterEnergies(TDataFile& lineFlows, double h);

}  // namespace ld
