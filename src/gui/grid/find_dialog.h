#pragma once
// "Поиск" and "Замена": the text dialogs of the grid's current column.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ld::gui {

class TDataGrid5;

class TFindForm : public QDialog {
  Q_OBJECT

public:
  explicit TFindForm(TDataGrid5& grid, QWidget* parent = nullptr);
  ~TFindForm() override;

private:
  void FindClick();

  TDataGrid5& grid_;
  QLineEdit* findEdit_;
  QCheckBox* exactBox_;
  int lastRow_ = 0;  // the row of the last hit; the next search goes on after it
};

class TReplaceForm : public QDialog {
  Q_OBJECT

public:
  explicit TReplaceForm(TDataGrid5& grid, QWidget* parent = nullptr);
  ~TReplaceForm() override;

private:
  void ReplaceClick();

  TDataGrid5& grid_;
  QLineEdit* findEdit_;
  QLineEdit* replaceEdit_;
};

}  // namespace ld::gui
