// The colouring dialog on a control's colours and a scheme's district table.
#include <QColorDialog>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "core/diagram/schem_state.h"
#include "core/tables/table_file.h"
#include "elem_fixture.h"
#include "gui/diagram/set_color_form.h"

namespace ld::test {
namespace {

using diagram::TSchemBoxState;

class SetColorFormTest : public ElemDialogTest {
protected:
  SetColorFormTest() : savedConfig_(ConfigFileName) {
    ConfigFileName = dir_ / "missing.ini";
    box_.LoadViewConfig("Colors", "Colors");
    box_.vUn = {6, 10, 35};
    box_.cUn = {0x0000FF, 0x00FF00, 0xFF0000};
    box_.wLn = {1, 2, 3};
  }
  ~SetColorFormTest() override { ConfigFileName = savedConfig_; }

  bool Run() { return gui::ExecuteColorSettingsDialog(box_, base_); }
  // The scheme's district table with two districts.
  void WriteDistricts() {
    TDataFile t;
    ReadMaket("Районы схемы", t);
    CreateColumns(t, 2);
    TSchemeAreaCols c;
    FillSchemeAreaCols(t, c);
    (*c.Nr)[1] = 3, (*c.Nr)[2] = 12;
    c.Name->SetItem(1, "Северный");
    c.Name->SetItem(2, "Южный");
    (*c.Color)[1] = 0x111111, (*c.Color)[2] = 0x222222;
    WriteTableFile(base_ + ".RAY", t);
  }
  static std::vector<std::string> Items(QComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.count(); ++i) items.push_back(combo.itemText(i).toStdString());
    return items;
  }
  static std::uint32_t PanelColor(QDialog& d, const char* name) {
    return Child<QPushButton>(d, name).property("color").toUInt();
  }
  // Answers the colour dialog with a colour 0x00BBGGRR.
  static ModalScript::Step Pick(std::uint32_t color) {
    return [color](QDialog& d) {
      static_cast<QColorDialog&>(d).setCurrentColor(QColor(color & 0xFF, (color >> 8) & 0xFF, color >> 16));
      d.accept();
    };
  }

  TSchemBoxState box_;
  std::string base_ = dir_ / "scheme";

private:
  std::string savedConfig_;
};

TEST_F(SetColorFormTest, VoltageClassesAddRemoveAndWidths) {
  script_
      .Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Выбор раскраски элементов схемы");
        QComboBox& ubox = Combo(d, "UBox");
        EXPECT_EQ(Items(ubox), (std::vector<std::string>{"6", "10", "35"}));
        // A width typed while a class is chosen is that class's at once, 0 included.
        ubox.setCurrentIndex(1);
        EXPECT_EQ(Text(d, "_Lw"), "2");
        Type(Child<QLineEdit>(d, "_Lw"), "0");
        // A new voltage: nothing chosen while it is typed; its width 0 becomes 1.
        Type(*ubox.lineEdit(), "10");
        Type(Child<QLineEdit>(d, "_Lw"), "0");
        Press(d, "_Un");
        Press(d, "AddUn");
        EXPECT_EQ(Items(ubox), (std::vector<std::string>{"6", "10", "10", "35"}));
        // A text that is no number is cleared and adds nothing.
        Type(*ubox.lineEdit(), "1x");
        EXPECT_EQ(ubox.currentText(), "");
        Press(d, "AddUn");
        EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"\"\" не является числом"});
        EXPECT_EQ(ubox.count(), 4);
        ubox.setCurrentIndex(3);  // 35 removed
        Press(d, "DelUn");
        Press(d, "OKBtn");
      })
      .Then(Pick(0x123456));
  EXPECT_TRUE(Run());
  EXPECT_EQ(box_.vUn, (std::vector<float>{6, 10, 10}));
  EXPECT_EQ(box_.cUn, (std::vector<std::int32_t>{0x0000FF, 0x00FF00, 0x123456}));
  EXPECT_EQ(box_.wLn, (std::vector<std::int32_t>{1, 0, 1}));
}

// Lists of classes, colours and widths that a damaged settings file left of different lengths go
// together as far as the shortest: a class without a colour or a width is not offered.
TEST_F(SetColorFormTest, ClassListsOfDifferentLengthsAreCutToTheShortest) {
  box_.cUn = {0x0000FF, 0x00FF00};
  box_.wLn = {4};
  script_.Then([&](QDialog& d) {
    EXPECT_EQ(Items(Combo(d, "UBox")), std::vector<std::string>{"6"});
    Press(d, "OKBtn");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(std::tuple(box_.vUn, box_.cUn, box_.wLn),
            std::tuple(std::vector<float>{6}, std::vector<std::int32_t>{0x0000FF}, std::vector<std::int32_t>{4}));
}

TEST_F(SetColorFormTest, DistrictColoursGoToTheFileOnlyOnConfirmation) {
  WriteDistricts();
  const std::string file = ReadBytes(base_ + ".RAY");
  script_
      .Then([&](QDialog& d) {
        Press(d, "_Rn");
        Child<QRadioButton>(d, "tColor2").click();
        Press(d, "CancelBtn");
      })
      .Then(Pick(0x333333));
  EXPECT_FALSE(Run());
  EXPECT_EQ(ReadBytes(base_ + ".RAY"), file) << "cancel leaves the file";
  EXPECT_EQ(box_.tColors, 0);

  script_
      .Then([&](QDialog& d) {
        Combo(d, "_Nr").setCurrentIndex(1);
        Press(d, "_Rn");
        Press(d, "OKBtn");
      })
      .Then(Pick(0x333333));
  EXPECT_TRUE(Run());
  EXPECT_EQ(box_.AreaColors, (std::vector<std::int32_t>{0x111111, 0x333333}));
  TDataFile back;
  ReadTableFile(base_ + ".RAY", back);
  TSchemeAreaCols c;
  FillSchemeAreaCols(back, c);
  EXPECT_EQ((std::vector<std::int32_t>{(*c.Color)[1], (*c.Color)[2]}), (std::vector<std::int32_t>{0x111111, 0x333333}));

  // A district file that is not a table: its error, no dialog, nothing changed.
  WriteBytes(base_ + ".RAY", "not a table");
  msg_.Clear();
  EXPECT_FALSE(Run());
  ASSERT_EQ(msg_.Texts().size(), 1u);
  EXPECT_NE(msg_.Texts()[0].find("scheme.RAY"), std::string::npos) << msg_.Texts()[0];
}

}  // namespace
}  // namespace ld::test
