// The drawing pass: rows, boxes with their incoming branches, devices, results and captions.
#include "core/diagram/draw_pass.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "core/base/codepage.h"
#include "core/base/numfmt.h"
#include "core/base/numtext.h"
#include "core/diagram/draw.h"
#include "core/diagram/schem_state.h"
#include "core/engine/results.h"

namespace ld::diagram {

namespace {

// Values of the control changed for a nested model, put back however its pass ends; the metrics
// follow FIntegral, so they are measured again from the canvas font.
class TNestedScope {
public:
  TNestedScope(TSchemBoxState& box, const TCanvas& canvas)
      : box_(box), canvas_(canvas), model_(box.CurModel), x_(box.OriginX), y_(box.OriginY),
        integral_(box.FIntegral) {}
  ~TNestedScope() {
    box_.CurModel = model_;
    box_.OriginX = x_;
    box_.OriginY = y_;
    box_.FIntegral = integral_;
    box_.ComputeMetrics(canvas_.Font);
  }
  TNestedScope(const TNestedScope&) = delete;
  TNestedScope& operator=(const TNestedScope&) = delete;

private:
  TSchemBoxState& box_;
  const TCanvas& canvas_;
  TSchemeModel* model_;
  int x_, y_;
  bool integral_;
};

std::string Cp1251Letter(char c) { return Cp1251ToUtf8(std::string(1, c)); }

}  // namespace

TDrawPass::TDrawPass(TSchemePainter& painter, TSchemBoxState& box, TCanvas* canvas, bool colour, bool clip,
                     bool printing, int x0, int y0, int clipWidth, int clipHeight, const std::vector<double>* devUnom)
    : TElemPainter(box, canvas, colour, printing, devUnom),
      painter_(painter),
      model_(*box.CurModel),
      clip_(clip),
      x0_(x0),
      y0_(y0),
      clipWidth_(clipWidth),
      clipHeight_(clipHeight) {}

int TDrawPass::TierValue(const std::vector<std::int32_t>& list, int tier, int absent) const {
  return tier >= 0 && tier < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(tier)] : absent;
}

int TDrawPass::HasTransformer(int tier) const {
  const auto& list = model_.TierHasTransformer;
  return tier >= 0 && tier < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(tier)] : 0;
}

bool TDrawPass::Meets(int a, int b, int limit) const {
  if (a > b) std::swap(a, b);
  return (a >= 0 && a <= limit) || (b >= 0 && b <= limit) || (a <= 0 && b >= limit);
}

void TDrawPass::Thin() { C().Pen.Width = printing_ ? box_.tLin : 1; }

bool TDrawPass::Run() {
  const bool top = box_.CurModel == box_.Model.get();
  if (canvas_ != nullptr) {
    box_.UpdateScrollRanges();
    if (top) {
      TCanvas& c = C();
      c.Brush = {!colour_ || printing_ ? clWhite : box_.cBk, bsSolid};
      // The whole target: the control, the clip rectangle, the surface of an image or a page, and the
      // drawing with its margins.
      const TPoint surface = c.SurfaceSize();
      int w = std::max({box_.ClientWidth, clip_ ? clipWidth_ : 0, surface.X});
      int h = std::max({box_.ClientHeight, clip_ ? clipHeight_ : 0, surface.Y});
      if (!clip_) {
        w = std::max(w, x0_ - box_.OriginX + model_.Width + box_.PixXe);
        h = std::max(h, y0_ - box_.OriginY + model_.Height + 2 * box_.PixYe);
      }
      c.FillRect(0, 0, w, h);
      box_.SubstHitElem.clear();
      box_.LineHitElem.clear();
      box_.LineHitStraight.clear();
      box_.LineHitX1.clear();
      box_.LineHitX2.clear();
      box_.LineHitYMid.clear();
      box_.LineHitY1.clear();
      box_.LineHitY2.clear();
      box_.ComHitElem.clear();
      box_.ComHitX.clear();
      box_.ComHitY.clear();
      box_.ComHitXId.clear();
      box_.ComHitYId.clear();
      box_.ComHitBegin.clear();
    }
  }
  const bool wide = box_.FIntegral && box_.FSection && box_.FPaintNod == ncmName;
  int y = y0_ - box_.OriginY + (TierValue(model_.TierSections, 1, 1) - 1) * box_.PixdYsc +
          HasTransformer(1) * 3 * box_.PixHalfYe;
  if (wide) {
    bool feederAbove = false;
    for (PSElem e = model_.First->Next; e != nullptr && !feederAbove; e = e->Next)
      feederAbove = e->NodeNr == e->ParentNodeNr && e->Parent != nullptr && e->Parent->Tier == 1;
    if (feederAbove) {
      if (box_.FCommut) y += box_.PixYcom;
      if (!box_.FOneFlow) y += ResultBand();
    }
  }
  int m = 1;
  if (wide && printing_)
    for (PSElem e = model_.First; e != nullptr; e = e->ChildCount > 0 ? e->Children[0] : nullptr)
      m = std::max(m, e->SectionCount);
  x0Model_ = x0_ - box_.OriginX + (m - 1) * box_.PixdXsc;

  PlaceRows(y);
  if (canvas_ == nullptr) return false;
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) {
    if (e->Has(efReference)) DrawReference(*e);
    else DrawBox(*e);
  }
  if (box_.ComMode && top) {
    auto sortWithIds = [](std::vector<std::int32_t>& keys, std::vector<std::int32_t>& ids) {
      std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
      pairs.reserve(keys.size());
      for (std::size_t i = 0; i < keys.size(); ++i) pairs.emplace_back(keys[i], ids[i]);
      std::stable_sort(pairs.begin(), pairs.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
      for (std::size_t i = 0; i < pairs.size(); ++i) keys[i] = pairs[i].first, ids[i] = pairs[i].second;
    };
    sortWithIds(box_.ComHitX, box_.ComHitXId);
    sortWithIds(box_.ComHitY, box_.ComHitYId);
  }
  return drawn_;
}

void TDrawPass::PlaceRows(int y) {
  const int tiers = std::max<int>(static_cast<int>(model_.TierHeight.size()), 2);
  rowTop_.assign(static_cast<std::size_t>(tiers), y);
  const int k = box_.FOneFlow ? 1 : 2;
  int rows = 0;
  for (bool flag : {box_.FlagI, box_.FlagP, box_.FlagQ, box_.FCos})
    if (flag) rows += box_.PixYzam;
  for (int t = 2; t < tiers; ++t) {
    rowTop_[static_cast<std::size_t>(t)] =
        rowTop_[static_cast<std::size_t>(t - 1)] + TierValue(model_.TierHeight, t - 1, 0) + box_.PixYe +
        (TierValue(model_.TierTracks, t, 1) - 1) * box_.PixdY + HasTransformer(t) * 3 * box_.PixHalfYe +
        (TierValue(model_.TierSections, t, 1) - 1 + TierValue(model_.TierSections, t - 1, 1) - 1) * box_.PixdYsc +
        TierValue(model_.TierLabelRows, t, 0) * box_.PixYmrk + (box_.FCommut ? 2 * box_.PixYcom : 0) +
        k * (box_.FlagDR ? box_.PixFlowRow : 0) + k * rows;
  }
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) {
    if (e->Has(efReference)) continue;
    e->Y = rowTop_[static_cast<std::size_t>(std::clamp(e->Tier, 1, tiers - 1))];
  }
}

std::vector<std::string> TDrawPass::Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    const auto amp = text.find('&', start);
    lines.push_back(text.substr(start, amp == std::string::npos ? std::string::npos : amp - start));
    if (amp == std::string::npos) break;
    start = amp + 1;
  }
  return lines;
}

void TDrawPass::DrawBox(SElem& e) {
  TCanvas& c = C();
  const int y = e.Y;
  const int x1 = x0Model_ + e.X1, x2 = x0Model_ + e.X2, y2 = y + e.Height;
  const int dYsc = box_.PixdYsc, ycom = box_.PixYcom;
  const int s = e.SubModel ? 0 : e.SectionCount;
  const int frameTop = s > 0 ? y - (s - 1) * dYsc : y;
  const int stubTop = y - (e.SubModel ? 0 : e.Section) * dYsc;
  const SElem* p = e.Parent;
  const bool fromRoot = p == nullptr || p->NodeNr == kSuperRootNr;
  const int t = e.Tier;
  const int yPrev = fromRoot ? y : p->Y;
  const int band = ResultBand();
  int pb = yPrev, psb = yPrev, ub = yPrev, rb = yPrev;
  if (!fromRoot) {
    const bool pSub = p->SubModel != nullptr;
    psb = yPrev + p->Height + (pSub ? 0 : e.ParentSection) * dYsc;
    pb = yPrev + p->Height + (!pSub && p->SectionCount > 0 ? (p->SectionCount - 1) * dYsc : 0);
    ub = pb + (box_.FCommut && !e.Has(efNoSwitchParent) ? ycom : 0);
    rb = ub + band;
  }
  const int lb = frameTop - (box_.FCommut && !e.Has(efNoSwitchOwn) ? ycom : 0);
  const int lowerTop = lb - (box_.FOneFlow ? 0 : band);
  const int tt = lowerTop - (e.Has(efTransformer) ? 3 * box_.PixHalfYe : 0);

  if (clip_) {
    const int n = std::max(e.SectionCount, 1);
    const int reach = y - tt;
    if (!Meets(yPrev - reach, reach + y2, clipHeight_) ||
        !Meets(x1 - (n - 1) * box_.PixdXsc - box_.PixXe, x2 + (n - 1) * box_.PixdXsc + box_.PixXe, clipWidth_))
      return;
  }
  drawn_ = true;
  if (e.Has(efTapOff)) DrawTapOff(e, x1, x2, y, y2);
  else DrawFrame(e, x1, x2, y, y2);
  if (box_.CurModel == box_.Model.get()) box_.SubstHitElem.push_back(&e);

  if (!fromRoot) {
    const int x = x0Model_ + e.LinkX;
    c.Pen.Color = box_.cLin;
    Thin();
    DrawStem(x, stubTop, frameTop);
    LineColorWidth(e, c.Pen.Color, c.Pen.Width);
    if (e.Has(efTransformer)) {
      const std::string typ = BranchCellText(box_.BranchCols.TypEqu, e.BranchRow);
      if (IsReactor(typ)) DrawReactor(e, x, x, e.BranchRow, tt);
      else DrawTransformer(e, x, x, e.BranchRow, tt);
    }
    DrawStem(x, tt, rb - 1);
    c.Pen.Color = box_.cLin;
    Thin();
    DrawStem(x, pb - 1, psb - 1);

    if (box_.FlagDR || box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos || box_.FIdopLn || box_.FLoadLn ||
        box_.FLoadTr)
      DrawLineFlows(e, x, lb, x, ub, false, true, e.Has(efReversed));
    if (box_.FCommut) {
      if (!e.Has(efNoSwitchOwn) || e.Has(efDamaged)) Device(e, x, lb, true, true, true);
      if (!e.Has(efNoSwitchParent) || e.Has(efDamaged)) Device(e, x, ub, false, false, false);
    }
    if (box_.FLinks && box_.FIntegral && box_.FPaintNod == ncmName) {
      if (!box_.FSection || e.SubModel) DrawLinkCaption(e, x, stubTop, e.Has(efReversed), true, true);
      if (!box_.FSection || p->SubModel) DrawLinkCaption(e, x, psb, e.Has(efReversed), false, false);
    }
    const int ct = TierValue(box_.CurModel->TierHeight, t - 1, 0) + rb - p->Height +
                   (box_.FCommut && e.Has(efNoSwitchParent) ? ycom : 0);
    const int mp = std::max(p->SectionCount, 1);
    DrawBranchCaptions(e, x + 3, ct + (TierValue(box_.CurModel->TierSections, t - 1, 1) - mp) * dYsc);
    RegisterLine(e, true, x, 0, 0, rb, lowerTop);
  }
  if (box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos) DrawNodeLoads(e, x0Model_);
  if (box_.FSnomTr2 && !e.TransformerRows.empty() && !e.SubModel) DrawSubstTransformerLoads(e, x0Model_);
}

void TDrawPass::DrawTapOff(const SElem& e, int x1, int x2, int y, int y2) {
  TCanvas& c = C();
  const TPen savedPen = c.Pen;
  const TBrush savedBrush = c.Brush;
  c.Pen.Color = box_.cLin;
  std::int32_t lineColor = 0;
  int w = 1;
  LineColorWidth(e, lineColor, w);
  if (e.Has(efMarked)) w -= 2;
  const int d = std::max((y2 - y) / 8, w);
  int ya = (y + y2) / 2 - d, yb = (y + y2) / 2 + d;
  if (ya == yb) yb = ya + 1;
  Text(x1 + box_.PixXv - d - 2, y, box_.CaptionText(e), -box_.PixYlnk, taRight);
  const std::int32_t fill = NodeFillColor(e, e.NodeRow);
  c.Brush = {fill, bsSolid};
  c.Pen = {fill, 1};
  c.Rectangle(x1 + box_.PixXv - d, ya, x2 - box_.PixXe + box_.PixXv + d + 1, yb);
  c.Pen = {fill, w};
  const int x0 = x0Model_;
  auto tick = [&](int x, int from, int to) { DrawStem(x0 + x, from, to); };
  tick(e.LinkX, ya, y - 1);
  for (int i = 0; i < e.ChildCount; ++i) tick(e.Children[static_cast<std::size_t>(i)]->LinkX, yb, y2);
  for (int i = 0; i < e.UpLinkCount; ++i) tick(e.UpLinks[static_cast<std::size_t>(i)]->X1, ya, y - 1);
  for (int i = 0; i < e.SelfLinkCount; ++i) {
    tick(e.SelfLinks[static_cast<std::size_t>(i)]->X1, ya, y - 1);
    tick(e.SelfLinks[static_cast<std::size_t>(i)]->X2, ya, y - 1);
  }
  for (int i = 0; i < e.DownLinkCount; ++i) tick(e.DownLinks[static_cast<std::size_t>(i)]->X2, yb, y2);
  for (int i = 0; i < e.SideLinkCount; ++i) {
    const SElem& l = *e.SideLinks[static_cast<std::size_t>(i)];
    tick(l.NodeNr == e.NodeNr ? l.X1 : l.X2, yb, y2);
  }
  c.Pen = savedPen;
  c.Brush = savedBrush;
  if (e.Has(efSelected) && !printing_) {
    c.Pen.Width = 3;
    const TPoint frame[] = {{x1, y}, {x2, y}, {x2, y2}, {x1, y2}, {x1, y}};
    c.Polyline(frame, 5);
    c.Pen.Width = 1;
  }
  if (!e.SubModel) {
    const int x = x2 - box_.PixXe + box_.PixXv + d + 4;
    if (box_.FlagU) DrawVoltage(e.NodeRow, x, y - 1);
    if (box_.FlagEERM) DrawEERM(e.NodeRow, x, y + box_.PixdYsc - 1);
  }
}

void TDrawPass::DrawFrame(SElem& e, int x1, int x2, int y, int y2) {
  TCanvas& c = C();
  const int dXsc = box_.PixdXsc, dYsc = box_.PixdYsc;
  const bool sections = e.SectionCount > 0 && !e.SubModel;
  auto sectionNode = [&](int i) {
    return i < static_cast<int>(e.SectionNodes.size()) ? e.SectionNodes[static_cast<std::size_t>(i)] : e.NodeRow;
  };
  c.Pen.Color = box_.cLin;
  if (sections) {
    for (int i = e.SectionCount - 1; i >= 1; --i) {
      c.Brush = {NodeFillColor(e, sectionNode(i)), bsSolid};
      if (printing_) c.Pen.Width = box_.tLin;
      else if (i == e.SectionCount - 1 && e.Has(efSelected)) c.Pen.Width = 3;
      c.Rectangle(x1 - i * dXsc, y - i * dYsc, x2 + i * dXsc, y2 + i * dYsc);
      c.Pen.Width = 1;
      const int number = i < static_cast<int>(e.Sections.size()) ? e.Sections[static_cast<std::size_t>(i)] : 0;
      Text(x2 + i * dXsc - 1, y - i * dYsc - 1, IntToStr(number), -dYsc, taRight);
      if (box_.FlagU) DrawVoltage(sectionNode(i), x2 + (e.SectionCount - 1) * dXsc + 3, y - i * dYsc - 1);
    }
  }
  c.Brush = {NodeFillColor(e, sections ? sectionNode(0) : e.NodeRow), bsSolid};
  const std::string caption = e.Caption2.value_or("");
  const bool snomLines = box_.FSnomTr && box_.FIntegral && box_.FSection && box_.FPaintNod == ncmName;
  if (!e.SubModel) {
    c.FillRect(x1, y, x2, y2);
    const int o = box_.FLinks && box_.FIntegral && !box_.FSection && box_.FPaintNod == ncmName && e.Has(efGroup)
                      ? box_.PixYlnk
                      : 0;
    const std::vector<std::string> lines = Lines(caption.empty() ? " " : caption);
    for (std::size_t j = 0; j < lines.size(); ++j)
      Text(x1 + 2, y + o + static_cast<int>(j) * box_.PixYe, lines[j], c.Font.Height);
    if (snomLines && e.Caption3) {
      const std::vector<std::string> small = Lines(*e.Caption3);
      const int base = y + static_cast<int>(lines.size()) * box_.PixYe - box_.PixYe / 5;
      for (std::size_t j = 0; j < small.size(); ++j)
        Text(x1 + 2, base + static_cast<int>(j) * dYsc, small[j], -dYsc);
    }
  } else {
    c.FillRect(x1, y, x2, y2);
    const int o = box_.FLinks ? box_.PixYlnk : 0;
    const std::vector<std::string> lines = caption.empty() ? std::vector<std::string>{} : Lines(caption);
    for (std::size_t j = 0; j < lines.size(); ++j)
      Text(x1 + 2, y + o + static_cast<int>(j) * box_.PixYe, lines[j], c.Font.Height);
    DrawNested(e, x1, y, o, static_cast<int>(lines.size()));
  }
  if (sections && !e.Sections.empty() && e.Sections[0] != 0)
    Text(x2 - 1, y - 1, IntToStr(e.Sections[0]), -dYsc, taRight);
  if (!e.SubModel && (!e.Has(efGroup) || sections)) {
    const int row = sections ? sectionNode(0) : e.NodeRow;
    const int n = std::max(e.SectionCount, 1);
    if (box_.FlagU) DrawVoltage(row, x2 + (n - 1) * dXsc + 3, y - 1);
    if (box_.FlagEERM) DrawEERM(row, x2 + (n - 1) * dXsc + 3, y + dYsc - 1);
  }
  if (box_.FAddPrim && !e.Has(efGroup) && e.Caption3 && !(snomLines && !e.SubModel)) {
    const std::vector<std::string> small = Lines(*e.Caption3);
    const int captionLines = static_cast<int>(Lines(caption.empty() ? " " : caption).size());
    const int base = y + captionLines * box_.PixYe - box_.PixYe / 5;
    for (std::size_t j = 0; j < small.size(); ++j) Text(x1 + 2, base + static_cast<int>(j) * dYsc, small[j], -dYsc);
  }
  const TPen savedPen = c.Pen;
  c.Brush.Color = box_.cLin;
  c.Pen.Color = box_.cLin;
  if (printing_) c.Pen.Width = box_.tLin;
  else if ((e.SectionCount < 2 || e.SubModel) && e.Has(efSelected)) c.Pen.Width = 3;
  const TPoint frame[] = {{x1, y}, {x2, y}, {x2, y2}, {x1, y2}, {x1, y}};
  c.Polyline(frame, 5);
  c.Pen.Width = savedPen.Width;
}

void TDrawPass::DrawNested(SElem& e, int x1, int y, int offset, int lines) {
  TCanvas& c = C();
  TNestedScope scope(box_, c);
  box_.CurModel = e.SubModel.get();
  box_.OriginX = -x1;
  box_.OriginY = -offset - y - box_.PixYe * (lines - 1);
  box_.FIntegral = false;
  box_.ComputeMetrics(c.Font);
  painter_.DrawScheme(canvas_, colour_, clip_, printing_, box_.PixXe, box_.PixYe, clipWidth_, clipHeight_);
}

void TDrawPass::DrawVoltage(int row, int x, int y) {
  const TNodeCols& n = box_.NodeCols;
  // Each section's voltage is judged by its own node's class and limits.
  const bool alarm = box_.fLoad && !VoltageWithinLimits(row);
  const double um = n.Um ? n.Um->Get(row) : 0.f;
  int u = std::isfinite(um) && std::fabs(um) < 1e7 ? static_cast<int>(Round(um * 100)) : 0;
  const char sign = UpperLetter(n.Sign ? n.Sign->Get(row) : 0);
  if (sign == 'B' || sign == 'U') u = box_.NearestNominalVoltage(u);
  const int decimals = (u == 22 || u == 38 || u == 40) && box_.UPrec < 2 ? 2 : box_.UPrec;
  const double urez = n.Urez ? n.Urez->Get(row) : 0.0;
  Text(x, y, FixedText(urez, decimals, 7), -box_.PixdYsc, taLeft, alarm, box_.cLoad);
}

void TDrawPass::DrawEERM(int row, int x, int y) {
  const double eerm = box_.NodeCols.EERM ? box_.NodeCols.EERM->Get(row) : 0.f;
  Text(x, y, FixedText(eerm * 10000, 0, 7), -box_.PixdYsc);
}

void TDrawPass::DrawBranchCaptions(const SElem& e, int x, int top) {
  const TBranchCols& b = box_.BranchCols;
  const int row = e.BranchRow;
  const int h = box_.PixYmrk;
  auto at = [&](int captionRow, const std::string& text) {
    if (captionRow > 0 && !text.empty()) Text(x, top + (captionRow - 1) * h, text, -h);
  };
  if (box_.FNumLn && !e.Has(efTransformer)) {
    std::string name = BranchCellText(b.DSName, row);
    const char a = b.A ? b.A->Get(row) : 0;
    if (box_.FAbon && a != 0) name += " (" + Cp1251Letter(a) + ")";
    const std::int32_t area = b.Nr ? b.Nr->Get(row) : 0;
    if (box_.FRayon && area != 0) name += " (" + IntToStr(area) + ")";
    at(e.ChildPos, name);
  }
  const std::string typ = BranchCellText(b.TypEqu, row);
  const auto bar = typ.find('|');
  const std::string kind = bar == std::string::npos ? std::string() : typ.substr(0, bar);
  std::string winding;
  if (bar != std::string::npos) {
    const auto bar2 = typ.find('|', bar + 1);
    if (bar2 != std::string::npos) winding = typ.substr(bar2 + 1);
  }
  // The windings of a split or three-winding transformer after the first carry no mark of their own.
  const bool noMark = !winding.empty() && (kind == "TR" || kind == "T3") && winding[0] >= '1' && winding[0] <= '9';
  const bool transformer = e.Has(efTransformer);
  if (!noMark && ((box_.FMarkLn && !transformer) || (box_.FMarkTr && transformer) ||
                  (box_.FMarkRt && typ.substr(0, 2) == "RT")))
    at(e.MarkRow, BranchCellText(b.Mark, row));
  if (box_.FZYKtr) {
    at(e.ZRow, box_.ImpedanceText(row));
    at(e.YRow, box_.AdmittanceText(row));
    at(e.KtrRow, box_.RatioText(row));
  }
}

void TDrawPass::Device(const SElem& e, int x, int y, bool ownEnd, bool downward, bool begin) {
  const std::uint32_t f = e.Flags;
  const bool off = e.Has(ownEnd ? efOffOwn : efOffParent);
  const int kind = ownEnd ? static_cast<int>((f & efSwitchOwnMask) >> 12) : static_cast<int>((f & efSwitchParentMask) >> 14);
  DrawSwitchDevice(x, y, off, IsNormallyOpenEnd(e, ownEnd ? 1 : 2), e.Has(efDamaged), downward, kind);
  if (!box_.ComMode) return;
  const auto id = static_cast<std::int32_t>(box_.ComHitElem.size()) + 1;
  box_.ComHitElem.push_back(const_cast<PSElem>(&e));
  box_.ComHitX.push_back(x - box_.PixXcom / 2);
  box_.ComHitY.push_back(downward ? y : y - box_.PixYcom);
  box_.ComHitXId.push_back(id);
  box_.ComHitYId.push_back(id);
  box_.ComHitBegin.push_back(begin ? 1 : 0);
}

void TDrawPass::RegisterLine(const SElem& e, bool straight, int x1, int x2, int yMid, int y1, int y2) {
  box_.LineHitElem.push_back(const_cast<PSElem>(&e));
  box_.LineHitStraight.push_back(straight ? 1 : 0);
  box_.LineHitX1.push_back(x1);
  box_.LineHitX2.push_back(x2);
  box_.LineHitYMid.push_back(yMid);
  box_.LineHitY1.push_back(y1);
  box_.LineHitY2.push_back(y2);
}

}  // namespace ld::diagram
