#include "gui/district/sel_xls_form.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/district/tp_measure.h"
#include "gui/common/modal.h"
#include "gui/grid/grid_exchange.h"

namespace ld::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The value an edit holds: its text read by the tolerant parser ("" reads 0); none for a text that is
// no number or a number that a single-precision value cannot hold.
std::optional<float> SingleOfText(const std::string& text) {
  try {
    const double v = StrToFloatZ(text.empty() ? "0" : text);
    if (!(std::fabs(v) <= FLT_MAX)) return std::nullopt;
    return static_cast<float>(v);
  } catch (const ConvertError&) {
    return std::nullopt;
  }
}

// Why a measurement type typed cannot be taken; empty for one of the listed codes. The import would use
// any other value as the active power without a word.
std::string TypeFault(const std::string& text) {
  const std::string list = ": 2 - кВт, 3 - А, 5 - кВтч";
  if (text.empty()) return "Не задан тип замера" + list;
  const std::optional<float> value = SingleOfText(text);
  if (value && static_cast<float>(MeasurementType(*value)) == *value) return {};
  return "Тип замера \"" + text + "\" не из списка" + list;
}

// A tangent in general format with 7 significant digits, an exponent written with at least 4 digits.
std::string TangentText(float value) {
  std::string text = FloatToStrGeneral(SingleToDouble(value), 7);
  const auto e = text.find('E');
  if (e == std::string::npos) return text;
  std::size_t digits = e + 1;
  if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) ++digits;
  const std::size_t count = text.size() - digits;
  if (count < 4) text.insert(digits, 4 - count, '0');
  return text;
}
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
  PrimEdit = new QLineEdit("042699", this);
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
  // What the dialog itself puts into the edits is always a number; what a person types is checked.
  for (QLineEdit* edit : {TgEdit, PrimEdit})
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { TgEditChange(edit); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

void TSelXlsFrm::Load(const std::string& fileName, float value) {
  FEdit->setText(Q(fileName));
  // a value beyond any mode code is a tangent
  const std::int64_t mode = std::fabs(value) < 1e9f ? Round(value) : 0;
  if (mode == -1) {
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, TgEdit, Label2, PrimEdit}) w->hide();
  } else if (MeasurementType(static_cast<float>(mode)) == mode) {
    typeMode_ = true;
    Label2->hide();
    PrimEdit->hide();
    TgEdit->setText(QString::number(mode));
    TgEdit->setFixedWidth(18);
    Label1->setText("Тип замера (2 - кВт, 3 - А, 5 - кВтч)");
  } else {
    TgEdit->setText(Q(TangentText(value)));
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
  // the measurement reader takes workbooks of either kind
  dialog.setNameFilter("Файлы (*.xls *.xlsx)");
  dialog.setDefaultSuffix("xls");
  const std::string chosen = ExecFileDialog(dialog);
  if (!chosen.empty()) FEdit->setText(Q(chosen));
}

void TSelXlsFrm::OKBtnClick() {
  if (typeMode_) {
    if (const std::string fault = TypeFault(S(TgEdit->text())); !fault.empty()) {
      ShowMsgForm(fault, mkError, mbOk);
      TgEdit->setFocus();
      TgEdit->selectAll();
      return;
    }
  }
  accept();
}

void TSelXlsFrm::TgEditChange(QLineEdit* sender) {
  if (!SingleOfText(S(sender->text()))) sender->clear();
}

bool ShowSelXlsForm(std::string& FileName, std::string& Note, float& Value) {
  TSelXlsFrm form;
  form.Load(FileName, Value);
  if (ExecModal(form) != QDialog::Accepted) return false;
  const float value = SingleOfText(S(form.TgEdit->text())).value_or(0.0f);
  FileName = S(form.FEdit->text());
  Value = value;
  Note = S(form.PrimEdit->text());
  return true;
}

}  // namespace ld::gui
