// The message box: the value of each button of each set, keys and closing, and its growth with the text.
#include <gtest/gtest.h>

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "core/base/msgbox.h"
#include "gui/common/msgform.h"
#include "support/modal_script.h"

namespace ld::test {
namespace {

QPushButton& Button(QWidget& form, int number) {
  return Child<QPushButton>(form, QStringLiteral("Button%1").arg(number).toLatin1().constData());
}

TEST(MessageForm, EachButtonOfEachSetGivesItsValue) {
  struct Case {
    int kind, buttons;
    const char* title;
    const char* icon;
    QStringList captions;
    std::vector<int> values;
  };
  const Case cases[] = {
      {mkInfo, mbOkCancel, "Информация", "IImage", {"OK", "Отменить"}, {1, 0}},
      {mkWarning, mbYesNo, "Предупреждение", "WImage", {"Да", "Нет"}, {1, 0}},
      {mkWarning, mbYesNoCancel, "Предупреждение", "WImage", {"Да", "Нет", "Отмена"}, {1, 0, 2}},
      {mkError, mbOk, "Ошибка", "EImage", {"OK"}, {0}},
  };
  gui::InstallQtMsgBox();
  for (const Case& c : cases)
    for (int pressed = 1; pressed <= c.captions.size(); ++pressed) {
      ModalScript script;
      script.Then([&c, pressed](QDialog& form) {
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
        for (const char* icon : {"EImage", "WImage", "IImage"})
          EXPECT_EQ(Child<QLabel>(form, icon).isVisible(), std::string(icon) == c.icon) << icon;
        for (int i = 0; i < 3; ++i) {
          EXPECT_EQ(Button(form, i + 1).isVisible(), i < c.captions.size());
          EXPECT_EQ(Button(form, i + 1).text(), i < c.captions.size() ? c.captions[i] : QString());
        }
        Button(form, pressed).click();
        EXPECT_FALSE(form.isVisible());
      });
      EXPECT_EQ(ShowMsgForm("Текст", c.kind, c.buttons), c.values[static_cast<std::size_t>(pressed - 1)])
          << c.buttons << " " << pressed;
    }
  SetMsgBoxProvider({});
}

TEST(MessageForm, EnterAndEscDoNothingWindowCloseGivesCancelValue) {
  ModalScript script;
  script.Then([](QDialog& form) {
    Button(form, 1).setFocus();
    for (QWidget* target : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&Button(form, 1))}) {
      QTest::keyClick(target, Qt::Key_Return);
      QTest::keyClick(target, Qt::Key_Enter);
      QTest::keyClick(target, Qt::Key_Escape);
    }
    EXPECT_TRUE(form.isVisible());
    // The text is shown as written, never as markup.
    EXPECT_EQ(Child<QLabel>(form, "LMessage").text(), "Ток <b>I</b> & U");
    EXPECT_EQ(Child<QLabel>(form, "LMessage").textFormat(), Qt::PlainText);
    Button(form, 2).click();
  });
  EXPECT_EQ(gui::ShowQtMsgForm("Ток <b>I</b> & U", mkWarning, mbYesNoCancel), 0);

  // A close by the window system gives a value of the set shown: its "no" or "cancel".
  for (const auto& [set, expected] : {std::pair{mbOkCancel, 0}, {mbYesNo, 0}, {mbYesNoCancel, 2}, {mbOk, 0}}) {
    script.Then([](QDialog& form) { form.close(); });
    EXPECT_EQ(gui::ShowQtMsgForm("Текст", mkWarning, set), expected) << set;
  }
}

TEST(MessageForm, LongerTextGrowsTheDialogDownAndALongWordWidensIt) {
  struct Geometry {
    QSize client;
    QRect label, bevel, button;
  };
  const auto measure = [](const std::string& text) {
    Geometry g;
    ModalScript script;
    script.Then([&g](QDialog& form) {
      g = {form.size(), Child<QLabel>(form, "LMessage").geometry(), Child<QFrame>(form, "Bevel1").geometry(),
           Button(form, 3).geometry()};
      Button(form, 1).click();
    });
    gui::ShowQtMsgForm(text, mkInfo, mbYesNoCancel);
    return g;
  };
  const Geometry one = measure("Файл сохранен");
  // Four lines by word wrap alone: the label, the bevel and the buttons move down by the same growth.
  const QFontMetrics metrics(QLabel().font());
  std::string text = "Схема";
  while (metrics.boundingRect(QRect(0, 0, 190, 10000), Qt::TextWordWrap, QString::fromStdString(text)).height() <
         4 * metrics.lineSpacing() - metrics.leading())
    text += " схема";
  const Geometry four = measure(text);
  const int growth = four.label.height() - 36;  // the designed label holds two lines
  EXPECT_GE(four.label.height(), 4 * metrics.height());
  EXPECT_EQ(four.label.width(), one.label.width());
  EXPECT_EQ(four.client, one.client + QSize(0, growth));
  EXPECT_EQ(four.bevel, one.bevel.translated(0, growth));
  EXPECT_EQ(four.button, one.button.translated(0, growth));
  EXPECT_GT(four.button.top(), four.label.bottom());

  // A word longer than the line widens the dialog to the label plus 50.
  const Geometry wide = measure("Файл /home/engineer/districts/north/schemes/substation_feeder_310_winter.zr");
  EXPECT_GT(wide.label.width(), one.label.width());
  EXPECT_EQ(wide.client.width(), wide.label.width() + 50);
  EXPECT_EQ(wide.bevel.width(), wide.client.width() - 8);

  // A text that would make the box taller than half the screen widens it; its buttons stay on the screen.
  std::string files = "Будут удалены файлы:";
  for (int k = 0; k < 30; ++k) files += " Копия.K" + std::to_string(k) + " (список трехобмоточных трансформаторов),";
  const Geometry many = measure(files);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_GT(many.client.width(), one.client.width());
  EXPECT_EQ(many.label.width(), many.client.width() - 41);
  EXPECT_LE(many.label.height(), area.height() / 2);
  EXPECT_LE(many.button.bottom(), area.height());
  EXPECT_EQ(many.button, one.button.translated(0, many.label.height() - 36));
}

}  // namespace
}  // namespace ld::test
