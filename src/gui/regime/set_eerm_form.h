#pragma once
// The settings of the EERM calculation of the nodes ("Расчет ЭЭРМ узлов"): regime accuracy, iteration
// limit, the reactive increment and whether the values are taken by modulus; kept in IniRec.
#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace ld::gui {

class TSetEERMFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetEERMFrm(QWidget* parent = nullptr);

  void Load();
  void Store() const;

private:
  QLineEdit *precEdit_, *iterEdit_, *dQEdit_;
  QCheckBox* absEERMBox_;
};

// An edit's typing check: a text (empty counts as "0") that reads as no integer, or as no number, is
// removed at once.
void IntChange(QLineEdit* edit);
void FloatChange(QLineEdit* edit);

// True when "Применить" was pressed; the settings are then stored. "Отменить" changes nothing.
bool ExecuteEERMSettingsDialog();

}  // namespace ld::gui
