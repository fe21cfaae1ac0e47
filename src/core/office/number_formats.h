#pragma once
// What the spreadsheet readers share about number formats: which formats show dates, which numbers a
// date cell may hold, and which formats give a number a text of its own.
#include <memory>
#include <string>
#include <string_view>

namespace ld::office {

struct TNumberCode;  // number_sections.h

// A custom number format shows a date or a time when it has a date or time letter outside its quoted
// texts, escaped characters and bracketed parts ([Red], [$-419]).
bool IsDateFormatCode(std::string_view code);

// The built-in format numbers that show dates and times.
bool IsBuiltinDateFormat(int id);

// Serial days from 1.1.1900 to 31.12.9999: a date-formatted cell outside them holds a plain number,
// which no calendar could show.
bool IsDateSerialInRange(double serial);

// What a cell's number format makes of its number (of a text: ShownTextOf). The general format shows the
// number alone; a date format makes it a day. Others give the number a text (Padded), which a column of
// texts takes as the sheet shows it: one that only dresses the number (8 under 0.00 shows "8,00", 12345
// under #,##0 "12 345") is the number itself, but one that shows other digits is its text (2750.333 under
// 0.00 is "2750,33", 0.5 under 0% "50%", 1234 under 0.00E+00 "1,23E+03", with the separators the
// program shows numbers with); and some give the number a text that is the value itself: digits padded with leading zeros
// or the number set among texts of the format (a meter "011070123456789" under 000000000000000, whose
// number alone is another meter; a contract "Д-0077" under "Д-"0000, "Д-77" under "Д-"# or "Д-"General),
// a duration counted in hours however many ("36:30" under [h]:mm, "36:30:15.5" under [h]:mm:ss.0, which
// as a day would be 31.12.1899 12:30), and a time of day, which a sum of times over a day shows
// as its hours past the last midnight ("12:30" under hh:mm for a day and a half hour's 1.5208).
enum class TNumberShow : unsigned char { Plain, Date, Padded, Duration, Clock };

struct TNumberFormat {
  TNumberShow show = TNumberShow::Plain;
  // The format's number in its book, which tells two formats of one book apart: a cell keeps the number,
  // never a copy of the code.
  int id = -1;
  // the format's code, which ShownNumberText follows (Padded, Duration, Clock, and a Date whose day it
  // shows: "01.11" under DD.MM, "Ноябрь 2026" under MMMM YYYY, "8:30 AM" under h:mm AM/PM; empty for a date shown whole)
  std::string code;
  // The section that shows a text cell when it sets the text among texts of its own ("Д-"@ shows the
  // contract typed as the text "0077" as "Д-0077"), which ShownTextOf follows; empty for a format that
  // shows a text as it is.
  std::string text;
  // A Padded code as parsed when the book opened, shared by every copy of the format: a cell read
  // renders its number from it and never parses the code again.
  std::shared_ptr<const TNumberCode> number;
};

// The longest code spreadsheet programs keep: what is longer is no format any program wrote.
inline constexpr std::size_t kLongestFormatCode = 255;
// Why a book's format `id` with this code is refused (Russian): a code longer than kLongestFormatCode
// characters; empty for any other.
std::string FormatCodeFault(int id, std::string_view code);

// The format of a custom code, and of a built-in format number.
TNumberFormat NumberFormatOf(int id, std::string_view code);
TNumberFormat BuiltinNumberFormat(int id);

// Whether the format shows this number at all: a duration or a time of 10^11 days and more, a number past
// 10^300 under a format of decimals (whose percent would be past every number), a fraction whose
// numerator a double no longer holds (1e300 under ?/100, 3e19 under ?/?), a number no section of a
// conditional format takes, and a value that is no finite number, has no text under it (a spreadsheet
// shows an error mark in its place).
bool ShowsNumber(const TNumberFormat& format, double value);

// The text that a Padded, Duration or Clock format shows for the number ("011070123456789", "Д-0077",
// "№ 0805" under [>=1000]0;"№ "0000, "2750 1/3" under # ?/?, "36:30", "-1:30", "12:30"), and a Date
// format with its code for a serial day ("01.11"); empty for the other kinds, for a number the format
// does not show, and for one whose section is empty (0 under 0.0;;, which the sheet shows as nothing).
// `dropsDigits` tells a text that does not show every digit of a whole number (123456789012 under
// 0.00E+00 is "1.23E+11"): no name of the cell's value.
std::string ShownNumberText(const TNumberFormat& format, double value, bool* dropsDigits = nullptr);

// The most characters a cell shows: a format that repeats a text past them ('@' written 252 times) shows
// no text a program could take.
inline constexpr std::size_t kLongestCellText = 32767;

// The text a text cell shows under its format: the text as it is, or set among the format's own texts.
std::string ShownTextOf(const TNumberFormat& format, std::string_view text);
// How many characters ShownTextOf gives, counted without making the text.
std::size_t ShownTextLength(const TNumberFormat& format, std::string_view text);

}  // namespace ld::office
