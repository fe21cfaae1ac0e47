#include "support/diagram_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "support/test_env.h"

namespace ld::test {

namespace {

char Letter(const std::string& utf8) {
  if (utf8.empty()) return 0;
  return Utf8ToCp1251(utf8)[0];
}

// The layout read once per layout file: tests build thousands of small schemes.
void EmptyTable(const char* layout, TDataFile& table) {
  static std::map<std::pair<std::string, std::string>, std::unique_ptr<TDataFile>> layouts;
  auto& proto = layouts[{MaketFileName, layout}];
  if (!proto) {
    proto = std::make_unique<TDataFile>();
    ReadMaket(layout, *proto);
  }
  CopyTable(*proto, table);
}

void FillNodes(const std::vector<DiagNode>& rows, TDataFile& table, TNodeCols& n) {
  EmptyTable(LayoutNodes, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  FillNodeCols(table, n);
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
    const DiagNode& s = rows[row - 1];
    (*n.NS)[row] = s.NS;
    (*n.Nr)[row] = s.Nr;
    n.Name->SetItem(row, s.Name);
    (*n.Sign)[row] = Letter(s.Sign);
    (*n.Peak)[row] = s.Peak;
    (*n.Um)[row] = s.Um;
    if (n.NumES != nullptr && n.NumES->TypeLetter() == 'l') (*static_cast<DALongint*>(n.NumES))[row] = s.NumES;
    (*n.A)[row] = Letter(s.A);
    n.Prim->SetItem(row, s.Prim);
  }
}

void FillBranches(const std::vector<DiagBranch>& rows, TDataFile& table, TBranchCols& b) {
  EmptyTable(LayoutBranches, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  FillBranchCols(table, b);
  for (int row = 1; row <= static_cast<int>(rows.size()); ++row) {
    const DiagBranch& s = rows[row - 1];
    (*b.N1)[row] = s.N1;
    (*b.N2)[row] = s.N2;
    (*b.Commut)[row] = Letter(s.Commut);
    (*b.Normal)[row] = Letter(s.Normal);
    (*b.A)[row] = Letter(s.A);
    b.MarkCom1->SetItem(row, s.MarkCom1);
    b.MarkCom2->SetItem(row, s.MarkCom2);
    b.TypEqu->SetItem(row, s.TypEqu);
    b.Mark->SetItem(row, s.Mark);
    b.DSName->SetItem(row, s.DSName);
    (*b.R)[row] = s.R, (*b.X)[row] = s.X, (*b.G)[row] = s.G, (*b.B)[row] = s.B;
    (*b.Kta)[row] = s.Kta, (*b.Ktr)[row] = s.Ktr, (*b.Ktn)[row] = s.Ktn;
    (*b.Idop)[row] = s.Idop, (*b.Sdop)[row] = s.Sdop;
  }
}

}  // namespace

DiagNode& DiagramScheme::Node(std::int32_t ns, const std::string& name, const std::string& sign, float um) {
  DiagNode& n = Nodes.emplace_back();
  n.NS = ns;
  n.Name = name;
  n.Sign = sign;
  n.Um = um;
  return n;
}

DiagBranch& DiagramScheme::Branch(std::int32_t n1, std::int32_t n2) {
  DiagBranch& b = Branches.emplace_back();
  b.N1 = n1;
  b.N2 = n2;
  return b;
}

DiagBranch& DiagramScheme::Transformer(std::int32_t n1, std::int32_t n2) {
  DiagBranch& b = Branch(n1, n2);
  b.TypEqu = "T2|ТМ-400/10|";
  b.Mark = "ТМ-400/10";
  b.R = 3.3f, b.X = 10.5f, b.G = 8.3f, b.B = 50.f;
  b.Kta = 0.04f, b.Ktn = 0.04f;
  return b;
}

DiagBranch& DiagramScheme::Line(std::int32_t n1, std::int32_t n2) {
  DiagBranch& b = Branch(n1, n2);
  b.TypEqu = "LN|АС-70|";
  b.Mark = "АС-70";
  b.R = 0.43f, b.X = 0.39f, b.Idop = 265;
  return b;
}

void DiagramScheme::Load(diagram::TSchemBoxState& box) const {
  MaketFileName = (DataDir() / "maket.zr").string();
  box.NodeTable = std::make_unique<TDataFile>();
  box.BranchTable = std::make_unique<TDataFile>();
  FillNodes(Nodes, *box.NodeTable, box.NodeCols);
  FillBranches(Branches, *box.BranchTable, box.BranchCols);
  box.NodeSet.clear();
  box.LineSet.clear();
  for (int row = 1; row <= static_cast<int>(Nodes.size()); ++row) box.NodeSet.push_back(row);
  for (int row = 1; row <= static_cast<int>(Branches.size()); ++row) box.LineSet.push_back(row);
}

std::string DiagramScheme::Write(const std::filesystem::path& dir, const std::string& stem) const {
  MaketFileName = (DataDir() / "maket.zr").string();
  const std::string path = (dir / stem).string();
  TDataFile nodes;
  TNodeCols n;
  FillNodes(Nodes, nodes, n);
  nodes.Title = "Тестовая схема";
  WriteTableFile(path + nodes.Extention, nodes);
  TDataFile branches;
  TBranchCols b;
  FillBranches(Branches, branches, b);
  branches.Title = "Тестовая схема";
  WriteTableFile(path + branches.Extention, branches);
  return path;
}

DiagramScheme DistrictScheme() {
  DiagramScheme s;
  s.Node(101, "ПС-1.1", "B").Nr = 1;
  s.Node(102, "ПС-1.2").Nr = 1;
  s.Node(200, "ПС-2", "B", 37).Nr = 2;
  s.Node(201, "ПС-2.1").Nr = 2;
  s.Node(202, "ПС-2.2").Nr = 2;
  for (int tp = 1; tp <= 5; ++tp) {
    s.Node(10 * tp + 1, "ТП-" + std::to_string(tp)).Nr = tp <= 2 ? 1 : 2;
    s.Node(10 * tp + 2, "ТП-" + std::to_string(tp) + ".0,4", "", 0.4f).Nr = tp <= 2 ? 1 : 2;
  }
  s.Nodes[s.Nodes.size() - 1].A = "А";  // ТП-5 0.4 kV belongs to a subscriber
  s.Node(60, "ОТП_12").Nr = 1;
  s.Node(71, "ТП-7");
  s.Node(81, "ТП-8");

  DiagBranch& coupler = s.Branch(101, 102);  // section coupler of ПС-1
  coupler.MarkCom1 = "В", coupler.MarkCom2 = "Р";
  DiagBranch& t1 = s.Branch(200, 201);
  t1.TypEqu = "T2|ТДН-10000/35|", t1.Mark = "ТДН-10000/35", t1.Kta = 0.3f, t1.R = 0.8f, t1.X = 12;
  DiagBranch& t2 = s.Branch(200, 202);
  t2.TypEqu = "T2|ТДН-10000/35|", t2.Mark = "ТДН-10000/35", t2.Kta = 0.3f, t2.R = 0.8f, t2.X = 12;
  s.Line(101, 11).MarkCom1 = "В";
  s.Transformer(11, 12);
  s.Line(11, 60);
  s.Line(60, 21);
  s.Transformer(21, 22);
  s.Line(201, 31).MarkCom1 = "В";
  s.Transformer(31, 32);
  s.Line(31, 41);
  s.Transformer(41, 42);
  DiagBranch& ring1 = s.Line(21, 41);  // ТП-2 - ТП-4, open at ТП-2
  ring1.Commut = "Н", ring1.Normal = "Н";
  s.Line(102, 51).MarkCom1 = "В";
  s.Transformer(51, 52);
  DiagBranch& ring2 = s.Line(202, 51);  // ПС-2.2 - ТП-5, open at ТП-5
  ring2.Commut = "К", ring2.Normal = "К";
  ring2.MarkCom1 = "В", ring2.MarkCom2 = "-";
  s.Line(71, 81);
  return s;
}

DiagramScheme ForkScheme(float leafUm) {
  DiagramScheme s;
  s.Node(1, "A", "B", 10);
  s.Node(2, "B", "", 10);
  s.Node(3, "C", "", 10);
  s.Node(4, "D", "", leafUm);
  s.Branch(1, 2);
  s.Branch(2, 3);
  s.Branch(2, 4);
  return s;
}

DiagramScheme RandomScheme(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  DiagramScheme s;
  const int count = 1 + pick(30);
  for (int i = 0; i < count; ++i) {
    const int k = 1 + pick(4);
    const std::string names[] = {"ПС-" + std::to_string(k) + "." + std::to_string(1 + pick(3)),
                                 "ТП-" + std::to_string(i),
                                 "тп-" + std::to_string(pick(5)),
                                 "ОТП_" + std::to_string(i),
                                 "Узел " + std::to_string(i) + " длинное имя",
                                 "Ё" + std::to_string(i)};
    const float um[] = {10.5f, 10.5f, 35, 0.4f};
    DiagNode& n = s.Node(10 + i, names[pick(6)], i == 0 || pick(12) == 0 ? "B" : "", um[pick(4)]);
    n.Nr = pick(3);
    if (pick(6) == 0) n.Peak = 1;
    if (pick(5) == 0) n.Prim = "прим " + std::to_string(i);
  }
  for (int i = 1; i < count; ++i) {
    if (pick(10) == 0) continue;  // an island
    const int from = 10 + pick(i);
    DiagBranch& b = pick(4) == 0 ? s.Transformer(from, 10 + i) : s.Line(from, 10 + i);
    if (pick(3) == 0) std::swap(b.N1, b.N2);
    if (pick(5) == 0) b.DSName = "Ф-" + std::to_string(i);
    if (pick(6) == 0) b.Commut = "П";
    if (pick(6) == 0) b.MarkCom1 = "-";
    if (pick(8) == 0) b.TypEqu = pick(2) == 0 ? "RT|РБ-10|" : "T3|ТДТН|" + std::to_string(pick(3));
  }
  for (int k = pick(8); k > 0; --k) {
    const int a = 10 + pick(count);
    s.Line(a, pick(12) == 0 ? a : 10 + pick(count)).Commut = pick(2) == 0 ? "Н" : "";
  }
  return s;
}

int FixedCanvas::TextWidth(std::string_view text) {
  return static_cast<int>(Utf8Length(text)) * ((std::abs(Font.Height) + 1) / 2);
}

int FixedCanvas::TextHeight(std::string_view) { return std::abs(Font.Height) * 5 / 4; }

UnomClasses::UnomClasses(const std::vector<double>& classes) : saved_(std::move(IniRec.UnomList)) {
  IniRec.UnomList = std::make_unique<DAdouble>();
  for (std::size_t i = 0; i < classes.size(); ++i) (*IniRec.UnomList)[static_cast<int>(i) + 1] = classes[i];
  IniRec.UnomList->Count = static_cast<int>(classes.size());
}

UnomClasses::~UnomClasses() { IniRec.UnomList = std::move(saved_); }

ConfigFileAt::ConfigFileAt(const std::string& fileName) : saved_(ConfigFileName) { ConfigFileName = fileName; }

ConfigFileAt::~ConfigFileAt() { ConfigFileName = saved_; }

void LoadDefaultViewConfig(diagram::TSchemBoxState& box) {
  TempDir dir;
  ConfigFileAt config(dir / "absent.ini");
  box.LoadViewConfig("Graphic", "Colors");
}

ShownScheme::ShownScheme(const DiagramScheme& scheme, const std::function<void(diagram::TSchemBoxState&)>& settings,
                         int width, int height) {
  LoadDefaultViewConfig(box);
  if (settings) settings(box);
  scheme.Load(box);
  diagram::InstallLayout(box);
  box.Canvas = &canvas;
  box.ClientWidth = width;
  box.ClientHeight = height;
  box.PaintHook = [this] {
    ++paints;
    canvas.Prims.clear();
    painter.Paint(canvas);
  };
  EXPECT_TRUE(box.BuildScheme(box.NodeSet, box.LineSet, 0, 0));
}

diagram::PSElem ShownScheme::E(const std::string& caption) {
  for (diagram::PSElem e = box.Model->First; e != nullptr; e = e->Next)
    if (!e->Has(diagram::efReference) && e->Caption && *e->Caption == caption) return e;
  ADD_FAILURE() << "no element " << caption;
  return box.Model->First;
}

std::vector<std::string> ShownScheme::Children(const std::string& caption) {
  std::vector<std::string> names;
  const diagram::PSElem e = E(caption);
  for (int i = 0; i < e->ChildCount; ++i) names.push_back(e->Children[static_cast<std::size_t>(i)]->Caption.value_or("?"));
  return names;
}

std::vector<diagram::PSElem> ShownScheme::Refs() {
  std::vector<diagram::PSElem> refs;
  for (diagram::PSElem e = box.Model->First; e != nullptr; e = e->Next)
    if (e->Has(diagram::efReference)) refs.push_back(e);
  return refs;
}

const Prim* ShownScheme::One(PrimKind kind, std::vector<diagram::TPoint> points) {
  const Prim* p = canvas.FindOne(kind, std::move(points));
  if (p == nullptr) ADD_FAILURE() << "not drawn; drawn were:\n" << canvas.Dump();
  return p;
}

}  // namespace ld::test
