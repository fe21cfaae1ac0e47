// The short-circuit window: its panels, states, menus and the engine it owns.
#include "gui/optim/form_tkz.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/optim/tkz_radius.h"
#include "gui/common/hidden_keys.h"
#include "gui/common/named_widget.h"
#include "gui/common/toolbar_overflow.h"

namespace ld::gui {

TFormTKZ* FormTKZ = nullptr;
std::string TkzFileName;

namespace {

constexpr char kCaption[] = "Расчет токов трехфазного короткого замыкания";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A grid with the caption above it in one panel.
QWidget* CaptionedPanel(const QString& name, const QString& caption, TDataGrid5* grid, QWidget* parent) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(name);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(1);
  auto* label = new QLabel(caption, panel);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Raised);
  layout->addWidget(label);
  grid->setParent(panel);
  layout->addWidget(grid, 1);
  return panel;
}

}  // namespace

TFormTKZ::TFormTKZ(QWidget* parent) : TWorkForm(parent) {
  setObjectName("FormTKZ");
  setWindowTitle(kCaption);
  resize(900, 620);
  BuildPanels();
  BuildMenus();
  KeepHiddenItemKeys(*this, *menuBar());
  ResetWindow();
}

TFormTKZ::~TFormTKZ() = default;

void TFormTKZ::SetupGrid(TDataGrid5& grid) {
  grid.OnMoveProc = [this](PDataFile df, int acol, int /*arow*/) {
    if (df != nullptr && acol >= 1 && acol <= df->NCols) helpPanel_->setText(Q(" " + df->Comment[acol]));
  };
}

void TFormTKZ::BuildPanels() {
  dataGrid_ = new TDataGrid5(this);
  dataGrid_->setObjectName("DataGrid");
  nodeGrid_ = new TDataGrid5(this);
  nodeGrid_->setObjectName("NodeGrid");
  radiusGrid_ = new TDataGrid5(this);
  radiusGrid_->setObjectName("RadiusGrid");
  for (TDataGrid5* grid : {dataGrid_, nodeGrid_, radiusGrid_}) SetupGrid(*grid);
  radiusGrid_->OnSetMaketProc = [this](PDataFile) {
    radiusGrid_->OnParamProc = [this](const std::string&, PDataFile, int index, bool& modify) {
      RadiusGridParamProc(index, modify);
    };
    radiusGrid_->ShowStatus(WriteRight());
  };
  radiusGrid_->installEventFilter(this);

  mainSplitter_ = new QSplitter(Qt::Vertical, this);
  mainSplitter_->setObjectName("Splitter1");
  dataSplitter_ = new QSplitter(Qt::Horizontal, mainSplitter_);
  dataSplitter_->setObjectName("Splitter2");
  dataPanel_ = CaptionedPanel("DataPanel", " Узлы К.З., Zсист, ЭДС", dataGrid_, dataSplitter_);
  nodePanel_ = CaptionedPanel("NodePanel", "Список узлов", nodeGrid_, dataSplitter_);
  dataSplitter_->addWidget(dataPanel_);
  dataSplitter_->addWidget(nodePanel_);
  dataSplitter_->setStretchFactor(0, 3);
  dataSplitter_->setStretchFactor(1, 1);
  radiusPanel_ = CaptionedPanel("RadiusPanel", " Расчетный радиус узлов К.З.", radiusGrid_, mainSplitter_);
  mainSplitter_->addWidget(dataSplitter_);
  mainSplitter_->addWidget(radiusPanel_);
  info_ = new QPlainTextEdit(mainSplitter_);
  info_->setObjectName("Info");
  info_->setReadOnly(true);
  info_->setContextMenuPolicy(Qt::CustomContextMenu);
  infoMenu_ = new QMenu(info_);
  infoMenu_->addAction("Скрыть", this, [this] { info_->hide(); });
  infoMenu_->addAction("Печать", this, [this] { PrintMessagesClick(); });
  connect(info_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { infoMenu_->popup(info_->mapToGlobal(pos)); });
  mainSplitter_->addWidget(info_);
  mainSplitter_->setStretchFactor(0, 2);
  mainSplitter_->setStretchFactor(1, 3);
  mainSplitter_->setStretchFactor(2, 1);
  setCentralWidget(mainSplitter_);

  helpPanel_ = new QLabel(this);
  helpPanel_->setObjectName("HelpPanel");
  progressLabel_ = new QLabel(this);
  progressLabel_->setObjectName("ProgressLabel");
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName("ProgressBar");
  progressBar_->setRange(0, 100);
  progressBar_->setMaximumWidth(200);
  statusBar()->addWidget(helpPanel_, 1);
  statusBar()->addPermanentWidget(progressLabel_);
  statusBar()->addPermanentWidget(progressBar_);
}

void TFormTKZ::BuildMenus() {
  QMenu* data = menuBar()->addMenu("Данные");
  newItem_ = data->addAction("Создать", this, [this] { NewClick(); });
  openItem_ = data->addAction("Загрузить", this, [this] { OpenClick(); });
  saveItem_ = data->addAction("Сохранить", this, [this] { SaveClick(); });
  saveAsItem_ = data->addAction("Сохранить как", this, [this] { SaveAsClick(); });
  printItem_ = data->addAction("Печать", this, [this] { PrintClick(); });
  data->addSeparator();
  exitItem_ = data->addAction("Выход", this, [this] { close(); });
  QMenu* radius = menuBar()->addMenu("Радиус");
  radiusItem_ = radius->addAction("Сформировать радиус", this, [this] { RadiusBtnClick(); });
  graphItem_ = radius->addAction("Показать на графике", this, [this] { GraphBtnClick(); });
  calcItem_ = radius->addAction("Расчет т.к.з. радиуса", this, [this] { CalcBtnClick(); });
  QMenu* schemes = menuBar()->addMenu("Схемы");
  addSchItem_ = schemes->addAction("Добавить схему", this, [this] { AddSchemeClick(); });
  delSchItem_ = schemes->addAction("Удалить схему", this, [this] { DeleteSchemeClick(); });
  const std::pair<QAction*, const char*> names[] = {
      {newItem_, "NewItem"},       {openItem_, "OpenItem"},     {saveItem_, "SaveItem"}, {saveAsItem_, "SaveAsItem"},
      {printItem_, "PrintItem"},   {exitItem_, "ExitItem"},     {radiusItem_, "RadiusItem"},
      {graphItem_, "GraphItem"},   {calcItem_, "CalcItem"},     {addSchItem_, "AddSchItem"},
      {delSchItem_, "DelSchItem"}};
  for (const auto& [action, name] : names) action->setObjectName(name);

  QToolBar* bar = addToolBar("Кнопки");
  bar->setObjectName("ToolBar");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  OfferHiddenButtonsInOverflow(*bar);
  auto button = [&](const char* name, const QString& text, const QString& hint, void (TFormTKZ::*command)()) {
    QToolButton* b = ToolButton(name, text, hint, bar);
    connect(b, &QToolButton::clicked, this, [this, command] { (this->*command)(); });
    bar->addWidget(b);
    return b;
  };
  newBtn_ = button("NewBtn", "Создать", "Создание данных", &TFormTKZ::NewClick);
  openBtn_ = button("OpenBtn", "Загрузить", "Загрузка данных", &TFormTKZ::OpenClick);
  saveBtn_ = button("SaveBtn", "Сохранить", "Сохранение данных", &TFormTKZ::SaveClick);
  printBtn_ = button("PrintBtn", "Печать", "Печать", &TFormTKZ::PrintClick);
  bar->addSeparator();
  radiusBtn_ = button("RadiusBtn", "Радиус", "Формирование радиуса", &TFormTKZ::RadiusBtnClick);
  calcBtn_ = button("CalcBtn", "Расчет т.к.з.", "Расчет т.к.з.", &TFormTKZ::CalcBtnClick);
  graphBtn_ = button("GraphBtn", "На графике", "Просмотр на графике", &TFormTKZ::GraphBtnClick);
  bar->addSeparator();

  // The scheme list has a tool bar row of its own, so that a narrow window never hides it.
  addToolBarBreak();
  QToolBar* schemeBar = addToolBar("Схемы");
  schemeBar->setObjectName("SchemeBar");
  schemeBar->setMovable(false);
  schPanel_ = new QWidget(schemeBar);
  schPanel_->setObjectName("SchPanel");
  schPanel_->setMinimumSize(42 + 138, 26);
  schPanel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* label = new QLabel("Схема", schPanel_);
  label->setGeometry(2, 0, 40, 26);
  listSch_ = new QComboBox(schPanel_);
  listSch_->setObjectName("ListSch");
  listSch_->setEditable(true);
  listSch_->setInsertPolicy(QComboBox::NoInsert);
  listSch_->setGeometry(42, 1, 138, 24);
  schPanel_->installEventFilter(this);
  schemeBar->addWidget(schPanel_);
  connect(listSch_, &QComboBox::currentIndexChanged, this, [this](int) { ListSchChange(); });
}

bool TFormTKZ::WriteRight() const { return UserAccess == 1; }

void TFormTKZ::ResetWindow() {
  const bool write = WriteRight();
  newItem_->setEnabled(write);
  newBtn_->setEnabled(write);
  for (QAction* a : {saveItem_, saveAsItem_, printItem_, radiusItem_, graphItem_, calcItem_}) a->setEnabled(false);
  for (QToolButton* b : {saveBtn_, printBtn_, radiusBtn_, graphBtn_, calcBtn_}) b->setEnabled(false);
  {
    const QSignalBlocker block(listSch_);
    listSch_->setCurrentIndex(-1);
    listSch_->setEditText(QString());
  }
  dataGrid_->CloseTable();
  radiusGrid_->CloseTable();
  for (QWidget* w : {static_cast<QWidget*>(dataPanel_), static_cast<QWidget*>(nodePanel_),
                     static_cast<QWidget*>(radiusPanel_), static_cast<QWidget*>(info_),
                     static_cast<QWidget*>(progressBar_), static_cast<QWidget*>(progressLabel_)})
    w->hide();
  dataSplitter_->hide();
  helpPanel_->clear();
  TkzFileName.clear();
  setWindowTitle(kCaption);
}

void TFormTKZ::EnableData() {
  const bool write = WriteRight();
  for (QAction* a : {saveItem_, saveAsItem_, radiusItem_, calcItem_}) a->setEnabled(write);
  for (QToolButton* b : {saveBtn_, radiusBtn_, calcBtn_}) b->setEnabled(write);
  printItem_->setEnabled(true);
  printBtn_->setEnabled(true);
  graphItem_->setEnabled(true);
  graphBtn_->setEnabled(true);
  dataSplitter_->show();
  dataPanel_->show();
  nodePanel_->show();
  radiusPanel_->show();
  // Panels that were hidden when the window was first laid out come back without room once the
  // splitters have taken them in: then they share it as the stretch factors do (the data two parts, the
  // radius three; the grid three, the list one).
  QTimer::singleShot(0, this, [this] {
    const QList<int> rows = mainSplitter_->sizes();
    if (dataSplitter_->isVisible() && rows.value(0) == 0) mainSplitter_->setSizes({2000, 3000, rows.value(2)});
    const QList<int> columns = dataSplitter_->sizes();
    if (nodePanel_->isVisible() && (columns.value(0) == 0 || columns.value(1) == 0))
      dataSplitter_->setSizes({3000, 1000});
  });
}

void TFormTKZ::showEvent(QShowEvent* event) {
  TWorkForm::showEvent(event);
  if (event->spontaneous() || tkzRegime_) return;
  tkzRegime_ = std::make_unique<TRegime>();
  tkzRegime_->FixModule = IniRec.FlagFM;
  tkzRegime_->InitVoltageMode = IniRec.FlagU0;
  tkzRegime_->PVAlgorithm = IniRec.AlgmFM;
  tkzRegime_->StaticChars = IniRec.FlagPQ;
  tkzRegime_->FormPVLoops = false;
  tkzRegime_->NameMode = 2;
  tkzRegime_->ShowMessages = false;
  {
    const QSignalBlocker block(listSch_);
    listSch_->clear();
    for (const std::string& path : IniRec.RadiusTKZ) listSch_->addItem(Q(path));
  }
  ResetWindow();
  FillNodeList({});
}

void TFormTKZ::FormCloseQuery(bool& canClose) {
  canClose = SaveChanges();
  if (canClose) tkzRegime_.reset();
}

bool TFormTKZ::SaveChanges() {
  if (dataGrid_->Modified() && !dataGrid_->SaveWithQuestion()) return false;
  if (radiusGrid_->Modified() && !radiusGrid_->SaveWithQuestion()) return false;
  return true;
}

bool TFormTKZ::eventFilter(QObject* watched, QEvent* event) {
  if (watched == schPanel_ && event->type() == QEvent::Resize) {
    const int width = schPanel_->width() - 42;
    if (width > 138) listSch_->resize(width, listSch_->height());
  } else if (watched == radiusGrid_ && event->type() == QEvent::KeyPress) {
    // A letter typed into the sign column marks the row as the calculation reads it: sources 16, faults 80.
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (!text.isEmpty() && text.at(0).isPrint() && radiusGrid_->CurrentFieldName() == "Sign") {
      TDataFile& table = *radiusGrid_->GetTable();
      const int row = radiusGrid_->CurrentTableRow();
      const QChar c = text.at(0).toUpper();
      const std::uint8_t mark = c == QChar(0x0415) || c == QChar(0x0421) ? 16 : c == QChar(0x041A) ? 80 : 0;
      if (table.MarkRec && row >= 1) {
        (*table.MarkRec)[row] = mark;
        radiusGrid_->update();
      }
    }
  }
  return TWorkForm::eventFilter(watched, event);
}

void TFormTKZ::Stage(const std::string& caption, int position) {
  progressLabel_->setText(Q(caption));
  progressBar_->setValue(position);
  QCoreApplication::processEvents();
}

void TFormTKZ::ShowMessages(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) info_->appendPlainText(Q(line));
  if (!info_->toPlainText().isEmpty()) info_->show();
}

}  // namespace ld::gui
