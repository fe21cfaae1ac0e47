// The reactive functional and the five steps on the two-node scheme, against an optimum found here by
// a golden-section search over regimes.
#include <gtest/gtest.h>

#include <cmath>

#include "core/engine/regime.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/optim/q_fixture.h"

namespace ld::test::optim {
namespace {

struct Prepared {
  TempDir dir;
  TRegime regime;
  TDataFile table;
  TQOptimState state;
  std::string path;

  Prepared(const std::vector<QRow>& rows, bool unsuppliedSource) {
    path = WriteTwoNodeScheme(dir.Path());
    if (unsuppliedSource) {
      WriteNodeTable(path, {{1, "B", "Источник", 10, 0, 0, 0}, {2, "", "Нагрузка", 10, 1, 1, 0},
                            {3, "", "Отдельный", 10, 0.1, 0.1, 0}});
    }
    regime.Accuracy = 1e-10;
    regime.ReadScheme(path);
    regime.ApplyTimeData(0, 0, 0, 0, 0, false);
    regime.FormMatrices();
    MakeSourceTable(table, rows);
    std::string error;
    EXPECT_TRUE(PrepareQRows(table, regime, state, nullptr, error)) << error;
  }
  double Q(int row = 1) const { return GetColumnAs<DAdouble>("Qopt", table)->Get(row); }
  double F(double Ku = 0) { return ReactiveFunctional(table, regime, state, -1, Ku, 1); }
};

// Losses (MW) with the source of node 2 at q kVAr.
double LossesAt(Prepared& p, double q) {
  SetSourceGenerated(*p.state.Source[1], q * 0.001);
  RunQRegime(p.regime);
  return p.regime.TotalLosses();
}

double GoldenSection(Prepared& p, double a, double b) {
  const double k = (std::sqrt(5.0) - 1) / 2;
  double x1 = b - k * (b - a), x2 = a + k * (b - a);
  double f1 = LossesAt(p, x1), f2 = LossesAt(p, x2);
  while (b - a > 1e-3) {
    if (f1 < f2) {
      b = x2, x2 = x1, f2 = f1, x1 = b - k * (b - a), f1 = LossesAt(p, x1);
    } else {
      a = x1, x1 = x2, f1 = f2, x2 = a + k * (b - a), f2 = LossesAt(p, x2);
    }
  }
  return (a + b) / 2;
}

TEST(QOptim, TwoNodeOptimumAndEveryMethodReachesIt) {
  Prepared ref({{2}}, false);
  EXPECT_NEAR(ref.F() * 1000, 21.3, 0.05);
  const double qStar = GoldenSection(ref, 0, 3000);
  EXPECT_NEAR(qStar, 1020.4, 0.3);
  EXPECT_NEAR(LossesAt(ref, qStar) * 1000, 10.205, 0.002);
  EXPECT_NEAR(std::abs(FindQNode(ref.regime, 2)->U), 9.901, 0.001);

  for (int method = 1; method <= 4; ++method) {
    Prepared p({{2}}, false);
    p.F();
    TQMethodParams params;
    params.Ku = 0;
    params.EpsOpt = 1e-6;
    for (int step = 1; step <= 60 && (step == 1 || p.state.Gradient >= params.EpsOpt); ++step) {
      p.state.IterationCount = static_cast<std::int16_t>(step);
      QMethodStep(method, p.table, p.regime, p.state, params);
      p.F();
    }
    EXPECT_NEAR(p.Q(), qStar, 3) << "method " << method;
  }

  // Newton from 0 closes most of the distance in one step (the losses are not quite quadratic in q, as
  // the voltage rises with it); the kept matrix brings the second step within 10 kVAr.
  Prepared n({{2}}, false);
  n.F();
  NewtonStep(n.table, n.regime, n.state, n.state.Gradient, false, 0, 1, 1e-4);
  EXPECT_NEAR(n.Q(), qStar, 0.1 * qStar);
  n.F();
  NewtonStep(n.table, n.regime, n.state, n.state.Gradient, false, 0, 1, 1e-4);
  EXPECT_NEAR(n.Q(), qStar, 10);

}

TEST(QOptim, StepRulesBoundsAndNonConvergence) {
  // Method 0 moves by exactly dQt; an unbounded source passes any value, bounds clamp even with a 0.
  Prepared free({{2, 0, 0, 0}}, false);
  free.F();
  for (int i = 0; i < 2; ++i) DiscreteDescentStep(free.table, free.regime, free.state, free.state.Gradient, 1000, 0, 1, 1e-4);
  EXPECT_DOUBLE_EQ(free.Q(), 2000);

  Prepared bounded({{2, 0, 0, 500}}, false);
  bounded.F();
  DiscreteDescentStep(bounded.table, bounded.regime, bounded.state, bounded.state.Gradient, 1000, 0, 1, 1e-4);
  EXPECT_EQ(std::pair(bounded.Q(), GetColumnAs<DAdouble>("dQ", bounded.table)->Get(1)), std::pair(500.0, 500.0));
  EXPECT_NEAR(bounded.state.Source[1]->Load2.imag(), 0.5, 1e-12);
  Prepared steep({{2, 0, -200, 300}}, false);
  steep.F();
  SteepestDescentStep(steep.table, steep.regime, steep.state, steep.state.Gradient, false, 0, 1, 1e-4);
  EXPECT_EQ(std::pair(steep.Q(), steep.state.Gradient), std::pair(300.0, 0.0));  // the only row was clamped

  // The coordinate descent fills the payback columns only with a payback limit.
  Prepared eco({{2}}, false);
  eco.state.InitialLoss = eco.F();
  CoordinateDescentStep(eco.table, eco.regime, eco.state, eco.state.Gradient, false, 0, 0, 1, 1e-4);
  EXPECT_EQ(GetColumnAs<DAdouble>("Umod", eco.table)->Get(1), 0);
  eco.F();
  CoordinateDescentStep(eco.table, eco.regime, eco.state, eco.state.Gradient, false, 3, 0, 1, 1e-4);
  const double years = GetColumnAs<DAdouble>("Umod", eco.table)->Get(1);
  EXPECT_TRUE(GetColumnAs<DAdouble>("U2min", eco.table)->Get(1) > 0 && years > 0 && years < 3.0001) << years;

  // A regime that does not converge gives -1; the next step makes no move and reports no gradient; the
  // evaluation after it starts again from fresh voltages.
  Prepared p({{2}}, false);
  const double f0 = p.F();
  SetSourceGenerated(*p.state.Source[1], -400);
  EXPECT_EQ(p.F(), -1.0);
  DiscreteDescentStep(p.table, p.regime, p.state, p.state.Gradient, 10, 0, 1, 1e-4);
  EXPECT_EQ(std::pair(p.state.Gradient, p.Q()), std::pair(0.0, 0.0));
  SetSourceGenerated(*p.state.Source[1], 0);
  EXPECT_NEAR(p.F(), f0, 1e-12);
}

TEST(QOptim, PenaltiesOnlyForPositiveWatchedNodes) {
  // Node 2 lies near 9.80 kV; a bound of 9.9 below it penalises when watched by a positive number only.
  Prepared p({{2, 0, 0, 0, 2, 9.9, 0}, {2, 0, 0, 0, -2, 0, 0, 2, 9.9, 0}, {2, 0, 0, 0, -2, 9.9, 0, -2, 9.9, 11}},
             false);
  const double losses = p.F(0);
  const double u = std::abs(FindQNode(p.regime, 2)->U);
  ASSERT_LT(u, 9.9);
  const double one = (9.9 - u) * (9.9 - u);
  EXPECT_NEAR(p.F(100), losses + 100 * 2 * one, 1e-9);
  EXPECT_NEAR(ReactiveFunctional(p.table, p.regime, p.state, 3, 100, 1), losses, 1e-12);
  EXPECT_NEAR(ReactiveFunctional(p.table, p.regime, p.state, 2, 100, 2), 2 * losses + 100 * one, 1e-9);
  bool violated = false;
  UpdateWatchedVoltages(p.table, p.state, violated);
  EXPECT_TRUE(violated);
  EXPECT_NEAR(GetColumnAs<DAdouble>("U2mod", p.table)->Get(3), u, 1e-12);
}

TEST(QOptim, NewtonMatrixKeptAndUnsuppliedSourceGetsNoStep) {
  Prepared p({{2}, {3, 50}}, true);
  ASSERT_NE(p.state.Source[2]->Flags & efUnsupplied, 0u);
  int runs = 0;
  p.regime.OnStage = [&](const std::string& s) { runs += s == "Итерационный процесс"; };
  p.F();
  runs = 0;
  NewtonStep(p.table, p.regime, p.state, p.state.Gradient, false, 0, 1, 1e-4);
  EXPECT_TRUE(runs == 3 && p.state.HessianReady);  // F0 and the two sides of the one supplied source
  EXPECT_TRUE(p.Q(2) == 50 && std::isfinite(p.Q(1)));
  runs = 0;
  NewtonStep(p.table, p.regime, p.state, p.state.Gradient, false, 0, 1, 1e-4);
  EXPECT_EQ(runs, 2);  // the gradient only
  runs = 0;
  NewtonStep(p.table, p.regime, p.state, p.state.Gradient, true, 0, 1, 1e-4);
  EXPECT_EQ(runs, 3);  // refined steps form the matrix again
}

TEST(QOptim, PaybackFitReproducesAQuadratic) {
  const double a = 0.004, b = -0.003, c = 0.02, q = 0.7, h2 = 0.005;
  const auto F = [&](double v) { return a * v * v + b * v + c; };
  // x = -q: the evaluation at x - h2 is F(q + h2).
  const TQuadraticFit fit = FitReactiveParabola(F(q + h2), F(q), F(q - h2), h2, q);
  EXPECT_NEAR(std::abs(fit.a - a) + std::abs(fit.b - b) + std::abs(fit.c - c), 0, 1e-9);

  // Losses F(q) with q0 = 1 MVAr uncompensated and the optimum at qv = 0.375. Near q0 a MVAr saves
  // F'(q0) = 0.005 MW, paid back in 100000 / (0.005 × 4380 × 1700) = 2.69 years; the whole way to qv
  // takes 5.37 years. A limit of 4 years stops the source between the two, where the payback is 4 years.
  TQOptimState s;
  const double q0 = 1.0, dP0 = F(q0);
  EXPECT_EQ(EconomicReactiveLimit(0, 0, 0, h2, q0, q0, 4, dP0, s, nullptr), 0);  // a flat fit has no optimum
  TQuadraticFit used;
  const double limit = EconomicReactiveLimit(F(0.8 + h2), F(0.8), F(0.8 - h2), h2, 0.8, q0, 4, dP0, s, &used);
  EXPECT_TRUE(limit > 0.375 && limit < q0) << limit;
  EXPECT_NEAR(PaybackTime(used, q0, limit, dP0, s), 4, 1e-6);
  EXPECT_NEAR(PaybackTime(used, q0, q0 - 1e-6, dP0, s), 2.69, 0.01);
  // Within one year nothing pays back: the source stays at its start.
  EXPECT_DOUBLE_EQ(EconomicReactiveLimit(F(0.8 + h2), F(0.8), F(0.8 - h2), h2, 0.8, q0, 1, dP0, s, nullptr), q0);
}

}  // namespace
}  // namespace ld::test::optim
