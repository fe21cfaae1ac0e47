#pragma once
// A canvas for layout tests: every character is |font height| div 2 pixels wide, so every width the
// layout measures follows from the text and the font height alone.
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/base/codepage.h"
#include "core/diagram/canvas.h"

namespace ld::test {

class MeasuringCanvas : public diagram::TCanvas {
public:
  explicit MeasuringCanvas(int fontHeight = -13) { Font.Height = fontHeight; }

  int TextWidth(std::string_view text) override {
    return static_cast<int>(Utf8Length(text)) * (std::abs(Font.Height) / 2);
  }
  int TextHeight(std::string_view) override { return std::abs(Font.Height); }
};

}  // namespace ld::test
