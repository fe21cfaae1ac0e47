// The balance panel of the regime window: the tree of the scheme's meters on the left, the energy
// balance by metering areas in the balance grid on the right, and a tool row with the mode of the
// tree, the selection commands, the report and the toggles of the report's column groups.
#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <filesystem>
#include <set>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/regime/balance_report.h"
#include "core/regime/loss_panel.h"
#include "core/regime/metering_tree.h"
#include "core/regime/selections.h"
#include "core/tables/colmaps.h"
#include "core/tables/table_file.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/common/named_widget.h"
#include "gui/common/toolbar_overflow.h"
#include "gui/diagram/sch_box.h"
#include "gui/grid/report_print.h"
#include "gui/regime/balans_set_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kRowRole = Qt::UserRole;        // the line-flow row of a tree node
constexpr int kImageRole = Qt::UserRole + 1;  // 0 not selected, 2 selected
constexpr int kIconZone = 16;

// The column groups of the report: toggle, caption, hint, the P columns it shows.
struct TColumnGroup {
  int Number;
  const char* Caption;
  const char* Hint;
  std::vector<const char*> Fields;
};
const std::vector<TColumnGroup>& ColumnGroups() {
  static const std::vector<TColumnGroup> groups = {
      {1, "W(+)", "Поступление в сеть", {"WPp"}},
      {2, "W(-)", "Выдача в другие сети", {"WPm"}},
      {3, "Wг", "Генерация", {"WPg"}},
      {15, "Wсн", "Собственные нужды", {"WPsn"}},
      {4, "Wсл", "Сальдированный отпуск", {"WPs"}},
      {10, "Wп", "Потребление электроэнергии  (полезный отпуск)", {"WPn"}},
      {8, "п/б", "Промышленное / бытовое потребление", {"WPpr", "WPbt", "dWPa"}},
      {13, "ТРЭ", "Технологический расход электроэнергии", {"dWPt", "Twp"}},
      {7, "Т.П.", "Расчетные технические потери", {"dWPs", "Dwp"}},
      {5, "х.х.", "Расчетные потери холостого хода", {"dWPh"}},
      {6, "к.з.", "Расчетные потери короткого замыкания", {"dWPn"}},
      {9, "Неб", "Небаланс (коммерческие потери)", {"WPneb", "Pwp", "Rwp"}},
      {14, "М.П.", "Метрологическая погрешность", {"dWPm", "Mwp"}},
      {11, "<->", "Расчетные перетоки электроэнергии ", {"WPnr", "WPnl", "WPkr", "WPkl"}},
      {12, "S/I", "Загрузка трансформаторов/линий", {"Mark", "Fdop", "Fmin", "Fmax", "Fp"}},
  };
  return groups;
}

bool& ColumnSetting(int number) {
  std::array<bool*, 16> flags = {nullptr,      &IniRec.B1,  &IniRec.B2,  &IniRec.B3,  &IniRec.B4,  &IniRec.B5,
                                 &IniRec.B6,   &IniRec.B7,  &IniRec.B8,  &IniRec.B9,  &IniRec.B10, &IniRec.B11,
                                 &IniRec.B12,  &IniRec.B13, &IniRec.B14, &IniRec.B15};
  return *flags[static_cast<std::size_t>(number)];
}

// The three images of the tree: an empty box, the box of the focused row, a ticked box.
QIcon TreeImage(int index) {
  QPixmap pixmap(kIconZone, kIconZone);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(index == 1 ? QColor(0, 0, 160) : QColor(64, 64, 64));
  p.setBrush(index == 1 ? QColor(220, 230, 255) : QColor(Qt::white));
  p.drawRect(2, 2, 11, 11);
  if (index == 2) {
    p.setPen(QPen(QColor(0, 128, 0), 2));
    p.drawLine(4, 8, 7, 11);
    p.drawLine(7, 11, 12, 4);
  }
  return QIcon(pixmap);
}

// The tree's mouse release and keys go to the window's handlers.
class TTreeViewEvents : public QObject {
public:
  TTreeViewEvents(TZregimForm& form, QObject* parent) : QObject(parent), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease && watched == form_.TreeView->viewport()) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      form_.TreeViewMouseUp(mouse->button(), mouse->position().toPoint());
    } else if (event->type() == QEvent::KeyPress && watched == form_.TreeView) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Space) {
        form_.TreeViewKeyPress(QChar(' '));
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

private:
  TZregimForm& form_;
};

std::int32_t& MarkOf(TZregimForm& form, int row) { return (*form.MeasurementMarks)[row]; }

int RowOf(const QTreeWidgetItem* node) {
  if (node == nullptr) return 0;
  const QVariant v = node->data(0, kRowRole);
  return v.isValid() ? v.toInt() : 0;
}

// Image 0 or 2 by the row's mark; the focused row shows image 1 while it is not selected.
void ShowImage(TZregimForm& form, QTreeWidgetItem* node) {
  const int row = RowOf(node);
  if (row == 0) return;
  const bool selected = MarkOf(form, row) < 0;
  node->setData(0, kImageRole, selected ? 2 : 0);
  const int image = node == form.TreeView->currentItem() && !selected ? 1 : selected ? 2 : 0;
  node->setIcon(0, TreeImage(image));
}

int ZamerMode(const TZregimForm& form) { return std::max(form.ZamerBox->currentIndex(), 0); }

}  // namespace

void TZregimForm::BuildBalansPanel() {
  delete BalansPanel->layout();
  auto* column = new QVBoxLayout(BalansPanel);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(1);
  // A tool bar rather than a plain row, as the diagram panel has: on a window narrower than all its
  // commands the rest wait behind its extension button; the window keeps its width.
  auto* tools = new QToolBar(BalansPanel);
  tools->setObjectName("BalansCommands");
  tools->setFloatable(false);
  tools->setMovable(false);
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  OfferHiddenButtonsInOverflow(*tools);
  column->addWidget(tools);
  auto* body = new QHBoxLayout;
  body->addWidget(TreeView, 1);
  body->addWidget(BalansGrid, 3);
  column->addLayout(body, 1);

  ZamerBox = new QComboBox(tools);
  ZamerBox->setObjectName("ZamerBox");
  ZamerBox->addItems({"Дерево измерений", "Список измерений", "Выборка из схемы"});
  tools->addWidget(ZamerBox);
  auto button = [&](const char* name, const QString& text, const QString& hint, bool toggle = false) {
    QToolButton* b = ToolButton(name, text, hint, tools, toggle);
    tools->addWidget(b);
    return b;
  };
  SelBtn = button("SelBtn", "+", "Выделить все измерения по уровню");
  DeselBtn = button("DeselBtn", "-", "Отменить выделение всех измерений");
  SetBalBtn = button("SetBalBtn", "...", "Настройки формирования балансов электроэнергии");
  AllZamer = button("AllZamer", "ПС", "Баланс по техническим замерам подстанций", true);
  LevelBtn = button("LevelBtn", "[+]", "Формировать развернутый список", true);
  ReportBtn = button("ReportBtn", "Отчет", "Сформировать отчет баланса электроэнергии\nпо выбранным измерениям");
  tools->addSeparator();
  for (const TColumnGroup& g : ColumnGroups()) {
    std::string name = "B";
    name += std::to_string(g.Number);
    QToolButton* b = button(name.c_str(), QString::fromUtf8(g.Caption), QString::fromUtf8(g.Hint), true);
    BalansColumnBtns[static_cast<std::size_t>(g.Number - 1)] = b;
    connect(b, &QToolButton::clicked, this, [this] { B1Click(); });
  }
  tools->addSeparator();
  PrnBalansBtn = button("PrnBalansBtn", "Печать", "Печать балансной таблицы");

  TreeView->setIndentation(19);
  TreeView->setRootIsDecorated(true);
  TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView->setIconSize(QSize(kIconZone, kIconZone));
  auto* events = new TTreeViewEvents(*this, TreeView);
  TreeView->installEventFilter(events);
  TreeView->viewport()->installEventFilter(events);
  connect(TreeView, &QTreeWidget::itemClicked, this, [this] { TreeViewClick(); });
  connect(TreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
    if (MeasurementMarks == nullptr) return;
    ShowImage(*this, before);
    ShowImage(*this, now);
  });
  BalansGrid->SetNumerate(true);
  BalansGrid->OnExtMenuClick = [this](QAction* item, PDataFile df, int row) { BalansGridExtMenuClick(item, df, row); };

  Bind(WBalansBtn, [this] { WBalansBtnClick(); });
  connect(ZamerBox, &QComboBox::activated, this, [this] { Run([this] { ZamerBoxChange(); }); });
  Bind(SelBtn, [this] { SelBtnClick(); });
  Bind(DeselBtn, [this] { DeselBtnClick(); });
  Bind(SetBalBtn, [this] { SetBalBtnClick(); });
  Bind(ReportBtn, [this] { ReportClick(); });
  Bind(PrnBalansBtn, [this] { PrnBalansBtnClick(); });
}

void TZregimForm::WBalansBtnClick() {
  if (!WBalansBtn->isChecked()) {
    Split3->hide();
    BalansPanel->hide();
    BalansGrid->SetMaket("");
    return;
  }
  if (!CommonGuard()) return;
  BalansGrid->SetMaket(LayoutEnergyBalances);
  while (ZamerBox->count() > 3) ZamerBox->removeItem(3);
  TDataFile flows, districts;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutLineFlows), LayoutLineFlows, flows);
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutSchemeAreas), LayoutSchemeAreas, districts);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  std::set<std::int32_t> groups;
  for (int row = 1; row <= f.RowCount; ++row)
    if (f.Ngp->Get(row) != 0) groups.insert(f.Ngp->Get(row));
  TSchemeAreaCols a;
  FillSchemeAreaCols(districts, a);
  for (const std::int32_t g : groups) {
    std::string name;
    for (int row = 1; row <= a.RowCount; ++row)
      if (a.Nr->Get(row) == g) name = a.Name->GetItem(row);
    ZamerBox->addItem(Q(std::to_string(g) + " " + name));
  }
  ZamerBox->setCurrentIndex(0);
  BuildMeasurementTree(0, 0);
  for (const TColumnGroup& g : ColumnGroups())
    BalansColumnBtns[static_cast<std::size_t>(g.Number - 1)]->setChecked(ColumnSetting(g.Number));
  B1Click();
  BalansPanel->show();
  Split3->show();
  ArrangeTopPanels();
}

void TZregimForm::ZamerBoxChange() {
  int group = 0;
  const int index = ZamerBox->currentIndex();
  if (index > 2) {
    const std::string text = ZamerBox->currentText().toStdString();
    group = StrToIntZ(text.substr(0, text.find(' ')));
  }
  BuildMeasurementTree(index, group);
}

void TZregimForm::BuildMeasurementTree(int mode, int group) {
  TreeView->clear();
  ShowInfo(false);
  Info->clear();
  OnCalcStatus("Построение дерева замеров ...  ");
  TDataFile flows;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutLineFlows), LayoutLineFlows, flows);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  for (auto* array : {static_cast<TDynamicArray*>(MeasurementElements.get()),
                      static_cast<TDynamicArray*>(MeasurementMarks.get()),
                      static_cast<TDynamicArray*>(MeasurementTreeNodes.get())})
    array->Clear();
  for (int row = 1; row <= f.RowCount; ++row) {
    (*MeasurementMarks)[row] = row;
    (*MeasurementElements)[row] = nullptr;
    (*MeasurementTreeNodes)[row] = nullptr;
  }
  if (!Regime()->SchemeRead) LoadModel();
  if (Regime()->ModelError || !Regime()->SchemeRead) {
    ShowMsgForm(kModelErrorText, mkError, mbOk);
  } else {
    const TMeasurementTree tree = ld::BuildMeasurementTree(*Regime(), f, mode, group);
    for (int row = 1; row <= f.RowCount; ++row) (*MeasurementElements)[row] = tree.Elements[static_cast<std::size_t>(row)];
    TreeView->setUpdatesEnabled(false);
    for (const TMeasurementTreeRow& r : tree.Rows) {
      auto* parent = r.ParentRow != 0 ? static_cast<QTreeWidgetItem*>((*MeasurementTreeNodes)[r.ParentRow]) : nullptr;
      auto* node = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView);
      node->setText(0, Q(r.Text));
      node->setData(0, kRowRole, r.Row);
      ShowImage(*this, node);
      (*MeasurementTreeNodes)[r.Row] = node;
    }
    TreeView->expandAll();
    TreeView->setUpdatesEnabled(true);
    for (const std::string& line : tree.Messages) Info->append(Q(line));
  }
  OnCalcStatus("");
  if (!Info->toPlainText().isEmpty()) {
    ShowInfo(true);
    ArrangeBottomPanels();
  }
}

void TZregimForm::ToggleMeasurementNode(QTreeWidgetItem* node) {
  const int row = RowOf(node);
  if (row == 0) return;
  MarkOf(*this, row) = -MarkOf(*this, row);
  ShowImage(*this, node);
}

void TZregimForm::DeselectAllMeasurements() {
  TreeView->setUpdatesEnabled(false);
  for (QTreeWidgetItemIterator it(TreeView); *it != nullptr; ++it) {
    const int row = RowOf(*it);
    if (row != 0 && MarkOf(*this, row) < 0) ToggleMeasurementNode(*it);
  }
  TreeView->setUpdatesEnabled(true);
}

void TZregimForm::SelectTreeLevel() {
  DeselectAllMeasurements();
  QTreeWidgetItem* focused = TreeView->currentItem();
  if (focused == nullptr) return;
  if (QTreeWidgetItem* parent = focused->parent()) {
    for (int i = 0; i < parent->childCount(); ++i) ToggleMeasurementNode(parent->child(i));
  } else {
    for (int i = 0; i < TreeView->topLevelItemCount(); ++i) ToggleMeasurementNode(TreeView->topLevelItem(i));
  }
}

void TZregimForm::TreeViewClick() {
  QTreeWidgetItem* node = TreeView->currentItem();
  if (FindEdit != nullptr && FindEdit->isVisible() && node != nullptr) FindEdit->setText(node->text(0));
}

void TZregimForm::TreeViewMouseUp(Qt::MouseButton button, const QPoint& position) {
  if (button != Qt::LeftButton) return;
  QTreeWidgetItem* node = TreeView->itemAt(position);
  if (node == nullptr) return;
  int level = 0;
  for (const QTreeWidgetItem* p = node->parent(); p != nullptr; p = p->parent()) ++level;
  const int left = (level + 1) * TreeView->indentation();
  if (position.x() > left && position.x() < left + kIconZone) ToggleMeasurementNode(node);
}

void TZregimForm::TreeViewKeyPress(QChar key) {
  if (key != QChar(' ')) return;
  QTreeWidgetItem* node = TreeView->currentItem();
  if (node == nullptr) return;
  ToggleMeasurementNode(node);
  if (QTreeWidgetItem* next = TreeView->itemBelow(node)) TreeView->setCurrentItem(next);
}

void TZregimForm::SetBalBtnClick() { ExecuteBalanceSetupDialog(); }

void TZregimForm::ReportClick() { BuildBalanceReport(LevelBtn->isChecked()); }

void TZregimForm::BuildBalanceReport(bool detailed) {
  if (!CommonGuard()) return;
  ShowInfo(false);
  Info->clear();
  TDataFile flows, nodes, branches, energy, report;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutLineFlows), LayoutLineFlows, flows);
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutNodes), LayoutNodes, nodes);
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutBranches), LayoutBranches, branches);
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutBranchEnergy), LayoutBranchEnergy, energy);
  if (!Regime()->SchemeRead) LoadModel();
  std::vector<std::int32_t> marks(static_cast<std::size_t>(flows.RowCount) + 1, 0);
  for (int row = 1; row <= flows.RowCount; ++row) marks[static_cast<std::size_t>(row)] = MeasurementMarks->Get(row);
  TBalanceOptions o;
  o.Detailed = detailed;
  o.AllMeters = AllZamer->isChecked();
  o.OurLoss = IniRec.OurLoss;
  o.SumALoss = IniRec.SumALoss;
  o.FullBalans = IniRec.FullBalans;
  o.DynamicFlow = IniRec.DynamicFlow;
  o.MPp = IniRec.MPp, o.MPm = IniRec.MPm, o.MPn = IniRec.MPn, o.MPg = IniRec.MPg;
  const bool built = Regime()->SchemeRead &&
                     ld::BuildBalanceReport(*Regime(), {&flows, &nodes, &branches, &energy}, marks, o, report,
                                            [this](const std::string& line) { Info->append(Q(line)); });
  if (!built) {
    ShowMsgForm(kModelErrorText, mkError, mbOk);
  } else {
    BalansGrid->AssignTable(report, 1, 1, 1);
    BalansGrid->SetEditTable(false);
    BalansGrid->SetModified(false);
    B1Click();
  }
  OnCalcStatus("");
  if (!Info->toPlainText().isEmpty()) {
    ShowInfo(true);
    ArrangeBottomPanels();
  }
}

void TZregimForm::PrnBalansBtnClick() {
  std::vector<std::string> lines;
  BalansGrid->GetPrintLines(lines);
  PrintTextDocument({"Баланс электроэнергии: " + std::filesystem::path(SchemePath).filename().string()}, {}, lines,
                    this);
}

void TZregimForm::B1Click() {
  PDataFile table = BalansGrid->GetTable();
  for (const TColumnGroup& g : ColumnGroups()) {
    const bool on = BalansColumnBtns[static_cast<std::size_t>(g.Number - 1)]->isChecked();
    ColumnSetting(g.Number) = on;
    for (const char* field : g.Fields)
      for (int c = 1; c <= table->NCols; ++c)
        if (table->FieldName[static_cast<std::size_t>(c)] == field) table->Visible[static_cast<std::size_t>(c)] = on ? 1 : 0;
  }
  BalansGrid->Refresh();
}

void TZregimForm::SelBtnClick() {
  if (ZamerMode(*this) != 2) {
    SelectTreeLevel();
    return;
  }
  if (!SchPanel2->isVisible() || SchBox == nullptr || SchBox->MarkedLine == nullptr) return;
  const std::int32_t li = SchBox->MarkedLine->BranchRow;
  if (!SchBox->BranchTable || li <= 0 || li > SchBox->BranchTable->RowCount) return;
  const std::int32_t n1 = (*SchBox->BranchCols.N1)[li], n2 = (*SchBox->BranchCols.N2)[li];
  TDataFile flows;
  ReadTableFileOrEmpty(SchemePath + GetMaketExtention(LayoutLineFlows), LayoutLineFlows, flows);
  TLineFlowCols f;
  FillLineFlowCols(flows, f);
  for (int row = 1; row <= f.RowCount; ++row) {
    const std::int32_t a = f.N1->Get(row), b = f.N2->Get(row);
    if (!((a == n1 && b == n2) || (a == n2 && b == n1))) continue;
    // A line already chosen stays one selected node.
    if (MarkOf(*this, row) < 0) return;
    MarkOf(*this, row) = -std::abs(MarkOf(*this, row) == 0 ? row : MarkOf(*this, row));
    auto* node = new QTreeWidgetItem(TreeView);
    node->setText(0, Q(MeasurementCaption(f, row)));
    node->setData(0, kRowRole, row);
    node->setIcon(0, TreeImage(2));
    node->setData(0, kImageRole, 2);
    (*MeasurementTreeNodes)[row] = node;
    return;
  }
}

void TZregimForm::DeselBtnClick() {
  if (ZamerMode(*this) != 2) {
    DeselectAllMeasurements();
    return;
  }
  QTreeWidgetItem* node = TreeView->currentItem();
  const int row = RowOf(node);
  if (row == 0) return;
  MarkOf(*this, row) = std::abs(MarkOf(*this, row));
  (*MeasurementTreeNodes)[row] = nullptr;
  delete node;
}

void TZregimForm::BalansGridExtMenuClick(QAction* item, PDataFile table, int row) {
  const int tag = item != nullptr ? item->data().toInt() : 0;
  if ((tag != -2 && tag != -3) || table == nullptr || row < 1 || row > table->RowCount) return;
  if (!CommonGuard()) return;
  TLineBalanceCols c;
  FillLineBalanceCols(*table, c);
  TSubscriberSources sources;
  ReadSubscriberSources(SchemePath, sources, [this](int position) { OnCalcProgress(position); });
  TDataFile list;
  std::string title;
  if (tag == -2) {
    const std::string name = c.Name2->GetItem(row);
    CollectSubscribersOfNames(sources, {name}, list);
    title = "Список присоединений " + name;
  } else {
    if (!Regime()->SchemeRead) LoadModel();
    CollectSubscribersOfNames(sources, NamesSuppliedByLine(*Regime(), c.N1->Get(row), c.N2->Get(row)), list);
    title = "Список присоединений по линии " + c.Name1->GetItem(row) + " - " + c.Name2->GetItem(row);
  }
  ProcBar->hide();
  int picked = 1;
  bool changed = false;
  ShowCatalog("", title, &list, picked, changed);
}

}  // namespace ld::gui
