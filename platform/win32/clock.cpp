#include "platform/clock.h"
#include "platform/win32/win32_text.h"

namespace kel::platform {

// SetLocalTime takes the right to set the time itself where the user has it, and refuses
// otherwise; the caller carries on with the clock as it is.
bool SystemSetLocalDateTime(const CalendarTime& time) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(time.year);
  local.wMonth = static_cast<WORD>(time.month);
  local.wDay = static_cast<WORD>(time.day);
  local.wHour = static_cast<WORD>(time.hour);
  local.wMinute = static_cast<WORD>(time.minute);
  local.wSecond = static_cast<WORD>(time.second);
  return ::SetLocalTime(&local) != 0;
}

}  // namespace kel::platform
