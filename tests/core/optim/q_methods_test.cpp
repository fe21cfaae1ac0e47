// The reactive steps on the two-node scheme against a golden-section optimum over regimes; the reactive
// regulation of a slice; two-transformer stations against losses worked out by hand, the letters written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/engine/scheme_builder.h"
#include "core/optim/q_fixture.h"
#include "core/optim/q_optim.h"
#include "core/optim/q_prepare.h"
#include "core/optim/q_regulate.h"
#include "core/optim/t2_stations.h"
#include "core/tables/file_guard.h"
#include "support/fuzz_mutations.h"
#include "support/test_env.h"

namespace ld::test::optim {
namespace {

struct Prepared {  // the two-node scheme read with its source table prepared
  TempDir dir;
  TRegime regime;
  TDataFile table;
  TQOptimState state;
  std::string path;

  explicit Prepared(std::initializer_list<QRow> rows) {
    path = WriteTwoNodeScheme(dir.Path());
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
    if (f1 < f2) b = x2, x2 = x1, f2 = f1, x1 = b - k * (b - a), f1 = LossesAt(p, x1);
    else a = x1, x1 = x2, f1 = f2, x2 = a + k * (b - a), f2 = LossesAt(p, x2);
  }
  return (a + b) / 2;
}

TEST(QOptim, TwoNodeOptimumAndEveryMethodReachesIt) {
  Prepared ref({{2}});
  EXPECT_NEAR(ref.F() * 1000, 21.3, 0.05);
  const double qStar = GoldenSection(ref, 0, 3000);
  EXPECT_NEAR(qStar, 1020.4, 0.3);
  EXPECT_NEAR(LossesAt(ref, qStar) * 1000, 10.205, 0.002);

  for (int method = 1; method <= 4; ++method) {
    Prepared p({{2}});
    p.F();
    TQMethodParams params;
    params.Ku = 0, params.EpsOpt = 1e-6;
    for (int step = 1; step <= 60 && (step == 1 || p.state.Gradient >= params.EpsOpt); ++step) {
      p.state.IterationCount = static_cast<std::int16_t>(step);
      QMethodStep(method, p.table, p.regime, p.state, params);
      p.F();
    }
    EXPECT_NEAR(p.Q(), qStar, 3) << "method " << method;
  }
}

TEST(QOptim, StepRulesBoundsAndNonConvergence) {
  // Method 0 moves by exactly dQt, up to the bound; bounds clamp even with a lower bound of 0.
  Prepared bounded({{2, 0, 0, 500}});
  bounded.F();
  DiscreteDescentStep(bounded.table, bounded.regime, bounded.state, bounded.state.Gradient, 1000, 0, 1, 1e-4);
  EXPECT_EQ(std::pair(bounded.Q(), GetColumnAs<DAdouble>("dQ", bounded.table)->Get(1)), std::pair(500.0, 500.0));
  Prepared steep({{2, 0, -200, 300}});
  steep.F();
  SteepestDescentStep(steep.table, steep.regime, steep.state, steep.state.Gradient, false, 0, 1, 1e-4);
  EXPECT_EQ(std::pair(steep.Q(), steep.state.Gradient), std::pair(300.0, 0.0));  // the only row was clamped

  // The coordinate descent with a payback limit fills the payback columns.
  Prepared eco({{2}});
  eco.state.InitialLoss = eco.F();
  CoordinateDescentStep(eco.table, eco.regime, eco.state, eco.state.Gradient, false, 3, 0, 1, 1e-4);
  const double years = GetColumnAs<DAdouble>("Umod", eco.table)->Get(1);
  EXPECT_TRUE(GetColumnAs<DAdouble>("U2min", eco.table)->Get(1) > 0 && years > 0 && years < 3.0001) << years;

  // A regime that does not converge gives -1; the next step makes no move and reports no gradient; the
  // evaluation after it starts again from fresh voltages.
  Prepared p({{2}});
  const double f0 = p.F();
  const std::size_t freshIterations = p.regime.ResidualsU.size();
  SetSourceGenerated(*p.state.Source[1], -400);
  EXPECT_EQ(p.F(), -1.0);
  DiscreteDescentStep(p.table, p.regime, p.state, p.state.Gradient, 10, 0, 1, 1e-4);
  EXPECT_EQ(std::pair(p.state.Gradient, p.Q()), std::pair(0.0, 0.0));
  SetSourceGenerated(*p.state.Source[1], 0);
  EXPECT_NEAR(p.F(), f0, 1e-12);
  EXPECT_EQ(p.regime.ResidualsU.size(), freshIterations);
}

// The functional: losses times Kdp plus Ku times the squared distance of each watched node beyond its
// bounds, the second watched node of a row as much as the first; a node watched by a negative number, or a
// bound of 0, adds nothing.
TEST(QOptim, FunctionalPenalisesBothWatchedNodesBySquaredDistance) {
  Prepared p({{2, 0, 0, 0, 2, 9.8, 0},
              {2, 0, 0, 0, -2, 9.8, 0, 1, 10.2, 0},
              {2, 0, 0, 0, 2, 9.0, 0, -2, 9.8, 9.6},
              {2, 0, 0, 0, 2, 0, 9.6, 2, 0, 0}});
  const double losses = p.F(0);
  const double u = std::abs(FindQNode(p.regime, 2)->U), u1 = std::abs(FindQNode(p.regime, 1)->U);
  ASSERT_TRUE(u > 9.6 && u < 9.8 && u1 < 10.2) << u << " " << u1;
  const double below = (9.8 - u) * (9.8 - u), second = (10.2 - u1) * (10.2 - u1), above = (u - 9.6) * (u - 9.6);
  EXPECT_NEAR(p.F(100), losses + 100 * (below + second + above), 1e-9);
  EXPECT_NEAR(ReactiveFunctional(p.table, p.regime, p.state, 2, 100, 2), 2 * losses + 100 * second, 1e-9);
  EXPECT_NEAR(ReactiveFunctional(p.table, p.regime, p.state, 3, 100, 1), losses, 1e-12);
}

// With static load characteristics the node step forms a node's reactive power again from its consumed
// and generated parts: a new total of a source moves the generated part by the same amount.
TEST(QOptim, ANewSourceTotalMovesTheGeneratedPart) {
  Prepared p({{2}});
  TRegimeElement& e = *p.state.Source[1];
  e.Load2 = Complex(0, 0.2);
  e.Load = e.Load1 + e.Load2;
  const Complex consumed = e.Load1;
  SetSourceTotal(e, e.Load.imag() + 0.5);
  EXPECT_EQ(e.Load1, consumed);
  EXPECT_NEAR(e.Load2.imag(), 0.7, 1e-12);
  EXPECT_NEAR(std::abs(e.Load - (e.Load1 + e.Load2)), 0, 1e-12);
  EXPECT_NEAR(SourceTotal(e), consumed.imag() + 0.7, 1e-12);
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
  EXPECT_DOUBLE_EQ(EconomicReactiveLimit(F(0.8 + h2), F(0.8), F(0.8 - h2), h2, 0.8, q0, 1, dP0, s, nullptr), q0);
}

// Newton forms its matrix once while refined steps are off and reuses it; a refined step forms it again.
TEST(QOptim, NewtonKeepsItsMatrixWhileStepsAreNotRefined) {
  Prepared p({{2}});
  int runs = 0;
  p.regime.OnStage = [&](const std::string& s) { runs += s == "Итерационный процесс"; };
  p.F();
  const auto step = [&](bool refined) {
    runs = 0;
    NewtonStep(p.table, p.regime, p.state, p.state.Gradient, refined, 0, 1, 1e-4);
    return runs;
  };
  EXPECT_EQ(step(false), 3);  // F0 and the two sides of the source
  EXPECT_TRUE(p.state.HessianReady);
  EXPECT_EQ(step(false), 2);  // the gradient only
  EXPECT_EQ(step(true), 3);
}

// A source in a part that no balancing node supplies costs the Newton matrix no regime runs, and a source
// whose pivot vanishes (a second source on the same bus, behind a branch without impedance) gets no step
// instead of a division by nothing; the other source steps as it does alone.
TEST(QOptim, NewtonStepsOnlySourcesThatMoveTheFunctional) {
  NominalVoltages classes;
  const auto newton = [](const std::vector<QRow>& rows, int& runs) {
    TempDir dir;
    const std::string path = (dir.Path() / "s").string();
    WriteNodeTable(path, {{1, "B", "И", 10}, {2, "", "Н", 10, 1, 1}, {3, "", "Ш", 10}, {4, "", "О", 10}, {5, "", "П", 10, 0.1, 0.1}});
    WriteBranchTable(path, {{1, 2, 1, 2}, {2, 3}, {4, 5, 1, 2}});
    TRegime regime;
    regime.Accuracy = 1e-10;
    regime.ReadScheme(path);
    regime.ApplyTimeData(0, 0, 0, 0, 0, false);
    regime.FormMatrices();
    TDataFile table;
    MakeSourceTable(table, rows);
    TQOptimState state;
    std::string error;
    EXPECT_TRUE(PrepareQRows(table, regime, state, nullptr, error)) << error;
    ReactiveFunctional(table, regime, state, -1, 0, 1);
    runs = 0;
    regime.OnStage = [&](const std::string& s) { runs += s == "Итерационный процесс"; };
    double gradient = 0;
    NewtonStep(table, regime, state, gradient, false, 0, 1, 1e-4);
    std::vector<double> q;
    for (int r = 1; r <= table.RowCount; ++r) q.push_back(GetColumnAs<DAdouble>("Qopt", table)->Get(r));
    return q;
  };
  int alone = 0, pair = 0, withIsland = 0;
  const double q = newton({{2}}, alone).at(0);
  EXPECT_NEAR(q, 955, 5);
  EXPECT_EQ(newton({{2}, {3}}, pair), (std::vector<double>{q, 0}));
  EXPECT_EQ(newton({{2}, {3}, {4}}, withIsland), (std::vector<double>{q, 0, 0}));
  EXPECT_EQ(withIsland, pair);
}

class QRegulation : public ::testing::Test {
protected:
  TempDir dir;
  TRegime regime;
  std::string path;
  std::string savedConfig = ConfigFileName;

  void SetUp() override {
    path = WriteTwoNodeScheme(dir.Path());
    ConfigFileName = dir / "prog.ini";
    regime.ReadScheme(path);
    RunRegime(regime);
  }
  void TearDown() override { ConfigFileName = savedConfig; }

  void Settings(const std::string& lines) { std::ofstream(ConfigFileName) << "[OptimQ]\n" << lines; }
  void WriteSources(const std::vector<QRow>& rows) { WriteSourceTable(path, rows); }
  TDataFile ReadSources() { return ReadSchemeTable(path, LayoutReactiveSources); }
  static double Cell(const TDataFile& t, const char* field, int row = 1) {
    return GetColumnAs<DAdouble>(field, t)->Get(row);
  }
};

TEST_F(QRegulation, MissingTableMissingNodeAndIterationLimit) {
  std::vector<std::string> log;
  RegulateQInLossCalc(regime, 1, log, "05.03.2004 10:00", false, {});
  EXPECT_TRUE(log.empty() && !std::filesystem::exists(path + GetMaketExtention(LayoutReactiveSources)));
  WriteSources({{2}, {17}});
  RegulateQInLossCalc(regime, 1, log, "05.03.2004 10:00", false, {});
  EXPECT_EQ(log, std::vector<std::string>{"Таблица оптимизации Q: узел 17 не найден"});

  // 10 kVAr a step cannot reach the optimum near 1020 kVAr within the engine's 100 iterations.
  log.clear(), Settings("Method=0\n");
  WriteSources({{2}});
  RegulateQInLossCalc(regime, 1, log, "05.03.2004 10:00", false, {});
  EXPECT_EQ(log, std::vector<std::string>{"Оптимизация Q: 05.03.2004 10:00 - точность оптимизации не достигнута"});
  EXPECT_NEAR(Cell(ReadSources(), "Qopt"), 1010, 1e-9);  // one step of 10 kVAr per iteration, 101 of them
  EXPECT_NEAR(FindQNode(regime, 2)->Load2.imag(), 1.010, 1e-9);  // the model keeps the powers reached
}

// A stop request ends only the regulation it was made in, which reports its accuracy not reached; the
// next call starts with its own flag clear.
TEST_F(QRegulation, OwnStopFlagClearedOnEveryCall) {
  Settings("Method=0\ndQt=100\n");
  WriteSources({{2}});
  std::vector<std::string> log;
  RegulateQInLossCalc(regime, 1, log, "a", false, {}, [] { return true; });
  EXPECT_EQ(Cell(ReadSources(), "Qopt"), 100);
  EXPECT_EQ(log, std::vector<std::string>{"Оптимизация Q: a - точность оптимизации не достигнута"});
  Settings("Method=4\nKu=0\n");
  RegulateQInLossCalc(regime, 1, log, "b", false, {});
  EXPECT_EQ(log.size(), 1u);
  EXPECT_NEAR(Cell(ReadSources(), "Qopt"), 1020.4, 3);
}

TEST_F(QRegulation, TableHoldsTheSliceAndGraphVoltagesHoldWatchedNodes) {
  Settings("Method=4\nKu=0\n");
  SetSourceGenerated(*FindQNode(regime, 2), 0.2);  // the slice's model holds 200 kVAr
  WriteSources({{2, 900, 0, 0, 2, 1, 20, -2, 1, 2}});
  LockTableFiles(path, GetMaketExtention(LayoutReactiveSources));
  std::vector<std::string> log;
  TSliceVoltages graphs;
  graphs.NodeVoltage[2] = 9.95;
  RegulateQInLossCalc(regime, 3, log, "срез", false, graphs);
  EXPECT_TRUE(log.empty() && std::filesystem::exists(path + GetMaketExtention(LayoutReactiveSources) + "~"));  // locked
  UnlockTableFiles(path, GetMaketExtention(LayoutReactiveSources));
  const TDataFile t = ReadSources();
  EXPECT_NEAR(Cell(t, "Qopt"), 1020.4, 3);
  EXPECT_NEAR(Cell(t, "dQ") + Cell(t, "Qish"), Cell(t, "Qopt"), 1e-9);
  EXPECT_DOUBLE_EQ(Cell(t, "Qish"), 200);
  EXPECT_EQ(std::pair(Cell(t, "Umin"), Cell(t, "U2min")), std::pair(9.95, 9.95));
  EXPECT_NEAR(FindQNode(regime, 2)->Load2.imag() * 1000, Cell(t, "Qopt"), 1e-9);

  // Held for the caller's own run: read once, the slices' results left in it, the file as it was.
  const std::string file = path + GetMaketExtention(LayoutReactiveSources), stored = ReadBytes(file);
  TDataFile held;
  RegulateQInLossCalc(regime, 3, log, "срез", false, graphs, {}, &held);
  EXPECT_EQ(ReadBytes(file), stored);
  WriteSources({{17}});  // read again, it would leave the next slice without its node
  RegulateQInLossCalc(regime, 3, log, "срез", false, graphs, {}, &held);
  EXPECT_TRUE(log.empty()) << log.front();
  EXPECT_NEAR(Cell(held, "Qopt"), 1020.4, 3);
  WriteBytes(file, stored);

  // With the node table written too.
  RegulateQInLossCalc(regime, 3, log, "срез", true, graphs);
  EXPECT_NEAR(GetColumnAs<DAdouble>("Qg", ReadSchemeTable(path, LayoutNodes))->Get(2), Cell(ReadSources(), "Qopt") * 0.001, 1e-12);
}

TEST_F(QRegulation, DamagedTableFilesNameTheFile) {
  Settings("Method=4\nKu=0\n");
  WriteSources({{2, 0, 0, 0, 2, 9, 11}});
  const std::string file = path + GetMaketExtention(LayoutReactiveSources);
  const std::string valid = ReadBytes(file);
  std::mt19937 random(27);
  for (int i = 0; i < 25; ++i) {
    WriteBytes(file, Mutate(valid, random));
    std::vector<std::string> log;
    try {
      RegulateQInLossCalc(regime, 1, log, "срез", false, {});
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
  // A table file of another layout under the table's name.
  std::filesystem::copy_file(path + GetMaketExtention(LayoutNodes), file, std::filesystem::copy_options::overwrite_existing);
  std::vector<std::string> log;
  try {
    RegulateQInLossCalc(regime, 1, log, "срез", false, {});
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Ошибка чтения файла \"" + file + "\": ", 0), 0u) << e.what();
  }
}

struct Station {
  TempDir dir;
  std::string path;
  TT2Optimiser opt;

  // Sections loaded with p MW each.
  explicit Station(double p) {
    IniRec.Prec = 1e-6f;
    path = (dir.Path() / "t2").string();
    WriteNodeTable(path, {{1, "B", "ПС1.Шины 10", 10, 0, 0, 0}, {2, "", "ПС1.С1", 10, p, 0, 0}, {3, "", "ПС1.С2", 10, p, 0, 0}});
    QBranch section(2, 3);  // between the sections, open
    section.Commut = "о";
    WriteBranchTable(path, {Transformer(1, 2, "Т1"), Transformer(1, 3, "Т2"), section});
  }
  ~Station() { IniRec.Prec = 0.001f; }
  TT2Cols Cols() {
    TT2Cols c;
    FillT2Cols(opt.Stations, c);
    return c;
  }
};

TEST(T2Stations, LightLoadSwitchesOneTransformerOffHeavyLoadKeepsBothUnsuppliedIsNoRow) {
  Station light(0.1);
  light.opt.Open(light.path);
  ASSERT_EQ(light.opt.RowCount(), 1);
  std::vector<std::string> lines;
  light.opt.Run(0.1, [&](const std::string& s) { lines.push_back(s); }, {}, {});
  TT2Cols c = light.Cols();
  // The two transformers are alike: which goes off is a matter of rounding (equal criteria take T1).
  const int off = c.STo->Get(1);
  ASSERT_TRUE(off == 1 || off == 2) << off;
  EXPECT_NEAR(c.dPr->Get(1), 0.927, 0.01);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[1].rfind("0. dP = 3.0", 0), 0u) << lines[1];
  EXPECT_EQ(lines.back().rfind("1. ПС1 Т1 (ТМ-630), Т2 (ТМ-630): 3 ==> " + std::to_string(off) + " ==> 0.9", 0), 0u)
      << lines.back();
  EXPECT_EQ(Letters(light.path), "--O");  // nothing written yet
  light.opt.Write();
  EXPECT_EQ(Letters(light.path), off == 1 ? "O--" : "-O-");
  EXPECT_EQ(std::pair(light.Cols().ST->Get(1), light.Cols().STo->Get(1)), std::pair(off, 0));

  Station heavy(0.25);
  heavy.opt.Open(heavy.path);
  heavy.opt.Run(0.1, {}, {}, {});
  EXPECT_EQ(std::tuple(heavy.Cols().STo->Get(1), heavy.Cols().dPr->Get(1), heavy.opt.SwitchingList().size()),
            std::tuple(0, 0.0f, std::size_t{1}));
  heavy.opt.Write();  // the found state written back: exactly one letter
  EXPECT_EQ(Letters(heavy.path), "--O");

  // A station that no balancing node supplies is no row.
  QBranch open(12, 13);
  open.Commut = "О";
  WriteNodeTable(heavy.path, {{1, "B", "ПС1", 10, 0, 0, 0}, {11, "", "ПС3", 10, 0, 0, 0}, {12, "", "ПС3.С1", 10, 0.1, 0, 0},
                              {13, "", "ПС3.С2", 10, 0.1, 0, 0}});
  WriteBranchTable(heavy.path, {Transformer(11, 12, "Т6"), Transformer(11, 13, "Т7"), open});
  heavy.opt.Open(heavy.path);
  EXPECT_EQ(heavy.opt.RowCount(), 0);
  heavy.opt.Write();  // and keeps its open section switch
  EXPECT_EQ(Letters(heavy.path), "--O");
}

// A saving that is exactly the threshold is no saving: the station stays as it is; just below it moves.
TEST(T2Stations, SavingOfExactlyTheThresholdIsRefused) {
  Station s(0.1);
  s.opt.Open(s.path);
  // The states in the order the search tries them, the present one last as the search finds it after a
  // pass: each criterion is then the very number the search compares.
  s.opt.ApplyState(1, 1);
  double c1 = s.opt.Evaluate(1).Criterion;
  s.opt.ApplyState(1, 2);
  c1 = std::min(c1, s.opt.Evaluate(1).Criterion);
  s.opt.ApplyState(1, 3);
  const double c0 = s.opt.Evaluate(1).Criterion;
  // A threshold whose MW value equals the saving to the last bit.
  double kw = (c0 - c1) * 1000;
  for (int i = 0; i < 64 && kw * 0.001 != c0 - c1; ++i) kw = std::nextafter(kw, kw * 0.001 < c0 - c1 ? 1e9 : 0);
  ASSERT_EQ(kw * 0.001, c0 - c1);
  s.opt.Run(kw, {}, {}, {});
  EXPECT_EQ(s.Cols().STo->Get(1), 0);
  s.opt.Run(std::nextafter(kw, 0.0) * 0.999999, {}, {}, {});
  EXPECT_NE(s.Cols().STo->Get(1), 0);
}

}  // namespace
}  // namespace ld::test::optim
