// The regime window's tables in the grid: the scheme's tables, the catalogues and lists, and what the
// window does when the grid opens, saves or edits a table of each layout.
#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <filesystem>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/catalogs/catalog_units.h"
#include "core/engine/regime.h"
#include "core/regime/grid_refresh.h"
#include "core/regime/scheme_files.h"
#include "core/tables/colmaps.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/unom.h"
#include "gui/common/info_menu.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/catalogs/cmp_cat_form.h"
#include "gui/grid/report_print.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool FileExists(const std::string& fileName) {
  std::error_code ec;
  return std::filesystem::is_regular_file(fileName, ec);
}

// A catalogue or list of the menu "Каталоги": its layout, file and caption.
struct TListTable {
  const char* Layout;
  const char* File;  // in the catalogue folder, the program folder, or nullptr beside the scheme
  const char* Caption;
  enum { Catalog, Program, Scheme } Place;
};

// The grid's events that the window reads off its widgets: a typed character in the cell editor and a
// double click on a grid.
class TGridEvents : public QObject {
public:
  TGridEvents(TZregimForm& form) : QObject(&form), form_(form) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && watched == form_.DataGrid().Editor()) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool ctrl = key->modifiers() & Qt::ControlModifier;
      // The hot keys of the exchange files work while a cell is edited as well.
      if (ctrl && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) {
        int code = key->key();
        form_.DataGridExtKeyDown(&form_.DataGrid(), code, key->modifiers());
        return code == 0;
      }
      return !key->text().isEmpty() && form_.DataGridKeyPress(watched, key->text());
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
      if (auto* grid = qobject_cast<TDataGrid5*>(watched)) {
        form_.DataGridDblClick(grid, static_cast<QMouseEvent*>(event)->position().toPoint());
        return false;
      }
    }
    return false;
  }

private:
  TZregimForm& form_;
};

bool IsGraphField(const std::string& layout, const std::string& field) {
  if (layout == LayoutNodes)
    return field == "Ng_n" || field == "Nq_n" || field == "Ng_g" || field == "Nq_g" || field == "Ng_u";
  if (layout == LayoutLineFlows) return field == "Ngr" || field == "Nqr" || field == "Ngl" || field == "Nql";
  if (layout == LayoutBranches) return field == "Ng_kta" || field == "Ng_ktr";
  return false;
}

}  // namespace

void TZregimForm::BindTableCommands() {
  Bind(SwitchItem, [this] { LinesItemClick(SwitchItem); });
  for (QAction* item : {LNItem, T2Item, T3Item, TRItem, RTItem, KAItem, T2PItem, T3PItem, TRPItem, RTPItem, UnItem,
                        SthPQItem})
    Bind(item, [this, item] { LNItemClick(item); });
  Bind(GraphPQItem, [this] { GraphPQItemClick(); });
  Bind(CmpCatItem, [this] { CmpCatItemClick(); });
  Bind(RecalcItem, [this] { RecalcItemClick(); });
  Bind(NewMonthItem, [this] { NewMonthItemClick(); });
  Bind(ImpZamer, [this] { ImpZamerClick(); });

  InfoMenu = AddInfoMenu(Info, CloseItem, PrnInfoItem);
  connect(CloseItem, &QAction::triggered, this, [this] { CloseItemClick(); });
  connect(PrnInfoItem, &QAction::triggered, this, [this] { Run([this] { PrnInfoItemClick(); }); });

  DataGrid_->OnSetMaketProc = [this](PDataFile df) { DataGridSetMaketProc(df); };
  DataGrid_->OnSaveProc = [this](PDataFile df) { DataGridSaveProc(df); };
  DataGrid_->OnExtKeyDown = [this](QObject* sender, int& key, Qt::KeyboardModifiers shift) {
    DataGridExtKeyDown(sender, key, shift);
  };
  DataGrid_->OnMoveProc = [this](PDataFile df, int acol, int arow) { DataGridMoveProc(df, acol, arow); };
  BalansGrid->OnMoveProc = DataGrid_->OnMoveProc;
  auto* events = new TGridEvents(*this);
  DataGrid_->Editor()->installEventFilter(events);
  DataGrid_->installEventFilter(events);
  BalansGrid->installEventFilter(events);
}

bool TZregimForm::DiagramEditing() const { return SchBtn->isChecked() && CorrectBtn->isChecked(); }

// ---- showing a table -----------------------------------------------------------------------------

void TZregimForm::ShowGridTable(const std::string& layout, const std::string& file, const std::string& caption,
                                bool editable, bool schemeTable) {
  StoreShownGridPos();
  HideSideLists();
  for (QWidget* w : std::initializer_list<QWidget*>{NoSupBox, ConturBox, SubstList, Memo1}) w->hide();
  const TGridPos pos = GetGridPos(layout);
  // a scheme's table comes named as its family has it (SchemeFile); a catalogue is one program file
  // whatever the letters of its name
  const std::string found = FindFileNoCase(file);
  const bool existed = FileExists(found);
  if (existed || layout == LayoutNodes) {
    DataGrid_->OpenFile(found, pos.TopRow, pos.Col, pos.Row, editable, true, true);
  } else {
    const std::string title = schemeTable ? std::filesystem::path(SchemePath).filename().string() : caption;
    DataGrid_->OpenMissingFile(file, layout, title, pos.TopRow, pos.Col, pos.Row, editable);
  }
  if (layout == LayoutNodes || (schemeTable && existed)) setWindowTitle(Q(SchemeCaption(SchemePath)));
  DataLabel->setText(Q(caption));
  SaveItem->setEnabled(UserAccess != 0);
  SaveBtn->setEnabled(UserAccess != 0);
}

void TZregimForm::NodesItemClick() {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  ShowGridTable(LayoutNodes, NodeFile(), LayoutNodes, UserAccess != 0 && !DiagramEditing(), true);
}

void TZregimForm::LinesItemClick(QAction* sender) {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  const char* layout = sender == FiderItem   ? LayoutLineFlows
                       : sender == RayonItem  ? LayoutSchemeAreas
                       : sender == SwitchItem ? LayoutSwitchLog
                                              : LayoutBranches;
  // The diagram edits these tables itself while it is in its edit mode; the districts only need the right.
  const bool drawn = layout != std::string(LayoutSchemeAreas);
  const bool editable = UserAccess != 0 && !(drawn && DiagramEditing());
  ShowGridTable(layout, SchemeFile(layout), layout, editable, true);
}

void TZregimForm::LNItemClick(QAction* sender) {
  static const std::pair<const char*, TListTable> kTables[] = {
      {"LNItem", {"Справочник КЛ,ВЛ", "sprav_ln.cat", "Каталог кабельных и воздушных линий", TListTable::Catalog}},
      {"T2Item", {"Справочник ТР(2)", "sprav_t2.cat", "Каталог двухобмоточных трансформаторов", TListTable::Catalog}},
      {"T3Item", {"Справочник ТР(3)", "sprav_t3.cat", "Каталог трехобмоточных трансформаторов", TListTable::Catalog}},
      {"TRItem", {"Справочник ТР(р)", "sprav_tr.cat", "Каталог тр-ров с ращепленной обмоткой НН", TListTable::Catalog}},
      {"RTItem",
       {"Справочник токоогр.реакторов", "sprav_RT.cat", "Каталог токоограничивающих реакторов", TListTable::Catalog}},
      {"KAItem", {"Коммутационные аппараты", "sprav_KA.cat", "Каталог коммутационных аппаратов", TListTable::Catalog}},
      {"T2PItem", {"Список ТР(2)", nullptr, "Паспортные данные двухобмоточных тр-ров", TListTable::Scheme}},
      {"T3PItem", {"Список ТР(3)", nullptr, "Паспортные данные трехобмоточных тр-ров", TListTable::Scheme}},
      {"TRPItem", {"Список ТР(р)", nullptr, "Паспортные данные тр-ров с ращепленной обм.НН", TListTable::Scheme}},
      {"RTPItem",
       {"Список токоогр.реакторов", nullptr, "Паспортные данные токоограничивающих реакторов", TListTable::Scheme}},
      {"SthPQItem", {"Стат.хар.нагрузки", "sthar_pq.cat", "Статические характеристики нагрузки", TListTable::Program}},
      {"UnItem", {"Номинальные напряжения", "sprav_UN.cat", "Список номинальных напряжений", TListTable::Catalog}},
  };
  const std::string name = sender->objectName().toStdString();
  const TListTable* t = nullptr;
  for (const auto& [item, table] : kTables)
    if (name == item) t = &table;
  if (!t) return;
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  std::string file;
  switch (t->Place) {
    case TListTable::Catalog: file = IniRec.Path + t->File; break;
    case TListTable::Program: file = ProgramDir + t->File; break;
    case TListTable::Scheme: file = SchemeFile(t->Layout); break;
  }
  ShowGridTable(t->Layout, file, t->Caption, UserAccess != 0, false);
  PrintItem->setEnabled(true);
  PrintBtn->setEnabled(true);
}

void TZregimForm::GraphPQItemClick() {
  int graph = 2147483647;  // browsing, no choice
  ShowGraphCatalog(SchemePath, graph);
}

void TZregimForm::CmpCatItemClick() { ShowCmpCatalogForm(IniRec.Path); }

void TZregimForm::CloseItemClick() { ShowInfo(false); }

void TZregimForm::PrnInfoItemClick() {
  std::vector<std::string> lines;
  for (QTextBlock b = Info->document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text().toStdString());
  PrintTextDocument({"Схема: " + std::filesystem::path(SchemePath).filename().string()}, {}, lines, this);
}

// ---- the grid's hooks ----------------------------------------------------------------------------

void TZregimForm::DataGridSetMaketProc(PDataFile df) {
  RecalcItem->setEnabled(false);
  // Items that commands added to the pop-up menu for the previous table.
  for (QAction* a : DataGrid_->PopupMenu()->actions())
    if (a->data().toInt() < 0) {
      DataGrid_->PopupMenu()->removeAction(a);
      a->deleteLater();
    }
  const std::string& layout = df->Name;
  const bool write = UserAccess != 0;
  if (layout == LayoutBranches || layout == LayoutSwitchLog) {
    DataGrid_->OnParamProc = [this](const std::string& folder, PDataFile table, int row, bool& modify) {
      DataGridParamProc(folder, table, row, modify);
    };
    DataGrid_->ShowStatus(write);
    RecalcItem->setEnabled(write);
  } else {
    // F9 runs the branch dialog, which no other table has the fields for.
    DataGrid_->OnParamProc = nullptr;
    DataGrid_->ShowStatus(false);
    if (layout == LayoutNodes) DataGrid_->OnExtMenuClick = nullptr;
  }
}

void TZregimForm::DataGridParamProc(const std::string&, PDataFile df, int row, bool& modify) {
  // A table the grid shows read-only keeps its values.
  modify = EditBranchRowParams(*df, row, SchemePath, [this] { return DataGrid_->EditTable(); });
  if (!modify) return;
  if (row > df->RowCount) {
    df->RowCount = row;
    DataGrid_->TrimEmptyTailRows();
    DataGrid_->Refresh();
  }
}

void TZregimForm::DataGridSaveProc(PDataFile df) {
  const std::string& layout = df->Name;
  const auto nodeTable = [this](TDataFile& nodes) -> const TDataFile* {
    if (!FileExists(NodeFile())) return nullptr;
    ReadTableFile(NodeFile(), nodes);
    return &nodes;
  };
  if (layout == LayoutNodes) {
    regime_->SchemeRead = false;
  } else if (layout == LayoutBranches) {
    TDataFile nodes;
    RefreshBranchTable(*df, nodeTable(nodes));
    DataGrid_->update();
    regime_->SchemeRead = false;
  } else if (layout == LayoutLineFlows) {
    TDataFile nodes;
    RefreshLineFlowTable(*df, nodeTable(nodes));
    DataGrid_->update();
  } else if (layout == LayoutSchemeAreas) {
    std::vector<int> numbers;
    std::vector<std::string> names;
    DistrictLists(*df, numbers, names);
    TSchemeAreaCols areas;
    FillSchemeAreaCols(*df, areas);
    std::vector<std::int32_t> colors;
    for (int row = 1; row <= areas.RowCount; ++row) colors.push_back(areas.Color->Get(row));
    diagram_->SetDistricts(numbers, names, colors);
  } else if (layout == LayoutNominalVoltages) {
    RefreshNominalVoltages(*df, *IniRec.UnomList);
  } else if (layout == LayoutSwitchLog) {
    RefreshSwitchLog(*df);
    DataGrid_->update();
  }
}

bool TZregimForm::DataGridKeyPress(QObject*, const QString& text) {
  if (!DataGrid_->GridVisible() || text.size() != 1 || busy_) return false;
  // A key arrives outside any command: a damaged catalogue is reported here, the key then goes nowhere.
  try {
    return CellKeyPress(text[0]);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return true;
  }
}

bool TZregimForm::CellKeyPress(QChar c) {
  const std::string layout = ShownMaket();
  const std::string field = DataGrid_->CurrentFieldName();
  const int row = DataGrid_->CurrentTableRow();
  TDataFile& table = *DataGrid_->GetTable();
  if (layout == LayoutNodes && field == "Sign" && DataGrid_->EditTable()) {
    const QChar up = c.toUpper();
    if (up == 'B' || up == 'U') {
      if (!table.MarkRec) table.MarkRec = std::make_unique<DAbyte>();
      (*table.MarkRec)[row] = up == 'B' ? 16 : 80;
      DataGrid_->update();
    }
    return false;  // the letter goes into the cell as typed
  }
  if (c != ' ' || !DataGrid_->EditTable()) return false;
  if (IsGraphField(layout, field)) {
    const int col = FindColumnIndex(field, table);
    const char type = table.ColType[static_cast<std::size_t>(col)];
    int graph = 0;
    if (type == 'l') graph = GetColumnAs<DALongint>(field, table)->Get(row);
    else graph = TInt16Column(GetColumnArray(field, table)).Get(row);
    if (ShowGraphCatalog(SchemePath, graph)) {
      if (type == 'l') {
        const std::int32_t v = graph;
        DataGrid_->SetFieldText(field, row, &v);
      } else {
        const auto v = static_cast<std::int16_t>(graph);
        DataGrid_->SetFieldText(field, row, &v);
      }
      DataGrid_->update();
    }
    return true;
  }
  if (layout == LayoutBranches && (field == "MarkCom1" || field == "MarkCom2")) {
    struct FreeKA {
      ~FreeKA() { FreeCatalogKA(); }
    } freeAtEnd;
    LoadCatalogKA(IniRec.Path, false);
    int chosen = std::max(1, IndexOfKAMark(GetColumnAs<DAString>(field, table)->GetItem(row)));
    bool changed = false;
    if (ShowCatalog(FindFileNoCase(IniRec.Path + CatalogFileKA), "Каталог коммутационных аппаратов", nullptr, chosen,
                    changed)) {
      if (changed) LoadCatalogKA(IniRec.Path, false);
      const std::string caption = CatalogKACaption(chosen);
      DataGrid_->SetFieldText(field, row, &caption);
      DataGrid_->update();
    }
    return true;
  }
  return false;
}

void TZregimForm::DataGridMoveProc(PDataFile df, int acol, int) {
  if (df->Name.empty() || acol < 1 || acol > df->NCols) return;
  const QString text = Q(" " + df->Comment[static_cast<std::size_t>(acol)]);
  HelpText->setText(text);
  HelpText->setToolTip(text);
}

void TZregimForm::DataGridDblClick(TDataGrid5* grid, const QPoint& position) {
  int col = 0, gridRow = 0;
  if (!grid->CellAt(position, col, gridRow)) return;
  FindEdit->setText(Q(grid->CellText(col, gridRow)));
}

}  // namespace ld::gui
