// The grid's own commands through hot keys, the pop-up menu and their dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <tuple>
#include <vector>

#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "grid_fixture.h"
#include "gui/grid/compare_tables.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/row_color_dialog.h"

namespace {

using ld::gui::TDataGrid5;

class GridCommands : public ld::test::GridFixture {
protected:
  GridCommands() {
    // Nr, Name, P, Q, Lock
    path_ = MakeFile("t.TST", {{"1", "Фидер 1", "10.5", "1", "7"},
                               {"2", "Фидер 2", "1500", "2", "7"},
                               {"3", "ТП 3", "0", "3"},
                               {"4", "ТП 4", "15", "4"},
                               {"5", "РП 5", "20", "5"},
                               {"6", "РП 6", "12", "6"},
                               {"7", "фидер 7", "30", "7"},
                               {"8", "ТП 8", "11", "8"}});
    grid_.resize(600, 250);
    grid_.show();
    grid_.OpenFile(path_, 1, 1, 1, true, true, true);
  }

  std::string Cell(int row, int col) const { return ld::GetCellText(grid_.table(), row, col, true); }
  // The texts of column col over table rows from..to.
  std::vector<std::string> Cells(int col, int from, int to) const {
    std::vector<std::string> texts;
    for (int row = from; row <= to; ++row) texts.push_back(Cell(row, col));
    return texts;
  }
  QPushButton* Button(QDialog& dialog, const char* name) { return dialog.findChild<QPushButton*>(name); }
  void Click(QDialog& dialog, const char* name) {
    QPushButton* button = Button(dialog, name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Selects the block of grid columns c1..c2 and table rows r1..r2 with the mouse.
  void DragBlock(int c1, int r1, int c2, int r2) {
    const QPoint from = grid_.CellRect(c1, r1 - grid_.FirstRow() + 1).center();
    const QPoint to = grid_.CellRect(c2, r2 - grid_.FirstRow() + 1).center();
    QTest::mousePress(&grid_, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, grid_.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid_, &move);
    QTest::mouseRelease(&grid_, Qt::LeftButton, Qt::NoModifier, to);
  }

  std::string path_;
  TDataGrid5 grid_;
};

TEST_F(GridCommands, RowsAreInsertedAndABlockOfRowsDeleted) {
  std::vector<int> deleted;
  grid_.OnDelProc = [&](ld::PDataFile, int index) { deleted.push_back(index); };
  DragBlock(2, 5, 3, 7);
  EXPECT_EQ(std::pair(grid_.Block().Row1, grid_.Block().Row2), std::pair(5, 7));
  box_.Answer(1);
  QTest::keyClick(&grid_, Qt::Key_F8);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Удалить запись ?"});
  EXPECT_EQ(deleted, (std::vector<int>{5, 5, 5}));
  EXPECT_EQ(grid_.table().RowCount, 5);
  EXPECT_EQ(Cell(5, 2), "ТП 8");
  EXPECT_EQ(grid_.Scroll().Max, 5);
  EXPECT_TRUE(grid_.Modified());

  box_.Answer(0);  // "Нет" keeps the rows
  QTest::keyClick(&grid_, Qt::Key_F8);
  EXPECT_EQ(grid_.table().RowCount, 5);

  grid_.MoveTo(2, 2);
  QTest::keyClick(&grid_, Qt::Key_F7);
  EXPECT_EQ(grid_.table().RowCount, 6);
  EXPECT_EQ(Cells(2, 1, 3), (std::vector<std::string>{"Фидер 1", "", "Фидер 2"}));
}

TEST_F(GridCommands, RowMarkTogglesAndRowColourMarksTheBlock) {
  grid_.MoveTo(1, 2);
  QTest::keyClick(&grid_, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(grid_.table().MarkRec->Get(2), 0x60);
  EXPECT_TRUE(grid_.Modified());
  grid_.MoveTo(1, 2);
  QTest::keyClick(&grid_, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(grid_.table().MarkRec->Get(2), 0);

  // "Цвет строки": left button the text colour, right button the background, over the whole block
  DragBlock(1, 3, 2, 4);
  script_.Then([&](QDialog& dialog) {
    auto* colors = dialog.findChild<ld::gui::TColorGrid*>("ColorGrid");
    QTest::mouseClick(colors, Qt::LeftButton, Qt::NoModifier, colors->CellRect(12).center());   // blue text
    QTest::mouseClick(colors, Qt::RightButton, Qt::NoModifier, colors->CellRect(11).center());  // on yellow
    Click(dialog, "OKBtn");
  });
  grid_.RunCommand(ld::gui::mtRowColor);
  const std::uint8_t expected = (15 - 11) * 16 + 12;
  EXPECT_EQ(std::tuple(grid_.table().MarkRec->Get(3), grid_.table().MarkRec->Get(4), grid_.table().MarkRec->Get(5)),
            std::tuple(expected, expected, std::uint8_t{0}));
}

TEST_F(GridCommands, BlockPasteSkipsReadOnlyColumnsAndWarnsOnTypeMismatch) {
  // rows 1..2 of Name, P, Q, Lock
  DragBlock(2, 1, 5, 2);
  QTest::keyClick(&grid_, Qt::Key_F5);
  grid_.MoveTo(2, 6);
  QTest::keyClick(&grid_, Qt::Key_F6);
  EXPECT_TRUE(box_.Calls().empty());
  EXPECT_EQ(Cells(2, 6, 8), (std::vector<std::string>{"Фидер 1", "Фидер 2", "ТП 8"}));
  EXPECT_EQ(std::pair(Cell(7, 3), Cell(7, 4)), std::pair(std::string("1500"), std::string("2")));
  EXPECT_EQ(Cell(6, 5), "");  // read-only: neither copied nor pasted

  // texts pasted from Name into Nr: the numbers of the table stay as they were
  grid_.MoveTo(1, 3);
  box_.Clear();
  QTest::keyClick(&grid_, Qt::Key_F6);
  EXPECT_EQ(box_.Texts(),
            std::vector<std::string>{"Несовпадение типов данных, возможно некорректное копирование данных"});
  EXPECT_EQ(Cell(3, 1), "3");
  EXPECT_EQ(Cell(3, 2), "10.5");  // P arrived as text in Name

  // a block pasted at the end lengthens the table
  grid_.GotoRow(8);
  grid_.MoveTo(2, grid_.Row());
  box_.Clear();
  grid_.RunCommand(ld::gui::mtPasteBlock);
  EXPECT_EQ(grid_.table().RowCount, 9);

  // Ctrl+Delete empties the block
  DragBlock(2, 1, 3, 1);
  QTest::keyClick(&grid_, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(std::tuple(Cell(1, 1), Cell(1, 2), Cell(1, 3)), std::tuple("1", "", ""));
}

TEST_F(GridCommands, ColumnSumAddsStoredValuesWhateverTheirDisplay) {
  DragBlock(3, 1, 3, 3);  // P: 10.50, 1 500.00 and an empty zero
  grid_.RunCommand(ld::gui::mtColumnSum);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Сумма = 1\u00A0510.5000000"});
  ASSERT_EQ(box_.Calls().size(), 1u);
  EXPECT_EQ(box_.Calls()[0].kind, ld::mkInfo);
  box_.Clear();
  DragBlock(2, 1, 2, 3);  // texts: no sum
  grid_.RunCommand(ld::gui::mtColumnSum);
  EXPECT_TRUE(box_.Calls().empty());
}

TEST_F(GridCommands, CompareAddsTheOtherValuesWithDifferencesAndRefusesColumn71) {
  const std::string other = MakeFile("other.TST", {{"2", "", "1000"}, {"1", "", "10.5"}, {"3", "", "5"}});
  script_
      .Then([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Сравнение по колонкам");
        Click(dialog, "BrowseBtn");
        auto* compare = dialog.findChild<QListWidget*>("CompareList");
        auto* keys = dialog.findChild<QListWidget*>("KeyList");
        EXPECT_EQ(compare->count(), 6);
        compare->item(2)->setCheckState(Qt::Checked);  // P
        keys->item(0)->setCheckState(Qt::Checked);     // Nr
        dialog.findChild<QCheckBox*>("DifferenceBox")->setChecked(true);
        dialog.findChild<QCheckBox*>("PercentBox")->setChecked(true);
        Click(dialog, "ApplyBtn");
      })
      .Then([&](QDialog& files) {
        EXPECT_EQ(files.windowTitle(), "Выбор файла для сравнения");
        ld::test::ChooseInFileDialog(files, other);
      });
  grid_.RunCommand(ld::gui::mtCompare);
  const ld::TDataFile& t = grid_.table();
  ASSERT_EQ(t.NCols, 9);
  EXPECT_EQ(std::tuple(t.ColTitle[7], t.FieldName[7], t.ColTitle[8], t.FieldName[8], t.ColTitle[9], t.ColType[9]),
            std::tuple("Мощность*", "P*", "-", "8*", "%", 'f'));
  // A difference of 0 shows empty; row 3 has P 0 here; the other file has no row 4.
  EXPECT_EQ(Cells(7, 1, 4), (std::vector<std::string>{"10.5", "1000", "5", ""}));
  EXPECT_EQ(Cells(8, 1, 2), (std::vector<std::string>{"", "500"}));
  EXPECT_NEAR(ld::StrToFloatZ(Cell(2, 9)), 33.333, 1e-3);
  EXPECT_EQ(Cell(3, 9), "100");
  EXPECT_EQ(grid_.FieldColumn("P*"), 6);  // shown after the layout's visible columns

  // column 70 is the last one a comparison may add
  ld::TDataFile fresh;
  ld::ReadTableFile(other, fresh);
  ld::gui::TCompareRequest many;
  many.keys = {1};
  many.difference = many.percent = true;
  many.compared.assign(30, 3);
  box_.Clear();
  EXPECT_FALSE(ld::gui::CompareTables(*grid_.GetTable(), fresh, many));
  EXPECT_EQ(grid_.table().NCols, 70);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Количество колонок не должно превышать 70"});
  ld::FreeTable(fresh);
}

TEST_F(GridCommands, SearchDialogWalksThroughHitsAndReplaceChangesTheColumn) {
  grid_.MoveTo(2, 1);
  script_.Then([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Поиск");
    auto* edit = dialog.findChild<QLineEdit*>("FindEdit");
    ld::test::TypeText(edit, "фидер");
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(ld::test::OutputPath("find_dialog.png"))));
    Click(dialog, "FindBtn");
    EXPECT_EQ(grid_.CurrentTableRow(), 1);
    Click(dialog, "FindBtn");
    EXPECT_EQ(grid_.CurrentTableRow(), 2);
    Click(dialog, "FindBtn");
    EXPECT_EQ(grid_.CurrentTableRow(), 7);
    Click(dialog, "FindBtn");  // no more: the message, and the next search starts over
    EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Поиск закончен"});
    Click(dialog, "FindBtn");
    EXPECT_EQ(grid_.CurrentTableRow(), 1);
    edit->setText("ТП");
    dialog.findChild<QCheckBox*>("ExactBox")->setChecked(false);
    Click(dialog, "FindBtn");
    EXPECT_EQ(grid_.CurrentTableRow(), 3);
    Click(dialog, "ExitBtn");
  });
  QTest::keyClick(&grid_, Qt::Key_F3);

  box_.Clear();
  script_.Then([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Замена");
    EXPECT_TRUE(std::filesystem::exists(path_ + "~"));  // locked while the dialog is open
    dialog.findChild<QLineEdit*>("FindEdit")->setText("фидер");
    dialog.findChild<QLineEdit*>("ReplaceEdit")->setText("Ф-р");
    Click(dialog, "ReplaceBtn");
    Click(dialog, "ExitBtn");
  });
  grid_.RunCommand(ld::gui::mtReplace);
  EXPECT_EQ(std::tuple(Cell(1, 2), Cell(3, 2), Cell(7, 2)), std::tuple("Ф-р 1", "ТП 3", "Ф-р 7"));
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Поиск закончен"});
  EXPECT_TRUE(grid_.Modified());
  EXPECT_TRUE(std::filesystem::exists(path_ + "~"));

  // nothing to replace: the lock is given back
  box_.Clear();
  box_.Answer(1);
  EXPECT_TRUE(grid_.SaveFile());
  box_.Clear();
  script_.Then([&](QDialog& dialog) {
    dialog.findChild<QLineEdit*>("FindEdit")->setText("нет такого");
    Click(dialog, "ReplaceBtn");
    Click(dialog, "ExitBtn");
  });
  grid_.RunCommand(ld::gui::mtReplace);
  EXPECT_EQ(box_.Texts(), std::vector<std::string>{"Поиск закончен"});
  EXPECT_FALSE(grid_.Modified());
  EXPECT_FALSE(std::filesystem::exists(path_ + "~"));
}

}  // namespace
