#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/diagram/draw.h"
#include "core/diagram/layout.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/measuring_canvas.h"

namespace ld::diagram {
namespace {

using test::DiagramScheme;

void RandomSettings(TSchemBoxState& box, std::mt19937& rng) {
  auto flag = [&](int oneIn) { return rng() % static_cast<unsigned>(oneIn) == 0; };
  bool* const flags[] = {&box.FOrdNames, &box.FOrdLayer, &box.FOptimLen, &box.FShiftLR, &box.FIntegral, &box.FSection,
                         &box.FLinks,    &box.FSnomTr2,  &box.FCommut,   &box.FMarkLn,  &box.FNumLn,     &box.FZYKtr,
                         &box.FlagP,     &box.FlagI,     &box.FlagDR,    &box.FOneFlow, &box.FSnomTr,    &box.FAddPrim,
                         &box.FMarkTr,   &box.FAbon,     &box.FRayon,    &box.FLoadLn,  &box.FCos,       &box.FresPQ};
  for (bool* f : flags) *f = flag(2);
  box.FTypFlow = static_cast<std::uint8_t>(rng() % 3);
  box.FPaintNod = flag(4) ? static_cast<std::uint8_t>(rng() % 3) : std::uint8_t{ncmName};
  if (flag(3)) box.ExpandedSubst = {"ПС-1", "ПС-2"};
  if (flag(20)) box.KXe = 0;  // a zero step must not stop the layout
}

void CheckGeometry(const TSchemeModel& m, int xe) {
  std::map<int, std::vector<const SElem*>> tiers;
  for (PSElem e = m.First; e != nullptr; e = e->Next) {
    if (e->Has(efReference)) continue;
    if (e->SubModel) CheckGeometry(*e->SubModel, 1);  // laid out with its own step
    tiers[e->Tier].push_back(e);
    // The super-root is never drawn.
    if (e != m.First) {
      EXPECT_GE(m.Width, e->X2 + xe) << "tier " << e->Tier << " pos " << e->TierPos << " " << e->Caption2.value_or("-");
    }
    EXPECT_LE(e->X1, e->X2);
    for (int k = 0; k < e->ChildCount; ++k) {
      const SElem& c = *e->Children[static_cast<std::size_t>(k)];
      EXPECT_GE(c.LinkX, e->X1) << *c.Caption2;
      EXPECT_LE(c.LinkX, e->X2) << *c.Caption2;
    }
  }
  for (auto& [tier, boxes] : tiers) {
    std::stable_sort(boxes.begin(), boxes.end(), [](const SElem* a, const SElem* b) { return a->TierPos < b->TierPos; });
    for (std::size_t k = 0; k < boxes.size(); ++k) {
      EXPECT_EQ(boxes[k]->TierPos, static_cast<int>(k) + 1);
      if (k > 0) {
        EXPECT_LE(boxes[k - 1]->X2, boxes[k]->X1) << "tier " << tier;
      }
    }
  }
}

// On random schemes and settings the layout keeps its tiers in order without overlap, every line
// within its parent's box and the drawing wider than every box; the drawing pass then draws them all.
TEST(LayoutSchemeProperties, RandomSchemesAndSettings) {
  std::mt19937 rng(120714);
  int built = 0, nested = 0;
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const DiagramScheme scheme = test::RandomScheme(rng);
    const int fontHeight = -static_cast<int>(8 + rng() % 20);
    TSchemBoxState box;
    test::LoadDefaultViewConfig(box);
    RandomSettings(box, rng);
    scheme.Load(box);
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    if (!box.BuildSchemeModel(nodes, lines, *box.Model)) continue;
    ++built;
    test::MeasuringCanvas canvas(fontHeight);
    const bool flagDR = box.FlagDR;
    ASSERT_NO_THROW(LayoutScheme(box, canvas, *box.Model));
    EXPECT_EQ(box.FlagDR, flagDR);
    EXPECT_EQ(canvas.Font.Height, fontHeight);
    CheckGeometry(*box.Model, std::max(box.PixXe, 1));
    int boxes = 0;
    for (PSElem e = box.Model->First->Next; e != nullptr; e = e->Next) {
      nested += e->SubModel != nullptr;
      boxes += !e->Has(efReference);
    }
    // The drawing pass over the laid-out model registers every box once, the switches sorted.
    box.ComMode = round % 2 == 0;
    box.ComputeMetrics(canvas.Font);
    ASSERT_NO_THROW(TSchemePainter(box).DrawScheme(&canvas, true, false, false, box.PixXe, box.PixYe, 0, 0));
    EXPECT_EQ(static_cast<int>(box.SubstHitElem.size()), boxes);
    EXPECT_TRUE(std::is_sorted(box.ComHitX.begin(), box.ComHitX.end()));
    if (HasFailure()) return;
  }
  EXPECT_GT(built, 200);
  EXPECT_GT(nested, 4);
}

}  // namespace
}  // namespace ld::diagram
