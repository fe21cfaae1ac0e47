// The measurement file dialog in its three modes, the value field that takes numbers only, and cancel.
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "gui/district/sel_xls_form.h"
#include "support/modal_script.h"

namespace ld::test {
namespace {

TEST(SelXlsForm, ModesValuesAndCancel) {
  ModalScript script;
  std::string file = "/data/замеры.xls", note = "старое";
  float value = 0.426f;
  script
      .Then([](QDialog& d) {  // tangent: value and note
        EXPECT_EQ(Child<QLineEdit>(d, "FEdit").text(), "/data/замеры.xls");
        auto& tg = Child<QLineEdit>(d, "TgEdit");
        EXPECT_EQ(Child<QLabel>(d, "Label1").text(), "Тангенс");
        tg.clear();
        QTest::keyClicks(&tg, "0,4x");  // the letter clears the field
        EXPECT_EQ(tg.text(), "");
        QTest::keyClicks(&tg, "0,35");
        Child<QLineEdit>(d, "PrimEdit").setText("январь");
        Child<QLineEdit>(d, "FEdit").setText("/data/новый.xlsx");
        Press(d, "OKBtn");
      })
      .Then([](QDialog& d) {  // a measurement type: no note
        EXPECT_EQ(Child<QLineEdit>(d, "TgEdit").text(), "3");
        EXPECT_EQ(Child<QLabel>(d, "Label1").text(), "Тип замера (2 - кВт, 3 - А, 5 - кВтч)");
        EXPECT_TRUE(Child<QLineEdit>(d, "PrimEdit").isHidden());
        Press(d, "CancelBtn");
      })
      .Then([](QDialog& d) {  // the file alone
        EXPECT_TRUE(Child<QLineEdit>(d, "TgEdit").isHidden());
        EXPECT_TRUE(Child<QLabel>(d, "Label2").isHidden());
        Press(d, "OKBtn");
      });
  ASSERT_TRUE(gui::ShowSelXlsForm(file, note, value));
  EXPECT_EQ(file + " " + note, "/data/новый.xlsx январь");
  EXPECT_FLOAT_EQ(value, 0.35f);
  float type = 3;
  EXPECT_FALSE(gui::ShowSelXlsForm(file, note, type));
  EXPECT_FLOAT_EQ(type, 3);
  EXPECT_EQ(note, "январь");
  float none = -1;
  EXPECT_TRUE(gui::ShowSelXlsForm(file, note, none));
  EXPECT_EQ(file, "/data/новый.xlsx");
}

}  // namespace
}  // namespace ld::test
