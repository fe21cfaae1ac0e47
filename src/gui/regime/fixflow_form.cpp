#include "gui/regime/fixflow_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <tuple>
#include <utility>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/regime/set_regim_form.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

TSetBalansFrm::TSetBalansFrm(bool full, QWidget* parent) : QDialog(parent), full_(full) {
  setObjectName("SetBalansFrm");
  setWindowTitle("Балансировка нагрузок");

  precEdit_ = NumberEdit("PrecEdit", this);
  tgfEdit_ = NumberEdit("TgfEdit", this);
  iterEdit_ = NumberEdit("IterEdit", this);
  shiftEdit_ = NumberEdit("ShiftEdit", this);
  mulKvuEdit_ = NumberEdit("MulKvuEdit", this);
  mulKvfEdit_ = NumberEdit("MulKvfEdit", this);
  mulKviEdit_ = NumberEdit("MulKviEdit", this);
  auto* numbers = new QGridLayout;
  const std::pair<const char*, QLineEdit*> rows[] = {
      {"Точность", precEdit_}, {"tg(ф)", tgfEdit_}, {"Макс. итераций", iterEdit_}, {"Начальный шаг", shiftEdit_}};
  int row = 0;
  for (const auto& [caption, edit] : rows) {
    numbers->addWidget(new QLabel(caption, this), row, 0);
    numbers->addWidget(edit, row++, 1);
  }

  // Each criterion with the multiplier of its weights.
  cLoadBox_ = Named<QCheckBox>("CLoadBox", "Минимум отклонений от заданных нагрузок", this);
  cVoltBox_ = Named<QCheckBox>("CVoltBox", "Минимум отклонений от заданных напряжений", this);
  cFlowBox_ = Named<QCheckBox>("CFlowBox", "Минимум отклонений от заданных перетоков", this);
  auto* criteria = new QGridLayout;
  criteria->addWidget(new QLabel("Выбор критерия балансировки:", this), 0, 0, 1, 3);
  const std::tuple<QCheckBox*, QLineEdit*> pairs[] = {
      {cLoadBox_, mulKviEdit_}, {cVoltBox_, mulKvuEdit_}, {cFlowBox_, mulKvfEdit_}};
  row = 1;
  for (const auto& [box, edit] : pairs) {
    criteria->addWidget(box, row, 0);
    criteria->addWidget(new QLabel("Множитель", this), row, 1);
    criteria->addWidget(edit, row++, 2);
  }

  wLoadBox_ = Named<QCheckBox>("WLoadBox", "Нагрузок", this);
  wVoltBox_ = Named<QCheckBox>("WVoltBox", "Напряжений", this);
  wFlowBox_ = Named<QCheckBox>("WFlowBox", "Заданных перетоков", this);
  propPQBox_ = Named<QCheckBox>("PropPQBox", "Весовые коэф. пропорциональны нагрузкам", this);
  auto* weights = new QVBoxLayout;
  weights->addWidget(new QLabel("Применение весовых коэффициентов:", this));
  auto* weightBoxes = new QHBoxLayout;
  for (QCheckBox* box : {wLoadBox_, wVoltBox_, wFlowBox_}) weightBoxes->addWidget(box);
  weights->addLayout(weightBoxes);
  weights->addWidget(propPQBox_);

  rZnakBox_ = Named<QCheckBox>("RZnakBox", "Запрет смены знаков нагрузок (генераций)", this);
  rNullBox_ = Named<QCheckBox>("RNullBox", "Нулевая нагрузка (генерация) не изменяется", this);
  auto* limits = new QVBoxLayout;
  limits->addWidget(new QLabel("Учет ограничений:", this));
  limits->addWidget(rZnakBox_);
  limits->addWidget(rNullBox_);

  savePQBox_ = Named<QCheckBox>("SavePQBox", "Сохранение сбалансированных нагрузок", this);
  iterBox_ = Named<QCheckBox>("IterBox", "Вывод итерационного процесса", this);
  regBtn_ = new QPushButton("Режимные установки", this);
  regBtn_->setObjectName("RegBtn");

  auto* buttons = ApplyCancelButtons(*this, [this] { OKBtnClick(); });
  buttons->insertWidget(0, regBtn_);

  auto* root = new QVBoxLayout(this);
  root->addLayout(numbers);
  root->addLayout(criteria);
  root->addLayout(weights);
  root->addLayout(limits);
  root->addWidget(savePQBox_);
  root->addWidget(iterBox_);
  root->addLayout(buttons);

  if (!full_) {
    regBtn_->hide();
    savePQBox_->setEnabled(false);
    iterBox_->setEnabled(false);
  }

  for (QLineEdit* edit : {precEdit_, tgfEdit_, shiftEdit_, mulKvuEdit_, mulKvfEdit_, mulKviEdit_}) {
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { FloatChange(edit); });
  }
  connect(iterEdit_, &QLineEdit::textEdited, this, [this] { IntChange(iterEdit_); });
  connect(regBtn_, &QPushButton::clicked, this, &TSetBalansFrm::RegBtnClick);
}

void TSetBalansFrm::Load() {
  const TIniRec& ini = IniRec;
  precEdit_->setText(SingleText(ini.BPrec));
  tgfEdit_->setText(SingleText(ini.Btgf));
  iterEdit_->setText(Q(IntToStr(ini.BIter)));
  shiftEdit_->setText(SingleText(ini.BShift));
  mulKvuEdit_->setText(SingleText(ini.MulKvu));
  mulKvfEdit_->setText(SingleText(ini.MulKvf));
  mulKviEdit_->setText(SingleText(ini.MulKvi));
  cLoadBox_->setChecked(ini.CLoad);
  cVoltBox_->setChecked(ini.CVolt);
  cFlowBox_->setChecked(ini.CFlow);
  wLoadBox_->setChecked(ini.WLoad);
  wVoltBox_->setChecked(ini.WVolt);
  wFlowBox_->setChecked(ini.WFlow);
  propPQBox_->setChecked(ini.PropPQ);
  rZnakBox_->setChecked(ini.RZnak);
  rNullBox_->setChecked(ini.RNull);
  savePQBox_->setChecked(ini.SavePQ);
  iterBox_->setChecked(ini.OutIter && full_);
}

std::string TSetBalansFrm::Validate() const {
  try {
    for (const QLineEdit* edit : {precEdit_, tgfEdit_, shiftEdit_, mulKvuEdit_, mulKvfEdit_, mulKviEdit_}) {
      StrToFloatZ(S(edit->text()));
    }
    StrToIntZ(S(iterEdit_->text()));
  } catch (const ConvertError& e) {
    return e.what();
  }
  return {};
}

void TSetBalansFrm::Store() const {
  TIniRec& ini = IniRec;
  auto single = [](const QLineEdit* edit) { return static_cast<float>(StrToFloatZ(S(edit->text()))); };
  ini.BPrec = single(precEdit_);
  ini.Btgf = single(tgfEdit_);
  ini.BIter = StrToIntZ(S(iterEdit_->text()));
  ini.BShift = single(shiftEdit_);
  ini.MulKvu = single(mulKvuEdit_);
  ini.MulKvf = single(mulKvfEdit_);
  ini.MulKvi = single(mulKviEdit_);
  ini.CLoad = cLoadBox_->isChecked();
  ini.CVolt = cVoltBox_->isChecked();
  ini.CFlow = cFlowBox_->isChecked();
  ini.WLoad = wLoadBox_->isChecked();
  ini.WVolt = wVoltBox_->isChecked();
  ini.WFlow = wFlowBox_->isChecked();
  ini.PropPQ = propPQBox_->isChecked();
  ini.RZnak = rZnakBox_->isChecked();
  ini.RNull = rNullBox_->isChecked();
  ini.SavePQ = savePQBox_->isChecked();
  ini.OutIter = iterBox_->isChecked();
}

// A text typed into a number field that reads as no number is reported at once; the field keeps it.
void TSetBalansFrm::FloatChange(QLineEdit* edit) {
  try {
    StrToFloatZ(S(edit->text()));
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TSetBalansFrm::IntChange(QLineEdit* edit) {
  try {
    StrToIntZ(S(edit->text()));
  } catch (const ConvertError& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TSetBalansFrm::RegBtnClick() { ExecuteRegimSettingsDialog(true); }

// Every field is read before anything is stored: a field that is no number keeps the dialog open.
void TSetBalansFrm::OKBtnClick() {
  const std::string error = Validate();
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  accept();
}

bool ExecuteBalansSettingsDialog(bool Full) {
  TSetBalansFrm form(Full);
  form.Load();
  if (ExecModal(form) != QDialog::Accepted || !form.Validate().empty()) return false;
  form.Store();
  WriteConfig();
  return true;
}

}  // namespace ld::gui
