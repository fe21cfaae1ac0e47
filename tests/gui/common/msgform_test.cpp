#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
        work(*form);
        stillOpen_ = form->isVisible();
      }
      return dialog.result();
    });
  }
  ~MsgFormRun() { SetModalHandler(std::move(previous_)); }
  bool StillOpen() const { return stillOpen_; }

private:
  ModalHandler previous_;
  bool stillOpen_ = true;
};

QPushButton* Button(QWidget& form, int number) {
  return form.findChild<QPushButton*>(QStringLiteral("Button%1").arg(number));
}

void PressKey(QWidget& target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &release);
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
    Button(form, 1)->click();
  });
  ShowQtMsgForm(text, mkInfo, mbOk);
  return g;
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
  InstallQtMsgBox();
  for (const Case& c : cases) {
    for (int pressed = 1; pressed <= c.captions.size(); ++pressed) {
      MsgFormRun run([&c, pressed](TMessageForm& form) {
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8(c.title));
        EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
        for (const char* icon : {"EImage", "WImage", "IImage"}) {
          EXPECT_EQ(form.findChild<QLabel*>(icon)->isVisible(), std::string(icon) == c.icon) << icon;
        }
        for (int i = 0; i < 3; ++i) {
          QPushButton* button = Button(form, i + 1);
          EXPECT_EQ(button->isVisible(), i < c.captions.size());
          EXPECT_EQ(button->text(), i < c.captions.size() ? c.captions[i] : QString());
        }
        Button(form, pressed)->click();
      });
      EXPECT_EQ(ShowMsgForm("Текст", c.kind, c.buttons), c.values[pressed - 1]) << c.buttons << " " << pressed;
      EXPECT_FALSE(run.StillOpen());
    }
  }
  SetMsgBoxProvider({});
}

TEST(MessageForm, OneLineKeepsDesignedSizeLongerTextGrowsDown) {
  const Geometry one = Measure("Файл сохранен");
  EXPECT_EQ(one.client, QSize(231, 73));
  EXPECT_EQ(one.label, QRect(40, 2, 190, one.label.height()));
  EXPECT_EQ(one.bevel, QRect(4, 38, 231 - 8, 5));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(one.buttons[i], QRect(i * 78, 48, 75, 25));

  // Four lines by word wrap alone.
  const QFontMetrics metrics(QLabel().font());
  std::string text = "Схема";
  while (metrics.boundingRect(QRect(0, 0, 190, 10000), Qt::TextWordWrap, QString::fromStdString(text)).height() <
         4 * metrics.lineSpacing() - metrics.leading()) {
    text += " схема";
  }
  const Geometry four = Measure(text);
  const int growth = four.label.height() - 36;
  EXPECT_GE(four.label.height(), 4 * metrics.height());
  EXPECT_EQ(four.label.width(), 190);
  EXPECT_EQ(four.client, QSize(231, 73 + growth));
  EXPECT_EQ(four.bevel.top(), 38 + growth);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(four.buttons[i].top(), 48 + growth);
    EXPECT_GT(four.buttons[i].top(), four.label.bottom());
  }

  // A word longer than the line widens the dialog to the label plus 50.
  const Geometry wide = Measure("Файл /home/engineer/districts/north/schemes/substation_feeder_310_winter.zr");
  EXPECT_GT(wide.label.width(), 190);
  EXPECT_EQ(wide.client.width(), wide.label.width() + 50);
  EXPECT_EQ(wide.bevel.width(), wide.client.width() - 8);
}

TEST(MessageForm, EnterAndEscDoNothingWindowCloseGivesCancelValue) {
  MsgFormRun keys([](TMessageForm& form) {
    Button(form, 1)->setFocus();
    PressKey(form, Qt::Key_Return);
    PressKey(*Button(form, 1), Qt::Key_Return);
    PressKey(*Button(form, 2), Qt::Key_Enter);
    PressKey(form, Qt::Key_Escape);
    PressKey(*Button(form, 3), Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    Button(form, 2)->click();
  });
  EXPECT_EQ(ShowQtMsgForm("Удалить?", mkWarning, mbYesNoCancel), 0);

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
    EXPECT_EQ(form.findChild<QLabel*>("LMessage")->text(), QString::fromUtf8("Ток <b>I</b> & U"));
    EXPECT_EQ(form.findChild<QLabel*>("LMessage")->textFormat(), Qt::PlainText);
    Button(form, 1)->click();
  });
  ShowQtMsgForm("Ток <b>I</b> & U", mkInfo, mbOk);
}

}  // namespace
}  // namespace ld::gui
