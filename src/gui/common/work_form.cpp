#include "gui/common/work_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace ld::gui {

void TWorkForm::setVisible(bool visible) {
  // Placed before the window exists: the window manager then takes the position as the frame's, not
  // the client area's, and the title bar goes just below the tool bar instead of over it.
  if (visible && !isVisible()) PlaceFrame(*this, QPoint(x(), tag_));
  QMainWindow::setVisible(visible);
  if (visible && (windowState() & Qt::WindowMaximized)) PlaceMaximizedLater();
}

void PlaceFrame(QWidget& window, const QPoint& framePosition) {
  if (QWindow* handle = window.windowHandle())
    handle->setFramePosition(framePosition);
  else
    window.move(framePosition);  // not created yet: the position counts the frame as well
}

QRect TWorkForm::MaximizedRect(const QRect& workArea, int tag) {
  const int top = tag > workArea.top() && tag <= workArea.bottom() ? tag : workArea.top();
  return QRect(workArea.left(), top, workArea.width(), workArea.bottom() + 1 - top);
}

void TWorkForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isVisible() && (windowState() & Qt::WindowMaximized))
    PlaceMaximizedLater();
}

void TWorkForm::PlaceMaximizedLater() {
  if (placing_) return;
  placing_ = true;
  QTimer::singleShot(0, this, [this] {
    placing_ = false;
    if (!(windowState() & Qt::WindowMaximized)) return;
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown) return;
    const QRect target = MaximizedRect(shown->availableGeometry(), tag_);
    const QSize frame = frameGeometry().size() - geometry().size();
    setWindowState(windowState() & ~Qt::WindowMaximized);
    resize(target.size() - frame);
    PlaceFrame(*this, target.topLeft());
  });
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
