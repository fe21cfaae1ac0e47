// Scheme forming from the station table: 0.4 kV nodes and transformer branches, loads by load type,
// equipment parameters from catalogues and passport lists, taps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "form_fixture.h"

namespace ld::test {
namespace {

using FormStations = FormTest;

// Station columns by position (layout order).
enum Col { kNr, kName1, kNtr, kName2, kNameC, kTransform, kTypEqu, kNotv, kCommut, kCommutC, kU = 12, kT, kPn, kQn,
           kPg, kQg, kWPpr, kKv = 24, kPM = 27, kCount = 34 };

std::vector<std::string> Station(std::initializer_list<std::pair<Col, std::string>> cells) {
  std::vector<std::string> row(kCount);
  row[kNr] = "1";
  for (const auto& [col, text] : cells) row[col] = text;
  return row;
}

TEST_F(FormStations, TwoTransformersBecomeTwoBranchesOrOneLoad) {
  Base(LayoutLines10, {{"1", "", "ПС", "ТП-1", "", "", "10"}});
  Base(LayoutTransTP, {Station({{kName1, "ТП-1"}, {kNtr, "1"}, {kNameC, "РП-2.6"}, {kCommutC, "р"},
                                {kTransform, "ТМ-400/10/0.4"}, {kT, "1"}, {kPn, "100"}, {kQn, "50"}, {kWPpr, "7"}}),
                       Station({{kName1, " ТП-1 "}, {kNtr, "2"}, {kTransform, "ТМ-630/10/0.4"}, {kT, "1"}, {kPn, "200"},
                                {kQn, "80"}, {kPM, "П"}})});
  options.T04 = true;
  Form();
  EXPECT_EQ(n.Snom->GetItem(Node("ТП-1")), "400,630");
  EXPECT_FLOAT_EQ(n.Um->Get(Node("ТП-1.1")), 0.4f);
  EXPECT_NEAR(n.Pn->Get(Node("ТП-1.1")), 0.1, 1e-9);
  EXPECT_NEAR(n.Qn->Get(Node("ТП-1.2")), 0.08, 1e-9);
  EXPECT_NEAR(n.WPpr->Get(Node("ТП-1.1")), 7, 1e-9);
  EXPECT_EQ(Sign("ТП-1.2"), "П");
  EXPECT_EQ(n.Pn->Get(Node("ТП-1")), 0);
  for (int row : {1, 2}) {
    const int k = Branch("ТП-1", "ТП-1." + std::to_string(row));
    ASSERT_NE(k, 0);
    EXPECT_EQ(b.ExtFile->GetItem(k), ".RTP");
    EXPECT_EQ(b.Idx->Get(k), row);
    EXPECT_EQ(b.DSName->GetItem(k), std::to_string(row));
    EXPECT_EQ(b.Mark->GetItem(k), row == 1 ? "ТМ-400/10/0.4" : "ТМ-630/10/0.4");
    EXPECT_NEAR(b.Sdop->Get(k), row == 1 ? 0.4 : 0.63, 1e-6);
  }
  const int link = Branch("ТП-1.1", "ТП-1.6");
  ASSERT_NE(link, 0) << "the third point is named by the station and the part after the point";
  EXPECT_EQ(b.Idx->Get(link), -1);
  EXPECT_EQ(Letter(b.Commut->Get(link)), "О");
  EXPECT_EQ(Letter(b.Com1->Get(link)) + Letter(b.Com2->Get(link)), "oo");
  EXPECT_EQ(branchCount, 4);
  EXPECT_TRUE(errors.empty()) << errors.front();
  TTransTPCols t;
  const TDataFile written = Read(LayoutTransTP);
  FillTransTPCols(written, t);
  EXPECT_EQ(t.Idx->Get(2), 2);

  options.T04 = false;
  Form();
  EXPECT_EQ(Names(), (std::vector<std::string>{"ПС", "ТП-1"}));
  EXPECT_NEAR(n.Pn->Get(Node("ТП-1")), 0.3, 1e-9);
  EXPECT_NEAR(n.Qn->Get(Node("ТП-1")), 0.13, 1e-9);
  EXPECT_EQ(branchCount, 1);
}

TEST_F(FormStations, LowVoltageNodeNames) {
  Base(LayoutLines10, {{"1", "", "ПС", "ТП-7.А", "", "", "10"}, {"1", "", "ПС", "ТП-8.2"}, {"1", "", "ПС", "ТП-9."},
                       {"1", "", "ПС", "ТП-10"}});
  const Rows stations = {Station({{kName1, "ТП-7.А"}, {kNtr, "Т1"}}), Station({{kName1, "ТП-8.2"}, {kNtr, "Т1"}}),
                         Station({{kName1, "ТП-9."}, {kNtr, "Т2"}}),
                         Station({{kName1, "ТП-10"}, {kNtr, "Т1"}, {kName2, " Узел-10 "}}),
                         Station({{kName1, "ТП-10"}})};
  Base(LayoutTransTP, stations);
  options.T04 = true;
  Form();
  for (const char* name : {"ТП-7.А.Т1", "ТП-8.Т1", "ТП-9.Т2", "Узел-10"}) EXPECT_NE(rowOf.count(name), 0u) << name;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), "Трансформаторы ТП,РП, строка 5: Не задан номер трансформатора"), 1);

  // A layout that hides Name2: the transformer's number names the node.
  std::ifstream in(MaketFileName, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string maket = text.str();
  const std::string shown = Utf8ToCp1251("s,140,40,0,1,1,0,0,Name2,Узел 0.4 кВ");
  ASSERT_NE(maket.find(shown), std::string::npos);
  maket.replace(maket.find(shown), shown.size(), Utf8ToCp1251("s,140,40,0,1,0,0,0,Name2,Узел 0.4 кВ"));
  WriteBytes(dir.Path() / "maket.zr", maket);
  MaketFileName = dir / "maket.zr";
  Base(LayoutTransTP, stations);
  Form();
  EXPECT_NE(rowOf.count("ТП-10.Т1"), 0u);
  EXPECT_EQ(rowOf.count("Узел-10"), 0u);
}

TEST_F(FormStations, LoadsByType) {
  Rows lines;
  for (int k = 1; k <= 8; ++k) lines.push_back({"1", "", "ПС", "ТП-" + std::to_string(k), "", "", "10"});
  Base(LayoutLines10, lines);
  const std::string t400 = "ТМ-400/10/0.4";
  Base(LayoutTransTP,
       {Station({{kName1, "ТП-1"}, {kTransform, t400}, {kT, "0"}}),
        Station({{kName1, "ТП-2"}, {kTransform, "ТМ-630/10/0.4"}, {kT, "1"}, {kPn, "100"}, {kQn, "50"}, {kPg, "10"},
                 {kQg, "5"}, {kKv, "7"}}),
        Station({{kName1, "ТП-3"}, {kTransform, t400}, {kT, "7"}, {kPn, "100"}}),
        Station({{kName1, "ТП-4"}, {kTransform, t400}, {kT, "2"}, {kPn, "100"}}),
        Station({{kName1, "ТП-5"}, {kTransform, t400}, {kT, "3"}, {kPn, "10"}, {kQn, "0.75"}, {kU, "1"}}),
        Station({{kName1, "ТП-6"}, {kTransform, t400}, {kT, "4"}, {kPn, "1500"}, {kQn, "500"}, {kPg, "300"},
                 {kQg, "100"}}),
        Station({{kName1, "ТП-7"}, {kTransform, t400}, {kT, "-5"}, {kPn, "2000"}, {kQn, "0.5"}, {kPg, "40"}}),
        Station({{kName1, "ТП-8"}, {kTransform, t400}, {kT, "0"}, {kCommut, "О"}, {kWPpr, "12"}})});
  options.Koef = 25;
  options.Tgf = 0.75f;
  options.Kv = {1, 2, 3, 4, 5, 6};
  Form();
  // Energies (load types 4 and 5) are the node's given kW·h and kvar·h, never its powers.
  struct Expect {
    const char* node;
    double pn, qn, pg, qg;
    float kvi;
    double wpn = 0, wqn = 0, wpg = 0, wqg = 0;
  };
  const double k3 = 0.001 * 10 * std::sqrt(3.0) * 10;
  for (const Expect& e : {Expect{"ТП-1", 0.08, 0.06, 0, 0, 1}, Expect{"ТП-2", 0.1, 0.05, 0.01, 0.005, 7},
                          Expect{"ТП-3", 0, 0, 0, 0, 0}, Expect{"ТП-4", 0.1, 0.075, 0, 0, 3},
                          Expect{"ТП-5", k3 * 0.8, k3 * 0.6, 0, 0, 4},
                          Expect{"ТП-6", 0, 0, 0, 0, 5, 1500, 500, 300, 100},
                          Expect{"ТП-7", 0, 0, 0, 0, 6, 2000, 1000, 40, 30}, Expect{"ТП-8", 0, 0, 0, 0, 0}}) {
    const int r = Node(e.node);
    EXPECT_NEAR(n.Pn->Get(r), e.pn, 1e-9) << e.node;
    EXPECT_NEAR(n.Qn->Get(r), e.qn, 1e-9) << e.node;
    EXPECT_NEAR(n.Pg->Get(r), e.pg, 1e-9) << e.node;
    EXPECT_NEAR(n.Qg->Get(r), e.qg, 1e-9) << e.node;
    EXPECT_FLOAT_EQ(n.Kvi->Get(r), e.kvi) << e.node;
    EXPECT_NEAR(n.WPn->Get(r), e.wpn, 1e-9) << e.node;
    EXPECT_NEAR(n.WQn->Get(r), e.wqn, 1e-9) << e.node;
    EXPECT_NEAR(n.WPg->Get(r), e.wpg, 1e-9) << e.node;
    EXPECT_NEAR(n.WQg->Get(r), e.wqg, 1e-9) << e.node;
  }
  EXPECT_NEAR(n.WPpr->Get(Node("ТП-8")), 12, 1e-9) << "a switched-off station keeps its energies";
  EXPECT_EQ(errors, (std::vector<std::string>{
                        "Трансформаторы ТП,РП, строка 3: неверно задан тип нагрузки (колонка \"Т\")"}));

  options.EERM = true;
  Form();
  EXPECT_NEAR(n.Pn->Get(Node("ТП-2")), 0.00001 * 630 * 25 * 0.8, 1e-9) << "every load by capacity";
  EXPECT_NEAR(n.Pn->Get(Node("ТП-6")), 0.08, 1e-9);
  EXPECT_NEAR(n.Pn->Get(Node("ТП-3")), 0.08, 1e-9);
  EXPECT_NEAR(n.Pn->Get(Node("ТП-8")), 0.08, 1e-9) << "no switched-off exception for the equivalents";
}

TEST_F(FormStations, EquipmentFromListsAndCataloguesWithTaps) {
  const std::string good = "ВН-РПН-П-19-10-1.78";
  WriteRows(Stem() + ".LT2", ListLayoutT2,
            {{"Т1", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "14", "0.7", "ВН-РПН-П-x-10-1.78"},
             {"Т2", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "14", "0.7", good},
             {"Т3", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "14", "0.7", "ВН-ТПР-П-9-5-1"},
             {"Т4", "ТДН-10000/110", "10000", "115", "11", "60", "10.5", "14", "0.7", good + ";ВН-ТПР-П-9-5-1"}});
  // Line columns: Nr, Sign, Name1, Name2, Nl, KodLine, Un, ..., TypEqu (14th).
  const auto equipment = [](const char* from, const char* to, const char* mark, const char* type, const char* nl) {
    return std::vector<std::string>{"1", "Т", from, to, nl, mark, "110/10", "", "", "", "", "", "", type};
  };
  Base(LayoutLines10, {equipment("А", "Б", "", "T2|Т1|", ""), equipment("В", "Г", "", "T2|Т2|", "25"),
                       equipment("Д", "Е", "", "T2|Т3|", ""), equipment("Ж", "З", "", "T2|Т4|", ""),
                       equipment("И", "К", "ТРДН-25000/110/10.5/10.5", "TR||1", ""),
                       equipment("Л", "М", "", "XX||", "")});
  Form();
  EXPECT_EQ(errors, (std::vector<std::string>{"Линии 10-6 кВ, строка 1: неверно задана регулировка трансформатора",
                                              "Линии 10-6 кВ, строка 2: ошибка расчета Ктр"}));
  const int quadrature = Branch("Д", "Е");
  EXPECT_EQ(b.Ntpr.Get(quadrature), 5) << "\"ТПР\" describes the quadrature regulator";
  EXPECT_EQ(b.Notv.Get(quadrature), 0);
  EXPECT_NEAR(b.Kta->Get(quadrature), 115.0 / 11, 1e-4);
  const int both = Branch("Ж", "З");
  EXPECT_EQ((std::vector<int>{b.Notv.Get(both), b.Ntpr.Get(both)}), (std::vector<int>{10, 5}));
  EXPECT_EQ(b.TypEqu->GetItem(both), "T2|Т4|");
  EXPECT_EQ(b.Text->GetItem(both), "T2|Т4|");

  const int split = Branch("И", "К");
  EXPECT_NEAR(b.Sdop->Get(split), 12.5, 1e-6) << "half the rating for one half of the low winding";
  EXPECT_EQ(b.G->Get(split), 0);
  EXPECT_EQ(b.B->Get(split), 0);
  EXPECT_GT(b.X->Get(split), 0);
  EXPECT_EQ(b.Text->GetItem(split), "TR||1ТРДН-25000/110/10.5/10.5");
  const int unknown = Branch("Л", "М");
  EXPECT_EQ(b.TypEqu->GetItem(unknown), "") << "an unknown kind: no parameters and no message";
}

}  // namespace
}  // namespace ld::test
