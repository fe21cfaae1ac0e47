#pragma once
// The line markup of printed text reports. A report is a list of lines; a tag at the beginning of a
// line makes it an indent ("Shift 2"), a table header ("StartTable...") or row ("Table...") made of
// cells that each end with "&", or a styled text line ("Bold", "Ital", "Line" in this order). Every
// cell after the first one carries its colour mark before a "~" ("96~12&"). No Qt here: the dialog
// lays the lines out on the printer's pages and writes the same content as a text file.
#include <string>
#include <string_view>
#include <vector>

namespace ld {

// Style bits of a printed line; the same values as the font style of the print settings.
enum PrintStyle : unsigned { psBold = 1, psItalic = 2, psUnderline = 4, psStrikeOut = 8 };

enum class PrintLineKind { Text, Shift, TableHeader, TableRow };

struct PrintCell {
  int mark = 0;  // colour byte: low nibble text colour, high nibble 15 minus the background colour
  std::string text;
};

struct PrintLine {
  PrintLineKind kind = PrintLineKind::Text;
  int shiftCm = 0;               // Shift: the indent in centimetres
  std::vector<PrintCell> cells;  // TableHeader, TableRow; the first cell always has mark 0
  unsigned styles = 0;           // Text: the style prefixes found
  std::string text;              // Text: the line without its style prefixes
};

PrintLine ParsePrintLine(std::string_view line);

// Palette indices (0 black .. 15 white) of a colour byte.
inline int MarkTextColor(int mark) { return mark & 0x0F; }
inline int MarkBackColor(int mark) { return 15 - ((mark >> 4) & 0x0F); }

// Applies a row selection such as "1,3,5-10" (blanks ignored): the document becomes its first line
// (the table header) followed by the lines A..B of every item in the given order, line r being the
// r-th line after the header. Items with a zero bound or B < A are skipped. Returns false and leaves
// the document as it was for a bad selection: a non-number or a line beyond the document.
bool SelectPrintRows(std::string_view selection, std::vector<std::string>& document);

// The text-file form of one line: cells joined by tabs without their marks, styles dropped.
// Indent lines have no text form (false).
bool PrintLineToText(std::string_view line, std::string& text);

// The whole text file in Windows-1251: the header lines, an empty line, the document, an empty line
// and the trailer lines, each ended by CR LF.
std::string PrintTextFileBytes(const std::vector<std::string>& beginLines, const std::vector<std::string>& document,
                               const std::vector<std::string>& endLines);

}  // namespace ld
