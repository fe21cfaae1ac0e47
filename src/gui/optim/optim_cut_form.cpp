#include "gui/optim/optim_cut_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/optim/cut_optimiser.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

const char kGroupError[] =
    "Неверно заданы уровни напряжений (должно быть указано одно или группа напряжений через символ \";\")";

}  // namespace

std::function<bool(bool)>& RegimSettingsDialog() {
  static std::function<bool(bool)> dialog;
  return dialog;
}

TOptimCutFrm::TOptimCutFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("OptimCutFrm");
  setWindowTitle("Настройка оптимизации разрывов");

  auto* select = new QGroupBox(" Выборка разрывов ", this);
  cutAll_ = Named<QRadioButton>("CutAll", "Полный список разрывов", select);
  cutPR_ = Named<QRadioButton>("CutPR", "По признаку (в колонке \"k\" символ \"1\")", select);
  auto* selectGroup = new QButtonGroup(select);
  selectGroup->addButton(cutAll_);
  selectGroup->addButton(cutPR_);
  flagDP_ = Named<QCheckBox>("FlagDP", "По снижению потерь не менее", select);
  editDP_ = Named<QLineEdit>("EditDP", select);
  editDP_->setMaximumWidth(80);
  flagUn_ = Named<QCheckBox>("FlagUn", "Уровни напряжений", select);
  groupUn_ = Named<QLineEdit>("GroupUn", select);
  groupUn_->setToolTip(
      "Можно указать один уровень напряжения или группу напряжений через символ \";\", например, 6;10;35");
  exceptTr_ = Named<QCheckBox>("ExceptTr", "Исключить трансформаторные ветви", select);
  auto* sl = new QGridLayout(select);
  sl->addWidget(cutAll_, 0, 0, 1, 3);
  sl->addWidget(cutPR_, 1, 0, 1, 3);
  sl->addWidget(flagDP_, 2, 0);
  sl->addWidget(editDP_, 2, 1);
  sl->addWidget(new QLabel("кВт", select), 2, 2);
  sl->addWidget(flagUn_, 3, 0);
  sl->addWidget(groupUn_, 3, 1);
  sl->addWidget(new QLabel("кВ", select), 3, 2);
  sl->addWidget(exceptTr_, 4, 0, 1, 3);

  auto* algorithm = new QGroupBox(" Алгоритм оптимизации ", this);
  localMin_ = Named<QRadioButton>("LocalMin", "Останов на локальном минимуме потерь", algorithm);
  globalMin_ = Named<QRadioButton>("GlobalMin", "Поиск глобального минимума потерь", algorithm);
  auto* algorithmGroup = new QButtonGroup(algorithm);
  algorithmGroup->addButton(localMin_);
  algorithmGroup->addButton(globalMin_);
  stopTr_ = Named<QCheckBox>("StopTr", "Останов на трансформаторных ветвях", algorithm);
  rIter_ = Named<QLineEdit>("RIter", algorithm);
  rIter_->setMaximumWidth(80);
  auto* al = new QGridLayout(algorithm);
  al->addWidget(localMin_, 0, 0, 1, 2);
  al->addWidget(globalMin_, 1, 0, 1, 2);
  al->addWidget(stopTr_, 2, 0, 1, 2);
  al->addWidget(new QLabel("Максимум итераций оптимизации разрывов", algorithm), 3, 0);
  al->addWidget(rIter_, 3, 1);

  regimBtn_ = Named<QPushButton>("RegimBtn", "Режимные установки", this);
  okBtn_ = Named<QPushButton>("OKBtn", "Применить", this);
  cancelBtn_ = Named<QPushButton>("CancelBtn", "Отменить", this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(regimBtn_);
  buttons->addStretch();
  buttons->addWidget(okBtn_);
  buttons->addWidget(cancelBtn_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(select);
  layout->addWidget(algorithm);
  layout->addLayout(buttons);

  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{cutAll_, cutPR_, flagDP_, flagUn_, exceptTr_}) {
    connect(b, &QAbstractButton::clicked, this, [this] { SelectionChanged = true; });
  }
  for (QLineEdit* e : {editDP_, groupUn_}) {
    connect(e, &QLineEdit::textChanged, this, [this] { SelectionChanged = true; });
  }
  // What cannot be read is refused while typing; an empty field counts as 0.
  connect(editDP_, &QLineEdit::textChanged, this, [this] {
    try {
      StrToFloatZ(S(editDP_->text()));
    } catch (const ConvertError&) {
      editDP_->clear();
    }
  });
  connect(rIter_, &QLineEdit::textChanged, this, [this] {
    try {
      StrToIntZ(S(rIter_->text()));
    } catch (const ConvertError&) {
      rIter_->clear();
    }
  });
  connect(regimBtn_, &QPushButton::clicked, this, [this] {
    if (RegimSettingsDialog() && RegimSettingsDialog()(false)) RegimeChanged = true;
  });
  connect(okBtn_, &QPushButton::clicked, this, [this] {
    std::vector<float> check;
    if (Accept(check)) accept();
  });
  connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
}

void TOptimCutFrm::Load() {
  const TIniRec& ini = IniRec;
  (ini.SelectCuts == 1 ? cutPR_ : cutAll_)->setChecked(true);
  (ini.Algoritm == 1 ? globalMin_ : localMin_)->setChecked(true);
  flagDP_->setChecked(ini.FlagDP);
  editDP_->setText(Q(FloatToStrGeneral(ini.dP, 7)));
  flagUn_->setChecked(ini.FlagUn);
  groupUn_->setText(Q(ini.GroupUn));
  exceptTr_->setChecked(ini.ExceptTr);
  stopTr_->setChecked(ini.StopTr);
  rIter_->setText(QString::number(ini.RIter));
  RegimeChanged = SelectionChanged = false;
}

bool TOptimCutFrm::Accept(std::vector<float>& voltages) {
  if (!flagUn_->isChecked()) return true;
  try {
    voltages = ParseVoltageGroup(S(groupUn_->text()));
  } catch (const ConvertError&) {
    ShowMsgForm(kGroupError, mkError, mbOk);
    return false;
  }
  return true;
}

void TOptimCutFrm::Store() const {
  TIniRec& ini = IniRec;
  ini.SelectCuts = cutPR_->isChecked() ? 1 : 0;
  ini.Algoritm = globalMin_->isChecked() ? 1 : 0;
  ini.FlagDP = flagDP_->isChecked();
  ini.dP = static_cast<float>(StrToFloatZ(S(editDP_->text())));
  ini.FlagUn = flagUn_->isChecked();
  ini.GroupUn = S(groupUn_->text());
  ini.ExceptTr = exceptTr_->isChecked();
  ini.StopTr = stopTr_->isChecked();
  ini.RIter = StrToIntZ(S(rIter_->text()));
}

bool ExecuteCutOptimSettings(std::vector<float>& voltages, bool& regimeChanged, bool& selectionChanged) {
  TOptimCutFrm form;
  form.Load();
  regimeChanged = selectionChanged = false;
  if (ExecModal(form) != QDialog::Accepted) return false;
  form.Accept(voltages);
  form.Store();
  WriteConfig();
  regimeChanged = form.RegimeChanged;
  selectionChanged = form.SelectionChanged;
  return true;
}

}  // namespace ld::gui
