// The radius as a drawable scheme.
#include "core/optim/tkz_view.h"

#include <algorithm>
#include <map>

#include "core/optim/tkz_radius.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"

namespace ld {

namespace {

struct ViewNode {
  std::string Name;
  double Urez = 0, Angle = 0;
  float Um = 0;
  std::int32_t Color = 0;
  bool Balancing = false;
};

}  // namespace

void BuildTkzViewTables(const TDataFile& radius, const std::string& title, TDataFile& nodes, TDataFile& branches) {
  TTkzBranchCols rc;
  FillTkzBranchCols(radius, rc);
  const int rows = rc.RowCount;
  std::map<std::int32_t, ViewNode> byNumber;
  for (int r = 1; r <= rows; ++r) {
    const char32_t sign = TkzSignOf(rc.Sign->Get(r));
    auto [n1, new1] = byNumber.try_emplace(rc.N1->Get(r));
    n1->second.Urez = rc.U1->Get(r);
    if (new1) {
      n1->second.Name = rc.Name1->GetItem(r);
      n1->second.Angle = rc.F1->Get(r);
      if (sign == TkzSignSource || sign == TkzSignEmf) {
        n1->second.Um = rc.U1->Get(r);
        n1->second.Color = TkzSourceColor;
        n1->second.Balancing = sign == TkzSignSource;
      }
    }
    auto [n2, new2] = byNumber.try_emplace(rc.N2->Get(r));
    n2->second.Urez = rc.U2->Get(r);
    if (new2) {
      n2->second.Name = rc.Name2->GetItem(r);
      n2->second.Angle = rc.F2->Get(r);
      if (sign == TkzSignFault) n2->second.Color = TkzFaultColor;
    }
  }

  ReadMaket(LayoutNodes, nodes);
  CreateColumns(nodes, static_cast<int>(byNumber.size()));
  nodes.Title = title;
  TNodeCols n;
  FillNodeCols(nodes, n);
  int row = 0;
  for (const auto& [number, node] : byNumber) {
    ++row;
    (*n.NS)[row] = number;
    n.Name->SetItem(row, node.Name);
    (*n.Urez)[row] = node.Urez;
    (*n.Angle)[row] = node.Angle;
    (*n.Um)[row] = node.Um;
    (*n.Color)[row] = node.Color;
    if (node.Balancing) (*n.Sign)[row] = 'b';
  }

  ReadMaket(LayoutBranches, branches);
  CreateColumns(branches, rows);
  branches.Title = title;
  TBranchCols b;
  FillBranchCols(branches, b);
  for (int r = 1; r <= rows; ++r) {
    (*b.N1)[r] = rc.N1->Get(r);
    (*b.N2)[r] = rc.N2->Get(r);
    b.TypEqu->SetItem(r, rc.TypEqu->GetItem(r));
    b.Mark->SetItem(r, rc.Mark->GetItem(r));
    b.DSName->SetItem(r, rc.DSName->GetItem(r));
    b.Regulation->SetItem(r, rc.Regulation->GetItem(r));
    b.MarkCom1->SetItem(r, rc.MarkCom1->GetItem(r));
    b.MarkCom2->SetItem(r, rc.MarkCom2->GetItem(r));
    (*b.R)[r] = rc.R->Get(r);
    (*b.X)[r] = rc.X->Get(r);
    (*b.Kta)[r] = rc.Kta->Get(r);
    (*b.Ktr)[r] = rc.Ktr->Get(r);
    (*b.Ktn)[r] = rc.Ktn->Get(r);
    b.Notv[r] = rc.Notv->Get(r);
    b.Ntpr[r] = rc.Ntpr->Get(r);
    (*b.U1)[r] = rc.U1->Get(r);
    (*b.F1)[r] = rc.F1->Get(r);
    (*b.U2)[r] = rc.U2->Get(r);
    (*b.F2)[r] = rc.F2->Get(r);
    (*b.Sdop)[r] = rc.Sdop->Get(r);
    (*b.Irez)[r] = rc.Ikz0->Get(r) * 1000;
    (*b.Faza)[r] = rc.Fkz0->Get(r);
  }
}

void WriteTkzViewScheme(const TDataFile& radius, const std::string& title, const std::string& stem) {
  TDataFile nodes, branches;
  BuildTkzViewTables(radius, title, nodes, branches);
  WriteTableSet({{stem + nodes.Extention, &nodes}, {stem + branches.Extention, &branches}});
}

}  // namespace ld
