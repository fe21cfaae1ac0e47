#include "gui/diagram/sch_view_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <filesystem>
#include <vector>

#include "core/base/msgbox.h"
#include "core/base/settings.h"
#include "core/diagram/scheme_files.h"
#include "core/tables/layout.h"
#include "core/tables/table_file.h"
#include "gui/diagram/prn_sch_form.h"
#include "gui/diagram/sch_box.h"
#include "gui/diagram/set_color_form.h"
#include "gui/diagram/set_graph_form.h"
#include "gui/grid/tcolor.h"

namespace ld::gui {

TSchViewForm* SchViewForm = nullptr;

namespace {

// Rows 1 .. the row count of a scheme file; none for a file that is not there, since reading the count
// of a missing file raises.
std::vector<std::int32_t> AllRows(const std::string& stem, const char* layout) {
  const std::string file = FamilyFile(stem, GetMaketExtention(layout));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return {};
  std::vector<std::int32_t> rows(static_cast<std::size_t>(std::max(ReadFileRowCount(file), 0)));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::int32_t>(i + 1);
  return rows;
}

void SetBackground(QWidget* w, std::int32_t color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, ToQColor(static_cast<TColor>(color)));
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

}  // namespace

TSchViewForm::TSchViewForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("SchViewForm");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  schBox1_ = new TSchemBox(this);
  schBox1_->setObjectName("SchBox1");
  vScrollBar_ = new QScrollBar(Qt::Vertical, this);
  vScrollBar_->setObjectName("VScrollBar");
  vScrollBar_->setFixedWidth(16);
  hScrollBar_ = new QScrollBar(Qt::Horizontal, this);
  hScrollBar_->setObjectName("HScrollBar");
  hScrollBar_->setFixedHeight(16);
  for (QScrollBar* bar : {vScrollBar_, hScrollBar_}) {
    bar->setMaximum(0);
    bar->setFocusPolicy(Qt::NoFocus);
  }
  grid->addWidget(schBox1_, 0, 0);
  grid->addWidget(vScrollBar_, 0, 1);
  grid->addWidget(hScrollBar_, 1, 0);
  schBox1_->SetVScrollBar(vScrollBar_);
  schBox1_->SetHScrollBar(hScrollBar_);

  schMenu_ = new QMenu(this);
  schMenu_->setObjectName("SchMenu");
  auto item = [this](const char* name, const char* caption, void (TSchViewForm::*click)()) {
    QAction* a = schMenu_->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, click);
  };
  item("PrnItem", "Печать", &TSchViewForm::PrnItemClick);
  item("SetItem", "Настройки", &TSchViewForm::SetItemClick);
  item("ColItem", "Расцветка", &TSchViewForm::ColItemClick);

  SetBackground(this, 0xFFFFFF);
  SetBackground(schBox1_, 0xFFFFFF);
  resize(600, 450);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void TSchViewForm::ShowScheme(const std::string& Stem, const std::string& Caption,
                              const std::string& GraphicSection, const std::string& ColorSection, int ColorMode,
                              bool CaptionFlag) {
  stem_ = Stem;
  graphicSection_ = GraphicSection;
  colorSection_ = ColorSection;
  std::vector<std::int32_t> nodes = AllRows(Stem, LayoutNodes);
  std::vector<std::int32_t> lines = AllRows(Stem, LayoutBranches);
  setWindowTitle(QString::fromStdString(Caption));
  TSchemBox& box = *schBox1_;
  box.WrapCaptions = CaptionFlag;
  try {
    diagram::LoadScheme(box, Stem);
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
    return;
  }
  box.LoadViewConfig(GraphicSection, ColorSection);
  box.tColors = ColorMode;
  box.BuildScheme(std::move(nodes), std::move(lines), 0, 0);

  // Read-only: the node and line menus keep only "Свойства", the empty area offers the viewer's own.
  for (QMenu* menu : {box.LineMenu, box.NodeMenu}) {
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = 1; i < items.size(); ++i) delete items[i];
  }
  for (QAction* a : box.EmptyMenu->actions()) delete a;
  for (QAction* a : schMenu_->actions()) {
    QAction* copy = box.EmptyMenu->addAction(a->text());
    connect(copy, &QAction::triggered, a, &QAction::trigger);
  }
  show();
  raise();
}

void TSchViewForm::closeEvent(QCloseEvent* event) {
  schBox1_->SaveViewConfig(graphicSection_, colorSection_);
  QWidget::closeEvent(event);
}

void TSchViewForm::PrnItemClick() { ExecutePrintSchemeDialog(*schBox1_, windowTitle().toStdString()); }

void TSchViewForm::SetItemClick() {
  bool rebuild = false;
  if (ExecuteGraphSettingsDialog(*schBox1_, rebuild)) schBox1_->RebuildScheme(0, 0);
}

void TSchViewForm::ColItemClick() {
  if (!ExecuteColorSettingsDialog(*schBox1_, stem_)) return;
  SetBackground(this, schBox1_->cBk);
  schBox1_->Paint();
}

void ShowTkzScheme(const std::string& stem, const std::string& caption) {
  if (SchViewForm != nullptr) SchViewForm->ShowScheme(stem, caption, "GraphicTKZ", "ColorTKZ", 4, false);
}

}  // namespace ld::gui
