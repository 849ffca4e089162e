// The settings writer with its outcome, for the callers that must know whether a write took
// effect (kelini); WriteIniKey is this writer without the outcome.
#pragma once

#include <string_view>

namespace kel::ini {

// How long a writer waits for the lock of a settings file that another writer holds. A
// rewrite takes milliseconds, so a lock held this long belongs to a stopped or hostile
// holder, and the write fails rather than hang the program (the start of a session included).
inline constexpr int kLockWaitMilliseconds = 5000;

enum class WriteOutcome {
  Written,     // the file holds the change
  Invalid,     // no file name, or a line break in the section, key or value
  LockBusy,    // another holder kept the file's lock for all of kLockWaitMilliseconds
  NoLock,      // the lock file exists but cannot be opened for writing, or not be locked at all
  Refused,     // the settings file is a link, not a regular file, read-only, or not this user's to write
  NotWritten,  // reading, writing or replacing the file failed
};

// Stores key=value in a section as WriteIniKey does, and says how that went.
WriteOutcome WriteKey(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace kel::ini
