#include "gui/app/user_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>
#include <vector>

#include "core/base/msgbox.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "gui/app/user_file.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/print_markup_table.h"
#include "gui/grid/report_print.h"

namespace ld::gui {

TUserForm::TUserForm(std::string fileName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint),
      fileName_(std::move(fileName)) {
  setObjectName("UserForm");
  setWindowTitle("Список пользователей");
  resize(638, 440);

  dTable_ = new TDataGrid5(this);
  dTable_->setObjectName("DTable");
  dTable_->SetNumerate(true);
  dTable_->EditColor = clAqua;
  dTable_->MarkColor = clBlue;
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  dTable_->SetScrollBar(scrollBar_);
  auto* gridRow = new QHBoxLayout;
  gridRow->setSpacing(0);
  gridRow->addWidget(dTable_, 1);
  gridRow->addWidget(scrollBar_);

  auto* button1 = new QPushButton("Применить", this);
  button1->setObjectName("Button1");
  button1->setDefault(true);
  auto* button2 = new QPushButton("Отменить", this);
  button2->setObjectName("Button2");
  auto* printBtn = new QPushButton("Печать", this);
  printBtn->setObjectName("PrintBtn");
  hLabel_ = new QLabel(this);
  hLabel_->setObjectName("HLabel");
  auto* panel = new QHBoxLayout;
  panel->addWidget(button1);
  panel->addWidget(button2);
  panel->addWidget(printBtn);
  panel->addWidget(hLabel_, 1);

  auto* root = new QVBoxLayout(this);
  root->addLayout(gridRow, 1);
  root->addLayout(panel);

  dTable_->OnMoveProc = [this](PDataFile df, int acol, int) {
    hLabel_->setText(acol >= 1 && acol <= df->NCols ? QString::fromStdString(df->Comment[acol]) : QString());
  };
  connect(button1, &QPushButton::clicked, this, &TUserForm::Button1Click);
  connect(button2, &QPushButton::clicked, this, &QDialog::reject);
  connect(printBtn, &QPushButton::clicked, this, &TUserForm::PrintBtnClick);
}

void TUserForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (opened_) return;
  opened_ = true;
  hLabel_->clear();
  dTable_->Guarded([this] { dTable_->OpenFile(fileName_, 1, 1, 1, true, false, true); });
}

std::string TUserForm::CheckRows() const {
  TUserCols users;
  FillUserCols(dTable_->table(), users);
  for (int row = 1; row <= users.RowCount; ++row)
    if (users.UserName->GetItem(row).empty()) return "Не задан пользователь в строке " + std::to_string(row);
  for (int row = 1; row <= users.RowCount; ++row)
    if (users.Password->GetItem(row).empty()) return "Не задан пароль в строке " + std::to_string(row);
  return {};
}

void TUserForm::Button1Click() {
  dTable_->TrimEmptyTailRows();
  std::string error;
  if (!dTable_->Guarded([&] { error = CheckRows(); })) return;
  if (!error.empty()) {
    ShowMsgForm(error, mkError, mbOk);
    return;
  }
  // Saved before the window closes, so a refused write leaves the edits on screen.
  dTable_->AskSave = false;
  bool saved = false;
  if (!dTable_->Guarded([&] { saved = dTable_->SaveFile(); }) || !saved) return;
  accept();
}

void TUserForm::PrintBtnClick() {
  dTable_->TrimEmptyTailRows();
  std::vector<std::string> lines;
  AppendTablePrintLines(dTable_->table(), lines);
  PrintTextDocument({windowTitle().toStdString()}, {}, lines, this);
}

void EditUserList() {
  std::string fileName;
  try {
    fileName = UserFileName();
    if (!std::filesystem::exists(fileName)) CreateEmptyTableFile(fileName, LayoutUsers, LayoutUsers);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  TUserForm form(fileName);
  ExecModal(form);
  // A lock left by "Отменить" is the editor's own; a lock that another workstation holds stays.
  if (form.Grid().LockedFiles()) {
    try {
      UnlockTableFiles(RemoveExtension(fileName), ExtractExtension(fileName));
    } catch (const std::exception& e) {
      ShowMsgForm(e.what(), mkError, mbOk);
    }
  }
}

}  // namespace ld::gui
