// The diagram panel: the command row above the diagram, showing and hiding it, the editing mode, the
// search and the lists beside the diagram.
#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/diagram/scheme_edit.h"
#include "core/diagram/scheme_files.h"
#include "core/engine/regime.h"
#include "core/regime/scheme_files.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/common/named_widget.h"
#include "gui/common/toolbar_overflow.h"
#include "gui/diagram/prn_sch_form.h"
#include "gui/diagram/sch_box.h"
#include "gui/diagram/set_color_form.h"
#include "gui/diagram/set_graph_form.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::vector<std::int32_t> AllRows(const TDataFile* table) {
  std::vector<std::int32_t> rows(table ? static_cast<std::size_t>(table->RowCount) : 0);
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::int32_t>(i + 1);
  return rows;
}

void InsertSortedOnce(std::vector<std::int32_t>& rows, std::int32_t row) {
  const auto it = std::lower_bound(rows.begin(), rows.end(), row);
  if (it == rows.end() || *it != row) rows.insert(it, row);
}

// The district number of a "~N" text; nullopt after the message of a bad number.
std::optional<int> DistrictOf(const std::string& text) {
  const std::string rest = TrimLeadSpaces(TrimTrailSpaces(text.substr(1)));
  try {
    std::size_t used = 0;
    const int n = std::stoi(rest, &used);
    if (used == rest.size()) return n;
  } catch (const std::exception&) {
  }
  ShowMsgForm("Неправильный номер района: " + text, mkError, mbOk);
  return std::nullopt;
}

// A list box beside the diagram: typing collects a search text instead of the list's own keyboard
// search, and a few keys run the panel's commands.
class TSubstListKeys : public QObject {
public:
  TSubstListKeys(TZregimForm& form, QObject* parent) : QObject(parent), form_(form) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    return form_.SubstListKey(key->key(), key->text(), (key->modifiers() & Qt::KeypadModifier) != 0);
  }

private:
  TZregimForm& form_;
};

}  // namespace

void TZregimForm::BuildSchPanel() {
  // A tool bar rather than a plain row: on a narrow window the commands that do not fit stay reachable
  // behind its extension button instead of widening the window past the screen.
  auto* bar = new QToolBar(SchPanel);
  bar->setObjectName("SchCommands");
  bar->setFloatable(false);
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  OfferHiddenButtonsInOverflow(*bar);
  static_cast<QHBoxLayout*>(SchPanel->layout())->insertWidget(0, bar, 1);
  auto button = [&](QToolButton*& b, const char* name, const char* text, const char* hint, bool toggle = false) {
    b = ToolButton(name, text, hint, bar, toggle);
    bar->addWidget(b);
  };
  auto gap = [&] { bar->addSeparator(); };
  button(UpdateBtn, "UpdateBtn", "Обновить", "Обновить схему");
  button(FullSchBtn, "FullSchBtn", "Вся схема", "Отображение всей схемы");
  button(SaveSchBtn, "SaveSchBtn", "Сохранить", "Сохранить изменения в схеме");
  button(PrintSchBtn, "PrintSchBtn", "Печать", "Печать схемы");
  button(SetPrmBtn, "SetPrmBtn", "Настройки", "Настройки графики схемы");
  button(ColorBtn, "ColorBtn", "Цвета", "Установка цветов");
  gap();
  // CorrectBtn was made with the row; it keeps its place after the view commands.
  SchPanel->layout()->removeWidget(CorrectBtn);
  bar->addWidget(CorrectBtn);
  CorrectBtn->setToolTip("Режим редактирования");
  button(ComBtn, "ComBtn", "Ком.", "Изменение коммутации", true);
  button(PQBtn, "PQBtn", "PQ", "Нагрузки узлов", true);
  button(RXBtn, "RXBtn", "RX", "Параметры ветвей", true);
  button(WhBtn, "WhBtn", "Wh", "Установка измерений", true);
  button(AddLinBtn, "AddLinBtn", "Связь", "Проведение связи между узлами", true);
  button(AddNodBtn, "AddNodBtn", "+Узел", "Добавить узел");
  button(AddLnkBtn, "AddLnkBtn", "+Ветвь", "Добавить связь");
  button(FitNodBtn, "FitNodBtn", "Врезка", "Врезать узел в линию");
  button(DelNodBtn, "DelNodBtn", "-Узел", "Удалить узел");
  button(DelLinBtn, "DelLinBtn", "-Ветвь", "Удалить ветвь");
  button(DelFitNodBtn, "DelFitNodBtn", "-Врезка", "Удалить врезанный узел");
  gap();
  FindEdit = new QLineEdit(bar);
  FindEdit->setObjectName("FindEdit");
  FindEdit->setPlaceholderText("Номер/наименование узла");
  FindEdit->setToolTip("Номер/наименование узла");
  FindEdit->setMinimumWidth(140);
  bar->addWidget(FindEdit);
  button(FindBtn, "FindBtn", "Найти", "Поиск узла");
  button(SubstBtn, "SubstBtn", "ПС", "Развернуть/свернуть подстанцию");
  button(ClearSchBtn, "ClearSchBtn", "Очистить", "Очистить графический фрагмент");
  gap();
  button(TreeBtn, "TreeBtn", "Дерево", "Построение дерева питания");
  button(RadiusBtn, "RadiusBtn", "Радиус", "Построение радиуса питания");
  button(TrassBtn, "TrassBtn", "Трассы", "Построение трасс питания");
  button(LayerBtn, "LayerBtn", "Ярус", "Построение яруса узла");
  button(LinksBtn, "LinksBtn", "Связи", "Показать/скрыть связи узла");
  button(UnomBtn, "UnomBtn", "Классы U", "Выборка узлов по классам напряжения");
  const std::pair<QToolButton*, int> tags[] = {{TreeBtn, 1}, {RadiusBtn, 2}, {TrassBtn, 3},
                                               {LayerBtn, 4}, {LinksBtn, 7}, {UnomBtn, 6}};
  for (const auto& [b, tag] : tags) {
    b->setProperty("Tag", tag);
    Bind(b, [this, b] { TreeBtnClick(b); });
  }

  Bind(SchBtn, [this] { SchBtnClick(); });
  Bind(UpdateBtn, [this] { UpdateBtnClick(); });
  Bind(FullSchBtn, [this] { FullSchBtnClick(); });
  Bind(SaveSchBtn, [this] { SaveSchBtnClick(); });
  Bind(PrintSchBtn, [this] { PrintSchBtnClick(); });
  Bind(SetPrmBtn, [this] { SetPrmBtnClick(); });
  Bind(ColorBtn, [this] { ColorBtnClick(); });
  Bind(CorrectBtn, [this] { CorrectBtnClick(); });
  for (QToolButton* b : {ComBtn, PQBtn, RXBtn, WhBtn, AddLinBtn}) Bind(b, [this, b] { ClickModeBtnClick(b); });
  for (QToolButton* b : {AddNodBtn, AddLnkBtn, FitNodBtn, DelNodBtn, DelLinBtn, DelFitNodBtn})
    Bind(b, [this, b] { CorrectMenuClick(b); });
  Bind(FindBtn, [this] { FindBtnClick(); });
  connect(FindEdit, &QLineEdit::returnPressed, this, [this] { Run([this] { FindBtnClick(); }); });
  Bind(SubstBtn, [this] { SubstBtnClick(); });
  Bind(ClearSchBtn, [this] { ClearSchBtnClick(); });
  for (QListWidget* list : {SubstList, NoSupBox, ConturBox})
    connect(list, &QListWidget::itemClicked, this, [this, list] { SubstListClick(list); });
  SubstList->installEventFilter(new TSubstListKeys(*this, SubstList));
  SchCommands = bar;
}

// ---- showing and hiding ---------------------------------------------------------------------------

namespace {

void ResetClickModes(TSchemBox& box, std::initializer_list<QToolButton*> buttons) {
  for (QToolButton* b : buttons) {
    b->setChecked(false);
    b->setEnabled(false);
  }
  box.ComMode = box.LoadMode = box.RXMode = box.MeterMode = box.AddLineMode = false;
}

}  // namespace

void TZregimForm::SchBtnClick() {
  const bool show = SchBtn->isChecked();
  if (show) {
    const std::string shown = ShownMaket();
    if (DataGrid_->Modified() && (shown == LayoutNodes || shown == LayoutBranches || shown == LayoutLineFlows) &&
        !DataGrid_->SaveWithQuestion()) {
      SchBtn->setChecked(false);
      return;
    }
    CorrectBtn->setChecked(false);
    SchBox->SetEditMode(false);
    SchBox->Modified = false;
    ResetClickModes(*SchBox, {ComBtn, PQBtn, RXBtn, WhBtn, AddLinBtn});
    for (QToolButton* b : {AddNodBtn, AddLnkBtn, FitNodBtn, DelNodBtn, DelLinBtn, DelFitNodBtn, SaveSchBtn})
      b->setEnabled(false);
    SchBox->HintMode = false;
    FindEdit->clear();
    Diagram().LoadScheme(SchemePath);
    setWindowTitle(Q(SchemeCaption(SchemePath)));
    ClearSchBtnClick();
    SchPanel->show();
    ArrangeTopPanels();
    SchPanel2->show();
    const int total = std::max(Split1->width(), 624);
    Split1->setSizes({312, total - 312});
  } else {
    if (SchBox->Modified && !SaveDrawingAndReload(true)) {
      SchBtn->setChecked(true);
      return;
    }
    SchPanel2->hide();
    SchPanel->hide();
    ArrangeTopPanels();
    SchBox->HideNodeHint();
    if (SchBox->EditMode) {
      CorrectBtn->setChecked(false);
      ResetClickModes(*SchBox, {ComBtn, PQBtn, RXBtn, WhBtn, AddLinBtn});
      SchBox->SetEditMode(false);
      ShowSchemeTableAgain();
    }
  }
  UpdateBtn->setEnabled(!SchBox->EditMode);
}

void TZregimForm::UpdateBtnClick() {
  if (!CommonGuard()) return;
  DrawWholeScheme();
}

void TZregimForm::DrawWholeScheme() {
  Diagram().LoadScheme(SchemePath);
  setWindowTitle(Q(SchemeCaption(SchemePath)));
  SchBox->BuildScheme(AllRows(SchBox->NodeTable.get()), AllRows(SchBox->BranchTable.get()), 0, 0);
}

void TZregimForm::FullSchBtnClick() {
  // The question only offers to keep the edits: the whole scheme is drawn whatever the answer.
  if (SchBox->Modified) SaveDrawingAndReload(true);
  SchBox->BuildScheme(AllRows(SchBox->NodeTable.get()), AllRows(SchBox->BranchTable.get()), 0, 0);
}

void TZregimForm::SaveSchBtnClick() {
  const std::string text = FindEdit->text().toStdString();
  if (!text.empty() && text[0] == '~') {
    if (const std::optional<int> district = DistrictOf(text)) {
      TSchemBox& box = *SchBox;
      diagram::StartChange(box);
      const std::int32_t n = *district;
      const bool withEnergy = box.BranchEnergyTable && box.BranchEnergyCols.Nr &&
                              fileio::FileExists(FamilyFile(SchemePath, box.BranchEnergyTable->Extention));
      for (std::int32_t r = 1; r <= box.NodeTable->RowCount; ++r)
        if ((*box.NodeCols.Nr)[r] == n) (*box.NodeCols.Nr)[r] = 0;
      for (std::int32_t r = 1; r <= box.BranchTable->RowCount; ++r)
        if ((*box.BranchCols.Nr)[r] == n) (*box.BranchCols.Nr)[r] = 0;
      if (withEnergy)
        for (std::int32_t r = 1; r <= box.BranchEnergyTable->RowCount; ++r)
          if ((*box.BranchEnergyCols.Nr)[r] == n) (*box.BranchEnergyCols.Nr)[r] = 0;
      for (std::int32_t r : box.NodeSet) (*box.NodeCols.Nr)[r] = n;
      for (std::int32_t r : box.LineSet) {
        (*box.BranchCols.Nr)[r] = n;
        if (withEnergy && r <= box.BranchEnergyTable->RowCount) (*box.BranchEnergyCols.Nr)[r] = n;
      }
      box.Modified = true;
      box.BranchEnergyChanged = box.BranchEnergyChanged || withEnergy;
    }
  }
  SaveDrawingAndReload(false);
}

void TZregimForm::PrintSchBtnClick() { ExecutePrintSchemeDialog(*SchBox, ""); }

void TZregimForm::SetPrmBtnClick() {
  bool rebuild = false;
  if (!ExecuteGraphSettingsDialog(*SchBox, rebuild)) return;
  Regime()->NameMode = SchBox->FPaintNod;
  if (rebuild)
    SchBox->RebuildScheme(0, 0);
  else
    SchBox->RelayoutScheme(0, 0);
  SchBox->Paint();
}

void TZregimForm::ColorBtnClick() {
  if (!ExecuteColorSettingsDialog(*SchBox, SchemePath)) return;
  QPalette p = SchPanel2->palette();
  p.setColor(QPalette::Window, Diagram().BackgroundColor());
  SchPanel2->setPalette(p);
  SchBox->Paint();
}

void TZregimForm::CorrectBtnClick() {
  const std::initializer_list<QToolButton*> modes = {ComBtn, PQBtn, RXBtn, WhBtn, AddLinBtn};
  const std::initializer_list<QToolButton*> edits = {AddNodBtn, AddLnkBtn, FitNodBtn, DelNodBtn,
                                                     DelLinBtn, DelFitNodBtn, SaveSchBtn};
  if (CorrectBtn->isChecked()) {
    const std::string shown = ShownMaket();
    if (DataGrid_->Modified() &&
        (shown == LayoutNodes || shown == LayoutBranches || shown == LayoutLineFlows || shown == LayoutSwitchLog) &&
        !DataGrid_->SaveWithQuestion()) {
      CorrectBtn->setChecked(false);
      return;
    }
    LoadModel();
    Diagram().LoadScheme(SchemePath);
    SchBox->RebuildScheme(SchBox->OriginX, SchBox->OriginY);
    setWindowTitle(Q(SchemeCaption(SchemePath)));
    for (QToolButton* b : modes) b->setEnabled(true);
    for (QToolButton* b : edits) b->setEnabled(true);
    SchBox->SetEditMode(true);
    ShowSchemeTableAgain();
  } else {
    if (SchBox->Modified) {
      int answer = 0;
      if (!Diagram().SaveScheme(true, IniRec.FSave10, answer)) {
        CorrectBtn->setChecked(true);
        return;
      }
      if (answer == 1) {
        LoadModel();
        SchBox->Paint();
      }
    }
    ResetClickModes(*SchBox, modes);
    for (QToolButton* b : edits) b->setEnabled(false);
    SchBox->SetEditMode(false);
    ShowSchemeTableAgain();
  }
  UpdateBtn->setEnabled(!SchBox->EditMode);
}

void TZregimForm::ClickModeBtnClick(QToolButton* sender) {
  TSchemBox& box = *SchBox;
  const bool down = sender->isChecked();
  if (sender == ComBtn) {
    box.ComMode = down;
    box.Paint();
  } else if (sender == PQBtn || sender == RXBtn) {
    (sender == PQBtn ? box.LoadMode : box.RXMode) = down;
    if (down) WhBtn->setChecked(false);
    box.MeterMode = WhBtn->isChecked();
  } else if (sender == WhBtn) {
    box.MeterMode = down;
    if (down) {
      PQBtn->setChecked(false);
      RXBtn->setChecked(false);
    }
    box.LoadMode = PQBtn->isChecked();
    box.RXMode = RXBtn->isChecked();
  } else if (sender == AddLinBtn) {
    box.AddLineMode = down;
  }
}

void TZregimForm::CorrectMenuClick(QToolButton* sender) {
  TSchemBox& box = *SchBox;
  if (sender == AddNodBtn)
    diagram::AddNewNode(box, box.Dialogs());
  else if (sender == AddLnkBtn)
    diagram::AddNewLink(box, box.Dialogs());
  else if (sender == FitNodBtn)
    diagram::InsertNodeIntoLine(box, box.Dialogs());
  else if (sender == DelNodBtn)
    diagram::DeleteNodeWithLinks(box);
  else if (sender == DelLinBtn)
    diagram::DeleteLine(box);
  else if (sender == DelFitNodBtn)
    diagram::DeleteInsertedNode(box);
}

// ---- search and substations ---------------------------------------------------------------------------

void TZregimForm::FindBtnClick() {
  const std::string text = FindEdit->text().toStdString();
  if (!text.empty() && text[0] == '~') {
    const std::optional<int> district = DistrictOf(text);
    if (!district) return;
    TSchemBox& box = *SchBox;
    std::vector<std::int32_t> nodes = box.NodeSet, lines = box.LineSet;
    std::sort(nodes.begin(), nodes.end());
    std::sort(lines.begin(), lines.end());
    for (std::int32_t r = 1; r <= box.BranchTable->RowCount; ++r) {
      if ((*box.BranchCols.Nr)[r] != *district) continue;
      InsertSortedOnce(lines, r);
      const std::int32_t n1 = (*box.BranchCols.N1)[r], n2 = (*box.BranchCols.N2)[r];
      for (std::int32_t k = 1; k <= box.NodeTable->RowCount; ++k)
        if ((*box.NodeCols.NS)[k] == n1 || (*box.NodeCols.NS)[k] == n2) InsertSortedOnce(nodes, k);
    }
    box.BuildScheme(std::move(nodes), std::move(lines), box.OriginX, box.OriginY);
    return;
  }
  if (NoSupBox->isVisible())
    ShowSelection(0, text);
  else if (ConturBox->isVisible())
    ShowSelection(5, text);
  else if (!text.empty())
    SchBox->FindNodeOnScheme(text);
}

void TZregimForm::SubstBtnClick() {
  TSchemBox& box = *SchBox;
  const std::string text = FindEdit->text().toStdString();
  std::vector<std::string>& expanded = box.ExpandedSubst;
  if (text == "+") {
    expanded.clear();
    for (std::int32_t r : box.NodeSet) {
      const std::string part = SubstationOf(box.NodeCols.Name->GetItem(r));
      // tap-off nodes are no substations of their own
      if (part.rfind("ОТП", 0) == 0 || part.rfind("ВІДП", 0) == 0 || part.rfind("_", 0) == 0) continue;
      if (std::find(expanded.begin(), expanded.end(), part) == expanded.end()) expanded.push_back(part);
    }
  } else if (text == "-") {
    expanded.clear();
  } else {
    const std::string part = SubstationOf(text);
    const auto it = std::find(expanded.begin(), expanded.end(), part);
    if (it != expanded.end())
      expanded.erase(it);
    else
      expanded.push_back(part);
  }
  if (!box.NodeSet.empty()) {
    box.RelayoutScheme(box.OriginX, box.OriginY);
    box.Paint();
  } else {
    ShowSelection(8, text);
  }
}

void TZregimForm::ClearSchBtnClick() {
  SchBox->ExpandedSubst.clear();
  SchBox->BuildScheme({}, {}, 0, 0);
  SchBox->Paint();
}

void TZregimForm::SchBoxGetNode(const std::string& node) { FindEdit->setText(Q(node)); }

void TZregimForm::SubstListClick(QListWidget* list) {
  const int row = list->currentRow();
  if (row < 0) return;
  if (list != ConturBox) {
    FindEdit->setText(list->item(row)->text());
    return;
  }
  // the loop's lines follow its heading line
  for (int r = row; r >= 0; --r)
    if (list->item(r)->text().contains("Контур")) {
      FindEdit->setText(list->item(r)->text());
      return;
    }
}

bool TZregimForm::SubstListKey(int key, const QString& text, bool keypad) {
  const bool plus = keypad && key == Qt::Key_Plus;
  if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Escape || key == Qt::Key_Return ||
      key == Qt::Key_Enter || plus) {
    SubstSearch.clear();
    if (plus) Run([this] { SubstBtnClick(); });
    if (plus || key == Qt::Key_Return || key == Qt::Key_Enter) Run([this] { FindBtnClick(); });
    return plus || key == Qt::Key_Return || key == Qt::Key_Enter;
  }
  if (text.isEmpty() || !text[0].isPrint() || text == "+") return false;
  SubstSearch += UpperCase(text.toStdString());
  for (int r = 0; r < SubstList->count(); ++r)
    if (UpperCase(SubstList->item(r)->text().toStdString()).rfind(SubstSearch, 0) == 0) {
      SubstList->setCurrentRow(r);
      FindEdit->setText(SubstList->item(r)->text());
      break;
    }
  return true;
}

}  // namespace ld::gui
