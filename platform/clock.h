// The machine's clock: setting the local date and time.
//
// Tests put a recording setter in place of the system's, so that no test ever changes the
// machine's clock.
#pragma once

#include <functional>

#include "platform/file_system.h"

namespace kel::platform {

// Something that sets the local date and time; false when the change was refused.
using ClockSetter = std::function<bool(const CalendarTime&)>;

// Sets the local date and time (hundredths ignored) through the installed setter, else
// through the system; false when refused, for example for want of the right to set the time.
bool SetLocalDateTime(const CalendarTime& time);

// Puts a setter in place of the system's; an empty one puts the system's back.
void InstallClockSetter(ClockSetter setter);

// Puts the system's setter back (tests).
void ResetClock();

// The system's own setter, implemented per system.
bool SystemSetLocalDateTime(const CalendarTime& time);

}  // namespace kel::platform
