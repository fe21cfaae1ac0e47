// Confirmation checks of the element dialogs: proposed node numbers, unique names and numbers, renumbered
// branch ends and substation names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/diagram/elem_checks.h"

namespace ld {
namespace {

struct Nodes {
  DALongint ns;
  DAString name;
  TNodeCols cols;
  Nodes(const std::vector<int>& numbers, const std::vector<std::string>& names = {}) {
    for (std::size_t i = 0; i < numbers.size(); ++i) ns[static_cast<int>(i) + 1] = numbers[i];
    for (std::size_t i = 0; i < names.size(); ++i) name.SetItem(static_cast<int>(i) + 1, names[i]);
    cols.NS = &ns, cols.Name = &name, cols.RowCount = static_cast<int>(numbers.size());
  }
};

TEST(ElemChecks, NodeNumberAndNameOfConfirmation) {
  const Nodes n({10, 20, 30}, {"ПС Южная.1", "ТП-5", "тп-7"});
  // The node of row 2 renamed and renumbered.
  EXPECT_EQ(CheckNodeIdentity(n.cols, 20, 0, "ТП-5", "ТП-5"), "Не задан номер узла");
  EXPECT_EQ(CheckNodeIdentity(n.cols, 20, 20, "ТП-5", ""), "Не задано наименование узла");
  EXPECT_EQ(CheckNodeIdentity(n.cols, 20, 20, "ТП-5", "пс южная.1"), "Узел с таким наименованием уже существует");
  EXPECT_EQ(CheckNodeIdentity(n.cols, 20, 20, "ТП-5", "тп-5"), "") << "a rename in letter case only";
  EXPECT_EQ(CheckNodeIdentity(n.cols, 20, 30, "ТП-5", "ТП-5"), "Узел с таким номером уже существует");
  // A new node (the row after the last): empty name at opening.
  EXPECT_EQ(CheckNodeIdentity(n.cols, 0, 10, "", "ТП-9"), "Узел с таким номером уже существует");
  EXPECT_EQ(CheckNodeIdentity(n.cols, 0, 11, "", "Тп-5"), "Узел с таким наименованием уже существует");
}

TEST(ElemChecks, RenumberingMovesOneEndOfEachBranch) {
  DALongint n1, n2;
  const int ends[][2] = {{20, 30}, {10, 20}, {20, 20}, {40, 50}};
  for (int r = 1; r <= 4; ++r) n1[r] = ends[r - 1][0], n2[r] = ends[r - 1][1];
  TBranchCols b;
  b.N1 = &n1, b.N2 = &n2, b.RowCount = 4;
  n2[5] = 0, b.RowCount = 5;  // a branch whose end is missing
  EXPECT_EQ(RenumberBranchEnds(b, 0, 9), 0) << "a new node takes no ends";
  EXPECT_EQ(n2[5], 0);
  EXPECT_EQ(RenumberBranchEnds(b, 20, 70000), 3);
  const int want[][2] = {{70000, 30}, {10, 70000}, {70000, 20}, {40, 50}};
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(n1[r], want[r - 1][0]) << r;
    EXPECT_EQ(n2[r], want[r - 1][1]) << r;
  }
}

TEST(ElemChecks, SubstationNames) {
  const std::vector<std::string> existing = {"ПС Южная", "РП-3", "ТП-5"};
  EXPECT_TRUE(SubstationNameTaken(existing, "ТП-5", "рп-3"));
  EXPECT_FALSE(SubstationNameTaken(existing, "ТП-5", "тп-5")) << "letter case only";
  EXPECT_TRUE(SubstationNameTaken(existing, "ТП-5", "пс южная"));
}

}  // namespace
}  // namespace ld
