#include "gui/district/set_export_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/district/scheme_forming.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/district/set_koef_form.h"

namespace ld::gui {

namespace {

QString SingleText(float v) { return QString::fromStdString(FloatToStrGeneral(v, 7)); }

// An empty text counts as "0".
double NumberOf(const QString& text) { return StrToFloatZ(text.isEmpty() ? "0" : text.toStdString()); }

}  // namespace

TSetExportFrm::TSetExportFrm(const std::string& baseStem, QWidget* parent) : QDialog(parent) {
  setObjectName("SetExportFrm");
  setWindowTitle("Формирование расчетной схемы");
  SchEdit = Named<QLineEdit>("SchEdit", QString::fromStdString(baseStem), this);
  SchEdit->setReadOnly(true);
  KoefEdit = Named<QLineEdit>("KoefEdit", this);
  TgEdit = Named<QLineEdit>("TgEdit", this);
  TrBox = Named<QCheckBox>("TrBox", "Тр-ры 10(6)/0.4 кВ", this);
  LnBox = Named<QCheckBox>("LnBox", "Линии 0.4 кВ", this);
  ChkTrBox = Named<QCheckBox>("ChkTrBox", "Проверка наличия тр-ра по префиксу ", this);
  PrefTPEdit = Named<QLineEdit>("PrefTPEdit", this);
  EERMBox = Named<QCheckBox>("EERMBox", "Схема для расчетов ЭЭРМ", this);
  SNRBox = Named<QCheckBox>("SNRBox", "СНР", this);
  SNRBox->setToolTip("Схема нормального режима");
  NrBox = Named<QCheckBox>("NrBox", "Nр ->", this);
  NrBox->setToolTip("Расстановка номеров районов (Nр) головных фидеров на всю схему");
  FiderBox = Named<QCheckBox>("FiderBox", "Выбор фидеров подстанций", this);
  FiderList = Named<QListWidget>("FiderList", this);
  KweightBtn = Named<QPushButton>("KweightBtn", "Весовые коэффициенты нагрузки ТП,РП", this);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Файл схемы", this), 0, 0);
  grid->addWidget(SchEdit, 0, 1, 1, 2);
  grid->addWidget(new QLabel("Средний коэф. загрузки ТП,РП", this), 1, 0);
  grid->addWidget(KoefEdit, 1, 1);
  grid->addWidget(new QLabel("%", this), 1, 2);
  grid->addWidget(new QLabel("Средний tgф ТП,РП (tgф = Q/P)", this), 2, 0);
  grid->addWidget(TgEdit, 2, 1);
  grid->addWidget(TrBox, 3, 0);
  grid->addWidget(LnBox, 3, 1, 1, 2);
  grid->addWidget(ChkTrBox, 4, 0);
  grid->addWidget(PrefTPEdit, 4, 1, 1, 2);
  auto* flags = new QHBoxLayout;
  flags->addWidget(EERMBox);
  flags->addWidget(SNRBox);
  flags->addWidget(NrBox);
  flags->addStretch();
  auto* root = new QVBoxLayout(this);
  root->addLayout(grid);
  root->addLayout(flags);
  root->addWidget(KweightBtn);
  root->addWidget(FiderBox);
  root->addWidget(FiderList, 1);
  root->addLayout(OkCancelButtons(*this, "Сформировать схему", "Отменить"));

  LoadSettings();
  // the items come sorted as names are compared everywhere: upper case by Windows-1251 codes
  for (const std::string& item : FeederChoiceItems(baseStem)) {
    auto* row = new QListWidgetItem(QString::fromStdString(item), FiderList);
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Unchecked);
  }
  FiderBox->setChecked(false);
  FiderList->setEnabled(false);

  connect(TrBox, &QCheckBox::clicked, this, [this] { EnableLines(); });
  connect(ChkTrBox, &QCheckBox::clicked, this, [this] { EnableLines(); });
  connect(FiderBox, &QCheckBox::clicked, this, [this] { FiderList->setEnabled(FiderBox->isChecked()); });
  connect(EERMBox, &QCheckBox::clicked, this, [this] {
    if (!EERMBox->isChecked()) return;
    KoefEdit->setText("20");
    TgEdit->setText("0.5");
  });
  connect(KweightBtn, &QPushButton::clicked, this, [this] { ExecuteWeightKoefDialog(this); });
  WatchNumber(KoefEdit, koefText_);
  WatchNumber(TgEdit, tgText_);
}

void TSetExportFrm::LoadSettings() {
  KoefEdit->setText(SingleText(IniRec.Koef));
  TgEdit->setText(SingleText(IniRec.tgf));
  koefText_ = KoefEdit->text();
  tgText_ = TgEdit->text();
  TrBox->setChecked(IniRec.T04);
  LnBox->setChecked(IniRec.L04);
  ChkTrBox->setChecked(IniRec.ChkTr);
  PrefTPEdit->setText(QString::fromStdString(IniRec.PrefTP));
  EERMBox->setChecked(IniRec.EERM_D2);
  SNRBox->setChecked(IniRec.SNR);
  NrBox->setChecked(IniRec.NrToAll);
  EnableLines();
}

void TSetExportFrm::EnableLines() { LnBox->setEnabled(TrBox->isChecked()); }

void TSetExportFrm::WatchNumber(QLineEdit* edit, QString& lastGood) {
  connect(edit, &QLineEdit::textChanged, this, [edit, &lastGood](const QString& text) {
    try {
      NumberOf(text);
      lastGood = text;
    } catch (const ConvertError& e) {
      const QSignalBlocker quiet(edit);
      edit->setText(lastGood);
      ShowMsgForm(e.what(), mkError, mbOk);
    }
  });
}

void TSetExportFrm::Store(bool& feederMode, std::vector<std::string>& feeders) const {
  IniRec.Koef = static_cast<float>(NumberOf(KoefEdit->text()));
  IniRec.tgf = static_cast<float>(NumberOf(TgEdit->text()));
  IniRec.T04 = TrBox->isChecked();
  IniRec.L04 = LnBox->isChecked();
  IniRec.ChkTr = ChkTrBox->isChecked();
  IniRec.PrefTP = PrefTPEdit->text().toStdString();
  IniRec.EERM_D2 = EERMBox->isChecked();
  IniRec.SNR = SNRBox->isChecked();
  IniRec.NrToAll = NrBox->isChecked();
  feederMode = FiderBox->isChecked();
  if (!feederMode) return;
  feeders.clear();
  for (int i = 0; i < FiderList->count(); ++i) {
    const QListWidgetItem* item = FiderList->item(i);
    if (item->checkState() == Qt::Checked) feeders.push_back(FeederOfChoice(item->text().toStdString()));
  }
}

bool ExecuteSchemeFormingDialog(const std::string& baseStem, bool& feederMode, std::vector<std::string>& feeders,
                                QWidget* parent) {
  TSetExportFrm form(baseStem, parent);
  if (ExecModal(form) != QDialog::Accepted) return false;
  form.Store(feederMode, feeders);
  WriteConfig();
  return true;
}

}  // namespace ld::gui
