#pragma once
// "Запись переключения в журнал": the moment, the executor and a note of a switching made on the
// diagram, with the branch and the kind of switching shown above.
#include <QDialog>
#include <functional>
#include <string>

#include "core/base/dates.h"
#include "core/tables/layout.h"
#include "core/regime/switch_journal.h"
#include "core/tables/switch_rec.h"

class QLabel;
class QLineEdit;
class QTimeEdit;

namespace ld::gui {

class TDateField;

class TWriteSwtFrm : public QDialog {
  Q_OBJECT

public:
  TWriteSwtFrm(const std::string& header, char newCommut, char oldCommut, TDateTime moment,
               QWidget* parent = nullptr);
  // The date of the date field with the time of day of the time field.
  TDateTime Moment() const;
  // Why "Применить" cannot take the moment entered (empty: it can); the dialog then stays open with the
  // refusal shown, for the moment to be changed.
  std::function<std::string(TDateTime moment)> Refusal;

  QLabel *HeaderLabel, *KindLabel;
  TDateField* DateEdit;
  QTimeEdit* TimeEdit;
  QLineEdit *DispEdit, *PrimEdit;
};

// The executor entered last, proposed in the next entry while the program runs.
extern std::string LastSwitchExecutor;

// Asks for the moment, executor and note of the switching of branch row li (before: its state before the
// change). The moment proposed is now, or after the journal's last entry (ProposedSwitchMoment); a moment
// at which the journal holds an entry of the branch is refused in the dialog, naming that entry's row.
// False when cancelled; the journal and the branches are left as they are (SaveDiagramSwitching enters it).
bool AskSwitchEntry(TDataFile& journal, TDataFile& branches, int li, const TRecSwt& before, TSwitchEntry& entry);

}  // namespace ld::gui
