// The district window's panels, menus and tool bar, and the entries this build keeps hidden.
#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/common/info_menu.h"
#include "gui/common/full_build.h"
#include "gui/common/named_widget.h"
#include "gui/common/report_font.h"
#include "gui/district/base_res_form.h"
#include "gui/common/import_commands.h"

namespace ld::gui {

namespace {
// The table buttons stand in a row of equal slots: hiding three of them frees 81 pixels, into which
// the buttons behind move.
constexpr int kTableButtonWidth = 26;
constexpr int kButtonSpacing = 1;
}  // namespace

void TBaseResForm::BuildPanels() {
  auto* central = new QWidget(this);
  central->setObjectName("ClientPanel");
  setCentralWidget(central);
  auto* client = new QVBoxLayout(central);
  client->setContentsMargins(0, 0, 0, 0);
  client->setSpacing(1);

  Panel1 = new QWidget(central);
  Panel1->setObjectName("Panel1");
  client->addWidget(Panel1);

  ClientSplit = new QSplitter(Qt::Vertical, central);
  ClientSplit->setObjectName("ClientSplit");
  ClientSplit->setChildrenCollapsible(false);
  auto* gridPanel = new QWidget(ClientSplit);
  gridPanel->setObjectName("GridPanel");
  auto* gridRow = new QHBoxLayout(gridPanel);
  gridRow->setContentsMargins(0, 0, 0, 0);
  gridRow->setSpacing(0);
  DataGrid_ = new TDataGrid5(gridPanel);
  DataGrid_->setObjectName("DataGrid");
  ScrollBar1 = new QScrollBar(Qt::Vertical, gridPanel);
  ScrollBar1->setObjectName("ScrollBar1");
  DataGrid_->SetScrollBar(ScrollBar1);
  gridRow->addWidget(DataGrid_, 1);
  gridRow->addWidget(ScrollBar1);
  Info = new QTextEdit(ClientSplit);
  Info->setObjectName("Info");
  Info->setReadOnly(true);
  Info->setLineWrapMode(QTextEdit::NoWrap);
  // the messages of the imports are laid out in columns of blanks
  Info->setFont(ReportFont());
  ClientSplit->addWidget(gridPanel);
  ClientSplit->addWidget(Info);
  ClientSplit->setStretchFactor(0, 3);
  ClientSplit->setStretchFactor(1, 1);
  Split = ClientSplit->handle(1);
  Split->setObjectName("Split");
  Info->hide();
  client->addWidget(ClientSplit, 1);

  Panel2 = new QWidget(central);
  Panel2->setObjectName("Panel2");
  client->addWidget(Panel2);
  DataGrid_->SetStatusPanel(Panel2);

  HelpPanel = new QLabel(central);
  HelpPanel->setObjectName("HelpPanel");
  HelpPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // a long comment is cut at the window's edge (its hint shows it whole) rather than widening the window
  HelpPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  HelpPanel->setMinimumHeight(22);
  auto* help = new QHBoxLayout(HelpPanel);
  help->setContentsMargins(1, 1, 1, 1);
  help->addStretch(1);
  ProcLabel = new QLabel(HelpPanel);
  ProcLabel->setObjectName("ProcLabel");
  ProcLabel->setAutoFillBackground(true);
  ProcBar = new QProgressBar(HelpPanel);
  ProcBar->setObjectName("ProcBar");
  ProcBar->setRange(0, 100);
  ProcBar->setFixedWidth(160);
  help->addWidget(ProcLabel);
  help->addWidget(ProcBar);
  ProcLabel->hide();
  ProcBar->hide();
  client->addWidget(HelpPanel);

  InfoMenu = AddInfoMenu(Info, CloseItem, PrnInfoItem);
}

void TBaseResForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [&](const char* name, const QString& caption) {
    QMenu* m = bar->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(QString(name) + "Action");
    return m;
  };
  auto item = [&](QMenu* m, const char* name, const QString& caption) {
    QAction* a = m->addAction(caption);
    a->setObjectName(name);
    return a;
  };
  // an import command: made from the program's list of them
  auto importItem = [&](QMenu* m, const char* name) {
    QAction* a = ImportAction("База РЭС", name, m);
    m->addAction(a);
    return a;
  };
  auto separator = [&](QMenu* m, const char* name) {
    QAction* a = m->addSeparator();
    a->setObjectName(name);
    return a;
  };

  NetItem = menu("NetItem", "Сеть РЭС");
  NewItem = item(NetItem, "NewItem", "Создать");
  OpenItem = item(NetItem, "OpenItem", "Загрузить");
  SaveItem = item(NetItem, "SaveItem", "Сохранить");
  SaveAsItem = item(NetItem, "SaveAsItem", "Сохранить как");
  separator(NetItem, "PrintSeparator");
  PrintItem = item(NetItem, "PrintItem", "Печать");
  separator(NetItem, "NetImportSeparator");
  ImportItem = importItem(NetItem, "ImportItem");
  ImpPshItem = importItem(NetItem, "ImpPshItem");
  ImpXlsNetItem = importItem(NetItem, "ImpXlsNetItem");
  separator(NetItem, "QuitSeparator");
  QuitItem = item(NetItem, "QuitItem", "Выход");

  DataItem = menu("DataItem", "Данные");
  LineItem = item(DataItem, "LineItem", "Линии 10-6 кВ");
  TPItem = item(DataItem, "TPItem", "Тр-ры ТП, РП");
  SubstItem = item(DataItem, "SubstItem", "Вводы п/ст");
  ZamerItem = item(DataItem, "ZamerItem", "Фидеры п/ст");
  Line04Item = item(DataItem, "Line04Item", "Линии 0.4 кВ");
  RayonSeparator = separator(DataItem, "RayonSeparator");
  RayonItem = item(DataItem, "RayonItem", "Районы схемы");
  SwitchItem = item(DataItem, "SwitchItem", "Журнал переключений");
  ImportSeparator = separator(DataItem, "ImportSeparator");
  ImportTPItem = importItem(DataItem, "ImportTPItem");
  ImpTPMeasItem = importItem(DataItem, "ImpTPMeasItem");
  ImpFeederMeasItem = importItem(DataItem, "ImpFeederMeasItem");
  ImpLine04Item = importItem(DataItem, "ImpLine04Item");
  separator(DataItem, "RenumSeparator");
  RenumItem = item(DataItem, "RenumItem", "Перенумерация отпаек");
  RenameItem = item(DataItem, "RenameItem", "Переименование ШСВ");

  AbonentItem = menu("AbonentItem", "Абоненты");
  AbonItem = item(AbonentItem, "AbonItem", "Абоненты РЭС");
  PromItem = item(AbonentItem, "PromItem", "База пром. абонентов");
  BytItem = item(AbonentItem, "BytItem", "База быт. абонентов");
  separator(AbonentItem, "LinkDogSeparator");
  LinkDogItem = item(AbonentItem, "LinkDogItem", "Привязка абонентов к ТП");
  ImpDbfBaseItem = importItem(AbonentItem, "ImpDbfBaseItem");
  ImpXlsBaseItem = importItem(AbonentItem, "ImpXlsBaseItem");
  separator(AbonentItem, "ImportWSeparator");
  ImportWItem = item(AbonentItem, "ImportWItem", "Формирование загрузки ТП, РП");
  AnalizItem = item(AbonentItem, "AnalizItem", "Анализ распределения нагрузки");

  SchemeItem = menu("SchemeItem", "Схема");
  ExportItem = item(SchemeItem, "ExportItem", "Формирование схемы");
  separator(SchemeItem, "NodesSeparator");
  NodesItem = item(SchemeItem, "NodesItem", "Узлы схемы");
  LinesItem = item(SchemeItem, "LinesItem", "Ветви схемы");
  FlowItem = item(SchemeItem, "FlowItem", "Перетоки в линиях");
  separator(SchemeItem, "CmpSeparator");
  CmpItem = item(SchemeItem, "CmpItem", "Сравнение п/ст 10 <--> 110 кВ");

  CatalogItem = menu("CatalogItem", "Каталоги");
  LNItem = item(CatalogItem, "LNItem", "Кабельные, воздушные линии");
  T2Item = item(CatalogItem, "T2Item", "Двухобмоточные трансформаторы");
  T3Item = item(CatalogItem, "T3Item", "Трехобмоточные трансформаторы");
  TRItem = item(CatalogItem, "TRItem", "Расщепленные трансформаторы");
  RTItem = item(CatalogItem, "RTItem", "Токоограничивающие реакторы");
  KAItem = item(CatalogItem, "KAItem", "Коммутационные аппараты");
  UnItem = item(CatalogItem, "UnItem", "Номинальные напряжения");
  CmpCatItem = item(CatalogItem, "CmpCatItem", "Выравнивание каталожных данных");
  separator(CatalogItem, "GraphSeparator");
  GraphPQItem = item(CatalogItem, "GraphPQItem", "Суточные графики нагрузки");
}

void TBaseResForm::BuildToolBar() {
  auto* layout = new QHBoxLayout(Panel1);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(kButtonSpacing);
  auto button = [&](const char* name, const QString& text, const QString& hint, int width = 0) {
    QToolButton* b = ToolButton(name, text, hint, Panel1);
    if (width > 0)
      b->setFixedWidth(width);
    else
      b->setMinimumWidth(30);
    layout->addWidget(b);
    return b;
  };
  auto gap = [&] { layout->addSpacing(8); };
  OpenBtn = button("OpenBtn", "Открыть", "Загрузить базу РЭС");
  SaveBtn = button("SaveBtn", "Сохр.", "Сохранить");
  PrintBtn = button("PrintBtn", "Печать", "Печать");
  gap();
  const int w = kTableButtonWidth;
  LineBtn = button("LineBtn", "ВЛ", "Линии 10-6 кВ", w);
  TPBtn = button("TPBtn", "ТП", "Трансформаторы ТП, РП", w);
  SubstBtn = button("SubstBtn", "ПС", "Вводы подстанций", w);
  ZamerBtn = button("ZamerBtn", "Ф", "Фидеры подстанций", w);
  Line04Btn = button("Line04Btn", "0.4", "Линии 0.4 кВ", w);
  PromBtn = button("PromBtn", "Пр", "База промышленных абонентов", w);
  BytBtn = button("BytBtn", "Бт", "База бытовых абонентов", w);
  ExportBtn = button("ExportBtn", "Сх", "Формирование схемы", w);
  NodesBtn = button("NodesBtn", "uzl", "Узлы схемы", w);
  LinesBtn = button("LinesBtn", "vet", "Ветви схемы", w);
  FlowBtn = button("FlowBtn", "->-", "Заданные перетоки в линиях", w);
  gap();
  DataLabel = new QLabel(Panel1);
  DataLabel->setObjectName("DataLabel");
  QFont bold = DataLabel->font();
  bold.setBold(true);
  DataLabel->setFont(bold);
  layout->addWidget(DataLabel, 1);
}

void TBaseResForm::BindCommands() {
  Bind(NewItem, [this] { NewItemClick(); });
  Bind(OpenItem, [this] { OpenItemClick(); });
  Bind(OpenBtn, [this] { OpenItemClick(); });
  Bind(SaveItem, [this] { SaveItemClick(); });
  Bind(SaveBtn, [this] { SaveItemClick(); });
  Bind(SaveAsItem, [this] { SaveAsItemClick(); });
  Bind(PrintItem, [this] { PrintItemClick(); });
  Bind(PrintBtn, [this] { PrintItemClick(); });
  Bind(ImportItem, [this] { ImportItemClick(); });
  Bind(ImpPshItem, [this] { ImpPshItemClick(); });
  Bind(ImpXlsNetItem, [this] { ImpXlsNetItemClick(); });
  connect(QuitItem, &QAction::triggered, this, [this] { QuitItemClick(); });

  Bind(LineItem, [this] { LineItemClick(); });
  Bind(LineBtn, [this] { LineItemClick(); });
  for (QAction* a : {TPItem, SubstItem, ZamerItem, Line04Item, RayonItem, SwitchItem, AbonItem, PromItem, BytItem,
                     NodesItem, LinesItem, FlowItem})
    Bind(a, [this, a] { DataItemClick(a); });
  for (QToolButton* b : {TPBtn, SubstBtn, ZamerBtn, Line04Btn, PromBtn, BytBtn, NodesBtn, LinesBtn, FlowBtn})
    Bind(b, [this, b] { DataItemClick(b); });
  Bind(ImportTPItem, [this] { ImportTPItemClick(); });
  Bind(ImpTPMeasItem, [this] { ImpTPMeasItemClick(); });
  Bind(ImpFeederMeasItem, [this] { ImpFeederMeasItemClick(); });
  Bind(ImpLine04Item, [this] { ImpLine04ItemClick(); });
  Bind(RenumItem, [this] { RenumItemClick(); });
  Bind(RenameItem, [this] { RenameItemClick(); });
  Bind(LinkDogItem, [this] { LinkDogItemClick(); });
  Bind(ImpDbfBaseItem, [this] { ImpDbfBaseItemClick(); });
  Bind(ImpXlsBaseItem, [this] { ImpXlsBaseItemClick(); });
  Bind(ImportWItem, [this] { ImportWItemClick(); });
  Bind(AnalizItem, [this] { AnalizItemClick(); });
  Bind(ExportItem, [this] { ExportBtnClick(); });
  Bind(ExportBtn, [this] { ExportBtnClick(); });
  Bind(CmpItem, [this] { CmpItemClick(); });

  for (QAction* a : {LNItem, T2Item, T3Item, TRItem, RTItem, KAItem, UnItem}) Bind(a, [this, a] { LNItemClick(a); });
  Bind(CmpCatItem, [this] { CmpCatItemClick(); });
  Bind(GraphPQItem, [this] { GraphPQItemClick(); });
  connect(CloseItem, &QAction::triggered, this, [this] { CloseItemClick(); });
  Bind(PrnInfoItem, [this] { PrnInfoItemClick(); });

  InstallGridEvents();
}

void TBaseResForm::FormCreate() {
  // The commands of subscribers, the 0.4 kV network, the switching journal, the measurement imports and
  // the catalogue alignment are not offered in this build; "/ALL" on the command line offers them.
  if (ShowAllCommands()) return;
  for (QAction* a : {SwitchItem, Line04Item, RayonSeparator, ImportTPItem, ImpTPMeasItem, ImpFeederMeasItem,
                     ImpLine04Item, ImpDbfBaseItem, ImpXlsBaseItem, CmpCatItem})
    a->setVisible(false);
  AbonentItem->menuAction()->setVisible(false);
  // the separator leads the measurement imports and goes with them
  ImportSeparator->setVisible(ImportTPItem->isVisible() || ImpTPMeasItem->isVisible() ||
                              ImpFeederMeasItem->isVisible());
  // The buttons behind close up into the room of the hidden ones.
  for (QToolButton* b : {Line04Btn, PromBtn, BytBtn}) b->setVisible(false);
}

}  // namespace ld::gui
