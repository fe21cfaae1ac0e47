#pragma once
// Every window of the program lies within its screen's available area (the screen less the desktop's
// panels): a window larger than the area is made smaller, one that sticks out is moved in. A screen
// smaller than the one a window was laid out for, a window grown by its contents and a frame caught by
// the program before the window manager has sized it all end here.
#include <QMargins>
#include <QRect>
#include <QSize>
#include <memory>

class QObject;
class QWidget;

namespace ld::gui {

// The frame rectangle within the area: no larger than the area and moved in as little as it takes, so
// that a frame larger than the area keeps the area's top left corner.
QRect FitRect(const QRect& frame, const QRect& area);

// The available area of the screen that the window is on; the primary screen's when it is on none.
QRect AvailableArea(const QWidget& window);

// What the window manager's frame adds on each side of a window: its own frame once it is on the
// screen as a normal window. Before that, or maximised (a maximised frame drops its borders), each side
// is the largest that it and the program's other normal windows on the screen have. A frame that the
// window manager is still building reports sides below zero or far too large ones; such a side counts
// as none.
QMargins FrameMargins(const QWidget& window);

// The largest client area with which the window's frame still fits its screen's available area.
QSize LargestClientSize(const QWidget& window);

// Gives a top-level window this frame rectangle, title bar included: the client gets the rectangle
// less the frame, and a minimum size larger than that (a layout's) is lowered to it.
void SetFrameRect(QWidget& window, const QRect& frame);

// Brings a top-level window's frame within its screen's available area; a work window keeps below the
// main tool bar. A maximised or full-screen window is left to the window manager; only a minimum size
// larger than the area is lowered.
void FitToScreen(QWidget& window);

// While it lives, every window and dialog of the program is fitted (FitToScreen) as it shows and again
// when the window manager gives it another frame.
class ScreenFitScope {
public:
  ScreenFitScope();
  ~ScreenFitScope();
  ScreenFitScope(const ScreenFitScope&) = delete;
  ScreenFitScope& operator=(const ScreenFitScope&) = delete;

private:
  std::unique_ptr<QObject> filter_;
};

}  // namespace ld::gui
