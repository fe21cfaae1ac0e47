// The size of one box: enough connection slots for its lines and links, the nested drawing of an
// expanded substation, and its captions broken into lines within the box.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/diagram/layout_steps.h"
#include "core/diagram/schem_state.h"
#include "core/engine/results.h"

namespace ld::diagram {

namespace {

double Cell(const DAdouble* column, int row) { return column != nullptr ? column->Get(row) : 0.0; }

// The widest word of a text, words separated by blanks.
int WidestWord(TCanvas& canvas, const std::string& text) {
  int widest = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) widest = std::max(widest, canvas.TextWidth(std::string_view(text).substr(start, end - start)));
    start = end + 1;
  }
  return widest;
}

}  // namespace

// Rows of flow results under the box: one per section for a consumption and one for a generation.
int TLayout::LoadRows(const SElem& e) const {
  const int row = e.NodeRow;
  if (row <= 0 || !box_.NodeTable || row > box_.NodeTable->RowCount) return 0;
  const TNodeCols& n = box_.NodeCols;
  const bool resPQ = box_.FresPQ;
  auto energy = [&](TDynamicArray* column) {
    return box_.NodeEnergyTable && row <= box_.NodeEnergyTable->RowCount ? NumericCell(column, row) : 0.0;
  };
  bool consumption = false, generation = false;
  switch (box_.FTypFlow) {
    case 0:
      if (resPQ) {
        consumption = Cell(n.Pbal, row) != 0 || Cell(n.Qbal, row) != 0;
      } else {
        consumption = Cell(n.Pn, row) != 0 || Cell(n.Qn, row) != 0;
        if (!consumption && (Cell(n.Pbal, row) != 0 || Cell(n.Qbal, row) != 0))
          consumption = std::abs(Cell(n.WPn, row)) + std::abs(Cell(n.WQn, row)) + std::abs(Cell(n.WPg, row)) +
                            std::abs(Cell(n.WQg, row)) != 0;
        generation = Cell(n.Pg, row) != 0 || Cell(n.Qg, row) != 0;
      }
      break;
    case 1: {
      const TNodeEnergyCols& w = box_.NodeEnergyCols;
      consumption = energy(w.WPn) != 0 || energy(w.WQn) != 0 ||
                    (!resPQ && (Cell(n.WPn, row) != 0 || Cell(n.WQn, row) != 0));
      generation = energy(w.WPg) != 0 || energy(w.WQg) != 0 ||
                   (!resPQ && (Cell(n.WPg, row) != 0 || Cell(n.WQg, row) != 0));
      break;
    }
    case 2: consumption = true; break;
    default: break;
  }
  const int r = e.SectionCount > 0 ? e.SectionCount : 1;
  return (consumption ? r : 0) + (generation ? r : 0);
}

// The small second caption: the rated power of the station (per section) and the node's note.
std::string TLayout::SecondText(const SElem& e) const {
  std::string text;
  const TNodeCols& n = box_.NodeCols;
  if (box_.FSnomTr && box_.FIntegral && box_.FSection && box_.FPaintNod == ncmName && !e.SubModel) {
    if (e.SectionCount > 0) {
      for (int i = 0; i < e.SectionCount && i < static_cast<int>(e.SectionNodes.size()); ++i) {
        const std::string snom = n.Snom != nullptr ? n.Snom->GetItem(e.SectionNodes[static_cast<std::size_t>(i)]) : "";
        if (snom.empty()) continue;
        if (!text.empty()) text += ' ';
        const std::int32_t section = i < static_cast<int>(e.Sections.size()) ? e.Sections[static_cast<std::size_t>(i)] : 0;
        if (section != 0) text += std::to_string(section) + "-";
        text += snom;
      }
    } else if (e.NodeRow > 0 && n.Snom != nullptr) {
      text = n.Snom->GetItem(e.NodeRow);
    }
  }
  if (box_.FAddPrim && !e.Has(efGroup) && !e.Has(efTapOff) && e.NodeRow > 0 && n.Prim != nullptr) {
    const std::string prim = n.Prim->GetItem(e.NodeRow);
    if (!prim.empty()) {
      if (!text.empty()) text += ' ';
      text += prim;
    }
  }
  return text;
}

void TLayout::WrapMainCaption(SElem& e) {
  if (e.Has(efTapOff)) return;
  std::string text = box_.CaptionText(e);
  int lines = 1, width = e.X2;
  box_.WrapCaption(text, canvas_, e.SectionCount > 0, lines, width, e.X1);
  e.X2 = width;
  e.Caption2 = std::move(text);
  e.Height += (lines - 1) * ye_;
}

void TLayout::WrapSecondCaption(SElem& e, const std::string& second) {
  TFontHeightScope small(canvas_, -dYsc_);
  std::string text = second;
  int lines = 1, width = e.X2;
  box_.WrapCaption(text, canvas_, e.SectionCount > 0, lines, width, e.X1);
  e.X2 = width;
  e.Caption3 = std::move(text);
  e.Height += lines * dYsc_;
}

int TLayout::MeasureElement(SElem& e) {
  const int slots = (e.X2 - e.X1) / xe_;
  int below = e.ChildCount + e.DownLinkCount + e.SideLinkCount;
  const int above = e.UpLinkCount + 2 * e.SelfLinkCount + 1;
  if (ShowsResults() && (!e.Has(efGroup) || box_.FSection) && !e.SubModel) below += LoadRows(e);
  if (box_.FSnomTr2) below += static_cast<int>(e.TransformerRows.size());
  const int needed = std::max(below, above);
  if (slots < needed) e.X2 += (needed - slots) * xe_;
  const bool integral = box_.FIntegral && box_.FPaintNod == ncmName;
  if (e.SubModel) {
    const int width = e.SubModel->Width;
    if (e.X2 - e.X1 < width) e.X2 = e.X1 + xe_ * ((width + xe_ - 1) / xe_);
    e.Height = e.SubModel->Height + (box_.FLinks ? 2 * ylnk_ : 0);
  } else {
    e.Height = ye_ + (box_.FLinks && integral && !box_.FSection && e.Has(efGroup) ? 2 * ylnk_ : 0);
  }
  const std::string second = SecondText(e);
  if (second.empty()) {
    e.Caption3.reset();
    WrapMainCaption(e);
    return e.X2;
  }
  int captionWord = 0, secondWord = 0;
  {
    // Only the widths are compared here; the wrapping measures again.
    captionWord = WidestWord(canvas_, box_.CaptionText(e));
    TFontHeightScope small(canvas_, -dYsc_);
    secondWord = WidestWord(canvas_, second);
  }
  if (captionWord < secondWord) {
    WrapSecondCaption(e, second);
    WrapMainCaption(e);
  } else {
    WrapMainCaption(e);
    WrapSecondCaption(e, second);
  }
  return e.X2;
}

}  // namespace ld::diagram
