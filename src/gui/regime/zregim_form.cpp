#include "gui/regime/zregim_form.h"

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

TZregimForm* ZregimForm = nullptr;

TZregimForm::TZregimForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("ZregimForm");
  setWindowTitle("Z-режим");
  resize(800, 560);
  dataGrid_ = new TDataGrid5(this);
  dataGrid_->setObjectName("DataGrid");
  setCentralWidget(dataGrid_);
}

void TZregimForm::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (dataGrid_->Modified()) canClose = SaveWithQuestion(*dataGrid_);
}

void TZregimForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) move(x(), tag_);
  QMainWindow::showEvent(event);
}

void TZregimForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  if (closeQueryAttached_) FormCloseQuery(canClose);
  if (canClose)
    event->accept();
  else
    event->ignore();
}

}  // namespace ld::gui
