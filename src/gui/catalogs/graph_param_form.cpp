#include "gui/catalogs/graph_param_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/catalogs/graph_series.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QComboBox* Combo(QWidget* parent, const char* name, bool editable) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(editable);
  return box;
}

void FillNumbers(QComboBox* box, const std::vector<int>& numbers) {
  const QString text = box->currentText();
  box->clear();
  for (const int n : numbers) box->addItem(QString::number(n));
  box->setEditText(text);
}

QString Decimal(float value) { return Q(FloatToStrGeneral(value, 7)); }

}  // namespace

TGraphParamForm::TGraphParamForm(const TDataFile& catalog, bool hasValues, int row, QWidget* parent)
    : QDialog(parent), hasValues_(hasValues) {
  setObjectName("GraphParamForm");
  setWindowTitle("Свойства графика");
  FillGraphCatalogCols(catalog, cols_);
  context_.IsNew = row == 0;
  context_.Numbers = SortedGraphNumbers(cols_);
  context_.NuList = GraphNumbersOfLetter(cols_, 'U');
  context_.NtgList = GraphNumbersOfLetter(cols_, 't');

  auto* form = new QFormLayout;
  ngr_ = Combo(this, "_Ngr", true);
  tit_ = new QLineEdit(this);
  tit_->setObjectName("_Tit");
  typ_ = Combo(this, "_Typ", false);
  for (const char* t : kGraphKindTexts) typ_->addItem(t);
  per_ = Combo(this, "_Per", false);
  for (const char* t : GraphPeriodTexts) per_->addItem(t);
  zam_ = Combo(this, "_Zam", false);
  for (const char* t : kGraphQuantityTexts) zam_->addItem(t);
  unt_ = Combo(this, "_Unt", false);
  nt_ = Combo(this, "_Nt", true);
  form->addRow("N графика", ngr_);
  form->addRow("Наименование", tit_);
  form->addRow("Тип граф.", typ_);
  form->addRow("Период", per_);
  form->addRow("Замер", zam_);
  form->addRow("Ед. изм.", unt_);
  form->addRow("Nгр (тип)", nt_);

  auto* group = new QGroupBox(this);
  group->setObjectName("CurrentGroup");
  auto* grid = new QGridLayout(group);
  usBox_ = new QRadioButton("Uср, кВ", group);
  usBox_->setObjectName("_UsBox");
  nuBox_ = new QRadioButton("Nгр (U)", group);
  nuBox_->setObjectName("_NuBox");
  tgfBox_ = new QRadioButton("tg(f) ср", group);
  tgfBox_->setObjectName("_TgfBox");
  ntgBox_ = new QRadioButton("Nгр (tg)", group);
  ntgBox_->setObjectName("_NtgBox");
  us_ = new QLineEdit(group);
  us_->setObjectName("_Us");
  nu_ = Combo(group, "_Nu", true);
  tgf_ = new QLineEdit(group);
  tgf_->setObjectName("_Tgf");
  ntg_ = Combo(group, "_Ntg", true);
  auto* voltage = new QButtonGroup(this);
  voltage->addButton(usBox_);
  voltage->addButton(nuBox_);
  auto* tangent = new QButtonGroup(this);
  tangent->addButton(tgfBox_);
  tangent->addButton(ntgBox_);
  grid->addWidget(usBox_, 0, 0);
  grid->addWidget(us_, 0, 1);
  grid->addWidget(nuBox_, 1, 0);
  grid->addWidget(nu_, 1, 1);
  grid->addWidget(tgfBox_, 0, 2);
  grid->addWidget(tgf_, 0, 3);
  grid->addWidget(ntgBox_, 1, 2);
  grid->addWidget(ntg_, 1, 3);

  auto* buttons = ApplyCancelButtons(*this, [this] { Apply(); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(group);
  layout->addLayout(buttons);

  FillNumbers(ngr_, context_.Numbers);
  FillNumbers(nu_, context_.NuList);
  FillNumbers(ntg_, context_.NtgList);
  usBox_->setChecked(true);
  tgfBox_->setChecked(true);
  EnableCurrentGroup(false);

  if (row == 0) {
    ngr_->setEditText(QString::number(ProposedGraphNumber(context_.Numbers)));
    typ_->setCurrentIndex(-1);
    per_->setCurrentIndex(-1);
    zam_->setCurrentIndex(-1);
    nt_->setEnabled(false);
  } else {
    context_.OldNumber = cols_.Ngr->Get(row);
    ngr_->setEditText(QString::number(context_.OldNumber));
    tit_->setText(Q(cols_.Tit->GetItem(row)));
    typ_->setCurrentIndex(cols_.Typ->Get(row) <= 2 ? cols_.Typ->Get(row) : -1);
    int period = -1;
    for (std::size_t i = 0; i < GraphPeriods.size(); ++i)
      if (GraphPeriods[i] == cols_.Per->Get(row)) period = static_cast<int>(i);
    per_->setCurrentIndex(period);
    const char letter = cols_.Zam->Get(row);
    int quantity = -1;
    for (int i = 0; i < 6; ++i)
      if (kGraphQuantityTexts[i][0] == letter) quantity = i;
    zam_->setCurrentIndex(quantity);
    FillUnits(letter);
    unt_->setCurrentIndex(unt_->findText(Q(cols_.Unt->GetItem(row))));
    FillTypical(letter);
    nt_->setEditText(QString::number(cols_.Nt->Get(row)));
    nt_->setEnabled(cols_.Typ->Get(row) == kGraphDaily);
    us_->setText(Decimal(cols_.Us->Get(row)));
    tgf_->setText(Decimal(cols_.Tgf->Get(row)));
    nu_->setEditText(QString::number(cols_.Nu->Get(row)));
    ntg_->setEditText(QString::number(cols_.Ntg->Get(row)));
    if (letter == 'I') {
      (cols_.Us->Get(row) == 0 ? nuBox_ : usBox_)->setChecked(true);
      (cols_.Tgf->Get(row) == 0 ? ntgBox_ : tgfBox_)->setChecked(true);
      EnableCurrentGroup(true);
    }
    if (letter == 'k' || letter == 't') unt_->setEnabled(false);
  }
  typ_->setEnabled(!hasValues);
  per_->setEnabled(!hasValues);

  connect(typ_, &QComboBox::activated, this, &TGraphParamForm::TypeChanged);
  connect(per_, &QComboBox::activated, this, &TGraphParamForm::PeriodChanged);
  connect(zam_, &QComboBox::activated, this, &TGraphParamForm::QuantityChanged);
  for (QRadioButton* radio : {usBox_, nuBox_, tgfBox_, ntgBox_})
    connect(radio, &QRadioButton::toggled, this, &TGraphParamForm::RadioChanged);
}

char TGraphParamForm::Letter() const {
  const int i = zam_->currentIndex();
  return i >= 0 && i < 6 ? kGraphQuantityTexts[i][0] : char{0};
}

void TGraphParamForm::FillUnits(char letter) {
  unt_->clear();
  for (const std::string& unit : GraphUnitChoices(letter, typ_->currentIndex())) unt_->addItem(Q(unit));
  unt_->setEnabled(letter != 'k' && letter != 't');
}

void TGraphParamForm::FillTypical(char letter) {
  context_.NtList = TypicalGraphNumbers(cols_, letter);
  FillNumbers(nt_, context_.NtList);
}

void TGraphParamForm::EnableCurrentGroup(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{usBox_, nuBox_, tgfBox_, ntgBox_}) w->setEnabled(on);
  us_->setEnabled(on && usBox_->isChecked());
  nu_->setEnabled(on && nuBox_->isChecked());
  tgf_->setEnabled(on && tgfBox_->isChecked());
  ntg_->setEnabled(on && ntgBox_->isChecked());
}

void TGraphParamForm::RadioChanged() { EnableCurrentGroup(usBox_->isEnabled()); }

void TGraphParamForm::TypeChanged(int index) {
  per_->setEnabled(index == kGraphSlices && !hasValues_);
  nt_->setEnabled(false);
  zam_->setCurrentIndex(-1);
  unt_->clear();
  if (index == kGraphTypical) per_->setCurrentIndex(18);
  if (index == kGraphDaily) {
    per_->setCurrentIndex(19);
    nt_->setEnabled(true);
  }
}

void TGraphParamForm::PeriodChanged(int index) {
  if (index == 19 && typ_->currentIndex() != kGraphDaily) per_->setCurrentIndex(-1);
}

void TGraphParamForm::QuantityChanged(int) {
  const char letter = Letter();
  FillUnits(letter);
  if (unt_->count() > 0) unt_->setCurrentIndex(0);
  EnableCurrentGroup(false);
  if (typ_->currentIndex() == kGraphDaily && letter != 'P' && letter != 'Q') {
    zam_->setCurrentIndex(-1);
    unt_->clear();
    return;
  }
  FillTypical(letter);
  if (letter == 'I') EnableCurrentGroup(true);
}

ld::TGraphParamInput TGraphParamForm::Input() const {
  TGraphParamInput in;
  in.Number = ngr_->currentText().toStdString();
  in.Title = tit_->text().toStdString();
  in.Kind = typ_->currentIndex();
  in.Period = per_->currentIndex();
  in.Quantity = zam_->currentIndex();
  in.Unit = unt_->currentIndex() >= 0 ? unt_->currentText().toStdString() : std::string();
  in.UseUs = usBox_->isChecked();
  in.Us = us_->text().toStdString();
  in.Nu = nu_->currentText().toStdString();
  in.UseTgf = tgfBox_->isChecked();
  in.Tgf = tgf_->text().toStdString();
  in.Ntg = ntg_->currentText().toStdString();
  in.Nt = nt_->currentText().toStdString();
  return in;
}

void TGraphParamForm::Apply() {
  const std::string error = CheckGraphParams(Input(), context_);
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  accept();
}

bool EditGraphParams(TDataFile& catalog, bool hasValues, int& row) {
  TGraphParamForm form(catalog, hasValues, row);
  if (ExecModal(form) != QDialog::Accepted) return false;
  WriteGraphParams(catalog, row, form.Input());
  return true;
}

}  // namespace ld::gui
