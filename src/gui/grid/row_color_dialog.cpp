#include "gui/grid/row_color_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/tables/layout.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/grid/grid_dialogs.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent) {
  setObjectName("ColorGrid");
  setFixedSize(sizeHint());
}

void TColorGrid::SetIndices(int fg, int bg) {
  fg_ = fg & 15;
  bg_ = bg & 15;
  update();
  emit Changed();
}

QRect TColorGrid::CellRect(int index) const { return {(index % 4) * kCell, (index / 4) * kCell, kCell, kCell}; }

void TColorGrid::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < 16; ++i) {
    const QRect r = CellRect(i);
    painter.fillRect(r, PaletteQColor(i));
    painter.setPen(Qt::black);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    // "FG" and "BG" mark the chosen colours in a colour that stands out on the swatch
    QString tag;
    if (i == fg_) tag += "FG";
    if (i == bg_) tag += tag.isEmpty() ? "BG" : "\nBG";
    if (!tag.isEmpty()) {
      painter.setPen(i == 0 || i == 1 || i == 4 || i == 5 || i == 7 || i == 12 ? Qt::white : Qt::black);
      painter.drawText(r, Qt::AlignCenter, tag);
    }
  }
}

void TColorGrid::mousePressEvent(QMouseEvent* event) {
  for (int i = 0; i < 16; ++i) {
    if (!CellRect(i).contains(event->position().toPoint())) continue;
    if (event->button() == Qt::LeftButton) SetIndices(i, bg_);
    if (event->button() == Qt::RightButton) SetIndices(fg_, i);
  }
}

TRowColorForm::TRowColorForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Цвет строки");
  setObjectName("RowColorForm");
  auto* layout = new QVBoxLayout(this);
  grid_ = new TColorGrid(this);
  layout->addWidget(grid_, 0, Qt::AlignHCenter);
  sample_ = new QLabel("Текст строки", this);
  sample_->setObjectName("SampleLabel");
  sample_->setAutoFillBackground(true);
  sample_->setAlignment(Qt::AlignCenter);
  layout->addWidget(sample_);
  layout->addLayout(OkCancelButtons(*this, "Применить", "Отменить"));
  connect(grid_, &TColorGrid::Changed, this, &TRowColorForm::ShowSample);
  ShowSample();
}

void TRowColorForm::ShowSample() {
  QPalette pal = sample_->palette();
  pal.setColor(QPalette::Window, PaletteQColor(grid_->BackgroundIndex()));
  pal.setColor(QPalette::WindowText, PaletteQColor(grid_->ForegroundIndex()));
  sample_->setPalette(pal);
}

bool ExecuteRowColorDialog(std::uint8_t& color) {
  TRowColorForm form;
  form.Grid()->SetIndices(FontColorIndex(color), BackColorIndex(color));
  if (ExecModal(form) != QDialog::Accepted) return false;
  color = ColorByte(form.Grid()->ForegroundIndex(), form.Grid()->BackgroundIndex());
  return true;
}

}  // namespace ld::gui
