// Building the diagram model from the node and branch tables: substations grouped with their bus
// sections, every branch oriented away from its supply by a breadth-first walk, ring closures and the
// unsupplied part as references.
#include <algorithm>
#include <cmath>
#include <set>
#include <unordered_map>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/catalogs/catalog_units.h"
#include "core/diagram/model_walk.h"
#include "core/diagram/schem_state.h"
#include "core/tables/file_io.h"

namespace ld::diagram {

namespace {

// The order in which the table store sorts texts: upper case, by Windows-1251 codes.
std::u32string UpperSortKey(std::string_view upper) {
  std::u32string key;
  key.reserve(upper.size());
  for (std::size_t i = 0; i < upper.size();) key.push_back(static_cast<char32_t>(Cp1251SortKey(NextUtf8Char(upper, i))));
  return key;
}

std::u32string SortKey(std::string_view text) { return UpperSortKey(UpperCase(text)); }

// A text of the name column without copying it; empty for a missing column or cell.
std::string_view NameAt(const DAString* names, int row) {
  const std::string* p = names ? names->GetPtr(row) : nullptr;
  return p ? std::string_view(*p) : std::string_view();
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A one-letter cell (a Windows-1251 byte) as an upper-case character.
char32_t LetterOf(const DAChar* column, int row) {
  if (column == nullptr) return 0;
  const char c = column->Get(row);
  return c == 0 ? 0 : UpperChar(Cp1251Char(static_cast<unsigned char>(c)));
}

std::int64_t IntegerCell(const TDynamicArray* column, int row) {
  if (column == nullptr || row < 0 || row >= column->Size()) return 0;
  const void* p = static_cast<const unsigned char*>(column->Data()) + static_cast<std::size_t>(row) * column->ElemSize();
  auto real = [](double v) -> std::int64_t {
    return std::isfinite(v) && std::fabs(v) < 9e18 ? static_cast<std::int64_t>(std::llround(v)) : 0;
  };
  switch (column->TypeLetter()) {
    case 'b': return *static_cast<const std::uint8_t*>(p);
    case 'i': return *static_cast<const std::int16_t*>(p);
    case 'w': return *static_cast<const std::uint16_t*>(p);
    case 'l': return *static_cast<const std::int32_t*>(p);
    case 'n': return *static_cast<const std::int64_t*>(p);
    case 'f': return real(*static_cast<const float*>(p));
    case 'd':
    case 'r': return real(*static_cast<const double*>(p));
    default: return 0;
  }
}

std::string CutCaption(std::string text) {
  if (text.size() > static_cast<std::size_t>(kShortStringMax) && Utf8Length(text) > static_cast<std::size_t>(kShortStringMax))
    text = Utf8Left(text, kShortStringMax);
  return text;
}

// A section number: digits only, within the integer range, first digit 1..9.
bool ReadSection(std::string_view rest, std::int32_t& number) {
  if (rest.empty() || rest[0] < '1' || rest[0] > '9') return false;
  std::int64_t value = 0;
  for (char ch : rest) {
    if (ch < '0' || ch > '9') return false;
    value = value * 10 + (ch - '0');
    if (value > INT32_MAX) return false;
  }
  number = static_cast<std::int32_t>(value);
  return true;
}

// Ends of working branches by node number, for the renumbering of group members.
class EndIndex {
public:
  explicit EndIndex(const std::vector<TWalkBranch>& branches) {
    for (std::size_t b = 0; b < branches.size(); ++b) {
      ends_[branches[b].N1].push_back(static_cast<int>(2 * b));
      ends_[branches[b].N2].push_back(static_cast<int>(2 * b + 1));
    }
  }
  // Every end (2 × branch + 0 for the begin, + 1 for the end) whose number was nr when indexed.
  const std::vector<int>& Of(std::int32_t nr) const {
    const auto it = ends_.find(nr);
    return it == ends_.end() ? none_ : it->second;
  }

private:
  std::unordered_map<std::int32_t, std::vector<int>> ends_;
  std::vector<int> none_;
};

// Positions of the unplaced nodes by number: the first match after the placed ones.
class UnplacedIndex {
public:
  explicit UnplacedIndex(const std::vector<TWalkNode>& nodes, int placed) {
    for (int p = placed + 1; p <= static_cast<int>(nodes.size()); ++p) {
      auto [it, fresh] = single_.try_emplace(nodes[p - 1].Nr, p);
      if (!fresh) {
        auto& set = multi_[nodes[p - 1].Nr];
        if (it->second != 0) set.insert(it->second);
        it->second = 0;  // 0: the number is in multi_
        set.insert(p);
      }
    }
  }
  int First(std::int32_t nr) const {
    const auto it = single_.find(nr);
    if (it == single_.end()) return 0;
    if (it->second != 0) return it->second;
    const auto& set = multi_.at(nr);
    return set.empty() ? 0 : *set.begin();
  }
  void Erase(std::int32_t nr, int pos) { Move(nr, pos, 0); }
  void Move(std::int32_t nr, int from, int to) {
    auto it = single_.find(nr);
    if (it == single_.end()) return;
    if (it->second != 0) {
      if (to == 0)
        single_.erase(it);
      else
        it->second = to;
      return;
    }
    auto& set = multi_[nr];
    set.erase(from);
    if (to != 0) set.insert(to);
  }

private:
  std::unordered_map<std::int32_t, int> single_;
  std::unordered_map<std::int32_t, std::set<int>> multi_;
};

}  // namespace

TWalkData PrepareWalk(TSchemBoxState& box, std::vector<std::int32_t>& nodeSet, std::vector<std::int32_t>& lineSet) {
  const TNodeCols& nc = box.NodeCols;
  const TBranchCols& bc = box.BranchCols;
  const int nodeRows = box.NodeTable && nc.NS ? box.NodeTable->RowCount : 0;
  const int branchRows = box.BranchTable && bc.N1 ? box.BranchTable->RowCount : 0;
  std::erase_if(nodeSet, [&](std::int32_t row) { return row < 1 || row > nodeRows; });
  std::erase_if(lineSet, [&](std::int32_t row) { return row < 1 || row > branchRows; });
  box.NodeSet = nodeSet;
  box.LineSet = lineSet;

  const bool grouping = box.FIntegral && box.FPaintNod == ncmName;
  TWalkData data;
  data.Sections = grouping && box.FSection;
  const bool tapNames = box.FTap && box.FPaintNod == ncmName;
  auto isTapOff = [&](const std::string& name) {
    if (!tapNames) return false;
    const std::string upper = UpperCase(Utf8Left(name, 4));
    return StartsWith(upper, "ОТП") || StartsWith(upper, "ВІДП") || StartsWith(name, "_");
  };

  // Copies of the type letters and vertex marks over all rows: grouping changes only these.
  std::vector<char32_t> sign(static_cast<std::size_t>(nodeRows) + 1);
  std::vector<std::uint8_t> peak(static_cast<std::size_t>(nodeRows) + 1);
  for (int r = 1; r <= nodeRows; ++r) {
    sign[r] = LetterOf(nc.Sign, r);
    peak[r] = nc.Peak ? nc.Peak->Get(r) : 0;
  }

  if (box.OnDisplayMsg) box.OnDisplayMsg("Предварительные действия");
  if (box.OnDisplayPrc) box.OnDisplayPrc(20);
  if (grouping) {
    auto voltage = [&](std::int32_t row) {
      const float u = nc.Um ? nc.Um->Get(row) : 0.f;
      return std::isnan(u) ? -INFINITY : u;
    };
    std::stable_sort(nodeSet.begin(), nodeSet.end(),
                     [&](std::int32_t a, std::int32_t b) { return voltage(a) > voltage(b); });
  }
  data.Nodes.resize(nodeSet.size());
  for (std::size_t i = 0; i < nodeSet.size(); ++i) {
    TWalkNode& n = data.Nodes[i];
    n.Row = nodeSet[i];
    n.Nr = nc.NS->Get(n.Row);
    n.Caption = nc.Name ? nc.Name->GetItem(n.Row) : std::string();
    if (box.FlagNumES) {
      const std::int64_t es = IntegerCell(nc.NumES, n.Row);
      if (es != 0) n.Caption = CutCaption(n.Caption + " <" + IntToStr(es) + ">");
    }
  }
  data.Branches.resize(lineSet.size());
  for (std::size_t i = 0; i < lineSet.size(); ++i) {
    TWalkBranch& b = data.Branches[i];
    b.Row = lineSet[i];
    b.N1 = bc.N1->Get(b.Row);
    b.N2 = bc.N2 ? bc.N2->Get(b.Row) : 0;
  }

  if (grouping) {
    std::vector<TWalkNode>& nodes = data.Nodes;
    for (TWalkNode& n : nodes) {
      const auto dot = n.Caption.find('.');
      if (dot == std::string::npos || isTapOff(n.Caption)) continue;
      std::string rest = n.Caption.substr(dot + 1);
      n.Caption.resize(dot);
      if (!data.Sections) continue;
      rest = rest.substr(0, rest.find('.'));
      std::int32_t section = 0;
      if (ReadSection(rest, section)) {
        n.Sections = {section};
        n.SectionRows = {n.Row};
      }
    }
    std::vector<std::u32string> keys(nodes.size());
    std::vector<int> order(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) keys[i] = SortKey(nodes[i].Caption), order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    const EndIndex ends(data.Branches);
    auto endNumber = [&](int end) -> std::int32_t& {
      TWalkBranch& b = data.Branches[static_cast<std::size_t>(end / 2)];
      return end % 2 == 0 ? b.N1 : b.N2;
    };
    auto endSection = [&](int end) -> std::int32_t& {
      TWalkBranch& b = data.Branches[static_cast<std::size_t>(end / 2)];
      return end % 2 == 0 ? b.Sec1 : b.Sec2;
    };
    auto sectionOf = [](const TWalkNode& n) { return n.Sections.empty() ? 0 : n.Sections[0]; };
    for (std::size_t i = 0; i < order.size();) {
      std::size_t j = i + 1;
      while (j < order.size() && keys[order[j]] == keys[order[i]]) ++j;
      TWalkNode& rep = nodes[order[i]];
      if (!keys[order[i]].empty()) {
        if (data.Sections)
          for (int end : ends.Of(rep.Nr)) endSection(end) = sectionOf(rep);
        for (std::size_t k = i + 1; k < j; ++k) {
          TWalkNode& member = nodes[order[k]];
          for (int end : ends.Of(member.Nr)) {
            endNumber(end) = rep.Nr;
            if (data.Sections) endSection(end) = sectionOf(member);
          }
          member.Nr = rep.Nr;
        }
      }
      i = j;
    }
    // Members merge into the first node of their number.
    std::vector<TWalkNode> byNumber;
    byNumber.reserve(nodes.size());
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return nodes[a].Nr < nodes[b].Nr; });
    for (int idx : order) {
      TWalkNode& n = nodes[idx];
      if (byNumber.empty() || byNumber.back().Nr != n.Nr) {
        byNumber.push_back(std::move(n));
        continue;
      }
      TWalkNode& first = byNumber.back();
      if (data.Sections && !n.Sections.empty()) {
        const auto at = std::upper_bound(first.Sections.begin(), first.Sections.end(), n.Sections[0]);
        const auto k = at - first.Sections.begin();
        first.Sections.insert(at, n.Sections[0]);
        first.SectionRows.insert(first.SectionRows.begin() + k, n.SectionRows[0]);
      }
      if (sign[n.Row] == U'B' || sign[n.Row] == U'U') sign[first.Row] = sign[n.Row];
      if (peak[n.Row] == 1) peak[first.Row] = 1;
    }
    nodes = std::move(byNumber);
    if (data.Sections) {
      std::vector<TWalkBranch> kept;
      kept.reserve(data.Branches.size());
      lineSet.clear();
      for (TWalkBranch& b : data.Branches)
        if (b.N1 != b.N2 || (b.Sec1 != 0 && b.Sec2 != 0)) {
          lineSet.push_back(b.Row);
          kept.push_back(b);
        }
      data.Branches = std::move(kept);
    }
  }
  for (TWalkNode& n : data.Nodes) n.TapOff = isTapOff(n.Caption);

  const auto vertexEnd = std::stable_partition(data.Nodes.begin(), data.Nodes.end(), [&](const TWalkNode& n) {
    return sign[n.Row] == U'B' || sign[n.Row] == U'U' || peak[n.Row] == 1;
  });
  data.V = static_cast<int>(vertexEnd - data.Nodes.begin());

  for (TWalkBranch& b : data.Branches) {
    switch (LetterOf(bc.Commut, b.Row)) {
      case U'Н': b.Marks = wmOffBegin; break;
      case U'К': b.Marks = wmOffEnd; break;
      case U'О':
      case U'П': b.Marks = wmOffBegin | wmOffEnd; break;
      case U'Ф': b.Marks = wmFixedOff | wmOffEnd; break;
      default: b.Marks = 0; break;
    }
  }
  return data;
}

TWalkResult OrientBranches(TWalkData& data) {
  std::vector<TWalkNode>& nodes = data.Nodes;
  const int n = static_cast<int>(nodes.size());
  const int m = static_cast<int>(data.Branches.size());
  TWalkResult r;
  r.P = data.V;

  // Branches keep their index; at and pos give the order of positions that the walk permutes.
  std::vector<int> at(static_cast<std::size_t>(m) + 1), pos(static_cast<std::size_t>(m));
  for (int b = 0; b < m; ++b) at[b + 1] = b, pos[b] = b + 1;
  std::unordered_map<std::int32_t, std::vector<int>> incident;
  incident.reserve(static_cast<std::size_t>(n) + 1);
  for (int b = 0; b < m; ++b) {
    const TWalkBranch& br = data.Branches[b];
    incident[br.N1].push_back(b);
    if (br.N2 != br.N1) incident[br.N2].push_back(b);
  }
  UnplacedIndex unplaced(nodes, r.P);
  int c = 1;
  int q = 0;
  std::vector<int> touching;
  auto pass = [&](bool first) {
    while (q != (first ? r.P : n)) {
      ++q;
      const std::int32_t u = nodes[q - 1].Nr;
      touching.clear();
      if (const auto it = incident.find(u); it != incident.end())
        for (int b : it->second)
          if (pos[b] >= c) touching.push_back(b);
      // The scan meets them in the order of their positions; taking one moves only branches that
      // the scan has passed already.
      std::sort(touching.begin(), touching.end(), [&](int a, int b) { return pos[a] < pos[b]; });
      for (int b : touching) {
        TWalkBranch& br = data.Branches[b];
        if (br.N1 == u) {
          std::swap(br.N1, br.N2);
          const std::uint8_t off = br.Marks & (wmOffBegin | wmOffEnd);
          br.Marks = static_cast<std::uint8_t>((br.Marks & ~(wmOffBegin | wmOffEnd)) |
                                               ((off & wmOffBegin) ? wmOffEnd : 0) | ((off & wmOffEnd) ? wmOffBegin : 0));
          br.Marks ^= wmReversed;
        }
        const int k = pos[b];
        const int other = at[c];
        at[k] = other, pos[other] = k;
        at[c] = b, pos[b] = c;
        const std::int32_t w = br.N1;
        int found = 0;
        if (w != u && first) found = unplaced.First(w);
        if (found != 0) {
          ++r.P;
          unplaced.Erase(w, found);
          if (found != r.P) {
            unplaced.Move(nodes[r.P - 1].Nr, r.P, found);
            std::swap(nodes[r.P - 1], nodes[found - 1]);
          }
          br.Down = r.P;
        } else {
          br.Marks |= wmRing;
        }
        ++c;
      }
    }
  };
  pass(true);
  r.C1 = c;
  pass(false);
  r.C2 = c;

  std::vector<TWalkBranch> ordered;
  ordered.reserve(static_cast<std::size_t>(m));
  for (int p = 1; p <= m; ++p) ordered.push_back(data.Branches[at[p]]);
  data.Branches = std::move(ordered);
  return r;
}

void MakeElements(TSchemBoxState& box, const TWalkData& data, const TWalkResult& walk, TSchemeModel& model) {
  const TBranchCols& bc = box.BranchCols;
  PSElem root = model.Append();
  root->NodeNr = kSuperRootNr;
  root->Flags = efNode;
  auto nodeElement = [&](const TWalkNode& n, std::uint32_t flags) {
    PSElem e = model.Append();
    e->NodeNr = n.Nr;
    e->ParentNodeNr = kSuperRootNr;
    e->NodeRow = n.Row;
    e->Caption = n.Caption;
    e->Flags = efNode | flags | (n.TapOff ? std::uint32_t{efTapOff} : 0u);
    e->Sections = n.Sections;
    e->SectionNodes = n.SectionRows;
    e->SectionCount = static_cast<std::int32_t>(n.Sections.size());
  };
  for (int p = 1; p <= data.V; ++p) nodeElement(data.Nodes[p - 1], 0);
  for (int p = walk.P + 1; p <= static_cast<int>(data.Nodes.size()); ++p) nodeElement(data.Nodes[p - 1], efUnsupplied);
  for (int p = 1; p < walk.C2; ++p) {
    const TWalkBranch& b = data.Branches[p - 1];
    if (b.N1 == b.N2 && !data.Sections) continue;
    PSElem e = model.Append();
    e->NodeNr = b.N1;
    e->ParentNodeNr = b.N2;
    e->BranchRow = b.Row;
    std::uint32_t f = 0;
    if (b.Marks & wmOffBegin) f |= efOffOwn;
    if (b.Marks & wmOffEnd) f |= efOffParent;
    if (b.Marks & wmReversed) f |= efReversed;
    if (b.Marks & wmFixedOff) f |= efFixedOff;
    if (b.Marks & wmRing) f |= efReference;
    if (LetterOf(bc.Commut, b.Row) == U'П') f |= efDamaged;
    if (p >= walk.C1) f |= efUnsupplied;
    const std::string typ = bc.TypEqu ? bc.TypEqu->GetItem(b.Row) : std::string();
    const float kta = bc.Kta ? bc.Kta->Get(b.Row) : 0.f, ktr = bc.Ktr ? bc.Ktr->Get(b.Row) : 0.f;
    if (kta != 0 || ktr != 0 || (!typ.empty() && (typ[0] == 'T' || typ[0] == 't')) ||
        (typ.size() >= 2 && (typ[0] == 'R' || typ[0] == 'r') && (typ[1] == 'T' || typ[1] == 't')))
      f |= efTransformer;
    e->Flags = f;
    if (!(b.Marks & wmRing) && b.Down >= 1) {
      const TWalkNode& down = data.Nodes[b.Down - 1];
      e->NodeRow = down.Row;
      e->Caption = down.Caption;
      if (down.TapOff) e->Flags |= efTapOff;
      e->Sections = down.Sections;
      e->SectionNodes = down.SectionRows;
      e->SectionCount = static_cast<std::int32_t>(down.Sections.size());
    }
    const std::string mark1 = bc.MarkCom1 ? UpperCase(bc.MarkCom1->GetItem(b.Row)) : std::string();
    const std::string mark2 = bc.MarkCom2 ? UpperCase(bc.MarkCom2->GetItem(b.Row)) : std::string();
    const bool reversed = (b.Marks & wmReversed) != 0;
    box.SetSwitchKindFlags(*e, reversed ? mark2 : mark1, true);
    box.SetSwitchKindFlags(*e, reversed ? mark1 : mark2, false);
    e->Section = reversed ? b.Sec2 : b.Sec1;
    e->ParentSection = reversed ? b.Sec1 : b.Sec2;
  }
}

void LinkParents(TSchemeModel& model) {
  // The nearest drawing element before each one, by number.
  std::unordered_map<std::int32_t, PSElem> drawn;
  drawn.reserve(static_cast<std::size_t>(model.Count()));
  for (PSElem e = model.First; e != nullptr; e = e->Next) {
    if (e != model.First) {
      const auto it = drawn.find(e->ParentNodeNr);
      e->Parent = it == drawn.end() ? nullptr : it->second;
    }
    if (!e->Has(efReference)) drawn[e->NodeNr] = e;
  }
}

PSElem LinkTargets(TSchemeModel& model) {
  std::unordered_map<std::int32_t, PSElem> last;
  last.reserve(static_cast<std::size_t>(model.Count()));
  for (PSElem e = model.First; e != nullptr; e = e->Next)
    if (!e->Has(efReference)) last[e->NodeNr] = e;
  model.RefList.clear();
  model.TargetList.clear();
  for (PSElem e = model.Last; e != nullptr; e = e->Prev) {
    if (!e->Has(efReference | efUnsupplied)) continue;
    const auto it = last.find(e->NodeNr);
    if (it == last.end()) return e;
    PSElem target = it->second;
    if (target->Caption) e->Caption = target->Caption;
    e->NodeRow = target->NodeRow;
    e->Target = target;
    model.RefList.push_back(e);
    model.TargetList.push_back(target);
  }
  return nullptr;
}

namespace {

int IndexOfSection(const SElem* e, std::int32_t number) {
  if (e == nullptr) return -1;
  const auto it = std::find(e->Sections.begin(), e->Sections.end(), number);
  return it == e->Sections.end() ? -1 : static_cast<int>(it - e->Sections.begin());
}

}  // namespace

bool TSchemBoxState::BuildSchemeModel(std::vector<std::int32_t>& nodeSet, std::vector<std::int32_t>& lineSet,
                                      TSchemeModel& model) {
  FreeSchemeModel(model);
  // The end of the build in every case, an error or an exception included.
  struct Finish {
    TSchemBoxState& box;
    bool loaded = false;
    ~Finish() {
      if (box.OnDisplayPrc) box.OnDisplayPrc(100);
      if (loaded) FreeCatalogKA();
    }
  } finish{*this};
  const std::string catalog = FindFileNoCase(ProgramDir + CatalogFileKA);
  // A missing catalogue is not created here: without it no mark names a device kind.
  if (!ProgramDir.empty() && fileio::FileExists(catalog)) {
    try {
      LoadCatalogKA(ProgramDir, false);
      finish.loaded = true;
    } catch (const Error&) {
      FreeCatalogKA();
    }
  }

  TWalkData data = PrepareWalk(*this, nodeSet, lineSet);
  if (OnDisplayMsg) OnDisplayMsg("Анализ конфигурации");
  if (OnDisplayPrc) OnDisplayPrc(30);
  const TWalkResult walk = OrientBranches(data);
  lineSet.clear();
  for (const TWalkBranch& b : data.Branches) lineSet.push_back(b.Row);
  if (walk.C2 <= static_cast<int>(data.Branches.size())) {
    const TWalkBranch& b = data.Branches[walk.C2 - 1];
    ShowMsgForm("Отсутствует описание узлов : " + IntToStr(b.N1) + ", " + IntToStr(b.N2), mkError, mbOk);
    return false;
  }

  if (OnDisplayMsg) OnDisplayMsg("Формирование модели");
  if (OnDisplayPrc) OnDisplayPrc(50);
  MakeElements(*this, data, walk, model);
  LinkParents(model);
  if (const PSElem missing = LinkTargets(model)) {
    ShowMsgForm("В схеме отсутствует узел : " + IntToStr(missing->NodeNr), mkError, mbOk);
    return false;
  }

  if (data.Sections)
    for (PSElem e = model.First->Next; e != nullptr; e = e->Next) {
      const int own = IndexOfSection(e->Target ? e->Target : e, e->Section);
      if (own >= 0) e->Section = own;
      const int up = IndexOfSection(e->Parent, e->ParentSection);
      if (up >= 0) e->ParentSection = up;
    }

  const bool grouping = FIntegral && FPaintNod == ncmName;
  if (grouping) {
    // Group names of every row of the node table: how many rows share each, and the last of them.
    struct Group {
      int Rows = 0;
      std::int32_t LastRow = 0;
    };
    const int rows = NodeTable->RowCount;
    std::unordered_map<std::u32string, Group> groups;
    groups.reserve(static_cast<std::size_t>(rows));
    for (int r = 1; r <= rows; ++r) {
      Group& g = groups[UpperSortKey(SubstationOf(NameAt(NodeCols.Name, r)))];
      ++g.Rows;
      g.LastRow = r;
    }
    std::unordered_map<std::string, std::int32_t> firstRowOfName;
    auto firstRowNamed = [&](const std::string& name) {
      if (firstRowOfName.empty())
        for (int r = rows; r >= 1; --r) firstRowOfName[std::string(NameAt(NodeCols.Name, r))] = r;
      const auto it = firstRowOfName.find(name);
      return it == firstRowOfName.end() ? 0 : it->second;
    };
    for (PSElem e = model.First->Next; e != nullptr; e = e->Next) {
      if (!e->Caption) continue;
      const auto it = groups.find(SortKey(*e->Caption));
      if (it == groups.end()) continue;
      const std::string_view lastName = NameAt(NodeCols.Name, it->second.LastRow);
      if (it->second.Rows < 2 && lastName.find('.') == std::string::npos) continue;
      e->Flags |= efGroup;
      if (!data.Sections || e->SectionCount != 0) continue;
      std::int32_t row = 0;
      if (NodeCols.Name && NameAt(NodeCols.Name, e->NodeRow) == *e->Caption)
        row = e->NodeRow;
      else
        row = firstRowNamed(*e->Caption);
      if (row == 0) continue;
      e->Sections = {0};
      e->SectionNodes = {row};
      e->SectionCount = 1;
    }
  }
  return true;
}

void TSchemBoxState::SetSwitchKindFlags(SElem& elem, std::string mark, bool ownEnd) {
  if (Utf8Length(mark) > 1) {
    TRecKA rec;
    if (FindKAByMark(mark, rec) && rec.Typ != 0) {
      mark.clear();
      AppendUtf8(mark, UpperChar(rec.Typ));
    }
  }
  if (mark == "-")
    elem.Flags |= ownEnd ? efNoSwitchOwn : efNoSwitchParent;
  else if (mark == "В")
    elem.Flags |= ownEnd ? efBreakerOwn : efBreakerParent;
  else if (mark == "Р")
    elem.Flags |= ownEnd ? efDisconnectorOwn : efDisconnectorParent;
  else if (mark == "Н")
    elem.Flags |= ownEnd ? efLoadSwitchOwn : efLoadSwitchParent;
}

}  // namespace ld::diagram
