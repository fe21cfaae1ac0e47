#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <functional>
#include <string>
#include <vector>

#include "core/diagram/draw.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "gui/diagram/qt_canvas.h"
#include "support/diagram_fixture.h"
#include "support/measuring_canvas.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

using diagram::TSchemBoxState;
using diagram::TSchemePainter;
using test::DiagramScheme;

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

TEST(QtCanvas, ForkPixels) {
  const DiagramScheme s = test::ForkScheme();
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  s.Load(box);
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  ASSERT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  test::MeasuringCanvas measuring;
  diagram::LayoutScheme(box, measuring, *box.Model);
  box.ClientWidth = box.ClientHeight = 200;
  QImage image(200, 200, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    TQtCanvas c(painter);
    c.Font.Height = -13;
    TSchemePainter(box).Paint(c);
  }
  image.save(QString::fromStdString(test::OutputPath("diagram_fork.png").string()));
  // The background in the corners, inside A clear of its caption, A's outline, B's line and beside
  // it, C's lower breaker.
  EXPECT_EQ(Pixels(image, {{5, 5}, {199, 199}, {52, 30}, {42, 25}, {56, 25}, {43, 34}, {49, 50}, {48, 50}, {17, 110}}),
            "wwykkkkwk");
}

// The district scheme laid out and drawn through the Qt canvas on an image of the drawing's size.
QImage DrawDistrict(const std::function<void(TSchemBoxState&)>& settings, const std::string& file) {
  test::UnomClasses classes({0.4, 10, 35});
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  settings(box);
  test::DistrictScheme().Load(box);
  diagram::InstallLayout(box);
  for (int row = 1; row <= box.NodeTable->RowCount; ++row) {
    const double um = box.NodeCols.Um->Get(row);
    (*box.NodeCols.Urez)[row] = um * (1 + 0.01 * (row % 7) - 0.03);
    (*box.NodeCols.Pn)[row] = 0.05 * (row % 4);
    (*box.NodeCols.Qn)[row] = 0.02 * (row % 3);
    (*box.NodeCols.Color)[row] = static_cast<std::int32_t>(0x40A0F0 + 0x1020 * row);
  }
  for (int row = 1; row <= box.BranchTable->RowCount; ++row) {
    (*box.BranchCols.U1)[row] = 10.5f, (*box.BranchCols.U2)[row] = 10.3f;
    (*box.BranchCols.F2)[row] = -0.5f;
    (*box.BranchCols.Irez)[row] = 20.f + 5.f * static_cast<float>(row);
    (*box.BranchCols.Faza)[row] = -20.f;
    (*box.BranchCols.Ul)[row] = box.BranchCols.Kta->Get(row) != 0 ? 0.4f : 10.f;
  }
  std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
  EXPECT_TRUE(box.BuildSchemeModel(nodes, lines, *box.Model));
  QImage probe(10, 10, QImage::Format_RGB32);
  QPainter probePainter(&probe);
  TQtCanvas measure(probePainter);
  measure.Font.Height = -13;
  diagram::LayoutScheme(box, measure, *box.Model);
  probePainter.end();
  QImage image(box.Model->Width + 3 * box.PixXe, box.Model->Height + 3 * box.PixYe, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    TQtCanvas c(painter);
    c.Font.Height = -13;
    box.ComputeMetrics(c.Font);
    TSchemePainter(box).DrawScheme(&c, true, false, false, box.PixXe, box.PixYe, 0, 0);
  }
  image.save(QString::fromStdString(test::OutputPath(file).string()));
  return image;
}

// Pictures for people to look at; the whole image gets the background, the drawing's margins included.
TEST(QtCanvas, DistrictScreenshots) {
  const QImage colours = DrawDistrict(
      [](TSchemBoxState& b) {
        b.tColors = 1;
        b.fBP = true;
        b.vUn = {0.4f, 10.f, 35.f};
        b.cUn = {0x00A000, 0xC00000, 0x0000C0};
        b.wLn = {1, 2, 3};
      },
      "diagram_colours.png");
  EXPECT_EQ(Pixels(colours, {{colours.width() - 1, colours.height() - 1}}), "w");
  DrawDistrict(
      [](TSchemBoxState& b) {
        b.FlagU = b.FlagP = b.FlagQ = b.FlagI = true;
        b.FMarkLn = b.FNumTr = b.FSnomTr = b.FRealCommut = true;
        b.ExpandedSubst = {"ПС-2", "ПС-1"};
      },
      "diagram_results.png");
}

}  // namespace
}  // namespace ld::gui
