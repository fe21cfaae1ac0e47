#pragma once
// What the steps of the reactive optimisation share among their files.
#include <vector>

#include "core/optim/q_optim.h"

namespace ld::qsteps {

// A source takes part when it has an element that a balancing node supplies and a voltage for its step.
bool Active(const TQOptimState& s, int row);
// The derivative step of a source, MVAr: 0.001 × its nominal voltage.
double StepH(const TQOptimState& s, int row);
int Rows(const TQCols& c, const TQOptimState& s);
void SavePrevious(const TQCols& c, TQOptimState& s);
// Clamps Qopt of a row to its bounds, sets dQ and the element's generated power; true when clamped.
bool PlaceSource(const TQCols& c, TQOptimState& s, int row);
// Qopt += Snap for every row, then PlaceSource; the largest |Grad| of the rows not clamped.
double CommonUpdate(const TQCols& c, TQOptimState& s);
std::vector<double> Totals(const TQCols& c, const TQOptimState& s);

// A direction from a base point of the source totals.
struct Line {
  std::vector<double> x0, dir;
  double Ku = 0, Kdp = 0;
};
double LineSearch(const TDataFile& table, TRegime& regime, const TQCols& c, TQOptimState& s, const Line& line,
                  double t, double& F0);
double RefineStep(const TDataFile& table, TRegime& regime, const TQCols& c, TQOptimState& s, const Line& line,
                  double t, double& F0, double EpsOpt);
double EvaluateShifted(const TDataFile& table, TRegime& regime, TQOptimState& s, int r, double dx, int row,
                       double Ku, double Kdp);

}  // namespace ld::qsteps
