#include "gui/district/load_w_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"

namespace ld::gui {

namespace {

QString General(float value) { return QString::fromStdString(FloatToStrGeneral(value, 7)); }

// An edit's number; an empty text is 0, and so is one that was cleared as no number.
float EditNumber(const QLineEdit* edit) {
  try {
    return static_cast<float>(StrToFloatZ(edit->text().toStdString()));
  } catch (const ConvertError&) {
    return 0;
  }
}

}  // namespace

TLoadWFrm::TLoadWFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("LoadWFrm");
  setWindowTitle("Формирование загрузки ТП,РП");
  PromTgEdit = Named<QLineEdit>("PromTgEdit", this);
  BytTgEdit = Named<QLineEdit>("BytTgEdit", this);
  Lin04Box = Named<QCheckBox>("Lin04Box", " Распределение загрузки по фидерам 0.4 кВ ", this);
  Length04 = Named<QRadioButton>("Length04", "Пропорционально суммарным длинам линий", this);
  Section04 = Named<QRadioButton>("Section04", "Пропорционально главным сечениям линий", this);
  AnalysisBox = Named<QGroupBox>("AnalysisBox", " Анализ загрузки ТП,РП ", this);
  NullTrBox = Named<QCheckBox>("NullTrBox", "Отключать тр-ры с нулевой загрузкой (Wтр = 0)", AnalysisBox);
  UnevenInfoBox = Named<QCheckBox>("UnevenInfoBox", "Отключать неравномерно загруженные тр-ры,", AnalysisBox);
  Label1 = Named<QLabel>("Label1", "при соотношении WPтр / WPтп меньше ", AnalysisBox);
  LoadTrEdit = Named<QLineEdit>("LoadTrEdit", AnalysisBox);

  auto* tg = new QGridLayout;
  tg->addWidget(new QLabel("Средний tg(ф) промышленных абонентов", this), 0, 0);
  tg->addWidget(PromTgEdit, 0, 1);
  tg->addWidget(new QLabel("Средний tg(ф) бытовых абонентов", this), 1, 0);
  tg->addWidget(BytTgEdit, 1, 1);
  auto* lines = new QVBoxLayout;
  lines->addWidget(Lin04Box);
  lines->addWidget(Length04);
  lines->addWidget(Section04);
  lines->setContentsMargins(0, 0, 0, 0);
  auto* threshold = new QHBoxLayout;
  threshold->addWidget(Label1);
  threshold->addWidget(LoadTrEdit);
  threshold->addWidget(new QLabel("%", AnalysisBox));
  auto* analysis = new QVBoxLayout(AnalysisBox);
  analysis->addWidget(NullTrBox);
  analysis->addWidget(UnevenInfoBox);
  analysis->addLayout(threshold);
  auto* root = new QVBoxLayout(this);
  root->addLayout(tg);
  root->addLayout(lines);
  root->addWidget(AnalysisBox);
  root->addLayout(ApplyCancelButtons(*this, [this] {
    Store();
    accept();
  }));

  PromTgEdit->setText(General(IniRec.PromTg));
  BytTgEdit->setText(General(IniRec.BytTg));
  LoadTrEdit->setText(General(IniRec.LoadTr));
  Lin04Box->setChecked(IniRec.LoadLin04);
  Length04->setChecked(IniRec.FlagWFid04 == 0);
  Section04->setChecked(IniRec.FlagWFid04 == 1);
  NullTrBox->setChecked(IniRec.OutNullTr);
  UnevenInfoBox->setChecked(IniRec.UnevenWtr);
  LoadTrEdit->setEnabled(IniRec.UnevenWtr);
  Lin04BoxClick();

  connect(Lin04Box, &QCheckBox::clicked, this, [this] { Lin04BoxClick(); });
  connect(UnevenInfoBox, &QCheckBox::clicked, this, [this] { UnevenInfoBoxClick(); });
  for (QLineEdit* edit : {PromTgEdit, BytTgEdit, LoadTrEdit})
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { PromTgEditChange(edit); });
}

void TLoadWFrm::Lin04BoxClick() {
  const bool lines = Lin04Box->isChecked();
  Length04->setEnabled(lines);
  Section04->setEnabled(lines);
  NullTrBox->setEnabled(!lines);
  UnevenInfoBox->setEnabled(!lines);
  Label1->setEnabled(!lines);
  LoadTrEdit->setEnabled(!lines && UnevenInfoBox->isChecked());
}

void TLoadWFrm::UnevenInfoBoxClick() {
  LoadTrEdit->setEnabled(UnevenInfoBox->isChecked());
  if (isVisible() && UnevenInfoBox->isChecked()) LoadTrEdit->setFocus();
}

void TLoadWFrm::PromTgEditChange(QLineEdit* edit) {
  try {
    StrToFloatZ(edit->text().toStdString());
  } catch (const ConvertError&) {
    const QSignalBlocker quiet(edit);
    edit->clear();
  }
}

void TLoadWFrm::Store() const {
  IniRec.PromTg = EditNumber(PromTgEdit);
  IniRec.BytTg = EditNumber(BytTgEdit);
  IniRec.LoadTr = EditNumber(LoadTrEdit);
  IniRec.LoadLin04 = Lin04Box->isChecked();
  if (Length04->isChecked())
    IniRec.FlagWFid04 = 0;
  else if (Section04->isChecked())
    IniRec.FlagWFid04 = 1;
  IniRec.OutNullTr = NullTrBox->isChecked();
  IniRec.UnevenWtr = UnevenInfoBox->isChecked();
}

bool ExecuteLoadFormingDialog(QWidget* parent) {
  TLoadWFrm form(parent);
  return ExecModal(form) == QDialog::Accepted;
}

}  // namespace ld::gui
