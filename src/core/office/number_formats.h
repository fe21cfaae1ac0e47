#pragma once
// What the spreadsheet readers share about number formats: which formats show dates, and which
// numbers a date cell may hold.
#include <string_view>

namespace ld::office {

// A custom number format shows a date or a time when it has a date or time letter outside its quoted
// texts, escaped characters and bracketed parts ([Red], [$-419]).
bool IsDateFormatCode(std::string_view code);

// The built-in format numbers that show dates and times.
bool IsBuiltinDateFormat(int id);

// Serial days from 1.1.1900 to 31.12.9999: a date-formatted cell outside them holds a plain number,
// which no calendar could show.
bool IsDateSerialInRange(double serial);

}  // namespace ld::office
