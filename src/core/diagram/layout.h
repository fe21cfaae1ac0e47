#pragma once
// Automatic layout of a diagram model. The diagram stores no coordinates: every element's tier,
// box, connection points, ring-link tracks and bends and the rows of the branch captions follow from
// the font of the canvas alone, so the same model comes out the same on the screen, a printer or a
// bitmap, only scaled.
#include "core/diagram/canvas.h"
#include "core/diagram/model.h"

namespace ld::diagram {

class TSchemBoxState;

// Lays out a built model on canvas. Recomputes the control's pixel metrics from the canvas font,
// rebuilds the nested models of the expanded substations (top model only) and writes the control's
// FlowP and FlowQ. FlagDR and the canvas font are as they were afterwards, also when it throws.
void LayoutScheme(TSchemBoxState& box, TCanvas& canvas, TSchemeModel& model);

// Makes LayoutScheme the control's layout, run by BuildScheme and RelayoutScheme.
void InstallLayout(TSchemBoxState& box);

}  // namespace ld::diagram
