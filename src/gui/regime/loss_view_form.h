#pragma once
// "Составляющие потерь": which columns of the loss panel's table are shown. Each box carries the bit of
// its column in the settings' LossAttr, where a set bit hides the column.
#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;

namespace ld::gui {

class TLossViewForm : public QDialog {
  Q_OBJECT

public:
  explicit TLossViewForm(QWidget* parent = nullptr);

  void Load(std::int32_t lossAttr);
  // The OR of the bits of the unticked boxes.
  std::int32_t Hidden() const;

private:
  std::array<QCheckBox*, 13> boxes_{};
};

// Changes lossAttr only on "Применить"; true then.
bool ExecuteLossViewDialog(std::int32_t& lossAttr);

}  // namespace ld::gui
