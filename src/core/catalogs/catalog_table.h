#pragma once
// What the catalogue units share: loading a catalogue or passport list (creating an empty one), and
// the parts of a row's caption.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/layout.h"

namespace ld::catalog {

// Reads the table file (found whatever the letter case of its name), or creates it with no rows and
// the given title when there is none. With sort the rows are put in the layout's key order and a reordered table is
// written back. Table-store failures throw ld::Error.
std::unique_ptr<TDataFile> LoadTable(const std::string& path, const std::string& layoutName,
                                     const std::string& title, bool sort);

// Column accessors that report a missing or mistyped field as the table store does.
const DAString& TextCol(const TDataFile& table, const char* field);
const DAsingle& NumCol(const TDataFile& table, const char* field);
const DAChar& CharCol(const TDataFile& table, const char* field);

// The upper-case letter of a character cell (stored as a Windows-1251 byte); 0 for an empty cell.
char32_t UpperCell(const DAChar& col, int row);

// A number of a caption: at most 7 significant digits, the display decimal separator.
std::string CaptionNumber(float value);

// A number typed in a mark text, as the single-precision value catalogues store. False when the text
// is not a number or lies beyond the single-precision range.
bool ParseMarkNumber(std::string_view text, float& value);

// Splits "mark-n1<sep>n2<sep>...": the mark before the first "-", then count numbers separated by
// sep, the last one running to the end. False when a number does not convert.
bool SplitMarkText(std::string_view text, char sep, std::size_t count, std::string& mark,
                   std::vector<float>& numbers);

}  // namespace ld::catalog
