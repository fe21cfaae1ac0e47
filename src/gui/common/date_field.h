#pragma once
// The date field of every dialog: "dd.MM.yyyy", a calendar under its button, arrows that step the
// section under the cursor, and a date typed as it is written taken whole.
//
// A plain date editor takes typed digits section by section: it jumps to the next section after two
// digits, and where a dot or a selection lands depends on where the cursor stood, so "15.10.2026"
// typed into the day became 15.11.2026 without a word. Here the first digit typed starts a new date;
// digits and dots are collected as the text of the whole date (a day and a month of one or two digits,
// a dot between them put in by itself after two), and the date is taken once its year has four
// digits. A date that does not exist or lies outside the field's range, or one left unfinished, is
// refused: the field beeps and shows its last date again.
#include <QDate>
#include <QDateEdit>
#include <QString>

#include "core/base/dates.h"

namespace ld::gui {

// Moments as a date field shows them (the time of day is dropped), and back at midnight.
QDate DateOfMoment(TDateTime value);
TDateTime MomentOfDate(const QDate& date);

class TDateField : public QDateEdit {
  Q_OBJECT

public:
  TDateField(const char* name, QWidget* parent);

  void stepBy(int steps) override;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

private:
  void Type(QChar c);
  void ShowTyped();
  void Take();
  void Refuse();
  void Finish();

  QString typed_;
};

}  // namespace ld::gui
