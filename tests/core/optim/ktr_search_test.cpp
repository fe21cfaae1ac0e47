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

  Bench(const KtrScheme& scheme, const std::vector<TRecTr>& rows) : KtrSlice(scheme), branches(Read(".VET")) {
    MakeKtrTable(table, rows);
    model = std::make_unique<TKtrModel>(regime, table);
    EXPECT_EQ(model->Bind(branches, false, true).What, TKtrBindError::None);
    model->RerunRegime();
  }
  const TKtrCols& c() const { return model->Cols(); }
  float Tap(int row) const { return c().Ntek->Get(row); }
  void SetTaps(float t1, float t2) {
    (*c().Ntek)[1] = t1, (*c().Ntek)[2] = t2;
    model->ApplyRowRatio(1);
    model->ApplyRowRatio(2);
    model->RerunRegime();
  }
};

// Losses and penalties of every pair of taps, each from its own run.
struct Grid {
  double dP[20][20], pen[3][20][20];
  bool converged[20][20];
  explicit Grid(Bench& b) {
    for (int t1 = 1; t1 <= 19; ++t1)
      for (int t2 = 1; t2 <= 19; ++t2) {
        b.SetTaps(static_cast<float>(t1), static_cast<float>(t2));
        dP[t1][t2] = b.model->RoundedLosses();
        converged[t1][t2] = b.regime.Converged;
        for (int row = 1; row <= 2; ++row) pen[row][t1][t2] = b.model->TapFunctional(row, row, 1, 0, 0);
      }
  }
  double F(int row, int t1, int t2, double Ku, double Kdp) const {
    return std::abs(pen[row][t1][t2]) * Ku + dP[t1][t2] * Kdp;  // pen is already scaled when not converged
  }
};

TEST(KtrSearch, DescentEndsWhereNoGroupStepLowersTheFunctional) {
  Bench b(TwoTransformers(), {TapRow(1, 2, 4, 10.1f, 10.3f, 3), TapRow(1, 3, 5, 10.1f, 10.3f, 17)});
  Grid grid(b);
  for (const double Ku : {100.0, 0.0}) {
    b.SetTaps(3, 17);
    int accepted = 0;
    TSearchHooks hooks;
    hooks.OnAccepted = [&](int, int) { ++accepted; };
    const TSearchResult r = CoordinateDescent(*b.model, 100, Ku, 1, b.model->RoundedLosses(), hooks);
    EXPECT_TRUE(r.Passes < 100 && r.Changed && accepted > 0);
    const int a = static_cast<int>(b.Tap(1)), c = static_cast<int>(b.Tap(2));
    EXPECT_DOUBLE_EQ(r.dP, grid.dP[a][c]);
    EXPECT_LT(grid.F(1, a, c, Ku, 1) + grid.F(2, a, c, Ku, 1), grid.F(1, 3, 17, Ku, 1) + grid.F(2, 3, 17, Ku, 1));
    for (int d : {-1, 1}) {
      // Without the voltage penalty the end is also a local minimum of the rounded losses.
      if (a + d >= 1 && a + d <= 19) {
        EXPECT_GE(grid.F(1, a + d, c, Ku, 1), grid.F(1, a, c, Ku, 1)) << Ku << " " << d;
        EXPECT_TRUE(Ku != 0 || grid.dP[a + d][c] >= grid.dP[a][c]) << d;
      }
      if (c + d >= 1 && c + d <= 19) {
        EXPECT_GE(grid.F(2, a, c + d, Ku, 1), grid.F(2, a, c, Ku, 1)) << Ku << " " << d;
        EXPECT_TRUE(Ku != 0 || grid.dP[a][c + d] >= grid.dP[a][c]) << d;
      }
    }
  }
}

TEST(KtrSearch, ParallelRowsMoveTogetherAndRejectedStepsUndoOnlyTheirMoves) {
  KtrScheme s = TwoTransformers();
  s.Branches[0].Nl = 1;
  KtrBranch twin = s.Branches[0];
  twin.Nl = 2;
  s.Branches.push_back(twin);
  TRecTr r1 = TapRow(1, 2, 4, 9.5f, 10.5f, 19), r2 = TapRow(1, 2, 4, 9.5f, 10.5f, 10);
  r1.Nl = 1, r2.Nl = 2;
  Bench b(s, {r1, r2});
  // Nothing counts: every step is a tie and is rejected. The raise moved only the second row and is
  // undone on it alone; the lowering moved both and is undone on both.
  TSearchResult r = CoordinateDescent(*b.model, 100, 0, 0, b.model->RoundedLosses());
  EXPECT_EQ(std::tuple(r.Changed, r.Passes, b.Tap(1), b.Tap(2)), std::tuple(false, 1, 19.0f, 10.0f));
  // With the losses counted the pair moves as one.
  b.SetTaps(12, 12);
  r = CoordinateDescent(*b.model, 100, 0, 1, b.model->RoundedLosses());
  EXPECT_TRUE(r.Changed && b.Tap(1) == b.Tap(2) && b.Tap(1) != 12);
}

TEST(KtrSearch, AStepWithoutConvergenceIsNeverAcceptedAndAnEmptyTableEndsAtOnce) {
  Bench b(TwoTransformers(), {TapRow(1, 2, 4, 11, 11, 10)});
  ASSERT_TRUE(b.regime.Converged);
  const double dP = b.model->RoundedLosses();
  b.regime.MaxIter = 1;
  b.regime.Accuracy = 1e-12;
  b.model->RerunRegime();
  ASSERT_FALSE(b.regime.Converged);
  b.regime.Converged = true;  // the state the search starts from was calculated
  const TSearchResult r = CoordinateDescent(*b.model, 100, 100, 1, dP);
  EXPECT_TRUE(!r.Changed && b.Tap(1) == 10);
  // An empty table ends after one pass.
  Bench empty(TwoTransformers(), {});
  const TSearchResult none = CoordinateDescent(*empty.model, 0, 100, 1, 0.5);
  EXPECT_TRUE(none.Passes == 1 && !none.Changed);
}

TEST(KtrSearch, GradientEndsOnWholeTapsWithinTheirRangeOrAtAStop) {
  Bench b(TwoTransformers(), {TapRow(1, 2, 4, 10.1f, 10.3f, 3), TapRow(1, 3, 5, 10.1f, 10.3f, 18)});
  int iterations = 0;
  bool fractional = false;
  TSearchHooks hooks;
  hooks.OnAccepted = [&](int, int) {
    ++iterations;
    for (int row = 1; row <= 2; ++row) fractional = fractional || b.Tap(row) != std::floor(b.Tap(row));
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
