#pragma once
// Cell conversions shared by the cell routines and the table-file reader.
#include <string>

#include "core/tables/layout.h"

namespace ld {

// Stores a text into a cell by the rules of SetCellText, whatever the column's Access.
bool StoreCellText(TDataFile& table, int row, int col, std::string& text);

// The text of one stored value of a fixed-size type, as a changed column type carries it over:
// integers in decimal, "c" its character, floats in general format with 15 digits, "t" its string
// (element = length byte and characters). Zero gives "0". Empty for an unknown letter.
std::string StoredValueText(char typeLetter, const unsigned char* element, int elemSize);

}  // namespace ld
