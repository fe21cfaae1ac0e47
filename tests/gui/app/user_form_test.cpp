// The user list editor: its row checks, saving, cancelling and the locks it leaves (none of its own).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/table_file.h"
#include "gui/app/user_file.h"
#include "gui/app/user_form.h"
#include "gui/grid/data_grid.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

class UserList : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string();
    gui::UserFileStem = dir / "ldtoril";
    ProgramDir = dir.Path().string() + "/";
    file = dir / "ldtoril.usr";
    CurrentUserName = "admin";
  }
  void TearDown() override {
    CurrentUserName.clear();
    ProgramDir.clear();
  }

  // Runs the editor; `steps` work its window and the dialogs it opens, in turn.
  void Run(const std::function<void(gui::TUserForm&)>& steps,
           const std::function<void(QDialog&)>& next = nullptr) {
    script.Then([steps](QDialog& d) { steps(dynamic_cast<gui::TUserForm&>(d)); });
    if (next) script.Then(next);
    gui::EditUserList();
  }

  // Types the texts of one row into the grid (user name, password, user data, access).
  static void TypeRow(gui::TDataGrid5& grid, int row, const std::vector<std::string>& texts) {
    grid.SetMode(gui::gmEdit);
    grid.GotoRow(row);
    for (std::size_t k = 0; k < texts.size(); ++k) {
      grid.MoveTo(static_cast<int>(k) + 1, grid.Row());
      grid.SetEditText(texts[k]);
    }
  }

  std::vector<std::string> SavedNames() const {
    TDataFile table;
    ReadTableFile(file, table);
    std::vector<std::string> names;
    for (int r = 1; r <= table.RowCount; ++r)
      names.push_back(GetCellText(table, r, 1, true) + "/" + GetCellText(table, r, 2, true) + "/" +
                      GetCellText(table, r, 4, true));
    return names;
  }

  TempDir dir;
  ScriptedMsgBox box;
  ModalScript script;
  std::string file;
};

TEST_F(UserList, RowsAreCheckedNamesFirstAndSavedWithoutTrailingEmptyRows) {
  Run([&](gui::TUserForm& form) {
    EXPECT_EQ(form.windowTitle(), "Список пользователей");
    EXPECT_EQ(form.size(), QSize(638, 440));
    // The missing file was created empty at once.
    EXPECT_TRUE(fs::exists(file));
    gui::TDataGrid5& grid = form.Grid();
    EXPECT_EQ(grid.table().RowCount, 0);
    TypeRow(grid, 1, {"Иванов", "1", "инженер", "1"});
    TypeRow(grid, 2, {"Петров", "", "", "0"});
    TypeRow(grid, 3, {"", "3"});
    EXPECT_TRUE(fs::exists(file + "~"));

    Press(form, "Button1");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не задан пользователь в строке 3"});
    EXPECT_EQ(box.Calls().back().kind, mkError);
    EXPECT_TRUE(form.isVisible());
    TypeRow(grid, 3, {"Сидоров"});
    Press(form, "Button1");
    EXPECT_EQ(box.Texts().back(), "Не задан пароль в строке 2");
    TypeRow(grid, 2, {"Петров", "2"});
    // An empty row typed at the end (blanks only) does not stop the saving.
    TypeRow(grid, 5, {" ", "", " "});
    grid.MoveTo(4, grid.Row());
    EXPECT_EQ(form.findChild<QLabel*>("HLabel")->text(), "1 - полные права, 0 - только просмотр");
    Press(form, "Button1");
    EXPECT_EQ(box.Calls().size(), 2u);
  });
  EXPECT_EQ(SavedNames(), (std::vector<std::string>{"Иванов/1/1", "Петров/2/", "Сидоров/3/"}));
  EXPECT_FALSE(fs::exists(file + "~"));
}

TEST_F(UserList, CancelAndPrintLeaveTheFileAsItWasAndRemoveOnlyTheEditorsLock) {
  WriteRows(file, LayoutUsers, {{"Иванов", "1", "", "1"}});
  const std::string saved = ReadBytes(file);
  Run(
      [&](gui::TUserForm& form) {
        TypeRow(form.Grid(), 1, {"Другой", "9", "мастер"});
        EXPECT_TRUE(fs::exists(file + "~"));
        Press(form, "PrintBtn");
        Press(form, "Button2");
      },
      [&](QDialog& print) {  // the list printed to a text file under the window's caption
        EXPECT_EQ(Child<QPlainTextEdit>(print, "BeginText").toPlainText(), "Список пользователей");
        Child<QCheckBox>(print, "TextFileBox").setChecked(true);
        Child<QLineEdit>(print, "TextFileEdit").setText(QString::fromStdString(dir / "users.txt"));
        Press(print, "PrintBtn");
        Press(print, "PrintBtn");
      });
  EXPECT_EQ(Cp1251ToUtf8(ReadBytes(dir / "users.txt")),
            "Список пользователей\r\n\r\n№\tПользователь\tПароль\tДолжность, подразделение\tПрава\r\n"
            "1\tДругой\t9\tмастер\t1\r\n\r\n");
  EXPECT_EQ(ReadBytes(file), saved);
  EXPECT_FALSE(fs::exists(file + "~"));

  // Another workstation's lock refuses the editing and survives the editor.
  const std::string foreign = Utf8ToCp1251(std::string(1, '\x05') + "Борис");
  WriteBytes(file + "~", foreign);
  Run([&](gui::TUserForm& form) {
    form.Grid().Guarded([&] { TypeRow(form.Grid(), 1, {"Чужой"}); });
    EXPECT_FALSE(form.Grid().Modified());
    Press(form, "Button2");
  });
  ASSERT_FALSE(box.Texts().empty());
  EXPECT_NE(box.Texts().front().find("редактируется"), std::string::npos);
  EXPECT_EQ(ReadBytes(file + "~"), foreign);
  EXPECT_EQ(ReadBytes(file), saved);
}

TEST_F(UserList, ALockLeftByAnEditorThatCrashedIsRemovedWhenTheUserSaysSo) {
  WriteRows(file, LayoutUsers, {{"Иванов", "1", "", "1"}});
  // What an editor of this user on this workstation leaves when it dies: its name and workstation,
  // and nobody holding the file.
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  const std::string leftOver = std::string(1, '\x05') + "admin" + std::string(1, static_cast<char>(std::strlen(host))) + host;
  WriteBytes(file + "~", leftOver);
  box.Answer(1);
  Run([&](gui::TUserForm& form) {
    TypeRow(form.Grid(), 1, {"Иванов", "2"});
    EXPECT_TRUE(form.Grid().Modified());
    Press(form, "Button1");
  });
  EXPECT_EQ(box.Texts(), std::vector<std::string>{"Файл \"" + fs::absolute(file).lexically_normal().string() +
                                                  "\" заблокирован программой, которая больше не работает. "
                                                  "Удалить блокировку?"});
  EXPECT_EQ(SavedNames(), std::vector<std::string>{"Иванов/2/1"});
  EXPECT_FALSE(fs::exists(file + "~"));
}

}  // namespace
}  // namespace ld::test
