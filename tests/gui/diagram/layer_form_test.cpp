// The node branch list on an engine that read a small scheme: the items, their check marks, what
// confirming and cancelling leave marked.
#include <QListWidget>

#include "core/diagram/node_links_scheme.h"
#include "core/engine/regime.h"
#include "core/engine/select.h"
#include "core/tables/table_file.h"
#include "elem_fixture.h"
#include "gui/diagram/layer_form.h"

namespace ld::test {
namespace {

class LayerFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    regime.NameMode = 1;
    const std::string base = SubstationWithSections().Read(regime, dir.Path());
    ASSERT_TRUE(regime.SchemeRead);
    ReadTableFile(base + ".UZL", nodes);
    FillNodeCols(nodes, cols);
  }
  bool Run(const std::string& text, bool sections, bool byName, const std::vector<std::int32_t>& shown) {
    return gui::ExecuteSelectNodeLinks(regime, text, *cols.Name, sections, byName, shown);
  }
  std::vector<int> Shown() const {
    std::vector<int> rows;
    for (const TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next)
      if (e->BranchIndex > 0 && (e->Flags & efSelected) != 0) rows.push_back(e->BranchIndex);
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  void Unmark() {
    for (TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) e->Flags &= ~efSelected;
  }
  static QStringList Items(QDialog& d, bool checkedOnly = false) {
    auto& list = Child<QListWidget>(d, "LnkList");
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
      if (!checkedOnly || list.item(i)->checkState() == Qt::Checked) texts << list.item(i)->text();
    return texts;
  }

  NominalVoltages voltages{std::vector<double>{10, 110}};
  ScriptedMsgBox msg;
  ModalScript script;
  TempDir dir;
  TRegime regime;
  TDataFile nodes;
  TNodeCols cols;
};

TEST_F(LayerFormTest, NodeAndSubstationBranches) {
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "ТП3");
    EXPECT_EQ(Items(d), (QStringList{"ПС1.1", "ТП4"}));
    EXPECT_EQ(Items(d, true), (QStringList{"ПС1.1"}));
    auto& list = Child<QListWidget>(d, "LnkList");
    list.item(0)->setCheckState(Qt::Unchecked);
    list.item(1)->setCheckState(Qt::Checked);
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(Run("ТП3", true, false, {4, 5}));
  EXPECT_EQ(Shown(), (std::vector<int>{5, 6})) << "the unlisted branch 5 keeps its mark";

  Unmark();
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "ПС1");
    EXPECT_EQ(Items(d), (QStringList{"ПС1.1 - ПС1.2", "ПС1.ВН - ПС1.1", "ПС1.ВН - ПС1.2", "ТП3", "ТП4"}));
    EXPECT_EQ(Items(d, true), (QStringList{"ПС1.ВН - ПС1.1", "ТП4"}));
    for (int i = 0; i < 5; ++i) Child<QListWidget>(d, "LnkList").item(i)->setCheckState(Qt::Unchecked);
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(Run("ПС1", true, true, {1, 5, 7}));
  EXPECT_EQ(Shown(), (std::vector<int>{1, 5, 7})) << "cancel leaves the marks of the shown branches";

  EXPECT_FALSE(Run("ТП9", true, true, {})) << "nothing listed, nothing shown";
  EXPECT_EQ(script.Shown(), 2);
}

}  // namespace
}  // namespace ld::test
