// The catalogue window (picking, editing, the changed flag) and the catalogue alignment dialog.
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>

#include "catwin_fixture.h"
#include "core/catalogs/catalog_units.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/catalogs/cmp_cat_form.h"
#include "gui/grid/data_grid.h"

namespace ld::test {
namespace {

class CatalogFormTest : public CatwinTest {
protected:
  CatalogFormTest() {
    WriteRows(File(), CatalogLayoutKA, {{"ВВ/TEL", "Вакуумный"}, {"РВ", "Разъединитель"}, {"ВНА", "Выключатель нагрузки"}});
  }
  std::string File() const { return Path(CatalogFileKA); }
  static gui::TDataGrid5& Grid(QDialog& d) { return *static_cast<gui::TCatalogForm&>(d).DTable(); }
  // Shows the catalogue file from `row`; true when a row was picked.
  bool Show(int& row, bool& changed) {
    return gui::ShowCatalog(File(), "Коммутационные аппараты", nullptr, row, changed);
  }
  std::string Cell(int row, int col) const {
    TDataFile t;
    ReadTableFile(File(), t);
    return GetCellText(t, row, col, true);
  }
};

TEST_F(CatalogFormTest, PicksRowsAndTellsWhetherTheFileChanged) {
  gui::TCatalogForm window;  // as the program start makes it
  gui::CatalogForm = &window;
  script_
      .Then([](QDialog& d) {
        EXPECT_EQ(std::pair(d.windowTitle(), Grid(d).CurrentTableRow()), std::pair(QString("Коммутационные аппараты"), 2));
        Grid(d).LineDown();
        Click(d, "Button1");
      })
      .Then([](QDialog& d) {  // an edit saved with F2, then "Выбрать"
        Grid(d).MoveTo(Grid(d).FieldColumn("Name"), 1);
        EXPECT_TRUE(Grid(d).SetEditText("Вакуумный выключатель"));
        Grid(d).SaveCommand();
        Click(d, "Button1");
      })
      .Then([](QDialog& d) { Click(d, "Button1"); });
  int row = 2;
  bool changed = true;
  ASSERT_TRUE(Show(row, changed));
  EXPECT_EQ(std::pair(row, changed), std::pair(3, false));
  EXPECT_TRUE(Show(row, changed) && changed);
  EXPECT_EQ(Cell(1, 2), "Вакуумный выключатель");
  ASSERT_TRUE(Show(row, changed));
  EXPECT_FALSE(changed) << "the next showing without edits";

  // Unsaved edits are offered for saving: "Отмена" keeps the window, "Нет" closes without them.
  const std::string before = ReadBytes(File());
  msg_.Answer(2).Answer(0);
  script_.Then([](QDialog& d) {
    Grid(d).MoveTo(Grid(d).FieldColumn("Name"), 2);
    Grid(d).SetEditText("Другой");
    Click(d, "Button2");
    EXPECT_TRUE(d.isVisible()) << "cancelled closing";
    Click(d, "Button2");
    EXPECT_FALSE(d.isVisible());
  });
  row = 1;
  EXPECT_FALSE(Show(row, changed));
  EXPECT_EQ(std::pair(row, changed), std::pair(1, false));
  EXPECT_EQ(msg_.Texts().at(1).rfind("Сохранить файл \"sprav_KA.cat\"", 0), 0u) << msg_.Texts()[1];
  EXPECT_EQ(ReadBytes(File()), before);
  gui::CatalogForm = nullptr;
}

TEST_F(CatalogFormTest, ShownTableCannotBePickedAndReadOnlyUserCannotEdit) {
  TDataFile table;
  ReadTableFile(File(), table);
  script_
      .Then([](QDialog& d) {
        EXPECT_FALSE(Child<QPushButton>(d, "Button1").isEnabled() || Grid(d).EditTable());
        d.accept();  // closed by any other way than the pick button
      })
      .Then([](QDialog& d) {
        EXPECT_FALSE(Grid(d).EditTable());
        Click(d, "Button2");
      });
  int row = 1;
  bool changed = true;
  EXPECT_FALSE(gui::ShowCatalog("", "Таблица", &table, row, changed));
  EXPECT_EQ(std::pair(row, changed), std::pair(1, false));
  UserAccess = 0;
  EXPECT_FALSE(Show(row, changed));
}

TEST_F(CatalogFormTest, AlignmentDialogChecksTheFolderAndAlignsBothSides) {
  const std::filesystem::path other = dir_.Path() / "другой";
  std::filesystem::create_directory(other);
  WriteRows((other / CatalogFileKA).string(), CatalogLayoutKA, {{"ВВЭ", "Элегазовый", "10", "1000"}});
  script_
      .Then([&](QDialog& d) {
        auto& f = static_cast<gui::TCmpCatFrm&>(d);
        f.PathEdit->setText(QString::fromStdString((dir_.Path() / "нет").string()));
        QTest::mouseClick(f.OKBtn, Qt::LeftButton);
        QTest::mouseClick(f.Button1, Qt::LeftButton);  // "..." takes the folder of the chosen file
        EXPECT_EQ(f.PathEdit->text().toStdString(), other.string() + "/");
        QTest::mouseClick(f.OKBtn, Qt::LeftButton);
        EXPECT_TRUE(f.OKBtn->isEnabled() && f.ProgBar->isHidden());
        QTest::mouseClick(f.CancelBtn, Qt::LeftButton);
      })
      .Then([&](QDialog& open) {
        static_cast<QFileDialog&>(open).selectFile(QString::fromStdString((other / CatalogFileKA).string()));
        open.setResult(QDialog::Accepted);
      });
  gui::ShowCmpCatalogForm(dir_.Path().string() + "/");
  EXPECT_EQ(msg_.Texts(), std::vector<std::string>{"Путь не существует"});
  EXPECT_EQ(Cell(4, 1), "ВВЭ");  // aligned with the chosen folder
}

}  // namespace
}  // namespace ld::test
