#include "core/diagram/scheme_edit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>

#include "core/base/codepage.h"
#include "core/base/settings.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_files.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/switch_rec.h"
#include "scheme_files_test_util.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using test::TableText;

// The tables a command left against those of the scheme it should have left.
void ExpectTables(const TSchemBoxState& box, const DiagramScheme& expected) {
  TSchemBoxState e;
  expected.Load(e);
  EXPECT_EQ(TableText(*box.NodeTable), TableText(*e.NodeTable));
  EXPECT_EQ(TableText(*box.BranchTable), TableText(*e.BranchTable));
  EXPECT_EQ(box.NodeCols.RowCount, box.NodeTable->RowCount);
  EXPECT_EQ(box.BranchCols.RowCount, box.BranchTable->RowCount);
}

// A node dialog that confirms a new node with a number and a name.
TEditDialogs NewNodeDialog(std::int32_t nr, const std::string& name) {
  TEditDialogs d;
  d.EditNodeParams = [nr, name](const std::string&, const std::string&, TDataFile& nodes, TDataFile&, int row, bool,
                                const std::vector<std::string>&, const std::vector<std::string>&, bool&) {
    TNodeCols n;
    FillNodeCols(nodes, n);
    (*n.NS)[row] = nr;
    n.Name->SetItem(row, name);
    return true;
  };
  return d;
}

TEST(SchemeEdit, InsertingANodeSplitsTheLineAndItsCommutation) {
  const char* cases[][3] = {{"", "", ""}, {"О", "Н", "К"}, {"П", "П", "П"}};
  test::ScriptedMsgBox msg;
  for (const auto& [old, first, second] : cases) {
    SCOPED_TRACE(old);
    DiagramScheme s = test::DistrictScheme();
    s.Branches[3].Commut = old;  // row 4: ПС-1.1 - ТП-1
    s.Branches[3].MarkCom2 = "Р";
    TSchemBoxState box;
    s.Load(box);
    box.LineSet = {2, 4, 6, 17};
    SElem line;
    line.BranchRow = 4;
    box.MarkedLine = &line;
    TEditDialogs dialogs = NewNodeDialog(500, "ТП-9");

    LineMenuClick(box, dialogs, 2);
    DiagramScheme e = s;
    e.Node(500, "ТП-9", "", 0);
    e.Branches.insert(e.Branches.begin() + 3, e.Branches[3]);
    e.Branches[3].N2 = 500, e.Branches[3].MarkCom2 = "", e.Branches[3].Commut = first;
    e.Branches[4].N1 = 500, e.Branches[4].MarkCom1 = "", e.Branches[4].Commut = second;
    ExpectTables(box, e);
    EXPECT_EQ(box.LineSet, (std::vector<std::int32_t>{2, 4, 7, 18, 5}));
    EXPECT_TRUE(box.Modified);
  }
}

TEST(SchemeEdit, DeletingAnInsertedNodeJoinsItsTwoBranches) {
  // The letter of the kept branch A by its old letter; columns: A begins at X with the far end of B
  // off, on; A ends at X with it off, on.
  const std::map<std::string, std::array<const char*, 4>> join = {
      {"", {"Н", "", "К", ""}}, {"К", {"О", "К", "К", ""}}, {"О", {"О", "К", "О", "Н"}}, {"П", {"П", "П", "П", "П"}}};
  // B as it lies at X and its letter, with the state of its far end.
  struct BForm {
    bool begins;
    const char* letter;
    bool off;
  };
  const BForm forms[] = {{true, "К", true}, {true, "П", true}, {false, "К", false}, {false, "Ф", false}};
  test::ScriptedMsgBox msg;
  for (const auto& [a, expected] : join)
    for (const bool aBegins : {true, false})
      for (const BForm& bf : forms) {
        SCOPED_TRACE(a + (aBegins ? " A begins, B " : " A ends, B ") + bf.letter + (bf.begins ? " begins" : " ends"));
        DiagramScheme s;
        s.Node(1, "A", "B");
        s.Node(2, "X");
        s.Node(3, "C");
        test::DiagBranch& ba = aBegins ? s.Branch(2, 1) : s.Branch(1, 2);
        ba.Commut = a, ba.R = 1, ba.X = 2, ba.G = 3, ba.B = 4;
        ba.Mark = aBegins ? "" : "АС-50";
        ba.TypEqu = aBegins ? "LN|А-35|" : "";
        test::DiagBranch& bb = bf.begins ? s.Branch(2, 3) : s.Branch(3, 2);
        bb.Commut = bf.letter, bb.R = 10, bb.X = 20, bb.G = 30, bb.B = 40, bb.Mark = "АС-70", bb.TypEqu = "LN|АС-70|";
        s.Node(4, "D");
        s.Branch(3, 4);
        TSchemBoxState box;
        s.Load(box);
        SElem node;
        node.NodeRow = 2;
        box.SelectedNode = &node;
        NodeMenuClick(box, {}, 10);

        DiagramScheme e;
        e.Nodes = {s.Nodes[0], s.Nodes[2], s.Nodes[3]};
        e.Branches = {s.Branches[0], s.Branches[2]};
        test::DiagBranch& j = e.Branches[0];
        (aBegins ? j.N1 : j.N2) = 3;
        j.Commut = expected[(aBegins ? 0 : 2) + (bf.off ? 0 : 1)];
        j.R = 11, j.X = 22, j.G = 33, j.B = 44;
        j.Mark = aBegins ? "АС-70" : "АС-50+АС-70";
        j.TypEqu = aBegins ? "LN|А-35|" : "LN|АС-70|";
        ExpectTables(box, e);
        EXPECT_EQ(box.LineSet, (std::vector<std::int32_t>{1, 2}));
        EXPECT_EQ(box.NodeSet, (std::vector<std::int32_t>{1, 2, 3}));
      }
  EXPECT_EQ(msg.Texts(), std::vector<std::string>(32, "Удалить врезанный узел ?"));

  // Anything but two branches is refused with a notice, and so is a self-loop, whether or not two
  // other branches meet at the node: joining around it would leave the loop without its node.
  using Ends = std::vector<std::pair<int, int>>;
  for (const Ends& ends : std::vector<Ends>{{{1, 2}, {2, 3}, {2, 3}}, {{2, 2}, {1, 2}}, {{1, 2}, {2, 2}, {2, 3}}}) {
    DiagramScheme s;
    s.Node(1, "A", "B");
    s.Node(2, "X");
    s.Node(3, "C");
    for (const auto& [n1, n2] : ends) s.Branch(n1, n2);
    TSchemBoxState box;
    s.Load(box);
    SElem node;
    node.NodeRow = 2;
    box.SelectedNode = &node;
    msg.Clear();
    NodeMenuClick(box, {}, 10);
    ASSERT_EQ(msg.Calls().size(), 1u);
    EXPECT_EQ(msg.Calls()[0].text, "Узел должен содержать две связи");
    ExpectTables(box, s);
    EXPECT_FALSE(box.Modified);
  }
}

TEST(SchemeEdit, DeletingLinesAndNodes) {
  test::ScriptedMsgBox msg;
  const DiagramScheme s = test::DistrictScheme();
  SElem node;
  node.NodeRow = 16;   // ОТП_12

  // A node with a self-loop: the loop goes once with the other branches of the node.
  {
    DiagramScheme looped = s;
    looped.Branch(60, 60);
    TSchemBoxState box;
    looped.Load(box);
    box.NoSupplyNodes.assign(18, 0);
    box.NoSupplyNodes[16] = 1;
    box.NoSupplyBranches.assign(18, 1);
    box.SelectedNode = &node;
    NodeMenuClick(box, {}, 11);
    DiagramScheme e = looped;
    e.Nodes.erase(e.Nodes.begin() + 15);
    e.Branches.erase(e.Branches.begin() + 17);
    e.Branches.erase(e.Branches.begin() + 5, e.Branches.begin() + 7);
    ExpectTables(box, e);
    EXPECT_EQ(box.NoSupplyNodes[15], 1);  // ТП-7 moved up
    EXPECT_EQ(box.NoSupplyBranches.size(), 15u);
  }
}

TEST(SchemeEdit, DeletingALineEquivalentlyMovesItsEndPowersIntoTheNodes) {
  test::ScriptedMsgBox msg;
  const bool phase = IniRec.FlagIF;
  IniRec.FlagIF = false;
  const double u1 = 10.4, f1 = -1.5, u2 = 10.1, f2 = -2.5, i = 80, faza = -35;
  // The end powers from the line voltages and the current alone: S = √3·U·I*.
  const auto end = [&](double u, double f) {
    return std::sqrt(3.0) * std::polar(u, f * std::numbers::pi / 180) *
           std::conj(std::polar(i, faza * std::numbers::pi / 180)) / 1000.0;
  };
  const std::complex<double> s1 = end(u1, f1), s2 = end(u2, f2);
  TSchemBoxState box;
  test::DistrictScheme().Load(box);
  TBranchCols& b = box.BranchCols;
  const int row = 6;  // ТП-1 (11, node row 6) - ОТП_12 (60, node row 16)
  (*b.U1)[row] = static_cast<float>(u1), (*b.F1)[row] = static_cast<float>(f1);
  (*b.U2)[row] = static_cast<float>(u2), (*b.F2)[row] = static_cast<float>(f2);
  (*b.Irez)[row] = static_cast<float>(i), (*b.Faza)[row] = static_cast<float>(faza);
  (*box.NodeCols.Pg)[6] = 0.25;
  SElem line;
  line.BranchRow = row;
  box.MarkedLine = &line;
  LineMenuClick(box, {}, 6);
  EXPECT_EQ(box.BranchCols.RowCount, 16);
  const TNodeCols& n = box.NodeCols;
  for (const auto& [got, want] : {std::pair{n.Pg->Get(6), 0.25 - s1.real()}, {n.Qg->Get(6), -s1.imag()},
                                  {n.Pg->Get(16), s2.real()}, {n.Qg->Get(16), s2.imag()}})
    EXPECT_NEAR(got, want, 1e-5);
  IniRec.FlagIF = phase;
}

TEST(SchemeEdit, NodeDialogsRebuildOnlyWhenTheDrawingChanges) {
  test::ScriptedMsgBox msg;
  TSchemBoxState box;
  test::DistrictScheme().Load(box);
  box.FAddPrim = true;
  SElem node;
  node.NodeRow = 16;
  node.Caption = "ОТП_12";
  double pn = 0;
  float um = 10.5f;
  bool changed = false;
  std::string note;
  TEditDialogs dialogs;
  dialogs.EditNodeParams = [&](const std::string&, const std::string&, TDataFile& nodes, TDataFile&, int row,
                               bool, const std::vector<std::string>&, const std::vector<std::string>&, bool& c) {
    TNodeCols n;
    FillNodeCols(nodes, n);
    (*n.Pn)[row] = pn, (*n.Um)[row] = um, (*n.Color)[row] = 77;
    c = changed;
    return true;
  };
  dialogs.EditNodeLoad = [&](const std::string&, TDataFile& nodes, int row) {
    TNodeCols n;
    FillNodeCols(nodes, n);
    n.Prim->SetItem(row, note);
    return true;
  };
  // A rebuild makes new elements and so drops the selection; a repaint keeps it.
  auto rebuilt = [&](auto command) {
    box.SelectedNode = &node;
    command();
    return box.SelectedNode == nullptr;
  };
  auto properties = [&] { NodeMenuClick(box, dialogs, 0); };
  auto load = [&] { EditNodeByClick(box, dialogs, &node, true); };
  um = 10.f;
  EXPECT_FALSE(rebuilt(properties));
  pn = 0.5;  // a load appears
  EXPECT_TRUE(rebuilt(properties));
  changed = true;
  EXPECT_TRUE(rebuilt(properties));
  note = "новая";  // a shown note changed
  EXPECT_TRUE(rebuilt(load));
  EXPECT_FALSE(rebuilt(load));
  PaintColor = 0;
}

TEST(SchemeEdit, TheCatalogCalculatorWritesTheBranchOnceConfirmed) {
  TSchemBoxState box;
  test::DistrictScheme().Load(box);
  box.BranchCols.Mark->SetItem(6, "");
  SElem line;
  line.BranchRow = 6;
  int relayouts = 0;
  test::FixedCanvas canvas;
  box.Canvas = &canvas;
  box.LayoutHook = [&](TCanvas&, TSchemeModel&) { ++relayouts; };
  TEditDialogs dialogs;
  bool confirm = false;
  dialogs.EditBranchParams = [&](int, int, const std::string&, const std::string&, const std::string&,
                                 TBranchParamsRec& p, bool) {
    p.R = 0.2f, p.Mark = "АС-95", p.TypEqu = "LN|АС-95|";
    return confirm;
  };
  std::vector<float> before;
  box.OnChangeLine = [&](const std::string&, TDataFile*, int, const TRecSwt* rec) {
    before.push_back(rec->R);
    return true;
  };
  EditLineByCatalog(box, dialogs, &line, 100, 200);
  EXPECT_FLOAT_EQ(box.BranchCols.R->Get(6), 0.43f);
  EXPECT_FALSE(box.Modified);
  confirm = true;
  EditLineByCatalog(box, dialogs, &line, 100, 200);
  EXPECT_FLOAT_EQ(box.BranchCols.R->Get(6), 0.2f);
  EXPECT_EQ(box.BranchCols.Mark->GetItem(6), "АС-95");
  EXPECT_EQ(before, (std::vector<float>{0.43f}));
  EXPECT_EQ(relayouts, 1);  // a mark where there was none takes room on the drawing
  EXPECT_TRUE(box.Modified);
}

// A damaged branch switched on in the branch dialog is no longer damaged on the drawing: the switch
// clicks take it like any other branch.
TEST(SchemeEdit, ASwitchingChangeInTheBranchDialogClearsTheDamage) {
  DiagramScheme s = test::ForkScheme();
  s.Branches[1].Commut = "П";
  test::ShownScheme f(s);
  ASSERT_TRUE(f.E("C")->Has(efDamaged));
  TEditDialogs dialogs;
  dialogs.EditLineParams = [](const std::string&, const std::string&, TDataFile&, TDataFile& branches, int row, bool,
                              const std::vector<std::string>&, const std::vector<std::string>&, bool&, bool&,
                              bool& switchChanged) {
    TBranchCols b;
    FillBranchCols(branches, b);
    (*b.Commut)[row] = 0;
    switchChanged = true;
    return true;
  };
  f.box.MarkedLine = f.E("C");
  EditLineProperties(f.box, dialogs);
  EXPECT_FALSE(f.E("C")->Has(efDamaged));
  EXPECT_EQ(f.box.BranchCols.Commut->Get(2), 0);
  EXPECT_TRUE(f.box.Modified);
}

}  // namespace
}  // namespace ld::diagram
