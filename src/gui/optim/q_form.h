#pragma once
// The window "Оптимизация реактивных мощностей": the reactive sources of a scheme in a grid, the initial
// regime, steps and runs of the chosen method, and the write of the optimal powers into the node table.
#include <QDialog>
#include <memory>
#include <string>

#include "core/optim/q_optim.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ld {
class TRegime;
}

namespace ld::gui {

class TDataGrid5;

class TQ_Form : public QDialog {
  Q_OBJECT

public:
  TQ_Form(std::string stem, std::string folder, QWidget* parent = nullptr);
  ~TQ_Form() override;

  bool Written() const { return written_; }
  TDataGrid5& Grid() { return *qGrid_; }
  TRegime& Engine() { return *engine_; }
  TQOptimState& State() { return state_; }

  void LoadBtnClick();
  void CalcBtnClick();
  void OptimBtnClick();
  void PlusBtnClick();
  void MinusBtnClick();
  void WriteBtnClick();
  void PrintBtnClick();
  void OkBtnClick(bool save);

protected:
  void done(int result) override;

private:
  void ResetDisplay();
  void UpdateDisplay();
  void ShowLabels(bool on);
  bool ReadParams(TQMethodParams& p);
  void SetRunning(bool on);
  void ReadIni();
  void WriteIni();
  std::string TableFile() const;

  std::string stem_, folder_;
  std::unique_ptr<TRegime> engine_;
  TQOptimState state_;
  double currentLoss_ = 0, previousLoss_ = 0, F_ = 0, previousF_ = 0, previousGradient_ = 0;
  bool running_ = false, written_ = false, closed_ = false;

  TDataGrid5* qGrid_;
  QPushButton *loadBtn_, *calcBtn_, *writeBtn_, *printBtn_, *minusBtn_, *optimBtn_, *plusBtn_, *okBtn_, *cancelBtn_;
  QComboBox* methodBox_;
  QLineEdit *epsOptEdit_, *epsRegEdit_, *kuEdit_, *kdpEdit_, *tokEdit_, *dQtEdit_, *cBskEdit_, *tarifEdit_, *tmaxEdit_;
  QCheckBox *umBox_, *precSnap_;
  QLabel *pLamp_, *pLabel_, *uLamp_, *uLabel_, *optLabel_, *iLabel_, *dLabel_, *fLabel_, *hLabel_;
};

// Opens the window modally over the scheme (stem: base path without extension; folder: the scheme's
// folder); true when the optimal powers were written into the node table.
bool RunQOptimisation(const std::string& stem, const std::string& folder);

}  // namespace ld::gui
