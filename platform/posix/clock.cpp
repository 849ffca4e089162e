#include <ctime>

#include "platform/clock.h"

namespace kel::platform {

bool SystemSetLocalDateTime(const CalendarTime& time) {
  std::tm local{};
  local.tm_year = time.year - 1900;
  local.tm_mon = time.month - 1;
  local.tm_mday = time.day;
  local.tm_hour = time.hour;
  local.tm_min = time.minute;
  local.tm_sec = time.second;
  local.tm_isdst = -1;  // the zone's rule for that day decides summer time
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return false;
  const timespec moment{seconds, 0};
  // Without the right to set the time (CAP_SYS_TIME) the call fails with EPERM; the caller
  // carries on with the clock as it is.
  return ::clock_settime(CLOCK_REALTIME, &moment) == 0;
}

}  // namespace kel::platform
