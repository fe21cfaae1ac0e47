// Parallel branches between the same two nodes: the loops they close on one another give the results of
// one branch of their combined impedance, the current of each copy its share of the combined one.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

struct Solved {
  TDataFile nodes, branches;
  double losses = 0;
  double N(const char* field, int row) const { return TNumberColumn(field, nodes).Get(row); }
  double B(const char* field, int row) const { return TNumberColumn(field, branches).Get(row); }
};

Solved Solve(const SchemeBuilder& s, const TempDir& dir, const std::string& stem) {
  TRegime r;
  r.Accuracy = 1e-10;
  const std::string path = s.Read(r, dir.Path(), stem);
  RunRegime(r);
  EXPECT_TRUE(r.Converged) << stem;
  r.WriteResults("", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
  Solved out;
  ReadTableFile(path + GetMaketExtention(LayoutNodes), out.nodes);
  ReadTableFile(path + GetMaketExtention(LayoutBranches), out.branches);
  out.losses = r.TotalLosses();
  return out;
}

// A ring 1 - 2 - 3 - 1 from the balancing node, the side 2 - 1 made of parallel branches (the rows
// given), the other sides single.
SchemeBuilder Ring(const std::vector<BranchSpec>& parallel) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 2.0, 0.9).Um = 10;
  s.Node(3, "", 1.1, 0.4).Um = 10;
  for (const BranchSpec& b : parallel) s.Branches.push_back(b);
  s.Branch(3, 2, 0.7, 1.1);
  s.Branch(3, 1, 2.5, 3.0).B = 4;
  return s;
}

BranchSpec Copy(float r, float x, float b) {
  BranchSpec s;
  s.N1 = 2;
  s.N2 = 1;
  s.R = r;
  s.X = x;
  s.B = b;
  return s;
}

TEST(ParallelBranches, CopiesGiveTheResultsOfTheirCombinedBranch) {
  TempDir dir;
  // Equal copies, and copies of two kinds (four of 0.8+j1.6, two of 1.6+j2.4): both against the one
  // branch of the admittances summed.
  const std::vector<std::vector<BranchSpec>> groups = {
      std::vector<BranchSpec>(60, Copy(0.8f, 1.6f, 2.5f)),
      {Copy(0.8f, 1.6f, 2), Copy(1.6f, 2.4f, 3), Copy(0.8f, 1.6f, 2), Copy(0.8f, 1.6f, 2), Copy(1.6f, 2.4f, 3),
       Copy(0.8f, 1.6f, 2)}};
  for (const auto& copies : groups) {
    std::complex<double> y;
    double b = 0;
    for (const BranchSpec& c : copies) {
      y += 1.0 / std::complex<double>(c.R, c.X);
      b += c.B;
    }
    const std::complex<double> z = 1.0 / y;
    const Solved many = Solve(Ring(copies), dir, "many" + std::to_string(copies.size()));
    const Solved one = Solve(Ring({Copy(static_cast<float>(z.real()), static_cast<float>(z.imag()), static_cast<float>(b))}),
                             dir, "one" + std::to_string(copies.size()));
    const std::string what = std::to_string(copies.size()) + " copies";
    // The combined branch's impedance went through single precision: agreement to about 1e-7.
    EXPECT_NEAR(many.losses, one.losses, 1e-6 * one.losses) << what;
    for (int row = 1; row <= 3; ++row) {
      EXPECT_NEAR(many.N("Urez", row), one.N("Urez", row), 2e-6) << what << ", node row " << row;
      EXPECT_NEAR(many.N("Angle", row), one.N("Angle", row), 2e-5) << what << ", node row " << row;
    }
    // Each copy carries its admittance's share of the combined current; the other branches the same.
    const int n = static_cast<int>(copies.size());
    double active = 0;
    for (int k = 1; k <= n; ++k) {
      const BranchSpec& c = copies[static_cast<std::size_t>(k - 1)];
      const double share = std::abs((1.0 / std::complex<double>(c.R, c.X)) / y);
      EXPECT_NEAR(many.B("Irez", k), one.B("Irez", 1) * share, 1e-4 * one.B("Irez", 1)) << what << ", copy " << k;
      active += many.B("Ia", k);
    }
    EXPECT_NEAR(active, one.B("Ia", 1), 1e-6) << what;
    for (int k = 1; k <= 2; ++k)
      EXPECT_NEAR(many.B("Irez", n + k), one.B("Irez", 1 + k), 1e-4 * one.B("Irez", 1 + k)) << what << ", side " << k;
  }
}

}  // namespace
}  // namespace ld::test
