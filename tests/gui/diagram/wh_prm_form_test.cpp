// The metering point dialog through its widgets: a new and a stored point, the entry types, the
// accounting kinds with the feeder file, swap and shift, the cos refusals and the node mode.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "core/diagram/energy_meter.h"
#include "core/tables/colmaps_district.h"
#include "core/tables/table_file.h"
#include "elem_fixture.h"
#include "gui/diagram/wh_prm_form.h"
#include "support/table_rows.h"

namespace ld::test {
namespace {

constexpr char kP = '\xCF';  // "П"

class WhPrmFormTest : public ElemDialogTest {
protected:
  WhPrmFormTest() {
    MeterDefaults() = {};
    // A chain 1-2-3-4 with a branch 2-5; the point of 3-4 is stored as "WP,tg".
    MakeNodes({{1, "ПС.1"}, {2, "ТП-2"}, {3, "ТП-3"}, {4, "ТП-4"}, {5, "ТП-5"}});
    FillRows(branches_, LayoutBranches,
             {{"", "1", "2", "", "ПС.1", "ТП-2", "Ф-1"}, {"", "2", "3"}, {"", "3", "4", "2", "ТП-3", "ТП-4"},
              {"", "2", "5"}});
    FillRows(flows_, LayoutLineFlows, {{"3", "4", "2", "ТП-3", "ТП-4", "Ф-1 уч.", "5", "1", "0", "", "7", "0.5"}});
    map_ = {0, 0, 0, 1, 0};
    feeders_ = dir_ / "схема.RSF";
  }
  bool Line(int branch) {
    const bool ok = gui::EditEnergyMeter(dir_ / "схема", nodes_, branches_, flows_, 0, 4, branch, map_, {"3", "12"},
                                         {"Северный", "Южный"});
    FillLineFlowCols(flows_, fc_);
    return ok;
  }
  bool Node(int row) {
    std::vector<std::int32_t> none;
    const bool ok = gui::EditEnergyMeter(dir_ / "схема", nodes_, branches_, flows_, row, 0, 0, none, {}, {});
    FillNodeCols(nodes_, nc_);
    return ok;
  }
  static QString Label(QDialog& d, int i) { return Child<QLabel>(d, ("Label" + std::to_string(i)).c_str()).text(); }
  static void Set(QDialog& d, const char* field, const QString& text) { Type(Child<QLineEdit>(d, field), text); }

  TDataFile flows_;
  TLineFlowCols fc_;
  std::vector<std::int32_t> map_;
  std::string feeders_;
};

TEST_F(WhPrmFormTest, NewPointWithCosThenStoredAsEnergies) {
  MeterDefaults().Type = mtWPCos;
  map_[1] = 9;  // no such flow row: the line has no point yet
  script_.Then([](QDialog& d) {
    // A new point is named after the branch.
    EXPECT_EQ(Texts(d, {"_Name1", "_Prim", "_Pr", "_Qr", "_Pl", "_Ql", "_Ngr", "_Nql", "_cos"}),
              "ПС.1|Ф-1|0|0|0|0|0|0|0.8");
    Set(d, "_Pr", "100");
    Combo(d, "_NameRayon").setCurrentIndex(0);
    Press(d, "OkBtn");
  });
  ASSERT_TRUE(Line(1));
  ASSERT_EQ(fc_.RowCount, 2);
  EXPECT_EQ(map_[1], 2);
  EXPECT_EQ(fc_.Pr->Get(2), 100);
  EXPECT_EQ((std::vector<int>{fc_.Typ->Get(2), fc_.Ngp->Get(2), fc_.B->Get(2)}), (std::vector<int>{4, 3, 1}));
  EXPECT_FALSE(std::filesystem::exists(feeders_)) << "without a feeder file none is made";
}

TEST_F(WhPrmFormTest, ShiftCosRefusalsAndKeptLetter) {
  FillLineFlowCols(flows_, fc_);
  (*fc_.PM)[1] = kP;
  script_.Then([&](QDialog& d) {
    EXPECT_EQ(Combo(d, "_TypPnt").currentText(), "Технический");
    Press(d, "LeftBtn");
    EXPECT_EQ(Texts(d, {"_N1", "_Name1", "_N2", "_Nl"}), "2|ТП-2|3|2");
    Combo(d, "_TypZamer").setCurrentIndex(mtWPCos);  // the core knows every case of the cos check
    Set(d, "_Qr", "1.2");
    Press(d, "OkBtn");
    EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Неверно задан COS"});
    Set(d, "_Qr", "0");
    EXPECT_TRUE(d.isVisible());
    Set(d, "_cos", "0.6");
    Set(d, "_Ql", "1");
    Press(d, "OkBtn");
  });
  ASSERT_TRUE(Line(3));
  EXPECT_EQ(map_, (std::vector<std::int32_t>{0, 0, 1, 0, 0}));
  EXPECT_EQ(fc_.N1->Get(1), 2);
  EXPECT_NEAR(fc_.Qr->Get(1), 7 * 4.0 / 3, 1e-9) << "the new default cos 0.6";
  EXPECT_EQ(fc_.PM->Get(1), kP) << "a consumer's meter keeps its letter";
}

TEST_F(WhPrmFormTest, SpaceInAGraphFieldOpensTheGraphCatalogue) {
  script_
      .Then([](QDialog& d) {
        auto& field = Child<QLineEdit>(d, "_Nql");
        Type(field, "12");
        QTest::keyClick(&field, Qt::Key_Space);
        EXPECT_EQ(field.text(), "12") << "the space is swallowed; no graph chosen";
        QTest::keyClick(&field, Qt::Key_Space);
        EXPECT_EQ(field.text(), "0") << "the graph under the cursor of the empty catalogue";
        Press(d, "OkBtn");
      })
      .Then([](QDialog& d) { d.reject(); })
      .Then([](QDialog& d) { d.accept(); });
  ASSERT_TRUE(Line(3));
  EXPECT_EQ(fc_.Nql->Get(1), 0);
  EXPECT_FALSE(Line(9)) << "no such branch";
}

TEST_F(WhPrmFormTest, NodeModeKeepsTheNodeType) {
  (*nc_.Sign)[1] = 'B';
  (*nc_.WPn)[2] = 3;
  script_
      .Then([](QDialog& d) {
        Combo(d, "_TypPnt").setCurrentIndex(1);
        Set(d, "_Pl", "5");
        Press(d, "OkBtn");
      })
      .Then([](QDialog& d) {
        EXPECT_FALSE(Combo(d, "_TypPnt").isEnabled()) << "a balancing node is no input point";
        EXPECT_EQ(Combo(d, "_TypPnt").currentText(), "Технический");
        Set(d, "_Pr", "9");
        Press(d, "OkBtn");
      });
  ASSERT_TRUE(Node(2));
  EXPECT_EQ((std::vector<double>{static_cast<double>(nc_.Sign->Get(2)), nc_.WPg->Get(2)}), (std::vector<double>{'+', 5}));
  ASSERT_TRUE(Node(1));
  EXPECT_EQ((std::vector<double>{static_cast<double>(nc_.Sign->Get(1)), nc_.WPn->Get(1)}), (std::vector<double>{'B', 9}));
}

}  // namespace
}  // namespace ld::test
