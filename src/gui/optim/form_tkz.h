#pragma once
// The short-circuit window: a short-circuit data set, its calculation radius and results. It is
// created once at program start and shown by the main tool bar below itself.
#include <QMainWindow>

#include "gui/grid/data_grid.h"

namespace ld::gui {

class TFormTKZ : public QMainWindow {
  Q_OBJECT

public:
  explicit TFormTKZ(QWidget* parent = nullptr);

  // The main window puts its own height here before showing the window; the window's top edge goes there.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  TDataGrid5& DataGrid() { return *dataGrid_; }
  TDataGrid5& RadiusGrid() { return *radiusGrid_; }

  // Asks to save the data set's and then the radius' unsaved table; canClose becomes false when the
  // person cancels.
  void FormCloseQuery(bool& canClose);
  // The main window's close chain asks the window itself and then closes it with the query detached.
  void SetCloseQueryAttached(bool attached) { closeQueryAttached_ = attached; }

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  TDataGrid5* dataGrid_ = nullptr;
  TDataGrid5* radiusGrid_ = nullptr;
  int tag_ = 0;
  bool closeQueryAttached_ = true;
};

// The one short-circuit window of the program, created at start.
extern TFormTKZ* FormTKZ;

}  // namespace ld::gui
