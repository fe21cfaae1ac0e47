#pragma once
// Metering areas of the model and the metered energy totals of a period (technological consumption).
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/regime/period_report.h"

namespace ld {

class TDataFile;

// Work bit of a metered branch element, and of the branch of a "+" meter.
constexpr std::uint32_t efMeteredBranch = 0x20000000;
constexpr std::uint32_t efPlusMeter = 0x10000000;

// Completes the area marks (each element's Work) after the "+" meters opened their areas: elements take
// their parent's mark below the metered branches, and the two ends of every contour are settled to one
// area, the smaller non-zero mark winning. message gets "Область не оконтурена учетами от узла ..."
// for a walk that found no meter above the losing end.
void ContourMeteringArea(TRegime& regime, const std::function<void(const std::string&)>& message);

// The five totals of the scheme's meters ("Перетоки в линиях") and node energies (node table) over the
// model. Work marks and the top four flag bits of every element are cleared before and after.
TMeterTotals MatchLineFlowMeters(TRegime& regime, const TDataFile& lineFlows, const TDataFile& nodes,
                                 bool sumALoss, const std::function<void(const std::string&)>& message);

}  // namespace ld
