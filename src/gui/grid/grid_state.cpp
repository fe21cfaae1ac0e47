#include "gui/grid/grid_state.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/session.h"
#include "core/tables/file_guard.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "core/tables/table_save.h"
#include "core/tables/table_writer.h"

namespace ld::gui {

std::uint8_t RowMarkValue = 0x60;

std::string& StartFolder() {
  static std::string folder = [] {
    std::error_code ec;
    std::string path = std::filesystem::current_path(ec).string();
    if (path.empty() || path.back() != '/') path += '/';
    return path;
  }();
  return folder;
}

namespace {
// Taken while the program starts, before anyone changes the current folder.
const std::string& kStartFolderAtLoad = StartFolder();

// A text that typing can still make a number of a fractional column ("+", ".", "-,", "2e", "1.5e-"),
// though it is none yet. A whole number that the column refuses (out of range) is no such start.
bool IsNumberStart(char type, std::string_view text) {
  if (type != 'd' && type != 'f' && type != 'r') return false;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  std::size_t mantissa = digits();
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    mantissa += digits();
  }
  bool openExponent = false;
  if (mantissa > 0 && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    openExponent = digits() == 0;
  }
  return i == text.size() && (mantissa == 0 || openExponent);
}
}  // namespace

TGridState::TGridState() {
  (void)kStartFolderAtLoad;
  colWidths_ = {35, DefaultColWidth};
  UpdateGridRows();
}

TGridState::~TGridState() { FreeTable(Table); }

// ---------------------------------------------------------------- flags

void TGridState::SetEditTable(bool on) {
  editTable_ = on && UserAccess != 0;
  EditRows = editTable_;
  if (!editTable_) SetMode(gmView);
  StateChanged();
}

void TGridState::SetModified(bool on) {
  modified_ = on;
  if (!on) locked_ = false;
}

void TGridState::SetNumerate(bool on) {
  numerate_ = on;
  colWidths_[0] = NumberColumnWidth();
  Repaint();
}

void TGridState::ShowStatus(bool on) {
  paramEnabled_ = on;
  StateChanged();
}

std::string TGridState::CurrentFieldName() const {
  const int c = CurrentTableCol();
  return c >= 1 && c <= Table.NCols ? Table.FieldName[static_cast<std::size_t>(c)] : std::string();
}

int TGridState::FieldColumn(const std::string& fieldName) const {
  for (int g = 1; g < colCount_; ++g) {
    const int c = ColumnMap[static_cast<std::size_t>(g)];
    if (c >= 1 && c <= Table.NCols && Table.Visible[static_cast<std::size_t>(c)] == 1 &&
        Table.FieldName[static_cast<std::size_t>(c)] == fieldName)
      return g;
  }
  return 0;
}

// ---------------------------------------------------------------- locks

void TGridState::LockOnce() {
  if (!locked_) {
    CheckFileFree(fileName_, FileDate);
    LockTableFiles(RemoveExtension(fileName_), LockExtension());
    locked_ = true;
  }
  modified_ = true;
}

void TGridState::LockNoModify() {
  if (locked_) return;
  CheckFileFree(fileName_, FileDate);
  LockTableFiles(RemoveExtension(fileName_), LockExtension());
  locked_ = true;
}

void TGridState::ReleaseNoModify() {
  if (!modified_) UnlockFiles();
}

// The lock goes with the file shown: its own extension, which on a case-sensitive file system may be
// spelled otherwise than the layout's.
std::string TGridState::LockExtension() const {
  const std::string extension = ExtractExtension(fileName_);
  return extension.empty() ? Table.Extention : extension;
}

void TGridState::UnlockFiles() {
  UnlockTableFiles(RemoveExtension(fileName_), LockExtension());
  locked_ = false;
}

// ---------------------------------------------------------------- opening and closing

void TGridState::OpenFile(const std::string& fileName, int topRow, int col, int row, bool editTable, bool askSave,
                          bool askDelete, TProgressProc progress) {
  CloseTable();
  fileName_ = fileName;
  firstRow_ = topRow;
  SetEditTable(editTable);
  AskSave = askSave;
  AskDelete = askDelete;
  progress_ = std::move(progress);
  try {
    ReadTableFile(fileName_, Table, progress_);
  } catch (...) {
    FreeTable(Table);
    fileName_.clear();
    throw;
  }
  FileDate = Table.FileDate;
  if (OnSetDateTime) OnSetDateTime(FileDate.Date);
  if (OnSetMaketProc) OnSetMaketProc(&Table);
  Rebuild();
  col_ = col < colCount_ ? std::max(1, col) : 1;
  row_ = std::clamp(row, 1, gridRows_ - 1);
  CollapseBlock();
  statusEnabled_ = true;
  scroll_.Visible = true;
  gridVisible_ = true;
  StateChanged();
  Repaint();
  if (OnMoveProc) OnMoveProc(&Table, CurrentTableCol(), CurrentTableRow());
}

void TGridState::OpenMissingFile(const std::string& fileName, const std::string& layoutName,
                                 const std::string& title, int topRow, int col, int row, bool editTable) {
  bool opened = false;
  try {
    CreateEmptyTableFile(fileName, layoutName, title);
    OpenFile(fileName, topRow, col, row, editTable, true, true);
    opened = true;
  } catch (const std::exception&) {
    // a folder we may not write to: the empty table can be looked at, not saved
  }
  DeleteFileIfExists(fileName);
  if (opened) FileDate.Absent = Table.FileDate.Absent = true;
  if (!opened) {
    SetMaket(layoutName);
    SetEditTable(false);
    ShowAll();
  }
}

void TGridState::Reload() {
  if (fileName_.empty()) return;
  const std::string name = fileName_;
  OpenFile(name, firstRow_, col_, row_, editTable_, AskSave, AskDelete, progress_);
}

void TGridState::AssignTable(const TDataFile& source, int topRow, int col, int row) {
  LeaveEditMode();
  fileName_.clear();
  FreeTable(Table);
  CopyTable(source, Table);
  if (OnSetMaketProc) OnSetMaketProc(&Table);
  firstRow_ = topRow;
  Rebuild();
  col_ = col < colCount_ ? std::max(1, col) : 1;
  row_ = std::clamp(row, 1, gridRows_ - 1);
  CollapseBlock();
  SetModified(false);
  gridVisible_ = true;
  StateChanged();
  Repaint();
}

void TGridState::SetMaket(const std::string& layoutName) {
  fileName_.clear();
  SetMode(gmView);
  FreeTable(Table);
  if (layoutName.empty()) {
    Table = TDataFile{};
    colCount_ = 2;
    gridRows_ = 2;
    colWidths_ = {NumberColumnWidth(), DefaultColWidth};
    SetEditTable(false);
  } else {
    ReadMaket(layoutName, Table);
    CreateColumns(Table, 0);
    if (OnSetMaketProc) OnSetMaketProc(&Table);
    firstRow_ = 1;
    Rebuild();
    col_ = 1;
    row_ = 1;
    CollapseBlock();
  }
  SetModified(false);
  StateChanged();
  Repaint();
}

void TGridState::CloseTable() {
  if (OnExitProc) OnExitProc(&Table, firstRow_, col_, row_);
  SetMode(gmView);
  FreeTable(Table);
  maxRows_ = 0;
  firstRow_ = 1;
  widthCursor_ = widthSign_ = 1;
  ColumnMap.fill(0);
  ColumnMap[1] = 1;
  modified_ = false;
  locked_ = false;
  rowsAdded_ = false;
  AskSave = false;
  AskDelete = false;
  paramEnabled_ = false;
  FileDate = 0;
  fileName_.clear();
  gridVisible_ = false;
  colCount_ = 2;
  gridRows_ = 2;
  col_ = row_ = leftCol_ = 1;
  colWidths_ = {NumberColumnWidth(), DefaultColWidth};
  scroll_ = TScrollModel{};
  statusEnabled_ = false;
  StateChanged();
}

void TGridState::ClearTable() {
  FreeTable(Table);
  CreateColumns(Table, 0);
  Refresh();
}

void TGridState::Refresh() {
  Rebuild();
  if (mode_ == gmEdit) RefreshEditor();
  Repaint();
}

void TGridState::ShowAll() {
  scroll_.Visible = true;
  statusEnabled_ = true;
  gridVisible_ = true;
  StateChanged();
  Repaint();
}

// ---------------------------------------------------------------- saving

bool TGridState::SaveFile(const std::vector<std::pair<std::string, TDataFile*>>& together) {
  int answer = 1;
  if (AskSave) {
    const std::string shortName = std::filesystem::path(fileName_).filename().string();
    answer = ShowMsgForm("Сохранить файл \"" + shortName + "\" (" + Table.Name + ") ?", mkWarning, mbYesNoCancel);
  }
  if (answer == 2) return false;
  if (answer == 1) {
    TrimEmptyTailRows();
    if (OnSetDateTime) OnSetDateTime(FileDate.Date);
    if (OnSaveProc) OnSaveProc(&Table);
    if (fileName_.empty() && !together.empty()) WriteTablesTogether(together);
    if (!fileName_.empty()) {
      // A lock file refuses every writer, its owner included: unlock, write, and when the write fails
      // take the lock back where it was held (a changed table, or one being edited), so that the next
      // edit does not find it open. A refused write changes nothing the user did: a table that held
      // no change still holds none and is asked about nowhere.
      const bool wasLocked = locked_;
      UnlockFiles();
      Table.FileDate = FileDate;
      try {
        if (together.empty()) {
          WriteTableFile(fileName_, Table, progress_);
        } else {
          SaveTableWith(fileName_, Table, together);
        }
      } catch (const TChangedSinceRead&) {
        // Saved by another meanwhile: this copy can never be saved, and nobody edits the file any more.
        Table.FileDate = FileDate;
        throw;
      } catch (...) {
        Table.FileDate = FileDate;
        try {
          if (wasLocked) {
            LockTableFiles(RemoveExtension(fileName_), LockExtension());
            locked_ = true;
          }
        } catch (...) {
          // Someone else locked it meanwhile: the next change asks for the lock again and is refused.
        }
        throw;
      }
      FileDate = Table.FileDate;
    }
  }
  LeaveEditMode();
  modified_ = false;
  UnlockFiles();
  StateChanged();
  return true;
}

void TGridState::SaveWithoutAsking(const std::vector<std::pair<std::string, TDataFile*>>& together) {
  const bool ask = AskSave;
  AskSave = false;
  try {
    SaveFile(together);
  } catch (...) {
    AskSave = ask;
    throw;
  }
  AskSave = ask;
}

// ---------------------------------------------------------------- rebuilding

int TGridState::TextWidth(const std::string& text) const { return 7 * static_cast<int>(Utf8Length(text)); }

int TGridState::NumberColumnWidth() const {
  if (!numerate_) return 0;
  return std::max(35, TextWidth(std::to_string(Table.RowCount)) + 6);
}

void TGridState::UpdateGridRows() { gridRows_ = std::max(2, height_ / (DefaultRowHeight + 1)); }

void TGridState::Rebuild() {
  maxRows_ = MaxTableRows(Table);
  widthCursor_ = widthSign_ = 1;
  naturalWidth_ = 0;
  if (maxRows_ < Table.RowCount) {
    ShowMsgForm("Число записей превышает максимум. Файл урезан", mkWarning, mbOk);
    Table.RowCount = maxRows_;
  }
  scroll_.Max = std::max(1, Table.RowCount);
  if (firstRow_ < 1 || firstRow_ > Table.RowCount) firstRow_ = 1;

  ColumnMap.fill(0);
  int shown = 0;
  for (int c = 1; c <= Table.NCols; ++c)
    if (Table.Visible[static_cast<std::size_t>(c)] == 1) ColumnMap[static_cast<std::size_t>(++shown)] = c;
  if (shown == 0) ColumnMap[1] = 1;
  colWidths_.assign(static_cast<std::size_t>(std::max(1, shown) + 1), DefaultColWidth);
  colWidths_[0] = NumberColumnWidth();
  if (shown > 0) {
    colCount_ = shown + 1;
    widthSync_ = false;
    UpdateGridRows();
    naturalWidths_.assign(colWidths_.size(), 0);
    userSized_.assign(colWidths_.size(), false);
    naturalWidth_ = colWidths_[0] + 1;
    for (int g = 1; g <= shown; ++g) {
      const int w = std::max<int>(Table.PixWidth[static_cast<std::size_t>(ColumnMap[static_cast<std::size_t>(g)])],
                                  ShownTextWidth(g));
      colWidths_[static_cast<std::size_t>(g)] = w;
      naturalWidths_[static_cast<std::size_t>(g)] = w;
      naturalWidth_ += w + 1;
    }
    widthSync_ = true;
    col_ = std::clamp(col_, 1, colCount_ - 1);
    row_ = std::clamp(row_, 1, gridRows_ - 1);
    leftCol_ = std::clamp(leftCol_, 1, colCount_ - 1);
    scroll_.Position = CurrentTableRow();
    scroll_.LargeChange = std::max(1, gridRows_ - 2);
    CollapseBlock();
  } else {
    colCount_ = 2;
  }
}

void TGridState::SetClientSize(int width, int height) {
  width_ = width;
  height_ = height;
  const int before = gridRows_;
  UpdateGridRows();
  if (gridRows_ != before) {
    row_ = std::clamp(row_, 1, gridRows_ - 1);
    ApplyBlock();
  }
  scroll_.LargeChange = std::max(1, gridRows_ - 2);
  if (mode_ == gmEdit) PlaceEditor();
}

// ---------------------------------------------------------------- widths

void TGridState::ResetWidths() {
  for (int g = 1; g < colCount_ && g < static_cast<int>(naturalWidths_.size()); ++g)
    colWidths_[static_cast<std::size_t>(g)] = naturalWidths_[static_cast<std::size_t>(g)];
  widthCursor_ = widthSign_ = 1;
}

int TGridState::ShownTextWidth(int gridCol) const {
  const int c = TableColumn(gridCol);
  if (c < 1 || c > Table.NCols) return 0;
  // the caption and the values of the rows on the screen, with the cell's margins of 2 pixels
  int widest = TextWidth(Table.ColTitle[static_cast<std::size_t>(c)]);
  for (int r = 1; r < gridRows_; ++r) {
    const std::string text = CellText(gridCol, r);
    if (!text.empty()) widest = std::max(widest, TextWidth(text));
  }
  return std::min(widest + 6, 32767);
}

bool TGridState::WidenToShownText() {
  if (Table.NCols == 0 || colCount_ < 2 || naturalWidths_.size() != colWidths_.size()) return false;
  UpdateGridRows();
  bool widened = false;
  for (int g = 1; g < colCount_; ++g) {
    const auto k = static_cast<std::size_t>(g);
    if (userSized_[k]) continue;
    const int more = ShownTextWidth(g) - naturalWidths_[k];
    if (more <= 0) continue;
    naturalWidths_[k] += more;
    colWidths_[k] += more;
    naturalWidth_ += more;
    widened = true;
  }
  return widened;
}

void TGridState::FitWidthsToClient() {
  if (Table.NCols == 0 || colCount_ < 2) return;
  UpdateGridRows();
  scroll_.LargeChange = std::max(1, gridRows_ - 2);
  widthSync_ = false;
  int sum = 0;
  for (int g = 0; g < colCount_; ++g) sum += colWidths_[static_cast<std::size_t>(g)] + 1;
  if (width_ >= naturalWidth_) {
    const int delta = width_ - sum;
    if (delta != 0) {
      const int d = delta > 0 ? 1 : -1;
      auto step = [&] {
        widthCursor_ += d;
        if (widthCursor_ <= 0) widthCursor_ = colCount_ - 1;
        if (widthCursor_ >= colCount_) widthCursor_ = 1;
      };
      if (d != widthSign_) {
        widthSign_ = d;
        step();
      }
      for (int i = 0; i < std::abs(delta); ++i) {
        colWidths_[static_cast<std::size_t>(widthCursor_)] += d;
        step();
      }
    }
    leftCol_ = 1;
  } else if (sum != naturalWidth_) {
    ResetWidths();
  }
  widthSync_ = true;
}

void TGridState::SetColWidth(int gridCol, int width) {
  if (gridCol < 0 || gridCol >= colCount_) return;
  if (naturalWidths_.size() != colWidths_.size()) {
    naturalWidths_ = colWidths_;
    userSized_.assign(colWidths_.size(), false);
  }
  colWidths_[static_cast<std::size_t>(gridCol)] = std::max(0, width);
  // Only a grid narrower than its layout keeps what the user dragged; a wider one spreads again.
  if (gridCol == 0 || width_ >= naturalWidth_ || !widthSync_) return;
  naturalWidth_ = colWidths_[0] + 1;
  for (int g = 1; g < colCount_; ++g) {
    const int w = colWidths_[static_cast<std::size_t>(g)];
    Table.PixWidth[static_cast<std::size_t>(ColumnMap[static_cast<std::size_t>(g)])] = static_cast<std::int16_t>(w);
    naturalWidths_[static_cast<std::size_t>(g)] = w;
    naturalWidth_ += w + 1;
  }
  // what the person chose stays, even narrower than the text
  userSized_[static_cast<std::size_t>(gridCol)] = true;
  if (mode_ == gmEdit) PlaceEditor();
}

bool TGridState::WidenColumnsToFit(const std::vector<std::pair<std::string, std::string>>& samples) {
  bool changed = false;
  for (int c = 1; c <= Table.NCols; ++c) {
    const auto k = static_cast<std::size_t>(c);
    int need = TextWidth(Table.ColTitle[k]) + 6;
    for (const auto& [field, text] : samples)
      if (Table.FieldName[k] == field) need = std::max(need, TextWidth(text) + 6);
    need = std::min(need, 32767);
    if (need <= Table.PixWidth[k]) continue;
    Table.PixWidth[k] = static_cast<std::int16_t>(need);
    changed = true;
  }
  return changed;
}

void TGridState::FitColumnWidths(int& width) {
  for (int c = 1; c <= Table.NCols; ++c) {
    const auto k = static_cast<std::size_t>(c);
    int widest = TextWidth(Table.ColTitle[k]);
    for (int r = 1; r <= Table.RowCount; ++r) widest = std::max(widest, TextWidth(GetCellText(Table, r, c, false)));
    Table.PixWidth[k] = static_cast<std::int16_t>(widest + 6);
  }
  Refresh();
  width = 0;
  for (int g = 0; g < colCount_; ++g) width += colWidths_[static_cast<std::size_t>(g)] + 1;
}

// ---------------------------------------------------------------- block and notification

void TGridState::SetBlock(const TGridBlock& block) {
  block_ = block;
  ApplyBlock();
}

void TGridState::CollapseBlock() {
  block_ = {col_, CurrentTableRow(), col_, CurrentTableRow()};
  ApplyBlock();
}

void TGridState::ApplyBlock() {
  const int last = LastGridRow();
  auto gridRow = [&](int tableRow) {
    if (tableRow < firstRow_) return 1;
    if (tableRow > firstRow_ + last - 1) return last;
    return tableRow - firstRow_ + 1;
  };
  selection_.Left = std::min(block_.Col1, block_.Col2);
  selection_.Right = std::max(block_.Col1, block_.Col2);
  const int a = gridRow(block_.Row1), b = gridRow(block_.Row2);
  selection_.Top = std::min(a, b);
  selection_.Bottom = std::max(a, b);
}

void TGridState::CellMoved() {
  ForgetCellUndo();
  scroll_.Position = CurrentTableRow();
  if (OnMoveProc) OnMoveProc(&Table, CurrentTableCol(), CurrentTableRow());
  if (mode_ == gmBlock) {
    block_.Col2 = col_;
    block_.Row2 = CurrentTableRow();
    ApplyBlock();
  } else {
    CollapseBlock();
  }
  StateChanged();
}

void TGridState::MoveTo(int col, int row) {
  col_ = std::clamp(col, 1, colCount_ - 1);
  row_ = std::clamp(row, 1, LastGridRow());
  if (col_ < leftCol_) leftCol_ = col_;
  CellMoved();
  if (mode_ == gmEdit) RefreshEditor();
  Repaint();
}

void TGridState::MoveColumn(int delta) {
  int target = col_ + delta;
  if (delta == -1000) target = 1;
  if (delta == 1000) target = colCount_ - 1;
  target = std::clamp(target, 1, colCount_ - 1);
  if (target == col_) return;
  col_ = target;
  if (col_ < leftCol_) leftCol_ = col_;
  // The cursor column is brought into view from the right by moving the first shown column on.
  for (;;) {
    int right = colWidths_[0] + 1;
    for (int g = leftCol_; g <= col_; ++g) right += colWidths_[static_cast<std::size_t>(g)] + 1;
    if (right <= width_ || leftCol_ >= col_) break;
    ++leftCol_;
  }
  CellMoved();
  if (mode_ == gmEdit) RefreshEditor();
  Repaint();
}

void TGridState::TabCell(bool forward) {
  const int rowBefore = CurrentTableRow();
  if (forward) {
    if (col_ < colCount_ - 1) return MoveColumn(1);
    LineDown();
    if (CurrentTableRow() != rowBefore) MoveColumn(-1000);
  } else {
    if (col_ > 1) return MoveColumn(-1);
    LineUp();
    if (CurrentTableRow() != rowBefore) MoveColumn(1000);
  }
}

// ---------------------------------------------------------------- scrolling

void TGridState::AfterScroll(bool notify) {
  if (mode_ == gmEdit) RefreshEditor();
  scroll_.Position = CurrentTableRow();
  if (notify) CellMoved();
  ApplyBlock();
  StateChanged();
  Repaint();
}

void TGridState::GotoRow(int n) {
  LeaveEditMode();
  TrimEmptyTailRows();
  if (firstRow_ < n && n < firstRow_ + gridRows_ - 1) {
    row_ = n - firstRow_ + 1;
    CellMoved();
    Repaint();
  } else {
    firstRow_ = std::max(1, n);
    row_ = 1;
    CellMoved();
    Repaint();
  }
  scroll_.Position = CurrentTableRow();
  StateChanged();
}

void TGridState::LineUp() {
  if (row_ == 1 && firstRow_ > 1) {
    --firstRow_;
    AfterScroll(true);
  } else if (row_ > 1) {
    MoveTo(col_, row_ - 1);
  }
}

void TGridState::LineDown() {
  if (row_ == LastGridRow()) {
    if (CurrentTableRow() < maxRows_) {
      ++firstRow_;
      AfterScroll(true);
    }
  } else {
    MoveTo(col_, row_ + 1);
  }
}

void TGridState::PageUp() {
  if (firstRow_ <= 1) return;
  firstRow_ = std::max(1, firstRow_ - gridRows_ + 2);
  AfterScroll(row_ == 1);
}

void TGridState::PageDown() {
  TrimEmptyTailRows();
  const int t = Table.RowCount, g = gridRows_;
  if (firstRow_ == t - g + 2) return;
  firstRow_ = std::max(1, firstRow_ + 2 * (g - 2) > t ? t - g + 2 : firstRow_ + g - 2);
  AfterScroll(row_ == LastGridRow());
}

void TGridState::First() {
  firstRow_ = 1;
  AfterScroll(row_ == 1);
}

void TGridState::Last() {
  TrimEmptyTailRows();
  firstRow_ = std::max(1, Table.RowCount - gridRows_ + 2);
  AfterScroll(row_ == LastGridRow());
}

void TGridState::ScrollBy(int rows) {
  firstRow_ = std::max(1, firstRow_ + rows);
  if (row_ - 1 + firstRow_ >= maxRows_ && maxRows_ > 0) firstRow_ = std::max(1, maxRows_ - (row_ - 1));
  AfterScroll(true);
}

void TGridState::ScrollBarScroll(int position, TScrollCode code) {
  if (rowsAdded_) TrimEmptyTailRows();
  firstRow_ = std::max(1, position - (row_ - 1));
  const bool towardsTop = code == TScrollCode::LineUp || code == TScrollCode::PageUp || code == TScrollCode::Position ||
                          code == TScrollCode::Track || code == TScrollCode::Top;
  if (firstRow_ == 1 && position < gridRows_ && towardsTop) {
    row_ = std::max(1, position);
    scroll_.Position = position;
    CellMoved();
    Repaint();
    return;
  }
  scroll_.Position = position;
  CellMoved();
  ApplyBlock();
  Repaint();
  if (mode_ == gmEdit) RefreshEditor();
}

bool TGridState::RowIsEmpty(int row) const {
  for (int c = 1; c <= Table.NCols; ++c) {
    TDynamicArray* column = Table.Columns[static_cast<std::size_t>(c)].get();
    if (!column || row >= column->Size()) continue;
    const char type = Table.ColType[static_cast<std::size_t>(c)];
    if (type == 's') {
      const std::string* text = static_cast<DAString*>(column)->GetPtr(row);
      if (text && text->find_first_not_of(' ') != std::string::npos) return false;
    } else if (type == 't') {
      if (*static_cast<DAFstring*>(column)->ItemPtr(row) != 0) return false;
    } else if (type == 'd' || type == 'r') {
      if (*static_cast<const double*>(ItemPtrByType(*column, type, row)) != 0) return false;
    } else if (type == 'f') {
      if (*static_cast<const float*>(ItemPtrByType(*column, type, row)) != 0) return false;
    } else if (ElementSizeOf(type, 0) > 0) {
      // integers and characters: any non-zero byte is a value
      const auto* bytes = static_cast<const unsigned char*>(ItemPtrByType(*column, type, row));
      for (int i = 0; i < ElementSizeOf(type, 0); ++i)
        if (bytes[i] != 0) return false;
    }
  }
  return true;
}

void TGridState::TrimEmptyTailRows() {
  while (Table.RowCount > 0 && RowIsEmpty(Table.RowCount)) --Table.RowCount;
  scroll_.Max = std::max(1, Table.RowCount);
  rowsAdded_ = false;
}

// ---------------------------------------------------------------- modes and editing

void TGridState::SetMode(TGridMode mode) {
  ForgetCellUndo();
  if (mode == gmEdit) {
    // The lock tells the other workstations that the table is being edited: it is taken on entering
    // the mode, so that a refusal comes before anything is typed, and given back on leaving it unless
    // something changed. Only a change makes the table one to save.
    LockNoModify();
    mode_ = gmEdit;
    CollapseBlock();
  } else {
    mode_ = mode;
    TrimEmptyTailRows();
    if (locked_ && !modified_) UnlockFiles();
  }
  RefreshEditor();
  StateChanged();
  if (OnChangeMode) OnChangeMode(mode);
}

void TGridState::LeaveEditMode() {
  if (mode_ == gmEdit) SetMode(gmView);
}

std::string TGridState::CellText(int gridCol, int gridRow) const {
  if (gridRow == 0) return gridCol == 0 ? "№" : Table.ColTitle[static_cast<std::size_t>(TableColumn(gridCol))];
  const int row = gridRow - 1 + firstRow_;
  if (gridCol == 0) return std::to_string(row);
  const int c = TableColumn(gridCol);
  if (c < 1 || c > Table.NCols || row > Table.RowCount) return {};
  const bool raw = gridCol == col_ && gridRow == row_ && EditorActive();
  return GetCellText(Table, row, c, raw);
}

bool TGridState::EditorActive() const {
  const int c = CurrentTableCol();
  return mode_ == gmEdit && editTable_ && c >= 1 && c <= Table.NCols && Table.Access[static_cast<std::size_t>(c)] != 0;
}

std::string TGridState::GetEditText() const {
  const int c = CurrentTableCol();
  const int row = CurrentTableRow();
  if (c < 1 || c > Table.NCols || row > Table.RowCount) return {};
  return GetCellText(Table, row, c, true);
}

bool TGridState::SetEditText(const std::string& text) {
  if (StoreEditText(text) == TEditResult::Stored) return true;
  RefreshEditor();
  return false;
}

TGridState::TEditResult TGridState::StoreEditText(const std::string& text) {
  LockNoModify();
  const int row = CurrentTableRow();
  const int c = CurrentTableCol();
  if (c < 1 || c > Table.NCols || row > maxRows_) return TEditResult::Refused;
  std::string value = text;
  if (!SetCellText(Table, row, c, value)) {
    if (IsNumberStart(Table.ColType[static_cast<std::size_t>(c)], text)) return TEditResult::Partial;
    if (value.empty() || value == text) return TEditResult::Refused;
    modified_ = true;  // the cell holds the text's start
    return TEditResult::Cut;
  }
  modified_ = true;
  if (row > Table.RowCount) {
    Table.RowCount = row;
    scroll_.Max = std::max(1, Table.RowCount);
    rowsAdded_ = true;
    StateChanged();
  }
  return TEditResult::Stored;
}

void TGridState::KeepCellForUndo() {
  const int c = CurrentTableCol();
  const int row = CurrentTableRow();
  if (undo_.Kept && undo_.Col == c && undo_.Row == row) return;
  undo_ = {};
  if (c < 1 || c > Table.NCols || row < 1 || !Table.Columns[c]) return;
  TCellUndo kept{true, c, row, {}, {}};
  const TDynamicArray& column = *Table.Columns[c];
  if (const auto* strings = dynamic_cast<const DAString*>(&column)) {
    kept.Text = strings->GetItem(row);
  } else {
    const auto size = static_cast<std::size_t>(column.ElemSize());
    kept.Bytes.assign(size, 0);
    if (row < column.Size())
      std::memcpy(kept.Bytes.data(), static_cast<const unsigned char*>(column.Data()) + size * static_cast<std::size_t>(row),
                  size);
  }
  undo_ = std::move(kept);
}

void TGridState::CancelEdit() {
  if (undo_.Kept && undo_.Col <= Table.NCols && Table.Columns[undo_.Col]) {
    TDynamicArray& column = *Table.Columns[undo_.Col];
    if (auto* strings = dynamic_cast<DAString*>(&column)) {
      strings->SetItem(undo_.Row, undo_.Text);
    } else if (static_cast<int>(undo_.Bytes.size()) == column.ElemSize()) {
      std::memcpy(column.ItemPtr(undo_.Row), undo_.Bytes.data(), undo_.Bytes.size());
    }
  }
  // leaving edit mode trims the rows that typing below the end has added
  if (mode_ == gmEdit) SetMode(gmView);
  ForgetCellUndo();
  Repaint();
}

void TGridState::SetFieldText(const std::string& fieldName, int row, const void* value) {
  int c = 0;
  for (int k = 1; k <= Table.NCols && c == 0; ++k)
    if (Table.FieldName[static_cast<std::size_t>(k)] == fieldName) c = k;
  if (c == 0) throw Error("Поле \"" + fieldName + "\" макета \"" + Table.Name + "\" не найдено");
  LockOnce();
  if (row < 1 || row > maxRows_) return;
  if (row > Table.RowCount) {
    Table.RowCount = row;
    scroll_.Max = std::max(1, Table.RowCount);
    rowsAdded_ = true;
  }
  TDynamicArray& column = *Table.Columns[static_cast<std::size_t>(c)];
  const char type = Table.ColType[static_cast<std::size_t>(c)];
  if (type == 's') {
    static_cast<DAString&>(column).SetItem(row, *static_cast<const std::string*>(value));
  } else if (type == 't') {
    static_cast<DAFstring&>(column).SetItem(row, *static_cast<const std::string*>(value));
  } else if (const int size = ElementSizeOf(type, 0); size > 0) {
    std::memcpy(ItemPtrByType(column, type, row), value, static_cast<std::size_t>(size));
  }
  if (mode_ == gmEdit) RefreshEditor();
  StateChanged();
  Repaint();
}

void TGridState::AfterRowsChanged() {
  ForgetCellUndo();
  if (mode_ == gmEdit) RefreshEditor();
  scroll_.Max = std::max(1, Table.RowCount);
  scroll_.Position = CurrentTableRow();
  CellMoved();
  Repaint();
}

void TGridState::ResetToTop() {
  firstRow_ = 1;
  if (mode_ == gmEdit) RefreshEditor();
  scroll_.Max = std::max(1, Table.RowCount);
  row_ = 1;
  scroll_.Position = CurrentTableRow();
  CellMoved();
  Repaint();
}

}  // namespace ld::gui
