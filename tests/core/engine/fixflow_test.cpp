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

// The [Balans] settings a test changes, put back afterwards.
struct BalansScope {
  BalansScope() : saved{IniRec.BPrec, IniRec.BIter, IniRec.RNull, IniRec.RZnak, IniRec.PropPQ, IniRec.OutIter,
                        IniRec.CFlow, IniRec.CLoad, IniRec.CVolt, IniRec.WFlow, IniRec.WLoad, IniRec.MulKvf} {}
  ~BalansScope() {
    IniRec.BPrec = saved.BPrec;
    IniRec.BIter = saved.BIter;
    IniRec.RNull = saved.RNull;
    IniRec.RZnak = saved.RZnak;
    IniRec.PropPQ = saved.PropPQ;
    IniRec.OutIter = saved.OutIter;
    IniRec.CFlow = saved.CFlow;
    IniRec.CLoad = saved.CLoad;
    IniRec.CVolt = saved.CVolt;
    IniRec.WFlow = saved.WFlow;
    IniRec.WLoad = saved.WLoad;
    IniRec.MulKvf = saved.MulKvf;
  }
  struct {
    float BPrec;
    std::int32_t BIter;
    bool RNull, RZnak, PropPQ, OutIter, CFlow, CLoad, CVolt, WFlow, WLoad;
    float MulKvf;
  } saved;
};

struct Measured {
  int row, n1, n2;
  double p, q;
  std::uint16_t kind = 0;
  std::uint16_t atN1 = 1;
};

class Balancing : public ::testing::Test {
protected:
  void SetUp() override {
    IniRec.BPrec = 0.001f;
    IniRec.BIter = 30;
    IniRec.RNull = true;
    IniRec.RZnak = true;
    IniRec.PropPQ = true;
    IniRec.OutIter = false;
    IniRec.CFlow = true;
    IniRec.CLoad = false;
    IniRec.CVolt = false;
    IniRec.WFlow = false;
    IniRec.WLoad = false;
    IniRec.MulKvf = 1;
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
    FixFlowInit();
    for (const Measured& m : flows) {
      EXPECT_NE(FixFlowAddGivenFlow(regime.FirstElement, m.row, m.n1, m.n2, 1, m.p, m.q, m.kind, m.atN1), 0u);
    }
    FixFlowPrepare(regime);
    FixFlowSetWeights();
    bool balanced = false;
    FixFlowSolve(regime, balanced);
    return balanced;
  }
  bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }

  BalansScope scope;
  ScriptedMsgBox box;
  TempDir dir;
  TRegime regime;
  std::vector<std::string> log;
};

// Power from the parent into an element's branch, worked out from its voltages and current alone.
Complex FromParent(const TRegimeElement* e) { return e->Parent->U * std::conj(std::conj(e->K) * e->I); }

SchemeBuilder Feeder() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Nodes[0].Name = "ПС";
  const double loads[][2] = {{0.3, 0.15}, {0.5, 0.2}, {0.2, 0.1}, {0.4, 0.25}};
  for (int ns = 2; ns <= 5; ++ns) {
    NodeSpec& n = s.Node(ns, "", loads[ns - 2][0], loads[ns - 2][1]);
    n.Name = "ТП" + std::to_string(ns);
    n.Um = 10;
  }
  for (int ns = 2; ns <= 5; ++ns) s.Branch(ns - 1, ns, 0.8, 1.5);
  return s;
}

TEST_F(Balancing, RadialFeederReachesItsHeadFlowByScalingEveryLoad) {
  Read(Feeder());
  IniRec.OutIter = true;
  std::vector<int> progress;
  FixFlowProgress = [&](int p) { progress.push_back(p); };
  ASSERT_TRUE(Balance({{1, 1, 2, 2.0, 0.9}}));

  const TRegimeElement* head = FindNode(regime, 2);
  const Complex s = FromParent(head);
  EXPECT_NEAR(s.real(), 2.0, IniRec.BPrec);
  EXPECT_NEAR(s.imag(), 0.9, IniRec.BPrec);
  // Weights in proportion to the loads: every load takes the same factor.
  const double kp = FindNode(regime, 2)->Load1.real() / 0.3, kq = -FindNode(regime, 2)->Load1.imag() / 0.15;
  EXPECT_GT(kp, 1.3);
  for (int ns = 3; ns <= 5; ++ns) {
    const double p0[] = {0, 0, 0, 0.5, 0.2, 0.4}, q0[] = {0, 0, 0, 0.2, 0.1, 0.25};
    EXPECT_NEAR(FindNode(regime, ns)->Load1.real() / p0[ns], kp, 1e-6) << ns;
    EXPECT_NEAR(-FindNode(regime, ns)->Load1.imag() / q0[ns], kq, 1e-6) << ns;
  }

  const auto& given = FixFlowGivenFlows();
  ASSERT_EQ(given.size(), 1u);
  EXPECT_NEAR(given[0].Result.real(), 2.0, IniRec.BPrec);
  EXPECT_NEAR(given[0].Initial.real(), 1.4 + 0.0, 0.05);
  EXPECT_FALSE(given[0].Unbalanced);

  // The report: iterations table, totals, the flow by its two ends, its three values in kVA.
  ASSERT_GE(log.size(), 10u);
  EXPECT_EQ(log[0], "Итерация  Небаланс       Градиент       Критерий");
  EXPECT_EQ(log[1].substr(0, 8), "       1");
  const auto total = std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("Итераций: ", 0) == 0; });
  ASSERT_NE(total, log.end());
  const int iterations = std::stoi(total->substr(std::string("Итераций: ").size()));
  EXPECT_GE(iterations, 2);
  EXPECT_LE(iterations, 10);
  EXPECT_EQ(total - log.begin(), iterations + 1) << "one table line per iteration";
  EXPECT_EQ(total[1].rfind("Критерий (dS лин) = ", 0), 0u);
  EXPECT_EQ(total[2].rfind("Критерий (dS наг) = ", 0), 0u);
  EXPECT_EQ(total[3].rfind("Критерий (dU узл) = ", 0), 0u);
  EXPECT_EQ(total[4], "ПС - ТП2");
  EXPECT_EQ(total[5].rfind("Нач. переток = 14", 0), 0u) << total[5];
  EXPECT_EQ(total[6], "Зад. переток = 2000.000 + j 900.000, модуль = 2193.171 кВА");
  EXPECT_EQ(total[7].rfind("Рез. переток = 2000.", 0), 0u) << total[7];
  EXPECT_EQ(total[7].substr(total[7].size() - 7), " кВА") << "balanced: no mark";
  EXPECT_EQ(log.back(), "<<<< Расчет закончен >>>>");
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 4), (std::vector<int>{10, 30, 60, 100}));
  for (std::size_t k = 4; k < progress.size(); ++k) EXPECT_EQ(progress[k], static_cast<int>(10 * (k - 3)));
}

TEST_F(Balancing, CurrentGivenWithItsTangentAtTheFarEnd) {
  Read(Feeder());
  // 120 A with tg 0.5, measured at node 2's end of branch 1-2.
  ASSERT_TRUE(Balance({{1, 1, 2, 120, 0.5, 3, 0}}));
  const TRegimeElement* head = FindNode(regime, 2);
  const Complex s = head->U * std::conj(head->I);
  EXPECT_NEAR(std::abs(s) * 1000 / (std::sqrt(3.0) * std::abs(head->U)), 120, 0.01);
  EXPECT_NEAR(s.imag() / s.real(), 0.5, 1e-5);
  const auto& given = FixFlowGivenFlows();
  EXPECT_EQ(given[0].Direction, 1);
  EXPECT_NEAR(given[0].Result.real(), s.real(), 1e-9);
  EXPECT_TRUE(Logged("ПС - ТП2"));
  EXPECT_TRUE(Logged("Зад. переток = 107.331 + j 53.666, модуль = 120.000 А"));
}

TEST_F(Balancing, MeshedSchemeMeetsEveryMeasuredFlow) {
  // Two feeders closed into a ring at 4-7. The measurements are the flows of the same scheme with other
  // loads; balancing starts from equal loads.
  SchemeBuilder truth;
  truth.Node(1, "B").Um = 10.5f;
  const double p[] = {0, 0.6, 0.2, 0.9, 0.3, 0.7, 0.4}, q[] = {0, 0.3, 0.05, 0.4, 0.2, 0.3, 0.1};
  for (int ns = 2; ns <= 7; ++ns) truth.Node(ns, "", p[ns - 1], q[ns - 1]).Um = 10;
  truth.Branch(1, 2, 0.5, 0.9);
  truth.Branch(2, 3, 0.6, 1.0);
  truth.Branch(3, 4, 0.7, 1.1);
  truth.Branch(1, 5, 0.4, 0.8);
  truth.Branch(5, 6, 0.6, 1.2);
  truth.Branch(6, 7, 0.5, 0.9);
  truth.Branch(4, 7, 0.8, 1.3);
  TRegime reference;
  reference.Accuracy = 1e-9;
  truth.Read(reference, dir.Path(), "truth");
  reference.FormMatrices();
  reference.RunIterations();
  ASSERT_TRUE(reference.Converged);
  ASSERT_EQ(reference.ContourCount, 1);
  const Complex s12 = FromParent(FindNode(reference, 2)), s15 = FromParent(FindNode(reference, 5));
  const TRegimeElement* e4 = FindNode(reference, 4);
  const Complex s34 = e4->U * std::conj(e4->I);  // at 4
  const TRegimeElement* e6 = FindNode(reference, 6);
  const Complex s65 = -FromParent(e6);  // from 6 towards 5, at 5

  SchemeBuilder start = truth;
  for (int i = 1; i < 7; ++i) {
    start.Nodes[i].Pn = 0.5;
    start.Nodes[i].Qn = 0.2;
  }
  Read(start);
  ASSERT_TRUE(Balance({{1, 1, 2, s12.real(), s12.imag()},
                       {4, 1, 5, s15.real(), s15.imag()},
                       {3, 3, 4, s34.real(), s34.imag(), 0, 0},
                       {5, 6, 5, s65.real(), s65.imag(), 0, 0}}));
  auto near = [&](Complex a, Complex b, const char* what) {
    EXPECT_NEAR(a.real(), b.real(), IniRec.BPrec) << what;
    EXPECT_NEAR(a.imag(), b.imag(), IniRec.BPrec) << what;
  };
  near(FromParent(FindNode(regime, 2)), s12, "1-2");
  near(FromParent(FindNode(regime, 5)), s15, "1-5");
  const TRegimeElement* b4 = FindNode(regime, 4);
  near(b4->U * std::conj(b4->I), s34, "3-4 at 4");
  near(-FromParent(FindNode(regime, 6)), s65, "6-5 at 5");
  const auto& given = FixFlowGivenFlows();
  ASSERT_EQ(given.size(), 4u);
  for (const TFixFlowGiven& g : given) EXPECT_FALSE(g.Unbalanced) << g.Row;
}

TEST_F(Balancing, ZeroLoadsStayZeroAndNoLoadChangesSign) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Node(3, "", 0.1, 0.05).Um = 10;
  s.Node(4, "", 0.0, 0.2).Um = 10;  // reactive load only
  s.Branch(1, 2, 0.5, 1);
  s.Branch(2, 3, 0.5, 1);
  s.Branch(2, 4, 0.5, 1);
  Read(s);
  IniRec.PropPQ = false;  // equal changes: the small load would go below zero
  ASSERT_TRUE(Balance({{1, 1, 2, 0.6, 0.5}}));
  EXPECT_NEAR(FromParent(FindNode(regime, 2)).real(), 0.6, IniRec.BPrec);
  EXPECT_EQ(FindNode(regime, 4)->Load1.real(), 0.0) << "zero active load kept";
  EXPECT_EQ(FindNode(regime, 3)->Load1.real(), 0.0) << "held at zero, not below";
  EXPECT_GT(FindNode(regime, 2)->Load1.real(), 0.55);

  // Without the limits the small load goes negative and the zero one takes load.
  IniRec.RNull = false;
  IniRec.RZnak = false;
  log.clear();
  FixFlowDone();
  Read(s, "free");
  ASSERT_TRUE(Balance({{1, 1, 2, 0.6, 0.5}}));
  EXPECT_LT(FindNode(regime, 3)->Load1.real(), -0.05);
  EXPECT_LT(FindNode(regime, 4)->Load1.real(), -0.05);
}

TEST_F(Balancing, NodeVoltagesAsTheCriterion) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.5, 0.2).Um = 10.2f;  // the voltage to keep
  s.Node(3, "", 0.5, 0.2).Um = 0;      // none
  s.Branch(1, 2, 2, 4);
  s.Branch(2, 3, 2, 4);
  Read(s);
  IniRec.CFlow = false;
  IniRec.CVolt = true;
  Balance({{1, 1, 2, 1.0, 0.4}});
  EXPECT_NEAR(std::abs(FindNode(regime, 2)->U), 10.2, 1e-4);
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
  log.clear();
  IniRec.BIter = 0;
  FixFlowDone();
  Read(Feeder(), "again");
  EXPECT_FALSE(Balance({{1, 1, 2, 2.0, 0.9}}));
  EXPECT_TRUE(Logged("Итераций: 0"));
  const auto& given = FixFlowGivenFlows();
  EXPECT_EQ(given[0].Result, given[0].Initial);
  EXPECT_TRUE(given[0].Unbalanced);
  const std::string& last = log[log.size() - 2];
  EXPECT_EQ(last.substr(last.size() - std::string(" кВА - небаланс").size()), " кВА - небаланс");

  // A branch that names no element, and a regime that does not converge.
  log.clear();
  IniRec.BIter = 30;
  FixFlowInit();
  EXPECT_EQ(FixFlowAddGivenFlow(regime.FirstElement, 9, 2, 5, 1, 1, 1, 0, 1), 0u);
  EXPECT_EQ(FixFlowGivenCount, 0);
  regime.MaxIter = 1;
  regime.VoltagesSet = false;
  EXPECT_FALSE(Balance({{1, 1, 2, 2.0, 0.9}}));
  EXPECT_EQ(log, std::vector<std::string>{"Режим не сходится"});
}

TEST_F(Balancing, BranchFlowsAtEitherEndDifferByTheLosses) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.8, 0.4).Um = 10;
  s.Node(3, "", 0.3, 0.1).Um = 0.4f;
  BranchSpec& line = s.Branch(1, 2, 0.9, 1.7);
  line.G = 3;
  line.B = -20;
  BranchSpec& tr = s.Branch(2, 3, 0.8, 4.0);
  tr.Kta = 25;
  tr.G = 5;
  tr.B = 40;
  Read(s);
  regime.RunIterations();
  ASSERT_TRUE(regime.Converged);
  for (int ns : {2, 3}) {
    TRegimeElement* e = const_cast<TRegimeElement*>(FindNode(regime, ns));
    Complex u, i;
    double p1, q1, p2, q2, dP, dQ, dPsh, dQsh;
    e->Flags = (e->Flags & 0x0FFFFFFF) | efFlowParentEnd;
    FixFlowBranchFlows(e, u, p1, q1, i);
    EXPECT_EQ(u, e->Parent->U);
    e->Flags = (e->Flags & 0x0FFFFFFF) | efFlowOwnEnd;
    FixFlowBranchFlows(e, u, p2, q2, i);
    EXPECT_EQ(u, e->U);
    FixFlowBranchLosses(e, dP, dQ, dPsh, dQsh);
    EXPECT_GT(dP, 0);
    EXPECT_NE(dPsh, 0);
    EXPECT_NEAR(p1 - p2, dP + dPsh, 1e-12) << ns;
    EXPECT_NEAR(q1 - q2, dQ + dQsh, 1e-12) << ns;
  }
  // What node 2 takes is what arrives at its end of 1-2 less what leaves into the transformer.
  Complex u, i;
  double pIn, qIn, pOut, qOut;
  FixFlowBranchFlows(FindNode(regime, 2), u, pIn, qIn, i);
  const TRegimeElement* t = FindNode(regime, 3);
  const_cast<TRegimeElement*>(t)->Flags = (t->Flags & 0x0FFFFFFF) | efFlowParentEnd;
  FixFlowBranchFlows(t, u, pOut, qOut, i);
  EXPECT_NEAR(pIn - pOut, 0.8, 1e-7);
  EXPECT_NEAR(qIn - qOut, 0.4, 1e-7);
}

}  // namespace
}  // namespace ld::test
