#include "gui/grid/tcolor.h"

#include "core/tables/layout.h"

namespace ld::gui {

TColor PaletteTColor(int index) {
  const TPaletteColor& c = ColorPalette[static_cast<std::size_t>(index & 15)];
  return static_cast<TColor>(c.R) | static_cast<TColor>(c.G) << 8 | static_cast<TColor>(c.B) << 16;
}

}  // namespace ld::gui
