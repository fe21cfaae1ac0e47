// The loss and coincidence settings dialogs over IniRec and the INI file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "core/base/inifile.h"
#include "core/base/settings.h"
#include "dialog_script.h"
#include "gui/regime/flow_kf_form.h"
#include "gui/regime/period_form.h"
#include "gui/regime/set_loss_form.h"
#include "support/test_env.h"
#include "support/typing.h"

namespace ld::test {
namespace {

bool Enabled(QDialog& d, const char* name) { return Child<QWidget>(d, name).isEnabled(); }
void Click(QDialog& d, const char* name) { Child<QAbstractButton>(d, name).click(); }

class LossDialogs : public RegimeDialogTest {
protected:
  void SetUp() override {
    RegimeDialogTest::SetUp();
    TIniRec& ini = IniRec;
    ini.Kfgn = 1.1f, ini.FlagBalans = true, ini.RegKtr = false, ini.RegQ = true, ini.LossUnom = false;
    ini.LossPlus = false, ini.OurLoss = false, ini.SumALoss = true, ini.FullBalans = true, ini.DynamicFlow = false;
  }
};

TEST_F(LossDialogs, LossSettingsSwitchTheirNeighboursAndStoreOnApply) {
  bool word = false;
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QComboBox>(d, "Period").currentText(), "30 мин");
    EXPECT_EQ(Edit(d, "KfgnEdit").text(), "1.1");
    Click(d, "LossUnomBox");
    for (const char* name : {"FidBox", "RegKtrBox", "RegQBox"}) EXPECT_FALSE(Enabled(d, name)) << name;
    EXPECT_TRUE(Enabled(d, "LossPlusBox"));
    Click(d, "LossPlusBox");
    Click(d, "GrafBtn");
    Child<QComboBox>(d, "Period").setCurrentIndex(18);
    Edit(d, "KfgnEdit").setText("1,21");
    Click(d, "OutWordBox");
    Child<QDateEdit>(d, "Date2").setDate(QDate(2004, 4, 30));
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ExecuteLossSettingsDialog("схема", word));
  const TIniRec& ini = IniRec;
  EXPECT_TRUE(word);
  EXPECT_EQ((std::vector<double>{double(ini.TypCalcPQ), double(ini.Tgr), ini.Kfgn, ini.Date1, ini.Date2}),
            (std::vector<double>{3, 3600, 1.21f, EncodeDate(2004, 3, 1), EncodeDate(2004, 4, 30)}));
  EXPECT_TRUE(ini.LossUnom && ini.LossPlus && ini.FlagBalans && ini.RegQ && !ini.RegKtr);
}

// The period typed as it is written, from the month or the end of the field; a day that does not exist
// is kept for correcting over the field's date, and the calculation does not start with it.
TEST_F(LossDialogs, LossPeriodTypedAsWritten) {
  bool word = false;
  script.Then([](QDialog& d) {
    auto& date1 = Child<QDateEdit>(d, "Date1");
    auto& date2 = Child<QDateEdit>(d, "Date2");
    EXPECT_TRUE(ClickDateSection(date1, QDateTimeEdit::MonthSection));
    QTest::keyClicks(&date1, "15.10.2026");
    QTest::keyClick(&date2, Qt::Key_End);
    QTest::keyClicks(&date2, "5.3.2027");
    EXPECT_TRUE(ClickDateSection(date2, QDateTimeEdit::YearSection));
    QTest::keyClicks(&date2, "31.2.2027");
    EXPECT_EQ(std::pair(date2.text().toStdString(), date2.date()),
              std::pair(std::string("31.2.2027"), QDate(2027, 3, 5)));
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible());
    QTest::keyClick(&date2, Qt::Key_Escape);
    RefusedDatesKeepTheDialogOpen(d);
    DeletedDatesKeepTheDialogOpen(d);
    TypeOnKeypad(&date1, "1,3,2027");
    EXPECT_EQ(date1.text().toStdString(), "01.03.2027");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ExecuteLossSettingsDialog("схема", word));
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2027, 3, 1), EncodeDate(2027, 3, 5)));

  // Years of two digits, as the program writes a period, and Enter to run.
  script.Then([](QDialog& d) {
    QTest::keyClicks(&Child<QDateEdit>(d, "Date2"), "30.11.26");
    QTest::keyClick(&Child<QDateEdit>(d, "Date2"), Qt::Key_Tab);
    QTest::keyClicks(&Child<QDateEdit>(d, "Date1"), "1.11.26");
    QTest::keyClick(&Child<QDateEdit>(d, "Date1"), Qt::Key_Return);
  });
  ASSERT_TRUE(gui::ExecuteLossSettingsDialog("схема", word));
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2026, 11, 1), EncodeDate(2026, 11, 30)));

  // A year cut to two digits by deleting is a year of two digits, not the year that was there.
  script.Then([](QDialog& d) {
    auto& date1 = Child<QDateEdit>(d, "Date1");
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Backspace, Qt::Key_Backspace}) QTest::keyClick(&date1, key);
    EXPECT_EQ(date1.text().toStdString(), "01.11.20");
    QTest::keyClick(&date1, Qt::Key_Return);
  });
  ASSERT_TRUE(gui::ExecuteLossSettingsDialog("схема", word));
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2020, 11, 1), EncodeDate(2026, 11, 30)));
  EXPECT_EQ(box.Texts(), std::vector<std::string>{});
}

// A reversed period keeps the dialog open with its message and is never stored: the period dialog
// opens later with the period as it was.
TEST_F(LossDialogs, ReversedLossPeriodIsNotStored) {
  bool word = false;
  script.Then([&](QDialog& d) {
    QTest::keyClicks(&Child<QDateEdit>(d, "Date1"), "30.11.2026");
    QTest::keyClicks(&Child<QDateEdit>(d, "Date2"), "01.11.2026");
    QTest::keyClick(&Child<QDateEdit>(d, "Date2"), Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible());
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::ExecuteLossSettingsDialog("схема", word));
  EXPECT_EQ(box.Texts(), std::vector<std::string>(2, "Начальная дата больше конечной даты заданного периода"));
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2004, 3, 1), EncodeDate(2004, 3, 31)));
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QDateEdit>(d, "Date1").text().toStdString(), "01.03.2004");
    EXPECT_EQ(Child<QDateEdit>(d, "Date2").text().toStdString(), "31.03.2004");
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::ExecuteCalcPeriodDialog());
}

TEST_F(LossDialogs, CoincidenceCoefficientsThroughTheIniSection) {
  TempDir dir;
  const std::string saved = ConfigFileName;
  ConfigFileName = (dir.Path() / "prog.ini").string();
  WriteBytes(ConfigFileName, "[Other]\r\nA=1\r\n");
  DAsingle list;
  auto table = [](QDialog& d) -> QTableWidget& { return Child<QTableWidget>(d, "KoefGrid"); };
  script.Then([&](QDialog& d) {
    Edit(d, "Edit1").setText("3");
    ASSERT_EQ(table(d).rowCount(), 3);
    EXPECT_EQ(table(d).item(2, 0)->text(), "3");
    table(d).item(1, 1)->setText("0,85");
    table(d).item(2, 1)->setText("0.7");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(gui::ExecuteFlowsKoefDialog(list));
  ASSERT_EQ(list.Count, 3);
  EXPECT_FLOAT_EQ(list.Get(2), 0.85f);
  EXPECT_EQ(ReadBytes(ConfigFileName), "[Other]\r\nA=1\r\n\r\n[FlowsKoef]\r\n1=1\r\n2=0.85\r\n3=0.7\r\n");

  // failures name the file and the dialog goes on
  WriteBytes(ConfigFileName, "[FlowsKoef]\r\n1=0.9\r\n2=abc\r\n3=0.5\r\n");
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Edit(d, "Edit1").text(), "1");
    EXPECT_EQ(table(d).item(0, 1)->text(), "0.9");
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(gui::ExecuteFlowsKoefDialog(list));
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Ошибка чтения файла конфигурации " + ConfigFileName});
  box.Clear();
  const auto previous = SetIniFileWriter([](int, const std::string&) { return false; });
  script.Then([](QDialog& d) { Press(d, "OKBtn"); });
  EXPECT_TRUE(gui::ExecuteFlowsKoefDialog(list));
  SetIniFileWriter(previous);
  EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Ошибка чтения файла конфигурации " + ConfigFileName,
                                                   "Ошибка записи файла конфигурации " + ConfigFileName}));
  EXPECT_EQ(ReadBytes(ConfigFileName), "[FlowsKoef]\r\n1=0.9\r\n2=abc\r\n3=0.5\r\n");
  ConfigFileName = saved;
}

}  // namespace
}  // namespace ld::test
