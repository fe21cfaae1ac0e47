#pragma once
// Number display follows the user's locale: its separators go into ld::FormatSettings at start.
class QLocale;

namespace ld::gui {

void SetFormatSettingsFromLocale(const QLocale& locale);

}  // namespace ld::gui
