#pragma once
// Time grids of load graphs and the conversion of a series from one period to another.
// A series is a pair of 1-based DAdouble arrays of equal Count: the point moments as PackedDateTime
// values, each stamping the END of its interval, and the values. A typical (24-hour) day carries no
// date: its points are the fractions 0.036 .. 0.864 (01:00 .. 24:00).
#include <array>
#include <string>

#include "core/base/dates.h"
#include "core/base/dynarray.h"

namespace ld {

// Every period that a graph or a calculation grid may have, in seconds.
inline constexpr std::array<int, 20> GraphPeriods = {1,   2,   3,   4,   5,   10,   15,   20,   30,   60,
                                                     120, 180, 240, 300, 600, 900, 1200, 1800, 3600, 86400};
// Their texts in the period choices, in the same order.
inline constexpr std::array<const char*, 20> GraphPeriodTexts = {
    "1 сек", "2 сек", "3 сек", "4 сек",  "5 сек",  "10 сек", "15 сек", "20 сек", "30 сек", "1 мин",
    "2 мин", "3 мин", "4 мин", "5 мин", "10 мин", "15 мин", "20 мин", "30 мин", "1 час",  "сутки"};

inline constexpr int kSecondsPerDay = 86400;

// Packed moments are compared to the whole second: two values that differ only in the last bits of
// their fraction (one computed as second·0.00001, the other as second/100000) are the same moment.
// Negative when a is earlier, 0 for the same second, positive when later.
int ComparePackedMoments(double a, double b);
inline bool SamePackedMoment(double a, double b) { return ComparePackedMoments(a, b) == 0; }

// Fills Dates with the grid of a graph. Dated: Period-second points from the first interval of
// StartDate's day to 00:00 after EndDate's day (daily points, Period 86400, are stamped 00:00 of their
// own day). Not dated: the 24 points of a typical day from Period on (callers pass 3600), never
// rolling over, so the last is 0.864. False with Msg when the end day lies before the start day, a
// date lies beyond the years 1 to 9999 or the period is not positive; Dates is then untouched.
bool CountGraphPoints(bool Dated, int Period, DAdouble& Dates, std::string& Msg, TDateTime EndDate,
                      TDateTime StartDate);

// Converts the series (SourceDates, Data) of SourcePeriod onto TargetDates of TargetPeriod: a finer
// target repeats each source value, a coarser one takes the mean of the source values it covers. An
// undated source (a typical day) repeats for every day of the target. On success Data holds one value
// per target point (0 where the source gave none) and SourceDates a copy of TargetDates. False with
// Msg, and nothing changed, when the larger period is not a multiple of the smaller.
bool ResampleGraph(int SourcePeriod, int TargetPeriod, bool SourceDated, std::string& Msg, DAdouble& Data,
                   const DAdouble& TargetDates, DAdouble& SourceDates);

// The point of Dates[1..Count] (ascending) at the same second as the packed moment; 0 when none is.
int FindGraphPoint(const DAdouble& Dates, double packedMoment);

}  // namespace ld
