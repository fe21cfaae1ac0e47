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
  MeasureTables(RoundPx((pageWidth - setup.rightCm / 2.54) * setup.px));
}

void PrintPaginator::MeasureTables(int right) {
  total_ = lines_.size();
  if (!textWidth_) return;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const PrintLine& line = lines_[i];
    const bool header = line.kind == PrintLineKind::TableHeader;
    if (!header && line.kind != PrintLineKind::TableRow) continue;
    // A header row starts a table; a row starts one only where no table came before. The table's last
    // row is the one before the next header row.
    if (!header && !tables_.empty()) {
      tables_.back().end = i + 1;
    } else {
      tables_.push_back({i, i + 1, {}, {}});
    }
    std::vector<int>& widths = tables_.back().widths;
    const std::size_t count = std::min(line.cells.size(), kMaxTableColumns);
    if (widths.size() < count) widths.resize(count, 0);
    for (std::size_t k = 0; k < count; ++k)
      widths[k] = std::max(widths[k], textWidth_(line.cells[k].text, 0) + 2 * padding_);
  }
  // The bands, by the indent the table is printed at.
  int shift = 0;
  std::size_t t = 0;
  for (std::size_t i = 0; i < lines_.size() && t < tables_.size(); ++i) {
    if (lines_[i].kind == PrintLineKind::Shift) shift = RoundPx(px_ * lines_[i].shiftCm / 2.54);
    if (i != tables_[t].start) continue;
    TableSpan& table = tables_[t++];
    const int room = right - (left_ + shift);
    std::size_t k = 0;
    while (k < table.widths.size()) {
      std::vector<std::size_t> band;
      int width = 1;
      if (k > 0) {
        band.push_back(0);
        width += table.widths[0] - 1;
      }
      do {
        band.push_back(k);
        width += table.widths[k] - 1;
        ++k;
      } while (k < table.widths.size() && width + table.widths[k] - 1 <= room);
      table.bands.push_back(std::move(band));
    }
    if (table.bands.empty()) table.bands.emplace_back();
    total_ += (table.end - table.start) * (table.bands.size() - 1);
  }
}

void PrintPaginator::LayOutRow(const PrintLine& line, int y, PrintPage& page) {
  const bool header = line.kind == PrintLineKind::TableHeader;
  const int y2 = y + LineStep();
  const int textTop = y + extra_ / 2;
  const int x0 = left_ + shift_;
  int x = x0;
  std::vector<int> edges{x0};
  const TableSpan& table = tables_[table_];
  for (const std::size_t k : table.bands[band_]) {
    if (k >= line.cells.size()) break;
    const PrintCell& cell = line.cells[k];
    const int width = table.widths[k];
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
    ++done_;
    const PrintLine& line = lines_[index];
    switch (line.kind) {
      case PrintLineKind::Shift:
        shift_ = RoundPx(px_ * line.shiftCm / 2.54);
        break;
      case PrintLineKind::TableHeader:
      case PrintLineKind::TableRow:
        while (table_ + 1 < tables_.size() && tables_[table_ + 1].start <= index) ++table_;
        if (table_ < tables_.size()) LayOutRow(line, y, page);
        y += LineStep();
        break;
      case PrintLineKind::Text:
        page.ops.push_back({PrintOp::Text, left_ + shift_, y + extra_ / 2, 0, 0, 0, 1, line.styles, line.text});
        y += LineStep();
        break;
    }
    // The next band of a table's columns starts on a page of its own, from the table's first line.
    if (table_ < tables_.size() && next_ == tables_[table_].end) {
      if (band_ + 1 < tables_[table_].bands.size()) {
        ++band_;
        next_ = tables_[table_].start;
        break;
      }
      band_ = 0;
    }
  }
  page.linesDone = done_;
  return page;
}

}  // namespace ld
