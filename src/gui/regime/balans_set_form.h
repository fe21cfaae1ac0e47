#pragma once
// "Настройки баланса электроэнергии": the [BalansEnergy] keys of IniRec.
#include <QDialog>
#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace ld::gui {

class TBalansSetFrm : public QDialog {
  Q_OBJECT

public:
  explicit TBalansSetFrm(QWidget* parent = nullptr);

  void Load();
  // An error text for the first edit that does not read as a number; empty when all do.
  std::string Validate() const;
  void Store() const;

private:
  QRadioButton *cutBalans_, *fullBalans_;
  QCheckBox *ourLoss_, *sumALoss_;
  QComboBox* dynamicFlow_;
  std::array<QLineEdit*, 4> edits_{};
};

void ExecuteBalanceSetupDialog();

}  // namespace ld::gui
