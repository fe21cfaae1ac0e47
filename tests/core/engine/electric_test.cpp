// Electrical helper formulas: nominal voltages, branch flows against the power balance and hand values,
// tap regulation, regulator texts and the loss sums over scheme and energy tables; the losses of a
// calculated regime, voltage checks per class of the voltage-class catalogue, and branch current and
// flow limits against end currents derived by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <vector>

#include "core/base/settings.h"
#include "core/engine/electric.h"
#include "core/engine/electric_sums.h"
#include "core/engine/regime.h"
#include "core/engine/results.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// A class written negative is only left out of the voltage checks: it must neither capture every voltage
// nor stop being the class of its own voltages.
TEST(Electric, NearestNominalVoltageTakesNegativeClassesAsTheirOwnVoltage) {
  NominalVoltages list({-10, 0, 6, 35});
  EXPECT_EQ(NearestNominalVoltage(10.5), 10);
  EXPECT_EQ(NearestNominalVoltage(6.3), 6);
}

// Without a catalogue every class takes the default limits: below by the first, above by the second.
TEST(Losses, VoltageDeviationsAgainstTheDefaultLimits) {
  TempDir dir;
  NominalVoltages voltages({10});
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2).Um = 10;
  s.Branch(2, 1, 1, 1);
  TRegime r;
  s.Read(r, dir.Path());
  const_cast<TRegimeElement*>(FindNode(r, 1))->U = 9.3;   // -7 %: within 7.5 %
  const_cast<TRegimeElement*>(FindNode(r, 2))->U = 10.3;  // +3 %: over 2.5 %
  bool under = false, over = false;
  r.CheckVoltageDeviations(dir / "missing.cat", under, 7.5, 2.5, over);
  EXPECT_EQ(std::to_string(r.UnderVoltageCount) + "/" + std::to_string(r.OverVoltageCount), "0/1");
}

// Classes of the catalogue take their own limits and a class it lacks the default ones, whatever order
// the nodes of the classes come in.
TEST(Losses, VoltageDeviationsByTheClassesOfTheCatalogue) {
  TempDir dir;
  NominalVoltages voltages({0.4, 6, 10});
  TDataFile catalogue;
  ReadMaket(LayoutNominalVoltages, catalogue);
  CreateColumns(catalogue, 2);
  const double classes[][3] = {{10, 5, 5}, {0.4, 10, 10}};
  for (int row = 1; row <= 2; ++row) {
    (*GetColumnAs<DAdouble>("Unom", catalogue))[row] = classes[row - 1][0];
    (*GetColumnAs<DAdouble>("dUm", catalogue))[row] = classes[row - 1][1];
    (*GetColumnAs<DAdouble>("dUp", catalogue))[row] = classes[row - 1][2];
  }
  WriteTableFile(dir / "sprav_UN.cat", catalogue);

  // In tree order the classes alternate: 10, 10, 0.4, 10, 0.4, 6, 10 kV.
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  const float um[] = {10, 0.4f, 10, 0.4f, 6, 10};
  for (int n = 2; n <= 7; ++n) s.Node(n).Um = um[n - 2];
  s.Branch(2, 1, 1, 1);
  s.Branch(3, 2, 1, 1);
  s.Branch(4, 2, 1, 1);
  s.Branch(5, 4, 1, 1);
  s.Branch(6, 4, 1, 1);
  s.Branch(7, 6, 1, 1);
  TRegime r;
  s.Read(r, dir.Path());
  const double u[] = {10.6, 9.6, 0.37, 9.4, 0.43, 6.2, 10.3};
  for (int n = 1; n <= 7; ++n) const_cast<TRegimeElement*>(FindNode(r, n))->U = u[n - 1];
  // +6 % over 5; -4 % within 5; -7.5 % within 10; -6 % under 5; +7.5 % within 10; 6 kV by the default
  // limits: +3.3 % over 2.5; +3 % within 5. (By the 10 kV limits alone: 2 under, 2 over.)
  bool under = false, over = false;
  r.CheckVoltageDeviations(dir / "sprav_UN.cat", under, 7.5, 2.5, over);
  EXPECT_TRUE(under && over);
  EXPECT_EQ(std::to_string(r.UnderVoltageCount) + "/" + std::to_string(r.OverVoltageCount), "1/2");
}

TEST(Electric, BranchFlows) {
  const double r = 1, x = 2, g = 20, b = 40;
  // A line carrying 100 A at -30° from a 10.5 kV start; the end voltage follows from the series drop.
  const C ic = std::polar(0.1 * std::sqrt(3.0), -30 * std::numbers::pi / 180);
  const C ub = 10.5 - C(r, x) * ic;
  const double u2 = std::abs(ub), f2 = std::arg(ub) * 180 / std::numbers::pi;
  const TBranchFlows line = CalcBranchFlows(10.5, 0, u2, f2, 100, -30, r, x, g, b, 0, 0, false);
  EXPECT_NEAR(line.dP, 0.03, 1e-12);  // |I|² = 3·0.1²
  EXPECT_NEAR(line.dQsh, (10.5 * 10.5 + u2 * u2) * 20e-6, 1e-12);  // half the shunt at each end
  // What enters minus what leaves is what the branch loses.
  EXPECT_NEAR(line.P1 - line.P2, line.dP + line.dPsh, 1e-12);
  EXPECT_NEAR(line.Q1 - line.Q2, line.dQ + line.dQsh, 1e-12);
  EXPECT_NEAR(line.I1, 100.11314963906084, 1e-9);  // with the start half of the shunt
  EXPECT_NEAR(line.F1, -30.04274534604791, 1e-9);
  // Phase currents: the same current is √3 smaller in the model.
  EXPECT_NEAR(CalcBranchFlows(10.5, 0, u2, f2, 100, -30, r, x, 0, 0, 0, 0, true).dP, 0.01, 1e-12);

  // A transformer: the whole shunt at the start, the series current carried through the ratio.
  const TBranchFlows tr = CalcBranchFlows(10.5, 0, 10, -2, 100, -30, r, x, g, b, 0.95, 0.05, false);
  EXPECT_NEAR(tr.dPsh, 10.5 * 10.5 * 20e-6, 1e-12);
  EXPECT_NEAR(tr.I2, 95.13148795220226, 1e-9);  // |0.95 - 0.05j|·100 A
  EXPECT_NEAR(tr.F2, -33.01278750418333, 1e-9);

  // A current whose real part is negative reads negative; a purely reactive one ±90° without sign.
  EXPECT_NEAR(CalcBranchFlows(10, 0, 10, 0, 50, 170, 0, 0, 0, 0, 0, 0, false).I1, -50, 1e-9);
  const TBranchFlows up = CalcBranchFlows(10, 0, 10, 0, 50, 90, 0, 0, 0, 0, 0, 0, false);
  EXPECT_NEAR(up.I1, 50, 1e-9);
  EXPECT_NEAR(up.F1, 90, 1e-9);
  const TBranchFlows dead = CalcBranchFlows(0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, false);
  EXPECT_EQ(dead.F1, 0);
  EXPECT_EQ(dead.P2, 0);
}

// Tap positions against the neutral: "П" counts up from it, any other kind down; the high side takes the
// ratio as it is, the middle and low sides its inverse, the quadrature part with the opposite sign.
TEST(Electric, TapRegulation) {
  double kta = 7, ktr = 7;
  ASSERT_TRUE(CalcTapRatio("ВН", "П", 10, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_NEAR(kta, 1.0178, 1e-6);
  EXPECT_EQ(ktr, 0);
  ASSERT_TRUE(CalcTapRatio("ВН", "П", 1, 1, 0, 0, 3, 1, 5, 1.0f, 10.0, kta, ktr));  // quadrature 2 %
  EXPECT_NEAR(ktr, 0.2, 1e-6);
  ASSERT_TRUE(CalcTapRatio("НН", "", 8, 9, 19, 2.5f, 0, 0, 0, 0, 2.0, kta, ktr));
  EXPECT_NEAR(kta, 2.0 / 1.025, 1e-6);
  ASSERT_TRUE(CalcTapRatio("СН", "П", 1, 1, 0, 0, 3, 1, 5, 1.0f, 1.0, kta, ktr));
  EXPECT_NEAR(kta, 1 / 1.0004, 1e-7);
  EXPECT_NEAR(ktr, -0.02 / 1.0004, 1e-7);
  // Taps outside their range, and a -100 % step that leaves nothing to invert, change nothing.
  kta = ktr = 7;
  EXPECT_FALSE(CalcTapRatio("ВН", "П", 0, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_FALSE(CalcTapRatio("ВН", "П", 5, 9, 19, 1.78f, 6, 1, 5, 1.0f, 1.0, kta, ktr));
  EXPECT_FALSE(CalcTapRatio("НН", "П", 2, 1, 0, -100.0f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_TRUE(CalcTapRatio("XX", "П", 10, 9, 19, 1.78f, 0, 0, 0, 0, 1.0, kta, ktr));
  EXPECT_EQ(std::pair(kta, ktr), std::pair(7.0, 7.0));

  const std::string text = "ВН-РПН-П-19-10-1.78;СН-ПБВ--5-3-2.5;НН-ТПР--3-2-1";
  EXPECT_EQ(WindingSideName(1, "T3|ТДТН-16000|2", text), "СН-ПБВ--5-3-2.5");
  EXPECT_EQ(WindingSideName(1, "TR|x|2", text), "НН-ТПР--3-2-1");  // both low sides of a split winding
  EXPECT_EQ(WindingSideName(3, "T3|x|1", text), "");
  EXPECT_EQ(WindingSideName(1, "T2|x|1", text), text);
  EXPECT_EQ(WindingSideName(2, "TR|x|2", "1НН-a;ВН-b;2НН-c"), "НН-a;НН-c");

  TMarkParts p;
  ASSERT_TRUE(ParseMarkParts("  bh-рпн-п-19-10-1,78 ", p));  // Latin look-alikes become Cyrillic
  EXPECT_EQ(p.Side + "|" + p.Type + "|" + p.Kind, "ВН|РПН|П");
  EXPECT_EQ(std::tuple(p.Positions, p.Neutral, p.Step), std::tuple(19, 10, 1.78f));
  EXPECT_FALSE(ParseMarkParts("   ", p));
  EXPECT_FALSE(ParseMarkParts("ВН-ПБВ--пять-3-2.5", p));
}

// The catalogue folder of the settings, put back afterwards.
class CatalogFolder {
public:
  explicit CatalogFolder(const std::string& folder) : path_(IniRec.Path) { IniRec.Path = folder + "/"; }
  ~CatalogFolder() { IniRec.Path = path_; }

private:
  std::string path_;
};

// A table of a layout with numbers and texts set by field.
struct Rows {
  TDataFile t;
  Rows(const char* layout, int rows) {
    MaketFileName = (DataDir() / "maket.zr").string();
    ReadMaket(layout, t);
    CreateColumns(t, rows);
  }
  Rows& Set(int row, const char* field, double v) {
    TNumberColumn(field, t).Set(row, v);
    return *this;
  }
  Rows& Text(int row, const char* field, const std::string& v) {
    TTextColumn(field, t).Set(row, v);
    return *this;
  }
};

// A line of 500 m overhead and 300 m cable: the sums by cable and by overhead lines split its loss by the
// sections' resistances from the settings' line catalogue, and the ownership filter goes by the letter of
// column A, not by the text of Balans.
TEST(ElectricSums, LinesSplitBySectionsOfTheCatalogueAndOwnershipByItsLetter) {
  TempDir dir;
  CatalogFolder folder(dir.Path().string());
  NominalVoltages list({0.4, 10, 35});
  Rows catalogue("Справочник КЛ,ВЛ", 2);
  catalogue.Text(1, "Mark", "АС").Text(1, "Typ", "В").Set(1, "Unom", 10).Set(1, "F", 70);
  catalogue.Set(1, "R0", 0.42).Set(1, "X0", 0.4).Set(1, "Id", 265);
  catalogue.Text(2, "Mark", "ААБ").Text(2, "Typ", "К").Set(2, "Unom", 10).Set(2, "F", 95);
  catalogue.Set(2, "R0", 0.33).Set(2, "X0", 0.08).Set(2, "G0", 2).Set(2, "Id", 205);
  WriteTableFile(dir / "sprav_ln.cat", catalogue.t);
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.0, 0.5).Um = 10;
  s.Node(3, "", 0.6, 0.3).Um = 10;
  BranchSpec& mixed = s.Branch(2, 1, 0.21 + 0.099, 0.2 + 0.024);
  mixed.G = 0.6f, mixed.Mark = "500*АС-70+300*ААБ-95";
  s.Branch(3, 2, 0.42, 0.4).Mark = "1000*ас-70";
  TRegime r;
  r.Accuracy = 1e-9;
  s.Read(r, dir.Path());
  RunRegime(r);
  ASSERT_TRUE(r.Converged);
  r.WriteResults(dir / "sprav_UN.cat", 0, false, false, 0, 5, 10, 0, true, nullptr, nullptr);
  TDataFile nodes, branches;
  ReadTableFile(r.SchemePath + ".UZL", nodes);
  ReadTableFile(r.SchemePath + ".VET", branches);
  TTextColumn("A", branches).Set(2, "А");
  TTextColumn("Balans", branches).Set(1, "Абонентские сети");  // a text the filter must not read
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(nodes, nc);
  FillBranchCols(branches, bc);
  const double i1 = std::norm(FindBranch(r, 1)->I), i2 = std::norm(FindBranch(r, 2)->I);
  std::vector<std::string> messages;
  const TLossSums lines = SumPowerLossesByCriteria(nc, bc, 1, 0, 0, 0, &messages);
  const TLossSums cable = SumPowerLossesByCriteria(nc, bc, 2, 0, 0, 0, &messages);
  const TLossSums overhead = SumPowerLossesByCriteria(nc, bc, 3, 0, 0, 0, &messages);
  EXPECT_TRUE(messages.empty()) << messages.front();
  EXPECT_NEAR(lines.dPLoad, i1 * 0.309 + i2 * 0.42, 1e-6);
  EXPECT_NEAR(cable.dPLoad, i1 * 0.099, 1e-7);
  EXPECT_NEAR(overhead.dPLoad, i1 * 0.21 + i2 * 0.42, 1e-7);
  EXPECT_NEAR(cable.dQLoad + overhead.dQLoad, lines.dQLoad, 1e-7);
  EXPECT_GT(cable.dPNoLoad, 0);
  EXPECT_NEAR(cable.dPNoLoad, lines.dPNoLoad, 1e-12);  // the only conductance is the cable's
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 2, nullptr).dPLoad, i2 * 0.42, 1e-7);
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 1, nullptr).dPLoad, i1 * 0.309, 1e-6);

  // Without the catalogue a sum only reports each line as not found: it makes no catalogue of its own.
  std::filesystem::remove(dir / "sprav_ln.cat");
  messages.clear();
  EXPECT_EQ(SumPowerLossesByCriteria(nc, bc, 2, 0, 0, 0, &messages).dPLoad, 0);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_GT(messages[0].size(), 3u);
  EXPECT_EQ(messages[0].substr(0, 3) + messages[1].substr(0, 3), "1: 2: ");
  EXPECT_FALSE(std::filesystem::exists(dir / "sprav_ln.cat"));
}

TEST(ElectricSums, PowerLossesByCriteria) {
  NominalVoltages list({0.4, 10, 35});
  Rows b(LayoutBranches, 4);
  // A line of 100 A (|I|² = 0.03 in the model) at -30°, charging G 20 µS split between its ends.
  b.Set(1, "R", 1).Set(1, "X", 2).Set(1, "G", 20).Set(1, "Irez", 100).Set(1, "Faza", -30).Set(1, "Ul", 10);
  b.Set(1, "U1", 10).Set(1, "U2", 10).Set(1, "Nr", 1).Text(1, "Mark", "кабель");
  // A subscribers' transformer magnetised at its start; an ownerless reactor; a 35 kV line of another
  // company with a load factor of 0.2.
  b.Set(2, "R", 0.5).Set(2, "X", 4).Set(2, "G", 10).Set(2, "Irez", 50).Set(2, "Kta", 25).Set(2, "Ul", 10);
  b.Set(2, "U1", 10).Set(2, "U2", 0.4).Set(2, "Nr", 2).Text(2, "A", "А");
  b.Set(3, "X", 3).Set(3, "Irez", 20).Set(3, "Ul", 10).Text(3, "TypEqu", "RT|x|1").Text(3, "A", "Б");
  b.Set(4, "R", 2).Set(4, "X", 4).Set(4, "Tz", 2).Set(4, "Irez", 10).Set(4, "Ul", 35).Text(4, "A", "С");
  Rows n(LayoutNodes, 1);
  n.Set(1, "Gs", 100).Set(1, "Bs", 500).Set(1, "Urez", 10).Set(1, "Um", 10).Set(1, "Nr", 1);
  TNodeCols nc;
  TBranchCols bc;
  FillNodeCols(n.t, nc);
  FillBranchCols(b.t, bc);

  const TLossSums all = SumPowerLossesByCriteria(nc, bc, 0, 0, 0, 0, nullptr);
  EXPECT_NEAR(all.dPLoad, 0.03 + 0.00375 + 0.00012, 1e-12);
  EXPECT_NEAR(all.dQLoad, 0.06 + 0.03 + 0.0036 + 0.00024, 1e-12);
  EXPECT_NEAR(all.dPNoLoad, 0.002 + 0.001 + 0.01, 1e-12);  // line, transformer, node shunt
  EXPECT_NEAR(all.dQNoLoad, 0.05, 1e-12);
  EXPECT_NEAR(all.dPTotal, all.dPLoad + all.dPNoLoad, 1e-12);
  EXPECT_NEAR(all.dPActive, 0.0225 + 0.00375, 1e-9);  // the line's flow at 30° splits its loss 3:1
  EXPECT_NEAR(all.dPReactive, 0.0075, 1e-9);
  // kind, voltage, district, ownership -> load losses P (Q for the reactor)
  struct Case {
    int kind;
    double unom;
    int district, ownership;
    double dP, dQ;
  };
  for (const Case& c : {Case{1, 0, 0, 0, 0.03012, 0.06024}, Case{4, 0, 0, 0, 0.00375, 0.03}, Case{5, 0, 0, 0, 0, 0.0036},
                        Case{6, 0, 0, 0, 0, 0}, Case{0, 35, 0, 0, 0.00012, 0.00024}, Case{0, 0, 2, 0, 0.00375, 0.03},
                        Case{0, 0, 0, 1, 0.03, 0.0636}, Case{0, 0, 0, 4, 0.00012, 0.00024}}) {
    const TLossSums s = SumPowerLossesByCriteria(nc, bc, c.kind, c.unom, c.district, c.ownership, nullptr);
    EXPECT_NEAR(s.dPLoad, c.dP, 1e-12) << c.kind << " " << c.unom << " " << c.district << " " << c.ownership;
    EXPECT_NEAR(s.dQLoad, c.dQ, 1e-12) << c.kind << " " << c.unom << " " << c.district << " " << c.ownership;
  }
  // The other load distributions of the 35 kV line (|I|²·R = 0.0006, |I|²·X = 0.0012 whole): a third, 8/15,
  // and the whole line for a code it does not know.
  for (const auto& [tz, factor] : {std::pair(1, 1.0 / 3), std::pair(3, 8.0 / 15), std::pair(4, 1.0)}) {
    (*bc.Tz)[4] = static_cast<std::uint8_t>(tz);
    const TLossSums s = SumPowerLossesByCriteria(nc, bc, 0, 35, 0, 0, nullptr);
    EXPECT_NEAR(s.dPLoad, 0.0006 * factor, 1e-12) << tz;
    EXPECT_NEAR(s.dQLoad, 0.0012 * factor, 1e-12) << tz;
  }
  (*bc.Tz)[4] = 2;

  // Cable sections only: the catalogue gives their part of the line; a failing expression is reported.
  std::vector<std::string> messages;
  const TLinePartEvaluator cable = [&](const std::string& mark, float, char32_t type, float& R, float& X, float& G,
                                       float& B, std::string& error) {
    if (mark != "кабель" || type != U'К') {
      error = "Марка не найдена";
      return false;
    }
    R = 0.4f, X = 0.2f, G = 10, B = 0;
    return true;
  };
  const TLossSums cables = SumPowerLossesByCriteria(nc, bc, 2, 0, 0, 0, &messages, cable);
  EXPECT_NEAR(cables.dPLoad, 0.03 * 0.4, 1e-8);
  EXPECT_NEAR(cables.dPTotal, all.dPTotal, 1e-12);  // the whole scheme whatever the filter
  EXPECT_EQ(messages, std::vector<std::string>{"4: Марка не найдена"});

  const bool saved = IniRec.FlagIF;
  IniRec.FlagIF = true;  // phase currents in the table: √3 smaller in the model
  EXPECT_NEAR(SumPowerLossesByCriteria(nc, bc, 1, 0, 0, 0, nullptr).dPLoad, 0.01004, 1e-12);
  IniRec.FlagIF = saved;
}

}  // namespace
}  // namespace ld::test
