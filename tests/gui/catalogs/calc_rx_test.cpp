// The branch parameter dialog over catalogue rows written for the test.
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStackedWidget>
#include <tuple>

#include "catwin_fixture.h"
#include "core/catalogs/catalog_units.h"
#include "gui/catalogs/calc_rx_form.h"

namespace ld::test {
namespace {

class BranchParamsTest : public CatwinTest {
protected:
  BranchParamsTest() {
    WriteRows(Path("sprav_tr.cat"), CatalogLayoutTR,
              {{"ТРДН", "25000", "115", "10.5", "6.3", "120", "10.5", "27", "0.7", ""}});
    WriteRows(Path("sprav_t2.cat"), CatalogLayoutT2,
              {{"ТМ", "400", "10", "0.4", "5.5", "4.5", "0.95", "2.1", "ВН-ПБВ--5-3-2.5"}});
  }

  struct Branch {
    std::string head{}, mark{}, regulation{};
    std::int16_t tap1 = 0, tap2 = 0;
    float R = 0, X = 0, G = 0, B = 0, Ka = 0, Kr = 0, Ktn = 0, Idop = 0, Sdop = 0;
  };

  bool Edit(Branch& b) {
    return gui::EditBranchParams(0, 0, dir_.Path().string() + "/", Path("scheme"), "Ветвь 1-2", b.head, b.mark,
                                 b.regulation, b.tap1, b.tap2, b.R, b.X, b.G, b.B, b.Ka, b.Kr, b.Ktn, b.Idop, b.Sdop,
                                 true);
  }
  static QString Text(QDialog& d, const char* name) { return Child<QLineEdit>(d, name).text(); }
  static std::string Page(QDialog& d) {
    return Child<QStackedWidget>(d, "TypNotebook").currentWidget()->objectName().toStdString();
  }
};

TEST_F(BranchParamsTest, HeadWithoutSeparatorOpensDirectEntry) {
  Branch b{.head = "нечто", .R = 1.25f, .X = 3.5f, .B = -2, .Idop = 300};
  script_
      .Then([](QDialog& d) {
        EXPECT_EQ(std::tuple(d.windowTitle(), Page(d), Text(d, "BEdit")), std::tuple("Ветвь 1-2 Параметры ветви", "RX", "-2"));
        Child<QLineEdit>(d, "XEdit").setText("4,75");
        Click(d, "OkBtn");
      })
      .Then([](QDialog& d) {  // "Отменить" writes nothing back
        Child<QLineEdit>(d, "REdit").setText("9");
        Click(d, "CancelBtn");
      });
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(std::tuple(b.head, b.mark, b.R, b.X, b.Idop), std::tuple("RX||", "", 1.25f, 4.75f, 300.0f));
  EXPECT_FALSE(Edit(b));
  EXPECT_EQ(b.R, 1.25f);
}

// Opened at a screen point, its top left corner is there; near the screen's corner it stays whole on the
// screen; at 0, 0 the window system places it.
TEST_F(BranchParamsTest, OpensAtTheGivenScreenPoint) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  std::vector<QPoint> at;
  std::vector<QRect> frames;
  const auto record = [&](QDialog& d) {
    at.push_back(d.pos());
    frames.push_back(d.frameGeometry());
    Click(d, "CancelBtn");
  };
  script_.Then(record).Then(record);
  Branch b{.head = "RX||", .R = 1};
  const auto edit = [&](double x, double y) {
    return gui::EditBranchParams(x, y, dir_.Path().string() + "/", Path("scheme"), "", b.head, b.mark, b.regulation,
                                 b.tap1, b.tap2, b.R, b.X, b.G, b.B, b.Ka, b.Kr, b.Ktn, b.Idop, b.Sdop, false);
  };
  EXPECT_FALSE(edit(area.left() + 37, area.top() + 21));
  EXPECT_FALSE(edit(area.right() - 3, area.bottom() - 3));
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[0], area.topLeft() + QPoint(37, 21));
  EXPECT_TRUE(area.contains(frames[1]));
  EXPECT_EQ(frames[1].bottomRight(), area.bottomRight());
}

TEST_F(BranchParamsTest, SplitWindingHalfKeepsShuntAndTakesHalfThePower) {
  Branch b{.head = "TR||2", .mark = "ТРДН-25000/115/10.5/6.3", .G = 1.5f, .B = -2.5f, .Idop = 100};
  script_.Then([](QDialog& d) {
    EXPECT_EQ(std::tuple(Page(d), Child<QComboBox>(d, "UnomTRBox").currentText(), Text(d, "GEdit")),
              std::tuple("TR", "НН2", "1.5"));
    Click(d, "ParamBtn");
    Click(d, "OkBtn");
  });
  ASSERT_TRUE(Edit(b));
  // 115² · 1000 · 120 / 25000²; the core checks the rest of the formulas.
  EXPECT_NEAR(b.R, 2.5392, 1e-4);
  EXPECT_NEAR(b.Ka, 115 / 6.3, 1e-4);
  EXPECT_EQ(std::tuple(b.G, b.B, b.head), std::tuple(1.5f, -2.5f, "TR||2"));
  EXPECT_FLOAT_EQ(b.Sdop, 12.5f);
}

TEST_F(BranchParamsTest, TapPositionZeroShowsTheNeutralOneAndAStepChangesTheRatio) {
  Branch b{.head = "T2||", .mark = "ТМ-400/10/0.4", .regulation = "ВН-ПБВ--5-3-2.5", .Ka = 25, .Ktn = 25};
  script_.Then([](QDialog& d) {
        auto& slider = Child<QSlider>(d, "RpnSlider");
        EXPECT_EQ(std::tuple(slider.value(), slider.maximum(), Child<QLabel>(d, "LTypRPN").text()),
                  std::tuple(3, 5, "ПБВ"));
        slider.setValue(4);
        Click(d, "OkBtn");
      });
  // One step up lowers the ratio by the step: (1 + (3 - 4) · 2.5 %) · 25.
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(b.tap1, 4);
  EXPECT_FLOAT_EQ(b.Ka, 24.375f);
}

TEST_F(BranchParamsTest, ParametersButtonMessagesAndCatalogueChoice) {
  Branch line{.head = "LN||", .mark = "1000*АС-70"};
  script_.Then([](QDialog& d) {
    Click(d, "ParamBtn");
    Child<QLineEdit>(d, "UnomEdit").setText("10");
    Click(d, "ParamBtn");
    Click(d, "OkBtn");
  });
  ASSERT_TRUE(Edit(line));
  EXPECT_EQ(msg_.Texts(), (std::vector<std::string>{"Не задано Uном",
                                                    "Марка АС-70(10кВ) не найдена в каталоге марок КЛ,ВЛ"}));
  EXPECT_EQ(std::tuple(line.head, line.mark), std::tuple("LN|10|", "1000*АС-70"));

  // A passport unit missing from the list is reported; a mark chosen from the catalogue replaces the unit.
  msg_.Clear();
  Branch unit{.head = "T2|Т-1|", .mark = "ТМ-630/10/0.4", .R = 5};
  script_
      .Then([](QDialog& d) {
        Click(d, "ParamBtn");
        Click(d, "CatalogBtn");
        EXPECT_EQ(Text(d, "NameEditT2") + Text(d, "REdit"), "");
        Click(d, "OkBtn");
      })
      .Then([](QDialog& catalog) { Click(catalog, "Button1"); });
  ASSERT_TRUE(Edit(unit));
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Трансформатор Т-1 в списке не найден"});
  EXPECT_EQ(std::tuple(unit.head, unit.mark, unit.R), std::tuple("T2||", "ТМ-400/10/0.4", 0.0f));
}

}  // namespace
}  // namespace ld::test
