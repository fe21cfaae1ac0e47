#include "gui/regime/balans_set_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

std::array<double*, 4> MeterErrors(TIniRec& ini) { return {&ini.MPp, &ini.MPm, &ini.MPn, &ini.MPg}; }

}  // namespace

TBalansSetFrm::TBalansSetFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("BalansSetFrm");
  setWindowTitle("Настройки баланса электроэнергии");
  cutBalans_ = Named<QRadioButton>("CutBalans", "Сокращенный разворот (только узлы с нагрузкой)", this);
  fullBalans_ = Named<QRadioButton>("FullBalans", "Детальный разворот (поэлементные потери)", this);
  ourLoss_ = Named<QCheckBox>("OurLoss", "Не учитывать потери в абонентских линиях и тр-рах", this);
  sumALoss_ = Named<QCheckBox>("SumALoss", "Суммировать абонентские потери к потреблению", this);
  dynamicFlow_ = Named<QComboBox>("DynamicFlow", this);
  dynamicFlow_->addItems({"по текущим разрывам", "с учетом переключений"});

  auto* root = new QVBoxLayout(this);
  for (QWidget* w : std::initializer_list<QWidget*>{cutBalans_, fullBalans_, ourLoss_, sumALoss_}) root->addWidget(w);
  auto* flows = new QGridLayout;
  flows->addWidget(new QLabel("Нагрузки по фидерам", this), 0, 0);
  flows->addWidget(dynamicFlow_, 0, 1);
  root->addLayout(flows);
  root->addWidget(new QLabel("Усредненные значения погрешности приборов учета (%):", this));
  auto* meters = new QGridLayout;
  const char* names[] = {"Edit1", "Edit2", "Edit3", "Edit4"};
  const char* captions[] = {"W (+)", "W (-)", "Wпотр", "Wген"};
  for (int i = 0; i < 4; ++i) {
    edits_[static_cast<std::size_t>(i)] = NumberEdit(names[i], this);
    meters->addWidget(new QLabel(captions[i], this), 0, i);
    meters->addWidget(edits_[static_cast<std::size_t>(i)], 1, i);
    connect(edits_[static_cast<std::size_t>(i)], &QLineEdit::textEdited, this, [this] {
      const std::string error = Validate();
      if (!error.empty()) ShowMsgForm(error, mkError, mbOk);
    });
  }
  root->addLayout(meters);
  root->addLayout(ApplyCancelButtons(*this, [this] {
    const std::string error = Validate();
    if (!error.empty()) {
      ShowMsgForm(error, mkError, mbOk);
      return;
    }
    accept();
  }));
}

void TBalansSetFrm::Load() {
  TIniRec& ini = IniRec;
  (ini.FullBalans ? fullBalans_ : cutBalans_)->setChecked(true);
  ourLoss_->setChecked(ini.OurLoss);
  sumALoss_->setChecked(ini.SumALoss);
  dynamicFlow_->setCurrentIndex(ini.DynamicFlow ? 1 : 0);
  const auto values = MeterErrors(ini);
  for (std::size_t i = 0; i < edits_.size(); ++i)
    edits_[i]->setText(QString::fromStdString(FloatToStrGeneral(*values[i], 4)));
}

std::string TBalansSetFrm::Validate() const {
  try {
    for (const QLineEdit* edit : edits_) StrToFloatZ(edit->text().toStdString());
  } catch (const ConvertError& e) {
    return e.what();
  }
  return {};
}

void TBalansSetFrm::Store() const {
  TIniRec& ini = IniRec;
  ini.FullBalans = fullBalans_->isChecked();
  ini.OurLoss = ourLoss_->isChecked();
  ini.SumALoss = sumALoss_->isChecked();
  ini.DynamicFlow = dynamicFlow_->currentIndex() == 1;
  const auto values = MeterErrors(ini);
  for (std::size_t i = 0; i < edits_.size(); ++i) *values[i] = StrToFloatZ(edits_[i]->text().toStdString());
}

void ExecuteBalanceSetupDialog() {
  TBalansSetFrm form;
  form.Load();
  if (ExecModal(form) != QDialog::Accepted || !form.Validate().empty()) return;
  form.Store();
  WriteConfig();
}

}  // namespace ld::gui
