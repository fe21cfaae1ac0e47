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

// Whether the row holds a label and its value alone: two texts side by side, the label a word or two
// without a figure ("РЭС", "Подстанция"), its value no number ("Центральный", "ПС 110/10 кВ Заречная").
bool LabelShape(const TSheetCells& cells, int row, int last) {
  std::vector<int> filled;
  for (int col = 1; col <= last + kTitleReach; ++col)
    if (!cells(row, col).Blank()) {
      if (filled.size() == 2) return false;
      filled.push_back(col);
    }
  if (filled.size() != 2 || filled[1] != filled[0] + 1) return false;
  const TOutsideValue label = cells(row, filled[0]), value = cells(row, filled[1]);
  const auto text = [](const TOutsideValue& cell) {
    return cell.Kind() == TOutsideValue::TKind::Text && cell.CoveredFault().empty() && !cell.Number() &&
           cell.Heading();
  };
  if (!text(label) || !text(value)) return false;
  const THeadParts parts = HeadingTokenParts(*label.Heading().Value);
  if (!parts.Digits.empty() || parts.Words.empty() || parts.Words.size() > 2) return false;
  // a value is a name: what the heading rule reads as a column's quantity, unit or period ("W1", "P,
  // кВт", "Январь") is a heading, unless a figure of its own stands before its unit ("ПС 110/10 кВ")
  const std::string shown = *value.Heading().Value;
  const THeadParts said = HeadingTokenParts(shown);
  const bool figure = std::any_of(said.Digits.begin(), said.Digits.end(), [](const std::string& d) { return d.size() >= 2; });
  return (figure || HeadingNamesOther(shown, {}).empty()) && !HeadingIsPeriodNumber(shown) && !HeadingIsTimeOfDay(shown);
}

int FilledCells(const TSheetCells& cells, int row, int last) {
  int n = 0;
  for (int col = 1; col <= last + kTitleReach; ++col) n += !cells(row, col).Blank();
  return n;
}

}  // namespace

bool LabelRow(const TSheetCells& cells, int row, int last) {
  if (!LabelShape(cells, row, last)) return false;
  // the first row below that is no label: a fuller row (of headings or of data), or a name alone (a
  // households book's station over its feeders)
  for (int below = row + 1; below < row + kMostTitleRows; ++below) {
    const int filled = FilledCells(cells, below, last);
    if (filled == 0 || LabelShape(cells, below, last)) continue;
    if (filled > 2) return true;
    if (filled > 1) return false;
    for (int col = 1; col <= last + kTitleReach; ++col)
      if (const TOutsideValue cell = cells(below, col); !cell.Blank()) {
        const TValueRead<std::string> text = cell.Heading();
        return cell.Kind() == TOutsideValue::TKind::Text && cell.CoveredFault().empty() && text && !cell.Number() &&
               DesignationWithNumber(*text.Value);
      }
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
  int col = 0;
  for (int c = 1; c <= last + kTitleReach; ++c) {
    if (cells(row, c).Blank()) continue;
    if (col != 0) return {};
    col = c;
  }
  const auto named = [&](int r) {
    const TOutsideValue cell = cells(r, col);
    const TValueRead<std::string> text = cell.Heading();
    return cell.Kind() == TOutsideValue::TKind::Text && cell.CoveredFault().empty() && text && !cell.Number() &&
           DesignationWithNumber(*text.Value);
  };
  if (col == 0 || !named(row)) return {};
  for (int below = row + 1; below < row + kMostTitleRows; ++below)
    if (!cells(below, col).Blank()) return named(below) ? TNameAlone{col, below} : TNameAlone{};
  return {};
}

int NameAloneOverValues(const TSheetCells& cells, int row, int last) {
  int col = 0;
  for (int c = 1; c <= last + kTitleReach; ++c) {
    if (cells(row, c).Blank()) continue;
    if (col != 0) return 0;
    col = c;
  }
  if (col == 0) return 0;
  const TOutsideValue cell = cells(row, col);
  const TValueRead<std::string> text = cell.Heading();
  if (cell.Kind() != TOutsideValue::TKind::Text || !cell.CoveredFault().empty() || !text || cell.Number() ||
      !DesignationWithNumber(*text.Value))
    return 0;
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
