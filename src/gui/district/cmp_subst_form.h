#pragma once
// "Сравнение п/ст 10 <--> 110 кВ": the substations of a district base beside those of a 110(150)/35 kV
// scheme. Equal names pair at once, the others are paired by hand, and "Применить" renames the base's
// substations to the scheme's names.
#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace ld::gui {

class TCmpSubstForm : public QDialog {
  Q_OBJECT

public:
  TCmpSubstForm(const std::vector<std::string>& baseNames, const std::string& baseFolder, QWidget* parent = nullptr);

  QLineEdit* Edit1;
  QPushButton* Button1;
  QListWidget *List1, *List2;
  QPushButton *SetBtn, *ClrBtn, *ApplyBtn, *ExitBtn;

  void Button1Click();
  // Reloads the scheme's substations when Edit1 names an existing file.
  void Edit1Change();
  void SetBtnClick();
  void ClrBtnClick();
  void List1Click();

  std::vector<std::string> Items() const;

private:
  void SetItems(const std::vector<std::string>& items);
  std::vector<std::string> schemeNames_;
  std::string baseFolder_;
};

// True when the renaming was applied ("Применить"), false after "Выход". schemeFile is shown in Edit1
// and receives what Edit1 holds at the end. The base's tables stay locked while the dialog runs.
bool MatchSubstationNames(const std::string& baseStem, std::string& schemeFile, QWidget* parent = nullptr);

}  // namespace ld::gui
