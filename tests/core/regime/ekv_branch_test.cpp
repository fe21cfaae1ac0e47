// Branch-end equivalents on calculated schemes, the command that books them and district numbers.
#include "core/regime/ekv_branch.h"

#include <cmath>
#include <complex>
#include <memory>

#include "core/base/error.h"
#include "core/engine/electric.h"
#include "core/engine/regime.h"
#include "core/regime/node_equiv.h"
#include "regime_test.h"
#include "support/scripted_msgbox.h"
#include "support/held_file.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// Node 1 supplies node 7, which feeds the loop 8 - 9 through two branches; 2 hangs on 1 aside.
SchemeBuilder Feeder() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.4, 0.2).Um = 10;
  s.Node(7, "", 0.5, 0.3).Um = 10;
  s.Node(8, "", 0.9, 0.4).Um = 10;
  s.Node(9, "", 0.7, 0.5).Um = 10;
  s.Branch(1, 2, 1.0, 1.5);
  s.Branch(1, 7, 1.2, 2.0);
  s.Branch(7, 8, 0.8, 1.2).B = -8;
  s.Branch(7, 9, 0.6, 1.1);
  s.Branch(8, 9, 1.5, 2.2);
  return s;
}

// A fresh calculation of the scheme.
std::unique_ptr<TRegime> Calculated(const std::string& path) {
  auto r = std::make_unique<TRegime>();
  r->Accuracy = 1e-10;
  r->MaxIter = 200;
  r->Calculate(path, 0, 0, 0, 0, 0);
  EXPECT_TRUE(r->Converged);
  return r;
}

// Current of the branch that joins n1 and n2.
C BranchCurrentOf(const TRegime& r, std::int32_t n1, std::int32_t n2) {
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    if ((e->Number == n1 && e->Number2 == n2) || (e->Number == n2 && e->Number2 == n1)) return e->I;
  }
  return C(NAN, NAN);
}

// The feeder calculated and its results written into its tables, as the regime command does.
class BranchEnds : public RegimeTest {
protected:
  void Write(const SchemeBuilder& s = Feeder()) {
    path = s.Write(dir.Path());
    Calculated(path)->WriteResults("", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
    Read();
  }
  void Read() {
    ReadTableFile(path + ".UZL", nodes);
    ReadTableFile(path + ".VET", branches);
  }
  std::string path;
  TDataFile nodes, branches;
};

TEST_F(BranchEnds, CutTwoBranchesAtOneNodeKeepsTheRestOfTheRegime) {
  Write();
  const auto before = Calculated(path);
  TNodeCols n;
  FillNodeCols(nodes, n);

  // Both branches of node 7 into the loop marked, cut at their start (node 7).
  (*branches.MarkRec)[3] = 5;
  (*branches.MarkRec)[4] = 5;
  const std::vector<int> rows = MarkedRowsLastFirst(branches, 5);
  EXPECT_EQ(rows, (std::vector<int>{4, 3}));
  double p1a, q1a, p2a, q2a, p1b, q1b, p2b, q2b;
  BranchEndPowers(branches, 3, p1a, q1a, p2a, q2a);
  BranchEndPowers(branches, 4, p1b, q1b, p2b, q2b);
  EXPECT_EQ(EkvBranchEnds(path, branches, 1, rows, false), 2);
  WriteTableFile(path + ".VET", branches);

  ReadTableFile(path + ".UZL", nodes);
  FillNodeCols(nodes, n);
  ASSERT_EQ(nodes.RowCount, 6);  // one fictitious node for both branches
  EXPECT_EQ(std::to_string(n.NS->Get(6)) + n.Sign->Get(6), "100007b");
  EXPECT_NEAR(n.Pg->Get(3), -(p1a + p1b), 1e-12);
  TBranchCols b;
  FillBranchCols(branches, b);
  EXPECT_EQ((std::vector<int>{b.N1->Get(3), b.N1->Get(4), b.N2->Get(3)}), (std::vector<int>{100007, 100007, 8}));

  // The next calculation: the same currents in every branch, the same voltages at 8 and 9.
  const auto after = Calculated(path);
  EXPECT_LT(std::abs(BranchCurrentOf(*after, 1, 7) - BranchCurrentOf(*before, 1, 7)), 1e-5);
  EXPECT_LT(std::abs(FindNodeElement(*after, 7)->U - FindNodeElement(*before, 7)->U), 1e-4);
}

TEST_F(BranchEnds, CutAtTheEndRemovalAndDistributedLoad) {
  Write();
  const auto before = Calculated(path);

  // The loop branch 8 - 9 removed: -P1 - jQ1 at 8, P2 + jQ2 at 9.
  double p1, q1, p2, q2;
  BranchEndPowers(branches, 5, p1, q1, p2, q2);
  ASSERT_GT(std::abs(p1), 1e-3);
  EXPECT_EQ(EkvBranchEnds(path, branches, 0, {5}, false), 1);
  EXPECT_EQ(branches.RowCount, 4);
  WriteTableFile(path + ".VET", branches);
  TDataFile written = ReadTable(path + ".UZL");
  TNodeCols n;
  FillNodeCols(written, n);
  EXPECT_NEAR(n.Pg->Get(4), -p1, 1e-12);
  EXPECT_NEAR(n.Pg->Get(5), p2, 1e-12);
  const auto after = Calculated(path);
  EXPECT_LT(std::abs(BranchCurrentOf(*after, 7, 8) - BranchCurrentOf(*before, 7, 8)), 1e-5);
  EXPECT_LT(std::abs(FindNodeElement(*after, 9)->U - FindNodeElement(*before, 9)->U), 1e-4);
}

TEST_F(BranchEnds, CutAtTheEndBooksTheEndPowerAndMovesTheEnd) {
  Write();
  TNodeCols n;
  FillNodeCols(nodes, n);
  TBranchCols b;
  FillBranchCols(branches, b);
  double p1, q1, p2, q2;
  BranchEndPowers(branches, 2, p1, q1, p2, q2);
  const double pg7 = n.Pg->Get(3);
  const double qg7 = n.Qg->Get(3);

  // Branch 1 - 7 cut at node 7: P2 + jQ2 booked there, taken back by the new supply node 100007.
  ASSERT_TRUE(EkvCutBranch(2, nodes, branches, 2));
  FillNodeCols(nodes, n);
  ASSERT_EQ(nodes.RowCount, 6);
  EXPECT_NEAR(n.Pg->Get(3), pg7 + p2, 1e-12);
  EXPECT_NEAR(n.Qg->Get(3), qg7 + q2, 1e-12);
  EXPECT_EQ(n.NS->Get(6), 100007);
  EXPECT_NEAR(n.Pg->Get(6), -p2, 1e-12);
  EXPECT_EQ(b.N1->Get(2), 1);
  EXPECT_EQ(b.N2->Get(2), 100007);

  // A cut node without a row: nothing changes.
  (*b.N1)[1] = 55;
  EXPECT_FALSE(EkvCutBranch(1, nodes, branches, 1));
  EXPECT_EQ(b.N1->Get(1), 55);
  EXPECT_EQ(nodes.RowCount, 6);
}

TEST_F(BranchEnds, DistrictNumbersFromBothEndNodes) {
  SchemeBuilder sb = Feeder();
  for (int i = 0; i < 5; ++i) sb.Nodes[i].Nr = i < 2 ? 3 : 4;  // 1 and 2 in 3; 7, 8 and 9 in 4
  sb.Branches[0].Nr = sb.Branches[1].Nr = 9;  // 1 - 2: both ends in 3; 1 - 7: districts 3 and 4, kept
  sb.Branches[4].Nr = 4;  // 8 - 9: already right
  sb.Branches[3].N2 = 77;  // 7 - 77: no node 77, kept
  path = sb.Write(dir.Path());
  Read();
  EXPECT_EQ(SetBranchDistricts(nodes, branches), 2);
  TBranchCols b;
  FillBranchCols(branches, b);
  EXPECT_EQ((std::vector<int>{b.Nr->Get(1), b.Nr->Get(2), b.Nr->Get(3), b.Nr->Get(4), b.Nr->Get(5)}),
            (std::vector<int>{3, 9, 4, 0, 4}));
}

TEST_F(BranchEnds, CommandsAskFirstLockAndHandleMarkedRows) {
  ScriptedMsgBox box;
  Write();
  const std::string nodesBefore = ReadBytes(path + ".UZL");
  (*branches.MarkRec)[3] = 9;
  (*branches.MarkRec)[5] = 9;

  // "Нет": neither booked nor removed.
  box.Answer(0);
  EXPECT_EQ(EkvBranchCommand(path, branches, 0, 9), 0);
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Удалить запись ?"}));
  EXPECT_EQ(branches.RowCount, 5);
  EXPECT_EQ(ReadBytes(path + ".UZL"), nodesBefore);

  // Another user's lock refuses the command after the question, before anything is booked, and stays.
  box.Clear();
  box.Answer(1);
  test::HoldAsLiving(path + ".UZL~", std::string("\x04Петр", 9));
  EXPECT_THROW(EkvBranchCommand(path, branches, 0, 9), Error);
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Удалить запись ?"}));
  EXPECT_EQ(ReadBytes(path + ".UZL"), nodesBefore);
  EXPECT_TRUE(std::filesystem::exists(path + ".UZL~"));
  std::filesystem::remove(path + ".UZL~");

  // "Да" once for both rows; the last row goes first, so the first keeps its place.
  box.Clear();
  box.Answer(1);
  EXPECT_EQ(EkvBranchCommand(path, branches, 0, 9), 2);
  EXPECT_EQ(box.Calls().size(), 1u);
  ASSERT_EQ(branches.RowCount, 3);
  TBranchCols b;
  FillBranchCols(branches, b);
  EXPECT_EQ(b.N1->Get(3), 7);
  EXPECT_EQ(b.N2->Get(3), 9);
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
