#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

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

// Every field the layout owns, as text.
std::vector<std::string> LayoutFields(const TSchemeModel& m) {
  std::vector<std::string> out;
  std::map<const SElem*, int> index;
  int i = 0;
  for (PSElem e = m.First; e != nullptr; e = e->Next) index[e] = i++;
  auto list = [&](const std::vector<PSElem>& v, int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += std::to_string(index[v[static_cast<std::size_t>(k)]]) + ",";
    return s;
  };
  for (PSElem e = m.First; e != nullptr; e = e->Next) {
    std::string s;
    for (int v : {e->Tier, e->TierPos, e->X1, e->X2, e->LinkX, e->LeftAttach, e->Height, e->BendX1, e->BendX2,
                  e->ChildPos, e->MarkRow, e->ZRow, e->YRow, e->KtrRow, e->GroupMark, e->Y})
      s += std::to_string(v) + " ";
    s += list(e->Children, e->ChildCount) + "|" + list(e->UpLinks, e->UpLinkCount) + "|" +
         list(e->DownLinks, e->DownLinkCount) + "|" + list(e->SideLinks, e->SideLinkCount) + "|" +
         list(e->SelfLinks, e->SelfLinkCount) + "|" + e->Caption2.value_or("-") + "|" + e->Caption3.value_or("-") +
         "|" + std::to_string(e->TransformerRows.size()) + "|" + std::to_string(e->Flags) + "|" +
         (e->SubModel ? std::to_string(e->SubModel->Width) + "x" + std::to_string(e->SubModel->Height) : "");
    out.push_back(s);
  }
  std::string lists = std::to_string(m.Width) + " " + std::to_string(m.Height) + " " + std::to_string(m.LinkLength) + ":";
  for (std::size_t t = 0; t < m.TierTracks.size(); ++t)
    lists += std::to_string(m.TierTracks[t]) + "/" + std::to_string(m.TierSections[t]) + "/" +
             std::to_string(m.TierHeight[t]) + "/" + std::to_string(m.TierLabelRows[t]) + "/" +
             std::to_string(m.TierHasTransformer[t]) + " ";
  out.push_back(lists);
  return out;
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

TEST(LayoutSchemeProperties, RandomSchemesAndSettings) {
  std::mt19937 rng(120714);
  int built = 0, nested = 0;
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const DiagramScheme scheme = test::RandomScheme(rng);
    const std::mt19937 settingsRng = rng;
    const int fontHeight = -static_cast<int>(8 + rng() % 20);
    TSchemBoxState box, twin;
    const bool twins = round % 4 == 0;
    for (TSchemBoxState* b : {&box, &twin}) {
      if (b == &twin && !twins) break;
      test::LoadDefaultViewConfig(*b);
      std::mt19937 r = settingsRng;
      RandomSettings(*b, r);
      scheme.Load(*b);
    }
    rng.discard(64);
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    if (!box.BuildSchemeModel(nodes, lines, *box.Model)) continue;
    if (twins) {
      nodes = twin.NodeSet, lines = twin.LineSet;
      ASSERT_TRUE(twin.BuildSchemeModel(nodes, lines, *twin.Model));
    }
    ++built;
    test::MeasuringCanvas canvas(fontHeight), twinCanvas(fontHeight);
    const bool flagDR = box.FlagDR;
    ASSERT_NO_THROW(LayoutScheme(box, canvas, *box.Model));
    EXPECT_EQ(box.FlagDR, flagDR);
    EXPECT_EQ(canvas.Font.Height, fontHeight);
    CheckGeometry(*box.Model, std::max(box.PixXe, 1));
    for (PSElem e = box.Model->First; e != nullptr; e = e->Next)
      if (e->SubModel) ++nested;
    if (HasFailure()) return;

    // Repeating the layout and laying out an equal model are checked on every fourth scheme.
    if (!twins) continue;
    const std::vector<std::string> first = LayoutFields(*box.Model);
    LayoutScheme(box, canvas, *box.Model);
    EXPECT_EQ(LayoutFields(*box.Model), first);
    LayoutScheme(twin, twinCanvas, *twin.Model);
    EXPECT_EQ(LayoutFields(*twin.Model), first);
    if (HasFailure()) return;
  }
  EXPECT_GT(built, 200);
  EXPECT_GT(nested, 4);
}

}  // namespace
}  // namespace ld::diagram
