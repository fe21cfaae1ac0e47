// Electrical helper formulas: nominal voltages, branch flows against physical balances and hand values,
// tap regulation and regulator texts.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "core/base/settings.h"
#include "core/engine/electric.h"

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

}  // namespace
}  // namespace ld
