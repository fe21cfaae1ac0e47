#pragma once
// A flag that is set for as long as the scope lives: a window's command marks itself busy so that the
// events it pumps do not start it again, and the mark goes however the command ends.
namespace ld::gui {

class BusyScope {
public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

private:
  bool& flag_;
};

}  // namespace ld::gui
