#include "scheme_builder.h"

#include <gtest/gtest.h>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "support/test_env.h"

namespace ld::test {

namespace {

char Letter(const std::string& utf8) {
  if (utf8.empty()) return 0;
  const std::string bytes = Utf8ToCp1251(utf8);
  return bytes[0];
}

}  // namespace

NodeSpec& SchemeBuilder::Node(std::int32_t ns, const std::string& sign, double pn, double qn) {
  NodeSpec& n = Nodes.emplace_back();
  n.NS = ns;
  n.Sign = sign;
  n.Pn = pn;
  n.Qn = qn;
  return n;
}

BranchSpec& SchemeBuilder::Branch(std::int32_t n1, std::int32_t n2, double r, double x) {
  BranchSpec& b = Branches.emplace_back();
  b.N1 = n1;
  b.N2 = n2;
  b.R = static_cast<float>(r);
  b.X = static_cast<float>(x);
  return b;
}

std::string SchemeBuilder::Write(const std::filesystem::path& dir, const std::string& stem) const {
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string path = (dir / stem).string();

  TDataFile nodes;
  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, static_cast<int>(Nodes.size()));
  nodes.Title = Title;
  TNodeCols n;
  FillNodeCols(nodes, n);
  for (int row = 1; row <= static_cast<int>(Nodes.size()); ++row) {
    const NodeSpec& s = Nodes[row - 1];
    (*n.NS)[row] = s.NS, (*n.Nr)[row] = s.Nr;
    (*n.Sign)[row] = Letter(s.Sign);
    n.Name->SetItem(row, s.Name);
    (*n.Pn)[row] = s.Pn, (*n.Qn)[row] = s.Qn, (*n.Pg)[row] = s.Pg, (*n.Qg)[row] = s.Qg;
    (*n.Urez)[row] = s.Urez, (*n.Angle)[row] = s.Angle, (*n.WPn)[row] = s.WPn, (*n.WQn)[row] = s.WQn;
    (*n.WPg)[row] = s.WPg, (*n.WQg)[row] = s.WQg, (*n.Um)[row] = s.Um, (*n.Gs)[row] = s.Gs;
    (*n.Bs)[row] = s.Bs, (*n.Qmin)[row] = s.Qmin, (*n.Qmax)[row] = s.Qmax, (*n.Ina)[row] = s.Ina;
    (*n.Inr)[row] = s.Inr, (*n.Iga)[row] = s.Iga, (*n.Igr)[row] = s.Igr, (*n.Ush)[row] = s.Ush;
    (*n.Kvi)[row] = s.Kvi, (*n.Kvu)[row] = s.Kvu, (*n.Nsh)[row] = s.Nsh, (*n.Ng_n)[row] = s.Ng_n;
    (*n.Ng_g)[row] = s.Ng_g, (*n.Nq_n)[row] = s.Nq_n, (*n.Nq_g)[row] = s.Nq_g, (*n.Ng_u)[row] = s.Ng_u;
    (*nodes.MarkRec)[row] = s.Mark;
  }
  WriteTableFile(path + nodes.Extention, nodes);

  TDataFile branches;
  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, static_cast<int>(Branches.size()));
  branches.Title = Title;
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int row = 1; row <= static_cast<int>(Branches.size()); ++row) {
    const BranchSpec& s = Branches[row - 1];
    (*b.N1)[row] = s.N1, (*b.N2)[row] = s.N2, (*b.Nr)[row] = s.Nr, (*b.Nl)[row] = s.Nl;
    (*b.Tz)[row] = s.Tz;
    (*b.Commut)[row] = Letter(s.Commut);
    b.MarkCom1->SetItem(row, s.MarkCom1);
    b.MarkCom2->SetItem(row, s.MarkCom2);
    (*b.R)[row] = s.R, (*b.X)[row] = s.X, (*b.G)[row] = s.G, (*b.B)[row] = s.B;
    (*b.Kta)[row] = s.Kta, (*b.Ktr)[row] = s.Ktr, (*b.Ktn)[row] = s.Ktn, (*b.Idop)[row] = s.Idop;
    (*b.Sdop)[row] = s.Sdop, (*b.Kflow)[row] = s.Kflow, (*b.U1)[row] = s.U1, (*b.F1)[row] = s.F1;
    (*b.U2)[row] = s.U2, (*b.F2)[row] = s.F2, (*b.Ia)[row] = s.Ia, (*b.Ir)[row] = s.Ir;
    (*b.Ng_kta)[row] = s.Ng_kta, (*b.Ng_ktr)[row] = s.Ng_ktr;
    b.TypEqu->SetItem(row, s.TypEqu);
    b.Mark->SetItem(row, s.Mark);
    (*branches.MarkRec)[row] = s.RowMark;
  }
  WriteTableFile(path + branches.Extention, branches);
  return path;
}

std::string SchemeBuilder::Read(TRegime& regime, const std::filesystem::path& dir, const std::string& stem) const {
  const std::string path = Write(dir, stem);
  regime.ReadScheme(path);
  return path;
}

SchemeBuilder FixedVoltageRing() {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10.5f;
  s.Node(2, "", 1.2, 0.6).Um = 10;
  s.Node(3, "U", 0.4, 0.1).Um = 10.4f;
  s.Node(4, "", 0.9, 0.5).Um = 10;
  s.Node(5, "", 0.3, 0.2).Um = 10;
  s.Branch(2, 1, 1.1, 2.1);
  s.Branch(3, 2, 1.3, 2.2);
  s.Branch(4, 3, 0.9, 1.7);
  s.Branch(4, 1, 1.4, 2.5);
  s.Branch(5, 4, 0.7, 1.1);
  return s;
}

NominalVoltages::NominalVoltages(const std::vector<double>& classes) : saved_(std::move(IniRec.UnomList)) {
  IniRec.UnomList = std::make_unique<DAdouble>();
  for (std::size_t i = 0; i < classes.size(); ++i) (*IniRec.UnomList)[static_cast<int>(i) + 1] = classes[i];
  IniRec.UnomList->Count = static_cast<int>(classes.size());
}

NominalVoltages::~NominalVoltages() { IniRec.UnomList = std::move(saved_); }

void RunRegime(TRegime& regime) {
  regime.ApplyTimeData(0, 0, 0, 0, 0, false);
  regime.FormMatrices();
  regime.RunIterations();
}

void ExpectComplex(std::complex<double> actual, std::complex<double> expected, double tolerance,
                   const std::string& what) {
  EXPECT_NEAR(actual.real(), expected.real(), tolerance) << what;
  EXPECT_NEAR(actual.imag(), expected.imag(), tolerance) << what;
}

const TRegimeElement* FindNode(const TRegime& regime, std::int32_t ns) {
  for (const TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->Number == ns && (e->Flags & efLoopClosing) == 0) return e;
  }
  return nullptr;
}

const TRegimeElement* FindBranch(const TRegime& regime, std::int32_t row) {
  for (const TRegimeElement* e = regime.FirstElement; e != nullptr; e = e->Next) {
    if (e->BranchIndex == row) return e;
  }
  return nullptr;
}

}  // namespace ld::test
