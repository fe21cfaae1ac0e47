#pragma once
// How the column-map fillers look up one field.
#include <string>

#include "core/base/dynarray.h"
#include "core/base/error.h"
#include "core/tables/colmaps_int16.h"
#include "core/tables/layout.h"

namespace ld {

// A map starts empty with the table's row count; its fields are bound one by one after.
template <typename Cols>
void StartMap(const TDataFile& table, Cols& cols) {
  cols = Cols{};
  cols.RowCount = table.RowCount;
}

// 'Поле "<field>" макета "<layout>" имеет тип "<declared>", нужен тип "<wanted>"' (wanted: the letter,
// or two letters joined by "или").
[[noreturn]] inline void ThrowFieldMistyped(const std::string& fieldName, const TDataFile& table,
                                            const std::string& wanted) {
  const int k = FindColumnIndex(fieldName, table);
  throw Error("Поле \"" + fieldName + "\" макета \"" + table.Name + "\" имеет тип \"" +
              std::string(1, table.ColType[k]) + "\", нужен тип " + wanted);
}

// A field of a known type: the table's array of that field, which must be of that type.
template <typename T>
void BindColumn(const TDataFile& table, const char* fieldName, T*& field) {
  TDynamicArray* array = GetColumnArray(fieldName, table);
  if (!array) ThrowFieldNotFound(fieldName, table);
  field = dynamic_cast<T*>(array);
  if (!field) ThrowFieldMistyped(fieldName, table, "\"" + std::string(1, T(0).TypeLetter()) + "\"");
}

// A 16-bit integer field: the layout may declare it "i" or "w".
inline void BindColumn(const TDataFile& table, const char* fieldName, TInt16Column& field) {
  TDynamicArray* array = GetColumnArray(fieldName, table);
  if (!array) ThrowFieldNotFound(fieldName, table);
  if (array->TypeLetter() != 'i' && array->TypeLetter() != 'w') ThrowFieldMistyped(fieldName, table, "\"i\" или \"w\"");
  field = TInt16Column(array);
}

// A field that the code reads only through the cell texts: the array of whatever type the layout gives.
inline void BindColumn(const TDataFile& table, const char* fieldName, TDynamicArray*& field) {
  field = GetColumnArray(fieldName, table);
  if (!field) ThrowFieldNotFound(fieldName, table);
}

}  // namespace ld
