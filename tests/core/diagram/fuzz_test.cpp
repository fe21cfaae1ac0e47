// Settings files and scheme tables come from outside: whatever they hold, the diagram reads them
// without a crash and reports only its own messages.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/base/codepage.h"
#include "core/diagram/schem_state.h"
#include "support/diagram_fixture.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::diagram {
namespace {

std::string RandomValue(std::mt19937& rng) {
  const char* values[] = {"", "0", "1", "-1", "1,5", "1.5", "x", "1e300", "-1e300", "nan", "inf", "99999999999",
                          "2147483647", "-2147483648", " 3 ", "0x10", "1.2.3", "Tahoma", "255"};
  if (rng() % 5 == 0) {
    std::string bytes;
    for (unsigned n = rng() % 12; n > 0; --n) bytes.push_back(static_cast<char>(rng() % 256));
    return bytes;
  }
  return values[rng() % std::size(values)];
}

TEST(DiagramFuzz, SettingsFiles) {
  const char* sections[] = {"Graphic", "Colors", "vUn", "cUn", "wLn", "Export", "GraphicTKZ"};
  const char* keys[] = {"FntName", "FntSize", "FntStyle", "KYe", "KXe", "KXzam", "KYzam", "KdYsc", "FPaintNod",
                        "FIntegral", "FTypFlow", "IMul", "SMul", "Delay", "cBk", "tColors", "CutMark", "1", "2",
                        "110"};
  std::mt19937 rng(4242);
  test::TempDir dir;
  test::ConfigFileAt config(dir / "fuzz.ini");
  test::ScriptedMsgBox msg;
  for (int round = 0; round < 50; ++round) {
    std::string text;
    for (unsigned lines = rng() % 30; lines > 0; --lines) {
      const unsigned kind = rng() % 10;
      if (kind == 0)
        text += std::string("[") + sections[rng() % std::size(sections)] + "]\n";
      else if (kind == 1)
        text += RandomValue(rng) + "\n";
      else
        text += std::string(keys[rng() % std::size(keys)]) + "=" + RandomValue(rng) + "\n";
    }
    test::WriteBytes(dir / "fuzz.ini", text);
    TSchemBoxState box;
    box.LoadViewConfig("Graphic", "Colors");
    TFont font;
    font.Height = -static_cast<int>(rng() % 40);
    box.ComputeMetrics(font);
    box.ComputeMetrics(box.Font);
    EXPECT_GE(box.PixXe, 0);
    box.SaveViewConfig("Graphic", "Colors");
    box.LoadViewConfig("Graphic", "Colors");
  }
  for (const std::string& t : msg.Texts()) ASSERT_EQ(t, "Ошибка чтения файла конфигурации fuzz.ini");
}

TEST(DiagramFuzz, SchemeTables) {
  std::mt19937 rng(777);
  test::ScriptedMsgBox msg;
  test::UnomClasses classes({0.4, 10, 35});
  const float odd[] = {0, 10, 0.4f, -35, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(), 3e38f, -3e38f, 1e-30f};
  for (int round = 0; round < 100; ++round) {
    test::DiagramScheme s;
    const int nodes = static_cast<int>(rng() % 15);
    for (int i = 0; i < nodes; ++i) {
      std::string name;
      for (unsigned n = rng() % 10; n > 0; --n) {
        const char pieces[][8] = {"ПС", ".", "1", "_", "ОТП", " ", "*", "\xC0", "9", "-"};
        name += pieces[rng() % 10];
      }
      const std::int32_t numbers[] = {1, 2, 3, 0, -1, -999999999, 2147483647, -2147483647 - 1};
      test::DiagNode& n = s.Node(numbers[rng() % 8], name, rng() % 4 == 0 ? "B" : "");
      n.Um = odd[rng() % std::size(odd)];
      n.Peak = static_cast<std::uint8_t>(rng() % 4);
      n.NumES = static_cast<std::int32_t>(rng());
      n.Nr = static_cast<std::int32_t>(rng());
      n.A = rng() % 2 ? "А" : "";
    }
    for (unsigned b = rng() % 20; b > 0; --b) {
      const std::int32_t ends[] = {1, 2, 3, 0, -1, -999999999, 2147483647};
      test::DiagBranch& br = s.Branch(ends[rng() % 7], ends[rng() % 7]);
      const char* letters[] = {"", "Н", "К", "О", "П", "Ф", "x", "ф"};
      br.Commut = letters[rng() % 8];
      br.MarkCom1 = letters[rng() % 8];
      br.MarkCom2 = rng() % 2 ? "-" : "ВВ";
      br.Kta = odd[rng() % std::size(odd)];
      br.TypEqu = rng() % 2 ? "RT" : "t";
    }
    TSchemBoxState box;
    test::LoadDefaultViewConfig(box);
    box.ClassVoltages = {40, 1000, 3500};
    box.FlagNumES = rng() % 2;
    box.FSection = rng() % 2;
    s.Load(box);
    test::FixedCanvas canvas;
    box.Canvas = &canvas;
    box.LayoutHook = [&](TCanvas& c, TSchemeModel& m) {
      // What the layout does with every element: measure its caption and expand its substation.
      for (PSElem e = m.First; e != nullptr; e = e->Next) {
        std::string text = box.CaptionText(*e);
        int lines = 0, width = 10;
        box.WrapCaption(text, c, e->SectionCount > 0, lines, width, 2);
        EXPECT_GE(lines, 1);
      }
    };
    box.BuildScheme(box.NodeSet, box.LineSet, 0, 0);
    std::vector<std::string> names, substNames;
    std::vector<std::int32_t> order, e1, e2, subNodes, subBranches;
    box.CollectSubstationLists(substNames, order, e1, e2);
    for (int r = 1; r <= static_cast<int>(s.Nodes.size()); ++r) names.push_back(box.NodeCols.Name->GetItem(r));
    for (PSElem e = box.Model->First; e != nullptr; e = e->Next)
      if (e->Caption && box.CollectSubstation(*e->Caption, substNames, subBranches, subNodes, e1, e2, order)) {
        e->SubModel = std::make_unique<TSchemeModel>();
        box.BuildSubstationModel(*e->Caption, subNodes, e, canvas, *e->SubModel, subBranches);
      }
    for (int r = 1; r <= static_cast<int>(s.Nodes.size()); ++r) ASSERT_EQ(box.NodeCols.Name->GetItem(r), names[r - 1]);
  }
  for (const std::string& t : msg.Texts())
    ASSERT_TRUE(t.rfind("В схеме отсутствует узел : ", 0) == 0 || t.rfind("Отсутствует описание узлов : ", 0) == 0)
        << t;
}

}  // namespace
}  // namespace ld::diagram
