// The date field of the dialogs, typed into with real key events: a date written with one or two digits
// for the day and the month is that date wherever the cursor stood; one that does not exist, lies
// outside the range or is left unfinished is kept for correcting, with the reason shown, and the
// field's date stays the last one.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <string>
#include <tuple>
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
  // The reason the window shows for a refused date (the first line of its message; the second says how
  // to mend it); empty when none is shown.
  std::string Message() const { return MessageLines().section('\n', 0, 0).toStdString(); }
  QString MessageLines() const {
    const auto* label = window.findChild<QLabel*>("DateMessage");
    return label != nullptr && label->isVisibleTo(&window) ? label->text() : QString();
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

  // A word move (Ctrl with an arrow) stays in the field, as in any other text, and the arrows then step
  // the section it reached: the next date field keeps the focus it did not get and its date.
  auto* other = new TDateField("Other", &window);
  window.layout()->addWidget(other);
  other->setDate(QDate(2026, 11, 30));
  QApplication::setActiveWindow(&window);
  field->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(field->hasFocus());
  for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left}) {
    QTest::keyClick(field, key, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus()) << key;
  }
  QTest::keyClick(field, Qt::Key_Up);
  EXPECT_EQ(Shown(), std::pair(std::string("09.05.2026"), std::string("09.05.2026")));
  EXPECT_EQ(other->date(), QDate(2026, 11, 30));

  // A modifier pressed alone ends nothing of a date being typed: a comma typed on the Russian layout
  // (Shift with the key right of the dot) and a key held in passing.
  for (const Qt::Key modifier : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_AltGr, Qt::Key_Meta}) {
    field->setDate(QDate(2026, 11, 30));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    for (const QChar ch : QString("7,4,2027")) {
      if (ch == ',') {
        QTest::sendKeyEvent(QTest::Press, field, modifier, QString(), Qt::ShiftModifier);
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_Slash, QString(ch), Qt::ShiftModifier);
        QTest::sendKeyEvent(QTest::Release, field, modifier, QString(), Qt::NoModifier);
      } else {
        QTest::keyClicks(field, QString(ch));
      }
    }
    EXPECT_EQ(Shown(), std::pair(std::string("07.04.2027"), std::string("07.04.2027"))) << modifier;
  }
}

TEST_F(DateField, ADateThatCannotBeTakenIsKeptForCorrectingWithItsReason) {
  field->setMinimumDate(QDate(2000, 1, 1));
  field->setMaximumDate(QDate(2099, 12, 31));
  const std::string last = "01.11.2026";
  const std::vector<std::pair<QString, std::string>> refused{
      {"31.02.2026", "Даты \"31.02.2026\" не существует"},
      {"29.02.2027", "Даты \"29.02.2027\" не существует"},
      {"0.3.2026", "Даты \"0.3.2026\" не существует"},
      {"5.13.2026", "Даты \"5.13.2026\" не существует"},
      {"31.12.1999", "Дата \"31.12.1999\" раньше допустимой 01.01.2000"},
      {"01.01.2100", "Дата \"01.01.2100\" позже допустимой 31.12.2099"}};
  // Each refused the moment its year is whole; the next digit starts a new date.
  for (const auto& [keys, reason] : refused) {
    EXPECT_EQ(Type(keys), std::pair(last, keys.toStdString()));
    EXPECT_EQ(Message(), reason) << keys.toStdString();
  }
  // The first and the last day of the range are taken, and the message goes.
  EXPECT_EQ(Type("01.01.2000"), std::pair(std::string("01.01.2000"), std::string("01.01.2000")));
  EXPECT_EQ(Message(), "");
  EXPECT_EQ(Type("31.12.2099"), std::pair(std::string("31.12.2099"), std::string("31.12.2099")));
  field->setDate(QDate(2026, 11, 1));

  // Unfinished, it is shown as typed; Enter, Tab or a click elsewhere refuse it and keep it.
  EXPECT_EQ(Type("5.3.2"), std::pair(last, std::string("5.3.2")));
  EXPECT_EQ(Message(), "");
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Enter}) {
    QTest::keyClick(field, key);
    EXPECT_EQ(Shown(), std::pair(last, std::string("5.3.2"))) << key;
    EXPECT_EQ(Message(), "Дата \"5.3.2\" неполная: введите день, месяц и год, например 01.11.2026");
  }
  // Keys that would edit it behind the field's back do nothing; Backspace goes on correcting it.
  for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_X}) QTest::keyClick(field, key);
  EXPECT_EQ(Shown(), std::pair(last, std::string("5.3.2")));
  for (int i = 0; i < 3; ++i) QTest::keyClick(field, Qt::Key_Backspace);
  EXPECT_EQ(Shown(), std::pair(last, std::string("5.")));
  EXPECT_EQ(Message(), "");
  EXPECT_EQ(Type("4.2027"), std::pair(std::string("05.04.2027"), std::string("05.04.2027")));
  EXPECT_EQ(Message(), "");
  // Escape brings the last date back; so do the arrows, stepping from it.
  Type("31.04.2027");
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_EQ(Shown(), std::pair(std::string("05.04.2027"), std::string("05.04.2027")));
  EXPECT_EQ(Message(), "");
  Type("31.04.2027");
  QTest::keyClick(field, Qt::Key_Up);
  EXPECT_NE(Shown().first, "05.04.2027");
  EXPECT_EQ(Shown().first, Shown().second);
  EXPECT_EQ(Message(), "");
  // The arrows, Home, End or a click put the cursor in a refused text, which is mended there and taken
  // or refused again when the editing ends; the message says how.
  using Keys = std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>;
  struct Mended {
    QString typed;
    Keys keys;
    QString mended;
    std::string date;
  };
  const Mended mended[] = {
      {"31.11.2027", {{Qt::Key_Home, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}}, {Qt::Key_3, {}}, {Qt::Key_0, {}}},
       "30.11.2027", "30.11.2027"},
      {"31.11.2027",
       {{Qt::Key_Left, {}}, {Qt::Key_Left, {}}, {Qt::Key_Left, {}}, {Qt::Key_Left, {}}, {Qt::Key_Left, {}},
        {Qt::Key_Left, {}}, {Qt::Key_Delete, {}}, {Qt::Key_2, {}}},
       "31.12.2027", "31.12.2027"},
      {"29.02.2027", {{Qt::Key_Left, Qt::ControlModifier}, {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}},
                      {Qt::Key_Delete, {}}, {Qt::Key_2, {}}, {Qt::Key_0, {}}, {Qt::Key_2, {}}, {Qt::Key_8, {}}},
       "29.02.2028", "29.02.2028"},
      {"5.3.2", {{Qt::Key_Return, {}}, {Qt::Key_End, {}}, {Qt::Key_0, {}}, {Qt::Key_2, {}}, {Qt::Key_8, {}}},
       "5.3.2028", "05.03.2028"},
      {"31.11.2027", {{Qt::Key_Home, {}}, {Qt::Key_Right, {}}, {Qt::Key_Delete, {}}, {Qt::Key_0, {}}},
       "30.11.2027", "30.11.2027"}};
  for (const Mended& m : mended) {
    field->setDate(QDate(2027, 4, 5));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, m.typed);
    if (m.typed.size() < 10) QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(MessageLines().section('\n', 1).toStdString(),
              "Исправьте дату на месте (стрелки, Home, End, затем Backspace, Delete и цифры) или сразу наберите новую");
    for (const auto& [key, modifiers] : m.keys) QTest::keyClick(field, key, modifiers);
    EXPECT_EQ(field->text(), m.mended) << m.typed.toStdString();
    EXPECT_EQ(Message(), "") << m.typed.toStdString();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(Shown().first, m.date) << m.mended.toStdString();
  }
  // A click in a refused text places the cursor there the same way.
  QTest::keyClicks(field, "31.04.2027");
  test::ClickDateSection(*field, QDateTimeEdit::DaySection);  // the editor's section stays where it was
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, "0");
  QTest::keyClick(field, Qt::Key_Tab);
  EXPECT_EQ(Shown().first, "30.04.2027");
  // A date set by the dialog replaces a refused text.
  Type("31.04.2027");
  field->setDate(QDate(2026, 12, 1));
  EXPECT_EQ(Shown(), std::pair(std::string("01.12.2026"), std::string("01.12.2026")));
  EXPECT_EQ(Message(), "");
}

TEST_F(DateField, TwoDigitYearsTheKeypadsCommaAndPastedOrEditedDatesFollowTheRuleOfATypedDate) {
  field->setMinimumDate(QDate(1899, 12, 30));
  // A year of two digits, once the typing ends, is the year the program's reader of date texts takes:
  // 00–49 this century (as the program writes a period), 50–99 the last.
  for (const auto& [keys, end, date] : {std::tuple("1.1.26", Qt::Key_Return, "01.01.2026"),
                                        std::tuple("15.10.26", Qt::Key_Tab, "15.10.2026"),
                                        std::tuple("30.11.99", Qt::Key_Enter, "30.11.1999"),
                                        std::tuple("01.11.00", Qt::Key_Return, "01.11.2000"),
                                        std::tuple("7.3.49", Qt::Key_Return, "07.03.2049"),
                                        std::tuple("7.3.50", Qt::Key_Tab, "07.03.1950"),
                                        std::tuple("29.02.80", Qt::Key_Return, "29.02.1980")}) {
    EXPECT_EQ(Type(keys).second, keys);
    QTest::keyClick(field, end);
    EXPECT_EQ(Shown(), std::pair(std::string(date), std::string(date))) << keys;
    EXPECT_EQ(PackedDateToStr(StrToPackedDate(keys)), date) << keys;
  }
  field->setDate(QDate(2026, 11, 1));
  QTest::keyClicks(field, "31.11.26");
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(Shown(), std::pair(std::string("01.11.2026"), std::string("31.11.26")));
  EXPECT_EQ(Message(), "Даты \"31.11.26\" не существует");

  // The keypad's decimal key under a Russian layout types a comma: a dot all the same.
  test::TypeOnKeypad(field, "15,10,2026");
  EXPECT_EQ(Shown(), std::pair(std::string("15.10.2026"), std::string("15.10.2026")));
  EXPECT_EQ(Message(), "");

  // Pasted over the whole text: taken whole or refused, never fitted to the calendar.
  const std::vector<std::tuple<QString, std::string, std::string>> pasted{
      {"31.04.2026", "31.04.2026", "Даты \"31.04.2026\" не существует"},
      {"29.02.2027", "29.02.2027", "Даты \"29.02.2027\" не существует"},
      {" 20.12.2026\n", "20.12.2026", ""},
      {"1,2,27", "01.02.2027", ""},
      {"7.3.26", "07.03.2026", ""},
      {"2026-12-20", "2026-12-20",
       "Текст \"2026-12-20\" не является датой: введите день, месяц и год, например 01.11.2026"},
      {"15.10", "15.10", "Дата \"15.10\" неполная: введите день, месяц и год, например 01.11.2026"}};
  std::string date = "15.10.2026";
  for (const auto& [text, shown, reason] : pasted) {
    test::PasteOver(field, text);
    if (reason.empty()) date = shown;
    EXPECT_EQ(Shown(), std::pair(date, shown)) << text.toStdString();
    EXPECT_EQ(Message(), reason) << text.toStdString();
  }
  // Pasted through the text's own menu, the same.
  for (const auto& [text, shown, reason] : {std::tuple("31.04.2026", "31.04.2026", "Даты \"31.04.2026\" не существует"),
                                            std::tuple("1.5.26", "01.05.2026", "")}) {
    QApplication::clipboard()->setText(text);
    bool pasted = false;
    QTimer::singleShot(0, [&pasted] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      // The menu's paste, found by its shortcut whatever the language of its captions.
      for (QAction* action : menu->actions()) {
        if (!action->text().endsWith(QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText))) continue;
        action->trigger();
        pasted = true;
      }
      menu->close();
    });
    QContextMenuEvent call(QContextMenuEvent::Keyboard, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &call);
    ASSERT_TRUE(pasted) << text;
    if (std::string(reason).empty()) date = shown;
    EXPECT_EQ(Shown(), std::pair(date, std::string(shown))) << text;
    EXPECT_EQ(Message(), reason) << text;
  }

  // Left by the editor's own editing: edited where the cursor stands, the date kept meanwhile, and
  // taken or refused whole when the editing ends, never ended with the date the text no longer shows.
  using Keys = std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>;
  const auto back = [](int times) { return Keys(static_cast<std::size_t>(times), {Qt::Key_Backspace, {}}); };
  const auto then = [](Keys keys, const Keys& more) {
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
  };
  const Keys end{{Qt::Key_End, {}}};
  const Keys yearPartSelected{{Qt::Key_End, {}}, {Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Left, Qt::ShiftModifier},
                              {Qt::Key_Delete, {}}};
  const Keys dayDeleted{{Qt::Key_Home, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}}};
  const Keys dayCut{{Qt::Key_Home, {}}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier},
                    {Qt::Key_X, Qt::ControlModifier}};
  const Keys monthShortened{{Qt::Key_Home, {}}, {Qt::Key_Right, {}}, {Qt::Key_Right, {}}, {Qt::Key_Right, {}},
                            {Qt::Key_Delete, {}}};
  const Keys undoneAndRedone{{Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Y, Qt::ControlModifier}};
  const auto digits = [](const char* typed) {
    Keys keys;
    for (const char* c = typed; *c != 0; ++c) keys.push_back({static_cast<Qt::Key>(Qt::Key_0 + (*c - '0')), {}});
    return keys;
  };
  const Keys monthDeleted{{Qt::Key_Home, {}}, {Qt::Key_Right, {}}, {Qt::Key_Right, {}}, {Qt::Key_Right, {}},
                          {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}}};
  const Keys allDeleted{{Qt::Key_A, Qt::ControlModifier}, {Qt::Key_Delete, {}}};
  const std::string incomplete = "\" неполная: введите день, месяц и год, например 01.11.2026";
  const std::string notGiven = "Дата не задана: введите день, месяц и год, например 01.11.2026";
  struct Edit {
    Keys keys;
    std::string edited;
    Qt::Key ending;
    std::string shown, date, reason;
    std::string held = "01.11.2026";  // the date while the text is edited
    QString clipboard = "2025";        // what Ctrl+V pastes
  };
  const Keys byWord{{Qt::Key_Left, Qt::ControlModifier}, {Qt::Key_Right, Qt::ControlModifier}};
  const Keys yearSelected{{Qt::Key_End, {}},
                          {Qt::Key_Left, Qt::ShiftModifier},
                          {Qt::Key_Left, Qt::ShiftModifier},
                          {Qt::Key_Left, Qt::ShiftModifier},
                          {Qt::Key_Left, Qt::ShiftModifier}};
  const Keys paste{{Qt::Key_V, Qt::ControlModifier}};
  const Edit edits[] = {
      {then(end, back(2)), "01.11.20", Qt::Key_Return, "01.11.2020", "01.11.2020", ""},
      {then(end, back(2)), "01.11.20", Qt::Key_Tab, "01.11.2020", "01.11.2020", ""},
      {yearPartSelected, "01.11.20", Qt::Key_Enter, "01.11.2020", "01.11.2020", ""},
      {monthShortened, "01.1.2026", Qt::Key_Return, "01.01.2026", "01.01.2026", ""},
      {dayDeleted, ".11.2026", Qt::Key_Return, ".11.2026", "01.11.2026", "Дата \".11.2026" + incomplete},
      {dayCut, ".11.2026", Qt::Key_Tab, ".11.2026", "01.11.2026", "Дата \".11.2026" + incomplete},
      {then(end, back(4)), "01.11.", Qt::Key_Tab, "01.11.", "01.11.2026", "Дата \"01.11." + incomplete},
      {then(end, back(4)), "01.11.", Qt::Key_Enter, "01.11.", "01.11.2026", "Дата \"01.11." + incomplete},
      {then(then(end, back(3)), undoneAndRedone), "01.11.2", Qt::Key_Return, "01.11.2", "01.11.2026",
       "Дата \"01.11.2" + incomplete},
      {then(end, back(4)), "01.11.", Qt::Key_Escape, "01.11.2026", "01.11.2026", ""},
      // Digits typed after a deletion go where the cursor stands, in place of what is selected.
      {then(then(end, back(2)), digits("25")), "01.11.2025", Qt::Key_Return, "01.11.2025", "01.11.2025", ""},
      {then(dayDeleted, digits("15")), "15.11.2026", Qt::Key_Tab, "15.11.2026", "15.11.2026", ""},
      // a date typed whole and then mended as a person mends it
      {then(then(then(digits("02112026"), end), back(2)), digits("25")), "02.11.2025", Qt::Key_Return, "02.11.2025",
       "02.11.2025", "", "02.11.2026"},
      {then(then(then(then({{Qt::Key_A, Qt::ControlModifier}}, digits("02112026")), end), back(2)), digits("25")),
       "02.11.2025", Qt::Key_Return, "02.11.2025", "02.11.2025", "", "02.11.2026"},
      {then(monthDeleted, digits("12")), "01.12.2026", Qt::Key_Enter, "01.12.2026", "01.12.2026", ""},
      {then(yearPartSelected, then({{Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Left, Qt::ShiftModifier}}, digits("19"))),
       "01.11.19", Qt::Key_Return, "01.11.2019", "01.11.2019", ""},
      {then(then(end, back(2)), digits("2")), "01.11.202", Qt::Key_Return, "01.11.202", "01.11.2026",
       "Дата \"01.11.202" + incomplete},
      {then(dayDeleted, digits("31")), "31.11.2026", Qt::Key_Tab, "31.11.2026", "01.11.2026",
       "Даты \"31.11.2026\" не существует"},
      // A part the person selected is mended the same way, the year's digits as the day's; Enter after a
      // date leaves the cursor after the year, where the next Backspace takes its last digit.
      {then(then(end, {{Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Left, Qt::ShiftModifier}}), digits("25")),
       "01.11.2025", Qt::Key_Return, "01.11.2025", "01.11.2025", ""},
      {then({{Qt::Key_Home, {}}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}}, digits("15")),
       "15.11.2026", Qt::Key_Tab, "15.11.2026", "15.11.2026", ""},
      {then(then(then({{Qt::Key_A, Qt::ControlModifier}}, digits("02112026")), then({{Qt::Key_Return, {}}}, back(2))),
            digits("25")),
       "02.11.2025", Qt::Key_Return, "02.11.2025", "02.11.2025", "", "02.11.2026"},
      // The cursor moved through a text being mended keeps it as it is, whatever part it enters.
      {then(then(then(then(end, back(2)), {{Qt::Key_Home, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}}}),
                 digits("15")),
            {{Qt::Key_Left, {}}, {Qt::Key_Right, {}}, {Qt::Key_End, {}}}),
       "15.11.20", Qt::Key_Return, "15.11.2020", "15.11.2020", ""},
      // Moved through by a word (Ctrl with an arrow, Shift too) the same: kept as it is, and mended on.
      {then(then(end, back(2)), {{Qt::Key_Left, Qt::ControlModifier}}), "01.11.20", Qt::Key_Return, "01.11.2020",
       "01.11.2020", ""},
      {then(then(then(end, back(2)), byWord), digits("25")), "01.11.2025", Qt::Key_Return, "01.11.2025", "01.11.2025",
       ""},
      {then(then(then(end, back(2)), {{Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier}}), digits("2025")),
       "01.11.2025", Qt::Key_Tab, "01.11.2025", "01.11.2025", ""},
      // a date being typed the first time, moved through by a word, is mended on, not taken as it stands
      {then(then(then({{Qt::Key_A, Qt::ControlModifier}}, digits("021120")), byWord), digits("25")), "02.11.2025",
       Qt::Key_Return, "02.11.2025", "02.11.2025", ""},
      // Pasted over a part the person selected, or where a part was deleted: mended as typed digits mend it.
      {then(yearSelected, paste), "01.11.2025", Qt::Key_Return, "01.11.2025", "01.11.2025", ""},
      {then(then(end, back(4)), paste), "01.11.2025", Qt::Key_Tab, "01.11.2025", "01.11.2025", ""},
      {then(then(end, back(2)), paste), "01.11.202025", Qt::Key_Return, "01.11.202025", "01.11.2026",
       "Дата \"01.11.202025" + incomplete},
      {then(yearSelected, paste), "01.11.2O25", Qt::Key_Return, "01.11.2O25", "01.11.2026",
       "Текст \"01.11.2O25\" не является датой: введите день, месяц и год, например 01.11.2026", "01.11.2026",
       " 2O25\n"},
      // Deleted to nothing: refused, never the date held before; a date typed then is a new one.
      {then(end, back(10)), "", Qt::Key_Return, "", "01.11.2026", notGiven},
      {allDeleted, "", Qt::Key_Tab, "", "01.11.2026", notGiven},
      {then(then(then(end, back(10)), {{Qt::Key_Enter, {}}, {Qt::Key_Backspace, {}}}), digits("05032026")),
       "05.03.2026", Qt::Key_Return, "05.03.2026", "05.03.2026", "", "05.03.2026"},
      // A text deleted or selected whole starts a new date, the dots put in by themselves.
      {then(allDeleted, digits("1510")), "15.10", Qt::Key_Return, "15.10", "01.11.2026", "Дата \"15.10" + incomplete},
      {then(dayDeleted, then({{Qt::Key_A, Qt::ControlModifier}}, digits("151026"))), "15.10.26", Qt::Key_Tab,
       "15.10.2026", "15.10.2026", ""}};
  for (const Edit& e : edits) {
    QTest::keyClick(field, Qt::Key_Escape);
    field->setDate(QDate(2026, 11, 1));
    QApplication::clipboard()->setText(e.clipboard);
    for (const auto& [key, modifiers] : e.keys) QTest::keyClick(field, key, modifiers);
    EXPECT_EQ(Shown(), std::pair(e.held, e.edited)) << e.edited;
    QTest::keyClick(field, e.ending);
    EXPECT_EQ(Shown(), std::pair(e.date, e.shown)) << e.edited << " " << e.ending;
    EXPECT_EQ(Message(), e.reason) << e.edited << " " << e.ending;
    EXPECT_EQ(field->Settle(), e.reason.empty()) << e.edited;
  }
  // A click on another part of a text being mended places the cursor there and keeps the text.
  QTest::keyClick(field, Qt::Key_Escape);
  field->setDate(QDate(2026, 11, 1));
  for (const auto& [key, modifiers] : then(end, back(2))) QTest::keyClick(field, key, modifiers);
  QTest::keyClicks(field, "25");
  test::ClickDateSection(*field, QDateTimeEdit::DaySection);
  EXPECT_EQ(Shown(), std::pair(std::string("01.11.2026"), std::string("01.11.2025")));
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, "2");
  QTest::keyClick(field, Qt::Key_Tab);
  EXPECT_EQ(Shown(), std::pair(std::string("02.11.2025"), std::string("02.11.2025")));
}

// A window destroyed with a date still being typed or edited in its focused field ends nothing: no
// message is made on a window being torn down.
TEST(DateFieldWindow, GoesAwayWithADateUnfinished) {
  for (const bool edited : {false, true}) {
    QWidget other;
    auto* field = new TDateField("Day", &other);
    (new QVBoxLayout(&other))->addWidget(field);
    other.show();
    QApplication::setActiveWindow(&other);
    field->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(field->hasFocus());
    if (edited) {
      QTest::keyClick(field, Qt::Key_End);
      QTest::keyClick(field, Qt::Key_Backspace, Qt::ControlModifier);
    } else {
      QTest::keyClicks(field, "5.3");
    }
    ASSERT_NE(field->text(), field->date().toString("dd.MM.yyyy"));
  }
}

TEST(DateOfMoment, TheDayOfAMomentAndBack) {
  EXPECT_EQ(DateOfMoment(46357.75).toString(Qt::ISODate).toStdString(), "2026-12-01");
  EXPECT_EQ(MomentOfDate(QDate(2026, 12, 1)), 46357.0);
  EXPECT_EQ(DateOfMoment(-0.25).toString(Qt::ISODate).toStdString(), "1899-12-29");
}

}  // namespace
}  // namespace ld::gui
