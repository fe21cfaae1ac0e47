#pragma once
// A private layout file, a scripted message box, scripted dialogs and a logged-in user for the grid
// tests, and helpers that build table files.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <string>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/grid/grid_state.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {

// "Тест": Nr (key), Name, P (r, 2 decimals), Q (f, 1 decimal), Lock (read-only), Hid (hidden).
// "Счетчики": texts under the titles of the measurement sheets of tests/data/sheets (station, meter, hours).
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
    "l,40,10,0,1,1,0,0,Nr,Номер\n"
    "Name=Счетчики\n"
    "Extention=.MTR\n"
    "Count=3\n"
    "Order=\n"
    "s,100,20,0,1,1,0,0,Tp,ТП\n"
    "s,100,20,0,1,1,0,0,Meter,Счетчик\n"
    "s,60,10,0,1,1,0,0,Hours,Часы\n";

// Types any text (Cyrillic included) into a widget, one key event per character.
inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar ch : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Answers a file dialog as a person does: the name typed into its file field, then "Open".
inline void ChooseInFileDialog(QDialog& dialog, const std::string& path) {
  Child<QLineEdit>(dialog, "fileNameEdit").setText(QString::fromStdString(path));
  dialog.accept();
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
    UserAccess = 1;
  }

  // A table of the layout "Тест" with rows of {Nr, Name, P, Q, Lock} texts ("" leaves a cell zero).
  static void FillTable(TDataFile& table, const Rows& rows, const std::string& layout = "Тест") {
    FillRows(table, layout, rows);
  }
  // Writes such a table as "<name>" in the temporary folder and returns its path.
  std::string MakeFile(const std::string& name, const Rows& rows, const std::string& layout = "Тест") {
    const std::string path = dir_ / name;
    WriteRows(path, layout, rows);
    return path;
  }

  TempDir dir_;
  ScriptedMsgBox box_;
  ModalScript script_;

private:
  std::string savedMaket_;
  std::string savedFolder_;
};

}  // namespace ld::test
