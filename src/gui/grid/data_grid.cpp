#include "gui/grid/data_grid.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/base/msgbox.h"

namespace ld::gui {

namespace {
const QColor kGridLine(160, 160, 160);

QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

TDataGrid5::TDataGrid5(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  resize(107, 36);
  editor_ = new QLineEdit(this);  // owned by the grid as its Qt parent
  editor_->setObjectName("InplaceEditor");
  editor_->setFrame(false);
  editor_->hide();
  editor_->installEventFilter(this);
  connect(editor_, &QLineEdit::textEdited, this, &TDataGrid5::EditorEdited);
  BuildMenu();
  SetClientSize(width(), height());
}

TDataGrid5::~TDataGrid5() = default;

int TDataGrid5::TextWidth(const std::string& text) const { return fontMetrics().horizontalAdvance(Q(text)); }

// ---------------------------------------------------------------- geometry

int TDataGrid5::ColumnX(int col) const {
  const auto& widths = ColWidths();
  if (col == 0) return 0;
  int x = widths[0] + 1;
  for (int g = LeftCol(); g < col; ++g) x += widths[static_cast<std::size_t>(g)] + 1;
  return x;
}

QRect TDataGrid5::CellRect(int col, int gridRow) const {
  if (col < 0 || col >= ColCount() || gridRow < 0 || gridRow >= GridRowCount()) return {};
  if (col > 0 && col < LeftCol()) return {};
  const int x = ColumnX(col);
  if (x >= width()) return {};
  const int h = DefaultRowHeight + 1;
  return {x, gridRow * h, ColWidths()[static_cast<std::size_t>(col)], DefaultRowHeight};
}

bool TDataGrid5::CellAt(const QPoint& point, int& col, int& gridRow) const {
  gridRow = point.y() / (DefaultRowHeight + 1);
  if (point.y() < 0 || gridRow >= GridRowCount()) return false;
  if (point.x() < ColWidths()[0] + 1) {
    col = 0;
    return point.x() >= 0;
  }
  for (int g = LeftCol(); g < ColCount(); ++g) {
    const int x = ColumnX(g);
    if (point.x() >= x && point.x() < x + ColWidths()[static_cast<std::size_t>(g)] + 1) {
      col = g;
      return true;
    }
  }
  return false;
}

// The column whose right border is under the point in the title row; -1 when none.
int TDataGrid5::BorderAt(const QPoint& point) const {
  if (point.y() > DefaultRowHeight) return -1;
  for (int g = LeftCol(); g < ColCount(); ++g) {
    const int right = ColumnX(g) + ColWidths()[static_cast<std::size_t>(g)];
    if (std::abs(point.x() - right) <= 2) return g;
  }
  return -1;
}

// ---------------------------------------------------------------- painting

void TDataGrid5::paintEvent(QPaintEvent*) {
  SetClientSize(width(), height());
  if (WidenToShownText() && Mode() == gmEdit) PlaceEditor();
  FitWidthsToClient();
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(Color));
  if (table().NCols == 0) return;
  for (int r = 0; r < GridRowCount(); ++r) {
    const QRect zero = CellRect(0, r);
    if (zero.width() > 0) DrawCell(painter, 0, r, zero);
    for (int g = LeftCol(); g < ColCount(); ++g) {
      const QRect cell = CellRect(g, r);
      if (cell.isEmpty()) break;
      DrawCell(painter, g, r, cell);
    }
  }
  // grid lines: one pixel after each row and column
  painter.setPen(kGridLine);
  const int bottom = GridRowCount() * (DefaultRowHeight + 1) - 1;
  int x = ColWidths()[0];
  painter.drawLine(x, 0, x, bottom);
  for (int g = LeftCol(); g < ColCount() && x < width(); ++g) {
    x += ColWidths()[static_cast<std::size_t>(g)] + 1;
    painter.drawLine(x, 0, x, bottom);
  }
  for (int r = 0; r < GridRowCount(); ++r) {
    const int y = r * (DefaultRowHeight + 1) + DefaultRowHeight;
    painter.drawLine(0, y, std::min(x, width()), y);
  }
}

void TDataGrid5::DrawCell(QPainter& painter, int col, int gridRow, const QRect& rect) {
  const TDataFile& t = table();
  QColor brush = ToQColor(Color);
  QColor font = ToQColor(clWindowText);
  const int c = TableColumn(col);
  if (gridRow == 0 || col == 0) {
    brush = ToQColor(FixedColor);
    if (gridRow == 0 && col > 0 && c >= 1 && c <= t.NCols) {
      const int titleColor = t.TitleColor[static_cast<std::size_t>(c)];
      if (titleColor != 0) font = PaletteQColor(titleColor);
    }
  } else if (col == Col() && gridRow == Row()) {
    brush = ToQColor(EditColor);
  } else {
    const TGridRect& s = Selection();
    const bool selected = col >= s.Left && col <= s.Right && gridRow >= s.Top && gridRow <= s.Bottom;
    if (selected) {
      brush = hasFocus() || (editor_->isVisible() && editor_->hasFocus()) ? ToQColor(MarkColor) : ToQColor(clWindow);
    } else if (c >= 1 && c <= t.NCols) {
      std::uint8_t colors = t.Colors[static_cast<std::size_t>(c)];
      const int row = gridRow - 1 + FirstRow();
      if (colors == 0 && t.MarkRec && row <= t.RowCount) colors = t.MarkRec->Get(row);
      if (colors != 0) {
        const int fontIndex = FontColorIndex(colors);
        font = fontIndex == 0 ? ToQColor(clWindowText) : PaletteQColor(fontIndex);
        const int backIndex = BackColorIndex(colors);
        brush = backIndex == 15 ? ToQColor(clWindow) : PaletteQColor(backIndex);
      }
    }
  }
  painter.fillRect(rect, brush);
  const QString text = Q(CellText(col, gridRow));
  if (text.isEmpty()) return;
  painter.setPen(font);
  const QRect inner = rect.adjusted(2, 2, -2, 0);
  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
  if (gridRow == 0) {
    align = Qt::AlignHCenter | Qt::AlignTop;
  } else if (col > 0 && c >= 1 && c <= t.NCols) {
    const char type = t.ColType[static_cast<std::size_t>(c)];
    if (type == 'd' || type == 'f') align = Qt::AlignRight | Qt::AlignTop;
  }
  painter.save();
  painter.setClipRect(rect);
  painter.drawText(inner, static_cast<int>(align) | Qt::TextSingleLine, text);
  painter.restore();
}

void TDataGrid5::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SetClientSize(width(), height());
  SyncScrollBar();
  update();
}

void TDataGrid5::Repaint() { update(); }

// ---------------------------------------------------------------- the in-place editor

void TDataGrid5::RefreshEditor() { ShowEditor(true); }

void TDataGrid5::PlaceEditor() { ShowEditor(false); }

void TDataGrid5::ShowEditor(bool refill) {
  if (!EditorActive()) {
    editorCell_ = {0, 0};
    const bool hadFocus = editor_->hasFocus();
    editor_->hide();
    if (hadFocus) setFocus();
    return;
  }
  const QRect cell = CellRect(Col(), Row());
  if (cell.isEmpty()) {
    editor_->hide();
    return;
  }
  editor_->setGeometry(cell.adjusted(1, 1, 0, 0));
  // What the person is typing stays as typed ("0.", "1e-" and "0," are no stored values yet): only a
  // new cell or an explicit refill shows the stored value again.
  const std::array<int, 2> cellNow{CurrentTableCol(), CurrentTableRow()};
  const bool newCell = !editor_->isVisible() || cellNow != editorCell_;
  if (refill || newCell) {
    editor_->setText(Q(GetEditText()));
    editorText_ = editor_->text();
    partial_ = false;
    // A new cell offers its whole text for overtyping; the same cell keeps the caret at the end.
    if (newCell) editor_->selectAll();
  }
  editorCell_ = cellNow;
  editor_->show();
  // Painting places the editor too: it takes the focus only from the grid itself, never back from
  // the control that the person went on to (a dialog's button must keep the click it got).
  if (hasFocus()) editor_->setFocus();
}

void TDataGrid5::EditorEdited(const QString& typed) {
  QString text = typed;
  const int caret = editor_->cursorPosition();
  const int c = CurrentTableCol();
  // A one-character column is overtyped, as a selected text would be: the new character replaces the
  // old one wherever the caret stood.
  const bool oneChar = c >= 1 && c <= table().NCols && table().CtrlSize[static_cast<std::size_t>(c)] == 1;
  if (oneChar && text.size() > 1 && caret > 0) text = text.mid(caret - 1, 1);
  storing_ = true;
  TEditResult result = TEditResult::Refused;
  const bool done = Guarded([&] {
    KeepCellForUndo();
    result = StoreEditText(text.toStdString());
  });
  storing_ = false;
  // a refused lock leaves the cell as it was, and the editor shows so
  if (!done) {
    RefreshEditor();
    return;
  }
  partial_ = result == TEditResult::Partial;
  switch (result) {
    case TEditResult::Stored:
    case TEditResult::Partial:
      if (text != typed) editor_->setText(text);
      break;
    case TEditResult::Cut:
      editor_->setText(Q(GetEditText()));
      editor_->setCursorPosition(std::min(caret, static_cast<int>(editor_->text().size())));
      break;
    case TEditResult::Refused: {
      // the character goes, the rest of the typing stays, the caret where it was before it
      const int back = static_cast<int>(typed.size() - editorText_.size());
      editor_->setText(editorText_);
      editor_->setCursorPosition(std::clamp(caret - std::max(0, back), 0, static_cast<int>(editorText_.size())));
      break;
    }
  }
  editorText_ = editor_->text();
  update();
}

void TDataGrid5::EndCellEdit() {
  // the message box of a refused change takes the focus too: that is no second try
  if (storing_ || !editor_->isVisible() || !EditorActive()) return;
  const std::string text = editor_->text().toStdString();
  if (text != GetEditText()) EditorEdited(editor_->text());
  // an unfinished number ("1e-") ends as the value the cell kept
  if (partial_) RefreshEditor();
  ForgetCellUndo();
}

// ---------------------------------------------------------------- mouse

void TDataGrid5::mousePressEvent(QMouseEvent* event) {
  setFocus();
  if (event->button() != Qt::LeftButton) return;
  leftDown_ = true;
  const QPoint pos = event->position().toPoint();
  const int border = BorderAt(pos);
  if (border >= 0) {
    sizingCol_ = border;
    sizingStartX_ = pos.x();
    sizingStartWidth_ = ColWidths()[static_cast<std::size_t>(border)];
    return;
  }
  int col = 0, row = 0;
  if (!CellAt(pos, col, row) || col < 1 || row < 1) return;
  if (Mode() != gmEdit) SetModeQuiet(gmView);
  MoveTo(col, row);
  if (Mode() != gmEdit) SetBlock({col, CurrentTableRow(), col, CurrentTableRow()});
  update();
}

void TDataGrid5::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (sizingCol_ >= 0) {
    SetColWidth(sizingCol_, sizingStartWidth_ + pos.x() - sizingStartX_);
    update();
    return;
  }
  setCursor(BorderAt(pos) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
  if (!leftDown_ || event->buttons() != Qt::LeftButton || Mode() == gmEdit) return;
  SetModeQuiet(gmBlock);
  ExtendBlockTo(pos);
}

void TDataGrid5::ExtendBlockTo(const QPoint& pos) {
  int col = 0, row = 0;
  if (!CellAt(pos, col, row) || col < 1 || row < 1) return;
  TGridBlock block = Block();
  block.Col2 = col;
  block.Row2 = row - 1 + FirstRow();
  SetBlock(block);
  update();
}

void TDataGrid5::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  leftDown_ = false;
  if (sizingCol_ >= 0) {
    sizingCol_ = -1;
    return;
  }
  if (Mode() != gmBlock) return;
  SetModeQuiet(gmView);
  ExtendBlockTo(event->position().toPoint());
}

void TDataGrid5::wheelEvent(QWheelEvent* event) {
  if (table().NCols == 0) return;
  WheelScroll(event->angleDelta().y());
  event->accept();
}

void TDataGrid5::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TDataGrid5::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

// ---------------------------------------------------------------- scroll bar and status panel

void TDataGrid5::SetScrollBar(QScrollBar* bar) {
  if (scrollBar_) disconnect(scrollBar_, nullptr, this, nullptr);
  scrollBar_ = bar;
  if (!bar) return;
  bar->setOrientation(Qt::Vertical);
  bar->setFocusPolicy(Qt::NoFocus);
  bar->setFixedWidth(16);
  connect(bar, &QScrollBar::actionTriggered, this, &TDataGrid5::ScrollBarAction);
  connect(bar, &QScrollBar::sliderReleased, this, [this] {
    if (!syncing_) Guarded([&] { ScrollBarScroll(scrollBar_->sliderPosition(), TScrollCode::Position); });
  });
  SyncScrollBar();
}

void TDataGrid5::ScrollBarAction(int action) {
  if (syncing_ || !scrollBar_) return;
  TScrollCode code = TScrollCode::Track;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = TScrollCode::LineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = TScrollCode::LineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = TScrollCode::PageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = TScrollCode::PageDown; break;
    case QAbstractSlider::SliderToMinimum: code = TScrollCode::Top; break;
    case QAbstractSlider::SliderToMaximum: code = TScrollCode::Bottom; break;
    default: break;
  }
  const int position = scrollBar_->sliderPosition();
  Guarded([&] { ScrollBarScroll(position, code); });
}

void TDataGrid5::SyncScrollBar() {
  if (!scrollBar_) return;
  syncing_ = true;
  const TScrollModel& s = Scroll();
  scrollBar_->setRange(s.Min, s.Max);
  scrollBar_->setSingleStep(s.SmallChange);
  scrollBar_->setPageStep(s.LargeChange);
  scrollBar_->setValue(s.Position);
  scrollBar_->setVisible(s.Visible);
  syncing_ = false;
}

void TDataGrid5::SetStatusPanel(QWidget* panel) {
  for (QLabel* label : labels_) delete label;
  labels_.clear();
  statusPanel_ = panel;
  if (!panel) return;
  panel->setFont(font());
  panel->setFixedHeight(20);
  static const char* const kLabels[8] = {"F2 сохранить", "F3 поиск",     "F4 ред/просм",  "F5 копи блок",
                                         "F6 вст блок",  "F7 вст строка", "F8 удал строки", "F9 параметры"};
  for (int i = 0; i < 8; ++i) {
    auto* label = new QLabel(QString::fromUtf8(kLabels[i]), panel);  // owned by the panel
    label->setObjectName(QStringLiteral("StatusF%1").arg(i + 2));
    label->installEventFilter(this);
    label->show();
    labels_.push_back(label);
  }
  PlaceLabels();
  StateChanged();
}

void TDataGrid5::PlaceLabels() {
  if (!statusPanel_) return;
  int left = 5;
  const int top = (statusPanel_->height() - std::abs(QFontMetrics(statusPanel_->font()).height())) / 2;
  for (QLabel* label : labels_) {
    label->setFont(statusPanel_->font());
    label->adjustSize();
    label->move(left, top);
    if (label->isVisibleTo(statusPanel_)) left += label->width() + 10;
  }
}

int TDataGrid5::StatusPanelHeight() const { return statusPanel_ ? statusPanel_->height() : 0; }

void TDataGrid5::SetStatusPanelHeight(int height) {
  if (!statusPanel_) return;
  statusPanel_->setFixedHeight(height);
  PlaceLabels();
}

QFont TDataGrid5::StatusPanelFont() const { return statusPanel_ ? statusPanel_->font() : font(); }

void TDataGrid5::SetStatusPanelFont(const QFont& f) {
  if (!statusPanel_) return;
  statusPanel_->setFont(f);
  PlaceLabels();
}

void TDataGrid5::StateChanged() {
  if (isHidden() == GridVisible()) setVisible(GridVisible());
  SyncScrollBar();
  const bool edit = Mode() == gmEdit;
  if (labels_.size() == 8) {
    if (statusPanel_) statusPanel_->setEnabled(StatusEnabled());
    labels_[0]->setEnabled(EditTable());                // F2
    labels_[2]->setEnabled(EditTable());                // F4
    labels_[3]->setEnabled(!edit);                      // F5
    labels_[4]->setEnabled(EditTable() && !edit);       // F6
    labels_[5]->setEnabled(EditTable());                // F7
    labels_[6]->setEnabled(EditTable());                // F8
    labels_[7]->setEnabled(EditTable());                // F9
    labels_[7]->setVisible(ParamEnabled());
    PlaceLabels();
  }
  if (menu_) {
    for (const int tag : {mtReplace, mtInsertRow, mtDeleteRows, mtSheetImport, mtRowColor})
      if (QAction* item = MenuItem(tag)) item->setEnabled(EditTable());
    if (QAction* copy = MenuItem(mtCopyBlock)) copy->setEnabled(!edit);
    if (QAction* paste = MenuItem(mtPasteBlock)) paste->setEnabled(EditTable() && !edit);
  }
}

bool TDataGrid5::Guarded(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& e) {
    ShowMsgForm(e.what(), mkError, mbOk);
  }
  update();
  return false;
}

bool TDataGrid5::SaveWithQuestion() {
  bool saved = false;
  return Guarded([&] { saved = SaveFile(); }) && saved;
}

}  // namespace ld::gui
