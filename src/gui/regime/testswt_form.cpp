#include "gui/regime/testswt_form.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/date_field.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

TDateField* DateEdit(const char* name, TDateTime value, QWidget* parent) {
  auto* edit = new TDateField(name, parent);
  edit->setDate(DateOfMoment(value));
  return edit;
}

}  // namespace

TTestSwtFrm::TTestSwtFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("TestSwtFrm");
  setWindowTitle("Тест переключений");
  const TIniRec& ini = IniRec;
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  _Date1 = DateEdit("_Date1", ini.Date1, this);
  _Date2 = DateEdit("_Date2", ini.Date2, this);
  form->addRow("Расчетный период с", _Date1);
  form->addRow("по", _Date2);
  _NoSup = NumberEdit("_NoSup", this);
  _NoSup->setText(QString::number(ini.NoSupNorm));
  _Cont = NumberEdit("_Cont", this);
  _Cont->setText(QString::number(ini.ContNorm));
  form->addRow("Норма узлов без питания", _NoSup);
  form->addRow("Норма замкнутых контуров", _Cont);
  layout->addLayout(form);
  _NoSupRpt = Named<QCheckBox>("_NoSupRpt", "Отчет \"Длительность отключений\"", this);
  _NoSnrRpt = Named<QCheckBox>("_NoSnrRpt", "Отчет \"Отклонения от СНР\"", this);
  _NoSupRpt->setChecked(true);
  _NoSnrRpt->setChecked(true);
  layout->addWidget(_NoSupRpt);
  layout->addWidget(_NoSnrRpt);
  for (QLineEdit* edit : {_NoSup, _Cont})
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { _NoSupChange(edit); });

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton("Применить", QDialogButtonBox::AcceptRole)->setObjectName("OKBtn");
  buttons->addButton("Отменить", QDialogButtonBox::RejectRole)->setObjectName("CancelBtn");
  AcceptWhenDatesTaken(*buttons, *this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void TTestSwtFrm::_NoSupChange(QLineEdit* edit) {
  try {
    StrToIntZ(edit->text().toStdString());
  } catch (const ConvertError&) {
    edit->clear();
  }
}

TDateTime TTestSwtFrm::Date1() const { return MomentOfDate(_Date1->date()); }
TDateTime TTestSwtFrm::Date2() const { return MomentOfDate(_Date2->date()); }

bool ExecuteTestSwitchDialog(bool& noSupRpt, bool& noSnrRpt) {
  TTestSwtFrm form;
  if (ExecModal(form) != QDialog::Accepted) return false;
  if (form.Date1() > form.Date2()) {
    ShowMsgForm("Дата начала больше конечной даты", mkError, mbOk);
    return false;
  }
  TIniRec& ini = IniRec;
  ini.Date1 = form.Date1();
  ini.Date2 = form.Date2();
  ini.NoSupNorm = StrToIntZ(form._NoSup->text().toStdString());
  ini.ContNorm = StrToIntZ(form._Cont->text().toStdString());
  WriteConfig();
  noSupRpt = form._NoSupRpt->isChecked();
  noSnrRpt = form._NoSnrRpt->isChecked();
  return true;
}

}  // namespace ld::gui
