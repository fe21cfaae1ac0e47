// Drawing generated district schemes of 10,000 and 100,000 nodes (as the model benchmark builds them,
// laid out with results shown): the control's painting of a 1920 × 1080 view at spread scroll
// positions, whose cost must be the view's and not the scheme's, and the pass without a canvas that
// only places the rows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/diagram/draw.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "engine/scheme_gen.h"

namespace {

using ld::diagram::TSchemBoxState;

// Measures as the layout tests do and counts what would be drawn.
class CountingCanvas : public ld::diagram::TCanvas {
public:
  int TextWidth(std::string_view text) override {
    return static_cast<int>(ld::Utf8Length(text)) * (std::abs(Font.Height) / 2);
  }
  int TextHeight(std::string_view) override { return std::abs(Font.Height); }
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
  const ld::bench::GenScheme g = ld::bench::GenerateScheme(nodeCount, 20261207);
  ld::MaketFileName = std::string(LD_DATA_DIR) + "/maket.zr";
  ld::ConfigFileName = "/nonexistent/bench-draw.ini";
  auto scene = std::make_unique<Scene>();
  TSchemBoxState& box = *scene->box;
  box.LoadViewConfig("Graphic", "Colors");
  box.FlagU = box.FlagP = box.FlagQ = true;

  std::map<std::int32_t, std::int32_t> stationOf;
  for (const auto& b : g.Branches)
    if (b.Kta != 0) stationOf[b.N2] = b.N1;
  box.NodeTable = std::make_unique<ld::TDataFile>();
  ld::ReadMaket(ld::LayoutNodes, *box.NodeTable);
  ld::CreateColumns(*box.NodeTable, static_cast<int>(g.Nodes.size()));
  ld::FillNodeCols(*box.NodeTable, box.NodeCols);
  auto& n = box.NodeCols;
  int sources = 0;
  for (int row = 1; row <= static_cast<int>(g.Nodes.size()); ++row) {
    const auto& s = g.Nodes[row - 1];
    (*n.NS)[row] = s.NS;
    (*n.Sign)[row] = s.Sign;
    (*n.Um)[row] = s.Um;
    (*n.Urez)[row] = s.Um * 1.02;
    (*n.Pn)[row] = s.Pn;
    (*n.Qn)[row] = s.Qn;
    std::string name;
    if (s.Sign == 'B') {
      name = "ПС-" + std::to_string(sources / 2 + 1) + "." + std::to_string(sources % 2 + 1);
      ++sources;
    } else if (const auto it = stationOf.find(s.NS); it != stationOf.end()) {
      name = "ТП-" + std::to_string(it->second) + ".0,4";
    } else {
      name = "ТП-" + std::to_string(s.NS);
    }
    n.Name->SetItem(row, name);
    box.NodeSet.push_back(row);
  }
  box.BranchTable = std::make_unique<ld::TDataFile>();
  ld::ReadMaket(ld::LayoutBranches, *box.BranchTable);
  ld::CreateColumns(*box.BranchTable, static_cast<int>(g.Branches.size()));
  ld::FillBranchCols(*box.BranchTable, box.BranchCols);
  auto& b = box.BranchCols;
  for (int row = 1; row <= static_cast<int>(g.Branches.size()); ++row) {
    const auto& s = g.Branches[row - 1];
    (*b.N1)[row] = s.N1;
    (*b.N2)[row] = s.N2;
    (*b.Kta)[row] = s.Kta;
    (*b.R)[row] = s.R, (*b.X)[row] = s.X;
    (*b.U1)[row] = 10.5f, (*b.U2)[row] = 10.4f, (*b.Irez)[row] = 50, (*b.Faza)[row] = -15;
    b.TypEqu->SetItem(row, s.Kta != 0 ? "T2|ТМ-400/10|" : "LN|АС-70|");
    box.LineSet.push_back(row);
  }
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
