#pragma once
// The font of the panes whose messages and protocols are laid out in columns of blanks. The columns
// line up only where every character of a report takes one advance; whether a font calls itself fixed
// pitch says little about that (a monospaced font may be reported as proportional, and a fixed font
// without Cyrillic letters borrows them from a proportional one), so the advances are measured.
#include <QFont>
#include <QList>
#include <QString>

namespace ld::gui {

// What the reports set in columns: digits, Latin and Cyrillic letters, the blank and the punctuation of
// their numbers, names and tables.
QString ReportCharacters();

// Whether each of the characters, laid out alone in the font (with the fonts the system substitutes for
// the glyphs it lacks, and its letter and word spacing), takes the same advance.
bool HasOneAdvance(const QFont& font, const QString& characters);

// The first of the fonts in which the characters take one advance; the first font when none does.
QFont FirstFontOfOneAdvance(const QList<QFont>& fonts, const QString& characters);

// The font of a report pane: the system's fixed font, or else the "monospace" family or another
// fixed-pitch family of the system in its size, whichever first sets the report's characters in one
// advance.
QFont ReportFont();

}  // namespace ld::gui
