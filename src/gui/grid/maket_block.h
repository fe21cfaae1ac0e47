#pragma once
// Rewriting one layout's block of the layout file, leaving every other byte of the file as it was.
#include <string>
#include <vector>

#include "core/tables/layout.h"

namespace ld::gui {

// The lines of a layout block (UTF-8): "Name=", "Extention=", "Count=", "Order=" and one line per
// column ("+" flag, type, PixWidth, CtrlSize, FltDigit, Access, Visible, Colors, TitleColor, field
// name, title and "~" comment when there is one).
std::vector<std::string> MaketBlockLines(const TDataFile& layout);

// Replaces the block of the layout's name (its "Name=" line up to the next empty line, the next line
// holding "Name=" or the end of the file) by the layout's lines. False, with the file untouched, when
// the file has no block of that name. Throws ld::Error when the file cannot be read or written.
bool RewriteMaketBlock(const std::string& maketPath, const TDataFile& layout);

}  // namespace ld::gui
