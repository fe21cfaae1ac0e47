#include "gui/regime/zregim_form.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QShowEvent>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>

#include "core/base/codepage.h"
#include "core/base/error.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/engine/regime.h"
#include "core/regime/scheme_files.h"
#include "core/tables/file_io.h"
#include "core/tables/layout.h"
#include "gui/common/busy_scope.h"
#include "gui/common/full_build.h"
#include "gui/common/hidden_keys.h"

namespace ld::gui {

TZregimForm* ZregimForm = nullptr;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void SetLabelColor(QLabel* label, const QColor& color) {
  QPalette p = label->palette();
  p.setColor(QPalette::Window, color);
  label->setPalette(p);
}

QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

// Long commands pump the queue from their callbacks: the window keeps painting and the stop label
// keeps reacting, while Run refuses every other command.
void Pump() { QCoreApplication::processEvents(); }

}  // namespace

TZregimForm::TZregimForm(QWidget* parent) : TWorkForm(parent), diagram_(std::make_unique<TDiagramLink>()) {
  setObjectName("ZregimForm");
  setWindowTitle("Z-режим");
  resize(1000, 640);
  for (const QString& arg : QCoreApplication::arguments().mid(1)) Params.push_back(arg.toStdString());
  BuildPanels();
  BuildMenus();
  BuildToolBar();

  Bind(NewItem, [this] { NewItemClick(); });
  Bind(OpenItem, [this] { OpenItemClick(); });
  Bind(OpenBtn, [this] { OpenItemClick(); });
  Bind(SaveItem, [this] { SaveItemClick(); });
  Bind(SaveBtn, [this] { SaveItemClick(); });
  Bind(SaveAsItem, [this] { SaveAsItemClick(); });
  Bind(PrintItem, [this] { PrintItemClick(); });
  Bind(PrintBtn, [this] { PrintItemClick(); });
  Bind(ImportCDU, [this] { ImportCDUClick(); });
  Bind(ExportCDU, [this] { ExportCDUClick(); });
  connect(QuitItem, &QAction::triggered, this, [this] { QuitItemClick(); });

  Bind(NodesItem, [this] { NodesItemClick(); });
  Bind(NodesBtn, [this] { NodesItemClick(); });
  Bind(LinesItem, [this] { LinesItemClick(LinesItem); });
  Bind(LinesBtn, [this] { LinesItemClick(LinesItem); });
  Bind(FiderItem, [this] { LinesItemClick(FiderItem); });
  Bind(FlowBtn, [this] { LinesItemClick(FiderItem); });
  Bind(RayonItem, [this] { LinesItemClick(RayonItem); });
  for (QAction* item : MeteringItems) Bind(item, [this] { MeteringImportClick(); });

  Bind(ARKItem, [this] { ARKItemClick(); });
  // ---- the diagram panel and its selections
  InstallDiagram();
  Bind(NoSupItem, [this] { NoSupItemClick(NoSupItem); });
  Bind(ConturItem, [this] { NoSupItemClick(ConturItem); });
  Bind(PSItem, [this] { NoSupItemClick(PSItem); });

  Bind(CalcItem, [this] { CalcItemClick(); });
  Bind(CalcBtn, [this] { CalcItemClick(); });
  // ---- loss panel and load balancing
  BuildLossPanel();
  Bind(LossesBtn, [this] { LossesBtnClick(); });
  Bind(LossesItem, [this] { LossesItemClick(LossesItem); });
  Bind(CalcLossBtn, [this] { CalcLossBtnClick(); });
  Bind(ClearBtn, [this] { ClearBtnClick(); });
  Bind(LossViewBtn, [this] { LossViewBtnClick(); });
  Bind(BalansBtn, [this] { BalansBtnClick(); });
  Bind(BalansFiderItem, [this] { BalansBtnClick(); });
  Bind(VoltItem, [this] { VoltItemClick(); });
  Bind(VoltBtn, [this] { VoltItemClick(); });
  Bind(TokLnItem, [this] { TokLnItemClick(true); });
  Bind(TokLnBtn, [this] { TokLnItemClick(true); });
  Bind(TokTrItem, [this] { TokLnItemClick(false); });
  Bind(TokTrBtn, [this] { TokLnItemClick(false); });
  Bind(LossLnItem, [this] { LossLnItemClick(true); });
  Bind(LossTrItem, [this] { LossLnItemClick(false); });
  Bind(ResultItem, [this] { ResultItemClick(ResultItem); });
  Bind(WResultItem, [this] { ResultItemClick(WResultItem); });
  Bind(WMsgItem, [this] { ResultItemClick(WMsgItem); });
  Bind(WCalcItem, [this] { WCalcItemClick(WCalcItem); });
  Bind(WCalcBtn, [this] { WCalcItemClick(WCalcItem); });
  Bind(TreItem, [this] { WCalcItemClick(TreItem); });
  Bind(TreBtn, [this] { WCalcItemClick(TreItem); });

  Bind(EkvZItem, [this] { EkvZItemClick(); });
  Bind(EkvCut1Item, [this] { EkvLinItemClick(1); });
  Bind(EkvCut2Item, [this] { EkvLinItemClick(2); });
  Bind(EkvDelItem, [this] { EkvLinItemClick(0); });
  Bind(SetRayonItem, [this] { SetRayonItemClick(); });
  // menu "Оптимизация"
  Bind(RazrezItem, [this] { RazrezItemClick(); });
  Bind(TransformItem, [this] { TransformItemClick(); });
  Bind(ReactivItem, [this] { ReactivItemClick(); });
  Bind(OptimT2Item, [this] { OptimT2ItemClick(); });

  connect(StopBar, &QToolButton::clicked, this, [this] { StopBarClick(); });
  BindTableCommands();
  FormCreate();
}

TZregimForm::~TZregimForm() = default;

void TZregimForm::SetDiagramLink(std::unique_ptr<TDiagramLink> link) {
  diagram_ = link ? std::move(link) : std::make_unique<TDiagramLink>();
}

void TZregimForm::Bind(QAction* action, std::function<void()> command) {
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] { Run(command); });
}

void TZregimForm::Bind(QToolButton* button, std::function<void()> command) {
  connect(button, &QToolButton::clicked, this, [this, command = std::move(command)] { Run(command); });
}

void TZregimForm::Run(const std::function<void()>& command) {
  // One GUI thread: a command started from the queue that a running one pumps would work on the
  // engine under the running loop.
  if (busy_ || !regime_) return;
  const BusyScope busy(busy_);
  try {
    command();
  } catch (const std::exception& e) {
    ProcBar->hide();
    HelpText->clear();
    ShowMsgForm(e.what(), mkError, mbOk);
  }
}

// ---- creation, showing and closing ---------------------------------------------------------------

void TZregimForm::FormCreate() {
  HideUnofferedCommands();
  // Hidden items keep their hot keys.
  KeepHiddenItemKeys(*this, *menuBar());
  diagram_->LoadViewConfig("Graphic", "Colors");
}

void TZregimForm::HideUnofferedCommands() {
  // The full build ("/ALL") offers every command.
  if (ShowAllCommands()) return;
  // Commands that are not offered in this build; their separators go with them.
  for (QAction* a : DataItem->actions())
    if (a->objectName() == "SwitchSeparator" || a->objectName() == "NewMonthSeparator" ||
        a->objectName() == "ImpZamerSeparator")
      a->setVisible(false);
  for (QAction* a : {SwitchItem, ReconfigItem, TestSwtItem, PrintEERMItem, EERMTestItem, EEAMTestItem,
                     CalcFlowsKoefItem, CalcTgItem, CalcEmkItem, EmkBPItem, EmkRPItem, EkvZItem, EkvCut1Item,
                     EkvCut2Item, EkvDelItem, ImpZamer, MeteringItems[0], MeteringItems[1], MeteringItems[2],
                     CmpCatItem})
    a->setVisible(false);
  WItem->menuAction()->setVisible(false);
  if (!MeteringItems[0]->isVisible() && !MeteringItems[1]->isVisible()) NewMonthItem->setVisible(false);
  for (QToolButton* b : {TreBtn, WCalcBtn, WLossLnBtn, WLossTrBtn, WLossBtn, WBalansBtn}) b->setVisible(false);

  // A menu stays only with a visible item; in "Задачи" the separators that stood before hidden items
  // go too, so no two separators meet and none leads or closes the menu.
  for (QMenu* menu : {OptimItem, TaskItem}) {
    bool anyVisible = false;
    for (QAction* a : menu->actions()) anyVisible = anyVisible || (!a->isSeparator() && a->isVisible());
    menu->menuAction()->setVisible(anyVisible);
  }
  QAction* lastShown = nullptr;
  for (QAction* a : TaskItem->actions()) {
    if (a->isSeparator()) {
      a->setVisible(lastShown && !lastShown->isSeparator());
      if (a->isVisible()) lastShown = a;
    } else if (a->isVisible()) {
      lastShown = a;
    }
  }
  if (lastShown && lastShown->isSeparator()) lastShown->setVisible(false);
}

void TZregimForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  TWorkForm::showEvent(event);
}

void TZregimForm::FormShow() {
  for (const std::string& param : Params)
    if (UpperCase(param) == "/DEBUG") {
      NodeItem->setVisible(true);
      LineItem->setVisible(true);
      break;
    }
  regime_ = std::make_unique<TRegime>();
  TRegime& r = *regime_;
  r.FixModule = IniRec.FlagFM;
  r.InitVoltageMode = IniRec.FlagU0;
  r.PVAlgorithm = IniRec.AlgmFM;
  r.StaticChars = IniRec.FlagPQ;
  r.QLimits = IniRec.FlagRQ;
  r.LoadType = IniRec.TypLoad;
  r.FormPVLoops = true;
  r.NameMode = diagram_->CaptionMode();
  r.ShowMessages = false;
  r.NodeMarks = diagram_->NodeMarks();
  r.BranchMarks = diagram_->BranchMarks();

  MeasurementElements = std::make_unique<DAPointer>();
  MeasurementMarks = std::make_unique<DALongint>();
  MeasurementTreeNodes = std::make_unique<DAPointer>();
  MaketNames = {"Узлы схемы", "Ветви схемы", "Перетоки в линиях", "Районы схемы", "Напряжения узлов",
                "Загрузка линий", "Загрузка трансформаторов", "Потери в линиях", "Потери в трансформаторах",
                "Справочник КЛ,ВЛ", "Справочник ТР(2)", "Справочник ТР(3)", "Справочник ТР(р)",
                "Справочник токоогр.реакторов", "Коммутационные аппараты", "Стат.хар.нагрузки", "Список ТР(2)",
                "Список ТР(3)", "Список ТР(р)", "Список токоогр.реакторов", "Потребление эл.энергии",
                "Перетоки эл.энергии в линиях", "Перетоки эл.энергии в тр-рах", "Потери эл.энергии в линиях",
                "Потери эл.энергии в тр-рах", "Переключения"};
  ResetForm();

  QPalette p = SchPanel2->palette();
  p.setColor(QPalette::Window, diagram_->BackgroundColor());
  SchPanel2->setPalette(p);
  if (!BalansGrid->MenuItem(-1)) {
    QMenu* menu = BalansGrid->PopupMenu();
    menu->addSeparator()->setData(-1);
    menu->addAction("Присоединенные абоненты по узлу")->setData(-2);
    menu->addAction("Присоединенные абоненты по линии")->setData(-3);
  }
}

void TZregimForm::FormCloseQuery(bool& canClose) {
  // The engine must outlive the loop of a running command.
  if (busy_) {
    canClose = false;
    return;
  }
  canClose = true;
  if (DataGrid_->Modified()) canClose = DataGrid_->SaveWithQuestion();
  if (canClose && diagram_->Modified()) {
    int answer = 1;
    canClose = diagram_->SaveScheme(true, IniRec.FSave10, answer);
  }
  if (!canClose) return;
  regime_.reset();
  MeasurementElements.reset();
  MeasurementMarks.reset();
  MeasurementTreeNodes.reset();
  for (TDataGrid5* grid : {DataGrid_, BalansGrid}) {
    const QList<QAction*> items = grid->PopupMenu()->actions();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
      if ((*it)->data().toInt() < 0) {
        grid->PopupMenu()->removeAction(*it);
        delete *it;
      }
  }
  diagram_->SaveViewConfig("Graphic", "Colors");
}

void TZregimForm::QuitItemClick() { close(); }

// ---- the two states ----------------------------------------------------------------------------

void TZregimForm::ResetForm() {
  setWindowTitle("Z-режим");
  const bool write = UserAccess != 0;
  NewItem->setEnabled(write);
  ImportCDU->setEnabled(write);
  for (QAction* a : {SaveItem, SaveAsItem, ExportCDU, PrintItem, GraphPQItem, T2PItem, T3PItem, TRPItem, RTPItem})
    a->setEnabled(false);
  for (QMenu* m : {DataItem, ControlItem, RegimItem, OptimItem, TaskItem, WItem}) m->menuAction()->setEnabled(false);
  LossesItem->setChecked(false);
  for (QToolButton* b : {SaveBtn, PrintBtn, NodesBtn, LinesBtn, FlowBtn, BalansBtn, CalcBtn, VoltBtn, TokLnBtn,
                         TokTrBtn, LossesBtn, TreBtn, WCalcBtn, WLossLnBtn, WLossTrBtn, WLossBtn, SchBtn, WBalansBtn})
    b->setEnabled(false);
  for (QToolButton* b : {LossesBtn, WLossBtn, SchBtn, WBalansBtn}) b->setChecked(false);

  DataLabel->clear();
  LossPanel->hide();
  SchPanel->hide();
  DataGrid_->CloseTable();
  for (QListWidget* list : {NoSupBox, ConturBox, SubstList}) {
    list->clear();
    list->hide();
  }
  Memo1->hide();
  SchPanel2->hide();
  diagram_->FreeSchemeModel();
  Split3->hide();
  BalansPanel->hide();
  ShowInfo(false);
  HelpText->clear();
  ProcBar->hide();
  MainPanel->show();

  SchemePath.clear();
  if (regime_) regime_->ClearModel();
  ShowSchemeCounters();
  ShowLimitFlags(false, false, false, false);
  GridPositions.fill(TGridPos{});
}

void TZregimForm::EnableSchemeUI() {
  const bool write = UserAccess != 0;
  for (QAction* a : {ExportCDU, PrintItem, GraphPQItem, T2PItem, T3PItem, TRPItem, RTPItem}) a->setEnabled(true);
  for (QMenu* m : {DataItem, ControlItem, RegimItem, WItem}) m->menuAction()->setEnabled(true);
  for (QToolButton* b : {PrintBtn, NodesBtn, LinesBtn, FlowBtn, VoltBtn, TokLnBtn, TokTrBtn, LossesBtn, WLossLnBtn,
                         WLossTrBtn, WLossBtn, SchBtn, WBalansBtn})
    b->setEnabled(true);
  for (QAction* a : {SaveItem, SaveAsItem, ReconfigItem, NewMonthItem, MeteringItems[0], MeteringItems[1],
                     MeteringItems[2], ARKItem, CalcItem, BalansFiderItem, TreItem, WCalcItem})
    a->setEnabled(write);
  for (QMenu* m : {OptimItem, TaskItem}) m->menuAction()->setEnabled(write);
  for (QToolButton* b : {SaveBtn, CalcBtn, BalansBtn, TreBtn, WCalcBtn, CorrectBtn}) b->setEnabled(write);
  // The diagram panel stays closed until a diagram control stands behind the window.
  SchBtn->setEnabled(diagram_->Attached());
  RecalcItem->setEnabled(false);
  ShowSchemeCounters();
  GridPositions.fill(TGridPos{});
  diagram_->SetEditMode(false);
}

// ---- the engine's model ------------------------------------------------------------------------

void TZregimForm::LoadModel() {
  std::vector<std::string> errors, unsupplied, contours;
  TRegime& r = *regime_;
  r.Errors = &errors;
  r.Unsupplied = &unsupplied;
  r.Contours = &contours;
  r.OnProgress = [this](int position) { OnCalcProgress(position); };
  r.OnStage = [this](const std::string& text) { OnCalcStatus(text); };
  r.ModelError = false;
  HelpText->setText("Анализ конфигурации ...  ");
  Pump();
  struct Detach {
    TRegime& r;
    ~Detach() { r.Errors = r.Unsupplied = r.Contours = nullptr; }
  } detach{r};
  r.ReadScheme(SchemePath);
  // What the read wrote back over the very tables the diagram holds is the diagram's as well; a stamp
  // is never taken by a second look at the files, which could see another workstation's save for ours.
  for (const TRegime::TTableRewrite& rewrite : r.Rewritten)
    diagram_->TakeRewrittenStamp(rewrite.File, rewrite.Read, rewrite.Written);
  ShowSideLists(unsupplied, contours);
  if (r.ShowMessages) SetInfoLines(errors);
  HelpText->clear();
}

bool TZregimForm::SaveDrawingAndReload(bool ask) {
  int answer = 0;
  const bool result = diagram_->SaveScheme(ask, IniRec.FSave10, answer);
  if (result && answer == 1) {
    LoadModel();
    if (SchPanel2->isVisible()) diagram_->Repaint();
    ShowSchemeTableAgain();
  }
  return result;
}

void TZregimForm::ReloadDiagram() {
  if (!SchPanel2->isVisible()) return;
  diagram_->LoadScheme(SchemePath);
  diagram_->RebuildScheme();
  setWindowTitle(Q(SchemeCaption(SchemePath)));
}

bool TZregimForm::CommonGuard(bool withDiagram, bool storePosition) {
  if (DataGrid_->Modified() && !DataGrid_->SaveWithQuestion()) return false;
  if (withDiagram && diagram_->Modified() && !SaveDrawingAndReload(true)) return false;
  if (storePosition) StoreShownGridPos();
  return true;
}

void TZregimForm::StoreShownGridPos() {
  const std::string maket = ShownMaket();
  if (maket.empty()) return;
  SaveGridPos(maket, DataGrid_->Row(), DataGrid_->Col(), DataGrid_->FirstRow());
}

std::string TZregimForm::ShownMaket() const {
  return DataGrid_->GridVisible() ? DataGrid_->table().Name : std::string();
}

void TZregimForm::SaveGridPos(const std::string& maketName, int row, int col, int topRow) {
  const auto it = std::find(MaketNames.begin(), MaketNames.end(), maketName);
  if (it == MaketNames.end() || maketName.empty()) return;
  GridPositions[static_cast<std::size_t>(it - MaketNames.begin())] = {row, col, topRow};
}

TGridPos TZregimForm::GetGridPos(const std::string& maketName) const {
  const auto it = std::find(MaketNames.begin(), MaketNames.end(), maketName);
  if (it == MaketNames.end() || maketName.empty()) return {};
  return GridPositions[static_cast<std::size_t>(it - MaketNames.begin())];
}

// ---- status line ---------------------------------------------------------------------------------

void TZregimForm::ShowSchemeTableAgain() {
  const std::string shown = ShownMaket();
  if (shown == LayoutNodes)
    NodesItemClick();
  else if (shown == LayoutBranches)
    LinesItemClick(LinesItem);
  else if (shown == LayoutLineFlows)
    LinesItemClick(FiderItem);
}

void TZregimForm::ShowSideLists(const std::vector<std::string>& unsupplied, const std::vector<std::string>& contours) {
  NoSupBox->clear();
  for (const std::string& s : unsupplied) NoSupBox->addItem(Q(s));
  ConturBox->clear();
  for (const std::string& s : contours) ConturBox->addItem(Q(s));
  ShowSchemeCounters();
}

void TZregimForm::ShowSchemeCounters() {
  const TRegime* r = regime_.get();
  auto count = [r](int TRegime::*field) { return r ? std::to_string(r->*field) : std::string("0"); };
  NodesText->setText(Q(" Узлов: " + count(&TRegime::NodeCount) + " "));
  LinesText->setText(Q(" Ветвей: " + count(&TRegime::BranchCount) + " "));
  BPText->setText(Q(" БП: " + count(&TRegime::BalancingCount) + " "));
  FMText->setText(Q(" ФМ: " + count(&TRegime::FixedCount) + " "));
  NoSupText->setText(Q(" Нет питания: " + count(&TRegime::UnsuppliedCount) + " "));
  ConturText->setText(Q(" Контуров: " + count(&TRegime::ContourCount) + " "));
  SetLabelColor(NoSupText, r && r->UnsuppliedCount != 0 ? QColor(Qt::yellow) : ButtonFace());
  SetLabelColor(ConturText, r && r->ContourCount != 0 ? QColor(Qt::yellow) : ButtonFace());
}

void TZregimForm::ShowLimitFlags(bool vm, bool vp, bool il, bool st) {
  SetLabelColor(VM, vm ? QColor(Qt::red) : ButtonFace());
  SetLabelColor(VP, vp ? QColor(Qt::red) : ButtonFace());
  SetLabelColor(IL, il ? QColor(Qt::red) : ButtonFace());
  SetLabelColor(ST, st ? QColor(Qt::red) : ButtonFace());
}

void TZregimForm::HideSideLists() {
  for (QWidget* w : std::initializer_list<QWidget*>{NoSupBox, ConturBox, SubstList, Memo1})
    if (w->isVisibleTo(this)) {
      w->hide();
      return;
    }
}

void TZregimForm::ShowInfo(bool on) {
  const bool appears = on && Info->isHidden();
  Info->setVisible(on);
  if (appears) {
    // the messages take a quarter of the height; the table stays the main thing in the window
    const int total = std::max(Split->height(), 4);
    Split->setSizes({total - total / 4, total / 4});
  }
  ArrangeBottomPanels();
}

void TZregimForm::SetInfoLines(const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << Q(line);
  Info->setPlainText(text.join('\n'));
}

std::vector<std::string> TZregimForm::InfoLines() const {
  std::vector<std::string> lines;
  const QString text = Info->toPlainText();
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

// ---- callbacks of long calculations ----------------------------------------------------------------

void TZregimForm::OnCalcProgress(int position) {
  ProcBar->setValue(std::clamp(position, 0, 100));
  Pump();
}

void TZregimForm::OnCalcStatus(const std::string& text) {
  HelpText->setText(Q(text));
  Pump();
}

void TZregimForm::OnCalcMessage(const std::string& line) {
  Info->append(Q(line));
  Pump();
}

void TZregimForm::StopBarClick() {
  StopRequested = 1;
  Pump();
}

TZregimForm::TLongRun::TLongRun(TZregimForm& form, bool stoppable) : form_(form) {
  form.ShowInfo(false);
  form.Info->clear();
  form.ProcBar->setValue(0);
  form.ProcBar->show();
  if (stoppable) {
    form.StopBar->show();
    form.StopRequested = 0;
  }
  form.ArrangeBottomPanels();
  Pump();
}

TZregimForm::TLongRun::~TLongRun() {
  if (!form_.Info->toPlainText().isEmpty()) form_.ShowInfo(true);
  form_.HelpText->clear();
  form_.ProcBar->hide();
  form_.StopBar->hide();
  form_.ArrangeBottomPanels();
}

// ---- routines of the program's window ------------------------------------------------------------

void GetSchemePath(std::string& path) { path = ZregimForm ? ZregimForm->SchemePath : std::string(); }

void SaveGridPos(const std::string& maketName, int row, int col, int topRow) {
  if (ZregimForm) ZregimForm->SaveGridPos(maketName, row, col, topRow);
}

void GetGridPos(const std::string& maketName, int& row, int& col, int& topRow) {
  const TGridPos pos = ZregimForm ? ZregimForm->GetGridPos(maketName) : TGridPos{};
  row = pos.Row, col = pos.Col, topRow = pos.TopRow;
}

}  // namespace ld::gui
