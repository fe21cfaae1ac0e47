#include <gtest/gtest.h>

#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"

namespace ld::diagram {
namespace {

class Captions : public ::testing::Test {
protected:
  void SetUp() override {
    ld::test::LoadDefaultViewConfig(box);
    TFont font;
    font.Height = -13;
    box.ComputeMetrics(font);
    canvas.Font.Height = -13;
    ld::test::DiagramScheme scheme;
    ld::test::DiagNode& n = scheme.Node(7, "ТП-1");
    n.A = "А";
    n.Nr = 3;
    scheme.Load(box);
  }

  std::string Wrap(std::string text, int& width, int offset, bool sectionMark, int& lines) {
    box.WrapCaption(text, canvas, sectionMark, lines, width, offset);
    return text;
  }

  TSchemBoxState box;
  ld::test::FixedCanvas canvas;  // 7 pixels a character at -13, 5 at -10
};

TEST_F(Captions, WrapBreaksAtBlanksAndWidensByWholeSteps) {
  int width = 60, lines = 0;
  EXPECT_EQ(Wrap("ПС Северная", width, 0, false, lines), "ПС&Северная");
  EXPECT_EQ(lines, 2);

  // "Подстанция" needs 72 pixels: the box grows beyond the offset by six steps of 14.
  width = 40;
  EXPECT_EQ(Wrap("Подстанция Южная", width, 4, false, lines), "Подстанция&Южная");
  EXPECT_EQ(width, 88);
  EXPECT_EQ(lines, 2);

  // The section mark adds the width of "1" in the small font to the first word.
  width = 30;
  EXPECT_EQ(Wrap("ПС-1", width, 0, true, lines), "ПС-1");
  EXPECT_EQ(width, 42);
  EXPECT_EQ(canvas.Font.Height, -13);

  // Without settings every metric is 0: the box grows pixel by pixel.
  TSchemBoxState bare;
  std::string text = "Подстанция Южная";
  width = 10;
  bare.WrapCaption(text, canvas, true, lines, width, 3);
  EXPECT_EQ(width, 3 + 72);
  EXPECT_EQ(text, "Подстанция&Южная");
}

// A negative class is one left out of the voltage checks: it is still a class, by its magnitude.
TEST_F(Captions, NearestClassByRelativeDeviation) {
  box.ClassVoltages = {600, 1000, 3500};
  EXPECT_EQ(box.NearestNominalVoltage(1050), 1000);
  EXPECT_EQ(box.NearestNominalVoltage(2000), 3500);  // relative deviations 1.0 and 0.43
  box.ClassVoltages = {-600, 0, 1000, 3500};
  EXPECT_EQ(box.NearestNominalVoltage(1050), 1000);
  EXPECT_EQ(box.NearestNominalVoltage(620), 600);
  // No class lies within the starting deviation: the first one, by its magnitude.
  box.ClassVoltages = {-40};
  EXPECT_EQ(box.NearestNominalVoltage(INT32_MAX), 40);
}

}  // namespace
}  // namespace ld::diagram
