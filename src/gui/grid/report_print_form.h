#pragma once
// The print dialog of text reports, "Печать документа": header and trailer, font, printer, margins,
// page numbers, a text file instead of paper, a row selection, and the print button that turns into
// "Сброс" while printing and "Выход" when done.
#include <QAbstractSpinBox>
#include <QDialog>
#include <QFont>
#include <string>
#include <vector>

#include "gui/grid/report_print_render.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QProgressBar;
class QPushButton;

namespace ld::gui {

// A margin field in centimetres with its up/down buttons: steps of 0.1, typed values read with either
// decimal separator, everything kept within 0..20 and shown with one decimal.
class TMarginEdit : public QAbstractSpinBox {
  Q_OBJECT

public:
  explicit TMarginEdit(QWidget* parent = nullptr);
  double Value() const { return value_; }
  void SetValue(double cm);
  void stepBy(int steps) override;
  // Takes over what was typed.
  void Commit();

signals:
  void ValueChanged();

protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
  QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }

private:
  double value_ = 0;
};

class TPrnSetForm : public QDialog {
  Q_OBJECT

public:
  TPrnSetForm(const std::vector<std::string>& beginLines, const std::vector<std::string>& endLines,
              std::vector<std::string>& document, QWidget* parent = nullptr);

  // Writes the dialog's settings to "prnsetup.cfg"; called when the dialog is done.
  void SaveSettings();

  const QFont& DocumentFont() const { return font_; }

public slots:
  void reject() override;

private:
  enum class Stage { Ready, Printing, Done };

  void BuildUi();
  void LoadSettings();
  void SetLandscape(bool landscape);
  void TurnMargins(bool toLandscape);
  void RedrawPreview();
  PrintMargins Margins() const;
  std::vector<std::string> MemoLines(const QPlainTextEdit& memo) const;
  void EnableControls(bool enabled);
  void PrinterBtnClick();
  void FontBtnClick();
  void PrintBtnClick();
  // Each false when it failed; the person has been told.
  bool PrintDocument();
  bool WriteTextFile();

  std::vector<std::string>& document_;
  QPrinter& printer_;
  QFont font_;
  int charset_ = 0;
  int documentWidth_ = 0;
  Stage stage_ = Stage::Ready;
  bool cancel_ = false;

  QPlainTextEdit* beginText_ = nullptr;
  QPlainTextEdit* endText_ = nullptr;
  QPushButton* printerBtn_ = nullptr;
  QPushButton* fontBtn_ = nullptr;
  QLabel* srcImage_ = nullptr;
  TMarginEdit* topEdit_ = nullptr;
  TMarginEdit* bottomEdit_ = nullptr;
  TMarginEdit* leftEdit_ = nullptr;
  TMarginEdit* rightEdit_ = nullptr;
  QCheckBox* pageNumBox_ = nullptr;
  QCheckBox* textFileBox_ = nullptr;
  QLineEdit* textFileEdit_ = nullptr;
  QCheckBox* checkPrnRows_ = nullptr;
  QLineEdit* prnRows_ = nullptr;
  QPushButton* printBtn_ = nullptr;
  QProgressBar* prnProc_ = nullptr;
};

}  // namespace ld::gui
