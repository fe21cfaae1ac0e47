#pragma once
// Lays a marked-up report out on printer pages: where each text, cell background and rule goes, in
// printer pixels from the paper's top-left corner. The page is A4 whatever the printer reports; the
// printer's resolution and a text-measuring function come from the caller, so the pages can be drawn
// on any device (and checked without one).
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "gui/grid/print_markup.h"

namespace ld {

struct PrintPageSetup {
  int px = 600;  // printer pixels per inch, horizontally and vertically
  int py = 600;
  bool landscape = false;
  double topCm = 1, leftCm = 2, bottomCm = 1, rightCm = 1;  // margins
  int fontHeight = 0;                          // |font height| in printer pixels
};

// Width in printer pixels of a text in the document font with the given extra styles.
using PrintTextWidth = std::function<int(const std::string& text, unsigned styles)>;

struct PrintOp {
  enum Kind { Fill, Rule, Text } kind = Text;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Fill: the rectangle, edges included; Rule: the ends; Text: x1, y1 top-left
  int color = 0;                       // palette index 0..15 of the fill or the text
  int width = 1;                       // Rule: pen width
  unsigned styles = 0;                 // Text: styles added to the document font
  std::string text;
};

struct PrintPage {
  int number = 0;
  std::vector<PrintOp> ops;
  int numberX = 0, numberY = 0;  // where the page number goes, when numbers are printed
  std::size_t linesDone = 0;     // document lines laid out up to the end of this page
};

// A4 in inches, as the page size of every report.
constexpr double kPageWidthInches = 8.27;
constexpr double kPageHeightInches = 11.69;

// A table wider than the page is printed in bands of its columns, each band on pages of its own after
// the one before: every band starts with the table's first column (the row number), so that a row can be
// followed from band to band, and repeats the header row. A band takes every next column that fits
// the page between the margins, and at least one.
class PrintPaginator {
public:
  PrintPaginator(const std::vector<std::string>& document, const PrintPageSetup& setup, PrintTextWidth textWidth);

  // False when the margins leave no room for one line: such a document would never end.
  bool HasRoom() const { return top_ + LineStep() < bottom_; }
  bool AtEnd() const { return next_ >= lines_.size() && pages_ > 0; }
  // The lines to lay out, a table's lines counted once for each band of its columns.
  std::size_t LineCount() const { return total_; }

  // The next page; call only while HasRoom() and !AtEnd().
  PrintPage NextPage();

private:
  // The lines of one table, from its header row (or its first row) to its last row, with the widths of
  // its columns and the bands they are printed in.
  struct TableSpan {
    std::size_t start = 0, end = 0;
    std::vector<int> widths;
    std::vector<std::vector<std::size_t>> bands;
  };

  int LineStep() const { return fontHeight_ + extra_ - 1; }
  void MeasureTables(int right);
  void LayOutRow(const PrintLine& line, int y, PrintPage& page);

  std::vector<PrintLine> lines_;
  PrintTextWidth textWidth_;
  int px_ = 0;
  int left_ = 0, top_ = 0, bottom_ = 0;
  int fontHeight_ = 0, extra_ = 0, padding_ = 0;
  int shift_ = 0;
  int numberX_ = 0, numberY_ = 0;
  std::vector<TableSpan> tables_;
  std::size_t table_ = 0;     // the table laid out now, or the next one
  std::size_t band_ = 0;      // the band of its columns laid out now
  std::size_t next_ = 0;
  std::size_t done_ = 0, total_ = 0;
  int pages_ = 0;
};

}  // namespace ld
