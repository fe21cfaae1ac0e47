#include <gtest/gtest.h>

#include <cmath>

#include "core/base/codepage.h"
#include "core/base/dates.h"
#include "core/base/error.h"
#include "support/test_env.h"

namespace ld {
namespace {

TEST(Dates, CalendarMatchesTheDateTimeEpoch) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2004, 3, 5), 38051);
  int y = 0, m = 0, d = 0;
  DecodeDate(38051.999999999, y, m, d);  // 0.09 ms before midnight rounds into the next day
  EXPECT_EQ(y * 10000 + m * 100 + d, 20040306);
  DecodeDate(-1, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  EXPECT_TRUE(IsLeapYear(2000) && !IsLeapYear(2100));
  EXPECT_THROW(EncodeDate(2100, 2, 29), Error);
  EXPECT_THROW(EncodeTime(24, 0, 0), Error);
  EXPECT_EQ(FormatDateTime("dd.mm.yy hh:nn:ss", EncodeDate(2004, 3, 5) + EncodeTime(7, 5, 9)), "05.03.04 07:05:09");
}

TEST(Dates, PackedConversions) {
  const TDateTime moment = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 0);
  EXPECT_DOUBLE_EQ(DateTimeToPacked(moment), 20040305.378);
  EXPECT_DOUBLE_EQ(DateTimeToPacked(moment + EncodeTime(0, 0, 15, 700)), 20040305.37815);  // ms dropped
  EXPECT_DOUBLE_EQ(DateTimeToPacked(EncodeTime(10, 30, 0)), 0.378);  // no date part
  EXPECT_EQ(PackedToDateTime(20040305.378), moment);
  EXPECT_THROW(PackedToDateTime(20030229.0), Error);
  EXPECT_THROW(PackedToDateTime(20040305.9), Error);  // 90000 s is beyond one day

  int y = 0, m = 0, d = 0, s = 0, mi = 0, h = 0;
  DecodePackedDateTime(20040305.37815, y, m, d, s, mi, h);
  EXPECT_EQ(std::vector<int>({y, m, d, h, mi, s}), std::vector<int>({2004, 3, 5, 10, 30, 15}));

  // Every second of a day survives the trip through the packed form.
  const TDateTime day = EncodeDate(2024, 2, 29);
  for (int sec = 0; sec < 86400; sec += 7) {
    const TDateTime t = day + sec / 86400.0;
    ASSERT_EQ(DateTimeToPacked(PackedToDateTime(DateTimeToPacked(t))), DateTimeToPacked(t)) << sec;
  }

  EXPECT_EQ(StrToPackedDate("05.03.2004"), 20040305);
  EXPECT_EQ(StrToPackedDate("5.3.2004"), 20040305);
  EXPECT_EQ(StrToPackedDate("30.02.2004"), 0);
}

TEST(Dates, PackedTexts) {
  const double v = 20040305.37815;
  EXPECT_EQ(PackedDateToStr(20040305), "05.03.2004");
  EXPECT_EQ(PackedDateTimeToStr(3600, v), "05.03.2004 10");
  EXPECT_EQ(PackedDateTimeToStr(10, v), "05.03.2004 10:30:15");
  EXPECT_EQ(PackedDateTimeToStr2(10, v), "2004.03.05 10:30:15");
  EXPECT_EQ(PackedDateTimeToStr(10, 0.37815), "10:30:15");
  EXPECT_EQ(DateTimeCaption(EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15)), " (05.03.2004 10:30)");
}

TEST(Dates, DaySteps) {
  EXPECT_DOUBLE_EQ(NextDayPacked(20040228.378), 20040229.378);
  EXPECT_DOUBLE_EQ(NextDayPacked(0.5), 0.5);

  // Walking day by day over four centuries agrees with the calendar at every step.
  double packed = 19000101.0;
  TDateTime t = EncodeDate(1900, 1, 1);
  for (int i = 0; i < 146097; ++i) {
    packed = NextDayPacked(packed);
    t += 1;
    ASSERT_EQ(PackedToDateTime(packed), t) << packed;
  }
}

TEST(Dates, HoursBetweenAndDurations) {
  EXPECT_DOUBLE_EQ(HoursBetween(20040301.792, 20040302.054), 3.5);  // 22:00 to 01:30 next day
  EXPECT_DOUBLE_EQ(HoursBetween(20040302.054, 20040301.792), 3.5);
  EXPECT_DOUBLE_EQ(HoursBetween(20040227.12, 20040302.12), 96);  // over the leap day
  EXPECT_EQ(DurationToStr(172800) + "/" + DurationToStr(5400) + "/" + DurationToStr(900) + "/" + DurationToStr(59),
            "сутки/1 час/15 мин/59 сек");
}

TEST(Dates, SchemeSwitchingDate) {
  test::TempDir dir;
  const std::string base = dir / "Схема";
  EXPECT_EQ(ReadCurDateSwt(base), 0);  // no file yet
  const TDateTime t = EncodeDate(2004, 3, 5) + EncodeTime(10, 30, 15);
  WriteCurDateSwt(base, t);
  EXPECT_EQ(test::ReadBytes(base + ".INI"), Utf8ToCp1251("[Switch]\r\nCurDateSwt=05.03.2004 10:30:15\r\n"));
  EXPECT_EQ(ReadCurDateSwt(base), t);

  // A file named in another letter case is the same file; other sections stay.
  std::filesystem::rename(base + ".INI", base + ".ini");
  test::WriteBytes(base + ".ini", "[Other]\r\nA=1\r\n[Switch]\r\nCurDateSwt=\r\n");
  EXPECT_EQ(ReadCurDateSwt(base), 0);
  WriteCurDateSwt(base, EncodeDate(2005, 1, 1));
  EXPECT_FALSE(std::filesystem::exists(base + ".INI"));
  EXPECT_EQ(test::ReadBytes(base + ".ini"), "[Other]\r\nA=1\r\n[Switch]\r\nCurDateSwt=01.01.2005 00:00:00\r\n");
  // The bytes for a run of the tables the date goes with: the file itself stays until the run.
  EXPECT_EQ(CurDateSwtFile(base), base + ".ini");
  EXPECT_EQ(CurDateSwtFileBytes(base, EncodeDate(2005, 1, 2)),
            "[Other]\r\nA=1\r\n[Switch]\r\nCurDateSwt=02.01.2005 00:00:00\r\n");
  EXPECT_EQ(ReadCurDateSwt(base), EncodeDate(2005, 1, 1));

  test::WriteBytes(base + ".ini", "[Switch]\r\nCurDateSwt=31.02.2004\r\n");
  EXPECT_THROW(ReadCurDateSwt(base), Error);
}

}  // namespace
}  // namespace ld
