#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QKeyEvent>
#include <QApplication>
#include <functional>
#include <string>

#include "core/base/msgbox.h"
#include "gui/common/modal.h"
#include "gui/common/msgform.h"

namespace ld::gui {
namespace {

// Runs the message box through the modal handler; `work` does what a person would do to the shown form.
class MsgFormRun {
public:
  explicit MsgFormRun(std::function<void(TMessageForm&)> work) {
    previous_ = SetModalHandler([this, work](QDialog& dialog) {
      auto* form = qobject_cast<TMessageForm*>(&dialog);
      EXPECT_NE(form, nullptr);
      if (form) {
        shown_ = true;
        work(*form);
        stillOpen_ = form->isVisible();
      }
      return dialog.result();
    });
  }
  ~MsgFormRun() { SetModalHandler(std::move(previous_)); }
  bool Shown() const { return shown_; }
  bool StillOpen() const { return stillOpen_; }

private:
  ModalHandler previous_;
  bool shown_ = false;
  bool stillOpen_ = false;
};

QPushButton* Button(QWidget& form, int number) {
  return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(number));
}

void Click(TMessageForm& form, int number) {
  QPushButton* button = Button(form, number);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible());
  button->click();
}

void PressKey(QWidget& target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &release);
}

int ShowAndClick(int kind, int buttons, int number) {
  MsgFormRun run([number](TMessageForm& form) { Click(form, number); });
  return ShowMsgForm("Текст", kind, buttons);
}

struct Geometry {
  QSize client;
  QRect label, bevel, buttons[3];
};

Geometry Measure(const std::string& text) {
  Geometry g;
  MsgFormRun run([&g](TMessageForm& form) {
    g.client = form.size();
    g.label = form.findChild<QLabel*>("LMessage")->geometry();
    g.bevel = form.findChild<QFrame*>("Bevel1")->geometry();
    for (int i = 0; i < 3; ++i) g.buttons[i] = Button(form, i + 1)->geometry();
    Click(form, 1);
  });
  ShowQtMsgForm(text, mkInfo, mbOk);
  return g;
}

TEST(MessageForm, ButtonSetsReturnTheCallersValues) {
  InstallQtMsgBox();
  EXPECT_EQ(ShowAndClick(mkWarning, mbOkCancel, 1), 1);
  EXPECT_EQ(ShowAndClick(mkWarning, mbOkCancel, 2), 0);
  EXPECT_EQ(ShowAndClick(mkWarning, mbYesNo, 1), 1);
  EXPECT_EQ(ShowAndClick(mkWarning, mbYesNo, 2), 0);
  EXPECT_EQ(ShowAndClick(mkWarning, mbYesNoCancel, 1), 1);
  EXPECT_EQ(ShowAndClick(mkWarning, mbYesNoCancel, 2), 0);
  EXPECT_EQ(ShowAndClick(mkWarning, mbYesNoCancel, 3), 2);
  EXPECT_EQ(ShowAndClick(mkError, mbOk, 1), 0);
  SetMsgBoxProvider({});
}

TEST(MessageForm, CaptionsIconsAndButtonsFollowKindAndSet) {
  struct Case {
    int kind, buttons;
    const char* title;
    const char* icon;
    QStringList captions;
  };
  const Case cases[] = {
      {mkError, mbOk, "Ошибка", "EImage", {"OK"}},
      {mkWarning, mbYesNoCancel, "Предупреждение", "WImage", {"Да", "Нет", "Отмена"}},
      {mkInfo, mbOkCancel, "Информация", "IImage", {"OK", "Отменить"}},
      {mkWarning, mbYesNo, "Предупреждение", "WImage", {"Да", "Нет"}},
  };
  for (const Case& c : cases) {
    MsgFormRun run([&c](TMessageForm& form) {
      EXPECT_EQ(form.windowTitle(), QString::fromUtf8(c.title));
      for (const char* icon : {"EImage", "WImage", "IImage"}) {
        EXPECT_EQ(form.findChild<QLabel*>(icon)->isVisible(), std::string(icon) == c.icon) << c.title << icon;
      }
      for (int i = 0; i < 3; ++i) {
        QPushButton* button = Button(form, i + 1);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->isVisible(), i < c.captions.size());
        if (i < c.captions.size()) {
          EXPECT_EQ(button->text(), c.captions[i]);
        }
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
      }
      EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
      Click(form, 1);
    });
    ShowQtMsgForm("Текст", c.kind, c.buttons);
    EXPECT_TRUE(run.Shown());
  }
}

TEST(MessageForm, OneLineKeepsDesignedSizeLongerTextGrowsDown) {
  const Geometry one = Measure("Файл сохранен");
  EXPECT_EQ(one.client, QSize(231, 73));
  EXPECT_EQ(one.label.topLeft(), QPoint(40, 2));
  EXPECT_EQ(one.label.width(), 190);
  EXPECT_EQ(one.bevel.top(), 38);
  EXPECT_EQ(one.bevel.width(), 231 - 8);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(one.buttons[i], QRect(i * 78, 48, 75, 25));
  }

  // Four lines by word wrap alone: the words fill the 190-pixel line many times over.
  const QFontMetrics metrics(QLabel().font());
  std::string text = "Схема";
  while (metrics.boundingRect(QRect(0, 0, 190, 10000), Qt::TextWordWrap, QString::fromStdString(text)).height() <
         4 * metrics.lineSpacing() - metrics.leading()) {
    text += " схема";
  }
  const Geometry four = Measure(text);
  const int growth = four.label.height() - 36;
  ASSERT_GE(four.label.height(), 37);
  EXPECT_GE(four.label.height(), 4 * metrics.height());
  EXPECT_EQ(four.label.width(), 190);
  EXPECT_EQ(four.client, QSize(231, 73 + growth));
  EXPECT_EQ(four.bevel.top(), 38 + growth);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(four.buttons[i].top(), 48 + growth);
    EXPECT_GT(four.buttons[i].top(), four.label.bottom());
  }
}

TEST(MessageForm, WordWiderThanTheLineWidensTheDialog) {
  const std::string path = "/home/engineer/districts/north/schemes/substation_feeder_310_winter_maximum.zr";
  const Geometry g = Measure("Файл " + path);
  EXPECT_GT(g.label.width(), 190);
  EXPECT_EQ(g.client.width(), g.label.width() + 50);
  EXPECT_EQ(g.bevel.width(), g.client.width() - 8);
}

TEST(MessageForm, EnterAndEscDoNothingWindowCloseGivesCancelValue) {
  MsgFormRun keys([](TMessageForm& form) {
    Button(form, 1)->setFocus();
    PressKey(form, Qt::Key_Return);
    PressKey(*Button(form, 1), Qt::Key_Return);
    PressKey(*Button(form, 2), Qt::Key_Enter);
    PressKey(form, Qt::Key_Enter);
    PressKey(form, Qt::Key_Escape);
    PressKey(*Button(form, 3), Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    Click(form, 2);
  });
  EXPECT_EQ(ShowQtMsgForm("Удалить?", mkWarning, mbYesNoCancel), 0);
  EXPECT_FALSE(keys.StillOpen());

  // A close by the window system gives a value of the set shown: its "no" or "cancel".
  const std::pair<int, int> closes[] = {{mbOkCancel, 0}, {mbYesNo, 0}, {mbYesNoCancel, 2}, {mbOk, 0}};
  for (const auto& [set, expected] : closes) {
    MsgFormRun run([](TMessageForm& form) { form.close(); });
    EXPECT_EQ(ShowQtMsgForm("Текст", mkWarning, set), expected) << set;
    EXPECT_FALSE(run.StillOpen());
  }
}

TEST(MessageForm, TextIsShownAsWritten) {
  MsgFormRun run([](TMessageForm& form) {
    EXPECT_EQ(form.findChild<QLabel*>("LMessage")->text(), QString::fromUtf8("Ток <I> & напряжение <b>U</b>"));
    EXPECT_EQ(form.findChild<QLabel*>("LMessage")->textFormat(), Qt::PlainText);
    Click(form, 1);
  });
  ShowQtMsgForm("Ток <I> & напряжение <b>U</b>", mkInfo, mbOk);
}

}  // namespace
}  // namespace ld::gui
