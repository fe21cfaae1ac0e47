#pragma once
// The district database window: the tables of one district base. It is created once at program
// start and shown by the main tool bar below itself.
#include "gui/common/work_form.h"
#include "gui/grid/data_grid.h"

namespace ld::gui {

class TBaseResForm : public TWorkForm {
  Q_OBJECT

public:
  explicit TBaseResForm(QWidget* parent = nullptr);

  TDataGrid5& DataGrid() { return *dataGrid_; }

  // Asks to save the grid's unsaved table; canClose becomes false when the person cancels.
  void FormCloseQuery(bool& canClose) override;

private:
  TDataGrid5* dataGrid_ = nullptr;
};

// The one district database window of the program, created at start.
extern TBaseResForm* BaseResForm;

}  // namespace ld::gui
