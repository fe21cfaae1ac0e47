#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "core/tables/file_guard.h"
#include "ktr_test_scheme.h"
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
  // Rows 1-4 alone (distinct branches); rows 5 and 6 a longitudinal and a transverse regulator of one
  // branch, pairing with each other.
  MakeKtrTable(t, {Row(0, 0, 0, 9, 10, 1.78f, 2), Row(1, 0, 0, 9, 10, 1.78f, 3), Row(0, 1, 0, 9, 10, 1.78f, 4),
                   Row(0, 0, 0, 9, 12, 1.78f, 5), Row(0, 0, 0, 9, 10, 1.78f, 6), Row(0, 0, 1, 9, 12, 1.5f, 6)});
  for (const auto& [row, k] : {std::pair{2, Complex(10.27171, 0)}, {4, Complex(11.01282, 0)}, {5, Complex(10.64064, 0.47045)}})
    ExpectComplex(Ratio(t, row), k, 5e-5, "row " + std::to_string(row));
  // The transverse row has no Knom of its own until the user enters it.
  TKtrCols c;
  FillKtrCols(t, c);
  (*c.Knom)[6] = 115.0f / 11.0f;
  ExpectComplex(Ratio(t, 6), Complex(10.64064, 0.47045), 5e-5, "row 6");

  // Correction branch of a longitudinal row: the step per tap carried through Knom - 1, onto the
  // correction branch's own nominal ratio, as a reduced winding.
  (*c.Nkor)[4] = 9;
  const double a = 0.01 * 3 * (-1.78 / (115.0 / 11.0 - 1));
  EXPECT_NEAR(Ratio(t, 4, true, 2.0).real(), 2.0 / (1 + a), 1e-5);
  // A 1:1 unit has no step per tap: refused rather than divided by zero.
  (*c.Knom)[4] = 1;
  std::complex<double> k(7, 7);
  EXPECT_FALSE(CalcRowRatio(c, 4, 0, true, 2.0, k));
  EXPECT_EQ(k, std::complex<double>(7, 7));
}

TEST(KtrModel, LossRoundingFactorFromTheAccuracy) {
  // round(0.5) is 0; a float accuracy of 0.001 is a little above it.
  EXPECT_EQ(std::tuple(LossRoundFactor(1e-4), LossRoundFactor(0.0005), LossRoundFactor(0.001f), LossRoundFactor(0)),
            std::tuple(10000, 10000, 1000, 1000));
  EXPECT_DOUBLE_EQ(RoundLosses(0.0125, 100), 0.01);
}

TEST(KtrModel, RecordsFromBranchRows) {
  MaketFileName = (DataDir() / "maket.zr").string();
  NominalVoltages classes({0.4, 6, 10, 20, 35, 110, 150});
  TDataFile b;
  ReadMaket(LayoutBranches, b);
  CreateColumns(b, 6);
  TBranchCols bc;
  FillBranchCols(b, bc);
  auto set = [&](int r, int n1, int n2, const char* name1, const char* name2, const char* typ, const char* reg,
                 float ul, float kta) {
    (*bc.N1)[r] = n1, (*bc.N2)[r] = n2, (*bc.Ul)[r] = ul, (*bc.Kta)[r] = kta, (*bc.Ktn)[r] = kta;
    bc.Name1->SetItem(r, name1), bc.Name2->SetItem(r, name2), bc.TypEqu->SetItem(r, typ), bc.Regulation->SetItem(r, reg);
  };
  set(1, 1, 2, "ПС.Т1", "ПС.10 кВ", "T2|ТДН|0", "ВН-РПН-П-19-10-1.78;ВН-ТПР-П-9-5-1.5", 115, 115.0f / 11.0f);
  bc.Ntpr[1] = 7;
  (*bc.R)[1] = 2.5f, (*bc.X)[1] = 55;
  set(2, 3, 4, "ПС.Т3", "ПС.Нейтраль", "T3|ТДТН|0", "вн-рпн-о-9-5-2.5", 115, 1);  // lower case, against the ratio
  set(3, 5, 6, "ПС.Т4", "ПС.6 кВ", "T2", "ВН-ТПР-П-9-5-1.5", 115, 115.0f / 6.3f);
  set(4, 4, 7, "ПС.Нейтраль", "ПС.35 кВ", "T3|ТДТН|1", "", 115, 115.0f / 38.5f);
  set(5, 4, 8, "ПС.Нейтраль", "ПС.10 кВ Т3", "T3|ТДТН|2", "", 115, 115.0f / 11.0f);
  set(6, 4, 9, "ПС.Нейтраль", "ПС.лишний", "T3|ТДТН|2", "", 115, 115.0f / 11.0f);

  TRecTr lon, tra;
  FillRecTr(bc, 1, lon, tra);
  EXPECT_EQ(std::tuple(lon.NameTr, lon.Reg, lon.Kotv, lon.Nnom, lon.Ntek, lon.Delta, lon.N1, lon.Node1, lon.U1max),
            std::tuple("ПС.Т1", 0, 19, 10, 10.0f, 1.78f, 2, "ПС.10 кВ", 10.5f));
  EXPECT_EQ(std::tuple(tra.Reg, tra.Kotv, tra.Nnom, tra.Ntek, tra.Knom, tra.N1), std::tuple(1, 9, 5, 7.0f, 0.0f, 0));
  // A three-winding high side controls the first two branches leaving its star point.
  FillRecTr(bc, 2, lon, tra);
  EXPECT_EQ(std::tuple(lon.Typ, lon.N1, lon.Node1, lon.U1max, lon.N2, lon.Node2, tra.Num1),
            std::tuple(1, 7, "ПС.35 кВ", 36.75f, 8, "ПС.10 кВ Т3", 0));
  // Only a transverse regulator: the longitudinal record keeps the branch and nothing of taps.
  FillRecTr(bc, 3, lon, tra);
  EXPECT_EQ(std::tuple(lon.Num1, lon.Kotv, tra.Kotv, tra.Ntek), std::tuple(5, 0, 9, 5.0f));
}

TEST(KtrModel, BindingPutsRatiosIntoTheModelInEitherOrientation) {
  KtrSlice s;
  TRegime& regime = s.regime;
  ASSERT_TRUE(regime.Converged);
  std::vector<Complex> before;
  for (TRegimeElement* e = regime.FirstElement; e; e = e->Next) before.push_back(e->U);

  const TDataFile branches = s.Read(".VET");
  TDataFile t;
  // Row 2 names transformer 3-1 from the source side.
  MakeKtrTable(t, {TapRow(1, 2, 4, 9.5f, 10.5f), TapRow(1, 3, 5, 9.5f, 10.5f)});
  TKtrModel model(regime, t);
  EXPECT_EQ(model.Bind(branches, false, true).What, TKtrBindError::None);
  model.RerunRegime();
  // At the nominal taps the model is the one read.
  std::size_t i = 0;
  for (TRegimeElement* e = regime.FirstElement; e; e = e->Next, ++i) {
    EXPECT_NEAR(std::abs(e->U - before[i]), 0, 1e-3) << e->Number;
  }
  TKtrCols c = model.Cols();
  EXPECT_NEAR(c.Kta->Get(2), 115.0 / 11.0, 1e-4);
  const double u4 = std::abs(model.NodeElement(1, 1)->U), u5 = std::abs(model.NodeElement(2, 1)->U);

  // Three taps up on the transformer fed from its N1: the element holds 1/K and R0/|K|².
  (*c.Ntek)[1] = 13;
  model.ApplyRowRatio(1);
  const TRegimeElement& t1 = *model.BranchElement(1);
  ASSERT_TRUE(t1.Flags & efReversed);
  const double k = 115.0 / 11.0 * (1 + 0.03 * 1.78);
  EXPECT_NEAR(t1.K.real(), 1 / k, 1e-7);
  EXPECT_NEAR(t1.R, 2.5 / (k * k), 1e-7);
  EXPECT_NEAR(t1.X, 55 / (k * k), 1e-6);
  // The same on the transformer stored the other way: the element holds the branch row's 1/K, and its
  // R and X, which are already on its own side, stay.
  (*c.Ntek)[2] = 13;
  model.ApplyRowRatio(2);
  const TRegimeElement& t2 = *model.BranchElement(2);
  ASSERT_FALSE(t2.Flags & efReversed);
  EXPECT_NEAR(t2.K.real(), 1 / k, 1e-7);
  EXPECT_NEAR(t2.R, 0.02, 1e-7);
  model.RerunRegime();
  EXPECT_TRUE(regime.Converged);
  // Both buses go down by about the 5.3 % of three taps.
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
  TDataFile branches;
  ReadTableFile(stem + ".VET", branches);
  TDataFile t;
  TRecTr tra = TapRow(1, 3, 0, 0, 0, 7);
  tra.Reg = 1, tra.Kotv = 9, tra.Nnom = 5, tra.Delta = 1.5f;
  MakeKtrTable(t, {TapRow(1, 2, 4, 9.5f, 10.5f, 12), TapRow(1, 3, 5, 9.5f, 10.5f, 11), tra});
  LockTableFiles(stem, ".VET");  // as the regime window holds it
  WriteKtrToBranches(t, branches, stem + ".VET", nullptr);
  EXPECT_TRUE(std::filesystem::exists(stem + ".VET~"));
  UnlockTableFiles(stem, ".VET");

  TDataFile back;
  ReadTableFile(stem + ".VET", back);
  TBranchCols b;
  FillBranchCols(back, b);
  EXPECT_NEAR(b.Kta->Get(1), 115.0 / 11.0 * (1 + 0.02 * 1.78), 1e-4);
  EXPECT_EQ(b.Notv.Get(1), 12);
  // Stored as 3-1: the reciprocal of the row's ratio, with the transverse part's sign turned.
  const std::complex<double> k2(115.0 / 11.0 * (1 + 0.01 * 1.78), 115.0 / 11.0 * 0.02 * 1.5);
  EXPECT_NEAR(b.Kta->Get(2), k2.real() / std::norm(k2), 1e-6);
  EXPECT_NEAR(b.Ktr->Get(2), -k2.imag() / std::norm(k2), 1e-6);
  EXPECT_EQ(std::tuple(b.Notv.Get(2), b.Ntpr.Get(2), b.Kta->Get(3)), std::tuple(11, 7, 0.0f));  // the cable stays
}

TEST(KtrModel, SettingsOfTheSearches) {
  TempDir dir;
  const std::string ini = dir / "prog.ini";
  TOptimTSettings s;
  ReadOptimTSettings(ini, s);
  EXPECT_EQ(std::tuple(s.KIter, s.Dn, s.Um), std::tuple("100", "0.1", false));
  s.KIter = "25", s.Ku = "2,5", s.Um = true;
  WriteOptimTSettings(ini, s);
  EXPECT_NE(ReadBytes(ini).find("[OptimT]\r\nKIter=25\r\n"), std::string::npos) << ReadBytes(ini);
  TOptimTSettings r;
  ReadOptimTSettings(ini, r);
  EXPECT_EQ(std::tuple(r.KIter, r.Ku, r.Um), std::tuple("25", "2,5", true));
}

}  // namespace
}  // namespace ld::test
