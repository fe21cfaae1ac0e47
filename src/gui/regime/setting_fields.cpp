#include "gui/regime/setting_fields.h"

#include <QLineEdit>

#include "core/base/numfmt.h"
#include "gui/common/named_widget.h"

namespace ld::gui {

QLineEdit* NumberEdit(const char* name, QWidget* parent) {
  auto* edit = Named<QLineEdit>(name, parent);
  edit->setMaximumWidth(90);
  return edit;
}

QString SingleText(float v) { return QString::fromStdString(FloatToStrGeneral(v, 7)); }

}  // namespace ld::gui
