#pragma once
// Scripted modal runs: each dialog shown takes the next step of the script, which works it through its
// widgets; a dialog beyond the script fails the test.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <deque>
#include <functional>
#include <stdexcept>

#include "core/base/dates.h"
#include "core/base/settings.h"
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
      const Step step = steps_.front();
      steps_.pop_front();
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

private:
  std::deque<Step> steps_;
  gui::ModalHandler previous_;
};

// The dialog's child of that name; a missing one fails the test and ends the step.
template <typename W>
W& Child(QDialog& dialog, const char* name) {
  W* w = dialog.findChild<W*>(name);
  if (w == nullptr) {
    ADD_FAILURE() << "no " << name << " in " << dialog.windowTitle().toStdString();
    throw std::runtime_error(name);
  }
  return *w;
}

inline void Press(QDialog& dialog, const char* name) { Child<QAbstractButton>(dialog, name).click(); }

// The settings the dialogs edit, at values none of them starts with.
inline void KnownSettings() {
  TIniRec& ini = IniRec;
  ini.Uv = 12.5f, ini.Un = 7, ini.Prec = 0.0005f, ini.Iter1 = 150, ini.RepeatIter = true, ini.CountRQ = 3;
  ini.Damp1 = 0.8f, ini.Damp2 = 0.6f, ini.AlgmFM = 2, ini.Dimension = 0, ini.FlagU0 = 1, ini.TypLoad = 2;
  ini.FlagFM = ini.FlagPQ = ini.FlagIF = true;
  ini.FlagRQ = ini.SumSbal = false;
  ini.Date1 = EncodeDate(2004, 3, 1), ini.Date2 = EncodeDate(2004, 3, 31), ini.TypCalcPQ = 3, ini.Tgr = 1800;
  ini.CalcDate = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0);
  ini.BPrec = 0.002f, ini.Btgf = 0.45f, ini.BIter = 40, ini.BShift = 0.75f;
  ini.MulKvu = 2, ini.MulKvf = 3, ini.MulKvi = 4;
  ini.CLoad = ini.CFlow = ini.WVolt = ini.PropPQ = ini.RNull = ini.SavePQ = ini.OutIter = true;
  ini.CVolt = ini.WLoad = ini.WFlow = ini.RZnak = false;
}

}  // namespace ld::test
