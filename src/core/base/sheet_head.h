#pragma once
// The head of a sheet (the rows above its data: titles, labels, approval blocks, headings, units rows,
// the columns' numbers) as every reader of a workbook reads it, whatever the library it belongs to: which
// row is a title, what stands beside a title, which row goes on with the headings above it. Its words are
// read by the heading rule's one splitter and one list of understood words (column_headings).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/error.h"
#include "core/base/outside_value.h"

namespace ld {

// The value of cell (row, col) of the workbook's first sheet, both from 1; an empty value for an empty
// cell. A reader takes a name, a number or a date from it by its rules, never the text as it stands.
using TSheetCells = std::function<TOutsideValue(int row, int col)>;

// Whether the row holds a value in one of the columns: a number, or a cell that cannot be read or that
// shows a merged range's value (a value all the same, which its reader names by its cell). A row of names
// and headings alone ("P1", "Q1") holds none.
bool RowHoldsValue(const TSheetCells& cells, int row, const std::vector<int>& cols);

// Whether the row is one of headings over the columns: none of them holds a value (RowHoldsValue), and one
// holds a word that begins with a letter ("W1", "Наименование"). A row of texts that are no numbers
// ("1 825 200", "05.03.2026", "1O.50") is a row of values that its reader names by their cells.
bool RowOfHeadings(const TSheetCells& cells, int row, const std::vector<int>& cols);

// How far past a reader's last column a row is looked at for what else it holds (a date or an approval
// block beside a title).
constexpr int kTitleReach = 10;
// Where a sheet's rows end for every reader of it: this many empty rows (or empty key cells) one after
// another.
constexpr int kEndOfRows = 100;
// How many rows of titles a sheet may have above its headings.
constexpr int kMostTitleRows = 12;
// The most a title holds beside its text: a label with its value and a date, or a date and a period.
constexpr int kTitleMarks = 3;

// A row that holds a name alone, as a row of data does where its figures are left empty (a households
// book's station over its inputs): one cell filled in the reader's columns and those beside them (`last`:
// the reader's last column), a designation and its number ("ПС-1", "ТП-42", "Ф-2", "ПС-1.1"), with a name
// of that kind in the next cell filled below it in its column. `Col` the name's column, `Below` the row of
// the name below it; 0 for a row of none (a title "Технический учет", a station over its headings).
struct TNameAlone {
  int Col = 0, Below = 0;
};
TNameAlone NameAlone(const TSheetCells& cells, int row, int last);

// The row of values right below a row that holds a designation with its number alone ("ТП-1" over a
// households book's first feeder "1 | 1 | 205 | 450022.5"), in the reader's columns and those beside them
// (`last`: the reader's last column): the row of a station over its feeders, a row of the data; 0 for
// any other row.
int NameAloneOverValues(const TSheetCells& cells, int row, int last);

// Whether the row holds labels with their values above a sheet's headings or its data ("РЭС" |
// "Центральный", "Подстанция" | "ПС 110/10 кВ Заречная", "Технический учет" | | "ПС Северная",
// "Технический учет" | "Дата" | 30.11.2026): two or three cells (kTitleMarks) in the reader's columns and
// those beside them (`last`: the reader's last column), the first a text without a figure, each other a
// name, a date or what stands beside a title (TitleMark), none a value, a period, an hour or a heading of
// a quantity or a unit ("W1", "P, кВт"); and the first row below that is none of such rows (nor empty)
// fills more cells than it (a row of headings, a row of data) or holds a designation with its number alone
// (a households book's station over its feeders). A row of headings of two cells over data of two is none.
bool LabelRow(const TSheetCells& cells, int row, int last);

// Whether the row is a title above a sheet's headings, which says nothing of the columns, rather than a
// row of headings or of data: a text of words, never a name alone over names of its kind (NameAlone),
// which is a row of the data; one cell alone in the reader's columns and those beside them
// (`last`: the reader's last column), typed over them or merged across them; or one text (the title)
// with what stands beside a title: a date or a period of a year ("Дата: 30.11.2026", "за декабрь 2026",
// "ноябрь 2026 г."), an approval block ("УТВЕРЖДАЮ", a post, "________ И.И. Иванов"), a label and its
// value ("Подстанция:" | "Северная"), or without the colon (LabelRow); or, with `bare`, texts none of
// which, over the number columns, holds a value or a word (a sheet whose every row of data holds a value
// there). A number cell that is no
// label's value is a value, and its row none of titles.
bool SheetTitleRow(const TSheetCells& cells, int row, const std::vector<int>& numbers, int last, bool bare);
// Whether the cell holds what stands beside a title (SheetTitleRow): a date, a period of a year, a part of
// an approval block, a label with its value.
bool TitleMark(const TOutsideValue& cell);

// The period a cell over a figure column names by a number alone (HeadingPeriodNumber): a number cell by
// its whole value, a text as it reads; none for a date, a cell a merged range covers, or any other.
std::optional<int> CellPeriodNumber(const TOutsideValue& cell);

// Why a row is no row of headings, when over every one of the columns `cols` (two of them at least) it
// holds a number that names a period (CellPeriodNumber), the numbers going up by one from column to
// column as the columns do: hours, days, months or years heading a table of periods, never figures of a
// quantity. 'над столбцами значений "1", "2" - номера часов, …' with the numbers as the sheet shows
// them; empty for any other row.
std::string PeriodNumbersFault(const TSheetCells& cells, int row, const std::vector<int>& cols);

// Whether the row holds the columns' own numbers ("1 | 2 | 3 ...", three of them at least, each column's
// number as far from the column as the others', up to `last` and kTitleReach past it), never a row of data.
bool ColumnNumbersRow(const TSheetCells& cells, int row, int last);

// Whether the row is a title (SheetTitleRow) whose cells over the figure columns (`numbers`) are empty or
// what stands beside a title (TitleMark): nothing in it is a heading of those columns, as a format whose
// heading row is fixed or that has none reads it. A lone heading over a figure column ("P, кВт") is no
// such title.
bool TitleOverFigures(const TSheetCells& cells, int row, const std::vector<int>& numbers, int last);

// Whether the row right under a row of headings is one of them too, never data: the columns' own
// numbers ("1 | 2 | 3 ...", each column's number as far from the column as the others'), or, with the
// key column `key` empty or merged down from above, the second row of a heading (its units, its wrapped
// words, a heading merged down): texts that hold a word and no value.
bool HeadingRowBelow(const TSheetCells& cells, int row, int key, int last);

// Whether the row is one of headings under a row of headings (RowOfHeadings over the number columns),
// directly or below others of them (HeadingRowBelow): a reader passes it as it passes its headings.
bool UnderHeadings(const TSheetCells& cells, int row, int key, const std::vector<int>& numbers, int last);

// A workbook cell whose text (or what the import makes of it: a mark after its length, a station's part
// of a name) does not go whole into the field it is read for. A text cut to fit would lose its end, and
// two names alike in their first characters would become one; the import refuses the workbook by the
// cell instead (CellRefusal). what() names the cell and the reason.
class TCellTextError : public Error {
public:
  TCellTextError(int row, int col, std::string reason);
  int Row, Col;  // 0: the sheet as a whole (TSheetKindError)
  std::string Reason;

protected:
  explicit TCellTextError(std::string reason);
};

}  // namespace ld
