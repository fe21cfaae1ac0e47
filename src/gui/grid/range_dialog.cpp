#include "gui/grid/range_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/common/dialog_buttons.h"
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
  layout->addLayout(OkCancelButtons(*this, "Поиск", "Отмена"), 3, 0, 1, 2);
  findChild<QPushButton*>("OKBtn")->setDefault(true);
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
