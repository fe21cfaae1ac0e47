#pragma once
// "Выбор узлов для контроля напряжения": the scheme's nodes, from which the tap window takes a control
// node with limits around its nominal voltage.
#include <QDialog>
#include <string>

#include "gui/grid/data_grid.h"

class QLineEdit;
class QPushButton;

namespace ld::gui {

// The deviations below and above the nominal voltage in per cent; kept while the program runs.
extern double SelNodMinusPercent;  // 5
extern double SelNodPlusPercent;   // 10

class TSelNodTrForm : public QDialog {
  Q_OBJECT

public:
  explicit TSelNodTrForm(const std::string& schemeStem, QWidget* parent = nullptr);

  TDataGrid5* NodGrid;
  QLineEdit *Edit1, *Edit2;
  QPushButton *OkBtn, *CancelBtn;

private:
  void Edit1Change(QLineEdit* edit);
};

// On "Выбрать": the row's node number and name, and Umin, Umax the deviations around its Um; true.
// byName tells the column the key was pressed in and changes nothing.
bool ExecuteSelectVoltageNodes(const std::string& schemeStem, bool byName, std::int32_t& n, float& umax, float& umin,
                               std::string& name);

}  // namespace ld::gui
