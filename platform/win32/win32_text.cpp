#include "platform/win32/win32_text.h"

#include "platform/codepage.h"

namespace kel::platform::win32 {

std::wstring ToWide(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return {};
  const std::string utf8 = ToSystemText(text);
  if (utf8.empty()) return {};
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                          nullptr);
  return FromSystemText(utf8);
}

bool RoundTrips(std::wstring_view wide) { return ToWide(FromWide(wide)) == wide; }

CalendarTime CalendarTimeOf(const SYSTEMTIME& local) {
  CalendarTime time;
  time.year = local.wYear;
  time.month = local.wMonth;
  time.day = local.wDay;
  time.hour = local.wHour;
  time.minute = local.wMinute;
  time.second = local.wSecond;
  time.hundredths = local.wMilliseconds / 10;
  return time;
}

// The zone's rule for the file's own day decides summer time, as the POSIX side does.
CalendarTime LocalCalendarTime(const FILETIME& utc) {
  SYSTEMTIME universal{};
  SYSTEMTIME local{};
  if (!::FileTimeToSystemTime(&utc, &universal)) return {};
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
  return CalendarTimeOf(local);
}

}  // namespace kel::platform::win32
