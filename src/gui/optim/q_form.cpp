#include "gui/optim/q_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/engine/iteration_settings.h"
#include "core/base/codepage.h"
#include "core/base/inifile.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/optim/q_prepare.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "gui/common/modal.h"
#include "gui/common/named_widget.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/report_print.h"

namespace ld::gui {

namespace {

constexpr char kSection[] = "OptimQ";

void SetLamp(QLabel* lamp, const char* color) {
  lamp->setStyleSheet(QString("background-color: %1; border: 1px solid gray;").arg(color));
  lamp->setProperty("lampColor", color);
}

double Number(const QLineEdit* edit) {
  try {
    return StrToFloatZ(edit->text().toStdString());
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

TQ_Form::TQ_Form(std::string stem, std::string folder, QWidget* parent)
    : QDialog(parent), stem_(std::move(stem)), folder_(std::move(folder)), engine_(std::make_unique<TRegime>()) {
  setWindowTitle("Оптимизация реактивных мощностей");
  setObjectName("Q_Form");
  qGrid_ = Named<TDataGrid5>("QGrid", this);
  loadBtn_ = Named<QPushButton>("LoadBtn", "Загрузка Qг", this);
  loadBtn_->setToolTip("Загрузка колонок: Обозначение, Qг, Qг min, Qг max из таблицы узлов схемы");
  calcBtn_ = Named<QPushButton>("CalcBtn", "Режим", this);
  calcBtn_->setToolTip("Начальный расчет режима (Q = Qг)");
  writeBtn_ = Named<QPushButton>("WriteBtn", "Запись Qопт", this);
  writeBtn_->setToolTip("Запись Qопт в колонку Qген таблицу узлов схемы");
  printBtn_ = Named<QPushButton>("PrintBtn", "Печать", this);
  minusBtn_ = Named<QPushButton>("MinusBtn", "<<", this);
  optimBtn_ = Named<QPushButton>("OptimBtn", "Старт", this);
  plusBtn_ = Named<QPushButton>("PlusBtn", ">>", this);
  okBtn_ = Named<QPushButton>("OkBtn", "Сохранить", this);
  cancelBtn_ = Named<QPushButton>("CancelBtn", "Отменить", this);
  methodBox_ = Named<QComboBox>("MethodBox", this);
  methodBox_->addItems({"Дискретный спуск", "Наискорейший спуск", "Координатный спуск", "Сопряженный градиент",
                        "Спуск по Ньютону"});
  epsOptEdit_ = Named<QLineEdit>("EpsOptEdit", this);
  epsRegEdit_ = Named<QLineEdit>("EpsRegEdit", this);
  kuEdit_ = Named<QLineEdit>("KuEdit", this);
  kdpEdit_ = Named<QLineEdit>("KdpEdit", this);
  tokEdit_ = Named<QLineEdit>("TokEdit", this);
  tokEdit_->setToolTip("Срок окупаемости, год");
  dQtEdit_ = Named<QLineEdit>("dQtEdit", this);
  cBskEdit_ = Named<QLineEdit>("C_BSK", this);
  tarifEdit_ = Named<QLineEdit>("Tarif", this);
  tmaxEdit_ = Named<QLineEdit>("Tmax", this);
  umBox_ = Named<QCheckBox>("UmBox", "Umin = Umax = Uм", this);
  precSnap_ = Named<QCheckBox>("PrecSnap", "Уточнение шага", this);
  pLamp_ = Named<QLabel>("PLamp", this);
  uLamp_ = Named<QLabel>("ULamp", this);
  for (QLabel* lamp : {pLamp_, uLamp_}) lamp->setFixedSize(14, 14);
  pLabel_ = Named<QLabel>("PLabel", this);
  uLabel_ = Named<QLabel>("ULabel", this);
  optLabel_ = Named<QLabel>("OptLabel", this);
  iLabel_ = Named<QLabel>("ILabel", this);
  dLabel_ = Named<QLabel>("DLabel", this);
  fLabel_ = Named<QLabel>("FLabel", this);
  hLabel_ = Named<QLabel>("HLabel", this);

  auto* params = new QGridLayout;
  const std::pair<const char*, QWidget*> fields[] = {
      {"Eps (оптим)", epsOptEdit_}, {"Eps (режим)", epsRegEdit_}, {"Кш (U)", kuEdit_}, {"Кш (dP)", kdpEdit_},
      {"Ток", tokEdit_}, {"dQ,кВАр", dQtEdit_}, {"Цена БСК", cBskEdit_}, {"Тариф", tarifEdit_}, {"Tmax", tmaxEdit_}};
  int i = 0;
  for (const auto& [caption, field] : fields) {
    params->addWidget(new QLabel(caption, this), i / 3, (i % 3) * 2);
    params->addWidget(field, i / 3, (i % 3) * 2 + 1);
    ++i;
  }
  auto* options = new QHBoxLayout;
  options->addWidget(methodBox_);
  options->addWidget(umBox_);
  options->addWidget(precSnap_);
  options->addStretch();
  auto* commands = new QHBoxLayout;
  for (QPushButton* b : {loadBtn_, calcBtn_, minusBtn_, optimBtn_, plusBtn_, writeBtn_, printBtn_}) {
    commands->addWidget(b);
  }
  commands->addStretch();
  commands->addWidget(okBtn_);
  commands->addWidget(cancelBtn_);
  auto* status = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{pLamp_, pLabel_, optLabel_, uLamp_, uLabel_, iLabel_, dLabel_,
                                                    fLabel_}) {
    status->addWidget(w);
  }
  status->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(params);
  layout->addLayout(options);
  layout->addLayout(commands);
  layout->addWidget(qGrid_, 1);
  layout->addLayout(status);
  layout->addWidget(hLabel_);
  resize(900, 560);

  connect(loadBtn_, &QPushButton::clicked, this, [this] { LoadBtnClick(); });
  connect(calcBtn_, &QPushButton::clicked, this, [this] { CalcBtnClick(); });
  connect(writeBtn_, &QPushButton::clicked, this, [this] { WriteBtnClick(); });
  connect(printBtn_, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
  connect(minusBtn_, &QPushButton::clicked, this, [this] { MinusBtnClick(); });
  connect(optimBtn_, &QPushButton::clicked, this, [this] { OptimBtnClick(); });
  connect(plusBtn_, &QPushButton::clicked, this, [this] { PlusBtnClick(); });
  connect(okBtn_, &QPushButton::clicked, this, [this] { OkBtnClick(true); });
  connect(cancelBtn_, &QPushButton::clicked, this, [this] { OkBtnClick(false); });

  // The engine takes the regime settings, this window the inner loop count and both dampings as well.
  TRegime& e = *engine_;
  TakeIterationSettings(e, IniRec);
  e.QLimits = IniRec.FlagRQ;
  e.LockFiles = true;

  ResetDisplay();
  qGrid_->OnChangeMode = [this](TGridMode mode) {
    if (mode == gmEdit) ResetDisplay();
  };
  qGrid_->OnMoveProc = [this](PDataFile df, int col, int) {
    hLabel_->setText(df != nullptr && col >= 1 && col <= df->NCols
                         ? QString::fromStdString(df->Comment[static_cast<std::size_t>(col)])
                         : QString());
  };
  qGrid_->SetMaket(LayoutReactiveSources);
  uLabel_->setText("Ограничения по |U|");
  std::error_code ec;
  if (std::filesystem::exists(TableFile(), ec)) {
    try {
      qGrid_->OpenFile(TableFile(), 1, 1, 1, UserAccess == 1, false, true);
      CheckQTable(*qGrid_->GetTable(), TableFile());
    } catch (const std::exception& ex) {
      ShowMsgForm(QTableReadError(TableFile(), ex), mkError, mbOk);
      qGrid_->SetMaket(LayoutReactiveSources);
    }
  } else {
    // a table begun where none was is no licence to write over one that another makes meanwhile
    const std::string title = std::filesystem::path(stem_).parent_path().string();
    qGrid_->OpenMissingFile(TableFile(), LayoutReactiveSources, title, 1, 1, 1, UserAccess == 1);
    qGrid_->AskSave = false;
  }
  qGrid_->Refresh();
  ReadIni();
}

TQ_Form::~TQ_Form() = default;

std::string TQ_Form::TableFile() const { return FamilyFile(stem_, GetMaketExtention(LayoutReactiveSources)); }

void TQ_Form::ReadIni() {
  const std::pair<QLineEdit*, std::pair<const char*, const char*>> texts[] = {
      {epsOptEdit_, {"EpsOpt", "1e-4"}}, {epsRegEdit_, {"EpsReg", "1e-10"}}, {kuEdit_, {"Ku", "100"}},
      {kdpEdit_, {"Kdp", "1"}},         {tokEdit_, {"Tok", "0"}},            {dQtEdit_, {"dQt", "1000"}},
      {cBskEdit_, {"C_BSK", "100000"}}, {tarifEdit_, {"Tarif", "1700"}},     {tmaxEdit_, {"Tmax", "4380"}}};
  for (const auto& [edit, key] : texts) edit->setText(key.second);
  try {
    const TMemIniFile ini(ConfigFileName);
    for (const auto& [edit, key] : texts) {
      edit->setText(QString::fromStdString(ini.ReadString(kSection, key.first, key.second)));
    }
    methodBox_->setCurrentIndex(std::clamp(ini.ReadInteger(kSection, "Method", 0), 0, 4));
    umBox_->setChecked(ini.ReadBool(kSection, "Um", false));
    precSnap_->setChecked(ini.ReadBool(kSection, "PrecSnap", false));
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка чтения файла конфигурации " + ConfigFileName, mkError, mbOk);
  }
}

void TQ_Form::WriteIni() {
  try {
    TMemIniFile ini(ConfigFileName);
    ini.WriteString(kSection, "EpsOpt", epsOptEdit_->text().toStdString());
    ini.WriteString(kSection, "EpsReg", epsRegEdit_->text().toStdString());
    ini.WriteString(kSection, "Ku", kuEdit_->text().toStdString());
    ini.WriteString(kSection, "Kdp", kdpEdit_->text().toStdString());
    ini.WriteString(kSection, "Tok", tokEdit_->text().toStdString());
    ini.WriteFloat(kSection, "C_BSK", Number(cBskEdit_));
    ini.WriteFloat(kSection, "Tarif", Number(tarifEdit_));
    ini.WriteFloat(kSection, "Tmax", Number(tmaxEdit_));
    ini.WriteInteger(kSection, "Method", methodBox_->currentIndex());
    ini.WriteString(kSection, "dQt", dQtEdit_->text().toStdString());
    ini.WriteBool(kSection, "Um", umBox_->isChecked());
    ini.WriteBool(kSection, "PrecSnap", precSnap_->isChecked());
    ini.UpdateFile();
  } catch (const std::exception&) {
    ShowMsgForm("Ошибка записи файла конфигурации " + ConfigFileName, mkError, mbOk);
  }
}

void TQ_Form::ShowLabels(bool on) {
  for (QLabel* l : {pLamp_, pLabel_, uLamp_, uLabel_, optLabel_, iLabel_, dLabel_, fLabel_}) l->setVisible(on);
}

void TQ_Form::ResetDisplay() {
  TDataFile& t = *qGrid_->GetTable();
  for (int r = 1; r <= t.RowCount && t.MarkRec; ++r) (*t.MarkRec)[r] = 0;
  for (QPushButton* b : {optimBtn_, writeBtn_, minusBtn_, plusBtn_}) b->setEnabled(false);
  ShowLabels(false);
  hLabel_->clear();
  running_ = false;
}

void TQ_Form::UpdateDisplay() {
  SetLamp(pLamp_, previousLoss_ - currentLoss_ >= 0 ? "lime" : "red");
  pLabel_->setText(QString::fromStdString("dP = " + FloatToStrFixed(currentLoss_ * 1000, 1) + " кВт"));
  optLabel_->setText(
      QString::fromStdString("Оптим= " + FloatToStrFixed((state_.InitialLoss - currentLoss_) * 1000, 1) + " кВт"));
  if (!engine_->Converged) {
    pLabel_->setText("Режим не сходится");
    SetLamp(pLamp_, "red");
  }
  bool violated = false;
  UpdateWatchedVoltages(*qGrid_->GetTable(), state_, violated);
  SetLamp(uLamp_, violated ? "red" : "silver");
  iLabel_->setText(QString::fromStdString("Итераций: " + std::to_string(state_.IterationCount)));
  dLabel_->setText(QString::fromStdString("Градиент: " + FloatToStrFixed(state_.Gradient, 9)));
  fLabel_->setText(QString::fromStdString("Функционал: " + FloatToStrFixed(F_, 9)));
  qGrid_->Refresh();
}

bool TQ_Form::ReadParams(TQMethodParams& p) {
  p.EpsOpt = Number(epsOptEdit_);
  engine_->Accuracy = Number(epsRegEdit_);
  p.Ku = Number(kuEdit_);
  p.Kdp = Number(kdpEdit_);
  p.dQt = Number(dQtEdit_);
  p.Tok = Number(tokEdit_);
  p.PrecSnap = precSnap_->isChecked();
  state_.C_BSK = Number(cBskEdit_);
  state_.Tarif = Number(tarifEdit_);
  state_.Tmax = Number(tmaxEdit_);
  return true;
}

void TQ_Form::LoadBtnClick() {
  qGrid_->TrimEmptyTailRows();
  try {
    TDataFile nodes;
    ReadTableFile(stem_ + GetMaketExtention(LayoutNodes), nodes);
    TNodeCols n;
    FillNodeCols(nodes, n);
    TDataFile& t = *qGrid_->GetTable();
    TQCols c;
    FillQCols(t, c);
    for (int r = 1; r <= c.RowCount; ++r) {
      for (int k = 1; k <= n.RowCount; ++k) {
        if (n.NS->Get(k) != c.Nq->Get(r)) continue;
        c.Title->SetItem(r, n.Name->GetItem(k));
        (*c.Qish)[r] = n.Qg->Get(k) * 1000;
        (*c.Qmin)[r] = SingleToDouble(n.Qmin->Get(k)) * 1000;
        (*c.Qmax)[r] = SingleToDouble(n.Qmax->Get(k)) * 1000;
        qGrid_->SetModified(true);
        break;
      }
    }
  } catch (const std::exception& ex) {
    ShowMsgForm(ex.what(), mkError, mbOk);
  }
  qGrid_->Refresh();
}

void TQ_Form::CalcBtnClick() {
  TQMethodParams p;
  ReadParams(p);
  ResetDisplay();
  qGrid_->SetMode(gmView);
  qGrid_->TrimEmptyTailRows();
  TRegime& e = *engine_;
  try {
    TDataFile nodes;
    ReadTableFile(stem_ + GetMaketExtention(LayoutNodes), nodes);
    e.ModelError = e.Converged = e.SchemeRead = false;
    e.ShowMessages = false;
    e.ClearModel();
    e.ReadScheme(stem_);
    e.ApplyTimeData(IniRec.TypCalcPQ, IniRec.Tgr, IniRec.Date1, IniRec.Date2, IniRec.CalcDate, false);
    e.FormMatrices();
    std::string error;
    if (!PrepareQRows(*qGrid_->GetTable(), e, state_, umBox_->isChecked() ? &nodes : nullptr, error)) {
      ShowMsgForm(error, mkError, mbOk);
      qGrid_->Refresh();
      return;
    }
  } catch (const std::exception& ex) {
    ShowMsgForm(ex.what(), mkError, mbOk);
    return;
  }
  F_ = ReactiveFunctional(*qGrid_->GetTable(), e, state_, -1, p.Ku, p.Kdp);
  previousF_ = F_;
  state_.InitialLoss = currentLoss_ = previousLoss_ = e.TotalLosses();
  state_.Gradient = 0;
  state_.IterationCount = 0;
  state_.HessianReady = false;
  state_.Bound1 = state_.Bound2 = false;
  for (QPushButton* b : {optimBtn_, writeBtn_, plusBtn_}) b->setEnabled(true);
  ShowLabels(true);
  UpdateDisplay();
}

void TQ_Form::SetRunning(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{epsOptEdit_, epsRegEdit_, kuEdit_, kdpEdit_, methodBox_, dQtEdit_,
                                                    precSnap_, umBox_, okBtn_, cancelBtn_, loadBtn_, calcBtn_,
                                                    writeBtn_, printBtn_, plusBtn_}) {
    w->setEnabled(!on);
  }
  minusBtn_->setEnabled(false);
  optimBtn_->setText(on ? "Стоп" : "Старт");
  running_ = on;
}

void TQ_Form::OptimBtnClick() {
  if (running_) {
    state_.StopRequested = true;
    return;
  }
  TQMethodParams p;
  ReadParams(p);
  SetRunning(true);
  state_.StopRequested = false;
  TDataFile& t = *qGrid_->GetTable();
  for (int r = 1; r <= t.RowCount && t.MarkRec; ++r) (*t.MarkRec)[r] = 0;
  hLabel_->clear();
  QApplication::processEvents();
  state_.IterationCount = 0;
  F_ = ReactiveFunctional(t, *engine_, state_, -1, p.Ku, p.Kdp);
  state_.Gradient = 0;
  if (F_ != -1.0) {
    do {
      ++state_.IterationCount;
      QMethodStep(methodBox_->currentIndex(), t, *engine_, state_, p);
      RunQRegime(*engine_);
      previousLoss_ = currentLoss_;
      currentLoss_ = engine_->TotalLosses();
      UpdateDisplay();
      previousF_ = F_;
      F_ = ReactiveFunctional(t, *engine_, state_, -1, p.Ku, p.Kdp);
      if (state_.StopRequested) break;
      QApplication::processEvents();
      if (state_.StopRequested || closed_) break;
      if (state_.Gradient < p.EpsOpt) break;
      if (state_.IterationCount > engine_->MaxIter) break;
    } while (engine_->Converged);
  }
  SetRunning(false);
  UpdateDisplay();
}

void TQ_Form::PlusBtnClick() {
  ++state_.IterationCount;
  TQMethodParams p;
  ReadParams(p);
  previousGradient_ = state_.Gradient;
  previousF_ = F_;
  previousLoss_ = currentLoss_;
  QMethodStep(methodBox_->currentIndex(), *qGrid_->GetTable(), *engine_, state_, p);
  RunQRegime(*engine_);
  if (engine_->Converged) {
    currentLoss_ = engine_->TotalLosses();
    F_ = ReactiveFunctional(*qGrid_->GetTable(), *engine_, state_, -1, p.Ku, p.Kdp);
  }
  UpdateDisplay();
  minusBtn_->setEnabled(true);
}

void TQ_Form::MinusBtnClick() {
  --state_.IterationCount;
  TDataFile& t = *qGrid_->GetTable();
  TQCols c;
  FillQCols(t, c);
  for (int r = 1; r <= c.RowCount && r < static_cast<int>(state_.Source.size()); ++r) {
    (*c.Qopt)[r] = state_.PrevQopt[r];
    (*c.dQ)[r] = state_.PrevdQ[r];
    (*c.Grad)[r] = state_.PrevGrad[r];
    (*c.Snap)[r] = state_.PrevSnap[r];
    if (state_.Source[r] != nullptr) SetSourceGenerated(*state_.Source[r], c.Qopt->Get(r) * 0.001);
  }
  RunQRegime(*engine_);
  currentLoss_ = engine_->TotalLosses();
  state_.Gradient = previousGradient_;
  F_ = previousF_;
  UpdateDisplay();
  minusBtn_->setEnabled(false);
}

void TQ_Form::WriteBtnClick() {
  qGrid_->TrimEmptyTailRows();
  written_ = true;
  try {
    // The powers and the table that now starts from them, together.
    TDataFile& t = *qGrid_->GetTable();
    WriteQoptWithNodeTable(t, state_, stem_);
    qGrid_->FileDate = t.FileDate;
    qGrid_->SetModified(false);
  } catch (const std::exception& ex) {
    ShowMsgForm(ex.what(), mkError, mbOk);
  }
  qGrid_->Refresh();
}

void TQ_Form::PrintBtnClick() {
  std::vector<std::string> lines;
  qGrid_->GetPrintLines(lines);
  PrintTextDocument({}, {}, lines, this);
}

void TQ_Form::OkBtnClick(bool save) {
  const std::string ext = GetMaketExtention(LayoutReactiveSources);
  UnlockTableFiles(stem_, ext);
  if (save) {
    qGrid_->TrimEmptyTailRows();
    TDataFile& t = *qGrid_->GetTable();
    t.Title = std::filesystem::path(stem_).parent_path().string();
    if (Utf8Length(t.Title) > 255) t.Title = Utf8Left(t.Title, 255);
    try {
      WriteTableFile(TableFile(), t);
    } catch (const std::exception& ex) {
      ShowMsgForm(ex.what(), mkError, mbOk);
      return;
    }
  }
  if (save) {
    accept();
  } else {
    reject();
  }
}

void TQ_Form::done(int result) {
  if (!closed_) {
    closed_ = true;
    state_.StopRequested = true;
    WriteIni();
    UnlockTableFiles(stem_, GetMaketExtention(LayoutReactiveSources));
  }
  QDialog::done(result);
}

bool RunQOptimisation(const std::string& stem, const std::string& folder) {
  TQ_Form form(stem, folder);
  ExecModal(form);
  return form.Written();
}

}  // namespace ld::gui
