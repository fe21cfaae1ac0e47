#pragma once
// A canvas that lists what is drawn on it, primitive by primitive with its coordinates, pen, brush and
// font, and measures text as the layout tests do (|font height| div 2 pixels per character).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/diagram/canvas.h"
#include "support/measuring_canvas.h"

namespace ld::test {

enum class PrimKind { Line, Polyline, Rectangle, FillRect, Ellipse, Arc, Text };

struct Prim {
  PrimKind Kind = PrimKind::Line;
  std::vector<diagram::TPoint> Points;  // line: from, to; rectangle, ellipse: corners; arc: 4 points
  diagram::TPen Pen;
  diagram::TBrush Brush;
  std::string Text;
  diagram::TTextAlign Align = diagram::taLeft;
  int FontHeight = 0;
  std::uint8_t FontStyle = 0;
  std::int32_t FontColor = 0;

  // "Line 49,58-49,40 pen 0/1" and the like, for failure messages.
  std::string Describe() const;
};

class RecordingCanvas : public MeasuringCanvas {
public:
  explicit RecordingCanvas(int fontHeight = -13) : MeasuringCanvas(fontHeight) {}

  void Polyline(const diagram::TPoint* points, int count) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void FillRect(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void TextOut(int x, int y, std::string_view text) override;

  std::vector<Prim> Prims;

  // The primitives of a kind whose points are exactly these.
  std::vector<const Prim*> Find(PrimKind kind, std::vector<diagram::TPoint> points) const;
  const Prim* FindOne(PrimKind kind, std::vector<diagram::TPoint> points) const;
  // Texts drawn with this text, in drawing order.
  std::vector<const Prim*> FindText(std::string_view text) const;
  // The whole list, one primitive a line.
  std::string Dump() const;

protected:
  void DrawLine(int x1, int y1, int x2, int y2) override;

private:
  Prim& Add(PrimKind kind, std::vector<diagram::TPoint> points);
};

}  // namespace ld::test
