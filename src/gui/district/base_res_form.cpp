#include "gui/district/base_res_form.h"


namespace ld::gui {

TBaseResForm* BaseResForm = nullptr;

TBaseResForm::TBaseResForm(QWidget* parent) : TWorkForm(parent) {
  setObjectName("BaseResForm");
  setWindowTitle("База РЭС");
  resize(800, 560);
  dataGrid_ = new TDataGrid5(this);
  dataGrid_->setObjectName("DataGrid");
  setCentralWidget(dataGrid_);
}

void TBaseResForm::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (dataGrid_->Modified()) canClose = dataGrid_->SaveWithQuestion();
}

}  // namespace ld::gui
