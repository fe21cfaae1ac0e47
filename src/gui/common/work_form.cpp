#include "gui/common/work_form.h"

#include <QCloseEvent>
#include <QTimer>
#include <QWindow>

#include "gui/common/screen_fit.h"

namespace ld::gui {

void TWorkForm::setVisible(bool visible) {
  // Placed before the window exists: the window manager then takes the position as the frame's, not
  // the client area's, and the title bar goes just below the tool bar instead of over it.
  if (visible && !isVisible()) {
    const QRect area = AvailableArea(*this);
    if ((windowState() & Qt::WindowMaximized) && !area.isEmpty()) {
      // Opened as a normal window in the maximised place: a window manager that maximised it first
      // would give it back its earlier size in its own time, after the window had taken its place.
      TakeMaximizedPlace(area);
    } else {
      PlaceFrame(*this, QPoint(x(), tag_));
    }
  }
  QMainWindow::setVisible(visible);
}

void PlaceFrame(QWidget& window, const QPoint& framePosition) {
  QWindow* handle = window.windowHandle();
  if (!handle || !handle->handle()) {
    // Not created yet, or no longer: a window that the window manager closed (Alt+F4) keeps its
    // QWindow but loses its native window, and gets a new one as it shows again. The widget's position
    // counts the frame then; the QWindow's own frame position would be taken for the client area's
    // when the new native window is made, and the title bar would go over the tool bar.
    window.move(framePosition);
  } else if (handle->isExposed()) {
    // On the screen the frame is known: the client area goes where the frame leaves it, which a window
    // manager takes the same way whatever gravity the window was created with.
    const QMargins frame = FrameMargins(window);
    handle->setPosition(framePosition + QPoint(frame.left(), frame.top()));
  } else {
    handle->setFramePosition(framePosition);
  }
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
    const QRect area = AvailableArea(*this);
    if (area.isEmpty()) return;
    // The frame is not measured on this window: while the window manager maximises it, its frame may
    // still be a dot or already the whole screen.
    TakeMaximizedPlace(area);
  });
}

void TWorkForm::TakeMaximizedPlace(const QRect& workArea) {
  setWindowState(windowState() & ~Qt::WindowMaximized);
  SetFrameRect(*this, MaximizedRect(workArea, tag_));
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
