#pragma once
// A private layout file, a scripted message box and a logged-in user for the grid tests, and helpers
// that build table files and scripted dialog runs.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "gui/grid/grid_state.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {

// "Тест": Nr (key), Name, P (r, 2 decimals), Q (f, 1 decimal), Lock (read-only), Hid (hidden).
inline const char* const kGridLayouts =
    "Name=Тест\n"
    "Extention=.TST\n"
    "Count=6\n"
    "Order=1\n"
    "l,40,5,0,1,1,0,0,Nr,Номер\n"
    "s,100,20,0,1,1,0,0,Name,Название\n"
    "r,80,12,2,1,1,0,0,P,Мощность\n"
    "f,60,10,1,1,1,0,0,Q,Реактив\n"
    "b,30,3,0,0,1,0,0,Lock,Защищ.\n"
    "i,40,5,0,1,0,0,0,Hid,Скрыт\n"
    "\n"
    "Name=Вторая\n"
    "Extention=.SND\n"
    "Count=2\n"
    "Order=\n"
    "s,100,20,0,1,1,0,0,Name,Имя~комментарий, с запятой  \n"
    "+d,80,12,-1,1,1,0,0,D,Число\n"
    "Name=Третья\n"
    "Extention=.THR\n"
    "Count=1\n"
    "Order=1\n"
    "l,40,10,0,1,1,0,0,Nr,Номер\n";

// Types any text (Cyrillic included) into a widget, one key event per character.
inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Answers a file dialog as a person does: the name typed into its file field, then "Open".
inline int ChooseInFileDialog(QDialog& dialog, const std::string& path) {
  auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
  if (!name) {
    ADD_FAILURE() << "no file field in " << dialog.windowTitle().toStdString();
    return QDialog::Rejected;
  }
  name->setText(QString::fromStdString(path));
  dialog.accept();
  return dialog.result();
}

class GridFixture : public ::testing::Test {
protected:
  GridFixture() : savedMaket_(MaketFileName), savedFolder_(ld::gui::StartFolder()) {
    std::string text;
    for (const char c : std::string(kGridLayouts)) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    MaketFileName = dir_ / "maket.zr";
    WriteBytes(MaketFileName, Utf8ToCp1251(text));
    CurrentUserName = "Иванов";
    UserAccess = 1;
    ld::gui::StartFolder() = dir_.Path().string() + "/";
    ld::gui::RowMarkValue = 0x60;
  }
  ~GridFixture() override {
    MaketFileName = savedMaket_;
    ld::gui::StartFolder() = savedFolder_;
    ld::gui::SetModalHandler(savedModal_);
    UserAccess = 1;
  }

  // A table of the layout "Тест" with rows of {Nr, Name, P, Q, Lock} texts ("" leaves a cell zero).
  static void FillTable(TDataFile& table, const std::vector<std::vector<std::string>>& rows,
                        const std::string& layout = "Тест") {
    ReadMaket(layout, table);
    CreateColumns(table, static_cast<int>(rows.size()));
    for (int c = 1; c <= table.NCols; ++c) table.Access[static_cast<std::size_t>(c)] = 1;  // store every cell
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < rows[r].size(); ++c) {
        std::string text = rows[r][c];
        SetCellText(table, static_cast<int>(r) + 1, static_cast<int>(c) + 1, text);
      }
    TDataFile fresh;
    ReadMaket(layout, fresh);
    table.Access = fresh.Access;
  }

  // Writes such a table as "<name>" in the temporary folder and returns its path.
  std::string MakeFile(const std::string& name, const std::vector<std::vector<std::string>>& rows,
                       const std::string& layout = "Тест") {
    TDataFile table;
    FillTable(table, rows, layout);
    const std::string path = dir_ / name;
    WriteTableFile(path, table);
    FreeTable(table);
    return path;
  }

  // The next modal dialogs are handed to these steps in turn; each returns the dialog's result.
  void ScriptDialogs(std::vector<std::function<int(QDialog&)>> steps) {
    steps_ = std::move(steps);
    next_ = 0;
    ld::gui::SetModalHandler([this](QDialog& dialog) {
      if (next_ >= steps_.size()) {
        ADD_FAILURE() << "unexpected dialog " << dialog.windowTitle().toStdString();
        return 0;
      }
      return steps_[next_++](dialog);
    });
  }
  std::size_t DialogsRun() const { return next_; }

  TempDir dir_;
  ScriptedMsgBox box_;

private:
  std::string savedMaket_;
  std::string savedFolder_;
  ld::gui::ModalHandler savedModal_ = [] {
    ld::gui::ModalHandler current = ld::gui::SetModalHandler(nullptr);
    ld::gui::SetModalHandler(current);
    return current;
  }();
  std::vector<std::function<int(QDialog&)>> steps_;
  std::size_t next_ = 0;
};

}  // namespace ld::test
