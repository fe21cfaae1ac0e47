// The regime window as a person meets it: the hot keys of its hidden items, the full build that
// shows them, its tool bar on a narrow screen and numbers typed into its tables.
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <filesystem>

#include "core/base/codepage.h"
#include "gui/common/full_build.h"
#include "support/typing.h"
#include "zregim_fixture.h"

namespace ld::test {
namespace {

// Records the title of each dialog shown and closes it with "Отмена".
struct Titles {
  std::vector<std::string> shown;
  ModalScript::Step Step() {
    return [this](QDialog& d) {
      shown.push_back(d.windowTitle().toStdString());
      d.setResult(QDialog::Rejected);
    };
  }
};

class RegimeKeys : public RegimeWindow {
protected:
  void Activate() {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  // The key as a person presses it in the window (active again after a dialog closed).
  void Ctrl(Qt::Key key) {
    Activate();
    QTest::keyClick(form.get(), key, Qt::ControlModifier);
  }
};

TEST_F(RegimeKeys, HiddenItemsStartByTheirHotKeys) {
  // no scheme: the data menu is off, and so are its keys (a dialog would fail the script)
  for (const Qt::Key key : {Qt::Key_G, Qt::Key_K, Qt::Key_T}) Ctrl(key);
  OpenScheme();
  for (QAction* a : {form->SwitchItem, form->ReconfigItem, form->TestSwtItem}) EXPECT_FALSE(a->isVisible());
  Ctrl(Qt::Key_G);
  EXPECT_EQ(form->DataGrid().Maket(), "Переключения");
  Titles titles;
  script.Then(titles.Step()).Then(titles.Step());
  Ctrl(Qt::Key_K);
  Ctrl(Qt::Key_T);
  EXPECT_EQ(titles.shown, (std::vector<std::string>{"Реконфигурация схемы", "Тест переключений"}));
  EXPECT_TRUE(box.Texts().empty());
  // a reader may look at the journal but not reconfigure: the disabled item keeps its key off too
  form->ReconfigItem->setEnabled(false);
  Ctrl(Qt::Key_K);
  EXPECT_EQ(script.Shown(), 3);  // the scheme file dialog and the two above
}

// The program started with "/ALL".
struct FullBuild {
  FullBuild() { gui::SetShowAllCommands(true); }
  ~FullBuild() { gui::SetShowAllCommands(false); }
};

class RegimeFullBuild : public FullBuild, public RegimeKeys {};

TEST_F(RegimeFullBuild, EveryHiddenCommandIsOfferedAndOpensItsDialog) {
  OpenScheme();
  std::vector<QAction*> offered{form->WItem->menuAction(), form->SwitchItem,    form->ReconfigItem,   form->TestSwtItem,
                                form->NewMonthItem,        form->ImpZamer,      form->PrintEERMItem,  form->EERMTestItem,
                                form->EEAMTestItem,        form->CalcFlowsKoefItem, form->CalcTgItem, form->CalcEmkItem,
                                form->EmkBPItem,           form->EmkRPItem,     form->EkvZItem,       form->EkvCut1Item,
                                form->EkvCut2Item,         form->EkvDelItem,    form->CmpCatItem};
  for (QAction* a : form->MeteringItems) offered.push_back(a);
  for (QAction* a : form->WItem->actions())
    if (a != form->NodeItem && a != form->LineItem) offered.push_back(a);
  for (QAction* a : offered) EXPECT_TRUE(a->isVisible()) << a->objectName().toStdString();
  for (QToolButton* b : {form->TreBtn, form->WCalcBtn, form->WLossLnBtn, form->WLossTrBtn, form->WLossBtn, form->WBalansBtn})
    EXPECT_TRUE(b->isVisibleTo(form.get())) << b->objectName().toStdString();
  // what is hidden for other reasons stays hidden: the debugging tables
  for (QAction* a : {form->NodeItem, form->LineItem}) EXPECT_FALSE(a->isVisible());
  // no separator leads, closes or doubles in the tasks menu
  const QList<QAction*> tasks = form->TaskItem->actions();
  EXPECT_FALSE(tasks.front()->isSeparator() || tasks.back()->isSeparator());
  for (qsizetype i = 1; i < tasks.size(); ++i) EXPECT_FALSE(tasks[i]->isSeparator() && tasks[i - 1]->isSeparator());

  Titles titles;
  for (int i = 0; i < 6; ++i) script.Then(titles.Step());
  for (QAction* a : {form->ReconfigItem, form->TestSwtItem, form->WCalcItem, form->EkvZItem, form->ImpZamer}) a->trigger();
  form->WCalcBtn->click();
  EXPECT_EQ(titles.shown, (std::vector<std::string>{"Реконфигурация схемы", "Тест переключений", "Расчет потерь",
                                                    "Расчет эквивалентных схем узлов по напряжению и потерям мощности",
                                                    "Выбор файла замеров в формате Excel (*.xls)", "Расчет потерь"}));
  box.Answer(0);  // "Нет": the month's data stay
  form->NewMonthItem->trigger();
  form->EkvCut1Item->trigger();  // a task on branches asks for the marked branch table first
  ASSERT_EQ(box.Texts().size(), 2u);
  EXPECT_EQ(box.Texts()[0], "Данные электропотребления в таблицах узлов и перетоков будут обнулены. Продолжить ?");
  EXPECT_EQ(box.Texts()[1], "Необходимо выбрать таблицу \"Ветви схемы\" и клавишами Ctrl+пробел отметить требуемые ветви");
  form->SwitchItem->trigger();
  EXPECT_EQ(form->DataGrid().Maket(), "Переключения");

  // a shown item's own key works, once (a second binding of the key would silence both)
  script.Then(titles.Step());
  Ctrl(Qt::Key_K);
  EXPECT_EQ(titles.shown.size(), 7u);
  EXPECT_EQ(titles.shown.back(), "Реконфигурация схемы");

  // the catalogue alignment chosen with the mouse in the menu "Каталоги"
  script.Then(titles.Step());
  QMenuBar& bar = *form->menuBar();
  QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.actionGeometry(form->CatalogItem->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->CatalogItem));
  QTest::mouseClick(form->CatalogItem, Qt::LeftButton, {}, form->CatalogItem->actionGeometry(form->CmpCatItem).center());
  ASSERT_EQ(titles.shown.size(), 8u);
  EXPECT_EQ(titles.shown.back(), "Выравнивание каталожных данных");
}

TEST_F(RegimeKeys, TheDiagramToolBarOpensItsHiddenButtonsOnANarrowWindow) {
  auto* bar = form->findChild<QToolBar*>("SchCommands");
  ASSERT_NE(bar, nullptr);
  form->SchPanel->show();
  form->resize(700, 600);
  QApplication::processEvents();
  auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
  ASSERT_TRUE(more && more->isVisible());
  // the bar's own menu of the put-away buttons, not Qt's one of empty lines
  ASSERT_NE(more->findChild<QMenu*>("OverflowMenu"), nullptr);
  std::vector<QToolButton*> hidden;
  for (QToolButton* b : {form->TreeBtn, form->RadiusBtn, form->TrassBtn, form->LayerBtn, form->LinksBtn, form->UnomBtn})
    if (!b->isVisible()) hidden.push_back(b);
  ASSERT_GE(hidden.size(), 4u);  // at least "Трассы", "Ярус", "Связи", "Классы U"
  for (QToolButton* b : hidden) {
    int clicks = 0;
    const auto link = QObject::connect(b, &QToolButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(more, Qt::LeftButton);
    auto* menu = more->findChild<QMenu*>("OverflowMenu");
    ASSERT_TRUE(menu && menu->isVisible());
    // every button put away, each with its caption: no empty lines for the ones placed as widgets
    std::vector<std::string> offered;
    QAction* chosen = nullptr;
    for (QAction* item : menu->actions()) {
      if (item->isSeparator()) continue;
      offered.push_back(item->text().toStdString());
      if (item->objectName() == b->objectName()) chosen = item;
    }
    int put = 0;
    for (QToolButton* button : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
      put += button->isHidden() && button != more ? 1 : 0;
    EXPECT_EQ(offered.size(), static_cast<std::size_t>(put));
    EXPECT_EQ(std::count(offered.begin(), offered.end(), std::string()), 0);
    ASSERT_NE(chosen, nullptr) << b->objectName().toStdString();
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(chosen).center());
    EXPECT_EQ(clicks, 1) << b->text().toStdString();
    EXPECT_FALSE(menu->isVisible());
    QObject::disconnect(link);
  }
}

// Numbers typed into the node and branch tables with the grid painting between the keys, read back
// from the files after saving.
TEST_F(RegimeKeys, NumbersTypedIntoTheSchemeTablesAreStoredAsTyped) {
  SchemeBuilder s;
  s.Title = "Фидер";
  Station(s, 1, "ПС-1", "B");
  for (int n = 2; n <= 6; ++n) {
    Station(s, n, "ТП", "", 0.1, 0.05);
    s.Branch(n, n - 1, 1, 2);
  }
  OpenScheme(s);
  gui::TDataGrid5& grid = form->DataGrid();
  QLineEdit* editor = grid.Editor();
  const auto type = [&](const char* field, int row, const QString& text) {
    grid.MoveTo(grid.FieldColumn(field), row);
    editor->selectAll();
    TypeIntoCell(editor, text);
  };
  const std::pair<const char*, double> typed[] = {{"0.07", 0.07}, {"12.66", 12.66}, {"0,5", 0.5},
                                                  {"-1.5e-3", -1.5e-3}, {".5", 0.5}, {"1.", 1}};

  form->NodesItem->trigger();
  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_F4);
  ASSERT_TRUE(editor->isVisible());
  int row = 1;
  for (const auto& [text, value] : typed) {
    type("Pn", row++, text);
    EXPECT_EQ(editor->text().toStdString(), text);
  }
  type("Qn", 1, "0.0x7");  // the letter is refused, the rest kept
  EXPECT_EQ(editor->text(), "0.07");
  type("Qn", 2, "3.5");
  QTest::keyClick(editor, Qt::Key_Escape);  // takes the 3.5 back
  QTest::keyClick(&grid, Qt::Key_F4);
  // the balancing node's one-letter sign overtyped with the caret behind it, as a click leaves it
  grid.MoveTo(grid.FieldColumn("Sign"), 1);
  editor->deselect();
  editor->setCursorPosition(1);
  TypeIntoCell(editor, "U");
  EXPECT_EQ(editor->text(), "U");
  QTest::keyClick(editor, Qt::Key_F2);
  EXPECT_TRUE(box.Texts().empty()) << box.Texts().front();
  row = 1;
  for (const auto& [text, value] : typed) EXPECT_EQ(FileNumber(".UZL", "Pn", row++), value) << text;
  EXPECT_EQ(FileNumber(".UZL", "Qn", 1), 0.07);
  EXPECT_EQ(FileNumber(".UZL", "Qn", 2), 0.05);
  TDataFile nodes = Table(".UZL");
  EXPECT_EQ(GetCellText(nodes, 1, FindColumnIndex("Sign", nodes), true), "U");
  FreeTable(nodes);

  // the branch table's resistances are single precision: the number typed, as the column holds it
  form->LinesItem->trigger();
  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_F4);
  row = 1;
  for (const auto& [text, value] : typed) {
    if (row <= 5) type("R", row++, text);
    else type("X", 1, text);
  }
  type("X", 2, "7.25");
  QTest::keyClick(editor, Qt::Key_Escape);
  QTest::keyClick(&grid, Qt::Key_F4);
  QTest::keyClick(&grid, Qt::Key_F2);
  row = 1;
  for (const auto& [text, value] : typed) {
    const double stored = row <= 5 ? FileNumber(".VET", "R", row++) : FileNumber(".VET", "X", 1);
    EXPECT_EQ(stored, static_cast<double>(static_cast<float>(value))) << text;
  }
  EXPECT_EQ(FileNumber(".VET", "X", 2), 2);
  EXPECT_TRUE(box.Texts().empty());
}

// The sample scheme calculated, its node and branch tables left as pictures for people to look at;
// every caption on them reads whole.
TEST_F(RegimeKeys, SampleTablesShowWholeCaptions) {
  for (const char* ext : {".UZL", ".VET"})
    std::filesystem::copy_file(DataDir() / (std::string("Пример") + ext), dir.Path() / (std::string("Пример") + ext));
  path = (dir.Path() / "Пример").string();
  Open(path);
  form->resize(1400, 700);
  Calculate();
  gui::TDataGrid5& grid = form->DataGrid();
  const QFontMetrics metrics(grid.font());
  for (const auto& [item, picture] : {std::pair{form->NodesItem, "regime_nodes.png"}, {form->LinesItem, "regime_branches.png"}}) {
    item->trigger();
    QApplication::processEvents();
    for (int g = 1; g < grid.ColCount(); ++g) {
      const std::string& title = grid.table().ColTitle[static_cast<std::size_t>(grid.TableColumn(g))];
      EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(title)) + 4, grid.ColWidths()[static_cast<std::size_t>(g)])
          << title;
    }
    EXPECT_TRUE(form->grab().save(QString::fromStdString(OutputPath(picture).string())));
  }
}

}  // namespace
}  // namespace ld::test
