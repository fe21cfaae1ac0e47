// The new branch dialog through its widgets, with the catalogue calculator scripted: names proposed for
// two-winding and multi-winding transformers, free numbers, refusals, and the rows added.
#include <QPushButton>

#include "core/catalogs/catalog_units.h"
#include "core/engine/scheme_builder.h"
#include "elem_fixture.h"
#include "gui/diagram/add_lnk_form.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

class AddLnkFormTest : public ElemDialogTest {
protected:
  AddLnkFormTest() {
    MakeNodes({{1, "ТП-12.1"}, {2, "ТП-12.2"}, {4, "тп-12.5.04"}});
    MakeBranches({{1, 2}});
    WriteRows(dir_ / CatalogFileT2, CatalogLayoutT2,
              {{"ТМ", "400", "10", "0.4", "5.5", "4.5", "0.95", "2.1", "ВН-ПБВ--5-3-2.5"}});
    WriteRows(dir_ / CatalogFileT3, CatalogLayoutT3,
              {{"ТДТН", "25000", "50", "40", "115", "27.5", "10.5", "140", "0", "0", "10.5", "17.5", "6.5", "31",
                "0.7", "ВН-РПН-П-19-10-1.78;СН-ПБВ-П-5-3-2.5"}});
  }
  ~AddLnkFormTest() override { FreeCatalogT2(), FreeCatalogT3(), FreeCatalogTR(); }

  bool Run(std::uint8_t& count, const std::string& start = "ТП-12.1", int number = 1) {
    const bool ok = gui::AddLinkDialog(dir_ / "схема", start, number, count, branches_, nodes_, 10);
    FillNodeCols(nodes_, nc_);
    FillBranchCols(branches_, bc_);
    return ok;
  }
  // The calculator's step: the kind's page, the catalogue mark, its values calculated, "Записать".
  static ModalScript::Step Calculator(const char* kind, const char* markEdit, const QString& mark) {
    return [=](QDialog& d) {
      Press(d, kind);
      Child<QLineEdit>(d, markEdit).setText(mark);
      Press(d, "ParamBtn");
      Press(d, "OkBtn");
    };
  }
  // Presses "Применить" and returns the message it gave (empty when none).
  std::string Apply(QDialog& d) {
    msg_.Clear();
    Press(d, "OkBtn");
    return msg_.Calls().empty() ? "" : msg_.Calls().back().text;
  }

  NominalVoltages classes_;
};

TEST_F(AddLnkFormTest, TwoWindingTransformerAndLine) {
  script_
      .Then([&](QDialog& d) {
        Type(Child<QLineEdit>(d, "_NumDS"), "5");
        Press(d, "ParamBtn");
        EXPECT_EQ(Text(d, "_Name2"), "ТП-12.5.04");
        Press(d, "AvtBtn");
        EXPECT_EQ(Text(d, "_Num2"), "3");
        EXPECT_EQ(Apply(d), "Наименование узла \"ТП-12.5.04\" уже существует");
        Type(Child<QLineEdit>(d, "_Name2"), "ТП-12.5.04а");
        EXPECT_EQ(Apply(d), "");
      })
      .Then(Calculator("T2Btn", "MarkEditT2", "ТМ-400/10/0.4"));
  std::uint8_t count = 0;
  ASSERT_TRUE(Run(count));
  EXPECT_EQ(count, 1);
  ASSERT_EQ(nc_.RowCount, 4);
  EXPECT_EQ(nc_.Name->GetItem(4), "ТП-12.5.04а");
  ASSERT_EQ(bc_.RowCount, 2);
  EXPECT_EQ(bc_.N1->Get(2) * 10 + bc_.N2->Get(2), 13);
  EXPECT_EQ((std::vector<std::string>{bc_.Name2->GetItem(2), bc_.DSName->GetItem(2), bc_.TypEqu->GetItem(2),
                                      bc_.Mark->GetItem(2)}),
            (std::vector<std::string>{"ТП-12.5.04а", "5", "T2||", "ТМ-400/10/0.4"}));

  // A line keeps the names the person typed; cancel appends nothing.
  script_.Then([&](QDialog& d) {
    Type(Child<QLineEdit>(d, "_Num2"), "7");
    Type(Child<QLineEdit>(d, "_Name2"), "ТП-7");
    Press(d, "Button2");
  });
  EXPECT_FALSE(Run(count));
  EXPECT_EQ(nc_.RowCount, 4);
  EXPECT_EQ(bc_.RowCount, 2);
}

}  // namespace
}  // namespace ld::test
