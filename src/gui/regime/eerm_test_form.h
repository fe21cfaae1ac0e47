#pragma once
// The node and increment of the test of one node's EERM (and of its EEAM): "Тест ЭЭРМ".
#include <QDialog>

class QLineEdit;

namespace ld::gui {

class TEERMTestFrm : public QDialog {
  Q_OBJECT

public:
  explicit TEERMTestFrm(QWidget* parent = nullptr);

  QLineEdit* NumEdit() const { return numEdit_; }
  QLineEdit* DQEdit() const { return dQEdit_; }

private:
  QLineEdit *numEdit_, *dQEdit_;
};

// True on "Применить" with the node number (0 when left empty) and dQ; on "Отменить" false, and the
// arguments keep their values.
bool ExecuteEERMTestDialog(int& Node, double& dQ);

}  // namespace ld::gui
