// Branch current and flow limits at their very edge: a current or a flow equal to its limit is within
// it, the next number above is over it, whatever shortcut the check takes for branches far from theirs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/engine/regime.h"
#include "scheme_builder.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

TEST(LoadLimits, EqualIsWithinAndTheNextNumberIsOver) {
  SchemeBuilder s;
  s.Node(1, "B").Um = 10;
  s.Node(2).Um = 10;
  s.Node(3).Um = 10;
  s.Branch(2, 1, 1, 1);
  s.Branch(3, 2, 1, 1);
  TempDir dir;
  TRegime r;
  s.Read(r, dir.Path());
  ASSERT_TRUE(r.SchemeRead);
  auto* current = const_cast<TRegimeElement*>(FindNode(r, 2));
  auto* flow = const_cast<TRegimeElement*>(FindNode(r, 3));
  for (TRegimeElement* e : {current, flow}) {
    e->G = e->B = 0;
    e->K = 1;
  }
  const_cast<TRegimeElement*>(FindNode(r, 1))->U = 8;
  // |3 + j4| is 5 exactly; at 8 kV a current of 1/16 carries 0.5 MVA exactly.
  current->U = 8;
  current->I = Complex(3, 4);
  current->SIdop = 5;
  flow->U = 8;
  flow->I = 0.0625;
  flow->Sdop = 0.5f;
  const double above = std::numeric_limits<double>::infinity();
  bool overCurrent = true, overFlow = true;
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  EXPECT_FALSE(overCurrent);
  EXPECT_FALSE(overFlow);

  current->I = Complex(std::nextafter(5.0, above), 0);
  flow->I = std::nextafter(0.0625, above);
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  EXPECT_TRUE(overCurrent);
  EXPECT_TRUE(overFlow);
  EXPECT_EQ(r.OverCurrentCount + r.OverFlowCount, 2);

  // A percentage moves the edge: 200 % of the limits holds twice the current and the flow.
  current->I = Complex(6, 8);
  flow->I = 0.125;
  r.CheckLoadLimits(overCurrent, overFlow, 200, 200);
  EXPECT_FALSE(overCurrent || overFlow);
  r.CheckLoadLimits(overCurrent, overFlow, 199.99f, 199.99f);
  EXPECT_TRUE(overCurrent && overFlow);

  // A current the calculation could not give is over every limit, as it always was.
  current->I = Complex(std::numeric_limits<double>::infinity(), 0);
  flow->I = Complex(0, 0);
  r.CheckLoadLimits(overCurrent, overFlow, 0, 0);
  EXPECT_EQ(r.OverCurrentCount, 1);
  EXPECT_EQ(r.OverFlowCount, 0);
}

}  // namespace
}  // namespace ld::test
