#pragma once
// Tap regulation of one time slice of the period loss calculation: the coordinate descent of the tap
// model over the scheme's table "Трансформаторы", on the caller's engine, without a window.
#include <string>
#include <vector>

#include "core/engine/regime.h"

namespace ld {

// What the period calculation knows of the slice's voltage graphs.
struct TKtrSliceVoltages {
  // The voltage in kV of each node's voltage graph at the slice, by node row of the scheme's node table
  // (item 0 unused). A row beyond the vector, or holding 0, has no voltage graph loaded; an empty vector
  // means the period uses no voltage graphs.
  std::vector<double> ByNodeRow;

  double At(int nodeRow) const {
    return nodeRow > 0 && nodeRow < static_cast<int>(ByNodeRow.size()) ? ByNodeRow[nodeRow] : 0;
  }
};

// regime: its model built and the slice's regime calculated. Reads "Трансформаторы" of the engine's
// scheme and [OptimT] of the program INI file, binds the rows (a control node with a voltage graph is
// held at the slice's voltage), runs the descent and leaves the model with the chosen taps and their
// regime. True when an accepted step changed a tap. Errors are lines of log and end the routine with
// False; without a table file it returns False at once and logs nothing. The table is written back
// with the new taps and ratios (its stored kinds of regulation and voltage limits as they were); the
// branch file only when writeBranches. With held, the table is the caller's, to be written in the
// caller's own run with the tables it belongs to: read from the file while held is empty, left there with
// the new taps, and no file is written.
bool RegulateKtrInLossCalc(TRegime& regime, const TKtrSliceVoltages& slice, std::vector<std::string>& log,
                           bool writeBranches, TDataFile* held = nullptr);

}  // namespace ld
