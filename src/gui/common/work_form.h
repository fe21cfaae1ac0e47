#pragma once
// A work window of the program (district base, regime, short circuit): created once at start, shown by
// the main tool bar just below itself, maximised below the tool bar, and closed through its own close
// query.
#include <QMainWindow>
#include <QRect>

namespace ld::gui {

class TWorkForm : public QMainWindow {
  Q_OBJECT

public:
  using QMainWindow::QMainWindow;

  // The main window puts its own lower edge (its height, as it sits at the top of the screen) here
  // before showing the window; the window's frame, title bar included, goes there.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // Asks to save what the window has unsaved; canClose becomes false when the person cancels.
  virtual void FormCloseQuery(bool& canClose) = 0;
  // The main window's close chain asks the window itself and then closes it with the query detached.
  void SetCloseQueryAttached(bool attached) { closeQueryAttached_ = attached; }

  // The frame of a maximised window: the work area below the tool bar's lower edge (tag), wherever the
  // work area begins; the whole area when the edge lies outside it.
  static QRect MaximizedRect(const QRect& workArea, int tag);

  void setVisible(bool visible) override;

protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  // The window manager maximises over the whole work area, the tool bar's place included: once the
  // state has settled, the window takes the place below the tool bar instead, as a normal window.
  void PlaceMaximizedLater();
  // Leaves the maximised state and takes the maximised place below the tool bar as a normal window.
  void TakeMaximizedPlace(const QRect& workArea);

  int tag_ = 0;
  bool closeQueryAttached_ = true;
  bool placing_ = false;
};

// Puts a top-level window's frame (its title bar included) at the point, before or after it shows.
void PlaceFrame(QWidget& window, const QPoint& framePosition);

}  // namespace ld::gui
