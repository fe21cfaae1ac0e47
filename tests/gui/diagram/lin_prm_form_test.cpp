// The branch parameter dialog through its widgets: ends, commutation and switching devices, regulators
// and taps, flows with their limit marks, the flags it reports and what reaches the row.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "core/catalogs/catalog_units.h"
#include "core/engine/electric.h"
#include "elem_fixture.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/diagram/lin_prm_form.h"
#include "gui/grid/data_grid.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

class LinPrmFormTest : public ElemDialogTest {
protected:
  LinPrmFormTest() {
    gui::LinPrmState() = {};
    MakeNodes({{1, "ПС Южная.1"}, {2, "ТП-5"}, {3, "ТП-7"}, {5, "РП-2"}});
    MakeBranches({{1, 2}, {2, 3}});
    const int r = 1;
    (*bc_.Commut)[r] = static_cast<char>(0xD4);  // "Ф"
    bc_.MarkCom1->SetItem(r, "в");
    bc_.MarkCom2->SetItem(r, "ВВ/TEL-10-630");
    bc_.Regulation->SetItem(r, "вн-тпр-п-9-5-2;вн-рпн-п-19-10-1.78");
    bc_.TypEqu->SetItem(r, "T3|Т1|0");
    bc_.Mark->SetItem(r, "ТДТН-25000");
    (*bc_.Ktn)[r] = 11, (*bc_.Kta)[r] = 11, (*bc_.Notv)[r] = 10, (*bc_.Ntpr)[r] = 5;
    (*bc_.R)[r] = 1, (*bc_.X)[r] = 2;
    (*bc_.U1)[r] = 10.5f, (*bc_.U2)[r] = 10.2f, (*bc_.F2)[r] = -1, (*bc_.Irez)[r] = 200, (*bc_.Faza)[r] = -30;
    (*bc_.Idop)[r] = 150, (*bc_.Sdop)[r] = 3;
    (*bc_.Nr)[r] = 12;
  }
  bool Edit(int row, bool& ends, bool& params, bool& sw, bool editable = true) {
    return gui::EditLineParams("Параметры ветви", dir_ / "схема", nodes_, branches_, row, editable, {"3", "12"},
                               {"Северный", "Южный"}, ends, params, sw);
  }
  static void ShowAllSections(QDialog& d) {
    for (QAction* item : d.findChild<QMenu*>("PopupMenu1")->actions())
      if (!item->isChecked()) item->trigger();
  }
};

TEST_F(LinPrmFormTest, LettersRegulationAndMarkComeBackAsTheyWere) {
  script_.Then([](QDialog& d) {
    EXPECT_EQ(Texts(d, {"_Commut", "_ComN", "_ComK", "_RPN", "_TPR", "_Mark", "_Name1", "_NameRayon"}),
              "Фикс. откл. с кон.|Выключатель|ВВ/TEL-10-630|ВН-РПН-П-19-10-1.78|ВН-ТПР-П-9-5-2|ТДТН-25000 <ВН> <Т1>|"
              "ПС Южная.1|Южный");
    Press(d, "OkBtn");
  });
  bool ends = true, params = true, sw = true;
  EXPECT_TRUE(Edit(1, ends, params, sw));
  EXPECT_FALSE(ends || params || sw);
  EXPECT_EQ(bc_.Commut->Get(1), static_cast<char>(0xD4));
  EXPECT_EQ((std::vector<std::string>{bc_.MarkCom1->GetItem(1), bc_.MarkCom2->GetItem(1), bc_.Regulation->GetItem(1),
                                      bc_.Mark->GetItem(1), bc_.TypEqu->GetItem(1), bc_.Name1->GetItem(1)}),
            (std::vector<std::string>{"В", "ВВ/TEL-10-630", "ВН-РПН-П-19-10-1.78;ВН-ТПР-П-9-5-2", "ТДТН-25000",
                                      "T3|Т1|0", "ПС Южная.1"}));

  // A changed commutation and device are the switch flag; the letters as the lists give them.
  script_.Then([](QDialog& d) {
    Combo(d, "_Commut").setCurrentIndex(3);
    Combo(d, "_ComK").setCurrentIndex(3);
    Combo(d, "_Abon").setCurrentIndex(3);
    Type(Child<QLineEdit>(d, "_NumDS"), "Ф-12");
    Press(d, "OkBtn");
  });
  EXPECT_TRUE(Edit(1, ends, params, sw));
  EXPECT_TRUE(sw);
  EXPECT_TRUE(params) << "a dispatcher name where there was none";
  EXPECT_EQ((std::vector<int>{bc_.Commut->Get(1), bc_.A->Get(1), bc_.Nr->Get(1)}),
            (std::vector<int>{static_cast<char>(0xCE), static_cast<char>(0xD1), 12}));  // "О", "С"
  EXPECT_EQ(bc_.MarkCom2->GetItem(1) + " " + bc_.DSName->GetItem(1), "- Ф-12");
}

TEST_F(LinPrmFormTest, EndsByNumberAndName) {
  script_.Then([](QDialog& d) {
    Combo(d, "_N1").setEditText("3");
    EXPECT_EQ(Combo(d, "_Name1").currentText(), "ТП-7");
    Combo(d, "_Name2").setCurrentIndex(3);
    EXPECT_EQ(Combo(d, "_N2").currentText(), "5");
    Press(d, "OkBtn");
  });
  bool ends, params, sw;
  EXPECT_TRUE(Edit(2, ends, params, sw));
  EXPECT_TRUE(ends);
  EXPECT_EQ((std::vector<int>{bc_.N1->Get(2), bc_.N2->Get(2)}), (std::vector<int>{3, 5}));
  EXPECT_EQ(bc_.Name2->GetItem(2), "РП-2");
}

TEST_F(LinPrmFormTest, DeviceFromTheCatalogue) {
  WriteRows(dir_ / CatalogFileKA, CatalogLayoutKA,
            {{"ВВ/TEL", "Вакуумный", "10", "630", "", "", "", "", "", "", "В"},
             {"РВ", "Разъединитель", "10", "400", "", "", "", "", "", "", "Р"}});
  script_
      .Then([](QDialog& d) {
        Press(d, "_ComNBtn");
        EXPECT_EQ(Combo(d, "_ComN").currentText(), "РВ-10-400");
        Press(d, "OkBtn");
      })
      .Then([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Каталог коммутационных аппаратов");
        auto& grid = *static_cast<gui::TCatalogForm&>(d).DTable();
        grid.GotoRow(2);
        Press(d, "Button1");
      });
  bool ends, params, sw = false;
  EXPECT_TRUE(Edit(1, ends, params, sw));
  EXPECT_TRUE(sw);
  EXPECT_EQ(bc_.MarkCom1->GetItem(1), "РВ-10-400");
}

TEST_F(LinPrmFormTest, CatalogueCalculatorReplacesTheParameters) {
  bc_.TypEqu->SetItem(2, "нечто");
  (*bc_.Idop)[2] = 100, (*bc_.Irez)[2] = 150;
  script_
      .Then([](QDialog& d) {
        Press(d, "ParamBtn");
        EXPECT_EQ(Text(d, "_X"), "4.750");
        Press(d, "OkBtn");
      })
      .Then([](QDialog& d) {
        Child<QLineEdit>(d, "XEdit").setText("4,75");
        Press(d, "OkBtn");
      });
  bool ends, params, sw;
  EXPECT_TRUE(Edit(2, ends, params, sw));
  EXPECT_FALSE(params);
  EXPECT_FLOAT_EQ(bc_.X->Get(2), 4.75f);
  EXPECT_EQ(bc_.TypEqu->GetItem(2).substr(0, 2), "RX") << "the calculator's type of a direct entry";
}

}  // namespace
}  // namespace ld::test
