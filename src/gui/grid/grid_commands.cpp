// The grid's commands on its table: rows, marks, the block clipboard, sums, sorting, replacing and the
// range selection. None of them needs a widget.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "core/base/codepage.h"
#include "core/base/msgbox.h"
#include "core/base/numfmt.h"
#include "core/base/strings.h"
#include "core/office/table_sheet.h"
#include "core/tables/table_file.h"
#include "core/tables/table_ops.h"
#include "gui/grid/block_clipboard.h"
#include "gui/grid/grid_state.h"
#include "gui/grid/print_markup_table.h"

namespace ld::gui {

namespace {

std::pair<int, int> Ordered(int a, int b) { return {std::min(a, b), std::max(a, b)}; }

std::u32string Chars(std::string_view text) {
  std::u32string out;
  for (std::size_t pos = 0; pos < text.size();) out += NextUtf8Char(text, pos);
  return out;
}

// Every occurrence of find in text, letter case ignored, replaced by replacement.
std::string ReplaceAllNoCase(const std::string& text, const std::string& find, const std::string& replacement) {
  const std::u32string chars = Chars(text);
  const std::u32string pattern = Chars(find);
  if (pattern.empty()) return text;
  std::string out;
  std::size_t i = 0;
  while (i < chars.size()) {
    bool match = i + pattern.size() <= chars.size();
    for (std::size_t k = 0; match && k < pattern.size(); ++k) match = UpperChar(chars[i + k]) == UpperChar(pattern[k]);
    if (match) {
      out += replacement;
      i += pattern.size();
    } else {
      AppendUtf8(out, chars[i++]);
    }
  }
  return out;
}

std::string Trimmed(const std::string& text) { return TrimTrailSpaces(TrimLeadSpaces(text)); }

}  // namespace

// ---------------------------------------------------------------- rows

void TGridState::InsertRow() {
  if (!EditRows) return;
  TrimEmptyTailRows();
  const int row = CurrentTableRow();
  if (row > Table.RowCount || Table.RowCount >= maxRows_) return;
  LockOnce();
  InsertTableRow(Table, row);
  ++Table.RowCount;
  AfterRowsChanged();
}

void TGridState::DeleteRows() {
  if (!EditRows) return;
  if (AskDelete && ShowMsgForm("Удалить запись ?", mkWarning, mbYesNo) != 1) return;
  TrimEmptyTailRows();
  const auto [r1, r2] = Ordered(block_.Row1, block_.Row2);
  if (r1 > Table.RowCount) return;
  LockOnce();
  for (int n = r2 - r1 + 1; n > 0 && r1 <= Table.RowCount; --n) {
    if (OnDelProc) OnDelProc(&Table, r1);
    DeleteTableRow(Table, r1);
    --Table.RowCount;
    scroll_.Max = std::max(1, Table.RowCount);
  }
  CollapseBlock();
  CellMoved();
  Repaint();
}

// ---------------------------------------------------------------- marks

void TGridState::RowMark() {
  LockOnce();
  const int row = CurrentTableRow();
  if (row <= Table.RowCount) {
    std::uint8_t& mark = (*Table.MarkRec)[row];
    mark = mark == RowMarkValue ? 0 : RowMarkValue;
  }
  Refresh();
}

std::uint8_t TGridState::BlockFirstMark() const {
  const int row = std::min(block_.Row1, block_.Row2);
  return Table.MarkRec && row <= Table.RowCount ? Table.MarkRec->Get(row) : 0;
}

void TGridState::SetRowColor(std::uint8_t mark) {
  LockOnce();
  const auto [r1, r2] = Ordered(block_.Row1, block_.Row2);
  for (int row = r1; row <= std::min(r2, Table.RowCount); ++row) (*Table.MarkRec)[row] = mark;
  RowMarkValue = mark;
  Refresh();
}

// ---------------------------------------------------------------- the block clipboard

void TGridState::CopyBlock() {
  const auto [c1, c2] = Ordered(block_.Col1, block_.Col2);
  const int r1 = std::min(block_.Row1, block_.Row2);
  const int r2 = std::min(std::max(block_.Row1, block_.Row2), Table.RowCount);
  if (r1 > Table.RowCount) return;
  std::vector<int> columns;
  for (int g = c1; g <= c2; ++g)
    if (const int c = TableColumn(g); c >= 1 && c <= Table.NCols) columns.push_back(c);
  BlockClipboard().Copy(Table, columns, r1, r2);
}

void TGridState::PasteBlock() {
  LockOnce();
  if (OnPasteProc) OnPasteProc(*this);
  TrimEmptyTailRows();
  TBlockClipboard& clip = BlockClipboard();
  const TDataFile& source = clip.Table();
  const int startRow = CurrentTableRow();
  const int needed = std::min(startRow + source.RowCount - 1, maxRows_);
  if (needed > Table.RowCount) Table.RowCount = needed;
  bool allStored = true;
  int target = CurrentTableCol();
  for (const int from : clip.Columns()) {
    while (target <= Table.NCols && Table.Visible[static_cast<std::size_t>(target)] == 0) ++target;
    if (target <= Table.NCols && Table.Access[static_cast<std::size_t>(target)] == 1) {
      for (int i = 1; i <= source.RowCount && startRow + i - 1 <= Table.RowCount; ++i) {
        std::string text = GetCellText(source, i, from, true);
        if (!SetCellText(Table, startRow + i - 1, target, text)) allStored = false;
      }
    }
    ++target;
  }
  if (!allStored)
    ShowMsgForm("Несовпадение типов данных, возможно некорректное копирование данных", mkWarning, mbOk);
  AfterRowsChanged();
}

void TGridState::ClearBlock() {
  LockOnce();
  const auto [c1, c2] = Ordered(block_.Col1, block_.Col2);
  const auto [r1, r2] = Ordered(block_.Row1, block_.Row2);
  for (int row = r1; row <= std::min(r2, Table.RowCount); ++row)
    for (int g = c1; g <= c2; ++g)
      if (const int c = TableColumn(g); c >= 1 && c <= Table.NCols) {
        std::string empty;
        SetCellText(Table, row, c, empty);
      }
  Repaint();
}

// ---------------------------------------------------------------- parameters, sorting, sums

void TGridState::Params() {
  if (!OnParamProc) return;
  std::string folder = std::filesystem::path(fileName_).parent_path().string();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (!editTable_) {
    // a read-only table: the host shows the row's parameters, nothing is locked or marked changed
    bool modify = false;
    OnParamProc(folder, &Table, CurrentTableRow(), modify);
    return;
  }
  LockNoModify();
  try {
    bool modify = false;
    OnParamProc(folder, &Table, CurrentTableRow(), modify);
    if (modify) {
      modified_ = true;
      Repaint();
      RefreshEditor();
    }
  } catch (...) {
    ReleaseNoModify();
    throw;
  }
  ReleaseNoModify();
}

void TGridState::SortColumn() {
  if (editTable_) LockOnce();
  TrimEmptyTailRows();
  const int c = CurrentTableCol();
  if (c < 1 || c > Table.NCols) return;
  const std::uint8_t key = static_cast<std::uint8_t>(c);
  bool changed = false;
  SortTable(Table, 1, std::span<const std::uint8_t>(&key, 1), changed, progress_);
  modified_ = editTable_;
  ResetToTop();
}

void TGridState::SortAndSave() {
  const bool heldBefore = locked_;
  if (!modified_) LockNoModify();
  bool changed = false;
  const std::span<const std::uint8_t> keys(&Table.Order[1], static_cast<std::size_t>(std::max<int>(0, Table.NOrder)));
  SortTable(Table, Table.NOrder, keys, changed, progress_);
  if (changed) {
    SaveWithoutAsking();
  } else if (!modified_ && !heldBefore) {
    UnlockFiles();
  }
  Repaint();
}

// The sum of the stored values: the display texts carry thousand separators that no number parser
// takes back.
void TGridState::ColumnSum() const {
  const int c = TableColumn(std::min(block_.Col1, block_.Col2));
  if (c < 1 || c > Table.NCols || !IsNumericType(Table.ColType[static_cast<std::size_t>(c)])) return;
  const auto [r1, r2] = Ordered(block_.Row1, block_.Row2);
  double sum = 0;
  for (int row = r1; row <= std::min(r2, Table.RowCount); ++row) sum += StoredNumber(Table, row, c);
  char digits[40];
  std::snprintf(digits, sizeof digits, "%.15g", sum);  // 15 significant digits, then 7 decimals shown
  ShowMsgForm("Сумма = " + FloatToStrNumber(std::strtod(digits, nullptr), 7), mkInfo, mbOk);
}

// ---------------------------------------------------------------- replace

bool TGridState::ReplaceInColumn(const std::string& find, const std::string& replacement) {
  const int c = CurrentTableCol();
  if (c < 1 || c > Table.NCols || find.empty()) return false;
  const std::string field = Table.FieldName[static_cast<std::size_t>(c)];
  const bool numeric = IsNumericType(Table.ColType[static_cast<std::size_t>(c)]);
  bool replaced = false;
  int row = 0;
  while (FindRowByText(field, find, Table, false, row)) {
    std::string text = ReplaceAllNoCase(GetCellText(Table, row, c, false), find, replacement);
    // numbers are shown with thousand separators that would not read back
    if (numeric) text = RemoveBlanks(text);
    SetCellText(Table, row, c, text);
    replaced = true;
  }
  if (replaced) {
    modified_ = true;
    Refresh();
  }
  return replaced;
}

// ---------------------------------------------------------------- range selection

void TGridState::RangeSelect(const std::string& fromText, const std::string& toText, bool inclusive) {
  if (modified_ && !SaveFile()) return;
  Reload();
  std::string from = UpperCase(Trimmed(fromText));
  std::string to = UpperCase(Trimmed(toText));
  if (to.empty()) to = from;
  if (from.empty()) return;

  TDataFile reread;
  const TDataFile* source = &Table;
  if (!fileName_.empty()) {
    ReadTableFile(fileName_, reread, progress_);
    source = &reread;
  } else {
    TrimEmptyTailRows();
  }
  const int c = CurrentTableCol();
  const int formerCol = col_;
  if (c < 1 || c > source->NCols) return;
  const bool numeric = IsNumericType(source->ColType[static_cast<std::size_t>(c)]);
  const double fromNumber = numeric ? StrToFloatZ(RemoveBlanks(from)) : 0;
  const double toNumber = numeric ? StrToFloatZ(RemoveBlanks(to)) : 0;

  TDataFile result;
  CopyLayout(*source, result);
  CreateColumns(result, 0);
  for (int row = 1; row <= source->RowCount; ++row) {
    bool inside = false;
    if (numeric) {
      // the blanks are the thousand separators of the display form
      const double v = StrToFloatZ(RemoveBlanks(GetCellText(*source, row, c, false)));
      inside = inclusive ? fromNumber <= v && v <= toNumber : fromNumber < v && v < toNumber;
    } else {
      // texts keep their inner blanks, as the bounds do: "ТП 3" to "ТП 3" finds "ТП 3"
      const std::string value = UpperCase(Trimmed(GetCellText(*source, row, c, false)));
      const int low = CompareCp1251(from, value), high = CompareCp1251(value, to);
      inside = inclusive ? low <= 0 && high <= 0 : low < 0 && high < 0;
    }
    if (!inside) continue;
    ++result.RowCount;
    CopyTableRow(*source, result, row, result.RowCount);
  }
  AssignTable(result, 1, 1, 1);
  FreeTable(result);
  FreeTable(reread);
  col_ = std::clamp(formerCol, 1, colCount_ - 1);
  CollapseBlock();
  SetEditTable(false);
  SetModified(false);
  Repaint();
}

void TGridState::GetPrintLines(std::vector<std::string>& lines) {
  TrimEmptyTailRows();
  AppendTablePrintLines(Table, lines);
}

void TGridState::ExportText() {
  TrimEmptyTailRows();
  ExportTableText(StartFolder() + "textfile.txt", Table);
}

}  // namespace ld::gui
