// The flow animation and the mouse on a generated district scheme of 10,000 nodes, painted on a
// 1920 × 1080 view in the middle of the diagram: one timer tick (the bands worked out from the line
// registry and their dashes drawn) and the hit tests of one click (lines, boxes and switching devices).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "core/diagram/draw.h"
#include "core/diagram/flow_anim.h"
#include "core/diagram/hit_test.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "diagram/district_box.h"

namespace {

using ld::diagram::TSchemBoxState;

// Measures every character as half the font height wide and counts the lines drawn.
class LineCountingCanvas : public ld::bench::TFixedWidthCanvas {
public:
  long Lines = 0;

protected:
  void DrawLine(int, int, int, int) override { ++Lines; }
};

struct View {
  std::unique_ptr<TSchemBoxState> box = std::make_unique<TSchemBoxState>();
  LineCountingCanvas canvas;
  std::unique_ptr<ld::diagram::TSchemePainter> painter;
};

std::unique_ptr<View> MakeView(int nodeCount) {
  auto view = std::make_unique<View>();
  view->box = ld::bench::MakeDistrictBox(nodeCount, "bench-flows.ini");
  TSchemBoxState& box = *view->box;
  box.fMoveFlows = true;
  box.wFlowP = box.wFlowQ = 2;
  box.ComMode = true;
  ld::diagram::InstallLayout(box);
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  box.BuildSchemeModel(nodes, lines, *box.Model);
  view->canvas.Font.Height = -13;
  ld::diagram::LayoutScheme(box, view->canvas, *box.Model);
  // Flows one way and the other on every branch.
  for (std::size_t i = 0; i < box.FlowP.size(); ++i) {
    box.FlowP[i] = i % 3 == 0 ? -1.0f : 1.0f;
    box.FlowQ[i] = i % 2 == 0 ? 0.5f : -0.5f;
  }
  box.ClientWidth = 1920;
  box.ClientHeight = 1080;
  box.OriginX = std::max(box.Model->Width / 2 - 960, 0);
  box.OriginY = std::max(box.Model->Height / 2 - 540, 0);
  view->painter = std::make_unique<ld::diagram::TSchemePainter>(box);
  view->painter->Paint(view->canvas);
  return view;
}

View& ViewOf(int nodes) {
  static std::map<int, std::unique_ptr<View>> views;
  auto& view = views[nodes];
  if (!view) view = MakeView(nodes);
  return *view;
}

void FlowTick(benchmark::State& state) {
  View& v = ViewOf(static_cast<int>(state.range(0)));
  ld::diagram::TFlowFrame frame;
  long bandLines = 0, ticks = 0;
  for (auto _ : state) {
    if (!ld::diagram::FlowTimerTick(*v.box, frame)) state.SkipWithError("no tick");
    ld::diagram::PaintFlowFrame(v.canvas, frame);
    bandLines += static_cast<long>(frame.Lines.size());
    ++ticks;
  }
  state.counters["band_lines"] = static_cast<double>(bandLines) / static_cast<double>(std::max(ticks, 1L));
  state.counters["registry"] = static_cast<double>(v.box->LineHitElem.size());
}

void ClickHitTests(benchmark::State& state) {
  View& v = ViewOf(static_cast<int>(state.range(0)));
  TSchemBoxState& box = *v.box;
  std::mt19937 rng(7);
  long hits = 0;
  for (auto _ : state) {
    const int x = static_cast<int>(rng() % 1920u), y = static_cast<int>(rng() % 1080u);
    ld::diagram::PSElem elem = nullptr;
    bool nested = false;
    hits += ld::diagram::FindSwitchAt(box, x, y) >= 0;
    hits += ld::diagram::HitTestLine(box, x, y, elem);
    hits += ld::diagram::HitTestNode(box, x, y, nested, elem);
  }
  benchmark::DoNotOptimize(hits);
  state.counters["lines"] = static_cast<double>(box.LineHitElem.size());
  state.counters["boxes"] = static_cast<double>(box.SubstHitElem.size());
  state.counters["devices"] = static_cast<double>(box.ComHitElem.size());
}

BENCHMARK(FlowTick)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ClickHitTests)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
