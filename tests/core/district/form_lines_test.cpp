// Scheme forming from the 6–10 kV line table: node names and numbers, voltages, supply points, the
// messages of faulty rows and the checks that follow the line and station phases.
#include <gtest/gtest.h>

#include "form_fixture.h"

namespace ld::test {
namespace {

using FormLines = FormTest;

// Line table columns: Nr, Sign, Name1, Name2, Nl, KodLine, Un, Idop, Kflow, Commut, Normal, MarkCom1,
// MarkCom2, TypEqu, A, Balans, DSNum, Text.

TEST_F(FormLines, TapOffGroupsNumberTheirPointsAndNodesAreNumberedInOrderOfCreation) {
  Base(LayoutLines10, {{"1", "П", "Яр", "А", "", "", "10"},
                       {"1", "", "А", "1"},
                       {"1", "+", "1", "2"},
                       {"1", "+", "2", "3"},
                       {"1", "п", "А", "Б"},  // a supply row on an existing node: sign, no count
                       {"1", "", "Б", "4"},
                       {"1", "+", "4", "5"},
                       {"1", "", "5", "6"}});  // after the group: a plain point again
  Form();
  EXPECT_EQ(Names(), (std::vector<std::string>{"5", "6", "А", "Б", "отп1_1", "отп1_2", "отп1_3", "отп2_4", "отп2_5",
                                               "Яр"}));
  EXPECT_EQ(NS("Яр"), 1) << "the first name met, though it sorts last";
  EXPECT_EQ(NS("А"), 2);
  EXPECT_EQ(NS("отп1_1"), 3);
  EXPECT_EQ(NS("6"), 10);
  EXPECT_EQ(supplyCount, 1);
  EXPECT_EQ(Sign("Яр"), "b");
  EXPECT_EQ(Sign("А"), "b");
  EXPECT_FLOAT_EQ(n.Um->Get(Node("Яр")), 10.5f);
  EXPECT_FLOAT_EQ(n.Um->Get(Node("отп2_5")), 10.0f) << "the voltage of the rows above";
  EXPECT_EQ(nodeCount, 10);
  EXPECT_EQ(branchCount, 8);
  EXPECT_NE(Branch("отп1_2", "отп1_3"), 0);
  EXPECT_NE(Branch("5", "6"), 0) << "the group ends with its last \"+\" row";
  EXPECT_EQ(b.ExtFile->GetItem(4), ".RSL");
  EXPECT_EQ(b.Idx->Get(4), 4);
  EXPECT_EQ(progress, (std::vector<float>{10, 40, 80, 100}));
  EXPECT_TRUE(errors.empty()) << errors.front();

  const TDataFile lines = Read(LayoutLines10);
  TLine10Cols l;
  FillLine10Cols(lines, l);
  for (int r = 1; r <= 8; ++r) EXPECT_EQ(l.Idx->Get(r), r);
  EXPECT_FALSE(std::filesystem::exists(File(LayoutLines10) + "~")) << "the lock goes with the write";
}

TEST_F(FormLines, VoltagesMarksAndEquipmentRows) {
  Base(LayoutLines10, {{"1", "", "ПС.10", "ТП-1", "", "1000*АС-50", "10"},
                       {"1", "Т", "ТП-1", "ТП-1.Т1", "1", "ТМ-400/10/0.4", "10/0.4"},
                       {"1", "", "ТП-1.Т1", "Н-2", "", "", ""},  // continues at 0.4 kV
                       {"1", "", "ТП-1", "ТП-2", "", "ас-50!x", "10", "150"},
                       {"1", "", "ТП-2", "ТП-3", "3", "шсв", "", "300"},
                       {"1", "", "ТП-3", "ТП-4", "", "", "", "", "", "", "", "", "", "RT||"}});
  Form();
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ТП-1")), 10);
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ТП-1.Т1")), 0.4f);
  EXPECT_FLOAT_EQ(n.Um->Get(Node("Н-2")), 0.4f);

  const int line = Branch("ПС.10", "ТП-1");
  EXPECT_NEAR(b.R->Get(line), 0.6, 1e-6);
  EXPECT_NEAR(b.Idop->Get(line), 210, 1e-6);
  EXPECT_EQ(b.TypEqu->GetItem(line), "LN|10|");
  EXPECT_EQ(b.Text->GetItem(line), "LN|10|1000*АС-50");

  const int transformer = Branch("ТП-1", "ТП-1.Т1");
  EXPECT_EQ(b.TypEqu->GetItem(transformer), "T2||");
  EXPECT_EQ(b.Mark->GetItem(transformer), "ТМ-400/10/0.4");
  EXPECT_EQ(b.Notv.Get(transformer), 1) << "the row's circuit number is the tap";
  EXPECT_EQ(b.Nl->Get(transformer), 0);
  EXPECT_NEAR(b.Sdop->Get(transformer), 0.4, 1e-6);

  const int marked = Branch("ТП-1", "ТП-2");
  EXPECT_EQ(b.Mark->GetItem(marked), "АС-50!X");
  EXPECT_EQ(b.Text->GetItem(marked), "LN|10|АС-50");
  EXPECT_FLOAT_EQ(b.Idop->Get(marked), 150) << "the row's permitted current wins";
  const int section = Branch("ТП-2", "ТП-3");
  EXPECT_EQ(b.Mark->GetItem(section), "");
  EXPECT_EQ(b.Nl->Get(section), 0);
  EXPECT_FLOAT_EQ(b.Idop->Get(section), 300);
  EXPECT_EQ(b.TypEqu->GetItem(section), "");
  EXPECT_EQ(b.Text->GetItem(Branch("ТП-3", "ТП-4")), "") << "a reactor the catalogue lacks gets no parameters";

  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].rfind("Линии 10-6 кВ, строка 4: ", 0), 0u) << errors[0];
  EXPECT_EQ(errors[1].rfind("Линии 10-6 кВ, строка 6: ", 0), 0u) << errors[1];

  const TDataFile lines = Read(LayoutLines10);
  TLine10Cols l;
  FillLine10Cols(lines, l);
  EXPECT_EQ(l.TypEqu->GetItem(2), "T2||") << "an empty type of a transformer row is written back";
  EXPECT_EQ(l.TypEqu->GetItem(1), "");
}

TEST_F(FormLines, RowMessagesAndDuplicates) {
  Base(LayoutLines10, {{"1", "", "А", "Б", "", "", "10"},
                       {"1", "", "А", "Б"},
                       {"1", "", "В", "Г", "1"},
                       {"1", "", "В", "Г", "2"},
                       {"1", "", "", "Д"},
                       {"1", "", "Е", "Е"},
                       {"1", "", "", ""},
                       {"1", "", "Д", "Б", "", "", "6"},
                       {"1", "", "Ж", "", "", "", "35"}});
  Form();
  EXPECT_EQ(errors, (std::vector<std::string>{"Линии 10-6 кВ, строка 2: Дублирование ветви А - Б",
                                              "Линии 10-6 кВ, строка 5: Не задано начало линии",
                                              "Линии 10-6 кВ, строка 6: Совпадение начала и конца ветви",
                                              "Линии 10-6 кВ, строка 8: Несовпадение Uн (начало)",
                                              "Линии 10-6 кВ, строка 8: Несовпадение Uн (конец)",
                                              "Линии 10-6 кВ, строка 9: Не задан конец линии",
                                              "Линии 10-6 кВ, строка 9: Несовпадение Uн (конец)"}));
  EXPECT_NE(Branch("В", "Г"), 0);
  EXPECT_EQ(branchCount, 6) << "parallel circuits 1 and 2 are two branches";
  EXPECT_NE(Branch(" ", "Д"), 0) << "a missing begin is the node of one blank";
  EXPECT_FLOAT_EQ(n.Um->Get(Node("Д")), 10) << "a node keeps its first voltage";
}

TEST_F(FormLines, LookAlikeLettersReadAsCyrillic) {
  Base(LayoutLines10, {{"1", "P", "А", "Б", "", "", "10"},  // Latin P: a reactor
                       {"1", "T", "Б", "В"},                  // Latin T: a transformer
                       {"1", "", "В", "Г", "", "", "", "", "", "H"},
                       {"1", "", "Г", "Д", "", "", "", "", "", "K"},
                       {"1", "", "Д", "Е", "", "", "", "", "", "o"},
                       {"1", "", "Е", "Ж", "", "", "", "", "", "Ф"},
                       {"1", "p", "Я", "А"}});  // Latin small p is the reactor letter, not the supply one
  Form();
  const TDataFile lines = Read(LayoutLines10);
  TLine10Cols l;
  FillLine10Cols(lines, l);
  EXPECT_EQ(l.TypEqu->GetItem(1), "RT||");
  EXPECT_EQ(l.TypEqu->GetItem(2), "T2||");
  struct Expect {
    const char *from, *to, *commut, *com1, *com2;
  };
  for (const Expect& e : {Expect{"В", "Г", "Н", "o", ""}, Expect{"Г", "Д", "К", "", "o"}, Expect{"Д", "Е", "О", "o", "o"},
                          Expect{"Е", "Ж", "Ф", "", "f"}}) {
    const int k = Branch(e.from, e.to);
    EXPECT_EQ(Letter(b.Commut->Get(k)), e.commut) << e.from;
    EXPECT_EQ(Letter(b.Com1->Get(k)), e.com1) << e.from;
    EXPECT_EQ(Letter(b.Com2->Get(k)), e.com2) << e.from;
  }
  EXPECT_EQ(Sign("Я"), "") << "the reactor letter is no supply letter";
  EXPECT_EQ(supplyCount, 0);
}

TEST_F(FormLines, NormalRegimeSwitchesByNormalAndRetitles) {
  Base(LayoutLines10, {{"1", "", "А", "Б", "", "", "10", "", "", "О", ""}, {"1", "", "Б", "В", "", "", "", "", "", "", "Н"}});
  Form();
  EXPECT_EQ(Letter(b.Commut->Get(1)), "О") << "without the option the commutation column holds";
  EXPECT_EQ(nodes.Title, "База");
  options.SNR = true;
  Form();
  EXPECT_EQ(Letter(b.Commut->Get(1)), "");
  EXPECT_EQ(Letter(b.Commut->Get(2)), "Н");
  EXPECT_EQ(Letter(b.Com1->Get(2)), "o");
  EXPECT_EQ(Letter(b.Normal->Get(2)), "Н");
  EXPECT_EQ(nodes.Title, "База СНР");
  EXPECT_EQ(branches.Title, "База СНР");
  EXPECT_EQ(flows.Title, "База СНР");
}

TEST_F(FormLines, StationChecksAfterTheTransformers) {
  options.ChkTr = true;
  options.PrefTP = "ТП, РП";
  options.T04 = true;
  Base(LayoutLines10, {{"1", "", "ПС", "ТП-12", "", "", "10"},
                       {"1", "", "ТП-12", "РП-1"},
                       {"1", "", "РП-1", "КТП-7"},  // no prefix of the list begins it
                       {"1", "", "РП-1", "ТП-3"},
                       {"1", "", "ТП-3", "ТП-3.1"},
                       {"1", "", "ТП-3.1", "ТП-3.2"},
                       {"1", "", "ТП-3.2", "ТП-4.1"},
                       {"1", "", "ТП-12.Т1", "ТП-12.Ф1", "", "", "0.4"}});
  // Station columns: Nr, Name1, Ntr, Name2, NameC, Transform.
  Base(LayoutTransTP, {{"1", "РП-1", "Т1", "", "", "ТМ-400/10/0.4"},
                       {"1", "ТП-3", "Т1", "", "", "ТМ-400/10/0.4"},
                       {"1", "ТП-4.1", "Т1", "", "", "ТМ-400/10/0.4"}});
  Form();
  EXPECT_EQ(errors, (std::vector<std::string>{"Не задан тр-тор в узле: ТП-12", "Не задан тр-тор в узле: ТП-3.1",
                                              "Не задан тр-тор в узле: ТП-3.2", "Дублирование ТП.1(2) и ТП: ТП-3"}));
  EXPECT_EQ(n.Peak->Get(Node("ТП-3")), 0) << "the marks of the station phase are cleared";

  // names that sort between a station and its section do not hide the pair
  options.ChkTr = false;
  Base(LayoutLines10, {{"1", "", "ПС", "ТП-3", "", "", "10"},
                       {"1", "", "ТП-3", "ТП-3 НН"},
                       {"1", "", "ТП-3 НН", "ТП-3-1"},
                       {"1", "", "ТП-3-1", "ТП-3.1"}});
  Base(LayoutTransTP, {});
  Form();
  EXPECT_EQ(errors, (std::vector<std::string>{"Дублирование ТП.1(2) и ТП: ТП-3"}));
}

}  // namespace
}  // namespace ld::test
