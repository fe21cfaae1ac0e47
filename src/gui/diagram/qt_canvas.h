#pragma once
// The diagram's canvas over a QPainter: the control's widget, a QImage or a QPrinter page. Lines
// leave out their end pixel and rectangles their right and bottom edges, as the diagram expects of
// any canvas; colours are 0x00BBGGRR values.
#include <QFont>
#include <QPainter>
#include <string_view>

#include "core/diagram/canvas.h"

namespace ld::gui {

class TQtCanvas : public diagram::TCanvas {
public:
  // The painter must be active; its device's resolution becomes the font's pixels per inch.
  explicit TQtCanvas(QPainter& painter);

  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;
  void Polyline(const diagram::TPoint* points, int count) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  void FillRect(int x1, int y1, int x2, int y2) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void TextOut(int x, int y, std::string_view text) override;
  diagram::TPoint SurfaceSize() const override;

  // The QFont of a canvas font: a negative height is the character height, a positive one the cell.
  static QFont ToQFont(const diagram::TFont& font);

protected:
  void DrawLine(int x1, int y1, int x2, int y2) override;

private:
  void UsePen();
  void UseBrush();

  QPainter& painter_;
};

}  // namespace ld::gui
