#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// A control with the default settings and the scheme loaded, its model built.
struct Laid {
  TSchemBoxState box;
  MeasuringCanvas canvas;

  explicit Laid(const DiagramScheme& scheme, const std::function<void(TSchemBoxState&)>& settings = {},
                int fontHeight = -13)
      : canvas(fontHeight) {
    test::LoadDefaultViewConfig(box);
    if (settings) settings(box);
    scheme.Load(box);
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    EXPECT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
    LayoutScheme(box, canvas, *box.Model);
  }

  TSchemeModel& M() { return *box.Model; }
  // The box drawing the node captioned name (no reference).
  SElem& E(const std::string& name) {
    for (PSElem e = M().First; e != nullptr; e = e->Next)
      if (!e->Has(efReference) && e->Caption && *e->Caption == name) return *e;
    ADD_FAILURE() << "no element " << name;
    return *M().First;
  }
  std::vector<std::string> ChildNames(const std::string& name) {
    std::vector<std::string> names;
    SElem& e = E(name);
    for (int i = 0; i < e.ChildCount; ++i) names.push_back(e.Children[i]->Caption.value_or("?"));
    return names;
  }
  std::vector<PSElem> Refs() {
    std::vector<PSElem> refs;
    for (PSElem e = M().First; e != nullptr; e = e->Next)
      if (e->Has(efReference)) refs.push_back(e);
    return refs;
  }
};

void NoGrouping(TSchemBoxState& s) { s.FIntegral = false; }

struct BoxGeom {
  const char* name;
  int x1, x2, linkX, leftAttach, tier;
};

TEST(LayoutScheme, ForkAtTwoFontSizes) {
  Laid f(test::ForkScheme());
  const BoxGeom expected[] = {
      {"A", 28, 42, 35, 0, 1}, {"B", 0, 42, 35, 1, 2}, {"C", 0, 14, 7, 1, 3}, {"D", 28, 42, 35, 0, 3}};
  for (const BoxGeom& g : expected) {
    SCOPED_TRACE(g.name);
    const SElem& e = f.E(g.name);
    EXPECT_EQ(e.X1, g.x1);
    EXPECT_EQ(e.X2, g.x2);
    EXPECT_EQ(e.LinkX, g.linkX);
    EXPECT_EQ(e.LeftAttach, g.leftAttach);
    EXPECT_EQ(e.Tier, g.tier);
    EXPECT_EQ(e.Height, 17);
    EXPECT_EQ(e.Caption2.value_or(""), g.name);
  }
  EXPECT_EQ(f.ChildNames("B"), (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(f.M().Width, 70);
  EXPECT_EQ(f.M().Height, 147);
  EXPECT_EQ(f.M().TierTracks, (std::vector<std::int32_t>{1, 1, 1, 1}));
  EXPECT_EQ(f.M().TierHeight, (std::vector<std::int32_t>{17, 17, 17, 17}));
  EXPECT_EQ(f.M().TierSections, (std::vector<std::int32_t>{1, 1, 1, 1}));
  EXPECT_EQ(f.M().TierLabelRows, (std::vector<std::int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(f.M().TierHasTransformer, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(f.E("C").TierPos, 1);
  EXPECT_EQ(f.E("D").TierPos, 2);
  // Every measurement ran on the caption font, and the font is as it was.
  EXPECT_EQ(f.canvas.Font.Height, -13);

  Laid big(test::ForkScheme(), {}, -26);
  EXPECT_EQ(big.M().Width, 130);
  EXPECT_EQ(big.M().Height, 290);

  // A second layout of the same model changes nothing.
  const int w = f.M().Width, h = f.M().Height;
  LayoutScheme(f.box, f.canvas, f.M());
  EXPECT_EQ(f.M().Width, w);
  EXPECT_EQ(f.M().Height, h);
  EXPECT_EQ(f.E("B").X1, 0);
  EXPECT_EQ(f.E("B").ChildCount, 2);
}

TEST(LayoutScheme, EmptyAndSingleNode) {
  Laid empty{DiagramScheme()};
  EXPECT_EQ(empty.M().Width, 28);
  EXPECT_EQ(empty.M().Height, 17);  // the super-root's tier and gap less the closing gap
  DiagramScheme one;
  one.Node(1, "A", "B", 10);
  Laid single(one);
  EXPECT_EQ(single.M().Width, 42);
  EXPECT_EQ(single.M().Height, 51);
  EXPECT_EQ(single.E("A").X1, 0);
  EXPECT_EQ(single.E("A").X2, 14);
  EXPECT_EQ(single.E("A").LinkX, 7);
}

TEST(LayoutScheme, ChildOrders) {
  // Layer order: shallow first under tiers 0 and 2, deep first under tier 1, ties kept.
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "B", "B", 10);
  s.Node(3, "C");
  s.Node(4, "D");
  s.Node(5, "E");
  s.Node(6, "F");
  s.Node(7, "G");
  s.Node(8, "H");
  s.Branch(1, 3);  // A: C, D, F by name
  s.Branch(1, 4);
  s.Branch(1, 6);
  s.Branch(4, 5);  // D: E (with H below), G
  s.Branch(4, 7);
  s.Branch(5, 8);
  Laid layered(s);
  const std::vector<std::string> roots{"B", "A"};
  std::vector<std::string> rootNames;
  for (int i = 0; i < layered.M().First->ChildCount; ++i) rootNames.push_back(*layered.M().First->Children[i]->Caption);
  EXPECT_EQ(rootNames, roots);
  EXPECT_EQ(layered.ChildNames("A"), (std::vector<std::string>{"D", "C", "F"}));
  EXPECT_EQ(layered.ChildNames("D"), (std::vector<std::string>{"G", "E"}));
  Laid unlayered(s, [](TSchemBoxState& b) { b.FOrdLayer = false; });
  EXPECT_EQ(unlayered.ChildNames("A"), (std::vector<std::string>{"C", "D", "F"}));
  EXPECT_EQ(unlayered.ChildNames("D"), (std::vector<std::string>{"E", "G"}));

  // Names order by Windows-1251 codes: "Ё" before "А", "Б" before "б".
  DiagramScheme n;
  n.Node(1, "V", "B", 10);
  n.Node(2, "б");
  n.Node(3, "Б");
  n.Node(4, "А");
  n.Node(5, "Ё");
  for (int k = 2; k <= 5; ++k) n.Branch(1, k);
  Laid named(n, NoGrouping);
  EXPECT_EQ(named.ChildNames("V"), (std::vector<std::string>{"Ё", "А", "Б", "б"}));
}

TEST(LayoutScheme, LinkLengthOrderNeedsAtMost255Children) {
  // W's children X, Y, Z with a ring X - Z: the link-length order brings Z beside X.
  DiagramScheme s;
  s.Node(1, "W", "B", 10);
  s.Node(2, "X");
  s.Node(3, "Y");
  s.Node(4, "Z");
  s.Branch(1, 2);
  s.Branch(1, 3);
  s.Branch(1, 4);
  s.Branch(2, 4);
  Laid ordered(s);
  EXPECT_EQ(ordered.ChildNames("W"), (std::vector<std::string>{"X", "Z", "Y"}));

  // 256 children elsewhere switch that order off; the names order still holds.
  s.Node(1000, "V", "B", 10);
  for (int k = 0; k < 256; ++k) {
    s.Node(2000 + k, "L" + std::to_string(1000 - k));
    s.Branch(1000, 2000 + k);
  }
  Laid many(s);
  EXPECT_EQ(many.ChildNames("W"), (std::vector<std::string>{"X", "Y", "Z"}));
  const std::vector<std::string> leaves = many.ChildNames("V");
  ASSERT_EQ(leaves.size(), 256u);
  EXPECT_EQ(leaves.front(), "L1000");
  EXPECT_EQ(leaves[1], "L745");
}

TEST(LayoutScheme, OneChildStandsAboveTheLeftEndOffTheFirstBranch) {
  // P's second child R has one child S with two children: R stands above S's left end.
  DiagramScheme s;
  s.Node(1, "V", "B", 10);
  s.Node(2, "P");
  s.Node(3, "Q");
  s.Node(4, "R");
  s.Node(5, "S");
  s.Node(6, "T");
  s.Node(7, "U");
  s.Branch(1, 2);
  s.Branch(2, 3);
  s.Branch(2, 4);
  s.Branch(4, 5);
  s.Branch(5, 6);
  s.Branch(5, 7);
  Laid f(s);
  EXPECT_EQ(f.E("R").X1, 28);
  EXPECT_EQ(f.E("R").X2, 42);
  EXPECT_EQ(f.E("S").LeftAttach, 0);
  EXPECT_EQ(f.E("S").LinkX, 35);
  EXPECT_EQ(f.E("S").X1, 28);
  EXPECT_EQ(f.E("S").X2, 70);
  // V is reached through the super-root's first child: it hangs at P's right end.
  EXPECT_EQ(f.E("P").LeftAttach, 1);
  EXPECT_EQ(f.E("V").X1, 28);
  EXPECT_EQ(f.E("P").LinkX, 35);
  EXPECT_EQ(f.M().Width, 98);
  EXPECT_EQ(f.M().Height, 243);
}

TEST(LayoutScheme, SameTierReferenceBandedBelowItsEnds) {
  DiagramScheme s;
  s.Node(1, "V", "B", 10);
  s.Node(2, "X");
  s.Node(3, "Y");
  s.Branch(1, 2);
  s.Branch(1, 3);
  s.Branch(2, 3);
  Laid f(s);
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 1u);
  const SElem& r = *refs[0];
  EXPECT_EQ(r.Tier, 3);
  EXPECT_EQ(f.E("X").SideLinkCount, 1);
  EXPECT_EQ(f.E("Y").SideLinkCount, 1);
  EXPECT_EQ(f.E("X").SideLinks[0], refs[0]);
  EXPECT_EQ(f.E("Y").SideLinks[0], refs[0]);
  EXPECT_EQ(r.X1, 35);
  EXPECT_EQ(r.X2, 7);
  EXPECT_EQ(r.TierPos, 1);
  EXPECT_EQ(f.M().LinkLength, 28);
  EXPECT_EQ(f.M().TierTracks, (std::vector<std::int32_t>{1, 1, 1, 1}));
  EXPECT_EQ(f.M().TierHeight, (std::vector<std::int32_t>{17, 17, 17, 0}));
  EXPECT_EQ(f.M().Height, 113);
  EXPECT_EQ(f.M().Width, 70);
}

}  // namespace
}  // namespace ld::diagram

namespace ld::diagram {
namespace {

TEST(LayoutScheme, SelfLinkTakesTwoUpperSlotsAndRaisesTheTracks) {
  // A and W are vertices joined by a line (a link on one tier); the section coupler of ПС-1 under A
  // is a link of the substation to itself.
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "W", "B", 10);
  s.Node(3, "ПС-1.1", "", 10);
  s.Node(4, "ПС-1.2", "", 10);
  s.Branch(1, 3);
  s.Branch(1, 2);
  s.Branch(3, 4);
  Laid f(s);
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 2u);
  const SElem& side = *refs[0];
  const SElem& self = *refs[1];
  ASSERT_EQ(self.NodeNr, self.ParentNodeNr);
  EXPECT_EQ(f.M().First->Children[0]->Caption.value_or(""), "A");
  const SElem& ps = f.E("ПС-1");
  EXPECT_EQ(ps.X1, 14);
  EXPECT_EQ(ps.X2, 56);
  EXPECT_EQ(ps.LinkX, 21);
  EXPECT_EQ(ps.SelfLinkCount, 1);
  EXPECT_EQ(self.Tier, 2);
  EXPECT_EQ(self.X1, 35);
  EXPECT_EQ(self.X2, 49);
  EXPECT_EQ(self.TierPos, 0);
  EXPECT_EQ(side.Tier, 2);
  EXPECT_EQ(side.X1, 49);
  EXPECT_EQ(side.X2, 7);
  EXPECT_EQ(side.TierPos, 1);
  EXPECT_EQ(f.M().TierTracks, (std::vector<std::int32_t>{1, 1, 2}));
  EXPECT_EQ(f.M().TierSections, (std::vector<std::int32_t>{1, 1, 2}));
  EXPECT_EQ(f.M().LinkLength, 56);
  EXPECT_EQ(f.M().Width, 84);
  EXPECT_EQ(f.M().Height, 123);
}

TEST(LayoutScheme, BranchCaptionRows) {
  // Tier 3: C's mark and impedance on rows 1 and 2; D's mark fits after C's on row 1, its impedance
  // starts left of the end of row 2 and goes to row 3.
  DiagramScheme s = test::ForkScheme();
  s.Branches[1].Mark = "AAAA";
  s.Branches[1].R = 1, s.Branches[1].X = 2;
  s.Branches[2].Mark = "BB";
  s.Branches[2].R = 1, s.Branches[2].X = 2;
  Laid f(s, [](TSchemBoxState& b) { b.FZYKtr = true; });
  const SElem& c = f.E("C");
  const SElem& d = f.E("D");
  EXPECT_EQ(c.MarkRow, 1);
  EXPECT_EQ(c.ZRow, 2);
  EXPECT_EQ(d.MarkRow, 1);
  EXPECT_EQ(d.ZRow, 3);
  EXPECT_EQ(c.ChildPos, 0);
  EXPECT_EQ(c.YRow + c.KtrRow + d.YRow + d.KtrRow, 0);
  EXPECT_EQ(f.E("B").MarkRow, 0);
  EXPECT_EQ(f.M().TierLabelRows, (std::vector<std::int32_t>{0, 0, 0, 3}));
  // D's impedance ends at 35 + 18 characters of 5 pixels + 3.
  EXPECT_EQ(f.M().Width, 128 + 14);
  EXPECT_EQ(f.M().Height, 147 + 3 * 10);
  EXPECT_EQ(f.canvas.Font.Height, -13);
  EXPECT_NE(std::find(f.canvas.Heights.begin(), f.canvas.Heights.end(), -10), f.canvas.Heights.end());

  // Branch names with the owner's letter and the district number.
  DiagramScheme n = test::ForkScheme();
  n.Branches[1].DSName = "Ф-1";
  n.Branches[2].A = "А";
  Laid named(n, [](TSchemBoxState& b) { b.FNumLn = true, b.FAbon = true, b.FMarkLn = false; });
  EXPECT_EQ(named.E("C").ChildPos, 1);
  EXPECT_EQ(named.E("D").ChildPos, 1);
  // " (А)" of D: 4 characters of 5 pixels from 35.
  EXPECT_EQ(named.M().Width, std::max(70, 35 + 20 + 3 + 14));
}

// Flows of equal magnitude at both ends: the far end's value is kept.
TEST(LayoutScheme, EqualEndFlowsKeepTheSecondEnd) {
  DiagramScheme s = test::ForkScheme();
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  s.Load(box);
  // Opposite end voltages make the end powers opposite and equal in size.
  const int row = 2;
  (*box.BranchCols.U1)[row] = -10, (*box.BranchCols.U2)[row] = 10;
  (*box.BranchCols.Irez)[row] = 100, (*box.BranchCols.Faza)[row] = 45;
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  ASSERT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  MeasuringCanvas canvas;
  LayoutScheme(box, canvas, *box.Model);
  ASSERT_EQ(box.FlowP.size(), 3u);
  EXPECT_GT(box.FlowP[row - 1], 0.5f);
  EXPECT_LT(box.FlowQ[row - 1], -0.5f);
  EXPECT_FLOAT_EQ(box.FlowP[row - 1], -box.FlowQ[row - 1]);
  EXPECT_EQ(box.FlowP[0], 0.f);
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
  Laid f(test::ForkScheme(), [](TSchemBoxState& b) { b.FlagP = true; });
  EXPECT_FALSE(f.box.FlagDR);
  // Two tiers with result rows of 2 × 7 + 2 × 8 + 2 × 10, the closing 8 + 10 + 7.
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

  canvas.Fail = false;
  LayoutScheme(box, canvas, *box.Model);
  const SElem& ps = *box.Model->First->Children[0];
  ASSERT_NE(ps.SubModel, nullptr);
  EXPECT_GE(ps.X2 - ps.X1, ps.SubModel->Width);
  EXPECT_EQ(ps.Height, ps.SubModel->Height + 2 * 9);  // with the rows of the outer links
  EXPECT_FALSE(box.FlagDR);
}

}  // namespace
}  // namespace ld::diagram

namespace ld::diagram {
namespace {

void NoMarks(TSchemBoxState& b) { b.FMarkLn = false; }

TEST(LayoutScheme, TouchingLinksTakeTwoTracks) {
  // A and B are vertices joined by a line; C under A has a second line to A. The link A - B ends at
  // x 35 below A, where the second line A - C rises from C.
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "B", "B", 10);
  s.Node(3, "C", "", 10);
  s.Node(4, "D", "", 10);
  s.Node(5, "E", "", 10);
  s.Branch(5, 3);
  s.Branch(2, 1);
  s.Branch(3, 1);
  s.Branch(4, 2);
  s.Branch(3, 1);
  Laid f(s, NoMarks);
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 2u);
  const SElem& ab = *refs[0];
  const SElem& ac = *refs[1];
  EXPECT_EQ(ab.X1, 77);
  EXPECT_EQ(ab.X2, 35);
  EXPECT_EQ(ac.X1, 35);
  EXPECT_EQ(ac.X2, 7);
  EXPECT_EQ(ab.TierPos, 1);
  EXPECT_EQ(ac.TierPos, 2);
  EXPECT_EQ(ab.BendX1 + ab.BendX2 + ac.BendX1 + ac.BendX2, 0);
  EXPECT_EQ(f.E("C").X1, 14);
  EXPECT_EQ(f.E("C").LinkX, 21);
  EXPECT_EQ(f.E("E").X1, 14);
  EXPECT_EQ(f.M().TierTracks, (std::vector<std::int32_t>{1, 1, 2, 1}));
  EXPECT_EQ(f.M().LinkLength, 70);
  EXPECT_EQ(f.M().Width, 112);
  EXPECT_EQ(f.M().Height, 161);
}

TEST(LayoutScheme, OppositeLinksMeetingAtOneXAreBent) {
  // Vertices A, C, D; B under A, E under C; links C - B, D - E and D - B. C - B rises to the right
  // and D - E to the left, both ending at x 119 below C: C - B's run there moves left.
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "B", "", 10);
  s.Node(3, "C", "B", 10);
  s.Node(4, "D", "B", 10);
  s.Node(5, "E", "", 10);
  s.Branch(2, 1);
  s.Branch(3, 5);
  s.Branch(3, 2);
  s.Branch(5, 4);
  s.Branch(4, 2);
  Laid f(s, NoMarks);
  std::vector<std::string> roots;
  for (PSElem c : f.M().First->Children) roots.push_back(*c->Caption);
  EXPECT_EQ(roots, (std::vector<std::string>{"D", "A", "C"}));
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 3u);
  const SElem& cb = *refs[0];
  const SElem& de = *refs[1];
  const SElem& db = *refs[2];
  EXPECT_EQ((std::vector<int>{cb.X1, cb.X2, cb.TierPos, cb.BendX1, cb.BendX2}), (std::vector<int>{77, 119, 1, 0, 112}));
  EXPECT_EQ((std::vector<int>{de.X1, de.X2, de.TierPos, de.BendX1, de.BendX2}), (std::vector<int>{119, 21, 2, 0, 0}));
  EXPECT_EQ((std::vector<int>{db.X1, db.X2, db.TierPos, db.BendX1, db.BendX2}), (std::vector<int>{63, 7, 3, 0, 0}));
  EXPECT_EQ(f.E("B").UpLinkCount, 2);
  EXPECT_EQ(f.E("D").DownLinkCount, 2);
  EXPECT_EQ(f.E("D").LeftAttach, 1);
  EXPECT_EQ(f.M().TierTracks, (std::vector<std::int32_t>{1, 1, 3}));
  EXPECT_EQ(f.M().LinkLength, 196);
  EXPECT_EQ(f.M().Width, 154);
  EXPECT_EQ(f.M().Height, 127);
}

}  // namespace
}  // namespace ld::diagram

namespace ld::diagram {
namespace {

TEST(LayoutScheme, ZeroMetricsStepByOnePixel) {
  // A control that read no settings: every coefficient and flag 0, captions by number. Every step
  // is one pixel, the boxes as wide as their numbers.
  TSchemBoxState box;
  test::ForkScheme().Load(box);
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  ASSERT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  MeasuringCanvas canvas;
  LayoutScheme(box, canvas, *box.Model);
  std::vector<std::vector<int>> boxes;
  for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next) boxes.push_back({e->NodeNr, e->X1, e->X2, e->LinkX});
  EXPECT_EQ(boxes, (std::vector<std::vector<int>>{{1, 9, 17, 9}, {2, 2, 10, 9}, {3, 0, 8, 7}, {4, 9, 17, 9}}));
  EXPECT_EQ(box.Model->Width, 19);
  EXPECT_EQ(box.Model->Height, 0);

  // Only the step coefficient 0: the lines leave their boxes one pixel right of the left end, not
  // half a font height, so that they stay within the boxes.
  Laid f(test::ForkScheme(), [](TSchemBoxState& b) { b.KXe = 0; });
  boxes.clear();
  for (PSElem e = f.M().First->Next; e != nullptr; e = e->Next) boxes.push_back({e->NodeNr, e->X1, e->X2, e->LinkX});
  EXPECT_EQ(boxes, (std::vector<std::vector<int>>{{1, 9, 17, 10}, {2, 2, 10, 10}, {3, 0, 8, 8}, {4, 9, 17, 10}}));
  EXPECT_EQ(f.M().Width, 19);
  EXPECT_EQ(f.M().Height, 147);
}

}  // namespace
}  // namespace ld::diagram

namespace ld::diagram {
namespace {

struct FullGeom {
  const char* name;
  int x1, x2, linkX, leftAttach, tier, tierPos, markRow;
};

TEST(LayoutScheme, DistrictWithDefaults) {
  Laid f(test::DistrictScheme());
  // The link-length order puts ПС-2 beside ПС-1: both the ring ПС-2.2 - ТП-5 and ТП-4 - ТП-2 join them.
  std::vector<std::string> roots;
  for (PSElem c : f.M().First->Children) roots.push_back(*c->Caption);
  EXPECT_EQ(roots, (std::vector<std::string>{"ПС-2", "ПС-1", "ТП-7", "ТП-8"}));
  const FullGeom boxes[] = {
      {"ПС-2", 0, 42, 35, 1, 1, 1, 0},     {"ПС-1", 84, 126, 91, 0, 1, 2, 0},   {"ТП-7", 140, 168, 147, 0, 1, 3, 0},
      {"ТП-8", 182, 210, 189, 0, 1, 4, 0}, {"ТП-3", 0, 42, 7, 0, 2, 1, 1},      {"ТП-1", 56, 98, 91, 1, 2, 2, 1},
      {"ТП-5", 112, 154, 119, 0, 2, 3, 1}, {"ТП-4", 0, 42, 7, 0, 3, 1, 1},      {"ОТП_12", 84, 98, 91, 0, 3, 2, 1},
      {"ТП-2", 84, 126, 91, 0, 4, 1, 1}};
  for (const FullGeom& g : boxes) {
    SCOPED_TRACE(g.name);
    const SElem& e = f.E(g.name);
    EXPECT_EQ((std::vector<int>{e.X1, e.X2, e.LinkX, e.LeftAttach, e.Tier, e.TierPos, e.MarkRow, e.Height}),
              (std::vector<int>{g.x1, g.x2, g.linkX, g.leftAttach, g.tier, g.tierPos, g.markRow, 17}));
    EXPECT_EQ(e.ChildPos + e.ZRow + e.YRow + e.KtrRow + e.BendX1 + e.BendX2 + e.GroupMark + e.Y, 0);
    EXPECT_FALSE(e.Caption3.has_value());
  }
  EXPECT_EQ(f.E("ПС-1").Caption2.value_or(""), "ПС-1");
  EXPECT_FALSE(f.E("ОТП_12").Caption2.has_value());
  EXPECT_EQ(f.M().First->X1, 28);
  EXPECT_EQ(f.M().First->X2, 196);

  // Links: the coupler of ПС-1 on two upper slots, the two rings rising to the left, the unsupplied
  // line on one tier.
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 4u);
  const int expected[4][5] = {{1, 105, 119, 0, 0}, {2, 133, 35, 1, 1}, {4, 105, 35, 1, 1}, {2, 189, 161, 1, 1}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const SElem& r = *refs[static_cast<std::size_t>(i)];
    EXPECT_EQ((std::vector<int>{r.Tier, r.X1, r.X2, r.TierPos, r.MarkRow}),
              (std::vector<int>(std::begin(expected[i]), std::end(expected[i]))));
  }
  EXPECT_EQ(f.E("ПС-1").SelfLinkCount, 1);
  EXPECT_EQ(f.E("ПС-2").DownLinks, std::vector<PSElem>{refs[1]});
  EXPECT_EQ(f.E("ТП-5").UpLinks, std::vector<PSElem>{refs[1]});
  EXPECT_EQ(f.E("ТП-4").DownLinks, std::vector<PSElem>{refs[2]});
  EXPECT_EQ(f.E("ТП-2").UpLinks, std::vector<PSElem>{refs[2]});
  EXPECT_EQ(f.E("ТП-7").SideLinks, std::vector<PSElem>{refs[3]});
  EXPECT_EQ(f.E("ТП-8").SideLinks, std::vector<PSElem>{refs[3]});
  EXPECT_EQ(f.E("ПС-1").ChildCount, 2);
  EXPECT_EQ(f.E("ПС-1").Children[0]->Caption.value_or(""), "ТП-1");

  const TSchemeModel& m = f.M();
  EXPECT_EQ(m.TierTracks, (std::vector<std::int32_t>{1, 1, 1, 1, 1}));
  EXPECT_EQ(m.TierSections, (std::vector<std::int32_t>{1, 2, 1, 1, 1}));
  EXPECT_EQ(m.TierHeight, (std::vector<std::int32_t>{17, 17, 17, 17, 17}));
  EXPECT_EQ(m.TierLabelRows, (std::vector<std::int32_t>{0, 0, 1, 1, 1}));
  EXPECT_EQ(m.TierHasTransformer, (std::vector<std::uint8_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(m.LinkLength, 210);
  EXPECT_EQ(m.Width, 238);
  EXPECT_EQ(m.Height, 252);
}

}  // namespace
}  // namespace ld::diagram

namespace ld::diagram {
namespace {

TEST(LayoutScheme, DistrictCaptionsTransformersAndExpandedSubstation) {
  // Names, marks and impedances of the branches: the places do not move, the rows pile up where
  // captions of the tier overlap.
  DiagramScheme s = test::DistrictScheme();
  s.Branches[3].DSName = "Ф-1";  // ПС-1.1 - ТП-1
  Laid f(s, [](TSchemBoxState& b) { b.FNumLn = true, b.FZYKtr = true; });
  struct Rows {
    const char* name;
    int name_, mark, z;
  };
  for (const Rows& r : {Rows{"ТП-3", 0, 1, 2}, Rows{"ТП-1", 1, 4, 5}, Rows{"ТП-5", 0, 1, 2}, Rows{"ТП-4", 0, 1, 2},
                        Rows{"ОТП_12", 0, 1, 3}, Rows{"ТП-2", 0, 1, 3}}) {
    SCOPED_TRACE(r.name);
    const SElem& e = f.E(r.name);
    EXPECT_EQ((std::vector<int>{e.ChildPos, e.MarkRow, e.ZRow, e.YRow, e.KtrRow}),
              (std::vector<int>{r.name_, r.mark, r.z, 0, 0}));
  }
  const std::vector<PSElem> refs = f.Refs();
  ASSERT_EQ(refs.size(), 4u);
  EXPECT_EQ((std::vector<int>{refs[1]->MarkRow, refs[1]->ZRow}), (std::vector<int>{1, 3}));  // ПС-2.2 - ТП-5
  EXPECT_EQ((std::vector<int>{refs[2]->MarkRow, refs[2]->ZRow}), (std::vector<int>{1, 2}));  // ТП-4 - ТП-2
  EXPECT_EQ((std::vector<int>{refs[3]->MarkRow, refs[3]->ZRow}), (std::vector<int>{1, 3}));  // ТП-7 - ТП-8
  EXPECT_EQ(refs[0]->MarkRow + refs[0]->ZRow, 0);  // the coupler is a link of ПС-1 to itself
  EXPECT_EQ(f.M().TierLabelRows, (std::vector<std::int32_t>{0, 0, 5, 3, 3}));
  EXPECT_EQ(f.E("ТП-1").X1, 56);
  // The impedance of ТП-7 - ТП-8 from x 161 ends the widest row.
  EXPECT_EQ(f.M().Width, 161 + 18 * 5 + 3 + 14);
  EXPECT_EQ(f.M().Height, 252 + 8 * 10);

  // Two-winding transformers inside the stations, found by the names of their ends.
  DiagramScheme t = test::DistrictScheme();
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
  PSElem ps2 = nullptr;
  for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next) {
    if (e->Has(efReference)) continue;
    if (!e->TransformerRows.empty()) rows[*e->Caption] = e->TransformerRows;
    if (e->Caption == "ПС-2") ps2 = e;
  }
  EXPECT_EQ(rows, (std::map<std::string, std::vector<std::int32_t>>{
                      {"ПС-2", {2, 3}}, {"ТП-1", {5}}, {"ТП-2", {8}}, {"ТП-3", {10}}, {"ТП-4", {12}}, {"ТП-5", {15}}}));
  EXPECT_EQ(box.PixXe, 32);
  ASSERT_NE(ps2, nullptr);
  ASSERT_NE(ps2->SubModel, nullptr);
  EXPECT_EQ(ps2->X2 - ps2->X1, 32 * ((ps2->SubModel->Width + 31) / 32));
  EXPECT_EQ(ps2->Height, ps2->SubModel->Height + 2 * box.PixYlnk);
  int nested = 0;
  for (PSElem e = ps2->SubModel->First; e != nullptr; e = e->Next, ++nested) {
    EXPECT_TRUE(e->Has(efInSubModel));
    EXPECT_EQ(e->Owner, ps2);
  }
  EXPECT_GE(nested, 4);  // the super-root and the three nodes of ПС-2 at least
  EXPECT_EQ(box.NodeCols.Name->GetItem(4), "ПС-2.1");
  // A later layout without the expansion draws the substation collapsed again.
  box.ExpandedSubst.clear();
  LayoutScheme(box, canvas, *box.Model);
  EXPECT_EQ(ps2->SubModel, nullptr);
  EXPECT_EQ(ps2->Height, 17);
}

}  // namespace
}  // namespace ld::diagram

namespace ld::diagram {
namespace {

TEST(LayoutScheme, InstalledAsTheControlsLayout) {
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  test::ForkScheme().Load(box);
  MeasuringCanvas canvas;
  box.Canvas = &canvas;
  InstallLayout(box);
  ASSERT_TRUE(box.RebuildScheme(0, 0));
  EXPECT_EQ(box.Model->Width, 70);
  EXPECT_EQ(box.Model->Height, 147);
  box.FlagP = true;  // a step of 32 pixels
  box.RelayoutScheme(0, 0);
  EXPECT_EQ(box.Model->Width, 32 * 5);
}

}  // namespace
}  // namespace ld::diagram
