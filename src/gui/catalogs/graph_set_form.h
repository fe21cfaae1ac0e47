#pragma once
// "Настройки отображения графика": the display interval, the period of joint plots and the plot's
// colours, widths and value limits.
#include <QDialog>

#include "core/base/dates.h"
#include "gui/common/date_field.h"
#include "gui/grid/tcolor.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace ld::gui {

class TColorComboBox;

class TGraphSetForm : public QDialog {
  Q_OBJECT

public:
  explicit TGraphSetForm(QWidget* parent = nullptr);

  TDateField* Date1Edit = nullptr;
  TDateField* Date2Edit = nullptr;
  QComboBox* PerBox = nullptr;
  TColorComboBox* BackBox = nullptr;
  TColorComboBox* FrameBox = nullptr;
  TColorComboBox* GraphBox = nullptr;
  QLineEdit* LinWidthEdit = nullptr;
  QLineEdit* RadiusEdit = nullptr;
  QLineEdit* WminEdit = nullptr;
  QCheckBox* LegBox = nullptr;
  QCheckBox* FixBox = nullptr;
  QCheckBox* FixYBox = nullptr;
  QLineEdit* YxEdit = nullptr;
  QLineEdit* Yf1Edit = nullptr;
  QLineEdit* Yf2Edit = nullptr;
  QLineEdit* dYEdit = nullptr;

private:
  void Apply();
};

// Fills the dialog, and on "Применить" returns true with the edited values. Period is 0 when no
// period is chosen; Wmin and LinWidth come back at least 1, Radius at least 0.
bool ExecuteGraphDisplayDialog(TDateTime& Date1, TDateTime& Date2, int& Period, int& Wmin, int& LinWidth,
                               int& Radius, TColor& BackColor, TColor& FrameColor, TColor& GraphColor, bool& FLegend,
                               bool& FixedX, bool& FixedY, double& Yf1, double& Yf2, double& dY, double& Yx);

}  // namespace ld::gui
