#include <gtest/gtest.h>

#include <QLocale>

#include "core/base/numfmt.h"
#include "gui/common/locale_format.h"

namespace ld::gui {
namespace {

TEST(LocaleFormat, SeparatorsComeFromTheLocaleAndNeverClash) {
  const TFormatSettings saved = FormatSettings;
  SetFormatSettingsFromLocale(QLocale(QLocale::Russian, QLocale::Russia));
  EXPECT_EQ(FloatToStrNumber(1234.5, 1), "1\u00A0234,5");
  SetFormatSettingsFromLocale(QLocale(QLocale::German, QLocale::Germany));  // "." groups there
  EXPECT_EQ(FloatToStrNumber(1234.5, 1), "1\u00A0234,5");
  SetFormatSettingsFromLocale(QLocale(QLocale::English, QLocale::UnitedStates));  // "," groups there
  EXPECT_EQ(FloatToStrNumber(1234.5, 1), "1\u00A0234.5");
  FormatSettings = saved;
}

}  // namespace
}  // namespace ld::gui
