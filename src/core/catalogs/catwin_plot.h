#pragma once
// The plot of load graphs without its pixels: the series on one common time axis, their colours, and
// the layout of value axis, time-label rows, legend and divisions for a rectangle. The widget that
// paints it measures texts and hands the measure in, so the whole layout is computed here.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/base/dynarray.h"

namespace ld {

using TPlotColor = std::uint32_t;  // 0x00BBGGRR, blue in the high byte

// The colours a joint plot gives its series, in the order they are handed out.
inline constexpr std::array<TPlotColor, 12> kJointPalette = {0x000080, 0x008000, 0x008080, 0x800000,
                                                             0x800080, 0x808000, 0x0000FF, 0x00FF00,
                                                             0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};

inline constexpr int kPlotMargin = 3;
inline constexpr int kLegendBox = 10;

// Time units of the label rows, from the finest.
enum TTimeUnit : int { tuSecond = 0, tuMinute, tuHour, tuDay, tuMonth, tuYear };
inline constexpr std::array<const char*, 6> kTimeUnitCaptions = {"сек", "мин", "час", "день", "мес.", "год"};

// One plotted graph.
struct TGElem {
  int Number = 0;
  int LegendX = 0, LegendY = 0;  // where the last layout put its legend entry
  std::string Title;
  char Letter = 0;  // measured quantity: P, Q, U, I, t, k
  std::string Unit;
  TPlotColor Color = 0;
  std::vector<double> Values;  // one per time point
};

struct TGraphPlotSettings {
  TPlotColor BackColor = 0xFFFFFF;
  TPlotColor FrameColor = 0x808080;
  TPlotColor GraphColor = 0xFF0000;
  int Wmin = 3;      // least point width, pixels
  int LinWidth = 3;  // line width of the series
  int Radius = 4;    // point radius
  bool FLegend = true;
  bool FixedX = false;  // one point per division
  bool FixedY = false;  // value limits Yf1..Yf2 in steps of dY, time axis at Yx
  double Yf1 = 0, Yf2 = 0, dY = 0, Yx = 0;
};

// The value axis: how many steps of which size, and where the time axis lies.
struct TValueAxis {
  bool Valid = false;  // room for at least one step
  int Top = 0, Bottom = 0;
  int Steps = 0;       // label lines above the lowest one
  int StepPixels = 0;
  int AxisRow = 0;     // pixel row of the time axis
  double Step = 0;
  double Lowest = 0;
};

// The automatic axis over the pixel rows top..bottom for values whose largest positive value is
// positive and whose largest magnitude at or below zero is negative (both >= 0). Values whose span is
// no finite number give no axis.
TValueAxis AutoValueAxis(int top, int bottom, int textHeight, double positive, double negative);
// The axis of fixed limits; invalid limits (no positive step, upper not above lower) give no axis.
TValueAxis FixedValueAxis(int top, int bottom, const TGraphPlotSettings& settings);

// A value label: cut to seven decimals and written in general format with 15 significant digits.
std::string ValueLabel(double value);

// Empty when every value of the series can be plotted; otherwise what is wrong, naming the graph and
// the point (from 1), as a value that no table column holds.
std::string PlotValuesFault(const TGElem& series);

// The finest unit that a period shows, and the coarsest that the first and last moments need.
TTimeUnit LowestTimeUnit(int period);
TTimeUnit HighestTimeUnit(double firstPacked, double lastPacked);

struct TGraphLayout {
  bool Valid = false;
  std::string Fault;  // why nothing is plotted: a damaged value of a series (Russian); empty otherwise
  int Left = 0, Right = 0, Top = 0, Bottom = 0;
  std::array<int, 6> UnitRow{};  // label row of each time unit (1 is the lowest row), 0 = not shown
  int LabelRows = 0;
  TValueAxis Axis;
  std::vector<std::string> ValueLabels;  // lowest upward, Steps + 1 of them
  int LabelWidth = 0;
  int DivWidth = 0, PointWidth = 0, Divisions = 0;
  int LegendWidth = 0;
  int UnitCaptionY = 0;  // top of the unit caption of a single graph
  // What the scroll bar takes when there are divisions.
  bool ScrollSet = false;
  int ScrollMax = 1, ScrollSmall = 1, ScrollLarge = 1;
};

using TTextWidth = std::function<int(const std::string&)>;

// The series and time axis of the plot control, with the layout that every drawing starts with.
class TGraphPlot {
public:
  TGraphPlotSettings Settings;

  void ClearGraphs() { series_.clear(); }
  // Copies the moments 1..Count of times; every series has this many points.
  void SetTimeValues(const DAdouble& times);
  // Adds a series, or in joint mode replaces the values of one of the same number (its colour and
  // place stay); a single plot keeps only the new series, in GraphColor.
  void AddGraph(int number, const std::string& title, char letter, const std::string& unit, const DAdouble& values);
  // Removes the series of that number and gives back the number of the first remaining one (0: none).
  void RemoveGraph(int& number);

  const std::vector<TGElem>& Series() const { return series_; }
  std::vector<TGElem>& Series() { return series_; }
  TGElem* FindSeries(int number);
  const std::vector<double>& TimeValues() const { return times_; }
  int PointCount() const { return static_cast<int>(times_.size()); }

  int Period = 3600;
  bool Joint = false;
  int ScrollPos = 1;  // first shown point, from 1

  // Lays the plot out in the rectangle; legend positions of the series are set on the way. A series with
  // a damaged value gives no layout but its Fault.
  TGraphLayout Layout(int x0, int y0, int width, int height, int textHeight, const TTextWidth& textWidth);

  // The legend text of a series: number, letter, unit and title.
  static std::string LegendText(const TGElem& series);
  // The series whose colour box (box) or whole legend entry holds the point; nullptr when none.
  TGElem* LegendHit(int x, int y, bool box, int textHeight, int entryWidth);

private:
  std::vector<TGElem> series_;
  std::vector<double> times_;
};

// The pixel row of a value on a valid layout's value axis, held within the plot's rows.
int PlotValueRow(const TGraphLayout& layout, const TGraphPlotSettings& settings, double value);

// The colour of a new series of a joint plot: the first palette colour that the fewest series have.
TPlotColor NextJointColor(const std::vector<TGElem>& series);

}  // namespace ld
