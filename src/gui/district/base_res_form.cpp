#include "gui/district/base_res_form.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QShowEvent>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/engine/regime.h"
#include "gui/common/busy_scope.h"

namespace ld::gui {

TBaseResForm* BaseResForm = nullptr;

namespace {

TSchemePathSource& SchemeSource() {
  static TSchemePathSource source;
  return source;
}

}  // namespace

TSchemePathSource SetSchemePathSource(TSchemePathSource source) {
  return std::exchange(SchemeSource(), std::move(source));
}

std::string RegimeSchemePath() { return SchemeSource() ? SchemeSource()() : std::string(); }

TBaseResForm::TBaseResForm(QWidget* parent) : TWorkForm(parent) {
  setObjectName("BaseResForm");
  setWindowTitle("База РЭС");
  resize(900, 600);
  BuildPanels();
  BuildMenus();
  BuildToolBar();
  BindCommands();
  FormCreate();
  setWindowState(Qt::WindowMaximized);
}

TBaseResForm::~TBaseResForm() = default;

void TBaseResForm::Bind(QAction* action, std::function<void()> command) {
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] { Run(command); });
}

void TBaseResForm::Bind(QToolButton* button, std::function<void()> command) {
  connect(button, &QToolButton::clicked, this, [this, command = std::move(command)] { Run(command); });
}

void TBaseResForm::Run(const std::function<void()>& command) {
  // One GUI thread: a command started from the queue that a running one pumps would work under it.
  if (busy_) return;
  const BusyScope busy(busy_);
  try {
    command();
  } catch (const std::exception& e) {
    ProcBar->hide();
    ProcLabel->hide();
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

// ---- showing, activating and closing -------------------------------------------------------------

void TBaseResForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous() && !baseRegime_) FormShow();
  TWorkForm::showEvent(event);
}

bool TBaseResForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return TWorkForm::event(event);
}

void TBaseResForm::FormShow() {
  baseRegime_ = std::make_unique<TRegime>();
  baseRegime_->ShowMessages = false;
  baseRegime_->FormPVLoops = true;
  baseRegime_->NameMode = 1;
  baseRegime_->OnProgress = [this](int position) { ProgressCallback(position); };
  ResetForm();
}

void TBaseResForm::FormActivate() {
  if (!BaseFileName.empty()) setWindowTitle(QString::fromStdString(BaseCaption(BaseFileName)));
}

void TBaseResForm::FormCloseQuery(bool& canClose) {
  // The engine must outlive the loop of a running command.
  if (busy_) {
    canClose = false;
    return;
  }
  canClose = CommitGrid();
  if (canClose) baseRegime_.reset();
}

void TBaseResForm::QuitItemClick() { close(); }

void TBaseResForm::ProgressCallback(int position) {
  ProcBar->setValue(std::clamp(position, 0, 100));
  QCoreApplication::processEvents();
}

// ---- the command states ----------------------------------------------------------------------------

void TBaseResForm::ResetForm() {
  setWindowTitle("База РЭС");
  const bool write = UserAccess != 0;
  for (QAction* a : {NewItem, ImportItem, ImpPshItem, ImpXlsNetItem}) a->setEnabled(write);
  for (QAction* a : {SaveItem, SaveAsItem, PrintItem, NodesItem, LinesItem, FlowItem, GraphPQItem})
    a->setEnabled(false);
  for (QMenu* m : {DataItem, AbonentItem, SchemeItem}) m->menuAction()->setEnabled(false);
  for (QToolButton* b : {SaveBtn, PrintBtn, LineBtn, TPBtn, SubstBtn, ZamerBtn, Line04Btn, PromBtn, BytBtn,
                         ExportBtn, NodesBtn, LinesBtn, FlowBtn})
    b->setEnabled(false);
  DataLabel->clear();
  DataGrid_->CloseTable();
  ShowInfo(false);
  HelpPanel->clear();
  HelpPanel->setToolTip(QString());
  ProcLabel->hide();
  ProcBar->hide();
  BaseFileName.clear();
  BaseGridPositions.Reset();
}

void TBaseResForm::EnableBaseCommands() {
  const bool write = UserAccess != 0;
  for (QAction* a : {SaveItem, SaveAsItem, ImportTPItem, ImpTPMeasItem, ImpFeederMeasItem, ImpLine04Item, RenumItem,
                     RenameItem, LinkDogItem, ImpDbfBaseItem, ImpXlsBaseItem, ImportWItem})
    a->setEnabled(write);
  SchemeItem->menuAction()->setEnabled(write);
  SaveBtn->setEnabled(write);
  ExportBtn->setEnabled(write);
  PrintItem->setEnabled(true);
  GraphPQItem->setEnabled(true);
  for (QMenu* m : {DataItem, AbonentItem}) m->menuAction()->setEnabled(true);
  for (QToolButton* b : {PrintBtn, LineBtn, TPBtn, SubstBtn, ZamerBtn, Line04Btn, PromBtn, BytBtn}) b->setEnabled(true);
  BaseGridPositions.Reset();
}

void TBaseResForm::EnableSchemeTables() {
  for (QAction* a : {NodesItem, LinesItem, FlowItem}) a->setEnabled(true);
  for (QToolButton* b : {NodesBtn, LinesBtn, FlowBtn}) b->setEnabled(true);
}

void TBaseResForm::DisableSchemeTables() {
  for (QAction* a : {NodesItem, LinesItem, FlowItem}) a->setEnabled(false);
  for (QToolButton* b : {NodesBtn, LinesBtn, FlowBtn}) b->setEnabled(false);
}

void TBaseResForm::SaveBaseGridPos(const std::string& maketName, int topRow, int col, int row) {
  BaseGridPositions.Save(maketName, topRow, col, row);
}

void TBaseResForm::GetBaseGridPos(const std::string& maketName, int& topRow, int& col, int& row) const {
  BaseGridPositions.Get(maketName, topRow, col, row);
}

// ---- the bottom panels -------------------------------------------------------------------------------

void TBaseResForm::ShowInfo(bool on) {
  const bool appears = on && Info->isHidden();
  Info->setVisible(on);
  ClientSplit->refresh();  // the handle goes and comes with Info at once, not at the next layout pass
  if (appears) {
    // the messages take a quarter of the height; the table stays the main thing in the window
    const int total = std::max(ClientSplit->height(), 4);
    ClientSplit->setSizes({total - total / 4, total / 4});
  }
  ArrangeBottomPanels();
}

void TBaseResForm::ArrangeBottomPanels() {
  // Upwards from the grid's status panel: Info, then its splitter; the progress bar at the right edge
  // of HelpPanel with its label left of it.
  if (ClientSplit->indexOf(Info) != 1) ClientSplit->insertWidget(1, Info);
  auto* client = static_cast<QVBoxLayout*>(centralWidget()->layout());
  client->removeWidget(Panel2);
  client->insertWidget(client->indexOf(ClientSplit) + 1, Panel2);
  auto* help = static_cast<QHBoxLayout*>(HelpPanel->layout());
  help->removeWidget(ProcLabel);
  help->removeWidget(ProcBar);
  help->addWidget(ProcLabel);
  help->addWidget(ProcBar);
}

}  // namespace ld::gui
