// The calendar's window: rows 1 to 24, columns 59 to 80, a single-line frame with the year in
// its top line. Inside (20 columns), the day letters on row 1 and, for each month i of the
// quarter (0, 1, 2), its title on row 7 x i + 2 and its six weeks on the rows below, Monday
// to Sunday, each day a two-character cell at column 3 x weekday - 2.
//
// Like the calculator it keeps its own copy of the editing settings of the screen it opened
// from and gives them back exactly when it closes.
#include "editing/calendar_popup.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/state_reset.h"
#include "startup/session_environment.h"
#include "textfmt/calendar.h"
#include "textfmt/date_format.h"
#include "textfmt/fold.h"
#include "textfmt/language.h"

namespace kel {
namespace {

constexpr int kTop = 1;
constexpr int kLeft = 59;
constexpr int kBottom = 24;
constexpr int kRight = 80;
constexpr int kInteriorWidth = kRight - kLeft - 1;  // 20
constexpr int kScreenRowsNeeded = kBottom;
constexpr int kScreenColumnsNeeded = kRight;
constexpr int kSingleFrame = 1;
constexpr int kMonthsShown = 3;
constexpr int kRowsPerMonth = 7;  // title and six weeks
constexpr int kCellsPerMonth = 42;
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

// The keys that end the calendar's input, as it lists them among the exit keys.
constexpr const char* kCalendarKeys = "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b";

// Day letters, one 3-column cell a weekday, in the four languages.
constexpr FourForms<> kDayLetters = {
    "DL DT DC DJ DV DS DG",  // Catalan
    " L  M  X  J  V  S  D",  // Spanish
    " L  M  X  J  V  S  D",  // Galician
    "DL DT DC DJ DD DS DG",  // Occitan
};

struct CalendarPopupState {
  TodayReader today = &platform::LocalTime;
};

CalendarPopupState& State() {
  static CalendarPopupState state;
  return state;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
  return value;
}

bool IsDay(const CalendarDay& day) {
  return day.year >= kFirstYear && day.year <= kLastYear && day.month >= 1 && day.month <= 12 &&
         day.day >= 1 && day.day <= DaysInMonth(day.month, day.year);
}

std::string PackedDay(const CalendarDay& day) { return PackDate(day.year, day.month, day.day); }

// Adds days, rolling over month and year ends.
CalendarDay AddDays(CalendarDay day, int days) {
  day.day += days;
  while (day.day < 1) {
    if (--day.month < 1) {
      day.month = 12;
      --day.year;
    }
    day.day += DaysInMonth(day.month, day.year);
  }
  while (day.day > DaysInMonth(day.month, day.year)) {
    day.day -= DaysInMonth(day.month, day.year);
    if (++day.month > 12) {
      day.month = 1;
      ++day.year;
    }
  }
  return day;
}

// Moves by months; a day beyond the new month's length becomes its last day.
CalendarDay AddMonths(CalendarDay day, int months) {
  day.month += months;
  while (day.month < 1) {
    day.month += 12;
    --day.year;
  }
  while (day.month > 12) {
    day.month -= 12;
    ++day.year;
  }
  if (day.year >= kFirstYear && day.year <= kLastYear) {
    day.day = std::min(day.day, DaysInMonth(day.month, day.year));
  }
  return day;
}

// ---- Drawing --------------------------------------------------------------------------------

// Interior row and column of a day's cell; i is the month's place in the quarter.
void CellOf(const CalendarDay& day, int& row, int& column) {
  const int first_weekday = DayOfWeek(PackDate(day.year, day.month, 1));
  const int index = day.month - QuarterStart(day.month);
  row = kRowsPerMonth * index + 3 + (first_weekday + day.day - 2) / 7;
  column = 3 * DayOfWeek(PackedDay(day)) - 2;
}

std::string DayCell(int day) {
  return day < 10 ? " " + std::to_string(day) : std::to_string(day);
}

void DrawDay(const CalendarDay& day) {
  int row = 0;
  int column = 0;
  CellOf(day, row, column);
  WriteInWindow(row, column, DayCell(day.day));
}

std::string MonthTitle(int month) {
  const bool folding = FoldAccents();
  SetFoldAccents(false);  // capitals keeping their accents
  std::string title = FoldText(MonthName(month));
  SetFoldAccents(folding);
  return title;
}

void DrawMonth(int year, int month, int index) {
  const int title_row = kRowsPerMonth * index + 2;
  SetColour("n");
  WriteInWindow(title_row, 1, std::string(kInteriorWidth, ' '));
  const std::string title = MonthTitle(month);
  WriteInWindow(title_row, (kInteriorWidth - static_cast<int>(title.size())) / 2 + 1, title);

  SetColour("h");
  const int first_weekday = DayOfWeek(PackDate(year, month, 1));
  const int days = DaysInMonth(month, year);
  for (int cell = 0; cell < kCellsPerMonth; ++cell) {
    const int day = cell - (first_weekday - 1) + 1;
    WriteInWindow(title_row + 1 + cell / 7, 3 * (cell % 7) + 1,
                  day >= 1 && day <= days ? DayCell(day) : "  ");
  }
}

void DrawQuarter(const CalendarDay& day) {
  SetColour("n");
  std::string year = std::to_string(day.year);
  year.insert(0, 4 - std::min<std::size_t>(year.size(), 4), ' ');
  WriteInWindow(0, (kInteriorWidth - 6) / 2 + 1, " " + year + " ");
  WriteInWindow(1, 1, DayLetters());
  const int first = QuarterStart(day.month);
  for (int index = 0; index < kMonthsShown; ++index) DrawMonth(day.year, first + index, index);
}

}  // namespace

int QuarterStart(int month) { return (month - 1) / 3 * 3 + 1; }

std::string DayLetters() { return PickText(SessionLanguage(), kDayLetters); }

CalendarDay CalendarStartDay() {
  const std::string& work_date = Session().WorkDate;
  if (work_date.size() == 4) {
    const std::string digits = UnpackDigits(work_date);
    const CalendarDay day{Number(digits.substr(0, 4)), Number(digits.substr(4, 2)),
                          Number(digits.substr(6, 2))};
    if (IsDay(day)) return day;
  }
  const platform::CalendarTime now = State().today();
  const CalendarDay today{now.year, now.month, now.day};
  return IsDay(today) ? today : CalendarDay{2000, 1, 1};
}

CalendarEffect ApplyCalendarKey(CalendarDay& day, KeyCode key) {
  CalendarDay moved = day;
  switch (key) {
    case kKeyRight: moved = AddDays(day, 1); break;
    case kKeyLeft: moved = AddDays(day, -1); break;
    case kKeyDown: moved = AddDays(day, 7); break;
    case kKeyUp: moved = AddDays(day, -7); break;
    case kKeyPgDn: moved = AddMonths(day, 3); break;
    case kKeyPgUp: moved = AddMonths(day, -3); break;
    case kKeyHome: moved.month = 1; break;
    case kKeyEnd: moved.month = 12; break;
    case 'F': case 'f': case kKeyAltF: return CalendarEffect::kCloseWithDate;
    case kKeyEsc: return CalendarEffect::kCloseEmpty;
    default: return CalendarEffect::kNone;
  }
  if (!IsDay(moved)) return CalendarEffect::kNone;
  const bool new_quarter =
      moved.year != day.year || QuarterStart(moved.month) != QuarterStart(day.month);
  day = moved;
  return new_quarter ? CalendarEffect::kNewQuarter : CalendarEffect::kMoved;
}

std::string Calendar() {
  platform::ConsoleDevice& console = platform::Console();
  if (ScreenRows() < kScreenRowsNeeded || ScreenColumns() < kScreenColumnsNeeded) {
    console.SoundBell();
    return {};
  }
  const EditSettingsState field_settings = SaveEditSettings();
  EditSettings("ea", kCalendarKeys);
  SetColour("+n");
  const bool cursor_was_visible = console.CursorVisible();
  console.SetCursorVisible(false);
  OpenWindow(kTop, kLeft, kBottom, kRight);
  DrawFrame(kSingleFrame);

  CalendarDay day = CalendarStartDay();
  DrawQuarter(day);
  std::string result;
  for (bool open = true; open;) {
    SetColour("+u");
    DrawDay(day);
    const KeyCode key = WaitKey();
    SetColour("-");
    DrawDay(day);
    switch (ApplyCalendarKey(day, key)) {
      case CalendarEffect::kNewQuarter:
        DrawQuarter(day);
        break;
      case CalendarEffect::kCloseWithDate:
        result = FormatDate(PackedDay(day), kDateNumeric, "dma");
        open = false;
        break;
      case CalendarEffect::kCloseEmpty:
        open = false;
        break;
      case CalendarEffect::kNone:
      case CalendarEffect::kMoved:
        break;
    }
  }

  CloseWindow();
  console.SetCursorVisible(cursor_was_visible);
  SetColour("-");
  RestoreEditSettings(field_settings);
  return result;
}

void SetCalendarTodayReader(TodayReader reader) {
  State().today = reader != nullptr ? reader : &platform::LocalTime;
}

void ResetCalendarPopup() { State() = CalendarPopupState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetCalendarPopup);
}  // namespace

}  // namespace kel
