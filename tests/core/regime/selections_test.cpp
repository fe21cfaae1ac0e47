// Subscribers of a substation from the district's tables.
#include "core/regime/selections.h"

#include "core/engine/regime.h"
#include "core/tables/colmaps_district.h"
#include "regime_test.h"

namespace ld::test {
namespace {

class Subscribers : public RegimeTest {
protected:
  Subscribers() {
    for (auto [layout, table, rows] : {std::tuple{LayoutConsumers, &src.Consumers, 3},
                                       std::tuple{LayoutMeterPoints, &src.MeterPoints, 5},
                                       std::tuple{LayoutHouseholds, &src.Households, 1}}) {
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
}

// A line's list names every node it feeds, sections of one substation among them; the bases link to
// whole substations, so each section stands for its substation and the substation is listed once.
TEST_F(Subscribers, OfNodeNamesEachSubstationOnce) {
  TDataFile t;
  CollectSubscribersOfNames(src, {"тп1.1", "ТП1.2", "ТП9"}, t);
  TMeterPointCols out;
  FillMeterPointCols(t, out);
  ASSERT_EQ(t.RowCount, 6);
  EXPECT_EQ(out.LinkTP->GetItem(4) + " " + out.LinkTP->GetItem(5) + " " + out.LinkTP->GetItem(6),
            "ТП1.2 тп1.1 Всего");
  EXPECT_DOUBLE_EQ((*out.WP)[6], 1000 - 200 + 50 + 500);
}

}  // namespace
}  // namespace ld::test
