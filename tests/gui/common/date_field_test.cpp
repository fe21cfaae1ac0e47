// The date field of the dialogs, typed into with real key events: a date written with one or two digits
// for the day and the month is that date wherever the cursor stood; one that does not exist, lies
// outside the range or is left unfinished leaves the last date.
#include <gtest/gtest.h>

#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/common/date_field.h"
#include "support/typing.h"

namespace ld::gui {
namespace {

class DateField : public ::testing::Test {
protected:
  DateField() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    window.show();
    QApplication::processEvents();
    field->setDate(QDate(2026, 11, 1));
  }
  // The date and the text shown after the keys.
  std::pair<std::string, std::string> Type(const QString& keys) {
    QTest::keyClicks(field, keys);
    return Shown();
  }
  std::pair<std::string, std::string> Shown() const {
    return {field->date().toString("dd.MM.yyyy").toStdString(), field->text().toStdString()};
  }

  QWidget window;
  TDateField* field = new TDateField("Day", &window);
};

TEST_F(DateField, ADateTypedAsWrittenIsTakenWhereverTheCursorStoodOrWhateverWasSelected) {
  const std::vector<std::pair<std::string, std::function<void()>>> places{
      {"a click on the day", [&] { ASSERT_TRUE(test::ClickDateSection(*field, QDateTimeEdit::DaySection)); }},
      {"a click on the month", [&] { ASSERT_TRUE(test::ClickDateSection(*field, QDateTimeEdit::MonthSection)); }},
      {"a click on the year", [&] { ASSERT_TRUE(test::ClickDateSection(*field, QDateTimeEdit::YearSection)); }},
      {"Ctrl+A", [&] { QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier); }},
      {"Home", [&] { QTest::keyClick(field, Qt::Key_Home); }},
      {"End", [&] { QTest::keyClick(field, Qt::Key_End); }},
  };
  const std::vector<std::pair<QString, QDate>> dates{{"15.10.2026", QDate(2026, 10, 15)},
                                                     {"5.3.2026", QDate(2026, 3, 5)},
                                                     {"20.1.2027", QDate(2027, 1, 20)},
                                                     {"01.02.2027", QDate(2027, 2, 1)},
                                                     // without dots a third digit starts the next part
                                                     {"29022028", QDate(2028, 2, 29)}};
  for (const auto& [place, go] : places) {
    for (const auto& [keys, date] : dates) {
      field->setDate(QDate(2026, 11, 30));
      go();
      const std::string written = date.toString("dd.MM.yyyy").toStdString();
      EXPECT_EQ(Type(keys), std::pair(written, written))
          << keys.toStdString() << " after " << place;
    }
  }
  // Dots where no part is open say nothing; a mistyped digit is taken back with Backspace.
  field->setDate(QDate(2026, 11, 30));
  EXPECT_EQ(Type(".5..3.2026").first, "05.03.2026");
  QTest::keyClicks(field, "7.4");
  QTest::keyClick(field, Qt::Key_Backspace);
  EXPECT_EQ(Type("5.2026").first, "07.05.2026");
  // The arrows still step the section under the cursor.
  ASSERT_TRUE(test::ClickDateSection(*field, QDateTimeEdit::DaySection));
  QTest::keyClick(field, Qt::Key_Up);
  EXPECT_EQ(Shown().first, "08.05.2026");
}

TEST_F(DateField, ADateThatCannotBeTakenLeavesTheLastDateShown) {
  field->setMinimumDate(QDate(2000, 1, 1));
  const std::pair<std::string, std::string> last("01.11.2026", "01.11.2026");
  for (const char* impossible : {"31.02.2026", "29.02.2027", "0.3.2026", "5.13.2026", "31.12.1999"})
    EXPECT_EQ(Type(impossible), last) << impossible;
  // Unfinished, it is shown as typed until Enter, Tab or Escape ends it.
  EXPECT_EQ(Type("5.3.26"), std::pair(last.first, std::string("5.3.26")));
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Shown(), last);
  for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Escape}) {
    QTest::keyClicks(field, "5.3");
    QTest::keyClick(field, key);
    EXPECT_EQ(Shown(), last) << key;
  }
}

TEST(DateOfMoment, TheDayOfAMomentAndBack) {
  EXPECT_EQ(DateOfMoment(46357.75).toString(Qt::ISODate).toStdString(), "2026-12-01");
  EXPECT_EQ(MomentOfDate(QDate(2026, 12, 1)), 46357.0);
  EXPECT_EQ(DateOfMoment(-0.25).toString(Qt::ISODate).toStdString(), "1899-12-29");
}

}  // namespace
}  // namespace ld::gui
