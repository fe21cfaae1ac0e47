#include "gui/common/work_form.h"

#include <QCloseEvent>
#include <QWindow>

namespace ld::gui {

void TWorkForm::setVisible(bool visible) {
  // Placed before the window exists: the window manager then takes the position as the frame's, not
  // the client area's, and the title bar goes just below the tool bar instead of over it.
  if (visible && !isVisible()) PlaceFrame(*this, QPoint(x(), tag_));
  QMainWindow::setVisible(visible);
}

void PlaceFrame(QWidget& window, const QPoint& framePosition) {
  if (QWindow* handle = window.windowHandle())
    handle->setFramePosition(framePosition);
  else
    window.move(framePosition);  // not created yet: the position counts the frame as well
}

void TWorkForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  if (closeQueryAttached_) FormCloseQuery(canClose);
  if (canClose)
    event->accept();
  else
    event->ignore();
}

}  // namespace ld::gui
