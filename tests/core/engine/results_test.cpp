// Results written back into the node and branch tables, read back from the files: hand-solved values of
// a two-node line, a transformer whose table ends are the other way round, an unsupplied node.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <string>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class StandardVoltages {
public:
  StandardVoltages() : saved_(std::move(IniRec.UnomList)) {
    IniRec.UnomList = std::make_unique<DAdouble>();
    const double v[] = {0.4, 6, 10, 35, 110};
    for (int i = 0; i < 5; ++i) (*IniRec.UnomList)[i + 1] = v[i];
    IniRec.UnomList->Count = 5;
  }
  ~StandardVoltages() { IniRec.UnomList = std::move(saved_); }

private:
  std::unique_ptr<DAdouble> saved_;
};

struct Tables {
  TDataFile nodes, branches;
  explicit Tables(const std::string& path) {
    ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes);
    ReadTableFile(path + GetMaketExtention(LayoutBranches), branches);
  }
  double N(const char* field, int row) const { return TNumberColumn(field, nodes).Get(row); }
  double B(const char* field, int row) const { return TNumberColumn(field, branches).Get(row); }
  std::string BText(const char* field, int row) const { return TTextColumn(field, branches).Get(row); }
};

void SolveAndWrite(TRegime& r, bool sumSbal = false) {
  r.ApplyTimeData(0, 0, 0, 0, 0, false);
  r.FormMatrices();
  r.RunIterations();
  ASSERT_TRUE(r.Converged);
  r.WriteResults("", 0, false, sumSbal, 0, 5, 10, 0, true, nullptr, nullptr);
}

TEST(Results, TwoNodesAndAnUnsuppliedNode) {
  StandardVoltages voltages;
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5);  // no Um: the nominal voltage is filled in
  s.Node(3, "", 2.0, 1.0).Um = 10;  // no branch reaches it
  s.Branch(2, 1, 1.0, 2.0);
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-10;
  const std::string path = s.Read(r, dir.Path());
  SolveAndWrite(r);
  Tables t(path);

  EXPECT_NEAR(t.N("Urez", 2), 10.304909, 1e-6);
  EXPECT_NEAR(t.N("Angle", 2), -0.794318, 1e-6);
  EXPECT_EQ(t.N("Um", 2), 10);
  EXPECT_NEAR(t.N("Ina", 2), 0.0963592, 1e-6);  // conj(S)·U/|U|²
  EXPECT_NEAR(t.N("Inr", 2), -0.0498612, 1e-6);
  EXPECT_NEAR(t.N("Pbal", 2), 1.0, 1e-9);
  EXPECT_NEAR(t.N("Qbal", 2), 0.5, 1e-9);
  EXPECT_NEAR(t.N("Urez", 1), 10.5, 1e-9);
  EXPECT_NEAR(t.N("Pbal", 1), -1.0117712, 1e-7);  // the source gives load and losses
  EXPECT_NEAR(t.N("Qbal", 1), -0.5235425, 1e-7);

  EXPECT_EQ(t.BText("Name1", 1), "2");
  EXPECT_EQ(t.BText("Name2", 1), "1");
  EXPECT_NEAR(t.B("Irez", 1), 62.640, 1e-3);
  EXPECT_NEAR(t.B("Faza", 1), 152.6406, 1e-4);  // the current leaving N1 into the branch
  EXPECT_NEAR(t.B("Ia", 1), -0.0963592, 1e-6);
  EXPECT_NEAR(t.B("Ir", 1), 0.0498612, 1e-6);
  EXPECT_EQ(t.B("Ul", 1), 10);
  EXPECT_NEAR(t.B("U1", 1), 10.304909, 1e-5);
  EXPECT_NEAR(t.B("F1", 1), -0.794318, 1e-5);
  EXPECT_NEAR(t.B("U2", 1), 10.5, 1e-5);

  // The node without supply: no voltage, no current, and nothing that is not a number.
  EXPECT_EQ(t.N("Urez", 3), 0);
  EXPECT_EQ(t.N("Angle", 3), 0);
  EXPECT_EQ(t.N("Ina", 3), 0);
  EXPECT_EQ(t.N("Pbal", 3), 0);
  for (const char* field : {"Urez", "Angle", "Ina", "Inr", "Iga", "Igr", "Pbal", "Qbal", "Um"}) {
    for (int row = 1; row <= 3; ++row) EXPECT_TRUE(std::isfinite(t.N(field, row))) << field << row;
  }

  // With the balancing power counted as generation it moves into Pg and Qg.
  SolveAndWrite(r, true);
  Tables g(path);
  EXPECT_EQ(g.N("Pbal", 1), 0);
  EXPECT_EQ(g.N("Qbal", 1), 0);
  EXPECT_NEAR(g.N("Pg", 1), 1.0117712, 1e-7);
  EXPECT_NEAR(g.N("Qg", 1), 0.5235425, 1e-7);
}

TEST(Results, TransformerWhoseTableBeginsAtItsSource) {
  StandardVoltages voltages;
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2).Um = 10;
  s.Node(3, "", 0.3, 0.15).Um = 0.4f;
  s.Branch(2, 1, 0.5, 1.0);
  BranchSpec& t = s.Branch(2, 3, 1.0, 5.0);  // N1 = 10 kV side: U(N1) = 25·U(N2)
  t.Kta = 25;
  s.Nodes[1].Name = "РП-1";
  TempDir dir;
  TRegime r;
  r.Accuracy = 1e-10;
  const std::string path = s.Read(r, dir.Path());
  SolveAndWrite(r);
  Tables tb(path);
  const TRegimeElement* low = FindNode(r, 3);
  ASSERT_TRUE(low->Flags & efReversed);
  // The table's N1 is the 10 kV side: its name, its voltage and the current there, 25 times smaller.
  EXPECT_EQ(tb.BText("Name1", 2), "РП-1");
  EXPECT_EQ(tb.BText("Name2", 2), "3");
  EXPECT_NEAR(tb.B("U1", 2), std::abs(FindNode(r, 2)->U), 1e-5);
  EXPECT_NEAR(tb.B("U2", 2), std::abs(low->U), 1e-6);
  EXPECT_NEAR(tb.B("Irez", 2), 1000 * std::abs(low->I) / 25 / std::sqrt(3.0), 1e-3);
  EXPECT_NEAR(tb.B("Ia", 2), low->I.real() / 25, 1e-7);
  EXPECT_EQ(tb.B("Ul", 2), 10);  // the higher class of its two ends
  EXPECT_NEAR(tb.N("Urez", 3), std::abs(low->U), 1e-9);
}

TEST(Results, LockedSchemeIsWrittenAndStaysLocked) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Branch(2, 1, 1.0, 2.0);
  TempDir dir;
  TRegime r;
  const std::string path = s.Read(r, dir.Path());
  const std::string extensions = GetMaketExtention(LayoutNodes) + "," + GetMaketExtention(LayoutBranches);
  LockTableFiles(path, extensions);
  // A lock refuses every writer, its owner too: only an engine that knows of the locks gets through.
  EXPECT_THROW(SolveAndWrite(r), Error);
  r.LockFiles = true;
  SolveAndWrite(r);
  EXPECT_TRUE(std::filesystem::exists(path + GetMaketExtention(LayoutNodes) + "~"));
  EXPECT_TRUE(std::filesystem::exists(path + GetMaketExtention(LayoutBranches) + "~"));
  UnlockTableFiles(path, extensions);
  EXPECT_NEAR(Tables(path).N("Urez", 2), 10.304909, 1e-6);
}

}  // namespace
}  // namespace ld::test
