// Results written into tables whose rows the model names twice: the later element of the tree writes the
// node row, and every branch end still shows its own node's voltage, not the row's.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

TEST(Results, NodeRowNamedTwiceKeepsEachBranchEndItsOwnVoltage) {
  NominalVoltages voltages;
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Node(3, "", 2.0, 1.0).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  s.Branch(3, 2, 2.0, 4.0);
  TempDir dir;
  TRegime r;
  s.Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  auto* two = const_cast<TRegimeElement*>(FindNode(r, 2));
  auto* three = const_cast<TRegimeElement*>(FindNode(r, 3));
  ASSERT_EQ(three->Parent, two);
  const int sharedRow = two->NodeIndex, freedRow = three->NodeIndex;
  three->NodeIndex = sharedRow;

  TDataFile nodes, branches;
  ReadTableFile(r.SchemePath + GetMaketExtention(LayoutNodes), nodes);
  ReadTableFile(r.SchemePath + GetMaketExtention(LayoutBranches), branches);
  r.WriteResults("", 0, false, false, 0, 5, 10, 0, false, &nodes, &branches);
  three->NodeIndex = freedRow;

  const auto cell = [](const char* field, const TDataFile& t, int row) { return TNumberColumn(field, t).Get(row); };
  const double u2 = std::abs(two->U), u3 = std::abs(three->U);
  ASSERT_GT(u2 - u3, 0.01);
  const double f2 = TableAngle(two->U.real(), two->U.imag()), f3 = TableAngle(three->U.real(), three->U.imag());
  ASSERT_GT(std::fabs(f2 - f3), 0.01);
  EXPECT_NEAR(cell("Urez", nodes, sharedRow), u3, 1e-5);
  EXPECT_EQ(cell("Urez", nodes, freedRow), 0);
  EXPECT_NEAR(cell("U1", branches, two->BranchIndex), u2, 1e-5);
  EXPECT_NEAR(cell("F1", branches, two->BranchIndex), f2, 1e-5);
  EXPECT_NEAR(cell("U1", branches, three->BranchIndex), u3, 1e-5);
  EXPECT_NEAR(cell("F1", branches, three->BranchIndex), f3, 1e-5);
  EXPECT_NEAR(cell("U2", branches, three->BranchIndex), u2, 1e-5);
  EXPECT_NEAR(cell("F2", branches, three->BranchIndex), f2, 1e-5);
}

}  // namespace
}  // namespace ld::test
