#pragma once
// "Выбор трансформатора": the transformer branches of a scheme, from which the tap window takes the
// records of a new row of "Трансформаторы".
#include <QDialog>
#include <string>

#include "core/optim/ktr_table.h"
#include "gui/grid/data_grid.h"

class QPushButton;

namespace ld::gui {

class TSelTrForm : public QDialog {
  Q_OBJECT

public:
  TSelTrForm(const std::string& schemeStem, int startRow, QWidget* parent = nullptr);

  TDataGrid5* TrGrid;
  QPushButton *OkBtn, *CancelBtn;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void PrepareRows();
  int startRow_;
};

// The branch table without the branches that have no ratio, the substation's name (with the
// dispatcher's name) and the winding in place of each name; on "Выбрать" the two records of the
// chosen row as FillRecTr forms them from the shown table, row := the chosen row, true.
bool ExecuteSelectTransformer(const std::string& schemeStem, TRecTr& longitudinal, TRecTr& transverse, int& row);

}  // namespace ld::gui
