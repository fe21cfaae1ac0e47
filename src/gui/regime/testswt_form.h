#pragma once
// "Тест переключений": the period and the two norms of the switching test, and which of its reports to
// write.
#include <QDialog>

#include "core/base/dates.h"

class QCheckBox;
class QLineEdit;

namespace ld::gui {

class TDateField;

class TTestSwtFrm : public QDialog {
  Q_OBJECT

public:
  explicit TTestSwtFrm(QWidget* parent = nullptr);
  // A norm field: an empty text counts as "0", one that is no whole number is erased.
  void _NoSupChange(QLineEdit* edit);
  TDateTime Date1() const;
  TDateTime Date2() const;

  TDateField *_Date1, *_Date2;
  QLineEdit *_NoSup, *_Cont;
  QCheckBox *_NoSupRpt, *_NoSnrRpt;
};

// Runs the dialog over the settings; on a confirmed, sound period the period and the norms are stored
// in IniRec, the report choices returned and the result is true.
bool ExecuteTestSwitchDialog(bool& noSupRpt, bool& noSnrRpt);

}  // namespace ld::gui
