#include "gui/diagram/float_field.h"

#include <QAction>
#include <QColorDialog>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <algorithm>

#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

QString FixedText(double v, int decimals, int precision) {
  if (!std::isfinite(v) || std::fabs(v) >= std::pow(10.0, precision)) return GeneralText(v, precision);
  // Rounded twice on decimal digits, as a person reads them: to the significant digits, then to the
  // decimals (3.15 shows "3.2" although its binary value lies just below).
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(v));
  std::string digits;
  const char* p = buf;
  for (; *p != 0 && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int point = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;  // digits before the decimal point
  if (point < 1) digits.insert(0, static_cast<std::size_t>(1 - point), '0'), point = 1;
  const std::size_t length = static_cast<std::size_t>(point + decimals);
  if (digits.size() > length) {
    bool carry = digits[length] >= '5';
    digits.resize(length);
    for (std::size_t i = length; carry && i-- > 0;) {
      carry = digits[i] == '9';
      digits[i] = carry ? '0' : static_cast<char>(digits[i] + 1);
    }
    if (carry) digits.insert(0, 1, '1'), ++point;
  }
  digits.resize(static_cast<std::size_t>(point + decimals), '0');
  std::string whole = digits.substr(0, static_cast<std::size_t>(point));
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  std::string text = whole;
  if (decimals > 0) text += FormatSettings.DecimalSeparator + digits.substr(static_cast<std::size_t>(point));
  if (v < 0 && digits.find_first_not_of('0') != std::string::npos) text.insert(0, 1, '-');
  return QString::fromStdString(text);
}

QString GeneralText(double v, int precision) { return QString::fromStdString(FloatToStrGeneral(v, precision)); }

QHBoxLayout* ApplyCancelRow(QDialog& dialog, const std::function<void()>& onApply, const char* okName,
                            const char* cancelName) {
  QHBoxLayout* row = ApplyCancelButtons(dialog, onApply);
  dialog.findChild<QPushButton*>("OKBtn")->setObjectName(okName);
  dialog.findChild<QPushButton*>("CancelBtn")->setObjectName(cancelName);
  return row;
}

void ShowPanelColor(QPushButton& panel, std::uint32_t color) {
  panel.setStyleSheet(QString("background-color: %1; border: 1px solid gray;").arg(ToQColor(color).name()));
}

bool ChooseColor(QWidget* parent, std::uint32_t& color) {
  QColorDialog dialog(ToQColor(color), parent);
  if (ExecModal(dialog) != QDialog::Accepted) return false;
  color = FromQColor(dialog.currentColor());
  return true;
}

TNumberFields::TNumberFields(QObject* parent) : QObject(parent) {}

void TNumberFields::AddFloat(QLineEdit* edit, double& value, TFieldFormat format) {
  AddFloatField({edit, false, [&value] { return value; }, [&value](double v) { value = v; }, {}, {}, format});
}

void TNumberFields::AddFloat(QLineEdit* edit, float& value, TFieldFormat format) {
  AddFloatField({edit, false, [&value] { return SingleToDouble(value); },
                 [&value](double v) { value = static_cast<float>(v); }, {}, {}, format});
}

void TNumberFields::AddFloatField(Field field) {
  QLineEdit* edit = field.Edit;
  fields_.push_back(std::move(field));
  edit->installEventFilter(this);
  connect(edit, &QLineEdit::textChanged, this, [this, edit] {
    if (Field* f = Find(edit)) FloatChange(*f);
  });
}

void TNumberFields::AddIntField(QLineEdit* edit, std::function<std::int64_t()> get,
                                std::function<bool(std::int64_t)> set, bool keyFilter) {
  fields_.push_back({edit, true, {}, {}, std::move(get), std::move(set), {}});
  if (keyFilter) edit->installEventFilter(this);
  connect(edit, &QLineEdit::textChanged, this, [this, edit] {
    if (Field* f = Find(edit)) IntChange(*f);
  });
}

TNumberFields::Field* TNumberFields::Find(QObject* edit) {
  for (Field& f : fields_)
    if (f.Edit == edit) return &f;
  return nullptr;
}

void TNumberFields::FloatChange(Field& f) {
  const bool typed = typing_;
  typing_ = false;
  if (!typed) return;
  try {
    f.SetFloat(StrToFloatZ(f.Edit->text().toStdString()));
  } catch (const ConvertError&) {
    f.Edit->setText(GeneralText(f.GetFloat(), f.Format.FocusPrecision));
    return;
  }
  if (OnValueChanged) OnValueChanged(f.Edit);
}

void TNumberFields::IntChange(Field& f) {
  typing_ = false;
  bool ok = false;
  try {
    ok = f.SetInt(StrToIntZ(f.Edit->text().toStdString()));
  } catch (const ConvertError&) {
  }
  if (!ok) {
    f.Edit->setText(QString::number(f.GetInt()));
    return;
  }
  if (OnValueChanged) OnValueChanged(f.Edit);
}

QString TNumberFields::FocusText(const Field& f) const { return GeneralText(f.GetFloat(), f.Format.FocusPrecision); }

void TNumberFields::Show(QLineEdit* edit) {
  Field* f = Find(edit);
  if (f == nullptr) return;
  if (f->IsInt)
    edit->setText(QString::number(f->GetInt()));
  else if (f->Format.General)
    edit->setText(GeneralText(f->GetFloat(), f->Format.Precision));
  else
    edit->setText(FixedText(f->GetFloat(), f->Format.Decimals, f->Format.Precision));
}

void TNumberFields::ShowAll() {
  for (std::size_t i = 0; i < fields_.size(); ++i) Show(fields_[i].Edit);
}

void TNumberFields::GiveFocusText() {
  QWidget* focused = fields_.empty() ? nullptr : fields_.front().Edit->window()->focusWidget();
  Field* f = Find(focused);
  if (f == nullptr || f->IsInt) return;
  f->Edit->setText(FocusText(*f));
  f->Edit->selectAll();
}

bool TNumberFields::eventFilter(QObject* watched, QEvent* event) {
  Field* f = Find(watched);
  if (f == nullptr) return false;
  if (event->type() == QEvent::FocusIn && !f->IsInt) {
    f->Edit->setText(FocusText(*f));
    // A mouse click places the cursor after the focus arrives; select once it has.
    QTimer::singleShot(0, f->Edit, &QLineEdit::selectAll);
  } else if (event->type() == QEvent::FocusOut && !f->IsInt) {
    Show(f->Edit);
  } else if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) return false;
    if (key->matches(QKeySequence::Paste) || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace) {
      typing_ = true;
      return false;
    }
    switch (key->key()) {
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape: return false;
      default: break;
    }
    const QString text = key->text();
    if (text.isEmpty()) return false;  // cursor keys and the like
    const QChar c = text.front();
    if ((c >= '0' && c <= '9') || c == '+' || c == ',' || c == '-' || c == '.') {
      typing_ = true;
      return false;
    }
    return true;
  }
  return false;
}

TSectionMenu::TSectionMenu(QDialog& dialog, QPushButton& button, const char* itemPrefix)
    : QObject(&dialog), dialog_(dialog), button_(button), menu_(new QMenu(&dialog)), prefix_(itemPrefix) {
  menu_->setObjectName("PopupMenu1");
  connect(&button_, &QPushButton::clicked, this, [this] {
    const QPoint at = button_.mapTo(&dialog_, QPoint(0, 0));
    menu_->popup(QPoint(dialog_.x() + at.x() + button_.width() + 5, dialog_.y() + at.y() + 20));
  });
}

void TSectionMenu::Add(const char* caption, QWidget* section) {
  QAction* item = menu_->addAction(QString::fromUtf8(caption));
  item->setObjectName(QString::fromUtf8(prefix_) + QString::number(items_.size() + 1));
  item->setCheckable(true);
  connect(item, &QAction::triggered, this, [this] { Arrange(); });
  items_.push_back(item);
  sections_.push_back(section);
}

std::vector<bool> TSectionMenu::States() const {
  std::vector<bool> states;
  for (const QAction* item : items_) states.push_back(item->isChecked());
  return states;
}

void TSectionMenu::SetStates(const std::vector<bool>& states) {
  for (std::size_t i = 0; i < items_.size() && i < states.size(); ++i) items_[i]->setChecked(states[i]);
}

void TSectionMenu::Arrange() {
  for (std::size_t i = 0; i < items_.size(); ++i) sections_[i]->setVisible(items_[i]->isChecked());
  dialog_.adjustSize();
}

}  // namespace ld::gui
