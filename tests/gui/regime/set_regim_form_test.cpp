// The regime settings and calculation period dialogs over IniRec.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/base/settings.h"
#include "dialog_script.h"
#include "gui/regime/period_form.h"
#include "gui/regime/reconfig_form.h"
#include "gui/regime/set_regim_form.h"
#include "gui/regime/testswt_form.h"
#include "gui/regime/write_swt_form.h"
#include "support/typing.h"

namespace ld::test {
namespace {

using gui::ExecuteCalcPeriodDialog;
using gui::ExecuteRegimSettingsDialog;
using gui::TRadioGroup;

class RegimDialogs : public RegimeDialogTest {};

TEST_F(RegimDialogs, RegimeSettingsLoadAndStore) {
  script.Then([](QDialog& d) {
    // Without the period its button is off.
    EXPECT_FALSE(Child<QPushButton>(d, "WRBtn").isEnabled());

    // The algorithm and the Q limits go with the fixed modules.
    EXPECT_TRUE(Child<QComboBox>(d, "ComboBox1").isEnabled());
    Child<QCheckBox>(d, "CheckBox1").click();
    EXPECT_FALSE(Child<QComboBox>(d, "ComboBox1").isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(d, "CheckBox2").isEnabled());

    // Numbers that do not read are removed as they are typed.
    Edit(d, "IterEdit").setText("-");
    EXPECT_EQ(Edit(d, "IterEdit").text(), "");
    Edit(d, "IterEdit").setText("-50");
    Edit(d, "Damp1").setText("1e");
    EXPECT_EQ(Edit(d, "Damp1").text(), "");
    Edit(d, "UvEdit").setText("15,5");
    Edit(d, "CountRQEdit").clear();
    Child<QComboBox>(d, "ComboBox1").setCurrentIndex(3);
    Child<QCheckBox>(d, "CheckBox4").setChecked(true);
    Child<QRadioButton>(d, "RadioButton2").setChecked(true);
    Child<TRadioGroup>(d, "TypU0").Button(2)->click();
    Child<TRadioGroup>(d, "TypLoad").Button(0)->click();
    Child<TRadioGroup>(d, "TypTok").Button(0)->click();
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteRegimSettingsDialog(false));
  const TIniRec& ini = IniRec;
  EXPECT_EQ((std::vector<double>{double(ini.Iter1), ini.Damp1, ini.Damp2, ini.Uv, ini.Un, ini.Prec,
                                 double(ini.CountRQ), double(ini.AlgmFM), double(ini.Dimension), double(ini.FlagU0),
                                 double(ini.TypLoad)}),
            (std::vector<double>{50, 0, 0.6f, 15.5f, 7, 0.0005f, 0, 3, 1, 2, 0}));
  EXPECT_TRUE(ini.RepeatIter && !ini.FlagFM && ini.SumSbal && !ini.FlagIF && !ini.FlagRQ && ini.FlagPQ);

  // The period as the dialog shows it: years in full, so that a period of this century never reads as
  // one of the last.
  const std::tuple<TDateTime, TDateTime, int, std::string, std::string> periods[] = {
      {EncodeDate(2050, 11, 1), EncodeDate(2049, 11, 30), 0, "01.11.2050 - 30.11.2049", "Средняя загрузка"},
      {EncodeDate(1999, 12, 31), EncodeDate(2000, 1, 1), 3, "31.12.1999 - 01.01.2000",
       "Граф. нагрузок, 31.12.1999 10:30:00, 15 мин"}};
  for (const auto& [date1, date2, kind, period, loads] : periods) {
    IniRec.Date1 = date1, IniRec.Date2 = date2, IniRec.TypCalcPQ = kind, IniRec.Tgr = 900;
    IniRec.CalcDate = date1 + EncodeTime(10, 30, 0);
    script.Then([&](QDialog& d) {
      EXPECT_EQ(Child<QLabel>(d, "DateLabel").text().toStdString(), period);
      EXPECT_EQ(Child<QLabel>(d, "WRLabel").text().toStdString(), loads);
      Press(d, "CancelBtn");
    });
    EXPECT_FALSE(ExecuteRegimSettingsDialog(true));
  }
}

TEST_F(RegimDialogs, PeriodChecksKeepTheDialogOpen) {
  script.Then([&](QDialog& d) {
    // The moment and interval into the dialog, then "Применить": the messages it gives.
    auto apply = [&](QDate date, QTime time, const char* interval) {
      Child<QDateEdit>(d, "CalcDate").setDate(date);
      Child<QTimeEdit>(d, "CalcTime").setTime(time);
      auto& period = Child<QComboBox>(d, "Period");
      period.setCurrentIndex(interval != nullptr ? period.findText(interval) : -1);
      box.Clear();
      Press(d, "OKBtn");
      return box.Texts();
    };
    using Texts = std::vector<std::string>;
    Child<QDateEdit>(d, "Date2").setDate(QDate(2004, 2, 28));
    EXPECT_EQ(apply(QDate(2004, 3, 5), QTime(10, 30), "1 час"), Texts{"Начальная дата больше конечной даты заданного периода"});
    EXPECT_TRUE(d.isVisible());
    Child<QDateEdit>(d, "Date2").setDate(QDate(2004, 3, 1));  // a one-day period: its first slice ends at 01:00
    const Texts outside{"Дата среза по графикам нагрузок не входит в заданный период"};
    EXPECT_EQ(apply(QDate(2004, 3, 1), QTime(0, 0), "1 час"), outside);
    EXPECT_EQ(apply(QDate(2004, 3, 2), QTime(0, 0, 1), "1 час"), outside);
    Child<QDateEdit>(d, "Date2").setDate(QDate(2004, 3, 3));
    EXPECT_EQ(apply(QDate(2004, 3, 2), QTime(1, 30), "1 час"), Texts{"Заданное время расчета не кратно заданному интервалу"});
    EXPECT_EQ(apply(QDate(2004, 3, 2), QTime(0, 30), nullptr), Texts{"Не задан интервал временных срезов графиков"});
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(apply(QDate(2004, 3, 2), QTime(0, 30), "1 час"), Texts{});
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ((std::vector<double>{IniRec.Date1, IniRec.Date2, double(IniRec.TypCalcPQ), IniRec.CalcDate,
                                 double(IniRec.Tgr)}),
            (std::vector<double>{EncodeDate(2004, 3, 1), EncodeDate(2004, 3, 3), 3,
                                 EncodeDate(2004, 3, 2) + EncodeTime(0, 30, 0), 3600}));

  // An interval that is not offered opens without a choice and stays as it was.
  IniRec.Tgr = 7;
  IniRec.TypCalcPQ = 0;
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Child<QComboBox>(d, "Period").currentIndex(), -1);
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(IniRec.Tgr, 7);
}

// Dates typed as they are written, wherever the cursor stood in the field: the period is the one typed.
TEST_F(RegimDialogs, PeriodDatesTypedAsWrittenAreThePeriod) {
  IniRec.Date1 = EncodeDate(2026, 11, 1), IniRec.Date2 = EncodeDate(2026, 11, 30), IniRec.TypCalcPQ = 0;
  script.Then([](QDialog& d) {
    for (const char* name : {"Date1", "Date2"}) {
      auto& field = Child<QDateEdit>(d, name);
      const std::pair<std::function<void()>, QString> typed[] = {
          {[&] { EXPECT_TRUE(ClickDateSection(field, QDateTimeEdit::DaySection)); }, "15.10.2026"},
          {[&] { QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier); }, "20.12.2026"},
          {[&] { QTest::keyClick(&field, Qt::Key_Home); }, "5.3.2026"},
          {[&] { QTest::keyClick(&field, Qt::Key_Home); }, "01.02.2027"}};
      for (const auto& [place, text] : typed) {
        place();
        QTest::keyClicks(&field, text);
        EXPECT_EQ(field.date().toString("dd.MM.yyyy").toStdString(),
                  QDate::fromString(text, "d.M.yyyy").toString("dd.MM.yyyy").toStdString())
            << name << " " << text.toStdString();
      }
    }
    RefusedDatesKeepTheDialogOpen(d);
    DeletedDatesKeepTheDialogOpen(d);
    auto& date1 = Child<QDateEdit>(d, "Date1");
    auto& date2 = Child<QDateEdit>(d, "Date2");
    // The keypad's decimal key under a Russian layout types a comma.
    TypeOnKeypad(&date1, "15,10,2026");
    EXPECT_EQ(date1.text().toStdString(), "15.10.2026");
    EXPECT_TRUE(ClickDateSection(date1, QDateTimeEdit::DaySection));
    QTest::keyClicks(&date1, "01.11.2026");
    EXPECT_TRUE(ClickDateSection(date2, QDateTimeEdit::DaySection));
    QTest::keyClicks(&date2, "30.11.2026");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2026, 11, 1), EncodeDate(2026, 11, 30)));

  // Typed as a person types a period: the first date, Tab to the second, the second date, Enter. Tab goes
  // to the next field and never walks the first date's sections, which would take the second date.
  script.Then([](QDialog& d) {
    auto& date1 = Child<QDateEdit>(d, "Date1");
    d.activateWindow();
    date1.setFocus();
    QTest::keyClicks(QApplication::focusWidget(), "01.10.2026");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_TRUE(focused == &Child<QDateEdit>(d, "Date2") || focused->parentWidget() == &Child<QDateEdit>(d, "Date2"))
        << focused->objectName().toStdString();
    QTest::keyClicks(focused, "31.10.2026");
    QTest::keyClick(focused, Qt::Key_Return);
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2026, 10, 1), EncodeDate(2026, 10, 31)));

  // A click on any part of a date, Tab or Shift+Tab, and the date typed then: it lands in the other
  // field, never in the sections of the one clicked.
  script.Then([](QDialog& d) {
    auto& date1 = Child<QDateEdit>(d, "Date1");
    auto& date2 = Child<QDateEdit>(d, "Date2");
    struct Move {
      QDateEdit* from;
      QDateTimeEdit::Section clicked;
      Qt::Key key;
      QDateEdit* to;
    };
    const Move moves[] = {{&date1, QDateTimeEdit::DaySection, Qt::Key_Tab, &date2},
                          {&date1, QDateTimeEdit::MonthSection, Qt::Key_Tab, &date2},
                          {&date1, QDateTimeEdit::YearSection, Qt::Key_Tab, &date2},
                          {&date2, QDateTimeEdit::DaySection, Qt::Key_Backtab, &date1},
                          {&date2, QDateTimeEdit::MonthSection, Qt::Key_Backtab, &date1},
                          {&date2, QDateTimeEdit::YearSection, Qt::Key_Backtab, &date1}};
    d.activateWindow();
    for (const Move& m : moves) {
      const std::string trace = m.from->objectName().toStdString() + " " + std::to_string(m.clicked) + " " +
                                std::to_string(m.key);
      date1.setDate(QDate(2026, 11, 1));
      date2.setDate(QDate(2026, 11, 30));
      ASSERT_TRUE(ClickDateSection(*m.from, m.clicked)) << trace;
      QWidget* from = QApplication::focusWidget();
      ASSERT_TRUE(from == m.from || (from != nullptr && from->parentWidget() == m.from)) << trace;
      QTest::keyClick(from, m.key, m.key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
      QWidget* to = QApplication::focusWidget();
      if (to == nullptr || (to != m.to && to->parentWidget() != m.to)) {
        ADD_FAILURE() << trace << ": the focus stayed in " << m.from->objectName().toStdString();
        continue;
      }
      QTest::keyClicks(to, "15.10.2026");
      EXPECT_EQ(std::pair(date1.date(), date2.date()),
                m.to == &date1 ? std::pair(QDate(2026, 10, 15), QDate(2026, 11, 30))
                               : std::pair(QDate(2026, 11, 1), QDate(2026, 10, 15)))
          << trace;
    }
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteCalcPeriodDialog());

  // The year mended as a person mends it: its last two digits selected and typed anew.
  script.Then([](QDialog& d) {
    auto& date1 = Child<QDateEdit>(d, "Date1");
    date1.setDate(QDate(2026, 11, 1));
    d.activateWindow();
    date1.setFocus();
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Left, Qt::Key_Left})
      QTest::keyClick(&date1, key, key == Qt::Key_End ? Qt::NoModifier : Qt::ShiftModifier);
    QTest::keyClicks(&date1, "25");
    EXPECT_EQ(date1.text().toStdString(), "01.11.2025");
    QTest::keyClick(&date1, Qt::Key_Return);
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2025, 11, 1), EncodeDate(2026, 10, 31)));

  // Years of two digits, as the program writes a period, and Enter to confirm.
  script.Then([](QDialog& d) {
    QTest::keyClicks(&Child<QDateEdit>(d, "Date2"), "15.10.26");
    QTest::keyClick(&Child<QDateEdit>(d, "Date2"), Qt::Key_Tab);
    QTest::keyClicks(&Child<QDateEdit>(d, "Date1"), "1.1.26");
    QTest::keyClick(&Child<QDateEdit>(d, "Date1"), Qt::Key_Return);
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2026, 1, 1), EncodeDate(2026, 10, 15)));

  // A year cut to two digits by deleting is a year of two digits, not the year that was there.
  script.Then([](QDialog& d) {
    auto& date1 = Child<QDateEdit>(d, "Date1");
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Backspace, Qt::Key_Backspace}) QTest::keyClick(&date1, key);
    EXPECT_EQ(date1.text().toStdString(), "01.01.20");
    QTest::keyClick(&date1, Qt::Key_Return);
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(std::pair(IniRec.Date1, IniRec.Date2), std::pair(EncodeDate(2020, 1, 1), EncodeDate(2026, 10, 15)));
  EXPECT_EQ(box.Texts(), std::vector<std::string>{});
}

// A refused moment of the graphs' slice holds the dialog back only while the graphs are the kind of loads
// it takes: another kind chosen by a click or by the arrows lets "Применить" go on with the moment held
// before, and the graphs chosen again check the text again.
TEST_F(RegimDialogs, ARefusedSliceMomentFollowsTheKindOfLoads) {
  // a click on a kind's round mark, where a person clicks it
  const auto click = [](QRadioButton& kind) {
    QTest::mouseClick(&kind, Qt::LeftButton, {}, QPoint(kind.iconSize().width() / 2 + 2, kind.height() / 2));
  };
  script.Then([&](QDialog& d) {
    auto& calcDate = Child<QDateEdit>(d, "CalcDate");
    auto& graphs = Child<QRadioButton>(d, "GrafBtn");
    const std::string refused = "Даты \"31.11.2026\" не существует";
    d.activateWindow();
    QTest::keyClicks(&calcDate, "31.11.2026");
    QTest::keyClick(&calcDate, Qt::Key_Return);
    EXPECT_EQ(DateMessage(d), refused);
    click(Child<QRadioButton>(d, "SredBtn"));
    EXPECT_EQ(std::pair(calcDate.isEnabled(), DateMessage(d)), std::pair(false, std::string()));
    click(graphs);
    EXPECT_EQ(std::pair(calcDate.isEnabled(), DateMessage(d)), std::pair(true, refused));
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible() && d.result() != QDialog::Accepted);
    EXPECT_EQ(calcDate.text().toStdString(), "31.11.2026");
    // the arrows in the group of kinds: from the graphs up to the maximal load
    graphs.setFocus();
    QTest::keyClick(&graphs, Qt::Key_Up);
    ASSERT_TRUE(Child<QRadioButton>(d, "PmaxBtn").isChecked());
    EXPECT_EQ(DateMessage(d), "");
    Press(d, "OKBtn");
  });
  ASSERT_TRUE(ExecuteCalcPeriodDialog());
  EXPECT_EQ(std::pair(int(IniRec.TypCalcPQ), IniRec.CalcDate), std::pair(2, EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0)));
  EXPECT_EQ(box.Texts(), std::vector<std::string>{});
}

// A date the field refused keeps every dialog with a date open, whatever its buttons.
TEST_F(RegimDialogs, ARefusedDateKeepsEveryDateDialogOpen) {
  gui::TTestSwtFrm testSwt;
  gui::TWriteSwtFrm writeSwt("ТП1", ' ', ' ', EncodeDate(2026, 11, 1));
  gui::TReconfigFrm reconfig({}, EncodeDate(2026, 11, 1));
  const std::pair<QDialog*, const char*> dialogs[] = {
      {&testSwt, "_Date1"}, {&writeSwt, "DateEdit"}, {&reconfig, "_Date"}};
  for (const auto& [dialog, name] : dialogs) {
    dialog->show();
    QApplication::processEvents();
    auto& field = Child<QDateEdit>(*dialog, name);
    QTest::keyClicks(&field, "31.11.2026");
    QTest::keyClick(&field, Qt::Key_Return);
    Press(*dialog, "OKBtn");
    EXPECT_TRUE(dialog->isVisible() && dialog->result() != QDialog::Accepted) << name;
    EXPECT_EQ(DateMessage(*dialog), "Даты \"31.11.2026\" не существует") << name;
    // Left unfinished by deleting: held back the same way.
    QTest::keyClick(&field, Qt::Key_Escape);
    QTest::keyClicks(&field, "01.11.2026");
    for (const Qt::Key key : {Qt::Key_Home, Qt::Key_Delete, Qt::Key_Delete, Qt::Key_Return}) QTest::keyClick(&field, key);
    Press(*dialog, "OKBtn");
    EXPECT_TRUE(dialog->isVisible() && dialog->result() != QDialog::Accepted) << name;
    EXPECT_EQ(DateMessage(*dialog), "Дата \".11.2026\" неполная: введите день, месяц и год, например 01.11.2026")
        << name;
    // Deleted to nothing, and the button pressed at once: held back too, never the date held before.
    QTest::keyClick(&field, Qt::Key_Escape);
    QTest::keyClick(&field, Qt::Key_End);
    for (int i = 0; i < 10; ++i) QTest::keyClick(&field, Qt::Key_Backspace);
    Press(*dialog, "OKBtn");
    EXPECT_TRUE(dialog->isVisible() && dialog->result() != QDialog::Accepted) << name;
    EXPECT_EQ(std::pair(field.text().toStdString(), DateMessage(*dialog)),
              std::pair(std::string(), std::string("Дата не задана: введите день, месяц и год, например 01.11.2026")))
        << name;
    // Still being typed when the button is pressed: ended first, and taken.
    QTest::keyClicks(&field, "30.11.26");
    Press(*dialog, "OKBtn");
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << name;
    EXPECT_EQ(field.date(), QDate(2026, 11, 30)) << name;
  }
}

// The slice interval list is captioned where the user sees it, and the caption leads to the list.
TEST_F(RegimDialogs, PeriodIntervalListHasItsVisibleCaption) {
  script.Then([](QDialog& d) {
    EXPECT_EQ(Child<QLabel>(d, "PeriodLabel").text(), "Интервал временных срезов");
    EXPECT_TRUE(Child<QLabel>(d, "PeriodLabel").isVisibleTo(&d));
    EXPECT_EQ(Child<QLabel>(d, "PeriodLabel").buddy(), &Child<QComboBox>(d, "Period"));
    Press(d, "CancelBtn");
  });
  EXPECT_FALSE(ExecuteCalcPeriodDialog());
}

}  // namespace
}  // namespace ld::test
