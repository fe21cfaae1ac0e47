#pragma once
// "Расчет потерь": the settings of the period loss calculation, in the [Losses] keys of IniRec and the
// time slice Tgr of [Regim].
#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace ld::gui {

class TDateField;

class TSetLossFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetLossFrm(std::string schemePath, QWidget* parent = nullptr);

  void Load();
  // An error text when Kfgn does not read as a number; empty when it does.
  std::string Validate() const;
  // The first error of the values confirmed: a reversed period, then what Validate finds. A period
  // refused here is never stored, so no later dialog or run meets it.
  std::string Check() const;
  void Store() const;
  bool OutWord() const;

private:
  void TypeClick();
  void LossUnomClick();

  std::string schemePath_;
  TDateField *date1_, *date2_;
  QRadioButton *sredBtn_, *pminBtn_, *pmaxBtn_, *grafBtn_;
  QComboBox* period_;
  QLineEdit* kfgnEdit_;
  QCheckBox *fidBox_, *regKtrBox_, *regQBox_, *lossUnomBox_, *lossPlusBox_, *outWordBox_;
};

// True when "Применить" stored the settings; OutWord then tells whether the statement goes to a document.
bool ExecuteLossSettingsDialog(const std::string& SchemePath, bool& OutWord);

}  // namespace ld::gui
