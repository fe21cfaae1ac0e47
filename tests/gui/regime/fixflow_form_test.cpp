// The balancing settings dialog over IniRec: loading, storing, cancelling, bad numbers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/base/settings.h"
#include "dialog_script.h"
#include "gui/regime/fixflow_form.h"

namespace ld::test {
namespace {

using gui::ExecuteBalansSettingsDialog;

// Each check box with the key it edits.
const std::pair<const char*, bool TIniRec::*> kBoxes[] = {
    {"CLoadBox", &TIniRec::CLoad}, {"CVoltBox", &TIniRec::CVolt},   {"CFlowBox", &TIniRec::CFlow},
    {"WLoadBox", &TIniRec::WLoad}, {"WVoltBox", &TIniRec::WVolt},   {"WFlowBox", &TIniRec::WFlow},
    {"PropPQBox", &TIniRec::PropPQ}, {"RZnakBox", &TIniRec::RZnak}, {"RNullBox", &TIniRec::RNull},
    {"SavePQBox", &TIniRec::SavePQ}, {"IterBox", &TIniRec::OutIter}};

class BalansDialog : public RegimeDialogTest {};

TEST_F(BalansDialog, FieldsLoadAndStore) {
  const std::pair<const char*, const char*> edits[] = {{"PrecEdit", "0.002"}, {"TgfEdit", "0.45"}, {"IterEdit", "40"},
                                                       {"ShiftEdit", "0.75"}, {"MulKvuEdit", "2"},  {"MulKvfEdit", "3"},
                                                       {"MulKviEdit", "4"}};
  script.Then([&](QDialog& d) {
    for (const auto& [name, text] : edits) EXPECT_EQ(Edit(d, name).text(), text) << name;
    for (const auto& [name, key] : kBoxes) {
      EXPECT_EQ(Child<QCheckBox>(d, name).isChecked(), IniRec.*key) << name;
      Child<QCheckBox>(d, name).toggle();
    }
    EXPECT_TRUE(Child<QPushButton>(d, "RegBtn").isVisible());
    Edit(d, "PrecEdit").clear();  // empty reads as 0
    Edit(d, "TgfEdit").setText("0,62");
    Edit(d, "IterEdit").setText("75");
    Edit(d, "MulKvuEdit").setText("-");
    Edit(d, "MulKviEdit").setText("0.25");
    Press(d, "OKBtn");
  });
  bool before[std::size(kBoxes)];
  for (std::size_t k = 0; k < std::size(kBoxes); ++k) before[k] = IniRec.*kBoxes[k].second;
  ASSERT_TRUE(ExecuteBalansSettingsDialog(true));
  const TIniRec& ini = IniRec;
  EXPECT_EQ((std::vector<double>{ini.BPrec, ini.Btgf, double(ini.BIter), ini.BShift, ini.MulKvu, ini.MulKvf, ini.MulKvi}),
            (std::vector<double>{0, 0.62f, 75, 0.75f, 0, 3, 0.25f}));
  for (std::size_t k = 0; k < std::size(kBoxes); ++k) EXPECT_NE(ini.*kBoxes[k].second, before[k]) << kBoxes[k].first;
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(BalansDialog, BadNumbersAndCancelStoreNothing) {
  // A bad integer after good fields: an error, the dialog stays open, nothing is stored.
  script.Then([this](QDialog& d) {
    Edit(d, "PrecEdit").setText("0.5");
    Child<QCheckBox>(d, "RNullBox").setChecked(false);
    Edit(d, "IterEdit").setText("12.5");
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(box.Calls().size(), 1u);
    EXPECT_EQ(box.Calls()[0].kind, mkError);
    EXPECT_EQ(IniRec.BPrec, 0.002f);
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteBalansSettingsDialog(true));
  EXPECT_EQ((std::vector<double>{IniRec.BPrec, double(IniRec.BIter)}), (std::vector<double>{0.002f, 40}));
  EXPECT_TRUE(IniRec.RNull);
}

}  // namespace
}  // namespace ld::test
