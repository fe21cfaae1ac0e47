#include "core/base/dates.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/base/error.h"
#include "core/base/inifile.h"
#include "core/base/settings.h"

namespace ld {

namespace {

constexpr long long kMSecsPerDay = 86400000LL;
// Days from 1 March of year 0 (proleptic Gregorian) to 30 December 1899, the day 0 of a TDateTime.
constexpr long long kEpochShift = 693899;

long long DaysFromCivil(int y, int m, int d) {
  // Counted from 1 March so that the leap day is the last day of the counted year.
  const long long yy = static_cast<long long>(y) - (m <= 2 ? 1 : 0);
  const long long era = (yy >= 0 ? yy : yy - 399) / 400;
  const long long yoe = yy - era * 400;
  const long long mp = (m + 9) % 12;
  const long long doy = (153 * mp + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - kEpochShift;
}

void CivilFromDays(long long days, int& y, int& m, int& d) {
  const long long z = days + kEpochShift;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Whole day and millisecond of the day of a moment, rounded to the millisecond. Before day 0 the
// fraction still counts forward from midnight, as the date-time format defines it.
void SplitMoment(TDateTime value, long long& day, long long& msOfDay) {
  if (value >= 0) {
    const long long ms = std::llround(value * static_cast<double>(kMSecsPerDay));
    day = ms / kMSecsPerDay;
    msOfDay = ms % kMSecsPerDay;
  } else {
    day = static_cast<long long>(std::trunc(value));
    msOfDay = std::llround(std::fabs(value - std::trunc(value)) * static_cast<double>(kMSecsPerDay));
    if (msOfDay >= kMSecsPerDay) msOfDay = kMSecsPerDay - 1;
  }
}

TDateTime Compose(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string FourDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d", v);
  return buf;
}

int SecondOfDay(double packed) {
  return static_cast<int>(std::lround((packed - std::trunc(packed)) * 100000.0));
}

std::string PackedTimeToStr(int step, double packed, bool yearFirst) {
  if (packed == 0) return {};
  std::string text;
  const int date = static_cast<int>(std::trunc(packed));
  if (date != 0) {
    int d = 0, m = 0, y = 0;
    SplitPackedDate(date, d, m, y);
    text = yearFirst ? FourDigits(y) + "." + TwoDigits(m) + "." + TwoDigits(d) : PackedDateToStr(date);
    if (!text.empty()) text += ' ';
  }
  const int s = SecondOfDay(packed);
  text += TwoDigits(s / 3600);
  if (step < 3600) text.append(":").append(TwoDigits((s % 3600) / 60));
  if (step < 60) text.append(":").append(TwoDigits(s % 60));
  return text;
}

bool ParseSmallInt(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// The scheme's INI file as it lies on disk (any letter case of its name), or the name a new one gets.
std::string SchemeIniName(const std::string& schemeBase) { return FindFileNoCase(schemeBase + ".INI"); }

}  // namespace

// ---- calendar -------------------------------------------------------------------------------------

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!IsValidDate(year, month, day)) return false;
  result = static_cast<TDateTime>(DaysFromCivil(year, month, day));
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result))
    throw Error("Неверная дата: " + TwoDigits(day) + "." + TwoDigits(month) + "." + FourDigits(year));
  return result;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    return false;
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
  result = static_cast<double>(ms) / static_cast<double>(kMSecsPerDay);
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, msec, result))
    throw Error("Неверное время: " + TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second));
  return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  long long d = 0, ms = 0;
  SplitMoment(value, d, ms);
  CivilFromDays(d, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  long long d = 0, ms = 0;
  SplitMoment(value, d, ms);
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

void DecodeDateParts(TDateTime value, int& day, int& month, int& year) { DecodeDate(value, year, month, day); }

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), static_cast<int>(ms));
}

TDateTime Date() { return std::floor(Now()); }

std::string FormatDateTime(const std::string& pattern, TDateTime value) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  std::string out;
  std::size_t i = 0;
  auto run = [&](char c) {
    std::size_t n = 0;
    while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == c) ++n;
    return n;
  };
  while (i < pattern.size()) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    std::size_t n = 0;
    switch (c) {
      case 'd': n = std::min<std::size_t>(run('d'), 2); out += n == 2 ? TwoDigits(d) : std::to_string(d); break;
      case 'm': n = std::min<std::size_t>(run('m'), 2); out += n == 2 ? TwoDigits(mo) : std::to_string(mo); break;
      case 'h': n = std::min<std::size_t>(run('h'), 2); out += n == 2 ? TwoDigits(h) : std::to_string(h); break;
      case 'n': n = std::min<std::size_t>(run('n'), 2); out += n == 2 ? TwoDigits(mi) : std::to_string(mi); break;
      case 's': n = std::min<std::size_t>(run('s'), 2); out += n == 2 ? TwoDigits(s) : std::to_string(s); break;
      case 'y':
        n = run('y') >= 4 ? 4 : 2;
        out += n == 4 ? FourDigits(y) : TwoDigits(y % 100);
        break;
      default: n = 1; out += pattern[i]; break;
    }
    i += n;
  }
  return out;
}

// ---- packed dates ---------------------------------------------------------------------------------

void SplitPackedDate(int packed, int& day, int& month, int& year) {
  day = packed % 100;
  month = packed / 100 % 100;
  year = packed / 10000;
}

std::string PackedDateToStr(int packed) {
  if (packed == 0) return {};
  int d = 0, m = 0, y = 0;
  SplitPackedDate(packed, d, m, y);
  return TwoDigits(d) + "." + TwoDigits(m) + "." + FourDigits(y);
}

std::string PackedDateTimeToStr(int step, double packed) { return PackedTimeToStr(step, packed, false); }

std::string PackedDateTimeToStr2(int step, double packed) { return PackedTimeToStr(step, packed, true); }

void DecodePackedDateTime(double packed, int& year, int& month, int& day, int& seconds, int& minutes, int& hours) {
  year = month = day = seconds = minutes = hours = 0;
  if (packed == 0) return;
  const int date = static_cast<int>(std::trunc(packed));
  if (date != 0) SplitPackedDate(date, day, month, year);
  const int s = SecondOfDay(packed);
  hours = s / 3600;
  minutes = s % 3600 / 60;
  seconds = s % 60;
}

double DateTimeToPacked(TDateTime value) {
  long long day = 0, ms = 0;
  SplitMoment(value, day, ms);
  double packed = 0;
  if (day != 0) {
    int y = 0, m = 0, d = 0;
    CivilFromDays(day, y, m, d);
    packed = static_cast<double>(y) * 10000 + m * 100 + d;
  }
  return packed + static_cast<double>(ms / 1000) / 100000.0;
}

TDateTime PackedToDateTime(double packed) {
  int y = 0, m = 0, d = 0, s = 0, mi = 0, h = 0;
  DecodePackedDateTime(packed, y, m, d, s, mi, h);
  const TDateTime date = y != 0 && m != 0 && d != 0 ? EncodeDate(y, m, d) : 0.0;
  return Compose(date, EncodeTime(h, mi, s));
}

int StrToPackedDate(const std::string& text) {
  std::string parts[3];
  int n = 0;
  for (const char c : text) {
    if (c == '.') {
      if (++n > 2) return 0;
    } else if (c != ' ' || !parts[n].empty()) {
      parts[n] += c;
    }
  }
  while (!parts[2].empty() && parts[2].back() == ' ') parts[2].pop_back();
  int d = 0, m = 0, y = 0;
  if (n != 2 || !ParseSmallInt(parts[0], d) || !ParseSmallInt(parts[1], m) || !ParseSmallInt(parts[2], y))
    return 0;
  if (parts[2].size() <= 2) y = ExpandTwoDigitYear(y);
  if (!IsValidDate(y, m, d)) return 0;
  return y * 10000 + m * 100 + d;
}

int ExpandTwoDigitYear(int year) {
  constexpr int kPivot = 50;
  return year < kPivot ? 2000 + year : 1900 + year;
}

void IncDayParts(int& day, int& month, int& year) {
  ++day;
  const int length = DaysInMonth(year, month);
  if (day > (length > 0 ? length : 31)) {
    day = 1;
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
}

double NextDayPacked(double packed) {
  int y = 0, m = 0, d = 0, s = 0, mi = 0, h = 0;
  DecodePackedDateTime(packed, y, m, d, s, mi, h);
  if (std::trunc(packed) == 0) return packed;
  IncDayParts(d, m, y);
  return static_cast<double>(y) * 10000 + m * 100 + d + (h * 3600 + mi * 60 + s) / 100000.0;
}

double HoursBetween(double packedA, double packedB) {
  const double span = std::fabs(PackedToDateTime(packedA) - PackedToDateTime(packedB));
  long long days = 0, ms = 0;
  SplitMoment(span, days, ms);
  const long long s = ms / 1000;  // milliseconds do not count
  return static_cast<double>(days) * 24 + static_cast<double>(s / 3600) + static_cast<double>(s % 3600) / 3600.0;
}

std::string DurationToStr(int seconds) {
  if (seconds / 86400 != 0) return "сутки";
  if (seconds / 3600 != 0) return std::to_string(seconds / 3600) + " час";
  if (seconds / 60 != 0) return std::to_string(seconds / 60) + " мин";
  return std::to_string(seconds) + " сек";
}

std::string DateTimeCaption(TDateTime value) {
  if (value == 0) return {};
  return FormatDateTime(" (dd.mm.yyyy hh:nn)", value);
}

// ---- the switching date of a scheme ---------------------------------------------------------------

TDateTime ReadCurDateSwt(const std::string& schemeBase) {
  const TMemIniFile ini(SchemeIniName(schemeBase));
  return IniReadDateTime(ini, "Switch", "CurDateSwt", 0);
}

void WriteCurDateSwt(const std::string& schemeBase, TDateTime value) {
  WriteFileReplacing(CurDateSwtFile(schemeBase), CurDateSwtFileBytes(schemeBase, value));
}

std::string CurDateSwtFile(const std::string& schemeBase) { return SchemeIniName(schemeBase); }

std::string CurDateSwtFileBytes(const std::string& schemeBase, TDateTime value) {
  TMemIniFile ini(SchemeIniName(schemeBase));
  IniWriteDateTime(ini, "Switch", "CurDateSwt", value);
  return ini.FileBytes();
}

}  // namespace ld
