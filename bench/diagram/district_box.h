#pragma once
// A diagram control state holding a generated district scheme: the supply points paired into
// substations with two bus sections ("ПС-k.1", "ПС-k.2"), every 10 kV node a transformer station
// "ТП-n" with its 0.4 kV bus "ТП-n.0,4", so that grouping, sections, the walk, the targets and the
// captions all have work. Settings are the defaults; every node and branch is shown.
#include <memory>
#include <string>

#include "core/diagram/schem_state.h"

namespace ld::bench {

std::unique_ptr<diagram::TSchemBoxState> MakeDistrictBox(int nodeCount, const std::string& iniName);

}  // namespace ld::bench
