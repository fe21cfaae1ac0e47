#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "gui/diagram/qt_canvas.h"

namespace ld::gui {
namespace {

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

// The pixels at the points, one letter each: k black, w white, r red, g green, y light yellow, ? other.
std::string Pixels(const QImage& image, std::vector<QPoint> points) {
  std::string s;
  for (const QPoint& p : points) {
    const QRgb c = image.pixel(p);
    s += c == Rgb(0, 0, 0)         ? 'k'
         : c == Rgb(255, 255, 255) ? 'w'
         : c == Rgb(255, 0, 0)     ? 'r'
         : c == Rgb(0, 255, 0)     ? 'g'
         : c == Rgb(255, 255, 128) ? 'y'
                                   : '?';
  }
  return s;
}

TEST(QtCanvas, PrimitivesKeepTheirPixels) {
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    TQtCanvas c(painter);
    c.Pen = {0x000000, 1};
    c.MoveTo(5, 5);
    c.LineTo(5, 15);  // without its end pixel
    c.Brush = {0x0000FF, diagram::bsSolid};
    c.Rectangle(10, 10, 20, 20);  // outlined 10..19, filled red inside
    c.Brush = {0x00FF00, diagram::bsSolid};
    c.FillRect(25, 25, 30, 30);
  }
  EXPECT_EQ(Pixels(image, {{5, 5}, {5, 14}, {5, 15}, {10, 10}, {19, 19}, {20, 20}, {15, 15}, {25, 25}, {29, 29}, {30, 30}}),
            "kkwkkwrggw");

  // A three-quarter arc counter-clockwise from the lowest point to the leftmost: the lower left
  // quarter stays empty.
  QImage arc(40, 40, QImage::Format_RGB32);
  arc.fill(Qt::white);
  {
    QPainter painter(&arc);
    TQtCanvas c(painter);
    c.Arc(10, 10, 31, 31, 20, 31, 10, 20);
  }
  auto darkIn = [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x)
        if (qGray(arc.pixel(x, y)) < 128) return true;
    return false;
  };
  EXPECT_TRUE(darkIn(27, 11, 31, 19));   // upper right
  EXPECT_TRUE(darkIn(11, 10, 19, 14));   // upper left
  EXPECT_TRUE(darkIn(21, 26, 29, 31));   // lower right
  EXPECT_FALSE(darkIn(9, 23, 17, 31));   // lower left

  // Text on an opaque background ends at x when right-aligned; a clear brush leaves the background.
  QImage text(120, 30, QImage::Format_RGB32);
  text.fill(Qt::white);
  {
    QPainter painter(&text);
    TQtCanvas c(painter);
    c.Font.Height = -13;
    c.Brush = {0x0000FF, diagram::bsSolid};
    c.TextAlign = diagram::taRight;
    c.TextOut(60, 5, "Ш");
    c.Brush.Style = diagram::bsClear;
    c.TextAlign = diagram::taLeft;
    c.TextOut(80, 5, "Ш");
  }
  diagram::TFont font;
  font.Height = -13;
  const int bottom = 5 + QFontMetrics(TQtCanvas::ToQFont(font)).height() - 1;  // below the letter
  EXPECT_EQ(Pixels(text, {{59, bottom}, {60, bottom}, {59, bottom + 1}, {81, 6}}), "rwww");
}

}  // namespace
}  // namespace ld::gui
