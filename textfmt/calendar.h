// Packed digits and the calendar arithmetic on packed dates.
//
// Digits are packed two to a byte as 10 x first + second + 128, so no packed byte is a control
// character or a blank. A packed date holds YYYYMMDD in 4 bytes and byte-wise comparison
// orders dates; all zeros stands for no date. Years before 1582 follow the Julian leap rule.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// (length + 1) / 2 bytes of a text of digits, right-aligned with zeros in its own length;
// blanks inside and other characters count as 0.
std::string PackDigits(std::string_view digits);

// Two decimal digits for every packed byte.
std::string UnpackDigits(std::string_view packed);

// Packed date of a year, month and day (each reduced to its digits' width).
std::string PackDate(int year, int month, int day);

// Whole days ('D'), months ('M') or years ('A') between two packed dates in either order;
// the unit letter may be small; any other unit gives 0.
int DateDifference(std::string_view date1, std::string_view date2, char unit);
int DateDifference(std::string_view date1, std::string_view date2, std::string_view unit);

// Day of the week of a packed date, 1 for Monday to 7 for Sunday; Julian before
// 5 October 1582, Gregorian from it.
int DayOfWeek(std::string_view date);

// Leap year by the Julian rule before 1582 and the Gregorian rule from it.
bool IsLeapYear(int year);

// Days in month 1 to 12 of a year.
int DaysInMonth(int month, int year);

}  // namespace kel
