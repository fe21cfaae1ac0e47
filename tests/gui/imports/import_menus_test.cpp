// The import items of every window that has them (the district window, the regime window, the graph
// catalogue and the grid) are made from the program's one list of import commands: an item whose
// caption is that of an import and that opens a file without coming from the list fails, as does a
// command of the list that its window does not offer; each command that reads an outside file runs a
// reader of the district's list of them, and each reader of that list is run by a command.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/catalogs/graph_tables.h"
#include "core/district/outside_readers.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/common/import_commands.h"
#include "gui/common/modal.h"
#include "gui/district/base_res_form.h"
#include "gui/grid/data_grid.h"
#include "gui/imports/import_window.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

namespace ld::test {
namespace {

namespace fs = std::filesystem;

// Captions by which a user takes an item for the reading of a file into the program.
bool LooksLikeImport(const QString& caption) {
  for (const char* start : {"Импорт", "Чтение файл", "Ввод из", "Загрузка из"})
    if (caption.startsWith(QString::fromUtf8(start), Qt::CaseInsensitive)) return true;
  return false;
}

QString Shown(const QAction& action) { return action.text().remove('&').section('\t', 0, 0).trimmed(); }

std::set<QAction*> ActionsOf(QWidget& window) {
  std::set<QAction*> all;
  for (QAction* a : window.findChildren<QAction*>()) all.insert(a);
  for (QAction* a : window.actions()) all.insert(a);
  for (QWidget* w : window.findChildren<QWidget*>())
    for (QAction* a : w->actions()) all.insert(a);
  return all;
}

// What a user reaches through the menu bar and the grid's pop-up menu, submenus too.
void AddReachable(const QList<QAction*>& actions, std::set<QAction*>& reached) {
  for (QAction* a : actions) {
    if (!reached.insert(a).second) continue;
    if (a->menu() != nullptr) AddReachable(a->menu()->actions(), reached);
  }
}

std::set<QAction*> Reachable(QWidget& window) {
  std::set<QAction*> reached;
  for (QMenuBar* bar : window.findChildren<QMenuBar*>()) AddReachable(bar->actions(), reached);
  for (QMenu* popup : window.findChildren<QMenu*>("PopupMenu")) AddReachable(popup->actions(), reached);
  return reached;
}

std::string Mark(const QAction& action) { return action.property(gui::kImportCommandMark).toString().toStdString(); }

// The file dialogs shown meanwhile, each cancelled; other dialogs are cancelled too.
class TFileDialogs {
public:
  TFileDialogs()
      : previous_(gui::SetModalHandler([this](QDialog& d) {
          if (qobject_cast<QFileDialog*>(&d) != nullptr) titles_.push_back(d.windowTitle().toStdString());
          return static_cast<int>(QDialog::Rejected);
        })) {}
  ~TFileDialogs() { gui::SetModalHandler(previous_); }
  TFileDialogs(const TFileDialogs&) = delete;
  TFileDialogs& operator=(const TFileDialogs&) = delete;
  const std::vector<std::string>& Titles() const { return titles_; }

private:
  gui::ModalHandler previous_;
  std::vector<std::string> titles_;
};

struct TWindow {
  std::string name;  // as the list names it
  QWidget* widget;
  // Starts the command of the list that has a key of its own, in the window.
  std::function<void(const gui::TImportCommandInfo&)> pressKey;
};

TEST(ImportMenus, EveryImportItemOfEveryWindowIsMadeFromTheListAndEveryCommandOfTheListIsOffered) {
  TProgramFolder program("Иванов");
  TempDir dir;
  ScriptedMsgBox box;
  for (int i = 0; i < 50; ++i) box.Answer(0);

  gui::TBaseResForm district;
  district.show();

  // the regime window over the sample scheme, its node table shown, where the PNT,LIN key works
  for (const std::string ext : {".UZL", ".VET"}) fs::copy_file(DataDir() / ("Пример" + ext), dir.Path() / ("Пример" + ext));
  gui::TZregimForm regime;
  regime.Params.clear();
  regime.show();
  {
    ModalScript script;
    script.Then(ChooseInOpenDialog(dir.Path() / "Пример.UZL", "Загрузка схемы"));
    regime.OpenItem->trigger();
  }

  const std::string base = (dir.Path() / "схема").string();
  WriteRows(base + GetMaketExtention(GraphCatalogMaket), GraphCatalogMaket, {{"42", "Ввод Т1", "1", "P", "3600", "МВт"}});
  gui::TCatGrForm catalog(base, INT_MAX);
  catalog.show();

  gui::TDataGrid5 grid;
  grid.show();

  const std::vector<TWindow> windows{
      {"База РЭС", &district, {}},
      {"Режим", &regime,
       [&](const gui::TImportCommandInfo& c) {
         const QKeySequence key(QString::fromUtf8(c.Key));
         QTest::keyClick(&regime.DataGrid(), static_cast<Qt::Key>(key[0].key()), key[0].keyboardModifiers());
       }},
      {"Каталог графиков", &catalog, {}},
      {"Таблица", &grid, {}}};

  std::map<std::string, const gui::TImportCommandInfo*> listed;
  for (const gui::TImportCommandInfo& c : gui::ImportCommandList()) listed[std::string(c.Window) + "/" + c.Name] = &c;

  for (const TWindow& w : windows) {
    SCOPED_TRACE(w.name);
    const std::set<QAction*> actions = ActionsOf(*w.widget), reached = Reachable(*w.widget);
    std::set<std::string> offered;
    for (QAction* a : actions) {
      if (a->isSeparator() || a->menu() != nullptr) continue;
      const QString caption = Shown(*a);
      const std::string mark = Mark(*a);
      if (!mark.empty()) {
        // made from the list: an entry of this window, or the grid's own that every window's grid has
        const auto entry = listed.find(mark);
        ASSERT_NE(entry, listed.end()) << mark;
        EXPECT_TRUE(entry->second->Window == w.name || std::string(entry->second->Window) == "Таблица") << mark;
        EXPECT_EQ(caption.toStdString(), entry->second->Caption) << mark;
        if (reached.count(a) != 0 || *entry->second->Key != 0) offered.insert(mark);
        continue;
      }
      // An item with a command's caption or name that is not made from the list is one beside it, whether
      // or not it gets as far as a file dialog here (the district window's commands want an open base).
      for (const gui::TImportCommandInfo& c : gui::ImportCommandList())
        EXPECT_FALSE(caption.toStdString() == c.Caption || a->objectName().toStdString() == c.Name)
            << "\"" << caption.toStdString() << "\" (" << a->objectName().toStdString()
            << ") is made beside the program's list of import commands";
      if (!LooksLikeImport(caption)) continue;
      // An item captioned as an import beside the list: one that opens a file is an import the
      // checks of the list never meet.
      const TFileDialogs dialogs;
      const bool enabled = a->isEnabled();
      a->setEnabled(true);
      a->trigger();
      a->setEnabled(enabled);
      EXPECT_EQ(dialogs.Titles(), std::vector<std::string>{})
          << "\"" << caption.toStdString() << "\" opens a file and is not made from the program's list of import commands";
    }
    for (const gui::TImportCommandInfo& c : gui::ImportCommandList()) {
      if (c.Window != w.name) continue;
      const std::string mark = std::string(c.Window) + "/" + c.Name;
      EXPECT_TRUE(offered.count(mark)) << mark << " is in no menu of its window";
      if (*c.Key == 0 || !w.pressKey) continue;
      // a command of a key: the key starts the list's action, whose file dialog carries its caption
      QAction* action = nullptr;
      for (QAction* a : actions)
        if (Mark(*a) == mark) action = a;
      ASSERT_NE(action, nullptr) << mark;
      int triggered = 0;
      const auto connection = QObject::connect(action, &QAction::triggered, [&triggered] { ++triggered; });
      const TFileDialogs dialogs;
      w.pressKey(c);
      QObject::disconnect(connection);
      EXPECT_EQ(triggered, 1) << mark << ": its key " << c.Key << " does not start it";
      EXPECT_EQ(dialogs.Titles(), std::vector<std::string>{c.Caption}) << mark;
    }
  }
  catalog.reject();
}

TEST(ImportMenus, EveryReaderOfOutsideFilesIsRunByACommandOfTheList) {
  std::map<std::string, int> runs;
  for (const TOutsideReader& reader : OutsideReaders()) runs[reader.Command] = 0;
  for (const gui::TImportCommandInfo& c : gui::ImportCommandList()) {
    if (c.Reader == nullptr) continue;
    EXPECT_NO_THROW(FindOutsideReader(c.Reader)) << c.Window << " / " << c.Name;
    ++runs[c.Reader];
  }
  for (const auto& [reader, commands] : runs) EXPECT_EQ(commands, 1) << reader;
}

}  // namespace
}  // namespace ld::test
