#pragma once
// What the open-point and two-transformer windows share: their indicator lamps, what Print takes, and
// the entry function that opens one over a scheme.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/base/msgbox.h"
#include "gui/common/modal.h"

class QLabel;
class QPlainTextEdit;

namespace ld::gui {

class TDataGrid5;

// No colour leaves the lamp unlit; the colour stays on the widget for tests to read.
void SetLamp(QLabel* lamp, const char* color);

// The result memo's lines while it is shown, otherwise the grid's rows.
std::vector<std::string> MemoOrGridLines(const QPlainTextEdit& memo, TDataGrid5& grid);

// Opens the window over the scheme "stem" and tells whether it wrote anything; a scheme that cannot be
// opened is reported and the window does not appear.
template <class Form>
bool RunOptimWindow(const std::string& stem) {
  std::unique_ptr<Form> form;
  try {
    form = std::make_unique<Form>(stem);
  } catch (const std::exception& ex) {
    ShowMsgForm(ex.what(), mkError, mbOk);
    return false;
  }
  ExecModal(*form);
  return form->Written();
}

}  // namespace ld::gui
