#include "textfmt/calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

namespace kel {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

std::string Date(const char* digits) { return PackDigits(digits); }

// ---- Packing ----------------------------------------------------------------------------------

TEST(PackDigits, TwoDigitsPerByteOffsetBy128) {
  EXPECT_EQ(PackDigits("15821005"), Bytes({143, 210, 138, 133}));
  EXPECT_EQ(UnpackDigits(Bytes({143, 210, 138, 133})), "15821005");
  EXPECT_EQ(PackDigits("99"), Bytes({227}));
  EXPECT_EQ(PackDigits("00"), Bytes({128}));
}

TEST(PackDigits, OddLengthPutsLastDigitInTensOfLastByte) {
  EXPECT_EQ(PackDigits("105"), Bytes({138, 178}));
  EXPECT_EQ(PackDigits("7"), Bytes({198}));
  EXPECT_EQ(UnpackDigits(PackDigits("12345")), "123450");
}

TEST(PackDigits, BlanksAroundRightAlignAndBlanksInsideReadAsZero) {
  EXPECT_EQ(PackDigits("  15"), PackDigits("0015"));
  EXPECT_EQ(PackDigits("15  "), PackDigits("0015"));
  EXPECT_EQ(PackDigits(" 15 "), PackDigits("0015"));
  EXPECT_EQ(PackDigits("1 5"), PackDigits("105"));
  EXPECT_EQ(PackDigits("1 5").size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(PackDigits("1 5")[1]), 178);
  EXPECT_EQ(PackDigits("    "), PackDigits("0000"));
}

TEST(PackDigits, OtherCharactersCountAsZeroAndLengthIsKept) {
  EXPECT_EQ(PackDigits("2x2y"), PackDigits("2020"));
  EXPECT_EQ(PackDigits(""), "");
  EXPECT_EQ(PackDigits("12345678901").size(), 6u);
}

TEST(PackDigits, NoPackedByteIsAControlCharacterOrBlank) {
  for (int tens = 0; tens < 10; ++tens) {
    for (int units = 0; units < 10; ++units) {
      const std::string text{static_cast<char>('0' + tens), static_cast<char>('0' + units)};
      const int byte = static_cast<unsigned char>(PackDigits(text)[0]);
      EXPECT_GE(byte, 128);
      EXPECT_LE(byte, 227);
      EXPECT_EQ(UnpackDigits(PackDigits(text)), text);
    }
  }
}

TEST(UnpackDigits, ForeignBytesKeepTheirLastTwoDigits) {
  EXPECT_EQ(UnpackDigits(Bytes({255})), "27");  // 127
  EXPECT_EQ(UnpackDigits(Bytes({228})), "00");  // 100
  EXPECT_EQ(UnpackDigits(Bytes({5})), "05");
  EXPECT_EQ(UnpackDigits(""), "");
}

TEST(PackedDates, ByteWiseComparisonOrdersDates) {
  EXPECT_LT(Date("19991231"), Date("20000101"));
  EXPECT_LT(Date("20240228"), Date("20240301"));
  EXPECT_LT(Date("00000000"), Date("00010101"));
  EXPECT_EQ(PackDate(2024, 3, 5), Date("20240305"));
  EXPECT_EQ(PackDate(812, 12, 31), Date("08121231"));
}

// ---- Leap years and month lengths -------------------------------------------------------------

TEST(LeapYears, JulianRuleBefore1582GregorianFrom1582) {
  EXPECT_TRUE(IsLeapYear(1500));
  EXPECT_TRUE(IsLeapYear(1300));
  EXPECT_TRUE(IsLeapYear(1580));
  EXPECT_FALSE(IsLeapYear(1581));
  EXPECT_FALSE(IsLeapYear(1582));
  EXPECT_TRUE(IsLeapYear(1584));
  EXPECT_TRUE(IsLeapYear(1600));
  EXPECT_FALSE(IsLeapYear(1700));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
}

TEST(MonthLengths, ThirtyOneThirtyAndFebruary) {
  const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(DaysInMonth(m, 2023), lengths[m - 1]) << m;
  EXPECT_EQ(DaysInMonth(2, 2024), 29);
  EXPECT_EQ(DaysInMonth(2, 1500), 29);
  EXPECT_EQ(DaysInMonth(2, 1900), 28);
}

// ---- Differences ------------------------------------------------------------------------------

TEST(DateDifference, DaysInEitherOrder) {
  struct Case {
    const char* a;
    const char* b;
    int days;
  } cases[] = {
      {"20231231", "20240101", 1},  {"20240301", "20240228", 2},  {"19000301", "19000228", 1},
      {"15000301", "15000228", 2},  {"20240101", "20250101", 366}, {"15000101", "15010101", 366},
      {"17000101", "17010101", 365}, {"20240305", "20240305", 0},  {"19991215", "20010115", 397},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateDifference(Date(c.a), Date(c.b), 'D'), c.days) << c.a << " " << c.b;
    EXPECT_EQ(DateDifference(Date(c.b), Date(c.a), 'D'), c.days) << c.b << " " << c.a;
  }
}

TEST(DateDifference, DaysAcrossTheReformKeepTheDroppedDays) {
  EXPECT_EQ(DateDifference(Date("15821004"), Date("15821015"), 'D'), 11);
  EXPECT_EQ(DateDifference(Date("15811231"), Date("15830101"), 'D'), 366);
}

TEST(DateDifference, ImpossibleDatesNeverGiveANegativeCount) {
  // "Day 99" of December 2023 sorts before 1 January 2024 yet would count past it.
  EXPECT_EQ(DateDifference(Date("20231299"), Date("20240101"), 'D'), 0);
  EXPECT_GE(DateDifference(Date("20240199"), Date("20240200"), 'D'), 0);
  EXPECT_GE(DateDifference(Date("20249901"), Date("20250001"), 'A'), 0);
}

TEST(DateDifference, MonthsIgnoreDays) {
  EXPECT_EQ(DateDifference(Date("20240131"), Date("20240201"), 'M'), 1);
  EXPECT_EQ(DateDifference(Date("20240201"), Date("20240131"), 'M'), 1);
  EXPECT_EQ(DateDifference(Date("20221115"), Date("20240203"), 'M'), 15);
}

TEST(DateDifference, WholeYearsWaitForTheAnniversary) {
  EXPECT_EQ(DateDifference(Date("20000315"), Date("20240314"), 'A'), 23);
  EXPECT_EQ(DateDifference(Date("20000315"), Date("20240315"), 'A'), 24);
  EXPECT_EQ(DateDifference(Date("20240315"), Date("20000315"), 'A'), 24);
  EXPECT_EQ(DateDifference(Date("20000415"), Date("20240315"), 'A'), 23);
}

TEST(DateDifference, UnitLetterIgnoresCaseAndOthersGiveZero) {
  const std::string a = Date("20000315"), b = Date("20240314");
  EXPECT_EQ(DateDifference(a, b, 'd'), DateDifference(a, b, 'D'));
  EXPECT_EQ(DateDifference(a, b, 'm'), DateDifference(a, b, 'M'));
  EXPECT_EQ(DateDifference(a, b, 'a'), DateDifference(a, b, 'A'));
  EXPECT_EQ(DateDifference(a, b, "d"), DateDifference(a, b, 'D'));
  EXPECT_EQ(DateDifference(a, b, 'Y'), 0);
  EXPECT_EQ(DateDifference(a, b, "X"), 0);
  EXPECT_EQ(DateDifference(a, b, ""), 0);
}

TEST(DateDifference, ShortOrEmptyDatesReadMissingDigitsAsZero) {
  EXPECT_EQ(DateDifference("", Date("00000000"), 'D'), 0);
  EXPECT_EQ(DateDifference(Date("2024"), Date("20240000"), 'M'), 0);
}

// Gregorian dates from 1583 on agree with the standard library's proleptic calendar.
TEST(DateDifference, DaysAgreeWithCivilCalendarAfterTheReform) {
  using namespace std::chrono;
  std::mt19937 random(1582);
  std::uniform_int_distribution<int> day_number(0, 300000);
  const sys_days origin = year{1583} / January / 1;
  for (int i = 0; i < 2000; ++i) {
    const sys_days first = origin + days(day_number(random));
    const sys_days second = origin + days(day_number(random));
    auto packed = [](sys_days d) {
      const year_month_day ymd(d);
      return PackDate(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())));
    };
    const int expected = static_cast<int>(std::abs((second - first).count()));
    ASSERT_EQ(DateDifference(packed(first), packed(second), 'D'), expected);
    ASSERT_EQ(DayOfWeek(packed(first)), int(weekday(first).iso_encoding()));
  }
}

// ---- Day of the week --------------------------------------------------------------------------

TEST(DayOfWeek, MondayIsOneSundayIsSeven) {
  EXPECT_EQ(DayOfWeek(Date("20240101")), 1);
  EXPECT_EQ(DayOfWeek(Date("20240107")), 7);
  EXPECT_EQ(DayOfWeek(Date("20240229")), 4);
}

TEST(DayOfWeek, JulianBeforeFiveOctober1582) {
  EXPECT_EQ(DayOfWeek(Date("15821004")), 4);  // Thursday
  EXPECT_EQ(DayOfWeek(Date("15821015")), 5);  // Friday, the next day
  EXPECT_EQ(DayOfWeek(Date("15000229")), DayOfWeek(Date("15000228")) % 7 + 1);
  EXPECT_EQ(DayOfWeek(Date("15000301")), DayOfWeek(Date("15000229")) % 7 + 1);
}

TEST(DayOfWeek, FebruaryTwentyNinthOf1900DoesNotExist) {
  EXPECT_EQ(DayOfWeek(Date("19000301")), DayOfWeek(Date("19000228")) % 7 + 1);
}

// Every Julian day up to the reform follows the day before it in the week.
TEST(DayOfWeek, JulianDaysFollowEachOther) {
  int previous = DayOfWeek(Date("13991231"));
  for (int y = 1400; y <= 1582; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(m, y); ++d) {
        if (y == 1582 && m == 10 && d == 5) return;
        const int day = DayOfWeek(PackDate(y, m, d));
        ASSERT_EQ(day, previous % 7 + 1) << y << "-" << m << "-" << d;
        previous = day;
      }
    }
  }
}

TEST(DayOfWeek, StaysInRangeForYearZeroAndNoDate) {
  for (const char* d : {"00000000", "00000101", "00001231", "00010101", "99991231"}) {
    const int day = DayOfWeek(Date(d));
    EXPECT_GE(day, 1) << d;
    EXPECT_LE(day, 7) << d;
  }
}

TEST(DayOfWeek, ForeignBytesStillGiveAWeekday) {
  const std::string foreign = Bytes({254, 255});  // reads as 2627-00-00, orders after 2627-01-01
  const int day = DayOfWeek(foreign);
  EXPECT_GE(day, 1);
  EXPECT_LE(day, 7);
}

}  // namespace
}  // namespace kel
