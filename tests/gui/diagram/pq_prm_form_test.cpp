// The load entry dialog on a node row: modes, units, divisor, the cos check, the note and what it
// remembers between calls.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "elem_fixture.h"
#include "gui/diagram/pq_prm_form.h"

namespace ld::test {
namespace {

class PQPrmFormTest : public ElemDialogTest {
protected:
  PQPrmFormTest() {
    gui::PQPrmState() = {};
    MakeNodes({{1, "ТП-5"}});
    (*nc_.Pn)[1] = 2, (*nc_.Qn)[1] = 1, (*nc_.Pg)[1] = 0.5, (*nc_.Um)[1] = 10, (*nc_.WPn)[1] = 77;
    nc_.Prim->SetItem(1, "ТП");
  }
  bool Run() { return gui::EditNodeLoad("Задание нагрузки (генерации)", nodes_, 1); }
  static void Fill(QDialog& d, int mode, const std::vector<QString>& values) {
    Combo(d, "ComboBox1").setCurrentIndex(mode);
    const char* names[] = {"Edit1", "Edit2", "Edit3", "Edit4"};
    for (std::size_t i = 0; i < values.size(); ++i) Type(Child<QLineEdit>(d, names[i]), values[i]);
  }
};

TEST_F(PQPrmFormTest, ModesUnitsAndDivisor) {
  script_
      .Then([](QDialog& d) {  // "P,cos" with cos 0: the default 0.8
        Fill(d, 1, {"1", "0", "0", "0"});
        Press(d, "Button1");
      })
      .Then([](QDialog& d) {  // "P,Q" in кВт: the shown powers follow the unit
        EXPECT_EQ(Text(d, "Edit1"), "1");
        Combo(d, "ComboBox2").setCurrentIndex(1);
        EXPECT_EQ(Texts(d, {"Edit1", "Edit2"}), "1000|750");
        Fill(d, 0, {"500", "200", "", ""});
        Type(Child<QLineEdit>(d, "Edit10"), "2");
        Press(d, "Button1");
      });
  EXPECT_TRUE(Run());
  EXPECT_EQ(nc_.Pn->Get(1), 1);
  EXPECT_NEAR(nc_.Qn->Get(1), 0.75, 1e-12);
  EXPECT_TRUE(Run());
  EXPECT_NEAR(nc_.Pn->Get(1), 0.25, 1e-12) << "500 кВт halved";
  EXPECT_NEAR(nc_.Qn->Get(1), 0.1, 1e-12);
}

TEST_F(PQPrmFormTest, RefusalsAndNote) {
  gui::PQPrmState().Addition = " (замер)";
  script_.Then([&](QDialog& d) {
    // A default cos of 0 that would be used (the core knows every case of the check).
    Fill(d, 1, {"1", "0.9"});
    Type(Child<QLineEdit>(d, "Edit6"), "0");
    Press(d, "Button1");
    EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Неверно задан COS"});
    Type(Child<QLineEdit>(d, "Edit6"), "0.9");
    Paste(Child<QLineEdit>(d, "Edit10"), "2.5");
    Press(d, "Button1");
    EXPECT_EQ(msg_.Calls().size(), 2u) << "a divisor that is no integer";
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(nc_.Pn->Get(1), 2);
    Type(Child<QLineEdit>(d, "Edit10"), "");
    Child<QCheckBox>(d, "CheckBox1").setChecked(false);
    Press(d, "Button1");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(nc_.Pn->Get(1), 1);
  EXPECT_NEAR(nc_.Qn->Get(1), 1 * std::sqrt(1 / 0.81 - 1), 1e-12) << "the new default 0.9 for the emptied cos";
  EXPECT_EQ(nc_.Prim->GetItem(1), "ТП (замер)");
  EXPECT_EQ(gui::PQPrmState().Cos, 0.9);
}

}  // namespace
}  // namespace ld::test
