// Names, paths and times of the POSIX file system as the file-system layer sees them: native
// names are UTF-8 and compared ignoring letter case the way the Windows file system does.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel::platform::posix {

// Program text as a native name or path (UTF-8), and back; plain ASCII passes unchanged.
std::string ToSystemName(std::string_view text);
std::string FromSystemName(std::string_view native);

// Capital form of a code point for name comparison (ASCII, Latin-1 and Latin Extended-A).
char32_t FoldNameCodePoint(char32_t code_point);

// True when two UTF-8 names are equal ignoring letter case.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Native path of a Windows-form UTF-8 path with the names as given ("" when there is none).
std::string TranslatePath(std::string_view utf8_path);

// Native path of a Windows-form UTF-8 path, each existing component matched ignoring case;
// whole_path_missing says that the path as given was already found missing.
std::string ResolveNativePath(std::string_view utf8_path, bool whole_path_missing = false);

// The last component of a native path (trailing "/" ignored).
std::string_view LastComponent(std::string_view native_path);

// What a directory holds under a name compared ignoring case.
enum class Lookup { Found, Missing, NoDirectory };
// Looks a name up ignoring case among a directory's entries (read once and kept while the
// directory does not change); name receives the entry's own name when found.
Lookup FindNameIgnoringCase(const std::string& directory, std::string_view component, std::string& name);
// True when the kept reading of the path's directory is still current and holds no entry of
// the path's name in any letter case (the directory then counts as looked into).
bool KnownAbsent(const std::string& native_path);
// Forgets which directory was last looked into (each path resolution starts so).
void ForgetPendingDirectory();
// Tells the directory lookups that this process created (exists) or removed an entry.
void NoteEntryChanged(const std::string& native_path, bool exists);
// Runs a function right after each change this process makes in a directory, before the
// lookups take note of it: tests play another workstation there. nullptr for none.
void SetAfterOwnChange(void (*after)());
// Forgets every directory read (tests).
void ResetDirectoryCache();

// Windows attributes of an entry's status and name.
std::uint32_t AttributesOf(const struct stat& info, std::string_view name);
// Status of an entry relative to a directory descriptor, following a link; a dangling link
// reports itself.
bool EntryStatus(int directory, const char* name, struct stat& info);

// Local calendar time of a moment given in seconds and nanoseconds since the epoch.
CalendarTime LocalCalendarTime(std::int64_t seconds, long nanoseconds);

}  // namespace kel::platform::posix
