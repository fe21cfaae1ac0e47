#pragma once
// A virtual X display for running the real program in tests: starts Xvfb and programs on it, finds
// top-level windows by title and asks them to close the way a window manager does.
#include <string>
#include <vector>

namespace ld::test {

class XDisplay {
public:
  XDisplay();  // starts Xvfb on a free display number; Ok() tells whether it runs
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  bool Ok() const { return connection_ != nullptr; }
  std::string Name() const { return ":" + std::to_string(number_); }

  // Starts a program on this display (in `folder` when given); it is stopped with the display.
  void Start(const std::vector<std::string>& args, const std::string& folder = "");
  // Waits until a window manager has announced itself on the display.
  bool WaitWindowManager(double seconds);

  // Waits up to `seconds` for a mapped top-level window with this title; 0 when none came.
  unsigned long WaitWindow(const std::string& title, double seconds);
  // Sends WM_DELETE_WINDOW, as the window's close button does.
  void Close(unsigned long window);

private:
  unsigned long FindWindow(const std::string& title);

  int number_ = 0;
  int serverPid_ = 0;
  std::vector<int> programs_;
  void* connection_ = nullptr;  // Display*
};

}  // namespace ld::test
