#include "core/catalogs/graph_series.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/base/error.h"

namespace ld {

namespace {

// The first day of the year 1 and the day after the last one of 9999.
constexpr double kFirstCalendarDay = -693593, kEndOfCalendar = 2958466;

double PackedOf(int year, int month, int day, int second) {
  return static_cast<double>(year) * 10000 + month * 100 + day + second / 100000.0;
}

// A daily point (00:00 of its day) is moved to 00:00 of the next day, where the last point of the
// same day on a finer grid ends, so that both grids can be walked together.
double AlignDaily(double packed, int period) {
  return period == kSecondsPerDay ? NextDayPacked(packed) : packed;
}

// The time of day of a packed moment, midnight being the end of the day (0.864), as a typical day
// stamps it.
double TimeOfDay(double packed) {
  const long long second = std::llround((packed - std::trunc(packed)) * 100000.0);
  return second == 0 ? kSecondsPerDay / 100000.0 : second / 100000.0;
}

}  // namespace

int ComparePackedMoments(double a, double b) {
  const long long seconds = std::llround((a - b) * 100000.0);
  return seconds < 0 ? -1 : seconds > 0 ? 1 : 0;
}

bool CountGraphPoints(bool Dated, int Period, DAdouble& Dates, std::string& Msg, TDateTime EndDate,
                      TDateTime StartDate) {
  if (Period < 1) {
    Msg = "Недопустимый период графика (" + std::to_string(Period) + ")";
    return false;
  }
  int year = 0, month = 0, day = 0;
  long long count = 24;
  if (Dated) {
    // Dates beyond the calendar (a damaged value) name no days to count.
    if (!(StartDate >= kFirstCalendarDay && StartDate < kEndOfCalendar && EndDate >= kFirstCalendarDay &&
          EndDate < kEndOfCalendar)) {
      Msg = "Недопустимые даты графика";
      return false;
    }
    const long long days = std::llround(std::trunc(EndDate) - std::trunc(StartDate) + 1);
    if (days < 1) {
      Msg = "Начальная дата больше конечной даты";
      return false;
    }
    count = static_cast<long long>(kSecondsPerDay / Period) * days;
    DecodeDate(StartDate, year, month, day);
  }
  if (count > Dates.MaxSize()) throw Error("Ошибка выполнения (DynamicArray)");

  Dates.Clear();
  Dates.EnsureIndex(static_cast<int>(count));
  Dates.Count = static_cast<int>(count);
  int second = Period < kSecondsPerDay ? Period : 0;
  for (int k = 1; k <= Dates.Count; ++k) {
    Dates[k] = Dated ? PackedOf(year, month, day, second) : second / 100000.0;
    second += Period;
    if (second == kSecondsPerDay && Dated) {
      IncDayParts(day, month, year);
      second = 0;
    }
  }
  return true;
}

bool ResampleGraph(int SourcePeriod, int TargetPeriod, bool SourceDated, std::string& Msg, DAdouble& Data,
                   const DAdouble& TargetDates, DAdouble& SourceDates) {
  const int larger = std::max(SourcePeriod, TargetPeriod);
  const int smaller = std::min(SourcePeriod, TargetPeriod);
  if (smaller < 1 || larger % smaller != 0) {
    Msg = "Несоблюдение кратности периодов (" + DurationToStr(TargetPeriod) + " и " +
          DurationToStr(SourcePeriod) + ")";
    return false;
  }

  const int targetCount = TargetDates.Count;
  const int sourceCount = std::min(SourceDates.Count, Data.Count);
  auto targetAt = [&](int i) {
    const double date = AlignDaily(TargetDates.Get(i), TargetPeriod);
    return SourceDated ? date : TimeOfDay(date);
  };
  auto sourceAt = [&](int j) { return AlignDaily(SourceDates.Get(j), SourcePeriod); };

  std::vector<double> values(static_cast<std::size_t>(targetCount) + 1, 0.0);
  int j = 1;
  // An undated source starts over after its last point; a dated one ends the walk there.
  auto nextSource = [&] {
    if (++j > sourceCount && !SourceDated) j = 1;
  };
  for (int i = 1; i <= targetCount && j <= sourceCount; ++i) {
    const double target = targetAt(i);
    const int order = ComparePackedMoments(target, sourceAt(j));
    if (order < 0) {
      values[i] = Data.Get(j);  // inside the source interval: its value holds
    } else if (order == 0) {
      values[i] = Data.Get(j);
      nextSource();
    } else {
      // The mean of the source points up to the one that ends where this target interval ends.
      double sum = 0;
      int n = 0;
      while (j <= sourceCount && n < sourceCount) {
        const int cmp = ComparePackedMoments(sourceAt(j), target);
        if (cmp > 0) break;
        sum += Data.Get(j);
        ++n;
        nextSource();
        if (cmp == 0) break;
      }
      values[i] = sum / n;
    }
  }

  Data.Clear();
  SourceDates.Clear();
  Data.EnsureIndex(targetCount);
  SourceDates.EnsureIndex(targetCount);
  for (int i = 1; i <= targetCount; ++i) {
    Data[i] = values[static_cast<std::size_t>(i)];
    SourceDates[i] = TargetDates.Get(i);
  }
  Data.Count = targetCount;
  SourceDates.Count = targetCount;
  return true;
}

int FindGraphPoint(const DAdouble& Dates, double packedMoment) {
  int lo = 1, hi = Dates.Count;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int order = ComparePackedMoments(Dates.Get(mid), packedMoment);
    if (order == 0) return mid;
    if (order < 0) lo = mid + 1;
    else hi = mid - 1;
  }
  return 0;
}

}  // namespace ld
