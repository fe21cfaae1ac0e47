#include <gtest/gtest.h>
#include <zip.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/codepage.h"

#include "core/base/error.h"
#include "core/base/import_number.h"
#include "core/office/docx.h"
#include "core/office/number_formats.h"
#include "core/office/sheet_raw_cells.h"
#include "core/office/workbook.h"
#include "core/office/xlsx_file.h"
#include "support/full_disk.h"
#include "support/test_env.h"
#include "support/zip_builder.h"

namespace {

using ld::CellKind;

TEST(Workbook, SerialDaysMatchTheSpreadsheetCalendar) {
  EXPECT_EQ(ld::DateSerial(2024, 1, 1), 45292);
  EXPECT_EQ(ld::DateSerial(2024, 2, 29), 45351);
  EXPECT_EQ(ld::DateSerial(1900, 3, 1), 61);
  EXPECT_DOUBLE_EQ(ld::DateSerial(2024, 1, 1, 18, 0, 0), 45292.75);
  EXPECT_EQ(ld::DateSerialText(45351), "29.02.2024");
  EXPECT_EQ(ld::DateSerialText(45292.75), "01.01.2024 18:00:00");
  // half a second before midnight rounds into the next day, not to "24:00:00"
  EXPECT_EQ(ld::DateSerialText(45292 + (86400 - 0.4) / 86400), "02.01.2024");
  EXPECT_EQ(ld::DateSerialText(1e300), "1E300");  // no calendar day: the number
  EXPECT_EQ(ld::DateSerialText(-2.5), "-2.5");
}

// Which formats show dates: date and time letters count only outside quoted texts, escaped characters
// and bracketed parts; the built-in date formats by their numbers; the serial days a calendar can show;
// the texts of the formats that give a number its meaning.
TEST(NumberFormats, DateFormatsAndTheirSerialDays) {
  struct Code {
    const char* code;
    bool date;
  };
  for (const Code& c : {Code{"yyyy-mm-dd", true}, Code{"[$-419]d mmm yyyy", true}, Code{"[h]:mm", true},
                        Code{"General", false}, Code{"0.00", false}, Code{"[$-419]0.00", false},
                        Code{"0.00_);[Red](0.00)", false}, Code{"\"Дата: \"0", false}, Code{"0\\h", false},
                        Code{"*d0", false}, Code{"_m0", false}})
    EXPECT_EQ(ld::office::IsDateFormatCode(c.code), c.date) << c.code;
  std::string dates;
  for (int id = 0; id <= 60; ++id) dates += ld::office::IsBuiltinDateFormat(id) ? '+' : '.';
  EXPECT_EQ(dates, "..............+++++++++....++++++++++........+++..+++++++++..");
  // The formats whose text is the value: zeros padding a number or texts around it, a duration counted in
  // hours however many, a time of day (past the last midnight, as a sum of times shows it); any other date
  // format shows a day, any other number format the number
  struct Shown {
    const char* code;
    double value;
    const char* text;  // nullptr: the format gives no text of its own
  };
  for (const Shown& c : {Shown{"000000000000000", 11070123456789, "011070123456789"}, Shown{"00000", -42, "-00042"},
                         Shown{"00000", 42.5, "00043"}, Shown{"00", 1234, "1234"}, Shown{"00;[Red]-00", 7, "07"},
                         Shown{"[h]:mm", 36.5 / 24, "36:30"}, Shown{"[hh]:mm:ss", 1, "24:00:00"},
                         Shown{"[h]:mm", -1.5 / 24, "-1:30"}, Shown{"[mm]:ss", 1.5 / 24, "90:00"},
                         Shown{"[$-419][h]:mm", (36.5 * 3600 - 0.4) / 86400, "36:30"},
                         Shown{"[h]\\ч mm\\м", 2.25, "54ч 00м"}, Shown{"hh:mm", 1.5208333333333333, "12:30"},
                         Shown{"h:mm", -0.25, "18:00"}, Shown{"hh:mm:ss", 0.9999999, "23:59:59"},
                         Shown{"hh:mm", (12.5 * 3600 - 0.4) / 86400, "12:29"}, Shown{"hh:mm", 12.5 / 24, "12:30"},
                         Shown{"mm:ss", 0.5, "00:00"}, Shown{"mm", 0.5, "12"},
                         Shown{"\"Д-\"0000", 77, "Д-0077"}, Shown{"\"Д-\"0000", -77.6, "-Д-0078"},
                         Shown{"\"Д-\"0000;\"М-\"0000", -77, "М-0077"}, Shown{"\"Д-\"0", 77, "Д-77"},
                         Shown{"0000\" кВт\"", 12345, "12345 кВт"}, Shown{"\\№00000", 42, "№00042"},
                         Shown{"00-00", 123456, "1234-56"}, Shown{"[Red]\"Д-\"0000", 7, "Д-0007"},
                         Shown{"[$₽-419]0000", 7, "₽0007"}, Shown{"\"Д-\"0.00", 7, "Д-7.00"},
                         Shown{"[h]:mm AM/PM", 1.5, nullptr}, Shown{"[h]:mm:ss.00", 1.5, "36:00:00.00"},
                         // a prefix before any number (LibreOffice shows "-Д-77" and "Д-" for 0 under "Д-"#),
                         // tenths of a second, a language before zeros
                         Shown{"\"Д-\"#", 77, "Д-77"}, Shown{"\"Д-\"#", 77.5, "Д-78"}, Shown{"\"Д-\"#", -77, "-Д-77"},
                         Shown{"\"Д-\"#", 0, "Д-"}, Shown{"\"Д-\"General", 77, "Д-77"},
                         Shown{"\"Д-\"General", 1234.5, "Д-1234.5"}, Shown{"\"Д-\"#0000", 77, "Д-0077"},
                         Shown{"\"Д-\"##0000", 1234567, "Д-1234567"}, Shown{"#\" шт\"", 5, "5 шт"},
                         Shown{"General\" шт\"", 5, "5 шт"}, Shown{"#", 5, nullptr}, Shown{"#0000", 77, "0077"},
                         Shown{"[$-419]000000", 77, "000077"}, Shown{"[$-419]000000", 1234567, "1234567"},
                         Shown{"[h]:mm:ss.0", (36 * 3600 + 30 * 60 + 15.5) / 86400, "36:30:15.5"},
                         Shown{"[h]:mm:ss.0", (36 * 3600 + 30 * 60 + 59.96) / 86400, "36:31:00.0"},
                         Shown{"hh:mm:ss.0", 1 + (12 * 3600 + 30 * 60 + 15.5) / 86400, "12:30:15.5"},
                         Shown{"[mm]:ss.000", 1.5 / 24 + 0.0126 / 86400, "90:00.013"},
                         Shown{"[h]:mm:ss.0000", 1.5, nullptr}, Shown{"[h]:mm.0", 1.5, nullptr},
                         // a number only dressed is itself; one shown with other digits is the text shown
                         Shown{"0", 5, "5"}, Shown{"0.00", 5, "5"}, Shown{"#,##0", 12345, "12345"},
                         Shown{"0.0#", 5.1, "5.1"}, Shown{"0.00", 2750 + 1.0 / 3, "2750.33"}, Shown{"0", 2750.333, "2750"},
                         Shown{"0.00", 2.675, "2.68"}, Shown{"0.00", -2750.333, "-2750.33"}, Shown{"0.0#", 5.123, "5.12"},
                         Shown{"#,##0", 12345.6, "12\u00A0346"}, Shown{"#,##0,", 1234567, "1\u00A0235"},
                         Shown{"0%", 0.5, "50%"}, Shown{"0.00%", 0.0125, "1.25%"}, Shown{"0.00E+00", 1234, "1.23E+03"},
                         Shown{"0.00E+00", 0.000123, "1.23E-04"}, Shown{"#,##0.00;(#,##0.00)", -1234.5, "(1\u00A0234.50)"},
                         Shown{"#,##0.00\\ [$₽-419]", 1234.567, "1\u00A0234.57 ₽"}, Shown{"[$-419]0.00", 2750.333, "2750.33"},
                         Shown{"0.##", 5.001, "5."}, Shown{"0%", 1e307, ""}, Shown{"General", 5, nullptr}, Shown{"dd.mm.yyyy", 45351, "29.02.2024"},
                         // a condition chooses the section (LibreOffice's texts): the first shows the minus
                         // unless it takes the numbers below zero, the others never; no section, no text
                         Shown{"[<1000]\"Д-\"000;\"Д-\"0", 77, "Д-077"}, Shown{"[<1000]\"Д-\"000;\"Д-\"0", 1234, "Д-1234"},
                         Shown{"[<1000]\"Д-\"000;\"Д-\"0", -5, "-Д-005"}, Shown{"[<1000]\"Д-\"000;\"Д-\"0", 999.6, "Д-1000"},
                         Shown{"[>=1000]0;\"№ \"0000", 805, "№ 0805"}, Shown{"[>=1000]0;\"№ \"0000", 1234, "1234"},
                         Shown{"[>=1000]0;\"№ \"0000", -5, "№ 0005"}, Shown{"[<0]\"n\"0;\"p\"0", -5, "n5"},
                         Shown{"[>10]0;\"x\"0;\"z\"0", -5, "x5"}, Shown{"[>10]0;\"x\"0;\"z\"0", 7, "z7"},
                         Shown{"[<-10]0;[<0]\"a\"00;\"b\"0", -1500, "-1500"}, Shown{"[<-10]0;[<0]\"a\"00;\"b\"0", -5, "a05"},
                         Shown{"[>=1000]0;[>=0]\"a\"00;\"b\"0", -5, "b5"}, Shown{"[Red][<1000]\"Д-\"000;[Blue]\"Д-\"0", 7, "Д-007"},
                         Shown{"[=5]0;\"x\"0", 5, "5"}, Shown{"[=5]0;\"x\"0", 6, "x6"}, Shown{"[<1000]0;[>2000]\"x\"0", 1500, ""},
                         // fractions: the whole part, the nearest fraction of as many digits, or over the
                         // denominator written; blanks where a whole number's fraction would stand
                         Shown{"# ?/?", 2750 + 1.0 / 3, "2750 1/3"}, Shown{"# ?/?", 77, "77    "}, Shown{"# ?/?", 0.5, " 1/2"},
                         Shown{"# ?/?", -2.25, "-2 1/4"}, Shown{"# ?/?", 12345.678, "12345 2/3"}, Shown{"# ?/?", 0, "0    "},
                         Shown{"# ?\?/?\?", 12345.678, "12345 40/59"}, Shown{"# ?\?/?\?", 2750 + 1.0 / 3, "2750  1/3 "},
                         Shown{"?/?", 2750 + 1.0 / 3, "8251/3"}, Shown{"?/?", 77, "77/1"}, Shown{"0 ?/?", 0.5, "0 1/2"},
                         Shown{"# ?/8", 2750 + 1.0 / 3, "2750 3/8"}, Shown{"# ?/8", 0.5, " 4/8"},
                         // a fraction that rounds to a whole one is that whole number; four-digit runs take
                         // the nearest fraction of them all; a written denominator past an int is shown over;
                         // digits a double no longer holds have no fraction (LibreOffice shows an error mark)
                         Shown{"?/?", 1, "1/1"}, Shown{"?/?", 0.97, "1/1"}, Shown{"# ?/?", 0.99, "1    "},
                         Shown{"# ?/?", 2.96, "3    "}, Shown{"# ???\?/???\?", 3.141592653589793, "3   16/113 "},
                         Shown{"# ?/2147483648", 0.5, " 1073741824/2147483648"}, Shown{"?/100", 1e300, ""},
                         Shown{"?/?", 3e19, ""}, Shown{"# ?/1234567890123456", 0.5, ""},
                         // numbers below 1, a rounding that carries into a new digit, a scale, a number of 16
                         // digits and more, all as the sheet shows them (LibreOffice's texts): 16 significant
                         // digits decide a half, of the decimals and of a whole number alike (a double a
                         // hair under the half typed or computed rounds up); past 2^53 a whole number is its
                         // 15 significant digits and zeros, and so is a text of more than 15 digits
                         Shown{"0.00", 0.25, "0.25"}, Shown{"0.000", 0.001, "0.001"}, Shown{"0.0%", 0.005, "0.5%"},
                         Shown{"0,", 500, "1"}, Shown{"0,", 400, "0"}, Shown{"0.00", 9.995, "10.00"}, Shown{"0.0", 99.95, "100.0"},
                         Shown{"0.00", 0.005, "0.01"}, Shown{"0.0000", 0.0001, "0.0001"},
                         Shown{"00", 2.4999999999999996, "03"}, Shown{"0", 2.4999999999999996, "3"}, Shown{"0", 4.35 * 100 / 2, "218"},
                         Shown{"0.0", 0.24999999999999997, "0.3"}, Shown{"0", 2.499999999999999, "2"}, Shown{"0", -2.4999999999999996, "-3"},
                         Shown{"0.0000000000000000", 1.0 / 3, "0.333333333333333"},
                         Shown{"\"Д-\"0000", 2.4999999999999996, "Д-0003"}, Shown{"\"Д-\"0000", 0.4999999999999997, "Д-0000"},
                         Shown{"0", 0.9999999999999999, "1"}, Shown{"0.00", 1.005, "1.01"}, Shown{"0.0", 1.45, "1.5"},
                         Shown{"0", 123456789012345.5, "123456789012346"}, Shown{"0", 12345678901234500000.0, "12345678901234500000"},
                         Shown{"0", 12345678901234567890.0, "12345678901234600000"}, Shown{"0", 9007199254740992, "9007199254740990"},
                         Shown{"0", 4503599627370495.5, "4503599627370500"}, Shown{"0.00", 1e17, "100000000000000000"},
                         Shown{"00000000000000000000", 123456789012345678.0, "00123456789012346000"},
                         Shown{"\"Д-\"0000", 98765432109876543210.0, "Д-98765432109876500000"},
                         Shown{"# ?/?", 1e15, ""}, Shown{"# ?/8", 5e15 + 0.5, ""},
                         Shown{"0", 1234567890123456, "1234567890123456"},
                         Shown{"#,##0", 1234567890123456, "1234567890123456"}, Shown{"0", -1e20, "-100000000000000000000"},
                         Shown{"0.00E+00", 123456789012, "1.23E+11"},
                         // a section left empty shows nothing, one of texts alone its texts
                         Shown{"0.0;;", 8.17, "8.2"}, Shown{"0.0;;", 0, ""}, Shown{"0.0;;", -8.17, ""}, Shown{"0%;;", 0.5, "50%"},
                         Shown{"#,##0.00;-#,##0.00;\"-\"", 0, "-"}, Shown{"#,##0.00;-#,##0.00;\"-\"", -1234.5, "-1\u00A0234.50"},
                         Shown{"0;-0;;@", 0, ""}, Shown{"00;;", 7, "07"}, Shown{"00;;", -7, ""},
                         // a condition that holds at its limit, a first section for the numbers up to zero
                         // that shows no minus
                         Shown{"[<=100]0;\"свыше 100\"", 100, "100"}, Shown{"[<=100]0;\"свыше 100\"", 100.5, "свыше 100"},
                         Shown{"[<=0]\"n\"0;\"p\"0", -5, "n5"}, Shown{"[>=100]0;\"до 100\"", 100, "100"},
                         // a day as a Russian spreadsheet shows it: '/' the date separator, months named in
                         // the genitive after a day, a time rounding the moment to its second; a code of
                         // what is not shown so leaves the day whole
                         Shown{"DD.MM", 46327, "01.11"}, Shown{"D.M.YY", 46327.75, "1.11.26"}, Shown{"MM.YYYY", 46327, "11.2026"},
                         Shown{"DD/MM/YYYY", 46327, "01.11.2026"}, Shown{"YYYY-MM-DD HH:MM", 46327.75, "2026-11-01 18:00"},
                         Shown{"[$-419]D MMMM YYYY", 46327, "1 ноября 2026"}, Shown{"MMMM YYYY", 46081.5, "Февраль 2026"},
                         Shown{"MMM YY", 46327, "ноя 26"}, Shown{"DD MMMMM", 45292, "01 я"}, Shown{"DD\"г.\"MM", 61, "01г.03"},
                         Shown{"DD.MM.YY HH:MM:SS", 46327.9999999, "02.11.26 00:00:00"}, Shown{"D/M/YYYY", 46327.9999999, "1.11.2026"},
                         Shown{"DD.MM.YYYY H:MM", 46327.75, "01.11.2026 18:00"}, Shown{"DD.MM;@", 46327, "01.11"},
                         Shown{"dddd\\,\\ dd\\ mmmm", 45292, "понедельник, 01 января"},
                         Shown{"[$-F800]dddd\\,\\ mmmm\\ dd\\,\\ yyyy", 45292, nullptr},
                         Shown{"[$-409]MMM YY", 46327, nullptr}, Shown{"[$-FC19]mmmm yyyy", 46327, "Ноябрь 2026"},
                         Shown{"[$-419]MMMM YYYY;@", 46327, "Ноябрь 2026"}, Shown{"DD MMMM YYYY", 46336, "10 ноября 2026"},
                         // hours of a half of the day; the system's time is the system's whatever the code
                         // says, a Russian one of the whole day's hours
                         Shown{"h:mm AM/PM", 0.3541666666666667, "8:30 AM"}, Shown{"hh:mm:ss am/pm", 0.5, "12:00:00 PM"},
                         Shown{"h:mm AM/PM", 1 + 0.5 / 24, "12:30 AM"}, Shown{"DD.MM.YYYY h:mm AM/PM", 46327.75, "01.11.2026 6:00 PM"},
                         Shown{"[$-F400]h:mm:ss AM/PM", 0.8541666666666667, "20:30:00"},
                         Shown{"[$-F400]h:mm", 0.3541666666666667, "08:30:00"},
                         Shown{"ddd DD.MM", 46327, nullptr}}) {
    const ld::office::TNumberFormat format = ld::office::NumberFormatOf(164, c.code);
    const bool gives = format.show == ld::office::TNumberShow::Padded || format.show == ld::office::TNumberShow::Duration ||
                       format.show == ld::office::TNumberShow::Clock ||
                       (format.show == ld::office::TNumberShow::Date && !format.code.empty());
    EXPECT_EQ(gives, c.text != nullptr) << c.code;
    EXPECT_EQ(ld::office::ShownNumberText(format, c.value), c.text ? c.text : "") << c.code;
  }
  // a whole number whose digits the shown text does not all give (past 2^53 with other digits than the
  // 15 shown) is no name of the cell
  for (const auto& [value, drops] : {std::pair{12345678901234500000.0, false}, std::pair{12345678901234567890.0, true},
                                     std::pair{9007199254740992.0, true}, std::pair{1234567890123456.0, false}}) {
    bool cut = !drops;
    ld::office::ShownNumberText(ld::office::NumberFormatOf(164, "0"), value, &cut);
    EXPECT_EQ(cut, drops) << value;
  }
  // a run of four digits shows the fraction nearest of all those below 10000, the smallest denominator of
  // equally near ones, as trying each of them finds it
  const ld::office::TNumberFormat fourDigits = ld::office::NumberFormatOf(164, "0 ???\?/???\?");
  for (int k = 1; k < 400; ++k) {
    const double x = k * 0.0123456789 + k * k * 1e-7, part = x - std::floor(x);
    long long num = 0, den = 1;
    double best = HUGE_VAL;
    for (long long d = 1; d < 10000; ++d) {
      const double n = std::round(part * static_cast<double>(d));
      if (const double error = std::fabs(part - n / static_cast<double>(d)); error < best) {
        best = error;
        num = static_cast<long long>(n);
        den = d;
      }
    }
    if (num == 0 || num == den) continue;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%d %4lld/%-4lld", static_cast<int>(std::floor(x)), num, den);
    EXPECT_EQ(ld::office::ShownNumberText(fourDigits, x), expected) << x;
  }
  EXPECT_EQ(ld::office::ShownNumberText(ld::office::BuiltinNumberFormat(46), 1.5), "36:00:00");
  EXPECT_EQ(ld::office::ShownNumberText(ld::office::BuiltinNumberFormat(12), 2750 + 1.0 / 3), "2750 1/3");
  // the built-in days as LibreOffice shows them to a Russian user
  std::vector<std::string> days;
  for (const int id : {14, 15, 16, 17, 18, 19, 22}) days.push_back(ld::office::ShownNumberText(ld::office::BuiltinNumberFormat(id), 46327.75));
  EXPECT_EQ(days, (std::vector<std::string>{"01.11.2026", "01.ноя.26", "01.ноя", "ноя.26", "6:00 PM", "6:00:00 PM", "01.11.2026 18:00"}));
  EXPECT_EQ(ld::office::ShownNumberText(ld::office::BuiltinNumberFormat(13), 0.75), "  3/4 ");
  EXPECT_EQ(ld::office::ShownNumberText(ld::office::BuiltinNumberFormat(20), 1.5208333333333333), "12:30");
  EXPECT_EQ(ld::office::ShownNumberText(ld::office::BuiltinNumberFormat(47), 1 + (12 * 3600 + 30 * 60 + 15.5) / 86400),
            "30:15.5");
  // a text under a format that sets it among texts of its own ("Д-"@, the fourth section); '@' alone, a
  // format of numbers and a section of a number show it as it is
  struct Text {
    const char* code;
    const char* shown;
  };
  for (const Text& c : {Text{"\"Д-\"@", "Д-0077"}, Text{"0;-0;0;\"№ \"@", "№ 0077"}, Text{"@\" кВт\"", "0077 кВт"},
                        Text{"[$-419]\"Д-\"@", "Д-0077"}, Text{"\\Д\\-@", "Д-0077"}, Text{"@", "0077"},
                        Text{"\"Д-\"0000", "0077"}, Text{"General", "0077"}, Text{"0;\"Д-\"@", "0077"}})
    EXPECT_EQ(ld::office::ShownTextOf(ld::office::NumberFormatOf(164, c.code), "0077"), c.shown) << c.code;
  // a time or duration past 10^11 days, and what is no finite number, has no text under its format
  for (const double beyond : {1e11, -1e11, std::nan(""), HUGE_VAL})
    for (const char* code : {"[h]:mm", "hh:mm", "000"})
      EXPECT_EQ(ld::office::ShowsNumber(ld::office::NumberFormatOf(164, code), beyond), code[0] == '0' && std::isfinite(beyond))
          << code << " " << beyond;
  // a code no program writes is refused by its number; 255 characters, Cyrillic ones too, are kept
  std::string letters;
  for (int i = 0; i < 133; ++i) letters += "Д";
  EXPECT_EQ(ld::office::FormatCodeFault(164, std::string(120, '0') + "\"" + letters + "\""), "");
  EXPECT_EQ(ld::office::FormatCodeFault(170, std::string(256, '0')),
            "формат чисел 170 длиннее 255 символов, а табличные программы не пишут таких");
  EXPECT_EQ((std::vector<bool>{ld::office::IsDateSerialInRange(-0.5), ld::office::IsDateSerialInRange(0),
                               ld::office::IsDateSerialInRange(2958465.99), ld::office::IsDateSerialInRange(2958466)}),
            (std::vector<bool>{false, true, true, false}));
}

TEST(Xlsx, WrittenWorkbookReadsBackCellByCell) {
  ld::test::TempDir dir;
  ld::Workbook book;
  book.sheets.emplace_back("Узлы");
  ld::Worksheet& s = book.sheets.back();
  s.SetText(1, 1, "№ п/п");
  s.SetBold(1, 1);
  s.SetText(1, 2, "Наименование \"ТП-1\" <&>");
  s.SetNumber(2, 1, 1);
  s.SetNumber(2, 2, -1234567.125);
  s.SetNumber(3, 2, 1e-7);
  s.SetDate(4, 1, ld::DateSerial(2023, 12, 31));
  s.SetDate(4, 2, ld::DateSerial(2023, 12, 31, 7, 30, 15));
  s.SetText(30, 40, "далеко");
  s.SetText(5, 1, "Магазин_x0041_");  // as written, not the "A" a reader takes an escape for
  book.sheets.emplace_back("");  // gets a default name
  book.sheets.emplace_back("Формат РЭС (вводы п/ст) [все]: итог");

  const std::string path = dir / "out.xlsx";
  ld::WriteXlsx(path, book);
  const auto back = ld::ReadWorkbook(path);
  ASSERT_EQ(back.sheets.size(), 3u);
  EXPECT_EQ(back.sheets[0].Name(), "Узлы");
  EXPECT_EQ(back.sheets[1].Name(), "Лист2");
  EXPECT_EQ(back.sheets[2].Name(), "Формат РЭС (вводы п_ст) _все__ ");  // 31 characters
  const ld::office::TRawSheet& r = back.sheets[0];
  EXPECT_EQ(r.Cell(1, 1).text, "№ п/п");
  EXPECT_EQ(r.Cell(1, 2).text, "Наименование \"ТП-1\" <&>");
  EXPECT_EQ(r.Cell(2, 2).kind, CellKind::Number);
  EXPECT_EQ(r.Cell(2, 2).number, -1234567.125);
  EXPECT_EQ(r.Cell(3, 2).number, 1e-7);
  EXPECT_EQ(r.Cell(4, 1).kind, CellKind::Date);
  EXPECT_EQ(r.CellText(4, 1), "31.12.2023");
  EXPECT_EQ(r.CellText(4, 2), "31.12.2023 07:30:15");
  EXPECT_EQ(r.CellText(30, 40), "далеко");
  EXPECT_EQ(r.CellText(5, 1), "Магазин_x0041_");
  EXPECT_EQ(r.LastRow(), 30);
  EXPECT_EQ(r.LastCol(), 40);
  EXPECT_TRUE(r.IsEmpty(3, 1));
}

// A package put together part by part, as another spreadsheet program writes it.
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& parts) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(zip, nullptr);
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    ASSERT_NE(source, nullptr);
    ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(zip), 0);
}

const char* kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)";
const char* kRootRels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>)";

TEST(Xlsx, ReadsWorkbookOfAnotherProgram) {
  ld::test::TempDir dir;
  const std::string workbook = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<x:workbook xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<x:sheets><x:sheet name="Диаграмма" sheetId="3" r:id="rId9"/><x:sheet name="Замеры" sheetId="1" r:id="rId1"/><x:sheet name="Пусто" sheetId="2" r:id="rId2"/></x:sheets></x:workbook>)";
  const std::string rels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/data.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/empty.xml"/>
<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet" Target="chartsheets/c.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>
</Relationships>)";
  const std::string strings = R"(<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="4" uniqueCount="4">
<si><t>Фидер</t></si>
<si><r><rPr><b/></rPr><t xml:space="preserve">ТП </t></r><r><t>10/0,4</t></r><rPh sb="0" eb="1"><t>ignored</t></rPh></si>
<si><t>Дата</t></si>
<si><t>line_x000D_break &amp; more</t></si>
</sst>)";
  // cellStyleXfs comes first and must not shift the cell formats; 164 is a custom date, 2 a number.
  const std::string styles = R"(<?xml version="1.0" encoding="UTF-8"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<numFmts count="2"><numFmt numFmtId="164" formatCode="dd/mm/yyyy\ hh:mm"/><numFmt numFmtId="165" formatCode="&quot;day&quot;\ 0.00;[Red]\-0.00"/></numFmts>
<cellStyleXfs count="2"><xf numFmtId="14"/><xf numFmtId="14"/></cellStyleXfs>
<cellXfs count="5"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/><xf numFmtId="2"/><xf numFmtId="165"/></cellXfs>
</styleSheet>)";
  const std::string data = R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>2</v></c><c r="D1" t="inlineStr"><is><t>Ток, А</t></is></c></row>
<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2" s="1"><v>45351</v></c><c r="C2" s="2"><v>45351.5</v></c><c r="D2" s="3"><v>12.75</v></c></row>
<row r="3"><c t="s"><v>3</v></c><c><v>-3.5E-3</v></c><c t="b"><v>1</v></c><c s="4"><v>7</v></c><c t="str"><f>A1</f><v>Фидер</v></c></row>
<row r="5"><c r="A5" t="e"><v>#N/A</v></c><c r="B5" t="d"><v>2024-03-08T10:00:00</v></c></row>
</sheetData></worksheet>)";
  const std::string empty = R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>)";
  const std::string path = dir / "other.xlsx";
  WriteZip(path, {{"[Content_Types].xml", kContentTypes}, {"_rels/.rels", kRootRels},
                  {"xl/workbook.xml", workbook}, {"xl/_rels/workbook.xml.rels", rels},
                  {"xl/sharedStrings.xml", strings}, {"xl/styles.xml", styles},
                  {"xl/worksheets/data.xml", data}, {"xl/worksheets/empty.xml", empty}});

  const auto book = ld::ReadXlsx(path);
  ASSERT_EQ(book.sheets.size(), 2u);  // the chart sheet is no worksheet
  const ld::office::TRawSheet& s = book.sheets[0];
  EXPECT_EQ(s.Name(), "Замеры");
  EXPECT_EQ(book.sheets[1].Name(), "Пусто");
  EXPECT_EQ(book.sheets[1].LastRow(), 0);

  EXPECT_EQ(s.CellText(1, 1), "Фидер");
  EXPECT_EQ(s.CellText(1, 2), "Дата");
  EXPECT_TRUE(s.IsEmpty(1, 3));
  EXPECT_EQ(s.CellText(1, 4), "Ток, А");
  EXPECT_EQ(s.CellText(2, 1), "ТП 10/0,4");  // runs joined, phonetic text left out
  EXPECT_EQ(s.Cell(2, 2).kind, CellKind::Date);
  EXPECT_EQ(s.CellText(2, 2), "29.02.2024");
  EXPECT_EQ(s.CellText(2, 3), "29.02.2024 12:00:00");
  EXPECT_EQ(s.Cell(2, 4).kind, CellKind::Number);  // "0.00" is no date
  EXPECT_EQ(s.Cell(2, 4).number, 12.75);
  // cells without a reference follow one another along their row
  EXPECT_EQ(s.CellText(3, 1), "line\rbreak & more");
  EXPECT_EQ(s.Cell(3, 2).number, -0.0035);
  // a boolean is no number: whatever reads it is refused naming it, as an error value is
  try {
    s.CellText(3, 3);
    ADD_FAILURE() << "a boolean was read";
  } catch (const ld::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": лист \"Замеры\", ячейка C3: логическое значение \"ИСТИНА\"");
  }
  EXPECT_EQ(s.Cell(3, 4).kind, CellKind::Number);  // quoted "day" and [Red] hold no date letter
  EXPECT_EQ(s.CellText(3, 5), "Фидер");
  // an error value is no text of the cell: whatever reads it is refused naming it
  for (const auto& read : std::vector<std::function<void()>>{[&] { s.CellText(5, 1); }, [&] { s.IsEmpty(5, 1); }}) {
    try {
      read();
      ADD_FAILURE() << "an error value was read";
    } catch (const ld::Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": лист \"Замеры\", ячейка A5: значение ошибки \"#N/A\"");
    }
  }
  EXPECT_EQ(s.CellText(5, 2), "08.03.2024 10:00:00");
  EXPECT_EQ(s.LastRow(), 5);

  // one past the last of the four texts: the workbook is damaged, not the cell empty
  const std::string past = "<row r=\"7\"><c r=\"A7\" t=\"s\"><v>4</v></c></row></sheetData>";
  WriteZip(path, {{"[Content_Types].xml", kContentTypes}, {"_rels/.rels", kRootRels},
                  {"xl/workbook.xml", workbook}, {"xl/_rels/workbook.xml.rels", rels},
                  {"xl/sharedStrings.xml", strings}, {"xl/styles.xml", styles},
                  {"xl/worksheets/data.xml", data.substr(0, data.find("</sheetData>")) + past + "</worksheet>"},
                  {"xl/worksheets/empty.xml", empty}});
  try {
    ld::ReadXlsx(path);
    ADD_FAILURE() << "a text the workbook does not hold was read";
  } catch (const ld::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path +
                                         "\": лист \"Замеры\": ячейка A7 ссылается на строку \"4\", которой нет в таблице строк");
  }
}

// A one-sheet package without shared strings; the sheet part as given.
void WriteOneSheet(const std::string& path, const std::string& sheet, const std::string& styles = "") {
  const std::string workbook = R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" r:id="rId1"/></sheets></workbook>)";
  std::string rels = R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml"/>)";
  // a workbook may name a formats part that it does not hold
  rels += R"(<Relationship Id="rId2" Type="x/styles" Target="styles.xml"/></Relationships>)";
  std::vector<std::pair<std::string, std::string>> parts = {
      {"_rels/.rels", kRootRels}, {"xl/workbook.xml", workbook}, {"xl/_rels/workbook.xml.rels", rels},
      {"xl/sheet.xml", sheet}};
  if (!styles.empty()) parts.emplace_back("xl/styles.xml", styles);
  WriteZip(path, parts);
}

TEST(Xlsx, OddButSoundWorkbooksAreReadAndBrokenCellsRefused) {
  ld::test::TempDir dir;
  const std::string path = dir / "a.xlsx";
  // Windows-1251 declared under either of its names, no formats part: numbers stay numbers.
  ld::office::TRawBook book;
  for (const std::string encoding : {"windows-1251", "CP1251"}) {
    WriteOneSheet(path, ld::Utf8ToCp1251(R"(<?xml version="1.0" encoding=")" + encoding + R"("?><worksheet><sheetData>)"
                                         R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Подстанция №1</t></is></c>)"
                                         R"(<c r="B1"><v>45351</v></c></row></sheetData></worksheet>)"));
    book = ld::ReadWorkbook(path);
    ASSERT_EQ(book.sheets.size(), 1u) << encoding;
    EXPECT_EQ(book.sheets[0].CellText(1, 1), "Подстанция №1") << encoding;
    EXPECT_EQ(book.sheets[0].Cell(1, 2).kind, CellKind::Number);
  }

  // A date format on numbers that no calendar shows keeps them numbers.
  const std::string dates = R"(<styleSheet><cellXfs><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>)";
  WriteOneSheet(path,
                R"(<worksheet><sheetData><row r="1"><c r="A1" s="1"><v>1e300</v></c><c r="B1" s="1"><v>-5</v></c>)"
                R"(<c r="C1" s="1"><v>45351</v></c><c r="D1" t="d"><v>99999999999-01-01</v></c>)"
                R"(<c r="E1" t="d"><v>2024-02-29T25:00:00</v></c><c r="F1"><v>inf</v></c></row></sheetData></worksheet>)",
                dates);
  book = ld::ReadWorkbook(path);
  const ld::office::TRawSheet& s = book.sheets[0];
  EXPECT_EQ(s.Cell(1, 1).kind, CellKind::Number);
  EXPECT_EQ(s.Cell(1, 1).number, 1e300);
  EXPECT_EQ(s.CellText(1, 1), "1E300");
  EXPECT_EQ(s.Cell(1, 2).kind, CellKind::Number);
  EXPECT_EQ(s.CellText(1, 3), "29.02.2024");
  // a cell of the date type naming no day of the calendar is no text either: named by its cell
  std::vector<std::string> notDays;
  for (const auto& [at, why] : s.UnreadableCells())
    notDays.push_back(ld::SheetCellName(at.first, at.second) + ": " + std::string(why.second));
  EXPECT_EQ(notDays, (std::vector<std::string>{"D1: 99999999999-01-01", "E1: 2024-02-29T25:00:00"}));
  EXPECT_EQ(s.CellText(1, 6), "inf");

  // A cell's value is its own <v> or its inline text with its runs, in the sheet's namespace whatever the
  // prefix; an extension's elements in a cell, of another namespace or deeper down, are none of it.
  // Booleans are named by the value they name, in any letter case.
  WriteOneSheet(path, R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:x="urn:other")"
                      R"( xmlns:s="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1">)"
                      R"(<c r="A1"><v>800</v><extLst><ext uri="{0}"><x:v>0</x:v><v>0</v></ext></extLst></c>)"
                      R"(<c r="B1"><x:v>5</x:v></c>)"
                      R"(<c r="C1" t="inlineStr"><is><r><t>ТП-</t></r><r><t>9</t></r><rPh><t>тэ пэ</t></rPh><x:t>x</x:t></is></c>)"
                      R"(<c r="D1" t="b"><v>TRUE</v></c><c r="E1" t="b"><v>False</v></c><c r="F1" t="b"><v>1</v></c>)"
                      R"(<c r="G1" t="b"><v>0</v></c><c r="H1" t="b"><v>true</v></c>)"
                      R"(<x:c r="I1"><x:v>3</x:v></x:c><s:c r="J1"><s:v>4</s:v></s:c></row></sheetData></worksheet>)");
  book = ld::ReadWorkbook(path);
  const ld::office::TRawSheet& own = book.sheets.at(0);
  EXPECT_EQ(own.Cell(1, 1).number, 800);
  EXPECT_TRUE(own.IsEmpty(1, 2));
  EXPECT_EQ(own.CellText(1, 3), "ТП-9");
  std::vector<std::string> booleans;
  for (const auto& [at, why] : own.UnreadableCells())
    booleans.push_back(ld::SheetCellName(at.first, at.second) + ": " + ld::UnreadableCellReason(why.first, why.second));
  EXPECT_EQ(booleans, (std::vector<std::string>{"D1: логическое значение \"ИСТИНА\"", "E1: логическое значение \"ЛОЖЬ\"",
                                                "F1: логическое значение \"ИСТИНА\"", "G1: логическое значение \"ЛОЖЬ\"",
                                                "H1: логическое значение \"ИСТИНА\""}));
  EXPECT_TRUE(own.IsEmpty(1, 9));
  EXPECT_EQ(own.CellText(1, 10), "4");
  EXPECT_EQ(own.LastCol(), 10);

  const std::string prefix = "Ошибка чтения файла \"" + path + "\": лист \"Лист\": ";
  for (const auto& [cell, reason] : std::vector<std::pair<std::string, std::string>>{
           {R"(<c r="A0"><v>1</v></c>)", "неверная ссылка на ячейку \"A0\""},
           {R"(<c r="A-5"><v>1</v></c>)", "неверная ссылка на ячейку \"A-5\""},
           {R"(<c r="ZZZZZZ99999999999"><v>1</v></c>)", "неверная ссылка на ячейку \"ZZZZZZ99999999999\""},
           {R"(<c r="XFE1"><v>1</v></c>)", "неверная ссылка на ячейку \"XFE1\""},  // one column past the last
           {R"(<c r="A1048577"><v>1</v></c>)", "неверная ссылка на ячейку \"A1048577\""},
           {R"(</row><row r="1048577"><c><v>1</v></c>)", "неверный номер строки \"1048577\""},
           {R"(<c r="B2"><v>1e999999</v></c>)", "число \"1e999999\" в ячейке B2 вне допустимого диапазона"},
           // rows and cells without a reference do not run past the sheet's last row and column
           {R"(</row><row r="1048576"/><row><c><v>1</v></c>)", "строка за последней строкой листа (1048576)"},
           {[] {
              std::string cells;
              for (int c = 0; c <= 16384; ++c) cells += "<c><v>1</v></c>";
              return cells;
            }(),
            "ячейка строки 1 за последним столбцом листа (XFD)"},
           // a text the workbook does not hold (this one has no table of texts at all)
           {R"(<c r="C3" t="s"><v>0</v></c>)", "ячейка C3 ссылается на строку \"0\", которой нет в таблице строк"},
           {R"(<c r="D4" t="s"><v>x</v></c>)", "ячейка D4 ссылается на строку \"x\", которой нет в таблице строк"},
           // two values are never glued into one: neither 1500.57 nor "ТП-9"
           {R"(<c r="E5"><v>1500.5</v><v>7</v></c>)", "ячейка E5 содержит больше одного значения"},
           {R"(<c r="F6" t="inlineStr"><is><t>ТП-</t></is><v>9</v></c>)", "ячейка F6 содержит больше одного значения"},
           {R"(<c r="G7" t="b"><v>да</v></c>)", "неверное логическое значение \"да\" в ячейке G7"}}) {
    WriteOneSheet(path, "<worksheet><sheetData><row>" + cell + "</row></sheetData></worksheet>");
    try {
      ld::ReadWorkbook(path);
      ADD_FAILURE() << cell << " was read";
    } catch (const ld::Error& e) {
      EXPECT_EQ(std::string(e.what()), prefix + reason);
    }
  }
}

// The program computes no formula, and each formula cell tells for itself what it holds: its result, the
// empty text where its text result is stored empty, and otherwise nothing, named by its cell as an error
// value is, whatever the sheet's other formulas hold (a shared formula's other cells, an array formula, a
// text formula without its value). A book that asks to be calculated when it is opened holds placeholders
// (XlsxWriter's 0), which no formula cell gives.
TEST(Xlsx, AFormulaWithoutItsResultIsUnreadableCellByCell) {
  ld::test::TempDir dir;
  const std::string path = dir / "замеры.xlsx";
  const auto sheet = [](const std::string& cells) { return "<worksheet><sheetData><row r=\"2\">" + cells + "</row></sheetData></worksheet>"; };
  const auto write = [&](const std::string& calculation) {
    WriteZip(path, {{"_rels/.rels", kRootRels},
                    {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Вводы" r:id="rId1"/><sheet name="Фидеры" r:id="rId2"/></sheets>)" +
                                            calculation + "</workbook>"},
                    {"xl/_rels/workbook.xml.rels", R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="s1.xml"/>)"
                                                   R"(<Relationship Id="rId2" Type="x/worksheet" Target="s2.xml"/></Relationships>)"},
                    // the formulas without a result stand before and after the ones with their results
                    {"xl/s1.xml", sheet(R"(<c r="A2"><f>IF(B2=0,"",1)</f></c><c r="B2"><f>1825000+200</f><v>1825200</v></c>)"
                                        R"(<c r="C2"><f t="shared" si="0"/><v></v></c><c r="D2" t="str"><f>IF(1,"",1)</f><v></v></c>)"
                                        R"(<c r="E2" t="str"><f>C1</f></c><c r="F2"><f t="array" ref="F2:G2">B2:C2</f></c>)")},
                    {"xl/s2.xml", sheet(R"(<c r="A2"><f>2750.25*2</f><v></v></c><c r="B2"><f t="shared" si="0"/></c>)"
                                        R"(<c r="C2" t="e"><v>#REF!</v></c><c r="D2"><v>5</v></c>)")}});
  };
  const std::string formula = "формула без вычисленного значения: откройте книгу в табличной программе, пересчитайте ее (в LibreOffice "
      "\"Данные → Содержимое ячейки → Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
  const auto read = [&](const ld::office::TRawBook& book, int sheet, int cols) {
    std::vector<std::string> cells;
    for (int col = 1; col <= cols; ++col) {
      try {
        cells.push_back(book.sheets.at(static_cast<std::size_t>(sheet)).CellText(2, col));
      } catch (const ld::Error& e) {
        const std::string what = e.what();
        cells.push_back(what.substr(what.find("ячейка")));
      }
    }
    return cells;
  };
  write("");
  auto book = ld::ReadWorkbook(path);
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(read(book, 0, 6), (std::vector<std::string>{"ячейка A2: " + formula, "1825200", "ячейка C2: " + formula, "",
                                                        "ячейка E2: " + formula, "ячейка F2: " + formula}));
  EXPECT_EQ(read(book, 1, 4), (std::vector<std::string>{"ячейка A2: " + formula, "ячейка B2: " + formula,
                                                        "ячейка C2: значение ошибки \"#REF!\"", "5"}));
  const ld::office::TRawSheet& feeders = book.sheets[1];
  EXPECT_EQ(feeders.LastCol(), 4);
  EXPECT_EQ(feeders.UnreadableCells().size(), 3u);
  EXPECT_EQ(feeders.Cells().size(), 1u) << "an unreadable cell is none of the readable ones";
  // asked to be calculated on opening: the stored 1825200 and "" are placeholders, named as what they
  // are; typed values stay
  write(R"(<calcPr calcId="124519" fullCalcOnLoad="1"/>)");
  book = ld::ReadWorkbook(path);
  const std::string recalculate = "книга требует пересчитать формулы при открытии, и записанное в ней значение формулы "
                                  "может быть не тем, что покажет табличная программа: откройте книгу в табличной "
                                  "программе, пересчитайте ее (в LibreOffice \"Данные → Содержимое ячейки → "
                                  "Пересчитать безусловно\", Ctrl+Shift+F9) и сохраните";
  EXPECT_EQ(read(book, 0, 4), (std::vector<std::string>{"ячейка A2: " + formula, "ячейка B2: " + recalculate,
                                                        "ячейка C2: " + formula, "ячейка D2: " + recalculate}));
  EXPECT_EQ(read(book, 1, 4).back(), "5");
  write(R"(<calcPr fullCalcOnLoad="0"/>)");
  EXPECT_EQ(read(ld::ReadWorkbook(path), 0, 2).back(), "1825200");

  // gnumeric keeps no value of a formula that gives "": a "+" before a reference is its sign, no addition,
  // and gives "" as the reference does, so its sheet was calculated; an addition after it gives a number
  // only, and says the sheet was never calculated
  WriteZip(path, {{"_rels/.rels", R"(<Relationships><Relationship Id="rId1" Type="x/officeDocument" Target="xl/workbook.xml"/>)"
                                  R"(<Relationship Id="rId2" Type="x/extended-properties" Target="docProps/app.xml"/></Relationships>)"},
                  {"docProps/app.xml", R"(<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties">)"
                                       "<Application>gnumeric</Application></Properties>"},
                  {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Вводы" r:id="rId1"/><sheet name="Фидеры" r:id="rId2"/></sheets></workbook>)"},
                  {"xl/_rels/workbook.xml.rels", R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="s1.xml"/>)"
                                                 R"(<Relationship Id="rId2" Type="x/worksheet" Target="s2.xml"/></Relationships>)"},
                  {"xl/s1.xml", sheet(R"(<c r="A2"><f>+B2</f></c><c r="B2"><f>+ IF(C2="","",1)</f></c><c r="C2"><v>5</v></c>)")},
                  {"xl/s2.xml", sheet(R"(<c r="A2"><f>+B2</f></c><c r="B2"><f>+B1+1</f></c><c r="C2"><v>5</v></c>)")}});
  book = ld::ReadWorkbook(path);
  EXPECT_EQ(read(book, 0, 3), (std::vector<std::string>{"", "", "5"}));
  EXPECT_EQ(read(book, 1, 3), (std::vector<std::string>{"ячейка A2: " + formula, "ячейка B2: " + formula, "5"}));
}

// The C library's numbers follow the Russian locale (a decimal comma) while the object lives, as in the
// program under the users' locale. Where the system has not installed it, it is made for the test alone
// in `scratch`; Taken() is false when that cannot be done either.
class RussianNumbers {
public:
  explicit RussianNumbers(const std::filesystem::path& scratch) {
    const char* kRussian = "ru_RU.UTF-8";
    if (std::setlocale(LC_NUMERIC, kRussian) != nullptr) return;
    const std::string made = (scratch / "locales").string();
    std::filesystem::create_directory(made);
    const std::string command = "localedef -i ru_RU -f UTF-8 '" + made + "/" + kRussian + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
      taken_ = false;
      return;
    }
    ::setenv("LOCPATH", made.c_str(), 1);
    taken_ = std::setlocale(LC_NUMERIC, kRussian) != nullptr;
    ::unsetenv("LOCPATH");
  }
  ~RussianNumbers() { std::setlocale(LC_NUMERIC, kept_.c_str()); }
  RussianNumbers(const RussianNumbers&) = delete;
  RussianNumbers& operator=(const RussianNumbers&) = delete;
  bool Taken() const { return taken_; }

private:
  std::string kept_ = std::setlocale(LC_NUMERIC, nullptr);
  bool taken_ = true;
};

// A sheet's part is the one its own relationship names: by an Id that no other relationship of the part
// has, referred to by the sheet's "r:id" (never an unprefixed "id"), among the workbook's own <sheets>.
// Anything else would read one sheet's stations and energies as another's, or skip a sheet unseen.
TEST(Xlsx, SheetsAreReadFromTheirOwnRelationshipOrTheBookIsRefused) {
  ld::test::TempDir dir;
  const std::string path = dir / "абоненты.xlsx";
  const std::string sheets = R"(<sheets><sheet name="Лист1" id="rId2" r:id="rId1"/><sheet name="Лист2" r:id="rId2"/></sheets>)";
  const std::string book = R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")"
                           R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:x="urn:other">)";
  const std::string rel1 = R"(<Relationship Id="rId1" Type="x/worksheet" Target="s1.xml"/>)";
  const std::string rel2 = R"(<Relationship Id="rId2" Type="x/worksheet" Target="s2.xml"/>)";
  const auto write = [&](const std::string& workbook, const std::string& rels, const std::string& rootRels = kRootRels) {
    WriteZip(path, {{"_rels/.rels", rootRels},
                    {"xl/workbook.xml", workbook},
                    {"xl/_rels/workbook.xml.rels", "<Relationships>" + rels + "</Relationships>"},
                    {"xl/s1.xml", R"(<worksheet><sheetData><row><c t="inlineStr"><is><t>ТП-1</t></is></c><c><v>100</v></c></row></sheetData></worksheet>)"},
                    {"xl/s2.xml", R"(<worksheet><sheetData><row><c t="inlineStr"><is><t>ТП-2</t></is></c><c><v>200</v></c></row></sheetData></worksheet>)"}});
  };
  const auto stations = [&] {
    std::vector<std::string> read;
    for (const ld::office::TRawSheet& sheet : ld::ReadWorkbook(path).sheets)
      read.push_back(sheet.Name() + ":" + sheet.CellText(1, 1) + ":" + sheet.CellText(1, 2));
    return read;
  };
  const std::vector<std::string> sound = {"Лист1:ТП-1:100", "Лист2:ТП-2:200"};
  // the unprefixed "id" is no reference; a sheet of another namespace before the book's own is none of it
  write(book + sheets + "</workbook>", rel1 + rel2);
  EXPECT_EQ(stations(), sound);
  write(book + R"(<x:sheet name="Чужой" r:id="rId2"/>)" + sheets + "</workbook>", rel1 + rel2);
  EXPECT_EQ(stations(), sound);

  const std::string prefix = "Ошибка чтения файла \"" + path + "\": файл поврежден (";
  const std::string twice = prefix + "часть \"xl/_rels/workbook.xml.rels\": две связи с Id \"rId1\")";
  for (const auto& [workbook, rels, rootRels, reason] : std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
           // a second relationship of the first sheet's Id: the second sheet as the first, or the first a chart
           {book + sheets + "</workbook>", rel1 + rel2 + R"(<Relationship Id="rId1" Type="x/worksheet" Target="s2.xml"/>)",
            kRootRels, twice},
           {book + sheets + "</workbook>", rel1 + rel2 + R"(<Relationship Id="rId1" Type="x/chartsheet" Target="c.xml"/>)",
            kRootRels, twice},
           // a relationship without an Id, which a sheet without its reference would have matched
           {book + R"(<sheets><sheet name="Лист1" r:id="rId1"/></sheets></workbook>)",
            rel1 + R"(<Relationship Type="x/worksheet" Target="s2.xml"/>)", kRootRels,
            prefix + "часть \"xl/_rels/workbook.xml.rels\": у связи 2 нет Id)"},
           {book + R"(<sheets><sheet name="Лист1" id="rId1"/><sheet name="Лист2" r:id="rId2"/></sheets></workbook>)",
            rel1 + rel2, kRootRels,
            prefix + "часть \"xl/workbook.xml\": у листа \"Лист1\" нет ссылки на его связь (r:id))"},
           // the package's own relationships are damaged as much, not a reason to guess the book's part
           {book + sheets + "</workbook>", rel1 + rel2,
            R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/>)"
            R"(<Relationship Id="rId1" Type="a/officeDocument" Target="xl/other.xml"/></Relationships>)",
            prefix + "часть \"_rels/.rels\": две связи с Id \"rId1\")"},
           // a part of a role that comes once, related twice: which one is meant is untold (by the order of
           // their Ids "rId10" would come before "rId2")
           {book + sheets + "</workbook>",
            rel1 + rel2 + R"(<Relationship Id="rId2x" Type="x/sharedStrings" Target="s1.xml"/><Relationship Id="rId10" Type="x/sharedStrings" Target="s2.xml"/>)",
            kRootRels, prefix + "часть \"xl/_rels/workbook.xml.rels\": две связи \"sharedStrings\": \"rId10\" и \"rId2x\")"},
           {book + sheets + "</workbook>",
            rel1 + rel2 + R"(<Relationship Id="rId3" Type="x/styles" Target="a.xml"/><Relationship Id="rId4" Type="x/styles" Target="b.xml"/>)",
            kRootRels, prefix + "часть \"xl/_rels/workbook.xml.rels\": две связи \"styles\": \"rId3\" и \"rId4\")"},
           {book + sheets + "</workbook>", rel1 + rel2,
            R"(<Relationships><Relationship Id="rId10" Type="a/officeDocument" Target="xl/other.xml"/>)"
            R"(<Relationship Id="rId2" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)",
            prefix + "часть \"_rels/.rels\": две связи \"officeDocument\": \"rId10\" и \"rId2\")"},
           // a target outside the package is never read as a part of it
           {book + sheets + "</workbook>", rel1 + R"(<Relationship Id="rId2" Type="x/worksheet" Target="s1.xml" TargetMode="External"/>)",
            kRootRels, prefix + "часть \"xl/_rels/workbook.xml.rels\": связь \"rId2\" ведет за пределы файла (\"s1.xml\"))"},
           {book + sheets + "</workbook>", rel1 + rel2,
            R"(<Relationships><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml" TargetMode="External"/></Relationships>)",
            prefix + "часть \"_rels/.rels\": связь \"rId1\" ведет за пределы файла (\"xl/workbook.xml\"))"},
           // relationships of another namespace, or one inside another
           {book + sheets + "</workbook>", rel1 + rel2,
            R"(<Relationships xmlns="urn:other"><Relationship Id="rId1" Type="a/officeDocument" Target="xl/workbook.xml"/></Relationships>)",
            prefix + "часть \"_rels/.rels\": корневой элемент \"Relationships\" в чужом пространстве имен \"urn:other\")"},
           {book + sheets + "</workbook>", R"(<Relationship Id="rId1" Type="x/worksheet" Target="s1.xml">)" + rel2 + "</Relationship>",
            kRootRels, prefix + "часть \"xl/_rels/workbook.xml.rels\": элемент \"Relationship\" внутри \"Relationship\", где его быть не может)"},
           // a second list of sheets, which would have been read for the first
           {book + R"(<sheets><sheet name="Лист2" r:id="rId2"/></sheets>)" + sheets + "</workbook>", rel1 + rel2, kRootRels,
            prefix + "часть \"xl/workbook.xml\": второй элемент \"sheets\" внутри \"workbook\")"},
           {book + R"(<sheets><sheets><sheet name="Лист2" r:id="rId2"/></sheets></sheets></workbook>)", rel1 + rel2, kRootRels,
            prefix + "часть \"xl/workbook.xml\": элемент \"sheets\" внутри \"sheets\", где его быть не может)"}}) {
    write(workbook, rels, rootRels);
    try {
      ld::ReadWorkbook(path);
      ADD_FAILURE() << rels << " was read";
    } catch (const ld::Error& e) {
      EXPECT_EQ(std::string(e.what()), reason);
    }
  }
}

// What an extension list holds, in a sheet, a row, the table of texts or the formats, is skipped whole,
// however its elements are named: rows and cells of the sheet's own namespace in it are no cells.
TEST(Xlsx, ExtensionListsAreSkippedWhole) {
  ld::test::TempDir dir;
  const std::string path = dir / "абоненты.xlsx";
  const std::string ns = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";
  const std::string ext = "<extLst><ext uri=\"{1}\">";
  WriteZip(path, {{"_rels/.rels", kRootRels},
                  {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Лист" r:id="rId1"/></sheets></workbook>)"},
                  {"xl/_rels/workbook.xml.rels",
                   R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet.xml"/>)"
                   R"(<Relationship Id="rId2" Type="x/sharedStrings" Target="strings.xml"/>)"
                   R"(<Relationship Id="rId3" Type="x/styles" Target="styles.xml"/></Relationships>)"},
                  {"xl/strings.xml", "<sst " + ns + "><si><t>ТП-12</t></si>" + ext + "<si><t>ТП-99</t></si></ext></extLst>" +
                                         "<si><t>ТП-14</t></si></sst>"},
                  {"xl/styles.xml", "<styleSheet " + ns + ">" + ext + R"(<cellXfs><xf numFmtId="14"/></cellXfs></ext></extLst>)" +
                                        R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>)"},
                  {"xl/sheet.xml", "<worksheet " + ns + R"(><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c>)" +
                                       R"(<c r="B1" s="0"><v>2750.25</v></c>)" + ext + R"(<c r="B1"><v>9</v></c></ext></extLst></row>)" +
                                       R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2" s="1"><v>45351</v></c></row></sheetData>)" +
                                       ext + R"(<row r="7"><c r="A7"><v>1</v></c></row></ext></extLst></worksheet>)"}});
  const auto book = ld::ReadWorkbook(path);
  const ld::office::TRawSheet& sheet = book.sheets.at(0);
  EXPECT_EQ((std::vector<std::string>{sheet.CellText(1, 1), sheet.CellText(1, 2), sheet.CellText(2, 1), sheet.CellText(2, 2)}),
            (std::vector<std::string>{"ТП-12", "2750.25", "ТП-14", "29.02.2024"}));
  EXPECT_EQ(sheet.Cell(1, 2).kind, CellKind::Number);
  EXPECT_EQ(sheet.LastRow(), 2);
}

// Each part is read by the structure its format gives it: a value stands only where the format puts it,
// each once. A household's 2750.25 kW·h is never replaced, moved, emptied or read as a date by what
// stands elsewhere: such a package is refused naming its part (or its sheet and cell), and what other
// namespaces hold is skipped whole, as an extension's is.
TEST(Xlsx, ValuesStandOnlyWhereTheFormatPutsThem) {
  ld::test::TempDir dir;
  const std::string path = dir / "абоненты.xlsx";
  const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string ns = "xmlns=\"" + main + "\" xmlns:x=\"urn:other\"";
  const std::string strings = "<sst " + ns + "><si><t>Лицевой счет</t></si><si><t>ТП-41</t></si></sst>";
  const std::string styles = "<styleSheet " + ns + R"(><numFmts><numFmt numFmtId="164" formatCode="0.00"/></numFmts>)" +
                             R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)";
  const std::string head = "<worksheet " + ns + R"(><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row>)";
  const std::string row2 = R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2" s="1"><v>2750.25</v></c></row>)";
  const std::string tail = R"(</sheetData><mergeCells count="1"><mergeCell ref="A1:C1"/></mergeCells></worksheet>)";
  struct TBook {
    std::string sheet, strings, styles;
  };
  const auto parts = [&](const TBook& book) {
    return ld::test::OneSheetWorkbookParts({"Лист", book.sheet, book.strings, book.styles});
  };
  const auto write = [&](const std::vector<std::pair<std::string, std::string>>& package) {
    ld::test::WriteBytes(path, ld::test::BuildZip(package));
  };
  // "A2 D2 kind of D2", or the refusal
  const auto read = [&]() -> std::string {
    try {
      const auto book = ld::ReadWorkbook(path);
      const ld::office::TRawSheet& sheet = book.sheets.at(0);
      return sheet.CellText(2, 1) + " " + sheet.CellText(2, 4) + (sheet.Cell(2, 4).kind == CellKind::Number ? " число" : " не число");
    } catch (const ld::Error& e) {
      return e.what();
    }
  };
  const std::string sound = "ТП-41 2750.25 число";
  write(parts({head + row2 + tail, strings, styles}));
  ASSERT_EQ(read(), sound);

  // elements of another namespace are no part of the formats, the sheet or the texts, wherever they stand
  for (const TBook& book : std::vector<TBook>{
           {head + row2 + tail, strings,
            "<styleSheet " + ns + R"(><numFmts><numFmt numFmtId="164" formatCode="0.00"/><x:numFmt numFmtId="164" formatCode="dd.mm.yyyy"/></numFmts>)" +
                R"(<x:cellXfs><x:xf numFmtId="14"/><x:xf numFmtId="14"/></x:cellXfs><cellXfs><xf numFmtId="0"/><x:xf numFmtId="14"/><xf numFmtId="164"/></cellXfs></styleSheet>)"},
           {head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><x:c r="D2"><v>9</v></x:c><c r="D2" s="1"><v>2750.25</v><x:v>9</x:v></c></row>)" + tail,
            strings, styles},
           {head + row2 + tail, "<sst " + ns + "><si><t>Лицевой счет</t></si><x:si><t>ТП-9</t></x:si><si><t>ТП-41</t><x:t>-9</x:t></si></sst>",
            styles},
           // the parts as a spreadsheet program writes them, with all that the reader has no use for
           {"<worksheet " + ns + R"( xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" xmlns:x14ac="urn:x14ac" mc:Ignorable="x14ac">)"
                R"(<sheetPr><pageSetUpPr fitToPage="1"/></sheetPr><dimension ref="A1:D2"/><sheetViews><sheetView workbookViewId="0"><selection activeCell="D2" sqref="D2"/></sheetView></sheetViews>)"
                R"(<sheetFormatPr defaultRowHeight="15" x14ac:dyDescent="0.25"/><cols><col min="1" max="1" width="20"/></cols>)"
                R"(<sheetData><row r="1" spans="1:4" x14ac:dyDescent="0.25"><c r="A1" t="s"><v>0</v></c></row>)"
                R"(<row r="2" spans="1:4"><c r="A2" t="s"><v>1</v></c><c r="B2"><f t="shared" ref="B2:C2" si="0">D2/2</f><v>1375.125</v></c><c r="C2"><f t="shared" si="0"/><v>0</v></c>)"
                R"(<c r="D2" s="1"><v>2750.25</v></c></row></sheetData><mergeCells count="1"><mergeCell ref="A1:C1"/></mergeCells>)"
                R"(<phoneticPr fontId="1" type="noConversion"/><conditionalFormatting sqref="D2"><cfRule type="cellIs" dxfId="0" priority="1" operator="greaterThan"><formula>1000</formula></cfRule></conditionalFormatting>)"
                R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/><headerFooter><oddHeader>&amp;CАбоненты</oddHeader></headerFooter>)"
                R"(<mc:AlternateContent><mc:Choice Requires="x14"><c r="D2"><v>9</v></c></mc:Choice></mc:AlternateContent></worksheet>)",
            "<sst " + ns + R"( count="2" uniqueCount="2"><si><t>Лицевой счет</t><phoneticPr fontId="1"/></si>)" +
                R"(<si><r><rPr><b/><sz val="11"/><color theme="1"/><rFont val="Calibri"/><family val="2"/><charset val="204"/><scheme val="minor"/></rPr><t>ТП-</t></r>)" +
                R"(<r><t>41</t></r><rPh sb="0" eb="2"><t>тэпэ</t></rPh><phoneticPr fontId="1"/></si></sst>)",
            "<styleSheet " + ns + R"(><numFmts count="1"><numFmt numFmtId="164" formatCode="0.00"/></numFmts><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>)" +
                R"(<fills count="1"><fill><patternFill patternType="none"/></fill></fills><borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)" +
                R"(<cellStyleXfs count="1"><xf numFmtId="14" fontId="0"/></cellStyleXfs><cellXfs count="2"><xf numFmtId="0" xfId="0"/><xf numFmtId="164" xfId="0" applyNumberFormat="1"><alignment horizontal="right"/></xf></cellXfs>)" +
                R"(<cellStyles count="1"><cellStyle name="Обычный" xfId="0" builtinId="0"/></cellStyles><dxfs count="1"><dxf><font><b/></font><numFmt numFmtId="165" formatCode="dd.mm.yyyy"/></dxf></dxfs>)" +
                R"(<tableStyles count="0"/><colors><mruColors><color rgb="FF00B050"/></mruColors></colors></styleSheet>)"},
           // cells, rows and the table of texts in the strict namespace read alike
           {R"(<worksheet xmlns="http://purl.oclc.org/ooxml/spreadsheetml/main"><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row>)" +
                row2 + "</sheetData></worksheet>",
            R"(<sst xmlns="http://purl.oclc.org/ooxml/spreadsheetml/main"><si><t>Лицевой счет</t></si><si><t>ТП-41</t></si></sst>)",
            R"(<styleSheet xmlns="http://purl.oclc.org/ooxml/spreadsheetml/main"><numFmts><numFmt numFmtId="164" formatCode="0.00"/></numFmts>)"
            R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)"}}) {
    write(parts(book));
    EXPECT_EQ(read(), sound) << book.sheet << book.strings << book.styles;
  }

  const std::string prefix = "Ошибка чтения файла \"" + path + "\": ";
  const auto damaged = [&](const std::string& part, const std::string& reason) {
    return prefix + "файл поврежден (часть \"" + part + "\": " + reason + ")";
  };
  const std::string sheetPart = "xl/worksheets/sheet1.xml", stringsPart = "xl/sharedStrings.xml";
  const std::string onSheet = prefix + "лист \"Лист\": ";
  for (const auto& [book, reason] : std::vector<std::pair<TBook, std::string>>{
           // a cell after the sheet's data, or among its merged cells
           {{head + row2 + R"(</sheetData><c r="D2"><v>9</v></c></worksheet>)", strings, styles},
            damaged(sheetPart, "элемент \"c\" внутри \"worksheet\", где его быть не может")},
           {{head + row2 + R"(</sheetData><mergeCells><c r="D2"><v>9</v></c></mergeCells></worksheet>)", strings, styles},
            damaged(sheetPart, "элемент \"c\" внутри \"mergeCells\", где его быть не может")},
           // a second cell or row of one place
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2" s="1"><v>2750.25</v></c><c r="D2"><v>9</v></c></row>)" + tail,
             strings, styles},
            onSheet + "ячейка D2 встречается второй раз"},
           {{head + row2 + R"(<row r="2"><c r="D2"><v>9</v></c></row>)" + tail, strings, styles},
            onSheet + "строка 2 встречается второй раз"},
           {{head + row2 + R"(<row><c r="D3"><v>9</v></c></row><row r="3"><c r="A3"><v>1</v></c></row>)" + tail, strings, styles},
            onSheet + "строка 3 встречается второй раз"},
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c><v>9</v></c><c r="B2"><v>2750.25</v></c></row>)" + tail, strings, styles},
            onSheet + "ячейка B2 встречается второй раз"},
           // a cell whose reference names another row than its own
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D3" s="1"><v>2750.25</v></c></row>)" + tail, strings, styles},
            onSheet + "ячейка D3 стоит в строке 2"},
           // values where a cell holds none
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2"><is><t>9</t></is></c></row>)" + tail, strings, styles},
            onSheet + "ячейка D2 содержит текст (is), но ее тип не \"inlineStr\""},
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2"><foo><v>9</v></foo></c></row>)" + tail, strings, styles},
            damaged(sheetPart, "элемент \"v\" внутри \"foo\", где его быть не может")},
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2"><f>D1*2<v>9</v></f></c></row>)" + tail, strings, styles},
            damaged(sheetPart, "элемент \"v\" внутри \"f\", где его быть не может")},
           {{head + R"(<row r="2"><c r="A2" t="inlineStr"><t>ТП-41</t></c></row>)" + tail, strings, styles},
            damaged(sheetPart, "элемент \"t\" внутри \"c\", где его быть не может")},
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2">9</c></row>)" + tail, strings, styles},
            damaged(sheetPart, "текст прямо внутри элемента \"c\"")},
           {{head + R"(<row r="2"><c r="A2" t="s"><v>1</v></c><c r="D2"><v>2750.25</v><f>D1</f><f>D1*2</f></c></row>)" + tail, strings, styles},
            damaged(sheetPart, "второй элемент \"f\" внутри \"c\"")},
           {{head + row2 + "</sheetData><sheetData>" + tail, strings, styles},
            damaged(sheetPart, "второй элемент \"sheetData\" внутри \"worksheet\"")},
           // an item of the table of texts whose text stands outside <t> (the households import read an
           // empty first cell and stopped with no row and no word), or two texts of one item
           {{head + row2 + tail, "<sst " + ns + "><si>Лицевой счет</si><si><t>ТП-41</t></si></sst>", styles},
            damaged(stringsPart, "текст прямо внутри элемента \"si\"")},
           {{head + row2 + tail, "<sst " + ns + "><si><t>Лицевой счет</t></si><si><t>ТП-4</t><t>1</t></si></sst>", styles},
            damaged(stringsPart, "второй элемент \"t\" внутри \"si\"")},
           // the formats: a second code of one number, a cell format out of its list
           {{head + row2 + tail, strings,
             "<styleSheet " + ns + R"(><numFmts><numFmt numFmtId="164" formatCode="0.00"/><numFmt numFmtId="164" formatCode="dd.mm.yyyy"/></numFmts>)" +
                 R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="164"/></cellXfs></styleSheet>)"},
            damaged("xl/styles.xml", "два формата чисел с номером 164")},
           {{head + row2 + tail, strings,
             "<styleSheet " + ns + R"(><cellXfs><xf numFmtId="0"/></cellXfs><fonts><xf numFmtId="14"/></fonts></styleSheet>)"},
            damaged("xl/styles.xml", "элемент \"xf\" внутри \"fonts\", где его быть не может")},
           // a part whose root is another element, or of another namespace
           {{head + row2 + tail, "<sheetData " + ns + "/>", styles}, damaged(stringsPart, "корневой элемент части \"sheetData\", а не \"sst\"")},
           // an extension list for a root is no part of its own: the sheet would be empty, the formats none
           {{"<extLst " + ns + R"(><ext uri="{0}"><sheetData><row r="2"><c r="D2"><v>9</v></c></row></sheetData></ext></extLst>)", strings, styles},
            damaged(sheetPart, "корневой элемент части \"extLst\", а не \"worksheet\"")},
           {{head + row2 + tail, strings, "<extLst " + ns + "/>"}, damaged("xl/styles.xml", "корневой элемент части \"extLst\", а не \"styleSheet\"")},
           {{R"(<worksheet xmlns="urn:other"><sheetData/></worksheet>)", strings, styles},
            damaged(sheetPart, "корневой элемент \"worksheet\" в чужом пространстве имен \"urn:other\"")}}) {
    write(parts(book));
    EXPECT_EQ(read(), reason) << book.sheet << book.strings << book.styles;
  }

  // A UTF-8 byte-order mark over a declaration of another encoding, in any part: read by the declaration,
  // the UTF-8 "ТП-41" would come out as "РўРџ-41". The mark over UTF-8, or no mark, reads.
  const std::string bom = "\xEF\xBB\xBF";
  const auto declared = [](const std::string& encoding) { return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>"; };
  for (const std::string encoding : {"windows-1251", "cp1251", "x-cp1251", "CP1251"}) {
    const std::string reason = "в начале части стоит метка кодировки UTF-8, а объявлена кодировка \"" + encoding + "\"";
    auto package = parts({head + row2 + tail, bom + declared(encoding) + strings, styles});
    write(package);
    EXPECT_EQ(read(), damaged(stringsPart, reason));
    package = parts({bom + declared(encoding) + head + row2 + tail, strings, styles});
    write(package);
    EXPECT_EQ(read(), damaged(sheetPart, reason));
    package = parts({head + row2 + tail, strings, styles});
    package[2].second = bom + declared(encoding) + package[2].second;
    write(package);
    EXPECT_EQ(read(), damaged("xl/workbook.xml", reason));
    package = parts({head + row2 + tail, strings, styles});
    package[3].second = bom + declared(encoding) + package[3].second;
    write(package);
    EXPECT_EQ(read(), damaged("xl/_rels/workbook.xml.rels", reason));
    // without the mark the declaration is the part's encoding
    write(parts({head + row2 + tail, declared(encoding) + ld::Utf8ToCp1251(strings), styles}));
    EXPECT_EQ(read(), sound);
  }
  write(parts({head + row2 + tail, bom + declared("UTF-8") + strings, bom + styles}));
  EXPECT_EQ(read(), sound);
  // Python's XML writer declares the name in lower case, in single quotes
  const std::string python = "<?xml version='1.0' encoding='utf-8'?>";
  write(parts({bom + python + head + row2 + tail, bom + python + strings, styles}));
  EXPECT_EQ(read(), sound);
  // the document reader refuses it alike, in its text and in its other parts
  const std::string docx = dir / "акт.docx";
  const std::string docRels = R"(<Relationships><Relationship Id="rId1" Type="x/officeDocument" Target="word/document.xml"/></Relationships>)";
  const std::string body = R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:tbl><w:tr><w:tc><w:p><w:r><w:t>ТП-41</w:t></w:r></w:p></w:tc></w:tr></w:tbl></w:body></w:document>)";
  const auto openDocx = [&](const std::string& rels, const std::string& document) -> std::string {
    ld::test::WriteBytes(docx, ld::test::BuildZip({{"_rels/.rels", rels}, {"word/document.xml", document}}));
    try {
      return ld::DocxDocument::Open(docx).CellText(1, 1, 1);
    } catch (const ld::Error& e) {
      return e.what();
    }
  };
  EXPECT_EQ(openDocx(docRels, bom + declared("UTF-8") + body), "ТП-41");
  EXPECT_EQ(openDocx(docRels, python + body), "ТП-41");
  EXPECT_EQ(openDocx(docRels, bom + declared("windows-1251") + body),
            "Ошибка чтения файла \"" + docx + "\": документ записан не в кодировке UTF-8");
  // (how the document reader words the damage of a part around the reason is its own)
  const std::string refused = openDocx(bom + declared("cp1251") + docRels, body);
  EXPECT_EQ(refused.rfind("Ошибка чтения файла \"" + docx + "\": ", 0), 0u) << refused;
  EXPECT_NE(refused.find("в начале части стоит метка кодировки UTF-8, а объявлена кодировка \"cp1251\""), std::string::npos)
      << refused;
}

// The program runs under the user's locale, whose decimal separator may be a comma; a workbook writes
// its numbers with a point whatever the locale.
TEST(Xlsx, NumbersReadAlikeUnderADecimalCommaLocale) {
  ld::test::TempDir dir;
  RussianNumbers russian(dir.Path());
  if (!russian.Taken()) GTEST_SKIP() << "no Russian locale and none can be made";
  ASSERT_EQ(std::strtod("12.75", nullptr), 12.0) << "the locale reads a comma";
  const std::string path = dir / "a.xlsx";
  WriteOneSheet(path, R"(<worksheet><sheetData><row r="1"><c r="A1"><v>12.75</v></c><c r="B1"><v>-1.5E-3</v></c>)"
                      R"(<c r="C1"><v>12,75</v></c></row></sheetData></worksheet>)");
  const auto book = ld::ReadWorkbook(path);
  const ld::office::TRawSheet& s = book.sheets.at(0);
  EXPECT_EQ(s.Cell(1, 1).number, 12.75);
  EXPECT_EQ(s.Cell(1, 2).number, -1.5e-3);
  EXPECT_EQ(s.Cell(1, 3).kind, CellKind::Text);  // a comma is no number of the format
}

// The part of a written package, as another program unpacks it.
std::string PackagePart(const std::string& path, const std::string& name) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return "<no zip>";
  std::string data = "<missing>";
  if (zip_file_t* file = zip_fopen(zip, name.c_str(), 0)) {
    data.clear();
    char buf[4096];
    for (zip_int64_t n; (n = zip_fread(file, buf, sizeof buf)) > 0;) data.append(buf, static_cast<std::size_t>(n));
    zip_fclose(file);
  }
  zip_discard(zip);
  return data;
}

// Cell values and page margins written under a decimal-comma locale are numbers of the format, which
// spreadsheet programs (and the program's own reader) take as numbers.
TEST(Xlsx, WrittenNumbersKeepThePointUnderADecimalCommaLocale) {
  ld::test::TempDir dir;
  RussianNumbers russian(dir.Path());
  if (!russian.Taken()) GTEST_SKIP() << "no Russian locale and none can be made";
  ASSERT_EQ(std::strtod("12,75", nullptr), 12.75) << "the locale reads a comma";
  ld::Workbook book;
  book.sheets.emplace_back("Лист");
  book.sheets.back().SetNumber(1, 1, 1500.25);
  book.sheets.back().SetNumber(1, 2, -2.5e-7);
  book.sheets.back().SetDate(2, 1, ld::DateSerial(2024, 1, 1, 18, 0, 0));
  const std::string path = dir / "textfile.xlsx";
  ld::WriteXlsx(path, book);
  const std::string sheet = PackagePart(path, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find("<v>1500.25</v>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<v>-2.5E-07</v>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find("<v>45292.75</v>"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75")"), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find(','), std::string::npos) << sheet;
  const auto read = ld::ReadWorkbook(path);
  const ld::office::TRawSheet& back = read.sheets.at(0);
  EXPECT_EQ(back.Cell(1, 1).kind, CellKind::Number);
  EXPECT_EQ(back.Cell(1, 1).number, 1500.25);
  EXPECT_EQ(back.Cell(1, 2).number, -2.5e-7);
  EXPECT_EQ(back.CellText(2, 1), "01.01.2024 18:00:00");
  // and the locale the program runs under is its own again
  EXPECT_EQ(std::strtod("12,75", nullptr), 12.75);
}

TEST(Xlsx, BrokenFilesFailWithTheReadMessage) {
  ld::test::TempDir dir;
  const std::string text = dir / "plain.xlsx";
  ld::test::WriteBytes(text, "PK not really a zip");
  const std::string missing = dir / "missing.xlsx";
  const std::string noWorkbook = dir / "nowb.xlsx";
  WriteZip(noWorkbook, {{"[Content_Types].xml", kContentTypes}});
  const std::string badXml = dir / "badxml.xlsx";
  WriteZip(badXml, {{"_rels/.rels", kRootRels}, {"xl/workbook.xml", "<workbook><sheets>"}});
  const std::string folder = dir / "folder.xlsx";
  std::filesystem::create_directory(folder);
  // A sheet whose part cannot be found is damage, not a chart sheet to skip: the next sheet would be
  // taken for the book's first. A text of the table inside another would shift every later one.
  const auto twoSheets = [&](const std::string& name, const std::string& firstId, const std::string& firstType,
                        const std::string& strings) {
    const std::string path = dir / name;
    WriteZip(path, {{"_rels/.rels", kRootRels},
                    {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet name="Лист1" r:id=")" + firstId +
                                            R"("/><sheet name="Лист2" r:id="rId2"/></sheets></workbook>)"},
                    {"xl/_rels/workbook.xml.rels",
                     R"(<Relationships><Relationship Id="rId1" Type=")" + firstType + R"(" Target="s1.xml"/>)"
                     R"(<Relationship Id="rId2" Type="x/worksheet" Target="s2.xml"/>)"
                     R"(<Relationship Id="rId3" Type="x/sharedStrings" Target="strings.xml"/></Relationships>)"},
                    {"xl/strings.xml", strings},
                    {"xl/s1.xml", R"(<worksheet><sheetData><row><c t="s"><v>0</v></c></row></sheetData></worksheet>)"},
                    {"xl/s2.xml", R"(<worksheet><sheetData><row><c t="s"><v>1</v></c></row></sheetData></worksheet>)"}});
    return path;
  };
  const std::string texts = "<sst><si><t>ТП-1</t></si><si><t>ТП-2</t></si></sst>";
  ASSERT_EQ(ld::ReadWorkbook(twoSheets("sound.xlsx", "rId1", "x/worksheet", texts)).sheets.at(1).CellText(1, 1), "ТП-2");
  const std::string lostId = twoSheets("lostid.xlsx", "rId7", "x/worksheet", texts);
  const std::string oddType = twoSheets("oddtype.xlsx", "rId1", "x/image", texts);
  const std::string nested = twoSheets("nested.xlsx", "rId1", "x/worksheet", "<sst><si><t>ТП-1</t><si><t>ТП-2</t></si></si></sst>");
  // a sound text document is no workbook, not a workbook damaged in its main part
  const std::string document = (ld::test::TestDataDir() / "sheets" / "note_libreoffice.docx").string();
  for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
           {text, "файл не является книгой электронной таблицы или поврежден"},
           {document, "файл не является книгой электронной таблицы"},
           {missing, "файл не открывается"},
           {noWorkbook, "в файле нет книги"},
           {badXml, "файл поврежден (часть \"xl/workbook.xml\")"},
           {folder, "это папка, а не файл"},
           {lostId, "файл поврежден (у листа \"Лист1\" нет связи \"rId7\" с его частью)"},
           {oddType, "файл поврежден (связь \"rId1\" листа \"Лист1\" ведет не к листу)"},
           {nested, "файл поврежден (часть \"xl/strings.xml\": текст 2 таблицы строк вложен в текст 1)"}}) {
    try {
      ld::ReadWorkbook(path);
      ADD_FAILURE() << path << " was read";
    } catch (const ld::Error& e) {
      EXPECT_EQ(std::string(e.what()), "Ошибка чтения файла \"" + path + "\": " + reason);
    }
  }
  const std::string nowhere = (dir.Path() / "no" / "such" / "dir.xlsx").string();
  try {
    ld::WriteXlsx(nowhere, ld::Workbook{});
    ADD_FAILURE() << "written into a missing folder";
  } catch (const ld::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Ошибка записи файла \"" + nowhere + "\": папка не найдена");
  }
  // A disk that fills while the workbook is written keeps the previous one, instead of deleting it.
  const std::string previous = (dir.Path() / "previous.xlsx").string();
  ld::Workbook book;
  book.sheets.emplace_back("Лист");
  book.sheets.back().SetText(1, 1, "старый");
  ld::WriteXlsx(previous, book);
  const std::string bytes = ld::test::ReadBytes(previous);
  book.sheets.back().SetText(1, 1, "новый");
  try {
    ld::test::FullDisk disk(bytes.size() / 2);
    ld::WriteXlsx(previous, book);
    ADD_FAILURE() << "a workbook that did not fit was taken for written";
  } catch (const ld::Error& e) {
    EXPECT_EQ(std::string(e.what()), ld::test::FullDiskMessage(previous));
  }
  EXPECT_EQ(ld::test::ReadBytes(previous), bytes);
}

}  // namespace
