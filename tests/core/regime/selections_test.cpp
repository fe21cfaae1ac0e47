// Subscribers of substations, nodes and lines from the district's tables.
#include "core/regime/selections.h"

#include "core/engine/regime.h"
#include "core/tables/colmaps_district.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using SubscriberLines = RegimeTest;

class Subscribers : public RegimeTest {
protected:
  Subscribers() {
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
  EXPECT_EQ(out.Ndog->GetItem(1) + " " + out.NameTP->GetItem(1) + " " + out.Ndog->GetItem(2) + " " +
                out.NameAb->GetItem(3),
            "101 ТП1 102 Бытовые абоненты");
  // the sub-meter is neither counted nor summed; the reactive generation is metered at ТП2
  EXPECT_EQ((std::vector<double>{(*out.WPs)[1], double((*out.Kp)[1]), (*out.WQps)[1], (*out.WQgs)[1], (*out.WPs)[2],
                                 double((*out.Kp)[3]), (*out.WPs)[3]}),
            (std::vector<double>{1015 - 200, 1, 303, 0, 70, 12, 500}));

  // the two-substation consumer is ТП2's as well
  FillSubstationSubscribers(src, "ТП2", t);
  FillConsumerEnergyCols(t, out);
  ASSERT_EQ(t.RowCount, 2);
  EXPECT_EQ(out.Ndog->GetItem(1), "101");
  EXPECT_EQ((std::vector<double>{(*out.WQgs)[1], (*out.WPs)[2]}), (std::vector<double>{40, 80}));
}

TEST_F(Subscribers, OfNodesWithTheirTotal) {
  TDataFile t;
  // the links are cut before their dot, as node names of whole stations read
  CollectSubscribersOfNames(src, {"тп1", "ТП2"}, t);
  TMeterPointCols out;
  FillMeterPointCols(t, out);
  // the four points and the households of ТП1, the point and the households of ТП2, the total
  ASSERT_EQ(t.RowCount, 8);
  EXPECT_EQ(out.Ndog->GetItem(4) + " " + out.Abonent->GetItem(5) + " " + out.LinkTP->GetItem(5) + " " +
                out.LinkTP->GetItem(8),
            "102 Бытовые абоненты тп1 Всего");
  EXPECT_EQ((std::vector<double>{(*out.WP)[1], (*out.dWP)[1], (*out.WP)[2], (*out.WQp)[3], (*out.dWQ)[3],
                                 double(out.NumPoint.Get(5)), (*out.WQg)[6], (*out.WP)[7]}),
            (std::vector<double>{1000, 15, -200, 300, 3, 12, 40, 80}));
  EXPECT_EQ((std::vector<double>{(*out.WP)[8], (*out.WQp)[8], (*out.WQg)[8], (*out.dWP)[8]}),
            (std::vector<double>{1000 - 200 + 50 + 500 + 80, 300, 40, 15 + 2}));
  EXPECT_EQ((std::vector<int>{(*t.MarkRec)[1], (*t.MarkRec)[8], t.Visible[FindColumnIndex("dWQ", t)]}),
            (std::vector<int>{0, 255, 1}));
}

TEST_F(SubscriberLines, NamesOfTheLineAndWhatItFeeds) {
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
  s.Read(regime, dir.Path());
  EXPECT_EQ(NamesSuppliedByLine(regime, 1, 2), (std::vector<std::string>{"ТП2", "ТП3"}));
  EXPECT_EQ(NamesSuppliedByLine(regime, 3, 2), (std::vector<std::string>{"ТП3"}));
  EXPECT_TRUE(NamesSuppliedByLine(regime, 3, 4).empty());
}

}  // namespace
}  // namespace ld::test
