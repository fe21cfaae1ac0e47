#include "gui/optim/sel_tr_form.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/base/settings.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_ops.h"
#include "gui/common/modal.h"

namespace ld::gui {

namespace {

// Winding labels of a transformer kind by the winding index of TypEqu; written in Latin letters.
std::string WindingLabel(const std::string& kind, char index) {
  static const char* const split[] = {"BH", "HH1", "HH2"};
  static const char* const three[] = {"BH", "CH", "HH"};
  if (index < '0' || index > '2') return {};
  if (kind == "TR") return split[index - '0'];
  if (kind == "T3") return three[index - '0'];
  return {};
}

}  // namespace

TSelTrForm::TSelTrForm(const std::string& schemeStem, int startRow, QWidget* parent)
    : QDialog(parent), startRow_(startRow) {
  setObjectName("SelTrForm");
  setWindowTitle("Выбор трансформатора");
  resize(700, 420);
  auto* layout = new QVBoxLayout(this);
  auto* table = new QHBoxLayout;
  TrGrid = new TDataGrid5(this);
  TrGrid->setObjectName("TrGrid");
  auto* scroll = new QScrollBar(Qt::Vertical, this);
  TrGrid->SetScrollBar(scroll);
  table->addWidget(TrGrid, 1);
  table->addWidget(scroll);
  layout->addLayout(table, 1);
  auto* buttons = new QHBoxLayout;
  OkBtn = new QPushButton("Выбрать", this);
  OkBtn->setObjectName("OkBtn");
  OkBtn->setDefault(true);
  CancelBtn = new QPushButton("Отменить", this);
  CancelBtn->setObjectName("CancelBtn");
  buttons->addStretch();
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  layout->addLayout(buttons);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  TrGrid->SetNumerate(true);
  TrGrid->OpenFile(FamilyFile(schemeStem, GetMaketExtention(LayoutBranches)), 1, 1, 1, false, false, false);
  PrepareRows();
}

void TSelTrForm::PrepareRows() {
  TDataFile& t = *TrGrid->GetTable();
  static const struct {
    const char* field;
    int width;
  } shown[] = {{"N1", 0}, {"N2", 0}, {"Nl", 0}, {"Name1", 130}, {"Kta", 40}, {"Ktr", 40}, {"Mark", 140}, {"Regulation", 120}};
  for (int k = 1; k <= t.NCols; ++k) {
    const auto c = static_cast<std::size_t>(k);
    t.Visible[c] = 0;
    for (const auto& s : shown) {
      if (t.FieldName[c] != s.field) continue;
      t.Visible[c] = 1;
      if (s.width != 0) t.PixWidth[c] = static_cast<std::int16_t>(s.width);
    }
  }
  t.ColTitle[static_cast<std::size_t>(FindColumnIndex("Name1", t))] = "Обозначение";

  TBranchCols b;
  FillBranchCols(t, b);
  for (int row = t.RowCount; row >= 1; --row) {
    if (b.Kta->Get(row) == 0 && b.Ktr->Get(row) == 0) DeleteTableRows(t, row, row);
  }
  FillBranchCols(t, b);
  for (int row = 1; row <= t.RowCount; ++row) {
    std::string name = b.Name1->GetItem(row);
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos) continue;
    name.resize(dot);
    const std::string ds = b.DSName->GetItem(row);
    if (!ds.empty()) name += " " + ds;
    const std::string typEqu = b.TypEqu->GetItem(row);
    const std::size_t bar1 = typEqu.find('|');
    const std::size_t bar2 = bar1 == std::string::npos ? bar1 : typEqu.find('|', bar1 + 1);
    if (bar2 != std::string::npos && bar2 + 1 < typEqu.size()) {
      const std::string label = WindingLabel(typEqu.substr(0, bar1), typEqu[bar2 + 1]);
      if (!label.empty()) name += " (" + label + ")";
    }
    b.Name1->SetItem(row, name);
  }
  TrGrid->Refresh();
}

void TSelTrForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  TrGrid->ShowAll();
  if (startRow_ > 1) TrGrid->GotoRow(std::min(startRow_, std::max(1, TrGrid->table().RowCount)));
}

bool ExecuteSelectTransformer(const std::string& schemeStem, TRecTr& longitudinal, TRecTr& transverse, int& row) {
  TSelTrForm form(schemeStem, row);
  if (ExecModal(form) != QDialog::Accepted) return false;
  // The records come from the table as shown: its names, and only its rows for a star point.
  TBranchCols b;
  FillBranchCols(form.TrGrid->table(), b);
  row = form.TrGrid->CurrentTableRow();
  FillRecTr(b, row, longitudinal, transverse);
  return true;
}

}  // namespace ld::gui
