#include "core/engine/select.h"

#include <cmath>
#include <unordered_set>

#include "core/base/numfmt.h"
#include "core/engine/electric.h"

namespace ld {

namespace {

constexpr std::uint32_t kBothMarks = efSelected | efSelectWork;

// Blanks and control characters off both ends, as names typed into tables carry them.
std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string CutBefore(const std::string& s, char c) { return s.substr(0, s.find(c)); }

// The key of a search text or of an element's name: trimmed and cut before ">" (diagram captions append
// their details after it).
std::string SearchKey(const std::string& s) { return Trim(CutBefore(Trim(s), '>')); }

void Progress(const TRegimeProgressEvent& progress, int position) {
  if (progress) progress(position);
}

// Marks the element and its ancestors; the root never takes a mark.
void MarkPath(TRegimeElement* e, std::uint32_t bits = efSelected) {
  for (; e != nullptr && e->Parent != nullptr; e = e->Parent) e->Flags |= bits;
}

void ClearBits(TRegime& r, std::uint32_t bits) {
  for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) e->Flags &= ~bits;
}

// Calls f for every element that the text finds.
template <typename F>
bool ForEachFound(TRegime& r, const std::string& text, bool cutAtDot, F f) {
  if (r.Root == nullptr) return false;
  const TCutElementNames cut(r, text, cutAtDot);
  bool found = false;
  TRegimeElement* e = r.Root;
  while (FindElementByName(r, text, r.NameMode, e)) {
    found = true;
    f(e);
  }
  return found;
}

// Gives every element of e's subtree the work mark (the tree order is level order, so parents come first).
void MarkSubtreeWork(TRegimeElement* e) {
  e->Flags |= efSelectWork;
  for (TRegimeElement* x = e->NextInTree; x != nullptr; x = x->NextInTree) {
    if (x->Parent != nullptr && (x->Parent->Flags & efSelectWork) != 0) x->Flags |= efSelectWork;
  }
}

double VoltageClass(const TRegimeElement* e) {
  return NearestNominalVoltage(e->Unom != 0 ? static_cast<double>(e->Unom) : std::abs(e->U));
}

void AddOnce(std::vector<std::int32_t>& list, std::unordered_set<std::int32_t>& seen, std::int32_t row) {
  if (row != 0 && seen.insert(row).second) list.push_back(row);
}

}  // namespace

std::string ElementText(int NameMode, const TRegimeElement* Element) {
  if (NameMode == 1) return Trim(Element->Name);
  return std::to_string(Element->Number);
}

bool FindElementByName(TRegime& Regime, const std::string& Text, int NameMode, TRegimeElement*& Element) {
  const std::string wanted = SearchKey(Text);
  TRegimeElement* e = Element != nullptr ? Element->NextInTree : Regime.Root;
  if (Element == nullptr && e != nullptr) e = e->NextInTree;
  for (; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efLoopClosing) != 0) continue;
    const std::string key = NameMode == 1 && !e->Name.empty() ? e->Name : std::to_string(e->Number);
    if (SearchKey(key) == wanted) {
      Element = e;
      return true;
    }
  }
  return false;
}

void SaveElementNames(TRegimeElement* First, std::vector<std::string>& Names) {
  Names.clear();
  for (TRegimeElement* e = First; e != nullptr; e = e->NextInTree) {
    Names.push_back(e->Name);
    e->Name = CutBefore(e->Name, '.');
  }
}

void RestoreElementNames(TRegimeElement* First, std::vector<std::string>& Names) {
  std::size_t i = 0;
  for (TRegimeElement* e = First; e != nullptr && i < Names.size(); e = e->NextInTree, ++i) {
    e->Name = std::move(Names[i]);
  }
  Names.clear();
}

TCutElementNames::TCutElementNames(TRegime& Regime, const std::string& Text, bool CutAtDot)
    : first_(Regime.Root), active_(CutAtDot && first_ != nullptr && Text.find('.') == std::string::npos) {
  if (active_) SaveElementNames(first_, names_);
}

TCutElementNames::~TCutElementNames() {
  if (active_) RestoreElementNames(first_, names_);
}

void MarkUpToSupply(TRegimeElement* Element) {
  for (TRegimeElement* e = Element; e != nullptr && (e->Flags & efSelected) == 0; e = e->Parent) {
    e->Flags |= efSelected;
    if ((e->Flags & efSource) != 0) break;
  }
}

void MarkSubtree(TRegimeElement* Element) {
  Element->Flags |= efSelected;
  for (TRegimeElement* e = Element->NextInTree; e != nullptr; e = e->NextInTree) {
    if (e->Parent != nullptr && (e->Parent->Flags & efSelected) != 0) e->Flags |= efSelected;
  }
}

void MarkContoursThroughPath(TRegime& Regime, TRegimeElement* Element) {
  MarkPath(Element);
  const int count = std::min<int>(Regime.ContourCount, static_cast<int>(Regime.ContourEntry1.size()));
  // A contour that runs between two sources meets them only at the root; the sources themselves do
  // not pull it into the selection.
  auto leadingSource = [&](const TRegimeElement* x) { return x->Parent == Regime.Root && (x->Flags & efSource) != 0; };
  for (bool changed = true; changed;) {
    changed = false;
    for (int c = 0; c < count; ++c) {
      TRegimeElement* a = Regime.ContourEntry1[c];
      TRegimeElement* b = Regime.ContourEntry2[c];
      if ((a->Flags & efSelected) != 0 && (b->Flags & efSelected) != 0) continue;
      // The two paths with the common part toggled off leave the contour's own elements.
      MarkPath(a, efSelectWork);
      for (TRegimeElement* x = b; x != nullptr && x->Parent != nullptr; x = x->Parent) x->Flags ^= efSelectWork;
      bool touches = false;
      for (TRegimeElement* side : {a, b}) {
        for (TRegimeElement* x = side; x != nullptr && x->Parent != nullptr && !touches; x = x->Parent) {
          touches = (x->Flags & kBothMarks) == kBothMarks && !leadingSource(x);
        }
      }
      if (touches) {
        for (TRegimeElement* side : {a, b}) {
          for (TRegimeElement* x = side; x != nullptr && x->Parent != nullptr && (x->Flags & efSelected) == 0;
               x = x->Parent) {
            x->Flags |= efSelected;
          }
        }
        changed = true;
      }
      for (TRegimeElement* side : {a, b}) {
        for (TRegimeElement* x = side; x != nullptr; x = x->Parent) x->Flags &= ~efSelectWork;
      }
    }
  }
  ClearBits(Regime, efSelectWork);
}

void CollectMarkedConnections(TRegime& Regime, std::vector<std::int32_t>& NodeList,
                              std::vector<std::int32_t>& BranchList) {
  NodeList.clear();
  BranchList.clear();
  std::unordered_set<std::int32_t> seen;
  if (Regime.Root == nullptr) return;
  for (TRegimeElement* e = Regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
    if ((e->Flags & efSelected) == 0) continue;
    if (e->Parent != nullptr && (e->Parent->Flags & efSelected) == 0) AddOnce(NodeList, seen, e->Parent->NodeIndex);
    const TRegimeElement* node = (e->Flags & efLoopClosing) != 0 && e->Partner != nullptr ? e->Partner : e;
    AddOnce(NodeList, seen, node->NodeIndex);
    if (e->Number2 != kRootNumber && e->BranchIndex != 0) BranchList.push_back(e->BranchIndex);
  }
  ClearBits(Regime, efSelectBits);
}

bool SelectUnsuppliedFragment(TRegime& Regime, const std::string& ItemText, const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  std::string text = ItemText;
  if (Regime.NameMode == 2) text = CutBefore(text, ' ');
  TRegimeElement* found = nullptr;
  for (TRegimeElement* e = Regime.Root != nullptr ? Regime.Root->NextInTree : nullptr; e != nullptr;
       e = e->NextInTree) {
    if ((e->Flags & efLoopClosing) == 0 && ElementText(Regime.NameMode, e) == text) {
      found = e;
      break;
    }
  }
  if (found != nullptr) {
    ClearBits(Regime, efSelectBits);
    MarkSubtree(found);
    const int count = std::min<int>(Regime.OpenLoopCount, static_cast<int>(Regime.OpenLoopEntry1.size()));
    auto marked = [](const TRegimeElement* x) { return (x->Flags & efSelected) != 0; };
    auto unsupplied = [](const TRegimeElement* x) { return (x->Flags & efUnsupplied) != 0; };
    // Islands joined to the fragment through open branches belong to it as well.
    for (bool changed = true; changed;) {
      changed = false;
      for (int k = 0; k < count; ++k) {
        TRegimeElement* a = Regime.OpenLoopEntry1[k];
        TRegimeElement* b = Regime.OpenLoopEntry2[k];
        if (!unsupplied(a) || !unsupplied(b) || marked(a) == marked(b)) continue;
        TRegimeElement* other = marked(a) ? b : a;
        MarkUpToSupply(other);
        if (unsupplied(other)) {
          // The whole island the branch leads into: every unsupplied node hangs from the root, its
          // branches from one of its nodes, so the island is the subtree of the node reached.
          TRegimeElement* top = other;
          while ((top->Flags & efSource) == 0 && top->Parent != nullptr) top = top->Parent;
          MarkSubtree(top);
        }
        changed = true;
      }
    }
    // Where the fragment could be fed from a supplied part, that part's way to its source is shown.
    for (int k = 0; k < count; ++k) {
      TRegimeElement* a = Regime.OpenLoopEntry1[k];
      TRegimeElement* b = Regime.OpenLoopEntry2[k];
      if (marked(a) != marked(b) && unsupplied(a) != unsupplied(b)) MarkUpToSupply(marked(a) ? b : a);
    }
  }
  ld::Progress(Progress, 100);
  return found != nullptr;
}

bool SelectContour(TRegime& Regime, int ContourIndex, const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  const bool valid = ContourIndex >= 1 && ContourIndex <= Regime.ContourCount &&
                     ContourIndex <= static_cast<int>(Regime.ContourEntry1.size());
  if (valid) {
    MarkPath(Regime.ContourEntry1[ContourIndex - 1]);
    MarkPath(Regime.ContourEntry2[ContourIndex - 1]);
  }
  ld::Progress(Progress, 100);
  return valid;
}

bool SelectNodesByVoltageClass(TRegime& Regime, const std::string& ClassText, std::vector<std::int32_t>& NodeList,
                               std::vector<std::int32_t>& BranchList, const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  NodeList.clear();
  BranchList.clear();
  std::vector<std::string> classes;
  for (std::size_t start = 0;;) {
    const std::size_t comma = ClassText.find(',', start);
    classes.push_back(Trim(ClassText.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  auto matches = [&](const TRegimeElement* e) {
    const std::string text = FloatToStrFixed(VoltageClass(e), 0);
    for (const std::string& c : classes) {
      if (c == text) return true;
    }
    return false;
  };
  for (TRegimeElement* e = Regime.Root != nullptr ? Regime.Root->NextInTree : nullptr; e != nullptr;
       e = e->NextInTree) {
    if (!matches(e)) continue;
    if ((e->Flags & efLoopClosing) == 0 && e->NodeIndex != 0) NodeList.push_back(e->NodeIndex);
    if (e->Number2 != kRootNumber && e->BranchIndex != 0 && e->Parent != nullptr && matches(e->Parent)) {
      BranchList.push_back(e->BranchIndex);
    }
  }
  ld::Progress(Progress, 100);
  return !NodeList.empty() || !BranchList.empty();
}

bool BuildSupplyRadius(TRegime& Regime, const std::string& Text, bool CutAtDot, bool WithLoops,
                       const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  const bool found = ForEachFound(Regime, Text, CutAtDot, [&](TRegimeElement* e) {
    if (WithLoops) {
      MarkContoursThroughPath(Regime, e);
    } else {
      MarkPath(e);
    }
  });
  ld::Progress(Progress, 100);
  return found;
}

bool BuildSupplyTree(TRegime& Regime, const std::string& Text, bool CutAtDot, bool WholeTree,
                     const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  const bool found = ForEachFound(Regime, Text, CutAtDot, [&](TRegimeElement* found) {
    MarkSubtreeWork(found);
    // The found element belongs to its own supply tree however it is drawn.
    MarkPath(found, kBothMarks);
    for (TRegimeElement* x = Regime.Root->NextInTree; x != nullptr; x = x->NextInTree) {
      TRegimeElement* p = x->Partner;
      if ((x->Flags & efLoopClosing) == 0 || p == nullptr || ((x->Flags ^ p->Flags) & efSelectWork) == 0) continue;
      if ((x->Flags & efOpenNumber) == 0) {
        MarkPath((x->Flags & efSelectWork) != 0 ? p : x, efSelectWork);  // the other way of supply
      } else if ((x->Flags & efSelectWork) == 0) {
        x->Flags |= efSelectWork;  // the open end of the tree
      }
      if (!WholeTree && ((x->Flags | p->Flags) & efSelectWork) != 0) {
        MarkPath(x);
        MarkPath(p);
      }
    }
    for (TRegimeElement* x = Regime.Root->NextInTree; x != nullptr; x = x->NextInTree) {
      if (!WholeTree) x->Flags &= ~efSelectWork;
      if ((x->Flags & efSelectWork) != 0) x->Flags = (x->Flags & ~efSelectBits) | efSelected;
    }
  });
  ld::Progress(Progress, 100);
  return found;
}

bool BuildNodeTier(TRegime& Regime, const std::string& Text, bool CutAtDot, const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  const bool found = ForEachFound(Regime, Text, CutAtDot, [&](TRegimeElement* found) {
    const std::int32_t number = found->Number;
    for (TRegimeElement* e = Regime.FirstElement; e != nullptr; e = e->Next) {
      if (e->Number == number || e->Number2 == number) e->Flags |= efSelected;
    }
  });
  ld::Progress(Progress, 100);
  return found;
}

bool BuildSupplyRoutes(TRegime& Regime, const std::string& Text, bool CutAtDot, const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  const bool found = ForEachFound(Regime, Text, CutAtDot, [&](TRegimeElement* found) {
    MarkContoursThroughPath(Regime, found);
    MarkSubtreeWork(found);
    // An open branch between the subtree and the rest is a reserve route: both its ways to the source.
    constexpr std::uint32_t openTie = efOpenNumber | efLoopClosing;
    for (TRegimeElement* x = Regime.Root->NextInTree; x != nullptr; x = x->NextInTree) {
      TRegimeElement* p = x->Partner;
      if ((x->Flags & openTie) != openTie || p == nullptr || ((x->Flags ^ p->Flags) & efSelectWork) == 0) continue;
      MarkPath(x);
      MarkPath(p);
    }
    ClearBits(Regime, efSelectWork);
  });
  ld::Progress(Progress, 100);
  return found;
}

bool ToggleSubstation(TRegime& Regime, const std::string& Text, bool CutAtDot, std::vector<std::int32_t>& NodeList,
                      std::vector<std::int32_t>& BranchList, const TRegimeProgressEvent& Progress) {
  ld::Progress(Progress, 30);
  NodeList.clear();
  BranchList.clear();
  const std::string text = Trim(Text);
  bool found = false;
  if (Regime.Root != nullptr && !text.empty()) {
    const TCutElementNames cut(Regime, text, CutAtDot);
    std::unordered_set<std::int32_t> seen;
    for (TRegimeElement* e = Regime.Root->NextInTree; e != nullptr; e = e->NextInTree) {
      if (Trim(e->Name) != text) continue;
      found = true;
      AddOnce(NodeList, seen, e->NodeIndex);
      if (e->Number2 != kRootNumber && e->BranchIndex != 0 && e->Parent != nullptr && Trim(e->Parent->Name) == text) {
        BranchList.push_back(e->BranchIndex);
      }
    }
  }
  ld::Progress(Progress, 100);
  return found;
}

}  // namespace ld
