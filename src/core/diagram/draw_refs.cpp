// Ring closures and links of the unsupplied part: a route from one end down to a track of the band
// below the upper end, along it and to the other end.
#include <algorithm>
#include <string>

#include "core/diagram/draw_pass.h"
#include "core/diagram/schem_state.h"

namespace ld::diagram {

namespace {

struct TEnd {
  const SElem* elem = nullptr;
  bool target = false;  // the end at the Target (end 1) or at the Parent (end 2)
  int x = 0, bend = 0;
  int section = 0;
};

}  // namespace

void TDrawPass::DrawReference(const SElem& r) {
  const SElem* parent = r.Parent;
  const SElem* target = r.Target;
  if (parent == nullptr || target == nullptr) return;
  const bool selfLink = r.NodeNr == r.ParentNodeNr;
  const bool oneTier = !selfLink && parent->Tier == target->Tier;
  // A is the upper end: the end of the smaller tier, on one tier the taller element's.
  bool aIsTarget;
  if (selfLink) aIsTarget = false;
  else if (oneTier) aIsTarget = parent->Height < target->Height;
  else aIsTarget = target->Tier < parent->Tier;
  TEnd a, b;
  a.elem = aIsTarget ? target : parent;
  a.target = aIsTarget;
  b.elem = aIsTarget ? parent : target;
  b.target = !aIsTarget;
  if (oneTier) {
    a.x = aIsTarget ? r.X1 : r.X2;
    b.x = aIsTarget ? r.X2 : r.X1;
    a.bend = a.x;
    b.bend = b.x;
  } else {
    // The layout gives the upper end X2 and the lower end X1, whichever of them is the Parent.
    a.x = r.X2, a.bend = r.BendX2 != 0 ? r.BendX2 : r.X2;
    b.x = r.X1, b.bend = r.BendX1 != 0 ? r.BendX1 : r.X1;
  }
  a.x += x0Model_, a.bend += x0Model_, b.x += x0Model_, b.bend += x0Model_;
  auto sectionOf = [&](const TEnd& end) {
    if (end.elem->SubModel) return 0;
    return end.target ? r.Section : r.ParentSection;
  };
  a.section = sectionOf(a);
  b.section = sectionOf(b);

  const int dYsc = box_.PixdYsc, ycom = box_.PixYcom, band = ResultBand();
  auto frameTerm = [&](const SElem& e) {
    return e.SectionCount > 0 && !e.SubModel ? (e.SectionCount - 1) * dYsc : 0;
  };
  auto outerBottom = [&](const SElem& e) { return e.Y + e.Height + frameTerm(e); };
  auto outerTop = [&](const SElem& e) { return e.Y - frameTerm(e); };
  auto sectionBottom = [&](const TEnd& end) { return end.elem->Y + end.elem->Height + end.section * dYsc; };
  auto sectionTop = [&](const TEnd& end) { return end.elem->Y - end.section * dYsc; };
  auto hasSwitch = [&](const TEnd& end) {
    return !r.Has(end.target ? efNoSwitchOwn : efNoSwitchParent) || r.Has(efDamaged);
  };
  auto switchBand = [&](const TEnd& end) { return box_.FCommut && hasSwitch(end) ? ycom : 0; };

  const SElem& ae = *a.elem;
  const SElem& be = *b.elem;
  int la, lb, aStart, bandY, bEnd, bLast;
  int aEdge, aOuter, bEdge, bOuter;  // the ends' section frame edges and outer frame edges
  if (selfLink) {
    la = outerTop(be) - switchBand(a);
    lb = outerTop(be) - switchBand(b);
    bandY = (r.Has(efTransformer) ? lb : std::min(la, lb)) - box_.PixHalfYe -
            (r.Has(efTransformer) ? 2 * box_.PixHalfYe : 0);
    aStart = la;
    bEnd = lb;
    if (!box_.FOneFlow) bandY -= band, aStart -= band, bEnd -= band;
    bLast = bandY;
    aEdge = sectionTop(a), aOuter = outerTop(ae), bEdge = sectionTop(b), bOuter = outerTop(be);
  } else {
    la = outerBottom(ae) + switchBand(a);
    aStart = la + band;
    const int at = ae.Tier;
    bandY = TierValue(model_.TierHeight, at, 0) + ae.Y + box_.PixYe / 2 + box_.PixdY * std::max(r.TierPos - 1, 0) +
            (TierValue(model_.TierSections, at, 1) - 1) * dYsc + TierValue(model_.TierLabelRows, at + 1, 0) * box_.PixYmrk +
            (box_.FCommut ? ycom : 0) + band;
    aEdge = sectionBottom(a), aOuter = outerBottom(ae);
    if (oneTier) {
      lb = outerBottom(be) + switchBand(b);
      bEnd = lb + band - 1;
      bLast = bandY;
      bEdge = sectionBottom(b), bOuter = outerBottom(be);
    } else {
      lb = outerTop(be) - switchBand(b);
      bEnd = lb;
      bLast = r.Has(efTransformer) ? lb - 3 * box_.PixHalfYe : lb;
      if (!box_.FOneFlow) bEnd -= band, bLast -= band;
      bEdge = sectionTop(b), bOuter = outerTop(be);
    }
  }

  if (clip_) {
    const int lo = std::min({aEdge, bEdge, bandY}), hi = std::max({aEdge, bEdge, bandY});
    const int left = std::min({a.x, b.x, a.bend, b.bend}), right = std::max({a.x, b.x, a.bend, b.bend});
    if (!Meets(lo, hi, clipHeight_) || !Meets(left, right, clipWidth_)) return;
  }
  if (ae.SubModel && selfLink) return;
  drawn_ = true;

  TCanvas& c = C();
  c.Pen.Color = box_.cLin;
  Thin();
  DrawStem(a.x, aEdge, aOuter);
  LineColorWidth(r, c.Pen.Color, c.Pen.Width);
  const bool symbol = r.Has(efTransformer);
  const bool reactor = symbol && IsReactor(BranchCellText(box_.BranchCols.TypEqu, r.BranchRow));
  const bool alongBand = symbol && oneTier;
  if (alongBand) {
    const TPoint first[] = {{a.x, aStart}, {a.bend, bandY}};
    c.Polyline(first, 2);
    if (reactor) DrawReactor(r, a.bend, b.bend, r.BranchRow, bandY);
    else DrawTransformer(r, a.bend, b.bend, r.BranchRow, bandY);
    const TPoint rest[] = {{b.bend, bandY}, {b.x, bLast}, {b.x, bEnd}};
    c.Polyline(rest, 3);
  } else if (symbol) {
    const TPoint route[] = {{a.x, aStart}, {a.bend, bandY}, {b.bend, bandY}, {b.x, bLast}};
    c.Polyline(route, 4);
    if (reactor) DrawReactor(r, b.x, b.x, r.BranchRow, bLast);
    else DrawTransformer(r, b.x, b.x, r.BranchRow, bLast);
  } else {
    const TPoint route[] = {{a.x, aStart}, {a.bend, bandY}, {b.bend, bandY}, {b.x, bLast}, {b.x, bEnd}};
    c.Polyline(route, 5);
  }
  c.Pen.Color = box_.cLin;
  Thin();
  DrawStem(b.x, bOuter, bEdge);

  if (box_.FlagDR || box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos || box_.FIdopLn || box_.FLoadLn ||
      box_.FLoadTr)
    DrawLineFlows(r, a.x, la, b.x, lb, !oneTier, selfLink, r.Has(efReversed) != !aIsTarget);
  if (box_.FCommut) {
    const bool aDown = selfLink, bDown = selfLink || !oneTier;
    const bool sameX = a.x == b.x;
    if (hasSwitch(a)) Device(r, a.x, la, a.target, aDown, sameX ? false : a.target);
    if (hasSwitch(b)) Device(r, b.x, lb, b.target, bDown, sameX ? true : b.target);
  }
  if (box_.FLinks && box_.FIntegral && box_.FPaintNod == ncmName) {
    const bool reversed = r.Has(efReversed);
    if (!box_.FSection || ae.SubModel) DrawLinkCaption(r, a.x, aEdge, reversed, a.target, selfLink);
    if (!box_.FSection || be.SubModel) DrawLinkCaption(r, b.x, bEdge, reversed, b.target, selfLink || !oneTier);
  }
  if (!selfLink) {
    const int x = oneTier ? std::min(a.x, b.x) : a.x;
    const int level = TierValue(model_.TierHeight, ae.Tier, 0) + aStart - ae.Height +
                      (box_.FCommut && !hasSwitch(a) ? ycom : 0);
    const int m = std::max(ae.SectionCount, 1);
    DrawBranchCaptions(r, x + 3, level + (TierValue(model_.TierSections, ae.Tier, 1) - m) * dYsc);
  }
  RegisterLine(r, false, a.x, b.x, bandY, aStart, bEnd);
}

}  // namespace ld::diagram
