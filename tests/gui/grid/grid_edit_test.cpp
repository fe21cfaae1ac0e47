// Editing through the real widget: the lock taken before the first change, the in-place editor,
// saving with its question, refused writes, and a user without the write right.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>
#include <QMenu>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "grid_fixture.h"
#include "support/full_disk.h"
#include "support/typing.h"
#include "core/base/dynarray.h"
#include "gui/common/dialog_buttons.h"
#include "gui/grid/data_grid.h"
#include "support/held_file.h"

namespace {

using ld::gui::TDataGrid5;

class GridEdit : public ld::test::GridFixture {
protected:
  GridEdit() {
    path_ = MakeFile("t.tst", {{"1", "Фидер 1", "10.5", "1"}, {"2", "Фидер 2", "1500", "2"}, {"3", "ТП 3", "0", "3"}});
    grid_.resize(500, 200);
    grid_.show();
    grid_.OpenFile(path_, 1, 1, 1, true, true, true);
  }

  std::string Cell(int row, int col) const { return ld::GetCellText(grid_.table(), row, col, true); }
  // The user's name that opens the lock file (the workstation's name follows it).
  std::string LockOwner() const {
    const std::string bytes = ld::test::ReadBytes(path_ + "~");
    return bytes.empty() ? bytes : bytes.substr(0, 1 + static_cast<unsigned char>(bytes[0]));
  }
  static std::string Short(const std::string& text) {
    const std::string bytes = ld::Utf8ToCp1251(text);
    return std::string(1, static_cast<char>(bytes.size())) + bytes;
  }

  std::string path_;
  TDataGrid5 grid_;
};

TEST_F(GridEdit, EditModeLocksOnceAndTheEditorRefusesWhatTheColumnCannotHold) {
  EXPECT_FALSE(grid_.Modified());
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
  // Editing locks the table before any cell changed, and leaving it with nothing changed lets the lock
  // go: the other workstations are told "редактируется" only while someone edits, and nothing is asked.
  for (int pass = 0; pass < 2; ++pass) {
    QTest::keyClick(&grid_, Qt::Key_F4);
    EXPECT_EQ(grid_.Mode(), ld::gui::gmEdit);
    EXPECT_FALSE(grid_.Modified());
    EXPECT_EQ(LockOwner(), Short("Иванов"));
    if (pass == 0) {
      QTest::keyClicks(grid_.Editor(), "ab");  // letters into the integer Nr change nothing
      EXPECT_EQ(Cell(1, 1), "1");
      EXPECT_FALSE(grid_.Modified());
      QTest::keyClick(&grid_, Qt::Key_F4);
      EXPECT_EQ(grid_.Mode(), ld::gui::gmView);
      EXPECT_FALSE(grid_.Modified());
      EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
    }
  }
  ASSERT_TRUE(grid_.Editor()->isVisible());
  EXPECT_EQ(grid_.Editor()->text(), "1");

  QTest::keyClicks(grid_.Editor(), "ab");  // letters into the integer Nr
  EXPECT_EQ(Cell(1, 1), "1");
  EXPECT_EQ(grid_.Editor()->text(), "1");
  QTest::keyClicks(grid_.Editor(), "2");  // typing goes on after the refused letters
  EXPECT_EQ(Cell(1, 1), "12");
  grid_.Editor()->selectAll();
  QTest::keyClicks(grid_.Editor(), "42");
  EXPECT_EQ(Cell(1, 1), "42");
  QTest::keyClick(grid_.Editor(), Qt::Key_Down);  // a new cell's text is offered for overtyping
  QTest::keyClicks(grid_.Editor(), "5");
  EXPECT_EQ(Cell(2, 1), "5");
  QTest::keyClick(grid_.Editor(), Qt::Key_Up);

  // down and right through the editor, then typing below the table's end makes new rows
  for (int i = 0; i < 4; ++i) QTest::keyClick(grid_.Editor(), Qt::Key_Down);
  EXPECT_EQ(grid_.CurrentTableRow(), 5);
  QTest::keyClick(grid_.Editor(), Qt::Key_Right);  // the caret is at the end: next column
  EXPECT_EQ(grid_.CurrentTableCol(), 2);
  ld::test::TypeText(grid_.Editor(), "Новый");
  EXPECT_EQ(grid_.table().RowCount, 5);
  EXPECT_EQ(Cell(5, 2), "Новый");

  // the read-only column keeps its editor off
  grid_.MoveTo(5, 1);
  EXPECT_FALSE(grid_.Editor()->isVisible());
  EXPECT_EQ(LockOwner(), Short("Иванов"));  // still the one lock of the first change

  // an emptied last row disappears when the table is saved; the earlier empty row 4 with it
  grid_.MoveTo(2, 5);
  grid_.Editor()->clear();
  QTest::keyClicks(grid_.Editor(), " ");
  EXPECT_EQ(grid_.table().RowCount, 5);
  QTest::keyClick(&grid_, Qt::Key_F2);  // saves without asking
  EXPECT_TRUE(box_.Calls().empty()) << box_.Texts()[0];
  EXPECT_FALSE(grid_.Modified());
  EXPECT_EQ(grid_.Mode(), ld::gui::gmView);
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
  ld::TDataFile saved;
  ld::ReadTableFile(path_, saved);
  EXPECT_EQ(saved.RowCount, 3);
  EXPECT_EQ(ld::GetCellText(saved, 1, 1, true), "42");
  ld::FreeTable(saved);
}

// The grid paints between the keys, as it does for a person: what is typed stays in the editor while
// the cell stores its value, and a refused character takes nothing else with it.
TEST_F(GridEdit, TypedNumbersStayAsTypedWhileTheGridPaints) {
  using ld::test::TypeIntoCell;
  QTest::keyClick(&grid_, Qt::Key_F4);
  QLineEdit* editor = grid_.Editor();
  const std::pair<const char*, const char*> typed[] = {{"0.07", "0.07"}, {"12.66", "12.66"}, {"0,5", "0.5"},
                                                       {"-1.5e-3", "-0.0015"}, {".5", "0.5"},   {"1.", "1"}};
  int row = 1;
  for (const auto& [text, value] : typed) {
    grid_.MoveTo(3, row);
    editor->selectAll();
    TypeIntoCell(editor, text);
    EXPECT_EQ(editor->text().toStdString(), text);
    EXPECT_EQ(Cell(row, 3), value) << text;
    ++row;  // rows 4 to 6 are typed below the table's end
  }
  // in the float column too, with a letter between the digits that is refused alone
  grid_.MoveTo(4, 1);
  editor->selectAll();
  TypeIntoCell(editor, "0.0x7");
  EXPECT_EQ(editor->text(), "0.07");
  EXPECT_EQ(Cell(1, 4), "0.07");
  // a letter typed in the middle goes, the caret stays before the rest
  editor->setCursorPosition(1);
  TypeIntoCell(editor, "q");
  EXPECT_EQ(editor->text(), "0.07");
  EXPECT_EQ(editor->cursorPosition(), 1);
  // an unfinished exponent keeps the last value and, on Enter, shows it
  grid_.MoveTo(4, 2);
  editor->selectAll();
  TypeIntoCell(editor, "25e");
  EXPECT_EQ(editor->text(), "25e");
  EXPECT_EQ(Cell(2, 4), "25");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(editor->text(), "25");
  // a lone minus reads as 0 while the number is still to come, in a fractional and a whole column
  EXPECT_EQ(Cell(3, 4) + "/" + Cell(3, 1), "3/3");
  for (const int col : {4, 1}) {
    grid_.MoveTo(col, 3);
    editor->selectAll();
    TypeIntoCell(editor, "-");
    EXPECT_EQ(editor->text(), "-");
  }
  EXPECT_EQ(ld::GetColumnAs<ld::DAsingle>("Q", grid_.table())->Get(3), 0.0f);
  EXPECT_EQ(ld::GetColumnAs<ld::DALongint>("Nr", grid_.table())->Get(3), 0);
  // a text longer than the column holds is cut, not lost
  grid_.MoveTo(2, 3);
  editor->selectAll();
  TypeIntoCell(editor, QString(22, QChar(0x0416)));
  EXPECT_EQ(editor->text(), QString(20, QChar(0x0416)));

  // Escape gives the cell its value back; typing over it again first
  grid_.MoveTo(3, 1);
  editor->selectAll();
  TypeIntoCell(editor, "99.9");
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_EQ(Cell(1, 3), "0.07");
  EXPECT_EQ(grid_.Mode(), ld::gui::gmView);

  QTest::keyClick(&grid_, Qt::Key_F2);
  ld::TDataFile saved;
  ld::ReadTableFile(path_, saved);
  ASSERT_EQ(saved.RowCount, 6);
  row = 1;
  for (const auto& [text, value] : typed) EXPECT_EQ(ld::GetCellText(saved, row++, 3, true), value) << text;
  EXPECT_EQ(ld::GetCellText(saved, 1, 4, true), "0.07");
  EXPECT_EQ(ld::GetCellText(saved, 2, 4, true), "25");
  EXPECT_EQ(ld::GetColumnAs<ld::DAsingle>("Q", saved)->Get(3), 0.0f);
  EXPECT_EQ(ld::GetColumnAs<ld::DALongint>("Nr", saved)->Get(3), 0);
  ld::FreeTable(saved);
  EXPECT_TRUE(box_.Calls().empty());
}

TEST_F(GridEdit, AnsweringNoUnlocksAndKeepsTheEditsInMemoryOnly) {
  grid_.MoveTo(2, 2);
  QTest::keyClick(&grid_, Qt::Key_F4);
  grid_.Editor()->selectAll();
  ld::test::TypeText(grid_.Editor(), "РП 2");
  box_.Answer(0);  // "Нет"
  EXPECT_TRUE(grid_.SaveFile());
  ASSERT_EQ(box_.Calls().size(), 1u);
  EXPECT_EQ(box_.Calls()[0].text, "Сохранить файл \"t.tst\" (Тест) ?");
  EXPECT_EQ(box_.Calls()[0].buttons, ld::mbYesNoCancel);
  EXPECT_FALSE(grid_.Modified());
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
  EXPECT_EQ(Cell(2, 2), "РП 2");
  ld::TDataFile onDisk;
  ld::ReadTableFile(path_, onDisk);
  EXPECT_EQ(ld::GetCellText(onDisk, 2, 2, true), "Фидер 2");
  ld::FreeTable(onDisk);

  // "Отмена" changes nothing and says so
  const std::string changed = "Изм";
  grid_.SetFieldText("Name", 1, &changed);
  box_.Answer(2);
  EXPECT_FALSE(grid_.SaveFile());
  EXPECT_TRUE(grid_.Modified());
  EXPECT_EQ(LockOwner(), Short("Иванов"));
  EXPECT_THROW(grid_.SetFieldText("Nope", 1, &changed), ld::Error);
}

// A write that fails (a full disk) keeps the table locked for its owner, who may save it again; one
// refused because another workstation saved the file meanwhile can never succeed, and gives up its
// lock, so that the others are not told the file is edited while nobody edits it.
TEST_F(GridEdit, FailedWriteKeepsTheTableLockedForItsOwnerARefusedOneLetsItGo) {
  QTest::keyClick(&grid_, Qt::Key_F4);
  QTest::keyClicks(grid_.Editor(), "7");
  {
    const ld::test::FullDisk disk;
    QTest::keyClick(grid_.Editor(), Qt::Key_F2);
  }
  ASSERT_EQ(box_.Texts().size(), 1u);
  EXPECT_NE(box_.Texts()[0].find("нет места на диске"), std::string::npos) << box_.Texts()[0];
  EXPECT_TRUE(grid_.Modified());
  EXPECT_TRUE(grid_.LockedFiles());
  EXPECT_EQ(LockOwner(), Short("Иванов"));  // other users stay out of the table being saved
  // later edits go on under the same lock instead of failing on it
  box_.Clear();
  grid_.Editor()->selectAll();
  QTest::keyClicks(grid_.Editor(), "8");
  EXPECT_TRUE(box_.Calls().empty());
  EXPECT_EQ(Cell(1, 1), "8");

  // another workstation rewrote the file meanwhile
  std::filesystem::last_write_time(path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(30));
  QTest::keyClick(grid_.Editor(), Qt::Key_F2);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Файл \"" + path_ + "\" был изменен. Необходимо открыть файл заново"});
  EXPECT_TRUE(grid_.Modified());
  EXPECT_FALSE(grid_.LockedFiles());
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));

  // Shown anew and saved with nothing typed, over another workstation's save or onto a full disk: the
  // refusal leaves a table that holds no change of its user, so no later showing asks to save it; a
  // table being edited keeps the edit's lock until the edit ends.
  for (const bool editing : {false, true}) {
    grid_.OpenFile(path_, 1, 1, 1, true, true, true);
    if (editing) QTest::keyClick(&grid_, Qt::Key_F4);
    box_.Clear();
    if (editing) {
      const ld::test::FullDisk disk;
      QTest::keyClick(grid_.Editor(), Qt::Key_F2);
    } else {
      std::filesystem::last_write_time(path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(30));
      QTest::keyClick(&grid_, Qt::Key_F2);
    }
    EXPECT_EQ(box_.Texts().size(), 1u);
    EXPECT_FALSE(grid_.Modified()) << editing;
    EXPECT_EQ(grid_.LockedFiles(), editing);
    EXPECT_EQ(std::filesystem::exists(path_ + "~"), editing);
    if (editing) QTest::keyClick(grid_.Editor(), Qt::Key_F4);
    EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
  }
}

// Another program's save within the tick of the grid's read, on a folder that keeps whole seconds: the
// date is the one read, the bytes are not.
TEST_F(GridEdit, AChangeWithinTheTickOfTheReadRefusesTheFirstChange) {
  const auto date = std::filesystem::last_write_time(path_);
  std::string bytes = ld::test::ReadBytes(path_);
  bytes.back() = static_cast<char>(bytes.back() ^ 1);
  ld::test::WriteBytes(path_, bytes);
  std::filesystem::last_write_time(path_, date);
  QTest::keyClick(&grid_, Qt::Key_F4);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Файл \"" + path_ + "\" был изменен. Необходимо открыть файл заново"});
  EXPECT_EQ(grid_.Mode(), ld::gui::gmView);
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
}

TEST_F(GridEdit, AnotherUsersLockRefusesTheFirstChange) {
  ld::test::HoldAsLiving(path_ + "~", Short("Петров"));
  QTest::keyClick(&grid_, Qt::Key_F4);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Файл \"" + path_ + "\" редактируется. Петров"});
  EXPECT_EQ(grid_.Mode(), ld::gui::gmView);
  EXPECT_FALSE(grid_.Modified());
  EXPECT_EQ(LockOwner(), Short("Петров"));
}

TEST_F(GridEdit, ReadOnlyUserChangesNothing) {
  ld::UserAccess = 0;
  grid_.OpenFile(path_, 1, 1, 1, true, true, true);
  EXPECT_FALSE(grid_.EditTable());
  for (const int key : {Qt::Key_F4, Qt::Key_F7, Qt::Key_F8, Qt::Key_F6, Qt::Key_F2}) QTest::keyClick(&grid_, key);
  QTest::keyClick(&grid_, Qt::Key_Space, Qt::ControlModifier);
  QTest::keyClick(&grid_, Qt::Key_Delete, Qt::ControlModifier);
  // the host may still show a row's parameters, without a lock and without a change
  int shown = 0;
  grid_.OnParamProc = [&](const std::string&, ld::PDataFile, int, bool& modify) {
    ++shown;
    modify = true;
  };
  grid_.ShowStatus(true);
  QTest::keyClick(&grid_, Qt::Key_F9);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(grid_.Mode(), ld::gui::gmView);
  EXPECT_FALSE(grid_.Modified());
  EXPECT_EQ(grid_.table().RowCount, 3);
  EXPECT_EQ(grid_.table().MarkRec->Get(1), 0);
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
  for (const int tag : {ld::gui::mtReplace, ld::gui::mtInsertRow, ld::gui::mtDeleteRows, ld::gui::mtPasteBlock,
                        ld::gui::mtSheetImport, ld::gui::mtRowColor})
    EXPECT_FALSE(grid_.MenuItem(tag)->isEnabled()) << tag;
  EXPECT_TRUE(grid_.MenuItem(ld::gui::mtFind)->isEnabled());
  EXPECT_TRUE(box_.Calls().empty());
}

// A grid in a dialog with "Применить"/"Отменить": Enter, Escape and Tab belong to the cell being
// edited, and a button click ends the edit before it acts.
TEST_F(GridEdit, InADialogTheKeysAndButtonsEndTheCellEditFirst) {
  QDialog dialog;
  auto* grid = new TDataGrid5(&dialog);  // owned by the dialog
  std::string applied;
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(grid, 1);
  layout->addLayout(ld::gui::ApplyCancelButtons(dialog, [&] {
    applied = ld::GetCellText(grid->table(), 1, 2, true);
    dialog.accept();
  }));
  dialog.resize(500, 220);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  grid->OpenFile(path_, 1, 2, 1, true, false, true);
  const double third = 1.0 / 3;
  grid->SetFieldText("P", 1, &third);
  grid->setFocus();
  const auto cell = [&](int row, int col) { return ld::GetCellText(grid->table(), row, col, true); };
  const auto at = [&] { return std::pair{grid->CurrentTableCol(), grid->CurrentTableRow()}; };

  // On the last row a table can hold, Tab at the last cell has no row to wrap to and stays; so does
  // Shift+Tab at the first cell of the first row
  grid->MoveTo(5, grid->GridRowCount() - 1);
  grid->ScrollBy(grid->MaxRows() * 2);
  QTest::keyClick(grid, Qt::Key_Tab);
  EXPECT_EQ(at(), std::pair(5, grid->MaxRows()));
  grid->First();
  grid->MoveTo(1, 1);
  QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(at(), std::pair(1, 1));
  grid->MoveTo(2, 1);

  // Tab and Shift+Tab step through the cells and wrap at the row's ends, in view and in edit mode
  QTest::keyClick(grid, Qt::Key_Tab);
  EXPECT_EQ(at(), std::pair(3, 1));
  EXPECT_EQ(grid->Mode(), ld::gui::gmView);
  QTest::keyClick(grid, Qt::Key_F4);
  ASSERT_TRUE(grid->Editor()->hasFocus());
  QTest::keyClick(grid->Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(at(), std::pair(2, 1));
  grid->MoveTo(5, 1);
  QTest::keyClick(grid, Qt::Key_Tab);
  EXPECT_EQ(at(), std::pair(1, 2));
  QTest::keyClick(grid->Editor(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(at(), std::pair(5, 1));
  EXPECT_EQ(grid->Mode(), ld::gui::gmEdit);
  EXPECT_TRUE(dialog.isVisible());
  // Ctrl+Tab leaves the grid for the dialog's buttons
  QTest::keyClick(grid->Editor(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(at(), std::pair(5, 1));
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "OKBtn");
  grid->setFocus();

  // Escape puts back the value from before the edit, to the last bit, and leaves edit mode; the
  // dialog stays open
  grid->MoveTo(3, 1);
  grid->Editor()->selectAll();
  QTest::keyClicks(grid->Editor(), "12.5");
  EXPECT_EQ(cell(1, 3), "12.5");
  QTest::keyClick(grid->Editor(), Qt::Key_Escape);
  EXPECT_EQ(grid->Mode(), ld::gui::gmView);
  EXPECT_EQ(static_cast<ld::DAreal&>(*grid->table().Columns[3])[1], third);
  EXPECT_TRUE(dialog.isVisible());
  // a row typed below the end goes again
  QTest::keyClick(grid, Qt::Key_F4);
  grid->MoveTo(2, 4);
  ld::test::TypeText(grid->Editor(), "Новая");
  EXPECT_EQ(grid->table().RowCount, 4);
  QTest::keyClick(grid->Editor(), Qt::Key_Escape);
  EXPECT_EQ(grid->table().RowCount, 3);

  // Enter ends the edit without pressing the dialog's default button; Escape then keeps the text
  QTest::keyClick(grid, Qt::Key_F4);
  grid->MoveTo(2, 1);
  grid->Editor()->selectAll();
  ld::test::TypeText(grid->Editor(), "Восток");
  QTest::keyClick(grid->Editor(), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(applied.empty());
  QTest::keyClick(grid->Editor(), Qt::Key_Escape);
  EXPECT_EQ(cell(1, 2), "Восток");
  // the focus going on to a button ends the edit as Enter does: Escape back in the grid keeps the text
  QTest::keyClick(grid, Qt::Key_F4);
  grid->Editor()->selectAll();
  ld::test::TypeText(grid->Editor(), "Запад");
  dialog.findChild<QPushButton*>("OKBtn")->setFocus();
  grid->setFocus();
  QTest::keyClick(grid->Editor(), Qt::Key_Escape);
  EXPECT_EQ(grid->Mode(), ld::gui::gmView);
  EXPECT_EQ(cell(1, 2), "Запад");

  // a click on "Применить" while a cell is edited stores the cell, then applies
  QTest::keyClick(grid, Qt::Key_F4);
  grid->Editor()->selectAll();
  ld::test::TypeText(grid->Editor(), "Север");
  auto* apply = dialog.findChild<QPushButton*>("OKBtn");
  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_EQ(applied, "Север");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(box_.Calls().empty());
}

}  // namespace
