#include "gui/district/sel_xls_form.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <filesystem>

#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "gui/common/modal.h"
#include "gui/grid/grid_exchange.h"

namespace ld::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
}  // namespace

TSelXlsFrm::TSelXlsFrm(QWidget* parent) : QDialog(parent) {
  setObjectName("SelXlsFrm");
  setWindowTitle("Выбор файла замеров в формате Excel (*.xls)");
  auto* grid = new QGridLayout(this);
  FEdit = new QLineEdit(this);
  FEdit->setObjectName("FEdit");
  FEdit->setMinimumWidth(360);
  SelectBtn = new QPushButton("...", this);
  SelectBtn->setObjectName("SelectBtn");
  SelectBtn->setAutoDefault(false);
  grid->addWidget(FEdit, 0, 0, 1, 3);
  grid->addWidget(SelectBtn, 0, 3);
  Label1 = new QLabel("Тангенс", this);
  Label1->setObjectName("Label1");
  TgEdit = new QLineEdit("0.42699", this);
  TgEdit->setObjectName("TgEdit");
  Label2 = new QLabel("Прим.", this);
  Label2->setObjectName("Label2");
  PrimEdit = new QLineEdit(this);
  PrimEdit->setObjectName("PrimEdit");
  grid->addWidget(Label1, 1, 0);
  grid->addWidget(TgEdit, 1, 1);
  grid->addWidget(Label2, 2, 0);
  grid->addWidget(PrimEdit, 2, 1, 1, 3);
  auto* buttons = new QHBoxLayout;
  OKBtn = new QPushButton("Применить", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("Отменить", this);
  CancelBtn->setObjectName("CancelBtn");
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  grid->addLayout(buttons, 3, 0, 1, 4);
  connect(SelectBtn, &QPushButton::clicked, this, [this] { SelectBtnClick(); });
  connect(TgEdit, &QLineEdit::textEdited, this, [this] { TgEditChange(); });
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

void TSelXlsFrm::Load(const std::string& fileName, float value) {
  FEdit->setText(Q(fileName));
  const long mode = std::lround(value);
  if (mode == -1) {
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, TgEdit, Label2, PrimEdit}) w->hide();
  } else if (mode == 2 || mode == 3 || mode == 5) {
    Label2->hide();
    PrimEdit->hide();
    TgEdit->setText(QString::number(mode));
    TgEdit->setMaximumWidth(40);
    Label1->setText("Тип замера (2 - кВт, 3 - А, 5 - кВтч)");
  } else {
    TgEdit->setText(Q(FloatToStrGeneral(SingleToDouble(value), 7)));
    PrimEdit->clear();
  }
  setFixedSize(sizeHint());
}

void TSelXlsFrm::SelectBtnClick() {
  const std::string current = S(FEdit->text());
  const std::string folder =
      current.empty() ? QDir::currentPath().toStdString() : std::filesystem::path(current).parent_path().string();
  QFileDialog dialog(this, "Выбор файла", Q(folder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The workbook reader takes the current format as well as the legacy one.
  dialog.setNameFilter("Файлы (*.xls *.xlsx)");
  dialog.setDefaultSuffix("xls");
  const std::string chosen = ExecFileDialog(dialog);
  if (!chosen.empty()) FEdit->setText(Q(chosen));
}

void TSelXlsFrm::TgEditChange() {
  const std::string text = S(TgEdit->text());
  try {
    StrToFloatZ(text.empty() ? "0" : text);
  } catch (const ConvertError&) {
    TgEdit->clear();
  }
}

bool ShowSelXlsForm(std::string& FileName, std::string& Note, float& Value) {
  TSelXlsFrm form;
  form.Load(FileName, Value);
  if (ExecModal(form) != QDialog::Accepted) return false;
  float value = 0;
  try {
    value = static_cast<float>(StrToFloatZ(S(form.TgEdit->text())));
  } catch (const ConvertError&) {
    value = 0;
  }
  FileName = S(form.FEdit->text());
  Value = value;
  Note = S(form.PrimEdit->text());
  return true;
}

}  // namespace ld::gui
