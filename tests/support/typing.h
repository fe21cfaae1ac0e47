#pragma once
// Typing into a grid cell as a person does: one key event per character, and the grid painted before
// the next key (a test that sends all keys at once never lets the grid paint in between).
#include <QApplication>
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

}  // namespace ld::test
