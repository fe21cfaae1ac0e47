#include "gui/diagram/sch_view_form.h"

namespace ld::gui {

TSchViewForm* SchViewForm = nullptr;

TSchViewForm::TSchViewForm(QWidget* parent) : QWidget(parent) { setObjectName("SchViewForm"); }

}  // namespace ld::gui
