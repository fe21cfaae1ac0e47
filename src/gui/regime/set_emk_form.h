#pragma once
// "Расчет емкостных токов": whether the capacitive currents use the calculated or the nominal voltages.
#include <QDialog>

class QRadioButton;

namespace ld::gui {

class TSetEmkFrm : public QDialog {
  Q_OBJECT

public:
  explicit TSetEmkFrm(QWidget* parent = nullptr);
  void Load();
  void Store() const;

private:
  QRadioButton *unom_, *ureg_;
};

// True when "Применить" stored the choice.
bool ExecuteCapCurrentSettings();

}  // namespace ld::gui
