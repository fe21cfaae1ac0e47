#pragma once
// The engine settings of the switching searches (open points, two-transformer stations): they
// recalculate the regime after every trial switching, so each run is one outer pass without damping
// and without messages; the solver's own choices are the program settings'.
namespace ld {

class TRegime;

// Sets everything but the iteration limit and the accuracy, which each search takes itself.
void PrepareTrialEngine(TRegime& engine);

}  // namespace ld
