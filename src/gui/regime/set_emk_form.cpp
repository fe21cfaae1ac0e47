#include "gui/regime/set_emk_form.h"

#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/settings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"

namespace ld::gui {

TSetEmkFrm::TSetEmkFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("SetEmkFrm");
  setWindowTitle("Расчет емкостных токов");
  unom_ = Named<QRadioButton>("Unom", "По номинальным напряжениям", this);
  ureg_ = Named<QRadioButton>("Ureg", "По расчетным напряжениям", this);
  auto* root = new QVBoxLayout(this);
  root->addWidget(unom_);
  root->addWidget(ureg_);
  root->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));
}

void TSetEmkFrm::Load() { (IniRec.Uemk ? ureg_ : unom_)->setChecked(true); }

void TSetEmkFrm::Store() const { IniRec.Uemk = ureg_->isChecked(); }

bool ExecuteCapCurrentSettings() {
  TSetEmkFrm form;
  form.Load();
  if (ExecModal(form) != QDialog::Accepted) return false;
  form.Store();
  WriteConfig();
  return true;
}

}  // namespace ld::gui
