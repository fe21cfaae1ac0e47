#pragma once
// Reactive sources following the load in the period loss calculation: after each time slice's regime the
// optimisation runs without a window on the loss calculation's engine and leaves the optimised powers in
// its model.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/base/callbacks.h"

namespace ld {

class TRegime;
struct TDataFile;

// The voltage-graph values of the slice being calculated: for each node that has a voltage graph, its
// value at that slice (kV), keyed by the node number (NS). The period loss calculation fills it from its
// period data; an empty map means that no node has a voltage graph. A watched node found here is held at
// this value (both bounds) whatever the table holds.
struct TSliceVoltages {
  std::map<std::int32_t, double> NodeVoltage;
};

// Optimises the sources of the scheme's table "Оптимизация реактивов" on the engine's model of the
// slice (read, matrices formed and iterated). Without the table file nothing happens. Error lines go to
// Log; the table file is rewritten under the caller's lock with the slice's results. With WriteNodes the
// powers also go into the node table. The stop query, when given, is asked after each step; the call has
// its own stop flag, so a stopped window run never cuts a regulation short. The economics of the
// payback limit take the slice's losses before the regulation as the losses to save from. With Held, the
// table is the caller's, to be written in the caller's own run with the tables it belongs to: read from
// the file while Held is empty, left there with the slice's results instead of the file rewritten.
void RegulateQInLossCalc(TRegime& Regime, int Slice, std::vector<std::string>& Log, const std::string& SliceText,
                         bool WriteNodes, const TSliceVoltages& Voltages, const TStopQuery& Stop = {},
                         TDataFile* Held = nullptr);

}  // namespace ld
