#include "gui/grid/range_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/common/modal.h"
#include "gui/grid/grid_dialogs.h"

namespace ld::gui {

TRangeForm::TRangeForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Выборка данных");
  setObjectName("RangeForm");
  auto* layout = new QGridLayout(this);
  from_ = new QLineEdit(this);
  from_->setObjectName("FromEdit");
  to_ = new QLineEdit(this);
  to_->setObjectName("ToEdit");
  inclusive_ = new QCheckBox("Включительно", this);
  inclusive_->setObjectName("InclusiveBox");
  layout->addWidget(new QLabel("от", this), 0, 0);
  layout->addWidget(from_, 0, 1);
  layout->addWidget(new QLabel("до", this), 1, 0);
  layout->addWidget(to_, 1, 1);
  layout->addWidget(inclusive_, 2, 1);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton("Поиск", this);
  ok->setObjectName("OKBtn");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Отмена", this);
  cancel->setObjectName("CancelBtn");
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, 3, 0, 1, 2);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool ExecuteRangeDialog(std::string& from, std::string& to, bool& inclusive) {
  TRangeForm form;
  form.FromEdit()->setText(QString::fromStdString(from));
  form.ToEdit()->setText(QString::fromStdString(to));
  form.InclusiveBox()->setChecked(inclusive);
  const bool ok = ExecModal(form) == QDialog::Accepted;
  from = form.FromEdit()->text().toStdString();
  to = form.ToEdit()->text().toStdString();
  inclusive = form.InclusiveBox()->isChecked();
  return ok;
}

}  // namespace ld::gui
