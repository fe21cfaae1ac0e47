#include "gui/regime/eerm_test_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/regime/set_eerm_form.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

TEERMTestFrm::TEERMTestFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("EERMTestFrm");
  setWindowTitle("Тест ЭЭРМ");
  numEdit_ = NumberEdit("NumEdit", this);
  dQEdit_ = NumberEdit("dQEdit", this);
  auto* grid = new QGridLayout;
  auto* numLabel = new QLabel("Номер узла", this);
  numLabel->setBuddy(numEdit_);
  auto* dQLabel = new QLabel("dQ (МВАр)", this);
  dQLabel->setBuddy(dQEdit_);
  grid->addWidget(numLabel, 0, 0);
  grid->addWidget(numEdit_, 0, 1);
  grid->addWidget(dQLabel, 1, 0);
  grid->addWidget(dQEdit_, 1, 1);
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));
  connect(numEdit_, &QLineEdit::textChanged, this, [this] { IntChange(numEdit_); });
  connect(dQEdit_, &QLineEdit::textChanged, this, [this] { FloatChange(dQEdit_); });
}

bool ExecuteEERMTestDialog(int& Node, double& dQ) {
  TEERMTestFrm form;
  form.NumEdit()->clear();
  form.DQEdit()->setText("1");
  if (ExecModal(form) != QDialog::Accepted) return false;
  try {
    const int node = StrToIntZ(form.NumEdit()->text().toStdString());
    const double increment = StrToFloatZ(form.DQEdit()->text().toStdString());
    Node = node;
    dQ = increment;
  } catch (const Error&) {
    return false;
  }
  return true;
}

}  // namespace ld::gui
