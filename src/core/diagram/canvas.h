#pragma once
// What the diagram needs of a drawing surface. The core measures captions through it; the front end
// implements it on the screen, a printer or a bitmap.
#include <cstdint>
#include <string>
#include <string_view>

namespace ld::diagram {

enum : std::uint8_t { fsBold = 1, fsItalic = 2 };

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

  // Drawing operations are added by the drawing pass.
};

}  // namespace ld::diagram
