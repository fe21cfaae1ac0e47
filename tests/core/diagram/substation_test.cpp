#include <gtest/gtest.h>

#include <stdexcept>

#include "core/diagram/schem_state.h"
#include "model_describe.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"

namespace ld::diagram {
namespace {

using test::Describe;
using test::DescribeRefs;

class District : public ::testing::Test {
protected:
  void SetUp() override {
    ld::test::LoadDefaultViewConfig(box);
    ld::test::DistrictScheme().Load(box);
    for (int r = 1; r <= box.NodeTable->RowCount; ++r) {
      names.push_back(box.NodeCols.Name->GetItem(r));
      signs.push_back(box.NodeCols.Sign->Get(r));
    }
    box.CollectSubstationLists(substNames, nodeOrder, ends1, ends2);
  }

  // The substation element drawn first for the caption, as the layout would pick it.
  PSElem Element(const std::string& caption) {
    for (PSElem e = box.Model->First; e != nullptr; e = e->Next)
      if (e->Caption == caption && !e->Has(efReference)) return e;
    return nullptr;
  }

  void ExpectTableUnchanged() {
    for (int r = 1; r <= box.NodeTable->RowCount; ++r) {
      EXPECT_EQ(box.NodeCols.Name->GetItem(r), names[r - 1]) << r;
      EXPECT_EQ(box.NodeCols.Sign->Get(r), signs[r - 1]) << r;
    }
  }

  ld::test::UnomClasses classes{{0.4, 6, 10, 35, 110}};
  TSchemBoxState box;
  ld::test::FixedCanvas canvas;
  ld::test::ScriptedMsgBox msg;
  std::vector<std::string> names;
  std::vector<char> signs;
  std::vector<std::string> substNames;
  std::vector<std::int32_t> nodeOrder, ends1, ends2, nodes, branches;
};

TEST_F(District, IntegralModel) {
  EXPECT_TRUE(box.BuildScheme(box.NodeSet, box.LineSet, 0, 0));
  // The substations and the unsupplied pair at the top, the ring ПС-2.2 - ТП-5 as a reference to
  // ТП-5 open at its own end, the last the line ТП-7 - ТП-8.
  const std::vector<std::string> chain = Describe(*box.Model);
  ASSERT_EQ(chain.size(), 15u);
  EXPECT_EQ(chain[1], "101<-999999999 NG 'ПС-1' r1 b0 s0/0 [1,2:1,2] p0 t-");
  EXPECT_EQ(chain[9], "51<200 VRGo-K1 'ТП-5' r14 b16 s0/1 [0:14] p2 t7");
  EXPECT_EQ(chain[14], "81<71 VRU 'ТП-8' r18 b17 s0/0 p3 t4");
  EXPECT_EQ(DescribeRefs(*box.Model), (std::vector<std::string>{"14->4", "13->12", "9->7", "5->1", "4->4", "3->3"}));
  EXPECT_TRUE(msg.Texts().empty());
  ExpectTableUnchanged();
}

TEST_F(District, ExpandedSubstations) {
  ASSERT_TRUE(box.BuildScheme(box.NodeSet, box.LineSet, 0, 0));

  // ПС-2: the 35 kV node is the vertex, the sections hang on the transformers.
  PSElem owner = Element("ПС-2");
  ASSERT_NE(owner, nullptr);
  ASSERT_TRUE(box.CollectSubstation("пс-2", substNames, branches, nodes, ends1, ends2, nodeOrder));
  EXPECT_EQ(nodes, (std::vector<std::int32_t>{5, 4, 3}));
  EXPECT_EQ(branches, (std::vector<std::int32_t>{2, 3}));
  owner->SubModel = std::make_unique<TSchemeModel>();
  int layouts = 0;
  box.LayoutHook = [&](TCanvas&, TSchemeModel&) { ++layouts; };
  EXPECT_TRUE(box.BuildSubstationModel("ПС-2", nodes, owner, canvas, *owner->SubModel, branches));
  EXPECT_EQ(layouts, 1);
  const std::vector<std::string> sub = Describe(*owner->SubModel);
  ASSERT_EQ(sub.size(), 4u);
  EXPECT_EQ(sub[3], "202<200 VXS '2' r5 b3 s0/0 p1 t-");
  ExpectTableUnchanged();
  EXPECT_TRUE(msg.Texts().empty());
}

TEST_F(District, TableRestoredWhateverEndsTheNestedBuild) {
  ASSERT_TRUE(box.BuildScheme(box.NodeSet, box.LineSet, 0, 0));
  ASSERT_TRUE(box.CollectSubstation("ПС-2", substNames, branches, nodes, ends1, ends2, nodeOrder));
  TSchemeModel sub;

  // A branch to a node outside the substation fails the nested build.
  std::vector<std::int32_t> withFeeder = branches;
  withFeeder.push_back(9);  // ПС-2.1 - ТП-3
  EXPECT_FALSE(box.BuildSubstationModel("ПС-2", nodes, nullptr, canvas, sub, withFeeder));
  EXPECT_EQ(msg.Texts(), (std::vector<std::string>{"В схеме отсутствует узел : 31"}));
  ExpectTableUnchanged();
  EXPECT_TRUE(box.FIntegral);

  // So does a layout that throws.
  box.LayoutHook = [](TCanvas&, TSchemeModel&) { throw std::runtime_error("layout"); };
  box.PixYe = 0;
  EXPECT_THROW(box.BuildSubstationModel("ПС-2", nodes, nullptr, canvas, sub, branches), std::runtime_error);
  ExpectTableUnchanged();
  EXPECT_TRUE(box.FIntegral);
  EXPECT_EQ(box.PixYe, 17);
}

}  // namespace
}  // namespace ld::diagram
