#pragma once
// The calculation period dialog "Установка расчетного периода": the period of IniRec ([Losses] Date1,
// Date2), how loads given by energy or by graphs become the powers of the calculated moment
// (TypCalcPQ) and, for graph slices, the moment (CalcDate) and the slice interval (Tgr).
#include <QDialog>
#include <string>

class QComboBox;
class QRadioButton;
class QTimeEdit;

namespace ld::gui {

class TDateField;

class TWPeriodFrm : public QDialog {
  Q_OBJECT

public:
  explicit TWPeriodFrm(QWidget* parent = nullptr);

  void Load();
  void Store() const;
  // The first period error in the order the dialog checks them; empty when the values pass.
  std::string Check() const;

private:
  void GrafBtnClick();
  void OKBtnClick();
  int CheckedIndex() const;
  double Moment() const;  // date of CalcDate and time of CalcTime as TDateTime

  TDateField *date1_, *date2_, *calcDate_;
  QTimeEdit* calcTime_;
  QRadioButton* kinds_[4];
  QComboBox* period_;
};

// Runs the dialog; true when the person confirmed values that pass and they were stored.
bool ExecuteCalcPeriodDialog();

}  // namespace ld::gui
