// The layout's frame and its ordering steps: substation transformers, nested models, children, tiers
// and the three orders of the children (names, subtree heights, ring-link lengths).
#include "core/diagram/layout.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

#include "core/base/codepage.h"
#include "core/diagram/layout_steps.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

// The winding part of "kind|mark|winding" as a number; a part that is no integer counts as 0, since
// the type text is typed freely in the grid and must not stop the drawing.
int WindingNumber(std::string_view typEqu) {
  std::size_t bar = typEqu.find('|');
  if (bar == std::string_view::npos) return 0;
  bar = typEqu.find('|', bar + 1);
  if (bar == std::string_view::npos) return 0;
  const std::string_view rest = typEqu.substr(bar + 1);
  if (rest.empty()) return 0;
  std::size_t i = 0;
  bool negative = false;
  if (rest[0] == '-' || rest[0] == '+') negative = rest[i++] == '-';
  if (i == rest.size()) return 0;
  long long value = 0;
  for (; i < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return 0;
    value = value * 10 + (rest[i] - '0');
    if (value > 0x7FFFFFFF) return 0;
  }
  return static_cast<int>(negative ? -value : value);
}

std::string TextCell(const DAString* column, int row) { return column != nullptr ? column->GetItem(row) : std::string(); }

float SingleCell(const DAsingle* column, int row) { return column != nullptr ? column->Get(row) : 0.f; }

// FlagDR as the caller had it, put back however the layout ends.
class TFlagScope {
public:
  explicit TFlagScope(bool& flag) : flag_(flag), saved_(flag) {}
  ~TFlagScope() { flag_ = saved_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& flag_;
  bool saved_;
};

}  // namespace

bool IsSelfLink(const SElem& ref) { return ref.NodeNr == ref.ParentNodeNr; }

bool IsSideLink(const SElem& ref) {
  if (IsSelfLink(ref) || ref.Parent == nullptr || ref.Target == nullptr) return false;
  return ref.Parent->Tier == ref.Target->Tier;
}

void LayoutScheme(TSchemBoxState& box, TCanvas& canvas, TSchemeModel& model) {
  if (model.First == nullptr) return;
  TFlagScope flowRows(box.FlagDR);
  TFontHeightScope font(canvas, canvas.Font.Height);
  // A nested model is laid out through the control's hook; a control not yet wired lays it out
  // here all the same, rather than leaving an expanded substation without a drawing.
  struct THookScope {
    TSchemBoxState& box;
    bool installed;
    ~THookScope() {
      if (installed) box.LayoutHook = nullptr;
    }
  } hook{box, !box.LayoutHook};
  if (hook.installed) InstallLayout(box);
  TLayout(box, canvas, model).Run();
}

void InstallLayout(TSchemBoxState& box) {
  box.LayoutHook = [&box](TCanvas& canvas, TSchemeModel& model) { LayoutScheme(box, canvas, model); };
}

TLayout::TLayout(TSchemBoxState& box, TCanvas& canvas, TSchemeModel& model)
    : box_(box), canvas_(canvas), model_(model) {}

bool TLayout::IsTop() const { return &model_ == box_.Model.get(); }

bool TLayout::ShowsResults() const { return box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos; }

void TLayout::Run() {
  // Step 1: the flow-direction rows are sized whenever any flow or loading is shown.
  if (box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos || box_.FIdopLn || box_.FLoadLn || box_.FLoadTr)
    box_.FlagDR = true;
  SubstationTransformers();
  ResetElements();
  NestedModels();
  CollectChildren();
  if (box_.FOrdNames) OrderByNames();
  AssignTiers();
  if (box_.FOrdLayer) OrderByLayers();
  if (box_.FOptimLen) OrderByLinkLength();
  PlaceBoxes();
  Compact();
  Normalise();
  ConnectionSlots();
  model_.LinkLength = 0;
  for (PSElem e = model_.First; e != nullptr; e = e->Next)
    if (e->Has(efReference)) model_.LinkLength += std::abs(e->X1 - e->X2);
  BandsAndHeights();
  Closing();
  Flows();
}

// Step 2: the two-winding transformers inside each substation, shown beside its frame.
void TLayout::SubstationTransformers() {
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) e->TransformerRows.clear();
  if (!(box_.FSnomTr2 && box_.FIntegral && box_.FPaintNod == ncmName && IsTop()) || !box_.BranchTable) return;
  const TBranchCols& b = box_.BranchCols;
  const int rows = box_.BranchTable->RowCount;
  std::vector<std::pair<std::string, int>> keys;
  keys.reserve(static_cast<std::size_t>(std::max(rows, 0)));
  for (int row = 1; row <= rows; ++row) keys.emplace_back(SubstationOf(TextCell(b.Name1, row)), row);
  std::stable_sort(keys.begin(), keys.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) {
    if (!e->Has(efGroup) || !e->Caption) continue;
    const std::string name = UpperCase(*e->Caption);
    auto it = std::lower_bound(keys.begin(), keys.end(), name, [](const auto& k, const std::string& n) { return k.first < n; });
    for (; it != keys.end() && it->first == name; ++it) {
      const int row = it->second;
      if (SubstationOf(TextCell(b.Name2, row)) == name && SingleCell(b.Kta, row) != 0 &&
          WindingNumber(TextCell(b.TypEqu, row)) == 0)
        e->TransformerRows.push_back(row);
    }
  }
}

// Step 4: lists and metrics; everything the layout owns starts from zero.
void TLayout::ResetElements() {
  fontHeight_ = canvas_.Font.Height;
  box_.ComputeMetrics(canvas_.Font);
  // A host that read no settings, or a coefficient of 0, gives zero metrics: no step may be empty.
  xe_ = std::max(box_.PixXe, 1);
  // A line leaves its box one offset right of the box's left end: an offset beyond the step would
  // put it outside the box (a zero step with the default offset, or odd coefficients).
  xv_ = std::clamp(box_.PixXv, 0, xe_);
  ye_ = box_.PixYe;
  dY_ = box_.PixdY;
  dYsc_ = box_.PixdYsc;
  ycom_ = box_.PixYcom;
  yzam_ = box_.PixYzam;
  ylnk_ = box_.PixYlnk;
  ymrk_ = box_.PixYmrk;
  halfYe_ = box_.PixHalfYe;
  flowRow_ = box_.PixFlowRow;
  for (PSElem e = model_.First; e != nullptr; e = e->Next) {
    e->Children.clear();
    e->UpLinks.clear();
    e->DownLinks.clear();
    e->SideLinks.clear();
    e->SelfLinks.clear();
    e->ChildCount = e->ChildPos = e->UpLinkCount = e->DownLinkCount = e->SideLinkCount = e->SelfLinkCount = 0;
    e->TierPos = e->MarkRow = e->ZRow = e->YRow = e->KtrRow = e->Tier = e->LeftAttach = e->GroupMark = 0;
    e->Y = e->Height = e->X1 = e->X2 = e->LinkX = e->BendX1 = e->BendX2 = 0;
    e->Flags &= ~efLayoutMark;
  }
}

// Steps 3 and 5: the nested model of every expanded substation, built afresh.
void TLayout::NestedModels() {
  if (!(box_.FIntegral && box_.FPaintNod == ncmName)) return;
  bool prepared = false;
  std::vector<std::string> substNames;
  std::vector<std::int32_t> nodeOrder, ends1, ends2;
  auto prepare = [&] {
    prepared = true;
    box_.CollectSubstationLists(substNames, nodeOrder, ends1, ends2);
  };
  const bool expand = !box_.ExpandedSubst.empty() && IsTop();
  // Freeing a nested model also drops a selection that may lie inside it.
  auto free = [this](SElem& e) {
    if (!e.SubModel) return;
    box_.FreeSchemeModel(*e.SubModel);
    e.SubModel.reset();
  };
  for (PSElem e = model_.First; e != nullptr; e = e->Next) {
    if (e->Has(efReference)) continue;
    free(*e);
    if (!expand || !e->Caption) continue;
    const std::string name = UpperCase(*e->Caption);
    const bool listed = std::any_of(box_.ExpandedSubst.begin(), box_.ExpandedSubst.end(),
                                    [&](const std::string& s) { return UpperCase(s) == name; });
    if (!listed) continue;
    if (!prepared) prepare();
    std::vector<std::int32_t> branches, nodes;
    if (!box_.CollectSubstation(*e->Caption, substNames, branches, nodes, ends1, ends2, nodeOrder)) continue;
    e->SubModel = std::make_unique<TSchemeModel>();
    bool built = false;
    try {
      built = box_.BuildSubstationModel(*e->Caption, nodes, e, canvas_, *e->SubModel, branches);
    } catch (...) {
      free(*e);
      throw;
    }
    if (!built) free(*e);
  }
  // The nested build recomputed the control's metrics for itself.
  box_.ComputeMetrics(canvas_.Font);
}

// Step 6.
void TLayout::CollectChildren() {
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next)
    if (!e->Has(efReference) && e->Parent != nullptr) e->Parent->Children.push_back(e);
  for (PSElem e = model_.First; e != nullptr; e = e->Next) e->ChildCount = static_cast<std::int32_t>(e->Children.size());
}

// Step 7: by the Windows-1251 codes of the captions, letter case included.
void TLayout::OrderByNames() {
  std::vector<std::pair<std::string, PSElem>> keyed;
  for (PSElem e = model_.First; e != nullptr; e = e->Next) {
    if (e->ChildCount < 2) continue;
    keyed.clear();
    for (PSElem c : e->Children) keyed.emplace_back(box_.CaptionText(*c), c);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& l, const auto& r) { return CompareCp1251(l.first, r.first) < 0; });
    for (std::size_t i = 0; i < keyed.size(); ++i) e->Children[i] = keyed[i].second;
  }
}

// Step 8.
void TLayout::AssignTiers() {
  maxTier_ = 0;
  model_.First->Tier = 0;
  std::vector<std::int32_t> transformerTiers;
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) {
    if (e->Has(efReference) || e->Parent == nullptr) continue;
    e->Tier = e->Parent->Tier + 1;
    maxTier_ = std::max(maxTier_, e->Tier);
    if (e->Has(efTransformer)) transformerTiers.push_back(e->Tier);
  }
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) {
    if (!e->Has(efReference) || e->Parent == nullptr) continue;
    SElem& p = *e->Parent;
    SElem& q = e->Target != nullptr ? *e->Target : p;
    if (IsSelfLink(*e)) {
      p.SelfLinks.push_back(e);
      e->Tier = p.Tier;
    } else if (p.Tier < q.Tier) {
      p.DownLinks.push_back(e);
      q.UpLinks.push_back(e);
      e->Tier = q.Tier;
    } else if (q.Tier < p.Tier) {
      p.UpLinks.push_back(e);
      q.DownLinks.push_back(e);
      e->Tier = p.Tier;
    } else {
      p.SideLinks.push_back(e);
      q.SideLinks.push_back(e);
      e->Tier = p.Tier + 1;
    }
    maxTier_ = std::max(maxTier_, e->Tier);
    if (e->Has(efTransformer) && !IsSideLink(*e)) transformerTiers.push_back(e->Tier);
  }
  const auto tiers = static_cast<std::size_t>(maxTier_) + 1;
  model_.TierTracks.assign(tiers, 1);
  model_.TierSections.assign(tiers, 1);
  model_.TierHeight.assign(tiers, 0);
  model_.TierLabelRows.assign(tiers, 0);
  model_.TierHasTransformer.assign(tiers, 0);
  for (std::int32_t t : transformerTiers) model_.TierHasTransformer[static_cast<std::size_t>(t)] = 1;
  for (PSElem e = model_.First; e != nullptr; e = e->Next) {
    e->UpLinkCount = static_cast<std::int32_t>(e->UpLinks.size());
    e->DownLinkCount = static_cast<std::int32_t>(e->DownLinks.size());
    e->SideLinkCount = static_cast<std::int32_t>(e->SideLinks.size());
    e->SelfLinkCount = static_cast<std::int32_t>(e->SelfLinks.size());
  }
}

// Step 9: children by the height of their subtrees, alternating direction from tier to tier.
void TLayout::OrderByLayers() {
  for (PSElem e = model_.Last; e != nullptr && e->Parent != nullptr; e = e->Prev) {
    if (e->Has(efReference)) continue;
    e->GroupMark += 1;
    if (e->Parent->GroupMark < e->GroupMark) e->Parent->GroupMark = e->GroupMark;
  }
  for (PSElem e = model_.First; e != nullptr; e = e->Next) {
    if (e->ChildCount < 2) continue;
    if (e->Tier % 2 == 0)
      std::stable_sort(e->Children.begin(), e->Children.end(),
                       [](PSElem l, PSElem r) { return l->GroupMark < r->GroupMark; });
    else
      std::stable_sort(e->Children.begin(), e->Children.end(),
                       [](PSElem l, PSElem r) { return l->GroupMark > r->GroupMark; });
  }
  for (PSElem e = model_.First; e != nullptr; e = e->Next) e->GroupMark = 0;
}

// Step 10: the children of every box ordered so that the groups joined by ring links stand side by
// side, and, with FShiftLR, the ends of long links pulled towards each other. A link counts only at
// the box below which both its ends lie in different child subtrees, so the pairs of each box come
// from the links of that box alone.
void TLayout::OrderByLinkLength() {
  for (PSElem e = model_.First; e != nullptr; e = e->Next)
    if (e->ChildCount > 255) return;

  struct TLinkAt {
    PSElem parent, target, childA, childB;
  };
  // Links by the box where their ends part, in the order of RefList.
  std::map<PSElem, std::vector<TLinkAt>> links;
  const std::size_t refCount = std::min(model_.RefList.size(), model_.TargetList.size());
  for (std::size_t i = 0; i < refCount; ++i) {
    PSElem a = model_.RefList[i] != nullptr ? model_.RefList[i]->Parent : nullptr;
    PSElem b = model_.TargetList[i];
    if (a == nullptr || b == nullptr || a->Has(efReference) || b->Has(efReference)) continue;
    PSElem x = a, y = b, cx = nullptr, cy = nullptr;
    while (x->Tier > y->Tier && x->Parent != nullptr) cx = x, x = x->Parent;
    while (y->Tier > x->Tier && y->Parent != nullptr) cy = y, y = y->Parent;
    while (x != y && x->Parent != nullptr && y->Parent != nullptr) cx = x, x = x->Parent, cy = y, y = y->Parent;
    if (x != y || cx == nullptr || cy == nullptr || cx == cy) continue;
    links[x].push_back({a, b, cx, cy});
  }

  struct TPair {
    int a, b, count;
    bool used;
  };
  std::vector<PSElem> stack{model_.First};
  std::vector<PSElem> zeroChildren;
  std::vector<std::size_t> zeroSlots;
  std::vector<TPair> pairs;
  std::vector<int> chain;
  while (!stack.empty()) {
    PSElem e = stack.back();
    stack.pop_back();
    e->Flags |= efLayoutMark;
    for (PSElem c : e->Children) stack.push_back(c);
    if (e->ChildCount == 0) continue;
    std::stable_sort(e->Children.begin(), e->Children.end(),
                     [](PSElem l, PSElem r) { return l->LeftAttach > r->LeftAttach; });
    int groups = 0;
    zeroSlots.clear();
    for (std::size_t i = 0; i < e->Children.size(); ++i) {
      if (e->Children[i]->LeftAttach != 0) continue;
      e->Children[i]->GroupMark = ++groups;
      zeroSlots.push_back(i);
    }
    const auto found = links.find(e);
    if (groups < 2 || found == links.end()) {
      for (PSElem c : e->Children) c->GroupMark = 0;
      continue;
    }
    const std::vector<TLinkAt>& here = found->second;
    pairs.clear();
    for (const TLinkAt& l : here) {
      const int a = l.childA->GroupMark, b = l.childB->GroupMark;
      if (a == 0 || b == 0 || a == b) continue;
      auto it = std::find_if(pairs.begin(), pairs.end(), [&](const TPair& p) {
        return (p.a == a && p.b == b) || (p.a == b && p.b == a);
      });
      if (it != pairs.end())
        ++it->count;
      else
        pairs.push_back({a, b, 1, false});
    }
    chain.clear();
    std::vector<int> position(static_cast<std::size_t>(groups) + 1, -1);
    auto append = [&](int g) {
      if (position[static_cast<std::size_t>(g)] >= 0) return;
      position[static_cast<std::size_t>(g)] = static_cast<int>(chain.size());
      chain.push_back(g);
    };
    for (std::size_t left = pairs.size(); left > 0; --left) {
      TPair* best = nullptr;
      for (TPair& p : pairs)
        if (!p.used && (position[static_cast<std::size_t>(p.a)] >= 0 || position[static_cast<std::size_t>(p.b)] >= 0) &&
            (best == nullptr || p.count > best->count))
          best = &p;
      if (best == nullptr)
        for (TPair& p : pairs)
          if (!p.used && (best == nullptr || p.count > best->count)) best = &p;
      append(best->a);
      append(best->b);
      best->used = true;
      best->count = 0;
    }
    for (int g = 1; g <= groups; ++g) append(g);

    if (box_.FShiftLR) {
      for (const TLinkAt& l : here) {
        const int a = l.childA->GroupMark, b = l.childB->GroupMark;
        if (a == 0 || b == 0 || a == b) continue;
        const int d = l.target->Tier * (position[static_cast<std::size_t>(a)] - position[static_cast<std::size_t>(b)]);
        if (d == 0) continue;
        for (PSElem x = l.parent; x != l.childA; x = x->Parent) x->LeftAttach += d;
        for (PSElem y = l.target; y != l.childB; y = y->Parent) y->LeftAttach -= d;
      }
    }

    zeroChildren.clear();
    for (std::size_t slot : zeroSlots) zeroChildren.push_back(e->Children[slot]);
    std::stable_sort(zeroChildren.begin(), zeroChildren.end(), [&](PSElem l, PSElem r) {
      return position[static_cast<std::size_t>(l->GroupMark)] < position[static_cast<std::size_t>(r->GroupMark)];
    });
    for (std::size_t i = 0; i < zeroSlots.size(); ++i) e->Children[zeroSlots[i]] = zeroChildren[i];
    for (PSElem c : e->Children) c->GroupMark = 0;
  }
  for (PSElem e = model_.First; e != nullptr; e = e->Next) {
    e->ChildPos = 0;
    e->LeftAttach = 0;
    e->GroupMark = 0;
    e->Flags &= ~efLayoutMark;
  }
}

}  // namespace ld::diagram
