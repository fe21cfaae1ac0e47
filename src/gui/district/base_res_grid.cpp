// What the district window does when its grid opens, saves or edits a table: pickers from the
// catalogues and the load graphs, generated tap-off names, node row colours, the jump between a line and
// its station, the element parameter dialog, the column comment and the journal's date texts.
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cstdint>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/catalogs/catalog_units.h"
#include "core/engine/results.h"
#include "core/tables/colmaps_int16.h"
#include "core/regime/grid_refresh.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/catalogs/cat_gr_form.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/district/base_res_form.h"

namespace ld::gui {

namespace {

// Keys typed into the grid reach the window before the grid or its cell editor sees them.
class TGridKeys : public QObject {
public:
  explicit TGridKeys(TBaseResForm& form) : QObject(&form), form_(form) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
      return false;
    return form_.DataGridKeyPress(text[0], watched == form_.DataGrid().Editor());
  }

private:
  TBaseResForm& form_;
};

bool IsOneOf(const std::string& field, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* name) { return field == name; });
}

bool IsGraphField(const std::string& layout, const std::string& field) {
  if (layout == LayoutNodes || layout == LayoutTransTP) return IsOneOf(field, {"Ng_n", "Nq_n", "Ng_g", "Nq_g"});
  if (layout == LayoutSubstInputs || layout == LayoutSubstFeeders) return IsOneOf(field, {"Ng", "Nqp", "Npm", "Nqm"});
  if (layout == LayoutLineFlows) return IsOneOf(field, {"Ngr", "Nqr", "Ngl", "Nql"});
  return false;
}

DAString& Text(const char* field, const TDataFile& table) { return *GetColumnAs<DAString>(field, table); }

// The parameter dialog over an equipment type, mark and tap only: the branch values it also shows are
// not kept in the district's line and station rows.
bool EditEquipment(const std::string& base, const std::string& title, std::string& type, std::string& mark,
                   std::int16_t& tap) {
  std::string regulation;
  std::int16_t tap2 = 0;
  float r = 0, x = 0, g = 0, b = 0, ka = 0, kr = 0, ktn = 0, idop = 0, sdop = 0;
  return EditBranchParams(0, 0, IniRec.Path, base, title, type, mark, regulation, tap, tap2, r, x, g, b, ka, kr, ktn,
                          idop, sdop, IniRec.CutMark);
}

struct FreeCatalogs {
  ~FreeCatalogs() {
    FreeCatalogKA();
    FreeCatalogT2();
  }
};

}  // namespace

void TBaseResForm::InstallGridEvents() {
  DataGrid_->OnSetMaketProc = [this](PDataFile df) { DataGridSetMaketProc(df); };
  DataGrid_->OnMoveProc = [this](PDataFile df, int acol, int arow) { DataGridMoveProc(df, acol, arow); };
  DataGrid_->OnSaveProc = [this](PDataFile df) { DataGridSaveProc(df); };
  DataGrid_->OnExtKeyDown = [this](QObject* sender, int& key, Qt::KeyboardModifiers shift) {
    DataGridExtKeyDown(sender, key, shift);
  };
  auto* keys = new TGridKeys(*this);
  DataGrid_->Editor()->installEventFilter(keys);
  DataGrid_->installEventFilter(keys);
}

// ---- layout, cursor and save -------------------------------------------------------------------------

void TBaseResForm::DataGridSetMaketProc(PDataFile df) {
  const std::string& layout = df->Name;
  if (layout == LayoutLines10 || layout == LayoutTransTP || layout == LayoutBranches || layout == LayoutSwitchLog) {
    DataGrid_->OnParamProc = [this](const std::string& folder, PDataFile table, int row, bool& modify) {
      DataGridParamProc(folder, table, row, modify);
    };
    DataGrid_->ShowStatus(UserAccess != 0);
  } else {
    DataGrid_->OnParamProc = nullptr;
    DataGrid_->ShowStatus(false);
  }
}

void TBaseResForm::DataGridMoveProc(PDataFile df, int acol, int) {
  if (acol < 1 || acol > df->NCols) return;
  const QString text = QString::fromStdString(" " + df->Comment[static_cast<std::size_t>(acol)]);
  HelpPanel->setText(text);
  HelpPanel->setToolTip(text);
}

void TBaseResForm::DataGridSaveProc(PDataFile df) {
  if (df->Name != LayoutSwitchLog) return;
  RefreshSwitchLog(*df);
  DataGrid_->update();
}

// ---- typed keys ----------------------------------------------------------------------------------

bool TBaseResForm::DataGridKeyPress(QChar key, bool editor) {
  if (busy_ || !DataGrid_->GridVisible()) return false;
  // A key arrives outside any command: its error is shown here, and the key goes nowhere.
  try {
    return CellKeyPress(key, editor);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return true;
  }
}

bool TBaseResForm::CellKeyPress(QChar key, bool editor) {
  if (!DataGrid_->EditTable()) return false;
  TDataFile& table = *DataGrid_->GetTable();
  const std::string& layout = table.Name;
  const std::string field = DataGrid_->CurrentFieldName();
  const int row = DataGrid_->CurrentTableRow();
  if (layout == LayoutNodes && field == "Sign") {
    // The row's colour follows the node type letter typed into the cell.
    if (!editor) return false;
    const QChar up = key.toUpper();
    if (!table.MarkRec) table.MarkRec = std::make_unique<DAbyte>();
    (*table.MarkRec)[row] = up == QChar('B') ? 16 : up == QChar('U') ? 80 : 0;
    DataGrid_->update();
    return false;
  }
  if (key == QChar('+') && layout == LayoutLines10 && IsOneOf(field, {"Name1", "Name2"})) {
    const std::string name = NextTapOffName(table);
    DataGrid_->SetFieldText(field, row, &name);
    DataGrid_->update();
    return true;
  }
  if (key != QChar(' ')) return false;
  const bool station = layout == LayoutTransTP;
  if ((layout == LayoutLines10 || station) && IsOneOf(field, {"MarkCom1", "MarkCom2"})) {
    PickSwitchingDevice(field, row);
  } else if (station && field == "Transform") {
    PickTransformer(field, row);
  } else if (IsGraphField(layout, field)) {
    PickGraph(field, row);
  } else {
    return false;
  }
  return true;
}

void TBaseResForm::PickSwitchingDevice(const std::string& field, int row) {
  const FreeCatalogs freeAtEnd;
  LoadCatalogKA(IniRec.Path, false);
  int chosen = std::max(1, IndexOfKAMark(Text(field.c_str(), DataGrid_->table()).GetItem(row)));
  bool changed = false;
  if (!ShowCatalog(FindFileNoCase(IniRec.Path + CatalogFileKA), "Каталог коммутационных аппаратов", nullptr, chosen,
                   changed))
    return;
  if (changed) LoadCatalogKA(IniRec.Path, false);
  const std::string caption = CatalogKACaption(chosen);
  DataGrid_->SetFieldText(field, row, &caption);
  DataGrid_->update();
}

void TBaseResForm::PickTransformer(const std::string& field, int row) {
  const FreeCatalogs freeAtEnd;
  LoadCatalogT2(IniRec.Path, false);
  int chosen = std::max(1, IndexOfT2Mark(Text(field.c_str(), DataGrid_->table()).GetItem(row)));
  bool changed = false;
  if (!ShowCatalog(FindFileNoCase(IniRec.Path + CatalogFileT2), "Каталог двухобмоточных трансформаторов", nullptr,
                   chosen, changed))
    return;
  if (changed) LoadCatalogT2(IniRec.Path, false);
  const std::string caption = CatalogT2Caption(chosen, true);
  DataGrid_->SetFieldText(field, row, &caption);
  DataGrid_->update();
}

void TBaseResForm::PickGraph(const std::string& field, int row) {
  const TDataFile& table = DataGrid_->table();
  int graph = static_cast<int>(TNumberColumn(field, table).Get(row));
  if (!ShowGraphCatalog(BaseFileName, graph)) return;
  // the graph number in the column's own integer type
  switch (table.ColType[static_cast<std::size_t>(FindColumnIndex(field, table))]) {
    case 'i': {
      const auto v = static_cast<std::int16_t>(graph);
      DataGrid_->SetFieldText(field, row, &v);
      break;
    }
    case 'w': {
      const auto v = static_cast<std::uint16_t>(graph);
      DataGrid_->SetFieldText(field, row, &v);
      break;
    }
    default: {
      const std::int32_t v = graph;
      DataGrid_->SetFieldText(field, row, &v);
      break;
    }
  }
  DataGrid_->update();
}

// ---- the jump between a line and its station -------------------------------------------------------

void TBaseResForm::DataGridExtKeyDown(QObject*, int& key, Qt::KeyboardModifiers shift) {
  if (!(shift & Qt::ControlModifier) || busy_ || !DataGrid_->GridVisible()) return;
  const std::string& layout = DataGrid_->table().Name;
  if (layout == LayoutLines10 && key == Qt::Key_Right) {
    key = 0;
    Run([this] { StationOfLine(); });
  } else if (layout == LayoutTransTP && key == Qt::Key_Left) {
    key = 0;
    Run([this] { LineItemClick(); });
  }
}

void TBaseResForm::StationOfLine() {
  const std::string name = Text("Name2", DataGrid_->table()).GetItem(DataGrid_->CurrentTableRow());
  if (!SwitchToTable(TPItem)) return;
  const TDataFile& stations = DataGrid_->table();
  if (const int found = FindStationRow(stations, name)) {
    DataGrid_->GotoRow(found);
    return;
  }
  if (!DataGrid_->EditTable()) return;  // a station table shown read-only gets no new row
  const std::string transformer = StationTransformerName(name);  // a bad number appends nothing
  const std::string mark = "ТМ-";
  const int row = stations.RowCount + 1;
  DataGrid_->SetFieldText("Name1", row, &name);
  DataGrid_->SetFieldText("Ntr", row, &transformer);
  DataGrid_->SetFieldText("Transform", row, &mark);
  DataGrid_->GotoRow(row);
  DataGrid_->MoveTo(DataGrid_->FieldColumn("Transform"), DataGrid_->Row());
  DataGrid_->SetMode(gmEdit);
  DataGrid_->update();
}

// ---- the parameter dialog (F9) -------------------------------------------------------------------------

void TBaseResForm::DataGridParamProc(const std::string&, PDataFile df, int row, bool& modify) {
  modify = false;
  const std::string& layout = df->Name;
  if (layout == LayoutTransTP)
    TransformerParams(*df, row, modify);
  else if (layout == LayoutLines10)
    LineParams(*df, row, modify);
  else if (layout == LayoutBranches || layout == LayoutSwitchLog)
    BranchParams(*df, row, modify);
  if (modify && row > df->RowCount) {
    df->RowCount = row;
    DataGrid_->TrimEmptyTailRows();
    DataGrid_->Refresh();
  }
}

void TBaseResForm::TransformerParams(TDataFile& t, int row, bool& modify) {
  DAString &typEqu = Text("TypEqu", t), &transform = Text("Transform", t);
  TInt16Column notv(GetColumnArray("Notv", t));
  const std::string title = Text("Name1", t).GetItem(row) + " - " + Text("Ntr", t).GetItem(row);
  std::string type = typEqu.GetItem(row).empty() ? "T2||" : typEqu.GetItem(row);
  std::string mark = transform.GetItem(row);
  auto tap = static_cast<std::int16_t>(notv.Get(row));
  // a table shown read-only keeps its values
  if (!EditEquipment(BaseFileName, title, type, mark, tap) || !DataGrid_->EditTable()) return;
  typEqu.SetItem(row, type);
  transform.SetItem(row, mark);
  notv[row] = tap;
  modify = true;
}

void TBaseResForm::LineParams(TDataFile& t, int row, bool& modify) {
  DAString &typEqu = Text("TypEqu", t), &kodLine = Text("KodLine", t), &un = Text("Un", t);
  DAbyte& nl = *GetColumnAs<DAbyte>("Nl", t);
  const char sign = GetColumnAs<DAChar>("Sign", t)->Get(row);
  const std::string title = Text("Name1", t).GetItem(row) + " - " + Text("Name2", t).GetItem(row);
  std::string type = LineEquipmentType(typEqu.GetItem(row), sign ? Cp1251ToUtf8(std::string(1, sign)) : std::string(),
                                       un.GetItem(row));
  std::string mark = kodLine.GetItem(row);
  auto tap = static_cast<std::int16_t>(nl.Get(row));
  if (!EditEquipment(BaseFileName, title, type, mark, tap) || !DataGrid_->EditTable()) return;
  typEqu.SetItem(row, type);
  kodLine.SetItem(row, mark);
  nl[row] = static_cast<std::uint8_t>(std::clamp<int>(tap, 0, 255));
  if (!type.empty() && type[0] == 'T') un.SetItem(row, TransformerLineVoltages(type, mark, un.GetItem(row)));
  modify = true;
}

void TBaseResForm::BranchParams(TDataFile& t, int row, bool& modify) {
  if (EditBranchRowParams(t, row, BaseFileName, [this] { return DataGrid_->EditTable(); })) modify = true;
}

}  // namespace ld::gui
