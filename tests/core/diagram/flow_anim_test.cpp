#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/diagram/dashed.h"
#include "core/diagram/draw.h"
#include "core/diagram/flow_anim.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/recording_canvas.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using test::PrimKind;
using test::RecordingCanvas;

// The colour of each pixel a dashed run covers along its axis, from the first vertex on: 'D' dash,
// 'g' gap.
std::string Pixels(const std::vector<TDashRun>& runs) {
  std::string s;
  for (const TDashRun& r : runs) {
    const int len = std::abs(r.X2 - r.X1) + std::abs(r.Y2 - r.Y1);
    s.append(static_cast<std::size_t>(len), r.Colour == 0 ? 'D' : 'g');
  }
  return s;
}

std::vector<TDashRun> Dash(std::vector<TPoint> points, int offset, std::array<int, 2> lengths = {3, 2}) {
  std::vector<TDashRun> runs;
  TDashState state = DashStart(lengths, offset);
  for (std::size_t i = 0; i + 1 < points.size(); ++i)
    DashSegment(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, lengths, state,
                [&](const TDashRun& r) { runs.push_back(r); });
  return runs;
}

TEST(DashedLine, PatternPhaseDirectionAndCorners) {
  // Phase 0 begins with a whole dash; each step of the phase moves the pattern one pixel on.
  EXPECT_EQ(Pixels(Dash({{0, 0}, {12, 0}}, 0)), "DDDggDDDggDD");
  EXPECT_EQ(Pixels(Dash({{0, 0}, {12, 0}}, 1)), "gDDDggDDDggD");


  // Over corners the pattern runs on: a dash cut by the corner ends on the next piece.
  EXPECT_EQ(Pixels(Dash({{0, 0}, {4, 0}, {4, 8}, {0, 8}}, 0)), "DDDggDDDggDDDggD");
  // A gap that ends exactly at a corner gives the next piece a whole dash.
  EXPECT_EQ(Pixels(Dash({{0, 0}, {5, 0}, {5, 5}}, 0)), "DDDggDDDgg");

  // A font of no height gives dashes and gaps of 0: nothing is drawn, and the walk ends.
  EXPECT_TRUE(Dash({{0, 0}, {100, 0}}, 0, {0, 0}).empty());
  EXPECT_TRUE(Dash({{0, 0}, {100, 0}}, 3, {7, 0}).empty());
}

// The scheme drawn as the control paints it on a 200 × 200 area, with flows on.
struct Animated : test::ShownScheme {
  explicit Animated(const DiagramScheme& scheme)
      : ShownScheme(scheme, [](TSchemBoxState& b) { b.fMoveFlows = true; }) {}
  std::vector<TFlowLine> Lines() {
    TFlowFrame frame;
    const int phase = box.FlowPhase;
    EXPECT_TRUE(FlowTimerTick(box, frame));
    EXPECT_EQ(frame.Phase, phase);
    return frame.Lines;
  }
};

std::vector<TFlowLine> Of(const std::vector<TFlowLine>& lines, int x) {
  std::vector<TFlowLine> out;
  for (const TFlowLine& l : lines)
    if (l.X1 == x && l.X2 == x) out.push_back(l);
  return out;
}

TEST(FlowAnimation, BandsBesideEachLineInTheDirectionOfTheFlow) {
  Animated f(test::ForkScheme());
  // C's line runs at x 21 from 89 (B's end) to 106 (C's own end).
  f.box.FlowP = {0, 2.5f, 0};
  f.box.FlowQ = {0, 1.0f, -1.0f};
  std::vector<TFlowLine> lines = f.Lines();
  const std::vector<TFlowLine> active = Of(lines, 23), reactive = Of(lines, 19);
  ASSERT_EQ(active.size(), 1u);
  ASSERT_EQ(reactive.size(), 1u);
  // The branch is drawn from B (its begin, upstream): a positive flow creeps from B down to C.
  EXPECT_EQ(active[0].Y1, 89);
  EXPECT_EQ(active[0].Y2, 106);
  // D has no active flow: only its reactive band, running up.
  const std::vector<TFlowLine> d = Of(lines, 47);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].Y1, 106);
  EXPECT_EQ(d[0].Y2, 89);
  EXPECT_TRUE(Of(lines, 51).empty());
  EXPECT_EQ(lines.size(), 3u);

  // Without widths nothing is drawn, yet the phase moves on.
  f.box.wFlowP = f.box.wFlowQ = 0;
  const int phase = f.box.FlowPhase;
  EXPECT_TRUE(f.Lines().empty());
  EXPECT_EQ(f.box.FlowPhase, phase + 1);
  // A command running: the phase stays.
  f.box.Busy = true;
  TFlowFrame frame;
  EXPECT_FALSE(FlowTimerTick(f.box, frame));
  EXPECT_EQ(f.box.FlowPhase, phase + 1);
  // A font of no height leaves dashes and gaps of 0: the tick gives nothing to repaint, the phase stays.
  f.box.Busy = false;
  TFont flat = f.box.Font;
  flat.Height = 0;
  f.box.ComputeMetrics(flat);
  EXPECT_FALSE(FlowTimerTick(f.box, frame));
  EXPECT_EQ(f.box.FlowPhase, phase + 1);
}

}  // namespace
}  // namespace ld::diagram
