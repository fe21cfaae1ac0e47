// Electrical helper formulas: nominal voltages, branch flows against physical balances and hand values,
// tap regulation and regulator texts.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/electric_sums.h"
#include "core/engine/results.h"
#include "support/test_env.h"

namespace ld {
namespace {

// Puts a nominal-voltage list into the settings for one test and the old one back afterwards.
class UnomListScope {
public:
  explicit UnomListScope(const std::vector<double>& values) : saved_(std::move(IniRec.UnomList)) {
    IniRec.UnomList = std::make_unique<DAdouble>();
    for (std::size_t i = 0; i < values.size(); ++i) (*IniRec.UnomList)[static_cast<int>(i) + 1] = values[i];
    IniRec.UnomList->Count = static_cast<int>(values.size());
  }
  ~UnomListScope() { IniRec.UnomList = std::move(saved_); }

private:
  std::unique_ptr<DAdouble> saved_;
};

TEST(Electric, NearestNominalVoltage) {
  {
    UnomListScope list({6, 10, 35});
    EXPECT_EQ(NearestNominalVoltage(10.5), 10);
    EXPECT_EQ(NearestNominalVoltage(0), 0);
    EXPECT_EQ(NearestNominalVoltage(30), 35);
    EXPECT_EQ(NearestNominalVoltage(7.5), 6);  // equal relative deviations: the lower class
    EXPECT_EQ(NearestNominalVoltage(1000), 35);
  }
  {
    // A class written negative is left out of the voltage checks: it must neither capture every
    // voltage nor stop being the class of its own voltages.
    UnomListScope list({-10, 0, 6, 35});
    EXPECT_EQ(NearestNominalVoltage(10.5), 10);
    EXPECT_EQ(NearestNominalVoltage(6.3), 6);
    EXPECT_EQ(NearestNominalVoltage(37), 35);
    EXPECT_EQ(NearestNominalVoltage(0.4), 6);
  }
  {
    UnomListScope list({0, 0});
    EXPECT_EQ(NearestNominalVoltage(10.5), 0);
  }
  {
    UnomListScope list({});
    EXPECT_EQ(NearestNominalVoltage(10.5), 0);
  }
}

TEST(Electric, BranchFlowsBalanceAndHandValues) {
  using C = std::complex<double>;
  const double r = 1, x = 2, g = 20, b = 40;
  // A line carrying 100 A at -30° from a 10.5 kV start: the end voltage follows from the series drop.
  const C ua(10.5, 0);
  const C ic = std::polar(0.1 * std::sqrt(3.0), -30 * std::numbers::pi / 180);
  const C ub = ua - C(r, x) * ic;
  const double u2 = std::abs(ub), f2 = std::arg(ub) * 180 / std::numbers::pi;

  const TBranchFlows line = CalcBranchFlows(10.5, 0, u2, f2, 100, -30, r, x, g, b, 0, 0, false);
  EXPECT_NEAR(line.dP, 0.03, 1e-12);  // |I|² = 3·0.1²
  EXPECT_NEAR(line.dQ, 0.06, 1e-12);
  // Half the shunt at each end.
  EXPECT_NEAR(line.dPsh, (10.5 * 10.5 + u2 * u2) * 10e-6, 1e-12);
  EXPECT_NEAR(line.dQsh, (10.5 * 10.5 + u2 * u2) * 20e-6, 1e-12);
  // What enters minus what leaves is what the branch loses.
  EXPECT_NEAR(line.P1 - line.P2, line.dP + line.dPsh, 1e-12);
  EXPECT_NEAR(line.Q1 - line.Q2, line.dQ + line.dQsh, 1e-12);
  // Start: the series current plus the start half of the shunt, 10.5·(10 - 20j) µS.
  EXPECT_NEAR(line.P1, 10.5 * 0.150105, 1e-9);
  EXPECT_NEAR(line.Q1, 10.5 * (0.05 * std::sqrt(3.0) + 10.5 * 20e-6), 1e-9);
  EXPECT_NEAR(line.I1, 100.11314963906084, 1e-9);
  EXPECT_NEAR(line.F1, -30.04274534604791, 1e-9);

  // Phase currents: the same current reads √3 times smaller in the model, so every loss drops by 3.
  const TBranchFlows phase = CalcBranchFlows(10.5, 0, u2, f2, 100, -30, r, x, 0, 0, 0, 0, true);
  EXPECT_NEAR(phase.dP, 0.01, 1e-12);
  EXPECT_NEAR(phase.I1, 100, 1e-9);
  EXPECT_NEAR(phase.F1, -30, 1e-9);

  // A transformer: the whole shunt at the start, the series current carried through the ratio.
  const TBranchFlows tr = CalcBranchFlows(10.5, 0, 10, -2, 100, -30, r, x, g, b, 0.95, 0.05, false);
  EXPECT_NEAR(tr.dPsh, 10.5 * 10.5 * 20e-6, 1e-12);
  EXPECT_NEAR(tr.dQsh, 10.5 * 10.5 * 40e-6, 1e-12);
  EXPECT_NEAR(tr.I2, 95.13148795220226, 1e-9);  // |0.95 - 0.05j|·100 A
  EXPECT_NEAR(tr.F2, -33.01278750418333, 1e-9);
  EXPECT_NEAR(tr.P1, 1.577205, 1e-9);

  // A current whose real part is negative reads negative, its angle the principal one.
  const TBranchFlows back = CalcBranchFlows(10, 0, 10, 0, 50, 170, 0, 0, 0, 0, 0, 0, false);
  EXPECT_NEAR(back.I1, -50, 1e-9);
  EXPECT_NEAR(back.F1, -10, 1e-9);
  // A purely reactive current: ±90° and no sign.
  const TBranchFlows up = CalcBranchFlows(10, 0, 10, 0, 50, 90, 0, 0, 0, 0, 0, 0, false);
  EXPECT_NEAR(up.I1, 50, 1e-9);
  EXPECT_NEAR(up.F1, 90, 1e-9);
  // A dead branch gives zeros, not NaN.
  const TBranchFlows dead = CalcBranchFlows(0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, false);
  EXPECT_EQ(dead.I1, 0);
  EXPECT_EQ(dead.F1, 0);
  EXPECT_EQ(dead.P2, 0);

  // The settings' choice applies when none is given.
  const bool saved = IniRec.FlagIF;
  IniRec.FlagIF = true;
  EXPECT_NEAR(CalcBranchFlows(10.5, 0, u2, f2, 100, -30, r, x, 0, 0, 0, 0).dP, 0.01, 1e-12);
  IniRec.FlagIF = saved;
}

TEST(Electric, TapRatios) {
  double kta = 7, ktr = 7;
  ASSERT_TRUE(CalcTapRatio("ВН", "П", 10, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_NEAR(kta, 1.0178, 1e-6);
  EXPECT_EQ(ktr, 0);

  // Any other kind counts the steps the other way; the low-voltage sides take the inverse ratio.
  ASSERT_TRUE(CalcTapRatio("НН", "", 8, 9, 19, 2.5f, 0, 0, 0, 0, 2.0, kta, ktr));
  EXPECT_NEAR(kta, 2.0 / 1.025, 1e-6);
  EXPECT_NEAR(ktr, 0, 1e-12);
  // A quadrature step of 2 %: ВН gets it directly, СН its inverse.
  ASSERT_TRUE(CalcTapRatio("ВН", "П", 1, 1, 0, 0, 3, 1, 5, 1.0f, 1.0, kta, ktr));
  EXPECT_NEAR(kta, 1.0, 1e-12);
  EXPECT_NEAR(ktr, 0.02, 1e-7);
  ASSERT_TRUE(CalcTapRatio("СН", "П", 1, 1, 0, 0, 3, 1, 5, 1.0f, 1.0, kta, ktr));
  EXPECT_NEAR(kta, 1 / 1.0004, 1e-7);
  EXPECT_NEAR(ktr, -0.02 / 1.0004, 1e-7);

  // Taps outside their range leave the ratio as it was.
  kta = ktr = 7;
  EXPECT_FALSE(CalcTapRatio("ВН", "П", 0, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_FALSE(CalcTapRatio("ВН", "П", 20, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_FALSE(CalcTapRatio("ВН", "П", 5, 9, 19, 1.78f, 6, 1, 5, 1.0f, 1.0, kta, ktr));
  EXPECT_EQ(kta, 7);
  EXPECT_EQ(ktr, 7);
  // An unknown side changes nothing but is no error; a -100 % step leaves nothing to invert.
  EXPECT_TRUE(CalcTapRatio("XX", "П", 10, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_EQ(kta, 7);
  EXPECT_FALSE(CalcTapRatio("НН", "П", 2, 1, 0, -100.0f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_TRUE(std::isfinite(kta));
}

TEST(Electric, RegulatorTexts) {
  const std::string text = "ВН-РПН-П-19-10-1.78;СН-ПБВ--5-3-2.5;НН-ТПР--3-2-1";
  EXPECT_EQ(WindingSideName(1, "T3|ТДТН-16000|2", text), "СН-ПБВ--5-3-2.5");
  EXPECT_EQ(WindingSideName(0, "T3|x|1", text), "ВН-РПН-П-19-10-1.78");
  EXPECT_EQ(WindingSideName(1, "TR|x|2", text), "НН-ТПР--3-2-1");  // both low sides of a split winding
  EXPECT_EQ(WindingSideName(3, "T3|x|1", text), "");
  EXPECT_EQ(WindingSideName(1, "T2|x|1", text), text);
  // Each item from the side name on; several matching items joined.
  EXPECT_EQ(WindingSideName(2, "TR|x|2", "1НН-a;ВН-b;2НН-c"), "НН-a;НН-c");

  TMarkParts p;
  ASSERT_TRUE(ParseMarkParts("  вн-рпн-п-19-10-1,78 ", p));
  EXPECT_EQ(p.Side, "ВН");
  EXPECT_EQ(p.Type, "РПН");
  EXPECT_EQ(p.Kind, "П");
  EXPECT_EQ(p.Positions, 19);
  EXPECT_EQ(p.Neutral, 10);
  EXPECT_FLOAT_EQ(p.Step, 1.78f);
  ASSERT_TRUE(ParseMarkParts("BH-ПБВ", p));  // Latin look-alikes become Cyrillic
  EXPECT_EQ(p.Side, "ВН");
  EXPECT_EQ(p.Type, "ПБВ");
  EXPECT_EQ(p.Kind, "");
  EXPECT_EQ(p.Positions, 0);
  EXPECT_EQ(p.Step, 0);
  EXPECT_FALSE(ParseMarkParts("   ", p));
  EXPECT_FALSE(ParseMarkParts("ВН-ПБВ--пять-3-2.5", p));

  EXPECT_DOUBLE_EQ(DistributionFactor(1), 1.0 / 3);
  EXPECT_DOUBLE_EQ(DistributionFactor(2), 0.2);
  EXPECT_DOUBLE_EQ(DistributionFactor(3), 8.0 / 15);
  EXPECT_DOUBLE_EQ(DistributionFactor(0), 1.0);
}

// A table of a layout with rows of numbers and texts given by field.
struct Rows {
  TDataFile t;
  Rows(const char* layout, int rows) {
    MaketFileName = (test::DataDir() / "maket.zr").string();
    ReadMaket(layout, t);
    CreateColumns(t, rows);
  }
  Rows& Set(int row, const char* field, double v) {
    TNumberColumn(field, t).Set(row, v);
    return *this;
  }
  Rows& Text(int row, const char* field, const std::string& v) {
    TTextColumn(field, t).Set(row, v);
    return *this;
  }
};

TEST(ElectricSums, PowerLossesByCriteria) {
  UnomListScope list({0.4, 10, 35});
  Rows b(LayoutBranches, 4);
  // A line of 100 A: |I|² = 0.03 in the engine's unit; charging G of 20 µS split between its ends.
  b.Set(1, "R", 1).Set(1, "X", 2).Set(1, "G", 20).Set(1, "Irez", 100).Set(1, "Faza", -30).Set(1, "Ul", 10);
  b.Set(1, "U1", 10).Set(1, "U2", 10).Set(1, "Nr", 1).Text(1, "TypEqu", "LN|x|1").Text(1, "Mark", "кабель");
  // A transformer 10/0.4 kV magnetised at its start, of subscribers.
  b.Set(2, "R", 0.5).Set(2, "X", 4).Set(2, "G", 10).Set(2, "Irez", 50).Set(2, "Kta", 25).Set(2, "Ul", 10);
  b.Set(2, "U1", 10).Set(2, "U2", 0.4).Set(2, "Nr", 2).Text(2, "Balans", "Абонентские сети");
  // A reactor of nobody's, and a 35 kV line of another company with a load factor of 0.2.
  b.Set(3, "X", 3).Set(3, "Irez", 20).Set(3, "Ul", 10).Set(3, "Nr", 1).Text(3, "TypEqu", "RT|x|1");
  b.Text(3, "Balans", "Бесхозные сети");
  b.Set(4, "R", 2).Set(4, "X", 4).Set(4, "Tz", 2).Set(4, "Irez", 10).Set(4, "Ul", 35).Set(4, "Nr", 1);
  b.Text(4, "Balans", "Сети других ЭК").Text(4, "Mark", "неизвестная");
  Rows n(LayoutNodes, 2);
  n.Set(1, "Gs", 100).Set(1, "Bs", 500).Set(1, "Urez", 10).Set(1, "Um", 10).Set(1, "Nr", 1);
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(n.t, nc);
  FillBranchCols(b.t, bc);

  const TLossSums all = SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 0, nullptr);
  EXPECT_NEAR(all.dPLoad, 0.03 + 0.00375 + 0.00012, 1e-12);
  EXPECT_NEAR(all.dQLoad, 0.06 + 0.03 + 0.0036 + 0.00024, 1e-12);
  EXPECT_NEAR(all.dPNoLoad, 0.002 + 0.001 + 0.01, 1e-12);  // line, transformer, node shunt
  EXPECT_NEAR(all.dQNoLoad, 0.05, 1e-12);
  EXPECT_NEAR(all.dPTotal, 0.03 + 0.002 + 0.00375 + 0.001 + 0.00012 + 0.01, 1e-12);
  // The line's flow at 30° splits its loss 3:1; the transformer's is all active.
  EXPECT_NEAR(all.dPActive, 0.0225 + 0.00375, 1e-9);
  EXPECT_NEAR(all.dPReactive, 0.0075, 1e-9);

  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 1, 0, 0, 0, nullptr).dPLoad, 0.03012, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 4, 0, 0, 0, nullptr).dPNoLoad, 0.001, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 5, 0, 0, 0, nullptr).dQLoad, 0.0036, 1e-12);
  const TLossSums shunts = SumPowerLossesByCriteria(nc, bc, 6, 0, 0, 0, nullptr);
  EXPECT_EQ(shunts.dPLoad, 0);
  EXPECT_NEAR(shunts.dQNoLoad, 0.05, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 35, 0, 0, nullptr).dPLoad, 0.00012, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 2, 0, nullptr).dPLoad, 0.00375, 1e-12);
  // Main networks are all but subscribers' and other companies': the ownerless reactor counts.
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 1, nullptr).dQLoad, 0.06 + 0.0036, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 2, nullptr).dPLoad, 0.00375, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 3, nullptr).dQLoad, 0.0036, 1e-12);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 4, nullptr).dPLoad, 0.00012, 1e-12);

  // Cable sections only: the catalogue gives their part of the line; a failing expression is reported.
  std::vector<std::string> messages;
  std::vector<char32_t> asked;
  const TLinePartEvaluator cable = [&](const std::string& mark, float, char32_t type, float& R, float& X, float& G,
                                       float& B, std::string& error) {
    asked.push_back(type);
    if (mark != "кабель") {
      error = "Марка не найдена";
      return false;
    }
    R = 0.4f, X = 0.2f, G = 10, B = 0;
    return true;
  };
  const TLossSums cables = SumPowerLossesByCriteria(nc, bc, 2, 0, 0, 0, &messages, cable);
  EXPECT_NEAR(cables.dPLoad, 0.03 * 0.4, 1e-8);
  EXPECT_NEAR(cables.dPNoLoad, 0.001, 1e-12);
  EXPECT_NEAR(cables.dPTotal, all.dPTotal, 1e-12);  // the whole scheme whatever the filter
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "4: Марка не найдена");
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked[0], U'К');

  // Phase currents in the table are √3 smaller in the engine's unit.
  const bool saved = IniRec.FlagIF;
  IniRec.FlagIF = true;
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 1, 0, 0, 0, nullptr).dPLoad, 0.01004, 1e-12);
  IniRec.FlagIF = saved;
}

TEST(ElectricSums, EnergyLossesAndClassPowers) {
  UnomListScope list({0.4, 10, 35, 110});
  Rows b(LayoutBranchEnergy, 3);
  b.Set(1, "R", 2).Set(1, "X", 1).Set(1, "G", 10).Set(1, "dWPz", 100).Set(1, "dWQz", 50).Set(1, "dWPy", 20);
  b.Set(1, "dWPp", 60).Set(1, "dWPq", 40).Set(1, "Ul", 10).Text(1, "TypEqu", "КЛ");
  b.Set(2, "dWPz", 30).Set(2, "dWPy", 10).Set(2, "Ul", 10).Text(2, "TypEqu", "Т2");
  b.Set(3, "dWQz", 5).Set(3, "Ul", 10).Text(3, "TypEqu", "RT");
  Rows n(LayoutNodeEnergy, 1);
  n.Set(1, "WPs", 7).Set(1, "WQs", 3).Set(1, "Unom", 10);
  TNodeEnergyCols nc;
  TBranchEnergyCols bc;
  FillNodeEnergyCols(n.t, nc);
  FillBranchEnergyCols(b.t, bc);
  const TLossSums all = SumEnergyLossesByCriteria(nc, bc, 0, 0, 0, 0, nullptr);
  EXPECT_EQ(all.dPLoad, 130);
  EXPECT_EQ(all.dQLoad, 55);
  EXPECT_EQ(all.dPNoLoad, 37);
  EXPECT_EQ(all.dPTotal, 167);
  EXPECT_EQ(SumEnergyLossesByCriteria(nc, bc, 4, 0, 0, 0, nullptr).dPLoad, 30);
  EXPECT_EQ(SumEnergyLossesByCriteria(nc, bc, 5, 0, 0, 0, nullptr).dQLoad, 5);
  // Half the line's R, X and G is cable: half of each loss.
  const TLinePartEvaluator half = [](const std::string&, float, char32_t, float& R, float& X, float& G, float& B,
                                     std::string&) {
    R = 1, X = 0.5f, G = 5, B = 0;
    return true;
  };
  const TLossSums cable = SumEnergyLossesByCriteria(nc, bc, 2, 0, 0, 0, nullptr, half);
  EXPECT_EQ(cable.dPLoad, 50);
  EXPECT_EQ(cable.dQLoad, 25);
  EXPECT_EQ(cable.dPNoLoad, 10);
  EXPECT_EQ(cable.dPActive, 30);
  EXPECT_EQ(cable.dPReactive, 20);
  EXPECT_EQ(cable.dPTotal, 167);

  Rows nodes(LayoutNodes, 3);
  nodes.Set(1, "Um", 10).Set(1, "Pn", 2).Set(1, "Qn", 1).Set(1, "Pg", 0.5).Set(1, "Qg", 0.2);
  nodes.Text(2, "Sign", "B").Set(2, "Um", 115).Set(2, "Pbal", -5).Set(2, "Qbal", -2);
  nodes.Text(3, "Sign", "B").Set(3, "Um", 36).Set(3, "Pbal", -1).Set(3, "Qbal", -0.4);
  Rows branches(LayoutBranches, 2);
  // A lossless 110/35 kV transformer carrying 10 A at 35 kV in phase: P2 = 35·0.01·√3·(110/35).
  branches.Set(1, "Kta", 110.0 / 35).Set(1, "Ul", 110).Set(1, "U1", 110).Set(1, "U2", 35).Set(1, "Irez", 10);
  branches.Set(2, "Kta", 25).Set(2, "Ul", 10).Set(2, "U1", 10).Set(2, "U2", 0.4).Set(2, "Irez", 10);
  TNodeCols tn;
  TBranchCols tb;
  FillNodeCols(nodes.t, tn);
  FillBranchCols(branches.t, tb);
  const TClassPowers c = CalcTgByVoltageClass(tn, tb);
  EXPECT_NEAR(c.P[1], 1.5, 1e-12);
  EXPECT_NEAR(c.Q[1], 0.8, 1e-7);
  EXPECT_NEAR(c.P[2], 1 + 0.35 * std::sqrt(3.0) * 110 / 35, 1e-5);
  EXPECT_NEAR(c.Q[2], 0.4, 1e-5);
  EXPECT_NEAR(c.P[3], 5, 1e-12);
  EXPECT_NEAR(c.Q[3], 2, 1e-12);
}

}  // namespace
}  // namespace ld
