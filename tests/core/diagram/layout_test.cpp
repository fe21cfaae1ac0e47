#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/measuring_canvas.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using test::MeasuringCanvas;
using Laid = test::ShownScheme;
using Ints = std::vector<int>;
using Names = std::vector<std::string>;

// Where the layout put a box: X1, X2, LinkX, LeftAttach, Tier, TierPos.
Ints Place(const SElem& e) { return {e.X1, e.X2, e.LinkX, e.LeftAttach, e.Tier, e.TierPos}; }
// A reference's tier, ends and track.
Ints Link(const SElem& r) { return {r.Tier, r.X1, r.X2, r.TierPos}; }
Ints Ends(const SElem& e) { return {e.X1, e.X2, e.LinkX, e.LeftAttach}; }
// The rows of a box's branch captions: name, mark, impedance, admittance, ratio.
Ints Rows(const SElem& e) { return {e.ChildPos, e.MarkRow, e.ZRow, e.YRow, e.KtrRow}; }
// Width, height, link length and the tiers' tracks, sections, heights and caption rows.
std::vector<Ints> Sizes(const TSchemeModel& m) {
  return {{m.Width, m.Height, m.LinkLength}, Ints(m.TierTracks.begin(), m.TierTracks.end()),
          Ints(m.TierSections.begin(), m.TierSections.end()), Ints(m.TierHeight.begin(), m.TierHeight.end()),
          Ints(m.TierLabelRows.begin(), m.TierLabelRows.end())};
}
Names Roots(Laid& f) {
  Names names;
  for (PSElem c : f.M().First->Children) names.push_back(*c->Caption);
  return names;
}

void NoGrouping(TSchemBoxState& s) { s.FIntegral = false; }

TEST(LayoutScheme, ForkAndEmpty) {
  Laid f(test::ForkScheme());
  const std::map<std::string, Ints> places = {
      {"A", {28, 42, 35, 0, 1, 1}}, {"B", {0, 42, 35, 1, 2, 1}}, {"C", {0, 14, 7, 1, 3, 1}}, {"D", {28, 42, 35, 0, 3, 2}}};
  for (const auto& [name, place] : places) EXPECT_EQ(Place(*f.E(name)), place) << name;
  EXPECT_EQ(Sizes(f.M()), (std::vector<Ints>{{70, 147, 0}, {1, 1, 1, 1}, {1, 1, 1, 1}, {17, 17, 17, 17}, {0, 0, 0, 0}}));
  EXPECT_EQ(f.canvas.Font.Height, -13);  // measured on the caption font, which is put back

  // A second layout of the same model changes nothing; a font twice as high doubles the drawing.
  LayoutScheme(f.box, f.canvas, f.M());
  EXPECT_EQ(Place(*f.E("B")), places.at("B"));
  MeasuringCanvas big(-26);
  LayoutScheme(f.box, big, f.M());
  EXPECT_EQ(Sizes(f.M())[0], (Ints{130, 290, 0}));

  Laid empty{DiagramScheme()};
  EXPECT_EQ(Sizes(empty.M())[0], (Ints{28, 17, 0}));  // the super-root's tier and gap less the closing gap
}

TEST(LayoutScheme, ChildOrders) {
  // Layer order: shallow first under tiers 0 and 2, deep first under tier 1, ties kept.
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "B", "B", 10);
  for (int k = 3; k <= 8; ++k) s.Node(k, std::string(1, static_cast<char>('A' + k - 1)));
  for (const auto& [n1, n2] : {std::pair{1, 3}, {1, 4}, {1, 6}, {4, 5}, {4, 7}, {5, 8}}) s.Branch(n1, n2);
  Laid layered(s);
  EXPECT_EQ(Roots(layered), (Names{"B", "A"}));
  EXPECT_EQ(layered.Children("A"), (Names{"D", "C", "F"}));

  // Names order by Windows-1251 codes: "Ё" before "А", "Б" before "б".
  DiagramScheme n;
  n.Node(1, "V", "B", 10);
  for (const char* name : {"б", "Б", "А", "Ё"}) n.Branch(1, n.Node(static_cast<int>(n.Nodes.size()) + 1, name).NS);
  Laid named(n, NoGrouping);
  EXPECT_EQ(named.Children("V"), (Names{"Ё", "А", "Б", "б"}));

  // W's children X, Y, Z with a ring X - Z: the link-length order brings Z beside X.
  DiagramScheme r;
  r.Node(1, "W", "B", 10);
  r.Node(2, "X");
  r.Node(3, "Y");
  r.Node(4, "Z");
  for (const auto& [n1, n2] : {std::pair{1, 2}, {1, 3}, {1, 4}, {2, 4}}) r.Branch(n1, n2);
  Laid ordered(r);
  EXPECT_EQ(ordered.Children("W"), (Names{"X", "Z", "Y"}));
}

TEST(LayoutScheme, LinksOnTracks) {
  // A link on one tier is banded below its ends.
  DiagramScheme side;
  side.Node(1, "V", "B", 10);
  side.Node(2, "X");
  side.Node(3, "Y");
  for (const auto& [n1, n2] : {std::pair{1, 2}, {1, 3}, {2, 3}}) side.Branch(n1, n2);
  Laid f(side);
  ASSERT_EQ(f.Refs().size(), 1u);
  EXPECT_EQ(Link(*f.Refs()[0]), (Ints{3, 35, 7, 1}));
  EXPECT_EQ(Sizes(f.M())[0], (Ints{70, 113, 28}));

  // The section coupler of ПС-1 under A is a link of the substation to itself: two upper slots and
  // a second track; A and W are vertices joined by a line.
  DiagramScheme self;
  self.Node(1, "A", "B", 10);
  self.Node(2, "W", "B", 10);
  self.Node(3, "ПС-1.1", "", 10);
  self.Node(4, "ПС-1.2", "", 10);
  for (const auto& [n1, n2] : {std::pair{1, 3}, {1, 2}, {3, 4}}) self.Branch(n1, n2);
  Laid g(self);
  ASSERT_EQ(g.Refs().size(), 2u);
  const SElem& coupler = *g.Refs()[1];
  ASSERT_EQ(coupler.NodeNr, coupler.ParentNodeNr);
  EXPECT_EQ(Ends(*g.E("ПС-1")), (Ints{14, 56, 21, 0}));
  EXPECT_EQ(g.E("ПС-1")->SelfLinkCount, 1);
  EXPECT_EQ(Link(coupler), (Ints{2, 35, 49, 0}));
  EXPECT_EQ(Link(*g.Refs()[0]), (Ints{2, 49, 7, 1}));
}

TEST(LayoutScheme, BranchCaptionRows) {
  // Tier 3: C's mark and impedance on rows 1 and 2; D's mark fits after C's on row 1, its impedance
  // starts left of the end of row 2 and goes to row 3. D's impedance ends at 35 + 18 characters of
  // 5 pixels + 3; the captions are measured on the small font.
  DiagramScheme s = test::ForkScheme();
  s.Branches[1].Mark = "AAAA";
  s.Branches[2].Mark = "BB";
  for (const int k : {1, 2}) s.Branches[static_cast<std::size_t>(k)].R = 1, s.Branches[static_cast<std::size_t>(k)].X = 2;
  Laid f(s, [](TSchemBoxState& b) { b.FZYKtr = true; });
  EXPECT_EQ(Rows(*f.E("C")), (Ints{0, 1, 2, 0, 0}));
  EXPECT_EQ(Rows(*f.E("D")), (Ints{0, 1, 3, 0, 0}));
  EXPECT_EQ(Sizes(f.M())[0], (Ints{128 + 14, 147 + 3 * 10, 0}));
}

// Flows of equal magnitude at both ends: the far end's value is kept.
TEST(LayoutScheme, EqualEndFlowsKeepTheSecondEnd) {
  // Opposite end voltages make the end powers opposite and equal in size.
  const int row = 2;
  Laid f(test::ForkScheme());
  (*f.box.BranchCols.U1)[row] = -10, (*f.box.BranchCols.U2)[row] = 10;
  (*f.box.BranchCols.Irez)[row] = 100, (*f.box.BranchCols.Faza)[row] = 45;
  LayoutScheme(f.box, f.canvas, f.M());
  ASSERT_EQ(f.box.FlowP.size(), 3u);
  EXPECT_GT(f.box.FlowP[row - 1], 0.5f);
  EXPECT_FLOAT_EQ(f.box.FlowP[row - 1], -f.box.FlowQ[row - 1]);
  EXPECT_EQ(f.box.FlowP[0], 0.f);
}

// A node's note is drawn under its caption in the small font; once the note is cleared, the next
// layout of the same model draws it no more and gives the box its one-line height back.
TEST(LayoutScheme, AClearedNoteLeavesNoSecondCaption) {
  DiagramScheme s = test::ForkScheme();
  s.Nodes[3].Prim = "ввод";
  Laid f(s, [](TSchemBoxState& b) { b.FAddPrim = true; });
  EXPECT_EQ(f.canvas.FindText("ввод").size(), 1u);
  const int height = f.E("D")->Height;
  EXPECT_EQ(height, f.E("C")->Height + f.box.PixdYsc);

  f.box.NodeCols.Prim->SetItem(f.E("D")->NodeRow, "");
  f.box.RelayoutScheme(0, 0);
  EXPECT_TRUE(f.canvas.FindText("ввод").empty());
  EXPECT_FALSE(f.E("D")->Caption3.has_value());
  EXPECT_EQ(f.E("D")->Height, height - f.box.PixdYsc);
}

class FailingCanvas : public MeasuringCanvas {
public:
  int TextWidth(std::string_view text) override {
    if (Fail) throw std::runtime_error("canvas lost");
    return MeasuringCanvas::TextWidth(text);
  }
  bool Fail = false;
};

TEST(LayoutScheme, FlowRowsSizedWhileResultsShownAndFlagRestored) {
  // Two tiers with result rows of 2 × 7 + 2 × 8 + 2 × 10, the closing 8 + 10 + 7.
  Laid f(test::ForkScheme(), [](TSchemBoxState& b) { b.FlagP = true; });
  EXPECT_FALSE(f.box.FlagDR);
  EXPECT_EQ(f.M().Height, 4 * 34 + 2 * 50 - 17 + 25);

  // A nested build that fails on the canvas ends the layout; FlagDR and the font are as they were,
  // and the substation keeps no half-built drawing.
  DiagramScheme s;
  s.Node(1, "ПС-1.1", "B", 10);
  s.Node(2, "ПС-1.2", "", 10);
  s.Branch(1, 2);
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  box.FlagP = true;
  box.ExpandedSubst = {"ПС-1"};
  s.Load(box);
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  ASSERT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  FailingCanvas canvas;
  canvas.Fail = true;
  EXPECT_THROW(LayoutScheme(box, canvas, *box.Model), std::runtime_error);
  EXPECT_FALSE(box.FlagDR);
  EXPECT_EQ(canvas.Font.Height, -13);
  for (PSElem e = box.Model->First; e != nullptr; e = e->Next) EXPECT_EQ(e->SubModel, nullptr);
  EXPECT_EQ(box.NodeCols.Name->GetItem(1), "ПС-1.1");
}

TEST(LayoutScheme, ZeroStepKeepsTheLinesInTheirBoxes) {
  auto boxes = [](const TSchemeModel& m) {
    std::vector<Ints> out;
    for (PSElem e = m.First->Next; e != nullptr; e = e->Next) out.push_back({e->NodeNr, e->X1, e->X2, e->LinkX});
    out.push_back({m.Width, m.Height});
    return out;
  };
  // Only the step coefficient 0: the lines leave their boxes one pixel right of the left end, not
  // half a font height, so that they stay within the boxes.
  Laid f(test::ForkScheme(), [](TSchemBoxState& b) { b.KXe = 0; });
  EXPECT_EQ(boxes(f.M()), (std::vector<Ints>{{1, 9, 17, 10}, {2, 2, 10, 10}, {3, 0, 8, 8}, {4, 9, 17, 10}, {19, 147}}));
}

TEST(LayoutScheme, DistrictWithDefaults) {
  Laid f(test::DistrictScheme());
  // The link-length order puts ПС-2 beside ПС-1: both the ring ПС-2.2 - ТП-5 and ТП-4 - ТП-2 join them.
  EXPECT_EQ(Roots(f), (Names{"ПС-2", "ПС-1", "ТП-7", "ТП-8"}));
  const std::map<std::string, Ints> places = {
      {"ПС-2", {0, 42, 35, 1, 1, 1}}, {"ТП-1", {56, 98, 91, 1, 2, 2}}, {"ОТП_12", {84, 98, 91, 0, 3, 2}},
      {"ТП-2", {84, 126, 91, 0, 4, 1}}};
  for (const auto& [name, place] : places) EXPECT_EQ(Place(*f.E(name)), place) << name;

  // Links: the coupler of ПС-1 on two upper slots, the two rings rising to the left, the unsupplied
  // line on one tier.
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 4u);
  std::vector<Ints> links;
  for (PSElem r : refs) links.push_back({r->Tier, r->X1, r->X2, r->TierPos, r->MarkRow});
  EXPECT_EQ(links, (std::vector<Ints>{{1, 105, 119, 0, 0}, {2, 133, 35, 1, 1}, {4, 105, 35, 1, 1}, {2, 189, 161, 1, 1}}));
}

// The two-winding transformers shown beside a station's frame: the branches whose two ends carry the
// station's name and that have a ratio; couplers, lines and numbered windings of a star are not among them.
TEST(LayoutScheme, TransformersOfTheStationsFoundByTheNamesOfTheirEnds) {
  DiagramScheme t = test::DistrictScheme();
  t.Branches[4].TypEqu = "T2|ТМ-400/10|1a";  // a winding that is no number is none
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  box.FSnomTr2 = true;
  t.Load(box);
  for (int row = 1; row <= static_cast<int>(t.Branches.size()); ++row) {
    for (const test::DiagNode& n : t.Nodes) {
      if (n.NS == t.Branches[static_cast<std::size_t>(row - 1)].N1) box.BranchCols.Name1->SetItem(row, n.Name);
      if (n.NS == t.Branches[static_cast<std::size_t>(row - 1)].N2) box.BranchCols.Name2->SetItem(row, n.Name);
    }
  }
  box.ExpandedSubst = {"ПС-2"};
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  ASSERT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  MeasuringCanvas canvas;
  LayoutScheme(box, canvas, *box.Model);
  std::map<std::string, std::vector<std::int32_t>> rows;
  for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next)
    if (!e->Has(efReference) && !e->TransformerRows.empty()) rows[*e->Caption] = e->TransformerRows;
  EXPECT_EQ(rows, (std::map<std::string, std::vector<std::int32_t>>{
                      {"ПС-2", {2, 3}}, {"ТП-1", {5}}, {"ТП-2", {8}}, {"ТП-3", {10}}, {"ТП-4", {12}}, {"ТП-5", {15}}}));
  // A numbered winding of a star is no transformer beside ТП-2's frame, the highest digit as any other.
  box.BranchCols.TypEqu->SetItem(8, "T2|ТМ-400/10|9");
  LayoutScheme(box, canvas, *box.Model);
  rows.clear();
  for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next)
    if (!e->Has(efReference) && !e->TransformerRows.empty()) rows[*e->Caption] = e->TransformerRows;
  EXPECT_EQ(rows, (std::map<std::string, std::vector<std::int32_t>>{
                      {"ПС-2", {2, 3}}, {"ТП-1", {5}}, {"ТП-3", {10}}, {"ТП-4", {12}}, {"ТП-5", {15}}}));
  // Laid out again without them, no station keeps the rows of the last layout.
  box.FSnomTr2 = false;
  LayoutScheme(box, canvas, *box.Model);
  for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next) EXPECT_TRUE(e->TransformerRows.empty());
}

}  // namespace
}  // namespace ld::diagram
