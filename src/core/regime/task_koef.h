#pragma once
// The regime of a radial scheme whose branches carry the loads behind them times a coincidence
// coefficient chosen by the number of loads behind the branch: a sweep iteration of its own on the
// engine's model read with the time data of the calculated moment.
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// Iterates the model with coefficients coefs[0..m-1] (coefs[n - 1] for n loads behind a branch, the last
// for more; a branch's own non-zero Kflow wins, and a branch without one takes its coefficient into
// Kflow). Sets Converged, the residual lists and MaxResidualNode like the engine's iteration; the
// results are then those of the model (WriteResults). At least two passes run.
void CalcCoincidenceRegime(TRegime& r, const std::vector<float>& coefs);

}  // namespace ld
