// The program in this process: who the user is when the windows come up, what its command line and
// settings start, the main tool bar, where it puts the work windows, and its close chain; and the real
// program under a window manager on a virtual display.
#include <gtest/gtest.h>

#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/app/main_form.h"
#include "gui/app/program.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/diagram/sch_view_form.h"
#include "gui/district/base_res_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"
#include "x_display.h"

// Xlib's macros (Bool, Status, None) come after every other header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace ld::gui {
namespace {

namespace fs = std::filesystem;

// The program run in this process from a program folder of its own; the main window, once it shows,
// is looked at and closed.
class ProgramStart : public ::testing::Test {
protected:
  ProgramStart() { fs::copy_file(test::DataDir() / "maket.zr", dir / "maket.zr"); }
  ~ProgramStart() override {
    MaketFileName = savedMaket;
    ProgramDir.clear();
    MultiUserFlag = false;
    IniRec = TIniRec{};
  }
  int Run(const QStringList& args) {
    SetStartPaths(dir / "ldtoril");
    mainShown = allMade = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!MainForm || !MainForm->isVisible()) return;
      poll.stop();
      mainShown = true;
      allMade = BaseResForm && ZregimForm && FormTKZ && CatalogForm && SchViewForm;
      userAtStart = CurrentUserName;
      accessAtStart = UserAccess;
      MainForm->close();
    });
    poll.start();
    return RunStartedProgram(args);
  }
  std::string Ini() const { return Cp1251ToUtf8(test::ReadBytes(dir / "ldtoril.ini")); }

  test::TempDir dir;
  test::ScriptedMsgBox box;
  test::ModalScript script;
  const std::string savedMaket = MaketFileName;
  bool mainShown = false, allMade = false;
  std::string userAtStart;
  int accessAtStart = -1;
};

TEST_F(ProgramStart, WithoutLoginTheUserStaysUnnamedWithFullRightsAndTheSettingsAreWritten) {
  CurrentUserName.clear();  // as a fresh process has them
  UserAccess = 1;
  EXPECT_EQ(Run(QStringList{"ldtoril"}), 0);
  EXPECT_EQ(std::pair(ConfigFileName, MaketFileName), std::pair(dir / "ldtoril.ini", dir / "maket.zr"));
  EXPECT_TRUE(mainShown && allMade);
  EXPECT_EQ(std::pair(userAtStart, accessAtStart), std::pair(std::string(), 1));
  EXPECT_EQ(MainForm, nullptr);
  const std::string ini = Ini();
  for (const std::string& key : {std::string("[Regim]"), std::string("[MultiUser]"), "Path=" + dir.Path().string() + "/"})
    EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr"));
  // The nominal voltages are read at start; a folder without them gets the default list.
  EXPECT_TRUE(fs::exists(dir / "sprav_UN.cat"));
  EXPECT_EQ(IniRec.UnomList->Count, 15);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(ProgramStart, UserListSwitchCountsOnlyAsFirstParameterInItsOwnCase) {
  EXPECT_EQ(Run(QStringList{"ldtoril", "/userpassword"}), 0);
  EXPECT_TRUE(mainShown);
  EXPECT_EQ(Run(QStringList{"ldtoril", "list", "/UserPassword"}), 0);
  EXPECT_TRUE(mainShown);
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr"));

  // The editor runs alone: it creates the missing user file, and its closing leaves no lock.
  std::string title;
  script.Then([&](QDialog& d) {
    title = d.windowTitle().toStdString();
    d.reject();
  });
  EXPECT_EQ(Run(QStringList{"ldtoril", "/UserPassword"}), 0);
  EXPECT_EQ(title, "Список пользователей");
  EXPECT_FALSE(mainShown);
  EXPECT_TRUE(fs::exists(dir / "ldtoril.usr"));
  EXPECT_FALSE(fs::exists(dir / "ldtoril.usr~"));
  EXPECT_NE(Ini().find("[MultiUser]"), std::string::npos);
}

TEST_F(ProgramStart, RefusedLoginEndsTheProgramAndKeepsTheSettings) {
  test::WriteBytes(dir / "ldtoril.ini", "[Regim]\r\nIter1=77\r\n[MultiUser]\r\nFlag=1\r\n");
  std::string title;
  script.Then([&](QDialog& d) {
    title = d.windowTitle().toStdString();
    d.reject();
  });
  EXPECT_EQ(Run(QStringList{"ldtoril"}), 0);
  EXPECT_EQ(title, "Выбор пользователя");
  EXPECT_FALSE(mainShown);
  const std::string ini = Ini();
  for (const char* key : {"Iter1=77", "Flag=1", "[Losses]"}) EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
}

// The main window over the work windows, with the program's layout file while it lives.
struct Windows {
  struct Layouts {
    const std::string saved = MaketFileName;
    Layouts() { MaketFileName = (test::DataDir() / "maket.zr").string(); }
    ~Layouts() { MaketFileName = saved; }
  } layouts;
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
  EXPECT_EQ(w.main.size(), QSize(366, 25));
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
  EXPECT_TRUE(w.zregim.isVisible() && !w.baseRes.isVisible());
  EXPECT_EQ(std::pair(w.zregim.Tag(), w.zregim.y()), std::pair(w.main.frameGeometry().height(), w.main.frameGeometry().height()));
  click("BresBtn");
  click("TKZBtn");
  EXPECT_TRUE(w.baseRes.isVisible() && w.tkz.isVisible());
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

// The files whose saving the close queries asked about, in turn; the calls are forgotten.
std::vector<std::string> AskedFiles(test::ScriptedMsgBox& box) {
  std::vector<std::string> files;
  for (const auto& call : box.Calls()) {
    EXPECT_EQ(call.buttons, mbYesNoCancel) << call.text;
    const auto open = call.text.find('"') + 1;
    files.push_back(call.text.substr(open, call.text.find('"', open) - open));
  }
  box.Clear();
  return files;
}

TEST(MainWindow, CloseChainStopsAtTheFirstWindowThatRefuses) {
  test::TempDir dir;
  test::ScriptedMsgBox box;
  // the regime window writes its diagram settings when it closes
  const std::string savedConfig = ConfigFileName;
  ConfigFileName = dir / "ldtoril.ini";
  Windows w;
  w.main.show();
  for (const char* name : {"BresBtn", "ZregBtn", "TKZBtn"}) w.main.findChild<QToolButton*>(name)->click();
  EditNewTable(w.baseRes.DataGrid(), dir / "base.usr");
  EditNewTable(w.zregim.DataGrid(), dir / "regime.usr");
  EditNewTable(w.tkz.DataGrid(), dir / "tkz.usr");
  EditNewTable(w.tkz.RadiusGrid(), dir / "radius.usr");
  using Files = std::vector<std::string>;

  // "Нет" lets the district window go without saving; "Отмена" keeps the regime window open, and
  // the short-circuit window is not asked.
  box.Answer(0).Answer(2);
  EXPECT_FALSE(w.main.close());
  EXPECT_EQ(AskedFiles(box), (Files{"base.usr", "regime.usr"}));
  EXPECT_TRUE(w.main.isVisible() && !w.baseRes.isVisible() && w.zregim.isVisible() && w.tkz.isVisible());
  EXPECT_TRUE(!fs::exists(dir / "base.usr~") && fs::exists(dir / "regime.usr~"));

  // The short-circuit window asks for its second table only when the first was not cancelled.
  box.Answer(1).Answer(1).Answer(2);
  EXPECT_FALSE(w.main.close());
  EXPECT_EQ(AskedFiles(box), (Files{"regime.usr", "tkz.usr", "radius.usr"}));
  EXPECT_TRUE(!w.zregim.isVisible() && w.tkz.isVisible());
  EXPECT_TRUE(!w.tkz.DataGrid().Modified() && w.tkz.RadiusGrid().Modified());

  // Its own close button asks the same question.
  box.Answer(2).Answer(1);
  EXPECT_FALSE(w.tkz.close());
  EXPECT_TRUE(w.tkz.isVisible());
  EXPECT_TRUE(w.main.close());
  EXPECT_EQ(AskedFiles(box), (Files{"radius.usr", "radius.usr"}));
  EXPECT_FALSE(w.tkz.isVisible() || w.main.isVisible());
  for (const char* lock : {"base.usr~", "regime.usr~", "tkz.usr~", "radius.usr~"})
    EXPECT_FALSE(fs::exists(dir / lock)) << lock;
  ConfigFileName = savedConfig;
}

// Where the window manager has put a client window and its frame, in screen pixels.
struct Placement {
  int clientTop = 0, frameTop = 0, frameBottom = 0;  // frameBottom is the first row below the frame
};

// The placement once the window manager has framed the window (its frame extents are set).
bool Placed(Display* display, Window window, Placement& place) {
  const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  for (int attempt = 0; attempt < 100; ++attempt, std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) != Success || !data) continue;
    long sides[4] = {};  // left, right, top, bottom
    if (count == 4) std::copy_n(reinterpret_cast<long*>(data), 4, sides);
    XFree(data);
    if (count != 4) continue;
    XWindowAttributes attributes;
    int x = 0, y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        !XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child))
      continue;
    place = {y, y - static_cast<int>(sides[2]), y + attributes.height + static_cast<int>(sides[3])};
    return true;
  }
  return false;
}

// A left click at a point of a window, as the window system delivers it.
void ClickAt(Display* display, Window window, int x, int y) {
  for (const int type : {ButtonPress, ButtonRelease}) {
    XEvent event{};
    event.xbutton.type = type;
    event.xbutton.display = display;
    event.xbutton.window = window;
    event.xbutton.root = DefaultRootWindow(display);
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.button = Button1;
    event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
    event.xbutton.same_screen = True;
    XSendEvent(display, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
  }
  XFlush(display);
}

TEST(MainWindowUnderWindowManager, TitleBarStaysOnTheScreenAndWorkWindowsOpenBelowTheStrip) {
  const std::string wm = "/usr/bin/openbox";
  if (!fs::exists(wm)) GTEST_SKIP() << "no window manager to try the placement with";
  test::XDisplay x;
  if (!x.Ok()) GTEST_SKIP() << "no virtual display";
  test::TempDir dir;
  fs::copy_file(LDTORIL_EXE, dir / "ldtoril");
  fs::copy_file(test::DataDir() / "maket.zr", dir / "maket.zr");
  std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(x.Name().c_str()), XCloseDisplay);
  ASSERT_TRUE(display);
  x.Start({wm, "--sm-disable"});
  ASSERT_TRUE(x.WaitWindowManager(5));
  x.Start({dir / "ldtoril"}, dir.Path().string());

  const Window main = x.WaitWindow("ЛД ТОРИЛ", 60);
  ASSERT_NE(main, 0u);
  Placement strip;
  ASSERT_TRUE(Placed(display.get(), main, strip));
  EXPECT_EQ(strip.frameTop, 0) << "the title bar is on the screen";
  EXPECT_GT(strip.clientTop, strip.frameTop) << "the window manager drew a title bar";

  ClickAt(display.get(), main, 180, 12);  // "Режим"
  const Window work = x.WaitWindow("Z-режим", 20);
  ASSERT_NE(work, 0u);
  Placement below;
  ASSERT_TRUE(Placed(display.get(), work, below));
  EXPECT_EQ(below.frameTop, strip.frameBottom) << "the work window's title bar just below the strip";
  x.Close(main);
}

}  // namespace
}  // namespace ld::gui
