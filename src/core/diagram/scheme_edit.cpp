#include "core/diagram/scheme_edit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/settings.h"
#include "core/catalogs/catalog_units.h"
#include "core/diagram/scheme_edit_detail.h"
#include "core/diagram/scheme_files.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/file_io.h"
#include "core/tables/switch_rec.h"

namespace ld::diagram {

using namespace edit;

namespace {

constexpr std::array<TSplitLetters, 6> kInsertSplit = {{
    {0, 0, 0},
    {U'Н', U'Н', 0},
    {U'К', 0, U'К'},
    {U'О', U'Н', U'К'},
    {U'Ф', 0, U'Ф'},
    {U'П', U'П', U'П'},
}};

constexpr std::array<TJoinLetters, 6> kDeleteJoin = {{
    {0, U'Н', 0, U'К', 0},
    {U'Н', U'Н', 0, U'О', U'Н'},
    {U'К', U'О', U'К', U'К', 0},
    {U'О', U'О', U'К', U'О', U'Н'},
    {U'Ф', U'Ф', U'Ф', U'Ф', U'Ф'},
    {U'П', U'П', U'П', U'П', U'П'},
}};

constexpr std::array<TMenuItemDef, 23> kNodeMenu = {{
    {0, "Свойства", false, false},
    {0, "-", false, false},
    {1, "Построение дерева питания", false, true},
    {2, "Построение радиуса питания", false, true},
    {3, "Построение трасс питания", false, true},
    {4, "Построение яруса узла", false, true},
    {5, "Развернуть/свернуть подстанцию", false, false},
    {7, "Показать/скрыть связи узла", false, true},
    {0, "-", false, false},
    {6, "Добавить новый узел", true, false},
    {8, "Добавить новую связь", true, false},
    {0, "-", false, false},
    {10, "Удалить врезанный узел", true, false},
    {11, "Удалить узел со всеми связями", true, false},
    {0, "-", false, false},
    {12, "Задать как вершину схемы", true, false},
    {13, "Задать как вершину подсхемы", true, false},
    {14, "Сбросить установки вершин", true, false},
    {0, "-", false, false},
    {18, "Сброс коммутационных аппаратов", true, false},
    {0, "-", false, false},
    {15, "Присоединенные абоненты по ПС", false, true},
    {16, "Присоединенные абоненты по узлу", false, true},
}};
constexpr std::array<TMenuItemDef, 12> kLineMenu = {{
    {0, "Свойства", false, false},
    {0, "-", false, false},
    {1, "Переход по линии", false, false},
    {0, "-", false, false},
    {2, "Врезать узел", true, false},
    {3, "Удалить линию", true, false},
    {6, "Удалить линию эквивалентно", true, false},
    {0, "-", false, false},
    {5, "Откл/вкл линии с двух сторон", true, false},
    {4, "Повреждение линии (уст/сброс)", true, false},
    {0, "-", false, false},
    {17, "Присоединенные абоненты по линии", false, true},
}};

constexpr std::array<TMenuItemDef, 1> kEmptyMenu = {{{1, "Добавить новый узел", true, false}}};

// Busy for the length of one command, an exception included.
class TBusy {
public:
  explicit TBusy(TSchemBoxState& box) : box_(box) { box_.Busy = true; }
  ~TBusy() { box_.Busy = false; }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

private:
  TSchemBoxState& box_;
};

std::int32_t ColorAt(const TDynamicArray* column, int row) {
  if (column == nullptr) return 0;
  switch (column->TypeLetter()) {
    case 'l': return static_cast<const DALongint*>(column)->Get(row);
    case 'i': return static_cast<const DAsmallint*>(column)->Get(row);
    case 'w': return static_cast<const DAword*>(column)->Get(row);
    default: return 0;
  }
}

void SetColorAt(TDynamicArray* column, int row, std::int32_t color) {
  if (column == nullptr) return;
  switch (column->TypeLetter()) {
    case 'l': (*static_cast<DALongint*>(column))[row] = color; break;
    case 'i': (*static_cast<DAsmallint*>(column))[row] = static_cast<std::int16_t>(color); break;
    case 'w': (*static_cast<DAword*>(column))[row] = static_cast<std::uint16_t>(color); break;
    default: break;
  }
}

std::string LetterText(const DAChar* column, int row) {
  std::string text;
  const auto byte = static_cast<unsigned char>(column->Get(row));
  if (byte != 0) AppendUtf8(text, UpperChar(Cp1251Char(byte)));
  return text;
}

void SetLetterText(DAChar* column, int row, const std::string& text) {
  char byte = 0;
  if (!text.empty()) {
    std::size_t pos = 0;
    const int code = Cp1251Code(NextUtf8Char(text, pos));
    byte = code > 0 ? static_cast<char>(code) : 0;
  }
  (*column)[row] = byte;
}

void RefillMaps(TSchemBoxState& box) {
  if (box.NodeTable) FillNodeCols(*box.NodeTable, box.NodeCols);
  if (box.BranchTable) FillBranchCols(*box.BranchTable, box.BranchCols);
}

// Flags of the switching devices of both ends from the switch marks, through the device catalogue
// of the program folder when it is there.
void SetSwitchKinds(TSchemBoxState& box, SElem& elem, int row) {
  const std::string mark1 = UpperCase(box.BranchCols.MarkCom1->GetItem(row));
  const std::string mark2 = UpperCase(box.BranchCols.MarkCom2->GetItem(row));
  const bool reversed = elem.Has(efReversed);
  bool loaded = false;
  const std::string catalog = FindFileNoCase(ProgramDir + CatalogFileKA);
  if (!ProgramDir.empty() && fileio::FileExists(catalog)) {
    try {
      LoadCatalogKA(ProgramDir, false);
      loaded = true;
    } catch (const Error&) {
      FreeCatalogKA();
    }
  }
  box.SetSwitchKindFlags(elem, reversed ? mark2 : mark1, true);
  box.SetSwitchKindFlags(elem, reversed ? mark1 : mark2, false);
  if (loaded) FreeCatalogKA();
}

}  // namespace

// ---- letters

char32_t CommutLetter(const TBranchCols& cols, int row) {
  if (cols.Commut == nullptr) return 0;
  const auto byte = static_cast<unsigned char>(cols.Commut->Get(row));
  return byte == 0 ? 0 : UpperChar(Cp1251Char(byte));
}

void SetCommutLetter(TBranchCols& cols, int row, char32_t letter) {
  const int code = letter == 0 ? 0 : Cp1251Code(letter);
  (*cols.Commut)[row] = code > 0 ? static_cast<char>(code) : 0;
}

std::uint32_t CommutFlags(char32_t letter, bool reversed) {
  const std::uint32_t begin = reversed ? efOffParent : efOffOwn;
  const std::uint32_t end = reversed ? efOffOwn : efOffParent;
  switch (letter) {
    case U'Н': return begin;
    case U'К': return end;
    case U'О': return efOffOwn | efOffParent;
    case U'Ф': return end | efFixedOff;
    case U'П': return efOffOwn | efOffParent | efDamaged;
    default: return 0;
  }
}

char32_t CommutOfFlags(std::uint32_t flags) {
  const bool own = (flags & efOffOwn) != 0, parent = (flags & efOffParent) != 0;
  const bool reversed = (flags & efReversed) != 0;
  if (own && parent) return U'О';
  if (own) return reversed ? U'К' : U'Н';
  if (parent) return reversed ? U'Н' : U'К';
  return 0;
}

std::span<const TSplitLetters> InsertSplitTable() { return kInsertSplit; }
std::span<const TJoinLetters> DeleteJoinTable() { return kDeleteJoin; }

bool IsTransformerRow(const TBranchCols& cols, int row) {
  if (cols.Kta->Get(row) != 0 || cols.Ktr->Get(row) != 0) return true;
  const std::string typ = cols.TypEqu->GetItem(row);
  return typ.starts_with("T") || typ.starts_with("RT");
}

// ---- menus

std::span<const TMenuItemDef> NodeMenuItems() { return kNodeMenu; }
std::span<const TMenuItemDef> LineMenuItems() { return kLineMenu; }
std::span<const TMenuItemDef> EmptyMenuItems() { return kEmptyMenu; }

void NodeMenuClick(TSchemBoxState& box, const TEditDialogs& dialogs, int tag) {
  if (box.Busy) return;
  const TBusy busy(box);
  RunNodeMenuCommand(box, dialogs, tag);
}

void LineMenuClick(TSchemBoxState& box, const TEditDialogs& dialogs, int tag) {
  if (box.Busy) return;
  const TBusy busy(box);
  RunLineMenuCommand(box, dialogs, tag);
}

void EmptyMenuClick(TSchemBoxState& box, const TEditDialogs& dialogs, int tag) {
  if (box.Busy) return;
  const TBusy busy(box);
  if (tag == 1) AddNewNode(box, dialogs);
}

void RunNodeMenuCommand(TSchemBoxState& box, const TEditDialogs& dialogs, int tag) {
  switch (tag) {
    case 0:
      if (box.SelectedNode == nullptr) return;
      if (box.SelectedNode->Has(efGroup))
        EditSubstationProperties(box, dialogs);
      else
        EditNodeProperties(box, dialogs);
      break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 7:
    case 15:
    case 16:
      if (box.OnExtNodeMenuClick) box.OnExtNodeMenuClick(tag);
      break;
    case 5: ToggleSubstationExpanded(box); break;
    case 6: AddNewNode(box, dialogs); break;
    case 8: AddNewLink(box, dialogs); break;
    case 10: DeleteInsertedNode(box); break;
    case 11: DeleteNodeWithLinks(box); break;
    case 12: SetVertexMark(box, dialogs, 1); break;
    case 13: SetVertexMark(box, dialogs, 2); break;
    case 14: SetVertexMark(box, dialogs, 0); break;
    case 18: ResetSwitchDevices(box); break;
    default: break;
  }
}

void RunLineMenuCommand(TSchemBoxState& box, const TEditDialogs& dialogs, int tag) {
  if (box.MarkedLine == nullptr) return;
  switch (tag) {
    case 0: EditLineProperties(box, dialogs); break;
    case 1: GoAlongLine(box, dialogs); break;
    case 2: InsertNodeIntoLine(box, dialogs); break;
    case 3: DeleteLine(box); break;
    case 4: ToggleLineDamage(box); break;
    case 5: ToggleLineBothSides(box); break;
    case 6: DeleteLineEquivalent(box); break;
    case 17:
      if (box.OnExtLineMenuClick) box.OnExtLineMenuClick(tag);
      break;
    default: break;
  }
}

// ---- properties

void EditNodeProperties(TSchemBoxState& box, const TEditDialogs& dialogs) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable || !dialogs.EditNodeParams) return;
  const int row = elem->NodeRow;
  if (row < 1 || row > box.NodeCols.RowCount) return;
  const auto sums = NodeSumsPresent(box.NodeCols, row);
  const std::int32_t color = box.NodeCols.Color->Get(row);
  TTablesBackup backup(box);
  bool changed = false;
  if (!dialogs.EditNodeParams(box.SchemeBase, "Параметры узла", *box.NodeTable, *box.BranchTable, row, box.EditMode,
                              box.AreaNumbers, box.AreaNames, changed))
    return;
  backup.StartChange();
  RefillMaps(box);
  if (box.NodeCols.Color->Get(row) != color) PaintColor = box.NodeCols.Color->Get(row);
  if (changed || NodeSumsPresent(box.NodeCols, row) != sums)
    Rebuild(box);
  else
    box.Paint();
}

void EditSubstationProperties(TSchemBoxState& box, const TEditDialogs& dialogs) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable || !dialogs.EditSubstation) return;
  TNodeCols& n = box.NodeCols;
  const int row = elem->NodeRow;
  if (row < 1 || row > n.RowCount) return;
  std::vector<std::string> parts, rests;
  parts.reserve(static_cast<std::size_t>(n.RowCount));
  rests.reserve(static_cast<std::size_t>(n.RowCount));
  for (int r = 1; r <= n.RowCount; ++r) {
    const std::string name = n.Name->GetItem(r);
    const std::size_t dot = name.find('.');
    parts.push_back(name.substr(0, dot));
    rests.push_back(dot == std::string::npos ? std::string() : name.substr(dot));
  }
  const std::string oldName = elem->Caption.value_or(std::string());
  std::string name = oldName;
  std::string owner = n.Balans->GetItem(row);
  std::string ownership = LetterText(n.A, row);
  std::int32_t district = n.Nr->Get(row);
  const std::int32_t oldColor = n.Color->Get(row);
  std::int32_t color = oldColor;
  bool renamed = false;
  if (!dialogs.EditSubstation(name, owner, parts, box.AreaNumbers, box.AreaNames, box.EditMode, renamed, ownership,
                              district, color))
    return;
  StartChange(box);
  if (color != oldColor) PaintColor = color;

  const std::string oldUpper = UpperCase(oldName);
  std::set<std::int32_t> numbers;
  std::vector<int> rows;
  for (int r = 1; r <= n.RowCount; ++r) {
    if (UpperCase(parts[static_cast<std::size_t>(r) - 1]) != oldUpper) continue;
    (*n.Nr)[r] = district;
    SetLetterText(n.A, r, ownership);
    n.Balans->SetItem(r, owner);
    (*n.Color)[r] = color;
    numbers.insert(n.NS->Get(r));
    rows.push_back(r);
  }
  TBranchCols& b = box.BranchCols;
  for (int r = 1; r <= b.RowCount; ++r) {
    if (!numbers.contains(b.N1->Get(r)) || !numbers.contains(b.N2->Get(r))) continue;
    (*b.Nr)[r] = district;
    SetLetterText(b.A, r, ownership);
    b.Balans->SetItem(r, owner);
  }
  if (renamed || box.FAbon || box.FRayon) {
    for (const int r : rows) n.Name->SetItem(r, name + rests[static_cast<std::size_t>(r) - 1]);
    for (std::string& expanded : box.ExpandedSubst)
      if (expanded == oldUpper) expanded = UpperCase(name);
    Rebuild(box);
  } else {
    box.Paint();
  }
}

void EditLineProperties(TSchemBoxState& box, const TEditDialogs& dialogs) {
  const PSElem elem = box.MarkedLine;
  if (elem == nullptr || !box.NodeTable || !box.BranchTable || !dialogs.EditLineParams) return;
  const int row = elem->BranchRow;
  if (row < 1 || row > box.BranchCols.RowCount) return;
  const std::int32_t color = ColorAt(box.BranchCols.Color, row);
  TRecSwt before;
  ReadBranchRec(box.BranchCols, row, before);
  TTablesBackup backup(box);
  bool endsChanged = false, paramsChanged = false, switchChanged = false;
  if (!dialogs.EditLineParams("Параметры ветви", box.SchemeBase, *box.NodeTable, *box.BranchTable, row, box.EditMode,
                              box.AreaNumbers, box.AreaNames, endsChanged, paramsChanged, switchChanged))
    return;
  const bool wasModified = box.Modified;
  backup.StartChange();
  RefillMaps(box);
  TBranchCols& b = box.BranchCols;
  if (ColorAt(b.Color, row) != color) PaintColor = ColorAt(b.Color, row);
  if (endsChanged) {
    for (const std::int32_t nodeNr : {b.N1->Get(row), b.N2->Get(row)})
      if (const int nodeRow = NodeRowOf(box, nodeNr);
          nodeRow != 0 && std::find(box.NodeSet.begin(), box.NodeSet.end(), nodeRow) == box.NodeSet.end())
        box.NodeSet.push_back(nodeRow);
    FillGivenFlowRows(box);
    Rebuild(box);
    return;
  }
  if (paramsChanged) {
    elem->Flags = IsTransformerRow(b, row) ? elem->Flags | efTransformer : elem->Flags & ~efTransformer;
    Relayout(box);
    return;
  }
  if (switchChanged) {
    // The damage mark follows the letter too, so that a branch switched on in the dialog is no
    // longer taken for a damaged one by the switch clicks.
    elem->Flags &= ~(efCommutation | efDamaged);
    elem->Flags |= CommutFlags(CommutLetter(b, row), elem->Has(efReversed));
    SetSwitchKinds(box, *elem, row);
  }
  box.Paint();
  ChangeLine(box, row, before, wasModified, &backup);
}

// ---- view

void ToggleSubstationExpanded(TSchemBoxState& box) {
  const PSElem elem = box.SelectedNode;
  if (elem == nullptr || !elem->Caption || elem->Caption->empty()) return;
  const std::string name = UpperCase(*elem->Caption);
  const auto it = std::find(box.ExpandedSubst.begin(), box.ExpandedSubst.end(), name);
  if (it != box.ExpandedSubst.end())
    box.ExpandedSubst.erase(it);
  else
    box.ExpandedSubst.push_back(name);
  Relayout(box);
}

void GoAlongLine(TSchemBoxState& box, const TEditDialogs& dialogs) {
  const PSElem elem = box.MarkedLine;
  if (elem == nullptr || !dialogs.ScrollToElement) return;
  const PSElem own = elem->Has(efReference) && elem->Target != nullptr ? elem->Target : elem;
  const PSElem other = elem->Parent;
  const std::string selected =
      box.SelectedNode != nullptr ? box.SelectedNode->Caption.value_or(std::string()) : std::string();
  if (selected == own->Caption.value_or(std::string()))
    dialogs.ScrollToElement(other);
  else
    dialogs.ScrollToElement(own);
}

// ---- toggles of a line

namespace {

// The marked line's switch state changed by "change" as one step of the journal, then shown.
template <class Change>
void ChangeMarkedLine(TSchemBoxState& box, Change&& change) {
  const PSElem elem = box.MarkedLine;
  if (elem == nullptr || !box.BranchTable) return;
  const int row = elem->BranchRow;
  if (row < 1 || row > box.BranchCols.RowCount) return;
  TRecSwt before;
  ReadBranchRec(box.BranchCols, row, before);
  const bool wasModified = box.Modified;
  StartChange(box);
  change(elem, row);
  box.Paint();
  ChangeLine(box, row, before, wasModified);
}

}  // namespace

void ToggleLineDamage(TSchemBoxState& box) {
  ChangeMarkedLine(box, [&box](PSElem elem, int row) {
    elem->Flags ^= efDamaged;
    if (elem->Has(efDamaged)) {
      elem->Flags |= efOffOwn | efOffParent;
      SetCommutLetter(box.BranchCols, row, U'П');
    } else {
      // Repaired means switched on, not back to the state before the damage.
      elem->Flags &= ~(efOffOwn | efOffParent);
      SetCommutLetter(box.BranchCols, row, 0);
    }
  });
}

void ToggleLineBothSides(TSchemBoxState& box) {
  ChangeMarkedLine(box, [&box](PSElem elem, int row) {
    if (elem->Has(efOffOwn) && elem->Has(efOffParent)) {
      elem->Flags &= ~(efOffOwn | efOffParent);
      SetCommutLetter(box.BranchCols, row, 0);
    } else {
      elem->Flags |= efOffOwn | efOffParent;
      SetCommutLetter(box.BranchCols, row, U'О');
    }
  });
}

// ---- click modes

void ToggleSwitchEnd(TSchemBoxState& box, PSElem elem, bool ownEnd) {
  if (elem == nullptr || elem->Has(efDamaged) || !box.BranchTable) return;
  const int row = elem->BranchRow;
  if (row < 1 || row > box.BranchCols.RowCount) return;
  const bool wasModified = box.Modified;
  StartChange(box);
  TRecSwt before;
  ReadBranchRec(box.BranchCols, row, before);
  elem->Flags ^= ownEnd ? efOffOwn : efOffParent;
  SetCommutLetter(box.BranchCols, row, CommutOfFlags(elem->Flags));
  box.Paint();
  ChangeLine(box, row, before, wasModified);
}

void PaintElement(TSchemBoxState& box, PSElem elem, bool line) {
  if (elem == nullptr || !box.NodeTable || !box.BranchTable) return;
  if (line) {
    const int row = elem->BranchRow;
    if (row < 1 || row > box.BranchCols.RowCount) return;
    StartChange(box);
    SetColorAt(box.BranchCols.Color, row, PaintColor);
  } else if (elem->Has(efGroup)) {
    StartChange(box);
    const std::string name = UpperCase(elem->Caption.value_or(std::string()));
    for (int r = 1; r <= box.NodeCols.RowCount; ++r)
      if (SubstationOf(box.NodeCols.Name->GetItem(r)) == name) (*box.NodeCols.Color)[r] = PaintColor;
  } else {
    const int row = elem->NodeRow;
    if (row < 1 || row > box.NodeCols.RowCount) return;
    StartChange(box);
    (*box.NodeCols.Color)[row] = PaintColor;
  }
  box.Paint();
}

}  // namespace ld::diagram
