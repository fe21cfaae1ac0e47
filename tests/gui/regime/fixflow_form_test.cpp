// The balancing settings dialog over IniRec: loading, storing, cancelling, bad numbers, reduced mode.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/base/settings.h"
#include "dialog_script.h"
#include "gui/regime/fixflow_form.h"
#include "support/scripted_msgbox.h"

namespace ld::test {
namespace {

using gui::ExecuteBalansSettingsDialog;

QString Text(QDialog& d, const char* name) { return Child<QLineEdit>(d, name).text(); }
void SetText(QDialog& d, const char* name, const char* text) { Child<QLineEdit>(d, name).setText(QString::fromUtf8(text)); }
bool Checked(QDialog& d, const char* name) { return Child<QCheckBox>(d, name).isChecked(); }

class BalansDialog : public ::testing::Test {
protected:
  void SetUp() override { KnownSettings(); }
  ScriptedMsgBox box;
};

TEST_F(BalansDialog, FieldsLoadAndStore) {
  ModalScript script;
  script.Then([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Балансировка нагрузок");
    EXPECT_EQ(Text(d, "PrecEdit"), "0.002");
    EXPECT_EQ(Text(d, "TgfEdit"), "0.45");
    EXPECT_EQ(Text(d, "IterEdit"), "40");
    EXPECT_EQ(Text(d, "ShiftEdit"), "0.75");
    EXPECT_EQ(Text(d, "MulKvuEdit"), "2");
    EXPECT_EQ(Text(d, "MulKvfEdit"), "3");
    EXPECT_EQ(Text(d, "MulKviEdit"), "4");
    EXPECT_TRUE(Checked(d, "CLoadBox"));
    EXPECT_FALSE(Checked(d, "CVoltBox"));
    EXPECT_TRUE(Checked(d, "CFlowBox"));
    EXPECT_FALSE(Checked(d, "WLoadBox"));
    EXPECT_TRUE(Checked(d, "WVoltBox"));
    EXPECT_FALSE(Checked(d, "WFlowBox"));
    EXPECT_TRUE(Checked(d, "PropPQBox"));
    EXPECT_FALSE(Checked(d, "RZnakBox"));
    EXPECT_TRUE(Checked(d, "RNullBox"));
    EXPECT_TRUE(Checked(d, "SavePQBox"));
    EXPECT_TRUE(Checked(d, "IterBox"));
    EXPECT_TRUE(Child<QPushButton>(d, "RegBtn").isVisible());

    SetText(d, "PrecEdit", "");  // empty reads as 0
    SetText(d, "TgfEdit", "0,62");
    SetText(d, "IterEdit", "75");
    SetText(d, "ShiftEdit", "1.5");
    SetText(d, "MulKvuEdit", "-");
    SetText(d, "MulKvfEdit", "10");
    SetText(d, "MulKviEdit", "0.25");
    for (const char* name : {"CLoadBox", "CVoltBox", "CFlowBox", "WLoadBox", "WVoltBox", "WFlowBox", "PropPQBox",
                             "RZnakBox", "RNullBox", "SavePQBox", "IterBox"}) {
      Child<QCheckBox>(d, name).toggle();
    }
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteBalansSettingsDialog(true));
  const TIniRec& ini = IniRec;
  EXPECT_EQ(ini.BPrec, 0.0f);
  EXPECT_EQ(ini.Btgf, 0.62f);
  EXPECT_EQ(ini.BIter, 75);
  EXPECT_EQ(ini.BShift, 1.5f);
  EXPECT_EQ(ini.MulKvu, 0.0f);
  EXPECT_EQ(ini.MulKvf, 10.0f);
  EXPECT_EQ(ini.MulKvi, 0.25f);
  EXPECT_FALSE(ini.CLoad);
  EXPECT_TRUE(ini.CVolt);
  EXPECT_FALSE(ini.CFlow);
  EXPECT_TRUE(ini.WLoad);
  EXPECT_FALSE(ini.WVolt);
  EXPECT_TRUE(ini.WFlow);
  EXPECT_FALSE(ini.PropPQ);
  EXPECT_TRUE(ini.RZnak);
  EXPECT_FALSE(ini.RNull);
  EXPECT_FALSE(ini.SavePQ);
  EXPECT_FALSE(ini.OutIter);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(BalansDialog, CancelAndBadNumbersStoreNothing) {
  ModalScript script;
  script.Then([](QDialog& d) {
    SetText(d, "PrecEdit", "0.5");
    Child<QCheckBox>(d, "RNullBox").setChecked(false);
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteBalansSettingsDialog(true));
  EXPECT_EQ(IniRec.BPrec, 0.002f);
  EXPECT_TRUE(IniRec.RNull);

  // A bad integer after good fields: an error, the dialog stays open, nothing is stored.
  script.Then([this](QDialog& d) {
    SetText(d, "PrecEdit", "0.5");
    SetText(d, "IterEdit", "12.5");
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible());
    EXPECT_NE(d.result(), QDialog::Accepted);
    ASSERT_EQ(box.Calls().size(), 1u);
    EXPECT_EQ(box.Calls()[0].kind, mkError);
    EXPECT_EQ(IniRec.BPrec, 0.002f);
    // Typing a letter into a number field reports at once and keeps the text.
    box.Clear();
    auto& tgf = Child<QLineEdit>(d, "TgfEdit");
    tgf.clear();
    QTest::keyClicks(&tgf, "1x");
    ASSERT_EQ(box.Calls().size(), 1u);
    EXPECT_EQ(tgf.text(), "1x");
    Press(d, "OKBtn");
    EXPECT_EQ(box.Calls().size(), 2u);
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteBalansSettingsDialog(true));
  EXPECT_EQ(IniRec.BPrec, 0.002f);
  EXPECT_EQ(IniRec.BIter, 40);
  EXPECT_EQ(IniRec.Btgf, 0.45f);
}

TEST_F(BalansDialog, ReducedModeAndRegimeSettingsButton) {
  ModalScript script;
  script.Then([](QDialog& d) {
    EXPECT_FALSE(Child<QPushButton>(d, "RegBtn").isVisible());
    EXPECT_FALSE(Child<QCheckBox>(d, "SavePQBox").isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(d, "IterBox").isEnabled());
    EXPECT_FALSE(Checked(d, "IterBox")) << "no listing without the full dialog";
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteBalansSettingsDialog(false));
  EXPECT_FALSE(IniRec.OutIter);
  EXPECT_TRUE(IniRec.SavePQ);

  // "Режимные установки" opens the regime settings with the period; its answer changes nothing here.
  script.Then([](QDialog& d) { Press(d, "RegBtn"); Press(d, "CancelBtn"); })
      .Then([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Расчет режима схемы");
        EXPECT_TRUE(Child<QPushButton>(d, "WRBtn").isEnabled());
        EXPECT_EQ(Child<QLabel>(d, "DateLabel").text(), "01.03.04 - 31.03.04");
        Child<QLineEdit>(d, "UvEdit").setText("20");
        Press(d, "OKBtn");
      });
  EXPECT_FALSE(ExecuteBalansSettingsDialog(true));
  EXPECT_EQ(IniRec.Uv, 20.0f);
}

}  // namespace
}  // namespace ld::test
