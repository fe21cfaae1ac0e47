#pragma once
// "Свойства графика": creates or edits one row of the graph catalogue and checks it.
#include <QDialog>
#include <vector>

#include "core/catalogs/catwin_params.h"
#include "core/tables/layout.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace ld::gui {

class TGraphParamForm : public QDialog {
  Q_OBJECT

public:
  // Fills the lists from the catalogue and shows row `row` (0: a new graph).
  TGraphParamForm(const TDataFile& catalog, bool hasValues, int row, QWidget* parent = nullptr);

  // What the controls hold now.
  ld::TGraphParamInput Input() const;

private:
  void TypeChanged(int index);
  void PeriodChanged(int index);
  void QuantityChanged(int index);
  void FillUnits(char letter);
  void FillTypical(char letter);
  void EnableCurrentGroup(bool on);
  void RadioChanged();
  void Apply();
  char Letter() const;

  ld::TGraphCatalogCols cols_;
  ld::TGraphParamContext context_;
  bool hasValues_ = false;
  QComboBox* ngr_ = nullptr;
  QLineEdit* tit_ = nullptr;
  QComboBox* typ_ = nullptr;
  QComboBox* per_ = nullptr;
  QComboBox* zam_ = nullptr;
  QComboBox* unt_ = nullptr;
  QRadioButton* usBox_ = nullptr;
  QRadioButton* nuBox_ = nullptr;
  QRadioButton* tgfBox_ = nullptr;
  QRadioButton* ntgBox_ = nullptr;
  QLineEdit* us_ = nullptr;
  QComboBox* nu_ = nullptr;
  QLineEdit* tgf_ = nullptr;
  QComboBox* ntg_ = nullptr;
  QComboBox* nt_ = nullptr;
};

// Creates (row 0, the appended row comes back in row) or edits a row of the catalogue; hasValues
// keeps type and period. True when the person applied valid input; the caller saves the table.
bool EditGraphParams(TDataFile& catalog, bool hasValues, int& row);

}  // namespace ld::gui
