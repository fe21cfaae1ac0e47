#include "gui/optim/t2_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "gui/common/named_widget.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/report_print.h"
#include "gui/optim/optim_window.h"

namespace ld::gui {

TT2_Form::TT2_Form(const std::string& stem, QWidget* parent)
    : QDialog(parent), opt_(std::make_unique<TT2Optimiser>()) {
  setWindowTitle("Оптимизация включенных трансформаторов");
  setObjectName("T2_Form");
  opt_->Open(stem);

  t2Grid_ = Named<TDataGrid5>("T2Grid", this);
  optimBtn_ = Named<QPushButton>("OptimBtn", "Старт", this);
  resBtn_ = Named<QPushButton>("ResBtn", "Результаты", this);
  printBtn_ = Named<QPushButton>("PrintBtn", "Печать", this);
  writeBtn_ = Named<QPushButton>("WriteBtn", "Запись", this);
  quitBtn_ = Named<QPushButton>("QuitBtn", "Выход", this);
  dPmin_ = Named<QLineEdit>("dPmin", this);
  t1Btn_ = Named<QRadioButton>("T1Btn", "Т1 откл.", this);
  t2Btn_ = Named<QRadioButton>("T2Btn", "Т2 откл.", this);
  svBtn_ = Named<QRadioButton>("SVBtn", "СВ откл.", this);
  auto* group = new QButtonGroup(this);
  group->addButton(t1Btn_, 1);
  group->addButton(t2Btn_, 2);
  group->addButton(svBtn_, 3);
  t1Btn_->setProperty("Tag", 1);
  t2Btn_->setProperty("Tag", 2);
  svBtn_->setProperty("Tag", 3);
  lamp_ = Named<QLabel>("PLamp", this);
  lamp_->setFixedSize(14, 14);
  pLabel_ = Named<QLabel>("PLabel", this);
  t2Label_ = Named<QLabel>("T2Label", this);
  resMemo_ = Named<QPlainTextEdit>("ResMemo", this);
  resMemo_->setReadOnly(true);
  resMemo_->setContextMenuPolicy(Qt::CustomContextMenu);
  memoMenu_ = new QMenu(this);
  QAction* closeItem = memoMenu_->addAction("Закрыть");
  closeItem->setObjectName("CloseItem");
  progress_ = Named<QProgressBar>("ProgressBar", this);

  auto* top = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{optimBtn_, resBtn_, printBtn_, writeBtn_}) top->addWidget(w);
  top->addWidget(new QLabel("dPmin, кВт", this));
  top->addWidget(dPmin_);
  top->addStretch();
  top->addWidget(quitBtn_);
  auto* state = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{t1Btn_, t2Btn_, svBtn_, t2Label_}) state->addWidget(w);
  state->addStretch();
  state->addWidget(lamp_);
  state->addWidget(pLabel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(state);
  layout->addWidget(t2Grid_, 2);
  layout->addWidget(resMemo_, 1);
  layout->addWidget(progress_);
  resize(900, 520);

  connect(optimBtn_, &QPushButton::clicked, this, [this] { OptimBtnClick(); });
  connect(resBtn_, &QPushButton::clicked, this, [this] { ResBtnClick(); });
  connect(printBtn_, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
  connect(writeBtn_, &QPushButton::clicked, this, [this] { WriteBtnClick(); });
  connect(quitBtn_, &QPushButton::clicked, this, [this] { reject(); });
  connect(group, &QButtonGroup::idClicked, this, [this](int id) { T1BtnClick(id); });
  connect(closeItem, &QAction::triggered, resMemo_, &QWidget::hide);
  connect(resMemo_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { memoMenu_->popup(resMemo_->mapToGlobal(p)); });
  t2Grid_->OnMoveProc = [this](PDataFile, int, int row) { T2GridMoveProc(row); };

  SetLamp(lamp_, "gray");
  resMemo_->hide();
  progress_->hide();

  // Opening: the threshold, the first row, the losses of the present states and every row's mark.
  dPmin_->setText("0.1");
  ShowTable();
  ShowLossDisplay(opt_->ShowLosses(opt_->RowCount() >= 1 ? 1 : 0), opt_->RowCount() >= 1 ? 1 : 0);
  MarkEveryRow();
  ShowTable();
  T2GridMoveProc(CurrentRow());
}

TT2_Form::~TT2_Form() = default;

int TT2_Form::CurrentRow() const {
  const int row = t2Grid_->CurrentTableRow();
  return row >= 1 && row <= opt_->RowCount() ? row : 0;
}

void TT2_Form::ShowTable() {
  const int first = t2Grid_->FirstRow(), col = t2Grid_->Col(), row = t2Grid_->Row();
  auto handler = std::move(t2Grid_->OnMoveProc);
  t2Grid_->AssignTable(opt_->Stations, std::max(first, 1), std::max(col, 1), std::max(row, 1));
  t2Grid_->SetEditTable(false);
  t2Grid_->OnMoveProc = std::move(handler);
}

void TT2_Form::MarkEveryRow() {
  // Each row's mark needs the currents of the present states.
  opt_->Evaluate(0);
  for (int r = 1; r <= opt_->RowCount(); ++r) opt_->MarkRow(r);
}

void TT2_Form::ShowLossDisplay(const TT2LossDisplay& d, int row) {
  SetLamp(lamp_, d.Green ? "lime" : "red");
  pLabel_->setText(QString::fromStdString(d.Label));
  if (row > 0) {
    TT2Cols c;
    FillT2Cols(opt_->Stations, c);
    t2Label_->setText(QString::fromStdString(FloatToStrFixed(c.dPr->Get(row), 3) + " кВт"));
  }
}

void TT2_Form::T2GridMoveProc(int row) {
  const bool valid = row >= 1 && row <= opt_->RowCount();
  for (QWidget* w : std::initializer_list<QWidget*>{t1Btn_, t2Btn_, svBtn_, lamp_, t2Label_}) w->setVisible(valid);
  if (!valid) return;
  SetLamp(lamp_, "gray");
  TT2Cols c;
  FillT2Cols(opt_->Stations, c);
  const int state = c.STo->Get(row) != 0 ? c.STo->Get(row) : c.ST->Get(row);
  QRadioButton* b = state == 1 ? t1Btn_ : state == 2 ? t2Btn_ : state == 3 ? svBtn_ : nullptr;
  if (b != nullptr) b->setChecked(true);
  t2Label_->setText(QString::fromStdString(FloatToStrFixed(c.dPr->Get(row), 3) + " кВт"));
}

void TT2_Form::T1BtnClick(int tag) {
  const int row = CurrentRow();
  if (row == 0 || running_) return;
  ShowLossDisplay(opt_->Propose(row, tag), row);
  ShowTable();
}

void TT2_Form::EnableControls(bool on) {
  for (QWidget* w :
       std::initializer_list<QWidget*>{dPmin_, resBtn_, writeBtn_, printBtn_, quitBtn_, t2Grid_, resMemo_}) {
    w->setEnabled(on);
  }
}

void TT2_Form::OptimBtnClick() {
  if (running_) {
    opt_->StopRequested = true;
    return;
  }
  running_ = true;
  optimBtn_->setText("Стоп");
  EnableControls(false);
  for (QWidget* w : std::initializer_list<QWidget*>{t1Btn_, t2Btn_, svBtn_}) w->hide();
  progress_->setRange(0, opt_->RowCount());
  progress_->setValue(0);
  progress_->show();
  resMemo_->clear();
  resMemo_->show();
  double dPmin = 0;
  try {
    dPmin = StrToFloatZ(dPmin_->text().toStdString());
  } catch (const std::exception&) {
  }
  opt_->Run(
      dPmin,
      [this](const std::string& line) {
        resMemo_->appendPlainText(QString::fromStdString(line));
        QApplication::processEvents();
      },
      [this](int row) {
        progress_->setValue(row);
        QApplication::processEvents();
      },
      [this] { return opt_->StopRequested || closed_; });
  progress_->hide();
  EnableControls(true);
  const int row = CurrentRow();
  ShowLossDisplay(opt_->ShowLosses(row), row);
  MarkEveryRow();
  ShowTable();
  T2GridMoveProc(CurrentRow());
  optimBtn_->setText("Старт");
  running_ = false;
}

void TT2_Form::ResBtnClick() {
  resMemo_->clear();
  for (const std::string& line : opt_->SwitchingList()) resMemo_->appendPlainText(QString::fromStdString(line));
  resMemo_->show();
}

void TT2_Form::PrintBtnClick() {
  std::vector<std::string> lines = MemoOrGridLines(*resMemo_, *t2Grid_);
  PrintTextDocument({}, {}, lines, this);
}

void TT2_Form::WriteBtnClick() {
  written_ = true;
  try {
    opt_->Write();
  } catch (const std::exception& ex) {
    ShowMsgForm(ex.what(), mkError, mbOk);
  }
  ShowTable();
  T2GridMoveProc(CurrentRow());
}

void TT2_Form::done(int result) {
  closed_ = true;
  opt_->StopRequested = true;
  QDialog::done(result);
}

bool RunT2Optimisation(const std::string& stem) { return RunOptimWindow<TT2_Form>(stem); }

}  // namespace ld::gui
