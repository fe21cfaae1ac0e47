#include "core/diagram/flow_anim.h"

#include <algorithm>
#include <array>

#include "core/diagram/dashed.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

float RowValue(const std::vector<float>& values, int row) {
  return row >= 1 && static_cast<std::size_t>(row) <= values.size() ? values[static_cast<std::size_t>(row - 1)] : 0.0f;
}

int Sign(int v) { return (v > 0) - (v < 0); }

class TBandBuilder {
public:
  explicit TBandBuilder(const TSchemBoxState& box)
      : box_(box), w_(box.ClientWidth), h_(box.ClientHeight), gap_(std::max(box.wFlowP, box.wFlowQ) + 1) {}

  std::vector<TFlowLine> Lines;

  void Entry(std::size_t i) {
    const PSElem e = box_.LineHitElem[i];
    if (e == nullptr) return;
    const int x1 = At(box_.LineHitX1, i), y1 = At(box_.LineHitY1, i), y2 = At(box_.LineHitY2, i);
    const bool straight = At(box_.LineHitStraight, i) != 0;
    const int x2 = straight ? x1 : At(box_.LineHitX2, i);
    const int yMid = straight ? y1 : At(box_.LineHitYMid, i);
    if (!InX(x1) && !InX(x2) && !InY(y1) && !InY(y2) && !InY(yMid)) return;

    bool reversed = e->Has(efReversed);
    if (!straight && e->Parent != nullptr && e->Target != nullptr) {
      const SElem& p = *e->Parent;
      const SElem& t = *e->Target;
      // The route was registered from its upper end; when that is the parent's, the element's own
      // end is the far one.
      if (p.Tier < t.Tier || (p.Tier == t.Tier && p.Height >= t.Height)) reversed = !reversed;
    }
    const bool transformer = e->Has(efTransformer) && (straight || y1 != y2);
    const int s = transformer ? 3 * box_.PixHalfYe : 0;

    const float p = RowValue(box_.FlowP, e->BranchRow);
    const float q = RowValue(box_.FlowQ, e->BranchRow);
    if (box_.fFlowP && p != 0) Band(straight, x1, y1, x2, yMid, y2 - s, (p > 0) != reversed, true);
    if (box_.fFlowQ && q != 0) Band(straight, x1, y1, x2, yMid, y2 - s, (q > 0) != reversed, false);
  }

private:
  template <class T>
  static int At(const std::vector<T>& v, std::size_t i) {
    return i < v.size() ? static_cast<int>(v[i]) : 0;
  }
  bool InX(int x) const { return x >= 1 && x <= w_; }
  bool InY(int y) const { return y >= 1 && y <= h_; }

  // forward: from the registry's first end (x1, y1) to its last (x2, yEnd).
  void Band(bool straight, int x1, int y1, int x2, int yMid, int yEnd, bool forward, bool active) {
    const int width = active ? box_.wFlowP : box_.wFlowQ;
    const std::int32_t color = active ? box_.cFlowP : box_.cFlowQ;
    if (width <= 0) return;
    if (straight) {
      // The active band right of the line, the reactive band left of it, whichever way it runs.
      for (int k = 1; k <= width; ++k) {
        const int x = active ? x1 + 1 + k : x1 - 1 - k;
        if (forward)
          Vertical(x, yEnd, y1, color, active);
        else
          Vertical(x, y1, yEnd, color, active);
      }
      return;
    }
    if (x1 == x2) {
      for (int k = 1; k <= width; ++k) {
        const int x = active ? x1 + 1 + k : x1 - 1 - k;
        if (forward)
          Vertical(x, y1, yEnd, color, active);
        else
          Vertical(x, yEnd, y1, color, active);
      }
      return;
    }
    const bool monotone = (y1 < yMid && yMid < yEnd) || (y1 > yMid && yMid > yEnd);
    if (!monotone) return;
    // The legs as the route runs from its first end, each shortened at its corners; a band keeps the
    // side it has on the first leg (right of it for the active band, as on a straight line) on all three.
    const int dy = Sign(yMid - y1), dx = Sign(x2 - x1);
    const std::array<std::array<int, 4>, 3> legs = {{
        {x1, y1, x1, yMid - dy * gap_},
        {x1 + dx * gap_, yMid, x2 - dx * gap_, yMid},
        {x2, yMid + dy * gap_, x2, yEnd},
    }};
    // The normal (ly, -lx) of a leg running (lx, ly) lies on one side of the whole route; on the first
    // leg it points right when the route runs down.
    const int side = (active ? 1 : -1) * dy;
    for (int k = 1; k <= width; ++k) {
      const int off = side * (1 + k);
      for (int n = 0; n < 3; ++n) {
        const auto& leg = legs[static_cast<std::size_t>(forward ? n : 2 - n)];
        const int lx = Sign(leg[2] - leg[0]), ly = Sign(leg[3] - leg[1]);
        // Normal of the leg as the route runs, whichever way the band is drawn.
        const int nx = ly * off, ny = -lx * off;
        int ax = leg[0] + nx, ay = leg[1] + ny, bx = leg[2] + nx, by = leg[3] + ny;
        if (!forward) {
          std::swap(ax, bx);
          std::swap(ay, by);
        }
        if (ax == bx)
          Vertical(ax, ay, by, color, active);
        else
          Horizontal(ay, ax, bx, color, active);
      }
    }
  }

  void Vertical(int x, int ya, int yb, std::int32_t color, bool active) {
    if (x < 1 || x > w_ - 1) return;
    ya = std::clamp(ya, 0, h_);
    yb = std::clamp(yb, 0, h_);
    if (ya != yb) Lines.push_back({x, ya, x, yb, color, active});
  }
  void Horizontal(int y, int xa, int xb, std::int32_t color, bool active) {
    if (y < 1 || y > h_ - 1) return;
    xa = std::clamp(xa, 0, w_);
    xb = std::clamp(xb, 0, w_);
    if (xa != xb) Lines.push_back({xa, y, xb, y, color, active});
  }

  const TSchemBoxState& box_;
  int w_, h_;
  int gap_;  // how far a leg stops short of a corner
};

}  // namespace

std::vector<TFlowLine> FlowBandLines(const TSchemBoxState& box) {
  TBandBuilder builder(box);
  for (std::size_t i = 0; i < box.LineHitElem.size(); ++i) builder.Entry(i);
  return std::move(builder.Lines);
}

bool FlowTimerTick(TSchemBoxState& box, TFlowFrame& frame) {
  if (box.Busy) return false;
  if (box.PixHalfH <= 0 || box.PixQuarterH <= 0) return false;
  if (!box.fMoveFlows || box.CurModel == nullptr || box.CurModel->First == nullptr || !(box.fFlowP || box.fFlowQ))
    return false;
  frame.Lines = FlowBandLines(box);
  frame.Phase = box.FlowPhase;
  frame.Dash = box.PixHalfH;
  frame.Gap = box.PixQuarterH;
  frame.Background = box.cBk;
  if (++box.FlowPhase > box.PixHalfH + box.PixQuarterH) box.FlowPhase = 0;
  return true;
}

void PaintFlowFrame(TCanvas& canvas, const TFlowFrame& frame) {
  const TPen pen = canvas.Pen;
  canvas.Pen.Width = 1;
  for (const TFlowLine& line : frame.Lines) {
    const int xs[2] = {line.X1, line.X2};
    const int ys[2] = {line.Y1, line.Y2};
    DrawDashedPolyline(canvas, xs, ys, {frame.Dash, frame.Gap}, {line.Color, frame.Background}, frame.Phase);
  }
  canvas.Pen = pen;
}

TFlowRect FlowLineRect(const TFlowLine& line) {
  return {std::min(line.X1, line.X2), std::min(line.Y1, line.Y2), std::max(line.X1, line.X2) + 1,
          std::max(line.Y1, line.Y2) + 1};
}

}  // namespace ld::diagram
