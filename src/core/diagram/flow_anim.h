#pragma once
// The flow animation: bands of dashes that creep along every drawn branch in the direction of its
// active and reactive flow, the active band on one side of the line and the reactive on the other.
// The bands are worked out here from the line registry of the last drawing pass; the control paints
// them over its last picture at each tick, without a drawing pass.
#include <cstdint>
#include <vector>

#include "core/diagram/canvas.h"

namespace ld::diagram {

class TSchemBoxState;

// One band line: a one-pixel dashed line from (X1, Y1) to (X2, Y2) (horizontal or vertical) in the
// band's colour, its gaps in the background colour.
struct TFlowLine {
  int X1, Y1, X2, Y2;
  std::int32_t Color;
  bool Active;  // the active band; false for the reactive one
};

// The band lines of the registry entries that touch the control's client area, clipped to it.
std::vector<TFlowLine> FlowBandLines(const TSchemBoxState& box);

// What one tick paints: the lines and the phase and pattern to paint them with.
struct TFlowFrame {
  std::vector<TFlowLine> Lines;
  int Phase = 0;
  int Dash = 0, Gap = 0;
  std::int32_t Background = 0;
};

// One tick of the animation timer. Nothing while Busy, nor when the dash or the gap is zero (a font
// of no height); otherwise, with the animation on, a model drawn and a band chosen, the frame gets
// the band lines at the present phase and the phase moves one pixel on, back to 0 after Dash + Gap.
// True when the frame is to be painted.
bool FlowTimerTick(TSchemBoxState& box, TFlowFrame& frame);

// Paints a frame's lines on a canvas.
void PaintFlowFrame(TCanvas& canvas, const TFlowFrame& frame);

// The pixels a line's dashes cover: its bounding rectangle, (x1, y1) inclusive, (x2, y2) exclusive.
struct TFlowRect {
  int X1, Y1, X2, Y2;
};
TFlowRect FlowLineRect(const TFlowLine& line);

}  // namespace ld::diagram
