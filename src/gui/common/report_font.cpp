#include "gui/common/report_font.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace ld::gui {

namespace {

// Advances are whole 64ths of a pixel; anything less apart is one advance.
constexpr qreal kSameAdvance = 1.0 / 128;

QString Range(char16_t first, char16_t last) {
  QString text;
  for (char16_t c = first; c <= last; ++c) text += QChar(c);
  return text;
}

// The font in the size of the system's fixed font, which the person may have set for such panes.
QFont Sized(const QString& family, const QFont& fixed) {
  QFont font(family);
  font.setStyleHint(QFont::Monospace);
  if (fixed.pointSizeF() > 0)
    font.setPointSizeF(fixed.pointSizeF());
  else if (fixed.pixelSize() > 0)
    font.setPixelSize(fixed.pixelSize());
  return font;
}

}  // namespace

QString ReportCharacters() {
  return Range(u'0', u'9') + Range(u'A', u'Z') + Range(u'a', u'z') + Range(u'А', u'я') +
         QString::fromUtf8("ЁёІіЇїЄєҐґ") + QString::fromUtf8(" .,:;!?-+*/\\=%()[]<>|_~\"'");
}

bool HasOneAdvance(const QFont& font, const QString& characters) {
  const QFontMetricsF metrics(font);
  qreal first = 0;
  for (qsizetype k = 0; k < characters.size(); ++k) {
    // A string, not a glyph: its layout brings the substituted fonts and the font's spacing in, as the
    // pane's does.
    const qreal advance = metrics.horizontalAdvance(QString(characters[k]));
    if (k == 0)
      first = advance;
    else if (std::abs(advance - first) > kSameAdvance)
      return false;
  }
  return true;
}

QFont FirstFontOfOneAdvance(const QList<QFont>& fonts, const QString& characters) {
  for (const QFont& font : fonts)
    if (HasOneAdvance(font, characters)) return font;
  return fonts.isEmpty() ? QFont() : fonts.front();
}

QFont ReportFont() {
  const QString characters = ReportCharacters();
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  QList<QFont> fonts{fixed, Sized("monospace", fixed)};
  // Where neither of the system's choices holds the report's letters in one advance, its other
  // fixed-pitch families are tried, and those named monospaced, which may not say they are.
  if (!HasOneAdvance(fonts[0], characters) && !HasOneAdvance(fonts[1], characters))
    for (const QString& family : QFontDatabase::families())
      if (QFontDatabase::isFixedPitch(family) || family.contains("Mono", Qt::CaseInsensitive))
        fonts.push_back(Sized(family, fixed));
  return FirstFontOfOneAdvance(fonts, characters);
}

}  // namespace ld::gui
