#include "gui/grid/print_markup_layout.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/base/numfmt.h"

namespace ld {

namespace {

constexpr std::size_t kMaxTableColumns = 255;

int RoundPx(double v) { return static_cast<int>(Round(v)); }

}  // namespace

PrintPaginator::PrintPaginator(const std::vector<std::string>& document, const PrintPageSetup& setup,
                               PrintTextWidth textWidth)
    : textWidth_(std::move(textWidth)), px_(setup.px) {
  lines_.reserve(document.size());
  for (const auto& line : document) lines_.push_back(ParsePrintLine(line));
  const double pageWidth = setup.landscape ? kPageHeightInches : kPageWidthInches;
  const double pageHeight = setup.landscape ? kPageWidthInches : kPageHeightInches;
  left_ = RoundPx(setup.px * setup.leftCm / 2.54);
  top_ = RoundPx(setup.py * setup.topCm / 2.54);
  bottom_ = RoundPx((pageHeight - setup.bottomCm / 2.54) * setup.py);
  fontHeight_ = std::abs(setup.fontHeight);
  extra_ = RoundPx(fontHeight_ * 0.2);
  padding_ = RoundPx(setup.px * 0.1 / 2.54);
  numberX_ = RoundPx(setup.px * pageWidth / 2);
  numberY_ = top_ - fontHeight_ - RoundPx(setup.py * 0.2 / 2.54);
  if (numberY_ < 1) numberY_ = RoundPx(setup.py * 0.3 / 2.54);
}

void PrintPaginator::MeasureTable(std::size_t from) {
  widths_.clear();
  for (std::size_t i = from; i < lines_.size(); ++i) {
    const PrintLine& line = lines_[i];
    if (i > from && line.kind == PrintLineKind::TableHeader) break;
    if (line.kind != PrintLineKind::TableHeader && line.kind != PrintLineKind::TableRow) continue;
    const std::size_t count = std::min(line.cells.size(), kMaxTableColumns);
    if (widths_.size() < count) widths_.resize(count, 0);
    for (std::size_t k = 0; k < count; ++k)
      widths_[k] = std::max(widths_[k], textWidth_(line.cells[k].text, 0) + 2 * padding_);
  }
}

void PrintPaginator::LayOutRow(const PrintLine& line, int y, PrintPage& page) {
  const bool header = line.kind == PrintLineKind::TableHeader;
  const int y2 = y + LineStep();
  const int textTop = y + extra_ / 2;
  const int x0 = left_ + shift_;
  int x = x0;
  std::vector<int> edges{x0};
  const std::size_t count = std::min(line.cells.size(), widths_.size());
  for (std::size_t k = 0; k < count; ++k) {
    const PrintCell& cell = line.cells[k];
    const int width = widths_[k];
    page.ops.push_back({PrintOp::Fill, x, y, x + width - 1, y2, MarkBackColor(cell.mark), 1, 0, {}});
    const int textX = header ? x + width / 2 - textWidth_(cell.text, 0) / 2 : x + padding_;
    page.ops.push_back({PrintOp::Text, textX, textTop, 0, 0, MarkTextColor(cell.mark), 1, 0, cell.text});
    x += width - 1;
    edges.push_back(x);
  }
  // Rules go over the fills, so neighbouring backgrounds never hide a cell border.
  for (const int edge : edges) page.ops.push_back({PrintOp::Rule, edge, y, edge, y2, 0, 1, 0, {}});
  const int rule = header ? 3 : 1;
  page.ops.push_back({PrintOp::Rule, x0, y, x, y, 0, rule, 0, {}});
  page.ops.push_back({PrintOp::Rule, x0, y2, x, y2, 0, rule, 0, {}});
}

PrintPage PrintPaginator::NextPage() {
  PrintPage page;
  page.number = ++pages_;
  page.numberX = numberX_;
  page.numberY = numberY_;
  int y = top_;
  while (next_ < lines_.size() && y + LineStep() < bottom_) {
    const std::size_t index = next_++;
    const PrintLine& line = lines_[index];
    switch (line.kind) {
      case PrintLineKind::Shift:
        shift_ = RoundPx(px_ * line.shiftCm / 2.54);
        break;
      case PrintLineKind::TableHeader:
        MeasureTable(index);
        LayOutRow(line, y, page);
        y += LineStep();
        break;
      case PrintLineKind::TableRow:
        if (widths_.empty()) MeasureTable(index);  // rows without a header row of their own
        LayOutRow(line, y, page);
        y += LineStep();
        break;
      case PrintLineKind::Text:
        page.ops.push_back({PrintOp::Text, left_ + shift_, y + extra_ / 2, 0, 0, 0, 1, line.styles, line.text});
        y += LineStep();
        break;
    }
  }
  page.linesDone = next_;
  return page;
}

}  // namespace ld
