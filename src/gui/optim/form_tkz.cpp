#include "gui/optim/form_tkz.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QSplitter>

namespace ld::gui {

namespace {
// The grid's save with its question: false when the person cancels or the file cannot be written.
bool SaveWithQuestion(TDataGrid5& grid) {
  bool saved = false;
  return grid.Guarded([&] { saved = grid.SaveFile(); }) && saved;
}
}  // namespace

TFormTKZ* FormTKZ = nullptr;

TFormTKZ::TFormTKZ(QWidget* parent) : QMainWindow(parent) {
  setObjectName("FormTKZ");
  setWindowTitle("Расчет токов трехфазного короткого замыкания");
  resize(800, 560);
  auto* split = new QSplitter(Qt::Vertical, this);
  dataGrid_ = new TDataGrid5(split);
  dataGrid_->setObjectName("DataGrid");
  radiusGrid_ = new TDataGrid5(split);
  radiusGrid_->setObjectName("RadiusGrid");
  setCentralWidget(split);
}

void TFormTKZ::FormCloseQuery(bool& canClose) {
  canClose = !dataGrid_->Modified() || SaveWithQuestion(*dataGrid_);
  if (canClose && radiusGrid_->Modified()) canClose = SaveWithQuestion(*radiusGrid_);
}

void TFormTKZ::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) move(x(), tag_);
  QMainWindow::showEvent(event);
}

void TFormTKZ::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  if (closeQueryAttached_) FormCloseQuery(canClose);
  if (canClose)
    event->accept();
  else
    event->ignore();
}

}  // namespace ld::gui
