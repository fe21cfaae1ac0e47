#pragma once
// "Печать графика": prints the plot on one page scaled into margins given in centimetres, or writes it
// to a bitmap file. The settings live in section "PrnGrfSetup" of "prnsetup.cfg".
#include <QDialog>

#include "core/catalogs/catwin_settings.h"

class QCheckBox;
class QLineEdit;
class QPrinter;

namespace ld::gui {

class TGraphBox;

// The printer that plots go to (one per process, its orientation kept between plots).
QPrinter& GraphPrinter();

class TPrnGrfForm : public QDialog {
  Q_OBJECT

public:
  explicit TPrnGrfForm(TGraphBox& box, QWidget* parent = nullptr);
  ~TPrnGrfForm() override;

  QLineEdit *TopEdit = nullptr, *BottomEdit = nullptr, *LeftEdit = nullptr, *RightEdit = nullptr;
  QCheckBox* BmpFileBox = nullptr;
  QLineEdit* BmpFileEdit = nullptr;

  // The working margins.
  const ld::TPrnGrfSettings& Margins() const { return work_; }

  void PrinterBtnClick();
  void PrintBtnClick();
  // One step of a margin's spin button (+1 up, -1 down) for the margin 0 top, 1 bottom, 2 left, 3 right.
  void Spin(int margin, int direction);

private:
  float& Margin(int index);
  void ShowMargins();
  void MarginEdited(int index);

  TGraphBox& box_;
  ld::TPrnGrfSettings work_;
};

// Runs the dialog for the plot.
void PrintGraph(TGraphBox& box);

// The plot drawn into an image of the control's size, as it is printed and written to "graph.bmp".
QImage GraphImage(TGraphBox& box);

}  // namespace ld::gui
