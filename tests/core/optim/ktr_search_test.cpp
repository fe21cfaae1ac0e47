// The tap searches: the coordinate descent against the functional of every pair of taps, and the
// gradient search's whole taps.
#include <gtest/gtest.h>

#include <cmath>

#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "ktr_test_scheme.h"

namespace ld::test {
namespace {

// A scheme read into an engine with its regime calculated, its branch table and a tap table.
struct Bench : KtrSlice {
  TDataFile branches, table;
  std::unique_ptr<TKtrModel> model;

  explicit Bench(const std::vector<TRecTr>& rows) : branches(Read(".VET")) {
    MakeKtrTable(table, rows);
    model = std::make_unique<TKtrModel>(regime, table);
    EXPECT_EQ(model->Bind(branches, false, true).What, TKtrBindError::None);
    model->RerunRegime();
  }
  float Tap(int row) const { return model->Cols().Ntek->Get(row); }
  void SetTaps(float t1, float t2) {
    (*model->Cols().Ntek)[1] = t1, (*model->Cols().Ntek)[2] = t2;
    model->ApplyRowRatio(1), model->ApplyRowRatio(2), model->RerunRegime();
  }
};

TEST(KtrSearch, DescentEndsWhereNoStepLowersTheFunctionalOfEveryPairOfTaps) {
  Bench b({TapRow(1, 2, 4, 10.1f, 10.3f, 3), TapRow(1, 3, 5, 10.1f, 10.3f, 17)});
  // Losses and penalties of every pair of taps, each from its own run (scaled when it does not converge).
  double dP[20][20], pen[3][20][20];
  for (int t1 = 1; t1 <= 19; ++t1)
    for (int t2 = 1; t2 <= 19; ++t2) {
      b.SetTaps(static_cast<float>(t1), static_cast<float>(t2));
      dP[t1][t2] = b.model->RoundedLosses();
      for (int row = 1; row <= 2; ++row) pen[row][t1][t2] = b.model->TapFunctional(row, row, 1, 0, 0);
    }
  for (const double Ku : {100.0, 0.0}) {
    const auto F = [&](int row, int t1, int t2) { return std::abs(pen[row][t1][t2]) * Ku + dP[t1][t2]; };
    b.SetTaps(3, 17);
    const TSearchResult r = CoordinateDescent(*b.model, 100, Ku, 1, b.model->RoundedLosses());
    EXPECT_TRUE(r.Passes < 100 && r.Changed);
    const int a = static_cast<int>(b.Tap(1)), c = static_cast<int>(b.Tap(2));
    EXPECT_DOUBLE_EQ(r.dP, dP[a][c]);
    EXPECT_LT(F(1, a, c) + F(2, a, c), F(1, 3, 17) + F(2, 3, 17));
    for (int d : {-1, 1}) {
      EXPECT_TRUE(a + d < 1 || a + d > 19 || F(1, a + d, c) >= F(1, a, c)) << Ku << " " << d;
      EXPECT_TRUE(c + d < 1 || c + d > 19 || F(2, a, c + d) >= F(2, a, c)) << Ku << " " << d;
    }
  }
}

TEST(KtrSearch, AStepWithoutConvergenceIsNeverAccepted) {
  Bench b({TapRow(1, 2, 4, 11, 11, 10)});
  const double dP = b.model->RoundedLosses();
  b.regime.MaxIter = 1, b.regime.Accuracy = 1e-12;
  b.model->RerunRegime();
  ASSERT_FALSE(b.regime.Converged);
  b.regime.Converged = true;  // the state the search starts from was calculated
  const TSearchResult r = CoordinateDescent(*b.model, 100, 100, 1, dP);
  EXPECT_TRUE(!r.Changed && b.Tap(1) == 10);
}

TEST(KtrSearch, GradientEndsOnWholeTapsWithinTheirRangeOrAtAStop) {
  Bench b({TapRow(1, 2, 4, 10.1f, 10.3f, 3), TapRow(1, 3, 5, 10.1f, 10.3f, 18)});
  bool fractional = false;
  TSearchHooks hooks;
  hooks.OnAccepted = [&](int, int) {
    fractional = fractional || b.Tap(1) != std::floor(b.Tap(1)) || b.Tap(2) != std::floor(b.Tap(2));
  };
  const double before = b.model->TapFunctional(1, 2, 100, 1, b.regime.TotalLosses());
  const TSearchResult r = GradientSearch(*b.model, 15, 100, 1, 0.1, 0.3, b.regime.TotalLosses(), hooks);
  EXPECT_TRUE(r.Passes > 1 && fractional);
  for (const float tap : {b.Tap(1), b.Tap(2)}) EXPECT_TRUE(tap == std::floor(tap) && tap >= 1 && tap <= 19) << tap;
  EXPECT_LT(b.model->TapFunctional(1, 2, 100, 1, b.regime.TotalLosses()), before);
  EXPECT_DOUBLE_EQ(r.dP, b.regime.TotalLosses());
  // A stop request ends the search after the iteration that saw it.
  hooks.StopRequested = [] { return true; };
  const TSearchResult stopped = GradientSearch(*b.model, 15, 100, 1, 0.1, 0.3, b.regime.TotalLosses(), hooks);
  EXPECT_TRUE(stopped.Stopped && stopped.Passes == 1);
}

}  // namespace
}  // namespace ld::test
