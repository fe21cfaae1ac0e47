// The plot: value axis, time rows, joint colours, legend and what the widget paints and does on clicks.
#include <QColorDialog>
#include <cmath>
#include <limits>
#include <tuple>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "catwin_fixture.h"
#include "core/catalogs/catwin_plot.h"
#include "gui/catalogs/graph_box.h"
#include "gui/grid/tcolor.h"

namespace ld::test {
namespace {

// Typed arrays do not move: the helpers hand out owned ones.
std::unique_ptr<DAdouble> Array(const std::vector<double>& v) {
  auto a = std::make_unique<DAdouble>();
  for (std::size_t i = 0; i < v.size(); ++i) (*a)[static_cast<int>(i) + 1] = v[i];
  a->Count = static_cast<int>(v.size());
  return a;
}
#define Values(...) (*Array(__VA_ARGS__))

// 24 hourly moments of 5 March 2024 (01:00 .. 23:00, then 00:00 of the next day).
std::vector<double> HourMoments() {
  std::vector<double> a;
  for (int h = 1; h <= 24; ++h) a.push_back(h < 24 ? 20240305 + h * 0.036 : 20240306);
  return a;
}
#define Hours() Values(HourMoments())

int CharWidth(const std::string& s) { return 7 * static_cast<int>(s.size()); }

TEST(GraphPlotAxis, StepsFollowTheRangeAndTheRoomTimeRowsThePeriodAndSpan) {
  // 0..87 in 100 pixels with lines of 10: ten lines, p 8.7, step 10 -> 9 steps of 11 pixels.
  TValueAxis a = AutoValueAxis(0, 100, 10, 87, 0);
  EXPECT_EQ(std::tuple(a.Valid, a.Steps, a.StepPixels, a.Step, a.AxisRow), std::tuple(true, 9, 11, 10.0, 100));
  // -5..15: step 5, one step below zero.
  a = AutoValueAxis(0, 100, 10, 15, 5);
  EXPECT_EQ(std::tuple(a.Steps, a.StepPixels, a.AxisRow, a.Lowest), std::tuple(4, 25, 75, -5.0));

  TGraphPlotSettings s;
  s.FixedY = true;
  s.Yf1 = -10, s.Yf2 = 30, s.dY = 10, s.Yx = 0;
  a = FixedValueAxis(0, 100, s);
  EXPECT_EQ(std::tuple(a.Steps, a.StepPixels, a.AxisRow), std::tuple(4, 25, 75));
  // Settings no plot can show: a range beyond any count of steps gives no fixed axis, and a zero line
  // far beyond the plot is drawn off the picture; neither fails the drawing.
  s.Yf1 = -1e308, s.Yf2 = 1e308, s.dY = 1;
  EXPECT_FALSE(FixedValueAxis(0, 100, s).Valid);
  s.Yf1 = 0, s.Yf2 = 4e-300, s.dY = 1e-300, s.Yx = 1;
  a = FixedValueAxis(0, 100, s);
  EXPECT_EQ(std::tuple(a.Valid, a.Steps, a.StepPixels, a.AxisRow), std::tuple(true, 4, 25, 100 - 10000000));

  // Time rows from the period and the span.
  TGraphPlot plot;
  plot.Period = 1800;
  plot.SetTimeValues(Values({20240305.018, 20240412.036, 20240429.846}));
  plot.AddGraph(1, "Г", 'P', "кВт", Values({1, 2, 3}));
  const TGraphLayout g = plot.Layout(0, 0, 600, 400, 10, CharWidth);
  EXPECT_EQ(std::pair(g.UnitRow, g.Bottom), std::pair(std::array<int, 6>{0, 4, 3, 2, 1, 0}, 400 - 4 * 10 - 5 - kPlotMargin));

  // Damaged values: the search for a step never ends on a span that is no number, and the plot names
  // the damaged point instead of drawing it.
  EXPECT_FALSE(AutoValueAxis(0, 100, 10, 1e308, 1e308).Valid);
  EXPECT_FALSE(AutoValueAxis(0, 100, 10, std::numeric_limits<double>::infinity(), 0).Valid);
  const auto fault = [&](std::vector<double> values) {
    plot.AddGraph(7, "Г", 'P', "кВт", Values(values));
    const TGraphLayout damaged = plot.Layout(0, 0, 600, 400, 10, CharWidth);
    EXPECT_NE(damaged.Valid, !damaged.Fault.empty());
    return damaged.Fault;
  };
  EXPECT_EQ(fault({1, std::nan(""), 3}), "График № 7, точка 2: значение не является числом");
  EXPECT_EQ(fault({1, 2, -std::numeric_limits<double>::infinity()}), "График № 7, точка 3: значение равно минус бесконечности");
  EXPECT_EQ(fault({1e308, -1e308, 3}),
            "График № 7, точка 1: число 1E308 больше по модулю, чем вмещает столбец таблицы (3.4028235E38)");
  EXPECT_EQ(fault({1, 2, 3}), "");

  // A point far outside fixed limits, or a zero line beyond any number, stays on the plot's rows.
  plot.Settings.FixedY = true;
  plot.Settings.Yf1 = 0, plot.Settings.Yf2 = 40, plot.Settings.dY = 10, plot.Settings.Yx = 0;
  const TGraphLayout fixed = plot.Layout(0, 0, 600, 400, 10, CharWidth);
  ASSERT_TRUE(fixed.Valid);
  EXPECT_EQ(PlotValueRow(fixed, plot.Settings, 20), fixed.Bottom - 2 * fixed.Axis.StepPixels);
  EXPECT_EQ(PlotValueRow(fixed, plot.Settings, 3e38), fixed.Top);
  EXPECT_EQ(PlotValueRow(fixed, plot.Settings, -3e38), fixed.Bottom);
  plot.Settings.Yx = 1e300;
  EXPECT_EQ(PlotValueRow(plot.Layout(0, 0, 600, 400, 10, CharWidth), plot.Settings, 5), fixed.Bottom);
}

TEST(GraphPlot, JointColoursPlacesRemovalAndLegend) {
  TGraphPlot plot;
  plot.SetTimeValues(Hours());
  plot.AddGraph(1, "Первый", 'P', "кВт", Values({1}));
  plot.AddGraph(2, "Второй", 'P', "кВт", Values({2}));
  ASSERT_EQ(plot.Series().size(), 1u) << "a single plot keeps only its newest graph";
  EXPECT_EQ(std::pair(plot.Series()[0].Number, plot.Series()[0].Color), std::pair(2, 0xFF0000u));

  plot.Joint = true;
  for (int n = 3; n <= 14; ++n) plot.AddGraph(n, "Г" + std::to_string(n), 'Q', "кВАр", Values({double(n)}));
  ASSERT_EQ(plot.Series().size(), 13u);
  EXPECT_EQ(std::tuple(plot.Series()[1].Color, plot.Series()[11].Color, plot.Series()[12].Color),
            std::tuple(0x000080u, 0xFFFF00u, 0x000080u));  // the thirteenth starts the colours again

  // The same number again: new values, same colour and place.
  plot.AddGraph(5, "Новый", 'P', "МВт", Values({7, 8}));
  EXPECT_EQ(std::tuple(plot.Series()[3].Number, plot.Series()[3].Color, plot.Series()[3].Title, plot.Series()[3].Values),
            std::tuple(5, 0x008080u, "Новый", std::vector<double>{7, 8}));

  int number = 2;
  plot.RemoveGraph(number);
  EXPECT_EQ(number, 3) << "the first remaining series takes the place";
  plot.ClearGraphs();

  // The legend of two graphs.
  plot.AddGraph(5, "Фидер", 'P', "кВт", Values({1}));
  plot.AddGraph(17, "ТП-2", 'Q', "кВАр", Values({2}));
  // Entries as wide as the widest text (the first) + two boxes + margin; two fit on a line of 2 * entry + margins.
  const int entry = CharWidth(TGraphPlot::LegendText(plot.Series()[0])) + 2 * kLegendBox + kPlotMargin;
  EXPECT_EQ(plot.Layout(10, 20, 2 * entry + 2 * kPlotMargin, 400, 12, CharWidth).LegendWidth, entry);
  EXPECT_EQ(std::tuple(plot.Series()[0].LegendX, plot.Series()[1].LegendX, plot.Series()[1].LegendY),
            std::tuple(13, 13 + entry, 23));
  plot.Layout(10, 20, 2 * entry + 2 * kPlotMargin - 1, 400, 12, CharWidth);
  EXPECT_EQ(std::pair(plot.Series()[1].LegendX, plot.Series()[1].LegendY), std::pair(13, 35)) << "one entry per line";
  EXPECT_EQ(plot.LegendHit(13 + kLegendBox + 2, 36, true, 12, entry), nullptr) << "beside the colour box";
  EXPECT_EQ(plot.LegendHit(13 + kLegendBox + 2, 36, false, 12, entry), &plot.Series()[1]);
}

class GraphBoxTest : public CatwinTest {};

TEST_F(GraphBoxTest, PaintsAxesSeriesAndLegendAndAnswersClicks) {
  gui::TGraphBox box;
  box.resize(500, 300);
  box.Settings.FixedX = false;
  box.SetTimeValues(Hours());
  std::vector<double> v(24);
  for (int i = 0; i < 24; ++i) v[static_cast<std::size_t>(i)] = i % 5;
  box.Joint = true;
  box.AddGraph(3, "Утро", 'P', "кВт", Values(v));
  box.AddGraph(4, "Вечер", 'P', "кВт", Values({4, 4, 4}));
  QImage image(500, 300, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    box.DrawTo(painter, 0, 0, 500, 300);
  }
  const TGraphLayout& g = box.LastLayout();
  ASSERT_TRUE(g.Valid);
  EXPECT_EQ(image.pixel(g.Left, (g.Top + g.Bottom) / 2), qRgb(0, 0, 0)) << "the value axis";
  const auto& s = box.Series();
  EXPECT_EQ(image.pixel(s[1].LegendX + 5, s[1].LegendY + box.TextHeight() / 2), gui::ToQColor(s[1].Color).rgb());
  // A right click on a legend entry offers to remove the graph.
  QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(s[1].LegendX + 20, s[1].LegendY + 3));
  EXPECT_EQ(box.MenuSeries(), 4);
  box.PopupMenu()->hide();
  box.PopupMenu()->actions()[1]->trigger();
  ASSERT_EQ(box.Series().size(), 1u);

  // A left click on the colour box runs the colour dialog; a single plot's colour becomes GraphColor.
  box.Joint = false;
  box.AddGraph(3, "Утро", 'P', "кВт", Values(v));
  {
    QPainter painter(&image);
    box.DrawTo(painter, 0, 0, 500, 300);
  }
  script_.Then([](QDialog& d) {
    static_cast<QColorDialog&>(d).setCurrentColor(QColor(0, 128, 0));
    d.setResult(QDialog::Accepted);
  });
  QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.Series()[0].LegendX + 2, box.Series()[0].LegendY + 3));
  EXPECT_EQ(std::pair(box.Series()[0].Color, box.Settings.GraphColor), std::pair(0x008000u, 0x008000u));

  // A damaged value paints its message over a clean background, never a plot.
  v[5] = std::numeric_limits<double>::infinity();
  box.AddGraph(3, "Утро", 'P', "кВт", Values(v));
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    box.DrawTo(painter, 0, 0, 500, 300);
  }
  EXPECT_EQ(box.LastLayout().Fault, "График № 3, точка 6: значение равно плюс бесконечности");
  EXPECT_EQ(image.pixel(1, 1), gui::ToQColor(box.Settings.BackColor).rgb());
  int red = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 500; ++x) red += qRed(image.pixel(x, y)) > 128 && qGreen(image.pixel(x, y)) < 128;
  EXPECT_GT(red, 0) << "the message is written";
}

}  // namespace
}  // namespace ld::test
