// Selections on the diagram: what the engine marks for a node's text is added to the drawn fragment.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/diagram/scheme_files.h"
#include "core/engine/regime.h"
#include "core/engine/select.h"
#include "core/regime/selections.h"
#include "core/tables/layout.h"
#include "gui/catalogs/catalog_form.h"
#include "gui/diagram/layer_form.h"
#include "gui/diagram/sch_box.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

void UniteSorted(std::vector<std::int32_t>& rows, const std::vector<std::int32_t>& more) {
  rows.insert(rows.end(), more.begin(), more.end());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}

int TagOf(QObject* sender) {
  if (auto* item = qobject_cast<QAction*>(sender)) return item->data().toInt();
  return sender ? sender->property("Tag").toInt() : 0;
}

}  // namespace

void TZregimForm::TreeBtnClick(QObject* sender) {
  const int mode = TagOf(sender);
  TDataGrid5& grid = BalansGrid->hasFocus() ? *BalansGrid : *DataGrid_;
  const TGridBlock& block = grid.Block();
  if (grid.isVisible() && grid.GridVisible() && block.Row2 > block.Row1) {
    const int col = grid.TableColumn(grid.Col());
    std::vector<std::string> texts;
    for (int r = block.Row1; r <= block.Row2; ++r) texts.push_back(GetCellText(grid.table(), r, col, false));
    for (const std::string& text : texts) ShowSelection(mode, text);
    return;
  }
  ShowSelection(mode, FindEdit->text().toStdString());
}

void TZregimForm::ShowSelection(int mode, std::string text) {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  // Redrawing the scheme forgets the marked line, whose subscribers the line's list is about.
  const std::int32_t markedRow = SchBox->MarkedLine != nullptr ? SchBox->MarkedLine->BranchRow : 0;
  const std::string shown = ShownMaket();
  // The re-read brings the grid's saved edits onto the diagram. A modified drawing holds the locks of
  // those tables, so nothing can have changed them, and re-reading would throw its own changes away.
  if ((shown == LayoutNodes || shown == LayoutBranches) && !SchBox->Modified) {
    Diagram().LoadScheme(SchemePath);
    SchBox->RebuildScheme(SchBox->OriginX, SchBox->OriginY);
  }
  if (SchBox->Modified && !SaveDrawingAndReload(true)) return;

  struct EndScope {
    TZregimForm& form;
    ~EndScope() {
      form.HelpText->clear();
      form.ProcBar->hide();
    }
  } end{*this};
  ProcBar->setValue(0);
  ProcBar->show();
  ArrangeBottomPanels();

  TRegime& r = *Regime();
  r.ModelError = false;
  if (r.FirstElement != nullptr) {
    for (TRegimeElement* e = r.FirstElement; e != nullptr; e = e->Next) e->Flags &= 0x0FFFFFFFu;
  } else {
    LoadModel();
  }
  if (r.ModelError) {
    ShowMsgForm("Ошибка построения модели. Детальная информация: меню \"Контроль схемы\" - \"Анализ конфигурации\"",
                mkError, mbOk);
    return;
  }
  const std::string given = text;
  text = UpperCase(text);
  const bool byName = SchBox->FIntegral && SchBox->FPaintNod == 1;
  const TRegimeProgressEvent progress = [this](int position) { OnCalcProgress(position); };
  std::vector<std::int32_t> nodes, lines;
  bool found = false;
  switch (mode) {
    case 0: found = SelectUnsuppliedFragment(r, text, progress); break;
    case 1: found = BuildSupplyTree(r, text, byName, IniRec.FullTree, progress); break;
    case 2: found = BuildSupplyRadius(r, text, byName, IniRec.FullRadius, progress); break;
    case 3: found = BuildSupplyRoutes(r, text, byName, progress); break;
    case 4: found = BuildNodeTier(r, text, byName, progress); break;
    case 5: {
      const std::string number = TrimLeadSpaces(TrimTrailSpaces(text.size() > 7 ? text.substr(7) : std::string()));
      int index = 0;
      try {
        index = number.empty() ? 0 : std::stoi(number);
      } catch (const std::exception&) {
        index = 0;
      }
      found = SelectContour(r, index, progress);
      break;
    }
    case 6: found = SelectNodesByVoltageClass(r, text, nodes, lines, progress); break;
    case 7:
      found = ExecuteSelectNodeLinks(r, text, *SchBox->NodeCols.Name, SchBox->FSection, byName, SchBox->LineSet);
      break;
    case 8: found = ToggleSubstation(r, text, byName, nodes, lines, progress); break;
    case 15:
    case 16:
    case 17: ShowSubscribers(mode, given, markedRow); return;
    default: return;
  }
  if (!found) return;
  if (mode != 6 && mode != 8) CollectMarkedConnections(r, nodes, lines);
  // the links dialog decides the node's whole neighbourhood: what it unticked goes from the picture
  if (mode == 7) SchBox->NodeSet.clear(), SchBox->LineSet.clear();
  UniteSorted(nodes, SchBox->NodeSet);
  UniteSorted(lines, SchBox->LineSet);
  SchBox->BuildScheme(std::move(nodes), std::move(lines), SchBox->OriginX, SchBox->OriginY);
  SchBox->FindNodeOnScheme(text);
}

void TZregimForm::ShowSubscribers(int mode, const std::string& text, std::int32_t lineRow) {
  TSubscriberSources sources;
  ReadSubscriberSources(SchemePath, sources, [this](int position) { OnCalcProgress(position); });
  TDataFile table;
  std::string title;
  if (mode == 15) {
    const std::string substation = UpperCase(text.substr(0, text.find('.')));
    FillSubstationSubscribers(sources, substation, table);
    title = std::string(LayoutConsumerList) + " " + substation;
  } else if (mode == 16) {
    CollectSubscribersOfNames(sources, {text}, table);
    title = "Список присоединений " + text;
  } else {
    if (lineRow <= 0 || !SchBox->BranchTable || lineRow > SchBox->BranchTable->RowCount) return;
    const std::int32_t n1 = (*SchBox->BranchCols.N1)[lineRow], n2 = (*SchBox->BranchCols.N2)[lineRow];
    CollectSubscribersOfNames(sources, NamesSuppliedByLine(*Regime(), n1, n2), table);
    auto nameOf = [this](std::int32_t ns) {
      for (std::int32_t k = 1; k <= SchBox->NodeTable->RowCount; ++k)
        if ((*SchBox->NodeCols.NS)[k] == ns) return SchBox->NodeCols.Name->GetItem(k);
      return std::to_string(ns);
    };
    title = "Список присоединений по линии " + nameOf(n1) + " - " + nameOf(n2);
  }
  HelpText->clear();
  ProcBar->hide();
  int row = 1;
  bool changed = false;
  ShowCatalog("", title, &table, row, changed);
}

}  // namespace ld::gui
