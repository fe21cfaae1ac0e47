#include "gui/grid/report_print.h"

#include "gui/common/modal.h"
#include "gui/grid/report_print_form.h"

namespace ld::gui {

void PrintTextDocument(const std::vector<std::string>& beginLines, const std::vector<std::string>& endLines,
                       std::vector<std::string>& document, QWidget* parent) {
  TPrnSetForm form(beginLines, endLines, document, parent);
  ExecModal(form);
  form.SaveSettings();
}

}  // namespace ld::gui
