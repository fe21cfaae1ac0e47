// The user list editor: its row checks, saving, cancelling and the locks it leaves (none of its own).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/app/user_file.h"
#include "gui/app/user_form.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/report_print_device.h"
#include "gui/grid/report_print_form.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

namespace fs = std::filesystem;

class UserList : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (test::DataDir() / "maket.zr").string();
    UserFileStem = dir / "ldtoril";
    ProgramDir = dir.Path().string() + "/";
    file = dir / "ldtoril.usr";
    CurrentUserName = "admin";
  }
  void TearDown() override {
    CurrentUserName.clear();
    ProgramDir.clear();
  }

  // Runs the editor; `steps` works the window, `print` the print dialog it may open.
  void Run(const std::function<void(TUserForm&)>& steps,
           const std::function<void(TPrnSetForm&)>& print = [](TPrnSetForm&) { ADD_FAILURE() << "print dialog"; }) {
    const ModalHandler previous = SetModalHandler([&](QDialog& dialog) {
      if (auto* form = dynamic_cast<TUserForm*>(&dialog)) steps(*form);
      if (auto* printForm = dynamic_cast<TPrnSetForm*>(&dialog)) print(*printForm);
      return dialog.result();
    });
    EditUserList();
    SetModalHandler(previous);
  }

  // Types the texts of one row into the grid (user name, password, user data, access).
  static void TypeRow(TDataGrid5& grid, int row, const std::vector<std::string>& texts) {
    grid.SetMode(gmEdit);
    grid.GotoRow(row);
    for (std::size_t k = 0; k < texts.size(); ++k) {
      grid.MoveTo(static_cast<int>(k) + 1, grid.Row());
      grid.SetEditText(texts[k]);
    }
  }
  static void Click(TUserForm& form, const char* name) { form.findChild<QPushButton*>(name)->click(); }

  std::vector<std::string> SavedNames() const {
    TDataFile table;
    ReadTableFile(file, table);
    std::vector<std::string> names;
    for (int r = 1; r <= table.RowCount; ++r)
      names.push_back(GetCellText(table, r, 1, true) + "/" + GetCellText(table, r, 2, true) + "/" +
                      GetCellText(table, r, 4, true));
    return names;
  }

  test::TempDir dir;
  test::ScriptedMsgBox box;
  std::string file;
};

TEST_F(UserList, RowsAreCheckedNamesFirstAndSavedWithoutTrailingEmptyRows) {
  Run([&](TUserForm& form) {
    EXPECT_EQ(form.windowTitle(), "Список пользователей");
    EXPECT_EQ(form.size(), QSize(638, 440));
    // The missing file was created empty at once.
    EXPECT_TRUE(fs::exists(file));
    TDataGrid5& grid = form.Grid();
    EXPECT_EQ(grid.table().RowCount, 0);
    TypeRow(grid, 1, {"Иванов", "1", "инженер", "1"});
    TypeRow(grid, 2, {"Петров", "", "", "0"});
    TypeRow(grid, 3, {"", "3"});
    EXPECT_TRUE(fs::exists(file + "~"));

    Click(form, "Button1");
    EXPECT_EQ(box.Texts(), std::vector<std::string>{"Не задан пользователь в строке 3"});
    EXPECT_EQ(box.Calls().back().kind, mkError);
    EXPECT_TRUE(form.isVisible());
    TypeRow(grid, 3, {"Сидоров"});
    Click(form, "Button1");
    EXPECT_EQ(box.Texts().back(), "Не задан пароль в строке 2");
    TypeRow(grid, 2, {"Петров", "2"});
    // An empty row typed at the end (blanks only) does not stop the saving.
    TypeRow(grid, 5, {" ", "", " "});
    grid.MoveTo(4, grid.Row());
    EXPECT_EQ(form.findChild<QLabel*>("HLabel")->text(), "1 - полные права, 0 - только просмотр");
    Click(form, "Button1");
    EXPECT_EQ(box.Calls().size(), 2u);
  });
  EXPECT_EQ(SavedNames(), (std::vector<std::string>{"Иванов/1/1", "Петров/2/", "Сидоров/3/"}));
  EXPECT_FALSE(fs::exists(file + "~"));
}

TEST_F(UserList, CancelLeavesTheFileAsItWasAndRemovesOnlyTheEditorsLock) {
  Run([&](TUserForm& form) {
    TypeRow(form.Grid(), 1, {"Иванов", "1", "", "1"});
    Click(form, "Button1");
  });
  const std::string saved = test::ReadBytes(file);

  Run([&](TUserForm& form) {
    TypeRow(form.Grid(), 1, {"Другой", "9"});
    EXPECT_TRUE(fs::exists(file + "~"));
    Click(form, "Button2");
  });
  EXPECT_EQ(test::ReadBytes(file), saved);
  EXPECT_FALSE(fs::exists(file + "~"));

  // Another workstation's lock refuses the editing and survives the editor.
  const std::string foreign = std::string(1, '\x05') + "Борис";
  test::WriteBytes(file + "~", Utf8ToCp1251(foreign));
  Run([&](TUserForm& form) {
    form.Grid().Guarded([&] { TypeRow(form.Grid(), 1, {"Чужой"}); });
    EXPECT_FALSE(form.Grid().Modified());
    Click(form, "Button2");
  });
  EXPECT_FALSE(box.Texts().empty());
  EXPECT_NE(box.Texts().front().find("редактируется"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(file + "~"), Utf8ToCp1251(foreign));
  EXPECT_EQ(test::ReadBytes(file), saved);
}

TEST_F(UserList, PrintsTheListUnderTheWindowCaption) {
  Run(
      [&](TUserForm& form) {
        TypeRow(form.Grid(), 1, {"Иванов", "1", "инженер", "1"});
        Click(form, "PrintBtn");
        Click(form, "Button2");
      },
      [&](TPrnSetForm& print) {
        EXPECT_EQ(print.findChild<QPlainTextEdit*>("BeginText")->toPlainText(), "Список пользователей");
        print.findChild<QCheckBox*>("TextFileBox")->setChecked(true);
        print.findChild<QLineEdit*>("TextFileEdit")->setText(QString::fromStdString(dir / "users.txt"));
        print.findChild<QPushButton*>("PrintBtn")->click();
        print.findChild<QPushButton*>("PrintBtn")->click();
      });
  EXPECT_EQ(Cp1251ToUtf8(test::ReadBytes(dir / "users.txt")),
            "Список пользователей\r\n\r\n№\tПользователь\tПароль\tДолжность, подразделение\tПрава\r\n"
            "1\tИванов\t1\tинженер\t1\r\n\r\n");
}

}  // namespace
}  // namespace ld::gui
