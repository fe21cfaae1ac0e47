#pragma once
// The regime window: the work window of one calculation scheme. It is created once at program start
// and shown by the main tool bar below itself.
#include "gui/common/work_form.h"
#include "gui/grid/data_grid.h"

namespace ld::gui {

class TZregimForm : public TWorkForm {
  Q_OBJECT

public:
  explicit TZregimForm(QWidget* parent = nullptr);

  TDataGrid5& DataGrid() { return *dataGrid_; }

  // Asks to save the grid's unsaved table; canClose becomes false when the person cancels.
  void FormCloseQuery(bool& canClose) override;

private:
  TDataGrid5* dataGrid_ = nullptr;
};

// The one regime window of the program, created at start.
extern TZregimForm* ZregimForm;

}  // namespace ld::gui
