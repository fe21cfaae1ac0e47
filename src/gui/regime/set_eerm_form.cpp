#include "gui/regime/set_eerm_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <utility>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

void IntChange(QLineEdit* edit) {
  try {
    StrToIntZ(S(edit->text()));
  } catch (const Error&) {
    edit->clear();
  }
}

void FloatChange(QLineEdit* edit) {
  try {
    StrToFloatZ(S(edit->text()));
  } catch (const Error&) {
    edit->clear();
  }
}

TSetEERMFrm::TSetEERMFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("SetEERMFrm");
  setWindowTitle("Расчет ЭЭРМ узлов");
  precEdit_ = NumberEdit("PrecEdit", this);
  iterEdit_ = NumberEdit("IterEdit", this);
  dQEdit_ = NumberEdit("dQEdit", this);
  auto* grid = new QGridLayout;
  const std::pair<const char*, QLineEdit*> rows[] = {{"Точность расчета режима", precEdit_},
                                                     {"Макс. количество итераций", iterEdit_},
                                                     {"Приращение dQ (МВАр)", dQEdit_}};
  int row = 0;
  for (const auto& [caption, edit] : rows) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row++, 1);
  }
  absEERMBox_ = new QCheckBox("Значения ЭЭРМ по модулю", this);
  absEERMBox_->setObjectName("AbsEERMBox");
  grid->addWidget(absEERMBox_, row, 0, 1, 2);

  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(ApplyCancelButtons(*this, [this] { accept(); }));

  connect(iterEdit_, &QLineEdit::textChanged, this, [this] { IntChange(iterEdit_); });
  for (QLineEdit* edit : {precEdit_, dQEdit_}) {
    connect(edit, &QLineEdit::textChanged, this, [edit] { FloatChange(edit); });
  }
}

void TSetEERMFrm::Load() {
  const TIniRec& ini = IniRec;
  precEdit_->setText(SingleText(ini.Prec));
  // An integer limit shown as an integer: the general form of a long one would not read back as one.
  iterEdit_->setText(QString::fromStdString(IntToStr(ini.Iter1)));
  dQEdit_->setText(SingleText(ini.dQ));
  absEERMBox_->setChecked(ini.AbsEERM);
}

void TSetEERMFrm::Store() const {
  TIniRec& ini = IniRec;
  ini.Prec = static_cast<float>(StrToFloatZ(S(precEdit_->text())));
  ini.Iter1 = StrToIntZ(S(iterEdit_->text()));
  ini.dQ = static_cast<float>(StrToFloatZ(S(dQEdit_->text())));
  ini.AbsEERM = absEERMBox_->isChecked();
}

bool ExecuteEERMSettingsDialog() {
  TSetEERMFrm form;
  form.Load();
  if (ExecModal(form) != QDialog::Accepted) return false;
  try {
    form.Store();
  } catch (const Error&) {
    return false;  // the typing check leaves only numbers; a text that slipped by changes nothing
  }
  WriteConfig();
  return true;
}

}  // namespace ld::gui
