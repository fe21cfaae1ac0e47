#pragma once
// The small page picture of the print dialog: margins, header and trailer lines and the body of the
// document drawn as strokes as long as the texts would be on paper.
#include <QImage>
#include <QRect>
#include <string>
#include <vector>

#include "gui/grid/report_print_render.h"

class QFont;

namespace ld::gui {

// Where the picture sits in its group, by page orientation.
QRect PreviewGeometry(bool landscape);

// Width on the screen of the widest document line: table rows as the sum of their cells (marks
// included) with a 2 mm padding on each side of every cell, other lines without their style prefixes.
int MeasureDocumentWidth(const std::vector<std::string>& document, const QFont& font);

struct PreviewContent {
  std::vector<int> headerWidths;   // screen pixels, one per header line
  std::vector<int> trailerWidths;  // screen pixels, one per trailer line
  int documentWidth = 0;           // screen pixels
  double screenDpi = 96;
};

QImage DrawPrintPreview(QSize size, bool landscape, const PrintMargins& margins, const PreviewContent& content);

}  // namespace ld::gui
