#pragma once
// Column maps: for each kind of table a record of its row count and the column arrays of the fields
// that code works with, filled by field name once the table is read or its columns are created
// (FillNodeCols, FillBranchCols ...). A layout may order, add or drop other columns freely; only the
// fields of the map must be there, with the types the map gives. A field missing from the layout makes
// the filler throw 'Поле "<field>" макета "<layout>" не найдено', one declared with another type
// 'Поле "<field>" макета "<layout>" имеет тип "<declared>", нужен тип "<wanted>"' ("i" или "w" for
// the 16-bit integer fields, which take either); the map must then not be used.
//
// The arrays are borrowed from the table: a map stays valid while the table keeps its arrays (row
// operations keep them; reading a file into the table, copying into it or freeing it does not). The
// row count is the table's at the time of filling.
//
// A field without a fixed type is held as a TDynamicArray of whatever type its layout declares; a
// 16-bit integer field ("i" or "w") as a TInt16Column over either.
#include "core/tables/colmaps_district.h"
#include "core/tables/colmaps_results.h"
#include "core/tables/colmaps_scheme.h"
