#include "gui/grid/report_print_preview.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "core/base/numfmt.h"
#include "gui/grid/print_markup.h"

namespace ld::gui {

QRect PreviewGeometry(bool landscape) {
  return landscape ? QRect(137, 16, 93, 69) : QRect(145, 16, 77, 92);
}

int MeasureDocumentWidth(const std::vector<std::string>& document, const QFont& font) {
  const QFontMetrics metrics(font);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
  const int padding = static_cast<int>(Round(dpi * 0.2 / 2.54));
  int widest = 0;
  for (const auto& line : document) {
    const PrintLine parsed = ParsePrintLine(line);
    int width = 0;
    if (parsed.kind == PrintLineKind::TableHeader || parsed.kind == PrintLineKind::TableRow) {
      // Cells as they stand in the line, marks included.
      const std::string_view rest = std::string_view(line).substr(parsed.kind == PrintLineKind::TableHeader ? 10 : 5);
      std::size_t from = 0;
      while (from < rest.size()) {
        const auto amp = std::min(rest.find('&', from), rest.size());
        width += metrics.horizontalAdvance(QString::fromStdString(std::string(rest.substr(from, amp - from)))) + 2 * padding;
        from = amp + 1;
      }
    } else if (parsed.kind == PrintLineKind::Text) {
      width = metrics.horizontalAdvance(QString::fromStdString(parsed.text));
    }
    widest = std::max(widest, width);
  }
  return widest;
}

QImage DrawPrintPreview(QSize size, bool landscape, const PrintMargins& margins, const PreviewContent& content) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  const double pageWidth = landscape ? kPageHeightInches : kPageWidthInches;
  const double pageHeight = landscape ? kPageWidthInches : kPageHeightInches;
  const double ppiX = size.width() / pageWidth;
  const double ppiY = size.height() / pageHeight;
  const int left = static_cast<int>(Round(margins.left * ppiX / 2.54));
  const int right = size.width() - 1 - static_cast<int>(Round(margins.right * ppiX / 2.54));
  const int top = static_cast<int>(Round(margins.top * ppiY / 2.54));
  const int bottom = size.height() - 1 - static_cast<int>(Round(margins.bottom * ppiY / 2.54));
  painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
  painter.drawRect(QRect(QPoint(left, top), QPoint(right, bottom)));

  const auto scaled = [&](int screenWidth) {
    return static_cast<int>(Round(screenWidth / content.screenDpi * ppiX));
  };
  painter.setPen(QPen(Qt::black, 1));
  const auto stroke = [&](int y, int screenWidth) {
    const int length = scaled(screenWidth);
    if (length > 0) painter.drawLine(left, y, left + length - 1, y);
  };
  int y = top + 2;
  for (const int width : content.headerWidths) {
    if (y >= bottom) break;
    stroke(y, width);
    y += 2;
  }
  int yEnd = bottom - 2;
  for (auto it = content.trailerWidths.rbegin(); it != content.trailerWidths.rend() && yEnd > y; ++it) {
    stroke(yEnd, *it);
    yEnd -= 2;
  }
  for (; y <= yEnd; y += 2) stroke(y, content.documentWidth);
  return image;
}

}  // namespace ld::gui
