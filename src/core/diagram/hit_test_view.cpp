// Dragging the picture, bringing an element into view and finding a node on the diagram.
#include <algorithm>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/diagram/draw.h"
#include "core/diagram/hit_test.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

int Limit(int origin, int model, int control) { return std::max(std::min(origin, model - control), 0); }

void BarsTakeOrigin(TSchemBoxState& box) {
  if (box.HScrollBar) box.HScrollBar->Position = box.OriginX;
  if (box.VScrollBar) box.VScrollBar->Position = box.OriginY;
}

// CurModel as it was, however the nested pass ends.
class TCurModelScope {
public:
  explicit TCurModelScope(TSchemBoxState& box) : box_(box), saved_(box.CurModel) {}
  ~TCurModelScope() { box_.CurModel = saved_; }
  TCurModelScope(const TCurModelScope&) = delete;
  TCurModelScope& operator=(const TCurModelScope&) = delete;

private:
  TSchemBoxState& box_;
  TSchemeModel* saved_;
};

std::string NodeNameOf(const TSchemBoxState& box, const SElem& e) {
  if (box.NodeTable && e.NodeRow >= 1 && e.NodeRow <= box.NodeCols.RowCount) return box.NodeCols.Name->GetItem(e.NodeRow);
  return e.Caption.value_or(std::string());
}

}  // namespace

void DragOrigin(TSchemBoxState& box, int dx, int dy) {
  box.OriginX = Limit(box.OriginX + dx, box.Model->Width, box.ClientWidth);
  box.OriginY = Limit(box.OriginY + dy, box.Model->Height, box.ClientHeight);
  BarsTakeOrigin(box);
  box.Paint();
}

void ScrollToElement(TSchemBoxState& box, TSchemePainter& painter, PSElem elem) {
  if (elem == nullptr) return;
  int x1 = elem->X1, x2 = elem->X2;
  int y = elem->Y + box.OriginY;
  if (elem->Has(efInSubModel) && elem->Owner != nullptr && elem->Owner->SubModel) {
    const PSElem owner = elem->Owner;
    x1 += owner->X1;
    x2 += owner->X1;
    {
      // Only the rows of the substation's own drawing are placed; nothing is drawn.
      const TCurModelScope scope(box);
      box.CurModel = owner->SubModel.get();
      painter.DrawScheme(nullptr, false, false, false, 0, box.OriginY, 0, 0);
    }
    y = owner->Y + elem->Y + box.OriginY;
  }
  const TSchemeModel& model = *box.Model;
  if (model.Width > box.ClientWidth) {
    if (x2 - x1 < box.ClientWidth) x1 -= (box.ClientWidth - (x2 - x1)) / 2;
    box.OriginX = Limit(x1 + box.PixXe, model.Width, box.ClientWidth);
  }
  if (model.Height > box.ClientHeight) {
    const int origin =
        elem->Height < box.ClientHeight ? y - (box.ClientHeight - elem->Height) / 2 : y - box.PixYe;
    box.OriginY = Limit(origin, model.Height, box.ClientHeight);
  }
  BarsTakeOrigin(box);
  ClearNodeSelection(box);
  SelectNode(box, elem);
}

PSElem FindNodeElement(const TSchemBoxState& box, std::int32_t nodeNr) {
  for (PSElem e = box.Model->First; e != nullptr; e = e->Next) {
    if (e->Has(efReference) || e == box.Model->First) continue;
    if (e->SubModel) {
      for (PSElem n = e->SubModel->First; n != nullptr; n = n->Next)
        if (!n->Has(efReference) && n != e->SubModel->First && n->NodeNr == nodeNr) return n;
    } else if (e->NodeNr == nodeNr) {
      return e;
    }
  }
  return nullptr;
}

void LocateNode(TSchemBoxState& box, TSchemePainter& painter, std::int32_t nodeNr) {
  ClearNodeSelection(box);
  if (const PSElem e = FindNodeElement(box, nodeNr)) ScrollToElement(box, painter, e);
}

std::string StripCaptionSuffix(std::string_view caption) {
  const auto at = caption.find(" <");
  return std::string(at == std::string_view::npos ? caption : caption.substr(0, at));
}

PSElem FindNodeOnScheme(TSchemBoxState& box, TSchemePainter& painter, std::string_view text) {
  const std::string t = UpperCase(text);
  const bool byName = box.FPaintNod == ncmName;
  std::string s = t;
  if (box.FIntegral && byName) s = s.substr(0, s.find('.'));
  box.SelectedNode = nullptr;
  PSElem found = nullptr;
  for (PSElem e = box.Model->First; e != nullptr && found == nullptr; e = e->Next) {
    if (e->Has(efReference) || e == box.Model->First) continue;
    if (e->SubModel) {
      for (PSElem n = e->SubModel->First; n != nullptr; n = n->Next) {
        if (n->Has(efReference) || n == e->SubModel->First) continue;
        if (t == (byName ? UpperCase(NodeNameOf(box, *n)) : IntToStr(n->NodeNr))) {
          found = n;
          break;
        }
      }
      if (found != nullptr) break;
    }
    const std::string key =
        byName ? StripCaptionSuffix(UpperCase(e->Caption.value_or(std::string()))) : IntToStr(e->NodeNr);
    if (!key.empty() && (t == key || s == key)) found = e;
  }
  if (found != nullptr) ScrollToElement(box, painter, found);
  box.Paint();
  return found;
}

}  // namespace ld::diagram
