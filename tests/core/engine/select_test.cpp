// Selections on a small meshed scheme of two substations: which node and branch rows each one hands to
// the diagram.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/engine/select.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// Node rows of the scheme (1-based, in table order).
enum Row { kPs11 = 1, kPs12, kTp3, kTp4, kTp5, kTp6, kTp7, kPs21, kTp8, kTp9, kLow12, kPs22, kTp20, kTp21 };
// Branch rows.
enum Br { bSection = 1, b13, b34, b45, b26, b67, bRing57, b10_8, b89, bTie95, b8_12, b10_11, bOff4_20, b20_21 };

// ПС1 (sections 1 and 2) feeds a ring 1-3-4-5-7-6-2 closed at 5-7; ПС2 (10) feeds 8-9 and, through a
// transformer, the 0.4 kV node 12; 9-5 is a cut open at 9; 20-21 has no supply, joined to 4 by a
// branch switched off at both ends.
SchemeBuilder TwoSubstations() {
  SchemeBuilder s;
  const std::pair<int, const char*> nodes[] = {{1, "ПС1.1"}, {2, "ПС1.2"}, {3, "ТП3"},     {4, "ТП4"},   {5, "ТП5"},
                                               {6, "ТП6"},   {7, "ТП7"},   {10, "ПС2.1"},  {8, "ТП8"},   {9, "ТП9"},
                                               {12, "ТП8 0,4"}, {11, "ПС2.2"}, {20, "ТП20"}, {21, "ТП21"}};
  for (const auto& [ns, name] : nodes) {
    NodeSpec& n = s.Node(ns, ns == 1 || ns == 10 ? "B" : "", ns >= 3 ? 0.2 : 0, ns >= 3 ? 0.1 : 0);
    n.Name = name;
    n.Um = ns == 12 ? 0.4f : (ns == 1 || ns == 10 ? 10.5f : 10);
  }
  const int ends[][2] = {{1, 2}, {1, 3}, {3, 4}, {4, 5}, {2, 6}, {6, 7}, {5, 7},
                         {10, 8}, {8, 9}, {9, 5}, {8, 12}, {10, 11}, {4, 20}, {20, 21}};
  for (const auto& b : ends) s.Branch(b[0], b[1], 1, 2);
  s.Branches[bTie95 - 1].Commut = "Н";
  s.Branches[bOff4_20 - 1].Commut = "О";
  s.Branches[b8_12 - 1].Kta = 25;
  return s;
}

class Selections : public ::testing::Test {
protected:
  void SetUp() override {
    regime.NameMode = 1;
    regime.FormPVLoops = true;
    TwoSubstations().Read(regime, dir.Path());
    ASSERT_TRUE(regime.SchemeRead);
  }
  struct Rows {
    std::set<int> nodes, branches;
  };
  Rows Collect() {
    std::vector<std::int32_t> n, b;
    CollectMarkedConnections(regime, n, b);
    Rows r{{n.begin(), n.end()}, {b.begin(), b.end()}};
    EXPECT_EQ(r.nodes.size(), n.size()) << "a node row listed twice";
    EXPECT_EQ(r.branches.size(), b.size()) << "a branch row listed twice";
    return r;
  }
  bool NoMarksLeft() const {
    for (const TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
      if ((e->Flags & efSelectBits) != 0) return false;
    }
    return true;
  }

  NominalVoltages voltages{std::vector<double>{0.4, 6, 10, 35, 110}};
  ScriptedMsgBox box;
  TempDir dir;
  TRegime regime;
};

TEST_F(Selections, NameSearchCutsAtGreaterThanAndNeverReturnsLoopClosingElements) {
  TRegimeElement* e = regime.Root;
  ASSERT_TRUE(FindElementByName(regime, " ТП7 > 0,4 кВ", 1, e));
  EXPECT_EQ(e->NodeIndex, kTp7);
  // The ring's closing element carries the name of node 5 too; only the node is found.
  e = regime.Root;
  ASSERT_TRUE(FindElementByName(regime, "ТП5", 1, e));
  EXPECT_EQ(e->NodeIndex, kTp5);
  EXPECT_EQ(e->Flags & efLoopClosing, 0u);
  EXPECT_FALSE(FindElementByName(regime, "ТП5", 1, e));
  // By number in modes 0 and 2; an element without a name is found by its number in mode 1 as well.
  e = regime.Root;
  ASSERT_TRUE(FindElementByName(regime, "9", 0, e));
  EXPECT_EQ(e->NodeIndex, kTp9);
  e = regime.Root;
  EXPECT_FALSE(FindElementByName(regime, "9", 1, e));
  EXPECT_FALSE(FindElementByName(regime, "ТП", 1, e = regime.Root));
  EXPECT_EQ(ElementText(0, FindNode(regime, 9)), "9");
  EXPECT_EQ(ElementText(1, FindNode(regime, 9)), "ТП9");
}

TEST_F(Selections, RadiusWithAndWithoutLoopsAndSubstationSections) {
  ASSERT_TRUE(BuildSupplyRadius(regime, "ТП7", false, false));
  Rows r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kPs11, kPs12, kTp6, kTp7}));
  EXPECT_EQ(r.branches, (std::set<int>{bSection, b26, b67}));
  EXPECT_TRUE(NoMarksLeft());

  // The ring closed at 5-7 touches the path, so the whole ring joins it; the open cut 9-5 does not.
  std::vector<int> progress;
  ASSERT_TRUE(BuildSupplyRadius(regime, "ТП7", false, true, [&](int p) { progress.push_back(p); }));
  EXPECT_EQ(progress, (std::vector<int>{30, 100}));
  r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kPs11, kPs12, kTp3, kTp4, kTp5, kTp6, kTp7}));
  EXPECT_EQ(r.branches, (std::set<int>{bSection, b13, b34, b45, b26, b67, bRing57}));

  // A substation's name finds every section when names are cut at the dot; a section name finds one.
  ASSERT_TRUE(BuildSupplyRadius(regime, "ПС1", true, false));
  r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kPs11, kPs12}));
  EXPECT_EQ(r.branches, (std::set<int>{bSection}));
  EXPECT_EQ(FindNode(regime, 2)->Name, "ПС1.2") << "names restored";
  EXPECT_FALSE(BuildSupplyRadius(regime, "ПС1", false, false));
  ASSERT_TRUE(BuildSupplyRadius(regime, "ПС1.2", true, false));
  r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kPs11, kPs12}));
  EXPECT_EQ(r.branches, (std::set<int>{bSection}));
  EXPECT_FALSE(BuildSupplyRadius(regime, "ТП99", true, true));
  r = Collect();
  EXPECT_TRUE(r.nodes.empty() && r.branches.empty());
}

TEST_F(Selections, TreeRoutesTierClassesContourAndUnsuppliedFragment) {
  ASSERT_TRUE(BuildSupplyTree(regime, "ТП4", false, true));
  Rows r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kPs11, kPs12, kTp3, kTp4, kTp5, kTp6, kTp7, kTp9, kTp20}));
  EXPECT_EQ(r.branches, (std::set<int>{bSection, b13, b34, b45, b26, b67, bRing57, bTie95, bOff4_20}));
  // The routes reach the reserve way through the open cut to ПС2 as well.
  ASSERT_TRUE(BuildSupplyRoutes(regime, "ТП4", false));
  r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kPs11, kPs12, kTp3, kTp4, kTp5, kTp6, kTp7, kPs21, kTp8, kTp9, kTp20}));
  EXPECT_EQ(r.branches, (std::set<int>{bSection, b13, b34, b45, b26, b67, bRing57, b10_8, b89, bTie95, bOff4_20}));
  ASSERT_TRUE(BuildNodeTier(regime, "ТП4", false));
  r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kTp3, kTp4, kTp5, kTp20}));
  EXPECT_EQ(r.branches, (std::set<int>{b34, b45, bOff4_20}));

  std::vector<std::int32_t> nodes, branches;
  ASSERT_TRUE(ToggleSubstation(regime, " ПС1 ", true, nodes, branches));
  EXPECT_EQ(std::set<int>(nodes.begin(), nodes.end()), (std::set<int>{kPs11, kPs12}));
  EXPECT_EQ(branches, (std::vector<std::int32_t>{bSection}));
  ASSERT_TRUE(SelectNodesByVoltageClass(regime, "0", nodes, branches));
  EXPECT_EQ(nodes, (std::vector<std::int32_t>{kLow12}));
  EXPECT_TRUE(branches.empty()) << "the transformer joins two classes";

  ASSERT_TRUE(SelectContour(regime, 1));
  r = Collect();
  EXPECT_EQ(r.branches, (std::set<int>{bSection, b13, b34, b45, b26, b67, bRing57}));
  // The island 20-21 and the way to the source of the node it could be fed from.
  ASSERT_TRUE(SelectUnsuppliedFragment(regime, "ТП21"));
  r = Collect();
  EXPECT_EQ(r.nodes, (std::set<int>{kTp20, kTp21, kTp4, kTp3, kPs11}));
  EXPECT_EQ(r.branches, (std::set<int>{b20_21, bOff4_20, b34, b13}));

  // A second island 22-23 beyond an open branch from 21 joins the fragment; the way up from it ends at
  // the island's own top and takes in nothing else of the scheme.
  SchemeBuilder more = TwoSubstations();
  // Island 24-25 stands apart from both.
  for (const int ns : {22, 23, 24, 25}) {
    NodeSpec& n = more.Node(ns, "", 0.2, 0.1);
    n.Name = "ТП" + std::to_string(ns), n.Um = 10;
  }
  more.Branch(21, 22, 1, 2).Commut = "О";
  more.Branch(23, 22, 1, 2);
  more.Branch(24, 25, 1, 2);
  TRegime islands;
  islands.NameMode = 1;
  islands.FormPVLoops = true;
  more.Read(islands, dir.Path());
  ASSERT_TRUE(SelectUnsuppliedFragment(islands, "ТП21"));
  std::vector<std::int32_t> n, b;
  CollectMarkedConnections(islands, n, b);
  EXPECT_EQ(std::set<int>(n.begin(), n.end()), (std::set<int>{kTp20, kTp21, kTp4, kTp3, kPs11, 15, 16}));
  EXPECT_EQ(std::set<int>(b.begin(), b.end()), (std::set<int>{b20_21, bOff4_20, b34, b13, 15, 16}));
}

}  // namespace
}  // namespace ld::test
