// "Сравнение п/ст 10 <--> 110 кВ" through the district window: the two lists, pairing by equal names
// and by hand, the longest common prefix, and what "Применить" and "Выход" leave behind.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "gui/district/cmp_subst_form.h"
#include "district_fixture.h"
#include "support/typing.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class MatchWindow : public DistrictWindow {
protected:
  void MakeBase() {
    // Nr, Sign, Name1, Name2
    WriteRows(Base() + ".RSL", LayoutLines10,
              {{"1", "П", "ПС-Лесная.1", "ТП-1"},
               {"1", "П", "ПС-1.1", "ТП-12.3"},
               {"1", "", "ТП-12.3", "ПС-12.1"},
               {"1", "П", "ПС-Борки.2", "ТП-5"}});
    WriteRows(Base() + ".RSV", LayoutSubstInputs, {{"ПС-1", "ПС-1.1", "ПС-12.1"}});
    // the 110 kV scheme: substations with sections, tap-offs and a hidden point
    WriteRows(dir / "Сеть110.UZL", LayoutNodes,
              {{"1", "ПС-ЛЕСНАЯ.110"}, {"2", "ПС-Берёзовая.35"}, {"3", "ОТП-3"}, {"4", "_6"}, {"5", "ВІДП-4"},
               {"6", "ПС-Бор.110"}, {"7", "ПС-Березники"}});
  }
  Lines Items(const QListWidget& list) const {
    Lines items;
    for (int i = 0; i < list.count(); ++i) items.push_back(list.item(i)->text().toStdString());
    return items;
  }
  static void ClickItem(QListWidget& list, int row) {
    QListWidgetItem* item = list.item(row);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
  }
  std::vector<std::string> Column(const std::string& file, const char* field) const {
    TDataFile t = Table(file);
    std::vector<std::string> cells;
    for (int r = 1; r <= t.RowCount; ++r) cells.push_back(GetColumnAs<DAString>(field, t)->GetItem(r));
    return cells;
  }
  Lines Locks() const {
    Lines locks;
    for (const auto& f : fs::directory_iterator(dir.Path()))
      if (f.path().filename().string().back() == '~') locks.push_back(f.path().filename().string());
    std::sort(locks.begin(), locks.end());
    return locks;
  }
};

TEST_F(MatchWindow, EqualNamesPairAtOnceAndAHandMadePairRenamesTheBase) {
  MakeBase();
  Show();
  Open();
  // a formed scheme enables the scheme items; matching disables them again
  form->EnableSchemeTables();
  const std::string scheme = dir / "Сеть110.UZL";
  script.Then([&](QDialog& d) {
    EXPECT_EQ(Locks(), (Lines{"Пример.RSF~", "Пример.RSL~", "Пример.RSV~", "Пример.SWT~"}));
    auto& list1 = Child<QListWidget>(d, "List1");
    auto& list2 = Child<QListWidget>(d, "List2");
    EXPECT_EQ(Items(list1), (Lines{"ПС-1", "ПС-Борки", "ПС-Лесная"}));
    EXPECT_EQ(list1.currentRow(), 0);
    EXPECT_TRUE(Items(list2).empty());
    EXPECT_FALSE(Child<QPushButton>(d, "SetBtn").isEnabled());

    // choosing the scheme file through "..."
    script.Then([&](QDialog& files) {
      EXPECT_EQ(files.windowTitle().toStdString(), "Выбор файла схемы 110(150)/35 кВ");
      auto& f = static_cast<QFileDialog&>(files);
      EXPECT_EQ(f.nameFilters(), QStringList{"Узлы схемы (*.uzl)"});
      EXPECT_EQ(f.directory().absolutePath().toStdString(), dir.Path().string()) << "the base's folder";
      Child<QLineEdit>(files, "fileNameEdit").setText("Сеть110.UZL");
      files.setResult(QDialog::Accepted);
    });
    Press(d, "Button1");
    EXPECT_EQ(Child<QLineEdit>(d, "Edit1").text().toStdString(), scheme);
    EXPECT_EQ(Items(list2), (Lines{"ПС-Берёзовая", "ПС-Березники", "ПС-Бор", "ПС-ЛЕСНАЯ"}))
        << "in the order of the Windows-1251 codes, where ё comes before е";
    EXPECT_EQ(Items(list1), (Lines{"ПС-1", "ПС-Борки", "ПС-Лесная = ПС-ЛЕСНАЯ"}));
    EXPECT_EQ(list2.currentRow(), 0);
    EXPECT_TRUE(Child<QPushButton>(d, "SetBtn").isEnabled());

    ClickItem(list1, 1);
    EXPECT_EQ(list2.currentItem()->text().toStdString(), "ПС-Бор") << "the longest common prefix";
    ClickItem(list1, 0);
    list2.setCurrentRow(2);
    Press(d, "SetBtn");
    ClickItem(list1, 1);
    Press(d, "SetBtn");
    EXPECT_EQ(Items(list1), (Lines{"ПС-1 < ПС-Бор", "ПС-Борки < ПС-Бор", "ПС-Лесная = ПС-ЛЕСНАЯ"}));
    Press(d, "ClrBtn");
    EXPECT_EQ(Items(list1), (Lines{"ПС-1 < ПС-Бор", "ПС-Борки", "ПС-Лесная = ПС-ЛЕСНАЯ"}));
    Press(d, "OKBtn");
  });
  form->CmpItem->trigger();
  EXPECT_TRUE(box.Calls().empty());
  EXPECT_EQ(form->MatchSchemeFileName, scheme);
  EXPECT_TRUE(Locks().empty());
  EXPECT_EQ(Column(Base() + ".RSL", "Name1"), (Lines{"ПС-Лесная.1", "ПС-Бор.1", "ТП-12.3", "ПС-Борки.2"}))
      << "the equal pair renames nothing; ПС-12 is another substation";
  EXPECT_EQ(Column(Base() + ".RSL", "Name2"), (Lines{"ТП-1", "ТП-12.3", "ПС-12.1", "ТП-5"}));
  EXPECT_EQ(Column(Base() + ".RSV", "NamePS"), (Lines{"ПС-Бор.1"}));
  EXPECT_EQ(Column(Base() + ".RSV", "LinkPS"), (Lines{"ПС-12.1"}));
  EXPECT_FALSE(fs::exists(Base() + ".RSF")) << "tables the base lacks are not created";
  EXPECT_FALSE(fs::exists(Base() + ".SWT"));
  // the window shows the renamed line table afresh
  EXPECT_EQ(Label(), "Формат РЭС (линии)");
  EXPECT_EQ(Cell("Name1", 2), "ПС-Бор.1");
  EXPECT_FALSE(form->NodesBtn->isEnabled());
  EXPECT_FALSE(form->NodesItem->isEnabled());

  // "Выход": nothing written, the scheme file kept for the next time
  const std::string before = ReadBytes(Base() + ".RSL");
  script.Then([&](QDialog& d) {
    auto& edit = Child<QLineEdit>(d, "Edit1");
    EXPECT_EQ(edit.text().toStdString(), scheme);
    // the name typed again key by key: the folders on its way are no node tables and pass unread
    edit.clear();
    TypeIntoCell(&edit, QString::fromStdString(scheme));
    EXPECT_TRUE(box.Calls().empty()) << box.Texts().front();
    auto& list1 = Child<QListWidget>(d, "List1");
    EXPECT_EQ(Items(list1), (Lines{"ПС-Бор = ПС-Бор", "ПС-Борки", "ПС-Лесная = ПС-ЛЕСНАЯ"}))
        << "the renamed substation now pairs by itself";
    EXPECT_EQ(Items(Child<QListWidget>(d, "List2")).size(), 4U);
    list1.setCurrentRow(1);
    Press(d, "SetBtn");
    Press(d, "CancelBtn");
  });
  form->CmpItem->trigger();
  EXPECT_EQ(ReadBytes(Base() + ".RSL"), before);
  EXPECT_TRUE(Locks().empty());
}

TEST_F(MatchWindow, ATableHeldByAnotherStopsTheMatchingAndKeepsTheHoldersLock) {
  MakeBase();
  Show();
  Open();
  LockTableFiles(Base(), ".RSV");
  form->CmpItem->trigger();
  EXPECT_EQ(script.Shown(), 1) << "no dialog after the base dialog";
  ASSERT_EQ(box.Calls().size(), 1U);
  EXPECT_EQ(box.Calls()[0].kind, mkError);
  EXPECT_EQ(Locks(), (Lines{"Пример.RSV~"}));
  UnlockTableFiles(Base(), ".RSV");
}

}  // namespace
}  // namespace ld::test
