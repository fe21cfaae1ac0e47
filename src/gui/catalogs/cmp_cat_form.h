#pragma once
// "Выравнивание каталожных данных": aligns this program's catalogue files with those of another folder.
#include <QDialog>
#include <string>

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace ld::gui {

class TCmpCatFrm : public QDialog {
  Q_OBJECT

public:
  // folder: this program's catalogue folder, ending with the path separator.
  explicit TCmpCatFrm(std::string folder, QWidget* parent = nullptr);

  QLineEdit* PathEdit = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QProgressBar* ProgBar = nullptr;

  void Button1Click();
  void OKBtnClick();

private:
  std::string folder_;
};

void ShowCmpCatalogForm(const std::string& Folder);

}  // namespace ld::gui
