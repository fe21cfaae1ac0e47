#pragma once
// The window "Оптимизация разрывов": the open points of a scheme in a table, moved by hand along their
// loops or searched automatically, with the losses and the worst overloaded line shown, and the chosen
// open points written into the branch table.
#include <QDialog>
#include <memory>
#include <string>

#include "core/optim/cut_optimiser.h"

class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace ld::gui {

class TDataGrid5;

class TR_Form : public QDialog {
  Q_OBJECT

public:
  // Reads and calculates the scheme; throws what reading it throws.
  explicit TR_Form(const std::string& stem, QWidget* parent = nullptr);
  ~TR_Form() override;

  bool Written() const { return written_; }
  TCutOptimiser& Optimiser() { return *opt_; }
  TDataGrid5& Grid() { return *rGrid_; }

  void OptimBtnClick();
  void SetupBtnClick();
  void ResBtnClick();
  void PrintBtnClick();
  void WriteBtnClick();
  void SdvigRazrez(int dir);
  void ReplaceRazrez();
  void RGridMoveProc(int row);

protected:
  void done(int result) override;

private:
  void ShowTable(int row = 0);
  // The "1" marks typed into the grid's column "k" go into the table of the search.
  void TakeMarks();
  void ShowDisplay(const TCutDisplay& d);
  void ShowOverload(const TCutDisplay& d);
  void ShowCutChains(int tie, int side);
  void ClearCutDisplay();
  int CurrentRow() const;
  void EnableControls(bool on);

  std::unique_ptr<TCutOptimiser> opt_;
  bool written_ = false, running_ = false, closed_ = false;

  TDataGrid5* rGrid_;
  QPushButton *optimBtn_, *setupBtn_, *resBtn_, *printBtn_, *writeBtn_, *quitBtn_, *lBtn_, *rBtn_, *chgBtn_;
  QListWidget *leftList_, *rightList_;
  QLabel *lLabel_, *rLabel_, *lPanel_, *rPanel_, *pIndicator_, *tIndicator_, *pLabel_, *optLabel_, *iLabel_,
      *lineLabel_, *hLabel_;
  QPlainTextEdit* resMemo_;
  QMenu* memoMenu_;
  QProgressBar* procBar_;
};

// Opens the window modally over the scheme (stem: base path without extension); true after "Запись".
// A scheme that cannot be read gives the error in the message box and false.
bool RunCutOptimisation(const std::string& stem);

}  // namespace ld::gui
