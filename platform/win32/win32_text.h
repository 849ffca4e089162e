// Text and times where the program meets the Win32 calls: program text (code page 850 or the
// ANSI page, as the boundary code page says) as UTF-16 and back, and system times as the
// program's calendar times.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel::platform::win32 {

// Program text as UTF-16 for a W call; empty for text holding a NUL.
std::wstring ToWide(std::string_view text);
// UTF-16 from a W call as program text; characters the code page lacks become "?".
std::string FromWide(std::wstring_view wide);
// True when a UTF-16 name comes back unchanged through program text.
bool RoundTrips(std::wstring_view wide);

// A UTC file time as local calendar time.
CalendarTime LocalCalendarTime(const FILETIME& utc);
// A local SYSTEMTIME as calendar time.
CalendarTime CalendarTimeOf(const SYSTEMTIME& local);

}  // namespace kel::platform::win32
