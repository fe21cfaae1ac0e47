#pragma once
// The colouring dialog "Выбор раскраски элементов схемы": the colouring mode, background, node and
// line colours, the voltage classes with their colours and widths, the ownership and district
// colours, the state and flow marks of one diagram control. It works on copies; the control and the
// scheme's district file change only on confirmation.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

#include "core/diagram/district_colors.h"

class QPushButton;

namespace ld::diagram {
class TSchemBoxState;
}

namespace ld::gui {

class TSetColorFrm : public QDialog {
  Q_OBJECT

public:
  TSetColorFrm(diagram::TDistrictColors& districts, QWidget* parent = nullptr);

  void LoadSettings(const diagram::TSchemBoxState& box);
  // Writes the settings and the district colours into the control (the district file is the
  // caller's to write).
  void StoreSettings(diagram::TSchemBoxState& box) const;

private:
  void UboxChange();
  void LwChange();
  void BalansBoxChange();
  void NrChange(int index);
  void BkClick(QPushButton* panel);
  void AddUnClick();
  void DelUnClick();
  void SetPanel(const char* name, std::uint32_t color);
  std::uint32_t Panel(const char* name) const;

  diagram::TDistrictColors& districts_;
  std::vector<float> vUn_;
  std::vector<std::int32_t> cUn_, wLn_;
  std::int32_t owners_[4] = {};
  int selected_ = -1;  // the voltage class chosen in UBox; -1 while a voltage is typed
  bool updating_ = false;
};

// True when confirmed with "Применить": the control has its new colours, and the district file,
// when the scheme has one, its new district colours. A table error is shown and ends the dialog.
bool ExecuteColorSettingsDialog(diagram::TSchemBoxState& Box, const std::string& SchemeBase);

}  // namespace ld::gui
