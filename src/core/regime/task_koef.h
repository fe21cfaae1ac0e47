#pragma once
// The regime of a radial scheme whose branches carry the loads behind them times a coincidence
// coefficient chosen by the number of loads behind the branch: a sweep iteration of its own on the
// engine's model read with the time data of the calculated moment.
#include <functional>
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// Iterates the model with coefficients coefs[0..m-1] (coefs[n - 1] for n loads behind a branch, the last
// for more; a branch's own non-zero Kflow wins, and a branch without one takes its coefficient into
// Kflow). Sets Converged, the residual lists and MaxResidualNode like the engine's iteration; the
// results are then those of the model (WriteResults). At least two passes run.
void CalcCoincidenceRegime(TRegime& r, const std::vector<float>& coefs);

// "Расчет режима по коэф. совмещения" of the scheme at path: the model read at the settings' moment, the
// regime iterated with the coefficients and its results written (WriteRegimeResults), the scheme's tables
// locked throughout. False, with nothing written, when the model cannot be built (its errors in errors).
// notConverged hears a regime that does not converge before its results are written. The model carries
// the coefficients in its branches after: the next command reads the scheme anew.
bool CalculateCoincidenceRegime(TRegime& r, const std::string& path, const std::vector<float>& coefs,
                                std::vector<std::string>& errors, const std::function<void()>& notConverged = {});

}  // namespace ld
