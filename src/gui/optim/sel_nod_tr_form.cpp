#include "gui/optim/sel_nod_tr_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/base/numfmt.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/colmaps.h"
#include "gui/common/modal.h"

namespace ld::gui {

double SelNodMinusPercent = 5;
double SelNodPlusPercent = 10;

TSelNodTrForm::TSelNodTrForm(const std::string& schemeStem, QWidget* parent) : QDialog(parent) {
  setObjectName("SelNodTrForm");
  setWindowTitle("Выбор узлов для контроля напряжения");
  resize(520, 420);
  auto* layout = new QVBoxLayout(this);
  auto* table = new QHBoxLayout;
  NodGrid = new TDataGrid5(this);
  NodGrid->setObjectName("NodGrid");
  auto* scroll = new QScrollBar(Qt::Vertical, this);
  NodGrid->SetScrollBar(scroll);
  table->addWidget(NodGrid, 1);
  table->addWidget(scroll);
  layout->addLayout(table, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(new QLabel("Отклонения от Uном: от -", this));
  Edit1 = new QLineEdit(QString::fromStdString(FloatToStrGeneral(SelNodMinusPercent, 7)), this);
  Edit1->setObjectName("Edit1");
  Edit1->setMaximumWidth(60);
  bottom->addWidget(Edit1);
  bottom->addWidget(new QLabel("% до +", this));
  Edit2 = new QLineEdit(QString::fromStdString(FloatToStrGeneral(SelNodPlusPercent, 7)), this);
  Edit2->setObjectName("Edit2");
  Edit2->setMaximumWidth(60);
  bottom->addWidget(Edit2);
  bottom->addWidget(new QLabel("%", this));
  bottom->addStretch();
  OkBtn = new QPushButton("Выбрать", this);
  OkBtn->setObjectName("OkBtn");
  OkBtn->setDefault(true);
  CancelBtn = new QPushButton("Отменить", this);
  CancelBtn->setObjectName("CancelBtn");
  bottom->addWidget(OkBtn);
  bottom->addWidget(CancelBtn);
  layout->addLayout(bottom);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit1); });
  connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit2); });

  NodGrid->SetNumerate(true);
  NodGrid->OpenFile(FamilyFile(schemeStem, GetMaketExtention(LayoutNodes)), 1, 1, 1, false, false, false);
  TDataFile& t = *NodGrid->GetTable();
  for (int k = 1; k <= t.NCols; ++k) {
    const auto c = static_cast<std::size_t>(k);
    const std::string& f = t.FieldName[c];
    t.Visible[c] = f == "NS" || f == "Name" || f == "Um" || f == "Urez" ? 1 : 0;
  }
  NodGrid->Refresh();
}

void TSelNodTrForm::Edit1Change(QLineEdit* edit) {
  const std::string text = edit->text().toStdString();
  double value = 0;
  if (text != "+") {
    try {
      value = StrToFloatZ(text);
    } catch (const ConvertError&) {
      edit->clear();  // stores 0 through the change it makes
      return;
    }
  }
  (edit == Edit1 ? SelNodMinusPercent : SelNodPlusPercent) = value;
}

bool ExecuteSelectVoltageNodes(const std::string& schemeStem, bool /*byName*/, std::int32_t& n, float& umax,
                               float& umin, std::string& name) {
  TSelNodTrForm form(schemeStem);
  if (ExecModal(form) != QDialog::Accepted) return false;
  TNodeCols c;
  FillNodeCols(form.NodGrid->table(), c);
  const int row = form.NodGrid->CurrentTableRow();
  const double um = c.Um->Get(row);
  n = c.NS->Get(row);
  name = c.Name->GetItem(row);
  umin = static_cast<float>(um * (1 - SelNodMinusPercent / 100));
  umax = static_cast<float>(um * (1 + SelNodPlusPercent / 100));
  return true;
}

}  // namespace ld::gui
