#pragma once
// The login: the person picks a name from the user list file and types its password.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace ld {
struct TUserCols;
}

namespace ld::gui {

class TUserPswFrm : public QDialog {
  Q_OBJECT

public:
  // users: the user list with its columns filled; it must outlive the dialog.
  explicit TUserPswFrm(const TUserCols& users, QWidget* parent = nullptr);

  // The chosen row of the user list (1-based); 0 when none is chosen.
  int ChosenRow() const;

private:
  void OKBtnClick();

  const TUserCols& users_;
  QComboBox* userBox_ = nullptr;
  QLineEdit* pswEdit_ = nullptr;
};

// Asks for a user and its password. On success the user's name (with its data after ", " when there
// are any) becomes CurrentUserName and its right UserAccess; true. A cancelled login changes nothing.
bool UserLogin();

}  // namespace ld::gui
