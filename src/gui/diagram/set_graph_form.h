#pragma once
// The diagram settings dialog "Настройки схемной графики": captions, metrics, ordering rules, shown
// components and results, flow kind and arrows, animation, the caption font and five presets of one
// diagram control. The control changes only on confirmation.
#include <QDialog>
#include <QFont>

namespace ld::diagram {
class TSchemBoxState;
}

namespace ld::gui {

class TSetGraphFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetGraphFrm(QWidget* parent = nullptr);

  // Fills every control from the control's settings and clears the rebuild mark.
  void LoadSettings(const diagram::TSchemBoxState& box);
  // Writes every control back into the settings.
  void StoreSettings(diagram::TSchemBoxState& box) const;
  // Whether the model must be rebuilt rather than only laid out again.
  bool RebuildMark() const { return rebuild_; }

private:
  void ComboBox1Change() { rebuild_ = true; }
  void CheckBox13Click();
  void ComboBox2Change();
  void ComboBox3Change();
  void Button1Click();
  void ShowFont();

  QFont font_;
  bool rebuild_ = false;
  bool filling_ = false;
};

// Runs the dialog on the control's settings. True when confirmed and written; RebuildNeeded is set
// only then: whether the diagram must be rebuilt rather than laid out again.
bool ExecuteGraphSettingsDialog(diagram::TSchemBoxState& Box, bool& RebuildNeeded);

}  // namespace ld::gui
