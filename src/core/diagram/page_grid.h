#pragma once
// How a laid-out diagram goes onto sheets of paper: the printable room between the margins, the grid
// of sheets across and down, the lists of chosen sheets, the margins turned with the paper and the
// font height that fits the whole diagram onto one sheet.
#include <bitset>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ld::diagram {

// Margins in centimetres.
struct TSheetMargins {
  float Top = 0, Left = 0, Bottom = 0, Right = 0;
};

// The printable area of the printer in pixels and its resolution in pixels per inch; margins are
// measured from the area's edges.
struct TSheetSize {
  int Width = 0, Height = 0;
  double DpiX = 0, DpiY = 0;
};

// Margins in printer pixels, each rounded on its own.
struct TMarginPixels {
  int Top = 0, Left = 0, Bottom = 0, Right = 0;
};

// Refusal of an output whose margins leave no room on the sheet.
extern const char* const kMarginsExceedSheet;

// The room between the margins; the sum of both margins is rounded, not each of them. Not above 0
// when the margins cover the sheet.
int PrintableWidth(const TSheetSize& sheet, const TSheetMargins& margins);
int PrintableHeight(const TSheetSize& sheet, const TSheetMargins& margins);
TMarginPixels MarginPixels(const TSheetSize& sheet, const TSheetMargins& margins);
// Whether both printable extents are above 0; any output is refused with kMarginsExceedSheet
// otherwise, since a grid stepping by no room never ends and a fitted font would scale by a
// negative ratio.
bool SheetHasRoom(const TSheetSize& sheet, const TSheetMargins& margins);

// Sheets needed for a model extent: rounded up. With no printable room the count stays as it was.
int SheetCount(int modelExtent, int printable, int previous);
// Both counts of the grid, each kept when its printable extent is not above 0.
void UpdatePageCount(const TSheetSize& sheet, const TSheetMargins& margins, int modelWidth, int modelHeight,
                     int& pagesAcross, int& pagesDown);
// "2 листов по горизонтали, 1 по вертикали".
std::string PageCountText(int pagesAcross, int pagesDown);

// The margins turned with the paper, each staying on its physical edge: to landscape the left margin
// becomes the top one, back to portrait the top margin becomes the left one.
TSheetMargins TurnMargins(const TSheetMargins& margins, bool toLandscape);

// A margin typed into its edit: empty text counts as 0, a value below 0 becomes 0. Returns the text the
// edit must show instead of the typed one (a negative value as 0, a text that is no number as the last
// valid margin), or nothing when the typed text stands.
std::optional<std::string> EditToMargin(const std::string& text, float& margin);
// A spin step of ±0.1 cm, not below 0; returns the margin's text with one decimal.
std::string StepMargin(float& margin, float step);
// A margin with one decimal, as the edits show it.
std::string MarginText(float margin);

// Sheet numbers 0..255; only 1..255 name sheets.
using TPageSet = std::bitset<256>;
// Blanks anywhere are ignored; items are separated by ","; an item is a number N or a range A-B
// (split at its first "-"), both ends whole numbers; a range with B < A adds nothing; numbers outside
// 0..255 are left out. False, with the set as far as it got, on an empty item or one that is no
// number.
bool ParsePageList(std::string_view text, TPageSet& pages);
// Both lists of the dialog: the message of the first bad list ("Неверно заданы номера страниц по
// горизонтали" or "... по вертикали"), empty when both read.
std::string ParsePageLists(std::string_view across, std::string_view down, TPageSet& acrossSet, TPageSet& downSet);

// Whether sheet (row r, column c) from 1 is printed.
bool SheetChosen(bool selective, const TPageSet& acrossSet, const TPageSet& downSet, int r, int c);
// The progress after sheet (r, c) of the grid, 0..100.
int SheetPercent(int r, int c, int pagesAcross, int pagesDown);

// The font height (negative: a character height in pixels) at which the diagram fits one sheet.
// modelWidth and modelHeight were measured at fontHeight; fits(h) lays the diagram out at h and says
// whether it fits the printable room. Starts from the height scaled by the smaller of the two ratios,
// so a small diagram grows, and steps one pixel smaller until it fits. 0 when no height above 0 fits
// (or the room or the model is empty).
int FitFontHeight(int fontHeight, int modelWidth, int modelHeight, int printableWidth, int printableHeight,
                  const std::function<bool(int height)>& fits);

}  // namespace ld::diagram
