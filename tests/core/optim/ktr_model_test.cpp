// The tap model (ratios of taps, binding to the engine, the write into the branch file), the tap
// regulation of a period slice, and the searches against the functional of every pair of taps.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "core/optim/ktr_regulate.h"
#include "core/optim/ktr_table.h"
#include "core/optim/t2_stations.h"
#include "ktr_test_scheme.h"
#include "support/fuzz_mutations.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

std::complex<double> Ratio(const TDataFile& table, int row, bool correction = false, double ktn = 0) {
  TKtrCols c;
  FillKtrCols(table, c);
  std::complex<double> k;
  EXPECT_TRUE(CalcRowRatio(c, row, PairKtrRows(c)[row], correction, ktn, k));
  return k;
}

TRecTr Row(int wind, int typ, int reg, int nnom, int ntek, float delta, std::int32_t num2 = 2) {
  TRecTr r;
  r.Num1 = 1, r.Num2 = num2, r.Knom = reg == 1 ? 0 : 115.0f / 11.0f;
  r.Wind = wind, r.Typ = typ, r.Reg = reg, r.Kotv = 19, r.Nnom = nnom, r.Ntek = ntek, r.Delta = delta;
  return r;
}

TEST(KtrModel, RatiosOfTapsForEveryWindingDirectionAndPartner) {
  MaketFileName = (DataDir() / "maket.zr").string();
  TDataFile t;
  // Rows 1-4 alone; rows 5 and 6 a longitudinal and a transverse regulator of one branch, a pair.
  MakeKtrTable(t, {Row(0, 0, 0, 9, 10, 1.78f, 2), Row(1, 0, 0, 9, 10, 1.78f, 3), Row(0, 1, 0, 9, 10, 1.78f, 4),
                   Row(0, 0, 0, 9, 12, 1.78f, 5), Row(0, 0, 0, 9, 10, 1.78f, 6), Row(0, 0, 1, 9, 12, 1.5f, 6)});
  for (const auto& [row, k] : {std::pair{2, Complex(10.27171, 0)}, {4, Complex(11.01282, 0)}, {5, Complex(10.64064, 0.47045)}})
    ExpectComplex(Ratio(t, row), k, 5e-5, "row " + std::to_string(row));
  // Correction branch of a longitudinal row: the step per tap carried through Knom - 1, onto the
  // correction branch's own nominal ratio, as a reduced winding.
  TKtrCols c;
  FillKtrCols(t, c);
  (*c.Nkor)[4] = 9;
  const double a = 0.01 * 3 * (-1.78 / (115.0 / 11.0 - 1));
  EXPECT_NEAR(Ratio(t, 4, true, 2.0).real(), 2.0 / (1 + a), 1e-5);
  // A 1:1 unit has no step per tap: refused rather than divided by zero.
  (*c.Knom)[4] = 1;
  std::complex<double> k(7, 7);
  EXPECT_TRUE(!CalcRowRatio(c, 4, 0, true, 2.0, k) && k == std::complex<double>(7, 7));
}

// The classes of the nominal-voltage list while a test runs.
struct Classes {
  std::unique_ptr<DAdouble> saved = std::move(IniRec.UnomList);
  Classes() {
    IniRec.UnomList = std::make_unique<DAdouble>();
    const double v[] = {0.4, 6, 10, 20, 35, 110, 150};
    for (int i = 0; i < 7; ++i) (*IniRec.UnomList)[i + 1] = v[i];
    IniRec.UnomList->Count = 7;
  }
  ~Classes() { IniRec.UnomList = std::move(saved); }
};

// Losses are compared rounded to the digit of the accuracy; round(0.5) is 0, and an accuracy of 0.0005
// read as a float stays a half, not a little more. The two-transformer stations round alike, and an
// accuracy of zero or less, or none at all, gives three digits there too.
TEST(KtrModel, LossRoundingFactorFromTheAccuracy) {
  EXPECT_EQ(std::tuple(LossRoundFactor(1e-4), LossRoundFactor(0.0005), LossRoundFactor(0.0005f), LossRoundFactor(0.001f),
                       LossRoundFactor(0)),
            std::tuple(10000, 10000, 10000, 1000, 1000));
  EXPECT_DOUBLE_EQ(RoundLosses(0.0125, 100), 0.01);
  for (const auto& [accuracy, digits] : std::vector<std::pair<double, int>>{
           {1e-4, 4}, {0.001, 3}, {0.01, 2}, {0, 3}, {-1e-4, 3}, {std::nan(""), 3}}) {
    int got = -1;
    double factor = 0;
    LossRounding(accuracy, got, factor);
    EXPECT_EQ(std::pair(got, factor), std::pair(digits, std::pow(10.0, digits))) << accuracy;
  }
}

TEST(KtrModel, ThreeWindingHighSideControlsTheFirstTwoBranchesOfItsStarPoint) {
  MaketFileName = (DataDir() / "maket.zr").string();
  Classes classes;
  TDataFile b;
  ReadMaket(LayoutBranches, b);
  CreateColumns(b, 4);
  TBranchCols bc;
  FillBranchCols(b, bc);
  auto set = [&](int r, int n1, int n2, const char* name2, const char* typ, const char* reg, float kta) {
    (*bc.N1)[r] = n1, (*bc.N2)[r] = n2, (*bc.Ul)[r] = 115, (*bc.Kta)[r] = kta, (*bc.Ktn)[r] = kta;
    bc.Name2->SetItem(r, name2), bc.TypEqu->SetItem(r, typ), bc.Regulation->SetItem(r, reg);
  };
  set(1, 3, 4, "ПС.Нейтраль", "T3|ТДТН|0", "вн-рпн-о-9-5-2.5", 1);
  set(2, 4, 7, "ПС.35 кВ", "T3|ТДТН|1", "", 115.0f / 38.5f);
  set(3, 4, 8, "ПС.10 кВ Т3", "T3|ТДТН|2", "", 115.0f / 11.0f);
  set(4, 4, 9, "ПС.лишний", "T3|ТДТН|2", "", 115.0f / 11.0f);

  TRecTr lon, tra;
  FillRecTr(bc, 1, lon, tra);
  EXPECT_EQ(lon.Typ, 1);
  EXPECT_EQ(tra.Num1, 0);
  EXPECT_EQ(lon.N1, 7);
  EXPECT_EQ(lon.Node1, "ПС.35 кВ");
  EXPECT_FLOAT_EQ(lon.U1min, 35);
  EXPECT_FLOAT_EQ(lon.U1max, 36.75f);
  EXPECT_EQ(lon.N2, 8);
  EXPECT_EQ(lon.Node2, "ПС.10 кВ Т3");
  EXPECT_FLOAT_EQ(lon.U2min, 10);
}

// A two-winding transformer's rows: the longitudinal one at the neutral tap when none is set, its low
// end the control node with limits from its class up by 5 %; the transverse one at its own tap, without
// a nominal ratio; a regulator of the transverse kind alone leaves the longitudinal row without taps.
TEST(KtrModel, RecordsFromATwoWindingBranchRow) {
  MaketFileName = (DataDir() / "maket.zr").string();
  Classes classes;
  TDataFile b;
  ReadMaket(LayoutBranches, b);
  CreateColumns(b, 3);
  TBranchCols bc;
  FillBranchCols(b, bc);
  auto set = [&](int r, int n1, int n2, const char* name2, const char* reg, float kta) {
    (*bc.N1)[r] = n1, (*bc.N2)[r] = n2, (*bc.Ul)[r] = 115, (*bc.Kta)[r] = kta, (*bc.Ktn)[r] = kta;
    bc.Name1->SetItem(r, "ПС.Т1"), bc.Name2->SetItem(r, name2), bc.TypEqu->SetItem(r, "T2|ТДН|0");
    bc.Regulation->SetItem(r, reg);
  };
  set(1, 1, 2, "ПС.10 кВ", "ВН-РПН-П-19-10-1.78;ВН-ТПР-П-9-5-1.5", 115.0f / 11.0f);
  bc.Ntpr[1] = 7;
  set(2, 5, 6, "ПС.6 кВ", "ВН-ТПР-П-9-5-1.5", 115.0f / 6.3f);
  set(3, 7, 8, "ПС.110 кВ", "ВН-РПН-П-19-10-1.78", 0);  // no ratio: the control node's class is the branch's

  TRecTr lon, tra;
  FillRecTr(bc, 1, lon, tra);
  EXPECT_EQ(std::tuple(lon.NameTr, lon.Reg, lon.Kotv, lon.Nnom, lon.Ntek, lon.Delta, lon.N1, lon.Node1),
            std::tuple("ПС.Т1", 0, 19, 10, 10.0f, 1.78f, 2, "ПС.10 кВ"));
  EXPECT_FLOAT_EQ(lon.U1min, 10);
  EXPECT_FLOAT_EQ(lon.U1max, 10.5f);
  EXPECT_EQ(std::tuple(tra.Reg, tra.Kotv, tra.Nnom, tra.Ntek, tra.Knom, tra.N1), std::tuple(1, 9, 5, 7.0f, 0.0f, 0));
  FillRecTr(bc, 2, lon, tra);
  EXPECT_EQ(std::tuple(lon.Num1, lon.Kotv, tra.Kotv, tra.Ntek), std::tuple(5, 0, 9, 5.0f));
  FillRecTr(bc, 3, lon, tra);
  EXPECT_FLOAT_EQ(lon.U1min, 110);
  EXPECT_FLOAT_EQ(lon.U1max, 115.5f);
}

TEST(KtrModel, BindingPutsRatiosIntoTheModelInEitherOrientation) {
  KtrSlice s;
  TRegime& regime = s.regime;
  std::vector<Complex> before;
  for (TRegimeElement* e = regime.FirstElement; e; e = e->Next) before.push_back(e->U);
  const TDataFile branches = s.Read(".VET");
  TDataFile t;  // row 2 names transformer 3-1 from the source side
  MakeKtrTable(t, {TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 9.5f, 10.5f)});
  TKtrModel model(regime, t);
  EXPECT_EQ(model.Bind(branches, false, true).What, TKtrBindError::None);
  model.RerunRegime();
  std::size_t i = 0;  // at the nominal taps the model is the one read
  for (TRegimeElement* e = regime.FirstElement; e; e = e->Next, ++i) EXPECT_NEAR(std::abs(e->U - before[i]), 0, 1e-3);
  TKtrCols c = model.Cols();
  const double u4 = std::abs(model.NodeElement(1, 1)->U), u5 = std::abs(model.NodeElement(2, 1)->U);

  // Three taps up on the transformer fed from its N1: the element holds 1/K and R0/|K|².
  (*c.Ntek)[1] = 13;
  model.ApplyRowRatio(1);
  const TRegimeElement& t1 = *model.BranchElement(1);
  const double k = 115.0 / 11.0 * (1 + 0.03 * 1.78);
  EXPECT_TRUE(t1.Flags & efReversed);
  EXPECT_NEAR(std::abs(t1.K.real() - 1 / k) + std::abs(t1.X - 55 / (k * k)), 0, 1e-6);
  // The same on the transformer stored the other way: the element holds the branch row's 1/K, and its
  // R and X, which are already on its own side, stay.
  (*c.Ntek)[2] = 13;
  model.ApplyRowRatio(2);
  const TRegimeElement& t2 = *model.BranchElement(2);
  EXPECT_FALSE(t2.Flags & efReversed);
  EXPECT_NEAR(std::abs(t2.K.real() - 1 / k) + std::abs(t2.R - 0.02), 0, 1e-7);
  model.RerunRegime();  // both buses go down by about the 5.3 % of three taps
  EXPECT_NEAR(std::abs(model.NodeElement(1, 1)->U) / u4, 1 / 1.0534, 0.01);
  EXPECT_NEAR(std::abs(model.NodeElement(2, 1)->U) / u5, 1 / 1.0534, 0.01);

  // What stops a binding, and where (the regulation tests read the texts).
  (*c.Delta)[2] = 0;
  TKtrBindError e = model.Bind(branches, false, true);
  EXPECT_EQ(std::pair(e.What, e.Row), std::pair(TKtrBindError::Params, 2));
  (*c.Delta)[2] = 1.78f, (*c.Nkor)[2] = 4;
  e = model.Bind(branches, false, true);
  EXPECT_EQ(std::tuple(e.What, e.A, e.B), std::tuple(TKtrBindError::Correction, 4, 1));
}

TEST(KtrModel, WritingRatiosAndTapsIntoTheBranchFile) {
  TempDir dir;
  const std::string stem = TwoTransformers().Write(dir.Path().string());
  TDataFile branches, t;
  ReadTableFile(stem + ".VET", branches);
  TRecTr tra = TapRow(1, 3, 0, 0, 0, 7);
  tra.Reg = 1, tra.Kotv = 9, tra.Nnom = 5, tra.Delta = 1.5f;
  MakeKtrTable(t, {TapRow(1, 2, 4, 9.5f, 10.5f, 12), TapRow(1, 3, 5, 9.5f, 10.5f, 11), tra});
  WriteKtrWithBranches(t, branches, stem, nullptr);

  TDataFile back;
  ReadTableFile(stem + ".VET", back);
  TBranchCols b;
  FillBranchCols(back, b);
  EXPECT_NEAR(b.Kta->Get(1), 115.0 / 11.0 * (1 + 0.02 * 1.78), 1e-4);
  // Stored as 3-1: the reciprocal of the row's ratio, with the transverse part's sign turned.
  const std::complex<double> k2(115.0 / 11.0 * (1 + 0.01 * 1.78), 115.0 / 11.0 * 0.02 * 1.5);
  ExpectComplex({b.Kta->Get(2), b.Ktr->Get(2)}, 1.0 / k2, 1e-6, "stored reversed");
  EXPECT_EQ(std::tuple(b.Notv.Get(1), b.Notv.Get(2), b.Ntpr.Get(2), b.Kta->Get(3)), std::tuple(12, 11, 7, 0.0f));
}

// The tap table's slice with the program INI file in the scheme's folder; Table() reads the table back.
struct Slice : KtrSlice {
  std::string savedConfig = ConfigFileName;
  std::vector<std::string> log;
  TDataFile table;
  TKtrCols c;

  explicit Slice(const KtrScheme& scheme = TwoTransformers()) : KtrSlice(scheme) { ConfigFileName = dir / "prog.ini"; }
  ~Slice() { ConfigFileName = savedConfig; }
  const TKtrCols& Table() { return table = Read(".KTR"), FillKtrCols(table, c), c; }
  bool Run(const TKtrSliceVoltages& v = {}, bool write = false) { return RegulateKtrInLossCalc(regime, v, log, write); }
};

TEST(KtrRegulate, WithoutRowsNothingHappensUnreadableSettingsAndInputErrorsAreLinesOfTheLog) {
  ScriptedMsgBox box;
  Slice s;
  EXPECT_TRUE(!s.Run() && !std::filesystem::exists(s.stem + ".KTR"));
  s.WriteTable({});
  int runs = 0;
  s.regime.OnStage = [&](const std::string& stage) { runs += stage == "Итерационный процесс"; };
  EXPECT_FALSE(s.Run());
  EXPECT_TRUE(runs == 1 && s.log.empty() && s.regime.Converged && box.Calls().empty());

  // Defaults are used when the settings cannot be read.
  WriteBytes(ConfigFileName, "[OptimT]\r\nKu=abc\r\n");
  s.WriteTable({TapRow(1, 2, 4, 10.8f, 10.9f)});
  EXPECT_TRUE(s.Run());
  EXPECT_EQ(s.log, std::vector<std::string>{"Оптимизация Ктр: ошибка чтения файла конфигурации " + ConfigFileName});
  // An iteration limit that is no number is the default limit, not a single pass: the two buses tied by
  // a cable need more than one pass to settle.
  auto taps = [](const char* settings) {
    Slice t;
    if (*settings != 0) WriteBytes(ConfigFileName, settings);
    t.WriteTable({TapRow(1, 2, 4, 10.6f, 10.7f), TapRow(1, 3, 5, 9.5f, 9.6f)});
    t.Run();
    EXPECT_TRUE(t.log.empty()) << settings;
    return std::pair(t.Table().Ntek->Get(1), t.Table().Ntek->Get(2));
  };
  EXPECT_EQ(taps("[OptimT]\r\nKIter=abc\r\n"), taps(""));
  EXPECT_NE(taps("[OptimT]\r\nKIter=1\r\n"), taps(""));

  // Input errors are lines of the log.
  s.log.clear();
  std::filesystem::remove(ConfigFileName);
  const TRecTr good = TapRow(1, 2, 4, 9.5f, 10.5f);
  TRecTr noDelta = good;
  noDelta.Delta = 0;
  TRecTr excluded = noDelta;
  excluded.Reg = -1;  // stored as excluded: never checked
  s.WriteTable({good, excluded, good, good, noDelta});
  EXPECT_FALSE(s.Run());
  s.WriteTable({good, TapRow(3, 7, 4, 9.5f, 10.5f)});
  EXPECT_FALSE(s.Run());
  TRecTr oneToOne = good;  // a correction branch of a 1:1 unit would take its step through Knom - 1 = 0
  oneToOne.Knom = 1;
  s.WriteTable({good, oneToOne});
  TDataFile withCorrection = s.Read(".KTR");
  (*GetColumnAs<DALongint>("Nkor", withCorrection))[2] = 3;
  WriteTableFile(s.stem + ".KTR", withCorrection);
  EXPECT_FALSE(s.Run());
  EXPECT_EQ(s.log, (std::vector<std::string>{"Таблица оптимизации Ктр: не заданы параметры в строке5",
                                             "Таблица оптимизации Ктр: линия 3 - 7 не найдена",
                                             "Таблица оптимизации Ктр: не заданы параметры в строке2"}));
  EXPECT_TRUE(box.Calls().empty());
}

TEST(KtrRegulate, VoltageGraphHoldsTheNodeAndTheBranchFileStays) {
  Slice s;
  s.WriteTable({TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 9.0f, 11.0f)});
  const std::string branchBytes = ReadBytes(s.stem + ".VET");
  TKtrSliceVoltages v;
  v.ByNodeRow = {0, 0, 0, 0, 10.9, 0};  // node 4 is row 4
  EXPECT_TRUE(s.Run(v) && s.log.empty());
  EXPECT_NEAR(std::abs(FindNode(s.regime, 4)->U), 10.9, 0.11);  // within half a tap of the graph's voltage
  // Node 5 has no voltage in the graph: its band stays the table's, not a band at 0 kV.
  EXPECT_GE(std::abs(FindNode(s.regime, 5)->U), 9.0);

  const TKtrCols& c = s.Table();  // lower taps raise the 10 kV side
  EXPECT_LT(c.Ntek->Get(1), 10);
  EXPECT_NEAR(c.Kta->Get(1), kKnom * (1 + 0.0178 * (c.Ntek->Get(1) - 10)), 1e-4);
  // The graph held the node for this slice; the user's limits stay in the table.
  EXPECT_EQ(std::pair(c.U1min->Get(1), c.U1max->Get(1)), std::pair(9.5f, 10.5f));
  EXPECT_EQ(ReadBytes(s.stem + ".VET"), branchBytes);

  // Asked to, it writes the taps into the branch file.
  s.Calculate();
  s.Run(v, true);
  TDataFile b = s.Read(".VET");
  TBranchCols bc;
  FillBranchCols(b, bc);
  EXPECT_EQ(bc.Notv.Get(1), static_cast<int>(c.Ntek->Get(1)));
}

TEST(KtrRegulate, ASwitchedOffTransformerIsLeftForThatSliceOnly) {
  KtrScheme scheme = TwoTransformers();
  scheme.Branches[1].Commut = "О";
  Slice s(scheme);
  s.WriteTable({TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 10.7f, 10.8f)});
  s.Run();
  EXPECT_EQ(std::pair(s.Table().RegOf(2), s.Table().Ntek->Get(2)), std::pair(0, 10.0f));
  // Switched on again in a later slice, it is regulated.
  scheme.Branches[1].Commut.clear();
  scheme.Write(s.dir.Path().string());
  s.Calculate();
  EXPECT_TRUE(s.Run());
  EXPECT_TRUE(s.Table().Ntek->Get(2) != 10 && s.log.empty());
}

TEST(KtrRegulate, DamagedTableFileIsReportedByName) {
  Slice s;
  s.WriteTable({TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 9.0f, 11.0f)});
  const std::string valid = ReadBytes(s.stem + ".KTR");
  std::mt19937 random(26);
  for (int i = 0; i < 20; ++i) {
    WriteBytes(s.stem + ".KTR", Mutate(valid, random));
    s.log.clear();
    s.Run();
    for (const std::string& line : s.log)
      EXPECT_TRUE(line.find("Ошибка") == std::string::npos || line.find("scheme.KTR") != std::string::npos) << line;
  }
}

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

TEST(KtrModel, SettingsOfTheSearchesRoundTrip) {
  TempDir dir;
  const std::string ini = dir / "prog.ini";
  TOptimTSettings s;
  ReadOptimTSettings(ini, s);
  EXPECT_EQ(s.KIter + " " + s.Kdp + " " + s.Ku + " " + s.Du + " " + s.Dn, "100 1 100 0.1 0.1");
  s.KIter = "25";
  s.Ku = "2,5";
  s.Um = true;
  WriteOptimTSettings(ini, s);
  TOptimTSettings r;
  ReadOptimTSettings(ini, r);
  EXPECT_EQ(r.KIter + " " + r.Ku + " " + r.Du, "25 2,5 0.1");
  EXPECT_TRUE(r.Um);
}

}  // namespace
}  // namespace ld::test
