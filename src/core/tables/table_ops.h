#pragma once
// Operations every host performs on a layout-defined table without knowing its layout: row insertion
// and deletion, copies, value comparison, searches in sorted columns, the stable multi-key sort, the
// text search of the grid and the tab-separated text export.
//
// A value is handed over by the address of an element as it is held in a column array: numbers and
// characters by the address of the number or byte, type "t" by the address of the inline element
// (length byte and Windows-1251 bytes), type "s" by the address of a std::string (UTF-8); nullptr
// stands for the empty string.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "core/base/callbacks.h"
#include "core/base/dynarray.h"
#include "core/tables/layout.h"

namespace ld {

// The largest row count the table's column arrays can hold: the smallest MaxSize of its arrays; 0 when
// it has none.
int MaxTableRows(const TDataFile& table);

// Opens one zeroed row at row in every column and in MarkRec; RowCount is left to the caller.
void InsertTableRow(TDataFile& table, int row);
// Removes the row everywhere, zeroing the freed last row; RowCount is left to the caller.
void DeleteTableRow(TDataFile& table, int row);
// Opens count zeroed rows at row; RowCount grows by count.
void InsertTableRows(TDataFile& table, int row, int count);
// Removes rows first..last; RowCount shrinks by last - first + 1.
void DeleteTableRows(TDataFile& table, int first, int last);

// The destination becomes an independent deep copy (layout, title, file date, rows and marks).
void CopyTable(const TDataFile& source, TDataFile& destination);
// One row with its mark; both tables have the same layout.
void CopyTableRow(const TDataFile& source, TDataFile& destination, int sourceRow, int destinationRow);

// 1 when a < b, 2 when equal, 3 when a > b, 255 for a letter outside the column types. Texts compare
// in upper case by their Windows-1251 codes; the empty text comes before every other.
std::uint8_t CompareValues(const void* a, const void* b, char type);

// The address of one element in the form CompareValues takes.
const void* ValuePtr(const TDynamicArray& column, char type, int row);

// Binary search over rows 1..count of a column sorted ascending. Found: the last row of the run of
// rows equal to the value. Not found: the row before which the value belongs (count + 1 after all).
int BinarySearchColumn(const void* value, const TDynamicArray& column, char type, bool& found, int count);

// Search in a table sorted by its key columns: each key narrows lo..hi to the run of rows equal to its
// value; the result is the last row of the final run, or the insertion row where a key is missing.
// Nothing is searched (result 1) when hi < lo or keyCount < 1.
int MultiKeySearch(std::span<const void* const> values, std::span<const std::uint8_t> keys, int keyCount,
                   bool& found, int& hi, int& lo, const TDataFile& table);

// Sorts rows 1..count of one column ascending, keeping equal values in their order; perm (when given)
// moves in step with the values. True when any value moved.
bool InsertSorted(TDynamicArray& column, char type, int count, DALongint* perm);

bool IsTableSorted(const TDataFile& table, int keyCount, std::span<const std::uint8_t> keys);

// Stable ascending sort of all rows by the key columns (numbers 1..NCols), the first most significant.
// A table already in order is left alone: changed stays false and progress is not called.
void SortTable(TDataFile& table, int keyCount, std::span<const std::uint8_t> keys, bool& changed,
               const TProgressProc& progress = {});
// The same by the named fields, the first most significant; true when any row moved.
bool SortTableByFields(TDataFile& table, std::initializer_list<const char*> fields);

// The grid's find: the first row after row whose display text of the field equals the text (exact) or
// contains it, ignoring letter case. None: the message "Поиск закончен", row 0 and false.
bool FindRowByText(const std::string& fieldName, const std::string& text, const TDataFile& table, bool exact,
                   int& row);

// Tab-separated text of the visible columns with a "№ п/п" column in front; Windows-1251, CR LF.
void ExportTableText(const std::string& fileName, const TDataFile& table);

}  // namespace ld
