#pragma once
// The unit and scale of a sheet's figure columns as the whole head of the sheet states them: the
// headings with the units row under them, and the titles, labels and notes above the headings and below
// the data. Every reader of a workbook that stores figures takes its cells through this one reading.
#include <string>
#include <vector>

#include "core/base/sheet_head.h"

namespace ld {

// A column of figures whose unit the head of its sheet may state in another scale.
struct TScaledColumn {
  int Col = 0;
  std::string Title;               // as a refusal names the column: "столбец 4 (потребление)"
  std::vector<const char*> Words;  // the words people write over it (HeadingSays)
};

// The sheet as a reader takes it, each column of `columns` in its own unit. `key` is the column that names
// a row of data (a units row leaves it empty), `last` the reader's last column, `numbers` the columns
// whose values tell a row of data from a row of the head (RowHoldsValue).
// A figure under a heading that says its column in a unit of another scale ("тыс. кВт*ч", "МВт*ч" over
// kW·h, "Длина, м" over km: HeadingScale) is brought to the column's own unit exactly as its digits shift
// (ScaledCell), down to the next heading over the column; a text there that reads no number is a value
// that does not read. A heading is a cell of a row without a value, with the units row under it; a figure
// typed with its unit in a row of data ("2,75 тыс. кВт*ч") is none.
// What a title, a label or a note says of the column's unit ("Технический учет, тыс. кВт*ч", "Единица
// измерения: тыс. кВт*ч", "* данные в тыс. кВт*ч", "Потребление, в тыс.") is said of every row of it where
// its own heading states no scale. Throws TCellTextError naming the cell, before any figure is read:
// two statements of different scales over one column; a statement that disagrees with the unit of the
// column's heading, or that gives a scale or a unit no figure of the column has (StatedUnitOver: "тыс."
// over a count, "шт" over an energy); a unit said of the active or the reactive quantity, or of its power
// or energy, over a column of the other headed by its symbol alone, or a scale alone whose columns the
// statement does not name (StatementLeavesUntold), where it cannot be told whether it covers the column.
// The first `titleRows` rows are what the format gives to statements of the whole sheet (a network
// workbook's voltage with what is said beside it): their texts are statements, whatever else they hold.
TSheetCells SheetScaledCells(const TSheetCells& cells, int key, int last, const std::vector<int>& numbers,
                             const std::vector<TScaledColumn>& columns, int titleRows = 0);

}  // namespace ld
