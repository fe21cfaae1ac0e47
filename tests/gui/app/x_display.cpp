#include "x_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

namespace ld::test {

namespace {

Display* Dpy(void* connection) { return static_cast<Display*>(connection); }

std::string WindowTitle(Display* display, Window window) {
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return title;
}

}  // namespace

XDisplay::XDisplay() {
  if (!std::filesystem::exists("/usr/bin/Xvfb")) return;
  for (int candidate = 90 + getpid() % 100; candidate < 400; ++candidate) {
    if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(candidate)) ||
        std::filesystem::exists("/tmp/.X" + std::to_string(candidate) + "-lock"))
      continue;
    number_ = candidate;
    break;
  }
  if (number_ == 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string display = ":" + std::to_string(number_);
    execl("/usr/bin/Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  serverPid_ = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if ((connection_ = XOpenDisplay(Name().c_str()))) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

XDisplay::~XDisplay() {
  for (const int pid : programs_) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  if (connection_) XCloseDisplay(Dpy(connection_));
  if (serverPid_ > 0) {
    kill(serverPid_, SIGTERM);
    waitpid(serverPid_, nullptr, 0);
  }
}

void XDisplay::Start(const std::vector<std::string>& args, const std::string& folder) {
  const pid_t pid = fork();
  if (pid != 0) {
    if (pid > 0) programs_.push_back(pid);
    return;
  }
  if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
  setenv("DISPLAY", Name().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

bool XDisplay::WaitWindowManager(double seconds) {
  Display* display = Dpy(connection_);
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                       &after, &data);
    if (data) XFree(data);
    if (count == 1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

unsigned long XDisplay::FindWindow(const std::string& title) {
  Display* display = Dpy(connection_);
  std::vector<Window> pending{DefaultRootWindow(display)};
  while (!pending.empty()) {
    const Window window = pending.back();
    pending.pop_back();
    XWindowAttributes attributes;
    if (window != DefaultRootWindow(display) && XGetWindowAttributes(display, window, &attributes) &&
        attributes.map_state == IsViewable && WindowTitle(display, window) == title)
      return window;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
      pending.insert(pending.end(), children, children + count);
      if (children) XFree(children);
    }
  }
  return 0;
}

unsigned long XDisplay::WaitWindow(const std::string& title, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (Ok() && std::chrono::steady_clock::now() < deadline) {
    if (const unsigned long window = FindWindow(title)) {
      // Mapped is not yet painted: give the program a moment before anyone clicks into it.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      return window;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 0;
}

void XDisplay::Close(unsigned long window) {
  Display* display = Dpy(connection_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

}  // namespace ld::test
