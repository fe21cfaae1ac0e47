#pragma once
// What the diagram needs of a drawing surface. The core measures captions through it; the front end
// implements it on the screen, a printer or a bitmap.
#include <cstdint>
#include <string>
#include <string_view>

namespace ld::diagram {

enum : std::uint8_t { fsBold = 1, fsItalic = 2 };

// A clear brush leaves the background of text and figures as it is.
enum TBrushStyle : std::uint8_t { bsSolid = 0, bsClear = 1 };
// Where the x of TextOut stands: the text's left end, its centre or its right end; y is its top.
enum TTextAlign : std::uint8_t { taLeft = 0, taCenter = 1, taRight = 2 };

struct TPen {
  std::int32_t Color = 0;  // 0x00BBGGRR
  int Width = 1;           // pixels; 0 draws as 1
};

struct TBrush {
  std::int32_t Color = 0xFFFFFF;
  TBrushStyle Style = bsSolid;
};

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TFont {
  std::string Name = "Tahoma";
  // Pixels: a negative height is the character height (em size), a positive one the cell height.
  int Height = -13;
  std::uint8_t Style = 0;  // fsBold | fsItalic
  std::int32_t Color = 0;  // 0x00BBGGRR
  int Charset = 204;
  int PixelsPerInch = 96;

  // Size in points from Height and PixelsPerInch, and back (rounded as the platform's MulDiv).
  int Size() const;
  void SetSize(int points);
};

class TCanvas {
public:
  virtual ~TCanvas();

  // The current font; measuring and drawing use it as it is at the call.
  TFont Font;

  // Width in pixels of the text in the current font.
  virtual int TextWidth(std::string_view text) = 0;
  // Height in pixels of the text's line in the current font.
  virtual int TextHeight(std::string_view text) = 0;

  // ---- drawing, with the rules of the platform's screen and printer canvases. A surface that only
  // measures (the layout's) draws nothing.
  TPen Pen;
  TBrush Brush;
  TTextAlign TextAlign = taLeft;
  TPoint PenPos;

  void MoveTo(int x, int y) { PenPos = {x, y}; }
  // A line from the pen position in the pen, without its end pixel; the pen moves to (x, y).
  void LineTo(int x, int y);
  // Lines through the points, each without its end pixel; the pen position stays.
  virtual void Polyline(const TPoint* points, int count);
  // Outlined in the pen and filled with the brush; the right and bottom edges x2, y2 are outside.
  virtual void Rectangle(int x1, int y1, int x2, int y2);
  // Filled with the brush (whatever its style), no outline; x2, y2 outside.
  virtual void FillRect(int x1, int y1, int x2, int y2);
  // The ellipse inscribed in the rectangle, outlined and filled as Rectangle.
  virtual void Ellipse(int x1, int y1, int x2, int y2);
  // Part of the ellipse inscribed in (x1, y1)-(x2, y2), counter-clockwise from the ray towards
  // (x3, y3) to the ray towards (x4, y4).
  virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Text in the font at TextAlign; on the brush colour when the brush is solid, else transparent.
  virtual void TextOut(int x, int y, std::string_view text);
  // The size of the surface in pixels (an image, a page); 0, 0 when it has no size of its own.
  virtual TPoint SurfaceSize() const;

protected:
  // One line without its end pixel.
  virtual void DrawLine(int x1, int y1, int x2, int y2);
};

}  // namespace ld::diagram
