#include "gui/catalogs/graph_box.h"

#include <QColorDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <cmath>

#include "core/base/dates.h"
#include "core/base/numfmt.h"
#include "gui/common/modal.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

int RoundInt(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

TGraphBox::TGraphBox(QWidget* parent) : QWidget(parent) {
  setObjectName("GrafBox");
  textHeight_ = RoundInt(1.3 * QFontInfo(font()).pixelSize());
  menu_ = new QMenu(this);
  QAction* color = menu_->addAction("Цвет графика");
  color->setData(0);
  QAction* hide = menu_->addAction("Скрыть график");
  hide->setData(1);
  connect(color, &QAction::triggered, this, [this] { ChooseColor(menuSeries_); });
  connect(hide, &QAction::triggered, this, [this] { HideSeries(); });
}

void TGraphBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawTo(painter, 0, 0, width(), height());
}

void TGraphBox::DrawTo(QPainter& painter, int x0, int y0, int w, int h) {
  const QFontMetrics metrics(font(), painter.device());
  const int th = textHeight_;
  const auto textWidth = [&](const std::string& s) { return metrics.horizontalAdvance(Q(s)); };
  layout_ = Layout(x0, y0, w, h, th, textWidth);
  if (!layout_.Valid) {
    // a damaged value is shown instead of the plot it would break
    if (!layout_.Fault.empty()) {
      painter.save();
      painter.fillRect(QRect(x0, y0, w, h), ToQColor(Settings.BackColor));
      painter.setFont(font());
      painter.setPen(Qt::red);
      painter.drawText(QRect(x0 + kPlotMargin, y0 + kPlotMargin, w - 2 * kPlotMargin, h - 2 * kPlotMargin),
                       Qt::AlignCenter | Qt::TextWordWrap, Q(layout_.Fault));
      painter.restore();
    }
    return;
  }
  const TGraphLayout& g = layout_;
  const TValueAxis& axis = g.Axis;
  painter.save();
  painter.setFont(font());
  painter.setRenderHint(QPainter::Antialiasing, false);

  if (scroller_ && g.ScrollSet) {
    scroller_->setMinimum(1);
    scroller_->setMaximum(g.ScrollMax);
    scroller_->setSingleStep(g.ScrollSmall);
    scroller_->setPageStep(g.ScrollLarge);
  }

  // Background and frame.
  painter.fillRect(QRect(x0, y0, w, h), ToQColor(Settings.BackColor));
  const QColor frame = ToQColor(Settings.FrameColor);
  painter.setPen(QPen(frame, 1));
  painter.drawRect(QRect(g.Left, g.Top, g.Right - g.Left, g.Bottom - g.Top));

  // Captions of the time rows.
  painter.setPen(Qt::black);
  for (int u = 0; u < 6; ++u) {
    const int row = g.UnitRow[static_cast<std::size_t>(u)];
    if (row == 0) continue;
    const int y = y0 + h - row * th - kPlotMargin;
    painter.drawText(QRect(x0 + kPlotMargin, y, g.Left - x0, th), Qt::AlignLeft | Qt::AlignVCenter,
                     kTimeUnitCaptions[static_cast<std::size_t>(u)]);
  }

  // Value labels and the horizontal grid.
  for (int i = 0; i <= axis.Steps; ++i) {
    const int y = axis.Bottom - i * axis.StepPixels;
    painter.setPen(Qt::black);
    painter.drawText(QRect(x0, y - th / 2, g.Left - x0 - kPlotMargin, th), Qt::AlignRight | Qt::AlignVCenter,
                     Q(g.ValueLabels[static_cast<std::size_t>(i)]));
    painter.setPen(QPen(frame, 1, Qt::DotLine));
    painter.drawLine(g.Left, y, g.Right, y);
  }

  // Divisions of the time axis with their moments.
  const int count = PointCount();
  const int q = g.PointWidth > 0 ? g.DivWidth / g.PointWidth : 1;
  std::array<int, 6> previous{};
  for (int i = 0; i <= g.Divisions; ++i) {
    const int x = g.Left + i * g.DivWidth;
    painter.setPen(QPen(frame, 1, Qt::DotLine));
    painter.drawLine(x, g.Top, x, g.Bottom);
    const int point = i * q + ScrollPos;
    if (point < 1 || point > count) continue;
    int year = 0, month = 0, day = 0, second = 0, minute = 0, hour = 0;
    DecodePackedDateTime(TimeValues()[static_cast<std::size_t>(point - 1)], year, month, day, second, minute, hour);
    const std::array<int, 6> parts = {second, minute, hour, day, month, year};
    bool larger = false;
    painter.setPen(Qt::black);
    for (int u = 5; u >= 0; --u) {
      const int row = g.UnitRow[static_cast<std::size_t>(u)];
      if (row == 0) continue;
      const int value = parts[static_cast<std::size_t>(u)];
      if (i == 0 || larger || value != previous[static_cast<std::size_t>(u)]) {
        const int y = y0 + h - row * th - kPlotMargin;
        painter.drawText(QRect(x - g.DivWidth, y, 2 * g.DivWidth, th), Qt::AlignHCenter | Qt::AlignVCenter,
                         QString::number(value));
        larger = true;
      }
      previous[static_cast<std::size_t>(u)] = value;
    }
  }

  // Axes.
  painter.setPen(QPen(Qt::black, 3));
  painter.drawLine(g.Left, g.Top, g.Left, g.Bottom);
  painter.drawLine(g.Left, axis.AxisRow, g.Right, axis.AxisRow);

  // The unit of a single graph above the plot.
  if (!Joint && !Series().empty()) {
    painter.setPen(Qt::black);
    painter.drawText(QPoint(g.Left, g.Top - th * 3 / 2 + metrics.ascent()), Q(Series().front().Unit));
  }

  // Legend.
  if (Settings.FLegend) {
    for (const TGElem& s : Series()) {
      painter.fillRect(QRect(s.LegendX, s.LegendY + 1, kLegendBox, th - 2), ToQColor(s.Color));
      painter.setPen(Qt::black);
      painter.drawText(QRect(s.LegendX + kLegendBox + kPlotMargin, s.LegendY, g.LegendWidth, th),
                       Qt::AlignLeft | Qt::AlignVCenter, Q(LegendText(s)));
    }
  }

  // Lines and points.
  const auto rowOf = [&](double v) { return PlotValueRow(g, Settings, v); };
  const int shown = g.PointWidth > 0 ? (g.Right - g.Left) / g.PointWidth : 0;
  for (const TGElem& s : Series()) {
    painter.setPen(QPen(ToQColor(s.Color), Settings.LinWidth));
    QPoint last;
    for (int j = 0; j <= shown && ScrollPos + j <= count; ++j) {
      const int index = ScrollPos + j - 1;
      if (index < 0 || index >= static_cast<int>(s.Values.size())) break;
      const QPoint p(g.Left + j * g.PointWidth, rowOf(s.Values[static_cast<std::size_t>(index)]));
      if (j > 0) painter.drawLine(last, p);
      if (!Joint && p.y() != axis.AxisRow)
        painter.drawLine(p, QPoint(p.x(), axis.AxisRow + (p.y() < axis.AxisRow ? -1 : 1)));
      last = p;
    }
  }
  for (const TGElem& s : Series()) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ToQColor(s.Color));
    for (int j = 0; j <= shown && ScrollPos + j <= count; ++j) {
      const int index = ScrollPos + j - 1;
      if (index < 0 || index >= static_cast<int>(s.Values.size())) break;
      const QPoint p(g.Left + j * g.PointWidth, rowOf(s.Values[static_cast<std::size_t>(index)]));
      painter.drawEllipse(p, Settings.Radius, Settings.Radius);
    }
  }
  painter.restore();
}

void TGraphBox::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event);
  if (!Settings.FLegend) return;
  const QPoint at = event->position().toPoint();
  if (event->button() != Qt::RightButton) {
    if (TGElem* s = LegendHit(at.x(), at.y(), true, textHeight_, layout_.LegendWidth)) ChooseColor(s->Number);
    return;
  }
  if (TGElem* s = LegendHit(at.x(), at.y(), false, textHeight_, layout_.LegendWidth)) {
    menuSeries_ = s->Number;
    menu_->popup(event->globalPosition().toPoint());
  }
}

void TGraphBox::ChooseColor(int number) {
  TGElem* s = FindSeries(number);
  if (!s) return;
  QColorDialog dialog(ToQColor(s->Color), this);
  dialog.setWindowTitle("Цвет графика");
  if (ExecModal(dialog) != QDialog::Accepted) return;
  s = FindSeries(number);
  if (!s) return;
  s->Color = FromQColor(dialog.currentColor());
  if (!Joint) Settings.GraphColor = s->Color;
  update();
}

void TGraphBox::HideSeries() {
  int number = menuSeries_;
  RemoveGraph(number);
  menuSeries_ = 0;
  update();
}

}  // namespace ld::gui
