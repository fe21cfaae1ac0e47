#pragma once
// What the spreadsheet readers share about number formats: which formats show dates, which numbers a
// date cell may hold, and which formats give a number a text of its own.
#include <string>
#include <string_view>

namespace ld::office {

class TSheetSink;

// A custom number format shows a date or a time when it has a date or time letter outside its quoted
// texts, escaped characters and bracketed parts ([Red], [$-419]).
bool IsDateFormatCode(std::string_view code);

// The built-in format numbers that show dates and times.
bool IsBuiltinDateFormat(int id);

// Serial days from 1.1.1900 to 31.12.9999: a date-formatted cell outside them holds a plain number,
// which no calendar could show.
bool IsDateSerialInRange(double serial);

// What a cell's number format makes of its number. Most formats only dress a number (decimals, a
// thousands separator, a currency) and the number alone is the value; a date format makes it a day. Two
// kinds give the number a text that is the value itself: digits padded with leading zeros (a meter
// "011070123456789" under 000000000000000, whose number alone is another meter) and a duration counted
// in hours however many ("36:30" under [h]:mm, which as a day would be 31.12.1899 12:30).
enum class TNumberShow : unsigned char { Plain, Date, Padded, Duration };

struct TNumberFormat {
  TNumberShow show = TNumberShow::Plain;
  std::string code;  // the format's code, which ShownNumberText follows (Padded, Duration)
};

// The format of a custom code, and of a built-in format number.
TNumberFormat NumberFormatOf(std::string_view code);
TNumberFormat BuiltinNumberFormat(int id);

// The text that a Padded or a Duration format shows for the number ("011070123456789", "36:30",
// "-1:30"); empty for the other kinds.
std::string ShownNumberText(const TNumberFormat& format, double value);

// Hands a number cell to the sink by its format: a date (the serial day shifted by the book's date
// system) when a date format shows one a calendar can, a number with its format when the format gives
// it its text (a duration counts no calendar day, so no date system shifts it), else the plain number.
void StoreFormattedNumber(TSheetSink& sheet, int row, int col, double value, const TNumberFormat* format,
                          double dateShift);

}  // namespace ld::office
