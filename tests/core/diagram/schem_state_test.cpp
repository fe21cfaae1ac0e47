#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"

namespace ld::diagram {
namespace {

std::vector<int> Of(const TSchemBoxState& s) {
  return {s.PixYe,   s.PixXe,   s.PixXv,   s.PixdY,     s.PixdYsc,    s.PixdXsc,  s.PixYcom,    s.PixXcom,
          s.PixYzam, s.PixYlnk, s.PixYmrk, s.PixHalfYe, s.PixFlowRow, s.PixHalfH, s.PixQuarterH};
}

TEST(SchemBoxState, MetricsFollowTheFontHeightAndTheFlags) {
  TSchemBoxState s;

  test::LoadDefaultViewConfig(s);
  TFont font;
  font.Height = -13;
  s.ComputeMetrics(font);
  EXPECT_EQ(Of(s), (std::vector<int>{17, 14, 7, 14, 10, 4, 7, 7, 10, 9, 10, 8, 8, 7, 3}));

  // Flows widen the step to Round(31.5), halves to even; the flow row follows the rows shown; voltages
  // widen the box only in the integral view by name without sections.
  const struct {
    std::function<void(TSchemBoxState&)> set;
    int xe, flowRow;  // xe 0: the step is not looked at
  } steps[] = {{[](TSchemBoxState& b) { b.FlagP = true; }, 32, 8},
               {[](TSchemBoxState& b) { b.FlagP = false, b.FIdopLn = b.FLoadLn = true; }, 0, 20},
               {[](TSchemBoxState& b) { b.FIdopLn = b.FLoadLn = false, b.FTypFlow = 0, b.FlagU = true; }, 14, 8}};
  for (const auto& step : steps) {
    step.set(s);
    s.ComputeMetrics(font);
    EXPECT_EQ((std::vector<int>{step.xe == 0 ? 0 : s.PixXe, s.PixFlowRow, s.PixdYsc}),
              (std::vector<int>{step.xe, step.flowRow, 10}));
  }

  // An odd height serves PixYe alone; everything else uses the next even height.
  s.FlagU = false;
  s.FSection = true;
  font.Height = 15;
  s.ComputeMetrics(font);
  EXPECT_EQ(s.PixYe, 19);  // 15 × 1.3 in single precision lies below 19.5

  // Coefficients come from a file a person edits: whatever they and the font hold, a metric stays
  // within 0..100000 pixels.
  s.KYe = std::numeric_limits<float>::infinity();  // what "1e300" in the file reads as
  s.KXe = -1;
  font.Height = INT32_MIN;
  s.ComputeMetrics(font);
  EXPECT_EQ((std::vector<int>{s.PixYe, s.PixXe, s.PixHalfH}), (std::vector<int>{100000, 0, 50000}));
  font.Height = 0;  // 0 × infinity
  s.ComputeMetrics(font);
  EXPECT_EQ(s.PixYe, 0);
}

TEST(SchemBoxState, ScrollRangesAndOrigin) {
  TSchemBoxState s;
  int paints = 0;
  s.PaintHook = [&] { ++paints; };
  s.ClientWidth = 400;
  s.ClientHeight = 300;
  s.Model->Width = 1000;
  s.Model->Height = 200;
  s.HScrollBar.emplace();
  auto bar = [](const TScrollBarModel& b) { return std::vector<int>{b.Max, b.LargeChange, b.SmallChange, b.Position}; };
  s.SetOrigin(120, 40);
  EXPECT_EQ(bar(*s.HScrollBar), (std::vector<int>{600, 200, 40, 120}));
  EXPECT_EQ(paints, 1);

  // A control not shown yet has no client area: nothing divides by it.
  s.ClientWidth = s.ClientHeight = 0;
  s.UpdateScrollRanges();
  EXPECT_EQ(s.HScrollBar->Max, 1000);
  EXPECT_EQ(s.HScrollBar->LargeChange, 0);
}

TEST(SchemBoxState, VoltageDeviationsFromTheProgramFolder) {
  test::TempDir dir;
  const std::string savedDir = ProgramDir;
  ProgramDir = dir.Path().string() + "/";
  MaketFileName = (test::DataDir() / "maket.zr").string();
  test::WriteRows(dir / "SPRAV_UN.CAT", "Номинальные напряжения", {{"0,4", "5", "10"}, {"10", "7,5", "5"}});
  test::ScriptedMsgBox msg;
  {
    TSchemBoxState box;
    EXPECT_EQ(box.DevDown, (std::vector<double>{5, 7.5}));
    EXPECT_EQ(box.DevUp, (std::vector<double>{10, 5}));
  }
  // A catalogue whose last column is damaged shows no limits at all rather than half of them.
  std::string bytes = test::ReadBytes(dir / "SPRAV_UN.CAT");
  const std::size_t section = bytes.find("\x03" "dUp");
  ASSERT_NE(section, std::string::npos);
  bytes[section + 4] = 'f';  // single floats in a section sized for two doubles
  test::WriteBytes(dir / "SPRAV_UN.CAT", bytes);
  {
    TSchemBoxState box;
    EXPECT_TRUE(box.DevDown.empty());
    EXPECT_TRUE(box.DevUp.empty());
  }
  test::WriteBytes(dir / "SPRAV_UN.CAT", "ZREGIM broken");
  {
    TSchemBoxState box;
    EXPECT_TRUE(box.DevUp.empty());
  }
  ProgramDir = savedDir;
  ASSERT_EQ(msg.Texts().size(), 2u);
  for (const std::string& text : msg.Texts()) EXPECT_NE(text.find("SPRAV_UN.CAT"), std::string::npos) << text;
}

TEST(SchemBoxState, BuildRelayoutRebuild) {
  TSchemBoxState box;
  test::LoadDefaultViewConfig(box);
  test::DiagramScheme scheme;
  scheme.Node(1, "A", "B");
  scheme.Node(2, "C");
  scheme.Line(1, 2);
  scheme.Line(2, 3);
  scheme.Load(box);
  test::FixedCanvas canvas;
  std::vector<std::string> log;
  box.LayoutHook = [&](TCanvas&, TSchemeModel& m) {
    m.Width = 500;
    log.push_back("layout " + std::to_string(m.Count()));
  };
  box.PaintHook = [&] { log.push_back("paint " + std::to_string(box.OriginX) + "," + std::to_string(box.OriginY)); };
  box.ClientWidth = 200;
  box.HScrollBar.emplace();
  test::ScriptedMsgBox msg;

  box.Canvas = &canvas;
  EXPECT_TRUE(box.BuildScheme({1, 2}, {1}, 7, 8));
  box.RelayoutScheme(9, 10);
  EXPECT_EQ(log, (std::vector<std::string>{"layout 3", "paint 7,8", "layout 3", "paint 9,10"}));

  // A failed build leaves an empty model at the origin, and nothing selected in it.
  box.SelectedNode = box.Model->Last;
  box.MarkedLine = box.Model->Last;
  log.clear();
  EXPECT_FALSE(box.BuildScheme({1, 2}, {1, 2}, 40, 50));
  EXPECT_EQ(log, (std::vector<std::string>{"paint 0,0"}));
  EXPECT_TRUE(box.Model->Empty());
  EXPECT_EQ(box.SelectedNode, nullptr);
  EXPECT_EQ(box.MarkedLine, nullptr);
}

}  // namespace
}  // namespace ld::diagram
