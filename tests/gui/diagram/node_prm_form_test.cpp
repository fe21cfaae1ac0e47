// The node parameter dialog through its widgets: numbers, names, units, types, districts, the graph
// catalogue, the load entry and what reaches the row.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "core/diagram/elem_letters.h"
#include "elem_fixture.h"
#include "gui/diagram/node_prm_form.h"
#include "gui/diagram/pq_prm_form.h"

namespace ld::test {
namespace {

class NodPrmFormTest : public ElemDialogTest {
protected:
  NodPrmFormTest() {
    gui::NodPrmState() = {};
    gui::PQPrmState() = {};
    MakeNodes({{1, "ПС Южная.1"}, {2, "ТП-5"}, {3, "ТП-7"}, {5, "РП-2"}});
    MakeBranches({{1, 2}, {2, 3}, {3, 5}});
  }
  bool Edit(int row, bool& changed, bool editable = true) {
    return gui::EditNodeParams(dir_ / "схема", "Параметры узла", nodes_, branches_, row, editable, {"3", "12", "70000"},
                               {"Северный", "Южный", "Дальний"}, changed);
  }
  bool Edit(int row) {
    bool changed = false;
    return Edit(row, changed);
  }
  static void ShowAllSections(QDialog& d) {
    for (QAction* item : d.findChild<QMenu*>("PopupMenu1")->actions())
      if (!item->isChecked()) item->trigger();
  }
};

TEST_F(NodPrmFormTest, NumbersNamesAndTheirChecks) {
  script_
      .Then([](QDialog& d) {  // numbers 1, 2, 3, 5 propose 4
        EXPECT_EQ(d.windowTitle(), "Параметры узла");
        Press(d, "Button6");
        EXPECT_EQ(Text(d, "Edit1"), "4");
        d.reject();
      })
      .Then([&](QDialog& d) {  // the checks (each known to the core) keep the dialog open; a new number
                               // renumbers both branch ends
        QLineEdit& number = Child<QLineEdit>(d, "Edit1");
        QLineEdit& name = Child<QLineEdit>(d, "Edit2");
        Type(name, "тп-7");
        Press(d, "OkBtn");
        Type(number, "3");
        Type(name, "Тп-5");
        Press(d, "OkBtn");
        EXPECT_EQ(msg_.Texts(), (std::vector<std::string>{"Узел с таким наименованием уже существует",
                                                          "Узел с таким номером уже существует"}));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(bc_.N1->Get(2), 2) << "nothing renumbered before the checks pass";
        Type(number, "70001");
        Press(d, "OkBtn");
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(bc_.N2->Get(1), 70001) << "renumbered before the dialog closes";
      });
  EXPECT_FALSE(Edit(2));
  bool changed = false;
  EXPECT_TRUE(Edit(2, changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ(nc_.NS->Get(2), 70001);
  EXPECT_EQ(nc_.Name->GetItem(2), "Тп-5") << "a rename in letter case only passes";

  // Read-only: nothing to confirm.
  script_.Then([](QDialog& d) {
    EXPECT_FALSE(Child<QPushButton>(d, "OkBtn").isEnabled());
    d.reject();
  });
  EXPECT_FALSE(Edit(2, changed, false));
}

TEST_F(NodPrmFormTest, UnitsTypingTypesOwnershipAndDistricts) {
  const int r = 2;
  (*nc_.Pn)[r] = 1.5, (*nc_.Qn)[r] = 0.25, (*nc_.Qmax)[r] = 0.5f;
  (*nc_.Urez)[r] = 10.4, (*nc_.Pbal)[r] = 7, (*nc_.Qbal)[r] = 8, (*nc_.EERM)[r] = 0.125f;
  (*nc_.Um)[r] = 10, (*nc_.WPn)[r] = 123456789.25;
  (*nc_.Nr)[r] = 70000, (*nc_.Ng_n)[r] = 40000, (*nc_.Nq_g)[r] = 99999, (*nc_.Nq_n)[r] = 32768, (*nc_.Ng_g)[r] = 65536;
  (*nc_.Sign)[r] = '+';
  (*nc_.A)[r] = static_cast<char>(0xE1);  // "б"
  nc_.Prim->SetItem(r, "старое");
  script_.Then([](QDialog& d) {
    ShowAllSections(d);
    // Energies with 15 digits.
    EXPECT_EQ(Text(d, "Edit10") + " " + Text(d, "Edit3") + " " + Text(d, "Edit25") + " " + Text(d, "Edit4"),
              "1.5 10 0.1250 123456789.3");
    Press(d, "kVt");
    Combo(d, "ComboBox1").setCurrentIndex(1);  // "Баланс."
    EXPECT_TRUE(Child<QLineEdit>(d, "Edit22").isEnabled());
    EXPECT_EQ(Text(d, "Edit3"), "10.4") << "the calculated voltage becomes the given one";
    Combo(d, "ComboBox1").setCurrentIndex(0);
    Combo(d, "_Abon").setCurrentIndex(2);
    Press(d, "OkBtn");
  });
  bool changed = true;
  EXPECT_TRUE(Edit(r, changed));
  EXPECT_FALSE(changed);
  // What was typed; a load node keeps its meter letter; results are never written.
  EXPECT_EQ((std::vector<double>{nc_.Pn->Get(r), nc_.Qmax->Get(r), nc_.Um->Get(r), nc_.WPn->Get(r), nc_.Urez->Get(r)}),
            (std::vector<double>{1.5, 0.5, 10.4f, 123456789.25, 10.4}));
  EXPECT_EQ((std::vector<int>{nc_.Sign->Get(r), nc_.A->Get(r), nc_.Nr->Get(r), nc_.Ng_n->Get(r), nc_.Nq_g->Get(r),
                              nc_.Nq_n->Get(r), nc_.Ng_g->Get(r)}),
            (std::vector<int>{'+', static_cast<char>(0xC1), 70000, 40000, 99999, 32768, 65536}));
  EXPECT_TRUE(gui::NodPrmState().KiloWatt);
  // An output meter's '-' stays as well.
  (*nc_.Sign)[r] = '-';
  script_.Then([](QDialog& d) { Press(d, "OkBtn"); });
  EXPECT_TRUE(Edit(r));
  EXPECT_EQ(nc_.Sign->Get(r), '-');

  // The type and ownership are written as their letters.
  script_.Then([](QDialog& d) {
    Combo(d, "ComboBox1").setCurrentIndex(1);
    Combo(d, "_Abon").setCurrentIndex(1);
    Press(d, "OkBtn");
  });
  EXPECT_TRUE(Edit(r));
  EXPECT_EQ(std::string({nc_.Sign->Get(r), nc_.A->Get(r)}), std::string({'b', static_cast<char>(0xC0)}));
}

// Read-only, neither the confirmation nor the load calculation is offered.
TEST_F(NodPrmFormTest, ReadOnlyOffersNoConfirmationAndNoLoadCalculation) {
  script_.Then([](QDialog& d) {
    EXPECT_FALSE(Child<QPushButton>(d, "OkBtn").isEnabled());
    EXPECT_FALSE(Child<QPushButton>(d, "Button5").isEnabled());
    d.reject();
  });
  bool changed = false;
  EXPECT_FALSE(Edit(2, changed, false));
  EXPECT_FALSE(changed);
}

// The load calculation's results reach the row only with the node dialog's confirmation.
TEST_F(NodPrmFormTest, TheLoadCalculationReachesTheRowOnlyWithTheConfirmation) {
  for (const bool confirm : {false, true}) {
    script_
        .Then([&](QDialog& d) {
          Press(d, "Button5");
          EXPECT_EQ(nc_.Pn->Get(2), 0);
          if (confirm) Press(d, "OkBtn");
          else d.reject();
        })
        .Then([](QDialog& d) {
          Combo(d, "ComboBox1").setCurrentIndex(0);
          Type(Child<QLineEdit>(d, "Edit1"), "3");
          Press(d, "Button1");
        });
    EXPECT_EQ(Edit(2), confirm);
    EXPECT_EQ(nc_.Pn->Get(2), confirm ? 3 : 0) << confirm;
  }
}

// A decimal comma typed into a number field is a decimal point; a letter is not taken.
TEST_F(NodPrmFormTest, ACommaTypedIntoANumberFieldIsADecimalPoint) {
  const int r = 2;
  script_.Then([](QDialog& d) {
    ShowAllSections(d);
    Type(Child<QLineEdit>(d, "Edit14"), "2,5");
    QTest::keyClicks(&Child<QLineEdit>(d, "Edit15"), "x");
    EXPECT_EQ(Text(d, "Edit15"), "0.0") << "letters are not taken";
    Press(d, "OkBtn");
  });
  EXPECT_TRUE(Edit(r));
  EXPECT_EQ(std::pair(nc_.Gs->Get(r), nc_.Bs->Get(r)), std::pair(2.5f, 0.0f));
}

}  // namespace
}  // namespace ld::test
