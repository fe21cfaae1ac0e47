#include "core/diagram/canvas.h"

#include <cstdint>
#include <cstdlib>

namespace ld::diagram {

namespace {
// a * b / c rounded half away from zero, as the platform scales font sizes; like the platform's, -1
// when c is 0 or the result leaves the int range (a font size from a hand-edited settings file), and
// for -2^31 as well, which the callers could not negate.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long q = (std::llabs(p) + std::llabs(c) / 2) / std::llabs(c);
  const long long r = ((p < 0) != (c < 0)) ? -q : q;
  return r <= INT32_MIN || r > INT32_MAX ? -1 : static_cast<int>(r);
}
}  // namespace

int TFont::Size() const { return -MulDiv(Height, 72, PixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDiv(points, PixelsPerInch, 72); }

TCanvas::~TCanvas() = default;

void TCanvas::LineTo(int x, int y) {
  DrawLine(PenPos.X, PenPos.Y, x, y);
  PenPos = {x, y};
}

void TCanvas::Polyline(const TPoint* points, int count) {
  for (int i = 1; i < count; ++i) DrawLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
}

void TCanvas::Rectangle(int, int, int, int) {}
void TCanvas::FillRect(int, int, int, int) {}
void TCanvas::Ellipse(int, int, int, int) {}
void TCanvas::Arc(int, int, int, int, int, int, int, int) {}
void TCanvas::TextOut(int, int, std::string_view) {}
void TCanvas::DrawLine(int, int, int, int) {}
TPoint TCanvas::SurfaceSize() const { return {0, 0}; }

}  // namespace ld::diagram
