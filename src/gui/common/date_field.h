#pragma once
// The date field of every dialog: "dd.MM.yyyy", a calendar under its button, arrows that step the
// section under the cursor, and a date typed as it is written taken whole.
//
// A plain date editor takes typed digits section by section: it jumps to the next section after two
// digits, and where a dot or a selection lands depends on where the cursor stood, so "15.10.2026"
// typed into the day became 15.11.2026 without a word. Here the first digit typed starts a new date;
// digits and dots (a comma too: the keypad's decimal key under a Russian layout) are collected as the
// text of the whole date (a day and a month of one or two digits, a dot between them put in by itself
// after two), and the date is taken once its year has four digits, or, when the typing ends (Enter,
// Tab, a click elsewhere), with a year of two digits read as every date text of the program reads it
// (ExpandTwoDigitYear: "01.11.26" is 2026, "…99" 1999). A pasted date (keys, the text's menu, the middle button) is taken by the
// same rule, never fitted to the calendar.
//
// A text left by the editor's own editing (Backspace, Delete, a cut, an undo), or a part of the date
// the person selected, is corrected where the cursor stands: digits and dots typed or a text pasted then
// go in at the cursor, in place of what is selected, as a person mends "01.11.2026" into "01.11.2025" by
// deleting or selecting the "26" and typing or pasting "25". The text is taken by the same rule when the
// editing ends: the field never goes on with a date its text no longer shows, and a text deleted to
// nothing is refused; the arrows (by a character or, with Ctrl, by a word), Home, End and the mouse move
// through the text meanwhile without the editor putting its date back.
// A text deleted or selected whole, or a section the editor selected by itself, is replaced by a new
// date typed; Enter leaves the cursor where it stood.
//
// A date that does not exist, lies outside the field's range or is left unfinished is refused: the
// field keeps the text for correcting (the arrows, Home, End or a click put the cursor in it to mend it
// there; a digit typed at once starts a new date), a message under the dialog's fields says what is
// wrong and how to mend it, and the
// field's date stays its last one until a date is taken, Escape brings the last one back or the arrows
// step from it. While an enabled field holds a refused text its dialog does not go ahead (DatesTaken); a
// field the dialog disables is not taken, and its refusal counts again once it is enabled again.
#include <QDate>
#include <QDateEdit>
#include <QString>
#include <functional>
#include <string>

#include "core/base/dates.h"

class QDialog;
class QDialogButtonBox;
class QKeyEvent;

namespace ld::gui {

// Moments as a date field shows them (the time of day is dropped), and back at midnight.
QDate DateOfMoment(TDateTime value);
TDateTime MomentOfDate(const QDate& date);

class TDateField : public QDateEdit {
  Q_OBJECT

public:
  TDateField(const char* name, QWidget* parent);

  void stepBy(int steps) override;

  // Ends a date still being typed (taken or refused); true when the field holds a date, false when it
  // holds a refused text.
  bool Settle();
  // What is wrong with the text the field holds; empty while it holds its date.
  const QString& Problem() const { return problem_; }

protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

private:
  // Runs a change of the editor's own, noting whether it left a selection of its making.
  void AsEditor(const std::function<void()>& change);
  void Type(QChar c);
  static bool MovesCursor(const QKeyEvent& event);
  void MoveCursor(QKeyEvent& event, bool unseen = true);
  bool Correcting() const;
  void Insert(const QString& typed);
  void Paste(const QString& text);
  void ShowTyped();
  void Take(bool ended);
  void Refuse(const QString& problem);
  void Mend();
  void Drop();
  void Finish();
  bool Edited() const;

  bool own_ = false;  // the field shows typed_ instead of its date
  QString typed_;     // the text being typed, or the refused text (empty: the text was deleted)
  QString problem_;   // why the text was refused; empty while it is being typed
  bool editorSelecting_ = false;  // a change of the editor's own is under way
  bool editorSelected_ = false;   // the selection shown is the editor's, not the person's
};

// Settles every enabled date field of the dialog; false, with the first field that holds a refused text
// focused and its message shown, when the dialog must not go ahead.
bool DatesTaken(QWidget& dialog);
// Accepts the dialog when the box's accepting button is pressed, unless a date field of it holds a
// refused date (DatesTaken), as under the buttons of OkCancelButtons.
void AcceptWhenDatesTaken(QDialogButtonBox& buttons, QDialog& dialog);
// "Начальная дата больше конечной даты заданного периода" when the period ends before it begins; empty
// for a period in order.
std::string ReversedPeriodFault(const QDate& first, const QDate& last);

}  // namespace ld::gui
