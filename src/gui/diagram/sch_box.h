#pragma once
// The network diagram control: the drawn model under the host's scroll bars, its three pop-up menus,
// the mouse (selection, marks, the click modes, the Ctrl/Alt brush, dragging), the hints and the flow
// animation. What needs no window lives in the state it derives from and in the core; this class
// turns Qt's events into it and paints its picture.
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/diagram/draw.h"
#include "core/diagram/flow_anim.h"
#include "core/diagram/schem_state.h"
#include "core/diagram/scheme_edit.h"

class QAction;
class QLabel;
class QMenu;
class QMouseEvent;
class QWheelEvent;
class QScrollBar;
class QTimer;

namespace ld::gui {

class TQtCanvas;

class TSchemBox : public QWidget, public diagram::TSchemBoxState {
  Q_OBJECT

public:
  // The font "Tahoma" 10, the animation timer, the three menus with their Tags in the items' data(),
  // and every editing item disabled.
  explicit TSchemBox(QWidget* parent = nullptr);
  ~TSchemBox() override;

  // Enables the editing items of the menus (node Tags 6, 8-14, 18; line Tags 2-6; the empty area's 1).
  void SetEditMode(bool on) override;
  // The scroll ranges after a layout or a drawing pass, mirrored on the host's bars.
  void UpdateScrollRanges() override;

  // The host's scroll bars (nullptr for none; the control does not own them). Moving a bar moves the
  // origin on its axis and repaints.
  void SetVScrollBar(QScrollBar* bar);
  void SetHScrollBar(QScrollBar* bar);
  QScrollBar* GetVScrollBar() const { return vBar_; }
  QScrollBar* GetHScrollBar() const { return hBar_; }

  // ---- pop-up menus and their commands
  QMenu* LineMenu = nullptr;
  QMenu* NodeMenu = nullptr;
  QMenu* EmptyMenu = nullptr;
  // The items of the host's Tags (node 1, 2, 3, 4, 7, 15, 16; line 17) reach the host with the item
  // clicked, whose data() is the Tag. Without these, the Tag alone goes to OnExtNodeMenuClick and
  // OnExtLineMenuClick.
  std::function<void(QAction* item)> OnExtNodeMenuItem;
  std::function<void(QAction* item)> OnExtLineMenuItem;
  void NodeMenuClick(QAction* item);
  void LineMenuClick(QAction* item);
  void EmptyMenuClick(QAction* item);
  // The menu item of a Tag (separators have none); nullptr when the menu has no such item.
  static QAction* MenuItem(QMenu* menu, int tag);
  // The dialogs the editing commands open.
  const diagram::TEditDialogs& Dialogs() const { return dialogs_; }

  // ---- mouse
  // Fired first by each press and move, as the platform's own mouse events.
  std::function<void(QMouseEvent* event)> OnMouseDown;
  std::function<void(QMouseEvent* event)> OnMouseMove;
  // A press at (x, y) of the client area; global: the screen position of the point.
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y, QPoint global,
                 bool doubleClick);
  void MouseMove(Qt::MouseButtons buttons, int x, int y, QPoint global);

  // ---- hints
  QLabel* HintWin = nullptr;
  std::string LastHintText;  // what the hint window shows; empty when hidden
  // Shows the text at the point + 16 pixels right and down, unless the window shows it already.
  void ShowNodeHint(const std::string& text, QPoint global);
  void HideNodeHint();

  // ---- bringing elements into view
  void ScrollToElement(diagram::PSElem elem);
  void LocateNode(std::int32_t nodeNr);
  // The element of a node number or caption typed by a person; scrolls to it and repaints.
  diagram::PSElem FindNodeOnScheme(const std::string& text);

  // ---- drawing
  // The painting pass of the control; printing and bitmaps draw through it as well.
  diagram::TSchemePainter& Painter() { return *painter_; }
  // One tick of the flow animation: the bands of the last picture one pixel further.
  void FlowTimerTick();
  QTimer* FlowTimer = nullptr;
  // The last picture drawn, without the flow bands.
  const QImage& Picture() const { return picture_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

private:
  void BuildMenus();
  void BuildDialogs();
  // Runs a command under Busy; an error's text goes to the message box once Busy is clear.
  void RunCommand(const std::function<void()>& command);
  void SyncBars();
  void RequestPaint();
  void RenderPicture();
  void LeftDown(Qt::KeyboardModifiers shift, int x, int y, QPoint global, bool doubleClick);
  void RightDown(int x, int y, QPoint global);

  std::unique_ptr<diagram::TSchemePainter> painter_;
  diagram::TEditDialogs dialogs_;
  QScrollBar* vBar_ = nullptr;
  QScrollBar* hBar_ = nullptr;
  QMetaObject::Connection vBarLink_, hBarLink_;
  // The layout measures on a canvas of the control's resolution that lives as long as the control.
  QImage measureImage_;
  std::unique_ptr<QPainter> measurePainter_;
  std::unique_ptr<TQtCanvas> measureCanvas_;
  QImage picture_;
  bool pictureDirty_ = true;
  diagram::TFlowFrame flowFrame_;
  int lastX_ = 0, lastY_ = 0;
  int wheelRest_ = 0;  // the part of a notch that a fine wheel turned so far
  bool wheelSideways_ = false;
};

}  // namespace ld::gui
