#include "gui/app/login.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/tables/colmaps.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/app/user_file.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"

namespace ld::gui {

namespace {

// Typed passwords show one "*" per character.
class StarPasswordStyle : public QProxyStyle {
public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

TUserPswFrm::TUserPswFrm(const TUserCols& users, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      users_(users) {
  setObjectName("UserPswFrm");
  setWindowTitle("Выбор пользователя");
  auto* label1 = new QLabel("Пользователь", this);
  label1->setObjectName("Label1");
  userBox_ = new QComboBox(this);
  userBox_->setObjectName("UserBox");
  userBox_->setEditable(false);
  userBox_->setFixedWidth(250);
  auto* label2 = new QLabel("Пароль", this);
  label2->setObjectName("Label2");
  pswEdit_ = new QLineEdit(this);
  pswEdit_->setObjectName("PswEdit");
  auto* style = new StarPasswordStyle;
  style->setParent(pswEdit_);
  pswEdit_->setStyle(style);
  pswEdit_->setEchoMode(QLineEdit::Password);
  auto* buttons = ApplyCancelButtons(*this, [this] { OKBtnClick(); });

  auto* fields = new QGridLayout;
  fields->addWidget(label1, 0, 0);
  fields->addWidget(userBox_, 0, 1);
  fields->addWidget(label2, 1, 0);
  fields->addWidget(pswEdit_, 1, 1);
  auto* root = new QVBoxLayout(this);
  root->addLayout(fields);
  root->addLayout(buttons);
  setFixedSize(sizeHint());

  for (int row = 1; row <= users_.RowCount; ++row)
    userBox_->addItem(QString::fromStdString(users_.UserName->GetItem(row)));
  userBox_->setCurrentIndex(-1);
  pswEdit_->clear();

}

int TUserPswFrm::ChosenRow() const { return userBox_->currentIndex() + 1; }

void TUserPswFrm::OKBtnClick() {
  const int row = ChosenRow();
  if (row < 1) {
    ShowMsgForm("Не выбран пользователь", mkError, mbOk);
    return;
  }
  if (users_.Password->GetItem(row) != pswEdit_->text().toStdString()) {
    ShowMsgForm("Неверный пароль", mkError, mbOk);
    return;
  }
  accept();
}

bool UserLogin() {
  TDataFile table;
  TUserCols users;
  try {
    ReadTableFileOrEmpty(UserFileName(), LayoutUsers, table);
    FillUserCols(table, users);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return false;
  }
  TUserPswFrm form(users);
  if (ExecModal(form) != QDialog::Accepted) return false;
  const int row = form.ChosenRow();
  const std::string data = users.UserData->GetItem(row);
  CurrentUserName = users.UserName->GetItem(row);
  if (!data.empty()) CurrentUserName = Utf8Left(CurrentUserName + ", " + data, 255);
  UserAccess = users.Access->Get(row);
  return true;
}

}  // namespace ld::gui
