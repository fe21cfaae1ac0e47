// The substation dialog on the values handed to it.
#include <QColorDialog>
#include <QPushButton>

#include "elem_fixture.h"
#include "gui/diagram/subst_form.h"

namespace ld::test {
namespace {

class SubstFormTest : public ElemDialogTest {
protected:
  bool Run(bool editable = true) {
    return gui::EditSubstation(name_, owner_, {"ПС Южная", "РП-3", "ТП-5"}, {"3", "12"}, {"Северный", "Южный"},
                               editable, renamed_, letter_, district_, color_);
  }
  std::string name_ = "ТП-5", owner_ = "ООО Свет";
  bool renamed_ = true;
  char letter_ = static_cast<char>(0xC0);
  std::int32_t district_ = 12;
  std::uint32_t color_ = 0x00FF00;
};

TEST_F(SubstFormTest, NamesDistrictsOwnershipAndColour) {
  script_
      .Then([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Подстанция");
        EXPECT_EQ(Texts(d, {"Edit1", "ComboBox3", "_Abon", "_NameAbon"}), "ТП-5|Южный|Абонентские сети|ООО Свет");
        Type(Child<QLineEdit>(d, "Edit1"), "рп-3");
        Press(d, "OkBtn");
        EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Подстанция с таким наименованием уже существует"});
        EXPECT_TRUE(d.isVisible());
        Type(Child<QLineEdit>(d, "Edit1"), "тп-5");
        Combo(d, "ComboBox3").setCurrentIndex(0);
        Combo(d, "_Abon").setCurrentIndex(3);
        Press(d, "_Color");
        Press(d, "OkBtn");
      })
      .Then([](QDialog& d) {
        static_cast<QColorDialog&>(d).setCurrentColor(QColor(0, 0, 255));
        d.accept();
      });
  EXPECT_TRUE(Run());
  EXPECT_TRUE(renamed_) << "a rename in letter case only";
  EXPECT_EQ(name_, "тп-5");
  EXPECT_EQ(district_, 3);
  EXPECT_EQ(letter_, static_cast<char>(0xD1));
  EXPECT_EQ(color_, 0xFF0000u);

  // Read-only: shown only, nothing comes back; a small letter is no ownership letter here.
  letter_ = static_cast<char>(0xE1);
  script_.Then([](QDialog& d) {
    EXPECT_FALSE(Child<QPushButton>(d, "OkBtn").isEnabled());
    Press(d, "Button2");
  });
  EXPECT_FALSE(Run(false));
  EXPECT_EQ(name_ + " " + std::to_string(district_), "тп-5 3");
  EXPECT_EQ(letter_, static_cast<char>(0xE1));
}

}  // namespace
}  // namespace ld::test
