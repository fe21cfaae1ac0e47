#include "gui/catalogs/sel_gr_form.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/catalogs/import_grc.h"
#include "gui/common/modal.h"

namespace ld::gui {

TSelGrFrm::TSelGrFrm(const TGraphCatalogCols& cols, QWidget* parent) : QDialog(parent) {
  setObjectName("SelGrFrm");
  setWindowTitle("Выбор графиков нагрузок");
  LnkList = new QListWidget(this);
  LnkList->setObjectName("LnkList");
  for (int row = 1; row <= cols.RowCount; ++row) {
    auto* item = new QListWidgetItem(
        QString::number(cols.Ngr->Get(row)) + " " + QString::fromStdString(cols.Tit->GetItem(row)), LnkList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  auto* ok = new QPushButton("Применить", this);
  ok->setObjectName("OKBtn");
  auto* cancel = new QPushButton("Отменить", this);
  cancel->setObjectName("CancelBtn");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LnkList);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool SelectGraphs(TGraphCatalogCols& cols) {
  TSelGrFrm form(cols);
  if (ExecModal(form) != QDialog::Accepted) return false;
  for (int row = 1; row <= cols.RowCount; ++row)
    if (form.LnkList->item(row - 1)->checkState() == Qt::Checked) {
      std::string title = kChosenGraphMark;
      title += cols.Tit->GetItem(row);
      cols.Tit->SetItem(row, title);
    }
  return true;
}

}  // namespace ld::gui
