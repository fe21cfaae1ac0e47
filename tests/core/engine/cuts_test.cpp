// Cut moves of the open-point optimisation against the model read from tables that have the cut at its
// new place, and moves undone by their mirror images.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

// Branch rows of the loop scheme.
enum { r12 = 1, r23, r34, r15, r56, rTr67, rTie47, r18, rRing83, rTie87 };

// Source 1 feeds 1-2-3-4 and 1-5-6, then a transformer 6-7 with a complex ratio and its shunt; the cut
// 4-7 is open at 4, a second cut 8-7 open at 7, and the ring 1-2-3-8 is closed at 8-3.
// commut: the letter of each branch row, so that a test can read the tables with the cuts elsewhere.
SchemeBuilder LoopScheme(const std::map<int, std::string>& commut = {{rTie47, "Н"}, {rTie87, "К"}}) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  const double loads[][2] = {{0, 0}, {0.4, 0.2}, {0.3, 0.1}, {0.5, 0.3}, {0.2, 0.1}, {0.6, 0.2}, {0.3, 0.15}, {0.2, 0.1}};
  for (int ns = 2; ns <= 8; ++ns) {
    NodeSpec& n = s.Node(ns, "", loads[ns - 1][0], loads[ns - 1][1]);
    n.Name = "ТП" + std::to_string(ns);
    n.Um = 10;
  }
  s.Nodes[6].Gs = 15, s.Nodes[6].Bs = -120, s.Nodes[2].Bs = -40;  // nodes 7 and 3
  s.Branch(1, 2, 0.5, 0.9).B = 8;
  s.Branch(2, 3, 0.6, 1.1);
  BranchSpec& b34 = s.Branch(3, 4, 0.7, 1.2);
  b34.G = 1, b34.B = 12;
  s.Branch(1, 5, 0.5, 0.8);
  s.Branch(5, 6, 0.6, 1.0).B = 6;
  BranchSpec& tr = s.Branch(6, 7, 0.3, 2.5);
  tr.Kta = 1.03f, tr.Ktr = 0.02f, tr.G = 4, tr.B = 30;
  BranchSpec& tie = s.Branch(4, 7, 0.8, 1.4);
  tie.B = 10, tie.MarkCom1 = "-";
  s.Branch(1, 8, 0.4, 0.7);
  s.Branch(8, 3, 0.9, 1.5);
  s.Branch(8, 7, 1.0, 1.6).B = 4;
  for (const auto& [row, letter] : commut) s.Branches[row - 1].Commut = letter;
  return s;
}

void Calculate(TRegime& r) {
  r.FreeMatrices();
  r.FormMatrices();
  r.VoltagesSet = false;
  r.RunIterations();
  ASSERT_TRUE(r.Converged);
}

std::map<int, Complex> NodeVoltages(const TRegime& r) {
  std::map<int, Complex> u;
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex > 0) u[e->NodeIndex] = e->U;
  }
  return u;
}

void ExpectSameVoltages(const std::map<int, Complex>& a, const std::map<int, Complex>& b, const std::string& what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  for (const auto& [row, u] : a) {
    EXPECT_NEAR(std::abs(u - b.at(row)), 0, 1e-8) << what << ": node row " << row;
  }
}

// Parents before children along NextInTree, every element once, Next the exact reverse.
void ExpectConsistentOrder(const TRegime& r) {
  std::map<const TRegimeElement*, int> position;
  int i = 0;
  for (const TRegimeElement* e = r.Root; e != nullptr; e = e->NextInTree) {
    ASSERT_EQ(position.count(e), 0u) << "element twice in tree order";
    if (e != r.Root) {
      ASSERT_TRUE(position.count(e->Parent)) << "child before its parent, node " << e->Number;
    }
    position[e] = i++;
  }
  EXPECT_EQ(static_cast<std::size_t>(i), r.Elements().Count());
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    ASSERT_EQ(position.at(e), --i);
  }
  EXPECT_EQ(i, 0);
}

// What a move changes of an element: the exact part and the numbers that turning a branch twice gives
// back up to rounding (K, R, X, Gs, Bs).
struct ElementState {
  std::tuple<std::uint32_t, int, int, int, const void*, const void*, std::string, Complex, Complex> exact;
  std::array<double, 6> numbers;
};

std::map<const TRegimeElement*, ElementState> Snapshot(const TRegime& r) {
  std::map<const TRegimeElement*, ElementState> s;
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    s[e] = {{e->Flags & efReportMask & ~0x0F000000u, e->Number, e->Number2, e->NodeIndex, e->Parent, e->Partner,
             e->Name, e->Load1, e->Load2},
            {e->K.real(), e->K.imag(), e->R, e->X, e->Gs, e->Bs}};
  }
  return s;
}

void ExpectSameModel(const std::map<const TRegimeElement*, ElementState>& a,
                     const std::map<const TRegimeElement*, ElementState>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [e, x] : a) {
    const ElementState& y = b.at(e);
    EXPECT_EQ(x.exact, y.exact) << "branch row " << e->BranchIndex;
    for (std::size_t k = 0; k < x.numbers.size(); ++k) {
      EXPECT_NEAR(x.numbers[k], y.numbers[k], 1e-12 * (1 + std::fabs(y.numbers[k]))) << "branch row " << e->BranchIndex;
    }
  }
}

void ExpectSameResults(const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t row = 0; row < a.size(); ++row) {
    for (std::size_t c = 0; c < a[row].size(); ++c) {
      EXPECT_NEAR(a[row][c], b[row][c], 1e-4 + 1e-5 * std::fabs(b[row][c])) << "branch row " << row + 1 << ", column " << c;
    }
  }
}

// The branch results that the model writes into the branch table, by row: U1, F1, U2, F2, Ia, Ir, Irez.
std::vector<std::vector<float>> BranchResults(TRegime& r) {
  TDataFile nodes, branches;
  ReadTableFile(r.SchemePath + GetMaketExtention(LayoutNodes), nodes);
  ReadTableFile(r.SchemePath + GetMaketExtention(LayoutBranches), branches);
  r.WriteResults("", 0, false, false, 0, 5, 10, 0, false, &nodes, &branches);
  TBranchCols c;
  FillBranchCols(branches, c);
  std::vector<std::vector<float>> rows;
  for (int row = 1; row <= branches.RowCount; ++row) {
    rows.push_back({(*c.U1)[row], (*c.F1)[row], (*c.U2)[row], (*c.F2)[row], (*c.Ia)[row], (*c.Ir)[row], (*c.Irez)[row]});
  }
  return rows;
}

class CutMoves : public ::testing::Test {
protected:
  void SetUp() override {
    regime.Accuracy = 1e-11;
    LoopScheme().Read(regime, dir.Path());
    ASSERT_TRUE(regime.SchemeRead);
    regime.BuildTieList();
    regime.MarkContourPaths();
  }
  // The moved model calculates as the scheme read from tables with these commutation letters: the same
  // voltages, and the same branch results written at the same ends.
  void ExpectLikeTables(const std::map<int, std::string>& commut, const std::string& stem) {
    Calculate(regime);
    TRegime other;
    other.Accuracy = 1e-11;
    LoopScheme(commut).Read(other, dir.Path(), stem);
    Calculate(other);
    ExpectSameVoltages(NodeVoltages(regime), NodeVoltages(other), stem);
    ExpectSameResults(BranchResults(regime), BranchResults(other));
  }
  int TieOf(int branchRow) const {
    for (int i = 1; i <= regime.TieCount; ++i) {
      if (regime.TieBranches[i - 1]->BranchIndex == branchRow) return i;
    }
    return 0;
  }

  ScriptedMsgBox box;
  TempDir dir;
  TRegime regime;
};

TEST_F(CutMoves, TiesSidesAndRefusals) {
  ASSERT_EQ(regime.TieCount, 2);
  const int tie = TieOf(rTie47);
  ASSERT_NE(tie, 0);
  TRegimeElement* cut = regime.TieBranches[tie - 1];
  EXPECT_EQ(regime.TiePartners[tie - 1], FindNode(regime, 4));
  EXPECT_EQ(cut->Parent, FindNode(regime, 7));

  // Sides of the cut end at the ring's path (1, 2, 3, 8 and the ring's own elements).
  regime.MoveContourCut(tie);
  for (int ns : {7, 6, 5, 4}) EXPECT_NE(FindNode(regime, ns)->Flags & efCutMark1, 0u) << ns;
  for (int ns : {1, 2, 3, 8}) {
    EXPECT_EQ(FindNode(regime, ns)->Flags & efCutMark1, 0u) << ns;
    EXPECT_NE(FindNode(regime, ns)->Flags & efCutMark2, 0u) << ns;
  }

  // The transformer 6-7 stops the cut when asked to; nothing changes.
  const auto before = Snapshot(regime);
  EXPECT_FALSE(regime.TryMoveCut(tie, true));
  ExpectSameModel(before, Snapshot(regime));

  // Turned to hang under 4, the cut moves to 3-4 and then stops at 3, which lies on the ring's path.
  regime.ReattachCutElement(tie);
  EXPECT_EQ(regime.TiePartners[tie - 1], FindNode(regime, 7));
  EXPECT_EQ(cut->Parent, FindNode(regime, 4));
  ASSERT_TRUE(regime.TryMoveCut(tie, true));
  EXPECT_EQ(regime.TieBranches[tie - 1]->BranchIndex, r34);
  // 3-4 carries a conductance: half of it stays at the open end 4, half goes to node 3.
  ExpectLikeTables({{r34, "К"}, {rTie87, "К"}}, "3-4 open at 4");
  const_cast<TRegimeElement*>(FindNode(regime, 3))->Flags |= efCutMark1;
  EXPECT_FALSE(regime.TryMoveCut(tie, false));
  ExpectConsistentOrder(regime);

  // Back where it began, element for element.
  regime.ReattachCutElement(tie);
  ASSERT_TRUE(regime.TryMoveCut(tie, false));
  const_cast<TRegimeElement*>(FindNode(regime, 3))->Flags &= ~efCutMark1;
  ExpectSameModel(before, Snapshot(regime));
  regime.ClearWorkFlags();
  for (const TRegimeElement* e = regime.FirstElement; e != regime.Root; e = e->Next) {
    EXPECT_EQ(e->Flags & 0x0F000000u, 0u);
  }
  // A tie switched off at both ends has no end to close: it stays where it is.
  TRegime off;
  LoopScheme({{rTie47, "Н"}, {rTie87, "О"}}).Read(off, dir.Path(), "off");
  off.BuildTieList();
  off.MarkContourPaths();
  ASSERT_EQ(off.TieCount, 2);
  for (int i = 1; i <= off.TieCount; ++i) {
    if (off.TieBranches[i - 1]->BranchIndex != rTie87) continue;
    off.MoveContourCut(i);
    const auto kept = Snapshot(off);
    EXPECT_FALSE(off.TryMoveCut(i, false));
    ExpectSameModel(kept, Snapshot(off));
  }
  // A freed model takes its ties along: they point at its elements.
  regime.ClearModel();
  EXPECT_EQ(regime.TieCount, 0);
  EXPECT_TRUE(regime.TieBranches.empty());
  EXPECT_TRUE(regime.TiePartners.empty());
}

TEST_F(CutMoves, EachMoveCalculatesLikeTheTablesWithTheCutThere) {
  Calculate(regime);
  const auto start = NodeVoltages(regime);
  const auto startModel = Snapshot(regime);
  const int tie = TieOf(rTie47);
  const int second = TieOf(rTie87);
  TRegimeElement* node7 = const_cast<TRegimeElement*>(FindNode(regime, 7));
  ASSERT_EQ(regime.TiePartners[second - 1], node7);
  regime.MoveContourCut(tie);

  // Across the transformer: 4-7 closes, the transformer opens at 7; the other cut now ends at the
  // element that carries node 7.
  ASSERT_TRUE(regime.TryMoveCut(tie, false));
  ExpectConsistentOrder(regime);
  TRegimeElement* tie47 = regime.TiePartners[tie - 1];
  EXPECT_EQ(tie47->BranchIndex, rTie47);
  EXPECT_EQ(tie47->NodeIndex, 7);
  EXPECT_EQ(regime.TiePartners[second - 1], tie47);
  EXPECT_EQ(regime.TieBranches[second - 1]->Partner, tie47);
  EXPECT_EQ(regime.TieBranches[tie - 1], node7);
  ExpectLikeTables({{rTr67, "К"}, {rTie87, "К"}}, "transformer open at 7");
  const auto moved1 = Snapshot(regime);

  // The transformer itself turns round when the cut moves on to 5-6: its complex ratio is inverted.
  const Complex k = node7->K;
  ASSERT_TRUE(regime.TryMoveCut(tie, false));
  EXPECT_NEAR(std::abs(node7->K * k - 1.0), 0, 1e-14);
  ExpectLikeTables({{r56, "К"}, {rTie87, "К"}}, "5-6 open at 6");

  // The cut at the other end of 5-6.
  regime.ReattachCutElement(tie);
  ExpectLikeTables({{r56, "Н"}, {rTie87, "К"}}, "5-6 open at 5");

  // And back: the transformer open at 7 again, then the cut at 4.
  ASSERT_TRUE(regime.TryMoveCut(tie, false));
  regime.ReattachCutElement(tie);
  ExpectSameModel(moved1, Snapshot(regime));
  regime.ReattachCutElement(tie);
  ASSERT_TRUE(regime.TryMoveCut(tie, false));
  regime.ReattachCutElement(tie);
  ExpectSameModel(startModel, Snapshot(regime));
  ExpectConsistentOrder(regime);
  Calculate(regime);
  ExpectSameVoltages(NodeVoltages(regime), start, "moved and back");
}

}  // namespace
}  // namespace ld::test
