// Capacitive currents, the regime by coincidence coefficients, tgφ by voltage class, a fragment saved as
// a scheme and a scheme joined at its balancing nodes, each against values worked by hand.
#include <cmath>
#include <complex>

#include "core/engine/regime.h"
#include "core/regime/task_emk.h"
#include "core/regime/task_fragment.h"
#include "core/regime/task_koef.h"
#include "core/regime/task_regime.h"
#include "core/regime/task_tg.h"
#include "core/tables/file_guard.h"
#include "regime_test.h"
#include "support/raw_table.h"
#include "support/full_disk.h"

namespace ld::test {
namespace {

using C = std::complex<double>;
const double kSqrt3 = std::sqrt(3.0);

// ---- capacitive currents

class CapacitiveCurrents : public RegimeTest {
protected:
  // A 10 kV line 2-1 of 100 µS from the supply; a 10/0.4 kV transformer 3-2; a 110 kV line 4-1; a line
  // 5-2 off at both ends beside the line 5-1 that feeds node 5; the line 6-8 without supply.
  static SchemeBuilder Network() {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    s.Node(2, "", 0.5, 0.2).Um = 10;
    s.Nodes.back().Name = "рп-2";
    s.Node(3, "", 0.1, 0.05).Um = 0.4f;
    s.Node(4).Um = 110;
    s.Node(5).Um = 10;
    s.Nodes.back().Name = "Р";
    s.Node(6).Um = 10;
    s.Node(8).Um = 10;
    s.Branch(2, 1, 0.5, 1).B = 100;
    BranchSpec& t = s.Branch(3, 2, 0.01, 0.05);
    t.Kta = 0.04f;
    t.B = 300;
    s.Branch(4, 1, 1, 2).B = 200;
    s.Branch(5, 1, 0.5, 1);
    BranchSpec& off = s.Branch(5, 2, 0.5, 1);
    off.B = 50;
    off.Commut = "О";
    s.Branch(6, 8, 0.5, 1).B = 100;
    return s;
  }
  void Calculate(bool byRegime, const SchemeBuilder& scheme = Network()) {
    path = scheme.Write(dir.Path());
    PrepareTaskEngine(r, false);
    r.ReadScheme(path);
    ASSERT_FALSE(r.ModelError);
    nodes = ReadTable(path + ".UZL");
    branches = ReadTable(path + ".VET");
    FillNodeCols(nodes, nc);
    FillBranchCols(branches, bc);
    for (int i = 1; i <= bc.RowCount; ++i) (*bc.Iemk1)[i] = (*bc.Iemk2)[i] = 9;  // cleared by the run
    CalcCapacitiveCurrents(r, nc, bc, byRegime);
  }
  NominalVoltages classes;  // those of a fresh program
  std::string path;
  TRegime r;
  TDataFile nodes, branches;
  TNodeCols nc;
  TBranchCols bc;
};

TEST_F(CapacitiveCurrents, NominalVoltagesGiveTheLineItsCurrentAndStopAtOtherClasses) {
  Calculate(false);
  const double i = kSqrt3 * 0.001 * 10 * 100;  // 1.732 A
  EXPECT_NEAR(bc.Iemk1->Get(1), i, 1e-5);
  EXPECT_NEAR(bc.Iemk2->Get(1), i, 1e-5);
  EXPECT_NEAR(nc.Iemk->Get(2), -i, 1e-5);  // node 2 and the network it feeds: the transformer adds nothing
  EXPECT_NEAR(nc.Iemk->Get(1), -i, 1e-5);  // the supply sees the whole 10 kV network
  for (int row = 2; row <= 6; ++row) {
    EXPECT_EQ(bc.Iemk1->Get(row), 0.0f) << row;
    EXPECT_EQ(bc.Iemk2->Get(row), 0.0f) << row;
  }
  EXPECT_EQ(nc.Iemk->Get(3), 0.0f);  // 0.4 kV
  EXPECT_EQ(nc.Iemk->Get(4), 0.0f);  // 110 kV
  EXPECT_EQ(nc.Iemk->Get(6), 0.0f);  // without supply
  EXPECT_EQ(nc.Iemk->Get(7), 0.0f);
}

TEST_F(CapacitiveCurrents, TheViewsListSupplyPointsOrDistributionPoints) {
  Calculate(false);
  // The stored values are read from the tables, not from the calculation.
  TDataFile bp;
  BuildCapCurrentView(r, nodes, branches, TCapCurrentPoints::Supply, bp);
  TCapCurrentCols v;
  FillCapCurrentCols(bp, v);
  ASSERT_GE(v.RowCount, 2);
  EXPECT_EQ(v.N2->Get(1), 1);
  EXPECT_EQ(v.N1->Get(1), kRootNumber);
  EXPECT_EQ(bp.MarkRec->Get(1), 16);
  EXPECT_NEAR(v.Iemk2->Get(1), nc.Iemk->Get(1), 1e-6);
  EXPECT_EQ(v.Idx->Get(1), 1);
  EXPECT_EQ(v.N1->Get(2), 1);
  EXPECT_EQ(v.N2->Get(2), 2);
  EXPECT_EQ(v.Name2->GetItem(2), "рп-2");
  EXPECT_NEAR(v.Iemk1->Get(2), -bc.Iemk2->Get(1), 1e-6);
  EXPECT_EQ(v.Idx->Get(2), 1);
  EXPECT_EQ(bp.MarkRec->Get(2), 0);
  EXPECT_EQ(bp.Title, branches.Title);

  // "рп-2" is a distribution point whatever its letter case; "Р" is too short to be one.
  TDataFile rp;
  BuildCapCurrentView(r, nodes, branches, TCapCurrentPoints::Distribution, rp);
  FillCapCurrentCols(rp, v);
  // The transformer below it carries no row; the line 5-2, off at both ends, one of nothing.
  ASSERT_EQ(v.RowCount, 2);
  EXPECT_EQ(v.N2->Get(1), 2);
  EXPECT_EQ(v.N1->Get(2), 2);
  EXPECT_EQ(v.N2->Get(2), 5);
  EXPECT_EQ(v.Iemk1->Get(2), 0.0f);
  EXPECT_EQ(v.Idx->Get(2), 1);
  EXPECT_EQ(v.Name1->GetItem(1), "");
  EXPECT_NEAR(v.Iemk1->Get(1), -bc.Iemk1->Get(1), 1e-6);
  EXPECT_NEAR(v.Iemk2->Get(1), nc.Iemk->Get(2), 1e-6);
}

TEST_F(CapacitiveCurrents, CalculatedVoltagesScaleTheCurrents) {
  path = Network().Write(dir.Path());
  PrepareTaskEngine(r, false);
  std::vector<std::string> errors;
  ASSERT_EQ(RunTaskCalculation(r, path, errors), TTaskVerdict::Calculated);
  nodes = ReadTable(path + ".UZL");
  branches = ReadTable(path + ".VET");
  FillNodeCols(nodes, nc);
  FillBranchCols(branches, bc);
  CalcCapacitiveCurrents(r, nc, bc, true);
  const double u1 = std::abs(FindNode(r, 1)->U), u2 = std::abs(FindNode(r, 2)->U);
  EXPECT_LT(u2, u1);
  // The own end at the node's voltage, the parent's end at the parent's.
  EXPECT_NEAR(bc.Iemk1->Get(1), kSqrt3 * 0.001 * u2 * 100, 1e-5);
  EXPECT_NEAR(bc.Iemk2->Get(1), kSqrt3 * 0.001 * u1 * 100, 1e-5);
}

// A substation's bus held behind its supply node by a ratio within one class, as forming holds it: the
// supply node 1 (10 kV) with the buses 2 and 5 (10.5 kV, ratio 10/10.5), cables 2-3 of 60 µS and 3-4 of
// 40 µS under bus 2, 5-6 of 20 µS under bus 5 (a formed line's B is negative).
TEST_F(CapacitiveCurrents, ARatioWithinOneClassCarriesTheSumOnToTheSupply) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2).Um = 10.5f;
  s.Node(3, "", 0.2, 0.1).Um = 10;
  s.Node(4, "", 0.2, 0.1).Um = 10;
  s.Node(5).Um = 10.5f;
  s.Node(6, "", 0.1, 0.05).Um = 10;
  s.Branch(1, 2).Kta = 10 / 10.5f;
  s.Branch(2, 3, 0.04, 0.01).B = -60;
  s.Branch(3, 4, 0.5, 0.3).B = -40;
  s.Branch(1, 5).Kta = 10 / 10.5f;
  s.Branch(5, 6, 0.5, 0.3).B = -20;
  Calculate(false, s);
  // √3·0.001·U·ΣB at each node's own nominal voltage
  EXPECT_NEAR(nc.Iemk->Get(1), 2.078461, 1e-5);  // 10 kV × 120 µS: both buses' networks
  EXPECT_NEAR(nc.Iemk->Get(2), 1.818653, 1e-5);  // 10.5 kV × 100 µS
  EXPECT_NEAR(nc.Iemk->Get(5), 0.363731, 1e-5);  // 10.5 kV × 20 µS
  EXPECT_NEAR(nc.Iemk->Get(3), 1.732051, 1e-5);  // 10 kV × 100 µS
  EXPECT_NEAR(nc.Iemk->Get(4), 0.692820, 1e-5);  // 10 kV × 40 µS
  // The ratio branch feeds the bus's network from the supply end and has none of its own.
  EXPECT_NEAR(bc.Iemk1->Get(1), 1.818653, 1e-5);
  EXPECT_EQ(bc.Iemk2->Get(1), 0.0f);
  EXPECT_NEAR(bc.Iemk1->Get(2), 1.732051, 1e-5);  // 10 kV × 100 µS into the cable 2-3
  EXPECT_NEAR(bc.Iemk2->Get(2), 1.039230, 1e-5);  // its own 60 µS
  EXPECT_NEAR(bc.Iemk1->Get(4), 0.363731, 1e-5);

  // The supply point lists both ratio branches under it with the currents they carry.
  TDataFile bp;
  BuildCapCurrentView(r, nodes, branches, TCapCurrentPoints::Supply, bp);
  TCapCurrentCols v;
  FillCapCurrentCols(bp, v);
  ASSERT_EQ(v.RowCount, 3);
  EXPECT_EQ(std::tuple(v.N2->Get(1), v.Idx->Get(1)), std::tuple(1, 1));
  EXPECT_NEAR(v.Iemk2->Get(1), 2.078461, 1e-5);
  EXPECT_EQ(std::tuple(v.N1->Get(2), v.N2->Get(2), v.Idx->Get(2)), std::tuple(1, 2, 1));
  EXPECT_NEAR(v.Iemk1->Get(2), 1.818653, 1e-5);
  EXPECT_EQ(std::tuple(v.N1->Get(3), v.N2->Get(3), v.Idx->Get(3)), std::tuple(1, 5, 1));
  EXPECT_NEAR(v.Iemk1->Get(3), 0.363731, 1e-5);
}

// A 35 kV supply: its line is of a capacitive class, and the 35/10 kV transformer ends its network.
TEST_F(CapacitiveCurrents, A35kVNetworkEndsAtItsTransformer) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 35;
  s.Node(2).Um = 35;
  s.Node(3).Um = 10;
  s.Node(4, "", 1, 0.5).Um = 10;
  s.Branch(1, 2, 1, 2).B = -40;
  BranchSpec& t = s.Branch(3, 2, 0.5, 5);
  t.Kta = 10 / 35.0f;
  t.B = 50;  // magnetising, no capacitance
  s.Branch(3, 4, 0.5, 0.3).B = -100;
  Calculate(false, s);
  EXPECT_NEAR(nc.Iemk->Get(1), 2.424871, 1e-5);  // 35 kV × 40 µS
  EXPECT_NEAR(nc.Iemk->Get(2), 2.424871, 1e-5);
  EXPECT_NEAR(bc.Iemk1->Get(1), 2.424871, 1e-5);
  EXPECT_NEAR(bc.Iemk2->Get(1), 2.424871, 1e-5);
  EXPECT_EQ(std::tuple(bc.Iemk1->Get(2), bc.Iemk2->Get(2)), std::tuple(0.0f, 0.0f));
  EXPECT_NEAR(nc.Iemk->Get(3), 1.732051, 1e-5);  // the 10 kV network behind it: 10 kV × 100 µS
}

// The node and branch tables of the run reach the disk together: a disk that fills inside the second
// leaves both as they were.
TEST_F(CapacitiveCurrents, BothTablesAreWrittenOrNeither) {
  Calculate(false);
  LockTableFiles(path, SchemeLockExtensions());
  const std::string nodeBytes = ReadBytes(path + ".UZL"), branchBytes = ReadBytes(path + ".VET");
  TDataFile probe = ReadTable(path + ".UZL");
  WriteTableFile(dir / "probe.UZL", probe);
  try {
    FullDisk disk(std::filesystem::file_size(dir / "probe.UZL") + 16);
    RewriteLockedScheme(path, nodes, branches);
    ADD_FAILURE() << "written on a full disk";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), FullDiskMessage(path + ".VET"));
  }
  EXPECT_EQ(ReadBytes(path + ".UZL"), nodeBytes);
  EXPECT_EQ(ReadBytes(path + ".VET"), branchBytes);
  EXPECT_FALSE(std::filesystem::exists(path + ".UZL.new~"));

  RewriteLockedScheme(path, nodes, branches);
  EXPECT_TRUE(std::filesystem::exists(path + ".UZL~")) << "the run keeps its locks";
  UnlockTableFiles(path, SchemeLockExtensions());
  TNodeCols written;
  TDataFile n = ReadTable(path + ".UZL");
  FillNodeCols(n, written);
  EXPECT_NEAR(written.Iemk->Get(1), -kSqrt3 * 0.001 * 10 * 100, 1e-5);
  TBranchCols writtenBranches;
  TDataFile b = ReadTable(path + ".VET");
  FillBranchCols(b, writtenBranches);
  EXPECT_NEAR(writtenBranches.Iemk1->Get(1), kSqrt3 * 0.001 * 10 * 100, 1e-5);
  EXPECT_TRUE(NoLocks());
}

// Each setting the capacitive currents and the regime are calculated by reaches the files the commands
// write, read here from their bytes. The line's 100 µS at the supply's end carries √3·U·B/1000 A at the
// supply's 10.5 kV calculated, or at the nominal 10 kV. A 10 kV supply and 1 MW through 1 Ω, hand-solved:
// powers as loads give U2² - 10·U2 + 1 = 0, U2 = 5 + √24 kV, the engine's current 1/U2 kA shown per line
// (÷√3) or, as phase currents, whole; currents as loads (100/√3 A held) are 0.1 kA, U2 = 9.9 kV, 0.99 MW,
// and the same amperes as phase currents 0.1/√3 kA; no loads leave the supply's voltage, no current and
// the loads as given.
TEST_F(RegimeTest, EachSettingOfTheCalculationReachesTheFiles) {
  NominalVoltages classes;
  for (const bool byRegime : {true, false}) {
    IniRec.Uemk = byRegime;
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    s.Node(2).Um = 10;
    s.Branch(2, 1, 1, 2).B = 100;
    const std::string path = s.Write(dir.Path(), byRegime ? "по режиму" : "по номиналу");
    TRegime r;
    std::vector<std::string> errors;
    ASSERT_EQ(CalculateSchemeCapCurrents(r, path, errors), TTaskVerdict::Calculated) << byRegime;
    const std::vector<std::string> supplyEnd = RawColumn(path + ".VET", "Iemk2");
    ASSERT_EQ(supplyEnd.size(), 1u);
    EXPECT_NEAR(RawReal(supplyEnd[0]), kSqrt3 * (byRegime ? 10.5 : 10) * 100 / 1000, 1e-4) << byRegime;
  }
  // the regime's command loads the program's classes of voltages: run after the capacitive currents
  struct Case {
    const char* what;
    bool phase;
    std::uint8_t loads;
    double u2, irez, ina, pn;
  };
  const double u2 = 5 + std::sqrt(24.0), held = 0.1 / kSqrt3;
  for (const Case& c : {Case{"мощности", false, 0, u2, 1000 / (kSqrt3 * u2), 1000 / (kSqrt3 * u2), 1},
                        Case{"фазные токи", true, 0, u2, 1000 / u2, 1000 / u2, 1},
                        Case{"токи", false, 1, 9.9, 100 / kSqrt3, 100 / kSqrt3, 0.99},
                        Case{"токи, фазные", true, 1, 10 - held, 1000 * held, 100 / kSqrt3, (10 - held) * held},
                        Case{"без нагрузок", false, 2, 10, 0, 100 / kSqrt3, 1}}) {  // the loads as given
    IniRec.FlagIF = c.phase;
    IniRec.TypLoad = c.loads;
    SchemeBuilder s;
    s.Node(1, "B").Um = 10;
    NodeSpec& load = s.Node(2, "", 1, 0);
    load.Um = 10;
    load.Ina = static_cast<float>(100 / kSqrt3);
    s.Branch(2, 1, 1, 0);
    const std::string path = s.Write(dir.Path(), c.what);
    TRegime r;
    r.Accuracy = 1e-10;
    std::vector<std::string> errors;
    ASSERT_EQ(CalculateSchemeRegime(r, path, errors), TTaskVerdict::Calculated) << c.what;
    const std::vector<std::string> urez = RawColumn(path + ".UZL", "Urez"), ina = RawColumn(path + ".UZL", "Ina"),
                                   pn = RawColumn(path + ".UZL", "Pn"), irez = RawColumn(path + ".VET", "Irez");
    ASSERT_TRUE(urez.size() == 2 && ina.size() == 2 && pn.size() == 2 && irez.size() == 1) << c.what;
    EXPECT_NEAR(RawReal(urez[1]), c.u2, 1e-4) << c.what;
    EXPECT_NEAR(RawReal(irez[0]), c.irez, 1e-3) << c.what;
    EXPECT_NEAR(RawReal(ina[1]), c.ina, 1e-3) << c.what;
    EXPECT_NEAR(RawReal(pn[1]), c.pn, 1e-5) << c.what;
  }
}

// ---- coincidence coefficients

class Coincidence : public RegimeTest {
protected:
  // Supply 1; node 2 with loads 3 and 4 behind it, node 5 (reactive load only) behind 4.
  static SchemeBuilder Feeder(float kflow32 = 0) {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    s.Node(2, "", 0.4, 0.2).Um = 10;
    s.Node(3, "", 0.3, 0.1).Um = 10;
    s.Node(4, "", 0.2, 0.1).Um = 10;
    s.Node(5, "", 0, 0.3).Um = 10;
    s.Branch(2, 1, 0.2, 0.4);
    s.Branch(3, 2, 0.3, 0.3).Kflow = kflow32;
    s.Branch(4, 2, 0.3, 0.3);
    s.Branch(5, 4, 0.1, 0.1);
    return s;
  }
  void Read(const SchemeBuilder& s) {
    PrepareTaskEngine(r, false);
    r.Accuracy = 1e-9;
    r.ReadScheme(s.Write(dir.Path()));
    r.ApplyTimeData(0, 0, 0, 0, 0, false);
  }
  const TRegimeElement& Node(std::int32_t ns) { return *FindNode(r, ns); }
  TRegime r;
};

TEST_F(Coincidence, OneCoefficientIsThePlainLoadFlow) {
  // The feeder as it is, and with reactances unlike the resistances below node 2, whose reactive
  // losses then differ from the active ones on their way up.
  SchemeBuilder reactive = Feeder();
  reactive.Branches[2].X = 0.9f;
  reactive.Branches[3].X = 0.5f;
  for (const SchemeBuilder& s : {Feeder(), reactive}) {
    Read(s);
    CalcCoincidenceRegime(r, {1.0f});
    ASSERT_TRUE(r.Converged);
    TRegime plain;
    plain.Accuracy = 1e-9;
    plain.Calculate(s.Write(dir.Path(), "plain"), 0, 0, 0, 0, 0);
    ASSERT_TRUE(plain.Converged);
    for (std::int32_t ns : {2, 3, 4, 5}) {
      EXPECT_LT(std::abs(Node(ns).U - FindNode(plain, ns)->U), 1e-6) << ns;
      EXPECT_LT(std::abs(Node(ns).I - FindNode(plain, ns)->I), 1e-6) << ns;
    }
  }
}

TEST_F(Coincidence, CoefficientsByTheLoadsBehindWithTheLastForMoreAndKflowFirst) {
  Read(Feeder(0.5f));
  r.MaxIter = 100;
  CalcCoincidenceRegime(r, {1.0f, 0.8f});
  ASSERT_TRUE(r.Converged);
  // Three active loads behind 2-1 take the last coefficient; node 5 has no active load, so 4-2 carries
  // one load, as does 5-4 with none; 3-2 keeps its own 0.5.
  EXPECT_FLOAT_EQ(Node(2).Kflow, 0.8f);
  EXPECT_FLOAT_EQ(Node(4).Kflow, 1.0f);
  EXPECT_FLOAT_EQ(Node(5).Kflow, 1.0f);
  EXPECT_FLOAT_EQ(Node(3).Kflow, 0.5f);
  // The branch 3-2 carries half the load of node 3; 2-1 0.8 of all loads plus the losses behind it.
  const C s3 = Node(3).U * std::conj(Node(3).I);
  EXPECT_NEAR(s3.real(), 0.15, 1e-7);
  EXPECT_NEAR(s3.imag(), 0.05, 1e-7);
  const C s2 = Node(2).U * std::conj(Node(2).I);
  double lossP = 0;
  for (std::int32_t ns : {3, 4, 5}) lossP += std::norm(Node(ns).I) * Node(ns).R;
  EXPECT_NEAR(s2.real(), 0.8 * (0.4 + 0.3 + 0.2) + lossP, 1e-7);
}

TEST_F(Coincidence, TheFirstPassNeverEndsTheIteration) {
  Read(Feeder());
  r.Accuracy = 10;  // any real residual is within it
  CalcCoincidenceRegime(r, {1.0f});
  ASSERT_EQ(r.ResidualsU.size(), 2u);
  EXPECT_EQ(r.ResidualsU[0], "1000.000000");
  EXPECT_EQ(r.ResidualsLoop[1], "0");
  EXPECT_TRUE(r.Converged);
}

// ---- tgφ

TEST_F(RegimeTest, TgByClassPrintsTheClassesWithFlows) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Node(3, "", 0.5, 0.25).Um = 10;
  s.Branch(2, 1);
  const std::string path = s.Write(dir.Path());
  const std::vector<std::string> lines = TgByVoltageClassReport(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], " Uном    P переток  Q переток  tg(ф)");
  EXPECT_EQ(lines[1], " 10 кВ:      1.500      0.750  0.500");
  std::filesystem::remove(path + ".UZL");
  std::filesystem::remove(path + ".VET");
  EXPECT_EQ(TgByVoltageClassReport(path), std::vector<std::string>{" Uном    P переток  Q переток  tg(ф)"});
}

// ---- fragment

class Fragment : public RegimeTest {
protected:
  // Supply 1, node 2 on line 2-1, node 3 on line 3-2.
  void Calculate() {
    SchemeBuilder s;
    s.Title = "Схема";
    s.Node(1, "B").Um = 10.5f;
    s.Node(2, "", 1.0, 0.5).Um = 10;
    s.Nodes.back().Pg = 0.1;
    s.Node(3, "", 0.6, 0.3).Um = 10;
    s.Branch(2, 1, 1, 2);
    s.Branch(3, 2, 0.5, 1);
    path = s.Write(dir.Path());
    PrepareTaskEngine(r, false);
    r.Accuracy = 1e-10;
    std::vector<std::string> errors;
    ASSERT_EQ(RunTaskCalculation(r, path, errors), TTaskVerdict::Calculated);
    boxNodes = ReadTable(path + ".UZL");
    boxBranches = ReadTable(path + ".VET");
  }
  // What node 3 draws through 3-2, as node 2 sends it: its load and the line's losses.
  C SentTo3() const {
    const TRegimeElement* e3 = FindNode(r, 3);
    const C i = std::conj(C(0.6, 0.3) / e3->U);
    return C(0.6, 0.3) + std::norm(i) * C(0.5, 1);
  }
  std::vector<std::uint32_t> Flags() const {
    std::vector<std::uint32_t> f;
    for (const TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) f.push_back(e->Flags);
    return f;
  }
  std::string path;
  TRegime r;
  TDataFile boxNodes, boxBranches, nodes, branches;
};

TEST_F(Fragment, TheWholeSchemeComesBackWithItsNodeRowsReversed) {
  Calculate();
  BuildFragmentTables(r, boxNodes, boxBranches, {1, 2, 3}, {1, 2}, "Копия", nodes, branches);
  TNodeCols a, b;
  FillNodeCols(boxNodes, a);
  FillNodeCols(nodes, b);
  ASSERT_EQ(b.RowCount, 3);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(b.NS->Get(4 - k), a.NS->Get(k));
    EXPECT_EQ(b.Pg->Get(4 - k), a.Pg->Get(k));
    EXPECT_EQ(b.Qg->Get(4 - k), a.Qg->Get(k));
    EXPECT_EQ(b.Pn->Get(4 - k), a.Pn->Get(k));
  }
  EXPECT_EQ(nodes.Title, "Копия");
  TBranchCols x, y;
  FillBranchCols(boxBranches, x);
  FillBranchCols(branches, y);
  ASSERT_EQ(y.RowCount, 2);
  EXPECT_EQ(y.N1->Get(2), 3);
  EXPECT_EQ(y.R->Get(2), x.R->Get(2));
  EXPECT_EQ(branches.Title, "Копия");
}

TEST_F(Fragment, CutBranchesBecomeGenerationAtTheirFragmentNodes) {
  Calculate();
  const std::vector<std::uint32_t> before = Flags();
  // Nodes 2 and 3 without the line from the supply: node 2 receives what 2-1 delivered.
  BuildFragmentTables(r, boxNodes, boxBranches, {2, 3}, {2}, "Ф", nodes, branches);
  TNodeCols c;
  FillNodeCols(nodes, c);
  ASSERT_EQ(c.RowCount, 2);
  ASSERT_EQ(c.NS->Get(2), 2);  // reversed: the set's first row comes last
  const TRegimeElement* e2 = FindNode(r, 2);
  const C delivered = e2->U * std::conj(e2->I);
  EXPECT_NEAR(delivered.real(), 1.0 - 0.1 + SentTo3().real(), 1e-7);
  EXPECT_NEAR(c.Pg->Get(2), 0.1 + delivered.real(), 1e-7);
  EXPECT_NEAR(c.Qg->Get(2), delivered.imag(), 1e-7);
  EXPECT_EQ(c.Pg->Get(1), 0.0);  // node 3 keeps its own
  EXPECT_EQ(Flags(), before);

  // Nodes 1 and 2 without the line to node 3: node 2 gives up what it sent into 3-2.
  BuildFragmentTables(r, boxNodes, boxBranches, {1, 2}, {1}, "Ф", nodes, branches);
  FillNodeCols(nodes, c);
  ASSERT_EQ(c.NS->Get(1), 2);
  EXPECT_NEAR(c.Pg->Get(1), 0.1 - SentTo3().real(), 1e-7);
  EXPECT_NEAR(c.Qg->Get(1), -SentTo3().imag(), 1e-7);
  EXPECT_EQ(c.Pg->Get(2), 0.0);  // the supply is no border
  EXPECT_EQ(Flags(), before);
}

// ---- joining

class Join : public RegimeTest {
protected:
  void Build(double junctionPn) {
    SchemeBuilder open;
    open.Node(1, "B").Name = "ПС-1";
    open.Node(2, "", junctionPn, 1.0).Name = "ТП-2";
    open.Node(3, "", 0.5, 0.2).Name = "ТП-3";
    for (NodeSpec& n : open.Nodes) n.Um = 10;
    open.Branch(2, 1, 0.5, 1);
    open.Branch(3, 1, 0.5, 1);
    openPath = open.Write(dir.Path(), "open");

    SchemeBuilder added;
    added.Node(20, "B", 0.1, 0.05).Name = "тп-2";
    added.Node(40, "B").Name = "ПС-7";
    added.Node(41, "B").Name = "ПС-9";
    added.Node(3, "", 0.8, 0.4).Name = "А-3";
    added.Node(21, "", 0.6, 0.3).Name = "А-21";
    added.Node(30, "", 0.2, 0.1).Name = "Х";
    for (NodeSpec& n : added.Nodes) n.Um = 10;
    added.Branch(3, 20, 0.4, 0.8);
    added.Branch(21, 3, 0.4, 0.8);
    addedPath = added.Write(dir.Path(), "added");

    PrepareTaskEngine(r, false);
    r.Accuracy = 1e-10;
    std::vector<std::string> errors;
    ASSERT_EQ(RunTaskCalculation(r, addedPath, errors), TTaskVerdict::Calculated);
    a = ReadTable(addedPath + ".UZL");
    b = ReadTable(addedPath + ".VET");
    c = ReadTable(openPath + ".UZL");
    d = ReadTable(openPath + ".VET");
  }
  std::string openPath, addedPath;
  TRegime r;
  TDataFile a, b, c, d;
};

TEST_F(Join, JunctionTakesTheNumberAndGivesUpWhatTheAddedNetworkDraws) {
  Build(2.0);
  const double lossP = r.TotalLosses();
  const std::vector<std::string> missing = JoinSchemeTables(r, a, b, c, d, true);
  EXPECT_EQ(missing, (std::vector<std::string>{"ПС-7", "ПС-9"}));
  TNodeCols n;
  TBranchCols l;
  FillNodeCols(c, n);
  FillBranchCols(d, l);
  // The junction: number 20, its load less what 3 and 21 draw with the losses; its own load stays.
  EXPECT_EQ(n.NS->Get(2), 20);
  EXPECT_NEAR(n.Pn->Get(2), 2.0 - (0.8 + 0.6 + lossP), 1e-7);
  EXPECT_EQ(n.Pg->Get(2), 0.0);
  EXPECT_EQ(l.N1->Get(1), 20);  // the open scheme's line to the junction follows it
  EXPECT_EQ(l.N2->Get(1), 1);
  // Appended in tree order: the unmatched supplies at their numbers, 3 as 42 (the open scheme has a 3),
  // 21 as it is; 30 without supply stays out.
  ASSERT_EQ(n.RowCount, 3 + 4);
  EXPECT_EQ(n.NS->Get(4), 40);
  EXPECT_EQ(n.NS->Get(5), 41);
  EXPECT_EQ(n.NS->Get(6), 42);
  EXPECT_EQ(n.Name->GetItem(6), "А-3");
  EXPECT_EQ(n.NS->Get(7), 21);
  ASSERT_EQ(l.RowCount, 2 + 2);
  EXPECT_EQ(l.N1->Get(3), 42);
  EXPECT_EQ(l.N2->Get(3), 20);
  EXPECT_EQ(l.N1->Get(4), 21);
  EXPECT_EQ(l.N2->Get(4), 42);
}

TEST_F(Join, ALoadThatWouldTurnIntoGenerationStopsAtZeroWithTheSetting) {
  Build(1.0);
  const double lossP = r.TotalLosses();
  JoinSchemeTables(r, a, b, c, d, true);
  TNodeCols n;
  FillNodeCols(c, n);
  EXPECT_EQ(n.Pn->Get(2), 0.0);
  EXPECT_GT(n.Qn->Get(2), 0.0);  // 1 Mvar outweighs what is drawn
  Build(1.0);
  JoinSchemeTables(r, a, b, c, d, false);
  FillNodeCols(c, n);
  EXPECT_NEAR(n.Pn->Get(2), 1.0 - (0.8 + 0.6 + lossP), 1e-7);
}

// A fragment saved from a calculated scheme and joined back at its balancing node gives the scheme's own
// regime: the junction returns to its own load, the reactive part like the active one.
TEST_F(Join, AFragmentSavedAndJoinedBackGivesTheOriginalRegime) {
  SchemeBuilder whole;
  whole.Node(1, "B").Name = "ПС-1";
  whole.Node(2, "", 0.4, 0.3).Name = "ТП-2";
  whole.Nodes.back().Pg = 0.1, whole.Nodes.back().Qg = 0.05;
  whole.Node(3, "", 0.8, 0.6).Name = "ТП-3";
  whole.Node(4, "", 0.5, 0.4).Name = "ТП-4";
  for (NodeSpec& n : whole.Nodes) n.Um = 10;
  whole.Branch(2, 1, 0.5, 1);
  whole.Branch(3, 2, 0.4, 0.9);
  whole.Branch(4, 3, 0.3, 0.7);
  const std::string wholePath = whole.Write(dir.Path(), "whole");
  TRegime w;
  for (TRegime* engine : {&w, &r}) {
    PrepareTaskEngine(*engine, false);
    engine->Accuracy = 1e-10;
  }
  std::vector<std::string> errors;
  ASSERT_EQ(RunTaskCalculation(w, wholePath, errors), TTaskVerdict::Calculated);
  const C u2 = FindNode(w, 2)->U, u3 = FindNode(w, 3)->U, u4 = FindNode(w, 4)->U;
  const TDataFile wn = ReadTable(wholePath + ".UZL"), wb = ReadTable(wholePath + ".VET");

  // The open scheme: the supply and the junction, which carries what lies beyond it as its load. The
  // added one: the junction and what lies beyond, fed at the junction's voltage.
  BuildFragmentTables(w, wn, wb, {1, 2}, {1}, "open", c, d);
  BuildFragmentTables(w, wn, wb, {2, 3, 4}, {2, 3}, "added", a, b);
  TNodeCols n;
  FillNodeCols(a, n);
  ASSERT_EQ(n.NS->Get(3), 2);
  (*n.Sign)[3] = 'B';
  (*n.Um)[3] = static_cast<float>(std::abs(u2));
  (*n.Angle)[3] = std::arg(u2) * 180 / M_PI;
  openPath = dir / "open", addedPath = dir / "added";
  for (const auto& [path, table] : {std::pair{openPath, &c}, {openPath, &d}, {addedPath, &a}, {addedPath, &b}})
    WriteTableFile(path + table->Extention, *table);
  ASSERT_EQ(RunTaskCalculation(r, addedPath, errors), TTaskVerdict::Calculated);

  JoinSchemeTables(r, a, b, c, d, false);
  const std::string joinedPath = dir / "joined";
  WriteTableFile(joinedPath + c.Extention, c);
  WriteTableFile(joinedPath + d.Extention, d);
  TRegime joined;
  joined.Accuracy = 1e-10;
  joined.Calculate(joinedPath, 0, 0, 0, 0, 0);
  ASSERT_TRUE(joined.Converged);
  // The junction took the number 5 above the added scheme's 4.
  EXPECT_LT(std::abs(FindNode(joined, 5)->U - u2), 1e-8);
  EXPECT_LT(std::abs(FindNode(joined, 3)->U - u3), 1e-8);
  EXPECT_LT(std::abs(FindNode(joined, 4)->U - u4), 1e-8);
}

}  // namespace
}  // namespace ld::test
