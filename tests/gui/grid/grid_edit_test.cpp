// Editing through the real widget: the lock taken before the first change, the in-place editor,
// saving with its question, refused writes, and a user without the write right.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "grid_fixture.h"
#include "gui/grid/data_grid.h"

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
  QTest::keyClick(&grid_, Qt::Key_F4);
  EXPECT_EQ(grid_.Mode(), ld::gui::gmEdit);
  EXPECT_TRUE(grid_.Modified());  // locked for a change before any cell changed
  EXPECT_EQ(LockOwner(), Short("Иванов"));
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

TEST_F(GridEdit, FailedWriteKeepsTheTableLockedForItsOwner) {
  QTest::keyClick(&grid_, Qt::Key_F4);
  QTest::keyClicks(grid_.Editor(), "7");
  // another workstation rewrote the file meanwhile
  std::filesystem::last_write_time(path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(30));
  QTest::keyClick(grid_.Editor(), Qt::Key_F2);
  ASSERT_EQ(box_.Calls().size(), 1u);
  EXPECT_EQ(box_.Calls()[0].text, "Файл \"" + path_ + "\" был изменен. Необходимо открыть файл заново");
  EXPECT_TRUE(grid_.Modified());
  EXPECT_TRUE(grid_.LockedFiles());
  EXPECT_EQ(LockOwner(), Short("Иванов"));  // other users stay out of the changed table
  // later edits go on under the same lock instead of failing on it
  box_.Clear();
  grid_.Editor()->selectAll();
  QTest::keyClicks(grid_.Editor(), "8");
  EXPECT_TRUE(box_.Calls().empty());
  EXPECT_EQ(Cell(1, 1), "8");
}

TEST_F(GridEdit, AnotherUsersLockRefusesTheFirstChange) {
  ld::test::WriteBytes(path_ + "~", Short("Петров"));
  QTest::keyClick(&grid_, Qt::Key_F4);
  ASSERT_EQ(box_.Calls().size(), 1u);
  EXPECT_EQ(box_.Calls()[0].text, "Файл \"" + path_ + "\" редактируется. Петров");
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

}  // namespace
