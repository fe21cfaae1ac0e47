#pragma once
// The regime settings dialog "Расчет режима схемы": limits, accuracy, iterations, damping and the model
// options of the regime engine, kept in IniRec; its button "Расчетный период" opens the period dialog.
#include <QDialog>
#include <QGroupBox>
#include <QStringList>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ld::gui {

// A titled column of radio buttons with one item index (-1: none chosen).
class TRadioGroup : public QGroupBox {
  Q_OBJECT

public:
  TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Button(int index) const;

private:
  QButtonGroup* group_ = nullptr;
};

class TSetRegimFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetRegimFrm(bool withPeriod, QWidget* parent = nullptr);

  // The settings record into the controls and back (Store only after Validate).
  void Load();
  void Store() const;
  // An error text for the first field that does not read as a number; empty when all do.
  std::string Validate() const;

private:
  void IntChange(QLineEdit* edit);
  void FloatChange(QLineEdit* edit);
  void CheckBox1Click();
  void WRBtnClick();
  void OKBtnClick();
  void ShowPeriod();

  bool withPeriod_;
  QLineEdit *uvEdit_, *unEdit_, *precEdit_, *iterEdit_, *countRQEdit_, *damp1_, *damp2_;
  QCheckBox *checkBox1_, *checkBox2_, *checkBox3_, *checkBox4_;
  QComboBox* comboBox1_;
  QRadioButton *radioButton1_, *radioButton2_;
  TRadioGroup *typU0_, *typLoad_, *typTok_;
  QPushButton* wrBtn_;
  QLabel *dateLabel_, *wrLabel_;
};

// The period text ("dd.mm.yyyy - dd.mm.yyyy") and the text of the way loads are taken for the moment.
void PeriodCaptions(std::string& period, std::string& loads);

// Runs the dialog; true when the person pressed "Применить" and the values were stored. Opening it
// always clears IniRec.RepeatIter. WithPeriod enables "Расчетный период" and the period texts.
bool ExecuteRegimSettingsDialog(bool WithPeriod);

}  // namespace ld::gui
