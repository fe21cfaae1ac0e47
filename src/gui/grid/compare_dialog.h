#pragma once
// "Сравнение по колонкам": picks the file to compare with, the compared and the key columns.
#include <QDialog>

#include "core/tables/layout.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace ld::gui {

class TDataGrid5;

class TCompareForm : public QDialog {
  Q_OBJECT

public:
  explicit TCompareForm(TDataGrid5& grid, QWidget* parent = nullptr);
  ~TCompareForm() override;
  TCompareForm(const TCompareForm&) = delete;
  TCompareForm& operator=(const TCompareForm&) = delete;

  // Reads the file to compare with and lists its columns.
  void ChooseFile(const std::string& path);

private:
  void BrowseClick();
  void ApplyClick();
  void EnableControls(bool on);

  TDataGrid5& grid_;
  TDataFile other_;
  QLineEdit* fileEdit_;
  QPushButton* browse_;
  QListWidget* compareList_;
  QListWidget* keyList_;
  QCheckBox* differenceBox_;
  QCheckBox* percentBox_;
  QPushButton* apply_;
  QPushButton* exit_;
  QProgressBar* progress_;
};

}  // namespace ld::gui
