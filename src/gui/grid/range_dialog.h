#pragma once
// "Выборка данных": the bounds of a range selection.
#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace ld::gui {

class TRangeForm : public QDialog {
  Q_OBJECT

public:
  explicit TRangeForm(QWidget* parent = nullptr);

  QLineEdit* FromEdit() const { return from_; }
  QLineEdit* ToEdit() const { return to_; }
  QCheckBox* InclusiveBox() const { return inclusive_; }

private:
  QLineEdit* from_;
  QLineEdit* to_;
  QCheckBox* inclusive_;
};

}  // namespace ld::gui
