#include "gui/common/date_field.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>

namespace ld::gui {

namespace {

// TDateTime counts days from 30 December 1899.
const QDate kDayZero(1899, 12, 30);

constexpr int kYearDigits = 4;
constexpr int kShortYearDigits = 2;
constexpr qsizetype kLongestShown = 20;  // characters of a refused text quoted in its message

const char* const kMessageName = "DateMessage";
const QString kShape = "введите день, месяц и год, например 01.11.2026";
// Under the reason of a refusal: a refused text is mended where the cursor is put, and a digit typed
// at once starts a new date.
const QString kMending = "Исправьте дату на месте (стрелки, Home, End, затем Backspace, Delete и цифры) "
                         "или сразу наберите новую";

// The label that tells why a date was refused: one per dialog, above its buttons (the last row of
// every dialog that has a date field), made the first time a date is refused.
QLabel& MessageLabel(QWidget& dialog) {
  if (auto* label = dialog.findChild<QLabel*>(kMessageName, Qt::FindDirectChildrenOnly)) return *label;
  auto* label = new QLabel(&dialog);
  label->setObjectName(kMessageName);
  label->setWordWrap(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  label->setPalette(palette);
  if (auto* rows = qobject_cast<QBoxLayout*>(dialog.layout()))
    rows->insertWidget(std::max(0, rows->count() - 1), label);
  else if (dialog.layout() != nullptr)
    dialog.layout()->addWidget(label);
  return *label;
}

// The message of the first field of the dialog that holds a refused text, or none.
void ShowProblems(QWidget& dialog) {
  QString problem;
  for (const TDateField* field : dialog.findChildren<TDateField*>()) {
    if (field->isEnabled() && !field->Problem().isEmpty()) {
      problem = field->Problem();
      break;
    }
  }
  QLabel* label = dialog.findChild<QLabel*>(kMessageName, Qt::FindDirectChildrenOnly);
  if (label == nullptr && problem.isEmpty()) return;
  if (label == nullptr) label = &MessageLabel(dialog);
  label->setText(problem.isEmpty() ? problem : problem + '\n' + kMending);
  label->setVisible(!problem.isEmpty());
}

QString Quoted(const QString& text) {
  return '"' + (text.size() > kLongestShown ? text.left(kLongestShown) + "…" : text) + '"';
}

}  // namespace

QDate DateOfMoment(TDateTime value) { return kDayZero.addDays(static_cast<qint64>(std::floor(value))); }

TDateTime MomentOfDate(const QDate& date) { return static_cast<TDateTime>(kDayZero.daysTo(date)); }

TDateField::TDateField(const char* name, QWidget* parent) : QDateEdit(parent) {
  setObjectName(name);
  setDisplayFormat("dd.MM.yyyy");
  setCalendarPopup(true);
  // A date picked from the calendar or set by the dialog replaces a refused text.
  connect(this, &QDateEdit::dateChanged, this, [this] {
    if (!own_) return;
    Drop();
    setDate(date());
  });
  // Pastes through the text's own menu and the middle button come here too; a drop would put text in
  // behind the field's back.
  lineEdit()->installEventFilter(this);
  lineEdit()->setAcceptDrops(false);
  connect(lineEdit(), &QLineEdit::selectionChanged, this, [this] {
    if (!editorSelecting_) editorSelected_ = false;
  });
  if (QCalendarWidget* calendar = calendarWidget()) {
    for (auto picked : {&QCalendarWidget::clicked, &QCalendarWidget::activated}) {
      connect(calendar, picked, this, [this](QDate day) {
        Drop();
        setDate(day);
      });
    }
  }
}

bool TDateField::event(QEvent* event) {
  const bool handled = QDateEdit::event(event);
  if (event->type() == QEvent::EnabledChange) {
    // A field its dialog disables is not taken, so its refusal neither shows nor holds the dialog back;
    // enabled again, its text is checked again as the dialog now takes it.
    if (isEnabled() && !problem_.isEmpty()) {
      problem_.clear();
      Take(true);
    } else if (QWidget* dialog = window()) {
      ShowProblems(*dialog);
    }
  }
  // The editor writes its date over the text when it gains or loses the focus, is shown again, and
  // so on; a text being typed or refused stays in view.
  if (own_ && lineEdit()->text() != typed_) ShowTyped();
  return handled;
}

bool TDateField::eventFilter(QObject* watched, QEvent* event) {
  QLineEdit* edit = lineEdit();
  if (watched == edit && own_ && !problem_.isEmpty() && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !isReadOnly()) {
    // A click in a refused text puts the cursor there to mend it, as the arrows do.
    Mend();
  }
  if (watched == edit && event->type() == QEvent::ChildPolished) {
    // The text's menu, made anew each time it opens, is polished as it is shown, with its actions in
    // place: its paste is the action that would paste into the text (connected by name or by member,
    // as the toolkit's version has it).
    if (auto* menu = qobject_cast<QMenu*>(static_cast<QChildEvent*>(event)->child())) {
      for (QAction* action : menu->actions()) {
        if (disconnect(action, SIGNAL(triggered()), edit, SLOT(paste())) ||
            disconnect(action, &QAction::triggered, edit, &QLineEdit::paste))
          connect(action, &QAction::triggered, this, [this] { Paste(QApplication::clipboard()->text()); });
      }
    }
  } else if (watched == edit && !own_ && Edited() &&
             (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
              event->type() == QEvent::MouseButtonDblClick ||
              (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() != Qt::MiddleButton))) {
    // A click or a drag in a text being mended places the cursor unseen by the editor, as the arrows do.
    const QSignalBlocker block(edit);
    static_cast<QObject*>(edit)->event(event);
    return true;
  } else if (watched == edit && event->type() == QEvent::MouseButtonRelease && !isReadOnly() &&
             static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
    if (QApplication::clipboard()->supportsSelection())
      Paste(QApplication::clipboard()->text(QClipboard::Selection));
    return true;
  }
  return QDateEdit::eventFilter(watched, event);
}

void TDateField::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  const QString text = event->text();
  if (!isReadOnly() && !(event->modifiers() & commands) && text.size() == 1 &&
      ((text[0] >= '0' && text[0] <= '9') || text[0] == '.' || text[0] == ',')) {
    const QChar c = text[0] == ',' ? QChar('.') : text[0];
    if (Correcting())
      Insert(QString(c));
    else
      Type(c);
    event->accept();
    return;
  }
  if (!isReadOnly() && event->matches(QKeySequence::Paste)) {
    Paste(QApplication::clipboard()->text());
    event->accept();
    return;
  }
  if (!own_ && Edited()) {
    // The editor goes on editing its text; Enter ends it as it ends a typed date, and Escape brings the
    // date back as it does for a typed one.
    if (event->key() == Qt::Key_Escape) {
      setDate(date());
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) Finish();
    if (MovesCursor(*event)) return MoveCursor(*event);
  }
  const int pressed = event->key();
  if (own_ && (pressed == Qt::Key_Control || pressed == Qt::Key_Shift || pressed == Qt::Key_Alt ||
               pressed == Qt::Key_Meta || pressed == Qt::Key_AltGr)) {
    // A modifier held down for the key that follows ends nothing of a date being typed.
    event->ignore();
    return;
  }
  if (own_ && problem_.isEmpty() && MovesCursor(*event) && lineEdit()->text() == typed_) {
    // A move of the cursor within a date being typed goes on mending it where the cursor stands, as a
    // date deleted in part is mended: "01.11.20", a word back, is not yet 01.11.2020.
    own_ = false;
    typed_.clear();
    if (Edited()) return MoveCursor(*event);
  }
  if (own_) {
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & commands)) {
      // Taking a character back from a refused text goes on correcting it; the last one taken back
      // brings the date back. An emptied text has nothing left to take back.
      if (!typed_.isEmpty()) {
        problem_.clear();
        typed_.chop(1);
        if (QWidget* dialog = window()) ShowProblems(*dialog);
        if (typed_.isEmpty()) {
          Drop();
          setDate(date());
        } else {
          ShowTyped();
        }
      }
      event->accept();
      return;
    }
    if (event->key() == Qt::Key_Escape) {
      // Escape drops what was typed; the dialog closes only on a second one.
      Drop();
      setDate(date());
      event->accept();
      return;
    }
    if (!problem_.isEmpty() && MovesCursor(*event)) {
      Mend();
      return MoveCursor(*event);
    }
    Finish();
    if (own_) {
      // A refused text: the focus may leave it and the arrows may step the last date instead, but
      // Enter does not take the dialog on and no other key edits the text behind the field's back.
      const int key = event->key();
      const bool leaves = key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Up ||
                          key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
                          event->matches(QKeySequence::SelectAll) || event->matches(QKeySequence::Copy);
      if (!leaves) {
        event->accept();
        return;
      }
    }
  }
  if (!own_ && MovesCursor(*event) && (event->modifiers() & Qt::ControlModifier)) {
    // A word move stays in the text, as in any other field: the editor would take Ctrl with an arrow
    // for Tab and hand the focus to the next field past its last section.
    return MoveCursor(*event, false);
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !own_) {
    // Enter takes the date and leaves the cursor where the person left it: the editor would select
    // the section under it, and a Backspace after Enter would take the whole year instead of a digit.
    QLineEdit* edit = lineEdit();
    const int cursor = edit->cursorPosition();
    int anchor = cursor;
    if (edit->hasSelectedText()) anchor = cursor == edit->selectionStart() ? edit->selectionEnd() : edit->selectionStart();
    AsEditor([&] { QDateEdit::keyPressEvent(event); });
    edit->setCursorPosition(anchor);
    if (cursor != anchor) edit->setSelection(anchor, cursor - anchor);
    return;
  }
  QDateEdit::keyPressEvent(event);
}

void TDateField::AsEditor(const std::function<void()>& change) {
  editorSelecting_ = true;
  change();
  editorSelecting_ = false;
  editorSelected_ = lineEdit()->hasSelectedText();
}

void TDateField::Type(QChar c) {
  if (!problem_.isEmpty()) Drop();  // a digit after a refusal starts a new date
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
  own_ = true;
  ShowTyped();
  if (typed_.count('.') == 2 && typed_.section('.', 2).size() == kYearDigits) Take(false);
}

void TDateField::MoveCursor(QKeyEvent& event, bool unseen) {
  // The editor reads its text afresh when the cursor enters another of its sections, and puts the date
  // back over a text it cannot read: the cursor moves through the text being mended unseen. Through
  // its date's own text it moves seen, so that the arrows up and down step the section it enters.
  QLineEdit* edit = lineEdit();
  const QSignalBlocker block(unseen ? edit : nullptr);
  const bool select = event.modifiers() & Qt::ShiftModifier;
  const bool byWord = event.modifiers() & Qt::ControlModifier;
  const int key = event.key();
  if (key == Qt::Key_Home || key == Qt::Key_End)
    key == Qt::Key_Home ? edit->home(select) : edit->end(select);
  else if (byWord)
    key == Qt::Key_Left ? edit->cursorWordBackward(select) : edit->cursorWordForward(select);
  else
    key == Qt::Key_Left ? edit->cursorBackward(select) : edit->cursorForward(select);
  event.accept();
}

bool TDateField::MovesCursor(const QKeyEvent& event) {
  // By a character, by a word (Ctrl) or to an end, selecting with Shift: every move of the text's own.
  const int key = event.key();
  return (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End) &&
         !(event.modifiers() & (Qt::AltModifier | Qt::MetaModifier));
}

bool TDateField::Correcting() const {
  // A text the editor's own editing changed, or a part of the date that the person selected, is
  // corrected where the cursor stands. A text deleted or selected whole is no correction, nor is a
  // section the editor selected by itself (as it does when the field gains the focus): what is typed
  // then is a new date.
  const QLineEdit* edit = lineEdit();
  if (own_ || edit->selectedText().size() >= edit->text().size()) return false;
  return Edited() || (edit->hasSelectedText() && !editorSelected_);
}

void TDateField::Insert(const QString& typed) {
  // The editor itself would fit the characters to its sections; the text is put together here and kept
  // out of the editor's handlers, as a typed date is, until the editing ends.
  QLineEdit* edit = lineEdit();
  QString text = edit->text();
  int at = edit->cursorPosition();
  if (edit->hasSelectedText()) {
    at = edit->selectionStart();
    text.remove(at, edit->selectedText().size());
  }
  text.insert(at, typed);
  const QSignalBlocker block(edit);
  edit->setText(text);
  edit->setCursorPosition(at + static_cast<int>(typed.size()));
}

void TDateField::Paste(const QString& text) {
  QString pasted = text.trimmed();
  pasted.replace(',', '.');
  // Pasted into a text being mended, or over a part the person selected, it mends the text where the
  // cursor stands, as the same characters typed would; over the whole text it is a new date.
  if (Correcting()) {
    if (!pasted.isEmpty()) Insert(pasted);
    return;
  }
  Drop();
  typed_ = pasted;
  if (typed_.isEmpty()) return setDate(date());
  own_ = true;
  ShowTyped();
  Take(true);
}

void TDateField::ShowTyped() {
  // The editor's own handlers never see the unfinished text: they would read it section by section.
  QLineEdit* edit = lineEdit();
  const QSignalBlocker block(edit);
  edit->setText(typed_);
  edit->setCursorPosition(static_cast<int>(typed_.size()));
}

void TDateField::Take(bool ended) {
  if (typed_.isEmpty()) return Refuse("Дата не задана: " + kShape);
  static const QRegularExpression shape(R"(^(\d{1,2})\.(\d{1,2})\.(\d{2}|\d{4})$)");
  const QRegularExpressionMatch parts = shape.match(typed_);
  const bool shortYear = parts.hasMatch() && parts.captured(3).size() == kShortYearDigits;
  if (!parts.hasMatch() || (shortYear && !ended)) {
    static const QRegularExpression digitsAndDots(R"(^[\d.]*$)");
    return Refuse(digitsAndDots.match(typed_).hasMatch()
                      ? "Дата " + Quoted(typed_) + " неполная: " + kShape
                      : "Текст " + Quoted(typed_) + " не является датой: " + kShape);
  }
  const int year = shortYear ? ExpandTwoDigitYear(parts.captured(3).toInt()) : parts.captured(3).toInt();
  const QDate typed(year, parts.captured(2).toInt(), parts.captured(1).toInt());
  const QString format = "dd.MM.yyyy";
  if (!typed.isValid()) return Refuse("Даты " + Quoted(typed_) + " не существует");
  if (typed < minimumDate())
    return Refuse("Дата " + Quoted(typed_) + " раньше допустимой " + minimumDate().toString(format));
  if (typed > maximumDate())
    return Refuse("Дата " + Quoted(typed_) + " позже допустимой " + maximumDate().toString(format));
  Drop();
  setDate(typed);
  // The cursor stands after the year, and so does the editor's own section: a whole text selected
  // before the date was typed leaves the editor at its first section, where the next Backspace would
  // only step over the text instead of taking the year's last digit.
  setCurrentSectionIndex(sectionCount() - 1);
  if (QLineEdit* edit = lineEdit()) edit->setCursorPosition(static_cast<int>(edit->text().size()));
}

void TDateField::Refuse(const QString& problem) {
  own_ = true;
  problem_ = problem;
  QApplication::beep();
  ShowTyped();
  if (QWidget* dialog = window()) ShowProblems(*dialog);
}

void TDateField::Mend() {
  // A refused text is mended where the cursor is put, as a text the editor's own editing left: it is
  // taken or refused again when the editing ends.
  own_ = false;
  typed_.clear();
  problem_.clear();
  if (QWidget* dialog = window()) ShowProblems(*dialog);
}

void TDateField::Drop() {
  if (!own_) return;
  own_ = false;
  typed_.clear();
  problem_.clear();
  if (QWidget* dialog = window()) ShowProblems(*dialog);
}

bool TDateField::Edited() const { return lineEdit()->text() != textFromDateTime(dateTime()); }

void TDateField::Finish() {
  // An edited text is taken as it stands, an emptied one too: it is refused, never left to the date it
  // no longer shows.
  if (!own_ && Edited()) {
    typed_ = lineEdit()->text();
    own_ = true;
  }
  if (own_ && problem_.isEmpty()) Take(true);
}

bool TDateField::Settle() {
  Finish();
  return problem_.isEmpty();
}

void TDateField::focusInEvent(QFocusEvent* event) {
  AsEditor([&] { QDateEdit::focusInEvent(event); });
}

void TDateField::focusOutEvent(QFocusEvent* event) {
  // A window going away (cancelled, closed or destroyed) takes nothing on, and its message would be
  // made on a window being torn down.
  if (!window()->isHidden()) Finish();
  QDateEdit::focusOutEvent(event);
}

void TDateField::mousePressEvent(QMouseEvent* event) {
  Finish();
  QDateEdit::mousePressEvent(event);
}

bool TDateField::focusNextPrevChild(bool next) {
  Finish();
  // Tab goes on to the next control, as from any other field: the date editor would walk its own day,
  // month and year first, and a second date typed after Tab would land in the first field.
  return QAbstractSpinBox::focusNextPrevChild(next);
}

void TDateField::stepBy(int steps) {
  // Stepping starts from the last date: a refused text gives way to it.
  Finish();
  if (!problem_.isEmpty()) {
    Drop();
    setDate(date());
  }
  AsEditor([&] { QDateEdit::stepBy(steps); });
}

QValidator::State TDateField::validate(QString& input, int& pos) const {
  // A text being typed or corrected is the person's own until the editing ends: the editor would fit
  // it to the calendar ("31.11.2026" to the 30th) behind the field's back.
  if (own_ || input != textFromDateTime(dateTime())) return QValidator::Intermediate;
  return QDateEdit::validate(input, pos);
}

void TDateField::fixup(QString& input) const {
  if (!own_) QDateEdit::fixup(input);
}

bool DatesTaken(QWidget& dialog) {
  TDateField* refused = nullptr;
  for (TDateField* field : dialog.findChildren<TDateField*>()) {
    if (field->isEnabled() && !field->Settle() && refused == nullptr) refused = field;
  }
  if (refused == nullptr) return true;
  ShowProblems(dialog);
  refused->setFocus(Qt::OtherFocusReason);
  return false;
}

void AcceptWhenDatesTaken(QDialogButtonBox& buttons, QDialog& dialog) {
  QObject::connect(&buttons, &QDialogButtonBox::accepted, &dialog, [&dialog] {
    if (DatesTaken(dialog)) dialog.accept();
  });
}

std::string ReversedPeriodFault(const QDate& first, const QDate& last) {
  return last < first ? "Начальная дата больше конечной даты заданного периода" : std::string();
}

}  // namespace ld::gui
