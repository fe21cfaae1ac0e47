#include "support/recording_canvas.h"

#include <sstream>
#include <utility>

namespace ld::test {

using diagram::TPoint;

std::string Prim::Describe() const {
  static const char* const names[] = {"Line", "Polyline", "Rectangle", "FillRect", "Ellipse", "Arc", "Text"};
  std::ostringstream s;
  s << names[static_cast<int>(Kind)];
  for (std::size_t i = 0; i < Points.size(); ++i) s << (i == 0 ? " " : "-") << Points[i].X << "," << Points[i].Y;
  s << std::hex << " pen " << Pen.Color << std::dec << "/" << Pen.Width << std::hex << " brush " << Brush.Color
    << std::dec << (Brush.Style == diagram::bsClear ? " clear" : " solid");
  if (Kind == PrimKind::Text)
    s << " \"" << Text << "\" h" << FontHeight << " align " << static_cast<int>(Align) << " style "
      << static_cast<int>(FontStyle);
  return s.str();
}

Prim& RecordingCanvas::Add(PrimKind kind, std::vector<TPoint> points) {
  Prim& p = Prims.emplace_back();
  p.Kind = kind;
  p.Points = std::move(points);
  p.Pen = Pen;
  p.Brush = Brush;
  p.FontHeight = Font.Height;
  p.FontStyle = Font.Style;
  p.FontColor = Font.Color;
  p.Align = TextAlign;
  return p;
}

void RecordingCanvas::DrawLine(int x1, int y1, int x2, int y2) { Add(PrimKind::Line, {{x1, y1}, {x2, y2}}); }

void RecordingCanvas::Polyline(const TPoint* points, int count) {
  Add(PrimKind::Polyline, std::vector<TPoint>(points, points + count));
}

void RecordingCanvas::Rectangle(int x1, int y1, int x2, int y2) { Add(PrimKind::Rectangle, {{x1, y1}, {x2, y2}}); }

void RecordingCanvas::FillRect(int x1, int y1, int x2, int y2) { Add(PrimKind::FillRect, {{x1, y1}, {x2, y2}}); }

void RecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) { Add(PrimKind::Ellipse, {{x1, y1}, {x2, y2}}); }

void RecordingCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Add(PrimKind::Arc, {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}});
}

void RecordingCanvas::TextOut(int x, int y, std::string_view text) { Add(PrimKind::Text, {{x, y}}).Text = text; }

std::vector<const Prim*> RecordingCanvas::Find(PrimKind kind, std::vector<TPoint> points) const {
  std::vector<const Prim*> found;
  for (const Prim& p : Prims)
    if (p.Kind == kind && p.Points == points) found.push_back(&p);
  return found;
}

const Prim* RecordingCanvas::FindOne(PrimKind kind, std::vector<TPoint> points) const {
  const auto found = Find(kind, std::move(points));
  return found.empty() ? nullptr : found.front();
}

std::vector<const Prim*> RecordingCanvas::FindText(std::string_view text) const {
  std::vector<const Prim*> found;
  for (const Prim& p : Prims)
    if (p.Kind == PrimKind::Text && p.Text == text) found.push_back(&p);
  return found;
}

std::string RecordingCanvas::Dump() const {
  std::string out;
  for (const Prim& p : Prims) out += p.Describe() + "\n";
  return out;
}

}  // namespace ld::test
