// The login over a user list file: refusals keep the dialog open, the chosen user becomes the current one.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "core/base/session.h"
#include "gui/app/login.h"
#include "gui/app/user_file.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

class Login : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
    gui::UserFileStem = dir / "ldtoril";
    CurrentUserName.clear();
  }
  void TearDown() override {
    CurrentUserName.clear();
    UserAccess = 1;
  }
  // Picks the row (-1: none), types the password and presses the button.
  static void Answer(QDialog& form, int row, const char* password, const char* button = "OKBtn") {
    Child<QComboBox>(form, "UserBox").setCurrentIndex(row);
    Child<QLineEdit>(form, "PswEdit").setText(password);
    Press(form, button);
  }

  TempDir dir;
  ScriptedMsgBox box;
  ModalScript script;
};

TEST_F(Login, RefusalsKeepTheDialogOpenAndTheChosenUserBecomesCurrent) {
  // UserName, Password, UserData, Access
  WriteRows(gui::UserFileName(), LayoutUsers, {{"Иванов", "Qw1", "инженер ПТО", "1"}, {"Петров", "пароль", "", "0"}});
  script
      .Then([&](QDialog& form) {
        EXPECT_EQ(form.windowTitle(), "Выбор пользователя");
        auto& users = Child<QComboBox>(form, "UserBox");
        ASSERT_EQ(users.count(), 2);
        EXPECT_EQ(users.itemText(1), "Петров");
        EXPECT_EQ(users.currentIndex(), -1);
        Answer(form, -1, "");
        Answer(form, 0, "qw1");  // passwords compare in their letter case
        Answer(form, 0, "Qw");
        EXPECT_EQ(box.Texts(), (std::vector<std::string>{"Не выбран пользователь", "Неверный пароль", "Неверный пароль"}));
        EXPECT_EQ(box.Calls()[0].kind, mkError);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.result(), 0);
        Child<QLineEdit>(form, "PswEdit").setText("Qw1");
        EXPECT_EQ(Child<QLineEdit>(form, "PswEdit").displayText(), "***");
        EXPECT_TRUE(form.grab().save(QString::fromStdString(OutputPath("login_dialog.png"))));
        Press(form, "OKBtn");
      })
      .Then([](QDialog& form) { Answer(form, 1, "пароль"); });
  ASSERT_TRUE(gui::UserLogin());
  EXPECT_EQ(box.Calls().size(), 3u);
  EXPECT_EQ(CurrentUserName, "Иванов, инженер ПТО");
  EXPECT_EQ(UserAccess, 1);
  // Without user data the name stands alone; the right comes from the row.
  ASSERT_TRUE(gui::UserLogin());
  EXPECT_EQ(CurrentUserName, "Петров");
  EXPECT_EQ(UserAccess, 0);
}

TEST_F(Login, CancelOrMissingUserFileLeavesTheUserUnset) {
  // Without a user file the list is empty, so only "Отменить" leads on.
  script
      .Then([](QDialog& form) {
        EXPECT_EQ(Child<QComboBox>(form, "UserBox").count(), 0);
        Press(form, "OKBtn");
        Press(form, "CancelBtn");
      })
      .Then([](QDialog& form) { Answer(form, 0, "1", "CancelBtn"); });
  EXPECT_FALSE(gui::UserLogin());
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не выбран пользователь"});
  WriteRows(gui::UserFileName(), LayoutUsers, {{"Иванов", "1", "", "0"}});
  EXPECT_FALSE(gui::UserLogin());
  EXPECT_EQ(CurrentUserName, "");
  EXPECT_EQ(UserAccess, 1);
}

}  // namespace
}  // namespace ld::test
