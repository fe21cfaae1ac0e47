#pragma once
// Two maintenance rewrites of a district base's names in place: the tap-off node numbers of the line
// table made unique, and the qualified names of the stations' sectioning switches shortened.
#include "core/district/measure_sheet.h"
#include "core/tables/layout.h"

namespace ld {

// Line table "Формат РЭС (линии)": a run of rows marked "+" in Sign forms, with the row just above
// it, one tap-off block whose node names that are integers (1, 2, 3 ...) are local to it. Each such
// number becomes "_<N>", N running on from the largest "_<integer>" of Name1 and Name2, renamed in
// the row where the block first names it and in the block's rows below; the "+" marks are cleared. A
// second run finds no marks and changes nothing. progress: 10 more at each tenth of the rows.
void RenumberTapOffs(TDataFile& lines, const TMeasureProgress& progress = {});

// Station table "Формат РЭС (ТП,РП)": NameC keeps the part between its first and second "." ("A" stays
// "A", "A.B" and "A.B.C" become "B").
void RenameSectionSwitches(TDataFile& stations, const TMeasureProgress& progress = {});

}  // namespace ld
