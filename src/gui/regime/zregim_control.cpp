// The regime window's menu "Контроль схемы" and the scheme's own tables in the grid.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <filesystem>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/engine/regime.h"
#include "core/regime/configuration.h"
#include "core/tables/file_io.h"
#include "core/tables/table_file.h"
#include "gui/regime/zregim_form.h"

namespace ld::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void TZregimForm::ARKItemClick() {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  if (diagram_->Modified()) {
    int answer = 1;
    if (!diagram_->SaveScheme(true, IniRec.FSave10, answer)) return;
  }
  Info->clear();
  TRegime& r = *regime_;
  r.ShowMessages = true;
  const int algorithm = r.PVAlgorithm;
  r.PVAlgorithm = 0;
  struct Restore {
    TRegime& r;
    int algorithm;
    ~Restore() {
      r.PVAlgorithm = algorithm;
      r.ShowMessages = false;
    }
  } restore{r, algorithm};
  LoadModel();
  std::vector<std::string> lines = InfoLines();
  lines.insert(lines.begin(), "[Контроль конфигурации]");
  if (!r.ModelError)
    for (const std::string& line : ConfigurationCounts(r)) lines.push_back(line);
  SetInfoLines(lines);
  const std::string shown = ShownMaket();
  if (shown == LayoutNodes) NodesItemClick();
  if (shown == LayoutBranches) LinesItemClick(LinesItem);
  if (SchPanel2->isVisible()) {
    diagram_->Repaint();
    if (shown == LayoutLineFlows) LinesItemClick(FiderItem);
  }
  if (!Info->isVisibleTo(this)) ShowInfo(true);
}

void TZregimForm::ShowSideList(QListWidget* list, const std::string& label) {
  DataLabel->setText(Q(label));
  list->show();
  if (list->count() > 0) list->setCurrentRow(0);
}

void TZregimForm::NoSupItemClick(QAction* sender) {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return;
  StoreShownGridPos();
  DataGrid_->CloseTable();
  for (QWidget* w : std::initializer_list<QWidget*>{NoSupBox, ConturBox, SubstList, Memo1}) w->hide();
  HelpText->clear();
  if (sender == NoSupItem) {
    ShowSideList(NoSupBox, "Узлы без питания (" + std::to_string(NoSupBox->count()) + ")");
  } else if (sender == ConturItem) {
    ShowSideList(ConturBox, "Замкнутые контура (" + std::to_string(ConturBox->count() / 3) + ")");
  } else {
    SubstList->clear();
    TDataFile nodes;
    ReadTableFile(NodeFile(), nodes);
    for (const std::string& name : BuildSubstationList(nodes)) SubstList->addItem(Q(name));
    ShowSideList(SubstList, "Список подстанций");
    SubstList->setFocus();
  }
}

void TZregimForm::ShowTableFile(const std::string& fileName, const std::string& label, bool editable) {
  for (QWidget* w : std::initializer_list<QWidget*>{NoSupBox, ConturBox, SubstList, Memo1}) w->hide();
  const TGridPos pos = GetGridPos(label);
  DataGrid_->OpenFile(fileName, pos.TopRow, pos.Col, pos.Row, editable, true, true);
  DataLabel->setText(Q(label));
}

void TZregimForm::DebugTableClick(QAction* sender) {
  if (!CommonGuard()) return;
  const char* layout = sender == NodeItem ? LayoutNodeEnergy : LayoutBranchEnergy;
  const std::string file = SchemeFile(layout);
  if (fileio::FileExists(file)) ShowTableFile(file, layout, UserAccess != 0);
}

void TZregimForm::MeteringImportClick() { CommonGuard(); }

}  // namespace ld::gui
