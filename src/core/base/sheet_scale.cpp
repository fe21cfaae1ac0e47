#include "core/base/sheet_scale.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/column_headings.h"
#include "core/base/import_number.h"

namespace ld {

namespace {

// A column and how its figures are brought to its unit.
struct TScaled {
  int Col;
  std::vector<std::pair<int, int>> From;  // below which row, which power of ten (its headings')
  int Stated = 0;                         // what the titles, labels and notes state
};

// A row of the head, above the data, among them or below them (a row without a value): a title (a
// title, a label, a note: a row of its own) or not (headings, units rows).
struct THeadRow {
  int Row;
  bool Title;
};

// What one statement of a title, a label or a note says of a column: the unit or scale said of it (none
// where the statement names the column with its unit, "Длина, м"), the power of ten it gives, its cell.
struct TStatement {
  std::optional<TStatedUnit> Unit;
  int Exponent = 0;
  int Row = 0, Col = 0;
};

}  // namespace

TSheetCells SheetScaledCells(const TSheetCells& cells, int key, int last, const std::vector<int>& numbers,
                             const std::vector<TScaledColumn>& columns, int titleRows) {
  const auto text = [&](int row, int col) -> std::string {
    const TOutsideValue cell = cells(row, col);
    if (cell.Kind() != TOutsideValue::TKind::Text || !cell.CoveredFault().empty() || cell.Number()) return {};
    const TValueRead<std::string> heading = cell.Heading();
    return heading ? *heading.Value : std::string();
  };
  std::vector<THeadRow> head;
  std::vector<int> data;  // the rows of values
  for (int row = 1, empty = 0; empty < kEndOfRows; ++row) {
    bool blank = true;
    for (int col = 1; col <= last && blank; ++col) blank = cells(row, col).Blank();
    empty = blank ? empty + 1 : 0;
    if (blank) continue;
    if (RowHoldsValue(cells, row, numbers)) {
      data.push_back(row);
      continue;
    }
    // a units row under the headings is theirs, column by column, however few its cells
    head.push_back({row, row <= titleRows ||
                             (!UnderHeadings(cells, row, key, numbers, last) && SheetTitleRow(cells, row, numbers, last, false))});
  }
  std::vector<TScaled> scaled;
  for (const TScaledColumn& column : columns) {
    const std::vector<const char*>& words = column.Words;
    if (words.empty()) continue;
    const std::string named = std::to_string(column.Col) + " (" + column.Title + ")";
    TScaled columnScaled{column.Col, {}};
    // two cells that give the column units of different scales: which one the figures are in cannot be told
    const auto scales = [&](int row, int col, int otherRow, int otherCol) {
      return TCellTextError(row, col, "\"" + text(row, col) + "\" - единица столбца " + named + " другого масштаба, чем в ячейке " +
                                          SheetCellName(otherRow, otherCol) + " \"" + text(otherRow, otherCol) + "\"");
    };
    int exponent = 0, untoldRow = 0, untoldCol = 0;
    TLeftUntold untold = TLeftUntold::None;
    bool ownUnit = false;                               // a heading over the column states its unit
    std::vector<std::pair<int, std::string>> headings;  // every heading over the column, by its row
    std::optional<TStatement> stated;                   // the first statement said of the column
    for (const auto& [row, title] : head) {
      if (!title) {
        std::string heading = text(row, column.Col);
        if (!heading.empty() && HeadingHoldsWord(heading) && HeadingNamesColumn(heading, words)) {
          // the units row under it is the heading's, never a figure to scale
          int below = row;
          if (const std::string unit = text(row + 1, column.Col);
              !unit.empty() && UnderHeadings(cells, row + 1, key, numbers, last)) {
            heading += ", " + unit;
            below = row + 1;
          }
          ownUnit = ownUnit || !StatedUnits(heading).empty();
          if (const int said = HeadingScale(heading, words); said != exponent) {
            columnScaled.From.emplace_back(below, said);
            exponent = said;
          }
          headings.emplace_back(row, heading);
        }
      }
      // a title, a label's value or a note: a row of its own above the headings or below the data
      for (int col = 1; title && col <= last + kTitleReach; ++col) {
        std::string statement = text(row, col);
        if (const std::size_t colon = statement.find(':'); colon != std::string::npos) statement.erase(0, colon + 1);
        if (statement.empty() || !HeadingHoldsWord(statement)) continue;
        // each unit a statement gives is said of the columns it names ("…, МВт, Мвар" over the active and
        // the reactive load); a statement of no unit of the column names the column by its words and says
        // a scale alone ("Потребление, в тыс."); a unit after a figure ("Итого 2,75 тыс. кВт*ч") is that
        // figure's and states nothing
        std::optional<TStatement> said;
        const std::vector<TStatedUnit> units = StatedUnits(statement);
        for (const TStatedUnit& unit : units)
          if (const std::optional<int> multiple = StatedUnitScale(unit, words);
              !said && !unit.Unit.empty() && (multiple || HeadingNamesColumn(unit.Reads, words)))
            said = TStatement{unit, multiple ? *multiple : HeadingScale(unit.Reads, words), row, col};
        const bool names = !said && !units.empty() && HeadingNamesColumn(statement, words);
        if (names)
          if (const int scale = HeadingScale(statement, words); scale != 0) {
            const auto alone = std::find_if(units.begin(), units.end(), [](const TStatedUnit& u) { return u.Unit.empty(); });
            said = TStatement{alone != units.end() ? std::optional<TStatedUnit>(*alone) : std::nullopt, scale, row, col};
          }
        if (!said) {
          if (!names && untoldRow == 0)
            if (untold = StatementLeavesUntold(statement, words); untold != TLeftUntold::None) untoldRow = row, untoldCol = col;
          continue;
        }
        if (stated && stated->Exponent != said->Exponent) throw scales(row, col, stated->Row, stated->Col);
        if (!stated) stated = std::move(said);
      }
    }
    if (stated) {
      // a heading in a unit of another scale than the statement's; a scale alone ("в тыс.") multiplies the
      // unit a heading gives in its plain form ("Потребление, кВт*ч")
      const bool scaleAlone = stated->Unit && stated->Unit->Unit.empty();
      for (const auto& [row, heading] : headings)
        if (const int own = HeadingScale(heading, words);
            own != stated->Exponent && (own != 0 || (!scaleAlone && !StatedUnits(heading).empty())))
          throw scales(row, column.Col, stated->Row, stated->Col);
      // a statement of another quantity's unit, of a scale over a count, or of another unit than the
      // heading's
      if (headings.empty()) headings.emplace_back(0, std::string());
      for (const auto& [row, heading] : headings)
        if (stated->Unit)
          if (const TStatedScale over = StatedUnitOver(heading, *stated->Unit, words); !over.Fault.empty())
            throw TCellTextError(stated->Row, stated->Col, over.Fault);
      columnScaled.Stated = stated->Exponent;
    }
    // a unit of the other quantity or kind over a column headed without its own unit, or a scale alone that
    // names no column: its figures may be in that unit or scale or not
    if (untoldRow != 0 && !stated && (untold == TLeftUntold::Scale || !ownUnit) &&
        std::any_of(data.begin(), data.end(), [&](int row) {
          const TOutsideValue cell = cells(row, column.Col);
          return !cell.Blank() && static_cast<bool>(cell.Number());
        }))
      throw TCellTextError(untoldRow, untoldCol,
                           "\"" + text(untoldRow, untoldCol) + "\" - " +
                               (untold == TLeftUntold::Scale ? "масштаб, а к столбцу " + named + " ли он относится"
                                                             : "единица другой величины, чем в столбце " + named +
                                                                   ", а в каких единицах он") +
                               ", не сказано");
    if (!columnScaled.From.empty() || columnScaled.Stated != 0) scaled.push_back(std::move(columnScaled));
  }
  if (scaled.empty()) return cells;
  return [cells, scaled](int row, int col) {
    TOutsideValue cell = cells(row, col);
    for (const TScaled& column : scaled) {
      if (column.Col != col) continue;
      int exponent = 0;
      for (const auto& [from, said] : column.From)
        if (from < row) exponent = said;
      if (exponent != 0) return ScaledCell(cell, exponent);
      // a statement above the headings or below the data covers the figures; the texts of the head are
      // its reader's
      return cell.Number() ? ScaledCell(cell, column.Stated) : cell;
    }
    return cell;
  };
}

}  // namespace ld
