// Scheme forming: 0.4 kV lines, substation feeds, feeder heads, the switching journal.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "form_fixture.h"

namespace ld::test {
namespace {

using FormFeeds = FormTest;

std::vector<std::string> Cells(std::size_t count, std::initializer_list<std::pair<std::size_t, std::string>> cells) {
  std::vector<std::string> row(count);
  for (const auto& [col, text] : cells) row[col] = text;
  return row;
}
// Feed columns: Subst, NamePS, LinkPS, Uzam, T, B, ComPS, P, Q, Pm, Qm, WPop ...
std::vector<std::string> Feed(std::initializer_list<std::pair<std::size_t, std::string>> cells) { return Cells(22, cells); }
// Feeder columns: Name1, Name2, Line, Nl, NK, T, B, P, Q, Pm, Qm, WPop ...
std::vector<std::string> Feeder(std::initializer_list<std::pair<std::size_t, std::string>> cells) { return Cells(22, cells); }

TEST_F(FormFeeds, FeedsMakeSupplyPointsAndGivenFlows) {
  Base(LayoutLines10, {{"1", "П", "ПС-1.10", "ТП-1", "", "", "10"},
                       {"1", "П", "ПС-2.10", "ТП-2"},
                       {"1", "П", "ПС-3.10", "ТП-3"}});
  Base(LayoutSubstInputs, {Feed({{0, "ПС-1"}, {1, "ПС-1.10"}, {3, "10.5"}, {5, "К"}, {7, "2"}, {8, "1"}, {11, "30"}}),
                           Feed({{1, "ПС-2.10"}, {4, "-1"}, {7, "1"}}),
                           Feed({{1, " ПС-2.10"}, {4, "1"}, {7, "0.5"}}),
                           Feed({{1, "ПС-9.10"}, {5, "H"}, {7, "3"}, {11, "4"}}),  // Latin H
                           Feed({{1, "ПС-8.10"}}),
                           Feed({{0, "ПС-3"}, {1, "ПС-3.10"}, {2, "ПС-2.10"}, {5, "K"}, {6, "О"}})});
  Base(LayoutSubstFeeders, {Feeder({{0, "ПС-2.10"}, {1, "ТП-2"}, {2, "Ф-2"}, {6, "+"}, {7, "0.7"}}),
                            Feeder({{0, "ПС-1.10"}, {1, "тп-1 "}, {6, "Б"}, {11, "9"}})});
  Form();
  EXPECT_EQ(supplyCount, 3);
  const int subst = Node("ПС-1");
  EXPECT_EQ(Sign("ПС-1"), "b");
  EXPECT_EQ(n.Peak->Get(subst), 2);
  EXPECT_FLOAT_EQ(n.Um->Get(subst), 10);
  EXPECT_NEAR(n.WPn->Get(subst), 30, 1e-9);
  EXPECT_EQ(Sign("ПС-1.10"), "") << "the bus is held behind the substation";
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ПС-1.10")), 10.5f);
  const int ratio = Branch("ПС-1", "ПС-1.10");
  ASSERT_NE(ratio, 0);
  EXPECT_NEAR(b.Kta->Get(ratio), 0.952381, 1e-6);
  EXPECT_EQ(b.ExtFile->GetItem(ratio), ".RSV");
  EXPECT_EQ(b.Idx->Get(ratio), 1);
  EXPECT_EQ(Letter(b.Commut->Get(ratio)), "К");
  const int link = Branch("ПС-3.10", "ПС-2.10");
  ASSERT_NE(link, 0);
  EXPECT_EQ(b.Idx->Get(link), -6);
  EXPECT_EQ(Letter(b.Commut->Get(link)), "О");
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ПС-2.10")), 10.5f) << "a supply point of the lines stands 5 % above nominal";

  ASSERT_EQ(flows.RowCount, 7);
  struct Flow {
    int n1, n2;
    const char* name2;
    int given;
    const char* pm;
    double pr;
  };
  const Flow expected[] = {{ExternalSourceNode, NS("ПС-1"), "ПС-1", 1, "+", 2},
                           {ExternalSourceNode, NS("ПС-2.10"), "ПС-2.10", 0, "+", 1.5},
                           {ExternalSourceNode, 0, "ПС-9.10", 1, "Н", 3},
                           {ExternalSourceNode, 0, "ПС-8.10", 0, "+", 0},
                           {ExternalSourceNode, NS("ПС-3"), "ПС-3", 1, "+", 0},
                           {NS("ПС-2.10"), NS("ТП-2"), "ТП-2", 1, "+", 0.7},
                           {NS("ПС-1.10"), NS("ТП-1"), "тп-1", 0, "", 0}};
  for (int r = 1; r <= 7; ++r) {
    const Flow& e = expected[r - 1];
    EXPECT_EQ(f.N1->Get(r), e.n1) << r;
    EXPECT_EQ(f.N2->Get(r), e.n2) << r;
    EXPECT_EQ(f.Name2->GetItem(r), e.name2) << r;
    EXPECT_EQ(f.B.Get(r), e.given) << r;
    EXPECT_EQ(Letter(f.PM->Get(r)), e.pm) << r;
    EXPECT_NEAR(f.Pr->Get(r), e.pr, 1e-9) << r;
  }
  EXPECT_EQ(f.Typ.Get(2), 1);
  EXPECT_NEAR(f.WPop->Get(3), 4, 1e-9) << "a missing bus keeps the feed's energies in its flow";
  EXPECT_EQ(f.Line->GetItem(6), "Ф-2");
  EXPECT_EQ(Sign("ТП-2"), "+");
  EXPECT_NEAR(n.WPn->Get(Node("ТП-2")), 0.7, 1e-9);
  EXPECT_NEAR(n.WPn->Get(Node("ТП-1")), 9, 1e-9);
  EXPECT_EQ(errors, (std::vector<std::string>{"Вводы п/ст, строка 5: ПС-8.10 отсутствует в таблице линий 10(6) кВ"}));

  // The feeder mode takes no feed and the feeders of the list, whatever letters they are typed in.
  options.FeederSelection = true;
  Form({" TП-1"});
  ASSERT_EQ(flows.RowCount, 1);
  EXPECT_EQ(f.Name2->GetItem(1), "тп-1");
  EXPECT_EQ(Sign("ПС-1.10"), "b");

  // A bus measured at other than the lines' 10.5 kV: the ratio follows the measured voltage. A bus
  // joined to another one ("О") is fed through that one: its flow, voltage and energies go there.
  options.FeederSelection = false;
  Base(LayoutLines10, {{"1", "П", "ПС-4.10", "ТП-4", "", "", "10"}, {"1", "П", "ПС-5.10", "ТП-5"},
                       {"1", "П", "ПС-6.10", "ТП-6"}});
  Base(LayoutSubstInputs, {Feed({{0, "ПС-4"}, {1, "ПС-4.10"}, {3, "10.4"}, {5, "К"}}),
                           Feed({{1, "ПС-6.10"}, {2, "ПС-5.10"}, {3, "10.2"}, {4, "1"}, {5, "О"}, {7, "4"}, {8, "2"},
                                 {9, "1"}, {10, "0.5"}, {11, "40"}, {12, "20"}, {15, "3"}, {16, "1.5"}})});
  // Feeder heads carry the subscribers' losses to their ends, or keep them when the end is missing.
  Base(LayoutSubstFeeders, {Feeder({{0, "ПС-4.10"}, {1, "ТП-4"}, {6, "Б"}, {11, "9"}, {12, "4"}, {13, "1"},
                                    {14, "0.5"}, {15, "0.3"}, {16, "0.2"}}),
                            Feeder({{0, "ПС-4.10"}, {1, "ТП-99"}, {6, "Б"}, {15, "0.7"}, {16, "0.4"}})});
  Form();
  const int measured = Branch("ПС-4", "ПС-4.10");
  ASSERT_NE(measured, 0);
  EXPECT_NEAR(b.Kta->Get(measured), 10 / 10.4, 1e-6);
  EXPECT_FLOAT_EQ(b.Ul->Get(measured), 10);
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ПС-4.10")), 10.4f);
  const int fed = Node("ПС-5.10");
  EXPECT_FLOAT_EQ(n.Um->Get(fed), 10.2f);
  EXPECT_EQ((std::vector<double>{n.WPn->Get(fed), n.WQn->Get(fed), n.WPpr->Get(fed), n.WQpr->Get(fed),
                                 n.dWPa->Get(fed), n.dWQa->Get(fed)}),
            (std::vector<double>{40, 20, 40, 20, 3, 1.5}));
  EXPECT_EQ(Sign("ПС-6.10"), "") << "the joined bus is no supply point of its own";
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ПС-6.10")), 10);
  const int joint = Branch("ПС-5.10", "ПС-6.10");
  ASSERT_NE(joint, 0);
  EXPECT_EQ(std::pair(b.MarkCom1->GetItem(joint), b.MarkCom2->GetItem(joint)), std::pair(std::string("-"), std::string("-")));
  ASSERT_EQ(flows.RowCount, 4);
  EXPECT_EQ(std::tuple(f.N1->Get(2), f.N2->Get(2), f.Name2->GetItem(2), f.B.Get(2)),
            std::tuple(ExternalSourceNode, NS("ПС-5.10"), std::string("ПС-5.10"), 0));
  EXPECT_EQ((std::vector<double>{f.Pr->Get(2), f.Qr->Get(2), f.Pl->Get(2), f.Ql->Get(2)}),
            (std::vector<double>{4, 2, 1, 0.5}));
  const int head = Node("ТП-4");
  EXPECT_EQ((std::vector<double>{n.WPn->Get(head), n.WQn->Get(head), n.WPg->Get(head), n.WQg->Get(head),
                                 n.WPpr->Get(head), n.WQpr->Get(head), n.dWPa->Get(head), n.dWQa->Get(head)}),
            (std::vector<double>{9, 4, 1, 0.5, 9, 4, 0.3, 0.2}));
  EXPECT_EQ((std::vector<double>{f.dWPa->Get(3), f.dWQa->Get(3), f.dWPa->Get(4), f.dWQa->Get(4)}),
            (std::vector<double>{0, 0, 0.7, 0.4}));
  EXPECT_EQ(errors, (std::vector<std::string>{"Фидеры п/ст, строка 2: ТП-99 отсутствует в таблице линий 10(6) кВ"}));
}

TEST_F(FormFeeds, LowVoltageLinesHangUnderTheStations) {
  Base(LayoutLines10, {{"1", "", "ПС", "ТП-5", "", "", "10"}, {"1", "", "ПС", "ТП-6"}});
  Base(LayoutTransTP, {{"1", "ТП-5", "Т1", "", "", "ТМ-400/10/0.4"}, {"1", "ТП-6", "Т1", "", "", "ТМ-400/10/0.4"}});
  // 0.4 kV columns: NameTP, Ntr, Fider, KodLine, Tz, T, Commut, A, PM, P, Pn, Qn ... (energies, kW·h)
  Base(LayoutLines04, {{"ТП-5", "Т1", "Ф1", "100*АВВГ-95", "1", "4", "Н", "", "П", "", "20", "10"},
                       {"ТП-5.1", "Т1", "РК-1", "", "", "4", "", "", "", "", "30"},
                       {"ТП-6", "Т1", "рк-1", "", "", "4", "", "", "", "", "40"},
                       {"ТП-9", "Т1", "Ф1"},
                       {"ТП-6", "Т1", "Ф2", "", "5"},
                       {"ТП-6.А", "", "Ф3"},  // a letter after the point belongs to the station's name
                       {"ТП-6", "Т1", "Ф4", "", "", "6", "", "", "", "", "0.05"}});
  options.T04 = true;
  options.L04 = true;
  Form();
  const int line = Branch("ТП-5.Т1", "ТП-5.Ф1");
  ASSERT_NE(line, 0);
  EXPECT_NEAR(b.R->Get(line), 0.032, 1e-6);
  EXPECT_EQ(b.TypEqu->GetItem(line), "LN|0.4|");
  EXPECT_EQ(b.Text->GetItem(line), "LN|0.4|100*АВВГ-95");
  EXPECT_EQ(Letter(b.Commut->Get(line)), "Н");
  EXPECT_EQ(Letter(b.Com1->Get(line)), "") << "0.4 kV lines get no end switches";
  EXPECT_EQ(b.Tz->Get(line), 1);
  EXPECT_EQ(b.ExtFile->GetItem(line), ".R04");
  EXPECT_EQ(b.Idx->Get(line), 1);
  EXPECT_EQ(Sign("ТП-5.Ф1"), "П");
  EXPECT_NEAR(n.WPn->Get(Node("ТП-5.Ф1")), 20, 1e-9);
  EXPECT_NEAR(n.WQn->Get(Node("ТП-5.Ф1")), 10, 1e-9);
  EXPECT_EQ(n.Pn->Get(Node("ТП-5.Ф1")), 0) << "the energies are no powers";
  EXPECT_NE(Branch("ТП-5.Т1", "РК-1"), 0) << "a bus section suffix is cut off the station";
  EXPECT_NE(Branch("ТП-6.Т1", "рк-1"), 0);
  EXPECT_EQ(rowOf.count("рк-1"), 0u) << "a link point is one node for every station naming it";
  EXPECT_NEAR(n.WPn->Get(Node("РК-1")), 70, 1e-9);
  EXPECT_EQ(errors, (std::vector<std::string>{"Линии 0.4 кВ, строка 4: ТП-9.Т1 отсутствует в таблице узлов схемы",
                                              "Линии 0.4 кВ, строка 5: неверно задан тип загрузки линии",
                                              "Линии 0.4 кВ, строка 6: ТП-6.А отсутствует в таблице узлов схемы",
                                              "Линии 0.4 кВ, строка 7: неверно задан тип нагрузки (колонка \"Т\")"}));
  EXPECT_EQ(n.Pn->Get(Node("ТП-6.Ф4")), 0) << "a load of no known type is not taken";
  TLine04Cols q;
  const TDataFile written = Read(LayoutLines04);
  FillLine04Cols(written, q);
  EXPECT_EQ(q.Idx->Get(5), 5);

  options.L04 = false;
  Form();
  EXPECT_EQ(rowOf.count("РК-1"), 0u);
}

TEST_F(FormFeeds, JournalPointsAtTheNewNodeNumbers) {
  Base(LayoutLines10, {{"1", "", "Б", "А", "", "", "10"}});
  // Journal columns: Date, Hour, Mins, BA, DateS, Disp, Prim, User, Time, N1, N2, Nl, Name1, Name2.
  Base(LayoutSwitchLog, {{"20240101", "", "", "", "", "", "", "", "", "77", "78", "", "А", " Б"},
                         {"20240102", "", "", "", "", "", "", "", "", "5", "6", "", "А", "Нет"}});
  Form();
  TDataFile journal = Read(LayoutSwitchLog);
  TSwitchLogCols j;
  FillSwitchLogCols(journal, j);
  EXPECT_EQ((std::vector<int>{j.N1->Get(1), j.N2->Get(1), j.N1->Get(2), j.N2->Get(2)}),
            (std::vector<int>{NS("А"), NS("Б"), NS("А"), 0}));
  EXPECT_EQ(errors, (std::vector<std::string>{"Переключения, строка 2: Нет отсутствует в таблице линий 10(6) кВ"}));

  options.EERM = true;
  Base(LayoutSwitchLog, {{"20240101", "", "", "", "", "", "", "", "", "77", "78", "", "А", "Б"}});
  Form();
  journal = Read(LayoutSwitchLog);
  FillSwitchLogCols(journal, j);
  EXPECT_EQ(j.N1->Get(1), 77) << "a scheme for the equivalents leaves the journal alone";
}

}  // namespace
}  // namespace ld::test
