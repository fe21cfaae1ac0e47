#include "gui/optim/form_tkz.h"

#include <QSplitter>

namespace ld::gui {

TFormTKZ* FormTKZ = nullptr;

TFormTKZ::TFormTKZ(QWidget* parent) : TWorkForm(parent) {
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
  canClose = !dataGrid_->Modified() || dataGrid_->SaveWithQuestion();
  if (canClose && radiusGrid_->Modified()) canClose = radiusGrid_->SaveWithQuestion();
}

}  // namespace ld::gui
