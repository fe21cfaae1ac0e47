#pragma once
// A diagram control state holding a generated district scheme: the supply points paired into
// substations with two bus sections ("ПС-k.1", "ПС-k.2"), every 10 kV node a transformer station
// "ТП-n" with its 0.4 kV bus "ТП-n.0,4", so that grouping, sections, the walk, the targets and the
// captions all have work. Settings are the defaults; every node and branch is shown.
#include <cstdlib>
#include <memory>
#include <string>

#include "core/base/codepage.h"
#include "core/diagram/canvas.h"
#include "core/diagram/schem_state.h"

namespace ld::bench {

std::unique_ptr<diagram::TSchemBoxState> MakeDistrictBox(int nodeCount, const std::string& iniName);

// Measures every character as half the font height wide, as the layout tests do, so that the
// benchmarks need no fonts.
class TFixedWidthCanvas : public diagram::TCanvas {
public:
  int TextWidth(std::string_view text) override {
    return static_cast<int>(Utf8Length(text)) * (std::abs(Font.Height) / 2);
  }
  int TextHeight(std::string_view) override { return std::abs(Font.Height); }
};

}  // namespace ld::bench
