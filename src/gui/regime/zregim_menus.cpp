// The regime window's panels, menus and tool bar.
#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/common/named_widget.h"
#include "gui/common/report_font.h"
#include "gui/regime/zregim_form.h"
#include "gui/common/import_commands.h"

namespace ld::gui {

namespace {

QLabel* StatusLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAutoFillBackground(true);
  return label;
}

QWidget* Panel(QWidget* parent, const char* name) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(name);
  return panel;
}

}  // namespace

void TZregimForm::BuildPanels() {
  auto* central = new QWidget(this);
  central->setObjectName("CentralPanel");
  setCentralWidget(central);
  topLayout_ = new QVBoxLayout(central);
  topLayout_->setContentsMargins(0, 0, 0, 0);
  topLayout_->setSpacing(1);

  ToolPanel = Panel(central, "ToolPanel");
  topLayout_->addWidget(ToolPanel);

  LossPanel = Panel(central, "LossPanel");
  auto* loss = new QHBoxLayout(LossPanel);
  loss->setContentsMargins(2, 2, 2, 2);
  RayonBox = new QComboBox(LossPanel);
  RayonBox->setObjectName("RayonBox");
  RayonBox->setEditable(true);
  EquipBox = new QComboBox(LossPanel);
  EquipBox->setObjectName("EquipBox");
  UnomBox = new QComboBox(LossPanel);
  UnomBox->setObjectName("UnomBox");
  BalansBox = new QComboBox(LossPanel);
  BalansBox->setObjectName("BalansBox");
  CalcLossBtn = new QToolButton(LossPanel);
  CalcLossBtn->setObjectName("CalcLossBtn");
  CalcLossBtn->setText("Расчет");
  for (QWidget* w : std::initializer_list<QWidget*>{RayonBox, EquipBox, UnomBox, BalansBox, CalcLossBtn})
    loss->addWidget(w);
  loss->addStretch();
  LossPanel->hide();
  topLayout_->addWidget(LossPanel);

  SchPanel = Panel(central, "SchPanel");
  auto* sch = new QHBoxLayout(SchPanel);
  sch->setContentsMargins(2, 2, 2, 2);
  CorrectBtn = new QToolButton(SchPanel);
  CorrectBtn->setObjectName("CorrectBtn");
  CorrectBtn->setText("Правка");
  CorrectBtn->setCheckable(true);
  sch->addWidget(CorrectBtn);
  sch->addStretch();
  SchPanel->hide();
  topLayout_->addWidget(SchPanel);

  BalansPanel = Panel(central, "BalansPanel");
  auto* balans = new QHBoxLayout(BalansPanel);
  balans->setContentsMargins(0, 0, 0, 0);
  TreeView = new QTreeWidget(BalansPanel);
  TreeView->setObjectName("TreeView");
  TreeView->setHeaderHidden(true);
  BalansGrid = new TDataGrid5(BalansPanel);
  BalansGrid->setObjectName("BalansGrid");
  balans->addWidget(TreeView, 1);
  balans->addWidget(BalansGrid, 3);
  BalansPanel->setMinimumHeight(160);
  BalansPanel->hide();
  topLayout_->addWidget(BalansPanel);

  Split3 = new QFrame(central);
  Split3->setObjectName("Split3");
  static_cast<QFrame*>(Split3)->setFrameShape(QFrame::HLine);
  Split3->hide();
  topLayout_->addWidget(Split3);

  Split = new QSplitter(Qt::Vertical, central);
  Split->setObjectName("Split");
  Split->setChildrenCollapsible(false);
  Split1 = new QSplitter(Qt::Horizontal, Split);
  Split1->setObjectName("Split1");
  MainPanel = Panel(Split1, "MainPanel");
  auto* main = new QVBoxLayout(MainPanel);
  main->setContentsMargins(0, 0, 0, 0);
  main->setSpacing(0);
  auto* gridRow = new QHBoxLayout;
  DataGrid_ = new TDataGrid5(MainPanel);
  DataGrid_->setObjectName("DataGrid");
  auto* scroll = new QScrollBar(Qt::Vertical, MainPanel);
  scroll->setObjectName("DataGridScroll");
  DataGrid_->SetScrollBar(scroll);
  gridRow->addWidget(DataGrid_, 1);
  gridRow->addWidget(scroll);
  // the grid and the side lists share one place: whichever is shown takes all of it
  main->addLayout(gridRow, 0);
  NoSupBox = new QListWidget(MainPanel);
  NoSupBox->setObjectName("NoSupBox");
  NoSupBox->setSortingEnabled(true);
  ConturBox = new QListWidget(MainPanel);
  ConturBox->setObjectName("ConturBox");
  SubstList = new QListWidget(MainPanel);
  SubstList->setObjectName("SubstList");
  Memo1 = new QPlainTextEdit(MainPanel);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  // the protocols are laid out in columns of blanks
  Memo1->setFont(ReportFont());
  for (QWidget* w : std::initializer_list<QWidget*>{NoSupBox, ConturBox, SubstList, Memo1}) {
    main->addWidget(w, 1);
    w->hide();
  }
  SchPanel2 = Panel(Split1, "SchPanel2");
  SchPanel2->setAutoFillBackground(true);
  SchPanel2->hide();
  Split1->addWidget(MainPanel);
  Split1->addWidget(SchPanel2);
  Info = new QTextEdit(Split);
  Info->setObjectName("Info");
  Info->setReadOnly(true);
  Info->setLineWrapMode(QTextEdit::NoWrap);
  Info->hide();
  Split->addWidget(Split1);
  Split->addWidget(Info);
  Split->setStretchFactor(0, 3);
  Split->setStretchFactor(1, 1);
  topLayout_->addWidget(Split, 1);

  HelpPanel = Panel(central, "HelpPanel");
  auto* help = new QHBoxLayout(HelpPanel);
  help->setContentsMargins(1, 1, 1, 1);
  help->setSpacing(2);
  NodesText = StatusLabel(HelpPanel, "NodesText", " Узлов: 0 ");
  LinesText = StatusLabel(HelpPanel, "LinesText", " Ветвей: 0 ");
  BPText = StatusLabel(HelpPanel, "BPText", " БП: 0 ");
  FMText = StatusLabel(HelpPanel, "FMText", " ФМ: 0 ");
  NoSupText = StatusLabel(HelpPanel, "NoSupText", " Нет питания: 0 ");
  ConturText = StatusLabel(HelpPanel, "ConturText", " Контуров: 0 ");
  VM = StatusLabel(HelpPanel, "VM", " U- ");
  VP = StatusLabel(HelpPanel, "VP", " U+ ");
  IL = StatusLabel(HelpPanel, "IL", " Iл ");
  ST = StatusLabel(HelpPanel, "ST", " Sт ");
  for (QLabel* l : {NodesText, LinesText, BPText, FMText, NoSupText, ConturText, VM, VP, IL, ST}) help->addWidget(l);
  StopBar = new QToolButton(HelpPanel);
  StopBar->setObjectName("StopBar");
  StopBar->setText(" Стоп ");
  StopBar->setAutoRaise(true);
  StopBar->hide();
  help->addWidget(StopBar);
  HelpText = new QLabel(HelpPanel);
  HelpText->setObjectName("HelpText");
  // A long status text is cut at the window's edge rather than widening the window for good.
  HelpText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  help->addWidget(HelpText, 1);
  ProcBar = new QProgressBar(HelpPanel);
  ProcBar->setObjectName("ProcBar");
  ProcBar->setRange(0, 100);
  ProcBar->setFixedWidth(160);
  ProcBar->hide();
  help->addWidget(ProcBar);
  topLayout_->addWidget(HelpPanel);
}

void TZregimForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [&](const char* name, const QString& caption) {
    QMenu* m = bar->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(QString(name) + "Action");
    return m;
  };
  auto item = [&](QMenu* m, const char* name, const QString& caption, const QKeySequence& key = {}) {
    QAction* a = m->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
  };
  // an import command: made from the program's list of them
  auto importItem = [&](QMenu* m, const char* name) {
    QAction* a = ImportAction("Режим", name, m);
    m->addAction(a);
    return a;
  };

  FileItem = menu("FileItem", "Схема");
  NewItem = item(FileItem, "NewItem", "Создать");
  OpenItem = item(FileItem, "OpenItem", "Загрузить");
  SaveItem = item(FileItem, "SaveItem", "Сохранить", QKeySequence("Ctrl+S"));
  SaveAsItem = item(FileItem, "SaveAsItem", "Сохранить как");
  FileItem->addSeparator();
  PrintItem = item(FileItem, "PrintItem", "Печать");
  FileItem->addSeparator();
  ImportCDU = importItem(FileItem, "ImportCDU");
  ExportCDU = item(FileItem, "ExportCDU", "Экспорт ЦДУ");
  FileItem->addSeparator();
  QuitItem = item(FileItem, "QuitItem", "Выход");

  DataItem = menu("DataItem", "Данные");
  NodesItem = item(DataItem, "NodesItem", "Узлы схемы");
  LinesItem = item(DataItem, "LinesItem", "Ветви схемы");
  FiderItem = item(DataItem, "FiderItem", "Перетоки в линиях");
  RayonItem = item(DataItem, "RayonItem", "Районы схемы");
  DataItem->addSeparator()->setObjectName("SwitchSeparator");
  SwitchItem = item(DataItem, "SwitchItem", "Журнал переключений", QKeySequence("Ctrl+G"));
  ReconfigItem = item(DataItem, "ReconfigItem", "Реконфигурация схемы", QKeySequence("Ctrl+K"));
  TestSwtItem = item(DataItem, "TestSwtItem", "Тест переключений", QKeySequence("Ctrl+T"));
  DataItem->addSeparator()->setObjectName("NewMonthSeparator");
  NewMonthItem = item(DataItem, "NewMonthItem", "Очистка данных (новый месяц)");
  MeteringItems[0] = item(DataItem, "MeterItem1", "Импорт профилей нагрузки");
  MeteringItems[1] = item(DataItem, "MeterItem2", "Импорт показаний счетчиков");
  MeteringItems[2] = item(DataItem, "MeterItem3", "Импорт суточных итогов");
  DataItem->addSeparator()->setObjectName("ImpZamerSeparator");
  ImpZamer = importItem(DataItem, "ImpZamer");
  // The PNT,LIN files are read by a key of the node table (DataGridExtKeyDown), which starts this action
  // of the list; it stands in no menu.
  Bind(ImportAction("Режим", "ReadPntLin", this), [this] { ReadPntLinFiles(); });

  ControlItem = menu("ControlItem", "Контроль схемы");
  ARKItem = item(ControlItem, "ARKItem", "Анализ конфигурации");
  ControlItem->addSeparator();
  NoSupItem = item(ControlItem, "NoSupItem", "Узлы без питания");
  ConturItem = item(ControlItem, "ConturItem", "Замкнутые контура");
  PSItem = item(ControlItem, "PSItem", "Список подстанций");
  ControlItem->addSeparator();
  RecalcItem = item(ControlItem, "RecalcItem", "Перерасчет R,X");
  RecalcItem->setEnabled(false);

  RegimItem = menu("RegimItem", "Режим");
  CalcItem = item(RegimItem, "CalcItem", "Расчет режима схемы", QKeySequence("Ctrl+R"));
  BalansFiderItem = item(RegimItem, "BalansFiderItem", "Балансировка схемы");
  RegimItem->addSeparator();
  VoltItem = item(RegimItem, "VoltItem", "Напряжения узлов");
  TokLnItem = item(RegimItem, "TokLnItem", "Загрузка линий");
  TokTrItem = item(RegimItem, "TokTrItem", "Загрузка тр-ров");
  LossLnItem = item(RegimItem, "LossLnItem", "Потери в линиях");
  LossTrItem = item(RegimItem, "LossTrItem", "Потери в тр-рах");
  LossesItem = item(RegimItem, "LossesItem", "Потери в схеме");
  LossesItem->setCheckable(true);
  RegimItem->addSeparator();
  ResultItem = item(RegimItem, "ResultItem", "Общие характеристики");

  WItem = menu("WItem", "Потери энергии");
  TreItem = item(WItem, "TreItem", "Расчет ТРЭ");
  WCalcItem = item(WItem, "WCalcItem", "Расчет потерь");
  WItem->addSeparator();
  WLossLnItem = item(WItem, "WLossLnItem", "Потери в линиях");
  WLossTrItem = item(WItem, "WLossTrItem", "Потери в тр-рах");
  WFlowLnItem = item(WItem, "WFlowLnItem", "Загрузка линий");
  WFlowTrItem = item(WItem, "WFlowTrItem", "Загрузка тр-ров");
  WNodItem = item(WItem, "WNodItem", "Потребление в узлах");
  NodeItem = item(WItem, "NodeItem", "Node");
  LineItem = item(WItem, "LineItem", "Line");
  NodeItem->setVisible(false);
  LineItem->setVisible(false);
  WLossItem = item(WItem, "WLossItem", "Потери в схеме");
  WLossItem->setCheckable(true);
  WLossPrnItem = item(WItem, "WLossPrnItem", "Отчет по потерям");
  WItem->addSeparator();
  WResultItem = item(WItem, "WResultItem", "Общие характеристики");
  WMsgItem = item(WItem, "WMsgItem", "Контрольные сообщения");

  OptimItem = menu("OptimItem", "Оптимизация");
  RazrezItem = item(OptimItem, "RazrezItem", "Места разрывов");
  TransformItem = item(OptimItem, "TransformItem", "Трансформаторы");
  ReactivItem = item(OptimItem, "ReactivItem", "Реактив. мощности");
  OptimT2Item = item(OptimItem, "OptimT2Item", "Вкл. тр-ры (Т1, Т2)");

  TaskItem = menu("TaskItem", "Задачи");
  CalcEERMItem = item(TaskItem, "CalcEERMItem", "Расчет ЭЭРМ узлов");
  PrintEERMItem = item(TaskItem, "PrintEERMItem", "Ведомость ЭЭРМ Д1");
  TaskItem->addSeparator();
  EERMTestItem = item(TaskItem, "EERMTestItem", "Тест ЭЭРМ");
  EEAMTestItem = item(TaskItem, "EEAMTestItem", "Тест ЭЭАМ");
  TaskItem->addSeparator();
  CalcFlowsKoefItem = item(TaskItem, "CalcFlowsKoefItem", "Расчет по коэф. совмещ.");
  CalcTgItem = item(TaskItem, "CalcTgItem", "Расчет tgf по классам U");
  TaskItem->addSeparator();
  CalcEmkItem = item(TaskItem, "CalcEmkItem", "Расчет емкостных токов");
  EmkBPItem = item(TaskItem, "EmkBPItem", "Емкостные токи БП");
  EmkRPItem = item(TaskItem, "EmkRPItem", "Емкостные токи РП");
  TaskItem->addSeparator();
  SetRayonItem = item(TaskItem, "SetRayonItem", "Расстановка номеров районов");
  TaskItem->addSeparator();
  EkvZItem = item(TaskItem, "EkvZItem", "Эквивалент Z от выбранного узла");
  EkvCut1Item = item(TaskItem, "EkvCut1Item", "Эквивалентный разрыв ветви с начала");
  EkvCut2Item = item(TaskItem, "EkvCut2Item", "Эквивалентный разрыв ветви с конца");
  EkvDelItem = item(TaskItem, "EkvDelItem", "Эквивалентное удаление ветви");
  TaskItem->addSeparator();
  FragItem = item(TaskItem, "FragItem", "Выделение фрагмента графики схемы");
  TaskItem->addSeparator();
  JoinItem = item(TaskItem, "JoinItem", "Стыковка схем по балансирующим узлам");
  BindTaskCommands();

  CatalogItem = menu("CatalogItem", "Каталоги");
  LNItem = item(CatalogItem, "LNItem", "Кабельные, воздушные линии");
  T2Item = item(CatalogItem, "T2Item", "Двухобмоточные трансформаторы");
  T3Item = item(CatalogItem, "T3Item", "Трехобмоточные трансформаторы");
  TRItem = item(CatalogItem, "TRItem", "Расщепленные трансформаторы");
  RTItem = item(CatalogItem, "RTItem", "Токоограничивающие реакторы");
  KAItem = item(CatalogItem, "KAItem", "Коммутационные аппараты");
  CmpCatItem = item(CatalogItem, "CmpCatItem", "Выравнивание каталожных данных");
  CatalogItem->addSeparator();
  T2PItem = item(CatalogItem, "T2PItem", "Двухобмоточные тр-ры (паспортные данные)");
  T3PItem = item(CatalogItem, "T3PItem", "Трехобмоточные тр-ры (паспортные данные)");
  TRPItem = item(CatalogItem, "TRPItem", "Расщепленные тр-ры (паспортные данные)");
  RTPItem = item(CatalogItem, "RTPItem", "Токоогр. реакторы (паспортные данные)");
  CatalogItem->addSeparator();
  UnItem = item(CatalogItem, "UnItem", "Номинальные напряжения");
  SthPQItem = item(CatalogItem, "SthPQItem", "Стат. характеристики нагрузки");
  GraphPQItem = item(CatalogItem, "GraphPQItem", "Суточные графики нагрузки");
}

void TZregimForm::BuildToolBar() {
  auto* layout = new QHBoxLayout(ToolPanel);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);
  auto button = [&](const char* name, const QString& text, const QString& hint, bool toggle = false) {
    QToolButton* b = ToolButton(name, text, hint, ToolPanel, toggle);
    b->setMinimumWidth(30);
    layout->addWidget(b);
    return b;
  };
  auto gap = [&] { layout->addSpacing(8); };
  PrintBtn = button("PrintBtn", "Печать", "Печать");
  OpenBtn = button("OpenBtn", "Открыть", "Загрузить схему");
  SaveBtn = button("SaveBtn", "Сохр.", "Сохранить");
  gap();
  CalcBtn = button("CalcBtn", "Расчет", "Расчет режима");
  VoltBtn = button("VoltBtn", "U", "Напряжения узлов");
  TokLnBtn = button("TokLnBtn", "Iл", "Загрузка линий");
  TokTrBtn = button("TokTrBtn", "Sт", "Загрузка трансформаторов");
  LossesBtn = button("LossesBtn", "DP", "Потери в схеме", true);
  gap();
  NodesBtn = button("NodesBtn", "uzl", "Узлы схемы");
  LinesBtn = button("LinesBtn", "vet", "Ветви схемы");
  FlowBtn = button("FlowBtn", "->-", "Заданные перетоки в линиях");
  BalansBtn = button("BalansBtn", "Бал.", "Балансировка схемы");
  SchBtn = button("SchBtn", "Граф.", "Графика схемы", true);
  gap();
  TreBtn = button("TreBtn", "ТРЭ", "Расчет технологического расхода электроэнергии");
  WCalcBtn = button("WCalcBtn", "W", "Расчет технических потерь");
  WLossLnBtn = button("WLossLnBtn", "Wл", "Потери в линиях");
  WLossTrBtn = button("WLossTrBtn", "Wт", "Потери в трансформаторах");
  WLossBtn = button("WLossBtn", "DP", "Потери в схеме", true);
  WBalansBtn = button("WBalansBtn", "Бал.W", "Балансы электроэнергии", true);
  gap();
  DataLabel = new QLabel(ToolPanel);
  DataLabel->setObjectName("DataLabel");
  QFont bold = DataLabel->font();
  bold.setBold(true);
  DataLabel->setFont(bold);
  layout->addWidget(DataLabel, 1);
  // the commands of the period losses and the balance panel
  BindEnergyCommands();
}

void TZregimForm::ArrangeTopPanels() {
  // tool bar, loss panel, diagram tool panel, balance panel, splitter
  int index = topLayout_->indexOf(ToolPanel) + 1;
  for (QWidget* panel : {LossPanel, SchPanel, BalansPanel, Split3}) {
    topLayout_->removeWidget(panel);
    topLayout_->insertWidget(index++, panel);
  }
}

void TZregimForm::ArrangeBottomPanels() {
  // Info under its splitter handle; the stop label right of the ST indicator, the progress bar last.
  if (Split->indexOf(Info) != 1) Split->insertWidget(1, Info);
  auto* help = static_cast<QHBoxLayout*>(HelpPanel->layout());
  help->removeWidget(StopBar);
  help->insertWidget(help->indexOf(ST) + 1, StopBar);
  help->removeWidget(ProcBar);
  help->addWidget(ProcBar);
}

}  // namespace ld::gui
