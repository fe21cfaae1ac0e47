#pragma once
// The dialog "Настройка оптимизации разрывов": which cuts the open-point search takes and how it
// searches, kept in the settings record; it tells its caller whether the selection of cuts or the
// regime settings changed.
#include <QDialog>
#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ld::gui {

// The regime settings dialog belongs to the regime window, whose library links this one; the window
// installs it here (withPeriod, true when applied). Empty: the button does nothing.
std::function<bool(bool withPeriod)>& RegimSettingsDialog();

class TOptimCutFrm : public QDialog {
  Q_OBJECT

public:
  explicit TOptimCutFrm(QWidget* parent = nullptr);

  void Load();   // the settings into the controls; both change flags cleared
  void Store() const;
  // "Применить": the voltage group checked and parsed into voltages; false (message shown) when a part
  // of it is no number.
  bool Accept(std::vector<float>& voltages);

  bool RegimeChanged = false;
  bool SelectionChanged = false;

private:
  QRadioButton *cutAll_, *cutPR_, *localMin_, *globalMin_;
  QCheckBox *flagDP_, *flagUn_, *exceptTr_, *stopTr_;
  QLineEdit *editDP_, *groupUn_, *rIter_;
  QPushButton *regimBtn_, *okBtn_, *cancelBtn_;
};

// Runs the dialog; true on "Применить" with the settings stored, voltages filled from GroupUn when
// FlagUn is ticked, and the two flags; on cancel false with both flags false.
bool ExecuteCutOptimSettings(std::vector<float>& voltages, bool& regimeChanged, bool& selectionChanged);

}  // namespace ld::gui
