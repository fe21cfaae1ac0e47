#pragma once
// "Реконфигурация схемы": the scheme moved to another moment of its switching journal.
#include <QDialog>
#include <string>
#include <vector>

#include "core/regime/switch_journal.h"

class QComboBox;
class QTimeEdit;

namespace ld::gui {

class TDateField;

class TReconfigFrm : public QDialog {
  Q_OBJECT

public:
  TReconfigFrm(const std::vector<TJournalMoment>& moments, TDateTime t0, QWidget* parent = nullptr);
  void DatSwtListChange();
  TDateTime Moment() const;

  TDateField* _Date;
  QTimeEdit* _Time;
  QComboBox* DatSwtList;

private:
  const std::vector<TJournalMoment>& moments_;
};

// Brings the branch file of the scheme at base to the moment chosen; true when the branch file and the
// scheme's switching moment were rewritten. The caller holds the locks of the scheme's files.
bool ExecuteReconfigDialog(const std::string& base);

}  // namespace ld::gui
