#pragma once
// "Оптимизация коэффициентов трансформации": the taps of the scheme's regulated transformers chosen
// so that the control nodes keep their voltage limits at the least losses, by coordinate descent
// ("Автомат"), along a numerical gradient ("Градиент") or by hand with the slider; the taps and ratios
// written into the branch table ("Запись Ктр") and the table "Трансформаторы" saved ("Сохранить").
// The window calculates on its own engine, never on the regime window's.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "core/engine/regime.h"
#include "core/optim/ktr_model.h"
#include "gui/grid/data_grid.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace ld::gui {

class TT_Form : public QDialog {
  Q_OBJECT

public:
  TT_Form(const std::string& schemeStem, const std::string& schemeDir, QWidget* parent = nullptr);
  ~TT_Form() override;

  // True once "Запись Ктр" wrote the branch table.
  bool Result() const { return result_; }

  QPushButton *AddTrBtn, *CalcBtn, *AutoBtn, *GradientBtn, *OkBtn, *CancelBtn, *LoadBtn, *WriteBtn, *PrintBtn;
  QLineEdit *KiterEdit, *KpEdit, *KuEdit, *DuEdit, *DnEdit;
  TDataGrid5* TGrid;
  QPlainTextEdit* ResMemo;
  QLabel *HLabel, *NLabel, *PLabel, *OptLabel, *U1Label, *U2Label;
  QLabel *Shape1, *Shape2;
  QSlider* RegLine;
  QProgressBar* ProgBar;
  QCheckBox* UmBox;

  void CalcBtnClick();
  void AutoBtnClick();
  void GradientBtnClick();
  void AddTrBtnClick();
  void LoadBtnClick();
  void WriteBtnClick();
  void CancelBtnClick(bool save);
  void PrintBtnClick();
  void RegLineChange(int position);

  // The memo's lines: the rows with their taps, each search step appending the new taps.
  void ListTaps();
  void AppendTaps(int first, int last);
  const std::vector<std::string>& MemoLines() const { return memo_; }

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

private:
  void FormShow();
  void FormClose();
  void FitTapColumns();
  void ShowLosses(double dP);
  void ShowControlVoltages(int row);
  void TGridMoveProc(int row);
  void TGridChangeMode(TGridMode mode);
  void TableChanged();
  void ResetResults();
  void ShowResults();
  void SetNtekEditable(bool on);
  void EnableCommands(bool on);
  void FinishSearch(const char* caption, double dPStart, int passes);
  void PickControlNode(int which);
  bool ReadSchemeTables();
  void FloatEditChange(QLineEdit* edit);
  void IntEditChange(QLineEdit* edit);
  void SetShape(QLabel* shape, const QColor& color);
  std::string TableFile() const;
  bool ReadWeights(int& kiter, double& kdp, double& ku, double& du, double& dn);

  std::string stem_, dir_;
  std::unique_ptr<TRegime> regime_;
  std::unique_ptr<TKtrModel> model_;
  TDataFile nodes_, branches_;
  double dP0_ = 0, dP_ = 0, shownDP_ = 0;
  bool current_ = false, running_ = false, stop_ = false, result_ = false, shown_ = false;
  int pickerRow_ = 1;
  std::vector<std::string> memo_;
};

// Shows the window modally on the scheme; true when "Запись Ктр" wrote the branch table, so that the
// caller reloads its branch table. schemeDir: the folder part of the stem, with its separator.
bool RunKtrOptimisation(const std::string& schemeStem, const std::string& schemeDir);

}  // namespace ld::gui
