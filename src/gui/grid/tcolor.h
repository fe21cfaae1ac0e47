#pragma once
// Colours as the table layouts and the grid's settings give them: TColor values 0x00BBGGRR, and the
// 16-colour palette that the colour bytes of layouts and row marks index.
#include <QColor>
#include <cstdint>

namespace ld::gui {

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clBlue = 0xFF0000;
// The window colours of the desktop theme as the grid uses them.
inline constexpr TColor clWindow = 0xFFFFFF;
inline constexpr TColor clWindowText = 0x000000;
inline constexpr TColor clBtnFace = 0xF0F0F0;

inline QColor ToQColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline TColor FromQColor(const QColor& c) {
  return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 | static_cast<TColor>(c.blue()) << 16;
}

// The palette colour of an index 0..15 (the index is taken modulo 16).
TColor PaletteTColor(int index);
inline QColor PaletteQColor(int index) { return ToQColor(PaletteTColor(index)); }

// The colour byte of a font and a background palette index (FontColorIndex and BackColorIndex of the
// table layer take it apart).
inline std::uint8_t ColorByte(int fontIndex, int backIndex) {
  return static_cast<std::uint8_t>((15 - backIndex) * 16 + fontIndex);
}

}  // namespace ld::gui
