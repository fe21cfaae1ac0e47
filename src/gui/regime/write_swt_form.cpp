#include "gui/regime/write_swt_form.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <cmath>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/regime/switch_journal.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/journal.h"
#include "gui/common/date_field.h"
#include "gui/common/modal.h"

namespace ld::gui {

std::string LastSwitchExecutor;

namespace {

QDateTime ToQDateTime(TDateTime v) {
  const double days = std::floor(v);
  const auto msecs = static_cast<qint64>(std::llround((v - days) * 86400000.0));
  return QDateTime(DateOfMoment(days), QTime(0, 0).addMSecs(static_cast<int>(msecs)));
}

}  // namespace

TWriteSwtFrm::TWriteSwtFrm(const std::string& header, char newCommut, char oldCommut, TDateTime moment,
                           QWidget* parent)
    : QDialog(parent) {
  setObjectName("WriteSwtFrm");
  setWindowTitle("Запись переключения в журнал");
  // wide enough for its caption, which the window manager would otherwise cut
  setMinimumWidth(400);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  HeaderLabel = new QLabel(QString::fromStdString(header), this);
  HeaderLabel->setObjectName("HeaderLabel");
  QFont bold = HeaderLabel->font();
  bold.setBold(true);
  HeaderLabel->setFont(bold);
  KindLabel = new QLabel(this);
  KindLabel->setObjectName("KindLabel");
  KindLabel->setFont(bold);
  QString kind;
  QColor color = Qt::black;
  switch (SwitchKindOf(newCommut, oldCommut)) {
    case TSwitchKind::Replacement: kind = "Замена тр-ра/линии", color = Qt::blue; break;
    case TSwitchKind::SwitchOn: kind = "ВКЛЮЧЕНИЕ", color = QColor(0, 128, 0); break;
    case TSwitchKind::SwitchOff:
    // "Ф" takes the branch out of the scheme's supply as a switching-off does
    case TSwitchKind::Other: kind = "ОТКЛЮЧЕНИЕ", color = Qt::red; break;
    case TSwitchKind::Damage: kind = "ПОВРЕЖДЕНИЕ", color = Qt::red; break;
  }
  KindLabel->setText(kind);
  QPalette p = KindLabel->palette();
  p.setColor(QPalette::WindowText, color);
  KindLabel->setPalette(p);
  top->addWidget(HeaderLabel);
  top->addWidget(KindLabel);
  top->addStretch();
  layout->addLayout(top);

  auto* form = new QFormLayout;
  const QDateTime shown = ToQDateTime(moment);
  DateEdit = new TDateField("DateEdit", this);
  DateEdit->setDate(shown.date());
  TimeEdit = new QTimeEdit(shown.time(), this);
  TimeEdit->setObjectName("TimeEdit");
  TimeEdit->setDisplayFormat("HH:mm");
  DispEdit = new QLineEdit(QString::fromStdString(LastSwitchExecutor), this);
  DispEdit->setObjectName("DispEdit");
  PrimEdit = new QLineEdit(this);
  PrimEdit->setObjectName("PrimEdit");
  form->addRow("Дата", DateEdit);
  form->addRow("Время", TimeEdit);
  form->addRow("Исполнитель", DispEdit);
  form->addRow("Примечание", PrimEdit);
  layout->addLayout(form);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("Применить", QDialogButtonBox::AcceptRole);
  ok->setObjectName("OKBtn");
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton("Отменить", QDialogButtonBox::RejectRole);
  cancel->setObjectName("CancelBtn");
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!DatesTaken(*this)) return;
    if (const std::string refusal = Refusal ? Refusal(Moment()) : std::string(); !refusal.empty()) {
      ShowMsgForm(refusal, mkError, mbOk);
      return;
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

TDateTime TWriteSwtFrm::Moment() const {
  const QTime t = TimeEdit->time();
  return MomentOfDate(DateEdit->date()) +
         (t.hour() * 3600 + t.minute() * 60) / 86400.0;
}

bool AskSwitchEntry(TDataFile& journal, TDataFile& branches, int li, const TRecSwt& before, TSwitchEntry& entry) {
  TBranchCols b;
  FillBranchCols(branches, b);
  auto end = [&](const DAString* name, const DALongint* number) {
    const std::string text = name->GetItem(li);
    return text.empty() ? std::to_string((*const_cast<DALongint*>(number))[li]) : text;
  };
  const std::string header = end(b.Name1, b.N1) + " - " + end(b.Name2, b.N2) + ": ";
  TWriteSwtFrm form(header, (*b.Commut)[li], before.Commut, ProposedSwitchMoment(journal, Now()));
  form.Refusal = [&](TDateTime moment) { return SwitchEntryRefusal(journal, branches, li, moment); };
  if (ExecModal(form) != QDialog::Accepted) return false;
  entry = TSwitchEntry{form.Moment(), Now(), form.DispEdit->text().toStdString(), form.PrimEdit->text().toStdString(),
                       CurrentUserName};
  return true;
}

}  // namespace ld::gui
