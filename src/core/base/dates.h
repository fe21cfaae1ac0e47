#pragma once
// Moments in time. In memory a moment is a TDateTime: days since 30 December 1899 with the time of
// day as fraction, so that whole days and calendar values convert exactly. Tables keep moments as a
// PackedDateTime that a person can read in a cell: 20040305.37800 is 5 March 2004, 10:30:00 (integer
// part YYYYMMDD, fraction = second of the day × 0.00001). All calendar rules are Gregorian.
#include <string>

namespace ld {

using TDateTime = double;

// ---- calendar -------------------------------------------------------------------------------------

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);

// The moment of a calendar date at 00:00; raises ld::Error for a date that does not exist.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// The fraction of a day; raises ld::Error for hours above 23, minutes or seconds above 59.
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);

// A moment is rounded to whole milliseconds before it is split, so 10:29:59.9999 reads as 10:30:00.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
void DecodeDateParts(TDateTime value, int& day, int& month, int& year);

TDateTime Now();
TDateTime Date();  // today at 00:00

// Tokens: d dd m mm yy yyyy h hh n nn s ss; anything else is copied.
std::string FormatDateTime(const std::string& pattern, TDateTime value);

// ---- packed dates ---------------------------------------------------------------------------------

void SplitPackedDate(int packed, int& day, int& month, int& year);
// "DD.MM.YYYY"; empty for 0.
std::string PackedDateToStr(int packed);
// The date, a blank and the time down to the step: hours for a step of an hour or more, minutes for a
// step below an hour, seconds for a step below a minute. A value without a date shows only the time.
std::string PackedDateTimeToStr(int step, double packed);
// The same with the date as "YYYY.MM.DD".
std::string PackedDateTimeToStr2(int step, double packed);
// Everything 0 for the value 0; date parts 0 when the integer part is 0.
void DecodePackedDateTime(double packed, int& year, int& month, int& day, int& seconds, int& minutes, int& hours);
// Milliseconds are dropped; the date part is 0 when the moment has no date (integer part 0).
double DateTimeToPacked(TDateTime value);
// Raises ld::Error when the date fields are not a calendar date or the time is beyond one day.
TDateTime PackedToDateTime(double packed);
// A text "DD.MM.YYYY" (or a two-digit year, ExpandTwoDigitYear) as a packed date; 0 for a text that
// is not a date.
int StrToPackedDate(const std::string& text);
// The year meant by a year written with two digits (0..99): 00–49 are 2000–2049, 50–99 are 1950–1999.
// The date field and every reader of a date text go through it, so "01.11.26" is one date wherever it
// is typed or read. The pivot is fixed, never taken from today's date: a text reads as the same date
// in any year, periods typed as "01.11.26" are this century's, and dates kept as "….99" stay 1999.
int ExpandTwoDigitYear(int year);

// The next calendar day.
void IncDayParts(int& day, int& month, int& year);
// The same time on the next day; a value without a date stays as it is.
double NextDayPacked(double packed);
// The distance in hours, whichever moment comes first.
double HoursBetween(double packedA, double packedB);

// "сутки", "<n> час", "<n> мин" or "<n> сек" by the largest whole unit of a duration in seconds.
std::string DurationToStr(int seconds);

// " (dd.mm.yyyy hh:nn)" for a window caption; empty for 0.
std::string DateTimeCaption(TDateTime value);

// ---- the switching date of a scheme ---------------------------------------------------------------
// Kept in the scheme's own INI file (base path + ".INI"), section "Switch", key "CurDateSwt".

// 0 when none is stored; a malformed value raises ld::Error.
TDateTime ReadCurDateSwt(const std::string& schemeBase);
void WriteCurDateSwt(const std::string& schemeBase, TDateTime value);
// The scheme's INI file, and its bytes with the switching date set to value and every other line as the
// file holds it: for a command that writes the date in the run of the tables it belongs with.
std::string CurDateSwtFile(const std::string& schemeBase);
std::string CurDateSwtFileBytes(const std::string& schemeBase, TDateTime value);

}  // namespace ld
