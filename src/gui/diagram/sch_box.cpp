#include "gui/diagram/sch_box.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <exception>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/diagram/hit_test.h"
#include "core/diagram/layout.h"
#include "gui/catalogs/calc_rx_form.h"
#include "gui/diagram/add_lnk_form.h"
#include "gui/diagram/lin_prm_form.h"
#include "gui/diagram/node_prm_form.h"
#include "gui/diagram/pq_prm_form.h"
#include "gui/diagram/qt_canvas.h"
#include "gui/diagram/subst_form.h"
#include "gui/diagram/wh_prm_form.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

using namespace diagram;

namespace {

bool IsNodeHostTag(int tag) { return tag == 1 || tag == 2 || tag == 3 || tag == 4 || tag == 7 || tag == 15 || tag == 16; }

void FillMenu(QMenu* menu, std::span<const TMenuItemDef> items, const std::function<void(QAction*)>& click) {
  for (const TMenuItemDef& def : items) {
    if (def.Caption == "-") {
      menu->addSeparator();
      continue;
    }
    QAction* item = menu->addAction(QString::fromUtf8(def.Caption.data(), static_cast<qsizetype>(def.Caption.size())));
    item->setData(def.Tag);
    QObject::connect(item, &QAction::triggered, menu, [item, click] { click(item); });
  }
}

void EnableEditItems(QMenu* menu, std::span<const TMenuItemDef> items, bool on) {
  for (const TMenuItemDef& def : items)
    if (def.Edit)
      if (QAction* item = TSchemBox::MenuItem(menu, def.Tag)) item->setEnabled(on);
}

void SetUpBar(QScrollBar* bar, Qt::Orientation orientation) {
  bar->setOrientation(orientation);
  bar->setFocusPolicy(Qt::NoFocus);
  if (orientation == Qt::Vertical)
    bar->setFixedWidth(16);
  else
    bar->setFixedHeight(16);
  bar->blockSignals(true);
  bar->setRange(0, 0);
  bar->setSingleStep(1);
  bar->setPageStep(1);
  bar->blockSignals(false);
}

void MirrorBar(QScrollBar* bar, const std::optional<TScrollBarModel>& model) {
  if (bar == nullptr || !model) return;
  const QSignalBlocker blocker(bar);
  bar->setRange(model->Min, std::max(model->Min, model->Max));
  bar->setPageStep(std::max(1, model->LargeChange));
  bar->setSingleStep(std::max(1, model->SmallChange));
  bar->setValue(model->Position);
}

}  // namespace

TSchemBox::TSchemBox(QWidget* parent)
    : QWidget(parent), painter_(std::make_unique<TSchemePainter>(*this)), measureImage_(8, 8, QImage::Format_RGB32) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  ClientWidth = width();
  ClientHeight = height();

  // Layouts measure on an image of the screen's resolution, open for the life of the control.
  const int dpm = static_cast<int>(logicalDpiY() / 0.0254 + 0.5);
  measureImage_.setDotsPerMeterX(dpm);
  measureImage_.setDotsPerMeterY(dpm);
  measurePainter_ = std::make_unique<QPainter>(&measureImage_);
  measureCanvas_ = std::make_unique<TQtCanvas>(*measurePainter_);
  Canvas = measureCanvas_.get();
  InstallLayout(*this);
  auto layout = std::move(LayoutHook);
  LayoutHook = [this, layout](TCanvas& canvas, TSchemeModel& model) {
    // The control's own layouts use its font; a printer's canvas comes with the font its caller chose.
    if (&canvas == measureCanvas_.get()) canvas.Font = Font;
    layout(canvas, model);
  };
  PaintHook = [this] { RequestPaint(); };

  HintWin = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
  HintWin->setObjectName("HintWin");
  HintWin->setPalette(QToolTip::palette());
  HintWin->setAutoFillBackground(true);
  HintWin->setMargin(2);
  HintWin->hide();

  FlowTimer = new QTimer(this);
  FlowTimer->setObjectName("FlowTimer");
  FlowTimer->setInterval(24);
  connect(FlowTimer, &QTimer::timeout, this, &TSchemBox::FlowTimerTick);
  FlowTimer->start();

  BuildMenus();
  BuildDialogs();
  SetEditMode(false);
}

TSchemBox::~TSchemBox() {
  // Commands of the state reach the widget through its hooks: none may run once the widget goes.
  PaintHook = nullptr;
  LayoutHook = nullptr;
  Canvas = nullptr;
  measureCanvas_.reset();
  measurePainter_.reset();
}

void TSchemBox::BuildMenus() {
  NodeMenu = new QMenu(this);
  NodeMenu->setObjectName("NodeMenu");
  LineMenu = new QMenu(this);
  LineMenu->setObjectName("LineMenu");
  EmptyMenu = new QMenu(this);
  EmptyMenu->setObjectName("EmptyMenu");
  FillMenu(NodeMenu, NodeMenuItems(), [this](QAction* item) { NodeMenuClick(item); });
  FillMenu(LineMenu, LineMenuItems(), [this](QAction* item) { LineMenuClick(item); });
  FillMenu(EmptyMenu, EmptyMenuItems(), [this](QAction* item) { EmptyMenuClick(item); });
}

void TSchemBox::BuildDialogs() {
  dialogs_.EditNodeParams = [](const std::string& base, const std::string& caption, TDataFile& nodes,
                               TDataFile& branches, int row, bool editable, const TEditDialogs::Strings& numbers,
                               const TEditDialogs::Strings& names, bool& changed) {
    return EditNodeParams(base, caption, nodes, branches, row, editable, numbers, names, changed);
  };
  dialogs_.EditLineParams = [](const std::string& caption, const std::string& base, TDataFile& nodes,
                               TDataFile& branches, int row, bool editable, const TEditDialogs::Strings& numbers,
                               const TEditDialogs::Strings& names, bool& ends, bool& params, bool& commut) {
    return EditLineParams(caption, base, nodes, branches, row, editable, numbers, names, ends, params, commut);
  };
  dialogs_.EditSubstation = [](std::string& name, std::string& owner, const TEditDialogs::Strings& existing,
                               const TEditDialogs::Strings& numbers, const TEditDialogs::Strings& names,
                               bool editable, bool& renamed, std::string& ownership, std::int32_t& district,
                               std::int32_t& color) {
    // The dialog speaks in the rows' own letter, a Windows-1251 byte.
    const std::string letter = Utf8ToCp1251(ownership);
    char ownershipByte = letter.empty() ? '\0' : letter[0];
    auto colour = static_cast<std::uint32_t>(color);
    if (!EditSubstation(name, owner, existing, numbers, names, editable, renamed, ownershipByte, district, colour))
      return false;
    ownership = ownershipByte == '\0' ? std::string() : Cp1251ToUtf8(std::string(1, ownershipByte));
    color = static_cast<std::int32_t>(colour);
    return true;
  };
  dialogs_.AddLinkDialog = [](const std::string& base, const std::string& nodeName, std::int32_t nodeNr, int& count,
                              TDataFile& branches, TDataFile& nodes, float voltage) {
    std::uint8_t added = 0;
    if (!AddLinkDialog(base, nodeName, nodeNr, added, branches, nodes, voltage)) return false;
    count = added;
    return true;
  };
  dialogs_.EditBranchParams = [](int x, int y, const std::string& folder, const std::string& base,
                                 const std::string& caption, TBranchParamsRec& p, bool cutMark) {
    return EditBranchParams(x, y, folder, base, caption, p.TypEqu, p.Mark, p.Regulation, p.Notv, p.Ntpr, p.R, p.X,
                            p.G, p.B, p.Kta, p.Ktr, p.Ktn, p.Idop, p.Sdop, cutMark);
  };
  dialogs_.EditNodeLoad = [](const std::string& caption, TDataFile& nodes, int row) {
    return EditNodeLoad(caption, nodes, row);
  };
  dialogs_.EditEnergyMeter = [](const std::string& base, TDataFile& nodes, TDataFile& branches, TDataFile& flows,
                                int nodeRow, int endNodeRow, int branchRow, std::vector<std::int32_t>* flowRows,
                                const TEditDialogs::Strings& numbers, const TEditDialogs::Strings& names) {
    // A node's metering point has no flow row of its own.
    std::vector<std::int32_t> none;
    return EditEnergyMeter(base, nodes, branches, flows, nodeRow, endNodeRow, branchRow,
                           flowRows != nullptr ? *flowRows : none, numbers, names);
  };
  dialogs_.LocateNode = [this](std::int32_t nodeNr) { LocateNode(nodeNr); };
  dialogs_.ScrollToElement = [this](PSElem elem) { ScrollToElement(elem); };
}

QAction* TSchemBox::MenuItem(QMenu* menu, int tag) {
  if (menu == nullptr) return nullptr;
  for (QAction* item : menu->actions())
    if (!item->isSeparator() && item->data().toInt() == tag) return item;
  return nullptr;
}

void TSchemBox::SetEditMode(bool on) {
  EnableEditItems(NodeMenu, NodeMenuItems(), on);
  EnableEditItems(LineMenu, LineMenuItems(), on);
  EnableEditItems(EmptyMenu, EmptyMenuItems(), on);
  TSchemBoxState::SetEditMode(on);
}

// ---- commands

void TSchemBox::RunCommand(const std::function<void()>& command) {
  if (Busy) return;
  std::string error;
  Busy = true;
  try {
    command();
  } catch (const std::exception& e) {
    error = e.what();
  }
  Busy = false;
  if (!error.empty()) ShowMsgForm(error, mkError, mbOk);
}

void TSchemBox::NodeMenuClick(QAction* item) {
  const int tag = item->data().toInt();
  RunCommand([&] {
    if (IsNodeHostTag(tag) && OnExtNodeMenuItem)
      OnExtNodeMenuItem(item);
    else
      RunNodeMenuCommand(*this, dialogs_, tag);
  });
}

void TSchemBox::LineMenuClick(QAction* item) {
  const int tag = item->data().toInt();
  RunCommand([&] {
    if (tag == 17 && OnExtLineMenuItem) {
      if (MarkedLine != nullptr) OnExtLineMenuItem(item);
    } else {
      RunLineMenuCommand(*this, dialogs_, tag);
    }
  });
}

void TSchemBox::EmptyMenuClick(QAction* item) {
  const int tag = item->data().toInt();
  RunCommand([&] {
    if (tag == 1) AddNewNode(*this, dialogs_);
  });
}

// ---- scroll bars

void TSchemBox::SetVScrollBar(QScrollBar* bar) {
  disconnect(vBarLink_);
  vBar_ = bar;
  if (bar == nullptr) {
    VScrollBar.reset();
    return;
  }
  VScrollBar = TScrollBarModel{};
  SetUpBar(bar, Qt::Vertical);
  vBarLink_ = connect(bar, &QScrollBar::valueChanged, this, [this](int value) {
    OriginY = value;
    if (VScrollBar) VScrollBar->Position = value;
    Paint();
  });
}

void TSchemBox::SetHScrollBar(QScrollBar* bar) {
  disconnect(hBarLink_);
  hBar_ = bar;
  if (bar == nullptr) {
    HScrollBar.reset();
    return;
  }
  HScrollBar = TScrollBarModel{};
  SetUpBar(bar, Qt::Horizontal);
  hBarLink_ = connect(bar, &QScrollBar::valueChanged, this, [this](int value) {
    OriginX = value;
    if (HScrollBar) HScrollBar->Position = value;
    Paint();
  });
}

void TSchemBox::UpdateScrollRanges() {
  TSchemBoxState::UpdateScrollRanges();
  SyncBars();
}

void TSchemBox::SyncBars() {
  MirrorBar(vBar_, VScrollBar);
  MirrorBar(hBar_, HScrollBar);
}

// ---- bringing elements into view

void TSchemBox::ScrollToElement(PSElem elem) { diagram::ScrollToElement(*this, *painter_, elem); }

void TSchemBox::LocateNode(std::int32_t nodeNr) { diagram::LocateNode(*this, *painter_, nodeNr); }

PSElem TSchemBox::FindNodeOnScheme(const std::string& text) {
  return diagram::FindNodeOnScheme(*this, *painter_, text);
}

// ---- painting

void TSchemBox::RequestPaint() {
  SyncBars();
  // Drawn at once, as a repaint of the platform is: the positions and registries of the new picture
  // are what the next command and click reckon with.
  RenderPicture();
  update();
}

void TSchemBox::RenderPicture() {
  const QSize size = this->size();
  if (picture_.size() != size) {
    picture_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    picture_.setDotsPerMeterX(measureImage_.dotsPerMeterX());
    picture_.setDotsPerMeterY(measureImage_.dotsPerMeterY());
  }
  ClientWidth = width();
  ClientHeight = height();
  // An empty model draws nothing: the panel's colour shows, not the picture before.
  picture_.fill(ToQColor(static_cast<TColor>(cBk)));
  QPainter painter(&picture_);
  TQtCanvas canvas(painter);
  canvas.Font = Font;
  CurModel = Model.get();
  painter_->Paint(canvas);
  pictureDirty_ = false;
  // Bands worked out on the picture before do not fit this one.
  flowFrame_.Lines.clear();
}

void TSchemBox::paintEvent(QPaintEvent* event) {
  if (pictureDirty_ || picture_.size() != size()) RenderPicture();
  QPainter painter(this);
  painter.drawImage(event->rect(), picture_, event->rect());
  if (!flowFrame_.Lines.empty()) {
    TQtCanvas canvas(painter);
    PaintFlowFrame(canvas, flowFrame_);
  }
}

void TSchemBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ClientWidth = width();
  ClientHeight = height();
  UpdateScrollRanges();
  pictureDirty_ = true;
}

void TSchemBox::FlowTimerTick() {
  const int interval = std::max(Delay, 1);
  if (FlowTimer->interval() != interval) FlowTimer->setInterval(interval);
  if (!diagram::FlowTimerTick(*this, flowFrame_)) return;
  // Only the area of the bands is painted again, over the last picture.
  QRect area;
  for (const TFlowLine& line : flowFrame_.Lines) {
    const TFlowRect r = FlowLineRect(line);
    area |= QRect(r.X1, r.Y1, r.X2 - r.X1, r.Y2 - r.Y1);
  }
  if (!area.isEmpty()) update(area);
}

}  // namespace ld::gui
