#pragma once
// TDataGrid5: the table control of every table window. It paints the rows that fit into its height
// straight from the embedded table (no copy of the cells anywhere), edits cells in place, and offers
// its commands through a pop-up menu, hot keys and the labels of an optional status panel.
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <array>
#include <functional>

#include "gui/grid/grid_state.h"
#include "gui/grid/tcolor.h"

class QLabel;
class QLineEdit;
class QMenu;
class QAction;

namespace ld::gui {

// Tags of the grid's own pop-up items; hosts give the items they add negative tags.
enum TGridMenuTag : int {
  mtFind = 1, mtSort = 2, mtInsertRow = 4, mtDeleteRows = 5, mtCopyBlock = 7, mtPasteBlock = 8, mtRange = 9,
  mtTextExport = 11, mtRowColor = 13, mtLayout = 14, mtReplace = 15, mtCompare = 16, mtColumnSum = 17,
  mtSheetExport = 18, mtSheetImport = 20
};

class TDataGrid5 : public QWidget, public TGridState {
  Q_OBJECT

public:
  explicit TDataGrid5(QWidget* parent = nullptr);
  ~TDataGrid5() override;

  TColor EditColor = clAqua;   // the cursor cell
  TColor MarkColor = clBlue;   // the other cells of the block while the grid has the focus
  TColor Color = clWindow;
  TColor FixedColor = clBtnFace;

  QWidget* StatusPanel() const { return statusPanel_; }
  // Gives the grid a panel (owned by the host) for its eight command labels.
  void SetStatusPanel(QWidget* panel);
  int StatusPanelHeight() const;
  void SetStatusPanelHeight(int height);
  QFont StatusPanelFont() const;
  void SetStatusPanelFont(const QFont& font);

  QScrollBar* ScrollBar() const { return scrollBar_; }
  // Gives the grid a scroll bar (owned by the host) that moves the window over the table.
  void SetScrollBar(QScrollBar* bar);

  // The pop-up menu; hosts add their items (QAction::data() = a negative tag).
  QMenu* PopupMenu() const { return menu_; }
  QAction* MenuItem(int tag) const;
  QLineEdit* Editor() const { return editor_; }

  // The host sees every key first and may change it (0 swallows it).
  std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)> OnExtKeyDown;
  // After every click on a pop-up item, the grid's own and the host's.
  std::function<void(QAction* item, PDataFile df, int index)> OnExtMenuClick;

  // The command of a pop-up tag or a status label; errors end up in the message box.
  void RunCommand(int tag);
  // F2: saves without asking.
  void SaveCommand();
  // F4: edit mode on or off.
  void ToggleEditMode();
  // F9: the host's parameters of the current row.
  void ParamsCommand();
  // Runs a command and shows an ld::Error in the message box instead of passing it on.
  bool Guarded(const std::function<void()>& command);
  // The save of a modified table with its question ("Да" saves, "Нет" discards): false when the person
  // cancels or the file cannot be written.
  bool SaveWithQuestion();

  // Pixel rectangle of a grid cell (col, gridRow) as painted now; empty when not shown.
  QRect CellRect(int col, int gridRow) const;
  // The grid cell under a point; false outside the cells.
  bool CellAt(const QPoint& point, int& col, int& gridRow) const;

  int TextWidth(const std::string& text) const override;

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  void Repaint() override;
  void RefreshEditor() override;
  void PlaceEditor() override;
  void StateChanged() override;

private:
  void BuildMenu();
  void HandleKey(int key, Qt::KeyboardModifiers shift);
  void DrawCell(QPainter& painter, int col, int gridRow, const QRect& rect);
  void PlaceLabels();
  void SyncScrollBar();
  void ScrollBarAction(int action);
  // Places the in-place editor on the cursor cell; refill: show the cell's stored value even when the
  // person is typing into the same cell.
  void ShowEditor(bool refill);
  void EditorEdited(const QString& typed);
  // Ends the edit of the cursor cell as Enter does: what the editor shows is stored, and Escape no
  // longer takes it back. A dialog button that takes the focus from the editor ends the edit first.
  void EndCellEdit();
  int ColumnX(int col) const;
  int BorderAt(const QPoint& point) const;
  // The cell under the point becomes the block's second corner.
  void ExtendBlockTo(const QPoint& pos);

  QMenu* menu_ = nullptr;
  QLineEdit* editor_ = nullptr;
  QPointer<QWidget> statusPanel_;
  QPointer<QScrollBar> scrollBar_;
  std::vector<QLabel*> labels_;
  bool syncing_ = false;
  int sizingCol_ = -1;  // the column whose border is being dragged
  int sizingStartX_ = 0;
  int sizingStartWidth_ = 0;
  bool leftDown_ = false;
  std::array<int, 2> editorCell_{};  // table column and row the editor shows
  bool storing_ = false;             // the editor's text is being stored
  QString editorText_;               // what the editor showed before the last keystroke
  bool partial_ = false;             // the editor holds the start of a number, not yet stored
};

}  // namespace ld::gui
