// The font of the report panes lines a report's columns up, whichever fonts the machine has: a font whose
// characters differ in advance is passed over for one in which they do not.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QStringList>
#include <cmath>
#include <vector>

#include "gui/common/report_font.h"

namespace ld::gui {
namespace {

// Lines of one length as the reports write them: names, marks, numbers with both separators, the rules
// and bars of tables. In a font that lines columns up they are all as wide as the first.
const QStringList kReportLines{
    "Узел      P, МВт    Q, Мвар   U, кВ  ",
    "ПС-1.1    12,345    -0.0071   10.52  ",
    "ТП-7.2 Т1 ТМ-400/10/0.4 (кат.2) 95% ;",
    "|________|_________|_________|______|",
    "ЁЖЩШЮЯЪЫЬЭ ёжщшюяъыьэ Іі Її Єє Ґґ !?*",
    "WMQ%ilj.Wmwi1 ABCXYZ abcxyz [<=>] ~\\'",
    "0123456789\"+0123456789 mmmm iiii ::::"};

// The widths of the lines that are not as wide as the first, in pixels.
std::vector<qreal> UnevenLines(const QFont& font) {
  const QFontMetricsF metrics(font);
  std::vector<qreal> widths;
  const qreal first = metrics.horizontalAdvance(kReportLines.front());
  for (const QString& line : kReportLines)
    if (std::abs(metrics.horizontalAdvance(line) - first) > 0.01) widths.push_back(metrics.horizontalAdvance(line));
  return widths;
}

TEST(ReportFont, LinesUpTheReportsColumnsAndPassesOverAFontThatDoesNot) {
  for (const QString& line : kReportLines) ASSERT_EQ(line.size(), kReportLines.front().size()) << line.toStdString();
  const QFont font = ReportFont();
  EXPECT_EQ(UnevenLines(font), std::vector<qreal>{}) << font.toString().toStdString();
  EXPECT_TRUE(HasOneAdvance(font, ReportCharacters()));
  for (const QString& line : kReportLines)
    for (const QChar c : line) EXPECT_TRUE(ReportCharacters().contains(c)) << QString(c).toStdString();

  // The same font with wider blanks (word spacing, which widens the blank alone) sets the columns apart:
  // it is measured as uneven and passed over, whatever its place among the candidates.
  QFont wideBlanks = font;
  wideBlanks.setWordSpacing(QFontMetricsF(font).horizontalAdvance('0'));
  ASSERT_NE(UnevenLines(wideBlanks), std::vector<qreal>{});
  EXPECT_FALSE(HasOneAdvance(wideBlanks, ReportCharacters()));
  EXPECT_TRUE(HasOneAdvance(wideBlanks, "0123456789ЖЩж"));
  EXPECT_EQ(FirstFontOfOneAdvance({wideBlanks, font}, ReportCharacters()).wordSpacing(), 0);
  EXPECT_EQ(FirstFontOfOneAdvance({font, wideBlanks}, ReportCharacters()).wordSpacing(), 0);
  // None even: the first is kept rather than none.
  QFont wider = wideBlanks;
  wider.setWordSpacing(2 * wideBlanks.wordSpacing());
  EXPECT_EQ(FirstFontOfOneAdvance({wideBlanks, wider}, ReportCharacters()).wordSpacing(), wideBlanks.wordSpacing());
}

}  // namespace
}  // namespace ld::gui
