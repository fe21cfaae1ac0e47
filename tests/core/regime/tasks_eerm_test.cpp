// The economic equivalents of the nodes against an independent load flow of the same network, their test
// by a real change of load, and their statement.
#include <cmath>
#include <complex>
#include <filesystem>

#include "core/base/error.h"
#include "core/base/numtext.h"
#include "core/engine/regime.h"
#include "core/office/docx.h"
#include "core/regime/node_equiv.h"
#include "core/regime/task_eerm.h"
#include "core/regime/task_regime.h"
#include "core/tables/file_io.h"
#include "regime_test.h"

namespace ld::test {
namespace {

using C = std::complex<double>;

// The load node of a line fed at 10.5 kV: U = U1 - Z·conj(S(U)/U) solved by fixed point; the load may
// follow the voltage through its reactive part, Q = Q0·(U/Uc)².
struct LineFlow {
  C z{1, 2};
  double u1 = 10.5;
  double uc = 0;  // 0: constant power
  C Solve(double p, double q0, double* appliedQ = nullptr) const {
    C u(u1, 0);
    double q = q0;
    for (int k = 0; k < 500; ++k) {
      q = uc > 0 ? q0 * std::norm(u) / (uc * uc) : q0;
      u = u1 - z * std::conj(C(p, q) / u);
    }
    if (appliedQ) *appliedQ = q;
    return u;
  }
  double Losses(double p, double q0, double* appliedQ = nullptr) const {
    double q = 0;
    const C u = Solve(p, q0, &q);
    if (appliedQ) *appliedQ = q;
    return std::norm(C(p, q) / u) * z.real();
  }
};

class Equivalents : public RegimeTest {
protected:
  Equivalents() {
    IniRec.Prec = 1e-10f;
    IniRec.Iter1 = 500;
    IniRec.AbsEERM = false;
  }
  static SchemeBuilder Line(double p = 1, double q = 0.5) {
    SchemeBuilder s;
    s.Node(1, "B").Um = 10.5f;
    s.Node(2, "", p, q).Um = 10.5f;
    s.Branch(2, 1, 1, 2);
    return s;
  }
  // The command's run on the engine: base calculation, then the node loop into the node file's table.
  TTaskVerdict Run(const std::string& path, TDataFile& nodes, TNodeCols& cols, double dQ = 0.1) {
    PrepareTaskEngine(r, IniRec.FlagRQ);
    r.StorePVJacobian = true;
    std::vector<std::string> errors;
    const TTaskVerdict v = RunTaskCalculation(r, path, errors);
    nodes = ReadTable(path + ".UZL");
    FillNodeCols(nodes, cols);
    if (v == TTaskVerdict::Calculated) CalcNodeEquivalents(r, cols, dQ, IniRec.AbsEERM);
    FreeKeptSensitivities(r);
    return v;
  }
  TRegime r;
};

TEST_F(Equivalents, TwoNodeValuesSignsAndAbsoluteValuesAgreeWithAnIndependentLoadFlow) {
  SchemeBuilder s = Line();
  s.Node(3, "", 0.2, 0.1).Um = 10.5f;  // no branch: without supply
  const std::string path = s.Write(dir.Path());
  {  // an earlier value of the unsupplied node
    TDataFile t = ReadTable(path + ".UZL");
    TNodeCols c;
    FillNodeCols(t, c);
    (*c.EERM)[3] = 0.5f;
    (*c.EEAM)[3] = 0.25f;
    WriteTableFile(path + ".UZL", t);
  }
  TDataFile nodes;
  TNodeCols c;
  ASSERT_EQ(Run(path, nodes, c), TTaskVerdict::Calculated);
  const LineFlow f;
  const double eerm = -(f.Losses(1, 0.55) - f.Losses(1, 0.45)) / 0.1;
  const double eeam = (f.Losses(1.05, 0.5) - f.Losses(0.95, 0.5)) / 0.1;
  EXPECT_NEAR(eerm, -0.0098668, 5e-7);
  EXPECT_NEAR(eeam, 0.0190667, 5e-7);
  EXPECT_NEAR(c.EERM->Get(2), eerm, 1e-7);
  EXPECT_NEAR(c.EEAM->Get(2), eeam, 1e-7);
  // The balancing node changes no loss; the node without supply keeps what it had.
  EXPECT_EQ(c.EERM->Get(1), 0.0f);
  EXPECT_FALSE(std::signbit(c.EERM->Get(1)));
  EXPECT_EQ(c.EEAM->Get(1), 0.0f);
  EXPECT_EQ(c.EERM->Get(3), 0.5f);
  EXPECT_EQ(c.EEAM->Get(3), 0.25f);
  // The model's loads are back at the table's.
  const TRegimeElement* e = FindNode(r, 2);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Load1, C(1, -0.5));
  EXPECT_EQ(e->Load, e->Load1 + e->Load2);

  IniRec.AbsEERM = true;
  ASSERT_EQ(Run(path, nodes, c), TTaskVerdict::Calculated);
  EXPECT_NEAR(c.EERM->Get(2), -eerm, 1e-7);
  EXPECT_NEAR(c.EEAM->Get(2), eeam, 1e-7);
}

TEST_F(Equivalents, UnderStaticCharacteristicsTheDivisorIsTheChangeApplied) {
  TDataFile chars;
  ReadMaket(LayoutLoadChars, chars);
  CreateColumns(chars, 1);
  TLoadCharCols lc;
  FillLoadCharCols(chars, lc);
  (*lc.Nsh)[1] = 1;
  (*lc.A0)[1] = 1;
  (*lc.B2)[1] = 1;  // reactive load as a constant impedance
  WriteTableFile((dir.Path() / "sthar_pq.cat").string(), chars);
  StaticCharFile = (dir.Path() / "sthar_pq.cat").string();
  IniRec.FlagPQ = true;
  SchemeBuilder s = Line();
  s.Nodes[1].Nsh = 1;
  s.Nodes[1].Ush = 9.5f;
  const std::string path = s.Write(dir.Path());
  TDataFile nodes;
  TNodeCols c;
  const TTaskVerdict v = Run(path, nodes, c);
  StaticCharFile.clear();
  ASSERT_EQ(v, TTaskVerdict::Calculated);
  LineFlow f;
  f.uc = 9.5;
  double qMinus = 0, qPlus = 0;
  const double lMinus = f.Losses(1, 0.45, &qMinus), lPlus = f.Losses(1, 0.55, &qPlus);
  const double applied = (lPlus - lMinus) / (qMinus - qPlus);
  // The load at about 10.2 kV against 9.5: the applied change is a sixth larger than dQ.
  EXPECT_GT(qPlus - qMinus, 0.11);
  EXPECT_NEAR(c.EERM->Get(2), applied, 1e-7);
  EXPECT_GT(std::fabs(c.EERM->Get(2) - (lPlus - lMinus) / -0.1), 1e-4);
}

TEST_F(Equivalents, ReusedSensitivitiesGiveTheFreshValuesOnARingWithAFixedVoltageNode) {
  IniRec.AlgmFM = 1;
  IniRec.Prec = 1e-12f;
  IniRec.Iter1 = 1000;
  const std::string path = FixedVoltageRing().Write(dir.Path());
  TDataFile nodes;
  TNodeCols c;
  ASSERT_EQ(Run(path, nodes, c), TTaskVerdict::Calculated);

  // The same differences on an engine that forms everything afresh for each point.
  TRegime fresh;
  CopyRegimeSettings(fresh);
  fresh.QLimits = false;
  fresh.Calculate(path, 0, 0, 0, 0, 0);
  ASSERT_TRUE(fresh.Converged);
  int compared = 0;
  for (TRegimeElement* e = fresh.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & (efLoopClosing | efUnsupplied)) != 0 || e->NodeIndex <= 0) continue;
    const C saved = e->Load1;
    auto lossAt = [&](double qn) {
      e->Load1.imag(-qn);
      e->Load = e->Load1 + e->Load2;
      fresh.RunIterations();
      return fresh.TotalLosses();
    };
    const double q0 = -saved.imag();
    const double lPlus = lossAt(q0 + 0.05), lMinus = lossAt(q0 - 0.05);
    e->Load1 = saved;
    e->Load = e->Load1 + e->Load2;
    EXPECT_NEAR(c.EERM->Get(e->NodeIndex), -(lPlus - lMinus) / 0.1, 1e-9) << "node " << e->Number;
    ++compared;
  }
  EXPECT_EQ(compared, 5);
  EXPECT_TRUE(r.PVJacobian.empty());
  EXPECT_FALSE(r.ReusePVJacobian || r.StorePVJacobian);
}

TEST_F(Equivalents, ARegimeThatDoesNotConvergeOrFailsGivesItsVerdict) {
  IniRec.Iter1 = 1;
  const std::string path = Line().Write(dir.Path());
  TDataFile nodes;
  TNodeCols c;
  EXPECT_EQ(Run(path, nodes, c), TTaskVerdict::NotConverged);
  EXPECT_EQ(c.EERM->Get(2), 0.0f);
  IniRec.Iter1 = 100;
  std::vector<std::string> errors;
  PrepareTaskEngine(r, false);
  EXPECT_EQ(RunTaskCalculation(r, (dir.Path() / "нет").string(), errors), TTaskVerdict::Failed);
  EXPECT_FALSE(errors.empty());
}

// ---- the test of one node

class EquivalentTest : public Equivalents {
protected:
  // Node 2 on a line from balancing node 1, node 3 on a line of its own from node 1.
  static SchemeBuilder Star() {
    SchemeBuilder s = Line();
    s.Node(3, "", 0.4, 0.2).Um = 10.5f;
    s.Branch(3, 1, 2, 3).Mark = "АС-50";
    return s;
  }
  void Prepare(const std::string& path, TDataFile& nodes, TNodeCols& c, TDataFile& branches) {
    ASSERT_EQ(Run(path, nodes, c), TTaskVerdict::Calculated);
    PrepareTaskEngine(r, false);
    std::vector<std::string> errors;
    ASSERT_EQ(RunTaskCalculation(r, path, errors), TTaskVerdict::Calculated);
    branches = ReadTable(path + ".VET");
  }
  static double Column(const TDataFile& t, const std::string& field, int row) {
    return static_cast<const DAdouble*>(GetColumnArray(field, t))->Get(row);
  }
};

TEST_F(EquivalentTest, ReactiveLoadTakenOffColoursLabelsAndRestores) {
  const std::string path = Star().Write(dir.Path());
  TDataFile nodes, branches;
  TNodeCols c;
  Prepare(path, nodes, c, branches);
  const int before = branches.NCols;
  ASSERT_TRUE(RunEquivalentTest(r, c, branches, 2, 0.2, false));

  // Nine computed columns, as the grid shows them and the writer leaves them.
  ASSERT_EQ(branches.NCols, before + 9);
  const char* fields[] = {"dP1*", "dP2*", "ddP*", "D1*", "D2*", "DD*", "Q1*", "Q2*", "Qm*"};
  for (int k = 0; k < 9; ++k) {
    const int col = before + 1 + k;
    EXPECT_EQ(branches.FieldName[col], fields[k]);
    EXPECT_EQ(branches.ColType[col], 'd');
    EXPECT_EQ(branches.PixWidth[col], 40);
    EXPECT_EQ(branches.CtrlSize[col], 25);
    EXPECT_EQ(branches.FltDigit[col], 4);
    EXPECT_EQ(branches.Access[col], 1);
    EXPECT_EQ(branches.Visible[col], 1);
  }
  EXPECT_EQ(branches.ColTitle[before + 9], "dQ*");

  // Row 1 is the line 2-1: 0.2 Mvar less at node 2.
  const LineFlow f;
  const double loss1 = f.Losses(1, 0.5), loss2 = f.Losses(1, 0.3);
  EXPECT_NEAR(Column(branches, "dP1*", 1), loss1, 1e-8);
  EXPECT_NEAR(Column(branches, "dP2*", 1), loss2, 1e-8);
  EXPECT_NEAR(Column(branches, "Q1*", 1), 0.5, 1e-8);
  EXPECT_NEAR(Column(branches, "Q2*", 1), 0.3, 1e-8);
  EXPECT_NEAR(Column(branches, "Qm*", 1), -0.2, 1e-8);
  // D1 is N1's (node 2), D2 N2's (the balancing node).
  EXPECT_NEAR(Column(branches, "D1*", 1), c.EERM->Get(2), 1e-9);
  EXPECT_EQ(Column(branches, "D2*", 1), 0.0);
  EXPECT_NEAR(Column(branches, "DD*", 1), std::fabs(c.EERM->Get(2)), 1e-9);
  TBranchCols b;
  FillBranchCols(branches, b);
  EXPECT_EQ(dynamic_cast<DALongint&>(*b.Color).Get(1), 0x0000FF);
  const std::string label = FixedText(-100, 0, 3) + ", " + FixedText(std::round((loss2 - loss1) * 10000), 0, 3);
  EXPECT_EQ(b.Text->GetItem(1), label);
  EXPECT_EQ(label, "-100, -" + FixedText(std::round((loss1 - loss2) * 10000), 0, 3));
  // The other line sees nothing: its colour stays 0, its label "0, 0", its mark its own.
  EXPECT_EQ(dynamic_cast<DALongint&>(*b.Color).Get(2), 0);
  EXPECT_EQ(b.Text->GetItem(2), "0, 0");
  EXPECT_EQ(b.Mark->GetItem(2), "АС-50");

  // The load is back and the regime with it.
  const TRegimeElement* e = FindNode(r, 2);
  EXPECT_EQ(e->Load1, C(1, -0.5));
  EXPECT_NEAR(std::abs(e->U), std::abs(f.Solve(1, 0.5)), 1e-7);

  // The computed columns never reach the file.
  WriteTableFile(path + ".VET", branches);
  EXPECT_EQ(ReadTable(path + ".VET").NCols, before);

  // A node that no element carries changes nothing.
  TDataFile again = ReadTable(path + ".VET");
  EXPECT_FALSE(RunEquivalentTest(r, c, again, 77, 0.2, false));
  EXPECT_NEAR(Column(again, "dP1*", 1), loss1, 1e-8);
  EXPECT_EQ(Column(again, "dP2*", 1), 0.0);
}

TEST_F(EquivalentTest, ActiveLoadAddedTurnsTheBranchBlueAndNamesItsColumns) {
  const std::string path = Star().Write(dir.Path());
  TDataFile nodes, branches;
  TNodeCols c;
  Prepare(path, nodes, c, branches);
  const int before = branches.NCols;
  ASSERT_TRUE(RunEquivalentTest(r, c, branches, 2, 0.5, true));
  EXPECT_EQ(branches.FieldName[before + 7], "P1*");
  EXPECT_EQ(branches.FieldName[before + 9], "Pm*");
  EXPECT_EQ(branches.ColTitle[before + 9], "dP*");
  EXPECT_NEAR(Column(branches, "Pm*", 1), 0.5, 1e-8);
  EXPECT_NEAR(Column(branches, "D1*", 1), c.EEAM->Get(2), 1e-9);
  TBranchCols b;
  FillBranchCols(branches, b);
  EXPECT_EQ(dynamic_cast<DALongint&>(*b.Color).Get(1), 0xFF0000);
  EXPECT_EQ(b.Text->GetItem(1).substr(0, 5), "100, ");
  EXPECT_EQ(FindNode(r, 2)->Load1, C(1, -0.5));
}

TEST(EquivalentTestLabel, ThreeDigitsAtMostThenTheExponent) {
  EXPECT_EQ(EquivalentTestLabel(-0.2, -0.00123, 0.2), "-100, -12");
  EXPECT_EQ(EquivalentTestLabel(0.001, 0.00004, 0.2), "1, 0");
  // 25 % of the change and 12345 units of 0.0001: more than three integer digits.
  EXPECT_EQ(EquivalentTestLabel(0.05, 1.2345, 0.2), "25, 1.23E4");
}

// ---- the statement

class Statement : public RegimeTest {
protected:
  Statement() { ProgramDir = (dir.Path() / "prog").string() + "/"; }
  ~Statement() override { ProgramDir = saved_; }
  void ShipTemplate() {
    std::filesystem::create_directories(ProgramDir);
    std::filesystem::copy_file(DataDir() / "ЭЭРМ.docx", ProgramDir + "ЭЭРМ.docx");
  }
  TNodeCols Nodes(int count) {
    SchemeBuilder s;
    for (int i = 1; i <= count; ++i) s.Node(i * 10, i == 1 ? "B" : "").Um = 10.5f;
    s.Nodes[0].Name = "ПС \"Восток\" <1>";
    table_ = ReadTable(s.Write(dir.Path()) + ".UZL");
    TNodeCols c;
    FillNodeCols(table_, c);
    for (int i = 1; i <= count; ++i) (*c.EERM)[i] = -0.0098668f * static_cast<float>(i);
    return c;
  }
  const std::string saved_ = ProgramDir;
  TDataFile table_;
};

TEST_F(Statement, FillsOneRowPerNodeAndReplacesTheOldOne) {
  ShipTemplate();
  const std::string out = EERMStatementFile((dir.Path() / "Схема").string());
  EXPECT_EQ(std::filesystem::path(out).filename().string(), "ЭЭРМ Схема.docx");
  WriteEERMStatement(EERMStatementTemplate(), Nodes(1), out);
  DocxDocument one = DocxDocument::Open(out);
  EXPECT_EQ(one.RowCount(1), 2);  // the header and the one node: no row added
  EXPECT_EQ(one.CellText(1, 2, 1), "10");
  EXPECT_EQ(one.CellText(1, 2, 2), "ПС \"Восток\" <1>");
  EXPECT_EQ(one.CellText(1, 2, 3), "10.5");
  EXPECT_EQ(one.CellText(1, 2, 4), "-0.0099");
  EXPECT_EQ(one.CellText(1, 1, 4), "ЭЭРМ, кВт/квар");

  WriteEERMStatement(EERMStatementTemplate(), Nodes(3), out);
  DocxDocument three = DocxDocument::Open(out);
  ASSERT_EQ(three.RowCount(1), 4);
  EXPECT_EQ(three.CellText(1, 4, 1), "30");
  EXPECT_EQ(three.CellText(1, 4, 4), "-0.0296");
  EXPECT_EQ(three.CellText(1, 3, 4), "-0.0197");
  EXPECT_EQ(three.CellCount(1, 4), 4);

  // The template as an office suite saves it, its rows written anew, takes the nodes alike.
  WriteEERMStatement((TestDataDir() / "docx" / "eerm_template_libreoffice.docx").string(), Nodes(3), out);
  DocxDocument saved = DocxDocument::Open(out);
  ASSERT_EQ(saved.RowCount(1), 4);
  for (int r = 1; r <= 4; ++r)
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(saved.CellText(1, r, c), three.CellText(1, r, c)) << r << ", " << c;
}

TEST_F(Statement, AMissingTemplateLeavesTheOldStatement) {
  const std::string out = EERMStatementFile((dir.Path() / "Схема").string());
  WriteBytes(out, "old");
  try {
    WriteEERMStatement(EERMStatementTemplate(), Nodes(2), out);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Шаблон документа " + ProgramDir + "ЭЭРМ.docx не найден");
  }
  EXPECT_EQ(ReadBytes(out), "old");
}

}  // namespace
}  // namespace ld::test
