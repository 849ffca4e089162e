#include <sys/stat.h>

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/posix/posix_names.h"

namespace kel::platform {
namespace posix {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool EntryExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.empty() ? "." : path.c_str(), &info) == 0;
}

std::string Join(bool absolute, const std::vector<std::string>& parts, std::size_t count) {
  std::string path = absolute ? "/" : "";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) path += '/';
    path += parts[i];
  }
  return path;
}

std::string Join(bool absolute, const std::vector<std::string>& parts) {
  return Join(absolute, parts, parts.size());
}

// The components of a Windows-form path, "." and ".." taken by the text of the path as
// Windows takes them, not through links.
std::vector<std::string> Components(std::string_view path, bool absolute) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string component(path.substr(start, end - start));
    start = end + 1;
    // Windows drops the blanks and dots that end a name, so fixed-width fields padded with
    // blanks name the same entry.
    if (component != "." && component != "..") {
      const std::size_t kept = component.find_last_not_of(" .");
      if (kept != std::string::npos) component.resize(kept + 1);
    }
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!parts.empty() && parts.back() != "..")
        parts.pop_back();
      else if (!absolute)
        parts.push_back(component);
      continue;
    }
    parts.push_back(std::move(component));
  }
  return parts;
}

// Gives each component the name under which it exists: the exact name when there is one,
// else the first entry equal to it ignoring case; components under a missing directory keep
// the name given. The whole path, and then its directory, are tried first, as paths mostly
// exist as written (the caller may know that the whole path does not).
void ResolveParts(bool absolute, std::vector<std::string>& parts, bool whole_path_missing) {
  ForgetPendingDirectory();
  if (parts.empty() || (!whole_path_missing && EntryExists(Join(absolute, parts)))) return;
  std::string name;
  const Lookup last = FindNameIgnoringCase(Join(absolute, parts, parts.size() - 1), parts.back(), name);
  if (last == Lookup::Found) parts.back() = name;
  if (last != Lookup::NoDirectory) return;

  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i] == ".." || EntryExists(Join(absolute, parts, i + 1))) continue;
    const Lookup found = FindNameIgnoringCase(Join(absolute, parts, i), parts[i], name);
    if (found != Lookup::Found) return;  // nothing below a missing entry exists
    parts[i] = name;
  }
}

}  // namespace

namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string ToSystemName(std::string_view text) { return IsAscii(text) ? std::string(text) : ToSystemText(text); }

std::string FromSystemName(std::string_view native) {
  return IsAscii(native) ? std::string(native) : FromSystemText(native);
}

char32_t FoldNameCodePoint(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c < 0x80) return c;
  // Latin-1: à..þ are their capitals plus 0x20, except the division sign; ÿ's capital is Ÿ.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A pairs capital and small letter side by side.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  return c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (FoldNameCodePoint(NextUtf8(a, i)) != FoldNameCodePoint(NextUtf8(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

namespace {

// The components of a path and how it starts and ends.
struct TranslatedPath {
  bool absolute = false;
  bool trailing = false;
  std::vector<std::string> parts;
};

bool Translate(std::string_view path, TranslatedPath& translated) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  // A drive letter names the one file system there is.
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    path.remove_prefix(2);
  translated.absolute = !path.empty() && IsSeparator(path.front());
  translated.trailing = !path.empty() && IsSeparator(path.back());
  translated.parts = Components(path, translated.absolute);
  return true;
}

std::string Native(const TranslatedPath& translated) {
  std::string native = Join(translated.absolute, translated.parts);
  if (native.empty()) return ".";
  if (translated.trailing && native.back() != '/') native += '/';
  return native;
}

}  // namespace

std::string TranslatePath(std::string_view path) {
  TranslatedPath translated;
  return Translate(path, translated) ? Native(translated) : std::string();
}

std::string ResolveNativePath(std::string_view path, bool whole_path_missing) {
  TranslatedPath translated;
  if (!Translate(path, translated)) return "";
  ResolveParts(translated.absolute, translated.parts, whole_path_missing);
  return Native(translated);
}

CalendarTime LocalCalendarTime(std::int64_t seconds, long nanoseconds) {
  CalendarTime time;
  std::tm local{};
  const std::time_t moment = static_cast<std::time_t>(seconds);
  if (::localtime_r(&moment, &local) == nullptr) return time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.hundredths = static_cast<int>(nanoseconds / 10'000'000);
  return time;
}

std::string_view LastComponent(std::string_view native_path) {
  while (native_path.size() > 1 && native_path.back() == '/') native_path.remove_suffix(1);
  const std::size_t slash = native_path.rfind('/');
  return slash == std::string_view::npos ? native_path : native_path.substr(slash + 1);
}

}  // namespace posix

std::string NativePath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return "";
  return posix::ResolveNativePath(posix::ToSystemName(path));
}

}  // namespace kel::platform
