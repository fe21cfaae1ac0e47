#pragma once
// The settings the regime dialogs start from, a scripted message box and dialog runs for their tests.
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "core/base/dates.h"
#include "core/base/settings.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/typing.h"

namespace ld::test {

inline QLineEdit& Edit(QDialog& d, const char* name) { return Child<QLineEdit>(d, name); }

// The settings the dialogs edit, at values none of them starts with.
inline void KnownSettings() {
  TIniRec& ini = IniRec;
  ini.Uv = 12.5f, ini.Un = 7, ini.Prec = 0.0005f, ini.Iter1 = 150, ini.RepeatIter = true, ini.CountRQ = 3;
  ini.Damp1 = 0.8f, ini.Damp2 = 0.6f, ini.AlgmFM = 2, ini.Dimension = 0, ini.FlagU0 = 1, ini.TypLoad = 2;
  ini.FlagFM = ini.FlagPQ = ini.FlagIF = true;
  ini.FlagRQ = ini.SumSbal = false;
  ini.Date1 = EncodeDate(2004, 3, 1), ini.Date2 = EncodeDate(2004, 3, 31), ini.TypCalcPQ = 3, ini.Tgr = 1800;
  ini.CalcDate = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0);
  ini.BPrec = 0.002f, ini.Btgf = 0.45f, ini.BIter = 40, ini.BShift = 0.75f;
  ini.MulKvu = 2, ini.MulKvf = 3, ini.MulKvi = 4;
  ini.CLoad = ini.CFlow = ini.WVolt = ini.PropPQ = ini.RNull = ini.SavePQ = ini.OutIter = true;
  ini.CVolt = ini.WLoad = ini.WFlow = ini.RZnak = false;
}

// The message a dialog shows about a refused date; empty when none is shown.
inline std::string DateMessage(QDialog& d) {
  const auto* label = d.findChild<QLabel*>("DateMessage");
  // Its first line is the reason; the second says how to mend the date.
  return label != nullptr && label->isVisibleTo(&d) ? label->text().section('\n', 0, 0).toStdString() : std::string();
}

// The period fields of a dialog ("Date1", "Date2") given dates they cannot take, typed or pasted, each
// followed by Enter and by "Применить": the dialog stays open, the field keeps the text over its last
// date, and the message says what is wrong; Escape brings the last date back.
inline void RefusedDatesKeepTheDialogOpen(QDialog& d) {
  struct Case {
    QString text;
    bool pasted;
    std::string message;
  };
  const Case cases[] = {{"31.11.2026", false, "Даты \"31.11.2026\" не существует"},
                        {"29.02.2027", false, "Даты \"29.02.2027\" не существует"},
                        {"31.04.2026", true, "Даты \"31.04.2026\" не существует"},
                        {"29.02.2027", true, "Даты \"29.02.2027\" не существует"},
                        {"31.11.26", false, "Даты \"31.11.26\" не существует"},
                        {"5.3", false, "Дата \"5.3\" неполная: введите день, месяц и год, например 01.11.2026"}};
  for (const char* name : {"Date1", "Date2"}) {
    auto& field = Child<QDateEdit>(d, name);
    const QDate last = field.date();
    for (const Case& c : cases) {
      if (c.pasted)
        PasteOver(&field, c.text);
      else
        QTest::keyClicks(&field, c.text);
      QTest::keyClick(&field, Qt::Key_Return);
      Press(d, "OKBtn");
      EXPECT_TRUE(d.isVisible() && d.result() != QDialog::Accepted) << name << " " << c.text.toStdString();
      EXPECT_EQ(std::pair(field.text(), field.date()), std::pair(c.text, last)) << name;
      EXPECT_EQ(DateMessage(d), c.message) << name;
    }
    QTest::keyClick(&field, Qt::Key_Escape);
    EXPECT_EQ(field.text(), last.toString("dd.MM.yyyy")) << name;
    EXPECT_EQ(DateMessage(d), "") << name;
  }
}

// The period fields of a dialog ("Date1", "Date2") at 01.11.2026 left unfinished or empty by deleting, each
// ended by Enter, or by Tab and a click on "Применить": the dialog stays open, the field keeps the text
// over its date, and the message says what is wrong; Escape brings the date back. The fields are left
// at their dates.
inline void DeletedDatesKeepTheDialogOpen(QDialog& d) {
  struct Case {
    std::vector<Qt::Key> keys;
    QString text;
    bool tabAndClick;
  };
  const std::vector<Qt::Key> dayDeleted{Qt::Key_Home, Qt::Key_Delete, Qt::Key_Delete};
  const std::vector<Qt::Key> yearDeleted{Qt::Key_End, Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace,
                                         Qt::Key_Backspace};
  std::vector<Qt::Key> allDeleted{Qt::Key_End};
  allDeleted.insert(allDeleted.end(), 10, Qt::Key_Backspace);
  const Case cases[] = {{dayDeleted, ".11.2026", false},  {dayDeleted, ".11.2026", true},
                        {yearDeleted, "01.11.", false},   {yearDeleted, "01.11.", true},
                        {allDeleted, "", false},          {allDeleted, "", true}};
  for (const char* name : {"Date1", "Date2"}) {
    auto& field = Child<QDateEdit>(d, name);
    const QString last = field.text();
    QTest::keyClicks(&field, "01.11.2026");
    for (const Case& c : cases) {
      for (const Qt::Key key : c.keys) QTest::keyClick(&field, key);
      if (c.tabAndClick) {
        QTest::keyClick(&field, Qt::Key_Tab);
        QTest::mouseClick(&Child<QPushButton>(d, "OKBtn"), Qt::LeftButton);
      } else {
        QTest::keyClick(&field, Qt::Key_Return);
      }
      EXPECT_TRUE(d.isVisible() && d.result() != QDialog::Accepted) << name << " " << c.text.toStdString();
      EXPECT_EQ(std::pair(field.text(), field.date()), std::pair(c.text, QDate(2026, 11, 1))) << name;
      EXPECT_EQ(DateMessage(d), (c.text.isEmpty() ? "Дата не задана" : "Дата \"" + c.text.toStdString() + "\" неполная") +
                                    ": введите день, месяц и год, например 01.11.2026")
          << name;
      QTest::keyClick(&field, Qt::Key_Escape);
      EXPECT_EQ(field.text().toStdString(), "01.11.2026") << name;
      EXPECT_EQ(DateMessage(d), "") << name;
    }
    QTest::keyClicks(&field, last);
  }
}

class RegimeDialogTest : public ::testing::Test {
protected:
  void SetUp() override { KnownSettings(); }
  ScriptedMsgBox box;
  ModalScript script;
};

}  // namespace ld::test
