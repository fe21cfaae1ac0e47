#include <gtest/gtest.h>

#include <functional>
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

DiagramScheme Fork() {
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "B", "", 10);
  s.Node(3, "C", "", 10);
  s.Node(4, "D", "", 10);
  s.Branch(1, 2);
  s.Branch(2, 3);
  s.Branch(2, 4);
  return s;
}

struct BoxGeom {
  const char* name;
  int x1, x2, linkX, leftAttach, tier;
};

TEST(LayoutScheme, ForkAtTwoFontSizes) {
  Laid f(Fork());
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

  Laid big(Fork(), {}, -26);
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
