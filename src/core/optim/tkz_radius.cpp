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

// The breaking and thermal currents of a switching device named by its mark in the catalogue.
void DeviceCurrents(const std::string& mark, float& io, float& it) {
  if (Utf8Length(mark) <= 1) return;
  TRecKA rec;
  if (IndexOfKAMark(mark) == 0 || !FindKAByMark(mark, rec)) return;
  io = rec.Iotk;
  it = rec.Its;
}

void CopyText(const DAString* from, int fromRow, DAString* to, int toRow) {
  if (const std::string* text = from->GetPtr(fromRow); text != nullptr && !text->empty()) to->SetItem(toRow, *text);
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
  marked_.clear();
  FindLoops();
}

void TTkzScheme::FindLoops() {
  loopStart_.assign(1, 0);
  loopElements_.clear();
  for (int i = 0; i < regime_.ContourCount; ++i) {
    TRegimeElement* a = regime_.ContourEntry1[i];
    TRegimeElement* b = regime_.ContourEntry2[i];
    if (a != nullptr && b != nullptr && !IsFictitious(a)) {
      for (TRegimeElement* x = a; x != nullptr && x->Parent != nullptr; x = x->Parent) x->Flags |= LoopPathMark;
      for (TRegimeElement* x = b; x != nullptr && x->Parent != nullptr; x = x->Parent) x->Flags ^= LoopPathMark;
      for (TRegimeElement* side : {a, b}) {
        for (TRegimeElement* x = side; x != nullptr && x->Parent != nullptr; x = x->Parent) {
          if ((x->Flags & LoopPathMark) != 0) loopElements_.push_back(x);
        }
      }
      for (TRegimeElement* side : {a, b}) {
        for (TRegimeElement* x = side; x != nullptr; x = x->Parent) x->Flags &= ~LoopPathMark;
      }
    }
    loopStart_.push_back(loopElements_.size());
  }
}

void TTkzScheme::MarkPath(TRegimeElement* e) {
  for (; e != nullptr && e->Parent != nullptr && (e->Flags & InRadiusMark) == 0; e = e->Parent) {
    e->Flags |= InRadiusMark;
    marked_.push_back(e);
  }
}

TRegimeElement* TTkzScheme::FindByKey(const std::string& key) const {
  const auto it = std::lower_bound(byName_.begin(), byName_.end(), key,
                                   [](const auto& item, const std::string& k) { return item.first < k; });
  return it != byName_.end() && it->first == key ? it->second : nullptr;
}

void TTkzScheme::MarkLoops() {
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 0; i + 1 < static_cast<int>(loopStart_.size()); ++i) {
      TRegimeElement* a = regime_.ContourEntry1[i];
      TRegimeElement* b = regime_.ContourEntry2[i];
      if ((a->Flags & InRadiusMark) != 0 && (b->Flags & InRadiusMark) != 0) continue;
      const auto first = loopElements_.begin() + static_cast<std::ptrdiff_t>(loopStart_[i]);
      const auto last = loopElements_.begin() + static_cast<std::ptrdiff_t>(loopStart_[i + 1]);
      // An ideal source holds its voltage whatever the loop carries, so a loop that meets the radius only
      // there adds nothing; a node given a system impedance by a "С" row is no such source.
      const auto joins = [](const TRegimeElement* x) {
        return (x->Flags & InRadiusMark) != 0 && (!IsFixed(x) || (x->Flags & SourceMark) != 0);
      };
      if (std::none_of(first, last, joins)) continue;
      MarkPath(a);
      MarkPath(b);
      changed = true;
    }
  }
}

void TTkzScheme::WriteRadius(const TDataFile& data, TTkzNameList& list, TDataFile& radius,
                             const TTkzStageEvent& stage) {
  if (regime_.Root == nullptr) return;
  for (TRegimeElement* e : marked_) {
    e->Flags &= ~TkzMarks;
    e->Work = 0;
  }
  marked_.clear();

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
    // The element may already be marked (a path of an earlier name), and its marks must go next time.
    if ((e->Flags & InRadiusMark) != 0) marked_.push_back(e);
    MarkPath(e);
  }
  MarkLoops();

  if (stage) stage("Запись радиуса... ", 90);
  // Elements were created in tree order, so their creation numbers put the marked ones in that order.
  const TElementPool& pool = regime_.Elements();
  std::sort(marked_.begin(), marked_.end());
  marked_.erase(std::unique(marked_.begin(), marked_.end()), marked_.end());
  std::vector<std::pair<std::size_t, TRegimeElement*>> order;
  order.reserve(marked_.size());
  for (TRegimeElement* e : marked_) order.emplace_back(pool.IndexOf(e), e);
  std::sort(order.begin(), order.end());

  int count = static_cast<int>(attached.size());
  for (const auto& [index, e] : order) {
    if (IsFixed(e) ? (e->Flags & SourceMark) != 0 : !IsFictitious(e)) ++count;
  }
  if (count == 0 && order.empty()) return;
  const int earlierFirst = count + 1;  // rows of the schemes read before this one
  if (count > 0) InsertTableRows(radius, 1, count);
  TBranchCols b;
  FillBranchCols(branches_, b);
  TTkzBranchCols rc;
  FillTkzBranchCols(radius, rc);
  const char sourceCell = SignCell(TkzSignSource);
  auto sourceOf = [&](const TRegimeElement* e) {
    for (const auto& s : sources) {
      if (s.first == e) return s.second;
    }
    return SourceData{};
  };
  // A source node named by a "С" row feeds the network through its system impedance, so the elements
  // below it are no longer fed straight from a fixed node.
  auto feedsAsFixed = [](const TRegimeElement* e) { return IsFixed(e) && (e->Flags & SourceMark) == 0; };

  int row = 0;
  for (const auto& [index, e] : order) {
    if (IsFixed(e)) {
      if ((e->Flags & SourceMark) != 0) {
        const SourceData s = sourceOf(e);
        ++row;
        (*rc.Sign)[row] = sourceCell;
        (*rc.N1)[row] = ++list.Counter;
        (*rc.N2)[row] = ++list.Counter;
        e->Work = list.Counter;
        rc.Name1->SetItem(row, "Система");
        rc.Name2->SetItem(row, e->Name);
        (*rc.U1)[row] = s.U;
        (*rc.R)[row] = s.R;
        (*rc.X)[row] = s.X;
        (*radius.MarkRec)[row] = kMarkSource;
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
    if (IsFictitious(e)) continue;
    const TRegimeElement* p = e->Parent;
    ++row;
    if (feedsAsFixed(p)) {
      (*rc.Sign)[row] = sourceCell;
      (*rc.U1)[row] = static_cast<float>(std::abs(p->UNode));
      (*radius.MarkRec)[row] = kMarkSource;
    }
    (*rc.N1)[row] = p->Work;
    std::int32_t n2 = 0;
    if ((e->Flags & JunctionMark) != 0) {
      const std::string name = UpperCase(e->Name);
      for (int r = earlierFirst; r <= rc.RowCount; ++r) {
        if (rc.Sign->Get(r) != sourceCell || UpperCase(rc.Name1->GetItem(r)) != name) continue;
        n2 = rc.N1->Get(r);
        (*rc.Sign)[r] = 0;
        (*rc.U1)[r] = 0;
        (*radius.MarkRec)[r] = 0;
      }
      if (n2 == 0) n2 = ++list.Counter;
      for (int r = earlierFirst; r <= rc.RowCount; ++r) {
        if (UpperCase(rc.Name1->GetItem(r)) == name) {
          (*rc.N1)[r] = n2;
        } else if (UpperCase(rc.Name2->GetItem(r)) == name) {
          (*rc.N2)[r] = n2;
        }
      }
      e->Work = n2;
    } else if ((e->Flags & efLoopClosing) != 0) {
      n2 = e->Partner != nullptr ? e->Partner->Work : 0;
    } else {
      n2 = ++list.Counter;
      e->Work = n2;
    }
    (*rc.N2)[row] = n2;
    rc.Name1->SetItem(row, p->Name);
    rc.Name2->SetItem(row, e->Name);
    const int br = e->BranchIndex;
    if (br <= 0) continue;
    float r = b.R->Get(br), x = b.X->Get(br), kta = b.Kta->Get(br), ktr = b.Ktr->Get(br);
    // The row runs from the parent; a branch the tree reaches from its table end node is referred to
    // that side.
    if ((e->Flags & efReversed) == 0) {
      const float m = kta * kta + ktr * ktr;
      if (m != 0) {
        r /= m;
        x /= m;
        kta /= m;
        ktr = -ktr / m;
      }
    }
    (*rc.R)[row] = r;
    (*rc.X)[row] = x;
    (*rc.Kta)[row] = kta;
    (*rc.Ktr)[row] = ktr;
    (*rc.Ktn)[row] = b.Ktn->Get(br);
    CopyText(b.DSName, br, rc.DSName, row);
    CopyText(b.Mark, br, rc.Mark, row);
    CopyText(b.TypEqu, br, rc.TypEqu, row);
    CopyText(b.Regulation, br, rc.Regulation, row);
    CopyText(b.MarkCom1, br, rc.MarkCom1, row);
    CopyText(b.MarkCom2, br, rc.MarkCom2, row);
    rc.Notv[row] = b.Notv->Get(br);
    rc.Ntpr[row] = b.Ntpr->Get(br);
    (*rc.Sdop)[row] = b.Sdop->Get(br);
    DeviceCurrents(rc.MarkCom1->GetItem(row), (*rc.Io1)[row], (*rc.It1)[row]);
    DeviceCurrents(rc.MarkCom2->GetItem(row), (*rc.Io2)[row], (*rc.It2)[row]);
  }

  for (const Attached& a : attached) {
    ++row;
    const std::int32_t node = a.Node->Work;
    if (a.Fault) {
      (*rc.Sign)[row] = SignCell(TkzSignFault);
      (*rc.N1)[row] = node;
      (*rc.N2)[row] = ++list.Counter;
      rc.Name1->SetItem(row, a.Node->Name);
      rc.Name2->SetItem(row, a.Node->Name + " К.З.");
      (*radius.MarkRec)[row] = kMarkFault;
    } else {
      (*rc.Sign)[row] = SignCell(TkzSignEmf);
      (*rc.N1)[row] = ++list.Counter;
      (*rc.N2)[row] = node;
      rc.Name2->SetItem(row, a.Node->Name);
      rc.Name1->SetItem(row, a.Node->Name + " ЭДС");
      (*rc.U1)[row] = a.U;
      (*rc.R)[row] = a.R;
      (*rc.X)[row] = a.X;
      (*radius.MarkRec)[row] = kMarkSource;
    }
  }
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
