#pragma once
// How the column-map fillers look up one field.
#include "core/base/dynarray.h"
#include "core/tables/layout.h"

namespace ld {

// A map starts empty with the table's row count; its fields are bound one by one after.
template <typename Cols>
void StartMap(const TDataFile& table, Cols& cols) {
  cols = Cols{};
  cols.RowCount = table.RowCount;
}

// A field of a known type: the table's array of that field, which must be of that type.
template <typename T>
void BindColumn(const TDataFile& table, const char* fieldName, T*& field) {
  field = GetColumnAs<T>(fieldName, table);
}

// A field that the code reads only through the cell texts: the array of whatever type the layout gives.
inline void BindColumn(const TDataFile& table, const char* fieldName, TDynamicArray*& field) {
  field = GetColumnArray(fieldName, table);
  if (!field) ThrowFieldNotFound(fieldName, table);
}

}  // namespace ld
