#include "gui/common/modal.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <algorithm>
#include <utility>

#include "gui/common/screen_fit.h"

namespace ld::gui {

namespace {
ModalHandler& Handler() {
  static ModalHandler handler;
  return handler;
}
// Room that a window's frame takes beside its title: the icon, the three buttons and the margins.
constexpr int kTitleFrame = 110;

}  // namespace

void FitTitle(QDialog& dialog) {
  QFont bold = dialog.font();
  bold.setBold(true);
  // A title wider than the screen is cut rather than pushing the dialog off it.
  const int wanted = std::min(QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + kTitleFrame,
                              LargestClientSize(dialog).width());
  if (dialog.maximumWidth() < wanted) return;
  // A dialog given no size of its own opens at its size hint.
  if (dialog.testAttribute(Qt::WA_Resized)) {
    if (dialog.width() < wanted) dialog.resize(wanted, dialog.height());
  } else if (std::max(dialog.sizeHint().width(), dialog.minimumWidth()) < wanted) {
    dialog.setMinimumWidth(wanted);
  }
}

int ExecModal(QDialog& dialog) {
  FitTitle(dialog);
  if (!Handler()) return dialog.exec();
  ModalHandler handler = Handler();  // the handler may open nested dialogs through ExecModal
  dialog.show();
  QApplication::processEvents();
  const int result = handler(dialog);
  if (dialog.isVisible()) dialog.hide();
  return result;
}

ModalHandler SetModalHandler(ModalHandler handler) { return std::exchange(Handler(), std::move(handler)); }

}  // namespace ld::gui
