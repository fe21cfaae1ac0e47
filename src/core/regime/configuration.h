#pragma once
// The configuration control of a scheme without a regime: the counts of the analysed model and the
// substations named in the node table.
#include <string>
#include <vector>

#include "core/tables/layout.h"

namespace ld {

class TRegime;

// The lines the configuration analysis puts under its heading: an empty line and the four counts.
std::vector<std::string> ConfigurationCounts(const TRegime& regime);

// The substations of a node table in text order: each node name up to its first ".", once; tap-off
// nodes ("ОТП...", "ВІДП..." in any letter case) and names beginning with "_" are no substations.
std::vector<std::string> BuildSubstationList(const TDataFile& nodes);

}  // namespace ld
