#pragma once
// The subscriber lists of the diagram's pop-up menus: who is fed from a substation, a node or a line,
// from the district subscriber tables of the scheme.
#include <functional>
#include <string>
#include <vector>

#include "core/tables/layout.h"

namespace ld {

class TRegime;

struct TSubscriberSources {
  TDataFile Consumers;    // "Формат РЭС (абоненты)"
  TDataFile MeterPoints;  // "База промышленных абонентов"
  TDataFile Households;   // "База бытовых абонентов"
};

// Reads the three tables of the scheme at base; a missing file gives an empty table of its layout.
void ReadSubscriberSources(const std::string& base, TSubscriberSources& sources,
                           const std::function<void(int)>& progress = {});

// "Список присоединенных абонентов" of a substation (its name upper-cased, without the part after a
// dot): one row per contract with the energy of its metering points, a last row of the households.
void FillSubstationSubscribers(const TSubscriberSources& sources, const std::string& substation, TDataFile& table);

// The metering points and households linked to any of the node names, in a table of the metering
// point layout with WP, WQp, WQg, dWP, dWQ shown and a total row "Всего" of mark 255.
void CollectSubscribersOfNames(const TSubscriberSources& sources, const std::vector<std::string>& names,
                               TDataFile& table);

// The names of the nodes of the line n1-n2 (either order) and of everything supplied through it, in
// tree order; empty when the engine's model has no such line.
std::vector<std::string> NamesSuppliedByLine(const TRegime& regime, std::int32_t n1, std::int32_t n2);

}  // namespace ld
