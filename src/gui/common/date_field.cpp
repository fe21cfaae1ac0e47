#include "gui/common/date_field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringList>
#include <cmath>

namespace ld::gui {

namespace {

// TDateTime counts days from 30 December 1899.
const QDate kDayZero(1899, 12, 30);

constexpr int kYearDigits = 4;

}  // namespace

QDate DateOfMoment(TDateTime value) { return kDayZero.addDays(static_cast<qint64>(std::floor(value))); }

TDateTime MomentOfDate(const QDate& date) { return static_cast<TDateTime>(kDayZero.daysTo(date)); }

TDateField::TDateField(const char* name, QWidget* parent) : QDateEdit(parent) {
  setObjectName(name);
  setDisplayFormat("dd.MM.yyyy");
  setCalendarPopup(true);
}

void TDateField::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  const QString text = event->text();
  if (!isReadOnly() && !(event->modifiers() & commands) && text.size() == 1 &&
      ((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) {
    Type(text[0]);
    event->accept();
    return;
  }
  if (!typed_.isEmpty()) {
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & commands)) {
      typed_.chop(1);
      if (typed_.isEmpty())
        setDate(date());
      else
        ShowTyped();
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_Escape) {
      // Escape drops what was typed; the dialog closes only on a second one.
      typed_.clear();
      setDate(date());
      event->accept();
      return;
    }
    Finish();
  }
  QDateEdit::keyPressEvent(event);
}

void TDateField::Type(QChar c) {
  const QStringList parts = typed_.split('.');
  const QString& last = parts.back();
  const bool inYear = parts.size() == 3;
  if (c == '.') {
    // A dot closes a day or a month that has a digit; anywhere else it says nothing.
    if (last.isEmpty() || inYear) return;
    typed_ += c;
  } else {
    if (!inYear && last.size() == 2) typed_ += '.';
    typed_ += c;
  }
  ShowTyped();
  if (typed_.count('.') == 2 && typed_.section('.', 2).size() == kYearDigits) Take();
}

void TDateField::ShowTyped() {
  // The editor's own handlers never see the unfinished text: they would read it section by section.
  QLineEdit* edit = lineEdit();
  const QSignalBlocker block(edit);
  edit->setText(typed_);
  edit->setCursorPosition(static_cast<int>(typed_.size()));
}

void TDateField::Take() {
  const QStringList parts = typed_.split('.');
  const QDate typed(parts[2].toInt(), parts[1].toInt(), parts[0].toInt());
  typed_.clear();
  if (!typed.isValid() || typed < minimumDate() || typed > maximumDate()) return Refuse();
  setDate(typed);
  if (QLineEdit* edit = lineEdit()) edit->setCursorPosition(static_cast<int>(edit->text().size()));
}

void TDateField::Refuse() {
  typed_.clear();
  QApplication::beep();
  setDate(date());
}

void TDateField::Finish() {
  if (!typed_.isEmpty()) Refuse();
}

void TDateField::focusOutEvent(QFocusEvent* event) {
  Finish();
  QDateEdit::focusOutEvent(event);
}

void TDateField::mousePressEvent(QMouseEvent* event) {
  Finish();
  QDateEdit::mousePressEvent(event);
}

void TDateField::wheelEvent(QWheelEvent* event) {
  Finish();
  QDateEdit::wheelEvent(event);
}

bool TDateField::focusNextPrevChild(bool next) {
  Finish();
  return QDateEdit::focusNextPrevChild(next);
}

void TDateField::stepBy(int steps) {
  Finish();
  QDateEdit::stepBy(steps);
}

QValidator::State TDateField::validate(QString& input, int& pos) const {
  if (!typed_.isEmpty()) return QValidator::Intermediate;
  return QDateEdit::validate(input, pos);
}

void TDateField::fixup(QString& input) const {
  if (typed_.isEmpty()) QDateEdit::fixup(input);
}

}  // namespace ld::gui
