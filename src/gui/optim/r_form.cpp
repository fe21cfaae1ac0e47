#include "gui/optim/r_form.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "gui/common/named_widget.h"
#include "gui/common/report_font.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/report_print.h"
#include "gui/optim/optim_cut_form.h"
#include "gui/optim/optim_window.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TR_Form::TR_Form(const std::string& stem, QWidget* parent)
    : QDialog(parent), opt_(std::make_unique<TCutOptimiser>()) {
  setWindowTitle("Оптимизация разрывов");
  setObjectName("R_Form");
  opt_->Open(stem);

  rGrid_ = Named<TDataGrid5>("RGrid", this);
  optimBtn_ = Named<QPushButton>("OptimBtn", "Старт", this);
  optimBtn_->setToolTip("Запуск оптимизации разрывов");
  setupBtn_ = Named<QPushButton>("SetupBtn", "Настройки", this);
  setupBtn_->setToolTip("Настройка параметров оптимизации");
  resBtn_ = Named<QPushButton>("ResBtn", "Результаты", this);
  resBtn_->setToolTip("Просмотр результатов оптимизации");
  printBtn_ = Named<QPushButton>("PrintBtn", "Печать", this);
  printBtn_->setToolTip("Печать списка разрывов или результатов оптимизации");
  writeBtn_ = Named<QPushButton>("WriteBtn", "Запись", this);
  writeBtn_->setToolTip("Запись оптимизированных разрывов в файл ветвей");
  quitBtn_ = Named<QPushButton>("QuitBtn", "Выход", this);

  leftList_ = Named<QListWidget>("LeftList", this);
  rightList_ = Named<QListWidget>("RightList", this);
  lLabel_ = Named<QLabel>("LLabel", this);
  rLabel_ = Named<QLabel>("RLabel", this);
  lPanel_ = Named<QLabel>("LPanel", this);
  rPanel_ = Named<QLabel>("RPanel", this);
  for (QLabel* p : {lPanel_, rPanel_}) {
    p->setFixedSize(18, 18);
    p->setAlignment(Qt::AlignCenter);
    p->setStyleSheet("border: 1px solid gray; color: red; font-weight: bold;");
  }
  lBtn_ = Named<QPushButton>("LBtn", "<", this);
  lBtn_->setToolTip("Сдвиг разрыва на одну ветвь влево");
  rBtn_ = Named<QPushButton>("RBtn", ">", this);
  rBtn_->setToolTip("Сдвиг разрыва на одну ветвь вправо");
  chgBtn_ = Named<QPushButton>("ChgBtn", "<>", this);
  chgBtn_->setToolTip("Перенос разрыва на другой конец ветви");
  for (QPushButton* b : {lBtn_, rBtn_, chgBtn_}) b->setMaximumWidth(40);
  pIndicator_ = Named<QLabel>("PIndicator", this);
  tIndicator_ = Named<QLabel>("TIndicator", this);
  for (QLabel* l : {pIndicator_, tIndicator_}) l->setFixedSize(14, 14);
  pLabel_ = Named<QLabel>("PLabel", this);
  optLabel_ = Named<QLabel>("OptLabel", this);
  iLabel_ = Named<QLabel>("ILabel", this);
  lineLabel_ = Named<QLabel>("LineLabel", this);
  hLabel_ = Named<QLabel>("HLabel", this);
  resMemo_ = Named<QPlainTextEdit>("ResMemo", this);
  resMemo_->setReadOnly(true);
  resMemo_->setFont(ReportFont());
  resMemo_->setContextMenuPolicy(Qt::CustomContextMenu);
  memoMenu_ = new QMenu(this);
  QAction* closeItem = memoMenu_->addAction("Закрыть");
  closeItem->setObjectName("CloseItem");
  procBar_ = Named<QProgressBar>("ProcBar", this);

  auto* top = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{optimBtn_, setupBtn_, resBtn_, printBtn_, writeBtn_}) {
    top->addWidget(w);
  }
  top->addStretch();
  top->addWidget(quitBtn_);

  auto* center = new QGridLayout;
  center->addWidget(rGrid_, 0, 0);
  center->addWidget(resMemo_, 0, 0);

  const auto end = [this](QLabel* panel, QLabel* label, QListWidget* list, bool left) {
    auto* box = new QVBoxLayout;
    auto* head = new QHBoxLayout;
    if (left) {
      head->addWidget(label, 1);
      head->addWidget(panel);
    } else {
      head->addWidget(panel);
      head->addWidget(label, 1);
    }
    box->addLayout(head);
    box->addWidget(list);
    return box;
  };
  auto* moves = new QVBoxLayout;
  moves->addStretch();
  auto* arrows = new QHBoxLayout;
  arrows->addWidget(lBtn_);
  arrows->addWidget(chgBtn_);
  arrows->addWidget(rBtn_);
  moves->addLayout(arrows);
  moves->addStretch();
  auto* indicators = new QGridLayout;
  indicators->addWidget(pIndicator_, 0, 0);
  indicators->addWidget(pLabel_, 0, 1);
  indicators->addWidget(optLabel_, 1, 1);
  indicators->addWidget(tIndicator_, 2, 0);
  indicators->addWidget(iLabel_, 2, 1);
  indicators->addWidget(lineLabel_, 3, 1);
  indicators->setRowStretch(4, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(end(lPanel_, lLabel_, leftList_, true), 2);
  bottom->addLayout(moves);
  bottom->addLayout(end(rPanel_, rLabel_, rightList_, false), 2);
  bottom->addSpacing(12);
  bottom->addLayout(indicators, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(center, 3);
  layout->addLayout(bottom, 2);
  layout->addWidget(hLabel_);
  layout->addWidget(procBar_);
  resize(1000, 640);

  connect(optimBtn_, &QPushButton::clicked, this, [this] { OptimBtnClick(); });
  connect(setupBtn_, &QPushButton::clicked, this, [this] { SetupBtnClick(); });
  connect(resBtn_, &QPushButton::clicked, this, [this] { ResBtnClick(); });
  connect(printBtn_, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
  connect(writeBtn_, &QPushButton::clicked, this, [this] { WriteBtnClick(); });
  connect(quitBtn_, &QPushButton::clicked, this, [this] { reject(); });
  connect(lBtn_, &QPushButton::clicked, this, [this] { SdvigRazrez(0); });
  connect(rBtn_, &QPushButton::clicked, this, [this] { SdvigRazrez(1); });
  connect(chgBtn_, &QPushButton::clicked, this, [this] { ReplaceRazrez(); });
  connect(closeItem, &QAction::triggered, resMemo_, &QWidget::hide);
  rGrid_->OnMoveProc = [this](PDataFile, int, int row) { RGridMoveProc(row); };
  connect(resMemo_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { memoMenu_->popup(resMemo_->mapToGlobal(p)); });

  hLabel_->clear();
  iLabel_->setText("Перегрузка линии:");
  SetLamp(pIndicator_, nullptr);
  SetLamp(tIndicator_, nullptr);
  resMemo_->hide();
  procBar_->hide();

  ShowTable(1);
  const TCutDisplay d = opt_->ShowCurrentRegime(opt_->TieOfRow(1));
  ShowDisplay(d);
  ShowTable(1);
  RGridMoveProc(CurrentRow());
}

TR_Form::~TR_Form() = default;

int TR_Form::CurrentRow() const {
  const int row = rGrid_->CurrentTableRow();
  return row >= 1 && row <= opt_->RowCount() ? row : 0;
}

void TR_Form::TakeMarks() {
  const TDataFile& shown = rGrid_->table();
  if (shown.Name != LayoutCutOptimisation || shown.RowCount != opt_->RowCount()) return;
  TCutCols g, c;
  FillCutCols(shown, g);
  FillCutCols(opt_->Cuts, c);
  for (int row = 1; row <= c.RowCount; ++row) {
    if (g.Ref->Get(row) != c.Ref->Get(row)) continue;
    const char own = c.Sign->Get(row);
    if (own == 0 || own == '1') (*c.Sign)[row] = g.Sign->Get(row) == '1' ? '1' : 0;
  }
}

void TR_Form::ShowTable(int row) {
  const int first = rGrid_->FirstRow(), col = rGrid_->Col();
  const int gridRow = row > 0 ? 1 : rGrid_->Row();
  auto handler = std::move(rGrid_->OnMoveProc);
  rGrid_->AssignTable(opt_->Cuts, row > 0 ? row : std::max(first, 1), std::max(col, 1), std::max(gridRow, 1));
  rGrid_->SetEditTable(true);
  rGrid_->OnMoveProc = std::move(handler);
}

void TR_Form::ShowDisplay(const TCutDisplay& d) {
  SetLamp(pIndicator_, d.LossGreen ? "lime" : "red");
  pLabel_->setText(Q(d.PLabel));
  optLabel_->setText(Q(d.OptLabel));
  ShowOverload(d);
}

void TR_Form::ShowOverload(const TCutDisplay& d) {
  SetLamp(tIndicator_, d.Overload ? "red" : nullptr);
  lineLabel_->setText(Q(d.LineLabel));
}

void TR_Form::ClearCutDisplay() {
  leftList_->clear();
  rightList_->clear();
  for (QLabel* l : {lLabel_, rLabel_, lPanel_, rPanel_, lineLabel_}) l->clear();
  lPanel_->hide();
  rPanel_->hide();
  for (QPushButton* b : {lBtn_, rBtn_, chgBtn_}) b->setEnabled(false);
}

void TR_Form::ShowCutChains(int tie, int side) {
  const TCutChains ch = opt_->Chains(tie, side);
  lLabel_->setText(Q(ch.LLabel));
  rLabel_->setText(Q(ch.RLabel));
  lPanel_->setText(ch.LOpen ? "X" : "");
  rPanel_->setText(ch.ROpen ? "X" : "");
  lPanel_->setVisible(ch.LShown);
  rPanel_->setVisible(ch.RShown);
  leftList_->clear();
  rightList_->clear();
  for (const std::string& s : ch.Left) leftList_->addItem(Q(s));
  for (const std::string& s : ch.Right) rightList_->addItem(Q(s));
}

void TR_Form::RGridMoveProc(int row) {
  const int col = rGrid_->CurrentTableCol();
  const TDataFile& t = rGrid_->table();
  const QString help = col >= 1 && col <= t.NCols ? Q(t.Comment[static_cast<std::size_t>(col)]) : QString();
  hLabel_->setText(help);
  hLabel_->setToolTip(help);
  const int tie = row >= 1 && row <= opt_->RowCount() ? opt_->TieOfRow(row) : 0;
  if (tie == 0 || running_) {
    if (tie == 0) ClearCutDisplay();
    return;
  }
  TCutCols c;
  FillCutCols(opt_->Cuts, c);
  ShowCutChains(tie, c.LRCut->Get(row));
  opt_->Engine.MoveContourCut(tie);
  for (QPushButton* b : {lBtn_, rBtn_, chgBtn_}) b->setEnabled(true);
  TCutDisplay d;
  opt_->OverloadOf(tie, d);
  ShowOverload(d);
}

void TR_Form::SdvigRazrez(int dir) {
  const int row = CurrentRow();
  if (row == 0 || running_) return;
  TakeMarks();
  TCutDisplay d;
  if (!opt_->ShiftRow(row, dir, d)) return;
  ShowDisplay(d);
  ShowTable();
  RGridMoveProc(row);
}

void TR_Form::ReplaceRazrez() {
  const int row = CurrentRow();
  if (row == 0 || running_) return;
  TakeMarks();
  TCutDisplay d;
  if (!opt_->ReplaceRow(row, d)) return;
  ShowDisplay(d);
  ShowTable();
  RGridMoveProc(row);
}

void TR_Form::EnableControls(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{setupBtn_, resBtn_, printBtn_, writeBtn_, quitBtn_, rGrid_,
                                                    resMemo_}) {
    w->setEnabled(on);
  }
}

void TR_Form::OptimBtnClick() {
  if (running_) {
    opt_->StopRequested = true;
    return;
  }
  running_ = true;
  TakeMarks();
  optimBtn_->setText("Стоп");
  EnableControls(false);
  ClearCutDisplay();
  hLabel_->hide();
  procBar_->setRange(0, std::max(opt_->RowCount(), 1));
  procBar_->setValue(0);
  procBar_->show();
  resMemo_->clear();
  resMemo_->show();
  resMemo_->raise();
  opt_->Run(
      [this](const std::string& line) {
        resMemo_->appendPlainText(Q(line));
        QApplication::processEvents();
      },
      [this](int row) {
        procBar_->setValue(row);
        QApplication::processEvents();
      },
      [this] { return opt_->StopRequested || closed_; });
  procBar_->hide();
  hLabel_->show();
  EnableControls(true);
  running_ = false;
  if (!closed_) {
    const int row = CurrentRow() != 0 ? CurrentRow() : (opt_->RowCount() >= 1 ? 1 : 0);
    ShowDisplay(opt_->ShowCurrentRegime(opt_->TieOfRow(row)));
    ShowTable();
    RGridMoveProc(CurrentRow());
  }
  optimBtn_->setText("Старт");
}

void TR_Form::SetupBtnClick() {
  TakeMarks();
  bool regimeChanged = false, selectionChanged = false;
  if (ExecuteCutOptimSettings(opt_->Voltages, regimeChanged, selectionChanged)) {
    if (selectionChanged) {
      opt_->FillCutTable();
      ShowTable(1);
    }
    if (regimeChanged) opt_->ApplyRegimeSettings();
  }
  const int row = CurrentRow();
  ShowDisplay(opt_->ShowCurrentRegime(opt_->TieOfRow(row)));
  ShowTable();
  RGridMoveProc(row);
}

void TR_Form::ResBtnClick() {
  resMemo_->clear();
  for (const std::string& line : opt_->ResultList()) resMemo_->appendPlainText(Q(line));
  resMemo_->show();
  resMemo_->raise();
}

void TR_Form::PrintBtnClick() {
  std::vector<std::string> lines = MemoOrGridLines(*resMemo_, *rGrid_);
  PrintTextDocument({}, {}, lines, this);
}

void TR_Form::WriteBtnClick() {
  written_ = true;
  TakeMarks();
  try {
    opt_->Write();
  } catch (const std::exception& ex) {
    ShowMsgForm(ex.what(), mkError, mbOk);
  }
  ShowTable();
  RGridMoveProc(CurrentRow());
}

void TR_Form::done(int result) {
  closed_ = true;
  opt_->StopRequested = true;
  QDialog::done(result);
}

bool RunCutOptimisation(const std::string& stem) { return RunOptimWindow<TR_Form>(stem); }

}  // namespace ld::gui
