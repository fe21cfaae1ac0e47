#pragma once
// The data grid without its pixels: the embedded table, the window of rows shown over it (FirstRow),
// the cursor, the modes, the block, the locks taken before the first change, the trimming of empty
// tail rows and the scrolling. The widget TDataGrid5 derives from it, paints what it says and feeds it
// keys and mouse moves; tests drive it directly.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/callbacks.h"
#include "core/tables/layout.h"

namespace ld::gui {

enum TGridMode : std::uint8_t { gmView = 0, gmEdit = 1, gmBlock = 2 };

// Columns are grid columns, rows are table rows.
struct TGridBlock {
  int Col1 = 1, Row1 = 1, Col2 = 1, Row2 = 1;
};

// A rectangle of grid cells (columns and grid rows).
struct TGridRect {
  int Left = 1, Top = 1, Right = 1, Bottom = 1;
};

// What the grid's own scroll bar shows; the widget mirrors it on the host's scroll bar.
struct TScrollModel {
  int Min = 1, Max = 1, Position = 1, SmallChange = 1, LargeChange = 1;
  bool Visible = false;
};

// Scroll codes of the scroll bar event.
enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, Position, Track, Top, Bottom, EndScroll };

// The mark byte of the row-mark command (red background, black text until a row colour is chosen).
extern std::uint8_t RowMarkValue;

// The folder that was current when the program started, with a trailing "/": the text export goes
// there. Tests point it elsewhere.
std::string& StartFolder();

class TGridState {
public:
  TGridState();
  virtual ~TGridState();
  TGridState(const TGridState&) = delete;
  TGridState& operator=(const TGridState&) = delete;

  // ---- the table and its file
  PDataFile GetTable() { return &Table; }
  const TDataFile& table() const { return Table; }
  const std::string& FileName() const { return fileName_; }
  int MaxRows() const { return maxRows_; }
  TFileStamp FileDate;  // the file at its last read or write by the grid (its date shown)

  // CloseTable, then read the file. A read failure passes on and leaves the grid closed.
  void OpenFile(const std::string& fileName, int topRow, int col, int row, bool editTable, bool askSave,
                bool askDelete, TProgressProc progress = {});
  // A table whose file does not exist yet: an empty one of the layout, titled title, which its first
  // save writes under fileName. The grid takes a file name only from a file it reads, so an empty file
  // stands in for the read and goes again at once: merely looking creates nothing. The table is stamped
  // as seen where no file was, so that its save makes the file unless another made it meanwhile. In a
  // folder that cannot be written, the empty table is shown read-only.
  void OpenMissingFile(const std::string& fileName, const std::string& layoutName, const std::string& title,
                       int topRow, int col, int row, bool editTable);
  void Reload();
  // A copy of another table, shown without a file.
  void AssignTable(const TDataFile& source, int topRow, int col, int row);
  std::string Maket() const { return Table.Name; }
  void SetMaket(const std::string& layoutName);
  // Asks (with AskSave), saves and releases the locks. False: the user cancelled. The tables of
  // `together` (files of the grid's folder that belong with its table) are written in the same run as
  // the grid's own, all or none.
  bool SaveFile(const std::vector<std::pair<std::string, TDataFile*>>& together = {});
  // SaveFile with AskSave cleared for the call (F2).
  void SaveWithoutAsking(const std::vector<std::pair<std::string, TDataFile*>>& together = {});
  void SortAndSave();
  void CloseTable();
  void ClearTable();
  void Refresh();
  void ShowAll();

  // ---- flags
  bool EditTable() const { return editTable_; }
  // A user without the write right never gets a writable table.
  void SetEditTable(bool on);
  bool EditRows = false;
  bool Modified() const { return modified_; }
  // Clearing it also forgets the lock: the host has saved or unlocked the files itself.
  void SetModified(bool on);
  bool AskSave = false;
  bool AskDelete = false;
  bool Numerate() const { return numerate_; }
  void SetNumerate(bool on);
  bool ParamEnabled() const { return paramEnabled_; }
  void ShowStatus(bool on);
  TGridMode Mode() const { return mode_; }
  void SetMode(TGridMode mode);
  void LeaveEditMode();
  // The mode of key and mouse handling, set without the OnChangeMode event.
  void SetModeQuiet(TGridMode mode) { mode_ = mode; }
  bool StatusEnabled() const { return statusEnabled_; }
  bool GridVisible() const { return gridVisible_; }

  // ---- the window over the table
  int FirstRow() const { return firstRow_; }
  int CurrentTableRow() const { return row_ - 1 + firstRow_; }
  int CurrentTableCol() const { return ColumnMap[static_cast<std::size_t>(col_)]; }
  std::string CurrentFieldName() const;
  int FieldColumn(const std::string& fieldName) const;
  // The table column of a grid column (0 for column 0).
  int TableColumn(int gridCol) const { return gridCol <= 0 || gridCol > kMaxColumns ? 0 : ColumnMap[static_cast<std::size_t>(gridCol)]; }

  // The cells: ColCount columns (0 the row numbers), RowCount rows (0 the titles), the cursor.
  int ColCount() const { return colCount_; }
  int GridRowCount() const { return gridRows_; }
  int Col() const { return col_; }
  int Row() const { return row_; }
  int LeftCol() const { return leftCol_; }
  // Moves the cursor (a cell-moved notification follows, as on a click).
  void MoveTo(int col, int row);
  const std::vector<int>& ColWidths() const { return colWidths_; }
  int DefaultRowHeight = 17;
  int DefaultColWidth = 70;
  int NaturalWidth() const { return naturalWidth_; }

  // The size of the widget in pixels; the grid row count follows the height.
  void SetClientSize(int width, int height);
  int ClientWidth() const { return width_; }
  int ClientHeight() const { return height_; }

  const TGridBlock& Block() const { return block_; }
  void SetBlock(const TGridBlock& block);
  const TGridRect& Selection() const { return selection_; }
  const TScrollModel& Scroll() const { return scroll_; }

  // ---- scrolling
  void GotoRow(int row);
  void LineUp();    // arrow up
  void LineDown();  // arrow down
  void PageUp();
  void PageDown();
  void First();
  void Last();
  void ScrollBy(int rows);
  void WheelScroll(int wheelDelta) { ScrollBy(-wheelDelta / 40); }
  void ScrollBarScroll(int position, TScrollCode code);
  // Left and right arrows, Home and End: the cursor along its row, the columns scrolled into view.
  void MoveColumn(int delta);
  // Tab and Shift+Tab: the next or previous cell, on to the first or last column of the next or
  // previous row at the row's end.
  void TabCell(bool forward);
  void TrimEmptyTailRows();

  // ---- editing
  // The text of a cell as the grid draws it: display form, or raw for the cursor cell in edit mode.
  std::string CellText(int gridCol, int gridRow) const;
  bool EditorActive() const;          // the in-place editor is on the cursor cell
  std::string GetEditText() const;    // raw text of the cursor cell
  // Stores the editor's text; false when it was refused or cut (the editor shows the stored value).
  bool SetEditText(const std::string& text);
  // What became of a text typed into the cursor cell.
  enum class TEditResult {
    Stored,   // the cell holds it
    Partial,  // the start of a number ("-", ".", "1e-"): the cell keeps its value, the typing goes on
    Cut,      // longer than the column holds: the cell holds its start
    Refused   // the column cannot hold it at all: the cell keeps its value
  };
  // SetEditText without touching the editor: the widget keeps what the person typed.
  TEditResult StoreEditText(const std::string& text);
  void SetFieldText(const std::string& fieldName, int row, const void* value);
  // Locks the files unless already locked and sets Modified; throws the lock check's error.
  void LockOnce();
  // The editor stores every keystroke, so Escape needs the cell's value from before its first change:
  // kept once per cell and forgotten when the edit of the cell ends (Enter, another cell, a command).
  void KeepCellForUndo();
  void ForgetCellUndo() { undo_ = {}; }
  // Escape in edit mode: the cursor cell gets its kept value back and edit mode ends.
  void CancelEdit();

  // ---- the layout's widths
  // Spreads the width over the data columns before painting (and takes back the layout's widths when
  // the grid is narrower than the layout).
  void FitWidthsToClient();
  // The user dragged a column border.
  void SetColWidth(int gridCol, int width);
  // The layouts' widths were measured with another font: a column is as wide as its caption and the
  // widest value on the screen at the grid's font, when its layout width is less. Widens (never
  // narrows) for the rows on the screen now; true when a width changed. Painting asks first.
  bool WidenToShownText();
  void FitColumnWidths(int& width);
  // The layouts' widths were chosen for a narrower font than the screen may have: widens each column
  // to its title and, for the fields named in samples, to the sample text; never narrows. True when a
  // width changed (Refresh shows it).
  bool WidenColumnsToFit(const std::vector<std::pair<std::string, std::string>>& samples = {});
  // Pixel width of a text in the grid's font; the widget measures, the default counts characters.
  virtual int TextWidth(const std::string& text) const;

  // ---- events to the host
  std::function<void(double dateTime)> OnSetDateTime;
  std::function<void(PDataFile df)> OnSetMaketProc;
  std::function<void(TGridMode mode)> OnChangeMode;
  std::function<void(PDataFile df)> OnSaveProc;
  std::function<void(PDataFile df, int index)> OnDelProc;
  std::function<void(PDataFile df, int acol, int arow)> OnMoveProc;
  std::function<void(const std::string& folder, PDataFile df, int index, bool& modify)> OnParamProc;
  std::function<void(PDataFile df, int pos, int acol, int arow)> OnExitProc;
  std::function<void(TGridState& grid)> OnPasteProc;

  // The cell-moved notification: scroll position, OnMoveProc, the block.
  void CellMoved();

  // ---- commands of the pop-up menu, hot keys and status labels (grid_commands.cpp)
  void InsertRow();
  void DeleteRows();  // asks first with AskDelete
  void RowMark();
  std::uint8_t BlockFirstMark() const;
  void SetRowColor(std::uint8_t mark);
  void CopyBlock();
  void PasteBlock();
  void ClearBlock();
  void Params();
  void SortColumn();
  void ColumnSum() const;
  // Replaces in the current column; true when anything was replaced. The caller holds the lock
  // (LockNoModify) around the dialog and releases it after (ReleaseNoModify).
  bool ReplaceInColumn(const std::string& find, const std::string& replacement);
  void LockNoModify();
  void ReleaseNoModify();
  // Shows the rows whose current-column value lies between from and to, as a detached read-only table.
  void RangeSelect(const std::string& from, const std::string& to, bool inclusive);
  bool LockedFiles() const { return locked_; }
  // The table as print markup lines, appended: a "StartTable" title line and one "Table" line per row,
  // each cell with its colour byte.
  void GetPrintLines(std::vector<std::string>& lines);
  // "textfile.txt" in the start folder: the tab-separated text of the table.
  void ExportText();

protected:
  // The widget's side. The state calls these after it changed what they show.
  virtual void Repaint() {}
  virtual void RefreshEditor() {}
  // The cell moved on the screen or changed its size, not its value: the editor follows, keeping what
  // is typed in it.
  virtual void PlaceEditor() {}
  virtual void StateChanged() {}  // visibility, enabling, scroll bar, status labels

  // After a command changed the row count or order: scroll bar, editor, notification, repaint.
  void AfterRowsChanged();
  // FirstRow 1, cursor on grid row 1, after a sort or a new table.
  void ResetToTop();

  TDataFile Table;
  std::array<int, kMaxColumns + 1> ColumnMap{};
  TProgressProc progress_;

private:
  void Rebuild();
  void ApplyBlock();
  void CollapseBlock();
  void AfterScroll(bool notify);
  int LastGridRow() const { return gridRows_ - 1; }
  void UpdateGridRows();
  void ResetWidths();
  int NumberColumnWidth() const;
  int ShownTextWidth(int gridCol) const;
  bool RowIsEmpty(int row) const;
  void UnlockFiles();
  std::string LockExtension() const;

  std::string fileName_;
  int maxRows_ = 0;
  int firstRow_ = 1;
  int widthCursor_ = 1;
  int widthSign_ = 1;
  int naturalWidth_ = 0;
  bool editTable_ = false;
  bool modified_ = false;
  bool locked_ = false;  // this grid holds the lock files of its table
  bool rowsAdded_ = false;
  bool paramEnabled_ = false;
  bool numerate_ = true;
  bool statusEnabled_ = false;
  bool gridVisible_ = true;
  bool widthSync_ = true;
  TGridMode mode_ = gmView;
  TGridBlock block_;
  TGridRect selection_;
  TScrollModel scroll_;
  int colCount_ = 2;
  int gridRows_ = 2;
  int col_ = 1;
  int row_ = 1;
  int leftCol_ = 1;
  int width_ = 107;
  int height_ = 36;
  std::vector<int> colWidths_;
  std::vector<int> naturalWidths_;  // per grid column: the layout's width, widened to the shown text
  std::vector<bool> userSized_;     // per grid column: the person dragged its border
  struct TCellUndo {
    bool Kept = false;
    int Col = 0, Row = 0;               // table column and row
    std::string Text;                   // an "s" cell
    std::vector<unsigned char> Bytes;   // a cell of any other type, as stored
  } undo_;
};

}  // namespace ld::gui
