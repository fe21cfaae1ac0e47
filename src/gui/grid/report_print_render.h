#pragma once
// Draws a marked-up report on the printer, page by page.
#include <QFont>
#include <functional>
#include <string>
#include <vector>

#include "gui/grid/print_markup_layout.h"

class QPrinter;

namespace ld::gui {

struct PrintMargins {
  double top = 1, left = 2, bottom = 1, right = 1;  // cm
};

// The margins turned with the page when its orientation changes: to landscape the left margin goes to
// the top, back to portrait the top margin goes to the left.
PrintMargins TurnedMargins(const PrintMargins& margins, bool toLandscape);

// The page geometry of a report on this printer: its resolution and orientation, the margins and the
// document font's height in printer pixels.
PrintPageSetup ReportPageSetup(const QPrinter& printer, const QFont& documentFont, const PrintMargins& margins);

// False when the margins leave no room for one line on a page; such a report is refused.
bool ReportPageHasRoom(const QPrinter& printer, const QFont& documentFont, const PrintMargins& margins);
extern const char* const kNoRoomOnPage;

// Prints the document. After each page `afterPage` gets the share of lines done (0..100); it lets the
// application process its events and returns false to stop after that page. Returns an error text,
// empty when the document was printed or stopped.
std::string PrintReportPages(QPrinter& printer, const std::vector<std::string>& document, const QFont& documentFont,
                             const PrintMargins& margins, bool pageNumbers,
                             const std::function<bool(int percent)>& afterPage);

}  // namespace ld::gui
