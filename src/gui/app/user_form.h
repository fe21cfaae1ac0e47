#pragma once
// The user list editor: an administrator edits the user names, passwords, user data and rights of the
// user list file in a data grid and saves them when every row has a name and a password.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QScrollBar;

namespace ld::gui {

class TDataGrid5;

class TUserForm : public QDialog {
  Q_OBJECT

public:
  explicit TUserForm(std::string fileName, QWidget* parent = nullptr);

  TDataGrid5& Grid() { return *dTable_; }

protected:
  void showEvent(QShowEvent* event) override;

private:
  void Button1Click();
  void PrintBtnClick();
  // The first row without a user name, then the first without a password; empty when all are set.
  std::string CheckRows() const;

  std::string fileName_;
  bool opened_ = false;
  TDataGrid5* dTable_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  QLabel* hLabel_ = nullptr;
};

// Runs the editor over the user list file (created empty when missing) and saves the list when the
// person applies it. Only the lock that the editor itself took is removed at the end.
void EditUserList();

}  // namespace ld::gui
