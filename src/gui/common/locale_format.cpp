#include "gui/common/locale_format.h"

#include <QLocale>

#include "core/base/numfmt.h"

namespace ld::gui {

void SetFormatSettingsFromLocale(const QLocale& locale) {
  SetFormatSeparators(locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString());
}

}  // namespace ld::gui
