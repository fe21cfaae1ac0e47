// The element list as a tree with closing contours: parents, shunts at the nodes, contours of the
// network and of fixed-voltage nodes, open loops, and the contour listings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

SchemeBuilder Ring() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.5, 0.2).Name = "Второй";
  s.Node(3, "", 0.5, 0.2).Name = "Третий";
  s.Branch(2, 1, 1, 2);
  s.Branch(3, 1, 1, 2);
  s.Branch(2, 3, 1, 2);
  return s;
}

TEST(Configuration, RingContourAndItsListing) {
  TempDir dir;
  const std::vector<std::vector<std::string>> expected = {
      {"Контур 1", "   Вход 1: 3 - 1", "   Вход 2: 3 - 2 - 1"},
      {"Контур 1", "   Вход 1: Третий - ", "   Вход 2: Третий - Второй - "},
      {"Контур 1", "   Вход 1: 3 Третий - 1", "   Вход 2: 3 Третий - 2 Второй - 1"}};
  for (int mode = 0; mode < 3; ++mode) {
    TRegime r;
    r.NameMode = static_cast<std::uint8_t>(mode);
    std::vector<std::string> listing;
    r.Contours = &listing;
    Ring().Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    ASSERT_EQ(r.ContourCount, 1);
    // The branch that reached an already placed node closes the contour on that node's tree element.
    EXPECT_EQ(r.ContourEntry1[0], FindBranch(r, 3));
    EXPECT_EQ(r.ContourEntry2[0], FindNode(r, 3));
    EXPECT_EQ(r.ContourEntry1[0]->Partner, FindNode(r, 3));
    EXPECT_EQ(r.ContourEntry1[0]->Name, "Третий");
    EXPECT_EQ(FindNode(r, 3)->Parent, FindNode(r, 1));
    EXPECT_EQ(FindNode(r, 1)->Parent, r.Root);
    EXPECT_EQ(listing, expected[mode]) << mode;
    for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) EXPECT_EQ(e->Work, 0);
  }
}

TEST(Configuration, ParallelLinesOpenLoopsAndFixedVoltageContours) {
  TempDir dir;
  {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    s.Node(2).Um = 10;
    s.Branch(2, 1, 1, 2).Nl = 1;
    s.Branch(2, 1, 1, 2).Nl = 2;
    TRegime r;
    s.Read(r, dir.Path());
    EXPECT_EQ(r.ContourCount, 1);
    EXPECT_EQ(r.ContourEntry1[0]->Nl, 2);
  }
  {
    // Switched off at one end, the closing branch forms no contour but is an open loop.
    SchemeBuilder s = Ring();
    s.Branches[2].Commut = "Н";
    TRegime r;
    r.FormPVLoops = true;
    s.Read(r, dir.Path());
    EXPECT_EQ(r.ContourCount, 0);
    ASSERT_EQ(r.OpenLoopCount, 1);
    EXPECT_EQ(r.OpenLoopEntry1[0], FindBranch(r, 3));
    EXPECT_EQ(r.OpenLoopEntry2[0], FindNode(r, 2));
  }
  {
    // Each fixed-voltage node adds one contour behind the network's, closed from the root; a node held
    // at a reactive limit adds none.
    SchemeBuilder s = Ring();
    s.Node(4, "U", 0.1, 0).Um = 10.2f;
    s.Node(5, "U", 0.1, 0).Um = 10.1f;
    s.Branch(4, 3, 1, 1);
    s.Branch(5, 2, 1, 1);
    TRegime r;
    std::vector<std::string> listing;
    r.Contours = &listing;
    s.Read(r, dir.Path());
    EXPECT_EQ(r.NetworkContourCount, 1);
    EXPECT_EQ(r.TotalContourCount, 3);
    for (int c = 1; c < 3; ++c) {
      EXPECT_EQ(r.ContourEntry1[c]->Flags & efReportMask, efFixedVoltage | efLoopClosing);
      EXPECT_EQ(r.ContourEntry1[c]->Parent, r.Root);
      EXPECT_EQ(r.ContourEntry1[c]->Partner, r.ContourEntry2[c]);
      EXPECT_EQ(r.ContourEntry2[c]->Flags & efFixedVoltage, efFixedVoltage);
    }
    EXPECT_NEAR(r.ContourEntry1[1]->K.real() * 110, r.ContourEntry2[1]->Um, 1e-9);
    // A fixed-voltage contour's paths meet at the root only.
    ASSERT_EQ(listing.size(), 9u);
    EXPECT_EQ(listing[4].substr(listing[4].size() - 4), "БП");
    EXPECT_EQ(listing[5].substr(listing[5].size() - 4), "БП");

    TRegime held;
    held.ExcludedPV = {4};  // node 4 is in row 4
    s.Read(held, dir.Path());
    EXPECT_EQ(held.TotalContourCount, 2);
    EXPECT_EQ(FindNode(held, 4)->Flags & efFixedVoltage, 0u);
  }
}

TEST(Configuration, BranchShuntsGoToTheirNodes) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  NodeSpec& two = s.Node(2);
  two.Um = 10;
  two.Gs = 10;
  two.Bs = 20;
  s.Node(3).Um = 0.4f;
  s.Node(4).Um = 0.4f;
  BranchSpec& line = s.Branch(2, 1, 1, 1);
  line.G = 2;
  line.B = 4;
  BranchSpec& t = s.Branch(2, 3, 1, 1);  // fed from its N1 side
  t.Kta = 25;
  t.G = 6;
  t.B = 8;
  BranchSpec& t2 = s.Branch(4, 2, 1, 1);  // fed from its N2 side
  t2.Kta = 0.04f;
  t2.G = 3;
  t2.B = 5;
  TempDir dir;
  TRegime r;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  // Half of the line's shunt at each end; a transformer's whole shunt at its N1 node.
  EXPECT_DOUBLE_EQ(FindNode(r, 1)->Gs, 1);
  EXPECT_DOUBLE_EQ(FindNode(r, 1)->Bs, 2);
  EXPECT_DOUBLE_EQ(FindNode(r, 2)->Gs, 10 + 1 + 6);
  EXPECT_DOUBLE_EQ(FindNode(r, 2)->Bs, 20 + 2 + 8);
  EXPECT_DOUBLE_EQ(FindNode(r, 3)->Gs, 0);
  EXPECT_DOUBLE_EQ(FindNode(r, 4)->Gs, 3);
  EXPECT_DOUBLE_EQ(FindNode(r, 4)->Bs, 5);
  // A line gets the unit ratio; transformers keep theirs, marked as ratios.
  EXPECT_EQ(FindNode(r, 2)->K, Complex(1, 0));
  EXPECT_EQ(FindNode(r, 2)->Flags & efHasRatio, 0u);
  EXPECT_EQ(FindNode(r, 3)->Flags & efHasRatio, efHasRatio);
}

}  // namespace
}  // namespace ld::test
