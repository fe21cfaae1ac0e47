#include "gui/common/screen_fit.h"

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "gui/common/work_form.h"

namespace ld::gui {

namespace {

// No window manager draws a side of a frame this wide; a larger one is a frame caught mid-change.
constexpr int kWidestFrameSide = 100;

constexpr Qt::WindowStates kManagedStates = Qt::WindowMaximized | Qt::WindowFullScreen;

bool IsFramedWindow(const QWidget& widget) {
  const Qt::WindowType type = widget.windowType();
  return widget.isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

QMargins SaneSides(const QMargins& m) {
  const auto side = [](int v) { return v >= 0 && v <= kWidestFrameSide ? v : 0; };
  return {side(m.left()), side(m.top()), side(m.right()), side(m.bottom())};
}

QMargins Wider(const QMargins& a, const QMargins& b) {
  return {std::max(a.left(), b.left()), std::max(a.top(), b.top()), std::max(a.right(), b.right()),
          std::max(a.bottom(), b.bottom())};
}

QSize ClientSize(const QSize& frame, const QMargins& m) {
  return {std::max(frame.width() - m.left() - m.right(), 1), std::max(frame.height() - m.top() - m.bottom(), 1)};
}

void LowerMinimumSize(QWidget& window, const QSize& client) {
  const QSize least = window.minimumSize();
  if (least.width() > client.width() || least.height() > client.height())
    window.setMinimumSize(least.boundedTo(client));
}

QMargins OwnMargins(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  return handle ? SaneSides(handle->frameMargins()) : QMargins();
}

// Shown by the window system, with the frame that the window manager gave it.
bool IsOnScreen(const QWidget& window) {
  const QWindow* handle = window.windowHandle();
  return handle && handle->isExposed();
}

// The area that a window may take: a work window keeps below the main tool bar.
QRect WindowArea(const QWidget& window) {
  const QRect area = AvailableArea(window);
  if (const auto* work = qobject_cast<const TWorkForm*>(&window)) return TWorkForm::MaximizedRect(area, work->Tag());
  return area;
}

QWidget* WindowOf(const QObject* object) {
  if (object->isWidgetType()) return const_cast<QWidget*>(static_cast<const QWidget*>(object));
  if (object->isWindowType())
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->windowHandle() == object) return window;
  return nullptr;
}

// Fits every framed window as it shows, before the window system sees its size, and again once the
// window manager has put it on the screen and whenever it gives it another frame (a maximised window
// taken back to its normal frame): only then are the frame that has to fit and the place where the
// window manager really put it known. A window that the person moves or sizes keeps its frame and is
// left as it is.
class FitFilter : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (fitting_ || (type != QEvent::Show && type != QEvent::Expose && type != QEvent::Resize && type != QEvent::Move))
      return false;
    if (type == QEvent::Show && event->spontaneous()) return false;
    QWidget* window = WindowOf(object);
    if (!window || !IsFramedWindow(*window)) return false;
    const Frame frame{OwnMargins(*window), IsOnScreen(*window)};
    if (type == QEvent::Show) {
      if (!frames_.contains(window))
        connect(window, &QObject::destroyed, this, [this, window] { frames_.remove(window); });
    } else if (!frame.onScreen || !frames_.contains(window) || frames_.value(window) == frame) {
      return false;
    }
    frames_.insert(window, frame);
    fitting_ = true;
    FitToScreen(*window);
    fitting_ = false;
    return false;
  }

private:
  // What the window system had made of a window when it was last fitted.
  struct Frame {
    QMargins own;
    bool onScreen = false;
    bool operator==(const Frame&) const = default;
  };
  QHash<const QObject*, Frame> frames_;
  bool fitting_ = false;
};

}  // namespace

QRect FitRect(const QRect& frame, const QRect& area) {
  const QSize size = frame.size().boundedTo(area.size());
  const int x = std::clamp(frame.x(), area.left(), area.left() + area.width() - size.width());
  const int y = std::clamp(frame.y(), area.top(), area.top() + area.height() - size.height());
  return {QPoint(x, y), size};
}

QRect AvailableArea(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

QMargins FrameMargins(const QWidget& window) {
  QMargins margins = OwnMargins(window);
  if (IsOnScreen(window) && !(window.windowState() & kManagedStates) && !margins.isNull()) return margins;
  // Not framed yet, or maximised (a maximised frame drops its borders): the windows on the screen as
  // they are tell the usual frame.
  for (const QWidget* other : QApplication::topLevelWidgets())
    if (other != &window && IsOnScreen(*other) && IsFramedWindow(*other) && !(other->windowState() & kManagedStates))
      margins = Wider(margins, OwnMargins(*other));
  return margins;
}

QSize LargestClientSize(const QWidget& window) {
  return ClientSize(AvailableArea(window).size(), FrameMargins(window));
}

void SetFrameRect(QWidget& window, const QRect& frame) {
  const QSize client = ClientSize(frame.size(), FrameMargins(window));
  LowerMinimumSize(window, client);
  window.resize(client);
  PlaceFrame(window, frame.topLeft());
}

void FitToScreen(QWidget& window) {
  const QRect area = WindowArea(window);
  if (area.isEmpty()) return;
  const QMargins margins = FrameMargins(window);
  if (window.windowState() & kManagedStates) {
    // The window manager sizes it, but never below the minimum size that the window asks for.
    LowerMinimumSize(window, ClientSize(area.size(), margins));
    return;
  }
  // Until the window is on the screen, pos() is where the program put the frame (a position given
  // before the window existed counts the frame, whatever Qt knows of it); after, the client area is
  // where the window manager put it.
  const QPoint corner = IsOnScreen(window) ? window.geometry().topLeft() - QPoint(margins.left(), margins.top())
                                           : window.pos();
  const QRect frame(corner, window.size().grownBy(margins));
  const QRect fitted = FitRect(frame, area);
  if (fitted.size() != frame.size()) {
    const QSize client = ClientSize(fitted.size(), margins);
    LowerMinimumSize(window, client);
    window.resize(client);
  }
  if (fitted.topLeft() != frame.topLeft()) PlaceFrame(window, fitted.topLeft());
}

ScreenFitScope::ScreenFitScope() {
  if (!qApp) return;
  filter_ = std::make_unique<FitFilter>();
  qApp->installEventFilter(filter_.get());
}

ScreenFitScope::~ScreenFitScope() {
  if (filter_ && qApp) qApp->removeEventFilter(filter_.get());
}

}  // namespace ld::gui
