#include "gui/catalogs/catalog_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/print_markup_table.h"
#include "gui/grid/report_print.h"

namespace ld::gui {

TCatalogForm* CatalogForm = nullptr;

TCatalogForm::TCatalogForm(QWidget* parent) : QDialog(parent) {
  setObjectName("CatalogForm");
  resize(760, 480);
  auto* layout = new QVBoxLayout(this);
  auto* table = new QHBoxLayout;
  grid_ = new TDataGrid5(this);
  grid_->setObjectName("DTable");
  scroll_ = new QScrollBar(Qt::Vertical, this);
  scroll_->setObjectName("DTableScroll");
  grid_->SetScrollBar(scroll_);
  table->addWidget(grid_, 1);
  table->addWidget(scroll_);
  layout->addLayout(table, 1);
  hint_ = new QLabel(this);
  hint_->setObjectName("HLabel");
  layout->addWidget(hint_);
  auto* buttons = new QHBoxLayout;
  select_ = new QPushButton("Выбрать", this);
  select_->setObjectName("Button1");
  cancel_ = new QPushButton("Отменить", this);
  cancel_->setObjectName("Button2");
  print_ = new QPushButton("Печать", this);
  print_->setObjectName("PrintBtn");
  buttons->addWidget(select_);
  buttons->addWidget(cancel_);
  buttons->addStretch();
  buttons->addWidget(print_);
  layout->addLayout(buttons);
  connect(select_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(print_, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
  grid_->OnSaveProc = [this](PDataFile) { changed_ = true; };
  grid_->OnMoveProc = [this](PDataFile, int, int) { CellMoved(); };
}

void TCatalogForm::Prepare(const std::string& fileName, const TDataFile* table, int row) {
  changed_ = false;
  row_ = row;
  hint_->clear();
  if (table) {
    select_->setEnabled(false);
    grid_->AssignTable(*table, 1, 1, 1);
    grid_->SetEditTable(false);
  } else {
    select_->setEnabled(true);
    grid_->OpenFile(fileName, 1, 1, 1, UserAccess != 0, true, true);
  }
  CellMoved();
}

void TCatalogForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Placed once the grid knows its height: a row on the first screen is shown with the rows above it.
  if (row_ > 1 && row_ < grid_->GridRowCount() - 1) grid_->MoveTo(1, row_);
  else if (row_ > 1) grid_->GotoRow(row_);
}

void TCatalogForm::CellMoved() {
  const TDataFile& t = grid_->table();
  const int c = grid_->CurrentTableCol();
  hint_->setText(c >= 1 && c <= t.NCols ? QString::fromStdString(t.Comment[static_cast<std::size_t>(c)]) : QString());
}

void TCatalogForm::PrintBtnClick() {
  grid_->TrimEmptyTailRows();
  std::vector<std::string> lines;
  AppendTablePrintLines(grid_->table(), lines);
  PrintTextDocument({windowTitle().toStdString()}, {}, lines, this);
}

void TCatalogForm::done(int result) {
  if (grid_->Modified()) {
    changed_ = true;
    bool saved = false;
    if (!grid_->Guarded([&] { saved = grid_->SaveFile(); }) || !saved) return;
  }
  row_ = grid_->CurrentTableRow();
  grid_->CloseTable();
  QDialog::done(result);
}

bool ShowCatalog(const std::string& FileName, const std::string& Caption, const TDataFile* Table, int& Row,
                 bool& Changed) {
  Changed = false;
  std::unique_ptr<TCatalogForm> own;
  TCatalogForm* form = CatalogForm;
  if (!form) {
    own = std::make_unique<TCatalogForm>();
    form = own.get();
  }
  form->setWindowTitle(QString::fromStdString(Caption));
  try {
    form->Prepare(FileName, Table, Row);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return false;
  }
  // A table shown in place of a file is never picked from, however the window was closed.
  if (ExecModal(*form) != QDialog::Accepted || Table) return false;
  Row = form->CurrentRow();
  Changed = form->ChangedFlag();
  return true;
}

}  // namespace ld::gui
