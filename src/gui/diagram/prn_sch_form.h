#pragma once
// The dialog "Печать схемы": the diagram of one control on a grid of sheets, fitted to one sheet or
// saved as a bitmap file. The diagram has no stored coordinates, so the print font is its scale: it
// is laid out again at that font on the printer's resolution, and on its own canvas afterwards.
#include <QDialog>
#include <QFont>
#include <string>

#include "core/diagram/canvas.h"
#include "core/diagram/page_grid.h"
#include "core/diagram/print_setup.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace ld::diagram {
struct TSchemeModel;
}

namespace ld::gui {

class TSchemBox;

// The printer diagrams go to; it keeps its orientation and resolution between prints.
QPrinter& SchemePrinter();

class TPrnSchForm : public QDialog {
  Q_OBJECT

public:
  TPrnSchForm(TSchemBox& box, QWidget* parent = nullptr);
  // Saves the settings however the dialog was left.
  ~TPrnSchForm() override;

  // The diagram laid out at the print font on the printer's resolution, and the grid worked out again.
  void LayoutForPrinter();
  void UpdatePageCount();
  int PagesAcross() const { return pagesAcross_; }
  int PagesDown() const { return pagesDown_; }

  void PrintBtnClick();
  void PrinterBtnClick();
  void FontBtnClick();

private:
  void MarginEditChange(int index);
  void MarginSpin(int index, float step);
  void ShowMargins();
  void BmpFileBoxClick();
  void ChkPrnClick();
  void pLinChange();
  void SetIdle(bool idle);
  diagram::TSheetSize Sheet() const;
  diagram::TFont PrintFont(int pixelsPerInch) const;
  void PrintPages(const diagram::TPageSet& across, const diagram::TPageSet& down);
  void PrintPaged(const diagram::TPageSet& across, const diagram::TPageSet& down);
  void PrintFitted();
  void SaveSchemeBitmap();

  TSchemBox& box_;
  QPrinter& printer_;
  diagram::TPrnSchSetup setup_;
  QFont prnFont_;
  float margins_[4] = {};  // top, left, bottom, right
  int pagesAcross_ = 0, pagesDown_ = 0;
  bool stop_ = false;
  bool updating_ = false;

  QLineEdit* schEdit_;
  QPushButton* printerBtn_;
  QPushButton* fontBtn_;
  QCheckBox* fitToPageBox_;
  QCheckBox* pageNumBox_;
  QCheckBox* colorBox_;
  QCheckBox* bmpFileBox_;
  QLineEdit* bmpFileEdit_;
  QLineEdit* marginEdits_[4];
  QToolButton* spinUp_[4];
  QToolButton* spinDown_[4];
  QLabel* label7_;
  QCheckBox* chkPrn_;
  QLineEdit* hor_;
  QLineEdit* vert_;
  QLineEdit* pLin_;
  QPushButton* printBtn_;
  QProgressBar* prnProc_;
};

// Opens the dialog for the control; the title is printed on the first sheet. Afterwards the diagram
// is laid out on the control's own canvas at its old origin.
void ExecutePrintSchemeDialog(TSchemBox& Box, const std::string& Title);

}  // namespace ld::gui
