#include "gui/regime/ekv_nod_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/strings.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "gui/common/report_font.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/report_print.h"
#include "gui/regime/set_eerm_form.h"

namespace ld::gui {

namespace {

constexpr const char* kVariantsLayout = LayoutLoadVariants;

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

TEkvNodForm::TEkvNodForm(std::string schemePath, QWidget* parent)
    : QDialog(parent), schemePath_(std::move(schemePath)), calc_(engine_) {
  setObjectName("EkvNodForm");
  setWindowTitle("Расчет эквивалентных схем узлов по напряжению и потерям мощности");
  resize(900, 600);
  CopyRegimeSettings(engine_);
  calc_.StopQuery = [this] {
    QApplication::processEvents();
    return stop_;
  };

  nodBox_ = new QComboBox(this);
  nodBox_->setObjectName("NodBox");
  nodBox_->setMinimumWidth(100);
  ekvBtn_ = Button("EkvBtn", "Расчет параметров эквивалента", this);
  pqBtn_ = Button("PQBtn", "Расчеты по выборке Pнаг, Qнаг", this);
  printBtn_ = Button("PrintBtn", "Печать", this);
  cancelBtn_ = Button("CancelBtn", "Выход", this);
  dQ_ = new QLineEdit("0.1", this);
  dQ_->setObjectName("dQ");
  dQ_->setMaximumWidth(80);
  expBox_ = new QCheckBox("Q варианты:", this);
  expBox_->setObjectName("ExpBox");

  pqGrid_ = new TDataGrid5(this);
  pqGrid_->setObjectName("PQGrid");
  pqGrid_->SetNumerate(true);
  auto* scroll = new QScrollBar(Qt::Vertical, this);
  pqGrid_->SetScrollBar(scroll);
  pqGrid_->setMinimumWidth(230);

  resMemo_ = new QPlainTextEdit(this);
  resMemo_->setObjectName("ResMemo");
  resMemo_->setReadOnly(true);
  resMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  resMemo_->setFont(ReportFont());

  auto* top = new QHBoxLayout;
  auto* nodLabel = new QLabel("Узел:", this);
  nodLabel->setBuddy(nodBox_);
  top->addWidget(nodLabel);
  top->addWidget(nodBox_);
  top->addWidget(ekvBtn_);
  auto* dQLabel = new QLabel("dQ (МВАр):", this);
  dQLabel->setBuddy(dQ_);
  top->addWidget(dQLabel);
  top->addWidget(dQ_);
  top->addWidget(expBox_);
  top->addStretch(1);
  top->addWidget(pqBtn_);
  top->addWidget(printBtn_);
  top->addWidget(cancelBtn_);

  auto* gridBox = new QHBoxLayout;
  gridBox->setSpacing(0);
  gridBox->addWidget(pqGrid_, 1);
  gridBox->addWidget(scroll);
  auto* middle = new QHBoxLayout;
  middle->addLayout(gridBox);
  middle->addWidget(resMemo_, 1);

  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addLayout(middle, 1);

  connect(ekvBtn_, &QPushButton::clicked, this, &TEkvNodForm::EkvBtnClick);
  connect(pqBtn_, &QPushButton::clicked, this, &TEkvNodForm::PQBtnClick);
  connect(printBtn_, &QPushButton::clicked, this, &TEkvNodForm::PrintBtnClick);
  connect(cancelBtn_, &QPushButton::clicked, this, &TEkvNodForm::reject);
  connect(dQ_, &QLineEdit::textChanged, this, [this] { FloatChange(dQ_); });

  // The variants are edited in the grid, which locks and writes its file: a work file of the window.
  pqFile_ = workDir_.filePath("variants").toStdString() + GetMaketExtention(kVariantsLayout);
  SetVariants({});
}

TEkvNodForm::~TEkvNodForm() {
  pqGrid_->SetModified(false);
  try {
    UnlockTableFiles(RemoveExtension(pqFile_), ExtractExtension(pqFile_));
  } catch (...) {
    // The work folder goes with the window, its lock file with it.
  }
}

void TEkvNodForm::reject() {
  // "Выход" during a calculation asks it to stop; the window closes once it has.
  if (busy_) {
    stop_ = true;
    return;
  }
  QDialog::reject();
}

void TEkvNodForm::LoadNodes() {
  TDataFile nodes;
  ReadTableFile(schemePath_ + GetMaketExtention(LayoutNodes), nodes);
  TNodeCols n;
  FillNodeCols(nodes, n);
  std::vector<std::int32_t> numbers;
  for (int row = 1; row <= nodes.RowCount; ++row) numbers.push_back(n.NS->Get(row));
  std::stable_sort(numbers.begin(), numbers.end());
  nodBox_->clear();
  for (const std::int32_t ns : numbers) nodBox_->addItem(QString::number(ns));
  nodBox_->setCurrentIndex(-1);
}

bool TEkvNodForm::ChosenNode(std::int32_t& node) const {
  if (nodBox_->currentIndex() < 0) return false;
  bool ok = false;
  node = nodBox_->currentText().toInt(&ok);
  return ok;
}

double TEkvNodForm::Increment() const {
  try {
    return StrToFloatZ(dQ_->text().toStdString());
  } catch (const Error&) {
    return 0;
  }
}

void TEkvNodForm::ShowLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) resMemo_->appendPlainText(QString::fromStdString(line));
}

void TEkvNodForm::SetVariants(const std::vector<TLoadVariant>& rows) {
  pqGrid_->SetModified(false);
  UnlockTableFiles(RemoveExtension(pqFile_), ExtractExtension(pqFile_));
  TDataFile table;
  ReadMaket(kVariantsLayout, table);
  CreateColumns(table, static_cast<int>(rows.size()));
  table.Title = kVariantsLayout;
  auto* pn = GetColumnAs<DAdouble>("Pn", table);
  auto* qn = GetColumnAs<DAdouble>("Qn", table);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    (*pn)[static_cast<int>(i) + 1] = rows[i].Pn;
    (*qn)[static_cast<int>(i) + 1] = rows[i].Qn;
  }
  WriteTableFile(pqFile_, table);
  pqGrid_->OpenFile(pqFile_, 1, 1, 1, true, false, false);
  if (pqGrid_->EditTable()) pqGrid_->SetMode(gmEdit);  // the variants are typed in at once
}

void TEkvNodForm::Busy(bool on) {
  busy_ = on;
  stop_ = false;
  for (QWidget* w : std::initializer_list<QWidget*>{ekvBtn_, pqBtn_, printBtn_, nodBox_}) w->setEnabled(!on);
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TEkvNodForm::EkvBtnClick() {
  std::int32_t node = 0;
  if (busy_ || !ChosenNode(node)) return;
  Busy(true);
  try {
    ShowLines(calc_.Calculate(schemePath_, node, Increment(), expBox_->isChecked()));
    SetVariants({{calc_.NodeLoad().real(), calc_.NodeLoad().imag()}});
  } catch (const std::exception& e) {
    Busy(false);
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  Busy(false);
}

void TEkvNodForm::PQBtnClick() {
  std::int32_t node = 0;
  if (busy_ || !ChosenNode(node)) return;
  Busy(true);
  try {
    pqGrid_->SetMode(gmView);
    pqGrid_->TrimEmptyTailRows();
    pqGrid_->Refresh();
    const TDataFile& table = pqGrid_->table();
    std::vector<TLoadVariant> rows;
    const auto* pn = GetColumnAs<DAdouble>("Pn", table);
    const auto* qn = GetColumnAs<DAdouble>("Qn", table);
    for (int row = 1; row <= table.RowCount; ++row) rows.push_back({pn->Get(row), qn->Get(row)});
    ShowLines(calc_.CalculateVariants(schemePath_, node, Increment(), rows));
  } catch (const std::exception& e) {
    Busy(false);
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  Busy(false);
}

void TEkvNodForm::PrintBtnClick() {
  std::vector<std::string> lines;
  const QStringList text = resMemo_->toPlainText().split('\n');
  for (const QString& line : text) lines.push_back(line.toStdString());
  PrintTextDocument({}, {}, lines, this);
}

void ShowNodeEquivalentForm(const std::string& SchemePath) {
  try {
    TEkvNodForm form(SchemePath);
    form.LoadNodes();
    ExecModal(form);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

}  // namespace ld::gui
