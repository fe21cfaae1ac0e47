#include "gui/optim/tt_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "core/engine/iteration_settings.h"
#include "core/optim/ktr_model.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "gui/common/modal.h"
#include "gui/common/report_font.h"
#include "gui/grid/report_print.h"
#include "gui/optim/sel_nod_tr_form.h"
#include "gui/optim/sel_tr_form.h"

namespace ld::gui {

namespace {

const QColor kSilver(192, 192, 192), kLime(0, 255, 0), kRed(255, 0, 0);

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint = nullptr) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  if (hint) b->setToolTip(hint);
  return b;
}

QLineEdit* Edit(QWidget* parent, QHBoxLayout* row, const char* name, const char* label, const char* hint) {
  row->addWidget(new QLabel(label, parent));
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setToolTip(hint);
  e->setMaximumWidth(55);
  row->addWidget(e);
  return e;
}

std::string Kw(double mw) { return FloatToStrFixed(mw * 1000, 0) + " кВт"; }

std::string Tap(float ntek) { return PadLeft(FloatToStrGeneral(ntek, 4), 4); }

void ShowError(const std::string& text) { ShowMsgForm(text, 0, 3); }

}  // namespace

TT_Form::TT_Form(const std::string& schemeStem, const std::string& schemeDir, QWidget* parent)
    : QDialog(parent), stem_(schemeStem), dir_(schemeDir) {
  setObjectName("TT_Form");
  setWindowTitle("Оптимизация коэффициентов трансформации");
  resize(900, 560);
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  AddTrBtn = Button(this, "AddTrBtn", "Добавить", "Добавить трансформатор в таблицу");
  CalcBtn = Button(this, "CalcBtn", "Режим", "Начальный расчет режима (Nотв = Nтек)");
  AutoBtn = Button(this, "AutoBtn", "Автомат", "Оптимизация методом покоординатного спуска");
  GradientBtn = Button(this, "GradientBtn", "Градиент", "Оптимизация методом спуска по вектору градиента");
  for (QPushButton* b : {AddTrBtn, CalcBtn, AutoBtn, GradientBtn}) top->addWidget(b);
  top->addSpacing(12);
  KiterEdit = Edit(this, top, "KiterEdit", "Итераций", "Количество итераций оптимизации");
  KpEdit = Edit(this, top, "KpEdit", "Кш (dP)", "Коэффициент штрафа по напряжению");
  KuEdit = Edit(this, top, "KuEdit", "Кш (U)", "Коэффициент штрафа по напряжению");
  DuEdit = Edit(this, top, "DuEdit", "dU,%", "Величина приращения от Uном для расчета вектора градиента");
  DnEdit = Edit(this, top, "DnEdit", "dN", "Максимальное приращение номеров ответвлений тр-ров");
  top->addStretch();
  layout->addLayout(top);

  // The memo lies over the grid while a search's results are shown.
  auto* middle = new QGridLayout;
  TGrid = new TDataGrid5(this);
  TGrid->setObjectName("TGrid");
  auto* scroll = new QScrollBar(Qt::Vertical, this);
  TGrid->SetScrollBar(scroll);
  TGrid->SetNumerate(true);
  ResMemo = new QPlainTextEdit(this);
  ResMemo->setObjectName("ResMemo");
  ResMemo->setReadOnly(true);
  ResMemo->setFont(ReportFont());
  ResMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  ResMemo->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* memoMenu = new QMenu(ResMemo);
  QAction* closeItem = memoMenu->addAction("Закрыть");
  closeItem->setObjectName("CloseItem");
  connect(closeItem, &QAction::triggered, ResMemo, &QWidget::hide);
  connect(ResMemo, &QWidget::customContextMenuRequested, this,
          [this, memoMenu](const QPoint& p) { memoMenu->popup(ResMemo->mapToGlobal(p)); });
  middle->addWidget(TGrid, 0, 0);
  middle->addWidget(ResMemo, 0, 0);
  middle->addWidget(scroll, 0, 1);
  layout->addLayout(middle, 1);

  auto* bottom = new QHBoxLayout;
  HLabel = new QLabel(this);
  HLabel->setObjectName("HLabel");
  HLabel->setMinimumWidth(160);
  NLabel = new QLabel(this);
  NLabel->setObjectName("NLabel");
  NLabel->setMinimumWidth(24);
  RegLine = new QSlider(Qt::Horizontal, this);
  RegLine->setObjectName("RegLine");
  RegLine->setMinimumWidth(140);
  ProgBar = new QProgressBar(this);
  ProgBar->setObjectName("ProgBar");
  Shape1 = new QLabel(this);
  Shape1->setObjectName("Shape1");
  Shape1->setFixedSize(14, 14);
  PLabel = new QLabel(this);
  PLabel->setObjectName("PLabel");
  OptLabel = new QLabel(this);
  OptLabel->setObjectName("OptLabel");
  Shape2 = new QLabel(this);
  Shape2->setObjectName("Shape2");
  Shape2->setFixedSize(14, 14);
  U1Label = new QLabel(this);
  U1Label->setObjectName("U1Label");
  U2Label = new QLabel(this);
  U2Label->setObjectName("U2Label");
  UmBox = new QCheckBox("Umin = Umax = Uм", this);
  UmBox->setObjectName("UmBox");
  for (QWidget* w : std::initializer_list<QWidget*>{HLabel, NLabel, RegLine, ProgBar, Shape1, PLabel, OptLabel, Shape2,
                                                    U1Label, U2Label})
    bottom->addWidget(w);
  bottom->addStretch();
  bottom->addWidget(UmBox);
  layout->addLayout(bottom);

  auto* buttons = new QHBoxLayout;
  OkBtn = Button(this, "OkBtn", "Сохранить", "Сохранение таблицы в файл");
  CancelBtn = Button(this, "CancelBtn", "Отменить");
  LoadBtn = Button(this, "LoadBtn", "Загрузка Ктр", "Загрузка коэффициентов трансформации из файла ветвей");
  WriteBtn = Button(this, "WriteBtn", "Запись Ктр", "Запись коэффициентов трансформации в файл ветвей");
  PrintBtn = Button(this, "PrintBtn", "Печать");
  for (QPushButton* b : {OkBtn, CancelBtn, LoadBtn, WriteBtn, PrintBtn}) buttons->addWidget(b);
  buttons->addStretch();
  layout->addLayout(buttons);

  connect(AddTrBtn, &QPushButton::clicked, this, [this] { AddTrBtnClick(); });
  connect(CalcBtn, &QPushButton::clicked, this, [this] { CalcBtnClick(); });
  connect(AutoBtn, &QPushButton::clicked, this, [this] { AutoBtnClick(); });
  connect(GradientBtn, &QPushButton::clicked, this, [this] { GradientBtnClick(); });
  connect(OkBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(true); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(false); });
  connect(LoadBtn, &QPushButton::clicked, this, [this] { LoadBtnClick(); });
  connect(WriteBtn, &QPushButton::clicked, this, [this] { WriteBtnClick(); });
  connect(PrintBtn, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
  FormShow();
}

TT_Form::~TT_Form() = default;

std::string TT_Form::TableFile() const { return KtrTableFileName(stem_); }

void TT_Form::SetShape(QLabel* shape, const QColor& color) {
  shape->setAutoFillBackground(true);
  QPalette p = shape->palette();
  p.setColor(QPalette::Window, color);
  shape->setPalette(p);
  shape->setProperty("color", color);
}

void TT_Form::FormShow() {
  regime_ = std::make_unique<TRegime>();
  TakeIterationSettings(*regime_, IniRec);
  ResetResults();
  CalcBtn->setEnabled(true);
  ResMemo->hide();
  ProgBar->hide();

  const std::string file = TableFile();
  if (std::filesystem::exists(file)) {
    TGrid->OpenFile(file, 1, 1, 1, UserAccess != 0, false, false);
  } else {
    // a table begun where none was is no licence to write over one that another makes meanwhile
    TGrid->OpenMissingFile(file, LayoutKtrTable, dir_, 1, 1, 1, UserAccess != 0);
    TGrid->AskSave = TGrid->AskDelete = false;
  }
  TGrid->SetEditTable(UserAccess != 0);
  HLabel->clear();
  TGrid->OnChangeMode = [this](TGridMode mode) { TGridChangeMode(mode); };
  TGrid->OnMoveProc = [this](PDataFile, int, int row) { TGridMoveProc(row); };
  TGrid->OnPasteProc = [this](TGridState&) { TableChanged(); };
  TGrid->OnExtKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers mods) {
    if (key != Qt::Key_Space || mods != Qt::NoModifier || TGrid->Mode() == gmEdit) return;
    const std::string field = TGrid->CurrentFieldName();
    if (field == "N1" || field == "Node1" || field == "N2" || field == "Node2") {
      key = 0;
      PickControlNode(field.back() == '1' ? 1 : 2);
    }
  };
  connect(RegLine, &QSlider::valueChanged, this, [this](int p) { RegLineChange(p); });
  connect(KiterEdit, &QLineEdit::textChanged, this, [this] { IntEditChange(KiterEdit); });
  for (QLineEdit* e : {KpEdit, KuEdit, DuEdit, DnEdit})
    connect(e, &QLineEdit::textChanged, this, [this, e] { FloatEditChange(e); });
  pickerRow_ = 1;

  TOptimTSettings s;
  try {
    ReadOptimTSettings(ConfigFileName, s);
  } catch (const ld::Error&) {
    ShowError("Ошибка чтения файла конфигурации " + ConfigFileName);
  }
  KiterEdit->setText(QString::fromStdString(s.KIter));
  KpEdit->setText(QString::fromStdString(s.Kdp));
  KuEdit->setText(QString::fromStdString(s.Ku));
  DuEdit->setText(QString::fromStdString(s.Du));
  DnEdit->setText(QString::fromStdString(s.Dn));
  UmBox->setChecked(s.Um);
}

void TT_Form::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    TGrid->ShowAll();
    FitTapColumns();
  }
  shown_ = true;
}

void TT_Form::FitTapColumns() {
  // The window opens wide enough for the transformer's columns through its tap step, each caption
  // whole at the grid's own font (the grid widens a column to its caption); the control nodes'
  // columns follow by scrolling.
  const int last = TGrid->FieldColumn("Delta");
  const std::vector<int>& widths = TGrid->ColWidths();
  if (last < 1 || last >= static_cast<int>(widths.size())) return;
  int needed = 0;
  for (int g = 0; g <= last; ++g) needed += widths[static_cast<std::size_t>(g)] + 1;
  if (TGrid->width() < needed) resize(width() + needed - TGrid->width(), height());
}

void TT_Form::FormClose() {
  model_.reset();
  regime_.reset();
  TOptimTSettings s;
  s.KIter = KiterEdit->text().toStdString();
  s.Kdp = KpEdit->text().toStdString();
  s.Ku = KuEdit->text().toStdString();
  s.Du = DuEdit->text().toStdString();
  s.Dn = DnEdit->text().toStdString();
  s.Um = UmBox->isChecked();
  try {
    WriteOptimTSettings(ConfigFileName, s);
  } catch (const ld::Error&) {
    ShowError("Ошибка записи файла конфигурации " + ConfigFileName);
  }
  UnlockTableFiles(stem_, GetMaketExtention(LayoutKtrTable));
}

void TT_Form::closeEvent(QCloseEvent* event) {
  // A search works on the window's engine and table: the window stays until it ends.
  if (running_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TT_Form::reject() {
  if (running_) return;
  FormClose();
  QDialog::reject();
}

// ---- Display

void TT_Form::ShowLosses(double dP) {
  if (!regime_) return;
  SetShape(Shape1, dP < shownDP_ ? kLime : kRed);
  shownDP_ = dP;
  dP_ = dP;
  PLabel->setText(QString::fromStdString("dP = " + Kw(dP)));
  OptLabel->setText(QString::fromStdString("ddP = " + Kw(dP0_ - dP)));
  if (!regime_->Converged) {
    U1Label->setText("Режим не сходится");
    SetShape(Shape2, kRed);
  }
}

void TT_Form::ShowControlVoltages(int row) {
  if (!regime_) return;
  U1Label->clear();
  U2Label->clear();
  if (!regime_->Converged) {
    U1Label->setText("Режим не сходится");
    SetShape(Shape2, kRed);
    return;
  }
  int state = 0;
  if (model_ && row >= 1 && row <= model_->RowCount() && !model_->Excluded(row)) {
    const TKtrCols& c = model_->Cols();
    for (int which = 1; which <= 2; ++which) {
      const TRegimeElement* node = model_->NodeElement(row, which);
      if (node == nullptr) continue;
      const double u = std::abs(node->U);
      const std::string text = (which == 1 ? "U1 = " : "U2 = ") + FloatToStrFixed(u, 2) + " кВ";
      QLabel* target = which == 2 && !U1Label->text().isEmpty() ? U2Label : U1Label;
      target->setText(QString::fromStdString(text));
      const double umin = (which == 1 ? c.U1min : c.U2min)->Get(row);
      const double umax = (which == 1 ? c.U1max : c.U2max)->Get(row);
      state |= umin <= u && u <= umax ? 1 : 2;
    }
  }
  SetShape(Shape2, state == 0 ? kSilver : state == 1 ? kLime : kRed);
}

void TT_Form::TGridMoveProc(int row) {
  const TDataFile& t = TGrid->table();
  const int col = TGrid->CurrentTableCol();
  HLabel->setText(col >= 1 && col <= t.NCols ? QString::fromStdString(t.Comment[static_cast<std::size_t>(col)]) : "");
  if (current_ && model_ && row >= 1 && row <= model_->RowCount() && !model_->Excluded(row)) {
    const int tap = static_cast<int>(std::nearbyint(model_->Cols().Ntek->Get(row)));
    const QSignalBlocker block(RegLine);
    RegLine->setRange(1, std::max(1, model_->Cols().Kotv.Get(row)));
    RegLine->setValue(tap);
    NLabel->setText(QString::number(tap));
    RegLine->show();
    NLabel->show();
  } else {
    RegLine->hide();
    NLabel->hide();
  }
  if (!CalcBtn->isEnabled()) ShowControlVoltages(row);
}

void TT_Form::SetNtekEditable(bool on) {
  TDataFile& t = *TGrid->GetTable();
  if (t.NCols == 0) return;
  t.Access[static_cast<std::size_t>(FindColumnIndex("Ntek", t))] = on ? 1 : 0;
}

void TT_Form::ResetResults() {
  if (model_) model_->ClearMarks();
  TGrid->Refresh();
  AutoBtn->setEnabled(false);
  GradientBtn->setEnabled(false);
  WriteBtn->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{RegLine, NLabel, Shape1, Shape2, PLabel, OptLabel, U1Label, U2Label})
    w->hide();
  current_ = false;
  running_ = false;
  stop_ = false;
}

void TT_Form::ShowResults() {
  current_ = true;
  AddTrBtn->setEnabled(true);
  AutoBtn->setEnabled(true);
  GradientBtn->setEnabled(true);
  WriteBtn->setEnabled(true);
  const int row = TGrid->CurrentTableRow();
  TGridMoveProc(row);
  ShowLosses(dP_);
  SetShape(Shape1, kSilver);
  for (QWidget* w : std::initializer_list<QWidget*>{Shape1, PLabel, OptLabel}) w->show();
  ShowControlVoltages(row);
  for (QWidget* w : std::initializer_list<QWidget*>{U1Label, U2Label, Shape2}) w->show();
  if (model_) model_->ClearMarks();
  TGrid->Refresh();
}

// A change of the table makes the results stale.
void TT_Form::TableChanged() {
  current_ = false;
  CalcBtn->setEnabled(true);
  SetNtekEditable(true);
  ResetResults();
  model_.reset();
}

void TT_Form::TGridChangeMode(TGridMode mode) {
  if (mode == gmEdit) TableChanged();
}

// ---- Commands

bool TT_Form::ReadSchemeTables() {
  try {
    ReadTableFile(stem_ + GetMaketExtention(LayoutNodes), nodes_);
    ReadTableFile(stem_ + GetMaketExtention(LayoutBranches), branches_);
  } catch (const ld::Error& e) {
    ShowError(e.what());
    return false;
  }
  return true;
}

void TT_Form::CalcBtnClick() {
  if (!ReadSchemeTables()) return;
  TGrid->SetMode(gmView);
  TGrid->TrimEmptyTailRows();
  model_.reset();
  std::vector<std::string> errors;
  regime_->Errors = &errors;
  regime_->ModelError = false;
  regime_->Converged = false;
  regime_->SchemeRead = false;
  regime_->ShowMessages = false;
  // The regime window holds the scheme's locks while this window runs; the engine gives them up for a
  // write of the row marks and takes them again.
  regime_->LockFiles = SchemeLocksHeld(stem_);
  regime_->ClearModel();
  try {
    regime_->ReadScheme(stem_);
    if (!regime_->ModelError) {
      regime_->ApplyTimeData(IniRec.TypCalcPQ, IniRec.Tgr, IniRec.Date1, IniRec.Date2, IniRec.CalcDate, false);
      regime_->FormMatrices();
    }
  } catch (const ld::Error& e) {
    errors.push_back(e.what());
    regime_->ModelError = true;
  }
  regime_->Errors = nullptr;
  if (regime_->ModelError) {
    std::string text = "Ошибка расчета режима";
    for (const std::string& line : errors) text += "\n" + line;
    ShowError(text);
    return;
  }

  model_ = std::make_unique<TKtrModel>(*regime_, *TGrid->GetTable());
  TNodeCols nc;
  FillNodeCols(nodes_, nc);
  const bool um = UmBox->isChecked();
  const TKtrBindError e = model_->Bind(branches_, false, true, [&](int, const TRegimeElement& node, int, float& umin, float& umax) {
    if (um && node.NodeIndex > 0 && node.NodeIndex <= nc.RowCount) umin = umax = nc.Um->Get(node.NodeIndex);
  });
  if (e.What != TKtrBindError::None) {
    model_.reset();
    TGrid->Refresh();
    switch (e.What) {
      case TKtrBindError::Params: ShowError("Ошибка ввода параметров в строке " + std::to_string(e.Row)); break;
      case TKtrBindError::Node: ShowError("Узел " + std::to_string(e.A) + " не найден"); break;
      default: ShowError("Линия " + std::to_string(e.A) + " - " + std::to_string(e.B) + " не найдена"); break;
    }
    return;
  }
  model_->RerunRegime();
  dP0_ = model_->RoundedLosses();
  dP_ = dP0_;
  shownDP_ = dP0_;
  ShowResults();
  CalcBtn->setEnabled(false);
  SetNtekEditable(false);
  TGrid->Refresh();
}

bool TT_Form::ReadWeights(int& kiter, double& kdp, double& ku, double& du, double& dn) {
  try {
    kiter = StrToIntZ(KiterEdit->text().toStdString());
    kdp = StrToFloatZ(KpEdit->text().toStdString());
    ku = StrToFloatZ(KuEdit->text().toStdString());
    du = StrToFloatZ(DuEdit->text().toStdString());
    dn = StrToFloatZ(DnEdit->text().toStdString());
  } catch (const ConvertError& e) {
    ShowError(e.what());
    return false;
  }
  return true;
}

void TT_Form::EnableCommands(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{AddTrBtn, DuEdit, DnEdit, KiterEdit, KpEdit, KuEdit, OkBtn, CancelBtn,
                                                    LoadBtn, WriteBtn, PrintBtn, TGrid})
    w->setEnabled(on);
}

void TT_Form::ListTaps() {
  memo_.clear();
  if (!model_) return;
  const TKtrCols& c = model_->Cols();
  int w1 = 0, w2 = 0, wn = 0;
  for (int row = 1; row <= c.RowCount; ++row) {
    w1 = std::max<int>(w1, static_cast<int>(std::to_string(c.Num1->Get(row)).size()));
    w2 = std::max<int>(w2, static_cast<int>(std::to_string(c.Num2->Get(row)).size()));
    wn = std::max<int>(wn, static_cast<int>(QString::fromStdString(c.NameTr->GetItem(row)).size()));
  }
  for (int row = 1; row <= c.RowCount; ++row) {
    const char* kind = model_->Excluded(row) ? " --- " : c.RegOf(row) == 1 ? " тпр " : " рпн ";
    memo_.push_back(FitRight(std::to_string(c.Num1->Get(row)), w1) + " - " + FitRight(std::to_string(c.Num2->Get(row)), w2) +
                    " " + FitRight(c.NameTr->GetItem(row), wn) + kind + Tap(c.Ntek->Get(row)));
  }
  std::string text;
  for (const std::string& line : memo_) text += line + "\n";
  ResMemo->setPlainText(QString::fromStdString(text));
}

void TT_Form::AppendTaps(int first, int last) {
  if (!model_) return;
  for (int row = std::max(first, 1); row <= last && row <= static_cast<int>(memo_.size()); ++row) {
    std::string& line = memo_[static_cast<std::size_t>(row) - 1];
    line += ',';
    line += Tap(model_->Cols().Ntek->Get(row));
  }
  std::string text;
  for (const std::string& line : memo_) text += line + "\n";
  ResMemo->setPlainText(QString::fromStdString(text));
}

void TT_Form::FinishSearch(const char* caption, double dPStart, int passes) {
  HLabel->clear();
  ProgBar->hide();
  model_->ClearMarks();
  running_ = false;
  ShowResults();
  QPushButton* button = std::string(caption) == "Автомат" ? AutoBtn : GradientBtn;
  button->setText(caption);
  EnableCommands(true);
  memo_.insert(memo_.end(), {"", "Количество итераций : " + std::to_string(passes), "", "dPисх = " + Kw(dPStart),
                             "dPопт = " + Kw(dP_), "ddP   = " + Kw(dPStart - dP_)});
  if (stop_) memo_.push_back("<<<< Процесс прерван >>>>");
  stop_ = false;
  std::string text;
  for (const std::string& line : memo_) text += line + "\n";
  ResMemo->setPlainText(QString::fromStdString(text));
}

void TT_Form::AutoBtnClick() {
  if (running_) {
    stop_ = true;
    return;
  }
  if (!model_ || !current_) return;
  int kiter = 0;
  double kdp = 0, ku = 0, du = 0, dn = 0;
  if (!ReadWeights(kiter, kdp, ku, du, dn)) return;
  ResetResults();
  EnableCommands(false);
  GradientBtn->setEnabled(false);
  running_ = true;
  ListTaps();
  ResMemo->show();
  ResMemo->raise();
  ProgBar->setRange(0, model_->RowCount());
  ProgBar->setValue(0);
  ProgBar->show();
  AutoBtn->setText("Стоп");
  AutoBtn->setEnabled(true);
  const double start = dP_;

  TSearchHooks hooks;
  hooks.OnPass = [this](int pass) { HLabel->setText("Итерация " + QString::number(pass)); };
  hooks.OnAccepted = [this](int first, int last) { AppendTaps(first, last); };
  hooks.OnGroup = [this](int last, double dP) {
    ShowLosses(dP);
    TGrid->Refresh();
    ProgBar->setValue(last);
    QApplication::processEvents();
  };
  hooks.StopRequested = [this] { return stop_; };
  const TSearchResult r = CoordinateDescent(*model_, kiter, ku, kdp, dP_, hooks);
  model_->RerunRegime();
  dP_ = regime_->TotalLosses();
  FinishSearch("Автомат", start, r.Passes);
}

void TT_Form::GradientBtnClick() {
  if (running_) {
    stop_ = true;
    return;
  }
  if (!model_ || !current_) return;
  int kiter = 0;
  double kdp = 0, ku = 0, du = 0, dn = 0;
  if (!ReadWeights(kiter, kdp, ku, du, dn)) return;
  ResetResults();
  PLabel->show();
  OptLabel->show();
  EnableCommands(false);
  AutoBtn->setEnabled(false);
  running_ = true;
  ListTaps();
  ResMemo->show();
  ResMemo->raise();
  ProgBar->setRange(0, std::max(kiter, 1));
  ProgBar->setValue(0);
  ProgBar->show();
  GradientBtn->setText("Стоп");
  GradientBtn->setEnabled(true);
  const double start = dP_;

  TSearchHooks hooks;
  hooks.OnPass = [this](int count) {
    HLabel->setText("Итерация " + QString::number(count));
    ProgBar->setValue(count);
    QApplication::processEvents();
  };
  hooks.OnGroup = [this](int, double dP) { ShowLosses(dP); };
  hooks.OnAccepted = [this](int first, int last) {
    AppendTaps(first, last);
    QApplication::processEvents();
  };
  hooks.StopRequested = [this] { return stop_; };
  const TSearchResult r = GradientSearch(*model_, kiter, ku, kdp, du, dn, dP_, hooks);
  stop_ = stop_ || r.Stopped;
  dP_ = r.dP;
  TGrid->Refresh();
  FinishSearch("Градиент", start, r.Passes);
}

void TT_Form::RegLineChange(int position) {
  const int row = TGrid->CurrentTableRow();
  if (!model_ || !current_ || running_ || row < 1 || row > model_->RowCount() || model_->Excluded(row)) return;
  (*model_->Cols().Ntek)[row] = static_cast<float>(position);
  NLabel->setText(QString::number(position));
  model_->ApplyRowRatio(row);
  model_->RerunRegime();
  ShowLosses(model_->RoundedLosses());
  ShowControlVoltages(row);
  model_->ClearMarks();
  TGrid->SetModified(true);
  TGrid->Refresh();
}

void TT_Form::AddTrBtnClick() {
  TRecTr lon, tra;
  if (!ExecuteSelectTransformer(stem_, lon, tra, pickerRow_)) return;
  TDataFile& t = *TGrid->GetTable();
  TGrid->SetMode(gmView);
  TGrid->TrimEmptyTailRows();
  const int count = tra.Num1 != 0 ? 2 : 1;
  InsertTableRows(t, t.RowCount + 1, count);
  TKtrCols c;
  FillKtrCols(t, c);
  PutRecTr(c, t.RowCount - count + 1, lon);
  if (count == 2) PutRecTr(c, t.RowCount, tra);
  TGrid->SetModified(true);
  TableChanged();
  TGrid->GotoRow(t.RowCount);
}

void TT_Form::PickControlNode(int which) {
  std::int32_t n = 0;
  float umax = 0, umin = 0;
  std::string name;
  const std::string field = TGrid->CurrentFieldName();
  if (!ExecuteSelectVoltageNodes(stem_, field.rfind("Node", 0) == 0, n, umax, umin, name)) return;
  const int row = TGrid->CurrentTableRow();
  const std::string suffix = std::to_string(which);
  TGrid->SetFieldText("N" + suffix, row, &n);
  TGrid->SetFieldText("U" + suffix + "min", row, &umin);
  TGrid->SetFieldText("U" + suffix + "max", row, &umax);
  TGrid->SetFieldText("Node" + suffix, row, &name);
  TGrid->SetModified(true);
  TableChanged();
}

void TT_Form::LoadBtnClick() {
  if (!ReadSchemeTables()) return;
  TGrid->SetMode(gmView);
  TDataFile& t = *TGrid->GetTable();
  if (t.NCols == 0) return;
  TKtrCols c;
  FillKtrCols(t, c);
  TBranchCols b;
  FillBranchCols(branches_, b);
  for (int row = 1; row <= c.RowCount; ++row) {
    const int reg = c.RegOf(row), nl = c.Nl->Get(row);
    if (reg != 0 && reg != 1) continue;
    for (int r = 1; r <= b.RowCount; ++r) {
      const int bnl = b.Nl->Get(r);
      if (b.N1->Get(r) != c.Num1->Get(row) || b.N2->Get(r) != c.Num2->Get(row) || (nl != 0 && bnl != 0 && bnl != nl))
        continue;
      TRecTr lon, tra;
      FillRecTr(b, r, lon, tra);
      PutRecTr(c, row, reg == 0 ? lon : tra);
      break;
    }
  }
  TGrid->SetModified(true);
  TableChanged();
}

void TT_Form::WriteBtnClick() {
  TGrid->SetMode(gmView);
  TGrid->TrimEmptyTailRows();
  if (!ReadSchemeTables()) return;
  TDataFile& t = *TGrid->GetTable();
  t.Title = dir_;  // as the save on closing titles it, which then writes the same table again
  try {
    // The taps go into the branches with the table they come from, in one run.
    WriteKtrWithBranches(t, branches_, stem_, current_ ? model_.get() : nullptr);
    TGrid->FileDate = t.FileDate;
    result_ = true;
  } catch (const ld::Error& e) {
    ShowError(e.what());
  }
}

void TT_Form::CancelBtnClick(bool save) {
  if (running_) return;
  const std::string ext = GetMaketExtention(LayoutKtrTable);
  UnlockTableFiles(stem_, ext);
  if (save) {
    TGrid->SetMode(gmView);
    TGrid->TrimEmptyTailRows();
    TDataFile& t = *TGrid->GetTable();
    t.Title = dir_;
    try {
      WriteTableFile(TableFile(), t);
      TGrid->SetModified(false);
    } catch (const ld::Error& e) {
      ShowError(e.what());
      return;
    }
  }
  FormClose();
  done(save ? QDialog::Accepted : QDialog::Rejected);
}

void TT_Form::PrintBtnClick() {
  std::vector<std::string> lines;
  if (ResMemo->isVisible()) lines = memo_;
  else TGrid->GetPrintLines(lines);
  PrintTextDocument({}, {}, lines, this);
}

void TT_Form::FloatEditChange(QLineEdit* edit) {
  try {
    static_cast<void>(StrToFloatZ(edit->text().toStdString()));
  } catch (const ConvertError&) {
    edit->clear();
  }
}

void TT_Form::IntEditChange(QLineEdit* edit) {
  try {
    static_cast<void>(StrToIntZ(edit->text().toStdString()));
  } catch (const ConvertError&) {
    edit->clear();
  }
}

bool RunKtrOptimisation(const std::string& schemeStem, const std::string& schemeDir) {
  TT_Form form(schemeStem, schemeDir, QApplication::activeWindow());
  ExecModal(form);
  return form.Result();
}

}  // namespace ld::gui
