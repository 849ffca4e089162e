#include "textfmt/calendar.h"

#include <algorithm>
#include <cstdlib>

namespace kel {
namespace {

constexpr int kPackOffset = 128;
constexpr int kFirstGregorianYear = 1582;

int DigitValue(char ch) { return ch >= '0' && ch <= '9' ? ch - '0' : 0; }

struct Ymd {
  int year = 0;
  int month = 0;
  int day = 0;
};

// A short or damaged date reads its missing digits as 0.
Ymd SplitDate(std::string_view packed) {
  std::string digits = UnpackDigits(packed.substr(0, std::min<std::size_t>(packed.size(), 4)));
  digits.resize(8, '0');
  auto number = [&](std::size_t pos, std::size_t len) {
    int value = 0;
    for (std::size_t i = pos; i < pos + len; ++i) value = value * 10 + DigitValue(digits[i]);
    return value;
  };
  return {number(0, 4), number(4, 2), number(6, 2)};
}

bool PackedLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
      });
}

int YearLength(int year) { return IsLeapYear(year) ? 366 : 365; }

// Month lengths of months first..last of one year; an empty range gives 0.
int MonthsLength(int first, int last, int year) {
  int days = 0;
  for (int m = first; m <= last; ++m) days += DaysInMonth(m, year);
  return days;
}

int DayDifference(const Ymd& a, const Ymd& b) {
  int days = 0;
  for (int y = a.year + 1; y < b.year; ++y) days += YearLength(y);
  if (a.year < b.year) {
    days += MonthsLength(a.month, 12, a.year) + MonthsLength(1, b.month - 1, b.year);
  } else {
    days += MonthsLength(a.month, b.month - 1, a.year);
  }
  return days - a.day + b.day;
}

}  // namespace

std::string PackDigits(std::string_view digits) {
  const std::size_t n = digits.size();
  const std::size_t first = digits.find_first_not_of(' ');
  std::string text(n, '0');
  if (first != std::string_view::npos) {
    const std::size_t last = digits.find_last_not_of(' ');
    const std::string_view trimmed = digits.substr(first, last - first + 1);
    std::copy(trimmed.begin(), trimmed.end(), text.end() - static_cast<std::ptrdiff_t>(trimmed.size()));
  }
  std::string packed((n + 1) / 2, '\0');
  for (std::size_t i = 0; i < packed.size(); ++i) {
    const int tens = DigitValue(text[2 * i]);
    const int units = 2 * i + 1 < n ? DigitValue(text[2 * i + 1]) : 0;
    packed[i] = static_cast<char>(tens * 10 + units + kPackOffset);
  }
  return packed;
}

std::string UnpackDigits(std::string_view packed) {
  std::string digits;
  digits.reserve(packed.size() * 2);
  for (char byte : packed) {
    const int value = (static_cast<unsigned char>(byte) & 0x7F) % 100;
    digits += static_cast<char>('0' + value / 10);
    digits += static_cast<char>('0' + value % 10);
  }
  return digits;
}

std::string PackDate(int year, int month, int day) {
  auto two = [](int value) {
    value = std::abs(value % 100);
    return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
  };
  year = std::abs(year % 10000);
  return PackDigits(two(year / 100) + two(year % 100) + two(month) + two(day));
}

namespace {

int SignedDifference(std::string_view date1, std::string_view date2, char unit) {
  if (PackedLess(date2, date1)) std::swap(date1, date2);
  const Ymd a = SplitDate(date1);
  const Ymd b = SplitDate(date2);
  switch (unit) {
    case 'D':
    case 'd':
      return DayDifference(a, b);
    case 'M':
    case 'm':
      return 12 * (b.year - a.year) + (b.month - a.month);
    case 'A':
    case 'a': {
      const bool before_anniversary = a.month > b.month || (a.month == b.month && a.day > b.day);
      return b.year - a.year - (before_anniversary ? 1 : 0);
    }
    default:
      return 0;
  }
}

}  // namespace

int DateDifference(std::string_view date1, std::string_view date2, char unit) {
  // Impossible dates (day 99, bytes packing never makes) can order a later day first; the
  // result is a count and stays a count.
  return std::max(0, SignedDifference(date1, date2, unit));
}

int DateDifference(std::string_view date1, std::string_view date2, std::string_view unit) {
  return unit.size() == 1 ? DateDifference(date1, date2, unit[0]) : 0;
}

int DayOfWeek(std::string_view date) {
  const Ymd ymd = SplitDate(date);
  const std::string new_year = PackDate(ymd.year, 1, 1);
  const int d = DateDifference(date, new_year, 'D') - 1;
  const int p = ymd.year - 1;
  static const std::string kGregorianSwitch = PackDigits("15821005");
  int offset = 0;
  if (PackedLess(date, kGregorianSwitch)) {
    offset = ((p + p / 4) % 7) + 6 + d;
  } else {
    offset = ((p + p / 4 - p / 100 + p / 400) % 7) + 1 + d;
  }
  // Bytes that packing never makes can order a date before its own 1 January; the day must
  // still come out as a weekday.
  return (offset % 7 + 7) % 7 + 1;
}

bool IsLeapYear(int year) {
  if (year < kFirstGregorianYear) return year % 4 == 0;
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year) {
  int days = 30 + ((1 + ((month + 1) % 9)) % 2);
  if (month == 2) days -= IsLeapYear(year) ? 1 : 2;
  return days;
}

}  // namespace kel
