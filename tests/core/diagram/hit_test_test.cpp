#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/diagram/draw.h"
#include "core/diagram/flow_anim.h"
#include "core/diagram/hit_test.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "core/tables/switch_rec.h"
#include "support/diagram_fixture.h"
#include "support/recording_canvas.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using Names = std::vector<std::string>;
using test::RecordingCanvas;

struct Shown : test::ShownScheme {
  using ShownScheme::ShownScheme;
  std::string LineAt(int x, int y) {
    PSElem e = nullptr;
    return HitTestLine(box, x, y, e) ? e->Caption.value_or("?") : "";
  }
  std::string NodeAt(int x, int y) {
    PSElem e = nullptr;
    bool nested = false;
    if (!HitTestNode(box, x, y, nested, e)) return "";
    return (nested ? "nested " : "") + e->Caption.value_or("?");
  }
};

std::string Commut(const TSchemBoxState& box, int row) {
  const char c = box.BranchCols.Commut->Get(row);
  return c == 0 ? "" : Cp1251ToUtf8(std::string(1, c));
}

TEST(HitTest, LinesNodesAndSwitchesOfTheFork) {
  Shown f(test::ForkScheme());
  // C's box is (14, 113)-(28, 130); its line runs at x 21 from 89 to 106; a line is hit within
  // PixXv div 2 = 3 pixels, exclusive.
  EXPECT_EQ((Names{f.LineAt(23, 100), f.LineAt(19, 100), f.LineAt(24, 100), f.LineAt(18, 100), f.LineAt(21, 89),
                    f.LineAt(21, 106)}),
            (Names{"C", "C", "", "", "", ""}));
  EXPECT_EQ((Names{f.NodeAt(20, 120), f.NodeAt(14, 120), f.NodeAt(20, 113), f.NodeAt(50, 70)}), (Names{"C", "", "", "B"}));

  // Switching devices, in the commutation mode: C's own end (its branch's end N2, as the branch
  // begins at B) below, B's end above.
  f.box.ComMode = true;
  f.box.Paint();
  std::vector<std::pair<int, std::string>> changes;
  bool kept = true;
  f.box.OnChangeLine = [&](const std::string&, TDataFile*, int row, const TRecSwt* before) {
    changes.emplace_back(row, before->Commut == 0 ? "" : Cp1251ToUtf8(std::string(1, before->Commut)));
    return kept;
  };
  EXPECT_FALSE(ToggleSwitchAt(f.box, 30, 109));
  EXPECT_FALSE(ToggleSwitchAt(f.box, 21, 100));
  Names letters;
  for (const int y : {109, 85, 109, 85}) {
    EXPECT_TRUE(ToggleSwitchAt(f.box, 21, y));
    letters.push_back(Commut(f.box, 2));
  }
  EXPECT_EQ(letters, (Names{"К", "О", "Н", ""}));
  EXPECT_EQ(changes, (std::vector<std::pair<int, std::string>>{{2, ""}, {2, "К"}, {2, "О"}, {2, "Н"}}));
  EXPECT_TRUE(f.box.Modified);

  // A switching the host does not keep (its journal entry refused, cancelled or not saved) is undone:
  // the letter and the drawing as before; a first change since the last save is given up with it, and
  // one among earlier changes leaves them to be saved.
  kept = false;
  for (const bool earlier : {false, true}) {
    f.box.Modified = earlier;
    EXPECT_TRUE(ToggleSwitchAt(f.box, 21, 109));
    EXPECT_EQ(Commut(f.box, 2), "");
    EXPECT_FALSE(f.E("C")->Has(efOffOwn) || f.E("C")->Has(efOffParent));
    EXPECT_EQ(f.box.Modified, earlier);
  }
  kept = true;

  // A damaged branch is not switched.
  f.E("C")->Flags |= efDamaged;
  (*f.box.BranchCols.Commut)[2] = Utf8ToCp1251("П")[0];
  changes.clear();
  EXPECT_TRUE(ToggleSwitchAt(f.box, 21, 109));
  EXPECT_EQ(Commut(f.box, 2), "П");
  EXPECT_TRUE(changes.empty());

  // A model freed (a failed build, a host emptying the diagram) leaves nothing to hit, switch or animate.
  f.box.FreeSchemeModel(*f.box.Model);
  EXPECT_EQ(f.LineAt(23, 100) + f.NodeAt(20, 120), "");
  EXPECT_FALSE(ToggleSwitchAt(f.box, 21, 109));
  TFlowFrame frame;
  f.box.fMoveFlows = true;
  EXPECT_FALSE(FlowTimerTick(f.box, frame));
}

// A switching device is hit strictly inside its symbol: its edges are outside it, and devices side by
// side are told apart by their own column.
TEST(HitTest, SwitchSymbolEdges) {
  Shown f(test::ForkScheme());
  f.box.ComMode = true;
  f.box.Paint();
  EXPECT_EQ((std::vector<int>{FindSwitchAt(f.box, 18, 109), FindSwitchAt(f.box, 25, 109), FindSwitchAt(f.box, 21, 106)}),
            (std::vector<int>{-1, -1, -1}));
  const int c = FindSwitchAt(f.box, 21, 109), d = FindSwitchAt(f.box, 49, 109);
  ASSERT_TRUE(c >= 0 && d >= 0);
  EXPECT_EQ(f.box.ComHitElem[static_cast<std::size_t>(c)], f.E("C"));
  EXPECT_EQ(f.box.ComHitElem[static_cast<std::size_t>(d)], f.E("D"));
}

TEST(HitTest, RouteLegsAndNestedBoxes) {
  Shown f(test::ForkScheme());
  // A route from (40, 20) down to 60, left to 10 and down to 100.
  f.box.LineHitElem = {f.E("D")};
  f.box.LineHitStraight = {0};
  f.box.LineHitX1 = {40}, f.box.LineHitX2 = {10};
  f.box.LineHitYMid = {60}, f.box.LineHitY1 = {20}, f.box.LineHitY2 = {100};
  // The run is hit within PixdY div 2 = 7 and ends short of its corners.
  EXPECT_EQ((Names{f.LineAt(41, 30), f.LineAt(41, 20), f.LineAt(12, 80), f.LineAt(25, 66), f.LineAt(25, 67),
                   f.LineAt(40, 60), f.LineAt(50, 60)}),
            (Names{"D", "", "D", "D", "", "", ""}));
}

TEST(HitTest, HintTexts) {
  DiagramScheme s = test::ForkScheme();
  Shown f(s, [](TSchemBoxState& b) {
    b.hNumNode = b.hNameNode = b.hVoltage = true;
    b.hNumsLine = b.hNameLine = true;
  });
  // At a point: over C's box its node hint; where its line runs into the box, the line's hint; over
  // empty space none.
  f.box.hNameLine = false;
  (*f.box.NodeCols.Urez)[3] = 10.5;
  EXPECT_EQ(HintTextAt(f.box, 26, 120), "3 C U=10.50 ");
  EXPECT_EQ(HintTextAt(f.box, 22, 100), "2 - 3 ");
  EXPECT_EQ(HintTextAt(f.box, 150, 180), "");
  f.box.LineHitY2[1] = 125;  // C's line drawn on into its box
  ASSERT_EQ(f.box.LineHitElem[1], f.E("C"));
  EXPECT_EQ(HintTextAt(f.box, 22, 120), "2 - 3 ");
}

TEST(ScrollView, ScrollToLocateAndFind) {
  Shown f(test::DistrictScheme(), {}, 60, 50);
  TSchemePainter& painter = f.painter;
  std::vector<std::string> told;
  f.box.OnGetNode = [&](const std::string& node) { told.push_back(node); };
  // A wide and tall model: the element comes to the middle of the control.
  PSElem tp4 = f.E("ТП-4");
  ScrollToElement(f.box, painter, tp4);
  const int width = tp4->X2 - tp4->X1;
  EXPECT_EQ(f.box.SelectedNode, tp4);
  EXPECT_EQ(told.back(), "ТП-4");
  // On the picture painted at that origin, the box stands in the middle.
  EXPECT_LE(std::abs((tp4->Y + tp4->Height / 2) - 25), 1);
  EXPECT_LE(std::abs((tp4->X1 + f.box.PixXe - f.box.OriginX + width / 2) - 30), 1);

  // By number and by text; a substation's section name finds the substation in name mode.
  LocateNode(f.box, painter, 31);
  EXPECT_EQ(f.box.SelectedNode, f.E("ТП-3"));
  EXPECT_EQ(FindNodeOnScheme(f.box, painter, "пс-1.2"), f.E("ПС-1"));

  // Inside an expanded substation: the nested element is found, scrolled to and selected.
  f.box.FPaintNod = ncmName;
  f.box.ExpandedSubst = {"ПС-1"};
  f.box.RelayoutScheme(0, 0);
  PSElem ps1 = f.E("ПС-1");
  ASSERT_TRUE(ps1->SubModel);
  const PSElem nested = FindNodeOnScheme(f.box, painter, "ПС-1.2");
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(f.box.SelectedNode, nested);
  // Its box is in view on the picture painted afterwards, and a click there finds it.
  const int x = nested->X1 + ps1->X1 + 2 * f.box.PixXe - f.box.OriginX + 2;
  const int y = nested->Y + 2;  // the repaint placed it on the canvas
  EXPECT_TRUE(x > 0 && x < 60 && y > 0 && y < 50) << x << "," << y;
  EXPECT_EQ(f.NodeAt(x, y), "nested 2");  // a section is captioned by its number
  // Collapsed again, the substation's nested model is gone, and the selection inside it with it.
  f.box.ExpandedSubst.clear();
  f.box.RelayoutScheme(0, 0);
  EXPECT_EQ(f.E("ПС-1")->SubModel, nullptr);
  EXPECT_EQ(f.box.SelectedNode, nullptr);
}

}  // namespace
}  // namespace ld::diagram
