// The branches of a node or a substation in the engine's model: far-end captions, inner branches of a
// substation with bus sections, and the shown marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/diagram/node_links.h"
#include "core/diagram/node_links_scheme.h"
#include "core/engine/regime.h"
#include "core/engine/select.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/table_file.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class NodeLinksTest : public ::testing::Test {
protected:
  void SetUp() override {
    regime.NameMode = 1;
    const std::string base = SubstationWithSections().Read(regime, dir.Path());
    ASSERT_TRUE(regime.SchemeRead);
    ReadTableFile(base + ".UZL", nodes);
    FillNodeCols(nodes, cols);
  }
  std::vector<TNodeLinkItem> Collect(const std::string& text, bool sections, bool byName,
                                     const std::vector<std::int32_t>& shown) {
    return CollectNodeLinks(regime, text, *cols.Name, sections, byName, shown, caption);
  }
  static std::vector<std::string> Texts(const std::vector<TNodeLinkItem>& items, bool checkedOnly = false) {
    std::vector<std::string> t;
    for (const auto& i : items)
      if (!checkedOnly || i.Checked) t.push_back(i.Text);
    std::sort(t.begin(), t.end());
    return t;
  }
  bool Shown(int branchRow) const {
    for (const TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next)
      if (e->BranchIndex == branchRow) return (e->Flags & efSelected) != 0;
    return false;
  }

  NominalVoltages voltages{std::vector<double>{10, 110}};
  ScriptedMsgBox box;
  TempDir dir;
  TRegime regime;
  TDataFile nodes;
  TNodeCols cols;
  std::string caption;
};

TEST_F(NodeLinksTest, FarEndsOfANode) {
  auto items = Collect("ТП3", false, false, {4});
  EXPECT_EQ(caption, "ТП3");
  EXPECT_EQ(Texts(items), (std::vector<std::string>{"ПС1.1", "ТП4"}));
  EXPECT_EQ(Texts(items, true), (std::vector<std::string>{"ПС1.1"})) << "checked as shown";
  EXPECT_TRUE(Shown(4));
  for (auto& i : items) i.Checked = !i.Checked;
  ApplyNodeLinks(items);
  EXPECT_FALSE(Shown(4));
  EXPECT_TRUE(Shown(6));

  EXPECT_TRUE(Collect("ТП9", false, false, {}).empty()) << "a node without branches";

  regime.NameMode = 2;
  items = Collect("5", false, false, {});
  EXPECT_EQ(Texts(items), (std::vector<std::string>{"3 ПС1.2", "4 ТП3"}));
}

TEST_F(NodeLinksTest, SubstationGroupedByName) {
  EXPECT_EQ(Texts(Collect("ПС1", false, true, {})), (std::vector<std::string>{"ТП3", "ТП4"}))
      << "inner branches only with bus sections";
  for (const TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->NodeIndex == 2) {
      EXPECT_EQ(e->Name, "ПС1.1") << "the engine's names come back whole";
    }
  }
  EXPECT_TRUE(Collect("ПС1", true, false, {}).empty()) << "without grouping no node is named ПС1";
  EXPECT_EQ(Texts(Collect("ПС1.1", true, true, {})), (std::vector<std::string>{"ПС1.2", "ПС1.ВН", "ТП3"}))
      << "a section's own name is searched whole";
  EXPECT_TRUE(IsSectionName("ПС1.2.А"));
}

}  // namespace
}  // namespace ld::test
