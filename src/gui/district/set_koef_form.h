#pragma once
// "Весовые коэффициенты": the weight coefficient of a load node by its load type, which scheme forming
// gives a node whose own coefficient is 0.
#include <QDialog>

class QTableWidget;
class QTableWidgetItem;

namespace ld::gui {

class TSetKoefFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetKoefFrm(QWidget* parent = nullptr);

  QTableWidget* Grid;
  // A coefficient cell whose text is no number is emptied.
  void GridSetEditText(QTableWidgetItem* item);
  // Kv_0 … Kv_5 of the settings record from the coefficient cells (an empty cell gives 0).
  void Store() const;

private:
  void ShowWholeGrid();
};

// Shows the dialog; the settings change only on "Применить".
void ExecuteWeightKoefDialog(QWidget* parent = nullptr);

}  // namespace ld::gui
