// The catalogue window (picking, editing, the changed flag) and the catalogue alignment dialog.
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "catwin_fixture.h"
#include "core/catalogs/catalog_units.h"
#include "core/tables/table_ops.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/catalogs/cmp_cat_form.h"
#include "gui/grid/data_grid.h"

namespace ld::test {
namespace {

class CatalogFormTest : public CatwinTest {
protected:
  CatalogFormTest() {
    WriteRows(File(), CatalogLayoutKA,
              {{"ВВ/TEL", "Вакуумный", "10", "630", "", "", "", "", "", "", "В"},
               {"РВ", "Разъединитель", "10", "400", "", "", "", "", "", "", "Р"},
               {"ВНА", "Выключатель нагрузки", "10", "400", "", "", "", "", "", "", "Н"}});
  }
  std::string File() const { return Path(CatalogFileKA); }
  static gui::TCatalogForm& Form(QDialog& d) { return static_cast<gui::TCatalogForm&>(d); }
  static void Click(QDialog& d, const char* name) { QTest::mouseClick(d.findChild<QPushButton*>(name), Qt::LeftButton); }
  std::string Cell(int row, int col) const {
    TDataFile t;
    ReadTableFile(File(), t);
    return GetCellText(t, row, col, true);
  }
};

TEST_F(CatalogFormTest, PicksRowsAndTellsWhetherTheFileChanged) {
  gui::TCatalogForm window;  // as the program start makes it
  gui::CatalogForm = &window;
  EXPECT_FALSE(window.isVisible());

  OnModal([](QDialog& d) {
    auto& f = Form(d);
    EXPECT_EQ(d.windowTitle(), "Коммутационные аппараты");
    EXPECT_EQ(f.DTable()->CurrentTableRow(), 2);
    EXPECT_TRUE(f.DTable()->EditTable());
    f.DTable()->MoveTo(f.DTable()->FieldColumn("Typ"), f.DTable()->Row());
    EXPECT_EQ(f.HLabel()->text(), "В - выключатель, Р - разъединитель, Н - выключатель нагрузки");
    f.resize(700, 300);
    EXPECT_TRUE(f.grab().save(QString::fromStdString(OutputPath("catalog_window.png"))));
    f.DTable()->LineDown();
    Click(d, "Button1");
    return d.result();
  });
  int row = 2;
  bool changed = true;
  ASSERT_TRUE(gui::ShowCatalog(File(), "Коммутационные аппараты", nullptr, row, changed));
  EXPECT_EQ(row, 3);
  EXPECT_FALSE(changed);

  // An edit saved with F2, then "Выбрать": changed.
  OnModal([](QDialog& d) {
    auto& f = Form(d);
    f.DTable()->MoveTo(f.DTable()->FieldColumn("Name"), 1);
    EXPECT_TRUE(f.DTable()->SetEditText("Вакуумный выключатель"));
    f.DTable()->SaveCommand();
    Click(d, "Button1");
    return d.result();
  });
  ASSERT_TRUE(gui::ShowCatalog(File(), "Коммутационные аппараты", nullptr, row, changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ(Cell(1, 2), "Вакуумный выключатель");

  // The next showing without edits is unchanged again.
  OnModal([](QDialog& d) {
    Click(d, "Button1");
    return d.result();
  });
  ASSERT_TRUE(gui::ShowCatalog(File(), "Коммутационные аппараты", nullptr, row, changed));
  EXPECT_FALSE(changed);

  // Unsaved edits are offered for saving: "Отмена" keeps the window, "Нет" closes without them.
  const std::string before = ReadBytes(File());
  msg_.Answer(2).Answer(0);
  OnModal([](QDialog& d) {
    auto& f = Form(d);
    f.DTable()->MoveTo(f.DTable()->FieldColumn("Name"), 2);
    f.DTable()->SetEditText("Другой");
    Click(d, "Button2");
    EXPECT_TRUE(d.isVisible()) << "cancelled closing";
    Click(d, "Button2");
    EXPECT_FALSE(d.isVisible());
    return d.result();
  });
  row = 1;
  EXPECT_FALSE(gui::ShowCatalog(File(), "Коммутационные аппараты", nullptr, row, changed));
  EXPECT_FALSE(changed);
  EXPECT_EQ(row, 1);
  ASSERT_EQ(msg_.Texts().size(), 2u);
  EXPECT_EQ(msg_.Texts()[0].rfind("Сохранить файл \"sprav_KA.cat\"", 0), 0u) << msg_.Texts()[0];
  EXPECT_EQ(ReadBytes(File()), before);
  gui::CatalogForm = nullptr;
}

TEST_F(CatalogFormTest, ShownTableCannotBePickedAndReadOnlyUserCannotEdit) {
  TDataFile table;
  ReadTableFile(File(), table);
  OnModal([](QDialog& d) {
    EXPECT_FALSE(d.findChild<QPushButton*>("Button1")->isEnabled());
    EXPECT_FALSE(Form(d).DTable()->EditTable());
    EXPECT_EQ(Form(d).DTable()->table().RowCount, 3);
    d.accept();  // closed by any other way than the pick button
    return d.result();
  });
  int row = 1;
  bool changed = true;
  EXPECT_FALSE(gui::ShowCatalog("", "Таблица", &table, row, changed));
  EXPECT_FALSE(changed);
  EXPECT_EQ(row, 1);

  UserAccess = 0;
  OnModal([](QDialog& d) {
    EXPECT_FALSE(Form(d).DTable()->EditTable());
    Click(d, "Button2");
    return d.result();
  });
  EXPECT_FALSE(gui::ShowCatalog(File(), "Коммутационные аппараты", nullptr, row, changed));
}

TEST_F(CatalogFormTest, AlignmentDialogChecksTheFolderAndAlignsBothSides) {
  const std::filesystem::path other = dir_.Path() / "другой";
  std::filesystem::create_directory(other);
  WriteRows((other / CatalogFileKA).string(), CatalogLayoutKA, {{"ВВЭ", "Элегазовый", "10", "1000"}});
  OnModal([&](QDialog& d) {
    auto& f = static_cast<gui::TCmpCatFrm&>(d);
    EXPECT_EQ(f.PathEdit->text().toStdString(), dir_.Path().string() + "/");
    f.PathEdit->setText(QString::fromStdString((dir_.Path() / "нет").string()));
    QTest::mouseClick(f.OKBtn, Qt::LeftButton);
    // "..." takes the folder of the chosen file.
    gui::ModalHandler inner = gui::SetModalHandler([&](QDialog& open) {
      auto& dialog = static_cast<QFileDialog&>(open);
      EXPECT_EQ(dialog.windowTitle(), "Выбор пути на каталожные данные");
      dialog.selectFile(QString::fromStdString((other / CatalogFileKA).string()));
      return int(QDialog::Accepted);
    });
    QTest::mouseClick(f.Button1, Qt::LeftButton);
    gui::SetModalHandler(inner);
    EXPECT_EQ(f.PathEdit->text().toStdString(), other.string() + "/");
    QTest::mouseClick(f.OKBtn, Qt::LeftButton);
    EXPECT_TRUE(f.OKBtn->isEnabled());
    EXPECT_TRUE(f.ProgBar->isHidden());
    QTest::mouseClick(f.CancelBtn, Qt::LeftButton);
    return d.result();
  });
  gui::ShowCmpCatalogForm(dir_.Path().string() + "/");
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Путь не существует"});
  EXPECT_EQ(Cell(4, 1), "ВВЭ");
  TDataFile theirs;
  ReadTableFile((other / CatalogFileKA).string(), theirs);
  EXPECT_EQ(theirs.RowCount, 4);
  EXPECT_EQ(theirs.MarkRec->Get(2), 9);
}

}  // namespace
}  // namespace ld::test
