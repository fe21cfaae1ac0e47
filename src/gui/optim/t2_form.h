#pragma once
// The window "Оптимизация включенных трансформаторов": the two-transformer stations of a scheme, their
// states tried by hand or searched automatically, and the chosen states written into the branch table.
#include <QDialog>
#include <memory>
#include <string>

#include "core/optim/t2_stations.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ld::gui {

class TDataGrid5;

class TT2_Form : public QDialog {
  Q_OBJECT

public:
  // Finds the stations and calculates the scheme; throws what the search throws.
  explicit TT2_Form(const std::string& stem, QWidget* parent = nullptr);
  ~TT2_Form() override;

  bool Written() const { return written_; }
  TT2Optimiser& Optimiser() { return *opt_; }
  TDataGrid5& Grid() { return *t2Grid_; }

  void OptimBtnClick();
  void ResBtnClick();
  void PrintBtnClick();
  void WriteBtnClick();
  void T1BtnClick(int tag);
  void T2GridMoveProc(int row);

protected:
  void done(int result) override;

private:
  void ShowTable();
  void ShowLossDisplay(const TT2LossDisplay& d, int row);
  void MarkEveryRow();
  int CurrentRow() const;
  void EnableControls(bool on);

  std::unique_ptr<TT2Optimiser> opt_;
  bool written_ = false, running_ = false, closed_ = false;

  TDataGrid5* t2Grid_;
  QPushButton *optimBtn_, *resBtn_, *printBtn_, *writeBtn_, *quitBtn_;
  QLineEdit* dPmin_;
  QRadioButton *t1Btn_, *t2Btn_, *svBtn_;
  QLabel *lamp_, *pLabel_, *t2Label_;
  QPlainTextEdit* resMemo_;
  QMenu* memoMenu_;
  QProgressBar* progress_;
};

// Opens the window modally over the scheme (stem: base path without extension); true after "Запись".
// A scheme whose stations cannot be set up gives the error in the message box and false.
bool RunT2Optimisation(const std::string& stem);

}  // namespace ld::gui
