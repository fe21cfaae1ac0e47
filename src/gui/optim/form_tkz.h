#pragma once
// The short-circuit window: a short-circuit data set, its calculation radius and results. It is
// created once at program start and shown by the main tool bar below itself.
#include "gui/common/work_form.h"
#include "gui/grid/data_grid.h"

namespace ld::gui {

class TFormTKZ : public TWorkForm {
  Q_OBJECT

public:
  explicit TFormTKZ(QWidget* parent = nullptr);

  TDataGrid5& DataGrid() { return *dataGrid_; }
  TDataGrid5& RadiusGrid() { return *radiusGrid_; }

  // Asks to save the data set's and then the radius' unsaved table; canClose becomes false when the
  // person cancels.
  void FormCloseQuery(bool& canClose) override;

private:
  TDataGrid5* dataGrid_ = nullptr;
  TDataGrid5* radiusGrid_ = nullptr;
};

// The one short-circuit window of the program, created at start.
extern TFormTKZ* FormTKZ;

}  // namespace ld::gui
