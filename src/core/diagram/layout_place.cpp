// Horizontal placement: the boxes from the leaves up, their compaction towards the lines they hang
// on, the shift to the left margin and the connection slots of the ring links on both sides of a box.
#include <algorithm>
#include <cstdlib>

#include "core/diagram/layout_steps.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

// Step 11: post-order, so that every box is placed over its placed children. The walk is iterative:
// a feeder may be thousands of boxes deep.
void TLayout::PlaceBoxes() {
  int right = 0;  // the running right edge
  tierBoxes_.assign(static_cast<std::size_t>(maxTier_) + 1, {});
  struct TFrame {
    PSElem e;
    std::size_t next;    // the next child to visit
    std::size_t index;   // place among its parent's children
    bool viaFirst;       // the nearest branching ancestor reaches e through its first child
  };
  std::vector<TFrame> stack{{model_.First, 0, 0, true}};
  while (!stack.empty()) {
    TFrame& f = stack.back();
    SElem& e = *f.e;
    if (f.next < e.Children.size()) {
      const std::size_t i = f.next++;
      const bool viaFirst = e.ChildCount > 1 ? i == 0 : f.viaFirst;
      stack.push_back({e.Children[i], 0, i, viaFirst});
      continue;
    }
    if (e.ChildCount == 0) {
      const int x = (e.Parent == nullptr || f.index == 0) ? right : e.Parent->Children[f.index - 1]->X2 + xe_;
      e.X1 = x;
      e.X2 = x + xe_;
    } else if (e.ChildCount == 1) {
      SElem& c = *e.Children[0];
      int x = c.X1;
      if (c.ChildCount > 1 && f.viaFirst) {
        x = c.X2 - xe_;
        c.LeftAttach = 1;
      }
      e.X1 = x;
      e.X2 = x + xe_;
      c.LinkX = e.X1 + xv_;
    } else {
      SElem& first = *e.Children.front();
      e.X1 = first.X2 - xe_;
      first.LinkX = e.X1 + xv_;
      first.LeftAttach = 1;
      e.X2 = e.Children.back()->X1 + xe_;
      for (std::size_t k = 1; k < e.Children.size(); ++k) e.Children[k]->LinkX = e.Children[k]->X1 + xv_;
    }
    e.X2 = MeasureElement(e);
    if (right <= e.X2) right = e.X2 + xe_;
    auto& tier = tierBoxes_[static_cast<std::size_t>(e.Tier)];
    tier.push_back(&e);
    e.TierPos = static_cast<std::int32_t>(tier.size());
    stack.pop_back();
  }
  model_.Width = right;
}

int TLayout::GapToNeighbour(const SElem& e, bool right) const {
  const auto& tier = tierBoxes_[static_cast<std::size_t>(e.Tier)];
  const auto p = static_cast<std::size_t>(e.TierPos);
  if (right) {
    if (p >= 1 && p < tier.size() && tier[p]->GroupMark == 0) return tier[p]->X1 - e.X2;
  } else {
    if (p > 1 && p <= tier.size() && tier[p - 2]->GroupMark == 0) return e.X1 - tier[p - 2]->X2;
  }
  return kNoGapLimit;
}

// Visits the later subtrees first on the side looked at, marking each box, so that a neighbour
// inside the same subtree is never taken for a limit.
int TLayout::MinGapOfSubtree(PSElem e, bool right) {
  int gap = kNoGapLimit;
  std::vector<PSElem> stack{e};
  while (!stack.empty()) {
    PSElem x = stack.back();
    stack.pop_back();
    gap = std::min(gap, GapToNeighbour(*x, right));
    x->GroupMark = 1;
    if (right)
      stack.insert(stack.end(), x->Children.begin(), x->Children.end());
    else
      stack.insert(stack.end(), x->Children.rbegin(), x->Children.rend());
  }
  return gap;
}

void TLayout::ShiftSubtree(PSElem e, int dx) {
  std::vector<PSElem> stack{e};
  while (!stack.empty()) {
    PSElem x = stack.back();
    stack.pop_back();
    x->X1 += dx;
    x->X2 += dx;
    x->LinkX += dx;
    x->GroupMark = 0;
    stack.insert(stack.end(), x->Children.begin(), x->Children.end());
  }
}

// Step 12: children that hang at the parent's left end are pushed right towards its line, the others
// pulled left, each as far as its subtree's neighbours let it.
void TLayout::Compact() {
  auto span = [this](const SElem& c) { return c.LeftAttach == 0 ? c.X2 - c.X1 : 2 * xv_; };
  for (PSElem pe = model_.Last; pe != nullptr; pe = pe->Prev) {
    SElem& e = *pe;
    if (e.Has(efReference) || e.ChildCount == 0) continue;
    const auto& c = e.Children;
    const std::size_t n = c.size();
    if (e.LeftAttach == 1) {
      const int d = e.LinkX - c[n - 1]->LinkX;
      if (d > 0) {
        // Never towards the neighbour: a subtree already closer than one step stays.
        const int s = std::max(0, std::min(d, MinGapOfSubtree(c[n - 1], true) - xe_));
        ShiftSubtree(c[n - 1], s);
      }
      for (std::size_t k = n - 1; k >= 1; --k) {
        const SElem& next = *c[k];
        SElem& ck = *c[k - 1];
        const int dk = next.LinkX - ck.LinkX - span(ck);
        if (dk <= xe_) continue;
        const int s = std::max(0, MinGapOfSubtree(&ck, true) - xe_);
        ShiftSubtree(&ck, s);
        if (s > 0 && k == 1) {
          e.X1 += s;
          const int before = e.X2;
          e.X2 = MeasureElement(e);
          const int growth = e.X2 - before;
          e.X1 -= growth;
          e.X2 -= growth;
        }
      }
    } else {
      for (std::size_t k = 1; k < n; ++k) {
        SElem& ck = *c[k];
        const SElem& prev = *c[k - 1];
        const int d = ck.LinkX - prev.LinkX - span(prev);
        if (d <= xe_) continue;
        const int s = std::max(0, MinGapOfSubtree(&ck, false) - xe_);
        ShiftSubtree(&ck, -s);
        if (k == n - 1) {
          e.X2 -= s;
          e.X2 = MeasureElement(e);
        }
      }
    }
  }
}

// Step 13.
void TLayout::Normalise() {
  bool any = false;
  int m = 0;
  for (int t = 1; t <= maxTier_; ++t) {
    const auto& tier = tierBoxes_[static_cast<std::size_t>(t)];
    if (tier.empty()) continue;
    m = any ? std::min(m, tier.front()->X1) : tier.front()->X1;
    any = true;
  }
  if (any) ShiftSubtree(model_.First, -m);
  int width = 0;
  for (int t = 1; t <= maxTier_; ++t) {
    const auto& tier = tierBoxes_[static_cast<std::size_t>(t)];
    if (!tier.empty()) width = std::max(width, tier.back()->X2);
  }
  model_.Width = width + xe_;
}

namespace {

// The free lower slots of a box, numbered from 1; numbers beyond the list continue its spacing, so a
// box that ran short of slots still gives every link a distinct x.
class TSlots {
public:
  TSlots(std::vector<int> xs, int base, int step) : xs_(std::move(xs)), base_(base), step_(step) {}
  int Count() const { return static_cast<int>(xs_.size()); }
  int At(int i) const {
    const int k = Count();
    if (i >= 1 && i <= k) return xs_[static_cast<std::size_t>(i - 1)];
    if (k == 0) return base_ + (i - 1) * step_;
    if (i < 1) return xs_.front() - (1 - i) * step_;
    return xs_.back() + (i - k) * step_;
  }

private:
  std::vector<int> xs_;
  int base_, step_;
};

}  // namespace

// Step 14.
void TLayout::ConnectionSlots() {
  std::vector<std::pair<int, PSElem>> keyed, later;
  for (PSElem pe = model_.First; pe != nullptr; pe = pe->Next) {
    SElem& e = *pe;
    if (e.Has(efReference)) continue;
    // Upper side: the slots F1 ... Fm left of the box's own line.
    if (e.UpLinkCount > 0 || e.SelfLinkCount > 0) {
      const int lo = e.LeftAttach == 0 ? e.X1 + xe_ + xv_ : e.X1 + xv_;
      const int hi = e.LeftAttach == 0 ? e.X2 : e.X2 - xe_;
      const int m = lo < hi ? (hi - lo + xe_ - 1) / xe_ : 0;
      auto f = [&](int i) { return lo + (i - 1) * xe_; };
      keyed.clear();
      for (PSElem l : e.UpLinks) keyed.emplace_back(l->X2 != 0 ? l->X2 - e.X1 : 0, l);
      std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      int next = 1;
      for (auto& [key, l] : keyed)
        if (key <= 0) l->X1 = f(next++);
      for (PSElem l : e.SelfLinks) {
        l->X1 = f(next++);
        l->X2 = f(next++);
      }
      int last = m;
      for (auto it = keyed.rbegin(); it != keyed.rend(); ++it)
        if (it->first > 0) it->second->X1 = f(last--);
    }
    if (e.SideLinkCount == 0 && e.DownLinkCount == 0) continue;
    // Lower side: the slots left free by the lines of the children.
    std::vector<int> free;
    std::size_t ci = 0;
    for (int x = e.X1 + xv_; x < e.X2; x += xe_) {
      if (ci < e.Children.size() && e.Children[ci]->LinkX == x)
        ++ci;
      else
        free.push_back(x);
    }
    const TSlots g(std::move(free), e.X1 + xv_, xe_);
    const int k = g.Count();
    auto sideKey = [&](const SElem& l) {
      return (l.NodeNr == e.NodeNr ? l.X2 : (l.Target != nullptr ? l.Target->X1 : 0)) - e.X1;
    };
    auto setSide = [&](SElem& l, int x) {
      if (l.NodeNr == e.NodeNr)
        l.X1 = x;
      else
        l.X2 = x;
    };
    keyed.clear();
    later.clear();
    for (PSElem l : e.SideLinks) {
      const int key = sideKey(*l);
      (key < 0 ? keyed : later).emplace_back(key, l);
    }
    const int a = static_cast<int>(keyed.size());
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& l, const auto& r) { return -l.first < -r.first; });
    for (int i = 0; i < a; ++i) setSide(*keyed[static_cast<std::size_t>(i)].second, g.At(i + 1));
    // Right of the box first, farthest first, then the links that start straight below.
    std::stable_sort(later.begin(), later.end(), [](const auto& l, const auto& r) {
      if ((l.first > 0) != (r.first > 0)) return l.first > 0;
      return l.first > r.first;
    });
    const int b = static_cast<int>(std::count_if(later.begin(), later.end(), [](const auto& p) { return p.first > 0; }));
    int slot = k;
    for (auto it = later.rbegin(); it != later.rend(); ++it) setSide(*it->second, g.At(slot--));

    keyed.clear();
    for (PSElem l : e.DownLinks) keyed.emplace_back((l->Target != nullptr ? l->Target->X1 : 0) - e.X1, l);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
    int next = a + 1;
    for (auto& [key, l] : keyed)
      if (key <= 0) l->X2 = g.At(next++);
    int last = k - b;
    for (auto it = keyed.rbegin(); it != keyed.rend(); ++it)
      if (it->first > 0) it->second->X2 = g.At(last--);
  }
}

}  // namespace ld::diagram
