#pragma once
// The message box of the system: a small fixed dialog with an icon, a wrapped text and one of four
// button sets. It returns the caller's small integers, not toolkit result codes.
#include <QDialog>
#include <string>

class QFrame;
class QLabel;
class QPushButton;

namespace ld::gui {

class TMessageForm : public QDialog {
  Q_OBJECT

public:
  // kind: 0 "Ошибка", 1 "Предупреждение", 2 "Информация"; buttons: the sets of ld::ShowMsgForm.
  TMessageForm(const QString& text, int kind, int buttons, QWidget* parent = nullptr);

  // The value of the button pressed; before any press, the value a close by the window system gives.
  int Result() const { return result_; }

protected:
  void keyPressEvent(QKeyEvent* event) override;

public slots:
  // Esc and the window system's close both end here: the dialog closes with the set's cancel value.
  void reject() override;

private:
  void Finish(int value);
  void FitToText();

  int result_ = 0;
  int closeValue_ = 0;
  QLabel* message_ = nullptr;
  QFrame* bevel_ = nullptr;
  QPushButton* buttons_[3] = {nullptr, nullptr, nullptr};
};

// Shows the message box modally (through ExecModal) and returns the value of the button pressed.
int ShowQtMsgForm(const std::string& text, int kind, int buttons);

// Makes ld::ShowMsgForm show the Qt message box.
void InstallQtMsgBox();

}  // namespace ld::gui
