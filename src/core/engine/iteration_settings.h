#pragma once
// What of the user's regime settings every calculation of the engine takes.
namespace ld {

class TRegime;
struct TIniRec;

// Iteration counts, accuracy, both dampings, the holding of fixed voltages and its algorithm, the start
// voltages and the static load characteristics. The reactive limits, the load kind and the like stay
// each caller's choice.
void TakeIterationSettings(TRegime& engine, const TIniRec& ini);

}  // namespace ld
