#include <gtest/gtest.h>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/regime/selections.h"
#include "core/tables/colmaps_district.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class Subscribers : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
    for (auto [layout, table, rows] : {std::tuple{LayoutConsumers, &src.Consumers, 3},
                                       std::tuple{LayoutMeterPoints, &src.MeterPoints, 5},
                                       std::tuple{LayoutHouseholds, &src.Households, 2}}) {
      ReadMaket(layout, *table);
      CreateColumns(*table, rows);
    }
    TConsumerCols c;
    FillConsumerCols(src.Consumers, c);
    // a consumer fed from two substations, one of ТП1 alone, one of another substation
    const char* consumers[3][3] = {{"+ТП1.1, ТП2.3", "101", "Завод"}, {"тп1.2", "102", "Школа"}, {"ТП3", "103", "Склад"}};
    for (int r = 1; r <= 3; ++r) {
      c.NameTP->SetItem(r, consumers[r - 1][0]);
      c.Ndog->SetItem(r, consumers[r - 1][1]);
      c.NameAb->SetItem(r, consumers[r - 1][2]);
    }
    TMeterPointCols m;
    FillMeterPointCols(src.MeterPoints, m);
    struct Point {
      const char *tp, *contract, *link;
      char sub, device;
      int type;
      double w, wt, wl, ws;
    };
    const Point points[5] = {{"ТП1.1", "101", "ТП1.1", ' ', ' ', 1, 1000, 10, 5, 0},
                             {"ТП1.1", "101", "ТП1.1", '1', ' ', 1, 200, 0, 0, 0},   // a sub-meter: taken off
                             {"ТП1.1", "101", "ТП1.1", ' ', ' ', 2, 300, 3, 0, 0},
                             {"ТП1.2", "102", "ТП1.2", ' ', 'N', 1, 50, 1, 1, 70},  // given energy
                             {"ТП2.3", "101", "ТП2.3", ' ', ' ', 3, 40, 0, 0, 0}};
    for (int r = 1; r <= 5; ++r) {
      const Point& p = points[r - 1];
      m.NameTP->SetItem(r, p.tp);
      m.Ndog->SetItem(r, p.contract);
      m.LinkTP->SetItem(r, p.link);
      (*m.Sub)[r] = p.sub;
      (*m.Device)[r] = p.device;
      (*m.TypCounter)[r] = static_cast<std::uint8_t>(p.type);
      (*m.W)[r] = p.w, (*m.Wt)[r] = p.wt, (*m.Wl)[r] = p.wl, (*m.Ws)[r] = p.ws;
    }
    THouseholdCols h;
    FillHouseholdCols(src.Households, h);
    h.NameTP->SetItem(1, "ТП1.1"), h.LinkTP->SetItem(1, "ТП1.1"), (*h.CountAb)[1] = 12, (*h.W)[1] = 500;
    h.NameTP->SetItem(2, "ТП2.3"), h.LinkTP->SetItem(2, "ТП2.3"), (*h.CountAb)[2] = 4, (*h.W)[2] = 80;
  }
  TSubscriberSources src;
};

TEST_F(Subscribers, OfASubstation) {
  TDataFile t;
  FillSubstationSubscribers(src, "тп1.7", t);
  TConsumerEnergyCols out;
  FillConsumerEnergyCols(t, out);
  ASSERT_EQ(t.RowCount, 3);
  EXPECT_EQ(out.Ndog->GetItem(1), "101");
  EXPECT_EQ(out.NameTP->GetItem(1), "ТП1");
  EXPECT_DOUBLE_EQ((*out.WPs)[1], 1015 - 200);
  EXPECT_EQ((*out.Kp)[1], 1);  // the sub-meter is not counted
  EXPECT_DOUBLE_EQ((*out.WQps)[1], 303);
  EXPECT_DOUBLE_EQ((*out.WQgs)[1], 0);  // its reactive generation is metered at ТП2
  EXPECT_EQ(out.Ndog->GetItem(2), "102");
  EXPECT_DOUBLE_EQ((*out.WPs)[2], 70);
  EXPECT_EQ(out.NameAb->GetItem(3), "Бытовые абоненты");
  EXPECT_EQ((*out.Kp)[3], 12);
  EXPECT_DOUBLE_EQ((*out.WPs)[3], 500);

  // the two-substation consumer is ТП2's as well
  FillSubstationSubscribers(src, "ТП2", t);
  FillConsumerEnergyCols(t, out);
  ASSERT_EQ(t.RowCount, 2);
  EXPECT_EQ(out.Ndog->GetItem(1), "101");
  EXPECT_DOUBLE_EQ((*out.WQgs)[1], 40);
  EXPECT_DOUBLE_EQ((*out.WPs)[2], 80);
}

TEST_F(Subscribers, OfNodesWithTheirTotal) {
  TDataFile t;
  // the links are cut before their dot, as node names of whole stations read
  CollectSubscribersOfNames(src, {"тп1", "ТП2"}, t);
  TMeterPointCols out;
  FillMeterPointCols(t, out);
  // the four points and the households of ТП1, the point and the households of ТП2, the total
  ASSERT_EQ(t.RowCount, 8);
  EXPECT_DOUBLE_EQ((*out.WP)[1], 1000);
  EXPECT_DOUBLE_EQ((*out.dWP)[1], 15);
  EXPECT_DOUBLE_EQ((*out.WP)[2], -200);
  EXPECT_DOUBLE_EQ((*out.WQp)[3], 300);
  EXPECT_DOUBLE_EQ((*out.dWQ)[3], 3);
  EXPECT_EQ(out.Ndog->GetItem(4), "102");
  EXPECT_EQ(out.Abonent->GetItem(5), "Бытовые абоненты");
  EXPECT_EQ(out.LinkTP->GetItem(5), "тп1");
  EXPECT_EQ(out.NumPoint.Get(5), 12);
  EXPECT_DOUBLE_EQ((*out.WQg)[6], 40);
  EXPECT_DOUBLE_EQ((*out.WP)[7], 80);
  EXPECT_EQ(out.LinkTP->GetItem(8), "Всего");
  EXPECT_DOUBLE_EQ((*out.WP)[8], 1000 - 200 + 50 + 500 + 80);
  EXPECT_DOUBLE_EQ((*out.WQp)[8], 300);
  EXPECT_DOUBLE_EQ((*out.WQg)[8], 40);
  EXPECT_DOUBLE_EQ((*out.dWP)[8], 15 + 2);
  EXPECT_EQ((*t.MarkRec)[8], 255);
  EXPECT_EQ(t.Visible[FindColumnIndex("dWQ", t)], 1);
  EXPECT_EQ((*t.MarkRec)[1], 0);
}

TEST(SubscriberLines, NamesOfTheLineAndWhatItFeeds) {
  MaketFileName = (DataDir() / "maket.zr").string();
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Nodes.back().Name = "ПС";
  for (int n = 2; n <= 4; ++n) {
    s.Node(n, "", 0.1, 0).Um = 10;
    s.Nodes.back().Name = "ТП" + std::to_string(n);
  }
  s.Branch(2, 1, 1, 1);
  s.Branch(3, 2, 1, 1);
  s.Branch(4, 1, 1, 1);
  TRegime regime;
  TempDir dir;
  s.Read(regime, dir.Path());
  EXPECT_EQ(NamesSuppliedByLine(regime, 1, 2), (std::vector<std::string>{"ТП2", "ТП3"}));
  EXPECT_EQ(NamesSuppliedByLine(regime, 3, 2), (std::vector<std::string>{"ТП3"}));
  EXPECT_TRUE(NamesSuppliedByLine(regime, 3, 4).empty());
}

}  // namespace
}  // namespace ld::test
