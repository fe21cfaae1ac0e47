#pragma once
// Printing of text reports: every table window and text report goes through one print dialog.
#include <string>
#include <vector>

class QWidget;

namespace ld::gui {

// Shows the print dialog "Печать документа" modally over the document (plain lines and the print
// markup) with editable header and trailer lines. The dialog may change the document: the header and
// trailer are inserted when it prints, and a row selection replaces it.
void PrintTextDocument(const std::vector<std::string>& beginLines, const std::vector<std::string>& endLines,
                       std::vector<std::string>& document, QWidget* parent = nullptr);

}  // namespace ld::gui
