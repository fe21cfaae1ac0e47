#include "gui/catalogs/cat_gr_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/catalogs/catwin_graph.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "gui/catalogs/graph_box.h"
#include "gui/catalogs/graph_param_form.h"
#include "gui/catalogs/graph_set_form.h"
#include "gui/catalogs/prn_grf_form.h"
#include "gui/common/modal.h"
#include "gui/grid/data_grid.h"
#include "gui/grid/print_markup_table.h"
#include "gui/grid/report_print.h"
#include "gui/common/import_commands.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QToolButton* ToolButton(QWidget* parent, const char* name, const char* text, bool toggle = false) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(text);
  button->setToolTip(text);
  button->setCheckable(toggle);
  return button;
}

QLabel* StatusLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  return label;
}

// Hides grid pop-up commands by their tags.
void HideMenuTags(TDataGrid5& grid, std::initializer_list<int> tags) {
  for (const int tag : tags)
    if (QAction* item = grid.MenuItem(tag)) item->setVisible(false);
}

}  // namespace

TCatGrForm::TCatGrForm(std::string basePath, int graphNo, QWidget* parent)
    : QDialog(parent), basePath_(std::move(basePath)), graphNo_(graphNo) {
  setObjectName("CatGrForm");
  setWindowTitle("Каталог графиков");
  resize(900, 640);
  BuildControls();
  OkPanel->setVisible(graphNo != INT_MAX);
}

TCatGrForm::~TCatGrForm() = default;

void TCatGrForm::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);

  GMenu = new QMenuBar(this);
  GMenu->setObjectName("GMenu");
  QMenu* graf = GMenu->addMenu("График");
  GrafItem = graf->menuAction();
  GrafItem->setObjectName("GrafItem");
  AddItem = graf->addAction("Добавить", this, [this] { AddGraph(); });
  AddItem->setObjectName("AddItem");
  EditItem = graf->addAction("Свойства", this, [this] { EditGraph(); });
  EditItem->setObjectName("EditItem");
  DelItem = graf->addAction("Удалить", this, [this] { DeleteGraph(); });
  DelItem->setObjectName("DelItem");
  DelItem->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
  graf->addSeparator();
  SetItem = graf->addAction("Настройки", this, [this] { Settings(); });
  SetItem->setObjectName("SetItem");
  QMenu* imp = GMenu->addMenu("Импорт");
  ImpItem = imp->menuAction();
  ImpItem->setObjectName("ImpItem");
  // the import commands: made from the program's list of them
  const auto importItem = [&](const char* name, void (TCatGrForm::*command)()) {
    QAction* a = ImportAction("Каталог графиков", name, imp);
    imp->addAction(a);
    connect(a, &QAction::triggered, this, command);
    return a;
  };
  ImpLBItem = importItem("ImpLBItem", &TCatGrForm::ImportLB);
  ImpGRItem = importItem("ImpGRItem", &TCatGrForm::ImportGRC);
  ImpSVEItem = importItem("ImpSVEItem", &TCatGrForm::ImportSVE);
  ImpKOEItem = importItem("ImpKOEItem", &TCatGrForm::ImportKOE);
  imp->addSeparator();
  SaveItem = imp->addAction("Записать данные импорта *.xls", this, [this] { SaveImport(); });
  SaveItem->setObjectName("SaveItem");
  layout->setMenuBar(GMenu);

  auto* bar = new QHBoxLayout;
  GrafBtn = ToolButton(this, "GrafBtn", "Показать график", true);
  ValBtn = ToolButton(this, "ValBtn", "Показать таблицу", true);
  NewBtn = ToolButton(this, "NewBtn", "Добавить график");
  EditBtn = ToolButton(this, "EditBtn", "Свойства графика");
  PrnCatBtn = ToolButton(this, "PrnCatBtn", "Печать каталога графиков");
  LoadBtn = ToolButton(this, "LoadBtn", "Загрузить график");
  SetBtn = ToolButton(this, "SetBtn", "Настройки");
  PrnGrafBtn = ToolButton(this, "PrnGrafBtn", "Печать графика");
  MulGrafBtn = ToolButton(this, "MulGrafBtn", "Совместное отображение графиков", true);
  LGrafik = new QLabel(this);
  LGrafik->setObjectName("LGrafik");
  for (QToolButton* b : {GrafBtn, ValBtn, NewBtn, EditBtn, PrnCatBtn, LoadBtn, SetBtn, PrnGrafBtn, MulGrafBtn})
    bar->addWidget(b);
  bar->addWidget(LGrafik, 1);
  layout->addLayout(bar);
  connect(GrafBtn, &QToolButton::clicked, this, [this] { ToggleGraf(); });
  connect(ValBtn, &QToolButton::clicked, this, [this] { ToggleVal(); });
  connect(NewBtn, &QToolButton::clicked, this, [this] { AddGraph(); });
  connect(EditBtn, &QToolButton::clicked, this, [this] { EditGraph(); });
  connect(PrnCatBtn, &QToolButton::clicked, this, [this] { PrintCatalog(); });
  connect(LoadBtn, &QToolButton::clicked, this, [this] { LoadGraph(); });
  connect(SetBtn, &QToolButton::clicked, this, [this] { Settings(); });
  connect(PrnGrafBtn, &QToolButton::clicked, this, [this] { PrintPlot(); });
  connect(MulGrafBtn, &QToolButton::clicked, this, [this] { ToggleMul(); });

  split_ = new QSplitter(Qt::Vertical, this);
  split_->setObjectName("Split");
  split_->setChildrenCollapsible(false);
  auto* top = new QWidget(split_);
  auto* topLayout = new QHBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  CatGrid = new TDataGrid5(top);
  CatGrid->setObjectName("CatGrid");
  auto* catScroll = new QScrollBar(Qt::Vertical, top);
  CatGrid->SetScrollBar(catScroll);
  topLayout->addWidget(CatGrid, 1);
  topLayout->addWidget(catScroll);

  valuePanel_ = new QWidget(top);
  auto* valueLayout = new QHBoxLayout(valuePanel_);
  valueLayout->setContentsMargins(0, 0, 0, 0);
  ValGrid = new TDataGrid5(valuePanel_);
  ValGrid->setObjectName("ValGrid");
  auto* valScroll = new QScrollBar(Qt::Vertical, valuePanel_);
  ValGrid->SetScrollBar(valScroll);
  valueLayout->addWidget(ValGrid, 1);
  valueLayout->addWidget(valScroll);
  Panel5 = new QWidget(valuePanel_);
  Panel5->setObjectName("Panel5");
  auto* panel5 = new QVBoxLayout(Panel5);
  SaveValBtn = ToolButton(Panel5, "SaveValBtn", "Сохранить данные таблицы");
  PrnValBtn = ToolButton(Panel5, "PrnValBtn", "Печать таблицы");
  MaxBtn = ToolButton(Panel5, "MaxBtn", "Max");
  MaxBtn->setToolTip("Поиск максимума");
  MinBtn = ToolButton(Panel5, "MinBtn", "Min");
  MinBtn->setToolTip("Поиск минимума");
  CorBtn = ToolButton(Panel5, "CorBtn", "Редакция значений таблицы", true);
  for (QToolButton* b : {SaveValBtn, PrnValBtn, MaxBtn, MinBtn, CorBtn}) panel5->addWidget(b);
  panel5->addStretch();
  valueLayout->addWidget(Panel5);
  topLayout->addWidget(valuePanel_);
  connect(SaveValBtn, &QToolButton::clicked, this, [this] { SaveValues(false); });
  connect(PrnValBtn, &QToolButton::clicked, this, [this] { PrintValues(); });
  connect(MaxBtn, &QToolButton::clicked, this, [this] { FindMax(); });
  connect(MinBtn, &QToolButton::clicked, this, [this] { FindMin(); });
  connect(CorBtn, &QToolButton::clicked, this, [this] { ToggleCor(); });

  plotPanel_ = new QWidget(split_);
  auto* plotLayout = new QVBoxLayout(plotPanel_);
  plotLayout->setContentsMargins(0, 0, 0, 0);
  GrafBox = new TGraphBox(plotPanel_);
  GScroll = new QScrollBar(Qt::Horizontal, plotPanel_);
  GScroll->setObjectName("GScroll");
  GScroll->setPageStep(25);
  GrafBox->SetScroller(GScroll);
  plotLayout->addWidget(GrafBox, 1);
  plotLayout->addWidget(GScroll);
  connect(GScroll, &QScrollBar::valueChanged, this, [this](int v) {
    GrafBox->ScrollPos = std::max(1, v);
    GrafBox->update();
  });
  split_->addWidget(top);
  split_->addWidget(plotPanel_);
  layout->addWidget(split_, 1);

  auto* status = new QHBoxLayout;
  ProcBar = new QProgressBar(this);
  ProcBar->setObjectName("ProcBar");
  ProcBar->setRange(0, 100);
  PerBox = StatusLabel(this, "PerBox");
  DateBox = StatusLabel(this, "DateBox");
  HelpBox = StatusLabel(this, "HelpBox");
  SredBox = StatusLabel(this, "SredBox");
  KvadBox = StatusLabel(this, "KvadBox");
  status->addWidget(ProcBar);
  status->addWidget(PerBox);
  status->addWidget(DateBox);
  status->addWidget(HelpBox, 1);
  status->addWidget(SredBox);
  status->addWidget(KvadBox);
  layout->addLayout(status);

  OkPanel = new QWidget(this);
  OkPanel->setObjectName("OkPanel");
  auto* ok = new QHBoxLayout(OkPanel);
  auto* okBtn = new QPushButton("Выбрать", OkPanel);
  okBtn->setObjectName("OkBtn");
  auto* cancelBtn = new QPushButton("Отменить", OkPanel);
  cancelBtn->setObjectName("CancelBtn");
  ok->addStretch();
  ok->addWidget(okBtn);
  ok->addWidget(cancelBtn);
  layout->addWidget(OkPanel);
  connect(okBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  CatGrid->OnMoveProc = [this](PDataFile df, int col, int) {
    HelpBox->setText(col >= 1 && col <= df->NCols ? Q(" " + df->Comment[static_cast<std::size_t>(col)]) : QString());
  };
  CatGrid->OnSetMaketProc = [this](PDataFile) { CatGrid->WidenColumnsToFit(); };
  CatGrid->OnExtKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && LoadBtn->isEnabled()) {
      key = 0;
      LoadGraph();
    }
  };
}

void TCatGrForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TCatGrForm::FormShow() {
  const bool writer = UserAccess != 0;
  try {
    CatGrid->OpenFile(FamilyFile(basePath_, GetMaketExtention(GraphCatalogMaket)), 1, 1, 1, writer, false, false);
    // The catalogue is put in number order before a number is searched in it; only a user who may
    // write keeps the sorted file.
    if (writer) {
      CatGrid->SortAndSave();
    } else {
      TDataFile& table = *CatGrid->GetTable();
      bool changed = false;
      SortTable(table, table.NOrder,
                std::span<const std::uint8_t>(&table.Order[1], static_cast<std::size_t>(std::max<int>(0, table.NOrder))),
                changed);
      CatGrid->Refresh();
    }
    FillCols();
    if (graphNo_ != kNoGraphSearch) {
      bool found = false;
      const int row = BinarySearchColumn(&graphNo_, *cols_.Ngr, 'l', found, cols_.RowCount);
      if (found) CatGrid->GotoRow(row);
    }
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  ReadGraphDisplaySettings(ConfigFileName, display_);
  GrafBox->Settings = display_.Plot;
  graphNo_ = 0;

  PrnGrafBtn->setEnabled(false);
  MulGrafBtn->setEnabled(false);
  LoadBtn->setEnabled(false);
  LGrafik->clear();
  Panel5->hide();
  valuePanel_->hide();
  plotPanel_->hide();
  ProcBar->hide();
  ValGrid->CloseTable();
  DateBox->setText(Q(GraphPeriodText(display_.Date1, display_.Date2)));
  PerBox->setText(" Интервал: ");
  ClearStatistics();

  HideMenuTags(*CatGrid, {3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16});
  HideMenuTags(*ValGrid, {3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 16});

  for (QAction* a : {GrafItem, ImpItem}) a->setEnabled(writer);
  for (QWidget* w : std::initializer_list<QWidget*>{NewBtn, EditBtn, SetBtn}) w->setEnabled(writer);
  CorBtn->setEnabled(false);
  SaveValBtn->setEnabled(false);
}

void TCatGrForm::FillCols() { FillGraphCatalogCols(CatGrid->table(), cols_); }

void TCatGrForm::ClearStatistics() {
  SredBox->setText(" Vср = ");
  KvadBox->setText(" Vкв = ");
}

void TCatGrForm::SaveCatalog(const std::vector<std::pair<std::string, TDataFile*>>& together) {
  if (UserAccess == 0) return;
  CatGrid->Refresh();
  CatGrid->SetModified(true);
  const bool ask = CatGrid->AskSave;
  CatGrid->AskSave = false;
  CatGrid->Guarded([&] { CatGrid->SaveFile(together); });
  CatGrid->AskSave = ask;
  FillCols();
}

// ---------------------------------------------------------------- showing a graph

void TCatGrForm::ShowGraph() {
  FillCols();
  const int row = FindGraphCatalogRow(cols_, graphNo_);
  const bool joint = MulGrafBtn->isChecked();
  LGrafik->setText(Q(GraphCaption(cols_, row)));
  const bool daily = row > 0 && cols_.Typ->Get(row) == kGraphDaily && cols_.Nt->Get(row) != 0;
  CorBtn->setEnabled(UserAccess != 0 && row > 0 && !joint);
  if (!CorBtn->isEnabled()) CorBtn->setChecked(false);
  SaveValBtn->setEnabled(CorBtn->isChecked() && !daily);

  DAdouble dates, values;
  int period = joint ? display_.CurPeriod : (row > 0 ? cols_.Per->Get(row) : 0);
  if (row > 0) {
    std::string error;
    const bool raw = CorBtn->isChecked() && !daily;
    try {
      if (!LoadCatalogGraph(basePath_, cols_, row, display_.Date1, display_.Date2, joint, display_.CurPeriod, raw,
                            dates, values, period, error))
        ShowMsgForm(error, mkError, mbOk);
    } catch (const std::exception& e) {
      ShowMsgForm(e.what(), mkError, mbOk);
    }
    GrafBox->Joint = joint;
    GrafBox->SetTimeValues(dates);
    GrafBox->AddGraph(graphNo_, cols_.Tit->GetItem(row), cols_.Zam->Get(row), cols_.Unt->GetItem(row), values);
    GrafBox->Period = period;
    GrafBox->ScrollPos = 1;
    GScroll->setValue(1);
  }
  PerBox->setText(Q(" Интервал: " + (period > 0 ? DurationToStr(period) : std::string()) + " "));
  std::string mean, rms;
  GraphStatTexts(values, mean, rms);
  SredBox->setText(Q(mean));
  KvadBox->setText(Q(rms));
  if (GrafBtn->isChecked()) GrafBox->update();
  if (ValBtn->isChecked() && row > 0) {
    RebuildValueTable(ValueGridDateTitle(cols_.Typ->Get(row)),
                      ValueGridValueTitle(cols_.Zam->Get(row), cols_.Unt->GetItem(row)));
    TDataFile& grid = *ValGrid->GetTable();
    TGraphGridCols g;
    FillGraphGridCols(grid, g);
    const int n = values.Count;
    ProcBar->setValue(0);
    ProcBar->show();
    const int step = std::max(1, n / 10);
    for (int i = 1; i <= n; ++i) {
      (*g.Date)[i] = dates.Get(i);
      (*g.Value)[i] = values.Get(i);
      g.DateStr->SetItem(i, PackedDateTimeToStr(period, dates.Get(i)));
      if (i % step == 0 || i == n) ProcBar->setValue(i * 100 / n);
    }
    ProcBar->hide();
    // every slice text has one format; the first and the last show how wide the column must be
    std::vector<std::pair<std::string, std::string>> samples;
    if (n > 0) samples = {{"DateStr", g.DateStr->GetItem(1)}, {"DateStr", g.DateStr->GetItem(n)}};
    ValGrid->WidenColumnsToFit(samples);
    ValGrid->Refresh();
    ValGrid->ShowAll();
    ValGrid->setMinimumWidth(std::max(ValGrid->minimumWidth(), ValGrid->NaturalWidth() + 4));
    ValGrid->SetEditTable(CorBtn->isChecked() && !daily);
    ValGrid->SetModified(false);
    CatGrid->setFocus();
  }
}

void TCatGrForm::RebuildValueTable(const std::string& dateTitle, const std::string& valueTitle) {
  ValGrid->SetMaket(GraphValueGridMaket);
  TDataFile& grid = *ValGrid->GetTable();
  TGraphGridCols g;
  FillGraphGridCols(grid, g);
  const int rows = GrafBox->PointCount();
  if (rows > 0) InsertTableRows(grid, 1, rows);
  grid.ColTitle[static_cast<std::size_t>(FindColumnIndex("DateStr", grid))] = dateTitle;
  grid.ColTitle[static_cast<std::size_t>(FindColumnIndex("Value", grid))] = valueTitle;
  ValGrid->OnSaveProc = [this](PDataFile) { SaveValues(false); };
}

void TCatGrForm::ResetGraph() {
  graphNo_ = 0;
  LGrafik->clear();
  PerBox->setText(" Интервал: ");
  ClearStatistics();
  CorBtn->setChecked(false);
  CorBtn->setEnabled(false);
  SaveValBtn->setEnabled(false);
  GrafBox->ClearGraphs();
  GrafBox->update();
}

void TCatGrForm::UpdateLoadBtn() {
  const bool on = GrafBtn->isChecked() || ValBtn->isChecked();
  const bool was = LoadBtn->isEnabled();
  LoadBtn->setEnabled(on);
  if (was && !on) ResetGraph();
}

void TCatGrForm::LoadGraph() {
  if (!LoadBtn->isEnabled()) return;
  if (ValGrid->Modified() && !SaveValues(true)) return;
  FillCols();
  const int row = CatGrid->CurrentTableRow();
  if (row >= 1 && row <= cols_.RowCount) {
    graphNo_ = cols_.Ngr->Get(row);
    ShowGraph();
    return;
  }
  if (!ValBtn->isChecked()) return;
  // Below the last row: the whole values table.
  try {
    const std::string file = FamilyFile(basePath_, GetMaketExtention(GraphValuesMaket));
    if (!std::filesystem::exists(file)) {
      const auto cut = basePath_.find_last_of("/\\:");
      CreateEmptyTableFile(file, GraphValuesMaket, cut == std::string::npos ? basePath_ : basePath_.substr(cut + 1));
    }
    ResetGraph();
    ValGrid->OnSaveProc = nullptr;
    ValGrid->OpenFile(file, 1, 1, 1, false, true, false);
    ValGrid->setMinimumWidth(std::max(ValGrid->minimumWidth(), ValGrid->NaturalWidth() + 4));
    CorBtn->setEnabled(UserAccess != 0);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

bool TCatGrForm::SaveValues(bool ask) {
  if (graphNo_ == 0) {
    if (ValGrid->FileName().empty()) return true;
    ValGrid->SetModified(true);
    bool saved = true;
    ValGrid->Guarded([&] { saved = ValGrid->SaveFile(); });
    return saved;
  }
  int answer = 1;
  if (ask)
    answer = ShowMsgForm("Сохранить изменения графика № " + IntToStr(graphNo_) + " ?", mkWarning, mbYesNoCancel);
  if (answer == 1 && UserAccess != 0) {
    TGraphGridCols g;
    FillGraphGridCols(ValGrid->table(), g);
    DAdouble dates, values;
    for (int i = 1; i <= g.RowCount; ++i) {
      dates[i] = g.Date->Get(i);
      values[i] = g.Value->Get(i);
    }
    dates.Count = values.Count = g.RowCount;
    try {
      if (StoreGraphValues(basePath_, graphNo_, dates, values)) {
        FillCols();
        const int row = FindGraphCatalogRow(cols_, graphNo_);
        if (row > 0) WidenGraphDates(cols_, row, dates.Get(1), dates.Get(dates.Count));
        SaveCatalog();
      }
      ValGrid->SetModified(false);
      ShowGraph();
    } catch (const std::exception& e) {
      ShowMsgForm("Ошибка записи графика № " + IntToStr(graphNo_) + ": " + e.what(), mkError, mbOk);
    }
  }
  if (answer != 2) ValGrid->SetModified(false);
  return answer != 2;
}

// ---------------------------------------------------------------- toggles

void TCatGrForm::ToggleGraf() {
  if (GrafBtn->isChecked()) {
    plotPanel_->show();
    split_->setSizes({108, std::max(100, split_->height() - 108)});
    PrnGrafBtn->setEnabled(true);
    MulGrafBtn->setEnabled(true);
  } else {
    if (MulGrafBtn->isChecked()) {
      MulGrafBtn->setChecked(false);
      ToggleMul();
    }
    PrnGrafBtn->setEnabled(false);
    MulGrafBtn->setEnabled(false);
    plotPanel_->hide();
  }
  UpdateLoadBtn();
}

void TCatGrForm::ToggleVal() {
  if (ValBtn->isChecked()) {
    CorBtn->setChecked(false);
    SaveValBtn->setEnabled(false);
    valuePanel_->show();
    Panel5->show();
    ShowGraph();
    valuePanel_->layout()->activate();
  } else {
    if (ValGrid->Modified() && !SaveValues(true)) {
      ValBtn->setChecked(true);
      return;
    }
    ValGrid->CloseTable();
    Panel5->hide();
    valuePanel_->hide();
  }
  UpdateLoadBtn();
}

void TCatGrForm::ToggleMul() {
  if (ValGrid->Modified() && !SaveValues(true)) {
    MulGrafBtn->setChecked(!MulGrafBtn->isChecked());
    return;
  }
  if (!MulGrafBtn->isChecked()) GrafBox->Joint = false;
  ShowGraph();
}

void TCatGrForm::ToggleCor() {
  if (ValGrid->Modified() && !SaveValues(true)) {
    CorBtn->setChecked(!CorBtn->isChecked());
    return;
  }
  if (graphNo_ == 0) {
    // The whole values table is edited as the file it is.
    ValGrid->SetEditTable(CorBtn->isChecked());
    SaveValBtn->setEnabled(CorBtn->isChecked());
    return;
  }
  // The stored values themselves are shown while they are corrected, so that what is saved is what
  // was stored, whatever the display makes of energies and daily values.
  ShowGraph();
}

void TCatGrForm::FindMax() {
  TGraphGridCols g;
  if (ValGrid->table().NCols == 0) return;
  FillGraphGridCols(ValGrid->table(), g);
  if (const int row = GraphMaxRow(*g.Value, g.RowCount); row > 0) ValGrid->GotoRow(row);
  ValGrid->setFocus();
}

void TCatGrForm::FindMin() {
  TGraphGridCols g;
  if (ValGrid->table().NCols == 0) return;
  FillGraphGridCols(ValGrid->table(), g);
  if (const int row = GraphMinRow(*g.Value, g.RowCount); row > 0) ValGrid->GotoRow(row);
  ValGrid->setFocus();
}

// ---------------------------------------------------------------- catalogue commands

void TCatGrForm::AddGraph() {
  if (UserAccess == 0) return;
  int row = 0;
  if (!EditGraphParams(*CatGrid->GetTable(), false, row)) return;
  CatGrid->Refresh();
  CatGrid->Last();
  SaveCatalog();
}

void TCatGrForm::EditGraph() {
  if (UserAccess == 0) return;
  FillCols();
  int row = CatGrid->CurrentTableRow();
  if (row < 1 || row > cols_.RowCount) return;
  try {
    const auto values = OpenGraphValues(basePath_);
    const int oldNo = cols_.Ngr->Get(row);
    if (!EditGraphParams(*CatGrid->GetTable(), GraphHasValues(*values, oldNo), row)) return;
    FillCols();
    const int newNo = cols_.Ngr->Get(row);
    // the values take their graph's new number in the catalogue's own run: never a catalogue whose
    // graph lost its values to the number it had
    std::vector<std::pair<std::string, TDataFile*>> together;
    if (newNo != oldNo && RenumberGraphValues(*values, oldNo, newNo) > 0)
      together.emplace_back(basePath_ + GetMaketExtention(GraphValuesMaket), values.get());
    SaveCatalog(together);
    if (TGElem* s = GrafBox->FindSeries(oldNo)) {
      s->Number = newNo;
      s->Title = cols_.Tit->GetItem(row);
      s->Letter = cols_.Zam->Get(row);
      s->Unit = cols_.Unt->GetItem(row);
      GrafBox->update();
    }
    if (newNo != oldNo && graphNo_ == oldNo) graphNo_ = newNo;
    if (graphNo_ == newNo) ShowGraph();
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

void TCatGrForm::DeleteGraph() {
  if (UserAccess == 0) return;
  FillCols();
  const int row = CatGrid->CurrentTableRow();
  if (row < 1 || row > cols_.RowCount) return;
  const int number = cols_.Ngr->Get(row);
  if (ShowMsgForm("Удалить график номер " + IntToStr(number) + " ?", mkWarning, mbYesNo) != 1) return;
  const bool askDelete = CatGrid->AskDelete;
  CatGrid->AskDelete = false;
  CatGrid->SetBlock(TGridBlock{CatGrid->Col(), row, CatGrid->Col(), row});
  CatGrid->Guarded([&] { CatGrid->DeleteRows(); });
  CatGrid->AskDelete = askDelete;
  // the graph's values go in the catalogue's own run
  std::unique_ptr<TDataFile> values;
  try {
    values = OpenGraphValues(basePath_);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  std::vector<std::pair<std::string, TDataFile*>> together;
  if (values && DeleteGraphValueRows(*values, number) > 0)
    together.emplace_back(basePath_ + GetMaketExtention(GraphValuesMaket), values.get());
  SaveCatalog(together);
  int next = number;
  GrafBox->RemoveGraph(next);
  GrafBox->update();
  if (graphNo_ == number) {
    graphNo_ = next;
    ShowGraph();
  }
}

void TCatGrForm::Settings() {
  if (UserAccess == 0) return;
  if (ValGrid->Modified() && !SaveValues(true)) return;
  TGraphPlotSettings& p = GrafBox->Settings;
  const TDateTime oldDate1 = display_.Date1, oldDate2 = display_.Date2;
  const int oldPeriod = display_.CurPeriod;
  TColor back = p.BackColor, frame = p.FrameColor, graph = p.GraphColor;
  if (!ExecuteGraphDisplayDialog(display_.Date1, display_.Date2, display_.CurPeriod, p.Wmin, p.LinWidth, p.Radius, back,
                                 frame, graph, p.FLegend, p.FixedX, p.FixedY, p.Yf1, p.Yf2, p.dY, p.Yx))
    return;
  p.BackColor = back, p.FrameColor = frame, p.GraphColor = graph;
  display_.Plot = p;
  DateBox->setText(Q(GraphPeriodText(display_.Date1, display_.Date2)));
  QPalette palette = GrafBox->palette();
  palette.setColor(QPalette::Window, ToQColor(back));
  GrafBox->setPalette(palette);
  if (MulGrafBtn->isChecked() &&
      (oldDate1 != display_.Date1 || oldDate2 != display_.Date2 || oldPeriod != display_.CurPeriod)) {
    FillCols();
    std::vector<int> others;
    for (const TGElem& s : GrafBox->Series())
      if (s.Number != graphNo_) others.push_back(s.Number);
    for (const int number : others) {
      const int row = FindGraphCatalogRow(cols_, number);
      if (row == 0) continue;
      DAdouble dates, values;
      int period = 0;
      std::string error;
      if (!LoadCatalogGraph(basePath_, cols_, row, display_.Date1, display_.Date2, true, display_.CurPeriod, false,
                            dates, values, period, error)) {
        ShowMsgForm(error, mkError, mbOk);
        continue;
      }
      GrafBox->SetTimeValues(dates);
      GrafBox->AddGraph(number, cols_.Tit->GetItem(row), cols_.Zam->Get(row), cols_.Unt->GetItem(row), values);
    }
  }
  ShowGraph();
}

// ---------------------------------------------------------------- printing

void TCatGrForm::PrintCatalog() {
  std::vector<std::string> lines;
  AppendTablePrintLines(CatGrid->table(), lines);
  PrintTextDocument({"Каталог графиков"}, {}, lines, this);
}

void TCatGrForm::PrintValues() {
  FillCols();
  const int row = FindGraphCatalogRow(cols_, graphNo_);
  if (row == 0 || ValGrid->table().NCols == 0) return;
  std::vector<std::string> lines;
  AppendTablePrintLines(ValGrid->table(), lines);
  PrintTextDocument({"График: " + GraphCaption(cols_, row), GraphPeriodText(display_.Date1, display_.Date2)}, {},
                    lines, this);
}

void TCatGrForm::PrintPlot() { PrintGraph(*GrafBox); }

// ---------------------------------------------------------------- closing

bool TCatGrForm::CloseQuery() {
  if (ValGrid->Modified() && !SaveValues(true)) return false;
  if (CatGrid->Modified()) {
    CatGrid->AskSave = true;
    bool saved = true;
    if (!CatGrid->Guarded([&] { saved = CatGrid->SaveFile(); }) || !saved) return false;
  }
  display_.Plot = GrafBox->Settings;
  WriteGraphDisplaySettings(ConfigFileName, display_);
  return true;
}

void TCatGrForm::done(int result) {
  if (closing_) return;
  closing_ = true;
  const bool ok = CloseQuery();
  closing_ = false;
  if (ok) QDialog::done(result);
}

void TCatGrForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

bool ShowGraphCatalog(const std::string& BasePath, int& GraphNo) {
  try {
    const std::string file = FamilyFile(BasePath, GetMaketExtention(GraphCatalogMaket));
    if (!std::filesystem::exists(file)) {
      const auto cut = BasePath.find_last_of("/\\:");
      CreateEmptyTableFile(file, GraphCatalogMaket, cut == std::string::npos ? BasePath : BasePath.substr(cut + 1));
    }
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return false;
  }
  TCatGrForm form(BasePath, GraphNo);
  if (ExecModal(form) != QDialog::Accepted) return false;
  TGraphCatalogCols cols;
  FillGraphCatalogCols(form.CatGrid->table(), cols);
  const int row = form.CatGrid->CurrentTableRow();
  GraphNo = row >= 1 && row <= cols.RowCount ? cols.Ngr->Get(row) : 0;
  return true;
}

}  // namespace ld::gui
