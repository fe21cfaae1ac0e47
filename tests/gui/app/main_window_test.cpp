// The main tool bar: its buttons, where it puts the work windows, and a picture of it.
#include <gtest/gtest.h>

#include <QToolButton>
#include <filesystem>
#include <string>

#include "core/tables/layout.h"
#include "core/tables/table_file.h"

#include "gui/app/main_form.h"
#include "gui/district/base_res_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/regime/zregim_form.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::gui {
namespace {

struct Windows {
  TMainForm main;
  TBaseResForm baseRes;
  TZregimForm zregim;
  TFormTKZ tkz;
  Windows() { main.SetWorkWindows(&baseRes, &zregim, &tkz); }
};

TEST(MainWindow, ShowsThreeButtonsAndPutsTheWorkWindowsBelowItself) {
  Windows w;
  w.main.show();
  EXPECT_EQ(w.main.windowTitle(), "ЛД ТОРИЛ");
  EXPECT_EQ(w.main.width(), 366);
  EXPECT_EQ(w.main.height(), 25);
  EXPECT_EQ(w.main.pos(), QPoint(0, 0));
  QStringList shown;
  for (const auto* button : w.main.findChildren<QToolButton*>())
    if (button->isVisible()) shown << button->text() + "@" + QString::number(button->x());
  shown.sort();
  EXPECT_EQ(shown, (QStringList{"База РЭС@0", "Расчет Т.К.З.@240", "Режим@120"}));
  for (const char* hidden : {"FileBtn", "EERMBtn", "RTimBtn"})
    EXPECT_FALSE(w.main.findChild<QToolButton*>(hidden)->isVisible()) << hidden;
  EXPECT_TRUE(w.main.grab().save(QString::fromStdString(test::OutputPath("main_window.png"))));

  const auto click = [&](const char* name) { w.main.findChild<QToolButton*>(name)->click(); };
  click("ZregBtn");
  EXPECT_TRUE(w.zregim.isVisible());
  EXPECT_FALSE(w.baseRes.isVisible());
  EXPECT_EQ(w.zregim.Tag(), w.main.frameGeometry().height());
  EXPECT_EQ(w.zregim.y(), w.main.frameGeometry().height());
  click("BresBtn");
  click("TKZBtn");
  EXPECT_TRUE(w.baseRes.isVisible());
  EXPECT_TRUE(w.tkz.isVisible());
  EXPECT_EQ(w.tkz.y(), w.main.frameGeometry().height());
  // Showing a window again is harmless.
  click("TKZBtn");
  EXPECT_TRUE(w.tkz.isVisible());
  // The main window's closing closes the visible work windows.
  EXPECT_TRUE(w.main.close());
  EXPECT_FALSE(w.baseRes.isVisible() || w.zregim.isVisible() || w.tkz.isVisible());
}

// Opens a new empty table file in the grid and takes its lock, as a first edit does.
void EditNewTable(TDataGrid5& grid, const std::string& fileName) {
  CreateEmptyTableFile(fileName, LayoutUsers, "таблица");
  grid.OpenFile(fileName, 1, 1, 1, true, true, true);
  grid.LockOnce();
  ASSERT_TRUE(grid.Modified());
}

TEST(MainWindow, CloseChainStopsAtTheFirstWindowThatRefuses) {
  test::TempDir dir;
  const std::string savedMaket = MaketFileName;
  MaketFileName = (test::DataDir() / "maket.zr").string();
  Windows w;
  w.main.show();
  for (const char* name : {"BresBtn", "ZregBtn", "TKZBtn"}) w.main.findChild<QToolButton*>(name)->click();
  EditNewTable(w.baseRes.DataGrid(), dir / "base.usr");
  EditNewTable(w.zregim.DataGrid(), dir / "regime.usr");
  EditNewTable(w.tkz.DataGrid(), dir / "tkz.usr");
  EditNewTable(w.tkz.RadiusGrid(), dir / "radius.usr");
  const auto asked = [](const test::ScriptedMsgBox& box, std::size_t i, const std::string& file) {
    ASSERT_LT(i, box.Calls().size());
    EXPECT_NE(box.Calls()[i].text.find("\"" + file + "\""), std::string::npos) << box.Calls()[i].text;
    EXPECT_EQ(box.Calls()[i].buttons, mbYesNoCancel);
  };

  {
    // "Нет" lets the district window go without saving; "Отмена" keeps the regime window open, and
    // the short-circuit window is not asked.
    test::ScriptedMsgBox box;
    box.Answer(0).Answer(2);
    EXPECT_FALSE(w.main.close());
    EXPECT_EQ(box.Calls().size(), 2u);
    asked(box, 0, "base.usr");
    asked(box, 1, "regime.usr");
    EXPECT_TRUE(w.main.isVisible());
    EXPECT_FALSE(w.baseRes.isVisible());
    EXPECT_TRUE(w.zregim.isVisible());
    EXPECT_TRUE(w.tkz.isVisible());
    EXPECT_FALSE(std::filesystem::exists(dir / "base.usr~"));
    EXPECT_TRUE(std::filesystem::exists(dir / "regime.usr~"));
  }
  {
    // The short-circuit window asks for its second table only when the first was not cancelled.
    test::ScriptedMsgBox box;
    box.Answer(1).Answer(1).Answer(2);
    EXPECT_FALSE(w.main.close());
    EXPECT_EQ(box.Calls().size(), 3u);
    asked(box, 0, "regime.usr");
    asked(box, 1, "tkz.usr");
    asked(box, 2, "radius.usr");
    EXPECT_FALSE(w.zregim.isVisible());
    EXPECT_TRUE(w.tkz.isVisible());
    EXPECT_FALSE(w.tkz.DataGrid().Modified());
    EXPECT_TRUE(w.tkz.RadiusGrid().Modified());
  }
  {
    test::ScriptedMsgBox box;
    box.Answer(2);
    // Its own close button asks the same question.
    EXPECT_FALSE(w.tkz.close());
    EXPECT_TRUE(w.tkz.isVisible());
    box.Answer(1);
    EXPECT_TRUE(w.main.close());
    EXPECT_EQ(box.Calls().size(), 2u);
    asked(box, 1, "radius.usr");
    EXPECT_FALSE(w.tkz.isVisible());
    EXPECT_FALSE(w.main.isVisible());
  }
  for (const char* lock : {"base.usr~", "regime.usr~", "tkz.usr~", "radius.usr~"})
    EXPECT_FALSE(std::filesystem::exists(dir / lock)) << lock;
  MaketFileName = savedMaket;
}

}  // namespace
}  // namespace ld::gui
