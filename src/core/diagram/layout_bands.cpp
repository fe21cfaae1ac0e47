// The bands between the tiers: tracks and bends of the ring links, the rows of the branch captions,
// the heights of the tiers and of the whole drawing, and the flows that the animation shows.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/diagram/layout_steps.h"
#include "core/diagram/schem_state.h"
#include "core/engine/electric.h"

namespace ld::diagram {

namespace {

struct TInterval {
  PSElem ref;
  int lo, hi;
  int track = 0;
  int dir = 0;  // 0 on one tier; +1 X1 < X2; -1 X1 > X2
};

std::string TextCell(const DAString* column, int row) { return column != nullptr ? column->GetItem(row) : std::string(); }
float SingleCell(const DAsingle* column, int row) { return column != nullptr ? column->Get(row) : 0.f; }

std::string LetterText(const DAChar* column, int row) {
  const char c = column != nullptr ? column->Get(row) : '\0';
  std::string text;
  if (c != 0) AppendUtf8(text, Cp1251Char(static_cast<unsigned char>(c)));
  return text;
}

// The mark of a branch, except for the secondary windings of multi-winding transformers, whose mark
// stands at the primary.
std::string MarkText(const std::string& typEqu, const std::string& mark) {
  const std::size_t bar1 = typEqu.find('|');
  if (bar1 == std::string::npos) return mark;
  const std::size_t bar2 = typEqu.find('|', bar1 + 1);
  if (bar2 == std::string::npos || bar2 + 1 >= typEqu.size()) return mark;
  const char first = typEqu[bar2 + 1];
  const std::string kind = typEqu.substr(0, bar1);
  if (first >= '1' && first <= '9' && (kind == "TR" || kind == "T3")) return {};
  return mark;
}

}  // namespace

// Step 16.5: the captions of the tier's branches in rows above it, each as high as it must be to
// clear the captions left of it.
void TLayout::BranchCaptions(int tier, const std::vector<PSElem>& elems) {
  const TBranchCols& b = box_.BranchCols;
  const int branchRows = box_.BranchTable ? box_.BranchTable->RowCount : 0;
  struct TCandidate {
    PSElem e;
    int x;
    std::string texts[5];
  };
  std::vector<TCandidate> candidates;
  for (PSElem pe : elems) {
    SElem& e = *pe;
    const int row = e.BranchRow;
    if (e.NodeNr == e.ParentNodeNr || row <= 0 || row > branchRows) continue;
    TCandidate c{&e, 0, {}};
    const std::string typEqu = TextCell(b.TypEqu, row);
    const std::string mark = MarkText(typEqu, TextCell(b.Mark, row));
    const bool transformer = e.Has(efTransformer);
    if (box_.FNumLn && !transformer) {
      const std::string owner = LetterText(b.A, row);
      const std::int32_t area = b.Nr != nullptr ? b.Nr->Get(row) : 0;
      const std::string ds = TextCell(b.DSName, row);
      if (!ds.empty() || (box_.FAbon && !owner.empty()) || (box_.FRayon && area != 0)) {
        c.texts[0] = ds;
        if (box_.FAbon && !owner.empty()) c.texts[0] += " (" + owner + ")";
        if (box_.FRayon && area != 0) c.texts[0] += " (" + std::to_string(area) + ")";
      }
    }
    if (!mark.empty() && ((box_.FMarkLn && !transformer) || (box_.FMarkTr && transformer) ||
                          (box_.FMarkRt && typEqu.rfind("RT", 0) == 0)))
      c.texts[1] = mark;
    if (box_.FZYKtr) {
      if (SingleCell(b.R, row) != 0 || SingleCell(b.X, row) != 0) c.texts[2] = box_.ImpedanceText(row);
      if (SingleCell(b.G, row) != 0 || SingleCell(b.B, row) != 0) c.texts[3] = box_.AdmittanceText(row);
      if (SingleCell(b.Kta, row) != 0 || SingleCell(b.Ktr, row) != 0) c.texts[4] = box_.RatioText(row);
    }
    if (std::all_of(std::begin(c.texts), std::end(c.texts), [](const std::string& t) { return t.empty(); })) continue;
    if (!e.Has(efReference))
      c.x = e.LinkX;
    else
      c.x = IsSideLink(e) && e.X1 <= e.X2 ? e.X1 : e.X2;
    candidates.push_back(std::move(c));
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TCandidate& l, const TCandidate& r) { return l.x < r.x; });
  std::vector<int> rowEnds;  // right end of each row used so far
  for (TCandidate& c : candidates) {
    std::int32_t* const rows[5] = {&c.e->ChildPos, &c.e->MarkRow, &c.e->ZRow, &c.e->YRow, &c.e->KtrRow};
    std::size_t from = 0;  // rows of this element's captions only rise
    for (int i = 0; i < 5; ++i) {
      if (c.texts[i].empty()) continue;
      std::size_t r = from;
      while (r < rowEnds.size() && rowEnds[r] > c.x) ++r;
      const int end = c.x + canvas_.TextWidth(c.texts[i]) + 3;
      if (r == rowEnds.size())
        rowEnds.push_back(end);
      else
        rowEnds[r] = end;
      *rows[i] = static_cast<std::int32_t>(r + 1);
      model_.Width = std::max(model_.Width, end);
      from = r + 1;
    }
  }
  model_.TierLabelRows[static_cast<std::size_t>(tier)] = static_cast<std::int32_t>(rowEnds.size());
}

// Step 16.
void TLayout::BandsAndHeights() {
  std::vector<std::vector<PSElem>> byTier(static_cast<std::size_t>(maxTier_) + 1);
  for (PSElem e = model_.First; e != nullptr; e = e->Next)
    if (e->Tier >= 0 && e->Tier <= maxTier_) byTier[static_cast<std::size_t>(e->Tier)].push_back(e);
  const bool captions = box_.FMarkLn || box_.FMarkTr || box_.FMarkRt || box_.FNumLn || box_.FZYKtr;
  const int flows = box_.FOneFlow ? 1 : 2;
  int resultRows = 0;  // the result rows of the flags (without the flow direction)
  for (bool flag : {box_.FlagI, box_.FlagP, box_.FlagQ, box_.FCos})
    if (flag) resultRows += yzam_;
  model_.Height = 0;
  std::vector<TInterval> intervals, groupB, groupC;
  for (int t = 0; t <= maxTier_; ++t) {
    const auto ti = static_cast<std::size_t>(t);
    const std::vector<PSElem>& elems = byTier[ti];
    int height = 0, sections = 1;
    bool gap = false, selfLink = false;
    intervals.clear();
    groupB.clear();
    groupC.clear();
    std::vector<PSElem> selfLinks;
    for (PSElem e : elems) {
      sections = std::max(sections, e->SectionCount);
      if (!e->Has(efReference)) {
        height = std::max(height, e->Height);
        gap = true;
        continue;
      }
      const int lo = std::min(e->X1, e->X2), hi = std::max(e->X1, e->X2);
      if (IsSelfLink(*e)) {
        selfLinks.push_back(e);
      } else if (IsSideLink(*e)) {
        intervals.push_back({e, lo, hi, 0, 0});
      } else {
        gap = true;
        if (e->X1 < e->X2) groupB.push_back({e, lo, hi, 0, 1});
        if (e->X1 > e->X2) groupC.push_back({e, lo, hi, 0, -1});
      }
    }
    model_.TierTracks[ti] = 1;
    model_.TierHeight[ti] = height;
    model_.TierSections[ti] = sections;
    // Tracks: the shortest links on one tier first, then those rising to the right, nearest end
    // first, then those rising to the left.
    std::stable_sort(intervals.begin(), intervals.end(),
                     [](const TInterval& l, const TInterval& r) { return l.hi - l.lo < r.hi - r.lo; });
    std::stable_sort(groupB.begin(), groupB.end(), [](const TInterval& l, const TInterval& r) { return l.hi < r.hi; });
    std::stable_sort(groupC.begin(), groupC.end(), [](const TInterval& l, const TInterval& r) { return l.hi > r.hi; });
    intervals.insert(intervals.end(), groupB.begin(), groupB.end());
    intervals.insert(intervals.end(), groupC.begin(), groupC.end());
    int tracks = 1;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
      TInterval& v = intervals[i];
      int track = 0;
      for (std::size_t j = 0; j < i; ++j) {
        TInterval& u = intervals[j];
        if (u.lo <= v.hi && v.lo <= u.hi) track = std::max(track, u.track);
        if (v.dir == 0 || u.dir == 0 || u.dir == v.dir) continue;
        // Vertical runs of opposite links meeting at one x are set apart.
        SElem& r = *u.ref;
        if (u.lo == v.lo) {
          if (r.X1 == u.lo)
            r.BendX1 = r.X1 + xv_;
          else
            r.BendX2 = r.X2 + xv_;
        }
        if (u.hi == v.hi) {
          if (r.X2 == u.hi)
            r.BendX2 = r.X2 - xv_;
          else
            r.BendX1 = r.X1 - xv_;
        }
      }
      v.track = track + 1;
      v.ref->TierPos = v.track;
      tracks = std::max(tracks, v.track);
    }
    model_.TierTracks[ti] = tracks;
    for (PSElem s : selfLinks) {
      selfLink = true;
      const int lo = std::min(s->X1, s->X2), hi = std::max(s->X1, s->X2);
      int need = 1;
      for (const TInterval& v : intervals)
        if (v.lo <= hi && lo <= v.hi) need = std::max(need, v.track + 1);
      if (need > model_.TierTracks[ti]) {
        model_.TierTracks[ti] = need;
        break;
      }
    }
    model_.TierLabelRows[ti] = 0;
    if (captions) {
      TFontHeightScope small(canvas_, -ymrk_);
      BranchCaptions(t, elems);
    }
    const int g = gap ? ye_ : 0;
    model_.Height += model_.TierHeight[ti] + g + (model_.TierTracks[ti] - 1) * dY_ + (model_.TierSections[ti] - 1) * dYsc_ +
                     3 * model_.TierHasTransformer[ti] * halfYe_ + model_.TierLabelRows[ti] * ymrk_;
    if (t > 0) model_.Height += (model_.TierSections[ti - 1] - 1) * dYsc_;
    if (t >= 2) {
      if (box_.FCommut) model_.Height += 2 * ycom_;
      if (box_.FlagDR) model_.Height += flows * flowRow_;
      model_.Height += flows * resultRows;
    } else if (selfLink) {
      if (box_.FCommut) model_.Height += ycom_;
      if (!box_.FOneFlow) model_.Height += (box_.FlagDR ? flowRow_ : 0) + resultRows;
    }
  }
}

// Step 17.
void TLayout::Closing() {
  model_.Height -= ye_;
  const int s = !tierBoxes_.empty() && !tierBoxes_.back().empty() ? 1 : -1;
  int rows = box_.FlagDR ? flowRow_ : 0;
  for (bool flag : {box_.FlagI, box_.FlagP, box_.FlagQ, box_.FCos})
    if (flag) rows += yzam_;
  if (!box_.FOneFlow || s == 1) model_.Height += s * rows;
  if ((box_.FlagDR || box_.FlagI || box_.FlagP || box_.FlagQ || box_.FCos) && box_.FCommut) model_.Height += s * ycom_;
  model_.Width += xe_;
}

// Step 18: the larger end flow of every branch, the far end's on a tie.
void TLayout::Flows() {
  if (!box_.BranchTable) return;
  const TBranchCols& b = box_.BranchCols;
  const int rows = box_.BranchTable->RowCount;
  if (static_cast<int>(box_.FlowP.size()) < rows) box_.FlowP.resize(static_cast<std::size_t>(rows));
  if (static_cast<int>(box_.FlowQ.size()) < rows) box_.FlowQ.resize(static_cast<std::size_t>(rows));
  for (PSElem e = model_.First->Next; e != nullptr; e = e->Next) {
    const int row = e->BranchRow;
    if (row <= 0 || row > rows) continue;
    const TBranchFlows f = CalcBranchFlows(SingleCell(b.U1, row), SingleCell(b.F1, row), SingleCell(b.U2, row),
                                           SingleCell(b.F2, row), SingleCell(b.Irez, row), SingleCell(b.Faza, row),
                                           SingleCell(b.R, row), SingleCell(b.X, row), SingleCell(b.G, row),
                                           SingleCell(b.B, row), SingleCell(b.Kta, row), SingleCell(b.Ktr, row));
    const auto i = static_cast<std::size_t>(row - 1);
    box_.FlowP[i] = static_cast<float>(std::abs(f.P1) > std::abs(f.P2) ? f.P1 : f.P2);
    box_.FlowQ[i] = static_cast<float>(std::abs(f.Q1) > std::abs(f.Q2) ? f.Q1 : f.Q2);
  }
}

}  // namespace ld::diagram
