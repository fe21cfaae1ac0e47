#include "gui/common/msgform.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "core/base/msgbox.h"
#include "gui/common/modal.h"
#include "gui/common/screen_fit.h"

namespace ld::gui {

namespace {

// Designed geometry of the form.
constexpr int kClientWidth = 231;
constexpr int kClientHeight = 73;
constexpr int kLabelLeft = 40;
constexpr int kLabelTop = 2;
constexpr int kLabelWidth = 190;
constexpr int kOneLineHeight = 36;  // a label up to this high fits above the bevel
constexpr int kBevelTop = 38;
constexpr int kBevelHeight = 5;
constexpr int kButtonTop = 48;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonLeft[3] = {0, 78, 156};
constexpr int kIconSize = 32;

struct ButtonSpec {
  const char* caption;
  int value;
};

struct ButtonSet {
  ButtonSpec buttons[3];
  int count;
  int closeValue;  // what a close by the window system gives: the set's "no" or "cancel"
};

const ButtonSet& SetOf(int buttons) {
  static const ButtonSet sets[4] = {
      {{{"OK", 1}, {"Отменить", 0}, {"", 0}}, 2, 0},
      {{{"Да", 1}, {"Нет", 0}, {"", 0}}, 2, 0},
      {{{"Да", 1}, {"Нет", 0}, {"Отмена", 2}}, 3, 2},
      {{{"OK", 0}, {"", 0}, {"", 0}}, 1, 0},
  };
  // An unknown set gets the single "OK", so the dialog can always be closed.
  return sets[buttons >= 0 && buttons <= 3 ? buttons : mbOk];
}

QLabel* MakeIcon(QWidget* parent, const char* name, QStyle::StandardPixmap pixmap, bool shown) {
  auto* icon = new QLabel(parent);
  icon->setObjectName(name);
  icon->setGeometry(4, kLabelTop, kIconSize, kIconSize);
  icon->setPixmap(parent->style()->standardIcon(pixmap).pixmap(kIconSize, kIconSize));
  icon->setVisible(shown);
  return icon;
}

}  // namespace

TMessageForm::TMessageForm(const QString& text, int kind, int buttons, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  static const char* const kCaptions[3] = {"Ошибка", "Предупреждение", "Информация"};
  setWindowTitle(kind >= 0 && kind <= 2 ? QString::fromUtf8(kCaptions[kind]) : QString());
  setFixedSize(kClientWidth, kClientHeight);

  MakeIcon(this, "EImage", QStyle::SP_MessageBoxCritical, kind == mkError);
  MakeIcon(this, "WImage", QStyle::SP_MessageBoxWarning, kind == mkWarning);
  MakeIcon(this, "IImage", QStyle::SP_MessageBoxInformation, kind == mkInfo);

  message_ = new QLabel(this);
  message_->setObjectName("LMessage");
  message_->setTextFormat(Qt::PlainText);  // a message may hold "<" and "&" as they are
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  message_->setText(text);

  bevel_ = new QFrame(this);
  bevel_->setObjectName("Bevel1");
  bevel_->setFrameShape(QFrame::HLine);
  bevel_->setFrameShadow(QFrame::Raised);
  bevel_->setGeometry(4, kBevelTop, kClientWidth - 8, kBevelHeight);

  const ButtonSet& set = SetOf(buttons);
  closeValue_ = set.closeValue;
  result_ = closeValue_;
  for (int i = 0; i < 3; ++i) {
    auto* button = new QPushButton(this);
    button->setObjectName(QStringLiteral("Button%1").arg(i + 1));
    button->setGeometry(kButtonLeft[i], kButtonTop, kButtonWidth, kButtonHeight);
    // Neither default nor auto-default: Enter must not press a button.
    button->setAutoDefault(false);
    button->setDefault(false);
    const bool shown = i < set.count;
    button->setVisible(shown);
    if (shown) {
      button->setText(QString::fromUtf8(set.buttons[i].caption));
      const int value = set.buttons[i].value;
      connect(button, &QPushButton::clicked, this, [this, value] { Finish(value); });
    }
    buttons_[i] = button;
  }

  FitToText();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TMessageForm::FitToText() {
  const QFontMetrics metrics(message_->font());
  const QString text = message_->text();
  const int flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
  // Wrapped at the designed width, a word longer than the line still widens the text.
  int labelWidth = metrics.boundingRect(QRect(0, 0, kLabelWidth, 1 << 20), flags, text).width();
  int dialogWidth = kClientWidth;
  if (labelWidth >= kLabelWidth) {
    dialogWidth = labelWidth + 50;
  } else {
    labelWidth = kLabelWidth;
  }
  int labelHeight = metrics.boundingRect(QRect(0, 0, labelWidth, 1 << 20), flags, text).height();
  // A text that would make the box taller than half the screen (a question naming every file a copy
  // replaces) widens it instead: a box taller than the screen hides its buttons.
  const QRect area = AvailableArea(*this);
  while (labelHeight > area.height() / 2 && dialogWidth + 100 <= area.width()) {
    labelWidth += 100;
    dialogWidth += 100;
    labelHeight = metrics.boundingRect(QRect(0, 0, labelWidth, 1 << 20), flags, text).height();
  }
  message_->setGeometry(kLabelLeft, kLabelTop, labelWidth, labelHeight);

  int shift = 0;
  if (labelHeight > kOneLineHeight) shift = labelHeight - kOneLineHeight;
  setFixedSize(dialogWidth, kClientHeight + shift);
  bevel_->setGeometry(4, kBevelTop + shift, dialogWidth - 8, kBevelHeight);
  for (int i = 0; i < 3; ++i) buttons_[i]->move(kButtonLeft[i], kButtonTop + shift);
}

void TMessageForm::Finish(int value) {
  result_ = value;
  done(value);
}

void TMessageForm::reject() { Finish(closeValue_); }

void TMessageForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();  // only the buttons close the message box
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

int ShowQtMsgForm(const std::string& text, int kind, int buttons) {
  TMessageForm form(QString::fromStdString(text), kind, buttons);
  ExecModal(form);
  return form.Result();
}

void InstallQtMsgBox() { SetMsgBoxProvider(ShowQtMsgForm); }

}  // namespace ld::gui
