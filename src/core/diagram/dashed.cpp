#include "core/diagram/dashed.h"

#include <algorithm>
#include <cstdlib>

namespace ld::diagram {

TDashState DashStart(std::array<int, 2> lengths, int offset) {
  if (offset == 0) return {0, 0};
  if (lengths[1] < offset) return {0, offset - lengths[1]};
  return {1, offset};
}

void DashSegment(int x1, int y1, int x2, int y2, std::array<int, 2> lengths, TDashState& state,
                 const TDashSink& sink) {
  if (lengths[0] <= 0 || lengths[1] <= 0) return;
  const bool alongX = x1 != x2;
  const int from = alongX ? x1 : y1;
  const int to = alongX ? x2 : y2;
  int len = std::abs(to - from);
  if (len == 0) return;
  const int dir = to > from ? 1 : -1;
  int pos = from;
  int dash = state.Left > 0 ? state.Left : lengths[state.State];
  while (len > 0) {
    const int step = std::min(dash, len);
    const int next = pos + dir * step;
    if (alongX)
      sink({pos, y1, next, y1, state.State});
    else
      sink({x1, pos, x1, next, state.State});
    pos = next;
    len -= step;
    if (step == dash) {
      // A dash or gap came to its end, here or on an earlier piece: the next one begins whole.
      state.State = 1 - state.State;
      state.Left = 0;
      dash = lengths[state.State];
    } else {
      state.Left = dash - step;
    }
  }
}

void DrawDashedSegment(TCanvas& canvas, int x1, int y1, int x2, int y2, std::array<int, 2> lengths,
                       std::array<std::int32_t, 2> colors, TDashState& state) {
  canvas.MoveTo(x1, y1);
  DashSegment(x1, y1, x2, y2, lengths, state, [&](const TDashRun& run) {
    canvas.Pen.Color = colors[static_cast<std::size_t>(run.Colour)];
    canvas.LineTo(run.X2, run.Y2);
  });
}

void DrawDashedPolyline(TCanvas& canvas, std::span<const int> xs, std::span<const int> ys,
                        std::array<int, 2> lengths, std::array<std::int32_t, 2> colors, int offset) {
  const std::size_t n = std::min(xs.size(), ys.size());
  if (n < 2) return;
  const std::int32_t pen = canvas.Pen.Color;
  TDashState state = DashStart(lengths, offset);
  for (std::size_t i = 0; i + 1 < n; ++i)
    DrawDashedSegment(canvas, xs[i], ys[i], xs[i + 1], ys[i + 1], lengths, colors, state);
  canvas.Pen.Color = pen;
}

}  // namespace ld::diagram
