#include "gui/common/modal.h"

#include <QApplication>
#include <QDialog>
#include <utility>

namespace ld::gui {

namespace {
ModalHandler& Handler() {
  static ModalHandler handler;
  return handler;
}
}  // namespace

int ExecModal(QDialog& dialog) {
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
