// The pop-up calendar that Alt+C opens over any screen: a framed window at columns 59 to 80
// showing one quarter of a year, three months one under the other, with the chosen day
// highlighted. It starts on the session's work date (today's date when none is set).
//
// Keys: Left, Right, Up and Down move by a day or a week, PgUp and PgDn by a quarter, Home
// and End to January and December of the same year; F (or Alt+F) closes handing the date
// back in the user's short form, Esc closes with nothing.
#pragma once

#include <string>

#include "console/keys.h"
#include "platform/file_system.h"

namespace kel {

// Runs the calendar until F, Alt+F or Esc: the chosen date as FormatDate writes it in the
// short numeric form with day, month and year (ten characters, "15/3/2024 "), empty after
// Esc. It puts back the editing settings, colour, screen and cursor it found. On a screen
// smaller than 80 x 24 it opens nothing and returns an empty text.
std::string Calendar();

// The day the calendar shows, with years 1 to 9999.
struct CalendarDay {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const CalendarDay&) const = default;
};

// What the screen has to do after a key.
enum class CalendarEffect { kNone, kMoved, kNewQuarter, kCloseWithDate, kCloseEmpty };

// Applies one key of the calendar's table to the day shown. Moves roll over into the
// neighbouring month and year; a move that would leave the years 1 to 9999 is not made.
CalendarEffect ApplyCalendarKey(CalendarDay& day, KeyCode key);
// First month (1, 4, 7 or 10) of the quarter that holds a month.
int QuarterStart(int month);
// The day the calendar opens on: the work date, or the clock's date when the session has
// none (or one that is not a date).
CalendarDay CalendarStartDay();
// The header of the day columns in the session language ("DL DT DC DJ DV DS DG").
std::string DayLetters();

// Where the calendar reads today's date; tests put a fixed day there.
using TodayReader = platform::CalendarTime (*)();
void SetCalendarTodayReader(TodayReader reader);
// Back to the machine's clock (tests).
void ResetCalendarPopup();

}  // namespace kel
