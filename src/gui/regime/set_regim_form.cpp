#include "gui/regime/set_regim_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <utility>

#include "core/base/dates.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/regime/period_form.h"
#include "gui/regime/setting_fields.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// An integer as typed: blanks in front, a sign, digits and nothing else.
bool ReadsAsInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const std::size_t digits = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) ++i;
  if (i == digits || i != text.size()) return false;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  return value >= INT_MIN && value <= INT_MAX;
}

}  // namespace

// ---- TRadioGroup -----------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent) : QGroupBox(title, parent) {
  group_ = new QButtonGroup(this);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    group_->addButton(button, i);
    layout->addWidget(button);
  }
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < static_cast<int>(group_->buttons().size())) {
    group_->button(index)->setChecked(true);
    return;
  }
  group_->setExclusive(false);
  for (QAbstractButton* b : group_->buttons()) b->setChecked(false);
  group_->setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const { return qobject_cast<QRadioButton*>(group_->button(index)); }

// ---- TSetRegimFrm ----------------------------------------------------------------------------------

TSetRegimFrm::TSetRegimFrm(bool withPeriod, QWidget* parent) : QDialog(parent), withPeriod_(withPeriod) {
  setObjectName("SetRegimFrm");
  setWindowTitle("Расчет режима схемы");

  uvEdit_ = NumberEdit("UvEdit", this);
  unEdit_ = NumberEdit("UnEdit", this);
  precEdit_ = NumberEdit("PrecEdit", this);
  iterEdit_ = NumberEdit("IterEdit", this);
  countRQEdit_ = NumberEdit("CountRQEdit", this);
  countRQEdit_->setToolTip("Количество исключаемых узлов ФМ по уловиям ограничений Qmin, Qmax за один раз для алгоритмов 0, 1");
  damp1_ = NumberEdit("Damp1", this);
  damp2_ = NumberEdit("Damp2", this);

  auto* numbers = new QGridLayout;
  const std::pair<const char*, QLineEdit*> rows[] = {{"Макс. превышение Uном (%)", uvEdit_},
                                                     {"Макс. снижение от Uном (%)", unEdit_},
                                                     {"Точность расчета режима", precEdit_},
                                                     {"Макс. количество итераций", iterEdit_},
                                                     {"К демпф.(U)", damp1_},
                                                     {"К демпф.(I)", damp2_}};
  int row = 0;
  for (const auto& [caption, edit] : rows) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    numbers->addWidget(label, row, 0);
    numbers->addWidget(edit, row++, 1);
  }

  checkBox1_ = new QCheckBox("Фиксация модуля (Uм)", this);
  checkBox1_->setObjectName("CheckBox1");
  comboBox1_ = new QComboBox(this);
  comboBox1_->setObjectName("ComboBox1");
  comboBox1_->addItems({"Алгоритм 0", "Алгоритм 1", "Алгоритм 2", "Алгоритм 3"});
  comboBox1_->setToolTip(
      "Алгоритмы отличаются методами учета ограничений Qmin, Qmax. Для сложнозамкнутых схем рекомендуется "
      "использовать алгоритмы 1 - 3");
  checkBox2_ = new QCheckBox("Учет ограничений Qmin, Qmax", this);
  checkBox2_->setObjectName("CheckBox2");
  checkBox3_ = new QCheckBox("Учет статических характеристик нагрузок", this);
  checkBox3_->setObjectName("CheckBox3");
  checkBox4_ = new QCheckBox("Суммирование Sбал узлов БП,ФМ в Sген", this);
  checkBox4_->setObjectName("CheckBox4");
  auto* fixed = new QGridLayout;
  fixed->addWidget(checkBox1_, 0, 0);
  fixed->addWidget(comboBox1_, 0, 1);
  fixed->addWidget(checkBox2_, 1, 0);
  fixed->addWidget(countRQEdit_, 1, 1);
  fixed->addWidget(checkBox3_, 2, 0, 1, 2);
  fixed->addWidget(checkBox4_, 3, 0, 1, 2);

  auto* dimension = new QGroupBox("Размерность результатов : ", this);
  radioButton1_ = new QRadioButton("МВт", dimension);
  radioButton1_->setObjectName("RadioButton1");
  radioButton2_ = new QRadioButton("кВт", dimension);
  radioButton2_->setObjectName("RadioButton2");
  auto* dimLayout = new QHBoxLayout(dimension);
  dimLayout->addWidget(radioButton1_);
  dimLayout->addWidget(radioButton2_);

  typU0_ = new TRadioGroup("Нач. напр.", {"Uхх", "Uрачс", "Uном"}, this);
  typU0_->setObjectName("TypU0");
  typU0_->setToolTip("Выбор начальных напряжений");
  typLoad_ = new TRadioGroup("Нагрузки", {"S", "I", "0"}, this);
  typLoad_->setObjectName("TypLoad");
  typTok_ = new TRadioGroup("Токи", {"Iл", "Iф"}, this);
  typTok_->setObjectName("TypTok");
  auto* groups = new QHBoxLayout;
  groups->addWidget(typU0_);
  groups->addWidget(typLoad_);
  groups->addWidget(typTok_);

  wrBtn_ = new QPushButton("Расчетный период", this);
  wrBtn_->setObjectName("WRBtn");
  dateLabel_ = new QLabel(this);
  dateLabel_->setObjectName("DateLabel");
  wrLabel_ = new QLabel(this);
  wrLabel_->setObjectName("WRLabel");
  auto* period = new QVBoxLayout;
  period->addWidget(wrBtn_);
  period->addWidget(dateLabel_);
  period->addWidget(wrLabel_);

  auto* buttons = ApplyCancelButtons(*this, [this] { OKBtnClick(); });

  auto* root = new QVBoxLayout(this);
  root->addLayout(numbers);
  root->addLayout(fixed);
  root->addWidget(dimension);
  root->addLayout(groups);
  root->addLayout(period);
  root->addLayout(buttons);

  for (QLineEdit* edit : {iterEdit_, countRQEdit_}) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { IntChange(edit); });
  }
  for (QLineEdit* edit : {uvEdit_, unEdit_, precEdit_, damp1_, damp2_}) {
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { FloatChange(edit); });
  }
  connect(checkBox1_, &QCheckBox::toggled, this, &TSetRegimFrm::CheckBox1Click);
  connect(wrBtn_, &QPushButton::clicked, this, &TSetRegimFrm::WRBtnClick);
}

void TSetRegimFrm::Load() {
  const TIniRec& ini = IniRec;
  precEdit_->setText(SingleText(ini.Prec));
  iterEdit_->setText(Q(IntToStr(ini.Iter1)));
  uvEdit_->setText(SingleText(ini.Uv));
  unEdit_->setText(SingleText(ini.Un));
  damp1_->setText(SingleText(ini.Damp1));
  damp2_->setText(SingleText(ini.Damp2));
  countRQEdit_->setText(Q(IntToStr(ini.CountRQ)));
  checkBox1_->setChecked(ini.FlagFM);
  checkBox2_->setChecked(ini.FlagRQ);
  checkBox3_->setChecked(ini.FlagPQ);
  checkBox4_->setChecked(ini.SumSbal);
  comboBox1_->setCurrentIndex(ini.AlgmFM >= 0 && ini.AlgmFM < comboBox1_->count() ? ini.AlgmFM : -1);
  (ini.Dimension != 0 ? radioButton2_ : radioButton1_)->setChecked(true);
  typU0_->SetItemIndex(ini.FlagU0);
  typLoad_->SetItemIndex(ini.TypLoad);
  typTok_->SetItemIndex(ini.FlagIF ? 1 : 0);
  CheckBox1Click();
  wrBtn_->setEnabled(withPeriod_);
  ShowPeriod();
}

std::string TSetRegimFrm::Validate() const {
  try {
    for (const QLineEdit* edit : {precEdit_, uvEdit_, unEdit_, damp1_, damp2_}) StrToFloatZ(S(edit->text()));
    for (const QLineEdit* edit : {iterEdit_, countRQEdit_}) StrToIntZ(S(edit->text()));
  } catch (const ConvertError& e) {
    return e.what();
  }
  return {};
}

void TSetRegimFrm::Store() const {
  TIniRec& ini = IniRec;
  ini.Prec = static_cast<float>(StrToFloatZ(S(precEdit_->text())));
  ini.Uv = static_cast<float>(StrToFloatZ(S(uvEdit_->text())));
  ini.Un = static_cast<float>(StrToFloatZ(S(unEdit_->text())));
  ini.Damp1 = static_cast<float>(StrToFloatZ(S(damp1_->text())));
  ini.Damp2 = static_cast<float>(StrToFloatZ(S(damp2_->text())));
  // A negative limit asks for the iterations to be repeated after convergence.
  const int iterations = StrToIntZ(S(iterEdit_->text()));
  if (iterations < 0) ini.RepeatIter = true;
  ini.Iter1 = iterations < 0 ? -iterations : iterations;
  ini.CountRQ = StrToIntZ(S(countRQEdit_->text()));
  ini.FlagFM = checkBox1_->isChecked();
  ini.FlagRQ = checkBox2_->isChecked();
  ini.FlagPQ = checkBox3_->isChecked();
  ini.SumSbal = checkBox4_->isChecked();
  ini.AlgmFM = comboBox1_->currentIndex();
  ini.Dimension = radioButton1_->isChecked() ? 0 : 1;
  ini.FlagU0 = typU0_->ItemIndex();
  ini.TypLoad = static_cast<std::uint8_t>(std::max(typLoad_->ItemIndex(), 0));
  ini.FlagIF = typTok_->ItemIndex() == 1;
}

void TSetRegimFrm::IntChange(QLineEdit* edit) {
  const std::string text = S(edit->text());
  if (!text.empty() && !ReadsAsInteger(text)) edit->clear();
}

void TSetRegimFrm::FloatChange(QLineEdit* edit) {
  try {
    StrToFloatZ(S(edit->text()));
  } catch (const ConvertError&) {
    edit->clear();
  }
}

void TSetRegimFrm::CheckBox1Click() {
  comboBox1_->setEnabled(checkBox1_->isChecked());
  checkBox2_->setEnabled(checkBox1_->isChecked());
}

void TSetRegimFrm::ShowPeriod() {
  std::string period, loads;
  if (withPeriod_) PeriodCaptions(period, loads);
  dateLabel_->setText(Q(period));
  wrLabel_->setText(Q(loads));
}

void TSetRegimFrm::WRBtnClick() {
  if (ExecuteCalcPeriodDialog()) ShowPeriod();
}

void TSetRegimFrm::OKBtnClick() {
  const std::string error = Validate();
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  accept();
}

void PeriodCaptions(std::string& period, std::string& loads) {
  const TIniRec& ini = IniRec;
  // Years in full: with two digits a period of this century read as one of the last ("01.11.50" is
  // 1950, as the program reads a year of two digits).
  period = FormatDateTime("dd.mm.yyyy", ini.Date1) + " - " + FormatDateTime("dd.mm.yyyy", ini.Date2);
  switch (ini.TypCalcPQ) {
    case 0: loads = "Средняя загрузка"; break;
    case 1: loads = "Минимальная загрузка"; break;
    case 2: loads = "Максимальная загрузка"; break;
    case 3:
      loads = "Граф. нагрузок, " + FormatDateTime("dd.mm.yyyy hh:nn:ss", ini.CalcDate) + ", " + DurationToStr(ini.Tgr);
      break;
    default: loads.clear(); break;
  }
}

bool ExecuteRegimSettingsDialog(bool WithPeriod) {
  IniRec.RepeatIter = false;
  TSetRegimFrm form(WithPeriod);
  form.Load();
  if (ExecModal(form) != QDialog::Accepted || !form.Validate().empty()) return false;
  form.Store();
  WriteConfig();
  return true;
}

}  // namespace ld::gui
