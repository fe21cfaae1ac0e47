// The element list turned into a rooted tree with closing contours.
//
// Parents and partners are "the nearest element created before this one" with a given node number, which
// one pass in creation order finds with a map instead of a search along the list.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <ranges>
#include <string>
#include <utility>
#include <vector>

#include "core/engine/number_map.h"
#include "core/engine/regime.h"

namespace ld {

namespace {

// Elements in list order through Next (creation order is its reverse), with the range of their numbers
// for the maps by number.
struct TListOrder {
  std::vector<TRegimeElement*> Elements;
  std::int64_t Lowest = 0, Highest = -1;
  // Elements in creation order.
  auto Created() const { return std::ranges::reverse_view(Elements); }
};

TListOrder ListOrder(TRegimeElement* first, std::size_t count) {
  TListOrder order;
  order.Elements.reserve(count);
  bool any = false;
  for (TRegimeElement* e = first; e != nullptr; e = e->Next) {
    order.Elements.push_back(e);
    if (e->Number == kRootNumber) continue;  // the root's number lies far from the nodes'
    order.Lowest = any ? std::min<std::int64_t>(order.Lowest, e->Number) : e->Number;
    order.Highest = any ? std::max<std::int64_t>(order.Highest, e->Number) : e->Number;
    any = true;
  }
  return order;
}

}  // namespace

// The list as SetParents found it, and the last element that is no loop-closing one of every node number
// (what SetParents leaves behind is what the later steps look up).
struct TRegime::TAnalysisMaps {
  explicit TAnalysisMaps(const TRegime& r)
      : Order(ListOrder(r.FirstElement, r.pool_.Count())),
        Carrier(Order.Lowest, Order.Highest, Order.Elements.size()) {}
  // The map as SetParents would leave it, for a step run on its own.
  void TakeCarriers() {
    for (TRegimeElement* e : Order.Created()) {
      if ((e->Flags & efLoopClosing) == 0) Carrier[e->Number] = e;
    }
  }
  TListOrder Order;
  TNumberIndex<TRegimeElement> Carrier;
};

void TRegime::AnalyzeConfiguration() {
  if (ModelError) return;
  // The list and the numbers' elements do not change until the fictitious branches come, which are
  // loop-closing and added last: one walk and one map serve every step.
  TAnalysisMaps maps(*this);
  SetParents(maps);
  DistributeShunts();
  FindContours(maps);
  NetworkContourCount = ContourCount;
  if (FixModule && PVAlgorithm == 0) AddFixedVoltageBranches();
  TotalContourCount = ContourCount;
  if (FormPVLoops) FindOpenLoops(maps);
  if (TotalContourCount != 0) ListContours();
  if (!ModelError) SchemeRead = true;
  Stage("", 100);
}

void TRegime::SetParents() {
  TAnalysisMaps maps(*this);
  SetParents(maps);
}

void TRegime::SetParents(TAnalysisMaps& maps) {
  TNumberIndex<TRegimeElement>& latest = maps.Carrier;
  for (TRegimeElement* e : maps.Order.Created()) {
    if (e != Root) e->Parent = latest.Find(e->Number2);
    if ((e->Flags & efLoopClosing) == 0) latest[e->Number] = e;
  }
}

void TRegime::DistributeShunts() {
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if (e->K != Complex(0, 0)) e->Flags |= efHasRatio;
    if ((e->Flags & (efOpenNumber | efOpenNumber2)) == (efOpenNumber | efOpenNumber2)) continue;
    if (e->K.real() == 0) {
      if ((e->Flags & (efSource | efUnsupplied)) == 0) e->K = Complex(1.0, e->K.imag());
      e->Gs += e->G / 2;
      e->Bs += e->B / 2;
      if (e->Parent != nullptr) {
        e->Parent->Gs += e->G / 2;
        e->Parent->Bs += e->B / 2;
      }
    } else {
      TRegimeElement* at = (e->Flags & efReversed) != 0 ? e->Parent : e;
      if (at != nullptr) {
        at->Gs += e->G;
        at->Bs += e->B;
      }
    }
  }
}

void TRegime::FindContours() {
  TAnalysisMaps maps(*this);
  maps.TakeCarriers();
  FindContours(maps);
}

void TRegime::FindContours(const TAnalysisMaps& maps) {
  ContourEntry1.clear();
  ContourEntry2.clear();
  ContourCount = 0;
  // Tree partner of each closed loop-closing branch: the nearest earlier element of its node that is a
  // supplied, closed, non-closing branch. A loop-closing branch open at its own end still names the node
  // it would close on: the last non-closing element of that node.
  const TListOrder& order = maps.Order;
  const TNumberIndex<TRegimeElement>& any = maps.Carrier;
  TNumberIndex<TRegimeElement> latest(order.Lowest, order.Highest, order.Elements.size());
  std::vector<std::pair<TRegimeElement*, TRegimeElement*>> closing;  // with its partner, in creation order
  constexpr std::uint32_t mask = efUnsupplied | efLoopClosing | efOpenNumber;
  for (TRegimeElement* e : order.Created()) {
    if ((e->Flags & mask) == efLoopClosing) closing.emplace_back(e, latest.Find(e->Number));
    if ((e->Flags & mask) == 0) latest[e->Number] = e;
  }
  // Parallel loop-closing branches (the same two nodes, the same tree partner) close their contours on
  // one another in a chain, each on the one created before it, instead of each on the partner: every
  // contour through the partner couples with every other, and a factorisation of that full block grows
  // with the cube of the branches, while the chain couples each contour with its two neighbours only.
  // The node is still the partner's.
  std::vector<TRegimeElement*> closesOn(closing.size(), nullptr);
  {
    std::vector<std::size_t> byEnds(closing.size());
    for (std::size_t k = 0; k < closing.size(); ++k) byEnds[k] = k;
    const auto ends = [&](std::size_t k) { return std::pair(closing[k].first->Parent, closing[k].second); };
    const std::less<const TRegimeElement*> before;
    std::stable_sort(byEnds.begin(), byEnds.end(), [&](std::size_t x, std::size_t y) {
      const auto a = ends(x), b = ends(y);
      return a.first != b.first ? before(a.first, b.first) : before(a.second, b.second);
    });
    for (std::size_t k = 0; k < byEnds.size(); ++k) {
      const std::size_t at = byEnds[k];
      closesOn[at] = closing[at].second;
      if (k > 0 && closing[at].second != nullptr && closing[at].first->Parent != nullptr &&
          ends(byEnds[k - 1]) == ends(at))
        closesOn[at] = closing[byEnds[k - 1]].first;
    }
  }
  // Contours in list order.
  for (std::size_t k = closing.size(); k-- > 0;) {
    TRegimeElement* e = closing[k].first;
    TRegimeElement* p = closing[k].second;
    if (p == nullptr) {
      ReportError(SchemeQuoted() + ". Отсутствует узел : " + std::to_string(e->Number));
      continue;
    }
    ++ContourCount;
    e->Name = p->Name;
    e->NodeIndex = p->NodeIndex;
    e->Unom = p->Unom;
    e->Partner = p;
    ContourEntry1.push_back(e);
    ContourEntry2.push_back(closesOn[k]);
  }
  for (TRegimeElement* e : order.Elements) {
    if ((e->Flags & (efLoopClosing | efOpenNumber)) != (efLoopClosing | efOpenNumber)) continue;
    TRegimeElement* const carrier = any.Find(e->Number);
    if (carrier == nullptr) continue;
    e->Name = carrier->Name;
    e->Partner = carrier;
    e->Unom = carrier->Unom;
  }
}

void TRegime::AddFixedVoltageBranches() {
  if (ModelError) return;
  std::vector<TRegimeElement*> fixed;
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if ((e->Flags & (efUnsupplied | efFixedVoltage)) == efFixedVoltage) fixed.push_back(e);
  }
  for (TRegimeElement* e : fixed) {
    TRegimeElement* f = NewElement();
    f->Number = e->Number;
    f->Number2 = Root->Number;
    f->Name = e->Name;
    f->K = Complex(e->Um / 110.0, 0);
    f->Um = e->Um;
    f->Angle = e->Angle;
    if (e->Ng_u != 0) {
      f->Ng_u = e->Ng_u;
      e->Ng_u = 0;
    }
    f->Flags = efFixedVoltage | efLoopClosing;
    f->Parent = Root;
    f->NodeIndex = e->NodeIndex;
    f->Partner = e;
    AppendToTree(f);
    ++ContourCount;
    ContourEntry1.push_back(f);
    ContourEntry2.push_back(e);
  }
}

void TRegime::FindOpenLoops() {
  TAnalysisMaps maps(*this);
  maps.TakeCarriers();
  FindOpenLoops(maps);
}

void TRegime::FindOpenLoops(const TAnalysisMaps& maps) {
  if (ModelError) return;
  OpenLoopEntry1 = ContourEntry1;
  OpenLoopEntry2 = ContourEntry2;
  OpenLoopCount = ContourCount;
  // The fictitious branches added since the list was taken are loop-closing and closed at both ends:
  // none of them is looked at here, and none carries a number's node.
  const TNumberIndex<TRegimeElement>& any = maps.Carrier;
  for (TRegimeElement* e : maps.Order.Elements) {
    if ((e->Flags & efLoopClosing) == 0 || (e->Flags & (efOpenNumber | efUnsupplied)) == 0) continue;
    TRegimeElement* const carrier = any.Find(e->Number);
    if (carrier == nullptr) {
      ReportError(SchemeQuoted() + ". Отсутствует узел : " + std::to_string(e->Number));
      continue;
    }
    ++OpenLoopCount;
    e->Name = carrier->Name;
    e->NodeIndex = carrier->NodeIndex;
    e->Partner = carrier;
    OpenLoopEntry1.push_back(e);
    OpenLoopEntry2.push_back(carrier);
  }
}

void TRegime::ListContours() {
  if (Contours == nullptr) return;
  for (int i = 1; i <= ContourCount; ++i) ListContour(i, ContourEntry1[i - 1], *Contours, ContourEntry2[i - 1]);
}

void TRegime::ListContour(int index, TRegimeElement* entry1, std::vector<std::string>& list,
                          TRegimeElement* entry2) {
  list.push_back("Контур " + std::to_string(index));
  for (TRegimeElement* e = entry1; e != nullptr; e = e->Parent) e->Work = 1;

  std::string line = "   Вход 1: ";
  TRegimeElement* meet = entry2;
  while (meet != nullptr && meet->Work == 0) {
    line += ElementCaption(meet) + " - ";
    meet = meet->Parent;
  }
  if (meet != nullptr) {
    line += ElementCaption(meet);
    meet->Work = 2;
  }
  list.push_back(line);

  line = "   Вход 2: ";
  TRegimeElement* e = entry1;
  while (e != nullptr && e->Work == 1) {
    line += ElementCaption(e) + " - ";
    e->Work = 0;
    e = e->Parent;
  }
  if (e != nullptr) line += ElementCaption(e);
  list.push_back(line);

  for (; e != nullptr; e = e->Parent) e->Work = 0;
}

std::string TRegime::ElementCaption(const TRegimeElement* element) const {
  if (element->Number == kRootNumber) return "БП";
  const std::string number = std::to_string(element->Number);
  switch (NameMode) {
    case 1:
      return element->Name;
    case 2:
      return element->Name.empty() ? number : number + " " + element->Name;
    default:
      return number;
  }
}

}  // namespace ld
