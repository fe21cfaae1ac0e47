#include "gui/regime/set_loss_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>
#include <utility>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/date_field.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/regime/fixflow_form.h"
#include "gui/regime/set_regim_form.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

struct Interval {
  const char* text;
  int seconds;
};
constexpr std::array<Interval, 20> kIntervals = {{{"1 сек", 1},     {"2 сек", 2},     {"3 сек", 3},
                                                  {"4 сек", 4},     {"5 сек", 5},     {"10 сек", 10},
                                                  {"15 сек", 15},   {"20 сек", 20},   {"30 сек", 30},
                                                  {"1 мин", 60},    {"2 мин", 120},   {"3 мин", 180},
                                                  {"4 мин", 240},   {"5 мин", 300},   {"10 мин", 600},
                                                  {"15 мин", 900},  {"20 мин", 1200}, {"30 мин", 1800},
                                                  {"1 час", 3600},  {"сутки", 86400}}};

TDateField* DateEdit(const char* name, QWidget* parent) {
  auto* edit = new TDateField(name, parent);
  edit->setMinimumDate(DateOfMoment(0));
  return edit;
}

// The date of the field; the stored moment itself while the day shown is still its day, so that a
// moment's time of day survives a dialog confirmed unchanged.
double DateOf(const QDateEdit* edit, double stored) {
  if (edit->date() == DateOfMoment(stored)) return stored;
  return MomentOfDate(edit->date());
}

}  // namespace

TSetLossFrm::TSetLossFrm(std::string schemePath, QWidget* parent)
    : QDialog(parent), schemePath_(std::move(schemePath)) {
  setObjectName("SetLossFrm");
  setWindowTitle("Расчет потерь");

  date1_ = DateEdit("Date1", this);
  date2_ = DateEdit("Date2", this);
  auto* dates = new QHBoxLayout;
  dates->addWidget(new QLabel("Период: с", this));
  dates->addWidget(date1_);
  dates->addWidget(new QLabel("по", this));
  dates->addWidget(date2_);
  dates->addStretch();

  auto* group = Named<QGroupBox>("TypeGroup", " Перерасчет электроэнергии в мощность ", this);
  sredBtn_ = Named<QRadioButton>("SredBtn", "По средней загрузке", group);
  pminBtn_ = Named<QRadioButton>("PminBtn", "По минимальной загрузке", group);
  pmaxBtn_ = Named<QRadioButton>("PmaxBtn", "По максимальной загрузке", group);
  grafBtn_ = Named<QRadioButton>("GrafBtn", "По графикам нагрузок", group);
  period_ = Named<QComboBox>("Period", group);
  for (const Interval& i : kIntervals) period_->addItem(i.text);
  kfgnEdit_ = NumberEdit("KfgnEdit", group);
  kfgnEdit_->setToolTip("Квадрат коэффициента формы графика нагрузок");
  auto* types = new QGridLayout(group);
  types->addWidget(sredBtn_, 0, 0);
  types->addWidget(new QLabel("Кф.г.н.", group), 0, 1);
  types->addWidget(kfgnEdit_, 0, 2);
  types->addWidget(pminBtn_, 1, 0);
  types->addWidget(pmaxBtn_, 2, 0);
  types->addWidget(grafBtn_, 3, 0);
  types->addWidget(new QLabel("Интервал временных срезов", group), 3, 1);
  types->addWidget(period_, 3, 2);

  fidBox_ = Named<QCheckBox>("FidBox", "Балансировка по фидерам (вводам) п/ст", this);
  regKtrBox_ = Named<QCheckBox>("RegKtrBox", "Регулировка Ктр", this);
  regQBox_ = Named<QCheckBox>("RegQBox", "Регулировка Q", this);
  lossUnomBox_ = Named<QCheckBox>("LossUnomBox", "Расчет по номинальным напряжениям", this);
  lossPlusBox_ = Named<QCheckBox>("LossPlusBox", "Учет потерь питаемых элементов", this);
  outWordBox_ = Named<QCheckBox>("OutWordBox", "Вывод расчета потерь в документ Word", this);

  auto* paramRegBtn = Named<QPushButton>("ParamRegBtn", "Параметры расчета режима", this);
  auto* paramBalBtn = Named<QPushButton>("ParamBalBtn", "Параметры балансировки", this);
  auto* params = new QHBoxLayout;
  params->addWidget(paramRegBtn);
  params->addWidget(paramBalBtn);
  params->addStretch();

  auto* root = new QVBoxLayout(this);
  root->addLayout(dates);
  root->addWidget(group);
  for (QCheckBox* box : {fidBox_, regKtrBox_, regQBox_, lossUnomBox_, lossPlusBox_, outWordBox_}) root->addWidget(box);
  root->addLayout(params);
  root->addLayout(ApplyCancelButtons(*this, [this] {
    const std::string error = Check();
    if (!error.empty()) {
      ShowMsgForm(error, mkError, mbOk);
      return;
    }
    accept();
  }));

  for (QRadioButton* b : {sredBtn_, pminBtn_, pmaxBtn_, grafBtn_}) connect(b, &QRadioButton::clicked, this, [this] { TypeClick(); });
  connect(lossUnomBox_, &QCheckBox::clicked, this, [this] { LossUnomClick(); });
  connect(kfgnEdit_, &QLineEdit::textEdited, this, [this] {
    const std::string error = Validate();
    if (!error.empty()) ShowMsgForm(error, mkError, mbOk);
  });
  connect(paramRegBtn, &QPushButton::clicked, this, [] { ExecuteRegimSettingsDialog(false); });
  connect(paramBalBtn, &QPushButton::clicked, this, [] { ExecuteBalansSettingsDialog(false); });
}

void TSetLossFrm::Load() {
  const TIniRec& ini = IniRec;
  date1_->setDate(DateOfMoment(ini.Date1));
  date2_->setDate(DateOfMoment(ini.Date2));
  const std::array<QRadioButton*, 4> types = {sredBtn_, pminBtn_, pmaxBtn_, grafBtn_};
  types[ini.TypCalcPQ < types.size() ? ini.TypCalcPQ : 0]->setChecked(true);
  period_->setCurrentIndex(-1);
  for (std::size_t i = 0; i < kIntervals.size(); ++i)
    if (kIntervals[i].seconds == ini.Tgr) period_->setCurrentIndex(static_cast<int>(i));
  kfgnEdit_->setText(SingleText(ini.Kfgn));
  fidBox_->setChecked(ini.FlagBalans);
  regKtrBox_->setChecked(ini.RegKtr);
  regQBox_->setChecked(ini.RegQ);
  lossUnomBox_->setChecked(ini.LossUnom);
  lossPlusBox_->setChecked(ini.LossPlus);
  TypeClick();
  LossUnomClick();
}

std::string TSetLossFrm::Validate() const {
  try {
    StrToFloatZ(kfgnEdit_->text().toStdString());
  } catch (const ConvertError& e) {
    return e.what();
  }
  return {};
}

std::string TSetLossFrm::Check() const {
  if (std::string reversed = ReversedPeriodFault(date1_->date(), date2_->date()); !reversed.empty()) return reversed;
  return Validate();
}

void TSetLossFrm::Store() const {
  TIniRec& ini = IniRec;
  ini.Date1 = DateOf(date1_, ini.Date1);
  ini.Date2 = DateOf(date2_, ini.Date2);
  const std::array<QRadioButton*, 4> types = {sredBtn_, pminBtn_, pmaxBtn_, grafBtn_};
  for (std::size_t i = 0; i < types.size(); ++i)
    if (types[i]->isChecked()) ini.TypCalcPQ = static_cast<std::uint8_t>(i);
  if (ini.TypCalcPQ == 3 && period_->currentIndex() >= 0)
    ini.Tgr = kIntervals[static_cast<std::size_t>(period_->currentIndex())].seconds;
  ini.Kfgn = static_cast<float>(StrToFloatZ(kfgnEdit_->text().toStdString()));
  ini.FlagBalans = fidBox_->isChecked();
  ini.RegKtr = regKtrBox_->isChecked();
  ini.RegQ = regQBox_->isChecked();
  ini.LossUnom = lossUnomBox_->isChecked();
  ini.LossPlus = lossPlusBox_->isChecked();
}

bool TSetLossFrm::OutWord() const { return outWordBox_->isChecked(); }

void TSetLossFrm::TypeClick() {
  period_->setEnabled(grafBtn_->isChecked());
  kfgnEdit_->setEnabled(sredBtn_->isChecked());
}

void TSetLossFrm::LossUnomClick() {
  const bool nominal = lossUnomBox_->isChecked();
  for (QCheckBox* box : {fidBox_, regKtrBox_, regQBox_}) box->setEnabled(!nominal);
  lossPlusBox_->setEnabled(nominal);
}

bool ExecuteLossSettingsDialog(const std::string& SchemePath, bool& OutWord) {
  TSetLossFrm form(SchemePath);
  form.Load();
  if (ExecModal(form) != QDialog::Accepted || !form.Check().empty()) return false;
  form.Store();
  WriteConfig();
  OutWord = form.OutWord();
  return true;
}

}  // namespace ld::gui
