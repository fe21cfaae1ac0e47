// Elements by node number: the array over a compact range of numbers and the hashed map for numbers
// spread wide must find the same elements, the root's far-off number included.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/engine/number_map.h"
#include "core/engine/regime.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

TEST(NumberIndex, CompactAndSpreadNumbersFindTheSameElements) {
  std::vector<TRegimeElement> elements(6);
  for (const bool spread : {false, true}) {
    const std::int32_t step = spread ? 100000000 : 1;
    TNumberIndex<TRegimeElement> index(-2 * step, 2 * step, 5);
    index[kRootNumber] = &elements[0];  // outside the range: kept apart
    for (int k = -2; k <= 2; ++k) index[k * step] = &elements[static_cast<std::size_t>(k + 3)];
    index[2 * step] = &elements[1];  // a later element of a number replaces the earlier
    EXPECT_EQ(index.Find(kRootNumber), &elements[0]) << spread;
    EXPECT_EQ(index.Find(-2 * step), &elements[1]) << spread;
    EXPECT_EQ(index.Find(0), &elements[3]) << spread;
    EXPECT_EQ(index.Find(2 * step), &elements[1]) << spread;
    EXPECT_EQ(index.Find(3 * step), nullptr) << spread;
    EXPECT_EQ(index.Find(-3 * step), nullptr) << spread;
    EXPECT_EQ(index.Find(step), &elements[4]) << spread;
    EXPECT_EQ(index.Find(1), spread ? nullptr : &elements[4]) << spread;
  }
}

// A ring whose node numbers lie far apart: parents, the contour and its partner as in a compact one.
TEST(NumberIndex, RingWithNumbersFarApart) {
  TempDir dir;
  for (const std::int32_t step : {1, 700000000}) {
    SchemeBuilder s;
    s.Node(step, "B").Um = 10.5f;
    s.Node(2 * step, "", 0.5, 0.2).Name = "Второй";
    s.Node(-step, "", 0.5, 0.2).Name = "Третий";
    s.Branch(2 * step, step, 1, 2);
    s.Branch(-step, step, 1, 2);
    s.Branch(2 * step, -step, 1, 2);
    TRegime r;
    s.Read(r, dir.Path());
    ASSERT_TRUE(r.SchemeRead) << step;
    ASSERT_EQ(r.ContourCount, 1) << step;
    EXPECT_EQ(r.ContourEntry1[0], FindBranch(r, 3)) << step;
    EXPECT_EQ(r.ContourEntry2[0], FindNode(r, -step)) << step;
    EXPECT_EQ(r.ContourEntry1[0]->Name, "Третий") << step;
    EXPECT_EQ(FindNode(r, 2 * step)->Parent, FindNode(r, step)) << step;
    EXPECT_EQ(FindNode(r, -step)->Parent, FindNode(r, step)) << step;
    EXPECT_EQ(FindNode(r, step)->Parent, r.Root) << step;
  }
}

}  // namespace
}  // namespace ld::test
