// The commands that add, insert and delete rows of the scheme's tables, set vertex marks and switch
// marks, and the table edits of the click modes that open a dialog.
#include <algorithm>
#include <array>
#include <cmath>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/diagram/scheme_edit.h"
#include "core/diagram/scheme_edit_detail.h"
#include "core/diagram/scheme_files.h"
#include "core/engine/electric.h"
#include "core/tables/switch_rec.h"
#include "core/tables/table_ops.h"

namespace ld::diagram {

namespace edit {

bool ChangeLine(TSchemBoxState& box, int row, const TRecSwt& before, bool wasModified, TTablesBackup* backup) {
  if (!box.OnChangeLine || box.OnChangeLine(box.SchemeBase, box.BranchTable.get(), row, &before)) return true;
  if (backup != nullptr) backup->Restore();
  if (box.BranchTable) {
    FillBranchCols(*box.BranchTable, box.BranchCols);
    if (row >= 1 && row <= box.BranchCols.RowCount) WriteBranchRec(box.BranchCols, row, before);
  }
  if (!wasModified) DropFirstChange(box);
  Rebuild(box);
  return false;
}

void RemoveFromSet(std::vector<std::int32_t>& set, int row) {
  std::erase(set, row);
  for (std::int32_t& entry : set)
    if (entry > row) --entry;
}

void AppendNodeRows(TSchemBoxState& box, int count) {
  for (int k = 0; k < count; ++k) {
    ++box.NodeTable->RowCount;
    InsertRowMark(box.NoSupplyNodes, box.NodeTable->RowCount);
  }
  FillNodeCols(*box.NodeTable, box.NodeCols);
}

void AppendBranchRows(TSchemBoxState& box, int count) {
  for (int k = 0; k < count; ++k) {
    ++box.BranchTable->RowCount;
    InsertRowMark(box.NoSupplyBranches, box.BranchTable->RowCount);
  }
  FillBranchCols(*box.BranchTable, box.BranchCols);
  FillGivenFlowRows(box);
}

void DeleteNodeRow(TSchemBoxState& box, int row) {
  DeleteTableRow(*box.NodeTable, row);
  --box.NodeTable->RowCount;
  box.NodeCols.RowCount = box.NodeTable->RowCount;
  EraseRowMark(box.NoSupplyNodes, row);
  RemoveFromSet(box.NodeSet, row);
}

void DeleteBranchRow(TSchemBoxState& box, int row) {
  DeleteTableRow(*box.BranchTable, row);
  --box.BranchTable->RowCount;
  box.BranchCols.RowCount = box.BranchTable->RowCount;
  EraseRowMark(box.NoSupplyBranches, row);
  RemoveFromSet(box.LineSet, row);
  FillGivenFlowRows(box);
}

void ClearRowBeyond(TDataFile& table) {
  const int row = table.RowCount + 1;
  for (int k = 1; k <= table.NCols; ++k) {
    TDynamicArray* column = table.Columns[k].get();
    if (column != nullptr && row < column->Size()) column->Delete(row, row);
  }
  if (table.MarkRec && row < table.MarkRec->Size()) table.MarkRec->Delete(row, row);
}

std::array<bool, 4> NodeSumsPresent(const TNodeCols& n, int row) {
  return {std::abs(n.Pn->Get(row)) + std::abs(n.Qn->Get(row)) != 0,
          std::abs(n.Pg->Get(row)) + std::abs(n.Qg->Get(row)) != 0,
          std::abs(n.WPn->Get(row)) + std::abs(n.WQn->Get(row)) != 0,
          std::abs(n.WPg->Get(row)) + std::abs(n.WQg->Get(row)) != 0};
}

int NodeRowOf(const TSchemBoxState& box, std::int32_t nodeNr) {
  for (int r = 1; r <= box.NodeCols.RowCount; ++r)
    if (box.NodeCols.NS->Get(r) == nodeNr) return r;
  return 0;
}

}  // namespace edit

using namespace edit;

namespace {

// The state of the far end of the deleted branch B: off (or damaged) or on.
bool FarEndOff(char32_t letter, bool beginsAtX) {
  if (letter == U'П' || letter == U'О') return true;
  return beginsAtX ? (letter == U'К' || letter == U'Ф') : letter == U'Н';
}

char32_t JoinedLetter(char32_t a, bool aBeginsAtX, bool farOff) {
  for (const TJoinLetters& j : DeleteJoinTable())
    if (j.A == a) return aBeginsAtX ? (farOff ? j.BeginOff : j.BeginOn) : (farOff ? j.EndOff : j.EndOn);
  return a;
}

double LoadShare(std::uint8_t code) {
  switch (code) {
    case 1: return 1.0 / 3.0;
    case 2: return 0.2;
    case 3: return 8.0 / 15.0;
    default: return 1.0;
  }
}

// The node dialog over a new row past the table's end, then the start of the change; false when the
// dialog was cancelled. A cancelled dialog may have filled that row ("Расчет по I,cos,tg ..."): it must
// not show up in the next new node.
bool EditNewNodeRow(TSchemBoxState& box, const TEditDialogs& dialogs, const std::string& caption, int row,
                    TTablesBackup& backup) {
  bool changed = false;
  if (!dialogs.EditNodeParams(box.SchemeBase, caption, *box.NodeTable, *box.BranchTable, row, box.EditMode,
                              box.AreaNumbers, box.AreaNames, changed)) {
    ClearRowBeyond(*box.NodeTable);
    return false;
  }
  try {
    backup.StartChange();
  } catch (...) {
    ClearRowBeyond(*box.NodeTable);
    throw;
  }
  return true;
}

}  // namespace

void AddNewNode(TSchemBoxState& box, const TEditDialogs& dialogs) {
  if (!box.NodeTable || !box.BranchTable || !dialogs.EditNodeParams) return;
  const int row = box.NodeTable->RowCount + 1;
  TTablesBackup backup(box);
  if (!EditNewNodeRow(box, dialogs, "Создание нового узла", row, backup)) return;
  AppendNodeRows(box, 1);
  FillBranchCols(*box.BranchTable, box.BranchCols);
  box.NodeSet.push_back(row);
  Rebuild(box);
  if (dialogs.LocateNode) dialogs.LocateNode(box.NodeCols.NS->Get(row));
}

void AddNewLink(TSchemBoxState& box, const TEditDialogs& dialogs) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable || !dialogs.AddLinkDialog) return;
  const int nodeRow = elem->NodeRow;
  if (nodeRow < 1 || nodeRow > box.NodeCols.RowCount) return;
  const int nodes = box.NodeTable->RowCount, branches = box.BranchTable->RowCount;
  TTablesBackup backup(box);
  int count = 0;
  if (!dialogs.AddLinkDialog(box.SchemeBase, box.NodeCols.Name->GetItem(nodeRow), box.NodeCols.NS->Get(nodeRow), count,
                             *box.BranchTable, *box.NodeTable, box.NodeCols.Um->Get(nodeRow)))
    return;
  backup.StartChange();
  // The dialog counted its rows into the tables; the maps, the sets and the per-row lists follow.
  box.NodeTable->RowCount = nodes;
  box.BranchTable->RowCount = branches;
  AppendNodeRows(box, count);
  AppendBranchRows(box, count);
  for (int k = 1; k <= count; ++k) {
    box.NodeSet.push_back(nodes + k);
    box.LineSet.push_back(branches + k);
  }
  Rebuild(box);
  if (dialogs.LocateNode && count > 0) dialogs.LocateNode(box.NodeCols.NS->Get(box.NodeCols.RowCount));
}

void InsertNodeIntoLine(TSchemBoxState& box, const TEditDialogs& dialogs) {
  const PSElem elem = box.MarkedLine;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable || !dialogs.EditNodeParams) return;
  const int r = elem->BranchRow;
  if (r < 1 || r > box.BranchCols.RowCount) return;
  const int nodeRow = box.NodeTable->RowCount + 1;
  TTablesBackup backup(box);
  if (!EditNewNodeRow(box, dialogs, "Врезка нового узла в линию", nodeRow, backup)) return;
  AppendNodeRows(box, 1);
  box.NodeSet.push_back(nodeRow);
  const std::int32_t x = box.NodeCols.NS->Get(nodeRow);

  for (std::int32_t& entry : box.LineSet)
    if (entry > r) ++entry;
  TDataFile& table = *box.BranchTable;
  InsertTableRow(table, r);
  CopyTableRow(table, table, r + 1, r);
  ++table.RowCount;
  InsertRowMark(box.NoSupplyBranches, r);
  FillBranchCols(table, box.BranchCols);
  TBranchCols& b = box.BranchCols;

  const char32_t c = CommutLetter(b, r + 1);
  (*b.N2)[r] = x;
  b.Name1->SetItem(r, "");
  b.Name2->SetItem(r, "");
  b.MarkCom2->SetItem(r, "");
  (*b.N1)[r + 1] = x;
  b.Name1->SetItem(r + 1, "");
  b.Name2->SetItem(r + 1, "");
  b.MarkCom1->SetItem(r + 1, "");
  for (const TSplitLetters& s : InsertSplitTable())
    if (s.Old == c) {
      SetCommutLetter(b, r, s.First);
      SetCommutLetter(b, r + 1, s.Second);
    }
  box.LineSet.push_back(r + 1);
  FillGivenFlowRows(box);
  Rebuild(box);
  if (dialogs.LocateNode) dialogs.LocateNode(x);
}

void DeleteLine(TSchemBoxState& box) {
  const PSElem elem = box.MarkedLine;
  if (elem == nullptr || !box.BranchTable) return;
  const int row = elem->BranchRow;
  if (row < 1 || row > box.BranchCols.RowCount) return;
  if (!Confirm("Удалить линию ?")) return;
  StartChange(box);
  DeleteBranchRow(box, row);
  Rebuild(box);
}

void DeleteLineEquivalent(TSchemBoxState& box) {
  const PSElem elem = box.MarkedLine;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable) return;
  const int row = elem->BranchRow;
  if (row < 1 || row > box.BranchCols.RowCount) return;
  if (!Confirm("Удалить линию эквивалентно ?")) return;
  StartChange(box);
  const TBranchCols& b = box.BranchCols;
  const double k = LoadShare(b.Tz->Get(row));
  const TBranchFlows flows = CalcBranchFlows(b.U1->Get(row), b.F1->Get(row), b.U2->Get(row), b.F2->Get(row),
                                             b.Irez->Get(row), b.Faza->Get(row), b.R->Get(row) * k, b.X->Get(row) * k,
                                             b.G->Get(row), b.B->Get(row), b.Kta->Get(row), b.Ktr->Get(row));
  const std::int32_t n1 = b.N1->Get(row), n2 = b.N2->Get(row);
  TNodeCols& n = box.NodeCols;
  bool begin = false, end = false;
  for (int r = 1; r <= n.RowCount && !(begin && end); ++r) {
    const std::int32_t nr = n.NS->Get(r);
    if (!begin && nr == n1) {
      (*n.Pg)[r] -= flows.P1;
      (*n.Qg)[r] -= flows.Q1;
      begin = true;
    } else if (!end && nr == n2) {
      (*n.Pg)[r] += flows.P2;
      (*n.Qg)[r] += flows.Q2;
      end = true;
    }
  }
  DeleteBranchRow(box, row);
  Rebuild(box);
}

void DeleteNodeWithLinks(TSchemBoxState& box) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable) return;
  const int row = elem->NodeRow;
  if (row < 1 || row > box.NodeCols.RowCount) return;
  if (!Confirm("Удалить узел со всеми связями ?")) return;
  StartChange(box);
  const std::int32_t x = box.NodeCols.NS->Get(row);
  DeleteNodeRow(box, row);
  for (int r = box.BranchCols.RowCount; r >= 1; --r)
    if (box.BranchCols.N1->Get(r) == x || box.BranchCols.N2->Get(r) == x) DeleteBranchRow(box, r);
  Rebuild(box);
}

void DeleteInsertedNode(TSchemBoxState& box) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable) return;
  const int row = elem->NodeRow;
  if (row < 1 || row > box.NodeCols.RowCount) return;
  const std::int32_t x = box.NodeCols.NS->Get(row);
  TBranchCols& b = box.BranchCols;
  // A self-loop at the node is none of the two branches: joining around it would leave it without
  // its node.
  int touching = 0;
  bool selfLoop = false;
  for (int r = 1; r <= b.RowCount; ++r) {
    const bool at1 = b.N1->Get(r) == x, at2 = b.N2->Get(r) == x;
    if (at1 && at2)
      selfLoop = true;
    else if (at1 || at2)
      ++touching;
  }
  if (touching != 2 || selfLoop) {
    ShowMsgForm("Узел должен содержать две связи", mkInfo, mbOk);
    return;
  }
  if (!Confirm("Удалить врезанный узел ?")) return;
  StartChange(box);
  DeleteNodeRow(box, row);

  int rowB = 0, rowA = 0;
  for (int r = b.RowCount; r >= 1 && rowA == 0; --r)
    if (b.N1->Get(r) == x || b.N2->Get(r) == x) (rowB == 0 ? rowB : rowA) = r;

  const bool bBegins = b.N1->Get(rowB) == x;
  const bool farOff = FarEndOff(CommutLetter(b, rowB), bBegins);
  const std::int32_t y = bBegins ? b.N2->Get(rowB) : b.N1->Get(rowB);
  const bool aBegins = b.N1->Get(rowA) == x;
  (*(aBegins ? b.N1 : b.N2))[rowA] = y;
  SetCommutLetter(b, rowA, JoinedLetter(CommutLetter(b, rowA), aBegins, farOff));

  const std::string markA = b.Mark->GetItem(rowA), markB = b.Mark->GetItem(rowB);
  b.Mark->SetItem(rowA, markA.empty() ? markB : markA + "+" + markB);
  if (b.TypEqu->GetItem(rowA).empty()) b.TypEqu->SetItem(rowA, b.TypEqu->GetItem(rowB));
  (*b.R)[rowA] += b.R->Get(rowB);
  (*b.X)[rowA] += b.X->Get(rowB);
  (*b.G)[rowA] += b.G->Get(rowB);
  (*b.B)[rowA] += b.B->Get(rowB);
  DeleteBranchRow(box, rowB);
  Rebuild(box);
}

void SetVertexMark(TSchemBoxState& box, const TEditDialogs& dialogs, std::uint8_t mark) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !box.NodeTable) return;
  const int row = elem->NodeRow;
  if (row < 1 || row > box.NodeCols.RowCount) return;
  StartChange(box);
  (*box.NodeCols.Peak)[row] = mark;
  const std::int32_t nodeNr = box.NodeCols.NS->Get(row);
  Rebuild(box);
  if (dialogs.LocateNode) dialogs.LocateNode(nodeNr);
}

void ResetSwitchDevices(TSchemBoxState& box) {
  const PSElem selected = box.SelectedNode;
  if (selected == nullptr || !box.BranchTable) return;
  StartChange(box);
  const std::int32_t nodeNr = selected->NodeNr;
  TBranchCols& b = box.BranchCols;
  auto reset = [&](SElem& e, bool ownEnd) {
    e.Flags |= ownEnd ? efNoSwitchOwn : efNoSwitchParent;
    const int row = e.BranchRow;
    if (row < 1 || row > b.RowCount) return;
    if (b.N1->Get(row) == nodeNr)
      b.MarkCom1->SetItem(row, "-");
    else
      b.MarkCom2->SetItem(row, "-");
  };
  reset(*selected, true);
  const auto count = [](std::int32_t n, std::size_t size) {
    return std::min(static_cast<std::size_t>(std::max(n, 0)), size);
  };
  for (std::size_t k = 0; k < count(selected->ChildCount, selected->Children.size()); ++k)
    if (selected->Children[k] != nullptr) reset(*selected->Children[k], false);
  const std::array<std::pair<const std::vector<PSElem>*, std::int32_t>, 3> links = {
      {{&selected->DownLinks, selected->DownLinkCount},
       {&selected->SideLinks, selected->SideLinkCount},
       {&selected->UpLinks, selected->UpLinkCount}}};
  for (const auto& [list, n] : links)
    for (std::size_t k = 0; k < count(n, list->size()); ++k)
      if (const PSElem link = (*list)[k]; link != nullptr) reset(*link, link->NodeNr == nodeNr);
  box.Modified = true;
  box.Paint();
}

// ---- click modes with a dialog

void AddLineBetween(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem prev, PSElem elem) {
  if (prev == nullptr || elem == nullptr || prev->Has(efGroup) || elem->Has(efGroup) || !box.BranchTable) return;
  StartChange(box);
  const int row = box.BranchTable->RowCount + 1;
  InsertTableRow(*box.BranchTable, row);
  AppendBranchRows(box, 1);
  (*box.BranchCols.N1)[row] = prev->NodeNr;
  (*box.BranchCols.N2)[row] = elem->NodeNr;
  FillGivenFlowRows(box);
  box.LineSet.push_back(row);
  const std::int32_t nodeNr = elem->NodeNr;
  Rebuild(box);
  if (dialogs.LocateNode) dialogs.LocateNode(nodeNr);
}

void EditLineByCatalog(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem elem, int x, int y) {
  if (elem == nullptr || !box.BranchTable || !dialogs.EditBranchParams) return;
  const int row = elem->BranchRow;
  TBranchCols& b = box.BranchCols;
  if (row < 1 || row > b.RowCount) return;
  const std::string nums = IntToStr(b.N1->Get(row)) + " - " + IntToStr(b.N2->Get(row));
  const std::string names = b.Name1->GetItem(row) + " - " + b.Name2->GetItem(row);
  const std::string caption = box.FPaintNod == ncmNumber ? nums
                              : box.FPaintNod == ncmName ? names
                                                         : nums + "  " + names;
  TRecSwt before;
  ReadBranchRec(b, row, before);
  TBranchParamsRec p;
  p.TypEqu = b.TypEqu->GetItem(row), p.Mark = b.Mark->GetItem(row), p.Regulation = b.Regulation->GetItem(row);
  p.Notv = b.Notv->Get(row), p.Ntpr = b.Ntpr->Get(row);
  p.R = b.R->Get(row), p.X = b.X->Get(row), p.G = b.G->Get(row), p.B = b.B->Get(row);
  p.Kta = b.Kta->Get(row), p.Ktr = b.Ktr->Get(row), p.Ktn = b.Ktn->Get(row);
  p.Idop = b.Idop->Get(row), p.Sdop = b.Sdop->Get(row);
  // The calculator works on a copy: the row takes its values only once the first change passed.
  if (!dialogs.EditBranchParams(x + 16, y + 16, ProgramDir, box.SchemeBase, caption, p, CutMark)) return;
  const bool wasModified = box.Modified;
  StartChange(box);
  const bool hadMark = !b.Mark->GetItem(row).empty();
  b.TypEqu->SetItem(row, p.TypEqu);
  b.Mark->SetItem(row, p.Mark);
  b.Regulation->SetItem(row, p.Regulation);
  (*b.Notv)[row] = p.Notv, (*b.Ntpr)[row] = p.Ntpr;
  (*b.R)[row] = p.R, (*b.X)[row] = p.X, (*b.G)[row] = p.G, (*b.B)[row] = p.B;
  (*b.Kta)[row] = p.Kta, (*b.Ktr)[row] = p.Ktr, (*b.Ktn)[row] = p.Ktn;
  (*b.Idop)[row] = p.Idop, (*b.Sdop)[row] = p.Sdop;
  const bool transformer = IsTransformerRow(b, row);
  const bool relayout = (!hadMark && !p.Mark.empty()) || transformer != elem->Has(efTransformer);
  elem->Flags = transformer ? elem->Flags | efTransformer : elem->Flags & ~efTransformer;
  if (relayout)
    Relayout(box);
  else if (box.FSnomTr || box.FMarkLn || box.FMarkTr || box.FMarkRt)
    box.Paint();
  ChangeLine(box, row, before, wasModified);
}

void EditLineMeter(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem elem) {
  if (elem == nullptr || !box.NodeTable || !box.BranchTable || !box.FlowTable || !dialogs.EditEnergyMeter) return;
  const int row = elem->BranchRow;
  if (row < 1 || row > box.BranchCols.RowCount) return;
  const PSElem own = elem->Has(efReference) && elem->Target != nullptr ? elem->Target : elem;
  const int parentRow = elem->Parent != nullptr ? elem->Parent->NodeRow : 0;
  TTablesBackup backup(box);
  const std::vector<std::int32_t> givenFlows = box.GivenFlowRow;
  if (!dialogs.EditEnergyMeter(box.SchemeBase, *box.NodeTable, *box.BranchTable, *box.FlowTable, parentRow,
                               own->NodeRow, row, &box.GivenFlowRow, box.AreaNumbers, box.AreaNames))
    return;
  try {
    backup.StartChange();
  } catch (...) {
    box.GivenFlowRow = givenFlows;
    throw;
  }
  // The dialog keeps the given-flow rows itself: it may point a branch at a row of any measurement type.
  FillLineFlowCols(*box.FlowTable, box.FlowCols);
  box.Paint();
}

void EditNodeByClick(TSchemBoxState& box, const TEditDialogs& dialogs, PSElem elem, bool loadMode) {
  if (elem == nullptr || elem->Has(efGroup) || !box.NodeTable || !box.BranchTable) return;
  const int row = elem->NodeRow;
  if (row < 1 || row > box.NodeCols.RowCount) return;
  if (loadMode ? !dialogs.EditNodeLoad : (!dialogs.EditEnergyMeter || !box.FlowTable)) return;
  const auto sums = NodeSumsPresent(box.NodeCols, row);
  const std::string note = box.NodeCols.Prim->GetItem(row);
  TTablesBackup backup(box);
  const bool confirmed = loadMode
                             ? dialogs.EditNodeLoad("Параметры узла - " + box.CaptionText(*elem), *box.NodeTable, row)
                             : dialogs.EditEnergyMeter(box.SchemeBase, *box.NodeTable, *box.BranchTable, *box.FlowTable,
                                                       row, 0, 0, nullptr, box.AreaNumbers, box.AreaNames);
  if (!confirmed) return;
  backup.StartChange();
  FillNodeCols(*box.NodeTable, box.NodeCols);
  if (!loadMode) FillLineFlowCols(*box.FlowTable, box.FlowCols);
  if (NodeSumsPresent(box.NodeCols, row) != sums || (box.FAddPrim && box.NodeCols.Prim->GetItem(row) != note))
    Rebuild(box);
  else
    box.Paint();
}

}  // namespace ld::diagram
