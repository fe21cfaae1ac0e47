#include "gui/catalogs/graph_set_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/catalogs/graph_series.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/color_combo.h"

namespace ld::gui {

namespace {

// An integer field: an entry below 1 (or no number) becomes "0" as it is typed.
void GuardInteger(QLineEdit* edit) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1) edit->setText("0");
  });
}

int IntOf(const QLineEdit* edit) { return edit->text().toInt(); }

QString Decimal(double v) { return QString::fromStdString(FloatToStrGeneral(v, 15)); }

}  // namespace

TGraphSetForm::TGraphSetForm(QWidget* parent) : QDialog(parent) {
  setObjectName("GraphSetForm");
  setWindowTitle("Настройки отображения графика");
  Date1Edit = new TDateField("_Date1", this);
  Date2Edit = new TDateField("_Date2", this);
  PerBox = new QComboBox(this);
  PerBox->setObjectName("_Per");
  for (const char* t : GraphPeriodTexts) PerBox->addItem(t);
  BackBox = new TColorComboBox(this);
  BackBox->setObjectName("_Back");
  FrameBox = new TColorComboBox(this);
  FrameBox->setObjectName("_Frame");
  GraphBox = new TColorComboBox(this);
  GraphBox->setObjectName("_Graph");
  LinWidthEdit = Named<QLineEdit>("_LinWidth", this);
  RadiusEdit = Named<QLineEdit>("_Radius", this);
  WminEdit = Named<QLineEdit>("_Wmin", this);
  for (QLineEdit* e : {LinWidthEdit, RadiusEdit, WminEdit}) GuardInteger(e);
  LegBox = Named<QCheckBox>("_FLeg", "Отображение списка наименований графиков", this);
  FixBox = Named<QCheckBox>("_Fix", "Фиксированная ширина деления по оси времени", this);
  FixYBox = Named<QCheckBox>("_FixY", "Фиксированные пределы по оси Y:", this);
  YxEdit = Named<QLineEdit>("_Yx", this);
  Yf1Edit = Named<QLineEdit>("_Yf1", this);
  Yf2Edit = Named<QLineEdit>("_Yf2", this);
  dYEdit = Named<QLineEdit>("_dY", this);

  auto* form = new QFormLayout;
  auto* dates = new QHBoxLayout;
  dates->addWidget(Date1Edit);
  dates->addWidget(Date2Edit);
  form->addRow("Период отображ. графиков", dates);
  form->addRow("Интервал отображения соместных графиков", PerBox);
  form->addRow("Цвет фона", BackBox);
  form->addRow("Цвет сетки", FrameBox);
  form->addRow("Цвет графика", GraphBox);
  form->addRow("Толщина линий", LinWidthEdit);
  form->addRow("Радиус точки", RadiusEdit);
  form->addRow("Минимальная ширина деления", WminEdit);
  form->addRow(LegBox);
  form->addRow(FixBox);
  form->addRow(FixYBox);
  form->addRow("Y оси времени", YxEdit);
  form->addRow("Y низ", Yf1Edit);
  form->addRow("Y верх", Yf2Edit);
  form->addRow("dY", dYEdit);
  auto* buttons = ApplyCancelButtons(*this, [this] { Apply(); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
}

void TGraphSetForm::Apply() {
  if (Date1Edit->date() > Date2Edit->date()) {
    ShowMsgForm("Начальная дата больше конечной даты", mkError, mbOk);
    return;
  }
  try {
    for (const QLineEdit* e : {YxEdit, Yf1Edit, Yf2Edit, dYEdit}) StrToFloatZ(e->text().toStdString());
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  accept();
}

bool ExecuteGraphDisplayDialog(TDateTime& Date1, TDateTime& Date2, int& Period, int& Wmin, int& LinWidth,
                               int& Radius, TColor& BackColor, TColor& FrameColor, TColor& GraphColor, bool& FLegend,
                               bool& FixedX, bool& FixedY, double& Yf1, double& Yf2, double& dY, double& Yx) {
  TGraphSetForm form;
  form.Date1Edit->setDate(DateOfMoment(Date1));
  form.Date2Edit->setDate(DateOfMoment(Date2));
  const auto at = std::find(GraphPeriods.begin(), GraphPeriods.end(), Period);
  form.PerBox->setCurrentIndex(at == GraphPeriods.end() ? -1 : static_cast<int>(at - GraphPeriods.begin()));
  form.BackBox->SetColorValue(BackColor);
  form.FrameBox->SetColorValue(FrameColor);
  form.GraphBox->SetColorValue(GraphColor);
  form.LinWidthEdit->setText(QString::number(LinWidth));
  form.RadiusEdit->setText(QString::number(Radius));
  form.WminEdit->setText(QString::number(Wmin));
  form.LegBox->setChecked(FLegend);
  form.FixBox->setChecked(FixedX);
  form.FixYBox->setChecked(FixedY);
  form.YxEdit->setText(Decimal(Yx));
  form.Yf1Edit->setText(Decimal(Yf1));
  form.Yf2Edit->setText(Decimal(Yf2));
  form.dYEdit->setText(Decimal(dY));
  if (ExecModal(form) != QDialog::Accepted) return false;
  Date1 = MomentOfDate(form.Date1Edit->date());
  Date2 = MomentOfDate(form.Date2Edit->date());
  const int item = form.PerBox->currentIndex();
  Period = item >= 0 ? GraphPeriods[static_cast<std::size_t>(item)] : 0;
  BackColor = form.BackBox->ColorValue();
  FrameColor = form.FrameBox->ColorValue();
  GraphColor = form.GraphBox->ColorValue();
  FLegend = form.LegBox->isChecked();
  FixedX = form.FixBox->isChecked();
  FixedY = form.FixYBox->isChecked();
  Yf1 = StrToFloatZ(form.Yf1Edit->text().toStdString());
  Yf2 = StrToFloatZ(form.Yf2Edit->text().toStdString());
  dY = StrToFloatZ(form.dYEdit->text().toStdString());
  Yx = StrToFloatZ(form.YxEdit->text().toStdString());
  Wmin = std::max(1, IntOf(form.WminEdit));
  LinWidth = std::max(1, IntOf(form.LinWidthEdit));
  Radius = std::max(0, IntOf(form.RadiusEdit));
  return true;
}

}  // namespace ld::gui
