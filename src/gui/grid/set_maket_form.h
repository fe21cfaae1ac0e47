#pragma once
// "Настройка форматов таблиц": the columns' titles, widths, sizes, decimals, edit rights, visibility,
// colours and comments of a table's layout. Field names, types, the column count and the key order
// are shown or kept, never edited.
#include <QDialog>

#include "core/tables/layout.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace ld::gui {

class TColorComboBox;

class TSetMaketForm : public QDialog {
  Q_OBJECT

public:
  // Works on a copy of the table's layout without its computed columns.
  explicit TSetMaketForm(const TDataFile& table, QWidget* parent = nullptr);

  const TDataFile& Work() const { return work_; }
  int CurrentColumn() const { return current_; }

private:
  void ShowColumn();
  void IDElemClick();
  void IntChange(QLineEdit* edit);
  void TitElemChange();
  void CommentChange();
  void FlagChange(QListWidgetItem* item);
  void AccessChange();
  void ColorChange(TColorComboBox* box);

  TDataFile work_;  // layout only: no arrays
  int current_ = 1;
  bool loading_ = false;
  QListWidget* idElem_;
  QLineEdit* titElem_;
  QLineEdit* pixWidth_;
  QLineEdit* ctrlSize_;
  QLineEdit* fltDigit_;
  QCheckBox* access_;
  TColorComboBox* colorB_;
  TColorComboBox* colorF_;
  TColorComboBox* colorT_;
  QLineEdit* comment_;
  QLabel* typElem_;
};

// The caption of a column type: "Тип: Byte" ... "Тип: Word".
const char* TypeCaption(char type);

}  // namespace ld::gui
