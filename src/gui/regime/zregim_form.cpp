#include "gui/regime/zregim_form.h"


namespace ld::gui {

TZregimForm* ZregimForm = nullptr;

TZregimForm::TZregimForm(QWidget* parent) : TWorkForm(parent) {
  setObjectName("ZregimForm");
  setWindowTitle("Z-режим");
  resize(800, 560);
  dataGrid_ = new TDataGrid5(this);
  dataGrid_->setObjectName("DataGrid");
  setCentralWidget(dataGrid_);
}

void TZregimForm::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (dataGrid_->Modified()) canClose = dataGrid_->SaveWithQuestion();
}

}  // namespace ld::gui
