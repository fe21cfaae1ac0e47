// The branch parameter dialog over catalogue rows written for the test.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

#include "catwin_fixture.h"
#include "core/catalogs/catalog_units.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/common/modal.h"

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
  static void Click(QDialog& d, const char* name) {
    auto* button = d.findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  static QString Text(QDialog& d, const char* name) { return d.findChild<QLineEdit*>(name)->text(); }
  static std::string Page(QDialog& d) {
    return d.findChild<QStackedWidget*>("TypNotebook")->currentWidget()->objectName().toStdString();
  }
};

TEST_F(BranchParamsTest, HeadWithoutSeparatorOpensDirectEntry) {
  Branch b{.head = "нечто", .mark = "", .R = 1.25f, .X = 3.5f, .G = 0.5f, .B = -2, .Ka = 0, .Kr = 0, .Idop = 300};
  OnModal([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Ветвь 1-2 Параметры ветви");
    EXPECT_EQ(Page(d), "RX");
    EXPECT_EQ(Text(d, "REdit"), "1.25");
    EXPECT_EQ(Text(d, "BEdit"), "-2");
    EXPECT_FALSE(d.findChild<QPushButton*>("ParamBtn")->isEnabled());
    EXPECT_TRUE(d.findChild<QLineEdit*>("KrEdit")->isEnabled());
    d.findChild<QLineEdit*>("XEdit")->setText("4,75");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(b.head, "RX||");
  EXPECT_EQ(b.mark, "");
  EXPECT_FLOAT_EQ(b.X, 4.75f);
  EXPECT_FLOAT_EQ(b.R, 1.25f);
  EXPECT_FLOAT_EQ(b.Idop, 300);

  // "Отменить" writes nothing back.
  OnModal([](QDialog& d) {
    d.findChild<QLineEdit*>("REdit")->setText("9");
    Click(d, "CancelBtn");
    return d.result();
  });
  EXPECT_FALSE(Edit(b));
  EXPECT_FLOAT_EQ(b.R, 1.25f);
  EXPECT_EQ(b.head, "RX||");
}

TEST_F(BranchParamsTest, SplitWindingHalfKeepsShuntAndTakesHalfThePower) {
  Branch b{.head = "TR||2", .mark = "ТРДН-25000/115/10.5/6.3", .G = 1.5f, .B = -2.5f, .Idop = 100};
  OnModal([](QDialog& d) {
    EXPECT_EQ(Page(d), "TR");
    EXPECT_EQ(d.findChild<QComboBox*>("UnomTRBox")->currentText(), "НН2");
    EXPECT_TRUE(d.findChild<QPushButton*>("TRBtn")->isChecked());
    EXPECT_FALSE(d.findChild<QLineEdit*>("GEdit")->isEnabled());
    EXPECT_EQ(Text(d, "GEdit"), "1.5") << "opening keeps the values";
    Click(d, "ParamBtn");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(b));
  EXPECT_TRUE(msg_.Texts().empty());
  // 115² · 1000 · 120 / 25000² and the reactance of 1.75 · 115² · 10 · 10.5 / 25000 with that resistance.
  EXPECT_NEAR(b.R, 2.5392, 1e-4);
  EXPECT_NEAR(b.X, std::sqrt(97.20375 * 97.20375 - 2.5392 * 2.5392), 1e-3);
  EXPECT_FLOAT_EQ(b.G, 1.5f);
  EXPECT_FLOAT_EQ(b.B, -2.5f);
  EXPECT_NEAR(b.Ka, 115 / 6.3, 1e-4);
  EXPECT_FLOAT_EQ(b.Kr, 0);
  EXPECT_NEAR(b.Ktn, 115 / 6.3, 1e-4);
  EXPECT_FLOAT_EQ(b.Sdop, 12.5f);
  EXPECT_FLOAT_EQ(b.Idop, 0);
  EXPECT_EQ(b.head, "TR||2");
  EXPECT_EQ(b.mark, "ТРДН-25000/115/10.5/6.3");

  // Changing the winding to the high side clears the values and opens G and B.
  b.mark = "ТРДН-25000/115/10.5/6.3";
  OnModal([](QDialog& d) {
    auto* box = d.findChild<QComboBox*>("UnomTRBox");
    box->setCurrentIndex(0);
    emit box->activated(0);
    EXPECT_EQ(Text(d, "REdit"), "");
    EXPECT_TRUE(d.findChild<QLineEdit*>("GEdit")->isEnabled());
    Click(d, "ParamBtn");
    EXPECT_EQ(Text(d, "KaEdit"), "1");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(b.head, "TR||0");
  EXPECT_FLOAT_EQ(b.Sdop, 25);
  EXPECT_NE(b.G, 1.5f);
}

TEST_F(BranchParamsTest, TapPositionZeroShowsTheNeutralOne) {
  Branch b{.head = "T2||", .mark = "ТМ-400/10/0.4", .regulation = "ВН-ПБВ--5-3-2.5", .Ka = 25, .Ktn = 25};
  OnModal([](QDialog& d) {
    auto* slider = d.findChild<QSlider*>("RpnSlider");
    EXPECT_FALSE(slider->isHidden());
    EXPECT_TRUE(d.findChild<QSlider*>("TprSlider")->isHidden());
    EXPECT_EQ(slider->value(), 3);
    EXPECT_EQ(slider->maximum(), 5);
    EXPECT_EQ(d.findChild<QLabel*>("LNumRPN")->text(), "3");
    EXPECT_EQ(d.findChild<QLabel*>("LTypRPN")->text(), "ПБВ");
    EXPECT_EQ(Text(d, "KaEdit"), "25");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(b.tap1, 3);
  EXPECT_EQ(b.regulation, "ВН-ПБВ--5-3-2.5");

  // One step up lowers the ratio by the step: (1 + (3 - 4) · 2.5 %) · 25.
  OnModal([](QDialog& d) {
    d.findChild<QSlider*>("RpnSlider")->setValue(4);
    EXPECT_EQ(d.findChild<QLabel*>("LNumRPN")->text(), "4");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(b.tap1, 4);
  EXPECT_FLOAT_EQ(b.Ka, 24.375f);
}

TEST_F(BranchParamsTest, MessagesOfTheParametersButton) {
  Branch line{.head = "LN||", .mark = "1000*АС-70"};
  OnModal([](QDialog& d) {
    EXPECT_EQ(Page(d), "LN");
    Click(d, "ParamBtn");
    d.findChild<QLineEdit*>("UnomEdit")->setText("10");
    Click(d, "ParamBtn");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(line));
  ASSERT_EQ(msg_.Texts().size(), 2u);
  EXPECT_EQ(msg_.Texts()[0], "Не задано Uном");
  EXPECT_FALSE(msg_.Texts()[1].empty()) << "the line catalogue has no such mark";
  EXPECT_EQ(line.head, "LN|10|");
  EXPECT_EQ(line.mark, "1000*АС-70");

  msg_.Clear();
  Branch unit{.head = "T2||", .mark = "ТМ-630/10/0.4"};
  OnModal([](QDialog& d) {
    Click(d, "ParamBtn");
    Click(d, "CancelBtn");
    return d.result();
  });
  EXPECT_FALSE(Edit(unit));
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{CatalogErrorT2});
  EXPECT_NE(CatalogErrorT2, "");
}

TEST_F(BranchParamsTest, CatalogueChoiceFillsTheMark) {
  Branch b{.head = "T2|Т-1|", .mark = "ТМ-630/10/0.4", .R = 5};
  OnModal([](QDialog& d) {
    EXPECT_EQ(Text(d, "NameEditT2"), "Т-1");
    gui::ModalHandler outer = gui::SetModalHandler([](QDialog& catalog) {
      EXPECT_EQ(catalog.windowTitle(), "Каталог двухобмоточных трансформаторов");
      QTest::mouseClick(catalog.findChild<QPushButton*>("Button1"), Qt::LeftButton);
      return catalog.result();
    });
    Click(d, "CatalogBtn");
    gui::SetModalHandler(outer);
    EXPECT_EQ(Text(d, "NameEditT2"), "") << "a catalogue mark replaces the passport unit";
    EXPECT_EQ(Text(d, "REdit"), "");
    Click(d, "OkBtn");
    return d.result();
  });
  ASSERT_TRUE(Edit(b));
  EXPECT_EQ(b.head, "T2||");
  EXPECT_EQ(b.mark, "ТМ-400/10/0.4");
  EXPECT_FLOAT_EQ(b.R, 0);
}

}  // namespace
}  // namespace ld::test
