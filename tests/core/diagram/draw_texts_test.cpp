#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/diagram/draw.h"
#include "core/diagram/draw_elems.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "support/diagram_fixture.h"
#include "support/recording_canvas.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using test::Prim;
using test::PrimKind;
using test::RecordingCanvas;

// The scheme laid out and painted on a large client area with the settings given, then with the
// results given.
struct Painted : private test::UnomClasses, public test::ShownScheme {
  explicit Painted(const DiagramScheme& scheme, const std::function<void(TSchemBoxState&)>& settings = {},
                   const std::function<void(TSchemBoxState&)>& results = {})
      : UnomClasses({0.4, 10, 35}), ShownScheme(scheme, settings, 2000, 2000) {
    if (results) results(box);
    EXPECT_TRUE(box.RebuildScheme(0, 0));
  }
  const Prim* Text(const std::string& text) {
    const auto found = canvas.FindText(text);
    if (found.size() != 1) ADD_FAILURE() << "\"" << text << "\" drawn " << found.size() << " times:\n" << canvas.Dump();
    return found.empty() ? nullptr : found[0];
  }
};

// The fork with its leaf "D" on the 0.4 kV side.
DiagramScheme Fork() { return test::ForkScheme(0.4f); }

// Flow rows below the arrow, the overloaded current on the limit colour; a transformer's symbol
// with its number and rated power.
TEST(DrawTexts, FlowResultsAndTransformer) {
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  DiagramScheme s = Fork();
  s.Branches[1].DSName = "Т-1";
  s.Branches[1].Sdop = 0.4f;
  s.Load(box);
  box.FlagP = box.FlagQ = box.FlagI = box.FLoadLn = true;
  box.SPrec = 1;
  RecordingCanvas c;
  box.ComputeMetrics(c.Font);
  TElemPainter p(box, &c, true, false, nullptr);
  TEndValues v;
  v.P = 0.12345, v.P2 = 0.05, v.Q = 0.01, v.I = 150;
  p.DrawFlowResult(100, 200, false, v, 100, 0);
  const Prim* pText = c.FindText("123.5 -50.0").at(0);
  EXPECT_EQ(pText->Points[0].Y, 200 + box.PixFlowRow);
  EXPECT_EQ(pText->Align, taCenter);
  EXPECT_EQ(c.FindText("150").at(0)->Brush.Color, box.cLoad);
  EXPECT_EQ(c.TextAlign, taLeft);

  c.Prims.clear();
  SElem e;
  e.BranchRow = 2;
  p.DrawTransformer(e, 60, 10, 2, 50);
  ASSERT_EQ(c.Prims.size(), 5u) << c.Dump();
  EXPECT_EQ(c.Prims[2].Kind, PrimKind::Ellipse);
  EXPECT_EQ(c.Prims[2].Points, (std::vector<TPoint>{{13, 43}, {28, 57}}));
  EXPECT_EQ(c.Prims[4].Text, "Т-1 400");
}

TEST(DrawTexts, VoltagesSectionsAndBranchNames) {
  DiagramScheme s = Fork();
  s.Node(5, "ПС-9.1", "B", 10);
  s.Node(6, "ПС-9.2", "", 10);
  s.Node(7, "ПС-9.3", "", 10);
  s.Node(8, "E", "", 10);
  s.Branch(5, 6);
  s.Branch(6, 7);
  test::DiagBranch& named = s.Line(7, 8);
  named.DSName = "Ф-5";
  named.A = "А";
  Painted f(
      s,
      [](TSchemBoxState& b) {
        b.FlagU = true;
        b.UPrec = 1;
        b.FNumLn = b.FAbon = b.FRayon = true;
      },
      [](TSchemBoxState& b) {
        (*b.BranchCols.Nr)[6] = 3;
        (*b.NodeCols.Urez)[3] = 11.5;     // C: 15 % over 10 kV
        (*b.NodeCols.Urez)[4] = 0.3987;   // D
        (*b.NodeCols.Urez)[5] = 10.1;
        (*b.NodeCols.Urez)[6] = 10.2;
        (*b.NodeCols.Urez)[7] = 12;  // section 3 alone out of its band
      });
  // A 0.4 kV voltage keeps two decimals, the others take UPrec; a voltage out of its band stands on
  // the limit colour.
  const SElem& d = *f.E("D");
  const Prim* u04 = f.Text("0.40");
  ASSERT_NE(u04, nullptr);
  EXPECT_EQ(u04->Points[0], (TPoint{14 + d.X2 + 3, d.Y - 1}));
  const Prim* u10 = f.Text("11.5");
  ASSERT_NE(u10, nullptr);
  EXPECT_EQ(u10->Brush.Style, bsSolid);
  EXPECT_EQ(u10->Brush.Color, f.box.cLoad);

  // Three sections: the third section's voltage beside the outer frame, two steps out, alone on
  // the limit colour; the branch name with its owner and district.
  const SElem& ps = *f.E("ПС-9");
  ASSERT_EQ(ps.SectionCount, 3);
  const int x2 = 14 + ps.X2, dx = f.box.PixdXsc, dy = f.box.PixdYsc;
  EXPECT_EQ(f.Text("12.0")->Brush.Style, bsSolid);
  EXPECT_EQ(f.Text("10.2")->Brush.Style, bsClear);
  EXPECT_EQ(f.Text("12.0")->Points[0], (TPoint{x2 + 2 * dx + 3, ps.Y - 2 * dy - 1}));
  EXPECT_NE(f.Text("Ф-5 (А) (3)"), nullptr);
}

// The limits come from the catalogue row of each class; damaged catalogues, each newer than the last,
// are read every one, the limits kept when a file does not read, and the drawing never fails.
TEST(DrawTexts, VoltageLimitsFromTheCatalogueRowOfTheClass) {
  test::TempDir dir;
  const std::string savedDir = ProgramDir;
  ProgramDir = dir.Path().string() + "/";
  const std::string file = dir / "sprav_UN.cat";
  // Rows out of voltage order; -35 kV is left out of the check.
  MaketFileName = (test::DataDir() / "maket.zr").string();
  test::WriteRows(file, LayoutNominalVoltages, {{"10", "2", "3"}, {"0.4", "8", "8"}, {"-35", "1", "1"}});
  DiagramScheme s = Fork();
  s.Node(5, "F", "", 35);
  s.Branch(2, 5);
  Painted f(s, [](TSchemBoxState& b) { b.FlagU = true, b.UPrec = 3; },
            [](TSchemBoxState& b) {
              (*b.NodeCols.Urez)[3] = 10.25;  // 2.5 % over: within 10 kV's 3 %
              (*b.NodeCols.Urez)[2] = 9.7;    // 3 % under: beyond 10 kV's 2 %
              (*b.NodeCols.Urez)[4] = 0.37;   // 7.5 % under: within 0.4 kV's 8 %
              (*b.NodeCols.Urez)[5] = 20;     // far off, but not checked
            });
  EXPECT_EQ(f.painter.DevUnom(), (std::vector<double>{10, 0.4, -35}));
  EXPECT_EQ(f.box.DevDown, (std::vector<double>{2, 8, 1}));
  EXPECT_EQ(f.Text("10.250")->Brush.Style, bsClear);
  EXPECT_EQ(f.Text("9.700")->Brush.Style, bsSolid);
  EXPECT_EQ(f.Text("0.370")->Brush.Style, bsClear);
  EXPECT_EQ(f.Text("20.000")->Brush.Style, bsClear);

  // Other limits saved within the tick of the catalogue's read (a share that keeps whole seconds): the
  // date is the one read, the bytes are not.
  const auto read = std::filesystem::last_write_time(file);
  test::WriteRows(file, LayoutNominalVoltages, {{"10", "4", "3"}, {"0.4", "8", "8"}, {"-35", "1", "1"}});
  std::filesystem::last_write_time(file, read);
  f.canvas.Prims.clear();
  f.painter.Paint(f.canvas);
  EXPECT_EQ(f.box.DevDown, (std::vector<double>{4, 8, 1}));
  EXPECT_EQ(f.Text("9.700")->Brush.Style, bsClear);

  const std::string good = test::ReadBytes(file);
  std::mt19937 rng(7);
  const auto start = std::filesystem::last_write_time(file);
  for (int round = 1; round <= 15; ++round) {
    SCOPED_TRACE(round);
    std::string bytes = good;
    if (rng() % 3 == 0) bytes.resize(1 + rng() % (bytes.size() - 1));
    for (int k = 0; k < 1 + static_cast<int>(rng() % 8); ++k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
    test::WriteBytes(file, bytes);
    std::filesystem::last_write_time(file, start + std::chrono::seconds(round));
    f.canvas.Prims.clear();
    EXPECT_NO_THROW(f.painter.Paint(f.canvas));
    EXPECT_EQ(f.box.DevUp.size(), f.box.DevDown.size());
    EXPECT_EQ(f.canvas.FindText("9.700").size(), 1u);
  }
  ProgramDir = savedDir;
}

// Loads hang in slots of their own beside the lines leaving the box; a node with energies carries
// the energy tag with its meter letter.
TEST(DrawTexts, NodeLoadsInSlotsOfTheirOwn) {
  Painted f(Fork(), [](TSchemBoxState& b) { b.FlagP = true; },
            [](TSchemBoxState& b) {
              (*b.NodeCols.Pn)[2] = 0.25;
              (*b.NodeCols.Pg)[2] = 0.1;
              (*b.NodeCols.WPn)[2] = 700;
              (*b.NodeCols.Sign)[2] = '-';
            });
  const SElem& b = *f.E("B");
  std::vector<int> links;
  for (int i = 0; i < b.ChildCount; ++i) links.push_back(14 + b.Children[static_cast<std::size_t>(i)]->LinkX);
  const Prim* load = f.Text("250");
  const Prim* gen = f.Text("100");
  const int loadX = load->Points[0].X, genX = gen->Points[0].X;
  for (int x : links) {
    EXPECT_NE(loadX, x);
    EXPECT_NE(genX, x);
  }
  EXPECT_EQ(f.canvas.FindText("w -").size(), 2u);
}

// Energy flows: of an end's two pairs the larger leads and the other follows reversed; a given flow
// replaces the values of the end its row names, with the energy tag and its sign letter.
TEST(DrawTexts, EnergyFlowsAndGivenFlows) {
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  Fork().Load(box);
  box.FTypFlow = 1;
  box.FlagP = true;
  box.BranchEnergyTable = std::make_unique<TDataFile>();
  ReadMaket(LayoutBranchEnergy, *box.BranchEnergyTable);
  CreateColumns(*box.BranchEnergyTable, 3);
  FillBranchEnergyCols(*box.BranchEnergyTable, box.BranchEnergyCols);
  TBranchEnergyCols& w = box.BranchEnergyCols;
  (*w.WPnr)[2] = 400, (*w.WQnr)[2] = 100, (*w.WPnl)[2] = -50;
  (*w.WPkr)[2] = -390, (*w.WQkr)[2] = -90;
  RecordingCanvas c;
  box.ComputeMetrics(c.Font);
  TElemPainter p(box, &c, true, false, nullptr);
  SElem e;
  e.BranchRow = 2;
  p.DrawLineFlows(e, 100, 300, 100, 200, false, false, false);
  // The given flow's row names end 1 of its own direction, which is the branch's end 2.
  box.FlowTable = std::make_unique<TDataFile>();
  ReadMaket(LayoutLineFlows, *box.FlowTable);
  CreateColumns(*box.FlowTable, 1);
  FillLineFlowCols(*box.FlowTable, box.FlowCols);
  (*box.FlowCols.N1)[1] = 3, (*box.FlowCols.N2)[1] = 2;
  (*box.FlowCols.NK)[1] = 1;
  (*box.FlowCols.PM)[1] = '+';
  (*box.FlowCols.Pr)[1] = 300;
  box.GivenFlowRow = {0, 1, 0};
  c.Prims.clear();
  p.DrawLineFlows(e, 100, 300, 100, 200, false, false, false);
  EXPECT_EQ(c.FindText("300").size(), 1u) << c.Dump();
  ASSERT_EQ(c.FindText("w +").size(), 1u);
  EXPECT_LT(c.FindText("w +")[0]->Points[0].Y, 250);  // at the parent end
}

}  // namespace
}  // namespace ld::diagram
