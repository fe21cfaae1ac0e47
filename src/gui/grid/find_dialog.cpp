#include "gui/grid/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/tables/table_ops.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/grid_dialogs.h"

namespace ld::gui {

namespace {

// Remembered between the dialogs of the whole process.
struct Remembered {
  QString findText;
  bool exact = false;
  QString replaceFind;
  QString replaceWith;
};

Remembered& Memory() {
  static Remembered memory;
  return memory;
}

QPushButton* AddButton(QHBoxLayout* row, const char* caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);  // owned by the dialog
  button->setObjectName(name);
  button->setAutoDefault(false);
  row->addWidget(button);
  return button;
}

}  // namespace

TFindForm::TFindForm(TDataGrid5& grid, QWidget* parent) : QDialog(parent), grid_(grid) {
  setWindowTitle("Поиск");
  setObjectName("FindForm");
  auto* layout = new QGridLayout(this);
  findEdit_ = new QLineEdit(Memory().findText, this);
  findEdit_->setObjectName("FindEdit");
  exactBox_ = new QCheckBox("Точный поиск", this);
  exactBox_->setObjectName("ExactBox");
  exactBox_->setChecked(Memory().exact);
  layout->addWidget(findEdit_, 0, 0);
  layout->addWidget(exactBox_, 1, 0);
  auto* buttons = new QHBoxLayout;
  QPushButton* find = AddButton(buttons, "Поиск", "FindBtn", this);
  find->setDefault(true);
  QPushButton* exit = AddButton(buttons, "Выход", "ExitBtn", this);
  layout->addLayout(buttons, 2, 0);
  connect(find, &QPushButton::clicked, this, &TFindForm::FindClick);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
  connect(findEdit_, &QLineEdit::textChanged, this, [this] { lastRow_ = 0; });
  findEdit_->setFocus();
  findEdit_->selectAll();
}

TFindForm::~TFindForm() {
  Memory().findText = findEdit_->text();
  Memory().exact = exactBox_->isChecked();
}

void TFindForm::FindClick() {
  grid_.Guarded([&] {
    const std::string field = grid_.CurrentFieldName();
    if (field.empty()) return;
    int row = lastRow_;
    if (FindRowByText(field, findEdit_->text().toStdString(), *grid_.GetTable(), exactBox_->isChecked(), row)) {
      lastRow_ = row;
      grid_.GotoRow(row);
    } else {
      lastRow_ = 0;
    }
  });
}

TReplaceForm::TReplaceForm(TDataGrid5& grid, QWidget* parent) : QDialog(parent), grid_(grid) {
  setWindowTitle("Замена");
  setObjectName("ReplaceForm");
  auto* layout = new QGridLayout(this);
  findEdit_ = new QLineEdit(Memory().replaceFind, this);
  findEdit_->setObjectName("FindEdit");
  replaceEdit_ = new QLineEdit(Memory().replaceWith, this);
  replaceEdit_->setObjectName("ReplaceEdit");
  layout->addWidget(new QLabel("Поиск текста", this), 0, 0);
  layout->addWidget(findEdit_, 0, 1);
  layout->addWidget(new QLabel("Заменить на", this), 1, 0);
  layout->addWidget(replaceEdit_, 1, 1);
  auto* buttons = new QHBoxLayout;
  QPushButton* replace = AddButton(buttons, "Заменить", "ReplaceBtn", this);
  QPushButton* exit = AddButton(buttons, "Выход", "ExitBtn", this);
  layout->addLayout(buttons, 2, 0, 1, 2);
  connect(replace, &QPushButton::clicked, this, &TReplaceForm::ReplaceClick);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

TReplaceForm::~TReplaceForm() {
  Memory().replaceFind = findEdit_->text();
  Memory().replaceWith = replaceEdit_->text();
}

void TReplaceForm::ReplaceClick() {
  grid_.Guarded([&] { grid_.ReplaceInColumn(findEdit_->text().toStdString(), replaceEdit_->text().toStdString()); });
}

void ExecuteFindDialog(TDataGrid5& grid) {
  TFindForm form(grid, &grid);
  ExecModal(form);
}

void ExecuteReplaceDialog(TDataGrid5& grid) {
  grid.LockNoModify();
  {
    TReplaceForm form(grid, &grid);
    ExecModal(form);
  }
  grid.ReleaseNoModify();
}

}  // namespace ld::gui
