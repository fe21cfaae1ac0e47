#pragma once
// The two-colour dashed polyline of the flow animation: dashes of the first colour and gaps of the
// second, running on across corners, the whole pattern shifted along the line by a phase.
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "core/diagram/canvas.h"

namespace ld::diagram {

// Where the pattern stands: the piece being drawn (0 the dash, 1 the gap) and what is left of it;
// Left 0 starts the piece whole.
struct TDashState {
  int State = 0;
  int Left = 0;
};

// One drawn run of the pattern: from (X1, Y1) to (X2, Y2), in colour Colour (0 or 1).
struct TDashRun {
  int X1, Y1, X2, Y2;
  int Colour;
};
using TDashSink = std::function<void(const TDashRun& run)>;

// The start of the pattern at a phase: a whole dash at 0; with a phase beyond the gap, the dash with
// phase - gap left; otherwise the gap with phase left. Each step of the phase moves the pattern one
// pixel from the first vertex toward the last.
TDashState DashStart(std::array<int, 2> lengths, int offset);

// One axis-parallel piece from (x1, y1) to (x2, y2), walking backwards where the piece runs right to
// left or bottom to top; state carries the pattern over to the next piece. Lengths that are not
// positive draw nothing (a zero font height gives zero dashes, and the walk would never advance).
void DashSegment(int x1, int y1, int x2, int y2, std::array<int, 2> lengths, TDashState& state,
                 const TDashSink& sink);

// The polyline through the vertices (at least two; every piece horizontal or vertical) on the canvas,
// in pen colours colors[0] for dashes and colors[1] for gaps; the canvas's pen colour is kept.
void DrawDashedPolyline(TCanvas& canvas, std::span<const int> xs, std::span<const int> ys,
                        std::array<int, 2> lengths, std::array<std::int32_t, 2> colors, int offset);
// One piece on the canvas from the pen position's piece start (x1, y1) to (x2, y2).
void DrawDashedSegment(TCanvas& canvas, int x1, int y1, int x2, int y2, std::array<int, 2> lengths,
                       std::array<std::int32_t, 2> colors, TDashState& state);

}  // namespace ld::diagram
