#pragma once
// "Формирование загрузки ТП,РП": the options of load forming, kept in the settings record: the average
// tgφ of industrial and household consumers, the spreading of household energy over the 0.4 kV lines,
// and the switching off of unloaded or unevenly loaded transformers (only without the spreading).
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace ld::gui {

class TLoadWFrm : public QDialog {
  Q_OBJECT

public:
  explicit TLoadWFrm(QWidget* parent = nullptr);

  QLineEdit *PromTgEdit, *BytTgEdit, *LoadTrEdit;
  QCheckBox* Lin04Box;
  QRadioButton *Length04, *Section04;
  QGroupBox* AnalysisBox;
  QCheckBox *NullTrBox, *UnevenInfoBox;
  QLabel* Label1;

  // What may be chosen follows the spreading over the lines.
  void Lin04BoxClick();
  void UnevenInfoBoxClick();
  // A text that is no number is cleared as it is typed.
  void PromTgEditChange(QLineEdit* edit);
  // The settings from the controls.
  void Store() const;
};

// Shows the dialog over the settings; true when "Применить" stored them.
bool ExecuteLoadFormingDialog(QWidget* parent = nullptr);

}  // namespace ld::gui
