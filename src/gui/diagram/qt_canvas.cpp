#include "gui/diagram/qt_canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <algorithm>
#include <cmath>
#include <vector>

#include "gui/grid/tcolor.h"

namespace ld::gui {

namespace {

QColor Color(std::int32_t c) { return ToQColor(static_cast<TColor>(c)); }

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

TQtCanvas::TQtCanvas(QPainter& painter) : painter_(painter) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  if (painter_.device() != nullptr) Font.PixelsPerInch = painter_.device()->logicalDpiY();
}

QFont TQtCanvas::ToQFont(const diagram::TFont& font) {
  QFont f(QString::fromStdString(font.Name));
  f.setBold((font.Style & diagram::fsBold) != 0);
  f.setItalic((font.Style & diagram::fsItalic) != 0);
  const int height = std::clamp(std::abs(font.Height), 1, 4000);
  f.setPixelSize(height);
  if (font.Height > 0) {
    // A cell height: the character height is what is left of it without the leading.
    const int cell = QFontMetrics(f).height();
    if (cell > height) f.setPixelSize(std::max(1, height * height / cell));
  }
  return f;
}

void TQtCanvas::UsePen() {
  QPen pen(Color(Pen.Color));
  // One pixel wide pens are cosmetic; a flat cap leaves out the end pixel as the diagram expects.
  pen.setWidth(Pen.Width <= 1 ? 0 : Pen.Width);
  pen.setCapStyle(Pen.Width <= 1 ? Qt::FlatCap : Qt::RoundCap);
  pen.setJoinStyle(Qt::MiterJoin);
  painter_.setPen(pen);
}

void TQtCanvas::UseBrush() {
  painter_.setBrush(Brush.Style == diagram::bsSolid ? QBrush(Color(Brush.Color)) : QBrush(Qt::NoBrush));
}

int TQtCanvas::TextWidth(std::string_view text) { return QFontMetrics(ToQFont(Font)).horizontalAdvance(Text(text)); }

int TQtCanvas::TextHeight(std::string_view) { return QFontMetrics(ToQFont(Font)).height(); }

void TQtCanvas::DrawLine(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return;
  UsePen();
  painter_.drawLine(x1, y1, x2, y2);
}

void TQtCanvas::Polyline(const diagram::TPoint* points, int count) {
  if (count < 2) return;
  UsePen();
  QPolygon polygon;
  for (int i = 0; i < count; ++i) polygon << QPoint(points[i].X, points[i].Y);
  painter_.drawPolyline(polygon);
}

void TQtCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  if (Brush.Style == diagram::bsSolid) painter_.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), Color(Brush.Color));
  UsePen();
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void TQtCanvas::FillRect(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 > x1 && y2 > y1) painter_.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), Color(Brush.Color));
}

void TQtCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  UsePen();
  UseBrush();
  painter_.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void TQtCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  // Angles count counter-clockwise on the screen, from the positive x axis, as both systems count.
  const double pi = std::acos(-1.0);
  const double a1 = std::atan2(-(y3 - cy), x3 - cx) * 180 / pi;
  const double a2 = std::atan2(-(y4 - cy), x4 - cx) * 180 / pi;
  double span = a2 - a1;
  while (span <= 0) span += 360;
  UsePen();
  painter_.setBrush(Qt::NoBrush);
  painter_.drawArc(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1), static_cast<int>(std::lround(a1 * 16)),
                   static_cast<int>(std::lround(span * 16)));
}

diagram::TPoint TQtCanvas::SurfaceSize() const {
  const QPaintDevice* device = painter_.device();
  return device != nullptr ? diagram::TPoint{device->width(), device->height()} : diagram::TPoint{};
}

void TQtCanvas::TextOut(int x, int y, std::string_view text) {
  const QFont font = ToQFont(Font);
  const QFontMetrics metrics(font);
  const QString s = Text(text);
  const int width = metrics.horizontalAdvance(s);
  int left = x;
  if (TextAlign == diagram::taCenter) left = x - width / 2;
  else if (TextAlign == diagram::taRight) left = x - width;
  if (Brush.Style == diagram::bsSolid) painter_.fillRect(QRect(left, y, width, metrics.height()), Color(Brush.Color));
  painter_.setFont(font);
  painter_.setPen(Color(Font.Color));
  painter_.drawText(left, y + metrics.ascent(), s);
}

}  // namespace ld::gui
