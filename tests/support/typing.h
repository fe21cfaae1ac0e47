#pragma once
// Typing into a grid cell as a person does: one key event per character, and the grid painted before
// the next key (a test that sends all keys at once never lets the grid paint in between); a click on
// one section of a date field, where a person's mouse would land on it; the numeric keypad; a paste.
#include <QApplication>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

namespace ld::test {

inline void TypeIntoCell(QWidget* editor, const QString& text) {
  for (const QChar ch : text) {
    if (ch.unicode() < 128)
      QTest::keyClick(editor, static_cast<char>(ch.unicode()));
    else
      QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    if (QWidget* grid = editor->parentWidget()) grid->update();
    QApplication::processEvents();
  }
}

// Clicks the text of a "dd.MM.yyyy" field between the two first digits of the section; false when no
// point of the field's text lies there.
inline bool ClickDateSection(QDateTimeEdit& field, QDateTimeEdit::Section section) {
  const int inside = section == QDateTimeEdit::DaySection ? 1 : section == QDateTimeEdit::MonthSection ? 4 : 7;
  auto* edit = field.findChild<QLineEdit*>();
  if (edit == nullptr) return false;
  for (int x = 0; x < edit->width(); ++x) {
    const QPoint at(x, edit->height() / 2);
    if (edit->cursorPositionAt(at) != inside) continue;
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, at);
    return field.currentSection() == section;
  }
  return false;
}

// Digits and the decimal key on the numeric keypad, which under a Russian layout types a comma.
inline void TypeOnKeypad(QWidget* widget, const QString& text) {
  for (const QChar ch : text) {
    const auto key = ch == ',' ? Qt::Key_Comma : static_cast<Qt::Key>(Qt::Key_0 + ch.digitValue());
    QTest::sendKeyEvent(QTest::Click, widget, key, QString(ch), Qt::KeypadModifier);
  }
}

// A text put on the clipboard and pasted over the whole of the widget's text with Ctrl+A, Ctrl+V.
inline void PasteOver(QWidget* widget, const QString& text) {
  QApplication::clipboard()->setText(text);
  QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
}

}  // namespace ld::test
