// The EERM settings and test dialogs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "core/base/settings.h"
#include "dialog_script.h"
#include "gui/regime/eerm_test_form.h"
#include "gui/regime/set_eerm_form.h"

namespace ld::test {
namespace {

using gui::ExecuteEERMSettingsDialog;
using gui::ExecuteEERMTestDialog;

class EERMDialogs : public RegimeDialogTest {};

TEST_F(EERMDialogs, SettingsShownTypedAndStored) {
  IniRec.dQ = 0.123456789f;
  IniRec.AbsEERM = false;
  script.Then([](QDialog& d) {
    EXPECT_EQ(Edit(d, "PrecEdit").text() + " " + Edit(d, "IterEdit").text(), "0.0005 150");
    EXPECT_EQ(Edit(d, "dQEdit").text(), "0.1234568");  // seven significant digits
    EXPECT_FALSE(Child<QCheckBox>(d, "AbsEERMBox").isChecked());
    // A letter empties the edit at once; a comma reads as the decimal point.
    Edit(d, "IterEdit").setText("12a");
    EXPECT_EQ(Edit(d, "IterEdit").text(), "");
    Edit(d, "PrecEdit").setText("1e-6x");
    EXPECT_EQ(Edit(d, "PrecEdit").text(), "");
    Edit(d, "PrecEdit").setText("0,00002");
    Edit(d, "dQEdit").setText("0.5");
    Child<QCheckBox>(d, "AbsEERMBox").setChecked(true);
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteEERMSettingsDialog());
  // the emptied limit reads as 0
  EXPECT_EQ((std::vector<double>{IniRec.Prec, double(IniRec.Iter1), IniRec.dQ}), (std::vector<double>{0.00002f, 0, 0.5}));
  EXPECT_TRUE(IniRec.AbsEERM);

  // "Отменить" changes nothing.
  script.Then([](QDialog& d) {
    Edit(d, "dQEdit").setText("7");
    Child<QCheckBox>(d, "AbsEERMBox").setChecked(false);
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteEERMSettingsDialog());
  EXPECT_FLOAT_EQ(IniRec.dQ, 0.5f);
  EXPECT_TRUE(IniRec.AbsEERM);
}

TEST_F(EERMDialogs, TestDialogNodeAndIncrement) {
  int node = 99;
  double dQ = 99;
  script.Then([](QDialog& d) {
    EXPECT_EQ(Edit(d, "NumEdit").text() + "|" + Edit(d, "dQEdit").text(), "|1");
    Edit(d, "NumEdit").setText("1x");
    EXPECT_EQ(Edit(d, "NumEdit").text(), "");
    Edit(d, "NumEdit").setText("1205");
    Edit(d, "dQEdit").setText("0,25");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteEERMTestDialog(node, dQ));
  EXPECT_EQ(std::pair(node, dQ), std::pair(1205, 0.25));

  script.Then([](QDialog& d) {
    Edit(d, "NumEdit").setText("7");
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteEERMTestDialog(node, dQ));
  EXPECT_EQ(std::pair(node, dQ), std::pair(1205, 0.25));
}

}  // namespace
}  // namespace ld::test
