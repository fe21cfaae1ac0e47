#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/diagram/draw_elems.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/recording_canvas.h"

namespace ld::diagram {
namespace {

using test::Prim;
using test::PrimKind;
using test::RecordingCanvas;

char Letter(const char* utf8) { return Utf8ToCp1251(utf8)[0]; }

// The district scheme in a control with the default settings, its metrics from a 13-pixel font.
struct District {
  test::UnomClasses classes{{0.4, 10, 35}};
  TSchemBoxState box;
  RecordingCanvas canvas;

  District() {
    test::LoadDefaultViewConfig(box);
    test::DistrictScheme().Load(box);
    box.ComputeMetrics(canvas.Font);
  }
  int Row(const std::string& name) const {
    for (int row = 1; row <= box.NodeTable->RowCount; ++row)
      if (box.NodeCols.Name->GetItem(row) == name) return row;
    ADD_FAILURE() << name;
    return 0;
  }
  TElemPainter Painter(bool colour = true, bool printing = false) {
    return TElemPainter(box, &canvas, colour, printing, nullptr);
  }
};

TEST(DrawElements, NodeColoursByMode) {
  District d;
  TSchemBoxState& b = d.box;
  SElem node;
  const int ps1 = d.Row("ПС-1.1"), tp1 = d.Row("ТП-1"), tp2 = d.Row("ТП-2"), tp3 = d.Row("ТП-3");
  TElemPainter p = d.Painter();


  // Voltage classes: ПС-1.1 at 10.5 kV takes its nearest class; a line at 10 kV its class's colour
  // and width.
  b.tColors = 1;
  b.vUn = {0.4f, 10.f, 35.f};
  b.cUn = {0x111111, 0x222222, 0x333333};
  b.wLn = {1, 2, 3};
  EXPECT_EQ(p.NodeFillColor(node, ps1), 0x222222);
  SElem line;
  line.BranchRow = 4;
  (*b.BranchCols.Ul)[4] = 10.f;
  std::int32_t color = 0;
  int width = 0;
  p.LineColorWidth(line, color, width);
  EXPECT_EQ(color, 0x222222);
  EXPECT_EQ(width, 2);


  // Districts by their numbers, whatever the order of their rows.
  b.tColors = 3;
  b.AreaNumbers = {"2", "1"};
  b.AreaColors = {0x0000AA, 0x00BB00};
  EXPECT_EQ(p.NodeFillColor(node, tp1), 0x00BB00);  // district 1
  EXPECT_EQ(p.NodeFillColor(node, tp3), 0x0000AA);  // district 2

  // Without supply above every mode; monochrome boxes white.
  b.NoSupplyNodes.assign(static_cast<std::size_t>(b.NodeTable->RowCount), 0);
  b.NoSupplyNodes[static_cast<std::size_t>(tp2 - 1)] = 1;
  EXPECT_EQ(p.NodeFillColor(node, tp2), b.cNoSup);
  EXPECT_EQ(d.Painter(false).NodeFillColor(node, tp2), clWhite);
}

TEST(DrawElements, SwitchDevices) {
  District d;
  TSchemBoxState& b = d.box;
  RecordingCanvas& c = d.canvas;
  TElemPainter p = d.Painter();
  b.FSNR = false;

  // Without device types every end is a breaker box: red when off.
  c.Pen = {0x123456, 1};
  p.DrawSwitchDevice(50, 100, true, 0, false, true, 2);
  ASSERT_EQ(c.Prims.size(), 1u);
  EXPECT_EQ(c.Prims[0].Describe(), "Rectangle 46,100-54,108 pen 123456/1 brush ff solid");
  c.Prims.clear();

  b.FRealCommut = true;
  p.DrawSwitchDevice(50, 100, true, 0, false, true, 0);  // a plain end of typed devices, off: the red cross bar
  ASSERT_EQ(c.Prims.size(), 2u);
  EXPECT_EQ(c.Prims[1].Describe(), "Line 45,102-55,102 pen ff/2 brush ff solid");
  EXPECT_EQ(c.Pen.Width, 1);
  c.Prims.clear();

  // Damaged: green, whatever the kind, on a printed page in the default width.
  b.tLin = 2;
  d.Painter(true, true).DrawSwitchDevice(50, 100, false, 0, true, true, 1);
  ASSERT_EQ(c.Prims.size(), 2u);
  EXPECT_EQ(c.Prims[1].Describe(), "Rectangle 44,99-57,105 pen 123456/2 brush 8000 solid");
  EXPECT_EQ(c.Pen.Width, 1);
  c.Prims.clear();

  // The normally open mark "P" beside the symbol, bold in the line colour.
  b.FSNR = true;
  p.DrawSwitchDevice(50, 100, false, 1, false, true, 1);
  const auto marks = c.FindText("P");
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0]->Points[0].Y, 100 - 2);  // 0.2 × -8
  EXPECT_EQ(c.Font.Height, -13);

  // Normally open ends from the column Normal; a reversed element swaps its ends.
  SElem e;
  e.BranchRow = 4;
  (*b.BranchCols.Normal)[4] = Letter("н");
  EXPECT_EQ(p.IsNormallyOpenEnd(e, 1), 1);
  e.Flags = efReversed;
  EXPECT_EQ(p.IsNormallyOpenEnd(e, 2), 1);
}

}  // namespace
}  // namespace ld::diagram
