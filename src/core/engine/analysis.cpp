// The element list turned into a rooted tree with closing contours.
//
// Parents and partners are "the nearest element created before this one" with a given node number, which
// one pass in creation order finds with a map instead of a search along the list.
#include <string>
#include <utility>
#include <vector>

#include "core/engine/number_map.h"
#include "core/engine/regime.h"

namespace ld {

namespace {

// Elements in creation order: the list order through Next reversed.
std::vector<TRegimeElement*> CreationOrder(TRegimeElement* first) {
  std::vector<TRegimeElement*> order;
  for (TRegimeElement* e = first; e != nullptr; e = e->Next) order.push_back(e);
  return {order.rbegin(), order.rend()};
}

}  // namespace

void TRegime::AnalyzeConfiguration() {
  if (ModelError) return;
  SetParents();
  DistributeShunts();
  FindContours();
  NetworkContourCount = ContourCount;
  if (FixModule && PVAlgorithm == 0) AddFixedVoltageBranches();
  TotalContourCount = ContourCount;
  if (FormPVLoops) FindOpenLoops();
  if (TotalContourCount != 0) ListContours();
  if (!ModelError) SchemeRead = true;
  Stage("", 100);
}

void TRegime::SetParents() {
  TNumberMap<TRegimeElement*> latest(pool_.Count());
  for (TRegimeElement* e : CreationOrder(FirstElement)) {
    if (e != Root) {
      TRegimeElement* const* parent = latest.Find(e->Number2);
      e->Parent = parent == nullptr ? nullptr : *parent;
    }
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
  ContourEntry1.clear();
  ContourEntry2.clear();
  ContourCount = 0;
  // Tree partner of each closed loop-closing branch: the nearest earlier element of its node that is a
  // supplied, closed, non-closing branch. A loop-closing branch open at its own end still names the node
  // it would close on: the last non-closing element of that node.
  TNumberMap<TRegimeElement*> latest(pool_.Count()), any(pool_.Count());
  std::vector<std::pair<TRegimeElement*, TRegimeElement*>> closing;  // with its partner, in creation order
  constexpr std::uint32_t mask = efUnsupplied | efLoopClosing | efOpenNumber;
  for (TRegimeElement* e : CreationOrder(FirstElement)) {
    if ((e->Flags & mask) == efLoopClosing) {
      TRegimeElement* const* p = latest.Find(e->Number);
      closing.emplace_back(e, p == nullptr ? nullptr : *p);
    }
    if ((e->Flags & mask) == 0) latest[e->Number] = e;
    if ((e->Flags & efLoopClosing) == 0) any[e->Number] = e;
  }
  // Contours in list order.
  for (auto it = closing.rbegin(); it != closing.rend(); ++it) {
    TRegimeElement* e = it->first;
    TRegimeElement* p = it->second;
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
    ContourEntry2.push_back(p);
  }
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if ((e->Flags & (efLoopClosing | efOpenNumber)) != (efLoopClosing | efOpenNumber)) continue;
    TRegimeElement* const* carrier = any.Find(e->Number);
    if (carrier == nullptr) continue;
    e->Name = (*carrier)->Name;
    e->Partner = *carrier;
    e->Unom = (*carrier)->Unom;
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
  if (ModelError) return;
  OpenLoopEntry1 = ContourEntry1;
  OpenLoopEntry2 = ContourEntry2;
  OpenLoopCount = ContourCount;
  TNumberMap<TRegimeElement*> any(pool_.Count());
  for (TRegimeElement* e : CreationOrder(FirstElement)) {
    if ((e->Flags & efLoopClosing) == 0) any[e->Number] = e;
  }
  for (TRegimeElement* e = FirstElement; e != nullptr; e = e->Next) {
    if ((e->Flags & efLoopClosing) == 0 || (e->Flags & (efOpenNumber | efUnsupplied)) == 0) continue;
    TRegimeElement* const* carrier = any.Find(e->Number);
    if (carrier == nullptr) {
      ReportError(SchemeQuoted() + ". Отсутствует узел : " + std::to_string(e->Number));
      continue;
    }
    ++OpenLoopCount;
    e->Name = (*carrier)->Name;
    e->NodeIndex = (*carrier)->NodeIndex;
    e->Partner = *carrier;
    OpenLoopEntry1.push_back(e);
    OpenLoopEntry2.push_back(*carrier);
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
