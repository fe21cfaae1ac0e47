#include "gui/grid/report_print_render.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include "core/base/numfmt.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

namespace {

int FontHeightPx(const QFont& font, int dpi) {
  const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
  return static_cast<int>(Round(points * dpi / 72.0));
}

QFont Styled(const QFont& base, unsigned styles) {
  QFont font = base;
  if (styles & psBold) font.setBold(true);
  if (styles & psItalic) font.setItalic(true);
  if (styles & psUnderline) font.setUnderline(true);
  if (styles & psStrikeOut) font.setStrikeOut(true);
  return font;
}

void DrawOp(QPainter& painter, const PrintOp& op, const QFont& font) {
  switch (op.kind) {
    case PrintOp::Fill:
      painter.fillRect(QRect(QPoint(op.x1, op.y1), QPoint(op.x2, op.y2)), PaletteQColor(op.color));
      break;
    case PrintOp::Rule:
      painter.setPen(QPen(Qt::black, op.width, Qt::SolidLine, Qt::FlatCap));
      painter.drawLine(op.x1, op.y1, op.x2, op.y2);
      break;
    case PrintOp::Text: {
      const QFont styled = Styled(font, op.styles);
      painter.setFont(styled);
      painter.setPen(PaletteQColor(op.color));
      // The layout places texts by their top edge.
      painter.drawText(op.x1, op.y1 + QFontMetrics(styled, painter.device()).ascent(), QString::fromStdString(op.text));
      break;
    }
  }
}

}  // namespace

PrintMargins TurnedMargins(const PrintMargins& margins, bool toLandscape) {
  if (toLandscape) return {margins.left, margins.bottom, margins.right, margins.top};
  return {margins.right, margins.top, margins.left, margins.bottom};
}

PrintPageSetup ReportPageSetup(const QPrinter& printer, const QFont& documentFont, const PrintMargins& margins) {
  PrintPageSetup setup;
  setup.px = printer.logicalDpiX();
  setup.py = printer.logicalDpiY();
  setup.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
  setup.topCm = margins.top;
  setup.leftCm = margins.left;
  setup.bottomCm = margins.bottom;
  setup.rightCm = margins.right;
  setup.fontHeight = FontHeightPx(documentFont, setup.py);
  return setup;
}

const char* const kNoRoomOnPage = "Поля страницы слишком велики: на странице не помещается ни одна строка";

bool ReportPageHasRoom(const QPrinter& printer, const QFont& documentFont, const PrintMargins& margins) {
  return PrintPaginator({}, ReportPageSetup(printer, documentFont, margins), nullptr).HasRoom();
}

std::string PrintReportPages(QPrinter& printer, const std::vector<std::string>& document, const QFont& documentFont,
                             const PrintMargins& margins, bool pageNumbers,
                             const std::function<bool(int percent)>& afterPage) {
  const PrintPageSetup setup = ReportPageSetup(printer, documentFont, margins);
  if (!PrintPaginator({}, setup, nullptr).HasRoom()) return kNoRoomOnPage;
  QFont font = documentFont;
  font.setPixelSize(setup.fontHeight);

  QPainter painter;
  if (!painter.begin(&printer)) return "Ошибка печати документа";
  painter.setBackground(Qt::white);
  painter.setBrush(Qt::white);
  PrintPaginator pages(document, setup, [&](const std::string& text, unsigned styles) {
    return QFontMetrics(Styled(font, styles), &printer).horizontalAdvance(QString::fromStdString(text));
  });
  std::string error;
  while (!pages.AtEnd()) {
    const PrintPage page = pages.NextPage();
    if (page.number > 1 && !printer.newPage()) {
      error = "Ошибка печати документа";
      break;
    }
    for (const auto& op : page.ops) DrawOp(painter, op, font);
    const int percent = pages.LineCount() == 0 ? 100 : static_cast<int>(page.linesDone * 100 / pages.LineCount());
    if (!afterPage(percent)) break;
    if (pageNumbers)
      DrawOp(painter, {PrintOp::Text, page.numberX, page.numberY, 0, 0, 0, 1, 0, std::to_string(page.number)}, font);
  }
  painter.end();
  return error;
}

}  // namespace ld::gui
