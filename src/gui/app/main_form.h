#pragma once
// The main window: a small tool bar at the top-left corner of the screen whose buttons show the work
// windows below it, and whose closing closes them (each asks about its unsaved tables first).
#include <QWidget>

class QToolButton;

namespace ld::gui {

class TBaseResForm;
class TZregimForm;
class TFormTKZ;
class TWorkForm;

class TMainForm : public QWidget {
  Q_OBJECT

public:
  explicit TMainForm(QWidget* parent = nullptr);

  // The work windows that the buttons show and the close chain closes; created after the main window.
  void SetWorkWindows(TBaseResForm* baseRes, TZregimForm* zregim, TFormTKZ* tkz);

  // The close chain: every visible work window, in order, asks its own close query and is closed;
  // the first that refuses keeps itself, the windows after it and the main window open.
  void FormCloseQuery(bool& canClose);

signals:
  // The main window has closed: the program ends.
  void Closed();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  QToolButton* AddButton(const char* name, const QString& caption);
  void ShowBelow(TWorkForm* window);

  TBaseResForm* baseRes_ = nullptr;
  TZregimForm* zregim_ = nullptr;
  TFormTKZ* tkz_ = nullptr;
  QToolButton* bresBtn_ = nullptr;
  QToolButton* zregBtn_ = nullptr;
  QToolButton* tkzBtn_ = nullptr;
  QToolButton* fileBtn_ = nullptr;
  QToolButton* eermBtn_ = nullptr;
  QToolButton* rtimBtn_ = nullptr;
};

// The main window of the program.
extern TMainForm* MainForm;

}  // namespace ld::gui
