// The equivalent tasks of the regime window's menu "Задачи" on the branch table in the grid.
#include "core/regime/ekv_branch.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

class RegimeTasks : public RegimeWindow {
protected:
  RegimeTasks() {
    SchemeBuilder s = TwoNodes();
    s.Node(3, "", 0.5, 0.2).Um = 10;
    s.Nodes.back().Name = "ТП-3";
    s.Branch(2, 3, 1, 2);
    s.Nodes[0].Nr = 4;
    s.Nodes[1].Nr = 4;
    s.Nodes[2].Nr = 7;
    OpenScheme(s);
  }
  std::vector<std::int32_t> BranchDistricts() const {
    TDataFile t;
    ReadTableFile(path + ".VET", t);
    TBranchCols b;
    FillBranchCols(t, b);
    std::vector<std::int32_t> out;
    for (int row = 1; row <= t.RowCount; ++row) out.push_back((*b.Nr)[row]);
    return out;
  }
};

TEST_F(RegimeTasks, DistrictNumberingWantsTheBranchTableAndTakesTheDistrictOfBothEnds) {
  ASSERT_TRUE(form->SetRayonItem->isVisible());
  // The node table is shown after opening: the task only warns.
  form->SetRayonItem->trigger();
  ASSERT_EQ(box.Texts(), std::vector<std::string>{BranchTableNeededText()});
  EXPECT_EQ(BranchDistricts(), (std::vector<std::int32_t>{0, 0}));

  form->LinesItem->trigger();
  form->DataGrid_->SetEditTable(true);
  form->SetRayonItem->trigger();
  EXPECT_EQ(box.Texts().size(), 1u);
  // 2–1 joins two nodes of district 4; 2–3 joins districts 4 and 7 and keeps its own number.
  EXPECT_EQ(BranchDistricts(), (std::vector<std::int32_t>{4, 0}));
  EXPECT_TRUE(NoLocks());
}

}  // namespace
}  // namespace ld::test
