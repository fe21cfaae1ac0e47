#pragma once
// Scripted modal runs: each dialog shown takes the next step of the script, which works it through its
// widgets; a dialog beyond the script, or a step left over when the script goes, fails the test.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <deque>
#include <functional>
#include <stdexcept>

#include "gui/common/modal.h"

namespace ld::test {

class ModalScript {
public:
  using Step = std::function<void(QDialog&)>;
  ModalScript() {
    previous_ = gui::SetModalHandler([this](QDialog& dialog) {
      if (steps_.empty()) {
        ADD_FAILURE() << "unexpected dialog " << dialog.windowTitle().toStdString();
        return 0;
      }
      const Step step = std::move(steps_.front());
      steps_.pop_front();
      ++shown_;
      step(dialog);
      return dialog.result();
    });
  }
  ~ModalScript() {
    gui::SetModalHandler(previous_);
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " scripted dialog(s) never shown";
  }
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  ModalScript& Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  // How many dialogs the script has answered so far.
  int Shown() const { return shown_; }

private:
  std::deque<Step> steps_;
  gui::ModalHandler previous_;
  int shown_ = 0;
};

// The dialog's child of that name; a missing one fails the test and ends the step.
template <typename W>
W& Child(QWidget& dialog, const char* name) {
  W* w = dialog.findChild<W*>(name);
  if (w == nullptr) {
    ADD_FAILURE() << "no " << name << " in " << dialog.windowTitle().toStdString();
    throw std::runtime_error(name);
  }
  return *w;
}

inline void Press(QWidget& dialog, const char* name) { Child<QAbstractButton>(dialog, name).click(); }

}  // namespace ld::test
