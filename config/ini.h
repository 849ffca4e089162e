// Settings files: the suite's INI format, read and written one key at a time.
//
// Every call opens, uses and closes the file, so each one sees what is on disk now. Names of
// sections and keys compare without letter case (a-z and the code page 850 letters
// ä ö ü é ñ å ç); values are kept as written.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

// Value of a key in a section of a settings file; empty when the file, section or key is
// missing. A value wrapped in double quotes comes back without them.
std::string ReadIniKey(std::string_view file, std::string_view section, std::string_view key);

// A section or key name as settings files compare it: without surrounding spaces, letters
// folded to capitals. Two names are the same setting when their forms are equal.
std::string IniNameForm(std::string_view name);

// Stores key=value in a section, creating file, section or key as needed; an empty value
// deletes the key, an empty key deletes the section. The file is rewritten through a
// temporary file and replaced in one step, under a lock shared with other writers.
void WriteIniKey(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value);

// One key=value of a section for WriteIniKeys.
struct IniSetting {
  std::string section;
  std::string key;
  std::string value;
};

// Stores several settings in one rewrite of the file under the writers' lock: the file ends as
// the same WriteIniKey calls in this order would leave it, forced to disk once. Nothing is
// written when a setting holds a line break.
void WriteIniKeys(std::string_view file, const std::vector<IniSetting>& settings);

// Takes the writers' lock of a file, asks choose for the settings to store (it may read the
// file, which no other writer changes meanwhile) and stores them as WriteIniKeys does, all
// before the lock is let go; true when they were stored (also when there were none).
bool UpdateIniKeys(std::string_view file, const std::function<std::vector<IniSetting>()>& choose);

}  // namespace kel
