#pragma once
// The energy balance of a scheme by metering areas: per area the energy received, given out, consumed,
// generated and used for own needs, the calculated technical losses, the technological consumption,
// the imbalance and the metrological error, with a grand total ("Балансы электроэнергии").
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/tables/layout.h"

namespace ld {

// What the report reads of the scheme: the meters ("Перетоки в линиях"), the nodes with the energies of
// the period, the branches and the energy-flow table of the period loss calculation.
struct TBalanceInputs {
  const TDataFile* LineFlows = nullptr;
  const TDataFile* Nodes = nullptr;
  const TDataFile* Branches = nullptr;
  const TDataFile* BranchEnergy = nullptr;
};

struct TBalanceOptions {
  bool Detailed = false;   // the rows of each area stay under its header
  bool AllMeters = false;  // every meter bounds an area, not only "+", "-", "П" and the selected ones
  bool OurLoss = false;    // losses of subscriber ("А") and other companies' ("С") networks left out
  bool SumALoss = true;    // subscriber network losses added to the consumption
  bool FullBalans = true;  // every element row kept, not only those with energies
  bool DynamicFlow = false;
  double MPp = 0.5, MPm = 0.5, MPn = 0.5, MPg = 0.5;  // average meter errors, %
};

// Fills `report` (layout "Балансы электроэнергии") from the meters whose mark is negative (marks[row],
// row 1 to the line-flow row count; a missing entry is not selected). The model must be loaded; it is
// left as found, apart from Work and the work flags, which are 0 afterwards. Returns false, leaving
// `report` untouched, when the model has an error. message gets the lines of the message pane.
bool BuildBalanceReport(TRegime& regime, const TBalanceInputs& inputs, const std::vector<std::int32_t>& marks,
                        const TBalanceOptions& options, TDataFile& report,
                        const std::function<void(const std::string&)>& message);

// Row marks of the report.
inline constexpr std::uint8_t kBalanceNoEnergyMark = 64;
inline constexpr std::uint8_t kBalanceHeaderMark = 16;
inline constexpr std::uint8_t kBalanceTotalMark = 255;

}  // namespace ld
