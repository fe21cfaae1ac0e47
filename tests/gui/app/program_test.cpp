// The program's start, main tool bar and close chain in this process and under a window manager; the login
// and the user list editor with its row checks and the locks it leaves (none of its own).
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/codepage.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/app/login.h"
#include "gui/app/main_form.h"
#include "gui/app/program.h"
#include "gui/app/user_file.h"
#include "gui/app/user_form.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/common/full_build.h"
#include "gui/diagram/sch_view_form.h"
#include "gui/district/base_res_form.h"
#include "gui/optim/form_tkz.h"
#include "gui/regime/zregim_form.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/table_rows.h"
#include "support/test_env.h"

// Xlib's macros (Bool, Status, None) come after every other header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <functional>
#include <thread>

namespace ld::gui {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// The program run in this process from a program folder of its own; the main window, once it shows,
// is looked at and closed.
class ProgramStart : public ::testing::Test {
protected:
  ProgramStart() { fs::copy_file(test::DataDir() / "maket.zr", dir / "maket.zr"); }
  ~ProgramStart() override { MaketFileName = savedMaket, ProgramDir.clear(), MultiUserFlag = false, IniRec = TIniRec{}; }
  int Run(const QStringList& args) {
    SetStartPaths(dir / "ldtoril");
    mainShown = allMade = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!MainForm || !MainForm->isVisible()) return;
      poll.stop(), mainShown = true;
      allMade = BaseResForm && ZregimForm && FormTKZ && CatalogForm && SchViewForm;
      userAtStart = {CurrentUserName, UserAccess};
      if (whileShown) whileShown();
      MainForm->close();
    });
    poll.start(10);
    return RunStartedProgram(args);
  }
  // The user list editor alone, the shortest way through the start; `title` gets its caption.
  int RunEditor(const QStringList& args = {"ldtoril", "/UserPassword"}) {
    script.Then([&](QDialog& d) { title = d.windowTitle().toStdString(), d.reject(); });
    return Run(args);
  }
  std::string Ini() const { return Cp1251ToUtf8(test::ReadBytes(dir / "ldtoril.ini")); }

  test::TempDir dir;
  test::ScriptedMsgBox box;
  test::ModalScript script;
  const std::string savedMaket = MaketFileName;
  bool mainShown = false, allMade = false;
  std::string title;
  std::pair<std::string, int> userAtStart;
  std::function<void()> whileShown;  // what the test does in the running program before it closes
};

TEST_F(ProgramStart, WithoutLoginTheUserStaysUnnamedWithFullRightsAndTheSettingsAreWritten) {
  CurrentUserName.clear(), UserAccess = 1;  // as a fresh process has them
  // The wheel crossing a list in any window of the running program leaves its choice alone.
  int wheeled = -1;
  whileShown = [&] {
    QComboBox list(MainForm);
    list.addItems({"мощность", "энергия", "емк. токи"});
    QWheelEvent turn(QPointF(5, 5), list.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -240), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&list, &turn);
    wheeled = list.currentIndex();
  };
  EXPECT_EQ(Run(QStringList{"ldtoril"}), 0);
  EXPECT_EQ(wheeled, 0);
  EXPECT_EQ(std::pair(ConfigFileName, MaketFileName), std::pair(dir / "ldtoril.ini", dir / "maket.zr"));
  EXPECT_TRUE(mainShown && allMade);
  EXPECT_EQ(userAtStart, std::pair(std::string(), 1));
  EXPECT_NE(Ini().find("Path=" + dir.Path().string() + "/"), std::string::npos) << Ini();
  // The nominal voltages are read at start; a folder without them gets the default list.
  EXPECT_TRUE(fs::exists(dir / "sprav_UN.cat"));
  EXPECT_EQ(IniRec.UnomList->Count, 15);
  EXPECT_TRUE(box.Calls().empty());
}

TEST_F(ProgramStart, UserListSwitchOnlyFirstInItsOwnCaseARefusedLoginEndsTheProgramKeepingTheSettings) {
  for (const QStringList& args : {QStringList{"ldtoril", "/userpassword"}, QStringList{"ldtoril", "list", "/UserPassword"}})
    EXPECT_TRUE(Run(args) == 0 && mainShown) << args.join(' ').toStdString();
  // The editor runs alone: it creates the missing user file, and its closing leaves no lock.
  EXPECT_EQ(RunEditor(), 0);
  EXPECT_EQ(title, "Список пользователей");
  EXPECT_TRUE(!mainShown && fs::exists(dir / "ldtoril.usr") && !fs::exists(dir / "ldtoril.usr~"));
  test::WriteBytes(dir / "ldtoril.ini", "[Regim]\r\nIter1=77\r\n[MultiUser]\r\nFlag=1\r\n");
  EXPECT_EQ(RunEditor({"ldtoril"}), 0);
  EXPECT_TRUE(title == "Выбор пользователя" && !mainShown);
  for (const char* key : {"Iter1=77", "Flag=1", "[Losses]"}) EXPECT_NE(Ini().find(key), std::string::npos) << key;
}

TEST_F(ProgramStart, MessagesNameTheFileThatIsAFolder) {
  fs::create_directory(dir / "ldtoril.ini");
  fs::create_directory(dir / "sprav_UN.cat");
  RunEditor();
  EXPECT_EQ(box.Texts(), (Texts{"Ошибка чтения файла конфигурации ldtoril.ini: это папка, а не файл",
                                "Ошибка чтения файла конфигурации ldtoril.ini: Ошибка чтения файла \"" +
                                    (dir / "sprav_UN.cat") + "\": это папка, а не файл",
                                "Ошибка записи файла конфигурации ldtoril.ini: это папка, а не файл"}));
}

TEST_F(ProgramStart, TheWorkWindowsOpenWithinTheScreenThoughLaidOutForALargerOne) {
  std::vector<std::string> outside;
  whileShown = [&] {
    const QRect area = MainForm->screen()->availableGeometry();
    for (const char* button : {"BresBtn", "ZregBtn", "TKZBtn"}) MainForm->findChild<QToolButton*>(button)->click();
    QApplication::processEvents();
    for (const QWidget* window : {static_cast<QWidget*>(BaseResForm), static_cast<QWidget*>(ZregimForm),
                                  static_cast<QWidget*>(FormTKZ)})
      if (!window->isVisible() || !area.contains(window->frameGeometry()) ||
          window->frameGeometry().top() < MainForm->frameGeometry().bottom())
        outside.push_back(window->windowTitle().toStdString());
  };
  ASSERT_LT(QGuiApplication::primaryScreen()->availableGeometry().width(), 1000) << "a screen smaller than the windows";
  EXPECT_EQ(Run(QStringList{"ldtoril"}), 0);
  EXPECT_TRUE(mainShown);
  EXPECT_EQ(outside, Texts{});
}

// Opens a new empty table file in the grid and takes its lock, as a first edit does.
void EditNewTable(TDataGrid5& grid, const std::string& fileName) {
  CreateEmptyTableFile(fileName, LayoutUsers, "таблица");
  grid.OpenFile(fileName, 1, 1, 1, true, true, true);
  grid.LockOnce();
}

// The files whose saving the close queries asked about, in turn; the calls are forgotten.
Texts AskedFiles(test::ScriptedMsgBox& box) {
  Texts files;
  for (const auto& call : box.Calls()) {
    const auto open = call.text.find('"') + 1;
    files.push_back(call.text.substr(open, call.text.find('"', open) - open));
  }
  box.Clear();
  return files;
}

// "/ALL" among the arguments, in any letter case, is the full build: the main window keeps all six
// buttons; without it three show, 366 pixels wide.
TEST(MainWindow, TheFullBuildSwitchShowsAllSixButtons) {
  EXPECT_TRUE(HasShowAllSwitch({"ldtoril", "/debug", "/all"}));
  EXPECT_FALSE(HasShowAllSwitch({"/ALL"}));  // the program itself, not an argument
  EXPECT_FALSE(HasShowAllSwitch({"ldtoril", "ALL", "/ALL2"}));
  const auto shown = [] {
    TMainForm main;
    main.show();
    std::vector<std::string> names;
    for (QToolButton* b : main.findChildren<QToolButton*>())
      if (b->isVisible()) names.push_back(b->objectName().toStdString());
    return std::pair(names.size(), main.width());
  };
  EXPECT_EQ(shown(), std::pair(std::size_t{3}, 366));
  SetShowAllCommands(true);
  EXPECT_EQ(shown(), std::pair(std::size_t{6}, 720));
  SetShowAllCommands(false);
}

TEST(MainWindow, PutsTheWorkWindowsBelowItselfAndItsCloseChainStopsAtTheFirstWindowThatRefuses) {
  test::TempDir dir;
  test::ScriptedMsgBox box;
  const std::string savedConfig = ConfigFileName, savedMaket = MaketFileName;
  ConfigFileName = dir / "ldtoril.ini";  // the regime window writes its diagram settings when it closes
  MaketFileName = (test::DataDir() / "maket.zr").string();
  {
    TMainForm main;
    TBaseResForm baseRes;
    TZregimForm zregim;
    TFormTKZ tkz;
    main.SetWorkWindows(&baseRes, &zregim, &tkz);
    main.show();
    EXPECT_EQ(std::tuple(main.windowTitle(), main.size(), main.pos()), std::tuple(QString("ЛД ТОРИЛ"), QSize(366, 25), QPoint(0, 0)));
    for (const char* name : {"ZregBtn", "BresBtn", "TKZBtn", "TKZBtn"}) main.findChild<QToolButton*>(name)->click();
    EXPECT_TRUE(zregim.isVisible() && baseRes.isVisible() && tkz.isVisible());
    EXPECT_EQ(std::pair(zregim.Tag(), zregim.y()), std::pair(main.frameGeometry().height(), main.frameGeometry().height()));
    EditNewTable(baseRes.DataGrid(), dir / "base.usr");
    EditNewTable(zregim.DataGrid(), dir / "regime.usr");
    EditNewTable(tkz.DataGrid(), dir / "tkz.usr");
    EditNewTable(tkz.RadiusGrid(), dir / "radius.usr");
    // "Нет" lets the district window go unsaved; "Отмена" keeps the regime window, and the short-circuit
    // window is not asked.
    box.Answer(0).Answer(2);
    EXPECT_FALSE(main.close());
    EXPECT_EQ(AskedFiles(box), (Texts{"base.usr", "regime.usr"}));
    EXPECT_TRUE(main.isVisible() && !baseRes.isVisible() && zregim.isVisible() && tkz.isVisible());
    EXPECT_TRUE(!fs::exists(dir / "base.usr~") && fs::exists(dir / "regime.usr~"));
    // The short-circuit window asks for its second table only when the first was not cancelled.
    box.Answer(1).Answer(1).Answer(2);
    EXPECT_FALSE(main.close());
    EXPECT_EQ(AskedFiles(box), (Texts{"regime.usr", "tkz.usr", "radius.usr"}));
    EXPECT_TRUE(!zregim.isVisible() && !tkz.DataGrid().Modified() && tkz.RadiusGrid().Modified());
    box.Answer(1);
    EXPECT_TRUE(main.close());
    EXPECT_FALSE(tkz.isVisible() || main.isVisible());
    for (const char* lock : {"base.usr~", "regime.usr~", "tkz.usr~", "radius.usr~"})
      EXPECT_FALSE(fs::exists(dir / lock)) << lock;
  }
  ConfigFileName = savedConfig, MaketFileName = savedMaket;
}

// Forks a program of the display. It runs in a process group of its own, which the display stops whole,
// and the kernel kills it when the test process dies, however it dies (a time limit's SIGKILL included):
// a server or window manager never outlives its test. 0 in the child.
pid_t ForkTiedToTest() {
  const pid_t test = getpid();
  const pid_t pid = fork();
  if (pid > 0) setpgid(pid, pid);  // in both processes, so that the group exists whichever runs first
  if (pid != 0) return pid;
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != test) _exit(126);  // the test died before the tie was made
  return 0;
}

// A virtual X display with its programs, stopped with it.
class XDisplay {
public:
  explicit XDisplay(const char* screen = "1024x768x24") {
    if (!fs::exists("/usr/bin/Xvfb")) return;
    for (int n = 90 + getpid() % 100; n < 400 && number_ == 0; ++n)
      if (LockHolder(n) == 0) number_ = n;
    if (number_ == 0) return;
    previous_ = XSetErrorHandler(IgnoreGoneWindow);
    handlerSet_ = true;
    const std::string name = Name();
    if ((server_ = ForkTiedToTest()) == 0) {
      execl("/usr/bin/Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen, "-nolisten", "tcp", nullptr);
      _exit(127);
    }
    WaitFor(20, [&] { return (d_ = XOpenDisplay(Name().c_str())) != nullptr; });
  }
  ~XDisplay() {
    for (const int pid : programs_) kill(-pid, SIGKILL), waitpid(pid, nullptr, 0);
    if (d_) XCloseDisplay(d_);
    if (server_ > 0) kill(-server_, SIGTERM), waitpid(server_, nullptr, 0);
    if (handlerSet_) XSetErrorHandler(previous_);
  }
  // The process that holds display n's lock, 0 when none does: a server killed outright leaves its lock
  // behind, and the next server takes such a lock over.
  static int LockHolder(int n) {
    std::ifstream lock("/tmp/.X" + std::to_string(n) + "-lock");
    int pid = 0;
    if (!lock) return 0;
    if (!(lock >> pid) || pid <= 0) return -1;  // being written, or not a lock of ours to judge
    return kill(pid, 0) == 0 || errno == EPERM ? pid : 0;
  }
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;
  bool Ok() const { return d_ != nullptr; }
  std::string Name() const { return ":" + std::to_string(number_); }
  int Number() const { return number_; }
  Display* Connection() const { return d_; }
  // The server first, then the programs started on it.
  std::vector<int> Pids() const {
    std::vector<int> pids{server_};
    pids.insert(pids.end(), programs_.begin(), programs_.end());
    return pids;
  }

  void Start(const std::vector<std::string>& args, const std::string& folder = "") {
    if (const pid_t pid = ForkTiedToTest(); pid != 0) {
      if (pid > 0) programs_.push_back(pid);
      return;
    }
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
    setenv("DISPLAY", Name().c_str(), 1), setenv("QT_QPA_PLATFORM", "xcb", 1), setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  bool WaitWindowManager() {
    return WaitFor(5, [&] { return Property(DefaultRootWindow(d_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).size() == 1; });
  }
  // A mapped top-level window with this title; 0 when none came.
  Window WaitWindow(const std::string& title, double seconds) {
    Window found = 0;
    WaitFor(seconds, [&] {
      std::vector<Window> pending{DefaultRootWindow(d_)};
      while (!found && !pending.empty()) {
        const Window w = pending.back();
        pending.pop_back();
        XWindowAttributes a;
        std::string name;
        if (w != DefaultRootWindow(d_) && XGetWindowAttributes(d_, w, &a) && a.map_state == IsViewable &&
            (Property(w, "_NET_WM_NAME", XInternAtom(d_, "UTF8_STRING", False), &name), name == title))
          found = w;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d_, w, &root, &parent, &children, &count) && children) {
          pending.insert(pending.end(), children, children + count);
          XFree(children);
        }
      }
      return found != 0;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // mapped is not yet painted
    return found;
  }
  // Where the window manager framed the window: client top, frame top, first row below the frame. With
  // 'wanted', waits until the place is the wanted one, since a window may be framed before the program
  // has moved it where it belongs; the place is the last one seen.
  bool Placed(Window window, std::array<int, 3>& place,
              const std::function<bool(const std::array<int, 3>&)>& wanted = {}) {
    return WaitFor(wanted ? 20 : 5, [&] {
      std::array<int, 4> frame{};
      int clientTop = 0;
      if (!Frame(window, frame, clientTop)) return false;
      place = {clientTop, frame[1], frame[3]};
      return !wanted || wanted(place);
    });
  }
  // Waits until the window's frame, borders included, lies within the screen from the row 'top' down; the
  // frame's left, top, right and bottom edges (exclusive) as they were last seen.
  bool FrameWithin(Window window, int top, int width, int height, std::array<int, 4>& frame) {
    return WaitFor(20, [&] {
      int clientTop = 0;
      return Frame(window, frame, clientTop) && frame[0] >= 0 && frame[1] >= top && frame[2] <= width &&
             frame[3] <= height;
    });
  }
  // Asks the window manager to close the window, as Alt+F4 or the close button of its title bar does, and
  // waits until the window has left the screen.
  bool Close(Window window) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d_, "_NET_CLOSE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = CurrentTime;
    e.xclient.data.l[1] = 2;  // asked for by the person
    XSendEvent(d_, DefaultRootWindow(d_), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(d_);
    return WaitFor(20, [&] {
      XWindowAttributes a;
      return !XGetWindowAttributes(d_, window, &a) || a.map_state != IsViewable;
    });
  }
  void Click(Window window, int x, int y) {
    for (const int type : {ButtonPress, ButtonRelease}) {
      XEvent e{};
      e.xbutton = {type, 0, False, d_, window, DefaultRootWindow(d_), 0, CurrentTime, x, y, 0, 0,
                   type == ButtonRelease ? Button1Mask : 0u, Button1, True};
      XSendEvent(d_, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    }
    XFlush(d_);
  }

private:
  // Windows of the program come and go while they are looked at: one gone in between (BadWindow) is no
  // error. Any other error fails the test.
  static int IgnoreGoneWindow(Display* d, XErrorEvent* e) {
    if (e->error_code == BadWindow) return 0;
    char text[256] = {};
    XGetErrorText(d, e->error_code, text, sizeof text - 1);
    ADD_FAILURE() << "X error " << text << " of request " << static_cast<int>(e->request_code);
    return 0;
  }
  static bool WaitFor(double seconds, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (; std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(std::chrono::milliseconds(50)))
      if (done()) return true;
    return false;
  }
  // The window's frame as the window manager drew it, borders included: left, top, right and bottom
  // edges (exclusive), and the top of the client; false while the frame is not there yet.
  bool Frame(Window window, std::array<int, 4>& frame, int& clientTop) {
    const std::vector<long> sides = Property(window, "_NET_FRAME_EXTENTS", XA_CARDINAL);  // left right top bottom
    XWindowAttributes a;
    int x = 0, y = 0;
    Window child = 0;
    if (sides.size() != 4 || !XGetWindowAttributes(d_, window, &a) ||
        !XTranslateCoordinates(d_, window, DefaultRootWindow(d_), 0, 0, &x, &y, &child))
      return false;
    frame = {x - static_cast<int>(sides[0]), y - static_cast<int>(sides[2]), x + a.width + static_cast<int>(sides[1]),
             y + a.height + static_cast<int>(sides[3])};
    clientTop = y;
    return true;
  }
  // A window property's 32-bit items, or its text.
  std::vector<long> Property(Window w, const char* name, Atom type, std::string* text = nullptr) {
    Atom got = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> items;
    if (XGetWindowProperty(d_, w, XInternAtom(d_, name, False), 0, 1024, False, type, &got, &format, &count, &after,
                           &data) == Success && data) {
      if (text) text->assign(reinterpret_cast<char*>(data), count);
      if (format == 32) items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
      XFree(data);
    }
    return items;
  }

  int number_ = 0, server_ = 0;
  std::vector<int> programs_;
  Display* d_ = nullptr;
  XErrorHandler previous_ = nullptr;
  bool handlerSet_ = false;
};

TEST(VirtualDisplay, AWindowThatIsGoneIsNoErrorAnyOtherErrorFailsTheTest) {
  XDisplay x;
  if (!x.Ok()) GTEST_SKIP() << "no virtual display";
  Display* d = x.Connection();
  const Window gone = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(d, gone);
  XWindowAttributes a;
  EXPECT_FALSE(XGetWindowAttributes(d, gone, &a));
  XSync(d, False);
  EXPECT_NONFATAL_FAILURE(
      {
        XFreePixmap(d, gone);
        XSync(d, False);
      },
      "BadPixmap");
}

// A test process killed with SIGKILL (as a time limit ends it) while its display runs: the server and
// the window manager go with it.
TEST(VirtualDisplay, ItsProgramsEndWithTheTestProcessThoughItIsKilled) {
  const std::string wm = "/usr/bin/openbox";
  if (!fs::exists(wm) || !fs::exists("/usr/bin/Xvfb")) GTEST_SKIP() << "no virtual display with a window manager";
  int pipe_[2];
  ASSERT_EQ(pipe(pipe_), 0);
  // The programs left by the killed process come to this one, which reaps them, rather than to an init
  // that may leave them unreaped.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  struct Reaper {
    ~Reaper() { prctl(PR_SET_CHILD_SUBREAPER, 0); }
  } reaper;
  const pid_t test = fork();
  ASSERT_GE(test, 0);
  if (test == 0) {
    close(pipe_[0]);
    XDisplay x;
    std::vector<int> pids;
    if (x.Ok()) x.Start({wm, "--sm-disable"});
    if (x.Ok() && x.WaitWindowManager()) pids = x.Pids(), pids.push_back(x.Number());
    const int count = static_cast<int>(pids.size());
    if (write(pipe_[1], &count, sizeof count) != sizeof count ||
        write(pipe_[1], pids.data(), pids.size() * sizeof(int)) != static_cast<ssize_t>(pids.size() * sizeof(int)))
      _exit(1);
    for (;;) pause();
  }
  close(pipe_[1]);
  int count = 0;
  std::vector<int> pids;
  if (read(pipe_[0], &count, sizeof count) == sizeof count && count > 0) {
    pids.resize(static_cast<std::size_t>(count));
    if (read(pipe_[0], pids.data(), pids.size() * sizeof(int)) != static_cast<ssize_t>(pids.size() * sizeof(int)))
      pids.clear();
  }
  close(pipe_[0]);
  const int number = pids.empty() ? 0 : pids.back();
  if (!pids.empty()) pids.pop_back();
  // Held before the test process is killed, so that a process number given to another process later is
  // never looked at.
  std::vector<int> handles;
  for (const int pid : pids) handles.push_back(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
  kill(test, SIGKILL);
  waitpid(test, nullptr, 0);
  if (pids.empty()) GTEST_SKIP() << "the display or its window manager did not come";
  ASSERT_EQ(pids.size(), 2u);
  for (std::size_t k = 0; k < pids.size(); ++k) {
    ASSERT_GE(handles[k], 0) << pids[k];
    pollfd ended{handles[k], POLLIN, 0};
    // Ended at once in fact; the bound only keeps a process that is left from holding up the suite.
    EXPECT_EQ(poll(&ended, 1, 30000), 1) << (k == 0 ? "the server" : "the window manager") << " outlived the test";
    syscall(SYS_pidfd_send_signal, handles[k], SIGKILL, nullptr, 0);
    close(handles[k]);
    waitpid(pids[k], nullptr, 0);
  }
  // What the killed server could not remove itself.
  if (XDisplay::LockHolder(number) == 0) {
    std::error_code ignored;
    fs::remove("/tmp/.X" + std::to_string(number) + "-lock", ignored);
    fs::remove("/tmp/.X11-unix/X" + std::to_string(number), ignored);
  }
}

// The window manager and then the program from a fresh program folder on the display; the program's
// main window, or 0 when either did not come.
Window StartUnderWindowManager(XDisplay& x, const std::string& wm, const test::TempDir& dir) {
  fs::copy_file(LDTORIL_EXE, dir / "ldtoril");
  fs::copy_file(test::DataDir() / "maket.zr", dir / "maket.zr");
  x.Start({wm, "--sm-disable"});
  if (!x.WaitWindowManager()) return 0;
  x.Start({dir / "ldtoril"}, dir.Path().string());
  return x.WaitWindow("ЛД ТОРИЛ", 60);
}

TEST(MainWindowUnderWindowManager, TitleBarStaysOnTheScreenAndWorkWindowsOpenBelowTheStrip) {
  const std::string wm = "/usr/bin/openbox";
  if (!fs::exists(wm)) GTEST_SKIP() << "no window manager to try the placement with";
  XDisplay x;
  if (!x.Ok()) GTEST_SKIP() << "no virtual display";
  test::TempDir dir;
  const Window main = StartUnderWindowManager(x, wm, dir);
  std::array<int, 3> strip{}, below{};  // client top, frame top, first row below the frame
  ASSERT_TRUE(main != 0 && x.Placed(main, strip));
  EXPECT_EQ(strip[1], 0) << "the title bar is on the screen";
  EXPECT_GT(strip[0], strip[1]) << "the window manager drew a title bar";
  x.Click(main, 180, 12);  // "Режим"
  const Window work = x.WaitWindow("Z-режим", 20);
  ASSERT_TRUE(work != 0 && x.Placed(work, below, [&](const std::array<int, 3>& p) { return p[1] == strip[2]; }));
  EXPECT_EQ(below[1], strip[2]) << "the work window's title bar just below the strip";
}

// The district window opens maximised below the strip, and the regime window is laid out larger than
// this screen: both frames, borders included, stay on it.
TEST(MainWindowUnderWindowManager, WorkWindowsFitAScreenSmallerThanTheyWereLaidOutFor) {
  const std::string wm = "/usr/bin/openbox";
  if (!fs::exists(wm)) GTEST_SKIP() << "no window manager to try the placement with";
  XDisplay x("800x560x24");
  if (!x.Ok()) GTEST_SKIP() << "no virtual display";
  test::TempDir dir;
  const Window main = StartUnderWindowManager(x, wm, dir);
  std::array<int, 3> strip{};
  ASSERT_TRUE(main != 0 && x.Placed(main, strip));
  for (const auto& [button, title] : {std::pair(60, "База РЭС"), std::pair(180, "Z-режим")}) {
    x.Click(main, button, 12);
    const Window work = x.WaitWindow(title, 20);
    ASSERT_NE(work, 0u) << title;
    std::array<int, 4> frame{};
    // The window manager may show a window before the program has moved it in: the frame is awaited
    // where it belongs, on the screen below the strip.
    EXPECT_TRUE(x.FrameWithin(work, strip[2], 800, 560, frame))
        << title << ": " << frame[0] << "," << frame[1] << " - " << frame[2] << "," << frame[3] << " below "
        << strip[2];
  }
}

// A work window that the window manager closed (Alt+F4) opens again below the strip and on the screen,
// however often it is closed and opened, the district window as well as the others.
TEST(MainWindowUnderWindowManager, WorkWindowsClosedByTheWindowManagerReopenBelowTheStrip) {
  const std::string wm = "/usr/bin/openbox";
  if (!fs::exists(wm)) GTEST_SKIP() << "no window manager to try the placement with";
  XDisplay x("1366x768x24");
  if (!x.Ok()) GTEST_SKIP() << "no virtual display";
  test::TempDir dir;
  const Window main = StartUnderWindowManager(x, wm, dir);
  std::array<int, 3> strip{};
  ASSERT_TRUE(main != 0 && x.Placed(main, strip));
  const std::array<std::pair<int, const char*>, 3> windows{
      {{60, "База РЭС"}, {180, "Z-режим"}, {300, "Расчет токов трехфазного короткого замыкания"}}};
  for (int time = 1; time <= 3; ++time) {
    for (const auto& [button, title] : windows) {
      x.Click(main, button, 12);
      const Window work = x.WaitWindow(title, 20);
      ASSERT_NE(work, 0u) << title << ", opening " << time;
      std::array<int, 4> frame{};
      EXPECT_TRUE(x.FrameWithin(work, strip[2], 1366, 768, frame))
          << title << ", opening " << time << ": " << frame[0] << "," << frame[1] << " - " << frame[2] << ","
          << frame[3] << " below " << strip[2];
      ASSERT_TRUE(x.Close(work)) << title << ", opening " << time;
    }
  }
  // Opened together after all those closings: each below the strip and on the screen.
  std::vector<Window> open;
  for (const auto& [button, title] : windows) {
    x.Click(main, button, 12);
    open.push_back(x.WaitWindow(title, 20));
    ASSERT_NE(open.back(), 0u) << title;
  }
  for (std::size_t k = 0; k < open.size(); ++k) {
    std::array<int, 4> frame{};
    EXPECT_TRUE(x.FrameWithin(open[k], strip[2], 1366, 768, frame)) << windows[k].second << " with the others";
  }
}

}  // namespace
}  // namespace ld::gui

namespace ld::test {
namespace {

using gui::Texts;
namespace fs = gui::fs;

class UserList : public ::testing::Test {
protected:
  void SetUp() override {
    MaketFileName = (DataDir() / "maket.zr").string(), ProgramDir = dir.Path().string() + "/";
    gui::UserFileStem = dir / "ldtoril", CurrentUserName = "admin";
  }
  void TearDown() override { CurrentUserName.clear(), ProgramDir.clear(); }
  // Runs the editor; `steps` work its window.
  void Run(const std::function<void(gui::TUserForm&)>& steps) {
    script.Then([steps](QDialog& d) { steps(dynamic_cast<gui::TUserForm&>(d)); });
    gui::EditUserList();
  }
  // Types the texts of one row into the grid (user name, password, user data, access).
  static void TypeRow(gui::TDataGrid5& grid, int row, const Texts& texts) {
    grid.SetMode(gui::gmEdit), grid.GotoRow(row);
    for (std::size_t k = 0; k < texts.size(); ++k) {
      grid.MoveTo(static_cast<int>(k) + 1, grid.Row());
      grid.SetEditText(texts[k]);
    }
  }
  Texts SavedNames() const {
    TDataFile table;
    ReadTableFile(file, table);
    Texts names;
    for (int r = 1; r <= table.RowCount; ++r)
      names.push_back(GetCellText(table, r, 1, true) + "/" + GetCellText(table, r, 2, true) + "/" +
                      GetCellText(table, r, 4, true));
    return names;
  }

  TempDir dir;
  ScriptedMsgBox box;
  ModalScript script;
  std::string file = dir / "ldtoril.usr";
};

TEST_F(UserList, RowsAreCheckedNamesFirstAndSavedWithoutTrailingEmptyRows) {
  Run([&](gui::TUserForm& form) {
    EXPECT_TRUE(fs::exists(file));  // the missing file was created empty at once
    gui::TDataGrid5& grid = form.Grid();
    TypeRow(grid, 1, {"Иванов", "1", "инженер", "1"});
    TypeRow(grid, 2, {"Петров", "", "", "0"});
    TypeRow(grid, 3, {"", "3"});
    Press(form, "Button1");
    TypeRow(grid, 3, {"Сидоров"});
    Press(form, "Button1");
    EXPECT_EQ(box.Texts(), (Texts{"Не задан пользователь в строке 3", "Не задан пароль в строке 2"}));
    TypeRow(grid, 2, {"Петров", "2"});
    TypeRow(grid, 5, {" ", "", " "});  // blanks typed at the end do not stop the saving
    Press(form, "Button1");
  });
  EXPECT_EQ(SavedNames(), (Texts{"Иванов/1/1", "Петров/2/", "Сидоров/3/"}));
  EXPECT_FALSE(fs::exists(file + "~"));
}

TEST_F(UserList, CancelLeavesTheFileAndAStaleLockIsRemovedWhenTheUserSaysSo) {
  WriteRows(file, LayoutUsers, {{"Иванов", "1", "", "1"}});
  const std::string saved = ReadBytes(file);
  Run([&](gui::TUserForm& form) {
    TypeRow(form.Grid(), 1, {"Другой", "9", "мастер"});
    EXPECT_TRUE(fs::exists(file + "~"));
    Press(form, "Button2");
  });
  EXPECT_EQ(ReadBytes(file), saved);
  EXPECT_FALSE(fs::exists(file + "~"));

  // What an editor of this user on this workstation leaves when it dies: its name and workstation.
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  WriteBytes(file + "~", std::string(1, '\x05') + "admin" + std::string(1, static_cast<char>(std::strlen(host))) + host);
  box.Answer(1);
  Run([&](gui::TUserForm& form) {
    TypeRow(form.Grid(), 1, {"Иванов", "2"});
    Press(form, "Button1");
  });
  EXPECT_EQ(box.Texts(), Texts{"Файл \"" + fs::absolute(file).lexically_normal().string() +
                               "\" заблокирован программой, которая больше не работает. Удалить блокировку?"});
  EXPECT_EQ(SavedNames(), Texts{"Иванов/2/1"});
  EXPECT_FALSE(fs::exists(file + "~"));
}

// Picks the row (-1: none), types the password and presses the button.
void Answer(QDialog& form, int row, const char* password, const char* button = "OKBtn") {
  Child<QComboBox>(form, "UserBox").setCurrentIndex(row);
  Child<QLineEdit>(form, "PswEdit").setText(password);
  Press(form, button);
}

TEST_F(UserList, LoginRefusalsKeepTheDialogOpenTheChosenUserBecomesCurrentCancelLeavesItUnset) {
  // UserName, Password, UserData, Access
  WriteRows(file, LayoutUsers, {{"Иванов", "Qw1", "инженер ПТО", "1"}, {"Петров", "пароль", "", "0"}});
  script
      .Then([&](QDialog& form) {
        Answer(form, -1, "");
        Answer(form, 0, "qw1");  // passwords compare in their letter case
        EXPECT_EQ(box.Texts(), (Texts{"Не выбран пользователь", "Неверный пароль"}));
        EXPECT_TRUE(form.isVisible());
        Answer(form, 0, "Qw1");
      })
      .Then([](QDialog& form) { Answer(form, 1, "пароль"); })
      .Then([](QDialog& form) { Answer(form, 0, "Qw1", "CancelBtn"); });
  ASSERT_TRUE(gui::UserLogin());
  EXPECT_EQ(std::pair(CurrentUserName, +UserAccess), std::pair(std::string("Иванов, инженер ПТО"), 1));
  // Without user data the name stands alone; the right comes from the row.
  ASSERT_TRUE(gui::UserLogin());
  EXPECT_EQ(std::pair(CurrentUserName, +UserAccess), std::pair(std::string("Петров"), 0));
  CurrentUserName.clear();
  EXPECT_FALSE(gui::UserLogin());
  EXPECT_EQ(CurrentUserName, "");
  UserAccess = 1;
}

}  // namespace
}  // namespace ld::test
