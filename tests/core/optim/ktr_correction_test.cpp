// A correction branch's step per tap rides on that branch's own nominal ratio, as the model read it.
#include <gtest/gtest.h>

#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "core/optim/ktr_table.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "ktr_test_scheme.h"

namespace ld::test {
namespace {

TEST(KtrCorrection, TheCorrectionBranchTakesItsOwnNominalRatio) {
  MaketFileName = (DataDir() / "maket.zr").string();
  KtrSlice s;
  const TDataFile branches = s.Read(".VET");
  TDataFile t;
  // Transformer 1-2 three taps up, corrected on transformer 3-1 (its nominal ratio 11/115).
  MakeKtrTable(t, {TapRow(1, 2, 4, 9.5f, 10.5f, 13)});
  TKtrCols c;
  FillKtrCols(t, c);
  (*c.Nkor)[1] = 3;
  TKtrModel model(s.regime, t);
  ASSERT_EQ(model.Bind(branches, false, true).What, TKtrBindError::None);

  std::complex<double> k;
  ASSERT_TRUE(CalcRowRatio(c, 1, 0, true, SingleToDouble(1 / kKnom), k));
  EXPECT_EQ(c.Kna->Get(1), static_cast<float>(k.real()));
  EXPECT_NEAR(k.real(), 11.0 / 115.0 / (1 - 0.03 * 1.78 / (115.0 / 11.0 - 1)), 1e-6);

  // A model read again holds the ratios of the new tables, not those of the one before.
  s.Calculate();
  (*c.Kna)[1] = 0;
  TKtrModel again(s.regime, t);
  ASSERT_EQ(again.Bind(branches, false, true).What, TKtrBindError::None);
  EXPECT_EQ(c.Kna->Get(1), static_cast<float>(k.real()));
}

// At the nominal taps nothing changes, also for a correction branch stored from its far end (3-1 for the
// row 1-2 with Nkor 3): its nominal ratio is that of its own row, so the model and the branch file take
// the correction ratio in that row's direction.
TEST(KtrCorrection, AtTheNominalTapsTheCorrectionBranchKeepsItsRatio) {
  MaketFileName = (DataDir() / "maket.zr").string();
  KtrSlice s;
  TDataFile branches = s.Read(".VET");
  std::vector<Complex> ratios, voltages;
  for (TRegimeElement* e = s.regime.FirstElement; e; e = e->Next) ratios.push_back(e->K), voltages.push_back(e->U);
  TDataFile t;
  MakeKtrTable(t, {TapRow(1, 2, 4, 9.5f, 10.5f)});
  TKtrCols c;
  FillKtrCols(t, c);
  (*c.Nkor)[1] = 3;
  TKtrModel model(s.regime, t);
  ASSERT_EQ(model.Bind(branches, false, true).What, TKtrBindError::None);
  model.RerunRegime();
  std::size_t i = 0;
  for (TRegimeElement* e = s.regime.FirstElement; e; e = e->Next, ++i) {
    EXPECT_NEAR(std::abs(e->K - ratios[i]), 0, 1e-6) << e->Number << "-" << e->Number2;
    EXPECT_NEAR(std::abs(e->U - voltages[i]), 0, 1e-3) << e->Number << "-" << e->Number2;
  }
  WriteKtrWithBranches(t, branches, s.stem, &model);
  TBranchCols b;
  const TDataFile written = s.Read(".VET");
  FillBranchCols(written, b);
  EXPECT_NEAR(b.Kta->Get(2), 1 / kKnom, 1e-6);  // the row 3-1
  EXPECT_NEAR(b.Kta->Get(1), kKnom, 1e-5);
}

}  // namespace
}  // namespace ld::test
