#include "core/base/sheet_head.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "core/base/column_headings.h"
#include "core/base/import_number.h"

namespace ld {

bool RowHoldsValue(const TSheetCells& cells, int row, const std::vector<int>& cols) {
  return std::any_of(cols.begin(), cols.end(), [&](int col) {
    const TOutsideValue cell = cells(row, col);
    return !cell.Blank() &&
           (cell.Kind() == TOutsideValue::TKind::Unreadable || !cell.CoveredFault().empty() || cell.Number());
  });
}

bool RowOfHeadings(const TSheetCells& cells, int row, const std::vector<int>& cols) {
  return !RowHoldsValue(cells, row, cols) && std::any_of(cols.begin(), cols.end(), [&](int col) {
    const TValueRead<std::string> heading = cells(row, col).Heading();
    return heading && HeadingHoldsWord(*heading.Value);
  });
}

namespace {

// Whether a text says when, as beside a title: a date, or a month, a quarter or a year of a year
// ("Дата: 30.11.2026", "за декабрь 2026", "«30» ноября 2026 г.", "по состоянию на 01.12.2026"), and
// nothing else: no quantity, no unit. Its words are read by the list the heading rule reads a period by.
bool SaysWhen(std::string_view text) {
  const THeadParts parts = HeadingTokenParts(text);
  const std::vector<std::string>& digits = parts.Digits;
  // the hour of a measurement beside its title ("18:00", "9:30:00")
  if (parts.Words.empty() && (digits.size() == 2 || digits.size() == 3) && digits[0].size() <= 2 &&
      std::all_of(digits.begin() + 1, digits.end(), [](const std::string& d) { return d.size() == 2; }) &&
      std::count(text.begin(), text.end(), ':') == static_cast<long>(digits.size() - 1))
    return true;
  if (!std::all_of(parts.Words.begin(), parts.Words.end(),
                   [](const std::string& word) { return HeadWordSense(word) == THeadSense::When; }))
    return false;
  // a year, or a day's three numbers
  return digits.size() >= 3 || std::any_of(digits.begin(), digits.end(), [](const std::string& d) { return d.size() == 4; });
}

// Whether a text is part of an approval block beside a title: its word, or a place to sign.
bool ApprovalText(std::string_view text) {
  if (text.find("___") != std::string_view::npos) return true;
  const THeadParts parts = HeadingTokenParts(text);
  return parts.Words.size() == 1 && parts.Digits.empty() && HeadWordSense(parts.Words[0]) == THeadSense::Approval;
}

// Whether a text names a row of data by a designation and its number ("ПС-1", "ТП-42", "Ф-2", "ПС-1.1",
// "РП-3/1"): one word that none of the head's lists gives a sense, its number after it, nothing else.
bool DesignationWithNumber(std::string_view text) {
  const std::vector<THeadingToken> tokens = HeadingTokens(text);
  if (tokens.empty() || tokens.front().Word.empty() || (tokens.front().Word[0] >= '0' && tokens.front().Word[0] <= '9'))
    return false;
  const THeadParts parts = HeadingTokenParts(text);
  return parts.Words.size() == 1 && !parts.Digits.empty() && HeadWordSense(parts.Words[0]) == THeadSense::Other;
}

bool RowHoldsUnreadable(const TSheetCells& cells, int row, int last) {
  for (int col = 1; col <= last + kTitleReach; ++col)
    if (cells(row, col).Kind() == TOutsideValue::TKind::Unreadable) return true;
  return false;
}

// Whether the row holds labels with their values, or a title with them, alone: two or three cells
// (kTitleMarks), the first a text without a figure (the label, "РЭС", "Подстанция", or the title,
// "Технический учет"), each other a date, what stands beside a title (TitleMark) or a name ("Центральный",
// "ПС 110/10 кВ Заречная"), or a label right before a date or what stands beside a title ("Дата" |
// 30.11.2026); none a value. What the heading rule reads as a column's quantity, unit or period ("W1",
// "P, кВт", "Январь") is a heading, never a name, unless a figure of its own stands before its unit ("ПС
// 110/10 кВ").
bool LabelShape(const TSheetCells& cells, int row, int last) {
  std::vector<int> filled;
  for (int col = 1; col <= last + kTitleReach; ++col)
    if (!cells(row, col).Blank()) {
      if (static_cast<int>(filled.size()) == kTitleMarks) return false;
      filled.push_back(col);
    }
  if (filled.size() < 2) return false;
  const auto text = [&](int col) -> std::optional<std::string> {
    const TOutsideValue cell = cells(row, col);
    const TValueRead<std::string> shown = cell.Heading();
    if (cell.Kind() != TOutsideValue::TKind::Text || !cell.CoveredFault().empty() || cell.Number() || !shown)
      return std::nullopt;
    return *shown.Value;
  };
  const std::optional<std::string> label = text(filled[0]);
  if (!label || !HeadingTokenParts(*label).Digits.empty() || HeadingTokenParts(*label).Words.empty()) return false;
  for (std::size_t i = 1; i < filled.size(); ++i) {
    const TOutsideValue cell = cells(row, filled[i]);
    if (TitleMark(cell)) continue;
    const std::optional<std::string> shown = text(filled[i]);
    if (!shown) return false;
    // a label of the date or the mark after it
    if (i + 1 < filled.size() && TitleMark(cells(row, filled[i + 1])) && HeadingTokenParts(*shown).Digits.empty()) continue;
    const THeadParts said = HeadingTokenParts(*shown);
    const bool figure = std::any_of(said.Digits.begin(), said.Digits.end(), [](const std::string& d) { return d.size() >= 2; });
    if ((!figure && !HeadingNamesOther(*shown, {}).empty()) || HeadingIsPeriodNumber(*shown) || HeadingIsTimeOfDay(*shown))
      return false;
  }
  return true;
}

int FilledCells(const TSheetCells& cells, int row, int last) {
  int n = 0;
  for (int col = 1; col <= last + kTitleReach; ++col) n += !cells(row, col).Blank();
  return n;
}

// The column of the one cell the row fills in the reader's columns and those beside them; 0 for a row of
// none or of more.
int LoneCell(const TSheetCells& cells, int row, int last) {
  int col = 0;
  for (int c = 1; c <= last + kTitleReach; ++c) {
    if (cells(row, c).Blank()) continue;
    if (col != 0) return 0;
    col = c;
  }
  return col;
}

// Whether the cell names a row of data by a designation and its number (DesignationWithNumber), as a text.
bool DesignationCell(const TOutsideValue& cell) {
  const TValueRead<std::string> text = cell.Heading();
  return cell.Kind() == TOutsideValue::TKind::Text && cell.CoveredFault().empty() && text && !cell.Number() &&
         DesignationWithNumber(*text.Value);
}

}  // namespace

bool LabelRow(const TSheetCells& cells, int row, int last) {
  if (!LabelShape(cells, row, last)) return false;
  // the first row below that is no label: a fuller row (of headings or of data), or a name alone (a
  // households book's station over its feeders)
  const int own = FilledCells(cells, row, last);
  for (int below = row + 1; below < row + kMostTitleRows; ++below) {
    const int filled = FilledCells(cells, below, last);
    if (filled == 0 || LabelShape(cells, below, last)) continue;
    if (filled > own) return true;
    const int col = LoneCell(cells, below, last);
    return col > 0 && DesignationCell(cells(below, col));
  }
  return false;
}

bool TitleMark(const TOutsideValue& cell) {
  if (cell.Kind() == TOutsideValue::TKind::Date) return true;
  const TValueRead<std::string> text = cell.Heading();
  if (cell.Kind() != TOutsideValue::TKind::Text || !text) return false;
  // a date or a period, a part of an approval block, a label with its value in the one cell
  return SaysWhen(*text) || ApprovalText(*text) || text.Value->find(": ") != std::string::npos;
}

TNameAlone NameAlone(const TSheetCells& cells, int row, int last) {
  const int col = LoneCell(cells, row, last);
  const auto named = [&](int r) { return DesignationCell(cells(r, col)); };
  if (col == 0 || !named(row)) return {};
  for (int below = row + 1; below < row + kMostTitleRows; ++below)
    if (!cells(below, col).Blank()) return named(below) ? TNameAlone{col, below} : TNameAlone{};
  return {};
}

int NameAloneOverValues(const TSheetCells& cells, int row, int last) {
  const int col = LoneCell(cells, row, last);
  if (col == 0 || !DesignationCell(cells(row, col))) return 0;
  std::vector<int> all(static_cast<std::size_t>(last));
  for (int c = 1; c <= last; ++c) all[static_cast<std::size_t>(c - 1)] = c;
  for (int below = row + 1; below < row + kMostTitleRows; ++below)
    if (FilledCells(cells, below, last) > 0) return RowHoldsValue(cells, below, all) ? below : 0;
  return 0;
}

bool SheetTitleRow(const TSheetCells& cells, int row, const std::vector<int>& numbers, int last, bool bare) {
  // a name over names of its kind is the first of the rows of data
  if (NameAlone(cells, row, last).Below > 0) return false;
  if (LabelRow(cells, row, last)) return true;
  int filled = 0, free = 0;
  bool other = false, valueNext = false;
  for (int col = 1; col <= last + kTitleReach; ++col) {
    const TOutsideValue cell = cells(row, col);
    if (cell.Blank()) continue;
    ++filled;
    const bool labelValue = valueNext;
    valueNext = false;
    if (cell.Kind() == TOutsideValue::TKind::Unreadable) {
      other = true;
      continue;
    }
    if (labelValue || TitleMark(cell)) continue;
    const TValueRead<std::string> text = cell.Heading();
    if (cell.Kind() != TOutsideValue::TKind::Text || !text) {
      other = true;
      continue;
    }
    // a label, whose value stands in the next cell filled
    if (text.Value->ends_with(':')) {
      valueNext = true;
      continue;
    }
    ++free;
  }
  // a cell that cannot be read is named by the reader, never passed with a title
  if (other && RowHoldsUnreadable(cells, row, last)) return false;
  if (filled == 1) return true;
  // a title has a date, a period or a label with its value beside it, never a mark over every column (an
  // hourly curve's "00:00" … "23:00" are its columns' headings)
  if (filled > 1 && !other && free <= 1 && filled - free <= kTitleMarks) return true;
  return bare && filled > 0 && !RowHoldsValue(cells, row, numbers) && !RowOfHeadings(cells, row, numbers);
}

std::optional<int> CellPeriodNumber(const TOutsideValue& cell) {
  if (!cell.CoveredFault().empty()) return std::nullopt;
  if (cell.Kind() == TOutsideValue::TKind::Number) {
    const TValueRead<int> n = cell.Integer(0, 9999);
    return n ? HeadingPeriodNumber(std::to_string(*n)) : std::nullopt;
  }
  if (cell.Kind() != TOutsideValue::TKind::Text) return std::nullopt;
  const TValueRead<std::string> text = cell.Name();
  return text ? HeadingPeriodNumber(*text.Value) : std::nullopt;
}

std::string PeriodNumbersFault(const TSheetCells& cells, int row, const std::vector<int>& cols) {
  if (cols.size() < 2) return {};
  std::string periods;
  int first = 0;
  for (const int col : cols) {
    const TOutsideValue cell = cells(row, col);
    const std::optional<int> n = CellPeriodNumber(cell);
    if (!n) return {};
    if (col == cols.front()) first = *n;
    if (*n != first + (col - cols.front())) return {};
    periods += (periods.empty() ? "\"" : "\", \"") + *cell.Name().Value;
  }
  return "над столбцами значений " + periods + "\" - номера часов, дней, месяцев или лет, а не заголовки столбцов";
}

bool ColumnNumbersRow(const TSheetCells& cells, int row, int last) {
  int counted = 0;
  bool numbered = true;
  long long offset = 0;
  for (int col = 1; col <= last + kTitleReach && numbered; ++col) {
    const TOutsideValue cell = cells(row, col);
    if (cell.Blank()) continue;
    const TValueRead<int> n = cell.Kind() == TOutsideValue::TKind::Number || cell.Kind() == TOutsideValue::TKind::Text
                                  ? cell.Integer(1, 1000)
                                  : TValueRead<int>{};
    if (!n || !cell.CoveredFault().empty()) {
      numbered = false;
      break;
    }
    if (counted++ == 0) offset = static_cast<long long>(*n) - col;
    numbered = static_cast<long long>(*n) - col == offset;
  }
  return numbered && counted >= 3;
}

bool HeadingRowBelow(const TSheetCells& cells, int row, int key, int last) {
  if (ColumnNumbersRow(cells, row, last)) return true;
  // the second row of a heading: its key empty or merged down, texts without a value
  const TOutsideValue keyCell = cells(row, key);
  if (!keyCell.Blank() && keyCell.CoveredFault().empty()) return false;
  // each a unit or a word or two, no name of a row of data ("Ввод 1", "ТП-42")
  int words = 0;
  for (int col = 1; col <= last; ++col) {
    const TOutsideValue cell = cells(row, col);
    if (cell.Blank() || !cell.CoveredFault().empty()) continue;
    const TValueRead<std::string> text = cell.Heading();
    if (cell.Kind() != TOutsideValue::TKind::Text || !text || cell.Number()) return false;
    const THeadParts parts = HeadingTokenParts(*text);
    if (!parts.Digits.empty() || parts.Words.size() > 3) return false;
    ++words;
  }
  return words > 0;
}

bool TitleOverFigures(const TSheetCells& cells, int row, const std::vector<int>& numbers, int last) {
  return SheetTitleRow(cells, row, numbers, last, false) && std::all_of(numbers.begin(), numbers.end(), [&](int col) {
           const TOutsideValue cell = cells(row, col);
           return cell.Blank() || TitleMark(cell);
         });
}

bool UnderHeadings(const TSheetCells& cells, int row, int key, const std::vector<int>& numbers, int last) {
  constexpr int kMostHeadingRows = 4;
  for (int above = row - 1; above >= 1 && row - above <= kMostHeadingRows; --above) {
    if (!HeadingRowBelow(cells, above + 1, key, last)) return false;
    if (RowOfHeadings(cells, above, numbers)) return true;
  }
  return false;
}

TCellTextError::TCellTextError(int row, int col, std::string reason)
    : Error("ячейка " + SheetCellName(row, col) + ": " + reason), Row(row), Col(col), Reason(std::move(reason)) {}

TCellTextError::TCellTextError(std::string reason) : Error(reason), Row(0), Col(0), Reason(std::move(reason)) {}

}  // namespace ld
