#pragma once
// The balancing settings dialog "Балансировка нагрузок" over the [Balans] keys of IniRec. The balancing
// command opens it in full; the energy-loss settings open it reduced, without the regime settings, the
// saving of the balanced loads and the iteration listing.
#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ld::gui {

class TSetBalansFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetBalansFrm(bool full, QWidget* parent = nullptr);

  void Load();
  // An error text for the first field that does not read as a number; empty when all do.
  std::string Validate() const;
  void Store() const;

private:
  void FloatChange(QLineEdit* edit);
  void IntChange(QLineEdit* edit);
  void RegBtnClick();
  void OKBtnClick();

  bool full_;
  QLineEdit *precEdit_, *tgfEdit_, *iterEdit_, *shiftEdit_, *mulKvuEdit_, *mulKvfEdit_, *mulKviEdit_;
  QCheckBox *cLoadBox_, *cVoltBox_, *cFlowBox_, *wLoadBox_, *wVoltBox_, *wFlowBox_, *propPQBox_, *rZnakBox_,
      *rNullBox_, *savePQBox_, *iterBox_;
  QPushButton* regBtn_;
};

// True when the person pressed "Применить" and the values were stored.
bool ExecuteBalansSettingsDialog(bool Full);

}  // namespace ld::gui
