// The display formats of the number fields.
#include <gtest/gtest.h>

#include "gui/diagram/float_field.h"

namespace ld::test {
namespace {

TEST(FloatField, FixedAndGeneralTexts) {
  const struct {
    double v;
    int decimals, precision;
    const char* text;
  } cases[] = {{1500, 1, 7, "1500.0"},        {3.15, 1, 7, "3.2"},          {-3.15, 1, 7, "-3.2"},
               {0.125, 4, 7, "0.1250"},       {0.04, 1, 7, "0.0"},          {-0.04, 1, 7, "0.0"},
               {9.96, 1, 7, "10.0"},          {123456.78, 1, 7, "123456.8"}, {1234567.8, 1, 7, "1234568.0"},
               {12345678, 1, 7, "1.234568E7"},  {0.0004, 3, 7, "0.000"},      {0.0005, 3, 7, "0.001"},
               {149.5, 0, 7, "150"},          {123456789.25, 1, 15, "123456789.3"}, {0, 2, 7, "0.00"}};
  for (const auto& c : cases) EXPECT_EQ(gui::FixedText(c.v, c.decimals, c.precision).toStdString(), c.text) << c.v;
  EXPECT_EQ(gui::GeneralText(10.4).toStdString(), "10.4");
  EXPECT_EQ(gui::GeneralText(1.0 / 3).toStdString(), "0.3333333");
}

}  // namespace
}  // namespace ld::test
