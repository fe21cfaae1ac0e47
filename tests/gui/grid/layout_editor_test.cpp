// The layout editor rewrites one block of the layout file and hands the edited layout to the table;
// and the colour combo box it uses.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <tuple>

#include "grid_fixture.h"
#include "gui/grid/color_combo.h"
#include "gui/grid/compare_tables.h"
#include "gui/grid/grid_dialogs.h"
#include "gui/grid/maket_block.h"
#include "support/full_disk.h"

namespace {

class LayoutEditor : public ld::test::GridFixture {
protected:
  std::string FileText() const { return ld::Cp1251ToUtf8(ld::test::ReadBytes(ld::MaketFileName)); }
  static std::string Crlf(const std::string& lines) {
    std::string out;
    for (const char c : lines) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
  }
  static void Edit(QWidget& dialog, const char* name, const QString& text) {
    auto* edit = dialog.findChild<QLineEdit*>(name);
    ASSERT_NE(edit, nullptr) << name;
    edit->selectAll();
    ld::test::TypeText(edit, text);
  }
};

TEST_F(LayoutEditor, ApplyRewritesOnlyItsOwnBlock) {
  ld::TDataFile table;
  FillTable(table, {{"a", "1.5"}}, "Вторая");
  const std::string before = FileText();
  script_.Then([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Настройка форматов таблиц");
    auto* columns = dialog.findChild<QListWidget*>("IDElem");
    EXPECT_EQ(columns->count(), 2);
    EXPECT_EQ(dialog.findChild<QLabel*>("TypElem")->text(), "Тип: String");
    Edit(dialog, "TitElem", "Имя узла");
    // "~" would start the comment in the file: refused, the title stays
    Edit(dialog, "TitElem", "Имя~");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("TitElem")->text(), "Имя");
    ld::test::TypeText(dialog.findChild<QLineEdit*>("TitElem"), " узла");
    // what is no number, or does not fit its field, is refused with the stored value back
    Edit(dialog, "PixWidth", "x");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("PixWidth")->text(), "100");
    Edit(dialog, "CtrlSize", "999");  // one byte: 999 would be stored as 231
    EXPECT_EQ(dialog.findChild<QLineEdit*>("CtrlSize")->text(), "99");
    Edit(dialog, "CtrlSize", "20");
    auto* width = dialog.findChild<QLineEdit*>("PixWidth");
    width->selectAll();
    width->insert("99999999999999999999");  // pasted at once
    EXPECT_EQ(width->text(), "100");
    EXPECT_EQ(box_.Texts(), (std::vector<std::string>{
                                "Заголовок колонки не может содержать символ \"~\"",
                                "Значение \"x\" поля \"Ширина (пикселей)\" не является целым числом",
                                "Значение \"999\" поля \"Максимум символов\" вне допустимых пределов: от 0 до 255",
                                "Значение \"99999999999999999999\" поля \"Ширина (пикселей)\" вне допустимых пределов: от 0 до 32767",
                            }));
    box_.Clear();
    columns->setCurrentRow(1);
    EXPECT_EQ(dialog.findChild<QLabel*>("TypElem")->text(), "Тип: Double");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("FltDigit")->text(), "-1");
    Edit(dialog, "FltDigit", "-5");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("FltDigit")->text(), "-1");
    Edit(dialog, "PixWidth", "95");
    dialog.findChild<QCheckBox*>("Access")->setChecked(false);
    columns->item(1)->setCheckState(Qt::Unchecked);
    auto* back = dialog.findChild<ld::gui::TColorComboBox*>("ColorB");
    back->setCurrentIndex(11);  // yellow background
    emit back->activated(11);
    auto* font = dialog.findChild<ld::gui::TColorComboBox*>("ColorF");
    font->setCurrentIndex(12);
    emit font->activated(12);
    auto* title = dialog.findChild<ld::gui::TColorComboBox*>("ColorT");
    title->setCurrentIndex(9);
    emit title->activated(9);
    QTest::mouseClick(dialog.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
  });
  ld::gui::EditMaket(table);

  const std::string oldBlock = Crlf(
      "Name=Вторая\nExtention=.SND\nCount=2\nOrder=\ns,100,20,0,1,1,0,0,Name,Имя~комментарий, с запятой  \n"
      "+d,80,12,-1,1,1,0,0,D,Число\n");
  const std::string newBlock = Crlf(
      "Name=Вторая\nExtention=.SND\nCount=2\nOrder=\ns,100,20,0,1,1,0,0,Name,Имя узла~комментарий, с запятой  \n"
      "+d,95,12,-1,0,0,76,9,D,Число\n");
  ASSERT_NE(before.find(oldBlock), std::string::npos);
  std::string expected = before;
  expected.replace(before.find(oldBlock), oldBlock.size(), newBlock);
  EXPECT_EQ(FileText(), expected);  // the next block, right after without an empty line, stays
  EXPECT_EQ(std::tuple(table.ColTitle[1], table.Colors[2], table.Visible[2]), std::tuple("Имя узла", 76, 0));
  EXPECT_EQ(ld::GetCellText(table, 1, 1, true), "a");  // the rows stay
  ld::FreeTable(table);

  // "Отменить" leaves file and table alone
  FillTable(table, {}, "Вторая");
  script_.Then([&](QDialog& dialog) {
    Edit(dialog, "TitElem", "Другое");
    QTest::mouseClick(dialog.findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
  });
  ld::gui::EditMaket(table);
  EXPECT_EQ(FileText(), expected);
  EXPECT_EQ(table.ColTitle[1], "Имя узла");
  ld::FreeTable(table);
}

TEST_F(LayoutEditor, ComputedColumnsAreLeftOutOfTableAndFile) {
  ld::TDataFile table, other;
  FillTable(table, {{"1", "a", "5"}});
  FillTable(other, {{"1", "b", "7"}});
  ld::gui::TCompareRequest request;
  request.compared = {3};
  request.keys = {1};
  request.difference = true;
  ASSERT_TRUE(ld::gui::CompareTables(table, other, request));
  ASSERT_EQ(table.NCols, 8);
  script_.Then([&](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QListWidget*>("IDElem")->count(), 6);
    QTest::mouseClick(dialog.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
  });
  const std::string before = FileText();
  ld::gui::EditMaket(table);
  EXPECT_EQ(table.NCols, 6);
  EXPECT_TRUE(table.Columns[7] == nullptr && table.FieldName[7].empty());
  EXPECT_EQ(FileText(), before);  // nothing edited: the block is written back as it was
  ld::FreeTable(table);
  ld::FreeTable(other);

  // a layout missing from the file: nothing written, nothing changed
  ld::TDataFile ghost;
  FillTable(ghost, {}, "Третья");
  ghost.Name = "Нет такого";
  EXPECT_FALSE(ld::gui::RewriteMaketBlock(ld::MaketFileName, ghost));
  EXPECT_EQ(FileText(), before);
  ld::FreeTable(ghost);

  // A disk that fills while the layout file is written keeps it as it was and says why.
  FillTable(table, {{"1", "a", "5"}});
  table.ColTitle[1] = "Другое имя";
  try {
    ld::test::FullDisk disk(10);
    ld::gui::RewriteMaketBlock(ld::MaketFileName, table);
    ADD_FAILURE() << "a layout file that did not fit was taken for written";
  } catch (const ld::Error& e) {
    EXPECT_EQ(std::string(e.what()), ld::test::FullDiskMessage(ld::MaketFileName));
  }
  EXPECT_EQ(FileText(), before);
  ld::FreeTable(table);
}

TEST(ColorComboBox, ValuesOutsideThePaletteAndRenamedItems) {
  ld::gui::TColorComboBox box;
  int changes = 0;
  QObject::connect(&box, &ld::gui::TColorComboBox::Change, [&] { ++changes; });
  EXPECT_EQ(box.count(), 16);
  EXPECT_EQ(box.itemText(7), "Gray");
  box.SetColorValue(0x123456);
  EXPECT_EQ(box.currentIndex(), -1);
  EXPECT_EQ(box.ColorValue(), 0x123456u);
  box.SetColorValue(ld::gui::PaletteTColor(9));
  EXPECT_EQ(box.currentIndex(), 9);
  EXPECT_EQ(box.ColorValue(), 0x0000FFu);  // red as 0x00BBGGRR
  EXPECT_EQ(changes, 2);
  box.setCurrentIndex(12);
  emit box.activated(12);
  EXPECT_EQ(box.ColorValue(), 0xFF0000u);
  emit box.activated(12);  // the same colour again: no change
  EXPECT_EQ(changes, 3);

  box.SetColorNames({"Чёрный", "", "Зелёный"});
  EXPECT_EQ((QStringList{box.itemText(0), box.itemText(1), box.itemText(2), box.itemText(3)}),
            (QStringList{"Чёрный", "Maroon", "Зелёный", "Olive"}));
  EXPECT_EQ(box.currentIndex(), 12);  // the colour is kept across the renaming
  EXPECT_GE(box.ItemHeight(), 9);
}

}  // namespace
