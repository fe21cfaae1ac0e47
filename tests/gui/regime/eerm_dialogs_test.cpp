// The EERM settings dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "core/base/settings.h"
#include "dialog_script.h"
#include "gui/regime/set_eerm_form.h"

namespace ld::test {
namespace {

using gui::ExecuteEERMSettingsDialog;

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
}
}  // namespace
}  // namespace ld::test
