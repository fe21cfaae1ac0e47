#include "core/catalogs/catwin_plot.h"

#include <algorithm>
#include <cmath>

#include "core/base/dates.h"
#include "core/base/import_number.h"
#include "core/base/numfmt.h"

namespace ld {

TValueAxis AutoValueAxis(int top, int bottom, int textHeight, double positive, double negative) {
  TValueAxis axis;
  axis.Top = top;
  axis.Bottom = bottom;
  const int n = textHeight > 0 ? (bottom - top) / textHeight : 0;
  if (n < 1) return axis;
  const double range = positive + negative;
  // the search for the step below would never end
  if (!std::isfinite(range) || !(positive >= 0) || !(negative >= 0)) return axis;
  axis.Valid = true;
  if (range == 0) {
    axis.AxisRow = bottom;
    return axis;
  }
  // The power of ten that gives about one label per text line, then halved until the labels would
  // no longer fit, then taken back one halving.
  double p = range;
  if (n <= p) {
    while (n < p) p /= 10;
  } else {
    while (p < n) p *= 10;
    p /= 10;
  }
  double step = range / p;
  double count = std::trunc(p) + 1;
  while (count <= n) {
    count *= 2;
    step /= 2;
  }
  step *= 2;
  int k = 0;
  while (k * step < negative) ++k;
  int m = 0;
  while (m * step < positive) ++m;
  axis.Steps = m + k;
  axis.StepPixels = (bottom - top) / axis.Steps;
  axis.AxisRow = bottom - k * axis.StepPixels;
  axis.Top = bottom - axis.Steps * axis.StepPixels;
  axis.Step = step;
  axis.Lowest = -k * step;
  return axis;
}

TValueAxis FixedValueAxis(int top, int bottom, const TGraphPlotSettings& s) {
  TValueAxis axis;
  axis.Top = top;
  axis.Bottom = bottom;
  if (!(s.dY > 0) || !(s.Yf2 > s.Yf1)) return axis;
  // Settings far outside what a plot can show give no fixed axis rather than an overflow.
  const double ratio = (s.Yf2 - s.Yf1) / s.dY;
  if (!(ratio <= bottom - top + 1.0)) return axis;
  const auto steps = Round(ratio);
  if (steps < 1 || steps > bottom - top) return axis;
  const int stepPixels = (bottom - top) / static_cast<int>(steps);
  // A zero line far above or below the plot is drawn off the picture all the same.
  const double row = (s.Yx - s.Yf1) * stepPixels / s.dY;
  if (std::isnan(row)) return axis;
  axis.Steps = static_cast<int>(steps);
  axis.StepPixels = stepPixels;
  axis.AxisRow = bottom - static_cast<int>(Round(std::clamp(row, -1e7, 1e7)));
  axis.Top = bottom - axis.Steps * axis.StepPixels;
  axis.Step = s.dY;
  axis.Lowest = s.Yf1;
  axis.Valid = true;
  return axis;
}

std::string ValueLabel(double value) {
  const double whole = std::trunc(value);
  const double cut = whole + std::round((value - whole) * 1e7) / 1e7;
  return FloatToStrGeneral(cut, 15);
}

std::string PlotValuesFault(const TGElem& series) {
  for (std::size_t i = 0; i < series.Values.size(); ++i)
    if (const std::string fault = ImportNumberFault(series.Values[i]); !fault.empty())
      return "График № " + IntToStr(series.Number) + ", точка " + std::to_string(i + 1) + ": " + fault;
  return {};
}

int PlotValueRow(const TGraphLayout& g, const TGraphPlotSettings& s, double value) {
  const TValueAxis& axis = g.Axis;
  if (axis.Step == 0) return axis.AxisRow;
  double row = axis.AxisRow - std::round(value * axis.StepPixels / axis.Step);
  if (s.FixedY) row += std::round(axis.StepPixels * s.Yx / s.dY);
  if (std::isnan(row)) return axis.AxisRow;
  return static_cast<int>(std::clamp(row, static_cast<double>(g.Top), static_cast<double>(g.Bottom)));
}

TTimeUnit LowestTimeUnit(int period) {
  if (period >= 86400) return tuDay;
  if (period >= 3600) return tuHour;
  if (period >= 60) return tuMinute;
  return tuSecond;
}

TTimeUnit HighestTimeUnit(double firstPacked, double lastPacked) {
  const auto a = static_cast<long long>(std::trunc(firstPacked));
  const auto b = static_cast<long long>(std::trunc(lastPacked));
  if (a == b) return tuHour;
  if (a / 100 == b / 100) return tuDay;
  if (a / 10000 == b / 10000) return tuMonth;
  return tuYear;
}

TPlotColor NextJointColor(const std::vector<TGElem>& series) {
  TPlotColor best = kJointPalette[0];
  long bestUses = -1;
  for (const TPlotColor color : kJointPalette) {
    const long uses = std::count_if(series.begin(), series.end(), [&](const TGElem& s) { return s.Color == color; });
    if (bestUses < 0 || uses < bestUses) {
      best = color;
      bestUses = uses;
    }
  }
  return best;
}

void TGraphPlot::SetTimeValues(const DAdouble& times) {
  times_.assign(static_cast<std::size_t>(std::max(0, times.Count)), 0.0);
  for (int i = 1; i <= times.Count; ++i) times_[static_cast<std::size_t>(i - 1)] = times.Get(i);
}

void TGraphPlot::AddGraph(int number, const std::string& title, char letter, const std::string& unit,
                          const DAdouble& values) {
  TGElem added;
  added.Number = number;
  added.Title = title;
  added.Letter = letter;
  added.Unit = unit;
  for (int i = 1; i <= values.Count; ++i) added.Values.push_back(values.Get(i));
  if (!Joint || series_.empty()) {
    added.Color = Settings.GraphColor;
    series_.clear();
    series_.push_back(std::move(added));
    return;
  }
  if (TGElem* same = FindSeries(number)) {
    added.Color = same->Color;
    added.LegendX = same->LegendX;
    added.LegendY = same->LegendY;
    *same = std::move(added);
    return;
  }
  added.Color = NextJointColor(series_);
  series_.push_back(std::move(added));
}

void TGraphPlot::RemoveGraph(int& number) {
  const int n = number;
  std::erase_if(series_, [n](const TGElem& s) { return s.Number == n; });
  number = series_.empty() ? 0 : series_.front().Number;
}

TGElem* TGraphPlot::FindSeries(int number) {
  for (TGElem& s : series_)
    if (s.Number == number) return &s;
  return nullptr;
}

std::string TGraphPlot::LegendText(const TGElem& s) {
  std::string text = IntToStr(s.Number) + ", ";
  if (s.Letter != 0) text += s.Letter;
  return text + " (" + s.Unit + ") " + s.Title;
}

TGElem* TGraphPlot::LegendHit(int x, int y, bool box, int textHeight, int entryWidth) {
  for (TGElem& s : series_) {
    const int width = box ? kLegendBox : entryWidth;
    if (x >= s.LegendX && x < s.LegendX + width && y >= s.LegendY && y < s.LegendY + textHeight) return &s;
  }
  return nullptr;
}

TGraphLayout TGraphPlot::Layout(int x0, int y0, int width, int height, int th, const TTextWidth& textWidth) {
  TGraphLayout g;
  const int count = PointCount();

  // Label rows below the plot: the coarsest unit in the lowest row, the finest next to the plot.
  if (count > 0) {
    const TTimeUnit lowest = LowestTimeUnit(Period);
    const TTimeUnit highest = HighestTimeUnit(times_.front(), times_.back());
    int row = 0;
    for (int u = highest; u >= lowest; --u) g.UnitRow[static_cast<std::size_t>(u)] = ++row;
    g.LabelRows = row;
  }
  g.Bottom = y0 + height - g.LabelRows * th - th / 2 - kPlotMargin;

  // Legend entries left to right, line by line.
  int y = y0 + kPlotMargin;
  if (Settings.FLegend && !series_.empty()) {
    int widest = 0;
    for (const TGElem& s : series_) widest = std::max(widest, textWidth(LegendText(s)));
    g.LegendWidth = widest + 2 * kLegendBox + kPlotMargin;
    const int perLine = std::max(1, (width - 2 * kPlotMargin) / g.LegendWidth);
    int column = 0;
    for (TGElem& s : series_) {
      if (column == perLine) {
        column = 0;
        y += th;
      }
      s.LegendX = x0 + kPlotMargin + column * g.LegendWidth;
      s.LegendY = y;
      ++column;
    }
    y += 2 * th;
  }
  if (!Joint) {
    g.UnitCaptionY = y;
    y += th;
  }

  // A damaged value would send the axis and the rows of the points anywhere.
  for (const TGElem& s : series_)
    if (g.Fault = PlotValuesFault(s); !g.Fault.empty()) return g;

  const int top = y + th / 2;
  if (Settings.FixedY) g.Axis = FixedValueAxis(top, g.Bottom, Settings);
  if (!g.Axis.Valid) {
    double positive = 0, negative = 0;
    for (const TGElem& s : series_)
      for (const double v : s.Values) {
        if (v > 0) positive = std::max(positive, v);
        else negative = std::max(negative, -v);
      }
    g.Axis = AutoValueAxis(top, g.Bottom, th, positive, negative);
    if (Settings.FixedY) g.Axis.Valid = false;  // limits that make no axis draw nothing
  }
  if (!g.Axis.Valid) return g;
  g.Top = g.Axis.Top;

  for (int i = 0; i <= g.Axis.Steps; ++i) {
    g.ValueLabels.push_back(ValueLabel(g.Axis.Lowest + i * g.Axis.Step));
    g.LabelWidth = std::max(g.LabelWidth, textWidth(g.ValueLabels.back()));
  }
  for (int u = 0; u < 6; ++u)
    if (g.UnitRow[static_cast<std::size_t>(u)] != 0)
      g.LabelWidth = std::max(g.LabelWidth, textWidth(kTimeUnitCaptions[static_cast<std::size_t>(u)]));

  g.Left = x0 + textWidth("00") + g.LabelWidth + 2 * kPlotMargin;
  g.Right = x0 + width - kPlotMargin - textWidth("00");

  g.DivWidth = std::max(1, textWidth("000"));
  if (!Settings.FixedX && count > 0) {
    g.PointWidth = std::max(Settings.Wmin, (g.Right - g.Left) / count);
    g.PointWidth = std::max(1, g.PointWidth);
    while (g.DivWidth % g.PointWidth != 0) ++g.DivWidth;
  } else {
    g.PointWidth = g.DivWidth;
  }
  g.Divisions = (g.Right - g.Left) / g.DivWidth;
  if (g.Divisions > 0) {
    g.Right = g.Left + g.Divisions * g.DivWidth;
    const int q = g.DivWidth / g.PointWidth;
    g.ScrollSet = true;
    g.ScrollMax = std::max(1, count - g.Divisions * q);
    g.ScrollSmall = q;
    g.ScrollLarge = (g.Divisions + 1) * q;
  }
  g.Valid = true;
  return g;
}

}  // namespace ld
