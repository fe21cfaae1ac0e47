// Load balancing to measured flows: the flows reached, the loads' limits, the stop and the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/engine/fixflow.h"
#include "core/engine/regime.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

struct Measured {
  int row, n1, n2;
  double p, q;
  std::uint16_t kind = 0, atN1 = 1;
  float weight = 1;
};

class Balancing : public ::testing::Test {
protected:
  // The settings of a fresh record but for the iteration limit; no other test reads them.
  void SetUp() override {
    TIniRec& ini = IniRec;
    ini.BPrec = 0.001f, ini.BIter = 30, ini.MulKvf = ini.MulKvu = ini.MulKvi = 1;
    ini.RNull = ini.RZnak = ini.PropPQ = ini.CFlow = true;
    ini.OutIter = ini.CLoad = ini.CVolt = ini.WFlow = ini.WLoad = ini.WVolt = false;
    FixFlowLog = [this](const std::string& line) { log.push_back(line); };
  }
  void TearDown() override {
    FixFlowDone();
    FixFlowLog = nullptr;
    FixFlowStopQuery = nullptr;
    FixFlowProgress = nullptr;
  }

  void Read(const SchemeBuilder& s, const std::string& stem = "scheme") {
    regime.Accuracy = 1e-9;
    s.Read(regime, dir.Path(), stem);
    ASSERT_TRUE(regime.SchemeRead);
    regime.FormMatrices();
  }
  bool Balance(const std::vector<Measured>& flows) {
    log.clear();
    FixFlowInit();
    for (const Measured& m : flows) {
      EXPECT_NE(FixFlowAddGivenFlow(regime.FirstElement, m.row, m.n1, m.n2, m.weight, m.p, m.q, m.kind, m.atN1), 0u);
    }
    FixFlowPrepare(regime);
    FixFlowSetWeights();
    bool balanced = false;
    FixFlowSolve(regime, balanced);
    return balanced;
  }
  bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
  double P(int ns) const { return FindNode(regime, ns)->Load1.real(); }
  double Q(int ns) const { return -FindNode(regime, ns)->Load1.imag(); }

  ScriptedMsgBox box;
  TempDir dir;
  TRegime regime;
  std::vector<std::string> log;
};

// Power from the parent into an element's branch and at its own end, from its voltages and current.
Complex FromParent(const TRegimeElement* e) { return e->Parent->U * std::conj(std::conj(e->K) * e->I); }
Complex AtOwnEnd(const TRegimeElement* e) { return e->U * std::conj(e->I); }

// "ПС" feeds ТП2 .. ТП5 in a chain.
SchemeBuilder Feeder() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Nodes[0].Name = "ПС";
  const double loads[][2] = {{0.3, 0.15}, {0.5, 0.2}, {0.2, 0.1}, {0.4, 0.25}};
  for (int ns = 2; ns <= 5; ++ns) {
    NodeSpec& n = s.Node(ns, "", loads[ns - 2][0], loads[ns - 2][1]);
    n.Name = "ТП" + std::to_string(ns);
    n.Um = 10;
    s.Branch(ns - 1, ns, 0.8, 1.5);
  }
  return s;
}

TEST_F(Balancing, RadialFeederReachesItsHeadFlowByScalingEveryLoad) {
  Read(Feeder());
  IniRec.OutIter = true;
  ASSERT_TRUE(Balance({{1, 1, 2, 2.0, 0.9}}));
  ExpectComplex(FromParent(FindNode(regime, 2)), {2.0, 0.9}, IniRec.BPrec, "head");
  // Weights in proportion to the loads: every load takes the same factor.
  const double kp = P(2) / 0.3, kq = Q(2) / 0.15;
  EXPECT_GT(kp, 1.3);
  const double p0[] = {0.5, 0.2, 0.4}, q0[] = {0.2, 0.1, 0.25};
  for (int ns = 3; ns <= 5; ++ns) {
    EXPECT_NEAR(P(ns) / p0[ns - 3], kp, 1e-6) << ns;
    EXPECT_NEAR(Q(ns) / q0[ns - 3], kq, 1e-6) << ns;
  }
  const TFixFlowGiven& given = FixFlowGivenFlows().at(0);
  EXPECT_NEAR(given.Result.real(), 2.0, IniRec.BPrec);
  EXPECT_FALSE(given.Unbalanced);

  // The report: the iteration table, the totals, the flow by its two ends and its three values in kVA.
  const auto total = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("Итераций: ", 0) == 0; });
  ASSERT_NE(total, log.end());
  ASSERT_EQ(log.end() - total, 9);
  const int iterations = std::stoi(total->substr(std::string("Итераций: ").size()));
  EXPECT_GE(iterations, 2);
  EXPECT_LE(iterations, 10);
  EXPECT_EQ(log[0], "Итерация  Небаланс       Градиент       Критерий");
  EXPECT_EQ(total - log.begin(), iterations + 1) << "one table line per iteration";
  EXPECT_EQ(log[1].substr(0, 8), "       1");
  const char* starts[] = {"Критерий (dS лин) = ", "Критерий (dS наг) = ", "Критерий (dU узл) = ", "ПС - ТП2",
                          "Нач. переток = 14",    "Зад. переток = 2000.000 + j 900.000, модуль = 2193.171 кВА",
                          "Рез. переток = 2000.", "<<<< Расчет закончен >>>>"};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(total[k + 1].rfind(starts[k], 0), 0u) << total[k + 1];
  EXPECT_EQ(total[7].substr(total[7].size() - 7), " кВА") << "balanced: no mark";

  // 120 A with tg 0.5 at node 2's end of the same branch.
  FixFlowDone();
  Read(Feeder(), "current");
  ASSERT_TRUE(Balance({{1, 1, 2, 120, 0.5, 3, 0}}));
  const Complex s = AtOwnEnd(FindNode(regime, 2));
  EXPECT_NEAR(std::abs(s) * 1000 / (std::sqrt(3.0) * std::abs(FindNode(regime, 2)->U)), 120, 0.01);
  EXPECT_NEAR(s.imag() / s.real(), 0.5, 1e-5);
  EXPECT_NEAR(FixFlowGivenFlows().at(0).Result.real(), s.real(), 1e-9);
  EXPECT_TRUE(Logged("Зад. переток = 107.331 + j 53.666, модуль = 120.000 А"));
}

TEST_F(Balancing, StopFailureAndUnreachableFlow) {
  Read(Feeder());
  int asked = 0;
  FixFlowStopQuery = [&] { return ++asked == 2; };
  EXPECT_FALSE(Balance({{1, 1, 2, 2.0, 0.9}}));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(log.back(), "<<<< Расчет прерван >>>>");
  EXPECT_FALSE(Logged("<<<< Расчет закончен >>>>"));
  FixFlowStopQuery = nullptr;

  // No iteration allowed: the initial flow is the result, and it is off its target.
  IniRec.BIter = 0;
  FixFlowDone();
  Read(Feeder(), "again");
  EXPECT_FALSE(Balance({{1, 1, 2, 2.0, 0.9}}));
  EXPECT_TRUE(Logged("Итераций: 0"));
  const TFixFlowGiven& given = FixFlowGivenFlows().at(0);
  EXPECT_EQ(given.Result, given.Initial);
  EXPECT_TRUE(given.Unbalanced);
  const std::string& last = log[log.size() - 2];
  EXPECT_EQ(last.substr(last.size() - std::string(" кВА - небаланс").size()), " кВА - небаланс");

  // A branch that names no element, and a regime that does not converge.
  IniRec.BIter = 30;
  FixFlowInit();
  EXPECT_EQ(FixFlowAddGivenFlow(regime.FirstElement, 9, 2, 5, 1, 1, 1, 0, 1), 0u);
  EXPECT_EQ(FixFlowGivenCount, 0);
  regime.MaxIter = 1;
  regime.VoltagesSet = false;
  EXPECT_FALSE(Balance({{1, 1, 2, 2.0, 0.9}}));
  EXPECT_EQ(log, std::vector<std::string>{"Режим не сходится"});
}

// The weights of the node table and of the measurements. Node 2 feeds two equal spurs 3 and 4 through a
// charged cable 1-2 measured at its source end; node 2 has no load weight and is left alone.
TEST_F(Balancing, WeightsOfLoadsFlowsAndVoltagesAndAMeterAtTheParentEnd) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  NodeSpec& fixed = s.Node(2, "", 0.3, 0.1);
  fixed.Um = 10, fixed.Kvi = 0, fixed.Kvu = 1;
  NodeSpec& light = s.Node(3, "", 0.4, 0.2);
  light.Um = 10, light.Kvi = 1;
  NodeSpec& heavy = s.Node(4, "", 0.4, 0.2);
  heavy.Um = 10, heavy.Kvi = 3;
  BranchSpec& cable = s.Branch(1, 2, 0.5, 0.3);
  cable.G = 40, cable.B = -3000;
  s.Branch(2, 3, 0.6, 0.9);
  s.Branch(2, 4, 0.6, 0.9);
  Read(s);
  IniRec.WLoad = IniRec.WFlow = IniRec.WVolt = true;
  // Two readings of one flow that disagree: the result lies where their weights put it.
  const Complex a(1.6, 0.5), b(2.0, 0.7);
  EXPECT_FALSE(Balance({{1, 1, 2, a.real(), a.imag(), 0, 1, 1}, {1, 1, 2, b.real(), b.imag(), 0, 1, 3}}));
  const TRegimeElement* two = FindNode(regime, 2);
  const Complex source = FromParent(two) + std::norm(two->Parent->U) * Complex(40, -3000) / 2.0 * 1e-6;
  ExpectComplex(source, (a + 3.0 * b) / 4.0, 2 * IniRec.BPrec, "at 1, with half the cable's shunt");
  ExpectComplex(FixFlowGivenFlows().at(0).Result, source, 1e-9, "reported");
  EXPECT_EQ(P(2), 0.3);
  EXPECT_EQ(Q(2), 0.1);
  // Three times the weight, a third of the change.
  EXPECT_NEAR((P(3) - 0.4) / (P(4) - 0.4), 3, 0.05);
  EXPECT_NEAR((Q(3) - 0.2) / (Q(4) - 0.2), 3, 0.05);

  // Voltage targets of the adjustable nodes, weighted by Kvu: node 3 is to reach 10.25 kV, node 4's
  // target of 9 kV weighs nothing.
  s.Nodes[2].Um = 10.25f, s.Nodes[2].Kvu = 1;
  s.Nodes[3].Um = 9, s.Nodes[3].Kvu = 0;
  IniRec.CFlow = false;
  IniRec.CVolt = true;
  FixFlowDone();
  Read(s, "voltage");
  Balance({{1, 1, 2, 1.0, 0.4}});
  EXPECT_NEAR(std::abs(FindNode(regime, 3)->U), 10.25, 1e-4);
  EXPECT_GT(std::abs(FindNode(regime, 4)->U), 10.1);
}

}  // namespace
}  // namespace ld::test
