#include "core/diagram/hit_test.h"

#include <algorithm>
#include <vector>

#include "core/base/numfmt.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_edit.h"

namespace ld::diagram {

namespace {

template <class T>
int At(const std::vector<T>& v, std::size_t i) {
  return i < v.size() ? static_cast<int>(v[i]) : 0;
}

bool Between(int v, int a, int b) { return std::min(a, b) < v && v < std::max(a, b); }

bool InBox(const SElem& e, int x, int y, int dx) {
  return e.X1 + dx < x && x < e.X2 + dx && e.Y < y && y < e.Y + e.Height;
}

// The registry entries (from 1, through ids) whose symbol spans the value on one axis, nearest first.
std::vector<int> Spanning(const std::vector<std::int32_t>& edges, const std::vector<std::int32_t>& ids, int count,
                          int v, int size) {
  std::vector<int> found;
  const auto end = edges.begin() + std::min<std::ptrdiff_t>(count, static_cast<std::ptrdiff_t>(edges.size()));
  // Edges are ascending: walk down from the last one at or before v, past those at v, until a symbol
  // ends at or before v.
  for (auto it = std::upper_bound(edges.begin(), end, v); it != edges.begin();) {
    --it;
    if (*it >= v) continue;
    if (*it + size <= v) break;
    found.push_back(At(ids, static_cast<std::size_t>(it - edges.begin())));
  }
  return found;
}

// Every element of a model and of its nested models.
template <class F>
void ForEachDeep(TSchemeModel& model, F&& f) {
  for (PSElem e = model.First; e != nullptr; e = e->Next) {
    f(*e);
    if (e->SubModel) ForEachDeep(*e->SubModel, f);
  }
}

}  // namespace

bool HitTestLine(const TSchemBoxState& box, int x, int y, PSElem& elem) {
  const int w = box.PixXv / 2, w2 = box.PixdY / 2;
  for (std::size_t i = 0; i < box.LineHitElem.size(); ++i) {
    const int x1 = At(box.LineHitX1, i), y1 = At(box.LineHitY1, i), y2 = At(box.LineHitY2, i);
    bool hit;
    if (At(box.LineHitStraight, i) != 0) {
      hit = x1 - w < x && x < x1 + w && y1 < y && y < y2;
    } else {
      const int x2 = At(box.LineHitX2, i), mid = At(box.LineHitYMid, i);
      hit = (x1 - w < x && x < x1 + w && Between(y, y1, mid)) || (x2 - w < x && x < x2 + w && Between(y, mid, y2)) ||
            (Between(x, x1, x2) && mid - w2 < y && y < mid + w2);
    }
    if (hit && box.LineHitElem[i] != nullptr) {
      elem = box.LineHitElem[i];
      return true;
    }
  }
  return false;
}

bool HitTestNode(TSchemBoxState& box, int x, int y, bool& inNested, PSElem& elem) {
  inNested = false;
  const int dx = box.PixXe - box.OriginX;
  for (const PSElem e : box.SubstHitElem) {
    if (e == nullptr || !InBox(*e, x, y, dx)) continue;
    elem = e;
    if (e->SubModel) {
      // A nested drawing stands in from the substation's box by the margin of a drawing without
      // grouping.
      const bool integral = box.FIntegral;
      box.FIntegral = false;
      box.ComputeMetrics(box.Font);
      const int innerXe = box.PixXe;
      box.FIntegral = integral;
      box.ComputeMetrics(box.Font);
      const int ndx = dx + e->X1 + innerXe;
      for (PSElem n = e->SubModel->First; n != nullptr; n = n->Next) {
        if (n->Has(efReference) || n == e->SubModel->First || !InBox(*n, x, y, ndx)) continue;
        elem = n;
        inNested = true;
        break;
      }
    }
    return true;
  }
  return false;
}

int FindSwitchAt(const TSchemBoxState& box, int x, int y) {
  const int count = static_cast<int>(box.ComHitElem.size());
  const std::vector<int> byX = Spanning(box.ComHitX, box.ComHitXId, count, x, box.PixXcom);
  if (byX.empty()) return -1;
  const std::vector<int> byY = Spanning(box.ComHitY, box.ComHitYId, count, y, box.PixYcom);
  for (const int id : byX)
    if (id >= 1 && id <= count && std::find(byY.begin(), byY.end(), id) != byY.end()) return id - 1;
  return -1;
}

bool ToggleSwitchAt(TSchemBoxState& box, int x, int y) {
  const int entry = FindSwitchAt(box, x, y);
  if (entry < 0) return false;
  const auto i = static_cast<std::size_t>(entry);
  ToggleSwitchEnd(box, box.ComHitElem[i], At(box.ComHitBegin, i) != 0);
  return true;
}

std::string SelectedNodeText(const TSchemBoxState& box, const SElem& elem) {
  if (elem.Has(efGroup)) return elem.Caption.value_or(std::string());
  const int row = elem.NodeRow;
  if (!box.NodeTable || row < 1 || row > box.NodeCols.RowCount) return elem.Caption.value_or(std::string());
  if (box.FPaintNod == ncmName) return box.NodeCols.Name->GetItem(row);
  return IntToStr(box.NodeCols.NS->Get(row));
}

void SelectNode(TSchemBoxState& box, PSElem elem) {
  if (elem == nullptr) return;
  elem->Flags |= efSelected;
  box.SelectedNode = elem;
  box.Paint();
  const std::string text = SelectedNodeText(box, *elem);
  if (!text.empty() && box.OnGetNode) box.OnGetNode(text);
}

void ClearNodeSelection(TSchemBoxState& box) {
  if (box.Model)
    ForEachDeep(*box.Model, [](SElem& e) {
      if (!e.Has(efReference)) e.Flags &= ~static_cast<std::uint32_t>(efSelected);
    });
  box.SelectedNode = nullptr;
}

void MarkLine(TSchemBoxState& box, PSElem elem) {
  if (elem == nullptr) return;
  elem->Flags |= efMarked;
  box.MarkedLine = elem;
}

void ClearLineMark(TSchemBoxState& box) {
  if (box.Model) ForEachDeep(*box.Model, [](SElem& e) { e.Flags &= ~static_cast<std::uint32_t>(efMarked); });
  box.MarkedLine = nullptr;
}

}  // namespace ld::diagram
