#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/diagram/draw.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/recording_canvas.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;

void RandomSettings(TSchemBoxState& b, std::mt19937& rng) {
  auto flag = [&] { return rng() % 2 == 0; };
  for (bool* f : {&b.FIntegral, &b.FSection, &b.FLinks, &b.FCommut, &b.FMarkLn, &b.FNumLn, &b.FZYKtr, &b.FlagP,
                  &b.FlagQ, &b.FlagI, &b.FCos, &b.FlagDR, &b.FOneFlow, &b.FSnomTr, &b.FSnomTr2, &b.FlagU, &b.FLoadLn,
                  &b.FIdopLn, &b.FRealCommut, &b.FSNR, &b.FlagEERM, &b.FMarkTr, &b.ComMode})
    *f = flag();
  if (rng() % 3 == 0) b.FlagP = b.FlagQ = b.FlagI = b.FCos = b.FlagDR = b.FLoadLn = b.FIdopLn = false;
  b.FTypFlow = static_cast<std::uint8_t>(rng() % 3);
  b.tColors = static_cast<std::int32_t>(rng() % 5);
  if (rng() % 3 == 0) b.ExpandedSubst = {"ПС-1", "ПС-2"};
}

// On random schemes and settings the pass places the rows as the layout sized them: the lowest box
// ends within the drawing's height (to the pixel without result rows), the rows keep their order, every box is registered once, and the
// switch registry comes sorted.
TEST(DrawProperty, RowsWithinTheLaidOutHeight) {
  test::UnomClasses classes({0.4, 10, 35});
  std::mt19937 rng(20261207);
  int exact = 0;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    TSchemBoxState box;
    test::LoadDefaultViewConfig(box);
    RandomSettings(box, rng);
    const DiagramScheme s = test::RandomScheme(rng);
    s.Load(box);
    InstallLayout(box);
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    if (!box.BuildSchemeModel(nodes, lines, *box.Model)) continue;
    test::MeasuringCanvas canvas;
    LayoutScheme(box, canvas, *box.Model);
    TSchemePainter painter(box);
    box.ComputeMetrics(canvas.Font);
    painter.DrawScheme(&canvas, true, false, false, box.PixXe, box.PixYe, 0, 0);

    int lowest = 0, boxes = 0, lastTier = 0, lastY = 0;
    for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next) {
      if (e->Has(efReference)) continue;
      ++boxes;
      const int frames = e->SectionCount > 0 && !e->SubModel ? (e->SectionCount - 1) * box.PixdYsc : 0;
      lowest = std::max(lowest, e->Y + e->Height + frames);
      if (e->Tier > lastTier) {
        EXPECT_GT(e->Y, lastY);
        lastTier = e->Tier;
      }
      lastY = e->Y;
    }
    if (boxes == 0) continue;
    EXPECT_LE(lowest, box.Model->Height + box.PixYe);
    // Without result rows below the last boxes and without a band of links below them, the sums agree to the pixel: the drawing starts one
    // gap down where the layout counted the super-root's row and its gap.
    if (box.Model->TierHeight.back() > 0 && !(box.FlagP || box.FlagQ || box.FlagI || box.FCos || box.FlagDR || box.FLoadLn || box.FIdopLn || box.FSnomTr2)) {
      EXPECT_EQ(lowest, box.Model->Height - box.Model->TierHeight[0]);
      ++exact;
    }
    EXPECT_EQ(static_cast<int>(box.SubstHitElem.size()), boxes);
    EXPECT_TRUE(std::is_sorted(box.ComHitX.begin(), box.ComHitX.end()));
    EXPECT_TRUE(std::is_sorted(box.ComHitY.begin(), box.ComHitY.end()));
    EXPECT_EQ(box.CurModel, box.Model.get());
    if (HasFailure()) break;
  }
  EXPECT_GT(exact, 30);
}

}  // namespace
}  // namespace ld::diagram
