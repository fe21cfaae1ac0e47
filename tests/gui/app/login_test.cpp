// The login over a user list file: refusals keep the dialog open, the chosen user becomes the current one.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "core/base/session.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/app/login.h"
#include "gui/app/user_file.h"
#include "gui/common/modal.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

struct UserRow {
  std::string name, password, data, access;
};

class Login : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (test::DataDir() / "maket.zr").string();
    UserFileStem = dir / "ldtoril";
    CurrentUserName.clear();
    UserAccess = 1;
  }
  void TearDown() override {
    CurrentUserName.clear();
    UserAccess = 1;
  }

  void WriteUsers(const std::vector<UserRow>& rows) {
    TDataFile table;
    ReadMaket(LayoutUsers, table);
    CreateColumns(table, static_cast<int>(rows.size()));
    for (int r = 1; r <= table.RowCount; ++r) {
      const UserRow& row = rows[static_cast<std::size_t>(r - 1)];
      const std::pair<const char*, std::string> cells[] = {
          {"UserName", row.name}, {"Password", row.password}, {"UserData", row.data}, {"Access", row.access}};
      for (auto [field, text] : cells) SetCellText(table, r, FindColumnIndex(field, table), text);
    }
    WriteTableFile(UserFileName(), table);
  }

  bool RunLogin(const std::function<void(TUserPswFrm&)>& steps) {
    const ModalHandler previous = SetModalHandler([&](QDialog& dialog) {
      auto* form = dynamic_cast<TUserPswFrm*>(&dialog);
      EXPECT_NE(form, nullptr);
      if (form) steps(*form);
      return dialog.result();
    });
    const bool result = UserLogin();
    SetModalHandler(previous);
    return result;
  }

  test::TempDir dir;
  test::ScriptedMsgBox box;
};

TEST_F(Login, RefusalsKeepTheDialogOpenAndTheChosenUserBecomesCurrent) {
  WriteUsers({{"Иванов", "Qw1", "инженер ПТО", "1"}, {"Петров", "пароль", "", "0"}});
  bool stillOpen = true;
  ASSERT_TRUE(RunLogin([&](TUserPswFrm& form) {
    auto* users = form.findChild<QComboBox*>("UserBox");
    auto* password = form.findChild<QLineEdit*>("PswEdit");
    auto* ok = form.findChild<QPushButton*>("OKBtn");
    ASSERT_TRUE(users && password && ok);
    EXPECT_EQ(form.windowTitle(), "Выбор пользователя");
    ASSERT_EQ(users->count(), 2);
    EXPECT_EQ(users->itemText(1), "Петров");
    EXPECT_EQ(users->currentIndex(), -1);

    ok->click();
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не выбран пользователь"});
    users->setCurrentIndex(0);
    password->setText("qw1");  // passwords compare in their letter case
    ok->click();
    password->setText("Qw");
    ok->click();
    EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Не выбран пользователь", "Неверный пароль", "Неверный пароль"}));
    stillOpen = form.isVisible() && form.result() == 0;
    password->setText("Qw1");
    EXPECT_EQ(password->displayText(), "***");
    EXPECT_TRUE(form.grab().save(QString::fromStdString(test::OutputPath("login_dialog.png"))));
    ok->click();
  }));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(box.Calls().size(), 3u);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(CurrentUserName, "Иванов, инженер ПТО");
  EXPECT_EQ(UserAccess, 1);

  // Without user data the name stands alone; the right comes from the row.
  ASSERT_TRUE(RunLogin([&](TUserPswFrm& form) {
    form.findChild<QComboBox*>("UserBox")->setCurrentIndex(1);
    form.findChild<QLineEdit*>("PswEdit")->setText("пароль");
    form.findChild<QPushButton*>("OKBtn")->click();
  }));
  EXPECT_EQ(CurrentUserName, "Петров");
  EXPECT_EQ(UserAccess, 0);
}

TEST_F(Login, CancelOrMissingUserFileLeavesTheUserUnset) {
  // Without a user file the list is empty, so only "Отменить" leads on.
  EXPECT_FALSE(RunLogin([&](TUserPswFrm& form) {
    EXPECT_EQ(form.findChild<QComboBox*>("UserBox")->count(), 0);
    form.findChild<QPushButton*>("OKBtn")->click();
    form.findChild<QPushButton*>("CancelBtn")->click();
  }));
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не выбран пользователь"});

  WriteUsers({{"Иванов", "1", "", "0"}});
  EXPECT_FALSE(RunLogin([&](TUserPswFrm& form) {
    form.findChild<QComboBox*>("UserBox")->setCurrentIndex(0);
    form.findChild<QLineEdit*>("PswEdit")->setText("1");
    form.findChild<QPushButton*>("CancelBtn")->click();
  }));
  EXPECT_EQ(CurrentUserName, "");
  EXPECT_EQ(UserAccess, 1);
}

}  // namespace
}  // namespace ld::gui
