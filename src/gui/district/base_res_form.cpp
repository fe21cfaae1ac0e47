#include "gui/district/base_res_form.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace ld::gui {

namespace {
// The grid's save with its question: false when the person cancels or the file cannot be written.
bool SaveWithQuestion(TDataGrid5& grid) {
  bool saved = false;
  return grid.Guarded([&] { saved = grid.SaveFile(); }) && saved;
}
}  // namespace

TBaseResForm* BaseResForm = nullptr;

TBaseResForm::TBaseResForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("BaseResForm");
  setWindowTitle("База РЭС");
  resize(800, 560);
  dataGrid_ = new TDataGrid5(this);
  dataGrid_->setObjectName("DataGrid");
  setCentralWidget(dataGrid_);
}

void TBaseResForm::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (dataGrid_->Modified()) canClose = SaveWithQuestion(*dataGrid_);
}

void TBaseResForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) move(x(), tag_);
  QMainWindow::showEvent(event);
}

void TBaseResForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  if (closeQueryAttached_) FormCloseQuery(canClose);
  if (canClose)
    event->accept();
  else
    event->ignore();
}

}  // namespace ld::gui
