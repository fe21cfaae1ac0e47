// Drawing generated district schemes of 10,000 and 100,000 nodes (as the model benchmark builds them,
// laid out with results shown): the control's painting of a 1920 × 1080 view at spread scroll
// positions, whose cost must be the view's and not the scheme's, and the pass without a canvas that
// only places the rows.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "core/diagram/draw.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "diagram/district_box.h"

namespace {

using ld::diagram::TSchemBoxState;

// Measures as the layout tests do and counts what would be drawn.
class CountingCanvas : public ld::bench::TFixedWidthCanvas {
public:
  void Polyline(const ld::diagram::TPoint*, int count) override { Count += count; }
  void Rectangle(int, int, int, int) override { ++Count; }
  void FillRect(int, int, int, int) override { ++Count; }
  void Ellipse(int, int, int, int) override { ++Count; }
  void Arc(int, int, int, int, int, int, int, int) override { ++Count; }
  void TextOut(int, int, std::string_view) override { ++Count; }
  long Count = 0;

protected:
  void DrawLine(int, int, int, int) override { ++Count; }
};

struct Scene {
  std::unique_ptr<TSchemBoxState> box = std::make_unique<TSchemBoxState>();
  CountingCanvas canvas;
  std::unique_ptr<ld::diagram::TSchemePainter> painter;
};

std::unique_ptr<Scene> MakeScene(int nodeCount) {
  auto scene = std::make_unique<Scene>();
  scene->box = ld::bench::MakeDistrictBox(nodeCount, "bench-draw.ini");
  TSchemBoxState& box = *scene->box;
  box.FlagU = box.FlagP = box.FlagQ = true;
  // Results to show: voltages at every node, flows and currents on every branch.
  for (int row = 1; row <= box.NodeTable->RowCount; ++row) (*box.NodeCols.Urez)[row] = (*box.NodeCols.Um)[row] * 1.02;
  auto& b = box.BranchCols;
  for (int row = 1; row <= box.BranchTable->RowCount; ++row)
    (*b.U1)[row] = 10.5f, (*b.U2)[row] = 10.4f, (*b.Irez)[row] = 50, (*b.Faza)[row] = -15;
  ld::diagram::InstallLayout(box);
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  box.BuildSchemeModel(nodes, lines, *box.Model);
  scene->canvas.Font.Height = -13;
  ld::diagram::LayoutScheme(box, scene->canvas, *box.Model);
  box.ClientWidth = 1920;
  box.ClientHeight = 1080;
  scene->painter = std::make_unique<ld::diagram::TSchemePainter>(box);
  return scene;
}

Scene& SceneOf(int nodes) {
  static std::map<int, std::unique_ptr<Scene>> scenes;
  auto& scene = scenes[nodes];
  if (!scene) scene = MakeScene(nodes);
  return *scene;
}

void Paint(benchmark::State& state) {
  Scene& s = SceneOf(static_cast<int>(state.range(0)));
  TSchemBoxState& box = *s.box;
  std::mt19937 rng(1);
  const int spanX = std::max(box.Model->Width - box.ClientWidth, 1);
  const int spanY = std::max(box.Model->Height - box.ClientHeight, 1);
  long drawn = 0, paints = 0;
  for (auto _ : state) {
    box.OriginX = static_cast<int>(rng() % static_cast<unsigned>(spanX));
    box.OriginY = static_cast<int>(rng() % static_cast<unsigned>(spanY));
    s.canvas.Count = 0;
    s.painter->Paint(s.canvas);
    drawn += s.canvas.Count;
    ++paints;
  }
  state.counters["primitives"] = static_cast<double>(drawn) / static_cast<double>(std::max(paints, 1L));
  state.counters["elements"] = box.Model->Count();
  state.counters["width"] = box.Model->Width;
  state.counters["height"] = box.Model->Height;
}

void PositionsOnly(benchmark::State& state) {
  Scene& s = SceneOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    s.painter->DrawScheme(nullptr, false, false, false, 0, 0, 0, 0);
    benchmark::DoNotOptimize(s.box->Model->Last->Y);
  }
  state.counters["elements"] = s.box->Model->Count();
}

BENCHMARK(Paint)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(PositionsOnly)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
