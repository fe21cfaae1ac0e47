#include "core/engine/regime.h"

namespace ld {

// Without a switching table and without load, voltage or ratio graphs the model already holds the
// state of every moment: the loads, voltages and ratios read from the tables.
void TRegime::ApplyTimeData(std::uint8_t /*TypCalcPQ*/, int /*Step*/, double /*Date1*/, double /*Date2*/,
                            double /*CalcDate*/, bool /*KeepSeries*/) {}

void TRegime::FreeTimeData() {
  SwitchMoments.clear();
  SupplyHours.clear();
  GraphCache.clear();
  CachedGraphs.clear();
  SavedNg_n.clear();
  SavedNq_n.clear();
  SavedNg_g.clear();
  SavedNq_g.clear();
  SavedNg_u.clear();
  SavedNg_kta.clear();
  SavedNg_ktr.clear();
}

}  // namespace ld
