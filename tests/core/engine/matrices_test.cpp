// The contour matrix and its correction against hand-derived loop impedances and current splits. Loads
// given as currents keep the network linear, so one correction must close every contour exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "scheme_builder.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// One iteration of the driver on a read scheme: start voltages, node step, sweeps and one correction.
double OneCorrectedIteration(TRegime& r) {
  r.InitVoltages();
  r.VoltagesSet = true;
  double dU = 0, dL = 0;
  r.NodeStep(dU);
  r.SweepCurrents();
  r.SweepVoltages();
  r.CorrectContours(dL);
  return dL;
}

// The largest voltage difference across any contour.
double LargestContourMismatch(const TRegime& r) {
  double worst = 0;
  for (int i = 0; i < r.TotalContourCount; ++i) {
    worst = std::max(worst, std::abs(r.ContourEntry2[i]->U - r.ContourEntry1[i]->U));
  }
  return worst;
}

const TRegimeElement* BranchOfRow(const TRegime& r, int row) {
  for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    if (e->BranchIndex == row) return e;
  }
  return nullptr;
}

// Current through a branch row flowing from its table N2 to N1 (the engine's I of an unreversed row).
C RowCurrent(const TRegime& r, int row) {
  const TRegimeElement* e = BranchOfRow(r, row);
  EXPECT_NE(e, nullptr) << "row " << row;
  if (e == nullptr) return {};
  return (e->Flags & efReversed) ? -e->I : e->I;
}

TEST(ContourMatrix, RingSplitsItsCurrentByImpedance) {
  // Node 1 feeds node 3 along two paths: directly (Z3) and through node 2 (Z1 + Z2).
  const C z1(1.0, 2.0), z2(0.5, 1.5), z3(2.0, 1.0);
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2).Um = 10;
  NodeSpec& load = s.Node(3);
  load.Um = 10;
  load.Ina = 0.12f;
  load.Inr = -0.05f;
  s.Branch(2, 1, z1.real(), z1.imag());
  s.Branch(3, 2, z2.real(), z2.imag());
  s.Branch(3, 1, z3.real(), z3.imag());
  TempDir dir;
  TRegime r;
  r.LoadType = 1;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  ASSERT_EQ(r.TotalContourCount, 1);
  r.FormMatrices();
  ASSERT_TRUE(r.MatricesFormed);
  EXPECT_EQ(r.MatrixEntryCount, 0);
  // The loop impedance, inverted by the factorisation.
  EXPECT_NEAR(std::abs(r.MatrixDiagonal[1] - 1.0 / (z1 + z2 + z3)), 0, 1e-12);

  const double dL = OneCorrectedIteration(r);
  EXPECT_GT(dL, 0);
  EXPECT_LT(LargestContourMismatch(r), 1e-9);
  const C total(0.12, -0.05);
  const C direct = total * (z1 + z2) / (z1 + z2 + z3);
  const C around = total * z3 / (z1 + z2 + z3);
  EXPECT_NEAR(std::abs(RowCurrent(r, 3) - direct), 0, 1e-9);
  EXPECT_NEAR(std::abs(RowCurrent(r, 1) - around), 0, 1e-9);
  EXPECT_NEAR(std::abs(RowCurrent(r, 2) - around), 0, 1e-9);
  // Nothing left to correct.
  double again = 0;
  r.CorrectContours(again);
  EXPECT_LT(again, 1e-9);
}

TEST(ContourMatrix, ContoursCoupledOnlyThroughResistanceOrReactance) {
  // Three parallel branches between the balancing node and node 2: the first feeds the node, the other
  // two close two contours that share the first. A shared branch of pure resistance (or of pure
  // reactance) couples the contours all the same; leaving the coupling out would leave them open.
  for (const C shared : {C(0.8, 0.0), C(0.0, 0.8)}) {
    const C z2(1.0, 2.0), z3(3.0, 0.5);
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    NodeSpec& load = s.Node(2);
    load.Um = 10;
    load.Ina = 0.2f;
    load.Inr = -0.1f;
    s.Branch(2, 1, shared.real(), shared.imag()).Nl = 1;
    s.Branch(2, 1, z2.real(), z2.imag()).Nl = 2;
    s.Branch(2, 1, z3.real(), z3.imag()).Nl = 3;
    TempDir dir;
    TRegime r;
    r.LoadType = 1;
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    ASSERT_EQ(r.TotalContourCount, 2);
    r.FormMatrices();
    ASSERT_TRUE(r.MatricesFormed);
    ASSERT_EQ(r.MatrixEntryCount, 1);
    // Factorised: the coupling became the multiplier -Z12 / Z11 of the first row.
    const int first = r.ContourOfPosition[1];
    const TRegimeElement* closing = r.ContourEntry1[first - 1];
    const C own = closing->BranchIndex == 2 ? z2 : z3;
    EXPECT_NEAR(std::abs(r.EntryValue[1] - (-shared / (shared + own))), 0, 1e-12);

    OneCorrectedIteration(r);
    EXPECT_LT(LargestContourMismatch(r), 1e-9);
    const C total(0.2, -0.1);
    const C y = 1.0 / shared + 1.0 / z2 + 1.0 / z3;
    EXPECT_NEAR(std::abs(RowCurrent(r, 1) - total / shared / y), 0, 1e-9);
    EXPECT_NEAR(std::abs(RowCurrent(r, 2) - total / z2 / y), 0, 1e-9);
    EXPECT_NEAR(std::abs(RowCurrent(r, 3) - total / z3 / y), 0, 1e-9);
  }
}

TEST(ContourMatrix, MeshNeedsFillInAndStillClosesInOneStep) {
  // A 4 x 4 grid of nodes fed at a corner: nine contours whose elimination creates fill-ins.
  SchemeBuilder s;
  auto ns = [](int row, int col) { return row * 4 + col + 1; };
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      NodeSpec& n = s.Node(ns(row, col), row + col == 0 ? "B" : "");
      n.Um = 10;
      n.Ina = 0.01f * static_cast<float>(1 + (row * 3 + col) % 5);
      n.Inr = -0.004f * static_cast<float>(1 + col);
    }
  }
  int k = 0;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      ++k;
      if (col < 3) s.Branch(ns(row, col + 1), ns(row, col), 0.3 + 0.05 * (k % 4), 0.5 + 0.07 * (k % 3));
      if (row < 3) s.Branch(ns(row + 1, col), ns(row, col), 0.4 + 0.03 * (k % 5), 0.2 + 0.11 * (k % 2));
    }
  }
  TempDir dir;
  TRegime r;
  r.LoadType = 1;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  ASSERT_EQ(r.TotalContourCount, 9);
  r.FormMatrices();
  ASSERT_TRUE(r.MatricesFormed);
  // Every contour has a position and every position a contour.
  for (int c = 1; c <= 9; ++c) EXPECT_EQ(r.ContourOfPosition[r.PositionOfContour[c]], c);
  // Rows are linked in ascending column order above the diagonal.
  for (int p = 1; p <= 9; ++p) {
    int last = p;
    for (int e = r.FirstRowEntry[p]; e != 0; e = r.NextRowEntry[e]) {
      EXPECT_EQ(r.EntryRow[e], p);
      EXPECT_GT(r.EntryColumn[e], last);
      last = r.EntryColumn[e];
    }
  }
  OneCorrectedIteration(r);
  EXPECT_LT(LargestContourMismatch(r), 1e-9);
  // Kirchhoff's current law at every node: what flows in is what the load draws.
  for (int n = 2; n <= 16; ++n) {
    C balance;
    for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
      if (e->BranchIndex == 0) continue;
      if (e->Number == n) balance += e->I;
      if (e->Number2 == n) balance -= e->I;
    }
    const TRegimeElement* node = FindNode(r, n);
    EXPECT_NEAR(std::abs(balance - node->ILoad), 0, 1e-9) << "node " << n;
  }
}

TEST(ContourMatrix, ZeroContoursAndSchemesWithoutContours) {
  {
    // Two branches without impedance in parallel close a contour of zero impedance.
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    s.Node(2, "", 1, 0.5).Um = 10;
    s.Branch(2, 1, 0, 0).Nl = 1;
    s.Branch(2, 1, 0, 0).Nl = 2;
    TempDir dir;
    TRegime r;
    std::vector<std::string> errors;
    r.Errors = &errors;
    r.ShowMessages = true;
    ScriptedMsgBox box;
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead);
    errors.clear();
    r.FormMatrices();
    EXPECT_TRUE(r.ZeroContours);
    EXPECT_FALSE(r.MatricesFormed);
    EXPECT_FALSE(r.ModelError);
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors[0], "В схеме \"Тестовая схема\" имеются нулевые контура");
    EXPECT_EQ(errors[1], "Контур 1");
    ASSERT_EQ(box.Calls().size(), 1u);
    EXPECT_EQ(box.Calls()[0].kind, mkWarning);
    // The iterations refuse to run on it.
    r.RunIterations();
    EXPECT_FALSE(r.Converged);
  }
  {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    s.Node(2, "", 1, 0.5).Um = 10;
    s.Branch(2, 1, 1, 2);
    TempDir dir;
    TRegime r;
    s.Read(r, dir.Path());
    r.FormMatrices();
    EXPECT_TRUE(r.MatricesFormed);
    EXPECT_EQ(r.TotalContourCount, 0);
  }
}

TEST(ContourMatrix, FormingAgainKeepsTheRegimeReached) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 0.8, 0.4).Um = 10;
  s.Node(3, "", 0.6, 0.2).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  s.Branch(3, 2, 0.7, 1.2);
  s.Branch(3, 1, 1.5, 2.5);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  r.ApplyTimeData(0, 0, 0, 0, 0, false);
  r.FormMatrices();
  r.RunIterations();
  ASSERT_TRUE(r.Converged);
  const C u3 = FindNode(r, 3)->U;
  // The unit sweeps of the matrices must not leave the model without voltages: a second run goes on
  // from where the first stopped.
  r.FormMatrices();
  ASSERT_TRUE(r.MatricesFormed);
  EXPECT_NEAR(std::abs(FindNode(r, 3)->U - u3), 0, 1e-12);
  r.RunIterations();
  EXPECT_TRUE(r.Converged);
  EXPECT_NEAR(std::abs(FindNode(r, 3)->U - u3), 0, 1e-8);
  EXPECT_LE(r.ResidualsU.size(), 3u);
}

TEST(ContourMatrix, FixedVoltageNodeOfACableRingSettlesQuickly) {
  // Cables: R three times X. The angle of the node's fictitious branch and its current are corrected
  // together, linearised about the current state, so the node holds its voltage within a few iterations.
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.2, 0.6).Um = 10;
  NodeSpec& pv = s.Node(3, "U", 0.4, 0.1);
  pv.Um = 10.4f;
  s.Node(4, "", 0.9, 0.5).Um = 10;
  s.Branch(2, 1, 3.3, 1.1);
  s.Branch(3, 2, 3.9, 1.3);
  s.Branch(4, 3, 2.7, 0.9);
  s.Branch(4, 1, 4.2, 1.4);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-6;
  s.Read(r, dir.Path());
  ASSERT_EQ(r.TotalContourCount, 2);
  r.ApplyTimeData(0, 0, 0, 0, 0, false);
  r.FormMatrices();
  r.RunIterations();
  ASSERT_TRUE(r.Converged);
  EXPECT_NEAR(std::abs(FindNode(r, 3)->U), 10.4, 1e-6);
  // The fictitious branch gives reactive power only.
  const TRegimeElement* source = r.ContourEntry1[1];
  EXPECT_NEAR((source->U * std::conj(source->I)).real(), 0, 1e-6);
  EXPECT_LE(r.ResidualsU.size(), 12u);  // a correction linearised with the wrong sign takes about 55
}

}  // namespace
}  // namespace ld::test
