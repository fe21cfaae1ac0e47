#pragma once
// The regime window: the work window of one calculation scheme. It is created once at program start
// and shown by the main tool bar below itself.
#include <QMainWindow>

#include "gui/grid/data_grid.h"

namespace ld::gui {

class TZregimForm : public QMainWindow {
  Q_OBJECT

public:
  explicit TZregimForm(QWidget* parent = nullptr);

  // The main window puts its own height here before showing the window; the window's top edge goes there.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  TDataGrid5& DataGrid() { return *dataGrid_; }

  // Asks to save the grid's unsaved table; canClose becomes false when the person cancels.
  void FormCloseQuery(bool& canClose);
  // The main window's close chain asks the window itself and then closes it with the query detached.
  void SetCloseQueryAttached(bool attached) { closeQueryAttached_ = attached; }

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  TDataGrid5* dataGrid_ = nullptr;
  int tag_ = 0;
  bool closeQueryAttached_ = true;
};

// The one regime window of the program, created at start.
extern TZregimForm* ZregimForm;

}  // namespace ld::gui
