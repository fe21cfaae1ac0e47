// The cuts of the open-point optimisation: every closed loop of a distribution network is operated open
// at one point, a loop-closing element open at its own end. The optimiser moves a cut branch by branch
// along its loop; each move edits the element tree in place and leaves a model that the matrices and
// the iterations can take at once.
//
// A move hands the node of the branch that opens over to the branch that closes: the element that was
// the cut becomes the tree element of that node, and the element that fed it becomes the cut. Every
// operation is undone by its mirror image (a cut moved one branch and turned back ends where it began),
// so what a move changes it changes both ways: the branch's direction bit, ratio, impedance and ends.
#include <algorithm>
#include <complex>
#include <unordered_map>
#include <utility>

#include "core/engine/regime.h"

namespace ld {

namespace {

constexpr std::uint32_t kNumbered = 0x2000000;  // level given while the tree order is rebuilt
constexpr std::uint32_t kWorkBits = 0x0F000000;
constexpr std::uint32_t kOpenBoth = efOpenNumber | efOpenNumber2;

// A branch without a ratio, or one never energised (ratio 0), is a line: its shunt lies half at each end.
// A transformer's shunt lies wholly at its table start, which is the parent end of a reversed element.
bool IsLine(const TRegimeElement* e) { return (e->Flags & efHasRatio) == 0 || e->K == Complex(0, 0); }

// Hangs the branch from its other end: ends, direction bit, switching-device marks, and the ratio and
// impedance referred to the new child side (the complex ratio inverted whole), so that turning it twice
// gives everything back.
void TurnBranch(TRegimeElement* e) {
  std::swap(e->Number, e->Number2);
  e->Flags ^= efReversed;
  if (((e->Flags & efDeviceNumber) != 0) != ((e->Flags & efDeviceNumber2) != 0)) {
    e->Flags ^= efDeviceNumber | efDeviceNumber2;
  }
  const double k2 = std::norm(e->K);
  if (k2 == 0) return;
  e->IPrev = -std::conj(e->K) * e->IPrev;
  e->R /= k2;
  e->X /= k2;
  e->K = std::conj(e->K) / k2;
}

// What belongs to a node rather than to the branch that feeds it. A loop-closing element holds none of
// it (zeros), so exchanging the two hands the node over and a second exchange hands it back.
void ExchangeNode(TRegimeElement* a, TRegimeElement* b) {
  constexpr std::uint32_t nodeFlags = efFixedVoltage | efEnergyLoads;
  const std::uint32_t fa = a->Flags & nodeFlags, fb = b->Flags & nodeFlags;
  a->Flags = (a->Flags & ~nodeFlags) | fb;
  b->Flags = (b->Flags & ~nodeFlags) | fa;
  std::swap(a->Load, b->Load);
  std::swap(a->Load1, b->Load1);
  std::swap(a->Load2, b->Load2);
  std::swap(a->NodeIndex, b->NodeIndex);
  std::swap(a->Name, b->Name);
  std::swap(a->Unom, b->Unom);
  std::swap(a->Um, b->Um);
  std::swap(a->Kvi, b->Kvi);
  std::swap(a->Kvu, b->Kvu);
  std::swap(a->Qmin, b->Qmin);
  std::swap(a->Qmax, b->Qmax);
  std::swap(a->Ng_n, b->Ng_n);
  std::swap(a->Ng_g, b->Ng_g);
  std::swap(a->Nq_n, b->Nq_n);
  std::swap(a->Nq_g, b->Nq_g);
  std::swap(a->Ng_u, b->Ng_u);
  std::swap(a->SupplyTimes, b->SupplyTimes);
}

// A loop-closing element names the node at its open end as its partner does; its node row is that of
// the partner when the analysis gave it one.
void EchoPartner(TRegimeElement* cut, TRegimeElement* partner, bool withRow) {
  cut->Partner = partner;
  cut->Name = partner->Name;
  cut->Unom = partner->Unom;
  cut->NodeIndex = withRow ? partner->NodeIndex : 0;
}

// Every reference to the element that carried a node now points at its new carrier.
void RetargetNodeCarrier(TRegime& r, const TRegimeElement* from, TRegimeElement* to) {
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) {
    if (e->Partner == from) e->Partner = to;
  }
  for (auto* list : {&r.TiePartners, &r.ContourEntry2, &r.OpenLoopEntry2}) {
    std::replace(list->begin(), list->end(), const_cast<TRegimeElement*>(from), to);
  }
}

// The open loops of the analysis follow the cut to its new element.
void FollowOpenLoop(TRegime& r, const TRegimeElement* oldCut, TRegimeElement* newCut, TRegimeElement* partner) {
  for (std::size_t k = 0; k < r.OpenLoopEntry1.size() && k < r.OpenLoopEntry2.size(); ++k) {
    if (r.OpenLoopEntry1[k] != oldCut) continue;
    r.OpenLoopEntry1[k] = newCut;
    r.OpenLoopEntry2[k] = partner;
  }
}

}  // namespace

void TRegime::BuildTieList() {
  FreeTieList();
  if (Root == nullptr) return;
  std::unordered_map<std::int32_t, TRegimeElement*> carrier;  // first node element of each number
  for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efLoopClosing) == 0) carrier.emplace(e->Number, e);
  }
  for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efOpenNumber) == 0) continue;
    const auto it = carrier.find(e->Number);
    TRegimeElement* v = it == carrier.end() ? nullptr : it->second;
    if (v == e) {
      v = nullptr;
      for (TRegimeElement* x = e->NextInTree; x != nullptr && v == nullptr; x = x->NextInTree) {
        if (x->Number == e->Number && (x->Flags & efLoopClosing) == 0) v = x;
      }
    }
    if (v == nullptr) continue;
    TieBranches.push_back(e);
    TiePartners.push_back(v);
  }
  TieCount = static_cast<int>(TieBranches.size());
}

void TRegime::FreeTieList() {
  TieBranches.clear();
  TieBranches.shrink_to_fit();
  TiePartners.clear();
  TiePartners.shrink_to_fit();
  TieCount = 0;
}

void TRegime::MarkContourPaths() {
  const std::size_t count = std::min({static_cast<std::size_t>(std::max(ContourCount, 0)), ContourEntry1.size(),
                                      ContourEntry2.size()});
  for (std::size_t c = 0; c < count; ++c) {
    for (TRegimeElement* entry : {ContourEntry1[c], ContourEntry2[c]}) {
      for (TRegimeElement* x = entry; x != nullptr && x->Parent != nullptr; x = x->Parent) x->Flags |= efCutMark2;
    }
  }
}

void TRegime::ClearWorkFlags() {
  if (Root == nullptr) return;
  for (TRegimeElement* e = Root->NextInTree; e != nullptr; e = e->NextInTree) e->Flags &= ~kWorkBits;
}

void TRegime::MoveContourCut(int Index) {
  if (Index < 1 || Index > TieCount) return;
  // Up from an element to the contour path (or the root), that element excluded.
  auto walk = [](TRegimeElement* from, auto op) {
    for (TRegimeElement* x = from; x != nullptr && x->Parent != nullptr && (x->Flags & efCutMark2) == 0;
         x = x->Parent) {
      op(x);
    }
  };
  TRegimeElement* cut = TieBranches[Index - 1];
  TRegimeElement* partner = TiePartners[Index - 1];
  auto clear = [](TRegimeElement* x) { x->Flags &= ~efCutMark1; };
  walk(cut, clear);
  walk(partner, clear);
  walk(cut, [](TRegimeElement* x) { x->Flags |= efCutMark1; });
  walk(partner, [](TRegimeElement* x) { x->Flags ^= efCutMark1; });
}

bool TRegime::TryMoveCut(int Index, bool StopAtTransformers) {
  if (Index < 1 || Index > TieCount) return false;
  TRegimeElement* e = TieBranches[Index - 1];
  TRegimeElement* p = TiePartners[Index - 1];
  TRegimeElement* q = e->Parent;
  if (p == nullptr || q == nullptr || q->Parent == nullptr) return false;
  if ((q->Flags & efCutMark1) == 0 || (q->Flags & (efSource | efCutMark2 | efLoopClosing)) != 0) return false;
  if (StopAtTransformers && (q->Flags & efHasRatio) != 0) return false;
  // A branch switched off at both ends cannot take over the node by closing its cut end.
  if ((e->Flags & kOpenBoth) == kOpenBoth) return false;

  const bool withRow = e->NodeIndex != 0;
  RetargetNodeCarrier(*this, q, e);
  TieBranches[Index - 1] = q;
  TiePartners[Index - 1] = e;
  FollowOpenLoop(*this, e, q, e);

  q->Flags = (q->Flags & ~efCommutF) | (e->Flags & efCommutF);
  e->Flags &= ~(efOpenNumber | efLoopClosing | efCommutF);
  TurnBranch(e);
  q->Flags |= efOpenNumber | efLoopClosing;

  // q's other children go with its node to e, and e hangs under its former partner.
  TRegimeElement *prev = nullptr, *first = nullptr, *last = nullptr;
  TreeOrderMove(q, e, '-', prev, first, last, e);
  e->Parent = p;
  TreeOrderMove(p, e, '+', prev, first, last);
  if (first == nullptr) {
    e->NextInTree = p->NextInTree;
    p->NextInTree = e;
  }

  // e's shunt at its former open end joins p's node. The node's shunts go to e except for q's own
  // share at this end, which stays with q at its now open end.
  p->Gs += e->Gs;
  p->Bs += e->Bs;
  double keepG = 0, keepB = 0;
  if (IsLine(q)) {
    keepG = q->G / 2;
    keepB = q->B / 2;
  } else if ((q->Flags & efReversed) == 0) {
    keepG = q->G;
    keepB = q->B;
  }
  e->Gs = q->Gs - keepG;
  e->Bs = q->Bs - keepB;
  q->Gs = keepG;
  q->Bs = keepB;

  ExchangeNode(e, q);
  EchoPartner(q, e, withRow);
  e->Partner = nullptr;

  RebuildTreeOrder();
  RebuildReverseChain();
  InitVoltages();
  return true;
}

void TRegime::ReattachCutElement(int Index) {
  if (Index < 1 || Index > TieCount) return;
  TRegimeElement* e = TieBranches[Index - 1];
  TRegimeElement* p = TiePartners[Index - 1];
  TRegimeElement* q = e->Parent;
  if (p == nullptr || q == nullptr || p == q) return;

  const bool withRow = e->NodeIndex != 0;
  TiePartners[Index - 1] = q;
  FollowOpenLoop(*this, e, e, q);

  TRegimeElement *prev = nullptr, *first = nullptr, *last = nullptr;
  TreeOrderMove(q, e, '-', prev, first, last);
  e->Parent = p;
  TreeOrderMove(p, e, '+', prev, first, last);
  if (first == nullptr) {
    e->NextInTree = p->NextInTree;
    p->NextInTree = e;
  }

  TurnBranch(e);
  if (IsLine(e)) {
    // The half at the open end stays; the other half moves from q's node to p's.
    p->Gs += e->Gs;
    p->Bs += e->Bs;
    q->Gs -= e->Gs;
    q->Bs -= e->Bs;
  } else if ((e->Flags & efReversed) != 0) {
    p->Gs += e->G;
    p->Bs += e->B;
    e->Gs = 0;
    e->Bs = 0;
  } else {
    e->Gs = e->G;
    e->Bs = e->B;
    q->Gs -= e->G;
    q->Bs -= e->B;
  }

  RebuildTreeOrder();
  RebuildReverseChain();
  InitVoltages();
  EchoPartner(e, q, withRow);
}

void TRegime::TreeOrderMove(TRegimeElement* Parent, TRegimeElement* Element, char Mode, TRegimeElement*& Prev,
                            TRegimeElement*& First, TRegimeElement*& Last, TRegimeElement* NewParent) {
  Prev = First = Last = nullptr;
  if (Root == nullptr) return;
  bool seen = false;
  TRegimeElement* before = Root;
  for (TRegimeElement* x = Root->NextInTree; x != nullptr;) {
    TRegimeElement* const next = x->NextInTree;
    bool unlinked = false;
    if (x->Parent == Parent) {
      if (Mode == '+') {
        if (!seen) {
          before->NextInTree = Element;
          Element->NextInTree = x;
          Prev = before;
          First = Element;
        }
        Last = x;
      } else {
        if (!seen) Prev = before;
        if (x == Element) {
          before->NextInTree = next;
          unlinked = true;
        } else {
          if (First == nullptr) First = x;
          Last = x;
        }
      }
      seen = true;
      if (NewParent != nullptr) x->Parent = NewParent;
    }
    if (!unlinked) before = x;
    x = next;
  }
}

void TRegime::RebuildTreeOrder() {
  if (Root == nullptr) return;
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) e->Work = 0;

  // Levels: each element not yet numbered is numbered with its unnumbered ancestors, from the top one
  // down. The chain of one walk is as long as the tree is deep.
  const std::size_t limit = Elements().Count();
  std::vector<TRegimeElement*> chain;
  int maxLevel = 0;
  for (TRegimeElement* v = FirstElement; v != nullptr; v = v->Next) {
    if (v->Parent == nullptr || (v->Flags & kNumbered) != 0) continue;
    chain.clear();
    TRegimeElement* x = v;
    while (x != nullptr && x->Parent != nullptr && (x->Flags & kNumbered) == 0 && chain.size() <= limit) {
      chain.push_back(x);
      x = x->Parent;
    }
    int level = x != nullptr && (x->Flags & kNumbered) != 0 ? x->Work : 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      (*it)->Work = ++level;
      (*it)->Flags |= kNumbered;
    }
    maxLevel = std::max(maxLevel, level);
  }

  // Level order from the root; within a level, the order of the Next chain.
  std::vector<std::size_t> start(static_cast<std::size_t>(maxLevel) + 2, 0);
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if (e->Work > 0) ++start[static_cast<std::size_t>(e->Work) + 1];
  }
  for (std::size_t l = 1; l < start.size(); ++l) start[l] += start[l - 1];
  std::vector<TRegimeElement*> order(start.back());
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if (e->Work > 0) order[start[static_cast<std::size_t>(e->Work)]++] = e;
  }
  TRegimeElement* tail = Root;
  for (TRegimeElement* e : order) {
    tail->NextInTree = e;
    tail = e;
  }
  tail->NextInTree = nullptr;
  lastInTree_ = tail;

  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    e->Work = 0;
    e->Flags &= ~kNumbered;
  }
}

void TRegime::RebuildReverseChain() {
  TRegimeElement* before = nullptr;
  for (TRegimeElement* e = Root; e != nullptr; e = e->NextInTree) {
    e->Next = before;
    before = e;
  }
  FirstElement = before;
  lastInTree_ = before;
}

}  // namespace ld
