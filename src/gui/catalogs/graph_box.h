#pragma once
// TGraphBox: the plot control of the graph catalogue window. It draws the series of its TGraphPlot
// onto any painter and rectangle (its own area, a bitmap, a printer page); a left click on a legend
// colour box changes that series' colour, a right click on a legend entry offers "Цвет графика" and
// "Скрыть график".
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <functional>

#include "core/catalogs/catwin_plot.h"

class QAction;
class QMenu;
class QPainter;

namespace ld::gui {

class TGraphBox : public QWidget, public ld::TGraphPlot {
  Q_OBJECT

public:
  explicit TGraphBox(QWidget* parent = nullptr);

  // The scroll bar that moves the shown window along the time axis (owned by the host).
  QScrollBar* Scroller() const { return scroller_; }
  void SetScroller(QScrollBar* bar) { scroller_ = bar; }

  // Lays out and draws everything into the rectangle; nothing when it has no room for a value step.
  void DrawTo(QPainter& painter, int x0, int y0, int width, int height);
  // The layout of the last drawing.
  const ld::TGraphLayout& LastLayout() const { return layout_; }
  // The line height of every label row, fixed when the control is made.
  int TextHeight() const { return textHeight_; }

  QMenu* PopupMenu() const { return menu_; }
  // The series the pop-up menu was opened for (0: none).
  int MenuSeries() const { return menuSeries_; }

  // Called first on every mouse press.
  std::function<void(QMouseEvent*)> OnMouseDown;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  void ChooseColor(int number);
  void HideSeries();

  QPointer<QScrollBar> scroller_;
  QMenu* menu_ = nullptr;
  int menuSeries_ = 0;
  int textHeight_ = 16;
  ld::TGraphLayout layout_;
};

}  // namespace ld::gui
