#include "gui/regime/reconfig_form.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "core/tables/table_file.h"
#include "gui/common/date_field.h"
#include "gui/common/modal.h"

namespace ld::gui {

namespace {

void ShowMoment(QDateEdit* date, QTimeEdit* time, TDateTime t) {
  const double days = std::floor(t);
  date->setDate(DateOfMoment(days));
  time->setTime(QTime(0, 0).addSecs(static_cast<int>(std::lround((t - days) * 86400.0))));
}

}  // namespace

TReconfigFrm::TReconfigFrm(const std::vector<TJournalMoment>& moments, TDateTime t0, QWidget* parent)
    : QDialog(parent), moments_(moments) {
  setObjectName("ReconfigFrm");
  setWindowTitle("Реконфигурация схемы");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  _Date = new TDateField("_Date", this);
  _Time = new QTimeEdit(this);
  _Time->setObjectName("_Time");
  _Time->setDisplayFormat("HH:mm");
  form->addRow("Дата", _Date);
  form->addRow("Время", _Time);
  layout->addLayout(form);
  layout->addWidget(new QLabel("По дате переключения", this));
  DatSwtList = new QComboBox(this);
  DatSwtList->setObjectName("DatSwtList");
  DatSwtList->setMinimumWidth(360);
  for (const TJournalMoment& m : moments) DatSwtList->addItem(QString::fromStdString(m.Text));
  DatSwtList->setCurrentIndex(CurrentMoment(moments, t0));
  layout->addWidget(DatSwtList);
  ShowMoment(_Date, _Time, t0);
  connect(DatSwtList, &QComboBox::activated, this, [this] { DatSwtListChange(); });

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("Применить", QDialogButtonBox::AcceptRole);
  ok->setObjectName("OKBtn");
  buttons->addButton("Отменить", QDialogButtonBox::RejectRole)->setObjectName("CancelBtn");
  AcceptWhenDatesTaken(*buttons, *this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void TReconfigFrm::DatSwtListChange() {
  const int i = DatSwtList->currentIndex();
  if (i >= 0 && i < static_cast<int>(moments_.size())) ShowMoment(_Date, _Time, moments_[static_cast<std::size_t>(i)].Moment);
}

TDateTime TReconfigFrm::Moment() const {
  const QTime t = _Time->time();
  return MomentOfDate(_Date->date()) + (t.hour() * 3600 + t.minute() * 60) / 86400.0;
}

bool ExecuteReconfigDialog(const std::string& base) {
  TDataFile journal;
  ReadTableFileOrEmpty(base + GetMaketExtention(LayoutSwitchLog), LayoutSwitchLog, journal);
  TReconfigFrm form(JournalMoments(journal), SchemeSwitchMoment(base));
  if (ExecModal(form) != QDialog::Accepted) return false;
  return ReconfigureScheme(base, form.Moment());
}

}  // namespace ld::gui
