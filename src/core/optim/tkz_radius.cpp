// Forming the short-circuit calculation radius over the schemes of a list.
#include "core/optim/tkz_radius.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "core/base/codepage.h"
#include "core/base/strings.h"
#include "core/catalogs/catalog_records.h"
#include "core/catalogs/catalog_units.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"

namespace ld {

namespace {

constexpr std::uint8_t kMarkSource = 16;
constexpr std::uint8_t kMarkFault = 80;

// One radius row before it goes into the table.
struct RadiusRow {
  char32_t Sign = 0;
  std::int32_t N1 = 0, N2 = 0;
  std::string Name1, Name2, Mark, TypEqu, DSName, MarkCom1, MarkCom2, Regulation;
  int Notv = 0, Ntpr = 0;
  float R = 0, X = 0, U1 = 0, Kta = 0, Ktr = 0, Ktn = 0;
  float Io1 = 0, It1 = 0, Io2 = 0, It2 = 0, Sdop = 0;
  std::uint8_t RowMark = 0;
};

char SignCell(char32_t sign) {
  if (sign == 0) return 0;
  return static_cast<char>(static_cast<unsigned char>(Cp1251Code(sign)));
}

// Elements hung on the root: balancing nodes, fixed-voltage nodes of algorithms 1-3, unsupplied nodes.
bool IsFixed(const TRegimeElement* e) { return e != nullptr && e->Parent != nullptr && (e->Flags & efSource) != 0; }

// The fictitious branch that holds a fixed-voltage node of the contour method; never a radius row.
bool IsFictitious(const TRegimeElement* e) {
  return (e->Flags & (efFixedVoltage | efLoopClosing)) == (efFixedVoltage | efLoopClosing) && e->BranchIndex == 0;
}

void MarkPathInRadius(TRegimeElement* e) {
  for (; e != nullptr && e->Parent != nullptr && (e->Flags & InRadiusMark) == 0; e = e->Parent) e->Flags |= InRadiusMark;
}

// The breaking and thermal currents of a switching device named by its mark in the catalogue.
void DeviceCurrents(const std::string& mark, float& io, float& it) {
  if (Utf8Length(mark) <= 1) return;
  TRecKA rec;
  if (IndexOfKAMark(mark) == 0 || !FindKAByMark(mark, rec)) return;
  io = rec.Iotk;
  it = rec.Its;
}

void InsertRows(TDataFile& radius, const std::vector<RadiusRow>& rows) {
  if (rows.empty()) return;
  InsertTableRows(radius, 1, static_cast<int>(rows.size()));
  TTkzBranchCols c;
  FillTkzBranchCols(radius, c);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RadiusRow& r = rows[i];
    const int row = static_cast<int>(i) + 1;
    (*c.Sign)[row] = SignCell(r.Sign);
    (*c.N1)[row] = r.N1;
    (*c.N2)[row] = r.N2;
    c.Name1->SetItem(row, r.Name1);
    c.Name2->SetItem(row, r.Name2);
    c.Mark->SetItem(row, r.Mark);
    c.TypEqu->SetItem(row, r.TypEqu);
    c.DSName->SetItem(row, r.DSName);
    c.MarkCom1->SetItem(row, r.MarkCom1);
    c.MarkCom2->SetItem(row, r.MarkCom2);
    c.Regulation->SetItem(row, r.Regulation);
    c.Notv[row] = r.Notv;
    c.Ntpr[row] = r.Ntpr;
    (*c.R)[row] = r.R;
    (*c.X)[row] = r.X;
    (*c.U1)[row] = r.U1;
    (*c.Kta)[row] = r.Kta;
    (*c.Ktr)[row] = r.Ktr;
    (*c.Ktn)[row] = r.Ktn;
    (*c.Io1)[row] = r.Io1;
    (*c.It1)[row] = r.It1;
    (*c.Io2)[row] = r.Io2;
    (*c.It2)[row] = r.It2;
    (*c.Sdop)[row] = r.Sdop;
    (*radius.MarkRec)[row] = r.RowMark;
  }
}

}  // namespace

char32_t TkzSignOf(char cell) {
  if (cell == 0) return 0;
  return UpperChar(Cp1251Char(static_cast<unsigned char>(cell)));
}

std::string TkzNameKey(const std::string& name) {
  const std::size_t gt = name.find('>');
  return UpperCase(TrimTrailSpaces(TrimLeadSpaces(gt == std::string::npos ? name : name.substr(0, gt))));
}

void TTkzNameList::Start(const TDataFile& data) {
  TTkzSourceCols c;
  FillTkzSourceCols(data, c);
  DataCount = c.RowCount;
  Names.clear();
  for (int row = 1; row <= c.RowCount; ++row) Names.push_back(UpperCase(c.Name->GetItem(row)));
  Found.assign(Names.size(), 0);
  Schemes.assign(Names.size(), std::string());
  Counter = 0;
}

bool TTkzNameList::Missing() const { return std::find(Found.begin(), Found.end(), 0) != Found.end(); }

void TTkzScheme::Read(const std::string& path, const TDataFile& data, const TTkzStageEvent& stage) {
  path_ = path;
  byName_.clear();
  regime_.ClearModel();
  if (stage) stage("Чтение схемы... ", 10);
  ReadTableFile(path + GetMaketExtention(LayoutNodes), nodes_);
  const std::string branchFile = path + GetMaketExtention(LayoutBranches);
  ReadTableFile(branchFile, branches_);

  // A node named by a system source becomes a balancing node, so the engine makes it a fixed element.
  TTkzSourceCols d;
  FillTkzSourceCols(data, d);
  TNodeCols n;
  FillNodeCols(nodes_, n);
  std::vector<std::string> nodeKeys;
  for (int row = 1; row <= d.RowCount; ++row) {
    if (TkzSignOf(d.Sign->Get(row)) != TkzSignSource) continue;
    if (nodeKeys.empty()) {
      nodeKeys.resize(n.RowCount + 1);
      for (int r = 1; r <= n.RowCount; ++r) nodeKeys[r] = TkzNameKey(n.Name->GetItem(r));
    }
    const std::string key = TkzNameKey(d.Name->GetItem(row));
    for (int r = 1; r <= n.RowCount; ++r) {
      if (nodeKeys[r] != key) continue;
      (*n.Sign)[r] = 'b';
      // The engine refuses a source without a voltage; a load node has none of its own.
      if (n.Um->Get(r) == 0) (*n.Um)[r] = d.U->Get(row);
      break;
    }
  }

  if (stage) stage("Построение модели... ", 30);
  if (!FileHasField(branchFile, "Commut")) regime_.UpgradeBranchTable(path, branches_);
  regime_.ModelError = false;
  regime_.ZeroContours = false;
  regime_.SchemePath = path;
  bool changed = false;
  regime_.BuildModel(nodes_, branches_, changed);
  regime_.SchemePath = path;
  // What the engine finds wrong in a scheme (a node without a voltage, a branch to a missing node)
  // does not stop the search for the radius: the tree is analysed all the same.
  const bool modelError = regime_.ModelError;
  regime_.ModelError = false;
  regime_.AnalyzeConfiguration();
  regime_.ModelError = regime_.ModelError || modelError;

  std::unordered_map<std::string, TRegimeElement*> first;
  for (TRegimeElement* e = regime_.Root != nullptr ? regime_.Root->NextInTree : nullptr; e != nullptr;
       e = e->NextInTree) {
    if ((e->Flags & efLoopClosing) != 0 || e->Name.empty()) continue;
    first.emplace(TkzNameKey(e->Name), e);
  }
  byName_.assign(first.begin(), first.end());
  std::sort(byName_.begin(), byName_.end());
}

TRegimeElement* TTkzScheme::FindByKey(const std::string& key) const {
  const auto it = std::lower_bound(byName_.begin(), byName_.end(), key,
                                   [](const auto& item, const std::string& k) { return item.first < k; });
  return it != byName_.end() && it->first == key ? it->second : nullptr;
}

void TTkzScheme::MarkLoops() {
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 0; i < regime_.ContourCount; ++i) {
      TRegimeElement* a = regime_.ContourEntry1[i];
      TRegimeElement* b = regime_.ContourEntry2[i];
      if (a == nullptr || b == nullptr || IsFictitious(a)) continue;
      if ((a->Flags & InRadiusMark) != 0 && (b->Flags & InRadiusMark) != 0) continue;
      for (TRegimeElement* x = a; x != nullptr && x->Parent != nullptr; x = x->Parent) x->Flags |= LoopPathMark;
      for (TRegimeElement* x = b; x != nullptr && x->Parent != nullptr; x = x->Parent) x->Flags ^= LoopPathMark;
      // Only the loop itself keeps the mark; the fixed elements it passes through do not join it.
      bool touches = false;
      for (TRegimeElement* side : {a, b}) {
        for (TRegimeElement* x = side; x != nullptr && x->Parent != nullptr && !touches; x = x->Parent) {
          touches = !IsFixed(x) && (x->Flags & (LoopPathMark | InRadiusMark)) == (LoopPathMark | InRadiusMark);
        }
      }
      if (touches) {
        MarkPathInRadius(a);
        MarkPathInRadius(b);
        changed = true;
      }
      for (TRegimeElement* side : {a, b}) {
        for (TRegimeElement* x = side; x != nullptr; x = x->Parent) x->Flags &= ~LoopPathMark;
      }
    }
  }
}

void TTkzScheme::WriteRadius(const TDataFile& data, TTkzNameList& list, TDataFile& radius,
                             const TTkzStageEvent& stage) {
  TRegimeElement* const root = regime_.Root;
  if (root == nullptr) return;
  for (TRegimeElement* e = root; e != nullptr; e = e->NextInTree) {
    e->Flags &= ~TkzMarks;
    e->Work = 0;
  }

  if (stage) stage("Формирование радиуса... ", 70);
  TTkzSourceCols d;
  FillTkzSourceCols(data, d);
  std::vector<Attached> attached;
  std::vector<std::pair<const TRegimeElement*, SourceData>> sources;
  for (std::size_t i = 0; i < list.Names.size(); ++i) {
    if (list.Found[i] != 0) continue;
    TRegimeElement* e = FindByKey(TkzNameKey(list.Names[i]));
    if (e == nullptr) continue;
    const int row = static_cast<int>(i) + 1;
    const bool dataRow = static_cast<int>(i) < list.DataCount;
    const char32_t sign = dataRow ? TkzSignOf(d.Sign->Get(row)) : 0;
    if (sign == TkzSignFault && (IsFixed(e) || (e->Flags & efFixedVoltage) != 0)) continue;
    list.Found[i] = 1;
    const float r = dataRow ? d.R->Get(row) : 0, x = dataRow ? d.X->Get(row) : 0, u = dataRow ? d.U->Get(row) : 0;
    if (sign == TkzSignEmf) {
      attached.push_back({e, false, r, x, u});
      e->Flags |= EmfMark;
    } else if (sign == TkzSignFault) {
      attached.push_back({e, true, 0, 0, 0});
      e->Flags |= FaultMark;
      if (r != 0 || x != 0) {
        attached.push_back({e, false, r, x, u});
        e->Flags |= EmfMark;
      }
    } else if (sign == TkzSignSource) {
      e->Flags |= SourceMark;
      sources.push_back({e, {r, x, u}});
    } else if (!dataRow && list.Schemes[i] != path_) {
      e->Flags |= JunctionMark;
    }
    list.Schemes[i] = path_;
    MarkPathInRadius(e);
  }
  MarkLoops();

  if (stage) stage("Запись радиуса... ", 90);
  TBranchCols b;
  FillBranchCols(branches_, b);
  TTkzBranchCols rc;
  FillTkzBranchCols(radius, rc);
  std::vector<RadiusRow> rows;
  auto sourceOf = [&](const TRegimeElement* e) {
    for (const auto& s : sources) {
      if (s.first == e) return s.second;
    }
    return SourceData{};
  };
  // A source node named by a "С" row feeds the network through its system impedance, so the elements
  // below it are no longer fed straight from a fixed node.
  auto feedsAsFixed = [](const TRegimeElement* e) { return IsFixed(e) && (e->Flags & SourceMark) == 0; };

  for (TRegimeElement* e = root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & InRadiusMark) == 0) continue;
    if (IsFixed(e)) {
      if ((e->Flags & SourceMark) != 0) {
        const SourceData s = sourceOf(e);
        RadiusRow row;
        row.Sign = TkzSignSource;
        row.N1 = ++list.Counter;
        row.N2 = ++list.Counter;
        e->Work = row.N2;
        row.Name1 = "Система";
        row.Name2 = e->Name;
        row.U1 = s.U;
        row.R = s.R;
        row.X = s.X;
        row.RowMark = kMarkSource;
        rows.push_back(std::move(row));
      } else if (!e->Name.empty()) {
        e->Work = ++list.Counter;
        const std::string name = UpperCase(e->Name);
        const auto boundary = list.Names.begin() + list.DataCount;
        if (std::find(boundary, list.Names.end(), name) == list.Names.end()) {
          list.Names.push_back(name);
          list.Found.push_back(0);
          list.Schemes.push_back(path_);
        }
      }
      continue;
    }
    if (IsFictitious(e) || e->Parent == nullptr) continue;
    const TRegimeElement* p = e->Parent;
    RadiusRow row;
    if (feedsAsFixed(p)) {
      row.Sign = TkzSignSource;
      row.U1 = static_cast<float>(std::abs(p->UNode));
      row.RowMark = kMarkSource;
    }
    row.N1 = p->Work;
    if ((e->Flags & JunctionMark) != 0) {
      const std::string name = UpperCase(e->Name);
      std::int32_t number = 0;
      for (int r = 1; r <= rc.RowCount; ++r) {
        if (TkzSignOf(rc.Sign->Get(r)) != TkzSignSource || UpperCase(rc.Name1->GetItem(r)) != name) continue;
        number = rc.N1->Get(r);
        (*rc.Sign)[r] = 0;
        (*rc.U1)[r] = 0;
        (*radius.MarkRec)[r] = 0;
      }
      if (number == 0) number = ++list.Counter;
      for (int r = 1; r <= rc.RowCount; ++r) {
        if (UpperCase(rc.Name1->GetItem(r)) == name) {
          (*rc.N1)[r] = number;
        } else if (UpperCase(rc.Name2->GetItem(r)) == name) {
          (*rc.N2)[r] = number;
        }
      }
      row.N2 = number;
      e->Work = number;
    } else if ((e->Flags & efLoopClosing) != 0) {
      row.N2 = e->Partner != nullptr ? e->Partner->Work : 0;
    } else {
      row.N2 = ++list.Counter;
      e->Work = row.N2;
    }
    row.Name1 = p->Name;
    row.Name2 = e->Name;
    const int br = e->BranchIndex;
    if (br > 0) {
      row.R = b.R->Get(br);
      row.X = b.X->Get(br);
      row.Kta = b.Kta->Get(br);
      row.Ktr = b.Ktr->Get(br);
      row.Ktn = b.Ktn->Get(br);
      row.DSName = b.DSName->GetItem(br);
      row.Mark = b.Mark->GetItem(br);
      row.TypEqu = b.TypEqu->GetItem(br);
      row.Notv = b.Notv->Get(br);
      row.Ntpr = b.Ntpr->Get(br);
      row.Regulation = b.Regulation->GetItem(br);
      row.MarkCom1 = b.MarkCom1->GetItem(br);
      row.MarkCom2 = b.MarkCom2->GetItem(br);
      row.Sdop = b.Sdop->Get(br);
      DeviceCurrents(row.MarkCom1, row.Io1, row.It1);
      DeviceCurrents(row.MarkCom2, row.Io2, row.It2);
      // The row runs from the parent; a branch the tree reaches from its table end node is referred to
      // that side.
      if ((e->Flags & efReversed) == 0) {
        const float m = row.Kta * row.Kta + row.Ktr * row.Ktr;
        if (m != 0) {
          row.R /= m;
          row.X /= m;
          row.Kta /= m;
          row.Ktr = -row.Ktr / m;
        }
      }
    }
    rows.push_back(std::move(row));
  }

  for (const Attached& a : attached) {
    RadiusRow row;
    const std::int32_t node = a.Node->Work;
    if (a.Fault) {
      row.Sign = TkzSignFault;
      row.N1 = node;
      row.N2 = ++list.Counter;
      row.Name1 = a.Node->Name;
      row.Name2 = a.Node->Name + " К.З.";
      row.RowMark = kMarkFault;
    } else {
      row.Sign = TkzSignEmf;
      row.N1 = ++list.Counter;
      row.N2 = node;
      row.Name2 = a.Node->Name;
      row.Name1 = a.Node->Name + " ЭДС";
      row.U1 = a.U;
      row.R = a.R;
      row.X = a.X;
      row.RowMark = kMarkSource;
    }
    rows.push_back(std::move(row));
  }
  InsertRows(radius, rows);
}

void FormRadius(TRegime& regime, const std::string& path, const TDataFile& data, TTkzNameList& list,
                TDataFile& radius, const std::string& catalogFolder, const TTkzStageEvent& stage) {
  struct CatalogHold {
    ~CatalogHold() { FreeCatalogKA(); }
  } hold;
  LoadCatalogKA(catalogFolder, false);
  TTkzScheme scheme(regime);
  scheme.Read(path, data, stage);
  scheme.WriteRadius(data, list, radius, stage);
  regime.ClearModel();
}

void FormTkzRadius(TRegime& regime, const TDataFile& data, const std::vector<std::string>& schemes, int chosen,
                   int passes, TDataFile& radius, const std::string& catalogFolder, std::vector<std::string>& messages,
                   const TTkzStageEvent& stage) {
  if (radius.RowCount > 0) DeleteTableRows(radius, 1, radius.RowCount);
  TTkzNameList list;
  list.Start(data);
  const bool hasChosen = chosen >= 0 && chosen < static_cast<int>(schemes.size());
  if (hasChosen) FormRadius(regime, schemes[chosen], data, list, radius, catalogFolder, stage);
  bool missing = list.Missing();
  for (int pass = 1; pass <= passes && missing; ++pass) {
    for (int i = 0; i < static_cast<int>(schemes.size()) && missing; ++i) {
      if (pass == 1 && hasChosen && i == chosen) continue;
      FormRadius(regime, schemes[i], data, list, radius, catalogFolder, stage);
      missing = list.Missing();
    }
  }
  for (int i = 0; i < list.DataCount; ++i) {
    if (list.Found[i] == 0) messages.push_back("Узел " + list.Names[i] + " не найден");
  }
}

}  // namespace ld
