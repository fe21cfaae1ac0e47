#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/diagram/draw.h"
#include "core/diagram/draw_elems.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/recording_canvas.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;
using test::Prim;
using test::PrimKind;
using test::RecordingCanvas;

using Drawn = test::ShownScheme;

TEST(DrawScheme, ForkAsTheControlPaintsIt) {
  Drawn f(test::ForkScheme());
  const std::int32_t cNod = f.box.cNod, cLin = f.box.cLin, cBk = f.box.cBk;
  struct Box {
    const char* name;
    int x1, y1, x2, y2;
  };
  for (const Box& b : {Box{"A", 42, 17, 56, 34}, Box{"C", 14, 113, 28, 130}}) {
    SCOPED_TRACE(b.name);
    const Prim* fill = f.One(PrimKind::FillRect, {{b.x1, b.y1}, {b.x2, b.y2}});
    ASSERT_NE(fill, nullptr);
    EXPECT_EQ(fill->Brush.Color, cNod);
    const Prim* frame =
        f.One(PrimKind::Polyline, {{b.x1, b.y1}, {b.x2, b.y1}, {b.x2, b.y2}, {b.x1, b.y2}, {b.x1, b.y1}});
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Pen.Color, cLin);
  }
  // The background over the whole client area first.
  EXPECT_EQ(f.canvas.Prims.front().Brush.Color, cBk);

  // Lines run from the lower device band up to the upper one, without their end pixel.
  EXPECT_NE(f.One(PrimKind::Line, {{49, 58}, {49, 40}}), nullptr);

  // In the commutation mode every device is registered.
  f.box.ComMode = true;
  f.Paint();
  ASSERT_EQ(f.box.ComHitElem.size(), 6u);
}

// A canvas that fails at its n-th text, as a printer may fail in the middle of a page.
class FailingCanvas : public RecordingCanvas {
public:
  explicit FailingCanvas(int failAt) : failAt_(failAt) {}
  void TextOut(int x, int y, std::string_view text) override {
    if (++count_ == failAt_) throw std::runtime_error("printer gone");
    RecordingCanvas::TextOut(x, y, text);
  }

private:
  int failAt_;
  int count_ = 0;
};

// A canvas over a surface of its own size, as an image or a printer page.
class SurfaceCanvas : public RecordingCanvas {
public:
  explicit SurfaceCanvas(TPoint size) : size_(size) {}
  TPoint SurfaceSize() const override { return size_; }

private:
  TPoint size_;
};

TEST(DrawScheme, ScreenAndPrinter) {
  DiagramScheme s = test::ForkScheme();
  test::DiagBranch& damaged = s.Branches[1];  // B - C: damaged, no device at C's end
  damaged.Commut = "П";
  damaged.MarkCom2 = "-";
  Drawn f(s, [](TSchemBoxState& b) { b.cBk = 0x102030; });
  f.box.tLin = 2;
  f.E("B")->Flags |= efSelected;
  f.Paint();
  // On screen: the background colour and a 3-pixel frame round the selected box.
  EXPECT_EQ(f.canvas.Prims.front().Brush.Color, 0x102030);
  const Prim* frame = f.One(PrimKind::Polyline, {{14, 65}, {56, 65}, {56, 82}, {14, 82}, {14, 65}});
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Pen.Width, 3);
  // The damaged end is green even without a device.
  int green = 0;
  for (const Prim& p : f.canvas.Prims) green += p.Kind == PrimKind::Rectangle && p.Brush.Color == clGreen;
  EXPECT_EQ(green, 2);

  // Printing: white, the default line width, no selection frame; the control's area is no bound.
  f.canvas.Prims.clear();
  f.box.ClientWidth = f.box.ClientHeight = 10;
  f.painter.DrawScheme(&f.canvas, true, false, true, f.box.PixXe, f.box.PixYe, 0, 0);
  f.box.ClientWidth = f.box.ClientHeight = 200;
  EXPECT_EQ(f.canvas.Prims.front().Brush.Color, clWhite);
  frame = f.One(PrimKind::Polyline, {{14, 65}, {56, 65}, {56, 82}, {14, 82}, {14, 65}});
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Pen.Width, 2);
  // The whole drawing gets the background, its margins included.
  EXPECT_GE(f.canvas.Prims.front().Points[1].X, f.M().Width + 2 * f.box.PixXe);
  EXPECT_GE(f.canvas.Prims.front().Points[1].Y, f.M().Height + 2 * f.box.PixYe);

  // A clipped page larger than the control: the clip rectangle, or the whole surface where it is
  // larger still.
  f.canvas.Prims.clear();
  f.painter.DrawScheme(&f.canvas, true, true, true, f.box.PixXe, f.box.PixYe, 300, 400);
  EXPECT_EQ(f.canvas.Prims.front().Points[1], (TPoint{300, 400}));
  SurfaceCanvas page({500, 600});
  page.Font = f.canvas.Font;
  f.painter.DrawScheme(&page, true, true, true, f.box.PixXe, f.box.PixYe, 300, 400);
  EXPECT_EQ(page.Prims.front().Points[1], (TPoint{500, 600}));
}

TEST(DrawScheme, ExpandedSubstationAndAFailingCanvas) {
  test::UnomClasses classes({0.4, 10, 35});
  Drawn f(test::DistrictScheme(), [](TSchemBoxState& b) { b.ExpandedSubst = {"ПС-2"}; });
  SElem& ps2 = *f.E("ПС-2");
  ASSERT_TRUE(ps2.SubModel);
  TSchemeModel* sub = ps2.SubModel.get();
  // The nested drawing stands inside the frame, below its caption.
  int inner = 0;
  for (PSElem e = sub->First->Next; e != nullptr; e = e->Next) {
    if (e->Has(efReference)) continue;
    ++inner;
    EXPECT_GT(e->Y, ps2.Y);
    EXPECT_LT(e->Y + e->Height, ps2.Y + ps2.Height);
  }
  // A canvas failing inside the nested drawing leaves the control as it was: with results (FlagDR
  // set for the pass), and with voltages beside the names of the whole scheme, whose wider step the
  // nested model does not take.
  for (const bool results : {true, false}) {
    SCOPED_TRACE(results ? "results" : "voltages and links");
    f.box.FlagP = results;
    f.box.FlagU = f.box.FLinks = !results;
    f.box.FSection = false;
    f.box.FPaintNod = ncmName;
    f.box.ComputeMetrics(f.canvas.Font);
    const int xe = f.box.PixXe;
    const int originX = f.box.OriginX, originY = f.box.OriginY;
    for (int failAt = 1; failAt < 200; failAt += 7) {
      FailingCanvas failing(failAt);
      bool threw = false;
      try {
        f.painter.Paint(failing);
      } catch (const std::runtime_error&) {
        threw = true;
      }
      EXPECT_EQ(f.box.CurModel, f.box.Model.get());
      EXPECT_EQ(f.box.OriginX, originX);
      EXPECT_EQ(f.box.OriginY, originY);
      EXPECT_TRUE(f.box.FIntegral);
      EXPECT_FALSE(f.box.FlagDR);
      EXPECT_EQ(f.box.PixXe, xe);
      EXPECT_EQ(failing.Font.Height, -13);
      if (!threw) break;
    }
  }
}

}  // namespace
}  // namespace ld::diagram
